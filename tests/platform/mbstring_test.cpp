#include "platform/win.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const unsigned char* U(const char* s) { return reinterpret_cast<const unsigned char*>(s); }

TEST(MbString, LeadBytesOfCodePage932) {
  EXPECT_FALSE(_ismbblead(0x80));
  EXPECT_TRUE(_ismbblead(0x81));
  EXPECT_TRUE(_ismbblead(0x9F));
  EXPECT_FALSE(_ismbblead(0xA0));
  EXPECT_FALSE(_ismbblead(0xDF));  // half-width katakana
  EXPECT_TRUE(_ismbblead(0xE0));
  EXPECT_TRUE(_ismbblead(0xFC));
  EXPECT_FALSE(_ismbblead(0xFD));
  EXPECT_FALSE(_ismbblead('\\'));
}

TEST(MbString, StepsByCharactersAndStopsAtTheEnd) {
  const char* s = "表a\x81";  // ends in a lone lead byte
  EXPECT_EQ(_mbsinc(s), s + 2);
  EXPECT_EQ(_mbsinc(s + 2), s + 3);
  EXPECT_EQ(_mbsinc(s + 3), s + 4) << "a lead byte before the terminator is one byte";
  EXPECT_EQ(_mbslen(s), 2u) << "a lone lead byte at the end is no character";
  EXPECT_EQ(_mbslen(U("ｱア予")), 3u);
  EXPECT_EQ(_mbsdec(s, s + 2), s);
  EXPECT_EQ(_mbsdec(s, s + 3), s + 2);
  EXPECT_EQ(_mbsdec(s, s), nullptr);
}

TEST(MbString, SearchesSkipTrailBytes) {
  const char* s = "表\\ソ予\\x";  // backslashes at 2 and 7
  EXPECT_EQ(_mbschr(s, '\\'), s + 2);
  EXPECT_EQ(_mbsrchr(s, '\\'), s + 7);
  EXPECT_EQ(_mbsrchr("表ソ予", '\\'), nullptr);
  EXPECT_EQ(_mbschr("表ソ予", '\\'), nullptr);
  EXPECT_EQ(_mbschr(s, 0x835C), s + 3) << "a double-byte character is found whole";
  EXPECT_EQ(_mbschr(s, 0), s + 9);
  EXPECT_EQ(_mbsrchr(U(s), '\\'), U(s) + 7);
  EXPECT_EQ(_mbsstr(s, "ソ予"), s + 3);
  EXPECT_EQ(_mbsstr("表ソ", "\x5C\x83"), nullptr);
  EXPECT_EQ(_mbsstr(s, ""), s);
}

TEST(MbString, SetSearches) {
  const char* s = "表ソx/";
  EXPECT_EQ(_mbspbrk(s, "/\\"), s + 5);
  EXPECT_EQ(_mbsspn(U("  \t表"), U(" \t")), 3u);
  EXPECT_EQ(_mbscspn(U("表ソ\\"), U("\\")), 4u);
}

TEST(MbString, ComparisonsTakeDoubleByteCharactersAsUnits) {
  EXPECT_EQ(_mbscmp("表\\a", "表\\a"), 0);
  EXPECT_LT(_mbscmp("ｱ", "ア"), 0);  // 0xB1 < 0x8341
  EXPECT_GT(_mbscmp("ア", "ｱ"), 0);
  EXPECT_LT(_mbscmp("ab", "abc"), 0);
  EXPECT_EQ(_mbscmp(U(""), U("")), 0);

  EXPECT_EQ(_mbsicmp("Quarvex.INI", "quarvex.ini"), 0);
  EXPECT_EQ(_mbsicmp("Ａ表", "ａ表"), 0);
  EXPECT_NE(_mbsicmp("ア", "ヂ"), 0) << "0x83 'A' and 0x83 'a' are different characters";
  EXPECT_LT(_mbsicmp("_", "A"), 0) << "letters fold to lower case";
  EXPECT_LT(_mbsicmp("ｱ", "ア"), 0);

  EXPECT_EQ(_mbsnbcmp("abcX", "abcY", 3), 0);
  EXPECT_LT(_mbsnbcmp("abcX", "abcY", 4), 0);
  EXPECT_EQ(_mbsnbcmp("x", "y", 0), 0);
  EXPECT_EQ(_mbsnbcmp("表a", "表b", 2), 0);
  EXPECT_EQ(_mbsnbcmp("ア", "ヂ", 1), 0) << "a character cut by the limit compares by its lead";
  EXPECT_EQ(_mbsnbicmp("ABcd", "abCE", 3), 0);
  EXPECT_NE(_mbsnbicmp("ABcd", "abCE", 4), 0);
  EXPECT_NE(_mbsnbicmp("ア", "ヂ", 2), 0);
}

TEST(MbString, CaseChangesInPlace) {
  char s[] = "abcアヂソＡａ\\z";
  EXPECT_EQ(_mbsupr(s), s);
  EXPECT_EQ(std::string(s), std::string("ABCアヂソＡＡ\\Z"));
  EXPECT_EQ(std::string(_mbslwr(s)), std::string("abcアヂソａａ\\z"));

  // Double-byte Latin, Greek and Cyrillic letters and Roman numerals change
  // too; a Roman numeral comes out in the code Unicode maps it back to.
  char g[] = "ａｚαωаняёⅰⅹＡΩЁ";
  EXPECT_EQ(std::string(_mbsupr(g)), std::string("ＡＺΑΩАНЯЁⅠⅩＡΩЁ"));
  EXPECT_EQ(std::string(_mbslwr(g)), std::string("ａｚαωаняёⅰⅹａωё"));
  char numerals[] = "\xEE\xEF\xFA\x4A\x87\x54";  // ⅰ (NEC-selected), Ⅰ (IBM), Ⅰ (NEC)
  EXPECT_EQ(std::string(_mbsupr(numerals)), "\x87\x54\x87\x54\x87\x54");
  EXPECT_EQ(std::string(_mbslwr(numerals)), "\xFA\x40\xFA\x40\xFA\x40");
  CString text("Ｍovie αя");
  EXPECT_EQ(text.MakeUpper(), CString("ＭOVIE ΑЯ"));
  // The comparisons keep the runtime's narrower fold.
  EXPECT_NE(_mbsicmp("Α", "α"), 0);
  EXPECT_NE(_mbsicmp("Я", "я"), 0);
  EXPECT_EQ(_mbsicmp("Ｍovie", "ｍOVIE"), 0);

  // The single-byte routines change every byte in A..Z, as the runtime does.
  char t[] = "アB";
  _strlwr(t);
  EXPECT_EQ(std::string(t), std::string("\x83" "ab"));
  EXPECT_EQ(std::string(_strupr(t)), std::string("\x83" "AB"));
  EXPECT_EQ(_stricmp("ABC", "abc"), 0);
  EXPECT_LT(_stricmp("abc", "ABD"), 0);
  EXPECT_EQ(_strnicmp("ABCx", "abcy", 3), 0);
  EXPECT_NE(_strnicmp("ABCx", "abcy", 4), 0);
}

}  // namespace
