#include "ui/SourceForm.h"

#include "app/ZEKApp.h"
#include "res/resource.h"
#include "ui/MainFrm.h"
#include "ui/TitleForm.h"

IMPLEMENT_DYNCREATE(CSource_Form, CFormView)

CSource_Form::CSource_Form() : CFormView(IDD_SOURCE_FORM) {}

CSource_Form::~CSource_Form() {
  if (CMainFrame* frame = GetMainFrame(); frame && frame->m_pSourceForm == this) frame->m_pSourceForm = nullptr;
}

void CSource_Form::DoDataExchange(CDataExchange* pDX) {
  CFormView::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_FILE_LIST, m_list);
}

void CSource_Form::OnInitialUpdate() {
  CFormView::OnInitialUpdate();
  CMainFrame* frame = GetMainFrame();
  if (frame) frame->m_pSourceForm = this;
  if (frame && frame->m_pTitleForm) frame->m_pTitleForm->ShowControlsForView(1);
}

void CSource_Form::ClearRows() {
  if (m_list.m_hWnd) m_list.DeleteAllItems();
}
