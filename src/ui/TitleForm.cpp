#include "ui/TitleForm.h"

#include "app/ZEKApp.h"
#include "res/resource.h"
#include "ui/MainFrm.h"

IMPLEMENT_DYNCREATE(CTitle_Form, CFormView)

CTitle_Form::CTitle_Form() : CFormView(IDD_TITLE_FORM) {}

CTitle_Form::~CTitle_Form() {
  if (CMainFrame* frame = GetMainFrame(); frame && frame->m_pTitleForm == this) frame->m_pTitleForm = nullptr;
}

void CTitle_Form::OnInitialUpdate() {
  CFormView::OnInitialUpdate();
  CMainFrame* frame = GetMainFrame();
  if (frame) {
    frame->m_pTitleForm = this;
    frame->m_nMode = theApp.m_nAppMode;
  }
  m_nMode = theApp.m_nAppMode;
}

void CTitle_Form::ShowControlsForView(int view) {
  for (int id : {IDC_COMBO_OPERATION, IDC_LABEL_OPERATION, IDC_GROUP_MODE, IDC_RADIO_COMPARE, IDC_RADIO_LIST}) {
    if (CWnd* w = GetDlgItem(id)) w->ShowWindow(SW_HIDE);
  }
  if (CWnd* w = GetDlgItem(IDC_FILTER_SELECT)) w->ShowWindow(view == 1 ? SW_HIDE : SW_SHOW);
}

void CTitle_Form::RefillOperationCombo() {}
