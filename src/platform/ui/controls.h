// Controls: statics, buttons, edits, combo boxes and up-down controls. List
// boxes are in listbox.h, list views in listctrl.h, tree views in
// treectrl.h. Each is a CWnd over the control made from a dialog template
// (or created by the program); its notifications reach the parent as
// WM_COMMAND or WM_NOTIFY.
#pragma once

#include <vector>

#include "platform/base/cstring.h"
#include "platform/ui/gdi.h"
#include "platform/ui/wnd.h"

class CStatic : public CWnd {
  DECLARE_DYNAMIC(CStatic)

 public:
  HICON SetIcon(HICON hIcon);
  HICON GetIcon() const { return m_hIcon; }
  HBITMAP SetBitmap(HBITMAP hBitmap);
  HBITMAP GetBitmap() const { return m_hBitmap; }

 private:
  HICON m_hIcon = nullptr;
  HBITMAP m_hBitmap = nullptr;
};

class CButton : public CWnd {
  DECLARE_DYNAMIC(CButton)

 public:
  int GetCheck() const;
  void SetCheck(int nCheck);
  UINT GetState() const;
  void SetState(BOOL bHighlight);
  UINT GetButtonStyle() const;
  void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE);
  HBITMAP SetBitmap(HBITMAP hBitmap);
  HBITMAP GetBitmap() const { return m_hBitmap; }
  HICON SetIcon(HICON hIcon);

 private:
  HBITMAP m_hBitmap = nullptr;
};

class CEdit : public CWnd {
  DECLARE_DYNAMIC(CEdit)

 public:
  // Selects bytes nStartChar .. nEndChar of the text (-1 to the end);
  // bNoScroll FALSE scrolls the selection into view.
  void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE);
  void GetSel(int& nStartChar, int& nEndChar) const;
  void ReplaceSel(LPCTSTR lpszNewText, BOOL bCanUndo = FALSE);
  void SetLimitText(UINT nMax);
  void LimitText(int nChars = 0) { SetLimitText(static_cast<UINT>(nChars)); }
  BOOL SetReadOnly(BOOL bReadOnly = TRUE);
  int GetLineCount() const;
};

class CRichEditCtrl : public CEdit {
  DECLARE_DYNAMIC(CRichEditCtrl)
};

class CComboBox : public CWnd {
  DECLARE_DYNAMIC(CComboBox)

 public:
  int AddString(LPCTSTR lpszString);
  int InsertString(int nIndex, LPCTSTR lpszString);
  int DeleteString(UINT nIndex);
  void ResetContent();
  int GetCount() const { return static_cast<int>(m_items.size()); }
  int GetCurSel() const { return m_nCurSel; }
  int SetCurSel(int nSelect);
  int GetLBText(int nIndex, LPTSTR lpszText) const;
  void GetLBText(int nIndex, CString& rString) const;
  int GetLBTextLen(int nIndex) const;
  // The first item after nStartAfter whose text begins with lpszString
  // (letter case ignored), selected; CB_ERR when none.
  int SelectString(int nStartAfter, LPCTSTR lpszString);
  int FindString(int nStartAfter, LPCTSTR lpszString) const;
  int FindStringExact(int nIndexStart, LPCTSTR lpszFind) const;
  DWORD_PTR GetItemData(int nIndex) const;
  int SetItemData(int nIndex, DWORD_PTR dwItemData);

  // Layer use: the items move with the control when a member subclasses it;
  // the widget reports the user's choice.
  void TakeItemsFrom(CComboBox& other);
  void UserSelected(int index) { m_nCurSel = index; }
  const std::vector<CString>& Texts() const { return m_items; }

 protected:
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Changed();
  std::vector<CString> m_items;
  std::vector<DWORD_PTR> m_data;
  int m_nCurSel = CB_ERR;
};

class CSpinButtonCtrl : public CWnd {
  DECLARE_DYNAMIC(CSpinButtonCtrl)

 public:
  void SetRange(short nLower, short nUpper) { SetRange32(nLower, nUpper); }
  void SetRange32(int nLower, int nUpper);
  void GetRange32(int& nLower, int& nUpper) const;
  // The position in the low word (and 0 in the high word: valid).
  int GetPos() const;
  int GetPos32(BOOL* lpbError = nullptr) const;
  int SetPos(int nPos);
  int SetPos32(int nPos) { return SetPos(nPos); }
  CWnd* SetBuddy(CWnd* pWndBuddy);

  // Layer use: one step by the user (arrow buttons or keys); asks the parent
  // with UDN_DELTAPOS first.
  void Step(int delta);

 protected:
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  int m_nLower = 0;
  int m_nUpper = 100;
  int m_nPos = 0;
};

namespace qv::ui {
// Creates the control of a template row inside `parent` (a dialog, page or
// form), with a default object of the control's class as its permanent
// object. Positions are converted with the parent's base units.
struct TemplateControl;
}  // namespace qv::ui
