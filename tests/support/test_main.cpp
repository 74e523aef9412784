// Entry point of every test binary.
#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <memory>

#include "platform/os/driveletters.h"
#include "support/testutil.h"

namespace {

// What the program keeps in the user's configuration folder (the drive
// letters, recent files) goes to a folder of the run's own, never to the
// person's who runs the tests; so do the drive letters it keeps in the
// program folder, never beside the test binaries. Set up before any other
// object of the binary is made: the application object some binaries link
// converts paths, and so looks at the drive letters, while it is built.
struct OwnFolders {
  OwnFolders() : config(std::make_unique<qvtest::TempDir>()), program(std::make_unique<qvtest::TempDir>()) {
    setenv("XDG_CONFIG_HOME", config->str().c_str(), 1);
    qv::SetDriveLettersProgramFolderForTests(program->str());
  }
  ~OwnFolders() {
    if (getpid() == owner) return;
    // A forked child that ends through exit() leaves the folders to the run.
    (void)config.release();
    (void)program.release();
  }
  pid_t owner = getpid();
  std::unique_ptr<qvtest::TempDir> config;
  std::unique_ptr<qvtest::TempDir> program;
};

OwnFolders folders __attribute__((init_priority(101)));

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "C");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
