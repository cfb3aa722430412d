#include "translate_serve.h"

#include <chrono>
#include <iostream>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "listen_commands.h"

namespace kelm_cli {
namespace {

constexpr unsigned short default_port = 8080;
constexpr auto log_poll = std::chrono::milliseconds(100);

// "[HOST:]PORT", the host bare or, for IPv6, in brackets; false when it is
// not that. Port 0 takes any free one.
bool split_address(const std::string& text, std::string& host, unsigned short& port) {
  host = "127.0.0.1";
  std::string port_text = text;
  if (const std::size_t colon = text.rfind(':'); colon != std::string::npos) {
    host = text.substr(0, colon);
    port_text = text.substr(colon + 1);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
      host = host.substr(1, host.size() - 2);
    else if (host.find(':') != std::string::npos)
      return false;
    if (host.empty()) return false;
  }
  if (port_text.empty() || port_text.size() > 5 ||
      port_text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const unsigned long number = std::stoul(port_text);
  if (number > 65535) return false;
  port = static_cast<unsigned short>(number);
  return true;
}

class Service : public CaptionService {
 public:
  explicit Service(CCaptionServer::Options options) {
    options.log = [this](const std::string& line) {
      const std::lock_guard<std::mutex> lock(m_mutex);
      m_lines.push_back(line);
    };
    m_server = std::make_unique<CCaptionServer>(std::move(options));
  }

  bool Start(std::string& why) { return m_server->Start(why); }
  std::string Address() const { return m_server->GetAddress(); }

  void Post(const CTranslator::Edit& edit) override { m_server->Post(edit); }

  void PrintLog(const std::function<void(const std::string&)>& print) override {
    std::vector<std::string> lines;
    {
      const std::lock_guard<std::mutex> lock(m_mutex);
      lines.swap(m_lines);
    }
    for (const std::string& line : lines) print(line);
  }

  void ServeUntilStopped(const std::function<void(const std::string&)>& print) override {
    const StopSignals signals;
    while (!StopSignals::Requested()) {
      std::this_thread::sleep_for(log_poll);
      PrintLog(print);
    }
    m_server->Stop();
    PrintLog(print);
  }

 private:
  std::unique_ptr<CCaptionServer> m_server;
  std::mutex m_mutex;
  std::vector<std::string> m_lines;
};

}  // namespace

CLI::Option* add_serve_options(CLI::App& translate, ServeOptions& options) {
  CLI::Option* serve =
      translate
          .add_option("--serve", options.address,
                      "Show the text live in web browsers: serve a page at this address "
                      "(127.0.0.1:8080 when none is given; 127.0.0.1 unless a host is named, "
                      "0.0.0.0 for every network) and keep serving the final text until Ctrl-C")
          ->type_name("[HOST:]PORT")
          ->expected(0, 1)
          ->check([](const std::string& text) {
            std::string host;
            unsigned short port = default_port;
            return split_address(text, host, port) ? std::string()
                                                   : "is not [HOST:]PORT, as 8080 or 0.0.0.0:8080";
          });
  translate
      .add_option("--token", options.token,
                  "With --serve, the page and its stream need this text in their address")
      ->type_name("TEXT")
      ->needs(serve);
  translate
      .add_option("--max-viewers", options.max_viewers,
                  "With --serve, the connections open at once, at most 32 from one address")
      ->type_name("N")
      ->check(CLI::Range(1, 100000))
      ->default_str("200")
      ->needs(serve);
  translate
      .add_flag("--serve-exit", options.exit_with_input,
                "With --serve, stop serving when the input ends")
      ->needs(serve);
  return serve;
}

std::unique_ptr<CaptionService> start_captions(const ServeOptions& options, bool& failed) {
  failed = false;
  if (!options.requested) return nullptr;
  CCaptionServer::Options server;
  if (!options.address.empty()) split_address(options.address, server.host, server.port);
  server.token = options.token;
  server.max_connections = options.max_viewers;
  server.max_per_address = std::min<std::size_t>(options.max_viewers, 32);
  auto service = std::make_unique<Service>(std::move(server));
  std::string why;
  if (!service->Start(why)) {
    std::cerr << "kelm translate: " << why << '\n';
    failed = true;
    return nullptr;
  }
  std::cerr << "kelm translate: captions at " << service->Address() << std::endl;
  return service;
}

}  // namespace kelm_cli
