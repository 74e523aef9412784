// Fuzz target of the command-line splitting. An argument vector made from
// the input (whole code page 932 characters, no zero bytes) is joined by
// the Windows quoting rules; splitting the joined line must give it back.
// The raw input is split too (no check but the absence of faults).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/base/codepage.h"
#include "platform/os/process.h"

namespace {

using qvfuzz::Require;

bool IsTrail(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

// Whole characters only: a lead byte keeps a valid trail byte or becomes 'x'.
std::string Characters(const std::string& raw, bool program) {
  std::string out;
  for (size_t i = 0; i < raw.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(raw[i]);
    if (qv::IsCp932Lead(c) && i + 1 < raw.size() && IsTrail(static_cast<unsigned char>(raw[i + 1]))) {
      out += raw[i];
      out += raw[++i];
    } else if (qv::IsCp932Lead(c) || c == 0 || (program && c == '"')) {
      out += 'x';
    } else {
      out += raw[i];
    }
  }
  return out;
}

// An argument as the C runtime reads it back: quoted when it is empty or
// holds a blank or a quote; backslashes doubled before a quote and before
// the closing quote; a quote as \". A trail byte 0x5C is no backslash.
std::string Quote(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  size_t backslashes = 0;
  for (size_t i = 0; i < arg.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(arg[i]);
    if (qv::IsCp932Lead(c) && i + 1 < arg.size()) {
      out.append(backslashes, '\\');
      backslashes = 0;
      out += arg[i];
      out += arg[++i];
    } else if (c == '\\') {
      ++backslashes;
    } else if (c == '"') {
      out.append(backslashes * 2 + 1, '\\');
      backslashes = 0;
      out += '"';
    } else {
      out.append(backslashes, '\\');
      backslashes = 0;
      out += arg[i];
    }
  }
  out.append(backslashes * 2, '\\');
  out += '"';
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  (void)qv::SplitCommandLine(std::string(reinterpret_cast<const char*>(data), size));

  FuzzedDataProvider in(data, size);
  std::vector<std::string> argv;
  argv.push_back(Characters(in.ConsumeRandomLengthString(64), true));
  if (argv[0].empty()) argv[0] = "prog";
  while (in.remaining_bytes() > 0 && argv.size() < 32) argv.push_back(Characters(in.ConsumeRandomLengthString(64), false));

  // The program has no backslash rules: quotes group, nothing escapes.
  const std::string program = argv[0].find_first_of(" \t") == std::string::npos ? argv[0] : "\"" + argv[0] + "\"";
  std::string line = program;
  for (size_t i = 1; i < argv.size(); ++i) line += " " + Quote(argv[i]);
  Require(qv::SplitCommandLine(line) == argv);
  const std::vector<std::string> args(argv.begin() + 1, argv.end());
  Require(qv::SplitArguments(line.substr(program.size())) == args);
  return 0;
}
