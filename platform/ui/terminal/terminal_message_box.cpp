#include <algorithm>
#include <cctype>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/message.h"
#include "terminal_screen.h"

using kelm::terminal::Event;
using kelm::terminal::Glyph;
using kelm::terminal::glyphs;

namespace {

const char* icon_mark(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
      return "(x) ";
    case MB_ICONQUESTION:
      return "(?) ";
    case MB_ICONEXCLAMATION:
      return "(!) ";
    case MB_ICONASTERISK:
      return "(i) ";
    default:
      return "";
  }
}

// The text's lines, each cut into pieces of at most width characters at
// blanks where it can be.
std::vector<CString> wrap(const CString& text, int width) {
  std::vector<CString> lines;
  CString rest = text;
  for (;;) {
    const int end = rest.Find('\n');
    CString line = end < 0 ? rest : rest.Left(end);
    while (line.GetLength() > width) {
      int cut = width;
      while (cut > 0 && line[cut] != ' ') --cut;
      if (cut == 0) cut = width;
      lines.push_back(line.Left(cut));
      line = line.Mid(cut);
      line.TrimLeft();
    }
    lines.push_back(line);
    if (end < 0) return lines;
    rest = rest.Mid(end + 1);
  }
}

}  // namespace

int KelmTerminalFrontEnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) {
  Impl& m = *m_impl;
  const std::vector<KelmMessageBoxButton> buttons = KelmMessageBoxButtons(nType);
  if (m.screen == nullptr) return buttons.front().answer == IDOK ? IDOK : IDCANCEL;
  int chosen =
      std::min(static_cast<int>((nType & MB_DEFMASK) >> 8), static_cast<int>(buttons.size()) - 1);
  const auto cancel =
      std::find_if(buttons.begin(), buttons.end(),
                   [](const KelmMessageBoxButton& b) { return b.answer == IDCANCEL; });
  for (;;) {
    m.redraw();
    const int max_width = std::max(10, COLS - 6);
    const std::vector<CString> lines = wrap(CString(icon_mark(nType)) + lpszText, max_width);
    int buttons_width = 0;
    for (const KelmMessageBoxButton& b : buttons)
      buttons_width += static_cast<int>(glyphs(b.label, true).size()) + 5;
    int width = std::max(buttons_width + 3, static_cast<int>(std::strlen(lpszCaption)) + 6);
    for (const CString& l : lines) width = std::max(width, l.GetLength() + 4);
    width = std::min(width, COLS);
    const int height = static_cast<int>(lines.size()) + 5;
    const int left = std::max(0, (COLS - width) / 2);
    const int top = std::max(0, (LINES - height) / 2);
    const Impl::Cells frame{left, top, left + width, top + height};
    const Impl::Cells screen{0, 0, COLS, LINES};
    for (int y = frame.top; y < frame.bottom; ++y)
      for (int x = frame.left; x < frame.right; ++x) m.put(screen, y, x, L' ', A_NORMAL);
    m.box(screen, frame, A_NORMAL);
    const std::vector<Glyph> caption = glyphs(CString(" ") + lpszCaption + " ", false);
    if (lpszCaption[0] != '\0')
      m.text(screen, top, left + (width - static_cast<int>(caption.size())) / 2, width - 2, caption,
             A_BOLD, false);
    for (size_t i = 0; i < lines.size(); ++i)
      m.text(screen, top + 2 + static_cast<int>(i), left + 2, width - 4, glyphs(lines[i], false),
             A_NORMAL, false);
    const int row = frame.bottom - 2;
    int x = left + (width - buttons_width + 1) / 2;
    std::vector<std::pair<int, int>> spans;
    for (size_t i = 0; i < buttons.size(); ++i) {
      std::vector<Glyph> shown = {{L'[', false}, {L' ', false}};
      const std::vector<Glyph> label = glyphs(buttons[i].label, true);
      shown.insert(shown.end(), label.begin(), label.end());
      shown.push_back({L' ', false});
      shown.push_back({L']', false});
      const bool focused = static_cast<int>(i) == chosen;
      m.text(screen, row, x, static_cast<int>(shown.size()), shown,
             focused ? A_REVERSE | A_BOLD : A_NORMAL, true);
      spans.emplace_back(x, x + static_cast<int>(shown.size()));
      x += static_cast<int>(shown.size()) + 1;
    }
    curs_set(0);
    refresh();
    const Event e = kelm::terminal::read_event(-1);
    if (e.kind == Event::resize || e.kind == Event::none) continue;
    if (e.kind == Event::mouse) {
      if ((e.mouse_event.bstate & (BUTTON1_PRESSED | BUTTON1_CLICKED)) == 0 ||
          e.mouse_event.y != row)
        continue;
      for (size_t i = 0; i < spans.size(); ++i)
        if (e.mouse_event.x >= spans[i].first && e.mouse_event.x < spans[i].second) {
          m.dirty = true;
          return buttons[i].answer;
        }
      continue;
    }
    const int count = static_cast<int>(buttons.size());
    if (e.kind == Event::key) {
      if (e.vk == VK_RETURN || e.vk == VK_SPACE) {
        m.dirty = true;
        return buttons[static_cast<size_t>(chosen)].answer;
      }
      if (e.vk == VK_ESCAPE) {
        if (cancel != buttons.end() || count == 1) {
          m.dirty = true;
          return cancel != buttons.end() ? IDCANCEL : buttons.front().answer;
        }
        beep();
        continue;
      }
      if (e.vk == VK_LEFT || (e.vk == VK_TAB && (e.modifiers & KELM_MOD_SHIFT) != 0)) {
        chosen = (chosen + count - 1) % count;
        continue;
      }
      if (e.vk == VK_RIGHT || e.vk == VK_TAB) {
        chosen = (chosen + 1) % count;
        continue;
      }
    }
    const char pressed = static_cast<char>(std::tolower(static_cast<unsigned char>(e.ch)));
    for (const KelmMessageBoxButton& b : buttons) {
      const char* amp = std::strchr(b.label, '&');
      if (pressed != 0 && amp != nullptr &&
          std::tolower(static_cast<unsigned char>(amp[1])) == pressed) {
        m.dirty = true;
        return b.answer;
      }
    }
  }
}
