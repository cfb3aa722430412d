// The stroke's key layout as the implementation files see it (not installed):
// the three key bytes read as one number, byte 0 highest, so that position p
// is bit 23 - p and walking the bits from the top down walks the key order.
#pragma once

#include "platform/types.h"

namespace stroke_keys {

// Key positions by their English names, the mark first and -Z last.
enum position : int {
  mark,
  number_bar,
  left_s,
  left_t,
  left_k,
  left_p,
  left_w,
  left_h,
  left_r,
  vowel_a,
  vowel_o,
  asterisk,
  vowel_e,
  vowel_u,
  right_f,
  right_r,
  right_p,
  right_b,
  right_l,
  right_g,
  right_t,
  right_s,
  right_d,
  right_z,
  position_count
};

constexpr UINT all_keys = 0xFFFFFF;

constexpr UINT bit(int p) { return 1u << (23 - p); }

constexpr UINT bits(int first, int last) {
  UINT mask = 0;
  for (int p = first; p <= last; ++p) mask |= bit(p);
  return mask;
}

inline UINT ordered(const BYTE* keys) {
  return static_cast<UINT>(keys[0]) << 16 | static_cast<UINT>(keys[1]) << 8 | keys[2];
}

inline void store_ordered(BYTE* keys, UINT value) {
  keys[0] = static_cast<BYTE>(value >> 16);
  keys[1] = static_cast<BYTE>(value >> 8);
  keys[2] = static_cast<BYTE>(value);
}

}  // namespace stroke_keys
