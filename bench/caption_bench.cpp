// The caption server with its viewers on the loopback: the latency from a
// stroke handed to the translator to each viewer's receipt of its edit,
// with 1 and 200 viewers; the strokes per second it carries to 200 viewers,
// all of whom must end with the translator's text; and the memory the
// server takes for 200 viewers, the viewers being another process.
#include <benchmark/benchmark.h>
#include <kelm/kelm.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <boost/asio/executor_work_guard.hpp>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench_hive.h"
#include "testing/caption_viewer.h"

namespace {

using steady = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Plain words and punctuation: no suffix, so that no stroke waits for the
// spelling checker, and every stroke changes the text.
constexpr const char* words[] = {"WE",  "WORBG", "THE", "KAT",  "EU", "K",     "SR",      "AUL",
                                 "THA", "WAS",   "WR",  "TPOR", "U",  "TP-PL", "HRAOEUF", "RAOEUT"};

double percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

CStroke stroke(std::size_t n) {
  CSteno steno;
  steno.SetString(words[n % std::size(words)], 0);
  return steno[0];
}

const CStenoDictionary& dictionary() {
  static const CStenoDictionary loaded = [] {
    CStenoDictionary d;
    d.Read(KELM_EXAMPLES_DIR "/sample.rtf");
    return d;
  }();
  return loaded;
}

std::unique_ptr<CCaptionServer> start_server(std::size_t viewers) {
  CCaptionServer::Options options;
  options.port = 0;
  options.max_connections = viewers + 10;
  options.max_per_address = viewers + 10;
  auto server = std::make_unique<CCaptionServer>(options);
  std::string why;
  if (!server->Start(why)) return nullptr;
  return server;
}

// Viewers on one event loop, read by threads of their own: each message's
// arrival is stamped, and a viewer that holds the goal text is counted.
class Audience {
 public:
  Audience(unsigned short port, std::size_t count) : m_arrival(count), m_done(count) {
    for (std::size_t i = 0; i < count; ++i)
      m_viewers.push_back(std::make_unique<CaptionViewer>(m_loop, port, "/stream"));
    // The whole text first, before the clock starts.
    for (std::size_t i = 0; i < count; ++i)
      while (m_viewers[i]->IsOpen() && m_viewers[i]->Messages() == 0) m_loop.run_one_for(100ms);
    for (std::size_t i = 0; i < count; ++i)
      m_viewers[i]->on_message = [this, i] {
        m_arrival[i] = steady::now();
        const std::size_t goal = m_goalLength.load(std::memory_order_acquire);
        if (!m_done[i] && m_viewers[i]->Length() == goal && m_viewers[i]->Text() == m_goal) {
          m_done[i] = true;
          m_holding.fetch_add(1, std::memory_order_release);
        }
        m_received.fetch_add(1, std::memory_order_release);
      };
    for (std::thread& reader : m_readers) reader = std::thread([this] { m_loop.run(); });
  }
  Audience(const Audience&) = delete;
  Audience& operator=(const Audience&) = delete;
  ~Audience() {
    m_guard.reset();
    m_loop.stop();
    for (std::thread& reader : m_readers) reader.join();
  }

  std::size_t Size() const { return m_viewers.size(); }
  std::size_t Received() const { return m_received.load(std::memory_order_acquire); }
  steady::time_point Arrival(std::size_t i) const { return m_arrival[i]; }
  // Counts the viewers that come to hold `text`; set once.
  void SetGoal(const std::string& text) {
    m_goal = text;
    m_goalLength.store(text.size(), std::memory_order_release);
  }
  std::size_t Holding() const { return m_holding.load(std::memory_order_acquire); }

 private:
  boost::asio::io_context m_loop;
  boost::asio::executor_work_guard<boost::asio::io_context::executor_type> m_guard =
      boost::asio::make_work_guard(m_loop);
  std::vector<std::unique_ptr<CaptionViewer>> m_viewers;
  std::vector<steady::time_point> m_arrival;
  std::vector<bool> m_done;
  std::string m_goal;
  std::atomic<std::size_t> m_goalLength{SIZE_MAX};
  std::atomic<std::size_t> m_holding{0};
  std::atomic<std::size_t> m_received{0};
  // A viewer's handlers never run at once, having one read at a time; two
  // threads read, as two browsers' would.
  std::thread m_readers[2];
};

void BM_EditLatency(benchmark::State& state) {
  const auto viewers = static_cast<std::size_t>(state.range(0));
  const auto server = start_server(viewers);
  CTranslator translator;
  translator.AddDictionary(&dictionary());
  Audience audience(server->GetPort(), viewers);
  std::vector<double> latencies;
  std::size_t n = 0;
  for (auto _ : state) {
    const std::size_t before = audience.Received();
    const steady::time_point start = steady::now();
    server->Post(translator.AddStroke(stroke(n++)));
    while (audience.Received() < before + viewers) std::this_thread::yield();
    for (std::size_t i = 0; i < viewers; ++i)
      latencies.push_back(
          std::chrono::duration<double, std::micro>(audience.Arrival(i) - start).count());
    // Strokes come apart, as a writer's do.
    std::this_thread::sleep_for(2ms);
  }
  state.counters["median_us"] = percentile(latencies, 0.5);
  state.counters["p99_us"] = percentile(latencies, 0.99);
  state.counters["max_us"] = percentile(latencies, 1.0);
}
BENCHMARK(BM_EditLatency)->Arg(1)->Arg(200)->Iterations(1000)->UseRealTime();

// As fast as the translator gives them, until every viewer holds the text.
void BM_SustainedStrokes(benchmark::State& state) {
  constexpr std::size_t viewers = 200;
  constexpr std::size_t strokes = 20000;
  for (auto _ : state) {
    const auto server = start_server(viewers);
    CTranslator translator;
    translator.AddDictionary(&dictionary());
    Audience audience(server->GetPort(), viewers);
    const steady::time_point start = steady::now();
    for (std::size_t n = 0; n < strokes; ++n) server->Post(translator.AddStroke(stroke(n)));
    audience.SetGoal(std::string(translator.GetTextView()));
    // One more edit, so that viewers already holding the text say so.
    server->Post(translator.AddStroke(stroke(0)));
    audience.SetGoal(std::string(translator.GetTextView()));
    const steady::time_point until = steady::now() + 60s;
    while (audience.Holding() < viewers && steady::now() < until) std::this_thread::sleep_for(1ms);
    const std::chrono::duration<double> took = steady::now() - start;
    state.SetIterationTime(took.count());
    state.counters["strokes_per_s"] = static_cast<double>(strokes) / took.count();
    state.counters["viewers_holding_text"] = static_cast<double>(audience.Holding());
  }
}
BENCHMARK(BM_SustainedStrokes)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

long resident_kb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

// The viewers in a child process, started before the server has a thread,
// so that the server's process holds only the server.
void BM_ServerMemory(benchmark::State& state) {
  constexpr std::size_t viewers = 200;
  for (auto _ : state) {
    int to_child[2];
    if (pipe(to_child) != 0) return state.SkipWithError("no pipe");
    const pid_t child = fork();
    if (child == 0) {
      close(to_child[1]);
      unsigned short port = 0;
      if (read(to_child[0], &port, sizeof port) != sizeof port) _exit(1);
      Audience audience(port, viewers);
      char end = 0;
      (void)!read(to_child[0], &end, 1);
      _exit(0);
    }
    close(to_child[0]);
    // Text enough for an hour's captions, translated before the count
    // starts: the translator's memory is not the server's.
    CTranslator translator;
    translator.AddDictionary(&dictionary());
    std::vector<CTranslator::Edit> edits;
    for (std::size_t n = 0; n < 60000; ++n) edits.push_back(translator.AddStroke(stroke(n)));
    const long before = resident_kb();
    const auto server = start_server(viewers);
    const unsigned short port = server->GetPort();
    (void)!write(to_child[1], &port, sizeof port);
    while (server->GetViewerCount() < viewers) std::this_thread::sleep_for(1ms);
    for (std::size_t n = 0; n < edits.size(); ++n) {
      server->Post(edits[n]);
      if (n % 100 == 0) std::this_thread::sleep_for(1ms);
    }
    std::this_thread::sleep_for(500ms);
    const long after = resident_kb();
    close(to_child[1]);
    waitpid(child, nullptr, 0);
    state.counters["text_kb"] = static_cast<double>(translator.GetTextView().size()) / 1024;
    state.counters["server_kb"] = static_cast<double>(after - before);
    state.counters["kb_per_viewer"] = static_cast<double>(after - before) / viewers;
  }
}
BENCHMARK(BM_ServerMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  const kelm_bench::ScratchHive hive("caption_bench");
  if (hive.folder().empty()) return 1;
  return kelm_bench::run_benchmarks(argc, argv);
}
