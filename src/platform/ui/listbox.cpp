#include "platform/ui/listbox.h"

#include <cstring>
#include <memory>

#include "platform/base/mbstring.h"
#include "platform/ui/qt/bridge.h"

IMPLEMENT_DYNAMIC(CListBox, CWnd)
IMPLEMENT_DYNAMIC(CCheckListBox, CListBox)

namespace {
// Does `text` begin with `prefix`, letter case ignored?
bool BeginsWith(const CString& text, const char* prefix) {
  const size_t n = std::strlen(prefix);
  if (static_cast<size_t>(text.GetLength()) < n) return false;
  return _mbsnbicmp(reinterpret_cast<const unsigned char*>(text.GetString()),
                    reinterpret_cast<const unsigned char*>(prefix), n) == 0;
}
}  // namespace

CListBox::~CListBox() {
  for (Item* it : items_) delete it;
}

void CListBox::ItemsChanged() {
  if (m_hWnd == nullptr) return;
  switch (change_) {
    case Change::Inserted:
      qv::ui::ListBoxRowInserted(this, changeRow_);
      break;
    case Change::Removed:
      qv::ui::ListBoxRowRemoved(this, changeRow_);
      break;
    case Change::Row:
      qv::ui::ListBoxRowChanged(this, changeRow_);
      break;
    case Change::Selection:
      qv::ui::ListBoxSelectionChanged(this);
      break;
    case Change::Every:
      qv::ui::SyncListBox(this);
      break;
  }
}

void CListBox::Changed(Change change, int row) {
  change_ = change;
  changeRow_ = row;
  ItemsChanged();
  change_ = Change::Every;
  changeRow_ = -1;
}

int CListBox::AddString(const char* text) {
  if ((style_ & LBS_SORT) == 0) return InsertString(-1, text);
  // After the items that sort equal, so equal texts keep the order added.
  const char* t = text ? text : "";
  int lo = 0;
  int hi = GetCount();
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (_mbsicmp(items_[mid]->text, t) <= 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return InsertString(lo, t);
}

int CListBox::InsertString(int index, const char* text) {
  if (index < -1 || index > GetCount()) return LB_ERR;
  auto item = std::make_unique<Item>();
  item->text = text ? text : "";
  if (index == -1) index = GetCount();
  items_.insert(items_.begin() + index, item.get());
  item.release();
  TextsChanged();
  if (curSel_ >= index) ++curSel_;
  Changed(Change::Inserted, index);
  return index;
}

int CListBox::DeleteString(UINT index) {
  const int i = static_cast<int>(index);
  if (!Valid(i)) return LB_ERR;
  delete items_[i];
  items_.erase(items_.begin() + i);
  TextsChanged();
  if (curSel_ == i) curSel_ = LB_ERR;
  else if (curSel_ > i) --curSel_;
  Changed(Change::Removed, i);
  return GetCount();
}

void CListBox::ResetContent() {
  for (Item* it : items_) delete it;
  items_.clear();
  TextsChanged();
  curSel_ = LB_ERR;
  ItemsChanged();
}

int CListBox::GetText(int index, CString& text) const {
  if (!Valid(index)) return LB_ERR;
  text = items_[index]->text;
  return text.GetLength();
}

int CListBox::GetTextLen(int index) const {
  return Valid(index) ? items_[index]->text.GetLength() : LB_ERR;
}

int CListBox::FindStringExact(int startAfter, const char* text) const {
  const int n = GetCount();
  if (n == 0 || !text) return LB_ERR;
  int start = (startAfter >= 0 && startAfter < n) ? startAfter + 1 : 0;
  if (start == 0) {
    if (!exactIndexMade_) {
      for (int i = 0; i < n; ++i) exactIndex_.emplace(qv::Cp932CompareKey(items_[i]->text), i);
      exactIndexMade_ = true;
    }
    const auto it = exactIndex_.find(qv::Cp932CompareKey(text));
    return it == exactIndex_.end() ? LB_ERR : it->second;
  }
  for (int k = 0; k < n; ++k) {
    const int i = (start + k) % n;
    if (_mbsicmp(items_[i]->text, text) == 0) return i;
  }
  return LB_ERR;
}

DWORD_PTR CListBox::GetItemData(int index) const {
  return Valid(index) ? items_[index]->data : static_cast<DWORD_PTR>(LB_ERR);
}

int CListBox::SetItemData(int index, DWORD_PTR data) {
  if (!Valid(index)) return LB_ERR;
  items_[index]->data = data;
  return 0;
}

int CListBox::SetCurSel(int index) {
  if (!Valid(index)) {
    // -1 (or any index outside the list) clears the selection.
    if (curSel_ != LB_ERR) {
      curSel_ = LB_ERR;
      Changed(Change::Selection);
    }
    return LB_ERR;
  }
  for (Item* it : items_) it->selected = false;
  curSel_ = index;
  Changed(Change::Selection);
  return index;
}

void CCheckListBox::SetCheck(int index, int state) {
  if (!Valid(index)) return;
  items_[index]->check = state;
  Changed(Change::Row, index);
}

int CCheckListBox::GetCheck(int index) const {
  return Valid(index) ? items_[index]->check : LB_ERR;
}

int CListBox::GetSel(int index) const {
  if (!Valid(index)) return LB_ERR;
  return (items_[index]->selected || index == curSel_) ? 1 : 0;
}

int CListBox::SetSel(int index, BOOL bSelect) {
  if (index == -1) {
    for (Item* it : items_) it->selected = bSelect != FALSE;
    Changed(Change::Selection);
  } else if (Valid(index)) {
    items_[index]->selected = bSelect != FALSE;
    const int before = curSel_;
    if (bSelect) curSel_ = index;
    // The row that was the current one shows selected only as long as it
    // is.
    if (before != curSel_ && Valid(before)) Changed(Change::Row, before);
    Changed(Change::Row, index);
  } else {
    return LB_ERR;
  }
  return 0;
}

int CListBox::GetSelCount() const {
  int n = 0;
  for (int i = 0; i < GetCount(); ++i) n += GetSel(i) == 1;
  return n;
}

int CListBox::GetSelItems(int nMaxItems, LPINT rgIndex) const {
  int n = 0;
  for (int i = 0; i < GetCount() && n < nMaxItems; ++i) {
    if (GetSel(i) == 1) rgIndex[n++] = i;
  }
  return n;
}

int CListBox::FindString(int startAfter, const char* text) const {
  const int n = GetCount();
  if (n == 0 || !text) return LB_ERR;
  const int start = (startAfter >= 0 && startAfter < n) ? startAfter + 1 : 0;
  for (int k = 0; k < n; ++k) {
    const int i = (start + k) % n;
    if (BeginsWith(items_[i]->text, text)) return i;
  }
  return LB_ERR;
}

int CListBox::SelectString(int startAfter, const char* text) {
  const int i = FindString(startAfter, text);
  if (i == LB_ERR) return LB_ERR;
  for (Item* it : items_) it->selected = false;
  items_[i]->selected = true;
  curSel_ = i;
  Changed(Change::Selection);
  return i;
}

void CListBox::TakeItemsFrom(CListBox& other) {
  if (&other == this) return;
  if (items_.empty()) {
    items_.swap(other.items_);
    curSel_ = other.curSel_;
  }
  style_ |= other.style_;
  if (horizontalExtent_ == 0) horizontalExtent_ = other.horizontalExtent_;
  for (Item* it : other.items_) delete it;
  other.items_.clear();
  other.TextsChanged();
  TextsChanged();
  other.curSel_ = LB_ERR;
  ItemsChanged();
}

void CListBox::UserSelection(int current, const std::vector<bool>& selected) {
  for (size_t i = 0; i < items_.size() && i < selected.size(); ++i) items_[i]->selected = selected[i];
  curSel_ = Valid(current) ? current : LB_ERR;
}

void CListBox::UserCheck(int index, int state) {
  if (Valid(index)) items_[index]->check = state;
}

std::vector<CListBox::ItemView> CListBox::Items() const {
  std::vector<ItemView> out;
  out.reserve(items_.size());
  for (size_t i = 0; i < items_.size(); ++i) {
    out.push_back({&items_[i]->text, items_[i]->check, items_[i]->selected || static_cast<int>(i) == curSel_});
  }
  return out;
}

CListBox::ItemView CListBox::ItemAt(int index) const {
  const Item& it = *items_[static_cast<size_t>(index)];
  return {&it.text, it.check, it.selected || index == curSel_};
}

LRESULT CListBox::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case LB_ADDSTRING:
      return AddString(reinterpret_cast<const char*>(lParam));
    case LB_RESETCONTENT:
      ResetContent();
      return 0;
    case LB_GETCOUNT:
      return GetCount();
    case LB_GETCURSEL:
      return GetCurSel();
    case LB_SETSEL:
      return SetSel(static_cast<int>(lParam), static_cast<BOOL>(wParam));
    case LB_SELECTSTRING:
      return SelectString(static_cast<int>(wParam), reinterpret_cast<const char*>(lParam));
    case LB_SETHORIZONTALEXTENT:
      SetHorizontalExtent(static_cast<int>(wParam));
      return 0;
    default:
      return CWnd::DefWindowProc(message, wParam, lParam);
  }
}
