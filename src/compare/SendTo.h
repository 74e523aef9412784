// The SendTo program list (every file of the folder "SendTo" beside the
// program becomes a program the list commands can start), the reading of
// shell link files, and the writer of shortcuts.
#pragma once

#include "platform/win.h"

// Appends one display name and one program path per file of `folder`, in
// the order of the folder enumeration; folders are skipped. A name ending
// in "lnk" gets the link's target as its path (empty when the link cannot
// be read). A missing folder leaves both lists unchanged.
void ScanSendToFolder(const char* folder, CStringList& names, CStringList& paths);

// The target path of the shell link file `path` in `out` (`size` bytes, the
// program passes 1024): the LinkInfo's local base path, or its network
// share name and a backslash, followed by the common path suffix; without
// a LinkInfo, the path of the target's ID list. Null when the file is no
// link, is damaged, has neither, or when the target needs more than
// size - 1 bytes (a cut path could name another program).
char* ResolveShortcutFile(const char* path, char* out, size_t size);

// The parameter block of one shortcut. The strings start empty; the caller
// sets every number.
struct ShortcutSpec {
  CString m_strLinkPath;
  CString m_strTarget;
  CString m_strWorkDir;
  CString m_strDescription;
  CString m_strIconPath;
  CString m_strArguments;
  int m_nIconIndex = 0;
  int m_nHotkey = 0;
  int m_nShowCmd = 0;
};

// A shortcut description and its writer; lives for one creation.
class CShortcut : public CObject {
 public:
  CShortcut() = default;
  ~CShortcut() override;

  // Takes every field of the block and writes the link (result not kept).
  void Set(const ShortcutSpec& block);
  // Writes the link file when there is something to write. TRUE when
  // written or when nothing was to be written; FALSE on failure (the link
  // path does not fit MAX_PATH characters, a text is not valid code page
  // 932, or the file cannot be written).
  BOOL Create();

  BOOL m_bDirty = FALSE;
  CString m_strLinkPath;
  CString m_strTarget;
  CString m_strWorkDir;
  CString m_strDescription;
  CString m_strIconPath;
  CString m_strArguments;
  int m_nIconIndex = 0;
  int m_nHotkey = 0;
  int m_nShowCmd = 0;
};
