// Inside the window layer: the handle record behind HWND, the Qt widgets
// that show windows, and the helpers the layer's files share. Never
// included by the program's code.
#pragma once

#include <QColor>
#include <QEvent>
#include <QFont>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/wnd.h"

namespace qv::ui {

enum class Kind {
  Generic,   // views, splitters, plain windows
  Frame,     // top-level frame (QMainWindow)
  Dialog,    // modal or modeless dialog, property sheet
  Page,      // property page (child of a sheet)
  Static,
  Line,
  GroupBox,
  Button,
  Edit,
  ComboBox,
  ListBox,
  ListView,
  TreeView,
  UpDown,
  ToolBar,
  StatusBar,
  Browser,   // stand-in handle of the folder picker for its callback
};

// Literals of the Qt-side sources are UTF-8: the code page 932 text of one.
std::string Cp932Of(const char* utf8);

// Code page 932 <-> Qt text. FromQ replaces what code page 932 cannot hold
// with '?', as the platform's conversion of typed text does.
QString ToQ(std::string_view cp932);
std::string FromQ(const QString& text);

}  // namespace qv::ui

struct HWND__ {
  QPointer<QWidget> widget;
  CWnd* wnd = nullptr;   // the permanent object
  CWnd* own = nullptr;   // default object made for a template control; deleted with the handle
  HWND parent = nullptr;
  std::vector<HWND> children;
  qv::ui::Kind kind = qv::ui::Kind::Generic;
  int id = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  std::map<int, UINT_PTR> timers;  // Qt timer id -> the program's id
  // The bytes last set as the text and what the widget showed for them: a
  // text the user did not change reads back as the same bytes even where
  // code page 932 has two codes for one character.
  std::string textBytes;
  QString textShown;
  bool textKnown = false;
  // Dialog base units (pixels per 4 horizontal / 8 vertical dialog units).
  int baseX = 0;
  int baseY = 0;
  int redrawOff = 0;
  bool destroying = false;
  bool createdFromTemplate = false;
  // Behaviour of the kind (list views and the like keep their data here).
  void* data = nullptr;
  std::function<void()> freeData;
  // Connections that refer to this record; cut when it goes, so a record
  // made later at the same address is never taken for it.
  std::vector<QMetaObject::Connection> connections;
};

namespace qv::ui {

// Creates the QApplication when none exists yet (tests, tools), with the
// layer's settings: no Qt high-DPI scaling, the "C" locale, the Fusion
// style with the classic light colours, the font substitutes for the
// program's Japanese faces.
void EnsureApp();

// Registers a window; installs the layer's event filter on the widget.
HWND Register(CWnd* wnd, QWidget* widget, Kind kind, HWND parent, int id, DWORD style, DWORD exStyle);
// Another widget whose input events belong to the handle (a viewport).
void AddInputWidget(HWND h, QWidget* w);
HWND HandleOf(const QObject* object);
bool IsLive(HWND h);
// Destroys the window and its children: WM_DESTROY, children, WM_NCDESTROY.
void Destroy(HWND h);
// The widget that holds the children of a window (frames: the central area).
QWidget* ContainerOf(HWND h);

// Text of a window of any kind.
void SetText(HWND h, std::string_view cp932);
std::string GetText(HWND h);

// Queues the message for the window (delivered only while it lives).
void PostTo(HWND h, UINT msg, WPARAM wp, LPARAM lp);
// Sends WM_COMMAND with the notification code to the control's parent.
void Command(HWND control, int code);
// Sends WM_NOTIFY with the header (filled with the control's handle, id and
// the code) to the control's parent; returns the handler's result.
LRESULT Notify(HWND control, UINT code, NMHDR* hdr = nullptr);
// Sends an input message to the window; true when a handler took it and did
// not ask for the default processing (the Qt event is then consumed).
bool DispatchInput(HWND h, UINT message, WPARAM wParam, LPARAM lParam);
// Called by DefWindowProc for input messages: the Qt widget processes them.
void RequestDefault();

void WaitCursor(int delta);

// The font of a dialog face and point size at the screen's resolution, and
// the dialog base units it gives.
QFont DialogFont(const char* face, int points);
void BaseUnits(const char* face, int points, int& baseX, int& baseY);
// Logical dots per inch of the screen (96 on a standard screen).
int ScreenDpi();
QColor ToQColor(COLORREF c);
COLORREF FromQColor(const QColor& c);

// The widget of a top-level window that should own a new dialog or box.
QWidget* OwnerWidget(CWnd* owner);

// A widget for generic windows: paints through WM_PAINT.
class WndWidget : public QWidget {
 public:
  explicit WndWidget(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// The painter of the paint event running now on `w`, or null.
class QPainterHolder;
struct PaintContext {
  QWidget* widget = nullptr;
  class QPainter* painter = nullptr;
  QRect clip;
};
PaintContext* CurrentPaint(QWidget* w);
// Sends WM_PAINT to the window of `w` with a painter open on it; false when
// the window has no paint handler.
bool PaintThroughMessage(QWidget* w, QPaintEvent* event);

// Virtual key of a Qt key, 0 when none.
UINT VirtualKey(int qtKey);

}  // namespace qv::ui
