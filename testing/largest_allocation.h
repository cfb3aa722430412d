// The largest block allocated since a test began watching, so that it can show
// a damaged count or length was refused before its announced size was
// allocated. The sanitizers' allocators report every block, operator new's
// included, to an installed hook; replacing operator new instead would clash
// with ThreadSanitizer, which defines it itself. A build without a sanitizer
// has nothing to watch with: Watch() says so, and Get() stays 0.
// For tests only: it is not installed.
#pragma once

#include <atomic>
#include <cstddef>

// Weak, so that a build without a sanitizer still links.
extern "C" [[gnu::weak]] int __sanitizer_install_malloc_and_free_hooks(
    void (*mallocHook)(const volatile void*, size_t), void (*freeHook)(const volatile void*));

class LargestAllocation {
 public:
  static constexpr const char* kCannotWatch =
      "allocations are watched through a sanitizer's allocator, and this build has none";

  // Starts again from nothing; false when the build has no allocator to watch.
  static bool Watch() {
    // The runtimes hold only a few hooks: one serves the whole process.
    static const bool watching =
        __sanitizer_install_malloc_and_free_hooks != nullptr &&
        __sanitizer_install_malloc_and_free_hooks(Note, [](const volatile void*) {}) != 0;
    s_largest = 0;
    return watching;
  }

  static size_t Get() { return s_largest.load(); }

 private:
  static void Note(const volatile void*, size_t n) {
    size_t largest = s_largest.load();
    while (n > largest && !s_largest.compare_exchange_weak(largest, n)) {
    }
  }

  inline static std::atomic<size_t> s_largest{0};
};
