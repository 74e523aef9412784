// The tree view control on a QTreeWidget.
#include <QHeaderView>
#include <QTreeWidget>

#include "platform/ui/qt/hwnd.h"
#include "platform/ui/treectrl.h"

IMPLEMENT_DYNAMIC(CTreeCtrl, CWnd)

namespace qv::ui {
namespace {
constexpr int kDataRole = Qt::UserRole + 1;

QTreeWidget* TreeOf(HWND h) {
  return IsLive(h) && h->kind == Kind::TreeView ? qobject_cast<QTreeWidget*>(h->widget.data()) : nullptr;
}
QTreeWidgetItem* ItemOf(HTREEITEM h) { return reinterpret_cast<QTreeWidgetItem*>(h); }
HTREEITEM HandleOfItem(QTreeWidgetItem* i) { return reinterpret_cast<HTREEITEM>(i); }
bool IsSpecial(HTREEITEM h) { return h == TVI_ROOT || h == TVI_FIRST || h == TVI_LAST || h == nullptr; }

// Is the item one of this tree's?
bool Belongs(QTreeWidget* t, HTREEITEM h) {
  if (t == nullptr || IsSpecial(h)) return false;
  QTreeWidgetItem* item = ItemOf(h);
  std::vector<QTreeWidgetItem*> stack;
  for (int i = 0; i < t->topLevelItemCount(); ++i) stack.push_back(t->topLevelItem(i));
  while (!stack.empty()) {
    QTreeWidgetItem* it = stack.back();
    stack.pop_back();
    if (it == item) return true;
    for (int i = 0; i < it->childCount(); ++i) stack.push_back(it->child(i));
  }
  return false;
}
}  // namespace

QWidget* NewTreeViewWidget(QWidget* parent, DWORD style) {
  auto* t = new QTreeWidget(parent);
  t->setHeaderHidden(true);
  t->setColumnCount(1);
  t->setRootIsDecorated((style & TVS_LINESATROOT) != 0);
  t->setItemsExpandable((style & TVS_HASBUTTONS) != 0);
  t->setSelectionMode(QAbstractItemView::SingleSelection);
  t->setIndentation(16);
  return t;
}

void BindTreeView(HWND h) {
  QTreeWidget* t = TreeOf(h);
  if (t == nullptr) return;
  AddInputWidget(h, t->viewport());
  QObject::connect(t, &QTreeWidget::currentItemChanged, t, [h](QTreeWidgetItem*, QTreeWidgetItem*) {
    NMHDR hdr{};
    Notify(h, TVN_SELCHANGED, &hdr);
  });
}

}  // namespace qv::ui

using qv::ui::Belongs;
using qv::ui::HandleOfItem;
using qv::ui::ItemOf;
using qv::ui::TreeOf;

BOOL CTreeCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  qv::ui::EnsureApp();
  QWidget* parent = pParentWnd ? qv::ui::ContainerOf(pParentWnd->m_hWnd) : nullptr;
  QWidget* w = qv::ui::NewTreeViewWidget(parent, dwStyle);
  w->setGeometry(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  HWND h = qv::ui::Register(this, w, qv::ui::Kind::TreeView, pParentWnd ? pParentWnd->m_hWnd : nullptr,
                            static_cast<int>(nID), dwStyle, 0);
  qv::ui::BindTreeView(h);
  w->setVisible((dwStyle & WS_VISIBLE) != 0);
  return TRUE;
}

HTREEITEM CTreeCtrl::InsertItem(LPCTSTR lpszItem, HTREEITEM hParent, HTREEITEM hInsertAfter) {
  QTreeWidget* t = TreeOf(m_hWnd);
  if (t == nullptr) return nullptr;
  QTreeWidgetItem* parent = nullptr;
  if (!qv::ui::IsSpecial(hParent)) {
    if (!Belongs(t, hParent)) return nullptr;
    parent = ItemOf(hParent);
  }
  auto* item = new QTreeWidgetItem;
  item->setText(0, qv::ui::ToQ(lpszItem ? lpszItem : ""));
  if (qv::ui::IsLive(m_hWnd) && (m_hWnd->style & TVS_CHECKBOXES)) item->setCheckState(0, Qt::Unchecked);
  const int count = parent ? parent->childCount() : t->topLevelItemCount();
  int at = count;
  if (hInsertAfter == TVI_FIRST) {
    at = 0;
  } else if (!qv::ui::IsSpecial(hInsertAfter)) {
    QTreeWidgetItem* after = ItemOf(hInsertAfter);
    const int i = parent ? parent->indexOfChild(after) : t->indexOfTopLevelItem(after);
    if (i >= 0) at = i + 1;
  }
  if (parent) {
    parent->insertChild(at, item);
  } else {
    t->insertTopLevelItem(at, item);
  }
  return HandleOfItem(item);
}

BOOL CTreeCtrl::DeleteItem(HTREEITEM hItem) {
  QTreeWidget* t = TreeOf(m_hWnd);
  if (hItem == TVI_ROOT) return DeleteAllItems();
  if (!Belongs(t, hItem)) return FALSE;
  delete ItemOf(hItem);
  return TRUE;
}

BOOL CTreeCtrl::DeleteAllItems() {
  QTreeWidget* t = TreeOf(m_hWnd);
  if (t == nullptr) return FALSE;
  t->clear();
  return TRUE;
}

BOOL CTreeCtrl::Expand(HTREEITEM hItem, UINT nCode) {
  QTreeWidget* t = TreeOf(m_hWnd);
  if (!Belongs(t, hItem)) return FALSE;
  QTreeWidgetItem* it = ItemOf(hItem);
  if ((nCode & 3) == TVE_EXPAND) it->setExpanded(true);
  if ((nCode & 3) == TVE_COLLAPSE) it->setExpanded(false);
  if ((nCode & 3) == TVE_TOGGLE) it->setExpanded(!it->isExpanded());
  return TRUE;
}

BOOL CTreeCtrl::ItemIsExpanded(HTREEITEM hItem) const {
  return Belongs(TreeOf(m_hWnd), hItem) && ItemOf(hItem)->isExpanded();
}

CString CTreeCtrl::GetItemText(HTREEITEM hItem) const {
  if (!Belongs(TreeOf(m_hWnd), hItem)) return CString();
  const std::string t = qv::ui::FromQ(ItemOf(hItem)->text(0));
  return CString(std::string_view(t));
}

BOOL CTreeCtrl::SetItemText(HTREEITEM hItem, LPCTSTR lpszItem) {
  if (!Belongs(TreeOf(m_hWnd), hItem)) return FALSE;
  ItemOf(hItem)->setText(0, qv::ui::ToQ(lpszItem ? lpszItem : ""));
  return TRUE;
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM hItem) const {
  if (!Belongs(TreeOf(m_hWnd), hItem)) return 0;
  return static_cast<DWORD_PTR>(ItemOf(hItem)->data(0, qv::ui::kDataRole).toULongLong());
}

BOOL CTreeCtrl::SetItemData(HTREEITEM hItem, DWORD_PTR dwData) {
  if (!Belongs(TreeOf(m_hWnd), hItem)) return FALSE;
  ItemOf(hItem)->setData(0, qv::ui::kDataRole, QVariant::fromValue<qulonglong>(dwData));
  return TRUE;
}

BOOL CTreeCtrl::GetCheck(HTREEITEM hItem) const {
  return Belongs(TreeOf(m_hWnd), hItem) && ItemOf(hItem)->checkState(0) == Qt::Checked;
}

BOOL CTreeCtrl::SetCheck(HTREEITEM hItem, BOOL fCheck) {
  if (!Belongs(TreeOf(m_hWnd), hItem)) return FALSE;
  ItemOf(hItem)->setCheckState(0, fCheck ? Qt::Checked : Qt::Unchecked);
  return TRUE;
}

HTREEITEM CTreeCtrl::GetRootItem() const {
  QTreeWidget* t = TreeOf(m_hWnd);
  return t && t->topLevelItemCount() > 0 ? HandleOfItem(t->topLevelItem(0)) : nullptr;
}

HTREEITEM CTreeCtrl::GetChildItem(HTREEITEM hItem) const {
  QTreeWidget* t = TreeOf(m_hWnd);
  if (hItem == TVI_ROOT || hItem == nullptr) return GetRootItem();
  if (!Belongs(t, hItem) || ItemOf(hItem)->childCount() == 0) return nullptr;
  return HandleOfItem(ItemOf(hItem)->child(0));
}

HTREEITEM CTreeCtrl::GetNextSiblingItem(HTREEITEM hItem) const {
  QTreeWidget* t = TreeOf(m_hWnd);
  if (!Belongs(t, hItem)) return nullptr;
  QTreeWidgetItem* it = ItemOf(hItem);
  QTreeWidgetItem* parent = it->parent();
  const int i = parent ? parent->indexOfChild(it) : t->indexOfTopLevelItem(it);
  const int n = parent ? parent->childCount() : t->topLevelItemCount();
  if (i + 1 >= n) return nullptr;
  return HandleOfItem(parent ? parent->child(i + 1) : t->topLevelItem(i + 1));
}

HTREEITEM CTreeCtrl::GetParentItem(HTREEITEM hItem) const {
  if (!Belongs(TreeOf(m_hWnd), hItem)) return nullptr;
  return HandleOfItem(ItemOf(hItem)->parent());
}

HTREEITEM CTreeCtrl::GetSelectedItem() const {
  QTreeWidget* t = TreeOf(m_hWnd);
  return t ? HandleOfItem(t->currentItem()) : nullptr;
}

BOOL CTreeCtrl::SelectItem(HTREEITEM hItem) {
  QTreeWidget* t = TreeOf(m_hWnd);
  if (t == nullptr) return FALSE;
  if (hItem == nullptr) {
    t->setCurrentItem(nullptr);
    return TRUE;
  }
  if (!Belongs(t, hItem)) return FALSE;
  t->setCurrentItem(ItemOf(hItem));
  return TRUE;
}

UINT CTreeCtrl::GetCount() const {
  QTreeWidget* t = TreeOf(m_hWnd);
  if (t == nullptr) return 0;
  UINT n = 0;
  std::vector<QTreeWidgetItem*> stack;
  for (int i = 0; i < t->topLevelItemCount(); ++i) stack.push_back(t->topLevelItem(i));
  while (!stack.empty()) {
    QTreeWidgetItem* it = stack.back();
    stack.pop_back();
    ++n;
    for (int i = 0; i < it->childCount(); ++i) stack.push_back(it->child(i));
  }
  return n;
}

BOOL CTreeCtrl::ItemHasChildren(HTREEITEM hItem) const {
  return Belongs(TreeOf(m_hWnd), hItem) && ItemOf(hItem)->childCount() > 0;
}
