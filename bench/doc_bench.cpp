// Saving and loading a document of 100,000 merge records, and the heap a
// loaded record takes.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/ZEKApp.h"
#include "records/Comment.h"
#include "records/EnvLabel.h"
#include "records/FileInfo.h"
#include "records/ZEKDoc.h"

namespace {

constexpr int kRecords = 100000;

// A run's worth of records in list mode: every item has its OLD side, every
// other one a NEW side too, and each its comment element.
void Fill(CZEKDoc& doc, int n) {
  CZEKEnv_Label& e = *doc.m_pCurrentEntry;
  e.FreeRecords();
  e.m_strOldPath = "D:\\Video";
  e.m_pRecordList = new CObList;
  e.m_pTotals = new CZEKMergeSRCInfo;
  for (int i = 0; i < n; ++i) {
    auto* r = new CZEKMergeFileInfo;
    r->m_Old.m_nExists = 1;
    r->m_Old.m_strName.Format("映画\\%04d\\Title %06d", i / 1000, i);
    r->m_Old.m_tCreate = 1700000000 + i;
    r->m_Old.m_tAccess = 1700000000 + i;
    r->m_Old.m_tModify = 1700000000 + i;
    r->m_Old.m_dwSize = 4096;
    r->m_New.m_strName = r->m_Old.m_strName;
    if (i % 2) {
      r->m_New.m_nExists = 1;
      r->m_New.m_dwLines = 120;
      r->m_New.m_strVersion = "1.0.0.1";
    }
    r->m_nType = 1;
    r->m_nExist = (i % 2) ? 3 : 2;
    // Every key is new: the element is appended, as the run does.
    doc.m_Comment.AddNew();
    r->m_nCommentIndex = doc.m_Comment.GetCount() - 1;
    doc.m_Comment.GetAt(r->m_nCommentIndex)->SetKey(r->m_Old.m_strName);
    e.m_pRecordList->AddTail(r);
  }
  e.m_nRecordCount = n;
  e.m_nState = 1;
}

// A folder of its own for the files, removed at exit.
struct Folder {
  std::string path;
  Folder() {
    char tmpl[] = "/tmp/qvbench-XXXXXX";
    if (mkdtemp(tmpl)) path = tmpl;
  }
  ~Folder() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
  }
  std::string File(const char* name) const { return path + "/" + name; }
};

Folder& Dir() {
  static Folder folder;
  return folder;
}

// The document of kRecords records, saved once as "saved.qvx".
std::unique_ptr<CZEKDoc> g_saved;

CZEKDoc& SavedDoc() {
  if (!g_saved) {
    g_saved = std::make_unique<CZEKDoc>();
    Fill(*g_saved, kRecords);
    g_saved->OnSaveDocument(Dir().File("saved.qvx").c_str());
  }
  return *g_saved;
}

size_t HeapInUse() { return mallinfo2().uordblks; }

void BM_SaveDocument(benchmark::State& state) {
  CZEKDoc& doc = SavedDoc();
  const std::string path = Dir().File("save.qvx");
  for (auto _ : state) {
    if (!doc.OnSaveDocument(path.c_str())) state.SkipWithError("save failed");
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
}
BENCHMARK(BM_SaveDocument)->Unit(benchmark::kMillisecond);

void BM_LoadDocument(benchmark::State& state) {
  SavedDoc();
  const std::string path = Dir().File("saved.qvx");
  CZEKDoc doc;
  double perRecord = 0;
  for (auto _ : state) {
    state.PauseTiming();
    doc.OnNewDocument();
    const size_t before = HeapInUse();
    state.ResumeTiming();
    if (!doc.OnOpenDocument(path.c_str())) state.SkipWithError("load failed");
    state.PauseTiming();
    perRecord = static_cast<double>(HeapInUse() - before) / kRecords;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
  // Heap the loaded document holds per merge record, its comment element
  // included.
  state.counters["heap_bytes_per_record"] = perRecord;
}
BENCHMARK(BM_LoadDocument)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  g_saved.reset();
  return 0;
}
