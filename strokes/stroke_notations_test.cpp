#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>

#include "strokes/stroke.h"

namespace {

// Keys written as six hex digits, byte 0 first: position p is bit 23 - p.
CStroke stroke_of(UINT keys) {
  const BYTE bytes[3] = {static_cast<BYTE>(keys >> 16), static_cast<BYTE>(keys >> 8),
                         static_cast<BYTE>(keys)};
  return CStroke(bytes);
}

UINT keys_of(const CStroke& stroke) {
  const BYTE* b = stroke.GetKeyBytes();
  return static_cast<UINT>(b[0]) << 16 | static_cast<UINT>(b[1]) << 8 | b[2];
}

constexpr UINT key(int position) { return 0x800000u >> position; }

std::string hex(UINT keys) {
  char text[16];
  std::snprintf(text, sizeof text, "%06X", keys);
  return text;
}

constexpr UINT all_keys = 0xFFFFFF;
constexpr UINT mark = key(0);
constexpr UINT number_bar = key(1);
constexpr UINT left_s = key(2);
constexpr UINT left_t = key(3);
constexpr UINT left_k = key(4);
constexpr UINT left_p = key(5);
constexpr UINT left_w = key(6);
constexpr UINT left_h = key(7);
constexpr UINT left_r = key(8);
constexpr UINT vowel_a = key(9);
constexpr UINT vowel_o = key(10);
constexpr UINT asterisk = key(11);
constexpr UINT vowel_e = key(12);
constexpr UINT vowel_u = key(13);
constexpr UINT right_f = key(14);
constexpr UINT right_r = key(15);
constexpr UINT right_p = key(16);
constexpr UINT right_b = key(17);
constexpr UINT right_l = key(18);
constexpr UINT right_g = key(19);
constexpr UINT right_t = key(20);
constexpr UINT right_s = key(21);
constexpr UINT right_d = key(22);
constexpr UINT right_z = key(23);

const std::string blanks(24, ' ');

TEST(StrokeWriters, PlainSpacedAndRtf) {
  const struct {
    UINT keys;
    int grandjean;
    const char* plain;
    std::string spaced;
    const char* rtf;
  } cases[] = {
      {0, 0, "", blanks, ""},
      {left_k | vowel_a | right_t, 0, "KA-T", "    K    A          T   ", "KA-T"},
      {left_k | vowel_e | right_t, 0, "K-ET", "    K       E       T   ", "K-ET"},
      {left_t | vowel_e | vowel_u | right_f | right_t, 0, "T-EUFT", "   T        EUF     T   ",
       "T-EUFT"},
      {right_s, 0, "-S", std::string(21, ' ') + "S  ", "-S"},
      {number_bar | left_s | left_t, 0, "#12", " #12" + std::string(20, ' '), "#12"},
      {number_bar | vowel_a | right_f | right_l, 0, "#5-68", " #       5    6   8     ", "#5-68"},
      {mark | number_bar | vowel_a | right_t, 0, "@#5-9", "@#       5          9   ", "!,#5-9"},
      {mark, 0, "@", "@" + std::string(23, ' '), "!,"},
      {number_bar, 0, "#", " #" + std::string(22, ' '), "#"},
      {all_keys, 0, "@#12K3W4R50*-EU6R7B8G9SDZ", "@#12K3W4R50*EU6R7B8G9SDZ",
       "!,#12K3W4R50*-EU6R7B8G9SDZ"},
      {all_keys & ~number_bar, 0, "@STKPWHRAO*-EUFRPBLGTSDZ", "@ STKPWHRAO*EUFRPBLGTSDZ",
       "!,STKPWHRAO*-EUFRPBLGTSDZ"},
      {all_keys, 1, "@SKPMTF*RNLY-OEAUILNSDC ", "@ SKPMTF*RNLYOEAUILNSDC ",
       "SKPMTF*RNL-YOEAUILNSDC "},
      {key(12) | key(13), 1, "Y-O", std::string(12, ' ') + "YO" + std::string(10, ' '), "-YO"},
      {number_bar, 1, "", blanks, ""},
      {mark, 1, "@", "@" + std::string(23, ' '), ""},
      {right_z, 1, "- ", blanks, "- "},
  };
  for (const auto& c : cases) {
    const CStroke stroke = stroke_of(c.keys);
    const std::string in = hex(c.keys) + (c.grandjean ? " grandjean" : "");
    EXPECT_EQ(CString(c.plain), stroke.GetStrCompressed(c.grandjean)) << in;
    EXPECT_EQ(CString(c.spaced.c_str()), stroke.GetStrSpaced(c.grandjean)) << in;
    EXPECT_EQ(CString(c.rtf), stroke.GetStrRtf(c.grandjean)) << in;
  }
}

enum class reader { plain, rtf, brisca };

int read(CStroke& stroke, reader r, const CString& text, int grandjean) {
  switch (r) {
    case reader::plain:
      return stroke.SetString(text, grandjean);
    case reader::rtf:
      return stroke.SetRtf(text, grandjean);
    case reader::brisca:
      return stroke.SetBriscaString(text);
  }
  return -1;
}

const char* name(reader r) {
  switch (r) {
    case reader::plain:
      return "plain";
    case reader::rtf:
      return "rtf";
    case reader::brisca:
      return "brisca";
  }
  return "";
}

struct reader_case {
  reader r;
  int grandjean;
  const char* text;
  UINT want;
  int result;
};

void expect_reads(const reader_case& c) {
  const std::string in =
      std::string(name(c.r)) + (c.grandjean ? " grandjean " : " ") + '"' + c.text + '"';
  CStroke stroke = stroke_of(all_keys);
  stroke.SetTimeStamp(CTime(5));
  EXPECT_EQ(c.result, read(stroke, c.r, c.text, c.grandjean)) << in;
  EXPECT_EQ(hex(c.want), hex(keys_of(stroke))) << in;
  EXPECT_EQ(CTime(5), stroke.GetTimeStamp()) << in;
}

TEST(StrokeReaders, PlainEnglish) {
  const reader_case cases[] = {
      {reader::plain, 0, "", 0, 0},
      {reader::plain, 0, "-", 0, 0},
      {reader::plain, 0, "KAT", left_k | vowel_a | right_t, 0},
      {reader::plain, 0, "kat", left_k | vowel_a | right_t, 0},
      {reader::plain, 0, "KA-T", left_k | vowel_a | right_t, 0},
      {reader::plain, 0, "TS", left_s | left_t, 0},
      {reader::plain, 0, "HRS", left_s | left_h | left_r, 0},
      {reader::plain, 0, "SS", left_s, 1},
      {reader::plain, 0, "ss", left_s, 1},
      {reader::plain, 0, "S-S", left_s | right_s, 0},
      {reader::plain, 0, "S*S", left_s | asterisk | right_s, 0},
      {reader::plain, 0, "SDS", left_s | right_d | right_s, 0},
      {reader::plain, 0, "RR", left_r, 1},
      {reader::plain, 0, "-R", right_r, 0},
      {reader::plain, 0, "STx", left_s | left_t, 3},
      {reader::plain, 0, "SxT", left_s | left_t, 2},
      {reader::plain, 0, "S T", left_s | left_t, 2},
      {reader::plain, 0, "x", 0, 1},
      {reader::plain, 0, "SSx", left_s, 1},
      {reader::plain, 0, "xSS", left_s, 1},  // only the first offender counts
      {reader::plain, 0, "KWxHK", left_k | left_w | left_h, 3},
      {reader::plain, 0, "!xyz,S", mark | left_s, 0},
      {reader::plain, 0, "!", mark, 0},
      {reader::plain, 0, "!SS", mark, 0},
      {reader::plain, 0, "!,", mark, 0},
      {reader::plain, 0, "@!,", mark, 0},  // "!" makes no repeat check
      {reader::plain, 0, "@@", mark, 1},
      {reader::plain, 0, "##", number_bar, 1},
      {reader::plain, 0, "#S", number_bar | left_s, 0},
      {reader::plain, 0, "1", number_bar | left_s, 0},
      {reader::plain, 0, "#1", number_bar | left_s, 0},
      {reader::plain, 0, "12", number_bar | left_s | left_t, 0},
      {reader::plain, 0, "11", number_bar | left_s, 1},
      {reader::plain, 0, "S1", number_bar | left_s, 1},
      {reader::plain, 0, "4S", number_bar | left_h | left_s, 0},
      {reader::plain, 0, "5S", number_bar | vowel_a | right_s, 0},
      {reader::plain, 0, "0S", number_bar | vowel_o | right_s, 0},
      {reader::plain, 0, "7S", number_bar | right_p | right_s, 0},
      {reader::plain, 0, "-3", number_bar | left_p, 0},
      {reader::plain, 0, "#5-68", number_bar | vowel_a | right_f | right_l, 0},
      {reader::plain, 0, "#12K3W4R50*-EU6R7B8G9SDZ", all_keys & ~mark, 0},
      {reader::plain, 0, "FRPBLGTSDZ",
       right_f | right_r | right_p | right_b | right_l | right_g | right_t | right_s | right_d |
           right_z,
       0},
  };
  for (const reader_case& c : cases) expect_reads(c);
}

TEST(StrokeReaders, RtfEnglishFollowsKeyOrder) {
  const reader_case cases[] = {
      {reader::rtf, 0, "", 0, 0},
      {reader::rtf, 0, "TS", left_t | right_s, 0},
      {reader::rtf, 0, "HRS", left_h | left_r | right_s, 0},
      {reader::rtf, 0, "SS", left_s | right_s, 0},
      {reader::rtf, 0, "SP", left_s | left_p, 0},
      {reader::rtf, 0, "PT", left_p | right_t, 0},
      {reader::rtf, 0, "PTS", left_p | right_t | right_s, 0},
      {reader::rtf, 0, "KS", left_k | right_s, 0},
      {reader::rtf, 0, "RR", left_r | right_r, 0},
      {reader::rtf, 0, "RS", left_r | right_s, 0},
      {reader::rtf, 0, "KAT", left_k | vowel_a | right_t, 0},
      {reader::rtf, 0, "!,", mark, 0},
      {reader::rtf, 0, "!,#5-9", mark | number_bar | vowel_a | right_t, 0},
      {reader::rtf, 0, "##", number_bar, 0},
      {reader::rtf, 0, "@@", mark, 1},
      {reader::rtf, 0, "7S", number_bar | right_p | left_s, 0},
      {reader::rtf, 0, "9S", number_bar | right_t | right_s, 0},
      {reader::rtf, 0, "KK", left_k, 1},
      {reader::rtf, 0, "S x", left_s, 2},
  };
  for (const reader_case& c : cases) expect_reads(c);
}

TEST(StrokeReaders, Grandjean) {
  const reader_case cases[] = {
      {reader::plain, 1, "SNL", key(2) | key(10) | key(11), 0},
      {reader::plain, 1, "S-SNL", key(2) | key(20) | key(19) | key(18), 0},
      {reader::plain, 1, "OS", key(13) | key(20), 0},
      {reader::plain, 1, "Y-O", key(12) | key(13), 0},
      {reader::plain, 1, "KPMTF*R", key(3) | key(4) | key(5) | key(6) | key(7) | key(8) | key(9),
       0},
      {reader::plain, 1, "eaui-dc", key(14) | key(15) | key(16) | key(17) | key(21) | key(22), 0},
      {reader::plain, 1, "SS", key(2), 1},
      {reader::plain, 1, "@", 0, 1},
      {reader::plain, 1, "#", 0, 1},
      {reader::plain, 1, "1", 0, 1},
      {reader::plain, 1, "!,S", key(2), 1},  // no skipping: the "," is refused too
      {reader::plain, 1, "@SKPMTF*RNLY-OEAUILNSDC ", all_keys & ~mark & ~number_bar & ~key(23), 1},
      {reader::plain, 1, "B", 0, 1},
      {reader::rtf, 1, "-YO", key(12) | key(13), 0},
      {reader::rtf, 1, "SS", key(2) | key(20), 0},
      {reader::rtf, 1, "KS", key(3) | key(20), 0},
      {reader::rtf, 1, "*S", key(8) | key(20), 0},
      {reader::rtf, 1, "RS", key(9) | key(2), 0},
      {reader::rtf, 1, "N", key(10), 0},
      {reader::rtf, 1, "*N", key(8) | key(19), 0},
      {reader::rtf, 1, "NL", key(10) | key(18), 0},
      {reader::rtf, 1, "YL", key(12) | key(18), 0},
      {reader::rtf, 1, "SKPMTF*RNL-YOEAUILNSDC ",
       all_keys & ~mark & ~number_bar & ~key(23) & ~key(10) & ~key(11), 17},
  };
  for (const reader_case& c : cases) expect_reads(c);
}

TEST(StrokeReaders, Brisca) {
  const reader_case cases[] = {
      {reader::brisca, 0, "1", left_s, 0},
      {reader::brisca, 0, "123", left_s | left_t | left_p, 0},
      {reader::brisca, 0, "J", left_s | left_k | left_w | left_r, 0},
      {reader::brisca, 0, "-J", right_p | right_b | right_l | right_g, 0},
      {reader::brisca, 0, "KAK", left_k | vowel_a | right_b | right_g, 0},
      {reader::brisca, 0, "PBLG", left_t | left_k | left_p | left_w | left_h | left_r, 3},
      {reader::brisca, 0, "PB", left_p | left_w, 0},  // the check is on W-, not P-
      {reader::brisca, 0, "BP", left_p | left_w, 1},
      {reader::brisca, 0, "*S", asterisk | left_s, 0},
      {reader::brisca, 0, "I", vowel_e | vowel_u, 0},
      {reader::brisca, 0, "IS", vowel_e | vowel_u | right_s, 0},
      {reader::brisca, 0, "EI", vowel_e | vowel_u, 0},
      {reader::brisca, 0, "UI", vowel_e | vowel_u, 1},
      {reader::brisca, 0, "C", 0, 1},
      {reader::brisca, 0, "SXT", left_s | left_t, 2},
      {reader::brisca, 0, "##", number_bar, 1},
      {reader::brisca, 0, "@@", mark, 1},
      {reader::brisca, 0, "!,@", mark, 2},
      {reader::brisca, 0, "F6", left_t | left_p, 1},
      {reader::brisca, 0, "-F", right_f, 0},
      {reader::brisca, 0, "-6", right_f, 0},
      {reader::brisca, 0, "D", left_t | left_k, 0},
      {reader::brisca, 0, "-D", right_d, 0},
      {reader::brisca, 0, "L8", left_h | left_r, 1},
      {reader::brisca, 0, "-LM", right_l | right_p, 2},
      {reader::brisca, 0, "M", left_p | left_h, 0},
      {reader::brisca, 0, "N", left_t | left_p | left_h, 0},
      {reader::brisca, 0, "-N", right_p | right_b, 0},
      {reader::brisca, 0, "-QVY", left_s | left_k | left_w | left_r, 3},
      {reader::brisca, 0, "H4", left_h, 1},
      {reader::brisca, 0, "W", left_w, 0},
      {reader::brisca, 0, "50", vowel_a | vowel_o, 0},
      {reader::brisca, 0, "5S", vowel_a | right_s, 0},
      {reader::brisca, 0, "Z79", right_z | right_p | right_t, 0},
      {reader::brisca, 0, "7S", right_p | right_s, 0},
      {reader::brisca, 0, "uz", vowel_u | right_z, 0},
  };
  for (const reader_case& c : cases) expect_reads(c);
}

TEST(StrokeReaders, LettersReadTheSameInEitherCase) {
  const reader readers[] = {reader::plain, reader::rtf, reader::brisca};
  for (reader r : readers) {
    for (int grandjean = 0; grandjean <= (r == reader::brisca ? 0 : 1); ++grandjean) {
      for (char upper = 'A'; upper <= 'Z'; ++upper) {
        const char lower = static_cast<char>(upper - 'A' + 'a');
        for (std::string up_text : {"?", "-?", "S??", "A?O?"}) {
          std::string low_text = up_text;
          std::replace(up_text.begin(), up_text.end(), '?', upper);
          std::replace(low_text.begin(), low_text.end(), '?', lower);
          CStroke up, low;
          const int up_result = read(up, r, up_text.c_str(), grandjean);
          EXPECT_EQ(up_result, read(low, r, low_text.c_str(), grandjean))
              << name(r) << ' ' << grandjean << ' ' << low_text;
          EXPECT_EQ(1, up == low) << name(r) << ' ' << grandjean << ' ' << low_text;
        }
      }
    }
  }
}

TEST(StrokeReaders, GrandjeanCannotSetMarkNumberBarOrPosition23) {
  for (int c = 1; c < 256; ++c) {
    const char text[] = {static_cast<char>(c), static_cast<char>(c), 0};
    for (reader r : {reader::plain, reader::rtf}) {
      CStroke stroke;
      read(stroke, r, text, 1);
      EXPECT_EQ(0u, keys_of(stroke) & (mark | number_bar | right_z)) << name(r) << ' ' << c;
    }
  }
}

// Every English stroke, mark and number bar included, survives its plain and
// its RTF notation. Under the sanitizers the whole key space takes too long,
// so every key pattern of each half of the keyboard is crossed with a sample
// of the other half, and a random sample of whole strokes is added.
TEST(StrokeReaders, EnglishNotationsRoundTrip) {
  auto check = [](UINT keys) {
    const CStroke stroke = stroke_of(keys);
    CStroke back;
    const CString plain = stroke.GetStrCompressed(0);
    ASSERT_EQ(0, back.SetString(plain, 0)) << hex(keys) << ' ' << plain.GetString();
    ASSERT_EQ(hex(keys), hex(keys_of(back))) << plain.GetString();
    const CString rtf = stroke.GetStrRtf(0);
    ASSERT_EQ(0, back.SetRtf(rtf, 0)) << hex(keys) << ' ' << rtf.GetString();
    ASSERT_EQ(hex(keys), hex(keys_of(back))) << rtf.GetString();
  };
  std::mt19937 random(12345);
  for (UINT half = 0; half < 0x1000; ++half) {
    for (int i = 0; i < 16; ++i) {
      const UINT other = random() & 0xFFF;
      check(half << 12 | other);
      check(other << 12 | half);
    }
  }
  for (int i = 0; i < 200000; ++i) check(random() & all_keys);
}

TEST(StrokeLetters, RemoveLastChar) {
  const struct {
    UINT keys;
    int grandjean;
    UINT want;
  } cases[] = {
      {left_k | vowel_a | right_t, 0, left_k | vowel_a},
      {number_bar | left_s, 0, number_bar},
      {vowel_e, 0, 0},
      {0, 0, 0},
      {mark, 0, 0},
      {left_s | right_s, 0, left_s},
      {key(12) | key(13), 1, key(12)},
      {key(2) | key(13), 1, key(2)},
  };
  for (const auto& c : cases) {
    const std::string in = hex(c.keys) + (c.grandjean ? " grandjean" : "");
    CStroke stroke = stroke_of(c.keys);
    stroke.SetTimeStamp(CTime(3));
    stroke.RemoveLastChar(c.grandjean);
    EXPECT_EQ(hex(c.want), hex(keys_of(stroke))) << in;
    EXPECT_EQ(CTime(3), stroke.GetTimeStamp()) << in;
  }
}

TEST(StrokeLetters, GetAndSetLettersUseThePlainNotation) {
  const CStroke kat = stroke_of(left_k | vowel_a | right_t);
  EXPECT_EQ(1, kat.GetLetters("K-T", 0));
  EXPECT_EQ(0, kat.GetLetters("KT", 0));  // T- is not down
  EXPECT_EQ(1, kat.GetLetters("-T", 0));
  EXPECT_EQ(1, kat.GetLetters("", 0));
  EXPECT_EQ(1, kat.GetLetters("Kx", 0));  // the offender is ignored

  CStroke stroke = kat;
  stroke.SetTimeStamp(CTime(8));
  stroke.SetLetters("-SZ", 1, 0);
  EXPECT_EQ(hex(left_k | vowel_a | right_t | right_s | right_z), hex(keys_of(stroke)));
  stroke.SetLetters("KAT", 0, 0);
  EXPECT_EQ(hex(right_s | right_z), hex(keys_of(stroke)));
  stroke.SetLetters("-S", 0, 0);
  EXPECT_EQ(hex(right_z), hex(keys_of(stroke)));
  stroke.SetLetters("-S", 2, 0);  // any nonzero switch sets
  EXPECT_EQ(hex(right_s | right_z), hex(keys_of(stroke)));
  EXPECT_EQ(CTime(8), stroke.GetTimeStamp());

  CStroke grandjean;
  grandjean.SetLetters("S-S", 1, 1);
  EXPECT_EQ(hex(key(2) | key(20)), hex(keys_of(grandjean)));
}

}  // namespace
