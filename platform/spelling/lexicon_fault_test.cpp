// Text lexicon changes under a full disk and under SIGKILL: a change that
// cannot be written is reported, leaves the old file whole and the session's
// memory as the file is; a killed change leaves the old file or the new one.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/spelling/ssce.h"
#include "testing/fault_injection.h"
#include "testing/scratch_folder.h"

namespace {

constexpr int base_words = 120;

std::string base_word(int i) { return "lexeme" + std::to_string(i); }

std::string text_of(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  return text;
}

std::vector<std::string> base_lines() {
  std::vector<std::string> lines;
  for (int i = 0; i < base_words; ++i) lines.push_back(base_word(i) + "\ti");
  return lines;
}

// A session with the one lexicon open, closed when it goes.
class OpenLexicon {
 public:
  explicit OpenLexicon(const std::string& path)
      : m_session(SSCE_OpenSession()), m_lex(SSCE_OpenLex(m_session, path.c_str(), 0)) {}
  ~OpenLexicon() { SSCE_CloseSession(m_session); }
  OpenLexicon(const OpenLexicon&) = delete;
  OpenLexicon& operator=(const OpenLexicon&) = delete;

  bool is_open() const { return m_lex >= 0; }
  SSCE_S16 add(const std::string& word, char action, const char* other = nullptr) const {
    return SSCE_AddToLex(m_session, m_lex, word.c_str(), action, other);
  }
  SSCE_S16 remove(const std::string& word) const {
    return SSCE_DelFromLex(m_session, m_lex, word.c_str());
  }
  // The word's action, or SSCE_WORD_NOT_FOUND_ERR.
  SSCE_S16 find(const std::string& word) const {
    char other[64];
    return SSCE_FindLexWord(m_session, m_lex, word.c_str(), other, 63);
  }

 private:
  SSCE_S16 m_session;
  SSCE_S16 m_lex;
};

class LexiconFaultTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteWholeFile(m_path, m_old); }

  ScratchFolder m_folder;
  const std::string m_path = m_folder.path("user.tlx");
  const std::string m_old = text_of(base_lines());
  const std::vector<std::string> m_alone{"user.tlx"};
};

// Each kind of change, with the word whose entry it changes: how that entry
// reads before (the action, or SSCE_WORD_NOT_FOUND_ERR) and the file after.
struct change_case {
  const char* name;
  SSCE_S16 (*apply)(const OpenLexicon&);
  std::string probe;
  SSCE_S16 before;
  std::vector<std::string> after;
};

std::vector<change_case> change_cases() {
  std::vector<std::string> added = base_lines(), changed = base_lines(), deleted = base_lines();
  added.push_back("xylophonist\ti");
  changed[60] = base_word(60) + "\tc\tlexicon";
  deleted.erase(deleted.begin() + 60);
  return {
      {"addition", [](const OpenLexicon& l) { return l.add("xylophonist", 'i'); }, "xylophonist",
       SSCE_WORD_NOT_FOUND_ERR, added},
      {"replacement", [](const OpenLexicon& l) { return l.add(base_word(60), 'c', "lexicon"); },
       base_word(60), 'i', changed},
      {"deletion", [](const OpenLexicon& l) { return l.remove(base_word(60)); }, base_word(60), 'i',
       deleted},
  };
}

// The child's view of its change: 0 written; 1 refused with memory still as
// the file is; 2 refused but memory holding the change all the same; 3 the
// lexicon did not open.
int change_in_child(const std::string& path, const change_case& c) {
  const OpenLexicon lexicon(path);
  if (!lexicon.is_open()) return 3;
  if (c.apply(lexicon) == 0) return 0;
  return lexicon.find(c.probe) == c.before ? 1 : 2;
}

TEST_F(LexiconFaultTest, AFullDiskFailsTheChangeAndLeavesFileAndMemoryAsTheyWere) {
  FaultTally tally;
  for (const change_case& c : change_cases()) {
    const std::string want = text_of(c.after);
    // From no room at all to room for the whole new file, in steps small
    // enough to stop the write at each of its stages.
    const rlim_t largest = std::max(want.size(), m_old.size()) + 64;
    for (rlim_t limit = 0; limit <= largest; limit += 97) {
      const bool fits = limit >= want.size();
      const int status = RunInChild(limit, [&] { return change_in_child(m_path, c); });
      ++tally.iterations;
      if (status == 1 || status == 2) ++tally.failures_reported;
      EXPECT_EQ(fits ? 0 : 1, status) << c.name << ", limit " << limit;
      EXPECT_EQ(fits ? want : m_old, ReadWholeFile(m_path)) << c.name << ", limit " << limit;
      EXPECT_EQ(m_alone, FolderNames(m_folder.path(""))) << c.name << ", limit " << limit;
      if (fits) WriteWholeFile(m_path, m_old);
    }
    const OpenLexicon lexicon(m_path);
    EXPECT_EQ(0, c.apply(lexicon)) << c.name << ": the next change, with room";
    EXPECT_EQ(want, ReadWholeFile(m_path)) << c.name;
    EXPECT_EQ(m_alone, FolderNames(m_folder.path(""))) << c.name;
    WriteWholeFile(m_path, m_old);
  }
  tally.Print("text lexicon, full disk");
}

// The file went while the lexicon was open: the change writes it again from
// memory when there is room, and otherwise leaves no file at all, not even
// the empty one made to be locked.
TEST_F(LexiconFaultTest, AFullDiskLeavesNoFileWhereTheLexiconHadGone) {
  std::vector<std::string> lines = base_lines();
  lines.push_back("xylophonist\ti");
  for (rlim_t limit : {rlim_t{0}, rlim_t{40}, rlim_t{1000}, RLIM_INFINITY}) {
    WriteWholeFile(m_path, m_old);
    const bool fits = limit == RLIM_INFINITY;
    const int status = RunInChild(limit, [&] {
      const OpenLexicon lexicon(m_path);
      if (!lexicon.is_open() || unlink(m_path.c_str()) != 0) return 3;
      return lexicon.add("xylophonist", 'i') == 0 ? 0 : 1;
    });
    EXPECT_EQ(fits ? 0 : 1, status) << "limit " << limit;
    EXPECT_EQ(fits ? m_alone : std::vector<std::string>{}, FolderNames(m_folder.path("")))
        << "limit " << limit;
    if (fits) {
      EXPECT_EQ(text_of(lines), ReadWholeFile(m_path));
    }
  }
}

// A child adds a word and deletes it again, over and over, until it is
// killed: the file is always the lexicon without the word or with it, whole,
// and a new session reads it.
TEST_F(LexiconFaultTest, AKilledChangeLeavesTheOldFileOrTheNewOne) {
  std::vector<std::string> with_word = base_lines();
  with_word.push_back("xylophonist\ti");
  const std::string with = text_of(with_word);
  std::optional<OpenLexicon> in_child;
  const auto save = [&](int n) {
    // Each child opens its own session at its first change.
    if (n == 0) in_child.emplace(m_path);
    const bool present = in_child->find("xylophonist") >= 0;
    return (present ? in_child->remove("xylophonist") : in_child->add("xylophonist", 'i')) == 0;
  };
  std::set<std::string> temporaries;
  int mid_write = 0;
  int unreadable = 0;
  const auto check = [&](bool mid_save) {
    const std::string now = ReadWholeFile(m_path);
    EXPECT_TRUE(now == m_old || now == with) << "mid-save " << mid_save << ":\n" << now;
    const OpenLexicon lexicon(m_path);
    if (!lexicon.is_open() ||
        lexicon.find("xylophonist") != (now == with ? 'i' : SSCE_WORD_NOT_FOUND_ERR))
      ++unreadable;
    bool new_one = false;
    for (const std::string& name : FolderNames(m_folder.path("")))
      if (name != "user.tlx") new_one |= temporaries.insert(name).second;
    if (new_one) ++mid_write;
  };
  FaultTally tally = KillDuringSaves(
      200, RandomDelays(std::chrono::microseconds(500), std::chrono::microseconds(30000)), save,
      check);
  tally.mid_write = mid_write;
  tally.temp_left = static_cast<int>(temporaries.size());
  EXPECT_EQ(0, unreadable);
  EXPECT_EQ(0, tally.failures_reported);
  EXPECT_GT(tally.mid_save, 100) << "too few kills landed inside a change";

  const OpenLexicon lexicon(m_path);
  const bool present = lexicon.find("xylophonist") >= 0;
  EXPECT_EQ(0, present ? lexicon.remove("xylophonist") : lexicon.add("xylophonist", 'i'));
  EXPECT_EQ(present ? m_old : with, ReadWholeFile(m_path));
  EXPECT_EQ(m_alone, FolderNames(m_folder.path(""))) << "what killed saves left";
  // Each child's first change already removes what the one before it left.
  tally.cleaned = tally.temp_left - (static_cast<int>(FolderNames(m_folder.path("")).size()) - 1);
  tally.Print("text lexicon, killed");
}

// A change removes what killed saves of its own lexicon left, and not what a
// save of another lexicon in the folder may still be writing.
TEST_F(LexiconFaultTest, AChangeRemovesOnlyItsOwnLexiconsAbandonedSaves) {
  WriteWholeFile(m_folder.path("user.tlx.save.Ab3dE9"), "lexeme0\ti\r\n");
  WriteWholeFile(m_folder.path("ignore.tlx.save.Ab3dE9"), "lexeme0\ti\r\n");
  const OpenLexicon lexicon(m_path);
  ASSERT_EQ(0, lexicon.add("xylophonist", 'i'));
  EXPECT_EQ((std::vector<std::string>{"ignore.tlx.save.Ab3dE9", "user.tlx"}),
            FolderNames(m_folder.path("")));
}

}  // namespace
