// The application object: start-up and exit, the document commands and
// the objects it owns for the whole run. It is also the settings record the
// program reads (CZEKSettings, which the layers below reach through
// ZEKSettings()) and what the windows ask of the application
// (CZEKAppWindows, reached through ZEKAppWindows()); `theApp` is for the
// application's own code.
#pragma once

#include "app/CommandLine.h"
#include "platform/ui/afxwin.h"
#include "platform/win.h"
#include "records/Settings.h"
#include "ui/AppWindows.h"

class CSingleDocTemplate;

class CZEKApp : public CWinApp, public CZEKSettings, public CZEKAppWindows {
 public:
  CZEKApp();
  ~CZEKApp() override;

  // Start-up, exit and the document commands.
  BOOL InitInstance() override;
  int ExitInstance() override;
  CDocument* OpenDocumentFile(LPCTSTR lpszFileName) override;
  void OnFileNew();
  void OnFileOpen();
  void OnFileSave();
  void OnAppAbout();
  BOOL NewDocument() override;
  // The comment template: ten comments keyed "[01]" to "[10]".
  void InitCommentTemplate();
  void DeleteOwnedObjects();

  // Reads the settings file at start-up: program folder, installation
  // check, keys of [Quarvex] and the file-type profiles. FALSE after a
  // message; the settings file is then left untouched.
  BOOL LoadSettings();

  // Objects owned for the whole run.
  CObList m_listOwned;
  CMyCommandLineInfo m_cmdInfo;
  COleTemplateServer m_server;
  CSingleDocTemplate* m_pDocTemplate = nullptr;

 protected:
  DECLARE_MESSAGE_MAP()
};

extern CZEKApp theApp;
