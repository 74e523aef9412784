#include "platform/os/filefacts.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string_view>

#include "platform/base/codepage.h"
#include "platform/os/paths.h"
#include "platform/os/starts.h"

namespace qv {
namespace {

class MemoryFileObject : public HandleObject {
 public:
  explicit MemoryFileObject(int fd) : fd_(fd) {}
  ~MemoryFileObject() override { close(fd_); }
  int Fd() const override { return fd_; }

 private:
  int fd_;
};

FileIdentity IdentityOf(const struct stat& st) {
  return FileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

std::string Resolved(const std::string& os) {
  char* real = realpath(os.c_str(), nullptr);
  if (real == nullptr) return std::string();
  std::string out(real);
  free(real);
  return out;
}

// The components of a relative Windows-shaped path in UTF-8, as ToOsPath
// takes them apart (repeated separators folded). False for text that does
// not convert or a component that is "." or "..".
bool Components(const std::string& rel, std::vector<std::string>& out) {
  std::string utf8;
  if (!Cp932ToUtf8(rel, utf8)) return false;
  out.clear();
  size_t start = 0;
  for (size_t i = 0; i <= utf8.size(); ++i) {
    if (i < utf8.size() && utf8[i] != '\\' && utf8[i] != '/') continue;
    if (i > start) {
      std::string c = utf8.substr(start, i - start);
      if (c == "." || c == "..") return false;
      out.push_back(std::move(c));
    }
    start = i + 1;
  }
  return !out.empty();
}

// Names looked for in one folder, without regard to case, and what is
// looked for below each.
struct NameTree {
  std::map<std::string, NameTree> below;  // by UpcaseName
};

// Lists `dir` once and reports every entry `tree` names; false when a
// folder that a resolution may pass cannot be listed.
bool Reach(const std::string& dir, const NameTree& tree, std::vector<ReachedEntry>& out) {
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return errno == ENOENT || errno == ENOTDIR;
  const int fd = dirfd(d);
  bool ok = true;
  std::vector<std::pair<std::string, const NameTree*>> folders;
  errno = 0;
  while (dirent* e = readdir(d)) {
    const std::string_view name(e->d_name);
    if (name == "." || name == "..") continue;
    const auto it = tree.below.find(UpcaseName(name));
    if (it == tree.below.end()) continue;
    struct stat st;
    if (fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT) ok = false;
      continue;
    }
    ReachedEntry r;
    r.id = IdentityOf(st);
    r.kind = S_ISLNK(st.st_mode)   ? EntryKind::link
             : S_ISDIR(st.st_mode) ? EntryKind::folder
             : S_ISREG(st.st_mode) ? EntryKind::file
                                   : EntryKind::other;
    out.push_back(r);
    if (r.kind == EntryKind::folder && !it->second.below.empty()) folders.emplace_back(std::string(name), &it->second);
  }
  closedir(d);
  for (const auto& [name, below] : folders) {
    if (!Reach(dir + "/" + name, *below, out)) ok = false;
  }
  return ok;
}

}  // namespace

bool ReadFirstLevel(const char* winPath, FirstLevel& out) {
  out = FirstLevel();
  std::string os;
  if (winPath == nullptr || *winPath == '\0' || !ToOsPath(winPath, os)) return false;
  out.resolved = Resolved(os);
  if (out.resolved.empty()) return false;
  struct stat st;
  if (stat(os.c_str(), &st) != 0) return false;
  out.self = IdentityOf(st);
  if (S_ISREG(st.st_mode)) return true;
  if (!S_ISDIR(st.st_mode)) return false;
  out.folder = true;
  DIR* d = opendir(os.c_str());
  if (d == nullptr) return false;
  const int fd = dirfd(d);
  struct stat dst;
  bool ok = fstat(fd, &dst) == 0 && IdentityOf(dst) == out.self;
  errno = 0;
  while (ok) {
    dirent* e = readdir(d);
    if (e == nullptr) {
      ok = errno == 0;
      break;
    }
    const std::string_view name(e->d_name);
    if (name == "." || name == "..") continue;
    struct stat est;
    if (fstatat(fd, e->d_name, &est, AT_SYMLINK_NOFOLLOW) != 0) {
      ok = false;
    } else if (S_ISREG(est.st_mode)) {
      out.files.push_back(IdentityOf(est));
    } else if (!S_ISDIR(est.st_mode)) {
      ok = false;
    }
  }
  closedir(d);
  return ok;
}

bool FindReachableEntries(const char* root, const std::vector<std::string>& rels, std::vector<ReachedEntry>& out) {
  out.clear();
  std::string os;
  if (root == nullptr || *root == '\0' || !ToOsPath(root, os)) return false;
  NameTree tree;
  std::vector<std::string> parts;
  for (const std::string& rel : rels) {
    if (!Components(rel, parts)) return false;
    NameTree* at = &tree;
    for (const std::string& part : parts) at = &at->below[UpcaseName(part)];
  }
  struct stat st;
  if (stat(os.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  return Reach(os, tree, out);
}

bool GetPathIdentity(const char* winPath, FileIdentity& id) {
  std::string os;
  struct stat st;
  if (winPath == nullptr || *winPath == '\0' || !ToOsPath(winPath, os) || stat(os.c_str(), &st) != 0) return false;
  id = IdentityOf(st);
  return true;
}

bool IsSystemGnuDiff(const std::string& osPath) {
  // The package database's list of diffutils' files, kept by root.
  static const char kList[] = "/var/lib/dpkg/info/diffutils.list";
  struct stat listSt;
  if (stat(kList, &listSt) != 0 || listSt.st_uid != 0 || (listSt.st_mode & (S_IWGRP | S_IWOTH)) != 0) return false;
  std::ifstream list(kList);
  std::string reference;
  for (std::string line; std::getline(list, line);) {
    if (line.size() >= 9 && line.compare(line.size() - 9, 9, "/bin/diff") == 0) {
      reference = Resolved(line);
      if (!reference.empty()) break;
    }
  }
  if (reference.empty()) return false;
  struct stat ref, prog;
  if (lstat(reference.c_str(), &ref) != 0 || !S_ISREG(ref.st_mode) || ref.st_uid != 0 ||
      (ref.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return false;
  }
  if (stat(osPath.c_str(), &prog) != 0 || !S_ISREG(prog.st_mode)) return false;
  if (IdentityOf(prog) == IdentityOf(ref)) return true;
  if (prog.st_size != ref.st_size) return false;
  std::ifstream a(reference, std::ios::binary), b(osPath, std::ios::binary);
  char x[65536], y[65536];
  while (a && b) {
    a.read(x, sizeof x);
    b.read(y, sizeof y);
    if (a.gcount() != b.gcount() || std::memcmp(x, y, static_cast<size_t>(a.gcount())) != 0) return false;
  }
  return a.eof() && b.eof();
}

HANDLE CreateBoundedMemoryFile(uint64_t capacity) {
  const int fd = memfd_create("quarvex-output", MFD_CLOEXEC | MFD_ALLOW_SEALING);
  if (fd < 0) {
    SetLastError(WinErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  // The file has its full length from the start, so a write within it takes
  // memory only for what it writes, and a write beyond it fails.
  if (ftruncate(fd, static_cast<off_t>(capacity)) != 0 ||
      fcntl(fd, F_ADD_SEALS, F_SEAL_GROW | F_SEAL_SHRINK | F_SEAL_SEAL) != 0) {
    SetLastError(WinErrorFromErrno(errno));
    close(fd);
    return INVALID_HANDLE_VALUE;
  }
  return RegisterHandle(new MemoryFileObject(fd));
}

bool GetFilePosition(HANDLE file, uint64_t& position) {
  const int fd = HandleFd(file);
  if (fd < 0) return false;
  const off_t at = lseek(fd, 0, SEEK_CUR);
  if (at < 0) return false;
  position = static_cast<uint64_t>(at);
  return true;
}

BOOL CopyFileHead(HANDLE from, uint64_t length, HANDLE to) {
  const int in = HandleFd(from);
  const int out = HandleFd(to);
  if (in < 0 || out < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  constexpr size_t kBuffer = 65536;
  std::unique_ptr<char[]> buffer(new char[kBuffer]);
  uint64_t at = 0;
  while (at < length) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(kBuffer, length - at));
    const ssize_t got = pread(in, buffer.get(), want, static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      SetLastError(got < 0 ? WinErrorFromErrno(errno) : ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    at += static_cast<uint64_t>(got);
    for (ssize_t done = 0; done < got;) {
      const ssize_t n = OnceMoreWhenFull([&] { return write(out, buffer.get() + done, static_cast<size_t>(got - done)); });
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        SetLastError(n < 0 ? WinErrorFromErrno(errno) : ERROR_DISK_FULL);
        return FALSE;
      }
      done += n;
    }
  }
  return TRUE;
}

uint64_t AvailableMemory() {
  std::ifstream info("/proc/meminfo");
  for (std::string line; std::getline(info, line);) {
    unsigned long long kib = 0;
    if (std::sscanf(line.c_str(), "MemAvailable: %llu kB", &kib) == 1) return static_cast<uint64_t>(kib) * 1024;
  }
  return 0;
}

}  // namespace qv
