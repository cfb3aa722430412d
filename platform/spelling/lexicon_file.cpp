#include "platform/spelling/lexicon_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "platform/os_file.h"
#include "platform/spelling/ssce.h"

namespace spelling {

namespace {

file_identity identity_of(const struct stat& st) {
  return file_identity{
      static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
      static_cast<std::int64_t>(st.st_size),
      static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

int error_of(int error) {
  return error == ENOENT || error == ENOTDIR ? SSCE_FILE_NOT_FOUND_ERR : SSCE_FILE_ACCESS_ERR;
}

// The bytes from the descriptor's position to the end.
int read_rest(int fd, std::string& bytes) {
  bytes.clear();
  char block[65536];
  for (;;) {
    const ssize_t got = os_file::read_some(fd, block, sizeof block);
    if (got < 0) return SSCE_FILE_ACCESS_ERR;
    if (got == 0) return 0;
    bytes.append(block, static_cast<std::size_t>(got));
  }
}

}  // namespace

int stat_file(const std::string& path, file_identity& identity) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return error_of(errno);
  if (!S_ISREG(st.st_mode)) return SSCE_FILE_ACCESS_ERR;
  identity = identity_of(st);
  return 0;
}

int read_file(const std::string& path, std::string& bytes, file_identity& identity) {
  const int fd = os_file::open_file(path.c_str(), O_RDONLY | O_CLOEXEC, 0);
  if (fd < 0) return error_of(errno);
  struct stat st {};
  int result = 0;
  if (os_file::calls().fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    result = SSCE_FILE_ACCESS_ERR;
  } else {
    identity = identity_of(st);
    result = read_rest(fd, bytes);
  }
  os_file::close_file(fd);
  return result;
}

int replace_file(const std::string& path, std::string_view bytes) {
  struct stat st {};
  const mode_t mode = stat(path.c_str(), &st) == 0 ? st.st_mode : 0644;
  return os_file::replace_file(path, bytes, mode) == 0 ? 0 : SSCE_FILE_ACCESS_ERR;
}

int create_file(const std::string& path, std::string_view bytes) {
  const std::string temp = os_file::write_temporary(path, bytes, 0644);
  if (temp.empty()) return SSCE_FILE_ACCESS_ERR;
  // link() refuses an existing name, so a file made meanwhile is kept.
  const int linked = link(temp.c_str(), path.c_str());
  unlink(temp.c_str());
  if (linked != 0) return SSCE_FILE_ACCESS_ERR;
  os_file::sync_folder(path);
  return 0;
}

file_lock::~file_lock() {
  if (m_fd >= 0) os_file::close_file(m_fd);
}

int file_lock::lock(const std::string& path) {
  for (;;) {
    m_made = false;
    // NFS grants an exclusive lock only on a file open for writing; a
    // read-only lexicon in a writable folder is locked through reading, and
    // replaced as before.
    int fd = os_file::open_file(path.c_str(), O_RDWR | O_CLOEXEC, 0);
    if (fd < 0 && (errno == EACCES || errno == EROFS))
      fd = os_file::open_file(path.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0 && errno == ENOENT) {
      fd = os_file::open_file(path.c_str(), O_RDWR | O_CLOEXEC | O_CREAT | O_EXCL, 0644);
      if (fd < 0 && errno == EEXIST) continue;
      // The umask would otherwise decide the mode the replacement keeps.
      if (fd >= 0) fchmod(fd, 0644);
      m_made = fd >= 0;
    }
    if (fd < 0) return SSCE_FILE_ACCESS_ERR;
    // A file system without locks (NFS with no lock service) still takes
    // changes, as it did before there was a lock, the last writer winning.
    if (os_file::lock_exclusive(fd) != 0 && errno != ENOLCK && errno != EOPNOTSUPP) {
      os_file::close_file(fd);
      return SSCE_FILE_ACCESS_ERR;
    }
    if (os_file::is_named(fd, path)) {
      m_fd = fd;
      return 0;
    }
    os_file::close_file(fd);
  }
}

int file_lock::read(std::string& bytes) const {
  if (m_fd < 0 || os_file::seek(m_fd, 0, SEEK_SET) != 0) return SSCE_FILE_ACCESS_ERR;
  return read_rest(m_fd, bytes);
}

void file_lock::remove_made(const std::string& path) {
  if (m_made) unlink(path.c_str());
  m_made = false;
}

int mapped_file::map(const std::string& path, std::shared_ptr<const mapped_file>& mapping) {
  const int fd = os_file::open_file(path.c_str(), O_RDONLY | O_CLOEXEC, 0);
  if (fd < 0) return error_of(errno);
  struct stat st {};
  int result = 0;
  void* address = nullptr;
  if (os_file::calls().fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    result = SSCE_FILE_ACCESS_ERR;
  } else if (st.st_size > 0) {
    // An empty file cannot be mapped; it has no bytes to share anyway.
    address = mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_SHARED, fd, 0);
    if (address == MAP_FAILED) {
      address = nullptr;
      result = SSCE_FILE_ACCESS_ERR;
    }
  }
  os_file::close_file(fd);
  if (result == 0)
    mapping.reset(
        new mapped_file(address, address != nullptr ? static_cast<std::size_t>(st.st_size) : 0));
  return result;
}

mapped_file::~mapped_file() {
  if (m_address != nullptr) munmap(m_address, m_size);
}

void mapped_file::release(std::size_t from, std::size_t to) const {
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  // Only whole pages inside the range, so that no page is let go that the
  // caller still reads.
  const std::size_t first = (from + page - 1) / page * page;
  const std::size_t end = std::min(to, m_size) / page * page;
  if (m_address == nullptr || first >= end) return;
  madvise(static_cast<char*>(m_address) + first, end - first, MADV_DONTNEED);
}

}  // namespace spelling
