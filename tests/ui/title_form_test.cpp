// The title form: the clock driven by its timer on a clock the test sets,
// the logo with white as transparent, the profile and operation lists, and
// the hidden mode buttons.
#include <gtest/gtest.h>

#include <QImage>

#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/base/timetext.h"
#include "support/app_fixture.h"
#include "records/EnvLabel.h"
#include "records/FileTypeProfile.h"
#include "records/ProfileText.h"
#include "res/resource.h"
#include "ui/FilterDialogs.h"
#include "ui/OperationForm.h"
#include "ui/TitleForm.h"

namespace {

using qvtest::Cp;
using qvtest::ui::Control;
using qvtest::ui::Pump;
using qvtest::ui::ShownText;
using qvtest::ui::WidgetOf;

// 2024/03/05 (Tue) 08:02:59 UTC.
constexpr time_t kStart = 1709625779;

class TitleFormTest : public qvtest::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    const char* tz = std::getenv("TZ");
    hadTz_ = tz != nullptr;
    savedTz_ = tz ? tz : "";
    setenv("TZ", "UTC", 1);
    tzset();
    now_ = kStart;
    qv::SetClockForTests([this] { return now_; });
  }
  void TearDown() override {
    AppTest::TearDown();
    qv::SetClockForTests({});
    if (hadTz_) {
      setenv("TZ", savedTz_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

  CTitle_Form* Title() { return Frame() ? Frame()->m_pTitleForm : nullptr; }
  CZEKEnv_Label* Entry() { return theApp.m_pCurrentDoc ? theApp.m_pCurrentDoc->m_pCurrentEntry : nullptr; }
  void Command(CWnd* w, int id) { w->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

  time_t now_ = kStart;
  bool hadTz_ = false;
  std::string savedTz_;
};

TEST_F(TitleFormTest, TheClockShowsTheDateTextAndAdvancesWithItsTimer) {
  ASSERT_TRUE(Start());
  CWnd* clock = Title()->GetDlgItem(IDC_CLOCK);
  EXPECT_EQ(ShownText(clock), "2024/03/05 (Tue)  08:02:59");
  EXPECT_EQ(Control(Title(), IDC_CLOCK)->palette().color(QPalette::WindowText), QColor(255, 0, 0));

  // Only the clock's own timer moves it; one tick a second.
  now_ += 1;
  Title()->SendMessage(WM_TIMER, 1);
  EXPECT_EQ(ShownText(clock), "2024/03/05 (Tue)  08:02:59");
  Title()->SendMessage(WM_TIMER, IDT_CLOCK);
  EXPECT_EQ(ShownText(clock), "2024/03/05 (Tue)  08:03:00");
  now_ += 86400 * 4;
  Title()->SendMessage(WM_TIMER, IDT_CLOCK);
  EXPECT_EQ(ShownText(clock), "2024/03/09 (Sat)  08:03:00");
}

TEST_F(TitleFormTest, TheLogosWhiteLetsTheFormThroughAndNothingIsPaintedBeyondIt) {
  ASSERT_TRUE(Start());
  CTitle_Form* title = Title();
  BITMAP bm{};
  ASSERT_TRUE(title->m_bmpLogo.GetBitmap(&bm));
  ASSERT_EQ(bm.bmWidth, 128);
  ASSERT_EQ(bm.bmHeight, 42);
  const QImage shot = WidgetOf(title)->grab().toImage();
  const QColor face(240, 240, 240);
  auto at = [&](int x, int y) { return QColor(shot.pixel(8 + x, 12 + y)); };
  auto logo = [&](int x, int y) {
    const COLORREF c = title->m_bmpLogo.GetPixel(x, y);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
  };
  // The disc's hole and the corners are white: the form shows there.
  ASSERT_EQ(logo(21, 21), QColor(255, 255, 255));
  EXPECT_EQ(at(21, 21), face);
  EXPECT_EQ(at(0, 0), face);
  // Every other pixel is the logo's own.
  int drawn = 0;
  for (int y = 0; y < 42; ++y) {
    for (int x = 0; x < 128; ++x) {
      if (logo(x, y) == QColor(255, 255, 255)) continue;
      ++drawn;
      EXPECT_EQ(at(x, y), logo(x, y)) << x << "," << y;
      if (at(x, y) != logo(x, y)) return;
    }
  }
  EXPECT_GT(drawn, 1000);
  // The painted rectangle is 196 x 74: beyond the bitmap the form's own
  // background.
  EXPECT_EQ(at(150, 20), face);
  EXPECT_EQ(at(60, 50), face);
}

TEST_F(TitleFormTest, TheListsShowTheProfileAndTheOperationsOfTheMode) {
  ASSERT_TRUE(Start());
  CTitle_Form* title = Title();
  // The filter list holds the active profile's text form; any choice goes
  // back to its name.
  CStringList lines;
  ProfileToText(theApp.m_strFilterName, lines);
  ASSERT_EQ(title->m_comboFilter.GetCount(), lines.GetCount());
  CString first;
  title->m_comboFilter.GetLBText(0, first);
  EXPECT_EQ(first, theApp.m_strFilterName);
  qvtest::ui::ChooseComboItem(Control(title, IDC_COMBO_FILTER), 2);
  EXPECT_EQ(title->m_comboFilter.GetCurSel(), 0);
  EXPECT_EQ(qobject_cast<QComboBox*>(Control(title, IDC_COMBO_FILTER))->currentIndex(), 0);

  // List mode: five operations, the fifth chosen.
  EXPECT_EQ(title->m_comboOperation.GetCount(), 5);
  EXPECT_EQ(title->m_comboOperation.GetCurSel(), 4);
  // Compare mode: eleven, the first three the (empty) menu texts.
  Frame()->m_nMode = MODE_COMPARE;
  theApp.m_nOpeMode1 = 3;
  title->RefillOperationCombo();
  ASSERT_EQ(title->m_comboOperation.GetCount(), 11);
  CString text;
  title->m_comboOperation.GetLBText(0, text);
  EXPECT_EQ(text, "");
  title->m_comboOperation.GetLBText(3, text);
  EXPECT_EQ(text, Cp("バイナリダンプdiff表示").c_str());
  EXPECT_EQ(title->m_comboOperation.GetCurSel(), 3);
  qvtest::ui::ChooseComboItem(Control(title, IDC_COMBO_OPERATION), 7);
  EXPECT_EQ(theApp.m_nOpeMode1, 7);
  EXPECT_EQ(theApp.m_nOpeMode2, 4);

  // A profile name longer than any profile can carry makes the first
  // profile active; the list shows the name as it is.
  const CString longName(std::string(300, 'p').c_str());
  theApp.m_strFilterName = longName;
  g_nActiveProfile = 3;
  Frame()->PostMessage(WM_SHOW_OPERATION_VIEW);
  Pump();
  EXPECT_EQ(GetCurrentProfile(), 0);
  Title()->m_comboFilter.GetLBText(0, first);
  EXPECT_EQ(first, longName);
  EXPECT_EQ(Entry()->m_strFilterName, longName);
}

TEST_F(TitleFormTest, ModeButtonsChangeTheModeOnlyWithANewDocument) {
  ASSERT_TRUE(Start());
  ASSERT_EQ(Frame()->m_nMode, MODE_LIST);
  // Compare: a new document in compare mode, with the NEW and DIFF rows.
  Command(Title(), IDC_RADIO_COMPARE);
  Pump();
  EXPECT_EQ(Frame()->m_nMode, MODE_COMPARE);
  EXPECT_EQ(theApp.m_nAppMode, MODE_COMPARE);
  EXPECT_EQ(Entry()->m_nModeCopy, MODE_COMPARE);
  EXPECT_EQ(Title()->m_nMode, MODE_COMPARE);
  EXPECT_TRUE(Control(Frame()->m_pOperationForm, IDC_EDIT_NEW)->isVisible());

  // The user keeps the changed document: nothing changes.
  Entry()->m_strComment = "kept";
  theApp.m_pCurrentDoc->SetModifiedFlag(TRUE);
  people_.QueueAnswer(IDCANCEL);
  Command(Title(), IDC_RADIO_LIST);
  Pump();
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(Frame()->m_nMode, MODE_COMPARE);
  EXPECT_EQ(theApp.m_nAppMode, MODE_COMPARE);
  EXPECT_EQ(Entry()->m_nModeCopy, MODE_COMPARE);
  EXPECT_EQ(Entry()->m_strComment, "kept");
  EXPECT_TRUE(Control(Frame()->m_pOperationForm, IDC_EDIT_NEW)->isVisible());

  // In the file layout there is no operation form to tell.
  Frame()->PostMessage(WM_SHOW_FILE_VIEW);
  Pump();
  ASSERT_EQ(Frame()->m_pOperationForm, nullptr);
  theApp.m_pCurrentDoc->SetModifiedFlag(FALSE);
  Command(Title(), IDC_RADIO_LIST);
  Pump();
  EXPECT_EQ(Frame()->m_nMode, MODE_LIST);
  EXPECT_EQ(Entry()->m_nModeCopy, MODE_LIST);
  ASSERT_NE(Frame()->m_pOperationForm, nullptr);
  EXPECT_FALSE(Control(Frame()->m_pOperationForm, IDC_EDIT_NEW)->isVisible());
}

TEST_F(TitleFormTest, TheFilterButtonChoosesTheProfileOfTheEntry) {
  // A second profile beside the shipped one.
  const std::string ini = (ProgramDir() / "Quarvex.ini").string();
  WritePrivateProfileStringA("Quarvex", "Extension_Kind_002", "Video", ini.c_str());
  WritePrivateProfileStringA("Video", "Target_Extension", "vob", ini.c_str());
  ASSERT_TRUE(Start());
  CTitle_Form* title = Title();
  ASSERT_NE(title, nullptr);

  // Cancel changes nothing.
  people_.QueueDrive([](CWnd* dlg) { qvtest::ui::Key(WidgetOf(dlg), Qt::Key_Escape); });
  qvtest::ui::Click(title, IDC_FILTER_SELECT);
  Pump();
  EXPECT_EQ(Entry()->m_strFilterName, "Quarvex");
  EXPECT_FALSE(theApp.m_pCurrentDoc->IsModified());

  // A profile chosen: the list shows it, the entry keeps its name.
  people_.QueueDrive([](CWnd* dlg) {
    auto* choice = dynamic_cast<CFileType_Select_dlg*>(dlg);
    ASSERT_NE(choice, nullptr);
    qvtest::ui::ClickListItem(&choice->m_listProfiles, 1);
    choice->SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  qvtest::ui::Click(title, IDC_FILTER_SELECT);
  Pump();
  EXPECT_EQ(theApp.m_strFilterName, "Video");
  EXPECT_EQ(Entry()->m_strFilterName, "Video");
  EXPECT_TRUE(theApp.m_pCurrentDoc->IsModified());
  EXPECT_EQ(ShownText(title->GetDlgItem(IDC_COMBO_FILTER)), "Video");
}

// Another program's DDE command to run may arrive while the profile dialog
// is open: the run takes place and its file view replaces the forms; the
// dialog, gone with its form, ends as cancelled, and the button's handling
// does not go on with the form that went.
TEST_F(TitleFormTest, ARunArrivingByDdeWhileTheProfileDialogIsOpen) {
  std::filesystem::create_directories(tmp_ / "disk/Title/VIDEO_TS");
  ASSERT_TRUE(Start());
  auto dde = [this](const std::string& command) {
    std::string data = command;
    data.resize(4097, '\0');
    Frame()->SendMessage(WM_DDE_PATH_COMMAND, 0, reinterpret_cast<LPARAM>(data.data()));
  };
  people_.QueueDrive([&](CWnd*) {
    dde("OLD_PATH_SET    T:\\disk");
    dde("DIFF_EXECUTE    ");
    Pump();
  });
  qvtest::ui::Click(Title(), IDC_FILTER_SELECT);
  Pump();
  ASSERT_FALSE(people_.Calls().empty());
  EXPECT_EQ(people_.Calls().front().dialogName, "CFileType_Select_dlg");
  EXPECT_EQ(people_.Calls().front().answer, IDCANCEL);
  EXPECT_EQ(Frame()->m_nLayout, WM_SHOW_FILE_VIEW);
  ASSERT_NE(Entry()->m_pRecordList, nullptr);
  EXPECT_EQ(Entry()->m_pRecordList->GetCount(), 1);
  EXPECT_EQ(Entry()->m_strFilterName, "Quarvex");
}

}  // namespace
