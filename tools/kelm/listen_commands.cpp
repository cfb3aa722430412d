#include "listen_commands.h"

#include <kelm/kelm.h>

#include <atomic>
#include <csignal>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "exit_status.h"
#include "settings_commands.h"
#include "text_encoding.h"
#include "writer_input.h"

namespace kelm_cli {
namespace {

// How often a live run looks for a stop request between events.
constexpr DWORD poll_milliseconds = 100;

std::atomic<bool> stop_requested{false};

extern "C" void request_stop(int) { stop_requested = true; }

struct ListenOptions {
  std::string port;
  std::string writer;
  bool wait = false;
};

std::string open_failure(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      return "there is no such device";
    case ERROR_ACCESS_DENIED:
      return "another program has it open, or you may not open it";
    case ERROR_INVALID_PARAMETER:
      return "the line settings are not ones the device takes";
    case ERROR_INVALID_NAME:
      return "that is no device name";
  }
  return "error " + std::to_string(error);
}

// The stroke in the plain notation, as `kelm stroke show` writes it.
std::string plain(const CStroke& stroke, int grandjean) {
  CSteno steno;
  steno.Append(stroke);
  return printable(steno.GetStrDisplay(grandjean));
}

int run_listen(const ListenOptions& options) {
  const StopSignals signals;
  const std::unique_ptr<CWriterConnection> connection =
      connect_writer("listen", options.port, options.writer, options.wait);
  if (!connection) return exit_bad_input;
  const int grandjean = grandjean_setting();
  run_connection(*connection, [&options, grandjean](const CWriterConnection::Event& event) {
    if (event.kind == CWriterConnection::Event::Stroke)
      std::cout << printable(event.stroke.GetTimeStamp().Format("%H:%M:%S")) << ' '
                << plain(event.stroke, grandjean) << std::endl;
    else
      std::cerr << "kelm listen: " << describe_state(event.state, options.port) << std::endl;
  });
  return exit_ok;
}

std::string describe_port(const KelmSerialPort& port) {
  std::string line = port.byId.IsEmpty() ? std::string(port.device.View())
                                         : printable(port.byId) + " -> " + printable(port.device);
  if (!port.vendorId.IsEmpty()) {
    line += "  USB " + printable(port.vendorId) + ':' + printable(port.productId);
    for (const CString* name : {&port.manufacturer, &port.product})
      if (!name->IsEmpty()) line += ' ' + printable(*name);
  }
  return line;
}

int run_ports() {
  const std::vector<KelmSerialPort> ports = KelmEnumSerialPorts();
  if (ports.empty()) std::cerr << "kelm ports: no serial devices found\n";
  for (const KelmSerialPort& port : ports) std::cout << describe_port(port) << '\n';
  return exit_ok;
}

void add_listen(CLI::App& app, int& status) {
  auto options = std::make_shared<ListenOptions>();
  CLI::App* listen = app.add_subcommand(
      "listen",
      "Print each stroke a steno writer sends down a serial line as it arrives (its time and "
      "plain notation, one a line), and the connection's changes on standard error; a pulled "
      "cable is waited out. Ctrl-C ends it");
  listen
      ->add_option("--port", options->port,
                   "The device and its line settings: /dev/ttyUSB0:9600,n,8,1, "
                   "/dev/serial/by-id/usb-...:baud=9600 parity=N data=8 stop=1, COM3:9600,n,8,1; "
                   "without settings, the writer's usual ones")
      ->required()
      ->type_name("SPEC")
      ->check(PortSpec);
  listen->add_option("--writer", options->writer, "The writer's protocol:" + writer_help())
      ->required()
      ->transform(CLI::IsMember(writer_names(), CLI::ignore_case))
      ->type_name("FORMAT");
  listen->add_flag("--wait", options->wait,
                   "Wait for a device that is not there yet instead of failing");
  listen->callback([options, &status] { status = run_listen(*options); });
}

void add_ports(CLI::App& app, int& status) {
  CLI::App* ports = app.add_subcommand(
      "ports",
      "List the serial devices present: the stable /dev/serial/by-id name with the device it "
      "stands for, and a USB adapter's vendor and product");
  ports->callback([&status] { status = run_ports(); });
}

}  // namespace

StopSignals::StopSignals() {
  stop_requested = false;
  struct sigaction action {};
  action.sa_handler = request_stop;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGINT, SIGTERM}) sigaction(signal, &action, nullptr);
}

StopSignals::~StopSignals() {
  for (const int signal : {SIGINT, SIGTERM}) std::signal(signal, SIG_DFL);
}

bool StopSignals::Requested() { return stop_requested; }

PortSpecValidator::PortSpecValidator() {
  name_ = "PORT";
  func_ = [](const std::string& spec) {
    if (!spec.empty() && spec.front() != ':') return std::string();
    return std::string("names no device, as /dev/ttyUSB0:9600,n,8,1 does");
  };
}

std::string port_device(const std::string& spec) { return spec.substr(0, spec.find(':')); }

std::unique_ptr<CWriterConnection> connect_writer(const std::string& command,
                                                  const std::string& spec,
                                                  const std::string& writer, bool wait) {
  const CWriterStream::Protocol protocol = find_writer(writer);
  auto connection = std::make_unique<CWriterConnection>(
      CString(to_cp1252(with_line_settings(spec, protocol))), protocol);
  if (connection->Start() || (wait && connection->GetOpenError() == ERROR_FILE_NOT_FOUND))
    return connection;
  std::cerr << "kelm " << command << ": cannot open " << port_device(spec) << ": "
            << open_failure(connection->GetOpenError())
            << (connection->GetOpenError() == ERROR_FILE_NOT_FOUND
                    ? " (--wait waits for it to be plugged in)"
                    : "")
            << '\n';
  connection->Stop();
  return nullptr;
}

void run_connection(CWriterConnection& connection,
                    const std::function<void(const CWriterConnection::Event&)>& handle,
                    const std::function<void()>& tick) {
  CWriterConnection::Event event;
  while (!StopSignals::Requested()) {
    if (connection.GetEvent(event, poll_milliseconds)) handle(event);
    if (tick) tick();
  }
  connection.Stop();
  while (connection.GetEvent(event, 0)) handle(event);
}

std::string describe_state(CWriterConnection::State state, const std::string& spec) {
  const std::string device = port_device(spec);
  switch (state) {
    case CWriterConnection::Waiting:
      return "waiting for the writer on " + device;
    case CWriterConnection::Connected:
      return "connected to " + device;
    case CWriterConnection::Disconnected:
      return "disconnected from " + device + "; trying again every second";
    case CWriterConnection::Stopped:
      break;
  }
  return "closed " + device;
}

void add_listen_commands(CLI::App& app, int& status) {
  add_listen(app, status);
  add_ports(app, status);
}

}  // namespace kelm_cli
