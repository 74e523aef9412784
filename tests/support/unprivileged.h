// Running a piece of a test without root's way around file permissions.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace qvtest {

// Runs `body` in a child process that cannot get around file permissions
// (root gives up its rights there); the child's exit code, or 100 + signal.
inline int RunUnprivileged(const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(90);
    _exit(body());
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return 99;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

}  // namespace qvtest
