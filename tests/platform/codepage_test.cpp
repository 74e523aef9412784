#include "platform/base/codepage.h"

#include <gtest/gtest.h>

namespace {

TEST(CodePage, RoundTripKeepsTrailBytesOf5C) {
  // 表, ソ and 予 end in 0x5C in code page 932: the literal is already CP932.
  const std::string cp = "表ソ予\\x";
  ASSERT_EQ(std::string("\x95\x5C\x83\x5C\x97\x5C\x5Cx"), cp);
  std::string u8;
  ASSERT_TRUE(qv::Cp932ToUtf8(cp, u8));
  EXPECT_EQ(u8, "\xE8\xA1\xA8\xE3\x82\xBD\xE4\xBA\x88\\x");
  std::string back;
  ASSERT_TRUE(qv::Utf8ToCp932(u8, back));
  EXPECT_EQ(back, cp);
}

TEST(CodePage, BackslashIsNotYen) {
  std::string u8;
  ASSERT_TRUE(qv::Cp932ToUtf8("C:\\a", u8));
  EXPECT_EQ(u8, "C:\\a");
}

TEST(CodePage, Byte80IsUPlus0080AsInWindowsTable) {
  std::string u8, back;
  ASSERT_TRUE(qv::Cp932ToUtf8("a\x80\x81\x80", u8));  // 0x81 0x80 is ÷
  EXPECT_EQ(u8, "a\xC2\x80\xC3\xB7");
  ASSERT_TRUE(qv::Utf8ToCp932(u8, back));
  EXPECT_EQ(back, "a\x80\x81\x80");
  ASSERT_TRUE(qv::Utf8ToCp932("\xC2\x80", back));
  EXPECT_EQ(back, "\x80");
  EXPECT_FALSE(qv::Utf8ToCp932("\xC2\x81", back));  // U+0081 still has no form
}

TEST(CodePage, UnconvertibleInputIsReportedNotMapped) {
  std::string out = "junk";
  // U+00E9 (é) has no code page 932 form.
  EXPECT_FALSE(qv::Utf8ToCp932("ab\xC3\xA9", out));
  EXPECT_EQ(out, "ab");
  EXPECT_EQ(qv::Utf8ToCp932Lossy("ab\xC3\xA9z"), "ab?z");
  // A lead byte at the end without its trail byte.
  EXPECT_FALSE(qv::Cp932ToUtf8("x\x95", out));
  EXPECT_EQ(qv::Cp932ToUtf8Lossy("x\x95"), "x\xEF\xBF\xBD");
}

}  // namespace
