// Windows-shaped paths (drive letter, backslashes, code page 932) inside the
// program; Linux paths (UTF-8, '/') at the OS boundary.
//
// Drives: C: is always "/". Every other mounted file system that lives on a
// block device (mount source under /dev/, whole file system rather than a
// bind of a sub-folder, mount point a folder, not a squashfs package image)
// gets a letter from D: to Z: that stays with its volume (driveletters.h):
// it keeps its letter while it stays mounted, gets its earlier letter back
// when mounted again and that letter is free, and a new volume takes the
// first free letter; the assignment is saved in the user's configuration
// folder. The map is looked at again when the mount table changes (a DVD
// inserted while the program runs gets its letter). QUARVEX_DRIVES=
// "C=/;T=/tmp/run1" replaces the map; C: stays "/" unless the variable names
// C: itself. The variable is looked at on every call, so tests can set and
// change it; while it is set, no mount table or saved file is read.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv {

// Windows-shaped code page 932 path ("D:\Movies\表", "C:\\a\\\\b", or a path
// already starting with '/') -> Linux UTF-8 path: CP932 decoded first (a
// trail byte 0x5C is never a separator), drive mapped (C: is /, mounted
// volumes from D:, QUARVEX_DRIVES="C=/;T=/tmp/x" replaces the map),
// '\' and '/' turned into '/', repeated separators folded, and, when the
// path does not exist as written, each component resolved without regard
// to case. Returns false when the text cannot be converted or names no
// mapped drive (SetLastError says why).
//
// Further rules: "." and ".." of a drive path are folded by text, as
// Windows does, and ".." never climbs above the drive root. "D:name" is
// taken from the drive root. A leading single backslash is the root of C:.
// UNC names ("\\server\share") are refused (ERROR_PATH_NOT_FOUND). A trailing
// separator is kept as one '/'. A result of PATH_MAX bytes or more fails
// with ERROR_FILENAME_EXCED_RANGE. Case-insensitive resolution compares
// names by UpcaseName; among several matches the first
// in byte order of the names on disk wins; the first component with no
// match and everything after it stay as written (so a file about to be
// made keeps the caller's spelling).
bool ToOsPath(const char* winPath, std::string& osPath);

// ToOsPath without looking at the disk: the path as written, never resolved
// without regard to case. For the layer's own queries that try the written
// path first and resolve only when it is missing, which saves a status
// query on every path that exists as written.
bool ToOsPathAsWritten(const char* winPath, std::string& osPath);

// Linux UTF-8 path -> Windows-shaped CP932 path (longest mapped prefix gives
// the drive). Returns false when the name cannot be held in code page 932.
// A relative path only has its separators turned into backslashes.
// "Held" means the code page 932 text converts back to the very same UTF-8:
// a name with U+00A5 (which code page 932 writes as 0x5C, the backslash) or
// U+301C (which comes back as U+FF5E) is refused, so no name on disk ever
// turns into another name or into an extra path separator.
bool FromOsPath(std::string_view osPath, std::string& winPath);

// A path as the program keeps it. Text in Linux form (code page 932 bytes
// starting with '/': typed into a field, sent by another program, given on
// the command line or stored in a settings file) becomes the Windows form
// the program's own rules expect: the longest mapped prefix gives the drive
// letter, the rest follows with backslashes ("/tmp/x/" with T=/tmp gives
// "T:\x\"). '/' and '\' both separate (never a trail byte), repeated
// separators fold, "." and ".." are folded by text and never climb above
// "/", and the bytes of the names stay as given. Every other text, and a
// Linux path no drive maps, comes back unchanged: the file functions still
// take a '/' path as a Linux path.
std::string ToProgramPath(std::string_view path);

// One name (no separators implied) from the disk -> code page 932 under the
// same round-trip rule as FromOsPath; false (ERROR_NO_UNICODE_TRANSLATION)
// when it cannot be held. Also false for a name that holds a backslash.
bool OsNameToCp932(std::string_view utf8Name, std::string& cp932Name);

// A name as NTFS compares it without regard to case: the letters that code
// page 932 holds (ASCII, full-width Latin, Greek, Cyrillic, Roman numerals)
// in upper case, every other character as it is. UTF-8 in and out, the same
// length; bytes of an invalid sequence stay as they are. The code page 932
// side of the same rule is _mbsupr (platform/base/mbstring.h).
std::string UpcaseName(std::string_view utf8Name);

// The current drive map: letter (upper case) and Linux root, in letter order.
std::vector<std::pair<char, std::string>> DriveMap();

// Linux root of a drive letter (either case); false when it is not mapped.
bool DriveRoot(char letter, std::string& osRoot);

// The drive-root part of a Windows path: "D:\" for "D:\x\y", "d:" or "D:/";
// empty when the path does not start with a drive letter and colon.
std::string WinDriveRoot(std::string_view winPath);

// True for a bare drive root: "D:\", "D:/" or "D:" (nothing after it).
bool IsWinDriveRoot(std::string_view winPath);

// True when the last byte of a code page 932 path is a separator ('\' or
// '/') and not the trail byte of a double-byte character.
bool EndsWithSeparator(std::string_view winPath);

// Linux executables have no suffix: when `osPath` does not exist, ends in
// ".exe" (any case) and the same path without it does, drops the suffix.
// Returns true when it changed the path.
bool DropExeSuffixIfMissing(std::string& osPath);

// Forgets the cached mount table and the letters this run gave (tests that
// change mounts, the map or the configuration folder): the next look is as
// at a program start.
void ResetDriveMap();

// For the layer: one line of /proc/self/mountinfo, fields unescaped.
struct MountEntry {
  std::string root;        // folder of the file system that is mounted ("/" = all of it)
  std::string mountPoint;  // where it is mounted
  std::string fsType;      // "ext4", "vfat", "fuseblk", ...
  std::string source;      // "/dev/sdb1", "tmpfs", ...
};
std::vector<MountEntry> ParseMountTable(std::string_view mountinfoText);
// The current mount table, in the kernel's order (later entries cover
// earlier ones at the same mount point).
std::vector<MountEntry> ReadMountTable();
// The drive map that a mount table gives at a first start with nothing
// saved, volumes known by their mount points (without QUARVEX_DRIVES).
std::vector<std::pair<char, std::string>> DriveMapFromMountTable(std::string_view mountinfoText);

}  // namespace qv
