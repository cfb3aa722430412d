// Runs the built kelm command as a user would, and checks what it writes to
// each stream and how it exits.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace {

constexpr int exit_ok = 0;
constexpr int exit_bad_input = 1;
constexpr int exit_usage = 2;

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

std::string joined(const std::vector<std::string>& args) {
  std::string text = "kelm";
  for (const std::string& a : args) text += " '" + a + "'";
  return text;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A file of its own for each stream: tests may run side by side.
std::string make_temp_file() {
  std::string path = testing::TempDir() + "kelm_cli_XXXXXX";
  const int fd = mkstemp(path.data());
  EXPECT_GE(fd, 0) << path;
  close(fd);
  return path;
}

void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A folder standing for the user's home. The command keeps its registry hive
// under XDG_CONFIG_HOME and its drive folders under XDG_DATA_HOME, so every
// run points both here and never reads or writes the user's own.
class Home {
 public:
  Home() : path(testing::TempDir() + "kelm_home_XXXXXX") {
    EXPECT_NE(nullptr, mkdtemp(path.data())) << path;
  }
  Home(const Home&) = delete;
  Home& operator=(const Home&) = delete;
  ~Home() { std::filesystem::remove_all(path); }

  std::string path;
};

// The home of the commands whose settings are all defaults.
const std::string& untouched_home() {
  static const Home home;
  return home.path;
}

std::vector<std::string> environment_at(const std::string& home) {
  const std::string replaced[] = {"HOME=", "XDG_CONFIG_HOME=", "XDG_DATA_HOME="};
  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    if (std::none_of(std::begin(replaced), std::end(replaced),
                     [&](const std::string& name) { return text.starts_with(name); }))
      env.push_back(text);
  }
  env.push_back("HOME=" + home);
  env.push_back("XDG_CONFIG_HOME=" + home + "/config");
  env.push_back("XDG_DATA_HOME=" + home + "/data");
  return env;
}

Outcome run_kelm(const std::vector<std::string>& args, const std::string& home = untouched_home()) {
  const std::string out_path = make_temp_file();
  const std::string err_path = make_temp_file();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_path.c_str(), O_WRONLY | O_TRUNC,
                                   0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_path.c_str(), O_WRONLY | O_TRUNC,
                                   0);
  std::vector<std::string> argv_text{KELM_COMMAND};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env_text = environment_at(home);
  std::vector<char*> env;
  for (std::string& e : env_text) env.push_back(e.data());
  env.push_back(nullptr);

  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, KELM_COMMAND, &actions, nullptr, argv.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  int wait_status = 0;
  if (spawned == 0) waitpid(pid, &wait_status, 0);
  EXPECT_EQ(0, spawned) << "cannot start " << KELM_COMMAND;
  Outcome outcome{WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1, read_file(out_path),
                  read_file(err_path)};
  unlink(out_path.c_str());
  unlink(err_path.c_str());
  return outcome;
}

// Expected output of a command that must succeed and say nothing else.
struct Success {
  std::vector<std::string> args;
  std::string out;
};

void expect_success(const Success& c, const std::string& home = untouched_home()) {
  const Outcome got = run_kelm(c.args, home);
  EXPECT_EQ(exit_ok, got.status) << joined(c.args);
  EXPECT_EQ(c.out, got.out) << joined(c.args);
  EXPECT_EQ("", got.err) << joined(c.args);
}

// Columns of the spaced notation: 24 blanks but for the keys given.
std::string columns(std::initializer_list<std::pair<int, char>> keys) {
  std::string text(24, ' ');
  for (const auto& [column, key] : keys) text[column] = key;
  return text;
}

TEST(KelmStrokeShow, WritesEachNotation) {
  const Success cases[] = {
      {{"stroke", "show", "KAT"}, "KA-T\n"},
      {{"stroke", "show", "kat"}, "KA-T\n"},
      {{"stroke", "show", "KAT/-S", "TKOG"}, "KA-T/-S\nTKO-G\n"},
      {{"stroke", "show", "#ST"}, "#12\n"},
      {{"stroke", "show", "--", "-S"}, "-S\n"},
      {{"stroke", "show", ""}, "\n"},
      {{"stroke", "show", "--format", "plain", "KAT"}, "KA-T\n"},
      {{"stroke", "show", "--format", "spaced", "KAT/-S"},
       columns({{4, 'K'}, {9, 'A'}, {20, 'T'}}) + "/" + columns({{21, 'S'}}) + "\n"},
      // Strokes with no key are left out, as in every outline text form.
      {{"stroke", "show", "--format", "spaced", "--", "-/S"}, columns({{2, 'S'}}) + "\n"},
      {{"stroke", "show", "--format", "rtf", "@#5-9"}, "!,#5-9\n"},
      {{"stroke", "show", "--format", "RTF", "TS"}, "ST\n"},
      {{"stroke", "show", "--format", "hex", "KAT/-S"}, "084008000004\n"},
      {{"stroke", "show", "--grandjean", "YO"}, "Y-O\n"},
      {{"stroke", "show", "--grandjean", "--format", "rtf", "YO"}, "-YO\n"},
  };
  for (const Success& c : cases) expect_success(c);
}

// A text that does not read must point at the character at fault, whichever
// kind of fault it is.
TEST(KelmStrokeShow, PointsAtTheCharacterThatDoesNotRead) {
  const struct {
    std::vector<std::string> args;
    std::string out;
    std::string message;
    std::string caret;
  } cases[] = {
      {{"stroke", "show", "STx"}, "", "character 3 is not in the notation", "  STx\n    ^\n"},
      {{"stroke", "show", "xST"}, "", "character 1 is not in the notation", "  xST\n  ^\n"},
      {{"stroke", "show", "SS"}, "", "character 2 repeats a key", "  SS\n   ^\n"},
      {{"stroke", "show", "S/SS"}, "", "character 4 repeats a key", "  S/SS\n     ^\n"},
      {{"stroke", "show", "KAT/S T"},
       "",
       "character 6 is not in the notation",
       "  KAT/S T\n       ^\n"},
      // Counted in characters, and shown as typed.
      {{"stroke", "show", "K\xC3\x84T"},
       "",
       "character 2 is not in the notation",
       "  K\xC3\x84T\n   ^\n"},
      {{"stroke", "show", "--grandjean", "@S"},
       "",
       "character 1 is not in the notation",
       "  @S\n  ^\n"},
      // The other outlines are still written.
      {{"stroke", "show", "KAT", "STx", "TKOG"}, "KA-T\nTKO-G\n", "character 3", "  STx\n"},
  };
  for (const auto& c : cases) {
    const Outcome got = run_kelm(c.args);
    EXPECT_EQ(exit_bad_input, got.status) << joined(c.args);
    EXPECT_EQ(c.out, got.out) << joined(c.args);
    EXPECT_NE(std::string::npos, got.err.find(c.message)) << joined(c.args) << "\n" << got.err;
    EXPECT_NE(std::string::npos, got.err.find(c.caret)) << joined(c.args) << "\n" << got.err;
  }
}

TEST(Kelm, WrongCommandLinesExitWithTwoAndDoNothing) {
  const std::vector<std::string> cases[] = {
      {},
      {"frobnicate"},
      {"stroke"},
      {"stroke", "frobnicate"},
      {"stroke", "show"},
      {"stroke", "show", "--format", "braille", "KAT"},
      {"stroke", "show", "--format"},
      {"stroke", "show", "--no-such-flag", "KAT"},
      {"stroke", "decode", "C0C0C0C0"},
      {"stroke", "decode", "--writer", "stentura"},
      {"stroke", "decode", "--writer", "typewriter", "C0C0C0C0"},
      {"stroke", "decode", "--writer", "stentura", "--file", "capture", "C0C0C0C0"},
      {"stroke", "encode", "KAT"},
      {"stroke", "encode", "--writer", "stentura", "KAT"},
      {"stroke", "encode", "--writer", "sten8000"},
      {"settings"},
      {"settings", "list", "UserDir"},
      {"settings", "get"},
      {"settings", "set", "Build"},
      {"settings", "set", "Build", "1", "2"},
  };
  for (const auto& args : cases) {
    const Outcome got = run_kelm(args);
    EXPECT_EQ(exit_usage, got.status) << joined(args);
    EXPECT_EQ("", got.out) << joined(args);
    EXPECT_NE("", got.err) << joined(args);
  }
}

TEST(Kelm, HelpAtEveryLevel) {
  const struct {
    std::vector<std::string> args;
    std::string mentions;
  } cases[] = {
      {{"--help"}, "stroke"},
      {{"stroke", "--help"}, "decode"},
      {{"stroke", "show", "--help"}, "--format"},
      {{"stroke", "decode", "-h"}, "--writer"},
      {{"stroke", "encode", "--help"}, "sten8000"},
      {{"stroke", "show", "--help"}, "--grandjean=false"},
      {{"settings", "--help"}, "list"},
      {{"settings", "set", "--help"}, "0x hex"},
  };
  for (const auto& c : cases) {
    const Outcome got = run_kelm(c.args);
    EXPECT_EQ(exit_ok, got.status) << joined(c.args);
    EXPECT_NE(std::string::npos, got.out.find(c.mentions)) << joined(c.args) << "\n" << got.out;
    EXPECT_EQ("", got.err) << joined(c.args);
  }
}

// K- A -T -S, internal bytes 08 40 0C, in each writer's packet.
TEST(KelmStrokeDecode, ReadsEachWritersPackets) {
  const Success cases[] = {
      {{"stroke", "decode", "--writer", "stentura", "C2", "C4", "C0", "CC"}, "KA-TS 08400C\n"},
      {{"stroke", "decode", "--writer", "sten8000", "21 00 30"}, "KA-TS 08400C\n"},
      {{"stroke", "decode", "--writer", "sten8000", "0x21", "0x00", "0X30"}, "KA-TS 08400C\n"},
      {{"stroke", "decode", "--writer", "baron", "0c4008"}, "KA-TS 08400C\n"},
      {{"stroke", "decode", "--writer", "flash", "08400C"}, "KA-TS 08400C\n"},
      {{"stroke", "decode", "--writer", "xscribe", "08400C"}, "KA-TS 08400C\n"},
      {{"stroke", "decode", "--writer", "merit", "FF100230"}, "KA-TS 08400C\n"},
      {{"stroke", "decode", "--writer", "Merit", "00100230"}, "KA-TS 08400C\n"},
      // Stentura's two high bits mark the bytes of a packet and carry no key.
      {{"stroke", "decode", "--writer", "stentura", "C0C0C0C1", "3F3F3F3F"},
       "-Z 000001\n@#12K3W4R50*-EU6R7B8G9SDZ FFFFFF\n"},
      {{"stroke", "decode", "--writer", "sten8000", "000001", "000002"}, "@ 800000\n# 400000\n"},
      {{"stroke", "decode", "--writer", "flash", "000000"}, "(no keys) 000000\n"},
  };
  for (const Success& c : cases) expect_success(c);
}

TEST(KelmStrokeDecode, ReadsACaptureFile) {
  const std::string capture = make_temp_file();
  write_file(capture, "\xC2\xC4\xC0\xCC\xC0\xC0\xC0\xC1");
  expect_success({{"stroke", "decode", "--writer", "stentura", "--file", capture},
                  "KA-TS 08400C\n-Z 000001\n"});
  write_file(capture, "");
  expect_success({{"stroke", "decode", "--writer", "stentura", "--file", capture}, ""});
  unlink(capture.c_str());
}

TEST(KelmStrokeDecode, ReadsTheSampleDictation) {
  const std::vector<std::string> args{"stroke",   "decode",
                                      "--writer", "stentura",
                                      "--file",   KELM_EXAMPLES_DIR "/dictation.stentura"};
  const Outcome got = run_kelm(args);
  EXPECT_EQ(exit_ok, got.status) << joined(args) << "\n" << got.err;
  EXPECT_EQ(0, got.out.rfind("A-UL ", 0)) << joined(args) << "\n" << got.out;
  EXPECT_EQ(22, std::count(got.out.begin(), got.out.end(), '\n')) << joined(args);
}

TEST(KelmStrokeDecode, ReportsBytesThatDoNotDecode) {
  const std::string missing = testing::TempDir() + "kelm_cli_no_such_capture";
  const struct {
    std::vector<std::string> args;
    std::string out;
    std::string message;
  } cases[] = {
      // Complete packets before a cut-off one are still written.
      {{"stroke", "decode", "--writer", "stentura", "C2C4C0CC", "C0C0"},
       "KA-TS 08400C\n",
       "2 byte(s)"},
      {{"stroke", "decode", "--writer", "sten8000", "2100"}, "", "2 byte(s)"},
      {{"stroke", "decode", "--writer", "flash", "C0", "0xG1"}, "", "\"0xG1\""},
      {{"stroke", "decode", "--writer", "flash", "C0C"}, "", "\"C0C\" is not a whole number"},
      {{"stroke", "decode", "--writer", "flash", "0x"}, "", "\"0x\""},
      {{"stroke", "decode", "--writer", "flash", "--file", missing}, "", missing},
  };
  for (const auto& c : cases) {
    const Outcome got = run_kelm(c.args);
    EXPECT_EQ(exit_bad_input, got.status) << joined(c.args);
    EXPECT_EQ(c.out, got.out) << joined(c.args);
    EXPECT_NE(std::string::npos, got.err.find(c.message)) << joined(c.args) << "\n" << got.err;
  }
}

TEST(KelmStrokeEncode, WritesSten8000Packets) {
  const Success cases[] = {
      {{"stroke", "encode", "--writer", "sten8000", "KATS"}, "21 00 30\n"},
      {{"stroke", "encode", "--writer", "sten8000", "KAT/-S", "@", "#"},
       "21 00 20 00 00 10\n00 00 01\n00 00 02\n"},
      {{"stroke", "encode", "--writer", "sten8000", ""}, "\n"},
  };
  for (const Success& c : cases) expect_success(c);

  const std::vector<std::string> bad{"stroke", "encode", "--writer", "sten8000", "KAT", "SS"};
  const Outcome got = run_kelm(bad);
  EXPECT_EQ(exit_bad_input, got.status) << joined(bad);
  EXPECT_EQ("21 00 20\n", got.out) << joined(bad);
  EXPECT_NE(std::string::npos, got.err.find("character 2 repeats a key")) << got.err;
}

// Each test has a hive of its own.
class KelmSettings : public testing::Test {
 protected:
  Outcome run(const std::vector<std::string>& args) const { return run_kelm(args, home.path); }
  void expect_success(const Success& c) const { ::expect_success(c, home.path); }

  Home home;
};

TEST_F(KelmSettings, ListOnAnEmptyHiveShowsEveryDefault) {
  expect_success({{"settings", "list"},
                  "DictionaryDir       = C:\\Program Files\\Orvalis\\Dictionaries (default)\n"
                  "ProgramDir          = C:\\Program Files\\Orvalis (default)\n"
                  "TranscriptDir       = C:\\Program Files\\Orvalis\\Transcripts (default)\n"
                  "UserDir             = C:\\Program Files\\Orvalis (default)\n"
                  "KeyboardFile        = C:\\Program Files\\Orvalis\\Keyboard.kbd (default)\n"
                  "SpellCheckDictEntry = 0 (default)\n"
                  "GrandJean           = 0 (default)\n"
                  "Build               = 0 (default)\n"
                  "Patch               = 4294967295 (default)\n"
                  "Debug Mode          = 0 (default)\n"});
}

TEST_F(KelmSettings, SetThenGetAndListShowTheStoredValues) {
  const Success cases[] = {
      {{"settings", "set", "UserDir", "D:\\R\xC3\xA9porter"}, ""},
      {{"settings", "get", "UserDir"}, "D:\\R\xC3\xA9porter\n"},
      {{"settings", "set", "build", "0x1F"}, ""},
      {{"settings", "get", "Build"}, "31\n"},
      {{"settings", "set", "Patch", "4294967295"}, ""},
      {{"settings", "get", "PATCH"}, "4294967295\n"},
      {{"settings", "set", "debug mode", "3"}, ""},
      {{"settings", "get", "Debug Mode"}, "3\n"},
      {{"settings", "set", "usageprofile", "2"}, ""},
      {{"settings", "get", "UsageProfile"}, "2\n"},
      {{"settings", "set", "ProgramDir", ""}, ""},
      {{"settings", "get", "ProgramDir"}, "\n"},
  };
  for (const Success& c : cases) expect_success(c);
  expect_success({{"settings", "list"},
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
                  "UsageProfile        = 2\n"});
}

TEST_F(KelmSettings, RefusesValuesAndNamesItDoesNotKnow) {
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"settings", "set", "Build", "abc"}, "Build takes a whole number"},
      {{"settings", "set", "GrandJean", "-1"}, "not \"-1\""},
      {{"settings", "set", "Patch", "4294967296"}, "not \"4294967296\""},
      {{"settings", "set", "Patch", "0x100000000"}, "not \"0x100000000\""},
      {{"settings", "set", "UsageProfile", "two"}, "UsageProfile takes a whole number"},
      {{"settings", "get", "Nope"}, "no setting \"Nope\""},
      {{"settings", "get", "UsageProfile"}, "UsageProfile is not set"},
  };
  for (const auto& c : cases) {
    const Outcome got = run(c.args);
    EXPECT_EQ(exit_bad_input, got.status) << joined(c.args);
    EXPECT_EQ("", got.out) << joined(c.args);
    EXPECT_NE(std::string::npos, got.err.find(c.message)) << joined(c.args) << "\n" << got.err;
  }
  expect_success({{"settings", "get", "Build"}, "0\n"});
}

TEST_F(KelmSettings, StrokeShowFollowsTheGrandJeanSetting) {
  expect_success({{"settings", "set", "GrandJean", "1"}, ""});
  const Success cases[] = {
      {{"stroke", "show", "YO"}, "Y-O\n"},
      {{"stroke", "show", "--format", "rtf", "YO"}, "-YO\n"},
      {{"stroke", "show", "--grandjean=false", "KAT"}, "KA-T\n"},
      {{"stroke", "show", "--grandjean", "YO"}, "Y-O\n"},
  };
  for (const Success& c : cases) expect_success(c);
  expect_success({{"settings", "set", "GrandJean", "0"}, ""});
  expect_success({{"stroke", "show", "KAT"}, "KA-T\n"});
}

}  // namespace
