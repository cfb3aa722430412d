// The serial line's own latency and throughput, on a pseudo-terminal: from a
// byte written on the master to the CCommPort::Read that was waiting for it
// returning, and bytes read per second while the writer floods the line.
// The stroke-level figures, with a writer protocol on top, are measured
// where the strokes are made.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench_hive.h"
#include "comm/comm_port.h"
#include "platform/registry.h"
#include "testing/pty_pair.h"

namespace {

using steady = std::chrono::steady_clock;

double percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  auto index = static_cast<size_t>(fraction * static_cast<double>(values.size() - 1));
  return values[index];
}

// Each iteration: the reader blocks in Read (time-outs long enough never to
// end it), the writer waits until it surely does, notes the time and writes
// one byte; the reader notes when Read returned.
void BM_ReadLatency(benchmark::State& state) {
  PtyPair pty;
  CCommPort port;
  if (!port.Open(CString((pty.SlavePath() + ":baud=115200 parity=N data=8 stop=1").c_str()))) {
    state.SkipWithError("cannot open the pseudo-terminal");
    return;
  }
  port.SetReadTimeouts(0, 0, 10000);
  std::vector<double> latencies;
  std::atomic<steady::rep> returned{0};
  std::atomic<int> round{0};
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    BYTE byte;
    while (!stop) {
      int mine = round.load();
      long n = port.Read(&byte, 1);
      if (n == 1) {
        returned = steady::now().time_since_epoch().count();
        round = mine + 1;
      }
    }
  });
  for (auto _ : state) {
    int before = round.load();
    // Long enough for the reader to be asleep in poll again.
    std::this_thread::sleep_for(std::chrono::microseconds(300));
    auto sent = steady::now();
    pty.Send("S");
    while (round.load() == before) std::this_thread::yield();
    auto took = steady::duration(returned.load()) - sent.time_since_epoch();
    latencies.push_back(std::chrono::duration<double, std::micro>(took).count());
  }
  stop = true;
  pty.Send("x");
  reader.join();
  port.Close();
  state.counters["median_us"] = percentile(latencies, 0.5);
  state.counters["p99_us"] = percentile(latencies, 0.99);
  state.counters["max_us"] = percentile(latencies, 1.0);
}
BENCHMARK(BM_ReadLatency)->Iterations(10000)->UseRealTime();

// The writer sends as fast as the pseudo-terminal takes bytes; the reader
// reads in blocks of 64 and checks that every byte came, in order.
void BM_ReadThroughput(benchmark::State& state) {
  PtyPair pty;
  CCommPort port;
  if (!port.Open(CString((pty.SlavePath() + ":baud=115200 parity=N data=8 stop=1").c_str()))) {
    state.SkipWithError("cannot open the pseudo-terminal");
    return;
  }
  port.SetReadTimeouts(MAXDWORD, MAXDWORD, 1000);
  constexpr size_t total = 1 << 20;
  std::string data(total, '\0');
  for (size_t i = 0; i < total; ++i) data[i] = static_cast<char>(i * 7);
  size_t lost = 0;
  for (auto _ : state) {
    std::thread writer([&] { pty.Send(data); });
    size_t got = 0;
    BYTE block[64];
    while (got < total) {
      long n = port.Read(block, sizeof block);
      if (n == 0) break;
      for (long i = 0; i < n; ++i)
        if (block[i] != static_cast<BYTE>(data[got + static_cast<size_t>(i)])) ++lost;
      got += static_cast<size_t>(n);
    }
    writer.join();
    lost += total - got;
  }
  port.Close();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * total));
  state.counters["bytes_lost"] = static_cast<double>(lost);
}
BENCHMARK(BM_ReadThroughput)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  const kelm_bench::ScratchHive hive("serial_bench");
  if (hive.folder().empty()) return 1;
  return kelm_bench::run_benchmarks(argc, argv);
}
