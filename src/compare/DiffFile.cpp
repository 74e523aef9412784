#include "compare/DiffFile.h"

#include <cstdarg>
#include <vector>

#include "compare/PathRoutines.h"
#include "records/FileInfo.h"

namespace {

constexpr size_t kPathBuf = 1024;     // working paths
constexpr size_t kCommandBuf = 2048;  // command lines, text lines

// Lead byte of a double-byte character as the path splitter sees it.
inline bool IsSplitLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEF); }

// Lead byte as the folder maker sees it (every byte from 0xE0 up).
inline bool IsFolderLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || c >= 0xE0; }

// Formats into `buf`; false when the text does not fit. A path that does not
// fit is never used cut short: it would name another file.
bool FormatFits(char* buf, size_t size, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int n = vsnprintf(buf, size, fmt, ap);
  va_end(ap);
  if (n < 0 || static_cast<size_t>(n) >= size) {
    if (size) buf[0] = '\0';
    return false;
  }
  return true;
}

// Copies `len` bytes of `src` into `dst`, cut at a character boundary when
// they do not fit.
void CopyCut(char* dst, size_t dstSize, const char* src, size_t len) {
  if (dstSize == 0) return;
  size_t n = 0;
  while (n < len) {
    size_t step = (qv::IsCp932Lead(static_cast<unsigned char>(src[n])) && n + 1 < len) ? 2 : 1;
    if (n + step > dstSize - 1) break;
    n += step;
  }
  memcpy(dst, src, n);
  dst[n] = '\0';
}

// Position of the last backslash of `path` that is not the trail byte of a
// double-byte character, or -1.
long LastSeparator(const char* path) {
  long last = -1;
  for (long i = 0; path[i] != '\0'; ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsSplitLead(c)) {
      if (path[i + 1] == '\0') break;
      ++i;
    } else if (c == '\\') {
      last = i;
    }
  }
  return last;
}

LPCSTR RecordName(CZEKMergeFileInfo* record) { return record->m_New.m_strName; }

bool QueryModTime(const char* path, LONG& time) {
  struct _stat st;
  if (_stat(path, &st) != 0) return false;
  time = static_cast<LONG>(st.st_mtime);
  return true;
}

// The message of a diff program that did not produce a usable output, with
// the command line (or the path) it concerns.
void ShowDiffFailure(const char* text, const char* subject) {
  char msg[kCommandBuf + 256];
  snprintf(msg, sizeof(msg), text, subject);
  TellDiffMessage(msg, MB_OK);
}

constexpr const char* kLaunchFailedText =
    "diff コマンド実行異常終了\n(%s)\n    ※　ファイルパスが長すぎます。また、ZEK改造評価情報は無効です。";
constexpr const char* kNoOutputText =
    "diff コマンド実行異常終了\n(%s)\n    ※　上記の出力ファイルを作成できません。また、ZEK改造評価情報は無効です。";

// The folder levels of the folder part of `name`, outermost first ("a",
// "a\\b" for "a\\b\\c"); none for a name without a folder part.
std::vector<CString> OutputFolderLevels(LPCSTR name) {
  std::vector<CString> levels;
  if (name == nullptr) return levels;
  const long folderLen = LastSeparator(name);
  if (folderLen <= 0) return levels;
  for (long i = 0; i < folderLen; ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (IsFolderLead(c)) {
      ++i;
    } else if (c == '\\') {
      levels.emplace_back(name, static_cast<int>(i));
    }
  }
  levels.emplace_back(name, static_cast<int>(folderLen));
  return levels;
}

}  // namespace

void SplitPath(LPCSTR path, LPSTR folder, size_t folderSize, LPSTR name, size_t nameSize) {
  if (path == nullptr) path = "";
  long sep = LastSeparator(path);
  if (sep < 0) {
    CopyCut(folder, folderSize, "", 0);
    CopyCut(name, nameSize, path, strlen(path));
  } else {
    CopyCut(folder, folderSize, path, static_cast<size_t>(sep));
    CopyCut(name, nameSize, path + sep + 1, strlen(path + sep + 1));
  }
}

namespace {

// The three files of a pair's .diff in the DIFF folder: the program's
// output N.diff.txt, the result N.diff and its header N.diff.h.
struct DiffPaths {
  char txt[kPathBuf];
  char diff[kPathBuf];
  char head[kPathBuf];
  // False when a path does not fit its buffer.
  bool Form(LPCSTR diffDir, LPCSTR name) {
    return FormatFits(txt, sizeof(txt), "%s\\%s.diff.txt", diffDir, name) &&
           FormatFits(diff, sizeof(diff), "%s\\%s.diff", diffDir, name) &&
           FormatFits(head, sizeof(head), "%s\\%s.diff.h", diffDir, name);
  }
};

}  // namespace

void EnsureOutputFolder(LPCSTR diffDir, LPCSTR name) {
  if (diffDir == nullptr || name == nullptr) return;
  const std::vector<CString> levels = OutputFolderLevels(name);
  if (levels.empty()) return;

  char path[kCommandBuf];
  if (!FormatFits(path, sizeof(path), "%s\\%s", diffDir, levels.back().GetString())) return;
  if (GetPathType(1, path) == 0) return;  // already a folder
  for (const CString& level : levels) {
    if (FormatFits(path, sizeof(path), "%s\\%s", diffDir, level.GetString())) _mkdir(path);
  }
}

int WriteFileHeaderBlock(FILE* out, LPCSTR path) {
  LONG mtime = 0;
  if (out == nullptr || !QueryModTime(path, mtime)) return -1;
  char timeText[64];
  FormatTimeText(mtime, timeText);
  // Written directly, not through a fixed line buffer: a long path would not
  // fit one.
  static const char kRule[] =
      "------------------------------------------------------------------------------------------------------"
      "----------------";
  static_assert(sizeof(kRule) == 119, "the rule is 118 dashes");
  int n = fprintf(out, "%s\n          ファイル名：%s\n          修正日：%s\n%s\n", kRule, path, timeText, kRule);
  return n < 0 ? -1 : 0;
}

void WriteDiffHeaderFile(CZEKMergeFileInfo* record, LPCSTR newDir, LPCSTR oldDir, LPCSTR diffDir) {
  if (record == nullptr) return;
  LPCSTR name = RecordName(record);
  char path[kPathBuf];
  if (!FormatFits(path, sizeof(path), "%s\\%s.diff.h", diffDir, name)) return;
  FILE* out = fopen(path, "w");
  if (out == nullptr) return;
  if (FormatFits(path, sizeof(path), "%s\\%s", oldDir, name)) WriteFileHeaderBlock(out, path);
  if (FormatFits(path, sizeof(path), "%s\\%s", newDir, name)) WriteFileHeaderBlock(out, path);
  fclose(out);
}

void DeleteDiffHeaderFile(CZEKMergeFileInfo* record, LPCSTR diffDir) {
  if (record == nullptr) return;
  char path[kPathBuf];
  if (FormatFits(path, sizeof(path), "%s\\%s.diff.h", diffDir, RecordName(record))) remove(path);
}

int CopyTextSkipPrefix(LPCSTR srcDir, LPCSTR dstDir, LPCSTR name, LPCSTR outName) {
  char path[kPathBuf];
  if (!FormatFits(path, sizeof(path), "%s\\%s", srcDir, name)) return 1;
  FILE* in = fopen(path, "r");
  if (in == nullptr) return 1;
  if (!FormatFits(path, sizeof(path), "%s\\%s", dstDir, outName)) {
    fclose(in);
    return 2;
  }
  FILE* out = fopen(path, "w");
  if (out == nullptr) {
    fclose(in);
    return 2;
  }

  // A line longer than the buffer arrives in pieces; only the piece that
  // begins a line loses its first six bytes, the others are copied whole.
  char line[kCommandBuf];
  bool atLineStart = true;
  bool ok = true;
  while (fgets(line, sizeof(line), in) != nullptr) {
    size_t len = strlen(line);
    bool endsLine = len > 0 && line[len - 1] == '\n';
    if (atLineStart) {
      if (len >= 7 && fputs(line + 6, out) < 0) ok = false;
    } else if (fputs(line, out) < 0) {
      ok = false;
    }
    atLineStart = endsLine;
  }
  fclose(in);
  if (fclose(out) != 0) ok = false;
  return ok ? 0 : 2;
}

bool DiffFileUpToDate(LPCSTR newDir, LPCSTR oldDir, LPCSTR diffDir, LPCSTR name, LONG& newTime, LONG& oldTime,
                      LONG& diffTime) {
  char path[kPathBuf];
  if (FormatFits(path, sizeof(path), "%s\\%s", newDir, name)) QueryModTime(path, newTime);
  if (FormatFits(path, sizeof(path), "%s\\%s", oldDir, name)) QueryModTime(path, oldTime);
  LONG existing = 0;
  if (!FormatFits(path, sizeof(path), "%s\\%s.diff", diffDir, name) || !QueryModTime(path, existing) ||
      existing <= newTime || existing <= oldTime) {
    return false;
  }
  diffTime = existing;
  return true;
}

namespace {

// What is left of MakeDiffFile once the diff program has run.
enum class DiffFinish { none, discard, assemble };

// MakeDiffFile up to and including the diff program's run (output folder,
// N.diff.h, up-to-date test, stripped copies, N.diff.txt made and filled;
// every message): the result as far as it is known, and in `finish` what
// is left to do.
int StartDiffFile(int quiet, int force, LPCSTR diffProgram, LPCSTR newDir, LPCSTR oldDir,
                  LPCSTR diffDir, LPCSTR name, LONG& newTime, LONG& oldTime, LONG& diffTime,
                  int strip, CZEKMergeFileInfo* record, DiffFinish& finish) {
  finish = DiffFinish::none;
  EnsureOutputFolder(diffDir, name);
  WriteDiffHeaderFile(record, newDir, oldDir, diffDir);

  DiffPaths paths;
  if (!paths.Form(diffDir, name)) {
    ShowDiffFailure(kLaunchFailedText, name);
    return kDiffNotStarted;
  }
  const char* txtPath = paths.txt;

  char path[kPathBuf];
  if (!force && DiffFileUpToDate(newDir, oldDir, diffDir, name, newTime, oldTime, diffTime)) return kDiffMade;

  char oldCopy[kPathBuf];
  char newCopy[kPathBuf];
  if (strip) {
    if (!FormatFits(oldCopy, sizeof(oldCopy), "%s_old", name) ||
        CopyTextSkipPrefix(oldDir, diffDir, name, oldCopy) != 0) {
      return kDiffOldCopyFailed;
    }
    if (!FormatFits(newCopy, sizeof(newCopy), "%s_new", name) ||
        CopyTextSkipPrefix(newDir, diffDir, name, newCopy) != 0) {
      if (FormatFits(path, sizeof(path), "%s\\%s", diffDir, oldCopy)) remove(path);
      return kDiffNewCopyFailed;
    }
  }

  const CString command = strip ? DiffCommandLine(diffProgram, diffDir, oldCopy, diffDir, newCopy)
                                 : DiffCommandLine(diffProgram, oldDir, name, newDir, name);
  int launched = LaunchToFile(quiet, diffProgram, command, txtPath);

  if (strip) {
    if (FormatFits(path, sizeof(path), "%s\\%s", diffDir, oldCopy)) remove(path);
    if (FormatFits(path, sizeof(path), "%s\\%s", diffDir, newCopy)) remove(path);
  }

  if (launched == kLaunchNotStarted || launched == kLaunchNoOutput || launched == kLaunchTooLong) {
    // One message for the failure: LaunchToFile has named a program that
    // cannot start, and a command line too long unless quiet.
    if (launched == kLaunchNoOutput) ShowDiffFailure(kNoOutputText, txtPath);
    if (launched == kLaunchTooLong && quiet) ShowDiffFailure(kLaunchFailedText, command);
    finish = DiffFinish::discard;
    return kDiffNotStarted;
  }
  if (launched != kLaunchDone) {
    // Still running, or ended in trouble: what it wrote is not the whole
    // difference.
    finish = DiffFinish::discard;
    return kDiffIncomplete;
  }
  finish = DiffFinish::assemble;
  return kDiffMade;
}

// The rest of MakeDiffFile: N.diff.txt and N.diff removed, or N.diff made
// from N.diff.h and N.diff.txt.
int FinishDiffFile(DiffFinish finish, int started, LPCSTR diffDir, LPCSTR name, LONG& diffTime) {
  if (finish == DiffFinish::none) return started;
  // StartDiffFile formed the same paths, or it asked for nothing more.
  DiffPaths paths;
  if (!paths.Form(diffDir, name)) return started;
  const char* txtPath = paths.txt;
  const char* diffPath = paths.diff;
  const char* headPath = paths.head;
  if (finish == DiffFinish::discard) {
    remove(txtPath);
    remove(diffPath);
    return started;
  }

  struct _stat st;
  bool haveTxtTime = _stat(txtPath, &st) == 0;
  LONG txtTime = haveTxtTime ? static_cast<LONG>(st.st_mtime) : 0;
  if (haveTxtTime && st.st_size == 0) {
    remove(txtPath);
    remove(diffPath);
    diffTime = txtTime;
    return kDiffNoChanges;
  }

  // From here on a failure leaves neither N.diff.txt nor an N.diff.
  auto fail = [&](int result) {
    remove(diffPath);
    remove(txtPath);
    return result;
  };
  if (!CopyFileA(headPath, diffPath, FALSE)) return fail(kDiffHeaderCopyFailed);

  FILE* in = fopen(txtPath, "r");
  if (in == nullptr) return fail(kDiffOldCopyFailed);
  FILE* out = fopen(diffPath, "a+");
  if (out == nullptr) {
    fclose(in);
    return fail(kDiffNewCopyFailed);
  }
  char block[kCommandBuf];
  bool ok = true;
  size_t n;
  while ((n = fread(block, 1, sizeof(block), in)) > 0) {
    if (fwrite(block, 1, n, out) != n) {
      ok = false;
      break;
    }
  }
  if (ferror(in)) ok = false;
  fclose(in);
  if (fclose(out) != 0) ok = false;
  // A cut N.diff would be evaluated as if it held every difference.
  if (!ok) return fail(kDiffNewCopyFailed);
  remove(txtPath);
  if (haveTxtTime) {
    diffTime = txtTime;
  } else {
    QueryModTime(diffPath, diffTime);
  }
  return kDiffMade;
}

}  // namespace

int MakeDiffFile(int quiet, int force, LPCSTR diffProgram, LPCSTR newDir, LPCSTR oldDir,
                 LPCSTR diffDir, LPCSTR name, LONG& newTime, LONG& oldTime, LONG& diffTime,
                 int strip, CZEKMergeFileInfo* record) {
  DiffFinish finish = DiffFinish::none;
  const int started = StartDiffFile(quiet, force, diffProgram, newDir, oldDir, diffDir, name, newTime, oldTime,
                                    diffTime, strip, record, finish);
  return FinishDiffFile(finish, started, diffDir, name, diffTime);
}

CString DiffCommandLine(LPCSTR diffProgram, LPCSTR first, LPCSTR firstName, LPCSTR second, LPCSTR secondName) {
  // A command line cut to the buffer is longer than LaunchToFile accepts, so
  // a cut text is refused there and never started.
  char command[kCommandBuf];
  int length = snprintf(command, sizeof(command), "\"%s\" \"%s\\%s\" \"%s\\%s\"", diffProgram ? diffProgram : "",
                        first ? first : "", firstName ? firstName : "", second ? second : "",
                        secondName ? secondName : "");
  if (length < 0) command[0] = '\0';
  return CString(command);
}
