// The names of folders, remembered upper-cased, so a name looked for in
// another case (ToOsPath of a path that is not there as written, most often
// a file about to be made) does not list its whole folder every time.
//
// A folder's names are remembered with its identity and times (device,
// inode, modification and change time to the nanosecond) as a status query
// gave them just before it was listed, and used only while a status query
// of the folder still gives the same: a change of its names by anyone
// changes its times, and the next look-up lists it again. The layer's own
// changes (files made, folders made and removed, files removed and renamed)
// go through FolderChange, which updates the names and takes the folder's
// new times, so the program's own making and removing of files costs no new
// listing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>

namespace qv {

enum class FoldedName {
  found,     // `found` holds the name on disk
  notFound,  // the folder holds no name equal to it without regard to case
  noFolder,  // no status of the folder (missing, or no way to it)
};

// The first name in byte order in `folder` (a Linux path; empty for the
// current folder) whose UpcaseName equals that of `name`: the answer a
// listing of the folder gives at the moment of the status query the look-up
// starts with (but for the window FolderChange describes). A folder that is
// no folder, or cannot be read, holds no name.
FoldedName FindFoldedName(const std::string& folder, std::string_view name, std::string& found);

// Brackets one change the layer makes to names on disk: constructed right
// before the call that makes, removes or renames (with the path or paths of
// the names it changes), told right after the call succeeded what it did,
// destroyed at once. While it lives, no other change through the layer and
// no listing of the same folders takes place, so none of the layer's own
// changes can fall between a listing and the times taken for it. Nothing
// may be looked up or changed through the layer between construction and
// destruction.
//
// The window: the folder's times are taken just before the call (the names
// are kept only when those are still the remembered times) and again right
// after it; a change by another process between those two queries is taken
// for part of the layer's change, and its name stays unknown until the
// folder changes again. Where a file system's change times are coarse
// (kernels before 6.13, or file systems without fine-grained times after a
// status query), a change by another process in the same clock tick (a few
// milliseconds) as the times last taken can leave the same times behind and
// go unseen in the same way.
class FolderChange {
 public:
  explicit FolderChange(std::string_view osPath);
  FolderChange(std::string_view fromPath, std::string_view toPath);
  ~FolderChange();
  FolderChange(const FolderChange&) = delete;
  FolderChange& operator=(const FolderChange&) = delete;

  // The name at `osPath` now exists.
  void Made(std::string_view osPath);
  // The name at `osPath` is gone.
  void Removed(std::string_view osPath);
  // The name at `fromPath` now lives at `toPath`.
  void Moved(std::string_view fromPath, std::string_view toPath);

 private:
  struct Side {
    std::string folder;
    unsigned long long generation = 0;  // of the names found valid; 0: none kept
    dev_t device = 0;
    ino_t inode = 0;
  };
  void Begin(Side& side);
  Side* SideOf(const std::string& folder);
  // Takes the folder's times after the change; false (and the names are
  // forgotten) when they cannot be kept.
  bool Settle(Side& side, struct stat& after);

  Side sides_[2];
  int sideCount_ = 0;
  size_t gates_[2] = {0, 0};
  int gateCount_ = 0;
};

// For tests: the number of folder listings the look-ups have made.
size_t FolderListingsForTests();

}  // namespace qv
