// The C runtime's stdio with Windows paths and Windows modes. Included last
// by platform/win.h, after every standard header, because it replaces the
// names fopen, _fsopen and remove for the code that follows.
//
// qv::Fopen returns a real FILE*, so fgets, fputs, fprintf, fread, fwrite,
// fseek, ftell and fclose of the C library work on it unchanged:
// - the path is a Windows-shaped code page 932 path (paths.h);
// - mode "r", "w", "a" with optional "+", and "b" (binary) or "t" (text,
//   the default); Windows' hint letters "c", "n", "N", "S", "R", "T", "D"
//   are accepted and ignored; anything else fails with EINVAL;
// - text mode writes "\n" as CR LF and reads CR LF as "\n" (a lone CR stays
//   a CR; Ctrl-Z is an ordinary byte); binary mode passes bytes untouched;
// - fseek positions are bytes on disk in both modes, as on Windows, and
//   fseek to 0 or to the end always works; ftell is exact in binary mode
//   and in text mode right after a seek, while CR LF pairs that sit in the
//   stream's buffer make a text-mode ftell run ahead by one byte each (no
//   code of the program asks for positions inside a text file);
// - a folder cannot be opened as a file (errno EACCES); a missing file gives
//   ENOENT;
// - "w" and "a" in the TEMP folder make files by the rule of
//   qv::CreateOsFile (files.h): mode 0600, never through a link, never
//   another user's file (errno EACCES).
#pragma once

#include <cstdio>

#define _SH_DENYRW 0x10
#define _SH_DENYWR 0x20
#define _SH_DENYRD 0x30
#define _SH_DENYNO 0x40

namespace qv {
FILE* Fopen(const char* path, const char* mode);
// Share flags (_SH_DENY*) have no counterpart on Linux, where other
// programs do not honour them; they are checked for validity and ignored.
FILE* Fsopen(const char* path, const char* mode, int shflag);
int Remove(const char* path);  // files.h: refuses folders
}  // namespace qv

// fopen(path, mode) becomes the layer's. remove is replaced only when it is
// called with one argument (the C runtime's remove of a file); the
// algorithm std::remove(first, last, value) and other calls with two to four
// arguments pass through untouched. Calling a member function named remove
// with one argument after this header does not compile; call it before
// including platform/win.h or through a pointer.
#define fopen(p, m) qv::Fopen(p, m)
#define _fsopen qv::Fsopen
#define QV_REMOVE_PICK(a1, a2, a3, a4, name, ...) name
#define remove(...) QV_REMOVE_PICK(__VA_ARGS__, remove, remove, remove, qv::Remove, ~)(__VA_ARGS__)
