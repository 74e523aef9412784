#include "ui/EnvSheet.h"

#include <cstring>
#include <ctime>

#include "compare/ExternalPrograms.h"
#include "compare/PathRoutines.h"
#include "compare/SendTo.h"
#include "records/Settings.h"
#include "res/resource.h"
#include "ui/SmallDialogs.h"

IMPLEMENT_DYNAMIC(CENV_SHEET, CPropertySheet)
IMPLEMENT_DYNCREATE(CENV_COMMAND, CPropertyPage)
IMPLEMENT_DYNCREATE(CENV_FOLDER, CPropertyPage)
IMPLEMENT_DYNCREATE(CENV_LIST_MODE, CPropertyPage)
IMPLEMENT_DYNCREATE(CENV_OPE_MODE, CPropertyPage)

namespace {

const char kShortcutPlaceholder[] = "－－－ ショートカット名を指定して下さい。 －－－";
const char kNoShortcutName[] = "ショートカット名称を指定して下さい。";
const char kShortcutExists[] = "指定したショートカットは、既に存在します。\n別なショートカット名称を指定して下さい。";
const char kBadShortcutName[] =
    "ショートカット名称に使用できない文字が含まれています。\n（ \\ / : * ? \" < > | と制御文字は使用できません）";
const char kShortcutFailed[] = "%s\n\n上記ショートカットを作成できませんでした。";
const char kPathTooLong[] = "%s\n\n上記パスが長すぎます。%dバイト以内で指定して下さい。";

// Paths go into the program's 1024-byte working buffers.
constexpr int kPathMax = kMaxWorkPath;

// Shows a message about a field and puts the focus on it.
void RefuseField(CDialog* page, int id, const CString& text) {
  AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
  if (CWnd* control = page->GetDlgItem(id)) page->GotoDlgCtrl(control);
}

// FALSE after a message when the path is longer than the buffers hold.
BOOL PathFits(CDialog* page, int id, const CString& path) {
  if (path.GetLength() <= kPathMax) return TRUE;
  CString text;
  text.Format(kPathTooLong, path.GetString(), kPathMax);
  RefuseField(page, id, text);
  return FALSE;
}

// A shortcut name becomes part of two file names in the program folder: a
// name that would leave its folder, or that Windows could not hold, is
// refused.
bool IsShortcutName(const CString& name) {
  if (name == "." || name == "..") return false;
  const char* p = name;
  for (size_t i = 0; p[i] != 0; ++i) {
    const unsigned char c = static_cast<unsigned char>(p[i]);
    if (_ismbblead(c) && p[i + 1] != 0) {
      ++i;  // a trail byte 0x5C is no backslash
      continue;
    }
    if (c < 0x20 || c == 0x7F || std::strchr("\\/:*?\"<>|", c) != nullptr) return false;
  }
  return true;
}

// The local time `days` days ago as the program writes times; empty when it
// cannot be formed.
CString DaysAgoText(int days) {
  const long long when = static_cast<long long>(time(nullptr)) - static_cast<long long>(days) * 86400;
  if (when < 0 || when > 0x7FFFFFFF) return CString();
  char text[64];
  text[0] = 0;
  FormatTimeText(static_cast<LONG>(when), text);
  return CString(text);
}

}  // namespace

// ---------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CENV_SHEET, CPropertySheet)
END_MESSAGE_MAP()

CENV_SHEET::CENV_SHEET(UINT nIDCaption, CWnd* pParentWnd, UINT iSelectPage)
    : CPropertySheet(nIDCaption, pParentWnd, iSelectPage) {}

BOOL ShowEnvSheet(CWnd*) {
  // The pages outlive the sheet, which keeps pointers to them.
  CENV_COMMAND command;
  CENV_FOLDER folder;
  CENV_LIST_MODE listMode;
  CENV_OPE_MODE opeMode;
  CENV_SHEET sheet(IDS_ENV_SHEET_CAPTION, nullptr, 0);
  sheet.m_psh.dwFlags &= ~PSH_HASHELP;
  sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
  command.m_psp.dwFlags &= ~PSP_HASHELP;
  folder.m_psp.dwFlags &= ~PSP_HASHELP;
  sheet.AddPage(&command);
  sheet.AddPage(&folder);
  return sheet.DoModal() == IDOK;
}

// ---------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CENV_COMMAND, CPropertyPage)
  ON_BN_CLICKED(IDC_ENV_BROWSE_EXCEL, &CENV_COMMAND::OnBnClickedBrowseExcel)
  ON_BN_CLICKED(IDC_ENV_BROWSE_EDITOR, &CENV_COMMAND::OnBnClickedBrowseEditor)
  ON_BN_CLICKED(IDC_ENV_BROWSE_DF, &CENV_COMMAND::OnBnClickedBrowseDF)
  ON_BN_CLICKED(IDC_ENV_BROWSE_WINDIFF, &CENV_COMMAND::OnBnClickedBrowseWindiff)
  ON_BN_CLICKED(IDC_ENV_BROWSE_DIFF, &CENV_COMMAND::OnBnClickedBrowseDiff)
END_MESSAGE_MAP()

CENV_COMMAND::CENV_COMMAND() : CPropertyPage(IDD_ENV_COMMAND) {}
CENV_COMMAND::~CENV_COMMAND() = default;

void CENV_COMMAND::DoDataExchange(CDataExchange* pDX) {
  CPropertyPage::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_ENV_CMD_EXCEL, m_editExcel);
  DDX_Control(pDX, IDC_ENV_CMD_EDITOR, m_editEditor);
  DDX_Control(pDX, IDC_ENV_CMD_DF, m_editDF);
  DDX_Control(pDX, IDC_ENV_CMD_WINDIFF, m_editWindiff);
  DDX_Control(pDX, IDC_ENV_CMD_DIFF, m_editDiff);
  DDX_Text(pDX, IDC_ENV_CMD_EXCEL, m_strCmdExcel);
  DDX_Text(pDX, IDC_ENV_CMD_EDITOR, m_strCmdEditor);
  DDX_Text(pDX, IDC_ENV_CMD_DF, m_strCmdDF);
  DDX_Text(pDX, IDC_ENV_MENU_DF, m_strCmdMenu[0]);
  DDX_Text(pDX, IDC_ENV_CMD_WINDIFF, m_strCmdWindiff);
  DDX_Text(pDX, IDC_ENV_MENU_WINDIFF, m_strCmdMenu[1]);
  DDX_Text(pDX, IDC_ENV_CMD_DIFF, m_strCmdDiff);
  DDX_Text(pDX, IDC_ENV_MENU_DIFF, m_strCmdMenu[2]);
}

BOOL CENV_COMMAND::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  m_strCmdExcel = ZEKSettings().m_strCmdExcel;
  m_strCmdEditor = ZEKSettings().m_strCmdEditor;
  m_strCmdDF = ZEKSettings().m_strCmdDF;
  m_strCmdWindiff = ZEKSettings().m_strCmdWindiff;
  m_strCmdDiff = ZEKSettings().m_strCmdDiff;
  for (int i = 0; i < 3; ++i) m_strCmdMenu[i] = ZEKSettings().m_strCmdMenu[i];
  UpdateData(FALSE);
  return TRUE;
}

BOOL CENV_COMMAND::OnKillActive() {
  if (!CPropertyPage::OnKillActive()) return FALSE;
  // A program not installed yet may be named: it is stored, and OK leaves
  // its availability as it was. Only a path the buffers cannot hold is
  // refused.
  const struct {
    int id;
    const CString& value;
  } fields[] = {
      {IDC_ENV_CMD_EXCEL, m_strCmdExcel},   {IDC_ENV_CMD_EDITOR, m_strCmdEditor},
      {IDC_ENV_CMD_DF, m_strCmdDF},         {IDC_ENV_CMD_WINDIFF, m_strCmdWindiff},
      {IDC_ENV_CMD_DIFF, m_strCmdDiff},
  };
  for (const auto& f : fields) {
    if (!PathFits(this, f.id, f.value)) return FALSE;
  }
  return TRUE;
}

void CENV_COMMAND::OnOK() {
  UpdateData(TRUE);
  const CString* paths[5] = {&m_strCmdExcel, &m_strCmdEditor, &m_strCmdDF, &m_strCmdWindiff, &m_strCmdDiff};
  for (int i = 0; i < 5; ++i) {
    if (GetPathStatus(0, *paths[i]) == 0) ZEKSettings().m_bCmdAvailable[i] = 1;
  }
  ZEKSettings().m_strCmdExcel = m_strCmdExcel;
  ZEKSettings().m_strCmdEditor = m_strCmdEditor;
  ZEKSettings().m_strCmdDF = m_strCmdDF;
  ZEKSettings().m_strCmdWindiff = m_strCmdWindiff;
  ZEKSettings().m_strCmdDiff = m_strCmdDiff;
  for (int i = 0; i < 3; ++i) ZEKSettings().m_strCmdMenu[i] = m_strCmdMenu[i];
  CPropertyPage::OnOK();
}

void CENV_COMMAND::BrowseProgram(CString& field, const char* title, const char* filter) {
  // Text typed since the last exchange is taken first, so showing the
  // values again never replaces it.
  if (!UpdateData(TRUE)) return;
  CFile_Select1 picker(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_ENABLETEMPLATE, filter,
                       this);
  picker.m_ofn.Flags &= ~OFN_EXPLORER;
  picker.m_ofn.lpstrTitle = title;
  picker.m_ofn.lpTemplateName = reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(IDD_FILE_SELECT1));
  CString folder = field;
  CutToParentFolder(folder);
  picker.m_ofn.lpstrInitialDir = folder;
  if (picker.DoModal() != IDOK) return;
  field = picker.GetPathName();
  UpdateData(FALSE);
}

void CENV_COMMAND::OnBnClickedBrowseExcel() {
  BrowseProgram(m_strCmdExcel, "ＣＳＶファイル表示プログラム選択", "プログラム(*.exe)  *.exe  ||");
}
void CENV_COMMAND::OnBnClickedBrowseEditor() {
  BrowseProgram(m_strCmdEditor, "テキストエディタプログラム選択", "プログラム(*.exe)  *.exe ||");
}
void CENV_COMMAND::OnBnClickedBrowseDF() {
  BrowseProgram(m_strCmdDF, "ファイル比較プログラム（１）選択", "プログラム(*.exe)  *.exe ||");
}
void CENV_COMMAND::OnBnClickedBrowseWindiff() {
  BrowseProgram(m_strCmdWindiff, "ファイル比較プログラム（２）選択", "プログラム(*.exe)  *.exe ||");
}
void CENV_COMMAND::OnBnClickedBrowseDiff() {
  BrowseProgram(m_strCmdDiff, "ファイル比較プログラム（３）選択", "プログラム(*.exe)  *.exe ||");
}

// ---------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CENV_FOLDER, CPropertyPage)
  ON_BN_CLICKED(IDC_ENV_BROWSE_NEW, &CENV_FOLDER::OnBnClickedBrowseNew)
  ON_BN_CLICKED(IDC_ENV_BROWSE_OLD, &CENV_FOLDER::OnBnClickedBrowseOld)
  ON_BN_CLICKED(IDC_ENV_BROWSE_DIFF_PATH, &CENV_FOLDER::OnBnClickedBrowseDiff)
  ON_BN_CLICKED(IDC_ENV_BROWSE_EXTRACT, &CENV_FOLDER::OnBnClickedBrowseExtract)
  ON_BN_CLICKED(IDC_ENV_BROWSE_MASTER, &CENV_FOLDER::OnBnClickedBrowseMaster)
  ON_BN_CLICKED(IDC_ENV_CREATE_SHORTCUT, &CENV_FOLDER::OnBnClickedCreateShortcut)
  ON_BN_CLICKED(IDC_ENV_SHOW_SHORTCUTS, &CENV_FOLDER::OnBnClickedShowShortcuts)
END_MESSAGE_MAP()

CENV_FOLDER::CENV_FOLDER() : CPropertyPage(IDD_ENV_FOLDER), m_strShortcutName(kShortcutPlaceholder) {}
CENV_FOLDER::~CENV_FOLDER() = default;

void CENV_FOLDER::DoDataExchange(CDataExchange* pDX) {
  CPropertyPage::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_ENV_NEW_PATH, m_editNew);
  DDX_Control(pDX, IDC_ENV_OLD_PATH, m_editOld);
  DDX_Control(pDX, IDC_ENV_DIFF_PATH, m_editDiff);
  DDX_Control(pDX, IDC_ENV_EXTRACT_PATH, m_editExtract);
  DDX_Control(pDX, IDC_ENV_MASTER_PATH, m_editMaster);
  DDX_Text(pDX, IDC_ENV_NEW_PATH, m_strNewPath);
  DDX_Text(pDX, IDC_ENV_OLD_PATH, m_strOldPath);
  DDX_Text(pDX, IDC_ENV_DIFF_PATH, m_strDiffPath);
  DDX_Text(pDX, IDC_ENV_COMMENT, m_strComment);
  DDX_Text(pDX, IDC_ENV_EXTRACT_PATH, m_strExtractPath);
  DDX_Text(pDX, IDC_ENV_MASTER_PATH, m_strMasterPath);
  DDX_Text(pDX, IDC_ENV_SHORTCUT_NAME, m_strShortcutName);
}

BOOL CENV_FOLDER::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  m_strNewPath = ZEKSettings().m_strNewPath;
  m_strOldPath = ZEKSettings().m_strOldPath;
  m_strDiffPath = ZEKSettings().m_strDiffPath;
  m_strComment = ZEKSettings().m_strDefaultComment;
  m_strExtractPath = ZEKSettings().m_strExtractPath;
  m_strMasterPath = ZEKSettings().m_strMasterPath;
  UpdateData(FALSE);
  return TRUE;
}

BOOL CENV_FOLDER::OnKillActive() {
  if (!CPropertyPage::OnKillActive()) return FALSE;
  TakeFoldersInDriveForm();
  return PathFits(this, IDC_ENV_OLD_PATH, m_strOldPath) && PathFits(this, IDC_ENV_NEW_PATH, m_strNewPath) &&
         PathFits(this, IDC_ENV_DIFF_PATH, m_strDiffPath) &&
         PathFits(this, IDC_ENV_EXTRACT_PATH, m_strExtractPath) &&
         PathFits(this, IDC_ENV_MASTER_PATH, m_strMasterPath);
}

void CENV_FOLDER::OnOK() {
  // The values as the sheet last read them from the controls.
  ZEKSettings().m_strNewPath = m_strNewPath;
  ZEKSettings().m_strOldPath = m_strOldPath;
  ZEKSettings().m_strDiffPath = m_strDiffPath;
  ZEKSettings().m_strDefaultComment = m_strComment;
  ZEKSettings().m_strExtractPath = m_strExtractPath;
  ZEKSettings().m_strMasterPath = m_strMasterPath;
  CPropertyPage::OnOK();
}

void CENV_FOLDER::TakeFoldersInDriveForm() {
  for (CString* folder : {&m_strNewPath, &m_strOldPath, &m_strDiffPath, &m_strExtractPath, &m_strMasterPath}) {
    *folder = qv::ToProgramPath(folder->GetString()).c_str();
  }
}

void CENV_FOLDER::BrowseFolder(CString& field, const char* title) {
  // Text typed since the last exchange (a new comment) is taken first, so
  // showing the values again never replaces it.
  if (!UpdateData(TRUE)) return;
  char chosen[kPathMax + 1];
  if (SelectFolderDialog(this, field, chosen, BIF_RETURNONLYFSDIRS, title, sizeof chosen) == 1) field = chosen;
  UpdateData(FALSE);
}

void CENV_FOLDER::OnBnClickedBrowseNew() { BrowseFolder(m_strNewPath, "修正後フォルダ(NEW)選択"); }
void CENV_FOLDER::OnBnClickedBrowseOld() { BrowseFolder(m_strOldPath, "修正前フォリダ(OLD)選択"); }
void CENV_FOLDER::OnBnClickedBrowseDiff() { BrowseFolder(m_strDiffPath, "作業フォルダ(DIFF)選択"); }
void CENV_FOLDER::OnBnClickedBrowseExtract() { BrowseFolder(m_strExtractPath, "抽出先フォルダ選択"); }
void CENV_FOLDER::OnBnClickedBrowseMaster() { BrowseFolder(m_strMasterPath, "マスター反映先フォルダ選択"); }

void CENV_FOLDER::OnBnClickedCreateShortcut() {
  if (!UpdateData(TRUE)) return;
  TakeFoldersInDriveForm();
  const CString name = m_strShortcutName;
  if (name.IsEmpty() || name == kShortcutPlaceholder) {
    AfxMessageBox(kNoShortcutName);
    return;
  }
  if (!IsShortcutName(name)) {
    AfxMessageBox(kBadShortcutName);
    return;
  }
  const CString& home = ZEKSettings().m_strHomeDir;
  CString source;
  source.Format("%s\\Quarvex.ini", home.GetString());
  CString copy;
  copy.Format("%s\\ini\\%s.ini", home.GetString(), name.GetString());
  if (GetPathType(1, copy) == 2) {
    AfxMessageBox(kShortcutExists);
    return;
  }
  ShortcutSpec block;
  block.m_strLinkPath.Format("%s\\bin\\%s.lnk", home.GetString(), name.GetString());
  CString failed;
  failed.Format(kShortcutFailed, block.m_strLinkPath.GetString());
  // A settings copy that could not be made whole is never left behind: a
  // copy with only the two keys written below would start the program
  // without its profiles, and a later try of the name would be refused.
  if (!CopyFileA(source, copy, TRUE)) {
    AfxMessageBox(failed);
    return;
  }
  ZEKSettings().m_strExtractPath = m_strExtractPath;
  ZEKSettings().m_strNewPath = m_strNewPath;
  ZEKSettings().m_strOldPath = m_strOldPath;
  ZEKSettings().m_strDiffPath = m_strDiffPath;
  ZEKSettings().m_strDefaultComment = m_strComment;
  if (!ZEKSettings().WriteFolderDefaults(copy)) {
    DeleteFileA(copy);
    AfxMessageBox(failed);
    return;
  }
  block.m_strTarget = home + "\\Quarvex.exe";
  block.m_strWorkDir = home;
  block.m_strDescription = "Shortcut";
  block.m_strIconPath = home + "\\Quarvex.exe";
  block.m_strArguments.Format("-i:ini\\%s.ini", name.GetString());
  block.m_nIconIndex = 0;
  block.m_nHotkey = 0;
  block.m_nShowCmd = SW_SHOWNORMAL;
  CShortcut shortcut;
  shortcut.Set(block);
  if (shortcut.m_bDirty) {
    DeleteFileA(copy);
    AfxMessageBox(failed);
  }
}

void CENV_FOLDER::OnBnClickedShowShortcuts() {
  const CString& home = ZEKSettings().m_strHomeDir;
  CString command;
  if (GetPathType(0, home) != 0) {
    command.Format("\"%s\" \"%s\\bin\"", ZEKSettings().m_strExplorerExe.GetString(), home.GetString());
  } else {
    command.Format("\"%s\"", ZEKSettings().m_strExplorerExe.GetString());
  }
  LaunchDetached(command);
}

// ---------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CENV_LIST_MODE, CPropertyPage)
  ON_NOTIFY(UDN_DELTAPOS, IDC_ENV_SPIN_FROM, &CENV_LIST_MODE::OnDeltaposFrom)
  ON_NOTIFY(UDN_DELTAPOS, IDC_ENV_SPIN_TO, &CENV_LIST_MODE::OnDeltaposTo)
  ON_BN_CLICKED(IDC_ENV_CALC_FROM, &CENV_LIST_MODE::OnBnClickedCalcFrom)
  ON_BN_CLICKED(IDC_ENV_CALC_TO, &CENV_LIST_MODE::OnBnClickedCalcTo)
END_MESSAGE_MAP()

CENV_LIST_MODE::CENV_LIST_MODE() : CPropertyPage(IDD_ENV_LIST_MODE) {}
CENV_LIST_MODE::~CENV_LIST_MODE() = default;

void CENV_LIST_MODE::DoDataExchange(CDataExchange* pDX) {
  CPropertyPage::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_ENV_SPIN_FROM, m_spinFrom);
  DDX_Control(pDX, IDC_ENV_SPIN_TO, m_spinTo);
  DDX_Check(pDX, IDC_ENV_SHOW_SAME, m_bShowSame);
  DDX_Check(pDX, IDC_ENV_SHOW_NEW, m_bShowNew);
  DDX_Check(pDX, IDC_ENV_SHOW_DELETED, m_bShowDeleted);
  DDX_Check(pDX, IDC_ENV_SHOW_DIFF, m_bShowDiff);
  DDX_Check(pDX, IDC_ENV_DATE_WINDOW, m_bDateWindow);
  DDX_Text(pDX, IDC_ENV_DAYS_FROM, m_nDaysFrom);
  DDV_MinMaxInt(pDX, m_nDaysFrom, 0, 9999);
  DDX_Text(pDX, IDC_ENV_DAYS_TO, m_nDaysTo);
  DDV_MinMaxInt(pDX, m_nDaysTo, 0, 9999);
  DDX_Text(pDX, IDC_ENV_DATE_FROM, m_strDateFrom);
  DDX_Text(pDX, IDC_ENV_DATE_TO, m_strDateTo);
  DDX_Check(pDX, IDC_ENV_DIFF_OVER_DATE, m_bDiffOverDate);
}

BOOL CENV_LIST_MODE::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  const int mode = ZEKSettings().m_nDispMode;
  m_bShowSame = (mode & 1) != 0;
  m_bShowNew = (mode & 2) != 0;
  m_bShowDeleted = (mode & 4) != 0;
  m_bShowDiff = (mode & 8) != 0;
  m_bDateWindow = (mode & 16) != 0;
  m_nDaysFrom = ZEKSettings().m_nDaysFrom;
  m_nDaysTo = ZEKSettings().m_nDaysTo;
  m_strDateFrom = DaysAgoText(m_nDaysFrom);
  m_strDateTo = DaysAgoText(m_nDaysTo);
  m_bDiffOverDate = ZEKSettings().m_bDiffOverDate;
  m_spinFrom.SetRange32(1, 9999);
  m_spinFrom.SetPos(m_nDaysFrom);
  m_spinTo.SetRange32(1, 9999);
  m_spinTo.SetPos(m_nDaysTo);
  UpdateData(FALSE);
  return TRUE;
}

void CENV_LIST_MODE::OnOK() {
  int mode = 0;
  if (m_bShowSame) mode |= 1;
  if (m_bShowNew) mode |= 2;
  if (m_bShowDeleted) mode |= 4;
  if (m_bShowDiff) mode |= 8;
  if (m_bDateWindow) mode |= 16;
  ZEKSettings().m_nDispMode = mode;
  ZEKSettings().m_nDaysFrom = m_nDaysFrom;
  ZEKSettings().m_nDaysTo = m_nDaysTo;
  ZEKSettings().m_bDiffOverDate = m_bDiffOverDate;
  CPropertyPage::OnOK();
}

namespace {
// The day count a step of the spin leads to, within its range.
int SpinDays(CSpinButtonCtrl& spin, const NMHDR* hdr) {
  const auto* nm = reinterpret_cast<const NMUPDOWN*>(hdr);
  int lo = 0;
  int hi = 0;
  spin.GetRange32(lo, hi);
  const int days = LOWORD(spin.GetPos()) + (nm ? nm->iDelta : 0);
  return days < lo ? lo : days > hi ? hi : days;
}
}  // namespace

void CENV_LIST_MODE::OnDeltaposFrom(NMHDR* pNMHDR, LRESULT* pResult) {
  m_nDaysFrom = SpinDays(m_spinFrom, pNMHDR);
  m_strDateFrom = DaysAgoText(m_nDaysFrom);
  SetDlgItemText(IDC_ENV_DAYS_FROM, CString(std::to_string(m_nDaysFrom).c_str()));
  SetDlgItemText(IDC_ENV_DATE_FROM, m_strDateFrom);
  *pResult = 0;
}

void CENV_LIST_MODE::OnDeltaposTo(NMHDR* pNMHDR, LRESULT* pResult) {
  m_nDaysTo = SpinDays(m_spinTo, pNMHDR);
  m_strDateTo = DaysAgoText(m_nDaysTo);
  SetDlgItemText(IDC_ENV_DAYS_TO, CString(std::to_string(m_nDaysTo).c_str()));
  SetDlgItemText(IDC_ENV_DATE_TO, m_strDateTo);
  *pResult = 0;
}

void CENV_LIST_MODE::OnBnClickedCalcFrom() {
  if (!UpdateData(TRUE)) return;
  m_strDateFrom = DaysAgoText(m_nDaysFrom);
  UpdateData(FALSE);
}

void CENV_LIST_MODE::OnBnClickedCalcTo() {
  if (!UpdateData(TRUE)) return;
  m_strDateTo = DaysAgoText(m_nDaysTo);
  UpdateData(FALSE);
}

// ---------------------------------------------------------------------------

CENV_OPE_MODE::CENV_OPE_MODE() : CPropertyPage(IDD_ENV_OPE_MODE) {}
CENV_OPE_MODE::~CENV_OPE_MODE() = default;

void CENV_OPE_MODE::DoDataExchange(CDataExchange* pDX) {
  CPropertyPage::DoDataExchange(pDX);
  DDX_Check(pDX, IDC_ENV_SUBDIR_SEARCH, m_bSubdirSearch);
  DDX_Check(pDX, IDC_ENV_DIR_EXIST_DIFF, m_bDirExistDiff);
  DDX_Check(pDX, IDC_ENV_KEEP_COMMENT, m_bKeepComment);
  DDX_Radio(pDX, IDC_ENV_OPE_FIRST, m_nOpeMode1);
  DDX_Radio(pDX, IDC_ENV_DIFF_ALWAYS, m_nDiffExec);
}

BOOL CENV_OPE_MODE::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  m_bSubdirSearch = ZEKSettings().m_bSubdirSearch;
  m_bDirExistDiff = ZEKSettings().m_bDirExistDiff;
  m_bKeepComment = ZEKSettings().m_bKeepComment;
  m_nOpeMode1 = ZEKSettings().m_nOpeMode1;
  m_nDiffExec = ZEKSettings().m_nDiffExec;
  // The three comparison operations only with their programs.
  for (int i = 0; i < 3; ++i) {
    if (CWnd* radio = GetDlgItem(IDC_ENV_OPE_FIRST + i)) radio->EnableWindow(ZEKSettings().m_bCmdAvailable[2 + i]);
  }
  UpdateData(FALSE);
  return TRUE;
}

void CENV_OPE_MODE::OnOK() {
  ZEKSettings().m_bSubdirSearch = m_bSubdirSearch;
  ZEKSettings().m_bDirExistDiff = m_bDirExistDiff;
  ZEKSettings().m_bKeepComment = m_bKeepComment;
  // A run kind or operation no button stands for (none checked) is kept.
  if (m_nOpeMode1 >= 0) ZEKSettings().m_nOpeMode1 = m_nOpeMode1;
  if (m_nDiffExec >= 0) ZEKSettings().m_nDiffExec = m_nDiffExec;
  CPropertyPage::OnOK();
}
