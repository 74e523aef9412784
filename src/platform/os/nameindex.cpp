#include "platform/os/nameindex.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/os/paths.h"

namespace qv {
namespace {

// At most this many names are remembered in all (well under 20 MB); the
// folders used longest ago are forgotten first. A folder with more names is
// listed at every look-up, as if there were no index.
constexpr size_t kMaxNames = size_t{1} << 17;
// Changes and listings of one folder are taken one at a time; folders share
// these locks by a hash of their paths.
constexpr size_t kGates = 64;

struct Stamp {
  dev_t device = 0;
  ino_t inode = 0;
  struct timespec modified {};
  struct timespec changed {};
};

Stamp StampOf(const struct stat& st) {
  Stamp s;
  s.device = st.st_dev;
  s.inode = st.st_ino;
  s.modified = st.st_mtim;
  s.changed = st.st_ctim;
  return s;
}

bool Same(const Stamp& a, const Stamp& b) {
  return a.device == b.device && a.inode == b.inode && a.modified.tv_sec == b.modified.tv_sec &&
         a.modified.tv_nsec == b.modified.tv_nsec && a.changed.tv_sec == b.changed.tv_sec &&
         a.changed.tv_nsec == b.changed.tv_nsec;
}

// The names of one folder that share an upper-case form, in byte order,
// each followed by '\0' (no name holds one). Nearly always one name.
using Spellings = std::string;

std::string_view FirstOf(const Spellings& s) { return std::string_view(s.data(), s.find('\0')); }

bool AddSpelling(Spellings& s, std::string_view name) {
  size_t at = 0;
  while (at < s.size()) {
    const size_t end = s.find('\0', at);
    const std::string_view here(s.data() + at, end - at);
    if (here == name) return false;
    if (name < here) break;
    at = end + 1;
  }
  std::string item(name);
  item.push_back('\0');
  s.insert(at, item);
  return true;
}

bool EraseSpelling(Spellings& s, std::string_view name) {
  for (size_t at = 0; at < s.size();) {
    const size_t end = s.find('\0', at);
    if (std::string_view(s.data() + at, end - at) == name) {
      s.erase(at, end + 1 - at);
      return true;
    }
    at = end + 1;
  }
  return false;
}

struct Folder {
  std::string path;
  Stamp stamp;
  unsigned long long generation = 0;
  std::unordered_map<std::string, Spellings> names;  // by UpcaseName
  size_t count = 0;
  std::list<Folder*>::iterator use;
};

struct Index {
  std::mutex mu;  // guards everything but the gates and the count of listings
  std::unordered_map<std::string, std::unique_ptr<Folder>> folders;
  std::list<Folder*> uses;  // most recently used first
  size_t total = 0;
  unsigned long long nextGeneration = 1;
  std::mutex gates[kGates];
  std::atomic<size_t> listings{0};

  static size_t GateOf(const std::string& folder) { return std::hash<std::string>{}(folder) % kGates; }

  // The folder's names when they were taken at `stamp`.
  Folder* Valid(const std::string& path, const Stamp& stamp) {
    auto it = folders.find(path);
    if (it == folders.end() || !Same(it->second->stamp, stamp)) return nullptr;
    Folder* f = it->second.get();
    uses.splice(uses.begin(), uses, f->use);
    return f;
  }

  Folder* Current(const std::string& path, unsigned long long generation) {
    auto it = folders.find(path);
    return it != folders.end() && it->second->generation == generation ? it->second.get() : nullptr;
  }

  void Forget(const std::string& path) {
    auto it = folders.find(path);
    if (it == folders.end()) return;
    total -= it->second->count;
    uses.erase(it->second->use);
    folders.erase(it);
  }

  void Forget(const std::string& path, unsigned long long generation) {
    if (Current(path, generation)) Forget(path);
  }

  void Insert(std::unique_ptr<Folder> f) {
    Forget(f->path);
    f->generation = nextGeneration++;
    uses.push_front(f.get());
    f->use = uses.begin();
    total += f->count;
    const std::string path = f->path;
    folders.emplace(path, std::move(f));
    Trim();
  }

  // Forgets the folders used longest ago while there are too many names
  // (never the one used last).
  void Trim() {
    while (total > kMaxNames && uses.size() > 1) Forget(uses.back()->path);
  }

  void Add(Folder& f, std::string_view name) {
    if (AddSpelling(f.names[UpcaseName(name)], name)) {
      ++f.count;
      ++total;
    }
  }

  void Erase(Folder& f, std::string_view name) {
    auto it = f.names.find(UpcaseName(name));
    if (it == f.names.end() || !EraseSpelling(it->second, name)) return;
    if (it->second.empty()) f.names.erase(it);
    --f.count;
    --total;
  }
};

Index& TheIndex() {
  static Index* index = new Index;  // outlives every static user
  return *index;
}

FoldedName Answer(const Folder& f, const std::string& wanted, std::string& found) {
  auto it = f.names.find(wanted);
  if (it == f.names.end()) return FoldedName::notFound;
  found.assign(FirstOf(it->second));
  return FoldedName::found;
}

// "a/b/" -> "a" and "b"; "x" -> "." and "x"; "/x" -> "/" and "x". False
// when the path names no entry of a folder ("", "/").
bool SplitPath(std::string_view path, std::string& folder, std::string_view& name) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  const size_t slash = path.find_last_of('/');
  name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (name.empty()) return false;
  if (slash == std::string_view::npos) {
    folder = ".";
    return true;
  }
  std::string_view f = path.substr(0, slash);
  while (f.size() > 1 && f.back() == '/') f.remove_suffix(1);
  folder = f.empty() ? "/" : std::string(f);
  return true;
}

// The path as the key of a folder of its own.
std::string FolderKey(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return path.empty() ? "." : std::string(path);
}

}  // namespace

FoldedName FindFoldedName(const std::string& folder, std::string_view name, std::string& found) {
  const std::string key = folder.empty() ? "." : folder;
  struct stat st;
  if (stat(key.c_str(), &st) != 0) return FoldedName::noFolder;
  if (!S_ISDIR(st.st_mode)) return FoldedName::notFound;
  const std::string wanted = UpcaseName(name);
  Index& ix = TheIndex();
  {
    std::lock_guard<std::mutex> lock(ix.mu);
    if (Folder* f = ix.Valid(key, StampOf(st))) return Answer(*f, wanted, found);
  }

  // Listed while no change through the layer runs in the folder: the
  // status is taken first, so any change during the listing shows at the
  // next look-up.
  std::lock_guard<std::mutex> gate(ix.gates[Index::GateOf(key)]);
  const int fd = open(key.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return FoldedName::notFound;
  if (fstat(fd, &st) != 0) {
    close(fd);
    return FoldedName::notFound;
  }
  const Stamp stamp = StampOf(st);
  {
    std::lock_guard<std::mutex> lock(ix.mu);
    if (Folder* f = ix.Valid(key, stamp)) {  // listed by another thread meanwhile
      close(fd);
      return Answer(*f, wanted, found);
    }
  }
  DIR* d = fdopendir(fd);
  if (!d) {
    close(fd);
    return FoldedName::notFound;
  }
  std::vector<std::string> all;
  bool complete = true;
  for (;;) {
    errno = 0;
    const dirent* e = readdir(d);
    if (!e) {
      complete = errno == 0;
      break;
    }
    const std::string_view n(e->d_name);
    if (n != "." && n != "..") all.emplace_back(n);
  }
  closedir(d);
  ix.listings.fetch_add(1, std::memory_order_relaxed);

  if (!complete || all.size() > kMaxNames) {
    bool any = false;
    for (const std::string& n : all) {
      if (n.size() != wanted.size() || UpcaseName(n) != wanted) continue;
      if (!any || n < found) found = n;
      any = true;
    }
    return any ? FoldedName::found : FoldedName::notFound;
  }
  auto f = std::make_unique<Folder>();
  f->path = key;
  f->stamp = stamp;
  f->count = all.size();
  f->names.reserve(all.size());
  for (const std::string& n : all) {
    if (!AddSpelling(f->names[UpcaseName(n)], n)) --f->count;
  }
  const FoldedName answer = Answer(*f, wanted, found);
  std::lock_guard<std::mutex> lock(ix.mu);
  ix.Insert(std::move(f));
  return answer;
}

FolderChange::FolderChange(std::string_view osPath) {
  std::string_view name;
  if (SplitPath(osPath, sides_[0].folder, name)) sideCount_ = 1;
  if (sideCount_ == 0) return;
  gates_[0] = Index::GateOf(sides_[0].folder);
  gateCount_ = 1;
  TheIndex().gates[gates_[0]].lock();
  Begin(sides_[0]);
}

FolderChange::FolderChange(std::string_view fromPath, std::string_view toPath) {
  std::string folder;
  std::string_view name;
  for (std::string_view p : {fromPath, toPath}) {
    if (!SplitPath(p, folder, name) || (sideCount_ == 1 && sides_[0].folder == folder)) continue;
    sides_[sideCount_++].folder = folder;
  }
  // Two locks are always taken in the same order.
  for (int i = 0; i < sideCount_; ++i) {
    const size_t g = Index::GateOf(sides_[i].folder);
    if (gateCount_ == 1 && gates_[0] == g) continue;
    gates_[gateCount_++] = g;
  }
  if (gateCount_ == 2 && gates_[1] < gates_[0]) std::swap(gates_[0], gates_[1]);
  for (int i = 0; i < gateCount_; ++i) TheIndex().gates[gates_[i]].lock();
  for (int i = 0; i < sideCount_; ++i) Begin(sides_[i]);
}

FolderChange::~FolderChange() {
  for (int i = gateCount_; i-- > 0;) TheIndex().gates[gates_[i]].unlock();
}

// The names are kept through the change only when the folder still has the
// times they were taken at: otherwise someone else changed it meanwhile.
void FolderChange::Begin(Side& side) {
  Index& ix = TheIndex();
  unsigned long long generation = 0;
  Stamp known;
  {
    std::lock_guard<std::mutex> lock(ix.mu);
    auto it = ix.folders.find(side.folder);
    if (it == ix.folders.end()) return;  // nothing to keep up to date
    generation = it->second->generation;
    known = it->second->stamp;
  }
  struct stat st;
  if (stat(side.folder.c_str(), &st) == 0 && Same(StampOf(st), known)) {
    side.generation = generation;
    side.device = st.st_dev;
    side.inode = st.st_ino;
    return;
  }
  std::lock_guard<std::mutex> lock(ix.mu);
  ix.Forget(side.folder, generation);
}

FolderChange::Side* FolderChange::SideOf(const std::string& folder) {
  for (int i = 0; i < sideCount_; ++i)
    if (sides_[i].folder == folder) return &sides_[i];
  // A folder the change was not made for: its names can no longer be
  // trusted.
  std::lock_guard<std::mutex> lock(TheIndex().mu);
  TheIndex().Forget(folder);
  return nullptr;
}

bool FolderChange::Settle(Side& side, struct stat& after) {
  if (side.generation == 0) return false;
  if (stat(side.folder.c_str(), &after) == 0 && after.st_dev == side.device && after.st_ino == side.inode)
    return true;
  std::lock_guard<std::mutex> lock(TheIndex().mu);
  TheIndex().Forget(side.folder, side.generation);
  side.generation = 0;
  return false;
}

void FolderChange::Made(std::string_view osPath) {
  std::string folder;
  std::string_view name;
  if (!SplitPath(osPath, folder, name)) return;
  Side* side = SideOf(folder);
  struct stat after;
  if (!side || !Settle(*side, after)) return;
  Index& ix = TheIndex();
  std::lock_guard<std::mutex> lock(ix.mu);
  if (Folder* f = ix.Current(side->folder, side->generation)) {
    ix.Add(*f, name);
    f->stamp = StampOf(after);
    ix.Trim();
  }
}

void FolderChange::Removed(std::string_view osPath) {
  std::string folder;
  std::string_view name;
  if (!SplitPath(osPath, folder, name)) return;
  Side* side = SideOf(folder);
  struct stat after;
  const bool settled = side && Settle(*side, after);
  Index& ix = TheIndex();
  std::lock_guard<std::mutex> lock(ix.mu);
  ix.Forget(FolderKey(osPath));  // a folder removed takes its names along
  if (!settled) return;
  if (Folder* f = ix.Current(side->folder, side->generation)) {
    ix.Erase(*f, name);
    f->stamp = StampOf(after);
  }
}

void FolderChange::Moved(std::string_view fromPath, std::string_view toPath) {
  std::string fromFolder, toFolder;
  std::string_view fromName, toName;
  if (!SplitPath(fromPath, fromFolder, fromName) || !SplitPath(toPath, toFolder, toName)) return;
  Side* from = SideOf(fromFolder);
  Side* to = SideOf(toFolder);
  struct stat fromAfter, toAfter;
  const bool fromSettled = from && Settle(*from, fromAfter);
  const bool toSettled = to && to != from && Settle(*to, toAfter);
  Index& ix = TheIndex();
  std::lock_guard<std::mutex> lock(ix.mu);
  // A folder moved is known under its new path only by a new listing.
  ix.Forget(FolderKey(fromPath));
  ix.Forget(FolderKey(toPath));
  if (fromSettled) {
    if (Folder* f = ix.Current(from->folder, from->generation)) {
      ix.Erase(*f, fromName);
      if (to == from) ix.Add(*f, toName);
      f->stamp = StampOf(fromAfter);
    }
  }
  if (toSettled) {
    if (Folder* f = ix.Current(to->folder, to->generation)) {
      ix.Add(*f, toName);
      f->stamp = StampOf(toAfter);
    }
  }
  ix.Trim();
}

size_t FolderListingsForTests() { return TheIndex().listings.load(std::memory_order_relaxed); }

}  // namespace qv
