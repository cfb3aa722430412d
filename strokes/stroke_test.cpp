#include "strokes/stroke.h"
#include "strokes/stroke_test_util.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct accessor {
  int (CStroke::*get)() const;
  void (CStroke::*set)(int);
  UINT uint_mask;
};

// In key order, with each key's mask in the GetUINT value.
constexpr accessor accessors[24] = {{&CStroke::GetMark, &CStroke::SetMark, 0x000080},
                                    {&CStroke::GetNumberBar, &CStroke::SetNumberBar, 0x000040},
                                    {&CStroke::GetLS, &CStroke::SetLS, 0x000020},
                                    {&CStroke::GetLT, &CStroke::SetLT, 0x000010},
                                    {&CStroke::GetLK, &CStroke::SetLK, 0x000008},
                                    {&CStroke::GetLP, &CStroke::SetLP, 0x000004},
                                    {&CStroke::GetLW, &CStroke::SetLW, 0x000002},
                                    {&CStroke::GetLH, &CStroke::SetLH, 0x000001},
                                    {&CStroke::GetLR, &CStroke::SetLR, 0x008000},
                                    {&CStroke::GetA, &CStroke::SetA, 0x004000},
                                    {&CStroke::GetO, &CStroke::SetO, 0x002000},
                                    {&CStroke::GetAsterisk, &CStroke::SetAsterisk, 0x001000},
                                    {&CStroke::GetE, &CStroke::SetE, 0x000800},
                                    {&CStroke::GetU, &CStroke::SetU, 0x000400},
                                    {&CStroke::GetRF, &CStroke::SetRF, 0x000200},
                                    {&CStroke::GetRR, &CStroke::SetRR, 0x000100},
                                    {&CStroke::GetRP, &CStroke::SetRP, 0x800000},
                                    {&CStroke::GetRB, &CStroke::SetRB, 0x400000},
                                    {&CStroke::GetRL, &CStroke::SetRL, 0x200000},
                                    {&CStroke::GetRG, &CStroke::SetRG, 0x100000},
                                    {&CStroke::GetRT, &CStroke::SetRT, 0x080000},
                                    {&CStroke::GetRS, &CStroke::SetRS, 0x040000},
                                    {&CStroke::GetRD, &CStroke::SetRD, 0x020000},
                                    {&CStroke::GetRZ, &CStroke::SetRZ, 0x010000}};

TEST(StrokeKeys, EachAccessorStoresTheLowestBitIntoItsKeyAlone) {
  for (int p = 0; p < 24; ++p) {
    const accessor& a = accessors[p];
    CStroke stroke;
    (stroke.*a.set)(3);
    EXPECT_EQ(a.uint_mask, stroke.GetUINT()) << p;
    EXPECT_EQ(1, (stroke.*a.get)() & stroke.GetKey(p)) << p;
    (stroke.*a.set)(2);
    EXPECT_EQ(1, stroke.IsEmpty()) << p;

    CStroke all = from_hex("FFFFFF");
    (all.*a.set)(0);
    EXPECT_EQ(0xFFFFFFu & ~a.uint_mask, all.GetUINT()) << p;
    EXPECT_EQ(0, (all.*a.get)() | all.GetKey(p)) << p;
    all.SetKey(p, 1);
    EXPECT_EQ("FFFFFF", hex_of(all)) << p;
  }
}

TEST(StrokeKeys, WholeKeySetEmptinessAndEquality) {
  EXPECT_EQ(0x00FFFF3Fu, from_hex("3FFFFF").GetUINT());  // every letter key
  CStroke stroke;
  stroke.SetUINT(0xFF084008);
  EXPECT_EQ("084008", hex_of(stroke));  // bits 24-31 are ignored
  EXPECT_EQ(0, from_hex("800000").IsEmpty());
  EXPECT_EQ(0, from_hex("400000").IsEmpty());

  CStroke early = from_hex("084008"), late = from_hex("084008");
  early.SetTimeStamp(CTime(1000));
  late.SetTimeStamp(CTime(2000));
  EXPECT_EQ(1, early == late);
  EXPECT_EQ(0, early != late);
  EXPECT_EQ(1, early != from_hex("084009"));
  late.Empty();
  EXPECT_EQ(1, late.IsEmpty());
  EXPECT_EQ(CTime(2000), late.GetTimeStamp());
}

TEST(StrokeHex, ReadsLeadingHexDigitsOnly) {
  const struct {
    const char *text, *want;
  } cases[] = {{"", ""},
               {"xyz", ""},
               {"084008", "084008"},
               {"0a0B0c", "0A0B0C"},
               {"12G4", "000012"},
               {" 1", ""},
               {"0x10", ""},  // as if "0x" stood before it: the x ends the number
               {"800000", "800000"},
               {"1234567", "234567"},  // of more digits the last six count
               {"FFFFFFFFFFFFFFFFFFFF", "FFFFFF"}};
  for (const auto& c : cases) {
    CStroke stroke = from_hex("555555");
    stroke.SetTimeStamp(CTime(77));
    stroke.SetStrHex(c.text);
    EXPECT_EQ(c.want, hex_of(stroke)) << c.text;
    EXPECT_EQ(CTime(77), stroke.GetTimeStamp()) << c.text;
  }
  CStroke back;
  for (UINT keys = 1; keys <= 0xFFFFFF; keys += 7) {
    CStroke stroke;
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
    BYTE packet[4];
    const char* want;
  } cases[] = {{stentura, {0xC0, 0xC0, 0xC0, 0xC1}, "000001"},
               {stentura, {0x20, 0, 0, 0}, "800000"},
               {stentura, {0x01, 0, 0, 0}, "040000"},
               {stentura, {0, 0x20, 0, 0}, "020000"},
               {stentura, {0, 0, 0x01, 0}, "000040"},
               {stentura, {0, 0, 0, 0x20}, "000020"},
               {sten8000, {0, 0, 0x01}, "800000"},
               {sten8000, {0, 0, 0x02}, "400000"},
               {sten8000, {0x80, 0, 0}, "200000"},
               {sten8000, {0x01, 0x80, 0}, "006000"},
               {sten8000, {0, 0x01, 0x80}, "000060"},
               {sten8000, {0, 0, 0x04}, "000001"},
               {baron, {0x01, 0, 0}, "000001"},
               {baron, {0, 0x80, 0x01}, "018000"},
               {flash, {0x08, 0x40, 0x08}, "084008"},
               {xscribe, {0x08, 0x40, 0x08}, "084008"},
               {merit, {0xFF, 0x01, 0, 0}, "800000"},
               {merit, {0, 0x80, 0, 0}, "010000"},
               {merit, {0, 0, 0x01, 0x80}, "008001"},
               {merit, {0, 0, 0, 0x01}, "000080"}};
  for (const auto& c : cases) {
    CStroke stroke = from_hex("5A5A5A");
    stroke.SetTimeStamp(CTime(42));
    (stroke.*c.set)(c.packet);
    const int row = static_cast<int>(&c - cases);
    EXPECT_EQ(c.want, hex_of(stroke)) << "row " << row;
    EXPECT_EQ(CTime(42), stroke.GetTimeStamp()) << "row " << row;
  }

  BYTE untouched[4] = {1, 2, 3, 4};
  from_hex("FFFFFF").GetStentura(untouched);
  EXPECT_EQ(0x04030201, untouched[0] | untouched[1] << 8 | untouched[2] << 16 | untouched[3] << 24);
}

TEST(StrokePackets, Sten8000IsTheExactInverseOfItsReader) {
  CStroke stroke, back;
  BYTE packet[3];
  for (UINT keys = 0; keys <= 0xFFFFFF; ++keys) {
    stroke.SetUINT(keys);
    stroke.GetSten8000(packet);
    back.SetSten8000(packet);
    ASSERT_EQ(keys, back.GetUINT());
    if (keys % 4099 == 0) {
      for (int i = 0; i < 3; ++i) ASSERT_EQ(packet[i], stroke.GetSten8000Byte(i)) << keys;
    }
  }
}

TEST(StrokeAnalyses, VowelsConsonantsAndAsterisk) {
  const struct {
    const char* keys;
    int grandjean, short_vowel, long_vowel, left_consonant, right_consonant, asterisk;
  } cases[] = {{"", 0, 0, 0, 0, 0, 0},
               {"000C00", 0, 1, 0, 0, 0, 0},  // E U
               {"006000", 0, 0, 1, 0, 0, 0},  // A O
               {"004000", 0, 1, 0, 0, 0, 0},
               {"004800", 0, 0, 1, 0, 0, 0},  // A, A E
               {"004C00", 0, 0, 1, 0, 0, 0},
               {"800000", 0, 0, 0, 1, 0, 0},  // A E U, mark
               {"008000", 0, 0, 0, 1, 0, 0},
               {"001000", 0, 0, 0, 0, 0, 1},  // R-, *
               {"000100", 0, 0, 0, 0, 1, 0},
               {"000001", 0, 0, 0, 0, 1, 0},  // -R, -Z
               // Grandjean: "*" R N L Y (8-12) close the left bank; E A U I (14-17)
               // are short alone, O (13) takes no part in short vowels.
               {"008000", 1, 0, 0, 1, 0, 1},
               {"000800", 1, 0, 0, 1, 0, 0},  // *, Y
               {"001000", 1, 0, 0, 1, 0, 0},
               {"000100", 1, 1, 0, 0, 0, 0},  // L-, A
               {"000400", 1, 0, 1, 0, 0, 0},
               {"000300", 1, 0, 1, 0, 0, 0},  // O, E A
               {"000500", 1, 1, 0, 0, 0, 0},
               {"0000C0", 1, 0, 1, 0, 0, 0},  // O A, U I
               {"000004", 1, 0, 0, 0, 4, 0},
               {"00003F", 1, 0, 0, 0, 63, 0}};  // D, all six
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
  for (const char* keys : {"FFFFFF", "084008", "009001", "5A5A5A"}) {
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
  CStroke inverted;
  inverted.SetTimeStamp(CTime(9));
  inverted.Invert();
  EXPECT_EQ("FFFFFF", hex_of(inverted));
  EXPECT_EQ(CTime(9), inverted.GetTimeStamp());
  inverted = kat;
  inverted.Invert();
  EXPECT_EQ("F7BFF7", hex_of(inverted));
  inverted.Invert();
  EXPECT_EQ(1, inverted == kat);
}

}  // namespace
