// The arithmetic of COMMTIMEOUTS: how long a read or write of n bytes may
// take, and when a read ends with fewer bytes than asked. Internal to the
// platform layer.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/serial/comm.h"

namespace comm_timeouts {

struct read_plan {
  // Ends at once with the bytes already waiting, perhaps none.
  bool at_once = false;
  // Ends as soon as it holds at least one byte.
  bool first_byte_ends = false;
  // Milliseconds from the start for the whole read; none waits without end.
  std::optional<std::uint64_t> total_ms;
  // Milliseconds allowed between two bytes, counted once a byte came.
  std::optional<std::uint64_t> interval_ms;
};

read_plan plan_read(const COMMTIMEOUTS& timeouts, DWORD count);
// Milliseconds for the whole write; none waits without end.
std::optional<std::uint64_t> write_total_ms(const COMMTIMEOUTS& timeouts, DWORD count);

}  // namespace comm_timeouts
