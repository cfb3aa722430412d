// The suggestion index compiled beside a compressed lexicon: refused whole
// when it is cut, changed or made for another lexicon, and then built in
// memory with the same suggestions and a word in the diagnostics.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/spelling/compressed_lexicon.h"
#include "platform/spelling/ssce.h"
#include "platform/spelling/suggester.h"
#include "testing/scratch_folder.h"

namespace spelling {
namespace {

namespace fs = std::filesystem;

const std::vector<dictionary_word> small_words = {
    {"a", 10},         {"address", 35},  {"beginning", 20}, {"caf\xE9", 50}, {"cat", 10},
    {"Ohio", 35},      {"phonetic", 50}, {"problem", 20},   {"receive", 20}, {"the", 10},
    {"their", 10},     {"there", 10},    {"three", 10},     {"lot", 10},     {"Polish", 40},
    {"polish", 30},    {"rat", 35},      {"mat", 35},       {"nation", 20},  {"in", 10},
    {"definitely", 20}};

const char* const typed_words[] = {"begining",   "recieve", "teh", "probelm", "ohio",  "alot",
                                   "definately", "polsh",   "CAF", "thier",   "natoin"};

std::vector<std::string> offered(const suggester& s, const std::string& typed, bool phonetic) {
  suggest_options options;
  options.phonetic = phonetic;
  std::vector<std::string> words;
  for (const candidate& c : s.suggest(typed, options, 10, [](std::string_view) { return true; }))
    words.push_back(c.word + "/" + std::to_string(c.score));
  return words;
}

TEST(SuggestionIndexTest, AnImageOfTheWordsSuggestsAsTheIndexBuiltInMemory) {
  const index_owner owner{0x1234, 99};
  const std::string image = suggester::compile(small_words, owner);
  std::string refusal;
  const auto mapped = suggester::over(image, nullptr, owner, refusal);
  ASSERT_NE(nullptr, mapped) << refusal;
  const suggester built(small_words);
  for (const char* typed : typed_words)
    for (const bool phonetic : {false, true})
      EXPECT_EQ(offered(built, typed, phonetic), offered(*mapped, typed, phonetic))
          << typed << (phonetic ? " phonetic" : "");
  EXPECT_EQ(image, suggester::compile(small_words, owner)) << "the same words give the same bytes";
}

TEST(SuggestionIndexTest, EveryCutEveryFlippedBitAndAnotherOwnerAreRefused) {
  const index_owner owner{0x1234, 99};
  const std::string image = suggester::compile(small_words, owner);
  std::string refusal;
  for (std::size_t length = 0; length < image.size(); ++length) {
    refusal.clear();
    EXPECT_EQ(nullptr, suggester::over(image.substr(0, length), nullptr, owner, refusal))
        << "cut to " << length;
  }
  refusal.clear();
  EXPECT_EQ(nullptr, suggester::over(image + std::string(8, '\0'), nullptr, owner, refusal));
  for (std::size_t byte = 0; byte < image.size(); ++byte)
    for (int bit = 0; bit < 8; ++bit) {
      std::string flipped = image;
      flipped[byte] = static_cast<char>(flipped[byte] ^ (1 << bit));
      refusal.clear();
      EXPECT_EQ(nullptr, suggester::over(flipped, nullptr, owner, refusal))
          << "byte " << byte << " bit " << bit;
    }
  for (const index_owner other : {index_owner{0x1235, 99}, index_owner{0x1234, 98}}) {
    refusal.clear();
    EXPECT_EQ(nullptr, suggester::over(image, nullptr, other, refusal));
    EXPECT_NE(std::string::npos, refusal.find("another version of the lexicon")) << refusal;
  }
}

// Guards against trusting what a checksum vouches for: a crafted index passes
// it, and must still keep every search inside its bytes (ASan watches).
TEST(SuggestionIndexTest, ASealedButWrongIndexKeepsItsSearchesInsideIt) {
  const index_owner owner{};
  const std::string image = suggester::compile(small_words, owner);
  std::uint64_t state = 0x9E3779B97F4A7C15ULL;
  const auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  int accepted = 0;
  for (int trial = 0; trial < 400; ++trial) {
    std::string changed = image;
    for (int k = 0; k < 1 + trial % 6; ++k) {
      // Past the header's sizes, which must add up to be accepted at all.
      const std::size_t at = 48 + next() % (changed.size() - 48);
      changed[at] = static_cast<char>(trial % 3 == 0 ? 0xFF : next());
    }
    suggester::seal(changed);
    std::string refusal;
    const auto s = suggester::over(changed, nullptr, owner, refusal);
    if (!s) continue;
    ++accepted;
    for (const char* typed : typed_words) {
      suggest_options options;
      options.phonetic = true;
      options.depth = 100;
      s->suggest(typed, options, 10, [](std::string_view) { return true; });
    }
  }
  EXPECT_LT(100, accepted) << "the trials should mostly reach the search";
}

// A real compiled lexicon: every tenth word of the system's word list.
class CompiledLexiconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ifstream list("/usr/share/dict/american-english", std::ios::binary);
    if (!list) GTEST_SKIP() << "no /usr/share/dict/american-english (wamerican)";
    int n = 0;
    for (std::string line; std::getline(list, line);) {
      const bool plain = std::all_of(line.begin(), line.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x80;
      });
      if (plain && !line.empty() && n++ % 10 == 0) m_words.push_back(line);
    }
    write(m_folder.path("words.clx"), m_words);
  }

  void write(const std::string& path, const std::vector<std::string>& words) {
    std::vector<KelmLexiconWord> entries;
    for (std::size_t i = 0; i < words.size(); ++i)
      entries.push_back({words[i].c_str(), static_cast<std::uint8_t>(10 + i % 9 * 10)});
    ASSERT_EQ(0, KelmWriteCompressedLexicon(path.c_str(), entries.data(), entries.size()));
  }

  // Each word's suggestions, at two depths, with and without sound-alikes,
  // from a session over the lexicon at `path` alone.
  std::vector<std::string> suggestions_from(const std::string& path) {
    const SSCE_S16 session = SSCE_OpenSession();
    EXPECT_GE(SSCE_OpenLex(session, path.c_str(), 0), 0) << path;
    std::vector<std::string> all;
    for (const bool phonetic : {false, true}) {
      SSCE_SetOption(session, SSCE_SUGGEST_PHONETIC_OPT, phonetic ? 1 : 0);
      for (const SSCE_S16 depth : {SSCE_S16{10}, SSCE_S16{50}})
        for (const char* typed : typed_words) {
          char buffer[300];
          SSCE_S16 scores[10];
          const SSCE_S16 n = SSCE_Suggest(session, typed, depth, buffer, sizeof buffer, scores, 10);
          std::string line = typed;
          const char* at = buffer;
          for (SSCE_S16 i = 0; i < n; at += std::strlen(at) + 1, ++i)
            line += " " + std::string(at) + "/" + std::to_string(scores[i]);
          all.push_back(line);
        }
    }
    SSCE_CloseSession(session);
    return all;
  }

  static std::string diagnostics() {
    std::string text(static_cast<std::size_t>(KelmGetSpellingDiagnostics(nullptr, 0)) + 1, '\0');
    text.resize(static_cast<std::size_t>(
        KelmGetSpellingDiagnostics(text.data(), static_cast<SSCE_S32>(text.size()))));
    return text;
  }

  ScratchFolder m_folder;
  std::vector<std::string> m_words;
};

TEST_F(CompiledLexiconTest, AMissingDamagedOrStaleIndexIsBuiltInMemoryWithTheSameSuggestions) {
  const std::string index = ReadWholeFile(m_folder.path("words.idx"));
  ASSERT_LT(1000u, index.size());
  std::vector<std::string> fewer = m_words;
  fewer.pop_back();
  write(m_folder.path("older.clx"), fewer);
  const std::string stale = ReadWholeFile(m_folder.path("older.idx"));
  std::string flipped = index;
  flipped[index.size() / 2] = static_cast<char>(flipped[index.size() / 2] ^ 0x10);

  const std::vector<std::string> want = suggestions_from(m_folder.path("words.clx"));
  EXPECT_EQ(std::string::npos, diagnostics().find(m_folder.path("words.idx")))
      << "the compiled index is used as written";
  const struct {
    const char* name;
    std::optional<std::string> index;  // none: no file
    const char* diagnostic;            // nullptr: the index is used
  } cases[] = {
      {"intact", index, nullptr},
      {"missing", std::nullopt, "there is no suggestion index"},
      {"stale", stale, "another version of the lexicon"},
      {"flipped", flipped, "checksum does not match"},
      {"empty", "", "suggestion index"},
      {"header", index.substr(0, 80), "suggestion index"},
      {"half", index.substr(0, index.size() / 2), "suggestion index"},
  };
  for (const auto& c : cases) {
    const std::string folder = m_folder.path(c.name);
    fs::create_directory(folder);
    fs::copy_file(m_folder.path("words.clx"), folder + "/words.clx");
    if (c.index) WriteWholeFile(folder + "/words.idx", *c.index);
    const std::size_t before = diagnostics().size();
    EXPECT_EQ(want, suggestions_from(folder + "/words.clx")) << c.name;
    const std::string said = diagnostics().substr(before);
    if (c.diagnostic == nullptr) {
      EXPECT_EQ("", said) << c.name;
    } else {
      EXPECT_NE(std::string::npos, said.find(folder + "/words.idx: ")) << c.name << ": " << said;
      EXPECT_NE(std::string::npos, said.find(c.diagnostic)) << c.name << ": " << said;
    }
  }
}

}  // namespace
}  // namespace spelling
