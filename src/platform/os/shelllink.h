// Shell links (.lnk files) in the published binary format: a writer that
// takes the calls of the shell's link object (set path, working folder,
// icon, description, arguments, hotkey, show command, save), and the
// shell's conversion of an item ID list into a file-system path.
//
// Reading a link is the program's own code: it maps the file and reads the
// fields it needs directly.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/base/wintypes.h"

// ---------------------------------------------------------------------------
// Item ID lists: a sequence of items, each a 16-bit byte count (counting
// itself) and its data, ended by a count of zero.
struct SHITEMID {
  WORD cb;
  BYTE abID[1];
};
struct ITEMIDLIST {
  SHITEMID mkid;
};
typedef ITEMIDLIST* LPITEMIDLIST;
typedef const ITEMIDLIST* LPCITEMIDLIST;
typedef const ITEMIDLIST* PCIDLIST_ABSOLUTE;

// The file-system path of an absolute ID list into `path` (MAX_PATH bytes).
// Understood: an optional "My Computer" root item, one drive item ("C:\")
// and file-system items below it (folders and files; a long name kept in
// the item's extension block is preferred to the short name). Any other
// list (desktop, network places, virtual folders, a list without a drive, a
// result of MAX_PATH bytes or more, a name code page 932 cannot hold)
// gives FALSE with `path` empty. The list must end within the memory the
// caller owns; qv::IdListFits checks that for a list read from a file.
BOOL SHGetPathFromIDListA(LPCITEMIDLIST pidl, LPSTR path);

namespace qv {

// True when an ID list starting at `list` ends with its zero count within
// `size` bytes, every item lying wholly inside them.
bool IdListFits(const void* list, size_t size);

// The shell's link object for writing. Strings are code page 932 texts;
// paths are Windows-shaped. Nothing touches the disk before Save.
//
// What the file holds: the 76-byte header (target's attributes, times and
// size when the target exists; icon index, show command, hotkey), a LinkInfo
// with the target (a drive path as volume and local base path, doubled
// backslashes folded; a "\\server\share\rest" path as network share and
// suffix; any other non-empty target as a relative path string instead),
// the string data in UTF-16 (description, working folder, arguments, icon
// location, each only when not empty) and the terminal block. No ID list
// is written; the shell resolves the LinkInfo.
class ShellLinkWriter {
 public:
  void SetPath(const char* target) { target_ = target ? target : ""; }
  void SetWorkingDirectory(const char* dir) { workDir_ = dir ? dir : ""; }
  void SetIconLocation(const char* iconPath, int iconIndex) {
    iconPath_ = iconPath ? iconPath : "";
    iconIndex_ = iconIndex;
  }
  void SetDescription(const char* text) { description_ = text ? text : ""; }
  void SetArguments(const char* args) { arguments_ = args ? args : ""; }
  // Low byte virtual-key code, high byte modifier flags.
  void SetHotkey(WORD hotkey) { hotkey_ = hotkey; }
  // 1 (normal), 3 (maximised) or 7 (minimised, not active); any other value
  // is stored as 1, as readers of the format must take it anyway.
  void SetShowCmd(int showCmd) { showCmd_ = showCmd; }

  // The bytes of the link file. False (GetLastError ERROR_NO_UNICODE_TRANSLATION
  // or ERROR_INVALID_PARAMETER) when a string is not valid code page 932 or
  // does not fit the format's 16-bit character counts.
  bool Build(std::vector<BYTE>& bytes) const;

  // Writes the link file at `linkPath`, replacing an existing one only when
  // the new one is complete (a failed save leaves the old file as it was).
  // FALSE with GetLastError set on failure.
  BOOL Save(const char* linkPath) const;

 private:
  std::string target_;
  std::string workDir_;
  std::string iconPath_;
  std::string description_;
  std::string arguments_;
  int iconIndex_ = 0;
  WORD hotkey_ = 0;
  int showCmd_ = 1;
};

}  // namespace qv
