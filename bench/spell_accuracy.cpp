// How often the spelling engine's suggestions hold the word that was meant,
// over the public misspelling lists in the shared data folder, and how long
// each suggestion takes. The word list is compiled into a compressed lexicon
// in a temporary folder and asked through the SSCE_* calls, as the spell
// checker asks it.
//
//   spell_accuracy [--words FILE] [--levels DIR] [--depth N] [--list NAME]
//                  [--show-misses N] [--phonetic] [--dump FILE]
//                  [--count N] [--no-index]
//
// For each list: top-1, top-5 and top-10 accuracy over the pairs whose
// correct word the engine accepts, and the median and 99th-percentile time
// of one SSCE_Suggest call.
//
// --dump writes every misspelling with the suggestions and scores it got, one
// line each, so that two builds can be compared byte for byte: a change meant
// only to make suggesting faster must leave the dump exactly as it was.
// --count sets how many suggestions are asked for (10 unless told; 1 to 100).
// --no-index removes the suggestion index compiled beside the lexicon, so
// that the engine builds it in memory: both ways must dump the same.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/code_page.h"
#include "platform/spelling/ssce.h"
#include "platform/spelling/word_index.h"

namespace {

namespace fs = std::filesystem;

// The lists are UTF-8, the engine's text Windows-1252. A character the code
// page cannot hold, or a malformed sequence, becomes '?'.
std::string cp1252_of(std::string_view utf8) {
  if (utf8.empty()) return {};
  std::u16string wide(utf8.size(), u'\0');
  wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                  wide.data(), static_cast<int>(wide.size())));
  std::string out(wide.size(), '\0');
  out.resize(WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(),
                                 static_cast<int>(out.size()), nullptr, nullptr));
  return out;
}

// Every character of Windows-1252 takes at most three bytes of UTF-8.
std::string utf8_of(std::string_view cp1252) {
  if (cp1252.empty()) return {};
  const int length = static_cast<int>(cp1252.size());
  std::u16string wide(cp1252.size(), u'\0');
  MultiByteToWideChar(CP_ACP, 0, cp1252.data(), length, wide.data(), length);
  std::string out(3 * cp1252.size(), '\0');
  out.resize(WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, out.data(), 3 * length, nullptr,
                                 nullptr));
  return out;
}

struct lexicon_words {
  std::vector<std::string> words;  // Windows-1252
  std::vector<std::uint8_t> levels;
};

// The level of a word is the SCOWL size of the smallest list that holds it:
// the smallest NN among the files {english,american}-*.NN of `levels_dir`
// (words, upper, proper-names, abbreviations, contractions; ISO-8859-1, which
// is Windows-1252 for every letter), matched on the exact spelling. Words of
// the word list that no level file holds get `unlisted_level`. Words that
// Windows-1252 cannot spell, and repeats, are skipped.
lexicon_words read_lexicon_words(const fs::path& word_list, const fs::path& levels_dir,
                                 std::uint8_t unlisted_level) {
  std::unordered_map<std::string, std::uint8_t> level_of;
  std::error_code error;
  for (const auto& file : fs::directory_iterator(levels_dir, error)) {
    const std::string name = file.path().filename().string();
    if (name.rfind("english-", 0) != 0 && name.rfind("american-", 0) != 0) continue;
    const std::string extension = file.path().extension().string();
    if (extension.size() != 3) continue;
    const int level = std::atoi(extension.c_str() + 1);
    if (level <= 0 || level > 99) continue;
    std::ifstream in(file.path(), std::ios::binary);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      auto [it, added] = level_of.emplace(line, static_cast<std::uint8_t>(level));
      if (!added) it->second = std::min<std::uint8_t>(it->second, static_cast<std::uint8_t>(level));
    }
  }
  lexicon_words result;
  std::unordered_set<std::string> seen;
  std::ifstream in(word_list, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string word = cp1252_of(line);
    if (word.empty() || word.size() > 63 || word.find('?') != std::string::npos) continue;
    if (!seen.insert(word).second) continue;
    const auto it = level_of.find(word);
    result.levels.push_back(it == level_of.end() ? unlisted_level : it->second);
    result.words.push_back(std::move(word));
  }
  return result;
}

std::uint8_t unlisted_level_of(const fs::path& word_list) {
  const std::string name = word_list.filename().string();
  if (name.ends_with("-huge")) return 80;
  if (name.ends_with("-large")) return 70;
  return 50;
}

std::string folded(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(spelling::fold(c));
  return out;
}

struct pair_case {
  std::string misspelled;
  std::string correct;
};

// "correct: miss1 miss2 ..." or "misspelling<TAB>correct", by the file's name.
std::vector<pair_case> read_pairs(const fs::path& file) {
  std::vector<pair_case> pairs;
  std::ifstream in(file, std::ios::binary);
  const bool tab_separated = file.extension() == ".tab";
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (tab_separated) {
      const auto tab = line.find('\t');
      if (tab != std::string::npos) pairs.push_back({line.substr(0, tab), line.substr(tab + 1)});
      continue;
    }
    const auto colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::istringstream misses(line.substr(colon + 1));
    for (std::string miss; misses >> miss;) pairs.push_back({miss, line.substr(0, colon)});
  }
  return pairs;
}

struct measure {
  int counted = 0;
  int top1 = 0, top5 = 0, top10 = 0;
  std::vector<double> micros;
};

double percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(p * (values.size() - 1))];
}

// A folder of its own under the system's temporary folder, removed with the
// lexicon in it when the run ends.
class temporary_folder {
 public:
  temporary_folder() {
    std::string pattern = (fs::temp_directory_path() / "spell_accuracy_XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) m_path = pattern;
  }
  temporary_folder(const temporary_folder&) = delete;
  temporary_folder& operator=(const temporary_folder&) = delete;
  ~temporary_folder() {
    std::error_code ignored;
    if (!m_path.empty()) fs::remove_all(m_path, ignored);
  }
  const fs::path& path() const { return m_path; }

 private:
  fs::path m_path;
};

// Every word of the correct text (a split word has two) is one the engine
// accepts.
bool engine_accepts(SSCE_S16 session, const std::string& correct) {
  std::istringstream parts(correct);
  char replacement[80];
  for (std::string part; parts >> part;) {
    if ((SSCE_CheckWord(session, part.c_str(), replacement, sizeof replacement) &
         SSCE_MISSPELLED_WORD_RSLT) != 0)
      return false;
  }
  return true;
}

struct arguments {
  fs::path words = "/usr/share/dict/american-english-large";
  fs::path levels = "/usr/share/dict/scowl";
  int depth = 50;
  std::string list;
  int show_misses = 0;
  bool phonetic = false;
  bool no_index = false;
  fs::path dump;
  int count = 10;
};

bool parse(int argc, char** argv, arguments& args) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view flag = argv[i];
    if (flag == "--phonetic") {
      args.phonetic = true;
      continue;
    }
    if (flag == "--no-index") {
      args.no_index = true;
      continue;
    }
    if (i + 1 >= argc) return false;
    const char* value = argv[++i];
    if (flag == "--words")
      args.words = value;
    else if (flag == "--levels")
      args.levels = value;
    else if (flag == "--depth")
      args.depth = std::atoi(value);
    else if (flag == "--list")
      args.list = value;
    else if (flag == "--show-misses")
      args.show_misses = std::atoi(value);
    else if (flag == "--dump")
      args.dump = value;
    else if (flag == "--count")
      args.count = std::atoi(value);
    else
      return false;
  }
  return args.count >= 1 && args.count <= 100;
}

}  // namespace

int main(int argc, char** argv) {
  arguments args;
  if (!parse(argc, argv, args)) {
    std::fprintf(stderr,
                 "usage: spell_accuracy [--words FILE] [--levels DIR] [--depth N] [--list NAME] "
                 "[--show-misses N] [--phonetic] [--dump FILE] [--count N] [--no-index]\n");
    return 2;
  }
  const fs::path data = fs::path(KELM_SHARED_DATA_DIR) / "spell";
  if (!fs::is_directory(data)) {
    std::printf("no misspelling lists in %s; nothing measured\n", data.string().c_str());
    return 0;
  }
  const lexicon_words lexicon =
      read_lexicon_words(args.words, args.levels, unlisted_level_of(args.words));
  if (lexicon.words.empty()) {
    std::fprintf(stderr, "no words in %s\n", args.words.string().c_str());
    return 1;
  }
  const temporary_folder folder;
  if (folder.path().empty()) {
    std::fprintf(stderr, "no temporary folder\n");
    return 1;
  }
  const std::string lexicon_path = (folder.path() / "words.clx").string();
  std::vector<KelmLexiconWord> entries;
  entries.reserve(lexicon.words.size());
  for (std::size_t i = 0; i < lexicon.words.size(); ++i)
    entries.push_back({lexicon.words[i].c_str(), lexicon.levels[i]});
  if (const SSCE_S16 error =
          KelmWriteCompressedLexicon(lexicon_path.c_str(), entries.data(), entries.size());
      error != 0) {
    std::fprintf(stderr, "cannot write %s: error %d\n", lexicon_path.c_str(), error);
    return 1;
  }
  if (args.no_index) fs::remove(folder.path() / "words.idx");
  const SSCE_S16 session = SSCE_OpenSession();
  const SSCE_S16 lexicon_id =
      session < 0 ? session : SSCE_OpenLex(session, lexicon_path.c_str(), 0);
  if (lexicon_id < 0) {
    std::fprintf(stderr, "cannot open %s: error %d\n", lexicon_path.c_str(), lexicon_id);
    return 1;
  }
  if (args.phonetic) SSCE_SetOption(session, SSCE_SUGGEST_PHONETIC_OPT, 1);
  // The suggestion index is mapped or built on the first suggestion; have
  // that done before anything is timed.
  const int wanted = args.count;
  std::vector<char> buffer_space(static_cast<std::size_t>(64 * wanted));
  char* const buffer = buffer_space.data();
  const auto buffer_size = static_cast<SSCE_U16>(buffer_space.size());
  std::vector<SSCE_S16> score_space(static_cast<std::size_t>(wanted));
  SSCE_S16* const scores = score_space.data();
  const auto build_start = std::chrono::steady_clock::now();
  SSCE_Suggest(session, "speling", static_cast<SSCE_S16>(args.depth), buffer, buffer_size, scores,
               wanted);
  const double build_ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - build_start)
          .count();
  std::printf("%s: %zu words, index %s in %.0f ms; depth %d%s\n", args.words.string().c_str(),
              lexicon.words.size(), args.no_index ? "built" : "mapped", build_ms, args.depth,
              args.phonetic ? ", phonetic" : "");
  char diagnostics[1024];
  if (KelmGetSpellingDiagnostics(diagnostics, sizeof diagnostics) > 0)
    std::printf("%s", diagnostics);
  std::printf("%-36s %6s %7s %7s %7s %9s %9s\n", "list", "pairs", "top-1", "top-5", "top-10",
              "median", "p99");

  std::vector<fs::path> lists;
  for (const auto& file : fs::directory_iterator(data)) {
    const auto ext = file.path().extension();
    if ((ext == ".txt" || ext == ".tab") &&
        file.path().filename().string().find(args.list) != std::string::npos)
      lists.push_back(file.path());
  }
  std::sort(lists.begin(), lists.end());
  std::ofstream dump;
  if (!args.dump.empty()) {
    dump.open(args.dump, std::ios::binary);
    if (!dump) {
      std::fprintf(stderr, "cannot write %s\n", args.dump.string().c_str());
      return 1;
    }
  }
  for (const fs::path& list : lists) {
    measure m;
    int misses_shown = 0;
    for (const pair_case& p : read_pairs(list)) {
      const std::string correct = cp1252_of(p.correct);
      const std::string misspelled = cp1252_of(p.misspelled);
      if (!engine_accepts(session, correct)) continue;
      const auto start = std::chrono::steady_clock::now();
      const SSCE_S16 count =
          SSCE_Suggest(session, misspelled.c_str(), static_cast<SSCE_S16>(args.depth), buffer,
                       buffer_size, scores, wanted);
      m.micros.push_back(
          std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
              .count());
      ++m.counted;
      std::vector<std::string_view> found;
      for (const char* at = buffer; static_cast<int>(found.size()) < count;
           at += found.back().size() + 1)
        found.emplace_back(at);
      if (dump.is_open()) {
        dump << list.filename().string() << '\t' << misspelled;
        for (std::size_t k = 0; k < found.size(); ++k) dump << '\t' << found[k] << '/' << scores[k];
        dump << '\n';
      }
      const std::string want = folded(correct);
      std::size_t rank = 0;
      while (rank < found.size() && folded(found[rank]) != want) ++rank;
      m.top1 += rank < 1;
      m.top5 += rank < 5;
      m.top10 += rank < 10;
      if (rank > 0 && misses_shown < args.show_misses) {
        ++misses_shown;
        std::printf("  %s -> %s (rank %s):", p.misspelled.c_str(), p.correct.c_str(),
                    rank < found.size() ? std::to_string(rank + 1).c_str() : "-");
        for (std::size_t k = 0; k < found.size() && k < 5; ++k)
          std::printf(" %s/%d", utf8_of(found[k]).c_str(), scores[k]);
        std::printf("\n");
      }
    }
    const double n = std::max(m.counted, 1);
    std::printf("%-36s %6d %6.1f%% %6.1f%% %6.1f%% %7.1fus %7.1fus\n",
                list.filename().string().c_str(), m.counted, 100.0 * m.top1 / n, 100.0 * m.top5 / n,
                100.0 * m.top10 / n, percentile(m.micros, 0.5), percentile(m.micros, 0.99));
  }
  SSCE_CloseSession(session);
  return 0;
}
