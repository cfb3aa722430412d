// A writer's strokes through CWriterConnection, on a pseudo-terminal: the
// latency from a Gemini PR packet written on the master to its stroke
// taken from the connection, and a sustained stream of strokes at the rate
// a 115,200 baud line carries, every one of which must arrive.
#include <benchmark/benchmark.h>
#include <kelm/kelm.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench_hive.h"
#include "testing/pty_pair.h"

namespace {

using steady = std::chrono::steady_clock;

constexpr char spec_settings[] = ":baud=115200 parity=N data=8 stop=1";
constexpr std::size_t packet_size = 6;

double percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

// Stroke n's Gemini PR packet: keys that change from one stroke to the
// next, so that a lost stroke shows.
std::string packet(unsigned n) {
  std::string p(packet_size, '\0');
  p[0] = static_cast<char>(0x80);
  p[1] = static_cast<char>(n & 0x7F);
  p[4] = static_cast<char>((n >> 7) & 0x7F);
  p[5] = 0x01;  // -Z: never an empty stroke
  return p;
}

// Waits for the next stroke, passing over changes of state.
bool next_stroke(CWriterConnection& connection, CStroke& stroke) {
  CWriterConnection::Event event;
  while (connection.GetEvent(event, 2000))
    if (event.kind == CWriterConnection::Event::Stroke) {
      stroke = event.stroke;
      return true;
    }
  return false;
}

// Each iteration writes one packet on a quiet line and waits for its stroke.
void BM_StrokeLatency(benchmark::State& state) {
  PtyPair pty;
  CWriterConnection connection(CString((pty.SlavePath() + spec_settings).c_str()),
                               CWriterStream::GeminiPR);
  if (!connection.Start()) {
    state.SkipWithError("cannot open the pseudo-terminal");
    return;
  }
  std::vector<double> latencies;
  latencies.reserve(static_cast<std::size_t>(state.max_iterations));
  unsigned n = 0;
  CStroke stroke;
  for (auto _ : state) {
    const auto sent = steady::now();
    pty.Send(packet(++n));
    if (!next_stroke(connection, stroke)) {
      state.SkipWithError("a stroke did not arrive");
      break;
    }
    latencies.push_back(std::chrono::duration<double, std::micro>(steady::now() - sent).count());
  }
  connection.Stop();
  state.counters["median_us"] = percentile(latencies, 0.5);
  state.counters["p99_us"] = percentile(latencies, 0.99);
  state.counters["max_us"] = percentile(latencies, 1.0);
}
BENCHMARK(BM_StrokeLatency)->Iterations(10000)->UseRealTime();

// 115,200 baud carries 11,520 bytes a second (ten bits a byte): 1,920
// Gemini PR strokes. The writer sends them in bursts every 5 ms at that
// rate; the reader checks that every stroke came, once and in order.
constexpr unsigned strokes = 10000;
constexpr double bytes_per_second = 115200.0 / 10;
constexpr auto burst_interval = std::chrono::milliseconds(5);

void BM_SustainedStrokes(benchmark::State& state) {
  PtyPair pty;
  CWriterConnection connection(CString((pty.SlavePath() + spec_settings).c_str()),
                               CWriterStream::GeminiPR);
  if (!connection.Start()) {
    state.SkipWithError("cannot open the pseudo-terminal");
    return;
  }
  unsigned long lost = 0;
  for (auto _ : state) {
    std::thread writer([&pty] {
      const auto start = steady::now();
      unsigned sent = 0;
      while (sent < strokes) {
        const double seconds = std::chrono::duration<double>(steady::now() - start).count();
        const auto due = std::min<unsigned>(
            strokes, static_cast<unsigned>(seconds * bytes_per_second / packet_size) + 1);
        std::string burst;
        for (; sent < due; ++sent) burst += packet(sent);
        pty.Send(burst);
        std::this_thread::sleep_for(burst_interval);
      }
    });
    CStroke stroke;
    for (unsigned n = 0; n < strokes; ++n) {
      CWriterStream expected_reader(CWriterStream::GeminiPR);
      std::vector<CStroke> expected;
      const std::string p = packet(n);
      expected_reader.Feed(reinterpret_cast<const BYTE*>(p.data()), static_cast<int>(p.size()),
                           expected);
      if (!next_stroke(connection, stroke)) {
        lost += strokes - n;
        break;
      }
      if (stroke != expected.front()) ++lost;
    }
    writer.join();
  }
  connection.Stop();
  state.counters["strokes_per_s"] = benchmark::Counter(
      static_cast<double>(state.iterations() * strokes), benchmark::Counter::kIsRate);
  state.counters["strokes_lost"] = static_cast<double>(lost);
  state.counters["bytes_dropped"] = static_cast<double>(connection.GetDroppedBytes());
}
BENCHMARK(BM_SustainedStrokes)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  const kelm_bench::ScratchHive hive("writer_bench");
  if (hive.folder().empty()) return 1;
  return kelm_bench::run_benchmarks(argc, argv);
}
