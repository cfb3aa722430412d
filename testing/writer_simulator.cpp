#include "testing/writer_simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "comm/stentura_packets.h"

using namespace stentura_packets;

namespace {

// The keys as one number, byte 0 highest: position p is bit 23 - p.
UINT ordered_keys(const CStroke& stroke) {
  const BYTE* keys = stroke.GetKeyBytes();
  return static_cast<UINT>(keys[0]) << 16 | static_cast<UINT>(keys[1]) << 8 | keys[2];
}

bool down(UINT keys, int position) { return (keys >> (23 - position) & 1) != 0; }

std::vector<BYTE> big_endian3(UINT value) {
  return {static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value)};
}

BYTE reversed(BYTE b) {
  BYTE r = 0;
  for (int i = 0; i < 8; ++i)
    if (b & (1 << i)) r = static_cast<BYTE>(r | 0x80 >> i);
  return r;
}

std::vector<BYTE> stentura_packet(UINT keys) {
  std::vector<BYTE> packet;
  for (const int shift : {18, 12, 6, 0})
    packet.push_back(static_cast<BYTE>(0xC0 | (keys >> shift & 0x3F)));
  return packet;
}

// Gemini PR: where each key position (1 to 23) sits, byte and mask; one of
// the doubled keys stands for each.
constexpr struct {
  int byte;
  BYTE mask;
} gemini_bits[24] = {
    {0, 0},    {0, 0x20}, {1, 0x40}, {1, 0x10}, {1, 0x08}, {1, 0x04}, {1, 0x02}, {1, 0x01},
    {2, 0x40}, {2, 0x20}, {2, 0x10}, {2, 0x08}, {3, 0x08}, {3, 0x04}, {3, 0x02}, {3, 0x01},
    {4, 0x40}, {4, 0x20}, {4, 0x10}, {4, 0x08}, {4, 0x04}, {4, 0x02}, {4, 0x01}, {5, 0x01},
};

std::vector<BYTE> gemini_packet(UINT keys) {
  std::vector<BYTE> packet{0x80, 0, 0, 0, 0, 0};
  for (int p = 1; p < 24; ++p)
    if (down(keys, p))
      packet[gemini_bits[p].byte] =
          static_cast<BYTE>(packet[gemini_bits[p].byte] | gemini_bits[p].mask);
  return packet;
}

// TX Bolt's four key sets by position; the number bar is the last set's
// fifth key. Hobbyist writers end each stroke with a byte of no keys.
constexpr int txbolt_sets[4][6] = {
    {2, 3, 4, 5, 6, 7}, {8, 9, 10, 11, 12, 13}, {14, 15, 16, 17, 18, 19}, {20, 21, 22, 23, 1, -1}};

std::vector<BYTE> txbolt_packet(UINT keys) {
  std::vector<BYTE> packet;
  for (int set = 0; set < 4; ++set) {
    BYTE bits = 0;
    for (int i = 0; i < 6; ++i)
      if (txbolt_sets[set][i] >= 0 && down(keys, txbolt_sets[set][i]))
        bits = static_cast<BYTE>(bits | 1 << i);
    if (bits) packet.push_back(static_cast<BYTE>(set << 6 | bits));
  }
  packet.push_back(0);
  return packet;
}

// Passport's letter for each key position, one of the doubled keys for S-
// and the asterisk.
constexpr char passport_letters[] = "@#STKPWHRAO*EUFQNBLGYXDZ";

std::vector<BYTE> passport_packet(UINT keys, unsigned long count) {
  std::string text = "<" + std::to_string(count) + "/";
  for (int p = 1; p < 24; ++p)
    if (down(keys, p)) text += std::string(1, passport_letters[p]) + "f";
  text += ">";
  return {text.begin(), text.end()};
}

std::vector<BYTE> packet_of(CWriterStream::Protocol protocol, UINT keys,
                            unsigned long passport_count) {
  switch (protocol) {
    case CWriterStream::Stentura:
    case CWriterStream::StenturaProtocol:
      return stentura_packet(keys);
    case CWriterStream::Sten8000:
      return big_endian3((keys & 0x3FFFFF) << 2 | (keys >> 22 & 1) << 1 | (keys >> 23 & 1));
    case CWriterStream::Baron: {
      const std::vector<BYTE> b = big_endian3(keys);
      return {b[2], b[1], b[0]};
    }
    case CWriterStream::Flash:
    case CWriterStream::XScribe:
      return big_endian3(keys);
    case CWriterStream::Merit: {
      const std::vector<BYTE> b = big_endian3(keys);
      return {0x80, reversed(b[0]), reversed(b[1]), reversed(b[2])};
    }
    case CWriterStream::GeminiPR:
      return gemini_packet(keys);
    case CWriterStream::TXBolt:
      return txbolt_packet(keys);
    case CWriterStream::Passport:
      return passport_packet(keys, passport_count);
    case CWriterStream::ProCAT: {
      std::vector<BYTE> packet = big_endian3(keys & 0x7FFFFF);
      packet.push_back(0xFF);
      return packet;
    }
  }
  return {};
}

void write_all(int fd, const std::vector<BYTE>& bytes) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + at, bytes.size() - at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    at += static_cast<std::size_t>(n);
  }
}

}  // namespace

WriterSimulator::WriterSimulator(const Options& options, std::string link)
    : m_options(options), m_link(std::move(link)), m_random(options.seed) {
  Plug();
}

WriterSimulator::~WriterSimulator() {
  Unplug();
  std::error_code ignored;
  std::filesystem::remove(m_link, ignored);
}

std::string WriterSimulator::PortSpec() const {
  return m_link + ":" + std::to_string(CWriterStream::GetDefaultBaud(m_options.protocol)) +
         ",n,8,1";
}

std::vector<BYTE> WriterSimulator::Packet(const CStroke& stroke) {
  std::lock_guard lock(m_mutex);
  return packet_of(m_options.protocol, ordered_keys(stroke), ++m_nPassportCount);
}

WriterSimulator::Clock::time_point WriterSimulator::Write(const CStroke& stroke) {
  const std::vector<BYTE> packet = Packet(stroke);
  std::lock_guard lock(m_mutex);
  const Clock::time_point now = Clock::now();
  if (CWriterStream::IsAskedFor(m_options.protocol)) {
    m_file.insert(m_file.end(), packet.begin(), packet.end());
    m_grown.notify_all();
  } else if (m_master >= 0) {
    write_all(m_master, packet);
  }
  return now;
}

void WriterSimulator::WriteBefore(const std::vector<CStroke>& strokes) {
  for (const CStroke& stroke : strokes) {
    const std::vector<BYTE> packet = Packet(stroke);
    std::lock_guard lock(m_mutex);
    m_file.insert(m_file.end(), packet.begin(), packet.end());
  }
}

bool WriterSimulator::HostHasAll() {
  std::lock_guard lock(m_mutex);
  if (CWriterStream::IsAskedFor(m_options.protocol)) return m_nReadUpTo >= m_file.size();
  // The kernel passes a master's bytes on to the slave's queue a little
  // later, so the queue must stay empty for a while.
  for (int look = 0; look < 10; ++look) {
    int waiting = 0;
    if (m_slaveHold < 0 || ioctl(m_slaveHold, FIONREAD, &waiting) != 0 || waiting != 0)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

bool WriterSimulator::WaitUntilHostListens(std::chrono::milliseconds timeout) {
  std::unique_lock lock(m_mutex);
  return m_listening.wait_for(lock, timeout, [this] { return m_bHostListens; });
}

void WriterSimulator::NewRealtimeFile() {
  std::lock_guard lock(m_mutex);
  m_file.clear();
}

void WriterSimulator::Plug() {
  std::lock_guard lock(m_mutex);
  if (m_master >= 0) return;
  OpenLine();
  m_bStop = false;
  if (CWriterStream::IsAskedFor(m_options.protocol))
    m_machine = std::thread(&WriterSimulator::Serve, this);
}

void WriterSimulator::Unplug() {
  {
    std::lock_guard lock(m_mutex);
    m_bStop = true;
  }
  m_grown.notify_all();
  if (m_machine.joinable()) m_machine.join();
  std::lock_guard lock(m_mutex);
  CloseLine();
}

void WriterSimulator::OpenLine() {
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  char name[128];
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
      ptsname_r(master, name, sizeof name) != 0) {
    if (master >= 0) ::close(master);
    throw std::runtime_error("no pseudo-terminal");
  }
  // Raw from the start, so that a streamed writer's first packets are not
  // cooked or echoed before the host sets the line up.
  m_slaveHold = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios raw{};
  if (m_slaveHold >= 0 && tcgetattr(m_slaveHold, &raw) == 0) {
    cfmakeraw(&raw);
    tcsetattr(m_slaveHold, TCSANOW, &raw);
  }
  m_master = master;
  // A new link in place of the old in one step, as udev renames by-id links.
  const std::string temporary = m_link + ".new";
  std::error_code ignored;
  std::filesystem::remove(temporary, ignored);
  std::filesystem::create_symlink(name, temporary);
  std::filesystem::rename(temporary, m_link);
}

void WriterSimulator::CloseLine() {
  if (m_master < 0) return;
  std::error_code ignored;
  std::filesystem::remove(m_link, ignored);
  ::close(m_master);
  ::close(m_slaveHold);
  m_master = -1;
  m_slaveHold = -1;
}

void WriterSimulator::Serve() {
  std::vector<BYTE> in;
  for (;;) {
    int master;
    {
      std::lock_guard lock(m_mutex);
      if (m_bStop) return;
      master = m_master;
    }
    pollfd ready{master, POLLIN, 0};
    if (::poll(&ready, 1, 20) <= 0 || !(ready.revents & POLLIN)) {
      if (ready.revents & (POLLHUP | POLLERR))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    BYTE buffer[1024];
    const ssize_t n = ::read(master, buffer, sizeof buffer);
    if (n <= 0) continue;
    in.insert(in.end(), buffer, buffer + n);
    std::size_t at = 0;
    while (at < in.size()) {
      Request request;
      std::size_t used = 0;
      const Scan found = ScanRequest(in.data() + at, in.size() - at, request, used);
      if (found == Scan::Incomplete) break;
      if (found == Scan::Found) Answer(request);
      at += used;
    }
    in.erase(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(at));
  }
}

void WriterSimulator::Answer(const stentura_packets::Request& request) {
  TakeLineTime(RequestHeaderSize + (request.data.empty() ? 0 : request.data.size() + 2));
  Response response;
  response.seq = request.seq;
  response.action = request.action;
  std::unique_lock lock(m_mutex);
  if (request.action == ReadC && m_nCleanEmptySeq >= 0 && request.seq != m_nCleanEmptySeq &&
      !m_bHostListens) {
    m_bHostListens = true;
    m_listening.notify_all();
  }
  if (request.action == ReadC) {
    // The position asked for is honoured, so a request sent again gets
    // the same strokes again.
    const std::size_t from =
        static_cast<std::size_t>(request.params[3]) * BlockSize + request.params[4];
    const std::size_t most = std::min<std::size_t>(request.params[2], BlockSize);
    // Asking from here, the host has all before.
    m_nReadUpTo = static_cast<unsigned long>(from);
    m_grown.wait_for(lock, std::chrono::milliseconds(m_options.holdMilliseconds),
                     [this, from] { return m_bStop || m_file.size() > from; });
    if (m_bStop) return;
    if (m_file.size() > from) {
      const std::size_t count = std::min(most, m_file.size() - from);
      response.data.assign(m_file.begin() + static_cast<std::ptrdiff_t>(from),
                           m_file.begin() + static_cast<std::ptrdiff_t>(from + count));
    }
    response.p1 = static_cast<WORD>(response.data.size());
  } else if (request.action != Open) {
    response.error = 1;
  }
  std::vector<BYTE> answer = MakeResponse(response);
  std::uniform_real_distribution<double> share(0.0, 1.0);
  const bool stale = !m_lastAnswer.empty() && share(m_random) < m_options.staleShare;
  const bool corrupt = share(m_random) < m_options.corruptShare;
  const unsigned slow = m_options.slowMilliseconds ? std::uniform_int_distribution<unsigned>(
                                                         0, m_options.slowMilliseconds)(m_random)
                                                   : 0;
  std::vector<BYTE> before;
  if (stale) before = m_lastAnswer;
  m_lastAnswer = answer;
  if (request.action == ReadC && response.data.empty() && !corrupt) m_nCleanEmptySeq = request.seq;
  if (corrupt) {
    const std::size_t at =
        std::uniform_int_distribution<std::size_t>(1, answer.size() - 1)(m_random);
    answer[at] = static_cast<BYTE>(answer[at] ^ 1 << (m_random() % 8));
  }
  lock.unlock();
  if (slow) std::this_thread::sleep_for(std::chrono::milliseconds(slow));
  if (stale) {
    ++m_nStale;
    SendToHost(before);
  }
  if (corrupt) ++m_nCorrupted;
  ++m_nAnswers;
  SendToHost(answer);
}

void WriterSimulator::TakeLineTime(std::size_t bytes) const {
  if (m_options.baud == 0) return;
  std::this_thread::sleep_for(std::chrono::microseconds(bytes * 10 * 1000000 / m_options.baud));
}

bool WriterSimulator::SendToHost(const std::vector<BYTE>& bytes) {
  // The last byte reaches the host once the line has carried them all.
  TakeLineTime(bytes.size());
  std::lock_guard lock(m_mutex);
  if (m_master < 0) return false;
  write_all(m_master, bytes);
  return true;
}
