#include "translate_text_out.h"

#include <locale.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <wchar.h>

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace kelm_cli {

void TextOut::BeforeMessage() { std::cout.flush(); }

namespace {

using readable_text::ToUtf8;

// Only text that no later stroke can change, as it grows, so that a pipe or
// a file never needs a correction.
class FinalTextOut : public TextOut {
 public:
  void Take(const CTranslator& translator, const CTranslator::Edit&) override {
    const std::size_t final_length = translator.GetFinalLength();
    if (final_length <= m_written) return;
    std::cout << ToUtf8(translator.GetTextView().substr(m_written, final_length - m_written));
    m_written = final_length;
  }

 private:
  std::size_t m_written = 0;
};

// "\t", "\n" and "\\", so that an edit stays on its line and its text ends
// at the line's end.
std::string escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '\t')
      out += "\\t";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\\')
      out += "\\\\";
    else
      out += c;
  }
  return out;
}

// Every edit as it happens, one a line, for caption software: the characters
// to take back (Unicode characters, never bytes, so it keeps the text to
// count them in), a tab, the text to add in UTF-8, escaped.
class LiveOut : public TextOut {
 public:
  void Take(const CTranslator&, const CTranslator::Edit& edit) override {
    if (edit.nTakeBack == 0 && edit.text.IsEmpty()) return;
    const std::size_t from = m_text.size() - static_cast<std::size_t>(edit.nTakeBack);
    std::cout << readable_text::CountCharacters(std::string_view(m_text).substr(from)) << '\t'
              << escaped(ToUtf8(edit.text.View())) << '\n';
    m_text.resize(from);
    m_text += edit.text.View();
  }

 private:
  std::string m_text;
};

// The columns a character of the text takes on a terminal in UTF-8, as the
// C library's tables for Unicode have them: two for an emoji or a CJK
// character, none for a joiner or a variation selector. -1: not printable.
int terminal_columns(char32_t c) {
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  if (utf8 == nullptr) return 1;
  const locale_t saved = uselocale(utf8);
  const int columns = wcwidth(static_cast<wchar_t>(c));
  uselocale(saved);
  return columns;
}

// The text on a terminal, corrected in place as a keyboard-emulating
// translator corrects it. A correction moves the cursor to where the first
// changed character stands - up as many rows as lie between, counted with
// the terminal's width, then across from the row's start - erases from
// there to the end of the screen and writes the rest anew. Backspaces would
// not do: they stop at the start of a row, so they cannot take back a line
// break or a wrapped line, and after a character in the last column
// terminals disagree on where one lands. The count needs every character's
// width: Windows-1252 has no wide ones, and an escaped character takes what
// the C library says (a wide one that would not fit in a row's last column
// goes to the next row, as terminals put it); tabs go out as blanks to the
// next multiple of eight, and controls, the soft hyphen and what is not
// printable, which terminals show in their own ways, as '?' and '-'. Text
// above a message on the error stream, or drawn before the terminal changed
// its width, is left as it is: the line being written starts again below,
// and a correction that reaches further back is drawn there too.
class TerminalOut : public TextOut {
 public:
  void Take(const CTranslator&, const CTranslator::Edit& edit) override {
    const std::size_t width = terminal_width();
    if (width != m_width && m_width != 0) {
      BeforeMessage();
      m_width = width;
      AfterMessage();
    }
    m_width = width;
    const std::size_t from = m_text.size() - static_cast<std::size_t>(edit.nTakeBack);
    std::size_t draw_from = from;
    if (from < m_region) {
      BeforeMessage();
      m_region = draw_from = line_start(from);
    } else if (from < m_text.size()) {
      // A row filled to its end is written again from its last character
      // that takes a column, so that the cursor is left in the last column
      // as after any full row.
      if (m_cols[from] > 0 && m_cols[from] % m_width == 0) {
        do draw_from = character_start(draw_from - 1);
        while (m_cols[draw_from] >= m_cols[from]);
      }
      std::cout << '\r' << csi(RowsUp(draw_from), 'A') << csi(m_cols[draw_from] % m_width, 'C')
                << "\x1b[J";
    }
    m_text.resize(from);
    m_cols.resize(from + 1);
    m_text += edit.text.View();
    Lay(from);
    Draw(draw_from);
    std::cout.flush();
  }

  // A fresh row, so that the message does not land amid the text.
  void BeforeMessage() override {
    if (m_cols.back() != 0) std::cout << "\r\n";
    std::cout.flush();
    m_region = m_text.size();
  }

  // The line being written starts again below the message, laid out anew
  // for the width it now has.
  void AfterMessage() override {
    m_region = line_start(m_text.size());
    m_cols.resize(m_region + 1);
    Lay(m_region);
    Draw(m_region);
    std::cout.flush();
  }

 private:
  static constexpr std::size_t tab_width = 8;

  static std::size_t terminal_width() {
    winsize size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
  }

  // A cursor movement, or nothing for a distance of 0.
  static std::string csi(std::size_t n, char command) {
    return n == 0 ? std::string() : "\x1b[" + std::to_string(n) + command;
  }

  std::size_t line_start(std::size_t at) const {
    if (at == 0) return 0;
    const std::size_t newline = m_text.rfind('\n', at - 1);
    return newline == std::string::npos ? 0 : newline + 1;
  }

  std::size_t character_start(std::size_t at) const {
    while (readable_text::IsInsideEscape(m_text, at)) --at;
    return at;
  }

  // Works out the columns from byte `from` on; the bytes of an escape after
  // its first stand where it starts.
  void Lay(std::size_t from) {
    for (std::size_t i = from; i < m_text.size();) {
      const std::size_t col = m_cols[i];
      const char c = m_text[i];
      if (c != readable_text::escape_mark) {
        m_cols.push_back(c == '\n' ? 0 : c == '\t' ? col + tab_width - col % tab_width : col + 1);
        ++i;
        continue;
      }
      const readable_text::Character character = readable_text::NextCharacter(m_text, i);
      const int columns = terminal_columns(character.code_point);
      std::size_t end = col + (columns < 0 ? 1 : static_cast<std::size_t>(columns));
      if (columns > 1 && m_width > 1 && col % m_width + columns > m_width)
        end += m_width - col % m_width;
      m_cols.insert(m_cols.end(), character.length - 1, col);
      m_cols.push_back(end);
      i += character.length;
    }
  }

  // Rows between the one that holds byte `from` and the cursor, which
  // stands after the last character: in the last column when that filled
  // its row, as terminals leave it.
  std::size_t RowsUp(std::size_t from) const {
    const auto rows = [this](std::size_t cols) {
      return cols == 0 ? 1 : (cols + m_width - 1) / m_width;
    };
    std::size_t up = rows(m_cols.back()) - 1;
    for (std::size_t i = from; i < m_text.size(); ++i)
      if (m_text[i] == '\n') up += rows(m_cols[i]);
    return up - m_cols[from] / m_width;
  }

  // Writes the text from byte `from` on, from where the cursor stands.
  void Draw(std::size_t from) const {
    std::string shown;
    for (std::size_t i = from; i < m_text.size();) {
      const readable_text::Character character = readable_text::NextCharacter(m_text, i);
      const char32_t c = character.code_point;
      if (c == '\n')
        shown += "\r\n";
      else if (c == '\t')
        shown.append(m_cols[i + 1] - m_cols[i], ' ');
      else if (c == 0xAD)
        shown += '-';
      else if (c < 0x20 || (c >= 0x7F && c < 0xA0) || terminal_columns(c) < 0)
        shown += '?';
      else
        shown.append(m_text, i, character.length);
      i += character.length;
    }
    std::cout << ToUtf8(shown);
  }

  std::string m_text;  // what the screen shows, as the translator's text
  // The column, within its line, at which each byte starts, and one more
  // for the cursor after the last.
  std::vector<std::size_t> m_cols{0};
  // The text before this stands above a message or a change of width.
  std::size_t m_region = 0;
  std::size_t m_width = 0;
};

}  // namespace

std::unique_ptr<TextOut> MakeFinalTextOut() { return std::make_unique<FinalTextOut>(); }
std::unique_ptr<TextOut> MakeLiveOut() { return std::make_unique<LiveOut>(); }
std::unique_ptr<TextOut> MakeTerminalOut() { return std::make_unique<TerminalOut>(); }

}  // namespace kelm_cli
