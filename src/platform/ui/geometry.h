// Points, sizes and rectangles as the program's window code spells them, and
// the colour value type.
#pragma once

#include "platform/base/wintypes.h"

struct POINT {
  LONG x;
  LONG y;
};
typedef POINT* LPPOINT;
struct SIZE {
  LONG cx;
  LONG cy;
};
typedef SIZE* LPSIZE;
struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
typedef RECT* LPRECT;
typedef const RECT* LPCRECT;

class CPoint : public POINT {
 public:
  CPoint() noexcept : POINT{0, 0} {}
  CPoint(int ix, int iy) noexcept : POINT{ix, iy} {}
  CPoint(POINT p) noexcept : POINT(p) {}
  // A packed pair: x in the low word, y in the high word, both signed.
  explicit CPoint(LPARAM packed) noexcept
      : POINT{static_cast<short>(LOWORD(packed)), static_cast<short>(HIWORD(packed))} {}
  void Offset(int dx, int dy) noexcept {
    x += dx;
    y += dy;
  }
  bool operator==(const CPoint& o) const noexcept { return x == o.x && y == o.y; }
};

class CSize : public SIZE {
 public:
  CSize() noexcept : SIZE{0, 0} {}
  CSize(int w, int h) noexcept : SIZE{w, h} {}
  CSize(SIZE s) noexcept : SIZE(s) {}
  bool operator==(const CSize& o) const noexcept { return cx == o.cx && cy == o.cy; }
};

class CRect : public RECT {
 public:
  CRect() noexcept : RECT{0, 0, 0, 0} {}
  CRect(int l, int t, int r, int b) noexcept : RECT{l, t, r, b} {}
  CRect(const RECT& r) noexcept : RECT(r) {}
  CRect(POINT topLeft, SIZE size) noexcept
      : RECT{topLeft.x, topLeft.y, topLeft.x + size.cx, topLeft.y + size.cy} {}

  int Width() const noexcept { return right - left; }
  int Height() const noexcept { return bottom - top; }
  CSize Size() const noexcept { return CSize(Width(), Height()); }
  CPoint TopLeft() const noexcept { return CPoint(left, top); }
  CPoint BottomRight() const noexcept { return CPoint(right, bottom); }
  CPoint CenterPoint() const noexcept { return CPoint((left + right) / 2, (top + bottom) / 2); }
  bool IsRectEmpty() const noexcept { return right <= left || bottom <= top; }
  bool PtInRect(POINT p) const noexcept { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  void SetRect(int l, int t, int r, int b) noexcept {
    left = l;
    top = t;
    right = r;
    bottom = b;
  }
  void SetRectEmpty() noexcept { SetRect(0, 0, 0, 0); }
  void InflateRect(int dx, int dy) noexcept {
    left -= dx;
    top -= dy;
    right += dx;
    bottom += dy;
  }
  void DeflateRect(int dx, int dy) noexcept { InflateRect(-dx, -dy); }
  void OffsetRect(int dx, int dy) noexcept {
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
  }
  bool operator==(const CRect& o) const noexcept {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  operator LPRECT() noexcept { return this; }
  operator LPCRECT() const noexcept { return this; }
};

typedef DWORD COLORREF;
#define RGB(r, g, b)                                                                              \
  (static_cast<COLORREF>((static_cast<BYTE>(r) | (static_cast<WORD>(static_cast<BYTE>(g)) << 8)) | \
                         (static_cast<DWORD>(static_cast<BYTE>(b)) << 16)))
#define GetRValue(c) (static_cast<BYTE>(c))
#define GetGValue(c) (static_cast<BYTE>((c) >> 8))
#define GetBValue(c) (static_cast<BYTE>((c) >> 16))

// MulDiv: a * b / c rounded to nearest, -1 when c is 0.
inline int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const long long p = static_cast<long long>(a) * b;
  const long long q = (p >= 0) == (c >= 0) ? (2 * p + c) / (2LL * c) : (2 * p - c) / (2LL * c);
  return static_cast<int>(q);
}
