// The comparison run on real folder trees under a temporary folder mapped to
// drive T:: the walk for DVD folders, pairing, the records, the run kinds,
// the questions, comments kept across runs and the display filter.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <functional>
#include <tuple>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/ZEKApp.h"
#include "compare/CompareRun.h"
#include "compare/DiffEval.h"
#include "compare/DiffFile.h"
#include "records/Comment.h"
#include "records/EnvLabel.h"
#include "records/FileInfo.h"
#include "records/FileTypeProfile.h"
#include "records/ZEKDoc.h"
#include "support/drives.h"
#include "support/pe_image.h"
#include "support/recorder.h"
#include "support/scripted_people.h"
#include "support/testutil.h"
#include "support/unprivileged.h"

namespace fs = std::filesystem;

namespace {

const char kAskRebuild[] = "ファイル情報を本当に作成し直しますか？";

class CompareRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(tmp_.str().empty());
    theApp.m_bSubdirSearch = TRUE;
    theApp.m_bDirExistDiff = FALSE;
    theApp.m_nDiffExec = DIFF_RUN_LINE_COUNT;
    theApp.m_bKeepComment = TRUE;
    theApp.m_bDiffOverDate = FALSE;
    theApp.m_strCmdDiff = "/usr/bin/diff";
    ClearFileTypeProfiles();
    AddEntry(g_fileTypeProfiles[0].excludedDir[0], "skipme");
    AddEntry(g_fileTypeProfiles[0].excludedExt[0], "bak");
    SetCurrentCommentTable(&comments_);
  }
  void TearDown() override {
    SetCurrentCommentTable(nullptr);
    ClearFileTypeProfiles();
  }

  template <typename Entry>
  static void AddEntry(Entry& e, const char* text) {
    e.used = 1;
    e.length = static_cast<DWORD>(std::strlen(text));
    std::strcpy(e.text, text);
  }

  // The place on disk of a code page 932 path with backslashes below T:.
  fs::path Os(const std::string& rel) const {
    std::string u = qvtest::U8(rel);
    for (char& c : u) {
      if (c == '\\') c = '/';
    }
    return tmp_ / u;
  }
  static std::string W(const std::string& rel) { return "T:\\" + rel; }
  void Dir(const std::string& rel) const { fs::create_directories(Os(rel)); }
  void Dvd(const std::string& rel) const { fs::create_directories(Os(rel + "\\VIDEO_TS")); }

  std::vector<std::string> Walk(const std::string& rootRel, int recurse = 1, int exist = 0,
                                const std::string& otherRel = "") {
    CStringList queue, dvds;
    const std::string other = otherRel.empty() ? "" : W(otherRel);
    WalkDvdFolders(recurse, exist, W(rootRel).c_str(), queue, dvds, other.c_str());
    return Texts(dvds);
  }
  static std::vector<std::string> Texts(const CStringList& list) {
    std::vector<std::string> out;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) out.emplace_back(list.GetNext(pos).GetString());
    return out;
  }
  static std::vector<CZEKMergeFileInfo*> Records(const CZEKEnv_Label& e) {
    std::vector<CZEKMergeFileInfo*> out;
    if (e.m_pRecordList == nullptr) return out;
    for (POSITION pos = e.m_pRecordList->GetHeadPosition(); pos != nullptr;) {
      out.push_back(static_cast<CZEKMergeFileInfo*>(e.m_pRecordList->GetNext(pos)));
    }
    return out;
  }
  static std::vector<std::string> Names(const CZEKEnv_Label& e) {
    std::vector<std::string> out;
    for (CZEKMergeFileInfo* r : Records(e)) out.emplace_back(r->m_New.m_strName.GetString());
    return out;
  }
  void Folders(CZEKEnv_Label& e, const std::string& newRel, const std::string& oldRel,
               const std::string& diffRel) {
    e.m_strNewPath = newRel.empty() ? "" : W(newRel).c_str();
    e.m_strOldPath = W(oldRel).c_str();
    e.m_strDiffPath = W(diffRel).c_str();
  }

  // A DVD folder in NEW and OLD whose info.txt differs in three lines, and
  // whose folders are an hour old.
  void ChangedPair(const std::string& rel) {
    Dvd("new\\" + rel);
    Dvd("old\\" + rel);
    qvtest::WriteFile(Os("old\\" + rel) / "info.txt", "a\nb\nc\n");
    qvtest::WriteFile(Os("new\\" + rel) / "info.txt", "x\ny\nz\n");
    const auto past = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(Os("old\\" + rel), past);
    fs::last_write_time(Os("new\\" + rel), past);
  }

  qvtest::TempDir tmp_;
  qvtest::DriveT drive_{tmp_};
  qvtest::ScriptedPeople people_;
  CComment_Obj comments_;
};

// ---------------------------------------------------------------------------
// The walk.

// A storage tree with DVD folders at several depths and every kind of
// folder the walk must tell apart.
class WalkTest : public CompareRunTest {
 protected:
  void SetUp() override {
    CompareRunTest::SetUp();
    Dvd("s\\A");
    Dvd("s\\B\\C");
    Dvd("s\\B\\D\\E");
    Dvd("s\\B\\D\\E\\F");          // inside a DVD folder: never found
    Dvd("s\\B\\D\\E\\VIDEO_TS\\G");  // below VIDEO_TS: never found
    fs::create_directories(Os("s\\lower\\video_ts"));
    qvtest::WriteFile(Os("s\\file_named") / "VIDEO_TS", "not a folder");
    Dvd("s\\file_named\\Sub");
    Dvd("s\\skipme\\Inner");        // below an excluded folder
    Dvd("s\\Deep\\SKIPME");         // an excluded name, but a DVD folder
    Dvd("s\\映画\\タイトル");
    Dir("s\\VIDEO_TS");             // the root itself is no item
    Dvd("s\\Movie.bak");
    Dvd("s\\.hidden\\T");          // hidden folders are walked like any other
  }
};

TEST_F(WalkTest, FindsDvdFoldersBreadthFirstAndNeverBelowThem) {
  EXPECT_EQ(Walk("s"), (std::vector<std::string>{"A", "lower", "Movie.bak", ".hidden\\T", "B\\C",
                                                 "Deep\\SKIPME", "file_named\\Sub", "映画\\タイトル",
                                                 "B\\D\\E"}));
}

TEST_F(WalkTest, LinkedFoldersAreWalkedIntoEachFolderOnce) {
  // A "shelf" link to another disk is walked into; links back to the root or
  // to a folder walked already are not followed again; a link to a DVD
  // folder catalogues it under the link's path.
  Dvd("other\\Disk2\\Movie");
  Dvd("t\\A");
  Dvd("t\\x\\B");
  Dir("t\\y");
  fs::create_directory_symlink("../other/Disk2", Os("t\\shelf"));
  fs::create_directory_symlink("..", Os("t\\x\\up"));
  fs::create_directory_symlink("../x", Os("t\\x\\loop"));
  fs::create_directory_symlink("../A", Os("t\\x\\dvdlink"));
  fs::create_directory_symlink("../../other/Disk2", Os("t\\y\\again"));
  EXPECT_EQ(Walk("t"), (std::vector<std::string>{"A", "shelf\\Movie", "x\\B", "x\\dvdlink"}));
}

TEST_F(WalkTest, WithoutSubfoldersOnlyTheRootsChildrenCount) {
  EXPECT_EQ(Walk("s", 0), (std::vector<std::string>{"A", "lower", "Movie.bak"}));
}

TEST_F(WalkTest, ListSubfoldersSplitsOneLevel) {
  CStringList folders, dvds;
  ListSubfolders(0, W("s").c_str(), folders, dvds);
  EXPECT_EQ(Texts(dvds), (std::vector<std::string>{"A", "lower", "Movie.bak"}));
  EXPECT_EQ(Texts(folders), (std::vector<std::string>{".hidden", "B", "Deep", "file_named", "VIDEO_TS", "映画"}));
}

TEST_F(WalkTest, AMissingOrUnusableRootGivesNothingSilently) {
  EXPECT_TRUE(Walk("nothing_here").empty());
  CStringList queue, dvds;
  dvds.AddTail("stale");
  WalkDvdFolders(1, 0, std::string(1100, 'x').c_str(), queue, dvds, "");
  EXPECT_TRUE(dvds.IsEmpty());
  EXPECT_TRUE(people_.Calls().empty());
}

TEST_F(CompareRunTest, ExistFlagDescendsOnlyIntoFoldersOfBothTrees) {
  Dvd("n\\Shared\\T1");
  Dvd("n\\OnlyNew\\T2");
  Dvd("n\\T3");
  Dir("o\\shared");  // found as the platform finds names: case ignored
  EXPECT_EQ(Walk("n", 1, 1, "o"), (std::vector<std::string>{"T3", "Shared\\T1"}));
  EXPECT_EQ(Walk("n", 1, 0, "o"), (std::vector<std::string>{"T3", "OnlyNew\\T2", "Shared\\T1"}));
}

TEST_F(CompareRunTest, FoldersWhosePathsDoNotFitAreLeftOutSafely) {
  // Ten levels of 250 bytes: the DVD folder at the fifth level fits the
  // 2048-byte paths of the walk, the one at the tenth does not.
  std::string rel = "deep";
  std::string fits, tooLong;
  for (int i = 1; i <= 10; ++i) {
    rel += "\\" + std::string(250, static_cast<char>('a' + i));
    if (i == 5) fits = rel;
  }
  tooLong = rel;
  Dvd(fits + "\\T");
  Dvd(tooLong + "\\T");
  const std::vector<std::string> found = Walk("deep");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(W(found[0]), W(fits.substr(5) + "\\T"));

  // A side whose path does not fit is absent; the version text is that of
  // a missing resource.
  CZEKFileInfo side;
  side.m_nExists = 1;
  GetVersionText(side, W(tooLong).c_str());
  EXPECT_EQ(side.m_strVersion, CString(kNoVersionText));
}

// ---------------------------------------------------------------------------
// Pairing and records.

TEST_F(CompareRunTest, UniteKeepsTheFirstListsSpellingAndOrder) {
  CStringList first, second;
  first.AddTail("b\\X");
  first.AddTail("a\\表");
  second.AddTail("A\\表");
  second.AddTail("B\\x");
  second.AddTail("c");
  UnitePathLists(first, second);
  EXPECT_EQ(Texts(first), (std::vector<std::string>{"b\\X", "a\\表", "c"}));
}

TEST_F(CompareRunTest, CompareModePairsNewAndOldPaths) {
  Dvd("new\\Both\\Title");
  Dvd("old\\Both\\Title");
  Dvd("new\\Case\\Title");
  Dvd("old\\case\\TITLE");
  Dvd("new\\Only\\NewDvd");
  Dvd("old\\Only\\OldDvd");
  Dvd("new\\Movie.bak");
  Dvd("old\\Movie.bak");
  Dir("diff");

  CZEKEnv_Label entry;
  Folders(entry, "new", "old", "diff");
  CObList* records = nullptr;
  CZEKMergeSRCInfo* totals = nullptr;
  ASSERT_EQ(RebuildFileInfo(RUN_MODE_COMPARE, 1, 3, nullptr, &entry, &records, &totals), 1);
  EXPECT_EQ(records, entry.m_pRecordList);
  EXPECT_EQ(totals, entry.m_pTotals);
  EXPECT_EQ(entry.m_nState, 1);

  EXPECT_EQ(Names(entry), (std::vector<std::string>{"Movie.bak", "Both\\Title", "Case\\Title",
                                                    "Only\\NewDvd", "Only\\OldDvd"}));
  EXPECT_EQ(entry.m_nRecordCount, 5);
  const std::vector<CZEKMergeFileInfo*> r = Records(entry);
  EXPECT_EQ(r[0]->m_nType, -11);
  EXPECT_EQ(r[0]->m_nExist, 0);  // excluded extension: no presence bits
  EXPECT_EQ(r[1]->m_nExist, 3);
  EXPECT_EQ(r[2]->m_nExist, 3);  // the OLD side found under the NEW spelling
  EXPECT_EQ(r[2]->m_Old.m_strName, CString("Case\\Title"));
  EXPECT_EQ(r[3]->m_nExist, 1);
  EXPECT_EQ(r[4]->m_nExist, 2);
  EXPECT_EQ(r[4]->m_New.m_nExists, 0);
  EXPECT_EQ(r[4]->m_New.m_tModify, 0);
  EXPECT_EQ(r[4]->m_New.m_strVersion, CString(kNoVersionText));

  struct stat st {};
  ASSERT_EQ(stat(Os("old\\Both\\Title").c_str(), &st), 0);
  EXPECT_EQ(r[1]->m_Old.m_tModify, static_cast<LONG>(st.st_mtime));
  EXPECT_EQ(r[1]->m_Old.m_nExists, 1);
  EXPECT_EQ(r[1]->m_Old.m_dwSize, 0u);
  EXPECT_EQ(r[1]->m_Old.m_strVersion, CString(kNoVersionText));
  for (CZEKMergeFileInfo* m : r) {
    EXPECT_EQ(m->m_New.m_dwLines, 0u);  // folders have no lines
    EXPECT_EQ(m->m_nChgLines, 0);
  }
}

TEST_F(CompareRunTest, LettersBeyondAsciiPairInEveryCaseGroup) {
  // Each pair differs only in the case of its full-width Latin, Greek,
  // Cyrillic or Roman-numeral letters: one record with both copies.
  const std::vector<std::pair<std::string, std::string>> pairs = {
      {"Ｍovie", "ｍovie"}, {"Αλφα", "αΛΦΑ"}, {"Фильм", "фИЛЬМ"}, {"Ёлка", "ёлка"}, {"第Ⅰ部", "第ⅰ部"}};
  for (const auto& [newName, oldName] : pairs) {
    Dvd("new\\" + newName);
    Dvd("old\\" + oldName);
  }
  Dir("diff");
  CZEKEnv_Label entry;
  Folders(entry, "new", "old", "diff");
  RunCompare(RUN_MODE_COMPARE, 1, DIFF_RUN_LINE_COUNT, &entry, nullptr);
  const std::vector<CZEKMergeFileInfo*> r = Records(entry);
  ASSERT_EQ(r.size(), pairs.size()) << ::testing::PrintToString(Names(entry));
  for (CZEKMergeFileInfo* m : r) {
    EXPECT_EQ(m->m_nExist, 3) << qvtest::U8(m->m_New.m_strName.GetString());
    EXPECT_EQ(m->m_Old.m_nExists, 1);
  }
}

TEST_F(CompareRunTest, ListModeWalksOnlyOldAndFillsOnlyItsSide) {
  Dvd("store\\Title1");
  Dvd("store\\Box\\Title2");
  Dvd("elsewhere\\NotWalked");
  CZEKEnv_Label entry;
  Folders(entry, "elsewhere", "store", "missing_diff");  // NEW and DIFF are not tested
  theApp.m_nDiffExec = DIFF_RUN_REGENERATE;  // list mode always runs kind 2
  ASSERT_EQ(RebuildFileInfo(RUN_MODE_LIST, 1, 3, nullptr, &entry, nullptr, nullptr), 1);
  EXPECT_TRUE(people_.Calls().empty());
  EXPECT_EQ(Names(entry), (std::vector<std::string>{"Title1", "Box\\Title2"}));
  for (CZEKMergeFileInfo* r : Records(entry)) {
    EXPECT_EQ(r->m_nExist, 2);
    EXPECT_EQ(r->m_New.m_nExists, 0);
    EXPECT_EQ(r->m_New.m_strVersion, CString(kNoVersionText));
    EXPECT_EQ(r->m_Old.m_nExists, 1);
    EXPECT_NE(r->m_Old.m_tModify, 0);
  }
  EXPECT_EQ(entry.m_nState, 1);
  EXPECT_EQ(entry.m_strRoot, CString("T:\\"));
  // "2024/02/15 (Thu)  09:05:03"
  const std::string t = entry.m_strRunTime.GetString();
  ASSERT_EQ(t.size(), 26u) << t;
  EXPECT_EQ(t.substr(16, 2), "  ");
  EXPECT_FALSE(fs::exists(Os("missing_diff")));
}

TEST_F(CompareRunTest, NamesCodePage932CannotHoldAreLeftOutAndTold) {
  Dvd("store\\Title1");
  // "café" has no code page 932 form: the folder is left out, never shown
  // under another name, and the user is told which.
  fs::create_directories(tmp_ / "store" / "caf\xC3\xA9" / "VIDEO_TS");
  CZEKEnv_Label entry;
  Folders(entry, "", "store", "store");
  people_.QueueAnswer(IDOK);
  ASSERT_EQ(RebuildFileInfo(RUN_MODE_LIST, 1, 3, nullptr, &entry, nullptr, nullptr), 1);
  EXPECT_EQ(Names(entry), (std::vector<std::string>{"Title1"}));
  ASSERT_EQ(people_.Calls().size(), 1u);
  const auto& call = people_.Calls()[0];
  EXPECT_EQ(call.Icon(), static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_NE(call.text.find("store/caf?"), std::string::npos) << qvtest::U8(call.text);

  // A second run over a tree without such names tells nothing more.
  fs::remove_all(tmp_ / "store" / "caf\xC3\xA9");
  people_.QueueAnswer(IDYES);
  ASSERT_EQ(RebuildFileInfo(RUN_MODE_LIST, 1, 3, nullptr, &entry, nullptr, nullptr), 1);
  EXPECT_EQ(people_.Calls().size(), 2u);
}

TEST_F(CompareRunTest, NamesWindowsForbidsAreLeftOutAndToldOnce) {
  // A quote in a name would break the diff command's quoting (and hand
  // "--help" to diff as an option); such names are skipped like names code
  // page 932 cannot hold. A folder reached twice tells its names once.
  Dvd("new\\Title");
  Dvd("old\\Title");
  for (const char* bad : {"a\" \"--help", "b:c", "line\nbreak", "p|ipe"}) {
    fs::create_directories(tmp_ / "new" / bad / "VIDEO_TS");
    fs::create_directories(tmp_ / "old" / bad / "VIDEO_TS");
  }
  qvtest::WriteFile(tmp_ / "old/Title/caf\xC3\xA9", "");
  fs::create_directory_symlink("Title", tmp_ / "old/Again");
  Dir("diff");
  CZEKEnv_Label entry;
  Folders(entry, "new", "old", "diff");
  people_.QueueAnswer(IDOK);
  RunCompare(RUN_MODE_COMPARE, 1, DIFF_RUN_REGENERATE, &entry, nullptr);
  EXPECT_EQ(Names(entry), (std::vector<std::string>{"Title", "Again"}));
  ASSERT_EQ(people_.Calls().size(), 1u);
  const std::string text = people_.Calls()[0].text;
  EXPECT_EQ(text.find("次の名前は文字コード932で表せないか、Windowsで使えない文字を含むため"), 0u) << qvtest::U8(text);
  EXPECT_NE(text.find("/new/a\" \"--help"), std::string::npos) << qvtest::U8(text);
  EXPECT_NE(text.find("/old/line\nbreak"), std::string::npos);
  const size_t cafe = text.find("caf?");
  ASSERT_NE(cafe, std::string::npos);
  EXPECT_EQ(text.find("caf?", cafe + 1), std::string::npos) << qvtest::U8(text);
  EXPECT_EQ(text.find("ほか"), std::string::npos) << "nine names, all shown";
}

TEST_F(CompareRunTest, UnreadableFoldersAndOverLongPathsAreNamedAfterTheWalk) {
  // Ten levels of 250 bytes: the walk's 2048-byte paths end at the eighth.
  std::string rel = "store\\deep";
  for (int i = 1; i <= 10; ++i) rel += "\\" + std::string(250, static_cast<char>('a' + i));
  Dvd(rel + "\\T");
  Dvd("store\\Title");
  Dvd("store\\Locked\\Inside");
  ASSERT_EQ(chmod(tmp_.path().c_str(), 0755), 0);
  ASSERT_EQ(chmod(Os("store\\Locked").c_str(), 0), 0);
  const int code = qvtest::RunUnprivileged([&] {
    CZEKEnv_Label entry;
    Folders(entry, "", "store", "store");
    people_.QueueAnswer(IDOK);
    if (RebuildFileInfo(RUN_MODE_LIST, 1, 3, nullptr, &entry, nullptr, nullptr) != 1) return 1;
    if (Names(entry) != std::vector<std::string>{"Title"}) return 2;
    if (people_.Calls().size() != 1) return 3;
    const std::string text = people_.Calls()[0].text;
    const size_t locked = text.find("次のフォルダは読み取れないため、一覧に含めていません。\nT:\\store\\Locked");
    const size_t deep = text.find("次のフォルダはパスが長すぎるため、一覧に含めていません。\nT:\\store\\deep\\bbb");
    if (locked == std::string::npos || deep == std::string::npos || deep < locked) return 4;
    if (text.find("…", deep) == std::string::npos || text.size() > 1000) return 5;  // shortened, not 2 KB
    return 0;
  });
  chmod(Os("store\\Locked").c_str(), 0755);
  EXPECT_EQ(code, 0);
}

TEST_F(CompareRunTest, AFileGivenAsTheStorageFolderIsNamed) {
  qvtest::WriteFile(Os("store.txt"), "not a folder");
  CZEKEnv_Label entry;
  Folders(entry, "", "store.txt", "store.txt");
  people_.QueueAnswer(IDOK);
  ASSERT_EQ(RebuildFileInfo(RUN_MODE_LIST, 1, 3, nullptr, &entry, nullptr, nullptr), 1);
  EXPECT_TRUE(Names(entry).empty());
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(people_.Calls()[0].text, "次のフォルダは読み取れないため、一覧に含めていません。\nT:\\store.txt");
}

TEST_F(CompareRunTest, FoldersThatCanBeListedButNotEnteredKeepTheirItems) {
  // A folder the user may list but not enter (r--): its listing still tells
  // which subfolders it holds, as a Windows listing does. A DVD folder of
  // that kind is catalogued; the subfolders it cannot enter are named.
  Dvd("store\\Title");
  Dvd("store\\Closed");
  Dvd("store\\Shut\\Inner");
  ASSERT_EQ(chmod(tmp_.path().c_str(), 0755), 0);
  ASSERT_EQ(chmod(Os("store\\Closed").c_str(), 0444), 0);
  ASSERT_EQ(chmod(Os("store\\Shut").c_str(), 0444), 0);
  const int code = qvtest::RunUnprivileged([&] {
    CZEKEnv_Label entry;
    Folders(entry, "", "store", "store");
    people_.QueueAnswer(IDOK);
    if (RebuildFileInfo(RUN_MODE_LIST, 1, 3, nullptr, &entry, nullptr, nullptr) != 1) return 1;
    if (Names(entry) != std::vector<std::string>{"Closed", "Title"}) return 2;
    if (people_.Calls().size() != 1) return 3;
    if (people_.Calls()[0].text.find("T:\\store\\Shut\\Inner") == std::string::npos) return 4;
    return 0;
  });
  chmod(Os("store\\Closed").c_str(), 0755);
  chmod(Os("store\\Shut").c_str(), 0755);
  EXPECT_EQ(code, 0);
}

// An excluded folder is not gone into, so nothing about it is told: not
// that it cannot be read (lost+found at a disk's root, for a user), nor the
// names it holds. A DVD folder with an excluded name is still catalogued,
// also one that can be listed but not entered.
TEST_F(CompareRunTest, ExcludedFoldersAreNeitherWalkedNorNamed) {
  Dvd("store\\Title");
  Dvd("store\\skipme\\Inner");
  Dvd("store\\Shelf\\SkipMe");
  fs::create_directories(tmp_ / "store" / "Other" / "SKIPME" / "caf\xC3\xA9");
  ASSERT_EQ(chmod(tmp_.path().c_str(), 0755), 0);
  ASSERT_EQ(chmod(Os("store\\skipme").c_str(), 0), 0);
  ASSERT_EQ(chmod(Os("store\\Shelf\\SkipMe").c_str(), 0444), 0);
  const int code = qvtest::RunUnprivileged([&] {
    CZEKEnv_Label entry;
    Folders(entry, "", "store", "store");
    if (RebuildFileInfo(RUN_MODE_LIST, 1, 3, nullptr, &entry, nullptr, nullptr) != 1) return 1;
    if (Names(entry) != std::vector<std::string>{"Title", "Shelf\\SkipMe"}) return 2;
    return people_.Calls().empty() ? 0 : 3;
  });
  chmod(Os("store\\skipme").c_str(), 0755);
  chmod(Os("store\\Shelf\\SkipMe").c_str(), 0755);
  EXPECT_EQ(code, 0) << (code == 3 ? "a message was shown" : "");
}

TEST_F(CompareRunTest, TotalsStartFromZeroAtEveryRun) {
  Dvd("store\\Title");
  CZEKEnv_Label entry;
  Folders(entry, "", "store", "store");
  AllocMergeLists(&entry);
  entry.m_pTotals->m_Row[8].m_dwCount[2] = 99;
  entry.m_pRecordList->AddTail(new CZEKMergeFileInfo(0, "stale"));
  RunCompare(RUN_MODE_LIST, 1, DIFF_RUN_LINE_COUNT, &entry, nullptr);
  EXPECT_EQ(entry.m_pTotals->m_Row[8].m_dwCount[2], 0u);
  EXPECT_EQ(Names(entry), (std::vector<std::string>{"Title"}));
}

// ---------------------------------------------------------------------------
// The questions.

TEST_F(CompareRunTest, NoToTheRebuildQuestionLeavesTheEntryUntouched) {
  Dvd("store\\Title");
  CZEKEnv_Label entry;
  Folders(entry, "", "store", "store");
  ASSERT_EQ(RebuildFileInfo(RUN_MODE_LIST, 1, 3, nullptr, &entry, nullptr, nullptr), 1);
  CObList* const list = entry.m_pRecordList;
  CZEKMergeSRCInfo* const totals = entry.m_pTotals;
  entry.m_strRunTime = "before";
  entry.m_strVolumeName = "volume";

  people_.QueueAnswer(IDNO);
  CObList* callerList = nullptr;
  EXPECT_EQ(RebuildFileInfo(RUN_MODE_LIST, 1, 1, nullptr, &entry, &callerList, nullptr), 0);
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(people_.Calls()[0].text, kAskRebuild);
  EXPECT_EQ(people_.Calls()[0].Buttons(), static_cast<UINT>(MB_YESNO));
  EXPECT_EQ(entry.m_pRecordList, list);
  EXPECT_EQ(entry.m_pTotals, totals);
  EXPECT_EQ(entry.m_strRunTime, CString("before"));
  EXPECT_EQ(entry.m_strVolumeName, CString("volume"));
  EXPECT_EQ(callerList, nullptr);

  // Yes with the discard flag: the old results go before the folder check.
  people_.QueueAnswer(IDYES);
  people_.QueueAnswer(IDNO);
  entry.m_strOldPath = W("gone").c_str();
  EXPECT_EQ(RebuildFileInfo(RUN_MODE_LIST, 1, 1, nullptr, &entry, &callerList, nullptr), 0);
  EXPECT_EQ(entry.m_pRecordList, nullptr);
  EXPECT_EQ(entry.m_nState, 0);
}

TEST_F(CompareRunTest, MissingFoldersAreAskedAboutInOrder) {
  Dir("new");
  Dir("old");
  CZEKEnv_Label entry;
  Folders(entry, "new_missing", "old_missing", "diff\\sub");

  people_.QueueAnswer(IDNO);
  EXPECT_EQ(RebuildFileInfo(RUN_MODE_COMPARE, 1, 3, nullptr, &entry, nullptr, nullptr), 0);
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(people_.Calls()[0].text, W("old_missing") + "\n\n上記OLDファイルパスが存在しません。続けますか？");
  EXPECT_EQ(entry.m_strRunTime, CString("－－未作成－－"));

  people_.ClearCalls();
  people_.QueueAnswer(IDYES);
  people_.QueueAnswer(IDNO);
  EXPECT_EQ(CheckComparePaths(RUN_MODE_COMPARE, entry.m_strNewPath, entry.m_strOldPath, entry.m_strDiffPath), 0);
  ASSERT_EQ(people_.Calls().size(), 2u);
  EXPECT_EQ(people_.Calls()[1].text, W("new_missing") + "\n\n上記NEWファイルパスが存在しません。続けますか？");

  people_.ClearCalls();
  people_.QueueAnswer(IDNO);
  const std::string diffQuestion = W("diff\\sub") + "\n\n上記diffファイル出力先パスが存在しません。\n新規に作成しますか？";
  EXPECT_EQ(CheckComparePaths(RUN_MODE_COMPARE, W("new").c_str(), W("old").c_str(), W("diff\\sub").c_str()), 0);
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(people_.Calls()[0].text, diffQuestion);
  EXPECT_FALSE(fs::exists(Os("diff")));

  people_.QueueAnswer(IDYES);
  EXPECT_EQ(CheckComparePaths(RUN_MODE_COMPARE, W("new").c_str(), W("old").c_str(), W("diff\\sub").c_str()), 1);
  EXPECT_TRUE(fs::is_directory(Os("diff\\sub")));

  // List mode tests the OLD folder only; a folder text too long for the
  // working buffers counts as missing.
  people_.ClearCalls();
  EXPECT_EQ(CheckComparePaths(RUN_MODE_LIST, "", W("old").c_str(), ""), 1);
  EXPECT_TRUE(people_.Calls().empty());
  people_.QueueAnswer(IDNO);
  const std::string longOld = W("old\\" + std::string(1100, 'y'));
  EXPECT_EQ(CheckComparePaths(RUN_MODE_LIST, "", longOld.c_str(), ""), 0);
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(people_.Calls()[0].text.substr(0, longOld.size()), longOld);
}

// A folder text from a crafted document that would end or extend its
// argument on the diff program's or a comparison program's command line
// stops the run before anything is walked or started, naming the folder.
TEST_F(CompareRunTest, FolderTextsThatWouldAddArgumentsStopTheRun) {
  const std::string quoted = "作業\" \"--x";
  // The crafted folders hold what new and old hold, so a run would start
  // the diff program on them.
  ChangedPair("Title");
  Dir("diff");
  Dir(quoted + " diff");
  fs::copy(Os("new"), Os(quoted + " new"), fs::copy_options::recursive);
  fs::copy(Os("old"), Os(quoted + " old"), fs::copy_options::recursive);
  qvtest::Recorder diff(tmp_.path() / "bin", "diff");
  theApp.m_strCmdDiff = W("bin\\diff").c_str();
  theApp.m_nDiffExec = DIFF_RUN_REGENERATE;
  struct Case {
    int mode;
    std::string newRel, oldRel, diffRel, shown, label;
  };
  const Case cases[] = {
      {RUN_MODE_COMPARE, "new", quoted + " old", "diff", W(quoted + " old"), "OLDファイルパス"},
      {RUN_MODE_LIST, "", quoted + " old", "diff", W(quoted + " old"), "OLDファイルパス"},
      {RUN_MODE_COMPARE, quoted + " new", "old", "diff", W(quoted + " new"), "NEWファイルパス"},
      {RUN_MODE_COMPARE, "new", "old", quoted + " diff", W(quoted + " diff"), "diffファイル出力先パス"},
      {RUN_MODE_COMPARE, "new", "old\x81", "diff", W("old\x81"), "OLDファイルパス"},
  };
  for (const Case& c : cases) {
    CZEKEnv_Label entry;
    Folders(entry, c.newRel, c.oldRel, c.diffRel);
    people_.ClearCalls();
    people_.QueueAnswer(IDOK);
    EXPECT_EQ(RebuildFileInfo(c.mode, 1, 3, nullptr, &entry, nullptr, nullptr), 0) << c.shown;
    ASSERT_EQ(people_.Calls().size(), 1u) << c.shown;
    EXPECT_EQ(people_.Calls()[0].text,
              c.shown + "\n\n上記" + c.label + "には「\"」または不完全な文字が含まれているため、処理できません。");
    EXPECT_EQ(entry.m_pRecordList, nullptr);
    EXPECT_FALSE(diff.RanMeanwhile()) << c.shown;
  }
  // A folder the list mode does not use is not looked at.
  CZEKEnv_Label entry;
  Folders(entry, quoted + " new", "old", quoted + " diff");
  people_.ClearCalls();
  EXPECT_EQ(RebuildFileInfo(RUN_MODE_LIST, 1, 3, nullptr, &entry, nullptr, nullptr), 1);
  EXPECT_TRUE(people_.Calls().empty());
  EXPECT_EQ(Names(entry), std::vector<std::string>{"Title"});
}

TEST_F(CompareRunTest, GoingOnWithoutNewGivesOldOnlyRecords) {
  Dvd("old\\Title");
  Dir("diff");
  CZEKEnv_Label entry;
  Folders(entry, "new_missing", "old", "diff");
  people_.QueueAnswer(IDYES);
  ASSERT_EQ(RebuildFileInfo(RUN_MODE_COMPARE, 1, 3, nullptr, &entry, nullptr, nullptr), 1);
  const std::vector<CZEKMergeFileInfo*> r = Records(entry);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0]->m_nExist, 2);
}

// ---------------------------------------------------------------------------
// Run kinds.

TEST_F(CompareRunTest, RunKindsZeroAndOneMakeDiffFilesWithGnuDiff) {
  if (access("/usr/bin/diff", X_OK) != 0) GTEST_SKIP() << "GNU diff is not installed";
  ChangedPair("Box\\Title");
  Dvd("new\\Only");
  Dir("diff");
  CZEKEnv_Label entry;
  Folders(entry, "new", "old", "diff");

  RunCompare(RUN_MODE_COMPARE, 1, DIFF_RUN_OUTDATED, &entry, nullptr);
  EXPECT_EQ(entry.m_nState, 2);
  const fs::path diffFile = Os("diff\\Box\\Title.diff");
  ASSERT_TRUE(fs::exists(diffFile));
  EXPECT_FALSE(fs::exists(Os("diff\\Box\\Title.diff.h")));
  std::vector<CZEKMergeFileInfo*> r = Records(entry);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0]->m_New.m_strName, CString("Only"));
  EXPECT_FALSE(fs::exists(Os("diff\\Only.diff")));  // one copy only: no diff
  CZEKMergeFileInfo* pair = r[1];
  EXPECT_EQ(pair->m_nDelLines, 3);
  EXPECT_EQ(pair->m_nAddLines, 3);
  EXPECT_EQ(pair->m_nChgLines, 6);
  EXPECT_EQ(pair->m_nRangeChgRight, 3);
  EXPECT_EQ(pair->m_nRangeChgLeft, 3);
  EXPECT_NE(pair->m_tDiffFile, 0);

  // Kind 1 keeps a .diff newer than both copies; kind 0 always rebuilds.
  qvtest::WriteFile(diffFile, "kept\n");
  fs::last_write_time(diffFile, fs::file_time_type::clock::now() + std::chrono::hours(1));
  RunCompare(RUN_MODE_COMPARE, 1, DIFF_RUN_OUTDATED, &entry, nullptr);
  EXPECT_EQ(qvtest::ReadFile(diffFile), "kept\n");
  EXPECT_EQ(Records(entry)[1]->m_nChgLines, 0);

  RunCompare(RUN_MODE_COMPARE, 1, DIFF_RUN_REGENERATE, &entry, nullptr);
  EXPECT_NE(qvtest::ReadFile(diffFile), "kept\n");
  EXPECT_EQ(Records(entry)[1]->m_nChgLines, 6);
  EXPECT_EQ(entry.m_nState, 2);

  // The display filter with run kind 0 shows a record with range counts.
  theApp.m_nDiffExec = DIFF_RUN_REGENERATE;
  EXPECT_EQ(MatchRecordFilter(RUN_MODE_COMPARE, &theApp, DISP_DIFFERENT, 0, 0, Records(entry)[1]), 1);
}

TEST_F(CompareRunTest, PairsWhoseDiffDidNotFinishAreNamedAndTheLoopGoesOn) {
  if (access("/usr/bin/diff", X_OK) != 0) GTEST_SKIP() << "GNU diff is not installed";
  // A stand-in diff: still running after the wait bound for "Slow", trouble
  // (exit 2) for "Bad", GNU diff for every other pair.
  qvtest::WriteFile(tmp_ / "mydiff",
                    "#!/bin/sh\ncase \"$1\" in\n*Slow*) sleep 6;;\n*Bad*) echo '1c1'; exit 2;;\n"
                    "*) exec /usr/bin/diff \"$@\";;\nesac\n");
  fs::permissions(tmp_ / "mydiff", fs::perms::owner_all);
  theApp.m_strCmdDiff = "T:\\mydiff";
  for (const char* name : {"Bad", "Blocked", "Good", "Slow", "Zed"}) ChangedPair(name);
  Dir("diff\\Blocked.diff.h");  // no header: this .diff cannot be written
  // An earlier run's .diff of "Bad": the counting step reads it.
  qvtest::WriteFile(Os("diff\\Bad.diff"), "1c1\n< a\n---\n> b\n");
  CZEKEnv_Label entry;
  Folders(entry, "new", "old", "diff");
  people_.QueueAnswer(IDOK);
  RunCompare(RUN_MODE_COMPARE, 1, DIFF_RUN_REGENERATE, &entry, nullptr);

  const std::vector<CZEKMergeFileInfo*> r = Records(entry);
  ASSERT_EQ(Names(entry), (std::vector<std::string>{"Bad", "Blocked", "Good", "Slow", "Zed"}));
  EXPECT_EQ(r[0]->m_nChgLines, 2);  // the counting step's counts stay
  EXPECT_EQ(r[0]->m_nRangeChgLeft, 1);
  EXPECT_EQ(r[1]->m_nChgLines, 0);
  EXPECT_EQ(r[2]->m_nChgLines, 6);  // the pairs after a failure are done
  EXPECT_EQ(r[3]->m_nChgLines, 0);
  EXPECT_EQ(r[4]->m_nChgLines, 6);
  for (const char* gone : {"Bad.diff", "Blocked.diff", "Slow.diff", "Slow.diff.txt", "Bad.diff.txt"})
    EXPECT_FALSE(fs::exists(Os(std::string("diff\\") + gone))) << gone;
  EXPECT_TRUE(fs::exists(Os("diff\\Zed.diff")));

  ASSERT_EQ(people_.Calls().size(), 1u);
  const std::string text = people_.Calls()[0].text;
  EXPECT_EQ(text,
            "次の項目は diff コマンドが時間内に正常終了しなかったため、差分を作成していません。\nBad\nSlow\n\n"
            "次の項目は差分ファイルを書き込めなかったため、差分を作成していません（ディスクの空きを確認してください）。\nBlocked")
      << qvtest::U8(text);
}

TEST_F(CompareRunTest, ADiffProgramThatCannotStartEndsTheLoop) {
  ChangedPair("A");
  ChangedPair("B");
  Dir("diff");
  theApp.m_strCmdDiff = "T:\\no_such_diff";
  CZEKEnv_Label entry;
  Folders(entry, "new", "old", "diff");
  people_.QueueAnswer(IDOK);
  RunCompare(RUN_MODE_COMPARE, 1, DIFF_RUN_REGENERATE, &entry, nullptr);
  // One message, once: the program that cannot start and the setting that
  // makes the run use it.
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(people_.Calls()[0].text,
            "diff コマンド（T:\\no_such_diff）の起動に失敗（CreateProcess）しました。\n"
            "Quarvex.ini の Dir_Diff_Exec（diffファイルの作成）を見直して下さい。");
  EXPECT_EQ(entry.m_nState, 2);
}

// The diff step runs the pairs' diff programs on several cores. What a run
// leaves must not tell how many: the same records, the same files in the
// DIFF folder byte for byte, the same messages naming the same pairs in the
// same order, also when a pair ends in trouble, cannot be written, or
// cannot be started at all (which ends the step: the pairs after it keep
// their earlier .diff files and counts, and no folders of theirs appear).
TEST_F(CompareRunTest, DiffStepOnAllCoresLeavesWhatOneCoreLeaves) {
  if (access("/usr/bin/diff", X_OK) != 0) GTEST_SKIP() << "GNU diff is not installed";
  qvtest::WriteFile(tmp_ / "mydiff",
                    "#!/bin/sh\ncase \"$1\" in\n*Bad*) echo '1c1'; exit 2;;\n*) exec /usr/bin/diff \"$@\";;\nesac\n");
  fs::permissions(tmp_ / "mydiff", fs::perms::owner_all);
  theApp.m_strCmdDiff = "T:\\mydiff";
  // Each pair in a folder of its own, so each makes its own output folder.
  for (int i = 0; i < 24; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "F%02d\\P%s", i, i == 5 ? "Bad" : "");
    if (i % 4 == 3) {  // the same on both sides
      Dvd(std::string("new\\") + name);
      Dvd(std::string("old\\") + name);
    } else {
      ChangedPair(name);
    }
  }
  // Pairs taken by different threads that need the same output folder.
  for (int i = 0; i < 8; ++i) ChangedPair("Shared\\T" + std::to_string(i));
  // Walk the trees once, so the folders' access times are settled.
  {
    CZEKEnv_Label warm;
    Folders(warm, "new", "old", "new");
    RunCompare(RUN_MODE_COMPARE, 1, DIFF_RUN_LINE_COUNT, &warm, nullptr);
  }

  struct Outcome {
    std::vector<std::string> records;
    std::map<std::string, std::string> files;
    std::vector<std::string> messages;
  };
  auto run = [&](const char* threads, const std::string& diff, const char* stopAt, int messages) {
    Dir(diff);
    Dir(diff + "\\F09\\P.diff.h");  // F09's .diff cannot be written
    if (stopAt) Dir(diff + "\\" + stopAt + "\\P.diff.txt");  // its program's output cannot be made
    for (const char* n : {"F16", "F21"})
      qvtest::WriteFile(Os(diff + "\\" + std::string(n) + "\\P.diff"), "1c1\n< a\n---\n> b\n");
    qvtest::EnvVar env("QUARVEX_WALK_THREADS", threads);
    CZEKEnv_Label entry;
    Folders(entry, "new", "old", diff);
    const size_t before = people_.Calls().size();
    for (int i = 0; i < messages; ++i) people_.QueueAnswer(IDOK);
    RunCompare(RUN_MODE_COMPARE, 1, DIFF_RUN_REGENERATE, &entry, nullptr);
    Outcome o;
    for (CZEKMergeFileInfo* r : Records(entry)) {
      char line[512];
      std::snprintf(line, sizeof line, "%s %d %d %d|%ld %ld %ld %lu %lu|%ld %ld %ld %lu %lu|%d %d %d %d %d %d %d %d",
                    r->m_New.m_strName.GetString(), r->m_nType, r->m_nExist, r->m_New.m_nExists,
                    long(r->m_New.m_tCreate), long(r->m_New.m_tAccess), long(r->m_New.m_tModify),
                    (unsigned long)r->m_New.m_dwSize, (unsigned long)r->m_New.m_dwLines, long(r->m_Old.m_tCreate),
                    long(r->m_Old.m_tAccess), long(r->m_Old.m_tModify), (unsigned long)r->m_Old.m_dwSize,
                    (unsigned long)r->m_Old.m_dwLines, r->m_nDelLines, r->m_nAddLines, r->m_nChgLines,
                    r->m_nRangeAdd, r->m_nRangeDel, r->m_nRangeChgRight, r->m_nRangeChgLeft, r->m_tDiffFile != 0);
      o.records.push_back(line);
    }
    for (const auto& e : fs::recursive_directory_iterator(Os(diff))) {
      const std::string rel = e.path().lexically_relative(Os(diff)).string();
      o.files[rel] = e.is_regular_file() ? qvtest::ReadFile(e.path()) : "(folder)";
    }
    for (size_t i = before; i < people_.Calls().size(); ++i) {
      // A message may name a file of the run's own DIFF folder.
      std::string text = people_.Calls()[i].text;
      for (size_t at; (at = text.find(diff)) != std::string::npos;) text.replace(at, diff.size(), "<DIFF>");
      o.messages.push_back(text + " #" + std::to_string(people_.Calls()[i].type));
    }
    return o;
  };

  // Where the step ends, and the messages of a run: the trouble and the
  // unwritable pair in one message; the pair whose output cannot be made.
  const std::pair<const char*, int> cases[] = {{nullptr, 1}, {"F12", 2}, {"F02", 1}};
  for (const auto& [stopAt, messages] : cases) {
    const std::string tag = stopAt ? stopAt : "none";
    const Outcome one = run("1", "one_" + tag, stopAt, messages);
    const Outcome all = run("8", "all_" + tag, stopAt, messages);
    ASSERT_EQ(one.records.size(), 32u);
    EXPECT_EQ(all.records, one.records) << tag;
    EXPECT_EQ(all.files, one.files) << tag;
    EXPECT_EQ(all.messages, one.messages) << tag;
    if (stopAt == nullptr) {
      // Every pair done: the trouble and the unwritable pair are named.
      EXPECT_TRUE(one.files.count("F20/P.diff")) << tag;
      for (int i = 0; i < 8; ++i) EXPECT_TRUE(all.files.count("Shared/T" + std::to_string(i) + ".diff")) << i;
      ASSERT_EQ(one.messages.size(), 1u);
      EXPECT_NE(one.messages[0].find("F05\\PBad"), std::string::npos);
      EXPECT_NE(one.messages[0].find("F09\\P"), std::string::npos);
    } else {
      // The step ended at the pair that could not be started: the earlier
      // .diff files after it are as they were, and no output folder of a
      // later pair was made.
      EXPECT_EQ(one.files.at("F16/P.diff"), "1c1\n< a\n---\n> b\n") << tag;
      EXPECT_EQ(one.files.at("F21/P.diff"), "1c1\n< a\n---\n> b\n") << tag;
      EXPECT_FALSE(one.files.count("F20")) << tag;
      EXPECT_EQ(one.messages.size(), static_cast<size_t>(messages)) << tag;
    }
  }
}

// ---------------------------------------------------------------------------
// The diff step against the same step done plainly, one pair finished before
// the next begins: on one core and on eight the run must leave what that
// leaves, also where two pairs' files meet in the DIFF folder (names that
// differ only in case, a folder named like another pair's output, folder
// levels that differ in case, a .diff already there).

class DiffStepOrderTest : public CompareRunTest {
 protected:
  void SetUp() override {
    CompareRunTest::SetUp();
    // GNU diff, but trouble (exit 2) for pairs named "Bad" in any case.
    qvtest::WriteFile(tmp_ / "mydiff",
                      "#!/bin/sh\ncase \"$1\" in\n*[Bb][Aa][Dd]*) echo '1c1'; exit 2;;\n"
                      "*) exec /usr/bin/diff \"$@\";;\nesac\n");
    fs::permissions(tmp_ / "mydiff", fs::perms::owner_all);
    theApp.m_strCmdDiff = "T:\\mydiff";
  }

  struct Outcome {
    std::vector<std::string> records;
    std::map<std::string, std::string> files;
    std::vector<std::string> messages;
  };

  static std::string RecordLine(const CZEKMergeFileInfo* r) {
    char line[512];
    std::snprintf(line, sizeof line, "%s %d %d|%ld %lu|%ld %lu|%d %d %d %d %d %d %d %d", r->m_New.m_strName.GetString(),
                  r->m_nType, r->m_nExist, long(r->m_New.m_tModify), (unsigned long)r->m_New.m_dwLines,
                  long(r->m_Old.m_tModify), (unsigned long)r->m_Old.m_dwLines, r->m_nDelLines, r->m_nAddLines,
                  r->m_nChgLines, r->m_nRangeAdd, r->m_nRangeDel, r->m_nRangeChgRight, r->m_nRangeChgLeft,
                  r->m_tDiffFile != 0);
    return line;
  }

  // One section of the step's closing message: its header, the first ten
  // names, then how many more.
  static void AddSection(std::string& text, const char* header, const std::vector<std::string>& names) {
    if (names.empty()) return;
    if (!text.empty()) text += "\n\n";
    text += header;
    for (size_t i = 0; i < names.size() && i < 10; ++i) text += "\n" + names[i];
    if (names.size() > 10) text += "\n…ほか " + std::to_string(names.size() - 10) + " 件";
  }

  // The diff step of run kinds 0 and 1, one pair after another: MakeDiffFile,
  // the header removed, the first pair whose program could not be started
  // ends the loop, the evaluation of what was made; then the pairs whose
  // diff did not finish or could not be written, named in one message.
  // Returns that message ("" for none).
  static std::string ReferenceStep(CZEKEnv_Label& e, int kind) {
    const CString diff = e.m_strDiffPath;
    std::vector<std::string> unfinished, unwritten;
    for (CZEKMergeFileInfo* r : Records(e)) {
      if ((r->m_nExist & 3) != 3) continue;
      const std::string name = r->m_New.m_strName.GetString();
      const int result = MakeDiffFile(0, kind == DIFF_RUN_REGENERATE, theApp.m_strCmdDiff, e.m_strNewPath,
                                      e.m_strOldPath, diff, name.c_str(), r->m_New.m_tModify, r->m_Old.m_tModify,
                                      r->m_tDiffFile, e.m_nDiffOption, r);
      DeleteDiffHeaderFile(r, diff);
      if (result == kDiffNotStarted) break;
      if (result == kDiffIncomplete) {
        unfinished.push_back(name);
      } else if (result < 0) {
        unwritten.push_back(name);
      } else {
        const std::string path = std::string(diff.GetString()) + "\\" + name + ".diff";
        int last = 0;
        EvaluateDiffFile(path.size() < 1024 ? path.c_str() : nullptr, r->m_nExist, r->m_New.m_dwLines,
                         r->m_Old.m_dwLines, last, r->m_nRangeAdd, r->m_nRangeDel, r->m_nRangeChgRight,
                         r->m_nRangeChgLeft, r->m_nDelLines, r->m_nAddLines, r->m_nChgLines);
      }
    }
    std::string text;
    AddSection(text, "次の項目は diff コマンドが時間内に正常終了しなかったため、差分を作成していません。", unfinished);
    AddSection(text,
               "次の項目は差分ファイルを書き込めなかったため、差分を作成していません（ディスクの空きを確認してください）。",
               unwritten);
    return text;
  }

  // A run over `root`\new and `root`\old into the DIFF folder `diff` (made
  // by `prepare` first): with `threads` the run's own step, without it the
  // reference step.
  Outcome Run(const std::string& root, const std::string& diff, int kind, const char* threads,
              const std::function<void(const std::string&)>& prepare) {
    Dir(diff);
    prepare(diff);
    CZEKEnv_Label entry;
    Folders(entry, root + "\\new", root + "\\old", diff);
    const size_t before = people_.Calls().size();
    for (int i = 0; i < 16; ++i) people_.QueueAnswer(IDOK);
    std::string closing;
    if (threads != nullptr) {
      qvtest::EnvVar env("QUARVEX_WALK_THREADS", threads);
      RunCompare(RUN_MODE_COMPARE, 1, kind, &entry, nullptr);
    } else {
      qvtest::EnvVar env("QUARVEX_WALK_THREADS", "1");
      RunCompare(RUN_MODE_COMPARE, 1, 99, &entry, nullptr);  // records only
      closing = ReferenceStep(entry, kind);
    }
    people_.ClearPending();
    Outcome o;
    for (CZEKMergeFileInfo* r : Records(entry)) o.records.push_back(RecordLine(r));
    for (const auto& e : fs::recursive_directory_iterator(Os(diff))) {
      o.files[e.path().lexically_relative(Os(diff)).string()] = e.is_regular_file() ? qvtest::ReadFile(e.path()) : "(folder)";
    }
    auto add = [&](std::string text, UINT type) {
      const std::string w = W(diff);
      for (size_t at; (at = text.find(w)) != std::string::npos;) text.replace(at, w.size(), "<DIFF>");
      o.messages.push_back(text + " #" + std::to_string(type));
    };
    for (size_t i = before; i < people_.Calls().size(); ++i) add(people_.Calls()[i].text, people_.Calls()[i].type);
    if (!closing.empty()) add(closing, MB_OK | MB_ICONEXCLAMATION);
    return o;
  }

  // The reference's outcome, after checking that the run's step leaves the
  // same on one thread and on eight.
  Outcome Check(const std::string& root, int kind, const std::function<void(const std::string&)>& prepare,
                const std::string& tag) {
    // A first walk settles the folders' access times.
    {
      CZEKEnv_Label warm;
      Folders(warm, root + "\\new", root + "\\old", root + "\\new");
      RunCompare(RUN_MODE_COMPARE, 1, DIFF_RUN_LINE_COUNT, &warm, nullptr);
    }
    const std::string k = std::to_string(kind);
    const Outcome reference = Run(root, root + "\\ref" + k, kind, nullptr, prepare);
    // Eight threads twice: a result that depends on timing shows more often.
    int n = 0;
    for (const char* threads : {"1", "2", "8", "16", "8"}) {
      const std::string diff = root + "\\run" + k + "_" + threads + "_" + std::to_string(n++);
      const Outcome o = Run(root, diff, kind, threads, prepare);
      EXPECT_EQ(o.records, reference.records) << tag << " threads " << threads;
      EXPECT_EQ(o.files, reference.files) << tag << " threads " << threads;
      EXPECT_EQ(o.messages, reference.messages) << tag << " threads " << threads;
    }
    return reference;
  }

  // Makes `at` (a place on disk, in a tree) a link to `target`, keeping the
  // modification time of the folder it is in, so the records stay the same
  // from run to run.
  static void Relink(const fs::path& at, const fs::path& target) {
    const auto time = fs::last_write_time(at.parent_path());
    std::error_code ec;
    fs::remove(at, ec);
    fs::create_symlink(target, at);
    fs::last_write_time(at.parent_path(), time);
  }

  // Lines "<prefix> 0" to "<prefix> n-1".
  static std::string Lines(const std::string& prefix, int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += prefix + " " + std::to_string(i) + "\n";
    return text;
  }

  // A DVD folder on the sides given whose info.txt differs (or not) between
  // them; an hour old.
  void Title(const std::string& root, const std::string& rel, bool onNew, bool onOld, const std::string& oldText,
             const std::string& newText) {
    const auto past = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const auto& [on, side, text] : {std::tuple{onNew, "\\new\\", newText}, std::tuple{onOld, "\\old\\", oldText}}) {
      if (!on) continue;
      const std::string p = root + side + rel;
      Dvd(p);
      qvtest::WriteFile(Os(p) / "info.txt", text);
      fs::last_write_time(Os(p), past);
    }
  }
};

// The four ways pairs' files met in the DIFF folder when the step began
// every pair's files before it finished any.
TEST_F(DiffStepOrderTest, WherePairsFilesMeetTheStepKeepsThePairsOrder) {
  if (access("/usr/bin/diff", X_OK) != 0) GTEST_SKIP() << "GNU diff is not installed";
  auto none = [](const std::string&) {};

  // Names that differ only in case: each record its own counts, one .diff.
  Title("c1", "ABC", true, true, "b\n", "a\n");
  Title("c1", "abc", true, true, "x\ny\n", "z\n");
  Outcome o = Check("c1", DIFF_RUN_REGENERATE, none, "case");
  ASSERT_EQ(o.records.size(), 2u);
  EXPECT_NE(o.records[0].find("|0 0 0 0 0 1 1 1"), std::string::npos) << o.records[0];
  EXPECT_NE(o.records[1].find("|0 0 0 0 0 1 2 1"), std::string::npos) << o.records[1];
  EXPECT_EQ(o.files.size(), 1u);
  EXPECT_TRUE(o.messages.empty());

  // A folder named like a pair's N.diff.txt or N.diff.h, holding a pair.
  for (const char* suffix : {".diff.txt", ".diff.h"}) {
    const std::string root = std::string("c2") + (suffix[6] == 't' ? "t" : "h");
    Title(root, "A", true, true, "1\n", "2\n");
    Title(root, std::string("A") + suffix + "\\B", true, true, "1\n", "2\n");
    Title(root, "Z\\Y", true, true, "1\n", "2\n");
    o = Check(root, DIFF_RUN_REGENERATE, none, suffix);
    EXPECT_TRUE(o.files.count("A.diff")) << suffix;
    EXPECT_TRUE(o.files.count(std::string("A") + suffix + "/B.diff")) << suffix;
    EXPECT_TRUE(o.files.count("Z/Y.diff")) << suffix;
    EXPECT_TRUE(o.messages.empty()) << suffix;
  }

  // A pair A beside A.diff\B: A comes first and gets its .diff; B's output
  // cannot be made, which ends the step.
  Title("c3", "A", true, true, "1\n", "2\n");
  Title("c3", "A.diff\\B", true, true, "1\n", "2\n");
  o = Check("c3", DIFF_RUN_REGENERATE, none, "A.diff");
  EXPECT_EQ(o.files.count("A.diff"), 1u);
  EXPECT_EQ(o.files.at("A.diff") == "(folder)", false);
  ASSERT_EQ(o.messages.size(), 1u);
  EXPECT_NE(o.messages[0].find("<DIFF>\\A.diff\\B.diff.txt"), std::string::npos) << qvtest::U8(o.messages[0]);

  // Folder levels that differ only in case: one output folder, as the
  // first pair to need it named it.
  for (const char* rel : {"S1", "S2", "S3", "ABC\\p1", "abc\\q1", "abc\\q2", "abc\\q3", "abc\\q4"}) {
    Title("c4", rel, true, true, "1\n", "2\n");
  }
  o = Check("c4", DIFF_RUN_REGENERATE, none, "levels");
  EXPECT_TRUE(o.files.count("ABC"));
  EXPECT_FALSE(o.files.count("abc"));
  EXPECT_EQ(o.files.size(), 9u);
}

// A disk that fills up during the step fails the pairs that fail one pair
// after another (the DIFF folder a small file system of its own; as root
// only).
TEST_F(DiffStepOrderTest, AFullDiskFailsThePairsThatOnePairAfterAnotherFails) {
  if (access("/usr/bin/diff", X_OK) != 0) GTEST_SKIP() << "GNU diff is not installed";
  if (geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
  theApp.m_strCmdDiff = "/usr/bin/diff";  // runs made ahead
  for (int i = 0; i < 24; ++i) {
    std::string oldText, newText;
    for (int k = 0; k < 150; ++k) {
      oldText += "old line " + std::to_string(k) + "\n";
      newText += "new line " + std::to_string(k) + "\n";
    }
    Title("full", "T" + std::to_string(100 + i), true, true, oldText, newText);
  }
  std::vector<fs::path> mounted;
  const auto prepare = [&](const std::string& diff) {
    if (mount("quarvex-test", Os(diff).c_str(), "tmpfs", 0, "size=96k") == 0) mounted.push_back(Os(diff));
  };
  const Outcome o = Check("full", DIFF_RUN_REGENERATE, prepare, "full disk");
  for (const fs::path& m : mounted) umount2(m.c_str(), MNT_DETACH);
  if (mounted.size() != 6u) GTEST_SKIP() << "tmpfs could not be mounted here";
  // The disk did fill: some pairs were written, later ones were not.
  EXPECT_GT(o.files.size(), 2u);
  ASSERT_FALSE(o.messages.empty());

  // A file system that runs out of files (inodes) rather than room: pairs
  // deep in folders of their own use up the files one pair after another.
  mounted.clear();
  for (int i = 0; i < 24; ++i) Title("inodes", "L" + std::to_string(10 + i) + "\\a\\b\\c\\d", true, true, "1\n", "2\n");
  const auto few = [&](const std::string& diff) {
    if (mount("quarvex-test", Os(diff).c_str(), "tmpfs", 0, "size=1m,nr_inodes=90") == 0) mounted.push_back(Os(diff));
  };
  const Outcome f = Check("inodes", DIFF_RUN_REGENERATE, few, "few files");
  for (const fs::path& m : mounted) umount2(m.c_str(), MNT_DETACH);
  if (mounted.size() != 6u) GTEST_SKIP() << "tmpfs could not be mounted here";
  EXPECT_GT(f.files.size(), 20u);
  ASSERT_FALSE(f.messages.empty());
}

// A pair whose copies hold links into the DIFF folder reads there what the
// pairs before it have made by its turn: a link to an earlier pair's .diff,
// to a folder an earlier pair makes, and to a large .diff that an earlier
// pair is still appending to when the later pairs begin.
TEST_F(DiffStepOrderTest, CopiesThatLinkIntoTheDiffFolderReadItInTheirTurn) {
  if (access("/usr/bin/diff", X_OK) != 0) GTEST_SKIP() << "GNU diff is not installed";
  theApp.m_strCmdDiff = "/usr/bin/diff";
  Title("lk", "A", true, true, "1\n", "2\n");
  Title("lk", "B", true, true, "b\n", "b\n");
  Title("lk", "S\\t", true, true, Lines("old", 40000), Lines("new", 40000));
  Title("lk", "Y\\Z", true, true, "z\n", "z\n");
  for (int i = 0; i < 12; ++i) Title("lk", "Y\\Z" + std::to_string(i), true, true, "1\n", "2\n");
  qvtest::WriteFile(Os("lk\\old\\B") / "link.txt", "plain\n");
  fs::create_directory(Os("lk\\old\\Y\\Z") / "dir");
  qvtest::WriteFile(Os("lk\\old\\Y\\Z") / "big.txt", "x\n");
  const auto prepare = [&](const std::string& diff) {
    Relink(Os("lk\\new\\B") / "link.txt", Os(diff) / "A.diff");
    Relink(Os("lk\\new\\Y\\Z") / "dir", Os(diff) / "S");
    Relink(Os("lk\\new\\Y\\Z") / "big.txt", Os(diff) / "S" / "t.diff");
  };
  const Outcome o = Check("lk", DIFF_RUN_REGENERATE, prepare, "links");
  // Each link found what it leads to: no pair ended in trouble, and Y\Z
  // compared the whole .diff of S\t.
  EXPECT_TRUE(o.messages.empty()) << (o.messages.empty() ? "" : qvtest::U8(o.messages[0]));
  bool seen = false;
  for (const std::string& r : o.records) {
    if (r.rfind("Y\\Z ", 0) != 0) continue;
    int deleted = 0, added = 0;
    ASSERT_EQ(std::sscanf(r.c_str() + r.rfind('|') + 1, "%d %d", &deleted, &added), 2) << r;
    EXPECT_GT(added, 80000) << r;
    seen = true;
  }
  EXPECT_TRUE(seen);
}

// A diff program set in the DIFF folder, whose file an earlier pair's .diff
// replaces: the pairs after that one meet the replaced file.
TEST_F(DiffStepOrderTest, AProgramInTheDiffFolderIsStartedAsTheStepLeavesIt) {
  if (access("/usr/bin/diff", X_OK) != 0) GTEST_SKIP() << "GNU diff is not installed";
  for (const char* name : {"A", "B", "C", "D"}) Title("pr", name, true, true, "1\n", "2\n");
  const auto prepare = [&](const std::string& diff) {
    // Only A.diff is there, a program: a start drops the missing ".exe".
    const fs::path program = Os(diff) / "A.diff";
    qvtest::WriteFile(program, "#!/bin/sh\nexec /usr/bin/diff \"$@\"\n");
    fs::permissions(program, fs::perms::owner_all);
    theApp.m_strCmdDiff = (W(diff) + "\\A.diff.exe").c_str();
  };
  const Outcome o = Check("pr", DIFF_RUN_REGENERATE, prepare, "program");
  // A's .diff is made by the program it replaces; B cannot start it.
  EXPECT_EQ(o.files.size(), 1u);
  ASSERT_EQ(o.messages.size(), 1u);
}

// N.diff.h left behind as a link to a file outside the DIFF folder, and
// N.diff a link to a folder: the step writes through them, and fails, as
// one pair after another does; with N.diff up to date (run kind 1) the
// header is still written, through its link, and removed.
TEST_F(DiffStepOrderTest, HeadersAndDiffFilesThatAreLinksAreWrittenAsOnePairAfterAnother) {
  if (access("/usr/bin/diff", X_OK) != 0) GTEST_SKIP() << "GNU diff is not installed";
  for (const std::string& program : {std::string("/usr/bin/diff"), std::string("T:\\mydiff")}) {
    theApp.m_strCmdDiff = program.c_str();
    const std::string root = program[0] == '/' ? "hl" : "hm";
    for (const char* name : {"A", "B", "C", "D", "E"}) Title(root, name, true, true, "1\n", "2\n");
    fs::create_directories(Os(root + "\\outside"));
    const auto prepare = [&](const std::string& diff) {
      const fs::path outside = Os(root + "\\outside") / Os(diff).filename();
      fs::create_directories(outside / "folder");
      qvtest::WriteFile(outside / "head.txt", "outside\n");
      fs::create_symlink(outside / "head.txt", Os(diff) / "B.diff.h");
      fs::create_symlink(outside / "folder", Os(diff) / "C.diff");
      // An up-to-date .diff of D (kind 1 keeps it) whose header is a link.
      qvtest::WriteFile(Os(diff) / "D.diff", "1c1\n< 1\n---\n> 2\n");
      fs::last_write_time(Os(diff) / "D.diff", fs::file_time_type::clock::now() + std::chrono::hours(1));
      qvtest::WriteFile(outside / "dhead.txt", "outside\n");
      fs::create_symlink(outside / "dhead.txt", Os(diff) / "D.diff.h");
    };
    for (const int kind : {DIFF_RUN_REGENERATE, DIFF_RUN_OUTDATED}) {
      Check(root, kind, prepare, program + " kind " + std::to_string(kind));
      // What was written outside through the links is the same too.
      std::map<std::string, std::string> first;
      for (const auto& e : fs::directory_iterator(Os(root + "\\outside"))) {
        for (const char* f : {"head.txt", "dhead.txt"}) {
          const std::string got = qvtest::ReadFile(e.path() / f);
          EXPECT_NE(got, "outside\n") << e.path() << " " << f;  // the header was written through the link
          const auto [at, fresh] = first.emplace(f, got);
          if (!fresh) {
            EXPECT_EQ(got, at->second) << e.path() << " " << f;
          }
        }
      }
      fs::remove_all(Os(root + "\\outside"));
      fs::create_directories(Os(root + "\\outside"));
    }
  }
}

// Diff programs that read the DIFF folder or keep something from one start
// to the next see the pairs in their order.
TEST_F(DiffStepOrderTest, ProgramsThatReadTheDiffFolderOrKeepStateSeeThePairsInOrder) {
  for (int i = 0; i < 10; ++i) Title("st", "P" + std::to_string(i), true, true, "1\n", "2\n");
  const auto prepare = [&](const std::string& diff) {
    const fs::path program = Os(diff).parent_path() / (Os(diff).filename().string() + ".sh");
    const fs::path count = Os(diff).parent_path() / (Os(diff).filename().string() + ".count");
    qvtest::WriteFile(count, "0\n");
    qvtest::WriteFile(program, "#!/bin/sh\nn=$(cat '" + count.string() + "')\necho $((n + 1)) >'" + count.string() +
                                   "'\necho \"1c1\"\necho \"< start $n\"\necho ---\n"
                                   "ls '" + Os(diff).string() + "' | sed 's/^/> /'\nexit 1\n");
    fs::permissions(program, fs::perms::owner_all);
    std::string win = W(fs::relative(program, tmp_.path()).string());
    for (char& c : win) c = c == '/' ? '\\' : c;
    theApp.m_strCmdDiff = win.c_str();
  };
  Check("st", DIFF_RUN_REGENERATE, prepare, "state");
}

// Generated trees, every name drawn from a few that meet in the DIFF
// folder, with .diff files already there (newer and older than the copies)
// and folders in the way; run kinds 0 and 1. A failing seed is repeated
// alone with QUARVEX_DIFF_SEED.
TEST_F(DiffStepOrderTest, GeneratedTreesLeaveWhatOnePairAfterAnotherLeaves) {
  if (access("/usr/bin/diff", X_OK) != 0) GTEST_SKIP() << "GNU diff is not installed";
  std::vector<unsigned> seeds = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  if (const char* v = std::getenv("QUARVEX_DIFF_SEED")) seeds = {static_cast<unsigned>(std::strtoul(v, nullptr, 10))};
  static const char* const kNames[] = {"A",     "a",          "B",          "b",      "A.diff", "a.DIFF",
                                       "A.diff.h", "a.diff.txt", "A.DIFF.TXT", "B.diff", "Bad",    "A_old"};
  for (const unsigned seed : seeds) {
    std::mt19937 rng(seed);
    auto roll = [&](unsigned n) { return static_cast<unsigned>(rng() % n); };
    const std::string root = "g" + std::to_string(seed);
    std::vector<std::string> titles;
    std::function<void(const std::string&, int)> level = [&](const std::string& rel, int depth) {
      std::vector<std::string> names(std::begin(kNames), std::end(kNames));
      std::shuffle(names.begin(), names.end(), rng);
      const unsigned count = 3 + roll(4);
      for (unsigned i = 0; i < count; ++i) {
        const std::string p = rel.empty() ? names[i] : rel + "\\" + names[i];
        if (depth < 2 && roll(10) < 3) {
          Dir(root + "\\new\\" + p);
          Dir(root + "\\old\\" + p);
          level(p, depth + 1);
          continue;
        }
        const unsigned sides = roll(10);
        const std::string oldText = roll(3) == 0 ? "same\n" : "o" + std::to_string(roll(4)) + "\nx\n";
        const std::string newText = roll(3) == 0 ? oldText : "n\n" + std::to_string(roll(4)) + "\n";
        Title(root, p, sides != 9, sides != 8, oldText, newText);
        titles.push_back(p);
      }
    };
    level("", 0);
    // What the DIFF folder holds before the run, the same each time.
    const auto prepare = [&](const std::string& diff) {
      std::mt19937 prng(seed * 7919u);
      const auto now = fs::file_time_type::clock::now();
      for (const std::string& t : titles) {
        const unsigned what = static_cast<unsigned>(prng() % 20);
        const std::string p = diff + "\\" + t;
        // What an earlier entry put in the way is left as it is.
        std::error_code ec;
        fs::create_directories(Os(p).parent_path(), ec);
        if (ec) continue;
        if (what < 5) {
          if (fs::exists(Os(p + ".diff"), ec)) continue;
          qvtest::WriteFile(Os(p + ".diff"), "1c1\n< a\n---\n> b\n");
          fs::last_write_time(Os(p + ".diff"), what < 3 ? now + std::chrono::hours(1) : now - std::chrono::hours(2));
        } else if (what == 5) {
          fs::create_directories(Os(p + ".diff.txt"), ec);
        } else if (what == 6) {
          fs::create_directories(Os(p + ".diff.h"), ec);
        } else if (what == 7) {
          fs::create_directories(Os(p + ".diff"), ec);
        } else if (what == 8) {
          qvtest::WriteFile(Os(p + ".DIFF.H"), "stale\n");  // found by the header's name in another case
        } else if (what == 9) {
          qvtest::WriteFile(Os(p + ".Diff.Txt"), "stale\n");
        }
      }
    };
    // The stand-in for trouble, and GNU diff itself, whose runs are made
    // ahead (a dangling link in "Bad" pairs' copies is its trouble).
    for (const std::string& t : titles) {
      if (t.find("Bad") != std::string::npos && fs::exists(Os(root + "\\new\\" + t))) {
        const auto time = fs::last_write_time(Os(root + "\\new\\" + t));
        fs::create_symlink("missing", Os(root + "\\new\\" + t) / "gone.txt");
        fs::last_write_time(Os(root + "\\new\\" + t), time);
      }
    }
    for (const char* program : {"T:\\mydiff", "/usr/bin/diff"}) {
      theApp.m_strCmdDiff = program;
      for (const int kind : {DIFF_RUN_REGENERATE, DIFF_RUN_OUTDATED}) {
        Check(root, kind, prepare, "seed " + std::to_string(seed) + " kind " + std::to_string(kind) + " " + program);
      }
    }
    if (HasFailure()) break;
  }
}

TEST_F(CompareRunTest, FoldersInLinuxFormReachTheDiffProgram) {
  if (access("/usr/bin/diff", X_OK) != 0) GTEST_SKIP() << "GNU diff is not installed";
  ChangedPair("Box\\Title");
  Dir("diff");
  CZEKEnv_Label entry;
  entry.m_strNewPath = (tmp_.str() + "/new").c_str();
  entry.m_strOldPath = (tmp_.str() + "/old").c_str();
  entry.m_strDiffPath = (tmp_.str() + "/diff").c_str();
  RunCompare(RUN_MODE_COMPARE, 1, DIFF_RUN_REGENERATE, &entry, nullptr);
  const std::vector<CZEKMergeFileInfo*> r = Records(entry);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0]->m_nChgLines, 6);
  EXPECT_TRUE(fs::exists(Os("diff\\Box\\Title.diff")));
}

// The command-line run on folders named relative to the current folder.
TEST_F(CompareRunTest, QvrunTakesRelativeFoldersFromTheCurrentFolder) {
  if (access("/usr/bin/diff", X_OK) != 0) GTEST_SKIP() << "GNU diff is not installed";
  std::error_code ec;
  const fs::path tool = fs::read_symlink("/proc/self/exe", ec).parent_path().parent_path() / "tools/qvrun/qvrun";
  if (ec || !fs::exists(tool)) GTEST_SKIP() << "qvrun is not built beside the tests";
  ChangedPair("Title");
  Dir("diff");
  const std::string command = "cd '" + tmp_.str() + "' && '" + tool.string() +
                              "' --kind 0 --diff diff --new new old 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
  EXPECT_EQ(pclose(pipe), 0);
  EXPECT_EQ(out.find("[message]"), std::string::npos) << out;
  EXPECT_NE(qvtest::ReadFile(Os("diff\\Title.diff")).find("< a"), std::string::npos);
}

TEST_F(CompareRunTest, RunKindTwoKeepsOnlyTheLineCountDifference) {
  AddEntry(g_fileTypeProfiles[0].targetName[0], "title");  // counted in the totals
  ChangedPair("Title");
  Dir("diff");
  qvtest::WriteFile(Os("diff\\Title.diff"), "1c1\n< a\n---\n> b\n");
  CZEKEnv_Label entry;
  Folders(entry, "new", "old", "diff");
  RunCompare(RUN_MODE_COMPARE, 1, DIFF_RUN_LINE_COUNT, &entry, nullptr);
  const std::vector<CZEKMergeFileInfo*> r = Records(entry);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0]->m_nDelLines, 0);
  EXPECT_EQ(r[0]->m_nRangeChgLeft, 0);
  EXPECT_EQ(r[0]->m_nChgLines, 0);
  EXPECT_EQ(entry.m_nState, 1);
  // The earlier .diff was read by the counting step, which fed rows 2 to
  // 6 of the totals: changed 2 and one line changed on each side.
  EXPECT_EQ(r[0]->m_nType, 3);
  const CZEKMergeSRCInfo& t = *entry.m_pTotals;
  EXPECT_EQ(t.m_Row[2].m_dwCount[1], 1u);
  EXPECT_EQ(t.m_Row[2].m_dwCount[2], 2u);
  EXPECT_EQ(t.m_Row[3].m_dwCount[1], 0u);
  EXPECT_EQ(t.m_Row[5].m_dwCount[2], 1u);
  EXPECT_EQ(t.m_Row[6].m_dwCount[2], 1u);
  EXPECT_EQ(t.m_Row[8].m_dwCount[1], 0u);
}

// A stand-in for windiff and the GUI comparison program: writes its
// arguments, one a line, into args.txt beside itself.
class StandInTest : public CompareRunTest {
 protected:
  void SetUp() override {
    CompareRunTest::SetUp();
    script_ = tmp_ / "standin.sh";
    qvtest::WriteFile(script_,
                      "#!/bin/sh\n"
                      "out=\"$(dirname \"$0\")/args.txt\"\n"
                      "printf '%s\\n' \"$@\" > \"$out.part\" && mv \"$out.part\" \"$out\"\n");
    fs::permissions(script_, fs::perms::owner_all);
    Dvd("new\\Title");
    Dvd("old\\Title");
    Dir("diff");
  }
  std::string WaitForArgs() const {
    const fs::path out = tmp_ / "args.txt";
    for (int i = 0; i < 1000 && !fs::exists(out); ++i) usleep(10000);
    return qvtest::ReadFile(out);
  }
  fs::path script_;
};

TEST_F(StandInTest, RunKindThreeStartsWindiffOnOldThenNew) {
  theApp.m_strCmdWindiff = script_.c_str();
  CZEKEnv_Label entry;
  Folders(entry, "new", "old", "diff");
  RunCompare(RUN_MODE_COMPARE, 1, DIFF_RUN_WINDIFF, &entry, nullptr);
  EXPECT_EQ(WaitForArgs(), (tmp_ / "old").string() + "\n" + (tmp_ / "new").string() + "\n");
  EXPECT_EQ(entry.m_nState, 1);
  EXPECT_EQ(Records(entry).size(), 1u);
}

// The default programs name Windows programs that are not here; their
// fields are hidden, so the message names the run-kind setting instead.
TEST_F(StandInTest, ComparisonProgramsThatCannotStartAreNamedWithTheRunKindSetting) {
  // Relative to the current folder, which holds neither.
  const fs::path cwd = fs::current_path();
  fs::current_path(tmp_.path());
  theApp.m_strCmdWindiff = "./windiff";
  theApp.m_strCmdDF = "./DF.exe";
  CZEKEnv_Label entry;
  Folders(entry, "new", "old", "diff");
  people_.QueueAnswer(IDOK);
  people_.QueueAnswer(IDOK);
  RunCompare(RUN_MODE_COMPARE, 1, DIFF_RUN_WINDIFF, &entry, nullptr);
  RunCompare(RUN_MODE_COMPARE, 1, DIFF_RUN_GUI, &entry, nullptr);
  fs::current_path(cwd);
  ASSERT_EQ(people_.Calls().size(), 2u);
  const std::string advice = "\nQuarvex.ini の Dir_Diff_Exec（比較の実行方法）を見直して下さい。";
  EXPECT_EQ(people_.Calls()[0].text, "windiff コマンド（./windiff）の起動に失敗（WinExec）しました。" + advice);
  EXPECT_EQ(people_.Calls()[1].text, "DF コマンド（./DF.exe）の起動に失敗（WinExec）しました。" + advice);
  EXPECT_EQ(entry.m_nState, 1);
}

TEST_F(StandInTest, RunKindFourStartsTheGuiProgramOnOldThenNew) {
  theApp.m_strCmdDF = script_.c_str();
  CZEKEnv_Label entry;
  Folders(entry, "new", "old", "diff");
  RunCompare(RUN_MODE_COMPARE, 1, DIFF_RUN_GUI, &entry, nullptr);
  EXPECT_EQ(WaitForArgs(), (tmp_ / "old").string() + "\n" + (tmp_ / "new").string() + "\n");
  EXPECT_EQ(entry.m_nState, 1);
}

// The comparison programs of run kinds 3 and 4 get each folder as one
// argument: one with blanks, a drive's root with its backslash, one whose
// last byte is the trail byte 0x5C of 表.
TEST_F(StandInTest, EachFolderReachesTheComparisonProgramAsOneArgument) {
  Dir("作業 old");
  Dir("予定表");
  theApp.m_strCmdWindiff = script_.c_str();
  theApp.m_strCmdDF = script_.c_str();
  CZEKEnv_Label entry;
  entry.m_strOldPath = W("作業 old").c_str();
  entry.m_strNewPath = "T:\\";
  entry.m_strDiffPath = W("diff").c_str();
  RunCompare(RUN_MODE_COMPARE, 1, DIFF_RUN_WINDIFF, &entry, nullptr);
  EXPECT_EQ(WaitForArgs(), (tmp_ / qvtest::U8("作業 old")).string() + "\n" + tmp_.str() + "\n");
  std::error_code ec;
  fs::remove(tmp_ / "args.txt", ec);
  entry.m_strOldPath = W("予定表").c_str();
  entry.m_strNewPath = W("作業 old\\").c_str();
  RunCompare(RUN_MODE_COMPARE, 1, DIFF_RUN_GUI, &entry, nullptr);
  EXPECT_EQ(WaitForArgs(), (tmp_ / qvtest::U8("予定表")).string() + "\n" + (tmp_ / qvtest::U8("作業 old")).string() + "/\n");
}

// ---------------------------------------------------------------------------
// Comments across runs.

TEST_F(CompareRunTest, KeptCommentsComeBackForTheSamePaths) {
  Dvd("store\\Kept");
  Dvd("store\\Other");
  CZEKEnv_Label entry;
  Folders(entry, "", "store", "store");
  auto commentOf = [&](const char* name) -> std::string {
    for (CZEKMergeFileInfo* r : Records(entry)) {
      if (r->m_Old.m_strName == name) return comments_.GetAt(r->m_nCommentIndex)->m_strComment.GetString();
    }
    return "<none>";
  };
  RunCompare(RUN_MODE_LIST, 1, DIFF_RUN_LINE_COUNT, &entry, nullptr);
  for (CZEKMergeFileInfo* r : Records(entry)) {
    comments_.GetAt(r->m_nCommentIndex)->m_strComment = CString("comment of ") + r->m_Old.m_strName;
  }

  // The path disappears for one run and comes back.
  fs::rename(Os("store\\Kept"), tmp_ / "away");
  RunCompare(RUN_MODE_LIST, 1, DIFF_RUN_LINE_COUNT, &entry, nullptr);
  EXPECT_EQ(commentOf("Kept"), "<none>");
  fs::rename(tmp_ / "away", Os("store\\Kept"));
  RunCompare(RUN_MODE_LIST, 1, DIFF_RUN_LINE_COUNT, &entry, nullptr);
  EXPECT_EQ(commentOf("Kept"), "comment of Kept");
  EXPECT_EQ(commentOf("Other"), "comment of Other");

  // Not keeping empties the table first.
  RunCompare(RUN_MODE_LIST, 0, DIFF_RUN_LINE_COUNT, &entry, nullptr);
  EXPECT_EQ(commentOf("Kept"), "");
  EXPECT_EQ(comments_.GetCount(), 2);
}

// ---------------------------------------------------------------------------
// Attaching the results to the document's entry.

TEST_F(CompareRunTest, ResultsGoToTheDocumentsEntry) {
  Dvd("store\\Title");
  CZEKDoc doc;  // one entry with id 1, current; its comment table is the current one
  CZEKEnv_Label* first = doc.m_pCurrentEntry;
  ASSERT_NE(first, nullptr);
  Folders(*first, "", "store", "store");
  CObList* records = nullptr;
  ASSERT_EQ(RebuildFileInfo(RUN_MODE_LIST, 1, 3, &doc, first, &records, nullptr), 1);
  EXPECT_EQ(Names(*first), (std::vector<std::string>{"Title"}));
  EXPECT_EQ(records, first->m_pRecordList);
  EXPECT_EQ(first->m_nState, 1);
  EXPECT_EQ(doc.m_Comment.GetCount(), 1);

  auto* second = new CZEKEnv_Label;
  second->m_nId = 2;
  doc.m_listEntries.AddTail(second);

  // An unknown id: the last entry; results it held before are freed.
  CZEKEnv_Label other;
  AllocMergeLists(&other);
  StoreMergeLists(&doc, 7, other.m_pTotals, other.m_pRecordList);
  EXPECT_EQ(second->m_pRecordList, other.m_pRecordList);
  EXPECT_EQ(second->m_nState, 1);
  other.m_pRecordList = nullptr;
  other.m_pTotals = nullptr;
  AllocMergeLists(&other);
  StoreMergeLists(&doc, 2, other.m_pTotals, other.m_pRecordList);
  EXPECT_EQ(second->m_pTotals, other.m_pTotals);
  other.m_pRecordList = nullptr;
  other.m_pTotals = nullptr;

  // A run of an entry the look-up would not pick keeps its own results.
  CZEKEnv_Label stray;
  stray.m_nId = 9;
  Folders(stray, "", "store", "store");
  CObList* const secondList = second->m_pRecordList;
  RunCompare(RUN_MODE_LIST, 1, DIFF_RUN_LINE_COUNT, &stray, &doc);
  EXPECT_EQ(Names(stray), (std::vector<std::string>{"Title"}));
  EXPECT_EQ(second->m_pRecordList, secondList);
}

// ---------------------------------------------------------------------------
// Version texts.

// An executable whose version block of `blockLen` bytes holds the fixed
// block (file version 1.2.3.40 and `flags`) at `fixedAt`.
std::string MakePe(uint32_t blockLen, uint32_t fixedAt, uint32_t flags) {
  return qvtest::MakeVersionPe(blockLen, fixedAt, flags, 40);
}

TEST_F(CompareRunTest, VersionTextsOfSmallAndLargeResources) {
  auto text = [&](const std::string& bytes) {
    qvtest::WriteFile(tmp_ / "prog.exe", bytes);
    CZEKFileInfo side;
    GetVersionText(side, W("prog.exe").c_str());
    return std::string(side.m_strVersion.GetString());
  };
  EXPECT_EQ(text(MakePe(92, 40, 0)), "1.2.3.40          , Release");
  EXPECT_EQ(text(MakePe(92, 40, VS_FF_DEBUG)), "1.2.3.40          , Debug");
  // Larger than the usual 8192-byte buffer, the fixed block far inside it.
  EXPECT_EQ(text(MakePe(20000, 15000, 0)), "1.2.3.40          , Release");
  // No fixed block, or one cut off by the end of the resource.
  EXPECT_EQ(text(MakePe(92, 96, 0)), "????              , ????");
  EXPECT_EQ(text(MakePe(10000, 9980, 0)), "????              , ????");
  EXPECT_EQ(text("plain text, no program"), kNoVersionText);
}

// ---------------------------------------------------------------------------
// The display filter.

class FilterTest : public ::testing::Test {
 protected:
  static void Times(CZEKMergeFileInfo& r, LONG newTime, LONG oldTime) {
    r.m_New.m_tModify = newTime;
    r.m_Old.m_tModify = oldTime;
  }
  int Match(int mode, int bits, const CZEKMergeFileInfo& r, int from = 0, int to = 0) {
    return MatchRecordFilter(mode, &app_, bits, from, to, &r);
  }
  CZEKApp& app_ = theApp;
};

TEST_F(FilterTest, EachBitShowsItsRecords) {
  theApp.m_bDiffOverDate = FALSE;
  theApp.m_nDiffExec = DIFF_RUN_LINE_COUNT;
  CZEKMergeFileInfo same, absent, added, deleted, changed;
  Times(same, 100, 100);
  Times(absent, 0, 0);
  Times(added, 100, 0);
  Times(deleted, 0, 100);
  Times(changed, 200, 100);
  EXPECT_EQ(Match(RUN_MODE_COMPARE, DISP_SAME, same), 1);
  EXPECT_EQ(Match(RUN_MODE_COMPARE, DISP_SAME, absent), 1);  // 0 and 0 count as equal
  EXPECT_EQ(Match(RUN_MODE_COMPARE, DISP_SAME, changed), 0);
  EXPECT_EQ(Match(RUN_MODE_COMPARE, DISP_NEW, added), 1);
  EXPECT_EQ(Match(RUN_MODE_COMPARE, DISP_NEW, deleted), 0);
  EXPECT_EQ(Match(RUN_MODE_COMPARE, DISP_DELETED, deleted), 1);
  EXPECT_EQ(Match(RUN_MODE_COMPARE, DISP_DELETED, added), 0);
  EXPECT_EQ(Match(RUN_MODE_COMPARE, DISP_DIFFERENT, changed), 1);
  EXPECT_EQ(Match(RUN_MODE_COMPARE, DISP_DIFFERENT, added), 0);
  EXPECT_EQ(Match(RUN_MODE_COMPARE, 14, same), 0);
  EXPECT_EQ(Match(RUN_MODE_COMPARE, 0, same), 0);
  EXPECT_EQ(Match(RUN_MODE_LIST, 0, changed), 1);  // list mode shows everything
}

TEST_F(FilterTest, DiffContentCanOverruleDates) {
  CZEKMergeFileInfo changed;
  Times(changed, 200, 100);
  theApp.m_nDiffExec = DIFF_RUN_LINE_COUNT;
  theApp.m_bDiffOverDate = TRUE;
  EXPECT_EQ(Match(RUN_MODE_COMPARE, DISP_DIFFERENT, changed), 0);
  changed.m_nRangeDel = 1;
  EXPECT_EQ(Match(RUN_MODE_COMPARE, DISP_DIFFERENT, changed), 1);

  // With run kind 0 range counts show a record whatever its dates.
  CZEKMergeFileInfo sameDates;
  Times(sameDates, 100, 100);
  sameDates.m_nRangeChgLeft = 2;
  EXPECT_EQ(Match(RUN_MODE_COMPARE, DISP_DIFFERENT, sameDates), 0);
  theApp.m_nDiffExec = DIFF_RUN_REGENERATE;
  EXPECT_EQ(Match(RUN_MODE_COMPARE, DISP_DIFFERENT, sameDates), 1);
  theApp.m_bDiffOverDate = FALSE;
  theApp.m_nDiffExec = DIFF_RUN_LINE_COUNT;
}

TEST_F(FilterTest, TheDateWindowTestsTheNewSide) {
  const LONG now = static_cast<LONG>(std::time(nullptr));
  CZEKMergeFileInfo recent, old;
  Times(recent, now - 2 * 86400, 0);
  Times(old, now - 40 * 86400, now);
  EXPECT_EQ(Match(RUN_MODE_COMPARE, DISP_NEW | DISP_DATE_WINDOW, recent, 7, 1), 1);
  EXPECT_EQ(Match(RUN_MODE_COMPARE, DISP_NEW | DISP_DATE_WINDOW, recent, 1, 0), 0);
  EXPECT_EQ(Match(RUN_MODE_COMPARE, DISP_DIFFERENT | DISP_DATE_WINDOW, old, 7, 0), 0);
  EXPECT_EQ(Match(RUN_MODE_COMPARE, DISP_DIFFERENT | DISP_DATE_WINDOW, old, 60, 30), 1);
  // The window is no filter of its own: records hidden by the other bits
  // stay hidden.
  EXPECT_EQ(Match(RUN_MODE_COMPARE, DISP_DATE_WINDOW, recent, 7, 0), 0);
  // List mode: the NEW side is absent (time 0), so only a window reaching
  // back to 1970 shows records; a huge day count does not wrap around.
  CZEKMergeFileInfo listed;
  Times(listed, 0, now);
  EXPECT_EQ(Match(RUN_MODE_LIST, DISP_DATE_WINDOW, listed, 30, 0), 0);
  EXPECT_EQ(Match(RUN_MODE_LIST, DISP_DATE_WINDOW, listed, 30000, 0), 1);
  EXPECT_EQ(Match(RUN_MODE_LIST, DISP_DATE_WINDOW, listed, 2000000000, 0), 1);
}

}  // namespace
