// The title form: the pane above both layouts of the main frame.
#pragma once

#include "platform/ui/afxwin.h"

class CTitle_Form : public CFormView {
  DECLARE_DYNCREATE(CTitle_Form)

 public:
  CTitle_Form();
  ~CTitle_Form() override;

  void OnInitialUpdate() override;
  // 1 (file view): the profile choice button hidden; else shown.
  void ShowControlsForView(int view);
  void RefillOperationCombo();

  int m_nMode = 1;  // 0 compare mode, 1 list mode
};
