// The application object of the framework. The program derives its own class
// from CWinApp and defines one global instance; the framework reaches it
// through AfxGetApp(). The entry point (AfxWinMain) creates the Qt
// application, calls InitInstance, runs the message loop while the main
// window lives and calls ExitInstance.
//
// The document commands (new, open, the recent-file list) and the command
// line's shell command work through the document templates (doctemplate.h).
#pragma once

#include <vector>

#include "platform/base/cstring.h"
#include "platform/ui/cmdtarget.h"
#include "platform/base/wintypes.h"

class CWnd;
class CDocument;
class CDocTemplate;
class CCommandLineInfo;

class CWinApp : public CCmdTarget {
  DECLARE_DYNAMIC(CWinApp)

 public:
  // Registers this object as the application; lpszAppName (copied) becomes
  // m_pszAppName, else the start-up code names the program later.
  explicit CWinApp(LPCTSTR lpszAppName = nullptr);
  ~CWinApp() override;

  // Start-up call; FALSE ends the program. The base does nothing: TRUE.
  virtual BOOL InitInstance();
  // Exit call; the result is the program's exit code. The base writes the
  // recent-file list and gives 0.
  virtual int ExitInstance();
  // The message loop: runs while the main window lives (returns at once
  // without one), then ExitInstance.
  virtual int Run();
  // Idle time: the main frame's toolbar follows its update rules.
  virtual BOOL OnIdle(LONG lCount);

  // Documents.
  void AddDocTemplate(CDocTemplate* pTemplate);
  CDocTemplate* GetFirstDocTemplate() const { return m_templates.empty() ? nullptr : m_templates.front(); }
  virtual CDocument* OpenDocumentFile(LPCTSTR lpszFileName);
  // Asks every template's documents to save changes; FALSE when cancelled.
  BOOL SaveAllModified();
  void CloseAllDocuments(BOOL bEndSession);
  // The file-open dialog of the templates' filter; TRUE with the name.
  BOOL DoPromptFileName(CString& fileName, UINT nIDSTitle, DWORD lFlags, BOOL bOpenFileDialog,
                        CDocTemplate* pTemplate);

  // Command line.
  void ParseCommandLine(CCommandLineInfo& rCmdInfo);
  BOOL ProcessShellCommand(CCommandLineInfo& rCmdInfo);

  // Per-user settings and the recent-file list, kept in the layer's
  // stand-in for the registry: an ini file named by the key and the
  // application under the user's configuration folder.
  void SetRegistryKey(LPCTSTR lpszRegistryKey);
  void LoadStdProfileSettings(UINT nMaxMRU = 4);
  void SaveStdProfileSettings();
  virtual void AddToRecentFileList(LPCTSTR lpszPathName);
  const std::vector<CString>& GetRecentFiles() const { return m_recentFiles; }
  void RemoveRecentFile(int nIndex);
  // The file that keeps them ("" before SetRegistryKey).
  CString GetProfileFilePath() const;

  // Shell registration has no counterpart here: both do nothing.
  void EnableShellOpen() {}
  void RegisterShellFileTypes(BOOL = FALSE) {}

  // The wait cursor (nCode 1 begin, -1 end, 0 restore).
  void DoWaitCursor(int nCode);

  // Resources.
  HICON LoadIcon(UINT nIDResource) const;

  // Title of the program (message box captions, window titles) and the name
  // of its executable without extension. Both are owned by the object
  // (allocated with malloc; replace them with qv::SetAppText).
  LPCTSTR m_pszAppName = nullptr;
  LPCTSTR m_pszExeName = nullptr;
  LPCTSTR m_pszRegistryKey = nullptr;
  LPCTSTR m_pszProfileName = nullptr;
  // The command line after the program name; never null. Not owned: the
  // entry point points it at its own buffer, which outlives the application.
  LPTSTR m_lpCmdLine;
  HINSTANCE__* m_hInstance = nullptr;
  // The main window (the frame); null before it exists and after it went.
  CWnd* m_pMainWnd = nullptr;
  int m_nCmdShow = 1;

 protected:
  DECLARE_MESSAGE_MAP()

 public:
  // The framework's command handlers.
  void OnFileNew();
  void OnFileOpen();
  void OnFilePrintSetup() {}
  void OnAppExit();
  BOOL OnOpenRecentFile(UINT nID);
  void OnUpdateRecentFileMenu(CCmdUI* pCmdUI);

 private:
  std::vector<CDocTemplate*> m_templates;
  std::vector<CString> m_recentFiles;
  UINT m_nMaxMRU = 0;
  CWinApp* m_pNextApp = nullptr;  // registration chain, see winapp.cpp
};

// The application object: the one the program defined. When a second one is
// constructed (tests do), the most recently constructed living one answers,
// until it is destroyed. Null before any exists.
CWinApp* AfxGetApp();
// m_pszAppName of the application, or "" when there is none.
LPCTSTR AfxGetAppName();

// The entry point: Qt application, start-up, loop, exit. argv as given to
// main (UTF-8); the command line reaches the application converted to code
// page 932.
int AfxWinMain(int argc, char** argv);

// OLE, automation and rich-edit set-up have no counterpart here: they
// succeed and do nothing.
BOOL AfxOleInit();
void AfxEnableControlContainer();
BOOL AfxInitRichEdit();
BOOL AfxInitRichEdit2();

namespace qv {
// Replaces one of the application's owned texts (m_pszAppName,
// m_pszExeName) with a copy of text (null leaves it null).
void SetAppText(LPCTSTR& field, LPCTSTR text);
// The arguments of the command line as the entry point received them, code
// page 932 (empty outside AfxWinMain; tests may set them).
std::vector<CString>& CommandLineArgs();
}  // namespace qv
