#include "gtk_translate.h"

#include <gtest/gtest.h>

#include <string>

namespace kelm::gtk {
namespace {

constexpr auto none = static_cast<GdkModifierType>(0);
constexpr auto shift = GDK_SHIFT_MASK;
constexpr auto control = GDK_CONTROL_MASK;
constexpr auto alt = GDK_ALT_MASK;

TEST(GtkKeyPress, NamesKeysAndCharactersAsTheDialogManagerExpects) {
  struct Case {
    guint keyval;
    GdkModifierType state;
    KeyPress want;
  };
  const Case cases[] = {
      {GDK_KEY_Return, none, {KeyPress::key, VK_RETURN, 0, 0}},
      {GDK_KEY_KP_Enter, none, {KeyPress::key, VK_RETURN, 0, 0}},
      {GDK_KEY_Escape, none, {KeyPress::key, VK_ESCAPE, 0, 0}},
      {GDK_KEY_Tab, none, {KeyPress::key, VK_TAB, 0, 0}},
      // Shift+Tab arrives as its own key, with or without the Shift bit.
      {GDK_KEY_ISO_Left_Tab, shift, {KeyPress::key, VK_TAB, 0, KELM_MOD_SHIFT}},
      {GDK_KEY_ISO_Left_Tab, none, {KeyPress::key, VK_TAB, 0, KELM_MOD_SHIFT}},
      {GDK_KEY_Down, none, {KeyPress::key, VK_DOWN, 0, 0}},
      {GDK_KEY_KP_Down, none, {KeyPress::key, VK_DOWN, 0, 0}},
      {GDK_KEY_End, control, {KeyPress::key, VK_END, 0, KELM_MOD_CONTROL}},
      {GDK_KEY_Page_Up, shift, {KeyPress::key, VK_PRIOR, 0, KELM_MOD_SHIFT}},
      {GDK_KEY_Delete, control, {KeyPress::key, VK_DELETE, 0, KELM_MOD_CONTROL}},
      {GDK_KEY_F1, none, {KeyPress::key, VK_F1, 0, 0}},
      {GDK_KEY_F12, alt, {KeyPress::key, VK_F12, 0, KELM_MOD_ALT}},
      {GDK_KEY_space, none, {KeyPress::key, VK_SPACE, ' ', 0}},
      {GDK_KEY_BackSpace, none, {KeyPress::key, VK_BACK, 0, 0}},
      // Typed characters: the model derives their keys and Shift.
      {GDK_KEY_a, none, {KeyPress::character, 0, 'a', 0}},
      {GDK_KEY_A, shift, {KeyPress::character, 0, 'A', 0}},
      {GDK_KEY_question, shift, {KeyPress::character, 0, '?', 0}},
      {GDK_KEY_eacute, none, {KeyPress::character, 0, '\xE9', 0}},
      {GDK_KEY_EuroSign, none, {KeyPress::character, 0, '\x80', 0}},
      // Control and Alt make a letter a key: Ctrl+C copies, Alt+S is a
      // mnemonic, whatever the Shift state.
      {GDK_KEY_c, control, {KeyPress::key, 'C', 'c', KELM_MOD_CONTROL}},
      {GDK_KEY_V,
       static_cast<GdkModifierType>(control | shift),
       {KeyPress::key, 'V', 'v', KELM_MOD_CONTROL | KELM_MOD_SHIFT}},
      {GDK_KEY_s, alt, {KeyPress::key, 'S', 's', KELM_MOD_ALT}},
      {GDK_KEY_2, alt, {KeyPress::key, '2', '2', KELM_MOD_ALT}},
      // Nothing to post: lone modifiers, characters outside Windows-1252.
      {GDK_KEY_Shift_L, shift, {}},
      {GDK_KEY_Control_R, control, {}},
      {GDK_KEY_Greek_alpha, none, {}},
      {GDK_KEY_VoidSymbol, none, {}},
  };
  for (const Case& c : cases) {
    const KeyPress got = key_press(c.keyval, c.state);
    EXPECT_EQ(c.want.kind, got.kind) << gdk_keyval_name(c.keyval) << " state " << c.state;
    EXPECT_EQ(c.want.vk, got.vk) << gdk_keyval_name(c.keyval) << " state " << c.state;
    EXPECT_EQ(c.want.ch, got.ch) << gdk_keyval_name(c.keyval) << " state " << c.state;
    EXPECT_EQ(c.want.modifiers, got.modifiers) << gdk_keyval_name(c.keyval) << " state " << c.state;
  }
}

TEST(GtkText, CrossesBetweenWindows1252AndUtf8WithOneQuestionMarkForWhatCannotCross) {
  struct Case {
    std::string utf8;
    std::string cp1252;
  };
  const Case cases[] = {
      {"plain", "plain"},
      {"", ""},
      {"caf\xC3\xA9", "caf\xE9"},
      {"\xE2\x82\xAC 5", "\x80 5"},                // the euro sign is 0x80
      {"\xE2\x80\x9Cq\xE2\x80\x9D", "\x93q\x94"},  // curly quotes
      {"\xC3\xBF", "\xFF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.cp1252, cp1252_of(c.utf8)) << c.utf8;
    EXPECT_EQ(c.utf8, utf8_of(c.cp1252)) << c.utf8;
  }
  const Case one_way[] = {
      {"\xCE\xB1\xCE\xB2", "??"},     // Greek letters
      {"a\xF0\x9F\x98\x80z", "a?z"},  // outside the basic plane: one '?', not two
      {"a\xC3z", "a?z"},              // a sequence cut short
      {"\xFF\xFE", "??"},             // bytes UTF-8 never has
      {"x\xE2\x82", "x?"},            // cut short at the end
  };
  for (const Case& c : one_way) EXPECT_EQ(c.cp1252, cp1252_of(c.utf8)) << c.utf8;
}

TEST(GtkLabel, UnderlinesTheAcceleratorAndEscapesMarkup) {
  struct Case {
    std::string text;
    bool prefix;
    std::string markup;
  };
  const Case cases[] = {
      {"&Special Characters", true, "<u>S</u>pecial Characters"},
      {"O&K", true, "O<u>K</u>"},
      {"Fish && Chips", true, "Fish &amp; Chips"},
      {"&Fish", false, "&amp;Fish"},
      {"a < b", true, "a &lt; b"},
      {"trailing &", true, "trailing &amp;"},
      {"caf\xE9 &\xE9", true, "caf\xC3\xA9 <u>\xC3\xA9</u>"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.markup, label_markup(c.text, c.prefix)) << c.text << " prefix " << c.prefix;
}

TEST(GtkCanvas, ACellsMiddleIsInTheModelsPixelsWithTheOuterRingNarrower) {
  struct Case {
    int cell, size, inset, pixel;
  };
  const Case cases[] = {
      {0, 8, 3, 1},  {1, 8, 3, 7},   {2, 8, 3, 15},  {10, 8, 3, 79},
      {0, 16, 3, 1}, {1, 16, 3, 11}, {3, 16, 3, 43}, {0, 8, 0, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.pixel, canvas_pixel(c.cell, c.size, c.inset))
        << "cell " << c.cell << " size " << c.size << " inset " << c.inset;
}

}  // namespace
}  // namespace kelm::gtk
