// What the caption server says to a viewer, and the little it reads of a
// request's target.
//
// The stream is a WebSocket of text frames, UTF-8, one message a frame:
//
//   "T" text          the whole text: what the viewer holds is replaced
//   "E" n ":" text    take back the last n characters, then add text
//
// n counts UTF-16 code units, the length a page's script sees: one for each
// Windows-1252 byte of the translator's text, two for an escaped character
// beyond the Basic Multilingual Plane (an emoji). A viewer that applies every
// message in order holds the server's text.
//
// The texts given are the translator's, Windows-1252 with escapes
// (translation/readable_text.h).
#pragma once

#include <string>
#include <string_view>

namespace captions {

std::string TextMessage(std::string_view text);
// Takes back the characters of `taken_back`, the end of the text the viewer
// holds, and adds `added`.
std::string EditMessage(std::string_view taken_back, std::string_view added);

// A request's target split into its path and the value of its "token"
// parameter, percent-decoded. `valid` is false for a target that is not an
// absolute path or holds a malformed escape.
struct Target {
  bool valid = false;
  std::string path;
  bool has_token = false;
  std::string token;
};
Target ParseTarget(std::string_view target);

// The token in a form that can stand in a URL's query.
std::string PercentEncoded(std::string_view text);

// Compares in a time that does not depend on where the two first differ.
bool SameSecret(std::string_view a, std::string_view b);

}  // namespace captions
