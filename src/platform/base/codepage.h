// Code page 932 <-> UTF-8 at the boundary of the program. Inside, every text
// is code page 932 bytes; the OS, Qt and the terminal speak UTF-8. The table
// is glibc's CP932 (0x5C is the backslash) with Windows' single bytes
// besides: 0x80 <-> U+0080, and 0xA0, 0xFD, 0xFE, 0xFF <-> the private-use
// U+F8F0-U+F8F3.
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

// Code page 932 text as Windows converts it where it refuses nothing
// (MultiByteToWideChar without MB_ERR_INVALID_CHARS, as a process start
// converts its command line): what the table holds as above; a lead byte
// that forms no character with the byte after it is U+30FB (・) for both
// bytes, a lead byte at the end U+30FB alone.
std::string Cp932ToUtf8AsWindows(std::string_view in);

// Lead byte of a double-byte character in code page 932.
inline bool IsCp932Lead(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace qv
