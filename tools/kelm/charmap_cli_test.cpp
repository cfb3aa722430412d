// Runs `kelm charmap` and `kelm autocomplete edit` as a person would, in a
// tmux pane: what the dialog draws, what the command prints and how it
// exits, and what is written to the profile file. Without a terminal both
// refuse. The dialogs' own behaviour is the library's tests' business.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "testing/cli_runner.h"
#include "testing/tmux_pane.h"

namespace {

// One run of kelm in a 100 by 40 pane; its standard output and error land
// in files of the home.
class KelmPane : public TmuxPane {
 public:
  KelmPane(const ScratchFolder& home, const std::string& args)
      : TmuxPane(home, 100, 40, kelm_shell_command(args, home) + " > out 2> err"), m_home(home) {}
  std::string Out() { return ReadWholeFile(m_home.path("out")); }
  std::string Err() { return ReadWholeFile(m_home.path("err")); }

 private:
  const ScratchFolder& m_home;
};

TEST(KelmCharmap, PicksACharacterWithTheMouseAndOpensOnItNextTime) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/bootstrap installs it)";
  const ScratchFolder home;
  {
    KelmPane pane(home, "charmap");
    EXPECT_TRUE(pane.Shows({"Insert Special Character", "Special Characters", "OK", "Cancel"}));
    // é is below the rows the list shows: the wheel brings it into view.
    const std::pair<int, int> list = pane.Find("¡");
    ASSERT_GE(list.first, 0) << pane.Screen();
    for (int notches = 0; notches < 20 && pane.Find("é").first < 0; ++notches) {
      pane.Mouse(65, list);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    pane.SettledScreen();
    ASSERT_GE(pane.Find("é").first, 0) << pane.Screen();
    // The list highlights the character clicked.
    ASSERT_TRUE(pane.ClickUntilShown("é", "7mé"));
    pane.Keys("Enter");
    ASSERT_EQ(0, pane.ExitStatus()) << pane.Err();
    EXPECT_EQ("é\n", pane.Out()) << "the character, as UTF-8";
    EXPECT_EQ("", pane.Err());
    EXPECT_TRUE(pane.Shows({}, {"Insert Special"})) << "the dialog is gone";
  }
  {
    KelmPane pane(home, "charmap");
    pane.ScreenWith("Cancel");
    pane.Keys("Enter");
    ASSERT_EQ(0, pane.ExitStatus()) << pane.Err();
    EXPECT_EQ("é\n", pane.Out()) << "the dialog opens on the character chosen last";
  }
  KelmPane pane(home, "charmap");
  pane.ScreenWith("Cancel");
  pane.Keys("Down");
  pane.Keys("Escape");
  EXPECT_EQ(1, pane.ExitStatus());
  EXPECT_EQ("", pane.Out());
}

TEST(KelmAutocompleteEdit, EditsTheSectionWithKeysAndMouseAndSavesOnOk) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/bootstrap installs it)";
  const ScratchFolder home;
  const std::string ini = home.path("words.ini");
  std::ofstream(ini) << "[Other]\nkeep=1\n[AC]\n0=alpha\n1=bravo\nCount=2\nAuto Complete=0\n"
                        "Load History=0\nNum Chars=3\n";
  KelmPane pane(home, "autocomplete edit " + ini + " AC");
  EXPECT_TRUE(pane.Shows({"Auto Complete Options", "[ ] Load history", "[ ] Enable auto complete",
                          "alpha", "bravo", "characters"}));
  pane.Keys("M-e");
  EXPECT_TRUE(pane.Shows({"[x] Enable auto complete"}));
  pane.Keys("Tab");
  pane.Text("5");
  pane.Keys("Tab");
  pane.Text("charlie");
  pane.Keys("M-a");
  // Typed, the word shows in its field two rows above the list; added, it
  // tops the list, above alpha, and the field is empty.
  ASSERT_EQ(1, Awaited([&] { return pane.Find("alpha").first - pane.Find("charlie").first; },
                       [](int rows) { return rows == 1; }))
      << pane.Screen();
  // Delete takes the item the list highlights, once it does.
  ASSERT_TRUE(pane.ClickUntilShown("bravo", "7mbravo"));
  pane.Keys("M-d");
  EXPECT_TRUE(pane.Shows({}, {"bravo"}));
  pane.Keys("Enter");
  ASSERT_EQ(0, pane.ExitStatus()) << pane.Err();
  EXPECT_EQ("", pane.Out());
  const std::string saved = ReadWholeFile(ini);
  for (const char* line : {"[Other]\nkeep=1\n", "0=charlie\n", "1=alpha\n", "Count=2\n",
                           "Auto Complete=1\n", "Load History=0\n", "Num Chars=5\n"})
    EXPECT_NE(std::string::npos, saved.find(line)) << line << " in\n" << saved;
}

TEST(KelmAutocompleteEdit, CancelLeavesTheFileAsItWas) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/bootstrap installs it)";
  const ScratchFolder home;
  const std::string ini = home.path("words.ini");
  const std::string before = "[AC]\n0=alpha\nCount=1\n";
  std::ofstream(ini) << before;
  KelmPane pane(home, "autocomplete edit " + ini + " AC");
  ASSERT_TRUE(pane.Shows({"alpha", "Auto Complete Options"}));
  pane.Keys("M-e");
  pane.ScreenWith("[x] Enable");
  pane.Keys("Escape");
  EXPECT_EQ(1, pane.ExitStatus());
  EXPECT_EQ(before, ReadWholeFile(ini));
}

TEST(KelmAutocompleteEdit, CopiesBetweenTwoEditsWithTheClipboardKeys) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/bootstrap installs it)";
  const ScratchFolder home;
  const std::string ini = home.path("words.ini");
  std::ofstream(ini) << "[AC]\n0=alpha\nCount=1\nNum Chars=7\n";
  KelmPane pane(home, "autocomplete edit " + ini + " AC");
  ASSERT_TRUE(pane.Shows({"Auto Complete Options", "alpha", "7"}));
  // The second Tab selects the count; Ctrl+C copies it, Ctrl+V pastes it
  // after the word typed in the next box, and Shift+Insert once more.
  pane.Keys("Tab");
  pane.Keys("Tab");
  pane.Keys("C-c");
  pane.Keys("Tab");
  pane.Text("item");
  pane.Keys("C-v");
  pane.Keys("S-IC");
  EXPECT_TRUE(pane.Shows({"item77"})) << pane.Screen();
  pane.Keys("M-a");
  // Added, the word tops the list, just above alpha.
  ASSERT_EQ(1, Awaited([&] { return pane.Find("alpha").first - pane.Find("item77").first; },
                       [](int rows) { return rows == 1; }))
      << pane.Screen();
  pane.Keys("Enter");
  ASSERT_EQ(0, pane.ExitStatus()) << pane.Err() << pane.Screen();
  const std::string saved = ReadWholeFile(ini);
  for (const char* line : {"0=item77\n", "1=alpha\n", "Num Chars=7\n"})
    EXPECT_NE(std::string::npos, saved.find(line)) << line << " in\n" << saved;
}

TEST(KelmCharmap, WithoutATerminalEachCommandSaysSoAndExits2) {
  const ScratchFolder home;
  const std::string ini = home.path("words.ini");
  const std::vector<std::string> runs[] = {{"charmap"}, {"autocomplete", "edit", ini, "AC"}};
  for (const std::vector<std::string>& args : runs)
    expect_outcome(run_kelm(args, home), 2, "", "no terminal", joined(args));
  EXPECT_FALSE(std::ifstream(ini).good()) << "no file is written";
}

}  // namespace
