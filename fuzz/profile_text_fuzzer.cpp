// Fuzz target of the profile text a document stores: the input's lines are
// read as a profile text, written as text again, and that text read and
// written once more. Check: text -> profile -> text is stable (the second
// text equals the first, and so does the name).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "records/FileTypeProfile.h"
#include "records/ProfileText.h"

namespace {

using qvfuzz::Require;

bool SameLines(const CStringList& a, const CStringList& b) {
  if (a.GetCount() != b.GetCount()) return false;
  POSITION pa = a.GetHeadPosition(), pb = b.GetHeadPosition();
  while (pa != nullptr) {
    if (a.GetNext(pa) != b.GetNext(pb)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvfuzz::InstallSilentPeople();
  // Lines as a document's string list holds them: no zero bytes inside.
  CStringList lines;
  std::string_view in(reinterpret_cast<const char*>(data), size);
  while (!in.empty()) {
    size_t end = in.find('\n');
    std::string_view line = in.substr(0, end);
    if (line.find('\0') != std::string_view::npos) line = line.substr(0, line.find('\0'));
    lines.AddTail(CString(line.data(), static_cast<int>(line.size())));
    if (end == std::string_view::npos) break;
    in.remove_prefix(end + 1);
  }

  ClearFileTypeProfiles();
  CString name;
  ParseProfileText(name, lines);
  CStringList first;
  ProfileToText(name, first);

  CString name2;
  ParseProfileText(name2, first);
  CStringList second;
  ProfileToText(name2, second);
  Require(name2 == name);
  Require(SameLines(first, second));
  return 0;
}
