#include "ui/TitleForm.h"

#include <algorithm>
#include <cstring>

#include "compare/PathRoutines.h"
#include "records/EnvLabel.h"
#include "records/FileTypeProfile.h"
#include "records/ProfileText.h"
#include "records/Settings.h"
#include "records/ZEKDoc.h"
#include "res/resource.h"
#include "ui/AppWindows.h"
#include "ui/FilterDialogs.h"
#include "ui/MainFrm.h"
#include "ui/OperationForm.h"

IMPLEMENT_DYNCREATE(CTitle_Form, CFormView)

BEGIN_MESSAGE_MAP(CTitle_Form, CFormView)
  ON_WM_TIMER()
  ON_WM_PAINT()
  ON_CBN_SELCHANGE(IDC_COMBO_FILTER, &CTitle_Form::OnCbnSelchangeFilter)
  ON_BN_CLICKED(IDC_FILTER_SELECT, &CTitle_Form::OnBnClickedFilterSelect)
  ON_CBN_SELCHANGE(IDC_COMBO_OPERATION, &CTitle_Form::OnCbnSelchangeOperation)
  ON_BN_CLICKED(IDC_RADIO_COMPARE, &CTitle_Form::OnBnClickedCompareMode)
  ON_BN_CLICKED(IDC_RADIO_LIST, &CTitle_Form::OnBnClickedListMode)
END_MESSAGE_MAP()

char g_szOperationNames[16][128];

namespace {

const char* const kOperationNames[16] = {
    "ファイル比較のDFコマンド表示",
    "Windows SDKのwindiffコマンド表示",
    "UNIXのdiffコマンド表示",
    "バイナリダンプdiff表示",
    "テキストファイル表示(NEW)",
    "テキストファイル表示(OLD)",
    "行番号付テキストファイル表示(NEW)",
    "行番号付テキストファイル表示(OLD)",
    "バイナリダンプ表示(NEW)",
    "バイナリダンプ表示(OLD)",
    "ファイル情報表示",
    "テキストファイル表示",
    "行番号付テキストファイル表示",
    "バイナリダンプ表示",
    "ファイル情報表示",
    "既定のアプリ",
};
constexpr int kFirstListOperation = 11;

// The logo's rectangle on the form, and the part of it the logo covers.
constexpr int kLogoX = 8;
constexpr int kLogoY = 12;
constexpr int kLogoCx = 196;
constexpr int kLogoCy = 74;
// Where the mask is 1 (the logo is white) the form stays; elsewhere the
// logo's pixel is copied.
constexpr DWORD kLogoRop = 0xCCAA0000u;

// Copies `text` into an operation name, cut at a character boundary.
void SetOperationName(int index, const char* text) {
  const int length = CharBoundaryLength(text, static_cast<int>(std::strlen(text)), 127);
  std::memcpy(g_szOperationNames[index], text, static_cast<size_t>(length));
  g_szOperationNames[index][length] = 0;
}

void TakeMenuTexts() {
  for (int i = 0; i < 3; ++i) SetOperationName(i, ZEKSettings().m_strCmdMenu[i]);
}

CZEKEnv_Label* CurrentEntry() {
  return ZEKSettings().m_pCurrentDoc ? ZEKSettings().m_pCurrentDoc->m_pCurrentEntry : nullptr;
}

}  // namespace

void ActivateProfileNamed(const char* name) {
  // No profile carries a name longer than the table holds.
  if (name == nullptr || std::strlen(name) > FILETYPE_NAME_MAX) {
    g_nActiveProfile = 0;
    return;
  }
  FindProfileByName(name);
}

CTitle_Form::CTitle_Form() : CFormView(IDD_TITLE_FORM) {}

CTitle_Form::~CTitle_Form() {
  if (CMainFrame* frame = GetMainFrame(); frame && frame->m_pTitleForm == this) frame->m_pTitleForm = nullptr;
}

void CTitle_Form::DoDataExchange(CDataExchange* pDX) {
  CFormView::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_COMBO_FILTER, m_comboFilter);
  DDX_Control(pDX, IDC_CLOCK, m_stClock);
  DDX_Radio(pDX, IDC_RADIO_COMPARE, m_nMode);
  DDX_Control(pDX, IDC_COMBO_OPERATION, m_comboOperation);
}

void CTitle_Form::OnInitialUpdate() {
  CFormView::OnInitialUpdate();
  CMainFrame* frame = GetMainFrame();
  if (frame) {
    frame->m_pTitleForm = this;
    m_stClock.SetFont(&frame->m_font, TRUE);
    frame->m_nMode = ZEKSettings().m_nAppMode;
  }
  m_nMode = ZEKSettings().m_nAppMode;
  m_bmpLogo.DeleteObject();
  m_bmpLogo.LoadBitmap(IDB_TITLE_LOGO);

  m_comboFilter.ResetContent();
  for (int i = 0; i < 16; ++i) SetOperationName(i, kOperationNames[i]);
  TakeMenuTexts();
  RefillOperationCombo();

  if (CZEKEnv_Label* entry = CurrentEntry()) entry->m_strFilterName = ZEKSettings().m_strFilterName;
  FillFilterCombo();

  UpdateClock();
  SetTimer(IDT_CLOCK, 1000, nullptr);
  UpdateData(FALSE);
}

void CTitle_Form::FillFilterCombo() {
  CStringList lines;
  ProfileToText(ZEKSettings().m_strFilterName, lines);
  ActivateProfileNamed(lines.IsEmpty() ? "" : static_cast<const char*>(lines.GetHead()));
  m_comboFilter.ResetContent();
  for (POSITION pos = lines.GetHeadPosition(); pos != nullptr;) m_comboFilter.AddString(lines.GetNext(pos));
  m_comboFilter.SetCurSel(0);
}

void CTitle_Form::ShowControlsForView(int view) {
  for (int id : {IDC_COMBO_OPERATION, IDC_LABEL_OPERATION, IDC_GROUP_MODE, IDC_RADIO_COMPARE, IDC_RADIO_LIST}) {
    if (CWnd* w = GetDlgItem(id)) w->ShowWindow(SW_HIDE);
  }
  if (CWnd* w = GetDlgItem(IDC_FILTER_SELECT)) w->ShowWindow(view == 1 ? SW_HIDE : SW_SHOW);
}

void CTitle_Form::RefillOperationCombo() {
  TakeMenuTexts();
  CMainFrame* frame = GetMainFrame();
  const bool compare = frame ? frame->m_nMode == MODE_COMPARE : ZEKSettings().m_nAppMode == MODE_COMPARE;
  m_comboOperation.ResetContent();
  if (compare) {
    for (int i = 0; i < kFirstListOperation; ++i) m_comboOperation.AddString(g_szOperationNames[i]);
  } else {
    for (int i = kFirstListOperation; i < 16; ++i) m_comboOperation.AddString(g_szOperationNames[i]);
    m_comboOperation.SetCurSel(4);
  }
  m_comboOperation.SetCurSel(compare ? ZEKSettings().m_nOpeMode1 : ZEKSettings().m_nOpeMode2);
  UpdateData(FALSE);
}

void CTitle_Form::UpdateClock() {
  char text[64];
  FormatTimeText(static_cast<LONG>(_time32(nullptr)), text);
  m_stClock.SetColors(RGB(0xFF, 0, 0), GetSysColor(COLOR_BTNFACE));
  m_stClock.SetWindowText(text);
  m_stClock.RedrawWindow();
}

void CTitle_Form::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent == IDT_CLOCK) UpdateClock();
  CFormView::OnTimer(nIDEvent);
}

void CTitle_Form::OnPaint() {
  CPaintDC dc(this);
  BITMAP bm{};
  if (m_bmpLogo.GetSafeHandle() == nullptr || !m_bmpLogo.GetBitmap(&bm)) return;
  // Only what the bitmap holds is drawn; the rest of the rectangle keeps
  // the form's background.
  const int cx = std::min(kLogoCx, static_cast<int>(bm.bmWidth));
  const int cy = std::min(kLogoCy, static_cast<int>(bm.bmHeight));
  CDC logo;
  CDC maskDC;
  logo.CreateCompatibleDC(&dc);
  maskDC.CreateCompatibleDC(&dc);
  CBitmap* oldLogo = logo.SelectObject(&m_bmpLogo);
  CBitmap mask;
  mask.CreateBitmap(kLogoCx, kLogoCy, 1, 1, nullptr);
  CBitmap* oldMask = maskDC.SelectObject(&mask);
  // Copied onto a monochrome bitmap, the background colour (white) gives 1.
  logo.SetBkColor(RGB(0xFF, 0xFF, 0xFF));
  maskDC.BitBlt(0, 0, cx, cy, &logo, 0, 0, SRCCOPY);
  const int oldStretch = dc.SetStretchBltMode(COLORONCOLOR);
  dc.MaskBlt(kLogoX, kLogoY, cx, cy, &logo, 0, 0, mask, 0, 0, kLogoRop);
  dc.SetStretchBltMode(oldStretch);
  maskDC.SelectObject(oldMask);
  logo.SelectObject(oldLogo);
  mask.DeleteObject();
}

void CTitle_Form::OnCbnSelchangeFilter() {
  // The list only shows the profile: its name stays on top.
  m_comboFilter.SetCurSel(0);
  UpdateData(FALSE);
}

BOOL CTitle_Form::ChooseProfile() {
  CFileType_Select_dlg dlg(this);
  return dlg.DoModal() == IDOK;
}

void CTitle_Form::OnBnClickedFilterSelect() {
  const BOOL chosen = ChooseProfile();
  // What arrived while the dialog was open may have replaced the forms, this
  // one with them: the frame closed, or a view switch delivered to the frame
  // directly (the DDE server turns commands away while a question waits).
  if (CMainFrame* frame = GetMainFrame(); frame == nullptr || frame->m_pTitleForm != this) return;
  if (chosen) {
    if (CZEKEnv_Label* entry = CurrentEntry()) entry->m_strFilterName = ZEKSettings().m_strFilterName;
    // The list shows the chosen profile's own sections.
    ActivateProfileNamed(ZEKSettings().m_strFilterName);
    FillFilterCombo();
    if (ZEKSettings().m_pCurrentDoc) ZEKSettings().m_pCurrentDoc->SetModifiedFlag(TRUE);
  }
  UpdateData(FALSE);
}

void CTitle_Form::OnCbnSelchangeOperation() {
  CMainFrame* frame = GetMainFrame();
  const int sel = m_comboOperation.GetCurSel();
  if (frame && frame->m_nMode != MODE_COMPARE) {
    ZEKSettings().m_nOpeMode2 = sel;
  } else {
    ZEKSettings().m_nOpeMode1 = sel;
  }
}

void CTitle_Form::OnBnClickedCompareMode() { SwitchMode(MODE_COMPARE); }
void CTitle_Form::OnBnClickedListMode() { SwitchMode(MODE_LIST); }

void CTitle_Form::SwitchMode(int m) {
  // The mode belongs to a new document; when the user keeps the open one,
  // neither it nor the frame changes.
  if (!ZEKAppWindows().NewDocument()) {
    if (CMainFrame* frame = GetMainFrame(); frame && frame->m_pTitleForm == this) UpdateData(FALSE);
    return;
  }
  CMainFrame* frame = GetMainFrame();
  ZEKSettings().m_nAppMode = m;
  if (frame == nullptr) return;
  frame->m_nMode = m;
  if (frame->m_pDoc && frame->m_pDoc->m_pCurrentEntry) frame->m_pDoc->m_pCurrentEntry->m_nModeCopy = m;
  // Only the operation layout has the folder rows.
  if (frame->m_pOperationForm) frame->m_pOperationForm->ShowCompareFields(m);
  if (frame->m_pTitleForm) frame->m_pTitleForm->m_nMode = m;
}
