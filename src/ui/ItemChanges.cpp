#include "ui/ItemChanges.h"

#include <vector>

#include "compare/PathRoutines.h"
#include "compare/RecordTexts.h"
#include "records/FileInfo.h"
#include "records/Settings.h"
#include "records/ZEKDoc.h"
#include "ui/ItemCommands.h"
#include "ui/ItemDialogs.h"
#include "ui/SmallDialogs.h"

namespace {

enum { TARGET_NEW = 1, TARGET_OLD = 2, TARGET_BOTH = 3 };

const char kDeleteBothText[] = "ファイル(NEW)，ファイル(OLD)を削除してもいいですか？\n\nファイル名称：【%s】";
const char kDeleteNewText[] = "ファイル(NEW)を削除してもいいですか？\n\nファイル名称：【%s】";
const char kDeleteOldText[] = "OLDファイルを削除してもいいですか？\n\nファイル名称：【%s】";
const char kRevertText[] =
    "ファイル(NEW)の修正を無効にして、ファイル(OLD)に戻してもいいですか？\n\nファイル名称：【%s】";
const char kRevertOldMissingText[] = "OLDファイル(%s)が存在しません。";
const char kRevertFailedText[] = "OLDファイル(%s)に戻すことに失敗しました。";
const char kFileLineText[] = "ファイル名称：【%s】";
const char kNotRemovedText[] = "次のファイルを削除できませんでした。";
const char kNotCopiedText[] = "次のファイルをコピーできませんでした。";
const char kFolderNotCopiedText[] = "次の項目はフォルダのため、コピーしていません。";
const char kListModeNewText[] =
    "リストモードでは、ファイル(NEW)はありません。NEWフォルダの中のファイルは削除も変更もしません。";
const char kNoOutputText[] = "抽出先フォルダが設定されていません。";

// The names of the selection, taken once: a question shown meanwhile may
// let the selection change under the command.
std::vector<CString> SelectedNames() {
  std::vector<CString> names;
  for (POSITION pos = ZEKSettings().m_listSelectedNames.GetHeadPosition(); pos != nullptr;)
    names.push_back(ZEKSettings().m_listSelectedNames.GetNext(pos));
  return names;
}

CString Formatted(const char* format, LPCSTR subject) {
  CString text;
  text.Format(format, subject ? subject : "");
  return text;
}

int Ask(const char* format, LPCSTR name, UINT type) { return AfxMessageBox(Formatted(format, name), type); }

// Removes copies and remembers those that stay, to tell them once.
class Removals {
 public:
  void Remove(const CString& folder, LPCSTR name) {
    CString path;
    if (!JoinItemPath(folder, name, path)) {
      m_failed.AddTail(folder + "\\" + name);
      return;
    }
    // A copy that was not there is not a failure; one that is still there
    // (a folder, a file the user may not remove) is.
    if (remove(path) != 0 && GetPathStatus(0, path) != 3) m_failed.AddTail(path);
  }
  void Report() {
    CString text;
    AppendNameSection(text, kNotRemovedText, m_failed);
    if (!text.IsEmpty()) AfxMessageBox(text, MB_OK);
    m_failed.RemoveAll();
  }

 private:
  CStringList m_failed;
};

// In list mode there is no NEW copy: a command on NEW is refused, one on
// both sides works on the OLD side.
int TargetForMode(int target) {
  if (ItemModeWord() == 0) return target;
  if (target == TARGET_NEW) {
    AfxMessageBox(kListModeNewText, MB_OK);
    return 0;
  }
  return TARGET_OLD;
}

void DeleteOne(int target, LPCSTR name, const CString& newDir, const CString& oldDir, const CString& diffDir) {
  if (!CheckItemName(name)) return;
  const int mode = ItemModeWord();
  Removals removals;
  if (target == TARGET_BOTH) {
    if (Ask(kDeleteBothText, name, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    if (CheckFileExists(mode, ITEM_COPY_NEW, name, newDir, oldDir, diffDir) == 1) removals.Remove(newDir, name);
    if (CheckFileExists(mode, ITEM_COPY_OLD, name, newDir, oldDir, diffDir) == 1) removals.Remove(oldDir, name);
  } else {
    const bool isNew = target == TARGET_NEW;
    if (CheckFileExists(mode, isNew ? ITEM_COPY_NEW : ITEM_COPY_OLD, name, newDir, oldDir, diffDir) == 0) return;
    if (Ask(isNew ? kDeleteNewText : kDeleteOldText, name, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
      return;
    removals.Remove(isNew ? newDir : oldDir, name);
  }
  removals.Report();
}

void DeleteSelected(int target, LPCSTR name, const CString& newDir, const CString& oldDir,
                    const CString& diffDir) {
  target = TargetForMode(target);
  if (target == 0) return;
  const std::vector<CString> names = SelectedNames();
  if (names.empty()) return;
  if (names.size() < 2) {
    DeleteOne(target, name, newDir, oldDir, diffDir);
    return;
  }
  Removals removals;
  bool all = false;
  for (const CString& cur : names) {
    if (!CheckItemName(cur)) continue;
    if (!all) {
      const int answer = AskItemQuestion(1, target, Formatted(kFileLineText, cur));
      if (answer == ANSWER_ALL) {
        all = true;
      } else if (answer != ANSWER_YES) {
        break;
      }
    }
    if (target & TARGET_NEW) removals.Remove(newDir, cur);
    if (target & TARGET_OLD) removals.Remove(oldDir, cur);
  }
  removals.Report();
}

// The OLD copy over the NEW copy; the failure message when it fails.
void CopyOldOverNew(LPCSTR name, const CString& newDir, const CString& oldDir) {
  CString from, to;
  if (!JoinItemPath(oldDir, name, from) || !JoinItemPath(newDir, name, to) || !CopyFileA(from, to, FALSE))
    AfxMessageBox(Formatted(kRevertFailedText, name), MB_OK);
}

// What one copy-out of one side did.
struct CopyOutRun {
  int answerMode = 1;
  CStringList failed;
  CStringList folders;
};

// One side of one record; FALSE when the copy is missing (the name is then
// done, its other side is not copied either).
BOOL CopyOutSide(int flag, const CString& sideName, const CString& sourceDir, const CString& outDir,
                 const char* tag, CopyOutRun& run) {
  if (!CheckItemName(sideName)) return FALSE;
  const bool isNew = flag == ITEM_COPY_NEW;
  if (CheckFileExists(ItemModeWord(), flag, sideName, isNew ? sourceDir : CString(),
                      isNew ? CString() : sourceDir, "") == 0) {
    return FALSE;
  }
  CString source;
  JoinItemPath(sourceDir, sideName, source);
  if (GetPathType(0, source) == 1) {
    // A folder is never half copied: it is named at the end.
    run.folders.AddTail(source);
    return TRUE;
  }
  const int result = CopyFileConfirm(run.answerMode, sourceDir, outDir, sideName, tag);
  if (result == 3) run.answerMode = 3;
  if (result == -1 || result == -2) run.failed.AddTail(source);
  return TRUE;
}

}  // namespace

void DeleteBothSelected(LPCSTR name, CObList*, const CString& newDir, const CString& oldDir,
                        const CString& diffDir) {
  DeleteSelected(TARGET_BOTH, name, newDir, oldDir, diffDir);
}

void DeleteNewSelected(LPCSTR name, CObList*, const CString& newDir, const CString& oldDir,
                       const CString& diffDir) {
  DeleteSelected(TARGET_NEW, name, newDir, oldDir, diffDir);
}

void DeleteOldSelected(LPCSTR name, CObList*, const CString& newDir, const CString& oldDir,
                       const CString& diffDir) {
  DeleteSelected(TARGET_OLD, name, newDir, oldDir, diffDir);
}

void DeleteBothFile(LPCSTR name, CObList*, const CString& newDir, const CString& oldDir, const CString& diffDir) {
  const int target = TargetForMode(TARGET_BOTH);
  if (target != 0) DeleteOne(target, name, newDir, oldDir, diffDir);
}

void DeleteNewFile(LPCSTR name, CObList*, const CString& newDir, const CString& oldDir, const CString& diffDir) {
  const int target = TargetForMode(TARGET_NEW);
  if (target != 0) DeleteOne(target, name, newDir, oldDir, diffDir);
}

void DeleteOldFile(LPCSTR name, CObList*, const CString& newDir, const CString& oldDir, const CString& diffDir) {
  DeleteOne(TARGET_OLD, name, newDir, oldDir, diffDir);
}

void RevertToOld(LPCSTR name, CObList*, const CString& newDir, const CString& oldDir, const CString& diffDir) {
  if (TargetForMode(TARGET_NEW) == 0) return;
  const std::vector<CString> names = SelectedNames();
  if (names.empty()) return;
  const int mode = ItemModeWord();
  if (names.size() < 2) {
    if (!CheckItemName(name)) return;
    if (Ask(kRevertText, name, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    if (CheckFileExists(mode, ITEM_COPY_NEW, name, newDir, oldDir, diffDir) != 1) return;
    if (CheckFileExists(mode, ITEM_COPY_OLD, name, newDir, oldDir, diffDir) != 1) {
      AfxMessageBox(Formatted(kRevertOldMissingText, name), MB_OK);
      return;
    }
    CopyOldOverNew(name, newDir, oldDir);
    return;
  }
  bool all = false;
  for (const CString& cur : names) {
    if (!CheckItemName(cur)) continue;
    if (!all) {
      const int answer = AskItemQuestion(2, 3, Formatted(kFileLineText, cur));
      if (answer == ANSWER_ALL) {
        all = true;
      } else if (answer != ANSWER_YES) {
        break;
      }
    }
    if (CheckFileExists(mode, ITEM_COPY_NEW, cur, newDir, oldDir, diffDir) == 1 &&
        CheckFileExists(mode, ITEM_COPY_OLD, cur, newDir, oldDir, diffDir) == 1) {
      CopyOldOverNew(cur, newDir, oldDir);
    }
  }
}

void CopyOutSelected(LPCSTR, CObList* records, const CString& newDir, const CString& oldDir, const CString&,
                     const CString& outNew, const CString& outOld) {
  // An empty output folder would put the copies at the drive's root.
  if (outNew.IsEmpty() || outOld.IsEmpty()) {
    AfxMessageBox(kNoOutputText, MB_OK);
    return;
  }
  const bool listMode = ItemModeWord() != 0;
  CopyOutRun run;
  for (const CString& cur : SelectedNames()) {
    const CZEKMergeFileInfo* record = FindItemRecord(records, cur);
    if (record == nullptr) continue;
    if ((record->m_nExist & 1) != 0 && !listMode &&
        !CopyOutSide(ITEM_COPY_NEW, record->m_New.m_strName, newDir, outNew, "NEW", run)) {
      continue;
    }
    if ((record->m_nExist & 2) != 0) CopyOutSide(ITEM_COPY_OLD, record->m_Old.m_strName, oldDir, outOld, "OLD", run);
  }
  CString text;
  AppendNameSection(text, kNotCopiedText, run.failed);
  AppendNameSection(text, kFolderNotCopiedText, run.folders);
  if (!text.IsEmpty()) AfxMessageBox(text, MB_OK);
}

BOOL EditCommentSelected(LPCSTR name, CObList* records, const CString&, const CString&, const CString&, int,
                         CString& text) {
  CZEKDoc* doc = ZEKSettings().m_pCurrentDoc;
  CString comment = GetRecordComment(FindItemRecord(records, name));
  text = comment;
  if (!EditCommentDialog(comment)) return FALSE;
  for (const CString& cur : SelectedNames()) {
    const CZEKMergeFileInfo* record = FindItemRecord(records, cur);
    if (record == nullptr || doc == nullptr) continue;
    const int index = record->m_nCommentIndex;
    if (index >= 0 && index < doc->m_Comment.GetCount()) doc->m_Comment.GetAt(index)->m_strComment = comment;
  }
  if (doc) doc->SetModifiedFlag(TRUE);
  text = comment;
  return TRUE;
}
