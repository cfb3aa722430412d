// A fixture for tests of the platform's files that make system calls fail on
// purpose: a scratch folder of the test's own, and the table of os_file calls
// put back as it was when the test ends (or at once, with RestoreCalls), so
// that a failure meant for one call never reaches the next test. Internal to
// the platform's tests; it is not installed.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/os_file.h"
#include "testing/scratch_folder.h"

// A write on a disk with no room left.
inline ssize_t FullDiskWrite(int, const void*, size_t) {
  errno = ENOSPC;
  return -1;
}

class SystemCallsTest : public ::testing::Test {
 protected:
  void TearDown() override { RestoreCalls(); }
  void RestoreCalls() { os_file::calls() = m_savedCalls; }

  // The names in the scratch folder, sorted, so that a test sees a leftover
  // temporary file beside the one it wrote.
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder.path("")))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  ScratchFolder m_folder;
  const os_file::system_calls m_savedCalls = os_file::calls();
};
