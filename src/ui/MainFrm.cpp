#include "ui/MainFrm.h"

#include <cstring>

#include "app/ZEKApp.h"
#include "records/ZEKDoc.h"
#include "res/resource.h"
#include "ui/OperationForm.h"
#include "ui/SourceForm.h"
#include "ui/TitleForm.h"

IMPLEMENT_DYNAMIC(CMySplitterWnd, CSplitterWnd)
IMPLEMENT_DYNCREATE(CMainFrame, CFrameWnd)

namespace {

// The frame being built or shown (forms register with it before it
// becomes the application's main window).
CMainFrame* g_pFrame = nullptr;

// A DDE path command of this length or more has no room in the path
// buffer: it is dropped whole rather than cut to another folder.
constexpr size_t kDdePathMax = 1023;
constexpr size_t kDdeCommandMax = 2046;
constexpr size_t kKeywordSize = 16;
// A run asked for while another run was in progress.
const char kDeferredRun[] = "";

const UINT kIndicators[] = {ID_SEPARATOR, ID_INDICATOR_KANA, ID_INDICATOR_CAPS, ID_INDICATOR_NUM,
                            ID_INDICATOR_SCRL};

}  // namespace

CMainFrame* GetMainFrame() {
  if (auto* f = dynamic_cast<CMainFrame*>(AfxGetMainWnd())) return f;
  return g_pFrame;
}

// ---------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CMySplitterWnd, CSplitterWnd)
  ON_WM_LBUTTONDOWN()
  ON_WM_NCHITTEST()
END_MESSAGE_MAP()

CMySplitterWnd::CMySplitterWnd() {
  m_cxSplitter = m_cySplitter = 2;
  m_cxBorderShare = m_cyBorderShare = 1;
  m_cxSplitterGap = m_cySplitterGap = 3;
  m_bHasHScroll = FALSE;
  m_bHasVScroll = FALSE;
}

// 2-pixel bars with a highlight and a shadow edge, and pane borders with a
// light grey (0xC0C0C0) inner top-left edge: the drawing the splitter base
// does.
void CMySplitterWnd::OnDrawSplitter(CDC* pDC, ESplitType nType, const CRect& rect) {
  CSplitterWnd::OnDrawSplitter(pDC, nType, rect);
}

void CMySplitterWnd::GetInsideRect(CRect& rect) const { CSplitterWnd::GetInsideRect(rect); }

void CMySplitterWnd::DrawAllSplitBars(CDC* pDC, int cxInside, int cyInside) {
  CSplitterWnd::DrawAllSplitBars(pDC, cxInside, cyInside);
}

// The bar is never dragged: the panes keep the heights they were made with.
void CMySplitterWnd::OnLButtonDown(UINT, CPoint) {}

LRESULT CMySplitterWnd::OnNcHitTest(CPoint point) { return CSplitterWnd::OnNcHitTest(point); }

// ---------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
  ON_WM_CREATE()
  ON_WM_CLOSE()
  ON_WM_GETMINMAXINFO()
  ON_COMMAND(ID_APP_EXIT, &CMainFrame::OnAppExit)
  ON_COMMAND(ID_HELP_FINDER, &CFrameWnd::OnHelpFinder)
  ON_COMMAND(ID_HELP, &CFrameWnd::OnHelp)
  ON_COMMAND(ID_CONTEXT_HELP, &CFrameWnd::OnContextHelp)
  ON_COMMAND(ID_DEFAULT_HELP, &CFrameWnd::OnHelpFinder)
  ON_MESSAGE(WM_SHOW_OPERATION_VIEW, &CMainFrame::OnShowOperationView)
  ON_MESSAGE(WM_SHOW_FILE_VIEW, &CMainFrame::OnShowFileView)
  ON_MESSAGE(WM_DDE_PATH_COMMAND, &CMainFrame::OnDdePathCommand)
  ON_MESSAGE(WM_DIFF_EXECUTE, &CMainFrame::OnDiffExecute)
  ON_MESSAGE(WM_REPLAY_DEFERRED, &CMainFrame::OnReplayDeferred)
END_MESSAGE_MAP()

CMainFrame::CMainFrame() {
  // Scale factor from the screen's resolution (96 dots per inch = 1.0);
  // sizes are truncated toward zero.
  CClientDC dc(nullptr);
  const double s = dc.GetDeviceCaps(LOGPIXELSX) / 96.0;
  m_dScale[0] = m_dScale[1] = s;
  m_nTitleHeight = static_cast<int>(80 * s);
  m_nLowerHeight = static_cast<int>(820 * s);
  m_nFrameWidth = static_cast<int>(1100 * s);
  m_font.CreateFontA(static_cast<int>(-14 * s), 0, 0, 0, 600, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_TT_PRECIS,
                     CLIP_TT_ALWAYS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "ＭＳ Ｐゴシック");
  g_pFrame = this;
}

CMainFrame::~CMainFrame() {
  if (g_pFrame == this) g_pFrame = nullptr;
  delete m_pSplitter;
  m_pSplitter = nullptr;
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs) {
  cs.style = WS_OVERLAPPEDWINDOW;
  cs.cx = 1100;
  cs.cy = 900;
  return CFrameWnd::PreCreateWindow(cs);
}

int CMainFrame::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CFrameWnd::OnCreate(lpCreateStruct) == -1) return -1;
  if (!m_wndToolBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_TOP, AFX_IDW_TOOLBAR) ||
      !m_wndToolBar.LoadToolBar(IDR_MAINFRAME)) {
    return -1;
  }
  if (!m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR) ||
      !m_wndStatusBar.SetIndicators(kIndicators, static_cast<int>(std::size(kIndicators)))) {
    return -1;
  }
  m_nMode = theApp.m_nAppMode;
  m_wndToolBar.SetBarStyle(m_wndToolBar.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC);
  m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
  EnableDocking(CBRS_ALIGN_ANY);
  DockControlBar(&m_wndToolBar);
  m_nListMode = theApp.m_nListMode;
  m_nListSide = theApp.m_nListSide;
  return 0;
}

BOOL CMainFrame::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext) {
  if (pContext) m_context = *pContext;
  SetWindowPos(nullptr, 0, 0, m_nFrameWidth, m_nTitleHeight + m_nLowerHeight, SWP_NOMOVE | SWP_NOZORDER);
  if (!BuildSplitter(WM_SHOW_OPERATION_VIEW, pContext)) return FALSE;
  RecalcLayout(TRUE);
  m_nLayout = WM_SHOW_OPERATION_VIEW;
  return TRUE;
}

BOOL CMainFrame::BuildSplitter(int nLayout, CCreateContext* pContext) {
  auto* splitter = new CMySplitterWnd;
  if (!splitter->CreateStatic(this, 2, 1, WS_CHILD | WS_VISIBLE, AFX_IDW_PANE_FIRST)) {
    delete splitter;
    return FALSE;
  }
  CRuntimeClass* lower =
      nLayout == WM_SHOW_FILE_VIEW ? RUNTIME_CLASS(CSource_Form) : RUNTIME_CLASS(COperation_Form);
  if (!splitter->CreateView(0, 0, RUNTIME_CLASS(CTitle_Form), CSize(m_nFrameWidth, m_nTitleHeight), pContext) ||
      !splitter->CreateView(1, 0, lower, CSize(m_nFrameWidth, m_nLowerHeight), pContext)) {
    // A splitter without both forms is never kept.
    splitter->DestroyWindow();
    delete splitter;
    m_pTitleForm = nullptr;
    m_pOperationForm = nullptr;
    m_pSourceForm = nullptr;
    return FALSE;
  }
  m_pSplitter = splitter;
  return TRUE;
}

void CMainFrame::SwitchView(int nLayout) {
  // Edits not yet stored reach the entry before the operation form goes.
  if (nLayout == WM_SHOW_FILE_VIEW && m_nLayout == WM_SHOW_OPERATION_VIEW && m_pOperationForm) {
    m_pOperationForm->ApplyToDocument();
  }
  // The old splitter goes first; its forms stop being reachable before
  // they are destroyed. The document must not close with its views.
  if (m_pSplitter) {
    const BOOL autoDelete = m_pDoc ? m_pDoc->m_bAutoDelete : FALSE;
    if (m_pDoc) m_pDoc->m_bAutoDelete = FALSE;
    m_pTitleForm = nullptr;
    m_pOperationForm = nullptr;
    m_pSourceForm = nullptr;
    CMySplitterWnd* old = m_pSplitter;
    m_pSplitter = nullptr;
    old->DestroyWindow();
    delete old;
    if (m_pDoc) m_pDoc->m_bAutoDelete = autoDelete;
  }
  int built = nLayout;
  if (!BuildSplitter(nLayout, nullptr)) {
    // The frame keeps a usable layout: the operation form, as at start-up.
    if (nLayout == WM_SHOW_OPERATION_VIEW || !BuildSplitter(WM_SHOW_OPERATION_VIEW, nullptr)) {
      m_nLayout = WM_SHOW_OPERATION_VIEW;
      return;
    }
    built = WM_SHOW_OPERATION_VIEW;
  }
  RecalcLayout(TRUE);
  m_nLayout = built;
  // Views made here belong to no document: they start themselves.
  if (CWnd* title = m_pSplitter->GetPane(0, 0)) title->SendMessage(WM_INITIALUPDATE, 0, 0);
  if (m_pSplitter) {
    if (CWnd* lower = m_pSplitter->GetPane(1, 0)) lower->SendMessage(WM_INITIALUPDATE, 0, 0);
  }
}

void CMainFrame::ForgetRecords() {
  m_pRecordList = nullptr;
  m_pTotals = nullptr;
  m_listShownRecords.RemoveAll();
  if (m_pSourceForm) m_pSourceForm->ClearRows();
}

void CMainFrame::ForgetRecordsOf(const CZEKDoc* pDoc) {
  if (pDoc == nullptr || pDoc == m_pDoc) ForgetRecords();
}

void CMainFrame::BeginRun() { ++m_nRunDepth; }

void CMainFrame::EndRun() {
  if (m_nRunDepth > 0) --m_nRunDepth;
  if (m_nRunDepth == 0 && !m_deferredDde.empty()) PostMessage(WM_REPLAY_DEFERRED, 0, 0);
}

LRESULT CMainFrame::OnShowOperationView(WPARAM, LPARAM) {
  BeginWaitCursor();
  SwitchView(WM_SHOW_OPERATION_VIEW);
  EndWaitCursor();
  return 0;
}

LRESULT CMainFrame::OnShowFileView(WPARAM, LPARAM) {
  BeginWaitCursor();
  SwitchView(WM_SHOW_FILE_VIEW);
  EndWaitCursor();
  return 0;
}

LRESULT CMainFrame::OnDdePathCommand(WPARAM, LPARAM lParam) {
  if (m_nLayout != WM_SHOW_OPERATION_VIEW) return 0;
  const char* data = reinterpret_cast<const char*>(lParam);
  if (data == nullptr) return 0;
  char command[2048];
  strncpy_s(command, sizeof command, data, kDdeCommandMax);
  if (IsRunInProgress()) {
    // The fields of a running comparison are not changed under it.
    m_deferredDde.emplace_back(command);
    return 0;
  }
  // Keyword: the first 16 bytes; trailing blanks cut when the field ends
  // in a blank.
  char keyword[kKeywordSize + 1] = {};
  std::memcpy(keyword, command, kKeywordSize);
  if (keyword[kKeywordSize - 1] == ' ') {
    for (int i = static_cast<int>(kKeywordSize) - 1; i >= 0 && keyword[i] == ' '; --i) keyword[i] = 0;
  }
  const size_t length = std::strlen(command);
  const char* pathText = length > kKeywordSize ? command + kKeywordSize : "";
  if (std::strlen(pathText) > kDdePathMax) return 0;
  char path[1024];
  strcpy_s(path, sizeof path, pathText);

  if (std::strcmp(keyword, "NEW_PATH_SET") == 0 && m_pOperationForm) {
    m_pOperationForm->m_strNewPath = path;
    m_pOperationForm->m_editNew.SetWindowText(path);
  } else if (std::strcmp(keyword, "OLD_PATH_SET") == 0 && m_pOperationForm) {
    m_pOperationForm->m_strOldPath = path;
    m_pOperationForm->m_editOld.SetWindowText(path);
  } else if (std::strcmp(keyword, "DIFF_PATH_SET") == 0 && m_pOperationForm) {
    m_pOperationForm->m_strDiffPath = path;
    m_pOperationForm->m_editDiff.SetWindowText(path);
  } else if (std::strcmp(keyword, "DIFF_EXECUTE") == 0) {
    PostMessage(WM_DIFF_EXECUTE, 0, 0);
  }
  // The shown file information is forgotten until the next run or entry.
  m_pRecordList = nullptr;
  m_pTotals = nullptr;
  return 0;
}

LRESULT CMainFrame::OnDiffExecute(WPARAM, LPARAM) {
  if (IsRunInProgress()) {
    m_deferredDde.emplace_back(kDeferredRun);
    return 0;
  }
  if (m_nLayout == WM_SHOW_OPERATION_VIEW && m_pOperationForm) m_pOperationForm->OnBnClickedRun();
  return 0;
}

LRESULT CMainFrame::OnReplayDeferred(WPARAM, LPARAM) {
  // In arrival order; a run stops the replay, and its end replays the rest.
  while (!m_deferredDde.empty() && !IsRunInProgress()) {
    const std::string item = m_deferredDde.front();
    m_deferredDde.erase(m_deferredDde.begin());
    if (item.empty()) {
      OnDiffExecute(0, 0);
    } else {
      OnDdePathCommand(0, reinterpret_cast<LPARAM>(item.c_str()));
    }
  }
  return 0;
}

void CMainFrame::OnClose() {
  // Set for good: the document closes only while the frame closes.
  m_bClosing = TRUE;
  CFrameWnd::OnClose();
}

void CMainFrame::OnAppExit() {
  m_bClosing = TRUE;
  CFrameWnd::OnClose();
}

void CMainFrame::OnGetMinMaxInfo(MINMAXINFO* lpMMI) {
  lpMMI->ptMinTrackSize.x = 1024;
  lpMMI->ptMinTrackSize.y = 768;
  CFrameWnd::OnGetMinMaxInfo(lpMMI);
}
