#include "platform/os/paths.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/base/codepage.h"
#include "platform/base/wintypes.h"
#include "platform/os/driveletters.h"
#include "platform/os/nameindex.h"
#include "platform/os/volume.h"

namespace qv {
namespace {

using RootTable = DriveRoots;

bool IsSep(char c) { return c == '/' || c == '\\'; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsUpper(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  return true;
}

// "/a//b/" -> "/a/b" (the root stays "/").
std::string TrimRoot(std::string_view root) {
  std::string out;
  for (char c : root) {
    if (c == '/' && !out.empty() && out.back() == '/') continue;
    out.push_back(c);
  }
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

// Mount points in /proc/self/mountinfo escape space, tab, newline and
// backslash as \ooo.
std::string UnescapeMountField(std::string_view f) {
  std::string out;
  out.reserve(f.size());
  for (size_t i = 0; i < f.size(); ++i) {
    if (f[i] == '\\' && i + 3 < f.size() && f[i + 1] >= '0' && f[i + 1] <= '3' &&
        f[i + 2] >= '0' && f[i + 2] <= '7' && f[i + 3] >= '0' && f[i + 3] <= '7') {
      out.push_back(static_cast<char>((f[i + 1] - '0') * 64 + (f[i + 2] - '0') * 8 + (f[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(f[i]);
    }
  }
  return out;
}

std::vector<std::string_view> SplitSpaces(std::string_view line) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    size_t j = i;
    while (j < line.size() && line[j] != ' ') ++j;
    if (j > i) out.push_back(line.substr(i, j - i));
    i = j;
  }
  return out;
}

std::string ReadWholeFd(int fd) {
  std::string text;
  if (fd < 0 || lseek(fd, 0, SEEK_SET) != 0) return text;
  char buf[8192];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buf, static_cast<size_t>(n));
  }
  return text;
}

// "C=/;T=/tmp/run1". Entries that are not letter '=' absolute path are
// ignored. C: stays "/" unless named.
RootTable ParseOverride(std::string_view v) {
  RootTable t;
  t['C' - 'A'] = "/";
  size_t pos = 0;
  while (pos <= v.size()) {
    size_t end = v.find(';', pos);
    if (end == std::string_view::npos) end = v.size();
    std::string_view e = v.substr(pos, end - pos);
    pos = end + 1;
    while (!e.empty() && e.front() == ' ') e.remove_prefix(1);
    if (e.size() >= 3 && IsAsciiLetter(e[0]) && e[1] == '=' && e[2] == '/')
      t[UpperAscii(e[0]) - 'A'] = TrimRoot(e.substr(2));
  }
  return t;
}

class DriveState {
 public:
  std::shared_ptr<const RootTable> Get() {
    std::lock_guard<std::mutex> lock(mu_);
    const char* env = getenv("QUARVEX_DRIVES");
    if (env && *env) {
      if (!override_ || overrideText_ != env) {
        overrideText_ = env;
        override_ = std::make_shared<const RootTable>(ParseOverride(overrideText_));
      }
      return override_;
    }
    if (!mounts_ || MountsChanged()) mounts_ = std::make_shared<const RootTable>(ReadMounts());
    return mounts_;
  }

  void Reset() {
    std::lock_guard<std::mutex> lock(mu_);
    override_.reset();
    overrideText_.clear();
    mounts_.reset();
    letters_.reset();
  }

 private:
  // The kernel marks the open mount table with POLLPRI once a mount or an
  // unmount happens after our last look.
  bool MountsChanged() {
    if (fd_ < 0) return true;
    pollfd p{fd_, POLLPRI, 0};
    return poll(&p, 1, 0) > 0 && (p.revents & (POLLPRI | POLLERR)) != 0;
  }

  RootTable ReadMounts() {
    if (fd_ < 0) fd_ = open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (!letters_) letters_ = std::make_unique<DriveLetters>(DriveLettersFolder(), DriveLettersProgramFolder());
    return letters_->Assign(LetterVolumes(ParseMountTable(ReadWholeFd(fd_)), VolumeUuid));
  }

  std::mutex mu_;
  std::string overrideText_;
  std::shared_ptr<const RootTable> override_;
  std::shared_ptr<const RootTable> mounts_;
  std::unique_ptr<DriveLetters> letters_;  // which volume held which letter
  int fd_ = -1;
};

DriveState& State() {
  static DriveState* s = new DriveState;  // outlives every static user
  return *s;
}

bool Exists(const std::string& p) {
  struct stat st;
  return lstat(p.empty() ? "." : p.c_str(), &st) == 0;
}

// First name in `dir` (byte order) equal to `name` without regard to case,
// from the folder's remembered names while its times say they are still
// the names on disk (nameindex.h).
bool FindFolded(const std::string& dir, std::string_view name, std::string& found) {
  return FindFoldedName(dir, name, found) == FoldedName::found;
}

std::string Join(const std::string& base, std::string_view comp) {
  std::string out;
  out.reserve(base.size() + comp.size() + 1);
  out = base;
  if (!out.empty() && out.back() != '/') out.push_back('/');
  out.append(comp);
  return out;
}

// Rebuilds `root` + components, resolving each missing component by a
// case-blind scan of its folder.
std::string ResolveFolded(const std::string& root, const std::vector<std::string_view>& comps,
                          bool trailing) {
  std::string base = root;
  size_t i = 0;
  for (; i < comps.size(); ++i) {
    std::string next = Join(base, comps[i]);
    if (comps[i] == ".." || Exists(next)) {
      base = std::move(next);
      continue;
    }
    std::string found;
    if (!FindFolded(base, comps[i], found)) break;
    base = Join(base, found);
  }
  for (; i < comps.size(); ++i) {
    if (!base.empty() && base.back() != '/') base.push_back('/');
    base.append(comps[i]);
  }
  if (trailing && !comps.empty()) base.push_back('/');
  return base;
}

// The upper-case partner of a code point that has one among the letters of
// code page 932 (NTFS also maps the final sigma, which code page 932 lacks).
char32_t UpcaseCodePoint(char32_t c) {
  if (c >= U'a' && c <= U'z') return c - 0x20;
  if (c < 0x3B1) return c;
  if (c <= 0x3C9) return c == 0x3C2 ? 0x3A3 : c - 0x20;  // α-ω
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;           // а-я
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;           // ѐ-џ (ё)
  if (c >= 0x2170 && c <= 0x217F) return c - 0x10;         // ⅰ-ⅿ
  if (c >= 0xFF41 && c <= 0xFF5A) return c - 0x20;         // ａ-ｚ
  return c;
}

}  // namespace

std::string UpcaseName(std::string_view utf8Name) {
  std::string out(utf8Name);
  size_t i = 0;
  while (i < out.size()) {
    const unsigned char c = static_cast<unsigned char>(out[i]);
    if (c < 0x80) {
      if (c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - 0x20);
      ++i;
      continue;
    }
    // Only two- and three-byte sequences hold letters with a case here.
    const size_t n = c >= 0xE0 && c < 0xF0 ? 3 : c >= 0xC0 && c < 0xE0 ? 2 : 1;
    bool valid = n > 1 && i + n <= out.size();
    for (size_t k = 1; valid && k < n; ++k)
      valid = (static_cast<unsigned char>(out[i + k]) & 0xC0) == 0x80;
    if (!valid) {
      ++i;
      continue;
    }
    char32_t cp = c & (n == 2 ? 0x1F : 0x0F);
    for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(out[i + k]) & 0x3F);
    const char32_t up = UpcaseCodePoint(cp);
    if (up != cp) {  // same length: the partners lie in the same UTF-8 range
      for (size_t k = n - 1; k > 0; --k) {
        out[i + k] = static_cast<char>(0x80 | ((up >> (6 * (n - 1 - k))) & 0x3F));
      }
      out[i] = static_cast<char>((n == 2 ? 0xC0 : 0xE0) | (up >> (6 * (n - 1))));
    }
    i += n;
  }
  return out;
}

namespace {

bool ConvertPath(const char* winPath, std::string& osPath, bool resolve) {
  osPath.clear();
  if (!winPath) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (*winPath == '\0') {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  std::string s;
  if (!Cp932ToUtf8(winPath, s)) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return false;
  }
  std::string root;  // empty: relative to the current folder
  size_t start = 0;
  if (s.size() >= 2 && IsAsciiLetter(s[0]) && s[1] == ':') {
    std::shared_ptr<const RootTable> t = State().Get();
    root = (*t)[UpperAscii(s[0]) - 'A'];
    if (root.empty()) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return false;
    }
    start = 2;
  } else if (s[0] == '\\' && s.size() >= 2 && IsSep(s[1])) {
    SetLastError(ERROR_PATH_NOT_FOUND);  // UNC: no network names here
    return false;
  } else if (s[0] == '\\') {
    std::shared_ptr<const RootTable> t = State().Get();
    root = (*t)['C' - 'A'];
  } else if (s[0] == '/') {
    root = "/";
  }
  const bool absolute = !root.empty();

  std::vector<std::string_view> comps;
  std::string_view rest(s);
  rest.remove_prefix(start);
  const bool trailing = !rest.empty() && IsSep(rest.back());
  size_t i = 0;
  while (i < rest.size()) {
    while (i < rest.size() && IsSep(rest[i])) ++i;
    size_t j = i;
    while (j < rest.size() && !IsSep(rest[j])) ++j;
    if (j > i) {
      std::string_view c = rest.substr(i, j - i);
      if (c == ".") {
        // nothing
      } else if (c == ".." && absolute) {
        if (!comps.empty()) comps.pop_back();
      } else if (c == ".." && !comps.empty() && comps.back() != "..") {
        comps.pop_back();
      } else {
        comps.push_back(c);
      }
    }
    i = j;
  }

  std::string written = root;
  written.reserve(rest.size() + root.size() + 1);
  for (std::string_view c : comps) {
    if (!written.empty() && written.back() != '/') written.push_back('/');
    written.append(c);
  }
  if (written.empty()) written = ".";
  if (trailing && !comps.empty()) written.push_back('/');
  if (written.size() >= PATH_MAX) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }

  struct stat st;
  if (!resolve || comps.empty() || lstat(written.c_str(), &st) == 0 || (errno != ENOENT && errno != ENOTDIR)) {
    osPath = std::move(written);
    return true;
  }
  // Mostly only the last name is missing (a file about to be made): when
  // its folder is there as written, every level above it is too, and only
  // that name is looked for without regard to case.
  if (!trailing && std::find(comps.begin(), comps.end(), std::string_view("..")) == comps.end()) {
    std::string parent = root;
    for (size_t i = 0; i + 1 < comps.size(); ++i) {
      if (!parent.empty() && parent.back() != '/') parent.push_back('/');
      parent.append(comps[i]);
    }
    // (The status query of the folder is the look-up's own. A folder that
    // has none, a link to nothing among them, is resolved level by level,
    // which leaves the same path as written.)
    std::string found;
    switch (FindFoldedName(parent, comps.back(), found)) {
      case FoldedName::found:
        osPath = Join(parent, found);
        return true;
      case FoldedName::notFound:
        osPath = std::move(written);
        return true;
      case FoldedName::noFolder:
        break;
    }
  }
  osPath = ResolveFolded(root, comps, trailing);
  if (osPath.empty()) osPath = ".";
  return true;
}

}  // namespace

bool ToOsPath(const char* winPath, std::string& osPath) { return ConvertPath(winPath, osPath, true); }

bool ToOsPathAsWritten(const char* winPath, std::string& osPath) { return ConvertPath(winPath, osPath, false); }

bool OsNameToCp932(std::string_view utf8Name, std::string& cp932Name) {
  std::string back;
  if (utf8Name.find('\\') != std::string_view::npos || !Utf8ToCp932(utf8Name, cp932Name) ||
      !Cp932ToUtf8(cp932Name, back) || back != utf8Name) {
    cp932Name.clear();
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return false;
  }
  return true;
}

bool FromOsPath(std::string_view osPath, std::string& winPath) {
  winPath.clear();
  if (osPath.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  // Fold repeated separators; no trailing one except on the root.
  std::string p;
  p.reserve(osPath.size());
  for (char c : osPath) {
    if (c == '/' && !p.empty() && p.back() == '/') continue;
    p.push_back(c);
  }
  if (p.size() > 1 && p.back() == '/') p.pop_back();

  std::string_view rest = p;
  std::string prefix;
  if (p[0] == '/') {
    std::shared_ptr<const RootTable> t = State().Get();
    int best = -1;
    size_t bestLen = 0;
    for (int k = 0; k < 26; ++k) {
      const std::string& r = (*t)[k];
      if (r.empty()) continue;
      bool match = r == "/" || p == r || (p.size() > r.size() && p.compare(0, r.size(), r) == 0 &&
                                         p[r.size()] == '/');
      size_t len = r == "/" ? 0 : r.size();
      if (match && (best < 0 || len > bestLen)) {
        best = k;
        bestLen = len;
      }
    }
    if (best < 0) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return false;
    }
    rest.remove_prefix(bestLen);
    while (!rest.empty() && rest.front() == '/') rest.remove_prefix(1);
    prefix.push_back(static_cast<char>('A' + best));
    prefix += ":\\";
  }
  std::string conv;
  if (!OsNameToCp932(rest, conv)) return false;
  for (char& c : conv)
    if (c == '/') c = '\\';  // '/' is ASCII and never a trail byte
  winPath = prefix + conv;
  return true;
}

std::string ToProgramPath(std::string_view path) {
  if (path.empty() || path[0] != '/') return std::string(path);
  // Names of the path, cut at separators that are no trail byte.
  std::vector<std::string_view> names;
  size_t i = 0;
  while (i < path.size()) {
    while (i < path.size() && IsSep(path[i])) ++i;
    size_t j = i;
    while (j < path.size() && !IsSep(path[j])) j += IsCp932Lead(static_cast<unsigned char>(path[j])) ? 2 : 1;
    if (j > path.size()) j = path.size();
    const std::string_view name = path.substr(i, j - i);
    if (name == "..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != ".") {
      names.push_back(name);
    }
    i = j;
  }
  const bool trailing = EndsWithSeparator(path);

  // The longest drive root whose names begin the path (the first letter
  // among equals, as FromOsPath picks it).
  std::vector<std::string> utf8(names.size());
  std::vector<bool> converted(names.size(), false);
  int best = -1;
  size_t bestNames = 0;
  std::shared_ptr<const RootTable> t = State().Get();
  for (int k = 0; k < 26; ++k) {
    const std::string& root = (*t)[k];
    if (root.empty()) continue;
    size_t count = 0;
    bool match = true;
    for (size_t at = 0; at < root.size() && match;) {
      while (at < root.size() && root[at] == '/') ++at;
      if (at >= root.size()) break;
      size_t end = root.find('/', at);
      if (end == std::string::npos) end = root.size();
      if (count >= names.size()) {
        match = false;
        break;
      }
      if (!converted[count]) {
        if (!Cp932ToUtf8(names[count], utf8[count])) utf8[count].clear();
        converted[count] = true;
      }
      match = !utf8[count].empty() && std::string_view(root).substr(at, end - at) == utf8[count];
      ++count;
      at = end;
    }
    if (match && (best < 0 || count > bestNames)) {
      best = k;
      bestNames = count;
    }
  }
  if (best < 0) return std::string(path);

  std::string out;
  out.push_back(static_cast<char>('A' + best));
  out += ":\\";
  for (size_t k = bestNames; k < names.size(); ++k) {
    if (k > bestNames) out.push_back('\\');
    out.append(names[k]);
  }
  if (trailing && names.size() > bestNames) out.push_back('\\');
  return out;
}

std::vector<std::pair<char, std::string>> DriveMap() {
  std::shared_ptr<const RootTable> t = State().Get();
  std::vector<std::pair<char, std::string>> out;
  for (int k = 0; k < 26; ++k)
    if (!(*t)[k].empty()) out.emplace_back(static_cast<char>('A' + k), (*t)[k]);
  return out;
}

bool DriveRoot(char letter, std::string& osRoot) {
  osRoot.clear();
  if (!IsAsciiLetter(letter)) return false;
  std::shared_ptr<const RootTable> t = State().Get();
  osRoot = (*t)[UpperAscii(letter) - 'A'];
  return !osRoot.empty();
}

std::string WinDriveRoot(std::string_view winPath) {
  if (winPath.size() < 2 || !IsAsciiLetter(winPath[0]) || winPath[1] != ':') return {};
  std::string r;
  r.push_back(UpperAscii(winPath[0]));
  r += ":\\";
  return r;
}

bool IsWinDriveRoot(std::string_view winPath) {
  if (winPath.size() < 2 || !IsAsciiLetter(winPath[0]) || winPath[1] != ':') return false;
  return winPath.size() == 2 || (winPath.size() == 3 && IsSep(winPath[2]));
}

bool EndsWithSeparator(std::string_view winPath) {
  if (winPath.empty() || !IsSep(winPath.back())) return false;
  // Walk the double-byte characters from the start: only then is it known
  // whether the last byte is a trail byte.
  size_t i = 0;
  const size_t last = winPath.size() - 1;
  while (i < last) {
    if (IsCp932Lead(static_cast<unsigned char>(winPath[i]))) {
      if (i + 1 == last) return false;  // the separator is a trail byte
      i += 2;
    } else {
      ++i;
    }
  }
  return true;
}

bool DropExeSuffixIfMissing(std::string& osPath) {
  if (osPath.size() < 5) return false;
  std::string_view tail(osPath.data() + osPath.size() - 4, 4);
  if (!EqualsUpper(tail, ".EXE") || osPath[osPath.size() - 5] == '/') return false;
  struct stat st;
  if (stat(osPath.c_str(), &st) == 0) return false;
  std::string bare = osPath.substr(0, osPath.size() - 4);
  if (stat(bare.c_str(), &st) != 0) return false;
  osPath = std::move(bare);
  return true;
}

void ResetDriveMap() { State().Reset(); }

std::vector<MountEntry> ParseMountTable(std::string_view text) {
  std::vector<MountEntry> out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    std::vector<std::string_view> f = SplitSpaces(line);
    // id parent maj:min root mount-point options [optional...] - type source super
    size_t dash = 0;
    for (size_t i = 6; i < f.size(); ++i)
      if (f[i] == "-") {
        dash = i;
        break;
      }
    if (dash == 0 || dash + 2 >= f.size()) continue;
    MountEntry m;
    m.root = UnescapeMountField(f[3]);
    m.mountPoint = UnescapeMountField(f[4]);
    m.fsType.assign(f[dash + 1]);
    m.source = UnescapeMountField(f[dash + 2]);
    out.push_back(std::move(m));
  }
  return out;
}

std::vector<MountEntry> ReadMountTable() {
  int fd = open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
  std::string text = ReadWholeFd(fd);
  if (fd >= 0) close(fd);
  return ParseMountTable(text);
}

std::vector<std::pair<char, std::string>> DriveMapFromMountTable(std::string_view mountinfoText) {
  RootTable t = DriveLetters(std::string()).Assign(LetterVolumes(ParseMountTable(mountinfoText), nullptr));
  std::vector<std::pair<char, std::string>> out;
  for (int k = 0; k < 26; ++k)
    if (!t[k].empty()) out.emplace_back(static_cast<char>('A' + k), t[k]);
  return out;
}

}  // namespace qv
