#include "platform/file_attributes.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>

#include "platform/error.h"
#include "platform/path.h"

namespace {

// Seconds from 1601 to 1970.
constexpr std::uint64_t epoch_difference = 11644473600ULL;

FILETIME file_time(const timespec& t) {
  // Times before 1601 cannot be written in a FILETIME; they read as its zero.
  const std::int64_t seconds = static_cast<std::int64_t>(t.tv_sec) + epoch_difference;
  const std::uint64_t ticks = seconds < 0 ? 0
                                          : static_cast<std::uint64_t>(seconds) * 10'000'000ULL +
                                                static_cast<std::uint64_t>(t.tv_nsec) / 100;
  return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

}  // namespace

BOOL GetFileAttributesExA(LPCSTR lpFileName, GET_FILEEX_INFO_LEVELS fInfoLevelId,
                          void* lpFileInformation) {
  if (lpFileName == nullptr || lpFileInformation == nullptr ||
      fInfoLevelId != GetFileExInfoStandard) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  struct stat st {};
  if (::stat(KelmNativePath(lpFileName).GetString(), &st) != 0) {
    SetLastError(KelmErrorFromErrno(errno));
    return FALSE;
  }
  DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
  if ((st.st_mode & S_IWUSR) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
  if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
  auto& data = *static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(lpFileInformation);
  data.dwFileAttributes = attributes;
  data.ftCreationTime = file_time(st.st_ctim);
  data.ftLastAccessTime = file_time(st.st_atim);
  data.ftLastWriteTime = file_time(st.st_mtim);
  const auto size = static_cast<std::uint64_t>(st.st_size);
  data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
  data.nFileSizeLow = static_cast<DWORD>(size);
  return TRUE;
}
