// The program's entry point: the resources, then the framework's start-up,
// message loop and exit with the application object `theApp`.
#include "app/ZEKApp.h"
#include "res/tables.h"

int main(int argc, char** argv) {
  // The application object lives in a library of its own: naming it here
  // links it in, and it must be the one the framework runs.
  if (AfxGetApp() != &theApp) return 1;
  qv::res::Install(qv::res::ProgramResources());
  return AfxWinMain(argc, argv);
}
