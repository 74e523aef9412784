// The windows to picture. Each later window adds its entry here.
#include "shots.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QTimer>

#include "app/ZEKApp.h"
#include "platform/ui/qt/hwnd.h"
#include "platform/ui/scripted_prompt.h"
#include "records/FileInfo.h"
#include "records/FileTypeProfile.h"
#include "records/ZEKDoc.h"
#include "res/resource.h"
#include "ui/AboutDlg.h"
#include "ui/EnvSheet.h"
#include "ui/ExtractDialogs.h"
#include "ui/FilterDialogs.h"
#include "ui/MainFrm.h"
#include "ui/OperationForm.h"
#include "ui/SmallDialogs.h"
#include "ui/SourceForm.h"

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

// A catalogue or a comparison of a few items, with comments, in the
// current entry; the frame shows its file view.
void LoadSampleRecords(int mode) {
  CZEKDoc* doc = theApp.m_pCurrentDoc;
  CMainFrame* frame = GetMainFrame();
  if (doc == nullptr || doc->m_pCurrentEntry == nullptr || frame == nullptr) return;
  frame->ForgetRecords();
  CZEKEnv_Label& e = *doc->m_pCurrentEntry;
  e.FreeRecords();
  e.m_nMode = mode;
  e.m_strOldPath = mode == MODE_LIST ? "D:\\" : "D:\\src\\old";
  e.m_strNewPath = mode == MODE_LIST ? "" : "D:\\src\\new";
  e.m_strRunTime = "2024/03/05 (Tue)  21:14:09";
  e.m_strComment = qv::Utf8ToCp932Lossy("映画ライブラリ１号機\r\n2024年3月に整理").c_str();
  e.m_dwTotalGB = 3726;
  e.m_dwUsedGB = 2810;
  e.m_dwFreeGB = 916;
  e.m_strRoot = "D:\\";
  e.m_strVolumeName = "MOVIES_01";
  e.m_strFileSystem = "NTFS";
  e.m_pRecordList = new CObList;
  e.m_pTotals = new CZEKMergeSRCInfo;
  struct Item {
    const char* name;
    const char* comment;
    int exist;
  };
  const Item items[] = {
      {"映画\\洋画\\Casablanca", "名作。字幕版と吹替版の二枚組", 3},
      {"映画\\洋画\\Metropolis", "修復版", 3},
      {"映画\\邦画\\七人の侍", "", 2},
      {"映画\\邦画\\東京物語", "特典ディスク付き", 1},
      {"アニメ\\となりの劇場版", "", 3},
      {"ドキュメンタリー\\深海の世界", "シリーズ全３巻のうち第１巻", 2},
      {"音楽\\ライブ 2019", "", 3},
      {"Trip 2021", "家族旅行の記録", 2},
  };
  LONG time = 1709600000;
  DWORD lines = 120;
  for (const Item& it : items) {
    auto* r = new CZEKMergeFileInfo;
    r->m_nType = 1;
    r->m_nExist = mode == MODE_LIST ? 2 : it.exist;
    r->m_New.m_strName = qv::Utf8ToCp932Lossy(it.name).c_str();
    r->m_Old.m_strName = r->m_New.m_strName;
    if (r->m_nExist & 1) {
      r->m_New.m_nExists = 1;
      r->m_New.m_tModify = time + 86400 * 3;
      r->m_New.m_dwSize = 4096 * lines;
      r->m_New.m_dwLines = lines + 12;
      r->m_New.m_strVersion = "1.2.0.7 , Release";
    }
    if (r->m_nExist & 2) {
      r->m_Old.m_nExists = 1;
      r->m_Old.m_tModify = time;
      r->m_Old.m_dwSize = 4000 * lines;
      r->m_Old.m_dwLines = lines;
      r->m_Old.m_strVersion = "1.1.9.2 , Debug";
    }
    doc->m_Comment.AddNew();
    r->m_nCommentIndex = doc->m_Comment.GetCount() - 1;
    CComment_Data_Obj* c = doc->m_Comment.GetAt(r->m_nCommentIndex);
    c->SetKey(r->m_New.m_strName);
    c->m_strComment = qv::Utf8ToCp932Lossy(it.comment).c_str();
    e.m_pRecordList->AddTail(r);
    time += 7200 * 5;
    lines += 37;
  }
  e.m_nRecordCount = static_cast<int>(std::size(items));
  e.m_nState = 1;
  theApp.m_nAppMode = mode;
  theApp.m_nDispMode = 15;
  frame->m_nMode = mode;
  // The operation form shows this entry: switching views stores nothing
  // of its own into it.
  if (frame->m_pOperationForm) frame->m_pOperationForm->UpdateFromDocument(FALSE);
  doc->ShowCurrentEntry(TRUE);
  Settle();
}

// The file view of the sample in a sub-mode (and side), pictured.
void ShootList(const Save& save, const std::string& name, int mode, UINT listCommand, UINT sideCommand = 0) {
  LoadSampleRecords(mode);
  CMainFrame* frame = GetMainFrame();
  if (frame == nullptr) return;
  frame->SendMessage(WM_COMMAND, MAKEWPARAM(listCommand, 0), 0);
  if (sideCommand) frame->SendMessage(WM_COMMAND, MAKEWPARAM(sideCommand, 0), 0);
  // The toolbar shows the new marks at the next idle time: now.
  frame->UpdateCommandUI(FALSE);
  Settle();
  save(name, FrameWindow());
}

// The same at the smallest size the frame allows, then back to its size.
void ShootListSmallest(const Save& save, const std::string& name, int mode, UINT listCommand) {
  QWidget* window = FrameWindow();
  if (window == nullptr) return;
  const QSize before = window->size();
  window->resize(1024, 768);
  Settle();
  ShootList(save, name, mode, listCommand);
  window->resize(before);
  Settle();
}

// The list's context menu, opened with the right-arrow key at the second
// row, pictured over the window it belongs to.
void ShootListMenu(const Save& save, const std::string& name, int mode) {
  LoadSampleRecords(mode);
  CMainFrame* frame = GetMainFrame();
  QWidget* window = FrameWindow();
  if (frame == nullptr || window == nullptr) return;
  frame->SendMessage(WM_COMMAND, MAKEWPARAM(ID_LIST_STATE, 0), 0);
  Settle();
  if (frame->m_pSourceForm == nullptr) return;
  CListCtrl& list = frame->m_pSourceForm->m_list;
  list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  list.SetItemState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  Settle();
  auto* timer = new QTimer;
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, [=]() {
    QWidget* popup = QApplication::activePopupWidget();
    if (popup == nullptr) return;
    timer->stop();
    timer->deleteLater();
    Settle();
    QPixmap picture = window->grab();
    QPainter painter(&picture);
    painter.drawPixmap(window->mapFromGlobal(popup->mapToGlobal(QPoint(0, 0))), popup->grab());
    painter.end();
    QLabel shown;
    shown.setPixmap(picture);
    shown.resize(picture.size());
    save(name, &shown);
    popup->close();
  });
  timer->start();
  list.SendMessage(WM_KEYDOWN, VK_RIGHT, 0);
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
      {"list-dvd", [](const Save& save) { ShootList(save, "list-dvd", MODE_LIST, ID_LIST_STATE); }},
      {"list-dvd-comment", [](const Save& save) { ShootList(save, "list-dvd-comment", MODE_LIST, ID_LIST_COMMENT); }},
      {"list-dvd-smallest",
       [](const Save& save) { ShootListSmallest(save, "list-dvd-smallest", MODE_LIST, ID_LIST_STATE); }},
      {"list-compare-smallest",
       [](const Save& save) { ShootListSmallest(save, "list-compare-smallest", MODE_COMPARE, ID_LIST_STATE); }},
      {"list-compare-state", [](const Save& save) { ShootList(save, "list-compare-state", MODE_COMPARE, ID_LIST_STATE); }},
      {"list-compare-date-new",
       [](const Save& save) { ShootList(save, "list-compare-date-new", MODE_COMPARE, ID_LIST_DATE, ID_SIDE_NEW); }},
      {"list-compare-date-old",
       [](const Save& save) { ShootList(save, "list-compare-date-old", MODE_COMPARE, ID_LIST_DATE, ID_SIDE_OLD); }},
      {"list-compare-detail", [](const Save& save) { ShootList(save, "list-compare-detail", MODE_COMPARE, ID_LIST_DETAIL); }},
      {"list-compare-version",
       [](const Save& save) { ShootList(save, "list-compare-version", MODE_COMPARE, ID_LIST_VERSION, ID_SIDE_NEW); }},
      {"list-compare-comment",
       [](const Save& save) {
         ShootList(save, "list-compare-comment", MODE_COMPARE, ID_LIST_COMMENT);
         // Back to the first state for the pictures that follow.
         if (CMainFrame* frame = GetMainFrame()) frame->ForgetRecords();
         if (theApp.m_pCurrentDoc && theApp.m_pCurrentDoc->m_pCurrentEntry) {
           theApp.m_pCurrentDoc->m_pCurrentEntry->FreeRecords();
           theApp.m_pCurrentDoc->m_pCurrentEntry->m_nMode = MODE_LIST;
         }
         ShowLayout(MODE_LIST, WM_SHOW_OPERATION_VIEW);
       }},
      {"list-context-menu", [](const Save& save) { ShootListMenu(save, "list-context-menu", MODE_LIST); }},
      {"list-context-menu-compare",
       [](const Save& save) { ShootListMenu(save, "list-context-menu-compare", MODE_COMPARE); }},
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
