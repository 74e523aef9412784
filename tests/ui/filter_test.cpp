// The display-filter window and the profile choice on real widgets: what
// they show of the profiles, what their ticks do to the records, and that
// they follow a new profile or run instead of acting on old lists.
#include <gtest/gtest.h>

#include <QListWidget>

#include "support/app_fixture.h"

#include "records/FileInfo.h"
#include "records/FileTypeProfile.h"
#include "res/resource.h"
#include "ui/FilterDialogs.h"
#include "ui/SourceForm.h"

namespace {

using qvtest::Cp;
using qvtest::ui::Click;
using qvtest::ui::Control;
using qvtest::ui::Pump;
using qvtest::ui::WidgetOf;

// The texts of a list box as a person reads them, each with its tick.
std::vector<std::string> Items(CListBox& list, bool ticks = false) {
  std::vector<std::string> out;
  auto* check = dynamic_cast<CCheckListBox*>(&list);
  for (int i = 0; i < list.GetCount(); ++i) {
    CString t;
    list.GetText(i, t);
    std::string s = qv::Cp932ToUtf8Lossy(t.View());
    if (ticks && check) s = (check->GetCheck(i) ? "[x] " : "[ ] ") + s;
    out.push_back(s);
  }
  return out;
}

// Clicks the tick of item `row` of a check list.
void ClickTick(CListBox& list, int row) {
  auto* lw = qobject_cast<QListWidget*>(WidgetOf(&list));
  ASSERT_NE(lw, nullptr);
  QListWidgetItem* item = lw->item(row);
  ASSERT_NE(item, nullptr);
  // The tick sits at the start of the row.
  const QRect r = lw->visualItemRect(item);
  const Qt::CheckState before = item->checkState();
  QTest::mouseClick(lw->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(r.left() + r.height() / 2, r.center().y()));
  if (item->checkState() == before) item->setCheckState(before == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  Pump(1);
}

void ClickRow(CListBox& list, int row, bool twice = false) { qvtest::ui::ClickListItem(&list, row, twice); }

class FilterTest : public qvtest::AppTest {
 protected:
  // Two more profiles: "Source" (slot 1) and "Sour" (slot 3; slot 2 free),
  // and the one started with.
  void Profiles(const char* active) {
    const std::string ini = (ProgramDir() / "Quarvex.ini").string();
    auto put = [&](const char* section, const char* key, const char* value) {
      ASSERT_TRUE(WritePrivateProfileStringA(section, key, value, ini.c_str()));
    };
    put("Quarvex", "Extension_Kind", active);
    put("Quarvex", "Extension_Kind_002", "Source");
    put("Quarvex", "Extension_Kind_004", "Sour");
    put("Source", "Extension_Type_001", "txt");
    put("Source", "Extension_Type_002", "cpp");
    put("Source", "Fixed_Name_001", "readme");
    put("Source", "Exclusive_Type_001", "obj");
    put("Source", "Exclusive_Dir_001", "build");
    put("Sour", "Extension_Type_001", "h");
    put("Sour", "Exclusive_Dir_001", "tmp");
  }

  void TearDown() override {
    if (CMainFrame* frame = Frame()) frame->m_pRecordList = nullptr;
    for (POSITION pos = records_.GetHeadPosition(); pos != nullptr;) delete records_.GetNext(pos);
    records_.RemoveAll();
    g_listWildcardExt.RemoveAll();
    g_listWildcardName.RemoveAll();
    AppTest::TearDown();
  }

  // Records of a compare run on both sides, shown by the frame.
  void Records(std::initializer_list<const char*> names) {
    for (const char* n : names) {
      auto* r = new CZEKMergeFileInfo;
      r->m_New.m_strName = n;
      r->m_Old.m_strName = n;
      r->m_New.m_nExists = 1;
      r->m_Old.m_nExists = 1;
      r->m_nType = 2;
      records_.AddTail(r);
    }
    Frame()->m_pRecordList = &records_;
  }

  std::vector<int> Types() {
    std::vector<int> t;
    for (POSITION pos = records_.GetHeadPosition(); pos != nullptr;) {
      t.push_back(static_cast<CZEKMergeFileInfo*>(records_.GetNext(pos))->m_nType);
    }
    return t;
  }

  CObList records_;
};

TEST_F(FilterTest, TheWindowShowsTheActiveProfileAndItsTicksDecideTheRecords) {
  Profiles("Source");
  ASSERT_TRUE(Start());
  CFileType_Select_Chk_dlg* dlg = theApp.m_pFilterDlg;
  ASSERT_NE(dlg, nullptr);
  // Made at start-up, hidden and not yet filled.
  EXPECT_FALSE(dlg->IsWindowVisible());
  EXPECT_FALSE(dlg->m_bFilled);
  EXPECT_EQ(qvtest::ui::ShownText(dlg), "表示フィルタ選択");

  SelectProfile(GetCurrentProfile());  // as a run does
  Records({"a.TXT", "b.cpp", "README", "c.h"});
  dlg->ShowWindow(SW_SHOW);
  Pump();
  EXPECT_TRUE(dlg->m_bVisible);
  EXPECT_TRUE(dlg->m_bFilled);
  EXPECT_EQ(dlg->m_nSelectMode, 0);
  EXPECT_EQ(Items(dlg->m_listExt, true), (std::vector<std::string>{"[x] cpp", "[x] txt"}));
  EXPECT_EQ(Items(dlg->m_listNames, true), std::vector<std::string>{"[x] readme"});
  EXPECT_EQ(Items(dlg->m_listExcludedExt), std::vector<std::string>{"obj"});
  EXPECT_EQ(Items(dlg->m_listExcludedDirs), std::vector<std::string>{"build"});
  EXPECT_EQ(dlg->m_comboProfile.GetCount(), 10);  // the name, four headers, five entries
  EXPECT_EQ(dlg->m_comboProfile.GetCurSel(), 0);
  EXPECT_EQ(dlg->m_btnAllExt.GetCheck(), BST_CHECKED);
  // Placed beside the main window's corner.
  CRect main;
  CRect own;
  Frame()->GetWindowRect(&main);
  dlg->GetWindowRect(&own);
  EXPECT_EQ(own.left - main.left, 330);
  EXPECT_EQ(own.top - main.top, 188);
  // The DVD list has no state filter: the four buttons are off there.
  EXPECT_FALSE(Control(dlg, IDC_FT_STATE_DIFF)->isEnabled());
  EXPECT_FALSE(Control(dlg, IDC_FT_STATE_GROUP)->isEnabled());

  // Untick "txt", apply: the text file goes, the window stays.
  ClickTick(dlg->m_listExt, 1);
  EXPECT_EQ(Items(dlg->m_listExt, true), (std::vector<std::string>{"[x] cpp", "[ ] txt"}));
  Click(qvtest::ui::ButtonByText(WidgetOf(dlg), "フィルタ選択更新"));
  EXPECT_EQ(Types(), (std::vector<int>{0, 1, 1, 0}));
  EXPECT_TRUE(dlg->IsWindowVisible());

  // "Select all" off and on again.
  Click(dlg, IDC_FT_ALL_EXT);
  EXPECT_EQ(Items(dlg->m_listExt, true), (std::vector<std::string>{"[ ] cpp", "[ ] txt"}));
  Click(dlg, IDC_FT_ALL_EXT);
  Click(qvtest::ui::ButtonByText(WidgetOf(dlg), "フィルタ選択更新"));
  EXPECT_EQ(Types(), (std::vector<int>{1, 1, 1, 0}));

  // "閉じる" (and Esc) only hides it; the lists stay for the next show.
  Click(qvtest::ui::ButtonByText(WidgetOf(dlg), "閉じる"));
  EXPECT_FALSE(dlg->IsWindowVisible());
  EXPECT_FALSE(dlg->m_bVisible);
  ClickTick(dlg->m_listExt, 0);
  dlg->ShowWindow(SW_SHOW);
  EXPECT_EQ(Items(dlg->m_listExt, true), (std::vector<std::string>{"[ ] cpp", "[x] txt"}));
  qvtest::ui::Key(WidgetOf(dlg), Qt::Key_Escape);
  EXPECT_FALSE(dlg->IsWindowVisible());
}

TEST_F(FilterTest, ANewRunOrProfileRefillsTheListsAndKeepsTheTicks) {
  ASSERT_TRUE(Start());  // the "*" profile: the texts the run found
  CFileType_Select_Chk_dlg* dlg = theApp.m_pFilterDlg;
  SelectProfile(GetCurrentProfile());
  g_listWildcardExt.AddTail("iso");
  g_listWildcardExt.AddTail("mkv");
  Records({"a.iso", "b.mkv", "c.vob", "d.avi"});
  dlg->ShowWindow(SW_SHOW);
  EXPECT_EQ(dlg->m_nSelectMode, 1);
  EXPECT_EQ(Items(dlg->m_listExt, true), (std::vector<std::string>{"[x] iso", "[x] mkv"}));
  ClickTick(dlg->m_listExt, 1);

  // A later run found more texts while the window stayed open. OK applies
  // to lists that describe these records: nothing is hidden for being
  // missing from the old lists, and the tick given to "mkv" stays.
  g_listWildcardExt.AddTail("vob");
  g_listWildcardExt.AddTail("avi");
  Click(qvtest::ui::ButtonByText(WidgetOf(dlg), "フィルタ選択更新"));
  EXPECT_EQ(Items(dlg->m_listExt, true), (std::vector<std::string>{"[x] avi", "[x] iso", "[ ] mkv", "[x] vob"}));
  EXPECT_EQ(Types(), (std::vector<int>{1, 0, 1, 1}));

  // The window follows a change while it is shown (its timer), and a change
  // while it was hidden when it shows again.
  g_listWildcardExt.RemoveAll();
  g_listWildcardExt.AddTail("mkv");
  dlg->SendMessage(WM_TIMER, CFileType_Select_Chk_dlg::kRefreshTimer);
  EXPECT_EQ(Items(dlg->m_listExt, true), std::vector<std::string>{"[ ] mkv"});
  dlg->ShowWindow(SW_HIDE);
  g_listWildcardExt.AddTail("iso");
  dlg->ShowWindow(SW_SHOW);
  EXPECT_EQ(Items(dlg->m_listExt, true), (std::vector<std::string>{"[x] iso", "[ ] mkv"}));
  // Nothing changed: the lists stay as the person left them.
  ClickTick(dlg->m_listExt, 0);
  EXPECT_FALSE(dlg->RefillIfChanged());
  EXPECT_EQ(Items(dlg->m_listExt, true), (std::vector<std::string>{"[ ] iso", "[ ] mkv"}));
}

TEST_F(FilterTest, CloseAndOkReachTheFileListOnlyWhenItIsShown) {
  ASSERT_TRUE(Start());
  CFileType_Select_Chk_dlg* dlg = theApp.m_pFilterDlg;
  SelectProfile(GetCurrentProfile());
  // In the operation view there is no list form: OK and close only act on
  // the window.
  ASSERT_EQ(Frame()->m_pSourceForm, nullptr);
  dlg->ShowWindow(SW_SHOW);
  Click(qvtest::ui::ButtonByText(WidgetOf(dlg), "フィルタ選択更新"));
  Click(qvtest::ui::ButtonByText(WidgetOf(dlg), "閉じる"));
  EXPECT_FALSE(dlg->IsWindowVisible());

  // In the file view closing the window releases the form's filter button.
  Frame()->PostMessage(WM_SHOW_FILE_VIEW);
  Pump();
  CSource_Form* form = Frame()->m_pSourceForm;
  ASSERT_NE(form, nullptr);
  CWnd* button = form->GetDlgItem(IDC_DISPLAY_FILTER);
  ASSERT_NE(button, nullptr);
  button->SendMessage(BM_SETCHECK, BST_CHECKED, 0);
  dlg->ShowWindow(SW_SHOW);
  Click(qvtest::ui::ButtonByText(WidgetOf(dlg), "閉じる"));
  EXPECT_EQ(button->SendMessage(BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(FilterTest, TheStateButtonsShowTheDisplayBits) {
  ASSERT_TRUE(Start());
  CFileType_Select_Chk_dlg* dlg = theApp.m_pFilterDlg;
  Frame()->m_nMode = MODE_COMPARE;
  theApp.m_nDispMode = 14;
  dlg->ShowWindow(SW_SHOW);
  EXPECT_TRUE(Control(dlg, IDC_FT_STATE_DIFF)->isEnabled());
  EXPECT_EQ(dlg->m_btnDiff.GetCheck(), BST_CHECKED);
  EXPECT_EQ(dlg->m_btnNew.GetCheck(), BST_CHECKED);
  EXPECT_EQ(dlg->m_btnOld.GetCheck(), BST_CHECKED);
  EXPECT_EQ(dlg->m_btnSame.GetCheck(), BST_UNCHECKED);
  EXPECT_NE(dlg->m_btnDiff.GetBitmap(), nullptr);
  // Bits changed by the frame's commands while the window was hidden show
  // when it comes back.
  dlg->ShowWindow(SW_HIDE);
  theApp.m_nDispMode = 1;
  dlg->UpdateStateButtons();
  EXPECT_EQ(dlg->m_btnSame.GetCheck(), BST_UNCHECKED);
  dlg->ShowWindow(SW_SHOW);
  EXPECT_EQ(dlg->m_btnSame.GetCheck(), BST_CHECKED);
  EXPECT_EQ(dlg->m_btnDiff.GetCheck(), BST_UNCHECKED);
  // Each bit on its own lights its own button only: DIFF 8, NEW 2, OLD 4,
  // SAME 1.
  for (int bit : {8, 2, 4, 1}) {
    theApp.m_nDispMode = bit;
    dlg->UpdateStateButtons();
    const std::vector<int> checks{dlg->m_btnDiff.GetCheck(), dlg->m_btnNew.GetCheck(), dlg->m_btnOld.GetCheck(),
                                  dlg->m_btnSame.GetCheck()};
    std::vector<int> expected(4, BST_UNCHECKED);
    expected[bit == 8 ? 0 : bit == 2 ? 1 : bit == 4 ? 2 : 3] = BST_CHECKED;
    EXPECT_EQ(checks, expected) << "bit " << bit;
  }
  Frame()->m_nMode = MODE_LIST;
}

TEST_F(FilterTest, TicksAndStateButtonsDecideTheRowsOfTheList) {
  Profiles("Source");
  ASSERT_TRUE(Start());
  CMainFrame* frame = Frame();
  CFileType_Select_Chk_dlg* dlg = theApp.m_pFilterDlg;
  SelectProfile(GetCurrentProfile());
  // A comparison: same, different, only in NEW, only in OLD.
  Records({"same.txt", "changed.cpp", "README", "gone.txt"});
  const LONG times[4][2] = {{1000, 1000}, {2000, 1000}, {3000, 0}, {0, 1000}};
  int i = 0;
  for (POSITION pos = records_.GetHeadPosition(); pos != nullptr; ++i) {
    auto* r = static_cast<CZEKMergeFileInfo*>(records_.GetNext(pos));
    r->m_New.m_tModify = times[i][0];
    r->m_Old.m_tModify = times[i][1];
    r->m_New.m_nExists = times[i][0] != 0;
    r->m_Old.m_nExists = times[i][1] != 0;
    r->m_nExist = (r->m_New.m_nExists ? 1 : 0) | (r->m_Old.m_nExists ? 2 : 0);
  }
  theApp.m_nAppMode = MODE_COMPARE;
  theApp.m_nDispMode = 15;
  frame->PostMessage(WM_SHOW_FILE_VIEW);
  Pump();
  frame->m_nMode = MODE_COMPARE;
  CSource_Form* form = frame->m_pSourceForm;
  ASSERT_NE(form, nullptr);
  form->FillList(-1, TRUE);
  EXPECT_EQ(form->m_list.GetItemCount(), 4);

  // The ticks: without "txt" the two text files leave the list.
  dlg->ShowWindow(SW_SHOW);
  ClickTick(dlg->m_listExt, 1);
  Click(qvtest::ui::ButtonByText(WidgetOf(dlg), "フィルタ選択更新"));
  EXPECT_EQ(form->m_list.GetItemCount(), 2);

  // The state buttons toggle the frame's bits: DIFF off hides the changed
  // file; the frame's own command brings it back and the button follows.
  EXPECT_EQ(dlg->m_btnDiff.GetCheck(), BST_CHECKED);
  Click(dlg, IDC_FT_STATE_DIFF);
  EXPECT_EQ(theApp.m_nDispMode, 7);
  EXPECT_EQ(dlg->m_btnDiff.GetCheck(), BST_UNCHECKED);
  EXPECT_EQ(form->m_list.GetItemCount(), 1);
  frame->SendMessage(WM_COMMAND, ID_SHOW_DIFF_FILES, 0);
  EXPECT_EQ(theApp.m_nDispMode, 15);
  EXPECT_EQ(dlg->m_btnDiff.GetCheck(), BST_CHECKED);
  EXPECT_EQ(form->m_list.GetItemCount(), 2);
  Click(dlg, IDC_FT_STATE_NEW);
  EXPECT_EQ(theApp.m_nDispMode, 13);
  EXPECT_EQ(form->m_list.GetItemCount(), 1);
  frame->SendMessage(WM_COMMAND, ID_SHOW_SAME_FILES, 0);
  EXPECT_EQ(dlg->m_btnSame.GetCheck(), BST_UNCHECKED);
  Click(dlg, IDC_FT_STATE_OLD);
  EXPECT_EQ(theApp.m_nDispMode, 8);
  EXPECT_EQ(dlg->m_btnOld.GetCheck(), BST_UNCHECKED);
  // OLD alone, with "txt" ticked again: only the file deleted from NEW is
  // listed.
  ClickTick(dlg->m_listExt, 1);
  Click(qvtest::ui::ButtonByText(WidgetOf(dlg), "フィルタ選択更新"));
  Click(dlg, IDC_FT_STATE_DIFF);
  Click(dlg, IDC_FT_STATE_OLD);
  EXPECT_EQ(theApp.m_nDispMode, 4);
  EXPECT_EQ(dlg->m_btnOld.GetCheck(), BST_CHECKED);
  EXPECT_EQ(dlg->m_btnDiff.GetCheck(), BST_UNCHECKED);
  ASSERT_EQ(form->m_list.GetItemCount(), 1);
  EXPECT_EQ(qvtest::U8(form->m_list.GetItemText(0, 0).View()), "gone.txt");
  Click(dlg, IDC_FT_STATE_OLD);
  Click(dlg, IDC_FT_STATE_DIFF);
  EXPECT_EQ(theApp.m_nDispMode, 8);
  Click(dlg, IDC_FT_STATE_SAME);
  EXPECT_EQ(theApp.m_nDispMode, 9);
  EXPECT_EQ(dlg->m_btnSame.GetCheck(), BST_CHECKED);
  frame->m_nMode = MODE_LIST;
}

TEST_F(FilterTest, TheProfileChoiceHighlightsTheActiveProfileItself) {
  Profiles("Sour");
  ASSERT_TRUE(Start());
  // "Sour" is the start of "Source", which comes first: the exact name is
  // highlighted, so OK alone keeps the profile.
  people_.QueueDrive([&](CWnd* w) {
    auto* dlg = dynamic_cast<CFileType_Select_dlg*>(w);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(Items(dlg->m_listProfiles), (std::vector<std::string>{"Quarvex", "Source", "Sour"}));
    EXPECT_EQ(dlg->m_listProfiles.GetCurSel(), 2);
    // The third named profile is slot 3 (slot 2 is free).
    EXPECT_EQ(Items(dlg->m_listExt), std::vector<std::string>{"h"});
    EXPECT_EQ(Items(dlg->m_listExcludedDirs), std::vector<std::string>{"tmp"});
    EXPECT_EQ(Items(dlg->m_listNames), std::vector<std::string>{"　　無し　　"});
    Click(qvtest::ui::ButtonByText(WidgetOf(dlg), "ＯＫ"));
  });
  CFileType_Select_dlg keep;
  EXPECT_EQ(keep.DoModal(), IDOK);
  EXPECT_EQ(theApp.m_strFilterName, "Sour");

  // Another profile picked: its lists show; OK stores its name.
  people_.QueueDrive([&](CWnd* w) {
    auto* dlg = dynamic_cast<CFileType_Select_dlg*>(w);
    ClickRow(dlg->m_listProfiles, 1);
    EXPECT_EQ(Items(dlg->m_listExt), (std::vector<std::string>{"txt", "cpp"}));
    EXPECT_EQ(Items(dlg->m_listNames), std::vector<std::string>{"readme"});
    EXPECT_EQ(Items(dlg->m_listExcludedExt), std::vector<std::string>{"obj"});
    // No name highlighted: OK keeps the dialog open.
    dlg->m_listProfiles.SetCurSel(-1);
    Click(qvtest::ui::ButtonByText(WidgetOf(dlg), "ＯＫ"));
    EXPECT_TRUE(dlg->IsWindowVisible());
    ClickRow(dlg->m_listProfiles, 0);
    ClickRow(dlg->m_listProfiles, 1);
    Click(qvtest::ui::ButtonByText(WidgetOf(dlg), "ＯＫ"));
  });
  CFileType_Select_dlg pick;
  EXPECT_EQ(pick.DoModal(), IDOK);
  EXPECT_EQ(theApp.m_strFilterName, "Source");

  // Cancel stores nothing; a double click is OK.
  people_.QueueDrive([&](CWnd* w) {
    auto* dlg = dynamic_cast<CFileType_Select_dlg*>(w);
    ClickRow(dlg->m_listProfiles, 0);
    Click(qvtest::ui::ButtonByText(WidgetOf(dlg), "キャンセル"));
  });
  CFileType_Select_dlg cancel;
  EXPECT_EQ(cancel.DoModal(), IDCANCEL);
  EXPECT_EQ(theApp.m_strFilterName, "Source");
  people_.QueueDrive([&](CWnd* w) { ClickRow(dynamic_cast<CFileType_Select_dlg*>(w)->m_listProfiles, 0, true); });
  CFileType_Select_dlg twice;
  EXPECT_EQ(twice.DoModal(), IDOK);
  EXPECT_EQ(theApp.m_strFilterName, "Quarvex");
}

}  // namespace
