#include "platform/os/environment.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "platform/os/files.h"
#include "platform/os/system.h"
#include "support/testutil.h"
#include "platform/os/crtio.h"  // last: it redefines fopen

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
  EXPECT_EQ(Get("TEMP"), "T:\\quarvex-" + std::to_string(geteuid()));

  // SystemRoot: the stand-in folder beside the program unless set.
  Set("SystemRoot", nullptr);
  qv::SetModuleFileForTests(tmp_.str() + "/prog/Quarvex");
  EXPECT_EQ(Get("SystemRoot"), "T:\\prog\\system");
  qv::SetModuleFileForTests("");
  Set("SystemRoot", (tmp_.str() + "/sys").c_str());
  EXPECT_EQ(Get("SystemRoot"), "T:\\sys");
}

// The mode bits of a Linux path (its own, not a link's target); -1 when
// nothing is there.
int ModeOf(const std::filesystem::path& p) {
  struct stat st;
  return lstat(p.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

TEST_F(EnvironmentTest, TempUnsetIsAFolderOfTheUsersOwn) {
  namespace fs = std::filesystem;
  Set("QUARVEX_DRIVES", ("C=/;T=" + tmp_.str()).c_str());
  Set("TEMP", nullptr);
  const std::string own = "quarvex-" + std::to_string(geteuid());
  Set("TMPDIR", (tmp_.str() + "/").c_str());
  EXPECT_EQ(Get("TEMP"), "T:\\" + own);
  struct stat st;
  ASSERT_EQ(lstat((tmp_ / own).c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  EXPECT_EQ(st.st_uid, geteuid());
  // Opened up meanwhile: narrowed again.
  chmod((tmp_ / own).c_str(), 0755);
  EXPECT_EQ(Get("TEMP"), "T:\\" + own);
  EXPECT_EQ(ModeOf(tmp_ / own), 0700);

  // A link planted under the name, pointing at a folder of the user's: the
  // folder stays as it was, and TEMP is a fresh folder of the user's.
  fs::create_directories(tmp_ / "linked/base");
  fs::create_directories(tmp_ / "target");
  chmod((tmp_ / "target").c_str(), 0755);
  fs::create_directory_symlink(tmp_ / "target", tmp_ / "linked/base" / own);
  Set("TMPDIR", (tmp_ / "linked/base").c_str());
  const std::string fresh = Get("TEMP");
  ASSERT_EQ(fresh.rfind("T:\\linked\\base\\" + own + "-", 0), 0u) << fresh;
  EXPECT_EQ(Get("TEMP"), fresh);  // the same one for the rest of the process
  const fs::path made = tmp_ / "linked/base" / fresh.substr(fresh.rfind('\\') + 1);
  EXPECT_EQ(ModeOf(made), 0700);
  EXPECT_EQ(ModeOf(tmp_ / "target"), 0755);
  EXPECT_TRUE(fs::is_empty(tmp_ / "target"));

  // A plain file under the name, and (for root) another user's folder.
  fs::create_directories(tmp_ / "filed");
  qvtest::WriteFile(tmp_ / "filed" / own, "x");
  Set("TMPDIR", (tmp_ / "filed").c_str());
  EXPECT_EQ(Get("TEMP").rfind("T:\\filed\\" + own + "-", 0), 0u);
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "filed" / own), "x");
  if (geteuid() == 0) {
    fs::create_directories(tmp_ / "taken" / own);
    chmod((tmp_ / "taken" / own).c_str(), 0777);
    ASSERT_EQ(chown((tmp_ / "taken" / own).c_str(), 65534, 65534), 0);
    Set("TMPDIR", (tmp_ / "taken").c_str());
    EXPECT_EQ(Get("TEMP").rfind("T:\\taken\\" + own + "-", 0), 0u);
    EXPECT_EQ(ModeOf(tmp_ / "taken" / own), 0777);
  }
}

// While the stable name stays taken, a start takes the folder an earlier
// start made instead of leaving one more behind: the first sound one by
// name, never a link, a wider mode, a file, another user's or another name.
TEST_F(EnvironmentTest, TempTakesAnEarlierFallbackFolderWhileTheNameIsTaken) {
  namespace fs = std::filesystem;
  Set("QUARVEX_DRIVES", ("C=/;T=" + tmp_.str()).c_str());
  Set("TEMP", nullptr);
  const std::string own = "quarvex-" + std::to_string(geteuid());
  const fs::path base = tmp_ / "again";
  fs::create_directories(base);
  fs::create_directories(tmp_ / "target");
  fs::create_directory_symlink(tmp_ / "target", base / own);
  const auto folder = [&](const std::string& name, int mode) {
    fs::create_directories(base / name);
    chmod((base / name).c_str(), mode);
  };
  folder(own + "-0", 0700);  // not a name mkdtemp gives
  fs::create_directory_symlink(tmp_ / "target", base / (own + "-Aaaaaa"));
  chmod((tmp_ / "target").c_str(), 0700);
  folder(own + "-Bbbbbb", 0755);
  qvtest::WriteFile(base / (own + "-Cccccc"), "x");
  if (geteuid() == 0) {
    folder(own + "-Dddddd", 0700);
    ASSERT_EQ(chown((base / (own + "-Dddddd")).c_str(), 65534, 65534), 0);
  }
  folder(own + "-ee1Eee", 0700);
  qvtest::WriteFile(base / (own + "-ee1Eee") / "listing.csv", "kept");
  folder(own + "-ff2fff", 0700);
  const auto count = [&] { return std::distance(fs::directory_iterator(base), fs::directory_iterator()); };
  const auto before = count();

  Set("TMPDIR", base.c_str());
  EXPECT_EQ(Get("TEMP"), "T:\\again\\" + own + "-ee1Eee");
  EXPECT_EQ(count(), before);
  EXPECT_EQ(qvtest::ReadFile(base / (own + "-ee1Eee") / "listing.csv"), "kept");
  EXPECT_EQ(ModeOf(base / (own + "-Bbbbbb")), 0755);
  EXPECT_TRUE(fs::is_empty(tmp_ / "target"));
}

// A file system mounted on the folder's place reports whatever owner and
// mode it likes (a FUSE mount does): neither the stable name nor an
// earlier fallback folder is taken when something is mounted there, be it
// another file system (tmpfs) or a folder of the same one (a bind mount).
TEST_F(EnvironmentTest, TempIsNeverAFolderSomethingIsMountedOn) {
  namespace fs = std::filesystem;
  if (geteuid() != 0) GTEST_SKIP() << "mounting needs root";
  Set("QUARVEX_DRIVES", ("C=/;T=" + tmp_.str()).c_str());
  Set("TEMP", nullptr);
  const std::string own = "quarvex-" + std::to_string(geteuid());
  const fs::path base = tmp_ / "mounted";
  fs::create_directories(base / own);
  fs::create_directories(base / (own + "-Aaaaaa"));
  fs::create_directories(tmp_ / "bound");
  chmod((tmp_ / "bound").c_str(), 0700);
  if (mount("quarvex-test", (base / own).c_str(), "tmpfs", 0, "mode=0700") != 0)
    GTEST_SKIP() << "tmpfs could not be mounted here";
  if (mount((tmp_ / "bound").c_str(), (base / (own + "-Aaaaaa")).c_str(), nullptr, MS_BIND, nullptr) != 0) {
    umount2((base / own).c_str(), MNT_DETACH);
    GTEST_SKIP() << "no bind mount here";
  }
  Set("TMPDIR", base.c_str());
  const std::string temp = Get("TEMP");
  umount2((base / own).c_str(), MNT_DETACH);
  umount2((base / (own + "-Aaaaaa")).c_str(), MNT_DETACH);
  ASSERT_EQ(temp.rfind("T:\\mounted\\" + own + "-", 0), 0u) << temp;
  EXPECT_NE(temp, "T:\\mounted\\" + own + "-Aaaaaa");
  EXPECT_EQ(ModeOf(base / temp.substr(temp.rfind('\\') + 1)), 0700);
}

TEST_F(EnvironmentTest, FilesMadeInTheTemporaryFolderAreTheUsersAlone) {
  namespace fs = std::filesystem;
  Set("QUARVEX_DRIVES", ("C=/;T=" + tmp_.str()).c_str());
  Set("TEMP", nullptr);
  Set("TMPDIR", tmp_.str().c_str());
  const std::string temp = Get("TEMP");
  const fs::path dir = tmp_ / temp.substr(3);
  const mode_t oldMask = umask(022);

  // New files: 0600, whichever function makes them.
  FILE* f = fopen((temp + "\\new.csv").c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fclose(f);
  EXPECT_EQ(ModeOf(dir / "new.csv"), 0600);
  HANDLE h = CreateFileA((temp + "\\out.diff.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  EXPECT_EQ(ModeOf(dir / "out.diff.txt"), 0600);

  // The user's own older file: truncated ("w") or added to ("a+"), and
  // narrowed to the user.
  qvtest::WriteFile(dir / "old.csv", "an older and longer export");
  chmod((dir / "old.csv").c_str(), 0644);
  f = fopen((temp + "\\old.csv").c_str(), "w");
  ASSERT_NE(f, nullptr);
  fputs("new", f);
  fclose(f);
  EXPECT_EQ(qvtest::ReadFile(dir / "old.csv"), "new");
  EXPECT_EQ(ModeOf(dir / "old.csv"), 0600);
  chmod((dir / "old.csv").c_str(), 0664);
  f = fopen((temp + "\\old.csv").c_str(), "a+");
  ASSERT_NE(f, nullptr);
  fputs("er", f);
  fclose(f);
  EXPECT_EQ(qvtest::ReadFile(dir / "old.csv"), "newer");
  EXPECT_EQ(ModeOf(dir / "old.csv"), 0600);

  // A link at the name, or a file with a second name elsewhere: neither
  // is written, and what they lead to stays as it was.
  qvtest::WriteFile(tmp_ / "victim", "keep");
  fs::create_symlink(tmp_ / "victim", dir / "link.csv");
  fs::create_symlink(tmp_ / "nothing yet", dir / "dangling.csv");
  fs::create_hard_link(tmp_ / "victim", dir / "hard.csv");
  for (const char* name : {"link.csv", "dangling.csv", "hard.csv"}) {
    errno = 0;
    EXPECT_EQ(fopen((temp + "\\" + name).c_str(), "w"), nullptr) << name;
    EXPECT_EQ(errno, EACCES) << name;
    EXPECT_EQ(CreateFileA((temp + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE)
        << name;
    EXPECT_EQ(fopen((temp + "\\" + name).c_str(), "a"), nullptr) << name;
  }
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "victim"), "keep");
  EXPECT_FALSE(fs::exists(tmp_ / "nothing yet"));
  if (geteuid() == 0) {
    qvtest::WriteFile(dir / "theirs.csv", "theirs");
    ASSERT_EQ(chown((dir / "theirs.csv").c_str(), 65534, 65534), 0);
    EXPECT_EQ(fopen((temp + "\\theirs.csv").c_str(), "w"), nullptr);
    EXPECT_EQ(qvtest::ReadFile(dir / "theirs.csv"), "theirs");
  }

  // The folder removed meanwhile (a cleaner of old temporary files): made
  // again, also when a look-alike that differs in case took its place.
  fs::remove_all(dir);
  fs::create_directories(tmp_ / "elsewhere");
  const fs::path twin = tmp_ / (dir.filename().string().replace(0, 7, "QUARVEX"));
  fs::create_directory_symlink(tmp_ / "elsewhere", twin);
  f = fopen((temp + "\\again.csv").c_str(), "w");
  ASSERT_NE(f, nullptr);
  fclose(f);
  EXPECT_EQ(ModeOf(dir), 0700);
  EXPECT_EQ(ModeOf(dir / "again.csv"), 0600);
  EXPECT_TRUE(fs::is_empty(tmp_ / "elsewhere"));
  // Replaced by a link: nothing is written through it.
  fs::remove_all(dir);
  fs::create_directory_symlink(tmp_ / "elsewhere", dir);
  EXPECT_EQ(fopen((temp + "\\again.csv").c_str(), "w"), nullptr);
  EXPECT_TRUE(fs::is_empty(tmp_ / "elsewhere"));

  // An explicitly set TEMP is used as it is, with the same rule for files;
  // elsewhere files are made as the umask says.
  fs::create_directories(tmp_ / "mine");
  Set("TEMP", (tmp_ / "mine").c_str());
  EXPECT_EQ(Get("TEMP"), "T:\\mine");
  fs::create_symlink(tmp_ / "victim", tmp_ / "mine/link.csv");
  EXPECT_EQ(fopen("T:\\mine\\link.csv", "w"), nullptr);
  f = fopen("T:\\mine\\sub.csv", "w");
  ASSERT_NE(f, nullptr);
  fclose(f);
  EXPECT_EQ(ModeOf(tmp_ / "mine/sub.csv"), 0600);
  f = fopen("T:\\plain.txt", "w");
  ASSERT_NE(f, nullptr);
  fclose(f);
  EXPECT_EQ(ModeOf(tmp_ / "plain.txt"), 0644);
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "victim"), "keep");
  umask(oldMask);
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
