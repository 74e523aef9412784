// The main frame's commands as a person reaches them: menu 200, the
// toolbar, the accelerators and, for the commands this build binds to none
// of them, their command ids; the update rules that enable and mark them;
// the CSV export, the external programs and the extraction dialogs.
#include "ui/list_fixture.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QToolBar>
#include <QToolTip>
#include <QHelpEvent>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>

#include "compare/CompareRun.h"
#include "compare/TempCsv.h"
#include "res/resource.h"
#include "support/csv_reader.h"
#include "ui/SmallDialogs.h"

namespace {

namespace fs = std::filesystem;
using qvtest::Cp;
using qvtest::kListTime;
using qvtest::U8;
using qvtest::ui::Pump;
using Strings = std::vector<std::string>;

class FrameCommandsTest : public qvtest::ListTest {
 protected:
  // Two DVD folders of a catalogue, shown in list mode.
  void ShowCatalogue() {
    Add("映画\\Casablanca", 2, "名作, 二枚組", {}, {kListTime, 0, 0});
    Add("Trip \"2021\"", 2, "家族\r\n旅行", {}, {kListTime + 60, 0, 0});
    CZEKEnv_Label* e = theApp.m_pCurrentDoc->m_pCurrentEntry;
    e->m_strRoot = "D:\\";
    e->m_strVolumeName = "MOVIES, 01";
    e->m_strFileSystem = "NTFS";
    e->m_strRunTime = "2024/03/05 (Tue)  21:14:09";
    e->m_dwTotalGB = 3726;
    e->m_dwUsedGB = 2810;
    e->m_dwFreeGB = 916;
    Show(MODE_LIST, 0);
  }
  // A comparison of three items, shown in compare mode.
  void ShowComparison() {
    Add("src\\both.c", 3, "", {kListTime + 60, 10, 4}, {kListTime, 10, 3});
    Add("src\\new.c", 1, "", {kListTime, 5, 1});
    Add("src\\gone.c", 2, "", {}, {kListTime, 5, 1});
    Show(MODE_COMPARE, DISP_SAME | DISP_NEW | DISP_DELETED | DISP_DIFFERENT);
  }

  bool Enabled(UINT id) { return Frame()->IsMenuItemEnabled(id) != FALSE; }
  bool Marked(UINT id) { return Frame()->IsMenuItemChecked(id) != FALSE; }

  // The CSV viewer: a program that records its arguments.
  fs::path UseRecordingViewer() {
    fs::create_directories(tmp_ / "viewer dir");
    qvtest::WriteArgumentRecorder(tmp_ / "viewer dir" / "viewer", tmp_ / "viewer.args");
    theApp.m_strCmdExcel = "T:\\viewer dir\\viewer";
    theApp.m_bCmdAvailable[0] = TRUE;
    return tmp_ / "viewer.args";
  }
  fs::path CsvFile() const { return tmp_ / "temp" / kTempCsvName; }
};

// Every item of a popup: id and text (sub-menus as -1).
Strings PopupItems(CMenu* popup) {
  Strings items;
  for (UINT i = 0; i < popup->GetMenuItemCount(); ++i) {
    CString text;
    popup->GetMenuString(i, text, MF_BYPOSITION);
    items.push_back(std::to_string(popup->GetMenuItemID(static_cast<int>(i))) + " " + U8(text.View()));
  }
  return items;
}

TEST_F(FrameCommandsTest, MenuToolbarKeysAndPromptsAreThoseOfTheCommandTable) {
  ASSERT_TRUE(Start());
  CMenu* menu = Frame()->GetFrameMenu();
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->GetMenuItemCount(), 4u);
  EXPECT_EQ(PopupItems(menu->GetSubMenu(0)),
            (Strings{"57600 新規作成(&N)\tCtrl+N", "57601 開く(&O)...\tCtrl+O", "57603 上書き保存(&S)\tCtrl+S",
                     "57604 名前を付けて保存(&A)...", "0 ", "32773 ファイル情報(&I)", "0 ", "57616 最新のファイル", "0 ",
                     "57665 アプリケーションの終了(&X)"}));
  EXPECT_EQ(PopupItems(menu->GetSubMenu(1)),
            (Strings{"59392 ツールバー(&T)", "59393 ステータスバー(&S)", "0 ", "32798 操作(&O)", "32800 ファイル(&R)", "0 ",
                     "32801 ファイル情報リスト表示(&C)", "32817 ファイル修正コメント表示(&M)"}));
  EXPECT_EQ(PopupItems(menu->GetSubMenu(2)), (Strings{"32812 システム環境設定(&E)..."}));
  EXPECT_EQ(PopupItems(menu->GetSubMenu(3)), (Strings{"57664 バージョン情報  (&A)..."}));

  const std::vector<UINT> buttons{57600, 57601, 57603, 0,     32798, 32800, 0,     32801, 32817,
                                  0,     32809, 0,     32812, 0,     32837, 0,     32823, 57664};
  std::vector<UINT> shown;
  for (int i = 0; i < Frame()->m_wndToolBar.GetCount(); ++i) shown.push_back(Frame()->m_wndToolBar.GetItemID(i));
  EXPECT_EQ(shown, buttons);

  const qv::res::AcceleratorTable* keys = qv::res::FindAccelerators(IDR_MAINFRAME);
  ASSERT_NE(keys, nullptr);
  std::vector<std::tuple<UINT, BYTE, UINT>> accel;
  for (size_t i = 0; i < keys->count; ++i) accel.emplace_back(keys->items[i].key, keys->items[i].mods, keys->items[i].id);
  EXPECT_EQ(accel, (std::vector<std::tuple<UINT, BYTE, UINT>>{{'N', qv::res::kCtrl, 57600},
                                                              {'O', qv::res::kCtrl, 57601},
                                                              {'S', qv::res::kCtrl, 57603},
                                                              {VK_F1, 0, 57670},
                                                              {VK_F1, qv::res::kShift, 57669}}));

  // Prompts and tips ("prompt\ntip") of the commands the program names.
  const std::pair<UINT, const char*> strings[] = {
      {32798, "ファイル操作指定をします。\nファイル操作"},
      {32800, "ファイル情報表示をします。\nファイル情報"},
      {32801, "ファイル情報を状態表示します。\n状態表示"},
      {32802, "ファイル情報を日付表示します。\n日付表示"},
      {32803, "ファイル情報を詳細表示します。\n詳細表示"},
      {32804, "ファイル情報をバージョン表示します。\nバージョン表示"},
      {32806, "ファイル(NEW)の情報を表示します。\nファイル(NEW)"},
      {32807, "ファイル(OLD)の情報を表示します。\nファイル(OLD)"},
      {32808, "Zekora(ZEKFile)を起動します。\nZekora(ZEKFile)起動"},
      {32809, "DVDファイル情報をEXCEL表示します。\nDVDファイル情報のEXCEL表示"},
      {32810, "ファイルリストを抽出コピーします。\nファイルリスト抽出コピー"},
      {32812, "ファイル操作環境を設定します。\n環境設定"},
      {32823, "ファイルエクスプローラーを起動します。\nエクスプローラー"},
      {32824, "異なるファイルを表示\n異なるファイル"},
      {32825, "新規ファイルを表示\n新規ファイル"},
      {32826, "削除ファイルを表示\n削除ファイル"},
      {32827, "同じファイルを表示\n同じファイル"},
      {32837, "Quarvex取扱説明書を開きます。\nQuarvex取扱説明書"},
      {32844, "選択ファイルの抽出先フォルダを設定します。\n選択ファイル抽出先フォルダ設定"},
      {57664, "プログラムの情報、バージョンそして著作権を表示\nバージョン情報"},
      {57665, "アプリケーションを終了し、ファイルの保存を指示\n終了"},
      {57616, "指定のファイルを開く"},
      {32829, "ファイル(OLD)をコピーして修正無しの状態に戻す。"},
      {32786, "システム環境設定"},
  };
  for (const auto& [id, text] : strings) {
    const char* stored = qv::res::FindString(id);
    ASSERT_NE(stored, nullptr) << id;
    EXPECT_EQ(U8(stored), text) << id;
  }
  EXPECT_EQ(qv::res::FindString(ID_LIST_COMMENT), nullptr);
  EXPECT_EQ(U8(Frame()->m_wndToolBar.GetButtonTip(ID_EXPORT_CSV).View()), "DVDファイル情報のEXCEL表示");

  // The buttons as the mouse finds them, after the update rules have run
  // (32817 is disabled and enabled with the file view): the comment
  // button has no tip, its neighbour shows its own.
  auto* mw = qobject_cast<QMainWindow*>(qvtest::ui::WidgetOf(Frame()));
  ASSERT_NE(mw, nullptr);
  QToolBar* tools = mw->findChild<QToolBar*>();
  ASSERT_NE(tools, nullptr);
  const QList<QAction*> actions = tools->actions();
  ASSERT_EQ(actions.size(), static_cast<int>(buttons.size()));
  QWidget* comment = tools->widgetForAction(actions[8]);
  QWidget* state = tools->widgetForAction(actions[7]);
  ASSERT_NE(comment, nullptr);
  ASSERT_NE(state, nullptr);
  ShowComparison();
  Frame()->UpdateCommandUI(FALSE);
  Pump();
  EXPECT_TRUE(comment->isEnabled());
  auto hover = [](QWidget* button) {
    QToolTip::hideText();
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000));
    QHelpEvent event(QEvent::ToolTip, button->rect().center(), button->mapToGlobal(button->rect().center()));
    QCoreApplication::sendEvent(button, &event);
    const QString shown = QToolTip::isVisible() ? QToolTip::text() : QString();
    QToolTip::hideText();
    return shown;
  };
  EXPECT_EQ(hover(state), QString::fromUtf8("状態表示"));
  EXPECT_EQ(hover(comment), QString());
}

TEST_F(FrameCommandsTest, ViewAndSubModeCommandsFromMenuToolbarAndIds) {
  ShowComparison();
  CMainFrame* frame = Frame();
  // The toolbar's operation button, then the menu's file item.
  EXPECT_TRUE(frame->m_wndToolBar.PressButton(ID_VIEW_OPERATION));
  Pump();
  EXPECT_EQ(frame->m_nLayout, WM_SHOW_OPERATION_VIEW);
  EXPECT_TRUE(Marked(ID_VIEW_OPERATION));
  EXPECT_FALSE(Marked(ID_VIEW_FILE));
  EXPECT_TRUE(frame->ExecuteMenuCommand(ID_VIEW_FILE));
  Pump();
  EXPECT_EQ(frame->m_nLayout, WM_SHOW_FILE_VIEW);
  EXPECT_TRUE(Marked(ID_VIEW_FILE));

  // The comment view through the real 表示 menu.
  auto* mw = qobject_cast<QMainWindow*>(qvtest::ui::WidgetOf(frame));
  ASSERT_NE(mw, nullptr);
  QMenu* view = nullptr;
  for (QAction* a : mw->menuBar()->actions()) {
    if (a->text() == "表示(&V)") view = a->menu();
  }
  ASSERT_NE(view, nullptr);
  qvtest::ui::WhenPopupShows([](QWidget* popup) { qvtest::ui::ChooseMenuItem(popup, "ファイル修正コメント表示(M)"); });
  view->exec(QPoint(10, 10));
  Pump();
  EXPECT_EQ(frame->m_nListMode, SUBMODE_COMMENT);
  EXPECT_EQ(theApp.m_nListMode, SUBMODE_COMMENT);
  EXPECT_EQ(List().GetColumnCount(), 2);
  EXPECT_TRUE(Marked(ID_LIST_COMMENT));

  // The state view from its toolbar button.
  EXPECT_TRUE(frame->m_wndToolBar.PressButton(ID_LIST_STATE));
  EXPECT_EQ(frame->m_nListMode, SUBMODE_STATE);
  EXPECT_EQ(List().GetColumnCount(), 5);

  // Date, detail and version have no item: their ids, as a menu sends them.
  const std::pair<UINT, int> modes[] = {{ID_LIST_DATE, SUBMODE_DATE},
                                        {ID_LIST_DETAIL, SUBMODE_DETAIL},
                                        {ID_LIST_VERSION, SUBMODE_VERSION}};
  for (const auto& [id, mode] : modes) {
    Command(id);
    EXPECT_EQ(frame->m_nListMode, mode);
    EXPECT_EQ(theApp.m_nListMode, mode);
    EXPECT_TRUE(Marked(id));
  }
  // The side follows its commands in the date and version views only.
  Command(ID_SIDE_OLD);
  EXPECT_EQ(frame->m_nListSide, SIDE_OLD);
  EXPECT_EQ(theApp.m_nListSide, SIDE_OLD);
  EXPECT_TRUE(Marked(ID_SIDE_OLD));
  EXPECT_FALSE(Marked(ID_SIDE_NEW));
  EXPECT_EQ(List().GetColumnCount(), 5);  // the columns stay
  for (UINT id : {ID_LIST_STATE, ID_LIST_DETAIL, ID_LIST_COMMENT}) {
    Command(id);
    EXPECT_FALSE(Enabled(ID_SIDE_NEW)) << id;
    EXPECT_FALSE(Enabled(ID_SIDE_OLD)) << id;
    // A disabled command does nothing, also when its id arrives.
    Command(ID_SIDE_NEW);
    EXPECT_EQ(frame->m_nListSide, SIDE_OLD) << id;
  }
  Command(ID_LIST_DATE);
  Command(ID_SIDE_NEW);
  EXPECT_EQ(frame->m_nListSide, SIDE_NEW);

  // Keys: F1 and Shift+F1 are help (nothing to show); Ctrl+S saves.
  EXPECT_TRUE(frame->ExecuteAccelerator(VK_F1, 0));
  EXPECT_TRUE(frame->ExecuteAccelerator(VK_F1, qv::res::kShift));
  EXPECT_EQ(frame->m_nLayout, WM_SHOW_FILE_VIEW);
}

TEST_F(FrameCommandsTest, UpdateRulesFollowTheLayoutTheModeAndTheSubMode) {
  ShowComparison();
  CMainFrame* frame = Frame();
  const UINT fileLayoutOnly[] = {ID_LIST_STATE,  ID_LIST_DATE,    ID_LIST_DETAIL,           ID_LIST_VERSION,
                                 ID_LIST_COMMENT, ID_EXPORT_CSV, ID_EXTRACT_COPY, ID_EXTRACT_FOLDER_SETTING};
  for (UINT id : fileLayoutOnly) EXPECT_TRUE(Enabled(id)) << id;
  EXPECT_TRUE(Marked(ID_LIST_STATE));
  EXPECT_FALSE(Marked(ID_LIST_DATE));
  // Display filter in compare mode: each bit its mark.
  theApp.m_nDispMode = DISP_DIFFERENT | DISP_NEW;
  EXPECT_TRUE(Marked(ID_SHOW_DIFF_FILES));
  EXPECT_TRUE(Marked(ID_SHOW_NEW_FILES));
  EXPECT_FALSE(Marked(ID_SHOW_DELETED_FILES));
  EXPECT_FALSE(Marked(ID_SHOW_SAME_FILES));
  for (UINT id : {ID_SHOW_DIFF_FILES, ID_SHOW_NEW_FILES, ID_SHOW_DELETED_FILES, ID_SHOW_SAME_FILES}) {
    EXPECT_TRUE(Enabled(id)) << id;
  }

  frame->ExecuteMenuCommand(ID_VIEW_OPERATION);
  Pump();
  for (UINT id : fileLayoutOnly) EXPECT_FALSE(Enabled(id)) << id;
  EXPECT_FALSE(Enabled(ID_SIDE_NEW));
  EXPECT_FALSE(frame->m_wndToolBar.PressButton(ID_EXPORT_CSV));
  EXPECT_FALSE(fs::exists(CsvFile()));
  Command(ID_LIST_DATE);
  EXPECT_EQ(frame->m_nListMode, SUBMODE_STATE);
  EXPECT_TRUE(Enabled(ID_VIEW_FILE));

  // A DDE path command forgets the shown file information: no file view.
  std::string data = "NEW_PATH_SET    T:\\x";
  data.resize(64, '\0');
  frame->SendMessage(WM_DDE_PATH_COMMAND, 0, reinterpret_cast<LPARAM>(data.data()));
  EXPECT_NE(theApp.m_pCurrentDoc->m_pCurrentEntry->m_pRecordList, nullptr);
  EXPECT_FALSE(Enabled(ID_VIEW_FILE));
  EXPECT_FALSE(frame->ExecuteMenuCommand(ID_VIEW_FILE));

  // List mode: the display-filter commands are off and do nothing.
  frame->m_nMode = MODE_LIST;
  const int bits = theApp.m_nDispMode;
  for (UINT id : {ID_SHOW_DIFF_FILES, ID_SHOW_NEW_FILES, ID_SHOW_DELETED_FILES, ID_SHOW_SAME_FILES}) {
    EXPECT_FALSE(Enabled(id)) << id;
    Command(id);
  }
  EXPECT_EQ(theApp.m_nDispMode, bits);
}

TEST_F(FrameCommandsTest, DisplayFilterCommandsToggleTheirBitsAndRefill) {
  ShowComparison();
  EXPECT_EQ(List().GetItemCount(), 3);
  const int before = theApp.m_nDispMode;
  Command(ID_SHOW_DIFF_FILES);
  EXPECT_EQ(theApp.m_nDispMode, before & ~DISP_DIFFERENT);
  EXPECT_EQ(ColumnTexts(0), (Strings{"gone.c", "new.c"}));
  EXPECT_FALSE(Marked(ID_SHOW_DIFF_FILES));
  Command(ID_SHOW_DIFF_FILES);
  EXPECT_EQ(theApp.m_nDispMode, before);
  EXPECT_EQ(List().GetItemCount(), 3);
  // The refill rebuilds the columns of the sub-mode and selects every row.
  Command(ID_LIST_COMMENT);
  Command(ID_SHOW_SAME_FILES);
  EXPECT_EQ(List().GetColumnCount(), 2);
  EXPECT_EQ(List().GetSelectedCount(), 3u);

  // In the operation layout the form reads the entry again.
  Frame()->ExecuteMenuCommand(ID_VIEW_OPERATION);
  Pump();
  theApp.m_pCurrentDoc->m_pCurrentEntry->m_strComment = Cp("新しいコメント").c_str();
  Command(ID_SHOW_NEW_FILES);
  EXPECT_EQ(qvtest::ui::ShownText(Frame()->m_pOperationForm->GetDlgItem(IDC_EDIT_COMMENT)), "新しいコメント");
}

TEST_F(FrameCommandsTest, TheListModeCsvStartsWithTheDriveAndReadsBackWhole) {
  ShowCatalogue();
  const fs::path args = UseRecordingViewer();
  CMainFrame* frame = Frame();
  ASSERT_TRUE(frame->m_wndToolBar.PressButton(ID_EXPORT_CSV));
  EXPECT_EQ(qvtest::RecordedArguments(args), (Strings{CsvFile().string()}));

  const auto rows = qvtest::ReadCsvWithPython(CsvFile());
  ASSERT_EQ(rows.size(), 5u);
  auto u8 = [](const std::vector<std::string>& row) {
    Strings out;
    for (const auto& f : row) out.push_back(U8(f));
    return out;
  };
  EXPECT_EQ(u8(rows[0]), (Strings{"Drv", "ボリューム名称", "ファイルシステム", "作成日時", "総容量(GB)", "使用量(GB)",
                                  "空き容量(GB)", "DVD枚数"}));
  EXPECT_EQ(u8(rows[1]), (Strings{"D:\\", "MOVIES, 01", "NTFS", "2024/03/05 (Tue)  21:14:09", " 3726", " 2810", "  916",
                                  "    2 "}));
  EXPECT_EQ(u8(rows[2]), (Strings{"No.", "ＤＶＤ格納フォルダ", "ＤＶＤタイトル", "日付", "ＤＶＤコメント"}));
  // Rows in the entry's order, not the list's.
  EXPECT_EQ(u8(rows[3]), (Strings{"1", "映画", "Casablanca", "2024/03/05 (Tue)  21:14:09", "名作, 二枚組"}));
  EXPECT_EQ(u8(rows[4]), (Strings{"2", "", "Trip \"2021\"", "2024/03/05 (Tue)  21:15:09", "家族\r\n旅行"}));
  const std::string bytes = qvtest::ReadFile(CsvFile());
  EXPECT_EQ(bytes.find(Cp("Drv,ボリューム名称,ファイルシステム,作成日時,総容量(GB),使用量(GB),空き容量(GB),DVD枚数\r\n")), 0u);
  EXPECT_NE(bytes.find("D:\\,\"MOVIES, 01\",NTFS,2024/03/05 (Tue)  21:14:09, 3726, 2810,  916,    2 \r\n"),
            std::string::npos);
}

TEST_F(FrameCommandsTest, TheCompareCsvHasOneHeaderAndOpensAlsoWhenEmpty) {
  ShowComparison();
  const fs::path args = UseRecordingViewer();
  // An entry name far beyond any fixed buffer changes nothing.
  theApp.m_pCurrentDoc->m_pCurrentEntry->m_strName = CString('N', 5000);
  Command(ID_SHOW_SAME_FILES);
  Command(ID_SHOW_NEW_FILES);
  Command(ID_SHOW_DELETED_FILES);
  Command(ID_SHOW_DIFF_FILES);
  ASSERT_EQ(List().GetItemCount(), 0);
  Command(ID_EXPORT_CSV);
  EXPECT_EQ(qvtest::RecordedArguments(args), (Strings{CsvFile().string()}));
  EXPECT_EQ(U8(qvtest::ReadFile(CsvFile())),
            "No.,ファイル名称,行数(OLD),行数(NEW),日付(OLD),サイズ(OLD),日付(NEW),サイズ(NEW),フォルダ名称,修正コメント\r\n");

  (fs::remove)(args);
  Command(ID_SHOW_NEW_FILES);
  Command(ID_EXPORT_CSV);
  qvtest::RecordedArguments(args);
  const auto rows = qvtest::ReadCsvWithPython(CsvFile());
  ASSERT_EQ(rows.size(), 2u);
  ASSERT_EQ(rows[1].size(), 10u);
  EXPECT_EQ(rows[1][0], "1");
  EXPECT_EQ(rows[1][1], "new.c");
  EXPECT_EQ(rows[1][2], "0");
  EXPECT_EQ(rows[1][3], "1");
  EXPECT_EQ(U8(rows[1][4]), "--- 新規作成された ---");
  EXPECT_EQ(rows[1][5], "0");
  EXPECT_EQ(rows[1][6], "2024/03/05 (Tue)  21:14:09");
  EXPECT_EQ(rows[1][7], "5");
  EXPECT_EQ(rows[1][8], "src");
  EXPECT_EQ(rows[1][9], "");
  EXPECT_TRUE(people_.Calls().empty());
}

TEST_F(FrameCommandsTest, ACsvFileThatCannotBeWrittenIsNeverShown) {
  ShowCatalogue();
  // A viewer that is not there: starting it would be told too.
  theApp.m_strCmdExcel = "T:\\no viewer";
  theApp.m_bCmdAvailable[0] = TRUE;
  // A file size limit of a few bytes fails the writes as a full disk does
  // (the temporary file is never written through a link, so a link to
  // /dev/full cannot stand in for one).
  struct rlimit limit {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
  const rlim_t oldLimit = limit.rlim_cur;
  limit.rlim_cur = 16;
  const auto oldSignal = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  people_.QueueAnswer(IDOK);
  Command(ID_EXPORT_CSV);
  limit.rlim_cur = oldLimit;
  setrlimit(RLIMIT_FSIZE, &limit);
  signal(SIGXFSZ, oldSignal);
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(U8(people_.Calls()[0].text),
            "ファイル名称：" + U8(theApp.m_strTempDir.View()) + "\\Z_E_K_wc_temp.csv\n上記ファイルの書き込みに失敗しました。");

  // A TEMP folder that is not there: the open failure, nothing started.
  (fs::remove)(CsvFile());
  fs::remove_all(tmp_ / "temp");
  people_.QueueAnswer(IDOK);
  Command(ID_EXPORT_CSV);
  ASSERT_EQ(people_.Calls().size(), 2u);
  EXPECT_NE(U8(people_.Calls()[1].text).find("上記ファイルのオープンに失敗しました。"), std::string::npos);
}

TEST_F(FrameCommandsTest, ACsvFileNothingCanOpenIsNamed) {
  ShowCatalogue();
  // No viewer set, and no opener of the desktop on the path.
  fs::create_directories(tmp_ / "no programs");
  qvtest::EnvVar path{"PATH", (tmp_ / "no programs").c_str()};
  theApp.m_strCmdExcel.Empty();
  theApp.m_bCmdAvailable[0] = FALSE;
  people_.QueueAnswer(IDOK);
  ASSERT_TRUE(Frame()->m_wndToolBar.PressButton(ID_EXPORT_CSV));
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(U8(people_.Calls()[0].text), "ファイル名称：" + U8(theApp.m_strTempDir.View()) +
                                             "\\Z_E_K_wc_temp.csv\n上記ファイルを開くプログラムがありません。\n"
                                             "ﾕｰﾃｨﾘﾃｨ(U)-環境設定(E)...の「DVDファイル情報表示プロラグム」を設定して下さい。");
  EXPECT_TRUE(fs::exists(CsvFile()));
}

TEST_F(FrameCommandsTest, ExternalProgramsStartWithQuotedPaths) {
  ASSERT_TRUE(Start());
  CMainFrame* frame = Frame();
  fs::create_directories(tmp_ / "my tools");
  qvtest::WriteArgumentRecorder(tmp_ / "my tools" / "explorer", tmp_ / "explorer.args");
  qvtest::WriteArgumentRecorder(tmp_ / "my tools" / "zek file", tmp_ / "zekfile.args");

  theApp.m_strZekFileExe = "T:\\my tools\\missing";
  theApp.m_strExplorerExe = "T:\\my tools";  // a folder, not a program
  EXPECT_FALSE(Enabled(ID_RUN_ZEKFILE));
  EXPECT_FALSE(Enabled(ID_EXPLORER));
  EXPECT_FALSE(frame->m_wndToolBar.PressButton(ID_EXPLORER));

  theApp.m_strZekFileExe = "T:\\my tools\\zek file";
  theApp.m_strExplorerExe = "T:\\my tools\\explorer";
  theApp.m_strExtractPath = "T:\\out folder";
  EXPECT_TRUE(Enabled(ID_RUN_ZEKFILE));
  EXPECT_TRUE(Enabled(ID_EXPLORER));
  Command(ID_RUN_ZEKFILE);
  EXPECT_EQ(qvtest::RecordedArguments(tmp_ / "zekfile.args"), Strings{});
  EXPECT_TRUE(fs::exists(tmp_ / "zekfile.args"));
  ASSERT_TRUE(frame->m_wndToolBar.PressButton(ID_EXPLORER));
  EXPECT_EQ(qvtest::RecordedArguments(tmp_ / "explorer.args"), (Strings{(tmp_ / "out folder").string()}));
  // An extraction path that names a file opens the explorer alone.
  (fs::remove)(tmp_ / "explorer.args");
  qvtest::WriteFile(tmp_ / "out folder", "a file");
  Command(ID_EXPLORER);
  EXPECT_EQ(qvtest::RecordedArguments(tmp_ / "explorer.args"), Strings{});

  // The manual: the button needs the .pdf; the command opens the first of
  // .pdf, .doc, .docx through the desktop.
  fs::create_directories(tmp_ / "bin");
  qvtest::WriteArgumentRecorder(tmp_ / "bin" / "xdg-open", tmp_ / "opener.args");
  qvtest::EnvVar path{"PATH", ((tmp_ / "bin").string() + ":/usr/bin:/bin").c_str()};
  const fs::path manual = ProgramDir() / "Quarvex取扱説明書";
  qvtest::WriteFile(manual.string() + ".docx", "doc");
  EXPECT_FALSE(Enabled(ID_OPEN_MANUAL));
  EXPECT_FALSE(frame->m_wndToolBar.PressButton(ID_OPEN_MANUAL));
  qvtest::WriteFile(manual.string() + ".pdf", "pdf");
  EXPECT_TRUE(Enabled(ID_OPEN_MANUAL));
  ASSERT_TRUE(frame->m_wndToolBar.PressButton(ID_OPEN_MANUAL));
  EXPECT_EQ(qvtest::RecordedArguments(tmp_ / "opener.args"), (Strings{manual.string() + ".pdf"}));
}

// Templates standing in for the extraction dialogs: a root edit (1269) and
// the two buttons.
const qv::res::DialogItem kExtractItems[] = {
    {1269, qv::res::Ctl::Edit, "", 10, 10, 200, 12},
    {IDOK, qv::res::Ctl::DefPushButton, "OK", 10, 30, 50, 14},
    {IDCANCEL, qv::res::Ctl::PushButton, "Cancel", 70, 30, 50, 14},
};
const qv::res::DialogTemplate kExtractCopy = {IDD_FORMDLG, "copy", 230, 50, "ＭＳ Ｐゴシック", 10,
                                              WS_POPUP | WS_CAPTION, kExtractItems, std::size(kExtractItems)};
const qv::res::DialogTemplate kExtractSel = {IDD_FORMDLG_SEL, "sel", 230, 50, "ＭＳ Ｐゴシック", 10,
                                             WS_POPUP | WS_CAPTION, kExtractItems, std::size(kExtractItems)};

TEST_F(FrameCommandsTest, ExtractionDialogsGetTheShownRecordsAsACopy) {
  ShowCatalogue();
  CMainFrame* frame = Frame();
  theApp.m_strExtractPath = "T:\\extract";

  const qv::res::ResourceSet* full = qv::res::Installed();
  std::vector<const qv::res::DialogTemplate*> dialogs(full->dialogs, full->dialogs + full->dialogCount);
  if (qv::res::FindDialog(IDD_FORMDLG) == nullptr) dialogs.push_back(&kExtractCopy);
  if (qv::res::FindDialog(IDD_FORMDLG_SEL) == nullptr) dialogs.push_back(&kExtractSel);
  qv::res::ResourceSet withDialogs = *full;
  withDialogs.dialogs = dialogs.data();
  withDialogs.dialogCount = dialogs.size();
  qv::res::Install(&withDialogs);

  // Cancel: nothing stored, the list stays.
  people_.QueueDialog(IDCANCEL);
  Command(ID_EXTRACT_COPY);
  Pump();
  EXPECT_EQ(frame->m_nLayout, WM_SHOW_FILE_VIEW);
  EXPECT_EQ(people_.Calls().back().dialogName, "CFORMDLG");

  // Done: the root is kept and the operation view comes back. The dialog
  // has its own list of the shown records and the frame's folders.
  bool inspected = false;
  people_.QueueDrive([&](CWnd* dlg) {
    auto* copy = dynamic_cast<CFORMDLG*>(dlg);
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy->m_pRecords, nullptr);
    EXPECT_NE(copy->m_pRecords, &frame->m_listShownRecords);
    EXPECT_EQ(copy->m_pRecords->GetCount(), 2);
    EXPECT_EQ(copy->m_pRecords->GetHead(), frame->m_listShownRecords.GetHead());
    EXPECT_EQ(copy->m_pOldSrcDir, &frame->m_strOldPath);
    EXPECT_EQ(copy->m_pNewSrcDir, &frame->m_strNewPath);
    EXPECT_EQ(copy->m_pDoc, theApp.m_pCurrentDoc);
    EXPECT_EQ(copy->m_nMakeFlags, 7);
    EXPECT_EQ(copy->m_strRoot, "T:\\extract");
    // A refill while the dialog is open leaves its list alone.
    frame->m_listShownRecords.RemoveAll();
    EXPECT_EQ(copy->m_pRecords->GetCount(), 2);
    copy->m_strRoot = "T:\\chosen";
    inspected = true;
    copy->EndDialog(IDOK);
  });
  Command(ID_EXTRACT_COPY);
  Pump();
  EXPECT_TRUE(inspected);
  EXPECT_EQ(theApp.m_strExtractPath, "T:\\chosen");
  EXPECT_EQ(frame->m_nLayout, WM_SHOW_OPERATION_VIEW);

  // The application's folder dialog: its root is kept after OK, and it
  // keeps no pointer to the list it was given.
  frame->ExecuteMenuCommand(ID_VIEW_FILE);
  Pump();
  people_.QueueDrive([&](CWnd* dlg) {
    auto* sel = dynamic_cast<CFORMDLG_SEL*>(dlg);
    ASSERT_NE(sel, nullptr);
    EXPECT_EQ(sel->m_pRecords->GetCount(), 2);
    sel->m_strRoot = "T:\\folders";
    sel->EndDialog(IDOK);
  });
  Command(ID_EXTRACT_FOLDER_SETTING);
  EXPECT_EQ(theApp.m_strExtractPath, "T:\\folders");
  EXPECT_EQ(theApp.m_dlgExtractSel.m_pRecords, nullptr);
  EXPECT_EQ(frame->m_nLayout, WM_SHOW_FILE_VIEW);
  qv::res::Install(full);
}

TEST_F(FrameCommandsTest, FileInfoShowsTheDocumentHeader) {
  ASSERT_TRUE(Start());
  CZEKHeader& header = theApp.m_pCurrentDoc->m_Header;
  header.m_wMajor = 1;
  header.m_wMinor = 2;
  header.m_wBuild = 13;
  header.m_strCreateTime = "2024/03/01 (Fri)  09:15:42";
  header.m_strSaveTime = "2024/03/05 (Tue)  18:02:07";
  header.m_strUser = "yamada";
  header.m_strBanner = Cp("Quarvex 文書").c_str();
  people_.QueueDrive([](CWnd* dlg) {
    auto* info = dynamic_cast<CFILE_INFO*>(dlg);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(qvtest::ui::ShownText(info->GetDlgItem(1100)), "Ver.1.213");
    EXPECT_EQ(qvtest::ui::ShownText(info->GetDlgItem(1096)), "2024/03/01 (Fri)  09:15:42");
    EXPECT_EQ(qvtest::ui::ShownText(info->GetDlgItem(1098)), "2024/03/05 (Tue)  18:02:07");
    EXPECT_EQ(qvtest::ui::ShownText(info->GetDlgItem(1102)), "yamada");
    EXPECT_EQ(qvtest::ui::ShownText(info->GetDlgItem(1107)), "Quarvex 文書");
    dlg->SendMessage(WM_COMMAND, IDOK);
  });
  EXPECT_TRUE(Frame()->ExecuteMenuCommand(ID_FILE_INFO));
}

}  // namespace
