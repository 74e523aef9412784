// Frames with menu bar, toolbar and status bar; views and form views; the
// static splitter.
#include <QAbstractEventDispatcher>
#include <QAction>
#include <QHelpEvent>
#include <QActionGroup>
#include <QApplication>
#include <QKeySequence>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>

#include <algorithm>
#include <map>
#include <unordered_set>

#include "platform/ui/document.h"
#include "platform/ui/doctemplate.h"
#include "platform/ui/frame.h"
#include "platform/ui/qt/gdi_impl.h"
#include "platform/ui/qt/hwnd.h"
#include "platform/ui/qt/menu_impl.h"
#include "platform/ui/resources.h"
#include "platform/ui/shell.h"
#include "platform/ui/qt/controls_impl.h"
#include "platform/ui/winapp.h"

IMPLEMENT_DYNAMIC(CControlBar, CWnd)
IMPLEMENT_DYNAMIC(CToolBar, CControlBar)
IMPLEMENT_DYNAMIC(CStatusBar, CControlBar)
IMPLEMENT_DYNAMIC(CView, CWnd)
IMPLEMENT_DYNAMIC(CFormView, CView)
IMPLEMENT_DYNAMIC(CSplitterWnd, CWnd)
IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

const CRect CFrameWnd::rectDefault(CW_USEDEFAULT, CW_USEDEFAULT, 0, 0);

namespace qv::ui {

HWND CreateDialogWindow(CWnd* dlg, const qv::res::DialogTemplate& t, CWnd* parent, QWidget* container, bool child);

namespace {

std::unordered_set<const CView*>& LiveViews() {
  static std::unordered_set<const CView*> views;
  return views;
}

// The frame's client area: it places the pane-first window when it is
// resized.
class FrameClient : public QWidget {
 public:
  FrameClient(QWidget* parent, HWND frame) : QWidget(parent), frame_(frame) { setAutoFillBackground(true); }

 protected:
  void resizeEvent(QResizeEvent* e) override {
    QWidget::resizeEvent(e);
    if (IsLive(frame_) && frame_->wnd) {
      if (auto* f = dynamic_cast<CFrameWnd*>(frame_->wnd)) f->RecalcLayout();
    }
  }

 private:
  HWND frame_;
};

// A toolbar button's tip is the one of the string table, and a command
// without one shows none: Qt would show the text of the button's menu item
// instead, and puts it back whenever the update rules change the button.
class ButtonTip : public QObject {
 public:
  ButtonTip(QWidget* button, const QString& tip) : QObject(button), tip_(tip) { button->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ToolTip) return false;
    if (tip_.isEmpty()) {
      QToolTip::hideText();
    } else {
      QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip_, static_cast<QWidget*>(watched));
    }
    return true;
  }

 private:
  QString tip_;
};

class FrameWidget : public QMainWindow {
 public:
  FrameWidget() { setAttribute(Qt::WA_DeleteOnClose, false); }
};

struct FrameData {
  QMainWindow* mw = nullptr;
  CMenu menu;
  std::map<UINT, QAction*> actions;
  std::map<QAction*, QActionGroup*> radioGroups;
  QToolBar* toolbar = nullptr;
  CToolBar* toolbarObj = nullptr;
  QStatusBar* status = nullptr;
  CStatusBar* statusObj = nullptr;
  QLabel* message = nullptr;
  std::vector<QLabel*> panes;
  std::vector<QMenu*> menus;
  QMenu* mruMenu = nullptr;
  std::vector<QAction*> mruActions;
  QAction* mruAnchor = nullptr;  // the item that stands where the recent files go
  std::vector<QShortcut*> shortcuts;
  QTimer* idle = nullptr;
};

FrameData* DataOf(const CFrameWnd* f) {
  return f && IsLive(f->m_hWnd) && f->m_hWnd->kind == Kind::Frame ? static_cast<FrameData*>(f->m_hWnd->data) : nullptr;
}

// The prompt (before the line feed) or the tip (after it) of a command's
// string-table entry.
CString PromptPart(UINT id, bool tip) {
  CString s;
  if (!s.LoadString(id)) {
    const char* fw = qv::FrameworkString(id);
    if (fw == nullptr) return CString();
    s = fw;
  }
  const int nl = s.Find('\n');
  if (tip) return nl < 0 ? CString() : s.Mid(nl + 1);
  return nl < 0 ? s : s.Left(nl);
}

QKeySequence KeyOf(const qv::res::Accelerator& a) {
  int key = 0;
  if (a.key >= 'A' && a.key <= 'Z') {
    key = Qt::Key_A + static_cast<int>(a.key - 'A');
  } else if (a.key >= '0' && a.key <= '9') {
    key = Qt::Key_0 + static_cast<int>(a.key - '0');
  } else if (a.key >= VK_F1 && a.key <= VK_F12) {
    key = Qt::Key_F1 + static_cast<int>(a.key - VK_F1);
  } else {
    switch (a.key) {
      case VK_DELETE:
        key = Qt::Key_Delete;
        break;
      case VK_INSERT:
        key = Qt::Key_Insert;
        break;
      case VK_RETURN:
        key = Qt::Key_Return;
        break;
      case VK_ESCAPE:
        key = Qt::Key_Escape;
        break;
      default:
        return QKeySequence();
    }
  }
  int mods = 0;
  if (a.mods & qv::res::kCtrl) mods |= Qt::ControlModifier;
  if (a.mods & qv::res::kShift) mods |= Qt::ShiftModifier;
  if (a.mods & qv::res::kAlt) mods |= Qt::AltModifier;
  return QKeySequence(key | mods);
}

}  // namespace

bool IsLiveView(const CView* v) { return v && LiveViews().count(v) != 0; }

}  // namespace qv::ui

using qv::ui::FrameData;

// ---------------------------------------------------------------------------
// Frame

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
  ON_WM_CREATE()
  ON_WM_CLOSE()
  ON_WM_DROPFILES()
  ON_UPDATE_COMMAND_UI(ID_VIEW_TOOLBAR, &CFrameWnd::OnUpdateControlBarMenu)
  ON_UPDATE_COMMAND_UI(ID_VIEW_STATUS_BAR, &CFrameWnd::OnUpdateControlBarMenu)
  ON_COMMAND_EX(ID_VIEW_TOOLBAR, &CFrameWnd::OnBarCheck)
  ON_COMMAND_EX(ID_VIEW_STATUS_BAR, &CFrameWnd::OnBarCheck)
END_MESSAGE_MAP()

CFrameWnd::CFrameWnd() = default;
CFrameWnd::~CFrameWnd() = default;

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT&) { return TRUE; }

BOOL CFrameWnd::Create(LPCTSTR, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                       LPCTSTR lpszMenuName, DWORD dwExStyle, CCreateContext* pContext) {
  qv::ui::EnsureApp();
  m_strTitle = lpszWindowName ? lpszWindowName : "";
  CREATESTRUCT cs{};
  cs.lpCreateParams = pContext;
  cs.style = static_cast<LONG>(dwStyle);
  cs.dwExStyle = dwExStyle;
  // The default rectangle lets the window system place and size the frame.
  const bool placed = rect.left != CW_USEDEFAULT;
  cs.x = rect.left;
  cs.y = rect.top;
  cs.cx = placed ? rect.right - rect.left : CW_USEDEFAULT;
  cs.cy = placed ? rect.bottom - rect.top : CW_USEDEFAULT;
  cs.lpszName = m_strTitle;
  if (!PreCreateWindow(cs)) return FALSE;

  auto* mw = new qv::ui::FrameWidget;
  HWND h = qv::ui::Register(this, mw, qv::ui::Kind::Frame, pParentWnd ? pParentWnd->m_hWnd : nullptr, 0,
                            static_cast<DWORD>(cs.style), cs.dwExStyle);
  auto* d = new FrameData;
  d->mw = mw;
  h->data = d;
  h->freeData = [d]() { delete d; };
  mw->setCentralWidget(new qv::ui::FrameClient(mw, h));
  mw->setWindowTitle(qv::ui::ToQ(m_strTitle.View()));
  if (cs.cx > 0 && cs.cy > 0 && cs.cx != CW_USEDEFAULT) mw->resize(cs.cx, cs.cy);
  if (cs.x != CW_USEDEFAULT && cs.y != CW_USEDEFAULT) mw->move(cs.x, cs.y);

  if (lpszMenuName && IS_INTRESOURCE(lpszMenuName) && d->menu.LoadMenu(static_cast<UINT>(reinterpret_cast<uintptr_t>(lpszMenuName)))) {
    for (const auto& top : d->menu.m_hMenu->items) {
      QMenu* m = mw->menuBar()->addMenu(qv::ui::ToQ(top.text.View()));
      d->menus.push_back(m);
      if (top.sub == nullptr) continue;
      qv::ui::FillQMenu(m, top.sub, [this, d, m](QAction* a, UINT id) {
        if (d->actions.count(id) == 0) d->actions[id] = a;
        a->setStatusTip(qv::ui::ToQ(qv::ui::PromptPart(id, false).View()));
        if (id == ID_FILE_MRU_FILE1) {
          d->mruMenu = m;
          d->mruAnchor = a;
        }
        QObject::connect(a, &QAction::triggered, a, [this, id]() { ExecuteMenuCommand(id); });
      });
      QObject::connect(m, &QMenu::aboutToShow, m, [this, m]() {
        FrameData* fd = qv::ui::DataOf(this);
        if (fd == nullptr) return;
        if (m == fd->mruMenu) {
          // The recent files stand where the placeholder item is.
          for (QAction* a : fd->mruActions) {
            m->removeAction(a);
            a->deleteLater();
          }
          fd->mruActions.clear();
          CWinApp* app = AfxGetApp();
          const std::vector<CString> files = app ? app->GetRecentFiles() : std::vector<CString>();
          fd->mruAnchor->setVisible(files.empty());
          fd->mruAnchor->setEnabled(false);
          for (size_t i = 0; i < files.size(); ++i) {
            auto* a = new QAction(QString("&%1 %2").arg(i + 1).arg(qv::ui::ToQ(files[i].View())), m);
            const UINT id = ID_FILE_MRU_FILE1 + static_cast<UINT>(i);
            a->setStatusTip(qv::ui::ToQ(qv::ui::PromptPart(ID_FILE_MRU_FILE1, false).View()));
            QObject::connect(a, &QAction::triggered, a, [this, id]() { SendMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0); });
            m->insertAction(fd->mruAnchor, a);
            fd->mruActions.push_back(a);
          }
        }
        std::vector<QMenu*> stack{m};
        while (!stack.empty()) {
          QMenu* cur = stack.back();
          stack.pop_back();
          for (QAction* a : cur->actions()) {
            if (a->menu()) {
              stack.push_back(a->menu());
              continue;
            }
            if (a->isSeparator() || a == fd->mruAnchor) continue;
            const UINT id = a->data().toUInt();
            if (id != 0 && std::find(fd->mruActions.begin(), fd->mruActions.end(), a) == fd->mruActions.end()) {
              CCmdUI ui;
              ui.m_nID = id;
              ui.DoUpdate(this, m_bAutoMenuEnable);
              a->setEnabled(ui.m_bEnabled != FALSE);
              if (ui.m_nCheck >= 0) {
                a->setCheckable(true);
                a->setChecked(ui.m_nCheck != 0);
              }
              if (ui.m_bTextSet) a->setText(qv::ui::ToQ(ui.m_strText.View()));
            }
          }
        }
      });
    }
  }

  if (SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow();
    return FALSE;
  }
  if (!qv::ui::IsLive(m_hWnd)) return FALSE;

  MINMAXINFO mmi{};
  SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  if (mmi.ptMinTrackSize.x > 0 || mmi.ptMinTrackSize.y > 0) mw->setMinimumSize(mmi.ptMinTrackSize.x, mmi.ptMinTrackSize.y);

  // Idle time: the toolbar follows its update rules.
  d->idle = new QTimer(mw);
  d->idle->setInterval(200);
  QObject::connect(d->idle, &QTimer::timeout, mw, [this]() { UpdateCommandUI(FALSE); });
  d->idle->start();
  RecalcLayout();
  return TRUE;
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext) {
  m_nIDResource = nIDResource;
  m_nIDHelp = nIDResource;
  CString docString;
  docString.LoadString(nIDResource);
  const int nl = docString.Find('\n');
  const CString title = nl < 0 ? docString : docString.Left(nl);
  if (!Create(nullptr, title, dwDefaultStyle, rectDefault, pParentWnd, MAKEINTRESOURCE(nIDResource), 0, pContext)) {
    return FALSE;
  }
  FrameData* d = qv::ui::DataOf(this);
  if (const qv::res::AcceleratorTable* accel = qv::res::FindAccelerators(nIDResource)) {
    for (size_t i = 0; i < accel->count; ++i) {
      const qv::res::Accelerator a = accel->items[i];
      auto* sc = new QShortcut(qv::ui::KeyOf(a), d->mw);
      sc->setContext(Qt::WindowShortcut);
      QObject::connect(sc, &QShortcut::activated, d->mw, [this, a]() { ExecuteAccelerator(a.key, a.mods); });
      d->shortcuts.push_back(sc);
    }
  }
  if (HICON icon = AfxLoadIcon(nIDResource)) {
    SetIcon(icon, TRUE);
    DestroyIcon(icon);
  }
  return TRUE;
}

int CFrameWnd::OnCreate(LPCREATESTRUCT lpcs) {
  auto* ctx = lpcs ? static_cast<CCreateContext*>(lpcs->lpCreateParams) : nullptr;
  m_pCreateContext = ctx;
  const BOOL ok = OnCreateClient(lpcs, ctx);
  m_pCreateContext = nullptr;
  return ok ? 0 : -1;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext) {
  if (pContext == nullptr || pContext->m_pNewViewClass == nullptr) return TRUE;
  CObject* o = pContext->m_pNewViewClass->CreateObject();
  auto* view = dynamic_cast<CWnd*>(o);
  if (view == nullptr) {
    delete o;
    return FALSE;
  }
  CRect r;
  GetClientRect(r);
  if (!view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, r, this, AFX_IDW_PANE_FIRST, pContext)) return FALSE;
  return TRUE;
}

void CFrameWnd::RecalcLayout(BOOL) {
  if (!qv::ui::IsLive(m_hWnd)) return;
  QWidget* client = qv::ui::ContainerOf(m_hWnd);
  if (client == nullptr) return;
  for (HWND k : m_hWnd->children) {
    if (k->id == static_cast<int>(AFX_IDW_PANE_FIRST) && k->widget && k->kind != qv::ui::Kind::ToolBar &&
        k->kind != qv::ui::Kind::StatusBar && !k->destroying) {
      k->widget->setGeometry(client->rect());
    }
  }
}

void CFrameWnd::InitialUpdateFrame(CDocument*, BOOL bMakeVisible) {
  if (GetActiveView() == nullptr) {
    // The first view of the client area becomes the active one.
    std::vector<HWND> stack(m_hWnd->children.begin(), m_hWnd->children.end());
    while (!stack.empty() && GetActiveView() == nullptr) {
      HWND k = stack.front();
      stack.erase(stack.begin());
      if (auto* v = dynamic_cast<CView*>(k->wnd)) {
        SetActiveView(v, FALSE);
        break;
      }
      stack.insert(stack.end(), k->children.begin(), k->children.end());
    }
  }
  SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE);
  if (bMakeVisible) ActivateFrame();
}

void CFrameWnd::ActivateFrame(int nCmdShow) {
  ShowWindow(nCmdShow == -1 ? SW_SHOW : nCmdShow);
  RecalcLayout();
}

void CFrameWnd::EnableDocking(DWORD) {}

void CFrameWnd::DockControlBar(CControlBar*, UINT, LPCRECT) {}

void CFrameWnd::ShowControlBar(CControlBar* pBar, BOOL bShow, BOOL) {
  if (pBar) pBar->ShowWindow(bShow ? SW_SHOW : SW_HIDE);
}

CView* CFrameWnd::GetActiveView() const { return qv::ui::IsLiveView(m_pViewActive) ? m_pViewActive : nullptr; }

void CFrameWnd::SetActiveView(CView* pViewNew, BOOL) { m_pViewActive = pViewNew; }

CDocument* CFrameWnd::GetActiveDocument() {
  CView* v = GetActiveView();
  return v ? v->GetDocument() : nullptr;
}

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) {
  if (CView* v = GetActiveView()) {
    if (v->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  }
  if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  if (CDocument* doc = GetActiveDocument()) {
    if (doc->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  }
  if (CWinApp* app = AfxGetApp()) {
    if (app->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  }
  return FALSE;
}

namespace {
// Applies an update request's answer to an action.
void Apply(FrameData* d, QAction* a, const CCmdUI& ui, bool menuText) {
  a->setEnabled(ui.m_bEnabled != FALSE);
  if (ui.m_nCheck >= 0) {
    a->setCheckable(true);
    auto it = d->radioGroups.find(a);
    if (ui.m_bRadio && it == d->radioGroups.end()) {
      // A group of one: the mark is drawn as a radio mark.
      auto* g = new QActionGroup(a);
      g->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
      g->addAction(a);
      d->radioGroups[a] = g;
    }
    a->setChecked(ui.m_nCheck != 0);
  }
  if (menuText && ui.m_bTextSet) a->setText(qv::ui::ToQ(ui.m_strText.View()));
}
}  // namespace

void CFrameWnd::UpdateCommandUI(BOOL bMenus) {
  FrameData* d = qv::ui::DataOf(this);
  if (d == nullptr) return;
  for (auto& [id, action] : d->actions) {
    const bool onToolbar = d->toolbarObj && d->toolbar && d->toolbar->actions().contains(action);
    if (!bMenus && !onToolbar) continue;
    if (id == ID_FILE_MRU_FILE1) continue;
    CCmdUI ui;
    ui.m_nID = id;
    ui.DoUpdate(this, m_bAutoMenuEnable);
    if (!qv::ui::IsLive(m_hWnd)) return;
    Apply(d, action, ui, bMenus != FALSE);
  }
}

BOOL CFrameWnd::ExecuteMenuCommand(UINT nID) {
  CCmdUI ui;
  ui.m_nID = nID;
  ui.DoUpdate(this, m_bAutoMenuEnable);
  if (!ui.m_bEnabled) return FALSE;
  SendMessage(WM_COMMAND, MAKEWPARAM(nID, 0), 0);
  return TRUE;
}

BOOL CFrameWnd::ExecuteAccelerator(UINT vk, BYTE mods) {
  const qv::res::AcceleratorTable* accel = qv::res::FindAccelerators(m_nIDResource);
  if (accel == nullptr) return FALSE;
  for (size_t i = 0; i < accel->count; ++i) {
    if (accel->items[i].key != vk || accel->items[i].mods != mods) continue;
    const UINT id = accel->items[i].id;
    // A disabled command is not run by its key either.
    CCmdUI ui;
    ui.m_nID = id;
    ui.DoUpdate(this, m_bAutoMenuEnable);
    if (!ui.m_bEnabled) return FALSE;
    SendMessage(WM_COMMAND, MAKEWPARAM(id, 1), 0);
    return TRUE;
  }
  return FALSE;
}

BOOL CFrameWnd::IsMenuItemEnabled(UINT nID) {
  CCmdUI ui;
  ui.m_nID = nID;
  ui.DoUpdate(this, m_bAutoMenuEnable);
  if (FrameData* d = qv::ui::DataOf(this)) {
    auto it = d->actions.find(nID);
    if (it != d->actions.end()) Apply(d, it->second, ui, true);
  }
  return ui.m_bEnabled;
}

BOOL CFrameWnd::IsMenuItemChecked(UINT nID) {
  CCmdUI ui;
  ui.m_nID = nID;
  ui.DoUpdate(this, m_bAutoMenuEnable);
  return ui.m_nCheck > 0;
}

CString CFrameWnd::GetMenuItemText(UINT nID) {
  FrameData* d = qv::ui::DataOf(this);
  if (d == nullptr) return CString();
  auto it = d->actions.find(nID);
  if (it == d->actions.end()) return CString();
  const std::string t = qv::ui::FromQ(it->second->text());
  return CString(std::string_view(t));
}

void CFrameWnd::SetMessageText(LPCTSTR lpszText) {
  FrameData* d = qv::ui::DataOf(this);
  if (d && d->message) d->message->setText(qv::ui::ToQ(lpszText ? lpszText : ""));
}

void CFrameWnd::SetMessageText(UINT nID) { SetMessageText(qv::ui::PromptPart(nID, false)); }

CString CFrameWnd::GetMessageText() const {
  FrameData* d = qv::ui::DataOf(this);
  if (d == nullptr || d->message == nullptr) return CString();
  QString shown = d->status && !d->status->currentMessage().isEmpty() ? d->status->currentMessage() : d->message->text();
  const std::string t = qv::ui::FromQ(shown);
  return CString(std::string_view(t));
}

CMenu* CFrameWnd::GetFrameMenu() const {
  FrameData* d = qv::ui::DataOf(this);
  return d && d->menu.m_hMenu ? &d->menu : nullptr;
}

CString CFrameWnd::GetCommandTip(UINT nID) const { return qv::ui::PromptPart(nID, true); }
CString CFrameWnd::GetCommandPrompt(UINT nID) const { return qv::ui::PromptPart(nID, false); }

void CFrameWnd::OnClose() {
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd == this) {
    // The documents' changes are asked about first; cancel keeps all open.
    if (!app->SaveAllModified()) return;
    app->CloseAllDocuments(FALSE);
    if (!qv::ui::IsLive(m_hWnd)) return;
  }
  DestroyWindow();
}

void CFrameWnd::OnDropFiles(HDROP hDropInfo) {
  CWinApp* app = AfxGetApp();
  const UINT n = DragQueryFileA(hDropInfo, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < n && app; ++i) {
    char path[1024];
    if (DragQueryFileA(hDropInfo, i, path, sizeof path) > 0) app->OpenDocumentFile(path);
  }
  DragFinish(hDropInfo);
}

void CFrameWnd::OnUpdateControlBarMenu(CCmdUI* pCmdUI) {
  FrameData* d = qv::ui::DataOf(this);
  if (d == nullptr) return;
  const bool visible = pCmdUI->m_nID == ID_VIEW_TOOLBAR ? (d->toolbar && d->toolbar->isVisible())
                                                         : (d->status && d->status->isVisible());
  pCmdUI->SetCheck(visible ? 1 : 0);
}

BOOL CFrameWnd::OnBarCheck(UINT nID) {
  FrameData* d = qv::ui::DataOf(this);
  if (d == nullptr) return FALSE;
  QWidget* bar = nID == ID_VIEW_TOOLBAR ? static_cast<QWidget*>(d->toolbar) : static_cast<QWidget*>(d->status);
  if (bar == nullptr) return FALSE;
  bar->setVisible(!bar->isVisible());
  RecalcLayout();
  return TRUE;
}

// Help files do not exist here: the help commands do nothing.
void CFrameWnd::OnHelp() {}
void CFrameWnd::OnHelpFinder() {}
void CFrameWnd::OnContextHelp() {}
void CFrameWnd::OnHelpIndex() {}

void CFrameWnd::PostNcDestroy() { delete this; }

// ---------------------------------------------------------------------------
// Bars

BOOL CToolBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) {
  auto* frame = dynamic_cast<CFrameWnd*>(pParentWnd);
  FrameData* d = qv::ui::DataOf(frame);
  if (d == nullptr) return FALSE;
  auto* tb = new QToolBar(d->mw);
  tb->setMovable(false);
  tb->setFloatable(false);
  tb->setIconSize(QSize(16, 15));
  tb->setToolButtonStyle(Qt::ToolButtonIconOnly);
  d->mw->addToolBar((dwStyle & CBRS_ALIGN_BOTTOM) ? Qt::BottomToolBarArea : Qt::TopToolBarArea, tb);
  qv::ui::Register(this, tb, qv::ui::Kind::ToolBar, pParentWnd->m_hWnd, static_cast<int>(nID), dwStyle, 0);
  d->toolbar = tb;
  d->toolbarObj = this;
  m_dwStyle = dwStyle;
  tb->setVisible((dwStyle & WS_VISIBLE) != 0);
  return TRUE;
}

BOOL CToolBar::CreateEx(CWnd* pParentWnd, DWORD, DWORD dwStyle, CRect, UINT nID) { return Create(pParentWnd, dwStyle, nID); }

BOOL CToolBar::LoadToolBar(UINT nIDResource) {
  const qv::res::ToolbarTemplate* t = qv::res::FindToolbar(nIDResource);
  auto* frame = dynamic_cast<CFrameWnd*>(GetParent());
  FrameData* d = qv::ui::DataOf(frame);
  if (t == nullptr || d == nullptr || d->toolbar == nullptr) return FALSE;
  QImage strip;
  if (const qv::res::ImageEntry* bmp = qv::res::FindBitmap(t->bitmap)) strip = qv::ui::ImageFromXpm(bmp->xpm);
  d->toolbar->setIconSize(QSize(t->cx, t->cy));
  int cell = 0;
  m_ids.clear();
  for (size_t i = 0; i < t->count; ++i) {
    const UINT id = t->buttons[i];
    m_ids.push_back(id);
    if (id == 0) {
      d->toolbar->addSeparator();
      continue;
    }
    QAction* a = nullptr;
    auto it = d->actions.find(id);
    if (it != d->actions.end()) {
      a = it->second;
    } else {
      a = new QAction(d->mw);
      a->setData(id);
      a->setStatusTip(qv::ui::ToQ(qv::ui::PromptPart(id, false).View()));
      QObject::connect(a, &QAction::triggered, a, [frame, id]() { frame->ExecuteMenuCommand(id); });
      d->actions[id] = a;
    }
    if (!strip.isNull()) {
      // Light grey is the button face of the pictures: it shows through.
      QImage icon = strip.copy(cell * t->cx, 0, t->cx, t->cy).convertToFormat(QImage::Format_ARGB32);
      for (int y = 0; y < icon.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(icon.scanLine(y));
        for (int x = 0; x < icon.width(); ++x) {
          if ((line[x] & 0x00FFFFFFu) == 0x00C0C0C0u) line[x] = 0;
        }
      }
      a->setIcon(QIcon(QPixmap::fromImage(icon)));
    }
    ++cell;
    const CString tip = qv::ui::PromptPart(id, true);
    a->setToolTip(qv::ui::ToQ(tip.View()));
    if (a->text().isEmpty()) a->setText(qv::ui::ToQ(tip.View()));
    d->toolbar->addAction(a);
    if (QWidget* button = d->toolbar->widgetForAction(a)) {
      button->setToolTip(qv::ui::ToQ(tip.View()));
      button->setStatusTip(a->statusTip());
      new qv::ui::ButtonTip(button, qv::ui::ToQ(tip.View()));
    }
  }
  return TRUE;
}

int CToolBar::GetCount() const { return static_cast<int>(m_ids.size()); }

UINT CToolBar::GetItemID(int nIndex) const {
  return nIndex >= 0 && static_cast<size_t>(nIndex) < m_ids.size() ? m_ids[static_cast<size_t>(nIndex)] : 0;
}

CString CToolBar::GetButtonTip(UINT nID) const { return qv::ui::PromptPart(nID, true); }

namespace {
QAction* ToolbarAction(const CToolBar* bar, UINT nID) {
  auto* frame = dynamic_cast<CFrameWnd*>(bar->GetParent());
  FrameData* d = qv::ui::DataOf(frame);
  if (d == nullptr || d->toolbar == nullptr) return nullptr;
  auto it = d->actions.find(nID);
  return it != d->actions.end() && d->toolbar->actions().contains(it->second) ? it->second : nullptr;
}
}  // namespace

BOOL CToolBar::IsButtonEnabled(UINT nID) const {
  QAction* a = ToolbarAction(this, nID);
  return a && a->isEnabled();
}

BOOL CToolBar::IsButtonChecked(UINT nID) const {
  QAction* a = ToolbarAction(this, nID);
  return a && a->isChecked();
}

BOOL CToolBar::PressButton(UINT nID) {
  QAction* a = ToolbarAction(this, nID);
  auto* frame = dynamic_cast<CFrameWnd*>(GetParent());
  FrameData* d = qv::ui::DataOf(frame);
  if (a == nullptr || d == nullptr) return FALSE;
  auto* button = qobject_cast<QToolButton*>(d->toolbar->widgetForAction(a));
  if (button == nullptr || !button->isEnabled()) return FALSE;
  button->click();
  return TRUE;
}

BOOL CStatusBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) {
  auto* frame = dynamic_cast<CFrameWnd*>(pParentWnd);
  FrameData* d = qv::ui::DataOf(frame);
  if (d == nullptr) return FALSE;
  auto* sb = new QStatusBar(d->mw);
  d->mw->setStatusBar(sb);
  qv::ui::Register(this, sb, qv::ui::Kind::StatusBar, pParentWnd->m_hWnd, static_cast<int>(nID), dwStyle, 0);
  d->status = sb;
  d->statusObj = this;
  m_dwStyle = dwStyle;
  sb->setVisible((dwStyle & WS_VISIBLE) != 0);
  return TRUE;
}

BOOL CStatusBar::SetIndicators(const UINT* lpIDArray, int nIDCount) {
  auto* frame = dynamic_cast<CFrameWnd*>(GetParent());
  FrameData* d = qv::ui::DataOf(frame);
  if (d == nullptr || d->status == nullptr || lpIDArray == nullptr) return FALSE;
  for (QLabel* l : d->panes) delete l;
  d->panes.clear();
  d->message = nullptr;
  m_ids.assign(lpIDArray, lpIDArray + nIDCount);
  for (int i = 0; i < nIDCount; ++i) {
    auto* l = new QLabel(d->status);
    const UINT id = lpIDArray[i];
    if (id == ID_SEPARATOR && d->message == nullptr) {
      d->message = l;
      l->setText(qv::ui::ToQ(qv::ui::PromptPart(AFX_IDS_IDLEMESSAGE, false).View()));
      d->status->addWidget(l, 1);
    } else {
      // Key-state panes: sized for their text, shown empty (the state of
      // the keyboard's lock keys is not known here).
      const CString text = qv::ui::PromptPart(id, false);
      l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      l->setMinimumWidth(l->fontMetrics().horizontalAdvance(qv::ui::ToQ(text.View())) + 10);
      d->status->addPermanentWidget(l);
    }
    d->panes.push_back(l);
  }
  return TRUE;
}

BOOL CStatusBar::SetPaneText(int nIndex, LPCTSTR lpszNewText, BOOL) {
  auto* frame = dynamic_cast<CFrameWnd*>(GetParent());
  FrameData* d = qv::ui::DataOf(frame);
  if (d == nullptr || nIndex < 0 || static_cast<size_t>(nIndex) >= d->panes.size()) return FALSE;
  d->panes[static_cast<size_t>(nIndex)]->setText(qv::ui::ToQ(lpszNewText ? lpszNewText : ""));
  return TRUE;
}

CString CStatusBar::GetPaneText(int nIndex) const {
  auto* frame = dynamic_cast<CFrameWnd*>(GetParent());
  FrameData* d = qv::ui::DataOf(frame);
  if (d == nullptr || nIndex < 0 || static_cast<size_t>(nIndex) >= d->panes.size()) return CString();
  const std::string t = qv::ui::FromQ(d->panes[static_cast<size_t>(nIndex)]->text());
  return CString(std::string_view(t));
}

UINT CStatusBar::GetItemID(int nIndex) const {
  return nIndex >= 0 && static_cast<size_t>(nIndex) < m_ids.size() ? m_ids[static_cast<size_t>(nIndex)] : 0;
}

// ---------------------------------------------------------------------------
// Views

BEGIN_MESSAGE_MAP(CView, CWnd)
  ON_MESSAGE(WM_INITIALUPDATE, &CView::OnInitialUpdateMessage)
END_MESSAGE_MAP()

namespace {
void AttachToContext(CView* view, CCreateContext* ctx) {
  qv::ui::LiveViews().insert(view);
  if (ctx == nullptr) return;
  if (ctx->m_pCurrentDoc) ctx->m_pCurrentDoc->AddView(view);
  ctx->m_pLastView = view;
}
}  // namespace

CView::~CView() {
  qv::ui::LiveViews().erase(this);
  if (m_pDocument) m_pDocument->RemoveView(this);
}

BOOL CView::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                   UINT nID, CCreateContext* pContext) {
  AttachToContext(this, pContext);
  return CWnd::Create(lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nID, pContext);
}

LRESULT CView::OnInitialUpdateMessage(WPARAM, LPARAM) {
  OnInitialUpdate();
  return 0;
}

void CView::OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }

void CView::OnUpdate(CView*, LPARAM, CObject*) { Invalidate(TRUE); }

void CView::OnDraw(CDC*) {}

BOOL CView::DoPreparePrinting(void*) { return FALSE; }

void CView::PostNcDestroy() { delete this; }

CFormView::CFormView(UINT nIDTemplate) : m_nIDHelp(nIDTemplate), m_nIDTemplate(nIDTemplate) {}

BOOL CFormView::Create(LPCTSTR, LPCTSTR, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID,
                       CCreateContext* pContext) {
  const qv::res::DialogTemplate* t = qv::res::FindDialog(m_nIDTemplate);
  if (t == nullptr || pParentWnd == nullptr) return FALSE;
  CREATESTRUCT cs{};
  cs.lpCreateParams = pContext;
  cs.style = static_cast<LONG>(dwStyle);
  cs.x = rect.left;
  cs.y = rect.top;
  cs.cx = rect.right - rect.left;
  cs.cy = rect.bottom - rect.top;
  cs.hwndParent = pParentWnd->m_hWnd;
  if (!PreCreateWindow(cs)) return FALSE;
  HWND h = qv::ui::CreateDialogWindow(this, *t, pParentWnd, nullptr, true);
  if (h == nullptr) return FALSE;
  h->id = static_cast<int>(nID);
  h->style = static_cast<DWORD>(cs.style) | WS_CHILD;
  h->widget->setGeometry(cs.x, cs.y, cs.cx, cs.cy);
  AttachToContext(this, pContext);
  if (SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow();
    return FALSE;
  }
  if (qv::ui::IsLive(m_hWnd)) m_hWnd->widget->setVisible((dwStyle & WS_VISIBLE) != 0);
  return qv::ui::IsLive(m_hWnd);
}

void CFormView::OnInitialUpdate() {
  UpdateData(FALSE);
  CView::OnInitialUpdate();
}

void CFormView::MapDialogRect(LPRECT lpRect) const {
  if (lpRect == nullptr) return;
  const QRect r = qv::ui::DialogRect(qv::ui::IsLive(m_hWnd) ? m_hWnd : nullptr, lpRect->left, lpRect->top,
                                     lpRect->right - lpRect->left, lpRect->bottom - lpRect->top);
  *lpRect = RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

// ---------------------------------------------------------------------------
// Splitter

BEGIN_MESSAGE_MAP(CSplitterWnd, CWnd)
  ON_WM_PAINT()
  ON_WM_SIZE()
  ON_WM_LBUTTONDOWN()
  ON_WM_MOUSEMOVE()
  ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

CSplitterWnd::CSplitterWnd() = default;
CSplitterWnd::~CSplitterWnd() = default;

BOOL CSplitterWnd::CreateStatic(CWnd* pParentWnd, int nRows, int nCols, DWORD dwStyle, UINT nID) {
  if (pParentWnd == nullptr || nRows < 1 || nCols < 1 || nRows > 16 || nCols > 16 || m_hWnd) return FALSE;
  m_nRows = nRows;
  m_nCols = nCols;
  m_rowInfo.assign(static_cast<size_t>(nRows), CRowColInfo{});
  m_colInfo.assign(static_cast<size_t>(nCols), CRowColInfo{});
  CRect r;
  if (QWidget* client = qv::ui::ContainerOf(pParentWnd->m_hWnd)) r = CRect(0, 0, client->width(), client->height());
  return CWnd::Create(nullptr, nullptr, dwStyle, r, pParentWnd, nID, nullptr);
}

BOOL CSplitterWnd::CreateView(int row, int col, CRuntimeClass* pViewClass, SIZE sizeInit, CCreateContext* pContext) {
  if (!qv::ui::IsLive(m_hWnd) || row < 0 || row >= m_nRows || col < 0 || col >= m_nCols || pViewClass == nullptr) {
    return FALSE;
  }
  if (GetPane(row, col) != nullptr) return FALSE;
  SetRowInfo(row, sizeInit.cy, 0);
  SetColumnInfo(col, sizeInit.cx, 0);
  CObject* o = pViewClass->CreateObject();
  auto* wnd = dynamic_cast<CWnd*>(o);
  if (wnd == nullptr) {
    delete o;
    return FALSE;
  }
  const CRect rect = GetPaneRect(row, col);
  if (!wnd->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, rect, this, static_cast<UINT>(IdFromRowCol(row, col)), pContext)) {
    // A view whose window was never made deletes nothing itself.
    if (wnd->m_hWnd == nullptr) delete wnd;
    return FALSE;
  }
  RecalcLayout();
  return TRUE;
}

CWnd* CSplitterWnd::GetPane(int row, int col) const { return GetDlgItem(IdFromRowCol(row, col)); }

void CSplitterWnd::SetRowInfo(int row, int cyIdeal, int cyMin) {
  if (row < 0 || row >= m_nRows) return;
  m_rowInfo[static_cast<size_t>(row)].nIdealSize = cyIdeal;
  m_rowInfo[static_cast<size_t>(row)].nMinSize = cyMin;
}

void CSplitterWnd::GetRowInfo(int row, int& cyCur, int& cyMin) const {
  cyCur = cyMin = 0;
  if (row < 0 || row >= m_nRows) return;
  cyCur = m_rowInfo[static_cast<size_t>(row)].nCurSize;
  cyMin = m_rowInfo[static_cast<size_t>(row)].nMinSize;
}

void CSplitterWnd::SetColumnInfo(int col, int cxIdeal, int cxMin) {
  if (col < 0 || col >= m_nCols) return;
  m_colInfo[static_cast<size_t>(col)].nIdealSize = cxIdeal;
  m_colInfo[static_cast<size_t>(col)].nMinSize = cxMin;
}

void CSplitterWnd::GetColumnInfo(int col, int& cxCur, int& cxMin) const {
  cxCur = cxMin = 0;
  if (col < 0 || col >= m_nCols) return;
  cxCur = m_colInfo[static_cast<size_t>(col)].nCurSize;
  cxMin = m_colInfo[static_cast<size_t>(col)].nMinSize;
}

void CSplitterWnd::GetInsideRect(CRect& rect) const {
  GetClientRect(rect);
  rect.InflateRect(-m_cxBorder, -m_cyBorder);
}

void CSplitterWnd::Layout(std::vector<int>& rowTops, std::vector<int>& colLefts) const {
  CRect inside;
  GetInsideRect(inside);
  auto place = [](const std::vector<CRowColInfo>& info, int start, int end, int gap, std::vector<int>& edges) {
    edges.clear();
    int pos = start;
    for (size_t i = 0; i < info.size(); ++i) {
      edges.push_back(pos);
      const int size = i + 1 == info.size() ? std::max(0, end - pos) : std::max(0, info[i].nIdealSize);
      pos += size + gap;
    }
    edges.push_back(end + gap);
  };
  place(m_rowInfo, inside.top, inside.bottom, m_cySplitterGap, rowTops);
  place(m_colInfo, inside.left, inside.right, m_cxSplitterGap, colLefts);
}

CRect CSplitterWnd::GetPaneRect(int row, int col) const {
  std::vector<int> rows;
  std::vector<int> cols;
  Layout(rows, cols);
  if (row < 0 || row >= m_nRows || col < 0 || col >= m_nCols) return CRect();
  const size_t r = static_cast<size_t>(row);
  const size_t c = static_cast<size_t>(col);
  return CRect(cols[c], rows[r], std::max(cols[c], cols[c + 1] - m_cxSplitterGap), std::max(rows[r], rows[r + 1] - m_cySplitterGap));
}

void CSplitterWnd::RecalcLayout() {
  if (!qv::ui::IsLive(m_hWnd)) return;
  for (int r = 0; r < m_nRows; ++r) {
    for (int c = 0; c < m_nCols; ++c) {
      const CRect rect = GetPaneRect(r, c);
      m_rowInfo[static_cast<size_t>(r)].nCurSize = rect.Height();
      m_colInfo[static_cast<size_t>(c)].nCurSize = rect.Width();
      if (CWnd* pane = GetPane(r, c)) pane->MoveWindow(rect.left, rect.top, rect.Width(), rect.Height(), TRUE);
    }
  }
  Invalidate();
}

void CSplitterWnd::OnDrawSplitter(CDC* pDC, ESplitType nType, const CRect& rectArg) {
  if (pDC == nullptr) {
    RedrawWindow(rectArg, nullptr, RDW_INVALIDATE | RDW_NOCHILDREN);
    return;
  }
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF hilite = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF frame = GetSysColor(COLOR_WINDOWFRAME);
  CRect rect = rectArg;
  switch (nType) {
    case splitBox:
      pDC->Draw3dRect(rect, face, frame);
      rect.InflateRect(-1, -1);
      pDC->Draw3dRect(rect, hilite, shadow);
      rect.InflateRect(-1, -1);
      pDC->FillSolidRect(rect, face);
      break;
    case splitBar:
      pDC->Draw3dRect(rect, hilite, shadow);
      rect.InflateRect(-1, -1);
      pDC->FillSolidRect(rect, face);
      break;
    case splitIntersection:
      pDC->FillSolidRect(rect, face);
      break;
    case splitBorder:
      pDC->Draw3dRect(rect, shadow, hilite);
      rect.InflateRect(-1, -1);
      pDC->Draw3dRect(rect, RGB(0xC0, 0xC0, 0xC0), face);
      break;
  }
}

void CSplitterWnd::DrawAllSplitBars(CDC* pDC, int cxInside, int cyInside) {
  std::vector<int> rows;
  std::vector<int> cols;
  Layout(rows, cols);
  CRect inside;
  GetInsideRect(inside);
  (void)cxInside;
  (void)cyInside;
  // Bars between the rows and the columns.
  for (int r = 1; r < m_nRows; ++r) {
    const int top = rows[static_cast<size_t>(r)] - m_cySplitterGap + (m_cySplitterGap - m_cySplitter) / 2;
    OnDrawSplitter(pDC, splitBar, CRect(inside.left - m_cxBorder, top, inside.right + m_cxBorder, top + m_cySplitter));
  }
  for (int c = 1; c < m_nCols; ++c) {
    const int left = cols[static_cast<size_t>(c)] - m_cxSplitterGap + (m_cxSplitterGap - m_cxSplitter) / 2;
    OnDrawSplitter(pDC, splitBar, CRect(left, inside.top - m_cyBorder, left + m_cxSplitter, inside.bottom + m_cyBorder));
  }
  // A border round every pane.
  for (int r = 0; r < m_nRows; ++r) {
    for (int c = 0; c < m_nCols; ++c) {
      CRect pane = GetPaneRect(r, c);
      pane.InflateRect(m_cxBorder, m_cyBorder);
      OnDrawSplitter(pDC, splitBorder, pane);
    }
  }
}

void CSplitterWnd::OnPaint() {
  CPaintDC dc(this);
  CRect client;
  GetClientRect(client);
  dc.FillSolidRect(client, GetSysColor(COLOR_BTNFACE));
  CRect inside;
  GetInsideRect(inside);
  DrawAllSplitBars(&dc, inside.Width(), inside.Height());
}

void CSplitterWnd::OnSize(UINT, int, int) { RecalcLayout(); }

void CSplitterWnd::OnLButtonDown(UINT, CPoint point) {
  std::vector<int> rows;
  std::vector<int> cols;
  Layout(rows, cols);
  for (int r = 1; r < m_nRows; ++r) {
    const int barTop = rows[static_cast<size_t>(r)] - m_cySplitterGap;
    if (point.y >= barTop && point.y < rows[static_cast<size_t>(r)]) {
      m_nTrackRow = r - 1;
      return;
    }
  }
}

void CSplitterWnd::OnMouseMove(UINT nFlags, CPoint point) {
  if (m_nTrackRow < 0 || !(nFlags & MK_LBUTTON)) return;
  std::vector<int> rows;
  std::vector<int> cols;
  Layout(rows, cols);
  const int top = rows[static_cast<size_t>(m_nTrackRow)];
  SetRowInfo(m_nTrackRow, std::max(0, point.y - top), 0);
  RecalcLayout();
}

void CSplitterWnd::OnLButtonUp(UINT, CPoint) { m_nTrackRow = -1; }
