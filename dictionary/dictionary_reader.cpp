#include "dictionary/dictionary_reader.h"

#include "dictionary/kept_rtf.h"
#include "dictionary/plain_entries.h"
#include "rtf/rtf_control_words.h"
#include "strokes/steno.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace dictionary_read {
namespace {

constexpr int grandjean_off = 0;
constexpr std::size_t max_keys_length = 0xFFFF;

struct ControlWord {
  const char* word;
  int action;
  int index;
};

// Stitches keep their text, so that a stitched entry is not cut short.
constexpr ControlWord control_words[] = {
    {szRTFCW_cxs, action_destination, dest_outline},
    {szRTFCW_cxstit, action_destination, dest_text},
    {szRTFCW_cxp, action_destination, dest_punctuation},
    {szRTFCW_cxcomment, action_destination, dest_skip},
    {szRTFCW_comment, action_destination, dest_skip},
    {szRTFCW_cxsystem, action_destination, dest_skip},
    {szRTFCW_cxrev, action_destination, dest_skip},
    {szRTFCW_stylesheet, action_destination, dest_skip},
    {szRTFCW_fonttbl, action_destination, dest_skip},
    {szRTFCW_colortbl, action_destination, dest_skip},
    {szRTFCW_info, action_destination, dest_skip},
    {szRTFCW_creatim, action_destination, dest_skip},
    {szRTFCW_pict, action_destination, dest_skip},
    {szRTFCW_cxds, action_special, special_attach},
    {szRTFCW_cxfc, action_special, special_capitalize},
    {szRTFCW_par, action_special, special_paragraph},
    {szRTFCW_cxkelmdictflags, action_property, property_flags},
    {szRTFCW_tab, action_char, '\t'},
    {szRTFCW_line, action_char, '\n'},
    {szRTFCS_NONBRKHYPHEN, action_char, '-'},
    {szRTFCS_NONBRKSPACE, action_char, 0xA0},
    {szRTFCW_emdash, action_char, 0x97},
    {szRTFCW_endash, action_char, 0x96},
    {szRTFCW_lquote, action_char, 0x91},
    {szRTFCW_rquote, action_char, 0x92},
    {szRTFCW_ldblquote, action_char, 0x93},
    {szRTFCW_rdblquote, action_char, 0x94},
    {szRTFCW_bullet, action_char, 0x95},
};

int token_type(const char* word) {
  const int type = CRtfScanner::GetTokenType(word);
  if (type < 0) throw std::logic_error(std::string("not a scanner control word: ") + word);
  return type;
}

std::span<const BYTE> as_key_bytes(std::string_view keys) {
  return {reinterpret_cast<const BYTE*>(keys.data()), keys.size()};
}

// The outline's strokes, read as CSteno::SetRtf reads them, packed into keys
// (reused, so that an entry costs no allocation). False when a stroke is
// refused or empty (an empty stroke has no text form, so it could never be
// written back), or there is no stroke or too many.
bool read_outline_keys(std::string_view text, std::string& keys) {
  if (text.empty() || CSteno::ReadRtfKeys(text, grandjean_off, keys) != 0 ||
      keys.size() > max_keys_length)
    return false;
  for (std::size_t at = 0; at < keys.size(); at += CStroke::PackedSize)
    if ((keys[at] | keys[at + 1] | keys[at + 2]) == 0) return false;
  return true;
}

}  // namespace

const std::vector<RTFTransTblEntry>& translation_table() {
  static const std::vector<RTFTransTblEntry> table = [] {
    std::vector<RTFTransTblEntry> t;
    for (const ControlWord& c : control_words)
      t.push_back({token_type(c.word), 0, c.action, c.index});
    std::sort(t.begin(), t.end(), [](const RTFTransTblEntry& a, const RTFTransTblEntry& b) {
      return a.nTokenType < b.nTokenType;
    });
    return t;
  }();
  return table;
}

const TypeTable& type_table() {
  static const TypeTable table = [] {
    TypeTable t;
    for (const RTFTransTblEntry& entry : translation_table()) {
      t.acted[entry.nTokenType] = true;
      t.destination[entry.nTokenType] = entry.nAction == action_destination;
    }
    t.acted[CRtfToken::typeText] = true;
    t.acted[CRtfToken::typeEndOfInput] = true;
    t.acted[CRtfToken::typeGroupBegin] = true;
    t.acted[CRtfToken::typeGroupEnd] = true;
    t.optional_destination = token_type(szRTFCS_OPTDEST);
    return t;
  }();
  return table;
}

long DictionaryReader::PushState() {
  Break();
  m_states.back().fresh = false;
  const Group& outer = m_states.back();
  Group group = outer;
  group.begin = m_pScanner->GetToken(0)->GetStreamOffset();
  group.fresh = true;
  group.optional = false;
  group.kept = false;
  group.holds_extras = false;
  group.extra_not_first = false;
  group.entry = m_entry == EntryState::translation ? m_entries : 0;
  group.text_at_begin = m_text.size();
  group.extras_at_begin = m_pieces.size();
  group.encoding_before.reset();
  // An optional destination the reader does not know: what the parser
  // would have skipped.
  if (outer.destination != dest_skip && group.begin == m_optionalGroup &&
      !m_types.destination[TypeAt(1)]) {
    group.destination = dest_skip;
    group.kept = true;
  }
  m_states.push_back(group);
  return Settle();
}

long DictionaryReader::PopState() {
  // A stray "}" must not take the outermost state away.
  if (m_states.size() == 1) return Settle();
  Break();
  const Group closed = m_states.back();
  m_states.pop_back();
  Group& outer = m_states.back();
  if (closed.kept) {
    KeepBytes(closed.begin, m_pScanner->GetToken(1)->GetStreamOffset());
  } else if (closed.holds_extras && closed.entry == m_entries && InEntry()) {
    // A group that holds extras keeps its braces, so that what they apply
    // to stays inside it. An outline word or "\*" that was not first in
    // the group would be first after the brace and start a destination:
    // an empty group stands for what came before it and was not kept.
    const std::string_view open = closed.extra_not_first ? "{{}" : "{";
    m_pieces.insert(m_pieces.begin() + static_cast<std::ptrdiff_t>(closed.extras_at_begin),
                    Piece{closed.text_at_begin, m_pieceBytes.size(), open.size(), 0});
    m_pieceBytes += open;
    AddPiece("}");
  }
  if (closed.destination != outer.destination) EndDestination(closed.destination);
  if (m_entry != EntryState::none && m_states.size() < m_entryDepth)
    CommitEntry(m_pScanner->GetToken(0)->GetStreamOffset());
  return Settle();
}

long DictionaryReader::ChangeDestination(int nIndex) {
  Group& group = m_states.back();
  // Nothing inside a skipped group or an outline starts anything. The word
  // still counts as read: a "\*" after it must not make its group one of
  // an unknown destination, kept whole, which written after the outline
  // would start an entry.
  if (group.destination == dest_skip || group.destination == dest_outline) {
    group.fresh = false;
    return Settle();
  }
  // An outline or a skipped group is a group of its own: its word comes
  // first. Elsewhere the word is only kept, as any word the reader does not
  // know.
  const bool fresh = std::exchange(group.fresh, false);
  if (!fresh && (nIndex == dest_outline || nIndex == dest_skip)) {
    Break();
    NoteKeptAfterRead(group);
    KeepBytes(m_pScanner->GetToken(0)->GetStreamOffset(),
              m_pScanner->GetToken(1)->GetStreamOffset());
    return Settle();
  }
  const std::optional<UINT> code_page =
      nIndex == dest_outline || nIndex == dest_skip ? TakeBackCodePage(group) : std::nullopt;
  Break();
  group.destination = static_cast<Destination>(nIndex);
  if (nIndex == dest_outline) {
    CommitEntry(group.begin);
    BeginEntry(group.begin, m_states.size() - 1, m_pScanner->GetToken(0)->GetStreamOffset(),
               code_page);
  } else if (nIndex == dest_punctuation) {
    m_punctuationStart = m_text.size();
  } else if (nIndex == dest_skip) {
    group.kept = true;
  }
  return Settle();
}

long DictionaryReader::EndDestination(int nIndex) {
  if (nIndex == dest_outline) EndOutline();
  if (nIndex == dest_punctuation) EndPunctuation();
  return 0;
}

long DictionaryReader::OutputText(const char* szText, bool) {
  // The text is the current token's, whose length counts a NUL in it.
  CRtfToken* const token = m_pScanner->GetToken(0);
  TakeText(token->GetBuffer() == szText ? std::string_view(szText, token->GetLength())
                                        : std::string_view(szText),
           token->GetStreamOffset(), m_pScanner->GetToken(1)->GetStreamOffset());
  return Settle();
}

long DictionaryReader::ApplySpecialControl(int nIndex) {
  m_states.back().fresh = false;
  if (!InTranslation()) return Settle();
  Break();
  switch (nIndex) {
    case special_attach:
      m_markers.Attach(m_text.size());
      break;
    case special_capitalize:
      m_markers.Capitalize();
      break;
    case special_paragraph:
      m_text += paragraph_mark;
      break;
  }
  return Settle();
}

long DictionaryReader::ApplyPropChange(int nIndex, long lValue) {
  m_states.back().fresh = false;
  if (nIndex == property_flags && InTranslation()) m_explicitFlags = static_cast<WORD>(lValue);
  return Settle();
}

long DictionaryReader::Settle() {
  while (m_lError == 0) {
    CRtfToken* next = m_pScanner->GetToken(1);
    const int type = TypeAt(1);
    if (type == CRtfToken::typeGroupBegin) {
      if (TypeAt(2) != m_types.optional_destination) break;
      if (TakePlainEntries(next->GetStreamOffset())) continue;
      m_optionalGroup = next->GetStreamOffset();
      m_lError = m_pScanner->ConsumeToken(2);
      break;
    }
    if (m_types.acted[type]) break;
    Take(*next, m_pScanner->GetToken(2)->GetStreamOffset());
    m_lError = m_pScanner->ConsumeToken(1);
  }
  return m_lError;
}

bool DictionaryReader::TakePlainEntries(DWORD at) {
  PlainEntry entry;
  if (!m_bTakePlainEntries || m_states.back().destination != dest_text ||
      !plain_entry_at(m_bytes, at, entry, m_plainKeys, m_plainText))
    return false;
  // As PushState and ChangeDestination would for the outline's group.
  Break();
  m_states.back().fresh = false;
  CommitEntry(at);
  DWORD resume = at;
  for (;;) {
    BeginEntry(at, m_states.size(), entry.outline_offset, std::nullopt);
    resume = entry.text_begin;
    // An outline read with its entry is not read again.
    if (entry.keys.empty()) {
      m_outline.assign(entry.outline);
      EndOutline();
    } else if (!entry.complete) {
      m_keys.assign(reinterpret_cast<const char*>(entry.keys.data()), entry.keys.size());
      BeginTranslation();
    }
    // Text the parser has to read, and the text of an invalid entry
    // (which is kept as the file spells it), are left to it.
    if (!entry.complete || m_entry == EntryState::invalid) break;
    // The entry is whole: its text and markers, and nothing else.
    m_dictionary.Append(entry.keys.empty() ? as_key_bytes(m_keys) : entry.keys, entry.text,
                        CTranFlags(entry.markers.GetFlags(entry.text.size())));
    m_entry = EntryState::none;
    at = resume = entry.end;
    if (!plain_entry_at(m_bytes, at, entry, m_plainKeys, m_plainText)) break;
  }
  m_lError = m_pScanner->SkipTo(resume);
  return true;
}

void DictionaryReader::NoteKeptAfterRead(Group& group) {
  if (m_pieces.size() == group.extras_at_begin && m_text.size() == group.text_at_begin)
    group.extra_not_first = true;
}

void DictionaryReader::BeginEntry(DWORD group_begin, std::size_t depth, DWORD outline_offset,
                                  std::optional<UINT> code_page) {
  ++m_entries;
  m_entry = EntryState::outline;
  m_entryBegin = group_begin;
  m_entryDepth = depth;
  m_outline.clear();
  m_outlineCodePage = code_page;
  m_dwOutlineOffset = outline_offset;
}

void DictionaryReader::EndOutline() {
  const std::string_view text = trim_spaces(m_outline);
  const std::optional<UINT> code_page = std::exchange(m_outlineCodePage, std::nullopt);
  if (!read_outline_keys(text, m_keys)) {
    m_entry = EntryState::invalid;
    m_invalid.push_back({0, std::string(text), {}, 0});
    m_invalidOffsets.push_back(m_dwOutlineOffset);
    return;
  }
  if (code_page) SetCodePage(*code_page);
  BeginTranslation();
}

void DictionaryReader::BeginTranslation() {
  m_entry = EntryState::translation;
  m_text.clear();
  m_markers = CreMarkers();
  m_explicitFlags.reset();
  m_punctuationEnd = std::string::npos;
}

void DictionaryReader::CommitEntry(DWORD end) {
  Break();
  // An outline the file breaks off in names an entry without text when
  // the notation takes it; one it does not take is no entry at all, since
  // whatever closed it when written back could make it one.
  if (m_entry == EntryState::outline) {
    if (read_outline_keys(trim_spaces(m_outline), m_keys))
      EndOutline();
    else
      m_entry = EntryState::none;
  }
  if (m_entry == EntryState::translation) {
    WORD flags = m_explicitFlags.value_or(m_markers.GetFlags(m_text.size()));
    if (!m_explicitFlags && m_punctuationEnd == m_text.size())
      flags |= cre_punctuation_flags(m_text);
    m_extras.clear();
    for (const Piece& piece : m_pieces) {
      const std::string_view rtf =
          std::string_view(m_pieceBytes).substr(piece.offset, piece.length);
      if (!binary_cut_short(rtf))
        m_extras.push_back({std::min(piece.position, m_text.size()), rtf});
    }
    m_dictionary.Append({reinterpret_cast<const BYTE*>(m_keys.data()), m_keys.size()}, m_text,
                        CTranFlags(flags), m_extras);
  } else if (m_entry == EntryState::invalid) {
    std::string bytes;
    ReadBytes(m_entryBegin, end, bytes);
    CStenoDictionary::InvalidOutline& invalid = m_invalid.back();
    // Line breaks trimmed again, in case a brace left out stood after one.
    invalid.rtf = trim_line_breaks(balance_groups(trim_line_breaks(bytes)));
    invalid.before = m_dictionary.GetCount();
  }
  m_entry = EntryState::none;
  m_pieces.clear();
  m_pieceBytes.clear();
}

}  // namespace dictionary_read
