// Fuzz target of the code page 932 conversions and the case rule. Checks:
// a text that converts comes back the same way (code page 932 -> UTF-8 ->
// code page 932 -> UTF-8 gives the first UTF-8; UTF-8 -> code page 932 is
// stable after one round);
// the lossy forms never fail; _mbsupr of a code page 932 text is, in
// Unicode, what the file system's case rule makes of the text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "platform/base/codepage.h"
#include "platform/base/mbstring.h"
#include "platform/os/paths.h"

namespace {

using qvfuzz::Require;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  in = in.substr(0, in.find('\0'));  // the program's texts end at a zero byte

  std::string utf8, back, again;
  if (qv::Cp932ToUtf8(in, utf8)) {
    Require(qv::Utf8ToCp932(utf8, back));
    Require(qv::Cp932ToUtf8(back, again) && again == utf8);
    // One case rule: the code page 932 upper case of the text is the
    // Unicode upper case of the file system for the letters it holds.
    std::string upper(in);
    _mbsupr(upper.data());
    std::string upperUtf8;
    Require(qv::Cp932ToUtf8(upper, upperUtf8));
    Require(upperUtf8 == qv::UpcaseName(utf8));
    // Lower case and back gives the same upper case.
    std::string lower(in);
    _mbslwr(lower.data());
    _mbsupr(lower.data());
    Require(lower == upper);
  }
  if (qv::Utf8ToCp932(in, back)) {
    // A few characters share a code (〜 and ～): the round is stable, and
    // names are checked for it by the layer.
    std::string twice;
    Require(qv::Cp932ToUtf8(back, again) && qv::Utf8ToCp932(again, twice) && twice == back);
  }
  (void)qv::Cp932ToUtf8Lossy(in);
  (void)qv::Utf8ToCp932Lossy(in);
  return 0;
}
