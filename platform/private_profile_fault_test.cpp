// Profile files under a full disk and under SIGKILL: a failed or killed write
// leaves the old file whole, and nothing of it stays beside the file once the
// next write is done.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "testing/fault_injection.h"
#include "testing/scratch_folder.h"

namespace {

class PrivateProfileFaultTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteWholeFile(m_file, m_old); }

  // A value long enough that the write takes a while and a size limit can
  // fall at many points inside it.
  static std::string Value(char fill) { return std::string(3000, fill); }

  bool Save(const std::string& value) const {
    return WritePrivateProfileStringA("Fonts", "Face", value.c_str(), m_file.c_str()) != FALSE;
  }

  // The whole file with the value saved: every other line as it was.
  static std::string FileWith(const std::string& value) {
    return "; kept\r\n[Fonts]\r\nFace=" + value + "\r\nSize=12\r\n[Other]\r\nk=v\r\n";
  }

  ScratchFolder m_folder;
  const std::string m_file = m_folder.path("kelm.ini");
  const std::string m_old = FileWith("Arial");
  const std::vector<std::string> m_alone{"kelm.ini"};
};

TEST_F(PrivateProfileFaultTest, AFullDiskFailsTheWriteAndLeavesTheOldFile) {
  const std::string value = Value('x');
  const std::string want = FileWith(value);
  FaultTally tally;
  // Every size from an empty disk to one the new file just fits, in steps
  // small enough to stop the write at each of its stages.
  for (rlim_t limit = 0; limit <= want.size() + 64; limit += 61) {
    const bool fits = limit >= want.size();
    const int status = RunInChild(limit, [&] { return Save(value) ? 0 : 1; });
    ++tally.iterations;
    if (status == 1) ++tally.failures_reported;
    EXPECT_EQ(fits ? 0 : 1, status) << "limit " << limit;
    EXPECT_EQ(fits ? want : m_old, ReadWholeFile(m_file)) << "limit " << limit;
    EXPECT_EQ(m_alone, FolderNames(m_folder.path(""))) << "limit " << limit;
    if (fits) WriteWholeFile(m_file, m_old);
  }
  EXPECT_TRUE(Save(value));
  EXPECT_EQ(want, ReadWholeFile(m_file));
  tally.Print("profile, full disk");
}

TEST_F(PrivateProfileFaultTest, AFullDiskFailsTheWriteOfANewFileWithoutLeavingOne) {
  const std::string fresh = m_folder.path("new.ini");
  for (rlim_t limit : {rlim_t{0}, rlim_t{5}, rlim_t{20}}) {
    const int status = RunInChild(limit, [&] {
      return WritePrivateProfileStringA("Fonts", "Face", "Arial", fresh.c_str()) ? 0 : 1;
    });
    EXPECT_EQ(1, status) << "limit " << limit;
    EXPECT_EQ(m_alone, FolderNames(m_folder.path(""))) << "limit " << limit;
  }
}

TEST_F(PrivateProfileFaultTest, AKilledWriteLeavesTheOldFileOrTheNewOne) {
  const std::string a = Value('a'), b = Value('b');
  ASSERT_TRUE(Save(a));
  int tally_mid_write = 0;
  std::set<std::string> left;
  FaultTally tally = KillDuringSaves(
      200, RandomDelays(std::chrono::microseconds(500), std::chrono::microseconds(8000)),
      [&](int n) { return Save(n % 2 == 0 ? b : a); },
      [&](bool mid_save) {
        const std::string got = ReadWholeFile(m_file);
        EXPECT_TRUE(got == FileWith(a) || got == FileWith(b))
            << "mid-save " << mid_save << ": " << got.size() << " bytes starting "
            << got.substr(0, 24);
        const size_t before = left.size();
        for (const std::string& name : FolderNames(m_folder.path("")))
          if (name != "kelm.ini") left.insert(name);
        if (left.size() > before) ++tally_mid_write;
      });
  EXPECT_GT(tally.mid_save, 100) << "too few kills landed inside a write";
  EXPECT_EQ(0, tally.failures_reported);
  EXPECT_TRUE(Save(a));
  EXPECT_EQ(FileWith(a), ReadWholeFile(m_file));
  const std::vector<std::string> after = FolderNames(m_folder.path(""));
  EXPECT_EQ(m_alone, after) << "temporary files outlive the next write: " << Listed(after);
  tally.mid_write = tally_mid_write;
  tally.temp_left = static_cast<int>(left.size());
  tally.cleaned = tally.temp_left - static_cast<int>(after.size() - 1);
  tally.Print("profile, SIGKILL");
}

// Removing what killed writers left must never take a file of the user's
// that only looks like it.
TEST_F(PrivateProfileFaultTest, AWriteRemovesAbandonedTemporaryFilesAndNothingElse) {
  const struct {
    const char* name;
    bool abandoned;
  } cases[] = {
      {"kelm.ini.save.Ab3dE9", true},   {"kelm.ini.save.zzzzzz", true},
      {"kelm.ini.save.Ab3dE", false},   {"kelm.ini.save.Ab3dE95", false},
      {"kelm.ini.save.Ab-dE9", false},  {"kelm.ini.backup", false},
      {"kelm.ini.Ab3dE9", false},       {"other.ini.save.Ab3dE9", false},
      {"xkelm.ini.save.Ab3dE9", false}, {"kelm.ini.save", false},
  };
  for (const auto& c : cases) WriteWholeFile(m_folder.path(c.name), "kept");
  ASSERT_TRUE(Save("Courier"));
  for (const auto& c : cases)
    EXPECT_EQ(!c.abandoned, std::filesystem::exists(m_folder.path(c.name))) << c.name;
}

}  // namespace
