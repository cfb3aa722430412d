// The registry hive under a full disk and under SIGKILL: a value write either
// happens whole and says so, or fails, says so and leaves the old value; the
// hive keeps no file beside it but SQLite's own write-ahead log and index.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "testing/fault_injection.h"
#include "testing/private_hive.h"

namespace {

class RegistryFaultTest : public PrivateHiveTest {
 protected:
  void SetUp() override {
    PrivateHiveTest::SetUp();
    ASSERT_EQ(ERROR_SUCCESS, Set("Font", m_old));
    ASSERT_EQ(ERROR_SUCCESS, Set("Other", "kept"));
  }

  // One save as a program makes it: open the key, set the value, close.
  static LONG Set(const char* name, const std::string& value) {
    HKEY key = nullptr;
    LONG error = RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quendra\\Kelm", 0, nullptr, 0,
                                 KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (error != ERROR_SUCCESS) return error;
    error = RegSetValueExA(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(value.data()),
                           static_cast<DWORD>(value.size()));
    RegCloseKey(key);
    return error;
  }

  static std::string Get(const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Quendra\\Kelm", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
      return "<no key>";
    std::string value(100000, '\0');
    DWORD size = static_cast<DWORD>(value.size());
    const LONG error =
        RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value.data()), &size);
    RegCloseKey(key);
    if (error != ERROR_SUCCESS) return "<error " + std::to_string(error) + ">";
    value.resize(size);
    return value;
  }

  // Anything in the folder but the hive and SQLite's files for it.
  std::vector<std::string> Litter() const {
    static const std::set<std::string> hive_files = {"registry.db", "registry.db-wal",
                                                     "registry.db-shm"};
    std::vector<std::string> litter;
    for (const std::string& name : FolderNames(m_folder.path("")))
      if (!hive_files.contains(name)) litter.push_back(name);
    return litter;
  }

  // Values over several pages, so that a write takes a while and a limit can
  // stop it between pages.
  static std::string Value(char fill) { return std::string(20000, fill); }

  const std::string m_old = Value('o');
};

TEST_F(RegistryFaultTest, AFullDiskFailsTheWriteAndLeavesTheOldValue) {
  const std::string value = Value('n');
  FaultTally tally;
  int saved = 0;
  // From no room at all up, past the first few sizes that leave room for the
  // new pages: the log grows with each write, so where a write starts to fit
  // moves on with it.
  for (rlim_t limit = 0; saved < 4 && limit < 1024 * 1024; limit += 1536) {
    const int status =
        RunInChild(limit, [&] { return Set("Font", value) == ERROR_SUCCESS ? 0 : 1; });
    ++tally.iterations;
    if (status == 1) ++tally.failures_reported;
    ASSERT_TRUE(status == 0 || status == 1) << "limit " << limit << ": the child died";
    EXPECT_EQ(status == 0 ? value : m_old, Get("Font")) << "limit " << limit;
    EXPECT_EQ("kept", Get("Other")) << "limit " << limit;
    EXPECT_EQ(std::vector<std::string>{}, Litter()) << "limit " << limit;
    if (status == 0) {
      ++saved;
      ASSERT_EQ(ERROR_SUCCESS, Set("Font", m_old));
    }
  }
  EXPECT_GT(tally.failures_reported, 0);
  EXPECT_GT(saved, 0) << "no limit was large enough for the write";
  EXPECT_EQ(ERROR_SUCCESS, Set("Font", value));
  EXPECT_EQ(value, Get("Font"));
  tally.Print("registry, full disk");
}

TEST_F(RegistryFaultTest, AKilledWriteLeavesTheOldValueOrTheNewOne) {
  const std::string a = Value('a'), b = Value('b');
  ASSERT_EQ(ERROR_SUCCESS, Set("Font", a));
  FaultTally tally = KillDuringSaves(
      200, RandomDelays(std::chrono::microseconds(2000), std::chrono::microseconds(12000)),
      [&](int n) { return Set("Font", n % 2 == 0 ? b : a) == ERROR_SUCCESS; },
      [&](bool mid_save) {
        const std::string got = Get("Font");
        EXPECT_TRUE(got == a || got == b) << "mid-save " << mid_save << ": " << got.size()
                                          << " bytes starting " << got.substr(0, 8);
        EXPECT_EQ(std::vector<std::string>{}, Litter());
      });
  EXPECT_GT(tally.mid_save, 100) << "too few kills landed inside a write";
  EXPECT_EQ(0, tally.failures_reported);
  EXPECT_EQ(ERROR_SUCCESS, Set("Font", a));
  EXPECT_EQ(a, Get("Font"));
  EXPECT_EQ("kept", Get("Other"));
  tally.Print("registry, SIGKILL");
}

}  // namespace
