#include "platform/profile_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "platform/ascii.h"
#include "platform/error.h"
#include "platform/os_file.h"
#include "platform/path.h"

namespace profile_files {

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return KelmAsciiToLower(x) == KelmAsciiToLower(y);
         });
}

parsed_line parse_line(std::string_view text) {
  const std::string_view t = trim(text);
  if (t.empty()) return {};
  if (t.front() == ';') return {line_kind::comment, {}, {}, false};
  if (t.front() == '[') {
    // The name runs to the last "]", so "[a]b]" names "a]b", as on Windows.
    const size_t close = t.rfind(']');
    if (close == std::string_view::npos) return {};
    return {line_kind::section, trim(t.substr(1, close - 1)), {}, false};
  }
  const size_t equals = t.find('=');
  if (equals == std::string_view::npos) return {line_kind::entry, t, {}, false};
  return {line_kind::entry, trim(t.substr(0, equals)), trim(t.substr(equals + 1)), true};
}

namespace {

std::string_view unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

struct folded_hash {
  size_t operator()(std::string_view name) const {
    size_t h = 14695981039346656037ull;
    for (const char c : name)
      h = (h ^ static_cast<unsigned char>(KelmAsciiToLower(c))) * 1099511628211ull;
    return h;
  }
};

struct folded_equal {
  bool operator()(std::string_view a, std::string_view b) const { return same_name(a, b); }
};

struct key_ref {
  size_t section;
  std::string_view name;
};

struct key_ref_hash {
  size_t operator()(const key_ref& k) const {
    return folded_hash{}(k.name) ^ (k.section * 0x9E3779B97F4A7C15ull);
  }
};

struct key_ref_equal {
  bool operator()(const key_ref& a, const key_ref& b) const {
    return a.section == b.section && same_name(a.name, b.name);
  }
};

}  // namespace

// One profile file as a read found it: its bytes and, pointing into them,
// what the read calls look up. It is never changed once built, so threads
// share it without a lock.
struct profile_text {
  std::string text;
  // Every named section header in file order, copies of a name included.
  std::vector<std::string_view> section_list;
  // The first section of each name, as an index into `keys`.
  std::unordered_map<std::string_view, size_t, folded_hash, folded_equal> sections;
  // The named keys of each such section in file order, copies included.
  std::vector<std::vector<std::string_view>> keys;
  // The first key of each name in each such section: its unquoted value,
  // or nullopt for a key line without "=".
  std::unordered_map<key_ref, std::optional<std::string_view>, key_ref_hash, key_ref_equal> values;
};

namespace {

// Indexes p.text in place: the views point into it, so it must not move.
void index_text(profile_text& p) {
  constexpr size_t none = SIZE_MAX;
  size_t current = none;
  std::string_view rest = p.text;
  while (!rest.empty()) {
    const size_t newline = rest.find('\n');
    const std::string_view text = rest.substr(0, newline);
    rest.remove_prefix(newline == std::string_view::npos ? rest.size() : newline + 1);
    const parsed_line l = parse_line(text);
    if (l.kind == line_kind::section) {
      if (!l.name.empty()) p.section_list.push_back(l.name);
      const auto [at, added] = p.sections.try_emplace(l.name, p.keys.size());
      current = added ? at->second : none;
      if (added) p.keys.emplace_back();
    } else if (l.kind == line_kind::entry && current != none) {
      if (!l.name.empty()) p.keys[current].push_back(l.name);
      p.values.try_emplace({current, l.name},
                           l.has_value ? std::optional(unquote(l.value)) : std::nullopt);
    }
  }
}

}  // namespace

std::optional<std::string_view> find_value(const profile_text& p, std::string_view app,
                                           std::string_view key) {
  const auto s = p.sections.find(app);
  if (s == p.sections.end()) return std::nullopt;
  const auto v = p.values.find({s->second, key});
  return v == p.values.end() ? std::nullopt : v->second;
}

// A name list has no room for an empty name: it would read as the list's end.
const std::vector<std::string_view>& key_names(const profile_text& p, std::string_view app) {
  static const std::vector<std::string_view> no_keys;
  const auto s = p.sections.find(app);
  return s == p.sections.end() ? no_keys : p.keys[s->second];
}

std::optional<std::string> read_all(int fd) {
  std::string text;
  char chunk[8192];
  ssize_t got = 0;
  while ((got = os_file::read_some(fd, chunk, sizeof chunk)) > 0)
    text.append(chunk, static_cast<size_t>(got));
  if (got < 0) return std::nullopt;
  return text;
}

const std::vector<std::string_view>& section_names(const profile_text& p) { return p.section_list; }

namespace {

// The parsed files are kept, as Windows keeps them, while the file's
// identity, size and times stay as they were, and dropped by a write of
// ours. A change in the same tick of the file system's clock as the one
// before it, leaving the size alone, would not show in those times, so a
// file read while its last change was still that recent is read again at
// each call (its bytes compared, not parsed) until a read comes safely after
// its last change. The kernel stamps a change with its clock as of the last
// timer tick, at most 10 ms old; a file system that keeps whole seconds (no
// nanoseconds in either time) may round to two.
struct file_stamp {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  timespec mtime{};
  timespec ctime{};
};

struct kept_file {
  std::string path;
  file_stamp stamp;
  std::shared_ptr<const profile_text> parsed;
  bool settled = false;
  uint64_t last_use = 0;
};

constexpr size_t kept_files_limit = 8;

struct kept_files {
  std::mutex mutex;
  std::vector<kept_file> files;
  uint64_t uses = 0;

  std::vector<kept_file>::iterator find(const std::string& path) {
    return std::find_if(files.begin(), files.end(),
                        [&](const kept_file& k) { return k.path == path; });
  }
};

// Never destroyed: a host's application object may still read or write its
// profile while static objects are being destroyed at exit.
kept_files& kept() {
  static auto* const files = new kept_files;
  return *files;
}

file_stamp stamp_of(const struct stat& st) {
  return {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

bool same_time(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool same_stamp(const file_stamp& a, const file_stamp& b) {
  return a.dev == b.dev && a.ino == b.ino && a.size == b.size && same_time(a.mtime, b.mtime) &&
         same_time(a.ctime, b.ctime);
}

int64_t nanoseconds(const timespec& t) {
  return static_cast<int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// Whether any later change must show in the stamp: the read began (at
// `read_at`) past the last change by more than the clock's rounding.
bool settled_at(const file_stamp& stamp, const timespec& read_at) {
  const bool whole_seconds = stamp.mtime.tv_nsec == 0 && stamp.ctime.tv_nsec == 0;
  const int64_t margin = whole_seconds ? 3'000'000'000 : 50'000'000;
  return nanoseconds(read_at) - nanoseconds(stamp.ctime) > margin;
}

void keep(kept_file file) {
  kept_files& k = kept();
  std::lock_guard lock(k.mutex);
  file.last_use = ++k.uses;
  const auto at = k.find(file.path);
  if (at != k.files.end()) {
    *at = std::move(file);
    return;
  }
  if (k.files.size() == kept_files_limit)
    k.files.erase(std::min_element(
        k.files.begin(), k.files.end(),
        [](const kept_file& a, const kept_file& b) { return a.last_use < b.last_use; }));
  k.files.push_back(std::move(file));
}

// What is kept for the path: its parse, and whether that is beyond doubt
// the parse of the file that `st` describes (else the file's bytes may
// still be the same).
struct kept_parse {
  std::shared_ptr<const profile_text> parsed;
  bool current = false;
};

kept_parse find_kept(const std::string& path, const struct stat& st) {
  kept_files& k = kept();
  std::lock_guard lock(k.mutex);
  const auto at = k.find(path);
  if (at == k.files.end()) return {};
  const bool current = at->settled && same_stamp(at->stamp, stamp_of(st));
  if (current) at->last_use = ++k.uses;
  return {at->parsed, current};
}

std::shared_ptr<const profile_text> empty_profile() {
  static const auto* const empty =
      new std::shared_ptr<const profile_text>(std::make_shared<const profile_text>());
  return *empty;
}

}  // namespace

void forget(const std::string& path) {
  kept_files& k = kept();
  std::lock_guard lock(k.mutex);
  const auto at = k.find(path);
  if (at != k.files.end()) k.files.erase(at);
}

// The parsed file `path` holds now: the one kept when it is still that
// file's, else read (and kept). A file that cannot be read reads as an empty
// one: every key is missing.
std::shared_ptr<const profile_text> load(LPCSTR lpFileName) {
  if (lpFileName == nullptr) return empty_profile();
  const std::string path(KelmNativePath(lpFileName).View());
  std::shared_ptr<const profile_text> before;
  struct stat st {};
  if (stat(path.c_str(), &st) == 0) {
    kept_parse kept_now = find_kept(path, st);
    if (kept_now.current) return kept_now.parsed;
    before = std::move(kept_now.parsed);
  }
  timespec read_at{};
  clock_gettime(CLOCK_REALTIME, &read_at);
  const int fd = os_file::open_file(path.c_str(), O_RDONLY | O_CLOEXEC, 0);
  std::optional<std::string> text;
  if (fd >= 0) {
    text = read_all(fd);
    if (text && fstat(fd, &st) != 0) text.reset();
  }
  const int error = errno;
  if (fd >= 0) os_file::close_file(fd);
  if (!text) {
    SetLastError(KelmErrorFromErrno(error));
    forget(path);
    return empty_profile();
  }
  std::shared_ptr<const profile_text> parsed = before;
  if (!before || before->text != *text) {
    auto fresh = std::make_shared<profile_text>();
    fresh->text = std::move(*text);
    index_text(*fresh);
    parsed = std::move(fresh);
  }
  const file_stamp stamp = stamp_of(st);
  keep({path, stamp, parsed, settled_at(stamp, read_at)});
  return parsed;
}

}  // namespace profile_files
