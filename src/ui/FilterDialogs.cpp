#include "ui/FilterDialogs.h"

#include <map>

#include "compare/ExternalPrograms.h"
#include "records/FileTypeProfile.h"
#include "records/ProfileText.h"
#include "records/Settings.h"
#include "res/resource.h"
#include "ui/AppWindows.h"
#include "ui/MainFrm.h"
#include "ui/SourceForm.h"

IMPLEMENT_DYNAMIC(CFileType_Select_Chk_dlg, CDialog)
IMPLEMENT_DYNAMIC(CFileType_Select_dlg, CDialog)

namespace {

// Width in pixels the file-name and folder lists scroll over.
constexpr int kListExtent = 480;
// Where the window first shows, from the main window's top-left corner.
constexpr int kFirstShowX = 330;
constexpr int kFirstShowY = 188;
constexpr UINT kRefreshMs = 500;

// The file list form when the file view shows it; null in the operation
// view, where there is none.
CSource_Form* ShownFileList() {
  CMainFrame* frame = GetMainFrame();
  if (frame == nullptr || frame->m_nLayout != WM_SHOW_FILE_VIEW) return nullptr;
  return frame->m_pSourceForm;
}

// Everything the lists are filled from: the profile's text, the active
// profile, the working copy's targets and the texts the last run found.
std::string ListSources() {
  std::string f;
  CStringList lines(10);
  ProfileToText(ZEKSettings().m_strFilterName, lines);
  for (POSITION pos = lines.GetHeadPosition(); pos != nullptr;) {
    f += lines.GetNext(pos).GetString();
    f += '\n';
  }
  f += std::to_string(GetCurrentProfile()) + '\n';
  for (const FileTypeExtEntry& e : ProfileWorkingCopy.targetExt) {
    if (e.used != 1) break;
    f += e.text;
    f += '\n';
  }
  f += '\x01';
  for (const FileTypeNameEntry& e : ProfileWorkingCopy.targetName) {
    if (e.used != 1) break;
    f += e.text;
    f += '\n';
  }
  for (CStringList* texts : {&g_listWildcardExt, &g_listWildcardName}) {
    f += '\x02';
    for (POSITION pos = texts->GetHeadPosition(); pos != nullptr;) {
      f += texts->GetNext(pos).GetString();
      f += '\n';
    }
  }
  return f;
}

// The check marks of a list by text.
std::map<std::string, int> Ticks(const CCheckListBox& list) {
  std::map<std::string, int> ticks;
  for (int i = 0; i < list.GetCount(); ++i) {
    CString text;
    list.GetText(i, text);
    ticks[text.GetString()] = list.GetCheck(i);
  }
  return ticks;
}

void RestoreTicks(CCheckListBox& list, const std::map<std::string, int>& ticks) {
  for (int i = 0; i < list.GetCount(); ++i) {
    CString text;
    list.GetText(i, text);
    auto it = ticks.find(text.GetString());
    if (it == ticks.end()) continue;
    list.SetCheck(i, it->second);
    list.SetItemData(i, static_cast<DWORD_PTR>(it->second));
  }
}

}  // namespace

// ---------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CFileType_Select_Chk_dlg, CDialog)
  ON_WM_SHOWWINDOW()
  ON_WM_TIMER()
  ON_BN_CLICKED(IDC_FT_ALL_EXT, &CFileType_Select_Chk_dlg::OnBnClickedAllExt)
  ON_BN_CLICKED(IDC_FT_ALL_NAMES, &CFileType_Select_Chk_dlg::OnBnClickedAllNames)
  ON_BN_CLICKED(IDC_FT_STATE_DIFF, &CFileType_Select_Chk_dlg::OnBnClickedStateDiff)
  ON_BN_CLICKED(IDC_FT_STATE_NEW, &CFileType_Select_Chk_dlg::OnBnClickedStateNew)
  ON_BN_CLICKED(IDC_FT_STATE_OLD, &CFileType_Select_Chk_dlg::OnBnClickedStateOld)
  ON_BN_CLICKED(IDC_FT_STATE_SAME, &CFileType_Select_Chk_dlg::OnBnClickedStateSame)
  ON_BN_CLICKED(IDC_FT_OPEN_INI, &CFileType_Select_Chk_dlg::OnBnClickedOpenIni)
END_MESSAGE_MAP()

CFileType_Select_Chk_dlg::CFileType_Select_Chk_dlg(CWnd* pParent) : CDialog(IDD_FILETYPE_SELECT_CHK, pParent) {
  m_hIconLarge = AfxLoadIcon(IDI_FILTER_DLG);
  m_hIconSmall = AfxLoadIcon(IDI_FILTER_DLG, 16, 16);
}

CFileType_Select_Chk_dlg::~CFileType_Select_Chk_dlg() {
  if (ZEKAppWindows().m_pFilterDlg == this) ZEKAppWindows().m_pFilterDlg = nullptr;
  DestroyIcon(m_hIconLarge);
  DestroyIcon(m_hIconSmall);
}

void CFileType_Select_Chk_dlg::PostNcDestroy() { delete this; }

void CFileType_Select_Chk_dlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_FT_EXT, m_listExt);
  DDX_Control(pDX, IDC_FT_EXCLUDED_EXT, m_listExcludedExt);
  DDX_Control(pDX, IDC_FT_NAMES, m_listNames);
  DDX_Control(pDX, IDC_FT_EXCLUDED_DIRS, m_listExcludedDirs);
  DDX_Control(pDX, IDC_FT_COMBO, m_comboProfile);
  DDX_Control(pDX, IDC_FT_ALL_EXT, m_btnAllExt);
  DDX_Control(pDX, IDC_FT_ALL_NAMES, m_btnAllNames);
  DDX_Control(pDX, IDC_FT_STATE_DIFF, m_btnDiff);
  DDX_Control(pDX, IDC_FT_STATE_NEW, m_btnNew);
  DDX_Control(pDX, IDC_FT_STATE_OLD, m_btnOld);
  DDX_Control(pDX, IDC_FT_STATE_SAME, m_btnSame);
}

BOOL CFileType_Select_Chk_dlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetIcon(m_hIconLarge, TRUE);
  SetIcon(m_hIconSmall, FALSE);
  const struct {
    CBitmap& bitmap;
    UINT id;
    CButton& button;
  } states[] = {{m_bmpDiff, IDB_STATE_DIFF, m_btnDiff},
                {m_bmpNew, IDB_STATE_NEW, m_btnNew},
                {m_bmpOld, IDB_STATE_OLD, m_btnOld},
                {m_bmpSame, IDB_STATE_SAME, m_btnSame}};
  for (const auto& s : states) {
    if (s.bitmap.GetSafeHandle() == nullptr) s.bitmap.LoadBitmap(s.id);
    s.button.SetBitmap(static_cast<HBITMAP>(s.bitmap.GetSafeHandle()));
  }
  m_bVisible = FALSE;
  SetTimer(kRefreshTimer, kRefreshMs, nullptr);
  return TRUE;
}

void CFileType_Select_Chk_dlg::OnShowWindow(BOOL bShow, UINT nStatus) {
  CWnd::OnShowWindow(bShow, nStatus);
  m_bVisible = bShow != FALSE;
  if (!m_bVisible) return;
  if (!m_bFilled) {
    if (CWnd* main = AfxGetMainWnd()) {
      CRect r;
      main->GetWindowRect(&r);
      SetWindowPos(nullptr, r.left + kFirstShowX, r.top + kFirstShowY, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    FillControls();
    return;
  }
  // The profile, the run or the state bits may have changed while hidden.
  RefillIfChanged();
  UpdateStateButtons();
  EnableStateButtons();
}

void CFileType_Select_Chk_dlg::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent != kRefreshTimer || !m_bVisible || !m_bFilled) return;
  // A run fills the texts bit by bit; the lists follow once it has ended.
  CMainFrame* frame = GetMainFrame();
  if (frame && frame->IsRunInProgress()) return;
  RefillIfChanged();
}

void CFileType_Select_Chk_dlg::FillControls() { Fill(false); }

BOOL CFileType_Select_Chk_dlg::RefillIfChanged() {
  if (!m_bFilled || !IsWindow(GetSafeHwnd()) || ListSources() == m_strFilledFrom) return FALSE;
  Fill(true);
  return TRUE;
}

void CFileType_Select_Chk_dlg::Fill(bool keepTicks) {
  const std::map<std::string, int> extTicks = Ticks(m_listExt);
  const std::map<std::string, int> nameTicks = Ticks(m_listNames);
  // The profile's text in the combo, its first line chosen.
  CStringList lines(10);
  const CString activeName = ListProfileNames(lines);
  m_comboProfile.ResetContent();
  ProfileToText(ZEKSettings().m_strFilterName, lines);
  for (POSITION pos = lines.GetHeadPosition(); pos != nullptr;) m_comboProfile.AddString(lines.GetNext(pos));
  m_comboProfile.SelectString(-1, ZEKSettings().m_strFilterName);
  FindProfileByName(activeName);
  m_nSelectMode = FillCheckListPair(m_listExt, m_listNames, m_listExcludedExt, m_listExcludedDirs);
  m_listNames.SetHorizontalExtent(kListExtent);
  m_listExcludedDirs.SetHorizontalExtent(kListExtent);
  if (keepTicks) {
    RestoreTicks(m_listExt, extTicks);
    RestoreTicks(m_listNames, nameTicks);
  } else {
    m_btnAllExt.SetCheck(BST_CHECKED);
    m_btnAllNames.SetCheck(BST_CHECKED);
  }
  UpdateStateButtons();
  EnableStateButtons();
  m_bFilled = TRUE;
  m_strFilledFrom = ListSources();
  UpdateData(FALSE);
}

void CFileType_Select_Chk_dlg::EnableStateButtons() {
  // The state filter means nothing in the DVD catalogue list.
  CMainFrame* frame = GetMainFrame();
  const BOOL enable = frame == nullptr || frame->m_nMode == MODE_COMPARE;
  for (int id : {IDC_FT_STATE_DIFF, IDC_FT_STATE_NEW, IDC_FT_STATE_OLD, IDC_FT_STATE_SAME, IDC_FT_STATE_GROUP}) {
    if (CWnd* w = GetDlgItem(id)) w->EnableWindow(enable);
  }
}

void CFileType_Select_Chk_dlg::UpdateStateButtons() {
  if (!m_bVisible || !IsWindow(GetSafeHwnd())) return;
  const int bits = ZEKSettings().m_nDispMode;
  m_btnDiff.SetCheck((bits & 8) ? BST_CHECKED : BST_UNCHECKED);
  m_btnNew.SetCheck((bits & 2) ? BST_CHECKED : BST_UNCHECKED);
  m_btnOld.SetCheck((bits & 4) ? BST_CHECKED : BST_UNCHECKED);
  m_btnSame.SetCheck((bits & 1) ? BST_CHECKED : BST_UNCHECKED);
}

void CFileType_Select_Chk_dlg::ApplySelection() {
  UpdateData(TRUE);
  CMainFrame* frame = GetMainFrame();
  if (frame == nullptr || frame->m_pRecordList == nullptr) return;
  // Ticks given for the lists of an earlier profile or run go to the lists
  // of the records shown now first: a record is never hidden for being
  // missing from lists that no longer describe it.
  RefillIfChanged();
  StoreCheckStates(m_listExt, m_listNames);
  ApplySelectionToRecords(m_nSelectMode, frame->m_pRecordList, m_listExt, m_listNames);
}

void CFileType_Select_Chk_dlg::OnOK() {
  ApplySelection();
  // The window stays open.
  if (CSource_Form* list = ShownFileList()) list->FillList(-1, FALSE);
}

void CFileType_Select_Chk_dlg::OnCancel() {
  // The list form's filter button comes up again with the window's close.
  if (CSource_Form* list = ShownFileList()) {
    if (CWnd* button = list->GetDlgItem(IDC_DISPLAY_FILTER)) button->SendMessage(BM_SETCHECK, BST_UNCHECKED, 0);
  }
  CDialog::OnCancel();
}

void CFileType_Select_Chk_dlg::OnBnClickedAllExt() { SetAllChecks(m_btnAllExt.GetCheck(), m_listExt); }

void CFileType_Select_Chk_dlg::OnBnClickedAllNames() { SetAllChecks(m_btnAllNames.GetCheck(), m_listNames); }

void CFileType_Select_Chk_dlg::SendFrameCommand(UINT id) {
  // The frame toggles the bit and shows the list anew; the buttons then
  // show the bits, also when the frame took no notice.
  if (CWnd* main = AfxGetMainWnd()) main->SendMessage(WM_COMMAND, id, 0);
  UpdateStateButtons();
}

void CFileType_Select_Chk_dlg::OnBnClickedStateDiff() { SendFrameCommand(ID_SHOW_DIFF_FILES); }
void CFileType_Select_Chk_dlg::OnBnClickedStateNew() { SendFrameCommand(ID_SHOW_NEW_FILES); }
void CFileType_Select_Chk_dlg::OnBnClickedStateOld() { SendFrameCommand(ID_SHOW_DELETED_FILES); }
void CFileType_Select_Chk_dlg::OnBnClickedStateSame() { SendFrameCommand(ID_SHOW_SAME_FILES); }

void CFileType_Select_Chk_dlg::OnBnClickedOpenIni() {
  if (!CZEKSettings::FileExists(ZEKSettings().m_strIniPath)) return;
  // The command line is formed in 2048 bytes: a longer one is not started.
  if (ZEKSettings().m_strCmdEditor.GetLength() + ZEKSettings().m_strIniPath.GetLength() + 3 >= 2048) return;
  OpenInTextEditor(ZEKSettings().m_strCmdEditor, ZEKSettings().m_strIniPath);
}

// ---------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CFileType_Select_dlg, CDialog)
  ON_LBN_SELCHANGE(IDC_FT_PROFILES, &CFileType_Select_dlg::OnLbnSelchangeProfiles)
  ON_LBN_DBLCLK(IDC_FT_PROFILES, &CFileType_Select_dlg::OnLbnDblclkProfiles)
END_MESSAGE_MAP()

CFileType_Select_dlg::CFileType_Select_dlg(CWnd* pParent) : CDialog(IDD_FILETYPE_SELECT, pParent) {}
CFileType_Select_dlg::~CFileType_Select_dlg() = default;

void CFileType_Select_dlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_FT_PROFILES, m_listProfiles);
  DDX_Control(pDX, IDC_FT_EXCLUDED_DIRS, m_listExcludedDirs);
  DDX_Control(pDX, IDC_FT_EXCLUDED_EXT, m_listExcludedExt);
  DDX_Control(pDX, IDC_FT_NAMES, m_listNames);
  DDX_Control(pDX, IDC_FT_EXT, m_listExt);
}

BOOL CFileType_Select_dlg::OnInitDialog() {
  CDialog::OnInitDialog();
  CStringList names(10);
  const CString active = ListProfileNames(names);
  for (POSITION pos = names.GetHeadPosition(); pos != nullptr;) m_listProfiles.AddString(names.GetNext(pos));
  // The active profile's own name first; a name it only begins only when
  // none is equal (else OK alone would switch to that other profile).
  int item = LB_ERR;
  for (int i = 0; i < m_listProfiles.GetCount() && item == LB_ERR; ++i) {
    CString text;
    m_listProfiles.GetText(i, text);
    if (text == active) item = i;
  }
  if (item != LB_ERR) {
    m_listProfiles.SetCurSel(item);
  } else {
    m_listProfiles.SelectString(-1, active);
  }
  ShowProfile(m_listProfiles.GetCurSel());
  m_listNames.SetHorizontalExtent(kListExtent);
  m_listExcludedDirs.SetHorizontalExtent(kListExtent);
  return TRUE;
}

void CFileType_Select_dlg::ShowProfile(int item) {
  // The item-th profile with a name, in slot order.
  int slot = -1;
  for (int s = 0, n = 0; item >= 0 && s < FILETYPE_SLOTS; ++s) {
    if (g_fileTypeProfiles[s].name[0] == 0) continue;
    if (n++ == item) {
      slot = s;
      break;
    }
  }
  FillProfileLists(slot, m_listExt, m_listNames, m_listExcludedExt, m_listExcludedDirs);
}

void CFileType_Select_dlg::OnLbnSelchangeProfiles() { ShowProfile(m_listProfiles.GetCurSel()); }

void CFileType_Select_dlg::OnLbnDblclkProfiles() { OnOK(); }

void CFileType_Select_dlg::OnOK() {
  UpdateData(TRUE);
  const int item = m_listProfiles.GetCurSel();
  if (item < 0) return;
  CString name;
  m_listProfiles.GetText(item, name);
  ZEKSettings().m_strFilterName = name.Left(FILETYPE_NAME_MAX);
  EndDialog(IDOK);
}
