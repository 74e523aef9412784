// The DDE command server of the whole program: another program fills the
// operation form's folders and starts a run; bad data changes nothing it
// should not; nobody else's program is heard.
#include <gtest/gtest.h>

#include "support/app_fixture.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "app/DdeServer.h"
#include "res/resource.h"
#include "ui/DdeAnswers.h"
#include "support/unprivileged.h"
#include "ui/OperationForm.h"
#include "ui/TitleForm.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using qvtest::Cp;
using qvtest::ui::Pump;

// The execute data of a command: the keyword padded with blanks to 16
// bytes, the path (code page 932) and the terminating zero.
std::string Command(const std::string& keyword, const std::string& utf8Path) {
  std::string data = keyword;
  data.resize(16, ' ');
  data += Cp(utf8Path);
  data += '\0';
  return data;
}

// The qvdde tool built beside the tests ("" when there is none).
std::string QvddePath() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  const fs::path tool = self.parent_path().parent_path() / "tools" / "qvdde" / "qvdde";
  return !ec && fs::exists(tool, ec) ? tool.string() : "";
}

// The tool's exit code; what it wrote to its error stream goes to
// `errorFile` when one is named.
int RunTool(const std::string& tool, const std::vector<std::string>& args, const std::string& errorFile = "") {
  std::vector<char*> argv{const_cast<char*>(tool.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!errorFile.empty()) {
    posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  }
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class DdeCommandTest : public qvtest::AppTest {
 protected:
  // Storage T:\DVD with two DVD folders (and T:\Other with one), catalogued
  // once through DDE.
  void CatalogueTwoDvds() {
    fs::create_directories(tmp_.path() / "DVD/Movie A/VIDEO_TS");
    fs::create_directories(tmp_.path() / "DVD/Movie B/VIDEO_TS");
    fs::create_directories(tmp_.path() / "Other/Movie C/VIDEO_TS");
    ASSERT_TRUE(Start());
    ASSERT_EQ(Send(Command("OLD_PATH_SET", "T:\\DVD")), DMLERR_NO_ERROR);
    ASSERT_EQ(Send(Command("DIFF_EXECUTE", "")), DMLERR_NO_ERROR);
    Pump();
  }

  void SetUp() override {
    AppTest::SetUp();
    const std::string folder = (tmp_.path() / "dde").string();
    setenv("QUARVEX_DDE_DIR", folder.c_str(), 1);
    qv::SetDdeFolderForTests(folder);
  }
  void TearDown() override {
    qv::SetDdeFolderForTests("");
    unsetenv("QUARVEX_DDE_DIR");
    AppTest::TearDown();
  }

  // Runs `client` on another thread while the program's loop runs here.
  template <typename T>
  T WhileRunning(const std::function<T()>& client) {
    std::atomic<bool> done{false};
    T result{};
    std::thread t([&]() {
      result = client();
      done = true;
    });
    while (!done) Pump(1);
    t.join();
    Pump();
    return result;
  }

  UINT Send(const std::string& data, DWORD* flags = nullptr, const char* topic = "frmZEK") {
    return WhileRunning<UINT>(
        [&]() { return qv::DdeClientExecute("ZEK", topic, data.data(), data.size(), 10000, flags); });
  }

  std::string Field(int id) { return qvtest::ui::ShownText(Frame()->m_pOperationForm->GetDlgItem(id)); }
};

TEST_F(DdeCommandTest, AnotherProgramFillsTheFoldersAndStartsTheRun) {
  ASSERT_TRUE(Start());
  ASSERT_NE(Frame()->m_pOperationForm, nullptr);
  fs::create_directories(tmp_.path() / "DVD/Movie A/VIDEO_TS");
  fs::create_directories(tmp_.path() / "DVD/Shelf/Movie B/VIDEO_TS");
  fs::create_directories(tmp_.path() / "work");

  DWORD flags = 0;
  EXPECT_EQ(Send(Command("NEW_PATH_SET", "T:\\新規"), &flags), DMLERR_NO_ERROR);
  EXPECT_EQ(flags, static_cast<DWORD>(DDE_FACK));
  EXPECT_EQ(Send(Command("DIFF_PATH_SET", "T:\\work")), DMLERR_NO_ERROR);
  COperation_Form* form = Frame()->m_pOperationForm;
  EXPECT_EQ(std::string(form->m_strNewPath.GetString()), Cp("T:\\新規"));
  EXPECT_EQ(Field(IDC_EDIT_NEW), "T:\\新規");
  EXPECT_EQ(Field(IDC_EDIT_DIFF), "T:\\work");

  // The tool other programs use, with its exit code.
  const std::string tool = QvddePath();
  if (!tool.empty()) {
    EXPECT_EQ(WhileRunning<int>([&]() { return RunTool(tool, {"ZEK", "frmZEK", "OLD_PATH_SET    T:\\DVD"}); }), 0);
    EXPECT_EQ(WhileRunning<int>([&]() { return RunTool(tool, {"ZEK", "system", "OLD_PATH_SET    T:\\x"}); }), 4);
  } else {
    EXPECT_EQ(Send(Command("OLD_PATH_SET", "T:\\DVD")), DMLERR_NO_ERROR);
  }
  EXPECT_EQ(form->m_strOldPath, "T:\\DVD");
  EXPECT_EQ(Field(IDC_EDIT_OLD), "T:\\DVD");

  // The run starts after the transaction has been answered.
  EXPECT_EQ(Send(Command("DIFF_EXECUTE", "")), DMLERR_NO_ERROR);
  Pump();
  CMainFrame* frame = Frame();
  EXPECT_EQ(frame->m_nLayout, WM_SHOW_FILE_VIEW);
  CZEKEnv_Label* entry = theApp.m_pCurrentDoc ? theApp.m_pCurrentDoc->m_pCurrentEntry : nullptr;
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->m_strOldPath, "T:\\DVD");
  ASSERT_NE(entry->m_pRecordList, nullptr);
  EXPECT_EQ(entry->m_pRecordList->GetCount(), 2);
  EXPECT_EQ(frame->m_pRecordList, entry->m_pRecordList);

  // In the file view neither a folder nor a run is taken, and the sender
  // hears that, and why.
  flags = 0;
  EXPECT_EQ(Send(Command("OLD_PATH_SET", "T:\\other"), &flags), static_cast<UINT>(DMLERR_NOTPROCESSED));
  EXPECT_EQ(flags, static_cast<DWORD>(DDE_ANSWER_OTHER_VIEW));
  EXPECT_EQ(Send(Command("DIFF_EXECUTE", "")), static_cast<UINT>(DMLERR_NOTPROCESSED));
  Pump();
  EXPECT_EQ(frame->m_nLayout, WM_SHOW_FILE_VIEW);
  EXPECT_EQ(entry->m_strOldPath, "T:\\DVD");
  EXPECT_EQ(theApp.m_pCurrentDoc->m_pCurrentEntry->m_pRecordList, entry->m_pRecordList);
  if (!tool.empty()) {
    const std::string errors = (tmp_.path() / "qvdde.err").string();
    EXPECT_EQ(WhileRunning<int>([&]() { return RunTool(tool, {"ZEK", "frmZEK", "OLD_PATH_SET    T:\\x"}, errors); }), 3);
    EXPECT_NE(qvtest::ReadFile(errors).find("operation view"), std::string::npos) << qvtest::ReadFile(errors);
  }
}

TEST_F(DdeCommandTest, BadDataChangesOnlyWhatItNames) {
  ASSERT_TRUE(Start());
  COperation_Form* form = Frame()->m_pOperationForm;
  ASSERT_NE(form, nullptr);
  ASSERT_EQ(Send(Command("NEW_PATH_SET", "T:\\a\\rather\\long\\folder\\name")), DMLERR_NO_ERROR);

  // Data without a terminating zero never picks up the end of an earlier
  // command.
  std::string unterminated = Command("NEW_PATH_SET", "T:\\short");
  unterminated.pop_back();
  EXPECT_EQ(Send(unterminated), DMLERR_NO_ERROR);
  EXPECT_EQ(form->m_strNewPath, "T:\\short");

  // A keyword of sixteen blanks: nothing set, and the sender hears so.
  const CString oldBefore = form->m_strOldPath;
  DWORD flags = 0;
  EXPECT_EQ(Send(std::string(16, ' ') + "T:\\blank" + '\0', &flags), static_cast<UINT>(DMLERR_NOTPROCESSED));
  EXPECT_EQ(flags, static_cast<DWORD>(DDE_ANSWER_UNKNOWN_KEYWORD));
  EXPECT_EQ(form->m_strNewPath, "T:\\short");
  EXPECT_EQ(form->m_strOldPath, oldBefore);
  // Binary bytes (no zero) after a keyword are a path like any other.
  std::string binary = "OLD_PATH_SET    ";
  for (int i = 1; i < 256; ++i) binary += static_cast<char>(i);
  EXPECT_EQ(Send(binary), DMLERR_NO_ERROR);
  EXPECT_EQ(std::string(form->m_strOldPath.GetString()), binary.substr(16));
  // More data than the buffer holds: a path beyond the frame's limit is
  // dropped whole, and the sender hears that it was not taken.
  const CString oldBinary = form->m_strOldPath;
  EXPECT_EQ(Send(Command("OLD_PATH_SET", std::string(5000, 'x')), &flags), static_cast<UINT>(DMLERR_NOTPROCESSED));
  EXPECT_EQ(flags, static_cast<DWORD>(DDE_ANSWER_PATH_TOO_LONG));
  EXPECT_EQ(Send("OLD_PATH_SET    " + std::string(6000, 'y')), static_cast<UINT>(DMLERR_NOTPROCESSED));
  EXPECT_EQ(form->m_strNewPath, "T:\\short");
  EXPECT_EQ(std::string(DdeCommandBuffer, 16), "OLD_PATH_SET    ");
  EXPECT_EQ(DdeCommandBuffer[kDdeCommandBufferSize - 1], 'y');
  // Empty data: the frame gets an empty buffer, and no keyword.
  EXPECT_EQ(Send(std::string()), static_cast<UINT>(DMLERR_NOTPROCESSED));
  EXPECT_EQ(DdeCommandBuffer[0], 0);
  // Another topic is refused; the window still answers a person.
  EXPECT_EQ(Send(Command("NEW_PATH_SET", "T:\\x"), nullptr, "ZEK"), static_cast<UINT>(DMLERR_NO_CONV_ESTABLISHED));
  EXPECT_EQ(form->m_strNewPath, "T:\\short");
  qvtest::ui::Type(form, IDC_EDIT_NEW, "T:\\typed");
  EXPECT_EQ(Field(IDC_EDIT_NEW), "T:\\typed");
  EXPECT_EQ(form->m_strOldPath, oldBinary);
}

TEST_F(DdeCommandTest, WhileARunAsksAQuestionCommandsAreAnsweredBusy) {
  ASSERT_NO_FATAL_FAILURE(CatalogueTwoDvds());
  CZEKEnv_Label* entry = theApp.m_pCurrentDoc->m_pCurrentEntry;
  ASSERT_NE(entry->m_pRecordList, nullptr);
  ASSERT_EQ(entry->m_pRecordList->GetCount(), 2);

  // A second run asks whether to rebuild; the commands that arrive while
  // the question is on the screen are not taken, and their senders hear so.
  Frame()->SendMessage(WM_SHOW_OPERATION_VIEW);
  const std::string tool = QvddePath();
  const std::string errors = (tmp_.path() / "qvdde.err").string();
  UINT pathAnswer = 0, runAnswer = 0;
  DWORD pathFlags = 0;
  int toolCode = -1;
  people_.QueueAnswerAfter(IDYES, [&] {
    pathAnswer = Send(Command("OLD_PATH_SET", "T:\\Other"), &pathFlags);
    runAnswer = Send(Command("DIFF_EXECUTE", ""));
    if (!tool.empty()) {
      toolCode = WhileRunning<int>([&]() { return RunTool(tool, {"ZEK", "frmZEK", "OLD_PATH_SET    T:\\Other"}, errors); });
    }
  });
  qvtest::ui::Click(Frame()->m_pOperationForm, IDC_RUN);
  Pump(6);
  EXPECT_EQ(pathAnswer, static_cast<UINT>(DMLERR_BUSY));
  EXPECT_EQ(pathFlags, static_cast<DWORD>(DDE_FBUSY));
  EXPECT_EQ(runAnswer, static_cast<UINT>(DMLERR_BUSY));
  if (!tool.empty()) {
    EXPECT_EQ(toolCode, 3);
    EXPECT_NE(qvtest::ReadFile(errors).find("busy"), std::string::npos) << qvtest::ReadFile(errors);
  }
  // The run took the folder it started with, once; nothing was changed or
  // run behind the senders' backs.
  entry = theApp.m_pCurrentDoc->m_pCurrentEntry;
  EXPECT_EQ(Frame()->m_nLayout, WM_SHOW_FILE_VIEW);
  EXPECT_EQ(entry->m_strOldPath, "T:\\DVD");
  ASSERT_NE(entry->m_pRecordList, nullptr);
  EXPECT_EQ(entry->m_pRecordList->GetCount(), 2);
  EXPECT_EQ(people_.Pending(), 0u);

  // After the run the same commands are carried out.
  Frame()->SendMessage(WM_SHOW_OPERATION_VIEW);
  EXPECT_EQ(Send(Command("OLD_PATH_SET", "T:\\Other")), DMLERR_NO_ERROR);
  EXPECT_EQ(Field(IDC_EDIT_OLD), "T:\\Other");
}

TEST_F(DdeCommandTest, DiffExecuteIsAnsweredBeforeItsRunAndARunHoldingTheWindowAnswersBusy) {
  ASSERT_NO_FATAL_FAILURE(CatalogueTwoDvds());
  ASSERT_NE(theApp.m_pCurrentDoc->m_pCurrentEntry->m_pRecordList, nullptr);
  Frame()->SendMessage(WM_SHOW_OPERATION_VIEW);

  // The run a second DIFF_EXECUTE starts asks whether to rebuild. While the
  // answer is given this thread is held by the run and dispatches nothing.
  const std::string tool = QvddePath();
  const std::string errors = (tmp_.path() / "qvdde.err").string();
  const std::string execute = Command("DIFF_EXECUTE", "");
  const std::string other = Command("OLD_PATH_SET", "T:\\Other");
  std::atomic<bool> asked{false};
  UINT runAnswer = 0, pathAnswer = 0, againAnswer = 0;
  DWORD pathFlags = 0;
  int toolCode = -1;
  std::thread sender;
  people_.QueueAnswerAfter(IDYES, [&] {
    asked = true;
    // The command that started the run had its answer before the run
    // began: nothing here lets an answer out.
    sender.join();
    // What arrives now hears busy at once, from the service alone.
    pathAnswer = qv::DdeClientExecute("ZEK", "frmZEK", other.data(), other.size(), 10000, &pathFlags);
    againAnswer = qv::DdeClientExecute("ZEK", "frmZEK", execute.data(), execute.size(), 10000);
    if (!tool.empty()) toolCode = RunTool(tool, {"ZEK", "frmZEK", "OLD_PATH_SET    T:\\Other"}, errors);
  });
  sender = std::thread(
      [&]() { runAnswer = qv::DdeClientExecute("ZEK", "frmZEK", execute.data(), execute.size(), 10000); });
  for (int i = 0; i < 2000 && !asked; ++i) Pump(1);
  if (sender.joinable()) sender.join();
  ASSERT_TRUE(asked);
  Pump();
  EXPECT_EQ(runAnswer, DMLERR_NO_ERROR);
  EXPECT_EQ(pathAnswer, static_cast<UINT>(DMLERR_BUSY));
  EXPECT_EQ(pathFlags, static_cast<DWORD>(DDE_FBUSY));
  EXPECT_EQ(againAnswer, static_cast<UINT>(DMLERR_BUSY));
  if (!tool.empty()) {
    EXPECT_EQ(toolCode, 3);
    EXPECT_NE(qvtest::ReadFile(errors).find("busy"), std::string::npos) << qvtest::ReadFile(errors);
  }
  // One run, with the folder it started with; it ends in the file view.
  CZEKEnv_Label* entry = theApp.m_pCurrentDoc->m_pCurrentEntry;
  EXPECT_EQ(Frame()->m_nLayout, WM_SHOW_FILE_VIEW);
  EXPECT_EQ(entry->m_strOldPath, "T:\\DVD");
  ASSERT_NE(entry->m_pRecordList, nullptr);
  EXPECT_EQ(entry->m_pRecordList->GetCount(), 2);
  EXPECT_EQ(people_.Pending(), 0u);
}

TEST_F(DdeCommandTest, WhileAFormsQuestionWaitsCommandsAreAnsweredBusy) {
  fs::create_directories(tmp_.path() / "DVD/Movie A/VIDEO_TS");
  ASSERT_TRUE(Start());
  ASSERT_EQ(Send(Command("OLD_PATH_SET", "T:\\DVD")), DMLERR_NO_ERROR);
  // The title form's profile dialog is on the screen: a run started now
  // would rebuild the forms under the button's handler. Neither command is
  // taken, and the senders hear so.
  UINT pathAnswer = 0, runAnswer = 0;
  people_.QueueDrive([&](CWnd* dialog) {
    pathAnswer = Send(Command("OLD_PATH_SET", "T:\\Other"));
    runAnswer = Send(Command("DIFF_EXECUTE", ""));
    Pump();
    qvtest::ui::Click(dialog, IDCANCEL);
  });
  qvtest::ui::Click(Frame()->m_pTitleForm, IDC_FILTER_SELECT);
  Pump();
  EXPECT_EQ(pathAnswer, static_cast<UINT>(DMLERR_BUSY));
  EXPECT_EQ(runAnswer, static_cast<UINT>(DMLERR_BUSY));
  EXPECT_EQ(Frame()->m_nLayout, WM_SHOW_OPERATION_VIEW);
  EXPECT_EQ(Field(IDC_EDIT_OLD), "T:\\DVD");
  EXPECT_EQ(theApp.m_pCurrentDoc->m_pCurrentEntry->m_pRecordList, nullptr);
  EXPECT_EQ(people_.Pending(), 0u);

  // With the dialog gone the same commands are carried out.
  EXPECT_EQ(Send(Command("OLD_PATH_SET", "T:\\DVD")), DMLERR_NO_ERROR);
  EXPECT_EQ(Send(Command("DIFF_EXECUTE", "")), DMLERR_NO_ERROR);
  Pump();
  EXPECT_EQ(Frame()->m_nLayout, WM_SHOW_FILE_VIEW);
}

TEST_F(DdeCommandTest, ACommandShorterThanItsKeywordFieldIsItsKeyword) {
  fs::create_directories(tmp_.path() / "DVD/Movie A/VIDEO_TS");
  ASSERT_TRUE(Start());
  ASSERT_EQ(Send(Command("OLD_PATH_SET", "T:\\DVD")), DMLERR_NO_ERROR);
  // Fewer than sixteen bytes, ending in a blank: the field is filled with
  // blanks, never with what an earlier command left behind.
  EXPECT_EQ(Send(std::string("DIFF_EXECUTE ") + '\0'), DMLERR_NO_ERROR);
  Pump();
  EXPECT_EQ(Frame()->m_nLayout, WM_SHOW_FILE_VIEW);
  CZEKEnv_Label* entry = theApp.m_pCurrentDoc->m_pCurrentEntry;
  ASSERT_NE(entry->m_pRecordList, nullptr);
  EXPECT_EQ(entry->m_pRecordList->GetCount(), 1);
}

TEST_F(DdeCommandTest, AFolderSentInLinuxFormArrivesInDriveForm) {
  ASSERT_TRUE(Start());
  const std::string linuxFolder = (tmp_.path() / "新規").string();
  EXPECT_EQ(Send(Command("NEW_PATH_SET", linuxFolder)), DMLERR_NO_ERROR);
  EXPECT_EQ(Field(IDC_EDIT_NEW), "T:\\新規");
  EXPECT_EQ(std::string(Frame()->m_pOperationForm->m_strNewPath.GetString()), Cp("T:\\新規"));
}

TEST_F(DdeCommandTest, BeforeTheMainWindowNothingIsProcessed) {
  // The service already listens while the start-up has not made the frame.
  std::memcpy(DdeCommandBuffer, "untouched", 10);
  EXPECT_EQ(Send(Command("NEW_PATH_SET", "T:\\early")), static_cast<UINT>(DMLERR_NOTPROCESSED));
  EXPECT_STREQ(DdeCommandBuffer, "untouched");
  ASSERT_TRUE(Start());
  EXPECT_NE(Frame()->m_pOperationForm->m_strNewPath, "T:\\early");
  EXPECT_EQ(Send(Command("NEW_PATH_SET", "T:\\late")), DMLERR_NO_ERROR);
  EXPECT_EQ(Frame()->m_pOperationForm->m_strNewPath, "T:\\late");
}

TEST_F(DdeCommandTest, AnotherUsersProgramIsNotHeard) {
  const std::string tool = QvddePath();
  if (geteuid() != 0 || tool.empty()) GTEST_SKIP() << "needs root and the qvdde tool";
  ASSERT_TRUE(Start());
  const CString before = Frame()->m_pOperationForm->m_strNewPath;
  const int code = qvtest::RunUnprivileged([&]() -> int {
    char* argv[] = {const_cast<char*>(tool.c_str()), const_cast<char*>("ZEK"), const_cast<char*>("frmZEK"),
                    const_cast<char*>("NEW_PATH_SET    T:\\intruder"), nullptr};
    execv(tool.c_str(), argv);
    return 127;
  });
  EXPECT_EQ(code, 4);
  Pump();
  EXPECT_EQ(Frame()->m_pOperationForm->m_strNewPath, before);
}

}  // namespace
