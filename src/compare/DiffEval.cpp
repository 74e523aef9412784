#include "compare/DiffEval.h"

#include "records/FileInfo.h"
#include "records/FileTypeProfile.h"

namespace {

// Lines of a diff file one at a time. Only the first bytes of a line are
// kept (enough for any change command); the rest of a longer line is read
// past, so it counts as the one line it is and its later pieces are never
// taken for lines of their own.
class DiffLineReader {
 public:
  explicit DiffLineReader(FILE* file) : file_(file) {}

  // False at the end of the file.
  bool Next() {
    size_t kept = 0;
    bool any = false;
    complete_ = true;
    for (;;) {
      if (pos_ == end_) {
        end_ = fread(block_, 1, sizeof block_, file_);
        pos_ = 0;
        if (end_ == 0) break;
      }
      any = true;
      const char* start = block_ + pos_;
      const size_t avail = end_ - pos_;
      const char* newline = static_cast<const char*>(memchr(start, '\n', avail));
      const size_t take = newline ? static_cast<size_t>(newline - start) + 1 : avail;
      const size_t room = sizeof line_ - 1 - kept;
      const size_t keep = take < room ? take : room;
      memcpy(line_ + kept, start, keep);
      kept += keep;
      if (keep < take) complete_ = false;
      pos_ += take;
      if (newline) break;
    }
    line_[kept] = '\0';
    return any;
  }

  const char* line() const { return line_; }
  // The whole line is in line(), its newline included when it had one.
  bool complete() const { return complete_; }

 private:
  FILE* file_;
  char block_[4096];
  size_t pos_ = 0;
  size_t end_ = 0;
  char line_[1024];
  bool complete_ = true;
};

// Reads the next decimal number after any separators, as "%d" would from the
// blanked line; false when none is left. Values beyond the int range are
// held at its limit.
bool NextNumber(const unsigned char*& cursor, long long& value) {
  while (*cursor && (*cursor < '0' || *cursor > '9')) ++cursor;
  if (!*cursor) return false;
  long long v = 0;
  for (; *cursor >= '0' && *cursor <= '9'; ++cursor) {
    if (v <= INT_MAX) v = v * 10 + (*cursor - '0');
  }
  value = v > INT_MAX ? INT_MAX : v;
  return true;
}

int ClampToInt(long long v) {
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

}  // namespace

int ParseDiffCommand(const char* line, int& kind, int& addWidth, int& deleteWidth,
                     int& changeRightWidth, int& changeLeftWidth) {
  kind = addWidth = deleteWidth = changeRightWidth = changeLeftWidth = 0;
  if (line == nullptr) return 0;

  int found = 0;
  int separators = 0;
  bool commaBeforeLetter = false;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(line); *p; ++p) {
    switch (*p) {
      case '0': case '1': case '2': case '3': case '4':
      case '5': case '6': case '7': case '8': case '9':
        break;
      case '\n':
        ++separators;
        break;
      case ',':
        ++separators;
        if (found == 0) commaBeforeLetter = true;
        break;
      case 'a':
        ++separators;
        found = 1;
        break;
      case 'd':
        ++separators;
        found = 2;
        break;
      case 'c':
        ++separators;
        found = 3;
        break;
      default:
        return 0;
    }
  }

  long long l1 = 0, l2 = 0, r1 = 0, r2 = 0;
  const unsigned char* cursor = reinterpret_cast<const unsigned char*>(line);
  switch (separators - 2) {
    case 0:
      if (NextNumber(cursor, l1)) NextNumber(cursor, r1);
      l2 = l1;
      r2 = r1;
      break;
    case 1:
      if (commaBeforeLetter) {
        if (NextNumber(cursor, l1) && NextNumber(cursor, l2)) NextNumber(cursor, r1);
        r2 = r1;
      } else {
        if (NextNumber(cursor, l1) && NextNumber(cursor, r1)) NextNumber(cursor, r2);
        l2 = l1;
      }
      break;
    case 2:
      if (NextNumber(cursor, l1) && NextNumber(cursor, l2) && NextNumber(cursor, r1)) {
        NextNumber(cursor, r2);
      }
      break;
    default:
      // More commas, or a command without its newline: no numbers.
      break;
  }

  kind = found;
  switch (found) {
    case 1:
      addWidth = ClampToInt(r2 - r1 + 1);
      break;
    case 2:
      deleteWidth = ClampToInt(l2 - l1 + 1);
      break;
    case 3:
      changeRightWidth = ClampToInt(r2 - r1 + 1);
      changeLeftWidth = ClampToInt(l2 - l1 + 1);
      break;
    default:
      break;
  }
  return 1;
}

int EvaluateDiffFile(const char* path, int presenceBits, DWORD newLineCount, DWORD oldLineCount,
                     int& kind, int& rangeAdded, int& rangeDeleted, int& rangeChangedRight,
                     int& rangeChangedLeft, int& deletedLines, int& addedLines, int& changedLines) {
  rangeAdded = rangeDeleted = rangeChangedRight = rangeChangedLeft = 0;
  deletedLines = addedLines = changedLines = 0;
  kind = 0;

  FILE* file = nullptr;
  if ((presenceBits & 3) == 3 && path != nullptr) file = fopen(path, "r");

  if (file != nullptr) {
    long long lines = 0, deleted = 0, added = 0;
    long long sumAdded = 0, sumDeleted = 0, sumRight = 0, sumLeft = 0;
    DiffLineReader reader(file);
    while (reader.Next()) {
      ++lines;
      const char first = reader.line()[0];
      if (first == '<') {
        ++deleted;
      } else if (first == '>') {
        ++added;
      } else if (reader.complete()) {
        int a = 0, d = 0, right = 0, left = 0;
        if (ParseDiffCommand(reader.line(), kind, a, d, right, left) == 1) {
          sumAdded += a;
          sumDeleted += d;
          sumRight += right;
          sumLeft += left;
        }
      }
    }
    fclose(file);

    rangeAdded = ClampToInt(sumAdded);
    rangeDeleted = ClampToInt(sumDeleted);
    rangeChangedRight = ClampToInt(sumRight);
    rangeChangedLeft = ClampToInt(sumLeft);
    // Every .diff begins with two header blocks of four lines each.
    if (lines <= 2 * (deleted + added) + 8) {
      deletedLines = ClampToInt(deleted);
      addedLines = ClampToInt(added);
      changedLines = ClampToInt(deleted + added);
      return 1;
    }
  }

  const DWORD difference =
      newLineCount > oldLineCount ? newLineCount - oldLineCount : oldLineCount - newLineCount;
  changedLines = ClampToInt(difference);
  return 0;
}

int DiffFileHasChanges(const char* path) {
  FILE* file = path ? fopen(path, "r") : nullptr;
  if (file == nullptr) return 0;
  int result = 0;
  DiffLineReader reader(file);
  while (reader.Next()) {
    const char first = reader.line()[0];
    if (first == '<' || first == '>') {
      result = 1;
      break;
    }
  }
  fclose(file);
  return result;
}

void AddStatusCount(const char* name, CZEKSRCInfo& row, DWORD value) {
  if (value == 0 || name == nullptr || !GetFileCategory(name)) return;
  row.m_dwCount[1] += 1;
  row.m_dwCount[2] += value;
  row.m_dwCount[3] += 1;
  row.m_dwCount[4] += value;
}

int CountFileLines(const char* path, DWORD& lineCount) {
  lineCount = 0;
  struct _stat st;
  if (path == nullptr || _stat(path, &st) != 0) return 1;
  FILE* file = _fsopen(path, "rb", _SH_DENYRD);
  if (file == nullptr) return 1;

  char block[4096];
  size_t got;
  while ((got = fread(block, 1, sizeof block, file)) > 0) {
    lineCount += static_cast<DWORD>(std::count(block, block + got, '\n'));
  }
  const bool failed = ferror(file) != 0;
  fclose(file);
  return failed ? 2 : 0;
}
