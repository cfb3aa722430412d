#include "platform/spelling/word_index.h"

namespace spelling {

namespace {

constexpr std::uint64_t fnv_offset = 0xcbf29ce484222325ULL;
constexpr std::uint64_t fnv_prime = 0x100000001b3ULL;

// Windows-1252: ASCII, the Latin-1 letters (less the multiplication and
// division signs), and the pairs that the code page adds in 0x80-0x9F.
case_tables make_tables() {
  case_tables t{};
  for (int c = 0; c < 256; ++c) t.lower[c] = t.upper[c] = static_cast<unsigned char>(c);
  auto pair = [&t](int upper, int lower) {
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

}  // namespace

const case_tables& letter_case() {
  static const case_tables tables = make_tables();
  return tables;
}

std::uint64_t folded_hash(std::string_view word) {
  const case_tables& t = letter_case();
  std::uint64_t h = fnv_offset;
  for (char c : word) h = (h ^ t.lower[static_cast<unsigned char>(c)]) * fnv_prime;
  return h ^ (h >> 31);
}

bool equal_folded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const case_tables& t = letter_case();
  for (std::size_t i = 0; i < a.size(); ++i)
    if (t.lower[static_cast<unsigned char>(a[i])] != t.lower[static_cast<unsigned char>(b[i])])
      return false;
  return true;
}

void word_index::build(const std::vector<std::string_view>& words) {
  std::size_t size = 16;
  while (size < words.size() * 2) size *= 2;
  m_slots.assign(size, slot{0, 0});
  m_mask = size - 1;
  for (std::size_t id = 0; id < words.size(); ++id) {
    const std::uint64_t h = folded_hash(words[id]);
    std::size_t i = h & m_mask;
    while (m_slots[i].id_plus_one != 0) i = (i + 1) & m_mask;
    m_slots[i] = slot{static_cast<std::uint32_t>(id + 1), static_cast<std::uint32_t>(h >> 32)};
  }
}

}  // namespace spelling
