// Stand-ins for the external programs the program starts (editor, GUI
// comparison program, windiff, the shell's opener, SendTo programs): small
// scripts that write their argument vector, one argument per line, into a
// record file beside them. The program starts them detached, so a test
// waits for the record.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/testutil.h"

namespace qvtest {

class Recorder {
 public:
  // The script `dir`/`name` (made executable); its record is
  // `dir`/`name`.args.
  Recorder(const std::filesystem::path& dir, const std::string& name, int exitStatus = 0)
      : script_(dir / name), record_(dir / (name + ".args")) {
    std::filesystem::create_directories(dir);
    WriteFile(script_, "#!/bin/sh\nf='" + record_.string() +
                           "'\n: > \"$f.part\"\nfor a in \"$0\" \"$@\"; do printf '%s\\n' \"$a\" >> \"$f.part\"; "
                           "done\nmv \"$f.part\" \"$f\"\nexit " +
                           std::to_string(exitStatus) + "\n");
    std::filesystem::permissions(script_, std::filesystem::perms::owner_all);
  }

  const std::filesystem::path& script() const { return script_; }

  // The argument vector of the next start (program first, UTF-8), waiting
  // up to ten seconds for it; empty when the program did not run. The
  // record is removed, so the next start writes a new one.
  std::vector<std::string> Wait() {
    for (int i = 0; i < 1000 && !std::filesystem::exists(record_); ++i)
      usleep(10 * 1000);
    return Take();
  }

  // True when the program has run since the last record was taken, after
  // giving a start that may be under way time to finish.
  bool RanMeanwhile() {
    usleep(300 * 1000);
    return !Take().empty();
  }
  // Whether the program has left a record since the last one was taken,
  // without waiting for a start that may be under way.
  bool RanSoFar() { return !Take().empty(); }

 private:
  std::vector<std::string> Take() {
    std::vector<std::string> args;
    if (!std::filesystem::exists(record_)) return args;
    const std::string text = ReadFile(record_);
    ::unlink(record_.c_str());
    size_t start = 0;
    for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
      args.push_back(text.substr(start, nl - start));
    return args;
  }

  std::filesystem::path script_;
  std::filesystem::path record_;
};

}  // namespace qvtest
