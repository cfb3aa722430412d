// The checker's dialogs driven as a person drives them, through the scripted
// front end, over a user folder of the test's own.
#include "spell/spell_dlgs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
  };
  for (const SuggestionCase& c : cases) {
    KelmScriptedFrontEnd person;
    c.act(person);
    CSpellChecker checker;
    CString suggestions[] = {"there", "three", "the"};
    CString replacement = "stale";
    EXPECT_EQ(c.result, checker.ShowSuggestionDlg("thre", replacement, suggestions, 3, 0, 1))
        << c.name;
    EXPECT_EQ(std::string(c.replacement), std::string(replacement.View())) << c.name;
    EXPECT_EQ(0, person.Remaining()) << c.name;
  }
}

TEST_F(SpellDialogsTest, TheFirstNineSuggestionsCarryTheirDigitsAndTheRestNone) {
  KelmScriptedFrontEnd person;
  std::vector<CString> seen;
  CString replacement_shown;
  person
      .Then([&] {
        for (int i : {0, 8, 9, 11}) seen.push_back(item_text(IDC_SUGGESTIONS, i));
        CWnd::FromHandle(GetDlgItem(active_dialog(), IDC_REPLACEMENT))
            ->GetWindowText(replacement_shown);
      })
      .Press('9', KELM_MOD_ALT);
  CSpellChecker checker;
  CString suggestions[12];
  for (int i = 0; i < 12; ++i) suggestions[i].Format("w%d", i + 1);
  CString replacement;
  EXPECT_EQ(0, checker.ShowSuggestionDlg("wx", replacement, suggestions, 12, 0, 0));
  EXPECT_EQ("w9", std::string(replacement.View()));
  ASSERT_EQ(4u, seen.size());
  EXPECT_EQ("1\tw1", std::string(seen[0].View()));
  EXPECT_EQ("9\tw9", std::string(seen[1].View()));
  EXPECT_EQ("\tw10", std::string(seen[2].View()));
  EXPECT_EQ("\tw12", std::string(seen[3].View()));
  EXPECT_EQ("w1", std::string(replacement_shown.View())) << "the first is offered at once";
}

TEST_F(SpellDialogsTest, WithoutSuggestionsOfItsOwnTheListAndReplacementStartEmpty) {
  KelmScriptedFrontEnd person;
  int listed = -1;
  person
      .Then([&] {
        listed = static_cast<int>(
            SendMessageA(GetDlgItem(active_dialog(), IDC_SUGGESTIONS), LB_GETCOUNT, 0, 0));
      })
      .Click(IDC_SKIP);
  CSpellChecker checker;
  CString replacement;
  EXPECT_EQ(3, checker.ShowSuggestionDlg("qxzqxzqxz", replacement, nullptr, 0, 0, 0));
  EXPECT_EQ(0, listed);
  EXPECT_EQ("", std::string(replacement.View()));
}

TEST_F(SpellDialogsTest, NoAddIgnoreDisablesBothButtons) {
  KelmScriptedFrontEnd person;
  BOOL add = TRUE;
  BOOL ignore = TRUE;
  person
      .Then([&] {
        add = IsWindowEnabled(GetDlgItem(active_dialog(), IDC_ADD));
        ignore = IsWindowEnabled(GetDlgItem(active_dialog(), IDC_IGNORE));
      })
      .Press(VK_ESCAPE);
  CSpellChecker checker;
  CString suggestions[] = {"there"};
  CString replacement;
  EXPECT_EQ(-1, checker.ShowSuggestionDlg("thre", replacement, suggestions, 1, 1, 0));
  EXPECT_FALSE(add);
  EXPECT_FALSE(ignore);
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
  for (const auto& c : cases) {
    KelmScriptedFrontEnd person;
    person.Click(IDC_REMEMBER_POSITION).Click(c.end_with);
    CSpellChecker checker;
    checker.m_bRememberPosition = 7;
    CString suggestions[] = {"there"};
    CString replacement;
    checker.ShowSuggestionDlg("thre", replacement, suggestions, 1, 0, c.allow);
    EXPECT_EQ(c.want, checker.m_bRememberPosition) << c.name;
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
  for (const auto& c : cases) {
    KelmScriptedFrontEnd person;
    std::vector<CString> shown;
    person.Snapshot();
    c.act(person);
    person.Snapshot();
    CSpellChecker checker;
    CString spacing = ".  ";
    EXPECT_EQ(c.result, checker.ShowSpacingDlg(". ", spacing)) << c.name;
    EXPECT_EQ(std::string(c.spacing), std::string(spacing.View())) << c.name;
    bool hashes = false;
    for (const CString& line : person.Shown())
      hashes |= std::string(line.View()).find("\".##\"") != std::string::npos;
    EXPECT_TRUE(hashes) << c.name << ": the new spacing shows as .##";
  }
}

}  // namespace
