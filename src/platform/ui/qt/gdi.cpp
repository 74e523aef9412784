#include <QApplication>
#include <QFontMetrics>
#include <QScreen>

#include <algorithm>

#include "platform/ui/qt/gdi_impl.h"
#include "platform/ui/qt/hwnd.h"
#include "platform/ui/resources.h"
#include "platform/ui/wnd.h"

IMPLEMENT_DYNAMIC(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CDC, CObject)

namespace {

HGDIOBJ NewObject(HGDIOBJ__::Kind kind) {
  auto* o = new HGDIOBJ__;
  o->kind = kind;
  return o;
}

HGDIOBJ Stock(int index) {
  static HGDIOBJ objects[9] = {};
  if (index < 0 || index > 8) return nullptr;
  if (objects[index]) return objects[index];
  HGDIOBJ o = nullptr;
  switch (index) {
    case WHITE_BRUSH:
      o = NewObject(HGDIOBJ__::Kind::Brush);
      o->color = RGB(255, 255, 255);
      break;
    case LTGRAY_BRUSH:
      o = NewObject(HGDIOBJ__::Kind::Brush);
      o->color = RGB(192, 192, 192);
      break;
    case GRAY_BRUSH:
      o = NewObject(HGDIOBJ__::Kind::Brush);
      o->color = RGB(128, 128, 128);
      break;
    case BLACK_BRUSH:
      o = NewObject(HGDIOBJ__::Kind::Brush);
      o->color = 0;
      break;
    case NULL_BRUSH:
      o = NewObject(HGDIOBJ__::Kind::Brush);
      o->nullBrush = true;
      break;
    case WHITE_PEN:
      o = NewObject(HGDIOBJ__::Kind::Pen);
      o->color = RGB(255, 255, 255);
      break;
    case BLACK_PEN:
      o = NewObject(HGDIOBJ__::Kind::Pen);
      break;
    case NULL_PEN:
      o = NewObject(HGDIOBJ__::Kind::Pen);
      o->penStyle = PS_NULL;
      break;
    default:
      return nullptr;
  }
  o->stock = true;
  objects[index] = o;
  return o;
}

// Every context starts with the platform's defaults selected.
CGdiObject* StockWrapper(int index);
void InitDefaults(HDC dc) {
  dc->pen = Stock(BLACK_PEN);
  dc->brush = Stock(WHITE_BRUSH);
  dc->penObj = StockWrapper(BLACK_PEN);
  dc->brushObj = StockWrapper(WHITE_BRUSH);
}

// Runs `draw` with a painter on the context's surface.
template <typename F>
void Draw(HDC dc, F&& draw) {
  if (dc == nullptr || dc->screenOnly) return;
  if (dc->memory) {
    if (dc->bitmap == nullptr || dc->bitmap->image.isNull()) return;
    QPainter p(&dc->bitmap->image);
    draw(p);
    return;
  }
  if (dc->painter) draw(*dc->painter);
}

QPen PenOf(HGDIOBJ pen) {
  if (pen == nullptr || pen->penStyle == PS_NULL) return QPen(Qt::NoPen);
  QPen p(qv::ui::ToQColor(pen->color));
  p.setWidth(std::max(1, pen->penWidth));
  p.setCosmetic(pen->penWidth <= 1);
  if (pen->penStyle == PS_DASH) p.setStyle(Qt::DashLine);
  if (pen->penStyle == PS_DOT) p.setStyle(Qt::DotLine);
  return p;
}

// The pixels of the context's surface that a copy reads.
const QImage* SurfaceOf(const CDC* dc) {
  if (dc == nullptr || dc->m_hDC == nullptr || !dc->m_hDC->memory || dc->m_hDC->bitmap == nullptr) return nullptr;
  return &dc->m_hDC->bitmap->image;
}

bool IsMonoTarget(HDC dc) { return dc && dc->memory && dc->bitmap && dc->bitmap->mono; }

// The source pixels, turned monochrome for a monochrome destination (the
// source's background colour becomes white, everything else black).
QImage SourceFor(HDC dst, const CDC* src, const QRect& part) {
  const QImage* s = SurfaceOf(src);
  QImage piece = s->copy(part).convertToFormat(QImage::Format_RGB32);
  if (IsMonoTarget(dst) && !src->m_hDC->bitmap->mono) {
    const QRgb bk = qv::ui::ToQColor(src->m_hDC->bk).rgb() | 0xFF000000u;
    for (int y = 0; y < piece.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(piece.scanLine(y));
      for (int x = 0; x < piece.width(); ++x) line[x] = ((line[x] | 0xFF000000u) == bk) ? 0xFFFFFFFFu : 0xFF000000u;
    }
  }
  return piece;
}

}  // namespace

namespace qv::ui {

QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }
COLORREF FromQColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

QFont FontOf(const CFont& font) {
  HGDIOBJ o = font.m_hObject;
  return o ? o->font : QFont();
}

QIcon IconOf(HICON icon) { return icon ? icon->icon : QIcon(); }

QImage ImageOf(HBITMAP bitmap) { return bitmap ? bitmap->image : QImage(); }

QImage ImageFromXpm(const char* const* xpm) {
  if (xpm == nullptr) return QImage();
  return QImage(xpm).convertToFormat(QImage::Format_ARGB32);
}

QPixmap PixmapOfBitmapResource(UINT id) {
  const qv::res::ImageEntry* e = qv::res::FindBitmap(id);
  return e ? QPixmap::fromImage(ImageFromXpm(e->xpm)) : QPixmap();
}

}  // namespace qv::ui

// ---------------------------------------------------------------------------

CGdiObject::~CGdiObject() { DeleteObject(); }

BOOL CGdiObject::DeleteObject() {
  if (m_hObject == nullptr) return FALSE;
  if (!m_hObject->stock) delete m_hObject;
  m_hObject = nullptr;
  return TRUE;
}

BOOL CGdiObject::Attach(HGDIOBJ h) {
  if (m_hObject != nullptr || h == nullptr) return FALSE;
  m_hObject = h;
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ h = m_hObject;
  m_hObject = nullptr;
  return h;
}

BOOL CPen::CreatePen(int nPenStyle, int nWidth, COLORREF crColor) {
  DeleteObject();
  m_hObject = NewObject(HGDIOBJ__::Kind::Pen);
  m_hObject->penStyle = nPenStyle;
  m_hObject->penWidth = nWidth;
  m_hObject->color = crColor;
  return TRUE;
}

BOOL CBrush::CreateSolidBrush(COLORREF crColor) {
  DeleteObject();
  m_hObject = NewObject(HGDIOBJ__::Kind::Brush);
  m_hObject->color = crColor;
  return TRUE;
}

BOOL CBrush::CreateSysColorBrush(int nIndex) { return CreateSolidBrush(GetSysColor(nIndex)); }

BOOL CFont::CreateFontA(int nHeight, int, int, int, int nWeight, BYTE bItalic, BYTE bUnderline, BYTE cStrikeOut, BYTE,
                        BYTE, BYTE, BYTE, BYTE, LPCSTR lpszFacename) {
  qv::ui::EnsureApp();
  DeleteObject();
  m_hObject = NewObject(HGDIOBJ__::Kind::Font);
  QFont f = qv::ui::DialogFont(lpszFacename ? lpszFacename : "", 9);
  // Negative: the character height; positive: the cell height, which for
  // the program's faces is close enough to the character height.
  const int px = nHeight == 0 ? 12 : std::abs(nHeight);
  f.setPixelSize(std::max(1, px));
  f.setWeight(nWeight >= FW_BOLD ? QFont::Bold : nWeight >= FW_SEMIBOLD ? QFont::DemiBold : QFont::Normal);
  f.setItalic(bItalic != 0);
  f.setUnderline(bUnderline != 0);
  f.setStrikeOut(cStrikeOut != 0);
  m_hObject->font = f;
  m_hObject->fontHeight = nHeight;
  m_hObject->fontWeight = nWeight;
  m_hObject->face = lpszFacename ? lpszFacename : "";
  return TRUE;
}

BOOL CFont::CreatePointFont(int nPointSize, LPCSTR lpszFaceName, CDC*) {
  const int px = MulDiv(nPointSize, qv::ui::ScreenDpi(), 720);
  return CreateFontA(-px, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, lpszFaceName);
}

int CFont::GetHeight() const { return m_hObject ? m_hObject->fontHeight : 0; }
CString CFont::GetFaceName() const { return m_hObject ? m_hObject->face : CString(); }
int CFont::GetWeight() const { return m_hObject ? m_hObject->fontWeight : 0; }

BOOL CBitmap::LoadBitmap(UINT nIDResource) {
  const qv::res::ImageEntry* e = qv::res::FindBitmap(nIDResource);
  if (e == nullptr) return FALSE;
  QImage img = qv::ui::ImageFromXpm(e->xpm);
  if (img.isNull()) return FALSE;
  DeleteObject();
  m_hObject = NewObject(HGDIOBJ__::Kind::Bitmap);
  m_hObject->image = img.convertToFormat(QImage::Format_RGB32);
  return TRUE;
}

BOOL CBitmap::CreateBitmap(int nWidth, int nHeight, UINT, UINT nBitcount, const void* lpBits) {
  if (nWidth <= 0 || nHeight <= 0) return FALSE;
  DeleteObject();
  m_hObject = NewObject(HGDIOBJ__::Kind::Bitmap);
  m_hObject->mono = nBitcount == 1;
  m_hObject->image = QImage(nWidth, nHeight, QImage::Format_RGB32);
  m_hObject->image.fill(0xFF000000u);
  if (lpBits && nBitcount == 1) {
    // Rows of whole 16-bit words, most significant bit first.
    const auto* bits = static_cast<const BYTE*>(lpBits);
    const int stride = ((nWidth + 15) / 16) * 2;
    for (int y = 0; y < nHeight; ++y) {
      for (int x = 0; x < nWidth; ++x) {
        const bool on = (bits[y * stride + x / 8] >> (7 - x % 8)) & 1;
        m_hObject->image.setPixel(x, y, on ? 0xFFFFFFFFu : 0xFF000000u);
      }
    }
  }
  return TRUE;
}

BOOL CBitmap::CreateCompatibleBitmap(CDC*, int nWidth, int nHeight) {
  if (nWidth <= 0 || nHeight <= 0) return FALSE;
  DeleteObject();
  m_hObject = NewObject(HGDIOBJ__::Kind::Bitmap);
  m_hObject->image = QImage(nWidth, nHeight, QImage::Format_RGB32);
  m_hObject->image.fill(0xFF000000u);
  return TRUE;
}

int CBitmap::GetBitmap(BITMAP* pBitMap) const {
  if (pBitMap == nullptr || m_hObject == nullptr) return 0;
  *pBitMap = BITMAP{};
  pBitMap->bmWidth = m_hObject->image.width();
  pBitMap->bmHeight = m_hObject->image.height();
  pBitMap->bmPlanes = 1;
  pBitMap->bmBitsPixel = m_hObject->mono ? 1 : 32;
  pBitMap->bmWidthBytes = m_hObject->mono ? ((pBitMap->bmWidth + 15) / 16) * 2 : pBitMap->bmWidth * 4;
  return static_cast<int>(sizeof(BITMAP));
}

CSize CBitmap::GetBitmapDimension() const {
  return m_hObject ? CSize(m_hObject->image.width(), m_hObject->image.height()) : CSize();
}

COLORREF CBitmap::GetPixel(int x, int y) const {
  if (m_hObject == nullptr || !m_hObject->image.valid(x, y)) return CLR_INVALID;
  return qv::ui::FromQColor(QColor(m_hObject->image.pixel(x, y)));
}

// ---------------------------------------------------------------------------

CDC::CDC() = default;

CDC::~CDC() { DeleteDC(); }

BOOL CDC::CreateCompatibleDC(CDC*) {
  DeleteDC();
  m_hDC = new HDC__;
  m_hDC->memory = true;
  InitDefaults(m_hDC);
  // A new memory context holds a 1 x 1 monochrome bitmap.
  static CBitmap* defaultBitmap = [] {
    auto* b = new CBitmap;
    b->CreateBitmap(1, 1, 1, 1, nullptr);
    b->m_hObject->stock = true;
    return b;
  }();
  m_hDC->bitmap = defaultBitmap->m_hObject;
  m_hDC->bitmapObj = defaultBitmap;
  return TRUE;
}

BOOL CDC::DeleteDC() {
  if (m_hDC == nullptr) return FALSE;
  if (m_hDC->owned) m_hDC->owned->end();
  delete m_hDC;
  m_hDC = nullptr;
  return TRUE;
}

namespace {
// A wrapper of a stock object, for handing back what a context held first.
CGdiObject* StockWrapper(int index) {
  static CGdiObject* wrappers[9] = {};
  if (index < 0 || index > 8) return nullptr;
  if (wrappers[index] == nullptr) {
    // Of the class the context hands it back as (a pen or a brush).
    const bool pen = index == WHITE_PEN || index == BLACK_PEN || index == NULL_PEN;
    wrappers[index] = pen ? static_cast<CGdiObject*>(new CPen) : new CBrush;
    wrappers[index]->m_hObject = Stock(index);
  }
  return wrappers[index];
}

CGdiObject* Swap(HGDIOBJ& slot, CGdiObject*& slotObj, CGdiObject* object) {
  CGdiObject* previous = slotObj;
  if (object && object->m_hObject) {
    slot = object->m_hObject;
    slotObj = object;
  }
  return previous;
}
}  // namespace

CPen* CDC::SelectObject(CPen* pPen) {
  return m_hDC ? static_cast<CPen*>(Swap(m_hDC->pen, m_hDC->penObj, pPen)) : nullptr;
}
CBrush* CDC::SelectObject(CBrush* pBrush) {
  return m_hDC ? static_cast<CBrush*>(Swap(m_hDC->brush, m_hDC->brushObj, pBrush)) : nullptr;
}
CFont* CDC::SelectObject(CFont* pFont) {
  return m_hDC ? static_cast<CFont*>(Swap(m_hDC->font, m_hDC->fontObj, pFont)) : nullptr;
}
CBitmap* CDC::SelectObject(CBitmap* pBitmap) {
  return m_hDC ? static_cast<CBitmap*>(Swap(m_hDC->bitmap, m_hDC->bitmapObj, pBitmap)) : nullptr;
}

CGdiObject* CDC::SelectStockObject(int nIndex) {
  if (m_hDC == nullptr) return nullptr;
  CGdiObject* wrapper = StockWrapper(nIndex);
  if (wrapper == nullptr) return nullptr;
  if (wrapper->m_hObject->kind == HGDIOBJ__::Kind::Pen) return Swap(m_hDC->pen, m_hDC->penObj, wrapper);
  return Swap(m_hDC->brush, m_hDC->brushObj, wrapper);
}

COLORREF CDC::SetBkColor(COLORREF crColor) {
  if (m_hDC == nullptr) return CLR_INVALID;
  const COLORREF old = m_hDC->bk;
  m_hDC->bk = crColor;
  return old;
}
COLORREF CDC::GetBkColor() const { return m_hDC ? m_hDC->bk : CLR_INVALID; }
COLORREF CDC::SetTextColor(COLORREF crColor) {
  if (m_hDC == nullptr) return CLR_INVALID;
  const COLORREF old = m_hDC->text;
  m_hDC->text = crColor;
  return old;
}
COLORREF CDC::GetTextColor() const { return m_hDC ? m_hDC->text : CLR_INVALID; }
int CDC::SetBkMode(int nBkMode) {
  if (m_hDC == nullptr) return 0;
  const int old = m_hDC->bkMode;
  m_hDC->bkMode = nBkMode;
  return old;
}
int CDC::SetStretchBltMode(int nStretchMode) {
  if (m_hDC == nullptr) return 0;
  const int old = m_hDC->stretch;
  m_hDC->stretch = nStretchMode;
  return old;
}
int CDC::GetStretchBltMode() const { return m_hDC ? m_hDC->stretch : 0; }

CPoint CDC::MoveTo(int x, int y) {
  if (m_hDC == nullptr) return CPoint();
  const CPoint old(m_hDC->pos.x(), m_hDC->pos.y());
  m_hDC->pos = QPoint(x, y);
  return old;
}

BOOL CDC::LineTo(int x, int y) {
  if (m_hDC == nullptr) return FALSE;
  const QPoint from = m_hDC->pos;
  const QPoint to(x, y);
  // The end point is not drawn.
  if (from != to) {
    const int dx = (to.x() > from.x()) - (to.x() < from.x());
    const int dy = (to.y() > from.y()) - (to.y() < from.y());
    const QPoint last = to - QPoint(dx, dy);
    const QPen pen = PenOf(m_hDC->pen);
    Draw(m_hDC, [&](QPainter& p) {
      p.setPen(pen);
      p.setRenderHint(QPainter::Antialiasing, false);
      p.drawLine(from, last);
    });
  }
  m_hDC->pos = to;
  return TRUE;
}

BOOL CDC::Rectangle(int x1, int y1, int x2, int y2) {
  if (m_hDC == nullptr) return FALSE;
  const QRect r(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2) - 1, std::max(y1, y2) - 1));
  HGDIOBJ brush = m_hDC->brush;
  const QPen pen = PenOf(m_hDC->pen);
  Draw(m_hDC, [&](QPainter& p) {
    if (brush && !brush->nullBrush) p.fillRect(r, qv::ui::ToQColor(brush->color));
    if (pen.style() != Qt::NoPen) {
      p.setPen(pen);
      p.setBrush(Qt::NoBrush);
      p.drawRect(r.adjusted(0, 0, -1, -1));
    }
  });
  return TRUE;
}

void CDC::FillRect(LPCRECT lpRect, CBrush* pBrush) {
  if (lpRect == nullptr || pBrush == nullptr || pBrush->m_hObject == nullptr || pBrush->m_hObject->nullBrush) return;
  FillSolidRect(lpRect, pBrush->m_hObject->color);
}

void CDC::FillSolidRect(LPCRECT lpRect, COLORREF clr) {
  if (lpRect) FillSolidRect(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, clr);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr) {
  if (cx < 0) {
    x += cx;
    cx = -cx;
  }
  if (cy < 0) {
    y += cy;
    cy = -cy;
  }
  if (cx == 0 || cy == 0) return;
  Draw(m_hDC, [&](QPainter& p) { p.fillRect(QRect(x, y, cx, cy), qv::ui::ToQColor(clr)); });
}

void CDC::Draw3dRect(LPCRECT lpRect, COLORREF clrTopLeft, COLORREF clrBottomRight) {
  if (lpRect)
    Draw3dRect(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, clrTopLeft,
               clrBottomRight);
}

void CDC::Draw3dRect(int x, int y, int cx, int cy, COLORREF clrTopLeft, COLORREF clrBottomRight) {
  FillSolidRect(x, y, cx - 1, 1, clrTopLeft);
  FillSolidRect(x, y, 1, cy - 1, clrTopLeft);
  FillSolidRect(x + cx - 1, y, 1, cy, clrBottomRight);
  FillSolidRect(x, y + cy - 1, cx, 1, clrBottomRight);
}

BOOL CDC::TextOut(int x, int y, LPCTSTR lpszString, int nCount) {
  if (m_hDC == nullptr || lpszString == nullptr) return FALSE;
  const QString text = qv::ui::ToQ(std::string_view(lpszString, nCount < 0 ? std::strlen(lpszString) : static_cast<size_t>(nCount)));
  HDC dc = m_hDC;
  Draw(dc, [&](QPainter& p) {
    if (dc->font) p.setFont(dc->font->font);
    const QFontMetrics fm(p.font());
    if (dc->bkMode == OPAQUE) p.fillRect(QRect(x, y, fm.horizontalAdvance(text), fm.height()), qv::ui::ToQColor(dc->bk));
    p.setPen(qv::ui::ToQColor(dc->text));
    p.drawText(QPoint(x, y + fm.ascent()), text);
  });
  return TRUE;
}

int CDC::DrawText(LPCTSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat) {
  if (m_hDC == nullptr || lpszString == nullptr || lpRect == nullptr) return 0;
  const QString text = qv::ui::ToQ(std::string_view(lpszString, nCount < 0 ? std::strlen(lpszString) : static_cast<size_t>(nCount)));
  HDC dc = m_hDC;
  int height = 0;
  Draw(dc, [&](QPainter& p) {
    if (dc->font) p.setFont(dc->font->font);
    int flags = (nFormat & DT_CENTER) ? Qt::AlignHCenter : (nFormat & DT_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
    flags |= (nFormat & DT_VCENTER) ? Qt::AlignVCenter : Qt::AlignTop;
    p.setPen(qv::ui::ToQColor(dc->text));
    const QRect r(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top);
    p.drawText(r, flags, text);
    height = QFontMetrics(p.font()).height();
  });
  return height;
}

BOOL CDC::BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop) {
  if (m_hDC == nullptr) return FALSE;
  if (dwRop == BLACKNESS || dwRop == WHITENESS) {
    FillSolidRect(x, y, nWidth, nHeight, dwRop == BLACKNESS ? RGB(0, 0, 0) : RGB(255, 255, 255));
    return TRUE;
  }
  const QImage* src = SurfaceOf(pSrcDC);
  if (src == nullptr) return FALSE;
  // Only the part of the source rectangle that lies on the source bitmap.
  const QRect want(xSrc, ySrc, nWidth, nHeight);
  const QRect part = want.intersected(src->rect());
  if (part.isEmpty()) return TRUE;
  const QImage piece = SourceFor(m_hDC, pSrcDC, part);
  const QPoint at(x + (part.left() - xSrc), y + (part.top() - ySrc));
  Draw(m_hDC, [&](QPainter& p) {
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(at, piece);
  });
  return TRUE;
}

BOOL CDC::StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, int nSrcWidth,
                     int nSrcHeight, DWORD) {
  if (m_hDC == nullptr || nSrcWidth == 0 || nSrcHeight == 0) return FALSE;
  const QImage* src = SurfaceOf(pSrcDC);
  if (src == nullptr) return FALSE;
  const QRect want(xSrc, ySrc, nSrcWidth, nSrcHeight);
  const QRect part = want.intersected(src->rect());
  if (part.isEmpty()) return TRUE;
  const double sx = static_cast<double>(nWidth) / nSrcWidth;
  const double sy = static_cast<double>(nHeight) / nSrcHeight;
  const QRectF target(x + (part.left() - xSrc) * sx, y + (part.top() - ySrc) * sy, part.width() * sx,
                      part.height() * sy);
  const QImage piece = SourceFor(m_hDC, pSrcDC, part);
  const bool smooth = m_hDC->stretch == HALFTONE;
  Draw(m_hDC, [&](QPainter& p) {
    p.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    p.drawImage(target, piece);
  });
  return TRUE;
}

BOOL CDC::MaskBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, CBitmap& maskBitmap,
                  int xMask, int yMask, DWORD dwRop) {
  if (m_hDC == nullptr || nWidth <= 0 || nHeight <= 0) return FALSE;
  const QImage* src = SurfaceOf(pSrcDC);
  if (src == nullptr || maskBitmap.m_hObject == nullptr) return FALSE;
  const QImage& mask = maskBitmap.m_hObject->image;
  const int foreCode = static_cast<int>((dwRop >> 16) & 0xFF);
  const int backCode = static_cast<int>((dwRop >> 24) & 0xFF);
  // What lands on the destination: a source pixel, or nothing (the
  // destination stays). Pixels beyond the source bitmap or the mask leave
  // the destination as it is.
  QImage overlay(nWidth, nHeight, QImage::Format_ARGB32);
  overlay.fill(Qt::transparent);
  for (int j = 0; j < nHeight; ++j) {
    const int sy = ySrc + j;
    const int my = yMask + j;
    if (sy < 0 || sy >= src->height() || my < 0 || my >= mask.height()) continue;
    auto* out = reinterpret_cast<QRgb*>(overlay.scanLine(j));
    for (int i = 0; i < nWidth; ++i) {
      const int sx = xSrc + i;
      const int mx = xMask + i;
      if (sx < 0 || sx >= src->width() || mx < 0 || mx >= mask.width()) continue;
      const bool maskOn = (mask.pixel(mx, my) & 0x00FFFFFFu) != 0;
      const int code = maskOn ? foreCode : backCode;
      if (code == 0xAA) continue;  // keep the destination
      out[i] = src->pixel(sx, sy) | 0xFF000000u;
    }
  }
  Draw(m_hDC, [&](QPainter& p) {
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.drawImage(QPoint(x, y), overlay);
  });
  return TRUE;
}

int CDC::GetDeviceCaps(int nIndex) const {
  switch (nIndex) {
    case LOGPIXELSX:
    case LOGPIXELSY:
      return qv::ui::ScreenDpi();
    case HORZRES:
      return GetSystemMetrics(SM_CXSCREEN);
    case VERTRES:
      return GetSystemMetrics(SM_CYSCREEN);
    case BITSPIXEL:
      return 32;
    default:
      return 0;
  }
}

COLORREF CDC::GetPixel(int x, int y) const {
  if (m_hDC == nullptr) return CLR_INVALID;
  if (m_hDC->memory) {
    if (m_hDC->bitmap == nullptr || !m_hDC->bitmap->image.valid(x, y)) return CLR_INVALID;
    return qv::ui::FromQColor(QColor(m_hDC->bitmap->image.pixel(x, y)));
  }
  if (!m_hDC->scratch.isNull() && m_hDC->scratch.valid(x, y)) return qv::ui::FromQColor(QColor(m_hDC->scratch.pixel(x, y)));
  return CLR_INVALID;
}

namespace {
// A context on a window: the painter of its paint event while it runs;
// otherwise a scratch surface (the window is asked to repaint), or only the
// screen's capabilities when there is no window.
HDC WindowContext(CWnd* pWnd, bool faceBackground) {
  auto* dc = new HDC__;
  InitDefaults(dc);
  QWidget* w = pWnd && qv::ui::IsLive(pWnd->m_hWnd) ? pWnd->m_hWnd->widget.data() : nullptr;
  dc->widget = w;
  if (qv::ui::PaintContext* pc = qv::ui::CurrentPaint(w)) {
    dc->painter = pc->painter;
  } else if (w) {
    dc->scratch = QImage(std::max(1, w->width()), std::max(1, w->height()), QImage::Format_RGB32);
    if (faceBackground) dc->scratch.fill(qv::ui::ToQColor(GetSysColor(COLOR_BTNFACE)));
    dc->owned = std::make_unique<QPainter>(&dc->scratch);
    dc->painter = dc->owned.get();
    w->update();
  } else {
    dc->screenOnly = true;
  }
  return dc;
}
}  // namespace

CPaintDC::CPaintDC(CWnd* pWnd) { m_hDC = WindowContext(pWnd, true); }
CPaintDC::~CPaintDC() = default;

CClientDC::CClientDC(CWnd* pWnd) { m_hDC = WindowContext(pWnd, false); }
CClientDC::~CClientDC() = default;

CDC* CWnd::GetDC() { return new CClientDC(this); }

int CWnd::ReleaseDC(CDC* pDC) {
  delete pDC;
  return 1;
}

// ---------------------------------------------------------------------------

HICON AfxLoadIcon(UINT nID, int cx, int cy) {
  const qv::res::ImageEntry* e = qv::res::FindIcon(nID);
  if (e == nullptr) return nullptr;
  // A picture needs the application (an icon may be loaded before any
  // window exists).
  qv::ui::EnsureApp();
  QImage img = qv::ui::ImageFromXpm(e->xpm);
  if (img.isNull()) return nullptr;
  if (cx > 0 && cy > 0 && (img.width() != cx || img.height() != cy)) {
    img = img.scaled(cx, cy, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  auto* icon = new HICON__;
  icon->pixmap = QPixmap::fromImage(img);
  icon->icon = QIcon(icon->pixmap);
  return icon;
}

BOOL DestroyIcon(HICON hIcon) {
  delete hIcon;
  return hIcon != nullptr;
}

CSize IconSize(HICON hIcon) { return hIcon ? CSize(hIcon->pixmap.width(), hIcon->pixmap.height()) : CSize(); }

HGDIOBJ GetStockObject(int nIndex) { return Stock(nIndex); }

DWORD GetSysColor(int nIndex) {
  // The classic light colours the program's drawing was made for.
  switch (nIndex) {
    case COLOR_WINDOW:
      return RGB(255, 255, 255);
    case COLOR_WINDOWFRAME:
      return RGB(100, 100, 100);
    case COLOR_WINDOWTEXT:
    case COLOR_BTNTEXT:
      return RGB(0, 0, 0);
    case COLOR_BTNFACE:
      return RGB(240, 240, 240);
    case COLOR_BTNSHADOW:
      return RGB(160, 160, 160);
    case COLOR_BTNHIGHLIGHT:
      return RGB(255, 255, 255);
    case COLOR_3DDKSHADOW:
      return RGB(105, 105, 105);
    case COLOR_3DLIGHT:
      return RGB(227, 227, 227);
    case COLOR_GRAYTEXT:
      return RGB(109, 109, 109);
    case COLOR_BACKGROUND:
      return RGB(0, 0, 0);
    default:
      return RGB(240, 240, 240);
  }
}

HBRUSH GetSysColorBrush(int nIndex) {
  static HGDIOBJ brushes[32] = {};
  if (nIndex < 0 || nIndex >= 32) return nullptr;
  if (brushes[nIndex] == nullptr) {
    brushes[nIndex] = NewObject(HGDIOBJ__::Kind::Brush);
    brushes[nIndex]->color = GetSysColor(nIndex);
    brushes[nIndex]->stock = true;
  }
  return brushes[nIndex];
}
