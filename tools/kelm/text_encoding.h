// The library's text is Windows-1252; a terminal's is UTF-8. Everything the
// command prints from a library string, and every argument it hands to the
// library as text, crosses through this pair, which are the platform's
// MultiByteToWideChar and WideCharToMultiByte for a whole string.
#pragma once

#include <kelm/kelm.h>

#include <string>
#include <string_view>

namespace kelm_cli {

// Total: the five bytes that Windows-1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) become the C1 controls of the same value, as Windows
// itself maps them, so every byte survives a round trip.
std::string to_utf8(std::string_view cp1252);

// One byte per character, so positions in the result are character
// positions in the input. A character Windows-1252 cannot hold becomes '?',
// and so does each malformed sequence: its longest well-formed beginning,
// or else one byte, as Unicode counts them.
std::string to_cp1252(std::string_view utf8);

// What the command shows of a library string: to_utf8, for either form the
// library hands out.
std::string printable(std::string_view text);
std::string printable(const CString& text);

}  // namespace kelm_cli
