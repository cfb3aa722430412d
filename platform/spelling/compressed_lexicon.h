// A compressed lexicon (".clx"): a compiled, read-only word list with each
// word's commonness level. One version of a file is loaded once per process
// and shared, immutable, by every session that opens it, so its words may be
// read from any thread without a lock.
//
// File layout (little-endian): a 48-byte header
//   0  magic "KCLX\r\n\x1a\n"     8  version (1)        12 header size (48)
//   16 word count                 20 bytes of word text 24 language (16 bits)
//   26 reserved (0, 16 bits)      28 reserved (0)       32 body size (64 bits)
//   40 checksum (64 bits) of header bytes 0-39 and the whole body
// then the body: the words in ascending byte order, each front-coded as
// (bytes shared with the previous word, bytes that follow, those bytes, level).
// A file that breaks any of these rules is refused whole.
//
// The suggestion index over the words is compiled beside the file (see
// index_path_of) and mapped at the first suggestion; a lexicon read from a
// file without a usable index, or decoded from bytes, builds it in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/spelling/suggester.h"
#include "platform/spelling/word_index.h"

namespace spelling {

class compressed_lexicon {
 public:
  // The loaded copy of the file when it has not changed since it was loaded
  // (same canonical path, size and modification time); otherwise loads it.
  // 0 or an SSCE_*_ERR value (SSCE_DAMAGED_LEXICON_ERR for a broken file).
  static int open(const std::string& native_path,
                  std::shared_ptr<const compressed_lexicon>& lexicon);
  // Decodes a whole file; for tests and the loader.
  static int decode(std::string_view bytes, std::shared_ptr<compressed_lexicon>& lexicon);
  // The file's bytes for these words (sorted and made unique here; a word
  // listed twice keeps its most common level).
  static std::string encode(std::vector<std::pair<std::string, std::uint8_t>> words,
                            std::uint16_t language);

  // Where the suggestion index of the lexicon at `native_path` lies: the
  // same name with ".idx" for ".clx", or with ".idx" added.
  static std::string index_path_of(const std::string& native_path);

  ~compressed_lexicon();

  std::size_t size() const { return m_starts.size(); }
  std::string_view word(std::size_t i) const {
    const char* text = m_text.data() + m_starts[i];
    return {text, static_cast<unsigned char>(text[-1])};
  }
  std::uint8_t level(std::size_t i) const { return m_levels[i]; }
  std::uint16_t language() const { return m_language; }

  // Calls visit(word) for each word that folds like `word` (hash is its
  // folded_hash), until visit returns true.
  template <typename Visit>
  void find_folded(std::string_view word, std::uint64_t hash, Visit visit) const {
    m_index.find(hash, [&](std::uint32_t offset) {
      const char* text = m_text.data() + offset;
      const std::string_view w(text, static_cast<unsigned char>(text[-1]));
      return equal_folded(w, word) && visit(w);
    });
  }

  // What ties a compiled index to this lexicon's file.
  index_owner owner() const { return m_owner; }
  // The bytes of this lexicon's suggestion index file.
  std::string compile_index() const;

  // The suggestion search over these words: on first use, the compiled index
  // beside the file when it is there and sound, else one built in memory.
  const suggester& words_suggester() const;

 private:
  compressed_lexicon();
  std::vector<dictionary_word> dictionary_words() const;
  // The compiled index beside the file, or null with a diagnostic.
  std::unique_ptr<suggester> mapped_suggester() const;

  // The words back to back, each after its length byte and ended by a zero,
  // so that a probe of the index reaches a word's text in one step.
  std::string m_text;
  // Where each word's text begins in m_text: a quarter of the memory of a
  // view, which counts for the main list's 170,000 words.
  std::vector<std::uint32_t> m_starts;
  std::vector<std::uint8_t> m_levels;
  std::uint16_t m_language = 0;
  index_owner m_owner;
  std::string m_index_path;  // empty for a lexicon decoded from bytes
  word_index m_index;
  struct lazy_suggester;
  std::unique_ptr<lazy_suggester> m_suggester;
};

}  // namespace spelling
