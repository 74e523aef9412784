#include "compare/DiffRunsAhead.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "compare/DiffFile.h"

namespace {

// Longest command line LaunchToFile starts; a longer one is refused before
// any run is asked for.
constexpr size_t kLongestCommand = 1023;
constexpr size_t kPathBuf = 1024;

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
    int result = kLaunchNotStarted;
    DWORD exitStatus = STILL_ACTIVE;
    std::vector<DiffMessage> messages;
  };

  CString program, newDir, oldDir, diffDir;
  int force = 0;
  std::string diffResolved;
  std::vector<Pair> pairs;
  std::vector<Run> runs;

  std::mutex mutex;
  std::condition_variable changed;
  size_t next = 0;   // the next pair a thread looks at
  size_t turn = 0;   // the pair the step is finishing
  size_t ahead = 8;  // pairs begun at most beyond the turn
  bool stop = false;
  size_t idle = 0;         // threads waiting for the turn to move on
  bool stepWaits = false;  // the step's thread waits for its turn's run
  std::vector<std::thread> threads;

  static void Drop(Run& run) {
    if (run.output != INVALID_HANDLE_VALUE) CloseHandle(run.output);
    run.output = INVALID_HANDLE_VALUE;
    run.made = false;
    run.messages.clear();
  }

  // Whether the copy `dir`\`name` lies outside the DIFF folder (links
  // followed); false when that cannot be told.
  bool CopyApart(const CString& dir, const CString& name) const {
    CString path;
    std::string resolved;
    return FormPath(dir, name, "", path) && qv::ResolvedPath(path, resolved) &&
           !qv::ResolvedWithin(resolved, diffResolved);
  }

  // Makes pair i's run into `run`, unless it is not worth making or cannot
  // be made ahead. Touches nothing the step reads or writes.
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
    run.output = qv::CreateUnnamedFile(diffDir);
    if (run.output == INVALID_HANDLE_VALUE) return;
    DiffMessageCollector collect(run.messages);
    run.result = RunDiffProgram(program, run.command, run.output, run.exitStatus);
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
};

DiffRunsAhead::DiffRunsAhead(const CString& program, const CString& newDir, const CString& oldDir,
                             const CString& diffDir, int force, std::vector<Pair> pairs, unsigned threads)
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
  if (!qv::ResolvedPath(diffDir, s.diffResolved)) return;  // nothing is run ahead
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
  for (Shared::Run& run : s.runs) Shared::Drop(run);
}

bool DiffRunsAhead::CanRunAhead(const CString& program, const CString& newDir, const CString& oldDir,
                                const CString& diffDir) {
  std::string diff, tree, path;
  if (!qv::ResolvedPath(diffDir, diff)) return false;
  for (const CString* root : {&newDir, &oldDir}) {
    if (!qv::ResolvedPath(*root, tree) || qv::ResolvedWithin(tree, diff) || qv::ResolvedWithin(diff, tree)) {
      return false;
    }
  }
  // A program the step could write over (it makes files in the DIFF folder).
  return !(qv::ResolvedPath(program, path) && qv::ResolvedWithin(path, diff));
}

void DiffRunsAhead::Turn(size_t index) {
  Shared& s = *shared_;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    for (size_t i = s.turn; i < index && i < s.runs.size(); ++i) {
      if (s.runs[i].state == Shared::State::done) Shared::Drop(s.runs[i]);
    }
    s.turn = index;
    if (s.idle == 0) return;
  }
  s.changed.notify_all();
}

bool DiffRunsAhead::Deliver(LPCSTR program, LPCSTR commandLine, HANDLE out, int& result, DWORD& exitStatus) {
  Shared& s = *shared_;
  std::unique_lock<std::mutex> lock(s.mutex);
  if (s.turn >= s.runs.size()) return false;
  Shared::Run& run = s.runs[s.turn];
  if (run.state == Shared::State::waiting) {
    // No thread has begun it: the step runs it itself, now.
    run.state = Shared::State::stepTook;
    return false;
  }
  s.stepWaits = true;
  s.changed.wait(lock, [&] { return run.state != Shared::State::running; });
  s.stepWaits = false;
  if (!run.made || std::strcmp(program ? program : "", s.program) != 0 ||
      std::strcmp(commandLine ? commandLine : "", run.command) != 0) {
    return false;
  }
  const HANDLE output = run.output;
  std::vector<DiffMessage> messages = std::move(run.messages);
  result = run.result;
  exitStatus = run.exitStatus;
  run.output = INVALID_HANDLE_VALUE;
  run.made = false;
  run.messages.clear();
  lock.unlock();

  for (const DiffMessage& m : messages) TellDiffMessage(m.text, m.type);
  // The output the program wrote goes where it would have written it; a
  // copy that fails (a full disk) is what a program that could not write
  // its output gives: trouble.
  if (result == kLaunchDone && !qv::CopyFileContent(output, out)) result = kLaunchTrouble;
  CloseHandle(output);
  return true;
}
