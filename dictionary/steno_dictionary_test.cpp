#include "dictionary/steno_dictionary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "testing/scratch_folder.h"

namespace {

constexpr WORD suffix = 0x8000, prefix = 0x4000, capitalize = 0x2000;

struct Loaded {
  CStenoDictionary dictionary;
  long result = 0;
};

void read_file(const std::string& path, Loaded& loaded) {
  loaded.result = loaded.dictionary.Read(path.c_str());
}

void read_rtf(std::string_view rtf, Loaded& loaded) {
  const ScratchFolder folder;
  WriteWholeFile(folder.path("d.rtf"), rtf);
  read_file(folder.path("d.rtf"), loaded);
}

std::string document(std::string_view entries) {
  return "{\\rtf1\\ansi{\\*\\cxrev100}\\cxdict{\\*\\cxsystem x}{\\stylesheet{\\s0 Normal;}}\n" +
         std::string(entries) + "\n}";
}

struct EntryCase {
  const char* entry;  // one entry of a document
  const char* outline;
  std::string text;
  WORD flags;
};

TEST(StenoDictionaryReader, EachMarkerEscapeAndGroup) {
  const EntryCase cases[] = {
      {"{\\*\\cxs KAT}cat", "KAT", "cat", 0},
      {"{\\*\\cxs -G}{\\cxds ing}", "-G", "ing", suffix},
      {"{\\*\\cxs RE}re\\cxds ", "RE", "re", prefix},
      {"{\\*\\cxs TK-LS}\\cxds ", "TK-LS", "", suffix | prefix},
      {"{\\*\\cxs KA*PS}{\\*\\cxplovermeta #Caps}{\\cxds}", "KA*PS", "", suffix | prefix},
      {"{\\*\\cxs TP-PL}{\\cxp. }", "TP-PL", ".", 0},
      {"{\\*\\cxs PR-D}objection.\\cxfc ", "PR-D", "objection.", capitalize},
      {"{\\*\\cxs HOUL}how old\\par A", "HOUL", "how old{P}A", 0},
      {"{\\*\\cxs ES}a\\{b\\}c\\\\d\\'e9\\_e", "ES", "a{b}c\\d\xe9-e", 0},
      {"{\\*\\cxs TA*B}\\tab x\\line y", "TA*B", "\tx\ny", 0},
      {"{\\*\\cxs TKPWHR}\\cxkelmdictflags1280 \\cxds x", "TKPWHR", "x", 0x0500},
      {"{\\*\\cxs S-P}{\\cxstit S-}pell", "S-P", "S-pell", 0},
      {"{\\*\\cxs KOPL}com{\\*\\cxcomment a note}ment", "KOPL", "comment", 0},
      {"{\\*\\cxs TPAO}foo{\\*\\cxunknown {nested} bar}baz", "TPAO", "foobaz", 0},
      {"{\\*\\cxs PWRAEUBG}line\n broken", "PWRAEUBG", "line broken", 0},
      {"{\\*\\cxs KAT/-S}{\\*\\cxs KAT}cat", "KAT", "cat", 0},
  };
  for (const EntryCase& c : cases) {
    Loaded loaded;
    read_rtf(document(c.entry), loaded);
    EXPECT_EQ(0, loaded.result) << c.entry;
    const std::optional<CStenoDictionary::Translation> got =
        loaded.dictionary.Lookup(CSteno(CString(c.outline), 0));
    ASSERT_TRUE(got.has_value()) << c.entry;
    EXPECT_EQ(c.text, got->text) << c.entry;
    EXPECT_EQ(c.flags, got->flags.GetUShort()) << c.entry;
  }
}

// A refused stroke anywhere in an outline, or a stroke text too long for any
// stroke, leaves out the whole entry; its strokes elsewhere still count.
TEST(StenoDictionaryReader, InvalidOutlinesAreReportedAndDuplicatesLastWins) {
  const std::string too_long = "STKPWHRAO*EUFRPBLGTSDZSTKPWHR";
  Loaded loaded;
  read_rtf(document("{\\*\\cxs KAT}cat\n"
                    "{\\*\\cxs KXAT}bad\n"
                    "{\\*\\cxs KK}repeated\n"
                    "{\\*\\cxs }empty\n"
                    "{\\*\\cxs KAT}kitty\n"
                    "{\\*\\cxs TKOG}dog\n"
                    "{\\*\\cxs KAT/TKOG}cat dog\n"
                    "{\\*\\cxs TKOG/KXAT}dog bad\n"
                    "{\\*\\cxs " +
                    too_long +
                    "}long\n"
                    "{\\*\\cxs TKOG/KAT}dog cat\n"
                    "{\\*\\cxs TKOG/" +
                    too_long + "}dog long"),
           loaded);
  const std::pair<unsigned long, std::string> expected_invalid[] = {
      {3, "KXAT"}, {4, "KK"}, {5, ""}, {9, "TKOG/KXAT"}, {10, too_long}, {12, "TKOG/" + too_long}};
  ASSERT_EQ(std::size(expected_invalid), loaded.dictionary.GetInvalidOutlines().size());
  for (std::size_t i = 0; i < std::size(expected_invalid); ++i) {
    EXPECT_EQ(expected_invalid[i].first, loaded.dictionary.GetInvalidOutlines()[i].line) << i;
    EXPECT_EQ(expected_invalid[i].second, loaded.dictionary.GetInvalidOutlines()[i].text) << i;
  }
  EXPECT_EQ(1u, loaded.dictionary.GetDuplicateCount());
  const std::pair<const char*, const char*> expected[] = {
      {"KAT", "kitty"}, {"TKOG", "dog"}, {"KAT/TKOG", "cat dog"}, {"TKOG/KAT", "dog cat"}};
  ASSERT_EQ(std::size(expected), loaded.dictionary.GetCount());
  for (const auto& [outline, text] : expected)
    EXPECT_EQ(text, loaded.dictionary.Lookup(CSteno(CString(outline), 0))->text) << outline;
}

TEST(StenoDictionaryWriter, ReadingWhatWasWrittenGivesTheSameEntries) {
  const std::string long_text(300, 'x');
  const EntryCase entries[] = {
      {"", "KAT", "cat", 0},
      {"", "-G", "ing", suffix},
      {"", "RE", "re", prefix},
      {"", "TK-LS", "", suffix | prefix},
      {"", "S-S", "", suffix},
      {"", "P-P", "", prefix | capitalize},
      {"", "TP-PL", ".", 0},
      {"", "H-PB", "-", suffix},
      {"", "PR-D", "objection.", capitalize},
      {"", "HOUL", "how old{P}A {P}", 0},
      {"", "ES", " {b}c\\d\xe9\r\x01", 0},
      {"", "TA*B", "\tx\ny\xa0", 0},
      {"", "TKPWHR", "x", 0x05FF},
      {"", "SPWR", "enter ", prefix | suffix},
      {"", "HRAUPBG", "a long text with spaces " + long_text + " and more words after it", 0},
      {"", "STKPWHRAO*EUFRPBLGTSDZ/#P/-DZ/STKPWHRAO*EUFRPBLGTSDZ", "long outline", 0},
  };
  CStenoDictionary written;
  for (const EntryCase& e : entries) {
    const std::string keys = [&] {
      std::string k;
      const CSteno outline(CString(e.outline), 0);
      for (int i = 0; i < outline.GetStrokeCount(); ++i)
        k.append(reinterpret_cast<const char*>(outline[i].GetKeyBytes()), 3);
      return k;
    }();
    written.Set({reinterpret_cast<const BYTE*>(keys.data()), keys.size()}, e.text, e.flags);
  }
  const ScratchFolder folder;
  {
    CFile file(folder.path("w.rtf").c_str(), CFile::modeCreate | CFile::modeWrite);
    written.Write(file, CTime(2001, 3, 5, 14, 30, 0));
  }
  Loaded loaded;
  read_file(folder.path("w.rtf"), loaded);
  const std::string rtf = ReadWholeFile(folder.path("w.rtf"));
  ASSERT_EQ(written.GetCount(), loaded.dictionary.GetCount()) << rtf;
  EXPECT_EQ(0u, loaded.dictionary.GetDuplicateCount()) << rtf;
  EXPECT_TRUE(loaded.dictionary.GetInvalidOutlines().empty()) << rtf;
  for (std::size_t i = 0; i < written.GetCount(); ++i) {
    EXPECT_TRUE(written.GetOutline(i) == loaded.dictionary.GetOutline(i)) << entries[i].outline;
    EXPECT_EQ(written.GetTranslation(i).text, loaded.dictionary.GetTranslation(i).text)
        << entries[i].outline << "\n"
        << rtf;
    EXPECT_EQ(written.GetTranslation(i).flags.GetUShort(),
              loaded.dictionary.GetTranslation(i).flags.GetUShort())
        << entries[i].outline << "\n"
        << rtf;
  }
  EXPECT_NE(std::string::npos, rtf.find("{\\*\\cxsystem Orvalis 00218 RTF by Quendra, Inc.}"));
  EXPECT_NE(std::string::npos, rtf.find("{\\creatim\\yr01\\mo03\\da05}"));
}

// Text is written straight from the dictionary where it needs no escape, and
// through a copy where it does; both must give the same bytes as escaping
// every character one by one.
TEST(StenoDictionaryWriter, EachEscapeAndMarkerGivesItsExactBytes) {
  const std::string long_text = "words " + std::string(80, 'x') + " and/more";
  const struct {
    std::string text;
    WORD flags;
    std::string want;
  } cases[] = {
      {"cat", 0, "cat"},
      {"a{P}b{P}", 0, "a\\par b\\par"},
      {"{P}", 0, "\\par"},
      {" {b}c\\d", 0, " \\{b\\}c\\\\d"},
      {"\xe9\x01\x7f^~", 0, "\\'e9\\'01\x7f^~"},
      {"\tx\ny", 0, "\\tab x\\line y"},
      {"x{", 0, "x\\{"},
      {"ing", suffix, "\\cxds ing"},
      {"re", prefix | capitalize, "re\\cxfc\\cxds"},
      {".", 0, "{\\cxp.}"},
      {"-", 0, "{\\cxp -}"},
      {long_text, 0, "words " + std::string(80, 'x') + "\r\n and/more"},
  };
  const CStroke kat(CString("KAT"), 0);
  for (const auto& c : cases) {
    CStenoDictionary dictionary;
    dictionary.Set({kat.GetKeyBytes(), 3}, c.text, c.flags);
    const ScratchFolder folder;
    {
      CFile file(folder.path("w.rtf").c_str(), CFile::modeCreate | CFile::modeWrite);
      dictionary.Write(file, CTime(2001, 3, 5, 14, 30, 0));
    }
    const std::string rtf = ReadWholeFile(folder.path("w.rtf"));
    const std::string entry = "{\\*\\cxs KA-T}";
    const std::size_t start = rtf.find(entry);
    ASSERT_NE(std::string::npos, start) << rtf;
    EXPECT_EQ(c.want + "\r\n}", rtf.substr(start + entry.size())) << c.text;
  }
}

// The reader takes strokes written in key order without the notation's
// general reader; it must accept, refuse and read exactly as the notation
// does. Every text of up to three characters over letters, hyphen, number,
// mark and lower case, and longer ones in and near key order.
TEST(StenoDictionaryReader, StrokesReadAsTheNotationReadsThem) {
  const std::string alphabet = "STKPWHRAO*EUFBLGDZ-#5!,@sx";
  std::vector<std::string> texts;
  for (char a : alphabet) {
    texts.push_back({a});
    for (char b : alphabet) {
      texts.push_back({a, b});
      for (char c : alphabet) texts.push_back({a, b, c});
    }
  }
  const std::string order = "STKPWHRAO*EUFRPBLGTSDZ";
  std::uint32_t seed = 12345;
  const auto next = [&seed](std::uint32_t below) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % below;
  };
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    for (char c : order)
      if (next(3) == 0) text += c;
    if (next(2) == 0) text.insert(next(static_cast<std::uint32_t>(text.size()) + 1), 1, '-');
    if (text.size() > 1 && next(4) == 0)
      std::swap(text[next(static_cast<std::uint32_t>(text.size()))], text.back());
    if (!text.empty()) texts.push_back(text);
  }
  std::string entries;
  std::set<std::string> want_keys, want_invalid;
  for (const std::string& text : texts) {
    entries += "{\\*\\cxs " + text + "}x\n";
    CStroke stroke;
    if (stroke.SetRtf(CString(text.c_str()), 0) == 0 && !stroke.IsEmpty())
      want_keys.insert(std::string(reinterpret_cast<const char*>(stroke.GetKeyBytes()), 3));
    else
      want_invalid.insert(text);
  }
  Loaded loaded;
  read_rtf(document(entries), loaded);
  std::set<std::string> got_keys, got_invalid;
  for (std::size_t i = 0; i < loaded.dictionary.GetCount(); ++i) {
    const std::span<const BYTE> keys = loaded.dictionary.GetKeys(i);
    got_keys.insert(std::string(keys.begin(), keys.end()));
  }
  for (const CStenoDictionary::InvalidOutline& bad : loaded.dictionary.GetInvalidOutlines())
    got_invalid.insert(bad.text);
  EXPECT_TRUE(want_keys == got_keys);
  for (const std::string& text : want_invalid) EXPECT_EQ(1u, got_invalid.count(text)) << text;
  for (const std::string& text : got_invalid) EXPECT_EQ(1u, want_invalid.count(text)) << text;
}

std::string stroke_keys(std::uint32_t n) {
  const BYTE b[3] = {BYTE(n >> 16), BYTE(n >> 8), BYTE(n)};
  return std::string(reinterpret_cast<const char*>(b), 3);
}

std::span<const BYTE> bytes_of(const std::string& keys) {
  return {reinterpret_cast<const BYTE*>(keys.data()), keys.size()};
}

// A bulk load must leave what one Set per entry leaves: the same entries in
// the same order, the last translation of each outline, the same count of
// replacements, whether the repeats are among the appended entries, of
// entries held before, or span the table's growth.
TEST(CStenoDictionary, AppendThenIndexMatchesSetOneByOne) {
  struct BulkCase {
    const char* name;
    std::size_t held, appended;
    std::uint32_t distinct;  // outlines cycle through this many
  };
  const BulkCase cases[] = {
      {"no repeats", 0, 3000, 100000},     {"repeats among appended", 0, 3000, 700},
      {"repeats of held", 500, 2000, 600}, {"every one a repeat", 400, 400, 400},
      {"nothing appended", 300, 0, 1000},  {"growth past held", 100, 5000, 4000},
  };
  for (const BulkCase& c : cases) {
    CStenoDictionary one_by_one, bulk;
    std::size_t replaced = 0;
    for (std::size_t i = 0; i < c.held + c.appended; ++i) {
      // Two strokes, so that outlines differ in their first stroke and share it too.
      const auto n = static_cast<std::uint32_t>((i * 7919) % c.distinct);
      const std::string keys = stroke_keys(n % 97 + 1) + stroke_keys(n + 1);
      const std::string text = "t" + std::to_string(i);
      const CTranFlags flags(static_cast<WORD>(i));
      if (one_by_one.Set(bytes_of(keys), text, flags) && i >= c.held) ++replaced;
      if (i < c.held)
        bulk.Set(bytes_of(keys), text, flags);
      else
        bulk.Append(bytes_of(keys), text, flags);
    }
    EXPECT_EQ(replaced, bulk.IndexAppended()) << c.name;
    ASSERT_EQ(one_by_one.GetCount(), bulk.GetCount()) << c.name;
    for (std::size_t i = 0; i < bulk.GetCount(); ++i) {
      ASSERT_TRUE(std::ranges::equal(one_by_one.GetKeys(i), bulk.GetKeys(i))) << c.name << i;
      const std::optional<CStenoDictionary::Translation> found = bulk.Lookup(bulk.GetKeys(i));
      ASSERT_TRUE(found.has_value()) << c.name << i;
      EXPECT_EQ(one_by_one.GetTranslation(i).text, found->text) << c.name << i;
      EXPECT_EQ(one_by_one.GetTranslation(i).flags.GetUShort(), found->flags.GetUShort())
          << c.name << i;
    }
    const std::string absent = stroke_keys(0xFFFFFF);
    EXPECT_FALSE(bulk.Lookup(bytes_of(absent)).has_value()) << c.name;
  }
}

// The counts come from reading the files: every "{\*\cxs" group is an entry,
// a duplicate or an invalid outline. main.rtf's 14 duplicates are its
// outlines written with a leading "/" beside the same outline without one: a
// leading "/" adds no stroke. uk.rtf's two invalid outlines repeat K- after
// the vowels; its SKWRAE*UL is only out of key order, which the RTF notation
// accepts. example.rtf defines -RGBS and -RBGS, the same keys.
TEST(StenoDictionaryReader, TheRealDictionaries) {
  const std::filesystem::path folder = std::filesystem::path(KELM_SHARED_DATA_DIR) / "rtf";
  if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no sample dictionaries in " << folder;
  struct RealCase {
    const char* file;
    std::size_t entries, duplicates, invalid;
  };
  const RealCase cases[] = {
      {"myrrhens-theory_main.rtf", 7776, 14, 0},       {"stenodict_uk.rtf", 2357, 0, 2},
      {"volensia_phoenix_word_parts.rtf", 2160, 2, 0}, {"myrrhens-theory_hotkeys.rtf", 109, 0, 0},
      {"stanographer_new-entries.rtf", 80, 0, 0},      {"w-rtf-cre-editor_example.rtf", 42, 1, 1},
  };
  for (const RealCase& c : cases) {
    const std::string path = (folder / c.file).string();
    Loaded loaded;
    read_file(path, loaded);
    const std::string bytes = ReadWholeFile(path);
    const std::regex group(R"(\{\\\*\\cxs )");
    const auto groups = static_cast<std::size_t>(
        std::distance(std::sregex_iterator(bytes.begin(), bytes.end(), group), {}));
    EXPECT_EQ(0, loaded.result) << c.file;
    EXPECT_EQ(c.entries, loaded.dictionary.GetCount()) << c.file;
    EXPECT_EQ(c.duplicates, loaded.dictionary.GetDuplicateCount()) << c.file;
    EXPECT_EQ(c.invalid, loaded.dictionary.GetInvalidOutlines().size()) << c.file;
    EXPECT_EQ(groups, c.entries + c.duplicates + c.invalid) << c.file;
  }
}

}  // namespace
