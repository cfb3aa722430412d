#include "dictionary/steno_dictionary.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace {

constexpr std::size_t stroke_bytes = CStroke::PackedSize;
constexpr std::size_t max_keys_length = 0xFFFF;
constexpr std::size_t max_arena = 0xFFFFFFFFu;

std::uint32_t hash_keys(std::span<const BYTE> keys) {
  std::uint32_t hash = 2166136261u;
  for (BYTE b : keys) hash = (hash ^ b) * 16777619u;
  // FNV leaves its low bits, the ones a slot index takes, poorly mixed.
  hash ^= hash >> 15;
  hash *= 0x2c1b3c6dU;
  return hash ^ (hash >> 12);
}

std::string keys_of(const CSteno& outline) {
  std::string keys;
  keys.reserve(stroke_bytes * static_cast<std::size_t>(outline.GetStrokeCount()));
  for (int i = 0; i < outline.GetStrokeCount(); ++i) {
    const BYTE* b = outline[i].GetKeyBytes();
    keys.append(reinterpret_cast<const char*>(b), stroke_bytes);
  }
  return keys;
}

// Three quarters full at most: the hash stands beside each entry in its
// slot, so a probe past another outline costs a compare in the same cache
// line, and the table is half the memory a half-full one would take.
bool too_full(std::size_t entries, std::size_t slots) { return 4 * entries > 3 * slots; }

std::span<const BYTE> as_bytes(std::string_view text) {
  return {reinterpret_cast<const BYTE*>(text.data()), text.size()};
}

// The record of an entry's extras: their count, then for each its position
// and length and its bytes, the numbers as 32-bit words in the machine's own
// order (the record never leaves memory).
void put_word(std::string& record, std::uint32_t value) {
  record.append(reinterpret_cast<const char*>(&value), sizeof value);
}

std::uint32_t get_word(std::string_view record, std::size_t& at) {
  std::uint32_t value = 0;
  std::memcpy(&value, record.data() + at, sizeof value);
  at += sizeof value;
  return value;
}

// \uN at the end of `rtf`, N the signed decimal RTF writes, not itself an
// escaped backslash: its UTF-16 unit, and where it starts.
std::optional<std::pair<char16_t, std::size_t>> trailing_unit(std::string_view rtf) {
  std::size_t start = rtf.size();
  while (start > 0 && rtf[start - 1] >= '0' && rtf[start - 1] <= '9') --start;
  const std::size_t digits = rtf.size() - start;
  if (digits == 0 || digits > 5) return std::nullopt;
  const bool negative = start > 0 && rtf[start - 1] == '-';
  if (negative) --start;
  if (start < 2 || rtf.substr(start - 2, 2) != "\\u") return std::nullopt;
  const std::size_t backslash = start - 2;
  std::size_t run = 1;
  while (run <= backslash && rtf[backslash - run] == '\\') ++run;
  if (run % 2 == 0) return std::nullopt;
  long n = 0;
  for (std::size_t i = rtf.size() - digits; i < rtf.size(); ++i) n = n * 10 + (rtf[i] - '0');
  if (negative) n = -n;
  if (n < -32768 || n > 65535) return std::nullopt;
  return std::pair{static_cast<char16_t>(n), backslash};
}

// The character the \u escapes at the end of an extra give, which the text
// holds a stand-in for just after it: one unit, or a surrogate pair written
// \uH?\uL (the reader writes them so). The extras of one place are one
// piece of RTF, and the character's escapes come last, as the stand-in
// follows them at once.
std::optional<char32_t> trailing_character(std::string_view rtf) {
  const auto last = trailing_unit(rtf);
  if (!last) return std::nullopt;
  const char16_t low = last->first;
  if (low < 0xD800 || low > 0xDFFF) return low;
  if (low < 0xDC00 || last->second == 0 || rtf[last->second - 1] != '?') return std::nullopt;
  const auto high = trailing_unit(rtf.substr(0, last->second - 1));
  if (!high || high->first < 0xD800 || high->first > 0xDBFF) return std::nullopt;
  return 0x10000 + ((char32_t{high->first} - 0xD800) << 10) + (low - 0xDC00);
}

}  // namespace

std::span<const BYTE> CStenoDictionary::KeysOf(const Entry& entry) const {
  return as_bytes(std::string_view(m_keys).substr(entry.keys_offset, entry.keys_length));
}

std::size_t CStenoDictionary::FindSlot(std::span<const BYTE> keys, std::uint32_t hash) const {
  const std::size_t mask = m_slots.size() - 1;
  for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const Slot& held = m_slots[slot];
    if (held.entry == 0) return slot;
    if (held.hash == hash && std::ranges::equal(KeysOf(m_entries[held.entry - 1]), keys))
      return slot;
  }
}

void CStenoDictionary::Grow() {
  m_slots.assign(std::max<std::size_t>(1024, m_slots.size() * 2), Slot{0, 0});
  const std::size_t mask = m_slots.size() - 1;
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    std::size_t slot = m_entries[i].hash & mask;
    while (m_slots[slot].entry != 0) slot = (slot + 1) & mask;
    m_slots[slot] = {m_entries[i].hash, static_cast<std::uint32_t>(i + 1)};
  }
}

void CStenoDictionary::CheckRoom(std::span<const BYTE> keys, std::string_view text,
                                 std::span<const Extra> extras) const {
  std::size_t extra_bytes = 0;
  for (const Extra& extra : extras) extra_bytes += extra.rtf.size() + 2 * sizeof(std::uint32_t);
  if (keys.size() > max_keys_length || m_keys.size() + keys.size() > max_arena ||
      m_text.size() + text.size() > max_arena || extra_bytes > max_arena ||
      m_extras.size() + extra_bytes + sizeof(std::uint32_t) >= max_arena)
    throw std::length_error("steno dictionary too large");
}

std::uint32_t CStenoDictionary::StoreExtras(std::string_view text, std::span<const Extra> extras) {
  if (extras.empty()) return 0;
  // Stable, so that extras at one place keep their order; at one place they
  // are one piece of RTF, as they will be written and read back.
  std::vector<Extra> sorted(extras.begin(), extras.end());
  for (Extra& extra : sorted) extra.position = std::min(extra.position, text.size());
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const Extra& a, const Extra& b) { return a.position < b.position; });
  std::vector<std::string> joined;
  std::vector<std::size_t> positions;
  for (const Extra& extra : sorted) {
    if (extra.rtf.empty()) continue;
    if (positions.empty() || positions.back() != extra.position) {
      positions.push_back(extra.position);
      joined.emplace_back();
    } else if (extra.rtf.front() != '\\' && extra.rtf.front() != '{' && extra.rtf.front() != '}') {
      // What begins as text would run on from the RTF before it.
      joined.back() += "{}";
    }
    joined.back() += extra.rtf;
  }
  if (joined.empty()) return 0;
  const auto start = static_cast<std::uint32_t>(m_extras.size());
  put_word(m_extras, static_cast<std::uint32_t>(joined.size()));
  for (std::size_t i = 0; i < joined.size(); ++i) {
    put_word(m_extras, static_cast<std::uint32_t>(positions[i]));
    put_word(m_extras, static_cast<std::uint32_t>(joined[i].size()));
    m_extras.append(joined[i]);
  }
  return start + 1;
}

std::vector<CStenoDictionary::Extra> CStenoDictionary::GetExtras(std::size_t index) const {
  std::vector<Extra> extras;
  const std::uint32_t record = m_entries[index].extras;
  if (record == 0) return extras;
  const std::string_view arena(m_extras);
  std::size_t at = record - 1;
  extras.resize(get_word(arena, at));
  for (Extra& extra : extras) {
    extra.position = get_word(arena, at);
    const std::uint32_t length = get_word(arena, at);
    extra.rtf = arena.substr(at, length);
    at += length;
  }
  return extras;
}

bool CStenoDictionary::Set(std::span<const BYTE> keys, std::string_view text, CTranFlags flags,
                           std::span<const Extra> extras) {
  CheckRoom(keys, text, extras);
  if (m_indexed != m_entries.size()) IndexAppended();
  if (too_full(m_entries.size() + 1, m_slots.size())) Grow();
  const std::uint32_t hash = hash_keys(keys);
  const std::size_t slot = FindSlot(keys, hash);
  Entry* entry = m_slots[slot].entry ? &m_entries[m_slots[slot].entry - 1] : nullptr;
  const bool replaced = entry != nullptr;
  if (!entry) {
    m_entries.push_back({static_cast<std::uint32_t>(m_keys.size()), 0, 0, hash,
                         static_cast<std::uint16_t>(keys.size()), 0, 0});
    m_keys.append(reinterpret_cast<const char*>(keys.data()), keys.size());
    m_slots[slot] = {hash, static_cast<std::uint32_t>(m_entries.size())};
    entry = &m_entries.back();
  }
  // A replacement that fits reuses the old text's place.
  if (!replaced || text.size() > entry->text_length) {
    entry->text_offset = static_cast<std::uint32_t>(m_text.size());
    m_text.append(text);
  } else {
    m_text.replace(entry->text_offset, text.size(), text);
  }
  entry->text_length = static_cast<std::uint32_t>(text.size());
  entry->flags = flags.GetUShort();
  // The replaced entry's record stays in the arena, as its text may: a Set
  // that replaces is rare beside a load.
  entry->extras = StoreExtras(text, extras);
  m_indexed = m_entries.size();
  return replaced;
}

void CStenoDictionary::Reserve(std::size_t entries, std::size_t key_bytes, std::size_t text_bytes) {
  m_entries.reserve(m_entries.size() + entries);
  m_keys.reserve(m_keys.size() + key_bytes);
  m_text.reserve(m_text.size() + text_bytes);
}

void CStenoDictionary::Append(std::span<const BYTE> keys, std::string_view text, CTranFlags flags,
                              std::span<const Extra> extras) {
  // An entry costs these bytes besides its outline and text; extras cost
  // nothing to the many entries without them.
  static_assert(sizeof(Entry) == 24);
  // Most entries have no extras and sizes far from any bound: they are
  // checked without the full count.
  constexpr std::size_t far = max_arena / 2;
  if (!extras.empty() || keys.size() > max_keys_length || m_keys.size() > far ||
      m_text.size() > far || text.size() > far || m_extras.size() > far)
    CheckRoom(keys, text, extras);
  m_entries.push_back({static_cast<std::uint32_t>(m_keys.size()),
                       static_cast<std::uint32_t>(m_text.size()),
                       static_cast<std::uint32_t>(text.size()), hash_keys(keys),
                       static_cast<std::uint16_t>(keys.size()), flags.GetUShort(),
                       extras.empty() ? 0 : StoreExtras(text, extras)});
  m_keys.append(reinterpret_cast<const char*>(keys.data()), keys.size());
  m_text.append(text);
}

std::size_t CStenoDictionary::IndexAppended() {
  const std::size_t count = m_entries.size();
  std::size_t size = std::max<std::size_t>(1024, m_slots.size());
  while (too_full(count, size)) size *= 2;
  std::size_t first = m_indexed;
  if (size != m_slots.size()) {
    m_slots.assign(size, Slot{0, 0});
    first = 0;
  }
  std::vector<std::uint32_t> dead = IndexFrom(first);
  if (!dead.empty()) DropDead(dead);
  m_indexed = m_entries.size();
  return count - m_entries.size();
}

std::vector<std::uint32_t> CStenoDictionary::IndexFrom(std::size_t first) {
  // Slots are touched in no order; asking for a slot some entries ahead lets
  // the misses overlap instead of waiting for each in turn.
  constexpr std::size_t ahead = 16;
  const std::size_t mask = m_slots.size() - 1;
  const std::size_t count = m_entries.size();
  std::vector<std::uint32_t> dead;
  for (std::size_t i = first; i < count; ++i) {
    if (i + ahead < count) __builtin_prefetch(&m_slots[m_entries[i + ahead].hash & mask]);
    const Entry& entry = m_entries[i];
    const std::size_t slot = FindSlot(KeysOf(entry), entry.hash);
    if (m_slots[slot].entry == 0) {
      m_slots[slot] = {entry.hash, static_cast<std::uint32_t>(i + 1)};
      continue;
    }
    Entry& held = m_entries[m_slots[slot].entry - 1];
    held.text_offset = entry.text_offset;
    held.text_length = entry.text_length;
    held.flags = entry.flags;
    held.extras = entry.extras;
    dead.push_back(static_cast<std::uint32_t>(i));
  }
  return dead;
}

// The dead entries' outline and text bytes stay in the arenas: duplicates
// are few, and moving the arenas would cost more than they hold.
void CStenoDictionary::DropDead(const std::vector<std::uint32_t>& dead) {
  const std::size_t first = dead.front();
  // The new index of each entry from the first dead one on; a dead one's is
  // that of the next entry that lives, so that an invalid entry that stood
  // before it now stands before that one, found in one step however many
  // die in a row.
  std::vector<std::uint32_t> moved(m_entries.size() - first);
  std::size_t kept = first;
  for (std::size_t i = first, d = 0; i < m_entries.size(); ++i) {
    moved[i - first] = static_cast<std::uint32_t>(kept);
    if (d < dead.size() && dead[d] == i) {
      ++d;
      continue;
    }
    m_entries[kept++] = m_entries[i];
  }
  m_entries.resize(kept);
  for (Slot& slot : m_slots)
    if (slot.entry > first) slot.entry = moved[slot.entry - 1 - first] + 1;
  for (InvalidOutline& invalid : m_invalid)
    if (invalid.before > first)
      invalid.before = invalid.before - first < moved.size() ? moved[invalid.before - first] : kept;
}

std::optional<CStenoDictionary::Translation> CStenoDictionary::Lookup(
    std::span<const BYTE> keys) const {
  if (m_slots.empty()) return std::nullopt;
  const Slot& held = m_slots[FindSlot(keys, hash_keys(keys))];
  if (held.entry == 0) return std::nullopt;
  return GetTranslation(held.entry - 1);
}

std::optional<CStenoDictionary::Translation> CStenoDictionary::Lookup(const CSteno& outline) const {
  return Lookup(as_bytes(keys_of(outline)));
}

CSteno CStenoDictionary::GetOutline(std::size_t index) const {
  const std::span<const BYTE> keys = KeysOf(m_entries[index]);
  CSteno outline;
  for (std::size_t i = 0; i < keys.size(); i += stroke_bytes) outline.Append(CStroke(&keys[i]));
  return outline;
}

CStenoDictionary::Translation CStenoDictionary::GetTranslation(std::size_t index) const {
  const Entry& entry = m_entries[index];
  return {std::string_view(m_text).substr(entry.text_offset, entry.text_length),
          CTranFlags(entry.flags), index, entry.extras != 0};
}

std::vector<CStenoDictionary::Character> CStenoDictionary::GetCharacters(std::size_t index) const {
  std::vector<Character> characters;
  const std::size_t length = m_entries[index].text_length;
  for (const Extra& extra : GetExtras(index))
    if (const std::optional<char32_t> c = trailing_character(extra.rtf);
        c && extra.position < length)
      characters.push_back({extra.position, *c});
  return characters;
}
