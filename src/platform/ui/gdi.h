// Drawing: pens, brushes, fonts, bitmaps and icons, and the device context
// that draws with them on a window (during its paint message) or on a
// bitmap selected into a memory context.
#pragma once

#include "platform/base/cstring.h"
#include "platform/base/object.h"
#include "platform/ui/geometry.h"
#include "platform/ui/messages.h"

class CWnd;

// Stock objects.
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8

// Pen styles.
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_NULL 5

// Font parameters.
#define FW_DONTCARE 0
#define FW_NORMAL 400
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SHIFTJIS_CHARSET 128
#define OUT_DEFAULT_PRECIS 0
#define OUT_TT_PRECIS 4
#define CLIP_DEFAULT_PRECIS 0
#define CLIP_TT_ALWAYS (2 << 4)
#define DEFAULT_QUALITY 0
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE (0 << 4)
#define FF_ROMAN (1 << 4)
#define FF_SWISS (2 << 4)
#define FF_MODERN (3 << 4)

// Raster operations.
#define SRCCOPY 0x00CC0020u
#define SRCPAINT 0x00EE0086u
#define SRCAND 0x008800C6u
#define SRCINVERT 0x00660046u
#define NOTSRCCOPY 0x00330008u
#define BLACKNESS 0x00000042u
#define WHITENESS 0x00FF0062u
#define MAKEROP4(fore, back) (static_cast<DWORD>((((back) << 8) & 0xFF000000u) | (fore)))

// Stretch modes and background modes.
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4
#define TRANSPARENT 1
#define OPAQUE 2

// Device capabilities.
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define LOGPIXELSX 88
#define LOGPIXELSY 90

// DrawText flags.
#define DT_LEFT 0x0000
#define DT_CENTER 0x0001
#define DT_RIGHT 0x0002
#define DT_VCENTER 0x0004
#define DT_SINGLELINE 0x0020

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  void* bmBits;
};

class CGdiObject : public CObject {
  DECLARE_DYNAMIC(CGdiObject)

 public:
  CGdiObject() = default;
  ~CGdiObject() override;
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  HGDIOBJ m_hObject = nullptr;
  HGDIOBJ GetSafeHandle() const { return m_hObject; }
  operator HGDIOBJ() const { return m_hObject; }
  BOOL DeleteObject();
  BOOL Attach(HGDIOBJ h);
  HGDIOBJ Detach();
};

class CPen : public CGdiObject {
 public:
  CPen() = default;
  CPen(int nPenStyle, int nWidth, COLORREF crColor) { CreatePen(nPenStyle, nWidth, crColor); }
  BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor);
};

class CBrush : public CGdiObject {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF crColor) { CreateSolidBrush(crColor); }
  BOOL CreateSolidBrush(COLORREF crColor);
  BOOL CreateSysColorBrush(int nIndex);
  operator HBRUSH() const { return m_hObject; }
};

class CFont : public CGdiObject {
 public:
  BOOL CreateFontA(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                   BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                   BYTE nQuality, BYTE nPitchAndFamily, LPCSTR lpszFacename);
  BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                  BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                  BYTE nQuality, BYTE nPitchAndFamily, LPCSTR lpszFacename) {
    return CreateFontA(nHeight, nWidth, nEscapement, nOrientation, nWeight, bItalic, bUnderline, cStrikeOut,
                       nCharSet, nOutPrecision, nClipPrecision, nQuality, nPitchAndFamily, lpszFacename);
  }
  // nPointSize in tenths of a point.
  BOOL CreatePointFont(int nPointSize, LPCSTR lpszFaceName, class CDC* pDC = nullptr);
  // The pixel height the font was made with (negative: character height).
  int GetHeight() const;
  CString GetFaceName() const;
  int GetWeight() const;
};

class CBitmap : public CGdiObject {
 public:
  // A bitmap resource; FALSE when there is none.
  BOOL LoadBitmap(UINT nIDResource);
  BOOL CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits);
  BOOL CreateCompatibleBitmap(class CDC* pDC, int nWidth, int nHeight);
  int GetBitmap(BITMAP* pBitMap) const;
  CSize GetBitmapDimension() const;
  operator HBITMAP() const { return m_hObject; }
  // Colour of one pixel (tests and drawing checks); CLR_INVALID outside.
  COLORREF GetPixel(int x, int y) const;
};
#define CLR_INVALID 0xFFFFFFFFu

class CDC : public CObject {
  DECLARE_DYNAMIC(CDC)

 public:
  CDC();
  ~CDC() override;
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  HDC m_hDC = nullptr;
  HDC GetSafeHdc() const { return m_hDC; }

  // A memory context: drawing goes to the bitmap selected into it.
  BOOL CreateCompatibleDC(CDC* pDC);
  BOOL DeleteDC();

  CPen* SelectObject(CPen* pPen);
  CBrush* SelectObject(CBrush* pBrush);
  CFont* SelectObject(CFont* pFont);
  CBitmap* SelectObject(CBitmap* pBitmap);
  CGdiObject* SelectStockObject(int nIndex);

  COLORREF SetBkColor(COLORREF crColor);
  COLORREF GetBkColor() const;
  COLORREF SetTextColor(COLORREF crColor);
  COLORREF GetTextColor() const;
  int SetBkMode(int nBkMode);
  int SetStretchBltMode(int nStretchMode);
  int GetStretchBltMode() const;

  CPoint MoveTo(int x, int y);
  BOOL LineTo(int x, int y);
  BOOL Rectangle(int x1, int y1, int x2, int y2);
  BOOL Rectangle(LPCRECT lpRect) { return Rectangle(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom); }
  void FillRect(LPCRECT lpRect, CBrush* pBrush);
  void FillSolidRect(LPCRECT lpRect, COLORREF clr);
  void FillSolidRect(int x, int y, int cx, int cy, COLORREF clr);
  void Draw3dRect(LPCRECT lpRect, COLORREF clrTopLeft, COLORREF clrBottomRight);
  void Draw3dRect(int x, int y, int cx, int cy, COLORREF clrTopLeft, COLORREF clrBottomRight);
  BOOL TextOut(int x, int y, LPCTSTR lpszString, int nCount);
  int DrawText(LPCTSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat);

  // Copies from a memory context. Only the part of the source that lies on
  // its bitmap is copied; the rest of the destination stays as it is.
  BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop);
  BOOL StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, int nSrcWidth,
                  int nSrcHeight, DWORD dwRop);
  // Copies through a monochrome mask: where the mask is 1 the foreground
  // operation applies, where it is 0 the background one (MAKEROP4). The
  // operations SRCCOPY and "keep the destination" are supported.
  BOOL MaskBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, CBitmap& maskBitmap,
               int xMask, int yMask, DWORD dwRop);

  int GetDeviceCaps(int nIndex) const;
  COLORREF GetPixel(int x, int y) const;
};

// The context of a window's paint message (on the window while it is
// painted; a scratch surface otherwise).
class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* pWnd);
  ~CPaintDC() override;
};

// A context for reading the screen's capabilities (null window) or drawing
// on a window outside its paint message (drawn at the next repaint).
class CClientDC : public CDC {
 public:
  explicit CClientDC(CWnd* pWnd);
  ~CClientDC() override;
};
typedef CClientDC CWindowDC;

// Icons from the resources: the natural size, or cx x cy when given.
HICON AfxLoadIcon(UINT nID, int cx = 0, int cy = 0);
BOOL DestroyIcon(HICON hIcon);
CSize IconSize(HICON hIcon);
// The stock objects and system colours.
HGDIOBJ GetStockObject(int nIndex);
DWORD GetSysColor(int nIndex);
HBRUSH GetSysColorBrush(int nIndex);
