// Drive letters that stay with their volume, as Windows keeps them: a
// mounted volume keeps its letter while it stays mounted, a volume mounted
// again gets its earlier letter back when no other volume holds it, and a
// new volume takes the first free letter from D:. The assignment is kept in
// a small file in the user's configuration folder, so it holds across
// program starts (and between programs that run at the same time).
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

// The folder of the saved assignment: $XDG_CONFIG_HOME/quarvex (an absolute
// value only), else $HOME/.config/quarvex; empty when neither is known.
std::string DriveLettersFolder();

// Linux root per letter A..Z; empty = not mapped.
using DriveRoots = std::array<std::string, 26>;

// One program's view of the letters. Each Assign is one look at the mounted
// volumes; the object remembers which volume held which letter at the last
// look, and reads and writes the saved assignment in `folder` (a Linux
// path; empty: nothing is read or written).
//
// The file "drives" in the folder holds a first line "quarvex drives 1" and
// then one line per volume, most recently mounted first: the letter, a
// space, and the key (bytes below 0x21, 0x7F and '\' written as \ooo). At
// most 64 volumes are remembered. A line that does not fit the form is
// skipped; a file without the first line, not a regular file, not the
// user's own, or over 64 KiB is ignored as a whole. The folder (and a
// missing configuration folder above it) is made with mode 0700; a folder
// or file that is a symbolic link is never followed, and a folder that is
// not the user's own is neither read nor written. The file is written to a
// temporary file beside it and renamed over it, and only when it changes.
class DriveLetters {
 public:
  explicit DriveLetters(std::string folder) : folder_(std::move(folder)) {}

  // C: is "/"; the volumes get letters D: to Z: by the rules at the top.
  // Volumes beyond Z: get none.
  DriveRoots Assign(const std::vector<DriveVolume>& volumes);

 private:
  std::string folder_;
  std::vector<std::pair<std::string, char>> held_;  // key and letter at the last look
};

}  // namespace qv
