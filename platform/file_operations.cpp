#include "platform/file_operations.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

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
  if (dwFlags & MOVEFILE_WRITE_THROUGH) os_file::sync_folder(to);
  return TRUE;
}

BOOL DeleteFileA(LPCSTR lpFileName) {
  if (lpFileName == nullptr) return fail(ERROR_INVALID_PARAMETER);
  const std::string path(KelmNativePath(lpFileName).GetString());
  if (path.empty()) return fail(ERROR_FILE_NOT_FOUND);
  return ::unlink(path.c_str()) == 0 ? TRUE : fail_with_errno();
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
      os_file::close_file(fd);
    }
    std::memcpy(lpTempFileName, path.c_str(), path.size() + 1);
    return number;
  }
  return fail(ERROR_FILE_EXISTS);
}
