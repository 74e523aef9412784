// Dialogs: modal and modeless dialogs made from templates, dialog data
// exchange, property sheets with their pages, and the file dialog.
//
// A modal dialog (DoModal) passes the seam for people: the Qt people show
// it and run its modal loop; scripted people answer for it, or run it and
// drive its real controls (see scripted_prompt.h). A modeless dialog
// (Create) is a window of its own that lives until it is destroyed.
#pragma once

#include <functional>
#include <vector>

#include "platform/base/cstring.h"
#include "platform/ui/controls.h"
#include "platform/ui/listbox.h"
#include "platform/ui/wnd.h"

// Thrown by dialog data exchange when a field does not validate (after its
// message); UpdateData answers FALSE.
class CUserException {};

class CDataExchange {
 public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
  int m_idLastControl = 0;
  BOOL m_bEditLastControl = FALSE;

  // The control with the id (remembered for Fail); null when the window has
  // none.
  HWND PrepareCtrl(int nIDC);
  HWND PrepareEditCtrl(int nIDC);
  // Puts the focus on the last control prepared and throws CUserException.
  [[noreturn]] void Fail();
};

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
void DDX_Text(CDataExchange* pDX, int nIDC, LPTSTR value, int nMaxLen);
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// value: index of the checked button of the group that starts at nIDC.
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index);
void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);
void DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars);

class CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)

 public:
  using CWnd::Create;
  CDialog() = default;
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  ~CDialog() override;

  // Runs the dialog modally through the seam for people; its result
  // (IDOK, IDCANCEL or what EndDialog was given), -1 when the template is
  // missing.
  virtual INT_PTR DoModal();
  // Creates the dialog as a modeless window.
  BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  virtual BOOL OnInitDialog();
  void EndDialog(int nResult);
  void MapDialogRect(LPRECT lpRect) const;
  void GotoDlgCtrl(CWnd* pWndCtrl);
  void NextDlgCtrl() const;
  void SetDefID(UINT nID);

  UINT m_nIDHelp = 0;
  UINT m_nIDTemplate = 0;
  CWnd* m_pParentWnd = nullptr;

  // What the seam for people shows as the dialog's text (the question it
  // asks, the file it names); "" by default.
  virtual CString GetPromptText() const;
  // Scripted people answered for the dialog with a text (a dialog that
  // returns text, such as an editor of a comment, takes it).
  virtual void SetScriptedText(const CString& text);
  // The answer of Esc and the close box, which the seam gives when nobody
  // answers the dialog: IDCANCEL unless the dialog has another.
  virtual int GetCancelAnswer() const;
  // The dialog's result so far.
  int GetResult() const { return m_nModalResult; }

 protected:
  virtual void OnOK();
  virtual void OnCancel();
  DECLARE_MESSAGE_MAP()

  // Builds the window from the template: top-level (dialogs, sheets) or a
  // child of pParent's container (pages, forms).
  BOOL CreateFromTemplate(UINT nIDTemplate, CWnd* pParentWnd, bool child);
  // Runs the modal loop of an existing window; onShown runs once it shows.
  int RunModalLoop(const std::function<void()>& onShown);

  int m_nModalResult = -1;
  void* m_pLoop = nullptr;  // the modal loop while it runs
  BOOL m_bModal = FALSE;

 public:
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Property pages and sheets.
#define PSH_HASHELP 0x00000200
#define PSH_NOAPPLYNOW 0x00000080
#define PSP_HASHELP 0x00000020

struct PROPSHEETHEADER {
  DWORD dwSize = 0;
  DWORD dwFlags = 0;
};
struct PROPSHEETPAGE {
  DWORD dwSize = 0;
  DWORD dwFlags = 0;
};

class CPropertySheet;

class CPropertyPage : public CDialog {
  DECLARE_DYNAMIC(CPropertyPage)

 public:
  CPropertyPage() = default;
  explicit CPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);

  PROPSHEETPAGE m_psp;
  // The title of the page's tab: the caption string, else the template's.
  CString GetTabTitle() const;

  virtual BOOL OnSetActive();
  virtual BOOL OnKillActive();
  virtual BOOL OnApply();
  virtual void OnReset();
  void OnOK() override;
  void OnCancel() override;
  void SetModified(BOOL bChanged = TRUE) { m_bModified = bChanged; }

  CPropertySheet* m_pSheet = nullptr;
  BOOL m_bFirstSetActive = TRUE;

 protected:
  UINT m_nIDCaption = 0;
  BOOL m_bModified = FALSE;
};

class CPropertySheet : public CWnd {
  DECLARE_DYNAMIC(CPropertySheet)

 public:
  explicit CPropertySheet(UINT nIDCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
  explicit CPropertySheet(LPCTSTR pszCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
  ~CPropertySheet() override;

  void AddPage(CPropertyPage* pPage);
  void RemovePage(int nPage);
  int GetPageCount() const { return static_cast<int>(m_pages.size()); }
  CPropertyPage* GetPage(int nPage) const;
  CPropertyPage* GetActivePage() const;
  int GetActiveIndex() const { return m_nActive; }
  BOOL SetActivePage(int nPage);
  void SetTitle(LPCTSTR lpszText);
  CString GetTitle() const { return m_strCaption; }

  // Modal run through the seam for people; IDOK or IDCANCEL.
  virtual INT_PTR DoModal();
  void EndDialog(int nResult);
  // The buttons' commands: OK reads the active page and lets every page
  // whose window exists store its values; Cancel stores nothing.
  BOOL PressOK();
  void PressCancel();
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  PROPSHEETHEADER m_psh;

 protected:
  DECLARE_MESSAGE_MAP()
  void OnSheetOK() { PressOK(); }
  void OnSheetCancel() { PressCancel(); }

  CString m_strCaption;
  CWnd* m_pParentWnd = nullptr;
  std::vector<CPropertyPage*> m_pages;
  int m_nActive = 0;
  int m_nModalResult = IDCANCEL;
  void* m_pLoop = nullptr;
  friend struct qv::ui_detail_access;
  void BuildWindow();
  BOOL ActivatePage(int nPage);
};

// The file dialog.
#ifndef OFN_READONLY
#define OFN_READONLY 0x00000001u
#endif
#ifndef OFN_OVERWRITEPROMPT
#define OFN_OVERWRITEPROMPT 0x00000002u
#endif
#ifndef OFN_HIDEREADONLY
#define OFN_HIDEREADONLY 0x00000004u
#endif
#define OFN_ENABLETEMPLATE 0x00000040u
#ifndef OFN_PATHMUSTEXIST
#define OFN_PATHMUSTEXIST 0x00000800u
#endif
#define OFN_FILEMUSTEXIST 0x00001000u
#define OFN_EXPLORER 0x00080000u
#define OFN_ENABLESIZING 0x00800000u

struct OPENFILENAMEA {
  DWORD lStructSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCSTR lpstrFilter;
  LPSTR lpstrCustomFilter;
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;
  LPSTR lpstrFile;
  DWORD nMaxFile;
  LPSTR lpstrFileTitle;
  DWORD nMaxFileTitle;
  LPCSTR lpstrInitialDir;
  LPCSTR lpstrTitle;
  DWORD Flags;
  WORD nFileOffset;
  WORD nFileExtension;
  LPCSTR lpstrDefExt;
  LPARAM lCustData;
  void* lpfnHook;
  LPCSTR lpTemplateName;
};
typedef OPENFILENAMEA OPENFILENAME;

class CFileDialog : public CDialog {
  DECLARE_DYNAMIC(CFileDialog)

 public:
  CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr, LPCTSTR lpszFileName = nullptr,
              DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR lpszFilter = nullptr,
              CWnd* pParentWnd = nullptr, DWORD dwSize = 0, BOOL bVistaStyle = TRUE);

  OPENFILENAME m_ofn;
  INT_PTR DoModal() override;
  CString GetPathName() const;
  CString GetFileName() const;
  CString GetFileExt() const;
  CString GetFileTitle() const;

 protected:
  BOOL m_bOpenFileDialog;
  CString m_strDefExt;
  CString m_strFilter;
  char m_szFileName[1024] = {};
  CString m_strTitle;
  CString m_strInitialDir;
};

namespace qv {
// Layer text of the framework's own strings (used when the program's string
// table does not have them).
const char* FrameworkString(UINT id);
}  // namespace qv
