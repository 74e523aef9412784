// Environment variables and the user's name, in code page 932.
#pragma once

#include <string>

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
// - TEMP, when unset, is a folder private to the user, made when missing:
//   "quarvex-<uid>" in TMPDIR (when it is an absolute path), else in /tmp;
//   owned by the user, mode 0700 (narrowed when wider), never a link, and
//   on the file system of the folder it is in (nothing mounted on it).
//   When that name is taken by anything else (another user's folder, a
//   link, a file, a mount), a "quarvex-<uid>-XXXXXX" an earlier start made
//   is taken again when it is sound (a folder of the user's, not a link,
//   nothing mounted on it, mode 0700; the first by name), else a fresh one
//   is made; either is handed out for the rest of the process. 0 with
//   ERROR_ENVVAR_NOT_FOUND when no such folder can be made;
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

namespace qv {

// Where a Linux path lies in the program's temporary folder (the folder
// TEMP names), for the layer's file functions, which create files there
// under a stricter rule (files.h, CreateOsFile).
struct TempPlace {
  std::string folder;  // the temporary folder, a Linux path
  std::string rest;    // the path below it, relative, without ".." parts
  bool isPrivate;      // one of the user's private folders handed out as TEMP
};

// True when `osPath` lies below a private folder this process handed out
// as TEMP (any spelling of the folder's name, as a path resolved without
// regard to case may carry), or below the folder an explicitly set TEMP
// names.
bool FindTempPlace(const std::string& osPath, TempPlace& place);

// Opens a private folder of the user: made with mode 0700 when missing;
// refused (-1, errno EACCES) when it is a link, not a folder of the
// effective user, or something is mounted on its place (whose owner and
// mode are whatever that file system reports); a mode wider than 0700 is
// narrowed. The descriptor (O_DIRECTORY, close-on-exec) or -1 with errno.
int OpenPrivateFolder(const std::string& folder);

}  // namespace qv
