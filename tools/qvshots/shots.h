// The windows qvshots pictures: one entry per window, each opening it in
// the running program and handing its widget to `save`.
#pragma once

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

namespace qvshots {

using Save = std::function<void(const std::string& name, QWidget* window)>;

struct Shot {
  const char* name;
  std::function<void(const Save& save)> take;
};

// Every window, in the order they are taken.
std::vector<Shot> AllShots();

// Lets posted messages and painting run.
void Settle();

// Opens a modal dialog with `open` and pictures it while it is shown,
// then closes it with Cancel (or the given command).
void ShootModal(const std::string& name, const Save& save, const std::function<void()>& open, int closeWith = 2);

}  // namespace qvshots
