#include "platform/serial/comm_timeouts.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using comm_timeouts::plan_read;
using comm_timeouts::write_total_ms;

struct read_case {
  COMMTIMEOUTS timeouts;
  DWORD count;
  bool at_once;
  bool first_byte_ends;
  std::optional<std::uint64_t> total_ms;
  std::optional<std::uint64_t> interval_ms;
};

std::string describe(const COMMTIMEOUTS& t, DWORD count) {
  return "interval " + std::to_string(t.ReadIntervalTimeout) + " multiplier " +
         std::to_string(t.ReadTotalTimeoutMultiplier) + " constant " +
         std::to_string(t.ReadTotalTimeoutConstant) + " count " + std::to_string(count);
}

TEST(CommTimeoutsTest, ReadPlans) {
  constexpr std::uint64_t max = MAXDWORD;
  const read_case cases[] = {
      // No time-outs at all: the read waits for every byte.
      {{0, 0, 0, 0, 0}, 10, false, false, std::nullopt, std::nullopt},
      // The port's defaults: 50 + 50 x n in all, no interval.
      {{0, 50, 50, 0, 0}, 1, false, false, 100, std::nullopt},
      {{0, 50, 50, 0, 0}, 16, false, false, 850, std::nullopt},
      {{0, 0, 200, 0, 0}, 1000, false, false, 200, std::nullopt},
      {{0, 7, 0, 0, 0}, 3, false, false, 21, std::nullopt},
      {{20, 0, 0, 0, 0}, 8, false, false, std::nullopt, 20},
      {{20, 10, 100, 0, 0}, 8, false, false, 180, 20},
      // Returns at once with what waits.
      {{MAXDWORD, 0, 0, 0, 0}, 8, true, false, std::nullopt, std::nullopt},
      // Returns with the first byte, or after the constant.
      {{MAXDWORD, MAXDWORD, 500, 0, 0}, 64, false, true, 500, std::nullopt},
      {{MAXDWORD, MAXDWORD, MAXDWORD - 1, 0, 0}, 1, false, true, max - 1, std::nullopt},
      // Not the special cases: MAXDWORD is a long interval, and products do
      // not wrap round to short waits.
      {{MAXDWORD, 0, 100, 0, 0}, 4, false, false, 100, max},
      {{MAXDWORD, MAXDWORD, 0, 0, 0}, 2, false, false, 2 * max, max},
      {{0, MAXDWORD, MAXDWORD, 0, 0}, MAXDWORD, false, false, max * max + max, std::nullopt},
  };
  for (const auto& c : cases) {
    auto plan = plan_read(c.timeouts, c.count);
    std::string input = describe(c.timeouts, c.count);
    EXPECT_EQ(c.at_once, plan.at_once) << input;
    EXPECT_EQ(c.first_byte_ends, plan.first_byte_ends) << input;
    EXPECT_EQ(c.total_ms, plan.total_ms) << input;
    EXPECT_EQ(c.interval_ms, plan.interval_ms) << input;
  }
}

TEST(CommTimeoutsTest, WriteTotals) {
  struct write_case {
    DWORD multiplier;
    DWORD constant;
    DWORD count;
    std::optional<std::uint64_t> total_ms;
  };
  const write_case cases[] = {
      {0, 0, 100, std::nullopt},
      {50, 50, 1, 100},
      {50, 50, 10, 550},
      {0, 1000, 5, 1000},
      {MAXDWORD, 1, MAXDWORD, std::uint64_t{MAXDWORD} * MAXDWORD + 1},
  };
  for (const auto& c : cases) {
    COMMTIMEOUTS t{0, 0, 0, c.multiplier, c.constant};
    EXPECT_EQ(c.total_ms, write_total_ms(t, c.count))
        << "multiplier " << c.multiplier << " constant " << c.constant << " count " << c.count;
  }
}

}  // namespace
