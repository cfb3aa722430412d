#include "platform/path.h"

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/user_folders.h"

namespace {

constexpr std::size_t drive_count = 26;

std::mutex roots_mutex;
// Folders set with KelmSetDriveRoot; an empty one means the default.
std::array<std::string, drive_count> drive_roots;

std::string home_folder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
    return found->pw_dir;
  // No home at all: a relative folder rather than one at the file system's root.
  return ".";
}

std::string xdg_folder(const char* variable, const char* under_home) {
  const char* value = std::getenv(variable);
  if (value != nullptr && value[0] == '/') return value;
  return home_folder() + under_home;
}

bool is_separator(char c) { return c == '\\' || c == '/'; }

int drive_index(char drive) {
  if (drive >= 'A' && drive <= 'Z') return drive - 'A';
  if (drive >= 'a' && drive <= 'z') return drive - 'a';
  return -1;
}

bool has_drive_prefix(std::string_view path) {
  return path.size() >= 2 && drive_index(path[0]) >= 0 && path[1] == ':';
}

bool starts_with_no_case(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const char c = text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 32) : text[i];
    if (c != prefix[i]) return false;
  }
  return true;
}

std::string drive_root(int index) {
  std::lock_guard lock(roots_mutex);
  if (!drive_roots[index].empty()) return drive_roots[index];
  return user_folders::data_home() + "/orvalis/drive_" + static_cast<char>('a' + index);
}

// The path's names below `root`, with "." dropped and ".." taking back the
// name before it but never climbing above the root: a Windows path cannot
// leave its drive, so neither can the native path made of it.
std::string below_root(std::string root, std::string_view rest) {
  std::vector<std::string_view> names;
  while (!rest.empty()) {
    std::size_t end = 0;
    while (end < rest.size() && !is_separator(rest[end])) ++end;
    const std::string_view name = rest.substr(0, end);
    rest.remove_prefix(end == rest.size() ? end : end + 1);
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      if (!names.empty()) names.pop_back();
      continue;
    }
    names.push_back(name);
  }
  for (const auto name : names) {
    if (root.back() != '/') root += '/';
    root += name;
  }
  return root;
}

std::string drive_path(std::string_view path) {
  return below_root(drive_root(drive_index(path[0])), path.substr(2));
}

// Network shares have no counterpart here; they land in a folder of their own
// ("\\server\share\x" in unc/server/share/x), never outside it.
std::string network_path(std::string_view server_and_rest) {
  return below_root(user_folders::data_home() + "/orvalis/unc", server_and_rest);
}

// "\\?\" and "\\.\" name a drive path, a network path or a device. A device
// (a serial port, a volume) has no file behind it: the empty path, which every
// open refuses.
std::string namespace_path(std::string_view rest) {
  if (has_drive_prefix(rest)) return drive_path(rest);
  if (starts_with_no_case(rest, "UNC") && (rest.size() == 3 || is_separator(rest[3])))
    return network_path(rest.substr(3));
  return {};
}

std::string with_slashes(std::string_view path) {
  std::string native(path);
  for (char& c : native)
    if (c == '\\') c = '/';
  return native;
}

// A path that begins with "\": on the current drive, which is C: here, since
// there is no current drive; or, after "\\", a network or namespace path. One
// that begins with "/" is taken as native: Linux's own absolute paths must
// pass through.
std::string native_path(std::string_view path) {
  if (has_drive_prefix(path)) return drive_path(path);
  if (path.empty() || path[0] != '\\') return with_slashes(path);
  const std::string_view rest = path.substr(1);
  if (rest.empty() || !is_separator(rest[0])) return below_root(drive_root(2), rest);
  const std::string_view name = rest.substr(1);
  if (name.size() >= 2 && (name[0] == '?' || name[0] == '.') && is_separator(name[1]))
    return namespace_path(name.substr(2));
  return network_path(name);
}

}  // namespace

namespace user_folders {

std::string data_home() { return xdg_folder("XDG_DATA_HOME", "/.local/share"); }

std::string config_home() { return xdg_folder("XDG_CONFIG_HOME", "/.config"); }

}  // namespace user_folders

CString KelmNativePath(LPCSTR lpszPath) {
  if (lpszPath == nullptr) return CString();
  return CString(native_path(lpszPath));
}

void KelmSetDriveRoot(char drive, LPCSTR lpszNativeRoot) {
  const int index = drive_index(drive);
  if (index < 0) return;
  std::string root = lpszNativeRoot == nullptr ? "" : lpszNativeRoot;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  std::lock_guard lock(roots_mutex);
  drive_roots[index] = root;
}

CString KelmGetDriveRoot(char drive) {
  const int index = drive_index(drive);
  if (index < 0) return CString();
  return CString(drive_root(index));
}
