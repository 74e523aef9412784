// Inside the window layer: making controls from template rows and keeping
// the widgets of list and combo boxes in step with their objects.
#pragma once

#include <QWidget>

#include "platform/ui/resources.h"
#include "platform/ui/wnd.h"

class CListBox;
class CComboBox;
class QFont;

namespace qv::ui {

// Shows the object's items in its widget, every row (the changes of one
// row go through the calls of bridge.h, which touch that row alone).
void SyncListBox(CListBox* list);
// How many rows of list boxes were gone over one by one to show them, since
// the start: what a fill of a list box costs the widget.
long long ListBoxRowsGoneOver();
void SyncComboBox(CComboBox* combo);
// Applies the colours a static's owner class chooses (reflected colour
// message) to its widget.
void RefreshStaticColors(HWND h);

// Creates every control of the template inside `parent` (whose base units
// are set), in template order; radio buttons from one WS_GROUP row to the
// next are one exclusive group.
void CreateTemplateControls(HWND parent, const qv::res::DialogTemplate& t, const QFont& font);

// Pixels of a dialog-unit rectangle at the handle's base units.
QRect DialogRect(HWND h, int x, int y, int cx, int cy);

}  // namespace qv::ui
