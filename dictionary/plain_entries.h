// The tokens of an entry of the common form "{\*\cxs OUTLINE}text", cut from
// the file's bytes as the RTF scanner would cut them, so that the reader can
// take such entries without the scanner: the outline plain characters, the
// text plain characters, line breaks and the markers \cxds and \cxfc, where
// plain means no escape, brace, tab, control or 8-bit byte. What the outline
// and the markers mean is the reader's business. Internal to the reader.
#pragma once

#include "dictionary/cre_markers.h"
#include "platform/types.h"

#include <string>
#include <string_view>

namespace dictionary_read {

struct PlainEntry {
  std::string_view outline;  // untrimmed, as the outline's text token
  DWORD outline_offset;      // of the "\cxs" token
  DWORD text_begin;          // after the outline's "}"
  std::string_view text;
  CreMarkers markers;
  // The next entry of this form follows, so that nothing else belongs to
  // this one; it begins at `end`.
  bool complete;
  DWORD end;
};

// The entry at stream offset `at`, where the scanner's "{" token begins
// (line breaks before the brace included), if it has the common form. The
// bytes are followed by a NUL, which ends every run read here without a
// check of the length. `text` holds the entry's text when that is not one
// run of the file.
bool plain_entry_at(std::string_view bytes, DWORD at, PlainEntry& entry, std::string& text);

}  // namespace dictionary_read
