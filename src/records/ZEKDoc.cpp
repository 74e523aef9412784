#include "records/ZEKDoc.h"

#include <new>
#include <stdexcept>

#include "records/Settings.h"
#include "records/Archive.h"
#include "records/DocFrame.h"
#include "records/FileInfo.h"

IMPLEMENT_DYNCREATE(CZEKDoc, CDocument)

BEGIN_MESSAGE_MAP(CZEKDoc, CDocument)
  ON_UPDATE_COMMAND_UI(ID_HELP_FINDER, &CZEKDoc::OnUpdateHelpFinder)
END_MESSAGE_MAP()

namespace {

constexpr char kNewEntryName[] = "名称未設定";
constexpr char kFilterName[] = "Quarvex Files (*.qvx)";
constexpr char kDefaultExt[] = ".qvx";

int FileExceptionCause(qv::FileFailure failure) {
  switch (failure) {
    case qv::FileFailure::notFound:
      return CFileException::fileNotFound;
    case qv::FileFailure::accessDenied:
      return CFileException::accessDenied;
    case qv::FileFailure::sharingViolation:
      return CFileException::sharingViolation;
    case qv::FileFailure::diskFull:
      return CFileException::diskFull;
    case qv::FileFailure::hardIO:
      return CFileException::hardIO;
    default:
      return CFileException::genericException;
  }
}

// A record whose comment element is missing (the table was emptied while
// the record stayed) gets a new empty element: a stored index outside the
// table would make the file unreadable.
void GiveMissingComments(CObList& entries, CComment_Obj& table) {
  for (POSITION pos = entries.GetHeadPosition(); pos != nullptr;) {
    const CZEKEnv_Label* pEntry = static_cast<const CZEKEnv_Label*>(entries.GetNext(pos));
    if (pEntry->m_pRecordList == nullptr) continue;
    for (POSITION rpos = pEntry->m_pRecordList->GetHeadPosition(); rpos != nullptr;) {
      auto* pRecord = static_cast<CZEKMergeFileInfo*>(pEntry->m_pRecordList->GetNext(rpos));
      if (pRecord->m_nCommentIndex < 0 || pRecord->m_nCommentIndex >= table.GetCount()) {
        pRecord->m_nCommentIndex = table.GetCount();
        table.AddNew();
      }
    }
  }
}

}  // namespace


// ---------------------------------------------------------------------------

CZEKDoc::CZEKDoc() {
  SetFileType(kFilterName, kDefaultExt);
  ZEKSettings().m_pCurrentDoc = this;
  SetCurrentCommentTable(&m_Comment);
  ZEKSettings().m_bFileInfoCreated = FALSE;
  InitNewDocument();
}

CZEKDoc::~CZEKDoc() {
  DeleteContents();
  if (ZEKSettings().m_pCurrentDoc == this) ZEKSettings().m_pCurrentDoc = nullptr;
  if (GetCurrentCommentTable() == &m_Comment) SetCurrentCommentTable(nullptr);
  if (CZEKDocFrame* frame = CZEKDocFrame::Get()) frame->ForgetDocument(this);
}

void CZEKDoc::SetModifiedFlag(BOOL bModified) { m_bModified = bModified; }

void CZEKDoc::DeleteContents() {
  ForgetEntries();
  for (POSITION pos = m_listEntries.GetHeadPosition(); pos != nullptr;) delete m_listEntries.GetNext(pos);
  m_listEntries.RemoveAll();
  // Nothing may keep pointing at a deleted entry, and the comments of this
  // contents must not reach the next.
  m_pCurrentEntry = nullptr;
  m_Comment.Init();
}

void CZEKDoc::ForgetEntries() {
  // Whoever keeps pointers into the entries lets go before they are freed:
  // the frame's shown records and rows, and the list's selection.
  if (CZEKDocFrame* frame = CZEKDocFrame::Get()) frame->ForgetRecordsOf(this);
  for (POSITION pos = m_listEntries.GetHeadPosition(); pos != nullptr;) {
    if (m_listEntries.GetNext(pos) == ZEKSettings().m_pSelectedEntry) {
      ZEKSettings().m_pSelectedEntry = nullptr;
      ZEKSettings().m_listSelectedNames.RemoveAll();
      ZEKSettings().m_szSelectedName[0] = 0;
    }
  }
}

void CZEKDoc::InitNewDocument() {
  m_nViewCode = kViewCodeOperation;
  m_Header.Init();
  m_Header.m_nMode = 1;
  CZEKEnv_Label* pEntry = new CZEKEnv_Label;
  m_listEntries.AddTail(pEntry);
  pEntry->Init();
  m_pCurrentEntry = pEntry;
  pEntry->m_listFilterLines.RemoveAll();
  ZEKSettings().m_strFilterName = ZEKSettings().m_strFilterNameLoaded;
  pEntry->m_strName = kNewEntryName;
  pEntry->m_nId = 1;
  m_nCurrentId = 1;
  m_Comment.Init();
}

BOOL CZEKDoc::OnNewDocument() {
  if (!CDocument::OnNewDocument()) return FALSE;
  InitNewDocument();
  ZEKSettings().m_bFileInfoCreated = FALSE;
  UpdateAllViews(nullptr, 0);
  return TRUE;
}

BOOL CZEKDoc::OnOpenDocument(LPCSTR lpszPathName) {
  ZEKSettings().m_pCurrentDoc = this;
  SetCurrentCommentTable(&m_Comment);
  if (!CDocument::OnOpenDocument(lpszPathName)) {
    // A read that failed part way has emptied the document; until the
    // framework starts the new document, it holds one, so a current entry
    // always exists.
    if (m_pCurrentEntry == nullptr) InitNewDocument();
    return FALSE;
  }
  if (ZEKSettings().m_bInitialized) ShowCurrentEntry(FALSE);
  ZEKSettings().m_bFileInfoCreated = FALSE;
  UpdateAllViews(nullptr, 0);
  return TRUE;
}

void CZEKDoc::OnCloseDocument() {
  // Views are destroyed and made anew at every view switch; only closing
  // the main window closes the document.
  CZEKDocFrame* frame = CZEKDocFrame::Get();
  if (frame && frame->IsClosing()) CDocument::OnCloseDocument();
}

CZEKEnv_Label* CZEKDoc::FindEntryById(CObList& entries, int& nId) {
  CZEKEnv_Label* pLast = nullptr;
  for (POSITION pos = entries.GetHeadPosition(); pos != nullptr;) {
    CZEKEnv_Label* pEntry = static_cast<CZEKEnv_Label*>(entries.GetNext(pos));
    if (pEntry->m_nId == nId) return pEntry;
    pLast = pEntry;
  }
  if (pLast) nId = pLast->m_nId;
  return pLast;
}

void CZEKDoc::ShowCurrentEntry(BOOL bKeepMode) {
  CZEKDocFrame* frame = CZEKDocFrame::Get();
  if (m_pCurrentEntry == nullptr || frame == nullptr) return;
  frame->ShowEntry(this, bKeepMode);
}

BOOL CZEKDoc::SaveAsWithMode() {
  // Without a frame that was handed an entry there is no mode word to take.
  CZEKDocFrame* frame = CZEKDocFrame::Get();
  int mode = 0;
  if (m_pCurrentEntry && frame && frame->GetModeFor(this, mode)) m_pCurrentEntry->m_nMode = mode;
  return DoSave(nullptr, TRUE);
}

void CZEKDoc::OnUpdateHelpFinder(CCmdUI* pCmdUI) { pCmdUI->Enable(FALSE); }

void CZEKDoc::SetDocVersion(WORD wMajor, WORD wMinor, WORD wBuild) {
  ZEKSettings().m_wFileVersion[0] = 0;
  ZEKSettings().m_wFileVersion[1] = wMajor;
  ZEKSettings().m_wFileVersion[2] = wMinor;
  ZEKSettings().m_wFileVersion[3] = wBuild;
}

void CZEKDoc::GetDocVersion(WORD wVersion[4]) {
  for (int i = 0; i < 4; ++i) wVersion[i] = ZEKSettings().m_wFileVersion[i];
}

void CZEKDoc::Serialize(CArchive& ar) {
  m_Header.Serialize(ar);
  SetDocVersion(m_Header.m_wMajor, m_Header.m_wMinor, m_Header.m_wBuild);
  if (ar.IsStoring()) {
    ar.WriteObList(m_listEntries);
    ar << static_cast<LONG>(m_nCurrentId);
    ar << static_cast<LONG>(m_nViewCode);
    m_Comment.Serialize(ar);
  } else {
    ar.ReadObList(m_listEntries, RUNTIME_CLASS(CZEKEnv_Label));
    // Every view works on a current entry; a file without one is damaged.
    if (m_listEntries.IsEmpty()) ar.ThrowArchive(CArchiveException::badIndex);
    LONG nId = 0;
    ar >> nId;
    int nCurrentId = nId;
    m_pCurrentEntry = FindEntryById(m_listEntries, nCurrentId);
    m_nCurrentId = nCurrentId;
    LONG nViewCode = 0;
    ar >> nViewCode;
    m_nViewCode = nViewCode;
    m_Comment.Serialize(ar);
  }
}

BOOL CZEKDoc::LoadContents(const BYTE* pData, size_t nSize, CString& strError) {
  // An empty file holds no entry: it fails like any cut file.
  try {
    CArchive ar(pData, nSize);
    Serialize(ar);
    return TRUE;
  } catch (const CArchiveException& e) {
    strError = e.GetErrorMessage(FALSE);
  } catch (const CFileException& e) {
    strError = e.GetErrorMessage(FALSE);
  } catch (const std::exception&) {
    // Out of memory, or a list refusing an impossible position.
    strError = kArchiveTextOpenFailed;
  }
  return FALSE;
}

BOOL CZEKDoc::StoreContents(const ContentWriter& write, CString& strError) {
  // A document without entries would not read back.
  if (m_listEntries.IsEmpty()) {
    strError = kArchiveTextSaveFailed;
    return FALSE;
  }
  try {
    GiveMissingComments(m_listEntries, m_Comment);
    // Through the archive's file buffer straight into the file the
    // framework replaces: the document is never held whole in memory.
    CArchiveFile file;
    file.OpenSink(write, GetPathName());
    CArchive ar(&file, CArchive::store);
    Serialize(ar);
    ar.Close();
    file.Close();
    return TRUE;
  } catch (const CArchiveException& e) {
    strError = e.GetErrorMessage(TRUE);
  } catch (const CFileException& e) {
    strError = e.GetErrorMessage(TRUE);
  } catch (const std::exception&) {
    strError = kArchiveTextSaveFailed;
  }
  return FALSE;
}

CString CZEKDoc::GetFileFailureText(const qv::FileResult& failure, LPCSTR lpszPathName, BOOL bSaving) {
  return CFileException(FileExceptionCause(failure.cause), lpszPathName, failure.osError).GetErrorMessage(bSaving);
}
