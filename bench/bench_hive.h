// A benchmark run's own registry hive and scratch folder, removed at the
// end, so that a run never reads or writes the user's settings; and the
// benchmark main that runs inside one.
#pragma once

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/registry.h"

namespace kelm_bench {

class ScratchHive {
 public:
  // `program` names the folder and any message.
  explicit ScratchHive(const char* program) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / (std::string(program) + "_XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) {
      std::fprintf(stderr, "%s: cannot make a temporary folder\n", program);
      return;
    }
    m_folder = pattern;
    KelmSetRegistryPath((m_folder / "registry.db").c_str());
  }
  ~ScratchHive() {
    if (m_folder.empty()) return;
    KelmSetRegistryPath(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
  }
  ScratchHive(const ScratchHive&) = delete;
  ScratchHive& operator=(const ScratchHive&) = delete;

  // Empty when the folder could not be made.
  const std::filesystem::path& folder() const { return m_folder; }

 private:
  std::filesystem::path m_folder;
};

// Runs the benchmarks registered, as BENCHMARK_MAIN does; 1 for arguments
// it does not understand.
inline int run_benchmarks(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const bool understood = !benchmark::ReportUnrecognizedArguments(argc, argv);
  if (understood) benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return understood ? 0 : 1;
}

}  // namespace kelm_bench
