#include "translation/translator.h"

#include "dictionary/rtf_cre_writer.h"
#include "rtf/rtf_control_words.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr std::size_t stroke_bytes = CStroke::PackedSize;
constexpr std::string_view paragraph_mark = CStringRules::szParagraphMark;

bool is_conflict(std::string_view text) {
  return text.size() > 2 && text.front() == '[' && text.back() == ']' &&
         text.find('|') != std::string_view::npos;
}

bool is_ascii_alnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// A text with nothing to capitalise (punctuation, a paragraph mark) passes
// the pending capital on to the next translation.
bool takes_capital(const CString& text) {
  return std::any_of(text.View().begin(), text.View().end(), is_ascii_alnum);
}

// --- The transcript ------------------------------------------------------

class TranscriptWriter : public CRtfCreWriter {
 public:
  TranscriptWriter(CFile& file, const CTranslator& translator, CTime created)
      : CRtfCreWriter(file, created), m_translator(translator) {}

  void Header() override { WriteHeader(false); }

  void Document() override {
    for (std::size_t i = 0; i < m_translator.GetCount(); ++i) {
      const CTranslator::Translation t = m_translator.Get(i);
      WriteTime(t.time);
      WriteOutline(t.keys);
      WriteText(t.text, true);
    }
  }

 private:
  void WriteTime(CTime time) {
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d:00", time.GetHour(), time.GetMinute(),
                  time.GetSecond());
    EmitKeyword(szRTFGROUPBEGIN, 0);
    EmitKeyword(szRTFCW_cxt, flagOptDest);
    EmitText(stamp);
    EmitKeyword(szRTFGROUPEND, 0);
  }

  const CTranslator& m_translator;
};

}  // namespace

CStroke CTranslator::UndoStroke(int grandjean) {
  CStroke stroke;
  stroke.SetKey(CStroke::AsteriskPosition(grandjean), 1);
  return stroke;
}

CTranslator::CTranslator(const Options& options)
    : m_options(options), m_undo(UndoStroke(options.grandjean)) {}

void CTranslator::AddDictionary(const CStenoDictionary* dictionary) {
  m_dictionaries.push_back(dictionary);
  for (std::size_t i = 0; i < dictionary->GetCount(); ++i)
    m_nLongest = std::max(m_nLongest, dictionary->GetKeys(i).size() / stroke_bytes);
}

void CTranslator::AddStroke(const CStroke& stroke) {
  // A writer sends no stroke without keys, and it has no steno to show.
  if (stroke.IsEmpty()) return;
  if (stroke == m_undo) {
    Undo();
    return;
  }
  const auto start = static_cast<std::uint32_t>(m_keys.size());
  m_keys.insert(m_keys.end(), stroke.GetKeyBytes(), stroke.GetKeyBytes() + stroke_bytes);

  // The earliest movable translation whose strokes, with the new one, still
  // fit the longest outline; from there on the outlines grow shorter.
  std::size_t reach = m_records.size();
  while (reach > m_nFirstMovable &&
         m_keys.size() - m_records[reach - 1].first_key <= m_nLongest * stroke_bytes)
    --reach;
  for (std::size_t i = reach; i < m_records.size(); ++i) {
    const std::optional<CStenoDictionary::Translation> found = Lookup(m_records[i].first_key);
    if (!found) continue;
    const std::uint32_t first_key = m_records[i].first_key;
    const CTime time = m_records[i].time;
    while (m_records.size() > i) RemoveLast();
    Append(found->text, found->flags, false, first_key, time);
    return;
  }
  if (const std::optional<CStenoDictionary::Translation> found = Lookup(start))
    Append(found->text, found->flags, false, start, stroke.GetTimeStamp());
  else
    Append(stroke.GetStrCompressed(m_options.grandjean).View(), CTranFlags(), true, start,
           stroke.GetTimeStamp());
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

std::optional<CStenoDictionary::Translation> CTranslator::Lookup(std::size_t first_key) const {
  const std::span<const BYTE> keys = std::span<const BYTE>(m_keys).subspan(first_key);
  for (auto d = m_dictionaries.rbegin(); d != m_dictionaries.rend(); ++d)
    if (std::optional<CStenoDictionary::Translation> found = (*d)->Lookup(keys)) return found;
  return std::nullopt;
}

void CTranslator::Append(std::string_view text, CTranFlags flags, bool untranslated,
                         std::uint32_t first_key, CTime time) {
  Record record{first_key, flags, untranslated, false, time, CString(text), CString()};
  if (!m_options.keep_conflicts && is_conflict(text))
    record.text = CStringRules::GetTextFromConflict(record.text, 0);
  const bool capitalize = m_records.empty() || m_records.back().capitalize_after;
  if (!m_records.empty()) {
    Record& previous = m_records.back();
    record.previous_text = previous.text;
    m_rules.ApplyConcatRules(previous.flags, previous.text, record.flags, record.text);
  }
  if (capitalize) CStringRules::CapFirst(record.text, 1);
  record.capitalize_after =
      flags.GetCapitalizeNext() || (capitalize && !takes_capital(record.text));
  m_records.push_back(std::move(record));

  const std::size_t window = std::max(m_options.undo_depth, m_nLongest - 1);
  if (m_records.size() > window)
    m_nFirstMovable = std::max(m_nFirstMovable, m_records.size() - window);
}

void CTranslator::RemoveLast() {
  Record& last = m_records.back();
  if (m_records.size() > 1) m_records[m_records.size() - 2].text = std::move(last.previous_text);
  m_records.pop_back();
}

void CTranslator::Undo() {
  if (m_records.size() <= m_nFirstMovable) return;
  m_keys.resize(m_records.back().first_key);
  RemoveLast();
}

std::string ReadableText(std::string_view text) {
  std::string readable;
  readable.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.substr(i).starts_with(paragraph_mark)) {
      readable += '\n';
      i += paragraph_mark.size() - 1;
    } else {
      readable += text[i] == '^' ? ' ' : text[i];
    }
  }
  return readable;
}

void WriteRtfTranscript(CFile& file, const CTranslator& translator, CTime created) {
  TranscriptWriter writer(file, translator, created);
  writer.File();
}
