#include "platform/os/safefile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <limits.h>
#include <time.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>

#include "platform/base/wintypes.h"
#include "platform/os/files.h"
#include "platform/os/nameindex.h"
#include "platform/os/paths.h"

namespace qv {
namespace {

FileResult Fail(int err) { return FileResult{FileFailureFromErrno(err), err}; }

// A path the layer cannot map: no drive, not code page 932, too long.
FileResult PathFailure() {
  const DWORD code = GetLastError();
  if (code == ERROR_PATH_NOT_FOUND || code == ERROR_FILE_NOT_FOUND) return FileResult{FileFailure::notFound, ENOENT};
  return FileResult{FileFailure::generic, 0};
}

int CloseFd(int fd) {
  // close(2) must not be retried on EINTR on Linux: the descriptor is gone.
  return close(fd);
}

bool WriteAll(int fd, const unsigned char* p, size_t n) {
  while (n > 0) {
    const size_t chunk = n > (size_t{1} << 30) ? (size_t{1} << 30) : n;
    const ssize_t w = write(fd, p, chunk);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (w == 0) {
      errno = EIO;
      return false;
    }
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The part of the temporary names that tells which target they belong to:
// a hash of the target's name, so the name fits however long the target's is.
std::string TempPrefix(const std::string& targetPath) {
  uint32_t h = 2166136261u;  // FNV-1a
  for (unsigned char c : targetPath.substr(targetPath.find_last_of('/') + 1)) h = (h ^ c) * 16777619u;
  char prefix[32];
  std::snprintf(prefix, sizeof(prefix), ".qvsave-%08x-", static_cast<unsigned>(h));
  return prefix;
}

// A new file beside the target, created exclusively with the mode the
// kernel derives from `mode` and the umask. -1 with errno on failure.
int CreateTempBeside(const std::string& folder, const std::string& prefix, mode_t mode, std::string& tmpPath) {
  static std::atomic<unsigned> counter{0};
  // (<chrono> cannot be compiled with the code page 932 execution charset.)
  struct timespec now {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const auto seed = static_cast<unsigned long long>(now.tv_sec) * 1000000007ull +
                    static_cast<unsigned long long>(now.tv_nsec);
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[96];
    std::snprintf(name, sizeof(name), "/%s%ld-%u-%llx.tmp", prefix.c_str(), static_cast<long>(getpid()),
                  counter.fetch_add(1), (seed >> 4) ^ static_cast<unsigned long long>(attempt) * 0x9E3779B97F4A7C15ull);
    tmpPath = (folder == "/" ? std::string() : folder) + name;
    const int fd = OpenOsFile(tmpPath, O_WRONLY | O_CREAT | O_EXCL, static_cast<int>(mode));
    if (fd >= 0) return fd;
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

// Removes the temporary files of earlier saves of the same target whose
// writer process is gone (killed mid-save): they would otherwise stay for
// ever, each as large as the document. A writer that still runs, or a
// number that names a process again, keeps its file.
void RemoveStaleTemps(const std::string& folder, const std::string& prefix) {
  DIR* d = opendir(folder.c_str());
  if (!d) return;
  const pid_t self = getpid();
  while (dirent* e = readdir(d)) {
    const std::string_view name(e->d_name);
    if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0 ||
        name.substr(name.size() - 4) != ".tmp")
      continue;
    long pid = 0;
    size_t i = prefix.size();
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9' && pid < 100000000; ++i) pid = pid * 10 + (name[i] - '0');
    if (i == prefix.size() || i >= name.size() || name[i] != '-' || pid <= 0 || pid == self) continue;
    if (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    struct stat st;
    if (fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
      const std::string path = (folder == "/" ? std::string() : folder) + "/" + e->d_name;
      FolderChange change(path);
      if (unlinkat(dirfd(d), e->d_name, 0) == 0) change.Removed(path);
    }
  }
  closedir(d);
}

// The file a save at `os` writes: a symbolic link is followed to its
// target, also to one that does not exist yet (it is created there), never
// replaced by a file. False (errno ELOOP) for a chain of links that does
// not end.
bool FollowLinks(std::string& os) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat lst;
    if (lstat(os.c_str(), &lst) != 0 || !S_ISLNK(lst.st_mode)) return true;
    std::string target(static_cast<size_t>(lst.st_size > 0 ? lst.st_size : PATH_MAX), '\0');
    const ssize_t n = readlink(os.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<size_t>(n) > target.size()) return false;
    target.resize(static_cast<size_t>(n));
    os = target[0] == '/' ? target : FolderOf(os) + "/" + target;
  }
  errno = ELOOP;
  return false;
}

void SyncFolder(const std::string& folder) {
  const int fd = OpenOsFile(folder, O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  fsync(fd);  // best effort: some file systems cannot sync a folder
  CloseFd(fd);
}

}  // namespace

FileFailure FileFailureFromErrno(int err) {
  switch (err) {
    case 0:
      return FileFailure::generic;
    case ENOENT:
    case ENOTDIR:
      return FileFailure::notFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return FileFailure::accessDenied;
    case EBUSY:
    case ETXTBSY:
      return FileFailure::sharingViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return FileFailure::diskFull;
    case EIO:
      return FileFailure::hardIO;
    default:
      return FileFailure::generic;
  }
}

FileResult ReadWholeFile(const char* winPath, std::vector<unsigned char>& bytes) {
  bytes.clear();
  std::string os;
  if (!winPath || !ToOsPath(winPath, os)) return PathFailure();
  const int fd = OpenOsFile(os, O_RDONLY);
  if (fd < 0) return Fail(errno);
  struct stat st;
  if (fstat(fd, &st) != 0) {
    const int err = errno;
    CloseFd(fd);
    return Fail(err);
  }
  if (!S_ISREG(st.st_mode)) {
    CloseFd(fd);
    return FileResult{FileFailure::accessDenied, EISDIR};
  }
  try {
    bytes.resize(static_cast<size_t>(st.st_size));
  } catch (const std::bad_alloc&) {
    CloseFd(fd);
    bytes.clear();
    return FileResult{FileFailure::generic, ENOMEM};
  }
  // The size taken at open bounds the read; a file that shrank meanwhile
  // gives what it still holds.
  size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t r = read(fd, bytes.data() + got, bytes.size() - got);
    if (r < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      CloseFd(fd);
      bytes.clear();
      return Fail(err);
    }
    if (r == 0) break;
    got += static_cast<size_t>(r);
  }
  bytes.resize(got);
  CloseFd(fd);
  return FileResult{};
}

FileResult ReplaceFileContents(const char* winPath, const void* data, size_t size) {
  std::string os;
  if (!winPath || !ToOsPath(winPath, os)) return PathFailure();
  return ReplaceOsFile(os, data, size);
}

FileResult ReplaceOsFile(std::string os, const void* data, size_t size) {
  SafeFileWriter file;
  FileResult r = file.BeginOs(std::move(os));
  if (!r.ok()) return r;
  file.Write(data, size);
  return file.Commit();
}

SafeFileWriter::~SafeFileWriter() { Abandon(); }

FileResult SafeFileWriter::Begin(const char* winPath) {
  std::string os;
  if (!winPath || !ToOsPath(winPath, os)) return failure_ = PathFailure();
  return BeginOs(std::move(os));
}

FileResult SafeFileWriter::BeginOs(std::string os) {
  Abandon();
  failure_ = FileResult{};
  // Replace the target of a link, not the link.
  if (!FollowLinks(os)) return failure_ = Fail(errno);

  mode_ = 0666;  // the kernel applies the umask
  exists_ = false;
  struct stat st;
  if (stat(os.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return failure_ = FileResult{FileFailure::accessDenied, EISDIR};
    // A file without the owner's write bit is read-only, as Windows' read-only
    // attribute, for root too.
    if (!(st.st_mode & S_IWUSR)) return failure_ = FileResult{FileFailure::accessDenied, EACCES};
    if (access(os.c_str(), W_OK) != 0) return failure_ = Fail(errno);
    exists_ = true;
    mode_ = st.st_mode & 07777;
  } else if (errno != ENOENT) {
    return failure_ = Fail(errno);
  }

  folder_ = FolderOf(os);
  const std::string prefix = TempPrefix(os);
  RemoveStaleTemps(folder_, prefix);
  fd_ = CreateTempBeside(folder_, prefix, static_cast<mode_t>(mode_), tmp_);
  if (fd_ < 0) return failure_ = Fail(errno);
  target_ = std::move(os);
  return failure_;
}

bool SafeFileWriter::Write(const void* data, size_t size) {
  if (fd_ < 0 || !failure_.ok()) {
    if (failure_.ok()) failure_ = FileResult{FileFailure::generic, EBADF};
    return false;
  }
  if (!WriteAll(fd_, static_cast<const unsigned char*>(data), size)) {
    failure_ = Fail(errno);
    return false;
  }
  return true;
}

FileResult SafeFileWriter::Commit() {
  if (fd_ < 0) {
    if (failure_.ok()) failure_ = FileResult{FileFailure::generic, EBADF};
    return failure_;
  }
  bool failed = !failure_.ok();
  int err = 0;
  // The kernel masked the old file's bits with the umask; give them back
  // (when that fails the new file keeps the masked bits, which is harmless).
  if (!failed && exists_) (void)!fchmod(fd_, static_cast<mode_t>(mode_));
  if (!failed && fsync(fd_) != 0) {
    err = errno;
    failed = true;
  }
  if (CloseFd(fd_) != 0 && !failed) {
    err = errno;
    failed = true;
  }
  fd_ = -1;
  if (!failed) {
    FolderChange change(tmp_, target_);
    if (rename(tmp_.c_str(), target_.c_str()) != 0) {
      err = errno;
      failed = true;
    } else {
      change.Moved(tmp_, target_);
    }
  }
  if (failed) {
    UnlinkOs(tmp_);
    tmp_.clear();
    if (failure_.ok()) failure_ = Fail(err);
    return failure_;
  }
  tmp_.clear();
  SyncFolder(folder_);
  return failure_;
}

void SafeFileWriter::Abandon() {
  if (fd_ >= 0) {
    CloseFd(fd_);
    fd_ = -1;
  }
  if (!tmp_.empty()) {
    UnlinkOs(tmp_);
    tmp_.clear();
  }
}

}  // namespace qv
