// Fuzz target of the diff-output evaluation and the line counting. The
// first byte chooses:
//  even: the rest is a file; the evaluation must agree with a small
//        reference (lines counted once however long, "<" and ">" lines,
//        the acceptance rule), and the line count must be the file's
//        number of line feeds;
//  odd:  the rest describes hunks of a normal-format diff, which is written
//        out below two header blocks; the evaluation must give exactly the
//        hunks' widths and lines.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "compare/DiffEval.h"
#include "fuzz/fuzz_support.h"

namespace {

using qvfuzz::Require;

struct Counts {
  int result = 0, kind = 0, rangeAdded = 0, rangeDeleted = 0, rangeRight = 0, rangeLeft = 0;
  int deleted = 0, added = 0, changed = 0;
};

Counts Evaluate(const std::string& path, DWORD newLines, DWORD oldLines) {
  Counts c;
  c.result = EvaluateDiffFile(path.c_str(), 3, newLines, oldLines, c.kind, c.rangeAdded, c.rangeDeleted,
                              c.rangeRight, c.rangeLeft, c.deleted, c.added, c.changed);
  return c;
}

void CheckRaw(std::string_view bytes, DWORD newLines, DWORD oldLines) {
  const std::string path = qvfuzz::Work().File("raw.diff");
  qvfuzz::WriteBytes(path, bytes.data(), bytes.size());
  long long lines = 0, deleted = 0, added = 0;
  bool marks = false;
  for (size_t start = 0; start < bytes.size();) {
    size_t end = bytes.find('\n', start);
    end = end == std::string_view::npos ? bytes.size() : end + 1;
    ++lines;
    if (bytes[start] == '<') ++deleted;
    if (bytes[start] == '>') ++added;
    marks = marks || bytes[start] == '<' || bytes[start] == '>';
    start = end;
  }
  const Counts c = Evaluate(path, newLines, oldLines);
  if (lines <= 2 * (deleted + added) + 8) {
    Require(c.result == 1);
    Require(c.deleted == deleted && c.added == added && c.changed == deleted + added);
  } else {
    Require(c.result == 0);
    Require(c.deleted == 0 && c.added == 0);
    Require(c.changed == static_cast<int>(newLines > oldLines ? newLines - oldLines : oldLines - newLines));
  }
  Require(DiffFileHasChanges(path.c_str()) == (marks ? 1 : 0));
  DWORD counted = 12345;
  Require(CountFileLines(path.c_str(), counted) == 0);
  Require(counted == static_cast<DWORD>(std::count(bytes.begin(), bytes.end(), '\n')));
}

// "5" or "5,7": one line number, or a range.
std::string Range(int first, int count) {
  return count == 1 ? std::to_string(first) : std::to_string(first) + "," + std::to_string(first + count - 1);
}

void CheckHunks(FuzzedDataProvider& in) {
  std::string text;
  for (int i = 0; i < 8; ++i) text += i % 4 == 0 || i % 4 == 3 ? std::string(118, '-') + "\n" : "          header line\n";
  int rangeAdded = 0, rangeDeleted = 0, rangeRight = 0, rangeLeft = 0, deleted = 0, added = 0;
  int kind = 0;  // of the last hunk
  const int hunks = in.ConsumeIntegralInRange(0, 40);
  for (int h = 0; h < hunks && in.remaining_bytes() > 0; ++h) {
    kind = in.ConsumeIntegralInRange(1, 3);
    const int left = in.ConsumeIntegralInRange(1, 1000000);
    const int right = in.ConsumeIntegralInRange(1, 1000000);
    const int leftCount = in.ConsumeIntegralInRange(1, 12);
    const int rightCount = in.ConsumeIntegralInRange(1, 12);
    const std::string body = in.ConsumeRandomLengthString(40);
    std::string line;  // the text after "< " or "> ": no line feeds
    for (char ch : body) line += ch == '\n' || ch == '\r' ? ' ' : ch;
    if (kind == 1) {  // lines added after `left`
      text += std::to_string(left) + "a" + Range(right, rightCount) + "\n";
      for (int i = 0; i < rightCount; ++i) text += "> " + line + "\n";
      rangeAdded += rightCount;
      added += rightCount;
    } else if (kind == 2) {
      text += Range(left, leftCount) + "d" + std::to_string(right) + "\n";
      for (int i = 0; i < leftCount; ++i) text += "< " + line + "\n";
      rangeDeleted += leftCount;
      deleted += leftCount;
    } else {
      text += Range(left, leftCount) + "c" + Range(right, rightCount) + "\n";
      for (int i = 0; i < leftCount; ++i) text += "< " + line + "\n";
      text += "---\n";
      for (int i = 0; i < rightCount; ++i) text += "> " + line + "\n";
      rangeLeft += leftCount;
      rangeRight += rightCount;
      deleted += leftCount;
      added += rightCount;
    }
  }
  const std::string path = qvfuzz::Work().File("hunks.diff");
  qvfuzz::WriteBytes(path, text.data(), text.size());
  const Counts c = Evaluate(path, 7, 3);
  Require(c.result == 1);
  Require(c.rangeAdded == rangeAdded && c.rangeDeleted == rangeDeleted);
  Require(c.rangeRight == rangeRight && c.rangeLeft == rangeLeft);
  Require(c.deleted == deleted && c.added == added && c.changed == deleted + added);
  // The kind is that of the last line read as a command: "---" after a
  // change, the header's last rule when there is no hunk, gives none.
  Require(c.kind == (kind == 3 ? 0 : kind));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  if ((data[0] & 1) == 0) {
    const DWORD newLines = size > 1 ? data[1] : 0;
    CheckRaw(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1), newLines, 40);
  } else {
    FuzzedDataProvider in(data + 1, size - 1);
    CheckHunks(in);
  }
  return 0;
}
