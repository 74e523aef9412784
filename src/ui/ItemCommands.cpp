#include "ui/ItemCommands.h"

#include "compare/DiffEval.h"
#include "compare/DiffFile.h"
#include "compare/DumpWriter.h"
#include "compare/ExternalPrograms.h"
#include "compare/PathRoutines.h"
#include "records/FileInfo.h"
#include "records/Settings.h"
#include "ui/ItemDialogs.h"
#include "ui/MainFrm.h"

namespace {

// Command lines are formed in 2048 bytes; windiff takes at most 1023.
constexpr int kCommandMax = 2047;
constexpr int kWindiffCommandMax = 1023;
constexpr size_t kNamesShown = 10;

const char kMissingNewText[] = "%s\n\n上記ファイル(NEW)が存在しません。";
const char kMissingOldText[] = "%s\n\n上記ファイル(OLD)が存在しません。";
const char kMissingDiffText[] = "%s\n\n上記ファイル(DIFF)が存在しません。";
const char kNewStatusText[] = "NEWファイルパスには、指定ファイルは存在しません。";
const char kOldStatusText[] = "OLDファイルパスには、指定ファイルは存在しません。";
const char kWindiffTooLongText[] =
    "フォルダパスが長すぎぎて、windiffコマンドが実行できません。\nDFコマンドを利用ください。";
const char kSameText[] = "同じです。";
const char kBadNameText[] =
    "%s\n\n上記の名称には「..」、先頭か末尾の「\\」、「\"」、ドライブ名、または不完全な文字が含まれているため、"
    "処理できません。";
const char kNotWrittenText[] = "%s\n\n上記ファイルを作成できませんでした。";
const char kCommandTooLongText[] = "パスが長すぎるため、コマンドを実行できません。";
const char kDiffIncompleteText[] =
    "%s\n\ndiff コマンドが時間内に正常終了しなかったため、比較は完了していません。";
const char kDiffUnwrittenText[] =
    "%s\n\n差分ファイルを書き込めなかったため、比較は完了していません（ディスクの空きを確認してください）。";
const char kNamesMoreText[] = "\n…ほか %d 件";

bool IsLead(unsigned char c) { return qv::IsCp932Lead(c); }

void ShowText(const char* format, const char* subject) {
  CString text;
  text.Format(format, subject ? subject : "");
  AfxMessageBox(text, MB_OK);
}

// Starts the text editor on one file.
void OpenInEditor(const CString& path) {
  if (ZEKSettings().m_strCmdEditor.GetLength() + path.GetLength() + 3 > kCommandMax) {
    AfxMessageBox(kCommandTooLongText, MB_OK);
    return;
  }
  OpenInTextEditor(ZEKSettings().m_strCmdEditor, path);
}

// The copy of `name` in `folder` when its status can be read; else the
// message and FALSE.
BOOL StatCopy(LPCSTR folder, LPCSTR name, const char* missingText, CString& path) {
  struct _stat st;
  if (!JoinItemPath(folder, name, path) || _stat(path, &st) != 0) {
    AfxMessageBox(missingText, MB_OK);
    return FALSE;
  }
  return TRUE;
}

using Writer = int (*)(int header, LPCSTR input, LPCSTR output);

// A dump or listing of one copy into the DIFF folder (steps shared by the
// dump and listing commands). A kDump* result.
int WriteRendering(int open, int flag, LPCSTR name, const CString& newDir, const CString& oldDir,
                   const CString& diffDir, const char* suffix, Writer writer, char* outPath) {
  if (!CheckItemName(name) || !CheckItemFolders(flag | ITEM_COPY_DIFF, newDir, oldDir, diffDir)) return kDumpFailed;
  if (CheckFileExists(ItemModeWord(), flag, name, newDir, oldDir, diffDir) == 0) return kDumpCopyMissing;
  const bool isNew = flag == ITEM_COPY_NEW;
  CString source;
  if (!StatCopy(isNew ? newDir : oldDir, name, isNew ? kNewStatusText : kOldStatusText, source)) return kDumpNoStatus;

  CString target;
  if (!JoinItemPath(diffDir, CString(name) + suffix, target)) {
    ShowText(kNotWrittenText, diffDir + "\\" + name + suffix);
    return kDumpFailed;
  }
  EnsureOutputFolder(diffDir, name);
  if (outPath) strncpy_s(outPath, kItemPathMax + 1, target, _TRUNCATE);
  if (writer(1, source, target) != 0) {
    // A cut rendering, or one left from an earlier command, must not be
    // shown or compared as this copy's.
    remove(target);
    ShowText(kNotWrittenText, target);
    return kDumpFailed;
  }
  if (open) OpenInEditor(target);
  return kDumpWritten;
}

// The steps every pair command starts with. TRUE when both copies are
// there and the pair action follows; otherwise the one copy has been shown
// (or the command stops). `folders` (ITEM_COPY_*): the folders the pair
// action puts on a command line.
BOOL ResolvePair(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                 const CString& diffDir, int folders, CZEKMergeFileInfo*& record) {
  if (!CheckItemName(name)) return FALSE;
  record = FindItemRecord(records, name);
  if (record == nullptr) return FALSE;
  if ((record->m_nExist & 1) == 0) {
    ViewOldFile(name, records, newDir, oldDir, diffDir);
    return FALSE;
  }
  if ((record->m_nExist & 2) == 0) {
    ViewNewFile(name, records, newDir, oldDir, diffDir);
    return FALSE;
  }
  if (!CheckItemName(record->m_Old.m_strName) || !CheckItemFolders(folders, newDir, oldDir, diffDir)) return FALSE;
  return CheckFileExists(ItemModeWord(), ITEM_COPY_NEW | ITEM_COPY_OLD, name, newDir, oldDir, diffDir) != 0;
}

// The program and the two copies, each in quotes, two blanks between them.
CString PairCommand(const CString& program, CZEKMergeFileInfo* record, const CString& newDir,
                    const CString& oldDir) {
  CString command;
  command.Format("\"%s\"  \"%s\\%s\"  \"%s\\%s\"", program, oldDir, record->m_Old.m_strName, newDir,
                 record->m_New.m_strName);
  return command;
}

// Tells the user that a diff the command made is no whole answer; FALSE
// then. `result` is MakeDiffFile's (its -1 has been told already).
BOOL DiffIsComplete(int result, LPCSTR name) {
  if (result == kDiffIncomplete || (result == kDiffNoChanges && LastLaunchExitStatus() != 0)) {
    ShowText(kDiffIncompleteText, name);
    return FALSE;
  }
  if (result <= kDiffOldCopyFailed) {
    ShowText(kDiffUnwrittenText, name);
    return FALSE;
  }
  return result >= 0;
}

CString TimeText(LONG time) {
  char text[64];
  FormatTimeText(time, text);
  return text;
}

}  // namespace

int ItemModeWord() {
  if (CMainFrame* frame = GetMainFrame()) return frame->m_nMode;
  return ZEKSettings().m_nAppMode;
}

BOOL JoinItemPath(LPCSTR folder, LPCSTR name, CString& out) {
  out.Format("%s\\%s", folder ? folder : "", name ? name : "");
  if (out.GetLength() <= kItemPathMax) return TRUE;
  out.Empty();
  return FALSE;
}

void AppendNameSection(CString& text, LPCSTR header, const CStringList& names) {
  if (names.IsEmpty()) return;
  if (!text.IsEmpty()) text += "\n\n";
  text += header;
  size_t shown = 0;
  for (POSITION pos = names.GetHeadPosition(); pos != nullptr && shown < kNamesShown; ++shown) {
    text += "\n";
    text += names.GetNext(pos);
  }
  const INT_PTR more = names.GetCount() - static_cast<INT_PTR>(shown);
  if (more > 0) text.AppendFormat(kNamesMoreText, static_cast<int>(more));
}

BOOL IsSafeItemName(LPCSTR name) {
  if (name == nullptr || *name == '\0' || *name == '\\' || *name == '/') return FALSE;
  // Every command puts the name inside double quotes. A quote of its own,
  // a backslash before the closing quote, or a lead byte that would take
  // the closing quote as its trail byte would end or extend that argument.
  // Windows cannot hold such names, and a name ending in a separator
  // names no file.
  if (strchr(name, '"') != nullptr) return FALSE;
  const char* part = name;  // start of the current component
  for (const char* p = name;; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '\0' || c == '\\' || c == '/') {
      if (p - part == 2 && part[0] == '.' && part[1] == '.') return FALSE;
      if (c == '\0') return TRUE;
      if (p[1] == '\0') return FALSE;
      part = p + 1;
    } else if (c == ':') {
      return FALSE;
    } else if (IsLead(c)) {
      if (p[1] == '\0') return FALSE;
      ++p;
    }
  }
}

BOOL CheckItemName(LPCSTR name) {
  if (IsSafeItemName(name)) return TRUE;
  ShowText(kBadNameText, name);
  return FALSE;
}

BOOL CheckItemFolders(int flags, LPCSTR newDir, LPCSTR oldDir, LPCSTR diffDir) {
  return ((flags & ITEM_COPY_NEW) == 0 || CheckFolderText(newDir, "フォルダ(NEW)")) &&
         ((flags & ITEM_COPY_OLD) == 0 || CheckFolderText(oldDir, "フォルダ(OLD)")) &&
         ((flags & ITEM_COPY_DIFF) == 0 || CheckFolderText(diffDir, "フォルダ(DIFF)"));
}

int CheckFileExists(int mode, int flags, LPCSTR name, LPCSTR newDir, LPCSTR oldDir, LPCSTR diffDir) {
  struct Copy {
    int flag;
    LPCSTR folder;
    const char* text;
  };
  const Copy copies[] = {{ITEM_COPY_NEW, newDir, kMissingNewText},
                         {ITEM_COPY_OLD, oldDir, kMissingOldText},
                         {ITEM_COPY_DIFF, diffDir, kMissingDiffText}};
  for (const Copy& c : copies) {
    if ((flags & c.flag) == 0 || (c.flag == ITEM_COPY_NEW && mode != 0)) continue;
    CString path;
    struct _stat st;
    // A path too long for the commands' buffers is as good as missing.
    const bool fits = JoinItemPath(c.folder, name, path);
    if (!fits || _stat(path, &st) != 0) {
      if (!fits) path.Format("%s\\%s", c.folder ? c.folder : "", name ? name : "");
      ShowText(c.text, path);
      return 0;
    }
  }
  return 1;
}

CZEKMergeFileInfo* FindItemRecord(CObList* records, LPCSTR name) {
  if (records == nullptr || name == nullptr) return nullptr;
  for (POSITION pos = records->GetHeadPosition(); pos != nullptr;) {
    auto* record = static_cast<CZEKMergeFileInfo*>(records->GetNext(pos));
    if (record->m_nType != 0 && _mbscmp(record->m_New.m_strName.GetString(), name) == 0) {
      return record;
    }
  }
  return nullptr;
}

void ViewNewFile(LPCSTR name, CObList*, const CString& newDir, const CString& oldDir, const CString& diffDir) {
  if (!CheckItemName(name) || !CheckItemFolders(ITEM_COPY_NEW, newDir, oldDir, diffDir)) return;
  if (CheckFileExists(ItemModeWord(), ITEM_COPY_NEW, name, newDir, oldDir, diffDir) == 0) return;
  CString path;
  if (!JoinItemPath(newDir, name, path)) {
    AfxMessageBox(kCommandTooLongText, MB_OK);
    return;
  }
  OpenInEditor(path);
}

void ViewOldFile(LPCSTR name, CObList*, const CString& newDir, const CString& oldDir, const CString& diffDir) {
  if (!CheckItemName(name) || !CheckItemFolders(ITEM_COPY_OLD, newDir, oldDir, diffDir)) return;
  if (CheckFileExists(ItemModeWord(), ITEM_COPY_OLD, name, newDir, oldDir, diffDir) == 0) return;
  CString path;
  if (!StatCopy(oldDir, name, kOldStatusText, path)) return;
  OpenInEditor(path);
}

int DumpNewBinary(int open, LPCSTR name, CObList*, const CString& newDir, const CString& oldDir,
                  const CString& diffDir, char* outPath) {
  return WriteRendering(open, ITEM_COPY_NEW, name, newDir, oldDir, diffDir, "_bin_new.txt", WriteHexDump, outPath);
}

int DumpOldBinary(int open, LPCSTR name, CObList*, const CString& newDir, const CString& oldDir,
                  const CString& diffDir, char* outPath) {
  return WriteRendering(open, ITEM_COPY_OLD, name, newDir, oldDir, diffDir, "_bin_old.txt", WriteHexDump, outPath);
}

void ListNewSource(LPCSTR name, CObList*, const CString& newDir, const CString& oldDir, const CString& diffDir) {
  WriteRendering(1, ITEM_COPY_NEW, name, newDir, oldDir, diffDir, "_src_new.txt", WriteNumberedListing, nullptr);
}

void ListOldSource(LPCSTR name, CObList*, const CString& newDir, const CString& oldDir, const CString& diffDir) {
  WriteRendering(1, ITEM_COPY_OLD, name, newDir, oldDir, diffDir, "_src_old.txt", WriteNumberedListing, nullptr);
}

namespace {

void OpenCopy(int flag, LPCSTR name, const CString& newDir, const CString& oldDir, const CString& diffDir) {
  if (!CheckItemName(name) || !CheckItemFolders(flag, newDir, oldDir, diffDir)) return;
  if (CheckFileExists(ItemModeWord(), flag, name, newDir, oldDir, diffDir) == 0) return;
  const bool isNew = flag == ITEM_COPY_NEW;
  CString path;
  if (!StatCopy(isNew ? newDir : oldDir, name, isNew ? kNewStatusText : kOldStatusText, path)) return;
  CWnd* owner = AfxGetMainWnd();
  ShellExecuteA(owner ? owner->m_hWnd : nullptr, "open", path, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

void OpenNewFile(LPCSTR name, CObList*, const CString& newDir, const CString& oldDir, const CString& diffDir) {
  OpenCopy(ITEM_COPY_NEW, name, newDir, oldDir, diffDir);
}

void OpenOldFile(LPCSTR name, CObList*, const CString& newDir, const CString& oldDir, const CString& diffDir) {
  OpenCopy(ITEM_COPY_OLD, name, newDir, oldDir, diffDir);
}

void BinaryDiffSelected(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                        const CString& diffDir) {
  CZEKMergeFileInfo* record = nullptr;
  if (!ResolvePair(name, records, newDir, oldDir, diffDir, ITEM_COPY_NEW | ITEM_COPY_OLD | ITEM_COPY_DIFF, record)) {
    return;
  }
  // Only two dumps this command wrote are compared: a stale or missing one
  // would show an old difference as the current one.
  char newDump[kItemPathMax + 1] = {};
  char oldDump[kItemPathMax + 1] = {};
  if (DumpNewBinary(0, name, records, newDir, oldDir, diffDir, newDump) != kDumpWritten) return;
  if (DumpOldBinary(0, name, records, newDir, oldDir, diffDir, oldDump) != kDumpWritten) return;

  const CString program = ZEKSettings().m_strCmdDiff;
  CString command;
  command.Format("\"%s\" \"%s\" \"%s\"", program, oldDump, newDump);
  CString output;
  if (!JoinItemPath(diffDir, CString(name) + ".diff.txt", output)) {
    AfxMessageBox(kCommandTooLongText, MB_OK);
    return;
  }
  const int launched = LaunchToFile(0, program, command, output);
  if (launched == kLaunchNoOutput) {
    ShowText(kNotWrittenText, output);
    return;
  }
  if (launched == kLaunchNotStarted || launched == kLaunchTooLong) return;  // told
  if (launched != kLaunchDone) {
    ShowText(kDiffIncompleteText, name);
    return;
  }
  if (GetPathStatus(0, output) == 0) OpenInEditor(output);
}

void RunDFSelected(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                   const CString& diffDir) {
  CZEKMergeFileInfo* record = nullptr;
  if (!ResolvePair(name, records, newDir, oldDir, diffDir, ITEM_COPY_NEW | ITEM_COPY_OLD, record)) return;
  const CString command = PairCommand(ZEKSettings().m_strCmdDF, record, newDir, oldDir);
  if (command.GetLength() > kCommandMax) {
    AfxMessageBox(kCommandTooLongText, MB_OK);
    return;
  }
  LaunchDetached(command);
}

void RunWindiffSelected(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                        const CString& diffDir) {
  CZEKMergeFileInfo* record = nullptr;
  if (!ResolvePair(name, records, newDir, oldDir, diffDir, ITEM_COPY_NEW | ITEM_COPY_OLD, record)) return;
  const CString command = PairCommand(ZEKSettings().m_strCmdWindiff, record, newDir, oldDir);
  if (command.GetLength() > kWindiffCommandMax) {
    AfxMessageBox(kWindiffTooLongText, MB_OK);
    return;
  }
  LaunchDetached(command);
}

void ShowDiffSelected(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                      const CString& diffDir, int diffOption) {
  CZEKMergeFileInfo* record = nullptr;
  if (!ResolvePair(name, records, newDir, oldDir, diffDir, ITEM_COPY_NEW | ITEM_COPY_OLD | ITEM_COPY_DIFF, record)) {
    return;
  }
  const CString itemName = record->m_New.m_strName;
  const int result = MakeDiffFile(0, 0, ZEKSettings().m_strCmdDiff, newDir, oldDir, diffDir, itemName,
                                  record->m_New.m_tModify, record->m_Old.m_tModify, record->m_tDiffFile,
                                  diffOption, record);
  DeleteDiffHeaderFile(record, diffDir);
  if (!DiffIsComplete(result, itemName)) return;
  if (result == kDiffNoChanges) {
    // Only a diff program that ended within the wait saying "no
    // differences" (status 0) gets this far with nothing written.
    AfxMessageBox(kSameText, MB_OK);
    return;
  }
  CString path;
  if (!JoinItemPath(diffDir, itemName + ".diff", path)) return;
  int kind = 0;
  EvaluateDiffFile(path, record->m_nExist, record->m_New.m_dwLines, record->m_Old.m_dwLines, kind,
                   record->m_nRangeAdd, record->m_nRangeDel, record->m_nRangeChgRight, record->m_nRangeChgLeft,
                   record->m_nDelLines, record->m_nAddLines, record->m_nChgLines);
  OpenInEditor(path);
}

BOOL CollectDiffInfo(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                     const CString& diffDir, int diffOption, DiffInfoFields& f) {
  CZEKMergeFileInfo* record = FindItemRecord(records, name);
  if (record == nullptr) return FALSE;
  const CString itemName = record->m_New.m_strName;
  f = DiffInfoFields();
  f.name = itemName;

  const bool showNew = record->m_New.m_nExists != 0 && (record->m_nExist & 1) != 0;
  const bool showOld = record->m_Old.m_nExists != 0 && (record->m_nExist & 2) != 0;
  if (showNew) {
    f.newModified = TimeText(record->m_New.m_tModify);
    f.newCreated = TimeText(record->m_New.m_tCreate);
    f.newAccessed = TimeText(record->m_New.m_tAccess);
    f.newSize = static_cast<int>(record->m_New.m_dwSize);
    f.newLines = static_cast<int>(record->m_New.m_dwLines);
  }
  if (showOld) {
    f.oldModified = TimeText(record->m_Old.m_tModify);
    f.oldCreated = TimeText(record->m_Old.m_tCreate);
    f.oldAccessed = TimeText(record->m_Old.m_tAccess);
    f.oldSize = static_cast<int>(record->m_Old.m_dwSize);
    f.oldLines = static_cast<int>(record->m_Old.m_dwLines);
  }

  // Looking changes nothing stored: the diff is made with copies of the
  // record's times and evaluated into the dialog's fields only.
  const bool pair = (record->m_nExist & 3) == 3;
  int result = kDiffNotStarted;
  LONG newTime = record->m_New.m_tModify;
  LONG oldTime = record->m_Old.m_tModify;
  LONG diffTime = 0;
  if (pair) {
    f.stepDifference = static_cast<int>(record->m_New.m_dwLines) - static_cast<int>(record->m_Old.m_dwLines);
    if (CheckItemName(itemName) && CheckItemName(record->m_Old.m_strName) &&
        CheckItemFolders(ITEM_COPY_NEW | ITEM_COPY_OLD | ITEM_COPY_DIFF, newDir, oldDir, diffDir)) {
      result = MakeDiffFile(1, 0, ZEKSettings().m_strCmdDiff, newDir, oldDir, diffDir, itemName, newTime, oldTime,
                            diffTime, diffOption, record);
      DeleteDiffHeaderFile(record, diffDir);
      if (!DiffIsComplete(result, itemName)) result = kDiffNotStarted;
    }
  }
  // A copy on one side only has nothing to differ from: all counts 0. A
  // pair whose .diff could not be made shows the counts of the last run.
  if (pair) {
    f.deletedLines = record->m_nDelLines;
    f.addedLines = record->m_nAddLines;
    f.changedLines = record->m_nChgLines;
    f.rangeDeleted = record->m_nRangeDel;
    f.rangeAdded = record->m_nRangeAdd;
    f.rangeChangedLeft = record->m_nRangeChgLeft;
    f.rangeChangedRight = record->m_nRangeChgRight;
  }
  CString path;
  if (result >= 0 && JoinItemPath(diffDir, itemName + ".diff", path)) {
    int kind = 0;
    EvaluateDiffFile(path, record->m_nExist, record->m_New.m_dwLines, record->m_Old.m_dwLines, kind, f.rangeAdded,
                     f.rangeDeleted, f.rangeChangedRight, f.rangeChangedLeft, f.deletedLines, f.addedLines,
                     f.changedLines);
    f.evaluated = TimeText(diffTime);
  }
  return TRUE;
}

void ShowDiffInfoSelected(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                          const CString& diffDir, int diffOption) {
  DiffInfoFields fields;
  if (CollectDiffInfo(name, records, newDir, oldDir, diffDir, diffOption, fields)) ShowDiffInfoDialog(fields);
}
