// The SendTo program list, the shell link reader and the shortcut writer.
#include "compare/SendTo.h"

#include "platform/os/shelllink.h"

namespace {

// The start offsets of the last four characters of a code page 932 name
// (fewer for a shorter name), oldest first; a trail byte never starts one.
struct LastCharacters {
  int start[4];
  int count = 0;
};

LastCharacters FindLastCharacters(const char* name, int len) {
  LastCharacters last;
  for (int i = 0; i < len;) {
    if (last.count == 4) {
      last.start[0] = last.start[1];
      last.start[1] = last.start[2];
      last.start[2] = last.start[3];
      last.count = 3;
    }
    last.start[last.count++] = i;
    i += (_ismbblead(static_cast<unsigned char>(name[i])) && i + 1 < len) ? 2 : 1;
  }
  return last;
}

// True when the name's last three characters are exactly `ending` (three
// single-byte characters, so the trail byte of a double-byte character
// never counts as part of it).
bool EndsWith(const char* name, int len, const LastCharacters& last, const char* ending) {
  return last.count >= 3 && last.start[last.count - 3] == len - 3 && memcmp(name + len - 3, ending, 3) == 0;
}

WORD Le16(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }
DWORD Le32(const BYTE* p) {
  return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
         (static_cast<DWORD>(p[3]) << 24);
}

const BYTE kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                             0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// The file, its mapping and its view; whatever was opened is closed on
// every way out.
class MappedLink {
 public:
  explicit MappedLink(const char* path) {
    m_hFile = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_hFile == INVALID_HANDLE_VALUE) return;
    DWORD high = 0;
    DWORD low = GetFileSize(m_hFile, &high);
    if (low == INVALID_FILE_SIZE || high != 0) return;
    m_hMapping = CreateFileMappingA(m_hFile, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (m_hMapping == nullptr) return;
    m_pView = static_cast<const BYTE*>(MapViewOfFile(m_hMapping, FILE_MAP_READ, 0, 0, 0));
    if (m_pView != nullptr) m_nSize = low;
  }
  ~MappedLink() {
    if (m_pView != nullptr) UnmapViewOfFile(m_pView);
    if (m_hMapping != nullptr) CloseHandle(m_hMapping);
    if (m_hFile != INVALID_HANDLE_VALUE) CloseHandle(m_hFile);
  }
  MappedLink(const MappedLink&) = delete;
  MappedLink& operator=(const MappedLink&) = delete;

  const BYTE* View() const { return m_pView; }
  DWORD Size() const { return m_nSize; }

 private:
  HANDLE m_hFile = INVALID_HANDLE_VALUE;
  HANDLE m_hMapping = nullptr;
  const BYTE* m_pView = nullptr;
  DWORD m_nSize = 0;
};

// The zero-terminated text at `offset` inside a block of `blockSize` bytes;
// null when the offset or the text's end lie outside the block.
const char* TextInBlock(const BYTE* block, DWORD blockSize, DWORD offset) {
  if (offset >= blockSize) return nullptr;
  if (memchr(block + offset, 0, blockSize - offset) == nullptr) return nullptr;
  return reinterpret_cast<const char*>(block + offset);
}

// Appends `text` to the `len` bytes already in `out`; false when it does
// not fit beside the terminating zero.
bool Append(char* out, size_t size, size_t& len, const char* text) {
  size_t n = strlen(text);
  if (n > size - 1 - len) return false;
  memcpy(out + len, text, n + 1);
  len += n;
  return true;
}

}  // namespace

void ScanSendToFolder(const char* folder, CStringList& names, CStringList& paths) {
  CString pattern;
  pattern.Format("%s\\*.*", folder);
  WIN32_FIND_DATAA fd;
  HANDLE hFind = FindFirstFileA(pattern, &fd);
  if (hFind == INVALID_HANDLE_VALUE) return;
  do {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const char* name = fd.cFileName;
    const int len = static_cast<int>(strlen(name));
    const LastCharacters last = FindLastCharacters(name, len);
    const bool isLink = EndsWith(name, len, last, "lnk");
    // A name that is nothing but the ending keeps it as its display name.
    if ((isLink || EndsWith(name, len, last, "bat") || EndsWith(name, len, last, "exe")) && last.count == 4) {
      names.AddTail(CString(name, last.start[0]));
    } else {
      names.AddTail(name);
    }

    CString path;
    path.Format("%s\\%s", folder, name);
    if (isLink) {
      char target[1024];
      if (ResolveShortcutFile(path, target, sizeof target) != nullptr) {
        path = target;
      } else {
        path.Empty();
      }
    }
    paths.AddTail(path);
  } while (FindNextFileA(hFind, &fd));
  FindClose(hFind);
}

char* ResolveShortcutFile(const char* path, char* out, size_t size) {
  if (out == nullptr || size == 0) return nullptr;
  out[0] = 0;
  MappedLink file(path);
  const BYTE* view = file.View();
  const DWORD fileSize = file.Size();
  if (view == nullptr || fileSize < 0x4C) return nullptr;

  // The header: its own size and the class identifier of a shell link.
  if (Le32(view) != 0x4C || memcmp(view + 4, kLinkClsid, 16) != 0) return nullptr;

  // A link without a target list and without a usable LinkInfo names no
  // program.
  const DWORD flags = Le32(view + 20);
  const bool hasIdList = (flags & 0x001) != 0;
  const bool hasLinkInfo = (flags & 0x002) != 0 && (flags & 0x100) == 0;
  if (!hasIdList && !hasLinkInfo) return nullptr;

  // The target's ID list; without a LinkInfo it is the only way to the
  // target's path.
  DWORD pos = 0x4C;
  if (hasIdList) {
    if (fileSize - pos < 2) return nullptr;
    const DWORD listSize = Le16(view + pos);
    const BYTE* list = view + pos + 2;
    if (listSize > fileSize - pos - 2) return nullptr;
    if (!hasLinkInfo) {
      if (!qv::IdListFits(list, listSize)) return nullptr;
      char shellPath[MAX_PATH];
      if (!SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(list), shellPath)) return nullptr;
      size_t len = 0;
      if (!Append(out, size, len, shellPath)) {
        out[0] = 0;
        return nullptr;
      }
      return out;
    }
    pos += 2 + listSize;
  }

  // The LinkInfo: every offset must stay inside it, and it inside the file.
  if (fileSize - pos < 0x1C) return nullptr;
  const BYTE* info = view + pos;
  const DWORD infoSize = Le32(info);
  if (infoSize < 0x1C || infoSize > fileSize - pos) return nullptr;
  const DWORD infoFlags = Le32(info + 8);
  const DWORD localBasePathOffset = Le32(info + 16);
  const DWORD networkLinkOffset = Le32(info + 20);
  const DWORD suffixOffset = Le32(info + 24);

  size_t len = 0;
  bool fits;
  if (infoFlags & 1) {
    const char* base = TextInBlock(info, infoSize, localBasePathOffset);
    if (base == nullptr) return nullptr;
    fits = Append(out, size, len, base);
  } else if (infoFlags & 2) {
    // CommonNetworkRelativeLink: size, flags, then the net name's offset.
    if (networkLinkOffset >= infoSize || infoSize - networkLinkOffset < 0x14) return nullptr;
    const BYTE* netLink = info + networkLinkOffset;
    const DWORD netLinkSize = Le32(netLink);
    if (netLinkSize < 0x14 || netLinkSize > infoSize - networkLinkOffset) return nullptr;
    const char* netName = TextInBlock(netLink, netLinkSize, Le32(netLink + 8));
    if (netName == nullptr) return nullptr;
    fits = Append(out, size, len, netName) && Append(out, size, len, "\\");
  } else {
    return nullptr;
  }

  // The common path suffix ends the target. A target longer than the
  // buffer counts as unreadable: a cut path could name another program.
  const char* suffix = TextInBlock(info, infoSize, suffixOffset);
  if (!fits || suffix == nullptr || !Append(out, size, len, suffix)) {
    out[0] = 0;
    return nullptr;
  }
  return out;
}

CShortcut::~CShortcut() = default;

void CShortcut::Set(const ShortcutSpec& block) {
  m_strLinkPath = block.m_strLinkPath;
  m_strTarget = block.m_strTarget;
  m_strWorkDir = block.m_strWorkDir;
  m_strDescription = block.m_strDescription;
  m_strIconPath = block.m_strIconPath;
  m_strArguments = block.m_strArguments;
  m_nIconIndex = block.m_nIconIndex;
  m_nHotkey = block.m_nHotkey;
  m_nShowCmd = block.m_nShowCmd;
  m_bDirty = TRUE;
  Create();
}

BOOL CShortcut::Create() {
  if (!m_bDirty) return TRUE;

  // The link object takes its file name as at most MAX_PATH UTF-16
  // characters with the terminating zero; a longer name is refused rather
  // than saved under a cut or undefined name.
  int characters = 0;
  for (const char* p = m_strLinkPath; *p; p = _mbsinc(p)) {
    ++characters;
  }
  if (characters >= MAX_PATH) return FALSE;

  qv::ShellLinkWriter link;
  link.SetPath(m_strTarget);
  link.SetWorkingDirectory(m_strWorkDir);
  link.SetIconLocation(m_strIconPath, m_nIconIndex);
  link.SetDescription(m_strDescription);
  link.SetArguments(m_strArguments);
  link.SetHotkey(static_cast<WORD>(m_nHotkey));
  link.SetShowCmd(m_nShowCmd);
  if (!link.Save(m_strLinkPath)) return FALSE;
  m_bDirty = FALSE;
  return TRUE;
}
