#include "platform/spelling/text_lexicon.h"

#include <unordered_set>

#include "platform/os_file.h"
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
  file_identity ignored;
  if (const int result = read_file(m_path, bytes, ignored); result != 0) return result;
  parse(bytes);
  return 0;
}

void text_lexicon::parse(std::string_view bytes) {
  std::vector<line> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    const bool ended = end != std::string::npos;
    if (!ended) end = bytes.size();
    std::size_t text_end = end;
    if (text_end > start && bytes[text_end - 1] == '\r') --text_end;
    if (lines.empty() && ended) m_line_end = text_end < end ? "\r\n" : "\n";
    lines.push_back(line{std::string(bytes.substr(start, text_end - start)), false});
    start = end + 1;
  }
  m_lines = std::move(lines);
  reindex();
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

std::string text_lexicon::text() const {
  std::string bytes;
  for (const line& l : m_lines) {
    bytes += l.text;
    bytes += m_line_end;
  }
  return bytes;
}

// Another session, process or person may have changed the file since it was
// read, so every change is made under the file's lock on what the file holds
// then, and theirs is not undone. A file that has gone is written again from
// memory. When the new lines cannot be written, memory goes back to what the
// file still holds.
template <typename Edit>
int text_lexicon::change(Edit edit) {
  file_lock lock;
  if (const int result = lock.lock(m_path); result != 0) return result;
  // No other writer is between its temporary file and its rename now, so
  // any temporary file of this lexicon was left by a killed one.
  os_file::remove_abandoned_saves(m_path);
  std::string held;
  if (!lock.made()) {
    if (const int result = lock.read(held); result != 0) return result;
    if (held != text()) parse(held);
  }
  std::vector<line> before = m_lines;
  int result = edit(m_lines);
  const std::string bytes = text();
  if (result == 0 && bytes != held) result = replace_file(m_path, bytes);
  if (lock.made() && (result != 0 || bytes.empty())) lock.remove_made(m_path);
  if (result != 0) m_lines = std::move(before);
  reindex();
  return result;
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
  return change([&](std::vector<line>& lines) {
    bool placed = false;
    std::vector<line> kept;
    for (line& l : lines) {
      lexicon_entry entry{};
      if (l.is_entry && parse_line(l.text, entry) && entry.word == word) {
        if (placed) continue;
        l.text = format_entry(word, action, other);
        placed = true;
      }
      kept.push_back(std::move(l));
    }
    if (!placed) kept.push_back(line{format_entry(word, action, other), true});
    lines = std::move(kept);
    return 0;
  });
}

int text_lexicon::remove(std::string_view word) {
  return change([&](std::vector<line>& lines) {
    const std::size_t erased = std::erase_if(lines, [&](const line& l) {
      lexicon_entry entry{};
      return l.is_entry && parse_line(l.text, entry) && entry.word == word;
    });
    return erased == 0 ? SSCE_WORD_NOT_FOUND_ERR : 0;
  });
}

// Checkers empty their ignore lexicon every time they start; an empty file
// is left alone rather than rewritten and synchronised each time.
int text_lexicon::clear() {
  return change([](std::vector<line>& lines) {
    lines.clear();
    return 0;
  });
}

}  // namespace spelling
