// Costs of the open steno community's JSON dictionaries: loading the
// 138,737-entry everyday dictionary, loading the same entries written as
// RTF/CRE, converting it to RTF/CRE (load and write), and writing it back as
// JSON.
//
//   json_dictionary_bench [benchmark flags] [--data=FOLDER]
//
// Peak memory of one load, away from what the benchmarks hold:
// rtf_bench --load_once=FOLDER/json/didoesdigital_dict.json.

#include <benchmark/benchmark.h>
#include <kelm/kelm.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Input {
  fs::path folder;  // temporary
  fs::path json;
  fs::path rtf;  // the same entries as RTF/CRE
  std::size_t entries = 0;
};

Input& input() {
  static Input held;
  return held;
}

void load(benchmark::State& state, const fs::path& path) {
  std::size_t entries = 0;
  for (auto _ : state) {
    CStenoDictionary dictionary;
    if (dictionary.Read(path.c_str()) != 0) {
      state.SkipWithError("the load failed");
      break;
    }
    entries = dictionary.GetCount();
  }
  state.counters["entries"] = static_cast<double>(entries);
}

void BM_LoadJson(benchmark::State& state) { load(state, input().json); }

void BM_LoadSameEntriesAsRtf(benchmark::State& state) { load(state, input().rtf); }

void BM_ConvertJsonToRtf(benchmark::State& state) {
  const fs::path out = input().folder / "converted.rtf";
  for (auto _ : state) {
    CStenoDictionary dictionary;
    if (dictionary.Read(input().json.c_str()) != 0 || dictionary.Write(out.c_str()) != 0) {
      state.SkipWithError("the conversion failed");
      break;
    }
  }
}

void BM_WriteJson(benchmark::State& state) {
  CStenoDictionary dictionary;
  if (dictionary.Read(input().json.c_str()) != 0) {
    state.SkipWithError("the load failed");
    return;
  }
  const fs::path out = input().folder / "written.json";
  for (auto _ : state) {
    CFile file(out.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
    dictionary.WriteJson(file);
  }
}

}  // namespace

int main(int argc, char** argv) {
  fs::path data = KELM_SHARED_DATA_DIR;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with("--data="))
      data = arg.substr(7);
    else
      args.push_back(argv[i]);
  }
  Input& in = input();
  in.json = data / "json" / "didoesdigital_dict.json";
  if (!fs::exists(in.json)) {
    std::fprintf(stderr, "json_dictionary_bench: %s is absent; nothing to measure\n",
                 in.json.c_str());
    return 0;
  }
  std::string pattern = (fs::temp_directory_path() / "json_bench_XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("json_dictionary_bench: cannot make a temporary folder");
    return 1;
  }
  in.folder = pattern;
  in.rtf = in.folder / "same.rtf";
  {
    CStenoDictionary dictionary;
    if (dictionary.Read(in.json.c_str()) != 0 || dictionary.Write(in.rtf.c_str()) != 0) {
      std::fprintf(stderr, "json_dictionary_bench: cannot convert %s\n", in.json.c_str());
      return 1;
    }
  }
  benchmark::RegisterBenchmark("LoadJson", BM_LoadJson)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("LoadSameEntriesAsRtf", BM_LoadSameEntriesAsRtf)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("ConvertJsonToRtf", BM_ConvertJsonToRtf)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("WriteJson", BM_WriteJson)->Unit(benchmark::kMillisecond);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  fs::remove_all(in.folder, ignored);
  return 0;
}
