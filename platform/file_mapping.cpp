#include "platform/file_mapping.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <mutex>

#include "platform/kernel_object.h"

namespace {

// The object holds its own descriptor of the file until the last holder
// lets go: CloseHandle, or a MapViewOfFile that is still reading it.
struct mapping_object : kernel_object::object {
  mapping_object(int descriptor, ULONGLONG bytes) : fd(descriptor), size(bytes) {}
  mapping_object(const mapping_object&) = delete;
  mapping_object& operator=(const mapping_object&) = delete;
  ~mapping_object() override { close(fd); }

  const int fd;
  const ULONGLONG size;
};

// The views, which the SIGBUS handler reads without a lock: a slot is taken
// while `begin` is nonzero. [begin, file_end) is what the file backs; the
// view's memory runs on to `end`.
struct view_slot {
  std::atomic<std::uintptr_t> begin{0};
  std::atomic<std::uintptr_t> file_end{0};
  std::atomic<std::uintptr_t> end{0};
  std::atomic<bool> torn{false};
};

constexpr std::size_t most_views = 256;
std::array<view_slot, most_views> views;
std::mutex views_lock;

// Read once before any view exists, so that the handler needs no call.
const std::uintptr_t page_size = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));

struct sigaction previous_bus_action;
std::once_flag bus_handler_installed;

void pass_on_bus(int signal, siginfo_t* info, void* context) {
  const struct sigaction& previous = previous_bus_action;
  if ((previous.sa_flags & SA_SIGINFO) != 0 && previous.sa_sigaction != nullptr) {
    previous.sa_sigaction(signal, info, context);
  } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
    previous.sa_handler(signal);
  } else {
    // Ignoring a fault would only bring it back: the default action ends the
    // process, once this handler returns and the signal is unblocked.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigaction(SIGBUS, &fallback, nullptr);
    raise(SIGBUS);
  }
}

void on_bus(int signal, siginfo_t* info, void* context) {
  const int saved_errno = errno;
  const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
  for (view_slot& view : views) {
    const std::uintptr_t begin = view.begin.load(std::memory_order_acquire);
    if (begin == 0 || address < begin || address >= view.file_end.load(std::memory_order_acquire))
      continue;
    void* page = reinterpret_cast<void*>(address & ~(page_size - 1));
    if (mmap(page, page_size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) !=
        MAP_FAILED) {
      view.torn.store(true, std::memory_order_release);
      errno = saved_errno;
      return;
    }
  }
  errno = saved_errno;
  pass_on_bus(signal, info, context);
}

void install_bus_handler() {
  struct sigaction action {};
  action.sa_sigaction = on_bus;
  action.sa_flags = SA_SIGINFO | SA_RESTART | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  sigaction(SIGBUS, &action, &previous_bus_action);
}

view_slot* find_view(LPCVOID base) {
  const auto address = reinterpret_cast<std::uintptr_t>(base);
  if (address == 0) return nullptr;
  for (view_slot& view : views)
    if (view.begin.load(std::memory_order_acquire) == address) return &view;
  return nullptr;
}

BOOL fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

LPVOID fail_view(DWORD error) {
  SetLastError(error);
  return nullptr;
}

// Reads `count` bytes at `offset`, or fewer where the file ends first.
std::size_t read_at(int fd, char* into, std::size_t count, ULONGLONG offset) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = pread(fd, into + done, count - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

// Puts the view in a free slot; false when there is none.
bool add_view(std::uintptr_t begin, std::uintptr_t file_end, std::uintptr_t end, bool torn) {
  std::lock_guard lock(views_lock);
  for (view_slot& view : views) {
    if (view.begin.load(std::memory_order_relaxed) != 0) continue;
    view.file_end.store(file_end, std::memory_order_relaxed);
    view.end.store(end, std::memory_order_relaxed);
    view.torn.store(torn, std::memory_order_relaxed);
    view.begin.store(begin, std::memory_order_release);
    return true;
  }
  return false;
}

}  // namespace

HANDLE CreateFileMappingA(int hFile, LPSECURITY_ATTRIBUTES, DWORD flProtect,
                          DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow, LPCSTR lpName) {
  if (flProtect != PAGE_READONLY || lpName != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  struct stat st {};
  if (hFile < 0 || fstat(hFile, &st) != 0 || !S_ISREG(st.st_mode)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  const auto file_size = static_cast<ULONGLONG>(st.st_size);
  const ULONGLONG wanted = (ULONGLONG{dwMaximumSizeHigh} << 32) | dwMaximumSizeLow;
  if (wanted > file_size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const ULONGLONG size = wanted == 0 ? file_size : wanted;
  if (size == 0) {
    SetLastError(ERROR_FILE_INVALID);
    return nullptr;
  }
  const int fd = fcntl(hFile, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) {
    SetLastError(KelmErrorFromErrno(errno));
    return nullptr;
  }
  return kernel_object::add(std::make_shared<mapping_object>(fd, size));
}

LPVOID MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess, DWORD dwFileOffsetHigh,
                     DWORD dwFileOffsetLow, SIZE_T dwNumberOfBytesToMap) {
  const auto held = kernel_object::find<mapping_object>(hFileMappingObject);
  if (!held) return fail_view(ERROR_INVALID_HANDLE);
  const mapping_object& object = *held;
  if (dwDesiredAccess != FILE_MAP_READ) return fail_view(ERROR_INVALID_PARAMETER);
  const ULONGLONG offset = (ULONGLONG{dwFileOffsetHigh} << 32) | dwFileOffsetLow;
  if (offset % KELM_ALLOCATION_GRANULARITY != 0) return fail_view(ERROR_MAPPED_ALIGNMENT);
  if (offset >= object.size || dwNumberOfBytesToMap > object.size - offset)
    return fail_view(ERROR_INVALID_PARAMETER);
  const std::size_t count = dwNumberOfBytesToMap != 0
                                ? dwNumberOfBytesToMap
                                : static_cast<std::size_t>(object.size - offset);
  std::call_once(bus_handler_installed, install_bus_handler);

  // Zeros to the end of the last page, and one byte at least.
  const std::size_t whole = count & ~(page_size - 1);
  const std::size_t length = (count + page_size) & ~(page_size - 1);
  void* base = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) return fail_view(ERROR_NOT_ENOUGH_MEMORY);
  char* const bytes = static_cast<char*>(base);
  const std::size_t tail = count - whole;
  const bool torn = read_at(object.fd, bytes + whole, tail, offset + whole) != tail;
  // The file's pages go over the start of the anonymous memory, which keeps
  // the place of the view for them.
  if (mprotect(base, length, PROT_READ) != 0 ||
      (whole > 0 && mmap(base, whole, PROT_READ, MAP_PRIVATE | MAP_FIXED | MAP_POPULATE, object.fd,
                         static_cast<off_t>(offset)) == MAP_FAILED)) {
    const int error = errno;
    munmap(base, length);
    return fail_view(KelmErrorFromErrno(error));
  }
  const auto begin = reinterpret_cast<std::uintptr_t>(base);
  if (!add_view(begin, begin + whole, begin + length, torn)) {
    munmap(base, length);
    return fail_view(ERROR_NOT_ENOUGH_MEMORY);
  }
  return base;
}

BOOL UnmapViewOfFile(LPCVOID lpBaseAddress) {
  std::uintptr_t begin = 0, end = 0;
  {
    std::lock_guard lock(views_lock);
    view_slot* view = find_view(lpBaseAddress);
    if (view == nullptr) return fail(ERROR_INVALID_ADDRESS);
    begin = view->begin.load(std::memory_order_relaxed);
    end = view->end.load(std::memory_order_relaxed);
    view->begin.store(0, std::memory_order_release);
  }
  munmap(reinterpret_cast<void*>(begin), end - begin);
  return TRUE;
}

BOOL KelmIsViewIntact(LPCVOID lpBaseAddress) {
  std::lock_guard lock(views_lock);
  const view_slot* view = find_view(lpBaseAddress);
  if (view == nullptr) return fail(ERROR_INVALID_ADDRESS);
  return view->torn.load(std::memory_order_acquire) ? FALSE : TRUE;
}
