#include "platform/os/paths.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/base/wintypes.h"
#include "platform/os/driveletters.h"
#include "platform/os/files.h"
#include "platform/os/nameindex.h"
#include "support/testutil.h"
#include "support/unprivileged.h"

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

  // U+F8F0 and U+F8F3 are Windows' single bytes 0xA0 and 0xFF, and come back.
  ASSERT_TRUE(qv::FromOsPath("/x/q\xEF\xA3\xB0\xEF\xA3\xB3", win));
  EXPECT_EQ(win, "C:\\x\\q\xA0\xFF");
  EXPECT_EQ(Os(win.c_str()), "/x/q\xEF\xA3\xB0\xEF\xA3\xB3");

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

// A folder's names are listed once and remembered; what another process
// changes behind the layer's back is still found at the next look-up.
TEST_F(PathsTest, RememberedNamesFollowChangesBehindTheLayersBack) {
  const std::string d = tmp_.str() + "/d";
  qvtest::WriteFile(tmp_ / "d/b.txt", "b");
  // An old time: the change below shows however coarse the clock's grain.
  qvtest::SetMtime(tmp_ / "d", 1500000000);
  const size_t listings = qv::FolderListingsForTests();
  EXPECT_EQ(Os("T:\\d\\A.TXT"), d + "/A.TXT");
  EXPECT_EQ(Os("T:\\d\\B.TXT"), d + "/b.txt");
  EXPECT_EQ(qv::FolderListingsForTests(), listings + 1);

  // Made by someone else, then a change through the layer that needs no
  // look-up (the name is there as written): both show.
  qvtest::WriteFile(tmp_ / "d/a.txt", "a");  // not through the layer
  EXPECT_EQ(qv::Remove("T:\\d\\b.txt"), 0);
  EXPECT_EQ(Os("T:\\d\\A.TXT"), d + "/a.txt");
  EXPECT_EQ(Os("T:\\d\\B.TXT"), d + "/B.TXT");

  // Another folder put in its place, with the same modification time: a
  // new listing.
  qvtest::WriteFile(tmp_ / "d2/new.txt", "n");
  struct stat st;
  ASSERT_EQ(stat(d.c_str(), &st), 0);
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  ASSERT_EQ(utimensat(AT_FDCWD, (d + "2").c_str(), times, 0), 0);
  fs::rename(tmp_ / "d", tmp_ / "old");
  fs::rename(tmp_ / "d2", tmp_ / "d");
  EXPECT_EQ(Os("T:\\d\\NEW.TXT"), d + "/new.txt");
  EXPECT_EQ(Os("T:\\d\\A.TXT"), d + "/A.TXT");
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
  // A first start: nothing saved yet, so the letters follow the byte order
  // of the mount points.
  qvtest::TempDir config;
  qvtest::EnvVar home("XDG_CONFIG_HOME", config.str().c_str());
  unsetenv("QUARVEX_DRIVES");
  qv::ResetDriveMap();
  auto map = qv::DriveMap();
  qv::ResetDriveMap();
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

// Letters that stay with their volume: mount tables that change between
// looks, and the assignment saved in a configuration folder of the test's.
class DriveLettersTest : public ::testing::Test {
 protected:
  struct Disk {
    std::string device;
    std::string uuid;  // empty: none can be read
    std::string point;
  };

  // A disk with a mount point below the test's folder (made as a folder).
  Disk Make(const std::string& device, const std::string& uuid, const std::string& point) {
    fs::create_directories(tmp_ / ("media/" + point));
    return Disk{device, uuid, (tmp_ / ("media/" + point)).string()};
  }

  // One look at a mount table holding `disks` (in mount order): letter ->
  // mount point, C: left out.
  std::map<char, std::string> Look(qv::DriveLetters& letters, const std::vector<Disk>& disks) {
    std::string text = "27 1 254:0 / / rw - ext4 /dev/vda rw\n";
    int id = 40;
    for (const Disk& d : disks) {
      std::string point;
      for (char c : d.point) point += c == ' ' ? std::string("\\040") : std::string(1, c);
      text += std::to_string(id++) + " 27 8:1 / " + point + " rw - vfat " + d.device + " rw\n";
    }
    auto uuidOf = [&disks](const std::string& device) {
      for (const Disk& d : disks)
        if (d.device == device) return d.uuid;
      return std::string();
    };
    qv::DriveRoots roots = letters.Assign(qv::LetterVolumes(qv::ParseMountTable(text), uuidOf));
    EXPECT_EQ(roots['C' - 'A'], "/");
    std::map<char, std::string> out;
    for (int k = 0; k < 26; ++k)
      if (k != 'C' - 'A' && !roots[k].empty()) out[static_cast<char>('A' + k)] = roots[k];
    return out;
  }

  std::string Folder() const { return (tmp_ / "config/quarvex").string(); }
  std::string Saved() const { return qvtest::ReadFile(tmp_ / "config/quarvex/drives"); }
  // The program folder every "user" of these tests shares, and its file.
  std::string Program() const { return (tmp_ / "program").string(); }
  std::string Shared() const { return qvtest::ReadFile(tmp_ / "program/Quarvex.drives"); }

  qvtest::TempDir tmp_;
};

using Letters = std::map<char, std::string>;

TEST_F(DriveLettersTest, LettersStayWithTheirVolumeWhileOthersComeAndGo) {
  const Disk movies = Make("/dev/sdb1", "AAAA-0001", "movies");
  const Disk archive = Make("/dev/sdc1", "AAAA-0002", "archive");  // sorts first
  const Disk backup = Make("/dev/sdd1", "AAAA-0003", "backup");
  qv::DriveLetters letters{std::string()};  // nothing saved: within one run
  EXPECT_EQ(Look(letters, {movies}), (Letters{{'D', movies.point}}));
  // A disk mounted at a point that sorts first does not move the others.
  EXPECT_EQ(Look(letters, {movies, archive}), (Letters{{'D', movies.point}, {'E', archive.point}}));
  // One goes: the others keep theirs, and a new one takes the first free.
  EXPECT_EQ(Look(letters, {archive}), (Letters{{'E', archive.point}}));
  EXPECT_EQ(Look(letters, {archive, backup}), (Letters{{'D', backup.point}, {'E', archive.point}}));
  // Back while its letter is held: the first free one.
  EXPECT_EQ(Look(letters, {archive, backup, movies}),
            (Letters{{'D', backup.point}, {'E', archive.point}, {'F', movies.point}}));
  // Back while its letter is free: its letter again.
  EXPECT_EQ(Look(letters, {backup, movies}), (Letters{{'D', backup.point}, {'F', movies.point}}));
  EXPECT_EQ(Look(letters, {backup, movies, archive}),
            (Letters{{'D', backup.point}, {'E', archive.point}, {'F', movies.point}}));
  // Known by its UUID: mounted somewhere else, still its letter.
  Disk moved = archive;
  moved.point = Make("/dev/sdc1", "", "archive2").point;
  EXPECT_EQ(Look(letters, {backup, movies, moved}),
            (Letters{{'D', backup.point}, {'E', moved.point}, {'F', movies.point}}));
}

TEST_F(DriveLettersTest, SavedAssignmentHoldsAcrossStarts) {
  const Disk zeta = Make("/dev/sdb1", "3f1c2d4e-5b6a-4c7d-8e9f-a0b1c2d3e4f5", "zeta");
  const Disk alpha = Make("/dev/sdc1", "ABCD-1234", "alpha");
  // No UUID: known by its point (a UTF-8 label, 表, and a blank).
  const Disk plain = Make("/dev/sdd1", "", "plain \xE8\xA1\xA8");
  {
    qv::DriveLetters first(Folder());
    EXPECT_EQ(Look(first, {zeta}), (Letters{{'D', zeta.point}}));
    EXPECT_EQ(Look(first, {zeta, alpha, plain}),
              (Letters{{'D', zeta.point}, {'E', alpha.point}, {'F', plain.point}}));
  }
  EXPECT_EQ(Saved(), "quarvex drives 1\nD uuid:" + zeta.uuid + "\nE uuid:ABCD-1234\nF path:" + tmp_.str() +
                         "/media/plain\\040\xE8\xA1\xA8\n");
  EXPECT_EQ(fs::status(Folder()).permissions() & fs::perms::all, fs::perms::owner_all);
  {
    // The next start, all three mounted at once, in another order.
    qv::DriveLetters second(Folder());
    EXPECT_EQ(Look(second, {plain, alpha, zeta}),
              (Letters{{'D', zeta.point}, {'E', alpha.point}, {'F', plain.point}}));
    // Zeta goes and a new disk takes D:.
    EXPECT_EQ(Look(second, {plain, alpha}), (Letters{{'E', alpha.point}, {'F', plain.point}}));
  }
  const Disk fresh = Make("/dev/sde1", "0000-0005", "fresh");
  {
    qv::DriveLetters third(Folder());
    EXPECT_EQ(Look(third, {fresh}), (Letters{{'D', fresh.point}}));
  }
  {
    // Both remember D:; the one that held it last keeps it.
    qv::DriveLetters fourth(Folder());
    EXPECT_EQ(Look(fourth, {zeta, fresh}), (Letters{{'D', fresh.point}, {'E', zeta.point}}));
  }
  {
    // Alone again, zeta still has its earlier letter to come back to.
    qv::DriveLetters fifth(Folder());
    EXPECT_EQ(Look(fifth, {alpha}), (Letters{{'E', alpha.point}}));
    EXPECT_EQ(Look(fifth, {alpha, plain}), (Letters{{'E', alpha.point}, {'F', plain.point}}));
  }
}

TEST_F(DriveLettersTest, DamagedOrForeignSavedFileIsIgnored) {
  const Disk a = Make("/dev/sdb1", "AAAA-0001", "a");
  const Disk b = Make("/dev/sdc1", "AAAA-0002", "b");
  const std::string big = "quarvex drives 1\nK uuid:AAAA-0001\n" + std::string(70000, '#') + "\n";
  const std::vector<std::string> damaged = {
      "",
      "K uuid:AAAA-0001\n",                                      // no first line
      "[Drives]\nK=uuid:AAAA-0001\n",                            // someone else's
      std::string("\0\xff\x81\n\x01\x02", 6),                   // no text at all
      "quarvex drives 1",                                        // cut short
      "quarvex drives 2\nK uuid:AAAA-0001\n",                    // a later form
      big,                                                       // too large
      "quarvex drives 1\nC uuid:AAAA-0001\nk uuid:AAAA-0001\nK  uuid:AAAA-0001\nK uuid:\n"
      "K path:a\nK uuid:AAAA-0001 x\nK uuid:AAAA\\0001\nKuuid:AAAA-0001\nK uuid:AAAA-0001\\",
  };
  for (const std::string& text : damaged) {
    qvtest::WriteFile(tmp_ / "config/quarvex/drives", text);
    qv::DriveLetters letters(Folder());
    EXPECT_EQ(Look(letters, {b, a}), (Letters{{'D', a.point}, {'E', b.point}})) << text.substr(0, 60);
    EXPECT_EQ(Saved(), "quarvex drives 1\nD uuid:AAAA-0001\nE uuid:AAAA-0002\n");
  }
  // Good lines among bad ones still count.
  qvtest::WriteFile(tmp_ / "config/quarvex/drives",
                    "quarvex drives 1\nQ nonsense\nM uuid:AAAA-0002\n\nZ path:/x\\012y\n");
  qv::DriveLetters letters(Folder());
  EXPECT_EQ(Look(letters, {b, a}), (Letters{{'D', a.point}, {'M', b.point}}));
  EXPECT_EQ(Saved(), "quarvex drives 1\nD uuid:AAAA-0001\nM uuid:AAAA-0002\nZ path:/x\\012y\n");
}

TEST_F(DriveLettersTest, PlantedLinksAreNotFollowedAndAMissingFolderIsMade) {
  const Disk a = Make("/dev/sdb1", "AAAA-0001", "a");
  const std::string other = "quarvex drives 1\nK uuid:AAAA-0001\n";
  qvtest::WriteFile(tmp_ / "elsewhere/drives", other);
  // The file a link to another file: not read, not written through.
  fs::create_directories(Folder());
  fs::create_symlink(tmp_ / "elsewhere/drives", tmp_ / "config/quarvex/drives");
  {
    qv::DriveLetters letters(Folder());
    EXPECT_EQ(Look(letters, {a}), (Letters{{'D', a.point}}));
  }
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "elsewhere/drives"), other);
  EXPECT_FALSE(fs::is_symlink(tmp_ / "config/quarvex/drives"));
  EXPECT_EQ(Saved(), "quarvex drives 1\nD uuid:AAAA-0001\n");

  // The folder a link to another folder: neither read nor written.
  fs::remove_all(tmp_ / "config");
  fs::create_directories(tmp_ / "config");
  fs::create_directory_symlink(tmp_ / "elsewhere", tmp_ / "config/quarvex");
  {
    qv::DriveLetters letters(Folder());
    EXPECT_EQ(Look(letters, {a}), (Letters{{'D', a.point}}));
  }
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "elsewhere/drives"), other);
  EXPECT_EQ(std::distance(fs::directory_iterator(tmp_ / "elsewhere"), fs::directory_iterator()), 1);

  // A pipe in its place is not waited on.
  fs::remove(tmp_ / "config/quarvex");
  fs::create_directories(Folder());
  ASSERT_EQ(mkfifo((tmp_ / "config/quarvex/drives").c_str(), 0600), 0);
  {
    qv::DriveLetters letters(Folder());
    EXPECT_EQ(Look(letters, {a}), (Letters{{'D', a.point}}));
  }
  EXPECT_EQ(Saved(), "quarvex drives 1\nD uuid:AAAA-0001\n");

  // No configuration folder at all: made, for the user alone.
  const std::string deep = (tmp_ / "new/config/quarvex").string();
  {
    qv::DriveLetters letters(deep);
    EXPECT_EQ(Look(letters, {a}), (Letters{{'D', a.point}}));
  }
  EXPECT_EQ(qvtest::ReadFile(deep + "/drives"), "quarvex drives 1\nD uuid:AAAA-0001\n");
  EXPECT_EQ(fs::status(tmp_ / "new/config").permissions() & fs::perms::all, fs::perms::owner_all);

  // A temporary file of a writer that was killed is cleared away; one of a
  // live writer is left alone.
  pid_t gone = fork();
  if (gone == 0) _exit(0);
  ASSERT_GT(gone, 0);
  waitpid(gone, nullptr, 0);
  const std::string stale = deep + "/drives." + std::to_string(gone) + "-1.tmp";
  const std::string live = deep + "/drives." + std::to_string(getppid()) + "-1.tmp";
  qvtest::WriteFile(stale, "x");
  qvtest::WriteFile(live, "x");
  {
    qv::DriveLetters letters(deep);
    const Disk b = Make("/dev/sdc1", "AAAA-0002", "b");
    EXPECT_EQ(Look(letters, {a, b}), (Letters{{'D', a.point}, {'E', b.point}}));
  }
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(live));
}

// Letters belong to the machine, as on Windows: a catalogue one user saved
// names the same disk when another user runs it from the same program.
TEST_F(DriveLettersTest, UsersOfOneProgramFolderShareTheirLetters) {
  const Disk movies = Make("/dev/sdb1", "AAAA-0001", "movies");
  const Disk archive = Make("/dev/sdc1", "AAAA-0002", "archive");
  const Disk backup = Make("/dev/sdd1", "AAAA-0003", "backup");
  fs::create_directories(Program());
  const std::string other = (tmp_ / "other/quarvex").string();
  // The second user's own file from before, with a letter of its own.
  const std::string before = "quarvex drives 1\nD uuid:AAAA-0002\n";
  qvtest::WriteFile(other + "/drives", before);
  ASSERT_EQ(chmod(other.c_str(), 0700), 0);

  qv::DriveLetters first(Folder(), Program());
  EXPECT_EQ(Look(first, {movies}), (Letters{{'D', movies.point}}));
  EXPECT_EQ(Look(first, {movies, archive}), (Letters{{'D', movies.point}, {'E', archive.point}}));
  qv::DriveLetters second(other, Program());
  EXPECT_EQ(Look(second, {archive, movies}), (Letters{{'D', movies.point}, {'E', archive.point}}));
  // One after the other: a volume the second adds is the first's too.
  EXPECT_EQ(Look(second, {archive, movies, backup}),
            (Letters{{'D', movies.point}, {'E', archive.point}, {'F', backup.point}}));
  qv::DriveLetters again(Folder(), Program());
  EXPECT_EQ(Look(again, {backup}), (Letters{{'F', backup.point}}));
  EXPECT_EQ(Shared(), "quarvex drives 1\nF uuid:AAAA-0003\nD uuid:AAAA-0001\nE uuid:AAAA-0002\n");
  // Who keeps the letters in the program folder leaves their own file be.
  EXPECT_EQ(qvtest::ReadFile(other + "/drives"), before);
  EXPECT_FALSE(fs::exists(Folder()));

  // At the same time: another program holds the file while this one looks;
  // this one waits and adds its volume to what the other wrote.
  const int lock = open(Program().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(lock, 0);
  ASSERT_EQ(flock(lock, LOCK_EX), 0);
  const std::string theirs = "quarvex drives 1\nG uuid:AAAA-0004\n" + Shared().substr(17);
  const Disk fresh = Make("/dev/sde1", "AAAA-0005", "fresh");
  const pid_t child = fork();
  if (child == 0) {
    close(lock);  // the parent's lock, not this program's
    qv::DriveLetters third(other, Program());
    _exit(Look(third, {fresh}) == Letters{{'D', fresh.point}} ? 0 : 1);
  }
  ASSERT_GT(child, 0);
  usleep(100000);  // time for the child to look (and, were there no lock, to write)
  qvtest::WriteFile(tmp_ / "program/Quarvex.drives.other", theirs);
  ASSERT_EQ(chmod((tmp_ / "program/Quarvex.drives.other").c_str(), 0644), 0);
  fs::rename(tmp_ / "program/Quarvex.drives.other", tmp_ / "program/Quarvex.drives");
  close(lock);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Shared(), "quarvex drives 1\nD uuid:AAAA-0005\nG uuid:AAAA-0004\nF uuid:AAAA-0003\n"
                      "D uuid:AAAA-0001\nE uuid:AAAA-0002\n");
}

// A user who may not write the program folder (another user, as root does
// it; else a folder without write permission) reads its file and keeps in
// their own only what it does not name.
TEST_F(DriveLettersTest, ReadOnlyProgramFolderFileIsHonoured) {
  const Disk movies = Make("/dev/sdb1", "AAAA-0001", "movies");
  const Disk archive = Make("/dev/sdc1", "AAAA-0002", "archive");
  const Disk backup = Make("/dev/sdd1", "AAAA-0003", "backup");
  const Disk fresh = Make("/dev/sde1", "AAAA-0005", "fresh");
  fs::create_directories(Program());
  {
    qv::DriveLetters owner(std::string(), Program());
    EXPECT_EQ(Look(owner, {movies}), (Letters{{'D', movies.point}}));
    EXPECT_EQ(Look(owner, {movies, archive}), (Letters{{'D', movies.point}, {'E', archive.point}}));
  }
  const std::string shared = Shared();
  ASSERT_EQ(shared, "quarvex drives 1\nD uuid:AAAA-0001\nE uuid:AAAA-0002\n");
  // Their own file from before: a letter the program folder's file gives,
  // a volume it names, and one it does not know.
  qvtest::WriteFile(Folder() + "/drives",
                    "quarvex drives 1\nD uuid:AAAA-0003\nK uuid:AAAA-0002\nH uuid:AAAA-0009\n");
  ASSERT_EQ(chmod(tmp_.path().c_str(), 0755), 0);
  if (geteuid() == 0) {
    ASSERT_EQ(chown(Folder().c_str(), 65534, 65534), 0);
    ASSERT_EQ(chown((Folder() + "/drives").c_str(), 65534, 65534), 0);
  } else {
    ASSERT_EQ(chmod(Program().c_str(), 0555), 0);
  }
  const int code = qvtest::RunUnprivileged([&] {
    qv::DriveLetters user(Folder(), Program());
    if (Look(user, {archive, movies}) != Letters{{'D', movies.point}, {'E', archive.point}}) return 1;
    // New volumes take letters the program folder's file gives no volume.
    const Letters later{{'E', archive.point}, {'F', backup.point}, {'G', fresh.point}};
    if (Look(user, {archive, backup, fresh}) != later) return 2;
    return 0;
  });
  chmod(Program().c_str(), 0755);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(Shared(), shared);
  EXPECT_EQ(Saved(), "quarvex drives 1\nF uuid:AAAA-0003\nG uuid:AAAA-0005\nH uuid:AAAA-0009\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(Program()), fs::directory_iterator()), 1);
}

TEST_F(DriveLettersTest, DamagedOrForeignProgramFolderFileIsIgnoredWithoutLoss) {
  const Disk a = Make("/dev/sdb1", "AAAA-0001", "a");
  const Disk b = Make("/dev/sdc1", "AAAA-0002", "b");
  const std::string own = "quarvex drives 1\nK uuid:AAAA-0001\n";
  const std::string sound = "quarvex drives 1\nD uuid:AAAA-0002\nK uuid:AAAA-0001\n";
  fs::create_directories(Program());
  const fs::path file = tmp_ / "program/Quarvex.drives";
  qvtest::WriteFile(tmp_ / "elsewhere/drives", "quarvex drives 1\nM uuid:AAAA-0002\n");
  // Each way the file can be damaged or someone else's: its letters are not
  // taken, the user's own ones are, and the file is replaced by a sound one.
  const std::vector<std::function<void()>> damage = {
      [&] { qvtest::WriteFile(file, "[Drives]\nM=uuid:AAAA-0002\n"); },
      [&] { qvtest::WriteFile(file, "quarvex drives 1\nM uuid:AAAA-0002\n" + std::string(70000, '#')); },
      [&] {  // anyone in the group may change it
        qvtest::WriteFile(file, "quarvex drives 1\nM uuid:AAAA-0002\n");
        chmod(file.c_str(), 0664);
      },
      [&] { fs::create_symlink(tmp_ / "elsewhere/drives", file); },
  };
  for (size_t i = 0; i < damage.size(); ++i) {
    fs::remove(file);
    damage[i]();
    qvtest::WriteFile(Folder() + "/drives", own);
    qv::DriveLetters letters(Folder(), Program());
    EXPECT_EQ(Look(letters, {a, b}), (Letters{{'D', b.point}, {'K', a.point}})) << i;
    EXPECT_FALSE(fs::is_symlink(file)) << i;
    EXPECT_EQ(Shared(), sound) << i;
    EXPECT_EQ(Saved(), own) << i;
  }
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "elsewhere/drives"), "quarvex drives 1\nM uuid:AAAA-0002\n");

  // A file another user put into a folder where every user may make files.
  if (geteuid() != 0) return;
  qvtest::WriteFile(file, "quarvex drives 1\nM uuid:AAAA-0002\n");
  ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
  ASSERT_EQ(chmod(Program().c_str(), 01777), 0);
  qv::DriveLetters letters(Folder(), Program());
  EXPECT_EQ(Look(letters, {a, b}), (Letters{{'D', b.point}, {'K', a.point}}));
}

TEST(PathsMounts, TheVariableReplacesTheMapAndNothingIsSaved) {
  qvtest::TempDir config;
  qvtest::EnvVar home("XDG_CONFIG_HOME", config.str().c_str());
  qvtest::EnvVar drives("QUARVEX_DRIVES", ("T=" + config.str()).c_str());
  qv::ResetDriveMap();
  auto map = qv::DriveMap();
  ASSERT_EQ(map.size(), 2u);
  EXPECT_EQ(map[1], (std::pair<char, std::string>{'T', config.str()}));
  EXPECT_TRUE(fs::is_empty(config.path()));
  qv::ResetDriveMap();
}

// The running program's map of the real mount table keeps its letters in
// the program folder, not the user's (seen on a machine with a volume that
// gets a letter); the variable's map keeps none.
TEST(PathsMounts, TheRunningProgramKeepsItsLettersInTheProgramFolder) {
  qvtest::TempDir config;
  qvtest::TempDir program;
  const std::string earlier = qv::DriveLettersProgramFolder();
  qv::SetDriveLettersProgramFolderForTests(program.str());
  qvtest::EnvVar home("XDG_CONFIG_HOME", config.str().c_str());
  size_t letters = 0;
  {
    qvtest::EnvVar drives("QUARVEX_DRIVES", ("T=" + config.str()).c_str());  // nothing read or saved
    qv::ResetDriveMap();
    EXPECT_EQ(qv::DriveMap().size(), 2u);
    EXPECT_TRUE(fs::is_empty(program.path()));
  }
  {
    qvtest::EnvVar drives("QUARVEX_DRIVES", nullptr);
    qv::ResetDriveMap();
    letters = qv::DriveMap().size();
  }
  qv::SetDriveLettersProgramFolderForTests(earlier);
  qv::ResetDriveMap();
  EXPECT_TRUE(fs::is_empty(config.path()));
  EXPECT_EQ(fs::is_regular_file(program / "Quarvex.drives"), letters > 1);
}

}  // namespace
