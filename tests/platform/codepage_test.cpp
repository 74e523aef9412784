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

// Windows' table has the single bytes 0xA0, 0xFD, 0xFE and 0xFF as the
// private-use U+F8F0-U+F8F3, both ways; the characters next to them have
// no form.
TEST(CodePage, BytesA0AndFDToFFAreThePrivateUseCharactersOfWindowsTable) {
  std::string u8, back;
  ASSERT_TRUE(qv::Cp932ToUtf8("a\xA0\xFD\x81\x80\xFE\xFF", u8));
  EXPECT_EQ(u8, "a\xEF\xA3\xB0\xEF\xA3\xB1\xC3\xB7\xEF\xA3\xB2\xEF\xA3\xB3");
  ASSERT_TRUE(qv::Utf8ToCp932(u8, back));
  EXPECT_EQ(back, "a\xA0\xFD\x81\x80\xFE\xFF");
  EXPECT_FALSE(qv::Utf8ToCp932("\xEF\xA3\xAF", back));  // U+F8EF
  EXPECT_FALSE(qv::Utf8ToCp932("\xEF\xA3\xB4", back));  // U+F8F4
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

// Where Windows converts without refusing (a command line for a program it
// starts): its table's private-use characters for the single bytes the
// table here lacks, its default character U+30FB (・) for a lead byte and
// whatever byte follows it, or for a lead byte at the end.
TEST(CodePage, AsWindowsConvertsEveryByteAndTakesATrailWithItsLead) {
  const std::string dot = "\xE3\x83\xBB";
  EXPECT_EQ(qv::Cp932ToUtf8AsWindows("plain \x93\xFA\x96\x7B \x80\xB1"),
            "plain \xE6\x97\xA5\xE6\x9C\xAC \xC2\x80\xEF\xBD\xB1");  // 日本, U+0080, ｱ
  EXPECT_EQ(qv::Cp932ToUtf8AsWindows("\xA0\xFD\xFE\xFF"),
            "\xEF\xA3\xB0\xEF\xA3\xB1\xEF\xA3\xB2\xEF\xA3\xB3");  // U+F8F0-U+F8F3
  EXPECT_EQ(qv::Cp932ToUtf8AsWindows("a\x81 b"), "a" + dot + "b");  // 0x20 is no trail byte
  EXPECT_EQ(qv::Cp932ToUtf8AsWindows("a\x81\"b"), "a" + dot + "b");
  EXPECT_EQ(qv::Cp932ToUtf8AsWindows("\x85\x40z"), dot + "z");  // a pair without a character
  EXPECT_EQ(qv::Cp932ToUtf8AsWindows("x\x95"), "x" + dot);
  EXPECT_EQ(qv::Cp932ToUtf8AsWindows("\x81\xAD\x81\x81"), dot + "\xEF\xBC\x9D");  // unassigned, then ＝
}

}  // namespace
