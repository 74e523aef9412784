// The CSV export's file: rows of both modes read back by another program's
// CSV reader, the numbering under the display filter, damaged comment
// indexes, long rows, the header lines' writer, open failures and the
// viewer's command line.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/ZEKApp.h"
#include "compare/CompareRun.h"
#include "compare/RecordTexts.h"
#include "compare/TempCsv.h"
#include "records/Comment.h"
#include "records/FileInfo.h"
#include "records/ZEKDoc.h"
#include "support/csv_reader.h"
#include "support/drives.h"
#include "support/scripted_people.h"
#include "support/testutil.h"
#include "support/unprivileged.h"

namespace fs = std::filesystem;

namespace {

using Rows = std::vector<std::vector<std::string>>;

// 2024/03/05 (Tue)  21:14:09 UTC.
constexpr LONG kTime = 1709673249;
const char kTimeText[] = "2024/03/05 (Tue)  21:14:09";

class CsvTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(tmp_ / "temp");
    theApp.m_strTempDir = "T:\\temp";
    theApp.m_nDispMode = DISP_SAME | DISP_NEW | DISP_DELETED | DISP_DIFFERENT;
    theApp.m_nDaysFrom = theApp.m_nDaysTo = 0;
    theApp.m_bCmdAvailable[0] = FALSE;
    theApp.m_strCmdExcel.Empty();
  }
  void TearDown() override { Clear(); }

  void Clear() {
    for (POSITION pos = records_.GetHeadPosition(); pos != nullptr;) delete records_.GetNext(pos);
    records_.RemoveAll();
  }

  // A record of `name` with the given sides and comment.
  CZEKMergeFileInfo* Add(const char* name, int exist, const char* comment = "") {
    auto* r = new CZEKMergeFileInfo;
    r->m_nType = 1;
    r->m_nExist = exist;
    r->m_New.m_strName = name;
    r->m_Old.m_strName = name;
    if (exist & 1) {
      r->m_New.m_tModify = kTime + 60;
      r->m_New.m_dwSize = 2048;
      r->m_New.m_dwLines = 40;
    }
    if (exist & 2) {
      r->m_Old.m_tModify = kTime;
      r->m_Old.m_dwSize = 1024;
      r->m_Old.m_dwLines = 35;
    }
    r->m_nCommentIndex = doc_.m_Comment.FindOrAdd(name);
    doc_.m_Comment.GetAt(r->m_nCommentIndex)->SetKey(name);
    doc_.m_Comment.GetAt(r->m_nCommentIndex)->m_strComment = comment;
    records_.AddTail(r);
    return r;
  }

  fs::path CsvFile() const { return tmp_ / "temp" / kTempCsvName; }

  // Writes the rows of the mode and reads them back with Python's reader.
  Rows Export(int mode) {
    EXPECT_EQ(OpenTempCsv(), 1);
    WriteCsvRows(mode, &records_, "T:\\diff");
    EXPECT_EQ(CloseTempCsv(), 1);
    return qvtest::ReadCsvWithPython(CsvFile());
  }

  qvtest::TempDir tmp_;
  qvtest::DriveT drive_{tmp_};
  qvtest::EnvVar tz_{"TZ", "UTC0"};
  qvtest::ScriptedPeople people_;
  CZEKDoc doc_;
  CObList records_;
};

TEST_F(CsvTest, CompareRowsReadBackAsTheRecordsHoldThem) {
  Add("src\\a,b.c", 3, "コメント, カンマ入り");
  Add("src\\q\"uote.h", 1, "He said \"yes\"");
  Add("lines,folder\\only_old.txt", 2, "一行目\r\n二行目\nthird");
  Add("top.txt", 3, "");
  const Rows rows = Export(RUN_MODE_COMPARE);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"1", "a,b.c", "35", "40", kTimeText, "1024",
                                               "2024/03/05 (Tue)  21:15:09", "2048", "src",
                                               "コメント, カンマ入り"}));
  EXPECT_EQ(rows[1], (std::vector<std::string>{"2", "q\"uote.h", "0", "40", "--- 新規作成された ---", "0",
                                               "2024/03/05 (Tue)  21:15:09", "2048", "src", "He said \"yes\""}));
  EXPECT_EQ(rows[2], (std::vector<std::string>{"3", "only_old.txt", "35", "0", kTimeText, "1024",
                                               "--- 削除された ---", "0", "lines,folder", "一行目\r\n二行目\nthird"}));
  EXPECT_EQ(rows[3][1], "top.txt");
  EXPECT_EQ(rows[3][8], "");
  EXPECT_EQ(rows[3][9], "");

  // The bytes: fields quoted only where a reader needs it, the comment
  // always; every row ends with CR LF.
  const std::string bytes = qvtest::ReadFile(CsvFile());
  EXPECT_NE(bytes.find("1,\"a,b.c\",35,40,"), std::string::npos);
  EXPECT_NE(bytes.find(",src,\"He said \"\"yes\"\"\"\r\n"), std::string::npos);
  EXPECT_NE(bytes.find(",top.txt,"), std::string::npos);
  EXPECT_EQ(bytes.substr(bytes.size() - 5), ",\"\"\r\n");
}

TEST_F(CsvTest, ListRowsNumberOnlyWhatTheFilterShows) {
  Add("映画\\洋画\\Casablanca", 2, "名作");
  Add("Trip, 2021", 2, "");
  Add("映画\\表示", 0, "no date");  // 表 ends in a 0x5C trail byte
  const Rows rows = Export(RUN_MODE_LIST);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"1", "映画\\洋画", "Casablanca", kTimeText, "名作"}));
  EXPECT_EQ(rows[1], (std::vector<std::string>{"2", "", "Trip, 2021", kTimeText, ""}));
  EXPECT_EQ(rows[2], (std::vector<std::string>{"3", "映画", "表示", "--- 新規作成された ---", "no date"}));

  // Compare mode with only the new items shown: numbers follow the rows.
  Clear();
  Add("same.txt", 3);
  Add("new1.txt", 1);
  Add("gone.txt", 2);
  Add("new2.txt", 1);
  theApp.m_nDispMode = DISP_NEW;
  const Rows shown = Export(RUN_MODE_COMPARE);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0][0], "1");
  EXPECT_EQ(shown[0][1], "new1.txt");
  EXPECT_EQ(shown[1][0], "2");
  EXPECT_EQ(shown[1][1], "new2.txt");
}

TEST_F(CsvTest, ADamagedCommentIndexGivesAnEmptyCommentAndTheRowsGoOn) {
  Add("a.txt", 3, "first");
  Add("b.txt", 3, "second")->m_nCommentIndex = 999;
  Add("c.txt", 3, "third")->m_nCommentIndex = -7;
  Add("d.txt", 3, "fourth");
  const Rows rows = Export(RUN_MODE_COMPARE);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0][9], "first");
  EXPECT_EQ(rows[1][9], "");
  EXPECT_EQ(rows[2][9], "");
  EXPECT_EQ(rows[3][9], "fourth");
  EXPECT_EQ(GetRecordComment(records_.GetTail() ? static_cast<CZEKMergeFileInfo*>(records_.GetTail()) : nullptr),
            "fourth");
}

TEST_F(CsvTest, LongRowsAreWrittenWhole) {
  // Names and a comment of double-byte characters far beyond any row buffer.
  std::string folder;
  for (int i = 0; i < 300; ++i) folder += "表";
  std::string comment;
  for (int i = 0; i < 1500; ++i) comment += "ソ";
  Add((folder + "\\" + folder + ".txt").c_str(), 3, comment.c_str());
  Add("after.txt", 3, "x");
  const Rows rows = Export(RUN_MODE_COMPARE);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][1], folder + ".txt");
  EXPECT_EQ(rows[0][8], folder);
  EXPECT_EQ(rows[0][9], comment);
  EXPECT_EQ(rows[1][1], "after.txt");
}

TEST_F(CsvTest, HeaderLinesEndInCrLfAndTheCountsAreRefreshed) {
  CZEKMergeFileInfo* r = Add("item.c", 3);
  qvtest::WriteFile(tmp_ / "diff" / "item.c.diff", "3c3\n< a\n---\n> b\n");
  r->m_nRangeAdd = 77;  // stale: the export reads the diff file again
  ASSERT_EQ(OpenTempCsv(), 1);
  WriteTempCsvLine("No.,ヘッダ\n");
  WriteTempCsvLine("Drv,x \n");
  WriteCsvRows(RUN_MODE_COMPARE, &records_, "T:\\diff");
  ASSERT_EQ(CloseTempCsv(), 1);
  const std::string bytes = qvtest::ReadFile(CsvFile());
  EXPECT_EQ(bytes.rfind("No.,ヘッダ\r\nDrv,x \r\n1,item.c,", 0), 0u);
  EXPECT_EQ(r->m_nRangeAdd, 0);
  EXPECT_EQ(r->m_nRangeChgRight, 1);
  EXPECT_EQ(r->m_nChgLines, 2);

  char path[1024];
  ASSERT_EQ(GetTempCsvPath(path, sizeof path), 1);
  EXPECT_STREQ(path, "T:\\temp\\Z_E_K_wc_temp.csv");
  char small[8];
  EXPECT_EQ(GetTempCsvPath(small, sizeof small), 0);
  EXPECT_STREQ(small, "");
}

TEST_F(CsvTest, AFileThatCannotBeMadeIsToldAndNothingIsWritten) {
  theApp.m_strTempDir = "T:\\no such folder";
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(OpenTempCsv(), 0);
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(people_.Calls()[0].text,
            "ファイル名称：T:\\no such folder\\Z_E_K_wc_temp.csv\n上記ファイルのオープンに失敗しました。");
  // Writes after a failed open go nowhere.
  WriteTempCsvLine("x\n");
  EXPECT_EQ(CloseTempCsv(), 1);

  // No TEMP folder at all (its value did not fit): not the root of the drive.
  fs::create_directories(tmp_ / "c");
  qvtest::EnvVar drives{"QUARVEX_DRIVES", ("C=" + (tmp_ / "c").string() + ";T=" + tmp_.str()).c_str()};
  theApp.m_strTempDir.Empty();
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(OpenTempCsv(), 0);
  ASSERT_EQ(people_.Calls().size(), 2u);
  EXPECT_EQ(people_.Calls()[1].text, "ファイル名称：\\Z_E_K_wc_temp.csv\n上記ファイルのオープンに失敗しました。");
  EXPECT_TRUE(fs::is_empty(tmp_ / "c"));
}

// The TEMP folder of the user, as the application reads it.
CString TempOfUser() {
  char buf[256];
  const DWORD n = GetEnvironmentVariableA("TEMP", buf, sizeof buf);
  return n > 0 && n < sizeof buf ? CString(buf) : CString();
}

TEST_F(CsvTest, TheFileIsTheUsersAloneAndNoPlantedLinkIsWrittenThrough) {
  // A TEMP set to a folder everybody may write into.
  fs::create_directories(tmp_ / "shared");
  chmod((tmp_ / "shared").c_str(), 01777);
  qvtest::EnvVar temp{"TEMP", (tmp_ / "shared").c_str()};
  theApp.m_strTempDir = TempOfUser();
  ASSERT_EQ(theApp.m_strTempDir, "T:\\shared");
  const fs::path csv = tmp_ / "shared" / kTempCsvName;

  // Somebody's link under the file's name: refused, its target untouched.
  qvtest::WriteFile(tmp_ / "victim", "keep");
  fs::create_symlink(tmp_ / "victim", csv);
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(OpenTempCsv(), 0);
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(people_.Calls()[0].text,
            "ファイル名称：T:\\shared\\Z_E_K_wc_temp.csv\n上記ファイルのオープンに失敗しました。");
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "victim"), "keep");

  // The user's own earlier export, readable by all: replaced whole, and
  // private from now on.
  (fs::remove)(csv);
  qvtest::WriteFile(csv, std::string(4096, 'o'));
  chmod(csv.c_str(), 0644);
  Add("a.txt", 3);
  ASSERT_EQ(OpenTempCsv(), 1);
  WriteCsvRows(RUN_MODE_COMPARE, &records_, "T:\\diff");
  ASSERT_EQ(CloseTempCsv(), 1);
  const std::string bytes = qvtest::ReadFile(csv);
  EXPECT_EQ(bytes.rfind("1,a.txt,", 0), 0u);
  EXPECT_EQ(bytes.find('o'), std::string::npos);
  struct stat st;
  ASSERT_EQ(stat(csv.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(CsvTest, ASecondUserExportsIntoAFolderOfTheirOwn) {
  if (geteuid() != 0) GTEST_SKIP() << "needs a second user";
  // TEMP unset; the shared temporary folder as /tmp is.
  fs::create_directories(tmp_ / "shared");
  ASSERT_EQ(chmod(tmp_.path().c_str(), 0755), 0);
  ASSERT_EQ(chmod((tmp_ / "shared").c_str(), 01777), 0);
  qvtest::EnvVar temp{"TEMP", nullptr};
  qvtest::EnvVar tmpdir{"TMPDIR", (tmp_ / "shared").c_str()};
  Add("a.txt", 3);
  auto exportFor = [&](uid_t uid) {
    theApp.m_strTempDir = TempOfUser();
    if (std::string(theApp.m_strTempDir.GetString()) != "T:\\shared\\quarvex-" + std::to_string(uid)) return 1;
    if (OpenTempCsv() != 1) return 2;
    WriteCsvRows(RUN_MODE_COMPARE, &records_, "T:\\diff");
    if (CloseTempCsv() != 1) return 3;
    struct stat st;
    const fs::path csv = tmp_ / "shared" / ("quarvex-" + std::to_string(uid)) / kTempCsvName;
    if (stat(csv.c_str(), &st) != 0 || st.st_uid != uid || (st.st_mode & 0777) != 0600) return 4;
    if (qvtest::ReadFile(csv).rfind("1,a.txt,", 0) != 0) return 5;
    return 0;
  };
  EXPECT_EQ(exportFor(0), 0);
  EXPECT_EQ(qvtest::RunUnprivileged([&] { return exportFor(65534); }), 0);
  // The first user's file is still theirs.
  EXPECT_EQ(exportFor(0), 0);
}

TEST_F(CsvTest, TheViewerGetsThePathAsOneArgument) {
  fs::create_directories(tmp_ / "my programs");
  qvtest::WriteArgumentRecorder(tmp_ / "my programs" / "viewer", tmp_ / "viewer.args");
  theApp.m_strCmdExcel = "T:\\my programs\\viewer";
  theApp.m_bCmdAvailable[0] = TRUE;
  theApp.m_strTempDir = "T:\\temp dir";
  fs::create_directories(tmp_ / "temp dir");
  char path[1024];
  ASSERT_EQ(GetTempCsvPath(path, sizeof path), 1);
  EXPECT_EQ(OpenWithCsvViewer(path), 1);
  EXPECT_EQ(qvtest::RecordedArguments(tmp_ / "viewer.args"),
            (std::vector<std::string>{(tmp_ / "temp dir" / "Z_E_K_wc_temp.csv").string()}));

  // No viewer: the desktop's opener gets the file.
  fs::create_directories(tmp_ / "bin");
  qvtest::WriteArgumentRecorder(tmp_ / "bin" / "xdg-open", tmp_ / "opener.args");
  qvtest::EnvVar path_{"PATH", ((tmp_ / "bin").string() + ":/usr/bin:/bin").c_str()};
  theApp.m_bCmdAvailable[0] = FALSE;
  qvtest::WriteFile(tmp_ / "temp dir" / "Z_E_K_wc_temp.csv", "");
  EXPECT_GT(OpenWithCsvViewer(path), 32);
  EXPECT_EQ(qvtest::RecordedArguments(tmp_ / "opener.args"),
            (std::vector<std::string>{(tmp_ / "temp dir" / "Z_E_K_wc_temp.csv").string()}));
}

TEST_F(CsvTest, AViewerThatCannotStartIsToldWithTheFile) {
  theApp.m_strTempDir = "T:\\temp";
  char path[1024];
  ASSERT_EQ(GetTempCsvPath(path, sizeof path), 1);
  qvtest::WriteFile(CsvFile(), "");
  // No viewer set and no opener of the desktop.
  fs::create_directories(tmp_ / "empty");
  qvtest::EnvVar path_{"PATH", (tmp_ / "empty").c_str()};
  theApp.m_strCmdExcel.Empty();
  theApp.m_bCmdAvailable[0] = FALSE;
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(OpenWithCsvViewer(path), 0);
  // A viewer that is no program.
  qvtest::WriteFile(tmp_ / "notes.txt", "not a program");
  theApp.m_strCmdExcel = "T:\\notes.txt";
  theApp.m_bCmdAvailable[0] = TRUE;
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(OpenWithCsvViewer(path), 0);
  theApp.m_strCmdExcel.Empty();
  theApp.m_bCmdAvailable[0] = FALSE;

  const auto& calls = people_.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].text,
            "ファイル名称：T:\\temp\\Z_E_K_wc_temp.csv\n上記ファイルを開くプログラムがありません。\n"
            "ﾕｰﾃｨﾘﾃｨ(U)-環境設定(E)...の「DVDファイル情報表示プロラグム」を設定して下さい。");
  EXPECT_EQ(calls[1].text,
            "ファイル名称：T:\\temp\\Z_E_K_wc_temp.csv\n上記ファイルを開くプログラム（T:\\notes.txt）を起動できませんでした。\n"
            "ﾕｰﾃｨﾘﾃｨ(U)-環境設定(E)...の「DVDファイル情報表示プロラグム」を見直して下さい。");
}


}  // namespace
