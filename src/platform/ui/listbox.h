// List boxes and check list boxes. Their items live here, in the control
// object, so dialog code can fill and read them whether or not a window shows
// them; the windowing layer mirrors the items into the widget it shows.
#pragma once

#include <vector>

#include "platform/base/cstring.h"
#include "platform/base/wintypes.h"

#define LB_ERR (-1)
#define LB_ERRSPACE (-2)
#define LBS_SORT 0x0002L
#define BST_UNCHECKED 0
#define BST_CHECKED 1
#define BST_INDETERMINATE 2

class CListBox {
 public:
  CListBox() = default;
  virtual ~CListBox() = default;
  CListBox(const CListBox&) = delete;
  CListBox& operator=(const CListBox&) = delete;

  // Style bits of the control, set from its template when the window layer
  // creates it. LBS_SORT: AddString keeps the items in text order (letter
  // case ignored); InsertString still puts an item where it is told.
  DWORD GetStyle() const { return style_; }
  BOOL ModifyStyle(DWORD remove, DWORD add) {
    style_ = (style_ & ~remove) | add;
    return TRUE;
  }

  // Appends the text (a sorted list: inserts it in order); returns its index.
  int AddString(const char* text);
  // Inserts before `index` (-1 appends); returns the index or LB_ERR.
  int InsertString(int index, const char* text);
  // Removes the item; returns the number of items left or LB_ERR.
  int DeleteString(UINT index);
  void ResetContent();
  int GetCount() const { return static_cast<int>(items_.size()); }

  // Copies the item's text; returns its length or LB_ERR.
  int GetText(int index, CString& text) const;
  int GetTextLen(int index) const;
  // Index of the first item after `startAfter` (-1: from the top, wrapping
  // round) whose whole text equals `text` without regard to case; LB_ERR
  // when none does.
  int FindStringExact(int startAfter, const char* text) const;

  DWORD_PTR GetItemData(int index) const;
  int SetItemData(int index, DWORD_PTR data);

  int GetCurSel() const { return curSel_; }
  int SetCurSel(int index);

 protected:
  struct Item {
    CString text;
    DWORD_PTR data = 0;
    int check = BST_UNCHECKED;
  };
  bool Valid(int index) const { return index >= 0 && index < GetCount(); }
  // Called after every change of the items, for the widget that shows them.
  virtual void ItemsChanged() {}

  std::vector<Item> items_;
  int curSel_ = LB_ERR;
  DWORD style_ = 0;
};

class CCheckListBox : public CListBox {
 public:
  void SetCheck(int index, int state);
  int GetCheck(int index) const;
};
