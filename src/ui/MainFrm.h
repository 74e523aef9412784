// The main frame: the program's one top-level window. Its client area is a
// splitter of two rows: the title form above and, below, the operation form
// or the file and DVD list form. It keeps the frame's copy of the shown
// comparison entry, the form font, the toolbar and the status bar, and
// receives the private messages that switch the lower view, carry DDE path
// commands and start a run.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/afxwin.h"
#include "records/DocFrame.h"

class CZEKDoc;
class CZEKMergeSRCInfo;
class COperation_Form;
class CSource_Form;
class CTitle_Form;

// Private messages of the main frame (the two view messages also name the
// layout shown).
#ifndef WM_SHOW_OPERATION_VIEW
#define WM_SHOW_OPERATION_VIEW 0x0C02
#endif
#ifndef WM_SHOW_FILE_VIEW
#define WM_SHOW_FILE_VIEW 0x0C03
#endif
#define WM_DDE_PATH_COMMAND 0x0CFD
#define WM_DIFF_EXECUTE 0x0CFE
// Posted by the frame to itself when a run has ended: it arrives after what
// the run posted (the view that shows its result).
#define WM_RUN_SETTLED 0x0CFF

// Mode word, list sub-modes and sides.
enum { MODE_COMPARE = 0, MODE_LIST = 1 };
enum { SUBMODE_STATE = 0, SUBMODE_DATE = 1, SUBMODE_DETAIL = 2, SUBMODE_VERSION = 3, SUBMODE_COMMENT = 4,
       SUBMODE_DVD_LIST = 11 };
enum { SIDE_NEW = 0, SIDE_OLD = 1 };

// The splitter of the main frame: thin bars, no scroll bars, and panes that
// keep the heights they were made with.
class CMySplitterWnd : public CSplitterWnd {
  DECLARE_DYNAMIC(CMySplitterWnd)

 public:
  CMySplitterWnd();
  void OnDrawSplitter(CDC* pDC, ESplitType nType, const CRect& rect) override;
  void GetInsideRect(CRect& rect) const override;
  void DrawAllSplitBars(CDC* pDC, int cxInside, int cyInside) override;

 protected:
  DECLARE_MESSAGE_MAP()
  void OnLButtonDown(UINT nFlags, CPoint point);
  LRESULT OnNcHitTest(CPoint point);
};

class CMainFrame : public CFrameWnd, public CZEKDocFrame {
  DECLARE_DYNCREATE(CMainFrame)

 public:
  CMainFrame();
  ~CMainFrame() override;

  // Forms (registered by each form's OnInitialUpdate; not owned).
  COperation_Form* m_pOperationForm = nullptr;
  CSource_Form* m_pSourceForm = nullptr;
  CTitle_Form* m_pTitleForm = nullptr;
  int m_nLayout = WM_SHOW_OPERATION_VIEW;
  BOOL m_bClosing = FALSE;
  int m_nMode = MODE_COMPARE;
  int m_nListMode = SUBMODE_STATE;
  int m_nListSide = SIDE_NEW;
  CMySplitterWnd* m_pSplitter = nullptr;
  // The shown comparison entry.
  CString m_strNewPath;
  CString m_strOldPath;
  CString m_strDiffPath;
  CString m_strComment;
  CObList* m_pRecordList = nullptr;      // not owned; null: no file information
  CZEKMergeSRCInfo* m_pTotals = nullptr;  // not owned
  CObList m_listShownRecords{10};         // records of the rows shown; not owned
  CZEKDoc* m_pDoc = nullptr;              // not owned
  CFont m_font;
  CCreateContext m_context;
  double m_dScale[2] = {1.0, 1.0};
  int m_nTitleHeight = 80;
  int m_nLowerHeight = 820;
  int m_nFrameWidth = 1100;
  CStatusBar m_wndStatusBar;
  CToolBar m_wndToolBar;

  // Rebuilds the splitter with the title form and the operation form
  // (WM_SHOW_OPERATION_VIEW) or the file list form (WM_SHOW_FILE_VIEW).
  void SwitchView(int nLayout);

  // Forgets the shown records: the record list, the totals, the rows and
  // the shown-record list (whoever frees records calls it first).
  void ForgetRecords();
  // What the document tells the frame (see CZEKDocFrame).
  void ShowEntry(CZEKDoc* pDoc, BOOL bKeepMode) override;
  void ForgetRecordsOf(const CZEKDoc* pDoc) override;
  void ForgetDocument(const CZEKDoc* pDoc) override;
  BOOL IsClosing() const override { return m_bClosing; }
  BOOL GetModeFor(const CZEKDoc* pDoc, int& nMode) const override;

  // A run is in progress: the view switches wait for the run's own.
  void BeginRun();
  void EndRun();
  BOOL IsRunInProgress() const { return m_nRunDepth > 0; }
  // DDE commands are answered busy: from the acceptance of DIFF_EXECUTE
  // until its run starts, while a run is in progress and until what the
  // run posted (its view) has been handled. A command taken meanwhile
  // could not be carried out as its sender meant (it would change the
  // fields under the run, or meet the file view the run ends in). The DDE
  // service is told too, so that it answers busy also while the run holds
  // the window thread.
  BOOL IsBusyForCommands() const { return m_nRunDepth > 0 || m_bRunPosted || m_bRunSettling; }

  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext) override;

 protected:
  DECLARE_MESSAGE_MAP()

 public:
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnClose();
  void OnAppExit();
  void OnGetMinMaxInfo(MINMAXINFO* lpMMI);
  LRESULT OnShowOperationView(WPARAM wParam, LPARAM lParam);
  LRESULT OnShowFileView(WPARAM wParam, LPARAM lParam);
  // The answer is a DdeCommandAnswer (ui/DdeAnswers.h).
  LRESULT OnDdePathCommand(WPARAM wParam, LPARAM lParam);
  LRESULT OnDiffExecute(WPARAM wParam, LPARAM lParam);
  LRESULT OnRunSettled(WPARAM wParam, LPARAM lParam);

  // After a change of the settings or of the display filter: the operation
  // form reads the entry again, or the list is rebuilt with its columns;
  // then the title form's operation list.
  void RefreshViews();

  // Commands of menu 200, the toolbar, and those reached by their ids.
  void OnViewOperation();
  void OnViewFile();
  void OnListState();
  void OnListDate();
  void OnListDetail();
  void OnListVersion();
  void OnListComment();
  void OnSideNew();
  void OnSideOld();
  void OnRunZekFile();
  void OnExplorer();
  void OnOpenManual();
  void OnFileInfo();
  void OnEnvSetting();
  void OnShowSameFiles();
  void OnShowNewFiles();
  void OnShowDeletedFiles();
  void OnShowDiffFiles();
  void OnExtractCopy();
  void OnExtractFolderSetting();
  void OnExportCsv();

  // Their update rules.
  void OnUpdateViewOperation(CCmdUI* pCmdUI);
  void OnUpdateViewFile(CCmdUI* pCmdUI);
  void OnUpdateListMode(CCmdUI* pCmdUI);
  void OnUpdateListSide(CCmdUI* pCmdUI);
  void OnUpdateFileLayoutOnly(CCmdUI* pCmdUI);
  void OnUpdateShowFiles(CCmdUI* pCmdUI);
  void OnUpdateRunZekFile(CCmdUI* pCmdUI);
  void OnUpdateExplorer(CCmdUI* pCmdUI);
  void OnUpdateOpenManual(CCmdUI* pCmdUI);

 private:
  // The list's sub-mode: columns rebuilt, rows refilled with `sel` selected.
  void SetListMode(int subMode, int sel);
  void SetListSide(int side);
  void ToggleDisplayFilterBit(int bit);
  // Index of the first selected row of the list, -1 when none.
  int FirstSelectedRow() const;
  template <class Dialog>
  void GiveExtractionInputs(Dialog& dlg, CObList& records);

  // Builds the splitter with the title form and the lower form; FALSE when
  // a part could not be made (the frame is then without a splitter).
  BOOL BuildSplitter(int nLayout, CCreateContext* pContext);

  // Tells the DDE service whether commands are answered busy.
  void UpdateCommandGate();

  int m_nRunDepth = 0;
  BOOL m_bRunPosted = FALSE;    // DIFF_EXECUTE accepted, its run not started
  BOOL m_bRunSettling = FALSE;  // a run ended, WM_RUN_SETTLED not handled
  BOOL m_bGateHeld = FALSE;     // this frame told the DDE service "busy"
};

// The main frame, or null while there is none (the frame the document
// reaches, CZEKDocFrame::Get()).
CMainFrame* GetMainFrame();
