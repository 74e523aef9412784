// Resources: dialog templates, menus, accelerator tables, toolbars, the
// string table, bitmaps and icons. The program keeps them as data tables
// (src/res/) that read like a resource script: one row per control, menu
// item or string, with its id, kind, text and position. It installs the
// tables once at start-up; the window layer looks them up by id.
//
// Texts are code page 932. Sizes and positions of dialog templates are in
// dialog units (a quarter of the average character width, an eighth of the
// character height of the dialog's font).
#pragma once

#include <cstddef>

#include "platform/base/cstring.h"
#include "platform/base/wintypes.h"

struct HINSTANCE__;

namespace qv::res {

// Kinds of controls in a dialog template.
enum class Ctl : unsigned char {
  LText,          // static text, left-aligned, wraps
  CText,          // static text, centred
  RText,          // static text, right-aligned
  Icon,           // static showing an icon resource (image)
  Bitmap,         // static showing a bitmap resource (image)
  Frame,          // static without text drawn as a sunken frame
  HLine,          // etched horizontal line
  GroupBox,
  PushButton,
  DefPushButton,
  CheckBox,       // automatic check box
  RadioButton,    // automatic radio button
  Edit,
  ComboBox,
  ListBox,
  CheckListBox,   // list box whose items carry a check box
  ListView,       // report-style list view
  TreeView,
  UpDown,
  RichEdit,       // rich-text edit, shown like an edit
};

// Extra marks of a template row beside the window styles.
inline constexpr DWORD kHidden = 0x00000001u;  // created without WS_VISIBLE
inline constexpr DWORD kDisabled = 0x00000002u;

struct DialogItem {
  int id;            // control id; -1 for labels nobody addresses
  Ctl kind;
  const char* text;  // caption ("" for none)
  short x, y, cx, cy;
  DWORD style = 0;    // control-specific and window styles (SS_, ES_, WS_TABSTOP, WS_GROUP ...)
  DWORD marks = 0;    // kHidden, kDisabled
  DWORD exStyle = 0;  // WS_EX_ACCEPTFILES, WS_EX_CLIENTEDGE ...
  UINT image = 0;     // icon or bitmap resource of Icon/Bitmap statics and bitmap buttons
};

struct DialogTemplate {
  UINT id;
  const char* caption;  // "" for none (form views)
  short cx, cy;
  const char* face;     // font face, e.g. "ＭＳ Ｐゴシック"
  int points;           // font size in points
  DWORD style;          // WS_CHILD for forms and pages, else a popup dialog
  const DialogItem* items;
  size_t count;
};

// Menu rows, depth-first: a popup opens a level, kEnd closes it.
enum class MenuRow : unsigned char { Item, Separator, Popup, End };
struct MenuItem {
  MenuRow row;
  UINT id;           // command id of an item
  const char* text;  // "&" marks the mnemonic, "\t" the accelerator text
  UINT flags = 0;    // MF_GRAYED, MF_CHECKED
};
struct MenuTemplate {
  UINT id;
  const MenuItem* items;
  size_t count;
};

// Accelerators. mods: kCtrl, kShift, kAlt.
inline constexpr BYTE kCtrl = 1;
inline constexpr BYTE kShift = 2;
inline constexpr BYTE kAlt = 4;
struct Accelerator {
  UINT key;  // virtual key (VK_F1, 'N', ...)
  BYTE mods;
  UINT id;
};
struct AcceleratorTable {
  UINT id;
  const Accelerator* items;
  size_t count;
};

// A toolbar: its button bitmap (one cell of cx x cy pixels per button, in
// the order of the buttons) and its buttons, 0 for a separator.
struct ToolbarTemplate {
  UINT id;
  UINT bitmap;
  int cx, cy;
  const UINT* buttons;
  size_t count;
};

struct StringEntry {
  UINT id;
  const char* text;
};

// Images in the XPM format (an array of strings, as the format is written
// in C). White pixels stay white; transparency is up to the code that draws.
struct ImageEntry {
  UINT id;
  const char* const* xpm;
};

struct ResourceSet {
  const DialogTemplate* const* dialogs;
  size_t dialogCount;
  const MenuTemplate* menus;
  size_t menuCount;
  const AcceleratorTable* accelerators;
  size_t acceleratorCount;
  const ToolbarTemplate* toolbars;
  size_t toolbarCount;
  const StringEntry* strings;
  size_t stringCount;
  const ImageEntry* bitmaps;
  size_t bitmapCount;
  const ImageEntry* icons;
  size_t iconCount;
};

// Installs the program's resources (replacing any installed before).
void Install(const ResourceSet* resources);
const ResourceSet* Installed();

const DialogTemplate* FindDialog(UINT id);
const MenuTemplate* FindMenu(UINT id);
const AcceleratorTable* FindAccelerators(UINT id);
const ToolbarTemplate* FindToolbar(UINT id);
const char* FindString(UINT id);  // null when the table has no such string
const ImageEntry* FindBitmap(UINT id);
const ImageEntry* FindIcon(UINT id);

}  // namespace qv::res

// The string-table entry; FALSE (and an empty string) when there is none.
int LoadStringA(HINSTANCE__* hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax);
