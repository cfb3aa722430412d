// What the process holds of the kernel's (open descriptors, the eventfds
// among them, threads), counted from /proc so that a test can show a loop of
// opens and failures gives back everything it took. For tests only: it is
// not installed.
#pragma once

#include <filesystem>
#include <ostream>
#include <system_error>

struct ProcessResources {
  int descriptors = 0;
  int eventfds = 0;
  int threads = 0;

  bool operator==(const ProcessResources&) const = default;

  // The directory listing holds a descriptor of its own while it counts;
  // every count includes it, so counts compare.
  static ProcessResources Now() {
    namespace fs = std::filesystem;
    ProcessResources now;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd", ignored)) {
      ++now.descriptors;
      if (fs::read_symlink(entry.path(), ignored) == "anon_inode:[eventfd]") ++now.eventfds;
    }
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/task", ignored))
      ++now.threads;
    return now;
  }
};

inline std::ostream& operator<<(std::ostream& out, const ProcessResources& r) {
  return out << r.descriptors << " descriptors (" << r.eventfds << " eventfds), " << r.threads
             << " threads";
}
