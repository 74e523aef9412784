// qvshots OUTDIR: starts the program in this process on a copy of its
// program folder, opens each window it has and writes OUTDIR/<name>.png.
#include <QApplication>
#include <QDir>
#include <QPixmap>

#include <cstdio>
#include <filesystem>
#include <string>

#include "shots.h"

#include "app/ZEKApp.h"
#include "platform/os/system.h"
#include "platform/ui/qt/hwnd.h"
#include "platform/ui/scripted_prompt.h"
#include "res/tables.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: qvshots OUTDIR PROGRAMDIR\n");
    return 2;
  }
  const fs::path out = argv[1];
  fs::create_directories(out);
  // A copy of the program folder: the exit writes its settings file.
  const fs::path work = fs::temp_directory_path() / ("qvshots-" + std::to_string(::getpid()));
  fs::remove_all(work);
  fs::create_directories(work);
  fs::copy(argv[2], work / "program", fs::copy_options::recursive);
  fs::create_directories(work / "config");
  setenv("XDG_CONFIG_HOME", (work / "config").c_str(), 1);
  qv::SetModuleFileForTests((work / "program" / "Quarvex").string());

  qv::ui::EnsureApp();
  qv::res::Install(qv::res::ProgramResources());
  qv::ScriptedPeople people;
  people.SetFailureHook([](const std::string& what) { std::fprintf(stderr, "qvshots: %s\n", what.c_str()); });
  qv::SetPeople(&people);

  CWinApp* app = &theApp;
  if (!app->InitInstance()) {
    std::fprintf(stderr, "qvshots: the program did not start\n");
    return 1;
  }
  qvshots::Settle();
  int written = 0;
  const qvshots::Save save = [&](const std::string& name, QWidget* window) {
    if (window == nullptr) {
      std::fprintf(stderr, "qvshots: no window for %s\n", name.c_str());
      return;
    }
    qvshots::Settle();
    const QString file = QString::fromStdString((out / (name + ".png")).string());
    if (window->grab().save(file)) {
      ++written;
      std::printf("%s\n", file.toUtf8().constData());
    }
  };
  for (const qvshots::Shot& shot : qvshots::AllShots()) shot.take(save);

  if (CWnd* main = AfxGetMainWnd()) main->DestroyWindow();
  app->ExitInstance();
  qv::SetPeople(nullptr);
  fs::remove_all(work);
  std::printf("%d pictures\n", written);
  return written > 0 ? 0 : 1;
}
