// Drive letters for the tests: the layer reads its drive map from
// QUARVEX_DRIVES.
#pragma once

#include <cstdlib>

#include "platform/os/paths.h"
#include "support/testutil.h"

namespace qvtest {

// Maps drive T: to `dir` (and C: to the root) while the object lives; the
// layer reads the map afresh afterwards. Declare it after the folder.
class DriveT {
 public:
  explicit DriveT(const TempDir& dir) { setenv("QUARVEX_DRIVES", ("C=/;T=" + dir.str()).c_str(), 1); }
  ~DriveT() {
    unsetenv("QUARVEX_DRIVES");
    qv::ResetDriveMap();
  }
  DriveT(const DriveT&) = delete;
  DriveT& operator=(const DriveT&) = delete;
};

}  // namespace qvtest
