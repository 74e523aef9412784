// FolderWalker: the folders of a tree read level by level, ahead of the walk
// by a small pool of threads, each folder through its parent's handle.
#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include "platform/base/codepage.h"
#include "platform/os/files.h"
#include "platform/os/paths.h"

namespace qv {
namespace {

// Folders read ahead of the walk and not taken yet: beyond this the pool
// waits, so a wide tree never holds more than a few levels in memory.
constexpr size_t kReadAheadFolders = size_t{1} << 15;
constexpr size_t kListingBuffer = 32768;
// A reader of the pool takes the folders of several queued folders at once
// (at least one's, at most about this many), and an idle one is woken only
// when that much work waits: a wake-up costs more than reading a folder.
constexpr size_t kChunkFolders = 64;
constexpr size_t kWakeFolders = 16;
// The walk hands its requests over in groups, and takes every batch that is
// read already at once: one lock for many folders.
constexpr size_t kHandOver = 32;
// Steps of the walk's busy wait for a batch that a reader is finishing,
// before it sleeps.
constexpr int kSpins = 2000;
constexpr unsigned kMostThreads = 8;

using Kind = FolderWalker::Kind;

// One step of a short busy wait.
inline void Pause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

FileIdentity IdentityOf(const struct stat& st) {
  return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

Kind KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return Kind::folder;
  if (S_ISREG(mode)) return Kind::file;
  return Kind::other;
}

// The error of a folder that cannot be opened: one that is gone (or is no
// folder any more) is told apart from one that cannot be read.
DWORD OpenError(int err) {
  return err == ENOENT || err == ENOTDIR ? ERROR_PATH_NOT_FOUND : WinErrorFromErrno(err);
}

int OpenFolderAt(int dirFd, const char* name, int extraFlags) {
  int fd;
  do {
    fd = openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY | extraFlags);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

std::string JoinRel(const std::string& base, std::string_view name) {
  std::string out;
  out.reserve(base.size() + 1 + name.size());
  out = base;
  if (!out.empty()) out.push_back('/');
  out.append(name);
  return out;
}

struct Candidate {
  std::string key;  // UpcaseName of the name on disk: NTFS order
  std::string osName;
  std::string name;
};

}  // namespace

struct FolderWalker::Shared {
  std::string rootOs;     // Linux path of the root
  int rootFd = -1;
  std::string lookOs;     // the name looked for, as on disk (UTF-8)
  std::string lookUpper;  // ... and as NTFS compares it

  // The subfolders of one queued folder, to be read.
  struct Batch {
    std::string osPath;  // of the queued folder
    std::string subs;    // its subfolders, as Folder::subs_
    size_t count = 0;
    std::vector<Folder> children;
    std::atomic<bool> done{false};
  };
  std::mutex mutex;
  std::condition_variable workReady;  // a batch can be started, or stop
  std::condition_variable batchDone;  // the oldest batch is read
  std::deque<Batch> batches;  // oldest first; [0, started) taken by a reader
  size_t started = 0;
  size_t waiting = 0;  // folders in batches not started
  size_t ahead = 0;    // folders in started batches that the walk has not taken
  unsigned idle = 0;   // readers of the pool waiting for work
  std::atomic<bool> walkWaits{false};
  bool paused = false;  // readers wait for the walk to take what they read
  bool stop = false;
  // The walk's own side, touched by the walking thread only.
  std::vector<Folder> outgoing;                // asked for, not handed over yet
  std::deque<std::vector<Folder>> ready;       // read, taken, not handed back yet
  std::vector<std::thread> pool;

  // Lists the open folder `fd` (found at `osPath` below the root) into `out`.
  void List(int fd, Folder& out) {
    thread_local std::vector<char> buffer(kListingBuffer);
    std::vector<Candidate> found;
    std::string best;  // name on disk of the entry looked for found first
    std::string cp932;
    for (;;) {
      ssize_t n = getdents64(fd, buffer.data(), buffer.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;  // an error half-way ends the listing as Windows ends it
      for (ssize_t at = 0; at < n;) {
        const auto* e = reinterpret_cast<const struct dirent64*>(buffer.data() + at);
        at += e->d_reclen;
        const char* raw = e->d_name;
        if (raw[0] == '.' && (raw[1] == '\0' || (raw[1] == '.' && raw[2] == '\0'))) continue;
        const std::string_view osName(raw);
        if (!ProgramName(osName, cp932)) {
          std::string path = rootOs;
          if (path.back() != '/') path.push_back('/');
          if (!out.skipped_) out.skipped_ = std::make_unique<std::vector<std::pair<std::string, std::string>>>();
          // Keyed below, once the folder's identity is known.
          out.skipped_->emplace_back(std::string(osName), path + JoinRel(out.osPath_, osName));
          continue;
        }
        // The entry type of the listing answers "is it a folder" for nearly
        // every entry; only links and file systems without types are asked.
        Kind kind = Kind::other;
        if (e->d_type == DT_DIR) {
          kind = Kind::folder;
        } else if (e->d_type == DT_REG) {
          kind = Kind::file;
        } else if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
          struct stat st;
          if (fstatat(fd, raw, &st, 0) == 0) {
            kind = KindOf(st.st_mode);
          } else if (e->d_type == DT_UNKNOWN && fstatat(fd, raw, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;  // gone meanwhile
          } else {
            kind = Kind::none;  // a link whose target is missing
          }
        }
        if (!lookUpper.empty() && osName.size() == lookUpper.size() && UpcaseName(osName) == lookUpper &&
            (best.empty() || osName < best)) {
          best.assign(osName);
          out.found = kind;
        }
        if (kind != Kind::folder) continue;
        Candidate c;
        c.key = UpcaseName(osName);
        if (cp932 != osName) c.osName.assign(osName);
        c.name = std::move(cp932);
        cp932.clear();
        found.push_back(std::move(c));
      }
    }
    // The status after the listing, as a status query made after the walk
    // would find it (listing a folder may change its access time).
    out.haveId = GetOpenFolderStatus(fd, out.id, out.times);
    if (out.skipped_) {
      for (auto& [key, path] : *out.skipped_) key = SkippedNameKey(out.id, key);
    }
    std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
      if (a.key != b.key) return a.key < b.key;
      const std::string& an = a.osName.empty() ? a.name : a.osName;
      const std::string& bn = b.osName.empty() ? b.name : b.osName;
      return an < bn;
    });
    size_t bytes = 0;
    for (const Candidate& c : found) bytes += c.name.size() + c.osName.size() + 2;
    out.subs_.reserve(bytes);
    for (const Candidate& c : found) {
      out.subs_.append(c.name).push_back('\0');
      out.subs_.append(c.osName).push_back('\0');
    }
    out.subCount_ = found.size();
  }

  // Reads the subfolder `name` (`osName` on disk) of the folder found at
  // `parentPath` and open as `parentFd`.
  void ReadChild(int parentFd, const std::string& parentPath, std::string_view name, std::string_view osName,
                 Folder& out) {
    out.name.assign(name);
    out.osPath_ = JoinRel(parentPath, osName);
    const std::string osNameText(osName);
    const int fd = parentFd < 0 ? -1 : OpenFolderAt(parentFd, osNameText.c_str(), 0);
    if (fd < 0) {
      const int err = parentFd < 0 ? ENOENT : errno;
      out.error = OpenError(err);
      if (out.error == ERROR_PATH_NOT_FOUND) return;
      struct stat st;
      if (fstatat(parentFd, osNameText.c_str(), &st, 0) == 0) {
        out.id = IdentityOf(st);
        out.haveId = true;
      }
      // A folder that may not be listed can still let a known name be
      // reached.
      if (!lookOs.empty() && fstatat(parentFd, (osNameText + "/" + lookOs).c_str(), &st, 0) == 0)
        out.found = KindOf(st.st_mode);
      return;
    }
    List(fd, out);
    close(fd);
  }

  void Read(Batch& b) {
    if (b.count == 0) return;
    int parentFd = rootFd;
    if (!b.osPath.empty()) parentFd = OpenFolderAt(rootFd, b.osPath.c_str(), O_PATH);
    b.children.resize(b.count);
    const char* at = b.subs.data();
    for (size_t i = 0; i < b.count; ++i) {
      const std::string_view name(at);
      at += name.size() + 1;
      const std::string_view osName(at);
      at += osName.size() + 1;
      ReadChild(parentFd, b.osPath, name, osName.empty() ? name : osName, b.children[i]);
    }
    if (parentFd >= 0 && parentFd != rootFd) close(parentFd);
  }

  void Work() {
    // A private copy of the descriptor table: each open and close of a
    // process takes the lock of its table, and readers that open and close
    // a folder each every few microseconds would otherwise queue on it. The
    // copies of the other descriptors go with the thread; the layer holds no
    // POSIX record locks that closing them could release. (ThreadSanitizer
    // knows one table per process and would take equal numbers in two
    // tables for one descriptor: under it the table stays shared.)
#ifndef __SANITIZE_THREAD__
    unshare(CLONE_FILES);
#endif
    std::vector<Batch*> chunk;
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      ++idle;
      workReady.wait(lock, [this] {
        if (stop) return true;
        if (ahead >= kReadAheadFolders) paused = true;
        return !paused && started < batches.size();
      });
      --idle;
      if (stop) return;
      chunk.clear();
      size_t folders = 0;
      while (started < batches.size() &&
             (chunk.empty() || folders + batches[started].count <= kChunkFolders)) {
        Batch& b = batches[started++];
        folders += b.count;
        chunk.push_back(&b);
      }
      waiting -= folders;
      ahead += folders;
      if (idle > 0 && waiting >= kWakeFolders) workReady.notify_one();
      lock.unlock();
      for (Batch* b : chunk) {
        Read(*b);
        b->done.store(true);
        if (walkWaits.load()) {
          // The walk waits (for this batch or another): the lock orders the
          // wake-up after its look at `done`.
          lock.lock();
          lock.unlock();
          batchDone.notify_one();
        }
      }
      lock.lock();
    }
  }
};

unsigned WalkThreads() {
  if (const char* v = std::getenv("QUARVEX_WALK_THREADS")) {
    char* end = nullptr;
    const long n = std::strtol(v, &end, 10);
    if (end != v && *end == '\0' && n >= 1 && n <= 64) return static_cast<unsigned>(n);
  }
  unsigned cores = std::thread::hardware_concurrency();
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0) cores = static_cast<unsigned>(CPU_COUNT(&set));
  return std::clamp(cores, 1u, kMostThreads);
}

void ForEachInParallel(size_t count, const std::function<void(size_t)>& work, size_t runLength) {
  const size_t kRun = std::max<size_t>(runLength, 1);
  const size_t runs = (count + kRun - 1) / kRun;
  const size_t threads = std::min<size_t>(WalkThreads(), runs);
  if (threads <= 1) {
    for (size_t i = 0; i < count; ++i) work(i);
    return;
  }
  std::atomic<size_t> next{0};
  std::mutex failureMutex;
  std::exception_ptr failure;
  auto run = [&] {
    for (;;) {
      const size_t first = next.fetch_add(kRun);
      if (first >= count) return;
      const size_t last = std::min(count, first + kRun);
      try {
        for (size_t i = first; i < last; ++i) work(i);
      } catch (...) {
        std::lock_guard<std::mutex> lock(failureMutex);
        if (!failure) failure = std::current_exception();
      }
    }
  };
  std::vector<std::thread> pool;
  pool.reserve(threads - 1);
  for (size_t i = 1; i < threads; ++i) pool.emplace_back(run);
  run();
  for (std::thread& t : pool) t.join();
  if (failure) std::rethrow_exception(failure);
}

FolderWalker::FolderWalker(const char* root, std::string_view lookFor) : shared_(std::make_unique<Shared>()) {
  Shared& s = *shared_;
  if (!lookFor.empty() && Cp932ToUtf8(lookFor, s.lookOs)) s.lookUpper = UpcaseName(s.lookOs);
  if (!ToOsPath(root, s.rootOs)) {
    s.rootOs.clear();
    return;
  }
  while (s.rootOs.size() > 1 && s.rootOs.back() == '/') s.rootOs.pop_back();
  s.rootFd = OpenFolderAt(AT_FDCWD, s.rootOs.c_str(), 0);
  if (s.rootFd < 0) return;
  const unsigned threads = WalkThreads();
  for (unsigned i = 1; i < threads; ++i) s.pool.emplace_back([&s] { s.Work(); });
}

FolderWalker::~FolderWalker() {
  Shared& s = *shared_;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.stop = true;
  }
  s.workReady.notify_all();
  for (std::thread& t : s.pool) t.join();
  if (s.rootFd >= 0) close(s.rootFd);
}

FolderWalker::Folder FolderWalker::ReadRoot() {
  Shared& s = *shared_;
  Folder root;
  if (s.rootOs.empty()) {
    root.error = GetLastError();
    if (root.error == ERROR_SUCCESS) root.error = ERROR_PATH_NOT_FOUND;
    return root;
  }
  if (s.rootFd < 0) {
    struct stat st;
    const int err = stat(s.rootOs.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) ? ENOTDIR : errno;
    root.error = OpenError(err);
    return root;
  }
  // The pool opens folders through the root's handle, which never needs its
  // reading position again.
  lseek(s.rootFd, 0, SEEK_SET);
  s.List(s.rootFd, root);
  return root;
}

void FolderWalker::ReadSubfolders(Folder&& folder) {
  Shared& s = *shared_;
  s.outgoing.push_back(std::move(folder));
  if (s.outgoing.size() >= kHandOver) HandOver();
}

void FolderWalker::HandOver() {
  Shared& s = *shared_;
  if (s.outgoing.empty()) return;
  bool wake = false;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    for (Folder& f : s.outgoing) {
      s.waiting += f.subCount_;
      Shared::Batch& b = s.batches.emplace_back();
      b.osPath = std::move(f.osPath_);
      b.subs = std::move(f.subs_);
      b.count = f.subCount_;
    }
    wake = s.idle > 0 && s.waiting >= kWakeFolders;
  }
  s.outgoing.clear();
  if (wake) s.workReady.notify_one();
}

std::vector<FolderWalker::Folder> FolderWalker::NextSubfolders() {
  Shared& s = *shared_;
  if (s.ready.empty()) {
    HandOver();
    std::unique_lock<std::mutex> lock(s.mutex);
    if (s.batches.empty()) return {};
    Shared::Batch& head = s.batches.front();
    if (s.started == 0) {
      // No reader has begun it: read it here rather than wait.
      const size_t count = head.count;
      s.started = 1;
      s.waiting -= count;
      s.ahead += count;
      lock.unlock();
      s.Read(head);
      lock.lock();
      head.done.store(true);
    }
    if (!head.done.load()) {
      // A reader has it and is usually about to finish: a short spin costs
      // less than sleeping and being woken.
      lock.unlock();
      for (int i = 0; i < kSpins && !head.done.load(); ++i) Pause();
      lock.lock();
      s.walkWaits.store(true);
      s.batchDone.wait(lock, [&head] { return head.done.load(); });
      s.walkWaits.store(false);
    }
    // Every batch read by now, in order.
    while (!s.batches.empty() && s.started > 0 && s.batches.front().done.load()) {
      Shared::Batch& b = s.batches.front();
      s.ahead -= b.count;
      s.ready.push_back(std::move(b.children));
      s.batches.pop_front();
      --s.started;
    }
    // Readers that ran far enough ahead go on once the walk has caught up
    // half-way, not at every folder it takes.
    const bool resume = s.paused && s.ahead <= kReadAheadFolders / 2;
    if (resume) s.paused = false;
    lock.unlock();
    if (resume) s.workReady.notify_all();
  }
  std::vector<Folder> children = std::move(s.ready.front());
  s.ready.pop_front();
  return children;
}

void FolderWalker::NoteSkippedNames(Folder& folder) {
  if (!folder.skipped_) return;
  for (auto& [key, path] : *folder.skipped_) RecordSkippedName(std::move(key), std::move(path));
  folder.skipped_.reset();
}

}  // namespace qv
