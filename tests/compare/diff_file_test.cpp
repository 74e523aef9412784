// `.diff` files made with GNU diff on files written here, the header block,
// the stripped copies, the path helpers and the diff program's failures.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "compare/DiffFile.h"
#include "compare/DiffRunsAhead.h"
#include "records/FileInfo.h"
#include "support/drives.h"
#include "support/scripted_people.h"
#include "support/testutil.h"

namespace {

namespace fs = std::filesystem;
using qvtest::Crlf;
using qvtest::ReadFile;
using qvtest::SetMtime;
using qvtest::TempDir;
using qvtest::WriteFile;

constexpr time_t kOldTime = 1546398245;  // 2019-01-02 03:04:05 UTC
constexpr time_t kNewTime = 1546484645;  // a day later

std::string HeaderBlock(const std::string& winPath, time_t t) {
  char timeText[64];
  std::strftime(timeText, sizeof(timeText), "%Y/%m/%d (%a)  %H:%M:%S", std::localtime(&t));
  std::string rule(118, '-');
  return rule + "\n          ファイル名：" + winPath + "\n          修正日：" + timeText + "\n" + rule + "\n";
}

// Drive T: is the test's folder; NEW, OLD and DIFF are folders below it.
class DiffFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "new");
    fs::create_directories(dir_ / "old");
    fs::create_directories(dir_ / "diff");
  }

  // Writes the OLD and NEW copies of `rel` (a Linux relative path).
  void Pair(const std::string& rel, const std::string& oldText, const std::string& newText) {
    WriteFile(dir_ / "old" / rel, oldText);
    WriteFile(dir_ / "new" / rel, newText);
    SetMtime(dir_ / "old" / rel, kOldTime);
    SetMtime(dir_ / "new" / rel, kNewTime);
  }

  int Make(const char* name, int strip = 0, int force = 0, const char* program = "/usr/bin/diff",
           int quiet = 0) {
    record_.m_New.m_strName = name;
    record_.m_Old.m_strName = name;
    return MakeDiffFile(quiet, force, program, "T:\\new", "T:\\old", "T:\\diff", name, newTime_, oldTime_,
                        diffTime_, strip, &record_);
  }

  TempDir dir_;
  qvtest::DriveT drive_{dir_};
  qvtest::ScriptedPeople people_;
  CZEKMergeFileInfo record_;
  LONG newTime_ = 0;
  LONG oldTime_ = 0;
  LONG diffTime_ = 0;
};

TEST_F(DiffFileTest, DiffOfAPairInSubfolders) {
  Pair("d1/d2/a.txt", "one\ntwo\nthree\n", "one\n2\nthree\nfour\n");
  ASSERT_EQ(Make("d1\\d2\\a.txt"), kDiffMade);

  fs::path base = dir_ / "diff/d1/d2";
  std::string expected = HeaderBlock("T:\\old\\d1\\d2\\a.txt", kOldTime) +
                         HeaderBlock("T:\\new\\d1\\d2\\a.txt", kNewTime) +
                         "2c2\n< two\n---\n> 2\n3a4\n> four\n";
  EXPECT_EQ(ReadFile(base / "a.txt.diff"), Crlf(expected));
  EXPECT_FALSE(fs::exists(base / "a.txt.diff.txt"));
  // The header file stays for the caller to remove.
  EXPECT_EQ(ReadFile(base / "a.txt.diff.h"),
            Crlf(HeaderBlock("T:\\old\\d1\\d2\\a.txt", kOldTime) + HeaderBlock("T:\\new\\d1\\d2\\a.txt", kNewTime)));
  DeleteDiffHeaderFile(&record_, "T:\\diff");
  EXPECT_FALSE(fs::exists(base / "a.txt.diff.h"));

  EXPECT_EQ(newTime_, kNewTime);
  EXPECT_EQ(oldTime_, kOldTime);
  EXPECT_GT(diffTime_, kNewTime);
  EXPECT_TRUE(people_.Calls().empty());
}

TEST_F(DiffFileTest, EqualPairLeavesNoDiff) {
  Pair("same.txt", "x\ny\n", "x\ny\n");
  WriteFile(dir_ / "diff/same.txt.diff", "stale");
  ASSERT_EQ(Make("same.txt", 0, 1), kDiffNoChanges);
  EXPECT_FALSE(fs::exists(dir_ / "diff/same.txt.diff"));
  EXPECT_FALSE(fs::exists(dir_ / "diff/same.txt.diff.txt"));
  EXPECT_NE(diffTime_, 0);
}

TEST_F(DiffFileTest, UpToDateDiffIsKeptAndNothingIsStarted) {
  Pair("a.txt", "1\n", "2\n");
  WriteFile(dir_ / "diff/a.txt.diff", "kept");
  SetMtime(dir_ / "diff/a.txt.diff", kNewTime + 10);
  // A program that cannot start would show messages if it were tried.
  EXPECT_EQ(Make("a.txt", 0, 0, "/no/such/diff"), kDiffMade);
  EXPECT_EQ(ReadFile(dir_ / "diff/a.txt.diff"), "kept");
  EXPECT_EQ(diffTime_, kNewTime + 10);
  EXPECT_TRUE(people_.Calls().empty());

  // The same time as a copy is not newer: the file is made again.
  SetMtime(dir_ / "diff/a.txt.diff", kNewTime);
  EXPECT_EQ(Make("a.txt"), kDiffMade);
  EXPECT_NE(ReadFile(dir_ / "diff/a.txt.diff"), "kept");
}

TEST_F(DiffFileTest, StripSettingComparesWithoutSequenceNumbers) {
  Pair("src.cbl", "000100HELLO\r\n000200WORLD\r\n", "000110HELLO\r\n000220WORLD\r\n");
  EXPECT_EQ(Make("src.cbl", 1, 1), kDiffNoChanges);
  EXPECT_FALSE(fs::exists(dir_ / "diff/src.cbl_old"));
  EXPECT_FALSE(fs::exists(dir_ / "diff/src.cbl_new"));

  EXPECT_EQ(Make("src.cbl", 0, 1), kDiffMade);
  std::string diff = ReadFile(dir_ / "diff/src.cbl.diff");
  EXPECT_NE(diff.find("< 000100HELLO\r\n"), std::string::npos) << diff;
}

TEST_F(DiffFileTest, StrippedCopyDropsSixBytesOfEachLineOnce) {
  std::string longLine(3000, 'L');
  WriteFile(dir_ / "old/t.txt", "123456abc\n123456\n\n12345\nXXXXXX" + longLine + "\nshort");
  ASSERT_EQ(CopyTextSkipPrefix("T:\\old", "T:\\diff", "t.txt", "t.txt_old"), 0);
  // A line longer than the read buffer loses its first six bytes only.
  EXPECT_EQ(ReadFile(dir_ / "diff/t.txt_old"), Crlf("abc\n\n" + longLine + "\n"));

  EXPECT_EQ(CopyTextSkipPrefix("T:\\old", "T:\\diff", "missing", "m_old"), 1);
  EXPECT_EQ(CopyTextSkipPrefix("T:\\old", "T:\\diff\\no\\such", "t.txt", "t_old"), 2);
}

TEST_F(DiffFileTest, StripFailuresLeaveNoCopies) {
  WriteFile(dir_ / "old/only.txt", "1234567\n");
  EXPECT_EQ(Make("only.txt", 1, 1), kDiffNewCopyFailed);
  EXPECT_FALSE(fs::exists(dir_ / "diff/only.txt_old"));
  EXPECT_EQ(Make("none.txt", 1, 1), kDiffOldCopyFailed);
}

TEST_F(DiffFileTest, ProgramThatCannotStart) {
  Pair("a.txt", "1\n", "2\n");
  people_.QueueAnswer(IDOK);
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(Make("a.txt", 0, 1, ""), kDiffNotStarted);
  EXPECT_EQ(Make("a.txt", 0, 1, "T:\\bin\\diff"), kDiffNotStarted);
  // One message each, naming the program (or that none is set): no path
  // is too long here.
  auto msgs = people_.Calls();
  ASSERT_EQ(msgs.size(), 2u);
  const std::string advice = "Quarvex.ini の Dir_Diff_Exec（diffファイルの作成）を見直して下さい。";
  EXPECT_EQ(msgs[0].text, "diff コマンド（未設定）の起動に失敗（CreateProcess）しました。\n" + advice);
  EXPECT_EQ(msgs[1].text, "diff コマンド（T:\\bin\\diff）の起動に失敗（CreateProcess）しました。\n" + advice);
  EXPECT_FALSE(fs::exists(dir_ / "diff/a.txt.diff"));
  EXPECT_FALSE(fs::exists(dir_ / "diff/a.txt.diff.txt"));

  // An output file that cannot be made is named.
  people_.ClearCalls();
  fs::create_directories(dir_ / "diff/a.txt.diff.txt");
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(Make("a.txt", 0, 1), kDiffNotStarted);
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(people_.Calls()[0].text,
            "diff コマンド実行異常終了\n(T:\\diff\\a.txt.diff.txt)\n"
            "    ※　上記の出力ファイルを作成できません。また、ZEK改造評価情報は無効です。");
}

// The command line is the program, the OLD copy and the NEW copy, each in
// double quotes, with single blanks between: "P" "T:\old\N" "T:\new\N" is
// P + 2 N + 22 bytes. A name of 494 bytes (three levels) makes it 1023 bytes
// with /usr/bin/diff and 1024 with /usr/bin//diff.
TEST_F(DiffFileTest, CommandLineLengthBound) {
  std::string name = std::string(200, 'n') + "\\" + std::string(200, 'm') + "\\" + std::string(92, 'f');
  ASSERT_EQ(name.size(), 494u);
  std::string rel = name;
  for (char& c : rel) if (c == '\\') c = '/';
  Pair(rel, "a\n", "b\n");

  EXPECT_EQ(Make(name.c_str(), 0, 1, "/usr/bin/diff"), kDiffMade);
  EXPECT_TRUE(people_.Calls().empty());

  people_.QueueAnswer(IDOK);
  EXPECT_EQ(Make(name.c_str(), 0, 1, "/usr/bin//diff"), kDiffNotStarted);
  auto msgs = people_.Calls();
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(msgs[0].text, "フォルダパスが長すぎぎて、diffコマンドが実行できません。\nDFコマンドを利用ください。");
  EXPECT_FALSE(fs::exists(dir_ / "diff" / (rel + ".diff")));

  // Quiet: the diff maker's own message instead.
  people_.ClearCalls();
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(Make(name.c_str(), 0, 1, "/usr/bin//diff", 1), kDiffNotStarted);
  msgs = people_.Calls();
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(msgs[0].text.rfind("diff コマンド実行異常終了\n(\"/usr/bin//diff\" ", 0), 0u);
}

TEST_F(DiffFileTest, PathsThatDoNotFitAreNeverUsedCut) {
  // N.diff just fits the 1024-byte working buffer, N.diff.txt does not: the
  // maker refuses before it runs anything, and touches no file under a cut
  // name.
  std::string name;
  for (int i = 0; i < 4; ++i) name += std::string(200, static_cast<char>('a' + i)) + "\\";
  name += std::string(206, 'z');
  ASSERT_EQ(name.size(), 1010u);
  std::string rel = name;
  for (char& c : rel) if (c == '\\') c = '/';
  Pair(rel, "1\n", "2\n");
  WriteFile(dir_ / "diff" / (rel + ".diff"), "keep");
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(Make(name.c_str(), 0, 1), kDiffNotStarted);
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(people_.Calls()[0].text.rfind("diff コマンド実行異常終了\n(", 0), 0u);
  EXPECT_EQ(ReadFile(dir_ / "diff" / (rel + ".diff")), "keep");
  size_t files = 0;
  for (auto& e : fs::recursive_directory_iterator(dir_ / "diff")) files += e.is_regular_file();
  EXPECT_EQ(files, 1u);
}

TEST_F(DiffFileTest, SlowProgramIsNotTakenForAWholeDiff) {
  // A stand-in that writes part of its output and is still running after the
  // wait bound.
  fs::path script = dir_ / "slowdiff";
  WriteFile(script, "#!/bin/sh\nexec 2>/dev/null\necho '1c1'\nsleep 7\necho '> late'\n");
  fs::permissions(script, fs::perms::owner_all);
  Pair("a.txt", "1\n", "2\n");
  WriteFile(dir_ / "diff/a.txt.diff", "old diff");
  diffTime_ = 77;
  EXPECT_EQ(Make("a.txt", 0, 1, "T:\\slowdiff"), kDiffIncomplete);
  EXPECT_FALSE(fs::exists(dir_ / "diff/a.txt.diff"));
  EXPECT_FALSE(fs::exists(dir_ / "diff/a.txt.diff.txt"));
  EXPECT_EQ(diffTime_, 77);
  EXPECT_TRUE(people_.Calls().empty()) << "the caller names the pair";
}

TEST_F(DiffFileTest, TroubleReportedByTheDiffProgramIsNoAnswer) {
  // GNU diff ends with 2 when a copy is missing; its empty output must not
  // read as "no differences".
  WriteFile(dir_ / "new/gone.txt", "1\n");
  WriteFile(dir_ / "diff/gone.txt.diff", "old diff");
  diffTime_ = 77;
  EXPECT_EQ(Make("gone.txt", 0, 1), kDiffIncomplete);
  EXPECT_FALSE(fs::exists(dir_ / "diff/gone.txt.diff"));
  EXPECT_FALSE(fs::exists(dir_ / "diff/gone.txt.diff.txt"));
  EXPECT_EQ(diffTime_, 77);
  EXPECT_TRUE(people_.Calls().empty());
}

TEST_F(DiffFileTest, ADiffThatCannotBeWrittenLeavesNoDiffBehind) {
  // The header cannot be made (a folder stands in its place), so N.diff
  // cannot be assembled: the N.diff of an earlier run goes too.
  Pair("a.txt", "1\n", "2\n");
  WriteFile(dir_ / "diff/a.txt.diff", "earlier run");
  fs::create_directories(dir_ / "diff/a.txt.diff.h");
  EXPECT_EQ(Make("a.txt", 0, 1), kDiffHeaderCopyFailed);
  EXPECT_FALSE(fs::exists(dir_ / "diff/a.txt.diff"));
  EXPECT_FALSE(fs::exists(dir_ / "diff/a.txt.diff.txt"));
}

// Every file and folder below `root`, with the contents of the files.
std::map<std::string, std::string> Listing(const fs::path& root) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    out[fs::relative(e.path(), root).string()] = e.is_regular_file() ? ReadFile(e.path()) : "(folder)";
  }
  return out;
}

// The run makes the diff programs' runs of later pairs ahead of their turn:
// until a pair's turn nothing of it appears in the DIFF folder and nothing
// is shown; in its turn MakeDiffFile makes from the run made ahead what it
// makes with the program itself; a run not handed over leaves nothing.
TEST_F(DiffFileTest, RunsMadeAheadTouchNothingUntilTheirTurn) {
  Pair("d/a.txt", "1\n2\n", "1\n3\n");
  Pair("d/b.txt", "x\n", "y\n");
  WriteFile(dir_ / "diff/d/b.txt.diff", "earlier run");
  const auto before = Listing(dir_ / "diff");
  std::vector<DiffMessage> kept;
  {
    DiffRunsAhead ahead("/usr/bin/diff", "T:\\new", "T:\\old", "T:\\diff", 1,
                        {{"d\\a.txt", 0, 0}, {"d\\b.txt", 0, 0}}, 2);
    ahead.Turn(0);
    EXPECT_EQ(Listing(dir_ / "diff"), before);
    DiffRunSourceScope source(&ahead);
    EXPECT_EQ(Make("d\\a.txt", 0, 1), kDiffMade);
  }
  const std::string made = ReadFile(dir_ / "diff/d/a.txt.diff");
  EXPECT_EQ(ReadFile(dir_ / "diff/d/b.txt.diff"), "earlier run");  // its run was dropped
  ASSERT_EQ(unlink((dir_ / "diff/d/a.txt.diff").c_str()), 0);
  EXPECT_EQ(Make("d\\a.txt", 0, 1), kDiffMade);
  EXPECT_EQ(ReadFile(dir_ / "diff/d/a.txt.diff"), made);

  // A program that cannot start: its message waits for the pair's turn.
  {
    DiffRunsAhead ahead("", "T:\\new", "T:\\old", "T:\\diff", 1, {{"d\\a.txt", 0, 0}}, 1);
    ahead.Turn(0);
    DiffRunSourceScope source(&ahead);
    DiffMessageCollector collect(kept);
    EXPECT_EQ(Make("d\\a.txt", 0, 1, ""), kDiffNotStarted);
  }
  EXPECT_TRUE(people_.Calls().empty());
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].text, CString("diff コマンド（未設定）の起動に失敗（CreateProcess）しました。\n"
                                  "Quarvex.ini の Dir_Diff_Exec（diffファイルの作成）を見直して下さい。"));

  // A run of another command line is not handed over: the program is
  // started for the line asked for.
  {
    DiffRunsAhead ahead("/usr/bin/diff", "T:\\new", "T:\\old", "T:\\diff", 1, {{"d\\b.txt", 0, 0}}, 1);
    ahead.Turn(0);
    DiffRunSourceScope source(&ahead);
    EXPECT_EQ(Make("d\\a.txt", 0, 1), kDiffMade);
  }
  EXPECT_EQ(ReadFile(dir_ / "diff/d/a.txt.diff"), made);
}

// Runs are made ahead only where the program cannot read what the step
// writes, nor be written over by it, and only for GNU diff, known by its
// file: any other program may read the DIFF folder or keep state.
TEST_F(DiffFileTest, RunsAreMadeAheadOnlyForGnuDiffWithTheDiffFolderApart) {
  if (access("/usr/bin/diff", X_OK) != 0) GTEST_SKIP() << "GNU diff is not installed";
  fs::create_directories(dir_ / "old/inner");
  fs::create_directories(dir_ / "diff/tools");
  WriteFile(dir_ / "diff/tools/mydiff", "#!/bin/sh\nexec /usr/bin/diff \"$@\"\n");
  fs::permissions(dir_ / "diff/tools/mydiff", fs::perms::owner_all);
  fs::create_directories(dir_ / "bin");
  fs::copy_file("/usr/bin/diff", dir_ / "bin/gd");
  fs::copy_file(dir_ / "diff/tools/mydiff", dir_ / "bin/script");
  EXPECT_TRUE(DiffRunsAhead::CanRunAhead("/usr/bin/diff", "T:\\new", "T:\\old", "T:\\diff"));
  // A copy of GNU diff under another name is GNU diff; a script that runs
  // it is not.
  EXPECT_TRUE(DiffRunsAhead::CanRunAhead("T:\\bin\\gd.exe", "T:\\new", "T:\\old", "T:\\diff"));
  EXPECT_FALSE(DiffRunsAhead::CanRunAhead("T:\\bin\\script", "T:\\new", "T:\\old", "T:\\diff"));
  // A DIFF folder that is not there cannot be told apart from the trees.
  EXPECT_FALSE(DiffRunsAhead::CanRunAhead("/usr/bin/diff", "T:\\new", "T:\\old", "T:\\dif"));
  EXPECT_FALSE(DiffRunsAhead::CanRunAhead("/usr/bin/diff", "T:\\new", "T:\\old", "T:\\old\\inner"));
  EXPECT_FALSE(DiffRunsAhead::CanRunAhead("/usr/bin/diff", "T:\\new", "T:\\diff\\tools", "T:\\diff"));
  EXPECT_FALSE(DiffRunsAhead::CanRunAhead("/usr/bin/diff", "T:\\new", "T:\\old", "T:\\NEW"));
  EXPECT_FALSE(DiffRunsAhead::CanRunAhead("T:\\diff\\tools\\mydiff", "T:\\new", "T:\\old", "T:\\diff"));
  // GNU diff itself, kept in the DIFF folder.
  fs::copy_file("/usr/bin/diff", dir_ / "diff/tools/gd");
  EXPECT_FALSE(DiffRunsAhead::CanRunAhead("T:\\diff\\tools\\gd", "T:\\new", "T:\\old", "T:\\diff"));
  // The same folder through a link.
  fs::create_directory_symlink(dir_ / "old", dir_ / "oldlink");
  EXPECT_FALSE(DiffRunsAhead::CanRunAhead("/usr/bin/diff", "T:\\new", "T:\\oldlink", "T:\\old\\inner"));

  // A path the step writes that is a link, in any case, stops every run
  // ahead: a write through it could land in a copy.
  Pair("d/a.txt", "1\n", "2\n");
  const auto running = [&] {
    DiffRunsAhead ahead("/usr/bin/diff", "T:\\new", "T:\\old", "T:\\diff", 1, {{"d\\a.txt", 0, 0}}, 2);
    return ahead.Running();
  };
  EXPECT_TRUE(running());
  fs::create_directories(dir_ / "diff/D");
  fs::create_symlink(dir_ / "new/d/a.txt", dir_ / "diff/D/A.TXT.DIFF.TXT");
  EXPECT_FALSE(running());
  std::error_code ec;
  fs::remove_all(dir_ / "diff/D", ec);
  fs::create_directory_symlink(dir_ / "new/d", dir_ / "diff/d");
  EXPECT_FALSE(running());
}

// What runs made ahead hold at once stays within the memory they are given;
// an output beyond a run's share is left to the step, which makes the same
// .diff from it.
TEST_F(DiffFileTest, RunsMadeAheadHoldNoMoreThanTheirShareOfMemory) {
  if (access("/usr/bin/diff", X_OK) != 0) GTEST_SKIP() << "GNU diff is not installed";
  std::vector<DiffRunsAhead::Pair> pairs;
  std::string big;
  for (int k = 0; k < 20000; ++k) big += "line " + std::to_string(k) + "\n";
  for (int i = 0; i < 40; ++i) {
    const std::string name = "p" + std::to_string(10 + i) + ".txt";
    Pair(name, i % 4 == 0 ? big : "a\n", i % 4 == 0 ? "other\n" : "b\n");
    pairs.push_back({name.c_str(), 0, 0});
  }
  std::map<std::string, std::string> plain;
  for (const auto& p : pairs) {
    ASSERT_EQ(Make(p.name, 0, 1), kDiffMade);
    plain[p.name.GetString()] = ReadFile(dir_ / "diff" / (std::string(p.name.GetString()) + ".diff"));
  }
  constexpr uint64_t kMemory = 1 << 20;  // 64 KiB a run: the large outputs do not fit
  DiffRunsAhead ahead("/usr/bin/diff", "T:\\new", "T:\\old", "T:\\diff", 1, pairs, 4, kMemory);
  ASSERT_TRUE(ahead.Running());
  ahead.Turn(0);
  for (int waited = 0; ahead.MostHeld() == 0 && waited < 1000; ++waited) usleep(10000);
  DiffRunSourceScope source(&ahead);
  for (size_t i = 0; i < pairs.size(); ++i) {
    ahead.Turn(i);
    ASSERT_EQ(Make(pairs[i].name, 0, 1), kDiffMade);
    EXPECT_EQ(ReadFile(dir_ / "diff" / (std::string(pairs[i].name.GetString()) + ".diff")), plain[pairs[i].name.GetString()])
        << i;
  }
  EXPECT_GT(ahead.MostHeld(), 0u);
  EXPECT_LE(ahead.MostHeld(), kMemory);
}

TEST(SplitPathTest, SplitsAtTheLastRealBackslashAndCutsAtCharacters) {
  char folder[1024];
  char name[1024];
  SplitPath("title", folder, name);
  EXPECT_STREQ(folder, "");
  EXPECT_STREQ(name, "title");
  SplitPath("a\\b\\c", folder, name);
  EXPECT_STREQ(folder, "a\\b");
  EXPECT_STREQ(name, "c");
  // 表 is 0x95 0x5C: its trail byte is no separator.
  SplitPath("a\\表", folder, name);
  EXPECT_STREQ(folder, "a");
  EXPECT_STREQ(name, "表");

  char small[8];
  char tiny[4];
  SplitPath("abc表表表\\xy表", small, tiny);
  EXPECT_STREQ(small, "abc表表");  // the next character does not fit
  EXPECT_STREQ(tiny, "xy");
}

TEST_F(DiffFileTest, OutputFolderLevelsAreMade) {
  // 表 ends in the byte of a backslash: it is a level of its own, not cut.
  EnsureOutputFolder("T:\\diff", "x\\表\\y\\file.txt");
  EXPECT_TRUE(fs::is_directory(dir_ / "diff/x" / qvtest::U8("表") / "y"));
  size_t levels = 0;
  for (auto& e : fs::directory_iterator(dir_ / "diff/x")) levels += e.is_directory();
  EXPECT_EQ(levels, 1u);
  EnsureOutputFolder("T:\\diff", "plain.txt");  // nothing to make
  EXPECT_TRUE(people_.Calls().empty());
}

}  // namespace
