// `kelm translate` end to end, for what the command owns: its arguments and
// mistakes, each writer's capture read, the files written, the edits of
// --live, and the text drawn and corrected on a terminal (in tmux). How
// strokes become text is the translator's, tested with it.

#include <kelm/kelm.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "testing/cli_runner.h"
#include "testing/tmux_pane.h"

namespace {

namespace fs = std::filesystem;

std::string example(const std::string& name) { return std::string(KELM_EXAMPLES_DIR) + "/" + name; }

bool have_examples() {
  return fs::exists(example("sample.rtf")) && fs::exists(example("paragraph.txt"));
}

std::string words_of(const std::string& text) {
  std::istringstream in(text);
  std::string words, word;
  while (in >> word) words += (words.empty() ? "" : " ") + word;
  return words;
}

const char* const writers[] = {"stentura", "sten8000", "baron",    "flash",
                               "xscribe",  "merit",    "geminipr", "txbolt"};

TEST(TranslateCommand, EveryCaptureOfTheSampleGivesItsText) {
  if (!have_examples()) GTEST_SKIP() << "examples/sample.rtf and paragraph.txt are not there yet";
  const ScratchFolder home;
  const std::string want = ReadWholeFile(example("paragraph.txt"));
  std::vector<std::vector<std::string>> runs = {{"--steno", example("paragraph.steno")}};
  for (const char* writer : writers)
    runs.push_back({"--writer", writer, "--input", example(std::string("paragraph.") + writer)});
  for (std::vector<std::string> args : runs) {
    if (!fs::exists(args.back())) {
      ADD_FAILURE() << args.back() << " is missing";
      continue;
    }
    args.insert(args.begin(), {"translate", "--dict", example("sample.rtf")});
    const Outcome got = run_kelm(args, home);
    EXPECT_EQ(0, got.status) << args.back() << "\n" << got.err;
    EXPECT_EQ(want, got.out) << args.back();
    EXPECT_EQ("", got.err) << args.back();
  }
}

// The transcript's outlines and texts are the translator's; here, that both
// files are written whole and another RTF reader finds the printed words.
TEST(TranslateCommand, WritesTheTranscriptAndTheTextFiles) {
  if (!have_examples()) GTEST_SKIP() << "examples/sample.rtf and paragraph.txt are not there yet";
  const ScratchFolder home;
  const std::string rtf = home.path("out.rtf"), text = home.path("out.txt");
  const Outcome got = run_kelm({"translate", "--dict", example("sample.rtf"), "--steno",
                                example("paragraph.steno"), "--rtf", rtf, "--text", text},
                               home);
  ASSERT_EQ(0, got.status) << got.err;
  EXPECT_EQ(got.out, ReadWholeFile(text));
  CStenoDictionary read;
  EXPECT_EQ(0, read.Read(rtf.c_str())) << rtf;
  EXPECT_LT(0u, read.GetCount()) << rtf;

  if (::access("/usr/bin/unrtf", X_OK) != 0) GTEST_SKIP() << "unrtf is not installed";
  const std::string unrtf_out = home.path("unrtf.txt");
  const std::string command = "/usr/bin/unrtf --text '" + rtf + "' > '" + unrtf_out + "' 2>&1";
  ASSERT_EQ(0, std::system(command.c_str()));
  std::string plain;
  std::istringstream lines(ReadWholeFile(unrtf_out));
  for (std::string line; std::getline(lines, line);)
    if (!line.starts_with("###") && !line.starts_with("-----")) plain += line + "\n";
  EXPECT_EQ(words_of(got.out), words_of(plain));
}

// A small dictionary of the test's own: besides words, a suffix, a paragraph
// mark, a tab, a backslash and a letter that takes two bytes in UTF-8.
const char small_dictionary[] =
    "{\\rtf1\\ansi{\\*\\cxrev100}\\cxdict{\\*\\cxsystem test}\r\n"
    "{\\*\\cxs TH-E}the\r\n"
    "{\\*\\cxs KA-T}cat\r\n"
    "{\\*\\cxs KA-T/-S}cats\r\n"
    "{\\*\\cxs PHA-EUBG}make\r\n"
    "{\\*\\cxs -G}\\cxds ing\r\n"
    "{\\*\\cxs TP-PL}\\cxds .\\cxfc\r\n"
    "{\\*\\cxs PA*R}\\par\\cxfc\r\n"
    "{\\*\\cxs KAF}caf\\'e9\r\n"
    "{\\*\\cxs TA*B}\\tab x\r\n"
    "{\\*\\cxs SHRARB}a\\\\b\r\n"
    "}\r\n";

TEST(TranslateCommand, TranslatesSteno) {
  const ScratchFolder home;
  const std::string dictionary = home.path("small.rtf");
  WriteWholeFile(dictionary, small_dictionary);
  const struct {
    const char* steno;
    int status;
    const char* out;
    const char* err;  // a part of it, or "" for none
  } cases[] = {
      // Strokes a line or joined by slashes, blank lines and blanks around.
      {"TH-E/KAT\n\n  PHAEUBG  \n-G\nTP-PL\n", 0, "The cat making.\n", ""},
      {"THE\nK A T\nKAT\n", 1, "The cat\n", ":2: \"K A T\" is not steno"},
  };
  for (const auto& c : cases) {
    const std::string steno = home.path("steno");
    WriteWholeFile(steno, c.steno);
    for (const std::string& source : {steno, std::string("-")}) {
      expect_outcome(run_kelm({"translate", "--dict", dictionary, "--steno", source}, home, steno),
                     c.status, c.out, c.err, c.steno);
    }
  }
}

TEST(TranslateCommand, LaterDictionariesWin) {
  const ScratchFolder home;
  const std::string main = home.path("main.rtf"), job = home.path("job.rtf");
  WriteWholeFile(main, small_dictionary);
  WriteWholeFile(job, "{\\rtf1\\ansi{\\*\\cxs KA-T}Kat}");
  const std::string steno = home.path("steno");
  WriteWholeFile(steno, "THE\nKAT\n");
  expect_runs({"translate", "--steno", steno},
              {{{"--dict", main, "--dict", job}, 0, "The Kat\n", ""},
               {{"--dict", job, "--dict", main}, 0, "The cat\n", ""}},
              home);
}

TEST(TranslateCommand, RefusesWhatItCannotDo) {
  const ScratchFolder home;
  const std::string dictionary = home.path("small.rtf");
  WriteWholeFile(dictionary, small_dictionary);
  const std::string capture = home.path("capture");
  WriteWholeFile(capture, std::string("\xC0\xC8\xC4\xC1", 4));
  expect_runs(
      {"translate"},
      {
          {{"--dict", dictionary}, 2, "", "--steno FILE"},
          {{"--steno", "-"}, 2, "", "--dict"},
          {{"--dict", dictionary, "--writer", "stentura"}, 2, "", "--input"},
          {{"--dict", dictionary, "--input", capture}, 2, "", "--writer"},
          {{"--dict", dictionary, "--writer", "stentura", "--input", capture, "--steno", "-"},
           2,
           "",
           "excludes"},
          {{"--dict", home.path("none.rtf"), "--steno", "-"}, 1, "", "none.rtf"},
          {{"--dict", dictionary, "--writer", "geminipr", "--input", home.path("none")},
           1,
           "",
           "cannot read the capture: " + home.path("none") + ": No such file"},
          {{"--dict", dictionary, "--writer", "geminipr", "--port", ":9600,n,8,1"},
           2,
           "",
           "names no device"},
      },
      home);
}

// A Gemini PR capture with a byte lost from one stroke: that stroke is
// skipped, said with where it lay, and the packets after it are found again
// by their first byte, so the text is that of the steno without the stroke.
// From a file and from standard input alike.
TEST(TranslateCommand, AByteLostFromAGeminiPrCaptureLosesOnlyTheStrokeItHit) {
  if (!have_examples()) GTEST_SKIP() << "examples/sample.rtf and paragraph.txt are not there yet";
  const ScratchFolder home;
  const std::string capture = ReadWholeFile(example("paragraph.geminipr"));
  ASSERT_FALSE(capture.empty()) << "examples/paragraph.geminipr is missing";
  std::vector<std::string> steno;
  std::istringstream lines(ReadWholeFile(example("paragraph.steno")));
  for (std::string line; std::getline(lines, line);) steno.push_back(line);
  ASSERT_EQ(capture.size(), 6 * steno.size());

  for (const std::size_t hit : {std::size_t{0}, steno.size() / 2}) {
    for (const std::size_t lost : {std::size_t{0}, std::size_t{3}, std::size_t{5}}) {
      const std::string shown = "stroke " + std::to_string(hit) + " byte " + std::to_string(lost);
      std::string damaged = capture;
      damaged.erase(6 * hit + lost, 1);
      WriteWholeFile(home.path("damaged"), damaged);
      std::string rest;
      for (std::size_t i = 0; i < steno.size(); ++i)
        if (i != hit) rest += steno[i] + "\n";
      WriteWholeFile(home.path("rest.steno"), rest);
      const Outcome want = run_kelm(
          {"translate", "--dict", example("sample.rtf"), "--steno", home.path("rest.steno")}, home);
      ASSERT_EQ(0, want.status) << want.err;
      const std::string skip = "skipped 5 bytes at offset " + std::to_string(6 * hit) + "\n";
      const std::vector<std::string> translate = {"translate", "--dict",   example("sample.rtf"),
                                                  "--writer",  "geminipr", "--input"};
      std::vector<std::string> from_file = translate;
      from_file.push_back(home.path("damaged"));
      expect_outcome(run_kelm(from_file, home), 0, want.out,
                     "kelm translate: " + home.path("damaged") + ": " + skip, shown);
      std::vector<std::string> from_stdin = translate;
      from_stdin.push_back("-");
      expect_outcome(run_kelm(from_stdin, home, home.path("damaged")), 0, want.out,
                     "kelm translate: -: " + skip, shown + " from standard input");
    }
  }
}

// --- Every edit as it happens ---------------------------------------------

TEST(TranslateCommand, LiveWritesEveryEditOneALine) {
  const ScratchFolder home;
  const std::string dictionary = home.path("small.rtf");
  WriteWholeFile(dictionary, small_dictionary);
  const struct {
    const char* steno;
    const char* out;
  } cases[] = {
      {"", ""},
      // The suffix swallows "cat" into "cats", which goes whole.
      {"THE\nKAT\n-S\n*\n", "0\tThe\n0\t cat\n0\ts\n5\t\n0\t\\n\n"},
      {"PHAEUBG\n-G\n", "0\tMake\n1\ting\n0\t\\n\n"},
      // Characters are taken back, not bytes.
      {"KAF\n*\nKAF\n", "0\tCaf\xC3\xA9\n4\t\n0\tCaf\xC3\xA9\n0\t\\n\n"},
      // The undo takes the line break back.
      {"KAT\nPA*R\n*\n", "0\tCat\n0\t\\n\n1\t\n0\t\\n\n"},
      {"KAT\nTA*B\nSHRARB\n", "0\tCat\n0\t \\tx\n0\t a\\\\b\n0\t\\n\n"},
  };
  for (const auto& c : cases) {
    const std::string steno = home.path("steno");
    WriteWholeFile(steno, c.steno);
    expect_outcome(
        run_kelm({"translate", "--dict", dictionary, "--steno", "-", "--live"}, home, steno), 0,
        c.out, "", c.steno);
  }
}

// --- Characters Windows-1252 cannot hold ------------------------------------

// U+1F30F and U+1F30D differ in their last hexadecimal digit only.
constexpr const char* emoji_dictionary = R"({"KAT": "cat", "PHOEPBLG": "🌏", "PHOEPBLG/-B": "🌍",
"HAERT": "❤️", "-G": "{^ing}"})";

TEST(TranslateCommand, EmojiComeOutInUtf8ThroughAPipeAndLive) {
  const ScratchFolder home;
  const std::string dictionary = home.path("emoji.json");
  WriteWholeFile(dictionary, emoji_dictionary);
  const struct {
    const char* steno;
    const char* out;
    const char* live;  // take-backs in characters
  } cases[] = {
      {"KAT\nPHOEPBLG\n", "Cat 🌏\n", "0\tCat\n0\t 🌏\n0\t\\n\n"},
      {"PHOEPBLG\n-B\nKAT\n", "🌍 cat\n", "0\t🌏\n1\t🌍\n0\t cat\n0\t\\n\n"},
      {"HAERT\n-G\n*\n*\nKAT\n", "Cat\n", "0\t❤️\n0\ting\n3\t\n2\t\n0\tCat\n0\t\\n\n"},
  };
  for (const auto& c : cases) {
    const std::string steno = home.path("steno");
    WriteWholeFile(steno, c.steno);
    expect_outcome(run_kelm({"translate", "--dict", dictionary, "--steno", "-"}, home, steno), 0,
                   c.out, "", c.steno);
    expect_outcome(
        run_kelm({"translate", "--dict", dictionary, "--steno", "-", "--live"}, home, steno), 0,
        c.live, "", c.steno);
  }

  // The files: the text in UTF-8, the transcript with the emoji as \uN.
  const std::string steno = home.path("steno");
  WriteWholeFile(steno, "KAT\nPHOEPBLG\n");
  expect_outcome(run_kelm({"translate", "--dict", dictionary, "--steno", steno, "--text",
                           home.path("out.txt"), "--rtf", home.path("out.rtf")},
                          home),
                 0, "Cat 🌏\n", "", "--text and --rtf");
  EXPECT_EQ("Cat 🌏\n", ReadWholeFile(home.path("out.txt")));
  EXPECT_NE(std::string::npos, ReadWholeFile(home.path("out.rtf")).find("\\u-10180 ?\\u-8433 ?"))
      << ReadWholeFile(home.path("out.rtf"));

  const fs::path shared = fs::path(KELM_SHARED_DATA_DIR) / "json" / "didoesdigital_emoji.json";
  if (!fs::exists(shared)) GTEST_SKIP() << shared << " is not there";
  WriteWholeFile(steno, "PHOEPBLG\n*ERT\n*ERT\nA*ERB\n");
  expect_outcome(run_kelm({"translate", "--dict", shared.string(), "--steno", "-"}, home, steno), 0,
                 "🌏\n", "", "the shared emoji dictionary");
}

// --- On a terminal ----------------------------------------------------------

// The rows, trailing empty ones aside, and where the cursor stands:
// "row\nrow\n@column,row".
std::string screen_and_cursor(TmuxPane& pane) {
  std::string rows = pane.Screen();
  while (rows.ends_with("\n\n")) rows.pop_back();
  return rows + "@" + pane.Format("#{cursor_x},#{cursor_y}");
}

void type(TmuxPane& pane, const std::string& line) {
  pane.Text(line);
  pane.Keys("Enter");
}

template <class Pass>
std::string screen_once(TmuxPane& pane, Pass pass) {
  return Awaited([&] { return screen_and_cursor(pane); }, pass);
}

TEST(TranslateCommand, OnATerminalEachStrokeShowsAtOnceAndIsCorrectedInPlace) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/bootstrap installs it)";
  const ScratchFolder home;
  const std::string dictionary = home.path("small.rtf");
  WriteWholeFile(dictionary, small_dictionary);
  // The echo setting the run leaves behind shows after its text.
  TmuxPane pane(home, 18, 16,
                kelm_shell_command("translate --dict " + dictionary + " --steno -", home) +
                    "; stty -a | tr ' ;' '\\n\\n' | grep -x -e echo -e -echo");
  // The typed steno must not be echoed amid the text: wait for the echo to
  // go before typing.
  const std::string settings =
      Awaited([&] { return ShellOutput("stty -a -F " + pane.Format("#{pane_tty}") + " 2>&1"); },
              [](const std::string& s) { return s.find(" -echo ") != std::string::npos; });
  ASSERT_NE(std::string::npos, settings.find(" -echo ")) << settings;

  const struct {
    const char* steno;
    const char* screen;
  } steps[] = {
      {"THE", "The\n@3,0"},
      {"KAT", "The cat\n@7,0"},
      {"-S", "The cats\n@8,0"},
      {"*", "The\n@3,0"},
      {"PHAEUBG", "The make\n@8,0"},
      {"-G", "The making\n@10,0"},
      {"PA*R", "The making\n@0,1"},
      {"KAF", "The making\nCaf\xC3\xA9\n@4,1"},
      {"*", "The making\n@0,1"},
      // Back across the line break.
      {"*", "The making\n@10,0"},
      {"KAT", "The making cat\n@14,0"},
      // A line longer than the pane wraps, and is corrected across the wrap;
      // after a full row the cursor waits in its last column.
      {"KAT", "The making cat cat\n@18,0"},
      {"KAT", "The making cat cat\n cat\n@4,1"},
      {"-S", "The making cat cat\n cats\n@5,1"},
      {"*", "The making cat cat\n@18,0"},
      {"*", "The making cat\n@14,0"},
      {"THE", "The making cat the\n@18,0"},
      {"KAT", "The making cat the\n cat\n@4,1"},
  };
  for (const auto& step : steps) {
    type(pane, step.steno);
    EXPECT_EQ(step.screen,
              screen_once(pane, [&](const std::string& s) { return s == step.screen; }))
        << "after " << step.steno;
  }

  // A line that is not steno is reported on rows of its own, and the line
  // being written starts again below; a correction goes on there.
  type(pane, "K A T");
  const std::string above = "The making cat the\n cat\n";
  std::string screen = screen_once(pane, [&](const std::string& s) {
    return s.starts_with(above) && s.ends_with("\n" + above + "@4,7");
  });
  ASSERT_TRUE(screen.ends_with("\n" + above + "@4,7")) << screen;
  // The pane drops the blanks at the ends of the rows the message wraps on.
  std::string message = screen.substr(above.size(), screen.size() - 2 * above.size() - 4);
  std::erase_if(message, [](char c) { return c == '\n' || c == ' '; });
  EXPECT_EQ("-:19:\"KAT\"isnotstenointheplainnotation(character2)", message) << screen;
  type(pane, "*");
  screen = screen_once(
      pane, [](const std::string& s) { return s.ends_with("\nThe making cat the\n@18,6"); });
  EXPECT_TRUE(screen.starts_with(above)) << screen;
  EXPECT_TRUE(screen.ends_with("\nThe making cat the\n@18,6")) << screen;

  // The end of input ends the last line, and the echo comes back.
  pane.Keys("C-d");
  screen = screen_once(pane, [](const std::string& s) { return s.ends_with("\necho\n@0,8"); });
  EXPECT_TRUE(screen.ends_with("\nThe making cat the\necho\n@0,8")) << screen;
}

// An emoji takes two columns, and a correction after one lands where the
// text stands; one that would not fit in a row's last column goes to the
// next row, as the terminal puts it.
TEST(TranslateCommand, OnATerminalEmojiTakeTheirWidth) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/bootstrap installs it)";
  const ScratchFolder home;
  const std::string dictionary = home.path("emoji.json");
  WriteWholeFile(dictionary, emoji_dictionary);
  TmuxPane pane(home, 12, 8,
                kelm_shell_command("translate --dict " + dictionary + " --steno -", home));
  Awaited([&] { return ShellOutput("stty -a -F " + pane.Format("#{pane_tty}") + " 2>&1"); },
          [](const std::string& s) { return s.find(" -echo ") != std::string::npos; });
  const struct {
    const char* steno;
    const char* screen;
  } steps[] = {
      {"KAT", "Cat\n@3,0"},
      {"PHOEPBLG", "Cat 🌏\n@6,0"},
      {"-B", "Cat 🌍\n@6,0"},
      {"-G", "Cat 🌍ing\n@9,0"},
      {"*", "Cat 🌍\n@6,0"},
      {"KAT", "Cat 🌍 cat\n@10,0"},
      {"PHOEPBLG", "Cat 🌍 cat\n🌏\n@2,1"},
      {"KAT", "Cat 🌍 cat\n🌏 cat\n@6,1"},
      {"*", "Cat 🌍 cat\n🌏\n@2,1"},
      {"*", "Cat 🌍 cat\n@10,0"},
      {"HAERT", "Cat 🌍 cat ❤️\n@12,0"},
      {"KAT", "Cat 🌍 cat ❤️\n cat\n@4,1"},
      {"*", "Cat 🌍 cat ❤️\n@12,0"},
  };
  for (const auto& step : steps) {
    type(pane, step.steno);
    EXPECT_EQ(step.screen,
              screen_once(pane, [&](const std::string& s) { return s == step.screen; }))
        << "after " << step.steno;
  }
  pane.Keys("C-d");
}

}  // namespace
