#include "ui/ItemDialogs.h"

#include "ui/ItemCommands.h"
#include "ui/SmallDialogs.h"

int AskItemQuestion(int kind, int target, const CString& fileLine) {
  CMessageBox_DEL_dlg box;
  box.m_nKind = kind;
  box.m_nTarget = target;
  box.m_strFileName = fileLine;
  const INT_PTR answer = box.DoModal();
  // A question that could not be shown removes nothing.
  return answer == -1 ? ANSWER_CANCEL : static_cast<int>(answer);
}

BOOL EditCommentDialog(CString& comment) {
  CDIALOG_REV_COMMENT dlg;
  dlg.m_strComment = comment;
  if (dlg.DoModal() != IDOK) return FALSE;
  comment = dlg.m_strComment;
  return TRUE;
}

void ShowDiffInfoDialog(const DiffInfoFields& f) {
  CDIFF_FILE_INFO dlg;
  dlg.m_strFileName = f.name;
  dlg.m_strNewModified = f.newModified;
  dlg.m_strNewCreated = f.newCreated;
  dlg.m_strNewAccessed = f.newAccessed;
  dlg.m_nNewSize = f.newSize;
  dlg.m_nNewLines = f.newLines;
  dlg.m_strOldModified = f.oldModified;
  dlg.m_strOldCreated = f.oldCreated;
  dlg.m_strOldAccessed = f.oldAccessed;
  dlg.m_nOldSize = f.oldSize;
  dlg.m_nOldLines = f.oldLines;
  dlg.m_nStepDifference = f.stepDifference;
  dlg.m_nDeletedLines = f.deletedLines;
  dlg.m_nAddedLines = f.addedLines;
  dlg.m_nChangedLines = f.changedLines;
  dlg.m_nDiffD = f.rangeDeleted;
  dlg.m_nDiffA = f.rangeAdded;
  dlg.m_nDiffCDeleted = f.rangeChangedLeft;
  dlg.m_nDiffCAdded = f.rangeChangedRight;
  dlg.m_strEvaluated = f.evaluated;
  dlg.DoModal();
}
