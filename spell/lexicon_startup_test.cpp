// Several programs of one user starting their spelling checkers at the same
// moment, in separate processes, on one user folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/spelling/ssce.h"
#include "spell/checker_profile.h"
#include "spell/lexicon_seed.h"
#include "spell/spell_checker.h"
#include "testing/child_processes.h"
#include "testing/user_folder_test.h"

namespace {

constexpr int rounds = 50;

// The rounds make hundreds of lexicon files; in memory they need not wait
// for the disk, and locks and renames behave the same there.
std::string memory_folder() {
  return access("/dev/shm", W_OK | X_OK) == 0 ? "/dev/shm" : ::testing::TempDir();
}

// The words of a text lexicon, read from its lines.
std::set<std::string> words_in(const std::string& path) {
  std::istringstream text(ReadWholeFile(path));
  std::set<std::string> words;
  for (std::string line; std::getline(text, line);) words.insert(line.substr(0, line.find('\t')));
  return words;
}

std::string added_word(int process) { return "added" + std::to_string(process); }

std::string text_lexicon_of(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& w : words) text += w + "\ti\r\n";
  return text;
}

// A checker that tells how many of its lexicon files it opened.
class CountingChecker : public CSpellChecker {
 public:
  int lexicons() const { return m_nLexicons; }
};

class LexiconStartupTest : public UserFolderTest {};

// What seeding leaves alone and what it fills, looked at under the lock: a
// lexicon that cannot be read may hold words and is never replaced.
TEST_F(LexiconStartupTest, SeedingFillsOnlyLexiconsWithoutWords) {
  const std::string words_default = text_lexicon_of({"seeded"});
  const struct {
    const char* name;
    const char* start;  // nullptr: no file
    bool source_there;
    SSCE_S16 want;
  } cases[] = {
      {"missing.tlx", nullptr, true, 1},
      {"empty.tlx", "", true, 1},
      {"blank_lines.tlx", "\r\n\r\n", true, 1},
      {"own_word.tlx", "own\ti\r\n", true, 0},
      {"damaged.clx", "not a compressed lexicon", true, 0},
      {"no_default.tlx", "", false, SSCE_FILE_NOT_FOUND_ERR},
      {"no_default_missing.tlx", nullptr, false, SSCE_FILE_NOT_FOUND_ERR},
  };
  for (const auto& c : cases) {
    const std::string target = user_file(c.name), source = default_file(c.name);
    if (c.start != nullptr) WriteWholeFile(target, c.start);
    if (c.source_there) WriteWholeFile(source, words_default);
    EXPECT_EQ(c.want, KelmSeedLexicon(target.c_str(), source.c_str())) << c.name;
    const std::string want_bytes = c.want == 1 ? words_default : c.start ? c.start : "";
    EXPECT_EQ(want_bytes, ReadWholeFile(target)) << c.name;
    EXPECT_EQ(c.start != nullptr || c.want == 1, std::filesystem::exists(target)) << c.name;
  }
  const std::string elsewhere = m_folder.path("no_folder/user.tlx");
  WriteWholeFile(default_file("user.tlx"), words_default);
  EXPECT_GT(0, KelmSeedLexicon(elsewhere.c_str(), default_file("user.tlx").c_str()))
      << "a copy into a folder that is not there";
}

// A word added while another program seeded the empty user lexicon from the
// defaults was overwritten by the default's copy.
TEST_F(LexiconStartupTest, SeedingNeverOverwritesAWordAddedMeanwhile) {
  std::vector<std::string> defaults;
  for (int i = 0; i < 10000; ++i) defaults.push_back("default" + std::to_string(i));
  WriteWholeFile(default_file("user.tlx"), text_lexicon_of(defaults));
  constexpr int seeders = 2, adders = 2;
  int seeded_rounds = 0;
  for (int round = 0; round < rounds; ++round) {
    const ScratchFolder folder(memory_folder());
    const std::string user_dir = folder.path("");
    const std::string lexicon = folder.path("user.tlx");
    const SSCE_S16 session = SSCE_OpenSession();
    ASSERT_GE(SSCE_CreateLex(session, lexicon.c_str(), SSCE_AMER_ENGLISH_LANG), 0) << lexicon;
    SSCE_CloseSession(session);

    const auto children = StartTogether(seeders + adders, [&](int n) {
      if (n < seeders) {
        lexicon_seed::seed_user_folder(user_dir.c_str());
        return 0;
      }
      const SSCE_S16 s = SSCE_OpenSession();
      const SSCE_S16 lex = SSCE_OpenLex(s, lexicon.c_str(), 0);
      return lex >= 0 &&
                     SSCE_AddToLex(s, lex, added_word(n).c_str(), SSCE_IGNORE_ACTION, nullptr) == 0
                 ? 0
                 : 1;
    });
    for (const pid_t child : children) EXPECT_EQ(0, WaitChild(child)) << "round " << round;

    const std::set<std::string> words = words_in(lexicon);
    for (int n = seeders; n < seeders + adders; ++n)
      EXPECT_TRUE(words.contains(added_word(n))) << "round " << round << ": " << added_word(n)
                                                 << " lost among " << words.size() << " words";
    const auto from_defaults = static_cast<std::size_t>(std::count_if(
        defaults.begin(), defaults.end(), [&](const std::string& w) { return words.contains(w); }));
    EXPECT_TRUE(from_defaults == 0 || from_defaults == defaults.size())
        << "round " << round << ": " << from_defaults << " of the default words";
    seeded_rounds += from_defaults > 0;
    if (HasFailure()) break;
  }
  std::cout << "[ seeding  ] " << seeded_rounds << " of " << rounds
            << " rounds seeded before the first word came" << std::endl;
}

// Checkers starting together in a new user folder each made the lexicons
// missing there; those that lost the race to make one ran without it.
TEST_F(LexiconStartupTest, CheckersStartingTogetherInANewFolderEachOpenEveryLexicon) {
  // One default, so that the checkers seed as they do for a new user and the
  // rest of the lexicons are made empty.
  WriteWholeFile(default_file("ssceam.tlx"), text_lexicon_of({"seeded"}));
  constexpr int checkers = 3;
  const int every_lexicon = static_cast<int>(std::size(checker_profile::lexicon_names));
  for (int round = 0; round < rounds; ++round) {
    const ScratchFolder folder(memory_folder());
    COrvalisData(KEY_ALL_ACCESS).SetUserDir(folder.path("").c_str());
    const auto children = StartTogether(checkers, [&](int n) {
      CountingChecker checker;
      checker.Add(("checker" + std::to_string(n)).c_str());
      return checker.lexicons();
    });
    for (std::size_t n = 0; n < children.size(); ++n)
      EXPECT_EQ(every_lexicon, WaitChild(children[n]))
          << "round " << round << ": lexicons of checker " << n;
    const std::set<std::string> words = words_in(folder.path("user.tlx"));
    for (int n = 0; n < checkers; ++n)
      EXPECT_TRUE(words.contains("checker" + std::to_string(n)))
          << "round " << round << ": the word of checker " << n << " missing";
    if (HasFailure()) break;
  }
}

}  // namespace
