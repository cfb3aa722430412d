// The handle table and events. Handles are numbers that are never reused,
// taken from one counter for every kind of object.
#include "platform/handle.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "platform/kernel_object.h"

namespace kernel_object {

namespace {

struct handle_table {
  std::mutex m;
  UINT_PTR next = 4;
  std::unordered_map<UINT_PTR, std::shared_ptr<object>> objects;
};

// Never destroyed, so that a handle closed by a static destructor of
// another file still finds the table.
handle_table& table() {
  static handle_table* t = new handle_table;
  return *t;
}

}  // namespace

HANDLE add(std::shared_ptr<object> item) {
  handle_table& t = table();
  std::lock_guard lock(t.m);
  const UINT_PTR h = t.next;
  t.next += 4;
  t.objects.emplace(h, std::move(item));
  return reinterpret_cast<HANDLE>(h);
}

std::shared_ptr<object> find(HANDLE handle) {
  handle_table& t = table();
  std::lock_guard lock(t.m);
  const auto it = t.objects.find(reinterpret_cast<UINT_PTR>(handle));
  if (it != t.objects.end()) return it->second;
  SetLastError(ERROR_INVALID_HANDLE);
  return nullptr;
}

steady::time_point after(steady::time_point from, std::uint64_t ms) {
  constexpr std::uint64_t longest = std::uint64_t{1} << 40;
  return from + std::chrono::milliseconds(std::min(ms, longest));
}

void event::set() {
  {
    std::lock_guard lock(m_lock);
    m_signalled = true;
  }
  m_changed.notify_all();
}

void event::reset() {
  std::lock_guard lock(m_lock);
  m_signalled = false;
}

void event::await_work(std::weak_ptr<pending_work> work) {
  {
    std::lock_guard lock(m_lock);
    m_work = std::move(work);
  }
  m_changed.notify_all();
}

DWORD event::wait(std::optional<steady::time_point> until) {
  for (;;) {
    std::shared_ptr<pending_work> work;
    {
      std::unique_lock lock(m_lock);
      if (m_signalled) {
        if (!m_manual) m_signalled = false;
        return WAIT_OBJECT_0;
      }
      work = m_work.lock();
      if (!work || work->done()) {
        // Woken by SetEvent, or by a piece of work that comes to be driven.
        auto ready = [&] {
          auto next = m_work.lock();
          return m_signalled || (next && next != work);
        };
        if (!until)
          m_changed.wait(lock, ready);
        else if (!m_changed.wait_until(lock, *until, ready))
          return WAIT_TIMEOUT;
        continue;
      }
    }
    if (!work->drive(until) && until && steady::now() >= *until) {
      std::lock_guard lock(m_lock);
      if (!m_signalled) return WAIT_TIMEOUT;
    }
  }
}

}  // namespace kernel_object

BOOL CloseHandle(HANDLE hObject) {
  std::shared_ptr<kernel_object::object> item;
  {
    auto& t = kernel_object::table();
    std::lock_guard lock(t.m);
    const auto it = t.objects.find(reinterpret_cast<UINT_PTR>(hObject));
    if (it == t.objects.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    item = std::move(it->second);
    t.objects.erase(it);
  }
  item->closed();
  return TRUE;
}

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName) {
  if (lpName != nullptr) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  return kernel_object::add(
      std::make_shared<kernel_object::event>(bManualReset != FALSE, bInitialState != FALSE));
}

BOOL SetEvent(HANDLE hEvent) {
  auto item = kernel_object::find<kernel_object::event>(hEvent);
  if (!item) return FALSE;
  item->set();
  return TRUE;
}

BOOL ResetEvent(HANDLE hEvent) {
  auto item = kernel_object::find<kernel_object::event>(hEvent);
  if (!item) return FALSE;
  item->reset();
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  auto item = kernel_object::find<kernel_object::event>(hHandle);
  if (!item) return WAIT_FAILED;
  std::optional<kernel_object::steady::time_point> until;
  if (dwMilliseconds != INFINITE)
    until = kernel_object::after(kernel_object::steady::now(), dwMilliseconds);
  return item->wait(until);
}
