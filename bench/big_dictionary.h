// A synthetic RTF/CRE steno dictionary of the size a working writer's merged
// dictionaries reach, for measuring the RTF reader and the dictionary built
// on it without shipping anyone's real dictionary.
//
// The text is the same on every run and every machine: the generator draws
// from its own fixed pseudo-random sequence. Every outline is a valid stroke
// sequence in the RTF steno notation, and no two entries share an outline.
#pragma once

#include <cstddef>
#include <string>

namespace kelm_bench {

// The number of entries MakeBigDictionary writes.
inline constexpr std::size_t big_dictionary_entries = 150000;

// The whole file, header and closing brace included, with "\r\n" line ends.
std::string MakeBigDictionary();

}  // namespace kelm_bench
