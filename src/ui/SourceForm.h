// The file and DVD list form: the lower pane of the file layout.
#pragma once

#include "platform/ui/afxwin.h"

// The lower form of the file layout: the file and DVD list.
class CSource_Form : public CFormView {
  DECLARE_DYNCREATE(CSource_Form)

 public:
  CSource_Form();
  ~CSource_Form() override;

  void OnInitialUpdate() override;
  // Empties the rows (their item data point at records that may go).
  void ClearRows();

  CListCtrl m_list;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
};
