// The windows to picture. Each later window adds its entry here.
#include "shots.h"

#include <QApplication>
#include <QMainWindow>

#include "app/ZEKApp.h"
#include "compare/ExtractDialogs.h"
#include "platform/ui/qt/hwnd.h"
#include "platform/ui/scripted_prompt.h"
#include "ui/MainFrm.h"

namespace qvshots {

void Settle() {
  for (int i = 0; i < 5; ++i) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 30);
  }
}

namespace {

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
