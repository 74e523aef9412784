#include "ui/OperationForm.h"

#include "compare/CompareRun.h"
#include "compare/ExternalPrograms.h"
#include "compare/PathRoutines.h"
#include "records/FileInfo.h"
#include "records/FileTypeProfile.h"
#include "records/Settings.h"
#include "records/ZEKDoc.h"
#include "res/resource.h"
#include "ui/AppWindows.h"
#include "ui/FilterDialogs.h"
#include "ui/MainFrm.h"
#include "ui/TitleForm.h"

IMPLEMENT_DYNCREATE(COperation_Form, CFormView)

BEGIN_MESSAGE_MAP(COperation_Form, CFormView)
  ON_WM_KILLFOCUS()
  ON_BN_CLICKED(IDC_RUN, &COperation_Form::OnBnClickedRun)
  ON_BN_CLICKED(IDC_BROWSE_NEW, &COperation_Form::OnBnClickedBrowseNew)
  ON_BN_CLICKED(IDC_BROWSE_OLD, &COperation_Form::OnBnClickedBrowseOld)
  ON_BN_CLICKED(IDC_BROWSE_DIFF, &COperation_Form::OnBnClickedBrowseDiff)
  ON_BN_CLICKED(IDC_OPEN_INI, &COperation_Form::OnBnClickedOpenIni)
  ON_BN_CLICKED(IDC_OPEN_EXCEL, &COperation_Form::OnBnClickedOpenExcel)
END_MESSAGE_MAP()

namespace {
const char kOldLabelCompare[] = "【比較フォルダ１（修正前：OLD）】";
const char kOldLabelList[] = "　　　　【ＤＶＤ格納ＨＤＤドライブ】";
const char kNoCompareProgram[] =
    "ファイル指定の場合は、ファイル比較プログラム（１）、または、（２）を実行できるようにしてください。";

const char kCommandTooLong[] = "ファイル比較のコマンドラインが長すぎるため、実行できません。";
const char kTitleNew[] = "修正後フォルダ(NEW)選択";
const char kTitleOld[] = "修正前フォリダ(OLD)選択";
const char kTitleDiff[] = "作業フォルダ(DIFF)選択";
const char kExcelTemplate[] = "Quarvex【原紙】.xlsm";

CZEKEnv_Label* CurrentEntry() {
  return ZEKSettings().m_pCurrentDoc ? ZEKSettings().m_pCurrentDoc->m_pCurrentEntry : nullptr;
}
}  // namespace

COperation_Form::COperation_Form() : CFormView(IDD_OPERATION_FORM) {}

COperation_Form::~COperation_Form() {
  if (CMainFrame* frame = GetMainFrame(); frame && frame->m_pOperationForm == this) frame->m_pOperationForm = nullptr;
}

void COperation_Form::DoDataExchange(CDataExchange* pDX) {
  CFormView::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_STATIC_DATE, m_staticDate);
  DDX_Text(pDX, IDC_EDIT_NAME, m_strName);
  DDX_Control(pDX, IDC_EDIT_NEW, m_editNew);
  DDX_Control(pDX, IDC_EDIT_OLD, m_editOld);
  DDX_Control(pDX, IDC_EDIT_DIFF, m_editDiff);
  DDX_Text(pDX, IDC_EDIT_NEW, m_strNewPath);
  DDX_Text(pDX, IDC_EDIT_OLD, m_strOldPath);
  DDX_Text(pDX, IDC_EDIT_DIFF, m_strDiffPath);
  DDX_Text(pDX, IDC_EDIT_COMMENT, m_strComment);
  DDX_Text(pDX, IDC_STATIC_DOCPATH, m_strDocPath);
}

void COperation_Form::OnInitialUpdate() {
  CFormView::OnInitialUpdate();
  CMainFrame* frame = GetMainFrame();
  if (frame) frame->m_pOperationForm = this;
  if (frame && frame->m_pTitleForm) frame->m_pTitleForm->ShowControlsForView(2);
  ShowCompareFields(frame ? frame->m_nMode : MODE_LIST);
  UpdateFromDocument(FALSE);
  m_editNew.SetWindowText(m_strNewPath);
  m_editOld.SetWindowText(m_strOldPath);
  m_editDiff.SetWindowText(m_strDiffPath);
  UpdateData(FALSE);
}

void COperation_Form::OnUpdate(CView*, LPARAM, CObject*) { UpdateFromDocument(TRUE); }

void COperation_Form::ShowCompareFields(int mode) {
  const int compareRows[] = {IDC_LABEL_NEW, IDC_EDIT_NEW, IDC_BROWSE_NEW, IDC_LABEL_DIFF, IDC_EDIT_DIFF, IDC_BROWSE_DIFF};
  for (int id : compareRows) {
    if (CWnd* w = GetDlgItem(id)) w->ShowWindow(mode == MODE_COMPARE ? SW_SHOW : SW_HIDE);
  }
  SetDlgItemText(IDC_LABEL_OLD, mode == MODE_COMPARE ? kOldLabelCompare : kOldLabelList);
}

void COperation_Form::UpdateFromDocument(BOOL keepDate) {
  CZEKDoc* doc = ZEKSettings().m_pCurrentDoc;
  CZEKEnv_Label* entry = CurrentEntry();
  if (doc == nullptr || entry == nullptr) return;
  m_strName = entry->m_strName;
  m_strNewPath = entry->m_strNewPath;
  m_strOldPath = entry->m_strOldPath;
  m_strDiffPath = entry->m_strDiffPath;
  m_strComment = entry->m_strComment;
  m_pRecordList = entry->m_pRecordList;
  m_pTotals = entry->m_pTotals;
  if (!keepDate) m_staticDate.SetWindowText(entry->m_strRunTime);
  m_strDocPath = doc->GetPathName();
  UpdateData(FALSE);
}

void COperation_Form::ApplyToDocument() {
  UpdateData(TRUE);
  TakeFoldersInDriveForm();
  CZEKDoc* doc = ZEKSettings().m_pCurrentDoc;
  CZEKEnv_Label* entry = CurrentEntry();
  if (doc == nullptr || entry == nullptr) return;
  // Only another folder makes the stored results stale; a new comment on a
  // catalogued disk keeps its catalogue.
  const bool foldersChanged = m_strNewPath != entry->m_strNewPath || m_strOldPath != entry->m_strOldPath ||
                              m_strDiffPath != entry->m_strDiffPath;
  const bool commentChanged = m_strComment != entry->m_strComment;
  entry->m_strNewPath = m_strNewPath;
  entry->m_strOldPath = m_strOldPath;
  entry->m_strDiffPath = m_strDiffPath;
  if (foldersChanged) DiscardRecords();
  if (foldersChanged || commentChanged) doc->SetModifiedFlag(TRUE);
  entry->m_strComment = m_strComment;
}

void COperation_Form::TakeFoldersInDriveForm() {
  // The drive information is read from a folder's drive root; "/tmp/x"
  // would give the root "/tm".
  const struct {
    CString* field;
    CMyDropEdit* edit;
  } folders[] = {{&m_strNewPath, &m_editNew}, {&m_strOldPath, &m_editOld}, {&m_strDiffPath, &m_editDiff}};
  for (const auto& f : folders) {
    const CString driveForm(qv::ToProgramPath(f.field->GetString()).c_str());
    if (driveForm == *f.field) continue;
    *f.field = driveForm;
    if (f.edit->GetSafeHwnd()) f.edit->SetWindowText(driveForm);
  }
}

void COperation_Form::DiscardRecords() {
  CZEKEnv_Label* entry = CurrentEntry();
  if (entry == nullptr) return;
  // The frame's copies and rows refer to what goes now.
  if (CMainFrame* frame = GetMainFrame()) frame->ForgetRecords();
  if (entry->m_pTotals) {
    delete entry->m_pTotals;
    entry->m_pTotals = nullptr;
  }
  m_pTotals = nullptr;
  if (entry->m_pRecordList) {
    for (POSITION pos = entry->m_pRecordList->GetHeadPosition(); pos != nullptr;) {
      delete entry->m_pRecordList->GetNext(pos);
    }
    delete entry->m_pRecordList;
    entry->m_pRecordList = nullptr;
  }
  m_pRecordList = nullptr;
  entry->m_nState = 0;
  if (ZEKSettings().m_pCurrentDoc) ZEKSettings().m_pCurrentDoc->SetModifiedFlag(TRUE);
}

void COperation_Form::OnBnClickedRun() {
  UpdateData(TRUE);
  BeginWaitCursor();
  ApplyToDocument();
  CMainFrame* frame = GetMainFrame();
  CZEKDoc* doc = ZEKSettings().m_pCurrentDoc;
  CZEKEnv_Label* entry = CurrentEntry();
  if (frame == nullptr || doc == nullptr || entry == nullptr) {
    EndWaitCursor();
    return;
  }
  // The entry's profile becomes the active one (a name of any length).
  ActivateProfileNamed(entry->m_strFilterName);
  SelectProfile(GetCurrentProfile());
  // The display-filter window fills itself again at its next show.
  if (ZEKAppWindows().m_pFilterDlg) ZEKAppWindows().m_pFilterDlg->m_bFilled = FALSE;
  if (frame->m_pTitleForm) {
    frame->m_nMode = frame->m_pTitleForm->m_nMode;
    ZEKSettings().m_nAppMode = frame->m_pTitleForm->m_nMode;
  }

  if (CheckPathType(1, m_strNewPath) == 2 && CheckPathType(1, m_strOldPath) == 2) {
    // Two files: the comparison program shows them instead of a run.
    const CZEKSettings& settings = ZEKSettings();
    if (settings.m_bCmdAvailable[2] != 1 && settings.m_bCmdAvailable[3] != 1) {
      AfxMessageBox(kNoCompareProgram);
    } else if (CheckFolderText(m_strOldPath, "OLDファイルパス") && CheckFolderText(m_strNewPath, "NEWファイルパス")) {
      const CString& program = (settings.m_nOpeMode1 == 1 || settings.m_bCmdAvailable[2] != 1)
                                   ? settings.m_strCmdWindiff
                                   : settings.m_strCmdDF;
      // Three parts, each path in double quotes, two blanks between them.
      CString line;
      line.Format("%s %s %s", CString("\"" + program + "\"").GetString(),
                  CString(" " + QuotedPathArgument(m_strOldPath)).GetString(),
                  CString(" " + QuotedPathArgument(m_strNewPath)).GetString());
      // A line the command buffer cannot hold is not started cut.
      if (line.GetLength() <= 2047) {
        LaunchDetached(line);
      } else {
        AfxMessageBox(kCommandTooLong);
      }
    }
    EndWaitCursor();
    return;
  }

  // The run may free the entry's records: nothing may keep pointing at them.
  frame->ForgetRecords();
  frame->BeginRun();
  const int done =
      RebuildFileInfo(frame->m_nMode, ZEKSettings().m_bKeepComment, 3, doc, entry, &m_pRecordList, &m_pTotals);
  frame = GetMainFrame();
  EndWaitCursor();
  if (done) {
    doc->ShowCurrentEntry(TRUE);
    doc->SetModifiedFlag(TRUE);
    ZEKSettings().m_bFileInfoCreated = TRUE;
    if (frame) frame->PostMessage(WM_SHOW_FILE_VIEW, 0, 0);
    UpdateFromDocument(FALSE);
  } else if (frame && ZEKSettings().m_pCurrentDoc == doc && doc->m_pCurrentEntry == entry) {
    // A declined or failed run leaves the entry's results as they were.
    frame->m_pRecordList = entry->m_pRecordList;
    frame->m_pTotals = entry->m_pTotals;
  }
  // What waited for the run comes after the view the run asked for.
  if (frame) frame->EndRun();
}

void COperation_Form::BrowseFolder(CString& field, const char* title) {
  // What the fields show now, typed or not, stays in them.
  UpdateData(TRUE);
  char folder[MAX_PATH];
  // A text the buffer cannot hold is no folder to start at: the picker
  // then opens at its own default.
  strcpy_s(folder, sizeof folder, field.GetLength() < MAX_PATH ? field.GetString() : "");
  if (SelectFolderDialog(this, folder, folder, BIF_RETURNONLYFSDIRS, title) == 1) field = folder;
  UpdateData(FALSE);
}

void COperation_Form::OnBnClickedBrowseNew() { BrowseFolder(m_strNewPath, kTitleNew); }
void COperation_Form::OnBnClickedBrowseOld() { BrowseFolder(m_strOldPath, kTitleOld); }
void COperation_Form::OnBnClickedBrowseDiff() { BrowseFolder(m_strDiffPath, kTitleDiff); }

void COperation_Form::OnBnClickedOpenIni() {
  if (ZEKAppWindows().m_pFilterDlg) ZEKAppWindows().m_pFilterDlg->OnBnClickedOpenIni();
}

void COperation_Form::OnBnClickedOpenExcel() {
  char path[1024];
  if (sprintf_s(path, sizeof path, "%s\\%s", ZEKSettings().m_strHomeDir.GetString(), kExcelTemplate) < 0) return;
  struct _stat st;
  if (_stat(path, &st) != 0) return;
  ShellExecuteA(nullptr, "open", path, nullptr, nullptr, SW_SHOWNORMAL);
}

void COperation_Form::OnKillFocus(CWnd* pNewWnd) {
  CFormView::OnKillFocus(pNewWnd);
  ApplyToDocument();
}
