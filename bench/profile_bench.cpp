// Costs of reading a whole profile (INI) file through the private profile
// calls, as a host that loads its settings does: list the sections, list
// each section's keys, read every value. Files of 78 KB (about 2,000 values)
// and 1 MB (about 20,000 values), generated in the temporary folder.
//
//   profile_bench --benchmark_filter=ReadEveryValue

#include <benchmark/benchmark.h>
#include <kelm/kelm.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Sections of 100 keys with values of varied length, until the file holds
// `bytes`.
std::string make_profile(size_t bytes) {
  std::string text;
  for (int section = 0; text.size() < bytes; ++section) {
    text += "[Section " + std::to_string(section) + "]\r\n";
    for (int key = 0; key < 100 && text.size() < bytes; ++key) {
      const int n = section * 100 + key;
      text += "Key" + std::to_string(key) + "=setting " + std::to_string(n * 7919) +
              " of the host program " + std::string(static_cast<size_t>(n % 23), 'x') + "\r\n";
    }
  }
  return text;
}

std::string write_profile(size_t bytes) {
  const fs::path path =
      fs::temp_directory_path() /
      ("kelm_profile_bench_" + std::to_string(getpid()) + "_" + std::to_string(bytes) + ".ini");
  std::ofstream(path, std::ios::binary | std::ios::trunc) << make_profile(bytes);
  // A file changed in the last moments is checked again at each call, since
  // a change within the same time-stamp tick would not show in its times;
  // the benchmark measures a settled file, as a host's settings mostly are.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  return path.string();
}

std::vector<std::string> names(const char* section, const std::string& file) {
  std::vector<char> buffer(1 << 20);
  const DWORD got = GetPrivateProfileStringA(section, nullptr, "", buffer.data(),
                                             static_cast<DWORD>(buffer.size()), file.c_str());
  std::vector<std::string> listed;
  for (DWORD i = 0; i < got;) {
    listed.emplace_back(buffer.data() + i);
    i += static_cast<DWORD>(listed.back().size()) + 1;
  }
  return listed;
}

void BM_ReadEveryValue(benchmark::State& state) {
  const std::string file = write_profile(static_cast<size_t>(state.range(0)));
  int64_t values = 0;
  for (auto _ : state) {
    char value[256];
    for (const std::string& section : names(nullptr, file)) {
      for (const std::string& key : names(section.c_str(), file)) {
        GetPrivateProfileStringA(section.c_str(), key.c_str(), "", value, sizeof value,
                                 file.c_str());
        benchmark::DoNotOptimize(value);
        ++values;
      }
    }
  }
  state.SetItemsProcessed(values);
  state.counters["values"] =
      benchmark::Counter(static_cast<double>(values) / static_cast<double>(state.iterations()));
  fs::remove(file);
}
BENCHMARK(BM_ReadEveryValue)->Arg(78 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// One value read again and again: what each GetProfileInt of a host costs.
void BM_ReadOneValue(benchmark::State& state) {
  const std::string file = write_profile(static_cast<size_t>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(GetPrivateProfileIntA("Section 10", "Key99", 0, file.c_str()));
  fs::remove(file);
}
BENCHMARK(BM_ReadOneValue)->Arg(78 << 10)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
