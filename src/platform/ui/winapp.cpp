#include "platform/ui/winapp.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/base/mbstring.h"
#include "platform/os/environment.h"
#include "platform/os/paths.h"
#include "platform/os/profile.h"
#include "platform/ui/dialog.h"
#include "platform/ui/doctemplate.h"
#include "platform/ui/document.h"
#include "platform/ui/frame.h"
#include "platform/ui/gdi.h"
#include "platform/ui/prompt.h"

namespace {
// Living application objects, most recently constructed first. Constant-
// initialised, so a global application object may register itself at any
// point of static initialisation.
constinit CWinApp* g_firstApp = nullptr;
char g_emptyCmdLine[1] = "";
const char kRecentSection[] = "Recent File List";
}  // namespace

IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
  ON_COMMAND_EX_RANGE(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE4, &CWinApp::OnOpenRecentFile)
  ON_UPDATE_COMMAND_UI(ID_FILE_MRU_FILE1, &CWinApp::OnUpdateRecentFileMenu)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCTSTR lpszAppName) : m_lpCmdLine(g_emptyCmdLine) {
  qv::SetAppText(m_pszAppName, lpszAppName);
  m_pNextApp = g_firstApp;
  g_firstApp = this;
}

CWinApp::~CWinApp() {
  for (CWinApp** link = &g_firstApp; *link != nullptr; link = &(*link)->m_pNextApp) {
    if (*link == this) {
      *link = m_pNextApp;
      break;
    }
  }
  std::free(const_cast<char*>(m_pszAppName));
  std::free(const_cast<char*>(m_pszExeName));
  std::free(const_cast<char*>(m_pszRegistryKey));
  std::free(const_cast<char*>(m_pszProfileName));
  for (CDocTemplate* t : m_templates) delete t;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() {
  if (m_pszRegistryKey != nullptr) SaveStdProfileSettings();
  return 0;
}

BOOL CWinApp::OnIdle(LONG) {
  if (auto* frame = dynamic_cast<CFrameWnd*>(m_pMainWnd)) frame->UpdateCommandUI(FALSE);
  return FALSE;
}

void CWinApp::AddDocTemplate(CDocTemplate* pTemplate) {
  if (pTemplate) m_templates.push_back(pTemplate);
}

CDocument* CWinApp::OpenDocumentFile(LPCTSTR lpszFileName) {
  CDocTemplate* t = GetFirstDocTemplate();
  return t ? t->OpenDocumentFile(lpszFileName) : nullptr;
}

BOOL CWinApp::SaveAllModified() {
  for (CDocTemplate* t : m_templates) {
    if (!t->SaveAllModified()) return FALSE;
  }
  return TRUE;
}

void CWinApp::CloseAllDocuments(BOOL bEndSession) {
  for (CDocTemplate* t : m_templates) t->CloseAllDocuments(bEndSession);
}

BOOL CWinApp::DoPromptFileName(CString& fileName, UINT nIDSTitle, DWORD lFlags, BOOL bOpenFileDialog,
                               CDocTemplate* pTemplate) {
  CDocTemplate* t = pTemplate ? pTemplate : GetFirstDocTemplate();
  CString filter;
  CString ext;
  if (t) {
    CString name;
    t->GetDocString(name, CDocTemplate::filterName);
    t->GetDocString(ext, CDocTemplate::filterExt);
    if (!name.IsEmpty() && !ext.IsEmpty()) filter = name + "|*" + ext + "|";
  }
  filter += CString(qv::FrameworkString(AFX_IDS_ALLFILTER)) + "|*.*||";
  CString title;
  if (nIDSTitle) title.LoadString(nIDSTitle);
  const char* defExt = ext.GetString();
  if (*defExt == '.') ++defExt;
  const qv::FileRequest request{bOpenFileDialog != FALSE, title, filter, defExt, "", fileName, lFlags};
  std::string chosen;
  const qv::OpenQuestion open;
  if (!qv::GetPeople().PickFile(request, chosen) || chosen.empty()) return FALSE;
  fileName = CString(std::string_view(chosen));
  return TRUE;
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo) {
  const std::vector<CString>& args = qv::CommandLineArgs();
  for (size_t i = 0; i < args.size(); ++i) {
    const CString& a = args[i];
    // A word that starts with '-' or '/' is a switch, except a Linux path
    // (another '/' after the first), which names a file. A switch with a
    // value ("/i:ini/abc.ini": letters, then ':') stays a switch whatever
    // its value holds.
    bool flag = a.GetLength() > 0 && (a[0] == '-' || a[0] == '/');
    if (flag && a[0] == '/' && a.Find('/', 1) >= 0) {
      int letters = 1;
      while (letters < a.GetLength() && ((a[letters] >= 'A' && a[letters] <= 'Z') || (a[letters] >= 'a' && a[letters] <= 'z')))
        ++letters;
      flag = letters > 1 && letters < a.GetLength() && a[letters] == ':';
    }
    rCmdInfo.ParseParam(flag ? a.GetString() + 1 : a.GetString(), flag ? TRUE : FALSE, i + 1 == args.size());
  }
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& rCmdInfo) {
  switch (rCmdInfo.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
    case CCommandLineInfo::FileDDE:
      // A start through the shell's DDE makes a new document and its frame
      // first, so the shell's request finds a window.
      if (!OnCmdMsg(ID_FILE_NEW, CN_COMMAND, nullptr, nullptr)) OnFileNew();
      return m_pMainWnd != nullptr;
    case CCommandLineInfo::FileOpen:
    case CCommandLineInfo::FilePrint:
    case CCommandLineInfo::FilePrintTo:
      // Printing has no counterpart here: the document is opened.
      return OpenDocumentFile(rCmdInfo.m_strFileName) != nullptr;
    case CCommandLineInfo::AppRegister:
    case CCommandLineInfo::AppUnregister:
      return FALSE;
    default:
      return TRUE;
  }
}

namespace {
CString ConfigFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg == '/') return CString(xdg);
  const char* home = std::getenv("HOME");
  return CString(home && *home ? home : "/tmp") + "/.config";
}
}  // namespace

void CWinApp::SetRegistryKey(LPCTSTR lpszRegistryKey) {
  qv::SetAppText(m_pszRegistryKey, lpszRegistryKey);
  qv::SetAppText(m_pszProfileName, m_pszAppName);
}

CString CWinApp::GetProfileFilePath() const {
  if (m_pszRegistryKey == nullptr) return CString();
  // Names become file names: separators are not allowed in them.
  CString key(m_pszRegistryKey);
  CString name(m_pszProfileName ? m_pszProfileName : "");
  key.Replace('/', '_');
  key.Replace('\\', '_');
  name.Replace('/', '_');
  name.Replace('\\', '_');
  return ConfigFolder() + "/" + key + "/" + name + ".ini";
}

void CWinApp::LoadStdProfileSettings(UINT nMaxMRU) {
  m_nMaxMRU = nMaxMRU;
  m_recentFiles.clear();
  const CString file = GetProfileFilePath();
  if (file.IsEmpty()) return;
  for (UINT i = 0; i < nMaxMRU; ++i) {
    char key[16];
    std::snprintf(key, sizeof key, "File%u", i + 1);
    char value[1024];
    GetPrivateProfileStringA(kRecentSection, key, "", value, sizeof value, file);
    // An entry some earlier version stored in Linux form reads as the
    // program's drive form, the form new entries have.
    if (value[0] != 0) m_recentFiles.emplace_back(qv::ToProgramPath(value).c_str());
  }
}

void CWinApp::SaveStdProfileSettings() {
  const CString file = GetProfileFilePath();
  if (file.IsEmpty() || m_nMaxMRU == 0) return;
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(file.GetString()).parent_path(), ec);
  for (UINT i = 0; i < m_nMaxMRU; ++i) {
    char key[16];
    std::snprintf(key, sizeof key, "File%u", i + 1);
    WritePrivateProfileStringA(kRecentSection, key, i < m_recentFiles.size() ? m_recentFiles[i].GetString() : nullptr,
                               file);
  }
}

void CWinApp::AddToRecentFileList(LPCTSTR lpszPathName) {
  if (m_nMaxMRU == 0 || lpszPathName == nullptr || *lpszPathName == 0) return;
  // One file is one entry, however its path reached the program.
  const CString path(qv::ToProgramPath(lpszPathName).c_str());
  for (size_t i = 0; i < m_recentFiles.size(); ++i) {
    if (_mbsicmp(m_recentFiles[i], path) == 0) {
      m_recentFiles.erase(m_recentFiles.begin() + static_cast<long>(i));
      break;
    }
  }
  m_recentFiles.insert(m_recentFiles.begin(), path);
  if (m_recentFiles.size() > m_nMaxMRU) m_recentFiles.resize(m_nMaxMRU);
}

void CWinApp::RemoveRecentFile(int nIndex) {
  if (nIndex >= 0 && static_cast<size_t>(nIndex) < m_recentFiles.size()) {
    m_recentFiles.erase(m_recentFiles.begin() + nIndex);
  }
}

void CWinApp::DoWaitCursor(int nCode) {
  if (nCode > 0) {
    BeginWaitCursor();
  } else if (nCode < 0) {
    EndWaitCursor();
  } else {
    RestoreWaitCursor();
  }
}

HICON CWinApp::LoadIcon(UINT nIDResource) const { return AfxLoadIcon(nIDResource); }

void CWinApp::OnFileNew() {
  if (CDocTemplate* t = GetFirstDocTemplate()) t->OpenDocumentFile(nullptr);
}

void CWinApp::OnFileOpen() {
  CString newName;
  if (!DoPromptFileName(newName, 0, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, TRUE, nullptr)) return;
  OpenDocumentFile(newName);
}

void CWinApp::OnAppExit() {
  if (m_pMainWnd) m_pMainWnd->SendMessage(WM_CLOSE, 0, 0);
}

BOOL CWinApp::OnOpenRecentFile(UINT nID) {
  const int index = static_cast<int>(nID) - static_cast<int>(ID_FILE_MRU_FILE1);
  if (index < 0 || static_cast<size_t>(index) >= m_recentFiles.size()) return FALSE;
  const CString path = m_recentFiles[static_cast<size_t>(index)];
  // A file that cannot be opened leaves the list.
  if (OpenDocumentFile(path) == nullptr) RemoveRecentFile(index);
  return TRUE;
}

void CWinApp::OnUpdateRecentFileMenu(CCmdUI* pCmdUI) { pCmdUI->Enable(!m_recentFiles.empty()); }

CWinApp* AfxGetApp() { return g_firstApp; }

LPCTSTR AfxGetAppName() {
  const CWinApp* app = AfxGetApp();
  return app && app->m_pszAppName ? app->m_pszAppName : "";
}

BOOL AfxOleInit() { return TRUE; }
void AfxEnableControlContainer() {}
BOOL AfxInitRichEdit() { return TRUE; }
BOOL AfxInitRichEdit2() { return TRUE; }

namespace qv {

void SetAppText(LPCTSTR& field, LPCTSTR text) {
  char* copy = text ? strdup(text) : nullptr;
  std::free(const_cast<char*>(field));
  field = copy;
}

std::vector<CString>& CommandLineArgs() {
  static std::vector<CString> args;
  return args;
}

}  // namespace qv
