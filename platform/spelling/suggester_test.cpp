#include "platform/spelling/suggester.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/spelling/phonetic.h"

namespace spelling {
namespace {

const std::vector<dictionary_word> small_lexicon = {
    {"a", 10},       {"address", 35}, {"beginning", 20}, {"caf\xE9", 50}, {"cat", 10},
    {"cot", 35},     {"front", 20},   {"in", 10},        {"lot", 10},     {"mat", 35},
    {"nation", 20},  {"Ohio", 35},    {"phonetic", 50},  {"problem", 20}, {"rat", 35},
    {"receive", 20}, {"the", 10},     {"their", 10},     {"there", 10},   {"three", 10}};

bool accept_all(std::string_view) { return true; }

// 0 for the first suggestion; -1 when the word is not offered.
int rank_of(const std::vector<candidate>& found, const std::string& word) {
  for (std::size_t i = 0; i < found.size(); ++i) {
    if (found[i].word == word) return static_cast<int>(i);
  }
  return -1;
}

suggest_options with(int depth, bool typographical, bool phonetic, bool split_words) {
  suggest_options options;
  options.depth = depth;
  options.typographical = typographical;
  options.phonetic = phonetic;
  options.split_words = split_words;
  return options;
}

TEST(SuggesterTest, FindsEachKindOfEditWithinTheDepthsReach) {
  const suggester s(small_lexicon);
  struct {
    const char* typed;
    int depth;
    const char* want;
    bool found;
  } cases[] = {
      {"probleem", 50, "problem", true},      // one letter too many
      {"probbleemm", 100, "problem", false},  // three too many: out of reach
      {"probbleem", 50, "problem", true},     // two too many
      {"problm", 50, "problem", true},        // one left out
      {"prblm", 50, "problem", true},         // two left out
      {"problam", 50, "problem", true},       // one wrong letter
      {"priblam", 50, "problem", true},       // two wrong letters
      {"porblem", 50, "problem", true},       // two letters swapped
      {"porbelm", 50, "problem", true},       // two swaps
      {"PROBLM", 50, "problem", true},        // case does not matter
      {"CAF\xC9", 50, "caf\xE9", true},       // nor for accented letters
      {"ohio", 50, "Ohio", true},             // the lexicon's spelling is offered
      {"problm", 10, "problem", true},        // a shallow search still finds one edit
      {"prblm", 10, "problem", false},        // but not two
  };
  for (const auto& c : cases) {
    const auto found = s.suggest(c.typed, with(c.depth, true, false, false), 10, accept_all);
    EXPECT_EQ(c.found, rank_of(found, c.want) >= 0) << c.typed << " depth " << c.depth;
  }
}

// Restricted Damerau-Levenshtein distance, worked out in full.
int edits_between(std::string_view a, std::string_view b) {
  std::vector<std::vector<int>> d(a.size() + 1, std::vector<int>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = static_cast<int>(i);
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = static_cast<int>(j);
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min(
          {d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

// Guards the distance filter's reuse of the rows of a beginning shared with
// the word before, and its pass over words whose beginning is already out of
// reach: every word within reach is offered, and no other, in a lexicon of
// words that share their beginnings in every way.
TEST(SuggesterTest, OffersEveryWordWithinReachAndNoOther) {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> all{""};
    std::vector<std::string> words;
    for (int length = 1; length <= 6; ++length) {
      std::vector<std::string> longer;
      for (const std::string& w : all) {
        for (char c : {'a', 'b', 'c'}) longer.push_back(w + c);
      }
      words.insert(words.end(), longer.begin(), longer.end());
      all = std::move(longer);
    }
    return words;
  }();
  std::vector<dictionary_word> lexicon;
  for (const std::string& w : texts) lexicon.push_back({w, 20});
  const suggester s(lexicon);
  for (const char* typed : {"a", "cab", "abcabc", "aaaa", "bbbbbbb", "abcdcba", "ccaabb", "acbacb",
                            "dabc", "bacbacba"}) {
    for (const auto& [depth, reach] : {std::pair{50, 2}, std::pair{10, 1}}) {
      std::vector<std::string> want;
      for (const std::string& w : texts) {
        if (w != typed && edits_between(typed, w) <= reach) want.push_back(w);
      }
      std::vector<std::string> got;
      for (const candidate& c :
           s.suggest(typed, with(depth, true, false, false), texts.size(), accept_all))
        got.push_back(c.word);
      std::sort(want.begin(), want.end());
      std::sort(got.begin(), got.end());
      EXPECT_EQ(want, got) << typed << " depth " << depth;
    }
  }
}

TEST(SuggesterTest, RanksByTypoAndCommonness) {
  struct {
    std::vector<dictionary_word> words;
    const char* typed;
    bool typographical;
    const char* first;
  } cases[] = {
      // "e" touches "r" but not "m".
      {{{"mat", 35}, {"rat", 35}}, "eat", true, "rat"},
      {{{"mat", 35}, {"rat", 35}}, "eat", false, "mat"},
      // Equally near: the commoner word first, whichever way round.
      {{{"cat", 10}, {"cot", 35}}, "cit", true, "cat"},
      {{{"cat", 50}, {"cot", 10}}, "cit", true, "cot"},
      // A swap is likelier than two unrelated edits.
      {{{"from", 10}, {"form", 10}, {"foam", 35}}, "fomr", true, "form"},
      // A letter left out of a double is a common slip.
      {{{"address", 35}, {"adders", 35}}, "addres", true, "address"},
      // Letters left out are likelier than a wrong one: of two words as near,
      // the longer.
      {{{"standard", 20}, {"standards", 20}}, "standars", true, "standards"},
      // Without an apostrophe typed, the possessive is the less likely word.
      {{{"fighting", 20}, {"fighting's", 20}}, "fightings", true, "fighting"},
      // But a contraction has no plural to be taken for.
      {{{"don't", 10}, {"dent", 35}}, "dont", true, "don't"},
      // A silent e kept before -y, or put on the end.
      {{{"simple", 10}, {"simply", 10}}, "simpley", true, "simply"},
      {{{"frame", 10}, {"from", 10}}, "frome", true, "from"},
      // A stray h after a letter it pairs with.
      {{{"which", 10}, {"with", 10}}, "whith", true, "with"},
      // The ending -ly written as -y.
      {{{"particular", 10}, {"particularly", 10}}, "particulary", true, "particularly"},
      // An r after a vowel left out.
      {{{"gild", 35}, {"gird", 35}}, "gid", true, "gird"},
      // The vowel of an unstressed ending is a guess; other vowels less so.
      {{{"impassable", 20}, {"impossible", 20}}, "impossable", true, "impossible"},
      // A mistake among the first letters is the less likely.
      {{{"sit", 20}, {"sot", 20}}, "soit", true, "sot"},
  };
  for (const auto& c : cases) {
    const suggester s(c.words);
    const auto found = s.suggest(c.typed, with(50, c.typographical, false, false), 10, accept_all);
    ASSERT_FALSE(found.empty()) << c.typed;
    EXPECT_EQ(c.first, found[0].word) << c.typed << " typographical " << c.typographical;
  }
}

TEST(SuggesterTest, SplitsRunTogetherWordsOnlyWhenAskedAndBothHalvesAreAcceptable) {
  const suggester s(small_lexicon);
  const auto no_lot = [](std::string_view w) { return w != "lot"; };
  struct {
    const char* typed;
    bool split_words;
    bool lot_acceptable;
    const char* want;
    bool found;
  } cases[] = {
      {"alot", true, true, "a lot", true},
      {"infront", true, true, "in front", true},
      {"alot", false, true, "a lot", false},
      {"alot", true, false, "a lot", false},
  };
  for (const auto& c : cases) {
    const auto options = with(50, true, false, c.split_words);
    const auto found = c.lot_acceptable ? s.suggest(c.typed, options, 10, accept_all)
                                        : s.suggest(c.typed, options, 10, no_lot);
    EXPECT_EQ(c.found, rank_of(found, c.want) >= 0) << c.typed << " split " << c.split_words;
  }
}

TEST(SuggesterTest, OffersSoundAlikesOnlyWithThePhoneticOption) {
  const suggester s(small_lexicon);
  EXPECT_EQ(-1,
            rank_of(s.suggest("fonetik", with(50, true, false, true), 10, accept_all), "phonetic"));
  EXPECT_EQ(0,
            rank_of(s.suggest("fonetik", with(50, true, true, true), 10, accept_all), "phonetic"));
}

TEST(SuggesterTest, AsksAboutEveryCandidateAndHonoursTheLimit) {
  const suggester s(small_lexicon);
  const auto not_their = [](std::string_view w) { return w != "their"; };
  const auto all = s.suggest("thier", with(50, true, false, true), 10, accept_all);
  EXPECT_NE(-1, rank_of(all, "their"));
  EXPECT_EQ(-1, rank_of(s.suggest("thier", with(50, true, false, true), 10, not_their), "their"));
  for (std::size_t limit : {0u, 1u, 2u}) {
    const auto found = s.suggest("thier", with(50, true, false, true), limit, accept_all);
    EXPECT_EQ(std::min(limit, all.size()), found.size()) << limit;
  }
}

TEST(SuggesterTest, ScoresArePositiveAndNeverRise) {
  const suggester s(small_lexicon);
  for (const char* typed : {"thier", "alot", "problm", "recieve", "begining", "fonetik", "cta"}) {
    const auto found = s.suggest(typed, with(100, true, true, true), 20, accept_all);
    EXPECT_FALSE(found.empty()) << typed;
    for (std::size_t i = 0; i < found.size(); ++i) {
      EXPECT_GE(found[i].score, 1) << typed << " " << found[i].word;
      EXPECT_LE(found[i].score, 32767) << typed << " " << found[i].word;
      if (i > 0) {
        EXPECT_LE(found[i].score, found[i - 1].score) << typed << " " << found[i].word;
      }
    }
  }
}

TEST(SuggesterTest, InputWithNothingToMatchGivesNoSuggestions) {
  const suggester s(small_lexicon);
  const std::string overlong(300, 'a');
  for (const std::string& typed : {std::string(), overlong, std::string("1234"), std::string("!?-"),
                                   std::string("\x81\x8D\x00", 3)}) {
    EXPECT_TRUE(s.suggest(typed, with(100, true, true, true), 10, accept_all).empty())
        << typed.size();
  }
  const suggester empty(std::vector<dictionary_word>{});
  EXPECT_TRUE(empty.suggest("word", with(100, true, true, true), 10, accept_all).empty());
}

TEST(SoundKeyTest, SpellingsThatSoundAlikeShareAKey) {
  struct {
    const char* word;
    const char* key;
  } cases[] = {
      {"phonetic", "FNTK"}, {"fonetik", "FNTK"}, {"knight", "NT"},  {"night", "NT"},
      {"wright", "RT"},     {"write", "RT"},     {"laugh", "LF"},   {"caught", "KT"},
      {"cot", "KT"},        {"school", "SKL"},   {"nation", "NXN"}, {"Xavier", "SFR"},
      {"CAF\xC9", "KF"},    {"address", "ATRS"}, {"", ""},          {"1234", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.key, sound_key(c.word)) << c.word;
  EXPECT_EQ("FNT", sound_key("phonetically", 3));
}

}  // namespace
}  // namespace spelling
