// The program's entry into the framework: the Qt application, the command
// line, start-up, the message loop and the tear-down of every window before
// Qt goes.
#include <QAbstractEventDispatcher>
#include <QApplication>

#include <vector>

#include "platform/base/codepage.h"
#include "platform/os/system.h"
#include "platform/ui/ddeml.h"
#include "platform/ui/qt/hwnd.h"
#include "platform/ui/winapp.h"

namespace qv::ui {
extern bool g_mainLoopRunning;
void PrepareAppEnvironment();
void FinishAppSetup(QApplication& app);
void InstallQtPeople();
void DestroyAllWindows();
}  // namespace qv::ui

namespace {

// The Windows form of the arguments, each quoted when it holds a blank.
std::string JoinCommandLine(const std::vector<CString>& args) {
  std::string line;
  for (const CString& a : args) {
    if (!line.empty()) line += ' ';
    const bool quote = a.IsEmpty() || a.Find(' ') >= 0 || a.Find('\t') >= 0;
    if (quote) line += '"';
    line += a.GetString();
    if (quote) line += '"';
  }
  return line;
}

}  // namespace

int CWinApp::Run() {
  if (m_pMainWnd == nullptr) return ExitInstance();
  // Idle time follows every burst of events.
  QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, qApp, [this]() {
    static bool inIdle = false;
    if (inIdle) return;
    inIdle = true;
    OnIdle(0);
    inIdle = false;
  });
  qv::ui::g_mainLoopRunning = true;
  QApplication::exec();
  qv::ui::g_mainLoopRunning = false;
  return ExitInstance();
}

int AfxWinMain(int argc, char** argv) {
  qv::PrepareProcess();
  qv::ui::PrepareAppEnvironment();
  int qtArgc = argc > 0 ? 1 : 0;
  QApplication app(qtArgc, argv);
  qv::ui::FinishAppSetup(app);
  qv::ui::InstallQtPeople();
  // Services registered before the application existed listen from now on.
  qv::StartDdeServices();

  CWinApp* pApp = AfxGetApp();
  if (pApp == nullptr) return -1;
  auto& args = qv::CommandLineArgs();
  args.clear();
  for (int i = 1; i < argc; ++i) {
    std::string cp;
    if (!qv::Utf8ToCp932(argv[i], cp)) cp = qv::Utf8ToCp932Lossy(argv[i]);
    args.emplace_back(std::string_view(cp));
  }
  static std::string cmdLine;
  cmdLine = JoinCommandLine(args);
  pApp->m_lpCmdLine = cmdLine.data();
  if (pApp->m_pszExeName == nullptr) qv::SetAppText(pApp->m_pszExeName, "Quarvex");

  int code = 0;
  if (!pApp->InitInstance()) {
    if (pApp->m_pMainWnd) pApp->m_pMainWnd->DestroyWindow();
    code = pApp->ExitInstance();
  } else {
    code = pApp->Run();
  }
  // Every window goes before the Qt application does.
  qv::ui::DestroyAllWindows();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  qv::SetPeople(nullptr);
  return code;
}
