#include "platform/error.h"

#include <cerrno>

namespace {

thread_local DWORD last_error = ERROR_SUCCESS;

struct errno_mapping {
  int error;
  DWORD code;
};

// The causes a Windows program tells apart. A name too long for the file
// system is a malformed name to Windows; a directory opened as a file, a
// refusal. Anything not listed is a general failure.
constexpr errno_mapping errno_mappings[] = {
    {0, ERROR_SUCCESS},
    {ENOENT, ERROR_FILE_NOT_FOUND},
    {ENXIO, ERROR_FILE_NOT_FOUND},
    {ENODEV, ERROR_FILE_NOT_FOUND},
    {ENOTDIR, ERROR_PATH_NOT_FOUND},
    {ELOOP, ERROR_PATH_NOT_FOUND},
    {ENAMETOOLONG, ERROR_INVALID_NAME},
    {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},
    {EROFS, ERROR_ACCESS_DENIED},
    {EISDIR, ERROR_ACCESS_DENIED},
    {EBADF, ERROR_INVALID_HANDLE},
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENOSPC, ERROR_DISK_FULL},
    {EDQUOT, ERROR_DISK_FULL},
    {EFBIG, ERROR_DISK_FULL},
    {EEXIST, ERROR_ALREADY_EXISTS},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {EINVAL, ERROR_INVALID_PARAMETER},
    {EIO, ERROR_GEN_FAILURE},
};

}  // namespace

DWORD GetLastError() { return last_error; }

void SetLastError(DWORD dwErrCode) { last_error = dwErrCode; }

DWORD KelmErrorFromErrno(int error) {
  for (const auto& m : errno_mappings)
    if (m.error == error) return m.code;
  return ERROR_GEN_FAILURE;
}
