#include "settings/orvalis_data.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/registry.h"
#include "testing/private_hive.h"

namespace {

constexpr LPCSTR product_key = "Software\\Quendra\\Orvalis";

using OrvalisDataTest = PrivateHiveTest;

bool key_exists(LPCSTR path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// The bytes the registry holds, bypassing the class.
std::string stored(LPCSTR name) {
  HKEY key = nullptr;
  RegOpenKeyExA(HKEY_CURRENT_USER, product_key, 0, KEY_READ, &key);
  std::string bytes(2000, '\0');
  DWORD size = static_cast<DWORD>(bytes.size());
  RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(bytes.data()), &size);
  RegCloseKey(key);
  return bytes.substr(0, size);
}

const struct {
  LPCSTR name;
  CString (COrvalisData::*get)();
  void (COrvalisData::*set)(CString);
  LPCSTR deflt;
} text_settings[] = {
    {"DictionaryDir", &COrvalisData::GetDictionaryDir, &COrvalisData::SetDictionaryDir,
     "C:\\Program Files\\Orvalis\\Dictionaries"},
    {"ProgramDir", &COrvalisData::GetProgramDir, &COrvalisData::SetProgramDir,
     "C:\\Program Files\\Orvalis"},
    {"TranscriptDir", &COrvalisData::GetTranscriptDir, &COrvalisData::SetTranscriptDir,
     "C:\\Program Files\\Orvalis\\Transcripts"},
    {"UserDir", &COrvalisData::GetUserDir, &COrvalisData::SetUserDir, "C:\\Program Files\\Orvalis"},
    {"KeyboardFile", &COrvalisData::GetKeyboardFile, &COrvalisData::SetKeyboardFile,
     "C:\\Program Files\\Orvalis\\Keyboard.kbd"}};

const struct {
  LPCSTR name;
  DWORD (COrvalisData::*get)();
  void (*set)(COrvalisData&, DWORD);
  DWORD deflt;
} number_settings[] = {
    {"SpellCheckDictEntry", &COrvalisData::GetSpellCheckDictEntry,
     [](COrvalisData& d, DWORD n) { d.SetSpellCheckDictEntry(static_cast<int>(n)); }, 0},
    {"GrandJean", &COrvalisData::GetGrandJean,
     [](COrvalisData& d, DWORD n) { d.SetGrandJean(static_cast<int>(n)); }, 0},
    {"Build", &COrvalisData::GetBuild, [](COrvalisData& d, DWORD n) { d.SetBuild(n); }, 0},
    {"Patch", &COrvalisData::GetPatch, [](COrvalisData& d, DWORD n) { d.SetPatch(n); }, 0xFFFFFFFF},
    {"Debug Mode", &COrvalisData::GetDebugMode, [](COrvalisData& d, DWORD n) { d.SetDebugMode(n); },
     0}};

// A reader that must not create leaves the missing key missing.
TEST_F(OrvalisDataTest, EmptyHiveGivesEveryDefault) {
  for (const BOOL create : {FALSE, TRUE}) {
    COrvalisData data = create ? COrvalisData() : COrvalisData(KEY_READ, FALSE);
    for (const auto& s : text_settings) EXPECT_EQ(CString(s.deflt), (data.*s.get)()) << s.name;
    for (const auto& s : number_settings) EXPECT_EQ(s.deflt, (data.*s.get)()) << s.name;
    EXPECT_EQ(create, key_exists(product_key));
  }
}

TEST_F(OrvalisDataTest, UserDirAndKeyboardFileFallBackAlongTheChain) {
  COrvalisData data(KEY_ALL_ACCESS);
  data.SetProgramDir("D:\\Orvalis");
  EXPECT_EQ(CString("D:\\Orvalis"), data.GetUserDir());
  EXPECT_EQ(CString("D:\\Orvalis\\Keyboard.kbd"), data.GetKeyboardFile());
  data.SetUserDir("E:\\Reporter");
  EXPECT_EQ(CString("E:\\Reporter\\Keyboard.kbd"), data.GetKeyboardFile());
}

// Stored as the bytes alone, without a terminator, and read back by the size
// stored: values past the first 260-byte read once fell back to the default.
TEST_F(OrvalisDataTest, ValuesRoundTripExactly) {
  std::string every_byte;
  for (int b = 1; b <= 255; ++b) every_byte += static_cast<char>(b);
  const std::string texts[] = {"", every_byte, std::string(260, 'b'), std::string(261, 'c'),
                               "C:\\" + std::string(997, 'd')};
  for (const auto& s : text_settings) {
    for (const std::string& text : texts) {
      (COrvalisData(KEY_ALL_ACCESS).*s.set)(CString(text));
      EXPECT_EQ(text, stored(s.name)) << s.name << " length " << text.size();
      EXPECT_EQ(text, (COrvalisData().*s.get)().View()) << s.name << " length " << text.size();
    }
  }
  for (const auto& s : number_settings) {
    for (const DWORD n : {0u, 3u, 0x80000000u, 0xFFFFFFFFu}) {
      COrvalisData data(KEY_ALL_ACCESS);
      s.set(data, n);
      EXPECT_EQ(4u, stored(s.name).size()) << s.name << ' ' << n;
      EXPECT_EQ(n, (COrvalisData().*s.get)()) << s.name << ' ' << n;
    }
  }
}

// Copies once shared one handle that each destructor closed. A copy keeps
// the original's rights: the default KEY_READ reads but drops writes.
TEST_F(OrvalisDataTest, CopiesOutliveTheOriginalAndKeepItsRights) {
  auto original = std::make_unique<COrvalisData>(KEY_ALL_ACCESS);
  COrvalisData copy(*original), assigned(KEY_READ, FALSE);
  assigned = *original;
  original.reset();
  copy.SetTranscriptDir("T:\\Two");
  EXPECT_EQ(CString("T:\\Two"), assigned.GetTranscriptDir());
  assigned.SetPatch(7);
  EXPECT_EQ(7u, copy.GetPatch());

  COrvalisData reader;
  reader.SetTranscriptDir("H:\\Other");
  COrvalisData(reader).SetPatch(8);
  EXPECT_EQ(CString("T:\\Two"), reader.GetTranscriptDir());
  EXPECT_EQ(7u, COrvalisData(reader).GetPatch());
}

TEST_F(OrvalisDataTest, UsageProfileLivesUnderTheEditorsKey) {
  const LPCSTR editor_key = "Software\\Quendra\\Revisor\\GeneralOptions";
  EXPECT_FALSE(COrvalisData::UsageProfileExists());
  EXPECT_FALSE(key_exists(editor_key));
  EXPECT_EQ(7u, COrvalisData::GetUsageProfile(7));
  EXPECT_TRUE(key_exists(editor_key));
  EXPECT_FALSE(COrvalisData::UsageProfileExists());
  COrvalisData::SetUsageProfile(2);
  EXPECT_TRUE(COrvalisData::UsageProfileExists());
  EXPECT_EQ(2u, COrvalisData::GetUsageProfile(7));
}

}  // namespace
