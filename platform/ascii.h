// ASCII letters and case, the case rules of the library's text: the text is
// Windows-1252, but its letters and case changes are A-Z and a-z only, so a
// byte above 127 is no letter and has no case, whatever the locale says.
// (The spelling engine alone folds the code page's other letters too.)
#pragma once

constexpr bool KelmIsAsciiUpper(char ch) { return ch >= 'A' && ch <= 'Z'; }
constexpr bool KelmIsAsciiLower(char ch) { return ch >= 'a' && ch <= 'z'; }
constexpr bool KelmIsAsciiLetter(char ch) { return KelmIsAsciiUpper(ch) || KelmIsAsciiLower(ch); }
constexpr char KelmAsciiToUpper(char ch) {
  return KelmIsAsciiLower(ch) ? static_cast<char>(ch - 'a' + 'A') : ch;
}
constexpr char KelmAsciiToLower(char ch) {
  return KelmIsAsciiUpper(ch) ? static_cast<char>(ch - 'A' + 'a') : ch;
}
