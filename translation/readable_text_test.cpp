#include "translation/readable_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace readable_text;

std::string escape(char32_t code_point) {
  std::string out;
  AppendEscape(code_point, out);
  return out;
}

// The bytes as hexadecimal, so that a failure shows the controls.
std::string hex(std::string_view bytes) {
  static constexpr char digits[] = "0123456789abcdef";
  std::string out;
  for (const char c : bytes) {
    out += digits[static_cast<unsigned char>(c) >> 4];
    out += digits[static_cast<unsigned char>(c) & 0xF];
    out += ' ';
  }
  return out;
}

const std::string globe = escape(0x1F30F);  // U+1F30F, astral

TEST(ReadableText, EscapesDecodeToTheirCharactersAndCountAsOne) {
  EXPECT_EQ("\x1A\x10\x11\x1F\x13\x10\x1F", globe);
  const struct {
    std::string text;
    const char* utf8;
    std::size_t characters, units;
  } cases[] = {
      {"plain", "plain", 5, 5},
      {"caf\xE9 \x80", "caf\xC3\xA9 \xE2\x82\xAC", 6, 6},
      // The bytes Windows-1252 leaves undefined, as Windows maps them.
      {"\x81\x9D", "\xC2\x81\xC2\x9D", 2, 2},
      {globe, "\xF0\x9F\x8C\x8F", 1, 2},
      {"A" + globe + "b" + escape(0x4E2D),
       "A\xF0\x9F\x8C\x8F"
       "b\xE4\xB8\xAD",
       4, 5},
      {globe + globe, "\xF0\x9F\x8C\x8F\xF0\x9F\x8C\x8F", 2, 4},
      // A control escaped as its own code point, the mark among them.
      {escape(0x1A) + escape(0x07), "\x1A\x07", 2, 2},
      {escape(0x10FFFF), "\xF4\x8F\xBF\xBF", 1, 2},
      // Malformed: a bare mark, one cut short by the text's end, a digit out
      // of range, a code point beyond Unicode, a surrogate.
      {"\x1A", "\xEF\xBF\xBD", 1, 1},
      {globe.substr(0, 6), "\xEF\xBF\xBD\x10\x11\x1F\x13\x10", 6, 6},
      {"\x1A\x10\x10\x10\x10\x14x", "\xEF\xBF\xBD\x10\x10\x10\x10\x14x", 7, 7},
      {escape(0x110000), "\xEF\xBF\xBD", 1, 1},
      {escape(0xD83C), "\xEF\xBF\xBD", 1, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.utf8, ToUtf8(c.text)) << hex(c.text);
    EXPECT_EQ(c.characters, CountCharacters(c.text)) << hex(c.text);
    EXPECT_EQ(c.units, CountUtf16Units(c.text)) << hex(c.text);
  }
}

TEST(ReadableText, APositionInsideAnEscapeIsToldFromTheRunBeforeIt) {
  // U+1F9AA's digits hold an A, the mark's own byte.
  const std::string text = "a" + escape(0x1F9AA) + escape(0x1A) + "b" + globe;
  const struct {
    std::size_t position;
    bool inside;
  } cases[] = {{0, false}, {1, false}, {2, true},   {4, true},   {7, true},
               {8, false}, {9, true},  {14, true},  {15, false}, {16, false},
               {17, true}, {22, true}, {23, false}, {99, false}};
  for (const auto& c : cases)
    EXPECT_EQ(c.inside, IsInsideEscape(text, c.position)) << c.position << " in " << hex(text);
}

}  // namespace
