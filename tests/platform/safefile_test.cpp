#include "platform/os/safefile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/os/paths.h"
#include "platform/os/system.h"
#include "support/drives.h"
#include "support/testutil.h"
#include "support/unprivileged.h"

namespace fs = std::filesystem;

namespace {

class SafeFileTest : public ::testing::Test {
 protected:
  // Names in a folder (the temporary files a save might leave behind).
  static std::vector<std::string> Names(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  static qv::FileResult Replace(const std::string& path, const std::string& bytes) {
    return qv::ReplaceFileContents(path.c_str(), bytes.data(), bytes.size());
  }
  qvtest::TempDir tmp_;
  qvtest::DriveT drive_{tmp_};
};

TEST_F(SafeFileTest, CreatesAndReplacesThroughDrivePathsLeavingNothingElse) {
  ASSERT_TRUE(qv::ReplaceFileContents("T:\\Doc.qvx", "abc", 3).ok());
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "Doc.qvx"), "abc");
  // Another spelling of the same name finds the file, as on Windows.
  ASSERT_TRUE(qv::ReplaceFileContents("T:\\DOC.QVX", "", 0).ok());
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "Doc.qvx"), "");
  EXPECT_EQ(Names(tmp_.path()), std::vector<std::string>{"Doc.qvx"});

  std::vector<unsigned char> bytes{1, 2, 3};
  ASSERT_TRUE(qv::ReadWholeFile("T:\\doc.qvx", bytes).ok());
  EXPECT_TRUE(bytes.empty());
}

TEST_F(SafeFileTest, KeepsPermissionBitsAndReplacesTheTargetOfALink) {
  const fs::path target = tmp_ / "real.qvx";
  qvtest::WriteFile(target, "old");
  ASSERT_EQ(chmod(target.c_str(), 0640), 0);
  fs::create_symlink(target, tmp_ / "link.qvx");

  ASSERT_TRUE(Replace((tmp_ / "link.qvx").string(), "new bytes").ok());
  EXPECT_TRUE(fs::is_symlink(tmp_ / "link.qvx"));
  EXPECT_EQ(qvtest::ReadFile(target), "new bytes");
  struct stat st;
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(Names(tmp_.path()), (std::vector<std::string>{"link.qvx", "real.qvx"}));
}

TEST_F(SafeFileTest, ASaveThroughADanglingLinkCreatesItsTarget) {
  fs::create_directories(tmp_ / "docs");
  fs::create_symlink("docs/made.qvx", tmp_ / "dangling.qvx");
  fs::create_symlink("dangling.qvx", tmp_ / "chain.qvx");
  ASSERT_TRUE(Replace((tmp_ / "chain.qvx").string(), "through two links").ok());
  EXPECT_TRUE(fs::is_symlink(tmp_ / "chain.qvx"));
  EXPECT_TRUE(fs::is_symlink(tmp_ / "dangling.qvx"));
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "docs/made.qvx"), "through two links");
  fs::create_symlink("loop.qvx", tmp_ / "loop.qvx");
  EXPECT_NE(Replace((tmp_ / "loop.qvx").string(), "x").cause, qv::FileFailure::none);
  EXPECT_TRUE(fs::is_symlink(tmp_ / "loop.qvx"));
}

TEST_F(SafeFileTest, AReadOnlyDocumentIsRefusedWhoeverSaves) {
  // Windows refuses to replace a read-only file; root's rights change nothing.
  const fs::path file = tmp_ / "ro.qvx";
  qvtest::WriteFile(file, "kept");
  ASSERT_EQ(chmod(file.c_str(), 0444), 0);
  const qv::FileResult r = Replace(file.string(), "replaced");
  EXPECT_EQ(r.cause, qv::FileFailure::accessDenied);
  EXPECT_EQ(qvtest::ReadFile(file), "kept");
  EXPECT_EQ(Names(tmp_.path()), std::vector<std::string>{"ro.qvx"});
}

TEST_F(SafeFileTest, ALaterSaveRemovesWhatAKilledSaveLeftBehind) {
  // A save killed while writing (here by its file size limit) leaves its
  // temporary file.
  auto killedSave = [&](const fs::path& file) {
    const pid_t pid = fork();
    if (pid == 0) {
      struct rlimit none{0, 0}, limit{4096, 4096};
      setrlimit(RLIMIT_CORE, &none);
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(90);
      Replace(file.string(), std::string(1 << 20, 'x'));
      _exit(91);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
  };
  qvtest::WriteFile(tmp_ / "doc.qvx", "old");
  qvtest::WriteFile(tmp_ / "other.qvx", "other");
  killedSave(tmp_ / "doc.qvx");
  killedSave(tmp_ / "other.qvx");
  std::vector<std::string> names = Names(tmp_.path());
  ASSERT_EQ(names.size(), 4u);
  // One more as if its writer (this process) were still saving.
  std::string live = names[0];
  const size_t dash = live.find('-', std::string(".qvsave-").size());
  live = live.substr(0, dash + 1) + std::to_string(getpid()) + "-0-0.tmp";
  qvtest::WriteFile(tmp_ / live, "in progress");

  ASSERT_TRUE(Replace((tmp_ / "doc.qvx").string(), "new").ok());
  ASSERT_TRUE(Replace((tmp_ / "other.qvx").string(), "new other").ok());
  EXPECT_EQ(Names(tmp_.path()), (std::vector<std::string>{live, "doc.qvx", "other.qvx"}));
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "doc.qvx"), "new");
}

TEST_F(SafeFileTest, RefusesFoldersAndMissingFoldersWithTheirCauses) {
  fs::create_directories(tmp_ / "folder.qvx");
  EXPECT_EQ(Replace((tmp_ / "folder.qvx").string(), "x").cause, qv::FileFailure::accessDenied);
  EXPECT_EQ(Replace((tmp_ / "missing/doc.qvx").string(), "x").cause, qv::FileFailure::notFound);
  EXPECT_EQ(qv::ReplaceFileContents("Q:\\doc.qvx", "x", 1).cause, qv::FileFailure::notFound);  // no such drive
  EXPECT_EQ(Names(tmp_.path()), std::vector<std::string>{"folder.qvx"});

  std::vector<unsigned char> bytes;
  EXPECT_EQ(qv::ReadWholeFile((tmp_ / "nothing.qvx").c_str(), bytes).cause, qv::FileFailure::notFound);
  EXPECT_EQ(qv::ReadWholeFile((tmp_ / "folder.qvx").c_str(), bytes).cause, qv::FileFailure::accessDenied);
  EXPECT_EQ(qv::ReadWholeFile("/dev/zero", bytes).cause, qv::FileFailure::accessDenied);
}

TEST_F(SafeFileTest, ReadOnlyFolderOrFileLeavesTheOldFileByteForByte) {
  const fs::path dir = tmp_ / "ro";
  const fs::path file = dir / "doc.qvx";
  const std::string old("\x01\x00\xFFold contents", 15);
  qvtest::WriteFile(file, old);
  qvtest::WriteFile(tmp_ / "ro2/doc.qvx", old);
  ASSERT_EQ(chmod(tmp_.path().c_str(), 0755), 0);
  if (geteuid() == 0) {
    // The unprivileged child owns the file, not the folder.
    ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
  }
  ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
  ASSERT_EQ(chmod((tmp_ / "ro2/doc.qvx").c_str(), 0444), 0);

  const int code = qvtest::RunUnprivileged([&] {
    const std::string bytes(100000, 'n');
    const qv::FileResult folder = Replace(file.string(), bytes);
    if (folder.cause != qv::FileFailure::accessDenied) return 1;
    const qv::FileResult readOnly = Replace((tmp_ / "ro2/doc.qvx").string(), bytes);
    if (readOnly.cause != qv::FileFailure::accessDenied) return 2;
    return 0;
  });
  EXPECT_EQ(code, 0);
  chmod(dir.c_str(), 0755);
  EXPECT_EQ(qvtest::ReadFile(file), old);
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "ro2/doc.qvx"), old);
  EXPECT_EQ(Names(dir), std::vector<std::string>{"doc.qvx"});
  EXPECT_EQ(Names(tmp_ / "ro2"), std::vector<std::string>{"doc.qvx"});
}

TEST_F(SafeFileTest, DiskFullRemovesTheTemporaryFileAndKeepsTheOldOne) {
  const fs::path file = tmp_ / "doc.qvx";
  const std::string old = "the old document";
  qvtest::WriteFile(file, old);
  // A file size limit fails the write the way a full disk does, once the
  // process is prepared as the program's start-up prepares it.
  const pid_t pid = fork();
  if (pid == 0) {
    qv::PrepareProcess();
    struct rlimit limit{4096, 4096};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(90);
    const std::string bytes(1 << 20, 'x');
    const qv::FileResult r = Replace(file.string(), bytes);
    _exit(r.cause == qv::FileFailure::diskFull ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(qvtest::ReadFile(file), old);
  EXPECT_EQ(Names(tmp_.path()), std::vector<std::string>{"doc.qvx"});
}

// A document is written piece by piece: nothing of it reaches the target
// before the commit, and a writer that does not commit leaves nothing.
TEST_F(SafeFileTest, PiecesReplaceTheFileOnlyWhenCommitted) {
  const fs::path file = tmp_ / "doc.qvx";
  qvtest::WriteFile(file, "old");
  {
    qv::SafeFileWriter w;
    ASSERT_TRUE(w.Begin("T:\\doc.qvx").ok());
    EXPECT_TRUE(w.Write("ab", 2));
    EXPECT_TRUE(w.Write("", 0));
    EXPECT_TRUE(w.Write("cde", 3));
    EXPECT_EQ(qvtest::ReadFile(file), "old");
    EXPECT_EQ(Names(tmp_.path()).size(), 2u);  // the temporary file beside it
  }  // not committed
  EXPECT_EQ(qvtest::ReadFile(file), "old");
  EXPECT_EQ(Names(tmp_.path()), std::vector<std::string>{"doc.qvx"});

  qv::SafeFileWriter w;
  ASSERT_TRUE(w.Begin("T:\\doc.qvx").ok());
  EXPECT_TRUE(w.Write("ab", 2));
  EXPECT_TRUE(w.Write("cde", 3));
  EXPECT_TRUE(w.Commit().ok());
  EXPECT_EQ(qvtest::ReadFile(file), "abcde");
  EXPECT_EQ(Names(tmp_.path()), std::vector<std::string>{"doc.qvx"});

  // A disk that fills up half-way: the writes after stop, the commit gives
  // the cause, and the old file stays.
  const pid_t pid = fork();
  if (pid == 0) {
    qv::PrepareProcess();
    struct rlimit limit{4096, 4096};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(90);
    qv::SafeFileWriter full;
    if (!full.Begin("T:\\doc.qvx").ok()) _exit(91);
    const std::string piece(3000, 'x');
    if (!full.Write(piece.data(), piece.size())) _exit(92);
    if (full.Write(piece.data(), piece.size())) _exit(93);
    if (full.Write("y", 1)) _exit(94);
    _exit(full.Commit().cause == qv::FileFailure::diskFull ? 0 : 95);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(qvtest::ReadFile(file), "abcde");
  EXPECT_EQ(Names(tmp_.path()), std::vector<std::string>{"doc.qvx"});
}

TEST(SafeFileCauses, ErrnoValuesMapToTheCausesMessagesNeed) {
  EXPECT_EQ(qv::FileFailureFromErrno(ENOENT), qv::FileFailure::notFound);
  EXPECT_EQ(qv::FileFailureFromErrno(EROFS), qv::FileFailure::accessDenied);
  EXPECT_EQ(qv::FileFailureFromErrno(ETXTBSY), qv::FileFailure::sharingViolation);
  EXPECT_EQ(qv::FileFailureFromErrno(EDQUOT), qv::FileFailure::diskFull);
  EXPECT_EQ(qv::FileFailureFromErrno(EIO), qv::FileFailure::hardIO);
  EXPECT_EQ(qv::FileFailureFromErrno(EINVAL), qv::FileFailure::generic);
}

}  // namespace
