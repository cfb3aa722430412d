// Spelling engine speed: words checked per second over English books, with the
// checker's eleven lexicons open (the main word list compiled from
// /usr/share/dict/american-english, the others empty), and the cost of
// opening a session with those lexicons once the word list is loaded.
#include <stdlib.h>

#include <benchmark/benchmark.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/spelling/ssce.h"

namespace {

const char* const text_names[] = {"pg1342.txt",  "pg2641.txt",  "pg2701.txt",
                                  "pg37106.txt", "pg64317.txt", "pg84.txt"};
const char* const lexicon_names[] = {"ssceam.tlx",  "correct.tlx", "user.tlx",    "ignore.tlx",
                                     "sscele.tlx",  "ssceme.tlx",  "medical.tlx", "ssceam2.clx",
                                     "sscele2.clx", "ssceme2.clx", "medical.clx"};

std::string read_all(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The word list is UTF-8; the engine's text is Windows-1252, which shares
// Latin-1's letters. Words with other characters are left out.
bool to_latin1(const std::string& utf8, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
      out += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
    } else {
      return false;
    }
  }
  return !out.empty() && out.size() <= 63;
}

// A folder of its own holding the eleven lexicon files; removed at exit.
struct lexicon_folder {
  std::string path;
  bool ready = false;

  lexicon_folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "spell_bench_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return;
    path = pattern;
    std::ifstream list("/usr/share/dict/american-english");
    std::vector<std::string> words;
    std::string line;
    std::string word;
    while (std::getline(list, line))
      if (to_latin1(line, word)) words.push_back(word);
    if (words.empty()) return;
    std::vector<KelmLexiconWord> entries;
    for (const std::string& w : words) entries.push_back(KelmLexiconWord{w.c_str(), 50});
    ready = KelmWriteCompressedLexicon((path + "/ssceam2.clx").c_str(), entries.data(),
                                       entries.size()) == 0;
  }
  ~lexicon_folder() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
};

const lexicon_folder& lexicons() {
  static const lexicon_folder folder;
  return folder;
}

// The checker's way: open each file, or create it when it does not exist.
SSCE_S16 open_session() {
  const SSCE_S16 session = SSCE_OpenSession();
  for (const char* name : lexicon_names) {
    const std::string path = lexicons().path + "/" + name;
    if (SSCE_OpenLex(session, path.c_str(), 0) == SSCE_FILE_NOT_FOUND_ERR)
      SSCE_CreateLex(session, path.c_str(), SSCE_AMER_ENGLISH_LANG);
  }
  return session;
}

// Runs of letters, with apostrophes inside words; the books' curly
// apostrophe (UTF-8 E2 80 99) counts as one.
std::vector<std::string> book_words() {
  std::vector<std::string> words;
  for (const char* name : text_names) {
    const std::string text = read_all(std::string(KELM_SHARED_DATA_DIR) + "/text/" + name);
    std::string word;
    for (std::size_t i = 0; i <= text.size(); ++i) {
      const char c = i < text.size() ? text[i] : ' ';
      const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
      if (letter) {
        word += c;
        continue;
      }
      if (!word.empty() && c == '\'' && i + 1 < text.size() &&
          std::isalpha(static_cast<unsigned char>(text[i + 1]))) {
        word += '\'';
        continue;
      }
      if (!word.empty() && text.compare(i, 3, "\xE2\x80\x99") == 0 && i + 3 < text.size() &&
          std::isalpha(static_cast<unsigned char>(text[i + 3]))) {
        word += '\'';
        i += 2;
        continue;
      }
      if (!word.empty()) words.push_back(word);
      word.clear();
    }
  }
  return words;
}

const std::vector<std::string>& words() {
  static const std::vector<std::string> all = book_words();
  return all;
}

void BM_CheckWords(benchmark::State& state) {
  if (!lexicons().ready) {
    state.SkipWithError("no word list at /usr/share/dict/american-english");
    return;
  }
  if (words().empty()) {
    state.SkipWithError("no books under " KELM_SHARED_DATA_DIR "/text");
    return;
  }
  const SSCE_S16 session = open_session();
  char replacement[64];
  std::size_t misspelled = 0;
  for (auto _ : state) {
    for (const std::string& w : words())
      misspelled += SSCE_CheckWord(session, w.c_str(), replacement, sizeof replacement) & 1;
  }
  benchmark::DoNotOptimize(misspelled);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * words().size()));
  state.counters["misspelled"] = benchmark::Counter(
      static_cast<double>(misspelled) / static_cast<double>(state.iterations() * words().size()),
      benchmark::Counter::kAvgThreads);
  SSCE_CloseSession(session);
}
BENCHMARK(BM_CheckWords)->Unit(benchmark::kMillisecond)->Threads(1)->Threads(2)->UseRealTime();

void BM_OpenSessionWithLexicons(benchmark::State& state) {
  if (!lexicons().ready) {
    state.SkipWithError("no word list at /usr/share/dict/american-english");
    return;
  }
  SSCE_CloseSession(open_session());  // loads the word list once
  for (auto _ : state) SSCE_CloseSession(open_session());
}
BENCHMARK(BM_OpenSessionWithLexicons)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
