#include "platform/os/starts.h"

#include <condition_variable>
#include <mutex>

namespace qv {
namespace {

struct Starts {
  std::mutex mutex;
  std::condition_variable changed;
  int underway = 0;
  int settling = 0;
};

Starts& State() {
  static Starts* s = new Starts;  // outlives every static user
  return *s;
}

}  // namespace

StartUnderway::StartUnderway() {
  Starts& s = State();
  std::unique_lock<std::mutex> lock(s.mutex);
  s.changed.wait(lock, [&] { return s.settling == 0; });
  ++s.underway;
}

StartUnderway::~StartUnderway() {
  Starts& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (--s.underway == 0 && s.settling != 0) s.changed.notify_all();
}

void SettleStarts() {
  Starts& s = State();
  std::unique_lock<std::mutex> lock(s.mutex);
  ++s.settling;
  s.changed.wait(lock, [&] { return s.underway == 0; });
  if (--s.settling == 0) s.changed.notify_all();
}

}  // namespace qv
