// The small modal dialogs other commands open: the overwrite and delete
// questions, the comment editor, the two information dialogs and the
// program picker. Callers fill the public members, call DoModal and read
// the members or the answer afterwards.
#pragma once

#include "platform/ui/afxwin.h"

// Answers of the two question boxes (their DoModal result). Esc and the
// close box answer ANSWER_CANCEL, so closing a question never overwrites or
// deletes anything.
enum {
  ANSWER_YES = 1,
  ANSWER_ALL = 2,
  ANSWER_NO = 3,
  ANSWER_CANCEL = 4,
};

// The four buttons of a question box, shared by both.
class CQuestionBox : public CDialog {
  DECLARE_DYNAMIC(CQuestionBox)

 public:
  CQuestionBox(UINT nIDTemplate, CWnd* pParent);

  void DoDataExchange(CDataExchange* pDX) override;
  // The file line the seam shows for the question.
  CString GetPromptText() const override;
  int GetCancelAnswer() const override { return ANSWER_CANCEL; }

  CStatic m_staticIcon;
  CString m_strFileName;  // the file line

 protected:
  DECLARE_MESSAGE_MAP()
  // Esc and the close box.
  void OnCancel() override;
  void OnYes() { EndDialog(ANSWER_YES); }
  void OnAll() { EndDialog(ANSWER_ALL); }
  void OnNo() { EndDialog(ANSWER_NO); }
  void OnCancelButton() { EndDialog(ANSWER_CANCEL); }
};

// "コピー先にファイルが既に存在します。上書きしてもいいですか？"
class CMessageBox_OW_dlg : public CQuestionBox {
  DECLARE_DYNAMIC(CMessageBox_OW_dlg)

 public:
  explicit CMessageBox_OW_dlg(CWnd* pParent = nullptr);
};

// The delete question (m_nKind 1; m_nTarget 1 NEW, 2 OLD, 3 both) or the
// revert question (any other kind).
class CMessageBox_DEL_dlg : public CQuestionBox {
  DECLARE_DYNAMIC(CMessageBox_DEL_dlg)

 public:
  explicit CMessageBox_DEL_dlg(CWnd* pParent = nullptr);
  BOOL OnInitDialog() override;
  // The question line for the kind and target.
  const char* QuestionText() const;
  // The question line, then the file line.
  CString GetPromptText() const override;

  int m_nKind = 1;
  int m_nTarget = 1;
};

// The comment editor of a DVD or file ("DVDコメント").
class CDIALOG_REV_COMMENT : public CDialog {
  DECLARE_DYNAMIC(CDIALOG_REV_COMMENT)

 public:
  explicit CDIALOG_REV_COMMENT(CWnd* pParent = nullptr);
  void DoDataExchange(CDataExchange* pDX) override;
  CString GetPromptText() const override { return m_strComment; }
  // Scripted people answer with the new comment.
  void SetScriptedText(const CString& text) override { m_strComment = text; }

  CString m_strComment;
};

// The document header ("ファイル情報").
class CFILE_INFO : public CDialog {
  DECLARE_DYNAMIC(CFILE_INFO)

 public:
  explicit CFILE_INFO(CWnd* pParent = nullptr);
  void DoDataExchange(CDataExchange* pDX) override;

  CString m_strCreateTime;
  CString m_strSaveTime;
  CString m_strVersion;  // "Ver.%d.%d%d" of major, minor, build
  CString m_strUser;
  CString m_strBanner;
};

// One merge record with its diff statistics ("ファイル情報表示").
class CDIFF_FILE_INFO : public CDialog {
  DECLARE_DYNAMIC(CDIFF_FILE_INFO)

 public:
  explicit CDIFF_FILE_INFO(CWnd* pParent = nullptr);
  void DoDataExchange(CDataExchange* pDX) override;

  CString m_strNewModified;
  CString m_strFileName;
  CString m_strNewAccessed;
  CString m_strNewCreated;
  int m_nNewLines = 0;
  CString m_strOldAccessed;
  CString m_strOldCreated;
  int m_nOldLines = 0;
  CString m_strOldModified;
  int m_nOldSize = 0;
  int m_nNewSize = 0;
  int m_nAddedLines = 0;
  int m_nDeletedLines = 0;
  int m_nChangedLines = 0;
  int m_nStepDifference = 0;
  int m_nDiffA = 0;
  int m_nDiffCAdded = 0;
  int m_nDiffD = 0;
  int m_nDiffCDeleted = 0;
  CString m_strEvaluated;
};

// The picker of a program file: a file-open dialog that starts with an
// empty file name and offers no choice of file types (only the first type
// of the filter applies).
class CFile_Select1 : public CFileDialog {
  DECLARE_DYNAMIC(CFile_Select1)

 public:
  CFile_Select1(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr, LPCTSTR lpszFileName = nullptr,
                DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR lpszFilter = nullptr,
                CWnd* pParentWnd = nullptr);
  INT_PTR DoModal() override;
};
