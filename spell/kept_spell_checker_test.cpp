#include "spell/kept_spell_checker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/spelling/ssce.h"
#include "spell/spell_checker.h"
#include "testing/user_folder_test.h"

namespace {

using KeptSpellCheckerTest = UserFolderTest;

int kept_verdict(const char* word) {
  CString replacement;
  return CKeptSpellChecker().CheckWord(word, replacement, 1);
}

// A fresh checker reports the second "cat" as doubled; the kept one gives
// verdicts on spelling only, however often a word comes.
TEST_F(KeptSpellCheckerTest, GivesTheVerdictsOfAFreshCheckerWithoutDoubledWords) {
  WriteWholeFile(user_file("ssceam.tlx"), "cat\ti\n");
  CSpellChecker fresh;
  CString replacement;
  EXPECT_EQ(0, fresh.CheckWord("cat", replacement));
  EXPECT_EQ(SSCE_DOUBLED_WORD_RSLT, fresh.CheckWord("cat", replacement));
  CKeptSpellChecker kept;
  for (const char* word : {"cat", "cat", "cat.", "dog", "dog"})
    EXPECT_EQ(std::string(word).starts_with("cat") ? 0 : 1,
              kept.CheckWord(word, replacement, 1) & (SSCE_DOUBLED_WORD_RSLT | 1))
        << word;
  // The object keeps its session when the kept checker is replaced.
  CSpellChecker().Add("zorblat");
  EXPECT_EQ(0, kept_verdict("zorblat"));
  EXPECT_EQ(0, kept.CheckWord("cat", replacement, 1));
}

// What a fresh checker would be built from: the user folder's words at once
// after an Add in this process or a change of hive, the defaults it would
// copy in within a quarter second.
TEST_F(KeptSpellCheckerTest, IsReplacedWhenAFreshCheckerWouldDiffer) {
  EXPECT_EQ(1, kept_verdict("zorblat") & 1);
  CSpellChecker().Add("zorblat");
  EXPECT_EQ(0, kept_verdict("zorblat")) << "after Add";

  WriteWholeFile(default_file("ssceam.tlx"), "quuxly\ti\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(0, kept_verdict("quuxly")) << "after the defaults came";

  KelmSetRegistryPath(m_folder.path("other.db").c_str());
  std::filesystem::create_directory(m_folder.path("other"));
  COrvalisData(KEY_ALL_ACCESS).SetUserDir(m_folder.path("other").c_str());
  EXPECT_EQ(1, kept_verdict("zorblat") & 1) << "in another hive, with another user folder";
}

// Each thread keeps a checker of its own over the same lexicons.
TEST_F(KeptSpellCheckerTest, ThreadsKeepCheckersOfTheirOwn) {
  WriteWholeFile(user_file("ssceam.tlx"), "cat\ti\ndog\ti\n");
  std::vector<int> wrong(4);
  {
    std::vector<std::jthread> threads;
    for (int& w : wrong)
      threads.emplace_back([&w] {
        for (int i = 0; i < 200; ++i)
          w += (kept_verdict(i % 2 ? "cat" : "dog") != 0) + ((kept_verdict("cta") & 1) != 1);
      });
  }
  for (std::size_t i = 0; i < wrong.size(); ++i) EXPECT_EQ(0, wrong[i]) << "thread " << i;
}

}  // namespace
