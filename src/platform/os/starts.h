// Program starts under way in other threads, and waiting for them.
//
// A start (posix_spawn) copies this program's table of open files into the
// new process, which holds the copies until it runs its program. A file
// this program closes and removes meanwhile keeps its room on its disk
// until then. So a write, or the making of a file or folder, that fails for
// lack of room or of files waits until the starts under way have ended and
// is tried once more: it sees the room that this program's own closing and
// removing left, as a program of one thread would.
#pragma once

#include <cerrno>

namespace qv {

// Marks a start under way for its lifetime (waits first while a thread
// settles the starts).
class StartUnderway {
 public:
  StartUnderway();
  ~StartUnderway();
  StartUnderway(const StartUnderway&) = delete;
  StartUnderway& operator=(const StartUnderway&) = delete;
};

// Returns once no start of another thread is under way; starts asked for
// meanwhile wait until then.
void SettleStarts();

// Calls `op` (a system call: -1 and errno on failure) and, after a failure
// for lack of room or of files, once more when the starts under way have
// ended.
template <typename Op>
auto OnceMoreWhenFull(Op op) -> decltype(op()) {
  auto result = op();
  if (result < 0 && (errno == ENOSPC || errno == EDQUOT)) {
    SettleStarts();
    result = op();
  }
  return result;
}

}  // namespace qv
