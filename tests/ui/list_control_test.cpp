// The list control on the running program: rows selected with the mouse and
// keys, the context menu on the right button and the right-arrow key, the
// double click, the DVD comment, and every other command id through the
// list's command dispatch (as a menu would send it) with real effects on
// files.
#include <gtest/gtest.h>

#include "ui/list_fixture.h"

#include <QCloseEvent>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>

#include <memory>

#include "compare/PathRoutines.h"
#include "records/Comment.h"
#include "res/resource.h"
#include "support/recorder.h"
#include "ui/ExtractDialogs.h"
#include "ui/RBTNListView.h"

namespace fs = std::filesystem;

namespace {

using qvtest::Cp;
using qvtest::U8;
using qvtest::ui::ChooseMenuItem;
using qvtest::ui::ClickRow;
using qvtest::ui::DoubleClickRow;
using qvtest::ui::Pump;
using qvtest::ui::RightClickRow;
using qvtest::ui::WhenPopupShows;

class ListControlTest : public qvtest::ListTest {
 protected:
  CRBTN_ListView& Control() const { return Form()->m_list; }
  CZEKEnv_Label* Entry() const { return theApp.m_pCurrentDoc->m_pCurrentEntry; }
  CComment_Obj& Comments() const { return theApp.m_pCurrentDoc->m_Comment; }
  std::string CommentOf(const CZEKMergeFileInfo* r) const {
    return U8(Comments().GetAt(r->m_nCommentIndex)->m_strComment.View());
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (POSITION pos = theApp.m_listSelectedNames.GetHeadPosition(); pos != nullptr;)
      names.push_back(U8(theApp.m_listSelectedNames.GetNext(pos).View()));
    return names;
  }
  // A list command as the menu sends it.
  void ListCommand(UINT id) { Control().SendMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0); }

  // Opens the context menu on `row` and picks `item` (UTF-8), or closes it
  // without a choice when `item` is empty.
  void RightClickAndChoose(int row, const std::string& item) {
    WhenPopupShows([item](QWidget* popup) {
      if (item.empty()) {
        popup->close();
      } else {
        ChooseMenuItem(popup, item);
      }
    });
    RightClickRow(&Control(), row);
    Pump();
  }

  // Folders of the entry on drive T: (the list commands use the entry's).
  void Folders() {
    Entry()->m_strNewPath = "T:\\new";
    Entry()->m_strOldPath = "T:\\old";
    Entry()->m_strDiffPath = "T:\\diff";
    fs::create_directories(tmp_ / "new");
    fs::create_directories(tmp_ / "old");
    fs::create_directories(tmp_ / "diff");
  }
};

TEST_F(ListControlTest, RightButtonRecordsTheSelectionAndTheMenuEditsTheComment) {
  CZEKMergeFileInfo* a = Add("棚\\映画 a", 2, "alpha");
  Add("棚\\映画 b", 2, "x-ray");
  CZEKMergeFileInfo* c = Add("棚\\映画 c", 2, "zulu");
  Show(MODE_LIST, 15);
  ClickRow(&Control(), 0);
  ClickRow(&Control(), 2, Qt::ControlModifier);
  ASSERT_EQ(SelectedRows(), (std::vector<int>{0, 2}));

  people_.QueueDialog(IDOK, Cp("mike\r\n新しい"));
  RightClickAndChoose(2, "DVDコメント設定");
  EXPECT_EQ(Names(), (std::vector<std::string>{"棚\\映画 a", "棚\\映画 c"}));
  EXPECT_EQ(U8(theApp.m_szSelectedName), "棚\\映画 c");
  EXPECT_EQ(theApp.m_pSelectedEntry, Entry());
  // The dialog opened on the last selected row's comment.
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(people_.Calls()[0].dialogName, "CDIALOG_REV_COMMENT");
  EXPECT_EQ(U8(people_.Calls()[0].text), "zulu");

  EXPECT_EQ(CommentOf(a), "mike\r\n新しい");
  EXPECT_EQ(CommentOf(c), "mike\r\n新しい");
  EXPECT_EQ(ColumnTexts(3), (std::vector<std::string>{"mike\r\n新しい", "x-ray", "mike\r\n新しい"}));
  EXPECT_EQ(U8(a->m_Old.m_strDisp[2].View()), "mike\r\n新しい");
  EXPECT_EQ(SelectedRows(), (std::vector<int>{0, 2}));
  EXPECT_EQ(qvtest::ui::ShownText(Form()->GetDlgItem(IDC_DVD_COMMENT)), "mike\r\n新しい");
  EXPECT_TRUE(theApp.m_pCurrentDoc->IsModified());

  // Sorting by the comment column (descending at the first click) sees the
  // new text: a and c are equal and keep their order (c's old text would
  // put it first).
  qvtest::ui::ClickHeader(&Control(), 3);
  EXPECT_EQ(ColumnTexts(1), (std::vector<std::string>{"映画 b", "映画 a", "映画 c"}));

  // Kept in the comment table and saved with the document.
  ASSERT_TRUE(theApp.m_pCurrentDoc->OnSaveDocument("T:\\saved.qvx"));
  CZEKDoc* current = theApp.m_pCurrentDoc;
  CComment_Obj* table = GetCurrentCommentTable();
  {
    CZEKDoc reread;
    ASSERT_TRUE(reread.OnOpenDocument("T:\\saved.qvx"));
    auto* first = static_cast<CZEKMergeFileInfo*>(reread.m_pCurrentEntry->m_pRecordList->GetHead());
    EXPECT_EQ(U8(reread.m_Comment.GetAt(first->m_nCommentIndex)->m_strComment.View()), "mike\r\n新しい");
  }
  theApp.m_pCurrentDoc = current;
  SetCurrentCommentTable(table);
}

TEST_F(ListControlTest, CancelLeavesEveryCellAsItWas) {
  Add("a", 2, "comment a");
  Add("b", 2, "comment b");
  Show(MODE_LIST, 15);
  ClickRow(&Control(), 0);
  ClickRow(&Control(), 1, Qt::ShiftModifier);
  theApp.m_pCurrentDoc->SetModifiedFlag(FALSE);
  people_.QueueDialog(IDCANCEL);
  RightClickAndChoose(1, "DVDコメント設定");
  EXPECT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(ColumnTexts(3), (std::vector<std::string>{"comment a", "comment b"}));
  EXPECT_FALSE(theApp.m_pCurrentDoc->IsModified());

  // In compare mode the popup holds the full-width item.
  Show(MODE_COMPARE, 15);
  ClickRow(&Control(), 0);
  people_.QueueDialog(IDCANCEL);
  RightClickAndChoose(0, "ＤＶＤコメント設定");
  EXPECT_EQ(people_.Calls().size(), 2u);
}

TEST_F(ListControlTest, RightArrowOpensTheMenuAtTheFirstSelectedRow) {
  for (const char* n : {"r0", "r1", "r2", "r3", "r4", "r5"}) Add(n, 2);
  Show(MODE_LIST, 15);
  ClickRow(&Control(), 2);
  ClickRow(&Control(), 5, Qt::ControlModifier);
  bool shown = false;
  WhenPopupShows([&shown](QWidget* popup) {
    shown = qobject_cast<QMenu*>(popup) != nullptr;
    popup->close();
  });
  qvtest::ui::Key(qvtest::ui::WidgetOf(&Control()), Qt::Key_Right);
  Pump();
  EXPECT_TRUE(shown);
  EXPECT_EQ(Names(), (std::vector<std::string>{"r2", "r5"}));
  EXPECT_STREQ(theApp.m_szSelectedName, "r5");
  CRect row;
  Control().GetItemRect(2, &row, LVIR_LABEL);
  CPoint expected(128, row.top);
  Control().ClientToScreen(&expected);
  const POINT at = qv::LastPopupPoint();
  EXPECT_EQ(at.x, expected.x);
  EXPECT_EQ(at.y, expected.y);

  // Rows chosen with the keys: the menu opens at the row the keys moved to.
  // (The right-arrow key also scrolled the wide list sideways.)
  QTreeView* view = qvtest::ui::ListView(&Control());
  view->horizontalScrollBar()->setValue(0);
  ClickRow(&Control(), 0);
  qvtest::ui::Key(view, Qt::Key_Down);
  qvtest::ui::Key(view, Qt::Key_Down, Qt::ShiftModifier);
  ASSERT_EQ(SelectedRows(), (std::vector<int>{1, 2}));
  WhenPopupShows([](QWidget* popup) { popup->close(); });
  qvtest::ui::Key(view, Qt::Key_Right);
  Pump();
  EXPECT_EQ(Names(), (std::vector<std::string>{"r1", "r2"}));
  Control().GetItemRect(1, &row, LVIR_LABEL);
  expected = CPoint(128, row.top);
  Control().ClientToScreen(&expected);
  EXPECT_EQ(qv::LastPopupPoint().y, expected.y);

  // Nothing selected: no menu (one would wait here for a choice), the name
  // list is emptied and the record keeps its last name.
  Control().SetItemState(-1, 0, LVIS_SELECTED);
  RightClickRow(&Control(), 1);
  Pump();
  EXPECT_TRUE(Names().empty());
  EXPECT_STREQ(theApp.m_szSelectedName, "r2");
  EXPECT_TRUE(SelectedRows().empty());
}

// The window manager may close the program while the menu of the
// right-arrow key waits for its pick: the program closes, and the key's
// handling does not go on with the list that went with it.
TEST_F(ListControlTest, TheProgramClosedWhileTheKeysMenuIsOpen) {
  Add("r0", 2);
  Show(MODE_LIST, 15);
  ClickRow(&Control(), 0);
  theApp.m_pCurrentDoc->SetModifiedFlag(FALSE);
  bool shown = false;
  WhenPopupShows([&](QWidget* popup) {
    shown = true;
    QPointer<QWidget> menu(popup);
    QCloseEvent close;
    QApplication::sendEvent(qvtest::ui::WidgetOf(Frame()), &close);
    Pump();
    if (menu) menu->close();
  });
  qvtest::ui::Key(qvtest::ui::WidgetOf(&Control()), Qt::Key_Right);
  Pump();
  EXPECT_TRUE(shown);
  EXPECT_EQ(Frame(), nullptr);
}

TEST_F(ListControlTest, DoubleClickTakesOnlyItsRowAndEditsItsComment) {
  CZEKMergeFileInfo* a = Add("a", 2, "comment a");
  Add("b", 2, "comment b");
  Add("c", 2, "comment c");
  Show(MODE_LIST, 15);
  ClickRow(&Control(), 0);
  ClickRow(&Control(), 2, Qt::ControlModifier);
  RightClickAndChoose(2, "");
  ASSERT_EQ(Names().size(), 2u);

  people_.QueueDialog(IDOK, "edited");
  DoubleClickRow(&Control(), 0);
  Pump();
  EXPECT_EQ(Names(), std::vector<std::string>{"a"});
  EXPECT_EQ(CommentOf(a), "edited");
  EXPECT_EQ(ColumnTexts(3), (std::vector<std::string>{"edited", "comment b", "comment c"}));
}

TEST_F(ListControlTest, CommandsActOnTheEntryTheSelectionCameFrom) {
  Add("a", 3);
  Add("b", 3);
  Add("c", 3);
  Show(MODE_COMPARE, 15);
  Folders();
  for (const char* n : {"a", "b", "c"}) {
    qvtest::WriteFile(tmp_ / "new" / n, "new");
    qvtest::WriteFile(tmp_ / "old" / n, "old");
  }
  ClickRow(&Control(), 0);
  ClickRow(&Control(), 2, Qt::ShiftModifier);
  RightClickAndChoose(0, "");

  // Several rows deleted on one "すべてはい".
  people_.QueueDialog(2);
  ListCommand(ID_LIST_DELETE_OLD);
  EXPECT_EQ(people_.Calls().back().dialogName, "CMessageBox_DEL_dlg");
  for (const char* n : {"a", "b", "c"}) {
    EXPECT_FALSE(fs::exists(tmp_ / "old" / n)) << n;
    EXPECT_TRUE(fs::exists(tmp_ / "new" / n)) << n;
  }

  // One row reverted: the NEW copy gets the OLD copy back.
  qvtest::WriteFile(tmp_ / "old" / "b", "old b");
  ClickRow(&Control(), 1);
  RightClickAndChoose(1, "");
  people_.QueueAnswer(IDYES);
  ListCommand(ID_LIST_REVERT_TO_OLD);
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "new" / "b"), "old b");

  // A new document: the selection's entry went with the old contents, and
  // the commands (here on a list of their own: the form has gone with the
  // file view) do nothing.
  Frame()->ExecuteMenuCommand(ID_FILE_NEW);
  Pump();
  EXPECT_EQ(theApp.m_pSelectedEntry, nullptr);
  const size_t asked = people_.Calls().size();
  CRBTN_ListView detached;
  for (UINT id : {ID_LIST_DELETE_BOTH, ID_LIST_DELETE_NEW, ID_LIST_REVERT_TO_OLD, ID_LIST_VIEW_NEW, ID_LIST_COPY_OUT})
    detached.SendMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0);
  EXPECT_EQ(people_.Calls().size(), asked);
  EXPECT_TRUE(fs::exists(tmp_ / "new" / "b"));
}

TEST_F(ListControlTest, ViewAndCompareCommandsStartTheirPrograms) {
  CZEKMergeFileInfo* item = Add("映画 x", 3, "", {qvtest::kListTime, 8, 2}, {qvtest::kListTime, 6, 2});
  Show(MODE_COMPARE, 15);
  Folders();
  qvtest::WriteFile(tmp_ / "new" / U8(Cp("映画 x")), "one\ntwo\n");
  qvtest::WriteFile(tmp_ / "old" / U8(Cp("映画 x")), "one\n2\n");
  qvtest::Recorder editor(tmp_ / "bin", "editor");
  qvtest::Recorder df(tmp_ / "bin", "df");
  theApp.m_strCmdEditor = "T:\\bin\\editor";
  theApp.m_strCmdDF = "T:\\bin\\df";
  theApp.m_strCmdDiff = "/usr/bin/diff";
  ClickRow(&Control(), 0);
  RightClickAndChoose(0, "");

  ListCommand(ID_LIST_VIEW_OLD);
  EXPECT_EQ(editor.Wait(), (std::vector<std::string>{editor.script().string(), (tmp_ / "old" / "映画 x").string()}));
  ListCommand(ID_LIST_SHOW_DIFF);
  EXPECT_EQ(editor.Wait().at(1), (tmp_ / "diff" / "映画 x.diff").string());
  ListCommand(ID_LIST_DUMP_NEW_BINARY);
  EXPECT_EQ(editor.Wait().at(1), (tmp_ / "diff" / "映画 x_bin_new.txt").string());
  ListCommand(ID_LIST_RUN_DF);
  EXPECT_EQ(df.Wait(), (std::vector<std::string>{df.script().string(), (tmp_ / "old" / "映画 x").string(),
                                                 (tmp_ / "new" / "映画 x").string()}));
  // The diff information: both sides and a fresh evaluation shown; the
  // record keeps what it had.
  item->m_nDelLines = 40;
  people_.QueueDrive([&](CWnd* dlg) {
    auto text = [dlg](int id) { return qvtest::ui::ShownText(dlg->GetDlgItem(id)); };
    EXPECT_EQ(text(IDC_DIFF_FILE_NAME), "映画 x");
    EXPECT_EQ(text(IDC_DIFF_NEW_SIZE), "8");
    EXPECT_EQ(text(IDC_DIFF_OLD_SIZE), "6");
    // (The diff shown before took the copies' times into the record.)
    char oldTime[64];
    FormatTimeText(item->m_Old.m_tModify, oldTime);
    EXPECT_EQ(text(IDC_DIFF_OLD_MODIFIED), oldTime);
    EXPECT_EQ(text(IDC_DIFF_STEPS), "0");
    EXPECT_EQ(text(IDC_DIFF_DELETED), "1");
    EXPECT_EQ(text(IDC_DIFF_ADDED), "1");
    EXPECT_EQ(text(IDC_DIFF_CHANGED), "2");
    EXPECT_EQ(text(IDC_DIFF_C_DELETED), "1");
    EXPECT_EQ(text(IDC_DIFF_C_ADDED), "1");
    EXPECT_FALSE(text(IDC_DIFF_EVALUATED).empty());
    dlg->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  });
  ListCommand(ID_LIST_DIFF_INFO);
  EXPECT_EQ(people_.Calls().back().dialogName, "CDIFF_FILE_INFO");
  EXPECT_EQ(item->m_nDelLines, 40);
}

TEST_F(ListControlTest, SendToProgramsByNumber) {
  Add("棚\\映画 y", 2);
  Show(MODE_LIST, 15);
  Folders();
  std::vector<std::unique_ptr<qvtest::Recorder>> programs;
  for (const char* n : {"p0", "p1", "p2", "p 3"}) {
    programs.push_back(std::make_unique<qvtest::Recorder>(tmp_ / "send to", n));
    theApp.m_listSendToPath.AddTail(("T:\\send to\\" + std::string(n)).c_str());
  }
  theApp.m_listSendToPath.AddTail("T:\\send to\\gone");
  ClickRow(&Control(), 0);
  RightClickAndChoose(0, "");

  // 32859: the fourth program on the NEW copy.
  Control().SendMessage(WM_COMMAND, MAKEWPARAM(32859, 0), 0);
  EXPECT_EQ(programs[3]->Wait(),
            (std::vector<std::string>{programs[3]->script().string(), (tmp_ / "new" / "棚" / "映画 y").string()}));
  Control().SendMessage(WM_COMMAND, MAKEWPARAM(32888 + 1, 0), 0);
  EXPECT_EQ(programs[1]->Wait().at(1), (tmp_ / "old" / "棚" / "映画 y").string());

  // A program that is not there is named; a number beyond the programs
  // does nothing.
  people_.QueueAnswer(IDOK);
  Control().SendMessage(WM_COMMAND, MAKEWPARAM(32856 + 4, 0), 0);
  EXPECT_EQ(U8(people_.Calls().back().text), "プログラム(T:\\send to\\gone)が存在しません。");
  const size_t asked = people_.Calls().size();
  Control().SendMessage(WM_COMMAND, MAKEWPARAM(32856 + 5, 0), 0);
  Control().SendMessage(WM_COMMAND, MAKEWPARAM(32895, 0), 0);
  EXPECT_EQ(people_.Calls().size(), asked);
  for (auto& p : programs) EXPECT_FALSE(p->RanMeanwhile());
}

// A row of a crafted document: its name never reaches a SendTo program as
// more than the one quoted path.
TEST_F(ListControlTest, SendToProgramsNeverGetACraftedNameAsSeveralArguments) {
  Add("映画\" \"--x", 2);
  Add("棚\\", 2);
  Show(MODE_LIST, 15);
  Folders();
  qvtest::Recorder program(tmp_ / "send to", "p0");
  theApp.m_listSendToPath.AddTail("T:\\send to\\p0");
  for (int row : {0, 1}) {
    ClickRow(&Control(), row);
    RightClickAndChoose(row, "");
    people_.QueueAnswer(IDOK);
    Control().SendMessage(WM_COMMAND, MAKEWPARAM(32888, 0), 0);
    EXPECT_FALSE(program.RanMeanwhile());
    ASSERT_FALSE(people_.Calls().empty());
    EXPECT_NE(U8(people_.Calls().back().text).find("\n\n上記の名称には"), std::string::npos);
  }
}

// An entry folder of a crafted document: refused where a SendTo program
// would get it, named in the message; the other side's program still runs.
TEST_F(ListControlTest, SendToProgramsNeverGetACraftedFolderAsSeveralArguments) {
  Add("映画 z", 2);
  Show(MODE_LIST, 15);
  Folders();
  const std::string crafted = "T:\\作業\" \"--x OLD";
  Entry()->m_strOldPath = Cp(crafted).c_str();
  fs::create_directories(tmp_ / "作業\" \"--x OLD" / "映画 z");
  qvtest::Recorder program(tmp_ / "send to", "p0");
  theApp.m_listSendToPath.AddTail("T:\\send to\\p0");
  ClickRow(&Control(), 0);
  RightClickAndChoose(0, "");
  people_.QueueAnswer(IDOK);
  Control().SendMessage(WM_COMMAND, MAKEWPARAM(32888, 0), 0);  // on OLD
  EXPECT_FALSE(program.RanMeanwhile());
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(U8(people_.Calls()[0].text),
            crafted + "\n\n上記フォルダ(OLD)には「\"」または不完全な文字が含まれているため、処理できません。");
  Control().SendMessage(WM_COMMAND, MAKEWPARAM(32856, 0), 0);  // on NEW
  EXPECT_EQ(program.Wait(), (std::vector<std::string>{program.script().string(), (tmp_ / "new" / "映画 z").string()}));
  EXPECT_EQ(people_.Calls().size(), 1u);
}

TEST_F(ListControlTest, CopyOutSetsUpTheFoldersOnceThenCopiesAtOnce) {
  Add("a", 2);
  Add("b", 2);
  Show(MODE_LIST, 15);
  Folders();
  qvtest::WriteFile(tmp_ / "old" / "a", "old a");
  qvtest::WriteFile(tmp_ / "old" / "b", "old b");
  theApp.m_strExtractPath = "T:\\out";
  ClickRow(&Control(), 0);
  ClickRow(&Control(), 1, Qt::ShiftModifier);
  RightClickAndChoose(0, "");

  people_.QueueDrive([&](CWnd* dlg) {
    people_.QueueAnswer(IDYES);  // make T:\out
    qvtest::ui::Click(dlg, IDC_EXTRACT_RUN);
  });
  ListCommand(ID_LIST_COPY_OUT);
  CFORMDLG_SEL& sel = theApp.m_dlgExtractSel;
  EXPECT_EQ(sel.m_nState, 2);
  const fs::path out = tmp_ / "out" / U8(CExtractDlgBase::DatedName().View()) / "OLD";
  EXPECT_EQ(qvtest::ReadFile(out / "a"), "old a");
  EXPECT_EQ(qvtest::ReadFile(out / "b"), "old b");

  // The second time: no dialog; one "すべてを上書き" for both files.
  qvtest::WriteFile(tmp_ / "old" / "a", "old a, 2");
  qvtest::WriteFile(tmp_ / "old" / "b", "old b, 2");
  people_.QueueDialog(2);
  ListCommand(ID_LIST_COPY_OUT);
  EXPECT_EQ(people_.Calls().back().dialogName, "CMessageBox_OW_dlg");
  EXPECT_EQ(qvtest::ReadFile(out / "a"), "old a, 2");
  EXPECT_EQ(qvtest::ReadFile(out / "b"), "old b, 2");
}

}  // namespace
