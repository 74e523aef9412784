#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/drives.h"
#include "support/testutil.h"

// Last, as every user of the layer does: the umbrella header replaces the
// names fopen, _fsopen and remove for the code that follows, and headers
// read after it would see the replacements too.
#include "platform/win.h"

namespace fs = std::filesystem;

namespace {

class CrtIoTest : public ::testing::Test {
 protected:
  qvtest::TempDir tmp_;
  qvtest::DriveT drive_{tmp_};
};

TEST_F(CrtIoTest, TextModeWritesCrLfAndReadsItBack) {
  FILE* f = fopen("T:\\表\\..\\out.txt", "w");
  ASSERT_NE(f, nullptr);
  fputs("line 1\n", f);
  fprintf(f, "%s\n", "ファイル名：x");
  fwrite("a\r\nb", 1, 4, f);  // Windows turns this "\n" into CR LF too
  EXPECT_EQ(fclose(f), 0);
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "out.txt"),
            "line 1\r\n" + std::string("ファイル名：x") + "\r\na\r\r\nb");

  f = fopen("T:\\OUT.TXT", "a+");
  ASSERT_NE(f, nullptr);
  fputs("tail\n", f);
  fclose(f);

  f = fopen("T:\\out.txt", "r");
  ASSERT_NE(f, nullptr);
  char buf[2048];
  std::vector<std::string> lines;
  while (fgets(buf, sizeof buf, f)) lines.emplace_back(buf);
  fclose(f);
  EXPECT_EQ(lines, (std::vector<std::string>{"line 1\n", "ファイル名：x\n", "a\r\n", "btail\n"}));
}

TEST_F(CrtIoTest, CrLfAcrossReadBlocksAndLoneCr) {
  // The CR of a pair sits on the last byte of the layer's 64 KiB block.
  std::string data(65535, 'x');
  data += "\r\nend\rmore\r";
  qvtest::WriteFile(tmp_ / "big.txt", data);
  FILE* f = fopen("T:\\big.txt", "rt");
  ASSERT_NE(f, nullptr);
  std::string got;
  char buf[1000];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) got.append(buf, n);
  EXPECT_TRUE(feof(f));
  EXPECT_FALSE(ferror(f));
  // Back to the start: positions 0 and the end work in text mode.
  EXPECT_EQ(fseek(f, 0, SEEK_SET), 0);
  EXPECT_EQ(fgetc(f), 'x');
  EXPECT_EQ(fseek(f, 0, SEEK_END), 0);
  EXPECT_EQ(ftell(f), static_cast<long>(data.size()));
  fclose(f);
  EXPECT_EQ(got, std::string(65535, 'x') + "\nend\rmore\r");
}

TEST_F(CrtIoTest, BinaryModeIsUntouched) {
  const std::string bytes("a\r\nb\nc\r\x1A\0z", 10);
  FILE* f = fopen("T:\\bin.dat", "wb");
  ASSERT_NE(f, nullptr);
  fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "bin.dat"), bytes);
  f = _fsopen("T:\\BIN.DAT", "rb", _SH_DENYWR);
  ASSERT_NE(f, nullptr);
  char buf[32];
  EXPECT_EQ(fread(buf, 1, sizeof buf, f), bytes.size());
  EXPECT_EQ(std::string(buf, bytes.size()), bytes);
  EXPECT_EQ(fseek(f, 4, SEEK_SET), 0);
  EXPECT_EQ(ftell(f), 4);
  fclose(f);
  EXPECT_EQ(_fsopen("T:\\bin.dat", "rb", 0x99), nullptr);
  EXPECT_EQ(errno, EINVAL);
}

TEST_F(CrtIoTest, FailuresAreDefined) {
  fs::create_directories(tmp_ / "folder");
  errno = 0;
  EXPECT_EQ(fopen("T:\\folder", "r"), nullptr);
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(fopen("T:\\folder", "w"), nullptr);
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(fopen("T:\\none.txt", "r"), nullptr);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(fopen("T:\\none\\x.txt", "w"), nullptr);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(fopen("T:\\x.txt", "q"), nullptr);
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(fopen("T:\\x.txt", "w,ccs=UTF-8"), nullptr);
  std::string longPath = "T:";
  while (longPath.size() < 5000) longPath += "\\abcdefghij";
  EXPECT_EQ(fopen(longPath.c_str(), "w"), nullptr);
  EXPECT_EQ(errno, ENOENT);
}

TEST_F(CrtIoTest, RemoveIsTheLayersAndStdRemoveStillWorks) {
  qvtest::WriteFile(tmp_ / "f.txt", "x");
  fs::create_directories(tmp_ / "d");
  EXPECT_EQ(remove("T:\\F.TXT"), 0);
  EXPECT_FALSE(fs::exists(tmp_ / "f.txt"));
  EXPECT_EQ(remove("T:\\d"), -1);
  EXPECT_EQ(errno, EACCES);
  std::vector<int> v{1, 2, 1, 3};
  v.erase(std::remove(v.begin(), v.end(), 1), v.end());
  EXPECT_EQ(v, (std::vector<int>{2, 3}));
}

}  // namespace
