#include "platform/spelling/engine_diagnostics.h"

#include <algorithm>
#include <deque>
#include <mutex>

#include "platform/spelling/ssce.h"

namespace {

std::mutex diagnostics_mutex;

std::deque<std::string>& diagnostics() {
  static std::deque<std::string> kept;
  return kept;
}

}  // namespace

namespace spelling {

void note_diagnostic(std::string message) {
  const std::lock_guard lock(diagnostics_mutex);
  diagnostics().push_back(std::move(message));
  if (diagnostics().size() > max_diagnostics) diagnostics().pop_front();
}

}  // namespace spelling

SSCE_S32 KelmGetSpellingDiagnostics(char* buffer, SSCE_S32 bufferSize) {
  std::string text;
  {
    const std::lock_guard lock(diagnostics_mutex);
    for (const std::string& message : diagnostics()) text.append(message).push_back('\n');
  }
  if (buffer != nullptr && bufferSize > 0) {
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(bufferSize) - 1);
    std::copy_n(text.begin(), n, buffer);
    buffer[n] = '\0';
  }
  return static_cast<SSCE_S32>(std::min<std::size_t>(text.size(), 0x7FFFFFFF));
}
