// kelm spell text --interactive as a person proofreads a transcript in a
// tmux pane: two misspellings and a spacing error, answered in the dialogs,
// and the file written back.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>

#include "testing/cli_runner.h"
#include "testing/tmux_pane.h"

namespace {

// kelm spell text on text.txt in a pane, with the home's lexicons as the
// defaults; its output lands in the home.
class SpellPane : public TmuxPane {
 public:
  SpellPane(const ScratchFolder& home, const std::string& options)
      : TmuxPane(home, 100, 40,
                 kelm_shell_command("spell text text.txt --interactive" + options, home,
                                    home.path("defaults")) +
                     " > out 2> err") {}
};

// A default lexicon of the words, each stored as Add stores it, and the text.
void lay_out(const ScratchFolder& home, const std::string& words, const std::string& text) {
  std::filesystem::create_directory(home.path("defaults"));
  std::string lexicon;
  std::istringstream in(words);
  for (std::string word; in >> word;) lexicon += word + "\ti\n";
  WriteWholeFile(home.path("defaults/ssceam.tlx"), lexicon);
  WriteWholeFile(home.path("text.txt"), text);
}

TEST(KelmSpellInteractive, ProofreadsATranscriptInTheDialogsAndWritesItBack) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/bootstrap installs it)";
  const ScratchFolder home;
  lay_out(home, "the cat sat on mat it was fine there were two dogs",
          "Teh cat sat on the mat.  It was fine.\nThere were twoo dogs  there.\n");
  SpellPane pane(home, "");

  ASSERT_TRUE(pane.Shows({"Teh", "Correct Spelling", "1  The"})) << "suggestions are numbered";
  pane.Keys("Enter");  // Replace with the first suggestion
  ASSERT_TRUE(pane.Shows({"twoo", "1  two"}));
  pane.Keys("M-1");  // the first suggestion's digit replaces at once
  EXPECT_TRUE(pane.Shows({"Double space error", "##"})) << "the old spacing shows its spaces";
  pane.Keys("M-r");  // Replace the two spaces by one

  ASSERT_EQ(0, pane.ExitStatus()) << ReadWholeFile(home.path("err"));
  EXPECT_EQ("The cat sat on the mat.  It was fine.\nThere were two dogs there.\n",
            ReadWholeFile(home.path("text.txt")));
  EXPECT_EQ("14 words checked, 2 replaced, 0 added, 0 ignored\n", ReadWholeFile(home.path("out")));
}

// Quit keeps the changes made so far; a walk with no change leaves the file
// alone.
TEST(KelmSpellInteractive, QuitWritesTheChangesSoFarAndNothingChangedWritesNothing) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/bootstrap installs it)";
  const ScratchFolder home;
  lay_out(home, "the cat two", "teh cat twoo cat\n");
  {
    SpellPane pane(home, " --no-spacing");
    pane.ScreenWith("teh");
    pane.Keys("Enter");
    pane.ScreenWith("twoo");
    pane.Keys("M-q");
    ASSERT_EQ(0, pane.ExitStatus()) << ReadWholeFile(home.path("err"));
  }
  EXPECT_EQ("the cat twoo cat\n", ReadWholeFile(home.path("text.txt")));
  EXPECT_EQ("3 words checked, 1 replaced, 0 added, 0 ignored (quit)\n",
            ReadWholeFile(home.path("out")));

  const auto written = std::filesystem::last_write_time(home.path("text.txt"));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  {
    SpellPane pane(home, " --no-spacing");
    pane.ScreenWith("twoo");
    pane.Keys("M-s");
    ASSERT_EQ(0, pane.ExitStatus()) << ReadWholeFile(home.path("err"));
  }
  EXPECT_EQ(written, std::filesystem::last_write_time(home.path("text.txt")));
  EXPECT_EQ("4 words checked, 0 replaced, 0 added, 0 ignored\n", ReadWholeFile(home.path("out")));
}

// Replace All, Add and Ignore hold for the rest of the walk: each later
// occurrence is replaced or passed without a dialog, and the added word is in
// the user lexicon afterwards.
TEST(KelmSpellInteractive, ReplaceAllAddAndIgnoreHoldForTheRestOfTheWalk) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/bootstrap installs it)";
  const ScratchFolder home;
  lay_out(home, "cat two", "twoo zorb blorp cat twoo zorb blorp\n");
  {
    SpellPane pane(home, " --no-spacing");
    pane.ScreenWith("twoo");
    pane.Keys("M-p");  // Replace All
    pane.ScreenWith("zorb");
    pane.Keys("M-a");  // Add
    pane.ScreenWith("blorp");
    pane.Keys("M-i");  // Ignore
    ASSERT_EQ(0, pane.ExitStatus()) << ReadWholeFile(home.path("err"));
  }
  EXPECT_EQ("two zorb blorp cat two zorb blorp\n", ReadWholeFile(home.path("text.txt")));
  EXPECT_EQ("7 words checked, 2 replaced, 1 added, 1 ignored\n", ReadWholeFile(home.path("out")));
  bool added = false;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(home.path("data")))
    if (entry.path().filename() == "user.tlx")
      added = ReadWholeFile(entry.path().string()).find("zorb\ti") != std::string::npos;
  EXPECT_TRUE(added) << "Add stores the word in the user lexicon";
}

}  // namespace
