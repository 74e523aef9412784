#include "ui/AboutDlg.h"

#include "res/resource.h"

IMPLEMENT_DYNAMIC(CAboutDlg, CDialog)

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
  ON_WM_PAINT()
  ON_WM_TIMER()
  ON_WM_DESTROY()
END_MESSAGE_MAP()

namespace {

// The picture window in dialog units.
constexpr RECT kPicture = {54, 32, 240, 92};

// A sunken frame just outside `inner`.
void DrawSunkenFrame(CDC& dc, const CRect& inner) {
  CRect r = inner;
  r.InflateRect(2, 2);
  CPen face(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));
  CPen shadow(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  CPen* oldPen = dc.SelectObject(&face);
  CGdiObject* oldBrush = dc.SelectStockObject(NULL_BRUSH);
  dc.Rectangle(r);
  dc.SelectObject(&shadow);
  dc.MoveTo(r.left + 1, r.bottom + 1);
  dc.LineTo(r.left + 1, r.top + 1);
  dc.LineTo(r.right + 1, r.top + 1);
  dc.SelectStockObject(WHITE_PEN);
  dc.MoveTo(r.left - 1, r.bottom - 1);
  dc.LineTo(r.right - 1, r.bottom - 1);
  dc.LineTo(r.right - 1, r.top - 1);
  dc.SelectObject(oldPen);
  if (oldBrush) dc.SelectObject(static_cast<CBrush*>(oldBrush));
}

}  // namespace

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_nTimer = SetTimer(IDT_ABOUT_SCROLL, 100, nullptr);
  m_bmpScroll.LoadBitmap(IDB_ABOUT_SCROLL);
  UpdateData(FALSE);
  return TRUE;
}

CRect CAboutDlg::PictureRect() const {
  CRect r(kPicture);
  MapDialogRect(&r);
  return r;
}

int CAboutDlg::ScrollLimit() const {
  BITMAP bm{};
  if (m_bmpScroll.GetSafeHandle() == nullptr || !m_bmpScroll.GetBitmap(&bm)) return 0;
  // Signed: a window taller than the picture leaves nothing to scroll.
  const int limit = static_cast<int>(bm.bmHeight) - PictureRect().Height();
  return limit > 0 ? limit : 0;
}

void CAboutDlg::OnPaint() {
  CPaintDC dc(this);
  const CRect pic = PictureRect();
  DrawSunkenFrame(dc, pic);
  BITMAP bm{};
  if (m_bmpScroll.GetSafeHandle() == nullptr || !m_bmpScroll.GetBitmap(&bm)) return;
  CDC mem;
  mem.CreateCompatibleDC(&dc);
  CBitmap* old = mem.SelectObject(&m_bmpScroll);
  // Centred across; copies read only what lies on the bitmap.
  const int x = pic.left + (pic.Width() - static_cast<int>(bm.bmWidth)) / 2;
  dc.BitBlt(x, pic.top, pic.Width(), pic.Height(), &mem, 0, static_cast<int>(m_nScrollOffset), SRCCOPY);
  mem.SelectObject(old);
}

void CAboutDlg::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent == m_nTimer && m_nTimer != 0) {
    if (static_cast<int>(m_nScrollOffset) < ScrollLimit()) {
      ++m_nScrollOffset;
      const CRect pic = PictureRect();
      InvalidateRect(&pic, FALSE);
    }
  }
  CDialog::OnTimer(nIDEvent);
}

void CAboutDlg::OnDestroy() {
  CDialog::OnDestroy();
  if (m_nTimer != 0) KillTimer(m_nTimer);
  m_nTimer = 0;
  m_bmpScroll.DeleteObject();
}
