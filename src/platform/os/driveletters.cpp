#include "platform/os/driveletters.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string_view>

namespace qv {
namespace {

constexpr char kFileName[] = "drives";
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

// The saved file's bytes; false when there is no file to use.
bool ReadSavedText(int dirFd, std::string& text) {
  text.clear();
  int fd = openat(dirFd, kFileName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid() &&
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

// "drives.<pid>-<n>.tmp" of a process that is gone (killed while writing).
void RemoveStaleTemporaries(int dirFd) {
  int fd = dup(dirFd);
  if (fd < 0) return;
  DIR* d = fdopendir(fd);
  if (!d) {
    close(fd);
    return;
  }
  const std::string prefix = std::string(kFileName) + ".";
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

// Replaces the saved file through a temporary file beside it. Failures
// leave the old file as it was; the letters of this run do not depend on it.
void WriteSavedText(const std::string& folder, const std::string& text) {
  const size_t slash = folder.rfind('/');
  if (slash != std::string::npos && slash > 0) MakeFolders(folder.substr(0, slash));
  mkdir(folder.c_str(), 0700);
  int dirFd = OpenOwnFolder(folder);
  if (dirFd < 0) return;
  RemoveStaleTemporaries(dirFd);
  static std::atomic<unsigned> counter{0};
  char tmp[64];
  std::snprintf(tmp, sizeof tmp, "%s.%ld-%u.tmp", kFileName, static_cast<long>(getpid()),
                counter.fetch_add(1) + 1);
  int fd = openat(dirFd, tmp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd >= 0) {
    bool ok = WriteAll(fd, text) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok || renameat(dirFd, tmp, dirFd, kFileName) != 0) unlinkat(dirFd, tmp, 0);
  }
  close(dirFd);
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

DriveRoots DriveLetters::Assign(const std::vector<DriveVolume>& volumes) {
  std::string fileText;
  Saved saved;
  if (!folder_.empty()) {
    int dirFd = OpenOwnFolder(folder_);
    if (dirFd >= 0) {
      if (ReadSavedText(dirFd, fileText)) saved = ParseSaved(fileText);
      close(dirFd);
    }
  }

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
  // Letters held at the last look stay; then earlier letters come back,
  // the most recently held first; then new volumes take the first free one.
  for (const auto& [key, letter] : held_) give(key, letter);
  for (const auto& [key, letter] : saved) give(key, letter);
  for (size_t i = 0; i < volumes.size(); ++i) {
    if (letterOf[i]) continue;
    for (char letter = 'D'; letter <= 'Z'; ++letter)
      if (!taken[letter - 'A']) {
        letterOf[i] = letter;
        taken[letter - 'A'] = true;
        break;
      }
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
  if (folder_.empty() || next.empty()) return roots;

  for (const auto& entry : saved) {
    if (next.size() >= kMaxRemembered) break;
    bool mounted = false;
    for (const auto& h : held_) mounted = mounted || h.first == entry.first;
    if (!mounted) next.push_back(entry);
  }
  std::string text = FormatSaved(next);
  if (text != fileText) WriteSavedText(folder_, text);
  return roots;
}

}  // namespace qv
