// Multibyte string routines of the C runtime for code page 932 (the
// Japanese code page, fixed: the program runs in no other).
//
// A lead byte (0x81-0x9F, 0xE0-0xFC) and the byte after it form one
// character; a lead byte followed by the terminator counts as the end of the
// string, as in the C runtime. Searches never match the trail byte of a
// double-byte character, so the 0x5C in 表, ソ and 予 is no backslash.
//
// Case: _mbsupr and _mbslwr change ASCII letters and the double-byte Latin,
// Greek and Cyrillic letters and Roman numerals (ａ-Ｚ, α-Ω, а-Я, ⅰ-Ⅹ), as
// the Windows runtime does for code page 932. The case-insensitive
// comparisons (_mbsicmp, _mbsnbicmp) have the runtime's narrower rule: ASCII
// and full-width Latin letters only, folded to lower case.
//
// Each routine has the runtime's unsigned char signature plus char forms, so
// a CString or a char buffer may be passed without casts.
#pragma once

#include <string>

#include <cstddef>

// Byte classes.
int _ismbblead(unsigned int c);
int _ismbbtrail(unsigned int c);

// Next / previous character. _mbsinc on a lead byte followed by the
// terminator steps one byte only, so it never passes the end. _mbsdec gives
// nullptr when `current` is not after `start`.
unsigned char* _mbsinc(const unsigned char* current);
char* _mbsinc(const char* current);
unsigned char* _mbsdec(const unsigned char* start, const unsigned char* current);
char* _mbsdec(const char* start, const char* current);

// Length in characters.
size_t _mbslen(const unsigned char* s);
size_t _mbslen(const char* s);

// Searches. `c` is a single byte or a double-byte character as
// (lead << 8) | trail. Searching for 0 finds the terminator.
unsigned char* _mbschr(const unsigned char* s, unsigned int c);
char* _mbschr(const char* s, unsigned int c);
unsigned char* _mbsrchr(const unsigned char* s, unsigned int c);
char* _mbsrchr(const char* s, unsigned int c);
unsigned char* _mbsstr(const unsigned char* s, const unsigned char* sub);
char* _mbsstr(const char* s, const char* sub);
unsigned char* _mbspbrk(const unsigned char* s, const unsigned char* charSet);
char* _mbspbrk(const char* s, const char* charSet);
// Bytes at the start of `s` made of characters in (spn) / not in (cspn) the set.
size_t _mbsspn(const unsigned char* s, const unsigned char* charSet);
size_t _mbscspn(const unsigned char* s, const unsigned char* charSet);

// Comparisons: <0, 0 or >0; a double-byte character compares as one unit
// (lead << 8 | trail). The nb forms compare at most `count` bytes.
int _mbscmp(const unsigned char* a, const unsigned char* b);
int _mbscmp(const char* a, const char* b);
int _mbsicmp(const unsigned char* a, const unsigned char* b);
int _mbsicmp(const char* a, const char* b);
int _mbsnbcmp(const unsigned char* a, const unsigned char* b, size_t count);
int _mbsnbcmp(const char* a, const char* b, size_t count);
int _mbsnbicmp(const unsigned char* a, const unsigned char* b, size_t count);
int _mbsnbicmp(const char* a, const char* b, size_t count);

// Case change in place; returns `s`.
unsigned char* _mbslwr(unsigned char* s);
char* _mbslwr(char* s);
unsigned char* _mbsupr(unsigned char* s);
char* _mbsupr(char* s);

// Single-byte routines: every byte on its own, ASCII letters only (a byte of
// a double-byte character in 'A'..'Z' changes, as in the runtime).
char* _strlwr(char* s);
char* _strupr(char* s);
int _stricmp(const char* a, const char* b);
int _strnicmp(const char* a, const char* b, size_t count);

namespace qv {

// Character of code page 932 at `p` (1 or 2 bytes) and its value.
inline size_t Cp932CharLen(const unsigned char* p) {
  return (((p[0] >= 0x81 && p[0] <= 0x9F) || (p[0] >= 0xE0 && p[0] <= 0xFC)) && p[1] != 0) ? 2 : 1;
}
// Case change of one character as _mbslwr / _mbsupr make it; `c` as above.
unsigned int Cp932ToLower(unsigned int c);
unsigned int Cp932ToUpper(unsigned int c);
// The fold of the case-insensitive comparisons: ASCII and full-width Latin
// letters to lower case.
unsigned int Cp932FoldForCompare(unsigned int c);
// A key of `s` for the case-insensitive comparison: two texts have equal
// keys exactly when _mbsicmp finds them equal.
std::string Cp932CompareKey(const char* s);

}  // namespace qv
