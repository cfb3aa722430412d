// The viewers' page, one HTML file with its script and style, built into
// the library from page.html.
#pragma once

#include <string_view>

namespace captions {

std::string_view Page();

}  // namespace captions
