// Starting other programs: CreateProcessA with a bounded wait, WinExec and
// ShellExecuteA, over posix_spawn.
//
// A command line is split into arguments by the Windows rules (see
// qv::SplitCommandLine) and the program is started directly, never through
// a shell, so no text of a path or argument can run a command. The program
// path is mapped with qv::ToOsPath; a path ending in ".exe" that does not
// exist is tried without it (Linux programs have no suffix); a name without
// a folder is looked for along PATH. A line that begins with a quote names
// the program up to the closing quote, also when text follows that quote
// directly ("\"T:\\q b\\p.exe\"x y" starts T:\q b\p.exe with the argument
// "y"; the "x" belongs to argv[0]). An unquoted program path with blanks
// is found as Windows finds it: the blank-separated prefixes of the line are
// tried in turn, shortest first. Arguments of the form "X:\..." and those
// that start with '/' are paths (Windows- or Linux-shaped, possibly joined
// with backslashes) and reach the child as Linux paths; every other
// argument reaches it as its UTF-8 text. Bytes that are not code page 932
// do not fail the start: they are converted as Windows converts a command
// line for the program it starts (qv::Cp932ToUtf8AsWindows).
//
// Start failures are known when the call returns: file not found
// (ERROR_FILE_NOT_FOUND), folder part missing (ERROR_PATH_NOT_FOUND), not a
// program (ERROR_BAD_FORMAT, ERROR_ACCESS_DENIED for a folder or a file
// without execute permission). Children get /dev/null as standard input,
// their own session (a terminal's Ctrl+C or hang-up does not reach them, as
// with independent processes on Windows), default signal handling and no
// descriptors of this program other than the standard handles named in
// STARTUPINFOA. A bounded wait never ends the child. Every child is reaped:
// by the wait, or, when its handle is closed first, by a reaper thread that
// waits for the orphans, so no zombie stays behind.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/wintypes.h"
#include "platform/os/files.h"  // HANDLE objects, CloseHandle, SECURITY_ATTRIBUTES

// Window handles appear here only as the owner of ShellExecuteA; the shape
// is the Windows one (a pointer to an incomplete struct).
struct HWND__;
typedef HWND__* HWND;
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;

struct STARTUPINFOA {
  DWORD cb;
  LPSTR lpReserved;
  LPSTR lpDesktop;
  LPSTR lpTitle;
  DWORD dwX;
  DWORD dwY;
  DWORD dwXSize;
  DWORD dwYSize;
  DWORD dwXCountChars;
  DWORD dwYCountChars;
  DWORD dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  LPBYTE lpReserved2;
  HANDLE hStdInput;
  HANDLE hStdOutput;
  HANDLE hStdError;
};
typedef STARTUPINFOA* LPSTARTUPINFOA;

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
};
typedef PROCESS_INFORMATION* LPPROCESS_INFORMATION;

#define STARTF_USESHOWWINDOW 0x00000001
#define STARTF_USESIZE 0x00000002
#define STARTF_USEPOSITION 0x00000004
#define STARTF_FORCEONFEEDBACK 0x00000040
#define STARTF_USESTDHANDLES 0x00000100

#define CREATE_SEPARATE_WOW_VDM 0x00000800
#define NORMAL_PRIORITY_CLASS 0x00000020
#define CREATE_DEFAULT_ERROR_MODE 0x04000000

#ifndef INFINITE
#define INFINITE 0xFFFFFFFF
#endif
#define WAIT_OBJECT_0 0x00000000
#define WAIT_TIMEOUT 0x00000102
#define WAIT_FAILED 0xFFFFFFFF
#define STILL_ACTIVE 259

#ifndef SW_HIDE
#define SW_HIDE 0
#endif
#ifndef SW_SHOWNORMAL
#define SW_SHOWNORMAL 1
#endif
#ifndef SW_SHOW
#define SW_SHOW 5
#endif
#ifndef SW_SHOWDEFAULT
#define SW_SHOWDEFAULT 10
#endif

#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_NOASSOC 31

// The start information of this program: all zero but `cb` (no standard
// handles, no window placement).
void GetStartupInfoA(LPSTARTUPINFOA info);

// Starts a program. `app` (may be null) names the program file, taken as a
// path without searching; when it is null the program is the first
// argument of `cmdLine`. The child's arguments are those of `cmdLine`
// after the first. With STARTF_USESTDHANDLES, hStdOutput and hStdError
// (file handles of CreateFileA) become the child's standard output and
// error, a null or unknown handle becomes /dev/null; without it the child
// shares this program's. Window placement and show flags, creation flags and
// `inheritHandles` have no effect (only the named standard handles are ever
// passed on). A non-null `environment` is not supported
// (ERROR_INVALID_PARAMETER). `currentDir` (may be null) is the child's
// working folder.
BOOL CreateProcessA(LPCSTR app, LPSTR cmdLine, SECURITY_ATTRIBUTES* processAttributes,
                    SECURITY_ATTRIBUTES* threadAttributes, BOOL inheritHandles,
                    DWORD creationFlags, LPVOID environment, LPCSTR currentDir,
                    LPSTARTUPINFOA startupInfo, LPPROCESS_INFORMATION processInfo);

// Waits at most `ms` milliseconds (INFINITE: no bound) for a process of
// CreateProcessA to end: WAIT_OBJECT_0 when it has ended, WAIT_TIMEOUT when
// it still runs (it is left running), WAIT_FAILED for a handle that is not
// a process.
DWORD WaitForSingleObject(HANDLE handle, DWORD ms);

// STILL_ACTIVE while the process runs; then its exit status, or 128 plus
// the signal number when a signal ended it.
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);

// Ends a process of CreateProcessA at once (SIGKILL); TRUE also when it had
// ended already. `exitCode` has no effect: the exit code then tells the
// signal.
BOOL TerminateProcess(HANDLE process, UINT exitCode);

// Starts a command line without waiting. Returns 33 when started, else
// ERROR_FILE_NOT_FOUND (2), ERROR_PATH_NOT_FOUND (3) or, for every other
// failure, ERROR_BAD_FORMAT (11), so that any failure is one the caller
// reports. `show` has no effect.
UINT WinExec(LPCSTR cmdLine, UINT show);

// Opens a document (a file, a folder, or a URL) with the desktop's
// associated program through xdg-open. Verbs: null, "open" or "explore";
// programs are not run by it and `params` is not used. Returns a value above
// 32 when xdg-open was started; SE_ERR_FNF (2) or SE_ERR_PNF (3) when the
// file or its folder is missing; SE_ERR_NOASSOC (31) for another verb or
// when xdg-open is not installed.
HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR params, LPCSTR dir,
                        INT show);

namespace qv {

// Splits a code page 932 command line as the Windows C runtime does: blanks
// (space, tab) separate arguments; double quotes group and are removed; 2n
// backslashes before a quote give n backslashes and the quote groups, 2n+1
// give n backslashes and a literal quote; a pair of quotes inside a quoted
// part is one literal quote; other backslashes are literal. The first
// argument (the program) ends at the closing quote or the first blank, with
// no backslash rules. A double-byte character is one unit, so a trail byte
// 0x5C is never a backslash.
std::vector<std::string> SplitCommandLine(std::string_view cmdLine);
// The arguments of a command line that follow its program, by the same rules.
std::vector<std::string> SplitArguments(std::string_view args);

// The file that CreateProcessA with the application name `app` would start
// now, and the folder it is looked up in.
struct ProgramFile {
  std::string path;    // the file, every link followed
  std::string folder;  // the folder of the name the start looks up, links followed
  FileIdentity id;
  FileIdentity folderId;
};
// False when the start would fail to find a program file.
bool StartedProgramFile(const char* app, ProgramFile& out);

}  // namespace qv
