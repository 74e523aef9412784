// Code page 932 <-> UTF-8 at the boundary of the program. Inside, every text
// is code page 932 bytes; the OS, Qt and the terminal speak UTF-8. The table
// is glibc's CP932 (0x5C is the backslash) with Windows' single byte 0x80 <->
// U+0080 besides.
#pragma once

#include <string>
#include <string_view>

namespace qv {

// Converts; returns false when the input holds a sequence the other side
// cannot represent. `out` then holds the convertible prefix only, so a caller
// that ignores the result never sees one name turned into another.
bool Cp932ToUtf8(std::string_view in, std::string& out);
bool Utf8ToCp932(std::string_view in, std::string& out);

// Convenience forms for display and messages: unconvertible bytes become
// U+FFFD (to UTF-8) or '?' (to code page 932). Never use them for names that
// must reach the OS.
std::string Cp932ToUtf8Lossy(std::string_view in);
std::string Utf8ToCp932Lossy(std::string_view in);

// Lead byte of a double-byte character in code page 932.
inline bool IsCp932Lead(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace qv
