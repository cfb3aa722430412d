#include "dictionary/dictionary_reader.h"

#include "dictionary/kept_rtf.h"
#include "platform/code_page.h"

#include <algorithm>
#include <utility>

namespace dictionary_read {
namespace {

// Control words the scanner's table does not hold, so that they come as
// unrecognised tokens.
constexpr std::string_view word_unicode = "\\u";
constexpr std::string_view word_fallback = "\\uc";
constexpr std::string_view word_code_page = "\\ansicpg";
constexpr UINT cp_1252 = 1252;

}  // namespace

void DictionaryReader::TakeText(std::string_view text, DWORD begin, DWORD end) {
  m_states.back().fresh = false;
  switch (m_states.back().destination) {
    case dest_outline:
      m_outline += text;
      break;
    case dest_text:
    case dest_punctuation:
      if (InTranslation()) AddText(text, begin, end);
      break;
    case dest_skip:
      break;
  }
}

long DictionaryReader::OutputChar(int nIndex) {
  m_states.back().fresh = false;
  if (InTranslation()) {
    m_decoder.character(static_cast<char>(nIndex), m_text);
    TakeUnrepresentable();
  }
  return Settle();
}

void DictionaryReader::Take(CRtfToken& token, DWORD end) {
  Group& group = m_states.back();
  // What a kept group holds is kept with it, not read: a code page set in
  // it would move with it, should its entry be written elsewhere.
  if (group.destination == dest_skip) return;
  // The words that set how text is read, and "\*", leave a group as new
  // as it was, so that a destination may still follow.
  if (token.GetType() == m_types.optional_destination && group.fresh) {
    group.optional = true;
    return;
  }
  if (token.GetType() == CRtfToken::typeUnknown && token.GetNumParm() != CRtfToken::no_parameter) {
    const std::string_view word = token.GetCtrlWord();
    if (word == word_fallback) {
      // An invalid entry is kept as the file spells it, not read: written
      // back, its braces may be balanced otherwise, and a count it set
      // would reach entries after it that it did not reach here.
      if (m_entry != EntryState::invalid) group.fallback = token.GetNumParm();
      return;
    }
    if (word == word_code_page) {
      // Nor is a code page an invalid entry sets: written back, it would
      // reach text that was already read in another. One set in an outline
      // waits until the outline is known to be taken.
      const auto code_page = static_cast<UINT>(token.GetNumParm());
      if (m_entry == EntryState::outline) {
        m_outlineCodePage = code_page;
      } else if (m_entry != EntryState::invalid) {
        if (group.fresh && !group.encoding_before)
          group.encoding_before =
              Encoding{m_decoder.code_page(), m_bEncodingKnown, m_bRawUtf8, m_bEscapesUtf8};
        group.code_page = code_page;
        SetCodePage(code_page);
      }
      return;
    }
    if (word == word_unicode && InTranslation()) {
      group.fresh = false;
      m_decoder.unicode(token.GetNumParm(), group.fallback, m_text);
      TakeUnrepresentable();
      return;
    }
    // Kept, it would be written after the outline, where it reads as a
    // character of the text. It is a character of the outline, which no
    // stroke has: the outline is spelled with it and refused (or passed
    // over where the notation passes over characters).
    if (word == word_unicode && m_entry == EntryState::outline &&
        group.destination == dest_outline) {
      group.fresh = false;
      std::string spelled;
      ReadBytes(token.GetStreamOffset(), end, spelled);
      m_outline += trim_line_breaks(spelled);
      return;
    }
  }
  // A backslash alone (before a digit or a capital) stands for nothing,
  // and kept it would run on into whatever is written after it.
  if (token.GetType() == CRtfToken::typeUnknown && token.GetLength() == 1) return;
  // Text cut short by an escape that is not whole, a \' short of its hex
  // digits or the backslash the file ends on, comes with the escape as one
  // unknown token: the text is read as text. The backslash stands for
  // nothing, as above; the \' is kept as the file spells it.
  if (token.GetType() == CRtfToken::typeUnknown) {
    const std::string_view held(token.GetBuffer(), token.GetLength());
    const std::size_t cut = held.rfind('\\');
    if (cut != 0 && cut != std::string_view::npos) {
      const std::string_view spelled =
          trim_line_breaks(m_bytes.substr(token.GetStreamOffset(), end - token.GetStreamOffset()));
      const auto escape = static_cast<DWORD>(spelled.data() + spelled.rfind('\\') - m_bytes.data());
      TakeText(held.substr(0, cut), token.GetStreamOffset(), escape);
      if (held.size() - cut > 1) {
        Break();
        KeepBytes(escape, end);
      }
      return;
    }
  }
  const bool was_fresh = std::exchange(group.fresh, false);
  // An optional destination the reader does not know, as in PushState.
  if (was_fresh && group.optional && group.destination != dest_skip) {
    group.destination = dest_skip;
    group.kept = true;
    TakeBackCodePage(group);
    return;
  }
  // What is kept stands after the text before it, a character that text
  // still held back (half of a surrogate pair) included.
  Break();
  if (!was_fresh && token.GetType() == m_types.optional_destination) NoteKeptAfterRead(group);
  KeepBytes(token.GetStreamOffset(), end);
}

void DictionaryReader::SetCodePage(UINT code_page) {
  if (code_page == CP_UTF8) {
    m_bEscapesUtf8 = true;
    SetUtf8(true);
  } else {
    m_decoder.set_code_page(code_page);
    // A code page declared before any text settles what raw bytes are.
    if (code_page != cp_1252 && !m_bEncodingKnown) SetUtf8(false);
  }
}

std::optional<UINT> DictionaryReader::TakeBackCodePage(Group& group) {
  const std::optional<Encoding> before = std::exchange(group.encoding_before, std::nullopt);
  if (!before) return std::nullopt;
  m_decoder.set_code_page(before->code_page);
  m_decoder.set_utf8(before->raw_utf8);
  m_bRawUtf8 = before->raw_utf8;
  m_bEncodingKnown = before->known;
  m_bEscapesUtf8 = before->escapes_utf8;
  return group.code_page;
}

void DictionaryReader::SetUtf8(bool utf8) {
  m_decoder.set_utf8(utf8);
  m_bRawUtf8 = utf8;
  m_bEncodingKnown = true;
}

void DictionaryReader::AddText(std::string_view bytes, DWORD begin, DWORD end) {
  if (m_decoder.takes_as_it_is(bytes)) {
    m_text += bytes;
    return;
  }
  // Only a file with 8-bit bytes in its text needs to know what they are.
  if (!m_bEncodingKnown) SetUtf8(rtf_text::is_utf8(m_bytes));
  m_decoder.text(bytes, m_text,
                 m_bRawUtf8 && !m_bEscapesUtf8 ? EscapedBytes(bytes, begin, end) : "");
  TakeUnrepresentable();
}

std::string_view DictionaryReader::EscapedBytes(std::string_view text, DWORD begin, DWORD end) {
  m_raw.clear();
  ReadBytes(begin, end, m_raw);
  m_escaped.clear();
  for (std::size_t i = 0; i < m_raw.size(); ++i) {
    if (is_line_break(m_raw[i])) continue;
    const bool escape = m_raw[i] == '\\' && i + 1 < m_raw.size();
    m_escaped += escape ? '\1' : '\0';
    if (escape) i += m_raw[i + 1] == '\'' ? 3 : 1;
  }
  // A token the file does not spell so (one cut at the scanner's limit) is
  // taken as raw bytes.
  if (m_escaped.size() != text.size()) m_escaped.clear();
  return m_escaped;
}

void DictionaryReader::Break() {
  if (m_entry != EntryState::translation) return;
  m_decoder.flush(m_text);
  TakeUnrepresentable();
}

void DictionaryReader::KeepUnrepresentable() {
  std::vector<rtf_text::unrepresentable>& found = m_decoder.found();
  for (const rtf_text::unrepresentable& character : found)
    if (!character.rtf.empty()) AddPiece(character.rtf, character.position);
  found.clear();
}

void DictionaryReader::KeepBytes(DWORD begin, DWORD end) {
  // A kept group is kept whole when it closes.
  if (!InEntry() || end <= begin || m_states.back().destination == dest_skip) return;
  const std::size_t position = m_entry == EntryState::translation ? m_text.size() : 0;
  if (!m_pieces.empty()) {
    Piece& last = m_pieces.back();
    if (last.end == begin && last.position == position &&
        last.offset + last.length == m_pieceBytes.size()) {
      ReadBytes(begin, end, m_pieceBytes);
      last.length = m_pieceBytes.size() - last.offset;
      last.end = end;
      return;
    }
  }
  std::string bytes;
  ReadBytes(begin, end, bytes);
  const std::string_view kept = trim_line_breaks(bytes);
  if (kept.empty()) return;
  AddPiece(kept, position);
  m_pieces.back().end = end;
}

void DictionaryReader::AddPiece(std::string_view rtf, std::size_t position) {
  m_pieces.push_back({position, m_pieceBytes.size(), rtf.size(), 0});
  m_pieceBytes += rtf;
  if (m_states.back().entry == m_entries) m_states.back().holds_extras = true;
}

void DictionaryReader::ReadBytes(DWORD begin, DWORD end, std::string& out) {
  if (begin < m_bytes.size()) out += m_bytes.substr(begin, end - begin);
}

void DictionaryReader::EndPunctuation() {
  const std::size_t start = std::min(m_punctuationStart, m_text.size());
  const std::string_view group = std::string_view(m_text).substr(start);
  const std::string_view mark = trim_spaces(group);
  const std::size_t lead = static_cast<std::size_t>(mark.data() - group.data());
  m_text = m_text.substr(0, start) + std::string(mark);
  m_punctuationEnd = start == 0 ? m_text.size() : std::string::npos;
  for (Piece& piece : m_pieces)
    if (piece.position > start)
      piece.position =
          std::min(piece.position > start + lead ? piece.position - lead : start, m_text.size());
}

}  // namespace dictionary_read
