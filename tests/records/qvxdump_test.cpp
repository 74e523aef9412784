// qvxdump against documents saved by the document class: what it prints
// is what the file holds.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/ZEKApp.h"
#include "records/EnvLabel.h"
#include "records/FileInfo.h"
#include "records/ZEKDoc.h"
#include "support/drives.h"
#include "support/scripted_people.h"
#include "support/testutil.h"

namespace fs = std::filesystem;

namespace {

// The tool built beside this test binary, or "" when there is none.
std::string QvxdumpPath() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return "";
  const fs::path tool = self.parent_path().parent_path() / "tools" / "qvxdump" / "qvxdump";
  return fs::exists(tool, ec) ? tool.string() : "";
}

// Standard output of qvxdump on the file; the exit code in *rc.
std::string RunQvxdump(const std::string& tool, const fs::path& file, int* rc) {
  const std::string command = "'" + tool + "' '" + file.string() + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return "";
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), pipe)) > 0) out.append(buf, n);
  const int status = pclose(pipe);
  *rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

class QvxdumpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tool_ = QvxdumpPath();
    if (tool_.empty()) GTEST_SKIP() << "qvxdump is not built beside the tests";
  }

  std::string tool_;
  qvtest::TempDir tmp_;
  qvtest::DriveT drive_{tmp_};
  qvtest::ScriptedPeople people_;
};

TEST_F(QvxdumpTest, PrintsTheStoredCurrentIdAlsoWhenItNamesNoEntry) {
  CZEKDoc doc;
  auto* second = new CZEKEnv_Label;
  second->m_nId = 2;
  doc.m_listEntries.AddTail(second);
  doc.m_nCurrentId = 7;
  ASSERT_TRUE(doc.OnSaveDocument("T:\\seven.qvx"));
  doc.m_nCurrentId = 1;
  ASSERT_TRUE(doc.OnSaveDocument("T:\\one.qvx"));

  int rc = -1;
  std::string out = RunQvxdump(tool_, tmp_ / "seven.qvx", &rc);
  EXPECT_EQ(rc, 0);
  // The file holds 7; the document made the last entry (id 2) current.
  EXPECT_NE(out.find("\ncurrent id: 7\ncurrent id used: 2\nview code: 3074\n"), std::string::npos) << out;

  out = RunQvxdump(tool_, tmp_ / "one.qvx", &rc);
  EXPECT_EQ(rc, 0);
  EXPECT_NE(out.find("\ncurrent id: 1\nview code: 3074\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("current id used"), std::string::npos) << out;
}

TEST_F(QvxdumpTest, AFileItCannotReadFailsWithTheProgramsMessage) {
  qvtest::WriteFile(tmp_ / "cut.qvx", std::string("\x01\x00\x00", 3));
  const std::string command = "'" + tool_ + "' '" + (tmp_ / "cut.qvx").string() + "' 2>&1 >/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string err;
  char buf[512];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), pipe)) > 0) err.append(buf, n);
  const int status = pclose(pipe);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
  // The message comes out as UTF-8.
  EXPECT_EQ(err, qvtest::U8("予期しないファイル形式です。") + "\n");
}

// Under a file-size limit (`ulimit -f`) a resave larger than the limit
// fails as on a full disk, with the program's message and exit code 1,
// instead of ending the tool with SIGXFSZ.
TEST_F(QvxdumpTest, AResaveBeyondTheFileSizeLimitFailsWithTheMessage) {
  CZEKDoc doc;
  CZEKEnv_Label& entry = *doc.m_pCurrentEntry;
  entry.FreeRecords();
  entry.m_pRecordList = new CObList;
  entry.m_pTotals = new CZEKMergeSRCInfo;
  for (int i = 0; i < 5000; ++i) {
    auto* record = new CZEKMergeFileInfo;
    record->m_Old.m_nExists = 1;
    record->m_Old.m_strName.Format("dir\\%d", i);
    record->m_New.m_strName = record->m_Old.m_strName;
    record->m_nType = 2;
    record->m_nExist = 2;
    entry.m_pRecordList->AddTail(record);
  }
  entry.m_nRecordCount = 5000;
  entry.m_nState = 1;
  ASSERT_TRUE(doc.OnSaveDocument("T:\\big.qvx"));
  ASSERT_GT(fs::file_size(tmp_ / "big.qvx"), 64u * 1024);

  const std::string in = (tmp_ / "big.qvx").string(), out = (tmp_ / "out.qvx").string();
  int err[2];
  ASSERT_EQ(pipe(err), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    // The signal's default, whatever this test process does with it.
    signal(SIGXFSZ, SIG_DFL);
    struct rlimit none {0, 0}, limit {64 * 1024, 64 * 1024};
    setrlimit(RLIMIT_CORE, &none);
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(90);
    dup2(err[1], STDERR_FILENO);
    close(err[0]);
    close(err[1]);
    execl(tool_.c_str(), tool_.c_str(), in.c_str(), "--resave", out.c_str(), static_cast<char*>(nullptr));
    _exit(91);
  }
  close(err[1]);
  std::string message;
  char buf[512];
  ssize_t n;
  while ((n = read(err[0], buf, sizeof buf)) > 0) message.append(buf, static_cast<size_t>(n));
  close(err[0]);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string full = qvtest::U8("へのアクセス中にディスクがいっぱいになりました。") + "\n";
  EXPECT_TRUE(message.size() > full.size() && message.compare(message.size() - full.size(), full.size(), full) == 0)
      << message;
  EXPECT_FALSE(fs::exists(tmp_ / "out.qvx"));
}

}  // namespace
