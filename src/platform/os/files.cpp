#include "platform/os/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/base/codepage.h"
#include "platform/base/mbstring.h"
#include "platform/os/environment.h"
#include "platform/os/nameindex.h"
#include "platform/os/paths.h"
#include "platform/os/starts.h"

namespace qv {
namespace {

// ---- handles --------------------------------------------------------------

std::mutex& HandleMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}
std::unordered_set<HandleObject*>& LiveHandles() {
  static auto* s = new std::unordered_set<HandleObject*>;
  return *s;
}

class FileObject : public HandleObject {
 public:
  explicit FileObject(int fd) : fd_(fd) {}
  ~FileObject() override {
    if (fd_ >= 0) close(fd_);
  }
  int Fd() const override { return fd_; }

 private:
  int fd_;
};

class MappingObject : public HandleObject {
 public:
  MappingObject(int fd, uint64_t size) : fd_(fd), size_(size) {}
  ~MappingObject() override {
    if (fd_ >= 0) close(fd_);
  }
  int MapFd() const { return fd_; }
  uint64_t Size() const { return size_; }

 private:
  int fd_;
  uint64_t size_;
};

std::mutex& ViewMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}
std::map<const void*, size_t>& Views() {
  static auto* v = new std::map<const void*, size_t>;
  return *v;
}

// ---- names that code page 932 cannot hold -----------------------------------

std::mutex& SkippedMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}
// Linux path of each name, oldest first, with the key of the name: its
// folder's identity and the name, so a folder enumerated again (reached a
// second time, or through a link) does not record its names twice.
struct SkippedName {
  std::string key;
  std::string osPath;
};
std::deque<SkippedName>& Skipped() {
  static auto* d = new std::deque<SkippedName>;
  return *d;
}
std::unordered_set<std::string>& SkippedKeys() {
  static auto* k = new std::unordered_set<std::string>;
  return *k;
}

void RecordSkippedEntry(const struct stat& dirSt, std::string_view name, std::string osPath) {
  RecordSkippedName(SkippedNameKey({static_cast<uint64_t>(dirSt.st_dev), static_cast<uint64_t>(dirSt.st_ino)}, name),
                    std::move(osPath));
}

// Characters Windows does not allow in a name: " * : < > ? \ | and the
// control bytes 1-31 ('/' cannot occur in a Linux name).
bool WindowsAllowsName(std::string_view name) {
  for (unsigned char c : name) {
    if (c < 0x20 || c == '"' || c == '*' || c == ':' || c == '<' || c == '>' || c == '?' ||
        c == '\\' || c == '|')
      return false;
  }
  return true;
}

// ---- small helpers ----------------------------------------------------------

bool ParentExists(const std::string& os) {
  size_t slash = os.find_last_of('/', os.size() > 1 ? os.size() - 2 : 0);
  if (slash == std::string::npos) return true;  // relative: the current folder
  std::string parent = slash == 0 ? "/" : os.substr(0, slash);
  struct stat st;
  return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Windows tells a missing file (2) from a missing folder on the way (3).
DWORD MissingError(const std::string& os) {
  return ParentExists(os) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

DWORD ErrorFor(int err, const std::string& os) {
  if (err == ENOENT) return MissingError(os);
  return WinErrorFromErrno(err);
}

// ToOsPath for the C-runtime-style functions: errno on failure.
bool OsPathErrno(const char* win, std::string& os) {
  if (!win) {
    errno = EINVAL;
    return false;
  }
  if (!ToOsPath(win, os)) {
    errno = ErrnoFromWinError(GetLastError());
    return false;
  }
  return true;
}

// ToOsPath for the Win32-style functions: last error on failure (already
// set by ToOsPath).
bool OsPathWin(const char* win, std::string& os) {
  if (!win) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  return ToOsPath(win, os);
}


constexpr int64_t kEpochDiff = 11644473600LL;  // 1601-01-01 to 1970-01-01 in seconds

FILETIME ToFileTime(const struct timespec& ts) {
  int64_t t = (static_cast<int64_t>(ts.tv_sec) + kEpochDiff) * 10000000LL + ts.tv_nsec / 100;
  if (t < 0) t = 0;
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(t) & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(t) >> 32);
  return ft;
}

int32_t ToTime32(int64_t sec) {
  if (sec < 0 || sec > INT32_MAX) return -1;
  return static_cast<int32_t>(sec);
}

// Status with the creation time where the file system has one.
struct Status {
  struct stat st;
  struct timespec birth;
};

// `dirFd` is the folder `os` is relative to (AT_FDCWD for a full path).
bool GetStatus(const char* os, Status& s, bool follow = true, int dirFd = AT_FDCWD, int extraFlags = 0) {
  struct statx sx;
  int flags = AT_STATX_SYNC_AS_STAT | (follow ? 0 : AT_SYMLINK_NOFOLLOW) | extraFlags;
  if (statx(dirFd, os, flags, STATX_BASIC_STATS | STATX_BTIME, &sx) == 0) {
    std::memset(&s.st, 0, sizeof s.st);
    s.st.st_dev = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    s.st.st_mode = sx.stx_mode;
    s.st.st_size = static_cast<off_t>(sx.stx_size);
    s.st.st_ino = sx.stx_ino;
    s.st.st_nlink = sx.stx_nlink;
    s.st.st_atim = {static_cast<time_t>(sx.stx_atime.tv_sec), sx.stx_atime.tv_nsec};
    s.st.st_mtim = {static_cast<time_t>(sx.stx_mtime.tv_sec), sx.stx_mtime.tv_nsec};
    s.st.st_ctim = {static_cast<time_t>(sx.stx_ctime.tv_sec), sx.stx_ctime.tv_nsec};
    if (sx.stx_mask & STATX_BTIME)
      s.birth = {static_cast<time_t>(sx.stx_btime.tv_sec), sx.stx_btime.tv_nsec};
    else
      s.birth = s.st.st_mtim;
    return true;
  }
  if (errno != ENOSYS) return false;
  if (fstatat(dirFd, os, &s.st, (follow ? 0 : AT_SYMLINK_NOFOLLOW) | extraFlags) != 0) return false;
  s.birth = s.st.st_mtim;
  return true;
}

uint16_t WinMode(const struct stat& st) {
  uint16_t type = 0;
  if (S_ISDIR(st.st_mode))
    type = _S_IFDIR;
  else if (S_ISREG(st.st_mode))
    type = _S_IFREG;
  else if (S_ISCHR(st.st_mode))
    type = _S_IFCHR;
  else if (S_ISFIFO(st.st_mode))
    type = _S_IFIFO;
  uint16_t perm = _S_IREAD;
  if (st.st_mode & S_IWUSR) perm |= _S_IWRITE;
  if (S_ISDIR(st.st_mode) || (st.st_mode & S_IXUSR)) perm |= _S_IEXEC;
  // Windows repeats the owner bits for group and others.
  return static_cast<uint16_t>(type | perm | (perm >> 3) | (perm >> 6));
}

void FillStat(const Status& s, unsigned drive, struct _stat* out) {
  std::memset(out, 0, sizeof *out);
  out->st_dev = drive;
  out->st_rdev = drive;
  out->st_mode = WinMode(s.st);
  out->st_nlink = 1;
  out->st_size = S_ISDIR(s.st.st_mode) ? 0 : static_cast<int64_t>(s.st.st_size);
  out->st_atim.tv_sec = ToTime32(s.st.st_atim.tv_sec);
  out->st_mtim.tv_sec = ToTime32(s.st.st_mtim.tv_sec);
  out->st_ctim.tv_sec = ToTime32(s.birth.tv_sec);
}

DWORD Attributes(const struct stat& st) {
  DWORD a = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if (!(st.st_mode & S_IWUSR)) a |= FILE_ATTRIBUTE_READONLY;
  return a;
}

// ---- enumeration -------------------------------------------------------------

// Each character of code page 932 text as a number (lead byte << 8 | trail),
// in upper case.
std::vector<unsigned> Units(std::string_view s) {
  std::vector<unsigned> u;
  u.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (IsCp932Lead(c) && i + 1 < s.size()) {
      u.push_back(Cp932ToUpper((c << 8) | static_cast<unsigned char>(s[i + 1])));
      ++i;
    } else {
      u.push_back(Cp932ToUpper(c));
    }
  }
  return u;
}

class Pattern {
 public:
  explicit Pattern(std::string_view p) {
    matchAll_ = p == "*" || p == "*.*";
    units_ = Units(p);
  }
  bool Matches(std::string_view name) const {
    if (matchAll_) return true;
    const std::vector<unsigned> n = Units(name);
    const unsigned kStar = '*', kAny = '?';
    size_t pi = 0, ni = 0, starP = SIZE_MAX, starN = 0;
    while (ni < n.size()) {
      if (pi < units_.size() && units_[pi] == kStar) {
        starP = pi++;
        starN = ni;
      } else if (pi < units_.size() && (units_[pi] == kAny || units_[pi] == n[ni])) {
        ++pi;
        ++ni;
      } else if (starP != SIZE_MAX) {
        pi = starP + 1;
        ni = ++starN;
      } else {
        return false;
      }
    }
    while (pi < units_.size() && units_[pi] == kStar) ++pi;
    return pi == units_.size();
  }

 private:
  bool matchAll_ = false;
  std::vector<unsigned> units_;
};

struct FoundEntry {
  std::string cp932;
  std::string utf8;
  std::string key;  // UpcaseName of the UTF-8 name: NTFS order
  unsigned char type = DT_UNKNOWN;  // from the folder listing
};

class FindObject : public HandleObject {
 public:
  ~FindObject() override {
    if (dirFd >= 0) close(dirFd);
  }
  std::string dir;  // Linux folder, ends without '/' unless it is "/"
  // The folder stays open while it is enumerated, so each entry's status is
  // asked relative to it: a walk of a large tree would otherwise resolve
  // every full path again.
  int dirFd = -1;
  std::vector<FoundEntry> entries;
  size_t next = 0;
  FileIdentity last;  // of the entry returned last
  bool haveLast = false;
};

std::string JoinOs(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir == ".") return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

// Fills `data` from the next entry that still exists; false at the end.
bool NextEntry(FindObject& f, WIN32_FIND_DATAA* data) {
  while (f.next < f.entries.size()) {
    const FoundEntry& e = f.entries[f.next++];
    Status s;
    if (f.dirFd >= 0) {
      if (!GetStatus(e.utf8.c_str(), s, true, f.dirFd) && !GetStatus(e.utf8.c_str(), s, false, f.dirFd))
        continue;  // gone
    } else {
      std::string os = JoinOs(f.dir, e.utf8);
      if (!GetStatus(os.c_str(), s) && !GetStatus(os.c_str(), s, false)) continue;  // gone
    }
    f.last = {static_cast<uint64_t>(s.st.st_dev), static_cast<uint64_t>(s.st.st_ino)};
    f.haveLast = true;
    std::memset(data, 0, sizeof *data);
    data->dwFileAttributes = Attributes(s.st);
    bool link = e.type == DT_LNK;
    if (e.type == DT_UNKNOWN && f.dirFd >= 0) {
      struct stat ls;
      link = fstatat(f.dirFd, e.utf8.c_str(), &ls, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(ls.st_mode);
    }
    if (link) data->dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    data->ftCreationTime = ToFileTime(s.birth);
    data->ftLastAccessTime = ToFileTime(s.st.st_atim);
    data->ftLastWriteTime = ToFileTime(s.st.st_mtim);
    if (!S_ISDIR(s.st.st_mode)) {
      uint64_t size = static_cast<uint64_t>(s.st.st_size);
      data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
      data->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    }
    std::memcpy(data->cFileName, e.cp932.c_str(), e.cp932.size() + 1);
    return true;
  }
  return false;
}

// Position of the last separator that is not a trail byte; npos if none.
size_t LastSeparator(std::string_view p) {
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < p.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(p[i]);
    if (IsCp932Lead(c) && i + 1 < p.size()) {
      ++i;
      continue;
    }
    if (c == '\\' || c == '/') last = i;
  }
  return last;
}

}  // namespace

HANDLE RegisterHandle(HandleObject* object) {
  if (!object) return INVALID_HANDLE_VALUE;
  std::lock_guard<std::mutex> lock(HandleMutex());
  LiveHandles().insert(object);
  return static_cast<HANDLE>(object);
}

HandleObject* LookupHandle(HANDLE h) {
  if (!h || h == INVALID_HANDLE_VALUE) return nullptr;
  std::lock_guard<std::mutex> lock(HandleMutex());
  auto* obj = static_cast<HandleObject*>(h);
  return LiveHandles().count(obj) ? obj : nullptr;
}

int HandleFd(HANDLE h) {
  HandleObject* o = LookupHandle(h);
  return o ? o->Fd() : -1;
}

std::vector<std::string> TakeUnrepresentableNames() {
  std::lock_guard<std::mutex> lock(SkippedMutex());
  std::vector<std::string> out;
  out.reserve(Skipped().size());
  for (SkippedName& n : Skipped()) out.push_back(std::move(n.osPath));
  Skipped().clear();
  SkippedKeys().clear();
  return out;
}

std::string SkippedNameKey(const FileIdentity& folder, std::string_view osName) {
  std::string key = std::to_string(folder.device) + ":" + std::to_string(folder.inode) + "/";
  key.append(osName);
  return key;
}

void RecordSkippedName(std::string key, std::string osPath) {
  std::lock_guard<std::mutex> lock(SkippedMutex());
  if (!SkippedKeys().insert(key).second) return;
  std::deque<SkippedName>& d = Skipped();
  if (d.size() >= 1000) {
    SkippedKeys().erase(d.front().key);
    d.pop_front();
  }
  d.push_back({std::move(key), std::move(osPath)});
}

bool ProgramName(std::string_view osName, std::string& cp932) {
  return WindowsAllowsName(osName) && OsNameToCp932(osName, cp932) && cp932.size() < MAX_PATH;
}

bool GetFoundIdentity(HANDLE find, FileIdentity& id) {
  auto* f = dynamic_cast<FindObject*>(LookupHandle(find));
  if (!f || !f->haveLast) return false;
  id = f->last;
  return true;
}

DWORD WinErrorFromErrno(int err) {
  switch (err) {
    case 0:
      return ERROR_SUCCESS;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case EILSEQ:
      return ERROR_NO_UNICODE_TRANSLATION;
    default:  // EACCES, EPERM, EROFS, EISDIR, EBUSY, ETXTBSY and the rest
      return ERROR_ACCESS_DENIED;
  }
}

int ErrnoFromWinError(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_NO_UNICODE_TRANSLATION:
      return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
      return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
      return ENOMEM;
    case ERROR_INVALID_HANDLE:
      return EBADF;
    case ERROR_INVALID_PARAMETER:
      return EINVAL;
    default:
      return EACCES;
  }
}

int CrtErrnoFromErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
      return ENOENT;
    case ENOSPC:
    case EDQUOT:
      return ENOSPC;
    case EMFILE:
    case ENFILE:
      return EMFILE;
    default:
      return EACCES;
  }
}

bool UnlinkOs(const std::string& os) {
  FolderChange change(os);
  if (unlink(os.c_str()) != 0) return false;
  change.Removed(os);
  return true;
}

namespace {

// mkdir and rmdir of a path, told to the folder's names.

bool MakeFolderOs(const std::string& os) {
  FolderChange change(os);
  if (OnceMoreWhenFull([&] { return mkdir(os.c_str(), 0777); }) != 0) return false;
  change.Made(os);
  return true;
}

bool RemoveFolderOs(const std::string& os) {
  FolderChange change(os);
  if (rmdir(os.c_str()) != 0) return false;
  change.Removed(os);
  return true;
}

}  // namespace

// A FIFO or device must not block an open meant for a file: open without
// waiting, then switch back to blocking I/O.
int OpenOsFile(const std::string& osPath, int openFlags, int createMode) {
  auto openIt = [&] {
    int got;
    do {
      got = OnceMoreWhenFull(
          [&] { return open(osPath.c_str(), openFlags | O_CLOEXEC | O_NONBLOCK, static_cast<mode_t>(createMode)); });
    } while (got < 0 && errno == EINTR);
    return got;
  };
  int fd;
  if (openFlags & O_CREAT) {
    FolderChange change(osPath);
    fd = openIt();
    if (fd >= 0) change.Made(osPath);
  } else {
    fd = openIt();
  }
  if (fd >= 0) {
    int fl = fcntl(fd, F_GETFL);
    if (fl >= 0) fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
  }
  return fd;
}

int CreateOsFile(const std::string& osPath, int openFlags) {
  TempPlace place;
  if (!(openFlags & O_CREAT) || !FindTempPlace(osPath, place)) return OpenOsFile(osPath, openFlags);
  // Opened from the checked folder, so a private folder that has gone and
  // been replaced by another user's name is never written through.
  const int dirFd = place.isPrivate ? OpenPrivateFolder(place.folder) : OpenOsFile(place.folder, O_RDONLY | O_DIRECTORY);
  if (dirFd < 0) return -1;
  // Not truncated before the file is known to be the user's own.
  const int flags = (openFlags & ~O_TRUNC) | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
  int fd;
  {
    // The name goes to the remembered names of the folder it is made in
    // (the temporary folder as found), whatever spelling `osPath` had.
    const std::string made = JoinOs(place.folder, place.rest);
    FolderChange change(made);
    do {
      fd = OnceMoreWhenFull([&] { return openat(dirFd, place.rest.c_str(), flags, 0600); });
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) change.Made(made);
  }
  int error = fd < 0 ? errno : 0;
  close(dirFd);
  if (fd < 0) {
    errno = error;
    return -1;
  }
  struct stat st;
  if (fstat(fd, &st) != 0) {
    error = errno;
  } else if (!S_ISREG(st.st_mode) || st.st_uid != geteuid() || st.st_nlink != 1) {
    // Another user's file, or one with a second name elsewhere: writing it
    // would change a file that is not this program's.
    error = EACCES;
  } else if ((st.st_mode & 077) != 0 && fchmod(fd, st.st_mode & 0700) != 0) {
    error = errno;
  } else if ((openFlags & O_TRUNC) && ftruncate(fd, 0) != 0) {
    error = errno;
  }
  if (error != 0) {
    close(fd);
    errno = error;
    return -1;
  }
  const int fl = fcntl(fd, F_GETFL);
  if (fl >= 0) fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
  return fd;
}

int Remove(const char* path) {
  std::string os;
  if (!OsPathErrno(path, os)) return -1;
  struct stat st;
  if (lstat(os.c_str(), &st) != 0) {
    errno = ENOENT;
    return -1;
  }
  if (S_ISDIR(st.st_mode)) {
    errno = EACCES;
    return -1;
  }
  if (!UnlinkOs(os)) {
    errno = (errno == ENOENT || errno == ENOTDIR) ? ENOENT : EACCES;
    return -1;
  }
  return 0;
}

}  // namespace qv

using qv::HandleObject;

BOOL CloseHandle(HANDLE h) {
  HandleObject* obj = nullptr;
  if (h && h != INVALID_HANDLE_VALUE) {
    std::lock_guard<std::mutex> lock(qv::HandleMutex());
    auto* candidate = static_cast<HandleObject*>(h);
    if (qv::LiveHandles().erase(candidate)) obj = candidate;
  }
  if (!obj) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  delete obj;
  return TRUE;
}

// ---- enumeration ---------------------------------------------------------------

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
  if (!pattern || !data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string_view p(pattern);
  if (p.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  size_t sep = qv::LastSeparator(p);
  std::string dirWin;
  std::string_view namePart;
  if (sep != std::string_view::npos) {
    dirWin.assign(p.substr(0, sep));
    if (dirWin.empty() || (dirWin.size() == 2 && dirWin[1] == ':')) dirWin.assign(p.substr(0, sep + 1));
    namePart = p.substr(sep + 1);
  } else if (p.size() >= 2 && p[1] == ':') {
    dirWin.assign(p.substr(0, 2));
    namePart = p.substr(2);
  } else {
    dirWin = ".";
    namePart = p;
  }
  if (namePart.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::string dirOs;
  if (!qv::ToOsPath(dirWin.c_str(), dirOs)) return INVALID_HANDLE_VALUE;
  while (dirOs.size() > 1 && dirOs.back() == '/') dirOs.pop_back();

  DIR* d = opendir(dirOs.c_str());
  if (!d) {
    // A folder that is there but cannot be read is told apart from one
    // that is missing.
    SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : qv::WinErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  struct stat dirSt {};
  fstat(dirfd(d), &dirSt);
  const qv::Pattern pat(namePart);
  auto find = std::make_unique<qv::FindObject>();
  find->dir = dirOs;
  std::vector<qv::FoundEntry> dots;
  while (dirent* e = readdir(d)) {
    std::string_view n(e->d_name);
    if (n == "." || n == "..") continue;
    qv::FoundEntry fe;
    if (!qv::ProgramName(n, fe.cp932)) {
      qv::RecordSkippedEntry(dirSt, n, qv::JoinOs(dirOs, std::string(n)));
      continue;
    }
    if (!pat.Matches(fe.cp932)) continue;
    fe.utf8.assign(n);
    fe.type = e->d_type;
    fe.key = qv::UpcaseName(fe.utf8);
    find->entries.push_back(std::move(fe));
  }
  find->dirFd = fcntl(dirfd(d), F_DUPFD_CLOEXEC, 0);
  closedir(d);
  std::sort(find->entries.begin(), find->entries.end(),
            [](const qv::FoundEntry& a, const qv::FoundEntry& b) {
              return a.key != b.key ? a.key < b.key : a.utf8 < b.utf8;
            });
  for (const char* dot : {"..", "."}) {
    if (!pat.Matches(dot)) continue;
    qv::FoundEntry fe;
    fe.cp932 = fe.utf8 = fe.key = dot;
    find->entries.insert(find->entries.begin(), std::move(fe));
  }
  if (!qv::NextEntry(*find, data)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  SetLastError(ERROR_SUCCESS);
  return qv::RegisterHandle(find.release());
}

BOOL FindNextFileA(HANDLE h, LPWIN32_FIND_DATAA data) {
  auto* find = dynamic_cast<qv::FindObject*>(qv::LookupHandle(h));
  if (!find || !data) {
    SetLastError(find ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!qv::NextEntry(*find, data)) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  return TRUE;
}

BOOL FindClose(HANDLE h) {
  if (!dynamic_cast<qv::FindObject*>(qv::LookupHandle(h))) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return CloseHandle(h);
}

DWORD GetFileAttributesA(LPCSTR path) {
  std::string os;
  if (!qv::OsPathWin(path, os)) return INVALID_FILE_ATTRIBUTES;
  qv::DropExeSuffixIfMissing(os);
  struct stat st;
  if (stat(os.c_str(), &st) != 0) {
    SetLastError(qv::ErrorFor(errno, os));
    return INVALID_FILE_ATTRIBUTES;
  }
  return qv::Attributes(st);
}

// ---- status, access, folders ---------------------------------------------------

int _stat(const char* path, struct _stat* buffer) {
  if (!path || !buffer) {
    errno = EINVAL;
    return -1;
  }
  const bool bareRoot = qv::IsWinDriveRoot(path) || ((path[0] == '\\' || path[0] == '/') && !path[1]);
  if (qv::EndsWithSeparator(path) && !bareRoot) {
    errno = ENOENT;
    return -1;
  }
  // The path as written first; a name that is not there as written is then
  // looked for without regard to case.
  std::string os;
  if (!qv::ToOsPathAsWritten(path, os)) {
    errno = qv::ErrnoFromWinError(GetLastError());
    return -1;
  }
  qv::Status s;
  bool found = qv::GetStatus(os.c_str(), s);
  if (!found && (errno == ENOENT || errno == ENOTDIR)) {
    std::string resolved;
    if (!qv::OsPathErrno(path, resolved)) return -1;
    qv::DropExeSuffixIfMissing(resolved);
    if (resolved != os) {
      found = qv::GetStatus(resolved.c_str(), s);
    } else {
      errno = ENOENT;
    }
  }
  if (!found) {
    errno = (errno == EACCES) ? EACCES : ENOENT;
    return -1;
  }
  std::string root = qv::WinDriveRoot(path);
  unsigned drive = root.empty() ? 2u : static_cast<unsigned>(root[0] - 'A');
  qv::FillStat(s, drive, buffer);
  return 0;
}

bool qv::GetOpenFolderStatus(int fd, FileIdentity& id, FolderTimes& times) {
  qv::Status s;
  if (!qv::GetStatus("", s, true, fd, AT_EMPTY_PATH)) return false;
  id = FileIdentity{static_cast<uint64_t>(s.st.st_dev), static_cast<uint64_t>(s.st.st_ino)};
  struct _stat st;
  qv::FillStat(s, 2u, &st);
  times.created = st.st_ctime;
  times.accessed = st.st_atime;
  times.modified = st.st_mtime;
  return true;
}

int _fstat(int fd, struct _stat* buffer) {
  if (!buffer) {
    errno = EINVAL;
    return -1;
  }
  qv::Status s;
  struct statx sx;
  if (statx(fd, "", AT_EMPTY_PATH | AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &sx) ==
      0) {
    std::memset(&s.st, 0, sizeof s.st);
    s.st.st_mode = sx.stx_mode;
    s.st.st_size = static_cast<off_t>(sx.stx_size);
    s.st.st_atim = {static_cast<time_t>(sx.stx_atime.tv_sec), sx.stx_atime.tv_nsec};
    s.st.st_mtim = {static_cast<time_t>(sx.stx_mtime.tv_sec), sx.stx_mtime.tv_nsec};
    s.birth = (sx.stx_mask & STATX_BTIME)
                  ? timespec{static_cast<time_t>(sx.stx_btime.tv_sec), sx.stx_btime.tv_nsec}
                  : s.st.st_mtim;
  } else if (fstat(fd, &s.st) == 0) {
    s.birth = s.st.st_mtim;
  } else {
    errno = EBADF;
    return -1;
  }
  qv::FillStat(s, 2u, buffer);
  return 0;
}

int _access(const char* path, int mode) {
  if (mode != 0 && mode != 2 && mode != 4 && mode != 6) {
    errno = EINVAL;
    return -1;
  }
  std::string os;
  if (!qv::OsPathErrno(path, os)) return -1;
  qv::DropExeSuffixIfMissing(os);
  int how = F_OK;
  if (mode & 2) how |= W_OK;
  if (mode & 4) how |= R_OK;
  if (access(os.c_str(), how) != 0) {
    errno = (errno == ENOENT || errno == ENOTDIR || errno == ENAMETOOLONG) ? ENOENT : EACCES;
    return -1;
  }
  return 0;
}

int _mkdir(const char* path) {
  std::string os;
  if (!qv::OsPathErrno(path, os)) return -1;
  if (!qv::MakeFolderOs(os)) {
    if (errno != EEXIST) errno = qv::CrtErrnoFromErrno(errno);
    return -1;
  }
  return 0;
}

int _rmdir(const char* path) {
  std::string os;
  if (!qv::OsPathErrno(path, os)) return -1;
  struct stat st;
  if (lstat(os.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    errno = ENOENT;
    return -1;
  }
  if (!qv::RemoveFolderOs(os)) {
    errno = (errno == ENOTEMPTY || errno == EEXIST) ? ENOTEMPTY : errno == ENOENT ? ENOENT : EACCES;
    return -1;
  }
  return 0;
}

// ---- copy, move, delete -------------------------------------------------------

namespace qv {
namespace {

bool CopyBytes(int in, int out) {
  // The kernel copies (or shares extents) where it can; otherwise a plain
  // read/write loop.
  bool kernel = true;
  for (;;) {
    if (kernel) {
      ssize_t n = OnceMoreWhenFull([&] { return copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0); });
      if (n > 0) continue;
      if (n == 0) return true;
      if (errno == EINTR) continue;
      if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP &&
          errno != EPERM)
        return false;
      kernel = false;
      continue;
    }
    static thread_local std::vector<char> buf(1 << 20);
    ssize_t n = read(in, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    for (ssize_t done = 0; done < n;) {
      ssize_t w = OnceMoreWhenFull([&] { return write(out, buf.data() + done, static_cast<size_t>(n - done)); });
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return false;
      done += w;
    }
  }
}

std::string ParentOf(const std::string& os) {
  size_t slash = os.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : os.substr(0, slash);
}

// Copies the regular file `src` to `dst` through a temporary file beside the
// target; sets the Windows error and returns false on failure.
bool CopyRegularFile(const std::string& src, const std::string& dst, bool failIfExists) {
  int in = OpenOsFile(src, O_RDONLY);
  if (in < 0) {
    SetLastError(ErrorFor(errno, src));
    return false;
  }
  struct stat st;
  if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(in);
    SetLastError(ERROR_ACCESS_DENIED);  // a folder, device or pipe
    return false;
  }
  struct stat dt;
  if (stat(dst.c_str(), &dt) == 0) {
    if (S_ISDIR(dt.st_mode)) {
      close(in);
      SetLastError(ERROR_ACCESS_DENIED);
      return false;
    }
    if (failIfExists) {
      close(in);
      SetLastError(ERROR_FILE_EXISTS);
      return false;
    }
  }
  std::string tmp = ParentOf(dst) + "/.qvcopy-XXXXXX";
  int out;
  {
    FolderChange change(tmp);
    out = OnceMoreWhenFull([&] { return mkostemp(tmp.data(), O_CLOEXEC); });
    if (out >= 0) change.Made(tmp);
  }
  if (out < 0) {
    int err = errno;
    close(in);
    SetLastError(err == ENOENT || err == ENOTDIR ? ERROR_PATH_NOT_FOUND : WinErrorFromErrno(err));
    return false;
  }
  bool ok = CopyBytes(in, out);
  int err = ok ? 0 : errno;
  close(in);
  if (ok) {
    fchmod(out, st.st_mode & 0777);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    futimens(out, times);
  }
  if (close(out) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && failIfExists) {
    FolderChange change(tmp, dst);
    // Do not replace a target that appeared meanwhile.
    int rc = renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, dst.c_str(), RENAME_NOREPLACE);
    if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {  // not on this file system
      struct stat again;
      if (lstat(dst.c_str(), &again) == 0) {
        errno = EEXIST;
      } else {
        rc = rename(tmp.c_str(), dst.c_str());
      }
    }
    if (rc != 0) {
      ok = false;
      err = errno;
    } else {
      change.Moved(tmp, dst);
    }
  } else if (ok) {
    FolderChange change(tmp, dst);
    if (OnceMoreWhenFull([&] { return rename(tmp.c_str(), dst.c_str()); }) != 0) {
      ok = false;
      err = errno;
    } else {
      change.Moved(tmp, dst);
    }
  }
  if (!ok) {
    UnlinkOs(tmp);
    SetLastError(err == EEXIST ? ERROR_FILE_EXISTS : WinErrorFromErrno(err));
  }
  return ok;
}

}  // namespace
}  // namespace qv

BOOL CopyFileA(LPCSTR existingFile, LPCSTR newFile, BOOL failIfExists) {
  std::string src, dst;
  if (!qv::OsPathWin(existingFile, src) || !qv::OsPathWin(newFile, dst)) return FALSE;
  if (!qv::CopyRegularFile(src, dst, failIfExists != FALSE)) return FALSE;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL MoveFileExA(LPCSTR existingFile, LPCSTR newFile, DWORD flags) {
  std::string src, dst;
  if (!qv::OsPathWin(existingFile, src) || !qv::OsPathWin(newFile, dst)) return FALSE;
  struct stat ss, ds;
  if (lstat(src.c_str(), &ss) != 0) {
    SetLastError(qv::ErrorFor(errno, src));
    return FALSE;
  }
  const bool targetExists = lstat(dst.c_str(), &ds) == 0;
  const bool sameFile = targetExists && ss.st_dev == ds.st_dev && ss.st_ino == ds.st_ino;
  if (targetExists && !sameFile) {
    if (!(flags & MOVEFILE_REPLACE_EXISTING)) {
      SetLastError(ERROR_ALREADY_EXISTS);
      return FALSE;
    }
    if (S_ISDIR(ss.st_mode) || S_ISDIR(ds.st_mode)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
  }
  int rc;
  {
    qv::FolderChange change(src, dst);
    rc = targetExists && !sameFile ? rename(src.c_str(), dst.c_str())
                                   : renameat2(AT_FDCWD, src.c_str(), AT_FDCWD, dst.c_str(),
                                               sameFile ? 0 : RENAME_NOREPLACE);
    if (rc != 0 && errno == EINVAL && !sameFile && !targetExists)  // no RENAME_NOREPLACE here
      rc = rename(src.c_str(), dst.c_str());
    // Two names of one file: the kernel leaves both as they are.
    if (rc == 0 && !sameFile) change.Moved(src, dst);
  }
  if (rc == 0) return TRUE;
  if (errno == EXDEV && (flags & MOVEFILE_COPY_ALLOWED) && S_ISREG(ss.st_mode)) {
    if (!qv::CopyRegularFile(src, dst, !(flags & MOVEFILE_REPLACE_EXISTING))) return FALSE;
    qv::UnlinkOs(src);
    return TRUE;
  }
  SetLastError(errno == EEXIST ? ERROR_ALREADY_EXISTS : qv::ErrorFor(errno, dst));
  return FALSE;
}

BOOL MoveFileA(LPCSTR existingFile, LPCSTR newFile) {
  return MoveFileExA(existingFile, newFile, MOVEFILE_COPY_ALLOWED);
}

BOOL DeleteFileA(LPCSTR path) {
  std::string os;
  if (!qv::OsPathWin(path, os)) return FALSE;
  struct stat st;
  if (lstat(os.c_str(), &st) != 0) {
    SetLastError(qv::ErrorFor(errno, os));
    return FALSE;
  }
  if (S_ISDIR(st.st_mode) || !qv::UnlinkOs(os)) {
    SetLastError(S_ISDIR(st.st_mode) ? ERROR_ACCESS_DENIED : qv::ErrorFor(errno, os));
    return FALSE;
  }
  return TRUE;
}

// ---- file handles ----------------------------------------------------------------

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD /*shareMode*/,
                   LPSECURITY_ATTRIBUTES /*securityAttributes*/, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE /*templateFile*/) {
  std::string os;
  if (!qv::OsPathWin(fileName, os)) return INVALID_HANDLE_VALUE;
  const bool rd = desiredAccess & GENERIC_READ;
  const bool wr = desiredAccess & GENERIC_WRITE;
  int flags = wr ? (rd ? O_RDWR : O_WRONLY) : O_RDONLY;
  switch (creationDisposition) {
    case CREATE_NEW:
      flags |= O_CREAT | O_EXCL;
      break;
    case CREATE_ALWAYS:
      flags |= O_CREAT | O_TRUNC;
      break;
    case OPEN_EXISTING:
      break;
    case OPEN_ALWAYS:
      flags |= O_CREAT;
      break;
    case TRUNCATE_EXISTING:
      if (!wr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
      }
      flags |= O_TRUNC;
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_HANDLE_VALUE;
  }
  struct stat before;
  const bool existed = stat(os.c_str(), &before) == 0;
  if (existed && S_ISDIR(before.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  int fd = qv::CreateOsFile(os, flags);
  if (fd < 0) {
    SetLastError(errno == EEXIST ? ERROR_FILE_EXISTS : qv::ErrorFor(errno, os));
    return INVALID_HANDLE_VALUE;
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  if (flagsAndAttributes & FILE_FLAG_RANDOM_ACCESS) posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
  if (flagsAndAttributes & FILE_FLAG_SEQUENTIAL_SCAN) posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  HANDLE h = qv::RegisterHandle(new qv::FileObject(fd));
  SetLastError(existed && (creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS)
                   ? ERROR_ALREADY_EXISTS
                   : ERROR_SUCCESS);
  return h;
}

namespace {
int FileFd(HANDLE h) {
  auto* f = dynamic_cast<qv::FileObject*>(qv::LookupHandle(h));
  if (!f) SetLastError(ERROR_INVALID_HANDLE);
  return f ? f->Fd() : -1;
}
}  // namespace

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
              LPOVERLAPPED overlapped) {
  if (bytesRead) *bytesRead = 0;
  int fd = FileFd(file);
  if (fd < 0) return FALSE;
  if (overlapped || (!buffer && bytesToRead)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD done = 0;
  while (done < bytesToRead) {
    ssize_t n = read(fd, static_cast<char*>(buffer) + done, bytesToRead - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (bytesRead) *bytesRead = done;
      SetLastError(qv::WinErrorFromErrno(errno));
      return FALSE;
    }
    if (n == 0) break;
    done += static_cast<DWORD>(n);
  }
  if (bytesRead) *bytesRead = done;
  return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED overlapped) {
  if (bytesWritten) *bytesWritten = 0;
  int fd = FileFd(file);
  if (fd < 0) return FALSE;
  if (overlapped || (!buffer && bytesToWrite)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD done = 0;
  while (done < bytesToWrite) {
    ssize_t n =
        qv::OnceMoreWhenFull([&] { return write(fd, static_cast<const char*>(buffer) + done, bytesToWrite - done); });
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (bytesWritten) *bytesWritten = done;
      SetLastError(n == 0 ? ERROR_DISK_FULL : qv::WinErrorFromErrno(errno));
      return FALSE;
    }
    done += static_cast<DWORD>(n);
  }
  if (bytesWritten) *bytesWritten = done;
  return TRUE;
}

DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh) {
  int fd = FileFd(file);
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0) {
    if (fd >= 0) SetLastError(qv::WinErrorFromErrno(errno));
    return INVALID_FILE_SIZE;
  }
  uint64_t size = static_cast<uint64_t>(st.st_size);
  if (fileSizeHigh) *fileSizeHigh = static_cast<DWORD>(size >> 32);
  SetLastError(ERROR_SUCCESS);  // a low part of 0xFFFFFFFF is then no error
  return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

BOOL FlushFileBuffers(HANDLE file) {
  int fd = FileFd(file);
  if (fd < 0) return FALSE;
  if (fsync(fd) != 0 && errno != EINVAL) {
    SetLastError(qv::WinErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

HANDLE CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES /*attributes*/, DWORD protect,
                          DWORD maximumSizeHigh, DWORD maximumSizeLow, LPCSTR /*name*/) {
  int fd = FileFd(file);
  if (fd < 0) return nullptr;
  if ((protect & 0xFF) != PAGE_READONLY) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  struct stat st;
  if (fstat(fd, &st) != 0) {
    SetLastError(qv::WinErrorFromErrno(errno));
    return nullptr;
  }
  uint64_t size = (static_cast<uint64_t>(maximumSizeHigh) << 32) | maximumSizeLow;
  if (size == 0) size = static_cast<uint64_t>(st.st_size);
  if (size == 0) {
    SetLastError(ERROR_FILE_INVALID);
    return nullptr;
  }
  if (size > static_cast<uint64_t>(st.st_size)) {  // a read-only mapping cannot grow the file
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  int dupFd = fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (dupFd < 0) {
    SetLastError(qv::WinErrorFromErrno(errno));
    return nullptr;
  }
  return qv::RegisterHandle(new qv::MappingObject(dupFd, size));
}

LPVOID MapViewOfFile(HANDLE mapping, DWORD desiredAccess, DWORD fileOffsetHigh, DWORD fileOffsetLow,
                     size_t numberOfBytesToMap) {
  auto* m = dynamic_cast<qv::MappingObject*>(qv::LookupHandle(mapping));
  if (!m) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  const uint64_t offset = (static_cast<uint64_t>(fileOffsetHigh) << 32) | fileOffsetLow;
  if (desiredAccess != FILE_MAP_READ || offset % 65536 != 0 || offset >= m->Size()) {
    SetLastError(offset >= m->Size() ? ERROR_ACCESS_DENIED : ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  uint64_t length = numberOfBytesToMap ? numberOfBytesToMap : m->Size() - offset;
  if (length > m->Size() - offset) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  void* p = mmap(nullptr, length, PROT_READ, MAP_PRIVATE, m->MapFd(), static_cast<off_t>(offset));
  if (p == MAP_FAILED) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(qv::ViewMutex());
  qv::Views()[p] = length;
  return p;
}

BOOL UnmapViewOfFile(LPCVOID baseAddress) {
  size_t length = 0;
  {
    std::lock_guard<std::mutex> lock(qv::ViewMutex());
    auto it = qv::Views().find(baseAddress);
    if (it == qv::Views().end()) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    length = it->second;
    qv::Views().erase(it);
  }
  munmap(const_cast<void*>(baseAddress), length);
  return TRUE;
}

// ---- unnamed files --------------------------------------------------------

namespace qv {

bool ResolvedPath(LPCSTR winPath, std::string& resolved) {
  std::string os;
  if (winPath == nullptr || *winPath == '\0' || !ToOsPath(winPath, os)) return false;
  char* real = realpath(os.c_str(), nullptr);
  if (real == nullptr) return false;
  resolved = real;
  free(real);
  return true;
}

bool ResolvedWithin(std::string_view path, std::string_view folder) {
  if (folder.empty() || path.size() < folder.size() || path.substr(0, folder.size()) != folder) return false;
  return path.size() == folder.size() || folder.back() == '/' || path[folder.size()] == '/';
}

}  // namespace qv
