#include "platform/os/profile.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "support/testutil.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string map = "C=/;T=" + tmp_.str();
    setenv("QUARVEX_DRIVES", map.c_str(), 1);
  }
  void TearDown() override { unsetenv("QUARVEX_DRIVES"); }

  // Writes `bytes` as T:\<name> and returns the Windows path.
  std::string Put(const std::string& name, const std::string& bytes) {
    qvtest::WriteFile(tmp_ / name, bytes);
    return "T:\\" + name;
  }
  std::string Read(const std::string& file) { return qvtest::ReadFile(tmp_ / file); }
  std::string Get(const std::string& ini, const char* section, const char* key,
                  const char* def = "<none>") {
    char buf[1024];
    GetPrivateProfileStringA(section, key, def, buf, sizeof buf, ini.c_str());
    return buf;
  }
  // A zero-separated list as "a|b|c".
  static std::string List(const char* buf) {
    std::string out;
    for (const char* p = buf; *p; p += strlen(p) + 1) out += std::string(out.empty() ? "" : "|") + p;
    return out;
  }

  qvtest::TempDir tmp_;
};

TEST_F(ProfileTest, ReadsValuesAsWindowsDoes) {
  const std::string ini = Put("a.ini",
                              "; comment=not a key\r\n"
                              "orphan=before any section\r\n"
                              "[Quarvex]\r\n"
                              "  Command_Excel =  C:\\Prog\\x.exe  \r\n"
                              "Empty=\r\n"
                              "Quoted=\"  in quotes  \"\r\n"
                              "Single='x'\r\n"
                              "Half=\"open\r\n"
                              "Dup=first\r\n"
                              "dup=second\r\n"
                              ";Hidden=1\r\n"
                              "no equals sign here\r\n"
                              "Comment=コメントを入力できます。\r\n"
                              "[ 表示 ]\n"
                              "Key=lf only\n"
                              "[quarvex]\n"
                              "Late=in a second block of the same name\n");
  EXPECT_EQ(Get(ini, "QUARVEX", "command_excel"), "C:\\Prog\\x.exe");
  EXPECT_EQ(Get(ini, " Quarvex ", " Command_Excel "), "C:\\Prog\\x.exe");
  EXPECT_EQ(Get(ini, "Quarvex", "Empty"), "");
  EXPECT_EQ(Get(ini, "Quarvex", "Quoted"), "  in quotes  ");
  EXPECT_EQ(Get(ini, "Quarvex", "Single"), "x");
  EXPECT_EQ(Get(ini, "Quarvex", "Half"), "\"open");
  EXPECT_EQ(Get(ini, "Quarvex", "Dup"), "first");
  EXPECT_EQ(Get(ini, "Quarvex", "Comment"), "コメントを入力できます。");
  EXPECT_EQ(Get(ini, "表示", "KEY"), "lf only");
  // Comments, lines without '=', keys outside a section and later blocks of
  // the same section do not count.
  EXPECT_EQ(Get(ini, "Quarvex", ";Hidden"), "<none>");
  EXPECT_EQ(Get(ini, "Quarvex", "no equals sign here"), "<none>");
  EXPECT_EQ(Get(ini, "Quarvex", "Late"), "<none>");
  EXPECT_EQ(Get(ini, "", "orphan"), "<none>");
  // Missing: the default without its trailing blanks; nullptr is "".
  EXPECT_EQ(Get(ini, "Quarvex", "Missing", "dflt  "), "dflt");
  EXPECT_EQ(Get(ini, "Nowhere", "Key", nullptr), "");
  EXPECT_EQ(Get("T:\\missing.ini", "Quarvex", "Key", "d"), "d");
  char buf[8];
  EXPECT_EQ(GetPrivateProfileStringA("Quarvex", "Empty", "d", buf, sizeof buf, ini.c_str()), 0u);

  EXPECT_EQ(GetPrivateProfileIntA("Quarvex", "Missing", 14, ini.c_str()), 14u);
  EXPECT_EQ(GetPrivateProfileIntA("Quarvex", "Empty", 14, ini.c_str()), 14u);
  const std::string nums = Put("n.ini", "[N]\nA=12abc\nB=-5\nC=abc\nD=\"7\"\nE= +30 \n");
  EXPECT_EQ(GetPrivateProfileIntA("N", "A", 1, nums.c_str()), 12u);
  EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntA("N", "B", 1, nums.c_str())), -5);
  EXPECT_EQ(GetPrivateProfileIntA("N", "C", 1, nums.c_str()), 0u);
  EXPECT_EQ(GetPrivateProfileIntA("N", "D", 1, nums.c_str()), 7u);
  EXPECT_EQ(GetPrivateProfileIntA("N", "E", 1, nums.c_str()), 30u);
}

TEST_F(ProfileTest, DoubleByteNamesMatchByteForByte) {
  // 0x83 0x41 and 0x83 0x61 differ only in what looks like ASCII case in the
  // trail byte; 0x83 0x5D has a trail byte of ']'.
  const std::string ini = Put("d.ini",
                              "[\x83\x5D]\r\n"
                              "\x83\x41=upper\r\n"
                              "\x83\x61=lower\r\n");
  EXPECT_EQ(Get(ini, "\x83\x5D", "\x83\x41"), "upper");
  EXPECT_EQ(Get(ini, "\x83\x5D", "\x83\x61"), "lower");
  ASSERT_TRUE(WritePrivateProfileStringA("\x83\x5D", "\x83\x61", "changed", ini.c_str()));
  EXPECT_EQ(Read("d.ini"), "[\x83\x5D]\r\n\x83\x41=upper\r\n\x83\x61=changed\r\n");
}

TEST_F(ProfileTest, ListsAndTruncation) {
  const std::string ini = Put("l.ini", "[One]\nalpha=1\nbeta=2\nALPHA=3\n[Two]\n[one]\ngamma=4\n");
  char buf[64];
  GetPrivateProfileStringA(nullptr, nullptr, nullptr, buf, sizeof buf, ini.c_str());
  EXPECT_EQ(List(buf), "One|Two");
  EXPECT_EQ(GetPrivateProfileStringA("one", nullptr, nullptr, buf, sizeof buf, ini.c_str()), 11u);
  EXPECT_EQ(std::string(buf, 12), std::string("alpha\0beta\0", 12));
  EXPECT_EQ(buf[11], '\0');
  // An empty section lists nothing and gives the default.
  EXPECT_EQ(GetPrivateProfileStringA("Two", nullptr, "", buf, sizeof buf, ini.c_str()), 0u);
  EXPECT_EQ(buf[0], '\0');

  // Lists that do not fit: the last name is cut, two zeros, size-2.
  char small[9];
  memset(small, 'x', sizeof small);
  EXPECT_EQ(GetPrivateProfileStringA("One", nullptr, "", small, 9, ini.c_str()), 7u);
  EXPECT_EQ(std::string(small, 9), std::string("alpha\0b\0\0", 9));
  memset(small, 'x', sizeof small);
  EXPECT_EQ(GetPrivateProfileStringA("One", nullptr, "", small, 6, ini.c_str()), 4u);
  EXPECT_EQ(std::string(small, 6), std::string("alph\0\0", 6));
  EXPECT_EQ(small[6], 'x');

  // Values that do not fit: size-1 bytes, never half a double-byte character.
  const std::string val = Put("v.ini", "[S]\nK=abcdef\nJ=a表b\n");
  EXPECT_EQ(GetPrivateProfileStringA("S", "K", "", small, 4, val.c_str()), 3u);
  EXPECT_STREQ(small, "abc");
  EXPECT_EQ(GetPrivateProfileStringA("S", "J", "", small, 3, val.c_str()), 1u);
  EXPECT_STREQ(small, "a");
  EXPECT_EQ(GetPrivateProfileStringA("S", "J", "", small, 4, val.c_str()), 3u);
  EXPECT_STREQ(small, "a表");
  EXPECT_EQ(GetPrivateProfileStringA("S", "K", "", small, 1, val.c_str()), 0u);
  EXPECT_EQ(small[0], '\0');
}

TEST_F(ProfileTest, ManyRowsAndDamagedFiles) {
  std::string text = "[Big]\r\n";
  for (int i = 0; i < 200; ++i) text += "Row" + std::to_string(i) + "=" + std::to_string(i * 3) + "\r\n";
  text += "[After]\r\nKey=ok\r\n";
  const std::string big = Put("big.ini", text);
  for (int i = 0; i < 200; ++i)
    ASSERT_EQ(GetPrivateProfileIntA("Big", ("row" + std::to_string(i)).c_str(), -1, big.c_str()),
              static_cast<UINT>(i * 3));
  std::vector<char> all(4096);
  GetPrivateProfileStringA("Big", nullptr, "", all.data(), static_cast<DWORD>(all.size()), big.c_str());
  int count = 0;
  for (const char* p = all.data(); *p; p += strlen(p) + 1) ++count;
  EXPECT_EQ(count, 200);

  // Binary bytes, a NUL, an overlong line, a lone '=' and a line without
  // '=': each is ignored and the good lines around them still count.
  std::string damaged = "[S]\r\nA=1\r\n\x01\x02=\xff\xfe\r\nB=\0x\r\n"s;
  damaged += "C=" + std::string(100000, 'z') + "\r\n=novalue\r\n\x81\r\nD=4\r\n[";
  const std::string bad = Put("bad.ini", damaged);
  EXPECT_EQ(Get(bad, "S", "A"), "1");
  EXPECT_EQ(Get(bad, "S", "B"), "<none>");
  EXPECT_EQ(Get(bad, "S", "C"), "<none>");
  EXPECT_EQ(Get(bad, "S", "D"), "4");
  ASSERT_TRUE(WritePrivateProfileStringA("S", "E", "5", bad.c_str()));
  EXPECT_EQ(Read("bad.ini"), damaged.substr(0, damaged.size() - 1) + "E=5\r\n[");

  // Random bytes: no crash, and a write keeps them.
  std::mt19937 rng(7);
  std::string noise(20000, '\0');
  for (char& c : noise) c = static_cast<char>(rng() & 0xff);
  const std::string rnd = Put("rnd.ini", noise);
  char buf[256];
  GetPrivateProfileStringA(nullptr, nullptr, "", buf, sizeof buf, rnd.c_str());
  GetPrivateProfileStringA("x", "y", "", buf, sizeof buf, rnd.c_str());
  ASSERT_TRUE(WritePrivateProfileStringA("New", "K", "v", rnd.c_str()));
  EXPECT_EQ(Read("rnd.ini").substr(0, noise.size()), noise);
  EXPECT_EQ(Get(rnd, "New", "K"), "v");

  // A folder is not a settings file.
  fs::create_directory(tmp_ / "dir.ini");
  EXPECT_EQ(Get("T:\\dir.ini", "S", "A", "d"), "d");
  EXPECT_FALSE(WritePrivateProfileStringA("S", "A", "1", "T:\\dir.ini"));
}

TEST_F(ProfileTest, WritingKeepsEveryOtherByte) {
  const std::string original =
      "; Quarvex settings\r\n"
      "[Quarvex]\r\n"
      "Command_Excel = C:\\old.exe\r\n"
      "  Odd  Spacing   =  kept  \r\n"
      "lf_line=kept\n"
      "\r\n"
      "[Other]\r\n"
      "Default_Comment=コメント\r\n"
      "; trailing comment\r\n"
      "\r\n"
      "\r\n"
      "[Last]\r\n"
      "NoNewline=1";
  const std::string ini = Put("w.ini", original);
  struct stat before;
  ASSERT_EQ(stat((tmp_ / "w.ini").c_str(), &before), 0);

  // Same value: nothing is written at all.
  ASSERT_TRUE(WritePrivateProfileStringA("quarvex", "COMMAND_EXCEL", "C:\\old.exe", ini.c_str()));
  struct stat same;
  ASSERT_EQ(stat((tmp_ / "w.ini").c_str(), &same), 0);
  EXPECT_EQ(same.st_ino, before.st_ino);

  // Replace: only that line changes, in the file's spelling of the key.
  ASSERT_TRUE(WritePrivateProfileStringA("QUARVEX", "command_excel", "D:\\新.exe", ini.c_str()));
  std::string expect = original;
  expect.replace(expect.find("Command_Excel = C:\\old.exe"), 26, "Command_Excel=D:\\新.exe");
  EXPECT_EQ(Read("w.ini"), expect);

  // Add: after the last non-blank line of the section, before the blanks.
  ASSERT_TRUE(WritePrivateProfileStringA("Other", "Default_OldPath", "T:\\dvd", ini.c_str()));
  const std::string comment = "; trailing comment\r\n";
  expect.insert(expect.find(comment) + comment.size(), "Default_OldPath=T:\\dvd\r\n");
  EXPECT_EQ(Read("w.ini"), expect);

  // Add to a last section without a final line break.
  ASSERT_TRUE(WritePrivateProfileStringA("Last", "Added", "2", ini.c_str()));
  expect += "\r\nAdded=2\r\n";
  EXPECT_EQ(Read("w.ini"), expect);

  // New section at the end, after a blank line.
  ASSERT_TRUE(WritePrivateProfileStringA("新規", "Key", "v", ini.c_str()));
  expect += "\r\n[新規]\r\nKey=v\r\n";
  EXPECT_EQ(Read("w.ini"), expect);

  // Remove a key, then a whole section.
  ASSERT_TRUE(WritePrivateProfileStringA("Quarvex", "lf_line", nullptr, ini.c_str()));
  expect.erase(expect.find("lf_line=kept\n"), 13);
  EXPECT_EQ(Read("w.ini"), expect);
  ASSERT_TRUE(WritePrivateProfileStringA("Other", nullptr, nullptr, ini.c_str()));
  const size_t from = expect.find("[Other]");
  const std::string added = "Default_OldPath=T:\\dvd\r\n";
  expect.erase(from, expect.find(added) + added.size() - from);
  EXPECT_EQ(Read("w.ini"), expect);
  // Removing what is not there changes nothing.
  ASSERT_TRUE(WritePrivateProfileStringA("Other", "x", nullptr, ini.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("None", nullptr, nullptr, ini.c_str()));
  EXPECT_EQ(Read("w.ini"), expect);
  EXPECT_EQ(Get(ini, "Quarvex", "Command_Excel"), "D:\\新.exe");
  EXPECT_EQ(Get(ini, "Other", "Default_Comment"), "<none>");

  // Texts that would not read back are refused; the file stays.
  EXPECT_FALSE(WritePrivateProfileStringA("Quarvex", "K", "a\r\n[Evil]", ini.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(WritePrivateProfileStringA("Quarvex", "a=b", "v", ini.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringA("Qu]arvex", "k", "v", ini.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringA("Quarvex", "  ", "v", ini.c_str()));
  // A control byte or an over-long line would be read as garbage and the
  // key lost, so they are refused too, not reported as written.
  EXPECT_FALSE(WritePrivateProfileStringA("Quarvex", "K", "a\x1b" "b", ini.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(WritePrivateProfileStringA("Quarvex", "K\x01", "v", ini.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringA("Qu\x7F" "arvex", "K", "v", ini.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringA("Quarvex", "K", std::string(64 * 1024, 'v').c_str(), ini.c_str()));
  EXPECT_EQ(Read("w.ini"), expect);
  EXPECT_TRUE(WritePrivateProfileStringA("Quarvex", "Tab", "a\tb", ini.c_str()));
  EXPECT_EQ(Get(ini, "Quarvex", "Tab"), "a\tb");
  ASSERT_TRUE(WritePrivateProfileStringA("Quarvex", "Tab", nullptr, ini.c_str()));

  // Only the settings file is left in the folder: no temporary files.
  int entries = 0;
  for (auto& e : fs::directory_iterator(tmp_.path())) entries += e.path().filename() != "w.ini";
  EXPECT_EQ(entries, 0);
}

TEST_F(ProfileTest, AWriteNeverChangesWhatAnotherKeyReads) {
  // The last line ends in a bare CR: the added line must not join it.
  const std::string ini = Put("cr.ini", "[S]\r\nA=1\r");
  ASSERT_TRUE(WritePrivateProfileStringA("S", "B", "2", ini.c_str()));
  EXPECT_EQ(Read("cr.ini"), "[S]\r\nA=1\r\nB=2\r\n");
  EXPECT_EQ(Get(ini, "S", "A"), "1");
  EXPECT_EQ(Get(ini, "S", "B"), "2");
  const std::string ini2 = Put("cr2.ini", "[S]\r\nA=1\r");
  ASSERT_TRUE(WritePrivateProfileStringA("T", "C", "3", ini2.c_str()));
  EXPECT_EQ(Read("cr2.ini"), "[S]\r\nA=1\r\n\r\n[T]\r\nC=3\r\n");
  EXPECT_EQ(Get(ini2, "S", "A"), "1");

  // A name ending in a lone lead byte would take the '=' or ']' after it for
  // its trail byte: written but never found, and every write would add a
  // line. It is refused.
  const std::string before = Read("cr.ini");
  EXPECT_FALSE(WritePrivateProfileStringA("S", "Key\x82", "v", ini.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(WritePrivateProfileStringA("S\x95", "K", "v", ini.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringA("S", "Key\x82 ", "v", ini.c_str()));
  EXPECT_EQ(Read("cr.ini"), before);
  ASSERT_TRUE(WritePrivateProfileStringA("表", "ソ", "予", ini.c_str()));  // trail bytes 0x5C are whole characters
  EXPECT_EQ(Get(ini, "表", "ソ"), "予");
}

TEST_F(ProfileTest, LongFileNamesCanBeWritten) {
  // The temporary file of the rewrite must fit the folder's name limit too.
  for (size_t length : {230u, 255u}) {
    const std::string name = std::string(length - 4, 'n') + ".ini";
    const std::string ini = Put(name, "[S]\r\nA=1\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("S", "A", "2", ini.c_str())) << length;
    EXPECT_EQ(Get(ini, "S", "A"), "2");
  }
}

TEST_F(ProfileTest, CreatesFilesAndFollowsChangesOnDisk) {
  ASSERT_TRUE(WritePrivateProfileStringA("Quarvex", "Default_OldPath", "", "T:\\new.ini"));
  EXPECT_EQ(Read("new.ini"), "[Quarvex]\r\nDefault_OldPath=\r\n");
  EXPECT_EQ(Get("T:\\new.ini", "Quarvex", "Default_OldPath"), "");

  EXPECT_FALSE(WritePrivateProfileStringA("Quarvex", "K", "v", "T:\\no\\such\\x.ini"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  // The parsed file is kept while the file keeps its identity, size and
  // modification time to the nanosecond, also when it is young: thousands
  // of start-up look-ups read it once.
  const std::string ini = Put("c.ini", "[S]\nK=1\n");
  const fs::path c = tmp_ / "c.ini";
  struct stat before;
  ASSERT_EQ(stat(c.c_str(), &before), 0);
  EXPECT_EQ(Get(ini, "S", "K"), "1");
  auto rewriteInPlace = [&](const char* bytes, timespec mtime) {
    qvtest::WriteFile(c, bytes);
    const timespec times[2] = {mtime, mtime};
    ASSERT_EQ(utimensat(AT_FDCWD, c.c_str(), times, 0), 0);
  };
  rewriteInPlace("[S]\nK=2\n", before.st_mtim);
  EXPECT_EQ(Get(ini, "S", "K"), "1") << "same inode, size and time: not read again";
  // A change of a nanosecond, of the size or of the file is seen.
  timespec later = before.st_mtim;
  later.tv_nsec = (later.tv_nsec + 1) % 1000000000;
  rewriteInPlace("[S]\nK=2\n", later);
  EXPECT_EQ(Get(ini, "S", "K"), "2");
  rewriteInPlace("[S]\nK=33\n", later);
  EXPECT_EQ(Get(ini, "S", "K"), "33");
  qvtest::WriteFile(tmp_ / "c.new", "[S]\nK=44\n");
  fs::rename(tmp_ / "c.new", c);
  EXPECT_EQ(Get(ini, "S", "K"), "44");
  ASSERT_TRUE(WritePrivateProfileStringA("S", "K", "5", ini.c_str()));
  EXPECT_EQ(Get(ini, "S", "K"), "5");

  // A settings file reached through a symbolic link stays a link; the
  // permission bits survive the rewrite.
  qvtest::WriteFile(tmp_ / "real.ini", "[S]\r\nK=1\r\n");
  chmod((tmp_ / "real.ini").c_str(), 0640);
  fs::create_symlink(tmp_ / "real.ini", tmp_ / "link.ini");
  ASSERT_TRUE(WritePrivateProfileStringA("S", "K", "2", "T:\\link.ini"));
  EXPECT_TRUE(fs::is_symlink(tmp_ / "link.ini"));
  EXPECT_EQ(Read("real.ini"), "[S]\r\nK=2\r\n");
  struct stat st;
  ASSERT_EQ(stat((tmp_ / "real.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

}  // namespace
