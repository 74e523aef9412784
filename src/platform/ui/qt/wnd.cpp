#include "platform/ui/wnd.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QWidget>

#include <cstring>
#include <vector>

#include "platform/ui/dialog.h"
#include "platform/ui/frame.h"
#include "platform/ui/gdi.h"
#include "platform/ui/menu.h"
#include "platform/base/codepage.h"
#include "platform/ui/qt/controls_impl.h"
#include "platform/ui/qt/gdi_impl.h"
#include "platform/ui/qt/hwnd.h"
#include "platform/ui/winapp.h"

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

namespace {

// The messages being handled, innermost last (for Default()).
struct CurrentMsg {
  CWnd* wnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
thread_local std::vector<CurrentMsg> t_msgStack;

bool IsInputMessage(UINT m) {
  switch (m) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MOUSEMOVE:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
      return true;
    default:
      return false;
  }
}

QWidget* Widget(const CWnd* w) { return w && qv::ui::IsLive(w->m_hWnd) ? w->m_hWnd->widget.data() : nullptr; }

QRect ScreenRect(const QWidget* w) {
  const QPoint tl = w->isWindow() ? w->frameGeometry().topLeft() : w->mapToGlobal(QPoint(0, 0));
  const QSize size = w->isWindow() ? w->frameGeometry().size() : w->size();
  return QRect(tl, size);
}

}  // namespace

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::~CWnd() {
  if (qv::ui::IsLive(m_hWnd)) {
    if (m_hWnd->wnd == this) {
      if (m_hWnd->own == this) {
        m_hWnd->own = nullptr;
        m_hWnd->wnd = nullptr;
      } else if (m_hWnd->createdFromTemplate) {
        // A member that subclassed a control of its dialog: the control
        // stays with the dialog, without an object of its own.
        m_hWnd->wnd = nullptr;
      } else {
        qv::ui::Destroy(m_hWnd);
      }
    }
  }
  m_hWnd = nullptr;
}

CWnd* CWnd::FromHandle(HWND hWnd) { return qv::ui::IsLive(hWnd) ? hWnd->wnd : nullptr; }

BOOL CWnd::Attach(HWND hWnd) {
  if (!qv::ui::IsLive(hWnd) || m_hWnd != nullptr) return FALSE;
  CWnd* previous = hWnd->wnd;
  hWnd->wnd = this;
  m_hWnd = hWnd;
  if (previous && previous != this) {
    previous->m_hWnd = nullptr;
    // A control that keeps its items in its object hands them over.
    if (auto* from = dynamic_cast<CListBox*>(previous)) {
      if (auto* to = dynamic_cast<CListBox*>(this)) to->TakeItemsFrom(*from);
    } else if (auto* fromCombo = dynamic_cast<CComboBox*>(previous)) {
      if (auto* toCombo = dynamic_cast<CComboBox*>(this)) toCombo->TakeItemsFrom(*fromCombo);
    } else if (auto* fromStatic = dynamic_cast<CStatic*>(previous)) {
      // The icon or bitmap the template gave the static stays its own.
      if (auto* toStatic = dynamic_cast<CStatic*>(this)) {
        if (fromStatic->GetIcon()) toStatic->SetIcon(fromStatic->GetIcon());
        if (fromStatic->GetBitmap()) toStatic->SetBitmap(fromStatic->GetBitmap());
      }
    }
    if (hWnd->own == previous) {
      hWnd->own = nullptr;
      delete previous;
    }
  }
  return TRUE;
}

HWND CWnd::Detach() {
  HWND h = m_hWnd;
  if (qv::ui::IsLive(h) && h->wnd == this) h->wnd = nullptr;
  m_hWnd = nullptr;
  return h;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
  if (pParent == nullptr) return FALSE;
  CWnd* item = pParent->GetDlgItem(static_cast<int>(nID));
  return item ? Attach(item->m_hWnd) : FALSE;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT&) { return TRUE; }

BOOL CWnd::Create(LPCTSTR, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID,
                  CCreateContext* pContext) {
  qv::ui::EnsureApp();
  CREATESTRUCT cs{};
  cs.lpCreateParams = pContext;
  cs.style = static_cast<LONG>(dwStyle);
  cs.x = rect.left;
  cs.y = rect.top;
  cs.cx = rect.right - rect.left;
  cs.cy = rect.bottom - rect.top;
  cs.lpszName = lpszWindowName;
  cs.hwndParent = pParentWnd ? pParentWnd->m_hWnd : nullptr;
  if (!PreCreateWindow(cs)) return FALSE;
  QWidget* parentWidget = cs.hwndParent ? qv::ui::ContainerOf(cs.hwndParent) : nullptr;
  auto* w = new qv::ui::WndWidget(parentWidget);
  w->setGeometry(cs.x, cs.y, cs.cx, cs.cy);
  qv::ui::Register(this, w, qv::ui::Kind::Generic, cs.hwndParent, static_cast<int>(nID),
                   static_cast<DWORD>(cs.style), cs.dwExStyle);
  if (lpszWindowName) qv::ui::SetText(m_hWnd, lpszWindowName);
  if (SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow();
    return FALSE;
  }
  if (dwStyle & WS_VISIBLE) w->show();
  return TRUE;
}

BOOL CWnd::DestroyWindow() {
  if (!qv::ui::IsLive(m_hWnd)) return FALSE;
  qv::ui::Destroy(m_hWnd);
  return TRUE;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!qv::ui::IsLive(m_hWnd) && message != WM_DESTROY) {
    // A window that is gone gets nothing; objects without a window still
    // answer their own commands (a menu may name them).
    if (message != WM_COMMAND) return 0;
  }
  return WindowProc(message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep) {
  if (!qv::ui::IsLive(m_hWnd)) return;
  const std::vector<HWND> kids = m_hWnd->children;
  for (HWND k : kids) {
    if (!qv::ui::IsLive(k)) continue;
    if (k->wnd) k->wnd->SendMessage(message, wParam, lParam);
    if (bDeep && qv::ui::IsLive(k) && k->wnd) k->wnd->SendMessageToDescendants(message, wParam, lParam, TRUE);
  }
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  t_msgStack.push_back({this, message, wParam, lParam});
  struct Pop {
    ~Pop() { t_msgStack.pop_back(); }
  } pop;
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  return result;
}

LRESULT CWnd::Default() {
  if (t_msgStack.empty()) return 0;
  const CurrentMsg m = t_msgStack.back();
  return DefWindowProc(m.message, m.wParam, m.lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  if (message == WM_COMMAND) {
    const UINT nID = LOWORD(wParam);
    const int nCode = static_cast<short>(HIWORD(wParam));
    if (lParam == 0 && nID != 0 && (nCode == 0 || nCode == 1)) {
      // A command (menu, accelerator, or sent by its id) whose update rule
      // disables it does not run, however it arrives.
      CCmdUI ui;
      ui.m_nID = nID;
      ui.DoUpdate(this, FALSE);
      if (!ui.m_bEnabled) {
        *pResult = 1;
        return TRUE;
      }
    }
    if (OnCommand(wParam, lParam)) {
      *pResult = 1;
      return TRUE;
    }
    return FALSE;
  }
  if (message == WM_NOTIFY) {
    LRESULT r = 0;
    if (OnNotify(wParam, lParam, &r)) {
      *pResult = r;
      return TRUE;
    }
    return FALSE;
  }
  const AFX_MSGMAP_ENTRY* e = FindEntry(GetMessageMap(), message, 0, 0);
  if (e == nullptr) return FALSE;
  qv::MsgCall call;
  call.message = message;
  call.wParam = wParam;
  call.lParam = lParam;
  *pResult = e->pfn(this, call);
  return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT nID = LOWORD(wParam);
  const int nCode = static_cast<short>(HIWORD(wParam));
  // Accelerators (code 1, no control) run commands like menus do; a
  // control's code 1 is its notification (CBN_SELCHANGE, LBN_SELCHANGE).
  return OnCmdMsg(nID, nCode == 1 && lParam == 0 ? CN_COMMAND : nCode, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) {
  auto* hdr = reinterpret_cast<NMHDR*>(lParam);
  if (hdr == nullptr) return FALSE;
  qv::NotifyCall nc{hdr, pResult};
  const int code = static_cast<int>(MAKELONG(static_cast<WORD>(hdr->code), WM_NOTIFY));
  return OnCmdMsg(static_cast<UINT>(hdr->idFrom), code, &nc, nullptr);
}

void CWnd::PostNcDestroy() {}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsInputMessage(message)) {
    qv::ui::RequestDefault();
    return 0;
  }
  HWND h = m_hWnd;
  if (!qv::ui::IsLive(h)) return 0;
  switch (message) {
    case WM_CLOSE:
      DestroyWindow();
      return 0;
    case WM_SETTEXT:
      qv::ui::SetText(h, reinterpret_cast<const char*>(lParam) ? reinterpret_cast<const char*>(lParam) : "");
      return TRUE;
    case WM_GETTEXT: {
      auto* buf = reinterpret_cast<char*>(lParam);
      if (buf == nullptr || wParam == 0) return 0;
      const std::string t = qv::ui::GetText(h);
      size_t n = std::min(t.size(), static_cast<size_t>(wParam) - 1);
      // Never end inside a double-byte character.
      size_t cut = 0;
      while (cut < n) {
        const size_t step = qv::IsCp932Lead(static_cast<unsigned char>(t[cut])) && cut + 1 < t.size() ? 2 : 1;
        if (cut + step > n) break;
        cut += step;
      }
      std::memcpy(buf, t.data(), cut);
      buf[cut] = 0;
      return static_cast<LRESULT>(cut);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(qv::ui::GetText(h).size());
    case WM_SETREDRAW:
      if (h->widget) h->widget->setUpdatesEnabled(wParam != 0);
      return 0;
    case WM_SETFONT:
      return 0;
    case WM_NCHITTEST:
      return HTCLIENT;
    case WM_ERASEBKGND:
      return TRUE;
    case BM_GETCHECK:
      if (auto* b = qobject_cast<QAbstractButton*>(h->widget.data())) return b->isChecked() ? BST_CHECKED : BST_UNCHECKED;
      return 0;
    case BM_SETCHECK:
      if (auto* b = qobject_cast<QAbstractButton*>(h->widget.data())) {
        const QSignalBlocker block(b);
        b->setChecked(wParam == BST_CHECKED);
      }
      return 0;
    case BM_CLICK:
      if (auto* b = qobject_cast<QAbstractButton*>(h->widget.data())) b->click();
      return 0;
    default:
      return 0;
  }
}

BOOL CWnd::ShowWindow(int nCmdShow) {
  QWidget* w = Widget(this);
  if (w == nullptr) return FALSE;
  const BOOL wasVisible = w->isVisible();
  const bool show = nCmdShow != SW_HIDE;
  // The window hears of it only when it really appears or goes.
  if ((show != 0) != (wasVisible != 0)) SendMessage(WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
  if (!qv::ui::IsLive(m_hWnd)) return wasVisible;
  if (show) {
    m_hWnd->style |= WS_VISIBLE;
    if (nCmdShow == SW_SHOWMAXIMIZED) {
      w->showMaximized();
    } else if (nCmdShow == SW_SHOWMINIMIZED || nCmdShow == SW_MINIMIZE) {
      w->showMinimized();
    } else {
      w->show();
    }
    if (w->isWindow() && nCmdShow != SW_SHOWNA && nCmdShow != SW_SHOWNOACTIVATE) w->raise();
  } else {
    m_hWnd->style &= ~static_cast<DWORD>(WS_VISIBLE);
    w->hide();
  }
  return wasVisible;
}

BOOL CWnd::IsWindowVisible() const {
  QWidget* w = Widget(this);
  return w && w->isVisible() ? TRUE : FALSE;
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
  QWidget* w = Widget(this);
  if (w == nullptr) return FALSE;
  const BOOL wasDisabled = !w->isEnabled();
  w->setEnabled(bEnable != FALSE);
  if (bEnable) {
    m_hWnd->style &= ~static_cast<DWORD>(WS_DISABLED);
  } else {
    m_hWnd->style |= WS_DISABLED;
  }
  return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const {
  QWidget* w = Widget(this);
  return w && w->isEnabled() ? TRUE : FALSE;
}

BOOL CWnd::IsIconic() const {
  QWidget* w = Widget(this);
  return w && w->isMinimized() ? TRUE : FALSE;
}

BOOL CWnd::IsZoomed() const {
  QWidget* w = Widget(this);
  return w && w->isMaximized() ? TRUE : FALSE;
}

void CWnd::SetWindowText(LPCTSTR lpszString) {
  if (!qv::ui::IsLive(m_hWnd)) return;
  SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpszString ? lpszString : ""));
  // A static that chooses its own colours is asked again, as at every
  // repaint on Windows.
  qv::ui::RefreshStaticColors(m_hWnd);
}

int CWnd::GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const {
  if (lpszStringBuf == nullptr || nMaxCount <= 0) return 0;
  lpszStringBuf[0] = 0;
  if (!qv::ui::IsLive(m_hWnd)) return 0;
  return static_cast<int>(const_cast<CWnd*>(this)->SendMessage(WM_GETTEXT, static_cast<WPARAM>(nMaxCount),
                                                                 reinterpret_cast<LPARAM>(lpszStringBuf)));
}

void CWnd::GetWindowText(CString& rString) const {
  rString.Empty();
  if (!qv::ui::IsLive(m_hWnd)) return;
  const std::string t = qv::ui::GetText(m_hWnd);
  rString = CString(std::string_view(t));
}

int CWnd::GetWindowTextLength() const {
  return qv::ui::IsLive(m_hWnd) ? static_cast<int>(qv::ui::GetText(m_hWnd).size()) : 0;
}

DWORD CWnd::GetStyle() const {
  if (!qv::ui::IsLive(m_hWnd)) return 0;
  DWORD s = m_hWnd->style & ~static_cast<DWORD>(WS_VISIBLE | WS_DISABLED);
  if (QWidget* w = m_hWnd->widget) {
    if (w->isVisible()) s |= WS_VISIBLE;
    if (!w->isEnabled()) s |= WS_DISABLED;
  }
  return s;
}

DWORD CWnd::GetExStyle() const { return qv::ui::IsLive(m_hWnd) ? m_hWnd->exStyle : 0; }

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT) {
  if (!qv::ui::IsLive(m_hWnd)) return FALSE;
  const DWORD before = m_hWnd->style;
  m_hWnd->style = (before & ~dwRemove) | dwAdd;
  return before != m_hWnd->style;
}

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT) {
  if (!qv::ui::IsLive(m_hWnd)) return FALSE;
  const DWORD before = m_hWnd->exStyle;
  m_hWnd->exStyle = (before & ~dwRemove) | dwAdd;
  if (QWidget* w = m_hWnd->widget) w->setAcceptDrops((m_hWnd->exStyle & WS_EX_ACCEPTFILES) != 0);
  return before != m_hWnd->exStyle;
}

int CWnd::GetDlgCtrlID() const { return qv::ui::IsLive(m_hWnd) ? m_hWnd->id : 0; }

int CWnd::SetDlgCtrlID(int nID) {
  if (!qv::ui::IsLive(m_hWnd)) return 0;
  const int old = m_hWnd->id;
  m_hWnd->id = nID;
  return old;
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
  SetWindowPos(nullptr, x, y, nWidth, nHeight, SWP_NOZORDER | (bRepaint ? 0 : SWP_NOREDRAW));
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint) {
  if (lpRect) MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint);
}

BOOL CWnd::SetWindowPos(const CWnd*, int x, int y, int cx, int cy, UINT nFlags) {
  QWidget* w = Widget(this);
  if (w == nullptr) return FALSE;
  if (!(nFlags & SWP_NOMOVE)) {
    if (w->isWindow()) {
      w->move(x, y);
    } else {
      w->move(x, y);
    }
  }
  if (!(nFlags & SWP_NOSIZE)) w->resize(std::max(0, cx), std::max(0, cy));
  if (nFlags & SWP_SHOWWINDOW) ShowWindow(SW_SHOW);
  if (nFlags & SWP_HIDEWINDOW) ShowWindow(SW_HIDE);
  if (!(nFlags & SWP_NOREDRAW)) w->update();
  return TRUE;
}

void CWnd::GetWindowRect(LPRECT lpRect) const {
  if (lpRect == nullptr) return;
  *lpRect = RECT{0, 0, 0, 0};
  QWidget* w = Widget(this);
  if (w == nullptr) return;
  const QRect r = ScreenRect(w);
  *lpRect = RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

void CWnd::GetClientRect(LPRECT lpRect) const {
  if (lpRect == nullptr) return;
  *lpRect = RECT{0, 0, 0, 0};
  QWidget* w = Widget(this);
  if (w == nullptr) return;
  *lpRect = RECT{0, 0, w->width(), w->height()};
}

void CWnd::ClientToScreen(LPPOINT lpPoint) const {
  QWidget* w = Widget(this);
  if (w == nullptr || lpPoint == nullptr) return;
  const QPoint p = w->mapToGlobal(QPoint(lpPoint->x, lpPoint->y));
  lpPoint->x = p.x();
  lpPoint->y = p.y();
}

void CWnd::ClientToScreen(LPRECT lpRect) const {
  if (lpRect == nullptr) return;
  POINT tl{lpRect->left, lpRect->top};
  POINT br{lpRect->right, lpRect->bottom};
  ClientToScreen(&tl);
  ClientToScreen(&br);
  *lpRect = RECT{tl.x, tl.y, br.x, br.y};
}

void CWnd::ScreenToClient(LPPOINT lpPoint) const {
  QWidget* w = Widget(this);
  if (w == nullptr || lpPoint == nullptr) return;
  const QPoint p = w->mapFromGlobal(QPoint(lpPoint->x, lpPoint->y));
  lpPoint->x = p.x();
  lpPoint->y = p.y();
}

void CWnd::ScreenToClient(LPRECT lpRect) const {
  if (lpRect == nullptr) return;
  POINT tl{lpRect->left, lpRect->top};
  POINT br{lpRect->right, lpRect->bottom};
  ScreenToClient(&tl);
  ScreenToClient(&br);
  *lpRect = RECT{tl.x, tl.y, br.x, br.y};
}

void CWnd::MapWindowPoints(CWnd* pwndTo, LPRECT lpRect) const {
  if (lpRect == nullptr) return;
  ClientToScreen(lpRect);
  if (pwndTo) pwndTo->ScreenToClient(lpRect);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
  QWidget* w = Widget(this);
  if (w == nullptr) return;
  QWidget* owner = Widget(pAlternateOwner ? pAlternateOwner : GetParent());
  QRect area = owner ? ScreenRect(owner) : (w->screen() ? w->screen()->availableGeometry() : QRect(0, 0, 1280, 1024));
  w->move(area.center() - QPoint(w->width() / 2, w->height() / 2));
}

BOOL CWnd::BringWindowToTop() {
  QWidget* w = Widget(this);
  if (w == nullptr) return FALSE;
  w->raise();
  return TRUE;
}

void CWnd::Invalidate(BOOL) {
  qv::ui::RefreshStaticColors(m_hWnd);
  if (QWidget* w = Widget(this)) w->update();
}

void CWnd::InvalidateRect(LPCRECT lpRect, BOOL) {
  QWidget* w = Widget(this);
  if (w == nullptr) return;
  if (lpRect) {
    w->update(QRect(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top));
  } else {
    w->update();
  }
}

void CWnd::UpdateWindow() {
  if (QWidget* w = Widget(this)) w->repaint();
}

BOOL CWnd::RedrawWindow(LPCRECT lpRectUpdate, void*, UINT flags) {
  QWidget* w = Widget(this);
  if (w == nullptr) return FALSE;
  qv::ui::RefreshStaticColors(m_hWnd);
  if (flags & RDW_INVALIDATE) InvalidateRect(lpRectUpdate, (flags & RDW_ERASE) != 0);
  if (flags & RDW_UPDATENOW) w->repaint();
  return TRUE;
}

void CWnd::SetRedraw(BOOL bRedraw) { SendMessage(WM_SETREDRAW, bRedraw ? TRUE : FALSE, 0); }

void CWnd::SetFont(CFont* pFont, BOOL bRedraw) {
  m_pFont = pFont;
  QWidget* w = Widget(this);
  if (w == nullptr || pFont == nullptr || pFont->m_hObject == nullptr) return;
  w->setFont(qv::ui::FontOf(*pFont));
  if (bRedraw) w->update();
}

CFont* CWnd::GetFont() const { return m_pFont; }

HICON CWnd::SetIcon(HICON hIcon, BOOL) {
  QWidget* w = Widget(this);
  if (w && hIcon) w->setWindowIcon(qv::ui::IconOf(hIcon));
  return nullptr;
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, void (*)(HWND, UINT, UINT_PTR, DWORD)) {
  QWidget* w = Widget(this);
  if (w == nullptr) return 0;
  KillTimer(nIDEvent);
  const int qtId = w->startTimer(static_cast<int>(nElapse == 0 ? 1 : nElapse));
  if (qtId == 0) return 0;
  m_hWnd->timers[qtId] = nIDEvent;
  return nIDEvent;
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
  QWidget* w = Widget(this);
  if (w == nullptr) return FALSE;
  for (auto it = m_hWnd->timers.begin(); it != m_hWnd->timers.end(); ++it) {
    if (it->second == nIDEvent) {
      w->killTimer(it->first);
      m_hWnd->timers.erase(it);
      return TRUE;
    }
  }
  return FALSE;
}

CWnd* CWnd::GetParent() const {
  if (!qv::ui::IsLive(m_hWnd)) return nullptr;
  return FromHandle(m_hWnd->parent);
}

CWnd* CWnd::GetTopLevelParent() const {
  if (!qv::ui::IsLive(m_hWnd)) return nullptr;
  HWND h = m_hWnd;
  while (qv::ui::IsLive(h->parent) && !(h->widget && h->widget->isWindow())) h = h->parent;
  return FromHandle(h);
}

CFrameWnd* CWnd::GetParentFrame() const {
  if (!qv::ui::IsLive(m_hWnd)) return nullptr;
  for (HWND h = m_hWnd->parent; qv::ui::IsLive(h); h = h->parent) {
    if (auto* f = dynamic_cast<CFrameWnd*>(h->wnd)) return f;
  }
  return nullptr;
}

CWnd* CWnd::GetDlgItem(int nID) const { return FromHandle(::GetDlgItem(m_hWnd, nID)); }

void CWnd::SetDlgItemText(int nID, LPCTSTR lpszString) {
  if (CWnd* item = GetDlgItem(nID)) item->SetWindowText(lpszString);
}

int CWnd::GetDlgItemText(int nID, CString& rString) const {
  rString.Empty();
  if (CWnd* item = GetDlgItem(nID)) item->GetWindowText(rString);
  return rString.GetLength();
}

void CWnd::CheckDlgButton(int nIDButton, UINT nCheck) {
  if (CWnd* item = GetDlgItem(nIDButton)) item->SendMessage(BM_SETCHECK, nCheck, 0);
}

UINT CWnd::IsDlgButtonChecked(int nIDButton) const {
  CWnd* item = GetDlgItem(nIDButton);
  return item ? static_cast<UINT>(item->SendMessage(BM_GETCHECK, 0, 0)) : 0;
}

CWnd* CWnd::SetFocus() {
  CWnd* old = GetFocus();
  if (QWidget* w = Widget(this)) w->setFocus(Qt::OtherFocusReason);
  return old;
}

CWnd* CWnd::GetFocus() {
  if (QApplication::instance() == nullptr) return nullptr;
  for (QWidget* w = QApplication::focusWidget(); w != nullptr; w = w->parentWidget()) {
    if (HWND h = qv::ui::HandleOf(w)) return FromHandle(h);
  }
  return nullptr;
}

CWnd* CWnd::GetActiveWindow() {
  if (QApplication::instance() == nullptr) return nullptr;
  QWidget* w = QApplication::activeWindow();
  return w ? FromHandle(qv::ui::HandleOf(w)) : nullptr;
}

CWnd* CWnd::GetNextDlgTabItem(CWnd* pWndCtl, BOOL bPrevious) const {
  if (!qv::ui::IsLive(m_hWnd)) return nullptr;
  const auto& kids = m_hWnd->children;
  if (kids.empty()) return nullptr;
  int at = -1;
  for (size_t i = 0; i < kids.size(); ++i) {
    if (pWndCtl && kids[i] == pWndCtl->m_hWnd) at = static_cast<int>(i);
  }
  const int n = static_cast<int>(kids.size());
  for (int step = 1; step <= n; ++step) {
    const int i = ((at + (bPrevious ? -step : step)) % n + n) % n;
    HWND k = kids[static_cast<size_t>(i)];
    if ((k->style & WS_TABSTOP) && k->widget && k->widget->isVisible() && k->widget->isEnabled()) return FromHandle(k);
  }
  return nullptr;
}

void CWnd::DragAcceptFiles(BOOL bAccept) {
  if (!qv::ui::IsLive(m_hWnd)) return;
  ModifyStyleEx(bAccept ? 0 : WS_EX_ACCEPTFILES, bAccept ? WS_EX_ACCEPTFILES : 0);
  // Scroll areas take drops on their viewport.
  if (auto* area = qobject_cast<QAbstractScrollArea*>(m_hWnd->widget.data())) {
    area->viewport()->setAcceptDrops(bAccept != FALSE);
  }
}

void CWnd::DoDataExchange(CDataExchange*) {}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange dx(this, bSaveAndValidate);
  try {
    DoDataExchange(&dx);
  } catch (const CUserException&) {
    return FALSE;
  }
  return TRUE;
}

int CWnd::MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) {
  qv::MessageRequest r{lpszText ? lpszText : "", lpszCaption ? lpszCaption : AfxGetAppName(), nType, 0};
  const qv::OpenQuestion open;
  return qv::GetPeople().Message(r);
}

CMenu* CWnd::GetMenu() const {
  if (auto* f = dynamic_cast<const CFrameWnd*>(this)) return f->GetFrameMenu();
  return nullptr;
}

// Default handlers: the window's own processing.
int CWnd::OnCreate(LPCREATESTRUCT) { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnPaint() { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnGetMinMaxInfo(MINMAXINFO*) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKillFocus(CWnd*) { Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }
void CWnd::OnDropFiles(HDROP) { Default(); }
LRESULT CWnd::OnNcHitTest(CPoint) { return Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }

// ---------------------------------------------------------------------------

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
  CWnd* w = CWnd::FromHandle(hWnd);
  return w ? w->ShowWindow(nCmdShow) : FALSE;
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
  CWnd* w = CWnd::FromHandle(hWnd);
  return w ? w->EnableWindow(bEnable) : FALSE;
}

BOOL SetWindowTextA(HWND hWnd, LPCSTR text) {
  CWnd* w = CWnd::FromHandle(hWnd);
  if (w == nullptr) return FALSE;
  w->SetWindowText(text);
  return TRUE;
}

int GetWindowTextA(HWND hWnd, LPSTR text, int nMaxCount) {
  CWnd* w = CWnd::FromHandle(hWnd);
  if (w == nullptr) {
    if (text && nMaxCount > 0) text[0] = 0;
    return 0;
  }
  return w->GetWindowText(text, nMaxCount);
}

HWND GetDlgItem(HWND hDlg, int nID) {
  if (!qv::ui::IsLive(hDlg)) return nullptr;
  for (HWND k : hDlg->children) {
    if (k->id == nID && !k->destroying) return k;
  }
  return nullptr;
}

BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
  CWnd* w = CWnd::FromHandle(hWnd);
  if (w == nullptr) return FALSE;
  w->InvalidateRect(lpRect, bErase);
  return TRUE;
}

BOOL RedrawWindow(HWND hWnd, const RECT* lprcUpdate, void* hrgnUpdate, UINT flags) {
  CWnd* w = CWnd::FromHandle(hWnd);
  return w ? w->RedrawWindow(lprcUpdate, hrgnUpdate, flags) : FALSE;
}

HWND GetDesktopWindow() { return nullptr; }

CWnd* AfxGetMainWnd() {
  CWinApp* app = AfxGetApp();
  return app ? app->m_pMainWnd : nullptr;
}

int GetSystemMetrics(int nIndex) {
  qv::ui::EnsureApp();
  QScreen* s = QGuiApplication::primaryScreen();
  const QRect g = s ? s->geometry() : QRect(0, 0, 1280, 1024);
  switch (nIndex) {
    case SM_CXSCREEN:
      return g.width();
    case SM_CYSCREEN:
      return g.height();
    case SM_CXICON:
    case SM_CYICON:
      return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    default:
      return 0;
  }
}
