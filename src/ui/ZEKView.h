// The document template's view class; never created (the frame builds its
// splitter instead), it exists so the template has a view class.
#pragma once

#include "platform/ui/afxwin.h"

class CZEKView : public CFormView {
  DECLARE_DYNCREATE(CZEKView)

 public:
  CZEKView();
  void* m_pReserved = nullptr;
  int m_nReserved = 0;

 protected:
  DECLARE_MESSAGE_MAP()
  BOOL OnPreparePrinting(void* pInfo) { return DoPreparePrinting(pInfo); }
};
