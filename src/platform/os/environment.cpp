#include "platform/os/environment.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/codepage.h"
#include "platform/os/paths.h"
#include "platform/os/system.h"

namespace {

// The stand-in folder: "system" in the folder of the running program,
// Windows-shaped.
std::string StandInFolder() {
  char module[4096];
  const DWORD n = GetModuleFileNameA(nullptr, module, sizeof module);
  if (n == 0 || n >= sizeof module) return std::string();
  std::string_view path(module, n);
  size_t slash = std::string_view::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '\\') slash = i;
    if (qv::IsCp932Lead(static_cast<unsigned char>(path[i]))) ++i;
  }
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1)) + "system";
}

// A value from the OS in code page 932; Linux paths become Windows-shaped.
bool ToCp932(std::string value, bool isPath, std::string& out) {
  if (isPath && !value.empty() && value[0] == '/') {
    while (value.size() > 1 && value.back() == '/') value.pop_back();
    return qv::FromOsPath(value, out);
  }
  return qv::Utf8ToCp932(value, out);
}

// The private temporary folders this process has handed out as TEMP
// (Linux paths), so that files made in them later are recognised.
std::mutex g_tempMutex;
std::vector<std::string> g_privateFolders;

std::string JoinOs(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

std::string ParentOs(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

// The shared folder the private one lives in: TMPDIR when it is an
// absolute path, else /tmp.
std::string TempBase() {
  const char* tmpdir = getenv("TMPDIR");
  std::string base = tmpdir && tmpdir[0] == '/' ? tmpdir : "/tmp";
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base;
}

// True when the folder open as `fd` lies on the file system of the folder
// it is in, not under something mounted on its place: a mounted file
// system reports whatever owner and mode it likes (a FUSE mount does).
// Another file system shows in the device; a bind mount of a folder of the
// same one only in the mount, which kernels since 5.8 report.
bool OnParentsFileSystem(int fd) {
  struct stat self {}, parent {};
  if (fstat(fd, &self) != 0 || fstatat(fd, "..", &parent, 0) != 0 || self.st_dev != parent.st_dev)
    return false;
  struct statx selfX {}, parentX {};
  if (statx(fd, "", AT_EMPTY_PATH, STATX_MNT_ID, &selfX) != 0 ||
      statx(fd, "..", 0, STATX_MNT_ID, &parentX) != 0 || !(selfX.stx_mask & parentX.stx_mask & STATX_MNT_ID))
    return true;
  return selfX.stx_mnt_id == parentX.stx_mnt_id;
}

// A sound folder an earlier start made in `base` when the stable name
// "quarvex-<uid>" was taken: "quarvex-<uid>-XXXXXX" (six letters or digits,
// as mkdtemp makes them), a folder (not a link, nothing mounted on it) of
// the effective user with mode 0700 exactly. The first such in byte order of the names, so every
// start takes the same one; empty when there is none.
std::string EarlierFallbackFolder(const std::string& base, const std::string& stableName) {
  const std::string prefix = stableName + "-";
  DIR* dir = opendir(base.c_str());
  if (!dir) return std::string();
  std::vector<std::string> names;
  while (const dirent* entry = readdir(dir)) {
    const std::string_view name(entry->d_name);
    if (name.size() != prefix.size() + 6 || name.substr(0, prefix.size()) != prefix) continue;
    bool ok = true;
    for (const char c : name.substr(prefix.size()))
      ok = ok && ((c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z'));
    if (ok) names.emplace_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const std::string folder = JoinOs(base, name);
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    const bool sound = fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
                       (st.st_mode & 07777) == 0700 && OnParentsFileSystem(fd);
    close(fd);
    if (sound) return folder;
  }
  return std::string();
}

// The user's private temporary folder under the shared one:
// "quarvex-<uid>", or, when something else has that name (another user's
// folder, a link, a file, a mount), the fallback folder an earlier start
// made, else a fresh "quarvex-<uid>-XXXXXX". The same folder is handed out for the rest
// of the process while it stays the user's. Empty when none can be made.
std::string PrivateTempFolder() {
  std::lock_guard<std::mutex> lock(g_tempMutex);
  const std::string base = TempBase();
  for (const std::string& folder : g_privateFolders) {
    if (ParentOs(folder) != base) continue;
    const int fd = qv::OpenPrivateFolder(folder);
    if (fd >= 0) {
      close(fd);
      return folder;
    }
  }
  const std::string stableName = "quarvex-" + std::to_string(geteuid());
  const std::string stable = JoinOs(base, stableName);
  const int fd = qv::OpenPrivateFolder(stable);
  if (fd >= 0) {
    close(fd);
    g_privateFolders.push_back(stable);
    return stable;
  }
  // While the name stays taken, every start would otherwise leave one more
  // folder behind.
  std::string earlier = EarlierFallbackFolder(base, stableName);
  if (!earlier.empty()) {
    g_privateFolders.push_back(earlier);
    return earlier;
  }
  std::string made = stable + "-XXXXXX";
  if (!mkdtemp(made.data())) return std::string();
  g_privateFolders.push_back(made);
  return made;
}

// The folder an explicitly set TEMP names, as a Linux path; empty when
// TEMP is unset or names no folder the drive map knows.
std::string ExplicitTempFolder() {
  const char* temp = getenv("TEMP");
  if (!temp || !*temp) return std::string();
  std::string folder;
  if (temp[0] == '/') {
    folder = temp;
  } else {
    std::string cp932;
    if (!qv::Utf8ToCp932(temp, cp932) || !qv::ToOsPath(cp932.c_str(), folder)) return std::string();
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

// `path` below `folder` (compared by `same`): the rest after the
// separator, which must not climb out with "..".
template <typename Same>
bool Below(const std::string& path, const std::string& folder, Same same, std::string& rest) {
  const bool root = folder == "/";
  const size_t cut = root ? 1 : folder.size() + 1;
  if (path.size() <= cut || path[cut - 1] != '/') return false;
  if (!root && !same(std::string_view(path).substr(0, folder.size()), folder)) return false;
  rest = path.substr(cut);
  for (size_t start = 0; start <= rest.size();) {
    size_t end = rest.find('/', start);
    if (end == std::string::npos) end = rest.size();
    if (rest.compare(start, end - start, "..") == 0) return false;
    start = end + 1;
  }
  return true;
}

DWORD CopyOut(const std::string& value, LPSTR buf, DWORD size) {
  if (value.size() + 1 > size) {
    if (buf && size > 0) buf[0] = '\0';
    return static_cast<DWORD>(value.size() + 1);
  }
  memcpy(buf, value.c_str(), value.size() + 1);
  return static_cast<DWORD>(value.size());
}

}  // namespace

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buf, DWORD size) {
  if (!name || (!buf && size > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const bool temp = strcmp(name, "TEMP") == 0;
  const bool systemRoot = strcmp(name, "SystemRoot") == 0;
  const char* raw = getenv(name);
  std::string out;
  if (!raw && systemRoot) {
    out = StandInFolder();
    if (!out.empty()) return CopyOut(out, buf, size);
  }
  std::string value;
  if (raw) {
    value = raw;
  } else if (temp) {
    value = PrivateTempFolder();
    if (value.empty()) {
      SetLastError(ERROR_ENVVAR_NOT_FOUND);
      return 0;
    }
  } else {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  if (!ToCp932(std::move(value), temp || systemRoot, out)) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return 0;
  }
  return CopyOut(out, buf, size);
}

BOOL GetUserNameA(LPSTR buf, LPDWORD size) {
  if (!size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  long bufLen = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> scratch(bufLen > 0 ? static_cast<size_t>(bufLen) : 4096);
  passwd pw;
  passwd* found = nullptr;
  int rc;
  while ((rc = getpwuid_r(geteuid(), &pw, scratch.data(), scratch.size(), &found)) == ERANGE)
    scratch.resize(scratch.size() * 2);
  if (rc != 0 || !found) {  // no entry for this user id
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  std::string name;
  if (!qv::Utf8ToCp932(found->pw_name, name)) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return FALSE;
  }
  if (!buf || name.size() + 1 > *size) {
    *size = static_cast<DWORD>(name.size() + 1);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  memcpy(buf, name.c_str(), name.size() + 1);
  *size = static_cast<DWORD>(name.size() + 1);
  return TRUE;
}

namespace qv {

int OpenPrivateFolder(const std::string& folder) {
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return -1;
  // Opened without following a link, so the checks and the mode change
  // apply to the folder itself and not to what a link would point at.
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ELOOP || errno == ENOTDIR) errno = EACCES;
    return -1;
  }
  struct stat st {};
  int error = 0;
  if (fstat(fd, &st) != 0) {
    error = errno;
  } else if (!S_ISDIR(st.st_mode) || st.st_uid != geteuid() || !OnParentsFileSystem(fd)) {
    error = EACCES;
  } else if ((st.st_mode & 077) != 0 && fchmod(fd, 0700) != 0) {
    error = errno;
  }
  if (error == 0) return fd;
  close(fd);
  errno = error;
  return -1;
}

bool FindTempPlace(const std::string& osPath, TempPlace& place) {
  {
    // A path to a private folder may have been resolved without regard to
    // case while the folder was missing: any spelling of it counts.
    std::lock_guard<std::mutex> lock(g_tempMutex);
    const auto folded = [](std::string_view a, const std::string& b) { return UpcaseName(a) == UpcaseName(b); };
    for (const std::string& folder : g_privateFolders) {
      if (Below(osPath, folder, folded, place.rest)) {
        place.folder = folder;
        place.isPrivate = true;
        return true;
      }
    }
  }
  const std::string folder = ExplicitTempFolder();
  const auto exact = [](std::string_view a, const std::string& b) { return a == b; };
  if (folder.empty() || !Below(osPath, folder, exact, place.rest)) return false;
  place.folder = folder;
  place.isPrivate = false;
  return true;
}

}  // namespace qv
