// Shorthands for the stroke tests: a stroke is named by its six hex digits,
// byte 0 first (position p is bit 23 - p), so K- A -T is 084008.
#pragma once

#include <string>

#include "strokes/stroke.h"

inline CStroke from_hex(const char* keys) {
  CStroke stroke;
  stroke.SetStrHex(keys);
  return stroke;
}

inline std::string hex_of(const CStroke& stroke) { return stroke.GetStrHex().GetString(); }
