#include "strokes/stroke.h"
#include "strokes/stroke_test_util.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// Packet bytes from hex digits, byte 0 first.
std::vector<BYTE> bytes_of(const std::string& hex) {
  std::vector<BYTE> bytes;
  for (size_t i = 0; i < hex.size(); i += 2)
    bytes.push_back(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

// Key patterns (GetUINT form) for the conversions that must hold for every
// stroke: walking all 2^24 takes too long under the sanitizers, so the edges
// (no keys, each key alone, all keys, the full bytes and the keys on either
// side of each byte boundary) and a fixed random few thousand.
std::vector<UINT> sample_patterns() {
  std::vector<UINT> keys = {0,        0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000,
                            0x00FFFF, 0xFFFF00, 0x000180, 0x018000};
  for (int p = 0; p < 24; ++p) keys.push_back(1u << p);
  std::mt19937 random(24);
  for (int i = 0; i < 4000; ++i) keys.push_back(random() & 0xFFFFFF);
  return keys;
}

constexpr std::pair<int (CStroke::*)() const, void (CStroke::*)(int)> accessors[24] = {
    {&CStroke::GetMark, &CStroke::SetMark}, {&CStroke::GetNumberBar, &CStroke::SetNumberBar},
    {&CStroke::GetLS, &CStroke::SetLS},     {&CStroke::GetLT, &CStroke::SetLT},
    {&CStroke::GetLK, &CStroke::SetLK},     {&CStroke::GetLP, &CStroke::SetLP},
    {&CStroke::GetLW, &CStroke::SetLW},     {&CStroke::GetLH, &CStroke::SetLH},
    {&CStroke::GetLR, &CStroke::SetLR},     {&CStroke::GetA, &CStroke::SetA},
    {&CStroke::GetO, &CStroke::SetO},       {&CStroke::GetAsterisk, &CStroke::SetAsterisk},
    {&CStroke::GetE, &CStroke::SetE},       {&CStroke::GetU, &CStroke::SetU},
    {&CStroke::GetRF, &CStroke::SetRF},     {&CStroke::GetRR, &CStroke::SetRR},
    {&CStroke::GetRP, &CStroke::SetRP},     {&CStroke::GetRB, &CStroke::SetRB},
    {&CStroke::GetRL, &CStroke::SetRL},     {&CStroke::GetRG, &CStroke::SetRG},
    {&CStroke::GetRT, &CStroke::SetRT},     {&CStroke::GetRS, &CStroke::SetRS},
    {&CStroke::GetRD, &CStroke::SetRD},     {&CStroke::GetRZ, &CStroke::SetRZ}};

TEST(StrokeKeys, EachAccessorStoresTheLowestBitIntoItsKeyAlone) {
  for (int p = 0; p < 24; ++p) {
    const auto [get, set] = accessors[p];
    const UINT mask = 1u << (8 * (p / 8) + 7 - p % 8);  // GetUINT holds byte 0 lowest
    CStroke stroke, all = from_hex("FFFFFF");
    (stroke.*set)(3);
    (all.*set)(0);
    EXPECT_EQ(mask, stroke.GetUINT()) << p;
    EXPECT_EQ(0xFFFFFFu & ~mask, all.GetUINT()) << p;
    EXPECT_EQ(1, (stroke.*get)() & stroke.GetKey(p)) << p;
    EXPECT_EQ(0, (all.*get)() | all.GetKey(p)) << p;
    (stroke.*set)(2);
    all.SetKey(p, 1);
    EXPECT_EQ(1, stroke.IsEmpty()) << p;
    EXPECT_EQ("FFFFFF", hex_of(all)) << p;
  }
}

TEST(StrokeKeys, EqualityIgnoresTimeAndEmptyKeepsIt) {
  CStroke stroke, late = from_hex("084008");
  stroke.SetUINT(0xFF084008);  // bits 24-31 are ignored
  late.SetTimeStamp(CTime(2000));
  EXPECT_EQ(1, stroke == late);
  EXPECT_EQ(0, stroke != late);
  EXPECT_EQ(1, stroke != from_hex("084009"));
  EXPECT_EQ(0, from_hex("800000").IsEmpty());  // the mark is a key
  late.Empty();
  EXPECT_EQ(1, late.IsEmpty());
  EXPECT_EQ(CTime(2000), late.GetTimeStamp());
}

// "0x10" reads as if "0x" stood before it: the x ends the number. Of more
// than six digits the last six count.
TEST(StrokeHex, ReadsLeadingHexDigitsOnly) {
  const struct {
    const char *text, *want;
  } cases[] = {{"", ""},
               {"xyz", ""},
               {"0a0B0c", "0A0B0C"},
               {"12G4", "000012"},
               {" 1", ""},
               {"0x10", ""},
               {"1234567", "234567"},
               {"800000", "800000"},
               {"FFFFFFFFFFFFFFFFFFFF", "FFFFFF"}};
  for (const auto& c : cases) {
    CStroke stroke = from_hex("555555");
    stroke.SetTimeStamp(CTime(77));
    stroke.SetStrHex(c.text);
    EXPECT_EQ(c.want, hex_of(stroke)) << c.text;
    EXPECT_EQ(CTime(77), stroke.GetTimeStamp()) << c.text;
  }
  CStroke stroke, back;
  for (const UINT keys : sample_patterns()) {
    stroke.SetUINT(keys);
    back.SetStrHex(stroke.GetStrHex());
    ASSERT_EQ(keys, back.GetUINT()) << hex_of(stroke);
  }
}

TEST(StrokePackets, EachWriterPutsItsBitsOnTheRightKeys) {
  using setter = void (CStroke::*)(const BYTE*);
  const setter stentura = &CStroke::SetStentura, sten8000 = &CStroke::SetSten8000,
               baron = &CStroke::SetBaron, flash = &CStroke::SetFlash,
               xscribe = &CStroke::SetXScribe, merit = &CStroke::SetMerit;
  const struct {
    setter set;
    const char* packet;
    const char* want;
  } cases[] = {{stentura, "C0C0C0C1", "000001"}, {stentura, "20000000", "800000"},
               {stentura, "01000000", "040000"}, {stentura, "00200000", "020000"},
               {stentura, "00000100", "000040"}, {stentura, "00000020", "000020"},
               {sten8000, "000001", "800000"},   {sten8000, "000002", "400000"},
               {sten8000, "800000", "200000"},   {sten8000, "018000", "006000"},
               {sten8000, "000180", "000060"},   {sten8000, "000004", "000001"},
               {baron, "010000", "000001"},      {baron, "008001", "018000"},
               {flash, "084008", "084008"},      {xscribe, "084008", "084008"},
               {merit, "FF010000", "800000"},    {merit, "00800000", "010000"},
               {merit, "00000180", "008001"},    {merit, "00000001", "000080"}};
  for (const auto& c : cases) {
    CStroke stroke = from_hex("5A5A5A");
    stroke.SetTimeStamp(CTime(42));
    (stroke.*c.set)(bytes_of(c.packet).data());
    const std::string in = "row " + std::to_string(&c - cases) + ' ' + c.packet;
    EXPECT_EQ(c.want, hex_of(stroke)) << in;
    EXPECT_EQ(CTime(42), stroke.GetTimeStamp()) << in;
  }
  BYTE untouched[4] = {1, 2, 3, 4};
  from_hex("FFFFFF").GetStentura(untouched);
  EXPECT_EQ(0x04030201, untouched[0] | untouched[1] << 8 | untouched[2] << 16 | untouched[3] << 24);
}

TEST(StrokePackets, Sten8000IsTheExactInverseOfItsReader) {
  CStroke stroke, back;
  BYTE packet[3];
  for (const UINT keys : sample_patterns()) {
    stroke.SetUINT(keys);
    stroke.GetSten8000(packet);
    back.SetSten8000(packet);
    ASSERT_EQ(keys, back.GetUINT()) << hex_of(stroke);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(packet[i], stroke.GetSten8000Byte(i)) << hex_of(stroke);
  }
}

// Grandjean: "*" R N L Y (8-12) close the left bank; E A U I (14-17) are
// short alone, O (13) takes no part in short vowels; the right consonants
// come back as the six bits of 18-23.
TEST(StrokeAnalyses, VowelsConsonantsAndAsterisk) {
  const struct {
    const char* keys;
    int grandjean, short_vowel, long_vowel, left_consonant, right_consonant, asterisk;
  } cases[] = {
      {"", 0, 0, 0, 0, 0, 0},       {"000C00", 0, 1, 0, 0, 0, 0}, {"006000", 0, 0, 1, 0, 0, 0},
      {"004000", 0, 1, 0, 0, 0, 0}, {"004800", 0, 0, 1, 0, 0, 0}, {"004C00", 0, 0, 1, 0, 0, 0},
      {"800000", 0, 0, 0, 1, 0, 0}, {"008000", 0, 0, 0, 1, 0, 0}, {"001000", 0, 0, 0, 0, 0, 1},
      {"000100", 0, 0, 0, 0, 1, 0}, {"000001", 0, 0, 0, 0, 1, 0}, {"008000", 1, 0, 0, 1, 0, 1},
      {"000800", 1, 0, 0, 1, 0, 0}, {"001000", 1, 0, 0, 1, 0, 0}, {"000100", 1, 1, 0, 0, 0, 0},
      {"000400", 1, 0, 1, 0, 0, 0}, {"000300", 1, 0, 1, 0, 0, 0}, {"000500", 1, 1, 0, 0, 0, 0},
      {"0000C0", 1, 0, 1, 0, 0, 0}, {"000004", 1, 0, 0, 0, 4, 0}, {"00003F", 1, 0, 0, 0, 63, 0}};
  for (const auto& c : cases) {
    const CStroke stroke = from_hex(c.keys);
    const std::string in = std::string(c.keys) + (c.grandjean ? " grandjean" : "");
    EXPECT_EQ(c.short_vowel, stroke.HasShortVowel(c.grandjean)) << in;
    EXPECT_EQ(c.long_vowel, stroke.HasLongVowel(c.grandjean)) << in;
    EXPECT_EQ(c.left_consonant, stroke.HasLeftConsonant(c.grandjean)) << in;
    EXPECT_EQ(c.right_consonant, stroke.HasRightConsonant(c.grandjean)) << in;
    EXPECT_EQ(c.asterisk, stroke.HasAsterisk(c.grandjean)) << in;
  }
}

TEST(StrokeAnalyses, CountsPartsSubsetsAndInversion) {
  const CStroke all = from_hex("FFFFFF");
  EXPECT_EQ(9, all.GetLeftCount(0, 0));
  EXPECT_EQ(11, all.GetLeftCount(0, 1));
  EXPECT_EQ(10, all.GetLeftCount(1, 0));
  EXPECT_EQ(10, all.GetRightCount(1, 0));  // neither vowel
  EXPECT_EQ(11, all.GetRightCount(1, 1));  // U, not E
  EXPECT_EQ(12, all.GetRightCount(0, 1));  // both

  // GetUINT masks of the left parts: byte 0 and R-, or byte 0 and "*" R N L Y.
  for (const char* keys : {"FFFFFF", "5A5A5A"}) {
    for (int grandjean = 0; grandjean <= 1; ++grandjean) {
      const UINT left = grandjean ? 0x00F8FF : 0x0080FF;
      const CStroke stroke = from_hex(keys);
      CStroke beginning = from_hex("123456"), ending = from_hex("654321");
      stroke.GetBeginning(beginning, grandjean);
      stroke.GetEnding(ending, grandjean);
      EXPECT_EQ(stroke.GetUINT() & left, beginning.GetUINT()) << keys << grandjean;
      EXPECT_EQ(stroke.GetUINT() & ~left, ending.GetUINT()) << keys << grandjean;
    }
  }

  const CStroke kat = from_hex("084008");
  EXPECT_EQ(1, kat.ContainsPartial(CStroke()));
  EXPECT_EQ(0, CStroke().ContainsPartial(kat));
  EXPECT_EQ(1, kat.ContainsPartial(from_hex("080008")));
  EXPECT_EQ(0, kat.ContainsPartial(from_hex("080004")));
  CStroke inverted = kat;
  inverted.SetTimeStamp(CTime(9));
  inverted.Invert();
  EXPECT_EQ("F7BFF7", hex_of(inverted));
  EXPECT_EQ(CTime(9), inverted.GetTimeStamp());
}

}  // namespace
