#include "number_argument.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kelm_cli {
namespace {

TEST(NumberArgument, DecimalOrHexAndNothingElse) {
  constexpr std::optional<std::uint32_t> none;
  const struct {
    std::string text;
    std::uint32_t most;
    std::optional<std::uint32_t> want;
  } cases[] = {
      {"0", UINT32_MAX, 0},
      {"42", UINT32_MAX, 42},
      {"007", UINT32_MAX, 7},
      {"0x1F", UINT32_MAX, 31},
      {"0Xff", UINT32_MAX, 255},
      {"4294967295", UINT32_MAX, 4294967295u},
      {"0xFFFFFFFF", UINT32_MAX, 4294967295u},
      {"4294967296", UINT32_MAX, none},
      {"0x100000000", UINT32_MAX, none},
      {"65535", 0xFFFF, 65535},
      {"65536", 0xFFFF, none},
      {"0x10000", 0xFFFF, none},
      {"", UINT32_MAX, none},
      {"0x", UINT32_MAX, none},
      {"-1", UINT32_MAX, none},
      {"+1", UINT32_MAX, none},
      {" 1", UINT32_MAX, none},
      {"1 ", UINT32_MAX, none},
      {"12abc", UINT32_MAX, none},
      {"1.5", UINT32_MAX, none},
      {"0x0x5", UINT32_MAX, none},
      {"0x-5", UINT32_MAX, none},
      {"1f", UINT32_MAX, none},
      {"x10", UINT32_MAX, none},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.want, ParseNumber(c.text, c.most)) << "\"" << c.text << "\" up to " << c.most;
}

}  // namespace
}  // namespace kelm_cli
