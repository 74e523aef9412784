// Reading back the normal-format output of a UNIX-style diff (the `.diff`
// files of a run), counting the lines of a file, and adding per-record
// values into a row of the run totals.
#pragma once

#include "platform/win.h"

class CZEKSRCInfo;

// Reads a change command line such as "5a6,8\n", "3,4d2\n" or "7c7\n" (the
// newline counts as one of its separators). 1 when the line holds nothing
// but digits, ',', 'a', 'c', 'd' and a newline, with `kind` (0 none, 1 'a',
// 2 'd', 3 'c') and the range width of its command set; 0 for any other line, all outputs 0.
int ParseDiffCommand(const char* line, int& kind, int& addWidth, int& deleteWidth,
                     int& changeRightWidth, int& changeLeftWidth);

// Turns the diff output in `path` into a record's seven counts. The file is
// read only when both presence bits (1 NEW, 2 OLD) are set. Accepted output
// (at most 2 x (deleted + added) + 8 lines) gives deleted, added and
// changed = deleted + added, result 1. Otherwise changed is the difference
// of the two line counts and the result is 0; the range sums keep what was
// read. `kind` is that of the last command line read.
int EvaluateDiffFile(const char* path, int presenceBits, DWORD newLineCount, DWORD oldLineCount,
                     int& kind, int& rangeAdded, int& rangeDeleted, int& rangeChangedRight,
                     int& rangeChangedLeft, int& deletedLines, int& addedLines, int& changedLines);

// 1 when some line of the file begins with '<' or '>'; 0 otherwise, also
// when the file cannot be opened.
int DiffFileHasChanges(const char* path);

// Counts `value` into counters 2 to 5 of `row` when it is not 0 and `name`
// is a target of the active file-type profile.
void AddStatusCount(const char* name, CZEKSRCInfo& row, DWORD value);

// Number of line feeds in the file. 0 counted, 1 missing or not openable
// (count 0), 2 a read failed (the count of what was read before).
int CountFileLines(const char* path, DWORD& lineCount);
