// Costs of reading and writing RTF/CRE steno dictionaries of the size a
// working writer's merged dictionaries reach: the scanner alone, the scanner
// and parser with a client that does nothing, the whole dictionary load as
// the kelm command makes it (and from a pipe), and writing the dictionary
// back.
//
//   rtf_bench [benchmark flags] [--data=FOLDER]
//   rtf_bench --load_once=FILE
//
// The synthetic dictionary is made once per run in a temporary folder. The
// real dictionaries of FOLDER (default: the shared data beside the source
// tree) are loaded too when present. --load_once loads one file and reports
// the time and the process's peak resident memory, away from the memory the
// benchmarks themselves hold.

#include <benchmark/benchmark.h>
#include <kelm/kelm.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "big_dictionary.h"

namespace {

namespace fs = std::filesystem;

constexpr int end_of_input = 2;

struct Input {
  fs::path folder;
  fs::path dictionary_path;
  std::vector<BYTE> bytes;
};

Input& input() {
  static Input held;
  return held;
}

double peak_rss_megabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB on Linux
}

// Lists what a dictionary file holds, so that the parser makes every kind of
// call, and counts the calls, so that the parse itself is what is measured.
class CountingClient : public CRtfParserClient {
 public:
  CountingClient() {
    const struct {
      const char* word;
      int action;
    } words[] = {
        {szRTFCW_cxs, 2},  {szRTFCW_cxp, 2},    {szRTFCW_cxrev, 2}, {szRTFCW_cxsystem, 2},
        {szRTFCW_cxds, 4}, {szRTFCW_cxfc, 4},   {szRTFCW_par, 4},   {szRTFCW_tab, 1},
        {szRTFCW_line, 1}, {szRTFCW_emdash, 1}, {szRTFCW_s, 3},     {szRTFCW_rtf, 3},
    };
    for (const auto& w : words)
      m_table.push_back({CRtfScanner::GetTokenType(w.word), 0, w.action, 0});
    std::sort(m_table.begin(), m_table.end(),
              [](const RTFTransTblEntry& a, const RTFTransTblEntry& b) {
                return a.nTokenType < b.nTokenType;
              });
  }

  long PopState() override { return Count(); }
  long PushState() override { return Count(); }
  long OutputChar(int) override { return Count(); }
  long ApplySpecialControl(int) override { return Count(); }
  long OutputText(const char*, bool) override { return Count(); }
  long ApplyPropChange(int, long) override { return Count(); }
  long ChangeDestination(int) override { return Count(); }
  long EndDestination(int) override { return Count(); }
  const RTFTransTblEntry* GetTransTbl() override { return m_table.data(); }
  int GetTransTblEntries() override { return static_cast<int>(m_table.size()); }

  std::size_t GetCalls() const { return m_calls; }

 private:
  long Count() {
    ++m_calls;
    return 0;
  }

  std::vector<RTFTransTblEntry> m_table;
  std::size_t m_calls = 0;
};

void BM_Scan(benchmark::State& state) {
  std::vector<BYTE>& bytes = input().bytes;
  CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
  std::size_t tokens = 0;
  for (auto _ : state) {
    file.SeekToBegin();
    CRtfScanner scanner(file);
    long result = scanner.Start();
    tokens = 0;
    while (result == 0 && scanner.GetToken(0)->GetType() != end_of_input) {
      result = scanner.ConsumeToken(0);
      ++tokens;
    }
    scanner.Stop();
    if (result != 0) state.SkipWithError("the scanner failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
  state.counters["tokens"] = static_cast<double>(tokens);
}

void BM_Parse(benchmark::State& state) {
  std::vector<BYTE>& bytes = input().bytes;
  CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
  std::size_t calls = 0;
  for (auto _ : state) {
    file.SeekToBegin();
    CountingClient client;
    CRtfParser parser(file, &client);
    if (parser.Run(true) != 0) state.SkipWithError("the parser failed");
    calls = client.GetCalls();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
  state.counters["calls"] = static_cast<double>(calls);
}

// Reads the file as the kelm command does: through a CFile, into a fresh
// dictionary. False, with the reason set on the state, when the load fails or
// does not give the entries the file holds.
bool load(benchmark::State& state, const fs::path& path, CStenoDictionary& dictionary,
          std::size_t expected) {
  if (dictionary.Read(path.c_str()) != 0) {
    state.SkipWithError("the dictionary load failed");
    return false;
  }
  if (expected != 0 &&
      (dictionary.GetCount() != expected || !dictionary.GetInvalidOutlines().empty())) {
    state.SkipWithError("the dictionary does not hold the entries written");
    return false;
  }
  return true;
}

void BM_LoadDictionary(benchmark::State& state) {
  const Input& in = input();
  std::size_t entries = 0;
  for (auto _ : state) {
    CStenoDictionary dictionary;
    if (!load(state, in.dictionary_path, dictionary, kelm_bench::big_dictionary_entries)) break;
    entries = dictionary.GetCount();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.bytes.size()));
  state.counters["entries"] = static_cast<double>(entries);
  // The whole process's, so an upper bound: it includes the file's bytes
  // held for the other cases. --load_once gives the load's own figure.
  state.counters["peak_rss_MB"] = peak_rss_megabytes();
}

// Through a pipe, which cannot be mapped, as from another program's output:
// the bytes are read whole first, into room that doubles.
void BM_LoadDictionaryFromPipe(benchmark::State& state) {
  const Input& in = input();
  std::size_t entries = 0;
  for (auto _ : state) {
    int ends[2];
    if (pipe(ends) != 0) {
      state.SkipWithError("no pipe");
      break;
    }
    std::thread writer([&in, fd = ends[1]] {
      for (std::size_t done = 0; done < in.bytes.size();) {
        const ssize_t wrote = write(fd, in.bytes.data() + done, in.bytes.size() - done);
        if (wrote <= 0) break;
        done += static_cast<std::size_t>(wrote);
      }
      close(fd);
    });
    CFile file(ends[0]);
    CStenoDictionary dictionary;
    const long result = dictionary.Read(file);
    writer.join();
    if (result != 0 || dictionary.GetCount() != kelm_bench::big_dictionary_entries) {
      state.SkipWithError("the load through a pipe failed");
      break;
    }
    entries = dictionary.GetCount();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.bytes.size()));
  state.counters["entries"] = static_cast<double>(entries);
}

void BM_WriteDictionary(benchmark::State& state) {
  const Input& in = input();
  CStenoDictionary dictionary;
  if (!load(state, in.dictionary_path, dictionary, kelm_bench::big_dictionary_entries)) return;
  const fs::path out = in.folder / "written.rtf";
  const CTime created(2024, 6, 11, 9, 30, 0);
  ULONGLONG written = 0;
  for (auto _ : state) {
    CFile file(out.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
    dictionary.Write(file, created);
    written = file.GetLength();
    file.Close();
  }
  CStenoDictionary back;
  if (!load(state, out, back, dictionary.GetCount())) return;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * written));
  state.counters["entries"] = static_cast<double>(dictionary.GetCount());
}

void BM_LoadRealDictionaries(benchmark::State& state, const std::vector<fs::path>& paths) {
  std::uintmax_t bytes = 0;
  for (const fs::path& path : paths) bytes += fs::file_size(path);
  std::size_t entries = 0;
  for (auto _ : state) {
    entries = 0;
    for (const fs::path& path : paths) {
      CStenoDictionary dictionary;
      if (!load(state, path, dictionary, 0)) return;
      entries += dictionary.GetCount();
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["entries"] = static_cast<double>(entries);
}

std::vector<fs::path> real_dictionaries(const fs::path& folder) {
  std::vector<fs::path> paths;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error))
    if (entry.path().extension() == ".rtf") paths.push_back(entry.path());
  std::sort(paths.begin(), paths.end());
  return paths;
}

void register_cases(const fs::path& data_folder) {
  benchmark::RegisterBenchmark("Scan/big_dictionary", BM_Scan)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Parse/big_dictionary", BM_Parse)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("LoadDictionary/big_dictionary", BM_LoadDictionary)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("LoadDictionaryFromPipe/big_dictionary", BM_LoadDictionaryFromPipe)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("WriteDictionary/big_dictionary", BM_WriteDictionary)
      ->Unit(benchmark::kMillisecond);
  const std::vector<fs::path> paths = real_dictionaries(data_folder / "rtf");
  if (paths.empty()) {
    std::fprintf(stderr, "rtf_bench: no dictionaries in %s; LoadDictionary/real skipped\n",
                 (data_folder / "rtf").c_str());
    return;
  }
  benchmark::RegisterBenchmark("LoadDictionary/real", BM_LoadRealDictionaries, paths)
      ->Unit(benchmark::kMillisecond);
}

// Taken out of argv before the benchmark library sees it.
std::string take_flag(int& argc, char** argv, std::string_view name) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!arg.starts_with(name) || arg.size() <= name.size() || arg[name.size()] != '=') continue;
    std::string value(arg.substr(name.size() + 1));
    std::copy(argv + i + 1, argv + argc + 1, argv + i);
    --argc;
    return value;
  }
  return {};
}

int load_once(const char* path) {
  try {
    CFile file(path, CFile::modeRead | CFile::typeBinary);
    CStenoDictionary dictionary;
    const auto start = std::chrono::steady_clock::now();
    const long result = dictionary.Read(file);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::printf("%s: %zu entries, result %ld, %.1f ms, peak RSS %.1f MB\n", path,
                dictionary.GetCount(), result, took.count(), peak_rss_megabytes());
    return result == 0 ? 0 : 1;
  } catch (const CFileException&) {
    std::fprintf(stderr, "rtf_bench: cannot read %s\n", path);
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string once = take_flag(argc, argv, "--load_once");
  if (!once.empty()) return load_once(once.c_str());
  std::string data = take_flag(argc, argv, "--data");
  if (data.empty()) data = KELM_SHARED_DATA_DIR;

  Input& in = input();
  std::string pattern = (fs::temp_directory_path() / "rtf_bench_XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("rtf_bench: cannot make a temporary folder");
    return 1;
  }
  in.folder = pattern;
  in.dictionary_path = in.folder / "big.rtf";
  {
    const std::string text = kelm_bench::MakeBigDictionary();
    in.bytes.assign(text.begin(), text.end());
    CFile file(in.dictionary_path.c_str(),
               CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
    file.Write(text.data(), static_cast<UINT>(text.size()));
  }

  register_cases(data);
  benchmark::Initialize(&argc, argv);
  const bool understood = !benchmark::ReportUnrecognizedArguments(argc, argv);
  if (understood) benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  fs::remove_all(in.folder, ignored);
  return understood ? 0 : 1;
}
