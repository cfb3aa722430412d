// How the RTF/CRE markers \cxds and \cxfc stand for translation flags: the
// one rule the dictionary's reader and writer share.
#pragma once

#include "platform/types.h"
#include "textrules/tran_flags.h"

#include <cstddef>
#include <string_view>

// A \cxds before any text attaches to what comes before (Suffix), one after
// all text to what follows (Prefix); with no text at all it is both. \cxfc
// capitalises what follows.
inline WORD cre_marker_flags(bool attach_before, bool attach_after, bool capitalize) {
  CTranFlags flags;
  flags.SetSuffix(attach_before);
  flags.SetPrefix(attach_after);
  flags.SetCapitalizeNext(capitalize);
  return flags.GetUShort();
}

// A punctuation group ({\cxp .}) that is a whole translation, of one of the
// marks a sentence is punctuated with, attaches to what comes before, and a
// full stop, question or exclamation mark capitalises what follows: the
// mark's spacing and capitalisation, as the open tools give their {.}, {,}
// and the rest. Any other text has none (0); a mark typed as plain text
// stays a word of its own.
inline WORD cre_punctuation_flags(std::string_view text) {
  if (text.size() != 1 || std::string_view(".!?,:;").find(text.front()) == std::string_view::npos)
    return 0;
  return cre_marker_flags(true, false, text == "." || text == "!" || text == "?");
}

// The markers of one translation as a reader meets them, each with the
// length of the text read before it.
class CreMarkers {
 public:
  void Attach(std::size_t text_before) {
    m_bBefore = m_bBefore || text_before == 0;
    m_bAfter = true;
    m_attachedAt = text_before;
  }
  void Capitalize() { m_bCapitalize = true; }
  // A \cxds attaches to what follows only when no text came after it.
  WORD GetFlags(std::size_t text_length) const {
    return cre_marker_flags(m_bBefore, m_bAfter && m_attachedAt == text_length, m_bCapitalize);
  }

 private:
  bool m_bBefore = false;
  bool m_bAfter = false;
  std::size_t m_attachedAt = 0;
  bool m_bCapitalize = false;
};
