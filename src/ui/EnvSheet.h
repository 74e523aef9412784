// The settings sheet "システム環境設定" and its pages: the external
// programs, the default folders and comment, and the shortcut with its own
// settings copy. The pages change the settings record in memory; only what
// the exit writes back outlives the run.
#pragma once

#include "platform/ui/afxwin.h"
#include "ui/MyDropEdit.h"

// Runs the settings sheet modally; TRUE when it ended with OK.
BOOL ShowEnvSheet(CWnd* pParent);

class CENV_SHEET : public CPropertySheet {
  DECLARE_DYNAMIC(CENV_SHEET)

 public:
  explicit CENV_SHEET(UINT nIDCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);

 protected:
  DECLARE_MESSAGE_MAP()
};

// "プログラム設定": the CSV viewer (shown), the editor and the three
// comparison programs with their menu texts (kept hidden).
class CENV_COMMAND : public CPropertyPage {
  DECLARE_DYNCREATE(CENV_COMMAND)

 public:
  CENV_COMMAND();
  ~CENV_COMMAND() override;

  CString m_strCmdExcel;
  CString m_strCmdEditor;
  CString m_strCmdDF;
  CString m_strCmdWindiff;
  CString m_strCmdDiff;
  CString m_strCmdMenu[3];
  CMyDropEdit m_editExcel;
  CMyDropEdit m_editEditor;
  CMyDropEdit m_editDF;
  CMyDropEdit m_editWindiff;
  CMyDropEdit m_editDiff;

  BOOL OnInitDialog() override;
  void OnOK() override;
  // Leaving the page (or OK) refuses a path that does not fit the
  // program's buffers and a changed program path that names no file.
  BOOL OnKillActive() override;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  DECLARE_MESSAGE_MAP()

 public:
  void OnBnClickedBrowseExcel();
  void OnBnClickedBrowseEditor();
  void OnBnClickedBrowseDF();
  void OnBnClickedBrowseWindiff();
  void OnBnClickedBrowseDiff();

 private:
  void BrowseProgram(CString& field, const char* title, const char* filter);
};

// "初期設定": the DVD storage folder and the default comment (shown), the
// NEW, DIFF, extraction and master folders and the shortcut (kept hidden).
class CENV_FOLDER : public CPropertyPage {
  DECLARE_DYNCREATE(CENV_FOLDER)

 public:
  CENV_FOLDER();
  ~CENV_FOLDER() override;

  CString m_strNewPath;
  CString m_strOldPath;
  CString m_strDiffPath;
  CString m_strComment;
  CString m_strExtractPath;
  CString m_strMasterPath;
  CString m_strShortcutName;
  CMyDropEdit m_editNew;
  CMyDropEdit m_editOld;
  CMyDropEdit m_editDiff;
  CMyDropEdit m_editExtract;
  CMyDropEdit m_editMaster;

  BOOL OnInitDialog() override;
  void OnOK() override;
  // Leaving the page (or OK) refuses a folder that does not fit the
  // program's buffers.
  BOOL OnKillActive() override;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  DECLARE_MESSAGE_MAP()

 public:
  void OnBnClickedBrowseNew();
  void OnBnClickedBrowseOld();
  void OnBnClickedBrowseDiff();
  void OnBnClickedBrowseExtract();
  void OnBnClickedBrowseMaster();
  // Makes "<program folder>\bin\<name>.lnk" starting the program with
  // "-i:ini\<name>.ini", and that settings copy with the page's OLD folder
  // and comment.
  void OnBnClickedCreateShortcut();
  void OnBnClickedShowShortcuts();

 private:
  void BrowseFolder(CString& field, const char* title);
  // Folders typed in Linux form become the drive form the program keeps.
  void TakeFoldersInDriveForm();
};

// "表示設定": built with the sheet, never added.
class CENV_LIST_MODE : public CPropertyPage {
  DECLARE_DYNCREATE(CENV_LIST_MODE)

 public:
  CENV_LIST_MODE();
  ~CENV_LIST_MODE() override;

  int m_bShowSame = 0;
  int m_bShowNew = 0;
  int m_bShowDeleted = 0;
  int m_bShowDiff = 0;
  int m_bDateWindow = 0;
  int m_nDaysFrom = 0;
  int m_nDaysTo = 0;
  CString m_strDateFrom;
  CString m_strDateTo;
  int m_bDiffOverDate = 0;
  CSpinButtonCtrl m_spinFrom;
  CSpinButtonCtrl m_spinTo;

  BOOL OnInitDialog() override;
  void OnOK() override;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  DECLARE_MESSAGE_MAP()

 public:
  void OnDeltaposFrom(NMHDR* pNMHDR, LRESULT* pResult);
  void OnDeltaposTo(NMHDR* pNMHDR, LRESULT* pResult);
  void OnBnClickedCalcFrom();
  void OnBnClickedCalcTo();
};

// "操作設定": built with the sheet, never added.
class CENV_OPE_MODE : public CPropertyPage {
  DECLARE_DYNCREATE(CENV_OPE_MODE)

 public:
  CENV_OPE_MODE();
  ~CENV_OPE_MODE() override;

  int m_bSubdirSearch = 0;
  int m_bDirExistDiff = 0;
  int m_bKeepComment = 0;
  int m_nOpeMode1 = 0;
  int m_nDiffExec = 0;

  BOOL OnInitDialog() override;
  void OnOK() override;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
};
