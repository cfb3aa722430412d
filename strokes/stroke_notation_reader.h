// The notations' reader as CSteno reads outlines with it: one pass over the
// text that splits it at slashes as it reads the strokes. Internal to
// strokes/.
#pragma once

#include <string>
#include <string_view>

namespace stroke_notation {

enum class Notation { plain, rtf, brisca };

// Reads an outline as CSteno's readers do (see steno.h): the keys of the
// strokes they keep go to `keys` (CStroke::PackedSize bytes each), replacing
// what it held. Their result.
int ReadOutline(std::string_view text, Notation notation, int grandjean, std::string& keys);

}  // namespace stroke_notation
