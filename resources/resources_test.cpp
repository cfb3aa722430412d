// The library's dialog templates: registered when the library loads, laid
// out as its dialogs expect, and usable through the keyboard.
#include <gtest/gtest.h>

#include "platform/ui/dialog.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/scripted/scripted_front_end.h"
#include "resources/library_resources.h"
#include "resources/resource.h"

namespace {

// Each of the library's dialogs is registered at load, without a call, opens
// from its template, fits its controls inside, starts on a control that
// takes the focus, and closes with Esc. The lexicon actions are checked
// where the lexicon editor uses them.
TEST(ResourcesTest, EveryLibraryDialogOpensAndClosesFromTheKeyboard) {
  struct Case {
    UINT id;
    const char* caption;
    size_t controls;
  };
  const Case cases[] = {
      {IDD_LEXICONS, "Lexicons", 12},
      {IDD_SPELL_OPTIONS, "Spell Checker Options", 19},
      {IDD_SUGGESTION, "Correct Spelling", 23},
      {IDD_SPACING, "Double space error", 7},
      {IDD_SPECIAL_CHAR, "Insert Special Character", 4},
      {IDD_AUTO_COMPLETE, "Auto Complete Options", 11},
  };
  for (const Case& c : cases) {
    const KelmDialogTemplate* t = KelmFindDialogTemplate(c.id);
    ASSERT_NE(nullptr, t) << c.id;
    EXPECT_EQ(c.caption, t->caption) << c.id;
    EXPECT_EQ(c.controls, t->controls.size()) << c.id;
    for (const KelmDialogControl& control : t->controls) {
      EXPECT_LE(control.x + control.cx, t->cx) << c.id << " " << control.text;
      const bool hidden = (control.style & WS_VISIBLE) == 0;
      if (!hidden && control.className != "COMBOBOX") {
        EXPECT_LE(control.y + control.cy, t->cy) << c.id << " " << control.text;
      }
    }
    KelmScriptedFrontEnd person;
    CDialog dlg(c.id);
    int focus = 0;
    person.Then([&] { focus = GetDlgCtrlID(GetFocus()); }).Press(VK_ESCAPE);
    EXPECT_EQ(IDCANCEL, dlg.DoModal()) << c.id;
    EXPECT_NE(0, focus) << c.id;
    ASSERT_FALSE(person.Shown().empty()) << c.id;
    EXPECT_EQ(CString("open ") + c.caption, person.Shown().front()) << c.id;
  }
}

// For hosts: the library itself does not load them.
TEST(ResourcesTest, StringTableIsRegistered) {
  CString text;
  ASSERT_TRUE(text.LoadString(IDS_CONFIRM_DELETE));
  EXPECT_EQ("Delete the selected entry\nAre you Sure?", text);
  EXPECT_TRUE(KelmRegisterLibraryResources()) << "registering again does no harm";
  ASSERT_TRUE(text.LoadString(IDS_TABLE_EMPTY));
  EXPECT_EQ("Table is empty", text);
}

}  // namespace
