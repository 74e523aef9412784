// The extraction dialogs' folder building and copy run on real folders
// (drive T:), without their windows: the tree at each level, the questions
// about existing folders, the refusals, and what the copy run copies and
// reports.
#include <gtest/gtest.h>

#include <string>

#include "app/ZEKApp.h"
#include "records/FileInfo.h"
#include "res/tables.h"
#include "support/drives.h"
#include "support/scripted_people.h"
#include "support/testutil.h"
#include "ui/ExtractDialogs.h"

namespace {

namespace fs = std::filesystem;
using qvtest::ReadFile;
using qvtest::WriteFile;

const char kExists[] = "指定したフォルダは既に存在します。出力結果は上書きされます。\n処理を続行しますか？";

class ExtractTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qv::res::Install(qv::res::ProgramResources());
    WriteFile(dir_ / "prog/DeleteEmptyDirectory.bat", "rem empty folders\r\n");
    theApp.m_strBaseDir = "T:\\prog\\";
    theApp.m_nAppMode = 0;
    fs::create_directories(dir_ / "src/new");
    fs::create_directories(dir_ / "src/old");
    dlg_.m_pNewSrcDir = &newDir_;
    dlg_.m_pOldSrcDir = &oldDir_;
    dlg_.m_pRecords = &records_;
    dlg_.m_nMakeFlags = 7;
    dlg_.m_strRoot = "T:\\out";
    dlg_.m_nLevel = 1;
    dlg_.m_strFirstLevel = "20261206_04";
    dlg_.m_strSecondLevel = "修正理由";
    dlg_.m_strOldName = "OLD";
    dlg_.m_strNewName = "NEW";
  }
  void TearDown() override {
    theApp.m_strBaseDir.Empty();
    theApp.m_nAppMode = 0;
    for (POSITION pos = records_.GetHeadPosition(); pos != nullptr;) delete records_.GetNext(pos);
  }

  // A path below the test's folder from a code page 932 relative name.
  fs::path At(const std::string& rel) {
    std::string u = qvtest::U8(rel);
    for (char& c : u)
      if (c == '\\') c = '/';
    return dir_.path() / u;
  }

  // A record of `name` with the copies whose texts are given (nullptr: none).
  CZEKMergeFileInfo* Item(const std::string& name, const char* newText, const char* oldText) {
    auto* r = new CZEKMergeFileInfo;
    r->m_nType = 2;
    r->m_New.m_strName = r->m_Old.m_strName = name.c_str();
    if (newText) {
      WriteFile(At("src/new/" + name), newText);
      r->m_nExist |= 1;
    }
    if (oldText) {
      WriteFile(At("src/old/" + name), oldText);
      r->m_nExist |= 2;
    }
    records_.AddTail(r);
    return r;
  }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& c : people_.Calls()) texts.push_back(c.text);
    return texts;
  }

  qvtest::TempDir dir_;
  qvtest::DriveT drive_{dir_};
  qvtest::ScriptedPeople people_;
  CString newDir_ = "T:\\src\\new", oldDir_ = "T:\\src\\old";
  CObList records_;
  CFORMDLG dlg_;
};

TEST_F(ExtractTest, TreeAtEachLevel) {
  fs::create_directories(dir_ / "out");
  dlg_.m_nLevel = 0;
  ASSERT_EQ(dlg_.BuildFolders(), 1);
  EXPECT_EQ(dlg_.m_strOutRoot, "T:\\out");
  EXPECT_EQ(dlg_.m_strOutNew, "T:\\out\\NEW");
  EXPECT_EQ(dlg_.m_strOutOld, "T:\\out\\OLD");
  EXPECT_EQ(dlg_.m_strOutDiff, "T:\\out\\DIFF");
  EXPECT_TRUE(fs::is_directory(dir_ / "out/NEW"));
  EXPECT_TRUE(fs::is_directory(dir_ / "out/OLD"));
  EXPECT_FALSE(fs::exists(dir_ / "out/DIFF"));

  // A missing root is made after its question; then the named levels.
  dlg_.m_strRoot = "T:\\抽出\\先";
  dlg_.m_nLevel = 2;
  people_.QueueAnswer(IDYES);
  ASSERT_EQ(dlg_.BuildFolders(), 1);
  EXPECT_EQ(Texts(), std::vector<std::string>{"T:\\抽出\\先\n\n上記パスが存在しません。\n新規に作成しますか？"});
  EXPECT_EQ(dlg_.m_strOutNew, "T:\\抽出\\先\\20261206_04\\修正理由\\NEW");
  EXPECT_TRUE(fs::is_directory(At("抽出/先/20261206_04/修正理由/OLD")));

  dlg_.m_strRoot = "T:\\level1";
  dlg_.m_nLevel = 1;
  people_.QueueAnswer(IDYES);
  ASSERT_EQ(dlg_.BuildFolders(), 1);
  EXPECT_EQ(dlg_.m_strOutOld, "T:\\level1\\20261206_04\\OLD");
  EXPECT_FALSE(fs::exists(At("level1/20261206_04/修正理由")));
}

TEST_F(ExtractTest, AnExistingFolderIsAskedAboutOncePerBuild) {
  fs::create_directories(dir_ / "out/20261206_04/OLD");
  fs::create_directories(dir_ / "out/20261206_04/NEW");
  people_.QueueAnswer(IDYES);
  ASSERT_EQ(dlg_.BuildFolders(), 1);
  EXPECT_EQ(Texts(), std::vector<std::string>{kExists});

  // The next build asks again; No stops it, makes nothing, and keeps the
  // output folders of the build before.
  dlg_.m_nLevel = 2;
  people_.QueueAnswer(IDNO);
  EXPECT_EQ(dlg_.BuildFolders(), 0);
  EXPECT_EQ(Texts().size(), 2u);
  EXPECT_FALSE(fs::exists(At("out/20261206_04/修正理由")));
  EXPECT_EQ(dlg_.m_strOutOld, "T:\\out\\20261206_04\\OLD");
  EXPECT_EQ(dlg_.m_strOutRoot, "T:\\out\\20261206_04");
}

TEST_F(ExtractTest, PathsTooLongForTheBuffersAreRefusedBeforeAnythingIsMade) {
  std::string longRoot = "T:";
  while (longRoot.size() + 201 < 1023) longRoot += "\\" + std::string(200, 'r');
  longRoot += "\\" + std::string(1023 - longRoot.size() - 1, 'r');
  ASSERT_EQ(longRoot.size(), 1023u);
  for (size_t extra : {size_t{0}, size_t{1}}) {
    // A root of 1023 bytes whose OLD folder would need more, then one of
    // 1024 bytes.
    dlg_.m_strRoot = (longRoot + std::string(extra, 'r')).c_str();
    dlg_.m_nLevel = 0;
    people_.QueueAnswer(IDOK);
    EXPECT_EQ(dlg_.BuildFolders(), 0);
    ASSERT_FALSE(Texts().empty());
    EXPECT_NE(Texts().back().find("上記フォルダパスが長すぎます（1023バイトまで）。"), std::string::npos);
  }
  EXPECT_EQ(dlg_.m_strRoot.GetLength(), 1024);
  EXPECT_FALSE(fs::exists(dir_ / std::string(200, 'r')));
}

TEST_F(ExtractTest, EmptyListCopiesOnlyTheBatchFile) {
  people_.QueueAnswer(IDYES);  // root T:\out is made
  EXPECT_EQ(dlg_.RunCopy(), 1);
  EXPECT_EQ(ReadFile(dir_ / "out/20261206_04/DeleteEmptyDirectory.bat"), "rem empty folders\r\n");
}

TEST_F(ExtractTest, CopiesBothSidesAndAsksOnceForOverwriteAll) {
  Item("棚\\a", "new a", "old a");
  Item("b", nullptr, "old b");
  Item("c", "new c", "old c");
  WriteFile(At("out/20261206_04/NEW/棚/a"), "stale");
  WriteFile(dir_ / "out/20261206_04/OLD/c", "stale");
  people_.QueueAnswer(IDYES);  // the first level exists
  people_.QueueDialog(2);      // すべてを上書き
  EXPECT_EQ(dlg_.RunCopy(), 1);
  EXPECT_EQ(people_.Calls().size(), 2u);
  EXPECT_EQ(people_.Calls()[1].dialogName, "CMessageBox_OW_dlg");
  EXPECT_EQ(ReadFile(At("out/20261206_04/NEW/棚/a")), "new a");
  EXPECT_EQ(ReadFile(At("out/20261206_04/OLD/棚/a")), "old a");
  EXPECT_EQ(ReadFile(dir_ / "out/20261206_04/OLD/b"), "old b");
  EXPECT_FALSE(fs::exists(dir_ / "out/20261206_04/NEW/b"));
  EXPECT_EQ(ReadFile(dir_ / "out/20261206_04/OLD/c"), "old c");
}

TEST_F(ExtractTest, AMissingCopyStopsTheRunAtOnce) {
  Item("a", "new a", "old a");
  Item("b", "new b", nullptr)->m_nExist = 3;  // its OLD copy has gone
  Item("c", "new c", "old c");
  fs::create_directories(dir_ / "out");
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(dlg_.RunCopy(), 0);
  EXPECT_EQ(Texts().back(), "T:\\src\\old\\b\n\n上記ファイル(OLD)が存在しません。");
  EXPECT_TRUE(fs::exists(dir_ / "out/20261206_04/OLD/a"));
  EXPECT_TRUE(fs::exists(dir_ / "out/20261206_04/NEW/b"));
  EXPECT_FALSE(fs::exists(dir_ / "out/20261206_04/NEW/c"));
  EXPECT_FALSE(fs::exists(dir_ / "out/20261206_04/DeleteEmptyDirectory.bat"));
}

TEST_F(ExtractTest, AnyFailedCopyEndsAbnormallyEvenWhenTheLastOneWorked) {
  Item("a", "new a", "old a");
  Item("b", "new b", "old b");
  WriteFile(dir_ / "out/20261206_04/NEW/a", "keep");
  people_.QueueAnswer(IDYES);  // the first level exists
  people_.QueueDialog(3);  // いいえ: the NEW copy of a is not overwritten
  EXPECT_EQ(dlg_.RunCopy(), 0);
  // The walk went on (a's OLD copy was its last, and it worked).
  EXPECT_EQ(ReadFile(dir_ / "out/20261206_04/NEW/a"), "keep");
  EXPECT_EQ(ReadFile(dir_ / "out/20261206_04/OLD/a"), "old a");
  EXPECT_EQ(ReadFile(dir_ / "out/20261206_04/NEW/b"), "new b");
}

TEST_F(ExtractTest, FolderItemsAndNamesLeavingTheirFolderAreRefusedBeforeAnythingIsMade) {
  Item("a", "new a", "old a");
  fs::create_directories(At("src/old/棚/映画/VIDEO_TS"));
  Item("棚\\映画", nullptr, nullptr)->m_nExist = 2;
  Item("..\\..\\escape", nullptr, nullptr)->m_nExist = 2;
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(dlg_.RunCopy(), CFORMDLG::kCopyRefused);
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0],
            "次の項目は名称に「..」、先頭の「\\」、またはドライブ名が含まれているため、抽出コピーできません。\n"
            "..\\..\\escape\n\n"
            "次の項目はフォルダ（DVDフォルダ）のため、抽出コピーできません。フォルダは何も作成していません。\n"
            "T:\\src\\old\\棚\\映画");
  EXPECT_FALSE(fs::exists(dir_ / "out"));
}

TEST_F(ExtractTest, TheDialogCopiesItsOwnListOfRecords) {
  Item("a", "new a", "old a");
  dlg_.TakeRecords();
  // The list the dialog was given is refilled meanwhile.
  CObList emptied;
  dlg_.m_pRecords = &emptied;
  fs::create_directories(dir_ / "out");
  EXPECT_EQ(dlg_.RunCopy(), 1);
  EXPECT_EQ(ReadFile(dir_ / "out/20261206_04/NEW/a"), "new a");
}

TEST_F(ExtractTest, ListModeCopiesNoNewSide) {
  theApp.m_nAppMode = 1;
  Item("a", "new a", "old a");
  fs::create_directories(dir_ / "out");
  EXPECT_EQ(dlg_.RunCopy(), 1);
  EXPECT_EQ(ReadFile(dir_ / "out/20261206_04/OLD/a"), "old a");
  EXPECT_FALSE(fs::exists(dir_ / "out/20261206_04/NEW/a"));
}

}  // namespace
