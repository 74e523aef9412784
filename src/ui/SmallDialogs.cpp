#include "ui/SmallDialogs.h"

#include "res/resource.h"

IMPLEMENT_DYNAMIC(CQuestionBox, CDialog)
IMPLEMENT_DYNAMIC(CMessageBox_OW_dlg, CQuestionBox)
IMPLEMENT_DYNAMIC(CMessageBox_DEL_dlg, CQuestionBox)
IMPLEMENT_DYNAMIC(CDIALOG_REV_COMMENT, CDialog)
IMPLEMENT_DYNAMIC(CFILE_INFO, CDialog)
IMPLEMENT_DYNAMIC(CDIFF_FILE_INFO, CDialog)
IMPLEMENT_DYNAMIC(CFile_Select1, CFileDialog)

// ---------------------------------------------------------------------------
// The question boxes.

BEGIN_MESSAGE_MAP(CQuestionBox, CDialog)
  ON_BN_CLICKED(IDYES, &CQuestionBox::OnYes)
  ON_BN_CLICKED(IDC_OVERWRITE_ALL, &CQuestionBox::OnAll)
  ON_BN_CLICKED(IDC_DELETE_ALL, &CQuestionBox::OnAll)
  ON_BN_CLICKED(IDNO, &CQuestionBox::OnNo)
  ON_BN_CLICKED(IDC_QUESTION_CANCEL, &CQuestionBox::OnCancelButton)
END_MESSAGE_MAP()

CQuestionBox::CQuestionBox(UINT nIDTemplate, CWnd* pParent) : CDialog(nIDTemplate, pParent) {}

void CQuestionBox::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_QUESTION_ICON, m_staticIcon);
  DDX_Text(pDX, IDC_QUESTION_FILE, m_strFileName);
}

CString CQuestionBox::GetPromptText() const { return m_strFileName; }

// A question closed without an answer changes nothing.
void CQuestionBox::OnCancel() { EndDialog(ANSWER_CANCEL); }

CMessageBox_OW_dlg::CMessageBox_OW_dlg(CWnd* pParent) : CQuestionBox(IDD_MESSAGEBOX_OW, pParent) {}

namespace {

// The confirmed copy sits below the windows and asks for the overwrite
// question by the dialog's name; this runs it with the file line.
int RunOverwriteQuestion(const char* fileLine) {
  CMessageBox_OW_dlg box;
  box.m_strFileName = fileLine;
  return static_cast<int>(box.DoModal());
}

const bool g_overwriteQuestionRegistered =
    (qv::SetDialogRunner(CMessageBox_OW_dlg::classCMessageBox_OW_dlg.m_lpszClassName, &RunOverwriteQuestion),
     true);

}  // namespace

CMessageBox_DEL_dlg::CMessageBox_DEL_dlg(CWnd* pParent) : CQuestionBox(IDD_MESSAGEBOX_DEL, pParent) {}

const char* CMessageBox_DEL_dlg::QuestionText() const {
  if (m_nKind != 1) return "ファイル(NEW)の修正を無効にして、ファイル(OLD)に戻してもいいですか？";
  switch (m_nTarget) {
    case 1:
      return "NEWファイルを削除してもいいですか？";
    case 2:
      return "OLDファイルを削除してもいいですか？";
    case 3:
      return "NEWファイル，OLDファイルを削除してもいいですか？";
    default:
      return "メッセージ無し";
  }
}

BOOL CMessageBox_DEL_dlg::OnInitDialog() {
  CQuestionBox::OnInitDialog();
  SetDlgItemText(IDC_DELETE_QUESTION, QuestionText());
  return TRUE;
}

CString CMessageBox_DEL_dlg::GetPromptText() const { return CString(QuestionText()) + "\n" + m_strFileName; }

// ---------------------------------------------------------------------------
// The comment editor and the two information dialogs.

CDIALOG_REV_COMMENT::CDIALOG_REV_COMMENT(CWnd* pParent) : CDialog(IDD_REV_COMMENT, pParent) {}

void CDIALOG_REV_COMMENT::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_EDIT_COMMENT, m_strComment);
}

CFILE_INFO::CFILE_INFO(CWnd* pParent) : CDialog(IDD_FILE_INFO, pParent) {}

void CFILE_INFO::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_INFO_CREATED, m_strCreateTime);
  DDX_Text(pDX, IDC_INFO_SAVED, m_strSaveTime);
  DDX_Text(pDX, IDC_INFO_VERSION, m_strVersion);
  DDX_Text(pDX, IDC_INFO_USER, m_strUser);
  DDX_Text(pDX, IDC_INFO_BANNER, m_strBanner);
}

CDIFF_FILE_INFO::CDIFF_FILE_INFO(CWnd* pParent) : CDialog(IDD_DIFF_FILE_INFO, pParent) {}

void CDIFF_FILE_INFO::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_DIFF_NEW_MODIFIED, m_strNewModified);
  DDX_Text(pDX, IDC_DIFF_FILE_NAME, m_strFileName);
  DDX_Text(pDX, IDC_DIFF_NEW_ACCESSED, m_strNewAccessed);
  DDX_Text(pDX, IDC_DIFF_NEW_CREATED, m_strNewCreated);
  DDX_Text(pDX, IDC_DIFF_NEW_LINES, m_nNewLines);
  DDX_Text(pDX, IDC_DIFF_OLD_ACCESSED, m_strOldAccessed);
  DDX_Text(pDX, IDC_DIFF_OLD_CREATED, m_strOldCreated);
  DDX_Text(pDX, IDC_DIFF_OLD_LINES, m_nOldLines);
  DDX_Text(pDX, IDC_DIFF_OLD_MODIFIED, m_strOldModified);
  DDX_Text(pDX, IDC_DIFF_OLD_SIZE, m_nOldSize);
  DDX_Text(pDX, IDC_DIFF_NEW_SIZE, m_nNewSize);
  DDX_Text(pDX, IDC_DIFF_ADDED, m_nAddedLines);
  DDX_Text(pDX, IDC_DIFF_DELETED, m_nDeletedLines);
  DDX_Text(pDX, IDC_DIFF_CHANGED, m_nChangedLines);
  DDX_Text(pDX, IDC_DIFF_STEPS, m_nStepDifference);
  DDX_Text(pDX, IDC_DIFF_A, m_nDiffA);
  DDX_Text(pDX, IDC_DIFF_C_ADDED, m_nDiffCAdded);
  DDX_Text(pDX, IDC_DIFF_D, m_nDiffD);
  DDX_Text(pDX, IDC_DIFF_C_DELETED, m_nDiffCDeleted);
  DDX_Text(pDX, IDC_DIFF_EVALUATED, m_strEvaluated);
}

// ---------------------------------------------------------------------------
// The program picker.

CFile_Select1::CFile_Select1(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName, DWORD dwFlags,
                             LPCTSTR lpszFilter, CWnd* pParentWnd)
    : CFileDialog(bOpenFileDialog, lpszDefExt, lpszFileName, dwFlags, lpszFilter, pParentWnd) {}

INT_PTR CFile_Select1::DoModal() {
  // The picker opens with an empty name field and without the list of file
  // types: the first type of the filter is the one that applies.
  if (m_ofn.lpstrFile != nullptr && m_ofn.nMaxFile > 0) m_ofn.lpstrFile[0] = 0;
  const int first = m_strFilter.Find('|');
  const int second = first < 0 ? -1 : m_strFilter.Find('|', first + 1);
  if (second >= 0) m_strFilter = m_strFilter.Left(second + 1) + "|";
  m_ofn.lpstrFilter = m_strFilter.GetString();
  return CFileDialog::DoModal();
}
