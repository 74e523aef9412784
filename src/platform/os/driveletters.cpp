#include "platform/os/driveletters.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string_view>

namespace qv {
namespace {

constexpr char kOwnName[] = "drives";             // in the user's configuration folder
constexpr char kSharedName[] = "Quarvex.drives";  // in the program folder
constexpr std::string_view kHeader = "quarvex drives 1";
constexpr size_t kMaxRemembered = 64;
constexpr size_t kMaxFileBytes = 64 * 1024;

using Saved = std::vector<std::pair<std::string, char>>;  // key and letter, most recent first

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

std::string EscapeKey(std::string_view key) {
  std::string out;
  for (char c : key) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x21 || u == 0x7F || c == '\\') {
      char esc[5];
      std::snprintf(esc, sizeof esc, "\\%03o", u);
      out += esc;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// The reverse of EscapeKey; false for text EscapeKey never writes.
bool UnescapeKey(std::string_view text, std::string& key) {
  key.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char u = static_cast<unsigned char>(text[i]);
    if (text[i] == '\\') {
      if (i + 3 >= text.size() || text[i + 1] < '0' || text[i + 1] > '3' || !IsOctal(text[i + 2]) ||
          !IsOctal(text[i + 3]))
        return false;
      const int value = (text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0');
      key.push_back(static_cast<char>(value));
      i += 3;
    } else if (u < 0x21 || u == 0x7F) {
      return false;
    } else {
      key.push_back(text[i]);
    }
  }
  return true;
}

// A UUID is printable ASCII; a path holds no NUL byte.
bool ValidKey(std::string_view key) {
  if (key.size() > 6 && key.substr(0, 6) == "path:/") return key.find('\0') == std::string_view::npos;
  if (key.size() <= 5 || key.substr(0, 5) != "uuid:") return false;
  for (char c : key.substr(5))
    if (c < 0x21 || c > 0x7E || c == '\\') return false;
  return true;
}

Saved ParseSaved(std::string_view text) {
  Saved out;
  size_t pos = text.find('\n');
  if (pos == std::string_view::npos || text.substr(0, pos) != kHeader) return out;
  ++pos;
  while (pos < text.size() && out.size() < kMaxRemembered) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    std::string key;
    if (line.size() < 3 || line[0] < 'D' || line[0] > 'Z' || line[1] != ' ' ||
        !UnescapeKey(line.substr(2), key) || !ValidKey(key))
      continue;
    bool seen = false;
    for (const auto& e : out) seen = seen || e.first == key;
    if (!seen) out.emplace_back(std::move(key), line[0]);
  }
  return out;
}

std::string FormatSaved(const Saved& saved) {
  std::string text(kHeader);
  text.push_back('\n');
  for (const auto& [key, letter] : saved) {
    text.push_back(letter);
    text.push_back(' ');
    text += EscapeKey(key);
    text.push_back('\n');
  }
  return text;
}

// The folder, opened without following a link at its last part; -1 when it
// is missing, a link, no folder, or not the user's own.
int OpenOwnFolder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid()) {
    close(fd);
    return -1;
  }
  return fd;
}

// Whoever may put a file into the program folder may as well replace the
// program, so the file there is trusted as the program is: unless every
// user may make files in that folder (then only the user's own, root's or
// the folder owner's counts), and never one that others than its owner may
// change.
bool TrustedShared(const struct stat& folder, const struct stat& file) {
  if ((file.st_mode & (S_IWGRP | S_IWOTH)) != 0) return false;
  if ((folder.st_mode & S_IWOTH) == 0) return true;
  return file.st_uid == geteuid() || file.st_uid == 0 || file.st_uid == folder.st_uid;
}

// The saved file's bytes; false when there is no file to use. `shared`:
// the program folder's status, for its file; null for the user's own file,
// which must be the user's.
bool ReadSavedText(int dirFd, const char* name, const struct stat* shared, std::string& text) {
  text.clear();
  int fd = openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
            (shared ? TrustedShared(*shared, st) : st.st_uid == geteuid()) &&
            static_cast<unsigned long long>(st.st_size) <= kMaxFileBytes;
  char buf[4096];
  while (ok) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    text.append(buf, static_cast<size_t>(n));
    ok = text.size() <= kMaxFileBytes;
  }
  close(fd);
  if (!ok) text.clear();
  return ok;
}

// Makes every missing folder of an absolute path, mode 0700.
void MakeFolders(const std::string& path) {
  for (size_t i = 1; i <= path.size(); ++i)
    if (i == path.size() || path[i] == '/') mkdir(path.substr(0, i).c_str(), 0700);
}

// "<name>.<pid>-<n>.tmp" of a process that is gone (killed while writing).
void RemoveStaleTemporaries(int dirFd, const char* fileName) {
  int fd = dup(dirFd);
  if (fd < 0) return;
  DIR* d = fdopendir(fd);
  if (!d) {
    close(fd);
    return;
  }
  const std::string prefix = std::string(fileName) + ".";
  while (dirent* e = readdir(d)) {
    std::string_view name(e->d_name);
    if (name.size() <= prefix.size() + 4 || name.substr(0, prefix.size()) != prefix ||
        name.substr(name.size() - 4) != ".tmp")
      continue;
    char* end = nullptr;
    const long pid = std::strtol(e->d_name + prefix.size(), &end, 10);
    if (pid <= 0 || *end != '-' || pid == getpid()) continue;
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) unlinkat(dirFd, e->d_name, 0);
  }
  closedir(d);
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Replaces the saved file `name` in the open folder through a temporary
// file beside it, made with `mode` whatever the umask; false when the file
// was not replaced (the old one stays as it was).
bool ReplaceSavedText(int dirFd, const char* name, const std::string& text, mode_t mode) {
  RemoveStaleTemporaries(dirFd, name);
  static std::atomic<unsigned> counter{0};
  char tmp[64];
  std::snprintf(tmp, sizeof tmp, "%s.%ld-%u.tmp", name, static_cast<long>(getpid()),
                counter.fetch_add(1) + 1);
  int fd = openat(dirFd, tmp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
  if (fd < 0) return false;
  bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, text) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && renameat(dirFd, tmp, dirFd, name) == 0;
  if (!ok) unlinkat(dirFd, tmp, 0);
  return ok;
}

// Replaces the user's own file. Failures leave the old file as it was; the
// letters of this run do not depend on it.
void WriteOwnText(const std::string& folder, const std::string& text) {
  const size_t slash = folder.rfind('/');
  if (slash != std::string::npos && slash > 0) MakeFolders(folder.substr(0, slash));
  mkdir(folder.c_str(), 0700);
  int dirFd = OpenOwnFolder(folder);
  if (dirFd < 0) return;
  ReplaceSavedText(dirFd, kOwnName, text, 0600);
  close(dirFd);
}

// The program folder's file for one look. Where the user may write the
// folder, it is read and replaced under a lock on the folder, so that two
// programs (of one user or of two) that look at the same time merge their
// volumes one after the other instead of the later one dropping what the
// earlier one added. A user who may not write it only reads it: a
// replacement is renamed into place whole, so no lock is needed for that.
class SharedFile {
 public:
  explicit SharedFile(const std::string& folder) {
    if (folder.empty()) return;
    dirFd_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st;
    if (dirFd_ < 0 || fstat(dirFd_, &st) != 0 || !S_ISDIR(st.st_mode)) return;
    writable_ = faccessat(dirFd_, ".", W_OK | X_OK, AT_EACCESS) == 0 && Lock();
    if (ReadSavedText(dirFd_, kSharedName, &st, text_)) saved = ParseSaved(text_);
  }
  ~SharedFile() {
    if (dirFd_ >= 0) close(dirFd_);  // and the lock with it
  }
  SharedFile(const SharedFile&) = delete;
  SharedFile& operator=(const SharedFile&) = delete;

  // This look writes the file (when it is to change).
  bool Writable() const { return writable_; }

  // False when the file could not be replaced.
  bool Write(const std::string& text) {
    if (!writable_) return false;
    return text == text_ || ReplaceSavedText(dirFd_, kSharedName, text, 0644);
  }

  Saved saved;

 private:
  // A writer holds the lock for a read, a write and a rename; one that
  // holds it longer (stopped, or on a stuck disk) costs this look its
  // write, not the program its paths. Where the file system has no such
  // locks the file is written without one, as a lone program does.
  bool Lock() {
    for (int tries = 0; tries < 200; ++tries) {
      if (flock(dirFd_, LOCK_EX | LOCK_NB) == 0) return true;
      if (errno == EINTR) continue;
      if (errno != EWOULDBLOCK) return true;
      usleep(10000);
    }
    return false;
  }

  int dirFd_ = -1;
  bool writable_ = false;
  std::string text_;
};

bool Names(const Saved& saved, const std::string& key) {
  for (const auto& e : saved)
    if (e.first == key) return true;
  return false;
}

std::mutex& ProgramFolderMutex() {
  static auto* m = new std::mutex;
  return *m;
}
std::string& ProgramFolderOverride() {
  static auto* s = new std::string;
  return *s;
}

}  // namespace

std::vector<DriveVolume> LetterVolumes(const std::vector<MountEntry>& mounts,
                                       const std::function<std::string(const std::string&)>& uuidOf) {
  std::map<std::string, const MountEntry*> byPoint;  // byte order of the mount point
  for (const MountEntry& m : mounts) {
    if (m.root != "/") continue;                                      // bind of a sub-folder or a file
    if (m.source.rfind("/dev/", 0) != 0) continue;                    // pseudo and network file systems
    if (m.fsType == "squashfs") continue;                             // package images
    if (m.mountPoint.size() < 2 || m.mountPoint[0] != '/') continue;  // "/" is C:
    byPoint[m.mountPoint] = &m;
  }
  std::vector<DriveVolume> out;
  std::vector<std::string> uuids;
  for (const auto& [point, m] : byPoint) {
    struct stat st;
    if (stat(point.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
    std::string uuid = uuidOf ? uuidOf(m->source) : std::string();
    if (!ValidKey("uuid:" + uuid)) uuid.clear();
    bool taken = false;
    for (const std::string& u : uuids) taken = taken || u == uuid;
    DriveVolume v;
    v.mountPoint = point;
    if (uuid.empty() || taken) {
      v.key = "path:" + point;
    } else {
      v.key = "uuid:" + uuid;
      uuids.push_back(std::move(uuid));
    }
    out.push_back(std::move(v));
  }
  return out;
}

std::string DriveLettersFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg == '/') return std::string(xdg) + "/quarvex";
  const char* home = std::getenv("HOME");
  if (home && *home == '/') return std::string(home) + "/.config/quarvex";
  return {};
}

std::string DriveLettersProgramFolder() {
  {
    std::lock_guard<std::mutex> lock(ProgramFolderMutex());
    if (!ProgramFolderOverride().empty()) return ProgramFolderOverride();
  }
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0 || buf[0] != '/') return {};
  std::string path(buf, static_cast<size_t>(n));
  const size_t slash = path.rfind('/');
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

void SetDriveLettersProgramFolderForTests(const std::string& folder) {
  std::lock_guard<std::mutex> lock(ProgramFolderMutex());
  ProgramFolderOverride() = folder;
}

DriveRoots DriveLetters::Assign(const std::vector<DriveVolume>& volumes) {
  SharedFile shared(sharedFolder_);
  std::string ownText;
  Saved own;
  if (!folder_.empty()) {
    int dirFd = OpenOwnFolder(folder_);
    if (dirFd >= 0) {
      if (ReadSavedText(dirFd, kOwnName, nullptr, ownText)) own = ParseSaved(ownText);
      close(dirFd);
    }
  }

  // What the program folder's file names is the machine's, as on Windows:
  // the user's own file adds only volumes it does not name, on letters it
  // gives no volume.
  std::array<bool, 26> sharedGives{};
  for (const auto& e : shared.saved) sharedGives[e.second - 'A'] = true;
  auto ownOnly = [&](const std::pair<std::string, char>& e) {
    return !sharedGives[e.second - 'A'] && !Names(shared.saved, e.first);
  };
  Saved saved = shared.saved;
  for (const auto& e : own)
    if (ownOnly(e)) saved.push_back(e);

  std::vector<char> letterOf(volumes.size(), 0);
  std::array<bool, 26> taken{};
  taken[0] = taken[1] = taken[2] = true;  // A: and B: are never given, C: is "/"
  auto give = [&](const std::string& key, char letter) {
    if (letter < 'D' || letter > 'Z' || taken[letter - 'A']) return;
    for (size_t i = 0; i < volumes.size(); ++i)
      if (!letterOf[i] && volumes[i].key == key) {
        letterOf[i] = letter;
        taken[letter - 'A'] = true;
        return;
      }
  };
  auto firstFree = [&](bool avoidShared) -> char {
    for (char letter = 'D'; letter <= 'Z'; ++letter)
      if (!taken[letter - 'A'] && !(avoidShared && sharedGives[letter - 'A'])) return letter;
    return 0;
  };
  // Letters held at the last look stay; then earlier letters come back,
  // the most recently held first; then new volumes take the first free one.
  // A user who cannot record a new volume in the program folder's file
  // keeps it in their own, which can hold only letters that file gives no
  // volume: those come first.
  for (const auto& [key, letter] : held_) give(key, letter);
  for (const auto& [key, letter] : saved) give(key, letter);
  for (size_t i = 0; i < volumes.size(); ++i) {
    if (letterOf[i]) continue;
    char letter = shared.Writable() ? 0 : firstFree(true);
    if (!letter) letter = firstFree(false);
    if (!letter) break;
    letterOf[i] = letter;
    taken[letter - 'A'] = true;
  }

  DriveRoots roots;
  roots['C' - 'A'].assign(1, '/');
  held_.clear();
  Saved next;
  for (char letter = 'D'; letter <= 'Z'; ++letter)
    for (size_t i = 0; i < volumes.size(); ++i)
      if (letterOf[i] == letter) {
        roots[letter - 'A'] = volumes[i].mountPoint;
        held_.emplace_back(volumes[i].key, letter);
        next.emplace_back(volumes[i].key, letter);
      }
  if (next.empty()) return roots;

  for (const auto& entry : saved) {
    if (next.size() >= kMaxRemembered) break;
    if (!Names(held_, entry.first)) next.push_back(entry);
  }
  if (shared.Write(FormatSaved(next)) || folder_.empty()) return roots;
  Saved mine;
  for (const auto& e : next)
    if (ownOnly(e)) mine.push_back(e);
  std::string text = FormatSaved(mine);
  if (text != ownText && !(mine.empty() && ownText.empty())) WriteOwnText(folder_, text);
  return roots;
}

}  // namespace qv
