#include "spell/spell_checker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/spelling/default_lexicons.h"
#include "platform/spelling/ssce.h"
#include "testing/user_folder_test.h"

namespace {

class SpellCheckerTest : public UserFolderTest {
 protected:
  void write_profile(LPCSTR name, int value) { m_app.WriteProfileInt("SpellChecker", name, value); }
};

int check(CSpellChecker& checker, const char* word) {
  CString replacement;
  return checker.CheckWord(word, replacement);
}

// A word checked twice in a row is also reported as doubled, which leaves
// the lowest bit clear; an engine error (a closed session) is negative.
bool known(CSpellChecker& checker, const char* word) {
  const int result = check(checker, word);
  return result >= 0 && (result & 1) == 0;
}

TEST_F(SpellCheckerTest, CheckSpaceJudgesTheSpacingBetweenTwoWords) {
  const struct {
    const char *spacing, *previous, *next;
    int want;
    const char* corrected;  // only when wrong
  } cases[] = {
      {"", "cat", "dog", 0, " "},      {" ", "cat", "dog", 1, ""},
      {"  ", "cat", "dog", 0, " "},    {"^^", "cat", "dog", 0, "^"},
      {". ", "end", "Next", 0, ".  "}, {".  ", "end", "Next", 1, ""},
      {". ", "Mr", "Smith", 1, ""},    {". ", "J", "Smith", 1, ""},
      {". ", "r", "Then", 1, ""},      {".  ", "Mr", "Smith", 0, ". "},
      {".", "12", "5", 1, ""},         {".", "No", "5", 1, ""},
      {".", "No", "five", 0, ".  "},   {" .", "is", "5", 1, ""},
      {"? ", "who", "He", 0, "?  "},   {":  ", "note", "the", 1, ""},
      {": ", "note", "the", 0, ":  "}, {".\"  ", "end", "He", 1, ""},
      {"\"", "said", "hello", 1, ""},  {"\"  ", "said", "hello", 0, "\" "},
      {",", "one", "two", 1, ""},      {"-", "one", "two", 1, ""},
      {",  ", "one", "two", 0, ", "},  {". x", "end", "y", 1, ""},
  };
  CSpellChecker checker;
  for (const auto& c : cases) {
    CString corrected = "untouched";
    EXPECT_EQ(c.want, checker.CheckSpace(c.spacing, corrected, c.previous, c.next))
        << "\"" << c.spacing << "\" between " << c.previous << " and " << c.next;
    EXPECT_EQ(c.want ? "untouched" : c.corrected, std::string(corrected.View()))
        << "\"" << c.spacing << "\" between " << c.previous << " and " << c.next;
  }
}

TEST_F(SpellCheckerTest, ChecksAgainstTheUserFoldersLexicons) {
  WriteWholeFile(user_file("ssceam.tlx"), "cat\ti\nHello\ti\n");
  WriteWholeFile(user_file("correct.tlx"), "teh\ta\tthe\n");
  CSpellChecker checker;
  EXPECT_TRUE(known(checker, "cat"));
  EXPECT_FALSE(known(checker, "dog"));
  CString replacement;
  EXPECT_EQ(0, checker.CheckWord("He,l.lo!", replacement, 1));
  EXPECT_EQ(1, checker.CheckWord("He,l.lo!", replacement) & 1);
  const int teh = checker.CheckWord("teh", replacement);
  EXPECT_EQ(SSCE_MISSPELLED_WORD_RSLT | SSCE_AUTO_CHANGE_WORD_RSLT, teh & 3);
  EXPECT_EQ("the", std::string(replacement.View()));
}

// The user lexicon keeps its words for later checkers; the ignore lexicon is
// emptied by each new one. Both are created when missing; without a user
// folder nothing can be created, and Add and Ignore have nowhere to go.
TEST_F(SpellCheckerTest, AddKeepsWordsAndIgnoreLastsOneChecker) {
  {
    CSpellChecker checker;
    EXPECT_TRUE(std::filesystem::exists(user_file("user.tlx")));
    EXPECT_TRUE(std::filesystem::exists(user_file("ignore.tlx")));
    EXPECT_FALSE(known(checker, "zorblat"));
    checker.Add("zorblat");
    checker.Ignore("quuxly");
    EXPECT_TRUE(known(checker, "zorblat"));
    EXPECT_TRUE(known(checker, "quuxly"));
  }
  CSpellChecker later;
  EXPECT_TRUE(known(later, "zorblat"));
  EXPECT_FALSE(known(later, "quuxly"));
  EXPECT_EQ(std::string::npos, ReadWholeFile(user_file("ignore.tlx")).find("quuxly"));

  COrvalisData(KEY_ALL_ACCESS).SetUserDir(m_folder.path("missing").c_str());
  CSpellChecker nowhere;
  nowhere.Add("frobnic");
  nowhere.Ignore("frobnic");
  EXPECT_FALSE(known(nowhere, "frobnic"));
  EXPECT_FALSE(std::filesystem::exists(m_folder.path("missing")));
}

TEST_F(SpellCheckerTest, CopiesShareTheSessionUntilTheLastGoes) {
  WriteWholeFile(user_file("ssceam.tlx"), "cat\ti\n");
  CSpellChecker kept;
  {
    CSpellChecker original;
    CSpellChecker copy(original);
    kept = copy;
  }
  EXPECT_TRUE(known(kept, "cat")) << "a copy closed the session that another still uses";
  kept = kept;
  CSpellChecker other;
  other = kept;
  kept = CSpellChecker();
  EXPECT_TRUE(known(other, "cat"));
  EXPECT_TRUE(known(kept, "cat"));
}

struct OptionCase {
  LPCSTR name;
  int deflt;
  int (CSpellChecker::*get)();
};

constexpr OptionCase options[] = {
    {"CaseSensitive", 1, &CSpellChecker::GetCaseSensitive},
    {"IgnoreAllCapsWords", 0, &CSpellChecker::GetIgnoreAllCaps},
    {"IgnoreCappedWords", 0, &CSpellChecker::GetIgnoreCapitalized},
    {"IgnoreMixedCase", 0, &CSpellChecker::GetIgnoreMixedCase},
    {"IgnoreMixedDigits", 1, &CSpellChecker::GetIgnoreNumbers},
    {"PhoneticSuggestions", 0, &CSpellChecker::GetPhoneticSuggestions},
    {"ReportDoubledWord", 1, &CSpellChecker::GetReportDoubled},
    {"SplitWords", 1, &CSpellChecker::GetSuggestSplitWords},
    {"TypographicalSuggestions", 1, &CSpellChecker::GetTypographicalSuggestions},
    {"AutoCorrect", 1, &CSpellChecker::GetbAutoCorrect},
    {"ReportSpaceErrors", 0, &CSpellChecker::GetCheckSpaceErrors},
    {"ReportDoubleQorA", 1, &CSpellChecker::GetCheckDoubleQorA},
    {"Confirm", 0, &CSpellChecker::GetConfirm},
};

TEST_F(SpellCheckerTest, OptionsComeFromTheProfileWithTheirDefaults) {
  {
    CSpellChecker checker;
    for (const OptionCase& o : options) EXPECT_EQ(o.deflt, (checker.*o.get)()) << o.name;
    EXPECT_EQ(50, SSCE_GetMinSuggestDepth());
  }
  for (const OptionCase& o : options) write_profile(o.name, !o.deflt);
  write_profile("MinSuggestDepth", 20);
  CSpellChecker checker;
  for (const OptionCase& o : options) EXPECT_EQ(!o.deflt, (checker.*o.get)()) << o.name;
  EXPECT_EQ(20, SSCE_GetMinSuggestDepth());
  checker.SetConfirm(0);
  EXPECT_EQ(0, static_cast<int>(m_app.GetProfileInt("SpellChecker", "Confirm", 7)));
  checker.SetIgnoreAllCaps(0);
  EXPECT_EQ(0, checker.GetIgnoreAllCaps());
  EXPECT_EQ(1, static_cast<int>(m_app.GetProfileInt("SpellChecker", "IgnoreAllCapsWords", 7)))
      << "the engine option alone changes";
  write_profile("AutoCorrect", 1);
  write_profile("MinSuggestDepth", 50);
  CSpellChecker restore_engine_wide_settings;
}

// With every engine session taken the checker must answer -1, hold the
// profile's defaults rather than whatever memory held, and never report an
// engine option as on.
TEST_F(SpellCheckerTest, WithoutASessionChecksAnswerMinusOne) {
  for (const OptionCase& o : options) write_profile(o.name, !o.deflt);
  std::vector<SSCE_S16> taken;
  for (SSCE_S16 s; taken.size() < 10000 && (s = SSCE_OpenSession()) >= 0;) taken.push_back(s);
  {
    CSpellChecker checker;
    CString replacement = "untouched", suggestions[3];
    EXPECT_EQ(-1, checker.CheckWord("cat", replacement));
    EXPECT_EQ(-1, checker.CheckWord("cat.", replacement, 1));
    EXPECT_EQ("untouched", std::string(replacement.View()));
    EXPECT_EQ(0, checker.SuggestSpelling("cta", suggestions, 3));
    EXPECT_EQ(0, checker.GetCheckSpaceErrors());
    EXPECT_EQ(1, checker.GetCheckDoubleQorA());
    EXPECT_EQ(0, checker.GetConfirm());
    EXPECT_EQ(0, checker.GetCaseSensitive());
    EXPECT_EQ(0, checker.GetIgnoreAllCaps());
    CSpellChecker copy(checker);
    EXPECT_EQ(-1, copy.CheckWord("cat", replacement));
  }
  for (const SSCE_S16 s : taken) SSCE_CloseSession(s);
  CSpellChecker after;
  EXPECT_NE(-1, check(after, "cat"));
}

// A lexicon as a checker leaves it when it ran before there were defaults.
void create_empty_lexicon(const std::string& path) {
  const SSCE_S16 session = SSCE_OpenSession();
  ASSERT_LE(0, SSCE_CreateLex(session, path.c_str(), SSCE_AMER_ENGLISH_LANG)) << path;
  SSCE_CloseSession(session);
}

void write_compressed(const std::string& path, const char* word) {
  const KelmLexiconWord words[] = {{word, 50}};
  ASSERT_EQ(0, KelmWriteCompressedLexicon(path.c_str(), words, 1)) << path;
}

// A word of the lexicon's own, without the digits that would have the
// checker ignore it.
std::string letters_of(const std::string& name) {
  std::string letters;
  for (const char c : name.substr(0, name.find('.')))
    if (c >= 'a' && c <= 'z') letters += c;
  return letters + (name.ends_with(".clx") ? "compressed" : "");
}

// A host that only constructs a checker gets the default words; the user's
// own words are never replaced. The ignore lexicon is emptied by every
// checker, so no default is put there.
TEST_F(SpellCheckerTest, SeedsMissingAndWordlessLexiconsFromTheDefaults) {
  enum class Start { missing, empty, own_words };
  const struct {
    const char* name;
    Start start;
    bool want_default;
  } cases[] = {
      {"ssceam.tlx", Start::missing, true}, {"correct.tlx", Start::own_words, false},
      {"user.tlx", Start::empty, true},     {"ignore.tlx", Start::missing, false},
      {"ssceam2.clx", Start::empty, true},  {"sscele2.clx", Start::own_words, false},
      {"sscele.tlx", Start::missing, true},
  };
  for (const auto& c : cases) {
    const std::string name = c.name, stem = letters_of(name);
    const bool compressed = name.ends_with(".clx");
    if (compressed) {
      write_compressed(default_file(name), ("default" + stem).c_str());
      if (c.start == Start::own_words) write_compressed(user_file(name), ("own" + stem).c_str());
    } else {
      WriteWholeFile(default_file(name), "default" + stem + "\ti\n");
      if (c.start == Start::own_words) WriteWholeFile(user_file(name), "own" + stem + "\ti\n");
    }
    if (c.start == Start::empty) create_empty_lexicon(user_file(name));
  }
  CSpellChecker checker;
  for (const auto& c : cases) {
    const std::string name = c.name, stem = letters_of(name);
    EXPECT_EQ(c.want_default, ReadWholeFile(user_file(name)) == ReadWholeFile(default_file(name)))
        << name;
    EXPECT_EQ(c.want_default, known(checker, ("default" + stem).c_str())) << name;
    if (c.start == Start::own_words) {
      EXPECT_TRUE(known(checker, ("own" + stem).c_str())) << name;
    }
  }
  for (const auto& entry : std::filesystem::directory_iterator(m_folder.path("user")))
    EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".tlx."))
        << "a copy left beside its lexicon: " << entry.path();
}

// The user folder is made when there is a default to put in it, and several
// threads may seed it at once: each finds every default whole.
TEST_F(SpellCheckerTest, CheckersOnSeveralThreadsSeedANewUserFolderWhole) {
  std::string words;
  for (int i = 0; i < 3000; ++i) words += "word" + std::to_string(i) + "\ti\n";
  WriteWholeFile(default_file("ssceam.tlx"), words);
  write_compressed(default_file("ssceam2.clx"), "compressed");
  const std::string folder = m_folder.path("new/user");
  COrvalisData(KEY_ALL_ACCESS).SetUserDir(folder.c_str());
  std::vector<int> knows(4);
  {
    std::vector<std::jthread> threads;
    for (int& k : knows)
      threads.emplace_back([&k] {
        CSpellChecker checker;
        k = known(checker, "word2999") && known(checker, "compressed");
      });
  }
  for (std::size_t i = 0; i < knows.size(); ++i) EXPECT_EQ(1, knows[i]) << "thread " << i;
  EXPECT_EQ(words, ReadWholeFile(folder + "/ssceam.tlx"));
}

// Without defaults spelling starts with empty lexicons, which the host hears
// of once for each default folder, not at every checker.
TEST_F(SpellCheckerTest, NoDefaultLexiconsAreReportedOncePerFolder) {
  { CSpellChecker first; }
  std::filesystem::remove(user_file("ssceam2.clx"));
  { CSpellChecker again; }
  ASSERT_EQ(1u, m_messages.size());
  EXPECT_NE(std::string::npos, m_messages[0].find(m_folder.path("defaults"))) << m_messages[0];

  const std::string other = m_folder.path("other");
  std::filesystem::create_directory(other);
  KelmSetDefaultLexiconDir(other.c_str());
  std::filesystem::remove(user_file("ssceam2.clx"));
  { CSpellChecker elsewhere; }
  ASSERT_EQ(2u, m_messages.size());
  EXPECT_NE(std::string::npos, m_messages[1].find(other)) << m_messages[1];

  WriteWholeFile(other + "/correct.tlx", "teh\ta\tthe\n");
  std::filesystem::remove(user_file("ssceam2.clx"));
  { CSpellChecker with_defaults; }
  EXPECT_EQ(2u, m_messages.size()) << "reported although there are defaults";
}

// The scores come with the same suggestions, best first, and none is written
// past the last suggestion.
TEST_F(SpellCheckerTest, SuggestSpellingKeepsToItsBoundsAndScoresEachSuggestion) {
  WriteWholeFile(user_file("ssceam.tlx"), "cat\ti\ncot\ti\ncut\ti\ncart\ti\n");
  CSpellChecker checker;
  std::vector<CString> plain(3000), scored(15);
  for (const int bad : {0, -5})
    EXPECT_EQ(0, checker.SuggestSpelling("cxt", plain.data(), bad)) << "at most " << bad;
  EXPECT_EQ(2, checker.SuggestSpelling("cxt", plain.data(), 2));
  const int found = checker.SuggestSpelling("cxt", plain.data(), 15);
  ASSERT_GE(found, 3);
  EXPECT_LT(found, 15) << "a score of 0 ends the list";
  // 30 bytes a suggestion for 3000 of them would not fit the engine's 16-bit
  // size; the request is cut rather than wrapped to a small buffer.
  EXPECT_EQ(found, checker.SuggestSpelling("cxt", plain.data(), 3000));
  std::vector<int> scores(15, -7);
  ASSERT_EQ(found, checker.SuggestSpelling("cxt", scored.data(), scores.data(), 15));
  for (int i = 0; i < found; ++i) {
    EXPECT_FALSE(plain[i].IsEmpty()) << i;
    EXPECT_EQ(std::string(plain[i].View()), std::string(scored[i].View())) << i;
    EXPECT_GT(scores[i], 0) << scored[i].View();
    if (i > 0) {
      EXPECT_LE(scores[i], scores[i - 1]) << scored[i].View();
    }
  }
  EXPECT_EQ(-7, scores[found]);
  EXPECT_EQ(0, checker.SuggestSpelling("cxt", scored.data(), scores.data(), 0));
}

}  // namespace
