#include "platform/spelling/compressed_lexicon.h"

#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/spelling/engine_diagnostics.h"
#include "platform/spelling/lexicon_file.h"
#include "platform/spelling/ssce.h"

namespace spelling {

namespace {

constexpr char magic[8] = {'K', 'C', 'L', 'X', '\r', '\n', '\x1a', '\n'};
constexpr std::uint32_t format_version = 1;
constexpr std::size_t header_size = 48;
constexpr std::size_t checksum_offset = 40;
// Every record holds its two counts, at least one byte of its own (the words
// strictly ascend) and its level.
constexpr std::size_t min_record_size = 4;

std::uint64_t load_le(const unsigned char* p, int bytes) {
  std::uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

void store_le(std::string& out, std::size_t at, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Eight bytes a step through a bijective mix: any change confined to one
// eight-byte block always changes the result.
std::uint64_t mix_in(std::uint64_t h, std::uint64_t block) {
  h = (h ^ block) * 0x9E3779B97F4A7C15ULL;
  return h ^ (h >> 29);
}

std::uint64_t checksum(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::uint64_t h = 0x243F6A8885A308D3ULL ^ bytes.size();
  std::size_t i = 0;
  for (; i + 8 <= checksum_offset; i += 8) h = mix_in(h, load_le(p + i, 8));
  for (i = header_size; i + 8 <= bytes.size(); i += 8) h = mix_in(h, load_le(p + i, 8));
  if (i < bytes.size()) h = mix_in(h, load_le(p + i, static_cast<int>(bytes.size() - i)));
  return h;
}

std::mutex cache_mutex;
struct cache_entry {
  file_identity identity;
  std::shared_ptr<const compressed_lexicon> lexicon;
};
// Keyed by canonical path. Loaded lists stay until the process ends, since
// checkers come and go often and each would otherwise load the list again.
std::map<std::string, cache_entry>& cache() {
  static std::map<std::string, cache_entry> entries;
  return entries;
}

}  // namespace

struct compressed_lexicon::lazy_suggester {
  std::once_flag once;
  std::unique_ptr<suggester> built;
};

compressed_lexicon::compressed_lexicon() : m_suggester(std::make_unique<lazy_suggester>()) {}
compressed_lexicon::~compressed_lexicon() = default;

int compressed_lexicon::decode(std::string_view bytes,
                               std::shared_ptr<compressed_lexicon>& lexicon) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  if (bytes.size() < header_size || std::memcmp(p, magic, sizeof magic) != 0 ||
      load_le(p + 8, 4) != format_version || load_le(p + 12, 4) != header_size ||
      load_le(p + 32, 8) != bytes.size() - header_size ||
      load_le(p + checksum_offset, 8) != checksum(bytes))
    return SSCE_DAMAGED_LEXICON_ERR;
  const std::size_t count = load_le(p + 16, 4);
  const std::size_t text_bytes = load_le(p + 20, 4);
  const std::size_t body = bytes.size() - header_size;
  if (count > body / min_record_size || text_bytes > count * max_word_length)
    return SSCE_DAMAGED_LEXICON_ERR;

  std::shared_ptr<compressed_lexicon> loaded(new compressed_lexicon());
  loaded->m_language = static_cast<std::uint16_t>(load_le(p + 24, 2));
  loaded->m_owner = index_owner{load_le(p + checksum_offset, 8), bytes.size()};
  // Reserved once, so that the views taken below never move; words are
  // found by 32-bit offsets into it.
  const std::size_t arena = text_bytes + 2 * count;
  if (arena > UINT32_MAX) return SSCE_DAMAGED_LEXICON_ERR;
  loaded->m_text.reserve(arena);
  loaded->m_starts.reserve(count);
  loaded->m_levels.reserve(count);
  std::size_t at = header_size;
  std::string_view previous;
  for (std::size_t n = 0; n < count; ++n) {
    if (bytes.size() - at < min_record_size) return SSCE_DAMAGED_LEXICON_ERR;
    const std::size_t shared = p[at];
    const std::size_t own = p[at + 1];
    at += 2;
    if (shared > previous.size() || own == 0 || shared + own > max_word_length ||
        bytes.size() - at < own + 1 || loaded->m_text.size() + shared + own + 2 > arena)
      return SSCE_DAMAGED_LEXICON_ERR;
    loaded->m_text.push_back(static_cast<char>(shared + own));
    const std::size_t start = loaded->m_text.size();
    loaded->m_text.append(previous.substr(0, shared));
    for (std::size_t i = 0; i < own; ++i)
      if (!is_storable_char(bytes[at + i])) return SSCE_DAMAGED_LEXICON_ERR;
    loaded->m_text.append(bytes.substr(at, own));
    at += own;
    const std::string_view word(loaded->m_text.data() + start, shared + own);
    if (n > 0 && !(previous < word)) return SSCE_DAMAGED_LEXICON_ERR;
    loaded->m_text.push_back('\0');
    loaded->m_starts.push_back(static_cast<std::uint32_t>(start));
    loaded->m_levels.push_back(p[at++]);
    previous = word;
  }
  if (at != bytes.size() || loaded->m_text.size() != arena) return SSCE_DAMAGED_LEXICON_ERR;
  loaded->m_index.reset(count);
  for (std::size_t i = 0; i < count; ++i)
    loaded->m_index.insert(folded_hash(loaded->word(i)), loaded->m_starts[i]);
  lexicon = std::move(loaded);
  return 0;
}

std::string compressed_lexicon::encode(std::vector<std::pair<std::string, std::uint8_t>> words,
                                       std::uint16_t language) {
  std::sort(words.begin(), words.end());
  // Sorted by word, then level: the first of equal words is the most common.
  words.erase(std::unique(words.begin(), words.end(),
                          [](const auto& a, const auto& b) { return a.first == b.first; }),
              words.end());
  std::string out(header_size, '\0');
  std::memcpy(out.data(), magic, sizeof magic);
  std::size_t text_bytes = 0;
  std::string_view previous;
  for (const auto& [word, level] : words) {
    std::size_t shared = 0;
    while (shared < previous.size() && shared < word.size() && previous[shared] == word[shared])
      ++shared;
    out.push_back(static_cast<char>(shared));
    out.push_back(static_cast<char>(word.size() - shared));
    out.append(word, shared);
    out.push_back(static_cast<char>(level));
    text_bytes += word.size();
    previous = word;
  }
  store_le(out, 8, format_version, 4);
  store_le(out, 12, header_size, 4);
  store_le(out, 16, words.size(), 4);
  store_le(out, 20, text_bytes, 4);
  store_le(out, 24, language, 2);
  store_le(out, 32, out.size() - header_size, 8);
  store_le(out, checksum_offset, checksum(out), 8);
  return out;
}

int compressed_lexicon::open(const std::string& native_path,
                             std::shared_ptr<const compressed_lexicon>& lexicon) {
  file_identity identity;
  if (const int result = stat_file(native_path, identity); result != 0) return result;
  char* resolved = realpath(native_path.c_str(), nullptr);
  if (resolved == nullptr) return SSCE_FILE_ACCESS_ERR;
  const std::string canonical = resolved;
  free(resolved);
  {
    const std::lock_guard lock(cache_mutex);
    const auto found = cache().find(canonical);
    if (found != cache().end() && found->second.identity == identity) {
      lexicon = found->second.lexicon;
      return 0;
    }
  }
  // Loaded without the lock, so that other sessions' opens are not held up;
  // keyed by the version actually read.
  std::string bytes;
  if (const int result = read_file(native_path, bytes, identity); result != 0) return result;
  std::shared_ptr<compressed_lexicon> loaded;
  if (const int result = decode(bytes, loaded); result != 0) return result;
  loaded->m_index_path = index_path_of(canonical);
  const std::lock_guard lock(cache_mutex);
  cache()[canonical] = cache_entry{identity, loaded};
  lexicon = std::move(loaded);
  return 0;
}

std::string compressed_lexicon::index_path_of(const std::string& native_path) {
  constexpr std::string_view lexicon_extension = ".clx";
  if (native_path.size() > lexicon_extension.size() &&
      equal_folded(std::string_view(native_path).substr(native_path.size() - 4), lexicon_extension))
    return native_path.substr(0, native_path.size() - 4) + ".idx";
  return native_path + ".idx";
}

std::string compressed_lexicon::compile_index() const {
  return suggester::compile(dictionary_words(), m_owner);
}

std::vector<dictionary_word> compressed_lexicon::dictionary_words() const {
  std::vector<dictionary_word> words;
  words.reserve(size());
  for (std::size_t i = 0; i < size(); ++i) words.push_back(dictionary_word{word(i), m_levels[i]});
  return words;
}

std::unique_ptr<suggester> compressed_lexicon::mapped_suggester() const {
  std::shared_ptr<const mapped_file> mapping;
  const int result = mapped_file::map(m_index_path, mapping);
  std::string refusal;
  if (result == SSCE_FILE_NOT_FOUND_ERR) {
    refusal = "there is no suggestion index";
  } else if (result != 0) {
    refusal = "its suggestion index cannot be read";
  } else {
    const std::string_view image = mapping->bytes();
    auto mapped = suggester::over(
        image, mapping, m_owner, refusal,
        [&mapping](std::size_t from, std::size_t to) { mapping->release(from, to); });
    if (mapped) return mapped;
  }
  note_diagnostic("spelling engine: " + m_index_path + ": " + refusal +
                  "; the index is built in memory instead");
  return nullptr;
}

const suggester& compressed_lexicon::words_suggester() const {
  std::call_once(m_suggester->once, [this] {
    // An empty lexicon (as the checker creates) has nothing worth compiling.
    if (!m_index_path.empty() && size() > 0) m_suggester->built = mapped_suggester();
    if (!m_suggester->built) m_suggester->built = std::make_unique<suggester>(dictionary_words());
  });
  return *m_suggester->built;
}

}  // namespace spelling
