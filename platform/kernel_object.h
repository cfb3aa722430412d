// The table behind HANDLE (handle.h), for the parts of the platform layer
// that put objects of their own behind a handle: serial devices, file
// mappings. Internal to the platform layer; hosts see only handle.h.
//
// An object stays alive while its handle is in the table or a call holds it
// (find), so that CloseHandle on one thread never pulls an object from under
// a call on another.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/handle.h"

namespace kernel_object {

using steady = std::chrono::steady_clock;

struct object {
  virtual ~object() = default;
  // CloseHandle took the handle out of the table: end what waits on the
  // object. Calls that still hold it finish with it.
  virtual void closed() {}
};

// A piece of work whose completion sets an event (an overlapped operation):
// a caller waiting on the event drives it, since the work progresses only
// while someone waits for it.
struct pending_work {
  virtual ~pending_work() = default;
  virtual bool done() const = 0;
  // Makes progress until the work is done (true) or `until` passes (false).
  virtual bool drive(std::optional<steady::time_point> until) = 0;
};

class event : public object {
 public:
  event(bool manual, bool signalled) : m_manual(manual), m_signalled(signalled) {}

  void set();
  void reset();
  // Resets the event for an operation that starts on it.
  void start_work();
  // The work whose completion sets the event; its waiters drive it.
  void await_work(std::weak_ptr<pending_work> work);
  // WAIT_OBJECT_0 or WAIT_TIMEOUT; no time-out without `until`.
  DWORD wait(std::optional<steady::time_point> until);

 private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  const bool m_manual;
  bool m_signalled;
  std::weak_ptr<pending_work> m_work;
};

// A new handle for the object.
HANDLE add(std::shared_ptr<object> item);
// The object of a handle, null (with ERROR_INVALID_HANDLE) when the handle
// names none.
std::shared_ptr<object> find(HANDLE handle);

// The object of a handle when it is a T, else null with ERROR_INVALID_HANDLE.
template <class T>
std::shared_ptr<T> find(HANDLE handle) {
  auto typed = std::dynamic_pointer_cast<T>(find(handle));
  if (!typed) SetLastError(ERROR_INVALID_HANDLE);
  return typed;
}

// A time `ms` milliseconds after `from`; past a few centuries a time-out
// waits without end.
steady::time_point after(steady::time_point from, std::uint64_t ms);

}  // namespace kernel_object
