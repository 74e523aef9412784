// Drive letters that stay with their volume, as Windows keeps them: a
// mounted volume keeps its letter while it stays mounted, a volume mounted
// again gets its earlier letter back when no other volume holds it, and a
// new volume takes the first free letter from D:. On Windows the letters
// belong to the machine: the assignment is kept in a small file in the
// program folder, beside the settings every user of the program shares, so
// a catalogue saved by one user names the same disk for the next. It holds
// across program starts and between programs that run at the same time. A
// user who may not write there keeps the volumes that file does not name in
// a file of their own configuration folder.
//
// A volume is known by its file-system UUID where that can be read, else by
// its mount point. The saved file is only a memory: a damaged, foreign or
// unreadable one is ignored and replaced at the next change, and the letters
// still follow the rules above within one run when it cannot be written.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/os/paths.h"

namespace qv {

// A mounted volume that may get a letter.
struct DriveVolume {
  std::string key;         // "uuid:<UUID>" or "path:<mount point>"
  std::string mountPoint;  // where it is mounted now
};

// The volumes of a mount table that get letters: file systems mounted from
// a block device (source under /dev/) as a whole (root "/"), not squashfs
// package images, on a folder other than "/" (which is C:). One per mount
// point (the last such entry at a point covers the earlier ones), in byte
// order of the mount point. `uuidOf` gives the UUID of a device, empty when
// it cannot be read; a UUID that a volume earlier in the list already has
// (one file system mounted twice) is not used again: that mount is known
// by its point.
std::vector<DriveVolume> LetterVolumes(const std::vector<MountEntry>& mounts,
                                       const std::function<std::string(const std::string&)>& uuidOf);

// The folder of the user's own file: $XDG_CONFIG_HOME/quarvex (an absolute
// value only), else $HOME/.config/quarvex; empty when neither is known.
std::string DriveLettersFolder();

// The program folder (of /proc/self/exe), whose file every user of the
// program shares; empty when it cannot be read.
std::string DriveLettersProgramFolder();
// Tests: DriveLettersProgramFolder gives this folder instead; an empty one
// restores the real one.
void SetDriveLettersProgramFolderForTests(const std::string& folder);

// Linux root per letter A..Z; empty = not mapped.
using DriveRoots = std::array<std::string, 26>;

// One program's view of the letters. Each Assign is one look at the mounted
// volumes; the object remembers which volume held which letter at the last
// look, and reads and writes the saved assignment in `programFolder`, shared
// by every user of the program, and in the user's own `folder` (Linux paths;
// empty: nothing is read or written there).
//
// Both files hold a first line "quarvex drives 1" and then one line per
// volume, most recently mounted first: the letter, a space, and the key
// (bytes below 0x21, 0x7F and '\' written as \ooo). At most 64 volumes are
// remembered. A line that does not fit the form is skipped; a file without
// the first line, not a regular file or over 64 KiB is ignored as a whole,
// and so is one that is someone else's: for the user's own file "drives",
// one that is not the user's; for the program folder's "Quarvex.drives",
// one that others than its owner may change, or, in a folder where every
// user may make files, one that is not the user's, root's or the folder
// owner's. A folder or file that is a symbolic link is never followed. A
// file is written to a temporary file beside it and renamed over it, and
// only when it changes.
//
// The program folder's file gives its letters first; the user's own file
// adds only volumes it does not name, on letters it gives no volume. A user
// who may write the program folder keeps the whole assignment there (the
// volumes of their own file join it), reading and replacing it under a
// lock on the folder; the own file is then left as it is. A user who may
// not write there (or does not get the lock within two seconds) only reads
// it, and their new volumes take the first free letter that file gives no
// volume, if one is left. Whenever the assignment cannot be kept in the
// program folder, the own file keeps what that file does not name. The user's
// folder (and a missing configuration folder above it) is made with mode
// 0700, and one that is not the user's own is neither read nor written;
// the program folder's file is written with mode 0644, for every user to
// read.
class DriveLetters {
 public:
  explicit DriveLetters(std::string folder, std::string programFolder = std::string())
      : folder_(std::move(folder)), sharedFolder_(std::move(programFolder)) {}

  // C: is "/"; the volumes get letters D: to Z: by the rules at the top.
  // Volumes beyond Z: get none.
  DriveRoots Assign(const std::vector<DriveVolume>& volumes);

 private:
  std::string folder_;
  std::string sharedFolder_;
  std::vector<std::pair<std::string, char>> held_;  // key and letter at the last look
};

}  // namespace qv
