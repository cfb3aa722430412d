// The checker's dialogs driven as a person drives them, through the scripted
// front end, over a user folder of the test's own.
#include "spell/spell_dlgs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/spelling/ssce.h"
#include "platform/ui/controls.h"
#include "platform/ui/front_end.h"
#include "platform/ui/scripted/scripted_front_end.h"
#include "resources/resource.h"
#include "spell/spell_checker.h"
#include "testing/user_folder_test.h"

namespace {

class SpellDialogsTest : public UserFolderTest {
 protected:
  int profile(LPCSTR section, LPCSTR name) {
    return static_cast<int>(m_app.GetProfileInt(section, name, -99));
  }
};

HWND active_dialog() {
  HWND windows[8];
  const int n = KelmGetTopLevelWindows(windows, 8);
  return n > 0 ? windows[n - 1] : nullptr;
}

CString item_text(int nID, int index) {
  CString text;
  static_cast<CListBox*>(CWnd::FromHandle(GetDlgItem(active_dialog(), nID)))->GetText(index, text);
  return text;
}

// The modal and the modeless form of each dialog, which must answer alike.
using SuggestionForm = int (CSpellChecker::*)(CString, CString&, CString*, int, int, int);
using SpacingForm = int (CSpellChecker::*)(CString, CString&);
constexpr SuggestionForm suggestion_forms[] = {&CSpellChecker::ShowSuggestionDlg,
                                               &CSpellChecker::ShowModelessSuggestionDlg};
constexpr SpacingForm spacing_forms[] = {&CSpellChecker::ShowSpacingDlg,
                                         &CSpellChecker::ShowModelessSpacingDlg};

// One person's way of ending the dialog, and what the caller gets.
struct SuggestionCase {
  const char* name;
  std::function<void(KelmScriptedFrontEnd&)> act;
  int result;
  const char* replacement;
};

TEST_F(SpellDialogsTest, EachButtonAndKeyEndsTheSuggestionDialogWithItsActionAndReplacement) {
  const SuggestionCase cases[] = {
      {"Replace", [](auto& p) { p.Click(IDC_REPLACE); }, 0, "there"},
      {"Ignore", [](auto& p) { p.Click(IDC_IGNORE); }, 1, "there"},
      {"Add", [](auto& p) { p.Click(IDC_ADD); }, 2, "there"},
      {"Skip", [](auto& p) { p.Click(IDC_SKIP); }, 3, "there"},
      {"Replace All", [](auto& p) { p.Click(IDC_REPLACE_ALL); }, 4, "there"},
      {"Quit", [](auto& p) { p.Click(IDCANCEL); }, -1, ""},
      {"Esc", [](auto& p) { p.Press(VK_ESCAPE); }, -1, ""},
      {"Enter replaces", [](auto& p) { p.Press(VK_RETURN); }, 0, "there"},
      {"Alt+S skips", [](auto& p) { p.Press('S', KELM_MOD_ALT); }, 3, "there"},
      {"Alt+3 picks the third", [](auto& p) { p.Press('3', KELM_MOD_ALT); }, 0, "the"},
      {"Alt+2 picks the second", [](auto& p) { p.Press('2', KELM_MOD_ALT); }, 0, "three"},
      {"a list pick then Skip",
       [](auto& p) { p.SelectItem(IDC_SUGGESTIONS, "2\tthree").Click(IDC_SKIP); }, 3, "three"},
      {"an edited replacement and Enter",
       [](auto& p) { p.Press('E', KELM_MOD_ALT).Type("thee").Press(VK_RETURN); }, 0, "thee"},
      {"Backspace over a selection takes the last letter",
       [](auto& p) { p.Press('E', KELM_MOD_ALT).Press(VK_BACK).Press(VK_RETURN); }, 0, "ther"},
      {"a digit past the suggestions only beeps",
       [](auto& p) { p.Press('7', KELM_MOD_ALT).Click(IDC_SKIP); }, 3, "there"},
      {"Lexicons opens the editor over it",
       [](auto& p) { p.Press('L', KELM_MOD_ALT).Click(IDOK).Click(IDC_SKIP); }, 3, "there"},
  };
  for (const SuggestionForm show : suggestion_forms) {
    for (const SuggestionCase& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (show == suggestion_forms[0] ? "" : " (modeless)"));
      KelmScriptedFrontEnd person;
      c.act(person);
      CSpellChecker checker;
      CString suggestions[] = {"there", "three", "the"};
      CString replacement = "stale";
      EXPECT_EQ(c.result, (checker.*show)("thre", replacement, suggestions, 3, 0, 1));
      EXPECT_STREQ(c.replacement, replacement);
      EXPECT_EQ(0, person.Remaining());
    }
  }
}

// A digit picks the suggestion of its number and replaces at once; a digit
// with no suggestion of its number (one past the last, 0, any digit when
// there is none) only beeps and must never replace the word with nothing.
TEST_F(SpellDialogsTest, DigitsPickOnlySuggestionsThatExist) {
  CString nine[9], three[] = {"there", "three", "the"};
  for (int i = 0; i < 9; ++i) nine[i].Format("w%d", i + 1);
  const struct {
    const char* name;
    CString* suggestions;
    int count;
    int digit;
    int result;  // 3: the digit left the dialog open, and Skip ended it
    const char* replacement;
    int beeps;
  } cases[] = {
      {"1 of one", three, 1, '1', 0, "there", 0},
      {"2, one past one", three, 1, '2', 3, "there", 1},
      {"3 of three, the last", three, 3, '3', 0, "the", 0},
      {"4, one past three", three, 3, '4', 3, "there", 1},
      {"0", three, 3, '0', 3, "there", 1},
      {"9 of nine", nine, 9, '9', 0, "w9", 0},
      {"1 with none found", nullptr, 0, '1', 3, "", 1},
      {"0 with none found", nullptr, 0, '0', 3, "", 1},
      {"1 with a count but no suggestions given", nullptr, 3, '1', 3, "", 1},
  };
  for (const SuggestionForm show : suggestion_forms) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string("Alt+") + c.name +
                   (show == suggestion_forms[0] ? "" : " (modeless)"));
      KelmScriptedFrontEnd person;
      person.Press(c.digit, KELM_MOD_ALT);
      if (c.result == 3) person.Click(IDC_SKIP);
      CSpellChecker checker;
      CString replacement = "stale";
      EXPECT_EQ(c.result, (checker.*show)("qxzqxz", replacement, c.suggestions, c.count, 0, 0));
      EXPECT_STREQ(c.replacement, replacement);
      EXPECT_EQ(c.beeps, std::count(person.Shown().begin(), person.Shown().end(), "beep"));
      EXPECT_EQ(0, person.Remaining());
    }
  }
}

// The list as shown, items joined by "|", and the state of the other controls.
struct SuggestionView {
  std::string items;
  CString replacement;
  BOOL add = TRUE, ignore = TRUE;
};

SuggestionView look_at_suggestion_dialog() {
  SuggestionView v;
  const HWND dlg = active_dialog();
  const int n = static_cast<int>(SendMessageA(GetDlgItem(dlg, IDC_SUGGESTIONS), LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i)
    v.items += (i > 0 ? "|" : "") + std::string(item_text(IDC_SUGGESTIONS, i).View());
  CWnd::FromHandle(GetDlgItem(dlg, IDC_REPLACEMENT))->GetWindowText(v.replacement);
  v.add = IsWindowEnabled(GetDlgItem(dlg, IDC_ADD));
  v.ignore = IsWindowEnabled(GetDlgItem(dlg, IDC_IGNORE));
  return v;
}

// Only the first nine suggestions carry digits; the first is offered at once.
TEST_F(SpellDialogsTest, TheSuggestionDialogOpensWithItsListReplacementAndButtons) {
  CString twelve[12], one[] = {"there"};
  for (int i = 0; i < 12; ++i) twelve[i].Format("w%d", i + 1);
  const struct {
    const char* name;
    CString* suggestions;
    int count, no_add_ignore;
    const char *items, *offered;
    BOOL add_and_ignore;
    int key, result;  // the key that ends the dialog, with Alt
    const char* replacement;
  } cases[] = {
      {"twelve", twelve, 12, 0,
       "1\tw1|2\tw2|3\tw3|4\tw4|5\tw5|6\tw6|7\tw7|8\tw8|9\tw9|\tw10|\tw11|\tw12", "w1", TRUE, '9',
       0, "w9"},
      {"none", nullptr, 0, 0, "", "", TRUE, 'S', 3, ""},
      {"without Add and Ignore", one, 1, 1, "1\tthere", "there", FALSE, 'Q', -1, ""},
  };
  for (const auto& c : cases) {
    KelmScriptedFrontEnd person;
    SuggestionView seen;
    person.Then([&] { seen = look_at_suggestion_dialog(); }).Press(c.key, KELM_MOD_ALT);
    CSpellChecker checker;
    CString replacement;
    EXPECT_EQ(c.result, checker.ShowSuggestionDlg("qxzqxz", replacement, c.suggestions, c.count,
                                                  c.no_add_ignore, 0))
        << c.name;
    EXPECT_STREQ(c.replacement, replacement) << c.name;
    EXPECT_EQ(c.items, seen.items) << c.name;
    EXPECT_STREQ(c.offered, seen.replacement) << c.name;
    EXPECT_EQ(c.add_and_ignore, seen.add) << c.name;
    EXPECT_EQ(c.add_and_ignore, seen.ignore) << c.name;
  }
}

// Remember Position counts only when the person quits, and only when the
// caller allowed the box.
TEST_F(SpellDialogsTest, RememberPositionIsKeptOnlyOnQuit) {
  const struct {
    const char* name;
    int allow;
    int end_with;
    int want;
  } cases[] = {
      {"checked and quit", 1, IDCANCEL, 1},
      {"checked and skipped", 1, IDC_SKIP, 0},
      {"not allowed", 0, IDCANCEL, 0},
  };
  for (const SuggestionForm show : suggestion_forms) {
    for (const auto& c : cases) {
      KelmScriptedFrontEnd person;
      person.Click(IDC_REMEMBER_POSITION).Click(c.end_with);
      CSpellChecker checker;
      checker.m_bRememberPosition = 7;
      CString suggestions[] = {"there"};
      CString replacement;
      (checker.*show)("thre", replacement, suggestions, 1, 0, c.allow);
      EXPECT_EQ(c.want, checker.m_bRememberPosition) << c.name;
    }
  }
}

TEST_F(SpellDialogsTest, AMovedDialogOpensNextTimeWhereItWasLeft) {
  CString suggestions[] = {"there"};
  CString replacement;
  CSpellChecker checker;
  RECT first{};
  RECT second{};
  {
    KelmScriptedFrontEnd person;
    person
        .Then([&] {
          SetWindowPos(active_dialog(), nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
          GetWindowRect(active_dialog(), &first);
        })
        .Click(IDC_SKIP);
    checker.ShowSuggestionDlg("thre", replacement, suggestions, 1, 0, 0);
  }
  EXPECT_EQ(40, profile("Orvalis", "Suggestion X"));
  EXPECT_EQ(30, profile("Orvalis", "Suggestion Y"));
  {
    KelmScriptedFrontEnd person;
    person.Then([&] { GetWindowRect(active_dialog(), &second); }).Click(IDC_SKIP);
    checker.ShowSuggestionDlg("thre", replacement, suggestions, 1, 0, 0);
  }
  EXPECT_EQ(first.left, second.left);
  EXPECT_EQ(first.top, second.top);
  EXPECT_EQ(40, profile("Orvalis", "Suggestion X")) << "opening at the saved place saves nothing";
}

TEST_F(SpellDialogsTest, SpacingDialogShowsSpacesAsHashesAndGivesThemBackOnReplace) {
  const struct {
    const char* name;
    std::function<void(KelmScriptedFrontEnd&)> act;
    int result;
    const char* spacing;
  } cases[] = {
      {"Replace", [](auto& p) { p.Click(IDC_SPACING_REPLACE); }, 6, ".  "},
      {"Skip", [](auto& p) { p.Click(IDC_SPACING_SKIP); }, 7, ".##"},
      {"Enter skips", [](auto& p) { p.Press(VK_RETURN); }, 7, ".##"},
      {"Quit", [](auto& p) { p.Click(IDCANCEL); }, 2, ".##"},
      {"a typed space shows as a hash",
       [](auto& p) { p.Press('N', KELM_MOD_ALT).Type(". ").Click(IDC_SPACING_REPLACE); }, 6, ". "},
      {"Backspace over a selection takes the last",
       [](auto& p) { p.Press('N', KELM_MOD_ALT).Press(VK_BACK).Click(IDC_SPACING_REPLACE); }, 6,
       ". "},
  };
  for (const SpacingForm show : spacing_forms) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (show == spacing_forms[0] ? "" : " (modeless)"));
      KelmScriptedFrontEnd person;
      person.Snapshot();
      c.act(person);
      person.Snapshot();
      CSpellChecker checker;
      CString spacing = ".  ";
      EXPECT_EQ(c.result, (checker.*show)(". ", spacing));
      EXPECT_STREQ(c.spacing, spacing);
      bool hashes = false;
      for (const CString& line : person.Shown())
        hashes |= std::string(line.View()).find("\".##\"") != std::string::npos;
      EXPECT_TRUE(hashes) << "the new spacing shows as .##";
    }
  }
}

// The profile's keys in the order they were written (an INI file keeps
// it), joined by blanks.
std::string written_keys(const std::string& ini) {
  std::istringstream text(ReadWholeFile(ini));
  std::string keys;
  for (std::string line; std::getline(text, line);)
    if (line.find('=') != std::string::npos)
      keys += (keys.empty() ? "" : " ") + line.substr(0, line.find_last_not_of('\r') + 1);
  return keys;
}

TEST_F(SpellDialogsTest, OptionsCancelChangesNothingAndOkWritesEveryOptionInOrder) {
  m_app.SetProfileFile(m_folder.path("kelm.ini").c_str());
  CSpellChecker checker;
  {
    KelmScriptedFrontEnd person;
    person.Click(IDC_CASE_SENSITIVE).Click(IDC_IGNORE_ALL_CAPS).Click(IDCANCEL);
    checker.SetOptions(nullptr);
    EXPECT_FALSE(std::filesystem::exists(m_folder.path("kelm.ini")));
    EXPECT_EQ(1, checker.GetCaseSensitive());
    EXPECT_EQ(0, checker.GetIgnoreAllCaps());
  }
  KelmScriptedFrontEnd person;
  person.Click(IDC_CASE_SENSITIVE)
      .Click(IDC_IGNORE_ALL_CAPS)
      .Click(IDC_REPORT_SPACING)
      .Click(IDC_CONFIRM_COMPLETION)
      .Press('G', KELM_MOD_ALT)
      .Press(VK_HOME)
      .Click(IDOK);
  checker.SetOptions(nullptr);
  EXPECT_EQ(
      "CaseSensitive=0 IgnoreAllCapsWords=1 IgnoreCappedWords=0 IgnoreMixedCase=0 "
      "IgnoreMixedDigits=1 PhoneticSuggestions=0 ReportDoubledWord=1 SplitWords=1 "
      "TypographicalSuggestions=1 AutoCorrect=1 ReportSpaceErrors=1 ReportDoubleQorA=1 "
      "MinSuggestDepth=0 Confirm=1",
      written_keys(m_folder.path("kelm.ini")));
  EXPECT_EQ(0, checker.GetCaseSensitive());
  EXPECT_EQ(1, checker.GetIgnoreAllCaps());
  EXPECT_EQ(0, SSCE_GetMinSuggestDepth());
  EXPECT_EQ(0, checker.GetCheckSpaceErrors()) << "held options change in later checkers only";
  EXPECT_EQ(1, CSpellChecker().GetCheckSpaceErrors());
}

// The lexicons listed, joined by blanks, and the state of the other controls
// in one line.
struct LexiconView {
  std::string lexicons, state;
};

LexiconView look_at_lexicon_editor() {
  LexiconView v;
  const HWND dlg = active_dialog();
  const auto send = [dlg](int nID, UINT message) {
    return std::to_string(SendMessageA(GetDlgItem(dlg, nID), message, 0, 0));
  };
  const auto enabled = [dlg](int nID) {
    return std::to_string(IsWindowEnabled(GetDlgItem(dlg, nID)));
  };
  for (int i = 0; i < std::stoi(send(IDC_LEXICON_LIST, LB_GETCOUNT)); ++i)
    v.lexicons += (i > 0 ? " " : "") + std::string(item_text(IDC_LEXICON_LIST, i).View());
  CString correct;
  CWnd::FromHandle(GetDlgItem(dlg, IDC_CORRECT_SPELLING))->GetWindowText(correct);
  v.state = send(IDC_WORDS, CB_GETCOUNT) + " words, action " + send(IDC_ACTION, CB_GETCURSEL) +
            ", correct \"" + std::string(correct.View()) + "\", add " + enabled(IDC_LEX_ADD) +
            " apply " + enabled(IDC_LEX_APPLY) + " delete " + enabled(IDC_LEX_DELETE);
  return v;
}

TEST_F(SpellDialogsTest, LexiconEditorAddsAppliesAndDeletesInTheLexiconFile) {
  WriteWholeFile(user_file("user.tlx"), "zorblat\ti\n");
  LexiconView start, empty, chosen, typed, refused, added;
  {
    CSpellChecker checker;
    m_messages.clear();
    KelmScriptedFrontEnd person;
    auto look = [](LexiconView& v) { return [&v] { v = look_at_lexicon_editor(); }; };
    person.Then(look(start))
        .SelectItem(IDC_LEXICON_LIST, "ignore.tlx")
        .Then(look(empty))
        .SelectItem(IDC_LEXICON_LIST, "user.tlx")
        .Then(look(chosen))
        .Press('W', KELM_MOD_ALT)
        .Type("quib")
        .Then(look(typed))
        .SelectItem(IDC_ACTION, "Auto change using corrected case")
        .Click(IDC_LEX_ADD)
        .Then(look(refused))
        .Press('S', KELM_MOD_ALT)
        .Type("quip")
        .Click(IDC_LEX_ADD)
        .Then(look(added))
        .Click(IDC_LEX_ADD)
        .SelectItem(IDC_WORDS, "zorblat")
        .SelectItem(IDC_ACTION, "Exclude")
        .Click(IDC_LEX_APPLY)
        .Click(IDOK);
    checker.EditLexicons(nullptr);
    EXPECT_EQ(0, person.Remaining());
  }
  EXPECT_EQ("ssceam.tlx correct.tlx user.tlx ignore.tlx sscele.tlx ssceme.tlx", start.lexicons);
  EXPECT_EQ("0 words, action 0, correct \"\", add 0 apply 0 delete 0", empty.state)
      << "nothing to act on in an empty lexicon";
  EXPECT_EQ("1 words, action 4, correct \"\", add 0 apply 1 delete 1", chosen.state)
      << "a word stored by Add shows as Ignore";
  EXPECT_EQ("1 words, action 0, correct \"\", add 1 apply 0 delete 0", typed.state)
      << "a word the lexicon lacks can be added";
  ASSERT_EQ(1u, m_messages.size()) << "a change without its spelling is refused with a reason";
  EXPECT_NE(std::string::npos, m_messages[0].find("Correct Spelling"));
  EXPECT_EQ(typed.state, refused.state) << "the dialog stays as it was";
  // Add once stayed enabled for the word just added, and a second Add
  // listed it twice.
  EXPECT_EQ("2 words, action 0, correct \"quip\", add 0 apply 1 delete 1", added.state);

  const std::string stored = ReadWholeFile(user_file("user.tlx"));
  EXPECT_NE(std::string::npos, stored.find("quib\ta\tquip")) << stored;
  EXPECT_NE(std::string::npos, stored.find("zorblat\te")) << stored;
  CSpellChecker reopened;
  CString replacement;
  EXPECT_EQ(SSCE_AUTO_CHANGE_WORD_RSLT,
            reopened.CheckWord("quib", replacement) & SSCE_AUTO_CHANGE_WORD_RSLT);
  EXPECT_STREQ("quip", replacement);

  LexiconView deleted;
  KelmScriptedFrontEnd person;
  person.SelectItem(IDC_LEXICON_LIST, "user.tlx")
      .SelectItem(IDC_WORDS, "quib")
      .Click(IDC_LEX_DELETE)
      .Then([&] { deleted = look_at_lexicon_editor(); })
      .Click(IDOK);
  reopened.EditLexicons(nullptr);
  EXPECT_EQ("1 words, action 0, correct \"\", add 1 apply 0 delete 0", deleted.state)
      << "the deleted word is no longer there to change";
  EXPECT_EQ(std::string::npos, ReadWholeFile(user_file("user.tlx")).find("quib"));
}

class CIdleCountingApp : public CWinApp {
 public:
  CIdleCountingApp() : CWinApp("Kelm Idle") { SetRegistryKey("Quendra"); }
  BOOL OnIdle(LONG lCount) override {
    if (lCount == 0) ++m_nRounds;
    return lCount < 2;
  }
  int m_nRounds = 0;
};

// The modeless forms wait for their dialog while the host's messages and
// idle work go on, and a quit asked for meanwhile reaches the host after.
TEST_F(SpellDialogsTest, ModelessDialogsKeepTheHostsIdleWorkAndItsQuitGoing) {
  CIdleCountingApp app;
  CSpellChecker checker;
  CString suggestions[] = {"there"};
  CString replacement;
  int idle_midway = 0;
  {
    KelmScriptedFrontEnd person;
    person.Press('E', KELM_MOD_ALT)
        .Type("thee")
        .Then([&] { idle_midway = app.m_nRounds; })
        .Click(IDC_REPLACE_ALL);
    EXPECT_EQ(4, checker.ShowModelessSuggestionDlg("thre", replacement, suggestions, 1, 0, 0));
  }
  EXPECT_STREQ("thee", replacement);
  EXPECT_GE(idle_midway, 2) << "idle work ran while the person was typing";
  {
    KelmScriptedFrontEnd person;
    person.Then([] { PostQuitMessage(3); }).Click(IDC_SPACING_SKIP);
    CString spacing = " ";
    EXPECT_EQ(7, checker.ShowModelessSpacingDlg("  ", spacing)) << "the dialog outlives the quit";
  }
  MSG msg{};
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(WM_QUIT, msg.message);
  EXPECT_EQ(3u, msg.wParam);
}

TEST_F(SpellDialogsTest, DialogsThatCannotBeShownAnswerMinusOne) {
  ASSERT_EQ(nullptr, KelmGetFrontEnd());
  CSpellChecker checker;
  CString suggestions[] = {"there"};
  CString replacement = "stale";
  EXPECT_EQ(-1, checker.ShowSuggestionDlg("thre", replacement, suggestions, 1, 0, 0));
  EXPECT_STREQ("", replacement);
  replacement = "stale";
  EXPECT_EQ(-1, checker.ShowModelessSuggestionDlg("thre", replacement, suggestions, 1, 0, 0));
  EXPECT_STREQ("", replacement);
  CString spacing = " ";
  EXPECT_EQ(-1, checker.ShowSpacingDlg("  ", spacing));
  EXPECT_EQ(-1, checker.ShowModelessSpacingDlg("  ", spacing));
  EXPECT_STREQ(" ", spacing);
}

}  // namespace
