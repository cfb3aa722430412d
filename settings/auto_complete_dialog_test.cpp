// The auto-complete options dialog driven as a person drives it: words added
// and deleted, the character count refused out of range, OK's list and
// switches kept, Cancel changing nothing in the options or their file.
#include "settings/auto_complete_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/profile.h"
#include "platform/ui/scripted/scripted_front_end.h"
#include "resources/resource.h"
#include "testing/scratch_folder.h"

namespace {

std::vector<std::string> words_of(const CAutoCompleteOptions& options) {
  std::vector<std::string> words;
  for (int i = 0; i < options.GetNumItems(); ++i) words.emplace_back(options.GetItem(i));
  return words;
}

int focused_id() { return GetDlgCtrlID(GetFocus()); }

std::string control_text(int nID) {
  char text[256] = {};
  GetWindowTextA(GetDlgItem(GetParent(GetFocus()), nID), text, sizeof text);
  return text;
}

class AutoCompleteDialogTest : public ::testing::Test {
 protected:
  AutoCompleteDialogTest() {
    WriteWholeFile(m_ini,
                   "[Other]\nkeep=1\n[AutoComplete]\n0=alpha\n1=bravo\nCount=2\n"
                   "Load History=0\nAuto Complete=0\nNum Chars=3\n");
    m_options.Read(m_ini.c_str(), "AutoComplete");
  }

  const ScratchFolder m_folder;
  const std::string m_ini = m_folder.path("options.ini");
  CAutoCompleteOptions m_options;
};

TEST_F(AutoCompleteDialogTest, AddAndDeleteEditTheListAndOkKeepsItWithTheSwitches) {
  KelmScriptedFrontEnd person;
  person.Click(IDC_AC_DELETE)
      .Click(IDC_AC_ADD)
      .Click(IDC_NEW_WORD)
      .Type("charlie")
      .Click(IDC_AC_ADD)
      .Then([] {
        EXPECT_EQ(IDC_NEW_WORD, focused_id()) << "Add gives the focus back to the new word";
        EXPECT_EQ("", control_text(IDC_NEW_WORD)) << "and empties it";
      })
      .Type("alpha")
      .Press('A', KELM_MOD_ALT)
      .SelectItem(IDC_AC_WORDS, "charlie")
      .Click(IDC_AC_DELETE)
      .Snapshot()
      .Press('E', KELM_MOD_ALT)
      .Click(IDOK);
  ASSERT_EQ(IDOK, m_options.DoModalDialog());
  // Delete without a selection and Add without a word did nothing; "alpha"
  // typed again is listed twice; the entry after the deleted one is selected.
  const std::vector<std::string> want = {"alpha", "alpha", "bravo"};
  EXPECT_EQ(want, words_of(m_options));
  bool selected_after_delete = false;
  for (const CString& line : person.Shown())
    selected_after_delete |= line.Find("list 13056 sel 1 of 3 \"alpha\"") >= 0;
  EXPECT_TRUE(selected_after_delete);
  EXPECT_EQ(1, m_options.GetEnabled());
  EXPECT_EQ(0, m_options.GetLoadHistory());
  EXPECT_EQ(3, m_options.GetNumChars());
}

TEST_F(AutoCompleteDialogTest, TextCopiedFromOneBoxPastesIntoAnother) {
  KelmScriptedFrontEnd person;
  person.Click(IDC_NUM_CHARS)
      .Press(VK_END)
      .Press(VK_HOME, KELM_MOD_SHIFT)
      .Press('C', KELM_MOD_CONTROL)
      .Click(IDC_NEW_WORD)
      .Type("item ")
      .Press('V', KELM_MOD_CONTROL)
      .Click(IDC_AC_ADD)
      .Type("gone")
      .Press(VK_HOME, KELM_MOD_SHIFT)
      .Press('X', KELM_MOD_CONTROL)
      .Click(IDC_AC_ADD)
      .Click(IDC_NEW_WORD)
      .Press(VK_INSERT, KELM_MOD_SHIFT)
      .Press(VK_HOME)
      .Type("re")
      .Click(IDC_AC_ADD)
      .Click(IDOK);
  ASSERT_EQ(IDOK, m_options.DoModalDialog());
  const std::vector<std::string> want = {"regone", "item 3", "alpha", "bravo"};
  EXPECT_EQ(want, words_of(m_options)) << "Add with the word cut away added nothing";
  EXPECT_EQ(3, m_options.GetNumChars()) << "copying left the count as it was";
}

TEST_F(AutoCompleteDialogTest, ACountOutOfRangeIsRefusedWithTheFocusBackOnIt) {
  KelmScriptedFrontEnd person;
  person.Press(VK_TAB)
      .Press(VK_TAB)
      .Type("11")
      .Press(VK_RETURN)
      .Answer(IDOK)
      .Then([] {
        EXPECT_EQ(IDC_NUM_CHARS, focused_id()) << "the refused count has the focus";
        EXPECT_EQ("11", control_text(IDC_NUM_CHARS));
      })
      .Type("10")
      .Press(VK_RETURN);
  ASSERT_EQ(IDOK, m_options.DoModalDialog());
  ASSERT_EQ(3u, person.Shown().size());
  EXPECT_EQ("message : Please enter an integer between 0 and 10.", person.Shown()[1]);
  EXPECT_EQ(10, m_options.GetNumChars());
}

TEST_F(AutoCompleteDialogTest, CancelChangesNothingInTheOptionsOrTheFile) {
  const std::string before = ReadWholeFile(m_ini);
  for (const bool by_key : {true, false}) {
    KelmScriptedFrontEnd person;
    person.Click(IDC_LOAD_HISTORY)
        .Click(IDC_NEW_WORD)
        .Type("delta")
        .Click(IDC_AC_ADD)
        .SelectItem(IDC_AC_WORDS, "alpha")
        .Click(IDC_AC_DELETE);
    if (by_key)
      person.Press(VK_ESCAPE);
    else
      person.Click(IDCANCEL);
    EXPECT_EQ(IDCANCEL, m_options.DoModalDialog()) << (by_key ? "Esc" : "Cancel");
    EXPECT_EQ((std::vector<std::string>{"alpha", "bravo"}), words_of(m_options));
    EXPECT_EQ(0, m_options.GetLoadHistory());
    EXPECT_EQ(3, m_options.GetNumChars());
  }
  EXPECT_EQ(before, ReadWholeFile(m_ini));
}

}  // namespace
