// Reading back real GNU diff output, change command lines, line counting
// and the totals rows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "compare/DiffEval.h"
#include "records/FileInfo.h"
#include "records/FileTypeProfile.h"
#include "support/drives.h"
#include "support/testutil.h"

namespace fs = std::filesystem;

namespace {

struct Counts {
  int kind = -1, rangeAdded = -1, rangeDeleted = -1, rangeRight = -1, rangeLeft = -1;
  int deleted = -1, added = -1, changed = -1;
  int result = -1;
};

Counts Evaluate(const std::string& path, int presence, DWORD newLines, DWORD oldLines) {
  Counts c;
  c.result = EvaluateDiffFile(path.c_str(), presence, newLines, oldLines, c.kind, c.rangeAdded,
                              c.rangeDeleted, c.rangeRight, c.rangeLeft, c.deleted, c.added, c.changed);
  return c;
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  return text;
}

// The two four-line blocks that head every .diff file of a run.
std::string HeaderBlocks() {
  const std::string rule(118, '-');
  return Lines({rule, "T:\\new\\a.txt", "          修正：2024/01/02 (Tue)  03:04:05", rule, rule,
                "T:\\old\\a.txt", "          修正：2024/01/01 (Mon)  03:04:05", rule});
}

class DiffEvalTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(tmp_.str().empty()); }

  // GNU diff's normal output of OLD against NEW.
  std::string RealDiff(const std::string& oldText, const std::string& newText) {
    qvtest::WriteFile(tmp_ / "old.txt", oldText);
    qvtest::WriteFile(tmp_ / "new.txt", newText);
    const std::string out = (tmp_ / "out.raw").string();
    const std::string command = "/usr/bin/diff '" + (tmp_ / "old.txt").string() + "' '" +
                                (tmp_ / "new.txt").string() + "' > '" + out + "'";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 1) << command;
    return qvtest::ReadFile(out);
  }

  // Writes `bytes` as T:\name and returns that path.
  std::string Put(const std::string& name, const std::string& bytes) {
    qvtest::WriteFile(tmp_ / name, bytes);
    return "T:\\" + name;
  }

  qvtest::TempDir tmp_;
  qvtest::DriveT drive_{tmp_};
};

TEST(ParseDiffCommandTest, ChangeCommandsAndOtherLines) {
  struct Case {
    const char* line;
    int result, kind, add, del, right, left;
  };
  const Case cases[] = {
      {"5a6,8\n", 1, 1, 3, 0, 0, 0},
      {"3,4d2\n", 1, 2, 0, 2, 0, 0},
      {"1,3c1\n", 1, 3, 0, 0, 1, 3},
      {"7c7\n", 1, 3, 0, 0, 1, 1},
      {"10,12c20,25\n", 1, 3, 0, 0, 6, 3},
      {"7c7", 1, 3, 0, 0, 1, 1},          // last line without its newline: no numbers
      {"5a6,8", 1, 1, 1, 0, 0, 0},
      {"1,2,3d4,5\n", 1, 2, 0, 1, 0, 0},  // more commas: no numbers
      {"12\n", 1, 0, 0, 0, 0, 0},
      {"", 1, 0, 0, 0, 0, 0},
      {"---\n", 0, 0, 0, 0, 0, 0},
      {"< 5a6\n", 0, 0, 0, 0, 0, 0},
      {"5a6\r\n", 0, 0, 0, 0, 0, 0},
      {"\\ No newline at end of file\n", 0, 0, 0, 0, 0, 0},
      {"5a\x95\x5c\n", 0, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    int kind = 9, add = 9, del = 9, right = 9, left = 9;
    EXPECT_EQ(ParseDiffCommand(c.line, kind, add, del, right, left), c.result) << c.line;
    EXPECT_EQ(kind, c.kind) << c.line;
    EXPECT_EQ(add, c.add) << c.line;
    EXPECT_EQ(del, c.del) << c.line;
    EXPECT_EQ(right, c.right) << c.line;
    EXPECT_EQ(left, c.left) << c.line;
  }

  // Numbers beyond the int range are held at its limit; nothing overflows.
  int kind, add, del, right, left;
  EXPECT_EQ(ParseDiffCommand("1,99999999999999999999999d1\n", kind, add, del, right, left), 1);
  EXPECT_EQ(del, INT_MAX);
  EXPECT_EQ(ParseDiffCommand("99999999999999999999,1c99999999999,1\n", kind, add, del, right, left), 1);
  EXPECT_EQ(right, 2 - INT_MAX);
  EXPECT_EQ(left, 2 - INT_MAX);
  EXPECT_EQ(ParseDiffCommand(nullptr, kind, add, del, right, left), 0);
}

TEST_F(DiffEvalTest, RealDiffOutputOfAddDeleteAndChange) {
  const std::string oldText = Lines({"one", "two", "three", "four", "five", "six", "seven", "eight"});
  // Three lines added after "two", "four" and "five" deleted, "seven" changed into two lines.
  const std::string newText =
      Lines({"one", "two", "2a", "2b", "2c", "three", "six", "seven A", "seven B", "eight"});
  const std::string raw = RealDiff(oldText, newText);
  ASSERT_NE(raw.find("2a3,5\n"), std::string::npos) << raw;
  ASSERT_NE(raw.find("4,5d6\n"), std::string::npos) << raw;
  ASSERT_NE(raw.find("7c8,9\n"), std::string::npos) << raw;

  for (const bool crlf : {false, true}) {
    SCOPED_TRACE(crlf ? "CR LF" : "LF");
    const std::string text = HeaderBlocks() + raw;
    const std::string path = Put("a.txt.diff", crlf ? qvtest::Crlf(text) : text);
    const Counts c = Evaluate(path, 3, 10, 8);
    EXPECT_EQ(c.result, 1);
    EXPECT_EQ(c.deleted, 3);       // four, five, seven
    EXPECT_EQ(c.added, 5);         // 2a 2b 2c, seven A, seven B
    EXPECT_EQ(c.changed, 8);
    EXPECT_EQ(c.rangeAdded, 3);
    EXPECT_EQ(c.rangeDeleted, 2);
    EXPECT_EQ(c.rangeRight, 2);
    EXPECT_EQ(c.rangeLeft, 1);
    EXPECT_EQ(c.kind, 0);          // of the last line parsed, the "---"
    EXPECT_EQ(DiffFileHasChanges(path.c_str()), 1);
  }
}

TEST_F(DiffEvalTest, SingleCommandKindsAndAFileWithoutFinalNewline) {
  // A change whose last line has no newline: diff adds its "\ No newline" marks.
  const std::string raw = RealDiff("a\nb\nc", "a\nB\nC");
  const Counts c = Evaluate(Put("x.diff", HeaderBlocks() + raw), 3, 3, 3);
  EXPECT_EQ(c.result, 1);
  EXPECT_EQ(c.deleted, 2);
  EXPECT_EQ(c.added, 2);
  EXPECT_EQ(c.rangeRight, 2);
  EXPECT_EQ(c.rangeLeft, 2);

  // Only deletions of the whole file.
  const std::string gone = RealDiff("a\nb\nc\n", "");
  const Counts d = Evaluate(Put("y.diff", qvtest::Crlf(HeaderBlocks() + gone)), 3, 0, 3);
  EXPECT_EQ(d.result, 1);
  EXPECT_EQ(d.deleted, 3);
  EXPECT_EQ(d.added, 0);
  EXPECT_EQ(d.rangeDeleted, 3);
  EXPECT_EQ(d.kind, 2);

  // A command as the last line without a newline is read with no numbers.
  const Counts e = Evaluate(Put("z.diff", HeaderBlocks() + "< a\n> b\n7c7"), 3, 3, 3);
  EXPECT_EQ(e.result, 1);
  EXPECT_EQ(e.rangeRight, 1);
  EXPECT_EQ(e.rangeLeft, 1);
}

TEST_F(DiffEvalTest, HeaderOnlyEmptyAndMissingFiles) {
  const Counts header = Evaluate(Put("h.diff", qvtest::Crlf(HeaderBlocks())), 3, 10, 4);
  EXPECT_EQ(header.result, 1);
  EXPECT_EQ(header.changed, 0);
  EXPECT_EQ(header.deleted + header.added + header.rangeAdded + header.rangeDeleted, 0);
  EXPECT_EQ(DiffFileHasChanges("T:\\h.diff"), 0);

  const Counts empty = Evaluate(Put("e.diff", ""), 3, 10, 4);
  EXPECT_EQ(empty.result, 1);
  EXPECT_EQ(empty.changed, 0);

  // Missing file: the line-count difference, both ways round.
  const Counts missing = Evaluate("T:\\none.diff", 3, 4, 10);
  EXPECT_EQ(missing.result, 0);
  EXPECT_EQ(missing.changed, 6);
  EXPECT_EQ(missing.deleted + missing.added + missing.rangeAdded, 0);
  EXPECT_EQ(DiffFileHasChanges("T:\\none.diff"), 0);
  fs::create_directories(tmp_ / "folder.diff");
  EXPECT_EQ(Evaluate("T:\\folder.diff", 3, 1, 0).result, 0);
  EXPECT_EQ(DiffFileHasChanges("T:\\folder.diff"), 0);
}

TEST_F(DiffEvalTest, OneSidedRecordsNeverReadTheirDiff) {
  const std::string path = Put("one.diff", HeaderBlocks() + RealDiff("a\n", "b\n"));
  for (const int presence : {0, 1, 2}) {
    const Counts c = Evaluate(path, presence, presence == 1 ? 7 : 0, presence == 2 ? 5 : 0);
    EXPECT_EQ(c.result, 0);
    EXPECT_EQ(c.changed, presence == 1 ? 7 : presence == 2 ? 5 : 0);
    EXPECT_EQ(c.deleted + c.added + c.rangeRight + c.rangeLeft, 0);
  }
  EXPECT_EQ(Evaluate(path, 3, 1, 1).changed, 2);
}

TEST_F(DiffEvalTest, OutputFailingTheAcceptanceRuleFallsBack) {
  // Plain text, not diff output: more lines than 2 x (1 + 0) + 8.
  std::string text = HeaderBlocks() + "> only marked line\n3a4\n";
  for (int i = 0; i < 20; ++i) text += "some text line " + std::to_string(i) + "\n";
  const Counts c = Evaluate(Put("p.diff", qvtest::Crlf(text)), 3, 120, 100);
  EXPECT_EQ(c.result, 0);
  EXPECT_EQ(c.changed, 20);
  EXPECT_EQ(c.deleted, 0);
  EXPECT_EQ(c.added, 0);
  EXPECT_EQ(c.rangeAdded, 1);  // what was read stays

  // Exactly at the limit: 2 x 1 + 8 = 10 lines pass, 11 do not.
  EXPECT_EQ(Evaluate(Put("l10.diff", HeaderBlocks() + "1c1\n< x\n"), 3, 0, 0).result, 1);
  EXPECT_EQ(Evaluate(Put("l11.diff", HeaderBlocks() + "1c1\n< x\ntext\n"), 3, 0, 0).result, 0);
}

TEST_F(DiffEvalTest, LongLinesCountOnceAndAreNotSplitIntoLines) {
  // A changed line of 5000 bytes whose later stretches begin with '<', '>'
  // or look like commands at every multiple of the read buffer.
  std::string longLine = "> ";
  while (longLine.size() < 5000) longLine += std::string(1021, 'x') + "<3a4";
  const std::string text = HeaderBlocks() + "1c1\n< short\n" + longLine + "\n";
  const std::string path = Put("long.diff", qvtest::Crlf(text));
  const Counts c = Evaluate(path, 3, 1, 1);
  EXPECT_EQ(c.result, 1);
  EXPECT_EQ(c.deleted, 1);
  EXPECT_EQ(c.added, 1);
  EXPECT_EQ(c.rangeAdded, 0);

  // A '<' met only inside a long text line is no change.
  const std::string text2 = HeaderBlocks() + std::string(1023, 'y') + "<late\n";
  EXPECT_EQ(DiffFileHasChanges(Put("late.diff", text2).c_str()), 0);
}

TEST_F(DiffEvalTest, RandomBytesGiveAClearResult) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 4; ++round) {
    std::string bytes(65536 + round * 977, '\0');
    for (char& b : bytes) b = static_cast<char>(rng());
    // Some rounds with many short lines of command-like bytes.
    if (round % 2 == 1) {
      const char alphabet[] = "0123456789,acd\n<>";
      for (char& b : bytes) b = alphabet[rng() % (sizeof alphabet - 1)];
    }
    const std::string path = Put("random" + std::to_string(round) + ".diff", bytes);
    const Counts c = Evaluate(path, 3, 30, 10);
    EXPECT_TRUE(c.result == 0 || c.result == 1);
    if (c.result == 0) {
      EXPECT_EQ(c.changed, 20);
      EXPECT_EQ(c.deleted + c.added, 0);
    } else {
      EXPECT_EQ(c.changed, c.deleted + c.added);
    }
    const int has = DiffFileHasChanges(path.c_str());
    EXPECT_TRUE(has == 0 || has == 1);
  }
}

TEST_F(DiffEvalTest, CountFileLinesCountsLineFeeds) {
  DWORD count = 99;
  EXPECT_EQ(CountFileLines(Put("empty", "").c_str(), count), 0);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(CountFileLines(Put("two", "first\nsecond").c_str(), count), 0);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(CountFileLines(Put("crlf", "a\r\nb\r\n\r\n").c_str(), count), 0);
  EXPECT_EQ(count, 3u);

  // Line feeds across the 4096-byte blocks.
  std::string many;
  for (int i = 0; i < 5000; ++i) many += "line " + std::to_string(i) + "\n";
  EXPECT_EQ(CountFileLines(Put("many", many).c_str(), count), 0);
  EXPECT_EQ(count, 5000u);

  // One line of 10 MB without a newline.
  EXPECT_EQ(CountFileLines(Put("big", std::string(10 * 1024 * 1024, 'b')).c_str(), count), 0);
  EXPECT_EQ(count, 0u);

  count = 99;
  EXPECT_EQ(CountFileLines("T:\\missing", count), 1);
  EXPECT_EQ(count, 0u);
  fs::create_directories(tmp_ / "dir");
  count = 99;
  EXPECT_EQ(CountFileLines("T:\\dir", count), 1);
  EXPECT_EQ(count, 0u);
}

TEST(AddStatusCountTest, CountsNonZeroValuesOfTargetFilesOnly) {
  ClearFileTypeProfiles();
  FileTypeProfile& profile = g_fileTypeProfiles[0];
  strcpy(profile.name, "Quarvex");
  profile.targetExt[0] = FileTypeExtEntry{1, 3, "txt", 1};
  profile.totalCount[FILETYPE_LIST_TARGET_EXT] = profile.ownCount[FILETYPE_LIST_TARGET_EXT] = 1;
  g_nActiveProfile = 0;

  CZEKSRCInfo row;
  AddStatusCount("sub\\a.txt", row, 5);
  AddStatusCount("b.txt", row, 7);
  AddStatusCount("zero.txt", row, 0);
  AddStatusCount("other.bin", row, 9);
  const DWORD expected[11] = {0, 2, 12, 2, 12, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 11; ++i) EXPECT_EQ(row.m_dwCount[i], expected[i]) << "counter " << i + 1;
  ClearFileTypeProfiles();
}

}  // namespace
