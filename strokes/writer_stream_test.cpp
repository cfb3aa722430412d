#include "strokes/writer_stream.h"

#include "testing/scratch_folder.h"
#include "testing/steno_strokes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
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

// "offset+count", blank between skips.
std::string shown(const std::vector<CWriterStream::Skip>& skips) {
  std::string text;
  for (const CWriterStream::Skip& s : skips)
    text += (text.empty() ? "" : " ") + std::to_string(s.offset) + "+" + std::to_string(s.count);
  return text;
}

// Feeds the bursts with a quiet spell after each but the last: the strokes
// so far, with no quiet after the last burst, so that a stroke held back for
// the quiet line is missing.
std::vector<CStroke> read_line(CWriterStream& stream, const std::string& text,
                               std::vector<CWriterStream::Skip>* skips = nullptr) {
  const Line line = line_of(text);
  std::vector<CStroke> strokes;
  for (std::size_t i = 0; i < line.bursts.size(); ++i) {
    if (i > 0) stream.LineQuiet(strokes, skips);
    stream.Feed(line.bursts[i].data(), static_cast<int>(line.bursts[i].size()), strokes, skips);
  }
  return strokes;
}

struct Case {
  CWriterStream::Protocol protocol;
  const char* bytes;
  const char* strokes;  // in the plain notation, blank between strokes
  unsigned long dropped;
  const char* skips = "";  // as shown() writes them, once the line has ended
};

void check(const Case& c) {
  CWriterStream stream(c.protocol);
  const std::string input = std::string(CWriterStream::GetProtocolName(c.protocol)) + " " + c.bytes;
  std::vector<CWriterStream::Skip> skips;
  EXPECT_EQ(shown(strokes_of(c.strokes)), shown(read_line(stream, c.bytes, &skips)))
      << input << " for " << c.strokes;
  std::vector<CStroke> after_end;
  stream.LineQuiet(after_end, &skips);
  EXPECT_EQ(c.dropped, stream.GetDroppedBytes()) << input;
  EXPECT_EQ(c.skips, shown(skips)) << input;
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
      // Hobbyist writers end each stroke with a byte of no keys.
      {CWriterStream::TXBolt, "04 42 00 41 00", "KA R", 0},
      // ProCAT: the keys in steno order from the second bit on, then FF.
      {CWriterStream::ProCAT, "084008FF 000001FF", "KAT -Z", 0},
      {CWriterStream::ProCAT, "400000FF 000000FF", "#", 0},
      // Passport letters, each with a shadow digit; pressed from 8 up.
      {CWriterStream::Passport, "<1/KfAfYf>", "KAT", 0},
      {CWriterStream::Passport, "<2/S9T8A7>", "ST", 0},
      // Either S- key gives S-, either asterisk the asterisk.
      {CWriterStream::Passport, "<3/Cf><4/~f><5/*F>", "S * *", 0},
      // The right bank's own letters.
      {CWriterStream::Passport, "<6/FfQfNfBfLfGfYfXfDfZf#f>", "#-FRPBLGTSDZ", 0},
      // What follows a second slash carries no keys.
      {CWriterStream::Passport, "<123/SfTf/something>", "ST", 0},
      {CWriterStream::Passport, "<7/>", "", 0},
      {CWriterStream::StenturaProtocol, "C2C4C0C8", "KAT", 0},
  };
  for (const Case& c : cases) {
    // Passport speaks ASCII: the case's text is the line itself.
    if (c.protocol != CWriterStream::Passport) {
      check(c);
      continue;
    }
    std::string hex;
    for (const char* p = c.bytes; *p; ++p) {
      char two[3];
      std::snprintf(two, sizeof two, "%02X", static_cast<unsigned char>(*p));
      hex += two;
    }
    check({c.protocol, hex.c_str(), c.strokes, c.dropped, c.skips});
  }
}

// Keys a writer's chart has and the steno order has not are left out of the
// stroke and counted, not read as some other key.
TEST(WriterStream, PassportKeysWithNoPlaceAreDroppedAndCounted) {
  const struct {
    const char* line;
    const char* strokes;
    unsigned long dropped_keys;
  } cases[] = {
      {"<1/Kf!fAf^fYf+f>", "KAT", 3},
      {"<1/!f>", "", 1},
      {"<1/!7^0+1>", "", 0},
      {"<1/Sf><2/+9>", "S", 1},
  };
  for (const auto& c : cases) {
    CWriterStream stream(CWriterStream::Passport);
    std::vector<CStroke> strokes;
    stream.Feed(reinterpret_cast<const BYTE*>(c.line), static_cast<int>(std::strlen(c.line)),
                strokes);
    stream.LineQuiet(strokes);
    EXPECT_EQ(shown(strokes_of(c.strokes)), shown(strokes)) << c.line;
    EXPECT_EQ(c.dropped_keys, stream.GetDroppedKeys()) << c.line;
    EXPECT_EQ(0u, stream.GetDroppedBytes()) << c.line;
  }
}

// A garbled Passport packet is dropped whole and the next "<" starts afresh.
TEST(WriterStream, PassportResynchronisesOnTheNextPacket) {
  const struct {
    const char* line;
    const char* strokes;
    unsigned long dropped;
    const char* skips;
  } cases[] = {
      {"<1/Kf<2/Af>", "A", 5, "0+5"},        {"xx<1/Af>", "A", 2, "0+2"},
      {"<1/Jf><2/Af>", "A", 6, "0+6"},       {"<1/Kg><2/Af>", "A", 6, "0+6"},
      {"<1/K><2/Af>", "A", 5, "0+5"},        {"<1Kf><2/Af>", "A", 5, "0+5"},
      {"<1/Af>\r\n<2/Of>", "A O", 2, "6+2"}, {"<1/Af><2/Of", "A", 5, "6+5"},
  };
  for (const auto& c : cases) {
    const std::string line = c.line;
    CWriterStream stream(CWriterStream::Passport);
    std::vector<CStroke> strokes;
    std::vector<CWriterStream::Skip> skips;
    stream.Feed(reinterpret_cast<const BYTE*>(line.data()), static_cast<int>(line.size()), strokes,
                &skips);
    stream.LineQuiet(strokes, &skips);
    EXPECT_EQ(shown(strokes_of(c.strokes)), shown(strokes)) << c.line;
    EXPECT_EQ(c.dropped, stream.GetDroppedBytes()) << c.line;
    EXPECT_EQ(c.skips, shown(skips)) << c.line;
  }
}

// A Passport packet longer than any a writer sends is a garbled line, not a
// reason to keep taking bytes.
TEST(WriterStream, PassportBoundsAPacketThatNeverEnds) {
  CWriterStream stream(CWriterStream::Passport);
  std::string line = "<1/" + std::string(500, 'S') + "<2/Af>";
  std::vector<CStroke> strokes;
  stream.Feed(reinterpret_cast<const BYTE*>(line.data()), static_cast<int>(line.size()), strokes);
  EXPECT_EQ("A", shown(strokes));
  EXPECT_EQ(503u, stream.GetDroppedBytes());
}

TEST(WriterStream, ResynchronisesAfterALostOrGarbledByte) {
  const Case cases[] = {
      // A byte without Stentura's markers is dropped with its packet so far.
      {CWriterStream::Stentura, "C2C4 05 | C2C4C0C8", "KAT", 3, "0+3"},
      {CWriterStream::Stentura, "C2C4C0C8 05 C2 05 C2C4C0C8 C0", "KAT KAT", 4, "4+3 11+1"},
      // A lost byte: the quiet line drops the rest of the packet.
      {CWriterStream::Stentura, "C2C4C8 | C2C4C0C8", "KAT", 3, "0+3"},
      {CWriterStream::Sten8000, "2100 | 210020", "KAT", 2, "0+2"},
      {CWriterStream::Baron, "0840 | 084008", "KAT", 2, "0+2"},
      {CWriterStream::Flash, "40 | 084008", "KAT", 1, "0+1"},
      {CWriterStream::Merit, "801002 | 80100210", "KAT", 3, "0+3"},
      // A Gemini PR lead byte amid a packet starts the next one at once.
      {CWriterStream::GeminiPR, "8008200004 800820000400", "KAT", 5, "0+5"},
      {CWriterStream::GeminiPR, "800820000400 12 7F 800000000001", "KAT -Z", 2, "6+2"},
      {CWriterStream::GeminiPR, "0820000400 800820000400", "KAT", 5, "0+5"},
      // A byte lost amid a stroke loses only that stroke, and the garble
      // around a lead byte that starts nothing is one skip.
      {CWriterStream::GeminiPR, "800820000400 8008200400 800000000001", "KAT -Z", 5, "6+5"},
      {CWriterStream::GeminiPR, "12 8008 34 800000000001 80", "-Z", 5, "0+4 10+1"},
      // Cut short at the end of the line: dropped once the line ends.
      {CWriterStream::GeminiPR, "800820000400 800000", "KAT", 3, "6+3"},
      // TX Bolt loses the keys of a lost byte but keeps the stroke apart.
      {CWriterStream::TXBolt, "04 C1 15 41 |", "K-T SKWR", 0},
      // ProCAT: a first byte with its top bit set starts nothing, a last
      // byte other than FF ends the packet, and one below 80 starts the next.
      {CWriterStream::ProCAT, "88 084008FF", "KAT", 1, "0+1"},
      {CWriterStream::ProCAT, "084008FE | 084008FF", "KAT", 4, "0+4"},
      {CWriterStream::ProCAT, "084008 084008FF", "KAT", 3, "0+3"},
      {CWriterStream::ProCAT, "0840 | 084008FF", "KAT", 2, "0+2"},
  };
  for (const Case& c : cases) check(c);
}

// A stroke whose last byte is in goes out at once, not when the next byte
// comes or the line falls quiet: a TX Bolt stroke that reaches the last key
// set (-T -S -D -Z and the number bar), a whole packet of any other format.
TEST(WriterStream, AStrokeGoesOutAtItsLastByte) {
  const Case cases[] = {
      {CWriterStream::TXBolt, "04 42 C1", "KAT", 0},
      {CWriterStream::TXBolt, "C2", "-S", 0},
      {CWriterStream::TXBolt, "C4", "-D", 0},
      {CWriterStream::TXBolt, "C8", "-Z", 0},
      {CWriterStream::TXBolt, "D0", "#", 0},
      {CWriterStream::TXBolt, "04 42 81 C1", "KAFT", 0},
      {CWriterStream::Stentura, "C2C4C0C8", "KAT", 0},
      {CWriterStream::Sten8000, "210020", "KAT", 0},
      {CWriterStream::Baron, "084008", "KAT", 0},
      {CWriterStream::Flash, "084008", "KAT", 0},
      {CWriterStream::XScribe, "084008", "KAT", 0},
      {CWriterStream::Merit, "80100210", "KAT", 0},
      {CWriterStream::GeminiPR, "800820000400", "KAT", 0},
  };
  for (const Case& c : cases) check(c);
}

// What waits for the quiet line: the rest of a packet, or a TX Bolt stroke
// that has not reached its last key set.
TEST(WriterStream, TellsWhetherBytesWaitForTheRest) {
  const struct {
    CWriterStream::Protocol protocol;
    const char* bytes;
    bool pending;
  } cases[] = {
      {CWriterStream::Stentura, "", false},
      {CWriterStream::Stentura, "C2", true},
      {CWriterStream::Stentura, "C2C4C0C8", false},
      {CWriterStream::Stentura, "05", false},
      {CWriterStream::Flash, "0840", true},
      {CWriterStream::GeminiPR, "8008200004", true},
      {CWriterStream::GeminiPR, "800820000400", false},
      {CWriterStream::TXBolt, "04 42", true},
      {CWriterStream::TXBolt, "04 42 C1", false},
      {CWriterStream::TXBolt, "04 42 00", true},
  };
  for (const auto& c : cases) {
    CWriterStream stream(c.protocol);
    read_line(stream, c.bytes);
    EXPECT_EQ(c.pending, stream.IsPending())
        << CWriterStream::GetProtocolName(c.protocol) << " " << c.bytes;
    std::vector<CStroke> strokes;
    stream.LineQuiet(strokes);
    EXPECT_FALSE(stream.IsPending()) << c.bytes << " after the quiet line";
  }
}

// A garbled stretch is one skip at the same place however the line was cut
// into reads.
TEST(WriterStream, SkipsDoNotDependOnHowTheLineWasRead) {
  const std::string line = std::string("\x80\x08\x20\x00\x04\x00", 6) + "\x12\x80\x08\x34\x56" +
                           std::string("\x80\x00\x00\x00\x00\x01", 6) +
                           std::string("\x80\x08\x20\x04\x00", 5) +
                           std::string("\x80\x00\x00\x00\x00\x01\x80\x08", 8);
  const auto* bytes = reinterpret_cast<const BYTE*>(line.data());
  for (int piece = 1; piece <= 8; ++piece) {
    CWriterStream stream(CWriterStream::GeminiPR);
    std::vector<CStroke> strokes;
    std::vector<CWriterStream::Skip> skips;
    for (std::size_t at = 0; at < line.size(); at += piece)
      stream.Feed(bytes + at, static_cast<int>(std::min<std::size_t>(piece, line.size() - at)),
                  strokes, &skips);
    // A skip is handed over once the packet after it is whole, not only when
    // the line ends.
    EXPECT_EQ("6+5 17+5", shown(skips)) << "before the end, in pieces of " << piece;
    stream.LineQuiet(strokes, &skips);
    EXPECT_EQ("KA-T -Z -Z", shown(strokes)) << "in pieces of " << piece;
    EXPECT_EQ("6+5 17+5 28+2", shown(skips)) << "in pieces of " << piece;
  }
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
  for (int p = 0; p < CWriterStream::ProtocolCount; ++p) {
    const auto protocol = static_cast<CWriterStream::Protocol>(p);
    const std::string name = CWriterStream::GetProtocolName(protocol);
    // A writer asked for its strokes answers with Stentura's records.
    const std::string capture =
        ReadWholeFile(KELM_EXAMPLES_DIR "/paragraph." +
                      std::string(CWriterStream::IsAskedFor(protocol) ? "stentura" : name.c_str()));
    ASSERT_FALSE(capture.empty()) << "examples/paragraph." << name << " is missing";
    const auto* bytes = reinterpret_cast<const BYTE*>(capture.data());
    for (int piece = 1; piece <= 7; ++piece) {
      CWriterStream stream(protocol);
      std::vector<CStroke> strokes;
      for (std::size_t at = 0; at < capture.size(); at += piece)
        stream.Feed(bytes + at, static_cast<int>(std::min<std::size_t>(piece, capture.size() - at)),
                    strokes);
      stream.LineQuiet(strokes);
      EXPECT_EQ(want, shown(strokes)) << name << " in pieces of " << piece;
      EXPECT_EQ(0u, stream.GetDroppedBytes()) << name << " in pieces of " << piece;
    }
  }
}

}  // namespace
