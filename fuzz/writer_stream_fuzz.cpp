// Arbitrary line bytes for every writer protocol's stream reader. The first
// byte picks the protocol and the second the size of the pieces the line
// arrives in; a 0xFF byte after those stands for a quiet spell as well as
// being fed. Whatever the pieces, the strokes are the same as when the line
// comes byte by byte, none is empty, and none holds a key its protocol
// cannot carry.

#include <kelm/kelm.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void require(bool holds) {
  if (!holds) std::abort();
}

std::vector<CStroke> read_line(CWriterStream::Protocol protocol, const BYTE* line, std::size_t size,
                               std::size_t piece) {
  CWriterStream stream(protocol);
  std::vector<CStroke> strokes;
  for (std::size_t at = 0; at < size;) {
    std::size_t n = std::min(piece, size - at);
    // A quiet spell falls where the line has one, whatever the pieces.
    const BYTE* quiet = std::find(line + at, line + at + n, 0xFF);
    if (quiet != line + at + n) n = static_cast<std::size_t>(quiet - (line + at)) + 1;
    const std::size_t before = strokes.size();
    const int made = stream.Feed(line + at, static_cast<int>(n), strokes);
    require(made >= 0 && static_cast<std::size_t>(made) == strokes.size() - before);
    if (line[at + n - 1] == 0xFF) stream.LineQuiet(strokes);
    at += n;
  }
  stream.LineQuiet(strokes);
  return strokes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const auto protocol =
      static_cast<CWriterStream::Protocol>(data[0] % CWriterStream::ProtocolCount);
  const std::size_t piece = 1 + data[1] % 16;
  const std::vector<CStroke> strokes = read_line(protocol, data + 2, size - 2, piece);
  const std::vector<CStroke> one_by_one = read_line(protocol, data + 2, size - 2, 1);
  require(strokes.size() == one_by_one.size());
  const bool carries_mark =
      protocol != CWriterStream::GeminiPR && protocol != CWriterStream::TXBolt &&
      protocol != CWriterStream::Passport && protocol != CWriterStream::ProCAT;
  for (std::size_t i = 0; i < strokes.size(); ++i) {
    require(strokes[i] == one_by_one[i]);
    require(!strokes[i].IsEmpty());
    require(carries_mark || !strokes[i].GetMark());
  }
  return 0;
}
