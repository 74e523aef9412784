// The application object of the framework. The program derives its own class
// from CWinApp and defines one global instance; the framework reaches it
// through AfxGetApp(). The windowing layer extends this class (message loop,
// document templates, main window); here it holds what exists before any
// window: the instance registration, the start-up and exit calls and the
// program's names.
#pragma once

#include "platform/base/object.h"
#include "platform/base/wintypes.h"

class CWinApp : public CObject {
  DECLARE_DYNAMIC(CWinApp)

 public:
  // Registers this object as the application; lpszAppName (copied) becomes
  // m_pszAppName, else the start-up code names the program later.
  explicit CWinApp(LPCTSTR lpszAppName = nullptr);
  ~CWinApp() override;

  // Start-up call; FALSE ends the program. The base does nothing: TRUE.
  virtual BOOL InitInstance();
  // Exit call; the result is the program's exit code. The base gives 0.
  virtual int ExitInstance();

  // Title of the program (message box captions, window titles) and the name
  // of its executable without extension. Both are owned by the object
  // (allocated with malloc; replace them with qv::SetAppText).
  LPCTSTR m_pszAppName = nullptr;
  LPCTSTR m_pszExeName = nullptr;
  // The command line after the program name; never null. Not owned: the
  // entry point points it at its own buffer, which outlives the application.
  LPTSTR m_lpCmdLine;

 private:
  CWinApp* m_pNextApp = nullptr;  // registration chain, see winapp.cpp
};

// The application object: the one the program defined. When a second one is
// constructed (tests do), the most recently constructed living one answers,
// until it is destroyed. Null before any exists.
CWinApp* AfxGetApp();
// m_pszAppName of the application, or "" when there is none.
LPCTSTR AfxGetAppName();

namespace qv {
// Replaces one of the application's owned texts (m_pszAppName,
// m_pszExeName) with a copy of text (null leaves it null).
void SetAppText(LPCTSTR& field, LPCTSTR text);
}  // namespace qv
