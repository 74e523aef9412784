#include "platform/os/system.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/os/paths.h"
#include "support/drives.h"
#include "support/testutil.h"

namespace fs = std::filesystem;

namespace {

class SystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char buf[4096];
    ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
    cwd_ = buf;
  }
  void TearDown() override {
    EXPECT_EQ(chdir(cwd_.c_str()), 0);
    qv::SetModuleFileForTests("");
  }
  qvtest::TempDir tmp_;
  qvtest::DriveT drive_{tmp_};
  std::string cwd_;
};

TEST_F(SystemTest, ModuleFileNameIsAWindowsPath) {
  char buf[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(std::strlen(buf), n);
  EXPECT_EQ(std::string(buf, 3), "C:\\");

  qv::SetModuleFileForTests(tmp_.str() + "/" + qvtest::U8("ツール/Quarvex"));
  n = GetModuleFileNameA(nullptr, buf, sizeof buf);
  EXPECT_EQ(std::string(buf), "T:\\ツール\\Quarvex");
  EXPECT_EQ(n, std::strlen("T:\\ツール\\Quarvex"));

  // Too small: nothing cut short, a clear failure.
  char small[8];
  EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(small[0], '\0');

  qv::SetModuleFileForTests(tmp_.str() + "/caf\xC3\xA9/Quarvex");
  EXPECT_EQ(GetModuleFileNameA(nullptr, buf, sizeof buf), 0u);
}

TEST_F(SystemTest, CurrentFolderBothWays) {
  fs::create_directories(tmp_ / qvtest::U8("Work/表"));
  ASSERT_EQ(_chdir("T:\\WORK\\表"), 0);
  char buf[1024];
  ASSERT_NE(_getcwd(buf, sizeof buf), nullptr);
  EXPECT_EQ(std::string(buf), "T:\\Work\\表");
  char tiny[4];
  errno = 0;
  EXPECT_EQ(_getcwd(tiny, sizeof tiny), nullptr);
  EXPECT_EQ(errno, ERANGE);
  char* owned = _getcwd(nullptr, 0);
  ASSERT_NE(owned, nullptr);
  EXPECT_EQ(std::string(owned), "T:\\Work\\表");
  free(owned);
  EXPECT_EQ(_chdir("T:\\missing"), -1);
  EXPECT_EQ(errno, ENOENT);
}

TEST_F(SystemTest, TempFileNames) {
  char name[MAX_PATH];
  UINT n = GetTempFileNameA("T:\\", "MFC", 0, name);
  ASSERT_NE(n, 0u);
  char expect[64];
  std::snprintf(expect, sizeof expect, "T:\\MFC%X.TMP", n);
  EXPECT_STREQ(name, expect);
  std::snprintf(expect, sizeof expect, "MFC%X.TMP", n);
  EXPECT_TRUE(fs::exists(tmp_ / expect));
  UINT m = GetTempFileNameA("T:", "MFCX", 0, name);  // separator added, prefix of three
  ASSERT_NE(m, 0u);
  EXPECT_NE(m, n);
  EXPECT_EQ(std::string(name, 6), "T:\\MFC");

  EXPECT_EQ(GetTempFileNameA("T:\\表", "~", 0x1234, name), 0x1234u);
  EXPECT_STREQ(name, "T:\\表\\~1234.TMP");
  EXPECT_FALSE(fs::exists(tmp_ / qvtest::U8("表")));

  EXPECT_EQ(GetTempFileNameA("T:\\missing", "MFC", 0, name), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  std::string longDir = "T:\\" + std::string(300, 'd');
  EXPECT_EQ(GetTempFileNameA(longDir.c_str(), "MFC", 1, name), 0u);
}

}  // namespace
