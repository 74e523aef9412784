#include "platform/ui/prompt.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/scripted_prompt.h"
#include "platform/ui/winapp.h"
#include "support/scripted_people.h"
#include "support/testutil.h"

namespace {

using Kind = qv::ScriptedPeople::Kind;

// The seam used directly, with the failures collected instead of failing.
struct Collecting {
  Collecting() {
    people.SetFailureHook([this](const std::string& what) { failures.push_back(what); });
    previous = qv::SetPeople(&people);
  }
  ~Collecting() { qv::SetPeople(previous); }
  qv::ScriptedPeople people;
  std::vector<std::string> failures;
  qv::People* previous;
};

TEST(MessageBoxIcons, FrameworkAddsIconOnlyWhenNoneGiven) {
  qvtest::ScriptedPeople people;
  people.QueueAnswer(IDOK);
  people.QueueAnswer(IDCANCEL);
  people.QueueAnswer(IDYES);
  people.QueueAnswer(IDNO);
  people.QueueAnswer(IDRETRY);
  people.QueueAnswer(IDYES);
  people.QueueAnswer(IDOK);

  EXPECT_EQ(AfxMessageBox("a"), IDOK);
  EXPECT_EQ(AfxMessageBox("b", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(AfxMessageBox("c", MB_YESNO | MB_DEFBUTTON2), IDYES);
  EXPECT_EQ(AfxMessageBox("d", MB_YESNOCANCEL), IDNO);
  EXPECT_EQ(AfxMessageBox("e", MB_RETRYCANCEL), IDRETRY);
  EXPECT_EQ(AfxMessageBox("f", MB_YESNO | MB_ICONSTOP), IDYES);
  EXPECT_EQ(AfxMessageBox("g", MB_OK | MB_ICONINFORMATION), IDOK);

  const auto& calls = people.Calls();
  ASSERT_EQ(calls.size(), 7u);
  EXPECT_EQ(calls[0].type, MB_OK | MB_ICONEXCLAMATION);
  EXPECT_EQ(calls[1].type, MB_OKCANCEL | MB_ICONEXCLAMATION);
  EXPECT_EQ(calls[2].type, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
  EXPECT_EQ(calls[2].DefaultButton(), MB_DEFBUTTON2);
  EXPECT_EQ(calls[3].Icon(), MB_ICONQUESTION);
  EXPECT_EQ(calls[4].Icon(), 0u);  // Retry+Cancel gets no icon
  EXPECT_EQ(calls[5].Icon(), MB_ICONERROR);
  EXPECT_EQ(calls[5].Buttons(), MB_YESNO);
  EXPECT_EQ(calls[6].Icon(), MB_ICONINFORMATION);
  EXPECT_EQ(MB_ICONWARNING, MB_ICONEXCLAMATION);
  EXPECT_EQ(MB_ICONSTOP, MB_ICONERROR);
}

TEST(MessageBox, RecordsTextCaptionAndStringTableTexts) {
  qvtest::ScriptedPeople people;
  people.QueueAnswer(IDOK);
  people.QueueAnswer(IDOK);
  people.QueueAnswer(IDOK);
  {
    CWinApp app("Zekora(ZEK)");
    AfxMessageBox("フォルダ(C:\\表)の作成に失敗しました");
  }
  AfxMessageBox(100u);
  auto previous = qv::SetStringResolver([](UINT id, std::string& text) {
    if (id != 100) return false;
    text = "OLE の初期化に失敗しました。";
    return true;
  });
  AfxMessageBox(100u, MB_OK, 5);
  EXPECT_NE(qv::SetStringResolver(previous), nullptr);

  const auto& calls = people.Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].kind, Kind::Message);
  EXPECT_EQ(calls[0].text, "フォルダ(C:\\表)の作成に失敗しました");
  EXPECT_EQ(calls[0].caption, "Zekora(ZEK)");
  EXPECT_EQ(calls[1].text, "(string 100)");
  EXPECT_EQ(calls[1].helpId, 100u);
  EXPECT_EQ(calls[2].text, "OLE の初期化に失敗しました。");
  EXPECT_EQ(calls[2].helpId, 5u);
}

TEST(ScriptedPeople, AnswersDialogsAndPickersFromTheQueue) {
  qvtest::ScriptedPeople people;
  people.QueueDialog(2);
  people.QueueDialog(IDOK, "新しいコメント");
  people.QueueFile("D:\\bin\\diff.exe");
  people.QueueFileCancel();
  people.QueueFolder("E:\\出力");
  people.QueueFolderCancel();
  EXPECT_EQ(people.Pending(), 6u);

  qv::People& seam = qv::GetPeople();
  // The scripted seam answers in place of the real dialog and never shows it.
  const qv::DialogRequest overwrite{"CMessageBox_OW_dlg", "(NEW)　ファイル名称：a.txt", 4, [](const std::function<void()>&) {
                                      ADD_FAILURE() << "the real dialog was shown";
                                      return 1;
                                    }};
  EXPECT_EQ(seam.Dialog(overwrite, nullptr), 2);
  std::string comment = "old";
  EXPECT_EQ(seam.Dialog({"CDIALOG_REV_COMMENT", "old", IDCANCEL}, &comment), IDOK);
  EXPECT_EQ(comment, "新しいコメント");

  std::string chosen = "unchanged";
  EXPECT_TRUE(seam.PickFile({true, "テキストエディタプログラム選択", "プログラム(*.exe)|*.exe||", "", "D:\\bin", "", 0x4},
                            chosen));
  EXPECT_EQ(chosen, "D:\\bin\\diff.exe");
  chosen = "unchanged";
  EXPECT_FALSE(seam.PickFile({false, "", "", "qvx", "", "無題.qvx", 0}, chosen));
  EXPECT_EQ(chosen, "unchanged");
  EXPECT_TRUE(seam.PickFolder({"マスター反映先フォルダ選択", "C:\\"}, chosen));
  EXPECT_EQ(chosen, "E:\\出力");
  chosen = "C:\\x";
  EXPECT_FALSE(seam.PickFolder({"t", "C:\\x"}, chosen));
  EXPECT_EQ(chosen, "C:\\x");
  EXPECT_EQ(people.Pending(), 0u);

  const auto& calls = people.Calls();
  ASSERT_EQ(calls.size(), 6u);
  EXPECT_EQ(calls[0].kind, Kind::Dialog);
  EXPECT_EQ(calls[0].dialogName, "CMessageBox_OW_dlg");
  EXPECT_EQ(calls[0].text, "(NEW)　ファイル名称：a.txt");
  EXPECT_EQ(calls[1].answerText, "新しいコメント");
  EXPECT_EQ(calls[2].kind, Kind::File);
  EXPECT_TRUE(calls[2].open);
  EXPECT_EQ(calls[2].title, "テキストエディタプログラム選択");
  EXPECT_EQ(calls[2].filter, "プログラム(*.exe)|*.exe||");
  EXPECT_EQ(calls[2].initialPath, "D:\\bin");
  EXPECT_EQ(calls[2].flags, 0x4u);
  EXPECT_EQ(calls[3].defaultExt, "qvx");
  EXPECT_EQ(calls[3].fileName, "無題.qvx");
  EXPECT_FALSE(calls[3].open);
  EXPECT_EQ(calls[3].answer, 0);
  EXPECT_EQ(calls[4].kind, Kind::Folder);
  EXPECT_EQ(calls[4].initialPath, "C:\\");
  for (const auto& c : calls) EXPECT_TRUE(c.expected);
}

TEST(ScriptedPeople, UnexpectedQuestionsAreReportedAndCancelled) {
  Collecting s;
  // Nothing queued: the safe answer of each kind.
  EXPECT_EQ(AfxMessageBox("削除してもいいですか？", MB_YESNO), IDNO);
  EXPECT_EQ(AfxMessageBox("x", MB_YESNOCANCEL), IDCANCEL);
  EXPECT_EQ(AfxMessageBox("x", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(AfxMessageBox("x"), IDOK);
  std::string out = "keep";
  EXPECT_EQ(qv::GetPeople().Dialog({"CMessageBox_DEL_dlg", "q", 4}, &out), 4);
  EXPECT_FALSE(qv::GetPeople().PickFolder({"t", "C:\\"}, out));
  EXPECT_EQ(out, "keep");
  ASSERT_EQ(s.failures.size(), 6u);
  EXPECT_NE(s.failures[0].find(qvtest::U8("削除してもいいですか？")), std::string::npos) << s.failures[0];
  EXPECT_NE(s.failures[0].find("no answer is queued"), std::string::npos);

  // A queued answer of another kind, or a button the box does not have,
  // does not fit: it stays for the question it was meant for.
  s.failures.clear();
  s.people.QueueAnswer(IDYES);
  EXPECT_FALSE(qv::GetPeople().PickFile({true, "", "", "", "", "", 0}, out));
  EXPECT_EQ(AfxMessageBox("info"), IDOK);
  EXPECT_EQ(AfxMessageBox("question", MB_YESNO), IDYES);
  ASSERT_EQ(s.failures.size(), 2u);
  EXPECT_NE(s.failures[0].find("message box answer IDYES"), std::string::npos) << s.failures[0];
  EXPECT_EQ(s.people.Pending(), 0u);

  const auto& calls = s.people.Calls();
  ASSERT_EQ(calls.size(), 9u);
  EXPECT_FALSE(calls[0].expected);
  EXPECT_FALSE(calls[7].expected);
  EXPECT_TRUE(calls[8].expected);
  EXPECT_EQ(calls[8].answer, IDYES);
}

TEST(ScriptedPeople, TestWrapperFailsOnSurprisesAndLeftovers) {
  EXPECT_NONFATAL_FAILURE(
      {
        qvtest::ScriptedPeople people;
        AfxMessageBox("surprise");
      },
      "unexpected message box");
  EXPECT_NONFATAL_FAILURE(
      {
        qvtest::ScriptedPeople people;
        people.QueueAnswer(IDYES);
        people.QueueFolder("C:\\a");
      },
      "never asked for: message box answer IDYES; folder pick of \"C:\\a\"");
}

TEST(People, SetPeopleReturnsThePreviousAndNullRestoresTheConsole) {
  qv::People* console = qv::SetPeople(nullptr);
  ASSERT_NE(console, nullptr);
  qv::ScriptedPeople a, b;
  EXPECT_EQ(qv::SetPeople(&a), console);
  EXPECT_EQ(qv::SetPeople(&b), &a);
  EXPECT_EQ(&qv::GetPeople(), &b);
  EXPECT_EQ(qv::SetPeople(nullptr), &b);
  EXPECT_EQ(&qv::GetPeople(), console);

  // The console answers at once with the answer that changes nothing.
  std::string out = "keep";
  EXPECT_EQ(AfxMessageBox("コンソール", MB_YESNO), IDNO);
  EXPECT_EQ(AfxMessageBox("x", MB_ABORTRETRYIGNORE), IDABORT);
  EXPECT_EQ(AfxMessageBox("x", MB_RETRYCANCEL), IDCANCEL);
  EXPECT_EQ(qv::GetPeople().Dialog({"CMessageBox_OW_dlg", "x", 4}, &out), 4);
  EXPECT_FALSE(qv::GetPeople().PickFile({true, "", "", "", "", "", 0}, out));
  EXPECT_FALSE(qv::GetPeople().PickFolder({"", ""}, out));
  EXPECT_EQ(out, "keep");
}

// What the registered runner of the test dialog saw.
std::vector<std::string> g_runnerTexts;
int CountingRunner(const char* text) {
  g_runnerTexts.emplace_back(text);
  return 2;
}
int OtherRunner(const char*) { return 3; }

TEST(People, ADialogAskedByNameRunsItsRunnerElseAsksThePeople) {
  Collecting c;
  g_runnerTexts.clear();
  // Without a runner the people answer a request with the name, the text
  // and the cancel answer, and there is no real dialog to show.
  c.people.QueueDialog(1);
  EXPECT_EQ(qv::AskDialog("CTestQuestion", "(NEW)　ファイル名称：a.txt", 4), 1);
  ASSERT_EQ(c.people.Calls().size(), 1u);
  EXPECT_EQ(c.people.Calls()[0].dialogName, "CTestQuestion");
  EXPECT_EQ(c.people.Calls()[0].text, "(NEW)　ファイル名称：a.txt");
  EXPECT_EQ(c.people.Calls()[0].cancelAnswer, 4);
  c.people.QueueDrive([](CWnd*) { ADD_FAILURE() << "no dialog to drive"; });
  EXPECT_EQ(qv::AskDialog("CTestQuestion", "x", 4), 4);
  ASSERT_EQ(c.failures.size(), 1u);
  EXPECT_EQ(c.failures[0], "dialog CTestQuestion cannot run for real");

  // A registered runner shows the dialog itself, with the text; another
  // name is not its.
  c.people.ClearCalls();
  EXPECT_EQ(qv::SetDialogRunner("CTestQuestion", &CountingRunner), nullptr);
  EXPECT_EQ(qv::AskDialog("CTestQuestion", "b.txt", 4), 2);
  EXPECT_EQ(g_runnerTexts, std::vector<std::string>{"b.txt"});
  EXPECT_TRUE(c.people.Calls().empty());
  c.people.QueueDialog(4);
  EXPECT_EQ(qv::AskDialog("CTestQuestion2", "c.txt", 4), 4);
  EXPECT_EQ(c.people.Calls().size(), 1u);

  // Registering again replaces it; null takes it away.
  EXPECT_EQ(qv::SetDialogRunner("CTestQuestion", &OtherRunner), &CountingRunner);
  EXPECT_EQ(qv::AskDialog("CTestQuestion", "d.txt", 4), 3);
  EXPECT_EQ(qv::SetDialogRunner("CTestQuestion", nullptr), &OtherRunner);
  EXPECT_EQ(qv::SetDialogRunner("CTestQuestion", nullptr), nullptr);
  c.people.QueueDialog(3);
  EXPECT_EQ(qv::AskDialog("CTestQuestion", "e.txt", 4), 3);
  EXPECT_EQ(g_runnerTexts.size(), 1u);
}

TEST(WinApp, MostRecentLivingApplicationAnswers) {
  CWinApp* before = AfxGetApp();
  {
    CWinApp first("First");
    EXPECT_EQ(AfxGetApp(), &first);
    EXPECT_STREQ(AfxGetAppName(), "First");
    EXPECT_EQ(first.m_pszExeName, nullptr);
    EXPECT_STREQ(first.m_lpCmdLine, "");
    EXPECT_TRUE(first.InitInstance());
    EXPECT_EQ(first.ExitInstance(), 0);
    EXPECT_TRUE(first.IsKindOf(RUNTIME_CLASS(CWinApp)));
    {
      auto* second = new CWinApp;
      EXPECT_EQ(AfxGetApp(), second);
      EXPECT_STREQ(AfxGetAppName(), "");
      qv::SetAppText(second->m_pszAppName, "Second");
      qv::SetAppText(second->m_pszExeName, "Quarvex");
      EXPECT_STREQ(AfxGetAppName(), "Second");
      CWinApp third("Third");
      delete second;  // out of order: the others stay registered
      EXPECT_EQ(AfxGetApp(), &third);
    }
    EXPECT_EQ(AfxGetApp(), &first);
  }
  EXPECT_EQ(AfxGetApp(), before);
}

}  // namespace
