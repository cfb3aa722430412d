#include "strokes/steno.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/archive.h"
#include "platform/file.h"

namespace {

// Exposes the capacity, which decides when the strokes move.
class Outline : public CSteno {
 public:
  using CSteno::CSteno;
  INT_PTR GetCapacity() const { return m_nMaxSize; }
};

// Keys written as six hex digits, byte 0 first: K- A -T is 0x084008.
CStroke stroke_of(UINT keys, DWORD seconds = 0) {
  const BYTE bytes[3] = {static_cast<BYTE>(keys >> 16), static_cast<BYTE>(keys >> 8),
                         static_cast<BYTE>(keys)};
  CStroke stroke(bytes);
  stroke.SetTimeStamp(CTime(static_cast<std::time_t>(seconds)));
  return stroke;
}

UINT keys_of(const CStroke& stroke) {
  const BYTE* b = stroke.GetKeyBytes();
  return static_cast<UINT>(b[0]) << 16 | static_cast<UINT>(b[1]) << 8 | b[2];
}

CSteno outline_of(const std::vector<UINT>& keys) {
  CSteno steno;
  for (UINT k : keys) steno.Append(stroke_of(k));
  return steno;
}

// The outline's keys as "084008 000004", empty strokes included.
std::string describe(const CSteno& steno) {
  std::string text;
  for (int i = 0; i < steno.GetStrokeCount(); ++i) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%06X", keys_of(steno[i]));
    if (i > 0) text += ' ';
    text += hex;
  }
  return text;
}

constexpr UINT mark = 0x800000;
constexpr UINT left_s = 0x200000;
constexpr UINT left_t = 0x100000;
constexpr UINT left_k = 0x080000;
constexpr UINT vowel_a = 0x004000;
constexpr UINT right_t = 0x000008;
constexpr UINT right_s = 0x000004;
constexpr UINT kat = left_k | vowel_a | right_t;

enum class reader { plain, rtf, brisca };

TEST(StenoText, ReadsStrokesSplitAtSlashes) {
  const struct {
    reader r;
    const char* text;
    const char* want;
    int result;
  } cases[] = {
      {reader::plain, "", "", 0},
      {reader::plain, "KAT/-S", "084008 000004", 0},
      {reader::plain, "S//T", "200000 100000", 0},
      {reader::plain, "S/", "200000 000000", 0},
      {reader::plain, "/S", "200000", 0},
      {reader::plain, "/", "000000", 0},
      {reader::plain, "//", "000000", 0},
      {reader::plain, "S/SS", "200000 200000", 3},
      {reader::plain, "SS/T", "200000", 1},
      {reader::plain, "S/x/T", "200000 000000", 3},
      {reader::plain, "S//Tx/K", "200000 100000", 5},
      {reader::plain, "x", "000000", 1},
      {reader::rtf, "TS/!,S", "100004 A00000", 0},
      {reader::rtf, "KAT/SS", "084008 200004", 0},
      {reader::rtf, "KAT/@@", "084008 800000", 5},
      {reader::brisca, "J/-J", "2A8000 0000F0", 0},
      {reader::brisca, "A/C", "004000 000000", 3},
  };
  for (const auto& c : cases) {
    CSteno steno = outline_of({kat, kat, kat});
    int result = -1;
    switch (c.r) {
      case reader::plain:
        result = steno.SetString(c.text, 0);
        break;
      case reader::rtf:
        result = steno.SetRtf(c.text, 0);
        break;
      case reader::brisca:
        result = steno.SetBriscaString(c.text);
        break;
    }
    EXPECT_EQ(c.result, result) << c.text;
    EXPECT_EQ(std::string(c.want), describe(steno)) << c.text;
  }
}

TEST(StenoText, GrandjeanReadsEachStrokeWithTheGrandjeanReader) {
  CSteno steno;
  EXPECT_EQ(0, steno.SetString("S-S/NL", 1));
  EXPECT_EQ("200008 003000", describe(steno));
  EXPECT_EQ(5, steno.SetString("S/KS@", 1));
  EXPECT_EQ("200000 300000", describe(steno));
  EXPECT_EQ(5, steno.SetRtf("S/KS@", 1));
  EXPECT_EQ("200000 100008", describe(steno));
  EXPECT_EQ(1, CSteno("KAT/-S", 0) == outline_of({kat, right_s}));
}

TEST(StenoText, WritesStrokesWithKeysJoinedBySlashes) {
  const struct {
    std::vector<UINT> keys;
    int grandjean;
    const char* display;
    const char* rtf;
  } cases[] = {
      {{}, 0, "", ""},
      {{0}, 0, "", ""},
      {{kat, right_s}, 0, "KA-T/-S", "KA-T/-S"},
      {{0, left_k}, 0, "K", "K"},
      {{kat, 0, 0, right_s, 0}, 0, "KA-T/-S", "KA-T/-S"},
      {{mark, kat}, 0, "@/KA-T", "!,/KA-T"},
      {{0x000C00, 0x000800}, 1, "Y-O/Y", "-YO/-Y"},
      // The number bar alone writes nothing on the Grandjean keyboard, and no
      // "/" follows it.
      {{0x400000, 0x100000}, 1, "K", "K"},
  };
  for (const auto& c : cases) {
    const CSteno steno = outline_of(c.keys);
    const std::string in = describe(steno) + (c.grandjean ? " grandjean" : "");
    EXPECT_EQ(CString(c.display), steno.GetStrDisplay(c.grandjean)) << in;
    EXPECT_EQ(CString(c.rtf), steno.GetStrRtf(c.grandjean)) << in;
  }
}

TEST(StenoText, HexFormInGroupsOfSix) {
  const CSteno steno = outline_of({kat, 0, right_s});
  EXPECT_EQ(CString("084008000004"), steno.GetStrHex());
  CSteno back = outline_of({mark});
  back.SetStrHex(steno.GetStrHex());
  EXPECT_EQ("084008 000004", describe(back));
  back.SetStrHex("0840080004");
  EXPECT_EQ("084008 000004", describe(back));
  back.SetStrHex("");
  EXPECT_EQ(1, back.IsEmpty());
  EXPECT_EQ(CString(""), CSteno().GetStrHex());
}

TEST(StenoArray, ConstructionComparisonAndCopies) {
  const Outline sized(3, 7);
  EXPECT_EQ(3, sized.GetStrokeCount());
  EXPECT_EQ(3, sized.GetCapacity());
  EXPECT_EQ("000000 000000 000000", describe(sized));
  EXPECT_EQ(CTime(), sized[2].GetTimeStamp());

  const CSteno one(stroke_of(kat, 50));
  EXPECT_EQ("084008", describe(one));
  EXPECT_EQ(CTime(50), one.GetTimeStamp());

  CSteno early = outline_of({kat, right_s});
  early[0].SetTimeStamp(CTime(1));
  CSteno late = outline_of({kat, right_s});
  late[0].SetTimeStamp(CTime(2));
  EXPECT_EQ(1, early == late);
  EXPECT_EQ(0, early != late);
  EXPECT_EQ(0, early == outline_of({kat}));
  EXPECT_EQ(1, early != outline_of({kat}));
  EXPECT_EQ(0, early == outline_of({kat, right_t}));
  EXPECT_EQ(1, CSteno() == CSteno());

  CSteno copy(early);
  copy[0].SetLS(1);
  EXPECT_EQ("084008 000004", describe(early));
  EXPECT_EQ(CTime(1), CSteno(early).GetTimeStamp());
  copy = late;
  EXPECT_EQ(CTime(2), copy.GetTimeStamp());
  EXPECT_EQ(1, copy == late);
}

TEST(StenoArray, GrowsByTheArrayRule) {
  Outline steno;
  std::vector<INT_PTR> capacities;
  for (int i = 0; i < 60; ++i) {
    steno.Append(stroke_of(kat));
    if (capacities.empty() || capacities.back() != steno.GetCapacity())
      capacities.push_back(steno.GetCapacity());
  }
  EXPECT_EQ((std::vector<INT_PTR>{1, 5, 9, 13, 17, 21, 25, 29, 33, 37, 41, 46, 51, 57, 64}),
            capacities);

  steno.SetSize(10, 100);
  EXPECT_EQ(64, steno.GetCapacity());
  steno[9] = stroke_of(kat);
  steno.SetSize(5, -1);
  steno.SetSize(10, -1);  // strokes coming back within the capacity are all-zero
  EXPECT_EQ(0u, keys_of(steno[9]));
  steno.SetSize(65, -1);
  EXPECT_EQ(164, steno.GetCapacity());
  steno.SetSize(0, -1);
  EXPECT_EQ(0, steno.GetCapacity());
  EXPECT_EQ(1, steno.IsEmpty());

  Outline appended = Outline(2, -1);
  appended.Append(outline_of({kat, right_s}));
  appended.Append(appended);
  EXPECT_EQ("000000 000000 084008 000004 000000 000000 084008 000004", describe(appended));
  appended.Empty();
  EXPECT_EQ(0, appended.GetCapacity());
}

TEST(StenoArray, InsertAtKeepsToTheOutline) {
  const struct {
    const char* name;
    int index;
    int n;
    const char* want;
  } cases[] = {
      {"front", 0, 1, "084008 200000 100000"},
      {"middle twice", 1, 2, "200000 084008 084008 100000"},
      {"end", 2, 1, "200000 100000 084008"},
      {"beyond the end", 4, 1, "200000 100000 000000 000000 084008"},
      {"negative index", -1, 1, "200000 100000"},
      {"no copies", 1, 0, "200000 100000"},
      {"negative count", 1, -3, "200000 100000"},
  };
  for (const auto& c : cases) {
    CSteno steno = outline_of({left_s, left_t});
    steno.InsertAt(c.index, stroke_of(kat), c.n);
    EXPECT_EQ(std::string(c.want), describe(steno)) << c.name;
  }

  CSteno steno = outline_of({left_s, left_t});
  steno.InsertAt(1, outline_of({kat, right_s}));
  EXPECT_EQ("200000 084008 000004 100000", describe(steno));
  steno.InsertAt(-2, outline_of({kat}));
  EXPECT_EQ("200000 084008 000004 100000", describe(steno));
  steno.InsertAt(1, steno);
  EXPECT_EQ("200000 200000 084008 000004 100000 084008 000004 100000", describe(steno));
  steno.InsertAt(0, steno[3], 1);  // a stroke of the outline itself
  EXPECT_EQ("000004 200000 200000 084008 000004 100000 084008 000004 100000", describe(steno));
}

TEST(StenoArray, RemoveAtKeepsToTheOutline) {
  const struct {
    const char* name;
    int index;
    int n;
    const char* want;
  } cases[] = {
      {"first", 0, 1, "100000 084008 000004"},
      {"middle two", 1, 2, "200000 000004"},
      {"all", 0, 4, ""},
      {"none", 2, 0, "200000 100000 084008 000004"},
      {"negative index", -1, 1, "200000 100000 084008 000004"},
      {"negative count", 1, -1, "200000 100000 084008 000004"},
      {"past the end", 3, 2, "200000 100000 084008 000004"},
      {"starting past the end", 4, 1, "200000 100000 084008 000004"},
      {"huge count", 1, 0x7FFFFFFF, "200000 100000 084008 000004"},
  };
  for (const auto& c : cases) {
    Outline steno;
    steno.Append(outline_of({left_s, left_t, kat, right_s}));
    steno.RemoveAt(c.index, c.n);
    EXPECT_EQ(std::string(c.want), describe(steno)) << c.name;
    EXPECT_EQ(4, steno.GetCapacity()) << c.name;
  }
}

TEST(StenoArray, RemoveHeadAndTail) {
  const struct {
    bool head;
    long n;
    const char* want;
    INT_PTR capacity;
  } cases[] = {
      {true, 1, "100000 084008", 3},
      {true, 3, "", 0},
      {true, 5, "", 0},
      {true, 0, "200000 100000 084008", 3},
      {true, -1, "200000 100000 084008", 3},
      {false, 1, "200000 100000", 3},
      {false, 2, "200000", 3},
      {false, 5, "", 0},
      {false, -2, "200000 100000 084008", 3},
  };
  for (const auto& c : cases) {
    Outline steno;
    steno.Append(outline_of({left_s, left_t, kat}));
    c.head ? steno.RemoveHead(c.n) : steno.RemoveTail(c.n);
    const std::string in = (c.head ? "head " : "tail ") + std::to_string(c.n);
    EXPECT_EQ(std::string(c.want), describe(steno)) << in;
    EXPECT_EQ(c.capacity, steno.GetCapacity()) << in;
  }
}

TEST(StenoLastStroke, Tags) {
  using getter = int (CSteno::*)() const;
  using setter = void (CSteno::*)(int);
  const struct {
    const char* tag;
    getter get;
    setter set;
    UINT key;
  } tags[] = {
      {"G", &CSteno::GetTagG, &CSteno::SetTagG, 0x000010},
      {"R", &CSteno::GetTagR, &CSteno::SetTagR, 0x000100},
      {"S", &CSteno::GetTagS, &CSteno::SetTagS, 0x000004},
      {"D", &CSteno::GetTagD, &CSteno::SetTagD, 0x000002},
      {"Z", &CSteno::GetTagZ, &CSteno::SetTagZ, 0x000001},
      {"T", &CSteno::GetLastT, nullptr, 0x000008},
  };
  for (const auto& t : tags) {
    EXPECT_EQ(0, (CSteno().*t.get)()) << t.tag;
    EXPECT_EQ(0, (outline_of({t.key, kat & ~t.key}).*t.get)()) << t.tag;
    EXPECT_EQ(1, (outline_of({0, left_k | t.key}).*t.get)()) << t.tag;
    if (t.set == nullptr) continue;

    CSteno steno;
    (steno.*t.set)(0);
    EXPECT_EQ(1, steno.IsEmpty()) << t.tag;
    (steno.*t.set)(1);
    CSteno written;
    written.SetString(CString("-") + t.tag, 0);
    EXPECT_EQ(describe(written), describe(steno)) << t.tag;

    steno = outline_of({left_s, kat});
    (steno.*t.set)(3);
    EXPECT_EQ(1, (steno.*t.get)()) << t.tag;
    (steno.*t.set)(2);
    EXPECT_EQ(describe(outline_of({left_s, kat & ~t.key})), describe(steno)) << t.tag;
  }
  CSteno kas("KAS", 0);
  kas.SetTagS(0);
  EXPECT_EQ(CString("KA"), kas.GetStrDisplay(0));
}

TEST(StenoLastStroke, LastUsedPositionAndTimeStamp) {
  EXPECT_EQ(-1, CSteno().GetLastUsedPos());
  EXPECT_EQ(-1, outline_of({0, 0}).GetLastUsedPos());
  EXPECT_EQ(0, outline_of({kat, 0}).GetLastUsedPos());
  EXPECT_EQ(2, outline_of({0, kat, mark}).GetLastUsedPos());

  EXPECT_EQ(CTime(), CSteno().GetTimeStamp());
  CSteno steno;
  steno.Append(stroke_of(kat, 100));
  steno.Append(stroke_of(kat, 200));
  EXPECT_EQ(CTime(100), steno.GetTimeStamp());
}

TEST(StenoLastStroke, RemoveLastChar) {
  CSteno steno("KAT/-S", 0);
  steno.RemoveLastChar(0);
  EXPECT_EQ("084008", describe(steno));
  steno.RemoveLastChar(0);
  EXPECT_EQ("084000", describe(steno));
  steno = outline_of({kat, left_k});
  steno.RemoveLastChar(0);
  steno.RemoveLastChar(0);
  EXPECT_EQ("084000", describe(steno));
  steno = outline_of({0, 0});
  steno.RemoveLastChar(0);
  EXPECT_EQ("000000", describe(steno));  // an empty last stroke is cut away
  CSteno empty;
  empty.RemoveLastChar(0);
  EXPECT_EQ(1, empty.IsEmpty());
}

TEST(StenoPackets, Sten8000StrokeAfterStroke) {
  BYTE buffer[7] = {0, 0, 0, 0, 0, 0, 0xEE};
  outline_of({mark, left_s | right_s}).GetSten8000(buffer);
  const BYTE want[7] = {0x00, 0x00, 0x01, 0x80, 0x00, 0x10, 0xEE};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(want[i], buffer[i]) << i;
}

std::vector<BYTE> stored(CSteno& steno) {
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    steno.Serialize(ar);
    ar.Close();
  }
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
  CSteno steno;
  steno.Append(stroke_of(kat, 0x12345678));
  steno.Append(stroke_of(mark | right_s, 0));
  const std::vector<BYTE> want = {0x02, 0x00,                                      //
                                  0x08, 0x40, 0x08, 0x00, 0x78, 0x56, 0x34, 0x12,  //
                                  0x80, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(want, stored(steno));

  std::vector<BYTE> with_reserved = want;
  with_reserved[5] = 0xAB;  // the reserved byte is not a key
  CSteno back = outline_of({left_t, left_t, left_t});
  load(back, with_reserved);
  EXPECT_EQ("084008 800004", describe(back));
  EXPECT_EQ(CTime(0x12345678), back[0].GetTimeStamp());
  EXPECT_EQ(CTime(), back[1].GetTimeStamp());
  EXPECT_EQ(want, stored(back));

  CSteno empty;
  EXPECT_EQ((std::vector<BYTE>{0x00, 0x00}), stored(empty));
}

TEST(StenoArchive, LongOutlineUsesTheCountEscape) {
  CSteno steno;
  for (UINT i = 0; i < 70000; ++i) steno.Append(stroke_of(i * 2654435761u & 0xFFFFFF, i * 7));
  const std::vector<BYTE> bytes = stored(steno);
  ASSERT_EQ(6u + 70000u * 8u, bytes.size());
  EXPECT_EQ((std::vector<BYTE>{0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}),
            std::vector<BYTE>(bytes.begin(), bytes.begin() + 6));

  CSteno back;
  load(back, bytes);
  ASSERT_EQ(70000, back.GetStrokeCount());
  EXPECT_EQ(1, back == steno);
  for (int i = 0; i < 70000; ++i) ASSERT_EQ(steno[i].GetTimeStamp(), back[i].GetTimeStamp()) << i;
}

// A damaged archive must not make the loader allocate for strokes that are
// not there: it throws before the outline is touched.
TEST(StenoArchive, DamagedArchivesThrow) {
  const std::vector<BYTE> damaged[] = {
      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F},  // two billion strokes announced
      {0xFE, 0xFF, 0x08, 0x40, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00},
      {0x02, 0x00, 0x08, 0x40, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80},
      {0x01},
  };
  for (const auto& bytes : damaged) {
    Outline steno;
    steno.Append(outline_of({kat}));
    EXPECT_THROW(load(steno, bytes), CArchiveException) << bytes.size();
    EXPECT_EQ(1, steno.GetCapacity()) << bytes.size();
    EXPECT_EQ("084008", describe(steno)) << bytes.size();
  }
}

}  // namespace
