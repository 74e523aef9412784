// Menus as data, shown as Qt menus.
#include <QAction>
#include <QMenu>
#include <QPointer>

#include <memory>
#include <vector>

#include "platform/ui/menu.h"
#include "platform/ui/qt/hwnd.h"
#include "platform/ui/qt/menu_impl.h"
#include "platform/ui/resources.h"

IMPLEMENT_DYNAMIC(CMenu, CObject)

namespace {
POINT g_lastPopup{0, 0};

void FreeMenu(HMENU h) {
  if (h == nullptr) return;
  for (auto& item : h->items) FreeMenu(item.sub);
  if (h->wrapper) {
    h->wrapper->m_hMenu = nullptr;
    delete h->wrapper;
  }
  delete h;
}

// Item index of a command id or position; -1 when none. With a command id
// the search goes into sub-menus; `owner` gets the menu that holds it.
int Locate(HMENU h, UINT nPosition, UINT nFlags, HMENU& owner) {
  owner = h;
  if (h == nullptr) return -1;
  if (nFlags & MF_BYPOSITION) return nPosition < h->items.size() ? static_cast<int>(nPosition) : -1;
  for (size_t i = 0; i < h->items.size(); ++i) {
    const auto& it = h->items[i];
    if (it.sub == nullptr && !(it.flags & MF_SEPARATOR) && it.id == nPosition) return static_cast<int>(i);
  }
  for (auto& it : h->items) {
    if (it.sub) {
      HMENU inner = nullptr;
      const int i = Locate(it.sub, nPosition, nFlags, inner);
      if (i >= 0) {
        owner = inner;
        return i;
      }
    }
  }
  return -1;
}

HMENU FromTemplate(const qv::res::MenuTemplate& t) {
  auto* root = new HMENU__;
  std::vector<HMENU> stack{root};
  for (size_t i = 0; i < t.count; ++i) {
    const qv::res::MenuItem& row = t.items[i];
    HMENU top = stack.back();
    switch (row.row) {
      case qv::res::MenuRow::Item:
        top->items.push_back({row.id, CString(row.text), row.flags, nullptr});
        break;
      case qv::res::MenuRow::Separator:
        top->items.push_back({0, CString(), MF_SEPARATOR, nullptr});
        break;
      case qv::res::MenuRow::Popup: {
        auto* sub = new HMENU__;
        top->items.push_back({0, CString(row.text), row.flags | MF_POPUP, sub});
        stack.push_back(sub);
        break;
      }
      case qv::res::MenuRow::End:
        if (stack.size() > 1) stack.pop_back();
        break;
    }
  }
  return root;
}

}  // namespace

namespace qv::ui {

void FillQMenu(QMenu* menu, HMENU h, const std::function<void(QAction*, UINT)>& onItem) {
  if (h == nullptr) return;
  for (const auto& item : h->items) {
    if (item.flags & MF_SEPARATOR) {
      menu->addSeparator();
    } else if (item.sub) {
      QMenu* sub = menu->addMenu(ToQ(item.text.View()));
      sub->setEnabled(!(item.flags & (MF_GRAYED | MF_DISABLED)));
      FillQMenu(sub, item.sub, onItem);
    } else {
      QAction* a = menu->addAction(ToQ(item.text.View()));
      a->setEnabled(!(item.flags & (MF_GRAYED | MF_DISABLED)));
      if (item.flags & MF_CHECKED) {
        a->setCheckable(true);
        a->setChecked(true);
      }
      a->setData(item.id);
      if (onItem) onItem(a, item.id);
    }
  }
}

}  // namespace qv::ui

CMenu::~CMenu() {
  if (m_bOwned) DestroyMenu();
}

BOOL CMenu::LoadMenu(UINT nIDResource) {
  const qv::res::MenuTemplate* t = qv::res::FindMenu(nIDResource);
  if (t == nullptr) return FALSE;
  DestroyMenu();
  m_hMenu = FromTemplate(*t);
  m_bOwned = true;
  return TRUE;
}

BOOL CMenu::CreateMenu() {
  DestroyMenu();
  m_hMenu = new HMENU__;
  m_bOwned = true;
  return TRUE;
}

BOOL CMenu::CreatePopupMenu() { return CreateMenu(); }

BOOL CMenu::DestroyMenu() {
  if (m_hMenu == nullptr) return FALSE;
  HMENU h = m_hMenu;
  m_hMenu = nullptr;
  if (h->wrapper == this) h->wrapper = nullptr;
  FreeMenu(h);
  return TRUE;
}

BOOL CMenu::Attach(HMENU hMenu) {
  if (m_hMenu != nullptr || hMenu == nullptr) return FALSE;
  m_hMenu = hMenu;
  m_bOwned = true;
  return TRUE;
}

HMENU CMenu::Detach() {
  HMENU h = m_hMenu;
  m_hMenu = nullptr;
  return h;
}

CMenu* CMenu::FromHandle(HMENU hMenu) {
  if (hMenu == nullptr) return nullptr;
  if (hMenu->wrapper == nullptr) {
    hMenu->wrapper = new CMenu;
    hMenu->wrapper->m_hMenu = hMenu;
    hMenu->wrapper->m_bOwned = false;
  }
  return hMenu->wrapper;
}

CMenu* CMenu::GetSubMenu(int nPos) const {
  if (m_hMenu == nullptr || nPos < 0 || static_cast<size_t>(nPos) >= m_hMenu->items.size()) return nullptr;
  return FromHandle(m_hMenu->items[static_cast<size_t>(nPos)].sub);
}

UINT CMenu::GetMenuItemCount() const { return m_hMenu ? static_cast<UINT>(m_hMenu->items.size()) : static_cast<UINT>(-1); }

UINT CMenu::GetMenuItemID(int nPos) const {
  if (m_hMenu == nullptr || nPos < 0 || static_cast<size_t>(nPos) >= m_hMenu->items.size()) return 0;
  const auto& it = m_hMenu->items[static_cast<size_t>(nPos)];
  if (it.sub) return static_cast<UINT>(-1);
  return (it.flags & MF_SEPARATOR) ? 0 : it.id;
}

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const {
  HMENU owner = nullptr;
  const int i = Locate(m_hMenu, nIDItem, nFlags, owner);
  rString = i >= 0 ? owner->items[static_cast<size_t>(i)].text : CString();
  return rString.GetLength();
}

UINT CMenu::GetMenuState(UINT nID, UINT nFlags) const {
  HMENU owner = nullptr;
  const int i = Locate(m_hMenu, nID, nFlags, owner);
  return i >= 0 ? owner->items[static_cast<size_t>(i)].flags : static_cast<UINT>(-1);
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
  if (m_hMenu == nullptr) return FALSE;
  HMENU sub = (nFlags & MF_POPUP) ? reinterpret_cast<HMENU>(nIDNewItem) : nullptr;
  m_hMenu->items.push_back({sub ? 0u : static_cast<UINT>(nIDNewItem), CString(lpszNewItem), nFlags, sub});
  return TRUE;
}

BOOL CMenu::InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
  if (m_hMenu == nullptr) return FALSE;
  HMENU owner = m_hMenu;
  int at = Locate(m_hMenu, nPosition, nFlags, owner);
  if (at < 0) {
    owner = m_hMenu;
    at = static_cast<int>(m_hMenu->items.size());
  }
  HMENU sub = (nFlags & MF_POPUP) ? reinterpret_cast<HMENU>(nIDNewItem) : nullptr;
  owner->items.insert(owner->items.begin() + at,
                      {sub ? 0u : static_cast<UINT>(nIDNewItem), CString(lpszNewItem), nFlags & ~MF_BYPOSITION, sub});
  return TRUE;
}

BOOL CMenu::ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
  HMENU owner = nullptr;
  const int i = Locate(m_hMenu, nPosition, nFlags, owner);
  if (i < 0) return FALSE;
  auto& it = owner->items[static_cast<size_t>(i)];
  if (!(nFlags & MF_POPUP)) it.id = static_cast<UINT>(nIDNewItem);
  it.text = lpszNewItem ? lpszNewItem : "";
  it.flags = (nFlags & ~MF_BYPOSITION) | (it.sub ? MF_POPUP : 0u);
  return TRUE;
}

BOOL CMenu::DeleteMenu(UINT nPosition, UINT nFlags) {
  HMENU owner = nullptr;
  const int i = Locate(m_hMenu, nPosition, nFlags, owner);
  if (i < 0) return FALSE;
  FreeMenu(owner->items[static_cast<size_t>(i)].sub);
  owner->items.erase(owner->items.begin() + i);
  return TRUE;
}

UINT CMenu::EnableMenuItem(UINT nIDEnableItem, UINT nEnable) {
  HMENU owner = nullptr;
  const int i = Locate(m_hMenu, nIDEnableItem, nEnable, owner);
  if (i < 0) return static_cast<UINT>(-1);
  auto& it = owner->items[static_cast<size_t>(i)];
  const UINT previous = it.flags & (MF_GRAYED | MF_DISABLED);
  it.flags = (it.flags & ~(MF_GRAYED | MF_DISABLED)) | (nEnable & (MF_GRAYED | MF_DISABLED));
  return previous;
}

UINT CMenu::CheckMenuItem(UINT nIDCheckItem, UINT nCheck) {
  HMENU owner = nullptr;
  const int i = Locate(m_hMenu, nIDCheckItem, nCheck, owner);
  if (i < 0) return static_cast<UINT>(-1);
  auto& it = owner->items[static_cast<size_t>(i)];
  const UINT previous = it.flags & MF_CHECKED;
  it.flags = (it.flags & ~MF_CHECKED) | (nCheck & MF_CHECKED);
  return previous;
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT) {
  if (m_hMenu == nullptr) return FALSE;
  qv::ui::EnsureApp();
  g_lastPopup = POINT{x, y};
  // What runs while the menu waits for its pick (a posted message, the
  // window manager closing the window) may destroy the window that opened
  // it, and with it the window the menu belongs to: the menu is watched,
  // not owned by this frame, and the pick goes only to a window still there.
  const HWND owner = pWnd ? pWnd->m_hWnd : nullptr;
  const QPointer<QWidget> ownerWidget = qv::ui::IsLive(owner) ? owner->widget.data() : nullptr;
  QPointer<QMenu> menu = new QMenu(qv::ui::OwnerWidget(pWnd));
  qv::ui::FillQMenu(menu, m_hMenu, {});
  QAction* chosen = menu->exec(QPoint(x, y));
  const UINT id = menu && chosen ? chosen->data().toUInt() : 0;
  delete menu;
  if (id == 0) return FALSE;
  if (nFlags & TPM_RETURNCMD) return static_cast<BOOL>(id);
  if (owner == nullptr) return TRUE;
  if (ownerWidget == nullptr || !qv::ui::IsLive(owner) || owner->widget != ownerWidget) return FALSE;
  // The command runs after the code that opened the menu has returned.
  ::PostMessageA(owner, WM_COMMAND, MAKEWPARAM(id, 0), 0);
  return TRUE;
}

namespace qv {
POINT LastPopupPoint() { return g_lastPopup; }
}  // namespace qv
