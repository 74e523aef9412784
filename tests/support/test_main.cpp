// Entry point of every test binary.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

#include "support/testutil.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "C");
  ::testing::InitGoogleTest(&argc, argv);
  // What the program keeps in the user's configuration folder (the drive
  // letters, recent files) goes to a folder of the run's own, never to the
  // person's who runs the tests.
  qvtest::TempDir config;
  setenv("XDG_CONFIG_HOME", config.str().c_str(), 1);
  return RUN_ALL_TESTS();
}
