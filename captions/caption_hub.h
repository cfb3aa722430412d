// The caption server's state and the pieces of its thread: the listener
// and the text in caption_server.cpp, the connections (page requests and
// viewers) in caption_connections.cpp. Everything here belongs to the
// server's thread, except what the feed's mutex guards.
#pragma once

#include <atomic>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <cstddef>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "captions/caption_server.h"

namespace captions {

class Viewer;

// A change handed over by a feeding thread: the whole text, or an edit.
struct Change {
  bool whole = false;
  int take_back = 0;
  std::string text;
};

struct Hub {
  explicit Hub(CCaptionServer::Options server_options) : options(std::move(server_options)) {}

  // Logs a refusal the first time `address` meets it (by `kind`), so that a
  // client that keeps trying cannot flood the log.
  void Refuse(const std::string& address, const std::string& kind, const std::string& line);
  void Log(const std::string& line) const;

  // Declared first so that it goes last: the handlers it still holds when
  // it is destroyed may refer to the rest.
  boost::asio::io_context ioc{1};
  CCaptionServer::Options options;
  boost::asio::ip::tcp::acceptor acceptor{ioc};
  bool stopping = false;

  // The text every viewer is brought to, and the message that sends it
  // whole, made when a viewer first needs it after a change.
  std::string text;
  std::shared_ptr<const std::string> whole_message;

  std::unordered_set<Viewer*> viewers;
  std::atomic<std::size_t> viewer_count{0};
  // Connections within the bounds, in all and by client address; and all
  // open ones, refused ones too, with their sockets for Stop.
  std::size_t counted = 0;
  std::unordered_map<std::string, std::size_t> per_address;
  std::size_t open = 0;
  std::unordered_set<boost::beast::tcp_stream*> streams;
  std::set<std::string> refusals_logged;

  std::mutex feed_mutex;
  std::vector<Change> feed;
  bool feed_posted = false;
};

// A connection's place in the bounds and in Stop's list, given back when
// the connection ends. The last one to go during a stop ends the thread.
class Slot {
 public:
  Slot(Hub& hub, std::string address, bool counted);
  Slot(Slot&& other) noexcept;
  Slot& operator=(Slot&&) = delete;
  ~Slot();

  const std::string& Address() const { return m_address; }
  // The socket Stop closes, as it moves from one owner to the next.
  void Watch(boost::beast::tcp_stream* stream);

 private:
  Hub* m_hub;
  std::string m_address;
  bool m_counted;
  boost::beast::tcp_stream* m_stream = nullptr;
};

// Takes an accepted connection: a page request, a viewer's upgrade, or a
// refusal when it is over a bound.
void StartConnection(Hub& hub, boost::asio::ip::tcp::socket socket);
// Queues a message for every viewer, or marks one behind.
void Broadcast(Hub& hub, const std::shared_ptr<const std::string>& message);
// Every viewer is sent the whole text next, in place of what it has queued.
void ResyncAll(Hub& hub);
// The whole text's message, shared by every viewer that needs it.
std::shared_ptr<const std::string> WholeMessage(Hub& hub);

}  // namespace captions
