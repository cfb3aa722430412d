#include "platform/file_mapping.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/error.h"
#include "platform/file.h"
#include "testing/scratch_folder.h"

namespace {

std::string pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + i % 23);
  return bytes;
}

// The object's view from `offset` for `count` bytes (0: to its end), with the
// object closed at once, as a reader that keeps only the view does.
const char* map_view(int fd, DWORD offset, SIZE_T count) {
  const HANDLE mapping = CreateFileMappingA(fd, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (mapping == nullptr) return nullptr;
  LPVOID view = MapViewOfFile(mapping, FILE_MAP_READ, 0, offset, count);
  EXPECT_TRUE(CloseHandle(mapping));
  return static_cast<const char*>(view);
}

TEST(FileMappingTest, ViewsHoldTheFileAndAZeroAfterIt) {
  constexpr std::size_t page = 4096;
  const struct {
    std::size_t size;
    DWORD offset;
    SIZE_T count;
  } cases[] = {
      {1, 0, 0},
      {page - 1, 0, 0},
      {page, 0, 0},
      {page + 1, 0, 0},
      {3 * page, 0, 100},
      {KELM_ALLOCATION_GRANULARITY + 10, KELM_ALLOCATION_GRANULARITY, 0},
      {2 * KELM_ALLOCATION_GRANULARITY, KELM_ALLOCATION_GRANULARITY, page},
  };
  const ScratchFolder folder;
  for (const auto& c : cases) {
    const std::string where = "size " + std::to_string(c.size) + " offset " +
                              std::to_string(c.offset) + " count " + std::to_string(c.count);
    const std::string path = folder.path("file");
    const std::string bytes = pattern(c.size);
    WriteWholeFile(path, bytes);
    CFile file(path.c_str(), CFile::modeRead | CFile::typeBinary);
    const char* view = map_view(file.m_hFile, c.offset, c.count);
    ASSERT_NE(nullptr, view) << where << ": error " << GetLastError();
    // The view needs neither the object nor the file's descriptor.
    file.Close();
    const std::size_t count = c.count != 0 ? c.count : c.size - c.offset;
    EXPECT_EQ(std::string_view(bytes).substr(c.offset, count), std::string_view(view, count))
        << where;
    EXPECT_EQ('\0', view[count]) << where;
    EXPECT_TRUE(KelmIsViewIntact(view)) << where;
    EXPECT_TRUE(UnmapViewOfFile(view)) << where;
  }
}

// Reading a page the file no longer held raised SIGBUS and ended the process.
TEST(FileMappingTest, AFileCutShortUnderAViewReadsAsZerosAndMarksIt) {
  constexpr std::size_t size = 5 * 4096 + 123;
  const ScratchFolder folder;
  const std::string cut = folder.path("cut");
  const std::string kept = folder.path("kept");
  WriteWholeFile(cut, pattern(size));
  WriteWholeFile(kept, pattern(size));
  CFile cut_file(cut.c_str(), CFile::modeRead | CFile::typeBinary);
  CFile kept_file(kept.c_str(), CFile::modeRead | CFile::typeBinary);
  const char* cut_view = map_view(cut_file.m_hFile, 0, 0);
  const char* kept_view = map_view(kept_file.m_hFile, 0, 0);
  ASSERT_NE(nullptr, cut_view);
  ASSERT_NE(nullptr, kept_view);

  ASSERT_EQ(0, ::truncate(cut.c_str(), 4096));
  // The whole pages past the new end read as zeros; the tail was a copy.
  const std::string original = pattern(size);
  const std::string expected =
      original.substr(0, 4096) + std::string(4 * 4096, '\0') + original.substr(size - 123);
  EXPECT_EQ(expected, std::string_view(cut_view, size));
  EXPECT_FALSE(KelmIsViewIntact(cut_view));
  EXPECT_EQ(pattern(size), std::string_view(kept_view, size));
  EXPECT_TRUE(KelmIsViewIntact(kept_view));
  EXPECT_TRUE(UnmapViewOfFile(cut_view));
  EXPECT_TRUE(UnmapViewOfFile(kept_view));
}

// A handler that swallowed every SIGBUS would leave a fault outside the
// views coming back for ever.
TEST(FileMappingDeathTest, ASigbusOutsideTheViewsStillEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const ScratchFolder folder;
  const std::string path = folder.path("raw");
  WriteWholeFile(path, pattern(3 * 4096));
  CFile file(path.c_str(), CFile::modeRead | CFile::typeBinary);
  const char* view = map_view(file.m_hFile, 0, 0);
  ASSERT_NE(nullptr, view);
  EXPECT_DEATH(
      {
        void* raw = mmap(nullptr, 3 * 4096, PROT_READ, MAP_SHARED, file.m_hFile, 0);
        if (raw == MAP_FAILED || ::truncate(path.c_str(), 0) != 0) _exit(0);
        std::printf("%d\n", static_cast<const volatile char*>(raw)[4096]);
        _exit(0);
      },
      "");
  EXPECT_TRUE(UnmapViewOfFile(view));
}

TEST(FileMappingTest, FailuresSetTheLastError) {
  const ScratchFolder folder;
  const std::string path = folder.path("file");
  WriteWholeFile(path, pattern(100));
  const std::string empty = folder.path("empty");
  WriteWholeFile(empty, "");
  CFile file(path.c_str(), CFile::modeRead | CFile::typeBinary);
  CFile empty_file(empty.c_str(), CFile::modeRead | CFile::typeBinary);
  int pipe_ends[2];
  ASSERT_EQ(0, ::pipe(pipe_ends));

  const struct {
    const char* what;
    int fd;
    DWORD protect;
    DWORD size;
    LPCSTR name;
    LONG error;
  } creations[] = {
      {"a pipe", pipe_ends[0], PAGE_READONLY, 0, nullptr, ERROR_INVALID_HANDLE},
      {"no descriptor", -1, PAGE_READONLY, 0, nullptr, ERROR_INVALID_HANDLE},
      {"an empty file", empty_file.m_hFile, PAGE_READONLY, 0, nullptr, ERROR_FILE_INVALID},
      {"writable", file.m_hFile, 0x04, 0, nullptr, ERROR_INVALID_PARAMETER},
      {"named", file.m_hFile, PAGE_READONLY, 0, "Local\\words", ERROR_INVALID_PARAMETER},
      {"beyond the file", file.m_hFile, PAGE_READONLY, 101, nullptr, ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : creations) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(nullptr, CreateFileMappingA(c.fd, nullptr, c.protect, 0, c.size, c.name)) << c.what;
    EXPECT_EQ(static_cast<DWORD>(c.error), GetLastError()) << c.what;
  }
  ::close(pipe_ends[0]);
  ::close(pipe_ends[1]);

  const HANDLE mapping = CreateFileMappingA(file.m_hFile, nullptr, PAGE_READONLY, 0, 60, nullptr);
  ASSERT_NE(nullptr, mapping);
  const struct {
    const char* what;
    HANDLE mapping;
    DWORD access;
    DWORD offset;
    SIZE_T count;
    LONG error;
  } views[] = {
      {"no object", reinterpret_cast<HANDLE>(UINT_PTR{6}), FILE_MAP_READ, 0, 0,
       ERROR_INVALID_HANDLE},
      {"for writing", mapping, 0x0002, 0, 0, ERROR_INVALID_PARAMETER},
      {"an offset between granules", mapping, FILE_MAP_READ, 4096, 0, ERROR_MAPPED_ALIGNMENT},
      {"past the object's size", mapping, FILE_MAP_READ, 0, 61, ERROR_INVALID_PARAMETER},
      {"at the object's end", mapping, FILE_MAP_READ, KELM_ALLOCATION_GRANULARITY, 0,
       ERROR_INVALID_PARAMETER},
  };
  for (const auto& v : views) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(nullptr, MapViewOfFile(v.mapping, v.access, 0, v.offset, v.count)) << v.what;
    EXPECT_EQ(static_cast<DWORD>(v.error), GetLastError()) << v.what;
  }
  EXPECT_TRUE(CloseHandle(mapping));
  EXPECT_FALSE(CloseHandle(mapping)) << "closed twice";
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());

  const char not_a_view = 0;
  EXPECT_FALSE(UnmapViewOfFile(&not_a_view));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_ADDRESS), GetLastError());
  EXPECT_FALSE(KelmIsViewIntact(&not_a_view));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_ADDRESS), GetLastError());
}

}  // namespace
