#include "platform/spelling/lexicon_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

// The rename is done by then; a folder that cannot be synchronised leaves the
// new file in place, only less certain to survive a power cut.
void sync_folder(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : path.substr(0, slash);
  const int fd = os_file::open_file(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (fd < 0) return;
  os_file::sync(fd);
  os_file::close_file(fd);
}

// A temporary file beside `path` holding the bytes, synchronised; its name,
// or "" on failure.
std::string write_temporary(const std::string& path, std::string_view bytes, mode_t mode) {
  std::string temp = path + ".XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return {};
  bool written = fchmod(fd, mode & 07777) == 0 &&
                 os_file::write_all(fd, bytes.data(), bytes.size()) && os_file::sync(fd) == 0;
  if (os_file::close_file(fd) != 0) written = false;
  if (written) return temp;
  unlink(temp.c_str());
  return {};
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
    bytes.clear();
    char block[65536];
    for (;;) {
      const ssize_t got = os_file::read_some(fd, block, sizeof block);
      if (got < 0) {
        result = SSCE_FILE_ACCESS_ERR;
        break;
      }
      if (got == 0) break;
      bytes.append(block, static_cast<std::size_t>(got));
    }
  }
  os_file::close_file(fd);
  return result;
}

int replace_file(const std::string& path, std::string_view bytes) {
  struct stat st {};
  const mode_t mode = stat(path.c_str(), &st) == 0 ? st.st_mode : 0644;
  const std::string temp = write_temporary(path, bytes, mode);
  if (temp.empty()) return SSCE_FILE_ACCESS_ERR;
  if (rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    return SSCE_FILE_ACCESS_ERR;
  }
  sync_folder(path);
  return 0;
}

int create_file(const std::string& path, std::string_view bytes) {
  const std::string temp = write_temporary(path, bytes, 0644);
  if (temp.empty()) return SSCE_FILE_ACCESS_ERR;
  // link() refuses an existing name, so a file made meanwhile is kept.
  const int linked = link(temp.c_str(), path.c_str());
  unlink(temp.c_str());
  if (linked != 0) return SSCE_FILE_ACCESS_ERR;
  sync_folder(path);
  return 0;
}

}  // namespace spelling
