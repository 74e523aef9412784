// qvxdump against documents saved by the document class: what it prints
// is what the file holds.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/ZEKApp.h"
#include "records/EnvLabel.h"
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

}  // namespace
