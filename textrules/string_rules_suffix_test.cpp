#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <span>
#include <string>
#include <thread>

#include "platform/profile.h"
#include "platform/registry.h"
#include "settings/orvalis_data.h"
#include "spell/spell_checker.h"
#include "testing/scratch_folder.h"
#include "testing/user_folder_test.h"
#include "textrules/string_rules.h"

namespace {

constexpr WORD S = CTranFlags::Suffix, L = CTranFlags::AttachLetters, D = CTranFlags::DoubleLast,
               Or = CTranFlags::OrEnding, Pr = CTranFlags::ProperName;

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

// Each test starts with both switches on and a speller over empty lexicons,
// which knows no word, and leaves the switches as it found them.
class SuffixRulesTest : public UserFolderTest {
 protected:
  void SetUp() override {
    UserFolderTest::SetUp();
    Rules::m_bUseRule1 = Rules::m_bErToOr = 1;
  }
  void TearDown() override {
    Rules::m_bUseRule1 = m_saved[0];
    Rules::m_bErToOr = m_saved[1];
    UserFolderTest::TearDown();
  }

  // A hive and a user folder of their own whose main lexicon holds exactly
  // these entries; the speller's kept checker sees a new hive at once.
  void use_lexicon(const std::string& entries) {
    const std::string place = m_folder.path("lexicon" + std::to_string(++m_lexicons));
    std::filesystem::create_directories(place + "/user");
    KelmSetRegistryPath((place + "/registry.db").c_str());
    COrvalisData(KEY_ALL_ACCESS).SetUserDir((place + "/user").c_str());
    WriteWholeFile(place + "/user/ssceam.tlx", entries);
  }

  void expect_joins(std::initializer_list<Join> cases, std::string_view note = "") const {
    expect_joins(std::span<const Join>(cases.begin(), cases.size()), note);
  }
  void expect_joins(std::span<const Join> cases, std::string_view note = "") const {
    for (const Join& t : cases) {
      CString word = t.word, suffix = t.suffix;
      m_rules.ApplySuffixRules(t.first, word, t.second, suffix);
      EXPECT_EQ(t.want, std::string(word.View()) + "|" + std::string(suffix.View()))
          << t.word << " + " << t.suffix << " flags " << t.first << ", " << t.second << note;
    }
  }

  Rules m_rules;
  const int m_saved[2] = {Rules::m_bUseRule1, Rules::m_bErToOr};
  int m_lexicons = 0;
};

TEST(SuffixRulesParts, SuffixIsSyllableCountAndReplaceEnding) {
  const struct {
    const char *text, *suffix;
    int want;
  } suffixes[] = {{"ing more", "ing", 1},
                  {"ing{x}", "ing", 1},
                  {"ING", "ing", 1},
                  {"ings", "ing", 0},
                  {" ing", "ing", 0}};
  for (const auto& t : suffixes)
    EXPECT_EQ(t.want, Rules::SuffixIs(t.text, t.suffix)) << t.text << " / " << t.suffix;

  const struct {
    const char* word;
    int want;
  } syllables[] = {{"cat", 1}, {"hope", 1}, {"rhythm", 1}, {"", 0}, {"queue", 1}, {"BEGIN", 2}};
  for (const auto& t : syllables) EXPECT_EQ(t.want, Rules::SyllableCount(t.word)) << t.word;

  const struct {
    const char* text;
    int n;
    const char *ending, *want;
  } endings[] = {{"HAPPY", 1, "i", "HAPPI"}, {"", 1, "i", ""}, {"ab", 3, "xyz", "xyz"}};
  for (const auto& t : endings) {
    CString text = t.text;
    Rules::ReplaceEnding(text, t.n, t.ending);
    EXPECT_EQ(std::string(t.want), std::string(text.View())) << t.text << " " << t.n;
  }
}

TEST_F(SuffixRulesTest, FinalSAndErToOrFollowTheirSwitches) {
  const Join on[] = {
      {"makes", 0, "ing", S, "mak|ing"},   {"clothes", 0, "ing", S, "cloth|ing"},
      {"hands", 0, "y", S, "hand|y"},      {"act", 0, "er", S, "act|or"},
      {"ACT", 0, "ER", S, "ACT|OR"},       {"separate", 0, "er", S, "separat|or"},
      {"access", 0, "er", S, "access|or"}, {"act", 0, "ergic", S, "act|ergic"},
      {"sail", Or, "er", S, "sail|or"},
  };
  expect_joins(on);

  Rules::m_bUseRule1 = Rules::m_bErToOr = 0;
  const Join off[] = {
      {"makes", 0, "ing", S, "makes|ing"},
      {"cats", 0, "s", S, "cat|s"},
      {"act", 0, "er", S, "act|er"},
      {"sail", Or, "er", S, "sail|or"},
  };
  expect_joins(off, " (switches off)");
  EXPECT_EQ("carries", std::string(m_rules.AddSuffix(0, "carry", 0, "s").View()));
}

// Letters the rules write follow the text's case. Letter-attaching texts
// are left alone, not even the add-string rules run.
TEST_F(SuffixRulesTest, SpellingChangesAtTheSeam) {
  const Join final_y[] = {
      {"happy", 0, "ily", S, "happ|ily"},   {"copy", 0, "ing", S, "copy|ing"},
      {"boy", 0, "ish", S, "boy|ish"},      {"carry", 0, "s", S, "carri|es"},
      {"CARRY", 0, "S", S, "CARRI|ES"},     {"happy", 0, "ness", S, "happi|ness"},
      {"Kennedy", Pr, "s", S, "Kennedy|s"}, {"day", 0, "s", S, "day|s"},
      {"happy", 0, "'s", S, "happy|'s"},    {"y", S, "ness", S, "i|ness"},
      {"ly", S, "s", S, "li|es"},           {"y", S, "ing", S, "y|ing"},
      {"by", 0, "ness", S, "by|ness"},
  };
  const Join final_e[] = {
      {"die", 0, "ing", S, "dy|ing"},          {"DIE", 0, "ING", S, "DY|ING"},
      {"judge", 0, "ment", S, "judg|ment"},    {"judge", 0, "ing", S, "judg|ing"},
      {"judge", 0, "ish", S, "jug|ish"},       {"change", 0, "able", S, "change|able"},
      {"notice", 0, "able", S, "notice|able"}, {"accurate", 0, "cy", S, "accur|acy"},
      {"ACCURATE", 0, "CY", S, "ACCUR|ACY"},   {"make", 0, "ing", S, "mak|ing"},
      {"agree", 0, "ed", S, "agre|ed"},        {"agree", 0, "ing", S, "agree|ing"},
      {"dye", 0, "ing", S, "dye|ing"},         {"hope", 0, "ful", S, "hope|ful"},
  };
  const Join plural_s[] = {
      {"church", 0, "s", S, "church|es"},    {"BOX", 0, "S", S, "BOX|ES"},
      {"bus", 0, "s", S, "bus|es"},          {"analysis", 0, "s", S, "analyses|"},
      {"ANALYSIS", 0, "s", S, "ANALYSIS|s"}, {"ABS", 0, "s", S, "ABS|s"},
      {"towns", 0, "s", S, "town|s"},        {"submitted", 0, "s", S, "submit|s"},
      {"wanted", 0, "s", S, "want|s"},       {"run", 0, "s", S, "run|s"},
  };
  const Join ic_ck_l[] = {
      {"panic", 0, "y", S, "panic|ky"},     {"PANIC", 0, "ING", S, "PANIC|KING"},
      {"picnic", 0, "ed", S, "picnic|ked"}, {"BASIC", 0, "LY", S, "BASIC|ALLY"},
      {"basic", 0, "al", S, "basic|al"},    {"back", 0, "up", S, "bac|up"},
      {"back", 0, "ing", S, "back|ing"},    {"REAL", 0, "Y", S, "REAL|LY"},
      {"full", 0, "y", S, "full|y"},        {"full", 0, "ly", S, "ful|ly"},
  };
  const Join short_or_empty[] = {{"e", D, "ed", S, "|ed"},
                                 {"", 0, "ing", S, "|ing"},
                                 {"run", 0, "", S, "run|"},
                                 {"full", L, "ly", S, "full|ly"}};
  expect_joins(final_y);
  expect_joins(final_e);
  expect_joins(plural_s);
  expect_joins(ic_ck_l);
  expect_joins(short_or_empty);
}

// "qut": u after q is no vowel.
TEST_F(SuffixRulesTest, ShortWordsDoubleByTheirShapeAndFlags) {
  const Join cases[] = {
      {"run", 0, "ing", S, "run|ning"},       {"run", 0, "er", S, "run|ner"},
      {"hop", 0, "ed", S, "hop|ped"},         {"sun", 0, "y", S, "sun|ny"},
      {"hop", 0, "ful", S, "hop|ful"},        {"rat", 0, "le", S, "rat|tle"},
      {"sew", 0, "ing", S, "sew|ing"},        {"play", 0, "ing", S, "play|ing"},
      {"rain", 0, "ing", S, "rain|ing"},      {"qut", 0, "ing", S, "qut|ing"},
      {"bid", 0, "able", S | D, "bid|dable"}, {"bid", 0, "able", S, "bid|able"},
      {"set", S, "ing", 0, "set|ing"},        {"set", D, "ing", S, "set|ting"},
      {"set", S | D, "ing", S, "set|ing"},    {"set", S | D, "ing", 0, "set|ting"},
      {"begin", D, "ing", S, "begin|ning"},
  };
  expect_joins(cases);
}

// Doubling wants the plain form unknown and the doubled one known (and a
// suffix that does not double is doubled by the speller's repair of the
// join); the other ending is taken only when the written one is unknown and
// it is known.
// An entry that changes a word ("a") marks it as a misspelling. "regret" + D +
// "able" once doubled twice.
TEST_F(SuffixRulesTest, TheSpellerDecidesLongWordsAndAbleOrIble) {
  const struct {
    Join join;
    const char* lexicon;
  } cases[] = {{{"begin", 0, "ing", S, "begin|ing"}, ""},
               {{"begin", 0, "ing", S, "begin|ning"}, "beginning\ti\n"},
               {{"visit", 0, "ing", S, "visit|ing"}, "visiting\ti\nvisitting\ti\n"},
               {{"begin", 0, "ingly", S, "begin|ningly"}, "beginning\ti\n"},
               {{"begin", 0, "ingly", S, "begin|ningly"}, "beginningly\ti\n"},
               {{"I will begin", 0, "ing", S, "I will begin|ning"}, "beginning\ti\n"},
               {{"so^begin", 0, "ing", S, "so^begin|ning"}, "beginning\ti\n"},
               {{"begin", 0, "ing", S, "begin|ing"}, "beginning\ta\tbegining\n"},
               {{"begin", S, "ing", S, "begin|ing"}, "beginning\ti\n"},
               {{"regret", D, "able", S | D, "regret|table"}, "regrettable\ti\n"},
               {{"regret", 0, "able", S | D, "regret|table"}, "regrettable\ti\n"},
               {{"regret", 0, "able", S, "regret|table"}, "regrettable\ti\n"},
               {{"respons", 0, "able", S, "respons|able"}, ""},
               {{"respons", 0, "able", S, "respons|ible"}, "responsible\ti\n"},
               {{"respons", 0, "able", S, "respons|able"}, "responsable\ti\nresponsible\ti\n"},
               {{"respons", 0, "able", S, "respons|able"}, "responsible\ta\tresponsable\n"},
               {{"RESPONS", 0, "ABLE", S, "RESPONS|IBLE"}, "responsible\ti\n"},
               {{"respons", 0, "able", 0, "respons|able"}, "responsible\ti\n"},
               {{"collect", 0, "ible", S, "collect|able"}, "collectable\ti\n"}};
  for (const auto& t : cases) {
    use_lexicon(t.lexicon);
    expect_joins(std::span<const Join>(&t.join, 1), std::string(" over ") + t.lexicon);
  }
}

// A checker kept between joins must answer as a fresh one: a word added in
// this process counts at the next join, one written by another program
// within a quarter second, and options changed in the profile likewise. The
// -able/-ible choice reads the checker's case-sensitive verdict, so a word
// the lexicon holds only with a capital counts once case does not matter.
TEST_F(SuffixRulesTest, ChangedLexiconsAndOptionsReachTheNextJoins) {
  WriteWholeFile(user_file("ssceam.tlx"), "Responsible\ti\n");
  expect_joins({{"kidnap", 0, "ing", S, "kidnap|ing"}, {"respons", 0, "able", S, "respons|able"}});
  CSpellChecker().Add("kidnapping");
  expect_joins({{"kidnap", 0, "ing", S, "kidnap|ping"}}, " after Add");
  WriteWholeFile(user_file("ssceam.tlx"), "Responsible\ti\ncontrolling\ti\n");
  m_app.WriteProfileInt("SpellChecker", "CaseSensitive", 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  expect_joins(
      {{"control", 0, "ing", S, "control|ling"}, {"respons", 0, "able", S, "respons|ible"}},
      " after the file and the profile changed");
}

// The installed word list, when the build has compiled it.
TEST_F(SuffixRulesTest, TheCompiledWordListDecidesCommonWords) {
  const std::filesystem::path compiled = KELM_BUILD_LEXICON_DIR "/ssceam2.clx";
  if (!std::filesystem::exists(compiled))
    GTEST_SKIP() << compiled << " is not built (target lexicons)";
  std::filesystem::copy_file(compiled, user_file("ssceam2.clx"));
  expect_joins({{"begin", 0, "ing", S, "begin|ning"},
                {"visit", 0, "ing", S, "visit|ing"},
                {"prefer", 0, "ed", S, "prefer|red"},
                {"control", 0, "er", S, "control|ler"},
                {"offer", 0, "ing", S, "offer|ing"},
                {"respons", 0, "able", S, "respons|ible"},
                {"access", 0, "able", S, "access|ible"},
                {"depend", 0, "able", S, "depend|able"}});
}

}  // namespace
