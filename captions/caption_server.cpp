#include "captions/caption_server.h"

#include <boost/asio/ip/address.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <thread>
#include <utility>

#include "captions/caption_hub.h"
#include "captions/caption_messages.h"

namespace net = boost::asio;
using tcp = net::ip::tcp;

namespace captions {
namespace {

// After a failed accept (out of descriptors, say) the listener waits this
// long before it tries again, rather than spinning on the failure.
constexpr auto accept_retry = std::chrono::milliseconds(100);

void accept_next(Hub& hub) {
  hub.acceptor.async_accept([&hub](boost::system::error_code error, tcp::socket socket) {
    if (hub.stopping) return;
    if (!error) {
      StartConnection(hub, std::move(socket));
      accept_next(hub);
      return;
    }
    hub.Log("cannot accept a connection: " + error.message());
    auto timer = std::make_shared<net::steady_timer>(hub.ioc, accept_retry);
    timer->async_wait([&hub, timer](boost::system::error_code) {
      if (!hub.stopping) accept_next(hub);
    });
  });
}

// Applies the changes to the text and sends viewers one message for them
// all: an edit from the shortest start of the text that none of them
// touched, or the whole text after a replacement.
void apply_feed(Hub& hub) {
  std::vector<Change> changes;
  {
    const std::lock_guard<std::mutex> lock(hub.feed_mutex);
    changes.swap(hub.feed);
    hub.feed_posted = false;
  }
  if (hub.stopping || changes.empty()) return;
  const std::size_t before = hub.text.size();
  // The viewers count what goes back in UTF-16 units of the text they hold,
  // so where the text stops being kept is found before it changes.
  std::size_t kept = before;
  bool whole = false;
  for (std::size_t size = before; const Change& change : changes) {
    if (change.whole) {
      whole = true;
      break;
    }
    size -= std::min(size, static_cast<std::size_t>(std::max(change.take_back, 0)));
    kept = std::min(kept, size);
    size += change.text.size();
  }
  const std::string taken_back = whole ? std::string() : hub.text.substr(kept);
  for (Change& change : changes) {
    if (change.whole) {
      hub.text = std::move(change.text);
      whole = true;
      continue;
    }
    const std::size_t back =
        std::min(hub.text.size(), static_cast<std::size_t>(std::max(change.take_back, 0)));
    hub.text.resize(hub.text.size() - back);
    hub.text += change.text;
  }
  hub.whole_message.reset();
  if (whole) {
    ResyncAll(hub);
    return;
  }
  if (kept == before && hub.text.size() == before) return;
  Broadcast(hub, std::make_shared<const std::string>(
                     EditMessage(taken_back, std::string_view(hub.text).substr(kept))));
}

void feed(Hub& hub, Change change) {
  const std::lock_guard<std::mutex> lock(hub.feed_mutex);
  hub.feed.push_back(std::move(change));
  if (hub.feed_posted) return;
  hub.feed_posted = true;
  net::post(hub.ioc, [&hub] { apply_feed(hub); });
}

void begin_stop(Hub& hub) {
  hub.stopping = true;
  boost::system::error_code ignored;
  hub.acceptor.close(ignored);
  for (boost::beast::tcp_stream* stream : hub.streams) stream->socket().close(ignored);
  if (hub.open == 0) hub.ioc.stop();
}

bool is_ipv6(const std::string& host) { return host.find(':') != std::string::npos; }

}  // namespace

void Hub::Log(const std::string& line) const {
  if (options.log) options.log(line);
}

// The memory of what was logged is bounded too: past it, refusals are no
// longer logged at all.
void Hub::Refuse(const std::string& address, const std::string& kind, const std::string& line) {
  constexpr std::size_t most_remembered = 4096;
  if (refusals_logged.size() >= most_remembered) return;
  if (refusals_logged.insert(address + ' ' + kind).second) Log(address + ": " + line);
}

std::shared_ptr<const std::string> WholeMessage(Hub& hub) {
  if (!hub.whole_message)
    hub.whole_message = std::make_shared<const std::string>(TextMessage(hub.text));
  return hub.whole_message;
}

}  // namespace captions

struct CCaptionServer::Impl {
  explicit Impl(Options options) : hub(std::move(options)) {}

  captions::Hub hub;
  std::thread thread;
  unsigned short port = 0;
};

CCaptionServer::CCaptionServer(Options options)
    : m_impl(std::make_unique<Impl>(std::move(options))) {}

CCaptionServer::~CCaptionServer() { Stop(); }

bool CCaptionServer::Start(std::string& why) {
  captions::Hub& hub = m_impl->hub;
  if (m_impl->thread.joinable()) return true;
  boost::system::error_code error;
  tcp::resolver resolver(hub.ioc);
  const auto endpoints = resolver.resolve(hub.options.host, std::to_string(hub.options.port),
                                          tcp::resolver::numeric_service, error);
  const std::string where = hub.options.host + ":" + std::to_string(hub.options.port);
  if (error || endpoints.empty()) {
    why = "cannot find the address " + where + ": " + error.message();
    return false;
  }
  const tcp::endpoint endpoint = endpoints.begin()->endpoint();
  if (hub.acceptor.open(endpoint.protocol(), error) ||
      hub.acceptor.set_option(net::socket_base::reuse_address(true), error) ||
      hub.acceptor.bind(endpoint, error) ||
      hub.acceptor.listen(net::socket_base::max_listen_connections, error)) {
    why = "cannot listen on " + where + ": " + error.message();
    hub.acceptor.close(error);
    return false;
  }
  m_impl->port = hub.acceptor.local_endpoint(error).port();
  captions::accept_next(hub);
  m_impl->thread = std::thread([&hub] { hub.ioc.run(); });
  return true;
}

void CCaptionServer::Stop() {
  if (!m_impl->thread.joinable()) return;
  captions::Hub& hub = m_impl->hub;
  net::post(hub.ioc, [&hub] { captions::begin_stop(hub); });
  m_impl->thread.join();
}

unsigned short CCaptionServer::GetPort() const { return m_impl->port; }

std::string CCaptionServer::GetAddress() const {
  const captions::Hub& hub = m_impl->hub;
  const std::string host =
      captions::is_ipv6(hub.options.host) ? "[" + hub.options.host + "]" : hub.options.host;
  std::string address = "http://" + host + ":" + std::to_string(m_impl->port) + "/";
  if (!hub.options.token.empty())
    address += "?token=" + captions::PercentEncoded(hub.options.token);
  return address;
}

void CCaptionServer::Post(const CTranslator::Edit& edit) {
  if (edit.nTakeBack == 0 && edit.text.IsEmpty()) return;
  captions::feed(m_impl->hub, {false, edit.nTakeBack, std::string(edit.text.View())});
}

void CCaptionServer::SetText(const CString& text) {
  captions::feed(m_impl->hub, {true, 0, std::string(text.View())});
}

std::size_t CCaptionServer::GetViewerCount() const { return m_impl->hub.viewer_count.load(); }
