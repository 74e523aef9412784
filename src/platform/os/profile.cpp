#include "platform/os/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/base/codepage.h"
#include "platform/os/files.h"
#include "platform/os/paths.h"
#include "platform/os/safefile.h"

namespace {

// Lines longer than this are taken for garbage; files larger than the cap
// are not settings files and are neither read nor rewritten.
constexpr size_t kMaxLine = 64 * 1024;
constexpr off_t kMaxFile = 64 * 1024 * 1024;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view Trim(std::string_view s) { return TrimRight(TrimLeft(s)); }

// Index of the first `ch` that stands as a single-byte character (never the
// trail byte of a double-byte one), or npos.
size_t FindSingle(std::string_view s, char ch) {
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == ch) return i;
    if (qv::IsCp932Lead(static_cast<unsigned char>(s[i]))) ++i;
  }
  return std::string_view::npos;
}

// The look-up form of a name: ASCII letters of single-byte characters in
// upper case; double-byte characters stay as they are.
std::string Fold(std::string_view s) {
  std::string out(s);
  for (size_t i = 0; i < out.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(out[i]);
    if (qv::IsCp932Lead(c)) {
      ++i;
    } else if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
  return out;
}

// Longest prefix of at most `n` bytes that does not end in the middle of a
// double-byte character.
size_t CharSafeCut(std::string_view s, size_t n) {
  if (n >= s.size()) return s.size();
  size_t i = 0;
  while (i < n) {
    const size_t step =
        (qv::IsCp932Lead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
    if (i + step > n) break;
    i += step;
  }
  return i;
}

bool HasControlByte(std::string_view s) {
  for (unsigned char c : s)
    if ((c < 0x20 && c != '\t') || c == 0x7F) return true;
  return false;
}

struct Line {
  uint32_t begin;    // first byte
  uint32_t end;      // end of the text, before CR LF or LF
  uint32_t next;     // first byte of the next line
};

struct Key {
  uint32_t name, nameLen, value, valueLen;
  uint32_t line;
  bool first;  // not shadowed by an earlier key of the same name
};

struct Section {
  uint32_t name, nameLen;
  uint32_t header;  // line of "[name]"
  uint32_t last;    // last non-blank line of the block (the header when empty)
  bool first;
  std::vector<Key> keys;
  std::unordered_map<std::string, uint32_t> index;  // folded name -> keys[i]
};

struct IniFile {
  std::string bytes;
  std::vector<Line> lines;
  std::vector<Section> sections;
  std::unordered_map<std::string, uint32_t> index;  // folded name -> sections[i]

  std::string_view View(uint32_t off, uint32_t len) const {
    return std::string_view(bytes).substr(off, len);
  }
  std::string_view Name(const Section& s) const { return View(s.name, s.nameLen); }
  std::string_view Name(const Key& k) const { return View(k.name, k.nameLen); }
  std::string_view Value(const Key& k) const { return View(k.value, k.valueLen); }

  const Section* FindSection(std::string_view name) const {
    auto it = index.find(Fold(name));
    return it == index.end() ? nullptr : &sections[it->second];
  }
  static const Key* FindKey(const Section& s, std::string_view name) {
    auto it = s.index.find(Fold(name));
    return it == s.index.end() ? nullptr : &s.keys[it->second];
  }
};

uint32_t Offset(const std::string& bytes, std::string_view part) {
  return static_cast<uint32_t>(part.data() - bytes.data());
}

std::shared_ptr<const IniFile> Parse(std::string bytes) {
  auto ini = std::make_shared<IniFile>();
  ini->bytes = std::move(bytes);
  const std::string& b = ini->bytes;
  Section* cur = nullptr;  // the last section so far
  size_t pos = 0;
  while (pos < b.size()) {
    size_t nl = b.find('\n', pos);
    const size_t next = nl == std::string::npos ? b.size() : nl + 1;
    size_t end = nl == std::string::npos ? b.size() : nl;
    if (end > pos && b[end - 1] == '\r') --end;
    const uint32_t lineNo = static_cast<uint32_t>(ini->lines.size());
    ini->lines.push_back({static_cast<uint32_t>(pos), static_cast<uint32_t>(end),
                          static_cast<uint32_t>(next)});
    const std::string_view text = TrimLeft(std::string_view(b).substr(pos, end - pos));
    pos = next;
    if (text.empty()) continue;
    const bool garbage = text.size() > kMaxLine || HasControlByte(text);
    if (!garbage && text.front() == '[') {
      std::string_view name = text.substr(1);
      name = Trim(name.substr(0, FindSingle(name, ']')));
      const uint32_t idx = static_cast<uint32_t>(ini->sections.size());
      const bool first = ini->index.emplace(Fold(name), idx).second;
      ini->sections.push_back({Offset(b, name), static_cast<uint32_t>(name.size()), lineNo,
                               lineNo, first, {}, {}});
      cur = &ini->sections.back();
      continue;
    }
    if (cur) cur->last = lineNo;
    if (garbage || text.front() == ';') continue;
    const size_t eq = FindSingle(text, '=');
    if (eq == std::string_view::npos || !cur) continue;
    const std::string_view name = TrimRight(text.substr(0, eq));
    if (name.empty()) continue;
    const std::string_view value = Trim(text.substr(eq + 1));
    const uint32_t k = static_cast<uint32_t>(cur->keys.size());
    const bool first = cur->index.emplace(Fold(name), k).second;
    cur->keys.push_back({Offset(b, name), static_cast<uint32_t>(name.size()), Offset(b, value),
                         static_cast<uint32_t>(value.size()), lineNo, first});
  }
  return ini;
}

// What identifies one state of a file on disk: the file itself, its size
// and its modification time to the nanosecond. A writer that replaces the
// file (as this one does) gives it a new identity; one that writes in place
// changes the modification time.
struct FileId {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  timespec mtim{};

  explicit FileId(const struct stat& st) : dev(st.st_dev), ino(st.st_ino), size(st.st_size), mtim(st.st_mtim) {}
  bool operator==(const FileId& o) const {
    return dev == o.dev && ino == o.ino && size == o.size && mtim.tv_sec == o.mtim.tv_sec &&
           mtim.tv_nsec == o.mtim.tv_nsec;
  }
};

struct CacheEntry {
  FileId id;
  std::shared_ptr<const IniFile> ini;
};

// Parsed files by Linux path. Settings files are few; the bound only keeps
// a program that touches many ini files from growing without end.
constexpr size_t kMaxCached = 32;
std::mutex g_mutex;
std::unordered_map<std::string, CacheEntry>& Cache() {
  static auto* cache = new std::unordered_map<std::string, CacheEntry>();
  return *cache;
}

void Remember(const std::string& osPath, const struct stat& st,
              std::shared_ptr<const IniFile> ini) {
  auto& cache = Cache();
  if (cache.size() >= kMaxCached && cache.find(osPath) == cache.end()) cache.clear();
  cache.insert_or_assign(osPath, CacheEntry{FileId(st), std::move(ini)});
}

struct Loaded {
  std::string osPath;
  std::shared_ptr<const IniFile> ini;  // empty file when it does not exist
};

const std::shared_ptr<const IniFile>& EmptyIni() {
  static const auto* empty = new std::shared_ptr<const IniFile>(Parse(std::string()));
  return *empty;
}

// The parsed file, from the cache while the file on disk is the same.
// A missing file is an empty one; any other failure returns false with
// the last error set. Called with g_mutex held.
bool LoadLocked(const char* file, Loaded& out) {
  if (!file || !qv::ToOsPath(file, out.osPath)) {
    if (!file) SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  struct stat st;
  if (stat(out.osPath.c_str(), &st) != 0) {
    if (errno != ENOENT) {
      SetLastError(qv::WinErrorFromErrno(errno));
      return false;
    }
    out.ini = EmptyIni();
    return true;
  }
  if (!S_ISREG(st.st_mode)) {  // a folder, or a pipe that would block the open
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  auto& cache = Cache();
  auto it = cache.find(out.osPath);
  if (it != cache.end() && it->second.id == FileId(st)) {
    out.ini = it->second.ini;
    return true;
  }
  const int fd = qv::OpenOsFile(out.osPath, O_RDONLY);
  if (fd < 0) {
    SetLastError(qv::WinErrorFromErrno(errno));
    return false;
  }
  std::string bytes;
  bool ok = fstat(fd, &st) == 0;
  if (ok && (!S_ISREG(st.st_mode) || st.st_size > kMaxFile)) {
    ok = false;
    errno = S_ISREG(st.st_mode) ? EFBIG : EISDIR;
  }
  if (ok) {
    bytes.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < bytes.size()) {
      const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) ok = false;  // a part of the file unread must never be written back short
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    bytes.resize(got);
  }
  const int err = errno;
  close(fd);
  if (!ok) {
    SetLastError(qv::WinErrorFromErrno(err));
    return false;
  }
  out.ini = Parse(std::move(bytes));
  Remember(out.osPath, st, out.ini);
  return true;
}

// Copies one text; the result is the bytes copied.
DWORD CopyText(std::string_view s, LPSTR buf, DWORD size) {
  const size_t n = CharSafeCut(s, size - 1);
  memcpy(buf, s.data(), n);
  buf[n] = '\0';
  return static_cast<DWORD>(n);
}

// Copies zero-terminated names and one more zero. When they do not fit,
// the last name that begins is cut, the buffer ends in two zeros and the
// result is size-2.
DWORD CopyList(const std::vector<std::string_view>& names, LPSTR buf, DWORD size) {
  if (size < 2) {
    buf[0] = '\0';
    return 0;
  }
  char* p = buf;
  size_t room = size - 1;  // the final zero always has its place
  for (std::string_view name : names) {
    if (name.size() + 1 > room) {
      const size_t n = room > 0 ? CharSafeCut(name, room - 1) : 0;
      memcpy(p, name.data(), n);
      memset(p + n, 0, static_cast<size_t>(buf + size - (p + n)));
      return size - 2;
    }
    memcpy(p, name.data(), name.size());
    p += name.size();
    *p++ = '\0';
    room -= name.size() + 1;
  }
  *p = '\0';
  return static_cast<DWORD>(p - buf);
}

std::string_view StripQuotes(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

// True when the last byte of `s` is a lead byte without its trail byte: the
// reader would take the ']' or '=' after it for the trail byte.
bool EndsInLoneLead(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) i += qv::IsCp932Lead(static_cast<unsigned char>(s[i])) ? 2 : 1;
  return i > s.size();
}

// The reader takes a line with a control byte or of more than kMaxLine bytes
// for garbage, so such a section, key or value would be written and then
// never found again; so would a name ending in half a character.
bool ValidForWrite(std::string_view section, const char* key, const char* value) {
  if (HasControlByte(section) || section.size() + 2 > kMaxLine ||
      FindSingle(section, ']') != std::string_view::npos || EndsInLoneLead(section))
    return false;
  if (key) {
    const std::string_view k = Trim(key);
    if (k.empty() || HasControlByte(k) || FindSingle(k, '=') != std::string_view::npos ||
        k.front() == '[' || k.front() == ';' || EndsInLoneLead(k))
      return false;
    if (value && (HasControlByte(value) || k.size() + 1 + strlen(value) > kMaxLine)) return false;
  }
  return true;
}

// Ends the last line of `out` (when it is not ended) before a line is
// added: a last line ending in a bare CR gets the LF it lacks, so the line
// keeps its text instead of gaining a second CR, which would make it garbage.
void EndLastLine(std::string& out) {
  if (out.empty() || out.back() == '\n') return;
  out.append(out.back() == '\r' ? "\n" : "\r\n");
}

bool LastLineBlank(std::string_view bytes) {
  // `bytes` ends with '\n'.
  const size_t start = bytes.rfind('\n', bytes.size() - 2);
  std::string_view last = bytes.substr(start == std::string_view::npos ? 0 : start + 1);
  return last.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// The file's new content, or false when the request changes nothing.
bool Edit(const IniFile& ini, std::string_view section, const char* key, const char* value,
          std::string& out) {
  const std::string_view b(ini.bytes);
  const Section* s = ini.FindSection(section);
  auto cut = [&](uint32_t from, uint32_t to) {  // drop bytes [from, to)
    out.reserve(b.size());
    out.append(b.substr(0, from)).append(b.substr(to));
  };
  if (!key) {
    if (!s) return false;
    cut(ini.lines[s->header].begin, ini.lines[s->last].next);
    return true;
  }
  const std::string_view k = Trim(key);
  const Key* found = s ? IniFile::FindKey(*s, k) : nullptr;
  if (!value) {
    if (!found) return false;
    cut(ini.lines[found->line].begin, ini.lines[found->line].next);
    return true;
  }
  const std::string_view v(value);
  out.reserve(b.size() + k.size() + v.size() + section.size() + 8);
  if (found) {
    if (ini.Value(*found) == v) return false;
    const Line& line = ini.lines[found->line];
    out.append(b.substr(0, line.begin)).append(ini.Name(*found)).append("=").append(v);
    out.append(b.substr(line.end));
    return true;
  }
  if (s) {
    const uint32_t at = ini.lines[s->last].next;
    out.append(b.substr(0, at));
    EndLastLine(out);
    out.append(k).append("=").append(v).append("\r\n").append(b.substr(at));
    return true;
  }
  out.append(b);
  if (!out.empty()) {
    EndLastLine(out);
    if (!LastLineBlank(out)) out.append("\r\n");
  }
  out.append("[").append(section).append("]\r\n");
  out.append(k).append("=").append(v).append("\r\n");
  return true;
}

// Replaces the file by a temporary file of the same folder, so a reader
// sees either the old or the new content (the documents' safe replacement:
// a short temporary name whatever the file's, links followed to their
// targets, permission bits kept, a read-only file refused).
bool ReplaceFile(const std::string& osPath, const std::string& bytes, struct stat& newSt) {
  const qv::FileResult r = qv::ReplaceOsFile(osPath, bytes.data(), bytes.size());
  if (!r.ok()) {
    SetLastError(r.osError == ENOENT ? ERROR_PATH_NOT_FOUND : qv::WinErrorFromErrno(r.osError));
    return false;
  }
  if (stat(osPath.c_str(), &newSt) != 0) memset(&newSt, 0, sizeof newSt);
  return true;
}

}  // namespace

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR def, LPSTR buf, DWORD size,
                               LPCSTR file) {
  if (!buf || size == 0) return 0;
  Loaded f;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!LoadLocked(file, f)) f.ini = EmptyIni();
  }
  const IniFile& ini = *f.ini;
  const std::string_view deflt = TrimRight(def ? def : "");
  std::vector<std::string_view> names;
  if (!section) {
    for (const Section& s : ini.sections)
      if (s.first) names.push_back(ini.Name(s));
    return CopyList(names, buf, size);
  }
  const Section* s = ini.FindSection(Trim(section));
  if (!key) {
    if (s) {
      for (const Key& k : s->keys)
        if (k.first) names.push_back(ini.Name(k));
    }
    if (!names.empty()) return CopyList(names, buf, size);
    const DWORD n = CopyText(deflt, buf, size);
    if (n + 1 < size) buf[n + 1] = '\0';
    return n;
  }
  const Key* k = s ? IniFile::FindKey(*s, Trim(key)) : nullptr;
  return CopyText(k ? StripQuotes(ini.Value(*k)) : deflt, buf, size);
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT def, LPCSTR file) {
  if (!section || !key) return static_cast<UINT>(def);
  char text[30];
  if (GetPrivateProfileStringA(section, key, "", text, sizeof text, file) == 0)
    return static_cast<UINT>(def);
  const char* p = text;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  UINT n = 0;
  for (; *p >= '0' && *p <= '9'; ++p) n = n * 10u + static_cast<UINT>(*p - '0');
  return negative ? 0u - n : n;
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file) {
  if (!section || !file) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::string_view sec = Trim(section);
  if (!ValidForWrite(sec, key, value)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(g_mutex);
  Loaded f;
  if (!LoadLocked(file, f)) return FALSE;
  std::string bytes;
  if (!Edit(*f.ini, sec, key, value, bytes)) return TRUE;
  struct stat st;
  if (!ReplaceFile(f.osPath, bytes, st)) return FALSE;
  if (st.st_ino != 0) Remember(f.osPath, st, Parse(std::move(bytes)));
  return TRUE;
}
