#include "textrules/string_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/profile.h"
#include "testing/private_hive.h"

namespace {

constexpr WORD P = CTranFlags::Prefix, S = CTranFlags::Suffix, C = CTranFlags::CapitalizeNext,
               L = CTranFlags::AttachLetters, N = CTranFlags::AttachNumbers;

class Rules : public CStringRules {
 public:
  using CStringRules::BeginsWith;
  using CStringRules::EndsWith;

  // The switches are class-wide: a test that changes them puts them back. The
  // constructor is written out because clang 14 refuses a const guard without one.
  struct Switches {
    Switches() : saved{m_bUseRule1, m_bErToOr, m_bSpaceInFront} {}
    ~Switches() {
      m_bUseRule1 = saved[0];
      m_bErToOr = saved[1];
      m_bSpaceInFront = saved[2];
    }
    int saved[3];
  };
};

// want is the joined text with "|" where the first text ends.
struct join_case {
  WORD first_flags;
  const char* first;
  WORD second_flags;
  const char *second, *want;
};

template <size_t n>
void expect_joins(const CStringRules& rules, const join_case (&cases)[n]) {
  for (const join_case& c : cases) {
    const std::string in = std::to_string(c.first_flags) + " \"" + c.first + "\" " +
                           std::to_string(c.second_flags) + " \"" + c.second + '"';
    CString first = c.first, second = c.second;
    rules.ApplyConcatRules(c.first_flags, first, c.second_flags, second);
    EXPECT_EQ(std::string(c.want), std::string(first.View()) + "|" + std::string(second.View()))
        << in;
    CString joined = c.want;
    joined.Remove('|');
    EXPECT_EQ(joined, rules.Concat(c.first_flags, c.first, c.second_flags, c.second)) << in;
  }
}

TEST(StringRulesJoin, TablesSeamsGlueAndCodes) {
  ASSERT_EQ(nullptr, AfxGetApp());
  const Rules::Switches saved;
  CStringRules::SetSpaceInFront(0);
  const join_case cases[] = {{0, "the", 0, "cat", "the |cat"},
                             {P, "re", 0, "do", "re|do"},
                             {L, "a", L, "b", "a|b"},
                             {L, "a", N, "1", "a |1"},
                             {P, "Hello.", 0, ",", "Hello|,"},
                             {0, "run", S, "ing", "run|ning"},
                             {P, "run", S, "ing", "run|ing"},
                             {0, "word", 0, "^next", "word|^next"},
                             {0, "x<", 0, "y", "x<|y"},
                             {0, "yes, ", 0, "sir", "yes, |sir"},
                             {0, "end.", 0, "Next", "end. |Next"},
                             {0, "end. ", 0, "Next", "end.  |Next"},
                             {0, "end.  ", 0, "Next", "end.  |Next"},
                             {0, "Why?", 0, "^Next", "Why? |^Next"},
                             {0, "", 0, "word", "|word"},
                             {0, "word", 0, "", "word|"},
                             {0, "end.", 0, "", "end. |"},
                             {0, "foo ~", 0, " bar", "foo|bar"},
                             {0, "a^ ~", 0, "~^ b", "a|b"},
                             {S | P, "^", 0, "~x", "^|x"},
                             {S, "^", 0, "~x", "|x"},
                             {0, "word^", 0, "{K1}", "word^ |{K1}"},
                             {0, "word", 0, "{k1}", "word|{k1}"},
                             {0, " {Kx", 0, "word", " {Kx |word"},
                             {C, " {Kx", 0, "word", " {Kx|word"},
                             {0, "{Kx", S, "ing", "{Kx|ing"},
                             {P, "{kx", 0, "do", "{kx |do"}};
  expect_joins(CStringRules(), cases);

  // Without an application object, constructing does not reset the switch.
  CStringRules::SetSpaceInFront(1);
  const join_case in_front[] = {{0, "the", 0, "cat", "the| cat"},
                                {0, "end. ", 0, "Next", "end. | Next"},
                                {0, "x^", 0, "{K}", "x^| {K}"}};
  expect_joins(CStringRules(), in_front);
}

// Independent of how the tables are written down: a suffix never takes a
// space, a prefix never gives one, and texts attaching to the same kind join.
TEST(StringRulesJoin, DefaultTablesByClass) {
  ASSERT_EQ(nullptr, AfxGetApp());
  const CStringRules rules;
  const WORD bits[4] = {P, S, L, N};
  for (int first = 0; first < 16; ++first) {
    for (int second = 0; second < 16; ++second) {
      WORD first_flags = C | 0x55, second_flags = 0xAA;
      for (int bit = 0; bit < 4; ++bit) {
        if (first & 1 << bit) first_flags |= bits[bit];
        if (second & 1 << bit) second_flags |= bits[bit];
      }
      const int want = !(second & 2) && !(first & 1) && !(first & second & 12);
      EXPECT_EQ(want, rules.IsSpaceNeeded(first_flags, second_flags)) << first << " " << second;
    }
  }
}

TEST(StringRulesText, AffixesAndUpperCase) {
  const struct {
    const char *text, *part;
    int begins, ends, upper;
  } cases[] = {{"Hello", "he", 1, 0, 0},       {"Hello", "LO", 0, 1, 0},
               {"ABC", "", 1, 1, 1},           {"", "", 1, 1, 1},
               {"AB", "abc", 0, 0, 1},         {"caf\xE9", "\xC9", 0, 0, 0},
               {"\xE9t\xE9", "\xE9", 1, 1, 0}, {"A1.-", "a", 1, 0, 1},
               {"\xE9", "", 1, 1, 1}};
  for (const auto& c : cases) {
    const std::string in = std::string(c.text) + " / " + c.part;
    EXPECT_EQ(c.begins, Rules::BeginsWith(c.text, c.part)) << in;
    EXPECT_EQ(c.ends, Rules::EndsWith(c.text, c.part)) << in;
    EXPECT_EQ(c.upper, CStringRules::IsAllUpper(c.text)) << in;
  }
}

TEST(StringRulesText, WordBoundariesTrimAndCapitals) {
  const struct {
    const char* text;
    int first, last;
    const char *trimmed, *upper, *lower;
  } cases[] = {{"", 0, -1, "", "", ""},
               {"a", 0, 0, "a", "A", "a"},
               {" ", 1, 0, "", " ", " "},
               {"ab  ", 0, 1, "ab", "Ab  ", "ab  "},
               {" aB", 1, 2, " aB", " AB", " aB"},
               {"<x>", 1, 1, "<x", "<x>", "<x>"},
               {"^>hi^", 2, 3, "^>hi", "^>Hi^", "^>hi^"},
               {"Hi <", 0, 1, "Hi", "Hi <", "hi <"},
               {"\xE9t\xE9\t", 0, 3, "\xE9t\xE9\t", "\xE9t\xE9\t", "\xE9t\xE9\t"}};
  for (const auto& c : cases) {
    const CString text = c.text;
    EXPECT_EQ(c.first, CStringRules::FirstWordChar(text)) << '"' << c.text << '"';
    EXPECT_EQ(c.last, CStringRules::LastWordChar(text)) << '"' << c.text << '"';
    CString trimmed = text, upper = text, lower = text;
    CStringRules::TrimRight(trimmed);
    CStringRules::CapFirst(upper, 2);
    CStringRules::CapFirst(lower, 0);
    EXPECT_STREQ(c.trimmed, trimmed) << '"' << c.text << '"';
    EXPECT_STREQ(c.upper, upper) << '"' << c.text << '"';
    EXPECT_STREQ(c.lower, lower) << '"' << c.text << '"';
  }
}

TEST(StringRulesText, TheoryConcat) {
  const struct {
    WORD flags;
    const char *first, *second, *want;
  } cases[] = {{0, "sun", "set", "sun~set"},  {0, "suna", "set", "sunaset"},
               {0, "sky", "line", "skyline"}, {P, "sun", "set", "sunset"},
               {S, "sun", "set", "sunset"},   {0, "", "set", "set"},
               {0, "ski", "ing", "sking"},    {0, "full", "ly", "full~ly"}};
  const CStringRules rules;
  for (const auto& c : cases)
    EXPECT_STREQ(c.want, rules.TheoryConcat(c.flags, c.first, c.second)) << c.first << c.second;
}

class StringRulesProfile : public PrivateHiveTest {
 protected:
  void SetUp() override {
    PrivateHiveTest::SetUp();
    m_app.SetRegistryKey("Quendra");
  }

  const Rules::Switches m_saved;
  CWinApp m_app{"Kelm Test"};
};

TEST_F(StringRulesProfile, TablesAreReadWhenConstructed) {
  const CStringRules before;
  const struct {
    const char *name, *table;
  } tables[] = {{"SpaceTable0", "0000000000000000"},
                {"SpaceTable4", "1"},
                {"SpaceTable8", "1x10101000000000"}};
  for (const auto& t : tables) EXPECT_TRUE(m_app.WriteProfileString("Translator", t.name, t.table));
  const join_case defaults[] = {{0, "the", 0, "cat", "the |cat"}, {N, "1", L, "b", "1 |b"}};
  expect_joins(before, defaults);
  const join_case stored[] = {{0, "the", 0, "cat", "the|cat"},
                              {0, "word", L, "b", "word |b"},
                              {N, "1", L, "b", "1|b"},
                              {P, "x", N, "2", "x|2"},
                              {S, "x", N, "2", "x |2"}};
  expect_joins(CStringRules(), stored);
}

TEST_F(StringRulesProfile, SwitchesWriteThroughAndReload) {
  CStringRules::SetUseRule1(0);
  CStringRules::SetSpaceInFront(1);
  CStringRules::SetUseErToOrRule(0);
  EXPECT_EQ(0u, m_app.GetProfileInt("Translator", "UseRule1", 7));
  EXPECT_EQ(1u, m_app.GetProfileInt("Translator", "Space in front", 7));
  EXPECT_EQ(0u, m_app.GetProfileInt("Translator", "Use Er to Or Rule", 7));

  m_app.WriteProfileInt("Translator", "UseRule1", 1);
  m_app.WriteProfileString("Translator", "Space in front", nullptr);
  EXPECT_EQ(0, CStringRules::GetUseRule1());
  const CStringRules rules;
  EXPECT_EQ(1, CStringRules::GetUseRule1());
  EXPECT_EQ(0, CStringRules::GetSpaceInFront());
  EXPECT_EQ(0, CStringRules::GetUseErToOrRule());
}

}  // namespace
