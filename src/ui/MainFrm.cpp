#include "ui/MainFrm.h"

#include <cstring>

#include "compare/CompareRun.h"
#include "compare/ExternalPrograms.h"
#include "compare/PathRoutines.h"
#include "compare/TempCsv.h"
#include "platform/ui/ddeml.h"
#include "records/Settings.h"
#include "records/ZEKDoc.h"
#include "res/resource.h"
#include "ui/AppWindows.h"
#include "ui/DdeAnswers.h"
#include "ui/EnvSheet.h"
#include "ui/ExtractDialogs.h"
#include "ui/FilterDialogs.h"
#include "ui/OperationForm.h"
#include "ui/SmallDialogs.h"
#include "ui/SourceForm.h"
#include "ui/TitleForm.h"

IMPLEMENT_DYNAMIC(CMySplitterWnd, CSplitterWnd)
IMPLEMENT_DYNCREATE(CMainFrame, CFrameWnd)

namespace {

// A DDE path command of this length or more has no room in the path
// buffer: it is dropped whole rather than cut to another folder.
constexpr size_t kDdePathMax = 1023;
constexpr size_t kDdeCommandMax = 2046;
constexpr size_t kKeywordSize = 16;

const UINT kIndicators[] = {ID_SEPARATOR, ID_INDICATOR_KANA, ID_INDICATOR_CAPS, ID_INDICATOR_NUM,
                            ID_INDICATOR_SCRL};

}  // namespace

// Forms register with the frame being built before it becomes the
// application's main window: the frame made last counts until then.
CMainFrame* GetMainFrame() { return dynamic_cast<CMainFrame*>(CZEKDocFrame::Get()); }

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
  ON_MESSAGE(WM_RUN_SETTLED, &CMainFrame::OnRunSettled)
  ON_COMMAND(ID_VIEW_OPERATION, &CMainFrame::OnViewOperation)
  ON_COMMAND(ID_VIEW_FILE, &CMainFrame::OnViewFile)
  ON_COMMAND(ID_LIST_STATE, &CMainFrame::OnListState)
  ON_COMMAND(ID_LIST_DATE, &CMainFrame::OnListDate)
  ON_COMMAND(ID_LIST_DETAIL, &CMainFrame::OnListDetail)
  ON_COMMAND(ID_LIST_VERSION, &CMainFrame::OnListVersion)
  ON_COMMAND(ID_LIST_COMMENT, &CMainFrame::OnListComment)
  ON_COMMAND(ID_SIDE_NEW, &CMainFrame::OnSideNew)
  ON_COMMAND(ID_SIDE_OLD, &CMainFrame::OnSideOld)
  ON_COMMAND(ID_RUN_ZEKFILE, &CMainFrame::OnRunZekFile)
  ON_COMMAND(ID_EXPORT_CSV, &CMainFrame::OnExportCsv)
  ON_COMMAND(ID_EXTRACT_COPY, &CMainFrame::OnExtractCopy)
  ON_COMMAND(ID_ENV_SETTING, &CMainFrame::OnEnvSetting)
  ON_COMMAND(ID_EXPLORER, &CMainFrame::OnExplorer)
  ON_COMMAND(ID_SHOW_DIFF_FILES, &CMainFrame::OnShowDiffFiles)
  ON_COMMAND(ID_SHOW_NEW_FILES, &CMainFrame::OnShowNewFiles)
  ON_COMMAND(ID_SHOW_DELETED_FILES, &CMainFrame::OnShowDeletedFiles)
  ON_COMMAND(ID_SHOW_SAME_FILES, &CMainFrame::OnShowSameFiles)
  ON_COMMAND(ID_OPEN_MANUAL, &CMainFrame::OnOpenManual)
  ON_COMMAND(ID_EXTRACT_FOLDER_SETTING, &CMainFrame::OnExtractFolderSetting)
  ON_COMMAND(ID_FILE_INFO, &CMainFrame::OnFileInfo)
  ON_UPDATE_COMMAND_UI(ID_VIEW_OPERATION, &CMainFrame::OnUpdateViewOperation)
  ON_UPDATE_COMMAND_UI(ID_VIEW_FILE, &CMainFrame::OnUpdateViewFile)
  ON_UPDATE_COMMAND_UI(ID_LIST_STATE, &CMainFrame::OnUpdateListMode)
  ON_UPDATE_COMMAND_UI(ID_LIST_DATE, &CMainFrame::OnUpdateListMode)
  ON_UPDATE_COMMAND_UI(ID_LIST_DETAIL, &CMainFrame::OnUpdateListMode)
  ON_UPDATE_COMMAND_UI(ID_LIST_VERSION, &CMainFrame::OnUpdateListMode)
  ON_UPDATE_COMMAND_UI(ID_LIST_COMMENT, &CMainFrame::OnUpdateListMode)
  ON_UPDATE_COMMAND_UI(ID_SIDE_NEW, &CMainFrame::OnUpdateListSide)
  ON_UPDATE_COMMAND_UI(ID_SIDE_OLD, &CMainFrame::OnUpdateListSide)
  ON_UPDATE_COMMAND_UI(ID_EXPORT_CSV, &CMainFrame::OnUpdateFileLayoutOnly)
  ON_UPDATE_COMMAND_UI(ID_EXTRACT_COPY, &CMainFrame::OnUpdateFileLayoutOnly)
  ON_UPDATE_COMMAND_UI(ID_EXTRACT_FOLDER_SETTING, &CMainFrame::OnUpdateFileLayoutOnly)
  ON_UPDATE_COMMAND_UI(ID_SHOW_DIFF_FILES, &CMainFrame::OnUpdateShowFiles)
  ON_UPDATE_COMMAND_UI(ID_SHOW_NEW_FILES, &CMainFrame::OnUpdateShowFiles)
  ON_UPDATE_COMMAND_UI(ID_SHOW_DELETED_FILES, &CMainFrame::OnUpdateShowFiles)
  ON_UPDATE_COMMAND_UI(ID_SHOW_SAME_FILES, &CMainFrame::OnUpdateShowFiles)
  ON_UPDATE_COMMAND_UI(ID_RUN_ZEKFILE, &CMainFrame::OnUpdateRunZekFile)
  ON_UPDATE_COMMAND_UI(ID_EXPLORER, &CMainFrame::OnUpdateExplorer)
  ON_UPDATE_COMMAND_UI(ID_OPEN_MANUAL, &CMainFrame::OnUpdateOpenManual)
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
}

CMainFrame::~CMainFrame() {
  delete m_pSplitter;
  m_pSplitter = nullptr;
  // A frame that goes in the middle of a run leaves no service busy.
  if (m_bGateHeld) qv::SetDdeBusy(false);
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
  m_nMode = ZEKSettings().m_nAppMode;
  m_wndToolBar.SetBarStyle(m_wndToolBar.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC);
  m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
  EnableDocking(CBRS_ALIGN_ANY);
  DockControlBar(&m_wndToolBar);
  m_nListMode = ZEKSettings().m_nListMode;
  m_nListSide = ZEKSettings().m_nListSide;
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

void CMainFrame::ShowEntry(CZEKDoc* pDoc, BOOL bKeepMode) {
  const CZEKEnv_Label* entry = pDoc->m_pCurrentEntry;
  m_strNewPath = entry->m_strNewPath;
  m_strOldPath = entry->m_strOldPath;
  m_strDiffPath = entry->m_strDiffPath;
  m_strComment = entry->m_strComment;
  m_pRecordList = entry->m_pRecordList;
  m_pTotals = entry->m_pTotals;
  m_pDoc = pDoc;
  if (!bKeepMode) {
    m_nMode = entry->m_nMode;
    ZEKSettings().m_nAppMode = entry->m_nMode;
    // A form still showing another entry's fields would store them into
    // this one when the view switches: it shows this entry from now on.
    if (m_pOperationForm) m_pOperationForm->UpdateFromDocument(FALSE);
  }
  PostMessage(pDoc->m_pCurrentEntry->m_pRecordList == nullptr ? WM_SHOW_OPERATION_VIEW : WM_SHOW_FILE_VIEW, 0, 0);
}

void CMainFrame::ForgetDocument(const CZEKDoc* pDoc) {
  if (m_pDoc == pDoc) m_pDoc = nullptr;
}

BOOL CMainFrame::GetModeFor(const CZEKDoc* pDoc, int& nMode) const {
  if (m_pDoc != pDoc) return FALSE;
  nMode = m_nMode;
  return TRUE;
}

void CMainFrame::BeginRun() {
  ++m_nRunDepth;
  UpdateCommandGate();
}

void CMainFrame::EndRun() {
  if (m_nRunDepth > 0) --m_nRunDepth;
  // Commands stay turned away until the view the run asked for is shown:
  // one taken before would change the operation form the run's switch then
  // stores, or start a run that meets the file view.
  if (m_nRunDepth == 0 && !m_bRunSettling && ::IsWindow(GetSafeHwnd())) {
    m_bRunSettling = TRUE;
    PostMessage(WM_RUN_SETTLED, 0, 0);
  }
  UpdateCommandGate();
}

LRESULT CMainFrame::OnRunSettled(WPARAM, LPARAM) {
  m_bRunSettling = FALSE;
  UpdateCommandGate();
  return 0;
}

void CMainFrame::UpdateCommandGate() {
  const bool busy = IsBusyForCommands() != FALSE;
  if (busy == (m_bGateHeld != FALSE)) return;
  m_bGateHeld = busy;
  qv::SetDdeBusy(busy);
}

LRESULT CMainFrame::OnShowOperationView(WPARAM, LPARAM) {
  // The forms of a running comparison stay; the run shows its result itself.
  if (IsRunInProgress()) return 0;
  BeginWaitCursor();
  SwitchView(WM_SHOW_OPERATION_VIEW);
  EndWaitCursor();
  return 0;
}

LRESULT CMainFrame::OnShowFileView(WPARAM, LPARAM) {
  if (IsRunInProgress()) return 0;
  BeginWaitCursor();
  SwitchView(WM_SHOW_FILE_VIEW);
  EndWaitCursor();
  return 0;
}

LRESULT CMainFrame::OnDdePathCommand(WPARAM, LPARAM lParam) {
  // Folders are set and runs started in the operation view only; the
  // sender hears that nothing was done.
  if (m_nLayout != WM_SHOW_OPERATION_VIEW || m_pOperationForm == nullptr) return DDE_ANSWER_OTHER_VIEW;
  // The fields of a running comparison are never changed under it (the DDE
  // server answers busy meanwhile and does not deliver).
  if (IsBusyForCommands()) return DDE_ANSWER_BUSY;
  const char* data = reinterpret_cast<const char*>(lParam);
  if (data == nullptr) return DDE_ANSWER_UNKNOWN_KEYWORD;
  char command[2048];
  strncpy_s(command, sizeof command, data, kDdeCommandMax);
  const size_t length = std::strlen(command);
  // Keyword: the first 16 bytes of what was received, a shorter command
  // padded with blanks; trailing blanks cut when the field ends in a blank.
  char keyword[kKeywordSize + 1];
  std::memset(keyword, ' ', kKeywordSize);
  keyword[kKeywordSize] = 0;
  std::memcpy(keyword, command, length < kKeywordSize ? length : kKeywordSize);
  if (keyword[kKeywordSize - 1] == ' ') {
    for (int i = static_cast<int>(kKeywordSize) - 1; i >= 0 && keyword[i] == ' '; --i) keyword[i] = 0;
  }
  // A folder sent in Linux form is kept in the drive form the program's
  // drive information and documents expect.
  const std::string path = qv::ToProgramPath(length > kKeywordSize ? command + kKeywordSize : "");
  if (path.size() > kDdePathMax) return DDE_ANSWER_PATH_TOO_LONG;

  LRESULT answer = DDE_ANSWER_DONE;
  if (std::strcmp(keyword, "NEW_PATH_SET") == 0) {
    m_pOperationForm->m_strNewPath = path.c_str();
    m_pOperationForm->m_editNew.SetWindowText(path.c_str());
  } else if (std::strcmp(keyword, "OLD_PATH_SET") == 0) {
    m_pOperationForm->m_strOldPath = path.c_str();
    m_pOperationForm->m_editOld.SetWindowText(path.c_str());
  } else if (std::strcmp(keyword, "DIFF_PATH_SET") == 0) {
    m_pOperationForm->m_strDiffPath = path.c_str();
    m_pOperationForm->m_editDiff.SetWindowText(path.c_str());
  } else if (std::strcmp(keyword, "DIFF_EXECUTE") == 0) {
    // Accepted now, run after the answer; what arrives until the run has
    // started is turned away, so the run takes the fields as they are.
    if (!PostMessage(WM_DIFF_EXECUTE, 0, 0)) return DDE_ANSWER_NO_WINDOW;
    m_bRunPosted = TRUE;
    UpdateCommandGate();
  } else {
    answer = DDE_ANSWER_UNKNOWN_KEYWORD;
  }
  // The shown file information is forgotten until the next run or entry.
  m_pRecordList = nullptr;
  m_pTotals = nullptr;
  return answer;
}

LRESULT CMainFrame::OnDiffExecute(WPARAM, LPARAM) {
  // A run the user started before this posted one arrived is the run that
  // was asked for: it takes the fields as the command left them.
  if (!IsRunInProgress() && m_nLayout == WM_SHOW_OPERATION_VIEW && m_pOperationForm) {
    m_pOperationForm->OnBnClickedRun();
  }
  m_bRunPosted = FALSE;
  UpdateCommandGate();
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

// ---------------------------------------------------------------------------
// Commands of menu 200, the toolbar and the display-filter window.

namespace {

const char kCompareCsvHeader[] =
    "No.,ファイル名称,行数(OLD),行数(NEW),日付(OLD),サイズ(OLD),日付(NEW),サイズ(NEW),フォルダ名称,修正コメント\n";
const char kDriveCsvHeader[] = "Drv,ボリューム名称,ファイルシステム,作成日時,総容量(GB),使用量(GB),空き容量(GB),DVD枚数\n";
const char kListCsvHeader[] = "No.,ＤＶＤ格納フォルダ,ＤＶＤタイトル,日付,ＤＶＤコメント\n";
const char kCsvWriteFailed[] = "ファイル名称：%s\n上記ファイルの書き込みに失敗しました。";

// The manual's path without its ending: the command opens .pdf, .doc or
// .docx; the update rule looks for the .pdf.
CString ManualPath(const char* ending) {
  CString path;
  path.Format("%s\\Quarvex取扱説明書%s", ZEKSettings().m_strHomeDir.GetString(), ending);
  return path;
}

// An existing file that is not a folder.
bool IsExistingFile(const CString& path) { return GetPathType(0, path) == 0; }

// The drive line of the list-mode CSV: root, volume name, file system, run
// time, total, used and free GB and the record count.
CString DriveCsvLine(const CZEKEnv_Label* entry) {
  CString line;
  if (entry == nullptr) {
    line.Format(",,,,%5u,%5u,%5u,%5u \n", 0u, 0u, 0u, 0u);
    return line;
  }
  AppendCsvField(line, entry->m_strRoot);
  line += ',';
  AppendCsvField(line, entry->m_strVolumeName);
  line += ',';
  AppendCsvField(line, entry->m_strFileSystem);
  line += ',';
  AppendCsvField(line, entry->m_strRunTime);
  line.AppendFormat(",%5u,%5u,%5u,%5u \n", static_cast<unsigned>(entry->m_dwTotalGB),
                    static_cast<unsigned>(entry->m_dwUsedGB), static_cast<unsigned>(entry->m_dwFreeGB),
                    static_cast<unsigned>(entry->m_nRecordCount));
  return line;
}

// The sub-mode of each list command, and the display-filter bit of each
// filter command.
struct CommandValue {
  UINT id;
  int value;
};
const CommandValue kListModeCommands[] = {{ID_LIST_STATE, SUBMODE_STATE},
                                          {ID_LIST_DATE, SUBMODE_DATE},
                                          {ID_LIST_DETAIL, SUBMODE_DETAIL},
                                          {ID_LIST_VERSION, SUBMODE_VERSION},
                                          {ID_LIST_COMMENT, SUBMODE_COMMENT}};
const CommandValue kDisplayFilterCommands[] = {{ID_SHOW_SAME_FILES, DISP_SAME},
                                               {ID_SHOW_NEW_FILES, DISP_NEW},
                                               {ID_SHOW_DELETED_FILES, DISP_DELETED},
                                               {ID_SHOW_DIFF_FILES, DISP_DIFFERENT}};

template <size_t N>
int ValueOfCommand(const CommandValue (&table)[N], UINT id) {
  for (const CommandValue& c : table) {
    if (c.id == id) return c.value;
  }
  return table[0].value;
}

// A copy of a record list for a dialog that must not see the shown list
// change under it.
void CopyRecordList(const CObList& from, CObList& to) {
  to.RemoveAll();
  for (POSITION pos = from.GetHeadPosition(); pos != nullptr;) to.AddTail(from.GetNext(pos));
}

}  // namespace

void CMainFrame::RefreshViews() {
  if (m_nLayout == WM_SHOW_OPERATION_VIEW) {
    if (m_pOperationForm) m_pOperationForm->UpdateFromDocument(FALSE);
  } else if (m_pSourceForm) {
    m_pSourceForm->FillList(-1, TRUE);
  }
  if (m_pTitleForm) m_pTitleForm->RefillOperationCombo();
}

int CMainFrame::FirstSelectedRow() const {
  if (m_pSourceForm == nullptr || m_pSourceForm->m_list.m_hWnd == nullptr) return -1;
  return static_cast<int>(m_pSourceForm->m_list.SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                                            MAKELPARAM(LVNI_SELECTED, 0)));
}

void CMainFrame::SetListMode(int subMode, int sel) {
  m_nListMode = subMode;
  ZEKSettings().m_nListMode = subMode;
  if (m_pSourceForm == nullptr) return;
  m_pSourceForm->SetColumns(m_nMode, m_nListMode);
  m_pSourceForm->FillList(sel, FALSE);
}

void CMainFrame::SetListSide(int side) {
  m_nListSide = side;
  ZEKSettings().m_nListSide = side;
  if (m_pSourceForm) m_pSourceForm->FillList(-1, FALSE);
}

void CMainFrame::ToggleDisplayFilterBit(int bit) {
  ZEKSettings().m_nDispMode ^= bit;
  RefreshViews();
  if (ZEKAppWindows().m_pFilterDlg) ZEKAppWindows().m_pFilterDlg->UpdateStateButtons();
}

void CMainFrame::OnViewOperation() {
  if (m_nLayout == WM_SHOW_FILE_VIEW && m_pSourceForm && m_pSourceForm->m_btnFilter.m_hWnd &&
      m_pSourceForm->m_btnFilter.SendMessage(BM_GETCHECK) == BST_CHECKED && ZEKAppWindows().m_pFilterDlg &&
      ZEKAppWindows().m_pFilterDlg->m_hWnd) {
    ZEKAppWindows().m_pFilterDlg->ShowWindow(SW_HIDE);
  }
  PostMessage(WM_SHOW_OPERATION_VIEW, 0, 0);
}

void CMainFrame::OnViewFile() { PostMessage(WM_SHOW_FILE_VIEW, 0, 0); }

// The state and comment views keep the first selected row selected; the
// others select every row.
void CMainFrame::OnListState() { SetListMode(SUBMODE_STATE, FirstSelectedRow()); }
void CMainFrame::OnListComment() { SetListMode(SUBMODE_COMMENT, FirstSelectedRow()); }
void CMainFrame::OnListDate() { SetListMode(SUBMODE_DATE, -1); }
void CMainFrame::OnListDetail() { SetListMode(SUBMODE_DETAIL, -1); }
void CMainFrame::OnListVersion() { SetListMode(SUBMODE_VERSION, -1); }

void CMainFrame::OnSideNew() { SetListSide(SIDE_NEW); }
void CMainFrame::OnSideOld() { SetListSide(SIDE_OLD); }

void CMainFrame::OnRunZekFile() {
  // In double quotes: a program folder with blanks stays one path.
  CString command;
  command.Format("\"%s\"", ZEKSettings().m_strZekFileExe.GetString());
  LaunchDetached(command);
}

void CMainFrame::OnExplorer() {
  CString command;
  const CZEKSettings& settings = ZEKSettings();
  if (IsExistingFile(settings.m_strExtractPath)) {
    command.Format("\"%s\"", settings.m_strExplorerExe.GetString());
  } else {
    command.Format("\"%s\" \"%s\"", settings.m_strExplorerExe.GetString(), settings.m_strExtractPath.GetString());
  }
  LaunchDetached(command);
}

void CMainFrame::OnOpenManual() { ZEKAppWindows().OpenManual(this, ManualPath(".docx")); }

void CMainFrame::OnEnvSetting() {
  if (ShowEnvSheet(this)) RefreshViews();
}

void CMainFrame::OnShowSameFiles() { ToggleDisplayFilterBit(DISP_SAME); }
void CMainFrame::OnShowNewFiles() { ToggleDisplayFilterBit(DISP_NEW); }
void CMainFrame::OnShowDeletedFiles() { ToggleDisplayFilterBit(DISP_DELETED); }
void CMainFrame::OnShowDiffFiles() { ToggleDisplayFilterBit(DISP_DIFFERENT); }

// What both extraction dialogs are given: the records (a copy of the shown
// list), every output folder made, the frame's folders and the document.
template <class Dialog>
void CMainFrame::GiveExtractionInputs(Dialog& dlg, CObList& records) {
  dlg.m_nMakeFlags = 7;
  dlg.m_pNewSrcDir = &m_strNewPath;
  dlg.m_pOldSrcDir = &m_strOldPath;
  dlg.m_pRecords = &records;
  dlg.m_pDoc = m_pDoc;
}

void CMainFrame::OnExtractCopy() {
  // The dialog copies what the list shows now; a refill while it is open
  // does not change its list.
  CObList records;
  CopyRecordList(m_listShownRecords, records);
  CFORMDLG dlg;
  dlg.m_strRoot = ZEKSettings().m_strExtractPath;
  GiveExtractionInputs(dlg, records);
  // A dialog that could not be shown (-1) did nothing either.
  const INT_PTR result = dlg.DoModal();
  if (result == IDCANCEL || result == -1) return;
  ZEKSettings().m_strExtractPath = dlg.m_strRoot;
  PostMessage(WM_SHOW_OPERATION_VIEW, 0, 0);
}

void CMainFrame::OnExtractFolderSetting() {
  CObList records;
  CopyRecordList(m_listShownRecords, records);
  CFORMDLG_SEL& dlg = ZEKAppWindows().m_dlgExtractSel;
  GiveExtractionInputs(dlg, records);
  const INT_PTR result = dlg.DoModal();
  // The dialog outlives this command: it keeps no pointer to the copy.
  dlg.m_pRecords = nullptr;
  if (result != IDCANCEL && result != -1) ZEKSettings().m_strExtractPath = dlg.m_strRoot;
}

void CMainFrame::OnExportCsv() {
  BeginWaitCursor();
  if (!OpenTempCsv()) {
    EndWaitCursor();
    return;
  }
  if (m_nMode == MODE_COMPARE) {
    WriteTempCsvLine(kCompareCsvHeader);
  } else {
    WriteTempCsvLine(kDriveCsvHeader);
    WriteTempCsvLine(DriveCsvLine(m_pDoc ? m_pDoc->m_pCurrentEntry : nullptr));
    WriteTempCsvLine(kListCsvHeader);
  }
  WriteCsvRows(m_nMode, &m_listShownRecords, m_strDiffPath);
  const int complete = CloseTempCsv();
  EndWaitCursor();
  char path[1024];
  GetTempCsvPath(path, sizeof path);
  if (!complete) {
    // A cut file is never shown as the whole list.
    CString text;
    text.Format(kCsvWriteFailed, path);
    AfxMessageBox(text, MB_OK);
    return;
  }
  OpenWithCsvViewer(path);
}

void CMainFrame::OnFileInfo() {
  if (m_pDoc == nullptr) return;
  const CZEKHeader& header = m_pDoc->m_Header;
  char version[64];
  snprintf(version, sizeof version, "Ver.%d.%d%d", header.m_wMajor, header.m_wMinor, header.m_wBuild);
  CFILE_INFO dlg(this);
  dlg.m_strCreateTime = header.m_strCreateTime;
  dlg.m_strSaveTime = header.m_strSaveTime;
  dlg.m_strVersion = version;
  dlg.m_strUser = header.m_strUser;
  dlg.m_strBanner = header.m_strBanner;
  dlg.DoModal();
}

void CMainFrame::OnUpdateViewOperation(CCmdUI* pCmdUI) { pCmdUI->SetRadio(m_nLayout == WM_SHOW_OPERATION_VIEW); }

void CMainFrame::OnUpdateViewFile(CCmdUI* pCmdUI) {
  if (m_pRecordList == nullptr) {
    pCmdUI->Enable(FALSE);
    return;
  }
  pCmdUI->SetRadio(m_nLayout == WM_SHOW_FILE_VIEW);
}

void CMainFrame::OnUpdateListMode(CCmdUI* pCmdUI) {
  if (m_nLayout != WM_SHOW_FILE_VIEW) {
    pCmdUI->Enable(FALSE);
    return;
  }
  const int subMode = ValueOfCommand(kListModeCommands, pCmdUI->m_nID);
  pCmdUI->SetRadio(m_nListMode == subMode);
}

void CMainFrame::OnUpdateListSide(CCmdUI* pCmdUI) {
  if (m_nLayout != WM_SHOW_FILE_VIEW || (m_nListMode != SUBMODE_DATE && m_nListMode != SUBMODE_VERSION)) {
    pCmdUI->Enable(FALSE);
    return;
  }
  pCmdUI->SetRadio(m_nListSide == (pCmdUI->m_nID == ID_SIDE_OLD ? SIDE_OLD : SIDE_NEW));
}

void CMainFrame::OnUpdateFileLayoutOnly(CCmdUI* pCmdUI) { pCmdUI->Enable(m_nLayout == WM_SHOW_FILE_VIEW); }

void CMainFrame::OnUpdateShowFiles(CCmdUI* pCmdUI) {
  if (m_nMode != MODE_COMPARE) {
    pCmdUI->Enable(FALSE);
    return;
  }
  const int bit = ValueOfCommand(kDisplayFilterCommands, pCmdUI->m_nID);
  pCmdUI->SetRadio((ZEKSettings().m_nDispMode & bit) != 0);
}

void CMainFrame::OnUpdateRunZekFile(CCmdUI* pCmdUI) { pCmdUI->Enable(IsExistingFile(ZEKSettings().m_strZekFileExe)); }
void CMainFrame::OnUpdateExplorer(CCmdUI* pCmdUI) { pCmdUI->Enable(IsExistingFile(ZEKSettings().m_strExplorerExe)); }
void CMainFrame::OnUpdateOpenManual(CCmdUI* pCmdUI) { pCmdUI->Enable(IsExistingFile(ManualPath(".pdf"))); }
