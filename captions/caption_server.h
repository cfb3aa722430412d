// A caption server: it shows a translator's text live in web browsers. It
// serves one page (built into the library) at "/" and the stream of the
// text at "/stream", a WebSocket on which every viewer first receives the
// whole text, then each edit as it is posted. The page reconnects by itself
// after a dropped connection and is sent the whole text again.
//
// Viewers only read: what they send never changes the text, and a data
// message, an oversized or malformed frame, an unknown path or method, or a
// wrong token ends their connection with the fitting status. Connections are
// bounded in all and per client address. A viewer whose queue of unsent
// messages passes its bound is sent the whole text once it can take more,
// instead of the backlog. The server never reads a file.
//
// The server runs on a thread of its own from Start to Stop. Post and
// SetText may be called from any thread, at any time; they copy the text
// and return at once, never waiting on the network, so a translator's
// thread can call them after each stroke. The text is the library's
// Windows-1252 with the translator's escapes (translation/readable_text.h);
// viewers receive UTF-8.
#pragma once

#include "platform/export.h"
#include "platform/string.h"
#include "translation/translator.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

class KELM_EXPORT CCaptionServer {
 public:
  struct Options {
    // A numeric address or a name; the loopback unless a host names another.
    std::string host = "127.0.0.1";
    // 0 takes any free port; GetPort says which.
    unsigned short port = 8080;
    // When not empty, the page and the stream need "?token=" with it.
    std::string token;
    // Open connections, page loads and viewers alike, in all and from one
    // client address.
    std::size_t max_connections = 200;
    std::size_t max_per_address = 32;
    // Bytes of messages a viewer may have waiting before it is sent the
    // whole text instead.
    std::size_t max_queued_bytes = 256 * 1024;
    // What the kernel may hold for a viewer besides: kept small, so that a
    // viewer that stops reading soon falls behind in its queue.
    int send_buffer_bytes = 64 * 1024;
    // One line for each refusal, the first time a client address meets it,
    // and for a failure of the server itself. Called on the server's thread.
    std::function<void(const std::string&)> log;
  };

  explicit CCaptionServer(Options options);
  CCaptionServer(const CCaptionServer&) = delete;
  CCaptionServer& operator=(const CCaptionServer&) = delete;
  ~CCaptionServer();

  // Listens and starts the server's thread; false with the reason in `why`
  // when the address cannot be had.
  bool Start(std::string& why);
  // Closes every connection and ends the thread. The destructor stops too.
  void Stop();

  // The port listened on, once started.
  unsigned short GetPort() const;
  // The address to open in a browser, with the token: "http://host:port/...".
  std::string GetAddress() const;

  // An edit of the text, as CTranslator hands it out. One that takes back
  // more than the text holds leaves the text empty before adding to it.
  void Post(const CTranslator::Edit& edit);
  // Replaces the whole text, as for a host that starts the server late.
  void SetText(const CString& text);

  // Viewers with an open stream, as the server's thread last counted them.
  std::size_t GetViewerCount() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};
