// Inside the window layer: what its Qt-free files call of the Qt side.
// (Sources that include Qt are compiled with UTF-8 literals; the others
// keep code page 932 literals, so they never include Qt.)
#pragma once

#include "platform/base/wintypes.h"

class CListBox;

namespace qv::ui {
void WaitCursor(int delta);
void SyncListBox(CListBox* list);
void ListBoxRowInserted(CListBox* list, int row);
void ListBoxRowRemoved(CListBox* list, int row);
void ListBoxRowChanged(CListBox* list, int row);
void ListBoxSelectionChanged(CListBox* list);
}  // namespace qv::ui
