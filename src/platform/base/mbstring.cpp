#include "platform/base/mbstring.h"

#include <cstring>

namespace {

using uchar = unsigned char;

inline const uchar* U(const char* s) { return reinterpret_cast<const uchar*>(s); }
inline char* C(const uchar* s) { return reinterpret_cast<char*>(const_cast<uchar*>(s)); }

// Reads the character at `p` (0 at the end, also for a lead byte before the
// terminator) and advances `p` past it.
inline unsigned int Next(const uchar*& p) {
  unsigned int c = *p;
  if (c == 0) return 0;
  ++p;
  if (_ismbblead(c)) {
    if (*p == 0) return 0;
    c = (c << 8) | *p++;
  }
  return c;
}

inline bool InSet(unsigned int c, const uchar* set) {
  const uchar* p = set;
  while (unsigned int s = Next(p)) {
    if (s == c) return true;
  }
  return false;
}

// Character at byte `pos` of `s`, seen through a limit of `count` bytes: a
// double-byte character that the limit cuts counts by its lead byte alone.
inline unsigned int CharAt(const uchar* s, size_t pos, size_t count) {
  unsigned int c = s[pos];
  if (c != 0 && _ismbblead(c)) {
    if (s[pos + 1] == 0) return 0;
    if (pos + 1 < count) c = (c << 8) | s[pos + 1];
  }
  return c;
}

template <bool kFold>
int Compare(const uchar* a, const uchar* b, size_t count) {
  size_t pos = 0;
  while (pos < count) {
    unsigned int ca = CharAt(a, pos, count);
    unsigned int cb = CharAt(b, pos, count);
    if (kFold) {
      ca = qv::Cp932FoldForCompare(ca);
      cb = qv::Cp932FoldForCompare(cb);
    }
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
    pos += ca > 0xFF ? 2 : 1;  // equal characters have equal lengths
  }
  return 0;
}

template <bool kUpper>
uchar* ChangeCase(uchar* s) {
  if (!s) return s;
  for (uchar* p = s; *p;) {
    size_t n = qv::Cp932CharLen(p);
    if (n == 1) {
      if (kUpper ? (*p >= 'a' && *p <= 'z') : (*p >= 'A' && *p <= 'Z')) *p ^= 0x20;
    } else {
      unsigned int c = (static_cast<unsigned int>(p[0]) << 8) | p[1];
      unsigned int d = kUpper ? qv::Cp932ToUpper(c) : qv::Cp932ToLower(c);
      p[0] = static_cast<uchar>(d >> 8);
      p[1] = static_cast<uchar>(d);
    }
    p += n;
  }
  return s;
}

inline int AsciiLower(int c) { return (c >= 'A' && c <= 'Z') ? c + 0x20 : c; }

}  // namespace

namespace qv {

// Letters with a case in code page 932, as the Windows runtime's case change
// has them. Full-width Ａ-Ｚ 0x8260-0x8279 / ａ-ｚ 0x8281-0x829A; Greek Α-Ω
// 0x839F-0x83B6 / α-ω 0x83BF-0x83D6; Cyrillic А-Я 0x8440-0x8460 / а-я
// 0x8470-0x8491 (0x847F is no character: the lower-case row skips it);
// Roman numerals Ⅰ-Ⅹ 0x8754-0x875D (NEC row 13; the IBM copy 0xFA4A-0xFA53)
// / ⅰ-ⅹ 0xFA40-0xFA49 (the NEC-selected copy 0xEEEF-0xEEF8). A numeral comes
// out in the form that code page 932 gives its Unicode character back in,
// as the runtime's round trip through Unicode does.
unsigned int Cp932ToLower(unsigned int c) {
  if (c >= 'A' && c <= 'Z') return c + 0x20;
  if (c < 0x8260) return c;
  if (c <= 0x8279) return c + 0x21;
  if (c >= 0x839F && c <= 0x83B6) return c + 0x20;
  if (c >= 0x8440 && c <= 0x8460) return c <= 0x844E ? c + 0x30 : c + 0x31;
  if (c >= 0x8754 && c <= 0x875D) return c - 0x8754 + 0xFA40;
  if (c >= 0xFA4A && c <= 0xFA53) return c - 0xFA4A + 0xFA40;
  if (c >= 0xEEEF && c <= 0xEEF8) return c - 0xEEEF + 0xFA40;
  return c;
}

unsigned int Cp932ToUpper(unsigned int c) {
  if (c >= 'a' && c <= 'z') return c - 0x20;
  if (c < 0x8281) return c;
  if (c <= 0x829A) return c - 0x21;
  if (c >= 0x83BF && c <= 0x83D6) return c - 0x20;
  if (c >= 0x8470 && c <= 0x8491 && c != 0x847F) return c <= 0x847E ? c - 0x30 : c - 0x31;
  if (c >= 0xFA40 && c <= 0xFA49) return c - 0xFA40 + 0x8754;
  if (c >= 0xEEEF && c <= 0xEEF8) return c - 0xEEEF + 0x8754;
  if (c >= 0xFA4A && c <= 0xFA53) return c - 0xFA4A + 0x8754;
  return c;
}

unsigned int Cp932FoldForCompare(unsigned int c) {
  if (c >= 'A' && c <= 'Z') return c + 0x20;
  if (c >= 0x8260 && c <= 0x8279) return c + 0x21;
  return c;
}

}  // namespace qv

int _ismbblead(unsigned int c) {
  c &= 0xFF;
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

int _ismbbtrail(unsigned int c) {
  c &= 0xFF;
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

unsigned char* _mbsinc(const unsigned char* current) {
  return const_cast<uchar*>(current + qv::Cp932CharLen(current));
}
char* _mbsinc(const char* current) { return C(_mbsinc(U(current))); }

unsigned char* _mbsdec(const unsigned char* start, const unsigned char* current) {
  if (!start || !current || current <= start) return nullptr;
  const uchar* p = start;
  while (true) {
    const uchar* next = p + qv::Cp932CharLen(p);
    if (next >= current || *p == 0) return const_cast<uchar*>(p);
    p = next;
  }
}
char* _mbsdec(const char* start, const char* current) { return C(_mbsdec(U(start), U(current))); }

size_t _mbslen(const unsigned char* s) {
  size_t n = 0;
  while (Next(s)) ++n;
  return n;
}
size_t _mbslen(const char* s) { return _mbslen(U(s)); }

unsigned char* _mbschr(const unsigned char* s, unsigned int c) {
  while (true) {
    const uchar* at = s;
    unsigned int x = Next(s);
    if (x == c) return const_cast<uchar*>(x == 0 ? s : at);
    if (x == 0) return nullptr;
  }
}
char* _mbschr(const char* s, unsigned int c) { return C(_mbschr(U(s), c)); }

unsigned char* _mbsrchr(const unsigned char* s, unsigned int c) {
  const uchar* found = nullptr;
  while (true) {
    const uchar* at = s;
    unsigned int x = Next(s);
    if (x == c) found = x == 0 ? s : at;
    if (x == 0) return const_cast<uchar*>(found);
  }
}
char* _mbsrchr(const char* s, unsigned int c) { return C(_mbsrchr(U(s), c)); }

unsigned char* _mbsstr(const unsigned char* s, const unsigned char* sub) {
  size_t n = std::strlen(reinterpret_cast<const char*>(sub));
  if (n == 0) return const_cast<uchar*>(s);
  while (*s) {
    if (std::strncmp(reinterpret_cast<const char*>(s), reinterpret_cast<const char*>(sub), n) == 0)
      return const_cast<uchar*>(s);
    s += qv::Cp932CharLen(s);
  }
  return nullptr;
}
char* _mbsstr(const char* s, const char* sub) { return C(_mbsstr(U(s), U(sub))); }

unsigned char* _mbspbrk(const unsigned char* s, const unsigned char* charSet) {
  while (true) {
    const uchar* at = s;
    unsigned int x = Next(s);
    if (x == 0) return nullptr;
    if (InSet(x, charSet)) return const_cast<uchar*>(at);
  }
}
char* _mbspbrk(const char* s, const char* charSet) { return C(_mbspbrk(U(s), U(charSet))); }

size_t _mbsspn(const unsigned char* s, const unsigned char* charSet) {
  const uchar* p = s;
  while (true) {
    const uchar* at = p;
    unsigned int x = Next(p);
    if (x == 0 || !InSet(x, charSet)) return static_cast<size_t>(at - s);
  }
}

size_t _mbscspn(const unsigned char* s, const unsigned char* charSet) {
  const uchar* p = s;
  while (true) {
    const uchar* at = p;
    unsigned int x = Next(p);
    if (x == 0 || InSet(x, charSet)) return static_cast<size_t>(at - s);
  }
}

int _mbscmp(const unsigned char* a, const unsigned char* b) {
  return Compare<false>(a, b, static_cast<size_t>(-1));
}
int _mbscmp(const char* a, const char* b) { return _mbscmp(U(a), U(b)); }
int _mbsicmp(const unsigned char* a, const unsigned char* b) {
  return Compare<true>(a, b, static_cast<size_t>(-1));
}
int _mbsicmp(const char* a, const char* b) { return _mbsicmp(U(a), U(b)); }

std::string qv::Cp932CompareKey(const char* s) {
  // The folded characters Compare<true> walks, two bytes each.
  std::string key;
  if (s == nullptr) return key;
  const uchar* u = U(s);
  for (size_t pos = 0;;) {
    const unsigned int c = qv::Cp932FoldForCompare(CharAt(u, pos, static_cast<size_t>(-1)));
    if (c == 0) return key;
    key.push_back(static_cast<char>(c >> 8));
    key.push_back(static_cast<char>(c & 0xFF));
    pos += c > 0xFF ? 2 : 1;
  }
}

int _mbsnbcmp(const unsigned char* a, const unsigned char* b, size_t count) {
  return Compare<false>(a, b, count);
}
int _mbsnbcmp(const char* a, const char* b, size_t count) { return _mbsnbcmp(U(a), U(b), count); }
int _mbsnbicmp(const unsigned char* a, const unsigned char* b, size_t count) {
  return Compare<true>(a, b, count);
}
int _mbsnbicmp(const char* a, const char* b, size_t count) { return _mbsnbicmp(U(a), U(b), count); }

unsigned char* _mbslwr(unsigned char* s) { return ChangeCase<false>(s); }
char* _mbslwr(char* s) { return reinterpret_cast<char*>(ChangeCase<false>(reinterpret_cast<uchar*>(s))); }
unsigned char* _mbsupr(unsigned char* s) { return ChangeCase<true>(s); }
char* _mbsupr(char* s) { return reinterpret_cast<char*>(ChangeCase<true>(reinterpret_cast<uchar*>(s))); }

char* _strlwr(char* s) {
  if (s)
    for (char* p = s; *p; ++p)
      if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p + 0x20);
  return s;
}

char* _strupr(char* s) {
  if (s)
    for (char* p = s; *p; ++p)
      if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 0x20);
  return s;
}

int _stricmp(const char* a, const char* b) { return _strnicmp(a, b, static_cast<size_t>(-1)); }

int _strnicmp(const char* a, const char* b, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    int ca = AsciiLower(static_cast<uchar>(a[i]));
    int cb = AsciiLower(static_cast<uchar>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
  return 0;
}
