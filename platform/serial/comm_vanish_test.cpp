// A device that vanishes while a call waits on it, a hundred times over at
// random moments: each call ends within its time-out (or soon after the
// vanishing, for a call without one), fails with ERROR_DEVICE_NOT_CONNECTED
// unless it already had bytes, the next call fails the same way at once, and
// the loop gives back every descriptor, eventfd and thread it took.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#include "platform/serial/comm.h"
#include "testing/process_resources.h"
#include "testing/pty_pair.h"
#include "testing/scratch_folder.h"

namespace {

using namespace std::chrono_literals;
using steady = std::chrono::steady_clock;

// A hang check, not a speed test: a loaded machine under the sanitizers may
// be late by far more than a time-out's own rounding.
constexpr auto grace = 2s;
// Past this the guard unsticks a call that hangs, so that the test fails
// instead of waiting for ever.
constexpr auto rescue = 10s;

enum class call_kind { blocking_read, event_read, result_read, blocking_wait, event_wait };

const char* name_of(call_kind kind) {
  static const char* const names[] = {
      "blocking ReadFile", "overlapped ReadFile, waiting on its event",
      "overlapped ReadFile, waiting in GetOverlappedResult", "blocking WaitCommEvent",
      "overlapped WaitCommEvent, waiting on its event"};
  return names[static_cast<int>(kind)];
}

bool is_read(call_kind kind) {
  return kind == call_kind::blocking_read || kind == call_kind::event_read ||
         kind == call_kind::result_read;
}

bool is_overlapped(call_kind kind) {
  return kind != call_kind::blocking_read && kind != call_kind::blocking_wait;
}

struct round_plan {
  int number;
  call_kind kind;
  DWORD timeout_ms;  // the read's total time-out; waits have none
  std::chrono::milliseconds vanish_after;
  std::string sent;  // by the writer before it goes
  DWORD mask;        // a wait's events

  std::string describe() const {
    std::ostringstream out;
    out << "round " << number << ": " << name_of(kind) << ", time-out " << timeout_ms
        << " ms, vanishing after " << vanish_after.count() << " ms, " << sent.size()
        << " bytes sent, mask " << mask;
    return out.str();
  }
};

struct call_result {
  BOOL ok = FALSE;
  DWORD error = ERROR_SUCCESS;
  std::string bytes;
  DWORD events = 0;
};

// Takes an overlapped operation to its end: on its event, or in
// GetOverlappedResult.
BOOL finish_overlapped(HANDLE port, OVERLAPPED& ov, BOOL started, bool by_event, DWORD& done) {
  if (started || GetLastError() != ERROR_IO_PENDING) return started;
  if (by_event && WaitForSingleObject(ov.hEvent, INFINITE) != WAIT_OBJECT_0) return FALSE;
  return GetOverlappedResult(port, &ov, &done, !by_event);
}

call_result run_call(HANDLE port, const round_plan& plan) {
  call_result got;
  OVERLAPPED ov{};
  if (is_overlapped(plan.kind)) ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::string buffer(64, '\0');
  DWORD done = 0;
  switch (plan.kind) {
    case call_kind::blocking_read:
      got.ok = ReadFile(port, buffer.data(), 64, &done, nullptr);
      break;
    case call_kind::event_read:
    case call_kind::result_read:
      got.ok = finish_overlapped(port, ov, ReadFile(port, buffer.data(), 64, &done, &ov),
                                 plan.kind == call_kind::event_read, done);
      break;
    case call_kind::blocking_wait:
      got.ok = WaitCommEvent(port, &got.events, nullptr);
      break;
    case call_kind::event_wait:
      got.ok = finish_overlapped(port, ov, WaitCommEvent(port, &got.events, &ov), true, done);
      break;
  }
  got.error = got.ok ? ERROR_SUCCESS : GetLastError();
  got.bytes = buffer.substr(0, done);
  if (ov.hEvent != nullptr) CloseHandle(ov.hEvent);
  return got;
}

// Any call after the vanishing: a read, taken to its end however it starts.
call_result read_after(HANDLE port, bool overlapped) {
  round_plan again{0, overlapped ? call_kind::result_read : call_kind::blocking_read, 0, 0ms, "",
                   0};
  return run_call(port, again);
}

// The writer: sends its bytes, then goes (the master closed, the by-id link
// removed) and stands guard, closing the handle if the call never returns.
class vanishing_writer {
 public:
  vanishing_writer(std::unique_ptr<PtyPair> pty, std::string link, const round_plan& plan,
                   HANDLE port)
      : m_thread([this, pty = std::move(pty), link, plan, port]() mutable {
          std::this_thread::sleep_for(plan.vanish_after / 2);
          pty->Send(plan.sent);
          std::this_thread::sleep_for(plan.vanish_after - plan.vanish_after / 2);
          {
            std::lock_guard lock(m_m);
            m_going = true;
          }
          pty.reset();
          std::filesystem::remove(link);
          std::unique_lock lock(m_m);
          if (!m_done.wait_for(lock, rescue, [this] { return m_returned; })) {
            ADD_FAILURE() << plan.describe() << ": still waiting " << rescue.count()
                          << " s after the device vanished";
            CloseHandle(port);
          }
        }) {}
  ~vanishing_writer() { m_thread.join(); }

  void Returned() {
    {
      std::lock_guard lock(m_m);
      m_returned = true;
    }
    m_done.notify_all();
  }

  // Whether the writer has started to go.
  bool Going() {
    std::lock_guard lock(m_m);
    return m_going;
  }

 private:
  std::mutex m_m;
  std::condition_variable m_done;
  bool m_returned = false;
  bool m_going = false;
  std::thread m_thread;
};

std::string outcome_of(const call_result& got) {
  if (!got.ok)
    return got.error == ERROR_DEVICE_NOT_CONNECTED ? "device not connected"
                                                   : "error " + std::to_string(got.error);
  return got.bytes.empty() ? "timed out empty" : "bytes, then device not connected";
}

TEST(CommVanishTest, DeviceVanishingDuringACallEndsItAndLeaksNothing) {
  constexpr int rounds = 100;
  const unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  ScratchFolder folder;
  std::map<std::string, int> outcomes;
  const ProcessResources before = ProcessResources::Now();

  for (int n = 0; n < rounds; ++n) {
    round_plan plan{n, static_cast<call_kind>(n % 5), 0, 0ms, "", 0};
    plan.timeout_ms = std::uniform_int_distribution<DWORD>(100, 500)(random);
    plan.vanish_after =
        std::chrono::milliseconds(std::uniform_int_distribution<DWORD>(0, plan.timeout_ms)(random));
    // Bytes a waiting read takes, or that a wait for other events ignores.
    bool with_bytes = random() % 2 == 0;
    plan.mask = is_read(plan.kind) ? 0 : with_bytes ? EV_BREAK | EV_CTS : EV_RXCHAR;
    if (with_bytes) plan.sent = std::string(1 + random() % 8, '\x80');
    const std::string context = plan.describe() + " (seed " + std::to_string(seed) + ")";

    auto pty = std::make_unique<PtyPair>();
    const std::string link = folder.path("usb-Writer-" + std::to_string(n));
    std::filesystem::create_symlink(pty->SlavePath(), link);
    HANDLE port =
        CreateFileA(("\\\\.\\" + link).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                    OPEN_EXISTING, is_overlapped(plan.kind) ? FILE_FLAG_OVERLAPPED : 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, port) << context << ": error " << GetLastError();
    COMMTIMEOUTS timeouts{0, 0, plan.timeout_ms, 0, 0};
    ASSERT_TRUE(SetCommTimeouts(port, &timeouts)) << context;
    if (plan.mask != 0) {
      ASSERT_TRUE(SetCommMask(port, plan.mask)) << context;
    }

    call_result got;
    steady::duration took{};
    {
      vanishing_writer writer(std::move(pty), link, plan, port);
      const auto start = steady::now();
      got = run_call(port, plan);
      took = steady::now() - start;
      const bool vanishing = writer.Going();
      writer.Returned();

      const auto bound =
          (is_read(plan.kind) ? std::chrono::milliseconds(plan.timeout_ms) : plan.vanish_after) +
          grace;
      EXPECT_LT(took, bound) << context;
      if (got.ok) {
        // Only a read succeeds: with bytes the writer sent, or empty after its
        // whole time-out, the vanishing not yet seen.
        EXPECT_TRUE(is_read(plan.kind)) << context << ": events " << got.events;
        EXPECT_EQ(plan.sent.substr(0, got.bytes.size()), got.bytes) << context;
        if (got.bytes.empty()) {
          EXPECT_GE(took, std::chrono::milliseconds(plan.timeout_ms)) << context;
        }
      } else {
        EXPECT_EQ(static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED), got.error) << context;
        EXPECT_TRUE(vanishing) << context << ": failed before the device went";
        EXPECT_EQ(0u, got.events) << context;
      }
    }

    const auto later = steady::now();
    call_result again = read_after(port, is_overlapped(plan.kind));
    EXPECT_FALSE(again.ok) << context << ": the read after the vanishing";
    EXPECT_EQ(static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED), again.error) << context;
    DCB dcb{};
    EXPECT_FALSE(GetCommState(port, &dcb)) << context;
    EXPECT_EQ(static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED), GetLastError()) << context;
    EXPECT_LT(steady::now() - later, grace) << context << ": later calls wait";
    EXPECT_TRUE(CloseHandle(port)) << context;
    ++outcomes[std::string(name_of(plan.kind)) + ": " + outcome_of(got)];
  }

  const ProcessResources after = ProcessResources::Now();
  EXPECT_EQ(before, after) << "seed " << seed;
  std::cout << rounds << " rounds (seed " << seed << "); before " << before << ", after " << after
            << "\n";
  for (const auto& [outcome, count] : outcomes)
    std::cout << "  " << count << " x " << outcome << "\n";
}

}  // namespace
