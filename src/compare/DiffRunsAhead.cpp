#include "compare/DiffRunsAhead.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>

#include "compare/DiffFile.h"

namespace {

// Longest command line LaunchToFile starts; a longer one is refused before
// any run is asked for.
constexpr size_t kLongestCommand = 1023;
constexpr size_t kPathBuf = 1024;

// What outputs made ahead may hold at once: a share of the memory the
// system can still give, at most this much.
constexpr uint64_t kMostHeld = uint64_t{1} << 30;
// The share of one run; a larger output is left to the step.
constexpr uint64_t kMostPerRun = uint64_t{64} << 20;
constexpr uint64_t kLeastPerRun = uint64_t{64} << 10;

// folder + "\" + name + suffix, when it fits the 1024-byte path buffers of
// the diff step.
bool FormPath(const char* folder, const char* name, const char* suffix, CString& out) {
  const size_t a = std::strlen(folder), b = std::strlen(name), c = std::strlen(suffix);
  if (a + 1 + b + c >= kPathBuf) return false;
  out = folder;
  out += '\\';
  out += name;
  out += suffix;
  return true;
}

}  // namespace

struct DiffRunsAhead::Shared {
  enum class State : unsigned char { waiting, running, done, stepTook };

  struct Run {
    State state = State::waiting;
    bool made = false;  // a run was made and not handed over
    CString command;
    HANDLE output = INVALID_HANDLE_VALUE;
    uint64_t length = 0;  // bytes it wrote, held of the budget until dropped
    DWORD exitStatus = STILL_ACTIVE;
  };

  CString program, newDir, oldDir, diffDir;
  int force = 0;
  std::string diffResolved;
  // Every file and folder the step can write, make entries in or remove:
  // a pair whose copies are one of them is left to the step.
  std::set<qv::FileIdentity> stepFiles, stepFolders;
  std::vector<Pair> pairs;
  std::vector<Run> runs;

  std::mutex mutex;
  std::condition_variable changed;
  size_t next = 0;   // the next pair a thread looks at
  size_t turn = 0;   // the pair the step is doing
  size_t ahead = 8;  // pairs begun at most beyond the turn
  bool stop = false;
  size_t idle = 0;         // threads waiting for the turn to move on
  bool stepWaits = false;  // the step's thread waits for its turn's run
  uint64_t budget = 0, perRun = 0, held = 0, mostHeld = 0;
  std::vector<std::thread> threads;

  // Under the lock.
  void Drop(Run& run) {
    if (run.output != INVALID_HANDLE_VALUE) CloseHandle(run.output);
    run.output = INVALID_HANDLE_VALUE;
    run.made = false;
    held -= run.length;
    run.length = 0;
  }

  // Whether nothing the step does can change what GNU diff reads of the
  // copy `dir`\`name`.
  bool CopyApart(const CString& dir, const CString& name) const {
    CString path;
    qv::FirstLevel level;
    if (!FormPath(dir, name, "", path) || !qv::ReadFirstLevel(path, level) ||
        qv::ResolvedWithin(level.resolved, diffResolved) || stepFolders.count(level.self) ||
        stepFiles.count(level.self)) {
      return false;
    }
    for (const qv::FileIdentity& f : level.files) {
      if (stepFiles.count(f)) return false;
    }
    return true;
  }

  // Takes `bytes` of the budget; false when they are not there.
  bool Reserve(uint64_t bytes) {
    std::lock_guard<std::mutex> lock(mutex);
    if (held + bytes > budget) return false;
    held += bytes;
    mostHeld = std::max(mostHeld, held);
    return true;
  }
  void Release(uint64_t bytes) {
    std::lock_guard<std::mutex> lock(mutex);
    held -= bytes;
  }

  // Makes pair i's run into `run`, unless it is not worth making or could
  // differ from the step's own. Touches nothing the step reads or writes.
  void Make(size_t i, Run& run) {
    const Pair& pair = pairs[i];
    run.command = DiffCommandLine(program, oldDir, pair.name, newDir, pair.name);
    if (static_cast<size_t>(run.command.GetLength()) > kLongestCommand) return;
    if (!force) {
      // The step will most likely find this .diff up to date and not run
      // the program (if not, it runs it itself).
      LONG newTime = pair.newTime, oldTime = pair.oldTime, diffTime = 0;
      if (DiffFileUpToDate(newDir, oldDir, diffDir, pair.name, newTime, oldTime, diffTime)) return;
    }
    if (!CopyApart(oldDir, pair.name) || !CopyApart(newDir, pair.name)) return;
    if (!Reserve(perRun)) return;
    run.output = qv::CreateBoundedMemoryFile(perRun);
    if (run.output == INVALID_HANDLE_VALUE) {
      Release(perRun);
      return;
    }
    // A start that fails is told by the step, which starts the program
    // itself then.
    std::vector<DiffMessage> untold;
    DiffMessageCollector collect(untold);
    DWORD exitStatus = STILL_ACTIVE;
    const int result = RunDiffProgram(program, run.command, run.output, exitStatus, true);
    uint64_t length = 0;
    // Only an answer is handed over: a run that ended in trouble (an output
    // beyond its share among them) or did not end within the wait is left
    // to the step, whose run may fare otherwise.
    if (result != kLaunchDone || !qv::GetFilePosition(run.output, length) || length > perRun) {
      CloseHandle(run.output);
      run.output = INVALID_HANDLE_VALUE;
      Release(perRun);
      return;
    }
    Release(perRun - length);
    run.length = length;
    run.exitStatus = exitStatus;
    run.made = true;
  }

  void Work() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      next = std::max(next, turn);
      while (next < runs.size() && runs[next].state != State::waiting) ++next;
      if (stop || next >= runs.size()) return;
      if (next >= turn + ahead) {
        ++idle;
        changed.wait(lock);
        --idle;
        continue;
      }
      const size_t i = next++;
      runs[i].state = State::running;
      lock.unlock();
      Run made;
      Make(i, made);
      lock.lock();
      made.state = State::done;
      runs[i] = std::move(made);
      // A pair whose turn has passed (the step ended) keeps nothing.
      if (i < turn || stop) Drop(runs[i]);
      // Only the step's thread waits for a run, and only for its turn's.
      if (stepWaits && i == turn) changed.notify_all();
    }
  }

  // Finds what the step can write: every entry that its paths, in any
  // case, can reach in the DIFF folder. False when one of them is a link
  // (a write through it could land anywhere) or the folder cannot be read
  // through.
  bool FindStepTargets() {
    qv::FileIdentity root;
    if (!qv::GetPathIdentity(diffDir, root)) return false;
    stepFolders.insert(root);
    std::vector<std::string> rels;
    rels.reserve(pairs.size() * 3);
    for (const Pair& pair : pairs) {
      for (const char* suffix : {".diff.h", ".diff.txt", ".diff"}) {
        rels.emplace_back(std::string(pair.name.GetString()) + suffix);
      }
    }
    std::vector<qv::ReachedEntry> reached;
    if (!qv::FindReachableEntries(diffDir, rels, reached)) return false;
    for (const qv::ReachedEntry& e : reached) {
      if (e.kind == qv::EntryKind::link) return false;
      (e.kind == qv::EntryKind::folder ? stepFolders : stepFiles).insert(e.id);
    }
    return true;
  }
};

DiffRunsAhead::DiffRunsAhead(const CString& program, const CString& newDir, const CString& oldDir,
                             const CString& diffDir, int force, std::vector<Pair> pairs, unsigned threads,
                             uint64_t memory)
    : shared_(std::make_unique<Shared>()) {
  Shared& s = *shared_;
  s.program = program;
  s.newDir = newDir;
  s.oldDir = oldDir;
  s.diffDir = diffDir;
  s.force = force;
  s.pairs = std::move(pairs);
  s.runs.resize(s.pairs.size());
  s.ahead = std::max<size_t>(8, static_cast<size_t>(threads) * 4);
  s.budget = memory != 0 ? memory : std::min(kMostHeld, qv::AvailableMemory() / 8);
  s.perRun = std::min(kMostPerRun, s.budget / s.ahead);
  qv::ProgramFile file;
  if (threads == 0 || s.perRun < kLeastPerRun || !Allowed(program, newDir, oldDir, diffDir, s.diffResolved, file) ||
      !s.FindStepTargets()) {
    return;  // nothing is run ahead
  }
  // The program must not be one of the step's files, nor be looked up in
  // one of its folders.
  if (s.stepFiles.count(file.id) || s.stepFolders.count(file.folderId)) return;
  for (unsigned t = 0; t < threads; ++t) s.threads.emplace_back([&s] { s.Work(); });
}

DiffRunsAhead::~DiffRunsAhead() {
  Shared& s = *shared_;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.stop = true;
  }
  s.changed.notify_all();
  for (std::thread& t : s.threads) t.join();
  for (Shared::Run& run : s.runs) s.Drop(run);
}

bool DiffRunsAhead::CanRunAhead(const CString& program, const CString& newDir, const CString& oldDir,
                                const CString& diffDir) {
  std::string diff;
  qv::ProgramFile file;
  return Allowed(program, newDir, oldDir, diffDir, diff, file);
}

bool DiffRunsAhead::Allowed(const CString& program, const CString& newDir, const CString& oldDir,
                            const CString& diffDir, std::string& diff, qv::ProgramFile& file) {
  std::string tree;
  if (!qv::ResolvedPath(diffDir, diff)) return false;
  for (const CString* root : {&newDir, &oldDir}) {
    if (!qv::ResolvedPath(*root, tree) || qv::ResolvedWithin(tree, diff) || qv::ResolvedWithin(diff, tree)) {
      return false;
    }
  }
  // A program the step could write over, or whose name could come to name
  // another file as the step makes files, is not run ahead; nor is any
  // program but GNU diff, which may read or keep what another pair's turn
  // changes.
  return qv::StartedProgramFile(program, file) && !qv::ResolvedWithin(file.path, diff) &&
         !qv::ResolvedWithin(file.folder, diff) && qv::IsSystemGnuDiff(file.path);
}

bool DiffRunsAhead::Running() const { return !shared_->threads.empty(); }

uint64_t DiffRunsAhead::MostHeld() const {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return shared_->mostHeld;
}

void DiffRunsAhead::Turn(size_t index) {
  Shared& s = *shared_;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    for (size_t i = s.turn; i < index && i < s.runs.size(); ++i) {
      if (s.runs[i].state == Shared::State::done) s.Drop(s.runs[i]);
    }
    s.turn = index;
    if (s.idle == 0) return;
  }
  s.changed.notify_all();
}

bool DiffRunsAhead::Deliver(LPCSTR program, LPCSTR commandLine, HANDLE out, int& result, DWORD& exitStatus) {
  Shared& s = *shared_;
  std::unique_lock<std::mutex> lock(s.mutex);
  if (s.threads.empty() || s.turn >= s.runs.size()) return false;
  Shared::Run& run = s.runs[s.turn];
  if (run.state == Shared::State::waiting) {
    // No thread has begun it: the step runs it itself.
    run.state = Shared::State::stepTook;
  } else {
    s.stepWaits = true;
    s.changed.wait(lock, [&] { return run.state != Shared::State::running; });
    s.stepWaits = false;
  }
  if (!run.made || std::strcmp(program ? program : "", s.program) != 0 ||
      std::strcmp(commandLine ? commandLine : "", run.command) != 0) {
    lock.unlock();
    // The step's own program must find the room on the DIFF folder's disk
    // that the step's own removals left: a program started meanwhile by a
    // thread running ahead may still hold one of the step's files.
    qv::SettleStarts();
    return false;
  }
  const HANDLE output = run.output;
  const uint64_t length = run.length;
  exitStatus = run.exitStatus;
  run.output = INVALID_HANDLE_VALUE;
  run.made = false;
  run.length = 0;
  lock.unlock();

  // The output goes where the program would have written it; a write that
  // fails (a full disk) is what a program that could not write its output
  // gives: trouble.
  result = qv::CopyFileHead(output, length, out) ? kLaunchDone : kLaunchTrouble;
  if (result == kLaunchTrouble) exitStatus = 2;
  CloseHandle(output);
  s.Release(length);
  return true;
}
