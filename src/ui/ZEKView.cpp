#include "ui/ZEKView.h"

#include "res/resource.h"

IMPLEMENT_DYNCREATE(CZEKView, CFormView)

BEGIN_MESSAGE_MAP(CZEKView, CFormView)
  ON_COMMAND(ID_FILE_PRINT, &CZEKView::OnFilePrint)
  ON_COMMAND(ID_FILE_PRINT_DIRECT, &CZEKView::OnFilePrint)
  ON_COMMAND(ID_FILE_PRINT_PREVIEW, &CZEKView::OnFilePrint)
END_MESSAGE_MAP()

CZEKView::CZEKView() : CFormView(IDD_ZEKVIEW) {}
