// Filling a list box of the display-filter window with 10,000 names, as a
// profile or catalogue with that many gives them: the sorted check list of
// extensions (each name added, its data and tick set) and the plain list of
// excluded folders, with the layout and paint of the shown window that
// follow. Qt's offscreen platform unless a display is asked for
// (QT_QPA_PLATFORM).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>

#include "platform/ui/afxwin.h"
#include "res/resource.h"
#include "res/tables.h"

namespace {

constexpr int kNames = 10000;

// The window with its list boxes, shown.
struct FilterWindow {
  CDialog dlg{IDD_FILETYPE_SELECT_CHK};
  CCheckListBox ticks;
  CListBox folders;
  bool made = false;

  FilterWindow() {
    made = dlg.Create(IDD_FILETYPE_SELECT_CHK, nullptr) && ticks.SubclassDlgItem(IDC_FT_EXT, &dlg) &&
           folders.SubclassDlgItem(IDC_FT_EXCLUDED_DIRS, &dlg);
    if (made) dlg.ShowWindow(SW_SHOW);
    qv::PumpMessages();
  }
  ~FilterWindow() {
    if (made) dlg.DestroyWindow();
  }
};

// A name of the i-th of n, in no order.
void NameOf(int i, int n, char (&name)[32]) { snprintf(name, sizeof name, "ext%05d", (i * 7919) % n); }

void BM_FillSortedCheckList(benchmark::State& state) {
  FilterWindow w;
  if (!w.made) {
    state.SkipWithError("the window was not made");
    return;
  }
  char name[32];
  for (auto _ : state) {
    w.ticks.ResetContent();
    for (int i = 0; i < kNames; ++i) {
      NameOf(i, kNames, name);
      const int at = w.ticks.AddString(name);
      w.ticks.SetItemData(at, 1);
      w.ticks.SetCheck(at, BST_CHECKED);
    }
    qv::PumpMessages();
  }
  state.counters["rows"] = w.ticks.GetCount();
}
BENCHMARK(BM_FillSortedCheckList)->Unit(benchmark::kMillisecond);

void BM_FillPlainList(benchmark::State& state) {
  FilterWindow w;
  if (!w.made) {
    state.SkipWithError("the window was not made");
    return;
  }
  char name[32];
  for (auto _ : state) {
    w.folders.ResetContent();
    for (int i = 0; i < kNames; ++i) {
      NameOf(i, kNames, name);
      w.folders.AddString(name);
    }
    qv::PumpMessages();
  }
  state.counters["rows"] = w.folders.GetCount();
}
BENCHMARK(BM_FillPlainList)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  qv::res::Install(qv::res::ProgramResources());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
