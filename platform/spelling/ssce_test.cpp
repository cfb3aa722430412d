#include "platform/spelling/ssce.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/spelling/compressed_lexicon.h"
#include "testing/scratch_folder.h"

namespace {

constexpr SSCE_S16 misspelled = SSCE_MISSPELLED_WORD_RSLT;
constexpr SSCE_S16 uncapped = SSCE_MISSPELLED_WORD_RSLT | SSCE_UNCAPPED_WORD_RSLT;
constexpr SSCE_S16 auto_change = SSCE_MISSPELLED_WORD_RSLT | SSCE_AUTO_CHANGE_WORD_RSLT;
constexpr SSCE_S16 conditional = SSCE_MISSPELLED_WORD_RSLT | SSCE_CONDITIONAL_CHANGE_WORD_RSLT;

void write_clx(const std::string& path, const std::vector<const char*>& words) {
  std::vector<KelmLexiconWord> list;
  for (const char* w : words) list.push_back(KelmLexiconWord{w, 50});
  ASSERT_EQ(0, KelmWriteCompressedLexicon(path.c_str(), list.data(), list.size()));
}

std::vector<std::string> listing(SSCE_S16 session, SSCE_S16 lexicon) {
  SSCE_S32 size = -1;
  SSCE_S16 format = 0;
  SSCE_S16 language = 0;
  EXPECT_EQ(0, SSCE_GetLexInfo(session, lexicon, &size, &format, &language));
  std::vector<char> buffer(static_cast<std::size_t>(size) + 1, 'x');
  EXPECT_EQ(size, SSCE_GetLex(session, lexicon, buffer.data(), size));
  std::vector<std::string> entries;
  for (SSCE_S32 at = 0; at < size; at += static_cast<SSCE_S32>(entries.back().size()) + 1)
    entries.emplace_back(buffer.data() + at);
  EXPECT_EQ('x', buffer[static_cast<std::size_t>(size)]) << "written past the size";
  return entries;
}

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_session = SSCE_OpenSession();
    ASSERT_GE(m_session, 0);
    SSCE_SetAutoCorrect(1);
  }
  void TearDown() override {
    SSCE_CloseSession(m_session);
    SSCE_SetAutoCorrect(1);
  }
  SSCE_S16 open(const std::string& name) {
    const std::string path = m_folder.path(name);
    const SSCE_S16 id = SSCE_OpenLex(m_session, path.c_str(), 0);
    return id == SSCE_FILE_NOT_FOUND_ERR ? SSCE_CreateLex(m_session, path.c_str(), 0x616D) : id;
  }
  SSCE_S16 check(const char* word, std::string* replacement = nullptr) {
    char buffer[64] = "junk";
    const SSCE_S16 result = SSCE_CheckWord(m_session, word, buffer, sizeof buffer);
    if (replacement != nullptr) *replacement = buffer;
    return result;
  }
  // Checks a word after another, so that no doubled word is reported.
  SSCE_S16 check_alone(const char* word, std::string* replacement = nullptr) {
    check("\x01");
    return check(word, replacement);
  }
  std::vector<std::string> suggest(const char* word, SSCE_S16 count = 10) {
    std::vector<char> buffer(30 * static_cast<std::size_t>(count));
    std::vector<SSCE_S16> scores(static_cast<std::size_t>(count), -1);
    const SSCE_S16 n = SSCE_Suggest(m_session, word, 50, buffer.data(),
                                    static_cast<SSCE_U16>(buffer.size()), scores.data(), count);
    std::vector<std::string> words;
    for (const char* at = buffer.data();
         words.size() < static_cast<std::size_t>(std::max<SSCE_S16>(n, 0));
         at += words.back().size() + 1)
      words.emplace_back(at);
    return words;
  }

  ScratchFolder m_folder;
  SSCE_S16 m_session = -1;
};

TEST_F(EngineTest, SessionIdsAreCheckedAndNeverReachAClosedSession) {
  const SSCE_S16 other = SSCE_OpenSession();
  ASSERT_GE(other, 0);
  ASSERT_NE(other, m_session);
  EXPECT_EQ(0, SSCE_CloseSession(other));
  EXPECT_EQ(SSCE_BAD_SESSION_ERR, SSCE_CloseSession(other));
  // The slot is taken again, under another id.
  const SSCE_S16 reused = SSCE_OpenSession();
  EXPECT_NE(other, reused);
  char buffer[64];
  for (SSCE_S16 bad : {other, SSCE_S16(-1), SSCE_S16(32767)}) {
    EXPECT_EQ(SSCE_BAD_SESSION_ERR, SSCE_CheckWord(bad, "word", buffer, sizeof buffer)) << bad;
    EXPECT_EQ(SSCE_BAD_SESSION_ERR, SSCE_GetOption(bad, SSCE_CASE_SENSITIVE_OPT)) << bad;
    EXPECT_EQ(SSCE_BAD_SESSION_ERR, SSCE_OpenLex(bad, m_folder.path("x.tlx").c_str(), 0)) << bad;
    EXPECT_EQ(SSCE_BAD_SESSION_ERR, SSCE_Suggest(bad, "wrod", 50, buffer, 64, nullptr, 0)) << bad;
  }
  SSCE_CloseSession(reused);

  std::vector<SSCE_S16> opened;
  for (SSCE_S16 id = SSCE_OpenSession(); id >= 0; id = SSCE_OpenSession()) opened.push_back(id);
  EXPECT_EQ(63u, opened.size());
  EXPECT_EQ(SSCE_TOO_MANY_SESSIONS_ERR, SSCE_OpenSession());
  for (SSCE_S16 id : opened) SSCE_CloseSession(id);
}

TEST_F(EngineTest, OptionsStartAsTheCheckersDefaults) {
  const struct {
    SSCE_U32 option;
    SSCE_S32 value;
  } defaults[] = {{SSCE_CASE_SENSITIVE_OPT, 1},       {SSCE_IGNORE_ALL_CAPS_WORD_OPT, 0},
                  {SSCE_IGNORE_CAPPED_WORD_OPT, 0},   {SSCE_IGNORE_MIXED_CASE_OPT, 0},
                  {SSCE_IGNORE_MIXED_DIGITS_OPT, 1},  {SSCE_SUGGEST_PHONETIC_OPT, 0},
                  {SSCE_REPORT_DOUBLED_WORD_OPT, 1},  {SSCE_SPLIT_WORDS_OPT, 1},
                  {SSCE_SUGGEST_TYPOGRAPHICAL_OPT, 1}};
  for (const auto& d : defaults) {
    EXPECT_EQ(d.value, SSCE_GetOption(m_session, d.option)) << d.option;
    EXPECT_EQ(d.value, SSCE_SetOption(m_session, d.option, 7)) << d.option;
    EXPECT_EQ(1, SSCE_GetOption(m_session, d.option)) << d.option;
  }
  EXPECT_EQ(SSCE_BAD_ARGUMENT_ERR, SSCE_GetOption(m_session, 0x0004));
  EXPECT_EQ(SSCE_BAD_ARGUMENT_ERR, SSCE_SetOption(m_session, 0x0003, 1));
}

TEST(EngineSettings, AutoCorrectAndDepthAreEngineWideAndDepthIsClamped) {
  EXPECT_EQ(1, SSCE_GetAutoCorrect());
  EXPECT_EQ(1, SSCE_SetAutoCorrect(0));
  EXPECT_EQ(0, SSCE_SetAutoCorrect(5));
  EXPECT_EQ(1, SSCE_GetAutoCorrect());
  const SSCE_S16 depth = SSCE_GetMinSuggestDepth();
  EXPECT_EQ(50, depth);
  for (auto [given, kept] : {std::pair<SSCE_S16, SSCE_S16>{-5, 0}, {500, 100}, {30, 30}}) {
    SSCE_SetMinSuggestDepth(given);
    EXPECT_EQ(kept, SSCE_GetMinSuggestDepth()) << given;
  }
  SSCE_SetMinSuggestDepth(depth);
}

TEST_F(EngineTest, OpeningAndCreatingLexiconFiles) {
  const std::string missing = m_folder.path("user.tlx");
  EXPECT_EQ(SSCE_FILE_NOT_FOUND_ERR, SSCE_OpenLex(m_session, missing.c_str(), 0));
  EXPECT_EQ(SSCE_FILE_NOT_FOUND_ERR,
            SSCE_OpenLex(m_session, m_folder.path("no/such/folder.clx").c_str(), 0));
  EXPECT_GT(0, SSCE_OpenLex(m_session, m_folder.path("").c_str(), 0)) << "a folder";
  EXPECT_EQ(SSCE_BAD_ARGUMENT_ERR, SSCE_OpenLex(m_session, nullptr, 0));

  const SSCE_S16 text = SSCE_CreateLex(m_session, missing.c_str(), 0x616D);
  ASSERT_GE(text, 0);
  EXPECT_EQ("", ReadWholeFile(missing));
  const SSCE_S16 compressed =
      SSCE_CreateLex(m_session, m_folder.path("medical.CLX").c_str(), 0x616D);
  ASSERT_GE(compressed, 0);
  SSCE_S32 size = -1;
  SSCE_S16 format = 0;
  SSCE_S16 language = 0;
  EXPECT_EQ(0, SSCE_GetLexInfo(m_session, compressed, &size, &format, &language));
  EXPECT_EQ(0, size);
  EXPECT_EQ(SSCE_COMPRESSED_LEX_FORMAT, format);
  EXPECT_EQ(0x616D, language);
  EXPECT_EQ(0, SSCE_GetLexInfo(m_session, text, &size, &format, &language));
  EXPECT_EQ(SSCE_TEXT_LEX_FORMAT, format);

  // Creating over an existing lexicon would throw its words away.
  EXPECT_EQ(0, SSCE_AddToLex(m_session, text, "kept", 'i', nullptr));
  EXPECT_GT(0, SSCE_CreateLex(m_session, missing.c_str(), 0x616D));
  EXPECT_EQ("kept\ti\r\n", ReadWholeFile(missing));

  EXPECT_EQ(0, SSCE_CloseLex(m_session, text));
  EXPECT_EQ(SSCE_BAD_LEXICON_ERR, SSCE_CloseLex(m_session, text));
  EXPECT_EQ(SSCE_BAD_LEXICON_ERR, SSCE_AddToLex(m_session, text, "word", 'i', nullptr));
  EXPECT_EQ(SSCE_BAD_LEXICON_ERR, SSCE_GetLexInfo(m_session, -1, &size, &format, &language));
}

TEST_F(EngineTest, ASessionHoldsThirtyTwoLexicons) {
  write_clx(m_folder.path("main.clx"), {"word"});
  for (int i = 0; i < 32; ++i) ASSERT_GE(open("main.clx"), 0) << i;
  EXPECT_EQ(SSCE_TOO_MANY_LEXICONS_ERR, open("main.clx"));
}

TEST_F(EngineTest, TextLexiconEntriesSurviveReopening) {
  const SSCE_S16 lex = open("correct.tlx");
  ASSERT_GE(lex, 0);
  const struct {
    const char* word;
    char action;
    const char* other;
  } entries[] = {{"teh", 'a', "the"},         {"adn", 'A', "and"},       {"its", 'c', "it's"},
                 {"recieve", 'C', "receive"}, {"Orvalis", 'i', nullptr}, {"colour", 'e', ""},
                 {"caf\xe9", 'i', nullptr}};
  // A line an entry: the word, its action and any other word, by tabs.
  std::vector<std::string> want;
  std::string file;
  for (const auto& e : entries) {
    EXPECT_EQ(0, SSCE_AddToLex(m_session, lex, e.word, e.action, e.other)) << e.word;
    want.push_back(std::string(e.word) + '\t' + e.action +
                   (e.other && *e.other ? std::string("\t") + e.other : ""));
    file += want.back() + "\r\n";
  }
  EXPECT_EQ(file, ReadWholeFile(m_folder.path("correct.tlx")));

  SSCE_CloseLex(m_session, lex);
  const SSCE_S16 again = open("correct.tlx");
  for (const auto& e : entries) {
    char other[64] = "junk";
    EXPECT_EQ(e.action, SSCE_FindLexWord(m_session, again, e.word, other, 63)) << e.word;
    EXPECT_EQ(std::string(e.action == 'i' || e.action == 'e' ? "" : e.other), other) << e.word;
  }
  EXPECT_EQ(want, listing(m_session, again));
  char other[64];
  EXPECT_EQ(SSCE_WORD_NOT_FOUND_ERR, SSCE_FindLexWord(m_session, again, "orvalis", other, 63));
  char small[8];
  EXPECT_EQ(SSCE_BUFFER_TOO_SMALL_ERR, SSCE_GetLex(m_session, again, small, sizeof small));
  // The other word is cut to the usable length given.
  EXPECT_EQ('C', SSCE_FindLexWord(m_session, again, "recieve", other, 3));
  EXPECT_STREQ("rec", other);
}

TEST_F(EngineTest, ChangesReplaceDeleteAndClearAtomically) {
  const SSCE_S16 lex = open("user.tlx");
  const std::string path = m_folder.path("user.tlx");
  ASSERT_EQ(0, SSCE_AddToLex(m_session, lex, "teh", 'a', "the"));
  ASSERT_EQ(0, SSCE_AddToLex(m_session, lex, "word", 'i', nullptr));
  ASSERT_EQ(0, SSCE_AddToLex(m_session, lex, "teh", 'c', "tea"));
  EXPECT_EQ("teh\tc\ttea\r\nword\ti\r\n", ReadWholeFile(path));
  EXPECT_EQ(0, SSCE_DelFromLex(m_session, lex, "teh"));
  EXPECT_EQ(SSCE_WORD_NOT_FOUND_ERR, SSCE_DelFromLex(m_session, lex, "teh"));
  EXPECT_EQ("word\ti\r\n", ReadWholeFile(path));
  EXPECT_EQ(0, SSCE_ClearLex(m_session, lex));
  EXPECT_EQ("", ReadWholeFile(path));
  // Clearing an empty lexicon, as every checker does at start, writes nothing.
  const auto written = std::filesystem::last_write_time(path);
  const auto inode = [](const std::string& p) {
    struct stat st {};
    stat(p.c_str(), &st);
    return st.st_ino;
  };
  const auto before = inode(path);
  EXPECT_EQ(0, SSCE_ClearLex(m_session, lex));
  EXPECT_EQ(before, inode(path));
  EXPECT_EQ(written, std::filesystem::last_write_time(path));
  EXPECT_EQ(misspelled, check_alone("word"));

  const struct {
    const char* word;
    SSCE_S16 action;
    const char* other;
    SSCE_S16 result;
  } refused[] = {
      {"word", 'x', nullptr, SSCE_UNKNOWN_ACTION_ERR},
      {"word", 0x169, nullptr, SSCE_UNKNOWN_ACTION_ERR},
      {"word", 'a', nullptr, SSCE_BAD_ARGUMENT_ERR},
      {"word", 'c', "", SSCE_BAD_ARGUMENT_ERR},
      {"", 'i', nullptr, SSCE_BAD_ARGUMENT_ERR},
      {"two\twords", 'i', nullptr, SSCE_BAD_ARGUMENT_ERR},
      {"line\nbreak", 'i', nullptr, SSCE_BAD_ARGUMENT_ERR},
      {"0123456789012345678901234567890123456789012345678901234567890123", 'i', nullptr,
       SSCE_BAD_ARGUMENT_ERR},
      {nullptr, 'i', nullptr, SSCE_BAD_ARGUMENT_ERR},
  };
  for (const auto& r : refused)
    EXPECT_EQ(r.result, SSCE_AddToLex(m_session, lex, r.word, r.action, r.other))
        << (r.word ? r.word : "null") << " " << r.action;
  EXPECT_EQ("", ReadWholeFile(path));
  EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(m_folder.path("")),
                             std::filesystem::directory_iterator()))
      << "a temporary file is left beside the lexicon";
}

// A person edits the file by hand: Windows line ends, blank lines, mistakes.
// The mistakes are skipped for checking but survive every rewrite.
TEST_F(EngineTest, HandEditedTextLexiconKeepsWhatItCannotRead) {
  const std::string path = m_folder.path("user.tlx");
  WriteWholeFile(path,
                 "alpha\ti\r\n"
                 "\r\n"
                 "no tab here\r\n"
                 "beta\tz\r\n"
                 "gamma\ta\r\n"
                 "delta\ti\t\r\n"
                 "alpha\te\r\n"
                 "omega\tc\tomicron");
  const SSCE_S16 lex = open("user.tlx");
  ASSERT_GE(lex, 0);
  const std::vector<std::string> want = {"alpha\ti", "delta\ti", "omega\tc\tomicron"};
  EXPECT_EQ(want, listing(m_session, lex));
  EXPECT_EQ(0, check_alone("alpha")) << "the first entry of a word counts";
  EXPECT_EQ(misspelled, check_alone("gamma"));

  ASSERT_EQ(0, SSCE_AddToLex(m_session, lex, "epsilon", 'i', nullptr));
  EXPECT_EQ(
      "alpha\ti\r\n\r\nno tab here\r\nbeta\tz\r\ngamma\ta\r\ndelta\ti\t\r\nalpha\te\r\n"
      "omega\tc\tomicron\r\nepsilon\ti\r\n",
      ReadWholeFile(path));
  // Replacing an entry changes its own line and drops its later duplicates.
  ASSERT_EQ(0, SSCE_AddToLex(m_session, lex, "alpha", 'c', "beta"));
  EXPECT_EQ(
      "alpha\tc\tbeta\r\n\r\nno tab here\r\nbeta\tz\r\ngamma\ta\r\ndelta\ti\t\r\n"
      "omega\tc\tomicron\r\nepsilon\ti\r\n",
      ReadWholeFile(path));
}

// Sessions on several threads changing one lexicon take turns at the file's
// lock, as processes do: no thread's word is lost.
TEST_F(EngineTest, SessionsOnSeveralThreadsChangingOneLexiconLoseNoWord) {
  const std::string path = m_folder.path("user.tlx");
  ASSERT_GE(open("user.tlx"), 0);
  constexpr int threads = 3;
  constexpr int count = 40;
  const auto word = [](int n, int i) { return "t" + std::to_string(n) + "x" + std::to_string(i); };
  std::vector<int> failures(threads);
  {
    std::vector<std::jthread> running;
    for (int n = 0; n < threads; ++n)
      running.emplace_back([&, n] {
        const SSCE_S16 session = SSCE_OpenSession();
        const SSCE_S16 lex = SSCE_OpenLex(session, path.c_str(), 0);
        for (int i = 0; i < count; ++i)
          if (SSCE_AddToLex(session, lex, word(n, i).c_str(), 'i', nullptr) != 0)
            ++failures[static_cast<std::size_t>(n)];
        SSCE_CloseSession(session);
      });
  }
  EXPECT_EQ(std::vector<int>(threads), failures);
  std::vector<std::string> want;
  for (int n = 0; n < threads; ++n)
    for (int i = 0; i < count; ++i) want.push_back(word(n, i) + "\ti");
  std::vector<std::string> got = listing(m_session, open("user.tlx"));
  std::sort(want.begin(), want.end());
  std::sort(got.begin(), got.end());
  EXPECT_EQ(want, got);
}

TEST_F(EngineTest, CompressedLexiconRoundTripIsReadOnly) {
  write_clx(m_folder.path("main.clx"), {"pear", "apple", "Paris", "apple", "caf\xe9"});
  const SSCE_S16 lex = open("main.clx");
  ASSERT_GE(lex, 0);
  const std::vector<std::string> want = {"Paris\ti", "apple\ti", "caf\xe9\ti", "pear\ti"};
  EXPECT_EQ(want, listing(m_session, lex));
  char other[64];
  EXPECT_EQ('i', SSCE_FindLexWord(m_session, lex, "pear", other, 63));
  EXPECT_EQ(SSCE_WORD_NOT_FOUND_ERR, SSCE_FindLexWord(m_session, lex, "Pear", other, 63));
  EXPECT_EQ(SSCE_READ_ONLY_LEXICON_ERR, SSCE_AddToLex(m_session, lex, "plum", 'i', nullptr));
  EXPECT_EQ(SSCE_READ_ONLY_LEXICON_ERR, SSCE_DelFromLex(m_session, lex, "pear"));
  EXPECT_EQ(SSCE_READ_ONLY_LEXICON_ERR, SSCE_ClearLex(m_session, lex));
  EXPECT_EQ(0, check_alone("CAF\xc9"));

  const KelmLexiconWord bad[] = {{"good", 10}, {"tab\there", 10}};
  EXPECT_EQ(SSCE_BAD_ARGUMENT_ERR,
            KelmWriteCompressedLexicon(m_folder.path("bad.clx").c_str(), bad, 2));
  EXPECT_FALSE(std::filesystem::exists(m_folder.path("bad.clx")));
}

TEST_F(EngineTest, CompressedLexiconIsLoadedOnceAndReloadedWhenItChanges) {
  const std::string path = m_folder.path("main.clx");
  write_clx(path, {"alpha"});
  std::shared_ptr<const spelling::compressed_lexicon> first;
  std::shared_ptr<const spelling::compressed_lexicon> second;
  ASSERT_EQ(0, spelling::compressed_lexicon::open(path, first));
  ASSERT_EQ(0, spelling::compressed_lexicon::open(m_folder.path("./main.clx"), second));
  EXPECT_EQ(first.get(), second.get());

  const SSCE_S16 other_session = SSCE_OpenSession();
  ASSERT_GE(SSCE_OpenLex(other_session, path.c_str(), 0), 0);
  char buffer[64];
  EXPECT_EQ(misspelled, SSCE_CheckWord(other_session, "beta", buffer, sizeof buffer));

  write_clx(path, {"alpha", "beta", "gamma-ray"});
  ASSERT_EQ(0, spelling::compressed_lexicon::open(path, second));
  EXPECT_NE(first.get(), second.get());
  EXPECT_EQ(1u, first->size()) << "a session holding the old version keeps it";
  EXPECT_EQ(3u, second->size());
  ASSERT_GE(open("main.clx"), 0);
  EXPECT_EQ(0, check_alone("beta"));
  SSCE_CloseSession(other_session);
}

TEST_F(EngineTest, DamagedCompressedLexiconIsRefusedWhole) {
  std::vector<std::pair<std::string, std::uint8_t>> words = {
      {"alpha", 10}, {"alphabet", 20}, {"beta", 30}, {"gamma", 95}};
  const std::string good = spelling::compressed_lexicon::encode(words, 0x616D);
  std::shared_ptr<spelling::compressed_lexicon> loaded;
  ASSERT_EQ(0, spelling::compressed_lexicon::decode(good, loaded));
  EXPECT_EQ(4u, loaded->size());
  EXPECT_EQ(20, loaded->level(1));

  for (std::size_t length = 0; length < good.size(); ++length)
    EXPECT_EQ(SSCE_DAMAGED_LEXICON_ERR,
              spelling::compressed_lexicon::decode(good.substr(0, length), loaded))
        << "cut to " << length;
  EXPECT_EQ(SSCE_DAMAGED_LEXICON_ERR, spelling::compressed_lexicon::decode(good + "x", loaded));
  for (std::size_t byte = 0; byte < good.size(); ++byte)
    for (int bit = 0; bit < 8; ++bit) {
      std::string flipped = good;
      flipped[byte] = static_cast<char>(flipped[byte] ^ (1 << bit));
      EXPECT_EQ(SSCE_DAMAGED_LEXICON_ERR, spelling::compressed_lexicon::decode(flipped, loaded))
          << "byte " << byte << " bit " << bit;
    }

  const std::string path = m_folder.path("main.clx");
  // Opening goes through the same decoding: a text lexicon named .clx is damaged.
  WriteWholeFile(path, "word\ti\r\n");
  EXPECT_EQ(SSCE_DAMAGED_LEXICON_ERR, SSCE_OpenLex(m_session, path.c_str(), 0)) << "text";
}

TEST_F(EngineTest, CaseRules) {
  write_clx(m_folder.path("main.clx"), {"apple", "IBM", "Paris", "iPhone", "caf\xe9"});
  ASSERT_GE(open("main.clx"), 0);
  const struct {
    const char* word;
    SSCE_S16 sensitive;
    const char* sensitive_replacement;
    SSCE_S16 blind;
  } cases[] = {
      {"apple", 0, "", 0},
      {"Apple", 0, "", 0},
      {"APPLE", 0, "", 0},
      {"aPPLE", uncapped, "apple", 0},
      {"ibm", uncapped, "IBM", 0},
      {"Ibm", uncapped, "IBM", 0},
      {"PARIS", 0, "", 0},
      {"paris", uncapped, "Paris", 0},
      {"IPhone", 0, "", 0},
      {"iphone", uncapped, "iPhone", 0},
      {"CAF\xc9", 0, "", 0},
      {"Caf\xe9", 0, "", 0},
      {"apples", misspelled, "", misspelled},
  };
  for (const auto& c : cases) {
    std::string replacement;
    SSCE_SetOption(m_session, SSCE_CASE_SENSITIVE_OPT, 1);
    EXPECT_EQ(c.sensitive, check_alone(c.word, &replacement)) << c.word;
    EXPECT_EQ(c.sensitive_replacement, replacement) << c.word;
    SSCE_SetOption(m_session, SSCE_CASE_SENSITIVE_OPT, 0);
    EXPECT_EQ(c.blind, check_alone(c.word, &replacement)) << c.word;
  }
}

TEST_F(EngineTest, IgnoreOptions) {
  ASSERT_GE(open("main.clx"), 0);
  const struct {
    const char* word;
    SSCE_U32 option;  // the one option that accepts the word
  } cases[] = {
      {"XYZZY", SSCE_IGNORE_ALL_CAPS_WORD_OPT}, {"Xyzzy", SSCE_IGNORE_CAPPED_WORD_OPT},
      {"xYzzy", SSCE_IGNORE_MIXED_CASE_OPT},    {"McXyzzy", SSCE_IGNORE_MIXED_CASE_OPT},
      {"XYZzy", SSCE_IGNORE_MIXED_CASE_OPT},    {"xyz42", SSCE_IGNORE_MIXED_DIGITS_OPT},
      {"4th", SSCE_IGNORE_MIXED_DIGITS_OPT},    {"xyzzy", 0},
  };
  const SSCE_U32 options[] = {SSCE_IGNORE_ALL_CAPS_WORD_OPT, SSCE_IGNORE_CAPPED_WORD_OPT,
                              SSCE_IGNORE_MIXED_CASE_OPT, SSCE_IGNORE_MIXED_DIGITS_OPT};
  for (const auto& c : cases)
    for (SSCE_U32 on : options) {
      for (SSCE_U32 o : options) SSCE_SetOption(m_session, o, o == on);
      EXPECT_EQ(on == c.option ? 0 : misspelled, check_alone(c.word)) << c.word << " " << on;
    }
}

TEST_F(EngineTest, ExcludeOutweighsEveryOtherLexiconAndIgnoreAccepts) {
  write_clx(m_folder.path("main.clx"), {"colour", "color"});
  ASSERT_GE(open("main.clx"), 0);
  const SSCE_S16 user = open("user.tlx");
  ASSERT_EQ(0, SSCE_AddToLex(m_session, user, "colour", 'e', nullptr));
  const SSCE_S16 ignore = open("ignore.tlx");
  ASSERT_EQ(0, SSCE_AddToLex(m_session, ignore, "colour", 'i', nullptr));
  ASSERT_EQ(0, SSCE_AddToLex(m_session, ignore, "Orvalis", 'i', nullptr));
  EXPECT_EQ(misspelled, check_alone("colour"));
  EXPECT_EQ(misspelled, check_alone("COLOUR"));
  EXPECT_EQ(0, check_alone("color"));
  EXPECT_EQ(0, check_alone("Orvalis"));
  std::string replacement;
  EXPECT_EQ(uncapped, check_alone("orvalis", &replacement));
  EXPECT_EQ("Orvalis", replacement);
  const std::vector<std::string> offered = suggest("colouur");
  EXPECT_NE(offered.end(), std::find(offered.begin(), offered.end(), "color"));
  EXPECT_EQ(offered.end(), std::find(offered.begin(), offered.end(), "colour"))
      << "excluded words are not offered";
}

TEST_F(EngineTest, ChangeEntriesFollowTheAutoCorrectSwitch) {
  write_clx(m_folder.path("main.clx"), {"the", "and", "its"});
  ASSERT_GE(open("main.clx"), 0);
  const SSCE_S16 lex = open("correct.tlx");
  ASSERT_EQ(0, SSCE_AddToLex(m_session, lex, "teh", 'a', "the"));
  ASSERT_EQ(0, SSCE_AddToLex(m_session, lex, "adn", 'A', "and"));
  ASSERT_EQ(0, SSCE_AddToLex(m_session, lex, "its", 'c', "it's"));
  ASSERT_EQ(0, SSCE_AddToLex(m_session, lex, "ur", 'C', "your"));
  ASSERT_EQ(0, SSCE_AddToLex(m_session, lex, "nasa", 'a', "NASA"));
  const struct {
    const char* word;
    SSCE_S16 on;  // with auto-correct on; off turns auto into conditional
    const char* replacement;
  } cases[] = {
      {"teh", auto_change, "the"},  {"Teh", auto_change, "the"},   {"TEH", auto_change, "the"},
      {"adn", auto_change, "and"},  {"Adn", auto_change, "And"},   {"ADN", auto_change, "AND"},
      {"its", conditional, "it's"}, {"Its", conditional, "it's"},  {"ur", conditional, "your"},
      {"UR", conditional, "YOUR"},  {"nasa", auto_change, "NASA"}, {"tEH", misspelled, ""},
  };
  for (const auto& c : cases) {
    std::string replacement;
    SSCE_SetAutoCorrect(1);
    EXPECT_EQ(c.on, check_alone(c.word, &replacement)) << c.word;
    EXPECT_EQ(c.replacement, replacement) << c.word;
    SSCE_SetAutoCorrect(0);
    const SSCE_S16 off = c.on == auto_change ? conditional : c.on;
    EXPECT_EQ(off, check_alone(c.word, &replacement)) << c.word;
    EXPECT_EQ(c.replacement, replacement) << c.word;
  }
  SSCE_SetAutoCorrect(1);
  const std::vector<std::string> offered = suggest("Adn");
  ASSERT_FALSE(offered.empty());
  EXPECT_EQ("And", offered[0]);
}

TEST_F(EngineTest, DoubledWordsAndPossessives) {
  write_clx(m_folder.path("main.clx"), {"the", "cat", "Darcy", "sisters"});
  ASSERT_GE(open("main.clx"), 0);
  EXPECT_EQ(0, check("the"));
  EXPECT_EQ(SSCE_DOUBLED_WORD_RSLT, check("The"));
  EXPECT_EQ(0, check("cat"));
  EXPECT_EQ(misspelled, check("caat"));
  EXPECT_EQ(misspelled | SSCE_DOUBLED_WORD_RSLT, check("caat"));
  SSCE_SetOption(m_session, SSCE_REPORT_DOUBLED_WORD_OPT, 0);
  EXPECT_EQ(0, check("cat"));
  EXPECT_EQ(0, check("cat"));

  std::string replacement;
  const struct {
    const char* word;
    SSCE_S16 result;
    const char* replacement;
  } possessives[] = {
      {"cat's", 0, ""},           {"CAT'S", 0, ""},       {"cat\x92s", 0, ""},
      {"sisters'", 0, ""},        {"Darcy's", 0, ""},     {"darcy's", uncapped, "Darcy's"},
      {"caat's", misspelled, ""}, {"'s", misspelled, ""},
  };
  for (const auto& p : possessives) {
    EXPECT_EQ(p.result, check_alone(p.word, &replacement)) << p.word;
    EXPECT_EQ(p.replacement, replacement) << p.word;
  }
}

TEST_F(EngineTest, ReplacementNeverOverrunsTheBuffer) {
  const SSCE_S16 lex = open("correct.tlx");
  ASSERT_EQ(0, SSCE_AddToLex(m_session, lex, "x", 'a', "replacement"));
  char buffer[8];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(auto_change, SSCE_CheckWord(m_session, "x", buffer, 5));
  EXPECT_STREQ("repl", buffer);
  EXPECT_EQ('#', buffer[5]);
  check("y");
  EXPECT_EQ(auto_change, SSCE_CheckWord(m_session, "x", nullptr, 0));
  EXPECT_EQ(SSCE_BAD_ARGUMENT_ERR, SSCE_CheckWord(m_session, "x", nullptr, 8));
  EXPECT_EQ(SSCE_BAD_ARGUMENT_ERR, SSCE_CheckWord(m_session, nullptr, buffer, 8));
  const std::string long_word(300, 'a');
  EXPECT_EQ(misspelled, SSCE_CheckWord(m_session, long_word.c_str(), buffer, 8));
}

TEST_F(EngineTest, SuggestionsFillTheBufferAndEndTheScores) {
  write_clx(m_folder.path("main.clx"),
            {"hello", "help", "hell", "held", "helm", "yellow", "a", "lot"});
  ASSERT_GE(open("main.clx"), 0);
  const std::vector<std::string> offered = suggest("HELO");
  ASSERT_FALSE(offered.empty());
  for (const std::string& w : offered)
    EXPECT_EQ(std::string::npos, w.find_first_of("abcdefghijklmnopqrstuvwxyz")) << w;
  EXPECT_NE(offered.end(), std::find(offered.begin(), offered.end(), "HELLO"));

  char buffer[12];
  SSCE_S16 scores[10];
  std::fill(std::begin(scores), std::end(scores), SSCE_S16(-1));
  const SSCE_S16 n = SSCE_Suggest(m_session, "helo", 50, buffer, sizeof buffer, scores, 10);
  ASSERT_GE(n, 1);
  std::size_t used = 0;
  for (SSCE_S16 i = 0; i < n; ++i) {
    EXPECT_GT(scores[i], 0);
    if (i > 0) {
      EXPECT_LE(scores[i], scores[i - 1]);
    }
    used += std::strlen(buffer + used) + 1;
  }
  EXPECT_LE(used, sizeof buffer);
  EXPECT_EQ(0, scores[n]);
  EXPECT_EQ(SSCE_BAD_ARGUMENT_ERR, SSCE_Suggest(m_session, "helo", 50, buffer, 12, nullptr, 4));
}

}  // namespace
