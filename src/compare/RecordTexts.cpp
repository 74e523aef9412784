#include "compare/RecordTexts.h"

#include "compare/DiffEval.h"
#include "compare/PathRoutines.h"
#include "records/Comment.h"
#include "records/FileInfo.h"
#include "records/Settings.h"
#include "records/ZEKDoc.h"

const char kNewlyCreatedText[] = "--- 新規作成された ---";
const char kDeletedText[] = "--- 削除された ---";

int GetStatusMark(const CZEKMergeFileInfo* record) { return record == nullptr || record->m_nType == 0 ? 0 : 1; }

int GetDateColumns(const CZEKMergeFileInfo* record, char* dateNew, char* dateOld) {
  if (GetStatusMark(record) == 0) return 0;
  dateNew[0] = '\0';
  dateOld[0] = '\0';
  if (record->m_nExist & 1) FormatTimeText(record->m_New.m_tModify, dateNew);
  if (record->m_nExist & 2) FormatTimeText(record->m_Old.m_tModify, dateOld);
  return 1;
}

CString GetRecordComment(const CZEKMergeFileInfo* record) {
  const CZEKDoc* doc = ZEKSettings().m_pCurrentDoc;
  if (record == nullptr || doc == nullptr) return CString();
  const int index = record->m_nCommentIndex;
  if (index < 0 || index >= doc->m_Comment.GetCount()) return CString();
  const CComment_Data_Obj* element = doc->m_Comment.GetAt(index);
  return element ? element->GetComment() : CString();
}

void SplitRelativeName(const CString& name, CString& folder, CString& leaf) {
  const int sep = name.ReverseFind('\\');
  if (sep < 0) {
    folder.Empty();
    leaf = name;
  } else {
    folder = name.Left(sep);
    leaf = name.Mid(sep + 1);
  }
}

CString DiffFilePathOf(const char* diffFolder, const CZEKMergeFileInfo* record) {
  CString path(diffFolder ? diffFolder : "");
  path += '\\';
  path += record->m_New.m_strName;
  path += ".diff";
  return path;
}

BOOL DiffFolderProbe::MayHoldDiffOf(const CZEKMergeFileInfo* record) {
  const CString& name = record->m_New.m_strName;
  const int sep = name.ReverseFind('\\');
  const std::string folder = sep < 0 ? std::string() : std::string(name.View().substr(0, static_cast<size_t>(sep)));
  auto known = m_folders.find(folder);
  if (known == m_folders.end()) {
    CString path = m_diffFolder;
    if (sep >= 0) {
      path += '\\';
      path += folder.c_str();
    }
    known = m_folders.emplace(folder, GetPathType(0, path) == 1).first;
  }
  return known->second ? TRUE : FALSE;
}

void RefreshDiffCounts(CZEKMergeFileInfo* record, const char* diffFolder, DiffFolderProbe* probe) {
  int kind = 0;
  // Only a record present on both sides has a diff file to read.
  const bool look = (record->m_nExist & 3) == 3 && (probe == nullptr || probe->MayHoldDiffOf(record));
  const CString path = look ? DiffFilePathOf(diffFolder, record) : CString();
  EvaluateDiffFile(path.IsEmpty() ? nullptr : path.GetString(), record->m_nExist, record->m_New.m_dwLines,
                   record->m_Old.m_dwLines, kind, record->m_nRangeAdd, record->m_nRangeDel,
                   record->m_nRangeChgRight, record->m_nRangeChgLeft, record->m_nDelLines, record->m_nAddLines,
                   record->m_nChgLines);
}
