#include "platform/file_attributes.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/error.h"
#include "testing/scratch_folder.h"

namespace {

std::uint64_t ticks(const FILETIME& t) {
  return static_cast<std::uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime;
}

TEST(FileAttributesTest, SizeKindAndWriteTimeInWin32Terms) {
  const ScratchFolder folder;
  const std::string file = folder.path("words.tlx");
  WriteWholeFile(file, "cat\ti\r\n");
  // 9 September 2001, 01:46:40 UTC, and a quarter second.
  const timespec times[2] = {{1'000'000'000, 250'000'000}, {1'000'000'000, 250'000'000}};
  ASSERT_EQ(0, ::utimensat(AT_FDCWD, file.c_str(), times, 0));

  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(FILE_ATTRIBUTE_NORMAL, data.dwFileAttributes);
  EXPECT_EQ(0u, data.nFileSizeHigh);
  EXPECT_EQ(7u, data.nFileSizeLow);
  EXPECT_EQ((1'000'000'000ULL + 11'644'473'600ULL) * 10'000'000ULL + 2'500'000ULL,
            ticks(data.ftLastWriteTime));

  ASSERT_TRUE(GetFileAttributesExA(folder.path("").c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, data.dwFileAttributes);
}

// A size past 4 GB must carry into the high word, not wrap.
TEST(FileAttributesTest, LargeSizeSplitsIntoTwoWords) {
  const ScratchFolder folder;
  const std::string file = folder.path("sparse");
  WriteWholeFile(file, "");
  std::filesystem::resize_file(file, 5ULL << 30);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(1u, data.nFileSizeHigh);
  EXPECT_EQ(1u << 30, data.nFileSizeLow);
}

TEST(FileAttributesTest, FailuresSetTheLastError) {
  const ScratchFolder folder;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  EXPECT_FALSE(GetFileAttributesExA(folder.path("missing").c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  EXPECT_FALSE(GetFileAttributesExA(folder.path("").c_str(), GetFileExMaxInfoLevel, &data));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

}  // namespace
