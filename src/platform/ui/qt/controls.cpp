// Controls made from template rows, and the classes of statics, buttons,
// edits, combo boxes and up-down controls.
#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QTextBlock>
#include <QToolButton>
#include <QVBoxLayout>

#include <map>

#include "platform/base/mbstring.h"
#include "platform/ui/controls.h"
#include "platform/ui/listbox.h"
#include "platform/ui/listctrl.h"
#include "platform/ui/qt/controls_impl.h"
#include "platform/ui/qt/gdi_impl.h"
#include "platform/ui/qt/hwnd.h"
#include "platform/ui/treectrl.h"

IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CEdit, CWnd)
IMPLEMENT_DYNAMIC(CRichEditCtrl, CEdit)
IMPLEMENT_DYNAMIC(CComboBox, CWnd)
IMPLEMENT_DYNAMIC(CSpinButtonCtrl, CWnd)

namespace qv::ui {

QWidget* NewListViewWidget(QWidget* parent, DWORD style);
void BindListView(HWND h);
QWidget* NewTreeViewWidget(QWidget* parent, DWORD style);
void BindTreeView(HWND h);

namespace {

QWidget* WidgetOf(const CWnd* w) { return w && IsLive(w->m_hWnd) ? w->m_hWnd->widget.data() : nullptr; }

// The two arrows of an up-down control without a buddy.
class UpDownWidget : public QWidget {
 public:
  UpDownWidget(QWidget* parent, bool horizontal) : QWidget(parent) {
    up_ = new QToolButton(this);
    down_ = new QToolButton(this);
    up_->setArrowType(horizontal ? Qt::RightArrow : Qt::UpArrow);
    down_->setArrowType(horizontal ? Qt::LeftArrow : Qt::DownArrow);
    for (QToolButton* b : {up_, down_}) {
      b->setAutoRepeat(true);
      b->setFocusPolicy(Qt::NoFocus);
      b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }
    QBoxLayout* box = horizontal ? static_cast<QBoxLayout*>(new QHBoxLayout(this))
                                 : static_cast<QBoxLayout*>(new QVBoxLayout(this));
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    if (horizontal) {
      box->addWidget(down_);
      box->addWidget(up_);
    } else {
      box->addWidget(up_);
      box->addWidget(down_);
    }
    setFocusPolicy(Qt::StrongFocus);
  }
  QToolButton* up_;
  QToolButton* down_;

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    HWND h = HandleOf(this);
    auto* spin = IsLive(h) ? dynamic_cast<CSpinButtonCtrl*>(h->wnd) : nullptr;
    if (spin && (h->style & UDS_ARROWKEYS) && (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down)) {
      spin->Step(e->key() == Qt::Key_Up ? +1 : -1);
      return;
    }
    QWidget::keyPressEvent(e);
  }
};

// Check boxes and radio buttons answer a click anywhere on the control, as
// the platform's do (Qt's only on the box and the text).
class WinCheckBox : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;

 protected:
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};
class WinRadioButton : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

 protected:
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// A multi-line edit that never hands clipboard data without a format to
// Qt: an empty clipboard or primary selection is such data, and the text
// control of Qt 6.4 reads its first format unchecked (a crash on Ctrl+V,
// Shift+Insert or a middle click). Data without a format has nothing to
// insert anyway.
class WinMultiLineEdit : public QPlainTextEdit {
 public:
  using QPlainTextEdit::QPlainTextEdit;

 protected:
  static bool HasFormat(const QMimeData* source) { return source != nullptr && !source->formats().isEmpty(); }
  bool canInsertFromMimeData(const QMimeData* source) const override {
    return HasFormat(source) && QPlainTextEdit::canInsertFromMimeData(source);
  }
  void insertFromMimeData(const QMimeData* source) override {
    if (HasFormat(source)) QPlainTextEdit::insertFromMimeData(source);
  }
};

// The default object of a template control: an object of the class the
// program expects of that kind of control.
CWnd* DefaultObject(qv::res::Ctl kind) {
  using qv::res::Ctl;
  switch (kind) {
    case Ctl::LText:
    case Ctl::CText:
    case Ctl::RText:
    case Ctl::Icon:
    case Ctl::Bitmap:
    case Ctl::Frame:
    case Ctl::HLine:
      return new CStatic;
    case Ctl::GroupBox:
    case Ctl::PushButton:
    case Ctl::DefPushButton:
    case Ctl::CheckBox:
    case Ctl::RadioButton:
      return new CButton;
    case Ctl::Edit:
      return new CEdit;
    case Ctl::RichEdit:
      return new CRichEditCtrl;
    case Ctl::ComboBox:
      return new CComboBox;
    case Ctl::ListBox:
      return new CListBox;
    case Ctl::CheckListBox:
      return new CCheckListBox;
    case Ctl::ListView:
      return new CListCtrl;
    case Ctl::TreeView:
      return new CTreeCtrl;
    case Ctl::UpDown:
      return new CSpinButtonCtrl;
  }
  return new CWnd;
}

Kind KindOf(qv::res::Ctl kind) {
  using qv::res::Ctl;
  switch (kind) {
    case Ctl::LText:
    case Ctl::CText:
    case Ctl::RText:
    case Ctl::Icon:
    case Ctl::Bitmap:
    case Ctl::Frame:
      return Kind::Static;
    case Ctl::HLine:
      return Kind::Line;
    case Ctl::GroupBox:
      return Kind::GroupBox;
    case Ctl::PushButton:
    case Ctl::DefPushButton:
    case Ctl::CheckBox:
    case Ctl::RadioButton:
      return Kind::Button;
    case Ctl::Edit:
    case Ctl::RichEdit:
      return Kind::Edit;
    case Ctl::ComboBox:
      return Kind::ComboBox;
    case Ctl::ListBox:
    case Ctl::CheckListBox:
      return Kind::ListBox;
    case Ctl::ListView:
      return Kind::ListView;
    case Ctl::TreeView:
      return Kind::TreeView;
    case Ctl::UpDown:
      return Kind::UpDown;
  }
  return Kind::Generic;
}

// The listbox widget reports the user's selection and check marks back to
// the object and tells the parent.
void WireListBox(HWND h, QListWidget* lw) {
  QObject::connect(lw, &QListWidget::itemSelectionChanged, lw, [h, lw]() {
    if (!IsLive(h)) return;
    auto* list = dynamic_cast<CListBox*>(h->wnd);
    if (list == nullptr) return;
    std::vector<bool> sel(static_cast<size_t>(lw->count()));
    for (int i = 0; i < lw->count(); ++i) sel[static_cast<size_t>(i)] = lw->item(i)->isSelected();
    list->UserSelection(lw->currentRow(), sel);
    Command(h, LBN_SELCHANGE);
  });
  QObject::connect(lw, &QListWidget::itemChanged, lw, [h, lw](QListWidgetItem* item) {
    if (!IsLive(h)) return;
    auto* list = dynamic_cast<CListBox*>(h->wnd);
    if (list == nullptr || !(item->flags() & Qt::ItemIsUserCheckable)) return;
    const int state = item->checkState() == Qt::Checked ? BST_CHECKED : BST_UNCHECKED;
    const int row = lw->row(item);
    if (list->GetCount() > row && row >= 0 && list->ItemAt(row).check == state) return;
    list->UserCheck(row, state);
    Command(h, CLBN_CHKCHANGE);
  });
  QObject::connect(lw, &QListWidget::itemDoubleClicked, lw, [h](QListWidgetItem*) {
    if (IsLive(h)) Command(h, LBN_DBLCLK);
  });
}

void WireButton(HWND h, QAbstractButton* b) {
  QObject::connect(b, &QAbstractButton::clicked, b, [h]() {
    if (IsLive(h)) Command(h, BN_CLICKED);
  });
}

QWidget* MakeWidget(const qv::res::DialogItem& item, QWidget* parent, QButtonGroup*& radioGroup, bool groupStart) {
  using qv::res::Ctl;
  const DWORD style = item.style;
  switch (item.kind) {
    case Ctl::LText:
    case Ctl::CText:
    case Ctl::RText: {
      auto* l = new QLabel(parent);
      Qt::Alignment a = item.kind == Ctl::CText ? Qt::AlignHCenter : item.kind == Ctl::RText ? Qt::AlignRight : Qt::AlignLeft;
      a |= (style & SS_CENTERIMAGE) ? Qt::AlignVCenter : Qt::AlignTop;
      l->setAlignment(a);
      // A vertically centred text is one line on the platform: never wrapped.
      l->setWordWrap((style & SS_TYPEMASK) != SS_LEFTNOWORDWRAP && !(style & SS_CENTERIMAGE));
      l->setTextFormat(Qt::PlainText);
      if (style & SS_SUNKEN) {
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setLineWidth(1);
      }
      return l;
    }
    case Ctl::Icon:
    case Ctl::Bitmap: {
      auto* l = new QLabel(parent);
      l->setAlignment((style & SS_CENTERIMAGE) ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignTop);
      return l;
    }
    case Ctl::Frame: {
      auto* f = new QLabel(parent);
      f->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      return f;
    }
    case Ctl::HLine: {
      auto* f = new QFrame(parent);
      f->setFrameShape(QFrame::HLine);
      f->setFrameShadow(QFrame::Sunken);
      return f;
    }
    case Ctl::GroupBox: {
      auto* g = new QGroupBox(parent);
      // Controls inside the frame are siblings, not children: the box only
      // draws and never takes their clicks.
      g->setAttribute(Qt::WA_TransparentForMouseEvents);
      g->setFocusPolicy(Qt::NoFocus);
      return g;
    }
    case Ctl::PushButton:
    case Ctl::DefPushButton: {
      auto* b = new QPushButton(parent);
      b->setAutoDefault(false);
      if (item.kind == Ctl::DefPushButton) b->setDefault(true);
      return b;
    }
    case Ctl::CheckBox: {
      if (style & BS_PUSHLIKE) {
        auto* b = new QPushButton(parent);
        b->setCheckable(true);
        b->setAutoDefault(false);
        return b;
      }
      return new WinCheckBox(parent);
    }
    case Ctl::RadioButton: {
      auto* r = new WinRadioButton(parent);
      r->setAutoExclusive(false);
      if (groupStart || radioGroup == nullptr) {
        radioGroup = new QButtonGroup(parent);
        radioGroup->setExclusive(true);
      }
      radioGroup->addButton(r);
      return r;
    }
    case Ctl::Edit:
    case Ctl::RichEdit: {
      if (style & ES_MULTILINE) {
        auto* e = new WinMultiLineEdit(parent);
        e->setReadOnly((style & ES_READONLY) != 0);
        e->setTabChangesFocus(true);
        e->setVerticalScrollBarPolicy((style & WS_VSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
        e->setHorizontalScrollBarPolicy((style & WS_HSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
        e->setLineWrapMode((style & WS_HSCROLL) ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
        return e;
      }
      auto* e = new QLineEdit(parent);
      e->setReadOnly((style & ES_READONLY) != 0);
      e->setAlignment((style & ES_CENTER) ? Qt::AlignHCenter : (style & ES_RIGHT) ? Qt::AlignRight : Qt::AlignLeft);
      return e;
    }
    case Ctl::ComboBox: {
      auto* c = new QComboBox(parent);
      c->setEditable((style & 3) == CBS_DROPDOWN);
      c->setMaxVisibleItems(20);
      return c;
    }
    case Ctl::ListBox:
    case Ctl::CheckListBox: {
      auto* lw = new QListWidget(parent);
      lw->setSelectionMode((style & LBS_EXTENDEDSEL)   ? QAbstractItemView::ExtendedSelection
                           : (style & LBS_MULTIPLESEL) ? QAbstractItemView::MultiSelection
                                                       : QAbstractItemView::SingleSelection);
      lw->setHorizontalScrollBarPolicy((style & WS_HSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
      lw->setUniformItemSizes(true);
      return lw;
    }
    case Ctl::ListView:
      return NewListViewWidget(parent, style);
    case Ctl::TreeView:
      return NewTreeViewWidget(parent, style);
    case Ctl::UpDown:
      return new UpDownWidget(parent, (style & UDS_HORZ) != 0);
  }
  return new QWidget(parent);
}

// The icon of a template's icon static. Like the platform's resource icons
// it is shared: one per picture for the program's life, never destroyed by
// the dialogs that show it.
HICON TemplateIcon(UINT id) {
  static auto* icons = new std::map<const void*, HICON>;  // kept to the end
  const qv::res::ImageEntry* e = qv::res::FindIcon(id);
  if (e == nullptr) return nullptr;
  HICON& icon = (*icons)[e->xpm];
  if (icon == nullptr) icon = AfxLoadIcon(id);
  return icon;
}

}  // namespace

QRect DialogRect(HWND h, int x, int y, int cx, int cy) {
  const int bx = h && h->baseX ? h->baseX : 6;
  const int by = h && h->baseY ? h->baseY : 13;
  const int left = MulDiv(x, bx, 4);
  const int top = MulDiv(y, by, 8);
  const int right = MulDiv(x + cx, bx, 4);
  const int bottom = MulDiv(y + cy, by, 8);
  return QRect(left, top, right - left, bottom - top);
}

void CreateTemplateControls(HWND parent, const qv::res::DialogTemplate& t, const QFont& font) {
  QWidget* container = ContainerOf(parent);
  QButtonGroup* radioGroup = nullptr;
  for (size_t i = 0; i < t.count; ++i) {
    const qv::res::DialogItem& item = t.items[i];
    const bool groupStart = (item.style & WS_GROUP) != 0;
    if (groupStart && item.kind != qv::res::Ctl::RadioButton) radioGroup = nullptr;
    QWidget* w = MakeWidget(item, container, radioGroup, groupStart);
    w->setFont(font);
    QRect rect = DialogRect(parent, item.x, item.y, item.cx, item.cy);
    // A combo box's template height includes its drop-down list; the box
    // itself is one line high.
    if (item.kind == qv::res::Ctl::ComboBox) rect.setHeight(std::min(rect.height(), w->sizeHint().height()));
    w->setGeometry(rect);
    DWORD style = item.style;
    if (!(item.marks & qv::res::kHidden)) style |= WS_VISIBLE;
    if (item.marks & qv::res::kDisabled) style |= WS_DISABLED;
    CWnd* object = DefaultObject(item.kind);
    HWND h = Register(object, w, KindOf(item.kind), parent, item.id, style, item.exStyle);
    h->own = object;
    h->createdFromTemplate = true;
    if (auto* list = dynamic_cast<CListBox*>(object)) {
      if (style & LBS_SORT) list->ModifyStyle(0, LBS_SORT);
      WireListBox(h, static_cast<QListWidget*>(w));
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      WireButton(h, b);
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
      QObject::connect(c, &QComboBox::activated, c, [h](int index) {
        if (!IsLive(h)) return;
        if (auto* combo = dynamic_cast<CComboBox*>(h->wnd)) combo->UserSelected(index);
        Command(h, CBN_SELCHANGE);
      });
    } else if (auto* le = qobject_cast<QLineEdit*>(w)) {
      QObject::connect(le, &QLineEdit::textEdited, le, [h]() {
        if (IsLive(h)) Command(h, EN_CHANGE);
      });
      QObject::connect(le, &QLineEdit::editingFinished, le, [h]() {
        if (IsLive(h)) Command(h, EN_KILLFOCUS);
      });
    } else if (auto* pe = qobject_cast<QPlainTextEdit*>(w)) {
      QObject::connect(pe, &QPlainTextEdit::textChanged, pe, [h]() {
        if (IsLive(h)) Command(h, EN_CHANGE);
      });
      AddInputWidget(h, pe->viewport());
    } else if (auto* ud = dynamic_cast<UpDownWidget*>(w)) {
      QObject::connect(ud->up_, &QToolButton::clicked, ud, [h]() {
        if (IsLive(h)) {
          if (auto* spin = dynamic_cast<CSpinButtonCtrl*>(h->wnd)) spin->Step(+1);
        }
      });
      QObject::connect(ud->down_, &QToolButton::clicked, ud, [h]() {
        if (IsLive(h)) {
          if (auto* spin = dynamic_cast<CSpinButtonCtrl*>(h->wnd)) spin->Step(-1);
        }
      });
    }
    if (item.kind == qv::res::Ctl::ListView) BindListView(h);
    if (item.kind == qv::res::Ctl::TreeView) BindTreeView(h);
    if (item.kind == qv::res::Ctl::CheckListBox) {
      // marks the list as holding check boxes for SyncListBox
      h->style |= LBS_OWNERDRAWFIXED;
    }
    if (item.text && *item.text && item.kind != qv::res::Ctl::Icon && item.kind != qv::res::Ctl::Bitmap) {
      SetText(h, item.text);
    }
    if (item.image != 0) {
      if (item.kind == qv::res::Ctl::Icon) {
        static_cast<CStatic*>(object)->SetIcon(TemplateIcon(item.image));
      } else if (item.kind == qv::res::Ctl::Bitmap) {
        auto* bmp = new CBitmap;
        if (bmp->LoadBitmap(item.image)) static_cast<CStatic*>(object)->SetBitmap(bmp->Detach());
        delete bmp;
      }
    }
    if (style & WS_DISABLED) w->setEnabled(false);
    w->setFocusPolicy((style & WS_TABSTOP) || qobject_cast<QAbstractItemView*>(w) || qobject_cast<QLineEdit*>(w) ||
                              qobject_cast<QPlainTextEdit*>(w)
                          ? Qt::StrongFocus
                          : w->focusPolicy());
    if (item.kind == qv::res::Ctl::GroupBox) w->lower();
    w->setVisible((style & WS_VISIBLE) != 0);
    if (item.kind == qv::res::Ctl::ListBox || item.kind == qv::res::Ctl::CheckListBox) SyncListBox(static_cast<CListBox*>(object));
  }
}

namespace {

long long g_listBoxRowsGoneOver = 0;

QListWidget* ListWidgetOf(CListBox* list) {
  if (list == nullptr || !IsLive(list->m_hWnd)) return nullptr;
  return qobject_cast<QListWidget*>(list->m_hWnd->widget.data());
}

bool HoldsChecks(CListBox* list) {
  return (list->m_hWnd->style & LBS_OWNERDRAWFIXED) != 0 || dynamic_cast<CCheckListBox*>(list) != nullptr;
}

// The check mark of the object's row on the widget's item.
void ShowCheck(QListWidgetItem* it, int check) {
  if (!(it->flags() & Qt::ItemIsUserCheckable)) it->setFlags(it->flags() | Qt::ItemIsUserCheckable);
  const Qt::CheckState state = check == BST_CHECKED ? Qt::Checked : Qt::Unchecked;
  // An item without a check state shows no box at all.
  if (!it->data(Qt::CheckStateRole).isValid() || it->checkState() != state) it->setCheckState(state);
}

void ShowCurrent(CListBox* list, QListWidget* lw) {
  const int current = list->GetCurSel();
  if (current >= 0 && current < lw->count() && lw->currentRow() != current) {
    lw->setCurrentRow(current, QItemSelectionModel::NoUpdate);
  }
}

// Every selected row of the object selected on the widget and no other,
// given as runs of rows in one step: row by row, each step would weigh the
// selection made so far.
void ShowSelection(CListBox* list, QListWidget* lw) {
  QItemSelection selection;
  const int n = std::min(list->GetCount(), lw->count());
  g_listBoxRowsGoneOver += n;
  QAbstractItemModel* model = lw->model();
  for (int i = 0; i < n;) {
    if (list->GetSel(i) != 1) {
      ++i;
      continue;
    }
    const int first = i;
    while (i < n && list->GetSel(i) == 1) ++i;
    selection.select(model->index(first, 0), model->index(i - 1, 0));
  }
  lw->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  ShowCurrent(list, lw);
}

}  // namespace

long long ListBoxRowsGoneOver() { return g_listBoxRowsGoneOver; }

void SyncListBox(CListBox* list) {
  QListWidget* lw = ListWidgetOf(list);
  if (lw == nullptr) return;
  const bool checks = HoldsChecks(list);
  const QSignalBlocker block(lw);
  const auto items = list->Items();
  g_listBoxRowsGoneOver += static_cast<long long>(items.size());
  // Rebuild only what differs, so a scrolled list keeps its place.
  if (items.empty()) {
    lw->clear();
  } else {
    while (lw->count() > static_cast<int>(items.size())) delete lw->takeItem(lw->count() - 1);
  }
  for (size_t i = 0; i < items.size(); ++i) {
    QListWidgetItem* it = static_cast<int>(i) < lw->count() ? lw->item(static_cast<int>(i)) : nullptr;
    if (it == nullptr) {
      it = new QListWidgetItem(lw);
    }
    const QString text = ToQ(items[i].text->View());
    if (it->text() != text) it->setText(text);
    if (checks) ShowCheck(it, items[i].check);
  }
  ShowSelection(list, lw);
  const int extent = list->GetHorizontalExtent();
  if (extent > 0) {
    // Long texts scroll sideways instead of being cut with an ellipsis.
    lw->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    lw->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    lw->setTextElideMode(Qt::ElideNone);
    lw->setUniformItemSizes(false);
  }
}

// The changes of one row touch that row of the widget alone, as long as the
// widget held the object's rows before (else every row is shown anew).
void ListBoxRowInserted(CListBox* list, int row) {
  QListWidget* lw = ListWidgetOf(list);
  if (lw == nullptr) return;
  if (lw->count() != list->GetCount() - 1 || row < 0 || row > lw->count()) {
    SyncListBox(list);
    return;
  }
  const QSignalBlocker block(lw);
  const CListBox::ItemView item = list->ItemAt(row);
  auto* it = new QListWidgetItem(ToQ(item.text->View()));
  if (HoldsChecks(list)) ShowCheck(it, item.check);
  // The rows after it move on with their selection.
  lw->insertItem(row, it);
  if (it->isSelected() != item.selected) it->setSelected(item.selected);
  ShowCurrent(list, lw);
}

void ListBoxRowRemoved(CListBox* list, int row) {
  QListWidget* lw = ListWidgetOf(list);
  if (lw == nullptr) return;
  if (lw->count() != list->GetCount() + 1 || row < 0 || row >= lw->count()) {
    SyncListBox(list);
    return;
  }
  const QSignalBlocker block(lw);
  delete lw->takeItem(row);
  // The rows after it move up with their selection; only the widget's
  // current row moves on, and in a single-selection list the selection with
  // it, where the object's does not.
  if (QListWidgetItem* current = lw->currentItem()) {
    const bool selected = list->ItemAt(lw->row(current)).selected;
    if (current->isSelected() != selected) current->setSelected(selected);
  }
  ShowCurrent(list, lw);
}

void ListBoxRowChanged(CListBox* list, int row) {
  QListWidget* lw = ListWidgetOf(list);
  if (lw == nullptr) return;
  if (lw->count() != list->GetCount()) {
    SyncListBox(list);
    return;
  }
  QListWidgetItem* it = lw->item(row);
  if (it == nullptr) return;
  const QSignalBlocker block(lw);
  const CListBox::ItemView item = list->ItemAt(row);
  if (HoldsChecks(list)) ShowCheck(it, item.check);
  if (it->isSelected() != item.selected) it->setSelected(item.selected);
  ShowCurrent(list, lw);
}

void ListBoxSelectionChanged(CListBox* list) {
  QListWidget* lw = ListWidgetOf(list);
  if (lw == nullptr) return;
  if (lw->count() != list->GetCount()) {
    SyncListBox(list);
    return;
  }
  const QSignalBlocker block(lw);
  ShowSelection(list, lw);
}

void SyncComboBox(CComboBox* combo) {
  if (combo == nullptr || !IsLive(combo->m_hWnd)) return;
  auto* c = qobject_cast<QComboBox*>(combo->m_hWnd->widget.data());
  if (c == nullptr) return;
  const QSignalBlocker block(c);
  const auto& texts = combo->Texts();
  bool same = c->count() == static_cast<int>(texts.size());
  for (int i = 0; same && i < c->count(); ++i) same = c->itemText(i) == ToQ(texts[static_cast<size_t>(i)].View());
  if (!same) {
    c->clear();
    for (const CString& t : texts) c->addItem(ToQ(t.View()));
  }
  c->setCurrentIndex(combo->GetCurSel());
}

void RefreshStaticColors(HWND h) {
  if (!IsLive(h) || h->wnd == nullptr || !h->wnd->HasHandler(OCM_CTLCOLORSTATIC)) return;
  QWidget* w = h->widget;
  if (w == nullptr) return;
  CDC dc;
  dc.m_hDC = new HDC__;
  dc.m_hDC->screenOnly = true;
  dc.m_hDC->text = FromQColor(w->palette().color(QPalette::WindowText));
  dc.m_hDC->bk = GetSysColor(COLOR_BTNFACE);
  const LRESULT brush = h->wnd->SendMessage(OCM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(&dc), reinterpret_cast<LPARAM>(h));
  QPalette pal = w->palette();
  pal.setColor(QPalette::WindowText, ToQColor(dc.m_hDC->text));
  auto* b = reinterpret_cast<HGDIOBJ>(brush);
  pal.setColor(QPalette::Window, ToQColor(b && b->kind == HGDIOBJ__::Kind::Brush ? b->color : dc.m_hDC->bk));
  w->setPalette(pal);
  w->setAutoFillBackground(true);
}

}  // namespace qv::ui

using qv::ui::WidgetOf;

// ---------------------------------------------------------------------------

HICON CStatic::SetIcon(HICON hIcon) {
  HICON old = m_hIcon;
  m_hIcon = hIcon;
  if (auto* l = qobject_cast<QLabel*>(WidgetOf(this))) l->setPixmap(hIcon ? hIcon->pixmap : QPixmap());
  return old;
}

HBITMAP CStatic::SetBitmap(HBITMAP hBitmap) {
  HBITMAP old = m_hBitmap;
  m_hBitmap = hBitmap;
  if (auto* l = qobject_cast<QLabel*>(WidgetOf(this))) l->setPixmap(hBitmap ? QPixmap::fromImage(hBitmap->image) : QPixmap());
  return old;
}

int CButton::GetCheck() const {
  auto* b = qobject_cast<QAbstractButton*>(WidgetOf(this));
  return b && b->isChecked() ? BST_CHECKED : BST_UNCHECKED;
}

void CButton::SetCheck(int nCheck) {
  if (auto* b = qobject_cast<QAbstractButton*>(WidgetOf(this))) {
    const QSignalBlocker block(b);
    b->setChecked(nCheck == BST_CHECKED);
  }
}

UINT CButton::GetState() const {
  auto* b = qobject_cast<QAbstractButton*>(WidgetOf(this));
  if (b == nullptr) return 0;
  return (b->isChecked() ? 1u : 0u) | (b->isDown() ? 4u : 0u);
}

void CButton::SetState(BOOL bHighlight) {
  if (auto* b = qobject_cast<QAbstractButton*>(WidgetOf(this))) b->setDown(bHighlight != FALSE);
}

UINT CButton::GetButtonStyle() const { return qv::ui::IsLive(m_hWnd) ? (m_hWnd->style & 0xFFFF) : 0; }

void CButton::SetButtonStyle(UINT nStyle, BOOL) {
  if (!qv::ui::IsLive(m_hWnd)) return;
  m_hWnd->style = (m_hWnd->style & ~0xFFFFu) | (nStyle & 0xFFFF);
  if (auto* b = qobject_cast<QPushButton*>(WidgetOf(this))) b->setDefault((nStyle & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
}

HBITMAP CButton::SetBitmap(HBITMAP hBitmap) {
  HBITMAP old = m_hBitmap;
  m_hBitmap = hBitmap;
  if (auto* b = qobject_cast<QAbstractButton*>(WidgetOf(this))) {
    const QImage img = hBitmap ? hBitmap->image : QImage();
    // The classic button face (light grey) of a bitmap is the button's own
    // face, whatever colour the button has now (pressed, checked).
    QPixmap picture = QPixmap::fromImage(img);
    if (!img.isNull()) picture.setMask(picture.createMaskFromColor(QColor(0xC0, 0xC0, 0xC0)));
    b->setIcon(img.isNull() ? QIcon() : QIcon(picture));
    if (!img.isNull()) b->setIconSize(img.size());
    // A bitmap button shows the picture alone.
    if (!img.isNull() && (m_hWnd->style & BS_BITMAP)) b->setText(QString());
  }
  return old;
}

HICON CButton::SetIcon(HICON hIcon) {
  if (auto* b = qobject_cast<QAbstractButton*>(WidgetOf(this))) {
    b->setIcon(qv::ui::IconOf(hIcon));
    if (hIcon) b->setIconSize(hIcon->pixmap.size());
  }
  return nullptr;
}

namespace {
// Character positions of a byte range of a code page 932 text.
int CharIndex(const std::string& bytes, int byteIndex) {
  if (byteIndex < 0) return -1;
  return qv::ui::ToQ(std::string_view(bytes).substr(0, std::min(bytes.size(), static_cast<size_t>(byteIndex)))).size();
}
}  // namespace

void CEdit::SetSel(int nStartChar, int nEndChar, BOOL) {
  QWidget* w = WidgetOf(this);
  const std::string text = qv::ui::GetText(m_hWnd);
  const int start = CharIndex(text, nStartChar);
  const int end = nEndChar < 0 ? -1 : CharIndex(text, nEndChar);
  if (auto* le = qobject_cast<QLineEdit*>(w)) {
    if (start < 0) {
      le->deselect();
    } else {
      const int e = end < 0 ? le->text().size() : end;
      le->setSelection(start, e - start);
    }
  } else if (auto* pe = qobject_cast<QPlainTextEdit*>(w)) {
    QTextCursor c = pe->textCursor();
    if (start < 0) {
      c.clearSelection();
    } else {
      c.setPosition(start);
      c.setPosition(end < 0 ? pe->toPlainText().size() : end, QTextCursor::KeepAnchor);
    }
    pe->setTextCursor(c);
    pe->ensureCursorVisible();
  }
}

void CEdit::GetSel(int& nStartChar, int& nEndChar) const {
  nStartChar = nEndChar = 0;
  QWidget* w = WidgetOf(this);
  if (auto* le = qobject_cast<QLineEdit*>(w)) {
    const int s = le->hasSelectedText() ? le->selectionStart() : le->cursorPosition();
    const int len = le->hasSelectedText() ? le->selectedText().size() : 0;
    nStartChar = static_cast<int>(qv::ui::FromQ(le->text().left(s)).size());
    nEndChar = static_cast<int>(qv::ui::FromQ(le->text().left(s + len)).size());
  }
}

void CEdit::ReplaceSel(LPCTSTR lpszNewText, BOOL) {
  QWidget* w = WidgetOf(this);
  const QString t = qv::ui::ToQ(lpszNewText ? lpszNewText : "");
  if (auto* le = qobject_cast<QLineEdit*>(w)) le->insert(t);
  if (auto* pe = qobject_cast<QPlainTextEdit*>(w)) pe->insertPlainText(t);
}

void CEdit::SetLimitText(UINT nMax) {
  if (auto* le = qobject_cast<QLineEdit*>(WidgetOf(this))) le->setMaxLength(nMax == 0 ? 32767 : static_cast<int>(nMax));
}

BOOL CEdit::SetReadOnly(BOOL bReadOnly) {
  QWidget* w = WidgetOf(this);
  if (auto* le = qobject_cast<QLineEdit*>(w)) le->setReadOnly(bReadOnly != FALSE);
  if (auto* pe = qobject_cast<QPlainTextEdit*>(w)) pe->setReadOnly(bReadOnly != FALSE);
  return w != nullptr;
}

int CEdit::GetLineCount() const {
  if (auto* pe = qobject_cast<QPlainTextEdit*>(WidgetOf(this))) return pe->blockCount();
  return 1;
}

// ---------------------------------------------------------------------------

void CComboBox::Changed() { qv::ui::SyncComboBox(this); }

int CComboBox::AddString(LPCTSTR lpszString) {
  const CString text = lpszString ? lpszString : "";
  int at = GetCount();
  if (qv::ui::IsLive(m_hWnd) && (m_hWnd->style & CBS_SORT)) {
    at = 0;
    while (at < GetCount() && _mbsicmp(m_items[static_cast<size_t>(at)], text) <= 0) ++at;
  }
  return InsertString(at, text);
}

int CComboBox::InsertString(int nIndex, LPCTSTR lpszString) {
  if (nIndex < -1 || nIndex > GetCount()) return CB_ERR;
  if (nIndex == -1) nIndex = GetCount();
  m_items.insert(m_items.begin() + nIndex, CString(lpszString ? lpszString : ""));
  m_data.insert(m_data.begin() + nIndex, 0);
  if (m_nCurSel >= nIndex) ++m_nCurSel;
  Changed();
  return nIndex;
}

int CComboBox::DeleteString(UINT nIndex) {
  const int i = static_cast<int>(nIndex);
  if (i < 0 || i >= GetCount()) return CB_ERR;
  m_items.erase(m_items.begin() + i);
  m_data.erase(m_data.begin() + i);
  if (m_nCurSel == i) {
    m_nCurSel = CB_ERR;
  } else if (m_nCurSel > i) {
    --m_nCurSel;
  }
  Changed();
  return GetCount();
}

void CComboBox::ResetContent() {
  m_items.clear();
  m_data.clear();
  m_nCurSel = CB_ERR;
  Changed();
}

int CComboBox::SetCurSel(int nSelect) {
  if (nSelect < 0 || nSelect >= GetCount()) {
    m_nCurSel = CB_ERR;
    Changed();
    return CB_ERR;
  }
  m_nCurSel = nSelect;
  Changed();
  return nSelect;
}

int CComboBox::GetLBText(int nIndex, LPTSTR lpszText) const {
  if (nIndex < 0 || nIndex >= GetCount() || lpszText == nullptr) return CB_ERR;
  const CString& t = m_items[static_cast<size_t>(nIndex)];
  std::memcpy(lpszText, t.GetString(), static_cast<size_t>(t.GetLength()) + 1);
  return t.GetLength();
}

void CComboBox::GetLBText(int nIndex, CString& rString) const {
  rString = (nIndex >= 0 && nIndex < GetCount()) ? m_items[static_cast<size_t>(nIndex)] : CString();
}

int CComboBox::GetLBTextLen(int nIndex) const {
  return (nIndex >= 0 && nIndex < GetCount()) ? m_items[static_cast<size_t>(nIndex)].GetLength() : CB_ERR;
}

int CComboBox::FindString(int nStartAfter, LPCTSTR lpszString) const {
  const int n = GetCount();
  if (n == 0 || lpszString == nullptr) return CB_ERR;
  const size_t len = std::strlen(lpszString);
  const int start = (nStartAfter >= 0 && nStartAfter < n) ? nStartAfter + 1 : 0;
  for (int k = 0; k < n; ++k) {
    const int i = (start + k) % n;
    const CString& t = m_items[static_cast<size_t>(i)];
    if (static_cast<size_t>(t.GetLength()) >= len && _mbsnbicmp(t.GetString(), lpszString, len) == 0) return i;
  }
  return CB_ERR;
}

int CComboBox::SelectString(int nStartAfter, LPCTSTR lpszString) {
  const int i = FindString(nStartAfter, lpszString);
  if (i == CB_ERR) return CB_ERR;
  m_nCurSel = i;
  Changed();
  return i;
}

int CComboBox::FindStringExact(int nIndexStart, LPCTSTR lpszFind) const {
  const int n = GetCount();
  if (n == 0 || lpszFind == nullptr) return CB_ERR;
  const int start = (nIndexStart >= 0 && nIndexStart < n) ? nIndexStart + 1 : 0;
  for (int k = 0; k < n; ++k) {
    const int i = (start + k) % n;
    if (_mbsicmp(m_items[static_cast<size_t>(i)], lpszFind) == 0) return i;
  }
  return CB_ERR;
}

DWORD_PTR CComboBox::GetItemData(int nIndex) const {
  return (nIndex >= 0 && nIndex < GetCount()) ? m_data[static_cast<size_t>(nIndex)] : static_cast<DWORD_PTR>(CB_ERR);
}

int CComboBox::SetItemData(int nIndex, DWORD_PTR dwItemData) {
  if (nIndex < 0 || nIndex >= GetCount()) return CB_ERR;
  m_data[static_cast<size_t>(nIndex)] = dwItemData;
  return 0;
}

void CComboBox::TakeItemsFrom(CComboBox& other) {
  if (&other == this) return;
  if (m_items.empty()) {
    m_items = std::move(other.m_items);
    m_data = std::move(other.m_data);
    m_nCurSel = other.m_nCurSel;
  }
  other.m_items.clear();
  other.m_data.clear();
  other.m_nCurSel = CB_ERR;
  Changed();
}

LRESULT CComboBox::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case CB_ADDSTRING:
      return AddString(reinterpret_cast<LPCTSTR>(lParam));
    case CB_RESETCONTENT:
      ResetContent();
      return 0;
    case CB_GETCOUNT:
      return GetCount();
    case CB_GETCURSEL:
      return GetCurSel();
    case CB_SETCURSEL:
      return SetCurSel(static_cast<int>(wParam));
    case CB_SELECTSTRING:
      return SelectString(static_cast<int>(wParam), reinterpret_cast<LPCTSTR>(lParam));
    default:
      return CWnd::DefWindowProc(message, wParam, lParam);
  }
}

// ---------------------------------------------------------------------------

void CSpinButtonCtrl::SetRange32(int nLower, int nUpper) {
  m_nLower = nLower;
  m_nUpper = nUpper;
}

void CSpinButtonCtrl::GetRange32(int& nLower, int& nUpper) const {
  nLower = m_nLower;
  nUpper = m_nUpper;
}

int CSpinButtonCtrl::GetPos() const { return MAKELONG(static_cast<WORD>(m_nPos), 0); }

int CSpinButtonCtrl::GetPos32(BOOL* lpbError) const {
  if (lpbError) *lpbError = FALSE;
  return m_nPos;
}

int CSpinButtonCtrl::SetPos(int nPos) {
  const int old = m_nPos;
  const int lo = std::min(m_nLower, m_nUpper);
  const int hi = std::max(m_nLower, m_nUpper);
  m_nPos = std::clamp(nPos, lo, hi);
  return old;
}

CWnd* CSpinButtonCtrl::SetBuddy(CWnd*) { return nullptr; }

void CSpinButtonCtrl::Step(int delta) {
  // With the range reversed the up arrow counts down.
  const int d = m_nLower <= m_nUpper ? delta : -delta;
  NMUPDOWN nm{};
  nm.iPos = m_nPos;
  nm.iDelta = d;
  if (qv::ui::Notify(m_hWnd, UDN_DELTAPOS, &nm.hdr) != 0) return;
  const int lo = std::min(m_nLower, m_nUpper);
  const int hi = std::max(m_nLower, m_nUpper);
  int next = m_nPos + nm.iDelta;
  if (next < lo || next > hi) {
    if (qv::ui::IsLive(m_hWnd) && (m_hWnd->style & UDS_WRAP)) {
      next = next < lo ? hi : lo;
    } else {
      next = std::clamp(next, lo, hi);
    }
  }
  m_nPos = next;
}

LRESULT CSpinButtonCtrl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case UDM_SETRANGE32:
      SetRange32(static_cast<int>(wParam), static_cast<int>(lParam));
      return 0;
    case UDM_GETPOS32:
      return GetPos32();
    case UDM_SETPOS32:
      return SetPos(static_cast<int>(lParam));
    default:
      return CWnd::DefWindowProc(message, wParam, lParam);
  }
}
