// The main frame and the application's start-up, driven as a person would.
#include <gtest/gtest.h>

#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include "support/app_fixture.h"
#include "res/resource.h"
#include "ui/OperationForm.h"
#include "ui/SourceForm.h"
#include "ui/TitleForm.h"

namespace {

using qvtest::ui::Control;
using qvtest::ui::Pump;
using qvtest::ui::ShownText;
using qvtest::ui::WidgetOf;

class FrameTest : public qvtest::AppTest {};

TEST_F(FrameTest, StartsWithMenuToolbarStatusBarAndTheOperationLayout) {
  ASSERT_TRUE(Start());
  CMainFrame* frame = Frame();
  ASSERT_NE(frame, nullptr);
  auto* mw = qobject_cast<QMainWindow*>(WidgetOf(frame));
  ASSERT_NE(mw, nullptr);
  EXPECT_TRUE(mw->isVisible());

  // The menu bar's popups in the program's order and texts.
  QStringList menus;
  for (QAction* a : mw->menuBar()->actions()) menus << a->text();
  EXPECT_EQ(menus, (QStringList{"ファイル(&F)", "表示(&V)", "ユーティリティ(&U)", "ヘルプ(&H)"}));
  // The toolbar's twelve buttons with their tips from the string table.
  EXPECT_EQ(frame->m_wndToolBar.GetCount(), 18);
  EXPECT_EQ(qv::Cp932ToUtf8Lossy(frame->m_wndToolBar.GetButtonTip(ID_VIEW_OPERATION).View()), "ファイル操作");
  // The status bar: the idle text and four key-state panes.
  EXPECT_EQ(frame->m_wndStatusBar.GetCount(), 5);
  EXPECT_EQ(qv::Cp932ToUtf8Lossy(frame->GetMessageText().View()), "レディ");

  // Title form above, operation form below; list mode shows only the drive.
  EXPECT_EQ(frame->m_nLayout, WM_SHOW_OPERATION_VIEW);
  ASSERT_NE(frame->m_pTitleForm, nullptr);
  ASSERT_NE(frame->m_pOperationForm, nullptr);
  EXPECT_EQ(frame->m_pSourceForm, nullptr);
  EXPECT_EQ(theApp.m_nAppMode, MODE_LIST);
  EXPECT_EQ(ShownText(frame->m_pOperationForm->GetDlgItem(IDC_LABEL_OLD)), "　　　　【ＤＶＤ格納ＨＤＤドライブ】");
  EXPECT_FALSE(Control(frame->m_pOperationForm, IDC_EDIT_NEW)->isVisible());
  EXPECT_TRUE(Control(frame->m_pOperationForm, IDC_EDIT_OLD)->isVisible());

  // Frame size and minimum at 96 dots per inch; the splitter's pane heights.
  EXPECT_EQ(frame->m_nFrameWidth, 1100);
  EXPECT_EQ(frame->m_nTitleHeight, 80);
  EXPECT_EQ(frame->m_nLowerHeight, 820);
  EXPECT_EQ(mw->minimumSize(), QSize(1024, 768));
  int cy = 0;
  int cyMin = 0;
  frame->m_pSplitter->GetRowInfo(0, cy, cyMin);
  EXPECT_EQ(cy, 80);
}

TEST_F(FrameTest, ViewMessagesRebuildTheLowerPane) {
  ASSERT_TRUE(Start());
  CMainFrame* frame = Frame();
  COperation_Form* first = frame->m_pOperationForm;
  ASSERT_NE(first, nullptr);
  frame->PostMessage(WM_SHOW_FILE_VIEW);
  Pump();
  EXPECT_EQ(frame->m_nLayout, WM_SHOW_FILE_VIEW);
  EXPECT_EQ(frame->m_pOperationForm, nullptr);
  ASSERT_NE(frame->m_pSourceForm, nullptr);
  ASSERT_NE(frame->m_pTitleForm, nullptr);
  // The file view hides the title form's profile button.
  EXPECT_FALSE(Control(frame->m_pTitleForm, IDC_FILTER_SELECT)->isVisible());

  frame->PostMessage(WM_SHOW_OPERATION_VIEW);
  Pump();
  EXPECT_EQ(frame->m_nLayout, WM_SHOW_OPERATION_VIEW);
  ASSERT_NE(frame->m_pOperationForm, nullptr);
  EXPECT_EQ(frame->m_pSourceForm, nullptr);
  EXPECT_TRUE(Control(frame->m_pTitleForm, IDC_FILTER_SELECT)->isVisible());
}

TEST_F(FrameTest, TheSplitterRefusesDrags) {
  ASSERT_TRUE(Start());
  CMainFrame* frame = Frame();
  QWidget* splitter = WidgetOf(frame->m_pSplitter);
  ASSERT_NE(splitter, nullptr);
  const QRect bar = QRect(10, 80 + 2, 50, 3);
  QTest::mousePress(splitter, Qt::LeftButton, Qt::NoModifier, bar.center());
  QTest::mouseMove(splitter, bar.center() + QPoint(0, 120));
  QTest::mouseRelease(splitter, Qt::LeftButton, Qt::NoModifier, bar.center() + QPoint(0, 120));
  int cy = 0;
  int cyMin = 0;
  frame->m_pSplitter->GetRowInfo(0, cy, cyMin);
  EXPECT_EQ(cy, 80);
}

TEST_F(FrameTest, AFileViewThatCannotBeMadeLeavesTheOperationLayout) {
  ASSERT_TRUE(Start());
  // The program's resources without the file list form's template.
  const qv::res::ResourceSet* full = qv::res::Installed();
  std::vector<const qv::res::DialogTemplate*> dialogs;
  for (size_t i = 0; i < full->dialogCount; ++i) {
    if (full->dialogs[i]->id != IDD_SOURCE_FORM) dialogs.push_back(full->dialogs[i]);
  }
  qv::res::ResourceSet lacking = *full;
  lacking.dialogs = dialogs.data();
  lacking.dialogCount = dialogs.size();
  qv::res::Install(&lacking);
  CMainFrame* frame = Frame();
  frame->PostMessage(WM_SHOW_FILE_VIEW);
  Pump();
  qv::res::Install(full);
  // The frame is whole again: the operation layout, forms that live.
  EXPECT_EQ(frame->m_nLayout, WM_SHOW_OPERATION_VIEW);
  ASSERT_NE(frame->m_pSplitter, nullptr);
  ASSERT_NE(frame->m_pOperationForm, nullptr);
  EXPECT_EQ(frame->m_pSourceForm, nullptr);
  EXPECT_TRUE(WidgetOf(frame->m_pOperationForm)->isVisible());
  frame->PostMessage(WM_SHOW_FILE_VIEW);
  Pump();
  EXPECT_NE(frame->m_pSourceForm, nullptr);
}

}  // namespace
