// The translator's texts are Windows-1252, one byte a character, so that the
// text rules and every take-back count work on bytes. A character
// Windows-1252 cannot hold (an emoji, a CJK character) stands in them as one
// escape of fixed length: the byte 0x1A followed by its code point as six
// hexadecimal digits, most significant first, each digit d written as the
// byte 0x10 + d. Control bytes are neither letters, digits, blanks nor
// punctuation to the text rules, so joins, suffixes and capitals pass over
// an escape as over a symbol.
//
// Every C0 control a dictionary text holds, other than tab and line break,
// is escaped too, as its own code point. Bytes 0x10 to 0x1F then occur only
// inside escapes, which makes any run of them a whole number of escapes:
// where one starts can be told from the run alone, looking back no further
// than the run's start.
//
// These are what a border (a screen, a caption feed, a file) needs: the text
// as UTF-8 and its lengths in the units a consumer counts. All are total:
// a malformed escape (a bare 0x1A, a digit out of range, a code point beyond
// U+10FFFF or a surrogate) comes out as U+FFFD and is never read past the
// text's end.
#pragma once

#include "platform/export.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace readable_text {

inline constexpr char escape_mark = 0x1A;
inline constexpr std::size_t escape_length = 7;

// A character of the text, and how many bytes of it the character takes.
struct Character {
  char32_t code_point;
  std::size_t length;
};

// Appends the escape of `code_point`, which the caller knows to be a
// character (U+10FFFF at most, no surrogate).
KELM_EXPORT void AppendEscape(char32_t code_point, std::string& out);

// The character that starts at byte `at` (< text.size()): a Windows-1252
// byte as Windows maps it (its five undefined bytes as the C1 controls of
// the same value), or an escape.
KELM_EXPORT Character NextCharacter(std::string_view text, std::size_t at);

KELM_EXPORT std::string ToUtf8(std::string_view text);

// Characters, and UTF-16 units (two for a character beyond the Basic
// Multilingual Plane), of a piece of text that starts where a character
// does.
KELM_EXPORT std::size_t CountCharacters(std::string_view text);
KELM_EXPORT std::size_t CountUtf16Units(std::string_view text);

// Whether byte `position` is inside an escape, after its first byte: a cut
// there would split it. For text the translator made, whose bytes 0x10 to
// 0x1F all belong to escapes, and whose start is where a character starts.
KELM_EXPORT bool IsInsideEscape(std::string_view text, std::size_t position);

}  // namespace readable_text
