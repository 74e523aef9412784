// The file list with 100,000 records: filling it (list mode, and compare
// mode in the state view), sorting it by each key, scrolling through it,
// and the CSV export of the shown records. The whole program runs in this
// process on a program folder of its own, with Qt's offscreen
// platform unless a display is asked for (QT_QPA_PLATFORM).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/ZEKApp.h"
#include "compare/CompareRun.h"
#include "compare/TempCsv.h"
#include "platform/os/system.h"
#include "platform/ui/scripted_prompt.h"
#include "records/FileInfo.h"
#include "records/ZEKDoc.h"
#include "res/resource.h"
#include "res/tables.h"
#include "ui/MainFrm.h"
#include "ui/OperationForm.h"
#include "ui/SourceForm.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRecords = 100000;

fs::path g_work;

CMainFrame* Frame() { return GetMainFrame(); }
CSource_Form* Form() { return Frame() ? Frame()->m_pSourceForm : nullptr; }

// The current entry holds n records of the mode and the file view shows
// them. Compare mode: a third only in NEW, a third only in OLD, a third on
// both sides (their .diff files, looked for in the DIFF folder, are not
// there, as after a run of the line-count kind).
bool ShowRecords(int mode, int n) {
  CZEKDoc* doc = theApp.m_pCurrentDoc;
  CMainFrame* frame = Frame();
  if (doc == nullptr || frame == nullptr) return false;
  frame->ForgetRecords();
  doc->m_Comment.Resize(0);
  CZEKEnv_Label& e = *doc->m_pCurrentEntry;
  e.FreeRecords();
  e.m_nMode = mode;
  e.m_strOldPath = "T:\\old";
  e.m_strNewPath = mode == MODE_LIST ? "" : "T:\\new";
  e.m_strDiffPath = mode == MODE_LIST ? "" : "T:\\diff";
  e.m_pRecordList = new CObList;
  e.m_pTotals = new CZEKMergeSRCInfo;
  for (int i = 0; i < n; ++i) {
    auto* r = new CZEKMergeFileInfo;
    r->m_nType = 1;
    const int k = (i * 7919) % n;  // not in name order
    r->m_New.m_strName.Format("映画\\棚%03d\\Title %06d", k % 997, k);
    r->m_Old.m_strName = r->m_New.m_strName;
    r->m_nExist = mode == MODE_LIST ? 2 : 1 + i % 3;
    if (r->m_nExist & 1) {
      r->m_New.m_nExists = 1;
      r->m_New.m_tModify = 1700000000 + (k * 37) % 100000;
      r->m_New.m_dwSize = 4096 + k;
      r->m_New.m_dwLines = 100 + k % 50;
    }
    if (r->m_nExist & 2) {
      r->m_Old.m_nExists = 1;
      r->m_Old.m_tModify = 1700000000 + (k * 13) % 100000;
      r->m_Old.m_dwSize = 4000 + k;
      r->m_Old.m_dwLines = 90 + k % 40;
    }
    doc->m_Comment.AddNew();
    r->m_nCommentIndex = doc->m_Comment.GetCount() - 1;
    CComment_Data_Obj* c = doc->m_Comment.GetAt(r->m_nCommentIndex);
    c->SetKey(r->m_New.m_strName);
    if (i % 4 == 0) c->m_strComment.Format("コメント %d, 第%d巻", k % 311, k % 7);
    e.m_pRecordList->AddTail(r);
  }
  e.m_nRecordCount = n;
  e.m_nState = 1;
  theApp.m_nAppMode = mode;
  theApp.m_nDispMode = DISP_SAME | DISP_NEW | DISP_DELETED | DISP_DIFFERENT;
  frame->m_nMode = mode;
  frame->m_nListMode = SUBMODE_STATE;
  if (frame->m_pOperationForm) frame->m_pOperationForm->UpdateFromDocument(FALSE);
  doc->ShowCurrentEntry(TRUE);
  qv::PumpMessages();
  return Form() != nullptr && Form()->m_list.GetItemCount() == n;
}

// FillList as the commands call it, and the events it leaves (layout and
// the first paint of the view).
void Fill(benchmark::State& state, int mode) {
  if (!ShowRecords(mode, kRecords)) {
    state.SkipWithError("the file view did not show the records");
    return;
  }
  for (auto _ : state) {
    Form()->FillList(-1, FALSE);
    qv::PumpMessages();
  }
  state.counters["rows"] = Form()->m_list.GetItemCount();
}
void BM_FillListMode(benchmark::State& state) { Fill(state, MODE_LIST); }
void BM_FillCompareModeState(benchmark::State& state) { Fill(state, MODE_COMPARE); }
BENCHMARK(BM_FillListMode)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_FillCompareModeState)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// A header click's sort (the list's own sort on the records), with the
// repaint that follows; the direction alternates, so every sort reorders.
void BM_SortByKey(benchmark::State& state) {
  const int key = static_cast<int>(state.range(0));
  if (!ShowRecords(MODE_COMPARE, kRecords)) {
    state.SkipWithError("the file view did not show the records");
    return;
  }
  g_nSortKey = key;
  for (auto _ : state) {
    g_bSortDescending = !g_bSortDescending;
    Form()->m_list.SortItems(&CSource_Form::CompareItems, 0);
    qv::PumpMessages();
  }
}
BENCHMARK(BM_SortByKey)
    ->ArgName("key")
    ->DenseRange(SORT_NAME, SORT_COMMENT)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

// Scrolling: one page further down each time, with the repaint.
void BM_ScrollPage(benchmark::State& state) {
  if (!ShowRecords(MODE_LIST, kRecords)) {
    state.SkipWithError("the file view did not show the records");
    return;
  }
  CListCtrl& list = Form()->m_list;
  const int page = list.GetCountPerPage();
  int row = 0;
  for (auto _ : state) {
    row = (row + page) % kRecords;
    list.EnsureVisible(row, FALSE);
    qv::PumpMessages();
  }
  state.counters["rows_per_page"] = page;
}
BENCHMARK(BM_ScrollPage)->Unit(benchmark::kMicrosecond);

// The export's file: header, the shown records' rows, close.
void Export(benchmark::State& state, int mode) {
  if (!ShowRecords(mode, kRecords)) {
    state.SkipWithError("the file view did not show the records");
    return;
  }
  CMainFrame* frame = Frame();
  for (auto _ : state) {
    if (!OpenTempCsv()) {
      state.SkipWithError("the temporary file could not be made");
      return;
    }
    WriteTempCsvLine("No.,header\n");
    WriteCsvRows(mode, &frame->m_listShownRecords, frame->m_strDiffPath);
    if (!CloseTempCsv()) state.SkipWithError("the file was not written whole");
  }
  char path[1024];
  std::string osPath;
  std::error_code ec;
  if (GetTempCsvPath(path, sizeof path) && qv::ToOsPath(path, osPath)) {
    state.counters["file_bytes"] = static_cast<double>(fs::file_size(osPath, ec));
  }
}
void BM_CsvExportListMode(benchmark::State& state) { Export(state, MODE_LIST); }
void BM_CsvExportCompareMode(benchmark::State& state) { Export(state, MODE_COMPARE); }
BENCHMARK(BM_CsvExportListMode)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_CsvExportCompareMode)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// A program folder of the bench's own, as a fresh installation has it: the
// binary's name, the shipped settings and an empty SendTo. The build's
// program folder holds whatever a person set there, which would change what
// is measured.
void LayOutProgramFolder(const fs::path& program) {
  fs::create_directories(program / "SendTo");
  fs::copy_file(QUARVEX_DEFAULT_INI, program / "Quarvex.ini");
  // Only its presence counts.
  std::ofstream(program / "Quarvex").put('\0');
  fs::permissions(program / "Quarvex", fs::perms::owner_all);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  g_work = fs::temp_directory_path() / ("qvlistbench-" + std::to_string(getpid()));
  fs::remove_all(g_work);
  fs::create_directories(g_work / "temp");
  fs::create_directories(g_work / "tree" / "diff");
  LayOutProgramFolder(g_work / "program");
  setenv("XDG_CONFIG_HOME", (g_work / "config").c_str(), 1);
  setenv("TEMP", (g_work / "temp").c_str(), 1);
  setenv("QUARVEX_DRIVES", ("C=/;T=" + (g_work / "tree").string()).c_str(), 1);
  qv::SetModuleFileForTests((g_work / "program" / "Quarvex").string());
  qv::res::Install(qv::res::ProgramResources());
  qv::ScriptedPeople people;
  qv::SetPeople(&people);

  int status = 0;
  if (!theApp.InitInstance()) {
    fprintf(stderr, "list_bench: the program did not start\n");
    status = 1;
  } else {
    qv::PumpMessages();
    benchmark::RunSpecifiedBenchmarks();
  }
  if (CWnd* main = AfxGetMainWnd()) main->DestroyWindow();
  theApp.ExitInstance();
  qv::SetPeople(nullptr);
  benchmark::Shutdown();
  fs::remove_all(g_work);
  return status;
}
