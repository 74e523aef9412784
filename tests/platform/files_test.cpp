#include "platform/os/files.h"

#include <gtest/gtest.h>

#include <map>
#include <sys/stat.h>

#include <atomic>
#include <cctype>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/os/nameindex.h"
#include "platform/os/paths.h"
#include "platform/os/safefile.h"
#include "support/drives.h"
#include "support/testutil.h"

// Last: it replaces the names fopen and remove for the code that follows.
#include "platform/os/crtio.h"

namespace fs = std::filesystem;
using qvtest::SetMtime;

namespace {

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override { qv::TakeUnrepresentableNames(); }
  // Every name FindFirstFileA/FindNextFileA give for a pattern, in order.
  static std::vector<std::string> List(const char* pattern, DWORD* firstError = nullptr) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern, &fd);
    if (firstError) *firstError = GetLastError();
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.emplace_back(fd.cFileName);
    while (FindNextFileA(h, &fd));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(h));
    return names;
  }
  qvtest::TempDir tmp_;
  qvtest::DriveT drive_{tmp_};
};

TEST_F(FilesTest, EnumerationInNtfsOrderWithDotsFirst) {
  for (const char* n : {"b.txt", "A.txt", "_x", "C", "\xE8\xA1\xA8", "\xE3\x82\xBD\xE4\xBA\x88"})
    qvtest::WriteFile(tmp_ / "d" / n, "12345");
  fs::create_directories(tmp_ / "d/sub");
  const std::vector<std::string> all = {".", "..", "A.txt", "b.txt", "C", "sub", "_x", "ソ予", "表"};
  EXPECT_EQ(List("T:\\d\\*"), all);
  EXPECT_EQ(List("T:\\\\D\\\\*.*"), all);  // doubled separators, other case
  EXPECT_EQ(List("T:\\d\\*.TXT"), (std::vector<std::string>{"A.txt", "b.txt"}));
  EXPECT_EQ(List("T:\\d\\?"), (std::vector<std::string>{".", "C", "表"}));
  EXPECT_EQ(List("T:\\d\\a.txt"), (std::vector<std::string>{"A.txt"}));

  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA("T:\\d\\SUB", &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  FindClose(h);
  h = FindFirstFileA("T:\\d\\表", &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(fd.nFileSizeLow, 5u);
  EXPECT_EQ(fd.nFileSizeHigh, 0u);
  FindClose(h);

  DWORD err = 0;
  EXPECT_TRUE(List("T:\\d\\*.none", &err).empty());
  EXPECT_EQ(err, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(List("T:\\missing\\*.*", &err).empty());
  EXPECT_EQ(err, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_TRUE(List("T:\\d\\", &err).empty());
  EXPECT_FALSE(FindNextFileA(INVALID_HANDLE_VALUE, &fd));
  EXPECT_FALSE(FindClose(nullptr));
}

TEST_F(FilesTest, OrderAndPatternsIgnoreCaseBeyondAscii) {
  // ａ, Ｂ, β, Ω, а, Я: NTFS sorts them by their upper-case forms Ａ Ｂ Β Ω А Я.
  for (const char* n : {"\xEF\xBD\x81", "\xEF\xBC\xA2", "\xCE\xB2", "\xCE\xA9", "\xD0\xB0", "\xD0\xAF"})
    qvtest::WriteFile(tmp_ / "g" / n, "");
  EXPECT_EQ(List("T:\\g\\*"), (std::vector<std::string>{".", "..", "β", "Ω", "а", "Я", "ａ", "Ｂ"}));
  EXPECT_EQ(List("T:\\g\\Ａ"), (std::vector<std::string>{"ａ"}));
  EXPECT_EQ(List("T:\\g\\я"), (std::vector<std::string>{"Я"}));
}

TEST_F(FilesTest, LinksAreMarkedAsReparsePointsWithTheirTargetsAttributes) {
  fs::create_directories(tmp_ / "l/real");
  qvtest::WriteFile(tmp_ / "l/file", "x");
  fs::create_directory_symlink("real", tmp_ / "l/dirlink");
  fs::create_symlink("file", tmp_ / "l/filelink");
  fs::create_symlink("nowhere", tmp_ / "l/dangling");
  std::map<std::string, DWORD> attrs;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA("T:\\l\\*.*", &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  do attrs[fd.cFileName] = fd.dwFileAttributes;
  while (FindNextFileA(h, &fd));
  FindClose(h);
  EXPECT_EQ(attrs["real"] & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT),
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(attrs["dirlink"] & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT),
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_EQ(attrs["filelink"] & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT),
            static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_EQ(attrs["file"] & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
  EXPECT_TRUE(attrs["dangling"] & FILE_ATTRIBUTE_REPARSE_POINT);
}

TEST_F(FilesTest, LastWriteTimeIsAFileTime) {
  qvtest::WriteFile(tmp_ / "f", "x");
  SetMtime(tmp_ / "f", 1700000000);
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA("T:\\f", &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  FindClose(h);
  const uint64_t ft = (static_cast<uint64_t>(fd.ftLastWriteTime.dwHighDateTime) << 32) |
                      fd.ftLastWriteTime.dwLowDateTime;
  EXPECT_EQ(ft, (1700000000ULL + 11644473600ULL) * 10000000ULL);
}

TEST_F(FilesTest, NamesCodePage932CannotHoldAreReportedNotMapped) {
  qvtest::WriteFile(tmp_ / "d/ok.txt", "");
  qvtest::WriteFile(tmp_ / "d/caf\xC3\xA9", "");         // é
  qvtest::WriteFile(tmp_ / "d/a\xC2\xA5" "b", "");        // ¥ would become a backslash
  qvtest::WriteFile(tmp_ / "d/bad\xFF\xFE", "");          // not UTF-8
  qvtest::WriteFile(tmp_ / "d/wave\xE3\x80\x9C", "");     // 〜 comes back as ～
  EXPECT_EQ(List("T:\\d\\*.*"), (std::vector<std::string>{".", "..", "ok.txt"}));
  std::vector<std::string> skipped = qv::TakeUnrepresentableNames();
  ASSERT_EQ(skipped.size(), 4u);
  std::sort(skipped.begin(), skipped.end());
  EXPECT_EQ(skipped[0], (tmp_ / "d/a\xC2\xA5" "b").string());
  EXPECT_EQ(skipped[1], (tmp_ / "d/bad\xFF\xFE").string());
  EXPECT_TRUE(qv::TakeUnrepresentableNames().empty());
}

TEST_F(FilesTest, NamesWindowsForbidsAreSkippedAndEachNameToldOnce) {
  qvtest::WriteFile(tmp_ / "w/ok", "");
  for (const char* bad : {"a\"b", "s*", "c:d", "l<", "g>", "q?", "back\\slash", "p|", "new\nline", "tab\t"})
    qvtest::WriteFile(tmp_ / "w" / bad, "");
  fs::create_directory_symlink("w", tmp_ / "link");
  EXPECT_EQ(List("T:\\w\\*"), (std::vector<std::string>{".", "..", "ok"}));
  EXPECT_EQ(List("T:\\link\\*"), (std::vector<std::string>{".", "..", "ok"}));  // the same folder again
  std::vector<std::string> skipped = qv::TakeUnrepresentableNames();
  ASSERT_EQ(skipped.size(), 10u);
  EXPECT_EQ(skipped[0].substr(0, tmp_.str().size() + 3), tmp_.str() + "/w/");
  // Once taken, the names are told again by the next enumeration.
  EXPECT_EQ(List("T:\\link\\ok"), (std::vector<std::string>{"ok"}));
  EXPECT_EQ(qv::TakeUnrepresentableNames().size(), 10u);
}

TEST_F(FilesTest, EnumerationGivesEachEntrysIdentity) {
  fs::create_directories(tmp_ / "i/sub");
  fs::create_directory_symlink("sub", tmp_ / "i/alias");
  std::map<std::string, qv::FileIdentity> ids;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA("T:\\i\\*", &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  do ASSERT_TRUE(qv::GetFoundIdentity(h, ids[fd.cFileName]));
  while (FindNextFileA(h, &fd));
  FindClose(h);
  struct stat self {}, sub {};
  ASSERT_EQ(stat((tmp_ / "i").c_str(), &self), 0);
  ASSERT_EQ(stat((tmp_ / "i/sub").c_str(), &sub), 0);
  EXPECT_EQ(ids["."], (qv::FileIdentity{self.st_dev, self.st_ino}));
  EXPECT_EQ(ids["sub"], (qv::FileIdentity{sub.st_dev, sub.st_ino}));
  EXPECT_EQ(ids["alias"], ids["sub"]);
  EXPECT_NE(ids["sub"], ids["."]);
  qv::FileIdentity none;
  EXPECT_FALSE(qv::GetFoundIdentity(nullptr, none));
}

TEST_F(FilesTest, StatRules) {
  // Names on disk are UTF-8; the literals of this file are code page 932.
  const fs::path file = tmp_ / qvtest::U8("Dir/表/file.bin");
  qvtest::WriteFile(file, std::string(1234, 'x'));
  SetMtime(file, 1600000000);
  struct _stat st;
  ASSERT_EQ(_stat("T:\\dir\\表\\FILE.BIN", &st), 0);  // case-blind, trail byte 0x5C
  EXPECT_EQ(st.st_size, 1234);
  EXPECT_EQ(st.st_mtime, 1600000000);
  EXPECT_EQ(st.st_mode & _S_IFMT, _S_IFREG);
  EXPECT_NE(st.st_ctime, 0);  // birth time, or the modification time
  EXPECT_EQ(st.st_dev, 19u);  // T:
  ASSERT_EQ(_stat("T:\\\\Dir\\\\表", &st), 0);
  EXPECT_EQ(st.st_mode & _S_IFMT, _S_IFDIR);
  EXPECT_EQ(st.st_size, 0);

  errno = 0;
  EXPECT_EQ(_stat("T:\\Dir\\表\\", &st), -1);  // trailing separator
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(_stat("T:\\Dir\\", &st), -1);
  EXPECT_EQ(_stat("T:\\", &st), 0);
  EXPECT_EQ(_stat("\\", &st), 0);
  EXPECT_EQ(_stat("T:\\missing", &st), -1);
  EXPECT_EQ(errno, ENOENT);

  std::string longPath = "T:";
  while (longPath.size() < 5000) longPath += "\\abcdefghij";
  EXPECT_EQ(_stat(longPath.c_str(), &st), -1);
  EXPECT_EQ(errno, ENOENT);

  // Linux programs have no ".exe".
  qvtest::WriteFile(tmp_ / "Quarvex", "bin");
  EXPECT_EQ(_stat("T:\\Quarvex.exe", &st), 0);
  EXPECT_EQ(_access("T:\\Quarvex.exe", 0), 0);
}

TEST_F(FilesTest, AccessMakeFolderAndRemove) {
  fs::create_directories(tmp_ / "a");
  qvtest::WriteFile(tmp_ / "a/f.txt", "1");
  EXPECT_EQ(_access("T:\\a", 0), 0);
  EXPECT_EQ(_access("T:\\a\\", 0), 0);  // a folder with a trailing backslash is there
  EXPECT_EQ(_access("T:\\A\\F.TXT", 6), 0);
  EXPECT_EQ(_access("T:\\a\\f.txt\\", 0), -1);
  EXPECT_EQ(_access("T:\\a\\none", 4), -1);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(_access("T:\\a", 1), -1);
  EXPECT_EQ(errno, EINVAL);

  EXPECT_EQ(_mkdir("T:\\a\\new"), 0);
  EXPECT_TRUE(fs::is_directory(tmp_ / "a/new"));
  EXPECT_EQ(_mkdir("T:\\A\\NEW"), -1);
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(_mkdir("T:\\x\\y"), -1);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(_mkdir(""), -1);
  EXPECT_EQ(errno, ENOENT);

  EXPECT_EQ(qv::Remove("T:\\a\\new"), -1);  // folders are refused
  EXPECT_EQ(errno, EACCES);
  EXPECT_TRUE(fs::is_directory(tmp_ / "a/new"));
  EXPECT_EQ(qv::Remove("T:\\A\\F.txt"), 0);
  EXPECT_FALSE(fs::exists(tmp_ / "a/f.txt"));
  EXPECT_EQ(qv::Remove("T:\\a\\f.txt"), -1);
  EXPECT_EQ(errno, ENOENT);
}

TEST_F(FilesTest, CopyFileKeepsLastWriteTimeAndRefusesFolders) {
  qvtest::WriteFile(tmp_ / qvtest::U8("src/表.dat"), "payload");
  SetMtime(tmp_ / qvtest::U8("src/表.dat"), 1500000000);
  fs::create_directories(tmp_ / "dst/folder");
  ASSERT_TRUE(CopyFileA("T:\\src\\表.dat", "T:\\dst\\copy.dat", FALSE));
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "dst/copy.dat"), "payload");
  struct stat st;
  ASSERT_EQ(stat((tmp_ / "dst/copy.dat").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1500000000);

  EXPECT_TRUE(CopyFileA("T:\\src\\表.dat", "T:\\dst\\fresh.dat", TRUE));
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "dst/fresh.dat"), "payload");
  qvtest::WriteFile(tmp_ / "dst/old.dat", "old contents");
  EXPECT_FALSE(CopyFileA("T:\\src\\表.dat", "T:\\dst\\old.dat", TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "dst/old.dat"), "old contents");
  EXPECT_TRUE(CopyFileA("T:\\src\\表.dat", "T:\\DST\\OLD.DAT", FALSE));
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "dst/old.dat"), "payload");

  EXPECT_FALSE(CopyFileA("T:\\dst\\folder", "T:\\dst\\x", FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(CopyFileA("T:\\src\\表.dat", "T:\\dst\\folder", FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(CopyFileA("T:\\src\\none", "T:\\dst\\x", FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(CopyFileA("T:\\src\\表.dat", "T:\\nowhere\\x", FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  // No temporary file stays behind.
  size_t count = 0;
  for (const auto& e : fs::directory_iterator(tmp_ / "dst")) count += e.path().filename().string()[0] == '.';
  EXPECT_EQ(count, 0u);
}

TEST_F(FilesTest, MoveAndDelete) {
  qvtest::WriteFile(tmp_ / "a.txt", "a");
  qvtest::WriteFile(tmp_ / "b.txt", "b");
  EXPECT_FALSE(MoveFileExA("T:\\a.txt", "T:\\b.txt", 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_TRUE(MoveFileExA("T:\\a.txt", "T:\\b.txt", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "b.txt"), "a");
  EXPECT_TRUE(MoveFileA("T:\\b.txt", "T:\\c.txt"));
  EXPECT_TRUE(DeleteFileA("T:\\C.TXT"));
  EXPECT_FALSE(fs::exists(tmp_ / "c.txt"));
  EXPECT_FALSE(DeleteFileA("T:\\c.txt"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  fs::create_directories(tmp_ / "dir");
  EXPECT_FALSE(DeleteFileA("T:\\dir"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(GetFileAttributesA("T:\\dir"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(GetFileAttributesA("T:\\gone"), INVALID_FILE_ATTRIBUTES);
}

// A folder's names, once listed, follow the layer's own changes without a
// new listing, and every look-up finds what a listing would find.
TEST_F(FilesTest, OwnChangesKeepTheRememberedNamesExact) {
  qvtest::WriteFile(tmp_ / "d/Readme.txt", "1");
  qvtest::WriteFile(tmp_ / "d/README.TXT", "2");
  fs::create_directories(tmp_ / "e");
  const std::string d = tmp_.str() + "/d/", e = tmp_.str() + "/e/";
  auto os = [](const char* win) {
    std::string out;
    EXPECT_TRUE(qv::ToOsPath(win, out));
    return out;
  };
  EXPECT_EQ(os("T:\\d\\readme.txt"), d + "README.TXT");  // the first in byte order
  EXPECT_EQ(os("T:\\e\\x"), e + "x");
  const size_t listings = qv::FolderListingsForTests();

  EXPECT_TRUE(DeleteFileA("T:\\d\\README.TXT"));
  EXPECT_EQ(os("T:\\d\\readme.txt"), d + "Readme.txt");
  EXPECT_EQ(qv::Remove("T:\\d\\readme.txt"), 0);
  EXPECT_EQ(os("T:\\d\\readme.txt"), d + "readme.txt");

  HANDLE h = CreateFileA("T:\\d\\New.diff", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  EXPECT_EQ(os("T:\\d\\NEW.DIFF"), d + "New.diff");
  FILE* f = fopen("T:\\d\\Out.txt", "w");
  ASSERT_NE(f, nullptr);
  fclose(f);
  EXPECT_EQ(os("T:\\d\\OUT.TXT"), d + "Out.txt");
  EXPECT_EQ(_mkdir("T:\\d\\Sub"), 0);
  EXPECT_EQ(os("T:\\d\\SUB"), d + "Sub");
  EXPECT_EQ(_rmdir("T:\\d\\sub"), 0);
  EXPECT_EQ(os("T:\\d\\SUB"), d + "SUB");
  // Across folders: gone from the one, there in the other.
  EXPECT_TRUE(MoveFileExA("T:\\d\\new.diff", "T:\\e\\Moved.diff", 0));
  EXPECT_EQ(os("T:\\d\\NEW.DIFF"), d + "NEW.DIFF");
  EXPECT_EQ(os("T:\\e\\MOVED.DIFF"), e + "Moved.diff");
  EXPECT_TRUE(CopyFileA("T:\\e\\Moved.diff", "T:\\d\\Copy.diff", FALSE));
  EXPECT_EQ(os("T:\\d\\COPY.DIFF"), d + "Copy.diff");
  EXPECT_TRUE(qv::ReplaceFileContents("T:\\e\\Saved.txt", "x", 1).ok());
  EXPECT_EQ(os("T:\\e\\SAVED.TXT"), e + "Saved.txt");
  EXPECT_EQ(qv::FolderListingsForTests(), listings);

  // What is remembered is what is there: each name on disk, and no other.
  for (const std::string& folder : {d, e}) {
    size_t names = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
      std::string name = entry.path().filename().string(), upper = name;
      for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      EXPECT_EQ(os((folder + upper).c_str()), folder + name);
      ++names;
    }
    EXPECT_EQ(names, 2u);
  }
}

// Threads that make and remove files in one folder through the layer,
// looking each name up in another case: every answer is what is on disk.
TEST_F(FilesTest, RememberedNamesStayExactUnderThreads) {
  fs::create_directories(tmp_ / "d");
  std::string d;
  ASSERT_TRUE(qv::ToOsPath("T:\\d\\X", d));
  d.resize(d.size() - 1);
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 40; ++i) {
        const std::string name = "t" + std::to_string(t) + "-" + std::to_string(i) + ".txt";
        std::string upper = name;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        HANDLE h = CreateFileA(("T:\\d\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
          ++wrong;
          continue;
        }
        CloseHandle(h);
        std::string found;
        if (!qv::ToOsPath(("T:\\d\\" + upper).c_str(), found) || found != d + name) ++wrong;
        if (i % 2 == 0) continue;
        if (!DeleteFileA(("T:\\d\\" + upper).c_str())) ++wrong;
        if (!qv::ToOsPath(("T:\\d\\" + upper).c_str(), found) || found != d + upper) ++wrong;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(wrong.load(), 0);
  size_t names = 0;
  for (const auto& entry : fs::directory_iterator(tmp_ / "d")) names += entry.path().filename().string()[0] == 't';
  EXPECT_EQ(names, 80u);
}

TEST_F(FilesTest, FileHandlesAndMappings) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE h = CreateFileA("T:\\out.txt", GENERIC_WRITE, FILE_SHARE_WRITE, &sa, CREATE_ALWAYS,
                         FILE_FLAG_RANDOM_ACCESS, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_GE(qv::HandleFd(h), 0);
  DWORD n = 0;
  EXPECT_TRUE(WriteFile(h, "hello\n", 6, &n, nullptr));
  EXPECT_EQ(n, 6u);
  EXPECT_TRUE(FlushFileBuffers(h));
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_FALSE(CloseHandle(h));  // a closed handle is not closed twice
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "out.txt"), "hello\n");  // handles write bytes as given

  h = CreateFileA("T:\\OUT.TXT", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  CloseHandle(h);
  EXPECT_EQ(fs::file_size(tmp_ / "out.txt"), 0u);

  qvtest::WriteFile(tmp_ / "data.bin", std::string("\x4C\0\0\0abc", 7));
  h = CreateFileA("T:\\data.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD high = 1;
  EXPECT_EQ(GetFileSize(h, &high), 7u);
  EXPECT_EQ(high, 0u);
  HANDLE m = CreateFileMappingA(h, nullptr, PAGE_READONLY, 0, 0, nullptr);
  ASSERT_NE(m, nullptr);
  const auto* view = static_cast<const unsigned char*>(MapViewOfFile(m, FILE_MAP_READ, 0, 0, 0));
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view[0], 0x4C);
  EXPECT_EQ(view[6], 'c');
  EXPECT_TRUE(UnmapViewOfFile(view));
  EXPECT_FALSE(UnmapViewOfFile(view));
  EXPECT_TRUE(CloseHandle(m));
  char buf[16];
  EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
  EXPECT_EQ(n, 7u);
  CloseHandle(h);

  qvtest::WriteFile(tmp_ / "empty", "");
  h = CreateFileA("T:\\empty", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(CreateFileMappingA(h, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_INVALID));
  CloseHandle(h);

  fs::create_directories(tmp_ / "folder");
  EXPECT_EQ(CreateFileA("T:\\folder", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(CreateFileA("T:\\none", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(CreateFileA("T:\\no\\x", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

}  // namespace

// ---------------------------------------------------------------------------
// Tree walks.

class FolderWalkerTest : public FilesTest {
 protected:
  // Every folder below T:\<root>, breadth-first as a walk asks for them:
  // "relative path:found" where found says what VIDEO_TS is there.
  static std::vector<std::string> Walk(const char* root) {
    qv::FolderWalker walker(root, "VIDEO_TS");
    qv::FolderWalker::Folder top = walker.ReadRoot();
    std::vector<std::string> out;
    if (top.error != ERROR_SUCCESS) return out;
    std::vector<std::string> queue{""};
    walker.ReadSubfolders(std::move(top));
    for (size_t head = 0; head < queue.size(); ++head) {
      for (qv::FolderWalker::Folder& f : walker.NextSubfolders()) {
        const std::string rel = queue[head].empty() ? f.name : queue[head] + "\\" + f.name;
        out.push_back(rel + ":" + std::to_string(static_cast<int>(f.found)) + ":" + std::to_string(f.error));
        if (f.error != ERROR_SUCCESS || f.found != qv::FolderWalker::Kind::none) continue;
        queue.push_back(rel);
        walker.ReadSubfolders(std::move(f));
      }
    }
    return out;
  }
};

TEST_F(FolderWalkerTest, ListsFoldersInNtfsOrderAndTellsWhatTheNameLookedForIs) {
  for (const char* d : {"w/b", "w/A/video_ts", "w/\xCE\xB2", "w/\xEF\xBD\x81" /* ａ */, "w/C/d/e", "w/link_target"})
    fs::create_directories(tmp_ / d);
  qvtest::WriteFile(tmp_ / "w/b/VIDEO_TS", "");
  qvtest::WriteFile(tmp_ / "w/C/file", "");
  fs::create_directory_symlink("../link_target", tmp_ / "w/C/linked");
  fs::create_directory_symlink("nowhere", tmp_ / "w/C/d/VIDEO_TS");
  using Kind = qv::FolderWalker::Kind;
  const auto k = [](Kind kind) { return std::to_string(static_cast<int>(kind)); };
  for (const char* threads : {"1", "4"}) {
    qvtest::EnvVar env("QUARVEX_WALK_THREADS", threads);
    EXPECT_EQ(Walk("T:\\w"), (std::vector<std::string>{
                                 "A:" + k(Kind::folder) + ":0", "b:" + k(Kind::file) + ":0",
                                 "C:" + k(Kind::none) + ":0", "link_target:" + k(Kind::none) + ":0",
                                 "\x83\xC0:" + k(Kind::none) + ":0", "\x82\x81:" + k(Kind::none) + ":0",
                                 "C\\d:" + k(Kind::none) + ":0", "C\\linked:" + k(Kind::none) + ":0",
                                 "C\\d\\e:" + k(Kind::none) + ":0"}))
        << threads << " threads";
  }
  qv::FolderWalker missing("T:\\nothing", "VIDEO_TS");
  EXPECT_EQ(missing.ReadRoot().error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_TRUE(missing.NextSubfolders().empty());
}

TEST_F(FolderWalkerTest, SkippedNamesWaitUntilTheWalkTakesThem) {
  qvtest::WriteFile(tmp_ / "k/sub/caf\xC3\xA9", "");
  fs::create_directories(tmp_ / "k/sub/a:b");
  qv::FolderWalker walker("T:\\k", "");
  qv::FolderWalker::Folder top = walker.ReadRoot();
  walker.ReadSubfolders(std::move(top));
  std::vector<qv::FolderWalker::Folder> subs = walker.NextSubfolders();
  ASSERT_EQ(subs.size(), 1u);
  EXPECT_TRUE(qv::TakeUnrepresentableNames().empty()) << "read, not yet taken";
  qv::FolderWalker::NoteSkippedNames(subs[0]);
  qv::FolderWalker::NoteSkippedNames(subs[0]);  // once only
  std::vector<std::string> skipped = qv::TakeUnrepresentableNames();
  std::sort(skipped.begin(), skipped.end());
  EXPECT_EQ(skipped, (std::vector<std::string>{(tmp_ / "k/sub/a:b").string(), (tmp_ / "k/sub/caf\xC3\xA9").string()}));
}

TEST_F(FolderWalkerTest, ParallelCallsReachEveryIndexOnceAndFailuresComeBack) {
  for (const char* threads : {"1", "8"}) {
    qvtest::EnvVar env("QUARVEX_WALK_THREADS", threads);
    std::vector<int> hits(1000, 0);
    qv::ForEachInParallel(hits.size(), [&](size_t i) { ++hits[i]; });
    EXPECT_EQ(std::count(hits.begin(), hits.end(), 1), 1000) << threads << " threads";
    EXPECT_THROW(qv::ForEachInParallel(100, [](size_t i) { if (i == 57) throw std::runtime_error("x"); }),
                 std::runtime_error);
  }
  qvtest::EnvVar bad("QUARVEX_WALK_THREADS", "0");
  EXPECT_GE(qv::WalkThreads(), 1u);
  EXPECT_LE(qv::WalkThreads(), 8u);
}
