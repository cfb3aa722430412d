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

// Each question mark stands for one character or one malformed sequence, so
// that positions in the result still count the characters of the input.
TEST(TextEncoding, OneBytePerCharacter) {
  const struct {
    std::string utf8;
    std::string cp1252;
  } cases[] = {
      {"", ""},
      {std::string("a\0b", 3), std::string("a\0b", 3)},  // counted, not cut at a NUL
      {"\xE2\x82\xAC\xE2\x80\x99", "\x80\x92"},
      {"a\xE2\x86\x92z", "a?z"},    // arrow: no Windows-1252 form
      {"\xF0\x9F\x98\x80!", "?!"},  // beyond the BMP: still one character
      {"\xE2\x82z", "?z"},          // cut short by an ordinary character
  };
  for (const auto& c : cases) {
    EXPECT_EQ(hex_of(c.cp1252), hex_of(to_cp1252(c.utf8))) << "utf8 " << hex_of(c.utf8);
    if (c.cp1252.find('?') == std::string::npos) {
      EXPECT_EQ(hex_of(c.utf8), hex_of(to_utf8(c.cp1252))) << "cp1252 " << hex_of(c.cp1252);
    }
  }
}

// Long text is converted a piece at a time; a character that straddles the
// end of a piece, at any of its bytes, must come through whole.
TEST(TextEncoding, LongTextComesThroughWholeAcrossPieces) {
  const std::string utf8_run = "\xE2\x82\xAC\xF0\x9F\x98\x80\xC3\xA9\xE2\x82z";
  const std::string cp1252_run = "\x80?\xE9?z";
  for (std::size_t lead = 4080; lead < 4100; ++lead) {
    std::string utf8(lead, 'a');
    std::string cp1252(lead, 'a');
    for (int i = 0; i < 3; ++i) {
      utf8 += utf8_run;
      cp1252 += cp1252_run;
    }
    EXPECT_EQ(hex_of(cp1252), hex_of(to_cp1252(utf8))) << lead << " ASCII bytes first";
  }
  const std::string euros(10000, '\x80');
  std::string want;
  for (int i = 0; i < 10000; ++i) want += "\xE2\x82\xAC";
  EXPECT_EQ(want, to_utf8(euros)) << "10000 euro signs";
}

}  // namespace
}  // namespace kelm_cli
