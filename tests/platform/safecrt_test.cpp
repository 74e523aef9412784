#include "platform/win.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <string>

namespace {

// A buffer with guard bytes after it, to see any write past its end.
template <size_t N>
struct Guarded {
  char buf[N];
  char guard[8];
  Guarded() {
    std::memset(buf, '#', N);
    std::memset(guard, 'G', sizeof guard);
  }
  bool Intact() const { return std::string(guard, sizeof guard) == "GGGGGGGG"; }
};

TEST(SafeCrt, SprintfFitsExactlyOrLeavesEmpty) {
  Guarded<6> g;
  EXPECT_EQ(sprintf_s(g.buf, "%s", "12345"), 5);
  EXPECT_STREQ(g.buf, "12345");
  errno = 0;
  EXPECT_EQ(sprintf_s(g.buf, "%s", "123456"), -1);
  EXPECT_EQ(errno, ERANGE);
  EXPECT_STREQ(g.buf, "");
  EXPECT_TRUE(g.Intact());

  char big[64];
  CString name("表\\ソ");
  EXPECT_EQ(sprintf_s(big, sizeof big, "%s\\%s", name, "x"), 7);
  EXPECT_EQ(std::string(big), std::string("表\\ソ\\x"));
  EXPECT_EQ(sprintf_s(nullptr, 10, "x"), -1);
  size_t zero = 0;
  EXPECT_EQ(sprintf_s(big, zero, "x"), -1);
  EXPECT_EQ(sprintf_s(big, nullptr), -1);
  EXPECT_STREQ(big, "");
}

int ShortFormat(char* out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = vsprintf_s(out, 8, format, args);
  va_end(args);
  return n;
}

TEST(SafeCrt, VsprintfThroughCallersVarargs) {
  Guarded<8> g;
  EXPECT_EQ(ShortFormat(g.buf, "[%s]", "12345"), 7);
  EXPECT_STREQ(g.buf, "[12345]");
  EXPECT_EQ(ShortFormat(g.buf, "[%s]", "123456"), -1);
  EXPECT_STREQ(g.buf, "");
  EXPECT_TRUE(g.Intact());
}

TEST(SafeCrt, SnprintfTruncatesOnRequest) {
  Guarded<6> g;
  EXPECT_EQ(_snprintf_s(g.buf, _TRUNCATE, "%s", "12345"), 5);
  EXPECT_STREQ(g.buf, "12345");
  errno = 0;
  EXPECT_EQ(_snprintf_s(g.buf, _TRUNCATE, "%s", "123456789"), -1);
  EXPECT_EQ(errno, STRUNCATE);
  EXPECT_STREQ(g.buf, "12345") << "the cut text is kept";

  // A count below the buffer cuts to the count.
  EXPECT_EQ(_snprintf_s(g.buf, sizeof g.buf, 3, "%s", "abcdef"), -1);
  EXPECT_STREQ(g.buf, "abc");
  EXPECT_EQ(_snprintf_s(g.buf, sizeof g.buf, 3, "%s", "ab"), 2);
  // A count that allows more than the buffer holds is an error.
  errno = 0;
  EXPECT_EQ(_snprintf_s(g.buf, sizeof g.buf, 10, "%s", "abcdefgh"), -1);
  EXPECT_EQ(errno, ERANGE);
  EXPECT_STREQ(g.buf, "");
  EXPECT_EQ(_snprintf_s(g.buf, sizeof g.buf, 10, "%s", "abcde"), 5);
  EXPECT_TRUE(g.Intact());

  // A cut may leave the lead byte of a double-byte character last.
  char two[4];
  EXPECT_EQ(_snprintf_s(two, _TRUNCATE, "%s", "a表"), 2 + 1);
  EXPECT_EQ(_snprintf_s(two, _TRUNCATE, "%s", "ab表"), -1);
  EXPECT_EQ(std::string(two), std::string("ab\x95"));
}

TEST(SafeCrt, StrcpyAndStrncpyBoundaries) {
  Guarded<4> g;
  EXPECT_EQ(strcpy_s(g.buf, "abc"), 0);
  EXPECT_STREQ(g.buf, "abc");
  EXPECT_EQ(strcpy_s(g.buf, "abcd"), ERANGE);
  EXPECT_STREQ(g.buf, "");
  EXPECT_EQ(strcpy_s(g.buf, nullptr), EINVAL);
  EXPECT_EQ(strcpy_s(nullptr, 4, "a"), EINVAL);
  EXPECT_EQ(strcpy_s(g.buf, 0, "a"), EINVAL);

  EXPECT_EQ(strncpy_s(g.buf, "abcdef", 3), 0);
  EXPECT_STREQ(g.buf, "abc");
  EXPECT_EQ(strncpy_s(g.buf, "abcdef", 4), ERANGE);
  EXPECT_STREQ(g.buf, "");
  EXPECT_EQ(strncpy_s(g.buf, "abc", _TRUNCATE), 0);
  EXPECT_STREQ(g.buf, "abc");
  EXPECT_EQ(strncpy_s(g.buf, "abcd", _TRUNCATE), STRUNCATE);
  EXPECT_STREQ(g.buf, "abc");
  EXPECT_EQ(strncpy_s(g.buf, nullptr, 0), 0);
  EXPECT_STREQ(g.buf, "");
  EXPECT_EQ(strncpy_s(g.buf, nullptr, 2), EINVAL);
  EXPECT_TRUE(g.Intact());

  // A command buffer of 2048 bytes taking at most 2046 bytes of the data.
  std::string data(3000, 'd');
  char cmd[2048];
  EXPECT_EQ(strncpy_s(cmd, sizeof cmd, data.c_str(), 2046), 0);
  EXPECT_EQ(std::strlen(cmd), 2046u);
  // The source is read no further than needed: not terminated after 5 bytes.
  const char unterminated[5] = {'1', '2', '3', '4', '5'};
  EXPECT_EQ(strncpy_s(g.buf, unterminated, 3), 0);
  EXPECT_STREQ(g.buf, "123");
}

TEST(SafeCrt, StrcatAndStrncatBoundaries) {
  Guarded<6> g;
  strcpy_s(g.buf, "ab");
  EXPECT_EQ(strcat_s(g.buf, "cde"), 0);
  EXPECT_STREQ(g.buf, "abcde");
  EXPECT_EQ(strcat_s(g.buf, "f"), ERANGE);
  EXPECT_STREQ(g.buf, "");
  strcpy_s(g.buf, "ab");
  EXPECT_EQ(strncat_s(g.buf, "cdefgh", 3), 0);
  EXPECT_STREQ(g.buf, "abcde");
  strcpy_s(g.buf, "ab");
  EXPECT_EQ(strncat_s(g.buf, "cdefgh", 4), ERANGE);
  EXPECT_STREQ(g.buf, "");
  strcpy_s(g.buf, "ab");
  EXPECT_EQ(strncat_s(g.buf, "cdefgh", _TRUNCATE), STRUNCATE);
  EXPECT_STREQ(g.buf, "abcde");
  EXPECT_EQ(strncat_s(g.buf, "", _TRUNCATE), 0);
  std::memset(g.buf, 'x', sizeof g.buf);  // no terminator at all
  EXPECT_EQ(strcat_s(g.buf, "a"), EINVAL);
  EXPECT_STREQ(g.buf, "");
  EXPECT_TRUE(g.Intact());
}

struct Split {
  char drive[8], dir[300], fname[300], ext[300];
  errno_t rc;
  explicit Split(const char* path) { rc = _splitpath_s(path, drive, dir, fname, ext); }
};

TEST(SafeCrt, SplitPathParts) {
  Split a("C:\\Tools\\Q\\Quarvex.exe");
  EXPECT_EQ(a.rc, 0);
  EXPECT_STREQ(a.drive, "C:");
  EXPECT_STREQ(a.dir, "\\Tools\\Q\\");
  EXPECT_STREQ(a.fname, "Quarvex");
  EXPECT_STREQ(a.ext, ".exe");

  Split b("name.tar.gz");
  EXPECT_STREQ(b.drive, "");
  EXPECT_STREQ(b.dir, "");
  EXPECT_STREQ(b.fname, "name.tar");
  EXPECT_STREQ(b.ext, ".gz");

  Split c("d:/a.b/c");
  EXPECT_STREQ(c.drive, "d:");
  EXPECT_STREQ(c.dir, "/a.b/");
  EXPECT_STREQ(c.fname, "c");
  EXPECT_STREQ(c.ext, "") << "a dot in a folder name is no extension";

  Split d("");
  EXPECT_EQ(d.rc, 0);
  EXPECT_STREQ(d.fname, "");
}

TEST(SafeCrt, SplitPathKeepsDoubleByteCharactersWhole) {
  Split a("D:\\表\\ソ予.txt");
  EXPECT_EQ(a.rc, 0);
  EXPECT_EQ(std::string(a.dir), std::string("\\表\\"));
  EXPECT_EQ(std::string(a.fname), std::string("ソ予"));
  EXPECT_STREQ(a.ext, ".txt");

  Split b("予");
  EXPECT_STREQ(b.dir, "");
  EXPECT_EQ(std::string(b.fname), std::string("予"));
}

TEST(SafeCrt, SplitPathOfLongPathsAndSmallBuffers) {
  // 5000 bytes: a long folder part of 表 and backslashes, a short name.
  std::string path = "C:";
  while (path.size() < 4990) path += "\\表表";
  path += "\\name.ext";
  std::vector<char> dir(8000);
  char drive[3], fname[16], ext[8];
  EXPECT_EQ(_splitpath_s(path.c_str(), drive, 3, dir.data(), dir.size(), fname, 16, ext, 8), 0);
  EXPECT_EQ(std::string(dir.data()), path.substr(2, path.size() - 2 - 8));
  EXPECT_STREQ(fname, "name");

  // The same with the usual 260-byte folder buffer: every part emptied.
  char dir260[260];
  std::strcpy(fname, "old");
  EXPECT_EQ(_splitpath_s(path.c_str(), drive, 3, dir260, 260, fname, 16, ext, 8), ERANGE);
  EXPECT_STREQ(dir260, "");
  EXPECT_STREQ(fname, "");
  EXPECT_STREQ(drive, "");

  // Parts not wanted; exactly fitting and one-over names.
  char f5[5];
  EXPECT_EQ(_splitpath_s("C:\\x\\abcd.e", nullptr, 0, nullptr, 0, f5, 5, nullptr, 0), 0);
  EXPECT_STREQ(f5, "abcd");
  EXPECT_EQ(_splitpath_s("C:\\x\\abcde.e", nullptr, 0, nullptr, 0, f5, 5, nullptr, 0), ERANGE);
  EXPECT_EQ(_splitpath_s(nullptr, nullptr, 0, nullptr, 0, f5, 5, nullptr, 0), EINVAL);
  EXPECT_EQ(_splitpath_s("a", nullptr, 3, nullptr, 0, f5, 5, nullptr, 0), EINVAL);
  EXPECT_EQ(_splitpath_s("a", nullptr, 0, nullptr, 0, f5, 0, nullptr, 0), EINVAL);
}

}  // namespace
