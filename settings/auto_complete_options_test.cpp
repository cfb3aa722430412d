#include "settings/auto_complete_options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/profile.h"
#include "settings/scratch_folder.h"

namespace {

constexpr LPCSTR section = "Auto Complete";

// Words joined by single blanks, as the cases write them.
std::string describe(const CAutoCompleteOptions& options) {
  std::string text;
  for (int i = 0; i < options.GetNumItems(); ++i)
    text += (i > 0 ? " " : "") + std::string(options.GetItem(i).View());
  return text;
}

CAutoCompleteOptions with_words(const std::string& words) {
  CAutoCompleteOptions options;
  for (size_t start = 0; start < words.size();) {
    const size_t end = std::min(words.find(' ', start), words.size());
    options.AddItem(CString(words.substr(start, end - start)));
    start = end + 1;
  }
  return options;
}

std::string profile_value(const std::string& file, LPCSTR key) {
  char text[2048];
  GetPrivateProfileStringA(section, key, "(missing)", text, sizeof text, file.c_str());
  return text;
}

class AutoCompleteOptionsTest : public testing::Test {
 protected:
  std::string write_profile(const std::string& text) {
    const std::string file = folder.path("autocomplete.ini");
    std::ofstream(file) << text;
    return file;
  }

  ScratchFolder folder;
};

TEST(AutoCompleteOptions, InsertItemMovesTheWordToTheHead) {
  const struct {
    const char* list;
    const char* word;
    const char* want;
  } cases[] = {
      {"", "x", "x"},        {"a b", "b", "b a"}, {"a b a", "a", "a b"}, {"b a c a", "a", "a b c"},
      {"a b", "A", "A a b"}, {"a b", "", "a b"},
  };
  for (const auto& c : cases) {
    CAutoCompleteOptions options = with_words(c.list);
    options.InsertItem(c.word);
    EXPECT_EQ(c.want, describe(options)) << '"' << c.list << "\" + \"" << c.word << '"';
  }
}

TEST(AutoCompleteOptions, ListOperations) {
  CAutoCompleteOptions options = with_words("a b");
  CStringArray more;
  more.Add("c");
  more.Add("a");
  options.AppendItems(more);
  EXPECT_EQ("a b c a", describe(options));
  EXPECT_EQ(CString(), options.GetItem(-1));
  EXPECT_EQ(CString(), options.GetItem(4));
  options.ClearItems();
  EXPECT_EQ(0, options.GetNumItems());
}

TEST_F(AutoCompleteOptionsTest, SaveBeforeReadWritesNothing) {
  CAutoCompleteOptions options = with_words("a b");
  EXPECT_EQ(0, options.Save());
  EXPECT_TRUE(std::filesystem::is_empty(folder.path("")));
}

TEST_F(AutoCompleteOptionsTest, ReadsTheWordsUpToCountSkippingEmptyKeys) {
  const struct {
    const char* profile;
    const char* want;
  } cases[] = {
      {"Count=3\n0=alpha\n1=\n2=gamma\n", "alpha gamma"},
      {"Count=3\n0=alpha\n2=gamma\n", "alpha gamma"},
      {"Count=2\n0=a\n1=b\n2=c\n", "a b"},
      {"Count=2\n1=b\n0=a\n", "a b"},
      {"0=a\n1=b\n", ""},
      {"Count=-1\n0=a\n", ""},
      {"Count=3\n01=x\n+1=y\n1=b\n0=a\n", "a b"},
      // A damaged count costs no more than the keys there are.
      {"Count=2000000000\n0=a\n1=b\n", "a b"},
  };
  for (const auto& c : cases) {
    const std::string file =
        write_profile(std::string("[Other]\n0=other\nCount=1\n[") + section + "]\n" + c.profile);
    CAutoCompleteOptions options = with_words("stale");
    options.Read(file.c_str(), section);
    EXPECT_EQ(c.want, describe(options)) << c.profile;
  }
}

TEST_F(AutoCompleteOptionsTest, ReadsTheSwitchesWithTheirDefaults) {
  const struct {
    const char* profile;
    int enabled, load_history, num_chars;
  } cases[] = {
      {"", 0, 0, 4},
      {"Auto Complete=1\n", 1, 1, 4},
      {"Auto Complete=1\nLoad History=0\n", 1, 0, 4},
      {"Load History=1\n", 0, 1, 4},
      {"Num Chars=7\n", 0, 0, 7},
  };
  for (const auto& c : cases) {
    const std::string file = write_profile(std::string("[") + section + "]\n" + c.profile);
    CAutoCompleteOptions options;
    options.Read(file.c_str(), section);
    EXPECT_EQ(c.enabled, options.GetEnabled()) << c.profile;
    EXPECT_EQ(c.load_history, options.GetLoadHistory()) << c.profile;
    EXPECT_EQ(c.num_chars, options.GetNumChars()) << c.profile;
  }
}

TEST_F(AutoCompleteOptionsTest, SaveWritesTheFirstFiftyWordsAndTheSwitches) {
  const std::string file =
      write_profile(std::string("[") + section + "]\nAuto Complete=1\nNum Chars=6\n");
  CAutoCompleteOptions options;
  options.Read(file.c_str(), section);
  for (int i = 0; i < 60; ++i) options.AddItem(CString(("w" + std::to_string(i)).c_str()));
  EXPECT_EQ(1, options.Save());

  for (int i = 0; i < 50; ++i)
    EXPECT_EQ("w" + std::to_string(i), profile_value(file, std::to_string(i).c_str())) << i;
  EXPECT_EQ("(missing)", profile_value(file, "50"));
  EXPECT_EQ("50", profile_value(file, "Count"));
  EXPECT_EQ("1", profile_value(file, "Load History"));
  EXPECT_EQ("1", profile_value(file, "Auto Complete"));
  EXPECT_EQ("6", profile_value(file, "Num Chars"));

  CAutoCompleteOptions back;
  back.Read(file.c_str(), section);
  EXPECT_EQ(50, back.GetNumItems());
  EXPECT_EQ(CString("w49"), back.GetItem(49));
}

TEST_F(AutoCompleteOptionsTest, ShorterListLeavesOldKeysThatReadIgnores) {
  const std::string file = write_profile("");
  CAutoCompleteOptions options;
  options.Read(file.c_str(), section);
  for (const char* word : {"a", "b", "c", "d"}) options.AddItem(word);
  ASSERT_EQ(1, options.Save());
  options.ClearItems();
  options.AddItem("z");
  ASSERT_EQ(1, options.Save());
  EXPECT_EQ("d", profile_value(file, "3"));
  CAutoCompleteOptions back;
  back.Read(file.c_str(), section);
  EXPECT_EQ("z", describe(back));
}

// Words once came back cut to the 254 bytes of the first read.
TEST_F(AutoCompleteOptionsTest, LongWordsComeBackWhole) {
  for (const size_t length : {253, 254, 255, 300, 5000}) {
    const std::string file = write_profile("");
    const std::string word(length, 'w');
    CAutoCompleteOptions options;
    options.Read(file.c_str(), section);
    options.AddItem(CString(word));
    ASSERT_EQ(1, options.Save()) << length;
    CAutoCompleteOptions back;
    back.Read(file.c_str(), section);
    EXPECT_EQ(word, describe(back)) << length;
  }
}

TEST_F(AutoCompleteOptionsTest, SaveThatCannotWriteReportsIt) {
  const std::string not_a_folder = write_profile("");
  CAutoCompleteOptions options;
  options.Read((not_a_folder + "/words.ini").c_str(), section);
  options.AddItem("a");
  EXPECT_EQ(0, options.Save());
}

}  // namespace
