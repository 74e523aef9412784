// The application object: the one configuration record of the program.
// Every part reaches it as `theApp` (or through AfxGetApp) and reads and
// writes its members directly.
#pragma once

#include "app/CommandLine.h"
#include "platform/ui/afxwin.h"
#include "platform/win.h"
#include "ui/ExtractDialogs.h"

class CZEKDoc;
class CZEKEnv_Label;
class CSingleDocTemplate;
class CFileType_Select_Chk_dlg;

class CZEKApp : public CWinApp {
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
  // A new document after the framework's question about the open one's
  // changes; FALSE (nothing changed) when the user kept the open one.
  BOOL NewDocument();
  // The comment template: ten comments keyed "[01]" to "[10]".
  void InitCommentTemplate();
  void DeleteOwnedObjects();
  // Opens the user manual beside the path's name: .pdf, else .doc, else
  // .docx; nothing when none exists.
  void OpenManual(CWnd* pOwner, const char* path);

  // Reads the settings file at start-up: program folder, installation
  // check, keys of [Quarvex] and the file-type profiles. FALSE after a
  // message; the settings file is then left untouched.
  BOOL LoadSettings();
  // Writes the keys kept across runs back into [Quarvex] of m_strIniPath.
  void SaveSettings();
  // Writes "Default_OldPath" and "Default_Comment" into [Quarvex] of the
  // given settings file; the result of the second write.
  BOOL WriteFolderDefaults(const char* iniPath);

  // TRUE when the path names an existing file or folder.
  static BOOL FileExists(const char* path);
  // ASCII letters to lower case, byte by byte, in place; returns `text`.
  static char* LowerInPlace(char* text);

  // State.
  CZEKDoc* m_pCurrentDoc = nullptr;
  BOOL m_bInitialized = FALSE;

  // Paths.
  CString m_strIniPath;
  CString m_strHomeDir;

  // Program commands: CSV viewer, editor, comparison programs (1) GUI,
  // (2) windiff, (3) UNIX-style diff.
  CString m_strCmdExcel;
  CString m_strCmdEditor;
  CString m_strCmdDF;
  CString m_strCmdWindiff;
  CString m_strCmdDiff;
  BOOL m_bCmdAvailable[5] = {};
  CString m_strCmdMenu[3];
  int m_nExtractCounter = 0;

  // Name of the current file-type profile, and its value after the load.
  CString m_strFilterName;
  CString m_strFilterNameLoaded;

  // File-list column widths in units of 96 dots per inch: 0-4 state view,
  // 5-6 comment view, 7-10 DVD list view.
  int m_nColWidth[11] = {};

  // Display mode and days.
  int m_nDispMode = 0;
  int m_nDaysFrom = 0;
  int m_nDaysTo = 0;
  int m_nNewEntryMode = 0;
  int m_nListMode = 0;
  int m_nListSide = 0;

  // Folders.
  CString m_strTempDir;
  CString m_strNewPath;
  CString m_strOldPath;
  CString m_strDiffPath;
  CString m_strDefaultComment;
  CString m_strExtractPath;
  CString m_strMasterPath;

  // Version words of the document being read or written.
  WORD m_wFileVersion[4] = {};

  // Operation modes.
  int m_nOpeMode1 = 0;
  int m_nOpeMode2 = 0;
  int m_nAppMode = 0;
  BOOL m_bDiffOverDate = FALSE;
  BOOL m_bSubdirSearch = FALSE;
  BOOL m_bDirExistDiff = FALSE;
  int m_nDiffExec = 0;
  BOOL m_bKeepComment = FALSE;
  BOOL m_bFileInfoCreated = FALSE;

  // Derived program paths.
  CString m_strBaseDir;
  CString m_strZekFileExe;
  CString m_strSelfExe;
  CString m_strExplorerExe;
  CString m_strSendToDir;
  CString m_strSystemRoot;

  // Selection handed from the file list to the per-item commands, and the
  // SendTo program list.
  CStringList m_listSelectedNames;
  CStringList m_listSendToName;
  CStringList m_listSendToPath;
  char m_szSelectedName[1024] = {};
  CZEKEnv_Label* m_pSelectedEntry = nullptr;

  // Objects owned for the whole run.
  CObList m_listOwned;
  CMyCommandLineInfo m_cmdInfo;
  COleTemplateServer m_server;
  CSingleDocTemplate* m_pDocTemplate = nullptr;
  CFileType_Select_Chk_dlg* m_pFilterDlg = nullptr;
  CFORMDLG_SEL m_dlgExtractSel;

 protected:
  DECLARE_MESSAGE_MAP()
};

extern CZEKApp theApp;
