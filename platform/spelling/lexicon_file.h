// The file operations under both kinds of lexicon: whole-file reads, the
// identity that tells whether a file changed, atomic replacement, the lock
// that changes to a shared file are made under, and read-only mappings of
// compiled files.
// Internal to the spelling engine; results are the SSCE_*_ERR values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace spelling {

// What tells one version of a file from another.
struct file_identity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t size = -1;
  std::int64_t modified_ns = 0;
  bool operator==(const file_identity&) const = default;
};

// 0, SSCE_FILE_NOT_FOUND_ERR or SSCE_FILE_ACCESS_ERR (also for a folder).
int stat_file(const std::string& path, file_identity& identity);
// The file's bytes and the identity of the version read.
int read_file(const std::string& path, std::string& bytes, file_identity& identity);
// Replaces the file's content with `bytes` through a temporary file beside it,
// synchronised and renamed over it, so a crash leaves the old file or the new
// one. A new file gets mode 0644; an existing one keeps its permission bits.
int replace_file(const std::string& path, std::string_view bytes);
// Creates the file with these bytes, refusing (SSCE_FILE_ACCESS_ERR) when a
// file of that name already exists, so that no lexicon is overwritten.
int create_file(const std::string& path, std::string_view bytes);

// The write lock of a file that several sessions, threads or processes may
// change, held while the object lives. A change is read, made and written
// under it, so that each writer starts from what the one before it wrote.
// The lock is on the file itself, which a replacement renames away: a writer
// that waited may find the name given meanwhile to its predecessor's new
// file, so it checks that the file it locked is the one under the name and
// otherwise locks again. A killed holder's lock goes with its process.
class file_lock {
 public:
  file_lock() = default;
  ~file_lock();
  file_lock(const file_lock&) = delete;
  file_lock& operator=(const file_lock&) = delete;

  // Waits for the lock. A missing file is made, empty and with a new file's
  // mode, so that there is something to lock; made() says so. 0 or
  // SSCE_FILE_ACCESS_ERR.
  int lock(const std::string& path);
  bool made() const { return m_made; }
  // The bytes of the file as locked.
  int read(std::string& bytes) const;
  // Removes the file that lock() made, when nothing was written into it, so
  // that a failed change leaves no trace.
  void remove_made(const std::string& path);

 private:
  int m_fd = -1;
  bool m_made = false;
};

// A whole regular file mapped read-only and shared, so that every process
// reading it shares the page cache's one copy. The bytes stay valid while the
// mapping lives, even when the file is replaced meanwhile (a replacement is a
// new file); a file changed in place is the writer's fault.
class mapped_file {
 public:
  // 0, SSCE_FILE_NOT_FOUND_ERR or SSCE_FILE_ACCESS_ERR (also for a folder).
  static int map(const std::string& path, std::shared_ptr<const mapped_file>& mapping);
  ~mapped_file();
  mapped_file(const mapped_file&) = delete;
  mapped_file& operator=(const mapped_file&) = delete;

  std::string_view bytes() const { return {static_cast<const char*>(m_address), m_size}; }
  // Lets the pages of [from, to) leave this process's memory; they stay in
  // the page cache and come back when read again. A whole-file check calls
  // it behind itself, so that reading every byte once does not leave the
  // process holding all of them.
  void release(std::size_t from, std::size_t to) const;

 private:
  mapped_file(void* address, std::size_t size) : m_address(address), m_size(size) {}
  void* m_address;
  std::size_t m_size;
};

}  // namespace spelling
