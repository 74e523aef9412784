// The windows to picture. Each later window adds its entry here.
#include "shots.h"

#include <QApplication>
#include <QMainWindow>

#include "app/ZEKApp.h"
#include "compare/ExtractDialogs.h"
#include "platform/ui/qt/hwnd.h"
#include "platform/ui/scripted_prompt.h"
#include "ui/AboutDlg.h"
#include "ui/MainFrm.h"
#include "ui/SmallDialogs.h"

namespace qvshots {

void Settle() {
  for (int i = 0; i < 5; ++i) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 30);
  }
}

namespace {

CString Cp(const char* utf8) { return CString(qv::ui::Cp932Of(utf8).c_str()); }

QWidget* FrameWindow() {
  CWnd* main = AfxGetMainWnd();
  return main && qv::ui::IsLive(main->m_hWnd) ? main->m_hWnd->widget.data() : nullptr;
}

void ShowLayout(int mode, UINT layout) {
  CMainFrame* frame = GetMainFrame();
  if (frame == nullptr) return;
  theApp.m_nAppMode = mode;
  frame->m_nMode = mode;
  frame->PostMessage(layout, 0, 0);
  Settle();
}

}  // namespace

void ShootModal(const std::string& name, const Save& save, const std::function<void()>& open, int closeWith) {
  auto* people = static_cast<qv::ScriptedPeople*>(&qv::GetPeople());
  people->QueueDrive([name, save, closeWith](CWnd* dlg) {
    QWidget* w = dlg && qv::ui::IsLive(dlg->m_hWnd) ? dlg->m_hWnd->widget.data() : nullptr;
    save(name, w ? w->window() : nullptr);
    if (dlg) dlg->SendMessage(WM_COMMAND, MAKEWPARAM(closeWith, BN_CLICKED), 0);
  });
  open();
  Settle();
}

std::vector<Shot> AllShots() {
  return {
      {"main-list-operation",
       [](const Save& save) {
         ShowLayout(MODE_LIST, WM_SHOW_OPERATION_VIEW);
         save("main-list-operation", FrameWindow());
       }},
      {"main-compare-operation",
       [](const Save& save) {
         ShowLayout(MODE_COMPARE, WM_SHOW_OPERATION_VIEW);
         save("main-compare-operation", FrameWindow());
       }},
      {"main-list-file",
       [](const Save& save) {
         ShowLayout(MODE_LIST, WM_SHOW_FILE_VIEW);
         save("main-list-file", FrameWindow());
         ShowLayout(MODE_LIST, WM_SHOW_OPERATION_VIEW);
       }},
      {"about", [](const Save& save) { ShootModal("about", save, [] { theApp.OnAppAbout(); }); }},
      {"about-scrolled",
       [](const Save& save) {
         // The picture where it stops: its bottom at the window's bottom.
         auto* people = static_cast<qv::ScriptedPeople*>(&qv::GetPeople());
         people->QueueDrive([save](CWnd* dlg) {
           auto* about = dynamic_cast<CAboutDlg*>(dlg);
           if (about == nullptr) return;
           for (int i = 0; i < 400; ++i) about->SendMessage(WM_TIMER, about->m_nTimer);
           save("about-scrolled", about->m_hWnd->widget->window());
           about->SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
         });
         theApp.OnAppAbout();
         Settle();
       }},
      {"question-overwrite",
       [](const Save& save) {
         ShootModal("question-overwrite", save, [] {
           CMessageBox_OW_dlg dlg;
           dlg.m_strFileName = Cp("(NEW)　ファイル名称：映画\\夏の旅\\VIDEO_TS\\VTS_01_1.VOB");
           dlg.DoModal();
         });
       }},
      {"question-delete",
       [](const Save& save) {
         ShootModal("question-delete", save, [] {
           CMessageBox_DEL_dlg dlg;
           dlg.m_nKind = 1;
           dlg.m_nTarget = 3;
           dlg.m_strFileName = Cp("ファイル名称：映画\\夏の旅\\VIDEO_TS\\VTS_01_1.VOB");
           dlg.DoModal();
         });
       }},
      {"question-revert",
       [](const Save& save) {
         ShootModal("question-revert", save, [] {
           CMessageBox_DEL_dlg dlg;
           dlg.m_nKind = 2;
           dlg.m_strFileName = Cp("ファイル名称：src\\main.cpp");
           dlg.DoModal();
         });
       }},
      {"comment",
       [](const Save& save) {
         ShootModal("comment", save, [] {
           CDIALOG_REV_COMMENT dlg;
           dlg.m_strComment = Cp("2019年 夏の家族旅行。\r\nディスク２枚目（後半）。");
           dlg.DoModal();
         });
       }},
      {"file-info",
       [](const Save& save) {
         ShootModal("file-info", save, [] {
           CFILE_INFO dlg;
           dlg.m_strCreateTime = "2024/03/01 (Fri)  09:15:42";
           dlg.m_strSaveTime = "2024/03/05 (Tue)  18:02:07";
           dlg.m_strVersion = "Ver.1.00";
           dlg.m_strUser = "yamada";
           dlg.m_strBanner = Cp("Quarvex Version 1.04 Document");
           dlg.DoModal();
         });
       }},
      {"diff-file-info",
       [](const Save& save) {
         ShootModal("diff-file-info", save, [] {
           CDIFF_FILE_INFO dlg;
           dlg.m_strFileName = "src\\compare\\CompareRun.cpp";
           dlg.m_strOldCreated = "2023/11/20 (Mon)  10:11:12";
           dlg.m_strOldModified = "2024/02/14 (Wed)  16:40:05";
           dlg.m_strOldAccessed = "2024/03/05 (Tue)  08:00:59";
           dlg.m_nOldLines = 1204;
           dlg.m_nOldSize = 48213;
           dlg.m_strNewCreated = "2023/11/20 (Mon)  10:11:12";
           dlg.m_strNewModified = "2024/03/04 (Mon)  21:13:44";
           dlg.m_strNewAccessed = "2024/03/05 (Tue)  08:01:30";
           dlg.m_nNewLines = 1251;
           dlg.m_nNewSize = 50122;
           dlg.m_nAddedLines = 61;
           dlg.m_nDeletedLines = 14;
           dlg.m_nChangedLines = 23;
           dlg.m_nStepDifference = 47;
           dlg.m_nDiffA = 5;
           dlg.m_nDiffCAdded = 9;
           dlg.m_nDiffD = 2;
           dlg.m_nDiffCDeleted = 7;
           dlg.m_strEvaluated = "2024/03/05 (Tue)  08:02:11";
           dlg.DoModal();
         });
       }},
      {"extract-folder",
       [](const Save& save) {
         theApp.m_strExtractPath = "C:\\Extract";
         ShootModal("extract-folder", save, [] { theApp.m_dlgExtractSel.DoModal(); });
       }},
      {"extract-copy",
       [](const Save& save) {
         ShootModal("extract-copy", save, [] {
           CFORMDLG dlg;
           dlg.m_strRoot = "C:\\Extract";
           dlg.m_nMakeFlags = 7;
           dlg.DoModal();
         });
       }},
  };
}

}  // namespace qvshots
