#include "gtk_translate.h"

#include <array>

namespace kelm::gtk {

namespace {

struct NamedKey {
  guint keyval;
  int vk;
  UINT implied_modifiers;
};

constexpr std::array named_keys = {
    NamedKey{GDK_KEY_Return, VK_RETURN, 0},
    NamedKey{GDK_KEY_KP_Enter, VK_RETURN, 0},
    NamedKey{GDK_KEY_ISO_Enter, VK_RETURN, 0},
    NamedKey{GDK_KEY_Tab, VK_TAB, 0},
    NamedKey{GDK_KEY_KP_Tab, VK_TAB, 0},
    NamedKey{GDK_KEY_ISO_Left_Tab, VK_TAB, KELM_MOD_SHIFT},
    NamedKey{GDK_KEY_Escape, VK_ESCAPE, 0},
    NamedKey{GDK_KEY_BackSpace, VK_BACK, 0},
    NamedKey{GDK_KEY_Delete, VK_DELETE, 0},
    NamedKey{GDK_KEY_KP_Delete, VK_DELETE, 0},
    NamedKey{GDK_KEY_Insert, VK_INSERT, 0},
    NamedKey{GDK_KEY_KP_Insert, VK_INSERT, 0},
    NamedKey{GDK_KEY_Home, VK_HOME, 0},
    NamedKey{GDK_KEY_KP_Home, VK_HOME, 0},
    NamedKey{GDK_KEY_End, VK_END, 0},
    NamedKey{GDK_KEY_KP_End, VK_END, 0},
    NamedKey{GDK_KEY_Page_Up, VK_PRIOR, 0},
    NamedKey{GDK_KEY_KP_Page_Up, VK_PRIOR, 0},
    NamedKey{GDK_KEY_Page_Down, VK_NEXT, 0},
    NamedKey{GDK_KEY_KP_Page_Down, VK_NEXT, 0},
    NamedKey{GDK_KEY_Left, VK_LEFT, 0},
    NamedKey{GDK_KEY_KP_Left, VK_LEFT, 0},
    NamedKey{GDK_KEY_Right, VK_RIGHT, 0},
    NamedKey{GDK_KEY_KP_Right, VK_RIGHT, 0},
    NamedKey{GDK_KEY_Up, VK_UP, 0},
    NamedKey{GDK_KEY_KP_Up, VK_UP, 0},
    NamedKey{GDK_KEY_Down, VK_DOWN, 0},
    NamedKey{GDK_KEY_KP_Down, VK_DOWN, 0},
    NamedKey{GDK_KEY_Pause, VK_PAUSE, 0},
};

UINT modifiers_of(GdkModifierType state) {
  UINT modifiers = 0;
  if ((state & GDK_SHIFT_MASK) != 0) modifiers |= KELM_MOD_SHIFT;
  if ((state & GDK_CONTROL_MASK) != 0) modifiers |= KELM_MOD_CONTROL;
  if ((state & GDK_ALT_MASK) != 0) modifiers |= KELM_MOD_ALT;
  return modifiers;
}

// One character of Windows-1252, or 0 when the code page has none for it.
char byte_of(gunichar c) {
  const int byte = KelmCp1252Byte(c);
  return byte < 0 ? '\0' : static_cast<char>(byte);
}

}  // namespace

KeyPress key_press(guint keyval, GdkModifierType state) {
  const UINT modifiers = modifiers_of(state);
  for (const NamedKey& named : named_keys)
    if (named.keyval == keyval)
      return {KeyPress::key, named.vk, 0, modifiers | named.implied_modifiers};
  if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F12)
    return {KeyPress::key, VK_F1 + static_cast<int>(keyval - GDK_KEY_F1), 0, modifiers};
  if (keyval == GDK_KEY_space || keyval == GDK_KEY_KP_Space)
    return {KeyPress::key, VK_SPACE, ' ', modifiers};
  const char byte = byte_of(gdk_keyval_to_unicode(keyval));
  if (byte == 0) return {};
  if ((modifiers & (KELM_MOD_CONTROL | KELM_MOD_ALT)) != 0) {
    // Control and Alt name a key, not a character; the shifted forms of
    // letters and digits are the same keys.
    const guint lower = gdk_keyval_to_lower(keyval);
    if (lower >= 'a' && lower <= 'z')
      return {KeyPress::key, static_cast<int>(lower - 'a' + 'A'), static_cast<char>(lower),
              modifiers};
    if (keyval >= '0' && keyval <= '9')
      return {KeyPress::key, static_cast<int>(keyval), byte, modifiers};
  }
  return {KeyPress::character, 0, byte, 0};
}

std::string utf8_of(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size());
  for (const char byte : cp1252)
    KelmAppendUtf8(KelmCp1252Char(static_cast<unsigned char>(byte)), out);
  return out;
}

std::string cp1252_of(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  const char* at = utf8.data();
  const char* const end = at + utf8.size();
  while (at < end) {
    const gunichar c = g_utf8_get_char_validated(at, end - at);
    if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2)) {
      out += '?';
      ++at;
      // The rest of a malformed sequence is part of the one '?'.
      while (at < end && (static_cast<unsigned char>(*at) & 0xC0) == 0x80) ++at;
      continue;
    }
    const char byte = c == 0 ? '\0' : byte_of(c);
    out += byte != 0 || c == 0 ? byte : '?';
    at = g_utf8_next_char(at);
  }
  return out;
}

std::string label_markup(std::string_view cp1252, bool prefix) {
  std::string out;
  for (size_t i = 0; i < cp1252.size(); ++i) {
    char c = cp1252[i];
    bool underline = false;
    if (prefix && c == '&' && i + 1 < cp1252.size()) {
      c = cp1252[++i];
      underline = c != '&';
    }
    gchar* escaped = g_markup_escape_text(utf8_of(std::string_view(&c, 1)).c_str(), -1);
    if (underline) out += "<u>";
    out += escaped;
    if (underline) out += "</u>";
    g_free(escaped);
  }
  return out;
}

int canvas_pixel(int cell, int cell_size, int inset) {
  return cell == 0 ? inset / 2 : inset + (cell - 1) * cell_size + cell_size / 2;
}

}  // namespace kelm::gtk
