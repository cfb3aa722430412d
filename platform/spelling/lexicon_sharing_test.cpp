// Several processes changing one text lexicon at once, as the checkers of
// two programs of the same user do.
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

// Processes adding their own words at once, and one process deleting the
// words the lexicon started with while another adds: every change finds the
// file as the others left it, so every addition stays and every deletion
// finds its word and holds.
TEST(LexiconSharing, ProcessesChangingOneLexiconAtOnceLoseNothing) {
  const struct {
    int adders;
    bool deleter;
    int count;  // changes by each process
    bool on_disk;
  } rounds[] = {{2, false, 300, false},
                {3, false, 120, false},
                {1, true, 150, false},
                {1, true, 150, false},
                {2, false, 30, true}};
  for (const auto& round : rounds) {
    const ScratchFolder folder(round.on_disk ? ::testing::TempDir() : memory_folder());
    const std::string path = folder.path("user.tlx");
    std::vector<std::string> old_words;
    for (int i = 0; round.deleter && i < round.count; ++i)
      old_words.push_back(word_of("old", 0, i));
    create_lexicon(path, old_words);
    const auto children = StartTogether(round.adders + (round.deleter ? 1 : 0), [&](int n) {
      return change_each(path, round.count, [&, n](SSCE_S16 s, SSCE_S16 l, int i) {
        return n < round.adders ? add(s, l, word_of("p", n, i))
                                : SSCE_DelFromLex(s, l, word_of("old", 0, i).c_str());
      });
    });
    const std::string name =
        std::to_string(round.adders) + " adding" + (round.deleter ? " and 1 deleting" : "") + ", " +
        std::to_string(round.count) + " changes each" + (round.on_disk ? " on disk" : "");
    for (const pid_t child : children) EXPECT_EQ(0, WaitChild(child)) << name;
    std::multiset<std::string> want;
    for (int n = 0; n < round.adders; ++n)
      for (int i = 0; i < round.count; ++i) want.insert(word_of("p", n, i));
    const std::multiset<std::string> words = words_in(path);
    std::cout << "[ lexicon  ] " << name << ": " << words.size() << " words in the file, "
              << differences(want, words) << std::endl;
    EXPECT_TRUE(want == words) << name << ": " << differences(want, words);
  }
}

}  // namespace
