#include <gtest/gtest.h>

#include <string>

#include "textrules/string_rules.h"

namespace {

class Rules : public CStringRules {
 public:
  using CStringRules::ApplyAddStringRules;
};

// want is the joined text with "|" where the first text ends. In order:
// doubled letters; the second text's punctuation replacing the first's;
// abbreviations and initials keeping their period before all but a period; a
// first text of seam characters only; a single hyphen staying as a dash while
// a double one goes; closing quotes and brackets after punctuation.
TEST(AddStringRules, Seams) {
  const struct {
    const char *first, *second, *want;
  } cases[] = {
      {"full", "ly", "ful|ly"},
      {"FULL", "LY", "FUL|LY"},
      {"al", "lly", "al|ly"},
      {"i", "ing", "i|ing"},
      {"ski", "ing", "sk|ing"},
      {"Hi", "i", "Hi|i"},
      {"Hello.", ",", "Hello|,"},
      {"Hello ", ",", "Hello|,"},
      {"Hello^", ".", "Hello|."},
      {"Mr.", ",", "Mr|,"},
      {"5.", ",", "5|,"},
      {"Hello.", "Next", "Hello.|Next"},
      {"", ",", "|,"},
      {"word", "", "word|"},
      {"Inc.", ".", "Inc|."},
      {"Inc.", ",", "Inc.|,"},
      {"A.", ",", "A.|,"},
      {"x.", "?", "x.|?"},
      {"10 a.m.", ",", "10 a.m.|,"},
      {". ", ".x", ". |x"},
      {". ", ". x", ". |x"},
      {", ", ".x", "|.x"},
      {". ", ".", "|."},
      {"word -", ".", "word -|."},
      {"word--", ".", "word|."},
      {"a---", ".", "a-|."},
      {"-", ".", "-|."},
      {"--", ".", "|."},
      {"said.\"", ".", "said.\"|"},
      {"said.\"", ". Next", "said.\"|Next"},
      {"(see below.)", ".", "(see below.)|"},
      {"the 'end.'", "!", "the 'end.'|"},
      {"\"Hi,\"", ",", "\"Hi,\"|"},
      {"(sic)", ".", "(sic)|."},
      {"\"", ".", "\"|."},
  };
  for (const auto& c : cases) {
    CString first = c.first, second = c.second;
    Rules::ApplyAddStringRules(first, second);
    EXPECT_EQ(std::string(c.want), std::string(first.View()) + "|" + std::string(second.View()))
        << '"' << c.first << "\" + \"" << c.second << '"';
  }
}

TEST(AddStringRules, LastIsAbbreviation) {
  const struct {
    const char* text;
    int want;
  } cases[] = {{"U.S.", 1},      {"A.", 1},     {"Ph.D.", 0}, {"Mr.", 0},
               {"", 1},          {"US", 0},     {"1.", 0},    {"10 P.M.", 1},
               {"Acme INC.", 1}, {"\tA.\n", 1}, {"\xC9.", 0}, {"the U.S.", 0}};
  for (const auto& c : cases)
    EXPECT_EQ(c.want, CStringRules::LastIsAbbreviation(c.text)) << '"' << c.text << '"';
}

TEST(Conflicts, MakeAddAndGet) {
  const struct {
    const char *a1, *a2, *a3, *a4, *a5, *want;
  } made[] = {{"", "a", "", "b", "", "[a|b]"},
              {"a", "", "", "", "", "a"},
              {"", "", "", "", "", ""},
              {"a", "b", "c", "d", "e", "[a|b|c|d|e]"}};
  for (const auto& c : made)
    EXPECT_STREQ(c.want, CStringRules::MakeConflictString(c.a1, c.a2, c.a3, c.a4, c.a5)) << c.want;
  const struct {
    const char *conflict, *text, *want;
  } added[] = {{"x", "", "x"}, {"[a|b]", "c", "[a|b|c]"}, {"", "c", "c"}, {"x", "y", "[x|y]"}};
  for (const auto& c : added)
    EXPECT_STREQ(c.want, CStringRules::AddStringToConflict(c.conflict, c.text)) << c.conflict;
  const struct {
    const char* conflict;
    int n;
    const char* want;
  } got[] = {{"[a|b]", 0, "a"},        {"go [a|b]", 0, "a"},  {"[a|b|c]", 1, "b"},
             {"[a|b|c]", 2, "c"},      {"[a|b|c]", 3, ""},    {"[a|b]", -1, "[a"},
             {"plain", 0, "plain"},    {"plain", 1, ""},      {"plain", -1, "plain"},
             {"|x", 0, "|x"},          {"x [a|b] y", 1, "b"}, {"[a||b]", 1, "|b]"},
             {"[a|b]", 2000000000, ""}};
  for (const auto& c : got)
    EXPECT_STREQ(c.want, CStringRules::GetTextFromConflict(c.conflict, c.n)) << c.conflict << c.n;
}

TEST(Conflicts, EndsWithAAn) {
  const struct {
    const char* text;
    int want;
  } cases[] = {{"it is a", 1}, {"it is an", 0}, {"AN", 1},      {"see ^[a|an]", 1},
               {"", 0},        {"[A|AN]", 1},   {"banana", 0},  {"is [a|an]", 1},
               {"x^a", 1},     {"x a ", 0},     {"is[a|an]", 0}};
  for (const auto& c : cases)
    EXPECT_EQ(c.want, CStringRules::EndsWithAAn(c.text)) << '"' << c.text << '"';
}

}  // namespace
