#include "platform/win.h"

#include <gtest/gtest.h>

#include <climits>
#include <sstream>
#include <string>
#include <utility>

namespace {

// 表, ソ and 予 end in 0x5C; ア is 0x83 'A' and ヂ is 0x83 'a'.
std::string Bytes(const CString& s) { return std::string(s.GetString(), static_cast<size_t>(s.GetLength())); }

TEST(CString, ConstructionAssignmentAndMoves) {
  EXPECT_EQ(CString().GetLength(), 0);
  EXPECT_TRUE(CString(static_cast<const char*>(nullptr)).IsEmpty());
  EXPECT_EQ(CString('-', 5), "-----");
  EXPECT_TRUE(CString('x', 0).IsEmpty());
  EXPECT_TRUE(CString('x', -3).IsEmpty());

  CString withNul("a\0b", 3);
  EXPECT_EQ(withNul.GetLength(), 3);
  EXPECT_EQ(withNul.GetAt(2), 'b');

  CString a("表\\ソ");
  CString b(a);
  b.SetAt(0, 'x');
  EXPECT_EQ(a, "表\\ソ") << "copies are independent";
  CString c(std::move(a));
  EXPECT_EQ(c, "表\\ソ");
  EXPECT_TRUE(a.IsEmpty());  // NOLINT: a moved-from string is empty and usable
  a = "again";
  a = a;  // self assignment
  EXPECT_EQ(a, "again");
  a = a.GetString() + 2;  // assignment from inside its own text
  EXPECT_EQ(a, "ain");
  a = 'z';
  EXPECT_EQ(a, "z");
  a.Empty();
  EXPECT_TRUE(a.IsEmpty());
  EXPECT_STREQ(static_cast<const char*>(a), "");
}

TEST(CString, ConcatenationInEveryCombination) {
  CString a("ab");
  EXPECT_EQ(a + "cd", "abcd");
  EXPECT_EQ("cd" + a, "cdab");
  EXPECT_EQ(a + 'x', "abx");
  EXPECT_EQ('x' + a, "xab");
  EXPECT_EQ(a + a, "abab");
  EXPECT_EQ(CString("1") + a + "2" + '3', "1ab23");
  a += a;  // appends its own text
  EXPECT_EQ(a, "abab");
  a += a.GetString() + 1;
  EXPECT_EQ(a, "ababbab");
  CString grow;
  for (int i = 0; i < 1000; ++i) grow += "表";
  EXPECT_EQ(grow.GetLength(), 2000);
}

TEST(CString, AccessOutOfRangeIsHarmless) {
  CString s("abc");
  EXPECT_EQ(s.GetAt(-1), 0);
  EXPECT_EQ(s.GetAt(3), 0);
  EXPECT_EQ(s[1], 'b');
  EXPECT_EQ(s[size_t{7}], 0);
  s.SetAt(3, 'x');
  s.SetAt(-1, 'x');
  EXPECT_EQ(s, "abc");
}

TEST(CString, PiecesClampOutOfRangeArguments) {
  CString s("abcdef");
  EXPECT_EQ(s.Mid(2), "cdef");
  EXPECT_EQ(s.Mid(-3), "abcdef");
  EXPECT_EQ(s.Mid(6), "");
  EXPECT_EQ(s.Mid(100), "");
  EXPECT_EQ(s.Mid(2, 2), "cd");
  EXPECT_EQ(s.Mid(2, -1), "");
  EXPECT_EQ(s.Mid(4, 100), "ef");
  EXPECT_EQ(s.Mid(-2, 3), "abc");
  EXPECT_EQ(s.Mid(INT_MAX, INT_MAX), "");
  EXPECT_EQ(s.Mid(1, INT_MAX), "bcdef");
  EXPECT_EQ(s.Left(2), "ab");
  EXPECT_EQ(s.Left(-1), "");
  EXPECT_EQ(s.Left(100), "abcdef");
  EXPECT_EQ(s.Right(2), "ef");
  EXPECT_EQ(s.Right(-5), "");
  EXPECT_EQ(s.Right(100), "abcdef");
  EXPECT_EQ(CString().Mid(1, 1), "");
  EXPECT_EQ(CString().Right(3), "");
}

TEST(CString, SearchesNeverMatchTrailBytes) {
  const CString s("表\\ソ予\\x");  // 95 5C | 5C | 83 5C | 97 5C | 5C | x
  EXPECT_EQ(s.Find('\\'), 2);
  EXPECT_EQ(s.Find('\\', 3), 7);
  EXPECT_EQ(s.Find('\\', 8), -1);
  EXPECT_EQ(s.Find('\\', -1), -1);
  EXPECT_EQ(s.Find('\\', 100), -1);
  EXPECT_EQ(s.ReverseFind('\\'), 7);
  EXPECT_EQ(CString("表ソ予").ReverseFind('\\'), -1);
  EXPECT_EQ(CString("表ソ予").Find('\\'), -1);
  EXPECT_EQ(s.Find("\\"), 2);
  EXPECT_EQ(s.Find("ソ"), 3);
  EXPECT_EQ(s.Find("\\x"), 7);
  EXPECT_EQ(CString("表ソ").Find("\x5C\x83"), -1) << "a match must start on a character";
  EXPECT_EQ(s.Find("zz"), -1);
  EXPECT_EQ(s.FindOneOf("/\\"), 2);
  EXPECT_EQ(CString("表ソx").FindOneOf("\\x"), 4);
  EXPECT_EQ(CString("a表b").FindOneOf("表"), 1);
}

TEST(CString, ChangesWalkCharacters) {
  CString s("表\\ソ\\");
  EXPECT_EQ(s.Replace('\\', '/'), 2);
  EXPECT_EQ(s, "表/ソ/");

  s = "表\\ソ\\";
  EXPECT_EQ(s.Remove('\\'), 2);
  EXPECT_EQ(s, "表ソ");

  s = "a\\表\\b";
  EXPECT_EQ(s.Replace("\\", "\\\\"), 2);
  EXPECT_EQ(s, "a\\\\表\\\\b");
  EXPECT_EQ(s.Replace("\\\\", ""), 2);
  EXPECT_EQ(s, "a表b");
  EXPECT_EQ(s.Replace("", "x"), 0);
  s = "ab";
  EXPECT_EQ(s.Replace("b", s), 1);  // the new text is the string itself
  EXPECT_EQ(s, "aab");

  s = "abc";
  EXPECT_EQ(s.Insert(-5, 'x'), 4);
  EXPECT_EQ(s.Insert(100, "yz"), 6);
  EXPECT_EQ(s.Insert(1, s), 12);  // inserts its own text
  EXPECT_EQ(s, "xxabcyzabcyz");
  EXPECT_EQ(s.Delete(2, 100), 2);
  EXPECT_EQ(s, "xx");
  EXPECT_EQ(s.Delete(100), 2);
  EXPECT_EQ(s.Delete(-1, 1), 1);
  EXPECT_EQ(s.Delete(0, -4), 1);
  EXPECT_EQ(s, "x");
}

TEST(CString, TrimByWhiteSpaceCharAndSet) {
  CString s(" \t x y \r\n");
  EXPECT_EQ(s.Trim(), "x y");
  s = "表\\\\";
  EXPECT_EQ(s.TrimRight('\\'), "表") << "only the real backslash goes";
  s = "aソ";
  EXPECT_EQ(s.TrimRight('\\'), "aソ");
  s = "予";
  EXPECT_EQ(s.TrimRight("\\"), "予");
  s = "　x　　";  // full-width spaces
  EXPECT_EQ(s.Trim("　"), "x");
  s = "abcba";
  EXPECT_EQ(s.TrimLeft("ab"), "cba");
  EXPECT_EQ(s.Trim('a'), "cb");
  s = "   ";
  EXPECT_EQ(s.TrimLeft(), "");
}

TEST(CString, CaseChangesLettersOnlyNeverTrailBytes) {
  CString s("abcソ表zアＡａ");
  s.MakeUpper();
  EXPECT_EQ(Bytes(s), Bytes("ABCソ表ZアＡＡ"));
  s = "ABCソ表ZアヂＡａ";
  s.MakeLower();
  EXPECT_EQ(Bytes(s), Bytes("abcソ表zアヂａａ")) << "the trail byte 'A' of ア stays";
  s = "aア";
  s.MakeUpper();
  EXPECT_EQ(Bytes(s), Bytes("Aア"));
  s = "a表bc";
  EXPECT_EQ(s.MakeReverse(), "cb表a");
}

TEST(CString, ComparisonsAndOrder) {
  CString a("abc");
  EXPECT_TRUE(a == "abc");
  EXPECT_TRUE("abc" == a);
  EXPECT_TRUE(a != "abd");
  EXPECT_TRUE("abd" != a);
  EXPECT_TRUE(a < "abd");
  EXPECT_TRUE("abb" < a);
  EXPECT_TRUE(a > "ab");
  EXPECT_TRUE("b" > a);
  EXPECT_TRUE(a <= "abc" && a >= "abc" && "abc" <= a && "abc" >= a);
  EXPECT_TRUE(a == CString("abc"));
  EXPECT_FALSE(CString("a\x81") == CString("a\x82"));
  // A double-byte character is one unit: ｱ (0xB1) sorts before ア (0x83 0x41).
  EXPECT_LT(CString("ｱ").Compare("ア"), 0);
  EXPECT_TRUE(CString("ｱ") < CString("ア"));
  EXPECT_EQ(CString("Readme.TXT").CompareNoCase("README.txt"), 0);
  EXPECT_EQ(CString("Ａb").CompareNoCase("ａB"), 0);
  EXPECT_NE(CString("ア").CompareNoCase("ヂ"), 0) << "trail bytes are not letters";
  EXPECT_LT(CString("a_").CompareNoCase("AB"), 0) << "folds to lower case";
}

TEST(CString, FormatAnyLengthWithCStringArguments) {
  CString name("表\\ソ");
  CString s;
  s.Format("%s=%d", name, 42);
  EXPECT_EQ(s, "表\\ソ=42");
  s.Format("100%%");
  EXPECT_EQ(s, "100%");

  CString big('x', 10000);
  s.Format("[%s]", big);
  EXPECT_EQ(s.GetLength(), 10002);
  EXPECT_EQ(s.Right(2), "x]");

  s = "ab";
  s.Format("%s%s", s, s);  // arguments point into the string being replaced
  EXPECT_EQ(s, "abab");
  s.AppendFormat("-%s-%03d", s, 7);
  EXPECT_EQ(s, "abab-abab-007");
  s.AppendFormat("%s", big);
  EXPECT_EQ(s.GetLength(), 13 + 10000);
  char arr[8] = "arr";
  s.Format("%s|%c|%.1f|%u", arr, 'c', 1.25, 3u);
  EXPECT_EQ(s, "arr|c|1.2|3");
  s.Format("%s", "");
  EXPECT_TRUE(s.IsEmpty());
}

TEST(CString, BufferAccess) {
  CString s;
  char* p = s.GetBuffer(10);
  std::strcpy(p, "hello");
  s.ReleaseBuffer();
  EXPECT_EQ(s, "hello");
  EXPECT_EQ(s.GetLength(), 5);

  p = s.GetBuffer(3);  // at least the current text is kept
  EXPECT_STREQ(p, "hello");
  s.ReleaseBuffer(2);
  EXPECT_EQ(s, "he");

  // Filled to the brim without a terminator: the length stops at the room.
  p = s.GetBuffer(6);
  std::memset(p, 'q', 6);
  s.ReleaseBuffer();
  EXPECT_EQ(s, "qqqqqq");
  s.GetBuffer(4);
  s.ReleaseBuffer(1000);
  EXPECT_LE(s.GetLength(), 1000);
  EXPECT_EQ(s.Left(6), "qqqqqq");

  p = s.GetBufferSetLength(3);
  EXPECT_EQ(s.GetLength(), 3);
  p[0] = 'a';
  s.ReleaseBuffer();
  EXPECT_EQ(s, "aqq");

  CString empty;
  empty.GetBuffer(0);
  empty.ReleaseBuffer();
  EXPECT_TRUE(empty.IsEmpty());
  empty.ReleaseBuffer(5);  // without GetBuffer: nothing to take
  EXPECT_TRUE(empty.IsEmpty());
}

TEST(CString, SpansAndTokens) {
  CString s("  a, b,,c");
  int pos = 0;
  EXPECT_EQ(s.Tokenize(" ,", pos), "a");
  EXPECT_EQ(s.Tokenize(" ,", pos), "b");
  EXPECT_EQ(s.Tokenize(" ,", pos), "c");
  EXPECT_EQ(s.Tokenize(" ,", pos), "");
  EXPECT_EQ(pos, -1);
  EXPECT_EQ(CString("123abc").SpanIncluding("0123456789"), "123");
  EXPECT_EQ(CString("表ソ\\x").SpanExcluding("\\"), "表ソ");
}

TEST(CString, PrintsAsUtf8) {
  std::ostringstream os;
  PrintTo(CString("表\\"), &os);
  EXPECT_EQ(os.str(), "\"\xE8\xA1\xA8\\\"");
}

}  // namespace
