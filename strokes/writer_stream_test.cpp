#include "strokes/writer_stream.h"

#include "testing/scratch_folder.h"
#include "testing/steno_strokes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace {

// A line's bytes in hex, blanks ignored; "|" is a quiet spell.
struct Line {
  std::vector<std::vector<BYTE>> bursts;
};

Line line_of(const std::string& text) {
  Line line{{{}}};
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == ' ') {
      ++i;
    } else if (text[i] == '|') {
      line.bursts.emplace_back();
      ++i;
    } else {
      line.bursts.back().push_back(static_cast<BYTE>(std::stoi(text.substr(i, 2), nullptr, 16)));
      i += 2;
    }
  }
  return line;
}

std::string shown(const std::vector<CStroke>& strokes) {
  std::string text;
  for (const CStroke& s : strokes)
    text += (text.empty() ? "" : " ") + std::string(s.GetStrCompressed(0).View());
  return text;
}

// Feeds the bursts with a quiet spell after each but the last.
std::vector<CStroke> read_line(CWriterStream& stream, const std::string& text) {
  const Line line = line_of(text);
  std::vector<CStroke> strokes;
  for (std::size_t i = 0; i < line.bursts.size(); ++i) {
    if (i > 0) stream.LineQuiet(strokes);
    stream.Feed(line.bursts[i].data(), static_cast<int>(line.bursts[i].size()), strokes);
  }
  return strokes;
}

struct Case {
  CWriterStream::Protocol protocol;
  const char* bytes;
  const char* strokes;  // in the plain notation, blank between strokes
  unsigned long dropped;
};

void check(const Case& c) {
  CWriterStream stream(c.protocol);
  const std::string input = std::string(CWriterStream::GetProtocolName(c.protocol)) + " " + c.bytes;
  EXPECT_EQ(shown(strokes_of(c.strokes)), shown(read_line(stream, c.bytes)))
      << input << " for " << c.strokes;
  EXPECT_EQ(c.dropped, stream.GetDroppedBytes()) << input;
}

TEST(WriterStream, EachProtocolCutsItsPacketsIntoStrokes) {
  const Case cases[] = {
      {CWriterStream::Stentura, "C2C4C0C8 C0C0C0C1", "KAT -Z", 0},
      {CWriterStream::Sten8000, "210020 000001", "KAT @", 0},
      {CWriterStream::Baron, "084008 00802A", "KAT SKWR", 0},
      {CWriterStream::Flash, "084008 2A8000", "KAT SKWR", 0},
      {CWriterStream::XScribe, "2A8000", "SKWR", 0},
      // The first byte carries no key, whatever it holds.
      {CWriterStream::Merit, "80100210 FF540100", "KAT SKWR", 0},
      {CWriterStream::GeminiPR, "800820000400 800000000001", "KAT -Z", 0},
      // Either S- key gives S-, any of the four asterisks the asterisk, any
      // number key the number bar.
      {CWriterStream::GeminiPR, "806000000000 800004000000 800000200000 A00000000000 800000000040",
       "S * * # #", 0},
      // Function, power and the reserved keys alone are no stroke.
      {CWriterStream::GeminiPR, "C00003400000", "", 0},
      {CWriterStream::TXBolt, "04 42 C1 15 41", "KAT", 0},
      {CWriterStream::TXBolt, "04 42 C1 15 41 |", "KAT SKWR", 0},
      // A byte of a lower or the same set starts the next stroke.
      {CWriterStream::TXBolt, "04 42 42 C1 04 04 |", "KA AT K K", 0},
      {CWriterStream::TXBolt, "D0 |", "#", 0},
      // Bit 5 of the last set is no key.
      {CWriterStream::TXBolt, "E0 |", "", 0},
  };
  for (const Case& c : cases) check(c);
}

TEST(WriterStream, ResynchronisesAfterALostOrGarbledByte) {
  const Case cases[] = {
      // A byte without Stentura's markers is dropped with its packet so far.
      {CWriterStream::Stentura, "C2C4 05 | C2C4C0C8", "KAT", 3},
      // A lost byte: the quiet line drops the rest of the packet.
      {CWriterStream::Stentura, "C2C4C8 | C2C4C0C8", "KAT", 3},
      {CWriterStream::Sten8000, "2100 | 210020", "KAT", 2},
      {CWriterStream::Baron, "0840 | 084008", "KAT", 2},
      {CWriterStream::Flash, "40 | 084008", "KAT", 1},
      {CWriterStream::Merit, "801002 | 80100210", "KAT", 3},
      // A Gemini PR lead byte amid a packet starts the next one at once.
      {CWriterStream::GeminiPR, "8008200004 800820000400", "KAT", 5},
      {CWriterStream::GeminiPR, "800820000400 12 7F 800000000001", "KAT -Z", 2},
      {CWriterStream::GeminiPR, "0820000400 800820000400", "KAT", 5},
      // TX Bolt loses the keys of a lost byte but keeps the stroke apart.
      {CWriterStream::TXBolt, "04 C1 15 41 |", "K-T SKWR", 0},
  };
  for (const Case& c : cases) check(c);
}

TEST(WriterStream, FindsProtocolsByNameInAnyCase) {
  for (int p = 0; p < CWriterStream::ProtocolCount; ++p) {
    const auto protocol = static_cast<CWriterStream::Protocol>(p);
    std::string name = CWriterStream::GetProtocolName(protocol);
    EXPECT_EQ(p, CWriterStream::FindProtocol(name)) << name;
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(p, CWriterStream::FindProtocol(name)) << name;
  }
  for (const char* name : {"", "gemini", "txbolt2", "sten"})
    EXPECT_EQ(-1, CWriterStream::FindProtocol(name)) << name;
}

// The examples' paragraph, as each writer sends it, read in pieces of every
// size that a serial read may return, gives the strokes of paragraph.steno.
TEST(WriterStream, TheExampleCapturesReadInAnyPiecesGiveTheParagraph) {
  const std::string steno = ReadWholeFile(KELM_EXAMPLES_DIR "/paragraph.steno");
  if (steno.empty()) GTEST_SKIP() << "examples/paragraph.steno is missing";
  const std::string want = shown(strokes_of(steno));
  for (int p = CWriterStream::Stentura; p <= CWriterStream::Merit; ++p) {
    const auto protocol = static_cast<CWriterStream::Protocol>(p);
    const std::string name = CWriterStream::GetProtocolName(protocol);
    const std::string capture = ReadWholeFile(KELM_EXAMPLES_DIR "/paragraph." + name);
    const auto* bytes = reinterpret_cast<const BYTE*>(capture.data());
    for (int piece = 1; piece <= 7; ++piece) {
      CWriterStream stream(protocol);
      std::vector<CStroke> strokes;
      for (std::size_t at = 0; at < capture.size(); at += piece)
        stream.Feed(bytes + at, static_cast<int>(std::min<std::size_t>(piece, capture.size() - at)),
                    strokes);
      EXPECT_EQ(want, shown(strokes)) << name << " in pieces of " << piece;
      EXPECT_EQ(0u, stream.GetDroppedBytes()) << name << " in pieces of " << piece;
    }
  }
}

}  // namespace
