#include "platform/os/paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/base/wintypes.h"
#include "support/testutil.h"

namespace fs = std::filesystem;

namespace {

// Maps T: onto a fresh temporary folder for one test.
class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string map = "C=/;T=" + tmp_.str();
    setenv("QUARVEX_DRIVES", map.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("QUARVEX_DRIVES");
    qv::ResetDriveMap();
  }
  std::string Os(const char* win) {
    std::string out;
    EXPECT_TRUE(qv::ToOsPath(win, out)) << qvtest::U8(win);
    return out;
  }
  qvtest::TempDir tmp_;
};

TEST_F(PathsTest, DriveMapAndSeparators) {
  EXPECT_EQ(Os("T:\\"), tmp_.str());
  EXPECT_EQ(Os("t:"), tmp_.str());
  EXPECT_EQ(Os("T:\\a\\b.txt"), tmp_.str() + "/a/b.txt");
  EXPECT_EQ(Os("T:\\\\a\\\\\\b/c"), tmp_.str() + "/a/b/c");
  EXPECT_EQ(Os("T:\\a\\"), tmp_.str() + "/a/");
  EXPECT_EQ(Os("C:\\usr\\bin"), "/usr/bin");
  EXPECT_EQ(Os("\\usr"), "/usr");
  EXPECT_EQ(Os("/usr//lib"), "/usr/lib");
  EXPECT_EQ(Os("rel\\x"), "rel/x");
  // Dots fold by text and never leave the drive.
  EXPECT_EQ(Os("T:\\a\\.\\b\\..\\c"), tmp_.str() + "/a/c");
  EXPECT_EQ(Os("T:\\..\\..\\etc"), tmp_.str() + "/etc");

  std::string out;
  EXPECT_FALSE(qv::ToOsPath("Q:\\x", out));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(qv::ToOsPath("\\\\server\\share", out));
  EXPECT_FALSE(qv::ToOsPath("", out));
  EXPECT_FALSE(qv::ToOsPath(nullptr, out));
  // A lead byte without its trail byte is no text.
  EXPECT_FALSE(qv::ToOsPath("T:\\a\x81", out));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));

  auto map = qv::DriveMap();
  ASSERT_EQ(map.size(), 2u);
  EXPECT_EQ(map[0].first, 'C');
  EXPECT_EQ(map[1].second, tmp_.str());
}

TEST_F(PathsTest, TrailByte5CIsNeverASeparator) {
  // 表 ソ 予 end in 0x5C in code page 932.
  ASSERT_EQ(std::string("表").back(), '\\');
  EXPECT_EQ(Os("T:\\表\\ソ予\\"), tmp_.str() + "/\xE8\xA1\xA8/\xE3\x82\xBD\xE4\xBA\x88/");
  EXPECT_EQ(Os("T:\\表\\\\ソ"), tmp_.str() + "/\xE8\xA1\xA8/\xE3\x82\xBD");

  std::string win;
  ASSERT_TRUE(qv::FromOsPath(tmp_.str() + "/\xE8\xA1\xA8/\xE3\x82\xBD", win));
  EXPECT_EQ(win, std::string("T:\\表\\ソ"));
  EXPECT_TRUE(qv::EndsWithSeparator("T:\\表\\"));
  EXPECT_FALSE(qv::EndsWithSeparator("T:\\表"));
  EXPECT_FALSE(qv::EndsWithSeparator("T:\\x"));
}

TEST_F(PathsTest, FromOsPathLongestPrefixAndRefusals) {
  std::string win;
  ASSERT_TRUE(qv::FromOsPath(tmp_.str() + "//sub/", win));
  EXPECT_EQ(win, "T:\\sub");
  ASSERT_TRUE(qv::FromOsPath(tmp_.str(), win));
  EXPECT_EQ(win, "T:\\");
  ASSERT_TRUE(qv::FromOsPath("/usr/bin", win));
  EXPECT_EQ(win, "C:\\usr\\bin");
  ASSERT_TRUE(qv::FromOsPath("/", win));
  EXPECT_EQ(win, "C:\\");
  ASSERT_TRUE(qv::FromOsPath("a/b", win));
  EXPECT_EQ(win, "a\\b");
  // A path that only shares the text of a drive root is not on that drive.
  ASSERT_TRUE(qv::FromOsPath(tmp_.str() + "x/y", win));
  EXPECT_EQ(win[0], 'C');

  // U+00A5 would become 0x5C (a separator), U+301C comes back as U+FF5E,
  // é has no code page 932 form, and invalid UTF-8 is no name at all.
  for (const char* bad : {"/x/\xC2\xA5", "/x/\xE3\x80\x9C", "/x/caf\xC3\xA9", "/x/\xFF\xFE", "/x/a\\b"}) {
    EXPECT_FALSE(qv::FromOsPath(bad, win)) << bad;
    EXPECT_TRUE(win.empty());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
  }

  // Without C: in the override, C: still is "/"; naming it moves it.
  setenv("QUARVEX_DRIVES", ("T=" + tmp_.str()).c_str(), 1);
  ASSERT_TRUE(qv::FromOsPath("/etc", win));
  EXPECT_EQ(win, "C:\\etc");
  setenv("QUARVEX_DRIVES", ("C=" + tmp_.str()).c_str(), 1);
  EXPECT_FALSE(qv::FromOsPath("/etc", win));
  EXPECT_EQ(Os("C:\\a"), tmp_.str() + "/a");
}

TEST_F(PathsTest, LinuxFormBecomesTheProgramsDriveForm) {
  // The drive information of a folder is read from its first three bytes:
  // "/tmp/x" must reach the program as a drive path, never as "/tm".
  const std::string t = tmp_.str();
  EXPECT_EQ(qv::ToProgramPath(t + "/x"), "T:\\x");
  EXPECT_EQ(qv::ToProgramPath(t), "T:\\");
  EXPECT_EQ(qv::ToProgramPath(t + "/"), "T:\\");
  EXPECT_EQ(qv::ToProgramPath(t + "//x/./y/../z/"), "T:\\x\\z\\");
  EXPECT_EQ(qv::ToProgramPath("/usr/bin"), "C:\\usr\\bin");
  EXPECT_EQ(qv::ToProgramPath("/"), "C:\\");
  EXPECT_EQ(qv::ToProgramPath("/.."), "C:\\");
  // ".." that leaves a drive's folder lands on the drive that holds it.
  EXPECT_EQ(qv::ToProgramPath(t + "/../elsewhere")[0], 'C');
  // A name that only begins like a drive root is not on that drive.
  EXPECT_EQ(qv::ToProgramPath(t + "x/y")[0], 'C');
  // Backslashes the program joined on separate too; a trail byte 0x5C does
  // not, and the names keep their bytes.
  EXPECT_EQ(qv::ToProgramPath(t + "/表\\ソ予\\OLD"), "T:\\表\\ソ予\\OLD");
  EXPECT_EQ(qv::ToProgramPath(t + "/\x87\x54"), "T:\\\x87\x54");  // NEC-selected numeral kept as given
  // Drive form, relative text and empty text are left alone.
  for (const char* same : {"T:\\x", "rel/x", "", "\\\\server\\share", "x:/"}) EXPECT_EQ(qv::ToProgramPath(same), same);
  // A Linux path no drive maps stays as it is (the file functions still
  // take it as a Linux path).
  setenv("QUARVEX_DRIVES", ("C=" + t).c_str(), 1);
  EXPECT_EQ(qv::ToProgramPath("/etc/x"), "/etc/x");
  EXPECT_EQ(qv::ToProgramPath(t + "/a"), "C:\\a");
}

TEST_F(PathsTest, CaseInsensitiveResolution) {
  fs::create_directories(tmp_ / "dvd/video_ts");
  qvtest::WriteFile(tmp_ / "dvd/video_ts/vts_01_0.ifo", "x");
  // Two spellings of one name: the first in byte order wins.
  qvtest::WriteFile(tmp_ / "dvd/Readme.txt", "1");
  qvtest::WriteFile(tmp_ / "dvd/README.TXT", "2");

  EXPECT_EQ(Os("T:\\DVD\\VIDEO_TS\\VTS_01_0.IFO"), tmp_.str() + "/dvd/video_ts/vts_01_0.ifo");
  EXPECT_EQ(Os("T:\\DVD\\VIDEO_TS\\"), tmp_.str() + "/dvd/video_ts/");
  EXPECT_EQ(Os("T:\\dvd\\readme.txt"), tmp_.str() + "/dvd/README.TXT");
  // As written when it exists.
  EXPECT_EQ(Os("T:\\dvd\\Readme.txt"), tmp_.str() + "/dvd/Readme.txt");
  // The missing part keeps the caller's spelling.
  EXPECT_EQ(Os("T:\\DVD\\New\\File.TXT"), tmp_.str() + "/dvd/New/File.TXT");
  // A name about to be made in a folder that is there as written (only
  // that folder is looked at) or only in another spelling.
  EXPECT_EQ(Os("T:\\dvd\\video_ts\\New.diff"), tmp_.str() + "/dvd/video_ts/New.diff");
  EXPECT_EQ(Os("T:\\dvd\\video_ts\\VTS_01_0.IFO"), tmp_.str() + "/dvd/video_ts/vts_01_0.ifo");
  EXPECT_EQ(Os("T:\\Dvd\\Video_TS\\New.diff"), tmp_.str() + "/dvd/video_ts/New.diff");
  // Letters beyond ASCII fold as NTFS folds them: full-width Latin, Greek,
  // Cyrillic and Roman numerals.
  for (const char* name : {"\xEF\xBD\x8Dovie",  // ｍovie
                           "\xCE\xB1\xCE\xBB\xCF\x86\xCE\xB1",  // αλφα
                           "\xD1\x84\xD0\xB8\xD0\xBB\xD1\x8C\xD0\xBC",  // фильм
                           "\xD1\x91\xE2\x85\xB0",  // ёⅰ
                           "\xE3\x82\xA2"})  // ア
    fs::create_directories(tmp_ / name);
  EXPECT_EQ(Os("T:\\Ｍovie"), tmp_.str() + "/\xEF\xBD\x8Dovie");
  EXPECT_EQ(Os("T:\\ΑΛΦΑ"), tmp_.str() + "/\xCE\xB1\xCE\xBB\xCF\x86\xCE\xB1");
  EXPECT_EQ(Os("T:\\ФИЛЬМ"), tmp_.str() + "/\xD1\x84\xD0\xB8\xD0\xBB\xD1\x8C\xD0\xBC");
  EXPECT_EQ(Os("T:\\ЁⅠ"), tmp_.str() + "/\xD1\x91\xE2\x85\xB0");
  // Kana have no case: ア is never ヂ, though their second bytes differ by 0x20.
  EXPECT_EQ(Os("T:\\ヂ"), tmp_.str() + "/\xE3\x83\x82");
}

TEST(UpcaseName, LettersCodePage932HoldsAndNothingElse) {
  EXPECT_EQ(qv::UpcaseName("abc.TXT_1"), "ABC.TXT_1");
  EXPECT_EQ(qv::UpcaseName("\xEF\xBD\x81\xEF\xBD\x9A"), "\xEF\xBC\xA1\xEF\xBC\xBA");      // ａｚ
  EXPECT_EQ(qv::UpcaseName("\xCE\xB1\xCF\x89\xCF\x82"), "\xCE\x91\xCE\xA9\xCE\xA3");  // αως
  EXPECT_EQ(qv::UpcaseName("\xD0\xB0\xD1\x8F\xD1\x91"), "\xD0\x90\xD0\xAF\xD0\x81");  // аяё
  EXPECT_EQ(qv::UpcaseName("\xE2\x85\xB0\xE2\x85\xB9"), "\xE2\x85\xA0\xE2\x85\xA9");  // ⅰⅹ
  // é, kana and broken sequences stay as they are.
  EXPECT_EQ(qv::UpcaseName("caf\xC3\xA9\xE3\x81\x82\xFF\xCE"), "CAF\xC3\xA9\xE3\x81\x82\xFF\xCE");
}

TEST_F(PathsTest, OverLongPathFailsCleanly) {
  std::string longPath = "T:";
  while (longPath.size() < 5000) longPath += "\\abcdefgh";
  std::string out;
  EXPECT_FALSE(qv::ToOsPath(longPath.c_str(), out));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
  EXPECT_TRUE(out.empty());
}

TEST_F(PathsTest, DriveRootsAndExeSuffix) {
  EXPECT_EQ(qv::WinDriveRoot("d:\\x"), "D:\\");
  EXPECT_EQ(qv::WinDriveRoot("x\\y"), "");
  EXPECT_TRUE(qv::IsWinDriveRoot("D:\\"));
  EXPECT_TRUE(qv::IsWinDriveRoot("D:"));
  EXPECT_FALSE(qv::IsWinDriveRoot("D:\\x"));
  std::string root;
  EXPECT_TRUE(qv::DriveRoot('t', root));
  EXPECT_EQ(root, tmp_.str());
  EXPECT_FALSE(qv::DriveRoot('Q', root));

  qvtest::WriteFile(tmp_ / "Quarvex", "bin");
  std::string p = tmp_.str() + "/Quarvex.exe";
  EXPECT_TRUE(qv::DropExeSuffixIfMissing(p));
  EXPECT_EQ(p, tmp_.str() + "/Quarvex");
  p = tmp_.str() + "/Other.exe";
  EXPECT_FALSE(qv::DropExeSuffixIfMissing(p));
}

TEST(PathsMounts, MountTableGivesCAndSortedLetters) {
  unsetenv("QUARVEX_DRIVES");
  qv::ResetDriveMap();
  auto map = qv::DriveMap();
  ASSERT_FALSE(map.empty());
  EXPECT_EQ(map[0].first, 'C');
  EXPECT_EQ(map[0].second, "/");
  for (size_t i = 1; i < map.size(); ++i) {
    EXPECT_EQ(map[i].first, static_cast<char>('C' + i));
    if (i > 1) {
      EXPECT_LT(map[i - 1].second, map[i].second);
    }
  }
}

}  // namespace

namespace {

TEST(PathsMounts, OnlyWholeBlockDeviceFileSystemsGetLetters) {
  qvtest::TempDir a, b;
  fs::create_directories(b / "with space");
  const std::string bSpace = b.str() + "/with\\040space";
  const std::string text =
      "27 1 254:0 / / rw - ext4 /dev/vda rw\n"
      "22 27 0:21 / /proc rw - proc proc rw\n"
      "25 24 0:23 / /dev/shm rw - tmpfs tmpfs rw\n"
      "40 27 254:0 /var/lib/x/hosts /etc/hosts rw - ext4 /dev/vda rw\n"  // bind of a file
      "41 27 7:1 / /snap/core/1 ro - squashfs /dev/loop1 ro\n"
      "42 27 8:17 / " + bSpace + " rw shared:5 - vfat /dev/sdb1 rw\n"
      "43 27 8:33 / " + a.str() + " rw - ext4 /dev/sdc1 rw\n"
      "44 27 8:49 / /does/not/exist rw - ext4 /dev/sdd1 rw\n"
      "garbage line\n";
  auto map = qv::DriveMapFromMountTable(text);
  ASSERT_EQ(map.size(), 3u);
  EXPECT_EQ(map[0], (std::pair<char, std::string>{'C', "/"}));
  // In byte order of the mount point.
  const bool aFirst = a.str() < b.str() + "/with space";
  EXPECT_EQ(map[1].second, aFirst ? a.str() : b.str() + "/with space");
  EXPECT_EQ(map[2].second, aFirst ? b.str() + "/with space" : a.str());
  EXPECT_EQ(map[1].first, 'D');
  EXPECT_EQ(map[2].first, 'E');

  auto entries = qv::ParseMountTable(text);
  ASSERT_EQ(entries.size(), 8u);
  EXPECT_EQ(entries[5].mountPoint, b.str() + "/with space");
  EXPECT_EQ(entries[5].fsType, "vfat");
  EXPECT_EQ(entries[5].source, "/dev/sdb1");
}

}  // namespace
