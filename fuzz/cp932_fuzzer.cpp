// Fuzz target of the code page 932 conversions and the case rule. Checks:
// a text that converts comes back the same way (code page 932 -> UTF-8 ->
// code page 932 -> UTF-8 gives the first UTF-8; UTF-8 -> code page 932 is
// stable after one round);
// the lossy forms never fail; Windows' form of a text is the text's UTF-8
// when it converts, and well-formed UTF-8 always; _mbsupr of a code page 932 text is, in
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

// Well-formed UTF-8: every sequence complete, shortest, no surrogate, at
// most U+10FFFF.
bool WellFormedUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    uint32_t cp = n == 1 ? c : c & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
      const unsigned char t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = cp << 6 | (t & 0x3F);
    }
    static const uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kLeast[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += n;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  in = in.substr(0, in.find('\0'));  // the program's texts end at a zero byte

  std::string utf8, back, again;
  const std::string asWindows = qv::Cp932ToUtf8AsWindows(in);
  Require(WellFormedUtf8(asWindows));
  if (qv::Cp932ToUtf8(in, utf8)) {
    Require(asWindows == utf8);
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
