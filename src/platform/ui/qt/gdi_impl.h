// Inside the window layer: what pens, brushes, fonts, bitmaps, icons and
// device contexts are in Qt terms.
#pragma once

#include <QFont>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <memory>

#include "platform/ui/gdi.h"

struct HGDIOBJ__ {
  enum class Kind { Pen, Brush, Font, Bitmap } kind;
  bool stock = false;
  int penStyle = PS_SOLID;
  int penWidth = 1;
  COLORREF color = 0;
  bool nullBrush = false;
  QFont font;
  int fontHeight = 0;
  int fontWeight = FW_NORMAL;
  CString face;
  QImage image;  // bitmaps; Format_RGB32 (monochrome: white 1, black 0)
  bool mono = false;
};

struct HDC__ {
  QPointer<QWidget> widget;
  QPainter* painter = nullptr;      // window painting (borrowed or owned)
  std::unique_ptr<QPainter> owned;  // scratch painter
  QImage scratch;
  bool memory = false;
  bool screenOnly = false;
  HGDIOBJ pen = nullptr;
  HGDIOBJ brush = nullptr;
  HGDIOBJ font = nullptr;
  HGDIOBJ bitmap = nullptr;
  // The objects selected, handed back by the next selection of their kind.
  CGdiObject* penObj = nullptr;
  CGdiObject* brushObj = nullptr;
  CGdiObject* fontObj = nullptr;
  CGdiObject* bitmapObj = nullptr;
  COLORREF bk = 0xFFFFFF;
  COLORREF text = 0;
  int bkMode = OPAQUE;
  int stretch = BLACKONWHITE;
  QPoint pos;
};

struct HICON__ {
  QPixmap pixmap;
  QIcon icon;
};

namespace qv::ui {
QFont FontOf(const CFont& font);
QIcon IconOf(HICON icon);
QImage ImageOf(HBITMAP bitmap);
QPixmap PixmapOfBitmapResource(UINT id);
// The image of an XPM resource table, null image when missing.
QImage ImageFromXpm(const char* const* xpm);
}  // namespace qv::ui
