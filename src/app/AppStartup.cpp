// The application's life: start-up, exit, the document commands, the owned
// objects with the comment template, and the manual opener.
#include "app/ZEKApp.h"
#include "compare/PathRoutines.h"
#include "records/Comment.h"
#include "records/ZEKDoc.h"
#include "res/resource.h"
#include "ui/AboutDlg.h"
#include "ui/FilterDialogs.h"
#include "ui/MainFrm.h"
#include "ui/ZEKView.h"

BEGIN_MESSAGE_MAP(CZEKApp, CWinApp)
  ON_COMMAND(ID_APP_ABOUT, &CZEKApp::OnAppAbout)
  ON_COMMAND(ID_FILE_NEW, &CZEKApp::OnFileNew)
  ON_COMMAND(ID_FILE_OPEN, &CZEKApp::OnFileOpen)
  ON_COMMAND(ID_FILE_SAVE, &CZEKApp::OnFileSave)
  ON_COMMAND(ID_FILE_SAVE_AS, &CZEKApp::OnFileSave)
  ON_COMMAND(ID_FILE_PRINT_SETUP, &CWinApp::OnFilePrintSetup)
END_MESSAGE_MAP()

namespace {
// The class identifier under which the document type would register for
// automation (no automation exists here; the value is only kept).
const unsigned char kDocumentClassId[16] = {0x5a, 0x45, 0x4b, 0x51, 0x76, 0x78, 0x44, 0x6f,
                                            0x63, 0x75, 0x6d, 0x65, 0x6e, 0x74, 0x00, 0x01};
}  // namespace

BOOL CZEKApp::InitInstance() {
  // OLE, controls and rich edits come first: nothing runs without them.
  if (!AfxOleInit()) {
    AfxMessageBox(IDP_OLE_INIT_FAILED);
    return FALSE;
  }
  AfxEnableControlContainer();
  AfxInitRichEdit();
  // The application's name from its string resource.
  CString title;
  if (title.LoadString(AFX_IDS_APP_TITLE)) qv::SetAppText(m_pszAppName, title);
  // The recent-file list is kept under the per-user key.
  SetRegistryKey("Orvane");
  LoadStdProfileSettings(4);
  // One document type with its frame and view; the automation server and the
  // shell registration are set up as the framework does.
  m_pDocTemplate = new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CZEKDoc), RUNTIME_CLASS(CMainFrame),
                                          RUNTIME_CLASS(CZEKView));
  AddDocTemplate(m_pDocTemplate);
  m_server.ConnectTemplate(kDocumentClassId, m_pDocTemplate, FALSE);
  EnableShellOpen();
  RegisterShellFileTypes(TRUE);
  // A failed installation check ends the start-up without a window and
  // without writing the settings (ExitInstance writes them only after a
  // start).
  ParseCommandLine(m_cmdInfo);
  if (!LoadSettings()) return TRUE;
  // Making the first document changes the mode; every start is in the mode
  // the settings gave.
  const int appMode = m_nAppMode;
  InitCommentTemplate();
  // Embedding and automation have no window.
  if (m_cmdInfo.m_bRunEmbedded || m_cmdInfo.m_bRunAutomated) {
    COleTemplateServer::RegisterAll();
    return TRUE;
  }
  // The display-filter window, hidden until the file list shows it.
  m_pFilterDlg = new CFileType_Select_Chk_dlg;
  if (m_pFilterDlg->Create(IDD_FILETYPE_SELECT_CHK, nullptr)) {
    m_pFilterDlg->ShowWindow(SW_HIDE);
  } else {
    delete m_pFilterDlg;
    m_pFilterDlg = nullptr;
  }
  // The new document or the one the command line names, with its frame.
  if (!ProcessShellCommand(m_cmdInfo)) return FALSE;
  // The caption names the file the command line opened, without its folder.
  if (m_pMainWnd && !m_cmdInfo.m_strFileName.IsEmpty()) {
    const CString& path = m_cmdInfo.m_strFileName;
    int nameStart = 0;
    for (int i = 0; i < path.GetLength(); ++i) {
      const unsigned char c = static_cast<unsigned char>(path[i]);
      if (qv::IsCp932Lead(c) && i + 1 < path.GetLength()) {
        ++i;
      } else if (c == '\\' || c == '/') {
        nameStart = i + 1;
      }
    }
    CString caption;
    caption.Format("%s - %s", path.Mid(nameStart).GetString(), m_pszAppName ? m_pszAppName : "");
    m_pMainWnd->SetWindowText(caption);
  }
  if (m_pMainWnd) m_pMainWnd->DragAcceptFiles(TRUE);
  // The windows are up: a document opened from now on is shown at once, and
  // the shown entry takes the mode of the start.
  m_bInitialized = TRUE;
  m_nAppMode = appMode;
  if (m_pCurrentDoc && m_pCurrentDoc->m_pCurrentEntry) {
    m_pCurrentDoc->m_pCurrentEntry->m_nMode = m_nAppMode;
    m_pCurrentDoc->ShowCurrentEntry(FALSE);
  }
  return TRUE;
}

int CZEKApp::ExitInstance() {
  // The window deletes its object when it goes.
  if (m_pFilterDlg) m_pFilterDlg->DestroyWindow();
  if (m_bInitialized) SaveSettings();
  DeleteOwnedObjects();
  return CWinApp::ExitInstance();
}

CDocument* CZEKApp::OpenDocumentFile(LPCTSTR lpszFileName) {
  CZEKDoc* remembered = m_pCurrentDoc;
  CDocument* opened = CWinApp::OpenDocumentFile(lpszFileName);
  if (opened != nullptr) {
    m_pCurrentDoc = static_cast<CZEKDoc*>(opened);
    return opened;
  }
  // A failed open is a failure: the open document stays the current one.
  if (m_pCurrentDoc == nullptr && remembered != nullptr && m_pDocTemplate &&
      m_pDocTemplate->GetOnlyDocument() == remembered) {
    m_pCurrentDoc = remembered;
  }
  return nullptr;
}

BOOL CZEKApp::NewDocument() {
  CZEKDoc* remembered = m_pCurrentDoc;
  // The framework asks about the open document's changes first; only a new
  // document that really comes replaces its contents.
  CDocument* made = m_pDocTemplate ? m_pDocTemplate->OpenDocumentFile(nullptr) : nullptr;
  if (made == nullptr) return FALSE;
  if (remembered && remembered != m_pCurrentDoc && m_pCurrentDoc) {
    const BOOL autoDelete = remembered->m_bAutoDelete;
    remembered->m_bAutoDelete = FALSE;
    m_pDocTemplate->RemoveDocument(remembered);
    m_pDocTemplate->AddDocument(m_pCurrentDoc);
    m_pCurrentDoc->m_bAutoDelete = autoDelete;
  }
  if (m_pCurrentDoc) m_pCurrentDoc->ShowCurrentEntry(FALSE);
  return TRUE;
}

void CZEKApp::OnFileNew() { NewDocument(); }

void CZEKApp::OnFileOpen() {
  CWinApp::OnFileOpen();
  if (m_pCurrentDoc) m_pCurrentDoc->ShowCurrentEntry(FALSE);
}

void CZEKApp::OnFileSave() {
  if (m_pCurrentDoc == nullptr) return;
  // The file dialog opens in the extraction folder.
  if (!m_strExtractPath.IsEmpty() && GetPathType(0, m_strExtractPath) == 1) _chdir(m_strExtractPath);
  m_pCurrentDoc->SetModifiedFlag(TRUE);
  m_pCurrentDoc->SaveAsWithMode();
  // Back to the program folder, whose relative program paths depend on it.
  if (!m_strHomeDir.IsEmpty()) _chdir(m_strHomeDir);
}

void CZEKApp::OnAppAbout() {
  CAboutDlg about;
  about.DoModal();
}

void CZEKApp::InitCommentTemplate() {
  auto* templ = new CComment_Obj;
  for (int i = 1; i <= 10; ++i) {
    templ->AddNew();
    CString key;
    key.Format("[%02d]", i);
    templ->GetAt(templ->GetCount() - 1)->SetKey(key);
  }
  m_listOwned.AddTail(templ);
}

void CZEKApp::DeleteOwnedObjects() {
  for (POSITION pos = m_listOwned.GetHeadPosition(); pos != nullptr;) delete m_listOwned.GetNext(pos);
  m_listOwned.RemoveAll();
}
