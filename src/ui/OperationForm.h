// The operation form: the lower pane of the operation layout, where the
// folders and the comment are given and the run starts.
#pragma once

#include "platform/ui/afxwin.h"
#include "ui/MyDropEdit.h"

class CZEKMergeSRCInfo;

// The lower form of the operation layout.
class COperation_Form : public CFormView {
  DECLARE_DYNCREATE(COperation_Form)

 public:
  COperation_Form();
  ~COperation_Form() override;

  void OnInitialUpdate() override;
  void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override;
  void DoDataExchange(CDataExchange* pDX) override;

  // Mode 0 shows the NEW and DIFF rows; list mode shows only the drive.
  void ShowCompareFields(int mode);
  // The current entry's fields into the form; keepDate TRUE keeps the date.
  virtual void UpdateFromDocument(BOOL keepDate);
  // The form's fields into the current entry; a changed folder drops the
  // entry's file information.
  void ApplyToDocument();
  // Drops the current entry's records and totals.
  void DiscardRecords();
  // The run button (also a run asked for over DDE).
  void OnBnClickedRun();
  // The folder pickers of the three folder fields.
  void OnBnClickedBrowseNew();
  void OnBnClickedBrowseOld();
  void OnBnClickedBrowseDiff();
  // Opens "Quarvex.ini" in the text editor.
  void OnBnClickedOpenIni();
  // Opens the spreadsheet template beside the program, when it is there.
  void OnBnClickedOpenExcel();

  CStatic m_staticDate;
  CString m_strName;
  CMyDropEdit m_editNew;
  CMyDropEdit m_editOld;
  CMyDropEdit m_editDiff;
  CString m_strNewPath;
  CString m_strOldPath;
  CString m_strDiffPath;
  CString m_strComment;
  CString m_strDocPath;
  CObList* m_pRecordList = nullptr;      // not owned
  CZEKMergeSRCInfo* m_pTotals = nullptr;  // not owned

 protected:
  DECLARE_MESSAGE_MAP()
  void OnKillFocus(CWnd* pNewWnd);
  // Lets the user choose the folder of `field`.
  void BrowseFolder(CString& field, const char* title);
  // The folder fields as the program keeps them: a folder typed in Linux
  // form becomes the drive form, in the field and in its edit.
  void TakeFoldersInDriveForm();
};
