// A text lexicon (".tlx") held in memory by one session: one entry a line,
// "word TAB action" or, for the change actions a A c C, "word TAB action TAB
// other word", in Windows-1252. Lines that are not entries (blank, hand-made
// mistakes) are skipped for checking but kept, byte for byte, when the file is
// rewritten; so is every entry that was not edited. Each change is made under
// the file's lock on what the file holds at that moment and written at once,
// atomically, so that sessions in other threads and processes changing the
// same file lose nothing of each other's. The object itself is not shared:
// one session, one thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/spelling/lexicon_file.h"
#include "platform/spelling/word_index.h"

namespace spelling {

struct lexicon_entry {
  std::string_view word;
  char action;             // a A c C i e
  std::string_view other;  // the other word of a change entry, else ""
};

class text_lexicon {
 public:
  // Results are 0 or an SSCE_*_ERR value.
  static int open(const std::string& native_path, std::unique_ptr<text_lexicon>& lexicon);
  // A new, empty file; refused when one exists.
  static int create(const std::string& native_path, std::unique_ptr<text_lexicon>& lexicon);

  int add(std::string_view word, char action, std::string_view other);
  int remove(std::string_view word);
  int clear();

  // The entry spelled exactly so, or nullptr.
  const lexicon_entry* find(std::string_view word) const;
  // Calls visit(entry) for each entry whose word folds like `word` (hash is
  // its folded_hash), until visit returns true.
  template <typename Visit>
  void find_folded(std::string_view word, std::uint64_t hash, Visit visit) const {
    m_index.find(hash, [&](std::uint32_t id) {
      const lexicon_entry& e = m_entries[id];
      return equal_folded(e.word, word) && visit(e);
    });
  }
  const std::vector<lexicon_entry>& entries() const { return m_entries; }
  // Counts every change, so that what is built from the entries knows when
  // to build again.
  std::uint64_t version() const { return m_version; }

 private:
  struct line {
    std::string text;  // without its line ending
    bool is_entry;
  };
  explicit text_lexicon(std::string native_path) : m_path(std::move(native_path)) {}
  int load();
  void parse(std::string_view bytes);
  void reindex();
  // The file's bytes for the lines held.
  std::string text() const;
  template <typename Edit>
  int change(Edit edit);

  std::string m_path;
  std::vector<line> m_lines;
  std::string m_line_end = "\r\n";
  std::vector<lexicon_entry> m_entries;  // views into m_lines, first of each spelling
  word_index m_index;
  std::uint64_t m_version = 0;
};

}  // namespace spelling
