#include "translation/readable_text.h"

#include "platform/code_page.h"

namespace readable_text {
namespace {

constexpr char32_t replacement = 0xFFFD;
constexpr std::size_t digits = escape_length - 1;

// The digits' bytes, the mark among them.
bool is_escape_byte(char c) { return c >= 0x10 && c <= 0x1F; }

}  // namespace

void AppendEscape(char32_t code_point, std::string& out) {
  out += escape_mark;
  for (std::size_t i = digits; i-- > 0;)
    out += static_cast<char>(0x10 + ((code_point >> (4 * i)) & 0xF));
}

Character NextCharacter(std::string_view text, std::size_t at) {
  if (text[at] != escape_mark) return {KelmCp1252Char(static_cast<unsigned char>(text[at])), 1};
  // A mark without its six digits is one bad character; the bytes after it
  // are read on their own.
  if (text.size() - at < escape_length) return {replacement, 1};
  char32_t code_point = 0;
  for (std::size_t i = 1; i <= digits; ++i) {
    if (!is_escape_byte(text[at + i])) return {replacement, 1};
    code_point = code_point << 4 | static_cast<char32_t>(text[at + i] - 0x10);
  }
  if (code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF))
    code_point = replacement;
  return {code_point, escape_length};
}

std::string ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const Character c = NextCharacter(text, at);
    KelmAppendUtf8(c.code_point, out);
    at += c.length;
  }
  return out;
}

std::size_t CountCharacters(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t at = 0; at < text.size(); ++count) at += NextCharacter(text, at).length;
  return count;
}

std::size_t CountUtf16Units(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t at = 0; at < text.size();) {
    const Character c = NextCharacter(text, at);
    count += c.code_point > 0xFFFF ? 2 : 1;
    at += c.length;
  }
  return count;
}

bool IsInsideEscape(std::string_view text, std::size_t position) {
  if (position == 0 || position >= text.size()) return false;
  // The run of escape bytes the position stands in is whole escapes from
  // its start on; its first byte can be only a mark.
  std::size_t start = position;
  while (start > 0 && is_escape_byte(text[start - 1])) --start;
  if (start == position) return false;
  return (position - start) % escape_length != 0;
}

}  // namespace readable_text
