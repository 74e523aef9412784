// The settings record against a program folder laid out in a temporary
// folder (mapped as drive T:).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ZEKApp.h"
#include "records/FileTypeProfile.h"
#include "support/scripted_people.h"
#include "support/testutil.h"

namespace {

using qvtest::ReadFile;
using qvtest::WriteFile;

const char kInstallExe[] = "ZEKが正しくインストールされていません。";
const char kInstallIni[] =
    "Quarvexが正しくインストールされていません。\n"
    "Quarvexプログラムと同じフォルダにQuarvex.iniファイルがありません。";
const char kDefaultComment[] = "コメントを入力できます。";

using qvtest::EnvVar;

using qvtest::CrlfLines;

size_t CountOf(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest()
      : drives_("QUARVEX_DRIVES", ("C=/;T=" + tmp_.str()).c_str()),
        temp_("TEMP", (tmp_ / "temp").c_str()) {
    std::filesystem::create_directories(tmp_ / "temp");
    std::filesystem::create_directories(prog_);
    qv::SetModuleFileForTests((prog_ / "Quarvex.exe").string());
  }
  ~SettingsTest() override { qv::SetModuleFileForTests(""); }

  // A fresh record; the running program is T:\prog\Quarvex.exe.
  std::unique_ptr<CZEKApp> MakeApp() { return std::make_unique<CZEKApp>(); }
  void Install(const std::string& ini) {
    WriteFile(prog_ / "Quarvex.exe", "");
    WriteFile(prog_ / "Quarvex.ini", ini);
  }
  std::string Ini() { return ReadFile(prog_ / "Quarvex.ini"); }

  qvtest::TempDir tmp_;
  std::filesystem::path prog_ = tmp_ / "prog";
  EnvVar drives_;
  EnvVar temp_;
  qvtest::ScriptedPeople people_;
};

TEST_F(SettingsTest, ConstructionDefaults) {
  auto app = MakeApp();
  EXPECT_EQ(app->m_strCmdEditor, "notepad");
  EXPECT_EQ(app->m_strCmdDF, "./DF.exe");
  EXPECT_EQ(app->m_strCmdWindiff, "./windiff");
  EXPECT_EQ(app->m_strCmdDiff, "");
  EXPECT_EQ(app->m_nExtractCounter, 1);
  EXPECT_TRUE(app->m_bSubdirSearch);
  EXPECT_TRUE(app->m_bDirExistDiff);
  EXPECT_EQ(app->m_nDiffExec, 1);
  EXPECT_TRUE(app->m_bKeepComment);
  EXPECT_FALSE(app->m_bInitialized);
  EXPECT_EQ(app->m_nAppMode, 0);
  EXPECT_FALSE(app->m_strTempDir.IsEmpty());
  EXPECT_EQ(app->m_strNewPath, "");
  for (int w : app->m_nColWidth) EXPECT_EQ(w, 0);
  EXPECT_EQ(g_nActiveProfile, 0);
}

TEST_F(SettingsTest, TempLongerThan255LeavesFoldersEmpty) {
  std::string longTemp = "/" + std::string(300, 'a');
  EnvVar temp("TEMP", longTemp.c_str());
  auto app = MakeApp();
  EXPECT_EQ(app->m_strTempDir, "");
  Install(CrlfLines({"[Quarvex]", "Extension_Kind_001=Quarvex"}));
  ASSERT_TRUE(app->LoadSettings());
  EXPECT_EQ(app->m_strNewPath, "");
  EXPECT_EQ(app->m_strOldPath, "");
  EXPECT_EQ(app->m_strDiffPath, "");
}

// A [Quarvex] section with only the profile definitions gives every default.
TEST_F(SettingsTest, OnlyProfileDefinitionsGiveDefaults) {
  Install(CrlfLines({"[Quarvex]", "Extension_Kind_001=Quarvex", "Extension_Type_001=*"}));
  auto app = MakeApp();
  ASSERT_TRUE(app->LoadSettings());
  EXPECT_TRUE(people_.Calls().empty());

  EXPECT_EQ(app->m_strCmdExcel, "");
  EXPECT_FALSE(app->m_bCmdAvailable[0]);
  EXPECT_EQ(app->m_strFilterName, "Quarvex");
  EXPECT_EQ(app->m_strFilterNameLoaded, "Quarvex");
  const int widths[11] = {210, 200, 200, 250, 1000, 300, 1000, 300, 200, 560, 1000};
  for (int i = 0; i < 11; ++i) EXPECT_EQ(app->m_nColWidth[i], widths[i]) << i;
  EXPECT_EQ(app->m_strDefaultComment, kDefaultComment);
  EXPECT_EQ(app->m_nDispMode, 14);
  EXPECT_EQ(app->m_bSubdirSearch, 1);
  EXPECT_EQ(app->m_bDirExistDiff, 0);
  EXPECT_EQ(app->m_nDiffExec, 2);
  EXPECT_EQ(app->m_nOpeMode1, 0);
  EXPECT_EQ(app->m_nOpeMode2, 4);
  EXPECT_EQ(app->m_nAppMode, 1);
  ASSERT_FALSE(app->m_strTempDir.IsEmpty());
  EXPECT_EQ(app->m_strNewPath, app->m_strTempDir);
  EXPECT_EQ(app->m_strOldPath, app->m_strTempDir);
  EXPECT_EQ(app->m_strDiffPath, app->m_strTempDir);
  EXPECT_TRUE(app->m_bKeepComment);

  // Derived paths keep the doubled backslash of the program folder text.
  EXPECT_EQ(app->m_strHomeDir, "T:\\\\prog\\");
  EXPECT_EQ(app->m_strIniPath, "T:\\\\prog\\\\Quarvex.ini");
  EXPECT_EQ(app->m_strSelfExe, "T:\\\\prog\\\\Quarvex.exe");
  EXPECT_EQ(app->m_strZekFileExe, "T:\\\\prog\\\\ZEKFile.exe");
  EXPECT_EQ(app->m_strBaseDir, app->m_strHomeDir);
  EXPECT_EQ(app->m_strSendToDir, "T:\\\\prog\\\\SendTo");

  EXPECT_EQ(g_nActiveProfile, 0);
  EXPECT_STREQ(g_fileTypeProfiles[0].targetExt[0].text, "*");
}

TEST_F(SettingsTest, StoredValuesAndForcedModes) {
  WriteFile(prog_ / "excel", "");
  std::filesystem::create_directories(prog_ / "folder");
  Install(CrlfLines({"[Quarvex]", "Command_Excel=T:\\prog\\excel",
                     "Extension_Kind=", "Default_Comment=", "Default_OldPath=T:\\dvd", "DefaultColWidth00_0=11",
                     "DefaultColWidth22_3=44", "Radio_Default_ope_mode1=3", "Subdir_Search=0", "Disp_Mode=31",
                     "Dir_Exist_Diff=1", "Dir_Diff_Exec=0", "Extension_Kind_001=Other", "Extension_Kind_002=Quarvex"}));
  auto app = MakeApp();
  ASSERT_TRUE(app->LoadSettings());
  EXPECT_TRUE(app->m_bCmdAvailable[0]);
  EXPECT_EQ(app->m_strFilterName, "Quarvex");  // an empty value selects the default profile
  EXPECT_EQ(g_nActiveProfile, 1);
  EXPECT_EQ(app->m_strDefaultComment, kDefaultComment);
  EXPECT_EQ(app->m_strOldPath, "T:\\dvd");
  EXPECT_EQ(app->m_nColWidth[0], 11);
  EXPECT_EQ(app->m_nColWidth[10], 44);
  EXPECT_EQ(app->m_nOpeMode1, 3);
  EXPECT_EQ(app->m_nOpeMode2, 4);
  EXPECT_EQ(app->m_nAppMode, 1);
  EXPECT_EQ(app->m_bSubdirSearch, 0);
  EXPECT_EQ(app->m_nDispMode, 31);
  EXPECT_EQ(app->m_bDirExistDiff, 1);
  EXPECT_EQ(app->m_nDiffExec, 0);

  // A CSV viewer that is a folder or missing is not available; its path stays.
  for (const char* cmd : {"T:\\prog\\folder", "T:\\prog\\missing"}) {
    Install(CrlfLines({"[Quarvex]", (std::string("Command_Excel=") + cmd).c_str(), "Extension_Kind_001=Quarvex"}));
    auto other = MakeApp();
    ASSERT_TRUE(other->LoadSettings());
    EXPECT_FALSE(other->m_bCmdAvailable[0]) << cmd;
    EXPECT_EQ(other->m_strCmdExcel, cmd);
  }
}

TEST_F(SettingsTest, AFolderStoredInLinuxFormIsReadInDriveForm) {
  Install(CrlfLines({"[Quarvex]", ("Default_OldPath=" + (tmp_ / "dvd").string() + "/棚").c_str(),
                     "Extension_Kind_001=Quarvex"}));
  auto app = MakeApp();
  ASSERT_TRUE(app->LoadSettings());
  EXPECT_EQ(app->m_strOldPath, "T:\\dvd\\棚");
}

TEST_F(SettingsTest, InstallationChecks) {
  // One refused start: the message and the settings path it leaves.
  auto refused = [&](const char* message, const char* iniPath) {
    auto app = MakeApp();
    people_.QueueAnswer(IDOK);
    EXPECT_FALSE(app->LoadSettings());
    ASSERT_EQ(people_.Calls().size(), 1u);
    EXPECT_EQ(people_.Calls()[0].text, message);
    EXPECT_EQ(app->m_strIniPath, iniPath);
    people_.ClearCalls();
  };
  // No program file, then a folder in its place.
  WriteFile(prog_ / "Quarvex.ini", CrlfLines({"[Quarvex]"}));
  refused(kInstallExe, "");
  std::filesystem::create_directories(prog_ / "Quarvex.exe");
  refused(kInstallExe, "");

  // Program present, no settings file, then a folder in its place.
  (std::filesystem::remove)(prog_ / "Quarvex.exe");
  (std::filesystem::remove)(prog_ / "Quarvex.ini");
  WriteFile(prog_ / "Quarvex.exe", "");
  refused(kInstallIni, "T:\\\\prog\\\\Quarvex.ini");
  std::filesystem::create_directories(prog_ / "Quarvex.ini");
  refused(kInstallIni, "T:\\\\prog\\\\Quarvex.ini");
}

TEST_F(SettingsTest, UnknownProfileRefusesStartAndLeavesFileUntouched) {
  const std::string ini =
      CrlfLines({"[Quarvex]", "Extension_Kind=Movies", "Extension_Kind_001=Quarvex",
                 "Extension_Kind_002=Movies,Nothing", "[Movies,Nothing]", "Extension_Type_001=vob"});
  Install(ini);
  auto app = MakeApp();
  people_.QueueAnswer(IDOK);
  EXPECT_FALSE(app->LoadSettings());
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(people_.Calls()[0].text,
            "フィルタ名称に誤りがあります。 \n (複数指定=Movies,Nothing , 誤記=Movies)");
  EXPECT_EQ(app->m_strFilterNameLoaded, "");
  EXPECT_EQ(Ini(), ini);
}

// A plain name that no profile carries is no error: the first profile
// stays active under the name asked for.
TEST_F(SettingsTest, MissingPlainProfileKeepsTheFirst) {
  Install(CrlfLines({"[Quarvex]", "Extension_Kind=Missing", "Extension_Kind_001=Quarvex", "Extension_Kind_002=Other"}));
  auto app = MakeApp();
  ASSERT_TRUE(app->LoadSettings());
  EXPECT_EQ(app->m_strFilterName, "Missing");
  EXPECT_EQ(app->m_strFilterNameLoaded, "Missing");
  EXPECT_EQ(g_nActiveProfile, 0);
}

TEST_F(SettingsTest, SaveWritesTheKeptKeysOnceAndKeepsEverythingElse) {
  const std::string head =
      CrlfLines({"; settings", "[Quarvex]", "Command_Excel=", "Extension_Kind=Quarvex", "DefaultColWidth00_0=210",
                 "DefaultColWidth11_0=300", "DefaultColWidth11_1=1000", "DefaultColWidth22_0=300",
                 "DefaultColWidth22_1=200", "DefaultColWidth22_2=560", "DefaultColWidth22_3=1000",
                 "Default_OldPath=", "Default_Comment=", "Extension_Kind_001=Quarvex", "Extension_Kind_002=表示"});
  const std::string tail = CrlfLines({"", "[表示]", "Extension_Type_001=txt", "Fixed_Name_001=Read Me", "; kept",
                                      "Exclusive_Dir_001=$recycle.bin", "", "[Other]", "x = y "});
  Install(head + tail);
  auto app = MakeApp();
  ASSERT_TRUE(app->LoadSettings());
  app->m_strCmdExcel = "T:\\bin\\calc";
  app->m_strOldPath = "T:\\DVD\\棚";
  app->m_strDefaultComment = "新しいコメント";
  for (int i = 0; i < 11; ++i) app->m_nColWidth[i] = 100 + i;
  app->SaveSettings();

  std::string expected = head;
  auto replace = [&](const std::string& from, const std::string& to) {
    size_t p = expected.find(from);
    ASSERT_NE(p, std::string::npos) << from;
    expected.replace(p, from.size(), to);
  };
  replace("Command_Excel=\r\n", "Command_Excel=T:\\bin\\calc\r\n");
  replace("DefaultColWidth11_0=300", "DefaultColWidth11_0=105");
  replace("DefaultColWidth11_1=1000", "DefaultColWidth11_1=106");
  replace("DefaultColWidth22_0=300", "DefaultColWidth22_0=107");
  replace("DefaultColWidth22_1=200", "DefaultColWidth22_1=108");
  replace("DefaultColWidth22_2=560", "DefaultColWidth22_2=109");
  replace("DefaultColWidth22_3=1000", "DefaultColWidth22_3=110");
  replace("Default_OldPath=\r\n", "Default_OldPath=T:\\DVD\\棚\r\n");
  replace("Default_Comment=\r\n", "Default_Comment=新しいコメント\r\n");
  EXPECT_EQ(Ini(), expected + tail);
}

TEST_F(SettingsTest, SaveIntoProfileOnlyFileAddsEachKeyOnce) {
  const std::string head = CrlfLines({"[Quarvex]", "Extension_Kind_001=Quarvex", "Extension_Type_001=*"});
  const std::string tail = CrlfLines({"", "[Other]", "Extension_Type_001=vob"});
  Install(head + tail);
  auto app = MakeApp();
  ASSERT_TRUE(app->LoadSettings());
  app->SaveSettings();
  app->SaveSettings();  // a second exit changes nothing
  const std::string ini = Ini();
  for (const char* key : {"Command_Excel=", "Default_OldPath=", "Default_Comment=", "DefaultColWidth11_0=300",
                          "DefaultColWidth11_1=1000", "DefaultColWidth22_0=300", "DefaultColWidth22_1=200",
                          "DefaultColWidth22_2=560", "DefaultColWidth22_3=1000"}) {
    EXPECT_EQ(CountOf(ini, std::string("\n") + key), 1u) << key;
  }
  EXPECT_EQ(CountOf(ini, "DefaultColWidth00_"), 0u);
  EXPECT_EQ(CountOf(ini, "Extension_Kind="), 0u);
  ASSERT_GE(ini.size(), tail.size());
  EXPECT_EQ(ini.substr(ini.size() - tail.size()), tail);
  EXPECT_EQ(ini.substr(0, head.size()), head);
}

TEST_F(SettingsTest, AMultiLineDefaultCommentComesBackWhole) {
  // The settings page edits the comment in a multi-line field.
  Install(CrlfLines({"[Quarvex]", "Extension_Kind_001=Quarvex", "Default_Comment=old"}));
  const std::vector<std::string> comments = {
      "一行目\r\n二行目\\n は改行でない\r\nC:\\new\\表ソ",  // backslashes and trail bytes 0x5C
      "\"quoted\"", "'single'", " blanks at the ends\t", "tab\there\x01"};
  for (const std::string& comment : comments) {
    auto app = MakeApp();
    ASSERT_TRUE(app->LoadSettings());
    app->m_strDefaultComment = comment.c_str();
    app->SaveSettings();
    auto again = MakeApp();
    ASSERT_TRUE(again->LoadSettings());
    EXPECT_EQ(std::string(again->m_strDefaultComment.GetString()), comment) << qvtest::U8(Ini());
  }
  EXPECT_NE(Ini().find("\r\nDefault_Comment=\"\"tab\\there\\x01\"\"\r\n"), std::string::npos)
      << qvtest::U8(Ini());
  // The shortcut's settings copy gets the same form.
  auto app = MakeApp();
  app->m_strDefaultComment = "a\r\nb";
  WriteFile(tmp_ / "ini" / "copy.ini", "");
  EXPECT_TRUE(app->WriteFolderDefaults("T:\\ini\\copy.ini"));
  EXPECT_NE(ReadFile(tmp_ / "ini" / "copy.ini").find("Default_Comment=\"\"a\\r\\nb\"\"\r\n"), std::string::npos);
  // A one-line comment is stored as it is.
  app = MakeApp();
  ASSERT_TRUE(app->LoadSettings());
  app->m_strDefaultComment = "C:\\new \"x\" y";
  app->SaveSettings();
  EXPECT_NE(Ini().find("\r\nDefault_Comment=C:\\new \"x\" y\r\n"), std::string::npos);
  // Quotes of two kinds at the ends are no pair the reader removes.
  app->m_strDefaultComment = "'half\"";
  app->SaveSettings();
  EXPECT_NE(Ini().find("\r\nDefault_Comment='half\"\r\n"), std::string::npos);
  auto back = MakeApp();
  ASSERT_TRUE(back->LoadSettings());
  EXPECT_EQ(back->m_strDefaultComment, "'half\"");
}

TEST_F(SettingsTest, WriteFolderDefaultsWritesTwoKeys) {
  auto app = MakeApp();
  app->m_strOldPath = "T:\\Video";
  app->m_strDefaultComment = "棚Ａ";
  WriteFile(tmp_ / "ini" / "copy.ini", CrlfLines({"[Quarvex]", "Disp_Mode=3"}));
  EXPECT_TRUE(app->WriteFolderDefaults("T:\\ini\\copy.ini"));
  EXPECT_EQ(ReadFile(tmp_ / "ini" / "copy.ini"),
            CrlfLines({"[Quarvex]", "Disp_Mode=3", "Default_OldPath=T:\\Video", "Default_Comment=棚Ａ"}));
}

TEST_F(SettingsTest, ShippedSettingsFileLoads) {
  const char* src = getenv("QUARVEX_TEST_SRC");
  ASSERT_NE(src, nullptr);
  const std::string shipped = ReadFile(std::filesystem::path(src) / "src/res/Quarvex.ini");
  ASSERT_FALSE(shipped.empty());
  // Every line ends in CR LF.
  EXPECT_EQ(CountOf(shipped, "\n"), CountOf(shipped, "\r\n"));
  Install(shipped);
  auto app = MakeApp();
  ASSERT_TRUE(app->LoadSettings());
  EXPECT_EQ(app->m_strFilterName, "Quarvex");
  EXPECT_EQ(app->m_strDefaultComment, kDefaultComment);
  EXPECT_EQ(app->m_nDiffExec, 2);
  EXPECT_EQ(app->m_nDispMode, 14);
  EXPECT_EQ(g_nActiveProfile, 0);
  char ext[256];
  EXPECT_EQ(ClassifyFileName("Movies\\Title 1", ext), FILETYPE_CODE_OTHER);
  EXPECT_TRUE(IsExcludedFolderName("$RECYCLE.BIN"));
  EXPECT_TRUE(IsExcludedFolderName("System Volume Information"));
  EXPECT_FALSE(IsExcludedFolderName("Movies"));
}

TEST(SettingsHelpers, LowerInPlace) {
  char text[] = "ABC.TXT";
  EXPECT_EQ(CZEKApp::LowerInPlace(text), text);
  EXPECT_STREQ(text, "abc.txt");
  char empty[] = "";
  EXPECT_STREQ(CZEKApp::LowerInPlace(empty), "");
  // ア is 83 41: its trail byte lies in 'A'..'Z' and changes too.
  char kana[] = "アZ";
  CZEKApp::LowerInPlace(kana);
  EXPECT_EQ(std::string(kana), std::string("\x83\x61z"));
}

TEST(SettingsHelpers, FileExists) {
  qvtest::TempDir tmp;
  WriteFile(tmp / "f.txt", "x");
  EXPECT_TRUE(CZEKApp::FileExists((tmp / "f.txt").c_str()));
  EXPECT_TRUE(CZEKApp::FileExists(tmp.str().c_str()));
  EXPECT_FALSE(CZEKApp::FileExists((tmp / "none").c_str()));
}

}  // namespace
