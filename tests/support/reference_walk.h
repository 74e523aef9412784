// The DVD folder walk written the plain way, one folder after the other
// through FindFirstFileA/FindNextFileA, GetFoundIdentity and the status
// test of VIDEO_TS, as the program walked before its folders were read in
// parallel. The walk's tests and the tree benchmark (qvrun --reference)
// hold the engine's walk against it: the same DVD folders in the same
// order, whatever the number of threads.
#pragma once

#include <deque>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "compare/CompareRun.h"
#include "compare/PathRoutines.h"
#include "platform/win.h"
#include "records/FileTypeProfile.h"

namespace qvtest {

struct ReferenceWalkResult {
  std::vector<std::string> dvds;        // relative paths, walk order
  std::vector<std::string> unreadable;  // folders that could not be listed
};

namespace reference_detail {

struct Sub {
  std::string name;
  qv::FileIdentity id;
  bool haveId = false;
};

enum class Scan { listed, gone, unreadable, tooLong };

inline bool IsVideoTs(const char* name) {
  const char* want = "VIDEO_TS";
  for (int i = 0; i < 8; ++i) {
    char c = name[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != want[i]) return false;
  }
  return name[8] == '\0';
}

inline bool ProbeVideoTs(const std::string& path) {
  const std::string probe = path + "\\VIDEO_TS";
  return probe.size() < static_cast<size_t>(kRunPathMax) && GetPathType(1, probe.c_str()) == 0;
}

inline Scan ScanFolder(const std::string& path, bool isItem, bool& dvd, std::vector<Sub>& subs,
                       qv::FileIdentity& self, bool& haveSelf) {
  dvd = false;
  haveSelf = false;
  subs.clear();
  if (path.size() + 9 >= static_cast<size_t>(kRunPathMax)) return Scan::tooLong;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((path + "\\*.*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) {
    const DWORD err = GetLastError();
    dvd = isItem && ProbeVideoTs(path);
    if (dvd) return Scan::listed;
    return err == ERROR_PATH_NOT_FOUND || err == ERROR_FILE_NOT_FOUND ? Scan::gone : Scan::unreadable;
  }
  bool seenVideoTs = !isItem;
  do {
    const char* name = data.cFileName;
    const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!seenVideoTs && IsVideoTs(name)) {
      seenVideoTs = true;
      dvd = folder || ProbeVideoTs(path);
      if (dvd) break;
    }
    if (std::string(name) == ".") haveSelf = qv::GetFoundIdentity(find, self);
    if (!folder || std::string(name) == "." || std::string(name) == "..") continue;
    Sub sub;
    sub.name = name;
    sub.haveId = qv::GetFoundIdentity(find, sub.id);
    subs.push_back(std::move(sub));
  } while (FindNextFileA(find, &data));
  FindClose(find);
  if (dvd) subs.clear();
  return Scan::listed;
}

}  // namespace reference_detail

// The walk of WalkDvdFolders with `recurse` and the "both folders exist"
// rule against `otherRoot` (empty: none).
inline ReferenceWalkResult ReferenceWalk(const std::string& root, int recurse = 1, const std::string& otherRoot = "") {
  using namespace reference_detail;
  ReferenceWalkResult result;
  std::vector<Sub> top;
  bool dvd = false, haveSelf = false;
  qv::FileIdentity self;
  const Scan rootScan = ScanFolder(root, false, dvd, top, self, haveSelf);
  if (rootScan == Scan::unreadable) result.unreadable.push_back(root);
  if (rootScan != Scan::listed) return result;
  std::set<qv::FileIdentity> walked;
  if (haveSelf) walked.insert(self);
  std::deque<std::pair<std::string, std::vector<Sub>>> queue;  // relative path, its subfolders
  auto level = [&](const std::string& rel, const std::vector<Sub>& children) {
    for (const Sub& child : children) {
      const std::string childRel = rel.empty() ? child.name : rel + "\\" + child.name;
      if (child.haveId && walked.count(child.id)) continue;
      const std::string full = root + "\\" + childRel;
      if (full.size() >= static_cast<size_t>(kRunPathMax)) continue;
      std::vector<Sub> subs;
      bool childDvd = false, haveChildSelf = false;
      qv::FileIdentity childSelf;
      const Scan scan = ScanFolder(full, true, childDvd, subs, childSelf, haveChildSelf);
      if (scan != Scan::listed) {
        if (scan == Scan::unreadable) result.unreadable.push_back(full);
        if (child.haveId) walked.insert(child.id);
        continue;
      }
      if (childDvd) {
        result.dvds.push_back(childRel);
        continue;
      }
      if (IsExcludedFolderName(child.name.c_str())) continue;
      if (!otherRoot.empty()) {
        const std::string otherPath = otherRoot + "\\" + childRel;
        if (otherPath.size() >= static_cast<size_t>(kRunPathMax) || GetPathType(0, otherPath.c_str()) != 1) continue;
      }
      if (child.haveId) walked.insert(child.id);
      queue.emplace_back(childRel, std::move(subs));
    }
  };
  level("", top);
  if (recurse != 1) return result;
  while (!queue.empty()) {
    std::pair<std::string, std::vector<Sub>> head = std::move(queue.front());
    queue.pop_front();
    level(head.first, head.second);
  }
  return result;
}

}  // namespace qvtest
