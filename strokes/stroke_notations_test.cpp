#include <gtest/gtest.h>

#include <random>
#include <span>
#include <string>

#include "strokes/stroke.h"
#include "strokes/stroke_test_util.h"

namespace {

TEST(StrokeWriters, PlainSpacedAndRtf) {
  const struct {
    const char* keys;
    int grandjean;
    const char *plain, *spaced, *rtf;
  } cases[] = {{"", 0, "", "                        ", ""},
               {"084008", 0, "KA-T", "    K    A          T   ", "KA-T"},
               {"080808", 0, "K-ET", "    K       E       T   ", "K-ET"},
               {"100E08", 0, "T-EUFT", "   T        EUF     T   ", "T-EUFT"},
               {"000004", 0, "-S", "                     S  ", "-S"},
               {"700000", 0, "#12", " #12                    ", "#12"},
               {"404220", 0, "#5-68", " #       5    6   8     ", "#5-68"},
               {"C04008", 0, "@#5-9", "@#       5          9   ", "!,#5-9"},
               {"800000", 0, "@", "@                       ", "!,"},
               {"FFFFFF", 0, "@#12K3W4R50*-EU6R7B8G9SDZ", "@#12K3W4R50*EU6R7B8G9SDZ",
                "!,#12K3W4R50*-EU6R7B8G9SDZ"},
               {"BFFFFF", 0, "@STKPWHRAO*-EUFRPBLGTSDZ", "@ STKPWHRAO*EUFRPBLGTSDZ",
                "!,STKPWHRAO*-EUFRPBLGTSDZ"},
               {"FFFFFF", 1, "@SKPMTF*RNLY-OEAUILNSDC ", "@ SKPMTF*RNLYOEAUILNSDC ",
                "SKPMTF*RNL-YOEAUILNSDC "},
               {"000C00", 1, "Y-O", "            YO          ", "-YO"},
               {"400000", 1, "", "                        ", ""},
               {"800000", 1, "@", "@                       ", ""}};
  for (const auto& c : cases) {
    const CStroke stroke = from_hex(c.keys);
    const std::string in = std::string(c.keys) + (c.grandjean ? " grandjean" : "");
    EXPECT_STREQ(c.plain, stroke.GetStrCompressed(c.grandjean)) << in;
    EXPECT_STREQ(c.spaced, stroke.GetStrSpaced(c.grandjean)) << in;
    EXPECT_STREQ(c.rtf, stroke.GetStrRtf(c.grandjean)) << in;
  }
}

enum reader { plain, rtf, brisca };

int read(CStroke& stroke, reader r, const CString& text, int grandjean) {
  if (r == plain) return stroke.SetString(text, grandjean);
  if (r == rtf) return stroke.SetRtf(text, grandjean);
  return stroke.SetBriscaString(text);
}

struct read_case {
  const char *text, *want;
  int result;
};

void expect_reads(reader r, int grandjean, std::span<const read_case> cases) {
  for (const auto& c : cases) {
    const std::string in =
        std::to_string(r) + (grandjean ? " grandjean " : " ") + '"' + c.text + '"';
    CStroke stroke = from_hex("FFFFFF");
    stroke.SetTimeStamp(CTime(5));
    EXPECT_EQ(c.result, read(stroke, r, c.text, grandjean)) << in;
    EXPECT_EQ(c.want, hex_of(stroke)) << in;
    EXPECT_EQ(CTime(5), stroke.GetTimeStamp()) << in;
  }
}

// Of note: only the first offender counts (xSS); "!" makes no repeat check
// (@!,); a Brisca chord checks its last key only (PBLG, EI), and the Brisca
// asterisk leaves the side alone (*S); once the side is right, a Grandjean N
// names the right key whatever is down (ON).
TEST(StrokeReaders, KeysAndFirstOffender) {
  const read_case english[] = {
      {"", "", 0},          {"-", "", 0},         {"KAT", "084008", 0},
      {"kat", "084008", 0}, {"TS", "300000", 0},  {"HRS", "218000", 0},
      {"SS", "200000", 1},  {"S-S", "200004", 0}, {"S*S", "201004", 0},
      {"RR", "008000", 1},  {"STx", "300000", 3}, {"SxT", "300000", 2},
      {"S T", "300000", 2}, {"xSS", "200000", 1}, {"!xyz,S", "A00000", 0},
      {"!", "800000", 0},   {"@!,", "800000", 0}, {"@@", "800000", 1},
      {"#S", "600000", 0},  {"1", "600000", 0},   {"#1", "600000", 0},
      {"S1", "600000", 1},  {"4S", "610000", 0},  {"5S", "404004", 0},
      {"7S", "400084", 0},  {"-3", "440000", 0},  {"#12K3W4R50*-EU6R7B8G9SDZ", "7FFFFF", 0}};
  const read_case english_rtf[] = {
      {"TS", "100004", 0},  {"HRS", "018004", 0}, {"SS", "200004", 0},  {"SP", "240000", 0},
      {"PTS", "04000C", 0}, {"RR", "008100", 0},  {"SSR", "200104", 0}, {"!,#5-9", "C04008", 0},
      {"##", "400000", 0},  {"@@", "800000", 1},  {"7S", "600080", 0},  {"9S", "40000C", 0}};
  const read_case grandjean[] = {{"SNL", "203000", 0},     {"S-SNL", "200038", 0},
                                 {"OS", "000408", 0},      {"Y-O", "000C00", 0},
                                 {"kpmtf*r", "1FC000", 0}, {"eaui-dc", "0003C6", 0},
                                 {"SS", "200000", 1},      {"!,S", "200000", 1}};
  // Grandjean has neither the mark nor the number bar.
  const read_case grandjean_refused[] = {
      {"@", "", 1}, {"#1", "", 1}, {"@SKPMTF*RNLY-OEAUILNSDC ", "3FFFFE", 1}};
  const read_case grandjean_rtf[] = {
      {"-YO", "000C00", 0}, {"SS", "200008", 0}, {"*S", "008008", 0},
      {"RS", "204000", 0},  {"*N", "008010", 0}, {"NL", "002020", 0},
      {"*L", "008020", 0},  {"LN", "001010", 0}, {"ON", "000410", 0}};
  const read_case brisca_cases[] = {
      {"1", "200000", 0},    {"J", "2A8000", 0},     {"-J", "0000F0", 0},  {"KAK", "084050", 0},
      {"PBLG", "1F8000", 3}, {"PB", "060000", 0},    {"*S", "201000", 0},  {"EI", "000C00", 0},
      {"UI", "000C00", 1},   {"SCT", "300000", 2},   {"##", "400000", 1},  {"!,@", "800000", 2},
      {"F6-6", "140200", 1}, {"DM-DM", "1D00A2", 0}, {"NL8", "158000", 2}, {"-NQVY", "2A80C0", 4},
      {"H4W", "030000", 1},  {"5S0", "006004", 0},   {"z79", "000089", 0}};
  expect_reads(plain, 0, english);
  expect_reads(rtf, 0, english_rtf);
  expect_reads(plain, 1, grandjean);
  expect_reads(plain, 1, grandjean_refused);
  expect_reads(rtf, 1, grandjean_rtf);
  expect_reads(brisca, 0, brisca_cases);
}

TEST(StrokeReaders, GrandjeanNeverSetsMarkNumberBarOrPosition23) {
  for (int c = 1; c < 256; ++c) {
    const char text[] = {static_cast<char>(c), static_cast<char>(c), 0};
    for (reader r : {plain, rtf}) {
      CStroke stroke;
      read(stroke, r, text, 1);
      EXPECT_EQ(0u, stroke.GetUINT() & 0x0100C0) << r << ' ' << c;
    }
  }
}

// Every English stroke, mark and number bar included, survives its plain and
// its RTF notation. The whole key space is too slow under the sanitizers:
// every pattern of each half of the keyboard meets a sample of the other half.
TEST(StrokeReaders, EnglishNotationsRoundTrip) {
  std::mt19937 random(12345);
  CStroke stroke, back;
  for (UINT half = 0; half < 0x1000; ++half) {
    for (int i = 0; i < 32; ++i) {
      const UINT other = random() & 0xFFF;
      stroke.SetUINT(i % 2 ? half << 12 | other : other << 12 | half);
      const CString text = stroke.GetStrCompressed(0), rtf_text = stroke.GetStrRtf(0);
      ASSERT_EQ(0, back.SetString(text, 0)) << text.GetString();
      ASSERT_EQ(1, back == stroke) << text.GetString();
      ASSERT_EQ(0, back.SetRtf(rtf_text, 0)) << rtf_text.GetString();
      ASSERT_EQ(1, back == stroke) << rtf_text.GetString();
    }
  }
}

TEST(StrokeLetters, RemoveLastCharGetLettersSetLetters) {
  const struct {
    const char* keys;
    int grandjean;
    const char* want;
  } cases[] = {{"084008", 0, "084000"}, {"600000", 0, "400000"},
               {"000800", 0, ""},       {"", 0, ""},
               {"800000", 0, ""},       {"200004", 0, "200000"},
               {"000C00", 1, "000800"}, {"200400", 1, "200000"}};
  for (const auto& c : cases) {
    CStroke stroke = from_hex(c.keys);
    stroke.SetTimeStamp(CTime(3));
    stroke.RemoveLastChar(c.grandjean);
    EXPECT_EQ(c.want, hex_of(stroke)) << c.keys << ' ' << c.grandjean;
    EXPECT_EQ(CTime(3), stroke.GetTimeStamp()) << c.keys;
  }

  const CStroke kat = from_hex("084008");
  EXPECT_EQ(1, kat.GetLetters("K-T", 0));
  EXPECT_EQ(0, kat.GetLetters("KT", 0));  // T- is not down
  EXPECT_EQ(1, kat.GetLetters("Kx", 0));  // the offender is ignored
  CStroke stroke = kat;
  stroke.SetLetters("-SZ", 1, 0);
  EXPECT_EQ("08400D", hex_of(stroke));
  stroke.SetLetters("KAT", 0, 0);
  EXPECT_EQ("000005", hex_of(stroke));
  stroke.SetLetters("-S", 0, 0);
  stroke.SetLetters("N", 2, 1);
  EXPECT_EQ("002001", hex_of(stroke));
}

}  // namespace
