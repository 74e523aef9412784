// Private profile (ini) files: sections of "key=value" lines, read and
// written under the Windows names and rules.
//
// Reading: section and key names match without regard to case (ASCII
// letters of single-byte characters; both bytes of a double-byte code page
// 932 character compare exactly). Blanks around names and values are
// dropped, a value in matching double or single quotes loses them, lines
// starting with ';' are comments, and a line with no '=' is ignored, as is a
// line holding control bytes or one longer than 64 KiB. Of two sections or
// keys with the same name the first counts. Lines end in LF or CR LF.
// A file is parsed once and kept; it is read again only when its identity,
// size, modification or change time differ, so thousands of look-ups cost
// one status query each.
//
// Writing keeps every other byte of the file: only the key's own line is
// replaced, removed or added (after the last non-blank line of its section),
// a new section goes to the end; lines the layer writes end in CR LF. The new
// content goes to a temporary file in the same folder that then replaces the
// file, so a failure never leaves a half-written settings file. Names or
// values that could not be read back as written (line breaks or other
// control bytes anywhere, '=' in a key, ']' in a section name, a key
// starting with '[' or ';', a line of more than 64 KiB) are refused with
// ERROR_INVALID_PARAMETER instead of corrupting the file.
//
// Paths are Windows-shaped code page 932 (mapped with qv::ToOsPath).
#pragma once

#include "platform/base/wintypes.h"

// Copies the value of `key` in `section` into `buf` (at most size-1 bytes and
// a terminating zero, never half a double-byte character) and returns the
// bytes copied. Missing file, section or key: `def` (nullptr = "") with its
// trailing blanks dropped. A key with an empty value gives "".
// key == nullptr: the key names of the section, each zero-terminated, the
// list ended by one more zero (the default when the section has none);
// section == nullptr: the section names in the same form. When the list
// does not fit, the last name is cut, two zeros end the buffer and the
// result is size-2.
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR def, LPSTR buf, DWORD size,
                               LPCSTR file);

// The value as a decimal number (optional sign, digits up to the first other
// character; "12abc" gives 12, "abc" gives 0). A missing key or an empty
// value gives `def`. Negative numbers come back as their unsigned image.
UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT def, LPCSTR file);

// Sets `key` of `section` to `value`, creating the file and the section when
// needed. value == nullptr removes the key, key == nullptr removes the whole
// section (header to its last non-blank line). Writing the value a key
// already has leaves the file untouched. FALSE with GetLastError() on
// failure; the file is then unchanged.
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file);
