#include "platform/ui/document.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/os/paths.h"
#include "support/drives.h"
#include "support/scripted_people.h"
#include "support/testutil.h"

namespace fs = std::filesystem;

namespace {

// A document whose contents are the bytes of its file; records the steps
// the framework takes.
class TextDoc : public CDocument {
 public:
  std::string contents = "initial";
  std::vector<std::string> steps;
  CString loadError;  // non-empty: the next load fails with this text
  bool storeFails = false;

  void DeleteContents() override {
    steps.push_back("delete");
    contents.clear();
  }

 protected:
  BOOL LoadContents(const BYTE* pData, size_t nSize, CString& strError) override {
    steps.push_back(IsModified() ? "load(modified)" : "load");
    if (!loadError.IsEmpty()) {
      contents = "half";
      strError = loadError;
      return FALSE;
    }
    contents.assign(reinterpret_cast<const char*>(pData), nSize);
    return TRUE;
  }
  BOOL StoreContents(const ContentWriter& write, CString& strError) override {
    steps.push_back("store");
    if (storeFails) {
      strError = "cannot store";
      return FALSE;
    }
    write(contents.data(), contents.size());
    return TRUE;
  }
  CString GetFileFailureText(const qv::FileResult& failure, LPCSTR lpszPathName, BOOL bSaving) override {
    CString text;
    text.Format("%s: cause %d, %s", bSaving ? "save" : "open", static_cast<int>(failure.cause), lpszPathName);
    return text;
  }
};

class DocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    doc_.m_bAutoDelete = FALSE;
    doc_.SetFileType("Quarvex Files (*.qvx)", ".qvx");
  }
  qvtest::TempDir tmp_;
  qvtest::DriveT drive_{tmp_};
  qvtest::ScriptedPeople people_;
  TextDoc doc_;
};

TEST_F(DocumentTest, OpenReadsFirstThenEmptiesAndLoadsWhileMarkedModified) {
  qvtest::WriteFile(tmp_ / "a.qvx", std::string("A\0B", 3));
  ASSERT_TRUE(doc_.OnOpenDocument("T:\\a.qvx"));
  EXPECT_EQ(doc_.steps, (std::vector<std::string>{"delete", "load(modified)"}));
  EXPECT_EQ(doc_.contents, std::string("A\0B", 3));
  EXPECT_FALSE(doc_.IsModified());

  // An empty file is handed over like any other.
  qvtest::WriteFile(tmp_ / "empty.qvx", "");
  doc_.steps.clear();
  ASSERT_TRUE(doc_.OnOpenDocument("T:\\empty.qvx"));
  EXPECT_EQ(doc_.steps, (std::vector<std::string>{"delete", "load(modified)"}));
  EXPECT_TRUE(people_.Calls().empty());
}

TEST_F(DocumentTest, UnreadableFileIsReportedAndLeavesTheDocumentAsItWas) {
  doc_.SetModifiedFlag(FALSE);
  people_.QueueAnswer(IDOK);
  EXPECT_FALSE(doc_.OnOpenDocument("T:\\missing.qvx"));
  EXPECT_TRUE(doc_.steps.empty());
  EXPECT_EQ(doc_.contents, "initial");
  EXPECT_FALSE(doc_.IsModified());
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(people_.Calls()[0].text, "open: cause 1, T:\\missing.qvx");
  EXPECT_EQ(people_.Calls()[0].type, MB_OK | MB_ICONEXCLAMATION);
}

TEST_F(DocumentTest, FailedLoadIsReportedAfterTheDocumentWasEmptiedAndStaysModified) {
  qvtest::WriteFile(tmp_ / "bad.qvx", "xx");
  doc_.loadError = "bad format";
  people_.QueueAnswer(IDOK);
  EXPECT_FALSE(doc_.OnOpenDocument("T:\\bad.qvx"));
  EXPECT_EQ(doc_.steps, (std::vector<std::string>{"delete", "load(modified)", "delete"}));
  EXPECT_EQ(doc_.contents, "");
  // Modified: the framework goes on with a new document.
  EXPECT_TRUE(doc_.IsModified());
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(people_.Calls()[0].text, "bad format");
  EXPECT_EQ(people_.Calls()[0].Icon(), static_cast<UINT>(MB_ICONEXCLAMATION));

  EXPECT_TRUE(doc_.OnNewDocument());
  EXPECT_FALSE(doc_.IsModified());
  EXPECT_TRUE(doc_.GetPathName().IsEmpty());
}

TEST_F(DocumentTest, SaveAsAsksWithTheFileTypeAndTakesTheNewName) {
  fs::create_directories(tmp_ / "docs");
  doc_.SetPathName("T:\\docs\\old.qvx");
  EXPECT_EQ(doc_.GetTitle(), "old.qvx");
  doc_.SetModifiedFlag(TRUE);
  people_.QueueFile("T:\\docs\\new.qvx");
  ASSERT_TRUE(doc_.DoSave(nullptr));
  ASSERT_EQ(people_.Calls().size(), 1u);
  const auto& call = people_.Calls()[0];
  EXPECT_FALSE(call.open);
  EXPECT_EQ(call.filter, "Quarvex Files (*.qvx)|*.qvx||");
  EXPECT_EQ(call.defaultExt, "qvx");
  EXPECT_EQ(call.initialPath, "T:\\docs");
  EXPECT_EQ(call.fileName, "old.qvx");
  EXPECT_EQ(call.flags, OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT);
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "docs/new.qvx"), "initial");
  EXPECT_EQ(doc_.GetPathName(), "T:\\docs\\new.qvx");
  EXPECT_EQ(doc_.GetTitle(), "new.qvx");
  EXPECT_FALSE(doc_.IsModified());

  // Cancelled: nothing written, still modified.
  doc_.SetModifiedFlag(TRUE);
  people_.QueueFileCancel();
  EXPECT_FALSE(doc_.DoSave(""));
  EXPECT_TRUE(doc_.IsModified());
  EXPECT_EQ(doc_.steps, std::vector<std::string>{"store"});
}

TEST_F(DocumentTest, UntitledDocumentProposesItsTitleWithTheExtension) {
  doc_.SetTitle("無題");
  people_.QueueFileCancel();
  EXPECT_FALSE(doc_.DoSave(nullptr));
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(people_.Calls()[0].fileName, "無題.qvx");
  EXPECT_EQ(people_.Calls()[0].initialPath, "");
}

TEST_F(DocumentTest, FailedSaveAsNeverRemovesOrChangesTheChosenFile) {
  qvtest::WriteFile(tmp_ / "keep.qvx", "precious");
  doc_.storeFails = true;
  people_.QueueFile("T:\\keep.qvx");
  people_.QueueAnswer(IDOK);
  EXPECT_FALSE(doc_.DoSave(nullptr));
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "keep.qvx"), "precious");
  ASSERT_EQ(people_.Calls().size(), 2u);
  EXPECT_EQ(people_.Calls()[1].text, "cannot store");
  EXPECT_TRUE(doc_.GetPathName().IsEmpty());

  // A folder where the file should be: the file failure text.
  fs::create_directories(tmp_ / "dir.qvx");
  doc_.storeFails = false;
  people_.QueueAnswer(IDOK);
  EXPECT_FALSE(doc_.DoSave("T:\\dir.qvx"));
  ASSERT_EQ(people_.Calls().size(), 3u);
  EXPECT_EQ(people_.Calls()[2].text, "save: cause 2, T:\\dir.qvx");
  EXPECT_TRUE(fs::is_directory(tmp_ / "dir.qvx"));
}

TEST_F(DocumentTest, TitleIsTheNameAfterTheLastSeparatorNotATrailByte) {
  doc_.SetPathName("T:\\表\\a.qvx");  // 表 ends in the byte 0x5C
  EXPECT_EQ(doc_.GetTitle(), "a.qvx");
  doc_.SetPathName("T:\\dir\\表.qvx");
  EXPECT_EQ(doc_.GetTitle(), "表.qvx");
  doc_.SetPathName("plain.qvx");
  EXPECT_EQ(doc_.GetTitle(), "plain.qvx");
}

TEST(DocumentClose, CloseEmptiesAndDeletesAnAutoDeleteDocument) {
  auto* doc = new TextDoc;
  ASSERT_TRUE(doc->m_bAutoDelete);
  doc->OnCloseDocument();  // deleted here; the sanitizer build sees a leak otherwise

  TextDoc kept;
  kept.m_bAutoDelete = FALSE;
  kept.OnCloseDocument();
  EXPECT_EQ(kept.steps, std::vector<std::string>{"delete"});
}

}  // namespace
