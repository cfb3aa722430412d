#include "strokes/steno.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/archive.h"
#include "platform/file.h"
#include "strokes/stroke_test_util.h"

namespace {

// Exposes the capacity, to show that a refused archive allocated nothing.
class Outline : public CSteno {
 public:
  using CSteno::CSteno;
  INT_PTR GetCapacity() const { return m_nMaxSize; }
};

// Strokes as in from_hex, separated by blanks; "0" is a stroke without keys.
Outline outline_of(const std::string& strokes) {
  Outline steno;
  std::istringstream words(strokes);
  for (std::string word; words >> word;) steno.Append(from_hex(word.c_str()));
  return steno;
}

std::string describe(const CSteno& steno) {
  std::string text;
  for (int i = 0; i < steno.GetStrokeCount(); ++i)
    text += (i > 0 ? " " : "") + (steno[i].IsEmpty() ? "0" : hex_of(steno[i]));
  return text;
}

// The result is the failing stroke's offset in the whole text plus its own
// reader's result; the strokes read up to and including it stay.
TEST(StenoText, ReadsStrokesSplitAtSlashes) {
  enum reader { plain, rtf, brisca, grandjean };
  const struct {
    reader r;
    const char *text, *want;
    int result;
  } cases[] = {{plain, "", "", 0},
               {plain, "KAT/-S", "084008 000004", 0},
               {plain, "S//T", "200000 100000", 0},
               {plain, "S/", "200000 0", 0},
               {plain, "/S", "200000", 0},
               {plain, "//", "0", 0},
               {plain, "S/SS", "200000 200000", 3},
               {plain, "SS/T", "200000", 1},
               {plain, "S//Tx/K", "200000 100000", 5},
               {plain, "x", "0", 1},
               {rtf, "TS/!,S", "100004 A00000", 0},
               {rtf, "KAT/@@", "084008 800000", 5},
               // The mark's description ends at the stroke's end.
               {rtf, "!x/S", "800000 200000", 0},
               {plain, "!a/T,S", "800000 300000", 5},
               {rtf, "S-/-/K", "200000 0 080000", 0},
               {brisca, "J/-J", "2A8000 0000F0", 0},
               {brisca, "A/C", "004000 0", 3},
               {grandjean, "S-S/NL", "200008 003000", 0},
               {grandjean, "S/KS@", "200000 300000", 5}};
  for (const auto& c : cases) {
    Outline steno = outline_of("084008 084008");
    const int result = c.r == plain    ? steno.SetString(c.text, 0)
                       : c.r == rtf    ? steno.SetRtf(c.text, 0)
                       : c.r == brisca ? steno.SetBriscaString(c.text)
                                       : steno.SetString(c.text, 1);
    EXPECT_EQ(c.result, result) << c.r << ' ' << c.text;
    EXPECT_EQ(c.want, describe(steno)) << c.r << ' ' << c.text;
    if (c.r != rtf) continue;
    // Packed keys, as a dictionary reads its outlines, the same strokes.
    std::string keys = "left over";
    EXPECT_EQ(c.result, CSteno::ReadRtfKeys(c.text, 0, keys)) << c.text;
    std::string want;
    for (int i = 0; i < steno.GetStrokeCount(); ++i)
      want.append(reinterpret_cast<const char*>(steno[i].GetKeyBytes()), CStroke::PackedSize);
    EXPECT_EQ(want, keys) << c.text;
  }
}

// What the notation's general rule gives for an RTF outline: CStroke::SetRtf,
// which reads every stroke by that rule, on each stroke between slashes, as
// ReadsStrokesSplitAtSlashes shows CSteno splits them.
int general_rtf_keys(std::string_view text, int grandjean, std::string& keys) {
  keys.clear();
  if (text.empty()) return 0;
  for (std::size_t start = 0;;) {
    const std::size_t slash = text.find('/', start);
    const bool last = slash == std::string_view::npos;
    const std::string_view piece = text.substr(start, last ? slash : slash - start);
    if (last || !piece.empty()) {
      CStroke stroke;
      const int result = stroke.SetRtf(CString(piece), grandjean);
      keys.append(reinterpret_cast<const char*>(stroke.GetKeyBytes()), CStroke::PackedSize);
      if (result != 0) return static_cast<int>(start) + result;
    }
    if (last) return 0;
    start = slash + 1;
  }
}

// The outline readers read strokes written in key order by a lane of their
// own, and hand a stroke to the general rule the moment it leaves key order:
// both must give what the general rule alone gives, for every text. Also
// ReadRtfKeysInKeyOrder, which reads outlines whose end is not yet known.
// Grandjean strokes have no lane, and must not meet the English one.
void expect_lane_is_general_rule(const std::string& text) {
  std::string want, keys;
  for (const int grandjean : {1, 0}) {
    const std::string in = (grandjean ? "Grandjean \"" : "\"") + text + '"';
    const int result = general_rtf_keys(text, grandjean, want);
    ASSERT_EQ(result, CSteno::ReadRtfKeys(text, grandjean, keys)) << in;
    ASSERT_EQ(want, keys) << in;
  }
  const int want_result = general_rtf_keys(text, 0, want);

  const std::string closed = text + '}';
  BYTE in_order[8 * CStroke::PackedSize];
  const char* stop = nullptr;
  const std::size_t length =
      CSteno::ReadRtfKeysInKeyOrder(closed.c_str(), stop, in_order, sizeof in_order);
  if (length == 0 || *stop != '}') return;
  ASSERT_EQ(text.size(), static_cast<std::size_t>(stop - closed.c_str())) << '"' << text << '"';
  ASSERT_EQ(0, want_result) << '"' << text << '"';
  ASSERT_EQ(want, std::string(reinterpret_cast<const char*>(in_order), length))
      << '"' << text << '"';
  for (std::size_t i = 0; i < length; i += CStroke::PackedSize)
    ASSERT_NE(0, in_order[i] | in_order[i + 1] | in_order[i + 2]) << '"' << text << '"';
}

// Every text of up to four characters from the letters of both banks (the
// four the banks share among them) in both cases, the number bar and a digit,
// the mark in both forms, the hyphen, the slash and characters no key has.
TEST(StenoKeyOrderLane, EveryShortTextReadsAsByTheGeneralRule) {
  constexpr std::string_view alphabet = "STKPRHAO*EUFLDZsr-#@!,5/ x";
  std::string text;
  const auto all = [&](const auto& self, std::size_t length) -> void {
    expect_lane_is_general_rule(text);
    if (::testing::Test::HasFatalFailure() || length == 0) return;
    for (const char c : alphabet) {
      text.push_back(c);
      self(self, length - 1);
      text.pop_back();
      if (::testing::Test::HasFatalFailure()) return;
    }
  };
  all(all, 4);
}

// Every pattern of each half of the keyboard with a sample of the other
// half, as the writer spells it (in key order, with the number bar's digits
// and the mark; a quarter as Grandjean strokes), and spelled out of order: no hyphen, small
// letters, two characters swapped, one doubled, dropped or put in, and after another stroke.
TEST(StenoKeyOrderLane, StrokesInAndOutOfKeyOrderReadAsByTheGeneralRule) {
  constexpr std::string_view extra = "STKPWHRAO*EUFBLGDZ-#@!,/ 05";
  std::mt19937 random(2024);
  CStroke stroke;
  std::string previous = "KAT";
  for (UINT half = 0; half < 0x1000; ++half) {
    for (int i = 0; i < 8; ++i) {
      const UINT other = random() & 0xFFF;
      stroke.SetUINT(i % 2 ? half << 12 | other : other << 12 | half);
      const std::string text(stroke.GetStrRtf(i % 4 == 3).GetString());
      std::string no_hyphen = text, lower = text, swapped = text, doubled = text, dropped = text,
                  put_in = text;
      std::erase(no_hyphen, '-');
      for (char& c : lower)
        if (c >= 'A' && c <= 'Z' && random() % 2) c = static_cast<char>(c - 'A' + 'a');
      if (!text.empty()) {
        const std::size_t at = random() % text.size();
        if (at + 1 < text.size()) std::swap(swapped[at], swapped[at + 1]);
        doubled.insert(doubled.begin() + static_cast<std::ptrdiff_t>(at), text[at]);
        dropped.erase(at, 1);
      }
      put_in.insert(random() % (text.size() + 1), 1, extra[random() % extra.size()]);
      for (const std::string& t :
           {text, no_hyphen, lower, swapped, doubled, dropped, put_in, previous + '/' + text}) {
        expect_lane_is_general_rule(t);
        if (HasFatalFailure()) return;
      }
      previous = text;
    }
  }
}

// Where the reader of outlines of unknown end stops, and what it gives there:
// nothing when a stroke is empty or out of key order, or the keys do not fit.
TEST(StenoKeyOrderLane, StopsAtTheFirstCharacterOutOfKeyOrder) {
  const struct {
    const char* text;
    std::size_t room, at;
    const char* want;
  } cases[] = {{"KAT/-S}", 6, 6, "084008 000004"},
               {"KAT x}", 6, 3, "084008"},
               {"KAT/x}", 6, 4, ""},
               {"KAT/-S}", 5, 4, ""},
               {"KAT//S}", 9, 4, ""},
               {"/S}", 3, 0, ""},
               {"SKR-RS", 3, 6, "288104"},
               {"S-T-S}", 3, 3, "200008"},
               {"", 3, 0, ""},
               {"-}", 3, 1, ""}};
  for (const auto& c : cases) {
    BYTE keys[9] = {};
    const char* stop = nullptr;
    const std::size_t length = CSteno::ReadRtfKeysInKeyOrder(c.text, stop, keys, c.room);
    EXPECT_EQ(c.at, static_cast<std::size_t>(stop - c.text)) << c.text << ' ' << c.room;
    Outline got;
    for (std::size_t i = 0; i < length; i += CStroke::PackedSize) got.Append(CStroke(keys + i));
    EXPECT_EQ(c.want, describe(got)) << c.text << ' ' << c.room;
  }
}

TEST(StenoText, WritesStrokesWithKeysJoinedBySlashes) {
  const struct {
    const char* strokes;
    int grandjean;
    const char *display, *rtf;
  } cases[] = {{"", 0, "", ""},
               {"0", 0, "", ""},
               {"084008 0 0 000004 0", 0, "KA-T/-S", "KA-T/-S"},
               {"0 080000", 0, "K", "K"},
               {"800000 084008", 0, "@/KA-T", "!,/KA-T"},
               {"000C00 000800", 1, "Y-O/Y", "-YO/-Y"},
               {"400000 100000", 1, "K", "K"}};  // the first writes nothing, so no "/"
  for (const auto& c : cases) {
    const Outline steno = outline_of(c.strokes);
    EXPECT_STREQ(c.display, steno.GetStrDisplay(c.grandjean)) << c.strokes;
    EXPECT_STREQ(c.rtf, steno.GetStrRtf(c.grandjean)) << c.strokes;
  }
}

TEST(StenoText, HexAndSten8000Forms) {
  EXPECT_STREQ("084008000004", outline_of("084008 0 000004").GetStrHex());
  Outline steno = outline_of("800000");
  steno.SetStrHex("0840080004");  // a short last group is a stroke too
  EXPECT_EQ("084008 000004", describe(steno));
  steno.SetStrHex("");
  EXPECT_EQ(1, steno.IsEmpty());
  BYTE packets[7] = {0, 0, 0, 0, 0, 0, 0xEE};
  outline_of("800000 200004").GetSten8000(packets);
  EXPECT_EQ((std::vector<BYTE>{0x00, 0x00, 0x01, 0x80, 0x00, 0x10, 0xEE}),
            std::vector<BYTE>(packets, packets + 7));
}

TEST(StenoArray, ConstructionComparisonAndCopies) {
  EXPECT_EQ("0 0 0", describe(CSteno(3, -1)));
  EXPECT_EQ("084008 000004", describe(CSteno("KAT/-S", 0)));
  CStroke stamped = from_hex("084008");
  stamped.SetTimeStamp(CTime(50));
  CSteno early(stamped);
  const CSteno late = outline_of("084008 000004");
  EXPECT_EQ(CTime(50), early.GetTimeStamp());
  EXPECT_EQ(CTime(), CSteno().GetTimeStamp());
  early.Append(outline_of("000004"));
  EXPECT_EQ(1, early == late);  // time stamps aside
  EXPECT_EQ(0, early != late);
  EXPECT_EQ(0, early == outline_of("084008"));
  EXPECT_EQ(0, early == outline_of("084008 000008"));
  CSteno copy(early);
  copy[1].SetLS(1);
  copy = early;
  copy[0].SetLS(1);
  EXPECT_EQ("084008 000004", describe(early));
  EXPECT_EQ(CTime(50), copy.GetTimeStamp());
}

// Indices outside the outline leave it alone instead of writing past it.
TEST(StenoArray, InsertAndRemoveKeepToTheOutline) {
  enum op { insert, remove, head, tail };
  const struct {
    op o;
    int index, n;
    const char* want;
  } cases[] = {{insert, 0, 1, "084008 200000 100000"},
               {insert, 1, 2, "200000 084008 084008 100000"},
               {insert, 2, 1, "200000 100000 084008"},
               {insert, 4, 1, "200000 100000 0 0 084008"},
               {insert, -1, 1, "200000 100000"},
               {insert, 1, 0, "200000 100000"},
               {insert, 1, -3, "200000 100000"},
               {remove, 0, 1, "100000"},
               {remove, 0, 2, ""},
               {remove, 1, 0, "200000 100000"},
               {remove, -1, 1, "200000 100000"},
               {remove, 1, -1, "200000 100000"},
               {remove, 1, 2, "200000 100000"},
               {remove, 2, 1, "200000 100000"},
               {remove, 1, 0x7FFFFFFF, "200000 100000"},
               {head, 0, 1, "100000"},
               {head, 0, 5, ""},
               {head, 0, -1, "200000 100000"},
               {tail, 0, 1, "200000"},
               {tail, 0, 2, ""},
               {tail, 0, 0, "200000 100000"}};
  for (const auto& c : cases) {
    Outline steno = outline_of("200000 100000");
    if (c.o == insert) steno.InsertAt(c.index, from_hex("084008"), c.n);
    if (c.o == remove) steno.RemoveAt(c.index, c.n);
    if (c.o == head) steno.RemoveHead(c.n);
    if (c.o == tail) steno.RemoveTail(c.n);
    EXPECT_EQ(c.want, describe(steno)) << "op " << c.o << ' ' << c.index << ' ' << c.n;
  }

  Outline steno = outline_of("200000 100000");
  steno.InsertAt(1, outline_of("084008 000004"));
  steno.InsertAt(-2, outline_of("084008"));
  EXPECT_EQ("200000 084008 000004 100000", describe(steno));
  steno.InsertAt(0, steno[2], 1);  // a stroke of the outline itself
  steno.InsertAt(5, steno);
  EXPECT_EQ("000004 200000 084008 000004 100000 000004 200000 084008 000004 100000",
            describe(steno));
}

TEST(StenoLastStroke, TagsAndLastT) {
  const struct {
    const char* tag;
    int (CSteno::*get)() const;
    void (CSteno::*set)(int);
    const char* key;
  } tags[] = {{"G", &CSteno::GetTagG, &CSteno::SetTagG, "000010"},
              {"R", &CSteno::GetTagR, &CSteno::SetTagR, "000100"},
              {"S", &CSteno::GetTagS, &CSteno::SetTagS, "000004"},
              {"D", &CSteno::GetTagD, &CSteno::SetTagD, "000002"},
              {"Z", &CSteno::GetTagZ, &CSteno::SetTagZ, "000001"},
              {"T", &CSteno::GetLastT, nullptr, "000008"}};
  for (const auto& t : tags) {
    EXPECT_EQ(0, (CSteno().*t.get)()) << t.tag;
    EXPECT_EQ(0, (outline_of(std::string(t.key) + " 084000").*t.get)()) << t.tag;
    EXPECT_EQ(1, (outline_of(std::string("0 ") + t.key).*t.get)()) << t.tag;
    if (t.set == nullptr) continue;
    CSteno steno;
    (steno.*t.set)(0);
    EXPECT_EQ(1, steno.IsEmpty()) << t.tag;
    (steno.*t.set)(1);
    EXPECT_EQ(t.key, describe(steno)) << t.tag;
    steno = outline_of("200000 084000");
    (steno.*t.set)(3);
    EXPECT_EQ(1, (steno.*t.get)()) << t.tag;
    (steno.*t.set)(2);
    EXPECT_EQ("200000 084000", describe(steno)) << t.tag;
  }
}

TEST(StenoLastStroke, LastUsedPositionAndRemoveLastChar) {
  EXPECT_EQ(-1, CSteno().GetLastUsedPos());
  EXPECT_EQ(-1, outline_of("0 0").GetLastUsedPos());
  EXPECT_EQ(2, outline_of("0 084008 800000 0").GetLastUsedPos());

  const struct {
    const char *strokes, *once, *twice;
  } cases[] = {{"084008 000004", "084008", "084000"},
               {"084008 080000", "084008", "084000"},
               {"0 0", "0", ""},
               {"", "", ""}};
  for (const auto& c : cases) {
    Outline steno = outline_of(c.strokes);
    steno.RemoveLastChar(0);
    EXPECT_EQ(c.once, describe(steno)) << c.strokes;
    steno.RemoveLastChar(0);
    EXPECT_EQ(c.twice, describe(steno)) << c.strokes;
  }
}

std::vector<BYTE> stored(CSteno& steno) {
  CMemFile file;
  CArchive ar(&file, CArchive::store);
  steno.Serialize(ar);
  ar.Close();
  std::vector<BYTE> bytes(static_cast<size_t>(file.GetLength()));
  file.SeekToBegin();
  file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  return bytes;
}

void load(CSteno& steno, std::vector<BYTE> bytes) {
  CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
  CArchive ar(&file, CArchive::load);
  steno.Serialize(ar);
}

TEST(StenoArchive, SmallOutlineByteForByte) {
  Outline steno = outline_of("084008 800004");
  steno[0].SetTimeStamp(CTime(0x12345678));
  const std::vector<BYTE> want = {0x02, 0x00, 0x08, 0x40, 0x08, 0x00, 0x78, 0x56, 0x34,
                                  0x12, 0x80, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(want, stored(steno));
  Outline empty;
  EXPECT_EQ((std::vector<BYTE>{0x00, 0x00}), stored(empty));

  std::vector<BYTE> reserved_set = want;
  reserved_set[5] = 0xAB;  // not a key, and not written back
  Outline back = outline_of("100000 100000 100000");
  load(back, reserved_set);
  EXPECT_EQ("084008 800004", describe(back));
  EXPECT_EQ(CTime(0x12345678), back[0].GetTimeStamp());
  EXPECT_EQ(want, stored(back));
}

TEST(StenoArchive, LongOutlineUsesTheCountEscape) {
  CSteno steno;
  CStroke stroke;
  for (UINT i = 0; i < 70000; ++i) {
    stroke.SetUINT(i * 2654435761u);
    stroke.SetTimeStamp(CTime(i * 7));
    steno.Append(stroke);
  }
  const std::vector<BYTE> bytes = stored(steno);
  ASSERT_EQ(6u + 70000u * 8u, bytes.size());
  EXPECT_EQ((std::vector<BYTE>{0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}),
            std::vector<BYTE>(bytes.begin(), bytes.begin() + 6));
  CSteno back;
  load(back, bytes);
  ASSERT_EQ(1, back == steno);
  for (int i = 0; i < 70000; ++i) ASSERT_EQ(steno[i].GetTimeStamp(), back[i].GetTimeStamp()) << i;
}

// A count that the bytes present cannot fill must not make the loader
// allocate: it throws before the outline is touched.
TEST(StenoArchive, DamagedArchivesThrow) {
  const std::vector<BYTE> damaged[] = {
      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F},  // two billion strokes in six bytes
      {0xFE, 0xFF, 0x08, 0x40, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00},
      {0x02, 0x00, 0x08, 0x40, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80},
      {0x01}};
  for (const auto& bytes : damaged) {
    Outline steno = outline_of("084008");
    EXPECT_THROW(load(steno, bytes), CArchiveException) << bytes.size();
    EXPECT_EQ(1, steno.GetCapacity()) << bytes.size();
    EXPECT_EQ("084008", describe(steno)) << bytes.size();
  }
}

}  // namespace
