#include "platform/path.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/scoped_env.h"
#include "testing/scratch_folder.h"

namespace {

// Drives C and D, and the user's data folder, lie in a temporary folder.
class PathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KelmSetDriveRoot('C', m_folder.path("c").c_str());
    KelmSetDriveRoot('d', m_folder.path("d").c_str());
  }
  void TearDown() override {
    KelmSetDriveRoot('C', nullptr);
    KelmSetDriveRoot('D', nullptr);
  }

  ScratchFolder m_folder;
  const ScopedEnv m_data{"XDG_DATA_HOME", m_folder.path("data").c_str()};
  const ScopedEnv m_home{"HOME", m_folder.path("home").c_str()};
};

TEST_F(PathTest, WindowsPathsLandUnderTheirRootsAndNeverLeaveThem) {
  const std::string c = m_folder.path("c");
  const std::string d = m_folder.path("d");
  const std::string unc = m_folder.path("data/orvalis/unc");
  const struct {
    const char* windows;
    std::string native;
  } cases[] = {
      {"C:\\Program Files\\Orvalis", c + "/Program Files/Orvalis"},
      {"c:/x", c + "/x"},
      {"C:", c},
      {"C:\\", c},
      {"C:Keyboard.kbd", c + "/Keyboard.kbd"},
      {"d:\\Dict\\\\main.rtf\\", d + "/Dict/main.rtf"},
      {"\\foo\\bar", c + "/foo/bar"},
      {"C:\\a\\.\\b\\..\\c", c + "/a/c"},
      {"C:\\..\\..\\etc\\passwd", c + "/etc/passwd"},
      {"\\..\\etc", c + "/etc"},
      {"\\\\server\\share\\x.txt", unc + "/server/share/x.txt"},
      {"\\\\..\\..\\etc", unc + "/etc"},
      {"\\\\?\\C:\\long\\name", c + "/long/name"},
      {"\\\\?\\unc\\server\\share\\x", unc + "/server/share/x"},
      {"\\\\.\\COM1", ""},
      {"relative\\file.txt", "relative/file.txt"},
      {"..\\up", "../up"},
      {"/home/u/x", "/home/u/x"},
      {"/home/u\\x", "/home/u/x"},
      {"1:\\x", "1:/x"},
      {"", ""},
  };
  for (const auto& t : cases)
    EXPECT_EQ(t.native, std::string(KelmNativePath(t.windows))) << t.windows;
  EXPECT_EQ("", std::string(KelmNativePath(nullptr)));
}

TEST_F(PathTest, DefaultRootsFollowTheUsersDataFolder) {
  KelmSetDriveRoot('c', nullptr);
  EXPECT_EQ(m_folder.path("data/orvalis/drive_c"), std::string(KelmGetDriveRoot('C')));
  EXPECT_EQ(m_folder.path("data/orvalis/drive_q/x"), std::string(KelmNativePath("Q:\\x")));
  // The XDG rules ignore an empty or relative folder.
  for (const char* data : {"", "relative/data"}) {
    m_data.Set(data);
    EXPECT_EQ(m_folder.path("home/.local/share/orvalis/drive_c"),
              std::string(KelmGetDriveRoot('c')))
        << data;
  }
  m_data.Set(nullptr);
  EXPECT_EQ(m_folder.path("home/.local/share/orvalis/drive_z"), std::string(KelmGetDriveRoot('Z')));
  EXPECT_EQ("", std::string(KelmGetDriveRoot('1')));
}

TEST_F(PathTest, ChosenRootsLoseTrailingSlashesAndCanBeUndone) {
  KelmSetDriveRoot('e', "/srv/e//");
  EXPECT_EQ("/srv/e", std::string(KelmGetDriveRoot('E')));
  EXPECT_EQ("/srv/e/a", std::string(KelmNativePath("E:\\a")));
  KelmSetDriveRoot('E', "/");
  EXPECT_EQ("/a", std::string(KelmNativePath("e:\\a")));
  KelmSetDriveRoot('e', "");
  EXPECT_EQ(m_folder.path("data/orvalis/drive_e"), std::string(KelmGetDriveRoot('e')));
  KelmSetDriveRoot('1', "/srv/1");
  EXPECT_EQ("", std::string(KelmGetDriveRoot('1')));
}

}  // namespace
