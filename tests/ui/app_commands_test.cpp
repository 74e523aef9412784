// The application's life as a person lives it: start-up and its failures,
// new, open, save, the recent files, exit, and the DDE path commands that
// reach the main frame.
#include <gtest/gtest.h>

#include "support/app_fixture.h"

#include "platform/ui/ddeml.h"
#include "records/Comment.h"
#include "records/FileInfo.h"
#include "res/resource.h"
#include "ui/DdeAnswers.h"
#include "ui/OperationForm.h"
#include "ui/SourceForm.h"

namespace fs = std::filesystem;

namespace {

using qvtest::Cp;
using qvtest::U8;
using qvtest::ui::Pump;

class AppCommandsTest : public qvtest::AppTest {
 protected:
  CZEKDoc* Doc() const { return theApp.m_pCurrentDoc; }
  CZEKEnv_Label* Entry() const { return Doc() ? Doc()->m_pCurrentEntry : nullptr; }

  // Runs `use` on a document of its own; a document makes itself the
  // current one, so what the program had current is put back afterwards.
  template <typename F>
  static void WithScratchDocument(F use) {
    CZEKDoc* current = theApp.m_pCurrentDoc;
    CComment_Obj* table = GetCurrentCommentTable();
    const CString filter = theApp.m_strFilterName;
    const BOOL created = theApp.m_bFileInfoCreated;
    {
      CZEKDoc doc;
      use(doc);
    }
    theApp.m_pCurrentDoc = current;
    SetCurrentCommentTable(table);
    theApp.m_strFilterName = filter;
    theApp.m_bFileInfoCreated = created;
  }

  // A catalogue on disk with `n` records in its entry.
  void WriteCatalogue(const char* winPath, int n, const char* comment) {
    WithScratchDocument([&](CZEKDoc& doc) { WriteCatalogueWith(doc, winPath, n, comment); });
  }
  static void WriteCatalogueWith(CZEKDoc& doc, const char* winPath, int n, const char* comment) {
    CZEKEnv_Label& e = *doc.m_pCurrentEntry;
    e.m_pRecordList = new CObList;
    e.m_pTotals = new CZEKMergeSRCInfo;
    for (int i = 0; i < n; ++i) {
      auto* r = new CZEKMergeFileInfo;
      r->m_Old.m_nExists = 1;
      r->m_Old.m_strName.Format("disk\\title%d", i);
      r->m_New.m_strName = r->m_Old.m_strName;
      r->m_nType = 1;
      r->m_nExist = 2;
      r->m_nCommentIndex = i;
      e.m_pRecordList->AddTail(r);
      doc.m_Comment.AddNew();
      doc.m_Comment.GetAt(i)->SetKey(r->m_Old.m_strName);
    }
    e.m_nRecordCount = n;
    e.m_nState = 1;
    e.m_nMode = 1;
    e.m_strComment = comment;
    ASSERT_TRUE(doc.OnSaveDocument(winPath));
  }

  // A DDE command: the 16-byte keyword field, then the path.
  LRESULT Dde(const std::string& keyword16, const std::string& path) {
    std::string data = keyword16 + path;
    data.resize(4097, '\0');
    return Frame()->SendMessage(WM_DDE_PATH_COMMAND, 0, reinterpret_cast<LPARAM>(data.data()));
  }
};

TEST_F(AppCommandsTest, NewOnAModifiedCatalogueAsksFirst) {
  ASSERT_TRUE(Start());
  WriteCatalogue("T:\\kept.qvx", 3, "disk one");
  people_.QueueFile("T:\\kept.qvx");
  Frame()->ExecuteMenuCommand(ID_FILE_OPEN);
  Pump();
  ASSERT_NE(Entry(), nullptr);
  ASSERT_NE(Entry()->m_pRecordList, nullptr);
  EXPECT_EQ(Frame()->m_nLayout, WM_SHOW_FILE_VIEW);
  Entry()->m_strComment = "disk one, edited";
  Doc()->SetModifiedFlag(TRUE);
  const std::string before = qvtest::ReadFile(tmp_ / "kept.qvx");

  // Cancel: nothing changes, the records stay shown.
  people_.QueueAnswer(IDCANCEL);
  Frame()->ExecuteMenuCommand(ID_FILE_NEW);
  Pump();
  ASSERT_EQ(people_.Calls().back().type & MB_TYPEMASK, static_cast<UINT>(MB_YESNOCANCEL));
  EXPECT_EQ(U8(people_.Calls().back().text), "kept.qvx への変更を保存しますか?");
  EXPECT_EQ(Entry()->m_strComment, "disk one, edited");
  EXPECT_NE(Entry()->m_pRecordList, nullptr);
  EXPECT_EQ(Frame()->m_pRecordList, Entry()->m_pRecordList);
  EXPECT_TRUE(Doc()->IsModified());
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "kept.qvx"), before);

  // Yes: the edited catalogue (not an empty one) is saved, then a new one.
  people_.QueueAnswer(IDYES);
  Frame()->ExecuteMenuCommand(ID_FILE_NEW);
  Pump();
  WithScratchDocument([](CZEKDoc& reread) {
    ASSERT_TRUE(reread.OnOpenDocument("T:\\kept.qvx"));
    EXPECT_EQ(reread.m_pCurrentEntry->m_strComment, "disk one, edited");
    ASSERT_NE(reread.m_pCurrentEntry->m_pRecordList, nullptr);
    EXPECT_EQ(reread.m_pCurrentEntry->m_pRecordList->GetCount(), 3);
  });
  EXPECT_EQ(Entry()->m_pRecordList, nullptr);
  EXPECT_EQ(Frame()->m_pRecordList, nullptr);
  EXPECT_EQ(Frame()->m_nLayout, WM_SHOW_OPERATION_VIEW);
  EXPECT_TRUE(Doc()->GetPathName().IsEmpty());

  // No: the changes go, the file stays as saved.
  const std::string saved = qvtest::ReadFile(tmp_ / "kept.qvx");
  Entry()->m_strComment = "thrown away";
  Doc()->SetModifiedFlag(TRUE);
  people_.QueueAnswer(IDNO);
  Frame()->ExecuteMenuCommand(ID_FILE_NEW);
  Pump();
  EXPECT_NE(Entry()->m_strComment, "thrown away");
  EXPECT_FALSE(Doc()->IsModified());
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "kept.qvx"), saved);
}

TEST_F(AppCommandsTest, OpenShowsTheRightViewAndAFailedOpenIsAFailure) {
  ASSERT_TRUE(Start());
  WriteCatalogue("T:\\good.qvx", 2, "good");
  qvtest::WriteFile(tmp_ / "bad.qvx", "this is no catalogue");

  // A catalogue with records shows the file view; its name reaches the
  // recent files.
  people_.QueueFile("T:\\good.qvx");
  theApp.OnFileOpen();
  Pump();
  EXPECT_EQ(Frame()->m_nLayout, WM_SHOW_FILE_VIEW);
  ASSERT_FALSE(theApp.GetRecentFiles().empty());
  EXPECT_EQ(theApp.GetRecentFiles().front(), "T:\\good.qvx");

  // A damaged file: the message, a null result, no recent-file entry, and
  // nothing left pointing at the records that went.
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(theApp.OpenDocumentFile("T:\\bad.qvx"), nullptr);
  Pump();
  EXPECT_EQ(people_.Calls().back().Icon(), static_cast<UINT>(MB_ICONEXCLAMATION));
  EXPECT_EQ(theApp.GetRecentFiles().front(), "T:\\good.qvx");
  EXPECT_EQ(Frame()->m_pRecordList, nullptr);
  EXPECT_TRUE(Frame()->m_listShownRecords.IsEmpty());
  ASSERT_NE(Doc(), nullptr);
  ASSERT_NE(Entry(), nullptr);

  // A recent file that went away leaves the list when it cannot be opened.
  theApp.AddToRecentFileList("T:\\gone.qvx");
  people_.QueueAnswer(IDOK);
  Frame()->SendMessage(WM_COMMAND, ID_FILE_MRU_FILE1, 0);
  Pump();
  EXPECT_EQ(theApp.GetRecentFiles().front(), "T:\\good.qvx");
}

TEST_F(AppCommandsTest, RecentFilesOutliveTheProgramAndKeepOnlyFour) {
  ASSERT_TRUE(Start());
  for (const char* name : {"T:\\a.qvx", "T:\\b.qvx", "T:\\c.qvx", "T:\\d.qvx", "T:\\e.qvx", "t:\\B.QVX"}) {
    theApp.AddToRecentFileList(name);
  }
  // The newest first; a name met again moves up instead of doubling; the
  // oldest falls off past four.
  const std::vector<CString> expected = {"t:\\B.QVX", "T:\\e.qvx", "T:\\d.qvx", "T:\\c.qvx"};
  EXPECT_EQ(theApp.GetRecentFiles(), expected);
  EXPECT_EQ(Exit(), 0);

  const std::string stored = qvtest::ReadFile(config_ / "Orvane" / "Zekora(ZEK).ini");
  EXPECT_NE(stored.find("[Recent File List]"), std::string::npos);
  EXPECT_NE(stored.find("File1=t:\\B.QVX"), std::string::npos);
  EXPECT_NE(stored.find("File4=T:\\c.qvx"), std::string::npos);
  EXPECT_EQ(stored.find("File5"), std::string::npos);

  // The next start reads them back in the same order.
  theApp.AddToRecentFileList("T:\\other.qvx");
  theApp.LoadStdProfileSettings(4);
  EXPECT_EQ(theApp.GetRecentFiles(), expected);
}

TEST_F(AppCommandsTest, ACatalogueNamedInLinuxFormIsOneRecentFileInDriveForm) {
  WriteCatalogue(Cp("T:\\カタログ.qvx").c_str(), 2, "named");
  const std::string linuxPath = Cp((tmp_ / "カタログ.qvx").string());
  ASSERT_TRUE(Start({linuxPath}));
  ASSERT_NE(Doc(), nullptr);
  EXPECT_EQ(U8(Doc()->GetPathName().View()), "T:\\カタログ.qvx");
  EXPECT_EQ(qvtest::ui::ShownText(Frame()).rfind("カタログ.qvx - ", 0), 0u);
  const std::vector<CString> one = {Cp("T:\\カタログ.qvx").c_str()};
  EXPECT_EQ(theApp.GetRecentFiles(), one);

  // The same file from the file dialog: still one entry.
  people_.QueueFile(Cp("T:\\カタログ.qvx"));
  theApp.OnFileOpen();
  Pump();
  EXPECT_EQ(theApp.GetRecentFiles(), one);

  // An entry stored in Linux form by an earlier start reads in drive form.
  EXPECT_EQ(Exit(), 0);
  const fs::path stored = config_ / "Orvane" / "Zekora(ZEK).ini";
  qvtest::WriteFile(stored, "[Recent File List]\r\nFile1=" + (tmp_ / "old.qvx").string() + "\r\n");
  theApp.LoadStdProfileSettings(4);
  const std::vector<CString> old = {"T:\\old.qvx"};
  EXPECT_EQ(theApp.GetRecentFiles(), old);
}

TEST_F(AppCommandsTest, SaveAsksForANameAndReturnsToTheProgramFolder) {
  ASSERT_TRUE(Start());
  fs::create_directories(tmp_ / "extract");
  theApp.m_strExtractPath = "T:\\extract";
  people_.QueueFile("T:\\saved.qvx");
  Frame()->ExecuteMenuCommand(ID_FILE_SAVE);
  ASSERT_EQ(people_.Calls().size(), 1u);
  // The dialog opened in the extraction folder; afterwards the current
  // folder is the program folder again.
  EXPECT_TRUE(fs::exists(tmp_ / "saved.qvx"));
  char cwd[1024];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(fs::path(cwd), program_);
  // Save as asks too.
  people_.QueueFileCancel();
  Frame()->ExecuteMenuCommand(ID_FILE_SAVE_AS);
  EXPECT_EQ(people_.Calls().size(), 2u);
}

TEST_F(AppCommandsTest, ClosingAsksAboutChangesAndCancelKeepsTheWindow) {
  ASSERT_TRUE(Start());
  Doc()->SetModifiedFlag(TRUE);
  people_.QueueAnswer(IDCANCEL);
  Frame()->SendMessage(WM_CLOSE);
  Pump();
  ASSERT_NE(Frame(), nullptr);
  EXPECT_TRUE(Frame()->m_bClosing);  // set for good, as it always was

  people_.QueueAnswer(IDNO);
  Frame()->SendMessage(WM_CLOSE);
  Pump();
  EXPECT_EQ(AfxGetMainWnd(), nullptr);
  EXPECT_EQ(theApp.m_pCurrentDoc, nullptr);
  // The exit writes the settings kept across runs.
  const std::string before = ReadIni();
  theApp.m_strCmdExcel = "C:\\viewer";
  Exit();
  EXPECT_NE(ReadIni(), before);
  EXPECT_NE(ReadIni().find("Command_Excel=C:\\viewer"), std::string::npos);
}

TEST_F(AppCommandsTest, StartUpFailuresLeaveNoWindowAndNoSettingsWritten) {
  // The settings file missing: the installation message, no window.
  std::error_code ec;
  fs::remove(program_ / "Quarvex.ini", ec);
  people_.QueueAnswer(IDOK);
  EXPECT_TRUE(Start());
  EXPECT_EQ(AfxGetMainWnd(), nullptr);
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_NE(U8(people_.Calls()[0].text).find("Quarvex.ini"), std::string::npos);
  Exit();
  EXPECT_FALSE(fs::exists(program_ / "Quarvex.ini"));
}

TEST_F(AppCommandsTest, AProfileNameThatNamesNoProfileStopsTheStart) {
  // A composite profile whose part names no profile.
  WritePrivateProfileStringA("Quarvex", "Extension_Kind_002", "Quarvex,Missing", (program_ / "Quarvex.ini").c_str());
  const std::string before = ReadIni();
  people_.QueueAnswer(IDOK);
  EXPECT_TRUE(Start());
  EXPECT_EQ(AfxGetMainWnd(), nullptr);
  ASSERT_FALSE(people_.Calls().empty());
  EXPECT_NE(U8(people_.Calls().back().text).find("Missing"), std::string::npos);
  Exit();
  EXPECT_EQ(ReadIni(), before);
}

TEST_F(AppCommandsTest, ADamagedDocumentOnTheCommandLineEndsTheStart) {
  qvtest::WriteFile(tmp_ / "bad.qvx", "garbage");
  const std::string before = ReadIni();
  people_.QueueAnswer(IDOK);
  EXPECT_FALSE(Start({"T:\\bad.qvx"}));
  EXPECT_EQ(AfxGetMainWnd(), nullptr);
  Exit();
  EXPECT_EQ(ReadIni(), before);
}

TEST_F(AppCommandsTest, ADocumentOnTheCommandLineNamesTheWindowAndStartsInListMode) {
  WriteCatalogue("T:\\shelf.qvx", 1, "shelf");
  ASSERT_TRUE(Start({"T:\\shelf.qvx"}));
  ASSERT_NE(Frame(), nullptr);
  CString title;
  Frame()->GetWindowText(title);
  EXPECT_EQ(title, "shelf.qvx - Zekora(ZEK)");
  EXPECT_EQ(Entry()->m_nMode, 1);
  EXPECT_EQ(Frame()->m_nLayout, WM_SHOW_FILE_VIEW);
}

TEST_F(AppCommandsTest, TheDdeSwitchStartsWithADocumentAndAFrame) {
  ASSERT_TRUE(Start({"/dde"}));
  EXPECT_NE(Frame(), nullptr);
  EXPECT_NE(Doc(), nullptr);
}

TEST_F(AppCommandsTest, DdePathCommandsFillTheFieldsOfTheOperationForm) {
  ASSERT_TRUE(Start());
  theApp.m_nAppMode = 0;
  Frame()->m_nMode = 0;
  Frame()->SendMessage(WM_SHOW_OPERATION_VIEW);
  COperation_Form* form = Frame()->m_pOperationForm;
  ASSERT_NE(form, nullptr);

  EXPECT_EQ(Dde("NEW_PATH_SET    ", "T:\\new"), DDE_ANSWER_DONE);
  EXPECT_EQ(Dde("OLD_PATH_SET    ", "T:\\old"), DDE_ANSWER_DONE);
  EXPECT_EQ(Dde("DIFF_PATH_SET   ", "T:\\diff"), DDE_ANSWER_DONE);
  EXPECT_EQ(form->m_strNewPath, "T:\\new");
  EXPECT_EQ(form->m_strOldPath, "T:\\old");
  EXPECT_EQ(form->m_strDiffPath, "T:\\diff");
  CString shown;
  form->m_editOld.GetWindowText(shown);
  EXPECT_EQ(shown, "T:\\old");

  // No blank at the 16th byte: nothing matches. NUL padding: the keyword
  // matches and the path is empty.
  EXPECT_EQ(Dde("NEW_PATH_SETxxxx", "T:\\other"), DDE_ANSWER_UNKNOWN_KEYWORD);
  EXPECT_EQ(form->m_strNewPath, "T:\\new");
  EXPECT_EQ(Dde(std::string("NEW_PATH_SET\0\0\0\0", 16), "T:\\other"), DDE_ANSWER_DONE);
  EXPECT_EQ(form->m_strNewPath, "");

  // A path of 1024 bytes or more is dropped whole, never cut.
  EXPECT_EQ(Dde("OLD_PATH_SET    ", "T:\\" + std::string(2000, 'a')), DDE_ANSWER_PATH_TOO_LONG);
  EXPECT_EQ(form->m_strOldPath, "T:\\old");

  // Outside the operation view nothing changes.
  Frame()->SendMessage(WM_SHOW_FILE_VIEW);
  EXPECT_EQ(Dde("OLD_PATH_SET    ", "T:\\later"), DDE_ANSWER_OTHER_VIEW);
  EXPECT_EQ(Dde("DIFF_EXECUTE    ", ""), DDE_ANSWER_OTHER_VIEW);
  Frame()->SendMessage(WM_SHOW_OPERATION_VIEW);
  EXPECT_EQ(Frame()->m_pOperationForm->m_strOldPath, Entry()->m_strOldPath);
}

TEST_F(AppCommandsTest, DiffExecuteOverDdeRunsAfterTheCallAndNeverChangesARunningOne) {
  ASSERT_TRUE(Start());
  fs::create_directories(tmp_ / "disk/Title One/VIDEO_TS");
  fs::create_directories(tmp_ / "disk/Shelf/Title Two/VIDEO_TS");
  Dde("OLD_PATH_SET    ", "T:\\disk");
  EXPECT_EQ(Dde("DIFF_EXECUTE    ", ""), DDE_ANSWER_DONE);
  // Nothing has run yet: the run is posted. Until it starts, commands are
  // turned away, and the DDE service answers busy on its own.
  EXPECT_EQ(Entry()->m_pRecordList, nullptr);
  EXPECT_TRUE(qv::DdeBusy());
  EXPECT_EQ(Dde("OLD_PATH_SET    ", "T:\\disk\\Shelf"), DDE_ANSWER_BUSY);
  EXPECT_EQ(Dde("DIFF_EXECUTE    ", ""), DDE_ANSWER_BUSY);
  Pump();
  ASSERT_NE(Entry()->m_pRecordList, nullptr);
  EXPECT_EQ(Entry()->m_pRecordList->GetCount(), 2);
  EXPECT_EQ(Frame()->m_nLayout, WM_SHOW_FILE_VIEW);

  // While a run is in progress the fields are not changed under it, and
  // nothing is kept to change them afterwards (the server answers busy).
  Frame()->SendMessage(WM_SHOW_OPERATION_VIEW);
  EXPECT_FALSE(qv::DdeBusy());
  Frame()->BeginRun();
  EXPECT_TRUE(qv::DdeBusy());
  EXPECT_EQ(Dde("OLD_PATH_SET    ", "T:\\disk\\Shelf"), DDE_ANSWER_BUSY);
  Frame()->SendMessage(WM_DIFF_EXECUTE);
  EXPECT_EQ(Frame()->m_pOperationForm->m_strOldPath, "T:\\disk");
  // A run that has ended posted its view: until that is shown, commands
  // are still turned away (one taken now would meet the view switch).
  Frame()->PostMessage(WM_SHOW_FILE_VIEW);
  Frame()->EndRun();
  EXPECT_EQ(Dde("OLD_PATH_SET    ", "T:\\disk\\Shelf"), DDE_ANSWER_BUSY);
  EXPECT_TRUE(qv::DdeBusy());
  Pump();
  EXPECT_FALSE(qv::DdeBusy());
  EXPECT_EQ(Frame()->m_nLayout, WM_SHOW_FILE_VIEW);
  Frame()->SendMessage(WM_SHOW_OPERATION_VIEW);
  EXPECT_EQ(Frame()->m_pOperationForm->m_strOldPath, "T:\\disk");
  EXPECT_EQ(Dde("OLD_PATH_SET    ", "T:\\disk\\Shelf"), DDE_ANSWER_DONE);
}

}  // namespace
