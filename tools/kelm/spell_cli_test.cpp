// Runs kelm's spelling commands as a user would, each home with a hive and
// folders of its own, seeded from the build's default lexicons.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "testing/cli_runner.h"

namespace {

// In order, on one home: each run sees what the runs before it stored.
TEST(KelmSpell, CommandsOverTheSeededLexicons) {
  if (!std::filesystem::exists(KELM_BUILD_LEXICON_DIR "/ssceam2.clx"))
    GTEST_SKIP() << "the lexicons target is not built";
  const ScratchFolder home;
  WriteWholeFile(home.path("text.txt"),
                 "Teh cat sat  on the mat.It was fine.\n"
                 "Mr. Smith said zorbly.\n");
  WriteWholeFile(home.path("clean.txt"), "The cat sat on the mat.  It was fine.\n");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out;  // a part of the output; all of it when exact
    bool exact;
  } cases[] = {
      {{"spell", "check", "cat", "teh"}, 1, "cat\tok\t0\nteh\tmisspelled\t3\tthe\n", true},
      {{"spell", "suggest", "-n", "3", "begining"}, 0, "beginning\t", false},
      {{"spell", "check", "zorbly"}, 1, "zorbly\tmisspelled\t1\n", true},
      {{"spell", "add", "zorbly"}, 0, "", true},
      {{"spell", "check", "zorbly"}, 0, "zorbly\tok\t0\n", true},
      {{"spell", "text", home.path("clean.txt")}, 0, "", true},
      {{"spell", "text", home.path("missing.txt")}, 1, "", true},
      {{"lexicon", "list", user_folder(home) + "/user.tlx"}, 0, "zorbly\ti\n", true},
      {{"lexicon", "list", user_folder(home) + "/correct.tlx"}, 0, "teh\ta\tthe\n", false},
  };
  for (const auto& c : cases) {
    const Outcome got = run_kelm(c.args, home);
    const std::string shown = joined(c.args);
    EXPECT_EQ(c.status, got.status) << shown << "\n" << got.err;
    if (c.exact)
      EXPECT_EQ(c.out, got.out) << shown;
    else
      EXPECT_NE(std::string::npos, got.out.find(c.out)) << shown << "\n" << got.out;
  }
  // Nothing else is found: Mr. takes one space, and zorbly is known by now.
  const Outcome text = run_kelm({"spell", "text", home.path("text.txt")}, home);
  EXPECT_EQ(1, text.status);
  for (const char* finding :
       {"1:1: Teh: the, ", "1:12: spacing \"  \" between \"sat\" and \"on\": want \" \"\n",
        "1:24: spacing \".\" between \"mat\" and \"It\": want \".  \"\n"})
    EXPECT_NE(std::string::npos, text.out.find(finding)) << finding << "\n" << text.out;
  EXPECT_EQ(3, std::count(text.out.begin(), text.out.end(), '\n')) << text.out;
}

// What init seeds is the spell checker's business; here, that it seeds and
// makes the folders. A compiled list is read back whole.
TEST(KelmSpell, InitSeedsTheUserFolderAndCompileWritesALexicon) {
  const ScratchFolder home;
  EXPECT_EQ(0, run_kelm({"init"}, home).status);
  EXPECT_LT(100'000u, std::filesystem::file_size(user_folder(home) + "/ssceam2.clx"));
  EXPECT_TRUE(std::filesystem::is_directory(
      home.path("data/orvalis/drive_c/Program Files/Orvalis/Transcripts")));

  WriteWholeFile(home.path("american-english"), "cat\ncaf\xC3\xA9\nna\xC3\xAFve\n\xE2\x98\x83\n");
  std::filesystem::create_directory(home.path("levels"));
  WriteWholeFile(home.path("levels/english-words.10"), "cat\n");
  WriteWholeFile(home.path("levels/british-words.10"), "caf\xE9\n");
  const Outcome compiled = run_kelm({"lexicon", "compile", home.path("american-english"),
                                     home.path("out.clx"), "--levels", home.path("levels")},
                                    home);
  EXPECT_EQ(0, compiled.status) << compiled.err;
  EXPECT_NE(std::string::npos, compiled.out.find("3 words, 1 skipped")) << compiled.out;
  EXPECT_TRUE(std::filesystem::is_regular_file(home.path("out.idx")));
  const Outcome listed = run_kelm({"lexicon", "list", home.path("out.clx")}, home);
  EXPECT_EQ(0, listed.status) << listed.err;
  for (const char* word : {"cat\t", "caf\xC3\xA9\t", "na\xC3\xAFve\t"})
    EXPECT_NE(std::string::npos, listed.out.find(word)) << word << "\n" << listed.out;
  EXPECT_EQ(1,
            run_kelm({"lexicon", "compile", home.path("none"), home.path("x.clx")}, home).status);
}

// The index compiled beside the default lexicon is seeded with it and used
// as it is; a damaged or stale one gives the same answers, and the user is
// told why they were slow.
TEST(KelmSpell, SuggestionsComeFromTheSeededIndexOrTheSameWithoutIt) {
  if (!std::filesystem::exists(KELM_BUILD_LEXICON_DIR "/ssceam2.idx"))
    GTEST_SKIP() << "the lexicons target is not built";
  const ScratchFolder home;
  ASSERT_EQ(0, run_kelm({"init"}, home).status);
  const std::string index = user_folder(home) + "/ssceam2.idx";
  const std::string seeded = ReadWholeFile(index);
  EXPECT_EQ(ReadWholeFile(KELM_BUILD_LEXICON_DIR "/ssceam2.idx"), seeded);
  const std::vector<std::string> suggest = {"spell", "suggest", "-n", "5", "begining"};
  const Outcome mapped = run_kelm(suggest, home);
  expect_outcome(mapped, 0, mapped.out, "", joined(suggest));
  EXPECT_EQ(0u, mapped.out.find("beginning\t")) << mapped.out;

  WriteWholeFile(home.path("words"), "cat\n");
  ASSERT_EQ(
      0, run_kelm({"lexicon", "compile", home.path("words"), home.path("other.clx")}, home).status);
  const std::string text = home.path("text.txt");
  WriteWholeFile(text, "the begining\n");
  const std::string first = mapped.out.substr(0, mapped.out.find('\t'));
  const struct {
    std::string index;
    std::vector<std::string> args;
    int status;
    std::string out;  // the start of the output
    std::string err;
  } cases[] = {
      {seeded.substr(0, seeded.size() / 2), suggest, 0, mapped.out, "a damaged suggestion index"},
      {ReadWholeFile(home.path("other.idx")),
       {"spell", "text", text},
       1,
       "1:5: begining: " + first,
       "the suggestion index of another version of the lexicon"},
  };
  for (const auto& c : cases) {
    WriteWholeFile(index, c.index);
    const Outcome got = run_kelm(c.args, home);
    const std::string shown = joined(c.args) + " with " + c.err;
    EXPECT_EQ(c.status, got.status) << shown << "\n" << got.err;
    EXPECT_EQ(0u, got.out.find(c.out)) << shown << "\n" << got.out;
    EXPECT_NE(std::string::npos, got.err.find("ssceam2.idx: " + c.err)) << shown << "\n" << got.err;
  }
}

}  // namespace
