// Saving and loading documents of 100,000 and 1,000,000 merge records, the
// heap a loaded record takes, and how much the heap grows at most while a
// document is saved (beyond what the document holds).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <new>
#include <string>

#include "app/ZEKApp.h"
#include "records/Comment.h"
#include "records/EnvLabel.h"
#include "records/FileInfo.h"
#include "records/ZEKDoc.h"

// The bytes held through operator new (the containers, the archive's
// buffers) and their high-water mark since the last reset.
std::atomic<size_t> g_heldBytes{0};
std::atomic<size_t> g_peakBytes{0};

void NoteHeld(size_t n) {
  const size_t now = g_heldBytes.fetch_add(n) + n;
  size_t peak = g_peakBytes.load();
  while (now > peak && !g_peakBytes.compare_exchange_weak(peak, now)) {
  }
}

void* operator new(size_t n) {
  void* p = malloc(n == 0 ? 1 : n);
  if (p == nullptr) throw std::bad_alloc();
  NoteHeld(malloc_usable_size(p));
  return p;
}
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  g_heldBytes.fetch_sub(malloc_usable_size(p));
  free(p);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }

namespace {

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

// The documents by record count, each saved once as "saved-N.qvx".
std::map<int, std::unique_ptr<CZEKDoc>> g_saved;

std::string SavedPath(int n) { return Dir().File(("saved-" + std::to_string(n) + ".qvx").c_str()); }

CZEKDoc& SavedDoc(int n) {
  std::unique_ptr<CZEKDoc>& doc = g_saved[n];
  if (!doc) {
    doc = std::make_unique<CZEKDoc>();
    Fill(*doc, n);
    doc->OnSaveDocument(SavedPath(n).c_str());
  }
  return *doc;
}

size_t HeapInUse() { return mallinfo2().uordblks; }

void BM_SaveDocument(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  CZEKDoc& doc = SavedDoc(n);
  const std::string path = Dir().File("save.qvx");
  size_t growth = 0;
  for (auto _ : state) {
    const size_t before = g_heldBytes.load();
    g_peakBytes.store(before);
    if (!doc.OnSaveDocument(path.c_str())) state.SkipWithError("save failed");
    growth = std::max(growth, g_peakBytes.load() - before);
  }
  state.SetItemsProcessed(state.iterations() * n);
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
  // How far the heap rose above what it held before the save, at most.
  state.counters["save_peak_heap_growth_bytes"] = static_cast<double>(growth);
}
BENCHMARK(BM_SaveDocument)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_LoadDocument(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  SavedDoc(n);
  const std::string path = SavedPath(n);
  CZEKDoc doc;
  double perRecord = 0;
  for (auto _ : state) {
    state.PauseTiming();
    doc.OnNewDocument();
    const size_t before = HeapInUse();
    state.ResumeTiming();
    if (!doc.OnOpenDocument(path.c_str())) state.SkipWithError("load failed");
    state.PauseTiming();
    perRecord = static_cast<double>(HeapInUse() - before) / n;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * n);
  // Heap the loaded document holds per merge record, its comment element
  // included.
  state.counters["heap_bytes_per_record"] = perRecord;
}
BENCHMARK(BM_LoadDocument)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  g_saved.clear();
  return 0;
}
