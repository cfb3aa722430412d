// kelm-simulate-writer: a steno writer on a pseudo-terminal, playing the
// strokes of a steno file, so that `kelm listen` or `kelm translate --port`
// can be tried without a machine. It prints the port string to give them,
// then writes the strokes at a writer's pace once Enter is pressed (or at
// once with --now), and keeps the line up until Ctrl-C or the end of its
// input.
#include <poll.h>
#include <unistd.h>

#include <CLI/CLI.hpp>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "strokes/steno.h"
#include "testing/writer_simulator.h"

namespace {

std::atomic<bool> stop{false};

extern "C" void request_stop(int) { stop = true; }

bool read_steno(const std::string& path, std::vector<CStroke>& strokes, std::string& why) {
  std::ifstream file(path);
  if (!file) {
    why = path + ": cannot be read";
    return false;
  }
  for (std::string word; file >> word;) {
    CSteno steno;
    if (steno.SetString(word.c_str(), 0) != 0) {
      why = path + ": \"" + word + "\" is no outline";
      return false;
    }
    for (int i = 0; i < steno.GetStrokeCount(); ++i) strokes.push_back(steno[i]);
  }
  return true;
}

// Waits for a line on standard input; false at its end or on a stop.
bool wait_for_enter() {
  while (!stop) {
    pollfd ready{STDIN_FILENO, POLLIN, 0};
    if (::poll(&ready, 1, 100) <= 0) continue;
    char c;
    if (::read(STDIN_FILENO, &c, 1) <= 0) return false;
    if (c == '\n') return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"A steno writer on a pseudo-terminal, playing the strokes of a steno file"};
  std::vector<std::string> names;
  for (int p = 0; p < CWriterStream::ProtocolCount; ++p)
    names.emplace_back(CWriterStream::GetProtocolName(static_cast<CWriterStream::Protocol>(p)));
  std::string writer, steno_path, link = "/tmp/kelm-writer";
  unsigned interval = 250;
  unsigned before = 0;
  bool now = false;
  WriterSimulator::Options options;
  app.add_option("--writer", writer, "The writer's protocol")
      ->required()
      ->check(CLI::IsMember(names, CLI::ignore_case));
  app.add_option("--steno", steno_path, "Outlines in the plain notation, blank between")
      ->required();
  app.add_option("--link", link, "The port's stable name: a link to the pseudo-terminal")
      ->capture_default_str();
  app.add_option("--interval", interval, "Milliseconds between strokes")->capture_default_str();
  app.add_option("--before", before,
                 "Strokes of the file already in the realtime file before the host connects");
  app.add_option("--corrupt", options.corruptShare, "Share of answers with a bad CRC (0 to 1)");
  app.add_option("--slow", options.slowMilliseconds, "Answers wait up to this many milliseconds");
  app.add_flag("--now", now, "Write the strokes at once instead of waiting for Enter");
  CLI11_PARSE(app, argc, argv);

  std::vector<CStroke> strokes;
  std::string why;
  if (!read_steno(steno_path, strokes, why)) {
    std::cerr << "kelm-simulate-writer: " << why << '\n';
    return 1;
  }
  options.protocol = static_cast<CWriterStream::Protocol>(CWriterStream::FindProtocol(writer));
  std::signal(SIGINT, request_stop);
  std::signal(SIGTERM, request_stop);
  WriterSimulator simulator(options, link);
  const std::size_t first = std::min<std::size_t>(before, strokes.size());
  simulator.WriteBefore({strokes.begin(), strokes.begin() + static_cast<std::ptrdiff_t>(first)});
  std::cout << simulator.PortSpec() << std::endl;
  std::cerr << "kelm-simulate-writer: try  kelm listen --writer " << writer << " --port "
            << simulator.PortSpec() << (now ? "" : "  then press Enter here") << std::endl;
  if (!now && !wait_for_enter()) return 0;
  for (std::size_t i = first; i < strokes.size() && !stop; ++i) {
    simulator.Write(strokes[i]);
    std::this_thread::sleep_for(std::chrono::milliseconds(interval));
  }
  std::cerr << "kelm-simulate-writer: all " << strokes.size() - first
            << " strokes written; Ctrl-C ends" << std::endl;
  while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  return 0;
}
