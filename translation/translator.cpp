#include "translation/translator.h"

#include "translation/readable_text.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr std::size_t stroke_bytes = CStroke::PackedSize;
constexpr std::string_view paragraph_mark = CStringRules::szParagraphMark;

// The characters of a translation that do not go to the readable text as
// they are: blanks and carets, line breaks, and the brace of a paragraph
// mark.
constexpr std::array<bool, 256> laid_out_apart = [] {
  std::array<bool, 256> apart{};
  for (const unsigned char c : {' ', '^', '\n', '{'}) apart[c] = true;
  return apart;
}();

bool is_conflict(std::string_view text) {
  return text.size() > 2 && text.front() == '[' && text.back() == ']' &&
         text.find('|') != std::string_view::npos;
}

bool is_ascii_alnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// A text with nothing to capitalise (punctuation, a paragraph mark) passes
// the pending capital on to the next translation; a character in an escape
// (an emoji) takes it, as a word does.
bool takes_capital(const CString& text) {
  return std::any_of(text.View().begin(), text.View().end(),
                     [](char c) { return is_ascii_alnum(c) || c == readable_text::escape_mark; });
}

// Controls other than tab and line break are escaped as their own code
// points, so that the bytes of escapes stand for nothing else.
bool is_escaped_control(char c) {
  return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n';
}

// The text of a dictionary entry with each character Windows-1252 cannot
// hold, and each control, as its escape; `text` itself when there is none,
// as for nearly every entry.
std::string_view with_escapes(const CStenoDictionary& dictionary,
                              const CStenoDictionary::Translation& found, std::string& buffer) {
  const std::string_view text = found.text;
  std::vector<CStenoDictionary::Character> characters;
  if (found.extras) characters = dictionary.GetCharacters(found.index);
  if (characters.empty() && std::none_of(text.begin(), text.end(), is_escaped_control)) return text;
  buffer.clear();
  auto next = characters.begin();
  for (std::size_t i = 0; i < text.size(); ++i) {
    while (next != characters.end() && next->position < i) ++next;
    if (next != characters.end() && next->position == i)
      readable_text::AppendEscape(next->code_point, buffer);
    else if (is_escaped_control(text[i]))
      readable_text::AppendEscape(static_cast<unsigned char>(text[i]), buffer);
    else
      buffer += text[i];
  }
  return buffer;
}

}  // namespace

CTranslator::CTranslator(const Options& options)
    : m_options(options), m_undo(UndoStroke(options.grandjean)) {}

void CTranslator::AddDictionary(const CStenoDictionary* dictionary) {
  m_dictionaries.push_back(dictionary);
  for (std::size_t i = 0; i < dictionary->GetCount(); ++i)
    m_nLongest = std::max(m_nLongest, dictionary->GetKeys(i).size() / stroke_bytes);
}

const CTranslator::Edit& CTranslator::AddStroke(const CStroke& stroke) {
  m_edit.nTakeBack = 0;
  m_edit.text.Empty();
  // A writer sends no stroke without keys, and it has no steno to show.
  if (m_bFinished || stroke.IsEmpty()) return m_edit;
  if (stroke == m_undo)
    Undo();
  else
    Translate(stroke);
  Relayout();
  return m_edit;
}

const CTranslator::Edit& CTranslator::Finish() {
  m_edit.nTakeBack = 0;
  m_edit.text.Empty();
  if (m_bFinished) return m_edit;
  m_bFinished = true;
  if (!m_layout.line_start) {
    m_shown += '\n';
    m_edit.text = "\n";
  }
  m_layout = Layout();
  return m_edit;
}

std::size_t CTranslator::GetFinalCount() const {
  if (m_bFinished) return m_records.size();
  return m_nFirstMovable > 0 ? m_nFirstMovable - 1 : 0;
}

CTranslator::Translation CTranslator::Get(std::size_t index) const {
  const Record& r = m_records[index];
  const std::size_t end =
      index + 1 < m_records.size() ? m_records[index + 1].first_key : m_keys.size();
  return {std::span<const BYTE>(m_keys).subspan(r.first_key, end - r.first_key), r.text.View(),
          r.flags, r.time, r.untranslated};
}

std::size_t CTranslator::GetFinalLength() const {
  const std::size_t final_count = GetFinalCount();
  if (m_bFinished || final_count >= m_records.size()) return m_shown.size();
  return m_records[final_count].shown_start;
}

void CTranslator::Edit::ApplyTo(CString& shown) const {
  shown.Delete(shown.GetLength() - nTakeBack, nTakeBack);
  shown += text;
}

// --- Translations -----------------------------------------------------------

CStroke CTranslator::UndoStroke(int grandjean) {
  CStroke stroke;
  stroke.SetKey(CStroke::AsteriskPosition(grandjean), 1);
  return stroke;
}

void CTranslator::Translate(const CStroke& stroke) {
  const auto start = static_cast<std::uint32_t>(m_keys.size());
  m_keys.insert(m_keys.end(), stroke.GetKeyBytes(), stroke.GetKeyBytes() + stroke_bytes);

  // The earliest movable translation whose strokes, with the new one, still
  // fit the longest outline; from there on the outlines grow shorter.
  std::size_t reach = m_records.size();
  while (reach > m_nFirstMovable &&
         m_keys.size() - m_records[reach - 1].first_key <= m_nLongest * stroke_bytes)
    --reach;
  std::string escaped;
  for (std::size_t i = reach; i < m_records.size(); ++i) {
    const std::optional<Found> found = Lookup(m_records[i].first_key);
    if (!found) continue;
    const std::uint32_t first_key = m_records[i].first_key;
    const CTime time = m_records[i].time;
    while (m_records.size() > i) RemoveLast();
    Append(with_escapes(*found->dictionary, found->translation, escaped), found->translation.flags,
           false, first_key, time);
    return;
  }
  if (const std::optional<Found> found = Lookup(start))
    Append(with_escapes(*found->dictionary, found->translation, escaped), found->translation.flags,
           false, start, stroke.GetTimeStamp());
  else
    Append(stroke.GetStrCompressed(m_options.grandjean).View(), CTranFlags(), true, start,
           stroke.GetTimeStamp());
}

std::optional<CTranslator::Found> CTranslator::Lookup(std::size_t first_key) const {
  const std::span<const BYTE> keys = std::span<const BYTE>(m_keys).subspan(first_key);
  for (auto d = m_dictionaries.rbegin(); d != m_dictionaries.rend(); ++d)
    if (std::optional<CStenoDictionary::Translation> found = (*d)->Lookup(keys))
      return Found{*d, *found};
  return std::nullopt;
}

void CTranslator::Append(std::string_view text, CTranFlags flags, bool untranslated,
                         std::uint32_t first_key, CTime time) {
  Record record{first_key, flags, untranslated, false, time, CString(text), CString(), 0, {}};
  if (!m_options.keep_conflicts && is_conflict(text))
    record.text = CStringRules::GetTextFromConflict(record.text, 0);
  const bool capitalize = m_records.empty() || m_records.back().capitalize_after;
  if (!m_records.empty()) {
    Record& previous = m_records.back();
    record.previous_text = previous.text;
    m_rules.ApplyConcatRules(previous.flags, previous.text, record.flags, record.text);
    // Most joins leave the text before alone, and then it need not be laid
    // out again.
    if (previous.text != record.previous_text) Touch(m_records.size() - 1);
  }
  Touch(m_records.size());
  if (capitalize) CStringRules::CapFirst(record.text, 1);
  record.capitalize_after =
      flags.GetCapitalizeNext() || (capitalize && !takes_capital(record.text));
  m_records.push_back(std::move(record));

  const std::size_t window = std::max(m_options.undo_depth, m_nLongest - 1);
  if (m_records.size() > window)
    m_nFirstMovable = std::max(m_nFirstMovable, m_records.size() - window);
}

void CTranslator::RemoveLast() {
  Touch(m_records.size() - 1);
  Record& last = m_records.back();
  if (m_records.size() > 1) {
    CString& previous = m_records[m_records.size() - 2].text;
    if (previous != last.previous_text) Touch(m_records.size() - 2);
    previous = std::move(last.previous_text);
  }
  m_records.pop_back();
}

void CTranslator::Undo() {
  if (m_records.size() <= m_nFirstMovable) return;
  m_keys.resize(m_records.back().first_key);
  RemoveLast();
}

// --- The readable text ------------------------------------------------------

void CTranslator::Touch(std::size_t index) {
  if (index >= m_nTouched) return;
  m_nTouched = index;
  if (index < m_records.size()) {
    m_nTouchedStart = m_records[index].shown_start;
    m_touchedLayout = m_records[index].layout;
  } else {
    m_nTouchedStart = m_shown.size();
    m_touchedLayout = m_layout;
  }
}

// Blanks wait in the layout until something other than a line break follows
// them on their line; blanks at a line's start are dropped. Both only ever
// come from the seams around a paragraph mark.
void CTranslator::LayOut(std::string_view text, Layout& layout, std::string& shown) {
  for (std::size_t i = 0; i < text.size();) {
    std::size_t end = i;
    while (end < text.size() && !laid_out_apart[static_cast<unsigned char>(text[end])]) ++end;
    if (end == i) {
      const char c = text[i];
      if (c == ' ' || c == '^') {
        if (!layout.line_start) ++layout.blanks;
        ++i;
        continue;
      }
      if (c == '\n' || text.substr(i).starts_with(paragraph_mark)) {
        shown += '\n';
        layout = Layout();
        i += c == '\n' ? 1 : paragraph_mark.size();
        continue;
      }
      end = i + 1;  // a brace that opens no paragraph mark
    }
    if (layout.blanks > 0) shown.append(layout.blanks, ' ');
    shown.append(text.data() + i, end - i);
    layout.blanks = 0;
    layout.line_start = false;
    i = end;
  }
}

void CTranslator::Relayout() {
  if (m_nTouched == SIZE_MAX) return;
  // The new text is laid out after the old, compared with it, and moved
  // over it.
  const std::size_t old_end = m_shown.size();
  const std::size_t old_length = old_end - m_nTouchedStart;
  m_layout = m_touchedLayout;
  for (std::size_t i = m_nTouched; i < m_records.size(); ++i) {
    m_records[i].shown_start = m_shown.size() - old_length;
    m_records[i].layout = m_layout;
    LayOut(m_records[i].text.View(), m_layout, m_shown);
  }
  m_nTouched = SIZE_MAX;

  // Only what differs goes back: "make" joined to "ing" takes back one "e".
  const std::string_view old_tail = std::string_view(m_shown).substr(m_nTouchedStart, old_length);
  const std::string_view new_tail = std::string_view(m_shown).substr(old_end);
  std::size_t same = static_cast<std::size_t>(
      std::mismatch(new_tail.begin(), new_tail.end(), old_tail.begin(), old_tail.end()).first -
      new_tail.begin());
  // Two characters whose escapes share their first digits differ inside
  // them; the escape goes back whole.
  while (readable_text::IsInsideEscape(old_tail, same)) --same;
  m_edit.nTakeBack = static_cast<int>(old_length - same);
  // Into the edit's own buffer, which a few strokes make big enough for good.
  const std::string_view added = new_tail.substr(same);
  std::memcpy(m_edit.text.GetBufferSetLength(static_cast<int>(added.size())), added.data(),
              added.size());
  m_shown.erase(m_nTouchedStart, old_length);
}
