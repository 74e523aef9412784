// The display-filter window (modeless) and the profile-choice dialog.
#pragma once

#include "platform/ui/afxwin.h"

// The display-filter window "表示フィルタ選択": one instance for the whole
// run, created hidden at start-up, shown and hidden by the file list form.
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

  // The lists were filled (they are filled on the first show after a run).
  BOOL m_bFilled = FALSE;
  BOOL m_bVisible = FALSE;

 protected:
  void PostNcDestroy() override;
};
