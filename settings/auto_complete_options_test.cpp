#include "settings/auto_complete_options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "testing/scratch_folder.h"

namespace {

constexpr LPCSTR section = "Auto Complete";

// Words joined by single blanks, as the cases write them.
std::string describe(const CAutoCompleteOptions& options) {
  std::string text;
  for (int i = 0; i < options.GetNumItems(); ++i)
    text += (i > 0 ? " " : "") + std::string(options.GetItem(i).View());
  return text;
}

class AutoCompleteOptionsTest : public testing::Test {
 protected:
  // Reads a profile file holding the given text under [Auto Complete].
  CAutoCompleteOptions read(const std::string& entries) {
    WriteWholeFile(file, "[Other]\n0=other\nCount=1\n[" + std::string(section) + "]\n" + entries);
    CAutoCompleteOptions options;
    options.AddItem("stale");
    options.Read(file.c_str(), section);
    return options;
  }

  std::string value(const std::string& key) const {
    char text[64];
    GetPrivateProfileStringA(section, key.c_str(), "(missing)", text, sizeof text, file.c_str());
    return text;
  }

  ScratchFolder folder;
  const std::string file = folder.path("autocomplete.ini");
};

TEST(AutoCompleteOptions, InsertItemMovesTheWordToTheHead) {
  const struct {
    std::vector<const char*> list;
    const char *word, *want;
  } cases[] = {{{}, "x", "x"},
               {{"a", "b"}, "b", "b a"},
               {{"a", "b", "a"}, "a", "a b"},
               {{"a", "b"}, "A", "A a b"},
               {{"b", "a", "c", "a"}, "a", "a b c"},
               {{"a", "b"}, "", "a b"}};
  for (const auto& c : cases) {
    CAutoCompleteOptions options;
    for (const char* w : c.list) options.AddItem(w);
    options.InsertItem(c.word);
    EXPECT_EQ(c.want, describe(options)) << c.list.size() << " words + \"" << c.word << '"';
    EXPECT_EQ(CString(), options.GetItem(options.GetNumItems())) << c.want;
  }
}

// A damaged count costs no more than the keys there are.
TEST_F(AutoCompleteOptionsTest, ReadsWordsUpToCountSkippingEmptyKeysAndSwitchDefaults) {
  const struct {
    const char *profile, *words;
    int enabled, load_history, num_chars;
  } cases[] = {{"", "", 0, 0, 4},
               {"Count=3\n0=alpha\n1=\n2=gamma\n", "alpha gamma", 0, 0, 4},
               {"Count=2\n1=b\n0=a\n2=c\n", "a b", 0, 0, 4},
               {"0=a\nCount=-1\n", "", 0, 0, 4},
               {"Count=3\n01=x\n+1=y\n1=b\n0=a\n", "a b", 0, 0, 4},
               {"Count=2000000000\n0=a\n1=b\n", "a b", 0, 0, 4},
               {"Auto Complete=1\n", "", 1, 1, 4},
               {"Auto Complete=1\nLoad History=0\nNum Chars=7\n", "", 1, 0, 7},
               {"Load History=1\n", "", 0, 1, 4}};
  for (const auto& c : cases) {
    const CAutoCompleteOptions options = read(c.profile);
    EXPECT_EQ(c.words, describe(options)) << c.profile;
    EXPECT_EQ(c.enabled, options.GetEnabled()) << c.profile;
    EXPECT_EQ(c.load_history, options.GetLoadHistory()) << c.profile;
    EXPECT_EQ(c.num_chars, options.GetNumChars()) << c.profile;
  }
}

TEST_F(AutoCompleteOptionsTest, SaveWritesTheFirstFiftyWordsAndTheSwitchesAlone) {
  CAutoCompleteOptions options = read("Auto Complete=1\nNum Chars=6\n");
  for (int i = 0; i < 60; ++i) options.AddItem(CString(("w" + std::to_string(i)).c_str()));
  EXPECT_EQ(1, options.Save());
  for (int i = 0; i < 50; ++i) EXPECT_EQ("w" + std::to_string(i), value(std::to_string(i)));
  EXPECT_EQ("(missing)", value("50"));
  EXPECT_EQ("50", value("Count"));
  EXPECT_EQ("1", value("Load History"));
  EXPECT_EQ("1", value("Auto Complete"));
  EXPECT_EQ("6", value("Num Chars"));
  EXPECT_NE(std::string::npos, ReadWholeFile(file).find("[Other]\n0=other\nCount=1\n"));
}

// Words once came back cut to the 254 bytes of the first read.
TEST_F(AutoCompleteOptionsTest, LongWordsComeBackWhole) {
  for (const size_t length : {254, 255, 5000}) {
    CAutoCompleteOptions options = read("");
    options.AddItem(CString(std::string(length, 'w')));
    ASSERT_EQ(1, options.Save()) << length;
    CAutoCompleteOptions back;
    back.Read(file.c_str(), section);
    EXPECT_EQ(length, describe(back).size()) << length;
  }
}

// Save once answered 1 whatever became of the writes. Before any Read it
// has nowhere to write.
TEST_F(AutoCompleteOptionsTest, SaveThatCannotWriteReportsIt) {
  CAutoCompleteOptions unread;
  unread.AddItem("a");
  EXPECT_EQ(0, unread.Save());
  EXPECT_TRUE(std::filesystem::is_empty(folder.path("")));

  read("");
  CAutoCompleteOptions options;
  options.Read((file + "/inside_a_file.ini").c_str(), section);
  options.AddItem("a");
  EXPECT_EQ(0, options.Save());
}

}  // namespace
