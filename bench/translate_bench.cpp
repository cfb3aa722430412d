// Costs of realtime translation over a dictionary of the size a working
// writer's merged dictionaries reach: loading the dictionary, and translating
// 100,000 strokes through it (lookups of the longest outline, joins with the
// text rules, each stroke's edit of the readable text, undo strokes and
// untranslated strokes among them). Before the benchmarks run it prints what the loaded dictionary
// holds in memory (the bytes allocated from malloc, per entry) and the process's peak resident set
// before and after the load. The run keeps a registry hive and a user folder of its own, seeded
// with the build's lexicons, so that the suffix rules ask a real spelling checker and nothing of
// the user's is read.
//
//   translate_bench [benchmark flags]

#include <benchmark/benchmark.h>
#include <kelm/kelm.h>
#include <malloc.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "bench_hive.h"
#include "big_dictionary.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t stroke_count = 100000;
// One stroke in this many takes the last translation back, one in this many
// is a stroke no outline begins with.
constexpr std::size_t undo_every = 50;
constexpr std::size_t untranslated_every = 40;

struct Input {
  fs::path dictionary_path;
  CStenoDictionary dictionary;
  std::vector<CStroke> strokes;
};

Input& input() {
  static Input held;
  return held;
}

// What the program holds from malloc, in small blocks and in mapped ones.
double allocated_bytes() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd);
}

double peak_resident_bytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) * 1024.0;  // KiB on Linux
}

// A fixed pseudo-random sequence, so that every run translates the same text.
struct Random {
  std::uint64_t state;
  std::size_t Below(std::size_t n) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::size_t>((state >> 33) % n);
  }
};

// Outlines of the dictionary in random order, with undo strokes and strokes
// the dictionary does not know among them.
std::vector<CStroke> make_strokes(const CStenoDictionary& dictionary) {
  Random random{7};
  CStroke undo;
  undo.SetAsterisk(1);
  const CStroke unknown("STKPWHRAO*EUFRPBLGTSDZ", 0);
  std::vector<CStroke> strokes;
  strokes.reserve(stroke_count);
  while (strokes.size() < stroke_count) {
    if (random.Below(undo_every) == 0) {
      strokes.push_back(undo);
      continue;
    }
    if (random.Below(untranslated_every) == 0) {
      strokes.push_back(unknown);
      continue;
    }
    const std::span<const BYTE> keys = dictionary.GetKeys(random.Below(dictionary.GetCount()));
    for (std::size_t k = 0; k < keys.size() && strokes.size() < stroke_count; k += 3)
      strokes.emplace_back(&keys[k]);
  }
  return strokes;
}

void BM_LoadDictionary(benchmark::State& state) {
  for (auto _ : state) {
    CStenoDictionary dictionary;
    if (dictionary.Read(input().dictionary_path.c_str()) != 0)
      state.SkipWithError("the dictionary did not load");
    benchmark::DoNotOptimize(dictionary.GetCount());
  }
  state.counters["entries"] = static_cast<double>(kelm_bench::big_dictionary_entries);
}
BENCHMARK(BM_LoadDictionary)->Unit(benchmark::kMillisecond);

// Each stroke's edit is worked out whether or not the host reads it; the
// counters say how much the edits took back and added per stroke.
void BM_Translate(benchmark::State& state) {
  const std::vector<CStroke>& strokes = input().strokes;
  std::size_t translations = 0;
  double taken_back = 0, added = 0;
  for (auto _ : state) {
    state.PauseTiming();
    CTranslator translator;
    translator.AddDictionary(&input().dictionary);
    taken_back = added = 0;
    state.ResumeTiming();
    for (const CStroke& stroke : strokes) {
      const CTranslator::Edit& edit = translator.AddStroke(stroke);
      taken_back += edit.nTakeBack;
      added += edit.text.GetLength();
    }
    translator.Finish();
    translations = translator.GetCount();
    benchmark::DoNotOptimize(translator.GetTextView().data());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * strokes.size()));
  state.counters["translations"] = static_cast<double>(translations);
  state.counters["taken_back"] = taken_back / static_cast<double>(strokes.size());
  state.counters["added"] = added / static_cast<double>(strokes.size());
}
BENCHMARK(BM_Translate)->Unit(benchmark::kMillisecond);

// The translator's own start: finding the longest outline among the entries.
void BM_StartTranslator(benchmark::State& state) {
  for (auto _ : state) {
    CTranslator translator;
    translator.AddDictionary(&input().dictionary);
    benchmark::DoNotOptimize(translator.GetLongestOutline());
  }
}
BENCHMARK(BM_StartTranslator)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  Input& in = input();
  const kelm_bench::ScratchHive hive("translate_bench");
  if (hive.folder().empty()) return 1;
  const fs::path& folder = hive.folder();
  CWinApp app("TranslateBench");
  app.SetRegistryKey("Quendra");
  fs::create_directories(folder / "user");
  COrvalisData(KEY_ALL_ACCESS).SetUserDir((folder / "user").c_str());
  KelmSetDefaultLexiconDir(KELM_BUILD_LEXICON_DIR);
  in.dictionary_path = folder / "big.rtf";
  {
    const std::string text = kelm_bench::MakeBigDictionary();
    CFile file(in.dictionary_path.c_str(),
               CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
    file.Write(text.data(), static_cast<UINT>(text.size()));
  }

  const double allocated_before = allocated_bytes();
  const double peak_before = peak_resident_bytes();
  if (in.dictionary.Read(in.dictionary_path.c_str()) != 0) {
    std::fprintf(stderr, "translate_bench: the dictionary did not load\n");
    return 1;
  }
  const double entries = static_cast<double>(in.dictionary.GetCount());
  const double held = allocated_bytes() - allocated_before;
  std::printf(
      "dictionary of %.0f entries: %.1f MB held (%.0f bytes per entry); peak resident set "
      "%.1f MB before the load, %.1f MB after\n",
      entries, held / 1e6, held / entries, peak_before / 1e6, peak_resident_bytes() / 1e6);
  in.strokes = make_strokes(in.dictionary);

  return kelm_bench::run_benchmarks(argc, argv);
}
