// Environment variables and the user's name, in code page 932.
#pragma once

#include "platform/base/wintypes.h"

#ifndef ERROR_ENVVAR_NOT_FOUND
#define ERROR_ENVVAR_NOT_FOUND 203
#endif

// Copies the value of `name` (UTF-8 in the environment, code page 932 here)
// into `buf` and returns its length. When it does not fit, returns the size
// needed including the terminating zero and leaves `buf` empty; 0 with
// ERROR_ENVVAR_NOT_FOUND when the variable is not set, 0 with
// ERROR_NO_UNICODE_TRANSLATION when code page 932 cannot hold the value.
//
// Linux has no TEMP and no SystemRoot, so these two are filled in:
// - TEMP, when unset, is TMPDIR, else "/tmp";
// - SystemRoot, when unset, is the folder "system" beside the running
//   program, where the stand-ins for the Windows programs the program
//   starts (Explorer) live.
// Their values, when they are Linux paths (starting with '/'), come back
// Windows-shaped through qv::FromOsPath ("/tmp" is "C:\tmp"), without a
// trailing separator.
DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buf, DWORD size);

// The login name of the effective user (from the password database).
// `*size` holds the buffer size and receives the bytes written including
// the terminating zero; when the name does not fit: FALSE,
// ERROR_INSUFFICIENT_BUFFER and `*size` is the size needed.
BOOL GetUserNameA(LPSTR buf, LPDWORD size);
