#include "compare/PathRoutines.h"

#include <string>

#include "platform/ui/afxwin.h"
#include "platform/ui/listctrl.h"
#include "platform/ui/prompt.h"

namespace {

// The overwrite question is the windows' dialog of this name, asked for
// through the people seam; its answers, Esc and the close box answering
// cancel.
constexpr char kOverwriteDialog[] = "CMessageBox_OW_dlg";
constexpr int kAnswerYes = 1;
constexpr int kAnswerAll = 2;
constexpr int kAnswerCancel = 4;

// A double-byte character's first byte. The whole lead range of code page
// 932 counts, 0xF0-0xFC included: the extension characters there (纊 is
// 0xFA 0x5C) have trail bytes of 0x5C too.
inline bool IsLead(unsigned char c) { return qv::IsCp932Lead(c); }

// Offset of the last backslash of `text` that is a separator, or -1.
int LastSeparator(const char* text, int length) {
  int last = -1;
  for (int i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (IsLead(c)) {
      // A lead byte at the very end has no trail byte to pass over.
      if (i + 1 < length) ++i;
    } else if (c == '\\') {
      last = i;
    }
  }
  return last;
}

int KindOfMode(int kind, unsigned mode) {
  if (kind == 0) return (mode & _S_IFDIR) ? 1 : 0;
  return (mode & _S_IFREG) ? 2 : 0;
}

// Status of `path` for the asked kind; false when it cannot be read.
bool StatKind(int kind, const char* path, int& result) {
  struct _stat st;
  if (path == nullptr || _stat(path, &st) != 0) return false;
  result = KindOfMode(kind, st.st_mode);
  return true;
}

// Tells the user that a folder could not be made; returns 1. Also used for
// a path the working buffers cannot hold: nothing is made under a cut name.
int ReportFolderFailure(const char* path) {
  CString text;
  text.Format("フォルダ(%s)の作成に失敗しました", path ? path : "");
  AfxMessageBox(text, MB_OK);
  return 1;
}

// Makes `level` unless it is there as something other than a regular file.
// 0 fine, 1 failed after a message.
int EnsureLevel(const CString& level) {
  if (GetPathStatus(1, level) == 0) return 0;
  return MakeFolder(level);
}

// The overwrite question: 1 yes, 2 overwrite all, 3 no, 4 cancel (also Esc
// and the close box).
int AskOverwrite(const CString& fileLine) { return qv::AskDialog(kOverwriteDialog, fileLine, kAnswerCancel); }

// Copies `text` into `out` of `size` bytes, cut where needed at a character
// boundary. `text` may lie inside `out`.
void CopyTextBounded(char* out, size_t size, const char* text) {
  size_t length = strlen(text);
  if (length >= size) {
    size_t end = 0;
    for (size_t i = 0; i < size - 1;) {
      const size_t step = IsLead(static_cast<unsigned char>(text[i])) ? 2 : 1;
      if (i + step > size - 1) break;
      i += step;
      end = i;
    }
    length = end;
  }
  memmove(out, text, length);
  out[length] = '\0';
}

}  // namespace

int GetPathType(int kind, const CString& path) {
  int result = 0;
  return StatKind(kind, path, result) ? result : 3;
}

int GetPathStatus(int kind, const CString& path) {
  int result = 0;
  if (StatKind(kind, path, result)) return result;
  return _access(path, 0) == 0 ? 0 : 3;
}

int CheckPathType(int kind, const char* path) {
  int result = 0;
  return StatKind(kind, path, result) ? result : -1;
}

int MakeFolder(const char* path) {
  if (path != nullptr && _mkdir(path) == 0) return 0;
  return ReportFolderFailure(path);
}

int CreateFolderTree(const char* path) {
  if (path == nullptr) path = "";
  if (GetPathStatus(1, path) == 0) return 0;
  const int length = static_cast<int>(strlen(path));
  if (length > kMaxWorkPath) return ReportFolderFailure(path);

  const CString whole(path, length);
  for (int i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    // The byte after a lead byte, and the backslash after a drive colon,
    // never end a level. Only a backslash is passed over after a colon: a
    // lead byte there still needs its own trail byte passed over.
    if (IsLead(c)) {
      if (i + 1 < length) ++i;
    } else if (c == ':') {
      if (path[i + 1] == '\\') ++i;
    } else if (c == '\\') {
      if (EnsureLevel(whole.Left(i)) != 0) return 1;
    }
  }
  return EnsureLevel(whole);
}

int CreateFolderPath(const CString& destFolder, const CString& name) {
  CString folderPart = name;
  CutToParentFolder(folderPart);

  const CString target = folderPart.IsEmpty() ? destFolder : destFolder + "\\" + folderPart;
  if (target.GetLength() > kMaxWorkPath) return ReportFolderFailure(target);
  // The status rule of GetPathStatus: a level written with a trailing
  // backslash (a doubled backslash in the name) is there, not missing.
  if (GetPathStatus(1, target) == 0) return 0;

  const char* part = folderPart;
  const int length = folderPart.GetLength();
  for (int i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(part[i]);
    if (IsLead(c)) {
      if (i + 1 < length) ++i;
    } else if (c == '\\') {
      if (EnsureLevel(destFolder + "\\" + folderPart.Left(i)) != 0) return 1;
    }
  }
  return EnsureLevel(target);
}

void CutToParentFolder(CString& path) {
  const int cut = LastSeparator(path, path.GetLength());
  path = path.Left(cut < 0 ? 0 : cut);
}

void MakeRelatedPath(int mode, CString& path, const char* name) {
  if (mode < 0 || mode > 2) return;
  if (mode != 0) CutToParentFolder(path);
  if (mode == 2 || name == nullptr || *name == '\0') return;
  // The whole result is kept: a path cut to fit a buffer would name another
  // file. The folder makers and the copy refuse paths that are too long.
  path += "\\";
  path += name;
}

int CopyFileConfirm(int mode, const CString& sourceFolder, const CString& destFolder,
                    const CString& name, const char* tag) {
  const CString source = sourceFolder + "\\" + name;
  const CString target = destFolder + "\\" + name;
  // Neither path may be cut to fit: that would copy from or onto another
  // file.
  if (source.GetLength() > kMaxWorkPath || target.GetLength() > kMaxWorkPath) return -1;

  int result = 1;
  if (mode != 3 && GetPathType(0, target) == 0) {
    CString fileLine;
    fileLine.Format("(%s)　ファイル名称：%s", tag ? tag : "", static_cast<const char*>(name));
    const int answer = AskOverwrite(fileLine);
    if (answer == kAnswerYes) {
      result = 2;
    } else if (answer == kAnswerAll) {
      result = 3;
    } else {
      return -3;  // no, cancel, a closed box or one that could not be shown
    }
  }
  if (CreateFolderPath(destFolder, name) != 0) return -2;
  if (!CopyFileA(source, target, FALSE)) return -1;
  return result;
}

BOOL IsSafeFolderText(const char* folder) {
  if (folder == nullptr) return TRUE;
  for (const char* p = folder; *p != '\0'; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '"') return FALSE;
    if (IsLead(c)) {
      if (p[1] == '\0') return FALSE;
      ++p;
    }
  }
  return TRUE;
}

BOOL CheckFolderText(const char* folder, const char* label) {
  if (IsSafeFolderText(folder)) return TRUE;
  CString text;
  text.Format("%s\n\n上記%sには「\"」または不完全な文字が含まれているため、処理できません。", folder,
              label ? label : "");
  AfxMessageBox(text, MB_OK);
  return FALSE;
}

CString QuotedPathArgument(const char* path) {
  const char* text = path ? path : "";
  // Backslashes at the end, each a separator and not a trail byte.
  int trailing = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (IsLead(c) && p[1] != '\0') {
      ++p;
      trailing = 0;
    } else {
      trailing = c == '\\' ? trailing + 1 : 0;
    }
  }
  CString quoted("\"");
  quoted += text;
  for (int i = 0; i < trailing; ++i) quoted += '\\';
  quoted += '"';
  return quoted;
}

int BrowseFolderCallback(HWND hwnd, UINT uMsg, LPARAM lParam, LPARAM lpData) {
  // The browser opens at the initial path.
  if (uMsg == BFFM_INITIALIZED) ::SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, lpData);
  return 0;
}

int SelectFolderDialog(CWnd* owner, const char* initialPath, char* out, UINT flags,
                       const char* title, size_t outSize) {
  if (out == nullptr || outSize == 0) return 0;
  // `out` may be the initial path itself.
  const std::string initial = initialPath ? initialPath : "";
  LPMALLOC allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator)) || allocator == nullptr) return 0;
  char displayName[MAX_PATH];
  BROWSEINFOA info{};
  info.hwndOwner = owner ? owner->GetSafeHwnd() : nullptr;
  info.pidlRoot = nullptr;
  info.pszDisplayName = displayName;
  info.lpszTitle = title ? title : "";
  info.ulFlags = flags;
  info.lpfn = BrowseFolderCallback;
  info.lParam = reinterpret_cast<LPARAM>(initial.c_str());
  int result = 0;
  if (LPITEMIDLIST list = SHBrowseForFolderA(&info)) {
    // A folder whose path does not fit is not taken: a cut path would name
    // another folder.
    char chosen[MAX_PATH];
    if (SHGetPathFromIDListA(list, chosen) && strlen(chosen) < outSize) {
      memcpy(out, chosen, strlen(chosen) + 1);
      result = 1;
    } else {
      AfxMessageBox("選択したフォルダはパスが長すぎるため、使えません。", MB_OK | MB_ICONEXCLAMATION);
    }
    allocator->Free(list);
  }
  if (result == 0) CopyTextBounded(out, outSize, initial.c_str());
  allocator->Release();
  return result;
}

int InsertListColumn(CListCtrl* list, LVCOLUMNA* column, int index, int format, const char* text, int width) {
  if (list == nullptr || column == nullptr) return -1;
  column->fmt = format;
  column->cx = width;
  column->pszText = const_cast<char*>(text ? text : "");
  column->iSubItem = index;
  return static_cast<int>(list->SendMessage(LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(column)));
}
