// The per-item commands on real files in a temporary folder (drive T:):
// what they start (stand-in programs that record their arguments, GNU diff
// as the diff program), what they write, remove and copy, and what they ask
// and tell (scripted people).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ZEKApp.h"
#include "records/FileInfo.h"
#include "records/ZEKDoc.h"
#include "res/tables.h"
#include "support/drives.h"
#include "support/recorder.h"
#include "support/scripted_people.h"
#include "support/testutil.h"
#include "ui/ItemChanges.h"
#include "ui/ItemCommands.h"

namespace {

namespace fs = std::filesystem;
using qvtest::ReadFile;
using qvtest::Recorder;
using qvtest::U8;
using qvtest::WriteFile;

// NEW, OLD and DIFF folders with a blank and Japanese characters in their
// names, as the program spells them (code page 932) and as Linux sees them.
const char kNew[] = "T:\\作業 NEW";
const char kOld[] = "T:\\作業 OLD";
const char kDiff[] = "T:\\差分 DIFF";

class ItemCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qv::res::Install(qv::res::ProgramResources());
    fs::create_directories(Os(kNew));
    fs::create_directories(Os(kOld));
    fs::create_directories(Os(kDiff));
    theApp.m_strCmdEditor = "T:\\bin\\editor";
    theApp.m_strCmdDF = "T:\\bin\\df prog";
    theApp.m_strCmdWindiff = "T:\\bin\\windiff";
    theApp.m_strCmdDiff = "/usr/bin/diff";
    theApp.m_nAppMode = 0;
  }
  void TearDown() override {
    theApp.m_strCmdEditor.Empty();
    theApp.m_strCmdDF.Empty();
    theApp.m_strCmdWindiff.Empty();
    theApp.m_strCmdDiff.Empty();
    theApp.m_nAppMode = 0;
    theApp.m_listSelectedNames.RemoveAll();
    for (POSITION pos = records_.GetHeadPosition(); pos != nullptr;) delete records_.GetNext(pos);
    records_.RemoveAll();
  }

  // The Linux path of a program path under T: (code page 932).
  fs::path Os(const std::string& winPath) {
    std::string rel = U8(winPath.substr(3));
    for (char& c : rel)
      if (c == '\\') c = '/';
    return dir_.path() / rel;
  }

  // A record of `name` (code page 932) with the presence bits; the copies
  // with the texts given are written (nullptr: none).
  CZEKMergeFileInfo* Item(const std::string& name, const char* newText, const char* oldText) {
    auto* r = new CZEKMergeFileInfo;
    r->m_nType = 2;
    r->m_New.m_strName = name.c_str();
    r->m_Old.m_strName = name.c_str();
    if (newText) {
      WriteFile(Os(std::string(kNew) + "\\" + name), newText);
      r->m_nExist |= 1;
      r->m_New.m_nExists = 1;
    }
    if (oldText) {
      WriteFile(Os(std::string(kOld) + "\\" + name), oldText);
      r->m_nExist |= 2;
      r->m_Old.m_nExists = 1;
    }
    records_.AddTail(r);
    return r;
  }

  void Select(std::initializer_list<const char*> names) {
    theApp.m_listSelectedNames.RemoveAll();
    for (const char* n : names) theApp.m_listSelectedNames.AddTail(n);
  }

  // The names of the dialogs asked so far, in order.
  std::vector<std::string> DialogsAsked() const {
    std::vector<std::string> names;
    for (const auto& c : people_.Calls())
      if (c.kind == qv::ScriptedPeople::Kind::Dialog) names.push_back(c.dialogName);
    return names;
  }
  std::vector<std::string> MessagesShown() const {
    std::vector<std::string> texts;
    for (const auto& c : people_.Calls())
      if (c.kind == qv::ScriptedPeople::Kind::Message) texts.push_back(c.text);
    return texts;
  }

  qvtest::TempDir dir_;
  qvtest::DriveT drive_{dir_};
  qvtest::ScriptedPeople people_;
  CObList records_;
  Recorder editor_{dir_.path() / "bin", "editor"};
  CString new_ = kNew, old_ = kOld, diff_ = kDiff;
};

// ---------------------------------------------------------------------------
// Viewing and opening.

TEST_F(ItemCommandTest, EditorGetsEachCopyAndListingAsOneQuotedArgument) {
  Item("棚 1\\映画 A", "new text\n", "old line 1\nold line 2\n");

  ViewNewFile("棚 1\\映画 A", &records_, new_, old_, diff_);
  auto args = editor_.Wait();
  ASSERT_EQ(args.size(), 2u);
  EXPECT_EQ(args[1], (Os(kNew) / U8("棚 1/映画 A")).string());

  ViewOldFile("棚 1\\映画 A", &records_, new_, old_, diff_);
  args = editor_.Wait();
  ASSERT_EQ(args.size(), 2u);
  EXPECT_EQ(args[1], (Os(kOld) / U8("棚 1/映画 A")).string());

  ListOldSource("棚 1\\映画 A", &records_, new_, old_, diff_);
  args = editor_.Wait();
  const fs::path listing = Os(kDiff) / U8("棚 1/映画 A_src_old.txt");
  ASSERT_EQ(args.size(), 2u);
  EXPECT_EQ(args[1], listing.string());
  EXPECT_NE(ReadFile(listing).find("    2 : old line 2\r\n"), std::string::npos);
  EXPECT_TRUE(people_.Calls().empty());
}

TEST_F(ItemCommandTest, MissingCopiesAreNamedOnceAndListModeNeverChecksNew) {
  Item("a", nullptr, nullptr);
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(CheckFileExists(0, 3, "a", kNew, kOld, kDiff), 0);
  ASSERT_EQ(MessagesShown().size(), 1u);
  EXPECT_EQ(MessagesShown()[0], std::string(kNew) + "\\a\n\n上記ファイル(NEW)が存在しません。");

  // In list mode there is no NEW copy to check; the OLD one is.
  people_.QueueAnswer(IDOK);
  EXPECT_EQ(CheckFileExists(1, 3, "a", kNew, kOld, kDiff), 0);
  EXPECT_EQ(MessagesShown().back(), std::string(kOld) + "\\a\n\n上記ファイル(OLD)が存在しません。");
  EXPECT_EQ(CheckFileExists(1, 1, "a", kNew, kOld, kDiff), 1);
}

TEST_F(ItemCommandTest, ViewOldFileTakesAsLongAPathAsTheCheckDoes) {
  // Longer than 512 bytes, shorter than 1024: found by the check, so shown.
  const std::string name = std::string(200, 'a') + "\\" + std::string(200, 'b') + "\\" + std::string(200, 'c');
  Item(name, nullptr, "x\n");
  ViewOldFile(name.c_str(), &records_, new_, old_, diff_);
  auto args = editor_.Wait();
  ASSERT_EQ(args.size(), 2u);
  EXPECT_EQ(args[1], (Os(kOld) / std::string(200, 'a') / std::string(200, 'b') / std::string(200, 'c')).string());
  EXPECT_TRUE(people_.Calls().empty());
}

TEST_F(ItemCommandTest, ShellOpenGetsTheCopy) {
  Recorder opener(dir_.path() / "path", "xdg-open");
  const std::string path = (dir_.path() / "path").string() + ":" + (getenv("PATH") ? getenv("PATH") : "");
  qvtest::EnvVar env("PATH", path.c_str());
  Item("映画 B", "n\n", "o\n");
  OpenOldFile("映画 B", &records_, new_, old_, diff_);
  auto args = opener.Wait();
  ASSERT_EQ(args.size(), 2u);
  EXPECT_EQ(args[1], (Os(kOld) / U8("映画 B")).string());
  OpenNewFile("映画 B", &records_, new_, old_, diff_);
  args = opener.Wait();
  ASSERT_EQ(args.size(), 2u);
  EXPECT_EQ(args[1], (Os(kNew) / U8("映画 B")).string());
}

// ---------------------------------------------------------------------------
// Names from a document are never followed out of their folders.

TEST_F(ItemCommandTest, NamesLeavingTheirFolderAreRefused) {
  for (const char* bad : {"..\\outside", "a\\..\\..\\outside", "\\outside", "C:outside", "T:\\outside", "a/../../x",
                          "", "a\"b", "a\\", "a/", "a\x81"}) {
    EXPECT_FALSE(IsSafeItemName(bad)) << bad;
  }
  for (const char* good : {"a\\b", "...", "a..b\\c", "表\\予定", "..a", "予定表", "a\x81\\"}) EXPECT_TRUE(IsSafeItemName(good)) << good;

  // A crafted name in the selection: nothing outside is read, written or
  // removed.
  Item("..\\victim", "n\n", "o\n");  // writes T:\victim
  WriteFile(dir_.path() / "victim", "keep");
  Select({"..\\victim"});
  for (int i = 0; i < 4; ++i) people_.QueueAnswer(IDOK);
  DeleteOldSelected("..\\victim", &records_, new_, old_, diff_);
  char dump[1024] = {};
  EXPECT_EQ(DumpOldBinary(1, "..\\victim", &records_, new_, old_, diff_, dump), kDumpFailed);
  ViewOldFile("..\\victim", &records_, new_, old_, diff_);
  RevertToOld("..\\victim", &records_, new_, old_, diff_);
  EXPECT_EQ(ReadFile(dir_.path() / "victim"), "keep");
  ASSERT_EQ(MessagesShown().size(), 4u);
  for (const auto& m : MessagesShown()) EXPECT_EQ(m.rfind("..\\victim\n\n上記の名称には", 0), 0u) << U8(m);
  EXPECT_FALSE(editor_.RanMeanwhile());
}


// Names from a crafted document never change the arguments a program gets:
// a double quote, a name ending in a separator or in half a double-byte
// character would end or extend the quoted path on the command line.
TEST_F(ItemCommandTest, NoItemNameChangesTheArgumentsAProgramGets) {
  Recorder df(dir_.path() / "bin", "df prog");
  Recorder windiff(dir_.path() / "bin", "windiff");
  Recorder diff(dir_.path() / "bin", "diff");
  theApp.m_strCmdDiff = "T:\\bin\\diff";
  // Every command that builds a command line from the name.
  auto everyCommand = [&](const char* name) {
    char dump[1024] = {};
    ViewNewFile(name, &records_, new_, old_, diff_);
    ViewOldFile(name, &records_, new_, old_, diff_);
    ListNewSource(name, &records_, new_, old_, diff_);
    ListOldSource(name, &records_, new_, old_, diff_);
    DumpNewBinary(1, name, &records_, new_, old_, diff_, dump);
    DumpOldBinary(1, name, &records_, new_, old_, diff_, dump);
    BinaryDiffSelected(name, &records_, new_, old_, diff_);
    RunDFSelected(name, &records_, new_, old_, diff_);
    RunWindiffSelected(name, &records_, new_, old_, diff_);
    ShowDiffSelected(name, &records_, new_, old_, diff_, 0);
  };
  constexpr size_t kCommands = 10;
  auto nothingRan = [&] {
    return !editor_.RanMeanwhile() && !df.RanMeanwhile() && !windiff.RanMeanwhile() && !diff.RanMeanwhile();
  };

  // Refused whichever side of the record holds them, with the message of
  // the other refused names; the copies exist on disk as Linux spells them.
  const std::string quoted = "映画\" \"--x";
  Item(quoted, "n\n", "o\n");
  WriteFile(Os(std::string(kNew) + "\\末尾"), "n\n");
  WriteFile(Os(std::string(kOld) + "\\末尾"), "o\n");
  for (const std::string& bad : {quoted, std::string("末尾\\"), std::string("映画\x81")}) {
    for (size_t i = 0; i < kCommands; ++i) people_.QueueAnswer(IDOK);
    everyCommand(bad.c_str());
    EXPECT_TRUE(nothingRan()) << U8(bad);
  }
  for (const std::string& bad : {quoted, std::string("末尾\\"), std::string("末尾\x81")}) {
    CZEKMergeFileInfo* r = Item("末尾", nullptr, nullptr);
    r->m_nExist = 3;
    r->m_Old.m_strName = bad.c_str();
    for (int i = 0; i < 4; ++i) people_.QueueAnswer(IDOK);
    BinaryDiffSelected("末尾", &records_, new_, old_, diff_);
    RunDFSelected("末尾", &records_, new_, old_, diff_);
    RunWindiffSelected("末尾", &records_, new_, old_, diff_);
    ShowDiffSelected("末尾", &records_, new_, old_, diff_, 0);
    EXPECT_TRUE(nothingRan()) << U8(bad);
    delete r;
    records_.RemoveTail();
  }
  const auto shown = MessagesShown();
  ASSERT_EQ(shown.size(), 3 * kCommands + 3 * 4);
  for (const auto& m : shown) EXPECT_NE(m.find("\n\n上記の名称には"), std::string::npos) << U8(m);
  people_.ClearCalls();

  // A name whose last byte is the trail byte 0x5C of a double-byte
  // character is a good name: each program gets each path as one argument.
  const std::string table = "予定表";
  ASSERT_EQ(table.back(), '\\');
  Item(table, "n\n", "o\n");
  const char* name = table.c_str();
  const std::string newCopy = (Os(kNew) / U8(table)).string();
  const std::string oldCopy = (Os(kOld) / U8(table)).string();
  const fs::path out = Os(kDiff);
  ViewNewFile(name, &records_, new_, old_, diff_);
  EXPECT_EQ(editor_.Wait(), (std::vector<std::string>{editor_.script().string(), newCopy}));
  ListOldSource(name, &records_, new_, old_, diff_);
  EXPECT_EQ(editor_.Wait().at(1), (out / U8(table + "_src_old.txt")).string());
  RunDFSelected(name, &records_, new_, old_, diff_);
  EXPECT_EQ(df.Wait(), (std::vector<std::string>{df.script().string(), oldCopy, newCopy}));
  RunWindiffSelected(name, &records_, new_, old_, diff_);
  EXPECT_EQ(windiff.Wait(), (std::vector<std::string>{windiff.script().string(), oldCopy, newCopy}));
  BinaryDiffSelected(name, &records_, new_, old_, diff_);
  EXPECT_EQ(diff.Wait(), (std::vector<std::string>{diff.script().string(), (out / U8(table + "_bin_old.txt")).string(),
                                                   (out / U8(table + "_bin_new.txt")).string()}));
  EXPECT_EQ(editor_.Wait().at(1), (out / U8(table + ".diff.txt")).string());
  people_.QueueAnswer(IDOK);  // the stand-in diff writes nothing: "the same"
  ShowDiffSelected(name, &records_, new_, old_, diff_, 0);
  EXPECT_EQ(diff.Wait(), (std::vector<std::string>{diff.script().string(), oldCopy, newCopy}));
  EXPECT_EQ(MessagesShown(), std::vector<std::string>{"同じです。"});
}

// The NEW, OLD and DIFF folders come from the document as well: a folder
// text holding a double quote, or ending in half a double-byte character,
// is refused by every command that would put it on a command line, with a
// message naming it. A command that does not use the folder goes on.
TEST_F(ItemCommandTest, NoFolderTextChangesTheArgumentsAProgramGets) {
  Recorder df(dir_.path() / "bin", "df prog");
  Recorder windiff(dir_.path() / "bin", "windiff");
  Recorder diff(dir_.path() / "bin", "diff");
  Recorder opener(dir_.path() / "path", "xdg-open");
  const std::string path = (dir_.path() / "path").string() + ":" + (getenv("PATH") ? getenv("PATH") : "");
  qvtest::EnvVar env("PATH", path.c_str());
  theApp.m_strCmdDiff = "T:\\bin\\diff";
  const char name[] = "映画 D";
  Item(name, "n\n", "o\n");

  // Each command with the folders it puts on a command line.
  using Command = std::function<void(const CString&, const CString&, const CString&)>;
  struct Case {
    int folders;
    Command run;
  };
  char dump[1024] = {};
  DiffInfoFields fields;
  constexpr int kAll = ITEM_COPY_NEW | ITEM_COPY_OLD | ITEM_COPY_DIFF;
  const std::vector<Case> commands = {
      {ITEM_COPY_NEW, [&](auto& n, auto& o, auto& d) { ViewNewFile(name, &records_, n, o, d); }},
      {ITEM_COPY_OLD, [&](auto& n, auto& o, auto& d) { ViewOldFile(name, &records_, n, o, d); }},
      {ITEM_COPY_NEW | ITEM_COPY_DIFF, [&](auto& n, auto& o, auto& d) { ListNewSource(name, &records_, n, o, d); }},
      {ITEM_COPY_OLD | ITEM_COPY_DIFF, [&](auto& n, auto& o, auto& d) { ListOldSource(name, &records_, n, o, d); }},
      {ITEM_COPY_NEW | ITEM_COPY_DIFF, [&](auto& n, auto& o, auto& d) { DumpNewBinary(1, name, &records_, n, o, d, dump); }},
      {ITEM_COPY_OLD | ITEM_COPY_DIFF, [&](auto& n, auto& o, auto& d) { DumpOldBinary(1, name, &records_, n, o, d, dump); }},
      {ITEM_COPY_NEW, [&](auto& n, auto& o, auto& d) { OpenNewFile(name, &records_, n, o, d); }},
      {ITEM_COPY_OLD, [&](auto& n, auto& o, auto& d) { OpenOldFile(name, &records_, n, o, d); }},
      {kAll, [&](auto& n, auto& o, auto& d) { BinaryDiffSelected(name, &records_, n, o, d); }},
      {ITEM_COPY_NEW | ITEM_COPY_OLD, [&](auto& n, auto& o, auto& d) { RunDFSelected(name, &records_, n, o, d); }},
      {ITEM_COPY_NEW | ITEM_COPY_OLD, [&](auto& n, auto& o, auto& d) { RunWindiffSelected(name, &records_, n, o, d); }},
      {kAll, [&](auto& n, auto& o, auto& d) { ShowDiffSelected(name, &records_, n, o, d, 0); }},
      {kAll, [&](auto& n, auto& o, auto& d) { CollectDiffInfo(name, &records_, n, o, d, 0, fields); }},
  };
  // Each case is checked at once; a start still under way is caught once
  // for all cases at the end (a wait per case would make this test slow).
  auto nothingRan = [&] {
    return !editor_.RanSoFar() && !df.RanSoFar() && !windiff.RanSoFar() && !diff.RanSoFar() && !opener.RanSoFar();
  };

  // The crafted folders exist on disk as Linux spells them, with the copies.
  const std::string quoted = "T:\\作業\" \"--x";
  for (const char* side : {"NEW", "OLD", "DIFF"}) fs::create_directories(Os(quoted + " " + side));
  WriteFile(Os(quoted + " NEW\\" + name), "n\n");
  WriteFile(Os(quoted + " OLD\\" + name), "o\n");
  const struct {
    int flag;
    const char* folder;
    const char* label;
  } sides[] = {{ITEM_COPY_NEW, " NEW", "フォルダ(NEW)"},
               {ITEM_COPY_OLD, " OLD", "フォルダ(OLD)"},
               {ITEM_COPY_DIFF, " DIFF", "フォルダ(DIFF)"}};
  for (const auto& side : sides) {
    for (const std::string& bad : {quoted + side.folder, std::string("T:\\作業\x81")}) {
      const CString badText = bad.c_str();
      const CString& n = side.flag == ITEM_COPY_NEW ? badText : new_;
      const CString& o = side.flag == ITEM_COPY_OLD ? badText : old_;
      const CString& d = side.flag == ITEM_COPY_DIFF ? badText : diff_;
      for (const Case& c : commands) {
        if ((c.folders & side.flag) == 0) continue;
        people_.ClearCalls();
        people_.QueueAnswer(IDOK);
        c.run(n, o, d);
        EXPECT_TRUE(nothingRan()) << side.label << " " << U8(bad);
        ASSERT_EQ(MessagesShown().size(), 1u) << side.label << " " << U8(bad);
        EXPECT_EQ(MessagesShown()[0],
                  bad + "\n\n上記" + side.label + "には「\"」または不完全な文字が含まれているため、処理できません。");
      }
    }
  }
  EXPECT_FALSE(editor_.RanMeanwhile() || df.RanSoFar() || windiff.RanSoFar() || diff.RanSoFar() || opener.RanSoFar());
  people_.ClearCalls();

  // A command that does not use the crafted folder is not stopped by it.
  const CString badDiff = (quoted + " DIFF").c_str();
  RunDFSelected(name, &records_, new_, old_, badDiff);
  EXPECT_EQ(df.Wait(), (std::vector<std::string>{df.script().string(), (Os(kOld) / U8(name)).string(),
                                                 (Os(kNew) / U8(name)).string()}));
  EXPECT_TRUE(people_.Calls().empty());
}

// ---------------------------------------------------------------------------
// Dumps and the diff of two dumps.

TEST_F(ItemCommandTest, BinaryDiffComparesTheTwoDumpsWithGnuDiff) {
  Item("映画 C", "ABCDEFGH", "ABCDXFGH");
  BinaryDiffSelected("映画 C", &records_, new_, old_, diff_);
  auto args = editor_.Wait();
  const fs::path output = Os(kDiff) / U8("映画 C.diff.txt");
  ASSERT_EQ(args.size(), 2u);
  EXPECT_EQ(args[1], output.string());
  const std::string diff = ReadFile(output);
  // OLD first ("<"), NEW second (">"), the data lines of the two dumps.
  EXPECT_NE(diff.find("< 000000-000007 : 4142 4344 5846 4748"), std::string::npos) << diff;
  EXPECT_NE(diff.find("> 000000-000007 : 4142 4344 4546 4748"), std::string::npos) << diff;
  EXPECT_TRUE(people_.Calls().empty());
}

TEST_F(ItemCommandTest, AFailedDumpStopsTheComparisonAndLeavesNoStaleDump) {
  // The OLD copy is a folder (a DVD folder): no dump of it can be written.
  Item("映画 D", "new", nullptr)->m_nExist = 3;
  fs::create_directories(Os(std::string(kOld) + "\\映画 D"));
  const fs::path stale = Os(kDiff) / U8("映画 D_bin_old.txt");
  WriteFile(stale, "an old dump\n");

  people_.QueueAnswer(IDOK);
  BinaryDiffSelected("映画 D", &records_, new_, old_, diff_);
  ASSERT_EQ(MessagesShown().size(), 1u);
  EXPECT_EQ(MessagesShown()[0], std::string(kDiff) + "\\映画 D_bin_old.txt\n\n上記ファイルを作成できませんでした。");
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_FALSE(fs::exists(Os(kDiff) / U8("映画 D.diff.txt")));
  EXPECT_FALSE(editor_.RanMeanwhile());

  // Shown from the list, a dump that fails is reported, not opened.
  people_.QueueAnswer(IDOK);
  char path[1024] = {};
  EXPECT_EQ(DumpOldBinary(1, "映画 D", &records_, new_, old_, diff_, path), kDumpFailed);
  EXPECT_EQ(DumpNewBinary(1, "映画 D", &records_, new_, old_, diff_, path), kDumpWritten);
  EXPECT_EQ(std::string(path), std::string(kDiff) + "\\映画 D_bin_new.txt");
  EXPECT_EQ(editor_.Wait().size(), 2u);
}

// ---------------------------------------------------------------------------
// The item's .diff file.

TEST_F(ItemCommandTest, ShowDiffOpensTheDiffFileQuotedOrSaysTheyAreTheSame) {
  CZEKMergeFileInfo* r = Item("映画 E", "one\ntwo\n", "one\nzwei\n");
  r->m_New.m_dwLines = 2;
  r->m_Old.m_dwLines = 2;
  ShowDiffSelected("映画 E", &records_, new_, old_, diff_, 0);
  auto args = editor_.Wait();
  ASSERT_EQ(args.size(), 2u);
  EXPECT_EQ(args[1], (Os(kDiff) / U8("映画 E.diff")).string());
  EXPECT_EQ(r->m_nChgLines, 2);
  EXPECT_TRUE(people_.Calls().empty());

  Item("映画 F", "same\n", "same\n");
  people_.QueueAnswer(IDOK);
  ShowDiffSelected("映画 F", &records_, new_, old_, diff_, 0);
  EXPECT_EQ(MessagesShown(), std::vector<std::string>{"同じです。"});
  EXPECT_FALSE(editor_.RanMeanwhile());
}

TEST_F(ItemCommandTest, ShowDiffSaysSameOnlyAfterStatusZero) {
  Item("映画 G", "a\n", "b\n");
  // A diff program that writes nothing and ends with status 1, then one
  // that ends with status 2 ("trouble"): neither is "the same".
  for (int status : {1, 2}) {
    Recorder fake(dir_.path() / "bin", "fakediff" + std::to_string(status), status);
    theApp.m_strCmdDiff = ("T:\\bin\\fakediff" + std::to_string(status)).c_str();
    people_.QueueAnswer(IDOK);
    ShowDiffSelected("映画 G", &records_, new_, old_, diff_, 0);
    EXPECT_EQ(fake.Wait().size(), 3u);
    ASSERT_FALSE(MessagesShown().empty());
    EXPECT_EQ(MessagesShown().back(), "映画 G\n\ndiff コマンドが時間内に正常終了しなかったため、比較は完了していません。");
  }
  EXPECT_EQ(MessagesShown().size(), 2u);
  EXPECT_FALSE(editor_.RanMeanwhile());
}

TEST_F(ItemCommandTest, DiffInformationNeverChangesTheRecord) {
  // Present only in NEW: no diff; the dialog shows all seven counts 0, the
  // record keeps the ones it holds.
  CZEKMergeFileInfo* onlyNew = Item("映画 H", "x\n", nullptr);
  auto setCounts = [](CZEKMergeFileInfo* r) {
    r->m_nDelLines = 4;
    r->m_nAddLines = 5;
    r->m_nChgLines = 9;
    r->m_nRangeAdd = 1;
    r->m_nRangeDel = 2;
    r->m_nRangeChgLeft = 3;
    r->m_nRangeChgRight = 6;
  };
  setCounts(onlyNew);
  DiffInfoFields f;
  ASSERT_TRUE(CollectDiffInfo("映画 H", &records_, new_, old_, diff_, 0, f));
  const std::vector<int> zeros(7, 0);
  auto shownCounts = [&f] {
    return std::vector<int>{f.deletedLines, f.addedLines, f.changedLines, f.rangeDeleted,
                            f.rangeAdded, f.rangeChangedLeft, f.rangeChangedRight};
  };
  EXPECT_EQ(shownCounts(), zeros);
  EXPECT_EQ(f.stepDifference, 0);
  EXPECT_FALSE(f.newModified.IsEmpty());
  EXPECT_TRUE(f.oldModified.IsEmpty());
  EXPECT_TRUE(f.evaluated.IsEmpty());
  EXPECT_EQ(onlyNew->m_nChgLines, 9);
  EXPECT_EQ(onlyNew->m_nDelLines, 4);
  EXPECT_EQ(onlyNew->m_nRangeChgRight, 6);
  // The same for a copy in OLD only.
  setCounts(Item("映画 H2", nullptr, "y\n"));
  ASSERT_TRUE(CollectDiffInfo("映画 H2", &records_, new_, old_, diff_, 0, f));
  EXPECT_EQ(shownCounts(), zeros);

  // A pair: a fresh .diff is evaluated into the dialog, the record keeps
  // its counts and its times.
  CZEKMergeFileInfo* pair = Item("映画 I", "1\n2\n3\n", "1\nb\n3\n4\n");
  pair->m_New.m_dwLines = 3;
  pair->m_Old.m_dwLines = 4;
  pair->m_New.m_tModify = 100;
  pair->m_Old.m_tModify = 50;
  pair->m_nChgLines = 77;
  ASSERT_TRUE(CollectDiffInfo("映画 I", &records_, new_, old_, diff_, 0, f));
  EXPECT_EQ(f.stepDifference, -1);
  EXPECT_EQ(f.deletedLines, 2);
  EXPECT_EQ(f.addedLines, 1);
  EXPECT_FALSE(f.evaluated.IsEmpty());
  EXPECT_EQ(pair->m_nChgLines, 77);
  EXPECT_EQ(pair->m_New.m_tModify, 100);
  EXPECT_EQ(pair->m_Old.m_tModify, 50);

  people_.QueueDialog(IDCANCEL);
  ShowDiffInfoSelected("映画 I", &records_, new_, old_, diff_, 0);
  EXPECT_EQ(DialogsAsked(), std::vector<std::string>{"CDIFF_FILE_INFO"});
  EXPECT_EQ(pair->m_nChgLines, 77);
}

// ---------------------------------------------------------------------------
// The GUI comparison program and windiff.

TEST_F(ItemCommandTest, ComparisonProgramsGetOldThenNewEachQuoted) {
  Recorder df(dir_.path() / "bin", "df prog");
  Recorder windiff(dir_.path() / "bin", "windiff");
  Item("棚\\映画 J", "n\n", "o\n");
  RunDFSelected("棚\\映画 J", &records_, new_, old_, diff_);
  auto args = df.Wait();
  ASSERT_EQ(args.size(), 3u);
  EXPECT_EQ(args[1], (Os(kOld) / U8("棚/映画 J")).string());
  EXPECT_EQ(args[2], (Os(kNew) / U8("棚/映画 J")).string());

  RunWindiffSelected("棚\\映画 J", &records_, new_, old_, diff_);
  args = windiff.Wait();
  ASSERT_EQ(args.size(), 3u);
  EXPECT_EQ(args[1], (Os(kOld) / U8("棚/映画 J")).string());

  // One present only in OLD is only shown.
  Item("映画 K", nullptr, "o\n");
  RunDFSelected("映画 K", &records_, new_, old_, diff_);
  EXPECT_EQ(editor_.Wait().size(), 2u);
  EXPECT_FALSE(df.RanMeanwhile());
}

TEST_F(ItemCommandTest, WindiffCommandOf1024CharactersIsRefused) {
  Recorder windiff(dir_.path() / "bin", "windiff");
  // A name of `length` bytes in folders of 200 bytes (a Linux name holds at
  // most 255).
  auto longName = [](size_t length) {
    std::string name;
    while (name.size() + 201 < length) name += std::string(200, 'n') + "\\";
    return name + std::string(length - name.size(), 'n');
  };
  // The quoted program (16 bytes), then twice two blanks and the quoted
  // path: 5 + folder + name bytes each.
  struct Case {
    const char* newDir;
    size_t nameLength;
    bool starts;
  };
  for (const Case& c : {Case{"T:\\nn", 494, true}, Case{"T:\\n", 495, false}}) {
    const std::string name = longName(c.nameLength);
    ASSERT_EQ(16 + 2 * (5 + 4 + c.nameLength) + (c.starts ? 1 : 0), c.starts ? 1023u : 1024u);
    auto* r = new CZEKMergeFileInfo;
    r->m_nType = 2;
    r->m_nExist = 3;
    r->m_New.m_strName = r->m_Old.m_strName = name.c_str();
    records_.AddTail(r);
    const CString newDir = c.newDir, oldDir = "T:\\o";
    WriteFile(Os(std::string(c.newDir) + "\\" + name), "");
    WriteFile(Os("T:\\o\\" + name), "");
    if (c.starts) {
      RunWindiffSelected(name.c_str(), &records_, newDir, oldDir, diff_);
      EXPECT_EQ(windiff.Wait().size(), 3u);
    } else {
      people_.QueueAnswer(IDOK);
      RunWindiffSelected(name.c_str(), &records_, newDir, oldDir, diff_);
      ASSERT_FALSE(MessagesShown().empty());
      EXPECT_EQ(MessagesShown().back(),
                "フォルダパスが長すぎぎて、windiffコマンドが実行できません。\nDFコマンドを利用ください。");
      EXPECT_FALSE(windiff.RanMeanwhile());
    }
  }
}

// ---------------------------------------------------------------------------
// Deletes.

TEST_F(ItemCommandTest, DeleteSeveralWithYesToAll) {
  for (const char* n : {"映画 1", "映画 2", "映画 3"}) Item(n, "n", "o");
  Select({"映画 1", "映画 2", "映画 3"});
  people_.QueueDialog(2);  // すべてはい
  DeleteBothSelected("映画 3", &records_, new_, old_, diff_);
  EXPECT_EQ(DialogsAsked(), std::vector<std::string>{"CMessageBox_DEL_dlg"});
  EXPECT_NE(people_.Calls()[0].text.find("ファイル名称：【映画 1】"), std::string::npos);
  for (const char* n : {"映画 1", "映画 2", "映画 3"}) {
    EXPECT_FALSE(fs::exists(Os(std::string(kNew) + "\\" + n)));
    EXPECT_FALSE(fs::exists(Os(std::string(kOld) + "\\" + n)));
  }
}

TEST_F(ItemCommandTest, DeleteSeveralStopsAtNoOrCancel) {
  for (int answer : {3, 4}) {
    for (const char* n : {"a", "b", "c"}) Item(n, "n", "o");
    Select({"a", "b", "c"});
    people_.QueueDialog(1);       // はい for a
    people_.QueueDialog(answer);  // いいえ / キャンセル for b
    DeleteOldSelected("c", &records_, new_, old_, diff_);
    EXPECT_FALSE(fs::exists(Os(std::string(kOld) + "\\a")));
    EXPECT_TRUE(fs::exists(Os(std::string(kOld) + "\\b")));
    EXPECT_TRUE(fs::exists(Os(std::string(kOld) + "\\c")));
    EXPECT_TRUE(fs::exists(Os(std::string(kNew) + "\\a")));
    EXPECT_EQ(DialogsAsked().size(), 2u);
    people_.ClearCalls();
  }
}

TEST_F(ItemCommandTest, FailedRemovalsAreToldOnceMissingCopiesAreNot) {
  // "dvd" is a DVD folder (remove refuses folders), "gone" has no copies.
  Item("file", "n", "o");
  fs::create_directories(Os(std::string(kOld) + "\\dvd\\VIDEO_TS"));
  Select({"file", "dvd", "gone"});
  people_.QueueDialog(2);
  people_.QueueAnswer(IDOK);
  DeleteOldSelected("gone", &records_, new_, old_, diff_);
  EXPECT_FALSE(fs::exists(Os(std::string(kOld) + "\\file")));
  EXPECT_TRUE(fs::exists(Os(std::string(kOld) + "\\dvd")));
  ASSERT_EQ(MessagesShown().size(), 1u);
  EXPECT_EQ(MessagesShown()[0], "次のファイルを削除できませんでした。\n" + std::string(kOld) + "\\dvd");

  // One item: the message box question, then the same report.
  Select({"dvd"});
  people_.QueueAnswer(IDYES);
  people_.QueueAnswer(IDOK);
  DeleteOldSelected("dvd", &records_, new_, old_, diff_);
  const auto& calls = people_.Calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[calls.size() - 2].text, "OLDファイルを削除してもいいですか？\n\nファイル名称：【dvd】");
  EXPECT_EQ(calls[calls.size() - 2].DefaultButton(), static_cast<UINT>(MB_DEFBUTTON2));
  EXPECT_EQ(calls.back().text, "次のファイルを削除できませんでした。\n" + std::string(kOld) + "\\dvd");
}

TEST_F(ItemCommandTest, ListModeNeverTouchesTheNewFolder) {
  theApp.m_nAppMode = 1;
  Item("映画 L", "keep me", "o");
  Select({"映画 L"});
  const fs::path newCopy = Os(std::string(kNew) + "\\映画 L");

  people_.QueueAnswer(IDOK);
  DeleteNewSelected("映画 L", &records_, new_, old_, diff_);
  people_.QueueAnswer(IDOK);
  RevertToOld("映画 L", &records_, new_, old_, diff_);
  for (const auto& m : MessagesShown()) EXPECT_EQ(m.find("リストモードでは"), 0u) << U8(m);

  // Both: the OLD question and only the OLD copy.
  people_.QueueAnswer(IDYES);
  DeleteBothSelected("映画 L", &records_, new_, old_, diff_);
  EXPECT_EQ(MessagesShown().back(), "OLDファイルを削除してもいいですか？\n\nファイル名称：【映画 L】");
  EXPECT_EQ(ReadFile(newCopy), "keep me");
  EXPECT_FALSE(fs::exists(Os(std::string(kOld) + "\\映画 L")));
}

// ---------------------------------------------------------------------------
// Revert.

TEST_F(ItemCommandTest, RevertOneAndSeveral) {
  Item("a", "changed", "original a");
  Select({"a"});
  people_.QueueAnswer(IDYES);
  RevertToOld("a", &records_, new_, old_, diff_);
  EXPECT_EQ(ReadFile(Os(std::string(kNew) + "\\a")), "original a");
  EXPECT_EQ(MessagesShown()[0],
            "ファイル(NEW)の修正を無効にして、ファイル(OLD)に戻してもいいですか？\n\nファイル名称：【a】");

  Item("b", "changed", "original b");
  Item("c", "changed", "original c");
  Select({"b", "c"});
  people_.QueueDialog(1);
  people_.QueueDialog(1);
  RevertToOld("c", &records_, new_, old_, diff_);
  EXPECT_EQ(ReadFile(Os(std::string(kNew) + "\\b")), "original b");
  EXPECT_EQ(ReadFile(Os(std::string(kNew) + "\\c")), "original c");
  EXPECT_EQ(DialogsAsked(), (std::vector<std::string>{"CMessageBox_DEL_dlg", "CMessageBox_DEL_dlg"}));

  // One item whose OLD copy is missing: the two messages, nothing copied.
  Item("d", "changed", nullptr);
  Select({"d"});
  people_.QueueAnswer(IDYES);
  people_.QueueAnswer(IDOK);
  people_.QueueAnswer(IDOK);
  RevertToOld("d", &records_, new_, old_, diff_);
  const auto msgs = MessagesShown();
  EXPECT_EQ(msgs[msgs.size() - 2], std::string(kOld) + "\\d\n\n上記ファイル(OLD)が存在しません。");
  EXPECT_EQ(msgs.back(), "OLDファイル(d)が存在しません。");
  EXPECT_EQ(ReadFile(Os(std::string(kNew) + "\\d")), "changed");
}

// ---------------------------------------------------------------------------
// Copy-out.

TEST_F(ItemCommandTest, CopyOutOverwritesAllAfterOneAnswer) {
  Item("x\\a", "new a", "old a");
  Item("b", "new b", "old b");
  Item("c", nullptr, "old c");
  WriteFile(dir_.path() / "out/NEW/x/a", "stale");
  WriteFile(dir_.path() / "out/OLD/x/a", "stale");
  WriteFile(dir_.path() / "out/NEW/b", "stale");
  Select({"x\\a", "b", "c"});
  people_.QueueDialog(2);  // すべてを上書き, once
  CopyOutSelected("c", &records_, new_, old_, diff_, "T:\\out\\NEW", "T:\\out\\OLD");
  EXPECT_EQ(DialogsAsked(), std::vector<std::string>{"CMessageBox_OW_dlg"});
  EXPECT_EQ(ReadFile(dir_.path() / "out/NEW/x/a"), "new a");
  EXPECT_EQ(ReadFile(dir_.path() / "out/OLD/x/a"), "old a");
  EXPECT_EQ(ReadFile(dir_.path() / "out/NEW/b"), "new b");
  EXPECT_EQ(ReadFile(dir_.path() / "out/OLD/c"), "old c");
  EXPECT_FALSE(fs::exists(dir_.path() / "out/NEW/c"));
  EXPECT_TRUE(MessagesShown().empty());
}

TEST_F(ItemCommandTest, CopyOutTellsWhatFailed) {
  Item("a", "new a", "old a");
  fs::create_directories(Os(std::string(kOld) + "\\dvd\\VIDEO_TS"));
  Item("dvd", nullptr, nullptr)->m_nExist = 2;
  // The OLD output folder's place is taken by a file: no copy can go in.
  WriteFile(dir_.path() / "out/OLD", "a file");
  Select({"a", "dvd"});
  people_.QueueAnswer(IDOK);
  people_.QueueAnswer(IDOK);  // the folder maker's own message
  CopyOutSelected("dvd", &records_, new_, old_, diff_, "T:\\out\\NEW", "T:\\out\\OLD");
  EXPECT_EQ(ReadFile(dir_.path() / "out/NEW/a"), "new a");
  const auto msgs = MessagesShown();
  ASSERT_FALSE(msgs.empty());
  EXPECT_EQ(msgs.back(), "次のファイルをコピーできませんでした。\n" + std::string(kOld) +
                             "\\a\n\n次の項目はフォルダのため、コピーしていません。\n" + std::string(kOld) + "\\dvd");
}

// ---------------------------------------------------------------------------
// Comments.

TEST_F(ItemCommandTest, CommentEditOnSeveralItemsAndCancel) {
  CZEKDoc doc;
  for (const char* n : {"a", "b", "c"}) {
    CZEKMergeFileInfo* r = Item(n, nullptr, "o");
    r->m_nCommentIndex = doc.m_Comment.FindOrAdd(n);
    doc.m_Comment.GetAt(r->m_nCommentIndex)->SetKey(n);
  }
  doc.m_Comment.GetAt(2)->m_strComment = "old comment";
  doc.SetModifiedFlag(FALSE);
  Select({"a", "b", "c"});

  CString text;
  people_.QueueDialog(IDCANCEL, "ignored");
  EXPECT_FALSE(EditCommentSelected("c", &records_, new_, old_, diff_, 0, text));
  EXPECT_EQ(text, "old comment");
  EXPECT_EQ(people_.Calls()[0].dialogName, "CDIALOG_REV_COMMENT");
  EXPECT_EQ(people_.Calls()[0].text, "old comment");
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(doc.m_Comment.GetAt(0)->m_strComment, "");

  people_.QueueDialog(IDOK, "新しい\r\nコメント");
  EXPECT_TRUE(EditCommentSelected("c", &records_, new_, old_, diff_, 0, text));
  EXPECT_EQ(text, "新しい\r\nコメント");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(doc.m_Comment.GetAt(i)->m_strComment, "新しい\r\nコメント");
  EXPECT_TRUE(doc.IsModified());
}

}  // namespace
