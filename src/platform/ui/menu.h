// Menus: a menu bar or popup as data (items with ids, texts, states and
// sub-menus), shown by the frame's menu bar or tracked as a popup.
#pragma once

#include "platform/base/cstring.h"
#include "platform/base/object.h"
#include "platform/ui/messages.h"

class CWnd;

class CMenu : public CObject {
  DECLARE_DYNAMIC(CMenu)

 public:
  CMenu() = default;
  ~CMenu() override;
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  HMENU m_hMenu = nullptr;
  HMENU GetSafeHmenu() const { return m_hMenu; }
  operator HMENU() const { return m_hMenu; }

  // A menu resource; FALSE when there is none.
  BOOL LoadMenu(UINT nIDResource);
  BOOL CreateMenu();
  BOOL CreatePopupMenu();
  BOOL DestroyMenu();
  BOOL Attach(HMENU hMenu);
  HMENU Detach();
  // The object of a handle; sub-menus are owned by their menu.
  static CMenu* FromHandle(HMENU hMenu);

  CMenu* GetSubMenu(int nPos) const;
  UINT GetMenuItemCount() const;
  // Command id of the item at nPos; 0 for separators, -1 for sub-menus.
  UINT GetMenuItemID(int nPos) const;
  int GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const;
  UINT GetMenuState(UINT nID, UINT nFlags) const;
  BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);
  BOOL InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);
  BOOL ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);
  BOOL DeleteMenu(UINT nPosition, UINT nFlags);
  BOOL RemoveMenu(UINT nPosition, UINT nFlags) { return DeleteMenu(nPosition, nFlags); }
  // Previous state (MF_ENABLED / MF_GRAYED / MF_CHECKED), -1 when no item.
  UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable);
  UINT CheckMenuItem(UINT nIDCheckItem, UINT nCheck);

  // Shows the popup at screen point (x, y). The chosen command is posted to
  // pWnd as WM_COMMAND and runs after the caller returns; with
  // TPM_RETURNCMD it is returned instead. FALSE (0) when nothing was chosen.
  BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect = nullptr);

 private:
  bool m_bOwned = true;
};

namespace qv {
// The screen point of the last popup tracked (tests check where it opened).
POINT LastPopupPoint();
}  // namespace qv
