// Inside the window layer: what a menu handle holds.
#pragma once

#include <functional>
#include <vector>

#include "platform/base/cstring.h"
#include "platform/ui/menu.h"

class QMenu;
class QAction;

struct HMENU__ {
  struct Item {
    UINT id;
    CString text;
    UINT flags;
    HMENU sub;
  };
  std::vector<Item> items;
  CMenu* wrapper = nullptr;  // the object FromHandle hands out; owned here
};

namespace qv::ui {
// Adds the menu's items to a Qt menu; onItem sees every command item.
void FillQMenu(QMenu* menu, HMENU h, const std::function<void(QAction*, UINT)>& onItem);
}  // namespace qv::ui
