// Candidate search and ranking for misspelled words over one fixed list of
// dictionary words: edit distance 1 and 2 (insertion, deletion, substitution,
// transposition), keyboard-adjacency weighting, sound-alike matches and split
// words, ranked with each word's commonness level. Internal to the engine:
// the engine keeps one suggester per compressed word list (shared by every
// session of the process) and one for the words of a session's text lexicons,
// and merges their candidates by score.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace spelling {

struct dictionary_word {
  std::string_view text;  // Windows-1252, as the lexicon spells it
  std::uint8_t level;     // SCOWL size: 10 very common ... 95 rare
};

struct suggest_options {
  int depth = 50;  // 0 to 100: how far the search reaches
  bool typographical = true;
  bool phonetic = false;
  bool split_words = true;
};

struct candidate {
  std::string word;  // the dictionary's spelling
  int score;         // 1 to 32767, higher is better
};

class suggester {
 public:
  // The words' text must outlive the suggester.
  explicit suggester(std::vector<dictionary_word> words);
  ~suggester();
  suggester(const suggester&) = delete;
  suggester& operator=(const suggester&) = delete;

  // At most `limit` candidates, best first. Letters compare without regard
  // to case. `acceptable` is asked about every candidate before it is
  // offered (an excluded word, say, is not); split words are offered as
  // "a lot" when both halves are acceptable.
  std::vector<candidate> suggest(std::string_view word, const suggest_options& options,
                                 std::size_t limit,
                                 const std::function<bool(std::string_view)>& acceptable) const;

 private:
  struct index;
  std::unique_ptr<index> m_index;
};

}  // namespace spelling
