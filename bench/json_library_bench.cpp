// Which JSON library reads a steno dictionary fastest: the 138,737 entries of
// an everyday open steno dictionary read into outline and translation
// strings, as the dictionary reader needs them, by simdjson (on demand and
// DOM), RapidJSON (in place and copying) and nlohmann::json. The reader needs
// the position of an error too: simdjson gives a byte offset, RapidJSON an
// offset, nlohmann a byte count.
//
//   json_library_bench [benchmark flags] [--data=FOLDER]

#include <benchmark/benchmark.h>
#include <rapidjson/document.h>
#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <simdjson.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Entry {
  std::string outline;
  std::string text;
};

std::string& file_bytes() {
  static std::string bytes;
  return bytes;
}

void read_simdjson_ondemand(benchmark::State& state) {
  simdjson::padded_string padded(file_bytes());
  simdjson::ondemand::parser parser;
  std::vector<Entry> entries;
  for (auto _ : state) {
    entries.clear();
    simdjson::ondemand::document doc = parser.iterate(padded);
    for (auto field : doc.get_object()) {
      std::string_view key = field.unescaped_key().value();
      std::string_view value = field.value().get_string().value();
      entries.push_back({std::string(key), std::string(value)});
    }
    benchmark::DoNotOptimize(entries.data());
  }
  state.counters["entries"] = static_cast<double>(entries.size());
}

void read_simdjson_dom(benchmark::State& state) {
  simdjson::padded_string padded(file_bytes());
  simdjson::dom::parser parser;
  std::vector<Entry> entries;
  for (auto _ : state) {
    entries.clear();
    simdjson::dom::object object = parser.parse(padded).get_object().value();
    for (auto [key, value] : object)
      entries.push_back({std::string(key), std::string(value.get_string().value())});
    benchmark::DoNotOptimize(entries.data());
  }
  state.counters["entries"] = static_cast<double>(entries.size());
}

// A SAX handler, the way to use RapidJSON without building a document.
struct EntryHandler : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, EntryHandler> {
  std::vector<Entry>* entries;
  std::string key;
  bool Key(const char* text, rapidjson::SizeType length, bool) {
    key.assign(text, length);
    return true;
  }
  bool String(const char* text, rapidjson::SizeType length, bool) {
    entries->push_back({key, std::string(text, length)});
    return true;
  }
  bool StartObject() { return true; }
  bool EndObject(rapidjson::SizeType) { return true; }
  bool Default() { return false; }
};

void read_rapidjson_sax(benchmark::State& state) {
  std::vector<Entry> entries;
  for (auto _ : state) {
    entries.clear();
    EntryHandler handler;
    handler.entries = &entries;
    rapidjson::Reader reader;
    rapidjson::StringStream stream(file_bytes().c_str());
    if (!reader.Parse(stream, handler)) state.SkipWithError("RapidJSON refused the file");
    benchmark::DoNotOptimize(entries.data());
  }
  state.counters["entries"] = static_cast<double>(entries.size());
}

void read_rapidjson_insitu(benchmark::State& state) {
  std::vector<Entry> entries;
  for (auto _ : state) {
    state.PauseTiming();
    std::string copy = file_bytes();
    state.ResumeTiming();
    entries.clear();
    EntryHandler handler;
    handler.entries = &entries;
    rapidjson::Reader reader;
    rapidjson::InsituStringStream stream(copy.data());
    if (!reader.Parse<rapidjson::kParseInsituFlag>(stream, handler))
      state.SkipWithError("RapidJSON refused the file");
    benchmark::DoNotOptimize(entries.data());
  }
  state.counters["entries"] = static_cast<double>(entries.size());
}

void read_nlohmann(benchmark::State& state) {
  std::vector<Entry> entries;
  for (auto _ : state) {
    entries.clear();
    const nlohmann::json document = nlohmann::json::parse(file_bytes());
    for (const auto& [key, value] : document.items())
      entries.push_back({key, value.get<std::string>()});
    benchmark::DoNotOptimize(entries.data());
  }
  state.counters["entries"] = static_cast<double>(entries.size());
}

}  // namespace

int main(int argc, char** argv) {
  fs::path folder = fs::path(KELM_SHARED_DATA_DIR) / "json";
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with("--data="))
      folder = fs::path(arg.substr(7)) / "json";
    else
      args.push_back(argv[i]);
  }
  std::ifstream in(folder / "didoesdigital_dict.json", std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "json_library_bench: %s is absent; nothing to measure\n",
                 (folder / "didoesdigital_dict.json").c_str());
    return 0;
  }
  file_bytes().assign(std::istreambuf_iterator<char>(in), {});
  benchmark::RegisterBenchmark("simdjson_ondemand", read_simdjson_ondemand)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("simdjson_dom", read_simdjson_dom)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("rapidjson_sax", read_rapidjson_sax)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("rapidjson_insitu", read_rapidjson_insitu)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("nlohmann", read_nlohmann)->Unit(benchmark::kMillisecond);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
