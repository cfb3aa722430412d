// The cause an MFC exception carries, for tests that expect a call to throw
// one. For tests only: it is not installed.
#pragma once

#include <functional>

// The m_cause of the Exception that `call` throws, or -1 when it throws none.
template <class Exception>
int CauseOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const Exception& e) {
    return e.m_cause;
  }
  return -1;
}
