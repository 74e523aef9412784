#include "platform/base/cstring.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <ostream>
#include <stdexcept>

#include "platform/base/codepage.h"
#include "platform/base/mbstring.h"

namespace {

using uchar = unsigned char;

// The shared empty string: length 0, room 0, the terminator. Never written.
struct EmptyBlock {
  int length;
  int capacity;
  char text[4];
};
constinit EmptyBlock g_empty = {0, 0, {0, 0, 0, 0}};
static_assert(offsetof(EmptyBlock, text) == 2 * sizeof(int));

char* EmptyText() noexcept { return g_empty.text; }

inline const uchar* U(const char* s) { return reinterpret_cast<const uchar*>(s); }

inline int Clamp(long long v, int lo, int hi) {
  return v < lo ? lo : (v > hi ? hi : static_cast<int>(v));
}

inline int CheckedLength(size_t n) {
  if (n > static_cast<size_t>(INT_MAX) - 64) throw std::length_error("CString too long");
  return static_cast<int>(n);
}

// Length of the character at `p` within [p, end): 2 for a lead byte with its
// trail inside the text, else 1.
inline int CharLen(const char* p, const char* end) {
  return (p + 1 < end && _ismbblead(static_cast<uchar>(*p)) && p[1] != 0) ? 2 : 1;
}

inline bool IsAsciiSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Whether the character [p, p+n) is one of the characters of `set`.
inline bool InCharSet(const char* p, int n, const char* set) {
  if (!set) return false;
  for (const char* s = set; *s;) {
    int m = CharLen(s, s + std::strlen(s));
    if (m == n && std::memcmp(s, p, static_cast<size_t>(n)) == 0) return true;
    s += m;
  }
  return false;
}

}  // namespace

// ---- storage -------------------------------------------------------------

bool CString::IsShared() const noexcept { return m_pchData == EmptyText(); }

char* CString::Allocate(int capacity) {
  void* raw = ::operator new(sizeof(Block) + static_cast<size_t>(capacity) + 1);
  Block* b = new (raw) Block{0, capacity};
  char* text = reinterpret_cast<char*>(b + 1);
  // The room past the text is handed out by GetBuffer and may be taken into
  // the text by ReleaseBuffer: it never holds undefined bytes.
  std::memset(text, 0, static_cast<size_t>(capacity) + 1);
  return text;
}

void CString::Release(char* data) noexcept {
  if (data == EmptyText()) return;
  ::operator delete(reinterpret_cast<Block*>(data) - 1);
}

void CString::SetLength(int length) noexcept {
  Header()->length = length;
  m_pchData[length] = 0;
}

void CString::Reserve(int capacity) {
  if (IsShared() ? capacity <= 0 : Header()->capacity >= capacity) return;
  int len = GetLength();
  if (capacity < len) capacity = len;
  // Grow geometrically so repeated appends stay linear.
  if (!IsShared()) {
    long long grown = static_cast<long long>(Header()->capacity) * 3 / 2;
    if (grown > capacity && grown < INT_MAX - 64) capacity = static_cast<int>(grown);
  }
  char* text = Allocate(capacity);
  std::memcpy(text, m_pchData, static_cast<size_t>(len) + 1);
  reinterpret_cast<Block*>(text)[-1].length = len;
  Release(m_pchData);
  m_pchData = text;
}

void CString::Assign(const char* text, size_t length) {
  int n = CheckedLength(length);
  if (n == 0) {
    Empty();
    return;
  }
  if (IsShared() || Header()->capacity < n) {
    char* fresh = Allocate(n);
    std::memcpy(fresh, text, length);
    Release(m_pchData);
    m_pchData = fresh;
  } else {
    std::memmove(m_pchData, text, length);
  }
  SetLength(n);
}

CString::CString() noexcept : m_pchData(EmptyText()) {}

CString::CString(const CString& other) : m_pchData(EmptyText()) {
  Assign(other.m_pchData, static_cast<size_t>(other.GetLength()));
}

CString::CString(CString&& other) noexcept : m_pchData(other.m_pchData) {
  other.m_pchData = EmptyText();
}

CString::CString(const char* text) : m_pchData(EmptyText()) {
  if (text) Assign(text, std::strlen(text));
}

CString::CString(const unsigned char* text) : CString(reinterpret_cast<const char*>(text)) {}

CString::CString(const char* text, int length) : m_pchData(EmptyText()) {
  if (text && length > 0) Assign(text, static_cast<size_t>(length));
}

CString::CString(char ch, int repeat) : m_pchData(EmptyText()) {
  if (repeat <= 0) return;
  m_pchData = Allocate(repeat);
  std::memset(m_pchData, static_cast<uchar>(ch), static_cast<size_t>(repeat));
  SetLength(repeat);
}

CString::CString(std::string_view bytes) : m_pchData(EmptyText()) {
  Assign(bytes.data(), bytes.size());
}

CString::~CString() { Release(m_pchData); }

CString& CString::operator=(const CString& other) {
  if (this != &other) Assign(other.m_pchData, static_cast<size_t>(other.GetLength()));
  return *this;
}

CString& CString::operator=(CString&& other) noexcept {
  if (this != &other) {
    Release(m_pchData);
    m_pchData = other.m_pchData;
    other.m_pchData = EmptyText();
  }
  return *this;
}

CString& CString::operator=(const char* text) {
  if (!text) {
    Empty();
  } else {
    Assign(text, std::strlen(text));  // may point into our own text
  }
  return *this;
}

CString& CString::operator=(const unsigned char* text) {
  return *this = reinterpret_cast<const char*>(text);
}

CString& CString::operator=(char ch) {
  Assign(&ch, 1);
  return *this;
}

void CString::Append(const char* text, int length) {
  if (!text || length <= 0) return;
  int len = GetLength();
  int total = CheckedLength(static_cast<size_t>(len) + static_cast<size_t>(length));
  if (!IsShared() && Header()->capacity >= total) {
    std::memmove(m_pchData + len, text, static_cast<size_t>(length));
  } else {
    // `text` may lie inside our own block: copy before releasing it.
    long long grown = IsShared() ? 0 : static_cast<long long>(Header()->capacity) * 3 / 2;
    int capacity = (grown > total && grown < INT_MAX - 64) ? static_cast<int>(grown) : total;
    char* fresh = Allocate(capacity);
    std::memcpy(fresh, m_pchData, static_cast<size_t>(len));
    std::memcpy(fresh + len, text, static_cast<size_t>(length));
    Release(m_pchData);
    m_pchData = fresh;
  }
  SetLength(total);
}

CString& CString::operator+=(const CString& other) {
  Append(other.m_pchData, other.GetLength());
  return *this;
}

CString& CString::operator+=(const char* text) {
  if (text) Append(text, CheckedLength(std::strlen(text)));
  return *this;
}

CString& CString::operator+=(char ch) {
  Append(&ch, 1);
  return *this;
}

void CString::Empty() noexcept {
  Release(m_pchData);
  m_pchData = EmptyText();
}

char CString::GetAt(int index) const noexcept {
  return (index >= 0 && index < GetLength()) ? m_pchData[index] : 0;
}

void CString::SetAt(int index, char ch) noexcept {
  if (index >= 0 && index < GetLength()) m_pchData[index] = ch;
}

// ---- pieces --------------------------------------------------------------

CString CString::Mid(int first) const { return Mid(first, INT_MAX); }

CString CString::Mid(int first, int count) const {
  int len = GetLength();
  first = Clamp(first, 0, len);
  count = Clamp(count, 0, len - first);
  if (first == 0 && count == len) return *this;
  return CString(m_pchData + first, count);
}

CString CString::Left(int count) const {
  count = Clamp(count, 0, GetLength());
  return CString(m_pchData, count);
}

CString CString::Right(int count) const {
  int len = GetLength();
  count = Clamp(count, 0, len);
  return CString(m_pchData + len - count, count);
}

CString CString::SpanIncluding(const char* charSet) const {
  if (!charSet) return CString();
  return Left(static_cast<int>(_mbsspn(U(m_pchData), U(charSet))));
}

CString CString::SpanExcluding(const char* charSet) const {
  if (!charSet) return *this;
  return Left(static_cast<int>(_mbscspn(U(m_pchData), U(charSet))));
}

CString CString::Tokenize(const char* tokens, int& start) const {
  int len = GetLength();
  if (start >= 0 && start < len) {
    if (!tokens || !*tokens) {
      CString rest = Mid(start);
      start = len;
      return rest;
    }
    const uchar* p = U(m_pchData + start);
    int skip = static_cast<int>(_mbsspn(p, U(tokens)));
    if (start + skip < len) {
      int from = start + skip;
      int n = static_cast<int>(_mbscspn(U(m_pchData + from), U(tokens)));
      start = from + n + 1;
      return Mid(from, n);
    }
  }
  start = -1;
  return CString();
}

// ---- searches ------------------------------------------------------------

int CString::Find(char ch, int start) const noexcept {
  int len = GetLength();
  if (start < 0 || start >= len) return -1;
  const char* end = m_pchData + len;
  for (const char* p = m_pchData + start; p < end;) {
    int n = CharLen(p, end);
    if (n == 1 && *p == ch) return static_cast<int>(p - m_pchData);
    p += n;
  }
  return -1;
}

int CString::Find(const char* sub, int start) const noexcept {
  int len = GetLength();
  if (!sub || start < 0 || start > len) return -1;
  const uchar* hit = _mbsstr(U(m_pchData + start), U(sub));
  return hit ? static_cast<int>(reinterpret_cast<const char*>(hit) - m_pchData) : -1;
}

int CString::ReverseFind(char ch) const noexcept {
  int found = -1;
  const char* end = m_pchData + GetLength();
  for (const char* p = m_pchData; p < end;) {
    int n = CharLen(p, end);
    if (n == 1 && *p == ch) found = static_cast<int>(p - m_pchData);
    p += n;
  }
  return found;
}

int CString::FindOneOf(const char* charSet) const noexcept {
  if (!charSet) return -1;
  const uchar* hit = _mbspbrk(U(m_pchData), U(charSet));
  return hit ? static_cast<int>(reinterpret_cast<const char*>(hit) - m_pchData) : -1;
}

// ---- changes -------------------------------------------------------------

int CString::Replace(char oldCh, char newCh) {
  if (oldCh == newCh || IsEmpty()) return 0;
  int count = 0;
  char* end = m_pchData + GetLength();
  for (char* p = m_pchData; p < end;) {
    int n = CharLen(p, end);
    if (n == 1 && *p == oldCh) {
      *p = newCh;
      ++count;
    }
    p += n;
  }
  return count;
}

int CString::Replace(const char* oldText, const char* newText) {
  if (!oldText || !*oldText || IsEmpty()) return 0;
  if (!newText) newText = "";
  size_t oldLen = std::strlen(oldText);
  size_t newLen = std::strlen(newText);
  std::string out;
  int count = 0;
  const char* end = m_pchData + GetLength();
  const char* p = m_pchData;
  while (p < end) {
    if (static_cast<size_t>(end - p) >= oldLen && std::memcmp(p, oldText, oldLen) == 0) {
      out.append(newText, newLen);
      p += oldLen;
      ++count;
    } else {
      int n = CharLen(p, end);
      out.append(p, static_cast<size_t>(n));
      p += n;
    }
  }
  if (count) Assign(out.data(), out.size());
  return count;
}

int CString::Remove(char ch) {
  int count = 0;
  char* end = m_pchData + GetLength();
  char* dst = m_pchData;
  for (char* p = m_pchData; p < end;) {
    int n = CharLen(p, end);
    if (n == 1 && *p == ch) {
      ++count;
    } else {
      std::memmove(dst, p, static_cast<size_t>(n));
      dst += n;
    }
    p += n;
  }
  if (count) SetLength(static_cast<int>(dst - m_pchData));
  return count;
}

int CString::Insert(int index, char ch) {
  char buf[2] = {ch, 0};
  int len = GetLength();
  index = Clamp(index, 0, len);
  Reserve(CheckedLength(static_cast<size_t>(len) + 1));
  std::memmove(m_pchData + index + 1, m_pchData + index, static_cast<size_t>(len - index));
  m_pchData[index] = buf[0];
  SetLength(len + 1);
  return len + 1;
}

int CString::Insert(int index, const char* text) {
  int len = GetLength();
  if (!text || !*text) return len;
  index = Clamp(index, 0, len);
  CString result(m_pchData, index);
  result += text;  // `text` may point into this string: we are unchanged so far
  result.Append(m_pchData + index, len - index);
  *this = std::move(result);
  return GetLength();
}

int CString::Delete(int index, int count) {
  int len = GetLength();
  index = Clamp(index, 0, len);
  count = Clamp(count, 0, len - index);
  if (count > 0) {
    std::memmove(m_pchData + index, m_pchData + index + count, static_cast<size_t>(len - index - count));
    SetLength(len - count);
  }
  return GetLength();
}

// ---- trimming ------------------------------------------------------------

namespace {

template <typename Pred>
int LeadingRun(const char* s, int len, Pred match) {
  const char* end = s + len;
  const char* p = s;
  while (p < end) {
    int n = CharLen(p, end);
    if (!match(p, n)) break;
    p += n;
  }
  return static_cast<int>(p - s);
}

// Start of the trailing run of matching characters (walks forward, so a
// trail byte is never looked at on its own).
template <typename Pred>
int TrailingRunStart(const char* s, int len, Pred match) {
  const char* end = s + len;
  const char* run = nullptr;
  for (const char* p = s; p < end;) {
    int n = CharLen(p, end);
    if (match(p, n)) {
      if (!run) run = p;
    } else {
      run = nullptr;
    }
    p += n;
  }
  return static_cast<int>((run ? run : end) - s);
}

}  // namespace

namespace {
auto SpaceMatch() {
  return [](const char* p, int n) { return n == 1 && IsAsciiSpace(*p); };
}
auto CharMatch(char ch) {
  return [ch](const char* p, int n) { return n == 1 && *p == ch; };
}
auto SetMatch(const char* set) {
  return [set](const char* p, int n) { return InCharSet(p, n, set); };
}
}  // namespace

namespace {
template <typename Pred>
void DoTrimLeft(CString& s, Pred match) {
  int k = LeadingRun(s.GetString(), s.GetLength(), match);
  if (k > 0) s.Delete(0, k);
}
template <typename Pred>
void DoTrimRight(CString& s, Pred match) {
  int len = s.GetLength();
  int k = TrailingRunStart(s.GetString(), len, match);
  if (k < len) s.Delete(k, len - k);
}
}  // namespace

CString& CString::TrimLeft() { DoTrimLeft(*this, SpaceMatch()); return *this; }
CString& CString::TrimLeft(char ch) { DoTrimLeft(*this, CharMatch(ch)); return *this; }
CString& CString::TrimLeft(const char* charSet) { DoTrimLeft(*this, SetMatch(charSet)); return *this; }
CString& CString::TrimRight() { DoTrimRight(*this, SpaceMatch()); return *this; }
CString& CString::TrimRight(char ch) { DoTrimRight(*this, CharMatch(ch)); return *this; }
CString& CString::TrimRight(const char* charSet) { DoTrimRight(*this, SetMatch(charSet)); return *this; }
CString& CString::Trim() { return TrimRight().TrimLeft(); }
CString& CString::Trim(char ch) { return TrimRight(ch).TrimLeft(ch); }
CString& CString::Trim(const char* charSet) { return TrimRight(charSet).TrimLeft(charSet); }

// ---- case and order ------------------------------------------------------

CString& CString::MakeUpper() {
  if (!IsEmpty()) _mbsupr(m_pchData);
  return *this;
}

CString& CString::MakeLower() {
  if (!IsEmpty()) _mbslwr(m_pchData);
  return *this;
}

CString& CString::MakeReverse() {
  int len = GetLength();
  if (len < 2) return *this;
  std::string out(static_cast<size_t>(len), '\0');
  const char* end = m_pchData + len;
  size_t at = static_cast<size_t>(len);
  for (const char* p = m_pchData; p < end;) {
    int n = CharLen(p, end);
    at -= static_cast<size_t>(n);
    std::memcpy(&out[at], p, static_cast<size_t>(n));
    p += n;
  }
  std::memcpy(m_pchData, out.data(), out.size());
  return *this;
}

int CString::Compare(const char* other) const noexcept {
  return _mbscmp(U(m_pchData), U(other ? other : ""));
}

int CString::CompareNoCase(const char* other) const noexcept {
  return _mbsicmp(U(m_pchData), U(other ? other : ""));
}

// ---- formatting ----------------------------------------------------------

void CString::FormatV(const char* format, va_list args) {
  if (!format) {
    Empty();
    return;
  }
  va_list probe;
  va_copy(probe, args);
  int n = std::vsnprintf(nullptr, 0, format, probe);
  va_end(probe);
  if (n <= 0) {
    Empty();
    return;
  }
  // Into a fresh block: the arguments may point into our own text.
  char* fresh = Allocate(CheckedLength(static_cast<size_t>(n)));
  std::vsnprintf(fresh, static_cast<size_t>(n) + 1, format, args);
  Release(m_pchData);
  m_pchData = fresh;
  SetLength(n);
}

void CString::AppendFormatV(const char* format, va_list args) {
  if (!format) return;
  va_list probe;
  va_copy(probe, args);
  int n = std::vsnprintf(nullptr, 0, format, probe);
  va_end(probe);
  if (n <= 0) return;
  int len = GetLength();
  int total = CheckedLength(static_cast<size_t>(len) + static_cast<size_t>(n));
  char* fresh = Allocate(total);
  std::memcpy(fresh, m_pchData, static_cast<size_t>(len));
  std::vsnprintf(fresh + len, static_cast<size_t>(n) + 1, format, args);
  Release(m_pchData);
  m_pchData = fresh;
  SetLength(total);
}

void CString::FormatRaw(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(format, args);
  va_end(args);
}

void CString::AppendFormatRaw(const char* format, ...) {
  va_list args;
  va_start(args, format);
  AppendFormatV(format, args);
  va_end(args);
}

// ---- direct access -------------------------------------------------------

char* CString::GetBuffer() { return GetBuffer(0); }

char* CString::GetBuffer(int minLength) {
  if (minLength < 0) minLength = 0;
  if (IsShared() || Header()->capacity < minLength) {
    int len = GetLength();
    char* fresh = Allocate(minLength > len ? minLength : len);
    std::memcpy(fresh, m_pchData, static_cast<size_t>(len) + 1);
    reinterpret_cast<Block*>(fresh)[-1].length = len;
    Release(m_pchData);
    m_pchData = fresh;
  }
  // A caller that fills the room without a terminator still ends at its room.
  int len = GetLength();
  if (minLength > len) std::memset(m_pchData + len, 0, static_cast<size_t>(minLength - len) + 1);
  return m_pchData;
}

char* CString::GetBufferSetLength(int length) {
  if (length < 0) length = 0;
  GetBuffer(length);
  SetLength(length);
  return m_pchData;
}

void CString::ReleaseBuffer(int newLength) noexcept {
  if (IsShared()) return;
  int capacity = Header()->capacity;
  if (newLength < 0) {
    newLength = static_cast<int>(strnlen(m_pchData, static_cast<size_t>(capacity)));
  } else if (newLength > capacity) {
    newLength = capacity;
  }
  SetLength(newLength);
}

void CString::Preallocate(int length) {
  if (length > 0) GetBuffer(length);
}

void CString::FreeExtra() {
  if (IsShared()) return;
  int len = GetLength();
  if (len == 0) {
    Empty();
  } else if (Header()->capacity > len) {
    CString copy(m_pchData, len);
    *this = std::move(copy);
  }
}

// ---- operators -----------------------------------------------------------

CString operator+(const CString& a, const CString& b) {
  CString r;
  r.Reserve(CheckedLength(static_cast<size_t>(a.GetLength()) + static_cast<size_t>(b.GetLength())));
  r.Append(a.m_pchData, a.GetLength());
  r.Append(b.m_pchData, b.GetLength());
  return r;
}

CString operator+(const CString& a, const char* b) {
  CString r(a);
  r += b;
  return r;
}

CString operator+(const char* a, const CString& b) {
  CString r(a);
  r += b;
  return r;
}

CString operator+(const CString& a, char b) {
  CString r(a);
  r += b;
  return r;
}

CString operator+(char a, const CString& b) {
  CString r(a, 1);
  r += b;
  return r;
}

CString operator+(CString&& a, const CString& b) {
  a += b;
  return std::move(a);
}

CString operator+(CString&& a, const char* b) {
  a += b;
  return std::move(a);
}

CString operator+(CString&& a, char b) {
  a += b;
  return std::move(a);
}

// Equality is byte-exact (the ordering's rule for a lead byte before the
// terminator would make two different texts equal).
bool operator==(const CString& a, const CString& b) noexcept {
  return a.GetLength() == b.GetLength() &&
         std::memcmp(a.GetString(), b.GetString(), static_cast<size_t>(a.GetLength())) == 0;
}
bool operator==(const CString& a, const char* b) noexcept { return std::strcmp(a, b ? b : "") == 0; }
bool operator==(const char* a, const CString& b) noexcept { return b == a; }
bool operator!=(const CString& a, const CString& b) noexcept { return !(a == b); }
bool operator!=(const CString& a, const char* b) noexcept { return !(a == b); }
bool operator!=(const char* a, const CString& b) noexcept { return !(a == b); }
bool operator<(const CString& a, const CString& b) noexcept { return a.Compare(b) < 0; }
bool operator<(const CString& a, const char* b) noexcept { return a.Compare(b) < 0; }
bool operator<(const char* a, const CString& b) noexcept { return b.Compare(a) > 0; }
bool operator>(const CString& a, const CString& b) noexcept { return a.Compare(b) > 0; }
bool operator>(const CString& a, const char* b) noexcept { return a.Compare(b) > 0; }
bool operator>(const char* a, const CString& b) noexcept { return b.Compare(a) < 0; }
bool operator<=(const CString& a, const CString& b) noexcept { return a.Compare(b) <= 0; }
bool operator<=(const CString& a, const char* b) noexcept { return a.Compare(b) <= 0; }
bool operator<=(const char* a, const CString& b) noexcept { return b.Compare(a) >= 0; }
bool operator>=(const CString& a, const CString& b) noexcept { return a.Compare(b) >= 0; }
bool operator>=(const CString& a, const char* b) noexcept { return a.Compare(b) >= 0; }
bool operator>=(const char* a, const CString& b) noexcept { return b.Compare(a) <= 0; }

void PrintTo(const CString& s, std::ostream* os) {
  *os << '"' << qv::Cp932ToUtf8Lossy(s.View()) << '"';
}
