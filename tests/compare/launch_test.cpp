// The three launchers: what they start and the start failures they report.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "compare/ExternalPrograms.h"
#include "support/drives.h"
#include "support/scripted_people.h"
#include "support/testutil.h"

namespace {

namespace fs = std::filesystem;
using qvtest::ReadFile;
using qvtest::TempDir;
using qvtest::WriteFile;

class LaunchTest : public ::testing::Test {
 protected:
  // A file that is not a program: it exists but may not be run.
  void WriteNotExecutable(const char* rel) { WriteFile(dir_ / rel, "just text\n"); }

  TempDir dir_;
  qvtest::DriveT drive_{dir_};
  qvtest::ScriptedPeople people_;
};

constexpr const char* kNotFound =
    "コマンドの起動に失敗（WinExec,ERROR_FILE_NOT_FOUND）しました。\n"
    "ﾕｰﾃｨﾘﾃｨ(U)-環境設定(E)...のコマンド環境を見直して下さい。";
constexpr const char* kPathNotFound =
    "コマンドの起動に失敗（WinExec,ERROR_PATH_NOT_FOUND）しました。\n"
    "ﾕｰﾃｨﾘﾃｨ(U)-環境設定(E)...のコマンド環境を見直して下さい。";
constexpr const char* kBadFormat = "コマンドの起動に失敗（WinExec,ERROR_BAD_FORMAT）しました。";

TEST_F(LaunchTest, ExecCommandReportsEachStartError) {
  fs::create_directories(dir_ / "bin");
  WriteNotExecutable("bin/notes.txt");

  for (int i = 0; i < 3; ++i) people_.QueueAnswer(IDOK);
  EXPECT_EQ(ExecCommand("T:\\bin\\no_such_program"), 0);
  EXPECT_EQ(ExecCommand("T:\\missing_folder\\program \"T:\\x.txt\""), 0);
  EXPECT_EQ(ExecCommand("T:\\bin\\notes.txt"), 0);

  auto msgs = people_.Calls();
  ASSERT_EQ(msgs.size(), 3u);
  EXPECT_EQ(msgs[0].text, kNotFound);
  EXPECT_EQ(msgs[1].text, kPathNotFound);
  EXPECT_EQ(msgs[2].text, kBadFormat);
  for (auto& m : msgs) EXPECT_EQ(m.type & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
}

TEST_F(LaunchTest, ExecCommandStartsAProgram) {
  EXPECT_EQ(ExecCommand("/bin/true \"T:\\x.txt\""), 1);
  EXPECT_TRUE(people_.Calls().empty());
}

TEST_F(LaunchTest, LaunchDetachedIsSilent) {
  EXPECT_FALSE(LaunchDetached("T:\\no_such_program"));
  EXPECT_FALSE(LaunchDetached(""));
  EXPECT_TRUE(LaunchDetached("\"/bin/true\" \"an argument\""));
  EXPECT_TRUE(people_.Calls().empty());
}

TEST_F(LaunchTest, LaunchToFileCapturesStandardOutput) {
  EXPECT_EQ(LaunchToFile(0, "/bin/echo", "\"/bin/echo\" one \"two three\"", "T:\\out.txt"), kLaunchDone);
  EXPECT_EQ(ReadFile(dir_ / "out.txt"), "one two three\n");
  EXPECT_TRUE(people_.Calls().empty());
}

TEST_F(LaunchTest, LaunchToFileStartFailures) {
  // An output file that cannot be made: nothing started, nothing said.
  EXPECT_EQ(LaunchToFile(0, "/bin/echo", "\"/bin/echo\" x", "T:\\no\\such\\out.txt"), kLaunchNoOutput);
  EXPECT_TRUE(people_.Calls().empty());

  // A program that cannot start: the message naming it, even when quiet.
  people_.QueueAnswer(IDOK);
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(LaunchToFile(1, "", "\"\" a b", "T:\\out.txt"), kLaunchNotStarted);
  EXPECT_EQ(LaunchToFile(1, "T:\\no_such_diff", "\"T:\\no_such_diff\" a b", "T:\\out.txt"), kLaunchNotStarted);
  auto msgs = people_.Calls();
  ASSERT_EQ(msgs.size(), 2u);
  const std::string advice = "\nQuarvex.ini の Dir_Diff_Exec（diffファイルの作成）を見直して下さい。";
  EXPECT_EQ(msgs[0].text, "diff コマンド（未設定）の起動に失敗（CreateProcess）しました。" + advice);
  EXPECT_EQ(msgs[1].text, "diff コマンド（T:\\no_such_diff）の起動に失敗（CreateProcess）しました。" + advice);
  for (auto& m : msgs) EXPECT_EQ(m.type & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
}

TEST_F(LaunchTest, LaunchToFileRefusesCommandLinesOf1024Bytes) {
  std::string cmd = "\"/bin/true\" ";
  cmd += std::string(1023 - cmd.size(), 'a');
  ASSERT_EQ(cmd.size(), 1023u);
  EXPECT_EQ(LaunchToFile(0, "/bin/true", cmd.c_str(), "T:\\out.txt"), kLaunchDone);
  EXPECT_TRUE(people_.Calls().empty());

  cmd += "a";
  EXPECT_EQ(LaunchToFile(1, "/bin/true", cmd.c_str(), "T:\\out.txt"), kLaunchTooLong);
  EXPECT_TRUE(people_.Calls().empty());
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(LaunchToFile(0, "/bin/true", cmd.c_str(), "T:\\out.txt"), kLaunchTooLong);
  auto msgs = people_.Calls();
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(msgs[0].text, "フォルダパスが長すぎぎて、diffコマンドが実行できません。\nDFコマンドを利用ください。");
}

}  // namespace
