// Hex dumps and numbered listings of small files, compared with the text the
// layout gives, and the cases whose numbers outgrow the usual widths.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <string>

#include "compare/DumpWriter.h"
#include "support/testutil.h"

namespace {

using qvtest::Crlf;  // the dump and listing files are written in text mode
using qvtest::ReadFile;
using qvtest::SetMtime;
using qvtest::TempDir;
using qvtest::WriteFile;

// A fixed modification time, so the title line can be written out.
constexpr time_t kMtime = 1546398245;  // 2019-01-02 03:04:05 UTC

std::string Title(const std::string& path, const char* size) {
  // The runtime's ctime text with its own newline; Windows writes the day
  // with two digits.
  return "**  " + path + "  ** " + size + " Byte **  Wed Jan 02 03:04:05 2019\n\n";
}

std::string Blanks(int n) { return std::string(static_cast<size_t>(n), ' '); }

class DumpTest : public ::testing::Test {
 protected:
  void SetUp() override { tzset(); }
  qvtest::EnvVar tz_{"TZ", "UTC0"};
  std::string Dump(const std::string& bytes, int header = 0) {
    auto in = dir_ / "in.bin";
    WriteFile(in, bytes);
    SetMtime(in, kMtime);
    inPath_ = in.string();
    auto out = dir_ / "out.txt";
    EXPECT_EQ(WriteHexDump(header, inPath_.c_str(), out.string().c_str()), 0);
    return ReadFile(out);
  }
  TempDir dir_;
  std::string inPath_;
};

TEST_F(DumpTest, SixteenBytesMakeOneShortLine) {
  std::string got = Dump("ABCDEFGHIJKLMNOP");
  std::string line = "000000-00000F : 4142 4344 4546 4748  494A 4B4C 4D4E 4F50" + Blanks(44) + "ABCDEFGHIJKLMNOP\n";
  EXPECT_EQ(got, Crlf(Title(inPath_, "0016") + line));
}

TEST_F(DumpTest, FullLineAndLastLineOfOneByte) {
  std::string bytes;
  for (int i = 0; i < 33; ++i) bytes += static_cast<char>('0' + i % 10);
  std::string got = Dump(bytes);
  std::string full =
      "000000-00001F : 3031 3233 3435 3637  3839 3031 3233 3435  3637 3839 3031 3233  3435 3637 3839 3031"
      "  01234567890123456789012345678901\n";
  ASSERT_EQ(full.size(), 133u);  // 132 columns and the newline
  std::string last = "000020-000020 : 32" + Blanks(82) + "2\n";
  EXPECT_EQ(got, Crlf(Title(inPath_, "0033") + full + last));

  // 32 bytes end with one full line.
  got = Dump(bytes.substr(0, 32));
  EXPECT_EQ(got, Crlf(Title(inPath_, "0032") + full));
}

TEST_F(DumpTest, EmptyFileGivesTitleOnly) {
  std::string got = Dump("");
  EXPECT_EQ(got, Crlf(Title(inPath_, "0000")));
  got = Dump("hello");
  EXPECT_EQ(got, Crlf(Title(inPath_, "0005") + "000000-000004 : 6865 6C6C 6F" + Blanks(72) + "hello\n"));
}

TEST_F(DumpTest, CharacterColumnShowsPrintableAndHalfWidthKana) {
  // '%' and every byte outside 0x20-0x7F and 0xA1-0xDF show as '.'; the two
  // bytes of a double-byte character are two dots.
  std::string bytes = "%$&\x7f\x1f\xa0\xa1\xdf\xe0\x81\x40\x95\x5c";
  std::string got = Dump(bytes);
  std::string line = "000000-00000C : 2524 267F 1FA0 A1DF  E081 4095 5C" + Blanks(51) + ".$&\x7f..\xa1\xdf..@.\\\n";
  EXPECT_EQ(got, Crlf(Title(inPath_, "0013") + line));
}

TEST_F(DumpTest, BlocksDoNotBreakLines) {
  // Over two read blocks: the lines continue across the block boundary.
  std::string bytes(32768 + 40, 'x');
  std::string got = Dump(bytes);
  EXPECT_NE(got.find("007FE0-007FFF : "), std::string::npos);
  EXPECT_NE(got.find("008000-00801F : "), std::string::npos);
  std::string last = "008020-008027 : 7878 7878 7878 7878" + Blanks(65) + "xxxxxxxx\r\n";
  ASSERT_GE(got.size(), last.size());
  EXPECT_EQ(got.substr(got.size() - last.size()), last);
}

TEST_F(DumpTest, RenderingsInTheTemporaryFolderAreTheUsersAlone) {
  // The DIFF folder is the TEMP folder unless the user chose another.
  std::filesystem::create_directories(dir_ / "temp");
  qvtest::EnvVar temp{"TEMP", (dir_ / "temp").c_str()};
  const mode_t oldMask = umask(022);
  const std::string in = (dir_ / "in.c").string();
  WriteFile(in, "int x;\n");
  auto modeOf = [](const std::filesystem::path& p) {
    struct stat st;
    return lstat(p.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 0777) : -1;
  };
  EXPECT_EQ(WriteHexDump(1, in.c_str(), (dir_ / "temp/in.c_bin_new.txt").c_str()), 0);
  EXPECT_EQ(WriteNumberedListing(1, in.c_str(), (dir_ / "temp/in.c_src_new.txt").c_str()), 0);
  EXPECT_EQ(modeOf(dir_ / "temp/in.c_bin_new.txt"), 0600);
  EXPECT_EQ(modeOf(dir_ / "temp/in.c_src_new.txt"), 0600);

  // Links planted under the names are not written through.
  WriteFile(dir_ / "victim", "keep");
  std::filesystem::create_symlink(dir_ / "victim", dir_ / "temp/in.c_bin_old.txt");
  std::filesystem::create_symlink(dir_ / "victim", dir_ / "temp/in.c_src_old.txt");
  EXPECT_EQ(WriteHexDump(1, in.c_str(), (dir_ / "temp/in.c_bin_old.txt").c_str()), 3);
  EXPECT_EQ(WriteNumberedListing(1, in.c_str(), (dir_ / "temp/in.c_src_old.txt").c_str()), -1);
  EXPECT_EQ(ReadFile(dir_ / "victim"), "keep");

  // A folder the user chose: files as the umask makes them.
  EXPECT_EQ(WriteHexDump(0, in.c_str(), (dir_ / "in.c_bin_new.txt").c_str()), 0);
  EXPECT_EQ(modeOf(dir_ / "in.c_bin_new.txt"), 0644);
  umask(oldMask);
}

TEST_F(DumpTest, FailuresGiveTheirCodes) {
  auto out = dir_ / "out.txt";
  EXPECT_EQ(WriteHexDump(1, (dir_ / "missing").string().c_str(), out.string().c_str()), 2);
  EXPECT_EQ(WriteHexDump(1, dir_.str().c_str(), out.string().c_str()), 2);  // a folder
  std::string tooLong = dir_.str() + "/" + std::string(1100, 'x');
  EXPECT_EQ(WriteHexDump(1, tooLong.c_str(), out.string().c_str()), 2);
  WriteFile(dir_ / "in.bin", "abc");
  EXPECT_EQ(WriteHexDump(1, (dir_ / "in.bin").string().c_str(), (dir_ / "no/such/out.txt").string().c_str()), 3);
  // A full disk is a failure, not a dump.
  EXPECT_EQ(WriteHexDump(1, (dir_ / "in.bin").string().c_str(), "/dev/full"), 3);
  // The shared output was not left open by the failures.
  EXPECT_EQ(WriteHexDump(0, (dir_ / "in.bin").string().c_str(), out.string().c_str()), 0);
}

// Offsets and sizes that a real file would need gigabytes for: the block
// writer takes any offset, the size text any size.
class DumpOffsetTest : public DumpTest {
 protected:
  std::string Block(ULONGLONG offset, size_t count) {
    std::string bytes(count, 'a');
    auto out = dir_ / "block.txt";
    EXPECT_NE(OpenDumpOutput(out.string().c_str(), "w"), nullptr);
    DumpHexBlock(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size(), offset);
    EXPECT_EQ(CloseDumpOutput(), 0);
    return ReadFile(out);
  }
  static std::string Hex(size_t count) {
    std::string s;
    for (size_t i = 0; i < count; ++i) {
      if (i > 0 && i % 2 == 0) s += ' ';
      if (i > 0 && i % 8 == 0) s += ' ';
      s += "61";
    }
    return s;
  }
};

TEST_F(DumpOffsetTest, SevenDigitOffsetsFillColumn99) {
  std::string got = Block(0x1000000, 33);
  std::string full = "1000000-100001F : " + Hex(32) + std::string(32, 'a') + "\r\n";
  EXPECT_EQ(full.find('a'), 100u);
  std::string last = "1000020-1000020 : 61" + Blanks(80) + "a\r\n";
  EXPECT_EQ(got, full + last);
}

TEST_F(DumpOffsetTest, EightDigitOffsetsKeepEveryDigit) {
  // The character column follows the hexadecimal part instead of covering
  // its last byte, and the last line's column lines up with the full line's.
  std::string got = Block(0x10000000, 34);
  std::string full = "10000000-1000001F : " + Hex(32) + std::string(32, 'a') + "\r\n";
  std::string last = "10000020-10000021 : 6161" + Blanks(78) + "aa\r\n";
  EXPECT_EQ(got, full + last);
  EXPECT_EQ(full.find('a'), 102u);
  EXPECT_EQ(last.find('a'), 102u);

  // Past 4 GiB the offsets grow on, nothing wraps.
  got = Block(0x100000000ULL, 1);
  EXPECT_EQ(got, "100000000-100000000 : 61" + Blanks(80) + "a\r\n");
}

TEST(DumpSizeText, AnySizeFits) {
  char text[32];
  FormatDumpSizeText(5, text, sizeof(text));
  EXPECT_STREQ(text, "** 0005 Byte **");
  FormatDumpSizeText(123456789, text, sizeof(text));
  EXPECT_STREQ(text, "** 123456789 Byte **");
  FormatDumpSizeText(5000000000ULL, text, sizeof(text));
  EXPECT_STREQ(text, "** 5000000000 Byte **");
  FormatDumpSizeText(~0ULL, text, sizeof(text));
  EXPECT_STREQ(text, "** 18446744073709551615 Byte **");
}

TEST_F(DumpTest, TitleLineLongerThanALineBufferIsWrittenWhole) {
  std::filesystem::path in = dir_.path();
  for (int i = 0; i < 4; ++i) in /= std::string(240, static_cast<char>('a' + i));
  in /= "in.bin";
  ASSERT_GT(in.string().size(), 980u);
  ASSERT_LT(in.string().size(), 1024u);
  WriteFile(in, "Z");
  SetMtime(in, kMtime);
  auto out = dir_ / "out.txt";
  ASSERT_EQ(WriteHexDump(0, in.string().c_str(), out.string().c_str()), 0);
  EXPECT_EQ(ReadFile(out), Crlf(Title(in.string(), "0001") + "000000-000000 : 5A" + Blanks(82) + "Z\n"));
}

class ListingTest : public DumpTest {
 protected:
  std::string List(const std::string& text, int header = 0, int expect = 0) {
    auto in = dir_ / "src.txt";
    WriteFile(in, text);
    SetMtime(in, kMtime);
    inPath_ = in.string();
    auto out = dir_ / "list.txt";
    EXPECT_EQ(WriteNumberedListing(header, inPath_.c_str(), out.string().c_str()), expect);
    return ReadFile(out);
  }
};

TEST_F(ListingTest, LinesAreNumberedFromOne) {
  EXPECT_EQ(List("first\r\nsecond\n\nlast"), "    1 : first\r\n    2 : second\r\n    3 : \r\n    4 : last");
  EXPECT_EQ(List(""), "");
}

TEST_F(ListingTest, HeaderBlockComesFirst) {
  std::string got = List("x\n", 1);
  char timeText[64];
  std::strftime(timeText, sizeof(timeText), "%Y/%m/%d (%a)  %H:%M:%S", std::localtime(&kMtime));
  std::string rule(118, '-');
  EXPECT_EQ(got, Crlf(rule + "\n          ファイル名：" + inPath_ + "\n          修正日：" + timeText + "\n" + rule +
                      "\n    1 : x\n"));
}

TEST_F(ListingTest, LongLinesArriveInNumberedPiecesWithNothingLost) {
  std::string a(1022, 'a');
  std::string b(1022, 'b');
  std::string got = List(a + b + "cc\nz\n");
  EXPECT_EQ(got, "    1 : " + a + "    2 : " + b + "    3 : cc\r\n    4 : z\r\n");
}

TEST_F(ListingTest, NumbersBeyondFiveDigitsAreWrittenWhole) {
  std::string text;
  for (int i = 0; i < 100001; ++i) text += "\n";
  std::string got = List(text);
  std::string tail = "99999 : \r\n100000 : \r\n100001 : \r\n";
  ASSERT_GE(got.size(), tail.size());
  EXPECT_EQ(got.substr(got.size() - tail.size()), tail);
}

TEST_F(ListingTest, FailuresGiveMinusOne) {
  auto out = dir_ / "list.txt";
  EXPECT_EQ(WriteNumberedListing(1, (dir_ / "missing").string().c_str(), out.string().c_str()), -1);
  WriteFile(dir_ / "src.txt", "x\n");
  EXPECT_EQ(WriteNumberedListing(1, (dir_ / "src.txt").string().c_str(), dir_.str().c_str()), -1);
  EXPECT_EQ(WriteNumberedListing(1, (dir_ / "src.txt").string().c_str(), "/dev/full"), -1);
}

}  // namespace
