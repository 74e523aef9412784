// Pasting from an empty clipboard or an empty primary selection into every
// edit of the program's windows, the three ways a person pastes (Ctrl+V,
// Shift+Insert, a middle click): nothing is inserted, nothing else changes
// and the program goes on. On a real X screen an empty clipboard is one that
// nobody owns; the offscreen platform has no selection and an empty
// clipboard is data without a single format.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTabBar>
#include <QTabWidget>

#include "ui/list_fixture.h"

#include "res/resource.h"
#include "ui/SmallDialogs.h"

namespace {

using qvtest::Cp;
using qvtest::ui::Control;
using qvtest::ui::PasteEveryWay;
using qvtest::ui::Pump;
using qvtest::ui::ShownText;
using qvtest::ui::Type;
using qvtest::ui::WidgetOf;

class PasteTest : public qvtest::ListTest {
 protected:
  // Empties the clipboard and, where the platform has one, the selection.
  static void EmptyClipboard() {
    QClipboard* clip = QGuiApplication::clipboard();
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
      clip->clear(QClipboard::Clipboard);
      if (clip->supportsSelection()) clip->clear(QClipboard::Selection);
    } else {
      clip->setMimeData(new QMimeData);
    }
    Pump(1);
  }

  // Pastes the empty clipboard into the edit `id` of `parent` holding
  // `text` (UTF-8; null leaves what it holds): the text stays as it was.
  void PasteNothing(CWnd* parent, int id, const char* text = "そのまま") {
    QWidget* edit = Control(parent, id);
    ASSERT_NE(edit, nullptr) << id;
    if (text != nullptr) Type(edit, text);
    const std::string before = ShownText(parent->GetDlgItem(id));
    EmptyClipboard();
    PasteEveryWay(edit);
    Pump(1);
    EXPECT_EQ(ShownText(parent->GetDlgItem(id)), before) << id;
  }

  // Every edit of every window, the multi-line ones first.
  void PasteNothingEverywhere() {
    // The HDD comment and the folder fields of the operation form.
    ASSERT_TRUE(Start());
    COperation_Form* operation = Frame()->m_pOperationForm;
    ASSERT_NE(operation, nullptr);
    PasteNothing(operation, IDC_EDIT_COMMENT, "一行目\n二行目");
    PasteNothing(operation, IDC_EDIT_OLD, "T:\\棚");
    // A clipboard with text still pastes it.
    QGuiApplication::clipboard()->setText(QString::fromUtf8("貼った"));
    QWidget* comment = Control(operation, IDC_EDIT_COMMENT);
    comment->setFocus();
    QTest::keyClick(comment, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(comment, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(ShownText(operation->GetDlgItem(IDC_EDIT_COMMENT)), "一行目\r\n二行目貼った");

    // The DVD comment dialog.
    CDIALOG_REV_COMMENT dlg;
    dlg.m_strComment = Cp("前のコメント").c_str();
    people_.QueueDrive([&](CWnd* w) {
      PasteNothing(w, IDC_EDIT_COMMENT, nullptr);
      PasteNothing(w, IDC_EDIT_COMMENT);
      qvtest::ui::Click(w, IDOK);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(std::string(dlg.m_strComment.GetString()), Cp("そのまま"));

    // The default comment and a folder of the settings sheet.
    bool sheetShown = false;
    people_.QueueDrive([&](CWnd* w) {
      sheetShown = true;
      auto* sheet = dynamic_cast<CPropertySheet*>(w);
      ASSERT_NE(sheet, nullptr);
      auto* tabs = WidgetOf(sheet)->findChild<QTabWidget*>(QStringLiteral("qv_sheet_tabs"));
      ASSERT_NE(tabs, nullptr);
      QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, Qt::NoModifier, tabs->tabBar()->tabRect(1).center());
      Pump(1);
      CWnd* folders = sheet->GetPage(1);
      PasteNothing(folders, IDC_ENV_COMMENT, "棚の一覧\n二段目");
      PasteNothing(folders, IDC_ENV_OLD_PATH, "T:\\ＤＶＤ");
      sheet->EndDialog(IDCANCEL);
    });
    Frame()->SendMessage(WM_COMMAND, ID_ENV_SETTING, 0);
    EXPECT_TRUE(sheetShown);

    // The read-only comments under the DVD list.
    Add("映画\\Casablanca", 2, "名作", {}, {qvtest::kListTime, 0, 0});
    theApp.m_pCurrentDoc->m_pCurrentEntry->m_strComment = Cp("外付け").c_str();
    Show(MODE_LIST, 0);
    qvtest::ui::ClickRow(&List(), 0);
    Pump();
    PasteNothing(Form(), IDC_DVD_COMMENT, nullptr);
    PasteNothing(Form(), IDC_HDD_COMMENT, nullptr);
    EXPECT_EQ(ShownText(Form()->GetDlgItem(IDC_HDD_COMMENT)), "外付け");
  }
};

// The offscreen platform: the clipboard holds data with no format.
TEST_F(PasteTest, ClipboardDataWithoutAFormatPastesNothing) { PasteNothingEverywhere(); }

class OnScreenPasteTest : public PasteTest {
 protected:
  void SetUp() override {
    qv::ui::EnsureApp();
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
      if (std::getenv("QUARVEX_REQUIRE_SCREEN")) FAIL() << "no display: " << qPrintable(QGuiApplication::platformName());
      GTEST_SKIP() << "needs a display";
    }
    PasteTest::SetUp();
  }
};

// A real X screen: neither the clipboard nor the primary selection has an
// owner.
TEST_F(OnScreenPasteTest, AnEmptyClipboardAndSelectionPasteNothing) { PasteNothingEverywhere(); }

}  // namespace
