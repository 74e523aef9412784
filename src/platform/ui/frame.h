// The frame window with its menu bar, toolbar and status bar; views and
// form views; the static splitter that holds them.
//
// Commands from the menu, the toolbar and the accelerators go to the frame,
// which routes them to the active view, itself, the active document and
// the application, in that order. Before a menu opens, before an
// accelerator runs and when the program is idle, update handlers
// (ON_UPDATE_COMMAND_UI) enable, mark and name the items; a command whose
// update leaves it disabled does not run, and a command nobody handles is
// shown disabled.
#pragma once

#include <vector>

#include "platform/base/cstring.h"
#include "platform/ui/dialog.h"
#include "platform/ui/menu.h"
#include "platform/ui/wnd.h"

class CDocument;
class CDocTemplate;
class CView;
class CFrameWnd;

struct CCreateContext {
  CRuntimeClass* m_pNewViewClass = nullptr;
  CDocument* m_pCurrentDoc = nullptr;
  CDocTemplate* m_pNewDocTemplate = nullptr;
  CView* m_pLastView = nullptr;
  CFrameWnd* m_pCurrentFrame = nullptr;
};

// Toolbars and status bars.
class CControlBar : public CWnd {
  DECLARE_DYNAMIC(CControlBar)

 public:
  DWORD GetBarStyle() const { return m_dwStyle; }
  void SetBarStyle(DWORD dwStyle) { m_dwStyle = dwStyle; }
  void EnableDocking(DWORD dwDockStyle) { m_dwDockStyle = dwDockStyle; }

 protected:
  DWORD m_dwStyle = 0;
  DWORD m_dwDockStyle = 0;
};

class CToolBar : public CControlBar {
  DECLARE_DYNAMIC(CToolBar)

 public:
  using CWnd::Create;
  BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_TOP, UINT nID = AFX_IDW_TOOLBAR);
  BOOL CreateEx(CWnd* pParentWnd, DWORD dwCtrlStyle = TBSTYLE_FLAT,
                DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP, CRect rcBorders = CRect(0, 0, 0, 0),
                UINT nID = AFX_IDW_TOOLBAR);
  // The buttons and their pictures from the toolbar resource.
  BOOL LoadToolBar(UINT nIDResource);
  int GetCount() const;
  // Command id of the button (0 for a separator).
  UINT GetItemID(int nIndex) const;
  // Tool tip of the button with the id ("" when none).
  CString GetButtonTip(UINT nID) const;
  BOOL IsButtonEnabled(UINT nID) const;
  BOOL IsButtonChecked(UINT nID) const;
  // Clicks the button as a person would (tests, keyboard access).
  BOOL PressButton(UINT nID);

 private:
  std::vector<UINT> m_ids;
};

class CStatusBar : public CControlBar {
  DECLARE_DYNAMIC(CStatusBar)

 public:
  using CWnd::Create;
  BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, UINT nID = AFX_IDW_STATUS_BAR);
  BOOL SetIndicators(const UINT* lpIDArray, int nIDCount);
  BOOL SetPaneText(int nIndex, LPCTSTR lpszNewText, BOOL bUpdate = TRUE);
  CString GetPaneText(int nIndex) const;
  int GetCount() const { return static_cast<int>(m_ids.size()); }
  UINT GetItemID(int nIndex) const;

 private:
  std::vector<UINT> m_ids;
};

class CView : public CWnd {
  DECLARE_DYNAMIC(CView)

 public:
  CView() = default;
  ~CView() override;

  CDocument* GetDocument() const { return m_pDocument; }
  BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
              UINT nID, CCreateContext* pContext = nullptr) override;

  // After the view and its document are ready (WM_INITIALUPDATE): the base
  // calls OnUpdate.
  virtual void OnInitialUpdate();
  // The document changed (UpdateAllViews).
  virtual void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint);
  virtual void OnDraw(CDC* pDC);

  // Printing has no counterpart here: preparing always fails.
  BOOL DoPreparePrinting(void* pInfo);

  CDocument* m_pDocument = nullptr;

 protected:
  DECLARE_MESSAGE_MAP()
  LRESULT OnInitialUpdateMessage(WPARAM, LPARAM);
  void OnFilePrint() {}
  void PostNcDestroy() override;
  friend class CDocument;
};

// A view whose contents come from a dialog template (child style).
class CFormView : public CView {
  DECLARE_DYNAMIC(CFormView)

 public:
  explicit CFormView(UINT nIDTemplate);
  BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
              UINT nID, CCreateContext* pContext = nullptr) override;
  // Data exchange to the controls, then the view's initial update.
  void OnInitialUpdate() override;
  void MapDialogRect(LPRECT lpRect) const;

  UINT m_nIDHelp = 0;
  UINT m_nIDTemplate = 0;
};

class CSplitterWnd : public CWnd {
  DECLARE_DYNAMIC(CSplitterWnd)

 public:
  enum ESplitType { splitBox, splitBar, splitIntersection, splitBorder };

  CSplitterWnd();
  ~CSplitterWnd() override;

  // A splitter with fixed rows and columns; panes are made by CreateView.
  BOOL CreateStatic(CWnd* pParentWnd, int nRows, int nCols, DWORD dwStyle = WS_CHILD | WS_VISIBLE,
                    UINT nID = AFX_IDW_PANE_FIRST);
  // Creates a view of the class in the pane; sizeInit is the pane's ideal
  // size (the last row and column take what is left).
  virtual BOOL CreateView(int row, int col, CRuntimeClass* pViewClass, SIZE sizeInit, CCreateContext* pContext);
  CWnd* GetPane(int row, int col) const;
  int IdFromRowCol(int row, int col) const { return AFX_IDW_PANE_FIRST + row * 16 + col; }
  int GetRowCount() const { return m_nRows; }
  int GetColumnCount() const { return m_nCols; }
  void SetRowInfo(int row, int cyIdeal, int cyMin);
  void GetRowInfo(int row, int& cyCur, int& cyMin) const;
  void SetColumnInfo(int col, int cxIdeal, int cxMin);
  void GetColumnInfo(int col, int& cxCur, int& cxMin) const;
  // Places the panes in the splitter.
  virtual void RecalcLayout();
  // The rectangle of a pane, in the splitter's client coordinates.
  CRect GetPaneRect(int row, int col) const;

  virtual void OnDrawSplitter(CDC* pDC, ESplitType nType, const CRect& rect);
  // The client rectangle less the outer borders.
  virtual void GetInsideRect(CRect& rect) const;
  // Bars between rows and columns, then the border of every pane.
  virtual void DrawAllSplitBars(CDC* pDC, int cxInside, int cyInside);

 protected:
  DECLARE_MESSAGE_MAP()

 public:
  void OnPaint();
  void OnSize(UINT nType, int cx, int cy);
  // Dragging a bar moves it (classes that keep their panes fixed take the
  // button down themselves).
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnMouseMove(UINT nFlags, CPoint point);
  void OnLButtonUp(UINT nFlags, CPoint point);

 protected:
  struct CRowColInfo {
    int nMinSize = 0;
    int nIdealSize = 0;
    int nCurSize = 0;
  };
  int m_cxSplitter = 7;
  int m_cySplitter = 7;
  int m_cxBorderShare = 0;
  int m_cyBorderShare = 0;
  int m_cxSplitterGap = 7;
  int m_cySplitterGap = 7;
  int m_cxBorder = 2;
  int m_cyBorder = 2;
  BOOL m_bHasHScroll = FALSE;
  BOOL m_bHasVScroll = FALSE;
  int m_nRows = 0;
  int m_nCols = 0;
  std::vector<CRowColInfo> m_rowInfo;
  std::vector<CRowColInfo> m_colInfo;
  int m_nTrackRow = -1;

 private:
  // Row boundaries within the inside rectangle.
  void Layout(std::vector<int>& rowTops, std::vector<int>& colLefts) const;
};

class CFrameWnd : public CWnd {
  DECLARE_DYNCREATE(CFrameWnd)

 public:
  using CWnd::Create;
  CFrameWnd();
  ~CFrameWnd() override;

  static const CRect rectDefault;

  BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle = WS_OVERLAPPEDWINDOW,
              const RECT& rect = rectDefault, CWnd* pParentWnd = nullptr, LPCTSTR lpszMenuName = nullptr,
              DWORD dwExStyle = 0, CCreateContext* pContext = nullptr);
  // Creates the frame with the menu, accelerators, icon and title of the
  // resource id.
  virtual BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                         CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr);
  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  // Builds the client area; the base makes one view of the context's class.
  virtual BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext);
  // Places the bars and the client window (the pane-first child).
  virtual void RecalcLayout(BOOL bNotify = TRUE);
  // Sends WM_INITIALUPDATE to the views and shows the frame.
  virtual void InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible);
  virtual void ActivateFrame(int nCmdShow = -1);

  void EnableDocking(DWORD dwDockStyle);
  void DockControlBar(CControlBar* pBar, UINT nDockBarID = 0, LPCRECT lpRect = nullptr);
  void ShowControlBar(CControlBar* pBar, BOOL bShow, BOOL bDelay);

  CView* GetActiveView() const;
  void SetActiveView(CView* pViewNew, BOOL bNotify = TRUE);
  virtual CDocument* GetActiveDocument();

  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) override;
  // Runs the update handlers of the toolbar buttons (and, with bMenus, of
  // every menu item) now.
  void UpdateCommandUI(BOOL bMenus = FALSE);
  // Runs a menu command as the menu would (through its update rule first);
  // FALSE when the item is disabled or missing.
  BOOL ExecuteMenuCommand(UINT nID);
  // Runs the command of an accelerator key (vk with kCtrl/kShift/kAlt
  // modifiers) as pressing it would; FALSE when none or disabled.
  BOOL ExecuteAccelerator(UINT vk, BYTE mods);
  // The state the menu item of the id showed after its last update.
  BOOL IsMenuItemEnabled(UINT nID);
  BOOL IsMenuItemChecked(UINT nID);
  CString GetMenuItemText(UINT nID);

  void SetMessageText(LPCTSTR lpszText);
  void SetMessageText(UINT nID);
  CString GetMessageText() const;
  CMenu* GetFrameMenu() const;
  // The tip and the prompt the status bar shows for a command id.
  CString GetCommandTip(UINT nID) const;
  CString GetCommandPrompt(UINT nID) const;

  CString m_strTitle;
  UINT m_nIDHelp = 0;
  BOOL m_bAutoMenuEnable = TRUE;

 protected:
  DECLARE_MESSAGE_MAP()

 public:
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnClose();
  void OnDropFiles(HDROP hDropInfo);
  void OnUpdateControlBarMenu(CCmdUI* pCmdUI);
  BOOL OnBarCheck(UINT nID);
  void OnHelp();
  void OnHelpFinder();
  void OnContextHelp();
  void OnHelpIndex();

 protected:
  void PostNcDestroy() override;
  CCreateContext* m_pCreateContext = nullptr;
  CView* m_pViewActive = nullptr;
  UINT m_nIDResource = 0;
  friend struct qv::ui_detail_access;
  friend class CToolBar;
  friend class CStatusBar;
};
