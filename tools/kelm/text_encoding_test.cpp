#include "text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace kelm_cli {
namespace {

std::string hex_of(const std::string& bytes) {
  constexpr char digits[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 0x0F];
  }
  return out;
}

TEST(TextEncoding, ConvertsEachWayAndEveryByteSurvivesARoundTrip) {
  const struct {
    std::string cp1252;
    std::string utf8;
  } cases[] = {
      {"KA-T/-S", "KA-T/-S"},
      {"\x80", "\xE2\x82\xAC"},  // euro sign, moved into the C1 range
      {"\x9F", "\xC5\xB8"},      // Y with diaeresis, the last of that range
      {"\x91\x92", "\xE2\x80\x98\xE2\x80\x99"},
      {"\xA0", "\xC2\xA0"},  // no-break space: Latin-1 from here up
      {"\xE9t\xE9", "\xC3\xA9t\xC3\xA9"},
      {"\xFF", "\xC3\xBF"},
      {"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},  // undefined bytes
      {std::string(1, '\0'), std::string(1, '\0')},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(hex_of(c.utf8), hex_of(to_utf8(c.cp1252))) << "cp1252 " << hex_of(c.cp1252);
    EXPECT_EQ(hex_of(c.cp1252), hex_of(to_cp1252(c.utf8))) << "utf8 " << hex_of(c.utf8);
  }
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    EXPECT_EQ(hex_of(byte), hex_of(to_cp1252(to_utf8(byte)))) << "byte " << b;
  }
}

// Each question mark stands for one character or one stray byte, so that
// positions in the result still count the characters of the input.
TEST(TextEncoding, MarksWhatWindows1252CannotHold) {
  const struct {
    std::string utf8;
    std::string cp1252;
  } cases[] = {
      {"a\xE2\x86\x92z", "a?z"},    // arrow: no Windows-1252 form
      {"\xF0\x9F\x98\x80!", "?!"},  // four-byte character
      {"\xC2\x85", "?"},            // C1 control whose byte means an ellipsis
      {"a\xFF"
       "b",
       "a?b"},                       // byte that never starts a character
      {"\xC3", "?"},                 // cut short at the end
      {"\xC3z", "?z"},               // cut short by an ordinary character
      {"\xC0\x80", "??"},            // overlong form of NUL
      {"\xED\xA0\x80", "???"},       // surrogate
      {"\xF4\x90\x80\x80", "????"},  // beyond U+10FFFF
  };
  for (const auto& c : cases) EXPECT_EQ(c.cp1252, to_cp1252(c.utf8)) << "utf8 " << hex_of(c.utf8);
}

}  // namespace
}  // namespace kelm_cli
