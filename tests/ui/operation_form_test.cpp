// The operation form driven as a person would: folders typed, dropped and
// browsed for, runs on a small real tree, the comment and folder edits that
// keep or drop the entry's records, the two opener buttons, and a document
// with over-long fields.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>

#include <filesystem>
#include <chrono>
#include <memory>
#include <thread>
#include <string>

#include "support/app_fixture.h"
#include "records/EnvLabel.h"
#include "records/FileTypeProfile.h"
#include "res/resource.h"
#include "ui/FilterDialogs.h"
#include "ui/OperationForm.h"
#include "ui/TitleForm.h"

namespace fs = std::filesystem;

namespace {

using qvtest::Cp;
using qvtest::ui::Click;
using qvtest::ui::Control;
using qvtest::ui::Pump;
using qvtest::ui::ShownText;
using qvtest::ui::Type;

class OperationFormTest : public qvtest::AppTest {
 protected:
  COperation_Form* Form() { return Frame() ? Frame()->m_pOperationForm : nullptr; }
  CZEKEnv_Label* Entry() { return theApp.m_pCurrentDoc ? theApp.m_pCurrentDoc->m_pCurrentEntry : nullptr; }

  // The operation layout of the mode (the frame rebuilds its forms).
  void ShowOperation(int mode) {
    theApp.m_nAppMode = mode;
    Frame()->m_nMode = mode;
    Frame()->PostMessage(WM_SHOW_OPERATION_VIEW);
    Pump();
  }

  // Waits (at most five seconds) for a started program to write its file.
  static void WaitForFile(const fs::path& file) {
    for (int i = 0; i < 500 && !(fs::exists(file) && fs::file_size(file) > 0); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  // A storage folder with DVD folders (each holding VIDEO_TS) and a plain
  // folder that is no DVD.
  void MakeDvdTree(const std::string& root) {
    for (const char* dvd : {"movies/夏の旅", "movies/冬/雪山", "concert"}) {
      fs::create_directories(tmp_ / (root + "/" + dvd + "/VIDEO_TS"));
      qvtest::WriteFile(tmp_ / (root + "/" + dvd + "/VIDEO_TS/VTS_01_1.VOB"), "video");
    }
    fs::create_directories(tmp_ / (root + "/notes"));
  }

  // A list-mode run on T:\<root> typed into the drive field.
  void RunOn(const std::string& root) {
    Type(Form(), IDC_EDIT_OLD, "T:\\" + root);
    Click(Form(), IDC_RUN);
    Pump();
  }
};

TEST_F(OperationFormTest, TypedDriveRunsAndOnlyAFolderChangeDropsTheRecords) {
  ASSERT_TRUE(Start());
  MakeDvdTree("disk1");
  RunOn("disk1");
  // The file view was asked for and the entry holds the three DVD folders.
  CMainFrame* frame = Frame();
  EXPECT_EQ(frame->m_nLayout, WM_SHOW_FILE_VIEW);
  ASSERT_NE(Entry()->m_pRecordList, nullptr);
  EXPECT_EQ(Entry()->m_pRecordList->GetCount(), 3);
  EXPECT_EQ(std::string(Entry()->m_strOldPath.GetString()), "T:\\disk1");
  EXPECT_TRUE(theApp.m_bFileInfoCreated);
  EXPECT_EQ(frame->m_pRecordList, Entry()->m_pRecordList);

  // Back on the form, a new comment on the catalogued disk keeps its
  // catalogue; the document is changed all the same.
  theApp.m_pCurrentDoc->SetModifiedFlag(FALSE);
  ShowOperation(MODE_LIST);
  Type(Form(), IDC_EDIT_COMMENT, "外付けディスク１\n棚の上");
  frame->PostMessage(WM_SHOW_FILE_VIEW);
  Pump();
  ASSERT_NE(Entry()->m_pRecordList, nullptr);
  EXPECT_EQ(Entry()->m_pRecordList->GetCount(), 3);
  EXPECT_EQ(std::string(Entry()->m_strComment.GetString()), Cp("外付けディスク１\r\n棚の上"));
  EXPECT_TRUE(theApp.m_pCurrentDoc->IsModified());

  // Another drive makes the results stale: they go, and so do the frame's
  // references to them.
  ShowOperation(MODE_LIST);
  Type(Form(), IDC_EDIT_OLD, "T:\\disk2");
  frame->PostMessage(WM_SHOW_FILE_VIEW);
  Pump();
  EXPECT_EQ(Entry()->m_pRecordList, nullptr);
  EXPECT_EQ(Entry()->m_pTotals, nullptr);
  EXPECT_EQ(Entry()->m_nState, 0);
  EXPECT_EQ(frame->m_pRecordList, nullptr);
  EXPECT_EQ(frame->m_listShownRecords.GetCount(), 0);
}

TEST_F(OperationFormTest, TheDocumentsNoticeKeepsTheDateAndAnotherDiffFolderDropsTheRecords) {
  ASSERT_TRUE(Start());
  // The form as a view of the document (the frame builds its forms without
  // one): the document's update notice brings the entry's fields but
  // leaves the date as it stands; a refresh of the views shows the entry's
  // date.
  theApp.m_pCurrentDoc->AddView(Form());
  CWnd* date = Form()->GetDlgItem(IDC_STATIC_DATE);
  const std::string shownDate = ShownText(date);
  EXPECT_EQ(shownDate, "－－未作成－－");
  Entry()->m_strRunTime = "2030/01/02 (Wed)  03:04:05";
  Entry()->m_strComment = "notice";
  theApp.m_pCurrentDoc->UpdateAllViews(nullptr);
  EXPECT_EQ(ShownText(Form()->GetDlgItem(IDC_EDIT_COMMENT)), "notice");
  EXPECT_EQ(ShownText(date), shownDate);
  Frame()->RefreshViews();
  EXPECT_EQ(ShownText(date), "2030/01/02 (Wed)  03:04:05");

  // Only the DIFF folder changed after a run: the records made with the
  // old one go.
  MakeDvdTree("disk1");
  RunOn("disk1");
  ASSERT_NE(Entry()->m_pRecordList, nullptr);
  ShowOperation(MODE_COMPARE);
  EXPECT_EQ(ShownText(Form()->GetDlgItem(IDC_STATIC_DATE)), std::string(Entry()->m_strRunTime.GetString()));
  Type(Form(), IDC_EDIT_DIFF, "T:\\other work");
  Frame()->PostMessage(WM_SHOW_FILE_VIEW);
  Pump();
  EXPECT_EQ(std::string(Entry()->m_strDiffPath.GetString()), "T:\\other work");
  EXPECT_EQ(Entry()->m_pRecordList, nullptr);
  EXPECT_EQ(Entry()->m_nState, 0);
  EXPECT_EQ(Frame()->m_pRecordList, nullptr);
}

TEST_F(OperationFormTest, EnterInAOneLineFieldRunsAndTheCommentKeepsItsLines) {
  ASSERT_TRUE(Start());
  MakeDvdTree("disk1");
  auto* run = qobject_cast<QPushButton*>(Control(Form(), IDC_RUN));
  ASSERT_NE(run, nullptr);
  EXPECT_TRUE(run->isDefault());
  // Enter in the comment makes its next line and starts nothing.
  Type(Form(), IDC_EDIT_OLD, "T:\\disk1");
  Type(Form(), IDC_EDIT_COMMENT, "一行目\n二行目");
  Pump();
  EXPECT_EQ(Frame()->m_nLayout, WM_SHOW_OPERATION_VIEW);
  EXPECT_EQ(Entry()->m_pRecordList, nullptr);
  EXPECT_EQ(ShownText(Form()->GetDlgItem(IDC_EDIT_COMMENT)), "一行目\r\n二行目");
  // Enter in the drive field presses the run button.
  QWidget* drive = Control(Form(), IDC_EDIT_OLD);
  drive->setFocus();
  qvtest::ui::Key(drive, Qt::Key_Return);
  Pump();
  EXPECT_EQ(Frame()->m_nLayout, WM_SHOW_FILE_VIEW);
  ASSERT_NE(Entry()->m_pRecordList, nullptr);
  EXPECT_EQ(Entry()->m_pRecordList->GetCount(), 3);
  EXPECT_EQ(std::string(Entry()->m_strComment.GetString()), Cp("一行目\r\n二行目"));
}

TEST_F(OperationFormTest, AFolderTypedInLinuxFormIsTheDriveItLiesOn) {
  ASSERT_TRUE(Start());
  MakeDvdTree("disk1");
  RunOn("disk1");
  const CString root = Entry()->m_strRoot;
  const CString fileSystem = Entry()->m_strFileSystem;
  EXPECT_EQ(root, "T:\\");

  // The same folder typed as a Linux path: the same drive information, and
  // the field shows the drive form the entry keeps.
  ShowOperation(MODE_LIST);
  Type(Form(), IDC_EDIT_OLD, (tmp_ / "disk1").string() + "/");
  Click(Form(), IDC_RUN);
  Pump();
  ASSERT_NE(Entry()->m_pRecordList, nullptr);
  EXPECT_EQ(Entry()->m_pRecordList->GetCount(), 3);
  EXPECT_EQ(std::string(Entry()->m_strOldPath.GetString()), "T:\\disk1\\");
  EXPECT_EQ(Entry()->m_strRoot, root);
  EXPECT_EQ(Entry()->m_strFileSystem, fileSystem);
  EXPECT_FALSE(fileSystem.IsEmpty());

  // Typed and left without a run: the entry and the edit take the drive form.
  ShowOperation(MODE_LIST);
  Type(Form(), IDC_EDIT_OLD, (tmp_ / "表示").string());
  Frame()->PostMessage(WM_SHOW_FILE_VIEW);
  Pump();
  EXPECT_EQ(std::string(Entry()->m_strOldPath.GetString()), Cp("T:\\表示"));
}

// Records what the frame still refers to while the run asks its question.
class WatchingPeople : public qvtest::ScriptedPeople {
 public:
  int Message(const qv::MessageRequest& request) override {
    if (CMainFrame* frame = GetMainFrame()) {
      frameRecords = frame->m_pRecordList;
      shownRows = frame->m_listShownRecords.GetCount();
    }
    return qvtest::ScriptedPeople::Message(request);
  }
  CObList* frameRecords = reinterpret_cast<CObList*>(1);
  INT_PTR shownRows = -1;
};

TEST_F(OperationFormTest, ARunOnTheSameFoldersForgetsTheShownRecordsBeforeItAsks) {
  ASSERT_TRUE(Start());
  MakeDvdTree("disk1");
  RunOn("disk1");
  CObList* first = Entry()->m_pRecordList;
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(Frame()->m_pRecordList, first);
  // The rows the list shows point into the records.
  Frame()->m_listShownRecords.AddTail(first->GetHead());

  ShowOperation(MODE_LIST);
  {
    WatchingPeople watching;
    watching.QueueAnswer(IDNO);  // keep the results
    Click(Form(), IDC_RUN);
    Pump();
    ASSERT_EQ(watching.Calls().size(), 1u);
    EXPECT_EQ(watching.frameRecords, nullptr);
    EXPECT_EQ(watching.shownRows, 0);
  }
  // Declined: the entry and the frame hold the old results again.
  EXPECT_EQ(Entry()->m_pRecordList, first);
  EXPECT_EQ(Frame()->m_pRecordList, first);
  EXPECT_EQ(Frame()->m_nLayout, WM_SHOW_OPERATION_VIEW);
}

TEST_F(OperationFormTest, DroppedAndBrowsedFoldersBecomeTheFieldText) {
  ASSERT_TRUE(Start());
  ShowOperation(MODE_COMPARE);
  fs::create_directories(tmp_ / "a");
  fs::create_directories(tmp_ / "b");
  fs::create_directories(tmp_ / "表示");

  // A real drop of three folders: the last one stays.
  qvtest::ui::DropFiles(Control(Form(), IDC_EDIT_NEW),
                        {(tmp_ / "a").string(), (tmp_ / "b").string(), (tmp_ / "表示").string()});
  EXPECT_EQ(ShownText(Form()->GetDlgItem(IDC_EDIT_NEW)), "T:\\表示");
  // A name code page 932 cannot hold is refused with the layer's message;
  // the field keeps what it had.
  fs::create_directories(tmp_ / "café");
  people_.QueueAnswer(IDOK);
  qvtest::ui::DropFiles(Control(Form(), IDC_EDIT_NEW), {(tmp_ / "café").string()});
  EXPECT_EQ(ShownText(Form()->GetDlgItem(IDC_EDIT_NEW)), "T:\\表示");
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_NE(people_.Calls()[0].text.find(Cp("café").substr(0, 3)), std::string::npos);

  // Browsing opens at the field's text; what was typed elsewhere stays.
  Type(Form(), IDC_EDIT_OLD, "T:\\a");
  Type(Form(), IDC_EDIT_DIFF, "T:\\b");
  people_.ClearCalls();
  people_.QueueFolder("T:\\b");
  Click(Form(), IDC_BROWSE_OLD);
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(people_.Calls()[0].initialPath, "T:\\a");
  EXPECT_EQ(people_.Calls()[0].title, Cp("修正前フォリダ(OLD)選択"));
  EXPECT_EQ(ShownText(Form()->GetDlgItem(IDC_EDIT_OLD)), "T:\\b");
  EXPECT_EQ(ShownText(Form()->GetDlgItem(IDC_EDIT_NEW)), "T:\\表示");
  EXPECT_EQ(ShownText(Form()->GetDlgItem(IDC_EDIT_DIFF)), "T:\\b");

  // Cancelled: the field keeps its text.
  people_.QueueFolderCancel();
  Click(Form(), IDC_BROWSE_DIFF);
  EXPECT_EQ(people_.Calls().back().title, Cp("作業フォルダ(DIFF)選択"));
  EXPECT_EQ(ShownText(Form()->GetDlgItem(IDC_EDIT_DIFF)), "T:\\b");

  // A text of 260 bytes or more starts the picker at its default folder.
  const std::string longFolder = "T:\\" + std::string(300, 'x');
  Type(Form(), IDC_EDIT_NEW, longFolder);
  people_.QueueFolder("T:\\a");
  Click(Form(), IDC_BROWSE_NEW);
  EXPECT_EQ(people_.Calls().back().initialPath, "");
  EXPECT_EQ(people_.Calls().back().title, Cp("修正後フォルダ(NEW)選択"));
  EXPECT_EQ(ShownText(Form()->GetDlgItem(IDC_EDIT_NEW)), "T:\\a");
}

TEST_F(OperationFormTest, TwoFilesAreShownByTheComparisonProgramInsteadOfARun) {
  ASSERT_TRUE(Start());
  ShowOperation(MODE_COMPARE);
  qvtest::WriteFile(tmp_ / "old.txt", "a");
  qvtest::WriteFile(tmp_ / "new.txt", "b");
  // Each program writes its name and arguments.
  for (const char* name : {"df", "windiff"}) {
    qvtest::WriteFile(tmp_ / (std::string(name) + ".sh"),
                      std::string("#!/bin/sh\necho ") + name + " \"$@\" > '" + (tmp_ / "ran.log").string() + "'\n");
    fs::permissions(tmp_ / (std::string(name) + ".sh"), fs::perms::owner_all);
  }
  theApp.m_strCmdDF = "T:\\df.sh";
  theApp.m_strCmdWindiff = "T:\\windiff.sh";
  Type(Form(), IDC_EDIT_OLD, "T:\\old.txt");
  Type(Form(), IDC_EDIT_NEW, "T:\\new.txt");
  struct Case {
    BOOL df, windiff;
    int opeMode;
    const char* ran;  // null: the message instead
  };
  const Case cases[] = {{FALSE, FALSE, 0, nullptr},
                        {FALSE, TRUE, 0, "windiff"},
                        {TRUE, FALSE, 1, "windiff"},
                        {TRUE, TRUE, 0, "df"}};
  const std::string args = " " + (tmp_ / "old.txt").string() + " " + (tmp_ / "new.txt").string() + "\n";
  for (const Case& c : cases) {
    std::error_code ec;
    fs::remove(tmp_ / "ran.log", ec);
    theApp.m_bCmdAvailable[2] = c.df;
    theApp.m_bCmdAvailable[3] = c.windiff;
    theApp.m_nOpeMode1 = c.opeMode;
    people_.ClearCalls();
    if (c.ran == nullptr) people_.QueueAnswer(IDOK);
    Click(Form(), IDC_RUN);
    Pump();
    if (c.ran == nullptr) {
      ASSERT_EQ(people_.Calls().size(), 1u);
      EXPECT_EQ(people_.Calls()[0].text, Cp("ファイル指定の場合は、ファイル比較プログラム（１）、または、（２）を実行できるようにしてください。"));
    } else {
      WaitForFile(tmp_ / "ran.log");
      EXPECT_EQ(qvtest::ReadFile(tmp_ / "ran.log"), c.ran + args);
      EXPECT_TRUE(people_.Calls().empty());
    }
    // No run: no records, the view stays.
    EXPECT_EQ(Entry()->m_pRecordList, nullptr);
    EXPECT_EQ(Frame()->m_nLayout, WM_SHOW_OPERATION_VIEW);
  }
}

// A file path holding a double quote (as a crafted document's entry can)
// is refused before the comparison program is started, and named.
TEST_F(OperationFormTest, TwoFilesWithAQuoteInAPathStartNothing) {
  ASSERT_TRUE(Start());
  ShowOperation(MODE_COMPARE);
  qvtest::WriteFile(tmp_ / "old\" \"--x.txt", "a");
  qvtest::WriteFile(tmp_ / "new.txt", "b");
  qvtest::WriteFile(tmp_ / "df.sh", "#!/bin/sh\necho \"$@\" > '" + (tmp_ / "ran.log").string() + "'\n");
  fs::permissions(tmp_ / "df.sh", fs::perms::owner_all);
  theApp.m_strCmdDF = "T:\\df.sh";
  theApp.m_bCmdAvailable[2] = TRUE;
  theApp.m_nOpeMode1 = 0;
  Type(Form(), IDC_EDIT_OLD, "T:\\old\" \"--x.txt");
  Type(Form(), IDC_EDIT_NEW, "T:\\new.txt");
  people_.QueueAnswer(IDOK);
  Click(Form(), IDC_RUN);
  Pump();
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(people_.Calls()[0].text,
            Cp("T:\\old\" \"--x.txt\n\n上記OLDファイルパスには「\"」または不完全な文字が含まれているため、処理できません。"));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(fs::exists(tmp_ / "ran.log"));
  EXPECT_EQ(Entry()->m_pRecordList, nullptr);

  // Without the quote the program gets the two paths.
  Type(Form(), IDC_EDIT_OLD, "T:\\new.txt");
  Click(Form(), IDC_RUN);
  Pump();
  WaitForFile(tmp_ / "ran.log");
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "ran.log"), (tmp_ / "new.txt").string() + " " + (tmp_ / "new.txt").string() + "\n");
  EXPECT_EQ(people_.Calls().size(), 1u);
}

TEST_F(OperationFormTest, TheTwoOpenerButtonsStartTheirPrograms) {
  ASSERT_TRUE(Start());
  // The editor opens the settings file.
  const fs::path log = tmp_ / "editor.log";
  const fs::path editor = tmp_ / "editor.sh";
  qvtest::WriteFile(editor, "#!/bin/sh\necho \"$@\" > '" + log.string() + "'\n");
  fs::permissions(editor, fs::perms::owner_all);
  theApp.m_strCmdEditor = "T:\\editor.sh";
  // The button works through the display-filter window's opener.
  std::unique_ptr<CFileType_Select_Chk_dlg> filterDlg;
  if (theApp.m_pFilterDlg == nullptr) {
    filterDlg = std::make_unique<CFileType_Select_Chk_dlg>();
    theApp.m_pFilterDlg = filterDlg.get();
  }
  Click(Form(), IDC_OPEN_INI);
  WaitForFile(log);
  ASSERT_TRUE(fs::exists(log));
  EXPECT_EQ(qvtest::ReadFile(log), (program_ / "Quarvex.ini").string() + "\n");

  // The spreadsheet template: nothing without it, opened with the shell
  // when it is there.
  const fs::path bin = tmp_ / "bin";
  fs::create_directories(bin);
  const fs::path opened = tmp_ / "opened.log";
  qvtest::WriteFile(bin / "xdg-open", "#!/bin/sh\necho \"$@\" > '" + opened.string() + "'\n");
  fs::permissions(bin / "xdg-open", fs::perms::owner_all);
  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (bin.string() + ":" + path).c_str(), 1);
  Click(Form(), IDC_OPEN_EXCEL);
  Pump();
  const fs::path sheet = program_ / "Quarvex【原紙】.xlsm";
  qvtest::WriteFile(sheet, "book");
  Click(Form(), IDC_OPEN_EXCEL);
  WaitForFile(opened);
  setenv("PATH", path.c_str(), 1);
  ASSERT_TRUE(fs::exists(opened));
  EXPECT_EQ(qvtest::ReadFile(opened), sheet.string() + "\n");
  EXPECT_TRUE(people_.Calls().empty());
}

TEST_F(OperationFormTest, TheDefaultEditorIsTheStandInOrNamedWithTheFile) {
  ASSERT_TRUE(Start());
  ASSERT_EQ(theApp.m_strCmdEditor, "notepad");
  std::unique_ptr<CFileType_Select_Chk_dlg> filterDlg;
  if (theApp.m_pFilterDlg == nullptr) {
    filterDlg = std::make_unique<CFileType_Select_Chk_dlg>();
    theApp.m_pFilterDlg = filterDlg.get();
  }
  fs::create_directories(tmp_ / "no programs");
  qvtest::EnvVar path{"PATH", (tmp_ / "no programs").c_str()};
  qvtest::EnvVar root{"SystemRoot", nullptr};
  // No stand-in beside the program (no desktop opener here): one message
  // with the editor and the file.
  people_.QueueAnswer(IDOK);
  Click(Form(), IDC_OPEN_INI);
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(qvtest::U8(people_.Calls()[0].text), "テキストエディタ（notepad）の起動に失敗（WinExec）しました。\nファイル名称：" +
                                             qvtest::U8(theApp.m_strIniPath.View()) +
                                             "\n上記ファイルは、ほかのプログラムで開いて下さい。");
  // The stand-in in the program's system folder is the editor.
  const fs::path log = tmp_ / "notepad.log";
  fs::create_directories(program_ / "system");
  qvtest::WriteFile(program_ / "system" / "notepad", "#!/bin/sh\necho \"$@\" > '" + log.string() + "'\n");
  fs::permissions(program_ / "system" / "notepad", fs::perms::owner_all);
  Click(Form(), IDC_OPEN_INI);
  WaitForFile(log);
  EXPECT_EQ(qvtest::ReadFile(log), (program_ / "Quarvex.ini").string() + "\n");
  EXPECT_EQ(people_.Calls().size(), 1u);
}

TEST_F(OperationFormTest, ADocumentWithOverLongFieldsIsShownAndLeftAsItIs) {
  ASSERT_TRUE(Start());
  // A document whose entry holds folders of 5000 bytes, a comment of
  // 100,000 bytes and a profile name that names no profile.
  const std::string folder = "T:\\" + std::string(4997, 'f');
  std::string comment;
  while (comment.size() < 100000) comment += Cp("長いコメントの行です。") + "\r\n";
  const CString unknownProfile = Cp("どこにもないフィルタ").c_str();
  {
    CZEKEnv_Label* e = Entry();
    e->m_strNewPath = folder.c_str();
    e->m_strOldPath = folder.c_str();
    e->m_strDiffPath = folder.c_str();
    e->m_strComment = comment.c_str();
    theApp.m_strFilterName = unknownProfile;
    ASSERT_TRUE(theApp.m_pCurrentDoc->OnSaveDocument((tmp_ / "long.qvx").c_str()));
  }
  ASSERT_NE(theApp.OpenDocumentFile("T:\\long.qvx"), nullptr);
  Pump();
  ShowOperation(MODE_COMPARE);
  ASSERT_NE(Form(), nullptr);
  EXPECT_EQ(Form()->m_editOld.GetWindowTextLength(), 5000);
  EXPECT_EQ(Entry()->m_strFilterName, unknownProfile);
  EXPECT_EQ(GetCurrentProfile(), 0);
  CComboBox& filters = Frame()->m_pTitleForm->m_comboFilter;
  ASSERT_GT(filters.GetCount(), 0);
  CString first;
  filters.GetLBText(0, first);
  EXPECT_EQ(first, unknownProfile);

  // Browsing on such a field opens the picker at its default folder and
  // keeps the text when cancelled.
  people_.QueueFolderCancel();
  Click(Form(), IDC_BROWSE_NEW);
  EXPECT_EQ(people_.Calls().back().initialPath, "");

  // Leaving the form stores nothing new into the entry.
  theApp.m_pCurrentDoc->SetModifiedFlag(FALSE);
  Frame()->PostMessage(WM_SHOW_FILE_VIEW);
  Pump();
  EXPECT_EQ(std::string(Entry()->m_strNewPath.GetString()), folder);
  EXPECT_EQ(std::string(Entry()->m_strOldPath.GetString()), folder);
  EXPECT_EQ(std::string(Entry()->m_strComment.GetString()), comment);
  EXPECT_FALSE(theApp.m_pCurrentDoc->IsModified());
}

}  // namespace
