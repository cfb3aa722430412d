#include "strokes/writer_charts.h"

#include "strokes/stroke_keys.h"

using namespace stroke_keys;

namespace {

constexpr int no_key = -1;

// ProCAT: the first three bytes' bits from the top down; the first bit is
// always clear and marks the packet's start.
constexpr int procat_chart[24] = {
    no_key,  number_bar, left_s,  left_t,   left_k,  left_p,  left_w,  left_h,
    left_r,  vowel_a,    vowel_o, asterisk, vowel_e, vowel_u, right_f, right_r,
    right_p, right_b,    right_l, right_g,  right_t, right_s, right_d, right_z,
};

struct PassportKey {
  char letter;
  int key;
};

// Passport names its keys by letters of their own: two S- keys (S, C), two
// asterisks (~, *), and the right bank as F N L Y D over Q B G X Z. The
// three keys under the thumbs' row (!, ^, +) have no place in the order.
constexpr PassportKey passport_chart[] = {
    {'#', number_bar}, {'S', left_s},   {'C', left_s},   {'T', left_t},  {'K', left_k},
    {'P', left_p},     {'W', left_w},   {'H', left_h},   {'R', left_r},  {'A', vowel_a},
    {'O', vowel_o},    {'~', asterisk}, {'*', asterisk}, {'E', vowel_e}, {'U', vowel_u},
    {'F', right_f},    {'Q', right_r},  {'N', right_p},  {'B', right_b}, {'L', right_l},
    {'G', right_g},    {'Y', right_t},  {'X', right_s},  {'D', right_d}, {'Z', right_z},
    {'!', no_key},     {'^', no_key},   {'+', no_key},
};

// The chart's row for a letter, or null for a letter it has not.
const PassportKey* passport_key(BYTE letter) {
  for (const PassportKey& row : passport_chart)
    if (static_cast<BYTE>(row.letter) == letter) return &row;
  return nullptr;
}

int hex_digit(BYTE c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

namespace writer_charts {

UINT procat_keys(const BYTE* packet) {
  UINT keys = 0;
  for (int i = 0; i < 24; ++i)
    if (packet[i / 8] & (0x80 >> (i % 8)) && procat_chart[i] != no_key)
      keys |= bit(procat_chart[i]);
  return keys;
}

bool passport_keys(const BYTE* text, int count, UINT& keys, unsigned long& dropped) {
  int i = 0;
  while (i < count && text[i] != '/') ++i;
  if (i == count) return false;
  UINT found = 0;
  unsigned long unplaced = 0;
  for (++i; i < count && text[i] != '/'; i += 2) {
    const PassportKey* row = passport_key(text[i]);
    const int shadow = i + 1 < count ? hex_digit(text[i + 1]) : -1;
    if (!row || shadow < 0) return false;
    if (shadow < 8) continue;
    if (row->key == no_key)
      ++unplaced;
    else
      found |= bit(row->key);
  }
  keys = found;
  dropped += unplaced;
  return true;
}

}  // namespace writer_charts
