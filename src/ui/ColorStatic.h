// A static control with its own text and background colours (the title
// form's clock).
#pragma once

#include "platform/ui/afxwin.h"

class CColorStatic : public CStatic {
  DECLARE_DYNAMIC(CColorStatic)

 public:
  CColorStatic();
  ~CColorStatic() override;

  // New colours; the brush of the background is made again.
  void SetColors(COLORREF crText, COLORREF crBk);

  COLORREF m_crText;
  COLORREF m_crBk;
  CBrush m_brush;

 protected:
  DECLARE_MESSAGE_MAP()

 public:
  // The reflected colour message: the static's own colours.
  HBRUSH CtlColor(CDC* pDC, UINT nCtlColor);
};
