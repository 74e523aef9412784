// Path kinds, folder makers, path cutters, the date text, the folder picker
// and the copy with its overwrite question, on real files under a temporary
// folder mapped to drive T:.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "compare/PathRoutines.h"
#include "res/tables.h"
#include "support/drives.h"
#include "support/scripted_people.h"
#include "support/testutil.h"

namespace fs = std::filesystem;

namespace {

// Folder names whose second byte is 0x5C, the backslash.
const std::string kHyo = "表";  // 0x95 0x5C
const std::string kSo = "ソ";   // 0x83 0x5C
const std::string kYo = "予";   // 0x97 0x5C
const std::string kKo = "纊";   // 0xFA 0x5C, lead byte above 0xEF

class PathRoutinesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(tmp_.str().empty()); }

  // "T:\" + a code page 932 path below the temporary folder.
  static std::string W(const std::string& rel) { return "T:\\" + rel; }
  // The same place on disk; `rel` is code page 932 with backslashes.
  fs::path Os(const std::string& rel) const {
    std::string u = qvtest::U8(rel);
    for (char& c : u) {
      if (c == '\\') c = '/';
    }
    return tmp_ / u;
  }
  size_t EntriesOnDisk() const {
    size_t n = 0;
    for (auto it = fs::recursive_directory_iterator(tmp_.path()); it != fs::recursive_directory_iterator(); ++it) ++n;
    return n;
  }

  // The texts of every question and message so far.
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& call : people_.Calls()) texts.push_back(call.text);
    return texts;
  }

  qvtest::TempDir tmp_;
  qvtest::DriveT drive_{tmp_};
  qvtest::ScriptedPeople people_;
};

TEST_F(PathRoutinesTest, PathKindsOfFoldersFilesAndMissingPaths) {
  qvtest::WriteFile(Os("f.txt"), "x");
  fs::create_directories(Os("d"));

  EXPECT_EQ(GetPathType(0, W("d").c_str()), 1);
  EXPECT_EQ(GetPathType(1, W("d").c_str()), 0);
  EXPECT_EQ(GetPathType(0, W("f.txt").c_str()), 0);
  EXPECT_EQ(GetPathType(1, W("f.txt").c_str()), 2);
  EXPECT_EQ(GetPathType(0, W("none").c_str()), 3);
  EXPECT_EQ(CheckPathType(1, W("f.txt").c_str()), 2);
  EXPECT_EQ(CheckPathType(0, W("d").c_str()), 1);
  EXPECT_EQ(CheckPathType(0, W("none").c_str()), -1);

  // Drive roots are folders, with or without the backslash.
  EXPECT_EQ(GetPathType(0, "T:\\"), 1);
  EXPECT_EQ(GetPathStatus(1, "T:\\"), 0);

  // A folder written with a trailing backslash: no status, but it is there.
  EXPECT_EQ(GetPathType(0, W("d\\").c_str()), 3);
  EXPECT_EQ(GetPathStatus(0, W("d\\").c_str()), 0);
  EXPECT_EQ(GetPathStatus(1, W("none").c_str()), 3);
  EXPECT_EQ(GetPathStatus(1, W("f.txt\\").c_str()), 3);

  // Names with a trail byte 0x5C are one level, not two.
  fs::create_directories(Os(kHyo));
  EXPECT_EQ(GetPathType(0, W(kHyo).c_str()), 1);

  // Far too long for any buffer: simply not there.
  const std::string huge = W(std::string(5000, 'a'));
  EXPECT_EQ(GetPathType(0, huge.c_str()), 3);
  EXPECT_EQ(GetPathStatus(0, huge.c_str()), 3);
  EXPECT_EQ(CheckPathType(1, huge.c_str()), -1);
  EXPECT_TRUE(Texts().empty());
}

TEST_F(PathRoutinesTest, CuttersKeepDoubleByteCharactersWhole) {
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"C:\\x", "C:"},
      {"C:\\", "C:"},
      {"abc", ""},
      {"T:\\" + kHyo + "\\" + kSo, "T:\\" + kHyo},
      {"T:\\a\\" + kYo, "T:\\a"},
      {kHyo, ""},
      {"a\\" + kKo + "\\" + kKo, "a\\" + kKo},
      {"x\\" + kKo, "x"},
      {std::string("a\\b\x95"), "a"},  // lone lead byte at the end
  };
  for (const Case& c : cases) {
    CString path(c.in.c_str());
    CutToParentFolder(path);
    EXPECT_EQ(std::string(path), c.out) << qvtest::U8(c.in);
  }

  CString p("a\\b");
  MakeRelatedPath(1, p, "c");
  EXPECT_STREQ(p, "a\\c");
  MakeRelatedPath(0, p, "");
  EXPECT_STREQ(p, "a\\c");
  MakeRelatedPath(0, p, kHyo.c_str());
  EXPECT_EQ(std::string(p), "a\\c\\" + kHyo);
  MakeRelatedPath(2, p, "ignored");
  EXPECT_STREQ(p, "a\\c");
  MakeRelatedPath(7, p, "z");
  EXPECT_STREQ(p, "a\\c");
  CString single("name");
  MakeRelatedPath(1, single, "n");
  EXPECT_STREQ(single, "\\n");

  // Long paths are never cut to fit a buffer.
  const std::string longFolder = "T:\\" + std::string(3000, 'a') + "\\" + std::string(1990, 'b');
  CString longPath(longFolder.c_str());
  MakeRelatedPath(0, longPath, "name.txt");
  EXPECT_EQ(std::string(longPath), longFolder + "\\name.txt");
  MakeRelatedPath(2, longPath, nullptr);
  EXPECT_EQ(std::string(longPath), longFolder);
  CutToParentFolder(longPath);
  EXPECT_EQ(std::string(longPath), "T:\\" + std::string(3000, 'a'));
}

TEST_F(PathRoutinesTest, CreateFolderTreeMakesEveryLevel) {
  EXPECT_EQ(CreateFolderTree(W("a\\b").c_str()), 0);
  EXPECT_TRUE(fs::is_directory(Os("a\\b")));

  // Trail bytes 0x5C inside the names, and a name that ends in one.
  const std::string deep = kHyo + "\\" + kSo + "x\\" + kYo + "\\" + kKo;
  EXPECT_EQ(CreateFolderTree(W(deep).c_str()), 0);
  EXPECT_TRUE(fs::is_directory(Os(deep)));
  EXPECT_EQ(std::distance(fs::directory_iterator(Os(kHyo)), fs::directory_iterator()), 1);

  // Present already, a trailing backslash, a doubled one, the drive root.
  EXPECT_EQ(CreateFolderTree(W(deep).c_str()), 0);
  EXPECT_EQ(CreateFolderTree(W("t\\u\\").c_str()), 0);
  EXPECT_TRUE(fs::is_directory(Os("t\\u")));
  EXPECT_EQ(CreateFolderTree(("T:\\\\v\\\\w")), 0);
  EXPECT_TRUE(fs::is_directory(Os("v\\w")));
  EXPECT_EQ(CreateFolderTree("T:\\"), 0);
  EXPECT_TRUE(Texts().empty());
}

TEST_F(PathRoutinesTest, CreateFolderTreeStopsAtTheFirstFailedLevel) {
  qvtest::WriteFile(Os("a"), "file in the way");
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(CreateFolderTree(W("a\\b").c_str()), 1);
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0], "フォルダ(" + W("a") + ")の作成に失敗しました");

  // A leading backslash: the empty first level cannot be made.
  people_.ClearCalls();
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(CreateFolderTree("\\qv-no-such-root-level\\x"), 1);
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0], "フォルダ()の作成に失敗しました");
}

TEST_F(PathRoutinesTest, OverLongPathsAreRefusedWholeNotCut) {
  // 1023 bytes fit the working buffers, 1024 do not.
  std::string fits = W("");
  while (fits.size() + 101 <= 1023) fits += std::string(100, 'p') + "\\";
  fits += std::string(1023 - fits.size(), 'q');
  ASSERT_EQ(fits.size(), 1023u);
  EXPECT_EQ(CreateFolderTree(fits.c_str()), 0);
  EXPECT_TRUE(Texts().empty());

  const std::string tooLong = W("r\\") + std::string(1019, 's');
  ASSERT_EQ(tooLong.size(), 1024u);
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(CreateFolderTree(tooLong.c_str()), 1);
  EXPECT_FALSE(fs::exists(Os("r")));
  ASSERT_EQ(Texts().size(), 1u);

  std::string huge = W("");
  for (int i = 0; i < 50; ++i) huge += std::string(99, 'h') + "\\";
  ASSERT_GE(huge.size(), 5000u);
  const size_t before = EntriesOnDisk();
  people_.QueueAnswer(IDOK);
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(CreateFolderTree(huge.c_str()), 1);
  EXPECT_EQ(CreateFolderPath(W("").c_str(), huge.substr(3).c_str()), 1);
  EXPECT_EQ(EntriesOnDisk(), before);
  EXPECT_EQ(Texts().size(), 3u);
}

TEST_F(PathRoutinesTest, CreateFolderPathMakesTheFolderPartOfTheName) {
  fs::create_directories(Os("out"));
  EXPECT_EQ(CreateFolderPath(W("out").c_str(), ("a\\" + kHyo + "\\f.txt").c_str()), 0);
  EXPECT_TRUE(fs::is_directory(Os("out\\a\\" + kHyo)));
  EXPECT_FALSE(fs::exists(Os("out\\a\\" + kHyo + "\\f.txt")));

  // A name without a backslash makes the destination itself.
  EXPECT_EQ(CreateFolderPath(W("new").c_str(), "f.txt"), 0);
  EXPECT_TRUE(fs::is_directory(Os("new")));

  // A doubled backslash in the name is a level that is already there.
  EXPECT_EQ(CreateFolderPath(W("out").c_str(), "b\\\\c\\f.txt"), 0);
  EXPECT_TRUE(fs::is_directory(Os("out\\b\\c")));
  EXPECT_TRUE(Texts().empty());

  // Only the levels of the name are made: the destination's parent must be there.
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(CreateFolderPath(W("none\\deeper").c_str(), "x\\f.txt"), 1);
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0], "フォルダ(" + W("none\\deeper") + "\\x)の作成に失敗しました");
  EXPECT_FALSE(fs::exists(Os("none")));

  people_.ClearCalls();
  qvtest::WriteFile(Os("out\\file"), "x");
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(CreateFolderPath(W("out").c_str(), "file\\g\\f.txt"), 1);
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0], "フォルダ(" + W("out") + "\\file)の作成に失敗しました");
}

TEST_F(PathRoutinesTest, MakeFolderReportsFailure) {
  EXPECT_EQ(MakeFolder(W("m").c_str()), 0);
  EXPECT_TRUE(fs::is_directory(Os("m")));
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(MakeFolder(W("m").c_str()), 1);
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0], "フォルダ(" + W("m") + ")の作成に失敗しました");
}

TEST(FormatTimeTextTest, SharedDateTextInLocalTime) {
  auto expected = [](time_t t) {
    struct tm tm {};
    localtime_r(&t, &tm);
    char text[64];
    strftime(text, sizeof text, "%Y/%m/%d (%a)  %H:%M:%S", &tm);
    return std::string(text);
  };
  char out[64];
  memset(out, 'z', sizeof out);
  FormatTimeText(0x7FFFFFFF, out);
  EXPECT_EQ(std::string(out), expected(0x7FFFFFFF));
  EXPECT_EQ(strlen(out), 26u);
  FormatTimeText(-1, out);
  EXPECT_EQ(std::string(out), expected(0));
  FormatTimeText(1700000000, out);
  EXPECT_EQ(std::string(out), expected(1700000000));
}

TEST_F(PathRoutinesTest, SelectFolderDialogTakesOnlyAChoiceThatFits) {
  char buffer[MAX_PATH];
  strcpy(buffer, "C:\\start");
  people_.QueueFolder("T:\\" + kHyo);
  EXPECT_EQ(SelectFolderDialog(nullptr, "C:\\start", buffer, BIF_RETURNONLYFSDIRS, "title"), 1);
  EXPECT_EQ(std::string(buffer), "T:\\" + kHyo);
  // The browser's callback opened it at the initial path.
  EXPECT_EQ(people_.Calls().at(0).initialPath, "C:\\start");
  EXPECT_EQ(people_.Calls().at(0).title, "title");

  // Cancelled: the initial path comes back, also when it is the buffer itself.
  strcpy(buffer, "C:\\start");
  people_.QueueFolderCancel();
  EXPECT_EQ(SelectFolderDialog(nullptr, buffer, buffer, BIF_RETURNONLYFSDIRS, "title"), 0);
  EXPECT_STREQ(buffer, "C:\\start");

  // A chosen folder longer than the buffer is not taken; the user is told.
  people_.QueueFolder("T:\\" + std::string(400, 'x'));
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(SelectFolderDialog(nullptr, "C:\\start", buffer, BIF_RETURNONLYFSDIRS, "title"), 0);
  EXPECT_STREQ(buffer, "C:\\start");
  EXPECT_EQ(people_.Calls().back().kind, qv::ScriptedPeople::Kind::Message);

  // An initial path that does not fit is cut at a character boundary.
  std::string longInitial = "C:\\";
  while (longInitial.size() < 300) longInitial += kHyo;
  char small[8];
  people_.QueueFolderCancel();
  EXPECT_EQ(SelectFolderDialog(nullptr, longInitial.c_str(), small, 0, "t", sizeof small), 0);
  EXPECT_EQ(std::string(small), "C:\\" + kHyo + kHyo);
}

class CopyFileConfirmTest : public PathRoutinesTest {
 protected:
  void SetUp() override {
    PathRoutinesTest::SetUp();
    // The overwrite question is a dialog of the program's resources.
    qv::res::Install(qv::res::ProgramResources());
    qvtest::WriteFile(Os("src\\sub\\" + kHyo + "\\f.txt"), "new content");
    fs::create_directories(Os("dst"));
  }
  int Copy(int mode, const std::string& name) {
    return CopyFileConfirm(mode, W("src").c_str(), W("dst").c_str(), name.c_str(), "NEW");
  }
  const std::string name_ = "sub\\" + kHyo + "\\f.txt";
};

TEST_F(CopyFileConfirmTest, CopiesWithoutAQuestionWhenNothingIsInTheWay) {
  EXPECT_EQ(Copy(1, name_), 1);
  EXPECT_EQ(qvtest::ReadFile(Os("dst\\" + name_)), "new content");
  EXPECT_TRUE(Texts().empty());

  // Mode 3 overwrites without asking.
  qvtest::WriteFile(Os("dst\\" + name_), "old");
  EXPECT_EQ(Copy(3, name_), 1);
  EXPECT_EQ(qvtest::ReadFile(Os("dst\\" + name_)), "new content");
  EXPECT_TRUE(Texts().empty());
}

TEST_F(CopyFileConfirmTest, TheFourAnswersOfTheOverwriteQuestion) {
  struct Case {
    int answer;
    int result;
    bool copied;
  };
  const Case cases[] = {{1, 2, true}, {2, 3, true}, {3, -3, false}, {4, -3, false}, {0, -3, false}, {-1, -3, false}};
  for (const Case& c : cases) {
    qvtest::WriteFile(Os("dst\\" + name_), "old");
    people_.ClearCalls();
    people_.QueueDialog(c.answer);
    EXPECT_EQ(Copy(1, name_), c.result) << "answer " << c.answer;
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0], "(NEW)　ファイル名称：" + name_);
    EXPECT_EQ(qvtest::ReadFile(Os("dst\\" + name_)), c.copied ? "new content" : "old") << "answer " << c.answer;
  }
}

TEST_F(CopyFileConfirmTest, FoldersAndFailuresGiveTheirResults) {
  // A target that is a folder raises no question; the copy fails.
  fs::create_directories(Os("dst\\" + name_));
  EXPECT_EQ(Copy(1, name_), -1);
  EXPECT_TRUE(Texts().empty());

  // A source that is a folder (a DVD folder) is not copied.
  fs::create_directories(Os("src\\DVD1\\VIDEO_TS"));
  EXPECT_EQ(Copy(1, "DVD1"), -1);
  EXPECT_FALSE(fs::exists(Os("dst\\DVD1")));

  // A missing source.
  EXPECT_EQ(Copy(1, "missing.txt"), -1);

  // A destination level blocked by a file: -2 after the folder message.
  qvtest::WriteFile(Os("dst\\blocked"), "x");
  qvtest::WriteFile(Os("src\\blocked\\f.txt"), "y");
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(Copy(1, "blocked\\f.txt"), -2);
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(qvtest::ReadFile(Os("dst\\blocked")), "x");

  // A name too long for the working buffers: nothing asked, nothing made.
  people_.ClearCalls();
  std::string longName;
  for (char c = 'l'; c < 'q'; ++c) longName += std::string(210, c) + "\\";
  longName += "f.txt";
  ASSERT_GT(longName.size() + 7, 1023u);
  EXPECT_EQ(Copy(1, longName), -1);
  EXPECT_FALSE(fs::exists(Os("dst\\" + std::string(210, 'l'))));
  EXPECT_TRUE(Texts().empty());
}

TEST_F(CopyFileConfirmTest, CopyOntoItselfKeepsTheFile) {
  const int result = CopyFileConfirm(3, W("src").c_str(), W("src").c_str(), name_.c_str(), "OLD");
  EXPECT_TRUE(result == 1 || result == -1) << result;
  EXPECT_EQ(qvtest::ReadFile(Os("src\\" + name_)), "new content");
}

}  // namespace
