#include "ui/ColorStatic.h"

IMPLEMENT_DYNAMIC(CColorStatic, CStatic)

BEGIN_MESSAGE_MAP(CColorStatic, CStatic)
  ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

CColorStatic::CColorStatic() : m_crText(RGB(0xFF, 0, 0)), m_crBk(GetSysColor(COLOR_BTNFACE)) {
  m_brush.CreateSolidBrush(m_crBk);
}

CColorStatic::~CColorStatic() = default;

void CColorStatic::SetColors(COLORREF crText, COLORREF crBk) {
  m_crText = crText;
  m_crBk = crBk;
  m_brush.DeleteObject();
  m_brush.CreateSolidBrush(m_crBk);
}

HBRUSH CColorStatic::CtlColor(CDC* pDC, UINT) {
  pDC->SetTextColor(m_crText);
  pDC->SetBkColor(m_crBk);
  return m_brush;
}
