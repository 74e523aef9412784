// The extraction dialogs on the running program with their real controls:
// the preview, the running number on the spin, the folder picker, the
// checks, "設定", "抽出元フォルダを変更" and the extraction copy.
#include <gtest/gtest.h>

#include "support/app_fixture.h"

#include <QTreeView>

#include "records/FileInfo.h"
#include "res/resource.h"
#include "ui/ExtractDialogs.h"

namespace fs = std::filesystem;

namespace {

using qvtest::Cp;
using qvtest::U8;
using qvtest::ui::Click;
using qvtest::ui::Control;
using qvtest::ui::Key;
using qvtest::ui::Pump;
using qvtest::ui::ShownText;
using qvtest::ui::Type;

class ExtractDialogTest : public qvtest::AppTest {
 protected:
  CZEKEnv_Label* Entry() const { return theApp.m_pCurrentDoc ? theApp.m_pCurrentDoc->m_pCurrentEntry : nullptr; }

  // The preview's items, depth-first, indented by two blanks per level.
  static std::vector<std::string> Preview(CWnd* dlg) {
    auto* tree = static_cast<CTreeCtrl*>(dlg->GetDlgItem(IDC_EXTRACT_PREVIEW));
    std::vector<std::string> lines;
    std::function<void(HTREEITEM, int)> walk = [&](HTREEITEM item, int depth) {
      for (; item != nullptr; item = tree->GetNextSiblingItem(item)) {
        lines.push_back(std::string(depth * 2, ' ') + U8(tree->GetItemText(item).GetString()));
        EXPECT_TRUE(!tree->ItemHasChildren(item) || tree->ItemIsExpanded(item));
        walk(tree->GetChildItem(item), depth + 1);
      }
    };
    walk(tree->GetRootItem(), 0);
    return lines;
  }

  // The control that has the focus in the dialog's window.
  static QWidget* FocusIn(CWnd* dlg) { return qvtest::ui::WidgetOf(dlg)->window()->focusWidget(); }

  static bool Enabled(CWnd* dlg, int id) { return dlg->GetDlgItem(id)->IsWindowEnabled(); }

  static std::string Today(int counter) {
    char text[32];
    const time_t now = time(nullptr);
    strftime(text, sizeof text, "%Y%m%d", localtime(&now));
    return std::string(text) + (counter < 10 ? "_0" : "_") + std::to_string(counter);
  }
};

TEST_F(ExtractDialogTest, PreviewFollowsTheLevel) {
  ASSERT_TRUE(Start());
  people_.QueueDrive([&](CWnd* dlg) {
    EXPECT_EQ(Preview(dlg), (std::vector<std::string>{"抽出先フォルダパス", "  第一階層", "    修正前(OLD)",
                                                      "    修正後(NEW)"}));
    EXPECT_TRUE(Enabled(dlg, IDC_EXTRACT_FIRST_NAME));
    EXPECT_FALSE(Enabled(dlg, IDC_EXTRACT_SECOND_NAME));
    EXPECT_FALSE(Enabled(dlg, IDC_EXTRACT_SECOND_LABEL));

    Click(dlg, IDC_EXTRACT_SECOND_LEVEL);
    EXPECT_EQ(Preview(dlg), (std::vector<std::string>{"抽出先フォルダパス", "  第一階層", "    第二階層",
                                                      "      修正前(OLD)", "      修正後(NEW)"}));
    EXPECT_TRUE(Enabled(dlg, IDC_EXTRACT_SECOND_NAME));

    Click(dlg, IDC_EXTRACT_DIRECT);
    EXPECT_EQ(Preview(dlg), (std::vector<std::string>{"抽出先フォルダパス", "  修正前(OLD)", "  修正後(NEW)"}));
    EXPECT_FALSE(Enabled(dlg, IDC_EXTRACT_FIRST_NAME));
    EXPECT_FALSE(Enabled(dlg, IDC_EXTRACT_FIRST_LABEL));
    Click(dlg, IDCANCEL);
  });
  EXPECT_EQ(theApp.m_dlgExtractSel.DoModal(), IDCANCEL);
  EXPECT_EQ(theApp.m_dlgExtractSel.m_nLevel, 0);
  EXPECT_EQ(theApp.m_dlgExtractSel.m_nState, 0);
}

TEST_F(ExtractDialogTest, SpinStepsTheRunningNumberAndTheNextDialogKeepsIt) {
  ASSERT_TRUE(Start());
  people_.QueueDrive([&](CWnd* dlg) {
    // The first opening starts at 1.
    EXPECT_EQ(ShownText(dlg->GetDlgItem(IDC_EXTRACT_FIRST_NAME)), Today(1));
    QWidget* spin = Control(dlg, IDC_EXTRACT_COUNTER);
    Key(spin, Qt::Key_Up);
    Key(spin, Qt::Key_Up);
    Key(spin, Qt::Key_Up);
    EXPECT_EQ(ShownText(dlg->GetDlgItem(IDC_EXTRACT_FIRST_NAME)), Today(4));
    Key(spin, Qt::Key_Down);
    EXPECT_EQ(ShownText(dlg->GetDlgItem(IDC_EXTRACT_FIRST_NAME)), Today(3));
    Click(dlg, IDCANCEL);
  });
  theApp.m_dlgExtractSel.DoModal();
  EXPECT_EQ(theApp.m_nExtractCounter, 3);

  // The extraction copy dialog takes the number and steps on from it.
  people_.QueueDrive([&](CWnd* dlg) {
    EXPECT_EQ(ShownText(dlg->GetDlgItem(IDC_EXTRACT_FIRST_NAME)), Today(3));
    Click(static_cast<QWidget*>(Control(dlg, IDC_EXTRACT_COUNTER)->findChildren<QToolButton*>().at(0)));
    EXPECT_EQ(ShownText(dlg->GetDlgItem(IDC_EXTRACT_FIRST_NAME)), Today(4));
    Click(dlg, IDCANCEL);
  });
  CFORMDLG copy;
  EXPECT_EQ(copy.DoModal(), IDCANCEL);
  EXPECT_EQ(theApp.m_nExtractCounter, 4);
}

TEST_F(ExtractDialogTest, FolderPickerOpensAtWhatWasTyped) {
  ASSERT_TRUE(Start());
  people_.QueueDrive([&](CWnd* dlg) {
    Type(dlg, IDC_EXTRACT_ROOT, "T:\\typed root");
    Type(dlg, IDC_EXTRACT_FIRST_NAME, "理由");
    people_.QueueFolderCancel();
    Click(dlg, IDC_EXTRACT_SELECT_FOLDER);
    // Cancelled: what was typed is still there.
    EXPECT_EQ(ShownText(dlg->GetDlgItem(IDC_EXTRACT_ROOT)), "T:\\typed root");
    EXPECT_EQ(ShownText(dlg->GetDlgItem(IDC_EXTRACT_FIRST_NAME)), "理由");

    people_.QueueFolder(Cp("T:\\選んだ"));
    Click(dlg, IDC_EXTRACT_SELECT_FOLDER);
    EXPECT_EQ(ShownText(dlg->GetDlgItem(IDC_EXTRACT_ROOT)), "T:\\選んだ");
    EXPECT_EQ(ShownText(dlg->GetDlgItem(IDC_EXTRACT_FIRST_NAME)), "理由");

    // A root the picker's buffer cannot hold is not handed to it.
    Type(dlg, IDC_EXTRACT_ROOT, "T:\\" + std::string(300, 'r'));
    people_.QueueAnswer(IDOK);
    Click(dlg, IDC_EXTRACT_SELECT_FOLDER);
    EXPECT_NE(U8(people_.Calls().back().text).find("フォルダ選択できません（259バイトまで）"), std::string::npos);
    Click(dlg, IDCANCEL);
  });
  theApp.m_dlgExtractSel.DoModal();
  const auto& calls = people_.Calls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[0].initialPath, "T:\\typed root");
  EXPECT_EQ(U8(calls[0].title), "マスター反映先フォルダ選択");
}

TEST_F(ExtractDialogTest, NamesAreCheckedWithTheFocusOnTheEditConcerned) {
  ASSERT_TRUE(Start());
  people_.QueueDrive([&](CWnd* dlg) {
    Click(dlg, IDC_EXTRACT_SECOND_LEVEL);
    Type(dlg, IDC_EXTRACT_SECOND_NAME, "");
    people_.QueueAnswer(IDOK);
    Click(dlg, IDC_EXTRACT_RUN);
    EXPECT_EQ(U8(people_.Calls().back().text), "第二階層フォルダ名称が定義されていません。");
    EXPECT_EQ(FocusIn(dlg), Control(dlg, IDC_EXTRACT_SECOND_NAME));

    Type(dlg, IDC_EXTRACT_SECOND_NAME, "x");
    Type(dlg, IDC_EXTRACT_NEW_NAME, "old");
    people_.QueueAnswer(IDOK);
    Click(dlg, IDC_EXTRACT_RUN);
    EXPECT_EQ(U8(people_.Calls().back().text), "修正前(OLD)フォルダ名称と修正後(NEW)フォルダ名称が同じ名称です。");
    EXPECT_EQ(FocusIn(dlg), Control(dlg, IDC_EXTRACT_OLD_NAME));
    auto* oldEdit = qobject_cast<QLineEdit*>(Control(dlg, IDC_EXTRACT_OLD_NAME));
    ASSERT_NE(oldEdit, nullptr);
    EXPECT_EQ(oldEdit->selectedText(), "OLD");
    // Still open.
    Click(dlg, IDCANCEL);
  });
  EXPECT_EQ(theApp.m_dlgExtractSel.DoModal(), IDCANCEL);
  EXPECT_FALSE(fs::exists(tmp_ / "out"));
}

TEST_F(ExtractDialogTest, AFailedSetKeepsThePreviousOutputFolders) {
  ASSERT_TRUE(Start());
  CFORMDLG_SEL& sel = theApp.m_dlgExtractSel;
  people_.QueueDrive([&](CWnd* dlg) {
    Type(dlg, IDC_EXTRACT_ROOT, "T:\\out");
    Type(dlg, IDC_EXTRACT_FIRST_NAME, "first");
    people_.QueueAnswer(IDYES);  // make T:\out
    Click(dlg, IDC_EXTRACT_RUN);
  });
  ASSERT_EQ(sel.DoModal(), IDOK);
  EXPECT_EQ(sel.m_nState, 1);
  EXPECT_EQ(sel.m_strOutNew, "T:\\out\\first\\NEW");
  EXPECT_TRUE(fs::is_directory(tmp_ / "out/first/OLD"));

  // The same folders again, and No to "exists": the dialog stays open and
  // the output folders are those of the build before.
  people_.QueueDrive([&](CWnd* dlg) {
    people_.QueueAnswer(IDNO);
    Click(dlg, IDC_EXTRACT_RUN);
    EXPECT_EQ(U8(people_.Calls().back().text),
              "指定したフォルダは既に存在します。出力結果は上書きされます。\n処理を続行しますか？");
    EXPECT_EQ(sel.m_strOutNew, "T:\\out\\first\\NEW");
    EXPECT_EQ(sel.m_strOutOld, "T:\\out\\first\\OLD");
    Click(dlg, IDCANCEL);
  });
  EXPECT_EQ(sel.DoModal(), IDCANCEL);
  EXPECT_EQ(sel.m_nState, 1);
}

TEST_F(ExtractDialogTest, ARootTypedInLinuxFormGivesOutputFoldersInDriveForm) {
  ASSERT_TRUE(Start());
  CFORMDLG_SEL& sel = theApp.m_dlgExtractSel;
  people_.QueueDrive([&](CWnd* dlg) {
    Type(dlg, IDC_EXTRACT_ROOT, (tmp_ / "抽出").string());
    Type(dlg, IDC_EXTRACT_FIRST_NAME, "first");
    people_.QueueAnswer(IDYES);  // make the root
    Click(dlg, IDC_EXTRACT_RUN);
  });
  ASSERT_EQ(sel.DoModal(), IDOK);
  EXPECT_EQ(U8(sel.m_strOutOld.GetString()), "T:\\抽出\\first\\OLD");
  EXPECT_EQ(U8(sel.m_strOutDiff.GetString()), "T:\\抽出\\first\\DIFF");
  EXPECT_TRUE(fs::is_directory(tmp_ / "抽出/first/OLD"));
}

TEST_F(ExtractDialogTest, ChangeSourceStopsWhenTheOpenDocumentIsKept) {
  ASSERT_TRUE(Start());
  CFORMDLG_SEL& sel = theApp.m_dlgExtractSel;
  sel.m_nState = 2;
  sel.m_nLevel = 1;
  sel.m_strOutNew = "T:\\out\\NEW";
  sel.m_strOutOld = "T:\\out\\OLD";
  sel.m_strOutDiff = "T:\\out\\DIFF";
  Entry()->m_strOldPath = "T:\\kept";
  theApp.m_pCurrentDoc->SetModifiedFlag(TRUE);
  // The DVD catalogue: the new document keeps its mode in both words.
  theApp.m_nAppMode = MODE_LIST;
  Frame()->m_nMode = MODE_LIST;

  people_.QueueDrive([&](CWnd* dlg) {
    ASSERT_TRUE(Enabled(dlg, IDC_EXTRACT_CHANGE_SOURCE));
    people_.QueueAnswer(IDCANCEL);  // keep the open document
    Click(dlg, IDC_EXTRACT_CHANGE_SOURCE);
    EXPECT_EQ(Entry()->m_strOldPath, "T:\\kept");
    people_.QueueAnswer(IDNO);  // drop its changes
    Click(dlg, IDC_EXTRACT_CHANGE_SOURCE);
  });
  EXPECT_EQ(sel.DoModal(), IDOK);
  Pump();
  EXPECT_EQ(Entry()->m_strOldPath, "T:\\out\\OLD");
  EXPECT_EQ(Entry()->m_strNewPath, "T:\\out\\NEW");
  EXPECT_EQ(Entry()->m_strDiffPath, "T:\\out\\DIFF");
  EXPECT_EQ(Entry()->m_nMode, MODE_LIST);
  EXPECT_EQ(Entry()->m_nModeCopy, MODE_LIST);
  EXPECT_EQ(Frame()->m_nMode, MODE_LIST);
  EXPECT_TRUE(theApp.m_pCurrentDoc->IsModified());
  EXPECT_EQ(sel.m_nState, 1);
  EXPECT_EQ(Frame()->m_nLayout, WM_SHOW_OPERATION_VIEW);
}

TEST_F(ExtractDialogTest, ExtractionCopyPointsTheEntryAtTheOutput) {
  ASSERT_TRUE(Start());
  Frame()->m_nMode = MODE_COMPARE;
  qvtest::WriteFile(tmp_ / "src/old/a", "old a");
  qvtest::WriteFile(tmp_ / "src/new/a", "new a");
  CObList records;
  CZEKMergeFileInfo record;
  record.m_nType = 2;
  record.m_nExist = 3;
  record.m_New.m_strName = record.m_Old.m_strName = "a";
  records.AddTail(&record);
  CString newDir = "T:\\src\\new", oldDir = "T:\\src\\old";

  CFORMDLG dlg;
  dlg.m_strRoot = "T:\\x";
  dlg.m_pRecords = &records;
  dlg.m_pNewSrcDir = &newDir;
  dlg.m_pOldSrcDir = &oldDir;
  dlg.m_pDoc = theApp.m_pCurrentDoc;
  dlg.m_nMakeFlags = 7;
  fs::create_directories(tmp_ / "x");
  people_.QueueDrive([&](CWnd* w) {
    Click(w, IDC_EXTRACT_DIRECT);
    people_.QueueAnswer(IDOK);
    Click(w, IDC_EXTRACT_RUN);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  const auto& calls = people_.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(U8(calls[0].text), "ファイルコピーは正常終了しました。");
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "x/OLD/a"), "old a");
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "x/NEW/a"), "new a");
  EXPECT_EQ(Entry()->m_strNewPath, "T:\\x\\NEW");
  EXPECT_EQ(Entry()->m_strOldPath, "T:\\x\\OLD");
  EXPECT_EQ(Entry()->m_strDiffPath, "T:\\x\\DIFF");
  records.RemoveAll();
}

}  // namespace
