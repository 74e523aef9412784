// The diff programs of a run's pairs, started ahead of their turn on the
// other cores while the run's diff step finishes the pairs one after
// another.
//
// Only the program's run is done ahead, and nothing of it touches the DIFF
// folder: its standard output goes into a file without a name. The step
// itself makes every output folder, N.diff.h, N.diff.txt and N.diff, and
// evaluates and reports each pair, in list order, exactly as it would with
// no runs ahead: when LaunchToFile of the pair whose turn it is asks for a
// run (DiffRunSource), the one made ahead is handed over if it is the run of
// the same program with the same command line; otherwise the step starts
// the program itself, then and there. A run made ahead for a pair that does
// not need one (its .diff up to date, the step ended before it) is
// dropped.
//
// A run can be made ahead only where what the program reads cannot depend
// on what the step writes: the DIFF folder must lie outside both trees,
// neither tree inside it, the program not inside it, and each pair's copies
// not inside it (a link may lead there). Where that does not hold, the pair
// is left to the step.
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

  // Runs the programs for `pairs` (in list order) on `threads` threads, the
  // command lines as MakeDiffFile forms them without the strip setting.
  // `force` as for MakeDiffFile: without it a pair whose .diff looks up to
  // date is not run ahead.
  DiffRunsAhead(const CString& program, const CString& newDir, const CString& oldDir, const CString& diffDir,
                int force, std::vector<Pair> pairs, unsigned threads);
  // Stops: waits for the programs under way (each at most the diff wait) and
  // drops every output not handed over.
  ~DiffRunsAhead() override;
  DiffRunsAhead(const DiffRunsAhead&) = delete;
  DiffRunsAhead& operator=(const DiffRunsAhead&) = delete;

  // Whether runs can be made ahead at all for these folders and program.
  static bool CanRunAhead(const CString& program, const CString& newDir, const CString& oldDir,
                          const CString& diffDir);

  // It is pair `index`'s turn: Deliver hands over that pair's run only.
  void Turn(size_t index);

  bool Deliver(LPCSTR program, LPCSTR commandLine, HANDLE out, int& result, DWORD& exitStatus) override;

 private:
  struct Shared;
  std::unique_ptr<Shared> shared_;
};
