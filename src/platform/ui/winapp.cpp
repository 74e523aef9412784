#include "platform/ui/winapp.h"

#include <cstdlib>
#include <cstring>

namespace {
// Living application objects, most recently constructed first. Constant-
// initialised, so a global application object may register itself at any
// point of static initialisation.
constinit CWinApp* g_firstApp = nullptr;
char g_emptyCmdLine[1] = "";
}  // namespace

IMPLEMENT_DYNAMIC(CWinApp, CObject)

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
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return 0; }

CWinApp* AfxGetApp() { return g_firstApp; }

LPCTSTR AfxGetAppName() {
  const CWinApp* app = AfxGetApp();
  return app && app->m_pszAppName ? app->m_pszAppName : "";
}

namespace qv {

void SetAppText(LPCTSTR& field, LPCTSTR text) {
  char* copy = text ? strdup(text) : nullptr;
  std::free(const_cast<char*>(field));
  field = copy;
}

}  // namespace qv
