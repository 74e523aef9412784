// The walk reads folders with a pool of threads. Whatever their number, it
// must find what the plain walk of one folder after the other finds, in the
// same order, and leave out and tell the same names in the same order.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/ZEKApp.h"
#include "compare/CompareRun.h"
#include "records/Comment.h"
#include "records/EnvLabel.h"
#include "records/FileInfo.h"
#include "records/FileTypeProfile.h"
#include "support/drives.h"
#include "support/reference_walk.h"
#include "support/scripted_people.h"
#include "support/testutil.h"

namespace fs = std::filesystem;

namespace {

class WalkThreadsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(tmp_.str().empty());
    theApp.m_bSubdirSearch = TRUE;
    theApp.m_bDirExistDiff = FALSE;
    theApp.m_bKeepComment = TRUE;
    ClearFileTypeProfiles();
    auto& e = g_fileTypeProfiles[0].excludedDir[0];
    e.used = 1;
    e.length = 6;
    std::strcpy(e.text, "skipme");
    SetCurrentCommentTable(&comments_);
    qv::TakeUnrepresentableNames();
    MakeTree();
  }
  void TearDown() override {
    SetCurrentCommentTable(nullptr);
    ClearFileTypeProfiles();
  }

  fs::path Os(const std::string& rel) const { return tmp_ / rel; }
  void Dir(const std::string& rel) const { fs::create_directories(Os(rel)); }

  // A few thousand folders, wide and deep enough for the pool to read
  // ahead, with every kind of folder the walk tells apart.
  void MakeTree() {
    const char* words[] = {"Movies", "anime", "Disc", "Vol", "\xE6\x98\xA0\xE7\x94\xBB" /* 映画 */,
                           "\xE3\x82\xA2\xE3\x83\x8B\xE3\x83\xA1" /* アニメ */, "\xCE\xB1\xCE\xBB" /* αλ */,
                           "\xEF\xBD\x8D" /* ｍ */, "skipme", "SKIPME", ".hidden", "Abc", "abc"};
    uint32_t seed = 12345;
    auto next = [&seed](uint32_t n) {
      seed = seed * 1103515245u + 12345u;
      return (seed >> 16) % n;
    };
    std::vector<std::string> queue{"s"};
    Dir("s");
    size_t made = 0;
    for (size_t head = 0; head < queue.size() && made < 2500; ++head) {
      const std::string parent = queue[head];
      const uint32_t fan = head < 20 ? 6 + next(6) : next(6);
      for (uint32_t i = 0; i < fan; ++i) {
        const std::string rel = parent + "/" + words[next(sizeof words / sizeof *words)] + "_" + std::to_string(i % 3);
        if (fs::exists(Os(rel))) continue;
        Dir(rel);
        ++made;
        switch (next(12)) {
          case 0:
            Dir(rel + "/VIDEO_TS");
            break;
          case 1:
            Dir(rel + "/video_ts");  // found without regard to case
            break;
          case 2:
            qvtest::WriteFile(Os(rel) / "VIDEO_TS", "a file keeps the folder ordinary");
            queue.push_back(rel);
            break;
          case 3:
            fs::create_directory_symlink("../../" + fs::path(rel).parent_path().filename().string(), Os(rel + "/VIDEO_TS"));
            break;
          case 4:
            fs::create_directory_symlink("nowhere", Os(rel + "/VIDEO_TS"));  // leads nowhere: ordinary
            queue.push_back(rel);
            break;
          case 5:
            qvtest::WriteFile(Os(rel) / "caf\xC3\xA9", "");          // left out and told
            qvtest::WriteFile(Os(rel) / "a\"b", "");
            queue.push_back(rel);
            break;
          default:
            queue.push_back(rel);
        }
      }
    }
    // Links: a shelf to another tree, links back up, a link to a DVD folder.
    Dir("other/Shelf/Box/Title/VIDEO_TS");
    Dir("s/Linked");
    fs::create_directory_symlink("../../other/Shelf", Os("s/Linked/shelf"));
    fs::create_directory_symlink("../..", Os("s/Linked/up"));
    fs::create_directory_symlink("../Linked", Os("s/Linked/loop"));
    fs::create_directory_symlink("../../other/Shelf/Box/Title", Os("s/Linked/title"));
    Dir("s/bad:name/Inner/VIDEO_TS");       // a name Windows forbids, told once
    Dir("s/caf\xC3\xA9/Inner/VIDEO_TS");  // a name code page 932 cannot hold
  }

  struct Outcome {
    std::vector<std::string> dvds;
    std::vector<std::string> skipped;
  };
  Outcome Walk(const char* threads, int recurse = 1, int exist = 0) {
    qvtest::EnvVar env("QUARVEX_WALK_THREADS", threads);
    CStringList queue, dvds;
    WalkDvdFolders(recurse, exist, "T:\\s", queue, dvds, exist ? "T:\\s" : "");
    Outcome o;
    for (POSITION pos = dvds.GetHeadPosition(); pos != nullptr;) o.dvds.emplace_back(dvds.GetNext(pos).GetString());
    o.skipped = qv::TakeUnrepresentableNames();
    return o;
  }
  Outcome Reference(int recurse = 1, const std::string& other = "") {
    Outcome o;
    o.dvds = qvtest::ReferenceWalk("T:\\s", recurse, other).dvds;
    o.skipped = qv::TakeUnrepresentableNames();
    return o;
  }

  qvtest::TempDir tmp_;
  qvtest::DriveT drive_{tmp_};
  qvtest::ScriptedPeople people_;
  CComment_Obj comments_;
};

TEST_F(WalkThreadsTest, OneThreadEightThreadsAndThePlainWalkAgree) {
  const Outcome plain = Reference();
  ASSERT_GT(plain.dvds.size(), 100u);
  ASSERT_FALSE(plain.skipped.empty());
  for (const char* threads : {"1", "8", "3"}) {
    const Outcome walk = Walk(threads);
    EXPECT_EQ(walk.dvds, plain.dvds) << threads << " threads";
    EXPECT_EQ(walk.skipped, plain.skipped) << threads << " threads";
  }
  // Only the root's subfolders; and the "both folders exist" rule (against
  // the tree itself, so every folder passes through the status test).
  for (const char* threads : {"1", "8"}) {
    EXPECT_EQ(Walk(threads, 0).dvds, Reference(0).dvds) << threads << " threads";
    EXPECT_EQ(Walk(threads, 1, 1).dvds, Reference(1, "T:\\s").dvds) << threads << " threads";
  }
}

TEST_F(WalkThreadsTest, ListModeRecordsAndTheirMessageDoNotDependOnThreads) {
  std::vector<std::vector<std::string>> names;
  std::vector<std::string> messages;
  for (const char* threads : {"1", "8"}) {
    qvtest::EnvVar env("QUARVEX_WALK_THREADS", threads);
    CZEKEnv_Label entry;
    entry.m_strOldPath = "T:\\s";
    entry.m_strDiffPath = "T:\\s";
    people_.QueueAnswer(IDOK);
    RunCompare(RUN_MODE_LIST, 1, DIFF_RUN_LINE_COUNT, &entry, nullptr);
    std::vector<std::string> list;
    for (POSITION pos = entry.m_pRecordList->GetHeadPosition(); pos != nullptr;) {
      auto* r = static_cast<CZEKMergeFileInfo*>(entry.m_pRecordList->GetNext(pos));
      list.emplace_back(r->m_Old.m_strName.GetString());
      EXPECT_EQ(r->m_nExist, 2) << qvtest::U8(list.back());
    }
    names.push_back(list);
    ASSERT_EQ(people_.Calls().size(), messages.size() + 1);
    messages.push_back(people_.Calls().back().text);
  }
  EXPECT_EQ(names[0], Reference().dvds);
  EXPECT_EQ(names[1], names[0]);
  EXPECT_EQ(messages[1], messages[0]);
}

}  // namespace
