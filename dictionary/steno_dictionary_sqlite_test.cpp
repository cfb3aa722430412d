#include "dictionary/steno_dictionary_sqlite.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/dao/dao_database.h"
#include "platform/file.h"
#include "testing/scratch_folder.h"

namespace {

// The dictionary as RTF/CRE, with a fixed creation time.
std::string as_rtf(const CStenoDictionary& dictionary) {
  CMemFile file;
  dictionary.Write(file, CTime(1700000000));
  const ULONGLONG length = file.GetLength();
  std::string bytes(static_cast<std::size_t>(length), '\0');
  file.SeekToBegin();
  file.Read(bytes.data(), static_cast<UINT>(length));
  return bytes;
}

CStenoDictionary read_rtf(std::string rtf) {
  CStenoDictionary dictionary;
  CMemFile file(reinterpret_cast<BYTE*>(rtf.data()), static_cast<UINT>(rtf.size()));
  EXPECT_EQ(0, dictionary.Read(file)) << rtf;
  return dictionary;
}

// Written as a table and read back, a dictionary writes the same RTF.
void expect_round_trip(const CStenoDictionary& original, const std::string& label) {
  ScratchFolder folder;
  const std::string path = folder.path("dict.sqlite");
  CString why;
  ASSERT_EQ(0, KelmWriteDictionaryTable(original, path.c_str(), &why)) << label << ": " << why;
  CStenoDictionary back;
  ASSERT_EQ(0, KelmReadDictionaryTable(back, path.c_str(), &why)) << label << ": " << why;
  EXPECT_EQ(original.GetCount(), back.GetCount()) << label;
  EXPECT_EQ(original.GetInvalidOutlines().size(), back.GetInvalidOutlines().size()) << label;
  EXPECT_EQ(as_rtf(original), as_rtf(back)) << label;
}

TEST(DictionaryTableTest, EntriesFlagsExtrasAndInvalidEntriesComeBackInTheirPlaces) {
  const CStenoDictionary dictionary = read_rtf(
      "{\\rtf1\\ansi{\\*\\cxrev100}\\cxdict{\\*\\cxsystem x}\n"
      "{\\*\\cxs KAT}cat\n"
      "{\\*\\cxs -G}{\\cxds ing}\n"
      "{\\*\\cxs KAF}{\\*\\cxcomment kept}caf\\'e9 'quoted'\n"
      "{\\*\\cxs K-T-Z-Z}not an outline\n"
      "{\\*\\cxs PR-D}objection.\\cxfc \n"
      "{\\*\\cxs HOUL}how old\\par A\n"
      "}");
  ASSERT_EQ(1u, dictionary.GetInvalidOutlines().size());
  expect_round_trip(dictionary, "small");
}

TEST(DictionaryTableTest, RealDictionariesComeBackWhole) {
  const std::filesystem::path folder = std::filesystem::path(KELM_SHARED_DATA_DIR) / "rtf";
  if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no shared data at " << folder;
  for (const char* name :
       {"myrrhens-theory_main.rtf", "stenodict_uk.rtf", "volensia_phoenix_word_parts.rtf"}) {
    CStenoDictionary dictionary;
    ASSERT_EQ(0, dictionary.Read((folder / name).c_str())) << name;
    expect_round_trip(dictionary, name);
  }
}

TEST(DictionaryTableTest, TablesMadeElsewhereNeedOnlyOutlinesAndTranslations) {
  ScratchFolder folder;
  const std::string path = folder.path("other.sqlite");
  {
    CDaoDatabase db;
    db.Create(path.c_str());
    db.Execute(
        "CREATE TABLE entries(id INTEGER PRIMARY KEY, outline TEXT, translation TEXT);"
        "INSERT INTO entries VALUES (1, 'KAT', 'cat'), (2, 'KAT/-S', 'cats')");
  }
  CStenoDictionary dictionary;
  CString why;
  ASSERT_EQ(0, KelmReadDictionaryTable(dictionary, path.c_str(), &why)) << why;
  ASSERT_EQ(2u, dictionary.GetCount());
  const auto found = dictionary.Lookup(CSteno(CString("KAT/-S"), 0));
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ("cats", found->text);

  CDaoDatabase db;
  db.Open(path.c_str());
  db.Execute("INSERT INTO entries VALUES (3, 'not steno', 'x')");
  db.Close();
  CStenoDictionary refused;
  EXPECT_NE(0, KelmReadDictionaryTable(refused, path.c_str(), &why));
  EXPECT_NE(-1, why.Find("entry 3")) << why;
}

TEST(DictionaryTableTest, AFailedWriteLeavesTheOldFileAndBadTablesAreRefused) {
  ScratchFolder folder;
  const std::string path = folder.path("dict.sqlite");
  WriteWholeFile(path, "old");
  CStenoDictionary dictionary;
  CString why;
  EXPECT_NE(0,
            KelmWriteDictionaryTable(dictionary, folder.path("no/such/dict.sqlite").c_str(), &why));
  EXPECT_EQ("old", ReadWholeFile(path));
  EXPECT_NE(0, KelmReadDictionaryTable(dictionary, path.c_str(), &why));
  EXPECT_NE(-1, why.Find("not a database")) << why;
  EXPECT_EQ(0u, dictionary.GetCount());
}

}  // namespace
