#include "dictionary/steno_dictionary.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "dictionary/steno_dictionary_test_util.h"
#include "testing/scratch_folder.h"

// Reads a file both ways Read can: the common entries taken straight from
// its bytes, or every entry through the RTF parser.
struct StenoDictionaryReadPaths {
  static long Read(CStenoDictionary& dictionary, const std::string& path, bool take_plain) {
    CFile file(path.c_str(), CFile::modeRead | CFile::typeBinary);
    return dictionary.Read(file, take_plain);
  }
};

namespace {

using namespace dictionary_test;

// What the dictionary does not read is kept with its entry at its place in
// the text; writing gives the same entry back.
TEST(StenoDictionaryReader, EachMarkerEscapeAndGroup) {
  const EntryCase cases[] = {
      {"{\\*\\cxs KAT}cat", "KAT", "cat", 0, ""},
      {"{\\*\\cxs -G}{\\cxds ing}", "-G", "ing", suffix, ""},
      {"{\\*\\cxs RE}re\\cxds ", "RE", "re", prefix, ""},
      {"{\\*\\cxs TK-LS}\\cxds ", "TK-LS", "", suffix | prefix, ""},
      {"{\\*\\cxs KA*PS}{\\*\\cxplovermeta #Caps}{\\cxds}", "KA*PS", "", suffix | prefix,
       "0:{\\*\\cxplovermeta #Caps}"},
      {"{\\*\\cxs TP-PL}{\\cxp. }", "TP-PL", ".", suffix | capitalize, ""},
      {"{\\*\\cxs KW-BG}{\\cxp ,}", "KW-BG", ",", suffix, ""},
      {"{\\*\\cxs TP-PL}.", "TP-PL", ".", 0, ""},
      {"{\\*\\cxs TP-PL}{\\cxp .}\\cxkelmdictflags0", "TP-PL", ".", 0, ""},
      {"{\\*\\cxs TP-PL}Mr{\\cxp .}", "TP-PL", "Mr.", 0, ""},
      {"{\\*\\cxs TP-PL}{\\cxp .}x", "TP-PL", ".x", 0, ""},
      {"{\\*\\cxs TP-PL}{\\cxp --}", "TP-PL", "--", 0, ""},
      {"{\\*\\cxs PR-D}objection.\\cxfc ", "PR-D", "objection.", capitalize, ""},
      {"{\\*\\cxs HOUL}how old\\par A", "HOUL", "how old{P}A", 0, ""},
      {"{\\*\\cxs ES}a\\{b\\}c\\\\d\\'e9\\_e", "ES", "a{b}c\\d\xe9-e", 0, ""},
      {"{\\*\\cxs TA*B}\\tab x\\line y", "TA*B", "\tx\ny", 0, ""},
      {"{\\*\\cxs TKPWHR}\\cxkelmdictflags1280 \\cxds x", "TKPWHR", "x", 0x0500, ""},
      {"{\\*\\cxs S-P}{\\cxstit S-}pell", "S-P", "S-pell", 0, ""},
      {"{\\*\\cxs KOPL}com{\\*\\cxcomment a note}ment", "KOPL", "comment", 0,
       "3:{\\*\\cxcomment a note}"},
      {"{\\*\\cxs TPAO}foo{\\*\\cxunknown {nested} bar}baz", "TPAO", "foobaz", 0,
       "3:{\\*\\cxunknown {nested} bar}"},
      {"{\\*\\cxs PWOLD}{\\b bold} text", "PWOLD", "bold text", 0, "0:{\\b |4:}"},
      {"{\\*\\cxs PHRAEUPB}\\f1\\fs24 plain\\cxunknown7\\'41", "PHRAEUPB", "plainA", 0,
       "0:\\f1\\fs24 |5:\\cxunknown7"},
      {"{\\*\\cxs PWEUPB}x\\bin3 {}}y", "PWEUPB", "xy", 0, "1:\\bin3 {}}"},
      {"{\\*\\cxs PWRAOEBG}line\n broken", "PWRAOEBG", "line broken", 0, ""},
      {"{\\*\\cxs KAT/-S}{\\*\\cxs KAT}cat", "KAT", "cat", 0, ""},
      // Found by fuzzing: an outline word inside text starts no entry; RTF
      // kept at one place from two groups reads back as one piece; an
      // escape's fallback ends before what follows it is kept.
      {"{\\*\\cxs TPOUPBD}found\\cxs KAT}x", "TPOUPBD", "foundKAT", 0, "5:\\cxs "},
      {"{\\*\\cxs TWO}a\\i0{\\rtf1 b", "TWO", "ab", 0, "1:\\i0{\\rtf1 |2:}"},
      {"{\\*\\cxs TPAUL}\\u945?\\rtf1 x", "TPAUL", "?x", 0, "0:\\u945|1:\\rtf1 "},
      // A \u escape in an outline is a character of the outline (here
      // passed over with the mark's description), not a kept word.
      {"{\\*\\cxs {!AT}cat\\u0?\\u-\n}", "!,", "", 0, ""},
      // An escape short of its hex digits, kept, took the hex digit written
      // after it; text cut short by one is read as text.
      {"{\\*\\cxs KAT\\p\\'f}cat", "KAT", "cat", 0, "0:\\p\\'f"},
      {"{\\*\\cxs KAT}x\\'\n5{ab\\'e}c", "KAT", "x5abc", 0, "1:\\'|2:{|4:\\'e}"},
      {"{\\*\\cxs KAT}x\\foo-{}5", "KAT", "x5", 0, "1:\\foo-"},
      // An outline word kept in a group after what was read and not kept
      // there; written first after the brace, it started an entry.
      {"{\\*\\cxs KAT}a{{}\\cxs}b", "KAT", "ab", 0, "1:{{}\\cxs}"},
      {"{\\*\\cxs KAT}a{\\cxds \\cxs}b", "KAT", "ab", 0, "1:{{}\\cxs}"},
      {"{\\*\\cxs KAT}a{{}\\*\\cxs}b", "KAT", "ab", 0, "1:{{}\\*\\cxs}"},
      {"{\\*\\cxs KAT}a{\\u-\\*}b", "KAT", "a?b", 0, "1:{\\u0|2:\\*}"},
  };
  for (const EntryCase& c : cases) {
    const Loaded loaded = read_rtf(document(c.entry));
    EXPECT_EQ(0, loaded.result) << c.entry;
    const std::optional<CStenoDictionary::Translation> got =
        loaded.dictionary.Lookup(CSteno(CString(c.outline), 0));
    ASSERT_TRUE(got.has_value()) << c.entry;
    EXPECT_EQ(c.text, got->text) << c.entry;
    EXPECT_EQ(c.flags, got->flags.GetUShort()) << c.entry;
    EXPECT_EQ(c.extras, describe(loaded.dictionary.GetExtras(loaded.dictionary.GetCount() - 1)))
        << c.entry;
    const std::string written = write_rtf(loaded.dictionary);
    EXPECT_EQ(describe(loaded.dictionary), describe(read_rtf(written).dictionary))
        << c.entry << "\n"
        << written;
  }
}

// The reader learns whether raw bytes are UTF-8 from the whole file, a block
// at a time: a UTF-8 character may stand across two blocks, and a byte that
// is not UTF-8 may come long after the first character that is.
std::string utf8_across_blocks() {
  const auto make = [](std::size_t filler) {
    return document("{\\*\\cxcomment " + std::string(filler, 'x') + "}{\\*\\cxs KAF}caf\xc3\xa9");
  };
  constexpr std::size_t block = 1 << 16;
  return make(block - 1 - make(0).find('\xc3'));
}

std::string latin_after_utf8() {
  // The byte stands in an entry of its own whose outline is no outline.
  return document("{\\*\\cxs KAF}caf\xc3\xa9\n{\\*\\cxs 1x}" + std::string(70000, 'x') + "\xe9");
}

// Each way a file spells its text gives the same Windows-1252 text; a
// character 1252 cannot hold is counted, stands as its fallback or "?", and
// comes back from writing as \u escapes.
TEST(StenoDictionaryReader, TextInEachEncoding) {
  const struct {
    const char* name;
    std::string file;
    std::string text;
    std::size_t unrepresentable;
    const char* extras;
  } cases[] = {
      {"1252", document("{\\*\\cxs KAF}caf\xe9 na\xefve"), "caf\xe9 na\xefve", 0, ""},
      {"UTF-8", document("{\\*\\cxs KAF}caf\xc3\xa9 \xe2\x80\x93"), "caf\xe9 \x96", 0, ""},
      {"UTF-8 after a mark", "\xef\xbb\xbf" + document("{\\*\\cxs KAF}caf\xc3\xa9"), "caf\xe9", 0,
       ""},
      {"UTF-8 across blocks", utf8_across_blocks(), "caf\xe9", 0, ""},
      {"1252 found after UTF-8", latin_after_utf8(), "caf\xc3\xa9", 0, ""},
      {"UTF-8 beside 1252 declared", document("{\\*\\cxs KAF}caf\xc3\xa9", "\\ansi\\ansicpg1252"),
       "caf\xe9", 0, ""},
      {"UTF-8 declared", document("{\\*\\cxs KAF}caf\\'c3\\'a9", "\\ansi\\ansicpg65001"), "caf\xe9",
       0, ""},
      {"UTF-8 and an escape", document("{\\*\\cxs KAF}\xc3\xa9\\'e9"), "\xe9\xe9", 0, ""},
      {"UTF-8 outside 1252", document("{\\*\\cxs KAF}\xce\xb1-\xf0\x9f\x98\x80."), "?-?.", 2,
       "0:\\u945|2:\\u-10179?\\u-8704"},
      {"\\u in 1252", document("{\\*\\cxs KAF}caf\\u233?\\u8364?"), "caf\xe9\x80", 0, ""},
      {"\\u and its fallback", document("{\\*\\cxs KAF}\\u945a"), "a", 1, "0:\\u945"},
      {"\\uc0", document("{\\*\\cxs KAF}\\uc0\\u945 b"), "?b", 1, "0:\\u945"},
      {"\\uc2", document("{\\*\\cxs KAF}{\\uc2\\u945ab c}\\u946?"), "ab c?", 2,
       "0:{\\u945|4:}\\u946"},
      {"negative \\u", document("{\\*\\cxs KAF}\\u-3913?x"), "?x", 1, "0:\\u-3913"},
      {"\\u pair", document("{\\*\\cxs KAF}\\u-10179?\\u-8704?"), "?", 1, "0:\\u-10179?\\u-8704"},
      {"\\uc2 pair", document("{\\*\\cxs KAF}{\\uc2J\\u-10179ab\\u-8704cd}"), "Jcd", 1,
       "0:{|1:\\u-10179?\\u-8704|3:}"},
      // Written back, the invalid entry's count would reach the pair: the
      // brace that ends its scope here is one too many there.
      {"\\uc0 in an invalid entry",
       document("{\\*\\cxs 1x}\\uc0}{\\*\\cxs KAF}{\\uc2J\\u-10179ab\\u-8704cd}"), "Jcd", 1,
       "0:{|1:\\u-10179?\\u-8704|3:}"},
      // Written back, a code page an invalid entry set reached text that
      // had been read in another.
      {"\\ansicpg437 in an invalid entry",
       document("{\\*\\cxs 1x}\\ansicpg437 \n{\\*\\cxs KAF}\\'82"), "\x82", 0, ""},
      {"\\ansicpg437 in an invalid outline",
       document("{\\*\\cxs 1\\ansicpg437 x}\n{\\*\\cxs KAF}\\'82"), "\x82", 0, ""},
      {"\\ansicpg437 first in a kept group",
       document("{\\*\\cxs KAF}{\\ansicpg437\\*\\foo y}\\'82"), "\x82", 0,
       "0:{\\ansicpg437\\*\\foo y}"},
      {"\\ansicpg437 first in an invalid outline's group",
       document("{\\ansicpg437\\*\\cxs 1x}\n{\\*\\cxs KAF}\\'82"), "\x82", 0, ""},
      // Halves of a pair that the fallback count kept apart were written
      // with one stand-in between them, where they paired.
      {"halves of a pair kept apart", document("{\\*\\cxs KAF}\\uc2 p\\u-10179?\\u-8704?ine"),
       "p??ine", 2, "1:\\u-10179|2:\\u-8704"},
      {"\\ansicpg437 in an outline", document("{\\*\\cxs KAF\\ansicpg437 }\\'82"), "\xe9", 0, ""},
      {"NUL", document("{\\*\\cxs KAF}a" + std::string(1, '\0') + "b c"), "a?b c", 1, "1:\\u0"},
      // Found by fuzzing: written back, the control word came before half
      // a surrogate pair the text held back when it was met.
      {"half a pair before a control word kept", document("{\\*\\cxs KAF}\\u-10179?\\foo \\u-87?x"),
       "??x", 2, "0:\\u-10179|1:\\foo \\u-87"},
      {"NUL escaped", document("{\\*\\cxs KAF}d\\'00e"), "d?e", 1, "1:\\u0"},
      {"NUL escaped in 1250", document("{\\*\\cxs KAF}d\\'00e", "\\ansi\\ansicpg1250"), "d?e", 1,
       "1:\\u0"},
      {"NUL in UTF-8", document("{\\*\\cxs KAF}\xc3\xa9" + std::string(1, '\0') + "b"), "\xe9?b", 1,
       "1:\\u0"},
      {"1250", document("{\\*\\cxs KAF}\\'9a\\'f8\xe8", "\\ansi\\ansicpg1250"), "\x9a??", 2,
       "1:\\u345|2:\\u269"},
      {"1251", document("{\\*\\cxs KAF}\\'e0", "\\ansi\\ansicpg1251"), "?", 1, "0:\\u1072"},
      {"437", document("{\\*\\cxs KAF}\\'82", "\\ansi\\ansicpg437"), "\xe9", 0, ""},
      {"a code page not known", document("{\\*\\cxs KAF}\\'82", "\\ansi\\ansicpg932"), "?", 1, ""},
  };
  for (const auto& c : cases) {
    const Loaded loaded = read_rtf(c.file);
    EXPECT_EQ(0, loaded.result) << c.name;
    ASSERT_EQ(1u, loaded.dictionary.GetCount()) << c.name;
    EXPECT_EQ(c.text, loaded.dictionary.GetTranslation(0).text) << c.name;
    EXPECT_EQ(c.unrepresentable, loaded.dictionary.GetUnrepresentableCount()) << c.name;
    EXPECT_EQ(c.extras, describe(loaded.dictionary.GetExtras(0))) << c.name;
    const std::string written = write_rtf(loaded.dictionary);
    const Loaded back = read_rtf(written);
    EXPECT_EQ(describe(loaded.dictionary), describe(back.dictionary)) << c.name << "\n" << written;
    // What no \u can give back is gone, as it was from the text.
    EXPECT_EQ(std::string(c.extras).empty() ? 0 : c.unrepresentable,
              back.dictionary.GetUnrepresentableCount())
        << c.name;
  }
}

TEST(StenoDictionaryReader, RefusesWhatIsNotRtf) {
  const struct {
    std::string file;
    long want;
  } cases[] = {
      {"\x7f"
       "ELF\x02\x01\x01{\\rtf1",
       CStenoDictionary::errorNotRtf},
      {"", CStenoDictionary::errorNotRtf},
      {"KAT cat\n", CStenoDictionary::errorNotRtf},
      {"{\\rtx1}", CStenoDictionary::errorNotRtf},
      {"\xef\xbb\xbf \r\n\t{\\rtf1{\\*\\cxs KAT}cat}", 0},
      {"{\\rtf1{\\*\\cxs KAT}cat}", 0},
  };
  for (const auto& c : cases) {
    const Loaded loaded = read_rtf(c.file);
    EXPECT_EQ(c.want, loaded.result) << c.file;
    EXPECT_EQ(c.want == 0 ? 1u : 0u, loaded.dictionary.GetCount()) << c.file;
  }
  EXPECT_NE(-1, CStenoDictionary().GetErrorText(CStenoDictionary::errorNotRtf).Find("not RTF"));
}

// A regular file is mapped and anything else read: each gives the same
// dictionary, and a file opened partway is read from where it stands (here
// past the first granule of a view, and not at the start of one) and left
// after the last byte the parse took.
TEST(StenoDictionaryReader, EachKindOfFileGivesTheSameEntries) {
  const std::string rtf =
      document("{\\*\\cxs KAT}cat\n{\\*\\cxs TKOG}dog\\cxds\n{\\*\\cxs KAT}Cat");
  const std::string want = describe(read_rtf(rtf).dictionary);
  ASSERT_EQ("KA-T \"Cat\" 0 \nTKO-G \"dog\" " + std::to_string(prefix) + " \n", want);
  const ScratchFolder folder;
  const std::string junk(70001, 'x');
  WriteWholeFile(folder.path("inside.bin"), junk + rtf);
  WriteWholeFile(folder.path("d.rtf"), rtf);
  ASSERT_EQ(0, ::mkfifo(folder.path("fifo").c_str(), 0600));

  const struct {
    const char* what;
    std::function<long(CStenoDictionary&)> read;
  } sources[] = {
      {"a path", [&](CStenoDictionary& d) { return d.Read(folder.path("d.rtf").c_str()); }},
      {"a file opened partway",
       [&](CStenoDictionary& d) {
         CFile file(folder.path("inside.bin").c_str(), CFile::modeRead | CFile::typeBinary);
         file.Seek(static_cast<LONGLONG>(junk.size()), CFile::begin);
         const long result = d.Read(file);
         EXPECT_EQ(junk.size() + rtf.size(), file.GetPosition());
         return result;
       }},
      {"a pipe",
       [&](CStenoDictionary& d) {
         std::thread writer([&] { WriteWholeFile(folder.path("fifo"), rtf); });
         const long result = d.Read(folder.path("fifo").c_str());
         writer.join();
         return result;
       }},
      {"memory",
       [&](CStenoDictionary& d) {
         std::string bytes = rtf;
         CMemFile file(reinterpret_cast<BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
         return d.Read(file);
       }},
  };
  for (const auto& source : sources) {
    CStenoDictionary dictionary;
    EXPECT_EQ(0, source.read(dictionary)) << source.what;
    EXPECT_EQ(want, describe(dictionary)) << source.what;
  }
}

// An invalid outline, or a stroke text too long for any stroke, keeps its
// entry as the file spells it, in its place, where no lookup finds it.
TEST(StenoDictionaryReader, InvalidOutlinesAreKeptAndDuplicatesLastWins) {
  const std::string too_long = "STKPWHRAO*EUFRPBLGTSDZSTKPWHR";
  const Loaded loaded =
      read_rtf(document("{\\*\\cxs KAT}cat\n"
                        "{\\*\\cxs KXAT}bad\n"
                        "{\\*\\cxs KK}{\\*\\cxplovermeta x}repeated\n"
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
                        too_long + "}dog long"));
  const struct {
    unsigned long line;
    std::string text, rtf;
    std::size_t before;
  } expected_invalid[] = {{3, "KXAT", "{\\*\\cxs KXAT}bad", 1},
                          {4, "KK", "{\\*\\cxs KK}{\\*\\cxplovermeta x}repeated", 1},
                          {5, "", "{\\*\\cxs }empty", 1},
                          {9, "TKOG/KXAT", "{\\*\\cxs TKOG/KXAT}dog bad", 3},
                          {10, too_long, "{\\*\\cxs " + too_long + "}long", 3},
                          {12, "TKOG/" + too_long, "{\\*\\cxs TKOG/" + too_long + "}dog long", 4}};
  const std::vector<CStenoDictionary::InvalidOutline>& invalid =
      loaded.dictionary.GetInvalidOutlines();
  ASSERT_EQ(std::size(expected_invalid), invalid.size());
  for (std::size_t i = 0; i < std::size(expected_invalid); ++i) {
    EXPECT_EQ(expected_invalid[i].line, invalid[i].line) << i;
    EXPECT_EQ(expected_invalid[i].text, invalid[i].text) << i;
    EXPECT_EQ(expected_invalid[i].rtf, invalid[i].rtf) << i;
    EXPECT_EQ(expected_invalid[i].before, invalid[i].before) << i;
  }
  EXPECT_EQ(1u, loaded.dictionary.GetDuplicateCount());
  const std::pair<const char*, const char*> expected[] = {
      {"KAT", "kitty"}, {"TKOG", "dog"}, {"KAT/TKOG", "cat dog"}, {"TKOG/KAT", "dog cat"}};
  ASSERT_EQ(std::size(expected), loaded.dictionary.GetCount());
  for (const auto& [outline, text] : expected)
    EXPECT_EQ(text, loaded.dictionary.Lookup(CSteno(CString(outline), 0))->text) << outline;

  const std::string written = write_rtf(loaded.dictionary);
  std::string outlines;
  for (const std::string& outline : outlines_of(written)) outlines += outline + " ";
  EXPECT_EQ("KAT KXAT KK  TKOG KAT/TKOG TKOG/KXAT " + too_long + " TKOG/KAT TKOG/" + too_long + " ",
            outlines);
  EXPECT_EQ(describe(loaded.dictionary), describe(read_rtf(written).dictionary)) << written;

  // Found by fuzzing: a brace that closes no group of the entry is not kept,
  // nor are groups the file leaves open left open; nor is binary data the
  // file breaks off in, which would take what is written after it. A \u
  // escape in an outline was kept and written after it, where it read as a
  // character of the text.
  const struct {
    const char* file;
    const char* outline;
    const char* rtf;
  } found[] = {
      {"{\\rtf1 x}{\\*\\cxs KXAT}bad\n}", "KXAT", "{\\*\\cxs KXAT}bad"},
      {"{\\rtf1{\\*\\cxs KXAT}bad{\\b", "KXAT", "{\\*\\cxs KXAT}bad{\\b}"},
      {"{\\rtf1{\\*\\cxs KXAT}bad\\bin6TK", "KXAT", "{\\*\\cxs KXAT}bad"},
      {"{\\rtf1{\\*\\cxs KXAT}bad{\\b\\bin9 x}}", "KXAT", "{\\*\\cxs KXAT}bad{\\b}"},
      {"{\\rtf1{\\*\\cxs KAT\\u233}x}", "KAT\\u233", "{\\*\\cxs KAT\\u233}x"},
      {"{\\rtf1{\\*\\cxs KAT\r\n\\u0 }}", "KAT\\u0", "{\\*\\cxs KAT\r\n\\u0 }"},
      // An outline word in an outline, then an unknown one, made a kept group
      // that started an entry where it was written.
      {"{\\rtf1{\\*\\cxs KAT{\\*\\cxs\\*\\foo TKOG}}x}", "KATTKOG",
       "{\\*\\cxs KAT{\\*\\cxs\\*\\foo TKOG}}x"},
  };
  for (const auto& c : found) {
    const Loaded stray = read_rtf(c.file);
    EXPECT_EQ(0u, stray.dictionary.GetCount()) << c.file;
    ASSERT_EQ(1u, stray.dictionary.GetInvalidOutlines().size()) << c.file;
    EXPECT_EQ(c.outline, stray.dictionary.GetInvalidOutlines()[0].text) << c.file;
    EXPECT_EQ(c.rtf, stray.dictionary.GetInvalidOutlines()[0].rtf) << c.file;
    const std::string again = write_rtf(stray.dictionary);
    EXPECT_EQ(describe(stray.dictionary), describe(read_rtf(again).dictionary)) << again;
  }
}

// Found by fuzzing: text the file ends on with a backslash was kept, not
// read, and written back the backslash escaped the line break after it.
TEST(StenoDictionaryReader, TextBeforeABackslashTheFileEndsOnIsRead) {
  const std::pair<const char*, const char*> cases[] = {
      {"{\\rtf1{\\*\\cxs KAT}a\\", "a"},
      {"{\\rtf1{\\*\\cxs KAT}a\\\\b\\", "a\\b"},
      {"{\\rtf1{\\*\\cxs KAT}a\\i T\\", "aT"},
      {"{\\rtf1{\\*\\cxs KAT}caf\xc3\xa9 \\'e9\\", "caf\xe9 \xe9"},
  };
  for (const auto& [file, text] : cases) {
    const Loaded loaded = read_rtf(file);
    ASSERT_EQ(1u, loaded.dictionary.GetCount()) << file;
    EXPECT_EQ(text, loaded.dictionary.GetTranslation(0).text) << file;
    const std::string written = write_rtf(loaded.dictionary);
    EXPECT_EQ(describe(loaded.dictionary), describe(read_rtf(written).dictionary)) << written;
  }
}

// An entry's outline is read by the notation's reader in one pass with the
// others, and must be accepted, refused and read exactly as a stroke's own
// SetRtf reads it, an empty stroke refused. Every text of up to three
// characters over letters, hyphen, number, mark and lower case, and longer
// ones in and near key order.
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
  const Loaded loaded = read_rtf(document(entries));
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

// The groups of each entry that the dictionary does not read ("{\*\" and a
// word other than cxs), keyed by the entry's outline keys, or by its text
// when the notation does not take it; a later entry for an outline replaces
// an earlier one, as in the dictionary.
std::map<std::string, std::multiset<std::string>> kept_groups(const std::string& rtf) {
  std::map<std::string, std::multiset<std::string>> groups;
  const std::string entry_start = "{\\*\\cxs ";
  for (std::size_t at = rtf.find(entry_start); at != std::string::npos;) {
    const std::size_t outline_end = rtf.find('}', at);
    const std::size_t next = rtf.find(entry_start, outline_end);
    std::string outline = rtf.substr(at + entry_start.size(), outline_end - at - 8);
    std::erase_if(outline, [](char c) { return c == '\r' || c == '\n'; });
    const std::string entry = rtf.substr(outline_end + 1, next - outline_end - 1);
    CSteno steno;
    const std::string key = steno.SetRtf(CString(outline.c_str()), 0) == 0
                                ? std::string(steno.GetStrHex().View())
                                : "invalid " + outline;
    std::multiset<std::string>& kept = groups[key];
    kept.clear();
    for (std::size_t open = entry.find("{\\*\\"); open != std::string::npos;
         open = entry.find("{\\*\\", open + 1)) {
      int depth = 0;
      std::size_t close = open;
      for (; close < entry.size(); ++close) {
        if (entry[close] == '\\')
          ++close;
        else if (entry[close] == '{')
          ++depth;
        else if (entry[close] == '}' && --depth == 0)
          break;
      }
      kept.insert(entry.substr(open, close + 1 - open));
      open = close;
    }
    at = next;
  }
  return groups;
}

// The counts come from reading the files: every "{\*\cxs" group is an entry,
// a duplicate or an invalid outline. main.rtf's 14 duplicates are its
// outlines written with a leading "/" beside the same outline without one: a
// leading "/" adds no stroke. uk.rtf's two invalid outlines repeat K- after
// the vowels; its SKWRAE*UL is only out of key order, which the RTF notation
// accepts. example.rtf defines -RGBS and -RBGS, the same keys. new-entries
// is UTF-8 and holds a dash already turned into three characters by a wrong
// reading, two of which are control characters outside Windows-1252.
//
// Converting each keeps every entry, with every group of its own, and
// converting the result again gives the same bytes but for the time.
TEST(StenoDictionaryReader, TheRealDictionaries) {
  const std::filesystem::path folder = std::filesystem::path(KELM_SHARED_DATA_DIR) / "rtf";
  if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no sample dictionaries in " << folder;
  struct RealCase {
    const char* file;
    std::size_t entries, duplicates, invalid, unrepresentable;
  };
  const RealCase cases[] = {
      {"myrrhens-theory_main.rtf", 7776, 14, 0, 0},
      {"stenodict_uk.rtf", 2357, 0, 2, 0},
      {"volensia_phoenix_word_parts.rtf", 2160, 2, 0, 0},
      {"myrrhens-theory_hotkeys.rtf", 109, 0, 0, 0},
      {"stanographer_new-entries.rtf", 80, 0, 0, 2},
      {"w-rtf-cre-editor_example.rtf", 42, 1, 1, 0},
  };
  const ScratchFolder scratch;
  for (const RealCase& c : cases) {
    const std::string path = (folder / c.file).string();
    const Loaded loaded = read_file(path);
    const std::string bytes = ReadWholeFile(path);
    const std::size_t groups = outlines_of(bytes).size();
    EXPECT_EQ(0, loaded.result) << c.file;
    EXPECT_EQ(c.entries, loaded.dictionary.GetCount()) << c.file;
    EXPECT_EQ(c.duplicates, loaded.dictionary.GetDuplicateCount()) << c.file;
    EXPECT_EQ(c.invalid, loaded.dictionary.GetInvalidOutlines().size()) << c.file;
    EXPECT_EQ(c.unrepresentable, loaded.dictionary.GetUnrepresentableCount()) << c.file;
    EXPECT_EQ(groups, c.entries + c.duplicates + c.invalid) << c.file;

    const std::string once = scratch.path("once.rtf"), twice = scratch.path("twice.rtf");
    ASSERT_EQ(0, loaded.dictionary.Write(once.c_str())) << c.file;
    const Loaded again = read_file(once);
    ASSERT_EQ(0, again.dictionary.Write(twice.c_str())) << c.file;
    EXPECT_TRUE(describe(loaded.dictionary) == describe(again.dictionary)) << c.file;
    EXPECT_EQ(c.unrepresentable, again.dictionary.GetUnrepresentableCount()) << c.file;
    EXPECT_TRUE(kept_groups(bytes) == kept_groups(ReadWholeFile(once))) << c.file;
    EXPECT_TRUE(without_creation_time(ReadWholeFile(once)) ==
                without_creation_time(ReadWholeFile(twice)))
        << c.file;
  }
}

// All that a read gives, invalid entries' lines and counts included.
std::string describe_read(const std::string& path, bool take_plain) {
  CStenoDictionary dictionary;
  const long result = StenoDictionaryReadPaths::Read(dictionary, path, take_plain);
  std::string shown = "result " + std::to_string(result) + ", " +
                      std::to_string(dictionary.GetDuplicateCount()) + " duplicates, " +
                      std::to_string(dictionary.GetUnrepresentableCount()) + " unrepresentable\n" +
                      describe(dictionary);
  for (const CStenoDictionary::InvalidOutline& invalid : dictionary.GetInvalidOutlines())
    shown += "line " + std::to_string(invalid.line) + ": " + invalid.text + "\n";
  return shown;
}

// Entries that begin or end a run of common ones, or look like one and are
// not: each put between common entries, and all of them many times over,
// so that the runs end on each side of the scanner's blocks.
const char* const tricky_entries[] = {
    "{\\*\\cxs KAT}cat",
    "{\\*\\cxs TKOG}",
    "{\\*\\cxs KAT}repeated",
    "{\\*\\cxs RE}re\\cxds ",
    "{\\*\\cxs OEFR}over\\cxds",
    "{\\*\\cxs AL}\\cxds al",
    "{\\*\\cxs KAP}\\cxfc\\cxds",
    "{\\*\\cxs HR-FP}a\\cxds b\\cxfc c",
    "{\\*\\cxs TKPW}\\cxds1 x",
    "{\\*\\cxs TKPWH}\\cxdsx",
    "{\\*\\cxs TKPWHR}\\cxfc-1 y",
    "{\\*\\cxs SKWR}\\cxds\\par",
    "{\\*\\cxs #S}hash",
    "{\\*\\cxs -}hyphen",
    "{\\*\\cxs S-/-T}hyphens",
    "{\\*\\cxs skat}lower",
    "{\\*\\cxs -G}{\\cxds ing}",
    "{\\*\\cxs TP-PL}{\\cxp. }",
    "{\\*\\cxs KXAT}invalid",
    "{\\*\\cxs }empty",
    "{\\*\\cxs KAT//TKOG}empty stroke",
    "{\\*\\cxs KAT/}last stroke empty",
    "{\\*\\cxs /KAT}first stroke empty",
    "{\\*\\cxs KAT/TKOG x}ends out of key order",
    "{\\*\\cxs  SKWR }spaced",
    "{\\*\\cxs AS}out of key order",
    "{\\*\\cxs K\r\nAT}outline broken",
    "{\\*\\cxs\r\nKAT}word broken",
    "{\r\n\\*\\cxs PWR}brace broken",
    "{\\*\\cxs PWRAEUBG}line\r\nbroken",
    "{\\*\\cxs TAB}a\tb",
    "{\\*\\cxs KAF}caf\xe9",
    "{\\*\\cxs KAF/-S}caf\xc3\xa9s",
    "{\\*\\cxs U}\\u8364?",
    "{\\*\\cxs U/U}\\uc2\\u945",
    "{\\*\\cxs KOPL}com{\\*\\cxcomment a note}ment",
    "{\\*\\cxcomment {\\*\\cxs KPHEPBT}inside}after",
    "{\\b {\\*\\cxs PWOLD}bold{\\*\\cxs PWOLD/-D}bolded}after",
    "{\\*\\cxs EFBG}a\\\\b\\{c\\}",
    "{\\*\\cxs TPHUL}a\0b",
    "{\\*\\cxs S-P}{\\cxstit S-}pell",
    "}{\\*\\cxs STRAEU}after a stray brace",
};

std::string tricky_document(std::size_t repeats, std::string_view line_break) {
  const char* const strokes[] = {"KAT", "TKOG", "PHOUS", "HORS", "KOU", "PEUG", "SHAOEP"};
  std::string entries;
  std::size_t n = 0;
  for (std::size_t i = 0; i < repeats; ++i)
    for (std::string_view entry : tricky_entries) {
      entries += "{\\*\\cxs " + std::string(strokes[n % std::size(strokes)]) + "/" +
                 strokes[n / std::size(strokes) % std::size(strokes)] + "}common";
      ++n;
      entries += line_break;
      entries += entry;
      entries += line_break;
    }
  return document(entries);
}

// Taking the common entries from the bytes must give exactly what the
// parser gives, in every file.
TEST(StenoDictionaryReader, CommonEntriesReadAsTheParserReadsThem) {
  const ScratchFolder scratch;
  std::vector<std::pair<std::string, std::string>> files;
  for (std::size_t i = 0; i < std::size(tricky_entries); ++i)
    files.emplace_back(tricky_entries[i],
                       document(std::string("{\\*\\cxs A}a\n") + std::string(tricky_entries[i]) +
                                "\n{\\*\\cxs O}o"));
  files.emplace_back("each, LF", tricky_document(1, "\n"));
  files.emplace_back("many, CR LF", tricky_document(100, "\r\n"));
  files.emplace_back("many, CR", tricky_document(100, "\r"));
  files.emplace_back("many, none", tricky_document(100, ""));
  files.emplace_back("UTF-8 found late", tricky_document(100, "\n") + "{\\*\\cxs KAF}caf\xc3\xa9");
  files.emplace_back("broken off", "{\\rtf1{\\*\\cxs A}a\r\n{\\*\\cxs O}o");
  files.emplace_back("broken off after a marker", "{\\rtf1{\\*\\cxs A}a\r\n{\\*\\cxs O}o\\cxds");
  // The common entries' outlines are read as they are found up to 32
  // strokes, longer ones otherwise.
  for (const int strokes : {32, 33, 41}) {
    std::string many_strokes = "KAT";
    for (int i = 1; i < strokes; ++i) many_strokes += "/KAT";
    files.emplace_back(std::to_string(strokes) + " strokes",
                       document("{\\*\\cxs A}a{\\*\\cxs " + many_strokes + "}b{\\*\\cxs O}o"));
  }
  files.emplace_back("broken off in an outline", "{\\rtf1{\\*\\cxs A}a{\\*\\cxs O");
  files.emplace_back("code page",
                     document("{\\*\\cxs A}a{\\*\\cxs O}\\'e0", "\\ansi\\ansicpg1251"));
  files.emplace_back("long",
                     document("{\\*\\cxs " + std::string(300, 'S') + "}" + std::string(600, 'x') +
                              "{\\*\\cxs A/" + std::string(100, 'A') + "}a"));
  for (auto& [name, rtf] : files) {
    WriteWholeFile(scratch.path("d.rtf"), rtf);
    EXPECT_EQ(describe_read(scratch.path("d.rtf"), false),
              describe_read(scratch.path("d.rtf"), true))
        << name;
  }
  const std::filesystem::path folder = std::filesystem::path(KELM_SHARED_DATA_DIR) / "rtf";
  if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no sample dictionaries in " << folder;
  for (const auto& file : std::filesystem::directory_iterator(folder)) {
    if (file.path().extension() != ".rtf") continue;
    const std::string path = file.path().string();
    EXPECT_EQ(describe_read(path, false), describe_read(path, true)) << path;
  }
}

}  // namespace
