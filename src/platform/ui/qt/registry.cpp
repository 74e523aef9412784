// Handle records, the event filter that turns Qt events into messages, and
// the queue of posted messages.
#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTimerEvent>
#include <QUrl>

#include <unordered_set>

#include "platform/os/paths.h"
#include "platform/ui/prompt.h"
#include "platform/ui/qt/hwnd.h"
#include "platform/ui/qt/shell_impl.h"
#include "platform/ui/winapp.h"

namespace qv::ui {
namespace {

std::unordered_set<HWND>& Live() {
  static std::unordered_set<HWND> live;
  return live;
}
QHash<const QObject*, HWND>& ByObject() {
  static QHash<const QObject*, HWND> byObject;
  return byObject;
}

// A message posted to a window, delivered from the event loop.
class PostedMessage : public QEvent {
 public:
  static QEvent::Type TypeId() {
    static const int type = QEvent::registerEventType();
    return static_cast<QEvent::Type>(type);
  }
  PostedMessage(HWND h, UINT m, WPARAM w, LPARAM l) : QEvent(TypeId()), hwnd(h), msg(m), wp(w), lp(l) {}
  HWND hwnd;
  UINT msg;
  WPARAM wp;
  LPARAM lp;
};

class Dispatcher : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() == PostedMessage::TypeId()) {
      auto* m = static_cast<PostedMessage*>(e);
      if (IsLive(m->hwnd) && m->hwnd->wnd) m->hwnd->wnd->SendMessage(m->msg, m->wp, m->lp);
      return true;
    }
    return QObject::event(e);
  }
};

Dispatcher* TheDispatcher() {
  static QPointer<Dispatcher> d;
  if (!d) {
    EnsureApp();
    d = new Dispatcher;
    d->moveToThread(QCoreApplication::instance()->thread());
  }
  return d;
}

// Whether the input message being handled asked for the default processing.
thread_local bool* t_defaultRequested = nullptr;

LPARAM PackPoint(const QPoint& p) { return MAKELPARAM(static_cast<WORD>(p.x()), static_cast<WORD>(p.y())); }

WPARAM MouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
  WPARAM f = 0;
  if (buttons & Qt::LeftButton) f |= MK_LBUTTON;
  if (buttons & Qt::RightButton) f |= MK_RBUTTON;
  if (mods & Qt::ShiftModifier) f |= MK_SHIFT;
  if (mods & Qt::ControlModifier) f |= MK_CONTROL;
  return f;
}

class MessageFilter : public QObject {
 public:
  bool eventFilter(QObject* object, QEvent* event) override {
    HWND h = HandleOf(object);
    if (h == nullptr || !IsLive(h) || h->destroying || h->wnd == nullptr) return false;
    QWidget* w = h->widget;
    if (w == nullptr) return false;
    switch (event->type()) {
      case QEvent::Timer: {
        auto it = h->timers.find(static_cast<QTimerEvent*>(event)->timerId());
        if (it == h->timers.end() || object != w) return false;
        h->wnd->SendMessage(WM_TIMER, it->second, 0);
        return true;
      }
      case QEvent::Resize:
        if (object != w) return false;
        h->wnd->SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(w->width(), w->height()));
        return false;
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(event);
        const QPoint p = w->mapFromGlobal(me->globalPosition().toPoint());
        UINT msg = 0;
        if (event->type() == QEvent::MouseMove) {
          msg = WM_MOUSEMOVE;
        } else if (me->button() == Qt::LeftButton) {
          msg = event->type() == QEvent::MouseButtonRelease ? WM_LBUTTONUP : WM_LBUTTONDOWN;
        } else if (me->button() == Qt::RightButton) {
          msg = event->type() == QEvent::MouseButtonRelease ? WM_RBUTTONUP : WM_RBUTTONDOWN;
        }
        if (msg == 0) return false;
        return DispatchInput(h, msg, MouseFlags(me->buttons() | me->button(), me->modifiers()), PackPoint(p));
      }
      case QEvent::KeyPress: {
        auto* ke = static_cast<QKeyEvent*>(event);
        const UINT vk = VirtualKey(ke->key());
        if (vk == 0) return false;
        return DispatchInput(h, WM_KEYDOWN, vk, MAKELPARAM(1, 0));
      }
      case QEvent::FocusOut:
        if (h->kind == Kind::ListView || h->kind == Kind::TreeView) {
          NMHDR hdr{};
          Notify(h, NM_KILLFOCUS, &hdr);
        }
        h->wnd->SendMessage(WM_KILLFOCUS, 0, 0);
        return false;
      case QEvent::FocusIn:
        h->wnd->SendMessage(WM_SETFOCUS, 0, 0);
        return false;
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        if (!(h->exStyle & WS_EX_ACCEPTFILES)) return false;
        auto* de = static_cast<QDropEvent*>(event);
        if (de->mimeData() && de->mimeData()->hasUrls()) {
          de->acceptProposedAction();
        } else {
          de->ignore();
        }
        return true;
      }
      case QEvent::Drop: {
        if (!(h->exStyle & WS_EX_ACCEPTFILES)) return false;
        auto* de = static_cast<QDropEvent*>(event);
        std::vector<std::string> paths;
        if (de->mimeData()) {
          for (const QUrl& url : de->mimeData()->urls()) {
            if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
          }
        }
        de->acceptProposedAction();
        DeliverDroppedFiles(h, paths);
        return true;
      }
      case QEvent::Close:
        if (object != w) return false;
        if (h->kind == Kind::Frame || h->kind == Kind::Generic) {
          event->ignore();
          h->wnd->SendMessage(WM_CLOSE, 0, 0);
          return true;
        }
        return false;
      default:
        return false;
    }
  }
};

MessageFilter* TheFilter() {
  static QPointer<MessageFilter> f;
  if (!f) f = new MessageFilter;
  return f;
}

}  // namespace

HWND Register(CWnd* wnd, QWidget* widget, Kind kind, HWND parent, int id, DWORD style, DWORD exStyle) {
  auto* h = new HWND__;
  h->widget = widget;
  h->wnd = wnd;
  h->kind = kind;
  h->parent = IsLive(parent) ? parent : nullptr;
  h->id = id;
  h->style = style;
  h->exStyle = exStyle;
  Live().insert(h);
  ByObject().insert(widget, h);
  if (h->parent) h->parent->children.push_back(h);
  if (wnd) wnd->m_hWnd = h;
  widget->installEventFilter(TheFilter());
  if (exStyle & WS_EX_ACCEPTFILES) widget->setAcceptDrops(true);
  // A widget deleted by Qt (with its parent) takes its handle with it.
  h->connections.push_back(QObject::connect(widget, &QObject::destroyed, [h]() {
    if (IsLive(h)) {
      h->widget = nullptr;
      Destroy(h);
    }
  }));
  return h;
}

void AddInputWidget(HWND h, QWidget* w) {
  if (!IsLive(h) || w == nullptr) return;
  ByObject().insert(w, h);
  w->installEventFilter(TheFilter());
  if (h->exStyle & WS_EX_ACCEPTFILES) w->setAcceptDrops(true);
  h->connections.push_back(QObject::connect(w, &QObject::destroyed, [w]() { ByObject().remove(w); }));
}

HWND HandleOf(const QObject* object) { return ByObject().value(object, nullptr); }

bool IsLive(HWND h) { return h != nullptr && Live().count(h) != 0; }

QWidget* ContainerOf(HWND h) {
  if (!IsLive(h) || !h->widget) return nullptr;
  if (auto* mw = qobject_cast<QMainWindow*>(h->widget.data())) {
    if (mw->centralWidget() == nullptr) {
      auto* c = new WndWidget(mw);
      mw->setCentralWidget(c);
    }
    return mw->centralWidget();
  }
  return h->widget;
}

void Destroy(HWND h) {
  if (!IsLive(h) || h->destroying) return;
  // The window with the focus loses it before the window holding it goes,
  // as on the platform: what a control keeps when it loses the focus (the
  // file list its column widths) is kept at every close too.
  if (QWidget* widget = h->widget) {
    QWidget* focus = QApplication::focusWidget();
    if (focus && (focus == widget || widget->isAncestorOf(focus))) focus->clearFocus();
    // Its handler may have destroyed the window itself.
    if (!IsLive(h) || h->destroying) return;
  }
  h->destroying = true;
  CWnd* wnd = h->wnd;
  if (wnd) wnd->SendMessage(WM_DESTROY, 0, 0);
  // Children first for the last message, as the platform does.
  const std::vector<HWND> kids = h->children;
  for (auto it = kids.rbegin(); it != kids.rend(); ++it) Destroy(*it);
  QWidget* widget = h->widget;
  if (widget) {
    for (const auto& t : h->timers) widget->killTimer(t.first);
    widget->removeEventFilter(TheFilter());
    // The widget is gone for the program: nothing it still signals may
    // reach a handle (a later one may sit at this one's address).
    widget->blockSignals(true);
    for (QObject* o : widget->findChildren<QObject*>()) o->blockSignals(true);
  }
  h->timers.clear();
  // Input widgets (viewports) of the handle.
  for (auto it = ByObject().begin(); it != ByObject().end();) {
    if (it.value() == h) {
      it = ByObject().erase(it);
    } else {
      ++it;
    }
  }
  if (h->parent && IsLive(h->parent)) {
    auto& siblings = h->parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), h), siblings.end());
  }
  if (widget) {
    widget->hide();
    // The top of a destroyed tree goes later (we may be inside its own
    // event); its children go with it.
    const bool parentGoing = h->parent && IsLive(h->parent) && h->parent->destroying;
    if (!parentGoing) widget->deleteLater();
  }
  CWinApp* app = AfxGetApp();
  const bool wasMain = app && wnd && app->m_pMainWnd == wnd;
  if (wnd) {
    wnd->m_hWnd = nullptr;
    qv::ui_detail_access::PostNcDestroy(wnd);  // may delete the object
  }
  if (wasMain) {
    app->m_pMainWnd = nullptr;
    PostQuitMessage(0);
  }
  for (const auto& c : h->connections) QObject::disconnect(c);
  if (h->freeData) h->freeData();
  CWnd* own = h->own;
  Live().erase(h);
  delete h;
  if (own) {
    own->m_hWnd = nullptr;
    delete own;
  }
}

bool DispatchInput(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = h->wnd;
  if (wnd == nullptr) return false;
  // Nobody handles it: the widget's own processing, at no cost.
  if (!wnd->HasHandler(message)) return false;
  bool defaultRequested = false;
  bool* saved = t_defaultRequested;
  t_defaultRequested = &defaultRequested;
  wnd->SendMessage(message, wParam, lParam);
  t_defaultRequested = saved;
  return IsLive(h) ? !defaultRequested : true;
}

void RequestDefault() {
  if (t_defaultRequested) *t_defaultRequested = true;
}

void Command(HWND control, int code) {
  if (!IsLive(control) || !IsLive(control->parent) || !control->parent->wnd) return;
  control->parent->wnd->SendMessage(WM_COMMAND, MAKEWPARAM(control->id, code), reinterpret_cast<LPARAM>(control));
}

LRESULT Notify(HWND control, UINT code, NMHDR* hdr) {
  if (!IsLive(control) || !IsLive(control->parent) || !control->parent->wnd) return 0;
  NMHDR local{};
  if (hdr == nullptr) hdr = &local;
  hdr->hwndFrom = control;
  hdr->idFrom = static_cast<UINT_PTR>(control->id);
  hdr->code = code;
  return control->parent->wnd->SendMessage(WM_NOTIFY, static_cast<WPARAM>(control->id), reinterpret_cast<LPARAM>(hdr));
}

void PostTo(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  QCoreApplication::postEvent(TheDispatcher(), new PostedMessage(h, msg, wp, lp));
}

}  // namespace qv::ui

BOOL IsWindow(HWND hWnd) { return qv::ui::IsLive(hWnd) && !hWnd->destroying ? TRUE : FALSE; }

LRESULT SendMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!IsWindow(hWnd) || hWnd->wnd == nullptr) return 0;
  return hWnd->wnd->SendMessage(msg, wParam, lParam);
}

BOOL PostMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!IsWindow(hWnd)) return FALSE;
  qv::ui::PostTo(hWnd, msg, wParam, lParam);
  return TRUE;
}

namespace qv::ui {
// The application's message loop runs (CWinApp::Run).
bool g_mainLoopRunning = false;
}  // namespace qv::ui

void PostQuitMessage(int nExitCode) {
  // Ends the application's message loop. Without one running nothing
  // happens: Qt would otherwise end every loop started later (a dialog's)
  // at once.
  if (QCoreApplication::instance() != nullptr && qv::ui::g_mainLoopRunning) QCoreApplication::exit(nExitCode);
}

namespace qv {
void PumpMessages() {
  if (QCoreApplication::instance() == nullptr) return;
  for (int i = 0; i < 4; ++i) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
}
}  // namespace qv

namespace qv::ui {
void DestroyAllWindows() {
  std::vector<HWND> tops;
  for (HWND h : Live()) {
    if (h->parent == nullptr) tops.push_back(h);
  }
  for (HWND h : tops) Destroy(h);
}
}  // namespace qv::ui
