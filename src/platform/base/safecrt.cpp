#include "platform/base/safecrt.h"

#include <cstdio>
#include <cstring>

#include "platform/base/mbstring.h"

namespace {

inline void Clear(char* buffer, size_t size) {
  if (buffer && size > 0) buffer[0] = 0;
}

}  // namespace

// ---- formatting ----------------------------------------------------------

int vsprintf_s(char* buffer, size_t size, const char* format, va_list args) {
  if (!buffer || size == 0 || !format) {
    Clear(buffer, size);
    errno = EINVAL;
    return -1;
  }
  int n = std::vsnprintf(buffer, size, format, args);
  if (n < 0) {
    buffer[0] = 0;
    errno = EINVAL;
    return -1;
  }
  if (static_cast<size_t>(n) >= size) {
    buffer[0] = 0;
    errno = ERANGE;
    return -1;
  }
  return n;
}

int _vsnprintf_s(char* buffer, size_t size, size_t count, const char* format, va_list args) {
  if (!buffer || size == 0 || !format) {
    Clear(buffer, size);
    errno = EINVAL;
    return -1;
  }
  // Cutting to `count` is asked for; cutting to the buffer only with _TRUNCATE.
  const bool cutAllowed = count == _TRUNCATE || count < size;
  const size_t limit = count < size ? count : size - 1;
  int n = std::vsnprintf(buffer, limit + 1, format, args);
  if (n < 0) {
    buffer[0] = 0;
    errno = EINVAL;
    return -1;
  }
  if (static_cast<size_t>(n) <= limit) return n;
  if (cutAllowed) {
    errno = STRUNCATE;
    return -1;
  }
  buffer[0] = 0;
  errno = ERANGE;
  return -1;
}

namespace qv::detail {

int SprintfS(char* buffer, size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = vsprintf_s(buffer, size, format, args);
  va_end(args);
  return n;
}

int SnprintfS(char* buffer, size_t size, size_t count, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = _vsnprintf_s(buffer, size, count, format, args);
  va_end(args);
  return n;
}

}  // namespace qv::detail

// ---- copying -------------------------------------------------------------

errno_t strcpy_s(char* dest, size_t size, const char* src) {
  if (!dest || size == 0) return errno = EINVAL;
  if (!src) {
    dest[0] = 0;
    return errno = EINVAL;
  }
  size_t n = strnlen(src, size);
  if (n == size) {
    dest[0] = 0;
    return errno = ERANGE;
  }
  std::memmove(dest, src, n + 1);
  return 0;
}

errno_t strncpy_s(char* dest, size_t size, const char* src, size_t count) {
  if (!dest || size == 0) return errno = EINVAL;
  if (!src) {
    dest[0] = 0;
    if (count == 0) return 0;
    return errno = EINVAL;
  }
  if (count == _TRUNCATE) {
    size_t n = strnlen(src, size);  // reads at most `size` bytes of the source
    bool cut = n == size;
    if (cut) n = size - 1;
    std::memmove(dest, src, n);
    dest[n] = 0;
    return cut ? STRUNCATE : 0;
  }
  size_t n = strnlen(src, count < size ? count : size);
  if (n >= size) {
    dest[0] = 0;
    return errno = ERANGE;
  }
  std::memmove(dest, src, n);
  dest[n] = 0;
  return 0;
}

errno_t strcat_s(char* dest, size_t size, const char* src) {
  return strncat_s(dest, size, src, static_cast<size_t>(-2));
}

errno_t strncat_s(char* dest, size_t size, const char* src, size_t count) {
  if (!dest || size == 0) return errno = EINVAL;
  size_t have = strnlen(dest, size);
  if (have == size || !src) {  // no terminator inside the buffer, or no source
    dest[0] = 0;
    return errno = EINVAL;
  }
  size_t room = size - 1 - have;
  if (count == _TRUNCATE) {
    size_t n = strnlen(src, room + 1);
    bool cut = n > room;
    if (cut) n = room;
    std::memmove(dest + have, src, n);
    dest[have + n] = 0;
    return cut ? STRUNCATE : 0;
  }
  size_t n = strnlen(src, count < room + 1 ? count : room + 1);
  if (n > room) {
    dest[0] = 0;
    return errno = ERANGE;
  }
  std::memmove(dest + have, src, n);
  dest[have + n] = 0;
  return 0;
}

// ---- paths ---------------------------------------------------------------

errno_t _splitpath_s(const char* path, char* drive, size_t driveSize, char* dir, size_t dirSize,
                     char* fname, size_t fnameSize, char* ext, size_t extSize) {
  struct Part {
    char* buf;
    size_t size;
    const char* from;
    size_t length;
  } parts[4] = {{drive, driveSize, nullptr, 0},
                {dir, dirSize, nullptr, 0},
                {fname, fnameSize, nullptr, 0},
                {ext, extSize, nullptr, 0}};
  auto clearAll = [&] {
    for (Part& p : parts) Clear(p.buf, p.size);
  };
  bool bad = !path;
  for (const Part& p : parts) bad = bad || ((p.buf == nullptr) != (p.size == 0));
  if (bad) {
    clearAll();
    return errno = EINVAL;
  }

  const char* p = path;
  if (p[0] != 0 && p[1] == ':') {
    parts[0] = {drive, driveSize, p, 2};
    p += 2;
  }
  // Last separator and last dot, walking whole characters.
  const char* lastSep = nullptr;
  const char* lastDot = nullptr;
  const char* q = p;
  while (*q) {
    if (*q == '\\' || *q == '/') {
      lastSep = q;
      lastDot = nullptr;
    } else if (*q == '.') {
      lastDot = q;
    }
    q = _mbsinc(q);
  }
  const char* end = q;
  const char* name = lastSep ? lastSep + 1 : p;
  parts[1].from = p;
  parts[1].length = static_cast<size_t>(name - p);
  const char* nameEnd = lastDot ? lastDot : end;
  parts[2].from = name;
  parts[2].length = static_cast<size_t>(nameEnd - name);
  parts[3].from = nameEnd;
  parts[3].length = static_cast<size_t>(end - nameEnd);

  for (const Part& part : parts) {
    if (part.buf && part.length >= part.size) {
      clearAll();
      return errno = ERANGE;
    }
  }
  for (const Part& part : parts) {
    if (!part.buf) continue;
    if (part.length) std::memmove(part.buf, part.from, part.length);
    part.buf[part.length] = 0;
  }
  return 0;
}
