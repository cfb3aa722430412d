#include "dictionary/open_steno_from_rtf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "dictionary/steno_dictionary_test_util.h"

namespace {

using namespace dictionary_test;

// The stylesheet a court reporter's dictionary declares; 4 to 6 are
// continuation styles.
constexpr const char* stylesheet =
    "{\\stylesheet{\\s0 Normal;}{\\s1 Question;}{\\s2 Answer;}{\\s3 Colloquy;}"
    "{\\s4 Continuation Q;}{\\s5 Continuation A;}{\\s6 Continuation Col;}{\\s7 Paren;}"
    "{\\s8 Centered;}}";

std::string dictionary_of(std::string_view entries) {
  return "{\\rtf1\\ansi\\cxdict{\\*\\cxrev100}{\\*\\cxsystem Fake Software}" +
         std::string(stylesheet) + "\r\n" + std::string(entries) + "\r\n}";
}

// The one entry "S" of a dictionary read by the library, in the
// translation language.
CJsonTranslation convert(std::string_view entry) {
  const std::string rtf = dictionary_of("{\\*\\cxs S}" + std::string(entry));
  const Loaded loaded = read_rtf(rtf);
  if (loaded.result != 0 || loaded.dictionary.GetCount() != 1)
    return {"(not read: " + std::to_string(loaded.result) + ")", 0};
  const CStenoDictionary::Translation t = loaded.dictionary.GetTranslation(0);
  return KelmJsonFromRtfEntry(t.text, t.flags, loaded.dictionary.GetExtras(0),
                              KelmReadRtfStyleNames(rtf));
}

struct ConversionCase {
  const char* rtf;  // the entry's translation as the file spells it
  std::string json;
  unsigned losses = 0;
};

void expect_conversions(std::span<const ConversionCase> cases) {
  for (const ConversionCase& c : cases) {
    const CJsonTranslation got = convert(c.rtf);
    EXPECT_EQ(c.json, got.text) << c.rtf;
    EXPECT_EQ(c.losses, got.losses) << c.rtf;
  }
}

// The open tools' own reading of these entries.
TEST(JsonFromRtfEntry, ReadsAsTheOpenToolsRead) {
  const ConversionCase cases[] = {
      {"", ""},
      {"translation", "translation"},
      {"\\-", "-"},
      {"\\\\ ", "\\ "},
      {"\\~", "{^ ^}"},
      {"test:\\line something", "test:\nsomething"},
      {"\\line", "\n"},
      {"\\tab", "\t"},
      {"{\\line at group start}", "\nat group start"},
      {"test text", "test text"},
      {"test  text", "test  text"},
      {"trans\\\r\nlation", "trans\n\nlation"},
      {"trans\\\r\n", "trans{^\n\n^}"},
      {"  t", "{^  ^}t"},
      {"t   ", "t{^   ^}"},
      {" t ", " t "},
      {"t t t  ", "t t t{^  ^}"},
      {"May, June,\r\n July", "May, June, July"},
      {"{\r\n\\*\\ignored I'm invisible}", "", rtfLossDestination},
      // Attaching.
      {"\\cxds", "{^}"},
      {"{\\cxds}", "{^}"},
      {"pre\\cxds ", "{pre^}"},
      {"{pre\\cxds}", "{pre^}"},
      {"pre\\cxds", "{pre^}"},
      {"\\cxds post", "{^post}"},
      {"{\\cxds post}", "{^post}"},
      {"\\cxds in\\cxds", "{^in^}"},
      {"\\cxds in\\cxds ", "{^in^}"},
      {"{\\cxds in\\cxds}", "{^in^}"},
      {"be\\cxds{\\*\\cxsvatdictentrydate\\yr2006\\mo5\\dy10}", "{be^}", rtfLossDestination},
      // Capitals.
      {"\\cxfc", "{-|}"},
      {"Mr.\\cxfc ", "Mr.{-|}"},
      {"\\cxfl", "{>}"},
      {"pre\\cxfl", "pre{>}"},
      {"{\\*\\cxsvatdictflags N}", "{-|}"},
      {"{\\*\\cxsvatdictflags LN1}", "{-|}", rtfLossFlags},
      // Paragraphs and styles.
      {"\\par", "{^\n\n^}"},
      {"{\\par test}", "{^\n\n^}test"},
      {"\\par\\s4", "{^\n\n    ^}", rtfLossStyle},
      {"\\s1", "{^\n\n^}", rtfLossStyle},
      {"\\par\\s1", "{^\n\n^}", rtfLossStyle},
      {"\\s1 Question", "{^\n\n^}Question", rtfLossStyle},
      {"\\s5 and so", "{^\n\n    ^}and so", rtfLossStyle},
      // Punctuation, in a group or alone.
      {".", "{.}"},
      {". ", "{.} "},
      {" . ", " . "},
      {"Mr.", "Mr."},
      {".attribute", ".attribute"},
      {"{\\cxp.}", "{.}"},
      {"{\\cxp .}", "{.}"},
      {"{\\cxp . }", "{.}"},
      {"{\\cxp .  }", "{.}"},
      {"{\\cxp !}", "{!}"},
      {"{\\cxp ?}", "{?}"},
      {"{\\cxp ,}", "{,}"},
      {"{\\cxp ;}", "{;}"},
      {"{\\cxp :}", "{:}"},
      {"{\\cxp -}", "{^-^}"},
      {"\\_", "{^-^}"},
      // Automatic text, stitches, fingerspelling.
      {"{\\cxa Q.}.", "Q..", rtfLossMarking},
      {"{\\cxfing c}", "{&c}"},
      {"\\cxfing Z.", "{&Z.}"},
      {"\\cxfing", ""},
      // Groups the open tools do not know.
      {"{\\nonexistent }", "", rtfLossFormatting},
      {"{\\nonexistent contents}", "contents", rtfLossFormatting},
      {"{\\nonexistent {\\cxp .}}", "{.}", rtfLossFormatting},
      {"{\\*\\nonexistent }", "", rtfLossDestination},
      {"{\\*\\nonexistent contents}", "", rtfLossDestination},
      {"{\\*\\nonexistent {\\cxp .}}", "", rtfLossDestination},
      {"{\\*\\cxcomment said twice}word", "word", rtfLossDestination},
      {"\\b bold\\b0", "bold", rtfLossFormatting},
      // Conflicts, unresolved and resolved.
      {"{\\cxconf [{\\cxc abc}]}", "[abc]", rtfLossConflict},
      {"{\\cxconf [{\\cxc abc}|{\\cxc def}]}", "[abc|def]", rtfLossConflict},
      {"{\\cxconf [{\\cxc abc}|{\\cxc def}|{\\cxc ghi}]}", "[abc|def|ghi]", rtfLossConflict},
      {"{\\cxconf [{\\cxc their}|{\\cxc there}|{\\cxc they're}]}", "[their|there|they're]",
       rtfLossConflict},
      {"{\\cxconf [{\\cxc \\par\\s4}|{\\cxc paragraph}]}", "[\n\n    |paragraph]",
       rtfLossConflict | rtfLossStyle},
      {"{\\cxconf {\\cxc their}{\\*\\deleted {\\cxc there}{\\cxc they're}}}", "their",
       rtfLossConflict},
      {"{\\cxconf {\\*\\deleted {\\cxc their}}{\\cxc there}{\\*\\deleted {\\cxc they're}}}",
       "there", rtfLossConflict},
      {"{\\cxconf {\\cxc \\par\\s4}{\\*\\deleted {\\cxc paragraph}}}", "{^\n\n    ^}",
       rtfLossConflict | rtfLossStyle},
      {"{\\cxconf {\\*\\deleted {\\cxc \\par\\s4}}{\\cxc paragraph}}", "paragraph",
       rtfLossConflict},
      // The open tools' own groups.
      {"{\\*\\cxplovermeta plover:focus}", "{plover:focus}"},
      {"{\\*\\cxplovermeta #Alt_L(Tab Tab)}", "{#Alt_L(Tab Tab)}"},
      {"{\\*\\cxplovermeta :retro_currency:$c}", "{:retro_currency:$c}"},
      {"{\\*\\cxplovermacro retrospective_delete_space}", "=retrospective_delete_space"},
      {"\\cxdstroke", "=undo"},
  };
  expect_conversions(cases);
}

// Where the library's reading of an entry keeps less than the open tools
// see in the file, the converter can give back only what it keeps: \_ is a
// hyphen, a \cxds inside the text attaches nothing, and a punctuation
// group is its mark (a hyphen alone is taken for the open tools' infix).
// The open tools' reading is in the comment.
TEST(JsonFromRtfEntry, GivesWhatTheLibraryKeeps) {
  const ConversionCase cases[] = {
      {"{\\nonexistent cont\\_ents}", "cont-ents", rtfLossFormatting},  // cont{^-^}ents
      {"pre\\cxds  ", "pre "},                                          // {pre^}
      {"{\\cxp '}", "'"},                                               // {^'}
      {"{\\cxp /}", "/"},                                               // {^/^}
      {"{\\cxp...  }", "..."},                                          // {^...  ^}
      {"{\\cxstit contents}", "contents"},  // the same, but the stitch is not counted
  };
  expect_conversions(cases);
}

// What the library holds that the open tools' reading of a file would not
// give: characters beyond Windows-1252, braces that are text, its own flags.
TEST(JsonFromRtfEntry, KeepsWhatTheLibraryHolds) {
  const ConversionCase cases[] = {
      {"caf\\'e9", "caf\xC3\xA9"},
      {"\\u945?", "\xCE\xB1"},
      {"x\\u945?y", "x\xCE\xB1y"},
      {"\\uc0\\u945 y", "\xCE\xB1y"},
      {"\\u-10179?\\u-8704?", "\xF0\x9F\x98\x80"},  // U+1F600 as a surrogate pair
      {"\\emdash   x", "\xE2\x80\x94  x"},
      {"\\{#Return\\}", "\\{#Return\\}"},
      {"\\\\\\{", "\\\\{"},
      {"{\\*\\cxplovermeta :retro_currency:\\{c\\}}", "{:retro_currency:{c}}"},
      {"\\cxkelmdictflags4096 x", "x", rtfLossFlags},
      {"\\cxkelmdictflags36864 x", "{^x}", rtfLossFlags},
  };
  expect_conversions(cases);
}

TEST(JsonFromRtfEntry, FlagsAroundTextAndKeptRtf) {
  const struct {
    std::string text;
    WORD flags;
    std::vector<CStenoDictionary::Extra> extras;
    std::string json;
  } cases[] = {
      {"in", suffix | prefix, {}, "{^in^}"},
      {"", suffix, {}, "{^}"},
      {"", prefix, {}, "{^}"},
      {"", suffix | capitalize, {}, "{^}{-|}"},
      {"pre", prefix | capitalize, {}, "{pre^}{-|}"},
      {"ing", suffix, {}, "{^ing}"},
      {"in law", suffix, {}, "{^in law}"},
      {"{P}x", suffix, {}, "{^}\n\nx"},
      {".", 0, {}, "{.}"},
      {"?!", 0, {}, "?!"},
      {"?", suffix, {}, "{^?}"},
      {"...", suffix, {}, "{^...}"},
      {"be", prefix, {{2, "{\\*\\cxcomment x}"}}, "{be^}"},
      {"post", suffix, {{0, "{\\*\\cxcomment x}"}}, "{^post}"},
      {"c", prefix, {{0, "{\\cxfing "}, {1, "}"}}, "{&c}{^}"},
      {"x", capitalize, {{1, "{\\*\\cxplovermeta #Return}"}}, "x{-|}{#Return}"},
      {"", 0, {{0, "{\\*\\cxplovermacro repeat_last_stroke}"}}, "=repeat_last_stroke"},
  };
  for (const auto& c : cases) {
    const std::string shown = c.text + " " + std::to_string(c.flags) + " " + describe(c.extras);
    EXPECT_EQ(c.json, KelmJsonFromRtfEntry(c.text, c.flags, c.extras).text) << shown;
  }
}

// Most entries, plain text with no extras, take a shorter way that must
// come to the same translation: an empty extra sends them the long way.
TEST(JsonFromRtfEntry, PlainTextTheShortWayAsTheLongWay) {
  const char* texts[] = {"",  "x",  "in law",  "  t",  "t  ",  " t ", ".",    ". ",   ",",  "?!",
                         "-", "--", "caf\xE9", "\x97", "\x81", "{P}", "\xA0", "a\\b", "{x}"};
  const WORD flags[] = {0,
                        suffix,
                        prefix,
                        suffix | prefix,
                        capitalize,
                        suffix | capitalize,
                        prefix | capitalize,
                        suffix | prefix | capitalize,
                        CTranFlags::AttachLetters};
  for (const char* text : texts)
    for (const WORD f : flags) {
      const CStenoDictionary::Extra nothing[] = {{std::strlen(text), ""}};
      const CJsonTranslation short_way = KelmJsonFromRtfEntry(text, f, {});
      const CJsonTranslation long_way = KelmJsonFromRtfEntry(text, f, nothing);
      EXPECT_EQ(long_way.text, short_way.text) << text << " " << f;
      EXPECT_EQ(long_way.losses, short_way.losses) << text << " " << f;
    }
}

// Bad RTF in what an entry keeps must not run the reading past its end.
TEST(JsonFromRtfEntry, TakesBrokenRtfWhole) {
  const struct {
    const char* rtf;
    std::string json;
  } cases[] = {
      {"{\\*\\cxplovermeta x", "{x}"},
      {"{\\cxp", "{^^}"},
      {"\\", ""},
      {"\\'4", "4"},
      {"}}}", ""},
      {"\\u", ""},
      {"{\\*", ""},
      {"\\u-1?", "\xEF\xBF\xBF"},
  };
  for (const auto& c : cases) {
    const CStenoDictionary::Extra extras[] = {{0, c.rtf}};
    EXPECT_EQ(c.json, KelmJsonFromRtfEntry("", 0, extras).text) << c.rtf;
  }
}

TEST(RtfStyleNames, ReadFromTheStylesheet) {
  const struct {
    std::string rtf;
    CRtfStyleNames styles;
  } cases[] = {
      {dictionary_of(""),
       {{0, "Normal"},
        {1, "Question"},
        {2, "Answer"},
        {3, "Colloquy"},
        {4, "Continuation Q"},
        {5, "Continuation A"},
        {6, "Continuation Col"},
        {7, "Paren"},
        {8, "Centered"}}},
      {"{\\rtf1{\\stylesheet{\\s0 Normal;}}{\\info{\\s1 Outside;}}}", {{0, "Normal"}}},
      {"{\\rtf1{\\stylesheet{\\s2\\sbasedon0\\fs24 Contin A;}{\\*\\cs9 x;}}}", {{2, "Contin A"}}},
      {"{\\rtf1{\\stylesheet{\\s3{\\*\\x y} Q\r\nA;}}}", {{3, "QA"}}},
      {"{\\rtf1\\ansi}", {}},
      {"{\\rtf1{\\stylesheet{\\s4 Cut", {{4, "Cut"}}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.styles, KelmReadRtfStyleNames(c.rtf)) << c.rtf;
}

// A dictionary keeps the stylesheet of the file it read, which comes after
// {\*\cxsystem ...} in the header and must not be taken for an entry's.
TEST(RtfStyleNames, KeptByTheDictionaryFromTheHeader) {
  const Loaded loaded = read_rtf(dictionary_of("{\\*\\cxs KWO*EPB}\\par\\s5 so"));
  ASSERT_EQ(0, loaded.result);
  EXPECT_EQ(KelmReadRtfStyleNames(dictionary_of("")), loaded.dictionary.GetStyleNames());
  const CStenoDictionary::Translation t = loaded.dictionary.GetTranslation(0);
  EXPECT_EQ("{^\n\n    ^}so", KelmJsonFromRtfEntry(t.text, t.flags, loaded.dictionary.GetExtras(0),
                                                   loaded.dictionary.GetStyleNames())
                                  .text);
}

// Every entry of a dictionary is converted whole or counted under each
// kind of what it lost, with its outline among the first shown.
TEST(RtfToJsonReport, CountsEachEntryUnderWhatItLost) {
  const std::string rtf = dictionary_of(
      "{\\*\\cxs KAT}cat\r\n"
      "{\\*\\cxs TKOG}\\par\\s1 dog\r\n"
      "{\\*\\cxs THR}{\\cxconf [{\\cxc their}|{\\cxc there}]}\r\n"
      "{\\*\\cxs PW}be\\cxds{\\*\\cxsvatdictentrydate\\yr2006}\r\n"
      "{\\*\\cxs SKWR}{\\cxa J.}\r\n"
      "{\\*\\cxs PWOLD}\\b bold\\b0\r\n"
      "{\\*\\cxs HR}\\cxkelmdictflags4096 L\r\n"
      "{\\*\\cxs KW}{\\cxconf [{\\cxc \\s2 A}|{\\cxc a}]}{\\*\\cxcomment x}\r\n"
      "{\\*\\cxs CIJMNQVXY}not steno\r\n"
      "{\\*\\cxs TEFT}{\\*\\cxplovermeta #Return}\\cxfc");
  const Loaded loaded = read_rtf(rtf);
  ASSERT_EQ(0, loaded.result);
  const CRtfToJsonReport report =
      KelmReportRtfToJson(loaded.dictionary, KelmReadRtfStyleNames(rtf));
  EXPECT_EQ(9u, report.GetEntries());
  EXPECT_EQ(2u, report.GetWhole());
  const struct {
    RtfToJsonLoss loss;
    std::vector<std::string> outlines;
  } kinds[] = {
      {rtfLossStyle, {"TKOG", "KW"}},
      {rtfLossConflict, {"THR", "KW"}},
      {rtfLossDestination, {"PW", "KW"}},
      {rtfLossMarking, {"SKWR"}},
      {rtfLossFlags, {"HR"}},
      {rtfLossFormatting, {"PWOLD"}},
  };
  for (const auto& k : kinds) {
    EXPECT_EQ(k.outlines.size(), report.GetKind(k.loss).entries) << k.loss;
    EXPECT_EQ(k.outlines, report.GetKind(k.loss).outlines) << k.loss;
  }
  EXPECT_EQ(std::vector<std::string>{"CIJMNQVXY"}, report.GetInvalid().outlines);
  EXPECT_EQ(
      "2 entries lost their styles (the paragraph break, and a continuation's indent, kept); "
      "first: TKOG KW\n"
      "2 entries lost their conflict marks (the alternatives kept as [a|b], those marked deleted "
      "left out); first: THR KW\n"
      "2 entries lost destinations the open tools drop ({\\*\\...} groups: comments, dates and "
      "the like); first: PW KW\n"
      "1 entry lost their stitch and automatic-text marks (the text kept); first: SKWR\n"
      "1 entry lost flags the translation language has no form for; first: HR\n"
      "1 entry lost RTF the translation language has no form for (formatting, unknown control "
      "words); first: PWOLD\n"
      "1 entry left out: their outlines are not steno, which JSON keys must be; first: CIJMNQVXY\n",
      report.Describe());
}

TEST(RtfToJsonReport, ShowsTheFirstOutlinesOfAKind) {
  CRtfToJsonReport report;
  for (int i = 0; i < 8; ++i) report.Count("S" + std::string(i, 'T'), i % 2 ? rtfLossStyle : 0u);
  report.Count("K", rtfLossStyle | rtfLossFlags);
  EXPECT_EQ(9u, report.GetEntries());
  EXPECT_EQ(4u, report.GetWhole());
  EXPECT_EQ(5u, report.GetKind(rtfLossStyle).entries);
  EXPECT_EQ((std::vector<std::string>{"ST", "STTT", "STTTTT", "STTTTTTT", "K"}),
            report.GetKind(rtfLossStyle).outlines);
  EXPECT_EQ(std::vector<std::string>{"K"}, report.GetKind(rtfLossFlags).outlines);
  EXPECT_FALSE(report.IsWhole());
  EXPECT_EQ("", CRtfToJsonReport().Describe());
  EXPECT_TRUE(CRtfToJsonReport().IsWhole());
}

// The sample dictionaries, all written by the open tools, lose nothing but
// their invalid outlines; the counts hold together either way.
TEST(RtfToJsonReport, TheRealDictionaries) {
  const std::filesystem::path folder = std::filesystem::path(KELM_SHARED_DATA_DIR) / "rtf";
  if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no sample dictionaries in " << folder;
  const struct {
    const char* file;
    std::size_t entries, whole, invalid;
  } cases[] = {
      {"myrrhens-theory_main.rtf", 7776, 7776, 0},
      {"stenodict_uk.rtf", 2357, 2357, 2},
      {"volensia_phoenix_word_parts.rtf", 2160, 2160, 0},
      {"myrrhens-theory_hotkeys.rtf", 109, 109, 0},
      {"stanographer_new-entries.rtf", 80, 80, 0},
      {"w-rtf-cre-editor_example.rtf", 42, 42, 1},
  };
  for (const auto& c : cases) {
    const std::string path = (folder / c.file).string();
    const Loaded loaded = read_file(path);
    ASSERT_EQ(0, loaded.result) << c.file;
    const CRtfToJsonReport report =
        KelmReportRtfToJson(loaded.dictionary, KelmReadRtfStyleNames(ReadWholeFile(path)));
    EXPECT_EQ(c.entries, report.GetEntries()) << c.file;
    EXPECT_EQ(c.whole, report.GetWhole()) << c.file;
    EXPECT_EQ(c.invalid, report.GetInvalid().entries) << c.file;
    std::size_t counted = 0;
    for (std::size_t k = 0; k < kRtfToJsonLossKinds; ++k) {
      const CRtfToJsonReport::Kind& kind = report.GetKind(static_cast<RtfToJsonLoss>(1u << k));
      EXPECT_LE(kind.entries, report.GetEntries() - report.GetWhole()) << c.file << " " << k;
      EXPECT_EQ(std::min(kind.entries, CRtfToJsonReport::nOutlinesShown), kind.outlines.size())
          << c.file << " " << k;
      counted += kind.entries;
    }
    EXPECT_GE(counted, report.GetEntries() - report.GetWhole()) << c.file;
  }
}

std::string json_of(const CStenoDictionary& dictionary) {
  CMemFile file;
  dictionary.WriteJson(file);
  std::string bytes(static_cast<std::size_t>(file.GetLength()), '\0');
  file.SeekToBegin();
  file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  return bytes;
}

// Plain translations that the open tools' reading of RTF/CRE spells
// otherwise come back as they were, from JSON and through RTF/CRE.
TEST(RtfToJsonReport, JsonSpellingsTheReadingChangesComeBack) {
  const char* translations[] = {". ", "  at anatomy", "x  ", "   ", ",  ", " . ", "{^-^}",
                                "-",  "\\n\\n",       "{.}", ".",   "a  b"};
  const ScratchFolder scratch;
  for (const char* translation : translations) {
    const std::string json = std::string("{\n\"S\": \"") + translation + "\"\n}\n";
    WriteWholeFile(scratch.path("d.json"), json);
    const Loaded read = read_file(scratch.path("d.json"));
    ASSERT_EQ(0, read.result) << translation;
    EXPECT_EQ(json, json_of(read.dictionary)) << translation;
    ASSERT_EQ(0, read.dictionary.Write(scratch.path("d.rtf").c_str())) << translation;
    const Loaded through = read_file(scratch.path("d.rtf"));
    EXPECT_EQ(json, json_of(through.dictionary)) << translation;
  }
}

// A JSON dictionary written as RTF/CRE and read back converts to the same
// JSON, entry for entry, with nothing reported lost: characters beyond
// Windows-1252, numbers, and key combinations and other commands.
TEST(RtfToJsonReport, JsonThroughRtfComesBackTheSame) {
  const std::filesystem::path folder = std::filesystem::path(KELM_SHARED_DATA_DIR) / "json";
  if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no open steno dictionaries in " << folder;
  const ScratchFolder scratch;
  for (const char* file :
       {"didoesdigital_emoji.json", "didoesdigital_numbers.json", "didoesdigital_modifiers.json"}) {
    const Loaded json = read_file((folder / file).string());
    ASSERT_EQ(0, json.result) << file;
    ASSERT_EQ(0, json.dictionary.Write(scratch.path("d.rtf").c_str())) << file;
    const Loaded rtf = read_file(scratch.path("d.rtf"));
    ASSERT_EQ(0, rtf.result) << file;
    ASSERT_EQ(json.dictionary.GetCount(), rtf.dictionary.GetCount()) << file;
    const CRtfToJsonReport report = KelmReportRtfToJson(rtf.dictionary);
    EXPECT_TRUE(report.IsWhole()) << file << "\n" << report.Describe();
    CMemFile direct, through;
    EXPECT_EQ(0u, json.dictionary.WriteJson(direct)) << file;
    EXPECT_EQ(0u, rtf.dictionary.WriteJson(through)) << file;
    EXPECT_EQ(direct.GetLength(), through.GetLength()) << file;
    std::string a(static_cast<std::size_t>(direct.GetLength()), '\0'), b(a.size(), '\0');
    direct.SeekToBegin();
    through.SeekToBegin();
    direct.Read(a.data(), static_cast<UINT>(a.size()));
    through.Read(b.data(), static_cast<UINT>(std::min<ULONGLONG>(b.size(), through.GetLength())));
    EXPECT_TRUE(a == b) << file;
  }
}

}  // namespace
