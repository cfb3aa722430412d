// A sound key for English words: words that are pronounced alike (as a poor
// speller would write them) get the same key, so "fonetik" meets "phonetic".
// The rules follow the Metaphone family: consonant sounds only, with the
// common English spellings of each sound (ph, gh, tion, ck, ...) reduced to
// one letter. Used by the suggester both to find sound-alike candidates and to
// rank near spellings that sound like the word above those that do not.
#pragma once

#include <string>
#include <string_view>

namespace spelling {

// The key of a Windows-1252 word of any case; accented letters count as their
// base letter and characters that are not letters are ignored. At most
// `max_length` characters; empty for a word with no letters.
std::string sound_key(std::string_view word, std::size_t max_length = 8);

// The lowercase unaccented ASCII letter of a Windows-1252 letter ('a' for
// "À", "á" ...), or 0 for anything that is not a letter.
char base_letter(char c);

}  // namespace spelling
