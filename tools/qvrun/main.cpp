// qvrun: one run of the comparison engine without the window.
//
//   qvrun [options] OLD            list mode: the DVD folders under OLD
//   qvrun [options] --new NEW OLD  compare mode: NEW against OLD
//
// Options:
//   --walk-only        only the folder walk of OLD (and NEW), no records
//   --kind N           run kind of compare mode (default 2)
//   --diff DIR         DIFF folder; needed for run kinds 0 and 1, which
//                      write .diff files there (without it the OLD folder
//                      stands in, where run kind 2 writes nothing)
//   --no-subdirs       only the root's direct subfolders
//   --list             print the relative paths found (walk) or the records
//   --records          print every record with all its fields, one a line
//                      (name, type, presence, both sides, the seven counts),
//                      for comparing two runs
//   --threads N        read folders with N threads (QUARVEX_WALK_THREADS;
//                      default: the cores, at most 8)
//   --reference        with --walk-only: the plain walk of one folder after
//                      the other through FindFirstFileA, which the engine's
//                      walk must match (tests/support/reference_walk.h)
//
// Folders are Linux paths (relative ones taken from the current folder),
// taken in the drive form of the drive map, or Windows-shaped paths of the
// drive map. Prints the number of items, the time taken and the peak memory
// to the standard error stream; --list prints one path per line (UTF-8) on the standard
// output.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include "app/ZEKApp.h"
#include "compare/CompareRun.h"
#include "platform/win.h"
#include "records/Comment.h"
#include "records/EnvLabel.h"
#include "records/FileInfo.h"
#include "support/reference_walk.h"

namespace {

// <chrono> cannot be read with the code page 932 execution character set.
double Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

int Usage() {
  std::fprintf(stderr,
               "usage: qvrun [--walk-only [--reference]] [--kind N] [--diff DIR] [--no-subdirs] [--list | --records] "
               "[--threads N] [--new NEW] OLD\n");
  return 2;
}

// A Windows-shaped path of the drive map ("T:\x", "T:").
bool IsDrivePath(const char* arg) {
  const unsigned char c = static_cast<unsigned char>(arg[0]);
  return ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') && arg[1] == ':';
}

// Linux paths arrive as UTF-8; the engine takes code page 932. A relative
// folder is made absolute here: the engine joins names to it with
// backslashes, and only an absolute Linux path turns back into one the
// diff program can open.
CString FromArg(const char* arg) {
  std::string full = arg;
  if (arg[0] != '/' && !IsDrivePath(arg)) {
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) == nullptr) {
      std::fprintf(stderr, "qvrun: the current folder cannot be read\n");
      std::exit(2);
    }
    full = cwd;
    if (full.back() != '/') full += '/';
    full += arg;
  }
  std::string cp;
  if (!qv::Utf8ToCp932(full, cp)) {
    std::fprintf(stderr, "qvrun: %s cannot be written in code page 932\n", arg);
    std::exit(2);
  }
  // In the drive form the program keeps, as the window takes folders.
  return CString(qv::ToProgramPath(cp).c_str());
}

void PrintPath(const CString& path) { std::printf("%s\n", qv::Cp932ToUtf8Lossy(path.GetString()).c_str()); }

void PrintSide(const CZEKFileInfo& f) {
  std::printf("\t%d %ld %ld %ld %lu %lu %s", f.m_nExists, static_cast<long>(f.m_tCreate),
              static_cast<long>(f.m_tAccess), static_cast<long>(f.m_tModify), static_cast<unsigned long>(f.m_dwSize),
              static_cast<unsigned long>(f.m_dwLines), qv::Cp932ToUtf8Lossy(f.m_strVersion.GetString()).c_str());
}

// Everything a record holds that a document stores (the .diff time, which
// is not stored, only as whether it was set).
void PrintRecord(const CZEKMergeFileInfo& r) {
  std::printf("%s\t%d %d", qv::Cp932ToUtf8Lossy(r.m_Old.m_strName.GetString()).c_str(), r.m_nType, r.m_nExist);
  PrintSide(r.m_New);
  PrintSide(r.m_Old);
  std::printf("\t%d %d %d %d %d %d %d %d\n", r.m_nDelLines, r.m_nAddLines, r.m_nChgLines, r.m_nRangeAdd,
              r.m_nRangeDel, r.m_nRangeChgRight, r.m_nRangeChgLeft, r.m_tDiffFile != 0 ? 1 : 0);
}

}  // namespace

int main(int argc, char** argv) {
  // As the program's start-up: a write past the file-size limit fails
  // (and is reported) instead of ending the run with SIGXFSZ.
  qv::PrepareProcess();
  std::setlocale(LC_ALL, "C");
  bool walkOnly = false, list = false, records = false, reference = false;
  int kind = DIFF_RUN_LINE_COUNT;
  CString newPath, oldPath, diffPath;
  theApp.m_bSubdirSearch = TRUE;
  theApp.m_bDirExistDiff = FALSE;
  theApp.m_bKeepComment = TRUE;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--walk-only") == 0) {
      walkOnly = true;
    } else if (std::strcmp(a, "--list") == 0) {
      list = true;
    } else if (std::strcmp(a, "--records") == 0) {
      records = true;
    } else if (std::strcmp(a, "--reference") == 0) {
      reference = true;
    } else if (std::strcmp(a, "--threads") == 0 && i + 1 < argc) {
      setenv("QUARVEX_WALK_THREADS", argv[++i], 1);
    } else if (std::strcmp(a, "--no-subdirs") == 0) {
      theApp.m_bSubdirSearch = FALSE;
    } else if (std::strcmp(a, "--kind") == 0 && i + 1 < argc) {
      kind = std::atoi(argv[++i]);
    } else if (std::strcmp(a, "--diff") == 0 && i + 1 < argc) {
      diffPath = FromArg(argv[++i]);
    } else if (std::strcmp(a, "--new") == 0 && i + 1 < argc) {
      newPath = FromArg(argv[++i]);
    } else if (a[0] == '-' || !oldPath.IsEmpty()) {
      return Usage();
    } else {
      oldPath = FromArg(a);
    }
  }
  if (oldPath.IsEmpty()) return Usage();
  const int mode = newPath.IsEmpty() ? RUN_MODE_LIST : RUN_MODE_COMPARE;
  if (diffPath.IsEmpty()) {
    // Run kinds 0 and 1 write .diff files into the DIFF folder: never into
    // the OLD tree unasked.
    if (mode == RUN_MODE_COMPARE && !walkOnly && (kind == DIFF_RUN_REGENERATE || kind == DIFF_RUN_OUTDATED)) {
      std::fprintf(stderr, "qvrun: run kind %d needs --diff DIR\n", kind);
      return 2;
    }
    diffPath = oldPath;
  }
  theApp.m_nDiffExec = kind;
  theApp.m_strCmdDiff = "/usr/bin/diff";

  const double start = Now();
  long long items = 0;
  if (walkOnly && reference) {
    std::vector<std::string> found;
    if (mode == RUN_MODE_COMPARE) found = qvtest::ReferenceWalk(newPath.GetString(), theApp.m_bSubdirSearch).dvds;
    CStringList newList, oldList;
    for (const std::string& p : found) newList.AddTail(p.c_str());
    for (const std::string& p : qvtest::ReferenceWalk(oldPath.GetString(), theApp.m_bSubdirSearch).dvds)
      oldList.AddTail(p.c_str());
    UnitePathLists(newList, oldList);
    items = newList.GetCount();
    if (list) {
      for (POSITION pos = newList.GetHeadPosition(); pos != nullptr;) PrintPath(newList.GetNext(pos));
    }
  } else if (walkOnly) {
    CStringList queue, newList, oldList;
    if (mode == RUN_MODE_COMPARE) WalkDvdFolders(theApp.m_bSubdirSearch, 0, newPath, queue, newList, oldPath);
    WalkDvdFolders(theApp.m_bSubdirSearch, 0, oldPath, queue, oldList, newPath);
    UnitePathLists(newList, oldList);
    items = newList.GetCount();
    if (list) {
      for (POSITION pos = newList.GetHeadPosition(); pos != nullptr;) PrintPath(newList.GetNext(pos));
    }
  } else {
    CComment_Obj comments;
    SetCurrentCommentTable(&comments);
    CZEKEnv_Label entry;
    entry.m_strNewPath = newPath;
    entry.m_strOldPath = oldPath;
    entry.m_strDiffPath = diffPath;
    entry.m_nMode = mode;
    RunCompare(mode, theApp.m_bKeepComment, kind, &entry, nullptr);
    items = entry.m_nRecordCount;
    if ((list || records) && entry.m_pRecordList) {
      for (POSITION pos = entry.m_pRecordList->GetHeadPosition(); pos != nullptr;) {
        auto* r = static_cast<CZEKMergeFileInfo*>(entry.m_pRecordList->GetNext(pos));
        if (records) {
          PrintRecord(*r);
        } else {
          PrintPath(r->m_Old.m_strName);
        }
      }
    }
    entry.FreeRecords();
    SetCurrentCommentTable(nullptr);
  }
  const double seconds = Now() - start;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::fprintf(stderr, "qvrun: %lld items in %.3f s, peak memory %.1f MB\n", items, seconds,
               static_cast<double>(usage.ru_maxrss) / 1024.0);
  return 0;
}
