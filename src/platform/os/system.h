// The running program's own path, the current folder and temporary file
// names, all as Windows-shaped code page 932 paths.
#pragma once

#include <string>

#include "platform/base/wintypes.h"

typedef void* HMODULE;

// Only the program itself (module null). The path of /proc/self/exe, as a
// Windows path ("C:\opt\quarvex\Quarvex"). A path that does not fit
// `size` bytes with its terminator is not cut short: the result is 0 with
// ERROR_INSUFFICIENT_BUFFER and an empty buffer, so that a caller checking
// for 0 never takes a truncated path for the program's. A path code page
// 932 cannot hold also gives 0 (ERROR_NO_UNICODE_TRANSLATION).
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);

// The current folder as a Windows path; buffer null: allocated with
// malloc (at least `maxLen` bytes). Null with errno ERANGE when it does not
// fit, ENOENT when it cannot be written in code page 932.
char* _getcwd(char* buffer, int maxLen);
// 0, or -1 with errno ENOENT.
int _chdir(const char* path);

// Windows rules: `pathName` + "\" + the first three bytes of `prefix` +
// the number in hexadecimal + ".TMP" into `tempFileName` (MAX_PATH bytes).
// With `unique` 0 a number is chosen whose file does not exist yet and the
// file is created empty; otherwise the name is only formed. Returns the
// number, or 0 on failure (missing folder: ERROR_PATH_NOT_FOUND; a result
// of MAX_PATH bytes or more: ERROR_FILENAME_EXCED_RANGE).
UINT GetTempFileNameA(LPCSTR pathName, LPCSTR prefix, UINT unique, LPSTR tempFileName);

namespace qv {
// What a program on the layer sets up before anything else (the entry point
// calls it): a write past the file-size limit (`ulimit -f`) fails with
// EFBIG, which the file functions report as a full disk, instead of ending
// the process with SIGXFSZ and losing the work not yet saved. Programs it
// starts get the signal's default back.
void PrepareProcess();

// Gives the memory the allocator holds free back to the system. The
// allocator keeps much of what threads free in areas of their own instead:
// after work done by many threads (a run's walk and records) a call keeps
// that room from adding up in the program's memory, run after run. It takes
// about a millisecond after a run of 200,000 folders.
void ReturnFreeMemory();

// Tests: makes GetModuleFileNameA report this Linux path instead of
// /proc/self/exe; an empty path restores the real one.
void SetModuleFileForTests(const std::string& osPath);
}  // namespace qv
