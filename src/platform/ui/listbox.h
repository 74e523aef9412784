// List boxes and check list boxes. Their items live here, in the control
// object, so dialog code can fill and read them whether or not a window shows
// them; the windowing layer mirrors the items into the widget it shows and
// writes the user's selection and check marks back.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/base/cstring.h"
#include "platform/base/wintypes.h"
#include "platform/ui/wnd.h"

#define LB_ERR (-1)
#define LB_ERRSPACE (-2)
#ifndef LBS_SORT
#define LBS_SORT 0x0002L
#endif
#ifndef BST_UNCHECKED
#define BST_UNCHECKED 0
#define BST_CHECKED 1
#define BST_INDETERMINATE 2
#endif

class CListBox : public CWnd {
  DECLARE_DYNAMIC(CListBox)

 public:
  CListBox() = default;
  ~CListBox() override;

  // Style bits of the control, set from its template when the window layer
  // creates it. LBS_SORT: AddString keeps the items in text order (letter
  // case ignored); InsertString still puts an item where it is told.
  DWORD GetStyle() const { return style_ | CWnd::GetStyle(); }
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0) {
    style_ = (style_ & ~remove) | add;
    CWnd::ModifyStyle(remove, add, flags);
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

  // Several selected items (extended-selection lists).
  int GetSel(int index) const;
  int SetSel(int index, BOOL bSelect = TRUE);
  int GetSelCount() const;
  int GetSelItems(int nMaxItems, LPINT rgIndex) const;
  // The first item after startAfter whose text begins with `text` (letter
  // case ignored, wrapping round), made the current selection; LB_ERR when
  // none.
  int SelectString(int startAfter, const char* text);
  int FindString(int startAfter, const char* text) const;
  void SetHorizontalExtent(int cxExtent) { horizontalExtent_ = cxExtent; ItemsChanged(); }
  int GetHorizontalExtent() const { return horizontalExtent_; }

  // Layer use: items move with the control when a member subclasses it; the
  // widget reports what the user changed.
  void TakeItemsFrom(CListBox& other);
  void UserSelection(int current, const std::vector<bool>& selected);
  void UserCheck(int index, int state);
  struct ItemView {
    const CString* text;
    int check;
    bool selected;
  };
  std::vector<ItemView> Items() const;
  ItemView ItemAt(int index) const;  // a valid index

 protected:
  struct Item {
    CString text;
    DWORD_PTR data = 0;
    int check = BST_UNCHECKED;
    bool selected = false;
  };
  bool Valid(int index) const { return index >= 0 && index < GetCount(); }
  // Called after every change of the items: the widget shows what the
  // change touched (change_), or every row anew, so a fill of n strings
  // costs the widget n rows and not n times the list.
  virtual void ItemsChanged();
  enum class Change {
    Every,
    Inserted,   // the row changeRow_
    Removed,    // the row that was changeRow_
    Row,        // the check mark or selected state of changeRow_
    Selection,  // which rows are selected, the current one
  };
  void Changed(Change change, int row = -1);
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  // The items, one allocation each and owned here: an insert into a long
  // sorted list moves pointers in one block, also in builds without
  // optimisation, where moving whole items one by one took seconds.
  std::vector<Item*> items_;
  int curSel_ = LB_ERR;
  DWORD style_ = 0;
  int horizontalExtent_ = 0;
  Change change_ = Change::Every;
  int changeRow_ = -1;

 private:
  // FindStringExact from the top: the first index of each text's
  // comparison key, made when first asked for after the texts changed, so
  // looking up every record's name in a list of thousands stays linear.
  void TextsChanged() { exactIndex_.clear(); exactIndexMade_ = false; }
  mutable std::unordered_map<std::string, int> exactIndex_;
  mutable bool exactIndexMade_ = false;
};

class CCheckListBox : public CListBox {
  DECLARE_DYNAMIC(CCheckListBox)

 public:
  void SetCheck(int index, int state);
  int GetCheck(int index) const;
};
