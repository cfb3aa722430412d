#include <gtest/gtest.h>

#include <map>
#include <string>

#include "textrules/spelling_verdict.h"
#include "textrules/string_rules.h"

namespace {

constexpr WORD S = CTranFlags::Suffix;
constexpr WORD L = CTranFlags::AttachLetters;
constexpr WORD D = CTranFlags::DoubleLast;
constexpr WORD Or = CTranFlags::OrEnding;
constexpr WORD Pr = CTranFlags::ProperName;

struct Rules : CStringRules {
  using CStringRules::m_bErToOr;
  using CStringRules::m_bUseRule1;
  using CStringRules::ReplaceEnding;
  using CStringRules::SuffixIs;
  using CStringRules::SyllableCount;
};

struct Join {
  const char* word;
  WORD first;
  const char* suffix;
  WORD second;
  const char* want;  // the word and the suffix after the rules, as "word|suffix"
};

std::string input(const Join& t) {
  return std::string(t.word) + " + " + t.suffix + " flags " + std::to_string(t.first) + ", " +
         std::to_string(t.second);
}

// Each test starts with both switches on and a speller that knows no word, and
// leaves the switches as it found them.
class SuffixRulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    spelling_verdict::set_test_verdicts({});
    Rules::m_bUseRule1 = 1;
    Rules::m_bErToOr = 1;
  }
  void TearDown() override {
    spelling_verdict::clear_test_verdicts();
    Rules::m_bUseRule1 = m_useRule1;
    Rules::m_bErToOr = m_erToOr;
  }

  std::string join(const Join& t) const {
    CString word = t.word;
    CString suffix = t.suffix;
    m_rules.ApplySuffixRules(t.first, word, t.second, suffix);
    return std::string(word.View()) + "|" + std::string(suffix.View());
  }

  Rules m_rules;
  int m_useRule1 = Rules::m_bUseRule1;
  int m_erToOr = Rules::m_bErToOr;
};

TEST(SuffixRulesParts, SuffixIsSyllableCountAndReplaceEnding) {
  const struct {
    const char* text;
    const char* suffix;
    int want;
  } suffixes[] = {
      {"ing", "ing", 1},  {"ing more", "ing", 1}, {"ing{x}", "ing", 1}, {"ING", "ing", 1},
      {"ings", "ing", 0}, {"in", "ing", 0},       {" ing", "ing", 0},   {"s.", "s", 0},
  };
  for (const auto& t : suffixes)
    EXPECT_EQ(t.want, Rules::SuffixIs(t.text, t.suffix)) << t.text << " / " << t.suffix;

  const struct {
    const char* word;
    int want;
  } syllables[] = {
      {"cat", 1}, {"open", 2}, {"hope", 1},  {"go", 1},        {"rhythm", 1},
      {"", 0},    {"area", 1}, {"queue", 1}, {"beginning", 3}, {"BEGIN", 2},
  };
  for (const auto& t : syllables) EXPECT_EQ(t.want, Rules::SyllableCount(t.word)) << t.word;

  const struct {
    const char* text;
    int n;
    const char* ending;
    const char* want;
  } endings[] = {
      {"happy", 1, "i", "happi"}, {"HAPPY", 1, "i", "HAPPI"}, {"", 1, "i", ""},
      {"ab", 3, "xyz", "xyz"},    {"aB", 0, "c", "aBC"},
  };
  for (const auto& t : endings) {
    CString text = t.text;
    Rules::ReplaceEnding(text, t.n, t.ending);
    EXPECT_EQ(std::string(t.want), std::string(text.View())) << t.text << " " << t.n;
  }
}

TEST_F(SuffixRulesTest, EmptyOrLetterAttachingTextsAreLeftAlone) {
  const Join cases[] = {
      {"", 0, "ing", S, "|ing"},
      {"run", 0, "", S, "run|"},
      {"run", L, "ing", S, "run|ing"},
      {"full", L, "ly", S, "full|ly"},  // not even the add-string rules run
  };
  for (const Join& t : cases) EXPECT_EQ(t.want, join(t)) << input(t);
}

TEST_F(SuffixRulesTest, FinalSAndErToOrFollowTheirSwitches) {
  const Join on[] = {
      {"makes", 0, "ing", S, "mak|ing"},      {"clothes", 0, "ing", S, "cloth|ing"},
      {"writes", 0, "ing", S, "writ|ing"},    {"cats", 0, "s", S, "cat|s"},
      {"hands", 0, "y", S, "hand|y"},         {"act", 0, "er", S, "act|or"},
      {"ACT", 0, "ER", S, "ACT|OR"},          {"conduct", 0, "ers", S, "conduct|ors"},
      {"separate", 0, "er", S, "separat|or"}, {"access", 0, "er", S, "access|or"},
      {"act", 0, "ergic", S, "act|ergic"},    {"sail", Or, "er", S, "sail|or"},
  };
  for (const Join& t : on) EXPECT_EQ(t.want, join(t)) << input(t);

  Rules::m_bUseRule1 = 0;
  Rules::m_bErToOr = 0;
  const Join off[] = {
      {"makes", 0, "ing", S, "makes|ing"}, {"clothes", 0, "ing", S, "clothes|ing"},
      {"cats", 0, "s", S, "cat|s"},        {"act", 0, "er", S, "act|er"},
      {"sail", Or, "er", S, "sail|or"},
  };
  for (const Join& t : off) EXPECT_EQ(t.want, join(t)) << input(t) << " (switches off)";
}

TEST_F(SuffixRulesTest, SpellingChangesAtTheSeam) {
  const Join cases[] = {
      // A final y.
      {"happy", 0, "ily", S, "happ|ily"},
      {"copy", 0, "ing", S, "copy|ing"},
      {"boy", 0, "ish", S, "boy|ish"},
      {"carry", 0, "s", S, "carri|es"},
      {"carry", 0, "ed", S, "carri|ed"},
      // Letters the rules write follow the case of the text.
      {"CARRY", 0, "S", S, "CARRI|ES"},
      {"DIE", 0, "ING", S, "DY|ING"},
      {"ACCURATE", 0, "CY", S, "ACCUR|ACY"},
      {"BOX", 0, "S", S, "BOX|ES"},
      {"PANIC", 0, "ING", S, "PANIC|KING"},
      {"BASIC", 0, "LY", S, "BASIC|ALLY"},
      {"REAL", 0, "Y", S, "REAL|LY"},
      {"happy", 0, "ness", S, "happi|ness"},
      {"HAPPY", 0, "NESS", S, "HAPPI|NESS"},
      {"Kennedy", Pr, "s", S, "Kennedy|s"},
      {"day", 0, "s", S, "day|s"},
      {"happy", 0, "'s", S, "happy|'s"},
      {"y", S, "ness", S, "i|ness"},
      {"ly", S, "s", S, "li|es"},
      {"y", S, "ing", S, "y|ing"},
      {"by", 0, "ness", S, "by|ness"},
      // A final e.
      {"die", 0, "ing", S, "dy|ing"},
      {"judge", 0, "ment", S, "judg|ment"},
      {"judge", 0, "ing", S, "judg|ing"},
      {"judge", 0, "ish", S, "jug|ish"},
      {"change", 0, "able", S, "change|able"},
      {"notice", 0, "able", S, "notice|able"},
      {"accurate", 0, "cy", S, "accur|acy"},
      {"private", 0, "cy", S, "priv|acy"},
      {"make", 0, "ing", S, "mak|ing"},
      {"agree", 0, "ed", S, "agre|ed"},
      {"agree", 0, "ing", S, "agree|ing"},
      {"dye", 0, "ing", S, "dye|ing"},
      {"hope", 0, "ful", S, "hope|ful"},
      {"e", D, "ed", S, "|ed"},  // the word runs out before the doubling step
      // A plural s.
      {"church", 0, "s", S, "church|es"},
      {"box", 0, "s", S, "box|es"},
      {"bus", 0, "s", S, "bus|es"},
      {"class", 0, "s", S, "class|es"},
      {"analysis", 0, "s", S, "analyses|"},
      {"ANALYSIS", 0, "s", S, "ANALYSIS|s"},
      {"ABS", 0, "s", S, "ABS|s"},
      {"towns", 0, "s", S, "town|s"},
      {"submitted", 0, "s", S, "submit|s"},
      {"wanted", 0, "s", S, "want|s"},
      {"run", 0, "s", S, "run|s"},
      // ic, ck, l + y, and the add-string rules last.
      {"panic", 0, "y", S, "panic|ky"},
      {"panic", 0, "ing", S, "panic|king"},
      {"picnic", 0, "ed", S, "picnic|ked"},
      {"basic", 0, "ly", S, "basic|ally"},
      {"basic", 0, "al", S, "basic|al"},
      {"back", 0, "up", S, "bac|up"},
      {"back", 0, "ing", S, "back|ing"},
      {"real", 0, "y", S, "real|ly"},
      {"full", 0, "y", S, "full|y"},
      {"full", 0, "ly", S, "ful|ly"},
  };
  for (const Join& t : cases) EXPECT_EQ(t.want, join(t)) << input(t);
}

TEST_F(SuffixRulesTest, ShortWordsDoubleByTheirShapeAndFlags) {
  const Join cases[] = {
      {"run", 0, "ing", S, "run|ning"},       {"run", 0, "er", S, "run|ner"},
      {"hop", 0, "ed", S, "hop|ped"},         {"hot", 0, "est", S, "hot|test"},
      {"sun", 0, "y", S, "sun|ny"},           {"hop", 0, "ful", S, "hop|ful"},
      {"rat", 0, "le", S, "rat|tle"},         {"rat", 0, "ler", S, "rat|tler"},
      {"sew", 0, "ing", S, "sew|ing"},        {"box", 0, "ing", S, "box|ing"},
      {"play", 0, "ing", S, "play|ing"},      {"rain", 0, "ing", S, "rain|ing"},
      {"qut", 0, "ing", S, "qut|ing"},  // u after q is no vowel

      {"bid", 0, "able", S | D, "bid|dable"}, {"bid", 0, "able", S, "bid|able"},
      {"set", S, "ing", 0, "set|ing"},        {"set", D, "ing", S, "set|ting"},
      {"set", S | D, "ing", S, "set|ing"},    {"set", S | D, "ing", 0, "set|ting"},
      {"begin", D, "ing", S, "begin|ning"},   {"open", 0, "er", S, "open|er"},
  };
  for (const Join& t : cases) EXPECT_EQ(t.want, join(t)) << input(t);
}

TEST_F(SuffixRulesTest, TheSpellerDecidesLongWordsAndAbleOrIble) {
  const struct {
    Join join;
    std::map<std::string, int> known;
  } cases[] = {
      {{"begin", 0, "ing", S, "begin|ing"}, {}},
      {{"begin", 0, "ing", S, "begin|ning"}, {{"beginning", 0}}},
      {{"visit", 0, "ing", S, "visit|ing"}, {{"visiting", 0}, {"visitting", 0}}},
      {{"visit", 0, "ing", S, "visit|ting"}, {{"visiting", 2}, {"visitting", 0}}},
      {{"begin", 0, "ingly", S, "begin|ningly"}, {{"beginning", 0}}},
      {{"begin", 0, "ingly", S, "begin|ingly"}, {{"beginningly", 0}}},
      {{"I will begin", 0, "ing", S, "I will begin|ning"}, {{"beginning", 0}}},
      {{"so^begin", 0, "ing", S, "so^begin|ning"}, {{"beginning", 0}}},
      {{"begin", 0, "ing.", S, "begin|ning."}, {{"beginning", 0}}},
      {{"begin", 0, "ing", S, "begin|ing"}, {{"beginning", 2}}},  // only 0 is known here
      {{"begin", S, "ing", S, "begin|ing"}, {{"beginning", 0}}},
      {{"regret", D, "able", S | D, "regret|table"}, {{"regrettable", 0}}},  // doubled once
      {{"regret", 0, "able", S | D, "regret|table"}, {{"regrettable", 0}}},
      {{"regret", 0, "able", S, "regret|able"}, {{"regrettable", 0}}},
      {{"respons", 0, "able", S, "respons|able"}, {}},
      {{"respons", 0, "able", S, "respons|ible"}, {{"responsible", 0}}},
      {{"respons", 0, "able", S, "respons|able"}, {{"responsable", 0}, {"responsible", 0}}},
      {{"respons", 0, "able", S, "respons|ible"}, {{"responsible", 2}}},  // lowest bit clear
      {{"respons", 0, "able", S, "respons|able"}, {{"responsible", 3}}},
      {{"RESPONS", 0, "ABLE", S, "RESPONS|IBLE"}, {{"RESPONSIBLE", 0}}},
      {{"respons", 0, "able", 0, "respons|able"}, {{"responsible", 0}}},
      {{"collect", 0, "ible", S, "collect|able"}, {{"collectable", 0}}},
  };
  for (const auto& t : cases) {
    spelling_verdict::set_test_verdicts(t.known);
    EXPECT_EQ(t.join.want, join(t.join)) << input(t.join);
  }
}

TEST_F(SuffixRulesTest, AddSuffixAndConcatRunTheRules) {
  EXPECT_EQ("carries", std::string(m_rules.AddSuffix(0, "carry", 0, "s").View()));
  EXPECT_EQ("running", std::string(m_rules.Concat(0, "run", S, "ing").View()));
  EXPECT_EQ("run ing", std::string(m_rules.Concat(0, "run", 0, "ing").View()));
}

}  // namespace
