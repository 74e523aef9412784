// Per-item commands of the file list that show or compare an item without
// changing it: the NEW or OLD copy in the text editor, hex dumps and
// numbered listings of a copy, the diff of two dumps, the item's `.diff`
// file, the GUI comparison program and windiff on the pair, the diff
// information dialog and the shell's "open". Also the checks every per-item
// command shares: the existence check of an item's copies, the look-up of an
// item's record and the test of a relative name.
//
// Every command takes the relative name of the item (the last selected
// row), the record list of the comparison entry the selection was taken
// from, and that entry's NEW, OLD and DIFF folders. A copy of an item is
// the folder and the name joined with a backslash. Problems are told to the
// user where they happen; nothing is returned that a caller must act on.
#pragma once

#include "platform/win.h"

class CZEKMergeFileInfo;

// Copies CheckFileExists can be asked about.
enum { ITEM_COPY_NEW = 1, ITEM_COPY_OLD = 2, ITEM_COPY_DIFF = 4 };

// Results of DumpNewBinary and DumpOldBinary.
enum {
  kDumpWritten = 0,      // the dump was written whole (its path is in outPath)
  kDumpCopyMissing = 1,  // CheckFileExists reported the copy missing
  kDumpNoStatus = 2,     // the copy's status cannot be read (message shown)
  kDumpFailed = 3,       // the dump could not be written (message shown); no
                         // dump of an earlier command is left in its place
};

// Longest path the commands form (the working buffers hold 1023 bytes and
// the terminator); a longer one is never used cut short.
constexpr int kItemPathMax = 1023;

// The mode word the commands check copies by: the main frame's (0 compare
// mode, 1 list mode), else the application's.
int ItemModeWord();

// 1 when every copy asked for by `flags` (ITEM_COPY_*) exists; 0 after the
// message naming the first missing one. In list mode (mode not 0) the NEW
// copy is never checked: there is none.
int CheckFileExists(int mode, int flags, LPCSTR name, LPCSTR newDir, LPCSTR oldDir, LPCSTR diffDir);

// The first record with a non-zero type code whose NEW-side name equals
// `name` byte for byte; null when there is none (or no record list).
CZEKMergeFileInfo* FindItemRecord(CObList* records, LPCSTR name);

// Relative names come from documents anyone can write. TRUE when `name` is
// a relative path that stays inside the folder it is joined to and stays
// one argument inside double quotes on a command line: not empty, no "..",
// no leading or trailing backslash or slash, no drive prefix or other
// colon, no double quote, not ending in half a double-byte character.
BOOL IsSafeItemName(LPCSTR name);
// The same, telling the user when the name is refused.
BOOL CheckItemName(LPCSTR name);

// Folder texts come from documents too. TRUE when each of the NEW, OLD and
// DIFF folders that `flags` (ITEM_COPY_*) names can go on a command line
// (IsSafeFolderText); else FALSE after the message naming the first one
// refused. Every command checks the folders it puts on a command line.
BOOL CheckItemFolders(int flags, LPCSTR newDir, LPCSTR oldDir, LPCSTR diffDir);

// `folder` + "\" + `name` into `out`; FALSE (out empty) when it would be
// longer than kItemPathMax bytes.
BOOL JoinItemPath(LPCSTR folder, LPCSTR name, CString& out);

// Adds a section to a message: a header line, then up to ten names and how
// many more there are.
void AppendNameSection(CString& text, LPCSTR header, const CStringList& names);

void ViewNewFile(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir, const CString& diffDir);
void ViewOldFile(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir, const CString& diffDir);
void ListNewSource(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir, const CString& diffDir);
void ListOldSource(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir, const CString& diffDir);
void OpenNewFile(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir, const CString& diffDir);
void OpenOldFile(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir, const CString& diffDir);

// Hex dump of the NEW (OLD) copy into the DIFF folder as N_bin_new.txt
// (N_bin_old.txt); `open` 1 shows it in the editor. `outPath` (1024 bytes)
// receives the dump's path. A kDump* result.
int DumpNewBinary(int open, LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                  const CString& diffDir, char* outPath);
int DumpOldBinary(int open, LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                  const CString& diffDir, char* outPath);

// The pair commands: on an item present on both sides they compare; on one
// present on one side only they show that copy in the editor.
void BinaryDiffSelected(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                        const CString& diffDir);
void RunDFSelected(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                   const CString& diffDir);
void RunWindiffSelected(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                        const CString& diffDir);
void ShowDiffSelected(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                      const CString& diffDir, int diffOption);

// What the diff information dialog shows of one item.
struct DiffInfoFields {
  CString name;
  CString newModified, newCreated, newAccessed;
  CString oldModified, oldCreated, oldAccessed;
  int newSize = 0, newLines = 0, oldSize = 0, oldLines = 0;
  int stepDifference = 0;
  int deletedLines = 0, addedLines = 0, changedLines = 0;
  int rangeDeleted = 0, rangeAdded = 0, rangeChangedLeft = 0, rangeChangedRight = 0;
  CString evaluated;  // time of the .diff file evaluated; "" when none
};

// The diff information dialog of the item. Looking never changes the
// record: a fresh .diff is evaluated into the dialog only; without one the
// dialog shows the counts the record holds.
void ShowDiffInfoSelected(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                          const CString& diffDir, int diffOption);
// The values ShowDiffInfoSelected shows (makes the .diff as it does); FALSE
// when the name finds no record.
BOOL CollectDiffInfo(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                     const CString& diffDir, int diffOption, DiffInfoFields& fields);
