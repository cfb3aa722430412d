// A viewer of the caption server's stream for tests and benchmarks, as a
// page would be: a WebSocket client (Boost.Beast) that applies every message
// to the text it holds, counting the characters to take back in UTF-16
// units as a page's script does. Each viewer has an event loop of its own,
// which runs only inside Poll and WaitFor, on the caller's thread; many
// viewers can share one thread by polling in turn, or share one loop that
// the caller runs (a benchmark's reading thread). For tests only: it is not
// installed.
#pragma once

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "platform/code_page.h"

class CaptionViewer {
 public:
  using Clock = std::chrono::steady_clock;

  // Connects and shakes hands at once; Error() says why when that failed.
  // A receive buffer, when given, is set before connecting, as a slow
  // reader's small one would be.
  explicit CaptionViewer(unsigned short port, const std::string& target = "/stream",
                         int receive_buffer = 0)
      : CaptionViewer(std::make_unique<boost::asio::io_context>(1), nullptr, port, target,
                      receive_buffer) {}
  // On `loop`, which must not be running on another thread while this
  // connects; afterwards the caller runs it, and Poll and WaitFor are not for
  // this viewer.
  CaptionViewer(boost::asio::io_context& loop, unsigned short port, const std::string& target)
      : CaptionViewer(nullptr, &loop, port, target, 0) {}

 private:
  CaptionViewer(std::unique_ptr<boost::asio::io_context> own, boost::asio::io_context* loop,
                unsigned short port, const std::string& target, int receive_buffer)
      : m_own(std::move(own)), m_ioc(loop ? *loop : *m_own), m_ws(m_ioc) {
    boost::system::error_code error;
    auto& socket = m_ws.next_layer();
    socket.open(boost::asio::ip::tcp::v4(), error);
    if (receive_buffer > 0)
      socket.set_option(boost::asio::socket_base::receive_buffer_size(receive_buffer), error);
    socket.connect({boost::asio::ip::make_address("127.0.0.1"), port}, error);
    // The asynchronous handshake keeps the answer of a refusal too. The loop
    // runs one handler at a time, since other viewers may share it.
    if (!error) {
      bool done = false;
      m_ws.async_handshake(m_response, "127.0.0.1:" + std::to_string(port), target,
                           [&](boost::system::error_code got) {
                             error = got;
                             done = true;
                           });
      const auto until = Clock::now() + std::chrono::seconds(10);
      while (!done) {
        if (Clock::now() >= until) m_ws.next_layer().close(error);
        m_ioc.run_one_for(std::chrono::milliseconds(100));
        if (m_ioc.stopped()) m_ioc.restart();
      }
    }
    if (error) {
      m_error = error;
      return;
    }
    m_open = true;
    ReadNext();
  }

 public:
  bool IsOpen() const { return m_open; }
  const boost::system::error_code& Error() const { return m_error; }
  // The handshake's answer, as a refused one gave it.
  unsigned Status() const { return m_response.result_int(); }
  // The close frame's status, once the server has closed the stream.
  unsigned short CloseCode() const { return m_ws.reason().code; }

  // Runs the handlers that are ready. A loop that ran out of work (a paused
  // viewer's) stays stopped until restarted.
  void Poll() {
    m_ioc.restart();
    m_ioc.poll();
  }
  // Polls until `done` or the time is up; whether `done`.
  bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds within) {
    const auto until = Clock::now() + within;
    while (!done()) {
      if (Clock::now() >= until) return false;
      m_ioc.run_for(std::chrono::milliseconds(5));
      m_ioc.restart();
    }
    return true;
  }
  // Until the text is `want` (Windows-1252), as the server's would be.
  bool WaitForText(std::string_view want, std::chrono::milliseconds within) {
    return WaitFor([this, want] { return Text() == want; }, within);
  }
  bool WaitForUtf8(std::string_view want, std::chrono::milliseconds within) {
    return WaitFor([this, want] { return Utf8() == want; }, within);
  }
  bool WaitForClose(std::chrono::milliseconds within) {
    return WaitFor([this] { return !m_open; }, within);
  }

  // A reader that stops reading leaves the stream's bytes in the kernel.
  void Pause() { m_paused = true; }
  void Resume() {
    m_paused = false;
    if (m_open && !m_reading) ReadNext();
  }
  // Ends the connection without a goodbye, as a killed browser does.
  void Kill() {
    boost::system::error_code ignored;
    m_ws.next_layer().close(ignored);
    m_open = false;
  }
  // Sends a text message of `size` bytes, which a viewer never should.
  boost::system::error_code Send(std::size_t size) {
    boost::system::error_code error;
    m_ws.write(boost::asio::buffer(std::string(size, 'x')), error);
    return error;
  }

  // The text held, in Windows-1252, as the library holds it.
  std::string Text() const {
    if (m_text.empty()) return {};
    std::string text(m_text.size(), '\0');
    const int length = static_cast<int>(m_text.size());
    WideCharToMultiByte(CP_ACP, 0, m_text.data(), length, text.data(), length, nullptr, nullptr);
    return text;
  }
  // The text held, in UTF-8.
  std::string Utf8() const {
    std::string text(m_text.size() * 3, '\0');
    text.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, m_text.data(), static_cast<int>(m_text.size()), text.data(),
                            static_cast<int>(text.size()), nullptr, nullptr)));
    return text;
  }
  // In UTF-16 units, without converting the text.
  std::size_t Length() const { return m_text.size(); }
  std::size_t Messages() const { return m_messages; }
  std::size_t WholeTexts() const { return m_wholes; }
  std::size_t BytesReceived() const { return m_bytes; }
  // When the last message arrived.
  Clock::time_point LastArrival() const { return m_arrival; }
  // Called on each message as it arrives, for a benchmark's timing.
  std::function<void()> on_message;

 private:
  void ReadNext() {
    m_reading = true;
    m_in.clear();
    m_ws.async_read(m_in, [this](boost::system::error_code error, std::size_t size) {
      m_reading = false;
      if (error) {
        m_open = false;
        m_error = error;
        return;
      }
      m_arrival = Clock::now();
      m_bytes += size;
      Apply(boost::beast::buffers_to_string(m_in.data()));
      if (on_message) on_message();
      if (!m_paused) ReadNext();
    });
  }

  static std::u16string Wide(std::string_view utf8) {
    if (utf8.empty()) return {};
    std::u16string wide(utf8.size(), u'\0');
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                          wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(units));
    return wide;
  }

  void Apply(std::string_view message) {
    ++m_messages;
    if (message.starts_with('T')) {
      ++m_wholes;
      m_text = Wide(message.substr(1));
    } else if (message.starts_with('E')) {
      const std::size_t colon = message.find(':');
      const std::size_t back = std::stoul(std::string(message.substr(1, colon - 1)));
      m_text.resize(m_text.size() - std::min(back, m_text.size()));
      m_text += Wide(message.substr(colon + 1));
    }
  }

  std::unique_ptr<boost::asio::io_context> m_own;
  boost::asio::io_context& m_ioc;
  boost::beast::websocket::stream<boost::asio::ip::tcp::socket> m_ws;
  boost::beast::websocket::response_type m_response;
  boost::beast::flat_buffer m_in;
  boost::system::error_code m_error;
  bool m_open = false;
  bool m_reading = false;
  bool m_paused = false;
  std::u16string m_text;
  std::size_t m_messages = 0;
  std::size_t m_wholes = 0;
  std::size_t m_bytes = 0;
  Clock::time_point m_arrival;
};
