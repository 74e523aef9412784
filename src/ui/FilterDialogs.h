// The display-filter window (modeless) and the profile-choice dialog.
#pragma once

#include <string>

#include "platform/ui/afxwin.h"

// The display-filter window "表示フィルタ選択": one instance for the whole
// run, created hidden at start-up, shown and hidden by the file list form.
// Its check lists say which target extensions and file names the list
// keeps; its four state buttons toggle the list's state filter.
class CFileType_Select_Chk_dlg : public CDialog {
  DECLARE_DYNAMIC(CFileType_Select_Chk_dlg)

 public:
  explicit CFileType_Select_Chk_dlg(CWnd* pParent = nullptr);
  ~CFileType_Select_Chk_dlg() override;

  // Shows the state buttons from the display-filter bits (while visible).
  void UpdateStateButtons();
  // Applies the ticks to the shown entry's records.
  void ApplySelection();
  // Opens the settings file in the text editor.
  void OnBnClickedOpenIni();
  // Fills the lists from the active profile and the last run's texts.
  void FillControls();
  // Fills the lists again when the profile or the last run's texts have
  // changed since they were filled, keeping the ticks of the texts that are
  // still there. TRUE when it did.
  BOOL RefillIfChanged();

  int m_nSelectMode = 0;  // 0 entry mode, 1 wildcard mode
  // The lists were filled (they are filled on the first show after a run).
  BOOL m_bFilled = FALSE;
  HICON m_hIconLarge = nullptr;
  HICON m_hIconSmall = nullptr;
  CCheckListBox m_listExt;
  CListBox m_listExcludedExt;
  CCheckListBox m_listNames;
  CListBox m_listExcludedDirs;
  CComboBox m_comboProfile;
  CButton m_btnAllExt;
  CButton m_btnAllNames;
  BOOL m_bVisible = FALSE;
  CButton m_btnDiff;
  CButton m_btnNew;
  CButton m_btnOld;
  CButton m_btnSame;
  CBitmap m_bmpDiff;
  CBitmap m_bmpNew;
  CBitmap m_bmpOld;
  CBitmap m_bmpSame;

  // Timer that looks for a new profile or run while the window is shown.
  static constexpr UINT_PTR kRefreshTimer = 312;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  void PostNcDestroy() override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  DECLARE_MESSAGE_MAP()

 public:
  void OnShowWindow(BOOL bShow, UINT nStatus);
  void OnTimer(UINT_PTR nIDEvent);
  void OnBnClickedAllExt();
  void OnBnClickedAllNames();
  void OnBnClickedStateDiff();
  void OnBnClickedStateNew();
  void OnBnClickedStateOld();
  void OnBnClickedStateSame();

 private:
  void Fill(bool keepTicks);
  void EnableStateButtons();
  void SendFrameCommand(UINT id);
  // What the lists were filled from.
  std::string m_strFilledFrom;
};

// The profile choice "フィルタ選択": the profile names and the four lists
// of the highlighted one; OK makes the highlighted name the current
// profile name.
class CFileType_Select_dlg : public CDialog {
  DECLARE_DYNAMIC(CFileType_Select_dlg)

 public:
  explicit CFileType_Select_dlg(CWnd* pParent = nullptr);
  ~CFileType_Select_dlg() override;

  CListBox m_listProfiles;
  CListBox m_listExcludedDirs;
  CListBox m_listExcludedExt;
  CListBox m_listNames;
  CListBox m_listExt;

  BOOL OnInitDialog() override;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;
  DECLARE_MESSAGE_MAP()

 public:
  void OnLbnSelchangeProfiles();
  void OnLbnDblclkProfiles();

 private:
  void ShowProfile(int item);
};
