#include <errno.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "platform/registry.h"

namespace {

class WinAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string dir = ::testing::TempDir() + "kelm_winapp_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir.data()));
    m_dir = dir;
    KelmSetRegistryPath((m_dir + "/registry.db").c_str());
  }
  void TearDown() override {
    KelmSetRegistryPath(nullptr);
    std::filesystem::remove_all(m_dir);
  }

  std::string PathOf(const char* name) const { return m_dir + "/" + name; }
  std::string FileContent(const char* name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::string m_dir;
};

std::string EveryByteButNul() {
  std::string s;
  for (int c = 1; c < 256; ++c) s += static_cast<char>(c);
  return s;
}

// Writes and reads back every number and each text given.
void CheckRoundTrips(CWinApp& app, const std::vector<std::string>& texts) {
  for (int value : {0, 1, -1, 4, 123456, INT_MAX, INT_MIN}) {
    EXPECT_TRUE(app.WriteProfileInt("Numbers", "n", value)) << value;
    EXPECT_EQ(static_cast<UINT>(value), app.GetProfileInt("numbers", "N", 99)) << value;
  }
  for (const std::string& text : texts) {
    EXPECT_TRUE(app.WriteProfileString("Texts", "t", text.c_str())) << text;
    EXPECT_EQ(text, std::string(app.GetProfileString("Texts", "t", "default").View())) << text;
  }
  EXPECT_EQ(99u, app.GetProfileInt("Numbers", "missing", 99));
  EXPECT_EQ(CString("d"), app.GetProfileString("Texts", "missing", "d"));
  EXPECT_EQ(CString(""), app.GetProfileString("Texts", "missing"));
}

TEST_F(WinAppTest, RegistryModeRoundTrips) {
  CWinApp app("Kelm Test");
  app.SetRegistryKey("Quendra");
  EXPECT_STREQ("Quendra", app.m_pszRegistryKey);
  EXPECT_STREQ("Kelm Test", app.m_pszProfileName);

  CheckRoundTrips(app, {"", "plain", " blanks kept ", EveryByteButNul(), std::string(10000, 'w')});
}

TEST_F(WinAppTest, RegistryValuesLiveUnderSoftwareCompanyApplicationSection) {
  CWinApp app("Kelm Test");
  app.SetRegistryKey("Quendra");
  ASSERT_TRUE(app.WriteProfileInt("Translator", "Count", 0x01020304));
  ASSERT_TRUE(app.WriteProfileString("Translator", "Name", "abc"));

  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Quendra\\Kelm Test\\Translator", 0,
                          KEY_READ, &key));
  BYTE bytes[16] = {};
  DWORD type = 0;
  DWORD size = sizeof bytes;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Count", nullptr, &type, bytes, &size));
  EXPECT_EQ(REG_DWORD, type);
  EXPECT_EQ(std::string("\x04\x03\x02\x01", 4), std::string(reinterpret_cast<char*>(bytes), size));
  size = sizeof bytes;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Name", nullptr, &type, bytes, &size));
  EXPECT_EQ(REG_SZ, type);
  EXPECT_EQ(std::string("abc", 4), std::string(reinterpret_cast<char*>(bytes), size))
      << "stored with its terminator";
  RegCloseKey(key);
}

TEST_F(WinAppTest, RegistryValuesOfTheWrongShapeReadAsMissing) {
  CWinApp app("Kelm Test");
  app.SetRegistryKey("Quendra");
  HKEY key = app.GetSectionKey("Odd");
  ASSERT_NE(nullptr, key);
  ASSERT_EQ(ERROR_SUCCESS,
            RegSetValueExA(key, "text", 0, REG_SZ, reinterpret_cast<const BYTE*>("12"), 3));
  ASSERT_EQ(ERROR_SUCCESS,
            RegSetValueExA(key, "bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3));
  const BYTE dword[4] = {7, 0, 0, 0};
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "number", 0, REG_DWORD, dword, 4));
  RegCloseKey(key);

  EXPECT_EQ(5u, app.GetProfileInt("Odd", "text", 5));
  EXPECT_EQ(CString("abc"), app.GetProfileString("Odd", "bare"))
      << "a string stored without terminator";
  EXPECT_EQ(CString("d"), app.GetProfileString("Odd", "number", "d"));
  EXPECT_EQ(7u, app.GetProfileInt("Odd", "number", 5));
}

TEST_F(WinAppTest, RegistryDeletesEntriesAndSections) {
  CWinApp app("Kelm Test");
  app.SetRegistryKey("Quendra");
  ASSERT_TRUE(app.WriteProfileString("Gone", "a", "1"));
  ASSERT_TRUE(app.WriteProfileString("Gone", "b", "2"));
  EXPECT_TRUE(app.WriteProfileString("Gone", "a", nullptr));
  EXPECT_EQ(CString("d"), app.GetProfileString("Gone", "a", "d"));
  EXPECT_EQ(CString("2"), app.GetProfileString("Gone", "b", "d"));

  EXPECT_TRUE(app.WriteProfileString("Gone", nullptr, nullptr));
  HKEY key = nullptr;
  EXPECT_EQ(
      ERROR_FILE_NOT_FOUND,
      RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Quendra\\Kelm Test\\Gone", 0, KEY_READ, &key));
}

TEST_F(WinAppTest, IniModeRoundTrips) {
  CWinApp app("Kelm Test");
  const std::string path = PathOf("app.ini");
  app.SetProfileFile(path.c_str());
  EXPECT_EQ(nullptr, app.m_pszRegistryKey);
  EXPECT_EQ(nullptr, app.GetAppRegistryKey());

  // A profile file trims and unquotes values and cannot hold line breaks,
  // so the texts here avoid those; MFC would cut the long one to 4095 bytes.
  std::string bytes;
  for (int c = 0x21; c < 256; ++c) bytes += static_cast<char>(c);
  CheckRoundTrips(app, {"plain", "two words", bytes, std::string(10000, 'w')});
  EXPECT_TRUE(app.WriteProfileString("Texts", nullptr, nullptr));
  EXPECT_EQ("[Numbers]\r\nn=" + std::to_string(INT_MIN) + "\r\n", FileContent("app.ini"));
}

TEST_F(WinAppTest, HostAssignedProfileNameIsHonoured) {
  CWinApp app("Kelm Test");
  const std::string path = PathOf("host.ini");
  app.m_pszProfileName = path.c_str();
  EXPECT_TRUE(app.WriteProfileString("S", "k", "v"));
  EXPECT_EQ("[S]\r\nk=v\r\n", FileContent("host.ini"));
  EXPECT_EQ(CString("v"), app.GetProfileString("S", "k"));
}

TEST_F(WinAppTest, NamesDefaultToTheProgram) {
  CWinApp app;
  EXPECT_STREQ(program_invocation_short_name, app.m_pszAppName);
  EXPECT_EQ(std::string(program_invocation_short_name) + ".INI", app.m_pszProfileName);
  EXPECT_EQ(nullptr, app.m_pszRegistryKey);
}

TEST_F(WinAppTest, AfxGetAppIsTheLatestLiveApplication) {
  EXPECT_EQ(nullptr, AfxGetApp());
  {
    CWinApp first("first");
    EXPECT_EQ(&first, AfxGetApp());
    auto* second = new CWinApp("second");
    EXPECT_EQ(second, AfxGetApp());
    {
      CWinApp third("third");
      EXPECT_EQ(&third, AfxGetApp());
    }
    EXPECT_EQ(second, AfxGetApp());
    CWinApp fourth("fourth");
    delete second;
    EXPECT_EQ(&fourth, AfxGetApp()) << "destroying an older one changes nothing";
  }
  EXPECT_EQ(nullptr, AfxGetApp());
}

}  // namespace
