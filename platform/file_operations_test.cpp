#include "platform/file_operations.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/os_file.h"
#include "platform/path.h"
#include "testing/system_calls_test.h"

namespace {

using FileOperationsTest = SystemCallsTest;

// Whether the target was there decides with bFailIfExists; either way the
// target ends whole, and nothing is left beside it. A copy takes the source's
// permission bits.
TEST_F(FileOperationsTest, CopyFileKeepsOrReplacesTheTarget) {
  const struct {
    bool target_there;
    BOOL fail_if_exists;
    BOOL want;
    LONG want_error;
    const char* want_target;
  } cases[] = {
      {false, TRUE, TRUE, 0, "source"},
      {false, FALSE, TRUE, 0, "source"},
      {true, TRUE, FALSE, ERROR_FILE_EXISTS, "target"},
      {true, FALSE, TRUE, 0, "source"},
  };
  const std::string from = m_folder.path("from.tlx"), to = m_folder.path("to.tlx");
  WriteWholeFile(from, "source");
  ASSERT_EQ(0, chmod(from.c_str(), 0640));
  for (const auto& c : cases) {
    std::filesystem::remove(to);
    if (c.target_there) WriteWholeFile(to, "target");
    SetLastError(0);
    const std::string shown = std::string(c.target_there ? "over a file" : "to no file") +
                              (c.fail_if_exists ? ", failing if it exists" : "");
    EXPECT_EQ(c.want, CopyFileA(from.c_str(), to.c_str(), c.fail_if_exists)) << shown;
    if (!c.want) {
      EXPECT_EQ(c.want_error, static_cast<LONG>(GetLastError())) << shown;
    }
    EXPECT_EQ(c.want_target, ReadWholeFile(to)) << shown;
    EXPECT_EQ((std::vector<std::string>{"from.tlx", "to.tlx"}), FolderEntries()) << shown;
    if (c.want) {
      EXPECT_EQ(std::filesystem::perms(0640), std::filesystem::status(to).permissions()) << shown;
    }
  }
}

// A failed copy leaves the target as it was and no partial copy beside it.
TEST_F(FileOperationsTest, CopyFileFailsWithoutTouchingTheTarget) {
  const std::string from = m_folder.path("from.tlx"), to = m_folder.path("to.tlx");
  WriteWholeFile(from, "source");
  WriteWholeFile(to, "target");
  const struct {
    std::string from, to;
    bool disk_full;
    LONG want_error;
  } cases[] = {
      {m_folder.path("missing.tlx"), to, false, ERROR_FILE_NOT_FOUND},
      {m_folder.path(""), to, false, ERROR_ACCESS_DENIED},
      {from, to, true, ERROR_DISK_FULL},
      {from, m_folder.path("no/such/folder.tlx"), false, ERROR_PATH_NOT_FOUND},
      {from, "\\\\.\\COM1", false, ERROR_PATH_NOT_FOUND},
  };
  for (const auto& c : cases) {
    if (c.disk_full) os_file::calls().write = FullDiskWrite;
    EXPECT_FALSE(CopyFileA(c.from.c_str(), c.to.c_str(), FALSE)) << c.from << " to " << c.to;
    RestoreCalls();
    EXPECT_EQ(c.want_error, static_cast<LONG>(GetLastError())) << c.from << " to " << c.to;
    EXPECT_EQ("target", ReadWholeFile(to)) << c.from << " to " << c.to;
    EXPECT_EQ((std::vector<std::string>{"from.tlx", "to.tlx"}), FolderEntries())
        << c.from << " to " << c.to;
  }
  EXPECT_FALSE(CopyFileA(nullptr, to.c_str(), FALSE));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, static_cast<LONG>(GetLastError()));
}

TEST_F(FileOperationsTest, CreateDirectoryMakesEveryMissingFolder) {
  WriteWholeFile(m_folder.path("file"), "");
  const struct {
    std::string path;
    int want;
  } cases[] = {
      {m_folder.path("a/b/c/"), ERROR_SUCCESS},
      {m_folder.path("a/b/c"), ERROR_ALREADY_EXISTS},
      {m_folder.path("a"), ERROR_ALREADY_EXISTS},
      {m_folder.path("file"), ERROR_FILE_EXISTS},
      {m_folder.path("file/d"), ERROR_PATH_NOT_FOUND},
      {"\\\\.\\COM1", ERROR_PATH_NOT_FOUND},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.want, SHCreateDirectoryExA(nullptr, c.path.c_str(), nullptr)) << c.path;
  EXPECT_TRUE(std::filesystem::is_directory(m_folder.path("a/b/c")));
}

// A rename replaces a target only when told to, and a temporary name is a
// new file that no two calls share.
TEST_F(FileOperationsTest, MoveDeleteAndTemporaryNames) {
  const std::string from = m_folder.path("from"), to = m_folder.path("to");
  const struct {
    bool target_there;
    DWORD flags;
    BOOL want;
    LONG want_error;
    const char* want_target;
  } cases[] = {
      {false, 0, TRUE, 0, "new"},
      {true, 0, FALSE, ERROR_ALREADY_EXISTS, "old"},
      {true, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH, TRUE, 0, "new"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(to);
    if (c.target_there) WriteWholeFile(to, "old");
    WriteWholeFile(from, "new");
    SetLastError(0);
    EXPECT_EQ(c.want, MoveFileExA(from.c_str(), to.c_str(), c.flags)) << c.flags;
    EXPECT_EQ(c.want_error, static_cast<LONG>(GetLastError())) << c.flags;
    EXPECT_EQ(c.want_target, ReadWholeFile(to)) << c.flags;
    EXPECT_EQ(c.want == FALSE, std::filesystem::exists(from)) << c.flags;
  }
  EXPECT_TRUE(DeleteFileA(to.c_str()));
  EXPECT_FALSE(DeleteFileA(to.c_str()));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, static_cast<LONG>(GetLastError()));

  char first[MAX_PATH], second[MAX_PATH];
  ASSERT_NE(0u, GetTempFileNameA(m_folder.path("").c_str(), "dictionary", 0, first));
  ASSERT_NE(0u, GetTempFileNameA(m_folder.path("").c_str(), "dictionary", 0, second));
  EXPECT_NE(std::string(first), std::string(second));
  for (const char* made : {first, second}) {
    const std::string name = std::filesystem::path(KelmNativePath(made).GetString()).filename();
    EXPECT_TRUE(name.starts_with("dic") && name.ends_with(".TMP")) << made;
    EXPECT_EQ("", ReadWholeFile(KelmNativePath(made).GetString())) << made;
  }
  EXPECT_EQ(0u, GetTempFileNameA(m_folder.path("none").c_str(), "dic", 0, first));
  EXPECT_EQ(ERROR_PATH_NOT_FOUND, static_cast<LONG>(GetLastError()));
  EXPECT_EQ(0u, GetTempFileNameA(std::string(MAX_PATH, 'x').c_str(), "dic", 0, first));
  EXPECT_EQ(ERROR_BUFFER_OVERFLOW, static_cast<LONG>(GetLastError()));
}

}  // namespace
