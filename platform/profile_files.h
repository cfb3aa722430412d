// Profile files as the profile calls see them: the line grammar that reads
// and writes both follow, and each file's parse, kept while the file stays
// as it was read. Used only by the profile calls.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace profile_files {

enum class line_kind { other, comment, section, entry };

// A key line without "=" is still a key (listed, and found by a write), but
// it has no value, so reading it gives the default, as on Windows.
struct parsed_line {
  line_kind kind = line_kind::other;
  std::string_view name;
  std::string_view value;
  bool has_value = false;
};

bool is_blank(char c);
std::string_view trim(std::string_view s);
// Section and key names compare ASCII case-blind.
bool same_name(std::string_view a, std::string_view b);
parsed_line parse_line(std::string_view text);

// The whole of an open file from where it stands; nullopt with errno on a
// read error.
std::optional<std::string> read_all(int fd);

// One file's parse: its sections and keys, looked up by name.
struct profile_text;

// The parse of the file `lpFileName` holds now: the one kept while the file
// is unchanged, else read (and kept). A file that cannot be read reads as an
// empty one, with the reason in GetLastError. Safe from any thread.
std::shared_ptr<const profile_text> load(LPCSTR lpFileName);
// Drops what is kept for the file at the native `path`, so that the next
// load reads it afresh; a write calls it while it still holds its lock.
void forget(const std::string& path);

// The first key of that name in the first section of that name: its
// unquoted value, or nullopt when it is missing or has no "=".
std::optional<std::string_view> find_value(const profile_text& p, std::string_view app,
                                           std::string_view key);
// Every named section, and every named key of a section, in file order.
const std::vector<std::string_view>& section_names(const profile_text& p);
const std::vector<std::string_view>& key_names(const profile_text& p, std::string_view app);

}  // namespace profile_files
