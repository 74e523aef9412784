// The extraction copy dialogs. An extraction copies the NEW and OLD copies
// of listed items into a new output tree: an extraction root, zero, one or
// two levels of named folders below it, and there an OLD and a NEW folder
// side by side (and the path of a DIFF folder beside them, which is not
// made). The first level is normally named by the date and a running number
// (20261206_03).
//
// CFORMDLG_SEL (dialog 136) sets up the tree and makes its folders; the
// application keeps one for the whole run (CZEKAppWindows::m_dlgExtractSel) and
// the list's copy-out command copies into its output folders. CFORMDLG
// (dialog 133) sets up the tree and copies every record the list shows into
// it.
#pragma once

#include "platform/ui/afxwin.h"

class CZEKDoc;

// What the two dialogs share: the structure, its preview, the names, the
// folder building and its checks.
class CExtractDlgBase : public CDialog {
  DECLARE_DYNAMIC(CExtractDlgBase)

 public:
  explicit CExtractDlgBase(UINT nIDTemplate);
  ~CExtractDlgBase() override;

  CSpinButtonCtrl m_spinCounter;
  CEdit m_editOldName;
  CEdit m_editNewName;
  CEdit m_editSecondLevel;
  CEdit m_editFirstLevel;
  CTreeCtrl m_treePreview;
  int m_nLevel = -1;          // 0 direct, 1 below a first level, 2 below two
  CString m_strFirstLevel;
  CString m_strSecondLevel;
  CString m_strNewName;
  CString m_strOldName;
  CString m_strRoot;
  CString* m_pNewSrcDir = nullptr;  // NEW source folder (the frame's); set by the opener
  CString* m_pOldSrcDir = nullptr;  // OLD source folder
  int m_bOutConfirmed = 0;          // Yes given to "folder exists" in this build
  int m_nMakeFlags = 0;             // OLD made with bit 0 or 1, NEW with bit 0 or 2
  CString m_strOutRoot;             // results of the last successful build
  CString m_strOutNew;
  CString m_strOutOld;
  CString m_strOutDiff;
  CObList* m_pRecords = nullptr;    // records to copy (not owned); set by the opener
  CZEKDoc* m_pDoc = nullptr;        // the document (not owned); set by the opener

  // The first-level name of today with the running number: "%Y%m%d_%02d".
  static CString DatedName();

  // Reads the controls and checks the names; 1 when they may be used. Each
  // refusal puts the focus on the edit concerned after its message.
  int CheckNames();
  // Makes the root (asking), the levels and the OLD and NEW folders; 1 when
  // built, with the results set. On 0 nothing below the refusal was made
  // and the results of the last build stay.
  int BuildFolders();
  // An output level or folder: asks once per build about an existing one,
  // makes a missing one. 1 go on, 0 stop.
  int ConfirmOutputFolder(const CString& path);

  // The radio buttons: level 0, 1, 2 and its preview.
  void OnBnClickedDirect() { ShowLevel(0); }
  void OnBnClickedFirstLevel() { ShowLevel(1); }
  void OnBnClickedSecondLevel() { ShowLevel(2); }
  void OnBnClickedSelectFolder();
  void OnDeltaposSpin(NMHDR* pNMHDR, LRESULT* pResult);

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  void OnCancel() override;
  DECLARE_MESSAGE_MAP()

  void ShowLevel(int level);
  // The spin's range 1..99 at the running number.
  void InitCounter();

 private:
  // Focus and whole text of one edit, after the message.
  void Refuse(CEdit& edit, const char* text);
};

class CFORMDLG_SEL : public CExtractDlgBase {
  DECLARE_DYNAMIC(CFORMDLG_SEL)

 public:
  CFORMDLG_SEL();

  // 0 never set up, 1 set up, 2 a copy-out has been made into it.
  int m_nState = 0;

  // The first opening's values: the settings' extraction root, level 1,
  // "修正理由", "OLD", "NEW", running number 1.
  void SetDefaults();
  // Checks the names and builds the folders ("設定"); 1 done.
  int ValidateAndBuild();

  BOOL OnInitDialog() override;
  void OnBnClickedSet();
  void OnBnClickedChangeSource();

 protected:
  DECLARE_MESSAGE_MAP()
};

class CFORMDLG : public CExtractDlgBase {
  DECLARE_DYNAMIC(CFORMDLG)

 public:
  CFORMDLG();

  // Results of RunCopy and CopyListedFiles beside 1 (done) and 0 (failed).
  enum { kCopyRefused = -1 };  // refused before anything was made (told)

  // Checks the names, builds the folders and copies the records, then tells
  // how it ended; 1 done.
  int ValidateAndCopy();
  // Builds the folders and copies: 1 every copy made, 0 not, kCopyRefused.
  int RunCopy();
  // Copies every listed record's copies into the output folders; 1 when
  // all were copied.
  int CopyListedFiles();

  BOOL OnInitDialog() override;
  void OnBnClickedExtractCopy();

  // The records copied: the dialog's own copy of the list it was given
  // (m_pRecords), taken when it opens, so a refill of that list while it is
  // open changes nothing here.
  void TakeRecords();
  CObList m_listRecords;
  BOOL m_bRecordsTaken = FALSE;

 protected:
  void OnOK() override;
  DECLARE_MESSAGE_MAP()

 private:
  // Names of listed items that cannot be copied (folders, names leaving
  // their folder); empty when every item can be.
  CString RefusedItems();
};
