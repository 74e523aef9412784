// Facts about files for a caller that must know whether what one piece of
// work reads can be reached by what another writes: identities, links, the
// first level of a folder, the entries a case-blind path can reach; and
// files in memory of a bounded size for output that is taken over later.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/os/files.h"

namespace qv {

// What a program sees that reads `winPath` without descending below it:
// the path itself and, for a folder, the regular files directly inside.
struct FirstLevel {
  std::string resolved;             // absolute, every link followed
  FileIdentity self;                // the file or folder, links followed
  bool folder = false;
  std::vector<FileIdentity> files;  // regular files directly in the folder
};

// Reads the first level of `winPath` (converted by ToOsPath, so a name in
// another case is found as a start of a program finds it). False when it
// cannot be read, when it is neither a regular file nor a folder, or when
// the folder directly holds anything but regular files and folders: a link
// (which could lead anywhere), a FIFO, a device or a socket.
bool ReadFirstLevel(const char* winPath, FirstLevel& out);

// Kind of an entry on disk, a link not followed.
enum class EntryKind : unsigned char { file, folder, link, other };

struct ReachedEntry {
  EntryKind kind = EntryKind::other;
  FileIdentity id;  // of the entry itself (a link's own)
};

// Every entry on disk that the resolution of `root`\`rel` (ToOsPath, names
// in another case included) or of one of its leading folders can reach,
// for each of the relative paths `rels`: each entry whose name equals a
// component of one of them without regard to case, in a folder that such a
// resolution reaches. Folders are followed only where they are folders
// (not links). Each folder is listed once. `root` itself is not reported.
// False when `root` cannot be read, or a path cannot be converted or holds
// an empty, "." or ".." component.
bool FindReachableEntries(const char* root, const std::vector<std::string>& rels, std::vector<ReachedEntry>& out);

// The identity of what `winPath` names, links followed.
bool GetPathIdentity(const char* winPath, FileIdentity& id);

// Whether the Linux file `osPath` (links followed) is the system's GNU
// diff: the very file, or one of the same content, that the system's
// diffutils package installed as its `diff` (as the package database lists
// it), a file owned by root that nobody else may write. Its name does not
// count.
bool IsSystemGnuDiff(const std::string& osPath);

// A file in memory that holds at most `capacity` bytes: a write beyond that
// fails (a program writing its output there ends in trouble). Only what is
// written takes memory. Read and write; gone when its last handle closes.
HANDLE CreateBoundedMemoryFile(uint64_t capacity);

// The current position of a file handle: for a file a started program
// wrote from its start, how much it wrote.
bool GetFilePosition(HANDLE file, uint64_t& position);

// Writes the first `length` bytes of `from` at the current position of
// `to`. FALSE when a read or a write fails (GetLastError tells why; a full
// disk is ERROR_DISK_FULL) or `from` holds fewer bytes.
BOOL CopyFileHead(HANDLE from, uint64_t length, HANDLE to);

// Memory the system can still give without swapping, in bytes (0 when it
// cannot be told).
uint64_t AvailableMemory();

}  // namespace qv
