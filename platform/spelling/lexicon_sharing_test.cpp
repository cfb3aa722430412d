// Several processes changing one text lexicon at once, as the checkers of
// two programs of the same user do: no word may be lost, and no deleted word
// may come back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "platform/spelling/ssce.h"
#include "testing/child_processes.h"
#include "testing/scratch_folder.h"

namespace {

// A folder in memory when there is one: the rounds write the file thousands
// of times, and on a disk each write waits for its synchronisation. Locks and
// renames behave the same there; one round runs on the disk all the same.
std::string memory_folder() {
  return access("/dev/shm", W_OK | X_OK) == 0 ? "/dev/shm" : ::testing::TempDir();
}

// What the lexicon lacks and what it holds too much or twice, a few of each.
std::string differences(const std::multiset<std::string>& want,
                        const std::multiset<std::string>& got) {
  std::vector<std::string> missing, extra;
  std::set_difference(want.begin(), want.end(), got.begin(), got.end(),
                      std::back_inserter(missing));
  std::set_difference(got.begin(), got.end(), want.begin(), want.end(), std::back_inserter(extra));
  std::string text =
      std::to_string(missing.size()) + " missing, " + std::to_string(extra.size()) + " too many:";
  for (const auto* list : {&missing, &extra})
    for (std::size_t i = 0; i < std::min<std::size_t>(list->size(), 5); ++i)
      text += " " + (*list)[i];
  return text;
}

std::string word_of(const std::string& stem, int n, int i) {
  return stem + std::to_string(n) + "x" + std::to_string(i);
}

// The words of the lexicon file as a new session reads them.
std::multiset<std::string> words_in(const std::string& path) {
  const SSCE_S16 session = SSCE_OpenSession();
  const SSCE_S16 lex = SSCE_OpenLex(session, path.c_str(), 0);
  std::multiset<std::string> words;
  SSCE_S32 size = 0;
  if (lex >= 0 && SSCE_GetLexInfo(session, lex, &size, nullptr, nullptr) == 0) {
    std::vector<char> buffer(static_cast<std::size_t>(size));
    const SSCE_S32 got = SSCE_GetLex(session, lex, buffer.data(), size);
    for (SSCE_S32 at = 0; at < got;) {
      const std::string entry(buffer.data() + at);
      words.insert(entry.substr(0, entry.find('\t')));
      at += static_cast<SSCE_S32>(entry.size()) + 1;
    }
  }
  SSCE_CloseSession(session);
  return words;
}

// Runs change(session, lexicon, i) for i = 0 .. count - 1 in a session of its
// own; 0, or 1 + the first i whose change failed (capped to fit an exit status).
int change_each(const std::string& path, int count,
                const std::function<SSCE_S16(SSCE_S16, SSCE_S16, int)>& change) {
  const SSCE_S16 session = SSCE_OpenSession();
  const SSCE_S16 lex = SSCE_OpenLex(session, path.c_str(), 0);
  int failed = 0;
  for (int i = 0; i < count && failed == 0 && lex >= 0; ++i)
    if (change(session, lex, i) != 0) failed = std::min(i + 1, 200);
  SSCE_CloseSession(session);
  return lex < 0 ? 250 : failed;
}

SSCE_S16 add(SSCE_S16 session, SSCE_S16 lex, const std::string& word) {
  return SSCE_AddToLex(session, lex, word.c_str(), SSCE_IGNORE_ACTION, nullptr);
}

void create_lexicon(const std::string& path, const std::vector<std::string>& words) {
  const SSCE_S16 session = SSCE_OpenSession();
  const SSCE_S16 lex = SSCE_CreateLex(session, path.c_str(), SSCE_AMER_ENGLISH_LANG);
  ASSERT_GE(lex, 0) << path;
  for (const std::string& w : words) ASSERT_EQ(0, add(session, lex, w)) << w;
  SSCE_CloseSession(session);
}

TEST(LexiconSharing, ProcessesAddingAtOnceLoseNoWord) {
  const struct {
    int processes;
    int words_each;
    bool on_disk;
  } rounds[] = {{2, 300, false}, {3, 120, false}, {2, 30, true}};
  for (const auto& round : rounds) {
    const ScratchFolder folder(round.on_disk ? ::testing::TempDir() : memory_folder());
    const std::string path = folder.path("user.tlx");
    create_lexicon(path, {});
    const auto children = StartTogether(round.processes, [&](int n) {
      return change_each(path, round.words_each, [n](SSCE_S16 s, SSCE_S16 l, int i) {
        return add(s, l, word_of("p", n, i));
      });
    });
    for (const pid_t child : children) EXPECT_EQ(0, WaitChild(child)) << round.processes;
    std::multiset<std::string> want;
    for (int n = 0; n < round.processes; ++n)
      for (int i = 0; i < round.words_each; ++i) want.insert(word_of("p", n, i));
    const std::multiset<std::string> words = words_in(path);
    std::cout << "[ lexicon  ] " << round.processes << " processes x " << round.words_each
              << " additions" << (round.on_disk ? " on disk" : "") << ": " << words.size()
              << " words in the file, " << differences(want, words) << std::endl;
    EXPECT_EQ(want, words) << round.processes << " processes x " << round.words_each << ": "
                           << differences(want, words);
  }
}

// One process deletes the words the lexicon started with while another adds
// new ones: every deletion finds its word, and none comes back with the other
// process's writes.
TEST(LexiconSharing, DeletionsAreNotUndoneByAnotherProcessAdding) {
  constexpr int count = 150;
  for (int round = 0; round < 2; ++round) {
    const ScratchFolder folder(memory_folder());
    const std::string path = folder.path("user.tlx");
    std::vector<std::string> old_words;
    for (int i = 0; i < count; ++i) old_words.push_back(word_of("old", round, i));
    create_lexicon(path, old_words);
    const auto children = StartTogether(2, [&](int n) {
      return change_each(path, count, [n, round](SSCE_S16 s, SSCE_S16 l, int i) {
        return n == 0 ? add(s, l, word_of("new", round, i))
                      : SSCE_DelFromLex(s, l, word_of("old", round, i).c_str());
      });
    });
    EXPECT_EQ(0, WaitChild(children[0])) << "adding, round " << round;
    EXPECT_EQ(0, WaitChild(children[1])) << "deleting, round " << round;
    std::multiset<std::string> want;
    for (int i = 0; i < count; ++i) want.insert(word_of("new", round, i));
    const std::multiset<std::string> words = words_in(path);
    std::cout << "[ lexicon  ] " << count << " additions beside " << count
              << " deletions: " << words.size() << " words in the file, "
              << differences(want, words) << std::endl;
    EXPECT_EQ(want, words) << "round " << round << ": " << differences(want, words);
  }
}

}  // namespace
