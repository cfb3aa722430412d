#include "platform/profile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ascii.h"
#include "platform/error.h"
#include "platform/os_file.h"
#include "platform/path.h"
#include "platform/profile_files.h"

namespace {

using namespace profile_files;

// One line of a profile file: its text and the line ending that follows it,
// "" for a last line without one. Keeping each line's own ending lets a
// rewrite give back every untouched line byte for byte, even in a file whose
// endings are mixed.
struct line {
  std::string text;
  std::string eol;
};

struct section {
  std::string_view name;
  size_t header;
  size_t end;
};

// Files written here get Windows' line ending, so that they stay readable by
// Windows programs; an existing file keeps its own.
constexpr std::string_view new_file_eol = "\r\n";

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
  if (lpAppName == nullptr) return copy_list(section_names(*profile), lpReturnedString, nSize);
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
