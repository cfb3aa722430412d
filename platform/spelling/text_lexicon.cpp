#include "platform/spelling/text_lexicon.h"

#include <unordered_set>

#include "platform/spelling/ssce.h"

namespace spelling {

namespace {

bool is_change(char action) {
  return action == 'a' || action == 'A' || action == 'c' || action == 'C';
}
bool is_action(char action) { return is_change(action) || action == 'i' || action == 'e'; }

std::string_view next_field(std::string_view& rest) {
  const std::size_t tab = rest.find('\t');
  const std::string_view field = rest.substr(0, tab);
  rest = tab == std::string_view::npos ? std::string_view() : rest.substr(tab + 1);
  return field;
}

// Fields past those an entry needs are tolerated (a trailing tab left by a
// hand edit), and stay in the file until the entry is edited.
bool parse_line(std::string_view text, lexicon_entry& entry) {
  std::string_view rest = text;
  entry.word = next_field(rest);
  const std::string_view action = next_field(rest);
  if (!is_storable_word(entry.word) || action.size() != 1 || !is_action(action[0])) return false;
  entry.action = action[0];
  entry.other = is_change(entry.action) ? next_field(rest) : std::string_view();
  return !is_change(entry.action) || is_storable_word(entry.other);
}

std::string format_entry(std::string_view word, char action, std::string_view other) {
  std::string text(word);
  text += '\t';
  text += action;
  if (is_change(action)) {
    text += '\t';
    text += other;
  }
  return text;
}

}  // namespace

int text_lexicon::open(const std::string& native_path, std::unique_ptr<text_lexicon>& lexicon) {
  std::unique_ptr<text_lexicon> opened(new text_lexicon(native_path));
  if (const int result = opened->load(); result != 0) return result;
  lexicon = std::move(opened);
  return 0;
}

int text_lexicon::create(const std::string& native_path, std::unique_ptr<text_lexicon>& lexicon) {
  if (const int result = create_file(native_path, {}); result != 0) return result;
  return open(native_path, lexicon);
}

int text_lexicon::load() {
  std::string bytes;
  if (const int result = read_file(m_path, bytes, m_identity); result != 0) return result;
  std::vector<line> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    const bool ended = end != std::string::npos;
    if (!ended) end = bytes.size();
    std::size_t text_end = end;
    if (text_end > start && bytes[text_end - 1] == '\r') --text_end;
    if (lines.empty() && ended) m_line_end = text_end < end ? "\r\n" : "\n";
    lines.push_back(line{bytes.substr(start, text_end - start), false});
    start = end + 1;
  }
  m_lines = std::move(lines);
  reindex();
  return 0;
}

void text_lexicon::reindex() {
  m_entries.clear();
  std::unordered_set<std::string_view> seen;
  for (line& l : m_lines) {
    lexicon_entry entry{};
    l.is_entry = parse_line(l.text, entry);
    if (l.is_entry && seen.insert(entry.word).second) m_entries.push_back(entry);
  }
  m_index.reset(m_entries.size());
  for (std::size_t id = 0; id < m_entries.size(); ++id)
    m_index.insert(folded_hash(m_entries[id].word), static_cast<std::uint32_t>(id));
  ++m_version;
}

// Another session or a person may have changed the file since it was read;
// a change starts from what the file now holds so that theirs is not undone.
int text_lexicon::reload_if_changed() {
  file_identity now;
  const int result = stat_file(m_path, now);
  if (result == SSCE_FILE_NOT_FOUND_ERR) return 0;  // rewritten from memory
  if (result != 0) return result;
  return now == m_identity ? 0 : load();
}

const lexicon_entry* text_lexicon::find(std::string_view word) const {
  const lexicon_entry* found = nullptr;
  find_folded(word, folded_hash(word), [&](const lexicon_entry& e) {
    if (e.word != word) return false;
    found = &e;
    return true;
  });
  return found;
}

int text_lexicon::add(std::string_view word, char action, std::string_view other) {
  if (!is_action(action)) return SSCE_UNKNOWN_ACTION_ERR;
  if (!is_storable_word(word) || (is_change(action) && !is_storable_word(other)))
    return SSCE_BAD_ARGUMENT_ERR;
  if (const int result = reload_if_changed(); result != 0) return result;
  std::vector<line> before = m_lines;
  bool placed = false;
  std::vector<line> lines;
  for (line& l : m_lines) {
    lexicon_entry entry{};
    if (l.is_entry && parse_line(l.text, entry) && entry.word == word) {
      if (placed) continue;
      l.text = format_entry(word, action, other);
      placed = true;
    }
    lines.push_back(std::move(l));
  }
  if (!placed) lines.push_back(line{format_entry(word, action, other), true});
  m_lines = std::move(lines);
  return commit(std::move(before));
}

int text_lexicon::remove(std::string_view word) {
  if (const int result = reload_if_changed(); result != 0) return result;
  std::vector<line> before = m_lines;
  std::erase_if(m_lines, [&](const line& l) {
    lexicon_entry entry{};
    return l.is_entry && parse_line(l.text, entry) && entry.word == word;
  });
  if (m_lines.size() == before.size()) return SSCE_WORD_NOT_FOUND_ERR;
  return commit(std::move(before));
}

int text_lexicon::clear() {
  // Checkers empty their ignore lexicon every time they start; an empty file
  // is left alone rather than rewritten and synchronised each time.
  if (const int result = reload_if_changed(); result != 0) return result;
  if (m_lines.empty()) return 0;
  std::vector<line> before = std::move(m_lines);
  m_lines.clear();
  return commit(std::move(before));
}

// Memory goes back to `before`, what the file still holds, when the new lines
// cannot be written.
int text_lexicon::commit(std::vector<line> before) {
  const int result = write();
  if (result != 0) m_lines = std::move(before);
  reindex();
  return result;
}

int text_lexicon::write() {
  std::string bytes;
  for (const line& l : m_lines) {
    bytes += l.text;
    bytes += m_line_end;
  }
  if (const int result = replace_file(m_path, bytes); result != 0) return result;
  // The file is written; should this fail, the next change merely reads it again.
  stat_file(m_path, m_identity);
  return 0;
}

}  // namespace spelling
