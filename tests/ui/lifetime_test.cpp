// Nothing keeps pointing at records, totals, entries or forms that go: new,
// open (good and damaged), a run and DDE commands while the display-filter
// window is open and a message box is on the screen. Run under
// AddressSanitizer, any use of freed memory fails these tests.
#include <gtest/gtest.h>

#include "support/app_fixture.h"

#include "res/resource.h"
#include "ui/FilterDialogs.h"
#include "ui/OperationForm.h"
#include "ui/SourceForm.h"

namespace fs = std::filesystem;

namespace {

using qvtest::ui::Click;
using qvtest::ui::Pump;

class LifetimeTest : public qvtest::AppTest {
 protected:
  // The program started, a run made on a small catalogue, the file view and
  // the display-filter window shown.
  void StartWithRecordsShown() {
    fs::create_directories(tmp_ / "disk/映画/Title One/VIDEO_TS");
    fs::create_directories(tmp_ / "disk/映画/Title Two/VIDEO_TS");
    fs::create_directories(tmp_ / "disk/Third/VIDEO_TS");
    ASSERT_TRUE(Start());
    COperation_Form* form = Frame()->m_pOperationForm;
    ASSERT_NE(form, nullptr);
    qvtest::ui::Type(form, IDC_EDIT_OLD, "T:\\disk");
    Click(form, IDC_RUN);
    Pump();
    ASSERT_EQ(Frame()->m_nLayout, WM_SHOW_FILE_VIEW);
    ASSERT_NE(Frame()->m_pRecordList, nullptr);
    ASSERT_EQ(Frame()->m_pRecordList->GetCount(), 3);
    ASSERT_FALSE(Frame()->m_listShownRecords.IsEmpty());
    Filter()->ShowWindow(SW_SHOW);
    Pump();
    ASSERT_TRUE(Filter()->IsWindowVisible());
  }

  CFileType_Select_Chk_dlg* Filter() const { return theApp.m_pFilterDlg; }

  // What a person may do with the other windows meanwhile: the filter
  // window's buttons, and DDE commands arriving.
  void UseEverythingElse() {
    Click(Filter(), IDOK);
    Click(Filter(), 1363);
    Click(Filter(), 1363);
    Dde("OLD_PATH_SET    ", "T:\\disk\\映画");
    Dde("DIFF_EXECUTE    ", "");
    Pump();
  }

  void Dde(const std::string& keyword16, const std::string& utf8Path) {
    std::string data = keyword16 + qvtest::Cp(utf8Path);
    data.resize(4097, '\0');
    if (CMainFrame* f = Frame()) f->SendMessage(WM_DDE_PATH_COMMAND, 0, reinterpret_cast<LPARAM>(data.data()));
  }
};

TEST_F(LifetimeTest, ARunWithTheFilterWindowOpenAndAQuestionOnTheScreen) {
  StartWithRecordsShown();
  Frame()->SendMessage(WM_SHOW_OPERATION_VIEW);
  // The run asks whether to rebuild; meanwhile everything else is used, and
  // a view switch is asked for.
  people_.QueueAnswerAfter(IDYES, [&] {
    EXPECT_EQ(Frame()->m_pRecordList, nullptr);  // forgotten before the question
    EXPECT_TRUE(Frame()->m_listShownRecords.IsEmpty());
    UseEverythingElse();
    Frame()->PostMessage(WM_SHOW_OPERATION_VIEW);
    Pump();
    EXPECT_NE(Frame()->m_pOperationForm, nullptr);
  });
  Click(Frame()->m_pOperationForm, IDC_RUN);
  Pump(6);
  // The rebuilt list; the DDE commands sent during the run changed nothing
  // (the server answers busy while a run is in progress).
  ASSERT_NE(Frame()->m_pRecordList, nullptr);
  EXPECT_EQ(Frame()->m_pRecordList->GetCount(), 3);
  EXPECT_EQ(theApp.m_pCurrentDoc->m_pCurrentEntry->m_strOldPath, "T:\\disk");
  Click(Filter(), IDOK);
  Pump();

  // A declined run: the commands sent meanwhile are not carried out later
  // either; the entry keeps its folder and its records.
  Frame()->SendMessage(WM_SHOW_OPERATION_VIEW);
  people_.QueueAnswerAfter(IDNO, [&] { UseEverythingElse(); });
  Click(Frame()->m_pOperationForm, IDC_RUN);
  Pump(6);
  EXPECT_EQ(theApp.m_pCurrentDoc->m_pCurrentEntry->m_strOldPath, "T:\\disk");
  ASSERT_NE(Frame()->m_pRecordList, nullptr);
  EXPECT_EQ(Frame()->m_pRecordList->GetCount(), 3);
  EXPECT_EQ(Frame()->m_nLayout, WM_SHOW_OPERATION_VIEW);
  // The program goes on: the same commands after the run are carried out.
  Dde("OLD_PATH_SET    ", "T:\\disk\\映画");
  Dde("DIFF_EXECUTE    ", "");
  Pump(6);
  EXPECT_EQ(theApp.m_pCurrentDoc->m_pCurrentEntry->m_strOldPath, qvtest::ui::Text("T:\\disk\\映画"));
  ASSERT_NE(Frame()->m_pRecordList, nullptr);
  EXPECT_EQ(Frame()->m_pRecordList->GetCount(), 2);
  EXPECT_EQ(Frame()->m_nLayout, WM_SHOW_FILE_VIEW);
}

TEST_F(LifetimeTest, NewWithTheFilterWindowOpen) {
  StartWithRecordsShown();
  theApp.m_pCurrentDoc->SetModifiedFlag(TRUE);
  people_.QueueAnswerAfter(IDNO, [&] { UseEverythingElse(); });
  Frame()->ExecuteMenuCommand(ID_FILE_NEW);
  Pump();
  EXPECT_EQ(Frame()->m_pRecordList, nullptr);
  EXPECT_TRUE(Frame()->m_listShownRecords.IsEmpty());
  UseEverythingElse();
  // Cancel keeps the records and what shows them.
  theApp.m_pCurrentDoc->SetModifiedFlag(TRUE);
  people_.QueueAnswerAfter(IDCANCEL, [&] { Click(Filter(), IDOK); });
  Frame()->ExecuteMenuCommand(ID_FILE_NEW);
  Pump();
  EXPECT_TRUE(theApp.m_pCurrentDoc->IsModified());
}

TEST_F(LifetimeTest, OpenGoodAndDamagedFilesWithTheFilterWindowOpen) {
  StartWithRecordsShown();
  people_.QueueFile("T:\\saved.qvx");
  Frame()->ExecuteMenuCommand(ID_FILE_SAVE);
  qvtest::WriteFile(tmp_ / "damaged.qvx", std::string(64, '\x7f'));

  // A good file while the filter window is used.
  people_.QueueFile("T:\\saved.qvx");
  Frame()->ExecuteMenuCommand(ID_FILE_OPEN);
  Pump();
  UseEverythingElse();
  ASSERT_NE(Frame()->m_pRecordList, nullptr);

  // A damaged one: its message is on the screen while the records go.
  people_.QueueAnswerAfter(IDOK, [&] {
    EXPECT_EQ(Frame()->m_pRecordList, nullptr);
    UseEverythingElse();
  });
  EXPECT_EQ(theApp.OpenDocumentFile("T:\\damaged.qvx"), nullptr);
  Pump();
  UseEverythingElse();
  // And the program goes on: a run after it works.
  Frame()->SendMessage(WM_SHOW_OPERATION_VIEW);
  ASSERT_NE(Frame()->m_pOperationForm, nullptr);
}

}  // namespace
