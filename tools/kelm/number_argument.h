// Whole numbers on the command line (binding tables, settings values), read
// one way by every command: decimal, or hexadecimal after "0x" or "0X", and
// nothing else in the text (no sign, no blanks, no trailing characters).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kelm_cli {

// The number, or nullopt when the text is not one or exceeds `most`.
std::optional<std::uint32_t> ParseNumber(std::string_view text, std::uint32_t most = UINT32_MAX);

}  // namespace kelm_cli
