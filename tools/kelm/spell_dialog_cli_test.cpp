// kelm spell text --interactive as a person proofreads a transcript in a
// tmux pane: two misspellings and a spacing error, answered in the dialogs,
// and the file written back.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "testing/scratch_folder.h"
#include "testing/shell_command.h"

namespace {

// kelm in a pane of its own tmux server, with a home, hive and default
// lexicon of the folder's; its output and status land in the folder.
class KelmPane {
 public:
  KelmPane(const ScratchFolder& folder, const std::string& args)
      : m_folder(folder), m_tmux("tmux -f /dev/null -S '" + folder.path("tmux.socket") + "' ") {
    const std::string command =
        "cd " + folder.path("") + " && env HOME=" + folder.path("") +
        " XDG_CONFIG_HOME=" + folder.path("config") + " XDG_DATA_HOME=" + folder.path("data") +
        " KELM_LEXICON_DIR=" + folder.path("defaults") + " TERM=xterm-256color LANG=C.UTF-8 " +
        KELM_COMMAND + " " + args + " > out 2> err; echo \\$? > rc.tmp; mv rc.tmp rc; cat";
    ShellOutput(m_tmux + "new-session -d -s kelm -x 100 -y 40 \"" + command + "\" 2>&1");
  }
  KelmPane(const KelmPane&) = delete;
  KelmPane& operator=(const KelmPane&) = delete;
  ~KelmPane() { ShellOutput(m_tmux + "kill-server 2>/dev/null"); }

  void Keys(const std::string& keys) { ShellOutput(m_tmux + "send-keys -t kelm " + keys); }
  // The screen once it shows want, or what it shows after twenty seconds.
  std::string ScreenWith(const std::string& want) {
    std::string screen;
    for (int tries = 0; tries < 1000 && screen.find(want) == std::string::npos; ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      screen = ShellOutput(m_tmux + "capture-pane -p -t kelm");
    }
    return screen;
  }
  // The exit status once kelm ended, or -1.
  int ExitStatus() {
    for (int tries = 0; tries < 1000; ++tries) {
      if (std::filesystem::exists(m_folder.path("rc")))
        return std::stoi(ReadWholeFile(m_folder.path("rc")));
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }

 private:
  const ScratchFolder& m_folder;
  std::string m_tmux;
};

TEST(KelmSpellInteractive, ProofreadsATranscriptInTheDialogsAndWritesItBack) {
  if (std::system("command -v tmux >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
  const ScratchFolder home;
  std::filesystem::create_directory(home.path("defaults"));
  WriteWholeFile(home.path("defaults/ssceam.tlx"),
                 "the\ti\ncat\ti\nsat\ti\non\ti\nmat\ti\nit\ti\nwas\ti\nfine\ti\nthere\ti\n"
                 "were\ti\ntwo\ti\ndogs\ti\n");
  WriteWholeFile(home.path("text.txt"),
                 "Teh cat sat on the mat.  It was fine.\nThere were twoo dogs  there.\n");
  KelmPane pane(home, "spell text text.txt --interactive");

  std::string screen = pane.ScreenWith("Teh");
  ASSERT_NE(std::string::npos, screen.find("Correct Spelling")) << screen;
  EXPECT_NE(std::string::npos, screen.find("1  The")) << "suggestions are numbered\n" << screen;
  pane.Keys("Enter");  // Replace with the first suggestion
  screen = pane.ScreenWith("twoo");
  ASSERT_NE(std::string::npos, screen.find("1  two")) << screen;
  pane.Keys("M-1");  // the first suggestion's digit replaces at once
  screen = pane.ScreenWith("Double space error");
  EXPECT_NE(std::string::npos, screen.find("##")) << "the old spacing shows its spaces\n" << screen;
  pane.Keys("M-r");  // Replace the two spaces by one

  ASSERT_EQ(0, pane.ExitStatus()) << ReadWholeFile(home.path("err"));
  EXPECT_EQ("The cat sat on the mat.  It was fine.\nThere were two dogs there.\n",
            ReadWholeFile(home.path("text.txt")));
  EXPECT_EQ("14 words checked, 2 replaced, 0 added, 0 ignored\n", ReadWholeFile(home.path("out")));
}

// Quit keeps the changes made so far; a walk with no change leaves the file
// alone.
TEST(KelmSpellInteractive, QuitWritesTheChangesSoFarAndNothingChangedWritesNothing) {
  if (std::system("command -v tmux >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
  const ScratchFolder home;
  std::filesystem::create_directory(home.path("defaults"));
  WriteWholeFile(home.path("defaults/ssceam.tlx"), "the\ti\ncat\ti\ntwo\ti\n");
  WriteWholeFile(home.path("text.txt"), "teh cat twoo cat\n");
  {
    KelmPane pane(home, "spell text text.txt --interactive --no-spacing");
    pane.ScreenWith("teh");
    pane.Keys("Enter");
    pane.ScreenWith("twoo");
    pane.Keys("M-q");
    ASSERT_EQ(0, pane.ExitStatus()) << ReadWholeFile(home.path("err"));
  }
  EXPECT_EQ("the cat twoo cat\n", ReadWholeFile(home.path("text.txt")));
  EXPECT_EQ("3 words checked, 1 replaced, 0 added, 0 ignored (quit)\n",
            ReadWholeFile(home.path("out")));

  std::filesystem::remove(home.path("rc"));
  const auto written = std::filesystem::last_write_time(home.path("text.txt"));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  {
    KelmPane pane(home, "spell text text.txt --interactive --no-spacing");
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
  if (std::system("command -v tmux >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
  const ScratchFolder home;
  std::filesystem::create_directory(home.path("defaults"));
  WriteWholeFile(home.path("defaults/ssceam.tlx"), "cat\ti\ntwo\ti\n");
  WriteWholeFile(home.path("text.txt"), "twoo zorb blorp cat twoo zorb blorp\n");
  {
    KelmPane pane(home, "spell text text.txt --interactive --no-spacing");
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
