// Random input on the program's windows: thousands of clicks, keys, typed
// and pasted texts, drags, drops, wheel turns and menu picks, chosen from a
// seed, on the real main frame holding a catalogue and then a comparison.
// Every question is answered through the seam with something a person might
// answer, dialogs are worked at random and then closed, and the program is
// started afresh whenever the gestures end it. Run under the sanitizers,
// anything that crashes, reads freed memory or leaks fails the test.
//
// The run is repeatable from its seed (printed at the start):
//   QUARVEX_MONKEY=1 QUARVEX_MONKEY_SEED=<n> test_ui --gtest_filter=MonkeyTest.*
// QUARVEX_MONKEY_STEPS sets the number of gestures, QUARVEX_MONKEY_SECONDS
// the time budget that ends the run early, QUARVEX_MONKEY_LOG=1 prints each
// gesture as it is made. Without QUARVEX_MONKEY the test is skipped (the
// sanitizer build registers it as a test of its own).
//
// Nothing leaves the test's temporary folder: the drives C: and T: lie in
// it, the home, configuration, runtime and program folders too, typed texts
// have neither '/' nor '.', and every program the windows start is a stand-in
// there that only notes that it was started.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QImage>
#include <QMainWindow>
#include <QMenuBar>
#include <QPointer>
#include <QTabBar>
#include <QWheelEvent>

#include <unistd.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ui/list_fixture.h"

#include "ui/FilterDialogs.h"
#include "compare/CompareRun.h"
#include "res/resource.h"
#include "ui/SourceForm.h"

namespace fs = std::filesystem;

namespace {

using qvtest::ui::Pump;
using qvtest::ui::WidgetOf;

using Clock = std::chrono::steady_clock;

long EnvNumber(const char* name, long fallback) {
  const char* v = std::getenv(name);
  if (v == nullptr || *v == '\0') return fallback;
  char* end = nullptr;
  const long n = std::strtol(v, &end, 10);
  return end && *end == '\0' ? n : fallback;
}

// A property sheet's result while it is shown (-1 until it ends).
struct SheetResult : CPropertySheet {
  static int Of(const CPropertySheet& sheet) { return sheet.*(&SheetResult::m_nModalResult); }
};

class MonkeyTest;

// The run under way, for the report of a sanitizer that ends the process.
MonkeyTest* g_running = nullptr;

// Qt's notes that the offscreen platform cannot raise or grab are left out
// of the report; everything else goes through.
QtMessageHandler g_qtHandler = nullptr;
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.startsWith(QLatin1String("This plugin does not support"))) return;
  if (g_qtHandler) {
    g_qtHandler(type, context, text);
  } else {
    std::fprintf(stderr, "%s\n", qPrintable(text));
  }
}

// The people at the screen: every question gets an answer the question
// allows, chosen at random; dialogs mostly run for real and are worked by
// the monkey until it closes them.
class MonkeyPeople : public qvtest::ScriptedPeople {
 public:
  explicit MonkeyPeople(MonkeyTest* monkey) : monkey_(monkey) {}
  int Message(const qv::MessageRequest& r) override;
  int Dialog(const qv::DialogRequest& r, std::string* answerText) override;
  bool PickFile(const qv::FileRequest& r, std::string& chosen) override;
  bool PickFolder(const qv::FolderRequest& r, std::string& chosen) override;
  int depth = 0;  // dialogs being worked, one inside the other

 private:
  MonkeyTest* monkey_;
};

class MonkeyTest : public qvtest::ListTest {
 public:
  std::mt19937_64 rng_;

  size_t Pick(size_t n) { return n == 0 ? 0 : static_cast<size_t>(rng_() % n); }
  bool Chance(int percent) { return static_cast<int>(rng_() % 100) < percent; }
  template <typename T>
  const T& OneOf(const std::vector<T>& v) {
    return v[Pick(v.size())];
  }

  void PrintRecent() const {
    std::fprintf(stderr, "monkey: seed %llu, the last gestures:\n", static_cast<unsigned long long>(seed_));
    for (const std::string& r : recent_) std::fprintf(stderr, "  %s\n", r.c_str());
  }

  void Note(const std::string& what) {
    if (log_) std::fprintf(stderr, "monkey %d: %s\n", step_, what.c_str());
    recent_.push_back(std::to_string(step_) + ": " + what);
    if (recent_.size() > 40) recent_.erase(recent_.begin());
  }

  // Paths (code page 932, Windows-shaped) the pickers answer with.
  std::string PickedFile(bool open) {
    std::vector<std::string> files = {"T:\\docs\\catalogue.qvx", "T:\\docs\\damaged.qvx", "T:\\docs\\new one.qvx",
                                      "T:\\docs\\missing\\x.qvx", "T:\\disk", qvtest::Cp("T:\\docs\\目録.qvx")};
    if (!open) files.push_back("T:\\docs\\catalogue.qvx");
    return OneOf(files);
  }
  std::string PickedFolder() {
    return OneOf(std::vector<std::string>{"T:\\disk", "T:\\new", "T:\\old", "T:\\diff", "T:\\out", "T:\\nothing here",
                                          "T:\\", qvtest::Cp("T:\\disk\\映画")});
  }

  // Works a dialog the program shows modally, then closes it.
  void DriveDialog(CWnd* dialog) {
    HWND h = dialog ? dialog->m_hWnd : nullptr;
    auto open = [&]() {
      if (!qv::ui::IsLive(h) || h->wnd != dialog) return false;
      if (auto* d = dynamic_cast<CDialog*>(dialog)) return d->GetResult() == -1;
      if (auto* s = dynamic_cast<CPropertySheet*>(dialog)) return SheetResult::Of(*s) == -1;
      return false;
    };
    Note(std::string("dialog ") + (dialog ? dialog->GetRuntimeClass()->m_lpszClassName : "?"));
    const int gestures = static_cast<int>(Pick(10));
    for (int i = 0; i < gestures && open(); ++i) {
      Gesture(WidgetOf(dialog), false);
      Settle();
    }
    if (open()) {
      QWidget* w = WidgetOf(dialog);
      switch (Pick(5)) {
        case 0:
        case 1:
          Note("dialog OK");
          if (QWidget* ok = qvtest::ui::Control(dialog, IDOK)) {
            ClickAt(ok, ok->rect().center(), Qt::LeftButton);
          } else if (QAbstractButton* b = qvtest::ui::ButtonByText(w, "OK")) {
            ClickAt(b, b->rect().center(), Qt::LeftButton);
          }
          break;
        case 2:
          Note("dialog Esc");
          KeyTo(FocusIn(w), Qt::Key_Escape, Qt::NoModifier);
          break;
        case 3:
          Note("dialog Enter");
          KeyTo(FocusIn(w), Qt::Key_Return, Qt::NoModifier);
          break;
        default:
          Note("dialog close box");
          w->close();
          break;
      }
      Settle();
    }
    // Refused (a field the dialog does not take): cancelled.
    if (open()) {
      Note("dialog cancelled");
      if (auto* d = dynamic_cast<CDialog*>(dialog)) {
        d->EndDialog(d->GetCancelAnswer());
      } else if (auto* s = dynamic_cast<CPropertySheet*>(dialog)) {
        s->PressCancel();
      }
    }
  }

  // Answers a popup (a menu, a drop-down list) that is on the screen;
  // sometimes something arrives from outside first.
  void AnswerPopup(QWidget* shown) {
    QPointer<QWidget> popup(shown);
    if (Chance(10)) {
      SomeArrival()();
      Settle();
      if (!popup) return;
    }
    if (auto* menu = qobject_cast<QMenu*>(popup)) {
      std::vector<QAction*> usable;
      for (QAction* a : menu->actions()) {
        if (a->isEnabled() && a->isVisible() && !a->isSeparator()) usable.push_back(a);
      }
      if (!usable.empty() && Chance(85)) {
        QAction* a = OneOf(usable);
        Note("menu pick " + a->text().toStdString());
        ClickAt(menu, menu->actionGeometry(a).center(), Qt::LeftButton);
        return;
      }
    } else if (auto* view = popup->findChild<QAbstractItemView*>()) {
      const int rows = view->model() ? view->model()->rowCount(view->rootIndex()) : 0;
      if (rows > 0 && Chance(75)) {
        // By the keys: a drop-down list ignores clicks for a moment after it
        // opens, and the run is to repeat itself whatever its speed.
        const size_t downs = Pick(static_cast<size_t>(rows) + 1);
        Note("list pick " + std::to_string(downs) + " down");
        QPointer<QWidget> alive(view);
        for (size_t i = 0; i < downs && alive; ++i) KeyTo(view, Qt::Key_Down, Qt::NoModifier);
        if (alive) KeyTo(view, Qt::Key_Return, Qt::NoModifier);
        return;
      }
    }
    Note("popup Esc");
    KeyTo(popup, Qt::Key_Escape, Qt::NoModifier);
  }

 protected:
  void Env(const char* name, const char* value) { env_.push_back(std::make_unique<qvtest::EnvVar>(name, value)); }

  void SetUp() override {
    if (std::getenv("QUARVEX_MONKEY") == nullptr) GTEST_SKIP() << "set QUARVEX_MONKEY=1 to run";
    ListTest::SetUp();
    MakeTrees();
    // Everything the program might write or start stays in the folder.
    fs::create_directories(tmp_ / "c");
    fs::create_directories(tmp_ / "home");
    fs::create_directories(tmp_ / "run");
    fs::permissions(tmp_ / "run", fs::perms::owner_all);
    fs::create_directories(tmp_ / "bin");
    Env("QUARVEX_DRIVES", ("C=" + (tmp_ / "c").string() + ";T=" + tmp_.str()).c_str());
    qv::ResetDriveMap();
    Env("PATH", (tmp_ / "bin").c_str());
    Env("HOME", (tmp_ / "home").c_str());
    Env("XDG_RUNTIME_DIR", (tmp_ / "run").c_str());
    Env("QUARVEX_DDE_DIR", (tmp_ / "run/dde").c_str());
    Env("SystemRoot", nullptr);
    for (const fs::path& stand : {tmp_ / "bin/xdg-open", tmp_ / "bin/notepad", ProgramDir() / "system/Explorer",
                                  ProgramDir() / "ZEKFile", ProgramDir() / "DF", ProgramDir() / "windiff"}) {
      qvtest::WriteFile(stand, "#!/bin/sh\necho \"$0 $*\" >> '" + (tmp_ / "started.log").string() + "'\n");
      fs::permissions(stand, fs::perms::owner_all);
    }
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd)) cwd_ = cwd;
    ASSERT_EQ(chdir(tmp_.path().c_str()), 0);
    log_ = std::getenv("QUARVEX_MONKEY_LOG") != nullptr;
  }

  void TearDown() override {
    if (std::getenv("QUARVEX_MONKEY") == nullptr) return;
    ListTest::TearDown();
    if (!cwd_.empty()) (void)chdir(cwd_.c_str());
  }

  // A storage disk of DVD folders for the catalogue, two trees and a work
  // folder for the comparison, saved documents good and damaged.
  void MakeTrees() {
    for (const char* d : {"disk/映画/Casablanca/VIDEO_TS", "disk/映画/Trip 2021/VIDEO_TS", "disk/Gamma/VIDEO_TS",
                          "disk/冬/雪山/VIDEO_TS", "disk/plain folder"}) {
      fs::create_directories(tmp_ / d);
    }
    qvtest::WriteFile(tmp_ / "disk/Gamma/VIDEO_TS/VTS_01_1.VOB", "video");
    for (const char* d : {"same", "changed", "映画/夏"}) {
      for (const char* side : {"old", "new"}) {
        qvtest::WriteFile(tmp_ / side / d / "VIDEO_TS/VTS_01_1.VOB", std::string(side) + d);
        qvtest::SetMtime(tmp_ / side / d, qvtest::kListTime);
      }
    }
    qvtest::SetMtime(tmp_ / "new/changed", qvtest::kListTime + 100);
    qvtest::WriteFile(tmp_ / "old/removed/VIDEO_TS/VTS_01_1.VOB", "gone");
    qvtest::WriteFile(tmp_ / "new/added/VIDEO_TS/VTS_01_1.VOB", "added");
    fs::create_directories(tmp_ / "diff");
    fs::create_directories(tmp_ / "out");
    qvtest::WriteFile(tmp_ / "docs/damaged.qvx", std::string("\x01\x02garbage\xff", 11));
  }

  // The program started, with a run's results shown: a catalogue of the
  // DVD disk, or a comparison of the two trees.
  void StartWithResults(bool compare) {
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    ASSERT_NE(frame, nullptr);
    if (compare) {
      frame->m_pTitleForm->m_nMode = MODE_COMPARE;
      frame->m_nMode = theApp.m_nAppMode = MODE_COMPARE;
      frame->m_pOperationForm->ShowCompareFields(MODE_COMPARE);
      qvtest::ui::Type(frame->m_pOperationForm, IDC_EDIT_NEW, "T:\\new");
      qvtest::ui::Type(frame->m_pOperationForm, IDC_EDIT_OLD, "T:\\old");
      qvtest::ui::Type(frame->m_pOperationForm, IDC_EDIT_DIFF, "T:\\diff");
      theApp.m_nDispMode = DISP_SAME | DISP_NEW | DISP_DELETED | DISP_DIFFERENT;
    } else {
      qvtest::ui::Type(frame->m_pOperationForm, IDC_EDIT_OLD, "T:\\disk");
      qvtest::ui::Type(frame->m_pOperationForm, IDC_EDIT_COMMENT, "一号機\n棚");
    }
    qvtest::ui::Click(frame->m_pOperationForm, IDC_RUN);
    Pump();
    // After a restart the settings are what the gestures left.
    if (restarts_ == 0 || compare != compared_) {
      ASSERT_NE(Form(), nullptr);
      ASSERT_GT(List().GetItemCount(), 0);
    }
    compared_ = compare;
  }

  // The program ended (its window closed): the application object afresh,
  // as a new start of the program finds it.
  void Restart(bool compare, bool planned = false) {
    Note(planned ? "start afresh" : "restart");
    if (CWnd* main = AfxGetMainWnd()) main->DestroyWindow();
    theApp.ExitInstance();
    CDocument* doc = theApp.m_pDocTemplate ? theApp.m_pDocTemplate->GetOnlyDocument() : nullptr;
    delete doc;
    delete theApp.m_pCurrentDoc;
    Pump();
    theApp.~CZEKApp();
    new (&theApp) CZEKApp();
    if (!planned) ++restarts_;
    StartWithResults(compare);
  }

  // --- gestures -----------------------------------------------------------

  // Widgets a person can reach in the window of `root`.
  static std::vector<QWidget*> Reachable(QWidget* root) {
    std::vector<QWidget*> out;
    if (root == nullptr) return out;
    QWidget* window = root->window();
    if (root->isVisible() && root->isEnabled()) out.push_back(root);
    for (QWidget* w : root->findChildren<QWidget*>()) {
      if (w->window() == window && w->isVisible() && w->isEnabled() && w->width() > 0 && w->height() > 0) {
        out.push_back(w);
      }
    }
    return out;
  }

  static QAbstractItemView* ViewOfViewport(QWidget* w) {
    auto* view = w ? qobject_cast<QAbstractItemView*>(w->parentWidget()) : nullptr;
    return view && view->viewport() == w ? view : nullptr;
  }

  // What a person aims at more often than bare labels and frames: rows of
  // lists, buttons, fields, drop-downs, tabs and headers.
  static bool Lively(QWidget* w) {
    return ViewOfViewport(w) || qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
           qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QTabBar*>(w) ||
           qobject_cast<QHeaderView*>(w);
  }

  QWidget* SomeTarget(const std::vector<QWidget*>& all) {
    std::vector<QWidget*> lively;
    for (QWidget* w : all) {
      if (Lively(w)) lively.push_back(w);
    }
    return !lively.empty() && Chance(70) ? OneOf(lively) : OneOf(all);
  }

  // A point of the widget; on a list, mostly on one of its rows.
  QPoint SomePoint(QWidget* w) {
    if (QAbstractItemView* view = ViewOfViewport(w); view && view->model() && Chance(75)) {
      const int rows = view->model()->rowCount(view->rootIndex());
      const int columns = view->model()->columnCount(view->rootIndex());
      if (rows > 0 && columns > 0) {
        const QModelIndex index = view->model()->index(static_cast<int>(Pick(static_cast<size_t>(rows))),
                                                       static_cast<int>(Pick(static_cast<size_t>(columns))),
                                                       view->rootIndex());
        const QRect r = view->visualRect(index);
        if (r.isValid() && w->rect().contains(r.center())) return r.center();
      }
    }
    return QPoint(static_cast<int>(Pick(static_cast<size_t>(std::max(1, w->width())))),
                  static_cast<int>(Pick(static_cast<size_t>(std::max(1, w->height())))));
  }

  // A press and, when the widget is still there, its release (a press may
  // close the window the widget belongs to).
  void ClickAt(QWidget* w, QPoint at, Qt::MouseButton button, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QPointer<QWidget> alive(w);
    QTest::mousePress(w, button, mods, at);
    if (alive) QTest::mouseRelease(alive, button, mods, at);
  }
  void DoubleClickAt(QWidget* w, QPoint at) {
    QPointer<QWidget> alive(w);
    ClickAt(w, at, Qt::LeftButton);
    if (alive) QTest::mouseDClick(alive, Qt::LeftButton, Qt::NoModifier, at);
  }
  void KeyTo(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods) {
    QPointer<QWidget> alive(w);
    QTest::keyPress(w, key, mods);
    if (alive) QTest::keyRelease(alive, key, mods);
  }

  // A text a person might type or paste: no '/' and no '.', so that no
  // path typed can lead out of the test's folder.
  QString SomeText() {
    static const std::vector<QString> pieces = {
        QStringLiteral("abc"), QStringLiteral("Z"), QStringLiteral("T:\\"), QStringLiteral("C:\\"),
        QStringLiteral("\\"), QStringLiteral(" "), QStringLiteral("123"), QStringLiteral("\""), QStringLiteral(","),
        QStringLiteral("\n"), QStringLiteral("\t"), QStringLiteral("%s%d"), QString::fromUtf8("映画"),
        QString::fromUtf8("ＤＶＤ"), QString::fromUtf8("ｶﾅ"), QString::fromUtf8("表"), QString::fromUtf8("😀"),
        QString::fromUtf8("①"), QString::fromUtf8("disk"), QString::fromUtf8("new"), QString::fromUtf8("Ω")};
    QString s;
    const size_t n = Chance(5) ? 200 + Pick(400) : 1 + Pick(6);
    for (size_t i = 0; i < n; ++i) s += OneOf(pieces);
    return s;
  }

  // A widget of the window given the keyboard, as a click would (where
  // the focus happens to be after a gesture depends on the order of window
  // events, and the run is to repeat itself).
  QWidget* FocusIn(QWidget* root) {
    std::vector<QWidget*> all = Reachable(root);
    QWidget* w = all.empty() ? root : SomeTarget(all);
    w->setFocus(Qt::MouseFocusReason);
    return w;
  }

  void FillClipboard() {
    auto* data = new QMimeData;
    switch (Pick(7)) {
      case 0:
        Note("clipboard: nothing");
        break;
      case 1:
      case 2:
        data->setText(SomeText());
        Note("clipboard: text");
        break;
      case 3:
        data->setHtml(QStringLiteral("<b>") + SomeText() + QStringLiteral("</b>"));
        Note("clipboard: html");
        break;
      case 4:
        data->setUrls({QUrl::fromLocalFile(QString::fromStdString((tmp_ / "disk").string())),
                       QUrl::fromLocalFile(QString::fromStdString((tmp_ / "new/same/VIDEO_TS").string()))});
        Note("clipboard: files");
        break;
      case 5: {
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::red);
        data->setImageData(image);
        Note("clipboard: picture");
        break;
      }
      default:
        data->setData(QStringLiteral("application/octet-stream"), QByteArray("\0\1\2", 3));
        Note("clipboard: bytes");
        break;
    }
    QGuiApplication::clipboard()->setMimeData(data);
  }

  // Files dropped from the file manager: folders and files of the test's
  // folder, and a name code page 932 cannot hold.
  std::vector<std::string> SomeDroppedPaths() {
    std::vector<std::string> pool = {(tmp_ / "disk").string(),
                                     (tmp_ / "new").string(),
                                     (tmp_ / "old").string(),
                                     (tmp_ / "new/same/VIDEO_TS/VTS_01_1.VOB").string(),
                                     (tmp_ / "docs/damaged.qvx").string(),
                                     (tmp_ / "diff").string()};
    const fs::path odd = tmp_ / "odd/😀 name.txt";
    if (!fs::exists(odd)) qvtest::WriteFile(odd, "x");
    pool.push_back(odd.string());
    if (fs::exists(tmp_ / "docs/catalogue.qvx")) pool.push_back((tmp_ / "docs/catalogue.qvx").string());
    std::vector<std::string> out;
    const size_t n = 1 + Pick(3);
    for (size_t i = 0; i < n; ++i) out.push_back(OneOf(pool));
    return out;
  }

  // A gesture on the file or DVD list of the main frame, when it shows:
  // rows clicked, right-clicked (its menu's pick follows), double-clicked,
  // dragged over, keys, header clicks. False when no list shows.
  bool ListGesture() {
    CSource_Form* form = Frame() ? Frame()->m_pSourceForm : nullptr;
    QTreeView* view = form ? qvtest::ui::ListView(&form->m_list) : nullptr;
    if (view == nullptr || !view->isVisible() || view->model() == nullptr) return false;
    QWidget* rows = view->viewport();
    const int count = view->model()->rowCount();
    const int columns = std::max(1, view->model()->columnCount());
    auto rowPoint = [&]() {
      if (count == 0 || Chance(5)) return QPoint(rows->width() / 2, rows->height() - 2);  // below the rows
      return view->visualRect(view->model()->index(static_cast<int>(Pick(static_cast<size_t>(count))),
                                                   static_cast<int>(Pick(static_cast<size_t>(columns)))))
          .center();
    };
    switch (Pick(7)) {
      case 0:
      case 1: {
        Note("right click on a row");
        ClickAt(rows, rowPoint(), Qt::RightButton);
        break;
      }
      case 2: {
        const Qt::KeyboardModifiers mods =
            Chance(25) ? Qt::ControlModifier : Chance(25) ? Qt::ShiftModifier : Qt::NoModifier;
        Note("click on a row");
        ClickAt(rows, rowPoint(), Qt::LeftButton, mods);
        break;
      }
      case 3:
        Note("double click on a row");
        DoubleClickAt(rows, rowPoint());
        break;
      case 4: {
        QHeaderView* header = view->header();
        const int column = static_cast<int>(Pick(static_cast<size_t>(columns)));
        Note("header click " + std::to_string(column));
        ClickAt(header->viewport(),
                QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2),
                Qt::LeftButton);
        break;
      }
      case 5: {
        static const std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>> keys = {
            {Qt::Key_Delete, Qt::NoModifier}, {Qt::Key_Return, Qt::NoModifier}, {Qt::Key_Down, Qt::NoModifier},
            {Qt::Key_Up, Qt::ShiftModifier},  {Qt::Key_A, Qt::ControlModifier}, {Qt::Key_Menu, Qt::NoModifier},
            {Qt::Key_Space, Qt::NoModifier},  {Qt::Key_F2, Qt::NoModifier},     {Qt::Key_End, Qt::NoModifier}};
        const auto& [key, mods] = OneOf(keys);
        Note("key " + QKeySequence(QKeyCombination(mods, key)).toString().toStdString() + " on the list");
        view->setFocus();
        KeyTo(view, key, mods);
        break;
      }
      default: {
        Note("drag over rows");
        QPointer<QWidget> alive(rows);
        const QPoint from = rowPoint();
        const QPoint to = rowPoint();
        QTest::mousePress(rows, Qt::LeftButton, Qt::NoModifier, from);
        for (int i = 1; i <= 4 && alive; ++i) QTest::mouseMove(alive, from + (to - from) * i / 4);
        if (alive) QTest::mouseRelease(alive, Qt::LeftButton, Qt::NoModifier, to);
        break;
      }
    }
    return true;
  }

  // One gesture inside the window of `root`; `mainWindow` allows the ones
  // only the main frame has (menu bar, resizing, closing the program).
  void Gesture(QWidget* root, bool mainWindow) {
    if (root == nullptr) return;
    if (mainWindow && Chance(20) && ListGesture()) return;
    std::vector<QWidget*> all = Reachable(root);
    if (all.empty()) return;
    QWidget* w = SomeTarget(all);
    const std::string name = ViewOfViewport(w) ? std::string("rows of ") + w->parentWidget()->metaObject()->className()
                                               : std::string(w->metaObject()->className());
    const size_t kind = Pick(100);
    if (kind < 30) {
      const QPoint at = SomePoint(w);
      if (Chance(12)) {
        Note("double click " + name);
        DoubleClickAt(w, at);
      } else if (Chance(12)) {
        Note("right click " + name);
        ClickAt(w, at, Qt::RightButton);
      } else {
        const Qt::KeyboardModifiers mods =
            Chance(10) ? Qt::ControlModifier : Chance(10) ? Qt::ShiftModifier : Qt::NoModifier;
        Note("click " + name);
        ClickAt(w, at, Qt::LeftButton, mods);
      }
    } else if (kind < 55) {
      static const std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>> keys = {
          {Qt::Key_Return, Qt::NoModifier}, {Qt::Key_Escape, Qt::NoModifier}, {Qt::Key_Tab, Qt::NoModifier},
          {Qt::Key_Backtab, Qt::ShiftModifier}, {Qt::Key_Up, Qt::NoModifier}, {Qt::Key_Down, Qt::NoModifier},
          {Qt::Key_Left, Qt::NoModifier}, {Qt::Key_Right, Qt::NoModifier}, {Qt::Key_Home, Qt::NoModifier},
          {Qt::Key_End, Qt::ControlModifier}, {Qt::Key_PageDown, Qt::NoModifier}, {Qt::Key_Delete, Qt::NoModifier},
          {Qt::Key_Backspace, Qt::NoModifier}, {Qt::Key_Space, Qt::NoModifier}, {Qt::Key_F1, Qt::NoModifier},
          {Qt::Key_F1, Qt::ShiftModifier}, {Qt::Key_F2, Qt::NoModifier}, {Qt::Key_F5, Qt::NoModifier},
          {Qt::Key_F10, Qt::NoModifier}, {Qt::Key_A, Qt::ControlModifier}, {Qt::Key_C, Qt::ControlModifier},
          {Qt::Key_X, Qt::ControlModifier}, {Qt::Key_Z, Qt::ControlModifier}, {Qt::Key_N, Qt::ControlModifier},
          {Qt::Key_O, Qt::ControlModifier}, {Qt::Key_S, Qt::ControlModifier}, {Qt::Key_Menu, Qt::NoModifier},
          {Qt::Key_Y, Qt::AltModifier}, {Qt::Key_N, Qt::AltModifier}, {Qt::Key_A, Qt::AltModifier},
          {Qt::Key_F, Qt::AltModifier}, {Qt::Key_Up, Qt::ShiftModifier}, {Qt::Key_Down, Qt::ShiftModifier}};
      const auto& [key, mods] = OneOf(keys);
      QWidget* target = FocusIn(root);
      Note("key " + QKeySequence(QKeyCombination(mods, key)).toString().toStdString() + " on " +
           target->metaObject()->className());
      KeyTo(target, key, mods);
    } else if (kind < 65) {
      QWidget* target = FocusIn(root);
      Note(std::string("type into ") + target->metaObject()->className());
      QPointer<QWidget> alive(target);
      const QString text = SomeText();
      for (QChar c : text) {
        if (!alive) break;
        if (c == QLatin1Char('\n')) {
          KeyTo(alive, Qt::Key_Return, Qt::NoModifier);
        } else if (c == QLatin1Char('\t')) {
          KeyTo(alive, Qt::Key_Tab, Qt::NoModifier);
        } else if (c.unicode() >= 0x20 && c.unicode() < 0x7F) {
          QTest::keyPress(alive, c.toLatin1());
          if (alive) QTest::keyRelease(alive, c.toLatin1());
        } else {
          qvtest::ui::TypeInto(alive, QString(c));
        }
      }
    } else if (kind < 73) {
      FillClipboard();
      std::vector<QWidget*> edits;
      for (QWidget* e : all) {
        if (qobject_cast<QLineEdit*>(e) || qobject_cast<QPlainTextEdit*>(e)) edits.push_back(e);
      }
      QWidget* target = edits.empty() ? FocusIn(root) : OneOf(edits);
      target->setFocus();
      switch (Pick(3)) {
        case 0:
          Note(std::string("Ctrl+V into ") + target->metaObject()->className());
          KeyTo(target, Qt::Key_V, Qt::ControlModifier);
          break;
        case 1:
          Note(std::string("Shift+Insert into ") + target->metaObject()->className());
          KeyTo(target, Qt::Key_Insert, Qt::ShiftModifier);
          break;
        default: {
          QWidget* area = target;
          if (auto* scroll = qobject_cast<QAbstractScrollArea*>(target)) area = scroll->viewport();
          Note(std::string("middle click into ") + target->metaObject()->className());
          ClickAt(area, SomePoint(area), Qt::MiddleButton);
          break;
        }
      }
    } else if (kind < 81) {
      Note("drag on " + name);
      QPointer<QWidget> alive(w);
      const QPoint from = SomePoint(w);
      const QPoint to = from + QPoint(static_cast<int>(Pick(200)) - 100, static_cast<int>(Pick(200)) - 100);
      QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, from);
      for (int i = 1; i <= 4 && alive; ++i) QTest::mouseMove(alive, from + (to - from) * i / 4);
      if (alive) QTest::mouseRelease(alive, Qt::LeftButton, Qt::NoModifier, to);
    } else if (kind < 85) {
      Note("drop files on " + name);
      qvtest::ui::DropFiles(w, SomeDroppedPaths());
    } else if (kind < 89) {
      Note("wheel on " + name);
      const QPointF at = SomePoint(w);
      QWheelEvent wheel(at, w->mapToGlobal(at), QPoint(), QPoint(0, Chance(50) ? 120 : -120), Qt::NoButton,
                        Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(w, &wheel);
    } else if (kind < 97 && mainWindow) {
      // A menu of the menu bar, as a person opens it; its pick follows.
      auto* mw = qobject_cast<QMainWindow*>(root);
      QMenuBar* bar = mw ? mw->menuBar() : nullptr;
      const QList<QAction*> titles = bar ? bar->actions() : QList<QAction*>();
      if (!titles.isEmpty()) {
        QAction* title = titles.at(static_cast<qsizetype>(Pick(static_cast<size_t>(titles.size()))));
        Note("menu " + title->text().toStdString());
        ClickAt(bar, bar->actionGeometry(title).center(), Qt::LeftButton);
      }
    } else if (kind < 98 && mainWindow) {
      Note("resize main window");
      root->resize(300 + static_cast<int>(Pick(1000)), 200 + static_cast<int>(Pick(800)));
    } else if (kind < 99 && mainWindow) {
      Note("close box of the main window");
      root->close();
    } else {
      Note("wait");
      Settle();
    }
  }

  // Something from outside that arrives while the person works: a DDE
  // command of another program, or the window manager asking the main
  // window to close (not while a modal dialog blocks it).
  std::function<void()> SomeArrival() {
    static const std::vector<std::string> commands = {
        "OLD_PATH_SET    T:\\disk", "NEW_PATH_SET    T:\\new", "DIFF_PATH_SET   T:\\diff", "DIFF_EXECUTE    ",
        "OLD_PATH_SET    T:\\nothing here", "UNKNOWN         x"};
    if (Chance(75)) {
      const std::string command = OneOf(commands);
      Note("DDE " + command + " arrives");
      return [command]() {
        static char data[4097];
        std::memset(data, 0, sizeof data);
        std::memcpy(data, command.data(), command.size());
        CWnd* main = AfxGetMainWnd();
        if (main && ::IsWindow(main->GetSafeHwnd())) {
          ::SendMessageA(main->GetSafeHwnd(), WM_DDE_PATH_COMMAND, 0, reinterpret_cast<LPARAM>(data));
        }
      };
    }
    Note("close request arrives");
    return []() {
      QWidget* main = WidgetOf(AfxGetMainWnd());
      if (main == nullptr || QApplication::activeModalWidget() != nullptr) return;
      QCloseEvent close;
      QApplication::sendEvent(main, &close);
    };
  }

  // An arrival delivered by the next event processing, which may be inside
  // the gesture that follows (a menu waiting for its pick, a dialog).
  void Arrival() { QMetaObject::invokeMethod(qApp, SomeArrival(), Qt::QueuedConnection); }

  // Lets what a gesture set off run to its end (posted messages, window
  // events) before the next one, whatever the speed of the run: a bounded
  // wait would cut it at different places. Menus that open meanwhile wait
  // for AnswerOpenPopups, unless something waits on them.
  void Settle() {
    ++settling_;
    for (int i = 0; i < 4; ++i) {
      QCoreApplication::sendPostedEvents();
      QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    --settling_;
  }

  // Popups a gesture opened without waiting for them (the menu bar's, a
  // drop-down list's): answered before the next gesture.
  void AnswerOpenPopups() {
    for (int i = 0; i < 5; ++i) {
      QWidget* popup = QApplication::activePopupWidget();
      if (popup == nullptr) break;
      answering_.emplace_back(popup);
      AnswerPopup(popup);
      answering_.pop_back();
      Settle();
    }
    // Still open: closed.
    while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
  }

  // The top-level windows a person can use now.
  std::vector<QWidget*> Windows() {
    std::vector<QWidget*> out;
    if (QWidget* modal = QApplication::activeModalWidget()) return {modal};
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->isVisible() && !(w->windowType() == Qt::Popup) && !qobject_cast<QMenu*>(w) &&
          w->windowType() != Qt::ToolTip) {
        out.push_back(w);
      }
    }
    return out;
  }

  void Run(bool compare, int steps, Clock::time_point deadline) {
    for (int i = 0; i < steps && Clock::now() < deadline && !HasFailure(); ++i) {
      ++step_;
      rng_.seed(seed_ * 0x9E3779B97F4A7C15ull + static_cast<uint64_t>(step_));
      stepStart_ = Clock::now();
      if (Frame() == nullptr) Restart(compare);
      monkeyPeople_.ClearCalls();
      // The toolbar as a person sees it between two gestures (its update
      // runs on a timer): what is enabled does not depend on the speed of
      // the run.
      Frame()->UpdateCommandUI(FALSE);
      std::vector<QWidget*> windows = Windows();
      QWidget* main = WidgetOf(Frame());
      QWidget* root = windows.empty() ? main : OneOf(windows);
      if (log_) Note(Frame()->m_nLayout == WM_SHOW_FILE_VIEW ? "(file view)" : "(operation view)");
      if (Chance(3)) Arrival();
      Gesture(root, root == main);
      Settle();
      AnswerOpenPopups();
      ++done_;
    }
  }

  // Answers menus that wait for their pick (a context menu) while a gesture
  // is still under way, and popups a gesture left open; stops a run that
  // hangs.
  void WatchPopups() {
    watch_ = std::make_unique<QTimer>();
    watch_->setInterval(5);
    QObject::connect(watch_.get(), &QTimer::timeout, [this]() {
      if (Clock::now() - stepStart_ > std::chrono::seconds(30)) {
        std::fprintf(stderr, "monkey: gesture %d hangs\n", step_);
        PrintRecent();
        std::abort();
      }
      QWidget* popup = QApplication::activePopupWidget();
      if (popup == nullptr) return;
      if (settling_ > 0) {
        if (popup != waiting_) {
          waiting_ = popup;
          waitingSince_ = Clock::now();
        }
        if (Clock::now() - waitingSince_ < std::chrono::seconds(2)) return;
      }
      for (const QPointer<QWidget>& p : answering_) {
        if (p == popup) return;
      }
      answering_.emplace_back(popup);
      AnswerPopup(popup);
      answering_.pop_back();
    });
    watch_->start();
  }

  MonkeyPeople monkeyPeople_{this};
  std::vector<std::unique_ptr<qvtest::EnvVar>> env_;
  std::string cwd_;
  bool log_ = false;
  uint64_t seed_ = 0;
  int step_ = 0;
  int done_ = 0;
  int restarts_ = 0;
  bool compared_ = false;
  std::vector<QPointer<QWidget>> answering_;  // popups being answered, one inside the other
  Clock::time_point stepStart_ = Clock::now();
  int settling_ = 0;
  QPointer<QWidget> waiting_;  // a popup left for AnswerOpenPopups, since when
  Clock::time_point waitingSince_;
  std::unique_ptr<QTimer> watch_;
  std::vector<std::string> recent_;
};

#if defined(__SANITIZE_ADDRESS__)
void PrintLastGestures() {
  if (g_running) g_running->PrintRecent();
}
#endif

int MonkeyPeople::Message(const qv::MessageRequest& r) {
  std::vector<int> buttons;
  switch (r.type & MB_TYPEMASK) {
    case MB_OKCANCEL: buttons = {IDOK, IDCANCEL}; break;
    case MB_ABORTRETRYIGNORE: buttons = {IDABORT, IDIGNORE}; break;
    case MB_YESNOCANCEL: buttons = {IDYES, IDNO, IDCANCEL}; break;
    case MB_YESNO: buttons = {IDYES, IDNO}; break;
    case MB_RETRYCANCEL: buttons = {IDCANCEL}; break;  // a retry could ask again for ever
    default: buttons = {IDOK}; break;
  }
  const int answer = monkey_->OneOf(buttons);
  monkey_->Note("message " + qv::Cp932ToUtf8Lossy(r.text ? r.text : "").substr(0, 60) + " -> " +
                std::to_string(answer));
  QueueAnswer(answer);
  return ScriptedPeople::Message(r);
}

int MonkeyPeople::Dialog(const qv::DialogRequest& r, std::string* answerText) {
  if (r.showModal && depth < 2 && monkey_->Chance(85)) {
    QueueDrive([this](CWnd* w) {
      ++depth;
      monkey_->DriveDialog(w);
      --depth;
    });
  } else {
    monkey_->Note(std::string("dialog ") + (r.dialogName ? r.dialogName : "?") + " cancelled unseen");
    QueueDialog(r.cancelAnswer);
  }
  return ScriptedPeople::Dialog(r, answerText);
}

bool MonkeyPeople::PickFile(const qv::FileRequest& r, std::string& chosen) {
  if (monkey_->Chance(20)) {
    QueueFileCancel();
  } else {
    QueueFile(monkey_->PickedFile(r.open));
  }
  monkey_->Note(std::string(r.open ? "open" : "save") + " picker");
  return ScriptedPeople::PickFile(r, chosen);
}

bool MonkeyPeople::PickFolder(const qv::FolderRequest& r, std::string& chosen) {
  if (monkey_->Chance(20)) {
    QueueFolderCancel();
  } else {
    QueueFolder(monkey_->PickedFolder());
  }
  monkey_->Note("folder picker");
  return ScriptedPeople::PickFolder(r, chosen);
}

TEST_F(MonkeyTest, RandomGesturesOnEveryWindowKeepTheProgramWhole) {
  seed_ = static_cast<uint64_t>(EnvNumber("QUARVEX_MONKEY_SEED", 20240305));
  const int steps = static_cast<int>(EnvNumber("QUARVEX_MONKEY_STEPS", 4000));
  const long seconds = EnvNumber("QUARVEX_MONKEY_SECONDS", 50);
  std::fprintf(stderr, "monkey seed %llu, %d gestures (repeat with QUARVEX_MONKEY_SEED=%llu)\n",
               static_cast<unsigned long long>(seed_), steps, static_cast<unsigned long long>(seed_));
  fs::create_directories(tmp_ / "docs");
  const Clock::time_point start = Clock::now();
  g_qtHandler = qInstallMessageHandler(QuietHandler);
  g_running = this;
#if defined(__SANITIZE_ADDRESS__)
  __sanitizer_set_death_callback(&PrintLastGestures);
#endif
  // Half the gestures and half the time on a catalogue, half on a
  // comparison.
  StartWithResults(false);
  WatchPopups();
  Run(false, steps / 2, start + std::chrono::seconds(seconds) / 2);
  if (!HasFailure()) {
    Restart(true, true);
    Run(true, steps - steps / 2, start + std::chrono::seconds(seconds));
  }
  watch_.reset();
#if defined(__SANITIZE_ADDRESS__)
  __sanitizer_set_death_callback(nullptr);
#endif
  g_running = nullptr;
  qInstallMessageHandler(g_qtHandler);
  const std::string started = qvtest::ReadFile(tmp_ / "started.log");
  std::fprintf(stderr, "monkey: %d gestures made, %d restarts, %d programs started (stand-ins)\n", done_, restarts_,
               static_cast<int>(std::count(started.begin(), started.end(), '\n')));
  if (HasFailure()) PrintRecent();
  EXPECT_GT(done_, 0);
}

}  // namespace
