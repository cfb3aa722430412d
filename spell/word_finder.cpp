#include "spell/word_finder.h"

#include <string_view>

namespace {

bool is_letter_or_digit(unsigned char c) {
  if (c < 0x80) return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  constexpr std::string_view high_letters = "\x8A\x8C\x8E\x9A\x9C\x9E\x9F\x83\xAA\xB5\xBA";
  return (c >= 0xC0 && c != 0xD7 && c != 0xF7) ||
         high_letters.find(static_cast<char>(c)) != std::string_view::npos;
}

bool is_apostrophe(char c) { return c == '\'' || c == '\x92'; }

bool letter_or_digit_at(LPCSTR text, int length, int i) {
  return i < length && is_letter_or_digit(static_cast<unsigned char>(text[i]));
}

}  // namespace

BOOL KelmFindWord(LPCSTR lpText, int nLength, int nFrom, int* pnStart, int* pnEnd) {
  if (lpText == nullptr || pnStart == nullptr || pnEnd == nullptr) return FALSE;
  int i = nFrom < 0 ? 0 : nFrom;
  while (i < nLength && !letter_or_digit_at(lpText, nLength, i)) ++i;
  if (i >= nLength) return FALSE;
  const int start = i;
  while (letter_or_digit_at(lpText, nLength, i) ||
         (i < nLength && is_apostrophe(lpText[i]) && letter_or_digit_at(lpText, nLength, i + 1)))
    ++i;
  *pnStart = start;
  *pnEnd = i;
  return TRUE;
}
