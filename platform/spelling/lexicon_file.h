// The file operations under both kinds of lexicon: whole-file reads, the
// identity that tells whether a file changed, and atomic replacement.
// Internal to the spelling engine; results are the SSCE_*_ERR values.
#pragma once

#include <cstdint>
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

}  // namespace spelling
