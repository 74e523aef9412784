#include "ui/SourceForm.h"

#include <algorithm>

#include "compare/CompareRun.h"
#include "compare/PathRoutines.h"
#include "compare/RecordTexts.h"
#include "records/EnvLabel.h"
#include "records/FileInfo.h"
#include "records/Settings.h"
#include "records/ZEKDoc.h"
#include "res/resource.h"
#include "ui/AppWindows.h"
#include "ui/FilterDialogs.h"
#include "ui/MainFrm.h"
#include "ui/TitleForm.h"

IMPLEMENT_DYNCREATE(CSource_Form, CFormView)

int g_nSortKey = SORT_NAME;
BOOL g_bSortDescending = FALSE;

namespace {

enum { kLeft = LVCFMT_LEFT, kCenter = LVCFMT_CENTER };

struct ColumnDef {
  const char* text;
  int format;
  int width;  // pixels
};

const ColumnDef kStateColumns[] = {{"ファイル名称", kCenter, 210},
                                   {"日付(OLD)", kCenter, 200},
                                   {"日付(NEW)", kCenter, 200},
                                   {"フォルダ名称", kLeft, 250},
                                   {"修正コメント", kLeft, 1000}};
const ColumnDef kDateColumns[] = {{"ファイル名称", kCenter, 300},
                                  {"サイズ（byte）", kCenter, 100},
                                  {"行数", kCenter, 60},
                                  // 200 as in the other views: the Japanese face here
                                  // draws digits wider than the Windows one, and at
                                  // 170 the time was cut.
                                  {"日付", kCenter, 200},
                                  {"フォルダ名称", kLeft, 450}};
const ColumnDef kDetailColumns[] = {
    {"ファイル名称", kCenter, 300}, {"日付(OLD)", kCenter, 200}, {"日付(NEW)", kCenter, 200},
    {"フォルダ名称", kLeft, 500},   {"OLD", kCenter, 45},        {"NEW", kCenter, 45},
    {"差異", kCenter, 45},          {"削除", kCenter, 45},       {"追加", kCenter, 45},
    {"修正-削追", kCenter, 66},     {"改造", kCenter, 45},       {"差異", kCenter, 45}};
const ColumnDef kVersionColumns[] = {{"ファイル名称", kCenter, 300},
                                     {"サイズ（byte）", kCenter, 100},
                                     {"日付", kCenter, 200},
                                     {"バージョン情報 , Debug情報", kCenter, 2400},
                                     {"フォルダ名称", kLeft, 500}};
const ColumnDef kCommentColumns[] = {{"ＤＶＤタイトル", kCenter, 300}, {"ＤＶＤコメント", kLeft, 1000}};
const ColumnDef kDvdListColumns[] = {{"ＤＶＤ格納フォルダ", kLeft, 560},
                                     {"ＤＶＤタイトル", kLeft, 300},
                                     {"日付", kCenter, 200},
                                     {"ＤＶＤコメント", kLeft, 1000}};

struct ColumnSet {
  const ColumnDef* columns;
  int count;
  int firstStoredWidth;  // index into CZEKSettings::m_nColWidth; -1: fixed widths
};

ColumnSet ColumnsOfView(int view) {
  switch (view) {
    case SUBMODE_STATE:
      return {kStateColumns, static_cast<int>(std::size(kStateColumns)), 0};
    case SUBMODE_DATE:
      return {kDateColumns, static_cast<int>(std::size(kDateColumns)), -1};
    case SUBMODE_DETAIL:
      return {kDetailColumns, static_cast<int>(std::size(kDetailColumns)), -1};
    case SUBMODE_VERSION:
      return {kVersionColumns, static_cast<int>(std::size(kVersionColumns)), -1};
    case SUBMODE_COMMENT:
      return {kCommentColumns, static_cast<int>(std::size(kCommentColumns)), 5};
    case SUBMODE_DVD_LIST:
      return {kDvdListColumns, static_cast<int>(std::size(kDvdListColumns)), 7};
    default:
      return {nullptr, 0, -1};
  }
}

// Sort key of a header click in a view, -1 for a column that sorts nothing.
int SortKeyOfColumn(int view, int column, int side) {
  switch (view) {
    case SUBMODE_STATE: {
      const int keys[] = {SORT_NAME, SORT_OLD_TIME, SORT_NEW_TIME, SORT_FOLDER, SORT_COMMENT};
      return column >= 0 && column < 5 ? keys[column] : -1;
    }
    case SUBMODE_DATE:
      return column == 3 ? (side == SIDE_OLD ? SORT_OLD_TIME : SORT_NEW_TIME) : -1;
    case SUBMODE_DETAIL:
      return column == 1 ? SORT_OLD_TIME : column == 2 ? SORT_NEW_TIME : -1;
    case SUBMODE_VERSION:
      return column == 2 ? (side == SIDE_OLD ? SORT_OLD_TIME : SORT_NEW_TIME) : -1;
    case SUBMODE_COMMENT:
      return column == 0 ? SORT_NAME : column == 1 ? SORT_COMMENT : -1;
    case SUBMODE_DVD_LIST: {
      const int keys[] = {SORT_FOLDER, SORT_NAME, SORT_OLD_TIME, SORT_COMMENT};
      return column >= 0 && column < 4 ? keys[column] : -1;
    }
    default:
      return -1;
  }
}

// Column of the comment in views 0, 4 and 11.
int CommentColumnOf(int view) { return view == SUBMODE_STATE ? 4 : view == SUBMODE_COMMENT ? 1 : 3; }

CString Number(const char* format, long long value) {
  CString text;
  text.Format(format, static_cast<int>(value));
  return text;
}

CString DateCell(const char* date, const char* missing) {
  if (date[0] == '\0') return CString(missing);
  CString text;
  text.Format("%26s", date);
  return text;
}

int Sign(int value) { return value < 0 ? -1 : value > 0 ? 1 : 0; }

// _mbsicmp's order (letters A-Z taken as a-z, double-byte characters kept
// whole). Characters the two texts share are passed over here and only the
// first that differs goes to _mbsicmp: a sort of many rows asks this
// millions of times, mostly of texts with a long common start.
int CompareNoCase(const CString& left, const CString& right) {
  const auto* a = reinterpret_cast<const unsigned char*>(left.GetString());
  const auto* b = reinterpret_cast<const unsigned char*>(right.GetString());
  size_t i = 0;
  for (;;) {
    unsigned int ca = a[i];
    unsigned int cb = b[i];
    if (ca == cb) {
      if (ca == 0) return 0;
      if (ca < 0x80 || !_ismbblead(ca)) {
        ++i;
        continue;
      }
      if (a[i + 1] == b[i + 1] && a[i + 1] != 0) {
        i += 2;
        continue;
      }
      break;
    }
    if (ca >= 0x80 || cb >= 0x80) break;
    if (ca >= 'A' && ca <= 'Z') ca += 0x20;
    if (cb >= 'A' && cb <= 'Z') cb += 0x20;
    if (ca != cb) return ca < cb ? -1 : 1;
    ++i;
  }
  return Sign(_mbsicmp(a + i, b + i));
}

int CompareTimes(LONG a, LONG b) {
  const auto ua = static_cast<DWORD>(a);
  const auto ub = static_cast<DWORD>(b);
  return ua > ub ? 1 : ua < ub ? -1 : 0;
}

CZEKEnv_Label* CurrentEntry() {
  const CZEKDoc* doc = ZEKSettings().m_pCurrentDoc;
  return doc ? doc->m_pCurrentEntry : nullptr;
}

// Controls below the list: x from the left and distance d of the top from
// the form's bottom, in units of 96 dots per inch.
struct Placement {
  int id;
  int x;
  int d;
};
const Placement kPlacements[] = {
    {IDC_LABEL_HDD_COMMENT, 21, 162}, {IDC_LABEL_DVD_COMMENT, 540, 162}, {IDC_HDD_COMMENT, 21, 146},
    {IDC_DVD_COMMENT, 540, 146},      {IDC_LABEL_DATE, 21, 44},          {IDC_LABEL_DOCPATH, 21, 20},
    {IDC_STATIC_DATE, 94, 44},        {IDC_STATIC_DOCPATH, 94, 20},      {IDC_GROUP_HDD, 300, 80},
    {IDC_LABEL_DRIVE, 316, 66},       {IDC_DRIVE, 316, 50},              {IDC_LABEL_VOLUME, 366, 66},
    {IDC_VOLUME, 366, 50},            {IDC_LABEL_FILESYSTEM, 526, 66},   {IDC_FILESYSTEM, 526, 50},
    {IDC_LABEL_TOTAL, 676, 66},       {IDC_TOTAL, 676, 50},              {IDC_LABEL_USED, 742, 66},
    {IDC_USED, 742, 50},              {IDC_LABEL_FREE, 808, 66},         {IDC_FREE, 808, 50},
    {IDC_LABEL_DVD_COUNT, 886, 66},   {IDC_DVD_COUNT, 886, 50},
};

}  // namespace

BEGIN_MESSAGE_MAP(CSource_Form, CFormView)
  ON_NOTIFY(NM_CLICK, IDC_FILE_LIST, &CSource_Form::OnNMClickList)
  ON_NOTIFY(LVN_ITEMCHANGED, IDC_FILE_LIST, &CSource_Form::OnLvnItemchangedList)
  ON_NOTIFY(LVN_COLUMNCLICK, IDC_FILE_LIST, &CSource_Form::OnLvnColumnclickList)
  ON_NOTIFY(NM_DBLCLK, IDC_FILE_LIST, &CSource_Form::OnNMDblclkList)
  ON_NOTIFY(NM_KILLFOCUS, IDC_FILE_LIST, &CSource_Form::OnNMKillfocusList)
  ON_BN_CLICKED(IDC_DISPLAY_FILTER, &CSource_Form::OnBnClickedFilter)
  ON_WM_CLOSE()
  ON_WM_SIZE()
END_MESSAGE_MAP()

CSource_Form::CSource_Form() : CFormView(IDD_SOURCE_FORM) { g_bSortDescending = FALSE; }

CSource_Form::~CSource_Form() {
  if (CMainFrame* frame = GetMainFrame(); frame && frame->m_pSourceForm == this) frame->m_pSourceForm = nullptr;
}

void CSource_Form::DoDataExchange(CDataExchange* pDX) {
  CFormView::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_FILE_LIST, m_list);
  DDX_Control(pDX, IDC_STATIC_DATE, m_stDate);
  DDX_Control(pDX, IDC_DISPLAY_FILTER, m_btnFilter);
  DDX_Text(pDX, IDC_DVD_COMMENT, m_strDvdComment);
  DDX_Text(pDX, IDC_HDD_COMMENT, m_strHddComment);
  DDX_Text(pDX, IDC_STATIC_DOCPATH, m_strPath);
}

int CSource_Form::ViewOf(int mode, int subMode) {
  return mode == MODE_LIST && subMode != SUBMODE_COMMENT ? SUBMODE_DVD_LIST : subMode;
}

void CSource_Form::OnInitialUpdate() {
  CFormView::OnInitialUpdate();
  CMainFrame* frame = GetMainFrame();
  if (frame) {
    frame->m_pSourceForm = this;
    m_dScaleX = frame->m_dScale[0];
    m_dScaleY = frame->m_dScale[1];
    if (frame->m_pTitleForm) frame->m_pTitleForm->ShowControlsForView(1);
    SetColumns(frame->m_nMode, frame->m_nListMode);
  }
  FillList(-1, FALSE);
  if (const CZEKEnv_Label* entry = CurrentEntry()) {
    m_stDate.SetWindowText(entry->m_strRunTime);
    m_strHddComment = entry->m_strComment;
    ShowDriveInfo(entry);
  }
  UpdateData(FALSE);
  // The form's first size came before its controls were bound.
  CRect rect;
  GetWindowRect(rect);
  OnSize(SIZE_RESTORED, rect.Width(), rect.Height());
}

void CSource_Form::SetColumns(int mode, int subMode) {
  const int view = ViewOf(mode, subMode);
  m_list.DeleteAllItems();
  for (int c = 15; c >= 0; --c) m_list.DeleteColumn(c);
  m_list.SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                     m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_ONECLICKACTIVATE);
  const ColumnSet set = ColumnsOfView(view);
  m_nStoredWidthsFirst = set.firstStoredWidth;
  m_nStoredWidthsCount = set.count;
  LVCOLUMN column{};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  // The fixed widths are scaled as the stored ones are: at more than 96
  // dots per inch the text is larger, and unscaled columns cut it.
  for (int i = 0; i < set.count; ++i) {
    InsertListColumn(&m_list, &column, i, set.columns[i].format, set.columns[i].text, ScaleX(set.columns[i].width));
  }
  if (set.firstStoredWidth < 0) return;
  for (int i = 0; i < set.count; ++i) {
    // The width travels as a 16-bit value, as the message carries it.
    const int width = ScaleX(ZEKSettings().m_nColWidth[set.firstStoredWidth + i]);
    m_list.SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i), MAKELPARAM(static_cast<WORD>(width), 0));
  }
}

void CSource_Form::ClearRows() {
  if (m_list.m_hWnd) m_list.DeleteAllItems();
}

void CSource_Form::FillList(int sel, BOOL resetColumns) {
  CMainFrame* frame = GetMainFrame();
  if (frame == nullptr) return;
  if (frame->m_pRecordList == nullptr) {
    // The records the rows pointed at may be gone: nothing of them stays.
    frame->m_listShownRecords.RemoveAll();
    m_list.DeleteAllItems();
    return;
  }
  frame->m_listShownRecords.RemoveAll();
  m_list.DeleteAllItems();
  if (resetColumns) SetColumns(frame->m_nMode, frame->m_nListMode);
  m_nSubMode = frame->m_nListMode;
  m_nSide = frame->m_nListSide;
  m_list.SetRedraw(FALSE);

  int row = 0;
  CZEKSettings& settings = ZEKSettings();
  DiffFolderProbe probe(frame->m_strDiffPath);
  for (POSITION pos = frame->m_pRecordList->GetHeadPosition(); pos != nullptr;) {
    auto* record = static_cast<CZEKMergeFileInfo*>(frame->m_pRecordList->GetNext(pos));
    if (GetStatusMark(record) == 0) continue;
    if (!MatchRecordFilter(frame->m_nMode, &settings, settings.m_nDispMode, settings.m_nDaysFrom, settings.m_nDaysTo,
                           record)) {
      continue;
    }
    frame->m_listShownRecords.AddTail(record);
    InsertRow(frame->m_nMode, row, m_nSubMode, record, m_nSide, frame->m_strDiffPath, &probe);
    ++row;
  }
  m_list.SortItems(&CSource_Form::CompareItems, 0);

  // The path reaches its control before the selection's notifications read
  // the controls back, so that it shows after the fill.
  m_strPath = ZEKSettings().m_pCurrentDoc ? ZEKSettings().m_pCurrentDoc->GetPathName() : CString();
  SetDlgItemText(IDC_STATIC_DOCPATH, m_strPath);

  m_list.SetItemState(sel, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  m_list.EnsureVisible(sel, FALSE);

  if (CWnd* filter = GetDlgItem(IDC_DISPLAY_FILTER)) filter->EnableWindow(ZEKSettings().m_bFileInfoCreated != 0);
  if (CWnd* hint = GetDlgItem(IDC_DISPLAY_FILTER_HINT)) hint->ShowWindow(SW_HIDE);

  m_list.SetRedraw(TRUE);
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void CSource_Form::InsertRow(int mode, int row, int subMode, CZEKMergeFileInfo* record, int side,
                             LPCTSTR diffFolder, DiffFolderProbe* probe) {
  const int view = ViewOf(mode, subMode);
  char dateNew[kDateTextSize] = "";
  char dateOld[kDateTextSize] = "";
  GetDateColumns(record, dateNew, dateOld);
  RefreshDiffCounts(record, diffFolder, probe);

  CString folder;
  CString leaf;
  SplitRelativeName(record->m_Old.m_strName, folder, leaf);
  record->m_Old.m_strDisp[0] = folder;
  record->m_Old.m_strDisp[1] = leaf;

  std::vector<CString> cells;
  cells.reserve(12);
  const CZEKFileInfo& shownSide = side == SIDE_OLD ? record->m_Old : record->m_New;
  const char* shownDate = side == SIDE_OLD ? dateOld : dateNew;
  const char* shownMissing = side == SIDE_OLD ? kNewlyCreatedText : kDeletedText;
  switch (view) {
    case SUBMODE_STATE:
    case SUBMODE_COMMENT:
    case SUBMODE_DVD_LIST:
      record->m_Old.m_strDisp[2] = GetRecordComment(record);
      break;
    default:
      break;
  }
  switch (view) {
    case SUBMODE_STATE:
      cells = {leaf, DateCell(dateOld, kNewlyCreatedText), DateCell(dateNew, kDeletedText), folder,
               record->m_Old.m_strDisp[2]};
      break;
    case SUBMODE_DATE:
      if (shownDate[0]) {
        cells = {leaf, Number("%10d", shownSide.m_dwSize), Number("%5d", shownSide.m_dwLines),
                 DateCell(shownDate, ""), folder};
      } else {
        cells = {leaf, CString(), CString(), CString(shownMissing), folder};
      }
      break;
    case SUBMODE_DETAIL: {
      const long long difference =
          static_cast<long long>(record->m_New.m_dwLines) - static_cast<long long>(record->m_Old.m_dwLines);
      // The last "差異" column shows the record's changed-line count: the
      // diff's deleted and added lines, or the line-count difference.
      cells = {leaf,
               DateCell(dateOld, kNewlyCreatedText),
               DateCell(dateNew, kDeletedText),
               folder,
               Number("%4d", record->m_Old.m_dwLines),
               Number("%4d", record->m_New.m_dwLines),
               Number("%4d", difference),
               Number("%4d", record->m_nRangeDel),
               Number("%4d", record->m_nRangeAdd),
               Number("%4d", record->m_nRangeChgLeft),
               Number("%4d", record->m_nRangeChgRight),
               Number("%4d", record->m_nChgLines)};
      break;
    }
    case SUBMODE_VERSION:
      if (shownDate[0]) {
        cells = {leaf, Number("%10d", shownSide.m_dwSize), DateCell(shownDate, ""), shownSide.m_strVersion, folder};
      } else {
        cells = {leaf, CString(), CString(shownMissing), CString(), folder};
      }
      break;
    case SUBMODE_COMMENT:
      cells = {leaf, record->m_Old.m_strDisp[2]};
      break;
    case SUBMODE_DVD_LIST:
      cells = {folder, leaf, dateOld[0] ? DateCell(dateOld, "") : CString(), record->m_Old.m_strDisp[2]};
      break;
    default:
      cells = {leaf};
      break;
  }

  LVITEM item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = row;
  item.pszText = const_cast<LPSTR>(cells[0].GetString());
  item.lParam = reinterpret_cast<LPARAM>(record);
  const int at = m_list.InsertItem(&item);
  if (at < 0) return;
  for (size_t c = 1; c < cells.size(); ++c) m_list.SetItemText(at, static_cast<int>(c), cells[c]);
}

void CSource_Form::SetCommentCell(int subMode, int row, LPCTSTR text) {
  CMainFrame* frame = GetMainFrame();
  if (frame == nullptr || frame->m_pRecordList == nullptr) return;
  m_nSubMode = frame->m_nListMode;
  m_nSide = frame->m_nListSide;
  m_list.SetRedraw(FALSE);
  m_list.SetItemText(row, CommentColumnOf(subMode), text);
  m_list.SetRedraw(TRUE);
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void CSource_Form::ShowDriveInfo(const CZEKEnv_Label* entry) {
  if (entry == nullptr) return;
  CString text;
  text.Format("%5u GB\n", static_cast<unsigned>(entry->m_dwTotalGB));
  SetDlgItemText(IDC_TOTAL, text);
  text.Format("%5u GB\n", static_cast<unsigned>(entry->m_dwUsedGB));
  SetDlgItemText(IDC_USED, text);
  text.Format("%5u GB\n", static_cast<unsigned>(entry->m_dwFreeGB));
  SetDlgItemText(IDC_FREE, text);
  text.Format("%5u\n", static_cast<unsigned>(entry->m_nRecordCount));
  SetDlgItemText(IDC_DVD_COUNT, text);
  SetDlgItemText(IDC_DRIVE, entry->m_strRoot);
  SetDlgItemText(IDC_VOLUME, entry->m_strVolumeName);
  SetDlgItemText(IDC_FILESYSTEM, entry->m_strFileSystem);
}

int CSource_Form::CompareItems(LPARAM lParam1, LPARAM lParam2, LPARAM) {
  const auto* a = reinterpret_cast<const CZEKMergeFileInfo*>(lParam1);
  const auto* b = reinterpret_cast<const CZEKMergeFileInfo*>(lParam2);
  int result = 0;
  switch (g_nSortKey) {
    case SORT_NAME:
      result = CompareNoCase(a->m_Old.m_strDisp[1], b->m_Old.m_strDisp[1]);
      break;
    case SORT_NEW_TIME:
      result = CompareTimes(a->m_New.m_tModify, b->m_New.m_tModify);
      break;
    case SORT_OLD_TIME:
      result = CompareTimes(a->m_Old.m_tModify, b->m_Old.m_tModify);
      break;
    case SORT_FOLDER:
      result = CompareNoCase(a->m_Old.m_strDisp[0], b->m_Old.m_strDisp[0]);
      break;
    case SORT_COMMENT:
      result = CompareNoCase(a->m_Old.m_strDisp[2], b->m_Old.m_strDisp[2]);
      break;
    default:
      break;
  }
  return g_bSortDescending ? -result : result;
}

void CSource_Form::ShowSelectedComment() {
  UpdateData(TRUE);
  const int row = m_list.GetNextItem(-1, LVNI_SELECTED);
  if (row < 0) return;
  auto* record = reinterpret_cast<CZEKMergeFileInfo*>(m_list.GetItemData(row));
  if (record == nullptr) return;
  const CString text = GetRecordComment(record);
  record->m_Old.m_strDisp[2] = text;
  m_strDvdComment = text;
  UpdateData(FALSE);
}

void CSource_Form::OnNMClickList(NMHDR*, LRESULT* pResult) {
  ShowSelectedComment();
  if (pResult) *pResult = 0;
}

void CSource_Form::OnLvnItemchangedList(NMHDR*, LRESULT* pResult) {
  ShowSelectedComment();
  if (pResult) *pResult = 0;
}

void CSource_Form::OnLvnColumnclickList(NMHDR* pNMHDR, LRESULT* pResult) {
  CMainFrame* frame = GetMainFrame();
  const auto* nm = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
  if (frame == nullptr || nm == nullptr) return;
  const int key = SortKeyOfColumn(ViewOf(frame->m_nMode, m_nSubMode), nm->iSubItem, m_nSide);
  if (key < 0) return;
  g_nSortKey = key;
  g_bSortDescending = !g_bSortDescending;
  m_list.SortItems(&CSource_Form::CompareItems, 0);
  if (pResult) *pResult = 0;
}

void CSource_Form::OnNMDblclkList(NMHDR*, LRESULT* pResult) {
  ZEKSettings().m_pSelectedEntry = CurrentEntry();
  if (pResult) *pResult = 0;
  if (m_list.GetNextItem(-1, LVNI_SELECTED) < 0) return;
  ZEKSettings().m_listSelectedNames.RemoveAll();
  CString last;
  for (int row = m_list.GetNextItem(-1, LVNI_SELECTED); row >= 0; row = m_list.GetNextItem(row, LVNI_SELECTED)) {
    const auto* record = reinterpret_cast<const CZEKMergeFileInfo*>(m_list.GetItemData(row));
    if (record == nullptr) continue;
    ZEKSettings().m_listSelectedNames.AddTail(record->m_New.m_strName);
    last = record->m_New.m_strName;
  }
  strncpy_s(ZEKSettings().m_szSelectedName, sizeof ZEKSettings().m_szSelectedName, last, _TRUNCATE);
  // The list control's DVD comment command.
  m_list.SendMessage(WM_COMMAND, MAKEWPARAM(ID_LIST_DVD_COMMENT, 0), 0);
}

void CSource_Form::OnNMKillfocusList(NMHDR*, LRESULT* pResult) {
  // The widths go where the shown columns took theirs from (the state,
  // comment and DVD list views keep theirs; the others have fixed widths).
  if (m_nStoredWidthsFirst >= 0 && m_dScaleX > 0) {
    for (int i = 0; i < m_nStoredWidthsCount && i < m_list.GetColumnCount(); ++i) {
      const auto pixels = static_cast<int>(m_list.SendMessage(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i), 0));
      ZEKSettings().m_nColWidth[m_nStoredWidthsFirst + i] = static_cast<int>(pixels / m_dScaleX);
    }
  }
  if (pResult) *pResult = 0;
  Default();
}

void CSource_Form::OnBnClickedFilter() {
  CFileType_Select_Chk_dlg* dlg = ZEKAppWindows().m_pFilterDlg;
  if (dlg == nullptr || dlg->m_hWnd == nullptr) return;
  dlg->ShowWindow(m_btnFilter.GetCheck() == BST_CHECKED ? SW_SHOW : SW_HIDE);
}

void CSource_Form::OnClose() { Default(); }

void CSource_Form::OnSize(UINT nType, int cx, int cy) {
  CFormView::OnSize(nType, cx, cy);
  if (m_list.m_hWnd == nullptr || GetDlgItem(IDC_FILE_LIST) == nullptr) return;
  CRect form;
  GetWindowRect(form);
  const int width = form.Width();
  const int height = form.Height();
  m_list.MoveWindow(ScaleX(21), ScaleY(20), width - ScaleX(40), height - ScaleY(190), TRUE);
  const int listRight = ScaleX(21) + width - ScaleX(40);
  for (const Placement& p : kPlacements) {
    CWnd* control = GetDlgItem(p.id);
    if (control == nullptr) continue;
    CRect rect;
    control->GetWindowRect(rect);
    int controlWidth = rect.Width();
    if (p.id == IDC_DVD_COMMENT) {
      // Where the form is too narrow for the whole box (the smallest frame,
      // above all at 144 dots per inch) it ends with the list instead of
      // running out of the window; with room again it has its own width.
      if (m_nDvdCommentWidth == 0) m_nDvdCommentWidth = controlWidth;
      controlWidth = std::max(ScaleX(80), std::min(m_nDvdCommentWidth, listRight - ScaleX(p.x)));
    }
    control->MoveWindow(ScaleX(p.x), height - ScaleY(p.d), controlWidth, rect.Height(), TRUE);
  }
}
