#include "platform/spelling/phonetic.h"

#include <array>

namespace spelling {
namespace {

constexpr std::array<char, 256> make_base_letters() {
  std::array<char, 256> table{};
  for (int c = 'a'; c <= 'z'; ++c) {
    table[c] = static_cast<char>(c);
    table[c - 'a' + 'A'] = static_cast<char>(c);
  }
  table[0x83] = 'f';
  table[0x8A] = table[0x9A] = 's';
  table[0x8C] = table[0x9C] = 'o';
  table[0x8E] = table[0x9E] = 'z';
  table[0x9F] = table[0xFF] = 'y';
  constexpr char upper_half[] = "aaaaaaaceeeeiiiidnooooo\0ouuuuyts";
  for (int i = 0; i < 32; ++i) {
    table[0xC0 + i] = upper_half[i];
    table[0xE0 + i] = upper_half[i];
  }
  table[0xF7] = 0;
  table[0xFE] = 't';
  table[0xFF] = 'y';
  return table;
}

constexpr std::array<char, 256> base_letters = make_base_letters();

bool is_vowel(char c) { return c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u'; }

bool is_front_vowel(char c) { return c == 'e' || c == 'i' || c == 'y'; }

// The letters of the word, lowercase and unaccented, with a zero byte on either
// side so that the rules may look one letter past each end.
std::string letters_of(std::string_view word) {
  std::string letters(1, '\0');
  for (char c : word) {
    if (char base = base_letter(c)) letters += base;
  }
  letters += '\0';
  letters += '\0';
  return letters;
}

// Where the sounds begin: some initial letters are written but not heard.
std::size_t first_heard(const std::string& w) {
  const char a = w[1], b = w[2];
  if ((a == 'k' && b == 'n') || (a == 'g' && b == 'n') || (a == 'p' && b == 'n') ||
      (a == 'w' && b == 'r') || (a == 'p' && b == 's') || (a == 'p' && b == 't'))
    return 2;
  return 1;
}

}  // namespace

char base_letter(char c) { return base_letters[static_cast<unsigned char>(c)]; }

std::string sound_key(std::string_view word, std::size_t max_length) {
  const std::string w = letters_of(word);
  const std::size_t end = w.size() - 2;
  std::string key;
  auto add = [&](char sound) {
    if (key.empty() || key.back() != sound) key += sound;
  };
  std::size_t i = first_heard(w);
  if (i < end && is_vowel(w[i])) {
    key += 'A';
    ++i;
  } else if (w[i] == 'x') {
    key += 'S';
    ++i;
  } else if (w[i] == 'w' && w[i + 1] == 'h') {
    key += 'W';
    i += 2;
  }
  for (; i < end && key.size() < max_length; ++i) {
    const char c = w[i], prev = w[i - 1], next = w[i + 1], after = w[i + 2];
    if (c == prev && c != 'c') continue;
    switch (c) {
      case 'b':
        if (!(prev == 'm' && next == '\0')) add('P');
        break;
      case 'c':
        if (next == 'h') {
          add(prev == 's' || after == 'r' ? 'K' : 'X');
          ++i;
        } else if (next == 'i' && after == 'a') {
          add('X');
        } else if (is_front_vowel(next)) {
          if (prev != 's') add('S');
        } else {
          add('K');
        }
        break;
      case 'd':
        if (next == 'g' && is_front_vowel(after)) {
          add('J');
          ++i;
        } else {
          add('T');
        }
        break;
      case 'g':
        if (next == 'h' && !is_vowel(after) && after != '\0') {
          ++i;  // "night", "thought": the gh is not heard
        } else if (next == 'h') {
          add(i == 1 ? 'K' : 'F');  // "ghost"; "tough", "laugh"
          ++i;
        } else if (next == 'n' && (after == '\0' || (after == 'e' && w[i + 3] == 'd'))) {
          // "sign", "signed"
        } else if (is_front_vowel(next)) {
          add('J');
        } else {
          add('K');
        }
        break;
      case 'h':
        if (is_vowel(next) && !(prev == 'c' || prev == 's' || prev == 'p' || prev == 't' ||
                                prev == 'g' || prev == 'w'))
          add('H');
        break;
      case 'k':
        if (prev != 'c') add('K');
        break;
      case 'p':
        if (next == 'h') {
          add('F');
          ++i;
        } else {
          add('P');
        }
        break;
      case 'q':
        add('K');
        break;
      case 's':
        if (next == 'h') {
          add('X');
          ++i;
        } else if (next == 'i' && (after == 'o' || after == 'a')) {
          add('X');
        } else if (next == 'c' && w[i + 2] == 'h') {
          add('S');
          add('K');
          i += 2;
        } else {
          add('S');
        }
        break;
      case 't':
        if (next == 'i' && (after == 'o' || after == 'a')) {
          add('X');
        } else if (next == 'h') {
          add('0');
          ++i;
        } else if (!(next == 'c' && after == 'h')) {
          add('T');
        }
        break;
      case 'v':
        add('F');
        break;
      case 'w':
      case 'y':
        if (is_vowel(next)) add(c == 'w' ? 'W' : 'Y');
        break;
      case 'x':
        add('K');
        add('S');
        break;
      case 'z':
        add('S');
        break;
      case 'f':
      case 'j':
      case 'l':
      case 'm':
      case 'n':
      case 'r':
        add(static_cast<char>(c - 'a' + 'A'));
        break;
      default:  // vowels after the first letter are not part of the key
        break;
    }
  }
  if (key.size() > max_length) key.resize(max_length);
  return key;
}

}  // namespace spelling
