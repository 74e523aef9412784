// The diff programs of a run's pairs, started ahead of their turn on other
// cores while the run's diff step does the pairs one after another.
//
// The step itself does every pair exactly as it does with nothing run
// ahead: output folders, N.diff.h, the up-to-date test, N.diff.txt, N.diff,
// the evaluation, every message, in list order. Only the diff program's run
// may have been made earlier: when LaunchToFile of the pair whose turn it is
// asks for a run (DiffRunSource), a run made ahead is handed over if it is
// the run of the same program with the same command line and it ended
// within the wait with an answer (no differences, or differences); its
// output is written into N.diff.txt as the program would have written it.
// In every other case the step starts the program itself, then and there.
//
// A run made ahead must be the run the step would make in its turn. So runs
// are made ahead only where nothing the step does before that turn can
// change what the program reads or how it runs:
// - the program is the system's GNU diff (known by its file, not its name),
//   which reads nothing but its two operands, keeps no state and writes
//   nothing but its standard output; it lies outside the DIFF folder;
// - the DIFF folder lies outside both trees and neither tree inside it;
// - no path the step makes, writes or removes (N.diff.h, N.diff.txt,
//   N.diff and their folders, in any case) is a link when the step begins,
//   so every write of the step stays in the DIFF folder;
// - for each pair run ahead, its two copies (and, for a folder, the files
//   directly in it, which is all GNU diff reads of a folder) hold no link,
//   FIFO, device or socket, lie outside the DIFF folder, and are none of the
//   files and folders the step can write (by identity: no hard link, no
//   bind mount of them).
// Outputs made ahead are kept in memory, never on the DIFF folder's disk, so
// a disk that fills up fills up as it does one pair after another; what is
// held is bounded by a share of the available memory, and a run whose
// output does not fit its share is left to the step.
#pragma once

#include <memory>
#include <vector>

#include "compare/ExternalPrograms.h"
#include "platform/win.h"

class DiffRunsAhead : public DiffRunSource {
 public:
  struct Pair {
    CString name;  // the relative name N
    // The record's modification times of the copies when the step began
    // (what the up-to-date test falls back on).
    LONG newTime = 0;
    LONG oldTime = 0;
  };

  // Runs the programs for `pairs` (in list order) ahead on `threads`
  // threads, the command lines as MakeDiffFile forms them without the strip
  // setting, where that can change no result (see above; where it could,
  // nothing is run ahead and every pair is left to the step). `force` as
  // for MakeDiffFile: without it a pair whose .diff looks up to date is not
  // run ahead. `memory` bounds what outputs made ahead hold at once (0: a
  // share of the memory the system can give).
  DiffRunsAhead(const CString& program, const CString& newDir, const CString& oldDir, const CString& diffDir,
                int force, std::vector<Pair> pairs, unsigned threads, uint64_t memory = 0);
  // Stops: ends the programs under way and drops every output not handed
  // over.
  ~DiffRunsAhead() override;
  DiffRunsAhead(const DiffRunsAhead&) = delete;
  DiffRunsAhead& operator=(const DiffRunsAhead&) = delete;

  // Whether the program and the folders allow runs ahead at all: the first
  // two conditions above.
  static bool CanRunAhead(const CString& program, const CString& newDir, const CString& oldDir,
                          const CString& diffDir);

  // Whether runs are being made ahead (false when a condition failed).
  bool Running() const;
  // The most that outputs made ahead have held at once, in bytes.
  uint64_t MostHeld() const;

  // It is pair `index`'s turn: Deliver hands over that pair's run only.
  void Turn(size_t index);

  bool Deliver(LPCSTR program, LPCSTR commandLine, HANDLE out, int& result, DWORD& exitStatus) override;

 private:
  // CanRunAhead, giving the resolved DIFF folder and the program's file.
  static bool Allowed(const CString& program, const CString& newDir, const CString& oldDir, const CString& diffDir,
                      std::string& diffResolved, qv::ProgramFile& file);

  struct Shared;
  std::unique_ptr<Shared> shared_;
};
