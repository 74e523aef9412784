// The file and DVD list form: the lower pane of the file layout. It lists
// the merge records of the shown comparison entry that pass the display
// filter, with the column set of the mode word and the display sub-mode,
// and shows the selected record's DVD comment, the entry's HDD comment, run
// time and drive information, and the document's path.
#pragma once

#include "platform/ui/afxwin.h"
#include "ui/RBTNListView.h"

class CZEKEnv_Label;
class CZEKMergeFileInfo;
class DiffFolderProbe;

// Sort keys of the list, one sort state for the whole process: the key
// stays from one form to the next, the direction starts ascending-next (the
// first accepted header click sorts descending) with every new form.
enum { SORT_NAME = 0, SORT_NEW_TIME = 1, SORT_OLD_TIME = 2, SORT_FOLDER = 3, SORT_COMMENT = 4 };
extern int g_nSortKey;
extern BOOL g_bSortDescending;

class CSource_Form : public CFormView {
  DECLARE_DYNCREATE(CSource_Form)

 public:
  CSource_Form();
  ~CSource_Form() override;

  void OnInitialUpdate() override;

  // Values in units of 96 dots per inch as pixels (truncated).
  int ScaleX(int value) const { return static_cast<int>(value * m_dScaleX); }
  int ScaleY(int value) const { return static_cast<int>(value * m_dScaleY); }

  // The column set that (mode, subMode) selects; the rows go.
  void SetColumns(int mode, int subMode);
  // Rebuilds the rows from the frame's record list and sorts them; selects
  // row `sel` (-1: every row). Without a record list the list is emptied.
  void FillList(int sel, BOOL resetColumns);
  // The comment cell of one row (views 0, 4 and 11 have one).
  void SetCommentCell(int subMode, int row, LPCTSTR text);
  // The drive statics from a comparison entry.
  void ShowDriveInfo(const CZEKEnv_Label* entry);
  // Appends the row of one record (texts of every column of the view). A
  // fill passes one probe of the DIFF folder for all its rows.
  void InsertRow(int mode, int row, int subMode, CZEKMergeFileInfo* record, int side, LPCTSTR diffFolder,
                 DiffFolderProbe* probe = nullptr);
  // Empties the rows (their item data point at records that may go).
  void ClearRows();

  // The list's sort callback on two records (item data), by g_nSortKey.
  static int CompareItems(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort);
  // The view a mode word and a sub-mode show: the DVD list (11) in list
  // mode unless the sub-mode is the comment view, else the sub-mode.
  static int ViewOf(int mode, int subMode);

  CRBTN_ListView m_list;
  CStatic m_stDate;
  CString m_strDvdComment;
  CString m_strHddComment;
  CString m_strPath;
  int m_nSubMode = 0;
  int m_nSide = 0;
  double m_dScaleX = 1.0;
  double m_dScaleY = 1.0;
  CButton m_btnFilter;

 private:
  int m_nDvdCommentWidth = 0;  // the DVD comment box's own width, taken at the first layout
  // Where the widths of the shown columns are kept (CZEKSettings::
  // m_nColWidth), -1 for fixed widths: the list may lose the focus as the
  // form goes, when the frame already shows another mode.
  int m_nStoredWidthsFirst = -1;
  int m_nStoredWidthsCount = 0;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  DECLARE_MESSAGE_MAP()

 public:
  void OnNMClickList(NMHDR* pNMHDR, LRESULT* pResult);
  void OnLvnItemchangedList(NMHDR* pNMHDR, LRESULT* pResult);
  void OnLvnColumnclickList(NMHDR* pNMHDR, LRESULT* pResult);
  void OnNMDblclkList(NMHDR* pNMHDR, LRESULT* pResult);
  void OnNMKillfocusList(NMHDR* pNMHDR, LRESULT* pResult);
  void OnBnClickedFilter();
  void OnClose();
  void OnSize(UINT nType, int cx, int cy);

 private:
  // The DVD comment of the first selected row into the comment box.
  void ShowSelectedComment();
};
