// Temporary files that killed writers leave: GetTempFileNameA removes those
// of its prefix that no live process holds, and nothing else.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_operations.h"
#include "platform/path.h"
#include "testing/fault_injection.h"
#include "testing/scratch_folder.h"

namespace {

bool LockFreesWithin(const std::string& path, std::chrono::steady_clock::duration limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool free = flock(fd, LOCK_EX | LOCK_NB) == 0;
    close(fd);
    if (free) return true;
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

TEST(TemporaryFileFaultTest, AbandonedFilesOfThePrefixGoAndEverythingElseStays) {
  const ScratchFolder folder;
  const struct {
    const char* name;
    bool abandoned;
  } cases[] = {
      {"dic1.TMP", true},       {"dicBEEF.TMP", true},     {"dic12AB.TMP-journal", true},
      {"dic12AB.TMP", true},    {"dicbeef.TMP", false},    {"dic12345.TMP", false},
      {"dic.TMP", false},       {"dic12.tmp", false},      {"dic12.TMP.bak", false},
      {"kdt12.TMP", false},     {"dictionary.rtf", false}, {"xdic12.TMP", false},
      {"dic12.TMP-wal", false}, {"dicG1.TMP", false},
  };
  for (const auto& c : cases) WriteWholeFile(folder.path(c.name), "kept");
  char made[MAX_PATH];
  ASSERT_NE(0u, GetTempFileNameA(folder.path("").c_str(), "dic", 0, made));
  for (const auto& c : cases)
    EXPECT_EQ(!c.abandoned, std::filesystem::exists(folder.path(c.name))) << c.name;
  EXPECT_TRUE(DeleteFileA(made)) << made;
}

// A file another process made and still holds is being written: it stays,
// however many files of the prefix are made beside it, until its maker dies.
TEST(TemporaryFileFaultTest, AFileHeldByALiveProcessStaysUntilItDies) {
  const ScratchFolder folder;
  const std::string dir = folder.path("");
  int made_by_child[2];
  ASSERT_EQ(0, pipe(made_by_child));
  int go_on[2];
  ASSERT_EQ(0, pipe(go_on));
  const pid_t child = fork();
  if (child == 0) {
    char made[MAX_PATH];
    const bool ok = GetTempFileNameA(dir.c_str(), "klm", 0, made) != 0;
    const std::string name =
        ok ? std::filesystem::path(KelmNativePath(made).GetString()).filename().string() : "";
    if (write(made_by_child[1], name.c_str(), name.size() + 1) < 0) _exit(2);
    char wait = 0;
    if (read(go_on[0], &wait, 1) < 0) _exit(2);
    _exit(ok ? 0 : 1);
  }
  close(made_by_child[1]);
  close(go_on[0]);
  char name[64] = {};
  ASSERT_LT(0, read(made_by_child[0], name, sizeof name - 1));
  ASSERT_NE('\0', name[0]);
  const std::string held = folder.path(name);
  char mine[MAX_PATH];
  for (int i = 0; i < 3; ++i) {
    ASSERT_NE(0u, GetTempFileNameA(dir.c_str(), "klm", 0, mine));
    EXPECT_TRUE(std::filesystem::exists(held)) << held;
    EXPECT_TRUE(DeleteFileA(mine)) << mine;
  }
  kill(child, SIGKILL);
  WaitForChild(child);
  // A killed process's files may be closed by the kernel a moment after it
  // is reaped; the sweep is asked only once its lock is really gone.
  ASSERT_TRUE(LockFreesWithin(held, std::chrono::seconds(10))) << held;
  ASSERT_NE(0u, GetTempFileNameA(dir.c_str(), "klm", 0, mine));
  EXPECT_FALSE(std::filesystem::exists(held)) << held;
  EXPECT_TRUE(DeleteFileA(mine)) << mine;
}

// A file made here is the caller's until it moves or deletes it, even when
// the same process makes more.
TEST(TemporaryFileFaultTest, TheCallersOwnFilesStayUntilMovedOrDeleted) {
  const ScratchFolder folder;
  const std::string dir = folder.path("");
  char first[MAX_PATH], second[MAX_PATH];
  ASSERT_NE(0u, GetTempFileNameA(dir.c_str(), "dic", 0, first));
  ASSERT_NE(0u, GetTempFileNameA(dir.c_str(), "dic", 0, second));
  EXPECT_TRUE(std::filesystem::exists(std::string(KelmNativePath(first).GetString()))) << first;
  ASSERT_TRUE(MoveFileExA(first, folder.path("done.rtf").c_str(), MOVEFILE_REPLACE_EXISTING));
  char third[MAX_PATH];
  ASSERT_NE(0u, GetTempFileNameA(dir.c_str(), "dic", 0, third));
  EXPECT_TRUE(std::filesystem::exists(folder.path("done.rtf")));
  EXPECT_TRUE(std::filesystem::exists(std::string(KelmNativePath(second).GetString()))) << second;
  EXPECT_TRUE(DeleteFileA(second));
  EXPECT_TRUE(DeleteFileA(third));
  EXPECT_EQ(std::vector<std::string>{"done.rtf"}, FolderNames(dir));
}

}  // namespace
