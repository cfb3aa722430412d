// `kelm translate --serve`: the translation shown live in web browsers by
// the library's caption server, beside the text on standard output. The
// server gets every edit the translator hands out; its refusals are
// printed between the text, at the next stroke or while it waits.
#pragma once

#include <kelm/kelm.h>

#include <CLI/CLI.hpp>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace kelm_cli {

struct ServeOptions {
  bool requested = false;  // --serve given, with or without an address
  std::string address;     // [HOST:]PORT; empty: the loopback's port 8080
  std::string token;
  std::size_t max_viewers = 200;
  bool exit_with_input = false;
};

// Adds --serve, --token, --max-viewers and --serve-exit; gives --serve,
// whose count after parsing is ServeOptions::requested.
CLI::Option* add_serve_options(CLI::App& translate, ServeOptions& options);

class CaptionService {
 public:
  virtual ~CaptionService() = default;
  virtual void Post(const CTranslator::Edit& edit) = 0;
  // Hands each log line the server has left to `print`.
  virtual void PrintLog(const std::function<void(const std::string&)>& print) = 0;
  // After the translation: serves the final text until SIGINT or SIGTERM.
  virtual void ServeUntilStopped(const std::function<void(const std::string&)>& print) = 0;
};

// Starts the server and prints the address to open; nothing without
// --serve, and nothing (said why) when the address cannot be had, in which
// case `failed` is set.
std::unique_ptr<CaptionService> start_captions(const ServeOptions& options, bool& failed);

}  // namespace kelm_cli
