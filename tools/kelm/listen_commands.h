// `kelm listen` and `kelm ports`: a steno writer on a serial line. listen
// prints each stroke as it arrives and the connection's ups and downs, and
// keeps going across a pulled cable; ports lists the serial devices present.
// Also what `kelm translate --port` shares with listen.
#pragma once

#include <kelm/kelm.h>
#include <CLI/CLI.hpp>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kelm_cli {

// SIGINT and SIGTERM, while an object lives, ask a live run to end instead
// of killing it, so that it closes its port and writes its files.
class StopSignals {
 public:
  StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;
  ~StopSignals();
  static bool Requested();
};

// The check of every --port option: a port string names a device, and may
// name its line settings after a colon (else the writer's usual ones are
// taken). A port naming no device is a wrong command line, refused before
// any device is touched.
struct PortSpecValidator : CLI::Validator {
  PortSpecValidator();
};
const PortSpecValidator PortSpec;

// The device a port string names: the text before its colon.
std::string port_device(const std::string& spec);

// The connection, started: nothing when the port is not there and the run
// must not wait for it (said on standard error).
std::unique_ptr<CWriterConnection> connect_writer(const std::string& command,
                                                  const std::string& spec,
                                                  const std::string& writer, bool wait);

// Hands each event to `handle` until SIGINT or SIGTERM (StopSignals), with
// `tick` after each wait for one; then stops the connection and hands over
// the strokes it had queued, so that none written before the signal is lost.
void run_connection(CWriterConnection& connection,
                    const std::function<void(const CWriterConnection::Event&)>& handle,
                    const std::function<void()>& tick = {});

// One line for a change of the connection's state.
std::string describe_state(CWriterConnection::State state, const std::string& spec);

void add_listen_commands(CLI::App& app, int& status);

}  // namespace kelm_cli
