#include "strokes/stroke.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// Keys written as six hex digits, byte 0 first: K- A -T is 0x084008.
CStroke stroke_of(UINT keys) {
  const BYTE bytes[3] = {static_cast<BYTE>(keys >> 16), static_cast<BYTE>(keys >> 8),
                         static_cast<BYTE>(keys)};
  return CStroke(bytes);
}

UINT keys_of(const CStroke& stroke) {
  const BYTE* b = stroke.GetKeyBytes();
  return static_cast<UINT>(b[0]) << 16 | static_cast<UINT>(b[1]) << 8 | b[2];
}

std::string hex(UINT keys) {
  char text[16];
  std::snprintf(text, sizeof text, "%06X", keys);
  return text;
}

constexpr UINT all_keys = 0xFFFFFF;
constexpr UINT mark = 0x800000;
constexpr UINT number_bar = 0x400000;
constexpr UINT left_s = 0x200000;
constexpr UINT left_k = 0x080000;
constexpr UINT left_h = 0x010000;
constexpr UINT left_r = 0x008000;
constexpr UINT vowel_a = 0x004000;
constexpr UINT vowel_o = 0x002000;
constexpr UINT asterisk = 0x001000;
constexpr UINT vowel_e = 0x000800;
constexpr UINT vowel_u = 0x000400;
constexpr UINT right_f = 0x000200;
constexpr UINT right_p = 0x000080;
constexpr UINT right_b = 0x000040;
constexpr UINT right_t = 0x000008;
constexpr UINT right_s = 0x000004;
constexpr UINT right_z = 0x000001;

struct accessor_case {
  int position;
  int (CStroke::*get)() const;
  void (CStroke::*set)(int);
  UINT uint_mask;  // the key in the GetUINT value
};

constexpr accessor_case accessors[] = {
    {0, &CStroke::GetMark, &CStroke::SetMark, 0x000080},
    {1, &CStroke::GetNumberBar, &CStroke::SetNumberBar, 0x000040},
    {2, &CStroke::GetLS, &CStroke::SetLS, 0x000020},
    {3, &CStroke::GetLT, &CStroke::SetLT, 0x000010},
    {4, &CStroke::GetLK, &CStroke::SetLK, 0x000008},
    {5, &CStroke::GetLP, &CStroke::SetLP, 0x000004},
    {6, &CStroke::GetLW, &CStroke::SetLW, 0x000002},
    {7, &CStroke::GetLH, &CStroke::SetLH, 0x000001},
    {8, &CStroke::GetLR, &CStroke::SetLR, 0x008000},
    {9, &CStroke::GetA, &CStroke::SetA, 0x004000},
    {10, &CStroke::GetO, &CStroke::SetO, 0x002000},
    {11, &CStroke::GetAsterisk, &CStroke::SetAsterisk, 0x001000},
    {12, &CStroke::GetE, &CStroke::SetE, 0x000800},
    {13, &CStroke::GetU, &CStroke::SetU, 0x000400},
    {14, &CStroke::GetRF, &CStroke::SetRF, 0x000200},
    {15, &CStroke::GetRR, &CStroke::SetRR, 0x000100},
    {16, &CStroke::GetRP, &CStroke::SetRP, 0x800000},
    {17, &CStroke::GetRB, &CStroke::SetRB, 0x400000},
    {18, &CStroke::GetRL, &CStroke::SetRL, 0x200000},
    {19, &CStroke::GetRG, &CStroke::SetRG, 0x100000},
    {20, &CStroke::GetRT, &CStroke::SetRT, 0x080000},
    {21, &CStroke::GetRS, &CStroke::SetRS, 0x040000},
    {22, &CStroke::GetRD, &CStroke::SetRD, 0x020000},
    {23, &CStroke::GetRZ, &CStroke::SetRZ, 0x010000},
};

TEST(StrokeKeys, EachAccessorOwnsOneKeyAndStoresTheLowestBit) {
  for (const accessor_case& c : accessors) {
    const UINT own = 0x800000u >> c.position;
    CStroke none;
    (none.*c.set)(3);
    EXPECT_EQ(c.uint_mask, none.GetUINT()) << c.position;
    EXPECT_EQ(own, keys_of(none)) << c.position;
    EXPECT_EQ(1, (none.*c.get)()) << c.position;
    EXPECT_EQ(1, none.GetKey(c.position)) << c.position;
    (none.*c.set)(2);
    EXPECT_EQ(1, none.IsEmpty()) << c.position;

    CStroke all = stroke_of(all_keys);
    (all.*c.set)(0);
    EXPECT_EQ(all_keys & ~own, keys_of(all)) << c.position;
    EXPECT_EQ(0, (all.*c.get)()) << c.position;
    all.SetKey(c.position, 1);
    EXPECT_EQ(all_keys, keys_of(all)) << c.position;
  }
}

TEST(StrokeKeys, PositionsOutsideTheKeyboardAreIgnored) {
  CStroke stroke = stroke_of(all_keys);
  stroke.SetKey(-1, 0);
  stroke.SetKey(24, 0);
  EXPECT_EQ(all_keys, keys_of(stroke));
  EXPECT_EQ(0, stroke.GetKey(24));
  EXPECT_EQ(0, stroke.GetKey(-1));
}

TEST(StrokeKeys, UintHoldsByteZeroLowest) {
  EXPECT_EQ(0x00FFFF3Fu, stroke_of(all_keys & ~mark & ~number_bar).GetUINT());
  CStroke stroke;
  stroke.SetUINT(0xFF084008);
  EXPECT_EQ(0x084008u, keys_of(stroke));
  EXPECT_EQ(0x00084008u, stroke.GetUINT());
}

TEST(StrokeKeys, EmptinessAndEqualityConcernKeysOnly) {
  EXPECT_EQ(1, CStroke().IsEmpty());
  EXPECT_EQ(0, stroke_of(mark).IsEmpty());
  EXPECT_EQ(0, stroke_of(number_bar).IsEmpty());

  CStroke early = stroke_of(0x084008);
  CStroke late = stroke_of(0x084008);
  early.SetTimeStamp(CTime(1000));
  late.SetTimeStamp(CTime(2000));
  EXPECT_EQ(1, early == late);
  EXPECT_EQ(0, early != late);
  EXPECT_EQ(0, early == stroke_of(0x084009));
  EXPECT_EQ(1, early != stroke_of(0x084009));

  late.Empty();
  EXPECT_EQ(1, late.IsEmpty());
  EXPECT_EQ(CTime(2000), late.GetTimeStamp());

  CStroke copy = early;
  EXPECT_EQ(CTime(1000), copy.GetTimeStamp());
  EXPECT_EQ(0x084008u, keys_of(copy));
}

TEST(StrokeHex, WritesSixDigitsAndNothingForTheEmptyStroke) {
  EXPECT_EQ(CString("084008"), stroke_of(left_k | vowel_a | right_t).GetStrHex());
  EXPECT_EQ(CString("800000"), stroke_of(mark).GetStrHex());
  EXPECT_EQ(CString("FFFFFF"), stroke_of(all_keys).GetStrHex());
  EXPECT_EQ(CString(""), CStroke().GetStrHex());
}

TEST(StrokeHex, ReadsLeadingDigitsOnly) {
  const struct {
    const char* text;
    UINT want;
  } cases[] = {
      {"", 0},
      {"xyz", 0},
      {"084008", 0x084008},
      {"0a0B0c", 0x0A0B0C},
      {"12G4", 0x000012},
      {" 1", 0},
      {"-1", 0},
      {"0x10", 0},  // as if "0x" stood in front: the x ends the number
      {"800000", mark},
      // Beyond six digits the last six count: the value never exceeds 24 bits.
      {"1234567", 0x234567},
      {"FFFFFFFFFFFFFFFFFFFF", 0xFFFFFF},
  };
  for (const auto& c : cases) {
    CStroke stroke = stroke_of(0x555555);
    stroke.SetTimeStamp(CTime(77));
    stroke.SetStrHex(c.text);
    EXPECT_EQ(hex(c.want), hex(keys_of(stroke))) << c.text;
    EXPECT_EQ(CTime(77), stroke.GetTimeStamp()) << c.text;
  }
}

TEST(StrokeHex, EveryStrokeSurvivesItsHexForm) {
  CStroke stroke;
  for (UINT keys = 0; keys <= all_keys; keys += 7) {
    stroke.SetStrHex(stroke_of(keys).GetStrHex());
    ASSERT_EQ(hex(keys), hex(keys_of(stroke)));
  }
}

enum class writer { stentura, sten8000, baron, flash, xscribe, merit };

void set_packet(CStroke& stroke, writer w, const BYTE* packet) {
  switch (w) {
    case writer::stentura:
      return stroke.SetStentura(packet);
    case writer::sten8000:
      return stroke.SetSten8000(packet);
    case writer::baron:
      return stroke.SetBaron(packet);
    case writer::flash:
      return stroke.SetFlash(packet);
    case writer::xscribe:
      return stroke.SetXScribe(packet);
    case writer::merit:
      return stroke.SetMerit(packet);
  }
}

TEST(StrokePackets, EachWriterPutsItsBitsOnTheRightKeys) {
  const struct {
    const char* name;
    writer w;
    BYTE packet[4];
    UINT want;
  } cases[] = {
      {"stentura markers and -Z", writer::stentura, {0xC0, 0xC0, 0xC0, 0xC1}, right_z},
      {"stentura mark", writer::stentura, {0x20, 0, 0, 0}, mark},
      {"stentura P-", writer::stentura, {0x01, 0, 0, 0}, 0x040000},
      {"stentura W-", writer::stentura, {0, 0x20, 0, 0}, 0x020000},
      {"stentura *", writer::stentura, {0, 0x01, 0, 0}, asterisk},
      {"stentura E", writer::stentura, {0, 0, 0x20, 0}, vowel_e},
      {"stentura -B", writer::stentura, {0, 0, 0x01, 0}, right_b},
      {"stentura -L", writer::stentura, {0, 0, 0, 0x20}, 0x000020},
      {"stentura all", writer::stentura, {0xFF, 0xFF, 0xFF, 0xFF}, all_keys},
      {"sten8000 mark", writer::sten8000, {0, 0, 0x01}, mark},
      {"sten8000 number bar", writer::sten8000, {0, 0, 0x02}, number_bar},
      {"sten8000 S-", writer::sten8000, {0x80, 0, 0}, left_s},
      {"sten8000 A", writer::sten8000, {0x01, 0, 0}, vowel_a},
      {"sten8000 O", writer::sten8000, {0, 0x80, 0}, vowel_o},
      {"sten8000 -B", writer::sten8000, {0, 0x01, 0}, right_b},
      {"sten8000 -L", writer::sten8000, {0, 0, 0x80}, 0x000020},
      {"sten8000 -Z", writer::sten8000, {0, 0, 0x04}, right_z},
      {"baron -Z", writer::baron, {0x01, 0, 0}, right_z},
      {"baron H-", writer::baron, {0, 0, 0x01}, left_h},
      {"baron R-", writer::baron, {0, 0x80, 0}, left_r},
      {"flash", writer::flash, {0x08, 0x40, 0x08}, 0x084008},
      {"xscribe", writer::xscribe, {0x08, 0x40, 0x08}, 0x084008},
      {"merit mark", writer::merit, {0x00, 0x01, 0, 0}, mark},
      {"merit H-", writer::merit, {0x00, 0x80, 0, 0}, left_h},
      {"merit byte 0 ignored", writer::merit, {0xFF, 0, 0, 0}, 0},
      {"merit R-", writer::merit, {0, 0, 0x01, 0}, left_r},
      {"merit -Z", writer::merit, {0, 0, 0, 0x80}, right_z},
      {"merit -P", writer::merit, {0, 0, 0, 0x01}, right_p},
  };
  for (const auto& c : cases) {
    CStroke stroke = stroke_of(0x5A5A5A);
    stroke.SetTimeStamp(CTime(42));
    set_packet(stroke, c.w, c.packet);
    EXPECT_EQ(hex(c.want), hex(keys_of(stroke))) << c.name;
    EXPECT_EQ(CTime(42), stroke.GetTimeStamp()) << c.name;
  }
}

TEST(StrokePackets, Sten8000WritesTheExactInverse) {
  CStroke back;
  for (UINT keys = 0; keys <= all_keys; ++keys) {
    const CStroke stroke = stroke_of(keys);
    BYTE packet[3];
    stroke.GetSten8000(packet);
    back.SetSten8000(packet);
    ASSERT_EQ(keys, keys_of(back)) << hex(keys);
    if ((keys & 0xFFF) == 0x123) {
      for (int i = 0; i < 3; ++i) ASSERT_EQ(packet[i], stroke.GetSten8000Byte(i)) << hex(keys);
    }
  }
  BYTE packet[3];
  stroke_of(mark).GetSten8000(packet);
  EXPECT_EQ(0x000001, packet[0] << 16 | packet[1] << 8 | packet[2]);
  stroke_of(number_bar).GetSten8000(packet);
  EXPECT_EQ(0x000002, packet[0] << 16 | packet[1] << 8 | packet[2]);
}

TEST(StrokePackets, GetStenturaLeavesTheBufferAlone) {
  BYTE packet[4] = {1, 2, 3, 4};
  stroke_of(all_keys).GetStentura(packet);
  EXPECT_EQ(1, packet[0]);
  EXPECT_EQ(4, packet[3]);
}

TEST(StrokeAnalyses, VowelsConsonantsAndAsterisk) {
  const struct {
    UINT keys;
    int grandjean;
    int short_vowel, long_vowel, left_consonant, right_consonant, has_asterisk;
  } cases[] = {
      {0, 0, 0, 0, 0, 0, 0},
      {vowel_e | vowel_u, 0, 1, 0, 0, 0, 0},
      {vowel_a | vowel_o, 0, 0, 1, 0, 0, 0},
      {vowel_a, 0, 1, 0, 0, 0, 0},
      {vowel_u, 0, 1, 0, 0, 0, 0},
      {vowel_a | vowel_e, 0, 0, 1, 0, 0, 0},
      {vowel_o | vowel_u, 0, 0, 1, 0, 0, 0},
      {vowel_a | vowel_e | vowel_u, 0, 0, 1, 0, 0, 0},
      {mark, 0, 0, 0, 1, 0, 0},
      {number_bar, 0, 0, 0, 1, 0, 0},
      {left_r, 0, 0, 0, 1, 0, 0},
      {asterisk, 0, 0, 0, 0, 0, 1},
      {right_f, 0, 0, 0, 0, 1, 0},
      {0x000100, 0, 0, 0, 0, 1, 0},  // -R
      {right_z, 0, 0, 0, 0, 1, 0},
      // Grandjean: position 8 is the asterisk and closes the left bank with
      // R N L Y (9-12); E A U I (14-17) are short alone, O (13) is long.
      {0x008000, 1, 0, 0, 1, 0, 1},
      {0x000800, 1, 0, 0, 1, 0, 0},
      {0x004000, 1, 0, 0, 1, 0, 0},
      {0x000100, 1, 1, 0, 0, 0, 0},  // A
      {0x000040, 1, 1, 0, 0, 0, 0},  // I
      {0x000400, 1, 0, 1, 0, 0, 0},  // O
      {0x000300, 1, 0, 1, 0, 0, 0},  // E A
      {0x000500, 1, 1, 0, 0, 0, 0},  // O A
      {0x000200, 1, 1, 0, 0, 0, 0},  // E
      {0x001000, 1, 0, 0, 1, 0, 0},  // L- (position 11) is no asterisk
      {0x000004, 1, 0, 0, 0, 4, 0},  // D: the raw bit, not 1
      {0x00003F, 1, 0, 0, 0, 63, 0},
      {0x0000C0, 1, 0, 1, 0, 0, 0},  // U I: two short vowels make a long one
  };
  for (const auto& c : cases) {
    const CStroke stroke = stroke_of(c.keys);
    const std::string in = hex(c.keys) + (c.grandjean ? " grandjean" : "");
    EXPECT_EQ(c.short_vowel, stroke.HasShortVowel(c.grandjean)) << in;
    EXPECT_EQ(c.long_vowel, stroke.HasLongVowel(c.grandjean)) << in;
    EXPECT_EQ(c.left_consonant, stroke.HasLeftConsonant(c.grandjean)) << in;
    EXPECT_EQ(c.right_consonant, stroke.HasRightConsonant(c.grandjean)) << in;
    EXPECT_EQ(c.has_asterisk, stroke.HasAsterisk(c.grandjean)) << in;
  }
}

TEST(StrokeAnalyses, LeftAndRightCounts) {
  const CStroke stroke = stroke_of(all_keys);
  EXPECT_EQ(9, stroke.GetLeftCount(0, 0));
  EXPECT_EQ(11, stroke.GetLeftCount(0, 1));
  EXPECT_EQ(10, stroke.GetLeftCount(1, 0));
  EXPECT_EQ(12, stroke.GetLeftCount(1, 1));
  EXPECT_EQ(10, stroke.GetRightCount(0, 0));
  EXPECT_EQ(10, stroke.GetRightCount(1, 0));
  EXPECT_EQ(11, stroke.GetRightCount(1, 1));
  EXPECT_EQ(12, stroke.GetRightCount(0, 1));

  const CStroke some = stroke_of(mark | left_k | vowel_a | vowel_e | right_s);
  EXPECT_EQ(2, some.GetLeftCount(1, 0));
  EXPECT_EQ(3, some.GetLeftCount(0, 1));
  EXPECT_EQ(1, some.GetRightCount(0, 0));
  EXPECT_EQ(2, some.GetRightCount(0, 1));
  EXPECT_EQ(1, some.GetRightCount(1, 1));
}

TEST(StrokeAnalyses, BeginningAndEndingShareOutEveryKey) {
  const struct {
    UINT keys;
    int grandjean;
    UINT beginning;
  } cases[] = {
      {all_keys, 0, 0xFF8000},
      {all_keys, 1, 0xFFF800},
      {left_k | vowel_a | right_t, 0, left_k},
      {left_r | asterisk | right_z, 0, left_r},
      {left_r | asterisk | right_z, 1, left_r | asterisk},
  };
  for (const auto& c : cases) {
    const std::string in = hex(c.keys) + (c.grandjean ? " grandjean" : "");
    CStroke beginning = stroke_of(0x123456);
    CStroke ending = stroke_of(0x654321);
    stroke_of(c.keys).GetBeginning(beginning, c.grandjean);
    stroke_of(c.keys).GetEnding(ending, c.grandjean);
    EXPECT_EQ(hex(c.beginning), hex(keys_of(beginning))) << in;
    EXPECT_EQ(hex(c.keys & ~c.beginning), hex(keys_of(ending))) << in;
  }
}

TEST(StrokeAnalyses, ContainsPartialAndInvert) {
  const CStroke kat = stroke_of(left_k | vowel_a | right_t);
  EXPECT_EQ(1, kat.ContainsPartial(CStroke()));
  EXPECT_EQ(1, CStroke().ContainsPartial(CStroke()));
  EXPECT_EQ(0, CStroke().ContainsPartial(kat));
  EXPECT_EQ(1, kat.ContainsPartial(stroke_of(left_k | right_t)));
  EXPECT_EQ(0, kat.ContainsPartial(stroke_of(left_k | right_s)));

  CStroke stroke;
  stroke.SetTimeStamp(CTime(9));
  stroke.Invert();
  EXPECT_EQ(all_keys, keys_of(stroke));
  EXPECT_EQ(CTime(9), stroke.GetTimeStamp());
  stroke = kat;
  stroke.Invert();
  EXPECT_EQ(all_keys & ~keys_of(kat), keys_of(stroke));
  stroke.Invert();
  EXPECT_EQ(1, stroke == kat);
}

}  // namespace
