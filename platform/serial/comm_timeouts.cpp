#include "platform/serial/comm_timeouts.h"

namespace comm_timeouts {

read_plan plan_read(const COMMTIMEOUTS& t, DWORD count) {
  read_plan plan;
  if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 &&
      t.ReadTotalTimeoutConstant == 0) {
    plan.at_once = true;
    return plan;
  }
  if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD &&
      t.ReadTotalTimeoutConstant > 0 && t.ReadTotalTimeoutConstant < MAXDWORD) {
    plan.first_byte_ends = true;
    plan.total_ms = t.ReadTotalTimeoutConstant;
    return plan;
  }
  // 64 bits hold MAXDWORD x MAXDWORD + MAXDWORD, so no product wraps round to
  // a short wait.
  if (t.ReadTotalTimeoutMultiplier != 0 || t.ReadTotalTimeoutConstant != 0)
    plan.total_ms =
        std::uint64_t{t.ReadTotalTimeoutMultiplier} * count + t.ReadTotalTimeoutConstant;
  if (t.ReadIntervalTimeout != 0) plan.interval_ms = t.ReadIntervalTimeout;
  return plan;
}

std::optional<std::uint64_t> write_total_ms(const COMMTIMEOUTS& t, DWORD count) {
  if (t.WriteTotalTimeoutMultiplier == 0 && t.WriteTotalTimeoutConstant == 0) return std::nullopt;
  return std::uint64_t{t.WriteTotalTimeoutMultiplier} * count + t.WriteTotalTimeoutConstant;
}

}  // namespace comm_timeouts
