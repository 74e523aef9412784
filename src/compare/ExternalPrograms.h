// Starting the external programs: the comparison programs, the diff program,
// the text editor, the CSV viewer, Explorer, the sibling tool and the SendTo
// programs. The program reads nothing back from them except the diff
// program's standard output, which LaunchToFile captures into a file.
#pragma once

#include <vector>

#include "platform/win.h"

// How long LaunchToFile waits for the diff program, in milliseconds. A diff
// program still running then has not written its whole output.
constexpr DWORD kDiffWaitMs = 5000;

// Results of LaunchToFile.
enum LaunchToFileResult {
  kLaunchNotStarted = 0,  // the program could not be started (message shown,
                          // naming it)
  kLaunchDone = 1,        // started and ended within kDiffWaitMs
  kLaunchTimedOut = 2,    // started, still running after kDiffWaitMs: its
                          // output file is incomplete
  kLaunchTrouble = 3,     // ended with an exit status above 1 (GNU diff's
                          // "trouble", a missing file for instance) or by a
                          // signal: its output is no whole answer
  kLaunchNoOutput = 4,    // not started: the output file could not be made
                          // (nothing shown; the caller names the file)
  kLaunchTooLong = 5,     // not started: the command line is too long
                          // (message shown unless quiet)
};

// Starts the command line as a new process and does not wait for it. Shows
// nothing; TRUE when the process was created.
BOOL LaunchDetached(LPCSTR commandLine);

// Starts the diff program `program` with `commandLine`, its standard output
// going into a new file `outputPath`, and waits at most kDiffWaitMs. `quiet`
// silences only the message about an over-long command line. Returns a
// LaunchToFileResult; each failure to start is told at most once.
int LaunchToFile(int quiet, LPCSTR program, LPCSTR commandLine, LPCSTR outputPath);

// Starts the diff program `program` with `commandLine`, its standard output
// going into the open file `out` (which stays open), and waits at most
// kDiffWaitMs: kLaunchDone, kLaunchTimedOut, kLaunchTrouble, or
// kLaunchNotStarted after the message naming the program (through
// TellDiffMessage). `exitStatus` receives the program's exit status when it
// ended within the wait. With `endWhenLate` a program still running after
// the wait is ended (a run whose output nobody will take).
int RunDiffProgram(LPCSTR program, LPCSTR commandLine, HANDLE out, DWORD& exitStatus, bool endWhenLate = false);

// Runs of the diff program made ahead of their turn. The run's diff step
// starts the programs of later pairs on other threads while it does the
// pairs one after another; LaunchToFile, once it has made its output file
// and checked the command line, asks the source set on its thread for a run
// of the same program with the same command line before it starts one.
class DiffRunSource {
 public:
  virtual ~DiffRunSource() = default;
  // When it holds a run of `program` with exactly `commandLine` that ended
  // within the wait with an answer: writes that run's output into `out` and
  // gives RunDiffProgram's result (kLaunchTrouble when the output cannot be
  // written) and exit status; true. False when it holds no such run: the
  // caller starts the program itself.
  virtual bool Deliver(LPCSTR program, LPCSTR commandLine, HANDLE out, int& result, DWORD& exitStatus) = 0;
};

// Sets the source LaunchToFile asks on the calling thread, until destroyed.
class DiffRunSourceScope {
 public:
  explicit DiffRunSourceScope(DiffRunSource* source);
  ~DiffRunSourceScope();
  DiffRunSourceScope(const DiffRunSourceScope&) = delete;
  DiffRunSourceScope& operator=(const DiffRunSourceScope&) = delete;

 private:
  DiffRunSource* previous_;
};

// The exit status of the program LaunchToFile last waited for on this
// thread, when it ended within the wait (a diff program: 0 no differences,
// 1 differences); STILL_ACTIVE when the last one was not started or did not
// end in time.
DWORD LastLaunchExitStatus();

// The messages of LaunchToFile and MakeDiffFile. Message boxes belong to
// the window thread: a thread that starts diff programs for the run keeps
// them, in the order they arise, with a DiffMessageCollector, and the run
// shows them afterwards in the order of its pairs. Without a collector on
// the calling thread they are shown at once.
struct DiffMessage {
  CString text;
  UINT type;
};

class DiffMessageCollector {
 public:
  // Collects this thread's messages into `into` until destroyed.
  explicit DiffMessageCollector(std::vector<DiffMessage>& into);
  ~DiffMessageCollector();
  DiffMessageCollector(const DiffMessageCollector&) = delete;
  DiffMessageCollector& operator=(const DiffMessageCollector&) = delete;

 private:
  std::vector<DiffMessage>* previous_;
};

// Shows a message of the diff step, or keeps it for a collector.
void TellDiffMessage(LPCSTR text, UINT type);

// Starts the command line with the default show state. 0 after the message
// for a program or folder that is not found or a file that is not a program;
// 1 otherwise.
int ExecCommand(LPCSTR commandLine);

// ExecCommand without its message: FALSE for the same failures, for a
// caller that names what failed in its own words.
BOOL ExecCommandQuietly(LPCSTR commandLine);

// Starts the text editor `editor` on the file `path` (in double quotes). 1
// started; 0 after one message naming the editor and the file: the editor
// is no setting a person can change, so the message tells where the file
// is instead.
int OpenInTextEditor(LPCSTR editor, LPCSTR path);
