// The about box: the program's title and version, the legal lines and a
// picture that scrolls slowly upward until its bottom edge shows.
#pragma once

#include "platform/ui/afxwin.h"

class CAboutDlg : public CDialog {
  DECLARE_DYNAMIC(CAboutDlg)

 public:
  CAboutDlg();

  BOOL OnInitDialog() override;
  // The picture window in pixels.
  CRect PictureRect() const;
  // Offsets the picture moves through: its height beyond the picture
  // window's, 0 when it is not taller than the window.
  int ScrollLimit() const;

  CBitmap m_bmpScroll;
  UINT m_nScrollOffset = 0;  // rows of the picture scrolled past the top
  UINT_PTR m_nTimer = 0;

 protected:
  DECLARE_MESSAGE_MAP()

 public:
  void OnPaint();
  void OnTimer(UINT_PTR nIDEvent);
  void OnDestroy();
};
