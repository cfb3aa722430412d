#include "spell/word_finder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Every word of the text as "start:word", joined by "|".
std::string words_of(const std::string& text) {
  std::string found;
  int start = 0;
  int end = 0;
  for (int from = 0; KelmFindWord(text.data(), static_cast<int>(text.size()), from, &start, &end);
       from = end)
    found += (found.empty() ? "" : "|") + std::to_string(start) + ":" +
             text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
  return found;
}

TEST(WordFinderTest, FindsTheWordsTheCheckerTakes) {
  const struct {
    std::string text;
    std::string words;
  } cases[] = {
      {"", ""},
      {" \t.,;!?", ""},
      {"plain words", "0:plain|6:words"},
      {"  lead and trail  ", "2:lead|7:and|11:trail"},
      {"don't Darcy\x92s", "0:don't|6:Darcy\x92s"},
      {"'tis the dogs' ", "1:tis|5:the|9:dogs"},
      {"rock''n", "0:rock|6:n"},
      {"it's'", "0:it's"},
      {"4th 1,000 B2B", "0:4th|4:1|6:000|10:B2B"},
      {"well-known \"quoted\"", "0:well|5:known|12:quoted"},
      {"caf\xE9 \xC0la na\xEFve", "0:caf\xE9|5:\xC0la|9:na\xEFve"},
      {"\x8A\x8C\x8E\x9A\x9C\x9E\x9F\x83\xAA\xB5\xBA",
       "0:\x8A\x8C\x8E\x9A\x9C\x9E\x9F\x83\xAA\xB5\xBA"},
      {"2\xD7"
       "3 a\xF7"
       "b",
       "0:2|2:3|4:a|6:b"},
      {"end\x93quote\x94 x\x96y", "0:end|4:quote|11:x|13:y"},
      {std::string("ab\0cd", 5), "0:ab|3:cd"},
      {"tab\there", "0:tab|4:here"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.words, words_of(c.text)) << "\"" << c.text << "\"";
}

TEST(WordFinderTest, StartsWhereItIsToldAndAnswersNoneAtTheEnd) {
  const std::string text = "one two";
  const int length = static_cast<int>(text.size());
  const struct {
    int from;
    BOOL found;
    int start, end;
  } cases[] = {
      {-5, TRUE, 0, 3}, {0, TRUE, 0, 3},    {1, TRUE, 1, 3},      {3, TRUE, 4, 7},
      {6, TRUE, 6, 7},  {7, FALSE, -1, -1}, {100, FALSE, -1, -1},
  };
  for (const auto& c : cases) {
    int start = -1;
    int end = -1;
    EXPECT_EQ(c.found, KelmFindWord(text.data(), length, c.from, &start, &end)) << c.from;
    EXPECT_EQ(c.start, start) << c.from;
    EXPECT_EQ(c.end, end) << c.from;
  }
  int start = -1;
  EXPECT_FALSE(KelmFindWord(nullptr, 3, 0, &start, &start));
  EXPECT_FALSE(KelmFindWord(text.data(), 0, 0, &start, &start));
  EXPECT_EQ(-1, start);
}

}  // namespace
