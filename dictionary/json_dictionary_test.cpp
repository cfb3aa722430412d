#include "dictionary/steno_dictionary.h"
#include "dictionary/steno_dictionary_sqlite.h"
#include "dictionary/steno_dictionary_test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

namespace {

using namespace dictionary_test;

Loaded read_json(std::string_view json) {
  const ScratchFolder folder;
  WriteWholeFile(folder.path("d.json"), json);
  return read_file(folder.path("d.json"));
}

std::string write_json(const CStenoDictionary& dictionary) {
  const ScratchFolder folder;
  EXPECT_EQ(0, dictionary.Write(folder.path("w.json").c_str()));
  return ReadWholeFile(folder.path("w.json"));
}

// The dictionary written as RTF/CRE and read back.
Loaded through_rtf(const CStenoDictionary& dictionary) { return read_rtf(write_rtf(dictionary)); }

// Translations by outline keys (or the outline, when the notation does not
// take it), as another JSON parser reads the file; the last of duplicates
// wins.
std::map<std::string, std::string> values_of(const std::string& json) {
  std::map<std::string, std::string> values;
  const nlohmann::json parsed = nlohmann::json::parse(json);
  for (const auto& [outline, translation] : parsed.items()) {
    std::string keys;
    const bool valid = outline.back() != '/' && CSteno::ReadRtfKeys(outline, 0, keys) == 0;
    values[valid ? keys : "invalid " + outline] = translation.get<std::string>();
  }
  return values;
}

std::string entry(std::string_view outline, std::string_view translation) {
  return "{\n\"" + std::string(outline) + "\": \"" + std::string(translation) + "\"\n}\n";
}

struct TranslationCase {
  const char* json;  // the translation as the JSON file spells it
  std::string text;
  WORD flags;
  const char* extras;
};

// A row a construct of the translation language: what it reads into, that
// RTF/CRE gives it back the same, and that JSON gives back its spelling.
TEST(JsonDictionary, EachConstructReadsWritesAndReadsBack) {
  const TranslationCase cases[] = {
      {"cat", "cat", 0, ""},
      {"{^}", "", suffix | prefix, ""},
      {"{^ing}", "ing", suffix, ""},
      {"{re^}", "re", prefix, ""},
      {"{^-^}", "-", suffix | prefix, ""},
      {"{^ ^}", "\xA0", suffix | prefix, ""},
      {"{^al^}", "al", suffix | prefix, ""},
      {"Mr.{-|}", "Mr.", capitalize, ""},
      {"{-|}", "", capitalize, ""},
      {"{^}{-|}", "", suffix | prefix | capitalize, ""},
      {"{>}", "", 0, "0:\\cxfl"},
      {"{>}word", "word", 0, "0:\\cxfl"},
      {"{&b}", "b", 0, "0:{\\cxfing |1:}"},
      {"{.}", ".", suffix | capitalize, ""},
      {"{!}", "!", suffix | capitalize, ""},
      {"{?}", "?", suffix | capitalize, ""},
      {"{,}", ",", suffix, ""},
      {"{:}", ":", suffix, ""},
      {"{;}", ";", suffix, ""},
      {"a\\nb", "a\nb", 0, ""},
      {"a\\n\\nb", "a{P}b", 0, ""},
      {"a\\tb", "a\tb", 0, ""},
      {"=undo", "", 0, "0:\\cxdstroke"},
      {"\\\\{braces\\\\}", "{braces}", 0, ""},
      {"{PLOVER:TOGGLE}", "", 0, "0:{\\*\\cxplovermeta PLOVER:TOGGLE}"},
      {"{#Return}", "", 0, "0:{\\*\\cxplovermeta #Return}"},
      {"{:retro_case:cap_first_word}", "", 0, "0:{\\*\\cxplovermeta :retro_case:cap_first_word}"},
      {"{*}", "", 0, "0:{\\*\\cxplovermeta *}"},
      {"{*!}", "", 0, "0:{\\*\\cxplovermeta *!}"},
      {"{*?}", "", 0, "0:{\\*\\cxplovermeta *?}"},
      {"{*+}", "", 0, "0:{\\*\\cxplovermeta *+}"},
      {"=repeat_last_stroke", "", 0, "0:{\\*\\cxplovermacro repeat_last_stroke}"},
      {"=macro:a{b}", "", 0, "0:{\\*\\cxplovermacro macro:a\\{b\\}}"},
      {"a{#Control_L(c)}b", "ab", 0, "1:{\\*\\cxplovermeta #Control_L(c)}"},
      {"caf\xC3\xA9", "caf\xE9", 0, ""},
      {"\xE2\x82\xAC", "\x80", 0, ""},
      {"\xE2\x98\x83", "?", 0, "0:\\u9731"},
      {"\xF0\x9F\x99\x82!", "?!", 0, "0:\\u-10179?\\u-8638"},
      {"{#\xE2\x98\x83}", "", 0, "0:{\\*\\cxplovermeta #\\u9731?}"},
      // What would not write back as spelled keeps its spelling.
      {"word{.}", "word.", 0, "0:{\\*\\cxkelmjson word\\{.\\}}"},
      {"a{^}b", "ab", 0, "1:{\\*\\cxplovermeta ^}"},
      {".", ".", 0, "0:{\\*\\cxkelmjson .}"},
      {"{.}{-|}", ".", suffix | capitalize, "0:{\\*\\cxkelmjson \\{.\\}\\{-|\\}}"},
      {"{^.}", ".", suffix, ""},
      {"{-|}word", "word", 0, "0:{\\*\\cxplovermeta -|}"},
      {"{^}word", "word", suffix, "0:{\\*\\cxkelmjson \\{^\\}word}"},
  };
  for (const TranslationCase& c : cases) {
    const Loaded loaded = read_json(entry("KAT", c.json));
    ASSERT_EQ(0, loaded.result) << c.json << ": "
                                << loaded.dictionary.GetErrorText(loaded.result).View();
    ASSERT_EQ(1u, loaded.dictionary.GetCount()) << c.json;
    const CStenoDictionary::Translation t = loaded.dictionary.GetTranslation(0);
    EXPECT_EQ(c.text, t.text) << c.json;
    EXPECT_EQ(c.flags, t.flags.GetUShort()) << c.json;
    std::string extras = describe(loaded.dictionary.GetExtras(0));
    std::erase(extras, '|');
    std::string wanted = c.extras;
    std::erase(wanted, '|');
    EXPECT_EQ(wanted, extras) << c.json;
    const Loaded back = through_rtf(loaded.dictionary);
    ASSERT_EQ(0, back.result) << c.json;
    EXPECT_EQ(describe(loaded.dictionary), describe(back.dictionary)) << c.json;
    EXPECT_EQ(entry("KAT", c.json), write_json(back.dictionary)) << c.json;
  }
}

// The RTF/CRE reader's terms for the same constructs are what the JSON ones
// read into, so that both translate alike.
TEST(JsonDictionary, ReadsAsTheEquivalentRtf) {
  const struct {
    const char* json;
    const char* rtf;
  } cases[] = {
      {"{^ing}", "\\cxds ing"},
      {"{re^}", "re\\cxds "},
      {"{^}", "\\cxds "},
      {"Mr.{-|}", "Mr.\\cxfc "},
      {"{>}", "\\cxfl"},
      {"{&b}", "{\\cxfing b}"},
      {"{.}", "{\\cxp .}"},
      {"{?}", "{\\cxp ?}"},
      {"{,}", "{\\cxp ,}"},
      {"{^ ^}", "\\cxds\\~\\cxds"},
      {"{^-^}", "\\cxds\\_\\cxds"},
      {"a\\nb", "a\\line b"},
      {"a\\n\\nb", "a\\par b"},
      {"a\\tb", "a\\tab b"},
      {"=undo", "\\cxdstroke"},
      {"\\\\{x\\\\}", "\\{x\\}"},
      {"{#Return}", "{\\*\\cxplovermeta #Return}"},
      {"=a:b", "{\\*\\cxplovermacro a:b}"},
  };
  for (const auto& c : cases) {
    const Loaded json = read_json(entry("KAT", c.json));
    const Loaded rtf = read_rtf(document(std::string("{\\*\\cxs KAT}") + c.rtf));
    ASSERT_EQ(0, json.result) << c.json;
    ASSERT_EQ(0, rtf.result) << c.rtf;
    EXPECT_EQ(describe(rtf.dictionary), describe(json.dictionary)) << c.json << " / " << c.rtf;
  }
}

TEST(JsonDictionary, OutlinesInEveryNotationDuplicatesAndEncodings) {
  // "6" and "-6", "18" and "1-8" are one outline each; the later wins.
  Loaded loaded = read_json(
      "{\"6\": \"a\", \"-6\": \"b\", \"18\": \"c\", \"1-8\": \"d\", "
      "\"KAT/-S\": \"e\"}");
  ASSERT_EQ(0, loaded.result);
  EXPECT_EQ(3u, loaded.dictionary.GetCount());
  EXPECT_EQ(2u, loaded.dictionary.GetDuplicateCount());
  EXPECT_EQ("b", loaded.dictionary.Lookup(CSteno(CString("-6"), 0))->text);
  EXPECT_EQ("d", loaded.dictionary.Lookup(CSteno(CString("1-8"), 0))->text);
  // Not UTF-8: every byte is a character of Windows-1252.
  loaded = read_json("{\"KAT\": \"caf\xE9 \x80\"}");
  ASSERT_EQ(0, loaded.result);
  EXPECT_EQ("caf\xE9 \x80", loaded.dictionary.GetTranslation(0).text);
  EXPECT_EQ(entry("KAT", "caf\xC3\xA9 \xE2\x82\xAC"), write_json(loaded.dictionary));
  // A byte-order mark and blanks before the object.
  loaded = read_json("\xEF\xBB\xBF \n {\n  \"KAT\" : \"cat\" } \n");
  ASSERT_EQ(0, loaded.result);
  EXPECT_EQ("cat", loaded.dictionary.GetTranslation(0).text);
  loaded = read_json("{}");
  EXPECT_EQ(0, loaded.result);
  EXPECT_EQ("{}\n", write_json(loaded.dictionary));
}

// Strings are taken from the file's bytes as they stand when they hold no
// escape, and through the parser's unescaping otherwise: every layout of
// blanks and line breaks, and escapes in outlines and translations, read
// into the same dictionary.
TEST(JsonDictionary, EveryLayoutAndEscapeReadsAlike) {
  const std::string want =
      "{\"KAT\": \"cat\", \"KAT/-S\": \"{^s}\", \"TKOG\": \"\", \"S-P\": \" \", "
      "\"STPH\": \"a \\\"b\\\"\", \"-T\": \"the\"}";
  const Loaded wanted = read_json(want);
  ASSERT_EQ(0, wanted.result);
  ASSERT_EQ(6u, wanted.dictionary.GetCount());
  const struct {
    const char* name;
    std::string json;
  } cases[] = {
      {"compact",
       R"({"KAT":"cat","KAT/-S":"{^s}","TKOG":"","S-P":" ","STPH":"a \"b\"","-T":"the"})"},
      {"one a line",
       "{\n\"KAT\": \"cat\",\n\"KAT/-S\": \"{^s}\",\n\"TKOG\": \"\",\n\"S-P\": \" \",\n"
       "\"STPH\": \"a \\\"b\\\"\",\n\"-T\": \"the\"\n}\n"},
      {"blanks, tabs and CR LF around every token",
       "{ \r\n\t\"KAT\" \t: \t\"cat\" \r\n, \"KAT/-S\" :\"{^s}\"\t,\"TKOG\"\r\n:\r\n\"\"\r\n,"
       " \"S-P\" : \" \" , \"STPH\": \"a \\\"b\\\"\" ,\"-T\":\"the\"  \r\n}\r\n"},
      {"escaped outlines",
       R"({"\u004BAT":"cat","KAT\/-S":"{^s}","TKO\u0047":"","S-P":" ","STPH":"a \"b\"","-\u0054":"the"})"},
      {"escaped translations",
       R"({"KAT":"c\u0061t","KAT/-S":"{^\u0073}","TKOG":"","S-P":"\u0020","STPH":"a \u0022b\"","-T":"th\u0065"})"},
  };
  for (const auto& c : cases) {
    const Loaded got = read_json(c.json);
    ASSERT_EQ(0, got.result) << c.name;
    EXPECT_EQ(describe(wanted.dictionary), describe(got.dictionary)) << c.name;
  }
}

TEST(JsonDictionary, InvalidOutlinesAreKeptInTheirPlaces) {
  const Loaded loaded =
      read_json("{\n\"KAT\": \"cat\",\n\"KAT/\": \"{^x}\",\n\"K\xFFT\": \"y\"\n}");
  ASSERT_EQ(0, loaded.result);
  EXPECT_EQ(1u, loaded.dictionary.GetCount());
  const std::vector<CStenoDictionary::InvalidOutline>& invalid =
      loaded.dictionary.GetInvalidOutlines();
  ASSERT_EQ(2u, invalid.size());
  EXPECT_EQ(3u, invalid[0].line);
  EXPECT_EQ("KAT/", invalid[0].text);
  EXPECT_EQ(4u, invalid[1].line);
  EXPECT_EQ("K\xFFT", invalid[1].text);
  const std::string json = "{\n\"K\xC3\xBFT\": \"y\",\n\"KAT\": \"cat\",\n\"KAT/\": \"{^x}\"\n}\n";
  EXPECT_EQ(json, write_json(loaded.dictionary));
  EXPECT_EQ(json, write_json(through_rtf(loaded.dictionary).dictionary));
}

// What each bad file is refused with, and where; the dictionary keeps what it
// held before.
TEST(JsonDictionary, BadFilesAreRefusedWithTheirPlace) {
  const struct {
    const char* name;
    std::string json;
    long code;
    unsigned long line, column;
  } cases[] = {
      {"truncated in a string", "{\n\"KAT\": \"cat\",\n\"TKOG\": \"do",
       CStenoDictionary::errorJsonSyntax, 3, 12},
      {"truncated after a comma", "{\n\"KAT\": \"cat\",\n", CStenoDictionary::errorJsonSyntax, 3,
       1},
      {"a number", "{\"KAT\": \"cat\",\n  \"TKOG\": 5}", CStenoDictionary::errorJsonNotString, 2,
       11},
      {"an object", "{\"KAT\": {\"a\": \"b\"}}", CStenoDictionary::errorJsonNotString, 1, 9},
      {"deep nesting", "{\"KAT\": " + std::string(100000, '[') + std::string(100000, ']') + "}",
       CStenoDictionary::errorJsonNotString, 1, 9},
      {"a 50 MB string", "{\n\"KAT\": \"" + std::string(50 << 20, 'a') + "\"}",
       CStenoDictionary::errorJsonTooLong, 2, 8},
      {"a control character", "{\"KAT\": \"c\x01t\"}", CStenoDictionary::errorJsonSyntax, 1, 11},
      // The parser finds what follows the object only at the end.
      {"after the object", "{\"KAT\": \"cat\"} \"x\"", CStenoDictionary::errorJsonSyntax, 1, 19},
      {"a missing colon", "{\"KAT\" \"cat\"}", CStenoDictionary::errorJsonSyntax, 1, 8},
      {"a bad escape", "{\"KAT\": \"\\q\"}", CStenoDictionary::errorJsonSyntax, 1, 9},
      {"a bad escape in an outline", "{\"KAT\": \"cat\",\n\"K\\qT\": \"x\"}",
       CStenoDictionary::errorJsonSyntax, 2, 1},
      {"a number after blanks", "{\"KAT\":  \t 5 }", CStenoDictionary::errorJsonNotString, 1, 12},
  };
  for (const auto& c : cases) {
    const ScratchFolder folder;
    WriteWholeFile(folder.path("d.json"), c.json);
    CStenoDictionary dictionary;
    dictionary.Set(bytes_of(keys_of("SKWR")), "held", 0);
    const std::string before = describe(dictionary);
    const long result = dictionary.Read(folder.path("d.json").c_str());
    EXPECT_EQ(c.code, result) << c.name;
    EXPECT_EQ(c.line, dictionary.GetErrorLine()) << c.name;
    EXPECT_EQ(c.column, dictionary.GetErrorColumn()) << c.name;
    EXPECT_EQ(before, describe(dictionary)) << c.name;
    EXPECT_TRUE(dictionary.Lookup(CSteno(CString("SKWR"), 0))) << c.name;
    const std::string text(dictionary.GetErrorText(result).View());
    EXPECT_NE(std::string::npos, text.find("line " + std::to_string(c.line))) << c.name << text;
  }
  EXPECT_EQ(CStenoDictionary::errorNotRtf, read_json("[\"KAT\"]").result);
  EXPECT_EQ(CStenoDictionary::errorNotRtf, read_json("{5: \"a\"}").result);
}

// Every entry of a real dictionary reads back the same from RTF/CRE and from
// SQLite, and writes as JSON with every translation as the file spells it,
// as another JSON parser reads both.
void round_trip(const std::filesystem::path& file) {
  const std::string path = file.string();
  const Loaded loaded = read_file(path);
  ASSERT_EQ(0, loaded.result) << path;
  const std::string json = write_json(loaded.dictionary);
  EXPECT_EQ(values_of(ReadWholeFile(path)), values_of(json)) << path;
  const Loaded rtf = through_rtf(loaded.dictionary);
  ASSERT_EQ(0, rtf.result) << path;
  EXPECT_EQ(describe(loaded.dictionary), describe(rtf.dictionary)) << path;
  EXPECT_EQ(json, write_json(rtf.dictionary)) << path;
  const ScratchFolder scratch;
  CString why;
  ASSERT_EQ(0, KelmWriteDictionaryTable(loaded.dictionary, scratch.path("d.sqlite").c_str(), &why))
      << path << why.View();
  CStenoDictionary table;
  ASSERT_EQ(0, KelmReadDictionaryTable(table, scratch.path("d.sqlite").c_str(), &why)) << path;
  EXPECT_EQ(describe(loaded.dictionary), describe(table)) << path;
  EXPECT_EQ(json, write_json(table)) << path;
}

// The two large files take a minute under the sanitizers: they run where
// KELM_LONG_TESTS is set, as the CTest test labelled "long" sets it.
bool is_large(const std::filesystem::path& file) {
  const std::string name = file.filename().string();
  return name == "didoesdigital_dict.json" || name == "didoesdigital_emoji.json";
}

void round_trip_real(bool large) {
  const std::filesystem::path folder = std::filesystem::path(KELM_SHARED_DATA_DIR) / "json";
  if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no JSON dictionaries in " << folder;
  for (const auto& file : std::filesystem::directory_iterator(folder))
    if (file.path().extension() == ".json" && is_large(file.path()) == large)
      round_trip(file.path());
}

TEST(JsonDictionary, TheRealDictionariesRoundTrip) { round_trip_real(false); }

TEST(JsonDictionary, TheLargeRealDictionariesRoundTrip) {
  if (std::getenv("KELM_LONG_TESTS") == nullptr) GTEST_SKIP() << "KELM_LONG_TESTS is not set";
  round_trip_real(true);
}

}  // namespace

namespace {

// A mapped file is parsed in place when the rest of its last page holds the
// parser's padding, else copied: files that end at each side of that bound
// read alike.
TEST(JsonDictionary, FilesEndingNearAPageEndReadAlike) {
  for (const std::size_t size : {4096u, 4095u, 4033u, 4032u, 4031u, 8192u, 100u}) {
    const std::string head = "{\"KAT\": \"";
    const std::string tail = "\"}";
    const std::string json = head + std::string(size - head.size() - tail.size(), 'a') + tail;
    ASSERT_EQ(size, json.size());
    const Loaded loaded = read_json(json);
    ASSERT_EQ(0, loaded.result) << size;
    EXPECT_EQ(std::string(size - head.size() - tail.size(), 'a'),
              loaded.dictionary.GetTranslation(0).text)
        << size;
  }
}

}  // namespace
