// Files and folders with Windows semantics over Linux: find-first/next in
// NTFS order, file status with 32-bit times, access test, make folder,
// copy, kernel handles (files and read-only mappings) and the C runtime's
// remove. Paths are Windows-shaped code page 932 texts (see paths.h).
#pragma once

// The layer's struct _stat reuses the names st_atime, st_mtime and
// st_ctime, which glibc's <sys/stat.h> defines as macros for
// st_atim.tv_sec and friends. Including it here first fixes that spelling
// for everybody, and struct _stat below carries members that make the
// macro expansion land on its own 32-bit times.
#include <sys/stat.h>

#include <compare>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/wintypes.h"

// ---------------------------------------------------------------------------
// Kernel handles. A HANDLE of the layer points at a qv::HandleObject that the
// layer registered; CloseHandle deletes it. Other parts of the layer
// (processes, threads) derive their own objects and register them with
// qv::RegisterHandle, so that one CloseHandle serves them all.
namespace qv {

class HandleObject {
 public:
  virtual ~HandleObject() = default;
  // The file descriptor behind a file handle (a process start hands it on
  // as standard output); -1 for objects that have none.
  virtual int Fd() const { return -1; }
};

// Takes ownership; returns the HANDLE for it.
HANDLE RegisterHandle(HandleObject* object);
// The object behind a live handle of the layer; nullptr for a null,
// INVALID_HANDLE_VALUE, closed or foreign handle.
HandleObject* LookupHandle(HANDLE h);
// The file descriptor of a file handle, or -1.
int HandleFd(HANDLE h);

// Names on disk that code page 932 cannot hold (é, U+301C, U+00A5, invalid
// UTF-8) or that Windows does not allow (a name holding " * : < > ? \ | or a
// control byte such as a newline) are never handed to the program:
// enumeration skips them and records their Linux paths (UTF-8, possibly
// invalid) here, each name of a folder once however often the folder is
// enumerated. Returns what was recorded since the last call, oldest first,
// and forgets it. At most 1000 are kept.
std::vector<std::string> TakeUnrepresentableNames();

// The identity of a file or folder (a link followed): its device and inode,
// as Windows has a volume serial number and a file index. Two paths name
// the same folder exactly when their identities are equal.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  auto operator<=>(const FileIdentity&) const = default;
};

// The identity of the entry that FindFirstFileA or FindNextFileA gave last
// through `find` (for "." the enumerated folder itself); false for a handle
// that is not an enumeration.
bool GetFoundIdentity(HANDLE find, FileIdentity& id);

// The times of a folder as _stat gives them: st_ctime (creation), st_atime
// and st_mtime, 32-bit seconds.
struct FolderTimes {
  int32_t created = 0;
  int32_t accessed = 0;
  int32_t modified = 0;
};

// For the layer's walker: the identity and the times of the open folder
// `fd`. False when its status cannot be read.
bool GetOpenFolderStatus(int fd, FileIdentity& id, FolderTimes& times);

// ---------------------------------------------------------------------------
// Tree walks. A FolderWalker reads the folders below one root for a walk that
// goes breadth-first: it lists each folder by the rules of FindFirstFileA
// (NTFS order; names code page 932 cannot hold or Windows forbids left out,
// recorded for TakeUnrepresentableNames) but gives only what a walk needs:
// the subfolders (links to folders included) and what the one name it looks
// for is, without asking the status of every entry. Each folder is opened
// through its parent's handle. The subfolders of the folders handed to
// ReadSubfolders are read ahead by a pool of threads (WalkThreads) and come
// back from NextSubfolders in the order they were asked for, so a walk's
// result never depends on timing. Nothing a read finds reaches the shared
// list of skipped names until the walk takes it with NoteSkippedNames: a
// folder read ahead that the walk then passes by tells nothing.
class FolderWalker {
 public:
  // What an entry is, links followed.
  enum class Kind : unsigned char { none, folder, file, other };

  struct Folder {
    // The name in its parent's listing (code page 932); empty for the root.
    std::string name;
    // ERROR_SUCCESS when listed. ERROR_PATH_NOT_FOUND: gone, or no folder.
    // Otherwise the error of the failure (ERROR_ACCESS_DENIED for a folder
    // the user may not read).
    DWORD error = ERROR_SUCCESS;
    // The folder's identity, links followed (also when it cannot be read,
    // as long as its status can).
    FileIdentity id;
    bool haveId = false;
    // Its times as _stat gives them (a folder's size is 0), taken right
    // after it was listed; valid when it was listed and haveId is set.
    FolderTimes times;
    // The entry the walker looks for: the first in enumeration order whose
    // name equals it without regard to case (none: no such entry). When the
    // folder cannot be listed, an entry of exactly that name is still
    // looked up.
    Kind found = Kind::none;
    // Number of subfolders, in enumeration order.
    size_t SubfolderCount() const { return subCount_; }

   private:
    friend class FolderWalker;
    // Kept small: a walk holds one of these for every folder it has queued.
    std::string osPath_;  // relative to the root, "" for the root itself
    // For each subfolder: its code page 932 name, a zero byte, its name on
    // disk when that differs (else nothing), a zero byte.
    std::string subs_;
    size_t subCount_ = 0;
    // Names the listing left out: key and Linux path of each.
    std::unique_ptr<std::vector<std::pair<std::string, std::string>>> skipped_;
  };

  // `root`: a Windows-shaped folder path; `lookFor`: a name (code page 932,
  // ASCII letters fold) to report on in every folder read, may be empty.
  FolderWalker(const char* root, std::string_view lookFor);
  ~FolderWalker();
  FolderWalker(const FolderWalker&) = delete;
  FolderWalker& operator=(const FolderWalker&) = delete;

  // Reads the root folder itself.
  Folder ReadRoot();
  // Asks for the subfolders of `folder` (read by this walker) to be read.
  void ReadSubfolders(Folder&& folder);
  // The subfolders of the oldest folder handed to ReadSubfolders that has
  // not been taken yet, one Folder each in enumeration order; waits until
  // they are read. Empty when nothing is asked for.
  std::vector<Folder> NextSubfolders();
  // Hands the names the listing of `folder` left out to the list of
  // TakeUnrepresentableNames (each name of a folder once, as enumeration
  // does), and forgets them.
  static void NoteSkippedNames(Folder& folder);

 private:
  struct Shared;
  void HandOver();
  std::unique_ptr<Shared> shared_;
};

// Threads of a tree walk: QUARVEX_WALK_THREADS when set (1 to 64), else the
// cores this process may run on, at most 8. 1 reads everything on the
// walking thread itself.
unsigned WalkThreads();

// Calls work(i) for every i below `count` on up to WalkThreads() threads,
// the calling thread among them, and returns when all calls are done (an
// exception thrown by one is thrown again here, after the others). For runs
// of independent file queries, each touching only what belongs to its i.
// The threads take the indices in increasing order, `run` at a time (runs of
// 16 keep them from meeting at the counter when each call is short; 1 suits
// calls that wait for another program); with one thread the calls are made
// in index order.
void ForEachInParallel(size_t count, const std::function<void(size_t)>& work, size_t run = 16);

// For the layer's enumerations: the code page 932 form of a name on disk
// when the program may see it (code page 932 holds it exactly, Windows
// allows it, shorter than MAX_PATH); false when enumeration must skip it.
bool ProgramName(std::string_view osName, std::string& cp932);
// For the layer's enumerations: the key under which a skipped name is
// recorded once (its folder's identity and the name).
std::string SkippedNameKey(const FileIdentity& folder, std::string_view osName);
// Records a skipped name under `key` with its Linux path, unless the key is
// recorded already.
void RecordSkippedName(std::string key, std::string osPath);

// Linux errno -> Windows error code of the layer's file functions.
DWORD WinErrorFromErrno(int err);
// Windows error code -> errno for the C-runtime-style functions.
int ErrnoFromWinError(DWORD code);
// errno of a failed open(2) or mkdir(2) -> errno of the C runtime: ENOENT
// for a missing name, ENOSPC for a full disk, EMFILE for too many open
// files, EACCES for the rest.
int CrtErrnoFromErrno(int err);

// For the layer: open(2) of a Linux path with O_CLOEXEC, never blocking on
// a FIFO or device (the descriptor is switched back to blocking I/O).
// -1 with errno on failure.
int OpenOsFile(const std::string& osPath, int openFlags, int createMode = 0666);

// For the layer's functions that make files (fopen, CreateFileA): as
// OpenOsFile, except in the program's temporary folder (the folder TEMP
// names, environment.h), where files are never shared with other users or
// written through a link: a new file gets mode 0600; a link at the name is
// refused (ELOOP); an existing file is taken only when it is a regular file
// of the effective user with no other name (else EACCES), and is then
// narrowed to the user's permission bits and truncated as asked. A private
// folder that has gone is made again first; one that is no longer the
// user's is refused (EACCES). Elsewhere files are made as the umask says.
int CreateOsFile(const std::string& osPath, int openFlags);

// For the layer: unlink(2) of a Linux path, told to the folder's remembered
// names (nameindex.h). False with errno on failure.
bool UnlinkOs(const std::string& osPath);

// remove() of the C runtime with Windows rules: a path to a folder is
// refused (errno EACCES), a missing file gives ENOENT. 0 on success.
int Remove(const char* path);

}  // namespace qv

BOOL CloseHandle(HANDLE h);

// ---------------------------------------------------------------------------
// Times and attributes.
struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};
typedef FILETIME* LPFILETIME;
typedef FILETIME* PFILETIME;

#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_SYSTEM 0x00000004
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
// Set on entries that are symbolic links, as Windows sets it on links and
// junctions; the entry's other attributes are those of the link's target.
#define FILE_ATTRIBUTE_REPARSE_POINT 0x00000400
#define INVALID_FILE_ATTRIBUTES (static_cast<DWORD>(0xFFFFFFFF))

// ---------------------------------------------------------------------------
// Enumeration. The pattern is a folder and a last component: "D:\x\*",
// "D:\x\*.*", a wildcard such as "D:\x\*.lnk", or a plain name. '*' and '?'
// match without regard to case ('?' is one character, single- or
// double-byte); "*.*" matches every name, as on Windows. The entries come
// in NTFS order: "." and ".." first (when the pattern matches them), then
// the names compared upper-cased (qv::UpcaseName), ties in byte order.
struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  CHAR cFileName[MAX_PATH];
  CHAR cAlternateFileName[14];
};
typedef WIN32_FIND_DATAA* LPWIN32_FIND_DATAA;
typedef WIN32_FIND_DATAA* PWIN32_FIND_DATAA;

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data);
BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data);
BOOL FindClose(HANDLE find);

DWORD GetFileAttributesA(LPCSTR path);

// ---------------------------------------------------------------------------
// File status of the C runtime, 32-bit times: st_mtime, st_atime and
// st_ctime (creation time where the file system keeps one, else the
// modification time); a time before 1970 or after 2038-01-19 is -1.
// st_size is the full size (64 bits; a 32-bit record keeps its low part).
// A folder has size 0. A path that ends in a separator fails (ENOENT)
// unless it is a drive root ("D:\").
#define _S_IFMT 0xF000
#define _S_IFDIR 0x4000
#define _S_IFCHR 0x2000
#define _S_IFIFO 0x1000
#define _S_IFREG 0x8000
#define _S_IREAD 0x0100
#define _S_IWRITE 0x0080
#define _S_IEXEC 0x0040

namespace qv {
struct StatTime32 {
  int32_t tv_sec;
};
}  // namespace qv

struct _stat {
  uint32_t st_dev;   // drive number: 0 = A:, 2 = C:
  uint16_t st_ino;
  uint16_t st_mode;
  int16_t st_nlink;
  int16_t st_uid;
  int16_t st_gid;
  uint32_t st_rdev;
  int64_t st_size;
  // Read as st_atime, st_mtime, st_ctime.
  qv::StatTime32 st_atim;
  qv::StatTime32 st_mtim;
  qv::StatTime32 st_ctim;
};

int _stat(const char* path, struct _stat* buffer);
int _fstat(int fd, struct _stat* buffer);

// _access: mode 0 exists, 2 writable, 4 readable, 6 both; others EINVAL.
// A folder written with a trailing backslash is found.
int _access(const char* path, int mode);

// _mkdir: 0, or -1 with errno EEXIST (already there), ENOENT (a level of
// the path is missing) or EACCES (not allowed, read-only medium).
int _mkdir(const char* path);

// _rmdir: removes an empty folder (not a link to one): 0, or -1 with errno
// ENOTEMPTY (it holds something), ENOENT (no folder there) or EACCES.
int _rmdir(const char* path);

// ---------------------------------------------------------------------------
// Copy, move, delete.
// CopyFileA copies a regular file's bytes and keeps its last-write time
// and permission bits. A folder as source or target fails
// (ERROR_ACCESS_DENIED); an existing target with failIfExists fails
// (ERROR_FILE_EXISTS). The copy goes to a temporary file in the target's
// folder that replaces the target only when complete, so a failed copy
// leaves the old target as it was.
BOOL CopyFileA(LPCSTR existingFile, LPCSTR newFile, BOOL failIfExists);

#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_COPY_ALLOWED 0x00000002
// Moves a file or folder; without MOVEFILE_REPLACE_EXISTING an existing
// target fails (ERROR_ALREADY_EXISTS); a folder never replaces anything.
BOOL MoveFileExA(LPCSTR existingFile, LPCSTR newFile, DWORD flags);
BOOL MoveFileA(LPCSTR existingFile, LPCSTR newFile);
// Deletes a file; a folder is refused (ERROR_ACCESS_DENIED).
BOOL DeleteFileA(LPCSTR path);

// ---------------------------------------------------------------------------
// File handles.
struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;
typedef SECURITY_ATTRIBUTES* PSECURITY_ATTRIBUTES;

struct OVERLAPPED;
typedef OVERLAPPED* LPOVERLAPPED;

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_FLAG_RANDOM_ACCESS 0x10000000
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000
#define INVALID_FILE_SIZE (static_cast<DWORD>(0xFFFFFFFF))

// Share modes have no Linux counterpart and are accepted without effect.
// The descriptor is never inherited by itself (no leak into unrelated
// children); a process start passes it on explicitly as a standard handle,
// which is what an inheritable handle is for. A folder cannot be opened
// (ERROR_ACCESS_DENIED). CREATE_ALWAYS and OPEN_ALWAYS on an existing file
// succeed with GetLastError() ERROR_ALREADY_EXISTS. In the TEMP folder files
// are made by CreateOsFile's rule (private, never through a link).
HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile);
// Synchronous only: `overlapped` must be null.
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
              LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED overlapped);
DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh);
BOOL FlushFileBuffers(HANDLE file);

namespace qv {

// What the Windows-shaped path `winPath` names on disk: absolute, every link
// followed (Linux form). False when it cannot be resolved, a missing file
// for one.
bool ResolvedPath(LPCSTR winPath, std::string& resolved);
// Whether the resolved path `path` is the resolved folder `folder` or lies
// inside it ("/x/a/b" and "/x/a" are in "/x/a", "/x/ab" is not).
bool ResolvedWithin(std::string_view path, std::string_view folder);

}  // namespace qv

// Read-only mappings of a whole file or a part of it. An empty file cannot
// be mapped (ERROR_FILE_INVALID); a view's offset must be a multiple of
// 65536, the allocation granularity of Windows.
#ifndef ERROR_FILE_INVALID
#define ERROR_FILE_INVALID 1006
#endif
#define PAGE_READONLY 0x02
#define FILE_MAP_READ 0x0004
HANDLE CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES attributes, DWORD protect,
                          DWORD maximumSizeHigh, DWORD maximumSizeLow, LPCSTR name);
LPVOID MapViewOfFile(HANDLE mapping, DWORD desiredAccess, DWORD fileOffsetHigh,
                     DWORD fileOffsetLow, size_t numberOfBytesToMap);
BOOL UnmapViewOfFile(LPCVOID baseAddress);
