// The tokens of an entry of the common form "{\*\cxs OUTLINE}text", cut from
// the file's bytes as the RTF scanner would cut them, so that the reader can
// take such entries without the scanner: the outline plain characters, the
// text plain characters, line breaks and the markers \cxds and \cxfc, where
// plain means no escape, brace, tab, control or 8-bit byte. What the outline
// and the markers mean is the reader's business. Internal to the reader.
#pragma once

#include "dictionary/cre_markers.h"
#include "platform/types.h"
#include "strokes/stroke.h"

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace dictionary_read {

// Room for the keys of the outlines read with their entries; longer ones
// are left to the reader.
using PlainKeys = std::array<BYTE, 32 * CStroke::PackedSize>;

struct PlainEntry {
  std::string_view outline;  // untrimmed, as the outline's text token
  // The outline's keys, as the reader would take them, when it is written in
  // key order (CSteno::ReadRtfKeysInKeyOrder) and fits PlainKeys; else empty,
  // and the reader reads the outline.
  std::span<const BYTE> keys;
  DWORD outline_offset;  // of the "\cxs" token
  DWORD text_begin;      // after the outline's "}"
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
// check of the length. `keys` holds the outline's keys when they are read
// with it, `text` the entry's text when that is not one run of the file.
bool plain_entry_at(std::string_view bytes, DWORD at, PlainEntry& entry, PlainKeys& keys,
                    std::string& text);

}  // namespace dictionary_read
