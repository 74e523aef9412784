// CString: the framework's byte string. Text is code page 932; lengths and
// indexes count bytes. Searches, trimming and case changes walk characters,
// so the trail byte of a double-byte character (0x5C in 表, ソ, 予) is never
// taken for a backslash or a letter.
//
// Layout: the only member is a pointer to the text, which sits in a heap
// block right after its length and capacity (an empty string points at a
// shared empty block). sizeof(CString) == sizeof(char*).
//
// Passing a CString through C varargs ("%s") does NOT work with this compiler:
// a class with a destructor is passed by hidden reference, not by value.
// Format, AppendFormat and the bounded functions of safecrt.h are templates
// that turn CString arguments into their text first, so "%s" with a CString
// works there. For printf, fprintf and a program's own "..." functions pass
// (LPCTSTR)str or str.GetString(); -Wformat reports the mistake.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <concepts>
#include <iosfwd>
#include <string_view>
#include <type_traits>

#include "platform/base/wintypes.h"

class CString;

namespace qv::detail {

// Varargs form of one argument of a printf-style call.
inline const char* FormatArg(const CString& s);
template <typename T>
inline decltype(auto) FormatArg(const T& v) {
  using D = std::decay_t<T>;
  static_assert(std::is_trivially_copyable_v<D>,
                "only numbers, pointers and CString may be passed to a printf-style function");
  if constexpr (std::is_array_v<T>) {
    return static_cast<const std::remove_extent_t<T>*>(v);
  } else {
    return v;
  }
}

}  // namespace qv::detail

class CString {
 public:
  CString() noexcept;
  CString(const CString& other);
  CString(CString&& other) noexcept;
  CString(const char* text);                 // nullptr gives an empty string
  CString(const unsigned char* text);
  CString(const char* text, int length);     // `length` bytes, NULs included
  CString(char ch, int repeat = 1);          // `repeat` copies; <= 0 gives ""
  explicit CString(std::string_view bytes);
  ~CString();

  CString& operator=(const CString& other);
  CString& operator=(CString&& other) noexcept;
  CString& operator=(const char* text);
  CString& operator=(const unsigned char* text);
  CString& operator=(char ch);

  CString& operator+=(const CString& other);
  CString& operator+=(const char* text);
  CString& operator+=(char ch);
  void Append(const char* text, int length);

  // The string-table entry nID (installed resources); FALSE and unchanged
  // when there is none.
  BOOL LoadString(UINT nID);

  // Length and access (bytes).
  int GetLength() const noexcept { return Header()->length; }
  BOOL IsEmpty() const noexcept { return GetLength() == 0; }
  void Empty() noexcept;
  // Out-of-range indexes read 0 and write nothing.
  char GetAt(int index) const noexcept;
  void SetAt(int index, char ch) noexcept;
  template <std::integral I>
  char operator[](I index) const noexcept {
    if constexpr (std::is_signed_v<I>) {
      if (index < 0) return 0;
    }
    if (static_cast<unsigned long long>(index) >= static_cast<unsigned long long>(GetLength())) return 0;
    return m_pchData[index];
  }
  operator const char*() const noexcept { return m_pchData; }
  const char* GetString() const noexcept { return m_pchData; }
  std::string_view View() const noexcept { return {m_pchData, static_cast<size_t>(GetLength())}; }

  // Pieces. Arguments out of range are clamped to the string, never fail.
  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString Left(int count) const;
  CString Right(int count) const;
  CString SpanIncluding(const char* charSet) const;
  CString SpanExcluding(const char* charSet) const;
  CString Tokenize(const char* tokens, int& start) const;

  // Searches: byte index of the first byte of the match, or -1. Matches
  // begin on character boundaries only. A start outside the string gives -1.
  int Find(char ch, int start = 0) const noexcept;
  int Find(const char* sub, int start = 0) const noexcept;
  int ReverseFind(char ch) const noexcept;
  int FindOneOf(const char* charSet) const noexcept;

  // Changes. Each returns what its framework counterpart returns.
  int Replace(char oldCh, char newCh);                // number replaced
  int Replace(const char* oldText, const char* newText);
  int Remove(char ch);                                // number removed
  int Insert(int index, char ch);                     // new length
  int Insert(int index, const char* text);
  int Delete(int index, int count = 1);               // new length

  // Trim: no argument trims ASCII white space; a char or a set of
  // characters (double-byte ones included) trims those.
  CString& TrimLeft();
  CString& TrimLeft(char ch);
  CString& TrimLeft(const char* charSet);
  CString& TrimRight();
  CString& TrimRight(char ch);
  CString& TrimRight(const char* charSet);
  CString& Trim();
  CString& Trim(char ch);
  CString& Trim(const char* charSet);

  // Case: ASCII letters and the full-width Latin letters of code page 932
  // (Ａ-Ｚ <-> ａ-ｚ); no other byte changes, trail bytes never.
  CString& MakeUpper();
  CString& MakeLower();
  CString& MakeReverse();  // reverses characters, double-byte ones kept whole

  // <0, 0, >0 as _mbscmp / _mbsicmp.
  int Compare(const char* other) const noexcept;
  int CompareNoCase(const char* other) const noexcept;
  int Collate(const char* other) const noexcept { return Compare(other); }
  int CollateNoCase(const char* other) const noexcept { return CompareNoCase(other); }

  // printf rules, any length. CString arguments may be given directly.
  template <typename... Args>
  void Format(const char* format, const Args&... args) {
    FormatRaw(format, qv::detail::FormatArg(args)...);
  }
  template <typename... Args>
  void AppendFormat(const char* format, const Args&... args) {
    AppendFormatRaw(format, qv::detail::FormatArg(args)...);
  }
  void FormatV(const char* format, va_list args);
  void AppendFormatV(const char* format, va_list args);

  // Direct access. GetBuffer(n) gives room for n bytes plus the terminator
  // and keeps the text; after writing, ReleaseBuffer(-1) takes the length up
  // to the first NUL (never beyond the room), ReleaseBuffer(n) takes n bytes
  // (clamped to the room).
  char* GetBuffer();
  char* GetBuffer(int minLength);
  char* GetBufferSetLength(int length);
  void ReleaseBuffer(int newLength = -1) noexcept;
  void ReleaseBufferSetLength(int newLength) noexcept { ReleaseBuffer(newLength < 0 ? 0 : newLength); }
  void Preallocate(int length);
  void FreeExtra();

  friend CString operator+(const CString& a, const CString& b);
  friend CString operator+(const CString& a, const char* b);
  friend CString operator+(const char* a, const CString& b);
  friend CString operator+(const CString& a, char b);
  friend CString operator+(char a, const CString& b);
  friend CString operator+(CString&& a, const CString& b);
  friend CString operator+(CString&& a, const char* b);
  friend CString operator+(CString&& a, char b);

 private:
  struct Block {
    int length;    // bytes of text
    int capacity;  // bytes of room for text, the terminator not counted
  };
  Block* Header() const noexcept {
    return reinterpret_cast<Block*>(m_pchData - sizeof(Block));
  }
  bool IsShared() const noexcept;
  static char* Allocate(int capacity);
  static void Release(char* data) noexcept;
  void Assign(const char* text, size_t length);
  // Makes room for `capacity` bytes, keeping the text, in a block of our own.
  void Reserve(int capacity);
  void SetLength(int length) noexcept;
  void FormatRaw(const char* format, ...);
  void AppendFormatRaw(const char* format, ...);

  char* m_pchData;
};

static_assert(sizeof(CString) == sizeof(char*));

typedef CString CStringA;

// Comparisons are byte-wise on the C string text (as _mbscmp).
bool operator==(const CString& a, const CString& b) noexcept;
bool operator==(const CString& a, const char* b) noexcept;
bool operator==(const char* a, const CString& b) noexcept;
bool operator!=(const CString& a, const CString& b) noexcept;
bool operator!=(const CString& a, const char* b) noexcept;
bool operator!=(const char* a, const CString& b) noexcept;
bool operator<(const CString& a, const CString& b) noexcept;
bool operator<(const CString& a, const char* b) noexcept;
bool operator<(const char* a, const CString& b) noexcept;
bool operator>(const CString& a, const CString& b) noexcept;
bool operator>(const CString& a, const char* b) noexcept;
bool operator>(const char* a, const CString& b) noexcept;
bool operator<=(const CString& a, const CString& b) noexcept;
bool operator<=(const CString& a, const char* b) noexcept;
bool operator<=(const char* a, const CString& b) noexcept;
bool operator>=(const CString& a, const CString& b) noexcept;
bool operator>=(const CString& a, const char* b) noexcept;
bool operator>=(const char* a, const CString& b) noexcept;

// Test output: the text as UTF-8 in quotes.
void PrintTo(const CString& s, std::ostream* os);

inline const char* qv::detail::FormatArg(const CString& s) { return s.GetString(); }
