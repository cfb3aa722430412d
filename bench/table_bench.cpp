// Costs of paging through a large table: the recordset's moves to the first
// and last record and by a page, a bookmark's return, counting the entries,
// and the table view's moves and paint (each move repaints a page), over sample dictionary tables
// of 10,000 and 1,000,000 entries. Each benchmark reports the process's peak resident set, which
// stays what the smaller table needs when the recordset reads no more than it shows: run one size
// at a time to see it (the larger run's peak covers both).
//
// The sample tables are made once, in KELM_TABLE_BENCH_DIR (default: the
// temporary folder), and kept for later runs.
//
//   table_bench --benchmark_filter='/10000$'
//   table_bench --benchmark_filter='/1000000$'

#include <benchmark/benchmark.h>
#include <kelm/kelm.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr LONG page_rows = 40;

std::string sample_path(LONG rows) {
  const char* dir = getenv("KELM_TABLE_BENCH_DIR");
  const fs::path folder = dir != nullptr ? fs::path(dir) : fs::temp_directory_path();
  const fs::path path = folder / ("kelm_table_bench_" + std::to_string(rows) + ".sqlite");
  if (!fs::exists(path)) {
    const fs::path partial = path.string() + ".part";
    fs::remove(partial);
    CDaoDatabase db;
    db.Create(partial.c_str());
    KelmMakeSampleTable(db, "entries", rows);
    db.Close();
    fs::rename(partial, path);
  }
  return path.string();
}

double peak_rss_mb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

struct Opened {
  explicit Opened(LONG rows) {
    db.Open(sample_path(rows).c_str());
    rs.Open(dbOpenDynaset, "entries");
  }
  CDaoDatabase db;
  CEntryCountRecordset rs{&db};
};

void report(benchmark::State& state) { state.counters["peak_rss_MB"] = peak_rss_mb(); }

void BM_MoveFirst(benchmark::State& state) {
  Opened t(static_cast<LONG>(state.range(0)));
  t.rs.MoveLast();
  for (auto _ : state) {
    t.rs.MoveFirst();
    benchmark::DoNotOptimize(t.rs.GetFieldValue("outline"));
  }
  report(state);
}

void BM_MoveLast(benchmark::State& state) {
  Opened t(static_cast<LONG>(state.range(0)));
  for (auto _ : state) {
    t.rs.MoveLast();
    benchmark::DoNotOptimize(t.rs.GetFieldValue("outline"));
  }
  report(state);
}

// A page down and back up from the middle of the set, as a view pages.
void BM_MovePageDownAndUp(benchmark::State& state) {
  Opened t(static_cast<LONG>(state.range(0)));
  t.rs.Move(static_cast<LONG>(state.range(0) / 2));
  const COleVariant middle = t.rs.GetBookmark();
  for (auto _ : state) {
    t.rs.SetBookmark(middle);
    t.rs.Move(page_rows);
    t.rs.Move(-page_rows);
  }
  report(state);
}

// One page drawn: its first record found by bookmark, then a field of each
// record read while stepping through the page.
void BM_ReadPage(benchmark::State& state) {
  Opened t(static_cast<LONG>(state.range(0)));
  t.rs.Move(static_cast<LONG>(state.range(0) / 2));
  const COleVariant top = t.rs.GetBookmark();
  for (auto _ : state) {
    t.rs.SetBookmark(top);
    for (LONG row = 0; row < page_rows && !t.rs.IsEOF(); ++row) {
      benchmark::DoNotOptimize(t.rs.GetFieldValue("outline"));
      benchmark::DoNotOptimize(t.rs.GetFieldValue("translation"));
      t.rs.MoveNext();
    }
  }
  report(state);
}

void BM_CountEntries(benchmark::State& state) {
  const std::string path = sample_path(static_cast<LONG>(state.range(0)));
  for (auto _ : state) {
    CDaoDatabase db;
    db.Open(path.c_str());
    CEntryCountRecordset rs(&db);
    rs.Open(dbOpenDynaset, "entries");
    rs.CountEntries();
    if (rs.GetEntryCount() != state.range(0)) state.SkipWithError("wrong count");
  }
  report(state);
}

// A host's view: each row shows the record's outline and translation.
class BenchView : public CViewTable {
 public:
  void DisplayRecord(CDC* dc, int y) override {
    dc->TextOut(4, y, recordset->GetFieldValue("outline").GetText());
    dc->TextOut(200, y, recordset->GetFieldValue("translation").GetText());
  }
};

// A counted table shown in a view of page_rows rows, its page in the middle
// of the set.
struct Viewed : Opened {
  explicit Viewed(LONG rows) : Opened(rows), grid(100, page_rows + 2) {
    rs.CountEntries();
    view.recordset = &rs;
    view.Create(WS_VISIBLE | WS_VSCROLL, CRect(0, 0, 800, page_rows * 16 + 4), nullptr, 1);
    view.SetCanvas(&grid);
    view.SetFocus();
    view.OnInitialUpdate();
    view.Top();
    rs.MoveFirst();
    rs.Move(rows / 2);
    view.topBookmark = rs.GetBookmark();
    view.Invalidate(FALSE);
    middleTop = view.topBookmark;
    middleBottom = view.bottomBookmark;
  }
  // Back to the middle page without drawing it.
  void Middle() {
    view.topBookmark = middleTop;
    view.bottomBookmark = middleBottom;
    view.GetDC()->ClearCalls();
  }
  KelmCharacterGrid grid;
  BenchView view;
  COleVariant middleTop;
  COleVariant middleBottom;
};

// Each of the view's moves repaints its page.
void BM_ViewTop(benchmark::State& state) {
  Viewed t(static_cast<LONG>(state.range(0)));
  for (auto _ : state) {
    t.Middle();
    t.view.Top();
  }
  report(state);
}

void BM_ViewBottom(benchmark::State& state) {
  Viewed t(static_cast<LONG>(state.range(0)));
  for (auto _ : state) {
    t.Middle();
    t.view.Bottom();
  }
  report(state);
}

void BM_ViewPageDown(benchmark::State& state) {
  Viewed t(static_cast<LONG>(state.range(0)));
  for (auto _ : state) {
    t.Middle();
    t.view.PageDown();
  }
  report(state);
}

void BM_ViewPageUp(benchmark::State& state) {
  Viewed t(static_cast<LONG>(state.range(0)));
  for (auto _ : state) {
    t.Middle();
    t.view.PageUp();
  }
  report(state);
}

void BM_ViewPaint(benchmark::State& state) {
  Viewed t(static_cast<LONG>(state.range(0)));
  for (auto _ : state) {
    t.Middle();
    t.view.Invalidate(FALSE);
  }
  report(state);
}

BENCHMARK(BM_MoveFirst)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MoveLast)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MovePageDownAndUp)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadPage)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CountEntries)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewTop)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ViewBottom)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ViewPageDown)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ViewPageUp)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ViewPaint)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
