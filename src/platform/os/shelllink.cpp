#include "platform/os/shelllink.h"

#include <cstring>
#include <string_view>

#include "platform/base/codepage.h"
#include "platform/os/files.h"
#include "platform/os/safefile.h"
#include "platform/os/volume.h"

namespace {

// Link flags of the header.
constexpr DWORD kHasLinkInfo = 0x00000002;
constexpr DWORD kHasName = 0x00000004;
constexpr DWORD kHasRelativePath = 0x00000008;
constexpr DWORD kHasWorkingDir = 0x00000010;
constexpr DWORD kHasArguments = 0x00000020;
constexpr DWORD kHasIconLocation = 0x00000040;
constexpr DWORD kIsUnicode = 0x00000080;

constexpr BYTE kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// {20D04FE0-3AEA-1069-A2D8-08002B30309D}, the "My Computer" root item.
constexpr BYTE kMyComputerClsid[16] = {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                       0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};

constexpr DWORD kDriveFixed = 3;

WORD Le16(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }
DWORD Le32(const BYTE* p) {
  return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
         (static_cast<DWORD>(p[3]) << 24);
}

void Put16(std::vector<BYTE>& b, WORD v) {
  b.push_back(static_cast<BYTE>(v));
  b.push_back(static_cast<BYTE>(v >> 8));
}
void Put32(std::vector<BYTE>& b, DWORD v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<BYTE>(v >> (8 * i)));
}
void Set32(std::vector<BYTE>& b, size_t at, DWORD v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<BYTE>(v >> (8 * i));
}
void PutZ(std::vector<BYTE>& b, std::string_view s) {
  b.insert(b.end(), s.begin(), s.end());
  b.push_back(0);
}

// UTF-8 -> UTF-16 code units; the input comes from the strict code page
// conversion, so it is well formed.
std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    char32_t cp;
    size_t n;
    if (c < 0x80) {
      cp = c;
      n = 1;
    } else if (c < 0xE0) {
      cp = c & 0x1F;
      n = 2;
    } else if (c < 0xF0) {
      cp = c & 0x0F;
      n = 3;
    } else {
      cp = c & 0x07;
      n = 4;
    }
    for (size_t k = 1; k < n && i + k < s.size(); ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    i += n;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

// UTF-16LE bytes (no terminator) -> UTF-8; false on an unpaired surrogate.
bool Utf16LeToUtf8(const BYTE* p, size_t units, std::string& out) {
  out.clear();
  for (size_t i = 0; i < units; ++i) {
    char32_t cp = Le16(p + 2 * i);
    if (cp >= 0xD800 && cp < 0xDC00) {
      if (i + 1 >= units) return false;
      char32_t lo = Le16(p + 2 * (i + 1));
      if (lo < 0xDC00 || lo >= 0xE000) return false;
      cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
      ++i;
    } else if (cp >= 0xDC00 && cp < 0xE000) {
      return false;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return true;
}

// A zero-terminated UTF-16LE name inside [p, end) as code page 932.
bool Utf16NameToCp932(const BYTE* p, const BYTE* end, std::string& out) {
  size_t units = 0;
  while (true) {
    if (p + 2 * units + 2 > end) return false;
    if (Le16(p + 2 * units) == 0) break;
    ++units;
  }
  std::string utf8;
  return Utf16LeToUtf8(p, units, utf8) && qv::Utf8ToCp932(utf8, out);
}

// One StringData entry: 16-bit count of UTF-16 units and the units.
bool PutStringData(std::vector<BYTE>& b, const std::string& cp932) {
  std::string utf8;
  if (!qv::Cp932ToUtf8(cp932, utf8)) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return false;
  }
  std::u16string units = Utf8ToUtf16(utf8);
  if (units.size() > 0xFFFF) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  Put16(b, static_cast<WORD>(units.size()));
  for (char16_t u : units) Put16(b, static_cast<WORD>(u));
  return true;
}

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Runs of backslashes folded into one; a trail byte 0x5C of a double-byte
// character is not a separator.
std::string FoldSeparators(std::string_view path) {
  // Whether the last character written is a backslash is known only while
  // the characters are walked from the start: the byte before a 0x5C may
  // itself be a trail byte in the range of lead bytes.
  std::string out;
  out.reserve(path.size());
  bool afterSeparator = false;
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (qv::IsCp932Lead(c) && i + 1 < path.size()) {
      out.push_back(path[i]);
      out.push_back(path[++i]);
      afterSeparator = false;
    } else if (c == '\\') {
      if (!afterSeparator) out.push_back(path[i]);
      afterSeparator = true;
    } else {
      out.push_back(path[i]);
      afterSeparator = false;
    }
  }
  return out;
}

// The first backslash at or after `from` that is not a trail byte.
size_t FindSeparator(std::string_view s, size_t from) {
  for (size_t i = from; i < s.size(); ++i) {
    if (qv::IsCp932Lead(static_cast<unsigned char>(s[i]))) {
      ++i;
    } else if (s[i] == '\\') {
      return i;
    }
  }
  return std::string::npos;
}

// Windows FILETIME of a 32-bit time_t.
void PutFileTime(std::vector<BYTE>& b, int32_t t) {
  if (t < 0) {
    Put32(b, 0);
    Put32(b, 0);
    return;
  }
  uint64_t ft = (static_cast<uint64_t>(t) + 11644473600ull) * 10000000ull;
  Put32(b, static_cast<DWORD>(ft));
  Put32(b, static_cast<DWORD>(ft >> 32));
}

}  // namespace

// ---------------------------------------------------------------------------
// ID lists.

namespace qv {

bool IdListFits(const void* list, size_t size) {
  const BYTE* p = static_cast<const BYTE*>(list);
  size_t at = 0;
  while (true) {
    if (size < 2 || at > size - 2) return false;
    WORD cb = Le16(p + at);
    if (cb == 0) return true;
    if (cb < 2 || cb > size - at) return false;
    at += cb;
  }
}

}  // namespace qv

BOOL SHGetPathFromIDListA(LPCITEMIDLIST pidl, LPSTR path) {
  if (path == nullptr) return FALSE;
  path[0] = 0;
  if (pidl == nullptr) return FALSE;
  const BYTE* p = reinterpret_cast<const BYTE*>(pidl);
  std::string out;
  bool first = true;
  bool haveDrive = false;
  while (true) {
    WORD cb = Le16(p);
    if (cb == 0) break;
    if (cb < 3) return FALSE;
    const BYTE* d = p + 2;
    size_t n = cb - 2u;
    BYTE type = d[0];
    if (type == 0x1F) {
      // Root folder item: only "My Computer" leads to drives.
      if (!first || n < 18 || std::memcmp(d + 2, kMyComputerClsid, 16) != 0) return FALSE;
    } else if ((type & 0x70) == 0x20) {
      // Drive item: "X:\" after the type byte.
      if (haveDrive || n < 4 || !IsDriveLetter(static_cast<char>(d[1])) || d[2] != ':') return FALSE;
      out.assign(1, static_cast<char>(d[1]));
      out += ":\\";
      haveDrive = true;
    } else if ((type & 0x70) == 0x30) {
      // File-system item: type, 1 unknown, size 4, DOS date and time 4,
      // attributes 2, then the primary name (UTF-16 when bit 2 of the type
      // is set, else the system code page), zero-terminated.
      if (!haveDrive || n < 14) return FALSE;
      const BYTE* end = p + cb;
      const BYTE* name = d + 12;
      std::string primary;
      if (type & 0x04) {
        if (!Utf16NameToCp932(name, end, primary)) return FALSE;
      } else {
        const void* z = std::memchr(name, 0, static_cast<size_t>(end - name));
        if (z == nullptr) return FALSE;
        primary.assign(reinterpret_cast<const char*>(name), static_cast<const BYTE*>(z) - name);
      }
      // Extension block 0xBEEF0004: the item's last two bytes give its
      // offset; the block's word at 16 gives the offset of the long name.
      std::string longName;
      WORD extAt = Le16(end - 2);
      if (extAt >= 14 && static_cast<size_t>(extAt) + 18 <= cb - 2u) {
        const BYTE* ext = p + extAt;
        WORD extSize = Le16(ext);
        WORD version = Le16(ext + 2);
        if (Le32(ext + 4) == 0xBEEF0004 && version >= 3 && extSize >= 20 &&
            static_cast<size_t>(extAt) + extSize <= cb) {
          WORD nameAt = Le16(ext + 16);
          if (nameAt >= 18 && nameAt < extSize &&
              !Utf16NameToCp932(ext + nameAt, ext + extSize, longName)) {
            longName.clear();
          }
        }
      }
      const std::string& part = longName.empty() ? primary : longName;
      if (part.empty()) return FALSE;
      if (out.back() != '\\') out += '\\';
      out += part;
    } else {
      return FALSE;
    }
    first = false;
    p += cb;
  }
  if (!haveDrive || out.size() >= MAX_PATH) return FALSE;
  std::memcpy(path, out.c_str(), out.size() + 1);
  return TRUE;
}

// ---------------------------------------------------------------------------
// Writer.

namespace qv {

bool ShellLinkWriter::Build(std::vector<BYTE>& b) const {
  b.clear();

  // Where the target goes: a local path, a network share or a relative path.
  enum class Kind { none, local, network, relative } kind = Kind::none;
  std::string basePath;  // local base path or net name
  std::string suffix;    // common path suffix
  if (target_.size() >= 2 && IsDriveLetter(target_[0]) && target_[1] == ':') {
    kind = Kind::local;
    basePath = FoldSeparators(target_);
  } else if (!target_.empty() && target_[0] == '/') {
    kind = Kind::local;
    basePath = target_;
  } else if (target_.size() > 2 && target_[0] == '\\' && target_[1] == '\\') {
    // "\\server\share" is the net name; what follows its separator the suffix.
    std::string folded = "\\\\" + FoldSeparators(target_.substr(2));
    size_t server = FindSeparator(folded, 2);
    size_t share = server == std::string::npos ? std::string::npos : FindSeparator(folded, server + 1);
    kind = Kind::network;
    if (share == std::string::npos) {
      basePath = folded;
    } else {
      basePath = folded.substr(0, share);
      suffix = folded.substr(share + 1);
    }
  } else if (!target_.empty()) {
    kind = Kind::relative;
  }

  DWORD flags = kIsUnicode;
  if (kind == Kind::local || kind == Kind::network) flags |= kHasLinkInfo;
  if (!description_.empty()) flags |= kHasName;
  if (kind == Kind::relative) flags |= kHasRelativePath;
  if (!workDir_.empty()) flags |= kHasWorkingDir;
  if (!arguments_.empty()) flags |= kHasArguments;
  if (!iconPath_.empty()) flags |= kHasIconLocation;

  // Attributes, times and size of the target as it is now.
  struct _stat st;
  bool exists = kind != Kind::none && _stat(target_.c_str(), &st) == 0;
  DWORD attributes = 0;
  if (exists) attributes = (st.st_mode & _S_IFMT) == _S_IFDIR ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;

  // ShellLinkHeader.
  Put32(b, 0x4C);
  b.insert(b.end(), kLinkClsid, kLinkClsid + 16);
  Put32(b, flags);
  Put32(b, attributes);
  PutFileTime(b, exists ? st.st_ctime : -1);
  PutFileTime(b, exists ? st.st_atime : -1);
  PutFileTime(b, exists ? st.st_mtime : -1);
  Put32(b, exists && attributes == FILE_ATTRIBUTE_ARCHIVE ? static_cast<DWORD>(st.st_size) : 0);
  Put32(b, static_cast<DWORD>(iconIndex_));
  Put32(b, (showCmd_ == 3 || showCmd_ == 7) ? static_cast<DWORD>(showCmd_) : 1);
  Put16(b, hotkey_);
  Put16(b, 0);
  Put32(b, 0);
  Put32(b, 0);

  // LinkInfo.
  if (flags & kHasLinkInfo) {
    const size_t start = b.size();
    Put32(b, 0);     // LinkInfoSize, set below
    Put32(b, 0x1C);  // LinkInfoHeaderSize: no Unicode fields
    Put32(b, kind == Kind::local ? 1 : 2);
    Put32(b, 0);  // VolumeIDOffset
    Put32(b, 0);  // LocalBasePathOffset
    Put32(b, 0);  // CommonNetworkRelativeLinkOffset
    Put32(b, 0);  // CommonPathSuffixOffset
    if (kind == Kind::local) {
      // VolumeID of the target's drive (serial and label when known).
      DWORD serial = 0;
      char label[MAX_PATH + 1] = "";
      if (basePath.size() >= 3 && basePath[1] == ':' && basePath[2] == '\\') {
        const std::string root = basePath.substr(0, 3);
        if (!GetVolumeInformationA(root.c_str(), label, sizeof label, &serial, nullptr, nullptr, nullptr, 0)) {
          serial = 0;
          label[0] = 0;
        }
      }
      Set32(b, start + 12, static_cast<DWORD>(b.size() - start));
      Put32(b, static_cast<DWORD>(0x10 + std::strlen(label) + 1));
      Put32(b, kDriveFixed);
      Put32(b, serial);
      Put32(b, 0x10);
      PutZ(b, label);
      Set32(b, start + 16, static_cast<DWORD>(b.size() - start));
      PutZ(b, basePath);
    } else {
      Set32(b, start + 20, static_cast<DWORD>(b.size() - start));
      Put32(b, static_cast<DWORD>(0x14 + basePath.size() + 1));
      Put32(b, 0);     // flags: no device name, no provider type
      Put32(b, 0x14);  // NetNameOffset
      Put32(b, 0);     // DeviceNameOffset
      Put32(b, 0);     // NetworkProviderType
      PutZ(b, basePath);
    }
    Set32(b, start + 24, static_cast<DWORD>(b.size() - start));
    PutZ(b, suffix);
    Set32(b, start, static_cast<DWORD>(b.size() - start));
  }

  // StringData, in the format's order.
  if ((flags & kHasName) && !PutStringData(b, description_)) return false;
  if ((flags & kHasRelativePath) && !PutStringData(b, target_)) return false;
  if ((flags & kHasWorkingDir) && !PutStringData(b, workDir_)) return false;
  if ((flags & kHasArguments) && !PutStringData(b, arguments_)) return false;
  if ((flags & kHasIconLocation) && !PutStringData(b, iconPath_)) return false;

  // ExtraData: the terminal block only.
  Put32(b, 0);
  return true;
}

BOOL ShellLinkWriter::Save(const char* linkPath) const {
  if (linkPath == nullptr || linkPath[0] == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<BYTE> bytes;
  if (!Build(bytes)) return FALSE;
  FileResult r = ReplaceFileContents(linkPath, bytes.data(), bytes.size());
  if (!r.ok()) {
    SetLastError(r.osError != 0 ? WinErrorFromErrno(r.osError) : ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}

}  // namespace qv
