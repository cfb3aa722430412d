// An environment variable changed for a test and put back as it was when the
// object goes, so that no test leaves its folders or time zone to the next.
// For tests only: it is not installed.
#pragma once

#include <stdlib.h>

#include <optional>
#include <string>

class ScopedEnv {
 public:
  // A null value unsets the variable.
  ScopedEnv(const char* name, const char* value) : m_name(name) {
    if (const char* was = getenv(name)) m_saved = was;
    Set(value);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv() { Set(m_saved ? m_saved->c_str() : nullptr); }

  void Set(const char* value) const {
    if (value != nullptr)
      setenv(m_name.c_str(), value, 1);
    else
      unsetenv(m_name.c_str());
  }

 private:
  std::string m_name;
  std::optional<std::string> m_saved;
};
