// The comparison run behind the operation form's run button: it checks the
// folders of the current comparison entry, walks the NEW and OLD trees for
// DVD folders (folders that hold a VIDEO_TS folder), pairs the relative
// paths found on both sides, builds one merge record per path, counts and
// evaluates, sums the totals and carries out the run kind ("Dir_Diff_Exec").
// In list mode (the DVD catalogue) only the OLD folder is walked and the run
// kind is always 2.
//
// Also here: MatchRecordFilter, the display-filter test of one record.
//
// Paths are code page 932 byte strings with backslashes. Folder texts must
// be shorter than kRunFolderMax bytes and the paths a run forms shorter than
// kRunPathMax bytes: a longer folder text counts as missing, and a folder
// whose path does not fit is not examined (see the functions below). What
// the walks of a run leave out (names the platform skips, folders that
// cannot be read, paths that do not fit) is told in one message after them.
#pragma once

#include "platform/win.h"

class CZEKSettings;
class CZEKDoc;
class CZEKEnv_Label;
class CZEKFileInfo;
class CZEKMergeFileInfo;
class CZEKMergeSRCInfo;

// Entry modes.
enum { RUN_MODE_COMPARE = 0, RUN_MODE_LIST = 1 };

// Run kinds (CZEKSettings::m_nDiffExec).
enum {
  DIFF_RUN_REGENERATE = 0,   // rebuild every .diff file
  DIFF_RUN_OUTDATED = 1,     // rebuild .diff files older than a copy
  DIFF_RUN_LINE_COUNT = 2,   // no .diff files, line-count difference only
  DIFF_RUN_WINDIFF = 3,      // windiff on the two roots
  DIFF_RUN_GUI = 4,          // the GUI comparison program on the two roots
};

// Bits of the display filter (CZEKSettings::m_nDispMode).
enum {
  DISP_SAME = 1,
  DISP_NEW = 2,
  DISP_DELETED = 4,
  DISP_DIFFERENT = 8,
  DISP_DATE_WINDOW = 16,
};

// A folder text takes at most kRunFolderMax - 1 bytes; a path the walk or
// the counting forms at most kRunPathMax - 1 bytes.
constexpr int kRunFolderMax = 1024;
constexpr int kRunPathMax = 2048;

// Version text of a side without a version resource (and of the absent NEW
// side in list mode).
extern const char kNoVersionText[];

// The whole run with its confirmation. Asks whether to rebuild when the
// entry already holds records (any answer but Yes: 0, entry untouched);
// `discard` 1 frees the entry's results before the folders are checked;
// then CheckComparePaths and RunCompare (with CZEKSettings::m_bKeepComment and
// CZEKSettings::m_nDiffExec; `keepComment` is not used). On 1 the caller's two
// pointers receive the entry's new record list and totals.
int RebuildFileInfo(int mode, int keepComment, int discard, CZEKDoc* doc, CZEKEnv_Label* entry,
                    CObList** ppRecords, CZEKMergeSRCInfo** ppTotals);

// Asks whether to go on when the OLD folder (or, in compare mode, the NEW
// folder) is missing, and whether to create a missing DIFF folder (compare
// mode). 1 go on, 0 stop.
int CheckComparePaths(int mode, const char* newPath, const char* oldPath, const char* diffPath);

// The run itself on `entry` (kind forced to 2 in list mode).
void RunCompare(int mode, int keepComment, int kind, CZEKEnv_Label* entry, CZEKDoc* doc);

// Deletes the entry's records, record list and totals; state 0.
void FreeMergeLists(CZEKEnv_Label* entry);
// Gives the entry a new empty record list and new totals.
void AllocMergeLists(CZEKEnv_Label* entry);

// Walk, unite, build, count (the totals are re-initialised first).
void CollectAndCompare(int mode, int keepComment, CZEKMergeSRCInfo* totals, CObList* records,
                       const char* newPath, const char* oldPath, const char* diffPath);

// Breadth-first walk: the relative paths of the DVD folders under `root`
// into `dvdList` (both lists emptied first). `recurse` other than 1 looks
// only at the root's direct subfolders. `exist` with a non-empty
// `otherRoot`: an ordinary folder is descended into only when the folder
// with the same relative path exists under `otherRoot` too. A DVD folder is
// never descended into; an ordinary folder with an excluded name is skipped.
// Folders reached through links are walked like any other, but each folder
// (by its identity on disk) once, under the first path that reaches it: a
// link back up the tree is not followed again. A DVD folder is recorded
// under every path that reaches it.
void WalkDvdFolders(int recurse, int exist, const char* root, CStringList& folderQueue,
                    CStringList& dvdList, const char* otherRoot);

// One level: the root's direct subfolders, by name, in enumeration order:
// DVD folders into `dvdList`, the others (unless excluded) into
// `folderList`. `exist` skips an ordinary subfolder whose status cannot be
// read. Nothing is appended when the root cannot be enumerated.
void ListSubfolders(int exist, const char* root, CStringList& folderList, CStringList& dvdList);

// Appends to `first` each path of `second` that `first` does not hold,
// letter case ignored (code page 932 upper-casing).
void UnitePathLists(CStringList& first, CStringList& second);

// Replaces the records of `records` with one new record per path.
void BuildMergeRecords(int mode, int keepComment, CObList* records, CStringList& paths,
                       const char* newRoot, const char* oldRoot);

// One side from a file-status query: exists, times and size; on failure
// exists 0 and nothing else changes.
void StatFile(CZEKFileInfo& side, const char* path);

// The side's version text from the file's version resource:
// "%-16s %s" of "a.b.c.d" and " , Debug" / " , Release"; kNoVersionText
// without a resource, "????              , ????" when the resource holds no
// fixed version block.
void GetVersionText(CZEKFileInfo& side, const char* path);

// Attaches the lists to the document's first entry with `id` (else its
// last entry); state 1 when both are present.
void StoreMergeLists(CZEKDoc* doc, int id, CZEKMergeSRCInfo* totals, CObList* records);

// The display-filter test of one record: 1 show, 0 hide. `app` is the
// settings record to read; null means ZEKSettings().
int MatchRecordFilter(int mode, CZEKSettings* app, int bits, int daysFrom, int daysTo,
                      const CZEKMergeFileInfo* record);
