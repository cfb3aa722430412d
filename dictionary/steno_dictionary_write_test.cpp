#include "dictionary/steno_dictionary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "dictionary/steno_dictionary_test_util.h"
#include "testing/scratch_folder.h"

namespace {

using namespace dictionary_test;

// Blanks at the ends of a text are part of it, also after a group kept with
// the entry or a control word; a suffix " and" must not come back as "and".
TEST(StenoDictionaryWriter, BlanksAtTheEndsOfATextComeBack) {
  const struct {
    const char* outline;
    std::string text;
    WORD flags;
    const char* extra = "";  // kept before the text
  } cases[] = {
      {"SKP", " and", suffix},
      {"SKP/-D", " and", 0},
      {"SKP/-S", " and", prefix},
      {"SKP/-Z", " and", suffix | prefix},
      {"SKP/-G", " and", capitalize},
      {"SKP/-T", "and ", prefix},
      {"SKP/-P", "and ", suffix},
      {"SKP/-R", "and ", 0},
      {"S-P", " ", suffix},
      {"S-P/-D", "  ", 0},
      {"S-P/-S", " ", prefix},
      {"S-P/-T", " ", suffix | prefix},
      {"S-P/-Z", "   ", capitalize},
      {"TP-PL", " .", 0},
      {"TP-PL/-S", ". ", 0},
      {"TP-PL/-D", " . ", suffix},
      {"KW-PL", " ?", suffix},
      {"TKPWHR", " x ", 0x0500},
      {"KPHE", " and", suffix, "{\\*\\cxcomment x}"},
      {"KPHE/-S", " ", prefix, "{\\*\\cxcomment x}"},
      {"KPHE/-D", " and", 0, "\\f1"},
      {"KPHE/-Z", " ", suffix, "\\f1 "},
      {"KPHE/-T", " and", 0, "\\u945"},
  };
  // Longer outlines put the text at each column up to and past the end of
  // the writer's line.
  for (const auto& c : cases)
    for (std::string outline = c.outline; outline.size() < 120; outline += "/S") {
      // Between two entries, as most entries stand, and last.
      CStenoDictionary written;
      const CStenoDictionary::Extra extras[] = {{0, c.extra}};
      const std::span<const CStenoDictionary::Extra> kept(extras, *c.extra ? 1 : 0);
      written.Set(bytes_of(keys_of("A")), "a", 0);
      written.Set(bytes_of(keys_of(outline.c_str())), c.text, c.flags, kept);
      written.Set(bytes_of(keys_of("O")), "o", 0);
      written.Set(bytes_of(keys_of((outline + "/-S").c_str())), c.text, c.flags, kept);
      const std::string rtf = write_rtf(written);
      const Loaded loaded = read_rtf(rtf);
      ASSERT_EQ(4u, loaded.dictionary.GetCount()) << outline << "\n" << rtf;
      for (const std::size_t i : {1, 3}) {
        EXPECT_EQ(c.text, loaded.dictionary.GetTranslation(i).text) << outline << "\n" << rtf;
        EXPECT_EQ(c.flags, loaded.dictionary.GetTranslation(i).flags.GetUShort()) << outline << "\n"
                                                                                  << rtf;
      }
      EXPECT_EQ(describe(written), describe(loaded.dictionary)) << rtf;
    }
}

TEST(StenoDictionaryWriter, ReadingWhatWasWrittenGivesTheSameEntries) {
  const std::string long_text(300, 'x');
  const EntryCase entries[] = {
      {"", "KAT", "cat", 0, ""},
      {"", "-G", "ing", suffix, ""},
      {"", "RE", "re", prefix, ""},
      {"", "TK-LS", "", suffix | prefix, ""},
      {"", "S-S", "", suffix, ""},
      {"", "P-P", "", prefix | capitalize, ""},
      {"", "TP-PL", ".", 0, ""},
      {"", "H-PB", "-", suffix, ""},
      {"", "PR-D", "objection.", capitalize, ""},
      {"", "HOUL", "how old{P}A {P}", 0, ""},
      {"", "ES", " {b}c\\d\xe9\r\x01", 0, ""},
      {"", "TA*B", "\tx\ny\xa0", 0, ""},
      {"", "TKPWHR", "x", 0x05FF, ""},
      {"", "SPWR", "enter ", prefix | suffix, ""},
      {"", "HRAUPBG", "a long text with spaces " + long_text + " and more words after it", 0, ""},
      {"", "STKPWHRAO*EUFRPBLGTSDZ/#P/-DZ/STKPWHRAO*EUFRPBLGTSDZ", "long outline", 0, ""},
  };
  CStenoDictionary written;
  for (const EntryCase& e : entries) written.Set(bytes_of(keys_of(e.outline)), e.text, e.flags);
  const std::string rtf = write_rtf(written);
  const Loaded loaded = read_rtf(rtf);
  EXPECT_EQ(0u, loaded.dictionary.GetDuplicateCount()) << rtf;
  EXPECT_TRUE(loaded.dictionary.GetInvalidOutlines().empty()) << rtf;
  EXPECT_EQ(describe(written), describe(loaded.dictionary)) << rtf;
  EXPECT_NE(std::string::npos, rtf.find("{\\*\\cxsystem Orvalis 00218 RTF by Quendra, Inc.}"));
  EXPECT_NE(std::string::npos, rtf.find("{\\creatim\\yr01\\mo03\\da05}"));
}

// Text is written straight from the dictionary where it needs no escape, and
// through a copy where it does; both must give the same bytes as escaping
// every character one by one. Extras go in as they are, parted from text
// only where a control word would run on into it.
TEST(StenoDictionaryWriter, EachEscapeMarkerAndExtraGivesItsExactBytes) {
  const std::string long_text = "words " + std::string(80, 'x') + " and/more";
  const struct {
    std::string text;
    WORD flags;
    std::vector<CStenoDictionary::Extra> extras;
    std::string want;
  } cases[] = {
      {"cat", 0, {}, "cat"},
      {"a{P}b{P}", 0, {}, "a\\par b\\par"},
      {"{P}", 0, {}, "\\par"},
      {" {b}c\\d", 0, {}, " \\{b\\}c\\\\d"},
      {"\xe9\x01\x7f^~", 0, {}, "\\'e9\\'01\x7f^~"},
      {"\tx\ny", 0, {}, "\\tab x\\line y"},
      {"x{", 0, {}, "x\\{"},
      {"ing", suffix, {}, "\\cxds ing"},
      {"re", prefix | capitalize, {}, "re\\cxfc\\cxds"},
      // A sentence's mark is its group when it has the group's spacing and
      // capitals, and plain text otherwise, so that each reads back as it was.
      {".", suffix | capitalize, {}, "{\\cxp.}"},
      {",", suffix, {}, "{\\cxp,}"},
      {".", 0, {}, "."},
      {",", suffix | capitalize, {}, "\\cxds,\\cxfc"},
      {"!", suffix | capitalize, {{0, "{\\*\\x}"}}, "\\cxds{\\*\\x}!\\cxfc"},
      {"-", 0, {}, "{\\cxp -}"},
      {"?", 0, {{0, "\\u945"}}, "\\u945?"},
      {"ab", suffix, {{0, "\\b"}, {1, "{\\*\\x y}"}, {2, "\\i0"}}, "\\cxds\\b\\'61{\\*\\x y}b\\i0"},
      {"ab", 0, {{0, "\\b "}}, "\\b ab"},
      {"a", prefix, {{5, "\\v "}}, "a\\v \\cxds"},
      {"cat", 0, {{0, "\\'f"}}, "\\'f\\'63at"},
      {"5", 0, {{0, "\\foo-"}}, "\\foo-\\'35"},
      {long_text, 0, {}, "words " + std::string(80, 'x') + "\r\n and/more"},
  };
  const std::string kat = keys_of("KAT");
  for (const auto& c : cases) {
    CStenoDictionary dictionary;
    dictionary.Set(bytes_of(kat), c.text, c.flags, c.extras);
    const std::string rtf = write_rtf(dictionary);
    const std::string entry = "{\\*\\cxs KAT}";
    const std::size_t start = rtf.find(entry);
    ASSERT_NE(std::string::npos, start) << rtf;
    EXPECT_EQ(c.want + "\r\n}", rtf.substr(start + entry.size())) << c.text;
    EXPECT_EQ(describe(dictionary), describe(read_rtf(rtf).dictionary)) << rtf;
  }
}

// Three bytes of keys, mark first, in the stroke's internal layout.
std::string stroke_keys(std::uint32_t keys) {
  const char b[3] = {static_cast<char>(keys >> 16), static_cast<char>(keys >> 8),
                     static_cast<char>(keys)};
  return std::string(b, 3);
}

std::string written_outline(const std::string& keys) {
  CStenoDictionary dictionary;
  dictionary.Set(bytes_of(keys), "x", 0);
  const std::string rtf = write_rtf(dictionary);
  const std::size_t start = rtf.find("{\\*\\cxs ") + 8;
  return rtf.substr(start, rtf.find('}', start) - start);
}

// Outlines are written as dictionaries spell them, and the notation reads
// them back to their keys, a stroke alone (SetRtf) and in the outlines of a
// dictionary's entries.
TEST(StenoDictionaryWriter, OutlinesAreSpelledAsFilesSpellThem) {
  const std::pair<const char*, const char*> spelled[] = {
      {"KAT", "KAT"},    {"-T", "-T"},       {"TK-PB", "TK-PB"},
      {"KA*T", "KA*T"},  {"-PBLG", "-PBLG"}, {"K-ET", "KET"},
      {"R-R", "R-R"},    {"S-S", "S-S"},     {"#S", "1"},
      {"#-T", "-9"},     {"#S-T", "1-9"},    {"#K", "#K"},
      {"#-D", "#-D"},    {"#", "#"},         {"#AO", "50"},
      {"#-PS", "-7S"},   {"#TO*-F", "20*6"}, {"#STKPR-FS", "12K3R-6S"},
      {"@KAT", "!,KAT"},
  };
  for (const auto& [plain, want] : spelled)
    EXPECT_EQ(want, written_outline(keys_of(plain))) << plain;

  // Every pattern of the letter keys would take long under the sanitizers;
  // a fixed sample covers the bank and hyphen cases many times over, and the
  // number bar and mark are mixed into part of it.
  std::uint32_t seed = 2024;
  const auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  std::vector<std::uint32_t> patterns = {0x3FFFFF, 0x200000, 0x000001, 0x3FE000, 0x001FFF};
  for (int p = 0; p < 22; ++p) patterns.push_back(1u << p);
  for (int i = 0; i < 20000; ++i) patterns.push_back(next() & 0x3FFFFF);
  std::string outline_keys, text;
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    std::uint32_t keys = patterns[i];
    if (i % 4 == 1) keys |= 0x400000;   // the number bar
    if (i % 16 == 3) keys |= 0x800000;  // the mark
    if (keys == 0) continue;
    outline_keys += stroke_keys(keys);
  }
  CStenoDictionary written;
  for (std::size_t i = 0; i < outline_keys.size(); i += 3)
    written.Set(bytes_of(outline_keys.substr(i, 3)), "x", 0);
  const std::string rtf = write_rtf(written);
  const Loaded loaded = read_rtf(rtf);
  ASSERT_EQ(written.GetCount(), loaded.dictionary.GetCount());
  EXPECT_TRUE(loaded.dictionary.GetInvalidOutlines().empty());
  const std::vector<std::string> spellings = outlines_of(rtf);
  ASSERT_EQ(written.GetCount(), spellings.size());
  for (std::size_t i = 0; i < spellings.size(); ++i) {
    const std::string& spelling = spellings[i];
    CStroke stroke;
    EXPECT_EQ(0, stroke.SetRtf(CString(spelling.c_str()), 0)) << spelling;
    const std::span<const BYTE> keys = written.GetKeys(i);
    EXPECT_TRUE(std::equal(keys.begin(), keys.end(), stroke.GetKeyBytes())) << spelling;
    EXPECT_TRUE(std::ranges::equal(keys, loaded.dictionary.GetKeys(i))) << spelling;
  }
}

// The path form replaces the file whole, or leaves it and its folder as they
// were.
TEST(StenoDictionaryWriter, WritePathReplacesWholeOrLeavesAsItWas) {
  const ScratchFolder folder;
  CStenoDictionary dictionary;
  dictionary.Set(bytes_of(keys_of("KAT")), "cat", 0);
  const std::string path = folder.path("d.rtf");
  WriteWholeFile(path, "old");
  EXPECT_EQ(0, dictionary.Write(path.c_str()));
  EXPECT_EQ("cat", std::string(read_file(path).dictionary.GetTranslation(0).text));

  const std::filesystem::path in_the_way = folder.path("folder.rtf");
  std::filesystem::create_directory(in_the_way);
  for (const std::string& bad : {in_the_way.string(), folder.path("none/d.rtf")}) {
    const long result = dictionary.Write(bad.c_str());
    EXPECT_GT(result, CStenoDictionary::errorFile) << bad;
    EXPECT_FALSE(dictionary.GetErrorText(result).IsEmpty()) << bad;
  }
  EXPECT_TRUE(std::filesystem::is_directory(in_the_way));
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path("")))
    names.insert(entry.path().filename().string());
  EXPECT_EQ((std::set<std::string>{"d.rtf", "folder.rtf"}), names);
}

// A bulk load must leave what one Set per entry leaves: the same entries in
// the same order, the last translation and extras of each outline, the same
// count of replacements, whether the repeats are among the appended entries,
// of entries held before, or span the table's growth.
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
      const std::string extra = "{\\*\\e" + std::to_string(i) + "}";
      std::vector<CStenoDictionary::Extra> extras;
      if (i % 3 == 0) extras.push_back({i % 2, extra});
      const CTranFlags flags(static_cast<WORD>(i));
      if (one_by_one.Set(bytes_of(keys), text, flags, extras) && i >= c.held) ++replaced;
      if (i < c.held)
        bulk.Set(bytes_of(keys), text, flags, extras);
      else
        bulk.Append(bytes_of(keys), text, flags, extras);
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
      EXPECT_EQ(describe(one_by_one.GetExtras(i)), describe(bulk.GetExtras(i))) << c.name << i;
    }
    const std::string absent = stroke_keys(0xFFFFFF);
    EXPECT_FALSE(bulk.Lookup(bytes_of(absent)).has_value()) << c.name;
  }
}

}  // namespace
