#include "platform/ui/listbox.h"

#include "platform/base/mbstring.h"

int CListBox::AddString(const char* text) {
  if ((style_ & LBS_SORT) == 0) return InsertString(-1, text);
  // After the items that sort equal, so equal texts keep the order added.
  const char* t = text ? text : "";
  int lo = 0;
  int hi = GetCount();
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (_mbsicmp(items_[mid].text, t) <= 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return InsertString(lo, t);
}

int CListBox::InsertString(int index, const char* text) {
  if (index < -1 || index > GetCount()) return LB_ERR;
  Item item;
  item.text = text ? text : "";
  if (index == -1) index = GetCount();
  items_.insert(items_.begin() + index, std::move(item));
  if (curSel_ >= index) ++curSel_;
  ItemsChanged();
  return index;
}

int CListBox::DeleteString(UINT index) {
  const int i = static_cast<int>(index);
  if (!Valid(i)) return LB_ERR;
  items_.erase(items_.begin() + i);
  if (curSel_ == i) curSel_ = LB_ERR;
  else if (curSel_ > i) --curSel_;
  ItemsChanged();
  return GetCount();
}

void CListBox::ResetContent() {
  items_.clear();
  curSel_ = LB_ERR;
  ItemsChanged();
}

int CListBox::GetText(int index, CString& text) const {
  if (!Valid(index)) return LB_ERR;
  text = items_[index].text;
  return text.GetLength();
}

int CListBox::GetTextLen(int index) const {
  return Valid(index) ? items_[index].text.GetLength() : LB_ERR;
}

int CListBox::FindStringExact(int startAfter, const char* text) const {
  const int n = GetCount();
  if (n == 0 || !text) return LB_ERR;
  int start = (startAfter >= 0 && startAfter < n) ? startAfter + 1 : 0;
  for (int k = 0; k < n; ++k) {
    const int i = (start + k) % n;
    if (_mbsicmp(items_[i].text, text) == 0) return i;
  }
  return LB_ERR;
}

DWORD_PTR CListBox::GetItemData(int index) const {
  return Valid(index) ? items_[index].data : static_cast<DWORD_PTR>(LB_ERR);
}

int CListBox::SetItemData(int index, DWORD_PTR data) {
  if (!Valid(index)) return LB_ERR;
  items_[index].data = data;
  return 0;
}

int CListBox::SetCurSel(int index) {
  if (!Valid(index)) {
    // -1 (or any index outside the list) clears the selection.
    if (curSel_ != LB_ERR) {
      curSel_ = LB_ERR;
      ItemsChanged();
    }
    return LB_ERR;
  }
  curSel_ = index;
  ItemsChanged();
  return index;
}

void CCheckListBox::SetCheck(int index, int state) {
  if (!Valid(index)) return;
  items_[index].check = state;
  ItemsChanged();
}

int CCheckListBox::GetCheck(int index) const {
  return Valid(index) ? items_[index].check : LB_ERR;
}
