// The file and DVD list form on real widgets: row texts of every view and
// side, the rows after real runs, the display filter, sorting by header
// clicks, the selected row's comment, selection after a fill, column widths
// and the layout.
#include "ui/list_fixture.h"

#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTreeView>

#include <cstdio>
#include <filesystem>

#include "compare/CompareRun.h"
#include "res/resource.h"

namespace {

namespace fs = std::filesystem;
using qvtest::kListTime;
using qvtest::ui::Pump;
using qvtest::ui::ShownText;
using Strings = std::vector<std::string>;

const char kOld[] = "2024/03/05 (Tue)  21:14:09";
const char kNew[] = "2024/03/06 (Wed)  21:14:09";
const char kCreated[] = "--- 新規作成された ---";
const char kDeleted[] = "--- 削除された ---";

class ListFormTest : public qvtest::ListTest {
 protected:
  // One DVD folder listed, the list holding the focus; null when it does not.
  QTreeView* ShowDvdListWithTheFocus() {
    Add("a", 2, "", {}, {kListTime, 0, 0});
    Show(MODE_LIST, 0);
    QTreeView* view = qvtest::ui::ListView(&List());
    if (view == nullptr) return nullptr;
    view->setFocus();
    Pump();
    return QApplication::focusWidget() == view ? view : nullptr;
  }

  // Four listed records of a comparison and one the profile took out.
  void AddComparison() {
    Add("dir\\both.c", 3, "両方, にある", {kListTime + 86400, 2048, 40, "1.0.0.2 , Release"},
        {kListTime, 1024, 35, "1.0.0.1 , Debug"});
    Add("new_only.c", 1, "新規", {kListTime + 86400, 512, 9, "2.0.0.0 , Release"});
    Add("dir\\sub\\old_only.c", 2, "", {}, {kListTime, 4096, 50, "3.0.0.0 , Debug"});
    Add("excluded.bak", 0, "", {}, {}, -11);
    Add("hidden.c", 3, "", {kListTime, 1, 1}, {kListTime, 1, 1}, 0);
  }
};

TEST_F(ListFormTest, EachCompareViewShowsItsColumnsAndTexts) {
  AddComparison();
  Show(MODE_COMPARE);
  CMainFrame* frame = Frame();
  ASSERT_EQ(frame->m_nListMode, SUBMODE_STATE);
  // The record of type code 0 has no row; the others are sorted by name.
  ASSERT_EQ(List().GetItemCount(), 4);
  EXPECT_EQ(frame->m_listShownRecords.GetCount(), 4);
  EXPECT_EQ(Headers(), (Strings{"ファイル名称", "日付(OLD)", "日付(NEW)", "フォルダ名称", "修正コメント"}));
  EXPECT_EQ(RowTexts(0), (Strings{"both.c", kOld, kNew, "dir", "両方, にある"}));
  EXPECT_EQ(RowTexts(1), (Strings{"excluded.bak", kCreated, kDeleted, "", ""}));
  EXPECT_EQ(RowTexts(2), (Strings{"new_only.c", kCreated, kNew, "", "新規"}));
  EXPECT_EQ(RowTexts(3), (Strings{"old_only.c", kOld, kDeleted, "dir\\sub", ""}));

  Command(ID_LIST_DATE);
  Command(ID_SIDE_NEW);
  EXPECT_EQ(Headers(), (Strings{"ファイル名称", "サイズ（byte）", "行数", "日付", "フォルダ名称"}));
  EXPECT_EQ(RowTexts(0), (Strings{"both.c", "      2048", "   40", kNew, "dir"}));
  EXPECT_EQ(RowTexts(3), (Strings{"old_only.c", "", "", kDeleted, "dir\\sub"}));
  Command(ID_SIDE_OLD);
  EXPECT_EQ(RowTexts(0), (Strings{"both.c", "      1024", "   35", kOld, "dir"}));
  EXPECT_EQ(RowTexts(2), (Strings{"new_only.c", "", "", kCreated, ""}));

  Command(ID_LIST_DETAIL);
  EXPECT_EQ(Headers(), (Strings{"ファイル名称", "日付(OLD)", "日付(NEW)", "フォルダ名称", "OLD", "NEW", "差異", "削除",
                                "追加", "修正-削追", "改造", "差異"}));
  EXPECT_EQ(RowTexts(0), (Strings{"both.c", kOld, kNew, "dir", "  35", "  40", "   5", "   0", "   0", "   0", "   0",
                                  "   5"}));
  EXPECT_EQ(RowTexts(3), (Strings{"old_only.c", kOld, kDeleted, "dir\\sub", "  50", "   0", " -50", "   0", "   0",
                                  "   0", "   0", "  50"}));

  Command(ID_LIST_VERSION);
  Command(ID_SIDE_NEW);
  EXPECT_EQ(Headers(), (Strings{"ファイル名称", "サイズ（byte）", "日付", "バージョン情報 , Debug情報", "フォルダ名称"}));
  EXPECT_EQ(RowTexts(0), (Strings{"both.c", "      2048", kNew, "1.0.0.2 , Release", "dir"}));
  EXPECT_EQ(RowTexts(3), (Strings{"old_only.c", "", kDeleted, "", "dir\\sub"}));
  Command(ID_SIDE_OLD);
  EXPECT_EQ(RowTexts(0), (Strings{"both.c", "      1024", kOld, "1.0.0.1 , Debug", "dir"}));
  EXPECT_EQ(RowTexts(2), (Strings{"new_only.c", "", kCreated, "", ""}));

  Command(ID_LIST_COMMENT);
  EXPECT_EQ(Headers(), (Strings{"ＤＶＤタイトル", "ＤＶＤコメント"}));
  EXPECT_EQ(ColumnTexts(1), (Strings{"両方, にある", "", "新規", ""}));
}

TEST_F(ListFormTest, ListModeShowsTheDvdListInEverySubModeButTheComment) {
  Add("映画\\洋画\\Casablanca", 2, "名作", {}, {kListTime, 0, 0});
  Add("Trip 2021", 0, "旅行");
  Show(MODE_LIST, 0);
  const Strings dvdHeaders{"ＤＶＤ格納フォルダ", "ＤＶＤタイトル", "日付", "ＤＶＤコメント"};
  for (UINT id : {ID_LIST_STATE, ID_LIST_DATE, ID_LIST_DETAIL, ID_LIST_VERSION}) {
    Command(id);
    ASSERT_EQ(Headers(), dvdHeaders) << id;
    EXPECT_EQ(RowTexts(0), (Strings{"映画\\洋画", "Casablanca", kOld, "名作"}));
    EXPECT_EQ(RowTexts(1), (Strings{"", "Trip 2021", "", "旅行"}));
  }
  Command(ID_LIST_COMMENT);
  EXPECT_EQ(Headers(), (Strings{"ＤＶＤタイトル", "ＤＶＤコメント"}));
  EXPECT_EQ(RowTexts(0), (Strings{"Casablanca", "名作"}));

  // Names and comments beyond any cell buffer are shown whole.
  std::string folder;
  std::string comment;
  for (int i = 0; i < 600; ++i) folder += "表";
  for (int i = 0; i < 700; ++i) comment += "ソ";
  Add(folder + "\\" + folder, 2, comment, {}, {kListTime, 0, 0});
  Command(ID_LIST_STATE);
  EXPECT_EQ(RowTexts(2), (Strings{folder, folder, kOld, comment}));
}

TEST_F(ListFormTest, ARunOnATreeFillsTheListAndTheDriveStatics) {
  fs::create_directories(tmp_ / "disk/映画/Alpha/VIDEO_TS");
  fs::create_directories(tmp_ / "disk/映画/beta/VIDEO_TS");
  fs::create_directories(tmp_ / "disk/Gamma/VIDEO_TS");
  fs::create_directories(tmp_ / "disk/plain folder");
  ASSERT_TRUE(Start());
  CMainFrame* frame = Frame();
  ASSERT_NE(frame->m_pOperationForm, nullptr);
  qvtest::ui::Type(frame->m_pOperationForm, IDC_EDIT_OLD, "T:\\disk");
  qvtest::ui::Type(frame->m_pOperationForm, IDC_EDIT_COMMENT, "一号機");
  qvtest::ui::Click(frame->m_pOperationForm, IDC_RUN);
  Pump();
  ASSERT_EQ(frame->m_nLayout, WM_SHOW_FILE_VIEW);
  ASSERT_NE(Form(), nullptr);
  EXPECT_EQ(ColumnTexts(1), (Strings{"Alpha", "beta", "Gamma"}));
  EXPECT_EQ(ColumnTexts(0), (Strings{"映画", "映画", ""}));
  // Every row selected after the fill; the box shows the first one's comment.
  EXPECT_EQ(SelectedRows(), (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(theApp.m_bFileInfoCreated);

  const CZEKEnv_Label* entry = theApp.m_pCurrentDoc->m_pCurrentEntry;
  auto gb = [](DWORD v) {
    char text[32];
    snprintf(text, sizeof text, "%5u GB\n", static_cast<unsigned>(v));
    return std::string(text);
  };
  EXPECT_EQ(ShownText(Form()->GetDlgItem(IDC_TOTAL)), gb(entry->m_dwTotalGB));
  EXPECT_EQ(ShownText(Form()->GetDlgItem(IDC_USED)), gb(entry->m_dwUsedGB));
  EXPECT_EQ(ShownText(Form()->GetDlgItem(IDC_FREE)), gb(entry->m_dwFreeGB));
  EXPECT_EQ(ShownText(Form()->GetDlgItem(IDC_DVD_COUNT)), "    3\n");
  EXPECT_EQ(ShownText(Form()->GetDlgItem(IDC_DRIVE)), "T:\\");
  EXPECT_EQ(ShownText(Form()->GetDlgItem(IDC_VOLUME)), qvtest::U8(entry->m_strVolumeName.View()));
  EXPECT_EQ(ShownText(Form()->GetDlgItem(IDC_FILESYSTEM)), qvtest::U8(entry->m_strFileSystem.View()));
  EXPECT_EQ(ShownText(Form()->GetDlgItem(IDC_STATIC_DATE)), qvtest::U8(entry->m_strRunTime.View()));
  EXPECT_EQ(ShownText(Form()->GetDlgItem(IDC_HDD_COMMENT)), "一号機");
  // A centred static is one line: its line feed is not shown.
  auto* total = qobject_cast<QLabel*>(qvtest::ui::Control(Form(), IDC_TOTAL));
  ASSERT_NE(total, nullptr);
  EXPECT_FALSE(total->text().contains('\n'));
  EXPECT_FALSE(total->wordWrap());
  // The display-filter button stays hidden but usable after a run; its hint
  // is hidden.
  EXPECT_FALSE(qvtest::ui::Control(Form(), IDC_DISPLAY_FILTER)->isVisible());
  EXPECT_TRUE(qvtest::ui::Control(Form(), IDC_DISPLAY_FILTER)->isEnabled());
  EXPECT_FALSE(qvtest::ui::Control(Form(), IDC_DISPLAY_FILTER_HINT)->isVisible());
}

TEST_F(ListFormTest, ACompareRunShowsThePairsAndTheFilterBitsChooseRows) {
  for (const char* d : {"new/same", "new/changed", "new/added", "old/same", "old/changed", "old/removed", "diff"}) {
    fs::create_directories(tmp_ / d / "VIDEO_TS");
  }
  qvtest::SetMtime(tmp_ / "new/same", kListTime);
  qvtest::SetMtime(tmp_ / "old/same", kListTime);
  qvtest::SetMtime(tmp_ / "new/changed", kListTime + 100);
  qvtest::SetMtime(tmp_ / "old/changed", kListTime);
  ASSERT_TRUE(Start());
  CMainFrame* frame = Frame();
  frame->m_pTitleForm->m_nMode = MODE_COMPARE;
  frame->m_nMode = theApp.m_nAppMode = MODE_COMPARE;
  frame->m_pOperationForm->ShowCompareFields(MODE_COMPARE);
  qvtest::ui::Type(frame->m_pOperationForm, IDC_EDIT_NEW, "T:\\new");
  qvtest::ui::Type(frame->m_pOperationForm, IDC_EDIT_OLD, "T:\\old");
  qvtest::ui::Type(frame->m_pOperationForm, IDC_EDIT_DIFF, "T:\\diff");
  theApp.m_nDispMode = DISP_SAME | DISP_NEW | DISP_DELETED | DISP_DIFFERENT;
  qvtest::ui::Click(frame->m_pOperationForm, IDC_RUN);
  Pump();
  ASSERT_NE(Form(), nullptr);
  EXPECT_EQ(ColumnTexts(0), (Strings{"added", "changed", "removed", "same"}));
  EXPECT_EQ(Cell(0, 1), kCreated);
  EXPECT_EQ(Cell(2, 2), kDeleted);

  // Each bit shows one kind of row; toggled off, the kind goes.
  Command(ID_SHOW_SAME_FILES);
  EXPECT_EQ(ColumnTexts(0), (Strings{"added", "changed", "removed"}));
  Command(ID_SHOW_NEW_FILES);
  EXPECT_EQ(ColumnTexts(0), (Strings{"changed", "removed"}));
  Command(ID_SHOW_DELETED_FILES);
  EXPECT_EQ(ColumnTexts(0), (Strings{"changed"}));
  Command(ID_SHOW_DIFF_FILES);
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_EQ(frame->m_listShownRecords.GetCount(), 0);
  Command(ID_SHOW_NEW_FILES);
  EXPECT_EQ(ColumnTexts(0), (Strings{"added"}));
  EXPECT_EQ(theApp.m_nDispMode, DISP_NEW);
}

TEST_F(ListFormTest, HeaderClicksSortEachKeyBothWays) {
  Add("b\\Zeta", 3, "mid", {kListTime + 30, 0, 0}, {kListTime + 5, 0, 0});
  Add("c\\alpha", 3, "Zulu", {kListTime + 10, 0, 0}, {kListTime + 20, 0, 0});
  Add("a\\Mid", 3, "alpha", {kListTime + 20, 0, 0}, {kListTime + 10, 0, 0});
  Show(MODE_COMPARE);
  EXPECT_EQ(ColumnTexts(0), (Strings{"alpha", "Mid", "Zeta"}));
  struct Case {
    int column;
    Strings descending;
  };
  // The first accepted click of a form sorts descending, the next ascending.
  const Case cases[] = {
      {0, {"Zeta", "Mid", "alpha"}},  // name, letter case ignored
      {1, {"alpha", "Mid", "Zeta"}},  // OLD time
      {2, {"Zeta", "Mid", "alpha"}},  // NEW time
      {3, {"alpha", "Zeta", "Mid"}},  // folder
      {4, {"alpha", "Zeta", "Mid"}},  // comment, letter case ignored
  };
  for (const Case& c : cases) {
    qvtest::ui::ClickHeader(&List(), c.column);
    EXPECT_EQ(ColumnTexts(0), c.descending) << "column " << c.column;
    EXPECT_TRUE(g_bSortDescending);
    qvtest::ui::ClickHeader(&List(), c.column);
    Strings ascending(c.descending.rbegin(), c.descending.rend());
    EXPECT_EQ(ColumnTexts(0), ascending) << "column " << c.column;
    EXPECT_FALSE(g_bSortDescending);
  }
  // The date view sorts only on its date, by the side shown.
  Command(ID_LIST_DATE);
  Command(ID_SIDE_OLD);
  const Strings before = ColumnTexts(0);
  qvtest::ui::ClickHeader(&List(), 1);
  EXPECT_EQ(ColumnTexts(0), before);
  EXPECT_FALSE(g_bSortDescending);
  qvtest::ui::ClickHeader(&List(), 3);
  EXPECT_EQ(g_nSortKey, SORT_OLD_TIME);
  EXPECT_EQ(ColumnTexts(0), (Strings{"alpha", "Mid", "Zeta"}));
  // The key stays for the next fill and the next form.
  Command(ID_LIST_STATE);
  EXPECT_EQ(ColumnTexts(0), (Strings{"alpha", "Mid", "Zeta"}));
  Command(ID_VIEW_OPERATION);
  Pump();
  Command(ID_VIEW_FILE);
  Pump();
  EXPECT_FALSE(g_bSortDescending);
  EXPECT_EQ(ColumnTexts(0), (Strings{"Zeta", "Mid", "alpha"}));

  // The detail view sorts on its two dates, each by its own side.
  Command(ID_LIST_DETAIL);
  qvtest::ui::ClickHeader(&List(), 1);
  EXPECT_EQ(g_nSortKey, SORT_OLD_TIME);
  EXPECT_EQ(ColumnTexts(0), (Strings{"alpha", "Mid", "Zeta"}));
  qvtest::ui::ClickHeader(&List(), 1);
  EXPECT_EQ(ColumnTexts(0), (Strings{"Zeta", "Mid", "alpha"}));
  qvtest::ui::ClickHeader(&List(), 2);
  EXPECT_EQ(g_nSortKey, SORT_NEW_TIME);
  EXPECT_EQ(ColumnTexts(0), (Strings{"Zeta", "Mid", "alpha"}));
  qvtest::ui::ClickHeader(&List(), 2);
  EXPECT_EQ(ColumnTexts(0), (Strings{"alpha", "Mid", "Zeta"}));
  const Strings detailOrder = ColumnTexts(0);
  qvtest::ui::ClickHeader(&List(), 4);
  EXPECT_EQ(ColumnTexts(0), detailOrder);
  EXPECT_FALSE(g_bSortDescending);

  // Names that differ only in letter case keep their order both ways.
  Add("x\\same", 3, "", {kListTime, 0, 0}, {kListTime, 0, 0});
  Add("y\\SAME", 3, "", {kListTime, 0, 0}, {kListTime, 0, 0});
  Command(ID_LIST_COMMENT);
  qvtest::ui::ClickHeader(&List(), 0);
  EXPECT_EQ(ColumnTexts(0), (Strings{"Zeta", "same", "SAME", "Mid", "alpha"}));
}

TEST_F(ListFormTest, TheDvdListSortsByFolderTitleDateAndComment) {
  Add("b\\Two", 2, "y", {}, {kListTime + 1, 0, 0});
  Add("a\\Three", 2, "x", {}, {kListTime + 2, 0, 0});
  Add("c\\One", 2, "z", {}, {kListTime + 3, 0, 0});
  Show(MODE_LIST, 0);
  const std::pair<int, Strings> cases[] = {
      {0, {"One", "Two", "Three"}},  // folder
      {1, {"Two", "Three", "One"}},  // title
      {2, {"One", "Three", "Two"}},  // OLD time
      {3, {"One", "Two", "Three"}},  // comment
  };
  for (const auto& [column, descending] : cases) {
    qvtest::ui::ClickHeader(&List(), column);
    EXPECT_EQ(ColumnTexts(1), descending) << "column " << column;
    qvtest::ui::ClickHeader(&List(), column);
    EXPECT_EQ(ColumnTexts(1), Strings(descending.rbegin(), descending.rend())) << "column " << column;
  }
}

TEST_F(ListFormTest, TheSelectedRowsCommentShowsBelowTheList) {
  Add("a", 2, "最初の\r\nコメント", {}, {kListTime, 0, 0});
  Add("b", 2, "", {}, {kListTime, 0, 0});
  Add("c", 2, "damaged", {}, {kListTime, 0, 0})->m_nCommentIndex = 4000;
  Show(MODE_LIST, 0);
  CWnd* box = Form()->GetDlgItem(IDC_DVD_COMMENT);
  EXPECT_EQ(ShownText(box), "最初の\r\nコメント");
  qvtest::ui::ClickRow(&List(), 1);
  EXPECT_EQ(SelectedRows(), (std::vector<int>{1}));
  EXPECT_EQ(ShownText(box), "");
  qvtest::ui::ClickRow(&List(), 2);
  EXPECT_EQ(ShownText(box), "");
  EXPECT_EQ(Cell(2, 3), "");
  qvtest::ui::ClickRow(&List(), 0);
  EXPECT_EQ(ShownText(box), "最初の\r\nコメント");
  // Ctrl adds a row; the box shows the first selected one.
  qvtest::ui::ClickRow(&List(), 2, Qt::ControlModifier);
  EXPECT_EQ(SelectedRows(), (std::vector<int>{0, 2}));
  EXPECT_EQ(ShownText(box), "最初の\r\nコメント");

  // A double click records the selection for the list's commands (and
  // opens the DVD comment, cancelled here).
  theApp.m_listSelectedNames.RemoveAll();
  people_.QueueDialog(IDCANCEL);
  qvtest::ui::DoubleClickRow(&List(), 1);
  ASSERT_EQ(theApp.m_listSelectedNames.GetCount(), 1);
  EXPECT_STREQ(theApp.m_szSelectedName, "b");
  EXPECT_EQ(theApp.m_pSelectedEntry, theApp.m_pCurrentDoc->m_pCurrentEntry);

  // The comment cell of a row is rewritten in views 0, 4 and 11.
  Form()->SetCommentCell(SUBMODE_DVD_LIST, 1, qvtest::Cp("新しい").c_str());
  EXPECT_EQ(Cell(1, 3), "新しい");
  Command(ID_LIST_COMMENT);
  Form()->SetCommentCell(SUBMODE_COMMENT, 0, "x");
  EXPECT_EQ(Cell(0, 1), "x");
}

TEST_F(ListFormTest, FillsSelectRowsAsAskedAndForgetRecordsThatAreGone) {
  for (const char* n : {"r0", "r1", "r2", "r3", "r4", "r5"}) Add(n, 2, n, {}, {kListTime, 0, 0});
  Show(MODE_LIST, 0);
  EXPECT_EQ(SelectedRows(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
  Form()->FillList(9, FALSE);
  EXPECT_TRUE(SelectedRows().empty());
  // The state view keeps the first selected row.
  qvtest::ui::ClickRow(&List(), 3);
  qvtest::ui::ClickRow(&List(), 5, Qt::ControlModifier);
  Command(ID_LIST_COMMENT);
  EXPECT_EQ(SelectedRows(), (std::vector<int>{3}));
  EXPECT_EQ(List().GetNextItem(-1, LVNI_FOCUSED), 3);
  Command(ID_LIST_DATE);
  EXPECT_EQ(SelectedRows().size(), 6u);
  EXPECT_EQ(List().GetNextItem(-1, LVNI_FOCUSED), 5);

  // Without a record list nothing of the old rows stays.
  CMainFrame* frame = Frame();
  frame->m_pRecordList = nullptr;
  Form()->FillList(-1, FALSE);
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_EQ(frame->m_listShownRecords.GetCount(), 0);
  qvtest::ui::ClickHeader(&List(), 0);
  EXPECT_EQ(List().GetItemCount(), 0);
}

TEST_F(ListFormTest, AFillOfEveryRowShowsTheTopOfTheListAndOneRowShowsThatRow) {
  for (int i = 0; i < 80; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "r%02d", i);
    Add(name, 2, "", {}, {kListTime, 0, 0});
  }
  Show(MODE_LIST, 0);
  QTreeView* view = qvtest::ui::ListView(&List());
  ASSERT_NE(view, nullptr);
  Pump();
  auto topRow = [view] { return view->indexAt(QPoint(4, 4)).row(); };
  auto shown = [view](int row) {
    return view->viewport()->rect().contains(view->visualRect(view->model()->index(row, 0)));
  };
  // Every row selected, the list at its top (the focus is on the last row).
  EXPECT_EQ(SelectedRows().size(), 80u);
  ASSERT_LT(view->verticalScrollBar()->maximum(), 80 * 30);
  ASSERT_GT(view->verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(view->verticalScrollBar()->value(), 0);
  EXPECT_EQ(topRow(), 0);
  EXPECT_FALSE(shown(79));
  // Down from a clicked row moves on and the list follows.
  qvtest::ui::ClickRow(&List(), 3);
  qvtest::ui::Key(view, Qt::Key_Down);
  EXPECT_EQ(SelectedRows(), (std::vector<int>{4}));
  // A refill of every row after scrolling goes back to the top ...
  view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum() / 2);
  Command(ID_LIST_DATE);
  Pump();
  EXPECT_EQ(topRow(), 0);
  // ... and one of the first selected row shows that row.
  qvtest::ui::ClickRow(&List(), 0);
  view->scrollToBottom();
  qvtest::ui::ClickRow(&List(), 70);
  view->scrollToTop();
  Command(ID_LIST_STATE);
  Pump();
  EXPECT_EQ(SelectedRows(), (std::vector<int>{70}));
  EXPECT_TRUE(shown(70));
}

TEST_F(ListFormTest, ColumnWidthsFollowTheScaleAndAreKeptWhenTheListLosesFocus) {
  Add("a", 2, "", {}, {kListTime, 0, 0});
  Show(MODE_LIST, 0);
  // Stored widths of the DVD list, as the settings file gives them.
  EXPECT_EQ(List().GetColumnWidth(0), theApp.m_nColWidth[7]);
  EXPECT_EQ(List().GetColumnWidth(3), theApp.m_nColWidth[10]);

  // At 144 dots per inch a stored 200 shows as 300 pixels and comes back.
  Form()->m_dScaleX = 1.5;
  theApp.m_nColWidth[8] = 200;
  Form()->SetColumns(MODE_LIST, SUBMODE_STATE);
  EXPECT_EQ(List().GetColumnWidth(1), 300);
  QTreeView* view = qvtest::ui::ListView(&List());
  ASSERT_NE(view, nullptr);
  view->header()->resizeSection(2, 150);
  view->setFocus();
  Frame()->m_pTitleForm->GetDlgItem(IDC_COMBO_FILTER)->SetFocus();
  Pump();
  EXPECT_EQ(theApp.m_nColWidth[8], 200);
  EXPECT_EQ(theApp.m_nColWidth[9], 100);
  // The fixed widths of the other views grow with the text too (the date
  // view's 300, 100, 60, 200, 450).
  Form()->SetColumns(MODE_COMPARE, SUBMODE_DATE);
  EXPECT_EQ(List().GetColumnWidth(1), 150);
  EXPECT_EQ(List().GetColumnWidth(3), 300);

  // Compare-mode sub-modes 1 to 3 keep no widths.
  Form()->m_dScaleX = 1.0;
  Show(MODE_COMPARE);
  Command(ID_LIST_DETAIL);
  const std::vector<int> before(theApp.m_nColWidth, theApp.m_nColWidth + 11);
  view = qvtest::ui::ListView(&List());
  view->header()->resizeSection(0, 77);
  view->setFocus();
  Frame()->m_pTitleForm->GetDlgItem(IDC_COMBO_FILTER)->SetFocus();
  Pump();
  EXPECT_EQ(std::vector<int>(theApp.m_nColWidth, theApp.m_nColWidth + 11), before);
}

// A width dragged while the list has the focus, and the window closed with
// the focus still there: the list loses the focus as its window goes, so the
// exit writes the width.
TEST_F(ListFormTest, AWidthDraggedJustBeforeTheWindowClosesReachesTheSettingsFile) {
  QTreeView* view = ShowDvdListWithTheFocus();
  ASSERT_NE(view, nullptr);
  // The border at the right of the second column dragged 40 pixels on.
  QHeaderView* header = view->header();
  const int before = header->sectionSize(1);
  const QPoint border(header->sectionViewportPosition(1) + before - 1, header->height() / 2);
  QTest::mousePress(header->viewport(), Qt::LeftButton, Qt::NoModifier, border);
  QTest::mouseMove(header->viewport(), border + QPoint(20, 0));
  QTest::mouseMove(header->viewport(), border + QPoint(40, 0));
  QTest::mouseRelease(header->viewport(), Qt::LeftButton, Qt::NoModifier, border + QPoint(40, 0));
  ASSERT_EQ(header->sectionSize(1), before + 40);
  ASSERT_EQ(QApplication::focusWidget(), view);
  const int stored = static_cast<int>((before + 40) / Form()->m_dScaleX);
  ASSERT_NE(theApp.m_nColWidth[8], stored);

  qvtest::ui::WidgetOf(Frame())->close();
  Pump();
  ASSERT_EQ(AfxGetMainWnd(), nullptr);
  Exit();
  EXPECT_NE(ReadIni().find("DefaultColWidth22_1=" + std::to_string(stored) + "\r\n"), std::string::npos);
}

// The form goes with the focus in its list when the frame shows another
// mode: the widths go where the shown columns took theirs from, not where
// the new mode keeps its own.
TEST_F(ListFormTest, AListLosingTheFocusAsItsFormGoesKeepsTheWidthsOfItsOwnColumns) {
  QTreeView* view = ShowDvdListWithTheFocus();
  ASSERT_NE(view, nullptr);
  view->header()->resizeSection(0, 123);
  std::vector<int> expected(theApp.m_nColWidth, theApp.m_nColWidth + 11);
  expected[7] = static_cast<int>(123 / Form()->m_dScaleX);
  Show(MODE_COMPARE);
  EXPECT_EQ(std::vector<int>(theApp.m_nColWidth, theApp.m_nColWidth + 11), expected);
}

TEST_F(ListFormTest, TheControlsFollowTheFormsSize) {
  Add("a", 2, "", {}, {kListTime, 0, 0});
  Show(MODE_LIST, 0);
  QWidget* form = qvtest::ui::WidgetOf(Form());
  ASSERT_NE(form, nullptr);
  const int w = form->width();
  const int h = form->height();
  EXPECT_EQ(qvtest::ui::WidgetOf(&List())->geometry(), QRect(21, 20, w - 40, h - 190));
  EXPECT_EQ(qvtest::ui::Control(Form(), IDC_DVD_COMMENT)->pos(), QPoint(540, h - 146));
  EXPECT_EQ(qvtest::ui::Control(Form(), IDC_DVD_COUNT)->pos(), QPoint(886, h - 50));
  EXPECT_EQ(qvtest::ui::Control(Form(), IDC_STATIC_DOCPATH)->pos(), QPoint(94, h - 20));
  // Everything below the list stays inside the form.
  for (int id : {IDC_HDD_COMMENT, IDC_DVD_COMMENT, IDC_GROUP_HDD, IDC_DVD_COUNT, IDC_STATIC_DOCPATH}) {
    const QRect r = qvtest::ui::Control(Form(), id)->geometry();
    EXPECT_LE(r.bottom(), h) << id;
    EXPECT_LE(r.right(), w) << id;
    EXPECT_GT(r.top(), h - 190 + 20) << id;
  }

  Frame()->SetWindowPos(nullptr, 0, 0, 1300, 1000, SWP_NOMOVE | SWP_NOZORDER);
  Pump();
  const int w2 = form->width();
  const int h2 = form->height();
  ASSERT_NE(h2, h);
  EXPECT_EQ(qvtest::ui::WidgetOf(&List())->geometry(), QRect(21, 20, w2 - 40, h2 - 190));
  EXPECT_EQ(qvtest::ui::Control(Form(), IDC_GROUP_HDD)->pos(), QPoint(300, h2 - 80));

  // The smallest frame: the DVD comment box ends with the list instead of
  // running out of the window, also at 144 dots per inch; with room again
  // it has its own width.
  QWidget* box = qvtest::ui::Control(Form(), IDC_DVD_COMMENT);
  const int ownWidth = box->width();
  for (double scale : {1.0, 1.5}) {
    Form()->m_dScaleX = scale;
    Form()->m_dScaleY = scale;
    Frame()->SetWindowPos(nullptr, 0, 0, 1100, 900, SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    Frame()->SetWindowPos(nullptr, 0, 0, 1024, 768, SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    const QRect list = qvtest::ui::WidgetOf(&List())->geometry();
    EXPECT_EQ(box->x(), static_cast<int>(540 * scale)) << scale;
    EXPECT_LE(box->geometry().right(), list.right()) << scale;
    EXPECT_LE(box->geometry().right(), form->width()) << scale;
    EXPECT_LT(box->width(), ownWidth) << scale;
    EXPECT_GE(box->width(), 150) << scale;
  }
  Form()->m_dScaleX = 1.0;
  Form()->m_dScaleY = 1.0;
  Frame()->SetWindowPos(nullptr, 0, 0, 1300, 1000, SWP_NOMOVE | SWP_NOZORDER);
  Pump();
  EXPECT_EQ(box->width(), ownWidth);
}

}  // namespace
