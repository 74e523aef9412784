// The settings sheet driven as a person would: what reaches the settings
// record and the settings file, what is refused, the browse buttons and the
// shortcut with its own settings copy.
#include <gtest/gtest.h>

#include <QTabBar>
#include <QTabWidget>

#include "support/app_fixture.h"

#include "compare/SendTo.h"
#include "res/resource.h"
#include "ui/EnvSheet.h"

namespace {

namespace fs = std::filesystem;
using qvtest::Cp;
using qvtest::ui::Click;
using qvtest::ui::Control;
using qvtest::ui::Pump;
using qvtest::ui::ShownText;
using qvtest::ui::Type;
using qvtest::ui::WidgetOf;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

class SettingsSheetTest : public qvtest::AppTest {
 protected:
  // Runs the sheet from the frame's settings command (the toolbar button);
  // `drive` acts on it while it is shown and must end it. TRUE when it
  // ended with OK.
  BOOL RunSheet(const std::function<void(CPropertySheet*)>& drive) {
    people_.QueueDrive([drive](CWnd* dlg) {
      auto* sheet = dynamic_cast<CPropertySheet*>(dlg);
      ASSERT_NE(sheet, nullptr);
      drive(sheet);
    });
    Frame()->SendMessage(WM_COMMAND, ID_ENV_SETTING, 0);
    return !people_.Calls().empty() && people_.Calls().back().dialogName == "CENV_SHEET" &&
           people_.Calls().back().answer == IDOK;
  }

  static void ClickTab(CPropertySheet* sheet, int index) {
    auto* tabs = WidgetOf(sheet)->findChild<QTabWidget*>(QStringLiteral("qv_sheet_tabs"));
    ASSERT_NE(tabs, nullptr);
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, Qt::NoModifier, tabs->tabBar()->tabRect(index).center());
    Pump(1);
  }
  static void ClickButton(CPropertySheet* sheet, const char* utf8) {
    QAbstractButton* b = qvtest::ui::ButtonByText(WidgetOf(sheet), utf8);
    ASSERT_NE(b, nullptr) << utf8;
    Click(b);
  }
  static CENV_COMMAND* Programs(CPropertySheet* sheet) { return dynamic_cast<CENV_COMMAND*>(sheet->GetPage(0)); }
  static CENV_FOLDER* Folders(CPropertySheet* sheet) { return dynamic_cast<CENV_FOLDER*>(sheet->GetPage(1)); }

  // Clicks a hidden button of a page (the template hides it, the page still
  // has it).
  static void Press(CWnd* page, int id) { page->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
};

TEST_F(SettingsSheetTest, OkStoresEachShownFieldAndTheExitWritesThemBack) {
  ASSERT_TRUE(Start());
  qvtest::WriteFile(tmp_.path() / "tools/viewer", "");
  const std::string iniBefore = ReadIni();
  const CString editor = theApp.m_strCmdEditor;
  const CString df = theApp.m_strCmdDF;
  const CString newPath = theApp.m_strNewPath;
  EXPECT_EQ(theApp.m_bCmdAvailable[0], FALSE);

  const BOOL ok = RunSheet([&](CPropertySheet* sheet) {
    EXPECT_EQ(qvtest::ui::ShownText(sheet), "システム環境設定");
    EXPECT_EQ(sheet->GetPageCount(), 2);
    // Only the CSV viewer of the programs shows; the others are kept.
    CENV_COMMAND* programs = Programs(sheet);
    EXPECT_TRUE(Control(programs, IDC_ENV_CMD_EXCEL)->isVisible());
    EXPECT_FALSE(Control(programs, IDC_ENV_CMD_EDITOR)->isVisible());
    EXPECT_EQ(ShownText(programs->GetDlgItem(IDC_ENV_CMD_EDITOR)), "notepad");
    EXPECT_EQ(qvtest::ui::ButtonByText(WidgetOf(sheet), "適用(A)"), nullptr);
    Type(programs, IDC_ENV_CMD_EXCEL, "T:\\tools\\viewer");
    ClickTab(sheet, 1);
    CENV_FOLDER* folders = Folders(sheet);
    EXPECT_EQ(ShownText(folders->GetDlgItem(IDC_ENV_OLD_PATH)), qv::Cp932ToUtf8Lossy(theApp.m_strOldPath.View()));
    EXPECT_FALSE(Control(folders, IDC_ENV_NEW_PATH)->isVisible());
    EXPECT_FALSE(Control(folders, IDC_ENV_CREATE_SHORTCUT)->isVisible());
    Type(folders, IDC_ENV_OLD_PATH, "T:\\ＤＶＤ棚");
    Type(folders, IDC_ENV_COMMENT, "棚の一覧\n二段目");
    ClickButton(sheet, "OK");
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(people_.Calls().back().dialogName, "CENV_SHEET");
  EXPECT_EQ(theApp.m_strCmdExcel, "T:\\tools\\viewer");
  EXPECT_EQ(theApp.m_bCmdAvailable[0], TRUE);
  EXPECT_EQ(std::string(theApp.m_strOldPath.GetString()), Cp("T:\\ＤＶＤ棚"));
  EXPECT_EQ(std::string(theApp.m_strDefaultComment.GetString()), Cp("棚の一覧\r\n二段目"));
  // Hidden fields pass through unchanged.
  EXPECT_EQ(theApp.m_strCmdEditor, editor);
  EXPECT_EQ(theApp.m_strCmdDF, df);
  EXPECT_EQ(theApp.m_strNewPath, newPath);

  // At exit the three kept keys are written; every other line stays.
  Exit();
  const std::vector<std::string> before = Lines(iniBefore);
  const std::vector<std::string> after = Lines(ReadIni());
  ASSERT_EQ(before.size(), after.size());
  std::vector<std::string> changed;
  for (size_t i = 0; i < before.size(); ++i) {
    if (before[i] != after[i]) changed.push_back(after[i]);
  }
  EXPECT_EQ(changed, (std::vector<std::string>{"Command_Excel=T:\\tools\\viewer", Cp("Default_OldPath=T:\\ＤＶＤ棚"),
                                               Cp("Default_Comment=\"\"棚の一覧\\r\\n二段目\"\"")}));
}

TEST_F(SettingsSheetTest, AFolderTypedInLinuxFormIsStoredInDriveForm) {
  ASSERT_TRUE(Start());
  const BOOL ok = RunSheet([&](CPropertySheet* sheet) {
    ClickTab(sheet, 1);
    Type(Folders(sheet), IDC_ENV_OLD_PATH, (tmp_.path() / "ＤＶＤ棚").string());
    ClickButton(sheet, "OK");
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(std::string(theApp.m_strOldPath.GetString()), Cp("T:\\ＤＶＤ棚"));
  Exit();
  EXPECT_NE(ReadIni().find(Cp("Default_OldPath=T:\\ＤＶＤ棚\r\n")), std::string::npos);
}

TEST_F(SettingsSheetTest, CancelAndRefusalsStoreNothingAndAMissingProgramIsKept) {
  ASSERT_TRUE(Start());
  qvtest::WriteFile(tmp_.path() / "tools/viewer", "");
  fs::create_directories(tmp_.path() / "tools/folder");
  const CString oldPath = theApp.m_strOldPath;
  const CString comment = theApp.m_strDefaultComment;
  const std::string tooLong = "T:\\" + std::string(1100, 'x');

  // Cancel after changes: nothing reaches the record.
  EXPECT_FALSE(RunSheet([&](CPropertySheet* sheet) {
    Type(Programs(sheet), IDC_ENV_CMD_EXCEL, "T:\\tools\\viewer");
    ClickTab(sheet, 1);
    Type(Folders(sheet), IDC_ENV_OLD_PATH, "T:\\elsewhere");
    ClickButton(sheet, "キャンセル");
  }));
  EXPECT_EQ(theApp.m_strCmdExcel, "");
  EXPECT_EQ(theApp.m_strOldPath, oldPath);

  // A path too long for the program's buffers: refused with a message,
  // the sheet stays, and a valid page is not stored while another is
  // refused. A program not installed yet is no refusal.
  EXPECT_TRUE(RunSheet([&](CPropertySheet* sheet) {
    CENV_COMMAND* programs = Programs(sheet);
    Type(programs, IDC_ENV_CMD_EXCEL, "T:\\tools\\missing");
    ClickTab(sheet, 1);
    EXPECT_EQ(sheet->GetActiveIndex(), 1);
    CENV_FOLDER* folders = Folders(sheet);
    folders->GetDlgItem(IDC_ENV_OLD_PATH)->SetWindowText(tooLong.c_str());
    people_.QueueAnswer(IDOK);
    ClickButton(sheet, "OK");
    EXPECT_EQ(theApp.m_strCmdExcel, "");
    EXPECT_EQ(theApp.m_strOldPath, oldPath);
    Type(folders, IDC_ENV_OLD_PATH, "T:\\fits");
    ClickButton(sheet, "OK");
  }));
  ASSERT_EQ(people_.Calls().size(), 3u);
  EXPECT_EQ(qv::Cp932ToUtf8Lossy(people_.Calls()[1].text),
            tooLong + "\n\n上記パスが長すぎます。1023バイト以内で指定して下さい。");
  EXPECT_EQ(theApp.m_strOldPath, "T:\\fits");
  EXPECT_EQ(theApp.m_strDefaultComment, comment);
  // The program that is not there yet is stored; it is not available.
  EXPECT_EQ(theApp.m_strCmdExcel, "T:\\tools\\missing");
  EXPECT_EQ(theApp.m_bCmdAvailable[0], FALSE);

  // A folder named as the program is stored too; a program found before
  // stays available.
  theApp.m_bCmdAvailable[0] = TRUE;
  people_.ClearCalls();
  EXPECT_TRUE(RunSheet([&](CPropertySheet* sheet) {
    Type(Programs(sheet), IDC_ENV_CMD_EXCEL, "T:\\tools\\folder");
    ClickButton(sheet, "OK");
  }));
  EXPECT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(theApp.m_strCmdExcel, "T:\\tools\\folder");
  EXPECT_EQ(theApp.m_bCmdAvailable[0], TRUE);
}

TEST_F(SettingsSheetTest, BrowseButtonsKeepWhatWasTyped) {
  ASSERT_TRUE(Start());
  qvtest::WriteFile(tmp_.path() / "tools/viewer", "");
  EXPECT_TRUE(RunSheet([&](CPropertySheet* sheet) {
    CENV_COMMAND* programs = Programs(sheet);
    Type(programs, IDC_ENV_CMD_EXCEL, "T:\\tools\\old\\viewer.exe");
    // The program picker opens beside the current program; cancelled, the
    // field keeps its text.
    people_.QueueFileCancel();
    Click(programs, IDC_ENV_BROWSE_EXCEL);
    EXPECT_EQ(ShownText(programs->GetDlgItem(IDC_ENV_CMD_EXCEL)), "T:\\tools\\old\\viewer.exe");
    people_.QueueFile("T:\\tools\\viewer");
    Click(programs, IDC_ENV_BROWSE_EXCEL);
    EXPECT_EQ(ShownText(programs->GetDlgItem(IDC_ENV_CMD_EXCEL)), "T:\\tools\\viewer");
    // A file dropped from the file manager becomes the path.
    Type(programs, IDC_ENV_CMD_EXCEL, "");
    qvtest::ui::DropFiles(Control(programs, IDC_ENV_CMD_EXCEL), {(tmp_.path() / "tools/viewer").string()});
    EXPECT_EQ(ShownText(programs->GetDlgItem(IDC_ENV_CMD_EXCEL)), "T:\\tools\\viewer");

    ClickTab(sheet, 1);
    CENV_FOLDER* folders = Folders(sheet);
    Type(folders, IDC_ENV_COMMENT, "打ったばかりのコメント");
    people_.QueueFolderCancel();
    Click(folders, IDC_ENV_BROWSE_OLD);
    EXPECT_EQ(ShownText(folders->GetDlgItem(IDC_ENV_COMMENT)), "打ったばかりのコメント");
    Type(folders, IDC_ENV_COMMENT, "もう一度");
    people_.QueueFolder("T:\\picked");
    Click(folders, IDC_ENV_BROWSE_OLD);
    EXPECT_EQ(ShownText(folders->GetDlgItem(IDC_ENV_OLD_PATH)), "T:\\picked");
    EXPECT_EQ(ShownText(folders->GetDlgItem(IDC_ENV_COMMENT)), "もう一度");
    ClickButton(sheet, "OK");
  }));
  const auto& calls = people_.Calls();
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(qv::Cp932ToUtf8Lossy(calls[1].title), "ＣＳＶファイル表示プログラム選択");
  EXPECT_EQ(calls[1].initialPath, "T:\\tools\\old");
  EXPECT_EQ(calls[1].flags & OFN_EXPLORER, 0u);
  EXPECT_TRUE(calls[1].open);
  EXPECT_EQ(qv::Cp932ToUtf8Lossy(calls[3].title), "修正前フォリダ(OLD)選択");
  EXPECT_EQ(theApp.m_strOldPath, "T:\\picked");
  EXPECT_EQ(std::string(theApp.m_strDefaultComment.GetString()), Cp("もう一度"));
  EXPECT_EQ(theApp.m_strCmdExcel, "T:\\tools\\viewer");
}

TEST_F(SettingsSheetTest, TheShortcutStartsTheProgramWithItsOwnSettingsCopy) {
  ASSERT_TRUE(Start());
  fs::create_directories(ProgramDir() / "ini");
  fs::create_directories(ProgramDir() / "bin");
  const std::string name = "映画";
  const std::string nameCp = Cp(name);

  EXPECT_FALSE(RunSheet([&](CPropertySheet* sheet) {
    ClickTab(sheet, 1);
    CENV_FOLDER* folders = Folders(sheet);
    CWnd* nameField = folders->GetDlgItem(IDC_ENV_SHORTCUT_NAME);
    EXPECT_EQ(ShownText(nameField), "－－－ ショートカット名を指定して下さい。 －－－");
    // The placeholder, an empty name and a name that leaves the folder are
    // refused.
    people_.QueueAnswer(IDOK);
    Press(folders, IDC_ENV_CREATE_SHORTCUT);
    nameField->SetWindowText("");
    people_.QueueAnswer(IDOK);
    Press(folders, IDC_ENV_CREATE_SHORTCUT);
    nameField->SetWindowText("..\\..\\x");
    people_.QueueAnswer(IDOK);
    Press(folders, IDC_ENV_CREATE_SHORTCUT);

    Type(folders, IDC_ENV_OLD_PATH, "T:\\棚");
    Type(folders, IDC_ENV_COMMENT, "ショートカットのコメント");
    nameField->SetWindowText(nameCp.c_str());
    Press(folders, IDC_ENV_CREATE_SHORTCUT);
    // The same name again: refused, nothing changes.
    people_.QueueAnswer(IDOK);
    Press(folders, IDC_ENV_CREATE_SHORTCUT);
    ClickButton(sheet, "キャンセル");
  }));
  const auto& calls = people_.Calls();
  ASSERT_EQ(calls.size(), 5u);  // the sheet's own call comes last
  EXPECT_EQ(qv::Cp932ToUtf8Lossy(calls[0].text), "ショートカット名称を指定して下さい。");
  EXPECT_EQ(qv::Cp932ToUtf8Lossy(calls[1].text), "ショートカット名称を指定して下さい。");
  EXPECT_EQ(qv::Cp932ToUtf8Lossy(calls[2].text).rfind("ショートカット名称に使用できない文字", 0), 0u);
  EXPECT_EQ(qv::Cp932ToUtf8Lossy(calls[3].text),
            "指定したショートカットは、既に存在します。\n別なショートカット名称を指定して下さい。");
  EXPECT_FALSE(fs::exists(tmp_.path() / "x.ini"));

  // The link starts the program with its settings copy.
  const fs::path link = ProgramDir() / "bin" / qvtest::U8(nameCp + ".lnk");
  ASSERT_TRUE(fs::exists(link));
  char target[1024];
  const std::string linkWin = std::string(theApp.m_strHomeDir.GetString()) + "\\bin\\" + nameCp + ".lnk";
  ASSERT_NE(ResolveShortcutFile(linkWin.c_str(), target, sizeof target), nullptr);
  EXPECT_STREQ(target, "T:\\program\\Quarvex.exe");
  const std::string bytes = qvtest::ReadFile(link);
  std::u16string args = u"-i:ini\\映画.ini";
  std::string utf16;
  for (char16_t c : args) utf16 += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  EXPECT_NE(bytes.find(utf16), std::string::npos);

  // The copy holds the page's OLD folder and comment and the rest of the
  // settings file; the running program took the page's folders too, also
  // though the sheet was cancelled.
  const std::string copy = qvtest::ReadFile(ProgramDir() / "ini" / qvtest::U8(nameCp + ".ini"));
  EXPECT_NE(copy.find(Cp("Default_OldPath=T:\\棚")), std::string::npos);
  EXPECT_NE(copy.find(Cp("Default_Comment=ショートカットのコメント")), std::string::npos);
  EXPECT_NE(copy.find("Extension_Kind_001=Quarvex"), std::string::npos);
  EXPECT_EQ(std::string(theApp.m_strOldPath.GetString()), Cp("T:\\棚"));

  // Without the "bin" folder no link can be written: told, and the copy
  // made for it goes again, so the name can be tried once more.
  fs::remove_all(ProgramDir() / "bin");
  people_.ClearCalls();
  EXPECT_FALSE(RunSheet([&](CPropertySheet* sheet) {
    ClickTab(sheet, 1);
    CENV_FOLDER* folders = Folders(sheet);
    folders->GetDlgItem(IDC_ENV_SHORTCUT_NAME)->SetWindowText("second");
    people_.QueueAnswer(IDOK);
    Press(folders, IDC_ENV_CREATE_SHORTCUT);
    ClickButton(sheet, "キャンセル");
  }));
  ASSERT_EQ(people_.Calls().size(), 2u);
  EXPECT_EQ(qv::Cp932ToUtf8Lossy(people_.Calls()[0].text),
            std::string(theApp.m_strHomeDir.GetString()) + "\\bin\\second.lnk\n\n上記ショートカットを作成できませんでした。");
  EXPECT_FALSE(fs::exists(ProgramDir() / "ini" / "second.ini"));
}

TEST_F(SettingsSheetTest, TheIniOptionIsKeptAndTheProgramsOwnSettingsAreUsed) {
  ASSERT_TRUE(Start({"-i:ini\\abc.ini"}));
  EXPECT_TRUE(theApp.m_cmdInfo.m_bIniOption);
  EXPECT_EQ(theApp.m_cmdInfo.m_strIniOption, "ini\\abc.ini");
  EXPECT_EQ(theApp.m_strIniPath, theApp.m_strHomeDir + "\\Quarvex.ini");
  ASSERT_NE(theApp.m_pCurrentDoc, nullptr);
  EXPECT_EQ(theApp.m_pCurrentDoc->GetPathName(), "");
}

}  // namespace
