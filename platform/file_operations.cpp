#include "platform/file_operations.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/error.h"
#include "platform/os_file.h"
#include "platform/path.h"

namespace {

BOOL fail(LONG error) {
  SetLastError(error);
  return FALSE;
}

BOOL fail_with_errno() { return fail(KelmErrorFromErrno(errno)); }

// The whole file, with its permission bits; false with errno set.
bool read_whole(const std::string& path, std::string& bytes, mode_t& mode) {
  const int fd = os_file::open_file(path.c_str(), O_RDONLY | O_CLOEXEC, 0);
  if (fd < 0) return false;
  struct stat st {};
  bool read = os_file::calls().fstat(fd, &st) == 0;
  if (read && S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    read = false;
  }
  char buffer[65536];
  for (ssize_t n = 1; read && n > 0;) {
    n = os_file::read_some(fd, buffer, sizeof buffer);
    if (n < 0)
      read = false;
    else
      bytes.append(buffer, static_cast<std::size_t>(n));
  }
  const int error = errno;
  os_file::close_file(fd);
  errno = error;
  mode = st.st_mode;
  return read;
}

// The temporary files this process made and has not yet moved or deleted,
// each held open under an exclusive flock until then (or until the process
// ends), so that another process can tell a temporary file whose maker died,
// and remove it, from one still being written.
struct held_files {
  std::mutex mutex;
  std::map<std::string, int> fds;
};

held_files& held() {
  static held_files* const h = new held_files;
  return *h;
}

void hold(const std::string& native, int fd) {
  held_files& h = held();
  std::lock_guard lock(h.mutex);
  const auto [at, made] = h.fds.try_emplace(native, fd);
  if (made) return;
  os_file::close_file(at->second);
  at->second = fd;
}

void let_go(const std::string& native) {
  held_files& h = held();
  std::lock_guard lock(h.mutex);
  const auto at = h.fds.find(native);
  if (at == h.fds.end()) return;
  os_file::close_file(at->second);
  h.fds.erase(at);
}

// "<prefix><hex>.TMP" as GetTempFileNameA names them, the number in one to
// four upper-case hexadecimal digits.
bool is_temporary_name(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix) || !name.ends_with(".TMP")) return false;
  const std::string_view number = name.substr(prefix.size(), name.size() - prefix.size() - 4);
  return !number.empty() && number.size() <= 4 &&
         std::all_of(number.begin(), number.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
}

// A database built in a temporary file keeps SQLite's rollback journal
// beside it while it is written.
constexpr std::string_view journal_suffix = "-journal";

// Removes the temporary files of this prefix in the folder that no process
// holds: their makers were killed before moving or deleting them. The lock
// taken here keeps a maker that has just made the file from using it, and
// the name is checked to lead to the file locked, so a file made anew under
// a freed name is left alone.
void remove_abandoned(const std::string& native_folder, std::string_view prefix) {
  std::error_code error;
  std::filesystem::directory_iterator entry(native_folder, error);
  for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
    if (!is_temporary_name(entry->path().filename().string(), prefix)) continue;
    const std::string path = entry->path().string();
    const int fd =
        os_file::open_file(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0);
    if (fd < 0) continue;
    struct stat opened {};
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
        os_file::lock_exclusive(fd, false) == 0 && os_file::is_named(fd, path)) {
      ::unlink((path + std::string(journal_suffix)).c_str());
      ::unlink(path.c_str());
    }
    os_file::close_file(fd);
  }
}

// Locks a temporary file just made: false when another process's sweep
// removed it before the lock was had. A file system without locks keeps the
// file unheld: nothing can sweep it there either.
bool hold_made(const std::string& native, int fd) {
  if (os_file::lock_exclusive(fd) != 0) {
    os_file::close_file(fd);
    return true;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || st.st_nlink == 0) {
    os_file::close_file(fd);
    return false;
  }
  hold(native, fd);
  return true;
}

}  // namespace

BOOL CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) {
  if (lpExistingFileName == nullptr || lpNewFileName == nullptr)
    return fail(ERROR_INVALID_PARAMETER);
  const std::string from(KelmNativePath(lpExistingFileName).GetString());
  const std::string to(KelmNativePath(lpNewFileName).GetString());
  // A device name maps to no file; its temporary copy would land in the
  // current folder.
  if (to.empty()) return fail(ERROR_PATH_NOT_FOUND);
  std::string bytes;
  mode_t mode = 0;
  if (!read_whole(from, bytes, mode)) return fail_with_errno();
  const std::string temp = os_file::write_temporary(to, bytes, mode & 0777);
  // The copy's name is new: what is missing is the folder.
  if (temp.empty()) return errno == ENOENT ? fail(ERROR_PATH_NOT_FOUND) : fail_with_errno();
  // A link never replaces a file that came meanwhile, as a check followed by
  // a rename would.
  const int placed =
      bFailIfExists ? ::link(temp.c_str(), to.c_str()) : ::rename(temp.c_str(), to.c_str());
  const int error = errno;
  if (bFailIfExists || placed != 0) ::unlink(temp.c_str());
  if (placed != 0) return fail(error == EEXIST ? ERROR_FILE_EXISTS : KelmErrorFromErrno(error));
  os_file::sync_folder(to);
  return TRUE;
}

int SHCreateDirectoryExA(HWND, LPCSTR pszPath, const SECURITY_ATTRIBUTES*) {
  if (pszPath == nullptr) return ERROR_INVALID_PARAMETER;
  std::string path(KelmNativePath(pszPath).GetString());
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path.empty()) return ERROR_PATH_NOT_FOUND;
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1))
    if (::mkdir(path.substr(0, slash).c_str(), 0777) != 0 && errno != EEXIST)
      return KelmErrorFromErrno(errno);
  if (::mkdir(path.c_str(), 0777) == 0) return ERROR_SUCCESS;
  if (errno != EEXIST) return KelmErrorFromErrno(errno);
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? ERROR_ALREADY_EXISTS
                                                               : ERROR_FILE_EXISTS;
}

BOOL MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags) {
  if (lpExistingFileName == nullptr || lpNewFileName == nullptr ||
      (dwFlags & ~(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) != 0)
    return fail(ERROR_INVALID_PARAMETER);
  const std::string from(KelmNativePath(lpExistingFileName).GetString());
  const std::string to(KelmNativePath(lpNewFileName).GetString());
  if (from.empty() || to.empty()) return fail(ERROR_PATH_NOT_FOUND);
  if (dwFlags & MOVEFILE_REPLACE_EXISTING) {
    if (::rename(from.c_str(), to.c_str()) != 0) return fail_with_errno();
  } else {
    // A link never replaces a file that came meanwhile, as a check followed
    // by a rename would.
    if (::link(from.c_str(), to.c_str()) != 0)
      return fail(errno == EEXIST ? ERROR_ALREADY_EXISTS : KelmErrorFromErrno(errno));
    ::unlink(from.c_str());
  }
  let_go(from);
  if (dwFlags & MOVEFILE_WRITE_THROUGH) os_file::sync_folder(to);
  return TRUE;
}

BOOL DeleteFileA(LPCSTR lpFileName) {
  if (lpFileName == nullptr) return fail(ERROR_INVALID_PARAMETER);
  const std::string path(KelmNativePath(lpFileName).GetString());
  if (path.empty()) return fail(ERROR_FILE_NOT_FOUND);
  if (::unlink(path.c_str()) != 0) return fail_with_errno();
  let_go(path);
  return TRUE;
}

UINT GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique,
                      LPSTR lpTempFileName) {
  if (lpPathName == nullptr || lpTempFileName == nullptr) return fail(ERROR_INVALID_PARAMETER);
  std::string folder(lpPathName);
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
  const std::string prefix =
      std::string(lpPrefixString != nullptr ? lpPrefixString : "").substr(0, 3);
  // Windows starts from the clock; so do we, and take the next number while
  // one is taken.
  const UINT start =
      uUnique != 0 ? uUnique : static_cast<UINT>((std::time(nullptr) ^ ::getpid()) & 0xFFFF);
  // Windows leaves the files of killed programs for ever; here a program
  // that makes temporary files removes those its predecessors abandoned. An
  // empty prefix names no program's files in particular, and none are taken.
  if (uUnique == 0 && !prefix.empty())
    remove_abandoned(std::string(KelmNativePath(folder.c_str()).GetString()), prefix);
  for (UINT tried = 0; tried < 0x10000; ++tried) {
    const UINT number = uUnique != 0 ? uUnique & 0xFFFF : (start + tried) & 0xFFFF;
    if (number == 0) continue;
    char name[16];
    std::snprintf(name, sizeof name, "%X.TMP", number);
    const std::string path = folder + prefix + name;
    if (path.size() >= MAX_PATH) return fail(ERROR_BUFFER_OVERFLOW);
    if (uUnique == 0) {
      const std::string native(KelmNativePath(path.c_str()).GetString());
      const int fd =
          os_file::open_file(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd < 0 && errno == EEXIST) continue;
      // The file is made if it is missing, so what is missing is the folder.
      if (fd < 0) return fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : KelmErrorFromErrno(errno));
      if (!hold_made(native, fd)) continue;
    }
    std::memcpy(lpTempFileName, path.c_str(), path.size() + 1);
    return number;
  }
  return fail(ERROR_FILE_EXISTS);
}
