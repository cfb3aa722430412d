// The file operations under both kinds of lexicon: whole-file reads, the
// identity that tells whether a file changed, atomic replacement, and
// read-only mappings of compiled files.
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
