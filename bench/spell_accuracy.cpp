// How often the spelling engine's suggestions hold the word that was meant,
// over the public misspelling lists in the shared data folder, and how long
// each suggestion takes.
//
//   spell_accuracy [--words FILE] [--levels DIR] [--depth N] [--list NAME]
//                  [--show-misses N] [--phonetic]
//
// For each list: top-1, top-5 and top-10 accuracy over the pairs whose
// correct word the lexicon accepts, and the median and 99th-percentile time
// of one suggestion.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/spelling/suggester.h"
#include "tools/kelm/text_encoding.h"

namespace {

namespace fs = std::filesystem;

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
    std::string word = kelm_cli::to_cp1252(line);
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
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7))
      c = static_cast<char>(u + 32);
  }
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

struct arguments {
  fs::path words = "/usr/share/dict/american-english-large";
  fs::path levels = "/usr/share/dict/scowl";
  int depth = 50;
  std::string list;
  int show_misses = 0;
  bool phonetic = false;
};

bool parse(int argc, char** argv, arguments& args) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view flag = argv[i];
    if (flag == "--phonetic") {
      args.phonetic = true;
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
    else
      return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  arguments args;
  if (!parse(argc, argv, args)) {
    std::fprintf(stderr,
                 "usage: spell_accuracy [--words FILE] [--levels DIR] [--depth N] [--list NAME] "
                 "[--show-misses N] [--phonetic]\n");
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
  std::vector<spelling::dictionary_word> words;
  std::unordered_set<std::string> accepted;
  for (std::size_t i = 0; i < lexicon.words.size(); ++i) {
    words.push_back({lexicon.words[i], lexicon.levels[i]});
    accepted.insert(folded(lexicon.words[i]));
  }
  const auto build_start = std::chrono::steady_clock::now();
  const spelling::suggester suggester(std::move(words));
  const double build_ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - build_start)
          .count();
  std::printf("%s: %zu words, index built in %.0f ms; depth %d%s\n", args.words.string().c_str(),
              lexicon.words.size(), build_ms, args.depth, args.phonetic ? ", phonetic" : "");
  std::printf("%-36s %6s %7s %7s %7s %9s %9s\n", "list", "pairs", "top-1", "top-5", "top-10",
              "median", "p99");

  spelling::suggest_options options;
  options.depth = args.depth;
  options.phonetic = args.phonetic;
  const auto accept_all = [](std::string_view) { return true; };
  std::vector<fs::path> lists;
  for (const auto& file : fs::directory_iterator(data)) {
    const auto ext = file.path().extension();
    if ((ext == ".txt" || ext == ".tab") &&
        file.path().filename().string().find(args.list) != std::string::npos)
      lists.push_back(file.path());
  }
  std::sort(lists.begin(), lists.end());
  for (const fs::path& list : lists) {
    measure m;
    int misses_shown = 0;
    for (const pair_case& p : read_pairs(list)) {
      const std::string want = folded(p.correct);
      bool known = true;
      std::istringstream parts(want);
      for (std::string part; parts >> part;) known = known && accepted.count(part) != 0;
      if (!known) continue;
      const auto start = std::chrono::steady_clock::now();
      const auto found = suggester.suggest(p.misspelled, options, 10, accept_all);
      m.micros.push_back(
          std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
              .count());
      ++m.counted;
      std::size_t rank = 0;
      while (rank < found.size() && folded(found[rank].word) != want) ++rank;
      m.top1 += rank < 1;
      m.top5 += rank < 5;
      m.top10 += rank < 10;
      if (rank > 0 && misses_shown < args.show_misses) {
        ++misses_shown;
        std::printf("  %s -> %s (rank %s):", p.misspelled.c_str(), p.correct.c_str(),
                    rank < found.size() ? std::to_string(rank + 1).c_str() : "-");
        for (std::size_t k = 0; k < found.size() && k < 5; ++k)
          std::printf(" %s/%d", kelm_cli::to_utf8(found[k].word).c_str(), found[k].score);
        std::printf("\n");
      }
    }
    const double n = std::max(m.counted, 1);
    std::printf("%-36s %6d %6.1f%% %6.1f%% %6.1f%% %7.1fus %7.1fus\n",
                list.filename().string().c_str(), m.counted, 100.0 * m.top1 / n, 100.0 * m.top5 / n,
                100.0 * m.top10 / n, percentile(m.micros, 0.5), percentile(m.micros, 0.99));
  }
  return 0;
}
