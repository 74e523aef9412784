// The report-style list view on a QTreeView over a table model.
#include <QAbstractTableModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTreeView>

#include <algorithm>
#include <vector>

#include "platform/ui/listctrl.h"
#include "platform/ui/qt/hwnd.h"

IMPLEMENT_DYNAMIC(CListCtrl, CWnd)

namespace qv::ui {
namespace {

struct Column {
  CString text;
  int fmt = LVCFMT_LEFT;
  int width = 0;
  int subItem = 0;
};

struct Row {
  std::vector<CString> texts;  // by column position
  LPARAM data = 0;
  bool selected = false;
  bool focused = false;
};

// `text` with each line break (CR LF, CR, LF, and the other characters a
// text layout breaks lines at) as one blank.
QString OneLine(QString text) {
  static const QChar kBreaks[] = {u'\n', u'\v', u'\f', u'\r', QChar(QChar::LineSeparator),
                                  QChar(QChar::ParagraphSeparator), QChar(0x85)};
  text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
  for (QChar b : kBreaks) text.replace(b, u' ');
  return text;
}

class ListModel : public QAbstractTableModel {
 public:
  std::vector<Column> cols;
  std::vector<Row> rows;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override {
    return parent.isValid() ? 0 : static_cast<int>(rows.size());
  }
  int columnCount(const QModelIndex& parent = QModelIndex()) const override {
    return parent.isValid() ? 0 : static_cast<int>(cols.size());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return QVariant();
    const size_t r = static_cast<size_t>(index.row());
    const size_t c = static_cast<size_t>(index.column());
    if (r >= rows.size() || c >= cols.size()) return QVariant();
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
      const Row& row = rows[r];
      if (c >= row.texts.size()) return QString();
      // A cell is drawn on one line, as the Windows list control draws it:
      // a line break (a DVD comment of two lines) shows as a blank and
      // never makes the rows higher. The tip shows the text as it is.
      const QString text = ToQ(row.texts[c].View());
      return role == Qt::DisplayRole ? OneLine(text) : text;
    }
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Alignment(c));
    return QVariant();
  }
  QVariant headerData(int section, Qt::Orientation o, int role) const override {
    if (o != Qt::Horizontal || section < 0 || static_cast<size_t>(section) >= cols.size()) return QVariant();
    if (role == Qt::DisplayRole) return ToQ(cols[static_cast<size_t>(section)].text.View());
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Alignment(static_cast<size_t>(section)));
    return QVariant();
  }
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
  }
  // The first column is always left-aligned, as the platform's list view
  // draws it whatever its format says.
  Qt::Alignment Alignment(size_t c) const {
    const int fmt = c == 0 ? LVCFMT_LEFT : cols[c].fmt & 3;
    const Qt::Alignment h = fmt == LVCFMT_CENTER ? Qt::AlignHCenter : fmt == LVCFMT_RIGHT ? Qt::AlignRight : Qt::AlignLeft;
    return h | Qt::AlignVCenter;
  }
  void Reset() {
    beginResetModel();
    endResetModel();
  }
  using QAbstractTableModel::beginResetModel;
  using QAbstractTableModel::endResetModel;
  using QAbstractTableModel::beginInsertRows;
  using QAbstractTableModel::endInsertRows;
  using QAbstractTableModel::beginRemoveRows;
  using QAbstractTableModel::endRemoveRows;
};

class ListView : public QTreeView {
 public:
  explicit ListView(QWidget* parent) : QTreeView(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setTextElideMode(Qt::ElideRight);
    setContextMenuPolicy(Qt::CustomContextMenu);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setSectionsClickable(true);
    header()->setHighlightSections(false);
    header()->setMinimumSectionSize(0);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
  }
};

struct ListData {
  ListModel* model = nullptr;
  ListView* view = nullptr;
  DWORD exStyle = 0;
  bool deferred = false;  // redrawing suspended: the view catches up on resume
  bool syncing = false;   // the layer moves the view's selection itself
  int pendingVisible = -1;  // row to scroll to when redrawing resumes
};

ListData* DataOf(HWND h) { return IsLive(h) && h->kind == Kind::ListView ? static_cast<ListData*>(h->data) : nullptr; }

void SendItemChanged(HWND h, int item, UINT newState, UINT oldState) {
  NMLISTVIEW nm{};
  nm.iItem = item;
  nm.iSubItem = 0;
  nm.uNewState = newState;
  nm.uOldState = oldState;
  nm.uChanged = LVIF_STATE;
  ListData* d = DataOf(h);
  if (d && item >= 0 && static_cast<size_t>(item) < d->model->rows.size()) nm.lParam = d->model->rows[static_cast<size_t>(item)].data;
  Notify(h, LVN_ITEMCHANGED, &nm.hdr);
}

// The view's selection from the rows' states.
void PushSelection(ListData* d) {
  if (d->deferred || d->view == nullptr) return;
  QItemSelectionModel* sm = d->view->selectionModel();
  if (sm == nullptr) return;
  d->syncing = true;
  QItemSelection sel;
  const int last = static_cast<int>(d->model->cols.size()) - 1;
  int runStart = -1;
  const int n = static_cast<int>(d->model->rows.size());
  for (int i = 0; i <= n; ++i) {
    const bool on = i < n && d->model->rows[static_cast<size_t>(i)].selected;
    if (on && runStart < 0) runStart = i;
    if (!on && runStart >= 0) {
      sel.select(d->model->index(runStart, 0), d->model->index(i - 1, std::max(0, last)));
      runStart = -1;
    }
  }
  sm->select(sel, QItemSelectionModel::ClearAndSelect);
  int focused = -1;
  for (int i = 0; i < n; ++i) {
    if (d->model->rows[static_cast<size_t>(i)].focused) focused = i;
  }
  if (focused >= 0) {
    // A focus the program sets does not scroll the list (Qt would scroll
    // to it, now or when the list is shown); only EnsureVisible does.
    const bool autoScroll = d->view->hasAutoScroll();
    d->view->setAutoScroll(false);
    sm->setCurrentIndex(d->model->index(focused, 0), QItemSelectionModel::NoUpdate);
    d->view->setAutoScroll(autoScroll);
  }
  d->syncing = false;
}

void CatchUp(ListData* d) {
  d->model->Reset();
  for (size_t c = 0; c < d->model->cols.size(); ++c) d->view->setColumnWidth(static_cast<int>(c), d->model->cols[c].width);
  PushSelection(d);
  if (d->pendingVisible >= 0 && static_cast<size_t>(d->pendingVisible) < d->model->rows.size()) {
    d->view->scrollTo(d->model->index(d->pendingVisible, 0), QAbstractItemView::EnsureVisible);
  }
  d->pendingVisible = -1;
}

}  // namespace

QWidget* NewListViewWidget(QWidget* parent, DWORD style) {
  auto* v = new ListView(parent);
  v->setSelectionMode((style & LVS_SINGLESEL) ? QAbstractItemView::SingleSelection : QAbstractItemView::ExtendedSelection);
  v->header()->setSectionsClickable(!(style & LVS_NOSORTHEADER));
  return v;
}

void BindListView(HWND h) {
  auto* view = static_cast<ListView*>(h->widget.data());
  auto* d = new ListData;
  d->view = view;
  d->model = new ListModel;
  d->model->setParent(view);
  view->setModel(d->model);
  h->data = d;
  h->freeData = [d]() { delete d; };
  AddInputWidget(h, view->viewport());

  QObject::connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, view,
                   [h](const QItemSelection& selected, const QItemSelection& deselected) {
                     ListData* dd = DataOf(h);
                     if (dd == nullptr || dd->syncing) return;
                     int first = -1;
                     int count = 0;
                     auto apply = [&](const QItemSelection& s, bool on) {
                       for (const QItemSelectionRange& r : s) {
                         for (int i = r.top(); i <= r.bottom(); ++i) {
                           if (i < 0 || static_cast<size_t>(i) >= dd->model->rows.size()) continue;
                           Row& row = dd->model->rows[static_cast<size_t>(i)];
                           if (row.selected == on) continue;
                           row.selected = on;
                           if (first < 0) first = i;
                           ++count;
                         }
                       }
                     };
                     apply(deselected, false);
                     apply(selected, true);
                     if (count == 0) return;
                     const UINT state = count == 1 && dd->model->rows[static_cast<size_t>(first)].selected ? LVIS_SELECTED : 0;
                     SendItemChanged(h, count == 1 ? first : -1, state, state ? 0 : LVIS_SELECTED);
                   });
  QObject::connect(view->selectionModel(), &QItemSelectionModel::currentChanged, view,
                   [h](const QModelIndex& current, const QModelIndex&) {
                     ListData* dd = DataOf(h);
                     if (dd == nullptr || dd->syncing) return;
                     for (Row& r : dd->model->rows) r.focused = false;
                     if (current.isValid() && static_cast<size_t>(current.row()) < dd->model->rows.size())
                       dd->model->rows[static_cast<size_t>(current.row())].focused = true;
                   });
  auto activate = [h](UINT code, const QModelIndex& index) {
    NMITEMACTIVATE nm{};
    nm.iItem = index.isValid() ? index.row() : -1;
    nm.iSubItem = index.isValid() ? index.column() : 0;
    Notify(h, code, &nm.hdr);
  };
  QObject::connect(view, &QAbstractItemView::clicked, view, [activate](const QModelIndex& i) { activate(NM_CLICK, i); });
  QObject::connect(view, &QAbstractItemView::doubleClicked, view,
                   [activate](const QModelIndex& i) { activate(NM_DBLCLK, i); });
  QObject::connect(view, &QWidget::customContextMenuRequested, view, [h, view, activate](const QPoint& p) {
    activate(NM_RCLICK, view->indexAt(p));
  });
  QObject::connect(view->header(), &QHeaderView::sectionClicked, view, [h](int section) {
    NMLISTVIEW nm{};
    nm.iItem = -1;
    nm.iSubItem = section;
    Notify(h, LVN_COLUMNCLICK, &nm.hdr);
  });
  QObject::connect(view->header(), &QHeaderView::sectionResized, view, [h](int section, int, int size) {
    ListData* dd = DataOf(h);
    if (dd && section >= 0 && static_cast<size_t>(section) < dd->model->cols.size())
      dd->model->cols[static_cast<size_t>(section)].width = size;
  });
}

}  // namespace qv::ui

using qv::ui::DataOf;
using qv::ui::ListData;

int CHeaderCtrl::GetItemCount() const { return m_list ? m_list->GetColumnCount() : 0; }

CListCtrl::CListCtrl() : m_header(this) {}
CListCtrl::~CListCtrl() = default;

BOOL CListCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  qv::ui::EnsureApp();
  QWidget* parent = pParentWnd ? qv::ui::ContainerOf(pParentWnd->m_hWnd) : nullptr;
  QWidget* w = qv::ui::NewListViewWidget(parent, dwStyle);
  w->setGeometry(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  HWND h = qv::ui::Register(this, w, qv::ui::Kind::ListView, pParentWnd ? pParentWnd->m_hWnd : nullptr,
                            static_cast<int>(nID), dwStyle, 0);
  qv::ui::BindListView(h);
  w->setVisible((dwStyle & WS_VISIBLE) != 0);
  return TRUE;
}

int CListCtrl::InsertColumn(int nCol, const LVCOLUMN* pColumn) {
  ListData* d = DataOf(m_hWnd);
  if (d == nullptr || pColumn == nullptr) return -1;
  const int n = static_cast<int>(d->model->cols.size());
  if (nCol < 0) return -1;
  if (nCol > n) nCol = n;
  qv::ui::Column c;
  if (pColumn->mask & LVCF_TEXT) c.text = pColumn->pszText ? pColumn->pszText : "";
  if (pColumn->mask & LVCF_FMT) c.fmt = pColumn->fmt;
  c.width = (pColumn->mask & LVCF_WIDTH) ? pColumn->cx : 0;
  c.subItem = (pColumn->mask & LVCF_SUBITEM) ? pColumn->iSubItem : nCol;
  d->model->beginResetModel();
  d->model->cols.insert(d->model->cols.begin() + nCol, c);
  for (qv::ui::Row& r : d->model->rows) {
    if (static_cast<size_t>(nCol) <= r.texts.size()) r.texts.insert(r.texts.begin() + nCol, CString());
  }
  d->model->endResetModel();
  for (size_t i = 0; i < d->model->cols.size(); ++i) d->view->setColumnWidth(static_cast<int>(i), d->model->cols[i].width);
  qv::ui::PushSelection(d);
  return nCol;
}

int CListCtrl::InsertColumn(int nCol, LPCTSTR lpszColumnHeading, int nFormat, int nWidth, int nSubItem) {
  LVCOLUMN c{};
  c.mask = LVCF_TEXT | LVCF_FMT;
  c.pszText = const_cast<LPSTR>(lpszColumnHeading ? lpszColumnHeading : "");
  c.fmt = nFormat;
  if (nWidth >= 0) {
    c.mask |= LVCF_WIDTH;
    c.cx = nWidth;
  }
  if (nSubItem >= 0) {
    c.mask |= LVCF_SUBITEM;
    c.iSubItem = nSubItem;
  }
  return InsertColumn(nCol, &c);
}

BOOL CListCtrl::DeleteColumn(int nCol) {
  ListData* d = DataOf(m_hWnd);
  if (d == nullptr || nCol < 0 || static_cast<size_t>(nCol) >= d->model->cols.size()) return FALSE;
  d->model->beginResetModel();
  d->model->cols.erase(d->model->cols.begin() + nCol);
  for (qv::ui::Row& r : d->model->rows) {
    if (static_cast<size_t>(nCol) < r.texts.size()) r.texts.erase(r.texts.begin() + nCol);
  }
  d->model->endResetModel();
  qv::ui::PushSelection(d);
  return TRUE;
}

int CListCtrl::GetColumnWidth(int nCol) const {
  ListData* d = DataOf(m_hWnd);
  if (d == nullptr || nCol < 0 || static_cast<size_t>(nCol) >= d->model->cols.size()) return 0;
  return d->model->cols[static_cast<size_t>(nCol)].width;
}

BOOL CListCtrl::SetColumnWidth(int nCol, int cx) {
  ListData* d = DataOf(m_hWnd);
  if (d == nullptr || nCol < 0 || static_cast<size_t>(nCol) >= d->model->cols.size()) return FALSE;
  d->model->cols[static_cast<size_t>(nCol)].width = std::max(0, cx);
  d->view->setColumnWidth(nCol, std::max(0, cx));
  return TRUE;
}

CString CListCtrl::GetColumnText(int nCol) const {
  ListData* d = DataOf(m_hWnd);
  if (d == nullptr || nCol < 0 || static_cast<size_t>(nCol) >= d->model->cols.size()) return CString();
  return d->model->cols[static_cast<size_t>(nCol)].text;
}

int CListCtrl::GetColumnCount() const {
  ListData* d = DataOf(m_hWnd);
  return d ? static_cast<int>(d->model->cols.size()) : 0;
}

int CListCtrl::InsertItem(int nItem, LPCTSTR lpszItem) {
  LVITEM it{};
  it.mask = LVIF_TEXT;
  it.iItem = nItem;
  it.pszText = const_cast<LPSTR>(lpszItem ? lpszItem : "");
  return InsertItem(&it);
}

int CListCtrl::InsertItem(const LVITEM* pItem) {
  ListData* d = DataOf(m_hWnd);
  if (d == nullptr || pItem == nullptr || pItem->iSubItem != 0) return -1;
  const int n = static_cast<int>(d->model->rows.size());
  int at = pItem->iItem;
  if (at < 0 || at > n) at = n;
  qv::ui::Row r;
  r.texts.resize(std::max<size_t>(1, d->model->cols.size()));
  if (pItem->mask & LVIF_TEXT) r.texts[0] = pItem->pszText ? pItem->pszText : "";
  if (pItem->mask & LVIF_PARAM) r.data = pItem->lParam;
  if (pItem->mask & LVIF_STATE) {
    r.selected = (pItem->state & pItem->stateMask & LVIS_SELECTED) != 0;
    r.focused = (pItem->state & pItem->stateMask & LVIS_FOCUSED) != 0;
  }
  if (d->deferred) {
    d->model->rows.insert(d->model->rows.begin() + at, std::move(r));
  } else {
    d->model->beginInsertRows(QModelIndex(), at, at);
    d->model->rows.insert(d->model->rows.begin() + at, std::move(r));
    d->model->endInsertRows();
  }
  return at;
}

BOOL CListCtrl::DeleteItem(int nItem) {
  ListData* d = DataOf(m_hWnd);
  if (d == nullptr || nItem < 0 || static_cast<size_t>(nItem) >= d->model->rows.size()) return FALSE;
  if (d->deferred) {
    d->model->rows.erase(d->model->rows.begin() + nItem);
  } else {
    d->model->beginRemoveRows(QModelIndex(), nItem, nItem);
    d->model->rows.erase(d->model->rows.begin() + nItem);
    d->model->endRemoveRows();
  }
  return TRUE;
}

BOOL CListCtrl::DeleteAllItems() {
  ListData* d = DataOf(m_hWnd);
  if (d == nullptr) return FALSE;
  if (d->deferred) {
    d->model->rows.clear();
  } else {
    d->model->beginResetModel();
    d->model->rows.clear();
    d->model->endResetModel();
  }
  return TRUE;
}

int CListCtrl::GetItemCount() const {
  ListData* d = DataOf(m_hWnd);
  return d ? static_cast<int>(d->model->rows.size()) : 0;
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, LPCTSTR lpszText) {
  ListData* d = DataOf(m_hWnd);
  if (d == nullptr || nItem < 0 || static_cast<size_t>(nItem) >= d->model->rows.size() || nSubItem < 0) return FALSE;
  // Sub-items address columns by their sub-item number.
  size_t col = static_cast<size_t>(nSubItem);
  for (size_t c = 0; c < d->model->cols.size(); ++c) {
    if (d->model->cols[c].subItem == nSubItem) {
      col = c;
      break;
    }
  }
  if (col >= std::max<size_t>(1, d->model->cols.size())) return FALSE;
  qv::ui::Row& r = d->model->rows[static_cast<size_t>(nItem)];
  if (r.texts.size() <= col) r.texts.resize(col + 1);
  r.texts[col] = lpszText ? lpszText : "";
  if (!d->deferred) {
    const QModelIndex i = d->model->index(nItem, static_cast<int>(col));
    emit d->model->dataChanged(i, i);
  }
  return TRUE;
}

CString CListCtrl::GetItemText(int nItem, int nSubItem) const {
  ListData* d = DataOf(m_hWnd);
  if (d == nullptr || nItem < 0 || static_cast<size_t>(nItem) >= d->model->rows.size() || nSubItem < 0) return CString();
  size_t col = static_cast<size_t>(nSubItem);
  for (size_t c = 0; c < d->model->cols.size(); ++c) {
    if (d->model->cols[c].subItem == nSubItem) {
      col = c;
      break;
    }
  }
  const qv::ui::Row& r = d->model->rows[static_cast<size_t>(nItem)];
  return col < r.texts.size() ? r.texts[col] : CString();
}

int CListCtrl::GetItemText(int nItem, int nSubItem, LPTSTR lpszText, int nLen) const {
  if (lpszText == nullptr || nLen <= 0) return 0;
  const CString t = GetItemText(nItem, nSubItem);
  const int n = std::min(t.GetLength(), nLen - 1);
  std::memcpy(lpszText, t.GetString(), static_cast<size_t>(n));
  lpszText[n] = 0;
  return n;
}

BOOL CListCtrl::SetItemData(int nItem, DWORD_PTR dwData) {
  ListData* d = DataOf(m_hWnd);
  if (d == nullptr || nItem < 0 || static_cast<size_t>(nItem) >= d->model->rows.size()) return FALSE;
  d->model->rows[static_cast<size_t>(nItem)].data = static_cast<LPARAM>(dwData);
  return TRUE;
}

DWORD_PTR CListCtrl::GetItemData(int nItem) const {
  ListData* d = DataOf(m_hWnd);
  if (d == nullptr || nItem < 0 || static_cast<size_t>(nItem) >= d->model->rows.size()) return 0;
  return static_cast<DWORD_PTR>(d->model->rows[static_cast<size_t>(nItem)].data);
}

BOOL CListCtrl::SetItem(const LVITEM* pItem) {
  if (pItem == nullptr) return FALSE;
  BOOL ok = TRUE;
  if (pItem->mask & LVIF_TEXT) ok = SetItemText(pItem->iItem, pItem->iSubItem, pItem->pszText) && ok;
  if (pItem->mask & LVIF_PARAM) ok = SetItemData(pItem->iItem, static_cast<DWORD_PTR>(pItem->lParam)) && ok;
  if (pItem->mask & LVIF_STATE) ok = SetItemState(pItem->iItem, pItem->state, pItem->stateMask) && ok;
  return ok;
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask) {
  ListData* d = DataOf(m_hWnd);
  if (d == nullptr) return FALSE;
  auto& rows = d->model->rows;
  if (nItem >= 0 && static_cast<size_t>(nItem) >= rows.size()) return FALSE;
  int changed = 0;
  int first = -1;
  UINT oldState = 0;
  UINT newState = 0;
  const size_t from = nItem < 0 ? 0 : static_cast<size_t>(nItem);
  const size_t to = nItem < 0 ? rows.size() : from + 1;
  // One row holds the focus: focusing every row leaves it on the last.
  const bool focusOn = (nMask & LVIS_FOCUSED) && (nState & LVIS_FOCUSED);
  const size_t focusRow = to > from ? to - 1 : from;
  if (focusOn) {
    for (size_t i = 0; i < rows.size(); ++i) {
      if (i < from || i >= to) rows[i].focused = false;
    }
  }
  for (size_t i = from; i < to; ++i) {
    qv::ui::Row& r = rows[i];
    const UINT before = (r.selected ? LVIS_SELECTED : 0u) | (r.focused ? LVIS_FOCUSED : 0u);
    if (nMask & LVIS_FOCUSED) r.focused = focusOn ? i == focusRow : false;
    if (nMask & LVIS_SELECTED) r.selected = (nState & LVIS_SELECTED) != 0;
    const UINT after = (r.selected ? LVIS_SELECTED : 0u) | (r.focused ? LVIS_FOCUSED : 0u);
    if (after != before) {
      if (first < 0) {
        first = static_cast<int>(i);
        oldState = before;
        newState = after;
      }
      ++changed;
    }
  }
  qv::ui::PushSelection(d);
  if (changed > 0) qv::ui::SendItemChanged(m_hWnd, nItem < 0 ? -1 : first, newState, oldState);
  return TRUE;
}

UINT CListCtrl::GetItemState(int nItem, UINT nMask) const {
  ListData* d = DataOf(m_hWnd);
  if (d == nullptr || nItem < 0 || static_cast<size_t>(nItem) >= d->model->rows.size()) return 0;
  const qv::ui::Row& r = d->model->rows[static_cast<size_t>(nItem)];
  return ((r.selected ? LVIS_SELECTED : 0u) | (r.focused ? LVIS_FOCUSED : 0u)) & nMask;
}

int CListCtrl::GetNextItem(int nItem, int nFlags) const {
  ListData* d = DataOf(m_hWnd);
  if (d == nullptr) return -1;
  const auto& rows = d->model->rows;
  for (size_t i = nItem < 0 ? 0 : static_cast<size_t>(nItem) + 1; i < rows.size(); ++i) {
    if ((nFlags & LVNI_SELECTED) && !rows[i].selected) continue;
    if ((nFlags & LVNI_FOCUSED) && !rows[i].focused) continue;
    return static_cast<int>(i);
  }
  return -1;
}

UINT CListCtrl::GetSelectedCount() const {
  ListData* d = DataOf(m_hWnd);
  if (d == nullptr) return 0;
  return static_cast<UINT>(std::count_if(d->model->rows.begin(), d->model->rows.end(), [](const auto& r) { return r.selected; }));
}

POSITION CListCtrl::GetFirstSelectedItemPosition() const {
  const int i = GetNextItem(-1, LVNI_SELECTED);
  return i < 0 ? nullptr : reinterpret_cast<POSITION>(static_cast<intptr_t>(i) + 1);
}

int CListCtrl::GetNextSelectedItem(POSITION& pos) const {
  const int i = static_cast<int>(reinterpret_cast<intptr_t>(pos)) - 1;
  const int next = GetNextItem(i, LVNI_SELECTED);
  pos = next < 0 ? nullptr : reinterpret_cast<POSITION>(static_cast<intptr_t>(next) + 1);
  return i;
}

BOOL CListCtrl::SortItems(PFNLVCOMPARE pfnCompare, DWORD_PTR dwData) {
  ListData* d = DataOf(m_hWnd);
  if (d == nullptr || pfnCompare == nullptr) return FALSE;
  auto& rows = d->model->rows;
  const LPARAM sortData = static_cast<LPARAM>(dwData);
  std::stable_sort(rows.begin(), rows.end(), [&](const qv::ui::Row& a, const qv::ui::Row& b) {
    return pfnCompare(a.data, b.data, sortData) < 0;
  });
  if (!d->deferred) {
    emit d->model->layoutAboutToBeChanged();
    emit d->model->layoutChanged();
    d->model->Reset();
    for (size_t c = 0; c < d->model->cols.size(); ++c) d->view->setColumnWidth(static_cast<int>(c), d->model->cols[c].width);
    qv::ui::PushSelection(d);
  }
  return TRUE;
}

BOOL CListCtrl::EnsureVisible(int nItem, BOOL) {
  ListData* d = DataOf(m_hWnd);
  if (d == nullptr || nItem < 0 || static_cast<size_t>(nItem) >= d->model->rows.size()) return FALSE;
  if (d->deferred) {
    d->pendingVisible = nItem;
  } else {
    d->view->scrollTo(d->model->index(nItem, 0), QAbstractItemView::EnsureVisible);
  }
  return TRUE;
}

BOOL CListCtrl::GetItemRect(int nItem, LPRECT lpRect, UINT) const {
  ListData* d = DataOf(m_hWnd);
  if (d == nullptr || lpRect == nullptr || nItem < 0 || static_cast<size_t>(nItem) >= d->model->rows.size()) return FALSE;
  QRect r = d->view->visualRect(d->model->index(nItem, 0));
  r.moveTopLeft(d->view->viewport()->mapTo(d->view, r.topLeft()));
  *lpRect = RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
  return TRUE;
}

int CListCtrl::HitTest(CPoint pt, UINT* pFlags) const {
  ListData* d = DataOf(m_hWnd);
  if (pFlags) *pFlags = LVHT_NOWHERE;
  if (d == nullptr) return -1;
  const QPoint vp = d->view->viewport()->mapFrom(d->view, QPoint(pt.x, pt.y));
  const QModelIndex i = d->view->indexAt(vp);
  if (!i.isValid()) return -1;
  if (pFlags) *pFlags = LVHT_ONITEMLABEL;
  return i.row();
}

int CListCtrl::GetTopIndex() const {
  ListData* d = DataOf(m_hWnd);
  if (d == nullptr) return 0;
  const QModelIndex i = d->view->indexAt(QPoint(1, 1));
  return i.isValid() ? i.row() : 0;
}

int CListCtrl::GetCountPerPage() const {
  ListData* d = DataOf(m_hWnd);
  if (d == nullptr) return 0;
  const int rowH = std::max(1, d->view->sizeHintForRow(0));
  return std::max(1, d->view->viewport()->height() / rowH);
}

DWORD CListCtrl::SetExtendedStyle(DWORD dwNewStyle) {
  ListData* d = DataOf(m_hWnd);
  if (d == nullptr) return 0;
  const DWORD old = d->exStyle;
  d->exStyle = dwNewStyle;
  return old;
}

DWORD CListCtrl::GetExtendedStyle() const {
  ListData* d = DataOf(m_hWnd);
  return d ? d->exStyle : 0;
}

LRESULT CListCtrl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case LVM_GETITEMCOUNT:
      return GetItemCount();
    case LVM_DELETEITEM:
      return DeleteItem(static_cast<int>(wParam));
    case LVM_DELETEALLITEMS:
      return DeleteAllItems();
    case LVM_GETNEXTITEM:
      return GetNextItem(static_cast<int>(wParam), static_cast<int>(LOWORD(lParam)));
    case LVM_GETITEMRECT: {
      auto* r = reinterpret_cast<RECT*>(lParam);
      return r ? GetItemRect(static_cast<int>(wParam), r, static_cast<UINT>(r->left)) : FALSE;
    }
    case LVM_ENSUREVISIBLE:
      return EnsureVisible(static_cast<int>(wParam), static_cast<BOOL>(lParam));
    case LVM_INSERTCOLUMNA:
      return InsertColumn(static_cast<int>(wParam), reinterpret_cast<const LVCOLUMN*>(lParam));
    case LVM_DELETECOLUMN:
      return DeleteColumn(static_cast<int>(wParam));
    case LVM_GETCOLUMNWIDTH:
      return GetColumnWidth(static_cast<int>(wParam));
    case LVM_SETCOLUMNWIDTH:
      return SetColumnWidth(static_cast<int>(wParam), static_cast<short>(LOWORD(lParam)));
    case LVM_SETITEMSTATE: {
      auto* it = reinterpret_cast<const LVITEM*>(lParam);
      return it ? SetItemState(static_cast<int>(wParam), it->state, it->stateMask) : FALSE;
    }
    case LVM_SORTITEMS:
      return SortItems(reinterpret_cast<PFNLVCOMPARE>(lParam), static_cast<DWORD_PTR>(wParam));
    case LVM_GETSELECTEDCOUNT:
      return GetSelectedCount();
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      const DWORD mask = wParam ? static_cast<DWORD>(wParam) : 0xFFFFFFFFu;
      return SetExtendedStyle((GetExtendedStyle() & ~mask) | (static_cast<DWORD>(lParam) & mask));
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
      return GetExtendedStyle();
    case WM_SETREDRAW: {
      ListData* d = DataOf(m_hWnd);
      if (d) {
        if (wParam == FALSE) {
          d->deferred = true;
          d->view->setUpdatesEnabled(false);
        } else if (d->deferred) {
          d->deferred = false;
          qv::ui::CatchUp(d);
          d->view->setUpdatesEnabled(true);
        }
      }
      return 0;
    }
    default:
      return CWnd::DefWindowProc(message, wParam, lParam);
  }
}
