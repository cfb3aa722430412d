#include "platform/spelling/word_index.h"

namespace spelling {

void word_index::reset(std::size_t count) {
  std::size_t size = 16;
  while (size < count * 2) size *= 2;
  m_slots.assign(size, slot{0, 0});
  m_mask = size - 1;
}

void word_index::insert(std::uint64_t hash, std::uint32_t key) {
  std::size_t i = hash & m_mask;
  while (m_slots[i].tag != 0) i = (i + 1) & m_mask;
  m_slots[i] = slot{static_cast<std::uint32_t>(hash >> 32) | 1, key};
}

}  // namespace spelling
