// A pseudo-terminal pair standing in for a serial line to a writer: the test
// holds the master end and speaks as the writer; the code under test opens
// the slave by its path, as it would open /dev/ttyUSB0. Closing the master is
// pulling the cable. For tests only: it is not installed.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

class PtyPair {
 public:
  // Throws when no pseudo-terminal can be had, which fails the test.
  PtyPair() {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
      throw std::runtime_error("no pseudo-terminal");
    char name[128];
    if (ptsname_r(m_master, name, sizeof name) != 0) throw std::runtime_error("no slave name");
    m_slave = name;
    // Held only to see what waits in the slave's queue; opened before the
    // code under test takes the terminal for itself.
    m_watch = open(name, O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_watch < 0) throw std::runtime_error("cannot watch the slave");
  }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;
  ~PtyPair() {
    CloseMaster();
    close(m_watch);
  }

  // The slave's native path, e.g. /dev/pts/4.
  const std::string& SlavePath() const { return m_slave; }

  // Sends bytes as the writer does; false when the master cannot take them.
  bool Send(std::string_view bytes) {
    while (!bytes.empty()) {
      ssize_t n = write(m_master, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
  }

  // Sends bytes and returns once they wait in the slave's queue, so that a
  // read started next finds them however slowly the kernel passes them on.
  // Only while nobody reads the slave.
  bool SendQueued(std::string_view bytes) {
    size_t want = Queued() + bytes.size();
    if (!Send(bytes)) return false;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (Queued() < want) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }

  // The bytes waiting to be read on the slave.
  size_t Queued() const {
    int n = 0;
    return ioctl(m_watch, FIONREAD, &n) == 0 ? static_cast<size_t>(n) : 0;
  }

  // What came from the slave within `wait`, up to `most` bytes.
  std::string Receive(size_t most, std::chrono::milliseconds wait) {
    std::string got;
    auto until = std::chrono::steady_clock::now() + wait;
    while (got.size() < most) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          until - std::chrono::steady_clock::now());
      pollfd p{m_master, POLLIN, 0};
      if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      char buf[256];
      ssize_t n = read(m_master, buf, std::min(sizeof buf, most - got.size()));
      if (n <= 0) break;
      got.append(buf, static_cast<size_t>(n));
    }
    return got;
  }

  // Pulls the cable: the slave's reader sees the line hang up.
  void CloseMaster() {
    if (m_master >= 0) close(m_master);
    m_master = -1;
  }

 private:
  int m_master = -1;
  int m_watch = -1;
  std::string m_slave;
};
