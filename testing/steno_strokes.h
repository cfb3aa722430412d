// Strokes from outlines in the plain notation, for tests that feed a
// translator: "KAT/-S TKOG" gives three strokes. An outline the notation
// refuses fails the test that asked for it.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "strokes/steno.h"
#include "strokes/stroke.h"

inline std::vector<CStroke> strokes_of(std::string_view strokes) {
  std::vector<CStroke> all;
  std::istringstream words{std::string(strokes)};
  for (std::string word; words >> word;) {
    CSteno steno;
    EXPECT_EQ(0, steno.SetString(word.c_str(), 0)) << word;
    for (int i = 0; i < steno.GetStrokeCount(); ++i) all.push_back(steno[i]);
  }
  return all;
}
