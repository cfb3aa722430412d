// Runs `kelm keys` as a user would: its arguments, what it prints and how it
// exits. What the names and list strings are is the keyboard table's business.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "testing/cli_runner.h"

namespace {

int lines_in(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST(KelmKeys, ListsOneEntryALine) {
  const ScratchFolder home;
  const struct {
    const char* flag;
    int lines;
    const char* first;
    const char* also;
  } cases[] = {
      {"--commands", 316, "Dictionary Entry  1\t0x8078\n", "\nBold Text\t0x8004\n"},
      {"--keys", 76, "A\t0x41\n", "\n;  :\t0xBA\n"},
      {"--quick-keys", 75, "A\t0x41\n", "\nBack Space\t0x08\n"},
  };
  for (const auto& c : cases) {
    const Outcome got = run_kelm({"keys", c.flag}, home);
    EXPECT_EQ(0, got.status) << c.flag << "\n" << got.err;
    EXPECT_EQ(c.lines, lines_in(got.out)) << c.flag;
    EXPECT_TRUE(got.out.starts_with(c.first)) << c.flag << "\n" << got.out.substr(0, 80);
    EXPECT_NE(std::string::npos, got.out.find(c.also)) << c.flag;
  }
  // kelm names the host's commands by their number.
  const Outcome commands = run_kelm({"keys", "--commands"}, home);
  EXPECT_NE(std::string::npos, commands.out.find("\nTrack Changes Host Command 15028\t0x3AB4\n"));
  EXPECT_TRUE(commands.out.ends_with("\nHost Command 102\t0x66\n")) << commands.out;
  EXPECT_EQ(std::string::npos, run_kelm({"keys", "--quick-keys"}, home).out.find("Esc"));
}

TEST(KelmKeys, FindsCommandsAndKeysByExactName) {
  expect_runs({"keys", "find"},
              {
                  {{"Bold Text"}, 0, "command\t11\t0x8004\n", ""},
                  {{"B"}, 0, "key\t1\t0x42\nquick key\t1\t0x42\n", ""},
                  {{"Esc"}, 0, "key\t75\t0x1B\n", ""},
                  {{"bold text"}, 1, "", "no command or key is named \"bold text\""},
                  {{}, 2, "", "NAME"},
              },
              ScratchFolder());
}

TEST(KelmKeys, RefusesAWrongCommandLine) {
  const ScratchFolder home;
  const std::vector<std::string> wrong[] = {
      {"keys"},
      {"keys", "--keys", "--commands"},
      {"keys", "--keys", "find", "B"},
      {"keys", "--commands", "bindings", "/dev/null"},
      {"keys", "bindings"},
      {"keys", "--colours"},
  };
  for (const auto& args : wrong) {
    const Outcome got = run_kelm(args, home);
    EXPECT_EQ(2, got.status) << joined(args);
    EXPECT_EQ("", got.out) << joined(args);
    EXPECT_NE("", got.err) << joined(args);
  }
}

TEST(KelmKeys, ListsABindingsFileAndReportsItsBadLines) {
  const ScratchFolder home;
  const std::string good = home.path("good.txt");
  WriteWholeFile(good,
                 "# modifiers key command macro\n"
                 "\n"
                 "0x0C 0x42 0x8004 0\n"
                 "12\t66\t32772\t0   # the same in decimal\r\n"
                 "  0x10 0x70 0x8009 1\n"
                 "0 0x90 0x8009 5\n");
  expect_outcome(
      run_kelm({"keys", "bindings", good, "--macro", "Sign Off", "--macro", "Heading"}, home), 0,
      "Bold Text\tCtrl + Shift + B\n"
      "Bold Text\tCtrl + Shift + B\n"
      "Heading\tAlt + F1\n"
      "ERROR\n",
      "", "bindings with macros");

  const std::string bad = home.path("bad.txt");
  WriteWholeFile(bad,
                 "0x0C 0x42 0x8004\n"
                 "0x0C 0x42 0x8004 0\n"
                 "0x0C 0x42 0x8004 0 7\n"
                 "0x0C 0x42 bold 0\n"
                 "0 0x42 65536 0\n"
                 "0 0x 0x8004 0\n"
                 "0 -1 0x8004 0\n"
                 "8 0x42 33000 0\n");
  const Outcome got = run_kelm({"keys", "bindings", bad}, home);
  EXPECT_EQ(1, got.status);
  EXPECT_EQ("Bold Text\tCtrl + Shift + B\nSelect Paragraph Beginning\tCtrl + B\n", got.out);
  for (const std::string line :
       {":1: ", ":3: ", ":4: \"bold\"", ":5: \"65536\"", ":6: \"0x\"", ":7: \"-1\""})
    EXPECT_NE(std::string::npos, got.err.find(bad + line)) << line << "\n" << got.err;
  EXPECT_EQ(6, lines_in(got.err)) << got.err;

  expect_outcome(run_kelm({"keys", "bindings", home.path("missing.txt")}, home), 1, "",
                 "cannot read", "missing file");
}

}  // namespace
