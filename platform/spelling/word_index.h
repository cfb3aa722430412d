// Windows-1252 letter case and a hash index that finds a lexicon's words by
// their case-folded spelling, so that one probe answers both "is this spelling
// here" and "is it here in another case". Internal to the spelling engine.
//
// The index only holds word ids; the caller keeps the words and compares them,
// so the index never reads text that may have moved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace spelling {

// The longest word a lexicon holds or a check looks up.
inline constexpr std::size_t max_word_length = 63;

// Control characters (the tab and line breaks among them) would break a text
// lexicon's lines; no word needs them, so no lexicon of either kind holds them.
inline bool is_storable_char(char c) { return static_cast<unsigned char>(c) >= 0x20 && c != 0x7F; }
inline bool is_storable_word(std::string_view word) {
  if (word.empty() || word.size() > max_word_length) return false;
  for (char c : word)
    if (!is_storable_char(c)) return false;
  return true;
}

struct case_tables {
  unsigned char lower[256];
  unsigned char upper[256];
  bool is_lower[256];
  bool is_upper[256];
};

// Windows-1252: ASCII, the Latin-1 letters (less the multiplication and
// division signs), and the pairs that the code page adds in 0x80-0x9F.
constexpr case_tables make_case_tables() {
  case_tables t{};
  for (int c = 0; c < 256; ++c) t.lower[c] = t.upper[c] = static_cast<unsigned char>(c);
  const auto pair = [&t](int upper, int lower) {
    t.lower[upper] = static_cast<unsigned char>(lower);
    t.upper[lower] = static_cast<unsigned char>(upper);
    t.is_upper[upper] = true;
    t.is_lower[lower] = true;
  };
  for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
  for (int c = 0xC0; c <= 0xDE; ++c)
    if (c != 0xD7) pair(c, c + 32);
  pair(0x8A, 0x9A);         // Š š
  pair(0x8C, 0x9C);         // Œ œ
  pair(0x8E, 0x9E);         // Ž ž
  pair(0x9F, 0xFF);         // Ÿ ÿ
  t.is_lower[0xDF] = true;  // ß has no capital in the code page
  t.is_lower[0x83] = true;  // ƒ
  return t;
}

inline constexpr case_tables letter_case = make_case_tables();

inline unsigned char fold(char c) { return letter_case.lower[static_cast<unsigned char>(c)]; }
inline char to_upper(char c) {
  return static_cast<char>(letter_case.upper[static_cast<unsigned char>(c)]);
}
inline bool is_upper(char c) { return letter_case.is_upper[static_cast<unsigned char>(c)]; }
inline bool is_lower(char c) { return letter_case.is_lower[static_cast<unsigned char>(c)]; }

inline constexpr std::uint64_t fnv_offset = 0xcbf29ce484222325ULL;
inline constexpr std::uint64_t fnv_prime = 0x100000001b3ULL;
inline std::uint64_t fold_into_hash(std::uint64_t h, char c) { return (h ^ fold(c)) * fnv_prime; }
inline std::uint64_t finish_hash(std::uint64_t h) { return h ^ (h >> 31); }

// The hash of the word's case-folded spelling.
inline std::uint64_t folded_hash(std::string_view word) {
  std::uint64_t h = fnv_offset;
  for (char c : word) h = fold_into_hash(h, c);
  return finish_hash(h);
}

inline bool equal_folded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (fold(a[i]) != fold(b[i])) return false;
  return true;
}

class word_index {
 public:
  // Empties the index and makes room for `count` keys.
  void reset(std::size_t count);
  // Files a caller's key (a word number, an offset) under the folded hash.
  void insert(std::uint64_t hash, std::uint32_t key);

  // Calls visit(key) for every key filed under `hash`'s slot and tag, until
  // visit returns true; the caller checks the spelling itself.
  template <typename Visit>
  void find(std::uint64_t hash, Visit visit) const {
    if (m_slots.empty()) return;
    const auto tag = static_cast<std::uint32_t>(hash >> 32) | 1;
    for (std::size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
      const slot& s = m_slots[i];
      if (s.tag == 0) return;
      if (s.tag == tag && visit(s.key)) return;
    }
  }

 private:
  struct slot {
    std::uint32_t tag;  // 0: empty; a filed tag always has its low bit set
    std::uint32_t key;
  };
  std::vector<slot> m_slots;
  std::size_t m_mask = 0;
};

}  // namespace spelling
