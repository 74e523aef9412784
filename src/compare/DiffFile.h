// The per-item `.diff` file of a compared pair in the DIFF work folder, the
// header block that heads `.diff` files, dumps and listings, and the small
// path helpers that output files inside the DIFF folder need.
//
// Files of an item with relative name N (N may hold backslashes):
//   N.diff.h    header blocks of the OLD and the NEW copy
//   N.diff.txt  the diff program's standard output (only while it is made)
//   N.diff      N.diff.h followed by N.diff.txt, lines ending in CR LF
//   N_old/N_new copies without the first six characters of each line (only
//               while the diff program runs with the strip setting)
#pragma once

#include <cstdio>
#include <vector>

#include "compare/ExternalPrograms.h"
#include "platform/win.h"

class CZEKMergeFileInfo;

// Results of MakeDiffFile.
enum MakeDiffFileResult {
  kDiffMade = 0,           // N.diff made, or already newer than both copies
  kDiffNoChanges = 1,      // the diff program wrote nothing; no N.diff left
  kDiffNotStarted = -1,    // the diff program was not started (message shown)
  kDiffOldCopyFailed = -2, // stripped OLD copy not made, or N.diff.txt not read
  kDiffNewCopyFailed = -3, // stripped NEW copy not made, or N.diff not written
  kDiffHeaderCopyFailed = -4,  // N.diff.h could not be copied to N.diff
  kDiffIncomplete = -5,    // the diff program did not end within the wait
                           // bound, or ended reporting trouble; its output
                           // was discarded. No message: the caller names the
                           // pair (the run names all such pairs at once)
};

// Makes N.diff in `diffDir` for the pair `newDir`\N and `oldDir`\N with the
// diff program `diffProgram` (OLD first, NEW second).
//  quiet     silences the length message of LaunchToFile only;
//  force     rebuilds N.diff even when it is newer than both copies;
//  newTime, oldTime  modification times of the copies: refreshed from the
//            copies when they can be queried (unless forced), else used as
//            they are for the up-to-date test;
//  diffTime  set to the time of the diff output on kDiffMade and
//            kDiffNoChanges;
//  strip     non-zero: compare the copies without the first six characters
//            of each line;
//  record    the item's record (its name heads N.diff.h).
// Leaves N.diff.h behind; callers remove it with DeleteDiffHeaderFile. A
// failure once the diff program was started (-2 to -5) leaves no N.diff,
// also none of an earlier run: a cut or outdated N.diff would be read as the
// pair's whole difference.
int MakeDiffFile(int quiet, int force, LPCSTR diffProgram, LPCSTR newDir, LPCSTR oldDir,
                 LPCSTR diffDir, LPCSTR name, LONG& newTime, LONG& oldTime, LONG& diffTime,
                 int strip, CZEKMergeFileInfo* record);

// The up-to-date test of MakeDiffFile: `newTime` and `oldTime` are
// refreshed from the copies where they can be queried; true when N.diff
// is newer than both (its time then in `diffTime`).
bool DiffFileUpToDate(LPCSTR newDir, LPCSTR oldDir, LPCSTR diffDir, LPCSTR name, LONG& newTime, LONG& oldTime,
                      LONG& diffTime);

// The command line MakeDiffFile starts the diff program with: the program,
// `first`\`firstName` and `second`\`secondName`, each in double quotes.
// Cut to 2047 bytes (longer than LaunchToFile accepts).
CString DiffCommandLine(LPCSTR diffProgram, LPCSTR first, LPCSTR firstName, LPCSTR second, LPCSTR secondName);

// Writes N.diff.h for the record's name: the OLD copy's header block, then the
// NEW copy's (a block is left out when its copy is missing). Silent.
void WriteDiffHeaderFile(CZEKMergeFileInfo* record, LPCSTR newDir, LPCSTR oldDir, LPCSTR diffDir);

// Removes the record's N.diff.h from `diffDir`.
void DeleteDiffHeaderFile(CZEKMergeFileInfo* record, LPCSTR diffDir);

// Writes the four-line header block of the file `path` into `out`:
// a line of 118 "-", the path, the modification time, 118 "-" again.
// 0 written; -1 when the file's status cannot be read (nothing written) or
// writing failed.
int WriteFileHeaderBlock(FILE* out, LPCSTR path);

// Copies `srcDir`\`name` to `dstDir`\`outName` without the first six bytes of
// each line; a line of fewer than seven bytes (its newline counted) is left
// out. 0 done, 1 source not opened, 2 destination not opened or not written.
int CopyTextSkipPrefix(LPCSTR srcDir, LPCSTR dstDir, LPCSTR name, LPCSTR outName);

// Creates under `diffDir` the missing folder levels of the folder part of the
// relative name `name`. Failures are ignored.
void EnsureOutputFolder(LPCSTR diffDir, LPCSTR name);

// Splits `path` at its last backslash (never at the trail byte of a
// double-byte character): `folder` receives the bytes before it (empty when
// there is none) and `name` the bytes after it. Each output is cut, at a
// character boundary, to fit its buffer.
void SplitPath(LPCSTR path, LPSTR folder, size_t folderSize, LPSTR name, size_t nameSize);

template <size_t F, size_t N>
inline void SplitPath(LPCSTR path, char (&folder)[F], char (&name)[N]) {
  SplitPath(path, folder, F, name, N);
}
