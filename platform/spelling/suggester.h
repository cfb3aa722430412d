// Candidate search and ranking for misspelled words over one fixed list of
// dictionary words: edit distance 1 and 2 (insertion, deletion, substitution,
// transposition), keyboard-adjacency weighting, sound-alike matches and split
// words, ranked with each word's commonness level. Internal to the engine:
// the engine keeps one suggester per compressed word list (shared by every
// session of the process) and one for the words of a session's text lexicons,
// and merges their candidates by score.
//
// The index behind the search can be compiled once into a file of its own
// (compile) and used from there without building it (over), which is how a
// compressed word list's index is shipped beside it.
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

// What ties a compiled index to the one lexicon file it was made from: that
// file's own checksum and size. An index made in memory is tied to nothing.
struct index_owner {
  std::uint64_t checksum = 0;
  std::uint64_t size = 0;
};

struct candidate {
  std::string word;  // the dictionary's spelling
  int score;         // 1 to 32767, higher is better
};

class suggester {
 public:
  // Builds the index in memory; the words are copied into it.
  explicit suggester(std::vector<dictionary_word> words);
  // The index over these words as the bytes of an index file, tied to
  // `owner`: the same words give the same bytes and the same suggestions.
  static std::string compile(std::vector<dictionary_word> words, const index_owner& owner);
  // Sets the checksum of an index image to match its bytes: for a fuzzer or
  // a test that changes an image on purpose and wants it past the checksum.
  static void seal(std::string& image);
  // The suggester over a compiled index, which `keep` holds for as long as
  // the suggester lives; or null, with the reason in `refusal`, when the
  // image is not an index of this version, its sizes or checksum are wrong,
  // or it was made for another lexicon than `owner`. Every byte is read once
  // to check it; `checked(from, to)` hears of each stretch read, so that a
  // mapping can let those pages go. A damaged image that still passes never
  // leads a search outside it.
  static std::unique_ptr<suggester> over(
      std::string_view image, std::shared_ptr<const void> keep, const index_owner& owner,
      std::string& refusal, const std::function<void(std::size_t, std::size_t)>& checked = {});
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
  explicit suggester(std::unique_ptr<index> built);
  std::unique_ptr<index> m_index;
};

}  // namespace spelling
