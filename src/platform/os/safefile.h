// Whole-file reading and safe replacement of a file, for documents.
//
// A replaced file is never at risk: the new contents go to a temporary file
// in the same folder, are flushed to the disk, and only then is the
// temporary file renamed over the old one. Whatever fails on the way (disk
// full, no rights, a read-only file, a device error), the temporary file is
// removed and the old file stays byte for byte as it was.
//
// Paths are Windows-shaped code page 932 texts (see paths.h). Failures come
// back as a cause; the caller shows its own message for it.
#pragma once

#include <cstddef>
#include <vector>

namespace qv {

enum class FileFailure {
  none,
  notFound,          // the file or a folder on its path does not exist
  accessDenied,      // no rights, a read-only file or folder, a folder or device in its place
  sharingViolation,  // the file is busy
  diskFull,          // no space left, quota or file size limit reached
  hardIO,            // the device failed
  generic,           // anything else (a path that cannot be mapped, no memory, ...)
};

struct FileResult {
  FileFailure cause = FileFailure::none;
  int osError = 0;  // errno of the call that failed; 0 when none
  bool ok() const { return cause == FileFailure::none; }
};

// The cause of a failed Linux file call.
FileFailure FileFailureFromErrno(int err);

// Reads the whole regular file at `winPath` into `bytes` (replacing what
// they held). Folders, devices and pipes are refused (accessDenied).
FileResult ReadWholeFile(const char* winPath, std::vector<unsigned char>& bytes);

// Replaces the file at `winPath` with `size` bytes, or creates it. The new
// file keeps the old one's permission bits (a new file gets the usual ones
// for the user's umask); a symbolic link is followed and its target
// replaced. An existing file the user may not write (read-only) is not
// replaced: accessDenied, as Windows refuses to overwrite it.
FileResult ReplaceFileContents(const char* winPath, const void* data, size_t size);

}  // namespace qv
