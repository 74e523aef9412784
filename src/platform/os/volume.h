// Volumes behind drive letters: free space and volume information.
#pragma once

#include <string>

#include "platform/base/wintypes.h"

union ULARGE_INTEGER {
  struct {
    DWORD LowPart;
    DWORD HighPart;
  };
  ULONGLONG QuadPart;
};
typedef ULARGE_INTEGER* PULARGE_INTEGER;

// Sizes of the file system that holds `directory` (statvfs of the full
// path, which must exist): bytes free to this user, total bytes, bytes free
// in all. Any output may be null.
BOOL GetDiskFreeSpaceExA(LPCSTR directory, PULARGE_INTEGER freeBytesAvailableToCaller,
                         PULARGE_INTEGER totalNumberOfBytes, PULARGE_INTEGER totalNumberOfFreeBytes);

#define FILE_CASE_SENSITIVE_SEARCH 0x00000001
#define FILE_CASE_PRESERVED_NAMES 0x00000002
#define FILE_UNICODE_ON_DISK 0x00000004
#define FILE_READ_ONLY_VOLUME 0x00080000

// `rootPathName` is a drive root with its backslash ("D:\"; null = the
// drive of the current folder). The mount behind that drive's folder gives:
// - the label (libblkid, else /dev/disk/by-label; empty when the volume has
//   none or is no block device), as code page 932 text, unconvertible
//   characters shown as '?';
// - the serial number from the volume UUID: "ABCD-1234" (FAT, exFAT) is
//   0xABCD1234; a 16-digit NTFS UUID gives its last 8 digits, which is the
//   number Windows shows for NTFS; any other UUID its first 8 hex digits;
//   0 without a UUID;
// - the file-system name in Windows spelling for Windows file systems
//   ("NTFS", "FAT32", "FAT", "exFAT", "CDFS" for ISO 9660, "UDF"), the
//   Linux type otherwise ("ext4", "btrfs", ...).
// A buffer too small for its text fails with ERROR_INSUFFICIENT_BUFFER.
BOOL GetVolumeInformationA(LPCSTR rootPathName, LPSTR volumeNameBuffer, DWORD volumeNameSize,
                           LPDWORD volumeSerialNumber, LPDWORD maximumComponentLength,
                           LPDWORD fileSystemFlags, LPSTR fileSystemNameBuffer,
                           DWORD fileSystemNameSize);

namespace qv {
// The serial-number rule above, exposed for tests: UUID text -> number.
DWORD VolumeSerialFromUuid(const std::string& uuid, const std::string& fsType);
// Linux type (and blkid VERSION for FAT) -> Windows file-system name.
std::string WindowsFileSystemName(const std::string& fsType, const std::string& version);
// The file-system UUID on a block device ("/dev/sdb1"), as libblkid reads
// it, else as udev names it in /dev/disk/by-uuid; empty when neither knows.
std::string VolumeUuid(const std::string& device);
}  // namespace qv
