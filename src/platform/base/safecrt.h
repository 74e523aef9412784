// The C runtime's bounded string functions. They never abort and never write
// past the buffer: where the runtime would call its invalid-parameter handler
// they do what the runtime does after the handler returns (set errno, empty
// the output, return the error).
//
// Results:
//  - formatting: the byte count written, or -1 (errno EINVAL, ERANGE or
//    STRUNCATE). sprintf_s / vsprintf_s that do not fit leave an empty
//    string; _snprintf_s with _TRUNCATE (or with a count below the buffer
//    size) keeps the text cut at the limit and returns -1.
//  - copying: 0, STRUNCATE (cut at the buffer with _TRUNCATE; the text is
//    kept), EINVAL (bad arguments; the output is emptied when there is one)
//    or ERANGE (does not fit; the output is emptied).
// Cuts are by byte, as in the runtime: a cut may split a double-byte
// character, leaving its lead byte last.
//
// The formatting functions are templates so that a CString argument may be
// given for "%s" (see cstring.h); every buffer form has a `char (&)[N]`
// overload that takes the size from the array.
#pragma once

#include <cerrno>
#include <cstdarg>
#include <cstddef>

#include "platform/base/cstring.h"
#include "platform/base/wintypes.h"

#ifndef STRUNCATE
#define STRUNCATE 80
#endif

namespace qv::detail {
int SprintfS(char* buffer, size_t size, const char* format, ...);
int SnprintfS(char* buffer, size_t size, size_t count, const char* format, ...);
}  // namespace qv::detail

// ---- formatting ----------------------------------------------------------

int vsprintf_s(char* buffer, size_t size, const char* format, va_list args);
int _vsnprintf_s(char* buffer, size_t size, size_t count, const char* format, va_list args);

template <typename... Args>
int sprintf_s(char* buffer, size_t size, const char* format, const Args&... args) {
  return qv::detail::SprintfS(buffer, size, format, qv::detail::FormatArg(args)...);
}
template <size_t N, typename... Args>
int sprintf_s(char (&buffer)[N], const char* format, const Args&... args) {
  return qv::detail::SprintfS(buffer, N, format, qv::detail::FormatArg(args)...);
}

template <typename... Args>
int _snprintf_s(char* buffer, size_t size, size_t count, const char* format, const Args&... args) {
  return qv::detail::SnprintfS(buffer, size, count, format, qv::detail::FormatArg(args)...);
}
template <size_t N, typename... Args>
int _snprintf_s(char (&buffer)[N], size_t count, const char* format, const Args&... args) {
  return qv::detail::SnprintfS(buffer, N, count, format, qv::detail::FormatArg(args)...);
}

template <size_t N>
int vsprintf_s(char (&buffer)[N], const char* format, va_list args) {
  return vsprintf_s(buffer, N, format, args);
}
template <size_t N>
int _vsnprintf_s(char (&buffer)[N], size_t count, const char* format, va_list args) {
  return _vsnprintf_s(buffer, N, count, format, args);
}

// ---- copying -------------------------------------------------------------

errno_t strcpy_s(char* dest, size_t size, const char* src);
errno_t strncpy_s(char* dest, size_t size, const char* src, size_t count);  // count may be _TRUNCATE
errno_t strcat_s(char* dest, size_t size, const char* src);
errno_t strncat_s(char* dest, size_t size, const char* src, size_t count);  // count may be _TRUNCATE

template <size_t N>
errno_t strcpy_s(char (&dest)[N], const char* src) {
  return strcpy_s(dest, N, src);
}
template <size_t N>
errno_t strncpy_s(char (&dest)[N], const char* src, size_t count) {
  return strncpy_s(dest, N, src, count);
}
template <size_t N>
errno_t strcat_s(char (&dest)[N], const char* src) {
  return strcat_s(dest, N, src);
}
template <size_t N>
errno_t strncat_s(char (&dest)[N], const char* src, size_t count) {
  return strncat_s(dest, N, src, count);
}

// ---- paths ---------------------------------------------------------------

// Splits a Windows path into drive ("C:"), folder (up to and including the
// last '\' or '/'), file name and extension (from the last '.' of the name).
// A part not wanted is passed as nullptr with size 0. A trail byte 0x5C is no
// separator. Any length of path is accepted; a part that does not fit its
// buffer gives ERANGE with every buffer emptied.
errno_t _splitpath_s(const char* path, char* drive, size_t driveSize, char* dir, size_t dirSize,
                     char* fname, size_t fnameSize, char* ext, size_t extSize);

template <size_t D, size_t P, size_t F, size_t E>
errno_t _splitpath_s(const char* path, char (&drive)[D], char (&dir)[P], char (&fname)[F],
                     char (&ext)[E]) {
  return _splitpath_s(path, drive, D, dir, P, fname, F, ext, E);
}
