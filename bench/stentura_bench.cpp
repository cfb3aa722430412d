// A Stentura-protocol writer, played by the simulator on a pseudo-terminal
// at the writer's usual 9,600 baud, read by CWriterConnection: how many
// strokes a second the requests carry, how long a stroke takes from the key
// press to the host, and how many of 10,000 strokes a line that garbles 1 %
// of the answers loses or repeats.
#include <benchmark/benchmark.h>
#include <kelm/kelm.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench_hive.h"
#include "testing/writer_simulator.h"

namespace {

using steady = std::chrono::steady_clock;

constexpr unsigned baud = 9600;

double percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

// Stroke n: keys that change from one stroke to the next, so that a lost
// or repeated stroke shows; -Z always, so that none is empty.
CStroke stroke_of(unsigned n) {
  CStroke stroke;
  const UINT keys = (n & 0x3FFFFF) << 1 | 1;
  BYTE bytes[4] = {0xC0, 0xC0, 0xC0, 0xC0};
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(0xC0 | (keys >> (18 - 6 * i) & 0x3F));
  stroke.SetStentura(bytes);
  return stroke;
}

unsigned number_of(const CStroke& stroke) {
  const BYTE* k = stroke.GetKeyBytes();
  const UINT keys = static_cast<UINT>(k[0]) << 16 | static_cast<UINT>(k[1]) << 8 | k[2];
  return keys >> 1 & 0x3FFFFF;
}

struct Line {
  std::filesystem::path link;
  std::unique_ptr<WriterSimulator> writer;
  std::unique_ptr<CWriterConnection> connection;

  Line(const char* name, const WriterSimulator::Options& options)
      : link(std::filesystem::temp_directory_path() / name),
        writer(std::make_unique<WriterSimulator>(options, link.string())),
        connection(std::make_unique<CWriterConnection>(CString(writer->PortSpec().c_str()),
                                                       CWriterStream::StenturaProtocol)) {}
  ~Line() {
    connection->Stop();
    connection.reset();
    writer.reset();
  }
  bool Start() {
    return connection->Start() == 1 && writer->WaitUntilHostListens(std::chrono::seconds(10));
  }
};

bool next_stroke(CWriterConnection& connection, CStroke& stroke, DWORD wait = 5000) {
  CWriterConnection::Event event;
  while (connection.GetEvent(event, wait))
    if (event.kind == CWriterConnection::Event::Stroke) {
      stroke = event.stroke;
      return true;
    }
  return false;
}

WriterSimulator::Options at_writers_rate() {
  WriterSimulator::Options options;
  options.baud = baud;
  return options;
}

// Strokes waiting in the writer's file: as many a second as the requests
// carry at 9,600 baud.
void BM_StenturaStrokesPerSecond(benchmark::State& state) {
  Line line("stentura_bench_rate", at_writers_rate());
  if (!line.Start()) {
    state.SkipWithError("the writer did not answer");
    return;
  }
  constexpr unsigned count = 2000;
  unsigned next = 0;
  for (auto _ : state) {
    for (unsigned i = 0; i < count; ++i) line.writer->Write(stroke_of(next + i));
    CStroke stroke;
    for (unsigned i = 0; i < count; ++i)
      if (!next_stroke(*line.connection, stroke)) {
        state.SkipWithError("a stroke did not arrive");
        return;
      }
    next += count;
  }
  state.counters["strokes_per_s"] = benchmark::Counter(
      static_cast<double>(state.iterations() * count), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_StenturaStrokesPerSecond)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A writer written on with pauses of range(0) to range(1) ms: from the
// press to the stroke taken from the connection. At a person's pace (20 to
// 220 ms) a press finds a READC held and is answered at once; written fast
// (0 to 30 ms) most presses come while an answer is on its way, and wait in
// the writer's file for the next request.
void BM_StenturaKeyPressLatency(benchmark::State& state) {
  Line line("stentura_bench_latency", at_writers_rate());
  if (!line.Start()) {
    state.SkipWithError("the writer did not answer");
    return;
  }
  std::mt19937 random(28);
  std::uniform_int_distribution<int> pause(static_cast<int>(state.range(0)),
                                           static_cast<int>(state.range(1)));
  std::vector<double> latencies;
  unsigned n = 0;
  for (auto _ : state) {
    std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
    const steady::time_point pressed = line.writer->Write(stroke_of(++n));
    CStroke stroke;
    if (!next_stroke(*line.connection, stroke) || number_of(stroke) != n) {
      state.SkipWithError("a stroke did not arrive in order");
      return;
    }
    latencies.push_back(std::chrono::duration<double, std::milli>(steady::now() - pressed).count());
  }
  state.counters["median_ms"] = percentile(latencies, 0.5);
  state.counters["p99_ms"] = percentile(latencies, 0.99);
  state.counters["max_ms"] = percentile(latencies, 1.0);
}
BENCHMARK(BM_StenturaKeyPressLatency)
    ->Args({20, 220})
    ->Args({0, 30})
    ->Iterations(400)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// 10,000 strokes written at 100 a second, 1 % of the answers
// garbled and 1 % preceded by a stale copy: every stroke must come once.
void BM_StenturaNoneLostOnAPoorLine(benchmark::State& state) {
  WriterSimulator::Options options = at_writers_rate();
  options.corruptShare = 0.01;
  options.staleShare = 0.01;
  options.seed = static_cast<unsigned>(state.range(0));
  Line line("stentura_bench_poor", options);
  if (!line.Start()) {
    state.SkipWithError("the writer did not answer");
    return;
  }
  constexpr unsigned count = 10000;
  constexpr unsigned per_second = 100;
  unsigned long lost = 0;
  unsigned long repeated = 0;
  for (auto _ : state) {
    std::thread typist([&line] {
      const auto start = steady::now();
      for (unsigned n = 0; n < count; ++n) {
        std::this_thread::sleep_until(start +
                                      std::chrono::microseconds(1000000ull * n / per_second));
        line.writer->Write(stroke_of(n));
      }
    });
    std::vector<int> seen(count, 0);
    CStroke stroke;
    unsigned got = 0;
    while (got < count && next_stroke(*line.connection, stroke, 10000)) {
      const unsigned n = number_of(stroke);
      if (n < count) ++seen[n];
      ++got;
    }
    typist.join();
    while (next_stroke(*line.connection, stroke, 1500)) {
      const unsigned n = number_of(stroke);
      if (n < count) ++seen[n];
    }
    for (const int times : seen) {
      if (times == 0) ++lost;
      if (times > 1) repeated += static_cast<unsigned long>(times - 1);
    }
  }
  state.counters["strokes"] = count;
  state.counters["lost"] = static_cast<double>(lost);
  state.counters["repeated"] = static_cast<double>(repeated);
  state.counters["answers"] = static_cast<double>(line.writer->GetAnswers());
  state.counters["garbled"] = static_cast<double>(line.writer->GetCorrupted());
}
BENCHMARK(BM_StenturaNoneLostOnAPoorLine)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  const kelm_bench::ScratchHive hive("stentura_bench");
  if (hive.folder().empty()) return 1;
  return kelm_bench::run_benchmarks(argc, argv);
}
