#include "captions/caption_messages.h"

#include <gtest/gtest.h>

#include <string>

#include "translation/readable_text.h"

namespace {

using captions::ParseTarget;

std::string escape(char32_t code_point) {
  std::string out;
  readable_text::AppendEscape(code_point, out);
  return out;
}

TEST(CaptionMessages, TextIsUtf8AndTakeBacksCountUtf16Units) {
  const std::string globe = escape(0x1F30F);
  const struct {
    std::string taken_back, added;
    std::string message;
  } cases[] = {
      {"", "", "E0:"},
      {"abc", "cat", "E3:cat"},
      // A take-back counts characters, never the UTF-8 bytes they become.
      {"\xE9s", "Caf\xE9", "E2:Caf\xC3\xA9"},
      {"x", "\x80 5", "E1:\xE2\x82\xAC 5"},
      {"", "line\nnext\ttab", "E0:line\nnext\ttab"},
      // The bytes Windows-1252 leaves undefined still make one character.
      {"", "\x81", "E0:\xC2\x81"},
      {"", std::string("a\0b", 3), std::string("E0:a\0b", 6)},
      // An emoji is one escape, two UTF-16 units and four bytes of UTF-8.
      {"", "A " + globe, "E0:A \xF0\x9F\x8C\x8F"},
      {" " + globe, "", "E3:"},
      {globe + "s", escape(0x4E2D), "E3:\xE4\xB8\xAD"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.message, captions::EditMessage(c.taken_back, c.added))
        << c.taken_back << " / " << c.added;
  EXPECT_EQ("T\xE2\x80\x9CQuoted\xE2\x80\x9D", captions::TextMessage("\x93Quoted\x94"));
  EXPECT_EQ("T\xF0\x9F\x8C\x8F!", captions::TextMessage(globe + "!"));
}

// The bytes of escapes aside, which never stand alone in the translator's
// text.
TEST(CaptionMessages, EveryByteBecomesOneCharacter) {
  std::string all;
  for (int byte = 1; byte < 256; ++byte)
    if (byte < 0x10 || byte > 0x1F) all += static_cast<char>(byte);
  const std::string utf8 = captions::TextMessage(all).substr(1);
  std::size_t characters = 0;
  for (const char c : utf8)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;
  EXPECT_EQ(all.size(), characters);
}

TEST(CaptionMessages, TargetsSplitIntoPathAndToken) {
  const struct {
    std::string target;
    bool valid;
    std::string path;
    bool has_token;
    std::string token;
  } cases[] = {
      {"/", true, "/", false, ""},
      {"/stream?token=abc", true, "/stream", true, "abc"},
      {"/?a=1&token=s%20e+c%2Fr&b", true, "/", true, "s e c/r"},
      {"/?token=", true, "/", true, ""},
      {"/?tokens=abc", true, "/", false, ""},
      {"/%2e%2e/etc/passwd", true, "/../etc/passwd", false, ""},
      {"/?token=%zz", false, "/", false, ""},
      {"/?token=%4", false, "/", false, ""},
      {"/%", false, "", false, ""},
      {"*", false, "", false, ""},
      {"http://host/", false, "", false, ""},
      {"", false, "", false, ""},
  };
  for (const auto& c : cases) {
    const captions::Target got = ParseTarget(c.target);
    EXPECT_EQ(c.valid, got.valid) << c.target;
    if (!c.valid) continue;
    EXPECT_EQ(c.path, got.path) << c.target;
    EXPECT_EQ(c.has_token, got.has_token) << c.target;
    EXPECT_EQ(c.token, got.token) << c.target;
  }
}

TEST(CaptionMessages, EncodedTokensComeBackWhole) {
  for (const std::string token : {"plain", "with space", "a&b=c", "?%+/#", "\xC3\xA9t\xC3\xA9"}) {
    const captions::Target got = ParseTarget("/?token=" + captions::PercentEncoded(token));
    EXPECT_TRUE(got.valid && got.has_token) << token;
    EXPECT_EQ(token, got.token) << token;
  }
}

TEST(CaptionMessages, SecretsMatchOnlyWhole) {
  const struct {
    std::string guess, secret;
    bool same;
  } cases[] = {
      {"secret", "secret", true}, {"secreT", "secret", false},
      {"secre", "secret", false}, {"secrets", "secret", false},
      {"", "secret", false},      {"", "", true},
      {"x", "", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.same, captions::SameSecret(c.guess, c.secret)) << c.guess << " / " << c.secret;
}

}  // namespace
