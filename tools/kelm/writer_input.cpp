#include "writer_input.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "exit_status.h"

namespace kelm_cli {
namespace {

constexpr std::size_t read_size = 4096;

// How each protocol's strokes come, in CWriterStream's order.
constexpr const char* writer_lines[CWriterStream::ProtocolCount] = {
    "streamed: 4-byte packets, two marker bits on every byte",
    "streamed: 3-byte packets",
    "streamed: 3-byte packets",
    "streamed: 3-byte packets",
    "streamed: 3-byte packets",
    "streamed: 4-byte packets, the first byte no key",
    "streamed: 6-byte packets, the first byte marked",
    "streamed: 1 to 4 bytes by key set, a byte of no keys after each stroke",
    "streamed: ASCII packets from < to >, a letter and a shadow digit a key",
    "streamed: 4-byte packets ending in FF",
    "asked for: the writer's realtime file opened and read by request, answers checked",
};

void hand_on(const std::vector<CStroke>& strokes, const std::vector<CWriterStream::Skip>& skips,
             WriterOutput& out) {
  for (const CWriterStream::Skip& skip : skips) {
    ++out.skips;
    out.skip(skip);
  }
  if (strokes.empty()) return;
  const CTime now = CTime::GetCurrentTime();
  for (CStroke stroke : strokes) {
    stroke.SetTimeStamp(now);
    ++out.strokes;
    out.stroke(stroke);
  }
}

void feed(CWriterStream& stream, const BYTE* bytes, std::size_t count, WriterOutput& out) {
  std::vector<CStroke> strokes;
  std::vector<CWriterStream::Skip> skips;
  stream.Feed(bytes, static_cast<int>(count), strokes, &skips);
  hand_on(strokes, skips, out);
}

void line_quiet(CWriterStream& stream, WriterOutput& out) {
  std::vector<CStroke> strokes;
  std::vector<CWriterStream::Skip> skips;
  stream.LineQuiet(strokes, &skips);
  hand_on(strokes, skips, out);
}

// Whether the input falls quiet for `quiet_ms` before it has more; a file
// never does.
bool stays_quiet(int fd, int quiet_ms) {
  for (;;) {
    pollfd ready{fd, POLLIN, 0};
    const int n = ::poll(&ready, 1, quiet_ms);
    if (n < 0 && errno == EINTR) continue;
    return n == 0;
  }
}

}  // namespace

std::vector<std::string> writer_names() {
  std::vector<std::string> names;
  for (int p = 0; p < CWriterStream::ProtocolCount; ++p)
    names.emplace_back(CWriterStream::GetProtocolName(static_cast<CWriterStream::Protocol>(p)));
  return names;
}

// The name has passed --writer's check, so it is one of writer_names().
CWriterStream::Protocol find_writer(const std::string& name) {
  const int protocol = CWriterStream::FindProtocol(name);
  return static_cast<CWriterStream::Protocol>(protocol < 0 ? 0 : protocol);
}

std::string writer_help() {
  std::string text;
  for (int p = 0; p < CWriterStream::ProtocolCount; ++p) {
    const auto protocol = static_cast<CWriterStream::Protocol>(p);
    std::string name = CWriterStream::GetProtocolName(protocol);
    name.resize(std::max<std::size_t>(name.size(), 18), ' ');
    text += "\n  " + name + writer_lines[p] + " (" +
            std::to_string(CWriterStream::GetDefaultBaud(protocol)) + " baud)";
  }
  return text;
}

std::string with_line_settings(const std::string& spec, CWriterStream::Protocol protocol) {
  if (spec.find(':') != std::string::npos) return spec;
  return spec + ":" + std::to_string(CWriterStream::GetDefaultBaud(protocol)) + ",n,8,1";
}

bool read_writer_capture(const std::string& path, CWriterStream::Protocol protocol,
                         WriterOutput& out, std::string& why) {
  const bool from_stdin = path == "-";
  const int fd = from_stdin ? STDIN_FILENO
                            : ::open(std::string(KelmNativePath(path.c_str()).View()).c_str(),
                                     O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    why = path + ": " + std::strerror(errno);
    return false;
  }
  CWriterStream stream(protocol);
  const int quiet_ms = static_cast<int>(CWriterStream::GetQuietMilliseconds(protocol));
  BYTE buffer[read_size];
  bool read_all = true;
  for (;;) {
    if (stream.IsPending() && stays_quiet(fd, quiet_ms)) {
      line_quiet(stream, out);
      continue;
    }
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n < 0) why = path + ": " + std::strerror(errno);
      read_all = n == 0;
      break;
    }
    feed(stream, buffer, static_cast<std::size_t>(n), out);
  }
  line_quiet(stream, out);
  if (!from_stdin) ::close(fd);
  return read_all;
}

void read_writer_bytes(const std::vector<BYTE>& bytes, CWriterStream::Protocol protocol,
                       WriterOutput& out) {
  CWriterStream stream(protocol);
  feed(stream, bytes.data(), bytes.size(), out);
  line_quiet(stream, out);
}

std::string describe_skip(const CWriterStream::Skip& skip) {
  return "skipped " + std::to_string(skip.count) + (skip.count == 1 ? " byte" : " bytes") +
         " at offset " + std::to_string(skip.offset);
}

int writer_input_status(const WriterOutput& out) {
  return out.skips > 0 && out.strokes == 0 ? exit_bad_input : exit_ok;
}

}  // namespace kelm_cli
