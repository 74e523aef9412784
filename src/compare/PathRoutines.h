// Small file and folder routines every part of the program uses: path-kind
// tests, makers of missing folder levels, path cutters, the shared date
// text, the folder picker and the copy with an overwrite question.
//
// Paths are code page 932 byte strings with backslashes. A backslash that is
// the second byte of a double-byte character (表 is 0x95 0x5C) is never taken
// for a separator.
#pragma once

#include "platform/win.h"
// The shared date text is the records' (they store it); the callers of the
// path routines have it from here as well.
#include "records/DateText.h"
// The folder browser and its flag BIF_RETURNONLYFSDIRS, which every caller
// of SelectFolderDialog passes.
#include "platform/ui/shell.h"

class CWnd;
class CListCtrl;
struct LVCOLUMNA;

// Longest path the program's working buffers hold (1023 bytes plus the
// terminator). Folder makers and the copy refuse longer paths rather than
// act on a cut one.
constexpr int kMaxWorkPath = 1023;

// Path kinds: kind 0 asks "is it a folder?", any other kind "is it a regular
// file?".
//   GetPathType:   1 folder (kind 0), 2 regular file (kind != 0), 0 it exists
//                  but is not of the asked kind, 3 its status cannot be read.
//   GetPathStatus: as GetPathType, but 0 instead of 3 when the status cannot
//                  be read yet the path is there (a folder written with a
//                  trailing backslash).
//   CheckPathType: as GetPathType, with -1 for an unreadable status.
int GetPathType(int kind, const CString& path);
int GetPathStatus(int kind, const CString& path);
int CheckPathType(int kind, const char* path);

// Makes every missing level of an absolute path. 0 done, 1 failed (a message
// was shown; levels made before the failure stay).
int CreateFolderTree(const char* path);

// Makes the missing levels of the folder part of `name` below `destFolder`
// (whose parent must exist). 0 done, 1 failed after a message.
int CreateFolderPath(const CString& destFolder, const CString& name);

// One folder. 0 made, 1 failed after the message "フォルダ(%s)の作成に失敗しました".
int MakeFolder(const char* path);

// Mode 0: append "\" and `name`; mode 1: cut `path` to its folder part, then
// append; mode 2: only cut; other modes leave `path` alone. An empty name
// appends nothing. Cutting a path without a backslash leaves it empty;
// "C:\x" becomes "C:".
void MakeRelatedPath(int mode, CString& path, const char* name);
void CutToParentFolder(CString& path);

// Folder texts come from documents anyone can write, and every program the
// program starts gets its folders through a command line. TRUE when
// `folder` stays inside the double quotes it is put in there, alone or with
// a name joined to it: it holds no double quote (no Windows path does) and
// does not end in half a double-byte character, whose lead byte would take
// the next byte of the line as its trail. Empty (or null) counts as safe.
// A trailing backslash is left alone: a name is joined after it, and
// QuotedPathArgument keeps it off the closing quote.
BOOL IsSafeFolderText(const char* folder);
// The same, telling the user when the text is refused; `label` names the
// folder in the message ("OLDファイルパス", "フォルダ(NEW)").
BOOL CheckFolderText(const char* folder, const char* label);

// `path` in double quotes as one argument of a command line. Backslashes
// that end it are doubled, so that the closing quote stays a quote ("T:\"
// reaches the program as T:\).
CString QuotedPathArgument(const char* path);

// Lets the user choose a folder in the shell's folder browser, opening at
// `initialPath`. 1: the full path of the chosen folder is in `out`; 0:
// cancelled, `out` holds the initial path. `out` holds `outSize` bytes (the
// callers' buffers hold MAX_PATH); a chosen folder that does not fit is not
// taken (result 0, after a message).
// The browser's callback: on BFFM_INITIALIZED it selects the folder `lpData`
// (the initial path). Always 0.
int BrowseFolderCallback(HWND hwnd, UINT uMsg, LPARAM lParam, LPARAM lpData);
int SelectFolderDialog(CWnd* owner, const char* initialPath, char* out, UINT flags,
                       const char* title, size_t outSize = MAX_PATH);

// Copies `name` (a path relative to both folders) from `sourceFolder` to
// `destFolder`, making missing folder levels. Unless `mode` is 3, an
// existing target raises the overwrite question, its file line showing `tag`
// ("NEW" or "OLD") and the name.
//   1 copied without a question, 2 "はい" and copied, 3 "すべてを上書き" and
//   copied (callers pass mode 3 from then on), -1 the copy failed (also for
//   folders and over-long paths), -2 a missing destination folder could not
//   be made, -3 "いいえ", "キャンセル" or a closed question: nothing copied.
int CopyFileConfirm(int mode, const CString& sourceFolder, const CString& destFolder,
                    const CString& name, const char* tag);

// Inserts a column into a report list: the column record gets the format,
// width, text and sub-item (= index) and goes to the list at `index`. The
// caller sets the record's mask. The index the list gave, -1 on failure.
int InsertListColumn(CListCtrl* list, LVCOLUMNA* column, int index, int format, const char* text, int width);
