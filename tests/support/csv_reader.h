// Reading a CSV file back as another program would, with Python's csv
// module, and small stand-in programs that record how they were started.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/testutil.h"

namespace qvtest {

// The rows of a CSV file as Python's csv module reads them (bytes of each
// field unchanged: the file is read as Latin-1, which no CSV separator of a
// code page 932 text can be mistaken for).
inline std::vector<std::vector<std::string>> ReadCsvWithPython(const std::filesystem::path& file) {
  const std::string script =
      "import csv,sys\n"
      "with open(sys.argv[1], newline='', encoding='latin-1') as f:\n"
      "    for row in csv.reader(f):\n"
      "        print(' '.join(field.encode('latin-1').hex() or '-' for field in row))\n";
  const std::filesystem::path py = file.parent_path() / "read_csv.py";
  WriteFile(py, script);
  // From the root: the test's working folder may be gone by now.
  const std::string command = "cd / && python3 '" + py.string() + "' '" + file.string() + "'";
  std::vector<std::vector<std::string>> rows;
  FILE* out = popen(command.c_str(), "r");
  if (out == nullptr) {
    ADD_FAILURE() << "python3 could not be started";
    return rows;
  }
  std::string line;
  int c;
  auto flush = [&]() {
    std::vector<std::string> row;
    size_t start = 0;
    while (start <= line.size()) {
      size_t end = line.find(' ', start);
      if (end == std::string::npos) end = line.size();
      const std::string hex = line.substr(start, end - start);
      std::string field;
      if (hex != "-") {
        for (size_t i = 0; i + 1 < hex.size(); i += 2) field += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
      }
      row.push_back(field);
      start = end + 1;
    }
    rows.push_back(row);
    line.clear();
  };
  while ((c = fgetc(out)) != EOF) {
    if (c == '\n') {
      flush();
    } else {
      line += static_cast<char>(c);
    }
  }
  EXPECT_EQ(pclose(out), 0) << "python3 could not read " << file;
  return rows;
}

// A program at `program` that writes its arguments, one a line, into
// `record` (made whole at once when it ends).
inline void WriteArgumentRecorder(const std::filesystem::path& program, const std::filesystem::path& record) {
  WriteFile(program, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + record.string() +
                         ".part' && mv '" + record.string() + ".part' '" + record.string() + "'\n");
  chmod(program.c_str(), 0755);
}

// The arguments a recorder wrote, once it has written them (a started
// program runs on its own; the wait ends after at most ten seconds).
inline std::vector<std::string> RecordedArguments(const std::filesystem::path& record) {
  for (int i = 0; i < 1000 && !std::filesystem::exists(record); ++i) {
    usleep(10000);
  }
  std::vector<std::string> args;
  const std::string text = ReadFile(record);
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    args.push_back(text.substr(start, end - start));
  }
  return args;
}

}  // namespace qvtest
