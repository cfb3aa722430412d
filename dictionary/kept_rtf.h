// What the dictionary's reader keeps for the round trip is RTF as the file
// spells it; these trim and close such pieces so that, written where other
// entries stand, they read back the same. Internal to the reader.
#pragma once

#include <string>
#include <string_view>

namespace dictionary_read {

inline bool is_line_break(char c) { return c == '\r' || c == '\n'; }

// The scanner drops line breaks between tokens, so a token's bytes may begin
// with some, and a text's may end with some; neither belongs to what a kept
// piece of RTF says. A line break after a backslash is a control word and
// stays.
std::string_view trim_line_breaks(std::string_view rtf);

// An entry's RTF with its groups closed: a brace that closes no group of the
// entry is left out, and the groups it leaves open are closed at its end, as
// the scanner counts them (escaped braces and binary data count for
// nothing), so that the entry reads back the same when written where other
// entries stand, even when the file breaks off inside it. Binary data the
// file breaks off in is left out with its \bin, which would take the bytes
// written after it.
std::string balance_groups(std::string_view rtf);

// Whether binary data in the RTF runs past its end, as it does when the file
// ends inside it: written back, the data would take the bytes after it.
bool binary_cut_short(std::string_view rtf);

}  // namespace dictionary_read
