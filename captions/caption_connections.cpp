// The connections of the caption server: a page request, answered and
// closed, or a viewer's upgrade to the stream, which then lives as a Viewer
// until either side closes it.
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <utility>

#include "captions/caption_hub.h"
#include "captions/caption_messages.h"
#include "captions/caption_page.h"

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace net = boost::asio;
using tcp = net::ip::tcp;

namespace captions {
namespace {

// A request must arrive whole within this time, and fit in this many bytes;
// a page request needs far less of both.
constexpr auto request_time = std::chrono::seconds(10);
constexpr std::uint32_t most_header_bytes = 8 * 1024;
// Viewers send only control frames; anything longer is refused.
constexpr std::size_t most_message_bytes = 1024;
// A stream with no answer to the server's pings for this long is dropped.
constexpr auto idle_time = std::chrono::seconds(30);
// Connections over a bound are told so; these many at once at most, the
// rest are closed unanswered.
constexpr std::size_t most_refused_at_once = 16;
// A queue that grows past this many messages is behind, however short they
// are.
constexpr std::size_t most_queued_messages = 4096;

constexpr std::string_view stream_path = "/stream";

// What a log line shows of a client's target: printable ASCII, and not much
// of it.
std::string shown_target(std::string_view target) {
  constexpr std::size_t most_shown = 80;
  std::string shown;
  for (const char c : target.substr(0, most_shown)) shown += c >= 0x20 && c < 0x7F ? c : '?';
  if (target.size() > most_shown) shown += "...";
  return shown;
}

std::string_view view(beast::string_view text) { return {text.data(), text.size()}; }

std::string status_line(http::status status) {
  return std::to_string(static_cast<unsigned>(status)) + " " +
         std::string(view(http::obsolete_reason(status)));
}

}  // namespace

// --- Bounds ------------------------------------------------------------------

Slot::Slot(Hub& hub, std::string address, bool counted)
    : m_hub(&hub), m_address(std::move(address)), m_counted(counted) {
  ++hub.open;
  if (!counted) return;
  ++hub.counted;
  ++hub.per_address[m_address];
}

Slot::Slot(Slot&& other) noexcept
    : m_hub(std::exchange(other.m_hub, nullptr)),
      m_address(std::move(other.m_address)),
      m_counted(other.m_counted),
      m_stream(std::exchange(other.m_stream, nullptr)) {}

Slot::~Slot() {
  if (!m_hub) return;
  Watch(nullptr);
  if (m_counted) {
    --m_hub->counted;
    const auto found = m_hub->per_address.find(m_address);
    if (--found->second == 0) m_hub->per_address.erase(found);
  }
  if (--m_hub->open == 0 && m_hub->stopping) m_hub->ioc.stop();
}

void Slot::Watch(beast::tcp_stream* stream) {
  if (m_stream) m_hub->streams.erase(m_stream);
  m_stream = stream;
  if (m_stream) m_hub->streams.insert(m_stream);
}

// --- Viewers -----------------------------------------------------------------

// One reader's stream: the whole text first, then each message broadcast,
// one write at a time from a queue of its own.
class Viewer : public std::enable_shared_from_this<Viewer> {
 public:
  Viewer(Hub& hub, Slot slot, beast::tcp_stream stream)
      : m_hub(hub), m_slot(std::move(slot)), m_ws(std::move(stream)) {
    m_slot.Watch(&beast::get_lowest_layer(m_ws));
  }
  Viewer(const Viewer&) = delete;
  Viewer& operator=(const Viewer&) = delete;
  ~Viewer() {
    m_hub.viewers.erase(this);
    m_hub.viewer_count = m_hub.viewers.size();
  }

  void Accept(const http::request<http::empty_body>& request) {
    beast::get_lowest_layer(m_ws).expires_never();
    boost::system::error_code ignored;
    beast::get_lowest_layer(m_ws).socket().set_option(
        net::socket_base::send_buffer_size(m_hub.options.send_buffer_bytes), ignored);
    websocket::stream_base::timeout timeout{};
    timeout.handshake_timeout = request_time;
    timeout.idle_timeout = idle_time;
    timeout.keep_alive_pings = true;
    m_ws.set_option(timeout);
    m_ws.read_message_max(most_message_bytes);
    m_ws.async_accept(
        request, [self = shared_from_this()](beast::error_code error) { self->OnAccept(error); });
  }

  // Queues `message`, or, when the queue is past its bounds, drops the
  // queue: the whole text goes next, and covers this message too.
  void Send(const std::shared_ptr<const std::string>& message) {
    if (m_behind) return;
    if (m_queued + message->size() > m_hub.options.max_queued_bytes ||
        m_queue.size() >= most_queued_messages) {
      m_queue.clear();
      m_queued = 0;
      m_behind = true;
    } else {
      m_queue.push_back(message);
      m_queued += message->size();
    }
    if (!m_writing) WriteNext();
  }

  void Resync() {
    m_queue.clear();
    m_queued = 0;
    m_behind = true;
    if (!m_writing) WriteNext();
  }

 private:
  void OnAccept(beast::error_code error) {
    if (error) {
      m_hub.Refuse(m_slot.Address(), "handshake",
                   "400 Bad Request (stream handshake: " + error.message() + ")");
      return;
    }
    m_hub.viewers.insert(this);
    m_hub.viewer_count = m_hub.viewers.size();
    WriteNext();
    Read();
  }

  void Read() {
    m_in.clear();
    m_ws.async_read(m_in, [self = shared_from_this()](beast::error_code error, std::size_t) {
      self->OnRead(error);
    });
  }

  // A viewer has nothing to say: a message ends its stream with "policy
  // violation", and a frame too large or malformed with the status the
  // stream itself sends (1009, 1002).
  void OnRead(beast::error_code error) {
    if (!error) {
      m_hub.Refuse(m_slot.Address(), "message", "1008 sent a message; viewers only read");
      m_ws.async_close(
          websocket::close_reason(websocket::close_code::policy_error, "viewers only read"),
          [self = shared_from_this()](beast::error_code) {});
      return;
    }
    if (error.category() == websocket::make_error_code(websocket::error::closed).category() &&
        error != websocket::error::closed)
      m_hub.Refuse(m_slot.Address(), "frame", "refused a frame: " + error.message());
  }

  void WriteNext() {
    std::shared_ptr<const std::string> message;
    if (m_behind) {
      message = WholeMessage(m_hub);
      m_behind = false;
    } else if (!m_queue.empty()) {
      message = std::move(m_queue.front());
      m_queue.pop_front();
      m_queued -= message->size();
    } else {
      m_writing = false;
      return;
    }
    m_writing = true;
    m_ws.text(true);
    m_ws.async_write(net::buffer(*message),
                     [self = shared_from_this(), message](beast::error_code error, std::size_t) {
                       if (!error) self->WriteNext();
                     });
  }

  Hub& m_hub;
  Slot m_slot;
  websocket::stream<beast::tcp_stream> m_ws;
  beast::flat_buffer m_in;
  std::deque<std::shared_ptr<const std::string>> m_queue;
  std::size_t m_queued = 0;
  bool m_writing = false;
  // Owes the viewer the whole text, which it gets before any edit.
  bool m_behind = true;
};

// --- Page requests -----------------------------------------------------------

namespace {

// One request on a connection, answered and closed: browsers open a new
// connection for the next, and an idle one holds no place in the bounds.
class Request : public std::enable_shared_from_this<Request> {
 public:
  Request(Hub& hub, Slot slot, tcp::socket socket, bool over_bounds)
      : m_hub(hub), m_slot(std::move(slot)), m_stream(std::move(socket)), m_over(over_bounds) {
    m_slot.Watch(&m_stream);
    m_parser.header_limit(most_header_bytes);
  }

  void Start() {
    m_stream.expires_after(request_time);
    http::async_read(
        m_stream, m_buffer, m_parser,
        [self = shared_from_this()](beast::error_code error, std::size_t) { self->OnRead(error); });
  }

 private:
  void OnRead(beast::error_code error) {
    if (error == http::error::end_of_stream || error == beast::error::timeout) return;
    if (error == http::error::header_limit)
      return Refuse(http::status::request_header_fields_too_large, "header", "");
    if (error == http::error::unexpected_body || error == http::error::body_limit)
      return Refuse(http::status::payload_too_large, "body", "");
    if (error)
      return Refuse(http::status::bad_request, "malformed", "malformed: " + error.message());
    const http::request<http::empty_body>& request = m_parser.get();
    const std::string what =
        std::string(view(request.method_string())) + " " + shown_target(view(request.target()));
    if (m_over) {
      m_hub.Refuse(
          m_slot.Address(), "busy",
          status_line(http::status::service_unavailable) + " (too many connections; " + what + ")");
      return Respond(http::status::service_unavailable);
    }
    const Target target = ParseTarget(view(request.target()));
    if (!target.valid) return Refuse(http::status::bad_request, "target", what);
    const bool page = target.path == "/";
    const bool stream = target.path == stream_path;
    if (!page && !stream) return Refuse(http::status::not_found, "path", what);
    const bool allowed =
        request.method() == http::verb::get || (page && request.method() == http::verb::head);
    if (!allowed) return Refuse(http::status::method_not_allowed, "method", what);
    if (!m_hub.options.token.empty() &&
        !(target.has_token && SameSecret(target.token, m_hub.options.token)))
      return Refuse(http::status::forbidden, "token", what);
    if (page) return Respond(http::status::ok);
    if (!websocket::is_upgrade(request))
      return Refuse(http::status::upgrade_required, "upgrade", what);
    auto viewer = std::make_shared<Viewer>(m_hub, std::move(m_slot), std::move(m_stream));
    viewer->Accept(request);
  }

  void Refuse(http::status status, const std::string& kind, const std::string& what) {
    m_hub.Refuse(m_slot.Address(), kind,
                 status_line(status) + (what.empty() ? "" : " (" + what + ")"));
    Respond(status);
  }

  void Respond(http::status status) {
    auto response = std::make_shared<http::response<http::string_body>>(status, 11);
    response->set(http::field::server, "kelm");
    response->set(http::field::cache_control, "no-store");
    response->set("X-Content-Type-Options", "nosniff");
    // The token stands in the page's address; no link may carry it away.
    response->set("Referrer-Policy", "no-referrer");
    if (status == http::status::ok) {
      response->set(http::field::content_type, "text/html; charset=utf-8");
      response->set("Content-Security-Policy",
                    "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
                    "connect-src 'self'; img-src data:");
      response->body() = std::string(Page());
    } else {
      response->set(http::field::content_type, "text/plain; charset=utf-8");
      response->body() = status_line(status) + "\n";
      if (status == http::status::method_not_allowed)
        response->set(http::field::allow, "GET, HEAD");
      if (status == http::status::upgrade_required)
        response->set(http::field::upgrade, "websocket");
      if (status == http::status::service_unavailable) response->set(http::field::retry_after, "5");
    }
    response->prepare_payload();
    // A HEAD answer says how long the page is, without it.
    if (m_parser.is_header_done() && m_parser.get().method() == http::verb::head)
      response->body().clear();
    response->keep_alive(false);
    m_stream.expires_after(request_time);
    http::async_write(m_stream, *response,
                      [self = shared_from_this(), response](beast::error_code, std::size_t) {
                        boost::system::error_code ignored;
                        self->m_stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
                      });
  }

  Hub& m_hub;
  Slot m_slot;
  beast::tcp_stream m_stream;
  beast::flat_buffer m_buffer;
  http::request_parser<http::empty_body> m_parser;
  bool m_over;
};

}  // namespace

void StartConnection(Hub& hub, tcp::socket socket) {
  boost::system::error_code error;
  const tcp::endpoint peer = socket.remote_endpoint(error);
  if (error) return;
  const std::string address = peer.address().to_string();
  const auto found = hub.per_address.find(address);
  const bool over =
      hub.counted >= hub.options.max_connections ||
      (found != hub.per_address.end() && found->second >= hub.options.max_per_address);
  if (over && hub.open - hub.counted >= most_refused_at_once) {
    hub.Refuse(address, "busy", "closed unanswered (too many connections)");
    return;
  }
  std::make_shared<Request>(hub, Slot(hub, address, !over), std::move(socket), over)->Start();
}

void Broadcast(Hub& hub, const std::shared_ptr<const std::string>& message) {
  for (Viewer* viewer : hub.viewers) viewer->Send(message);
}

void ResyncAll(Hub& hub) {
  for (Viewer* viewer : hub.viewers) viewer->Resync();
}

}  // namespace captions
