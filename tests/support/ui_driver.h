// Drives the program's windows as a person would: real mouse clicks, keys,
// typing and drops on the Qt widgets behind the window objects. Texts given
// here are UTF-8 (what a person types); what the program reads back is code
// page 932.
#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

#include <functional>
#include <string>
#include <vector>

#include "platform/ui/afxwin.h"
#include "platform/ui/qt/hwnd.h"

namespace qvtest::ui {

// The widget that shows a window (null when it has none).
inline QWidget* WidgetOf(const CWnd* w) {
  return w && qv::ui::IsLive(w->m_hWnd) ? w->m_hWnd->widget.data() : nullptr;
}
inline QWidget* Control(const CWnd* parent, int id) { return parent ? WidgetOf(parent->GetDlgItem(id)) : nullptr; }

// Lets posted messages and Qt events run.
inline void Pump(int rounds = 3) {
  for (int i = 0; i < rounds; ++i) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
}

// Clicks a button (push, check, radio) with the mouse.
inline void Click(QWidget* w) {
  ASSERT_NE(w, nullptr);
  QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->rect().center());
}
inline void Click(const CWnd* parent, int id) { Click(Control(parent, id)); }

// Types text into the focused widget: ASCII as key clicks, anything else
// as a Japanese person does, committed through the input method; a line
// feed presses Return.
inline void TypeInto(QWidget* w, const QString& text) {
  QString pending;
  auto commit = [&]() {
    if (pending.isEmpty()) return;
    QInputMethodEvent ime;
    ime.setCommitString(pending);
    QApplication::sendEvent(w, &ime);
    pending.clear();
  };
  for (QChar c : text) {
    if (c == QLatin1Char('\n')) {
      commit();
      QTest::keyClick(w, Qt::Key_Return);
    } else if (c.unicode() >= 0x20 && c.unicode() < 0x7F) {
      commit();
      QTest::keyClick(w, c.toLatin1());
    } else {
      pending += c;
    }
  }
  commit();
}

// Replaces the text of an edit by typing it.
inline void Type(QWidget* w, const std::string& utf8) {
  ASSERT_NE(w, nullptr);
  w->setFocus();
  QWidget* target = w;
  if (auto* le = qobject_cast<QLineEdit*>(w)) {
    le->selectAll();
    QTest::keyClick(le, Qt::Key_Delete);
  } else if (auto* pe = qobject_cast<QPlainTextEdit*>(w)) {
    pe->selectAll();
    QTest::keyClick(pe, Qt::Key_Delete);
  }
  TypeInto(target, QString::fromUtf8(utf8.c_str()));
}
inline void Type(const CWnd* parent, int id, const std::string& utf8) { Type(Control(parent, id), utf8); }

inline void Key(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  ASSERT_NE(w, nullptr);
  QTest::keyClick(w, key, mods);
}

// Pastes into an edit the three ways a person does: Ctrl+V, Shift+Insert
// and a middle click (the primary selection, where the platform has one).
inline void PasteEveryWay(QWidget* w) {
  ASSERT_NE(w, nullptr);
  w->setFocus();
  QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
  QTest::keyClick(w, Qt::Key_Insert, Qt::ShiftModifier);
  QWidget* target = w;
  if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) target = area->viewport();
  QTest::mouseClick(target, Qt::MiddleButton, Qt::NoModifier, target->rect().center());
}

// Drops files (Linux paths) on a widget as the file manager would.
inline void DropFiles(QWidget* target, const std::vector<std::string>& paths) {
  ASSERT_NE(target, nullptr);
  if (auto* area = qobject_cast<QAbstractScrollArea*>(target)) target = area->viewport();
  QMimeData data;
  QList<QUrl> urls;
  for (const auto& p : paths) urls << QUrl::fromLocalFile(QString::fromUtf8(p.c_str()));
  data.setUrls(urls);
  const QPoint at = target->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
}

// Chooses an item of a drop-down list as a person would (opens, picks).
inline void ChooseComboItem(QWidget* w, int index) {
  auto* c = qobject_cast<QComboBox*>(w);
  ASSERT_NE(c, nullptr);
  c->setCurrentIndex(index);
  emit c->activated(index);
}

// An item of a list box: a click (and a second one for a double click).
inline void ClickListItem(const CWnd* list, int row, bool twice = false) {
  auto* lw = qobject_cast<QListWidget*>(WidgetOf(list));
  ASSERT_NE(lw, nullptr);
  ASSERT_LT(row, lw->count());
  const QPoint p = lw->visualItemRect(lw->item(row)).center();
  QTest::mouseClick(lw->viewport(), Qt::LeftButton, Qt::NoModifier, p);
  if (twice) QTest::mouseDClick(lw->viewport(), Qt::LeftButton, Qt::NoModifier, p);
  Pump(1);
}

// Rows of a list view: click (with modifiers), double click, right click,
// header click.
inline QTreeView* ListView(const CWnd* list) { return qobject_cast<QTreeView*>(WidgetOf(list)); }
inline QPoint RowPoint(QTreeView* v, int row, int column = 0) {
  return v->visualRect(v->model()->index(row, column)).center();
}
inline void ClickRow(const CWnd* list, int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QTreeView* v = ListView(list);
  ASSERT_NE(v, nullptr);
  QTest::mouseClick(v->viewport(), Qt::LeftButton, mods, RowPoint(v, row));
}
inline void DoubleClickRow(const CWnd* list, int row) {
  QTreeView* v = ListView(list);
  ASSERT_NE(v, nullptr);
  const QPoint p = RowPoint(v, row);
  QTest::mouseClick(v->viewport(), Qt::LeftButton, Qt::NoModifier, p);
  QTest::mouseDClick(v->viewport(), Qt::LeftButton, Qt::NoModifier, p);
}
inline void RightClickRow(const CWnd* list, int row) {
  QTreeView* v = ListView(list);
  ASSERT_NE(v, nullptr);
  QTest::mouseClick(v->viewport(), Qt::RightButton, Qt::NoModifier, RowPoint(v, row));
}
inline void ClickHeader(const CWnd* list, int column) {
  QTreeView* v = ListView(list);
  ASSERT_NE(v, nullptr);
  QHeaderView* h = v->header();
  const int x = h->sectionViewportPosition(column) + h->sectionSize(column) / 2;
  QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, h->height() / 2));
}

// Runs `act` once the next popup menu (or modal window) shows; `act` gets
// it. Call before the code that opens it.
inline void WhenPopupShows(std::function<void(QWidget*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, act]() {
    QWidget* popup = QApplication::activePopupWidget();
    if (popup == nullptr) popup = QApplication::activeModalWidget();
    if (popup == nullptr) return;
    timer->stop();
    timer->deleteLater();
    act(popup);
  });
  timer->start();
}

// Picks the item of a shown popup menu whose text is `utf8` (mnemonics
// and accelerator texts ignored).
inline void ChooseMenuItem(QWidget* popup, const std::string& utf8) {
  auto* menu = qobject_cast<QMenu*>(popup);
  ASSERT_NE(menu, nullptr);
  const QString want = QString::fromUtf8(utf8.c_str());
  for (QAction* a : menu->actions()) {
    QString t = a->text();
    t.replace(QStringLiteral("&"), QString());
    if (t.section('\t', 0, 0) == want) {
      const QRect r = menu->actionGeometry(a);
      QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, r.center());
      return;
    }
  }
  ADD_FAILURE() << "no menu item " << utf8;
  menu->close();
}

// The button of a shown message box or dialog with the text (mnemonics
// ignored).
inline QAbstractButton* ButtonByText(QWidget* window, const std::string& utf8) {
  const QString want = QString::fromUtf8(utf8.c_str());
  for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
    QString t = b->text();
    t.replace(QStringLiteral("&"), QString());
    if (t == want) return b;
  }
  return nullptr;
}

// A text a person writes (UTF-8) as the program holds it (code page 932).
inline CString Text(const char* utf8) {
  return CString(std::string_view(qv::Utf8ToCp932Lossy(utf8 ? utf8 : "")));
}

// The text of a window as a person reads it (UTF-8).
inline std::string ShownText(const CWnd* w) {
  CString t;
  if (w) w->GetWindowText(t);
  return qv::Cp932ToUtf8Lossy(t.View());
}

}  // namespace qvtest::ui
