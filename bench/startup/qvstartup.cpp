// Starts the program as its entry point does, waits until the main frame is
// shown and the event loop has nothing left to do, prints the time that took
// (milliseconds since the process started) and ends the program.
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QTimer>

#include <time.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "app/ZEKApp.h"
#include "res/tables.h"

namespace {
double Now() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}
double ProcessStart() {
  // Start time of this process from /proc, in the same clock.
  std::ifstream f("/proc/self/stat");
  const std::string stat((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  unsigned long long ticks = 0;
  {
    const char* p = stat.c_str();
    for (int field = 1; field < 22 && *p; ++p) {
      if (*p == ')') field = 2;  // after the command name
      if (*p == ' ' && field >= 2) ++field;
      if (field == 22) {
        ticks = std::strtoull(p + 1, nullptr, 10);
        break;
      }
    }
  }
  timespec boot{};
  clock_gettime(CLOCK_BOOTTIME, &boot);
  timespec mono{};
  clock_gettime(CLOCK_MONOTONIC, &mono);
  const double bootMs = boot.tv_sec * 1000.0 + boot.tv_nsec / 1e6;
  const double monoMs = mono.tv_sec * 1000.0 + mono.tv_nsec / 1e6;
  return ticks * 1000.0 / sysconf(_SC_CLK_TCK) - (bootMs - monoMs);
}
}  // namespace

int main(int argc, char** argv) {
  if (AfxGetApp() != &theApp) return 1;
  qv::res::Install(qv::res::ProgramResources());
  const double started = ProcessStart();
  // When the loop first has nothing to do with the frame shown: report, end.
  QTimer::singleShot(0, [started]() {
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, qApp, [started]() {
      static bool done = false;
      CWnd* main = AfxGetMainWnd();
      if (done || main == nullptr || !main->IsWindowVisible()) return;
      done = true;
      std::printf("%.1f\n", Now() - started);
      std::fflush(stdout);
      main->PostMessage(WM_CLOSE);
    });
  });
  return AfxWinMain(argc, argv);
}
