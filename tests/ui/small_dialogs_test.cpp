// The small dialogs run for real and driven as a person would: the answers
// of the two question boxes (every button, Enter, Esc and the close box),
// the delete box's texts, the comment editor, the two information dialogs,
// the program picker, the overwrite question of the copy and the about
// box's scrolling picture.
#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <string>
#include <vector>

#include "support/app_fixture.h"
#include "compare/PathRoutines.h"
#include "res/resource.h"
#include "res/tables.h"
#include "ui/AboutDlg.h"
#include "ui/SmallDialogs.h"

namespace fs = std::filesystem;

namespace {

using qvtest::Cp;
using qvtest::ui::Click;
using qvtest::ui::Control;
using qvtest::ui::ShownText;
using qvtest::ui::WidgetOf;

class SmallDialogsTest : public qvtest::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    ASSERT_TRUE(Start());
  }
  // Runs `dlg` for real; `drive` works it once it shows.
  INT_PTR Run(CDialog& dlg, std::function<void(CWnd*)> drive) {
    people_.QueueDrive(std::move(drive));
    return dlg.DoModal();
  }
};

TEST_F(SmallDialogsTest, QuestionBoxesAnswerWithTheirButtonsAndCancelWhenClosed) {
  struct Way {
    const char* what;
    std::function<void(CWnd*)> act;
    int answer;
  };
  auto click = [](int id) { return [id](CWnd* dlg) { Click(dlg, id); }; };
  const std::vector<Way> overwrite = {
      {"yes", click(IDYES), ANSWER_YES},
      {"all", click(IDC_OVERWRITE_ALL), ANSWER_ALL},
      {"no", click(IDNO), ANSWER_NO},
      {"cancel", click(IDC_QUESTION_CANCEL), ANSWER_CANCEL},
      {"Enter", [](CWnd* dlg) { qvtest::ui::Key(WidgetOf(dlg), Qt::Key_Return); }, ANSWER_YES},
      {"Esc", [](CWnd* dlg) { qvtest::ui::Key(WidgetOf(dlg), Qt::Key_Escape); }, ANSWER_CANCEL},
      {"close box", [](CWnd* dlg) { WidgetOf(dlg)->close(); }, ANSWER_CANCEL},
  };
  for (const Way& way : overwrite) {
    CMessageBox_OW_dlg dlg;
    dlg.m_strFileName = Cp("(NEW)　ファイル名称：a\\b.txt").c_str();
    std::string shown;
    bool icon = false;
    EXPECT_EQ(Run(dlg,
                  [&](CWnd* w) {
                    shown = ShownText(w->GetDlgItem(IDC_QUESTION_FILE));
                    icon = static_cast<CMessageBox_OW_dlg*>(w)->m_staticIcon.GetIcon() != nullptr;
                    way.act(w);
                  }),
              way.answer)
        << way.what;
    EXPECT_EQ(shown, "(NEW)　ファイル名称：a\\b.txt");
    EXPECT_TRUE(icon);
  }
  // The delete box's buttons, and the seam's answer when nobody answers.
  const std::vector<Way> remove = {
      {"yes", click(IDYES), ANSWER_YES},
      {"all", click(IDC_DELETE_ALL), ANSWER_ALL},
      {"no", click(IDNO), ANSWER_NO},
      {"Esc", [](CWnd* dlg) { qvtest::ui::Key(WidgetOf(dlg), Qt::Key_Escape); }, ANSWER_CANCEL},
  };
  for (const Way& way : remove) {
    CMessageBox_DEL_dlg dlg;
    EXPECT_EQ(Run(dlg, way.act), way.answer) << way.what;
  }
  people_.ClearCalls();
  CMessageBox_DEL_dlg unanswered;
  people_.SetFailureHook({});
  EXPECT_EQ(unanswered.DoModal(), ANSWER_CANCEL);
  EXPECT_EQ(people_.Calls().at(0).dialogName, "CMessageBox_DEL_dlg");
  EXPECT_EQ(people_.Calls().at(0).cancelAnswer, ANSWER_CANCEL);
}

TEST_F(SmallDialogsTest, TheDeleteBoxAsksByKindAndTarget) {
  struct Case {
    int kind;
    int target;
    const char* text;
  };
  const Case cases[] = {
      {1, 1, "NEWファイルを削除してもいいですか？"},
      {1, 2, "OLDファイルを削除してもいいですか？"},
      {1, 3, "NEWファイル，OLDファイルを削除してもいいですか？"},
      {1, 4, "メッセージ無し"},
      {0, 1, "ファイル(NEW)の修正を無効にして、ファイル(OLD)に戻してもいいですか？"},
      {2, 3, "ファイル(NEW)の修正を無効にして、ファイル(OLD)に戻してもいいですか？"},
  };
  for (const Case& c : cases) {
    CMessageBox_DEL_dlg dlg;
    dlg.m_nKind = c.kind;
    dlg.m_nTarget = c.target;
    std::string shown;
    Run(dlg, [&](CWnd* w) {
      shown = ShownText(w->GetDlgItem(IDC_DELETE_QUESTION));
      Click(w, IDNO);
    });
    EXPECT_EQ(shown, c.text) << c.kind << "/" << c.target;
  }
}

TEST_F(SmallDialogsTest, TheCommentEditorGivesBackTheTextOnlyOnOk) {
  CDIALOG_REV_COMMENT dlg;
  dlg.m_strComment = Cp("前のコメント").c_str();
  std::string shown;
  EXPECT_EQ(Run(dlg,
                [&](CWnd* w) {
                  shown = ShownText(w->GetDlgItem(IDC_EDIT_COMMENT));
                  qvtest::ui::Type(w, IDC_EDIT_COMMENT, "一枚目\n後半");
                  Click(w, IDOK);
                }),
            IDOK);
  EXPECT_EQ(shown, "前のコメント");
  EXPECT_EQ(std::string(dlg.m_strComment.GetString()), Cp("一枚目\r\n後半"));

  EXPECT_EQ(Run(dlg,
                [&](CWnd* w) {
                  qvtest::ui::Type(w, IDC_EDIT_COMMENT, "捨てる");
                  Click(w, IDCANCEL);
                }),
            IDCANCEL);
  EXPECT_EQ(std::string(dlg.m_strComment.GetString()), Cp("一枚目\r\n後半"));
}

TEST_F(SmallDialogsTest, TheInformationDialogsShowTheirValuesReadOnly) {
  CFILE_INFO info;
  info.m_strCreateTime = "2024/03/01 (Fri)  09:15:42";
  info.m_strVersion = "Ver.1.213";
  info.m_strUser = "yamada";
  std::vector<std::string> shown;
  bool enabled = true;
  EXPECT_EQ(Run(info,
                [&](CWnd* w) {
                  for (int id : {IDC_INFO_CREATED, IDC_INFO_SAVED, IDC_INFO_VERSION, IDC_INFO_USER}) {
                    shown.push_back(ShownText(w->GetDlgItem(id)));
                  }
                  enabled = Control(w, IDC_INFO_VERSION)->isEnabled();
                  Click(w, IDOK);
                }),
            IDOK);
  EXPECT_EQ(shown, (std::vector<std::string>{"2024/03/01 (Fri)  09:15:42", "", "Ver.1.213", "yamada"}));
  EXPECT_FALSE(enabled);

  CDIFF_FILE_INFO diff;
  diff.m_strFileName = "src\\a.cpp";
  diff.m_nNewLines = 1251;
  diff.m_nOldSize = 48213;
  diff.m_nDiffCDeleted = -7;
  shown.clear();
  EXPECT_EQ(Run(diff,
                [&](CWnd* w) {
                  for (int id : {IDC_DIFF_FILE_NAME, IDC_DIFF_NEW_LINES, IDC_DIFF_OLD_SIZE, IDC_DIFF_C_DELETED,
                                 IDC_DIFF_ADDED}) {
                    shown.push_back(ShownText(w->GetDlgItem(id)));
                  }
                  Click(w, IDCANCEL);
                }),
            IDCANCEL);
  EXPECT_EQ(shown, (std::vector<std::string>{"src\\a.cpp", "1251", "48213", "-7", "0"}));
}

TEST_F(SmallDialogsTest, TheProgramPickerStartsEmptyWithOneFileType) {
  CFile_Select1 pick(TRUE, nullptr, "old.exe", OFN_HIDEREADONLY,
                     Cp("実行ファイル (*.exe)|*.exe|すべてのファイル (*.*)|*.*||").c_str());
  people_.QueueFile("T:\\tools\\df.exe");
  EXPECT_EQ(pick.DoModal(), IDOK);
  EXPECT_EQ(std::string(pick.GetPathName().GetString()), "T:\\tools\\df.exe");
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(people_.Calls()[0].fileName, "");
  EXPECT_EQ(people_.Calls()[0].filter, Cp("実行ファイル (*.exe)|*.exe||"));
}

TEST_F(SmallDialogsTest, TheCopysOverwriteQuestionIsTheRealDialog) {
  qvtest::WriteFile(tmp_ / "src/a.txt", "new");
  qvtest::WriteFile(tmp_ / "dst/a.txt", "old");
  std::string shown;
  people_.QueueDrive([&](CWnd* w) {
    shown = ShownText(w->GetDlgItem(IDC_QUESTION_FILE));
    Click(w, IDC_OVERWRITE_ALL);
  });
  EXPECT_EQ(CopyFileConfirm(1, "T:\\src", "T:\\dst", "a.txt", "OLD"), 3);
  EXPECT_EQ(shown, "(OLD)　ファイル名称：a.txt");
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "dst/a.txt"), "new");
}

TEST_F(SmallDialogsTest, TheAboutPictureMovesOnePixelATickAndStopsAtItsBottom) {
  int limit = -1;
  UINT offsets[3] = {};
  bool samePixels = false;
  people_.QueueDrive([&](CWnd* w) {
    auto* about = dynamic_cast<CAboutDlg*>(w);
    ASSERT_NE(about, nullptr);
    const CRect pic = about->PictureRect();
    limit = 334 - pic.Height();
    offsets[0] = about->m_nScrollOffset;
    about->SendMessage(WM_TIMER, about->m_nTimer);
    about->SendMessage(WM_TIMER, about->m_nTimer + 7);  // not its timer
    offsets[1] = about->m_nScrollOffset;
    // The top row of the window shows the picture's second row now.
    const QImage shot = WidgetOf(about)->grab().toImage();
    const int left = pic.left + (pic.Width() - 255) / 2;
    samePixels = true;
    for (int x : {3, 60, 127, 200, 250}) {
      const COLORREF c = about->m_bmpScroll.GetPixel(x, 1);
      samePixels &= QColor(shot.pixel(left + x, pic.top)) == QColor(GetRValue(c), GetGValue(c), GetBValue(c));
    }
    for (int i = 0; i < 400; ++i) about->SendMessage(WM_TIMER, about->m_nTimer);
    offsets[2] = about->m_nScrollOffset;
    Click(w, IDOK);
  });
  theApp.OnAppAbout();
  EXPECT_GT(limit, 0);
  EXPECT_EQ(offsets[0], 0u);
  EXPECT_EQ(offsets[1], 1u);
  EXPECT_TRUE(samePixels);
  EXPECT_EQ(offsets[2], static_cast<UINT>(limit));
}

// A picture no taller than its window (as at a large resolution) stands
// still at the top.
const char* const kShortPicture[] = {"4 10 1 1", "a c #FF0000", "aaaa", "aaaa", "aaaa", "aaaa", "aaaa",
                                     "aaaa",     "aaaa",        "aaaa", "aaaa", "aaaa"};

TEST_F(SmallDialogsTest, APictureShorterThanItsWindowNeverScrolls) {
  const qv::res::ResourceSet* program = qv::res::ProgramResources();
  std::vector<qv::res::ImageEntry> bitmaps(program->bitmaps, program->bitmaps + program->bitmapCount);
  for (auto& b : bitmaps) {
    if (b.id == IDB_ABOUT_SCROLL) b.xpm = kShortPicture;
  }
  qv::res::ResourceSet shortSet = *program;
  shortSet.bitmaps = bitmaps.data();
  qv::res::Install(&shortSet);
  UINT offset = 99;
  int limit = -1;
  people_.QueueDrive([&](CWnd* w) {
    auto* about = dynamic_cast<CAboutDlg*>(w);
    for (int i = 0; i < 20; ++i) about->SendMessage(WM_TIMER, about->m_nTimer);
    WidgetOf(about)->grab();
    offset = about->m_nScrollOffset;
    limit = about->ScrollLimit();
    Click(w, IDOK);
  });
  theApp.OnAppAbout();
  qv::res::Install(program);
  EXPECT_EQ(offset, 0u);
  EXPECT_EQ(limit, 0);
}

}  // namespace
