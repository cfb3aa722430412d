// `kelm translate` end to end: the bundled captures through the bundled
// dictionary, the transcript read back, undo and untranslated strokes, and
// the command line's mistakes.

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "testing/cli_runner.h"

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

const char* const writers[] = {"stentura", "sten8000", "baron", "flash", "xscribe", "merit"};

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

// The outlines of the "{\*\cxs ...}" groups, in file order, in the plain
// notation. The writer may break a line before a control word or in place of
// the blank after one.
std::vector<std::string> transcript_outlines(std::string rtf) {
  rtf = std::regex_replace(rtf, std::regex("\r\n"), "\n");
  std::vector<std::string> outlines;
  const std::regex group(R"(\{\n?\\\*\n?\\cxs[ \n]([^}]*)\})");
  for (auto m = std::sregex_iterator(rtf.begin(), rtf.end(), group); m != std::sregex_iterator();
       ++m) {
    const std::string text = std::regex_replace((*m)[1].str(), std::regex("\n"), "");
    CSteno steno;
    EXPECT_EQ(0, steno.SetRtf(CString(text.c_str()), 0)) << text;
    outlines.emplace_back(steno.GetStrDisplay(0).View());
  }
  return outlines;
}

std::vector<std::string> strokes_of(const std::vector<std::string>& outlines) {
  std::vector<std::string> strokes;
  for (const std::string& outline : outlines) {
    CSteno steno(CString(outline.c_str()), 0);
    for (int i = 0; i < steno.GetStrokeCount(); ++i)
      strokes.emplace_back(steno[i].GetStrCompressed(0).View());
  }
  return strokes;
}

// The steno file's outlines, one a line, blank lines left out.
std::vector<std::string> steno_file_outlines(const std::string& path) {
  std::istringstream lines(ReadWholeFile(path));
  std::vector<std::string> outlines;
  for (std::string line; std::getline(lines, line);)
    if (const std::string outline = words_of(line); !outline.empty()) outlines.push_back(outline);
  return outlines;
}

TEST(TranslateCommand, TranscriptReadsBackAsTheStrokesAndTheText) {
  if (!have_examples()) GTEST_SKIP() << "examples/sample.rtf and paragraph.txt are not there yet";
  const ScratchFolder home;
  const std::string rtf = home.path("out.rtf"), text = home.path("out.txt");
  const Outcome got = run_kelm({"translate", "--dict", example("sample.rtf"), "--steno",
                                example("paragraph.steno"), "--rtf", rtf, "--text", text},
                               home);
  ASSERT_EQ(0, got.status) << got.err;
  EXPECT_EQ(got.out, ReadWholeFile(text));

  const std::vector<std::string> outlines = transcript_outlines(ReadWholeFile(rtf));
  EXPECT_EQ(strokes_of(steno_file_outlines(example("paragraph.steno"))), strokes_of(outlines));

  CFile file(rtf.c_str(), CFile::modeRead | CFile::typeBinary);
  kelm_cli::CStenoDictionary read;
  const kelm_cli::DictionaryLoad load = kelm_cli::ReadRtfDictionary(file, read);
  EXPECT_EQ(0, load.result);
  EXPECT_TRUE(load.invalid.empty());
  // Outlines that recur are read once, with their last text.
  const std::set<std::string> distinct(outlines.begin(), outlines.end());
  EXPECT_EQ(distinct.size(), read.GetCount());
  for (std::size_t i = 0; i < read.GetCount(); ++i) {
    const std::string outline(read.GetOutline(i).GetStrDisplay(0).View());
    EXPECT_TRUE(distinct.contains(outline)) << outline;
    EXPECT_NE(std::string::npos, got.out.find(read.GetTranslation(i).text)) << outline;
  }

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

// A small dictionary of the test's own, so that each case shows one thing.
const char small_dictionary[] =
    "{\\rtf1\\ansi{\\*\\cxrev100}\\cxdict{\\*\\cxsystem test}\r\n"
    "{\\*\\cxs TH-E}the\r\n"
    "{\\*\\cxs KA-T}cat\r\n"
    "{\\*\\cxs KA-T/-S}cats\r\n"
    "{\\*\\cxs PHA-EUBG}make\r\n"
    "{\\*\\cxs -G}\\cxds ing\r\n"
    "{\\*\\cxs TP-PL}\\cxds .\\cxfc\r\n"
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
      {"TH-E\nKA-T\n-S\n", 0, "The cats\n", ""},
      {"THE/KAT\n\n  PHAEUBG  \n-G\nTP-PL\n", 0, "The cat making.\n", ""},
      {"THE\nKAT\n*\nTKOG\n", 0, "The TKO-G\n", ""},
      {"*\n*\n", 0, "", ""},
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
  EXPECT_EQ("The Kat\n",
            run_kelm({"translate", "--dict", main, "--dict", job, "--steno", steno}, home).out);
  EXPECT_EQ("The cat\n",
            run_kelm({"translate", "--dict", job, "--dict", main, "--steno", steno}, home).out);
}

TEST(TranslateCommand, RefusesWhatItCannotDo) {
  const ScratchFolder home;
  const std::string dictionary = home.path("small.rtf");
  WriteWholeFile(dictionary, small_dictionary);
  const std::string capture = home.path("capture");
  WriteWholeFile(capture, std::string("\xC0\xC8\xC4\xC1\xC0", 5));
  const struct {
    std::vector<std::string> args;
    int status;
    const char* err;
  } cases[] = {
      {{"translate", "--dict", dictionary}, 2, "--steno FILE"},
      {{"translate", "--steno", "-"}, 2, "--dict"},
      {{"translate", "--dict", dictionary, "--writer", "stentura"}, 2, "--input"},
      {{"translate", "--dict", dictionary, "--input", capture}, 2, "--writer"},
      {{"translate", "--dict", dictionary, "--writer", "stentura", "--input", capture, "--steno",
        "-"},
       2,
       "excludes"},
      {{"translate", "--dict", home.path("none.rtf"), "--steno", "-"}, 1, "none.rtf"},
      {{"translate", "--dict", dictionary, "--writer", "stentura", "--input", capture},
       1,
       "the last 1 byte(s)"},
  };
  for (const auto& c : cases) {
    const Outcome got = run_kelm(c.args, home);
    EXPECT_EQ(c.status, got.status) << c.args.back();
    EXPECT_NE(std::string::npos, got.err.find(c.err)) << c.args.back() << "\n" << got.err;
  }
}

}  // namespace
