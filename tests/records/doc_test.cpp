// The document: new contents, open, save, close and the hand-over to the
// main frame, against real files.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "app/ZEKApp.h"
#include "platform/os/system.h"
#include "records/Archive.h"
#include "records/Comment.h"
#include "records/EnvLabel.h"
#include "records/FileInfo.h"
#include "records/ZEKDoc.h"
#include "ui/MainFrm.h"
#include "support/drives.h"
#include "support/scripted_people.h"
#include "support/testutil.h"
#include "support/unprivileged.h"

namespace fs = std::filesystem;

namespace {

constexpr char kBadFormat[] = "予期しないファイル形式です。";


CZEKEnv_Label* EntryAt(CZEKDoc& doc, int index) {
  POSITION pos = doc.m_listEntries.FindIndex(index);
  return pos ? static_cast<CZEKEnv_Label*>(doc.m_listEntries.GetAt(pos)) : nullptr;
}

// Gives the entry `n` merge records named "dir\<i>" whose comment indexes
// are `commentIndex` (or i when it is negative).
void AddRecords(CZEKEnv_Label& entry, int n, int commentIndex = -1) {
  entry.FreeRecords();
  entry.m_pRecordList = new CObList;
  entry.m_pTotals = new CZEKMergeSRCInfo;
  for (int i = 0; i < n; ++i) {
    auto* record = new CZEKMergeFileInfo;
    record->m_Old.m_nExists = 1;
    record->m_Old.m_strName.Format("dir\\%d", i);
    record->m_New.m_strName = record->m_Old.m_strName;
    record->m_nType = 2;
    record->m_nExist = 2;
    record->m_nCommentIndex = commentIndex < 0 ? i : commentIndex;
    entry.m_pRecordList->AddTail(record);
  }
  entry.m_nRecordCount = n;
  entry.m_nState = 1;
}

void AddComments(CZEKDoc& doc, std::initializer_list<const char*> keys) {
  for (const char* key : keys) {
    doc.m_Comment.AddNew();
    CComment_Data_Obj* element = doc.m_Comment.GetAt(doc.m_Comment.GetCount() - 1);
    element->SetKey(key);
    element->m_strComment = CString("comment of ") + key;
  }
}

class DocTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedInitialized_ = theApp.m_bInitialized;
    savedAppMode_ = theApp.m_nAppMode;
    theApp.m_bInitialized = FALSE;
  }
  void TearDown() override {
    theApp.m_bInitialized = savedInitialized_;
    theApp.m_nAppMode = savedAppMode_;
  }
  // Saves without a question; the document takes no new name.
  static void Save(CZEKDoc& doc, const char* path) { ASSERT_TRUE(doc.OnSaveDocument(path)); }

  qvtest::TempDir tmp_;
  qvtest::DriveT drive_{tmp_};
  qvtest::ScriptedPeople people_;
  // The main frame's record of the shown entry (no window: what the
  // document writes into it is all these tests look at).
  CMainFrame frame_;
  BOOL savedInitialized_ = FALSE;
  int savedAppMode_ = 0;
};

TEST_F(DocTest, NewDocumentHoldsOneUnnamedEntry) {
  theApp.m_bFileInfoCreated = TRUE;
  theApp.m_strFilterNameLoaded = "Quarvex";
  theApp.m_strFilterName = "other";
  auto doc = std::make_unique<CZEKDoc>();
  EXPECT_EQ(theApp.m_pCurrentDoc, doc.get());
  EXPECT_EQ(GetCurrentCommentTable(), &doc->m_Comment);
  EXPECT_FALSE(theApp.m_bFileInfoCreated);
  EXPECT_EQ(theApp.m_strFilterName, "Quarvex");

  auto check = [&] {
    ASSERT_EQ(doc->m_listEntries.GetCount(), 1);
    CZEKEnv_Label* entry = EntryAt(*doc, 0);
    EXPECT_EQ(doc->m_pCurrentEntry, entry);
    EXPECT_EQ(entry->m_strName, "名称未設定");
    EXPECT_EQ(entry->m_nId, 1);
    EXPECT_EQ(entry->m_nState, 0);
    EXPECT_EQ(entry->m_pRecordList, nullptr);
    EXPECT_EQ(entry->m_listFilterLines.GetCount(), 0);
    EXPECT_EQ(doc->m_nCurrentId, 1);
    EXPECT_EQ(doc->m_nViewCode, 3074);
    EXPECT_EQ(doc->m_Comment.GetCount(), 0);
    EXPECT_EQ(doc->m_Header.m_nMode, 1);
    EXPECT_EQ(doc->m_Header.m_dwMagic, 0x19571212u);
  };
  check();

  // New on a used document gives the same contents again.
  AddComments(*doc, {"a", "b"});
  doc->m_listEntries.AddTail(new CZEKEnv_Label);
  AddRecords(*doc->m_pCurrentEntry, 3);
  doc->SetModifiedFlag(TRUE);
  theApp.m_bFileInfoCreated = TRUE;
  ASSERT_TRUE(doc->OnNewDocument());
  check();
  EXPECT_FALSE(doc->IsModified());
  EXPECT_FALSE(theApp.m_bFileInfoCreated);

  doc.reset();
  EXPECT_EQ(theApp.m_pCurrentDoc, nullptr);
  EXPECT_EQ(GetCurrentCommentTable(), nullptr);
  theApp.m_strFilterNameLoaded.Empty();
  theApp.m_strFilterName.Empty();
}

TEST_F(DocTest, StoredCurrentIdPicksTheEntryOrTheLast) {
  CZEKDoc doc;
  auto* second = new CZEKEnv_Label;
  second->m_nId = 2;
  second->m_strName = "second";
  doc.m_listEntries.AddTail(second);

  doc.m_nCurrentId = 7;
  Save(doc, "T:\\seven.qvx");
  doc.m_nCurrentId = 1;
  Save(doc, "T:\\one.qvx");

  CZEKDoc reader;
  ASSERT_TRUE(reader.OnOpenDocument("T:\\seven.qvx"));
  ASSERT_EQ(reader.m_listEntries.GetCount(), 2);
  EXPECT_EQ(reader.m_pCurrentEntry, EntryAt(reader, 1));
  EXPECT_EQ(reader.m_pCurrentEntry->m_strName, "second");
  EXPECT_EQ(reader.m_nCurrentId, 2);

  ASSERT_TRUE(reader.OnOpenDocument("T:\\one.qvx"));
  EXPECT_EQ(reader.m_pCurrentEntry, EntryAt(reader, 0));
  EXPECT_EQ(reader.m_nCurrentId, 1);
  EXPECT_FALSE(reader.IsModified());

  CObList empty;
  int id = 5;
  EXPECT_EQ(CZEKDoc::FindEntryById(empty, id), nullptr);
  EXPECT_EQ(id, 5);
}

TEST_F(DocTest, OpenHandsTheEntryToTheFrameOnlyAfterStartUp) {
  CZEKDoc doc;
  doc.m_pCurrentEntry->m_nMode = 1;
  doc.m_pCurrentEntry->m_strOldPath = "D:\\Video";
  Save(doc, "T:\\plain.qvx");
  AddRecords(*doc.m_pCurrentEntry, 2);
  AddComments(doc, {"dir\\0", "dir\\1"});
  Save(doc, "T:\\records.qvx");

  CZEKDoc reader;
  ASSERT_TRUE(reader.OnOpenDocument("T:\\records.qvx"));
  EXPECT_EQ(frame_.m_pDoc, nullptr);  // the start-up shows it itself

  theApp.m_bInitialized = TRUE;
  theApp.m_nAppMode = 0;
  theApp.m_bFileInfoCreated = TRUE;
  ASSERT_TRUE(reader.OnOpenDocument("T:\\records.qvx"));
  EXPECT_EQ(frame_.m_pDoc, &reader);
  EXPECT_EQ(frame_.m_pRecordList, reader.m_pCurrentEntry->m_pRecordList);
  EXPECT_NE(frame_.m_pRecordList, nullptr);
  EXPECT_EQ(frame_.m_pTotals, reader.m_pCurrentEntry->m_pTotals);
  EXPECT_EQ(frame_.m_strOldPath, "D:\\Video");
  EXPECT_EQ(frame_.m_nMode, 1);
  EXPECT_EQ(theApp.m_nAppMode, 1);
  EXPECT_FALSE(theApp.m_bFileInfoCreated);

  // Opening the next file frees the records: the frame forgets them first.
  ASSERT_TRUE(reader.OnOpenDocument("T:\\plain.qvx"));
  EXPECT_EQ(frame_.m_pRecordList, nullptr);
  EXPECT_EQ(frame_.m_pTotals, nullptr);

  // Keeping the mode leaves the frame's and the application's mode words.
  frame_.m_nMode = 0;
  theApp.m_nAppMode = 0;
  reader.ShowCurrentEntry(TRUE);
  EXPECT_EQ(frame_.m_nMode, 0);
  EXPECT_EQ(theApp.m_nAppMode, 0);
}

TEST_F(DocTest, FreedEntriesLeaveNoReferenceBehind) {
  CZEKDoc doc;
  AddRecords(*doc.m_pCurrentEntry, 2);
  theApp.m_bInitialized = TRUE;
  doc.ShowCurrentEntry(FALSE);
  frame_.m_listShownRecords.AddTail(doc.m_pCurrentEntry->m_pRecordList->GetHead());
  theApp.m_pSelectedEntry = doc.m_pCurrentEntry;
  theApp.m_listSelectedNames.AddTail("dir\\0");
  doc.DeleteContents();
  EXPECT_EQ(frame_.m_pRecordList, nullptr);
  EXPECT_EQ(frame_.m_pTotals, nullptr);
  EXPECT_TRUE(frame_.m_listShownRecords.IsEmpty());
  EXPECT_EQ(theApp.m_pSelectedEntry, nullptr);
  EXPECT_TRUE(theApp.m_listSelectedNames.IsEmpty());
}

TEST_F(DocTest, CloseRequestsOtherThanTheFramesLeaveTheDocumentOpen) {
  auto* doc = new CZEKDoc;  // deleted by its own close
  doc->OnCloseDocument();
  ASSERT_EQ(theApp.m_pCurrentDoc, doc);
  EXPECT_EQ(doc->m_listEntries.GetCount(), 1);
  EXPECT_NE(doc->m_pCurrentEntry, nullptr);

  frame_.m_bClosing = TRUE;
  doc->OnCloseDocument();
  EXPECT_EQ(theApp.m_pCurrentDoc, nullptr);
}

TEST_F(DocTest, EveryCutOfASavedDocumentIsAFormatFailureAndTheProgramGoesOn) {
  CZEKDoc doc;
  AddComments(doc, {"dir\\0", "dir\\1"});
  AddRecords(*doc.m_pCurrentEntry, 2);
  auto* second = new CZEKEnv_Label;
  second->m_nId = 2;
  AddRecords(*second, 1, 1);
  doc.m_listEntries.AddTail(second);
  Save(doc, "T:\\full.qvx");
  const std::string full = qvtest::ReadFile(tmp_ / "full.qvx");
  ASSERT_GT(full.size(), 1000u);

  CZEKDoc reader;
  for (size_t n = 0; n < full.size(); ++n) {
    qvtest::WriteFile(tmp_ / "cut.qvx", std::string_view(full).substr(0, n));
    people_.ClearCalls();
    people_.QueueAnswer(IDOK);
    ASSERT_FALSE(reader.OnOpenDocument("T:\\cut.qvx")) << "cut at " << n;
    ASSERT_EQ(people_.Calls().size(), 1u);
    ASSERT_EQ(people_.Calls()[0].text, kBadFormat) << "cut at " << n;
    ASSERT_EQ(people_.Calls()[0].Icon(), static_cast<UINT>(MB_ICONEXCLAMATION));
    // Emptied, holding a new document's entry, modified so that the
    // framework starts a new document.
    ASSERT_EQ(reader.m_listEntries.GetCount(), 1);
    ASSERT_NE(reader.m_pCurrentEntry, nullptr);
    ASSERT_EQ(reader.m_Comment.GetCount(), 0);
    ASSERT_TRUE(reader.IsModified());
    ASSERT_TRUE(reader.OnNewDocument());
  }

  ASSERT_TRUE(reader.OnOpenDocument("T:\\full.qvx"));
  ASSERT_EQ(reader.m_listEntries.GetCount(), 2);
  EXPECT_EQ(reader.m_pCurrentEntry->m_pRecordList->GetCount(), 2);
  EXPECT_EQ(reader.m_Comment.GetCount(), 2);
}

TEST_F(DocTest, OpeningReplacesTheCommentTableSoStoredIndexesStayValid) {
  CZEKDoc a;
  AddComments(a, {"dir\\0", "dir\\1", "dir\\2"});
  AddRecords(*a.m_pCurrentEntry, 3);
  Save(a, "T:\\a.qvx");
  CZEKDoc b;
  AddComments(b, {"only"});
  AddRecords(*b.m_pCurrentEntry, 2, 0);
  Save(b, "T:\\b.qvx");

  CZEKDoc reader;
  AddComments(reader, {"left over", "from before"});
  ASSERT_TRUE(reader.OnOpenDocument("T:\\a.qvx"));
  ASSERT_EQ(reader.m_Comment.GetCount(), 3);
  POSITION pos = reader.m_pCurrentEntry->m_pRecordList->GetHeadPosition();
  for (int i = 0; pos != nullptr; ++i) {
    auto* record = static_cast<CZEKMergeFileInfo*>(reader.m_pCurrentEntry->m_pRecordList->GetNext(pos));
    EXPECT_EQ(record->m_nCommentIndex, i);
    EXPECT_EQ(reader.m_Comment.GetAt(record->m_nCommentIndex)->m_strKey, record->m_Old.m_strName);
  }

  ASSERT_TRUE(reader.OnOpenDocument("T:\\b.qvx"));
  ASSERT_EQ(reader.m_Comment.GetCount(), 1);
  EXPECT_EQ(reader.m_Comment.GetAt(0)->m_strComment, "comment of only");
}

TEST_F(DocTest, DamagedIndexesEmptyFilesAndEmptyEntryListsAreFormatFailures) {
  CZEKDoc doc;
  AddComments(doc, {"one"});
  AddRecords(*doc.m_pCurrentEntry, 2, 5);  // index 5 of a table of one
  {
    CArchive ar;
    doc.Serialize(ar);
    const auto& v = ar.GetStoredData();
    qvtest::WriteFile(tmp_ / "index.qvx", std::string_view(reinterpret_cast<const char*>(v.data()), v.size()));
  }
  qvtest::WriteFile(tmp_ / "empty.qvx", "");

  // A document whose entry list holds nothing: header, count 0, current id,
  // view code, empty comment table.
  doc.DeleteContents();
  people_.QueueAnswer(IDOK);
  EXPECT_FALSE(doc.OnSaveDocument("T:\\none.qvx"));  // not written: it could not be read back
  EXPECT_EQ(people_.Calls().back().text, "ドキュメントの保存に失敗しました。");
  EXPECT_FALSE(fs::exists(tmp_ / "none.qvx"));
  std::string header;
  {
    CArchive ar;
    doc.m_Header.Serialize(ar);
    const auto& v = ar.GetStoredData();
    header.assign(reinterpret_cast<const char*>(v.data()), v.size());
  }
  qvtest::WriteFile(tmp_ / "none.qvx", header + std::string("\0\0\1\0\0\0\x02\x0C\0\0\0\0\0\0", 14));

  CZEKDoc reader;
  reader.m_pCurrentEntry->m_strName = "kept";
  for (const char* path : {"T:\\index.qvx", "T:\\empty.qvx", "T:\\none.qvx"}) {
    people_.QueueAnswer(IDOK);
    EXPECT_FALSE(reader.OnOpenDocument(path)) << path;
    EXPECT_EQ(people_.Calls().back().text, kBadFormat) << path;
    ASSERT_NE(reader.m_pCurrentEntry, nullptr);
    EXPECT_EQ(reader.m_pCurrentEntry->m_strName, "名称未設定");
  }
}

TEST_F(DocTest, SavingGivesRecordsWithoutACommentElementANewOne) {
  CZEKDoc doc;
  AddComments(doc, {"dir\\0", "dir\\1"});
  AddRecords(*doc.m_pCurrentEntry, 2);
  doc.m_Comment.Resize(1);  // the element of the second record is gone
  Save(doc, "T:\\repaired.qvx");

  CZEKDoc reader;
  ASSERT_TRUE(reader.OnOpenDocument("T:\\repaired.qvx"));
  ASSERT_EQ(reader.m_Comment.GetCount(), 2);
  auto* second = static_cast<CZEKMergeFileInfo*>(reader.m_pCurrentEntry->m_pRecordList->GetTail());
  EXPECT_EQ(second->m_nCommentIndex, 1);
  EXPECT_EQ(reader.m_Comment.GetAt(1)->m_strComment, "");
  EXPECT_EQ(reader.m_Comment.GetAt(0)->m_strComment, "comment of dir\\0");
}

TEST_F(DocTest, FileThatCannotBeOpenedLeavesTheDocumentUntouched) {
  CZEKDoc doc;
  doc.m_pCurrentEntry->m_strName = "mine";
  AddComments(doc, {"x"});
  doc.SetModifiedFlag(TRUE);
  people_.QueueAnswer(IDOK);
  EXPECT_FALSE(doc.OnOpenDocument("T:\\missing.qvx"));
  EXPECT_EQ(people_.Calls().back().text, "T:\\missing.qvx が見つかりませんでした。");
  EXPECT_EQ(doc.m_pCurrentEntry->m_strName, "mine");
  EXPECT_EQ(doc.m_Comment.GetCount(), 1);
  EXPECT_TRUE(doc.IsModified());
}

TEST_F(DocTest, FailedSaveLeavesTheOldFileByteForByteAndTheDocumentAsItIs) {
  fs::create_directories(tmp_ / "ro");
  CZEKDoc doc;
  AddRecords(*doc.m_pCurrentEntry, 2);
  AddComments(doc, {"dir\\0", "dir\\1"});
  Save(doc, "T:\\ro\\doc.qvx");
  const std::string old = qvtest::ReadFile(tmp_ / "ro/doc.qvx");
  ASSERT_EQ(chmod(tmp_.path().c_str(), 0755), 0);
  if (geteuid() == 0) {
    ASSERT_EQ(chown((tmp_ / "ro/doc.qvx").c_str(), 65534, 65534), 0);
  }
  ASSERT_EQ(chmod((tmp_ / "ro").c_str(), 0555), 0);

  AddRecords(*doc.m_pCurrentEntry, 500);
  const int code = qvtest::RunUnprivileged([&] {
    qv::ScriptedPeople people;
    qv::SetPeople(&people);
    people.QueueAnswer(IDOK);
    doc.SetModifiedFlag(TRUE);
    if (doc.OnSaveDocument("T:\\ro\\doc.qvx")) return 1;
    if (people.Calls().size() != 1) return 2;
    if (people.Calls()[0].text != "T:\\ro\\doc.qvx へのアクセスは拒否されました。") return 3;
    if (people.Calls()[0].Icon() != MB_ICONEXCLAMATION) return 4;
    if (!doc.IsModified() || doc.m_pCurrentEntry->m_pRecordList->GetCount() != 500) return 5;
    return 0;
  });
  EXPECT_EQ(code, 0);
  chmod((tmp_ / "ro").c_str(), 0755);
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "ro/doc.qvx"), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(tmp_ / "ro"), fs::directory_iterator()), 1);
}

// Under a file-size limit (`ulimit -f`) a large save fails as on a full
// disk: the program goes on, says so, and keeps the old file and the work.
TEST_F(DocTest, SaveBeyondTheFileSizeLimitSaysTheDiskIsFullAndKeepsTheOldFile) {
  CZEKDoc doc;
  AddRecords(*doc.m_pCurrentEntry, 2);
  AddComments(doc, {"dir\\0", "dir\\1"});
  Save(doc, "T:\\doc.qvx");
  const std::string old = qvtest::ReadFile(tmp_ / "doc.qvx");

  AddRecords(*doc.m_pCurrentEntry, 5000);  // some hundred kilobytes
  const pid_t pid = fork();
  if (pid == 0) {
    // As the program's start-up prepares its process.
    qv::PrepareProcess();
    struct rlimit none {0, 0}, limit {64 * 1024, 64 * 1024};
    setrlimit(RLIMIT_CORE, &none);
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(90);
    qv::ScriptedPeople people;
    qv::SetPeople(&people);
    people.QueueAnswer(IDOK);
    doc.SetModifiedFlag(TRUE);
    if (doc.OnSaveDocument("T:\\doc.qvx")) _exit(1);
    if (people.Calls().size() != 1) _exit(2);
    if (people.Calls()[0].text != "T:\\doc.qvx へのアクセス中にディスクがいっぱいになりました。") _exit(3);
    if (!doc.IsModified() || doc.m_pCurrentEntry->m_pRecordList->GetCount() != 5000) _exit(4);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "doc.qvx"), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(tmp_.path()), fs::directory_iterator()), 1);
}

// A save never holds the whole document: the bytes reach the file in
// pieces of the archive's buffer as they are made, the same bytes a whole
// archive in memory holds; and when the file fails, the contents stop.
class StreamDoc : public CZEKDoc {
 public:
  using CZEKDoc::StoreContents;
};

TEST_F(DocTest, SavingHandsTheBytesOverInPiecesAsTheyAreMade) {
  StreamDoc doc;
  AddRecords(*doc.m_pCurrentEntry, 3000);
  std::string pieces;
  size_t calls = 0, largest = 0;
  CString error;
  ASSERT_TRUE(doc.StoreContents(
      [&](const void* p, size_t n) {
        ++calls;
        largest = std::max(largest, n);
        pieces.append(static_cast<const char*>(p), n);
        return true;
      },
      error));
  EXPECT_GT(calls, 2u);
  EXPECT_LE(largest, 64u * 1024u);
  // The same bytes as a whole archive in memory (the header's save time
  // aside, which both write in the same place), and they read back.
  {
    CArchive ar;
    doc.Serialize(ar);
    EXPECT_EQ(ar.GetStoredData().size(), pieces.size());
  }
  CZEKDoc reread;
  const fs::path file = tmp_ / "pieces.qvx";
  qvtest::WriteFile(file, pieces);
  ASSERT_TRUE(reread.OnOpenDocument("T:\\pieces.qvx"));
  EXPECT_EQ(reread.m_pCurrentEntry->m_pRecordList->GetCount(), 3000);

  calls = 0;
  EXPECT_FALSE(doc.StoreContents(
      [&](const void*, size_t) {
        ++calls;
        return false;
      },
      error));
  EXPECT_EQ(calls, 1u);
}

TEST_F(DocTest, SaveAsWithModeStoresTheFramesModeAndAsksForAName) {
  CZEKDoc doc;
  doc.m_pCurrentEntry->m_nMode = 0;
  doc.ShowCurrentEntry(FALSE);
  frame_.m_nMode = 1;  // the user switched to list mode
  people_.QueueFile("T:\\saved.qvx");
  doc.SetModifiedFlag(TRUE);
  ASSERT_TRUE(doc.SaveAsWithMode());
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(people_.Calls()[0].filter, "Quarvex Files (*.qvx)|*.qvx||");
  EXPECT_EQ(people_.Calls()[0].defaultExt, "qvx");
  EXPECT_EQ(doc.m_pCurrentEntry->m_nMode, 1);
  EXPECT_EQ(doc.GetPathName(), "T:\\saved.qvx");
  EXPECT_FALSE(doc.IsModified());

  CZEKDoc reader;
  ASSERT_TRUE(reader.OnOpenDocument("T:\\saved.qvx"));
  EXPECT_EQ(reader.m_pCurrentEntry->m_nMode, 1);
  WORD version[4] = {9, 9, 9, 9};
  CZEKDoc::GetDocVersion(version);
  EXPECT_EQ(version[0], 0);
  EXPECT_EQ(version[1], 1);
  EXPECT_EQ(version[2], 0);
  EXPECT_EQ(version[3], 0);
}

}  // namespace
