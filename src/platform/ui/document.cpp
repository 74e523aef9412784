#include "platform/ui/document.h"

#include <string>
#include <vector>

#include <algorithm>

#include "platform/base/mbstring.h"
#include "platform/os/files.h"
#include "platform/ui/dialog.h"
#include "platform/ui/doctemplate.h"
#include "platform/ui/frame.h"
#include "platform/ui/prompt.h"
#include "platform/ui/winapp.h"

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)

namespace {

// Byte offset just past the last path separator ('\' or '/') of a code page
// 932 path; a trail byte 0x5C is no separator. 0 when there is none.
int NameStart(const CString& path) {
  const char* begin = path;
  const char* end = begin + path.GetLength();
  int start = 0;
  for (const char* p = begin; p < end;) {
    const char* next = _mbsinc(p);
    if (next > end) next = end;
    if (next == p + 1 && (*p == '\\' || *p == '/')) start = static_cast<int>(next - begin);
    p = next;
  }
  return start;
}

}  // namespace

CDocument::CDocument() = default;

CDocument::~CDocument() {
  while (!m_views.empty()) RemoveView(m_views.back());
  if (m_pDocTemplate) m_pDocTemplate->RemoveDocument(this);
}

void CDocument::SetTitle(LPCSTR lpszTitle) { m_strTitle = lpszTitle; }

void CDocument::SetPathName(LPCSTR lpszPathName, BOOL bAddToMRU) {
  m_strPathName = lpszPathName;
  SetTitle(m_strPathName.Mid(NameStart(m_strPathName)));
  if (bAddToMRU && !m_strPathName.IsEmpty()) {
    if (CWinApp* app = AfxGetApp()) app->AddToRecentFileList(m_strPathName);
  }
}

void CDocument::SetFileType(LPCSTR lpszFilterName, LPCSTR lpszDefaultExt) {
  m_strFilterName = lpszFilterName;
  m_strDefaultExt = lpszDefaultExt;
}

void CDocument::UpdateAllViews(CView* pSender, LPARAM lHint, CObject* pHint) {
  const std::vector<CView*> views = m_views;
  for (CView* v : views) {
    if (v != pSender && std::find(m_views.begin(), m_views.end(), v) != m_views.end()) v->OnUpdate(pSender, lHint, pHint);
  }
}

void CDocument::AddView(CView* pView) {
  if (pView == nullptr || std::find(m_views.begin(), m_views.end(), pView) != m_views.end()) return;
  m_views.push_back(pView);
  pView->m_pDocument = this;
}

void CDocument::RemoveView(CView* pView) {
  auto it = std::find(m_views.begin(), m_views.end(), pView);
  if (it == m_views.end()) return;
  m_views.erase(it);
  pView->m_pDocument = nullptr;
}

BOOL CDocument::SaveModified() {
  if (!IsModified()) return TRUE;
  CString name = m_strPathName.IsEmpty() ? m_strTitle : m_strPathName.Mid(NameStart(m_strPathName));
  if (name.IsEmpty()) name = qv::FrameworkString(AFX_IDS_UNTITLED);
  CString prompt = qv::FrameworkString(AFX_IDP_ASK_TO_SAVE);
  prompt.Replace("%1", name);
  switch (AfxMessageBox(prompt, MB_YESNOCANCEL, AFX_IDP_ASK_TO_SAVE)) {
    case IDCANCEL:
      return FALSE;
    case IDYES:
      return DoFileSave();
    default:
      return TRUE;
  }
}

BOOL CDocument::DoFileSave() {
  // A document without a name, or one whose file is read-only, is saved
  // under a name the user picks.
  if (m_strPathName.IsEmpty() || (_access(m_strPathName, 2) != 0 && _access(m_strPathName, 0) == 0)) {
    return DoSave(nullptr);
  }
  return DoSave(m_strPathName);
}

void CDocument::ReportFailure(LPCSTR lpszText) { AfxMessageBox(lpszText, MB_OK | MB_ICONEXCLAMATION); }

BOOL CDocument::OnNewDocument() {
  DeleteContents();
  m_strPathName.Empty();
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CDocument::OnOpenDocument(LPCSTR lpszPathName) {
  // The whole file is read before anything of the document is touched, so a
  // file that cannot be read leaves the open document as it was.
  std::vector<BYTE> bytes;
  const qv::FileResult read = qv::ReadWholeFile(lpszPathName, bytes);
  if (!read.ok()) {
    ReportFailure(GetFileFailureText(read, lpszPathName, FALSE));
    return FALSE;
  }

  DeleteContents();
  SetModifiedFlag(TRUE);  // modified while its contents are being read

  CString strError;
  if (!LoadContents(bytes.data(), bytes.size(), strError)) {
    DeleteContents();
    ReportFailure(strError);
    return FALSE;
  }
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CDocument::OnSaveDocument(LPCSTR lpszPathName) {
  // The temporary file is made when the first bytes come: a document that
  // cannot make its contents touches nothing.
  qv::SafeFileWriter file;
  bool begun = false;
  bool failed = false;
  CString strError;
  const BOOL made = StoreContents(
      [&](const void* pData, size_t nSize) {
        if (failed) return false;
        if (!begun) {
          begun = true;
          if (!file.Begin(lpszPathName).ok()) {
            failed = true;
            return false;
          }
        }
        if (!file.Write(pData, nSize)) failed = true;
        return !failed;
      },
      strError);
  // A failure of the file is what the user is told, also when it made the
  // contents stop.
  if (failed) {
    ReportFailure(GetFileFailureText(file.Failure(), lpszPathName, TRUE));
    return FALSE;
  }
  if (!made) {
    ReportFailure(strError);
    return FALSE;
  }
  if (!begun) {
    // A document that produced no bytes has written nothing.
    ReportFailure(GetFileFailureText(qv::FileResult{qv::FileFailure::generic, 0}, lpszPathName, TRUE));
    return FALSE;
  }
  const qv::FileResult written = file.Commit();
  if (!written.ok()) {
    ReportFailure(GetFileFailureText(written, lpszPathName, TRUE));
    return FALSE;
  }
  SetModifiedFlag(FALSE);
  return TRUE;
}

void CDocument::OnCloseDocument() {
  // Not deleted while it is being closed.
  const BOOL bAutoDelete = m_bAutoDelete;
  m_bAutoDelete = FALSE;
  while (!m_views.empty()) RemoveView(m_views.back());
  DeleteContents();
  if (bAutoDelete) {
    if (m_pDocTemplate) m_pDocTemplate->RemoveDocument(this);
    delete this;
  }
}

BOOL CDocument::DoSave(LPCSTR lpszPathName, BOOL bReplace) {
  CString newName(lpszPathName);
  if (newName.IsEmpty()) {
    // Propose the path name, else the title as a file name.
    CString proposed = m_strPathName;
    if (bReplace && proposed.IsEmpty()) {
      proposed = m_strTitle;
      const int bad = proposed.FindOneOf(":/\\");
      if (bad >= 0) proposed = proposed.Left(bad);
      if (!proposed.IsEmpty() && !m_strDefaultExt.IsEmpty()) proposed += m_strDefaultExt;
    }
    const int nameStart = NameStart(proposed);
    const CString folder = nameStart > 0 ? proposed.Left(nameStart - 1) : CString();
    const CString fileName = proposed.Mid(nameStart);

    CString filter;
    if (!m_strFilterName.IsEmpty()) filter = m_strFilterName + "|*" + m_strDefaultExt + "||";
    const char* ext = m_strDefaultExt;
    if (*ext == '.') ++ext;

    qv::FileRequest request{false,  "",       filter,
                            ext,    folder,   fileName,
                            OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT};
    std::string chosen;
    const qv::OpenQuestion open;
    if (!qv::GetPeople().PickFile(request, chosen) || chosen.empty()) return FALSE;
    newName = CString(std::string_view(chosen));
  }

  // A failed save leaves any existing file as it was, so there is nothing
  // to remove afterwards.
  if (!OnSaveDocument(newName)) return FALSE;
  if (bReplace) SetPathName(newName);
  return TRUE;
}
