// The character tests and case-blind comparisons that the text rules share
// (not installed). Letters and case are ASCII only: a byte above 127 is no
// letter and has no case, whatever the locale says.
#pragma once

#include <string_view>

#include "platform/ascii.h"

namespace ascii_text {

// The terminator belongs to every set: the rules were written against C
// strings, where looking for '\0' finds the end of the set.
inline bool is_in(char c, std::string_view set) { return c == '\0' || set.find(c) != set.npos; }

inline bool is_letter(char c) { return KelmIsAsciiLetter(c); }
inline bool is_upper(char c) { return KelmIsAsciiUpper(c); }
inline char lower(char c) { return KelmAsciiToLower(c); }
inline char upper(char c) { return KelmAsciiToUpper(c); }

inline bool same_no_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

inline bool begins_with(std::string_view text, std::string_view start) {
  return start.size() <= text.size() && same_no_case(text.substr(0, start.size()), start);
}

inline bool ends_with(std::string_view text, std::string_view end) {
  return end.size() <= text.size() && same_no_case(text.substr(text.size() - end.size()), end);
}

}  // namespace ascii_text
