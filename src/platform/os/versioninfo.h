// Version resources of Windows executables (PE files): the VS_VERSIONINFO
// block found in the resource tree under RT_VERSION, read directly from the
// file. Anything else (Linux programs, folders, short or damaged files) has
// no version resource: size 0 / FALSE, never a read outside the file or the
// caller's buffer.
#pragma once

#include "platform/base/wintypes.h"

#ifndef ERROR_RESOURCE_TYPE_NOT_FOUND
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813
#endif
#ifndef VS_FF_DEBUG
#define VS_FF_DEBUG 0x00000001L
#endif

struct VS_FIXEDFILEINFO {
  DWORD dwSignature;  // 0xFEEF04BD
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;
  DWORD dwFileVersionLS;
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};

// Bytes of the version block of `file` (a Windows-shaped path), 0 when it
// has none (GetLastError() says why). `handle` (may be null) is set to 0.
DWORD GetFileVersionInfoSizeA(LPCSTR file, LPDWORD handle);

// Copies the version block as stored in the file (16-bit words, UTF-16 keys)
// into `data`. A buffer shorter than the block receives its first `len`
// bytes, with the block's length word lowered to `len` so that later
// look-ups stay inside the buffer.
BOOL GetFileVersionInfoA(LPCSTR file, DWORD handle, DWORD len, LPVOID data);

// Looks up a value of a block from GetFileVersionInfoA. Only the root "\"
// (the VS_FIXEDFILEINFO) is served; other sub-blocks give FALSE.
BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* len);
