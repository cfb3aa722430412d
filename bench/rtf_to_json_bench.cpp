// Costs of converting RTF/CRE entries to the open steno translation
// language as the open tools read them: every entry of the 138,737-entry
// everyday JSON dictionary once it has gone through RTF/CRE, and every entry
// of the largest sample RTF/CRE dictionary, with the loss report of each.

#include <benchmark/benchmark.h>
#include <kelm/kelm.h>

#include <filesystem>
#include <memory>

namespace {

namespace fs = std::filesystem;

const fs::path data = KELM_SHARED_DATA_DIR;

// The dictionary read from the file at `path`; none when it cannot be.
std::unique_ptr<CStenoDictionary> read(const fs::path& path) {
  auto dictionary = std::make_unique<CStenoDictionary>();
  if (dictionary->Read(path.c_str()) != 0) return nullptr;
  return dictionary;
}

const CStenoDictionary* through_rtf() {
  static const std::unique_ptr<CStenoDictionary> held = [] {
    const std::unique_ptr<CStenoDictionary> json = read(data / "json" / "didoesdigital_dict.json");
    const fs::path rtf = fs::temp_directory_path() / "rtf_to_json_bench.rtf";
    if (!json || json->Write(rtf.c_str()) != 0) return std::unique_ptr<CStenoDictionary>();
    std::unique_ptr<CStenoDictionary> converted = read(rtf);
    fs::remove(rtf);
    return converted;
  }();
  return held.get();
}

void convert(benchmark::State& state, const CStenoDictionary* dictionary) {
  if (!dictionary) {
    state.SkipWithError("the dictionary could not be read");
    return;
  }
  std::size_t whole = 0;
  for (auto _ : state) {
    const CRtfToJsonReport report = KelmReportRtfToJson(*dictionary, dictionary->GetStyleNames());
    whole = report.GetWhole();
  }
  state.counters["entries"] = static_cast<double>(dictionary->GetCount());
  state.counters["whole"] = static_cast<double>(whole);
}

void BM_ConvertEverydayDictionaryThroughRtf(benchmark::State& state) {
  convert(state, through_rtf());
}

void BM_ConvertSampleRtfDictionary(benchmark::State& state) {
  static const std::unique_ptr<CStenoDictionary> held =
      read(data / "rtf" / "myrrhens-theory_main.rtf");
  convert(state, held.get());
}

}  // namespace

BENCHMARK(BM_ConvertEverydayDictionaryThroughRtf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertSampleRtfDictionary)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
