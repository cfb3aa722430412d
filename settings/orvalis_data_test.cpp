#include "settings/orvalis_data.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/registry.h"
#include "settings/scratch_folder.h"

namespace {

constexpr LPCSTR product_key = "Software\\Quendra\\Orvalis";
constexpr LPCSTR editor_key = "Software\\Quendra\\Revisor\\GeneralOptions";

// Every test gets an empty hive of its own.
class OrvalisDataTest : public testing::Test {
 protected:
  void SetUp() override { KelmSetRegistryPath(folder.path("registry.db").c_str()); }
  void TearDown() override { KelmSetRegistryPath(nullptr); }

  ScratchFolder folder;
};

bool key_exists(LPCSTR path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

struct Stored {
  LONG result = ERROR_FILE_NOT_FOUND;
  DWORD type = REG_NONE;
  std::string bytes;
};

// The value as the registry holds it, bypassing the class.
Stored stored(LPCSTR name) {
  Stored s;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, product_key, 0, KEY_READ, &key) != ERROR_SUCCESS) return s;
  DWORD size = 0;
  s.result = RegQueryValueExA(key, name, nullptr, &s.type, nullptr, &size);
  if (s.result == ERROR_SUCCESS) {
    s.bytes.resize(size);
    s.result = RegQueryValueExA(key, name, nullptr, &s.type,
                                reinterpret_cast<LPBYTE>(s.bytes.data()), &size);
  }
  RegCloseKey(key);
  return s;
}

void store(LPCSTR name, DWORD type, const std::string& bytes) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, product_key, 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr));
  EXPECT_EQ(ERROR_SUCCESS,
            RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                           static_cast<DWORD>(bytes.size())));
  RegCloseKey(key);
}

struct TextSetting {
  LPCSTR name;
  CString (COrvalisData::*get)();
  void (COrvalisData::*set)(CString);
};

const TextSetting text_settings[] = {
    {"DictionaryDir", &COrvalisData::GetDictionaryDir, &COrvalisData::SetDictionaryDir},
    {"ProgramDir", &COrvalisData::GetProgramDir, &COrvalisData::SetProgramDir},
    {"TranscriptDir", &COrvalisData::GetTranscriptDir, &COrvalisData::SetTranscriptDir},
    {"UserDir", &COrvalisData::GetUserDir, &COrvalisData::SetUserDir},
    {"KeyboardFile", &COrvalisData::GetKeyboardFile, &COrvalisData::SetKeyboardFile},
};

struct NumberSetting {
  LPCSTR name;
  DWORD (COrvalisData::*get)();
  void (*set)(COrvalisData&, DWORD);
  DWORD deflt;
};

const NumberSetting number_settings[] = {
    {"SpellCheckDictEntry", &COrvalisData::GetSpellCheckDictEntry,
     [](COrvalisData& d, DWORD n) { d.SetSpellCheckDictEntry(static_cast<int>(n)); }, 0},
    {"GrandJean", &COrvalisData::GetGrandJean,
     [](COrvalisData& d, DWORD n) { d.SetGrandJean(static_cast<int>(n)); }, 0},
    {"Build", &COrvalisData::GetBuild, [](COrvalisData& d, DWORD n) { d.SetBuild(n); }, 0},
    {"Patch", &COrvalisData::GetPatch, [](COrvalisData& d, DWORD n) { d.SetPatch(n); }, 0xFFFFFFFF},
    {"Debug Mode", &COrvalisData::GetDebugMode, [](COrvalisData& d, DWORD n) { d.SetDebugMode(n); },
     0},
};

TEST_F(OrvalisDataTest, EmptyHiveGivesEveryDefaultAndCreatesTheKey) {
  COrvalisData data;
  EXPECT_TRUE(key_exists(product_key));
  const struct {
    LPCSTR name;
    CString (COrvalisData::*get)();
    LPCSTR want;
  } texts[] = {
      {"DictionaryDir", &COrvalisData::GetDictionaryDir,
       "C:\\Program Files\\Orvalis\\Dictionaries"},
      {"ProgramDir", &COrvalisData::GetProgramDir, "C:\\Program Files\\Orvalis"},
      {"TranscriptDir", &COrvalisData::GetTranscriptDir, "C:\\Program Files\\Orvalis\\Transcripts"},
      {"UserDir", &COrvalisData::GetUserDir, "C:\\Program Files\\Orvalis"},
      {"KeyboardFile", &COrvalisData::GetKeyboardFile, "C:\\Program Files\\Orvalis\\Keyboard.kbd"},
  };
  for (const auto& t : texts) EXPECT_EQ(CString(t.want), (data.*t.get)()) << t.name;
  for (const NumberSetting& n : number_settings) EXPECT_EQ(n.deflt, (data.*n.get)()) << n.name;
}

TEST_F(OrvalisDataTest, UserDirAndKeyboardFileFallBackAlongTheChain) {
  COrvalisData data(KEY_ALL_ACCESS);
  data.SetProgramDir("D:\\Orvalis");
  EXPECT_EQ(CString("D:\\Orvalis"), data.GetUserDir());
  EXPECT_EQ(CString("D:\\Orvalis\\Keyboard.kbd"), data.GetKeyboardFile());
  data.SetUserDir("E:\\Reporter");
  EXPECT_EQ(CString("E:\\Reporter\\Keyboard.kbd"), data.GetKeyboardFile());
  data.SetKeyboardFile("F:\\Steno.kbd");
  EXPECT_EQ(CString("F:\\Steno.kbd"), data.GetKeyboardFile());
  EXPECT_EQ(CString("D:\\Orvalis"), data.GetProgramDir());
}

TEST_F(OrvalisDataTest, ReaderThatMustNotCreateLeavesAMissingKeyMissing) {
  COrvalisData data(KEY_READ, FALSE);
  EXPECT_EQ(CString("C:\\Program Files\\Orvalis\\Keyboard.kbd"), data.GetKeyboardFile());
  EXPECT_EQ(0xFFFFFFFFu, data.GetPatch());
  data.SetBuild(5);
  EXPECT_FALSE(key_exists(product_key));

  COrvalisData(KEY_ALL_ACCESS).SetBuild(12);
  EXPECT_EQ(12u, COrvalisData(KEY_READ, FALSE).GetBuild());
}

// Strings are stored as their bytes alone, no terminator, and read back by
// the size stored, whatever their length.
TEST_F(OrvalisDataTest, StringsRoundTripExactlyAtAnyLength) {
  std::string every_byte;
  for (int b = 1; b <= 255; ++b) every_byte += static_cast<char>(b);
  const std::string texts[] = {"C:\\x", every_byte, std::string(259, 'a'), std::string(260, 'b'),
                               std::string(261, 'c'),
                               // Longer than the first read: once fell back to the default.
                               "C:\\" + std::string(997, 'd'), ""};
  for (const TextSetting& setting : text_settings) {
    for (const std::string& text : texts) {
      COrvalisData data(KEY_ALL_ACCESS);
      (data.*setting.set)(CString(text));
      const Stored s = stored(setting.name);
      EXPECT_EQ(REG_SZ, s.type) << setting.name << " length " << text.size();
      EXPECT_EQ(text, s.bytes) << setting.name << " length " << text.size();
      EXPECT_EQ(text, (data.*setting.get)().View()) << setting.name << " length " << text.size();
      EXPECT_EQ(text, (COrvalisData().*setting.get)().View())
          << setting.name << " length " << text.size();
    }
  }
}

TEST_F(OrvalisDataTest, StringStoredWithATerminatorReadsUpToIt) {
  const struct {
    std::string bytes;
    LPCSTR want;
  } cases[] = {
      {std::string("C:\\Dicts\0", 9), "C:\\Dicts"},
      {std::string("C:\\A\0junk", 9), "C:\\A"},
      {std::string(300, 'x') + std::string("\0y", 2), nullptr},
  };
  for (const auto& c : cases) {
    store("DictionaryDir", REG_SZ, c.bytes);
    const std::string want = c.want ? c.want : std::string(300, 'x');
    EXPECT_EQ(want, COrvalisData().GetDictionaryDir().View()) << c.bytes.size();
  }
}

TEST_F(OrvalisDataTest, NumbersRoundTripAsFourByteDwords) {
  const DWORD numbers[] = {0, 1, 3, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};
  for (const NumberSetting& setting : number_settings) {
    for (const DWORD n : numbers) {
      COrvalisData data(KEY_ALL_ACCESS);
      setting.set(data, n);
      const Stored s = stored(setting.name);
      EXPECT_EQ(REG_DWORD, s.type) << setting.name << ' ' << n;
      EXPECT_EQ(4u, s.bytes.size()) << setting.name << ' ' << n;
      EXPECT_EQ(n, (COrvalisData().*setting.get)()) << setting.name << ' ' << n;
    }
  }
}

TEST_F(OrvalisDataTest, ValuesThatDoNotFitADwordGiveTheDefault) {
  for (const NumberSetting& setting : number_settings) {
    store(setting.name, REG_DWORD, "12345");
    EXPECT_EQ(setting.deflt, (COrvalisData().*setting.get)()) << setting.name;
  }
}

TEST_F(OrvalisDataTest, DefaultAccessReadsButDropsWrites) {
  COrvalisData(KEY_ALL_ACCESS).SetUserDir("G:\\Mine");
  COrvalisData reader;
  reader.SetUserDir("H:\\Other");
  reader.SetGrandJean(1);
  EXPECT_EQ(CString("G:\\Mine"), reader.GetUserDir());
  EXPECT_EQ(0u, reader.GetGrandJean());
}

TEST_F(OrvalisDataTest, ObjectsSeeEachOthersWritesAtOnce) {
  COrvalisData first(KEY_ALL_ACCESS);
  COrvalisData second(KEY_ALL_ACCESS);
  EXPECT_EQ(0u, second.GetBuild());
  first.SetBuild(41);
  EXPECT_EQ(41u, second.GetBuild());
  second.SetBuild(42);
  EXPECT_EQ(42u, first.GetBuild());
}

// Copies once shared one handle that each destructor closed.
TEST_F(OrvalisDataTest, CopiesOutliveTheOriginal) {
  auto original = std::make_unique<COrvalisData>(KEY_ALL_ACCESS);
  original->SetTranscriptDir("T:\\One");
  COrvalisData copy(*original);
  COrvalisData assigned(KEY_READ, FALSE);
  assigned = *original;
  original.reset();

  EXPECT_EQ(CString("T:\\One"), copy.GetTranscriptDir());
  copy.SetTranscriptDir("T:\\Two");
  EXPECT_EQ(CString("T:\\Two"), assigned.GetTranscriptDir());
  assigned.SetPatch(7);
  EXPECT_EQ(7u, copy.GetPatch());

  COrvalisData& same = assigned;
  assigned = same;
  EXPECT_EQ(7u, assigned.GetPatch());

  // A copy keeps the original's rights: one of a reader cannot write.
  COrvalisData reader;
  COrvalisData reader_copy(reader);
  reader_copy.SetPatch(8);
  EXPECT_EQ(7u, reader_copy.GetPatch());
}

TEST_F(OrvalisDataTest, CopyOfAnUnopenedObjectGivesDefaults) {
  COrvalisData unopened(KEY_READ, FALSE);
  COrvalisData copy(unopened);
  COrvalisData(KEY_ALL_ACCESS).SetBuild(3);
  EXPECT_EQ(0u, copy.GetBuild());
  EXPECT_EQ(CString("C:\\Program Files\\Orvalis"), copy.GetUserDir());
}

TEST_F(OrvalisDataTest, UsageProfileLivesUnderTheEditorsKey) {
  EXPECT_FALSE(COrvalisData::UsageProfileExists());
  EXPECT_FALSE(key_exists(editor_key));

  EXPECT_EQ(7u, COrvalisData::GetUsageProfile(7));
  EXPECT_TRUE(key_exists(editor_key));
  EXPECT_FALSE(COrvalisData::UsageProfileExists());

  COrvalisData::SetUsageProfile(2);
  EXPECT_TRUE(COrvalisData::UsageProfileExists());
  EXPECT_EQ(2u, COrvalisData::GetUsageProfile(7));
  EXPECT_FALSE(key_exists(product_key));
}

}  // namespace
