#include "platform/os/system.h"

#include <fcntl.h>
#include <limits.h>
#include <malloc.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

#include "platform/base/codepage.h"
#include "platform/os/files.h"
#include "platform/os/paths.h"

namespace qv {
namespace {

std::mutex& ModuleMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}
std::string& ModuleOverride() {
  static auto* s = new std::string;
  return *s;
}

}  // namespace

void PrepareProcess() {
  // Ignored, the signal leaves the failing write to return EFBIG. Process
  // starts reset every signal to its default, so no child inherits this.
  signal(SIGXFSZ, SIG_IGN);
}

void ReturnFreeMemory() {
#ifdef __GLIBC__
  malloc_trim(0);
#endif
}

void SetModuleFileForTests(const std::string& osPath) {
  std::lock_guard<std::mutex> lock(ModuleMutex());
  ModuleOverride() = osPath;
}

}  // namespace qv

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  if (module) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!fileName || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  fileName[0] = '\0';
  std::string os;
  {
    std::lock_guard<std::mutex> lock(qv::ModuleMutex());
    os = qv::ModuleOverride();
  }
  if (os.empty()) {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return 0;
    }
    os.assign(buf, static_cast<size_t>(n));
  }
  std::string win;
  if (!qv::FromOsPath(os, win)) return 0;
  if (win.size() + 1 > size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(fileName, win.c_str(), win.size() + 1);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(win.size());
}

char* _getcwd(char* buffer, int maxLen) {
  char cwd[PATH_MAX];
  if (!getcwd(cwd, sizeof cwd)) {
    errno = ENOENT;
    return nullptr;
  }
  std::string win;
  if (!qv::FromOsPath(cwd, win)) {
    errno = ENOENT;
    return nullptr;
  }
  if (!buffer) {
    size_t cap = win.size() + 1;
    if (maxLen > 0 && static_cast<size_t>(maxLen) > cap) cap = static_cast<size_t>(maxLen);
    buffer = static_cast<char*>(std::malloc(cap));
    if (!buffer) {
      errno = ENOMEM;
      return nullptr;
    }
  } else if (maxLen <= 0 || win.size() + 1 > static_cast<size_t>(maxLen)) {
    errno = ERANGE;
    return nullptr;
  }
  std::memcpy(buffer, win.c_str(), win.size() + 1);
  return buffer;
}

int _chdir(const char* path) {
  std::string os;
  if (!path) {
    errno = EINVAL;
    return -1;
  }
  if (!qv::ToOsPath(path, os) || chdir(os.c_str()) != 0) {
    errno = ENOENT;
    return -1;
  }
  return 0;
}

UINT GetTempFileNameA(LPCSTR pathName, LPCSTR prefix, UINT unique, LPSTR tempFileName) {
  if (!pathName || !tempFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string folder = pathName;
  if (!folder.empty() && !qv::EndsWithSeparator(folder)) folder.push_back('\\');
  std::string pre;
  if (prefix) {
    // At most three bytes, never half of a double-byte character.
    for (size_t i = 0; prefix[i] && i < 3;) {
      size_t len = qv::IsCp932Lead(static_cast<unsigned char>(prefix[i])) && prefix[i + 1] ? 2 : 1;
      if (i + len > 3) break;
      pre.append(prefix + i, len);
      i += len;
    }
  }
  auto form = [&](UINT n) {
    char num[16];
    std::snprintf(num, sizeof num, "%X", n & 0xFFFFu);
    return folder + pre + num + ".TMP";
  };
  if (unique != 0) {
    std::string name = form(unique);
    if (name.size() >= MAX_PATH) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return 0;
    }
    std::memcpy(tempFileName, name.c_str(), name.size() + 1);
    return unique & 0xFFFFu;
  }
  std::string folderOs;
  struct stat st;
  if (!qv::ToOsPath(folder.empty() ? "." : folder.c_str(), folderOs) ||
      stat(folderOs.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return 0;
  }
  // Start where the clock points and walk the 65535 numbers once.
  UINT start = static_cast<UINT>((time(nullptr) ^ getpid()) & 0xFFFF);
  for (UINT k = 0; k < 0xFFFF; ++k) {
    UINT n = (start + k) % 0xFFFF + 1;
    std::string name = form(n);
    if (name.size() >= MAX_PATH) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return 0;
    }
    std::string os;
    if (!qv::ToOsPath(name.c_str(), os)) return 0;
    int fd = qv::OpenOsFile(os, O_WRONLY | O_CREAT | O_EXCL);
    if (fd >= 0) {
      close(fd);
      std::memcpy(tempFileName, name.c_str(), name.size() + 1);
      SetLastError(ERROR_SUCCESS);
      return n;
    }
    if (errno != EEXIST) {
      SetLastError(qv::WinErrorFromErrno(errno));
      return 0;
    }
  }
  SetLastError(ERROR_FILE_EXISTS);
  return 0;
}
