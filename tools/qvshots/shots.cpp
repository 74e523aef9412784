// The windows to picture. Each later window adds its entry here.
#include "shots.h"

#include <QApplication>
#include <QMainWindow>

#include "app/EnvSheet.h"
#include "app/FileTypeProfile.h"
#include "app/FilterDialogs.h"
#include "app/ZEKApp.h"
#include "res/resource.h"
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

QWidget* WindowOf(CWnd* w) {
  return w && qv::ui::IsLive(w->m_hWnd) ? w->m_hWnd->widget->window() : nullptr;
}

// Pictures each page of a sheet while it is shown, then cancels it.
void ShootSheet(const Save& save, const std::vector<std::string>& names, const std::function<void()>& open) {
  auto* people = static_cast<qv::ScriptedPeople*>(&qv::GetPeople());
  people->QueueDrive([names, save](CWnd* dlg) {
    auto* sheet = dynamic_cast<CPropertySheet*>(dlg);
    for (size_t i = 0; sheet && i < names.size(); ++i) {
      sheet->SetActivePage(static_cast<int>(i));
      Settle();
      save(names[i], WindowOf(dlg));
    }
    if (dlg) dlg->SendMessage(WM_COMMAND, IDCANCEL, 0);
  });
  open();
  Settle();
}

// The display-filter window as a compare-mode run with a "*" profile
// leaves it: the extensions and names that run found.
void ShootFilterWindow(const Save& save) {
  CFileType_Select_Chk_dlg* dlg = theApp.m_pFilterDlg;
  CMainFrame* frame = GetMainFrame();
  if (dlg == nullptr || frame == nullptr) return;
  const int mode = frame->m_nMode;
  frame->m_nMode = MODE_COMPARE;
  SelectProfile(GetCurrentProfile());
  for (const char* ext : {"iso", "vob", "ifo", "bup", "mkv"}) g_listWildcardExt.AddTail(ext);
  for (const char* name : {"Movie A", "Concert 2019", "Holiday"}) g_listWildcardName.AddTail(name);
  dlg->m_bFilled = FALSE;
  dlg->ShowWindow(SW_SHOW);
  if (dlg->m_listExt.GetCount() > 1) dlg->m_listExt.SetCheck(1, BST_UNCHECKED);
  Settle();
  save("filter-window", WindowOf(dlg));
  dlg->ShowWindow(SW_HIDE);
  g_listWildcardExt.RemoveAll();
  g_listWildcardName.RemoveAll();
  frame->m_nMode = mode;
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
      {"settings",
       [](const Save& save) {
         ShootSheet(save, {"settings-programs", "settings-folders"}, [] { ShowEnvSheet(nullptr); });
       }},
      {"settings-unused-pages",
       [](const Save& save) {
         // The two pages the sheet is built with but never shows.
         ShootSheet(save, {"settings-display", "settings-operations"}, [] {
           CENV_LIST_MODE listMode;
           CENV_OPE_MODE opeMode;
           CENV_SHEET sheet(IDS_ENV_SHEET_CAPTION);
           sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
           sheet.AddPage(&listMode);
           sheet.AddPage(&opeMode);
           sheet.DoModal();
         });
       }},
      {"filter-window", [](const Save& save) { ShootFilterWindow(save); }},
      {"profile-choice", [](const Save& save) {
         ShootModal("profile-choice", save, [] {
           CFileType_Select_dlg dlg;
           dlg.DoModal();
         });
       }},
  };
}

}  // namespace qvshots
