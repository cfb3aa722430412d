#include <errno.h>
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "platform/registry.h"
#include "testing/private_hive.h"

namespace {

using WinAppTest = PrivateHiveTest;

// Writes and reads back every number and each text given, then deletes a text
// entry and the texts' section; the caller checks that the section is gone,
// before a read in registry mode would make it again.
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

  EXPECT_TRUE(app.WriteProfileString("Texts", "u", "kept"));
  EXPECT_TRUE(app.WriteProfileString("Texts", "t", nullptr));
  EXPECT_EQ(CString("d"), app.GetProfileString("Texts", "t", "d"));
  EXPECT_EQ(CString("kept"), app.GetProfileString("Texts", "u", "d"));
  EXPECT_TRUE(app.WriteProfileString("Texts", nullptr, nullptr));
}

TEST_F(WinAppTest, RegistryModeRoundTripsUnderSoftwareCompanyApplicationSection) {
  CWinApp app("Kelm Test");
  app.SetRegistryKey("Quendra");
  std::string everyByteButNul;
  for (int c = 1; c < 256; ++c) everyByteButNul += static_cast<char>(c);
  CheckRoundTrips(app, {"", "plain", " blanks kept ", everyByteButNul, std::string(10000, 'w')});
  ASSERT_TRUE(app.WriteProfileString("Numbers", "s", "abc"));

  HKEY key = nullptr;
  EXPECT_EQ(
      ERROR_FILE_NOT_FOUND,
      RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Quendra\\Kelm Test\\Texts", 0, KEY_READ, &key));
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Quendra\\Kelm Test\\Numbers",
                                         0, KEY_READ, &key));
  const struct {
    const char* name;
    DWORD type;
    std::string bytes;
  } cases[] = {
      {"n", REG_DWORD, std::string("\0\0\0\x80", 4)},
      {"s", REG_SZ, std::string("abc", 4)},  // with its terminator
  };
  for (const auto& c : cases) {
    BYTE bytes[16] = {};
    DWORD type = 0;
    DWORD size = sizeof bytes;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, c.name, nullptr, &type, bytes, &size)) << c.name;
    EXPECT_EQ(c.type, type) << c.name;
    EXPECT_EQ(c.bytes, std::string(reinterpret_cast<char*>(bytes), size)) << c.name;
  }
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

TEST_F(WinAppTest, IniModeRoundTrips) {
  CWinApp app("Kelm Test");
  const std::string path = m_folder.path("app.ini");
  app.SetProfileFile(path.c_str());
  EXPECT_EQ(nullptr, app.GetAppRegistryKey());

  // A profile file trims and unquotes values and cannot hold line breaks,
  // so the texts here avoid those; MFC would cut the long one to 4095 bytes.
  std::string bytes;
  for (int c = 0x21; c < 256; ++c) bytes += static_cast<char>(c);
  CheckRoundTrips(app, {"plain", "two words", bytes, std::string(10000, 'w')});
  EXPECT_EQ("[Numbers]\r\nn=" + std::to_string(INT_MIN) + "\r\n", ReadWholeFile(path));
}

TEST_F(WinAppTest, HostAssignedProfileNameIsHonoured) {
  CWinApp app("Kelm Test");
  const std::string path = m_folder.path("host.ini");
  app.m_pszProfileName = path.c_str();
  EXPECT_TRUE(app.WriteProfileString("S", "k", "v"));
  EXPECT_EQ("[S]\r\nk=v\r\n", ReadWholeFile(path));
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
