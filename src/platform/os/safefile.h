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
#include <string>
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
// replaced (a dangling link's target is created), the link stays a link.
// An existing file that is read-only (no owner write bit), or that the user
// may not write, is not replaced: accessDenied, as Windows refuses to
// overwrite a read-only file, also for root.
//
// The temporary file is ".qvsave-<hash of the target's name>-<process id>-
// <n>-<random>.tmp" beside the target, short whatever the target's name. A
// save first removes the temporary files of earlier saves of the same
// target whose process is gone (a save that was killed).
FileResult ReplaceFileContents(const char* winPath, const void* data, size_t size);

// The same for a Linux path (the layer's settings-file writer).
FileResult ReplaceOsFile(std::string osPath, const void* data, size_t size);

// ReplaceFileContents for contents that are written piece by piece, so they
// never have to be held whole: Begin makes the checks and the temporary file
// beside the target, Write appends to it, Commit flushes it to the disk and
// renames it over the target. A writer destroyed or begun again without a
// successful Commit removes its temporary file; the target stays byte for
// byte as it was. After the first failure Write does nothing more, and
// Commit gives that failure.
class SafeFileWriter {
 public:
  SafeFileWriter() = default;
  ~SafeFileWriter();
  SafeFileWriter(const SafeFileWriter&) = delete;
  SafeFileWriter& operator=(const SafeFileWriter&) = delete;

  FileResult Begin(const char* winPath);
  FileResult BeginOs(std::string osPath);
  // False once writing has failed (the cause is kept for Commit).
  bool Write(const void* data, size_t size);
  FileResult Commit();
  // Removes the temporary file; the target is untouched.
  void Abandon();
  // The first failure so far.
  const FileResult& Failure() const { return failure_; }

 private:
  int fd_ = -1;
  std::string target_;
  std::string folder_;
  std::string tmp_;
  unsigned mode_ = 0666;
  bool exists_ = false;
  FileResult failure_;
};

}  // namespace qv
