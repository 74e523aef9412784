// Shared pieces of the fuzz targets: nobody answers the program's questions,
// and each target process has a folder of its own for the files it hands
// to the readers.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/ui/prompt.h"

namespace qvfuzz {

// Nobody answers: messages are dropped with the answer that changes nothing.
class SilentPeople final : public qv::People {
 public:
  int Message(const qv::MessageRequest& r) override { return qv::SafeAnswer(r.type); }
  int Dialog(const qv::DialogRequest& r, std::string*) override { return r.cancelAnswer; }
  bool PickFile(const qv::FileRequest&, std::string&) override { return false; }
  bool PickFolder(const qv::FolderRequest&, std::string&) override { return false; }
};

inline void InstallSilentPeople() {
  static SilentPeople people;
  static const bool installed = (qv::SetPeople(&people), true);
  (void)installed;
}

// A fresh folder for this process (in shared memory when there is one),
// removed when the process ends normally. Linux paths of the layer are
// ASCII here, so they are also code page 932 paths.
class WorkFolder {
 public:
  WorkFolder() {
    const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string tmpl = std::string(base) + "/qvfuzz-XXXXXX";
    if (mkdtemp(tmpl.data())) path_ = tmpl;
    if (path_.empty()) std::abort();
  }
  ~WorkFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }

 private:
  std::string path_;
};

inline const WorkFolder& Work() {
  static WorkFolder folder;
  return folder;
}

inline void WriteBytes(const std::string& path, const void* data, size_t size) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!f) std::abort();
}

// A check that must hold: a failure is a finding.
inline void Require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace qvfuzz
