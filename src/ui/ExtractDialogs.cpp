#include "ui/ExtractDialogs.h"

#include <algorithm>

#include "compare/PathRoutines.h"
#include "records/FileInfo.h"
#include "records/Settings.h"
#include "records/ZEKDoc.h"
#include "res/resource.h"
#include "ui/AppWindows.h"
#include "ui/ItemCommands.h"
#include "ui/MainFrm.h"

IMPLEMENT_DYNAMIC(CExtractDlgBase, CDialog)
IMPLEMENT_DYNAMIC(CFORMDLG_SEL, CExtractDlgBase)
IMPLEMENT_DYNAMIC(CFORMDLG, CExtractDlgBase)

namespace {

const char kFirstEmptyText[] = "第一階層フォルダ名称が定義されていません。";
const char kSecondEmptyText[] = "第二階層フォルダ名称が定義されていません。";
const char kOldEmptyText[] = "修正前(OLD)フォルダ名称が定義されていません。";
const char kNewEmptyText[] = "修正後(NEW)フォルダ名称が定義されていません。";
const char kSameNamesText[] = "修正前(OLD)フォルダ名称と修正後(NEW)フォルダ名称が同じ名称です。";
const char kCopyDoneText[] = "ファイルコピーは正常終了しました。";
const char kCopyFailedText[] = "ファイルコピーは異常終了しました。";
const char kRootMissingText[] = "%s\n\n上記パスが存在しません。\n新規に作成しますか？";
const char kFolderExistsText[] = "指定したフォルダは既に存在します。出力結果は上書きされます。\n処理を続行しますか？";
const char kMakeFailedText[] = "%s\nフォルダの作成に失敗しました。処理を中止します。";
const char kPathTooLongText[] = "%s\n\n上記フォルダパスが長すぎます（1023バイトまで）。処理を中止します。";
const char kPickerPathTooLongText[] =
    "%s\n\n上記フォルダパスが長すぎるため、フォルダ選択できません（259バイトまで）。";
const char kFolderItemsText[] =
    "次の項目はフォルダ（DVDフォルダ）のため、抽出コピーできません。フォルダは何も作成していません。";
const char kBadItemsText[] =
    "次の項目は名称に「..」、先頭の「\\」、またはドライブ名が含まれているため、抽出コピーできません。";
const char kSelectFolderTitle[] = "マスター反映先フォルダ選択";
const char kBatchFile[] = "DeleteEmptyDirectory.bat";

// Captions of the preview (fixed, whatever names are typed).
const char kPreviewRoot[] = "抽出先フォルダパス";
const char kPreviewFirst[] = "第一階層";
const char kPreviewSecond[] = "第二階層";
const char kPreviewOld[] = "修正前(OLD)";
const char kPreviewNew[] = "修正後(NEW)";

constexpr int kCounterMin = 1;
constexpr int kCounterMax = 99;
// Where the extraction-folder dialog first opens, from the main window's
// top-left corner.
constexpr int kFirstOpenX = 330;
constexpr int kFirstOpenY = 188;

void ShowPathText(const char* format, const CString& path) {
  CString text;
  text.Format(format, path);
  AfxMessageBox(text, MB_OK);
}

CString SourceFolder(const CString* folder) { return folder ? *folder : CString(); }

}  // namespace

// ---------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CExtractDlgBase, CDialog)
  ON_BN_CLICKED(IDC_EXTRACT_DIRECT, &CExtractDlgBase::OnBnClickedDirect)
  ON_BN_CLICKED(IDC_EXTRACT_FIRST_LEVEL, &CExtractDlgBase::OnBnClickedFirstLevel)
  ON_BN_CLICKED(IDC_EXTRACT_SECOND_LEVEL, &CExtractDlgBase::OnBnClickedSecondLevel)
  ON_BN_CLICKED(IDC_EXTRACT_SELECT_FOLDER, &CExtractDlgBase::OnBnClickedSelectFolder)
  ON_NOTIFY(UDN_DELTAPOS, IDC_EXTRACT_COUNTER, &CExtractDlgBase::OnDeltaposSpin)
END_MESSAGE_MAP()

CExtractDlgBase::CExtractDlgBase(UINT nIDTemplate) : CDialog(nIDTemplate) {}

CExtractDlgBase::~CExtractDlgBase() = default;

void CExtractDlgBase::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_EXTRACT_COUNTER, m_spinCounter);
  DDX_Control(pDX, IDC_EXTRACT_OLD_NAME, m_editOldName);
  DDX_Control(pDX, IDC_EXTRACT_NEW_NAME, m_editNewName);
  DDX_Control(pDX, IDC_EXTRACT_SECOND_NAME, m_editSecondLevel);
  DDX_Control(pDX, IDC_EXTRACT_FIRST_NAME, m_editFirstLevel);
  DDX_Control(pDX, IDC_EXTRACT_PREVIEW, m_treePreview);
  DDX_Radio(pDX, IDC_EXTRACT_DIRECT, m_nLevel);
  DDX_Text(pDX, IDC_EXTRACT_FIRST_NAME, m_strFirstLevel);
  DDX_Text(pDX, IDC_EXTRACT_SECOND_NAME, m_strSecondLevel);
  DDX_Text(pDX, IDC_EXTRACT_NEW_NAME, m_strNewName);
  DDX_Text(pDX, IDC_EXTRACT_OLD_NAME, m_strOldName);
  DDX_Text(pDX, IDC_EXTRACT_ROOT, m_strRoot);
}

void CExtractDlgBase::OnCancel() { EndDialog(IDCANCEL); }

CString CExtractDlgBase::DatedName() {
  CString name = CTime::GetCurrentTime().Format("%Y%m%d");
  name.AppendFormat("_%02d", ZEKSettings().m_nExtractCounter);
  return name;
}

void CExtractDlgBase::InitCounter() {
  m_spinCounter.SetRange32(kCounterMin, kCounterMax);
  m_spinCounter.SetPos32(ZEKSettings().m_nExtractCounter);
}

void CExtractDlgBase::ShowLevel(int level) {
  if (!UpdateData(TRUE)) return;
  m_nLevel = level;
  m_treePreview.DeleteAllItems();
  const HTREEITEM root = m_treePreview.InsertItem(kPreviewRoot);
  HTREEITEM deepest = root;
  if (level >= 1) deepest = m_treePreview.InsertItem(kPreviewFirst, deepest);
  if (level == 2) deepest = m_treePreview.InsertItem(kPreviewSecond, deepest);
  m_treePreview.InsertItem(kPreviewOld, deepest);
  m_treePreview.InsertItem(kPreviewNew, deepest);
  for (HTREEITEM item = root; item != nullptr; item = m_treePreview.GetChildItem(item)) {
    if (!m_treePreview.ItemHasChildren(item)) break;
    m_treePreview.Expand(item, TVE_EXPAND);
  }
  for (int id : {IDC_EXTRACT_FIRST_NAME, IDC_EXTRACT_FIRST_LABEL}) {
    if (CWnd* w = GetDlgItem(id)) w->EnableWindow(level >= 1);
  }
  for (int id : {IDC_EXTRACT_SECOND_NAME, IDC_EXTRACT_SECOND_LABEL}) {
    if (CWnd* w = GetDlgItem(id)) w->EnableWindow(level == 2);
  }
  UpdateData(FALSE);
}

void CExtractDlgBase::OnBnClickedSelectFolder() {
  // What was typed since the last exchange counts: the picker opens there
  // and a cancelled picker changes nothing.
  if (!UpdateData(TRUE)) return;
  if (m_strRoot.GetLength() >= MAX_PATH) {
    ShowPathText(kPickerPathTooLongText, m_strRoot);
    return;
  }
  char chosen[kItemPathMax + 1] = {};
  if (SelectFolderDialog(this, m_strRoot, chosen, BIF_RETURNONLYFSDIRS, kSelectFolderTitle, sizeof chosen) == 1) {
    if (strlen(chosen) >= MAX_PATH) {
      ShowPathText(kPickerPathTooLongText, chosen);
    } else {
      m_strRoot = chosen;
    }
  }
  UpdateData(FALSE);
}

void CExtractDlgBase::OnDeltaposSpin(NMHDR* pNMHDR, LRESULT* pResult) {
  const auto* updown = reinterpret_cast<const NMUPDOWN*>(pNMHDR);
  UpdateData(TRUE);
  ZEKSettings().m_nExtractCounter = std::clamp(updown->iPos + updown->iDelta, kCounterMin, kCounterMax);
  m_strFirstLevel = DatedName();
  UpdateData(FALSE);
  if (pResult) *pResult = 0;
}

void CExtractDlgBase::Refuse(CEdit& edit, const char* text) {
  edit.SetFocus();
  edit.SetSel(0, -1);
  AfxMessageBox(text, MB_OK);
}

int CExtractDlgBase::CheckNames() {
  if (!UpdateData(TRUE)) return 0;
  // Every name is asked for whatever the level.
  if (m_strFirstLevel.IsEmpty()) {
    Refuse(m_editFirstLevel, kFirstEmptyText);
    return 0;
  }
  if (m_strSecondLevel.IsEmpty()) {
    Refuse(m_editSecondLevel, kSecondEmptyText);
    return 0;
  }
  if (m_strOldName.IsEmpty()) {
    Refuse(m_editOldName, kOldEmptyText);
    return 0;
  }
  if (m_strNewName.IsEmpty()) {
    Refuse(m_editNewName, kNewEmptyText);
    return 0;
  }
  if (_mbsicmp(m_strOldName.GetString(), m_strNewName.GetString()) == 0) {
    AfxMessageBox(kSameNamesText, MB_OK);
    m_editOldName.SetFocus();
    m_editOldName.SetSel(0, -1);
    return 0;
  }
  return 1;
}

int CExtractDlgBase::ConfirmOutputFolder(const CString& path) {
  if (!m_bOutConfirmed && GetPathType(0, path) == 1) {
    if (AfxMessageBox(kFolderExistsText, MB_YESNO) != IDYES) return 0;
    m_bOutConfirmed = 1;
    return 1;
  }
  if (_mkdir(path) == 0) return 1;
  switch (errno) {
    case EACCES:
      if (m_bOutConfirmed) return 1;
      if (AfxMessageBox(kFolderExistsText, MB_YESNO) != IDYES) return 0;
      m_bOutConfirmed = 1;
      return 1;
    case ENOENT:
      ShowPathText(kMakeFailedText, path);
      return 0;
    default:
      // There after an earlier Yes; anything else in its place (a file)
      // cannot take the copies.
      if (GetPathType(0, path) == 1) return 1;
      ShowPathText(kMakeFailedText, path);
      return 0;
  }
}

int CExtractDlgBase::BuildFolders() {
  m_bOutConfirmed = 0;
  // A root typed in Linux form gives output folders in the drive form the
  // entries keep (their drive information is read from the drive root).
  m_strRoot = qv::ToProgramPath(m_strRoot.GetString()).c_str();
  // Every path of the tree is formed first: none is made, or cut, when one
  // of them does not fit the working buffers.
  CString base = m_strRoot;
  CString first, second;
  if (m_nLevel >= 1) base = first = base + "\\" + m_strFirstLevel;
  if (m_nLevel == 2) base = second = base + "\\" + m_strSecondLevel;
  const CString oldPath = base + "\\" + m_strOldName;
  const CString newPath = base + "\\" + m_strNewName;
  const CString diffPath = base + "\\DIFF";
  for (const CString* p : {static_cast<const CString*>(&m_strRoot), &oldPath, &newPath, &diffPath}) {
    if (p->GetLength() > kItemPathMax) {
      ShowPathText(kPathTooLongText, *p);
      return 0;
    }
  }

  if (_access(m_strRoot, 0) != 0) {
    CString question;
    question.Format(kRootMissingText, m_strRoot);
    if (AfxMessageBox(question, MB_YESNO) != IDYES) return 0;
    if (CreateFolderTree(m_strRoot) != 0) return 0;
  }
  if (!first.IsEmpty() && !ConfirmOutputFolder(first)) return 0;
  if (!second.IsEmpty() && !ConfirmOutputFolder(second)) return 0;
  if ((m_nMakeFlags & 3) && !ConfirmOutputFolder(oldPath)) return 0;
  if ((m_nMakeFlags & 5) && !ConfirmOutputFolder(newPath)) return 0;
  m_strOutRoot = base;
  m_strOutNew = newPath;
  m_strOutOld = oldPath;
  m_strOutDiff = diffPath;
  return 1;
}

// ---------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CFORMDLG_SEL, CExtractDlgBase)
  ON_BN_CLICKED(IDC_EXTRACT_RUN, &CFORMDLG_SEL::OnBnClickedSet)
  ON_BN_CLICKED(IDC_EXTRACT_CHANGE_SOURCE, &CFORMDLG_SEL::OnBnClickedChangeSource)
END_MESSAGE_MAP()

CFORMDLG_SEL::CFORMDLG_SEL() : CExtractDlgBase(IDD_FORMDLG_SEL) {}

void CFORMDLG_SEL::SetDefaults() {
  m_strRoot = ZEKSettings().m_strExtractPath;
  m_nLevel = 1;
  m_strSecondLevel = "修正理由";
  m_strOldName = "OLD";
  m_strNewName = "NEW";
  UpdateData(FALSE);
  ShowLevel(1);
  ZEKSettings().m_nExtractCounter = 1;
  InitCounter();
  m_strFirstLevel = DatedName();
  UpdateData(FALSE);
}

BOOL CFORMDLG_SEL::OnInitDialog() {
  CDialog::OnInitDialog();
  if (m_nState == 0) {
    if (CWnd* main = AfxGetMainWnd()) {
      CRect frame;
      main->GetWindowRect(&frame);
      SetWindowPos(nullptr, frame.left + kFirstOpenX, frame.top + kFirstOpenY, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    SetDefaults();
  }
  if (CWnd* change = GetDlgItem(IDC_EXTRACT_CHANGE_SOURCE)) change->EnableWindow(m_nState > 1);
  ShowLevel(m_nLevel < 0 ? 1 : m_nLevel);
  InitCounter();
  return TRUE;
}

int CFORMDLG_SEL::ValidateAndBuild() {
  if (!CheckNames()) return 0;
  BeginWaitCursor();
  m_nMakeFlags = 7;
  const int result = BuildFolders();
  EndWaitCursor();
  return result;
}

void CFORMDLG_SEL::OnBnClickedSet() {
  if (ValidateAndBuild() != 1) return;
  m_nState = 1;
  EndDialog(IDOK);
}

void CFORMDLG_SEL::OnBnClickedChangeSource() {
  const int mode = ZEKSettings().m_nAppMode;
  // The user may keep the open document: then nothing changes.
  if (!ZEKAppWindows().NewDocument()) return;
  CZEKDoc* doc = ZEKSettings().m_pCurrentDoc;
  CZEKEnv_Label* entry = doc ? doc->m_pCurrentEntry : nullptr;
  if (entry == nullptr) return;
  entry->m_strNewPath = m_strOutNew;
  entry->m_strOldPath = m_strOutOld;
  entry->m_strDiffPath = m_strOutDiff;
  CMainFrame* frame = GetMainFrame();
  ZEKSettings().m_nAppMode = mode;
  if (frame) frame->m_nMode = mode;
  entry->m_nMode = mode;
  // The second mode word, as the title form's mode buttons keep it.
  entry->m_nModeCopy = mode;
  doc->ShowCurrentEntry(TRUE);
  doc->SetModifiedFlag(TRUE);
  m_nState = 1;
  EndDialog(IDOK);
  if (frame) frame->SwitchView(WM_SHOW_OPERATION_VIEW);
}

// ---------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CFORMDLG, CExtractDlgBase)
  ON_BN_CLICKED(IDC_EXTRACT_RUN, &CFORMDLG::OnBnClickedExtractCopy)
END_MESSAGE_MAP()

CFORMDLG::CFORMDLG() : CExtractDlgBase(IDD_FORMDLG) {}

BOOL CFORMDLG::OnInitDialog() {
  TakeRecords();
  // An opener that gave no names gets the usual ones.
  if (m_strFirstLevel.IsEmpty() && m_strSecondLevel.IsEmpty() && m_strOldName.IsEmpty() &&
      m_strNewName.IsEmpty()) {
    m_strFirstLevel = DatedName();
    m_strSecondLevel = "修正理由";
    m_strOldName = "OLD";
    m_strNewName = "NEW";
  }
  CDialog::OnInitDialog();
  ShowLevel(1);
  InitCounter();
  UpdateData(FALSE);
  return TRUE;
}

void CFORMDLG::TakeRecords() {
  m_listRecords.RemoveAll();
  if (m_pRecords) {
    for (POSITION pos = m_pRecords->GetHeadPosition(); pos != nullptr;) m_listRecords.AddTail(m_pRecords->GetNext(pos));
  }
  m_bRecordsTaken = TRUE;
}

CString CFORMDLG::RefusedItems() {
  const bool listMode = ItemModeWord() != 0;
  CStringList folders, badNames;
  for (POSITION pos = m_listRecords.GetHeadPosition(); pos != nullptr;) {
    const auto* record = static_cast<const CZEKMergeFileInfo*>(m_listRecords.GetNext(pos));
    struct Side {
      bool present;
      const CString& name;
      CString folder;
    };
    const Side sides[] = {{(record->m_nExist & 1) != 0 && !listMode, record->m_New.m_strName, SourceFolder(m_pNewSrcDir)},
                          {(record->m_nExist & 2) != 0, record->m_Old.m_strName, SourceFolder(m_pOldSrcDir)}};
    for (const Side& s : sides) {
      if (!s.present) continue;
      CString path;
      if (s.folder.IsEmpty() || !IsSafeItemName(s.name) || !JoinItemPath(s.folder, s.name, path)) {
        badNames.AddTail(s.name);
      } else if (GetPathType(0, path) == 1) {
        folders.AddTail(path);
      }
    }
  }
  CString text;
  AppendNameSection(text, kBadItemsText, badNames);
  AppendNameSection(text, kFolderItemsText, folders);
  return text;
}

int CFORMDLG::CopyListedFiles() {
  const int mode = ItemModeWord();
  int result = 255;
  bool anyFailed = false;
  int copyMode = 1;
  const CString newSource = SourceFolder(m_pNewSrcDir);
  const CString oldSource = SourceFolder(m_pOldSrcDir);
  for (POSITION pos = m_listRecords.GetHeadPosition(); pos != nullptr && result > 0;) {
    const auto* record = static_cast<const CZEKMergeFileInfo*>(m_listRecords.GetNext(pos));
    struct Side {
      bool present;
      int flag;
      const CString& name;
      const CString& source;
      const CString& target;
      const char* tag;
    };
    // In list mode there is no NEW copy to copy.
    const Side sides[] = {
        {(record->m_nExist & 1) != 0 && mode == 0, ITEM_COPY_NEW, record->m_New.m_strName, newSource, m_strOutNew, "NEW"},
        {(record->m_nExist & 2) != 0, ITEM_COPY_OLD, record->m_Old.m_strName, oldSource, m_strOutOld, "OLD"}};
    for (const Side& s : sides) {
      if (!s.present) continue;
      const bool isNew = s.flag == ITEM_COPY_NEW;
      if (CheckFileExists(mode, s.flag, s.name, isNew ? s.source : CString(), isNew ? CString() : s.source, "") == 0)
        return 0;
      result = CopyFileConfirm(copyMode, s.source, s.target, s.name, s.tag);
      if (result == 3) copyMode = 3;
      // The walk stops after a record whose last copy failed; any failed
      // copy makes the whole run end abnormally.
      if (result <= 0) anyFailed = true;
    }
  }
  CString from, to;
  from.Format("%s\\%s", ZEKSettings().m_strBaseDir, kBatchFile);
  to.Format("%s\\%s", m_strOutRoot, kBatchFile);
  CopyFileA(from, to, FALSE);
  return result > 0 && !anyFailed ? 1 : 0;
}

int CFORMDLG::RunCopy() {
  if (!m_bRecordsTaken) TakeRecords();
  // Items that cannot be copied whole are refused before anything is made.
  const CString refused = RefusedItems();
  if (!refused.IsEmpty()) {
    AfxMessageBox(refused, MB_OK);
    return kCopyRefused;
  }
  if (BuildFolders() != 1) return 0;
  return CopyListedFiles();
}

int CFORMDLG::ValidateAndCopy() {
  if (!CheckNames()) return 0;
  BeginWaitCursor();
  m_nMakeFlags = 7;
  const int result = RunCopy();
  EndWaitCursor();
  if (result == kCopyRefused) return 0;
  AfxMessageBox(result == 1 ? kCopyDoneText : kCopyFailedText, MB_OK);
  return result == 1 ? 1 : 0;
}

void CFORMDLG::OnBnClickedExtractCopy() {
  if (ValidateAndCopy() != 1) return;
  CZEKEnv_Label* entry = m_pDoc ? m_pDoc->m_pCurrentEntry : nullptr;
  if (entry) {
    entry->m_strNewPath = m_strOutNew;
    entry->m_strOldPath = m_strOutOld;
    entry->m_strDiffPath = m_strOutDiff;
  }
  EndDialog(IDOK);
}

void CFORMDLG::OnOK() {
  if (ValidateAndCopy() == 1) EndDialog(IDOK);
}
