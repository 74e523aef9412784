// The title form: the pane above both layouts of the main frame, with the
// logo, the clock and the active file-type profile.
#pragma once

#include "platform/ui/afxwin.h"
#include "ui/ColorStatic.h"

// Operation names of both modes: 0-10 compare mode, 11-15 list mode. The
// first three are the menu texts of the comparison programs.
extern char g_szOperationNames[16][128];

// Makes the profile of that name the active one; a name no profile can
// carry (over 255 bytes) or no profile has makes the first one active.
void ActivateProfileNamed(const char* name);

class CTitle_Form : public CFormView {
  DECLARE_DYNCREATE(CTitle_Form)

 public:
  CTitle_Form();
  ~CTitle_Form() override;

  void DoDataExchange(CDataExchange* pDX) override;
  void OnInitialUpdate() override;
  // 1 (file view): the profile choice button hidden; else shown.
  void ShowControlsForView(int view);
  // The operation list of the current mode, after the settings changed.
  void RefillOperationCombo();
  // The current time into the clock.
  void UpdateClock();

  CComboBox m_comboFilter;
  CColorStatic m_stClock;
  int m_nMode = 1;  // 0 compare mode, 1 list mode
  CBitmap m_bmpLogo;
  CComboBox m_comboOperation;

 protected:
  DECLARE_MESSAGE_MAP()
  // The profile-choice dialog; TRUE when the user chose a profile (its name
  // is then in CZEKSettings::m_strFilterName).
  BOOL ChooseProfile();
  // The active profile's text form into the filter list, line 0 selected.
  void FillFilterCombo();
  // The compare/list buttons: m 0 or 1.
  void SwitchMode(int m);

 public:
  void OnTimer(UINT_PTR nIDEvent);
  void OnPaint();
  void OnCbnSelchangeFilter();
  void OnBnClickedFilterSelect();
  void OnCbnSelchangeOperation();
  void OnBnClickedCompareMode();
  void OnBnClickedListMode();
};
