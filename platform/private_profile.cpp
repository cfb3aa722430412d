#include "platform/profile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/ascii.h"
#include "platform/error.h"
#include "platform/os_file.h"
#include "platform/path.h"

namespace {

// One line of a profile file: its text and the line ending that follows it,
// "" for a last line without one. Keeping each line's own ending lets a
// rewrite give back every untouched line byte for byte, even in a file whose
// endings are mixed.
struct line {
  std::string text;
  std::string eol;
};

enum class line_kind { other, comment, section, entry };

// A key line without "=" is still a key (listed, and found by a write), but
// it has no value, so reading it gives the default, as on Windows.
struct parsed_line {
  line_kind kind = line_kind::other;
  std::string_view name;
  std::string_view value;
  bool has_value = false;
};

struct section {
  std::string_view name;
  size_t header;
  size_t end;
};

// Files written here get Windows' line ending, so that they stay readable by
// Windows programs; an existing file keeps its own.
constexpr std::string_view new_file_eol = "\r\n";

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

std::vector<line> split_lines(std::string_view text) {
  std::vector<line> lines;
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    if (newline == std::string_view::npos) {
      lines.push_back({std::string(text), ""});
      break;
    }
    const bool crlf = newline > 0 && text[newline - 1] == '\r';
    const size_t length = crlf ? newline - 1 : newline;
    lines.push_back({std::string(text.substr(0, length)), crlf ? "\r\n" : "\n"});
    text.remove_prefix(newline + 1);
  }
  return lines;
}

std::string join_lines(const std::vector<line>& lines) {
  std::string text;
  for (const line& l : lines) text.append(l.text).append(l.eol);
  return text;
}

std::string_view eol_style(const std::vector<line>& lines) {
  return lines.empty() || lines.front().eol.empty() ? new_file_eol
                                                    : std::string_view(lines.front().eol);
}

std::vector<section> sections(const std::vector<line>& lines) {
  std::vector<section> found;
  for (size_t i = 0; i < lines.size(); ++i) {
    const parsed_line p = parse_line(lines[i].text);
    if (p.kind != line_kind::section) continue;
    if (!found.empty()) found.back().end = i;
    found.push_back({p.name, i, lines.size()});
  }
  return found;
}

// The first section of that name is the one read and written; later ones of
// the same name are ignored, as Windows ignores them.
std::optional<section> first_section(const std::vector<line>& lines, std::string_view name) {
  for (const section& s : sections(lines))
    if (same_name(s.name, name)) return s;
  return std::nullopt;
}

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

void forget(const std::string& path) {
  kept_files& k = kept();
  std::lock_guard lock(k.mutex);
  const auto at = k.find(path);
  if (at != k.files.end()) k.files.erase(at);
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

DWORD copy_value(std::string_view value, LPSTR out, DWORD size) {
  const size_t n = std::min<size_t>(value.size(), size - 1);
  std::memcpy(out, value.data(), n);
  out[n] = '\0';
  return static_cast<DWORD>(n);
}

// Each name with its terminator, then one more zero. A list that does not fit
// is cut and still ends in two zeros, and the result is then nSize - 2, as
// Windows reports it.
DWORD copy_list(const std::vector<std::string_view>& names, LPSTR out, DWORD size) {
  std::string list;
  for (std::string_view name : names) list.append(name).push_back('\0');
  if (list.size() < size) {
    std::memcpy(out, list.data(), list.size());
    out[list.size()] = '\0';
    return static_cast<DWORD>(list.size());
  }
  if (size == 1) {
    out[0] = '\0';
    return 0;
  }
  const size_t kept = size - 2;
  std::memcpy(out, list.data(), kept);
  out[kept] = out[kept + 1] = '\0';
  return static_cast<DWORD>(kept);
}

// Windows drops the default's trailing spaces (only spaces).
std::string_view default_text(LPCSTR lpDefault) {
  std::string_view text = lpDefault == nullptr ? "" : lpDefault;
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// An optional sign, then decimal digits, or hexadecimal ones after "0x", up
// to the first other character, as Windows reads a profile number; it wraps
// modulo 2^32 as Windows' does.
UINT parse_int(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && is_blank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  UINT base = 10;
  if (text.size() - i >= 2 && text[i] == '0' && KelmAsciiToLower(text[i + 1]) == 'x') {
    base = 16;
    i += 2;
  }
  UINT n = 0;
  for (; i < text.size(); ++i) {
    const char c = KelmAsciiToLower(text[i]);
    const UINT digit = c >= '0' && c <= '9'   ? static_cast<UINT>(c - '0')
                       : c >= 'a' && c <= 'f' ? static_cast<UINT>(c - 'a' + 10)
                                              : base;
    if (digit >= base) break;
    n = n * base + digit;
  }
  return negative ? 0u - n : n;
}

void insert_line(std::vector<line>& lines, size_t at, std::string text, std::string_view eol) {
  if (at > 0 && lines[at - 1].eol.empty()) lines[at - 1].eol = eol;
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at),
               {std::move(text), std::string(eol)});
}

// A new key goes after the last key of the section, so that blank lines and
// comments that close the section stay where they are.
void set_value(std::vector<line>& lines, std::string_view app, std::string_view key,
               std::string_view value) {
  const std::string eol(eol_style(lines));
  const auto s = first_section(lines, app);
  if (!s) {
    insert_line(lines, lines.size(), "[" + std::string(app) + "]", eol);
    insert_line(lines, lines.size(), std::string(key) + "=" + std::string(value), eol);
    return;
  }
  size_t after_last_key = s->header + 1;
  for (size_t i = s->header + 1; i < s->end; ++i) {
    const parsed_line p = parse_line(lines[i].text);
    if (p.kind != line_kind::entry) continue;
    if (same_name(p.name, key)) {
      lines[i].text = std::string(p.name) + "=" + std::string(value);
      return;
    }
    after_last_key = i + 1;
  }
  insert_line(lines, after_last_key, std::string(key) + "=" + std::string(value), eol);
}

// Deleting removes every copy, in every section of that name, so that the
// key or section reads as missing afterwards.
void delete_key(std::vector<line>& lines, std::string_view app, std::string_view key) {
  const std::vector<section> all = sections(lines);
  for (auto s = all.rbegin(); s != all.rend(); ++s) {
    if (!same_name(s->name, app)) continue;
    for (size_t i = s->end; i-- > s->header + 1;) {
      const parsed_line p = parse_line(lines[i].text);
      if (p.kind == line_kind::entry && same_name(p.name, key))
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
}

void delete_section(std::vector<line>& lines, std::string_view app) {
  const std::vector<section> all = sections(lines);
  for (auto s = all.rbegin(); s != all.rend(); ++s)
    if (same_name(s->name, app))
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(s->header),
                  lines.begin() + static_cast<std::ptrdiff_t>(s->end));
}

// A line break inside a name or value would write lines of its own (a
// section or key the caller never meant), and a key holding "=" or starting
// like a comment or a section would not read back under its name. Windows
// writes them anyway; this refuses them.
bool fits_on_line(LPCSTR text) { return text == nullptr || std::strpbrk(text, "\r\n") == nullptr; }

bool valid_key(LPCSTR lpKeyName) {
  if (lpKeyName == nullptr) return true;
  const std::string_view key = trim(lpKeyName);
  return fits_on_line(lpKeyName) && key.find('=') == std::string_view::npos &&
         (key.empty() || (key.front() != ';' && key.front() != '['));
}

bool valid_write(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString) {
  return fits_on_line(lpAppName) && valid_key(lpKeyName) && fits_on_line(lpString);
}

// Opens the file and takes its write lock. A writer that waited for the lock
// may find the name now given to the file its predecessor renamed into place,
// so it checks that it holds the file under the name and otherwise starts
// over. A missing file is created empty, with a new file's permission bits,
// so that there is something to lock; *created says so. -1 with errno on
// failure.
int open_locked(const std::string& path, bool* created) {
  for (;;) {
    *created = false;
    int fd = os_file::open_file(path.c_str(), O_RDWR | O_CLOEXEC, 0);
    if (fd < 0 && errno == ENOENT) {
      fd = os_file::open_file(path.c_str(), O_RDWR | O_CLOEXEC | O_CREAT | O_EXCL, 0666);
      if (fd < 0 && errno == EEXIST) continue;
      *created = fd >= 0;
    }
    if (fd < 0) return -1;
    if (os_file::lock_exclusive(fd) != 0) {
      const int error = errno;
      os_file::close_file(fd);
      errno = error;
      return -1;
    }
    if (os_file::is_named(fd, path)) return fd;
    os_file::close_file(fd);
  }
}

void apply_write(std::vector<line>& lines, std::string_view app, LPCSTR lpKeyName,
                 LPCSTR lpString) {
  if (lpKeyName == nullptr)
    delete_section(lines, app);
  else if (lpString == nullptr)
    delete_key(lines, app, trim(lpKeyName));
  else
    set_value(lines, app, trim(lpKeyName), lpString);
}

// The read-modify-write under the lock held on fd. Returns a Win32 error.
DWORD rewrite_locked(int fd, const std::string& path, bool created, LPCSTR lpAppName,
                     LPCSTR lpKeyName, LPCSTR lpString) {
  struct stat st {};
  if (fstat(fd, &st) != 0) return KelmErrorFromErrno(errno);
  const auto old_text = read_all(fd);
  if (!old_text) return KelmErrorFromErrno(errno);
  std::vector<line> lines = split_lines(*old_text);
  apply_write(lines, trim(lpAppName), lpKeyName, lpString);
  const std::string new_text = join_lines(lines);
  // Under the lock no other writer is between its temporary file and its
  // rename, so any temporary file of this one was left by a killed writer.
  os_file::remove_abandoned_saves(path);
  if (new_text == *old_text) {
    // Nothing to write (a delete in a missing file): the file made only to
    // hold the lock goes again.
    if (created) unlink(path.c_str());
    return ERROR_SUCCESS;
  }
  return os_file::replace_file(path, new_text, st.st_mode) == 0 ? ERROR_SUCCESS
                                                                : KelmErrorFromErrno(errno);
}

BOOL fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

}  // namespace

UINT GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault, LPCSTR lpFileName) {
  if (lpAppName == nullptr || lpKeyName == nullptr) return static_cast<UINT>(nDefault);
  const auto profile = load(lpFileName);
  const auto value = find_value(*profile, trim(lpAppName), trim(lpKeyName));
  // An empty value counts as missing, as on Windows.
  if (!value || value->empty()) return static_cast<UINT>(nDefault);
  return parse_int(*value);
}

DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                               LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName) {
  if (lpReturnedString == nullptr || nSize == 0) return 0;
  const auto profile = load(lpFileName);
  if (lpAppName == nullptr) return copy_list(profile->section_list, lpReturnedString, nSize);
  if (lpKeyName == nullptr)
    return copy_list(key_names(*profile, trim(lpAppName)), lpReturnedString, nSize);
  const auto value = find_value(*profile, trim(lpAppName), trim(lpKeyName));
  return copy_value(value ? *value : default_text(lpDefault), lpReturnedString, nSize);
}

BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                LPCSTR lpFileName) {
  // All null is Windows' call to write its cached changes; writes here go to
  // the file at once, so this only lets the file be read afresh.
  if (lpAppName == nullptr && lpKeyName == nullptr && lpString == nullptr) {
    if (lpFileName != nullptr) forget(std::string(KelmNativePath(lpFileName).View()));
    return TRUE;
  }
  if (lpAppName == nullptr || lpFileName == nullptr || !valid_write(lpAppName, lpKeyName, lpString))
    return fail(ERROR_INVALID_PARAMETER);
  const std::string path(KelmNativePath(lpFileName).View());
  bool created = false;
  const int fd = open_locked(path, &created);
  if (fd < 0) return fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : KelmErrorFromErrno(errno));
  const DWORD error = rewrite_locked(fd, path, created, lpAppName, lpKeyName, lpString);
  // A failed write leaves no trace, not even the empty file made to be locked.
  if (error != ERROR_SUCCESS && created) unlink(path.c_str());
  // Dropped while the lock is held, so a read that follows this write in
  // any thread finds the file as written.
  forget(path);
  os_file::close_file(fd);
  return error == ERROR_SUCCESS ? TRUE : fail(error);
}
