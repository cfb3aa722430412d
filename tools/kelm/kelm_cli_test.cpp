// Runs the built kelm command as a user would, and checks what it writes to
// each stream and how it exits.

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "exit_status.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "testing/cli_runner.h"

namespace {

using namespace kelm_cli;
// CLI11's closing line under every usage error.
constexpr char usage_error[] = "Run with --help for more information.";

// The home of the runs whose settings are all defaults.
const ScratchFolder& untouched_home() {
  static const ScratchFolder home;
  return home;
}

using ::expect_runs;
void expect_runs(const std::vector<std::string>& command, const std::vector<KelmRun>& runs) {
  expect_runs(command, runs, untouched_home());
}

// Columns of the spaced notation: 24 blanks but for the keys given.
std::string columns(std::initializer_list<std::pair<int, char>> keys) {
  std::string text(24, ' ');
  for (const auto& [column, key] : keys) text[column] = key;
  return text;
}

// A text that does not read must point at the character at fault, counted in
// characters and shown as typed; the other outlines are still written.
TEST(KelmStroke, ShowWritesEachNotationAndPointsAtFaults) {
  expect_runs(
      {"stroke", "show"},
      {
          {{"kat"}, exit_ok, "KA-T\n", ""},
          {{"--", "-S"}, exit_ok, "-S\n", ""},
          {{""}, exit_ok, "\n", ""},
          {{"--format", "spaced", "KAT/-S"},
           exit_ok,
           columns({{4, 'K'}, {9, 'A'}, {20, 'T'}}) + "/" + columns({{21, 'S'}}) + "\n",
           ""},
          {{"--format", "RTF", "@#5-9"}, exit_ok, "!,#5-9\n", ""},
          {{"--format", "hex", "KAT/-S"}, exit_ok, "084008000004\n", ""},
          {{"--grandjean", "YO"}, exit_ok, "Y-O\n", ""},
          {{"--grandjean", "--format", "rtf", "YO"}, exit_ok, "-YO\n", ""},
          {{"STx"}, exit_bad_input, "", "character 3 is not in the notation\n  STx\n    ^\n"},
          {{"SS"}, exit_bad_input, "", "character 2 repeats a key\n  SS\n   ^\n"},
          {{"KAT/S T"},
           exit_bad_input,
           "",
           "character 6 is not in the notation\n  KAT/S T\n       ^\n"},
          {{"K\xC3\x84T"},
           exit_bad_input,
           "",
           "character 2 is not in the notation\n  K\xC3\x84T\n   ^\n"},
          {{"KAT", "STx", "TKOG"},
           exit_bad_input,
           "KA-T\nTKO-G\n",
           "character 3 is not in the notation\n  STx\n"},
      });
}

// K- A -T -S, internal bytes 08 40 0C, in each writer's packet. Stentura's
// two high bits mark the bytes of a packet and carry no key. Bytes that make
// no whole packet are skipped and said with their offset; the strokes around
// them still come, and only a run with nothing but skips fails.
TEST(KelmStroke, DecodeReadsEachWritersPacketsAndEncodeWritesSten8000) {
  const ScratchFolder folder;
  WriteWholeFile(folder.path("capture"), "\xC2\xC4\xC0\xCC\xC0\xC0\xC0\xC1");
  WriteWholeFile(folder.path("empty"), "");
  const std::string missing = folder.path("missing");
  expect_runs({"stroke", "decode", "--writer"},
              {
                  {{"stentura", "C2", "C4", "C0", "CC"}, exit_ok, "KA-TS 08400C\n", ""},
                  {{"sten8000", "21 00 30"}, exit_ok, "KA-TS 08400C\n", ""},
                  {{"sten8000", "0x21", "0x00", "0X30"}, exit_ok, "KA-TS 08400C\n", ""},
                  {{"flash", "08400C"}, exit_ok, "KA-TS 08400C\n", ""},
                  {{"flash", "08 40 08"}, exit_ok, "KA-T 084008\n", ""},
                  {{"Merit", "00100230"}, exit_ok, "KA-TS 08400C\n", ""},
                  {{"geminipr", "800820000600"}, exit_ok, "KA-TS 08400C\n", ""},
                  // The last stroke ends with the input, as with a quiet line.
                  {{"txbolt", "04 42 C3 15 41"}, exit_ok, "KA-TS 08400C\nSKWR 2A8000\n", ""},
                  // A packet without a key is no stroke.
                  {{"flash", "000000"}, exit_ok, "", ""},
                  {{"stentura", "--file", folder.path("capture")},
                   exit_ok,
                   "KA-TS 08400C\n-Z 000001\n",
                   ""},
                  {{"stentura", "--file", folder.path("empty")}, exit_ok, "", ""},
                  {{"stentura", "C2C4C0CC", "C0C0"},
                   exit_ok,
                   "KA-TS 08400C\n",
                   "kelm stroke decode: skipped 2 bytes at offset 4\n"},
                  // A byte lost from a Gemini PR packet loses that stroke only.
                  {{"geminipr", "800820000600 8008200006 800000000001 12"},
                   exit_ok,
                   "KA-TS 08400C\n-Z 000001\n",
                   "kelm stroke decode: skipped 5 bytes at offset 6\n"
                   "kelm stroke decode: skipped 1 byte at offset 17\n"},
                  {{"geminipr", "0820000400"}, exit_bad_input, "", "skipped 5 bytes at offset 0"},
                  {{"flash", "C0", "0xG1"}, exit_bad_input, "", "\"0xG1\""},
                  {{"flash", "C0C"}, exit_bad_input, "", "\"C0C\" is not a whole number"},
                  {{"flash", "--file", missing}, exit_bad_input, "", missing},
                  {{"flash", "--file", folder.path("")}, exit_bad_input, "", "Is a directory"},
              });
  // Standard input, as from a pipe.
  expect_outcome(run_kelm({"stroke", "decode", "--writer", "stentura", "--file", "-"},
                          untouched_home(), folder.path("capture")),
                 exit_ok, "KA-TS 08400C\n-Z 000001\n", "", "--file - < capture");
  expect_runs({"stroke", "encode", "--writer", "sten8000"},
              {
                  {{"KAT/-S", "@", "#"}, exit_ok, "21 00 20 00 00 10\n00 00 01\n00 00 02\n", ""},
                  {{""}, exit_ok, "\n", ""},
                  {{"KAT", "SS"}, exit_bad_input, "21 00 20\n", "character 2 repeats a key"},
              });
}

TEST(Kelm, WrongCommandLinesExitWithTwoAndHelpWithZero) {
  const std::vector<std::string> wrong[] = {
      {},
      {"frobnicate"},
      {"stroke"},
      {"stroke", "show"},
      {"stroke", "show", "--format", "braille", "KAT"},
      {"stroke", "decode", "C0C0C0C0"},
      {"stroke", "decode", "--writer", "typewriter", "C0C0C0C0"},
      {"stroke", "decode", "--writer", "stentura", "--file", "capture", "C0C0C0C0"},
      {"stroke", "encode", "--writer", "stentura", "KAT"},
      {"settings"},
      {"settings", "list", "UserDir"},
      {"join"},
      {"join", "--no-such-flag", "the"},
      {"format", "weekday", "1"},
      {"format", "ssn", "--dash", "123456789"},
      {"conflict", "make", "a", "b", "c", "d", "e", "f"},
      {"conflict", "get", "[a|b]", "one"},
      {"flags"}};
  for (const auto& args : wrong) expect_runs(args, {{{}, exit_usage, "", usage_error}});
  const std::pair<std::vector<std::string>, std::string> helps[] = {
      {{"--help"}, "stroke"},
      {{"stroke", "--help"}, "decode"},
      {{"stroke", "show", "--help"}, "--grandjean=false"},
      {{"settings", "set", "--help"}, "0x hex"},
      {{"join", "--help"}, "--space-in-front"},
      {{"format", "date", "--help"}, "--dash"},
      {{"conflict", "get", "--help"}, "negative"}};
  for (const auto& [args, mentions] : helps) {
    const Outcome got = run_kelm(args, untouched_home());
    EXPECT_EQ(exit_ok, got.status) << joined(args);
    EXPECT_NE(std::string::npos, got.out.find(mentions)) << joined(args) << "\n" << got.out;
    EXPECT_EQ("", got.err) << joined(args);
  }
}

// In order, on a hive of the test's own: refused values leave the stored
// ones alone, and stroke show takes its keyboard from the hive unless told.
TEST(KelmSettings, SetGetListAndTheGrandJeanSwitch) {
  const ScratchFolder home;
  expect_runs(
      {},
      {
          {{"settings", "set", "Build", "abc"}, exit_bad_input, "", "Build takes a whole number"},
          {{"settings", "set", "GrandJean", "-1"}, exit_bad_input, "", "not \"-1\""},
          {{"settings", "set", "Patch", "4294967296"}, exit_bad_input, "", "not \"4294967296\""},
          {{"settings", "set", "Patch", "0x100000000"}, exit_bad_input, "", "not \"0x100000000\""},
          {{"settings", "set", "UsageProfile", "two"},
           exit_bad_input,
           "",
           "UsageProfile takes a whole number"},
          {{"settings", "get", "Nope"}, exit_bad_input, "", "no setting \"Nope\""},
          {{"settings", "get", "UsageProfile"}, exit_bad_input, "", "UsageProfile is not set"},
          {{"settings", "get", "Build"}, exit_ok, "0\n", ""},
          {{"settings", "set", "UserDir", "D:\\R\xC3\xA9porter"}, exit_ok, "", ""},
          {{"settings", "get", "UserDir"}, exit_ok, "D:\\R\xC3\xA9porter\n", ""},
          {{"settings", "set", "build", "0x1F"}, exit_ok, "", ""},
          {{"settings", "get", "BUILD"}, exit_ok, "31\n", ""},
          {{"settings", "set", "Patch", "4294967295"}, exit_ok, "", ""},
          {{"settings", "set", "debug mode", "3"}, exit_ok, "", ""},
          {{"settings", "set", "usageprofile", "2"}, exit_ok, "", ""},
          {{"settings", "get", "UsageProfile"}, exit_ok, "2\n", ""},
          {{"settings", "set", "ProgramDir", ""}, exit_ok, "", ""},
          {{"settings", "get", "ProgramDir"}, exit_ok, "\n", ""},
          {{"settings", "list"},
           exit_ok,
           "DictionaryDir       = C:\\Program Files\\Orvalis\\Dictionaries (default)\n"
           "ProgramDir          = \n"
           "TranscriptDir       = C:\\Program Files\\Orvalis\\Transcripts (default)\n"
           "UserDir             = D:\\R\xC3\xA9porter\n"
           "KeyboardFile        = D:\\R\xC3\xA9porter\\Keyboard.kbd (default)\n"
           "SpellCheckDictEntry = 0 (default)\n"
           "GrandJean           = 0 (default)\n"
           "Build               = 31\n"
           "Patch               = 4294967295\n"
           "Debug Mode          = 3\n"
           "UsageProfile        = 2\n",
           ""},
          {{"settings", "set", "GrandJean", "1"}, exit_ok, "", ""},
          {{"stroke", "show", "YO"}, exit_ok, "Y-O\n", ""},
          {{"stroke", "show", "--format", "rtf", "YO"}, exit_ok, "-YO\n", ""},
          {{"stroke", "show", "--grandjean=false", "KAT"}, exit_ok, "KA-T\n", ""},
          {{"settings", "set", "GrandJean", "0"}, exit_ok, "", ""},
          {{"stroke", "show", "KAT"}, exit_ok, "KA-T\n", ""},
      },
      home);
}

// How the joining goes is the translator's business; here, how arguments
// become translations: a case for each flag name, and texts with colons stay
// texts unless what comes before the first colon names flags only.
TEST(KelmJoin, ArgumentsBecomeTranslations) {
  expect_runs({"join"},
              {
                  {{"word"}, exit_ok, "word\n", ""},
                  {{"the", "cat"}, exit_ok, "the cat\n", ""},
                  {{"prefix:re", "do"}, exit_ok, "redo\n", ""},
                  {{"cap,prefix:re", "do"}, exit_ok, "redo\n", ""},
                  {{"stop", "double,suffix:age"}, exit_ok, "stoppage\n", ""},
                  {{"or:edit", "suffix:er"}, exit_ok, "editor\n", ""},
                  {{"proper:Kennedy", "suffix:s"}, exit_ok, "Kennedys\n", ""},
                  {{"letters:a", "letters:b"}, exit_ok, "ab\n", ""},
                  {{"numbers:1", "numbers:2"}, exit_ok, "12\n", ""},
                  {{"10:30", "today"}, exit_ok, "10:30 today\n", ""},
                  {{"Note:", "see"}, exit_ok, "Note: see\n", ""},
                  {{"a,b:c", "d"}, exit_ok, "a,b:c d\n", ""},
                  {{":prefix:re", "do"}, exit_ok, "prefix:re do\n", ""},
                  {{"caf\xC3\xA9", "noir"}, exit_ok, "caf\xC3\xA9 noir\n", ""},
                  {{"--", "-x", "y"}, exit_ok, "-x y\n", ""},
                  {{"the", "--space-in-front", "cat"}, exit_ok, "the cat\n", ""},
                  {{"prefix,sufix:ing"}, exit_usage, "", "\"sufix\" in \"prefix,sufix:ing\""},
                  {{"the", "suffix,:ing"}, exit_usage, "", "\"\" in \"suffix,:ing\""},
              });
}

// The translator's switch as the hive of the home's runs holds it, or -1;
// with a value, stores that first.
int space_in_front(const ScratchFolder& home, int value = -1) {
  KelmSetRegistryPath(home.path("config/orvalis/registry.db").c_str());
  CWinApp app("Kelm");
  app.SetRegistryKey("Quendra");
  if (value >= 0) {
    EXPECT_TRUE(app.WriteProfileInt("Translator", "Space in front", value));
  }
  const int stored = static_cast<int>(app.GetProfileInt("Translator", "Space in front", -1));
  KelmSetRegistryPath(nullptr);
  return stored;
}

// The library's own setter for the switch writes through to the profile,
// where the user's translator would find it set for good.
TEST(KelmJoin, SpaceInFrontLeavesTheProfileAsItWas) {
  for (const int before : {-1, 0, 1}) {
    const ScratchFolder home;
    space_in_front(home, before);
    expect_runs({"join"},
                {
                    {{"--space-in-front", "the", "cat"}, exit_ok, "the cat\n", ""},
                    {{"the", "cat"}, exit_ok, "the cat\n", ""},
                },
                home);
    EXPECT_EQ(before, space_in_front(home)) << "stored before the runs (-1: nothing)";
  }
}

// A case for each format name; a length that does not fit still prints the
// text as the format left it.
TEST(KelmFormat, EachFormatAndTheLengthsThatDoNotFit) {
  expect_runs({"format"},
              {
                  {{"time", "930"}, exit_ok, "9:30\n", ""},
                  {{"time", "12"}, exit_bad_input, "12\n", "the format takes at least 3 digits"},
                  {{"dollars", "1234567"}, exit_ok, "$1,234,567\n", ""},
                  {{"bates", "(00)12-34"}, exit_ok, "001234\n", ""},
                  {{"ordinal", "22"}, exit_ok, "22nd\n", ""},
                  {{"phone", "12345"}, exit_bad_input, "12345\n", "\"12345\" does not fit"},
                  {{"ssn", "12-345-678"}, exit_bad_input, "12345678\n", "takes 9 digits"},
                  {{"date", "122599"}, exit_ok, "12/25/99\n", ""},
                  {{"date", "--dash", "122599"}, exit_ok, "12-25-99\n", ""},
                  {{"date", "December 25 of 99"},
                   exit_bad_input,
                   "December 25 of '99\n",
                   "kelm format date: \"December 25 of 99\" does not fit"},
              });
}

TEST(KelmConflict, MakeGetAndAdd) {
  expect_runs({"conflict"}, {
                                {{"make", "a", "b"}, exit_ok, "[a|b]\n", ""},
                                {{"make", "", "a", "", "b"}, exit_ok, "[a|b]\n", ""},
                                {{"get", "[a|b|c]", "1"}, exit_ok, "b\n", ""},
                                {{"get", "[a|b|c]", "-1"}, exit_ok, "[a\n", ""},
                                {{"get", "[caf\xC3\xA9|tea]", "0"}, exit_ok, "caf\xC3\xA9\n", ""},
                                {{"add", "[a|b]", "c"}, exit_ok, "[a|b|c]\n", ""},
                            });
}

// The codes are printed exactly, trailing blank included.
TEST(KelmFlags, ShowPrintsTheCodesOfAWord) {
  expect_runs({"flags", "show"}, {
                                     {{"0x4000"}, exit_ok, "P \n", ""},
                                     {{"32768"}, exit_ok, "S \n", ""},
                                     {{"0X0100"}, exit_ok, "Pr\n", ""},
                                     {{"0"}, exit_ok, "\n", ""},
                                     {{"65536"}, exit_bad_input, "", "not \"65536\""},
                                     {{"0x"}, exit_bad_input, "", "not \"0x\""},
                                     {{"prefix"}, exit_bad_input, "", "from 0 to 65535"},
                                 });
}

constexpr char small_dictionary[] =
    "{\\rtf1\\ansi\\cxdict\n"
    "{\\*\\cxs KAT}cat\n"
    "{\\*\\cxs KXAT}bad\n"
    "{\\*\\cxs -G}{\\cxds ing}\n"
    "{\\*\\cxs KAT}kitty\n"
    "{\\*\\cxs KAF}caf\\'e9}";

// The time is left out of the info line: only its place is checked.
TEST(KelmDict, InfoLookupAndTokens) {
  const ScratchFolder folder;
  const std::string path = folder.path("d.rtf");
  WriteWholeFile(path, small_dictionary);
  const Outcome info = run_kelm({"dict", "info", path}, untouched_home());
  EXPECT_EQ(exit_ok, info.status) << info.err;
  EXPECT_EQ(0u, info.out.find(path + ": 3 entries, 1 duplicates, 1 invalid outlines, 0 "
                                     "characters outside Windows-1252, "))
      << info.out;
  EXPECT_TRUE(info.out.ends_with(" ms\n")) << info.out;
  EXPECT_EQ(path + ":3: invalid outline \"KXAT\" kept as it stands, never looked up\n", info.err);
  expect_runs(
      {"dict", "lookup", path},
      {
          {{"--", "KAT", "-G"},
           exit_ok,
           "KAT: \"kitty\" flags 0x0000\n-G: \"ing\" flags 0x8000 S\n",
           "KXAT"},
          {{"KAF"}, exit_ok, "KAF: \"caf\xc3\xa9\" flags 0x0000\n", "KXAT"},
          {{"TKOG", "KAT"}, exit_bad_input, "KAT: \"kitty\" flags 0x0000\n", "TKOG: not in"},
          {{"KXAT"}, exit_bad_input, "", "not an outline"},
      });
  WriteWholeFile(folder.path("not.rtf"),
                 "\x7f"
                 "ELF");
  expect_runs({"dict", "info"}, {{{folder.path("missing.rtf")}, exit_bad_input, "", "missing.rtf"},
                                 {{folder.path("not.rtf")}, exit_bad_input, "", "not RTF"}});
  WriteWholeFile(path, "{\\rtf1 caf\\'e9\\par}");
  expect_runs({"rtf", "tokens"},
              {{{path},
                exit_ok,
                "0\t743\t{\n1\t636\t\\rtf 1\n7\t5\tcaf\\'e9\n14\t506\t\\par\n18\t744\t}\n",
                ""}});
}

// Apart from the creation date, a converted dictionary converts to itself.
TEST(KelmDict, ConvertIsIdempotentAndKeepsTheEntries) {
  const ScratchFolder folder;
  WriteWholeFile(folder.path("in.rtf"), small_dictionary);
  const std::string once = folder.path("once.rtf"), twice = folder.path("twice.rtf");
  expect_runs({"dict", "convert"}, {{{folder.path("in.rtf"), once}, exit_ok, "", "KXAT"},
                                    {{once, twice}, exit_ok, "", "KXAT"}});
  const std::regex creatim(R"(\{\\creatim[^}]*\})");
  const std::string first = std::regex_replace(ReadWholeFile(once), creatim, "");
  EXPECT_EQ(first, std::regex_replace(ReadWholeFile(twice), creatim, ""));
  EXPECT_NE(std::string::npos, first.find("caf\\'e9")) << first;
  expect_runs({"dict", "convert"}, {{{folder.path("in.rtf"), folder.path("no/such/folder/out.rtf")},
                                     exit_bad_input,
                                     "",
                                     "out.rtf"}});
  EXPECT_FALSE(std::filesystem::exists(folder.path("no")));
}

}  // namespace

namespace {

const char json_dictionary[] =
    "{\n"
    "\"KAT\": \"cat\",\n"
    "\"-G\": \"{^ing}\",\n"
    "\"TP-PL\": \"{.}{-|}\",\n"
    "\"SPHAO*EUL\": \"\xF0\x9F\x99\x82\",\n"
    "\"TKOG\": \"dog\",\n"
    "\"PHRO*FG\": \"{PLOVER:TOGGLE}\"\n"
    "}\n";

// JSON in, JSON out, through RTF/CRE and SQLite: the same file each time,
// sorted by outline.
TEST(KelmDict, JsonConvertsThroughRtfAndSqliteUnchanged) {
  const ScratchFolder folder;
  WriteWholeFile(folder.path("in.json"), json_dictionary);
  expect_runs({"dict", "convert"},
              {{{folder.path("in.json"), folder.path("a.json")}, exit_ok, "", ""},
               {{folder.path("a.json"), folder.path("b.rtf")}, exit_ok, "", ""},
               {{folder.path("b.rtf"), folder.path("c.json")}, exit_ok, "", ""},
               {{folder.path("c.json"), folder.path("d.sqlite")}, exit_ok, "", ""},
               {{folder.path("d.sqlite"), folder.path("e.json")}, exit_ok, "", ""}});
  const std::string first = ReadWholeFile(folder.path("a.json"));
  // In steno key order: S before T before K before P, the right bank last.
  EXPECT_EQ(
      "{\n\"SPHAO*EUL\": \"\xF0\x9F\x99\x82\",\n\"TKOG\": \"dog\",\n"
      "\"TP-PL\": \"{.}{-|}\",\n\"KAT\": \"cat\",\n\"PHRO*FG\": \"{PLOVER:TOGGLE}\",\n"
      "\"-G\": \"{^ing}\"\n}\n",
      first);
  EXPECT_EQ(first, ReadWholeFile(folder.path("c.json")));
  EXPECT_EQ(first, ReadWholeFile(folder.path("e.json")));
  const std::string rtf = ReadWholeFile(folder.path("b.rtf"));
  EXPECT_NE(std::string::npos, rtf.find("{\\*\\cxplovermeta PLOVER:TOGGLE}")) << rtf;
  EXPECT_NE(std::string::npos, rtf.find("\\u-10179?\\u-8638")) << rtf;
}

TEST(KelmDict, JsonInfoLookupAndErrors) {
  const ScratchFolder folder;
  const std::string path = folder.path("d.json");
  WriteWholeFile(path, json_dictionary);
  const Outcome info = run_kelm({"dict", "info", path}, untouched_home());
  EXPECT_EQ(exit_ok, info.status) << info.err;
  EXPECT_EQ(0u, info.out.find(path + ": 6 entries, 0 duplicates, 0 invalid outlines, 1 "
                                     "characters outside Windows-1252, "))
      << info.out;
  expect_runs({"dict", "lookup", path},
              {{{"--", "-G", "TP-PL"},
                exit_ok,
                "-G: \"ing\" flags 0x8000 S\nTP-PL: \".\" flags 0xA000 S C\n",
                ""}});
  WriteWholeFile(folder.path("bad.json"), "{\n\"KAT\": \"cat\",\n\"TKOG\": 5\n}\n");
  expect_runs({"dict", "info"}, {{{folder.path("bad.json")},
                                  exit_bad_input,
                                  "",
                                  "A translation is not a string: line 3, column 9."}});
}

// A JSON dictionary after an RTF one wins where both have an outline.
TEST(KelmTranslate, JsonAndRtfDictionariesTogether) {
  const ScratchFolder folder;
  WriteWholeFile(folder.path("d.json"), json_dictionary);
  WriteWholeFile(folder.path("d.rtf"),
                 "{\\rtf1\\ansi{\\*\\cxs KAT}kitten{\\*\\cxs S}is{\\*\\cxs TKOG}hound}");
  WriteWholeFile(folder.path("s.steno"), "KAT\nS\nTKOG\n-G\n");
  const Outcome rtf_last = run_kelm({"translate", "--dict", folder.path("d.json"), "--dict",
                                     folder.path("d.rtf"), "--steno", folder.path("s.steno")},
                                    untouched_home());
  EXPECT_EQ(exit_ok, rtf_last.status) << rtf_last.err;
  EXPECT_EQ("Kitten is hounding\n", rtf_last.out);
  const Outcome json_last = run_kelm({"translate", "--dict", folder.path("d.rtf"), "--dict",
                                      folder.path("d.json"), "--steno", folder.path("s.steno")},
                                     untouched_home());
  EXPECT_EQ(exit_ok, json_last.status) << json_last.err;
  EXPECT_EQ("Cat is dogging\n", json_last.out);
}

}  // namespace
