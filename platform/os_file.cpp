#include "platform/os_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace os_file {

namespace {

// open(2) is variadic, so it cannot sit in the table as it is.
int open_with_mode(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }

constexpr system_calls real_table = {open_with_mode, ::close, ::read,      ::write,
                                     ::lseek,        ::fsync, ::ftruncate, ::fstat};

system_calls table = real_table;

// What replace_file adds to a name for its temporary file, before the dot
// and six characters of write_temporary: a name of its own, so that removing
// abandoned ones never takes a file of the user's such as "kelm.ini.backup".
constexpr std::string_view save_infix = ".save";

bool is_save_of(std::string_view name, std::string_view prefix) {
  return name.size() == prefix.size() + 6 && name.starts_with(prefix) &&
         std::all_of(
             name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
             });
}

template <class Call>
auto retry_eintr(Call call) {
  for (;;) {
    const auto result = call();
    if (result != -1 || errno != EINTR) return result;
  }
}

}  // namespace

system_calls& calls() { return table; }

int lock_exclusive(int fd, bool wait) {
  return retry_eintr([&] { return ::flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB)); });
}

bool is_named(int fd, const std::string& path) {
  struct stat held {};
  struct stat named {};
  return table.fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 &&
         held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

const system_calls& real_calls() { return real_table; }

int open_file(const char* path, int flags, mode_t mode) {
  return retry_eintr([&] { return table.open(path, flags, mode); });
}

int close_file(int fd) { return table.close(fd); }

ssize_t read_some(int fd, void* buf, size_t count) {
  return retry_eintr([&] { return table.read(fd, buf, count); });
}

bool write_all(int fd, const void* buf, size_t count) {
  const auto* bytes = static_cast<const char*>(buf);
  while (count > 0) {
    const ssize_t written = retry_eintr([&] { return table.write(fd, bytes, count); });
    if (written < 0) return false;
    if (written == 0) {
      // A regular file accepts nothing only when there is no room for it.
      errno = ENOSPC;
      return false;
    }
    bytes += written;
    count -= static_cast<size_t>(written);
  }
  return true;
}

off_t seek(int fd, off_t offset, int whence) {
  return retry_eintr([&] { return table.lseek(fd, offset, whence); });
}

int sync(int fd) {
  return retry_eintr([&] { return table.fsync(fd); });
}

int truncate(int fd, off_t length) {
  return retry_eintr([&] { return table.ftruncate(fd, length); });
}

off_t size(int fd) {
  struct stat st {};
  if (retry_eintr([&] { return table.fstat(fd, &st); }) != 0) return -1;
  return st.st_size;
}

int access_mode(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  return flags == -1 ? -1 : (flags & O_ACCMODE);
}

std::string write_temporary(const std::string& path, std::string_view bytes, mode_t mode) {
  std::string temp = path + ".XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return {};
  bool written =
      fchmod(fd, mode & 07777) == 0 && write_all(fd, bytes.data(), bytes.size()) && sync(fd) == 0;
  int error = errno;
  if (close_file(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (written) return temp;
  unlink(temp.c_str());
  errno = error;
  return {};
}

int replace_file(const std::string& path, std::string_view bytes, mode_t mode) {
  const std::string temp = write_temporary(path + std::string(save_infix), bytes, mode);
  if (temp.empty()) return -1;
  if (rename(temp.c_str(), path.c_str()) != 0) {
    const int error = errno;
    unlink(temp.c_str());
    errno = error;
    return -1;
  }
  sync_folder(path);
  return 0;
}

void remove_abandoned_saves(const std::string& path) {
  const std::filesystem::path file(path);
  const std::string prefix = file.filename().string() + std::string(save_infix) + ".";
  std::error_code error;
  std::filesystem::directory_iterator entry(file.parent_path().empty() ? "." : file.parent_path(),
                                            error);
  for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error))
    if (is_save_of(entry->path().filename().string(), prefix)) unlink(entry->path().c_str());
}

// The rename is done by then; a folder that cannot be synchronised leaves the
// new file in place, only less certain to survive a power cut, so it is not a
// failure of the write.
void sync_folder(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : path.substr(0, slash);
  const int fd = open_file(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (fd < 0) return;
  sync(fd);
  close_file(fd);
}

}  // namespace os_file
