#include "platform/os/environment.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "platform/os/system.h"
#include "support/testutil.h"

namespace {

// Sets or clears variables for one test and puts the old values back.
class EnvironmentTest : public ::testing::Test {
 protected:
  void Set(const char* name, const char* value) {
    if (!saved_.count(name)) {
      const char* old = getenv(name);
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  void TearDown() override {
    for (auto& [name, value] : saved_) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }
  static std::string Get(const char* name) {
    char buf[256];
    const DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    return n == 0 || n >= sizeof buf ? std::string("<unset>") : std::string(buf, n);
  }

  std::map<std::string, std::optional<std::string>> saved_;
  qvtest::TempDir tmp_;
};

TEST_F(EnvironmentTest, TempIsAWindowsPathWithFallbacks) {
  Set("QUARVEX_DRIVES", ("C=/;T=" + tmp_.str()).c_str());
  Set("TEMP", (tmp_.str() + qvtest::U8("/作業/")).c_str());
  EXPECT_EQ(Get("TEMP"), "T:\\作業");
  Set("TEMP", "T:\\given");  // already Windows-shaped: taken as it is
  EXPECT_EQ(Get("TEMP"), "T:\\given");
  Set("TEMP", nullptr);
  Set("TMPDIR", tmp_.str().c_str());
  EXPECT_EQ(Get("TEMP"), "T:\\");
  Set("TMPDIR", nullptr);
  EXPECT_EQ(Get("TEMP"), "C:\\tmp");

  // SystemRoot: the stand-in folder beside the program unless set.
  Set("SystemRoot", nullptr);
  qv::SetModuleFileForTests(tmp_.str() + "/prog/Quarvex");
  EXPECT_EQ(Get("SystemRoot"), "T:\\prog\\system");
  qv::SetModuleFileForTests("");
  Set("SystemRoot", (tmp_.str() + "/sys").c_str());
  EXPECT_EQ(Get("SystemRoot"), "T:\\sys");
}

TEST_F(EnvironmentTest, ValuesInCodePage932) {
  Set("QV_TEST_TEXT", qvtest::U8("日本語 text").c_str());
  EXPECT_EQ(Get("QV_TEST_TEXT"), "日本語 text");
  Set("QV_TEST_TEXT", "\xF0\x9F\x98\x80");  // no code page 932 form
  char buf[64] = "x";
  EXPECT_EQ(GetEnvironmentVariableA("QV_TEST_TEXT", buf, sizeof buf), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));

  Set("QV_TEST_TEXT", nullptr);
  EXPECT_EQ(GetEnvironmentVariableA("QV_TEST_TEXT", buf, sizeof buf), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND));

  // Too long for the buffer: the size needed, and an empty buffer.
  Set("QV_TEST_TEXT", "0123456789");
  char small[10];
  EXPECT_EQ(GetEnvironmentVariableA("QV_TEST_TEXT", small, sizeof small), 11u);
  EXPECT_EQ(small[0], '\0');
  EXPECT_EQ(GetEnvironmentVariableA("QV_TEST_TEXT", small, 0), 11u);
}

TEST(UserNameTest, NameOfTheEffectiveUser) {
  const passwd* pw = getpwuid(geteuid());
  ASSERT_NE(pw, nullptr);
  const std::string expected = qvtest::Cp(pw->pw_name);
  char buf[256];
  DWORD size = sizeof buf;
  ASSERT_TRUE(GetUserNameA(buf, &size));
  EXPECT_EQ(std::string(buf), expected);
  EXPECT_EQ(size, expected.size() + 1);

  size = static_cast<DWORD>(expected.size());  // one byte short
  EXPECT_FALSE(GetUserNameA(buf, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, expected.size() + 1);
}

}  // namespace
