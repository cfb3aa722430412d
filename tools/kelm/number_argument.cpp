#include "number_argument.h"

#include <charconv>

namespace kelm_cli {

std::optional<std::uint32_t> ParseNumber(std::string_view text, std::uint32_t most) {
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    base = 16;
    text.remove_prefix(2);
  }
  std::uint32_t number = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, number, base);
  if (text.empty() || error != std::errc{} || stop != end || number > most) return std::nullopt;
  return number;
}

}  // namespace kelm_cli
