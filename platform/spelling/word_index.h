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

struct case_tables {
  unsigned char lower[256];
  unsigned char upper[256];
  bool is_lower[256];
  bool is_upper[256];
};
const case_tables& letter_case();

inline unsigned char fold(char c) { return letter_case().lower[static_cast<unsigned char>(c)]; }
inline char to_upper(char c) {
  return static_cast<char>(letter_case().upper[static_cast<unsigned char>(c)]);
}
inline bool is_upper(char c) { return letter_case().is_upper[static_cast<unsigned char>(c)]; }
inline bool is_lower(char c) { return letter_case().is_lower[static_cast<unsigned char>(c)]; }

// The hash of the word's case-folded spelling.
std::uint64_t folded_hash(std::string_view word);
bool equal_folded(std::string_view a, std::string_view b);

class word_index {
 public:
  void build(const std::vector<std::string_view>& words);

  // Calls visit(id) for every word whose folded hash is `hash`, until visit
  // returns true; the caller checks the spelling itself.
  template <typename Visit>
  void find(std::uint64_t hash, Visit visit) const {
    if (m_slots.empty()) return;
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
      const slot& s = m_slots[i];
      if (s.id_plus_one == 0) return;
      if (s.tag == tag && visit(s.id_plus_one - 1)) return;
    }
  }

 private:
  struct slot {
    std::uint32_t id_plus_one;  // 0: empty
    std::uint32_t tag;
  };
  std::vector<slot> m_slots;
  std::size_t m_mask = 0;
};

}  // namespace spelling
