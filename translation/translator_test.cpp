#include "translation/translator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "testing/scratch_folder.h"
#include "testing/user_folder_test.h"

namespace {

constexpr WORD suffix = CTranFlags::Suffix;
constexpr WORD prefix = CTranFlags::Prefix;
constexpr WORD cap_next = CTranFlags::CapitalizeNext;

struct Entry {
  const char* outline;  // plain notation
  const char* text;
  WORD flags = 0;
};

std::string keys_of(const CSteno& steno) {
  std::string keys;
  for (int i = 0; i < steno.GetStrokeCount(); ++i)
    keys.append(reinterpret_cast<const char*>(steno[i].GetKeyBytes()), 3);
  return keys;
}

CStenoDictionary make_dictionary(std::initializer_list<Entry> entries) {
  CStenoDictionary dictionary;
  for (const Entry& e : entries) {
    CSteno steno;
    EXPECT_EQ(0, steno.SetString(e.outline, 0)) << e.outline;
    const std::string keys = keys_of(steno);
    dictionary.Set({reinterpret_cast<const BYTE*>(keys.data()), keys.size()}, e.text,
                   CTranFlags(e.flags));
  }
  return dictionary;
}

const CStenoDictionary& main_dictionary() {
  static const CStenoDictionary dictionary = make_dictionary({
      {"THE", "the"},
      {"KAT", "cat"},
      {"KAT/-S", "cats"},
      {"SAT", "sat"},
      {"A", "a"},
      {"A/KAT/HRAOEUBG", "acatlike"},
      {"PHAEUBG", "make"},
      {"-G", "ing", suffix},
      {"-D", "ed", suffix},
      {"-S", "s", suffix},
      {"TP-PL", ".", suffix | cap_next},
      {"KW-GS", "\"", prefix},
      {"RE", "re", prefix},
      {"TKO", "do"},
      {"TPHAEUPL", "[name|gnome]"},
      {"PA*R", "{P}", cap_next},
      {"PWEG", "begin"},
      {"SREUZ", "visit"},
      {"SPOPBS", "respons"},
      {"-BL", "able", suffix},
      {"SHRARB", "back\\slash {x} \xE9t\xE9"},
  });
  return dictionary;
}

void add_strokes(CTranslator& translator, std::string_view strokes) {
  std::istringstream words{std::string(strokes)};
  for (std::string word; words >> word;) {
    CSteno steno;
    EXPECT_EQ(0, steno.SetString(word.c_str(), 0)) << word;
    for (int i = 0; i < steno.GetStrokeCount(); ++i) translator.AddStroke(steno[i]);
  }
}

// The text of the first `count` translations, by default all of them.
std::string text_of(const CTranslator& translator, std::size_t count = SIZE_MAX) {
  std::string text;
  for (std::size_t i = 0; i < std::min(count, translator.GetCount()); ++i)
    text += translator.Get(i).text;
  return text;
}

std::string translate(std::string_view strokes, CTranslator::Options options = {}) {
  CTranslator translator({&main_dictionary()}, options);
  add_strokes(translator, strokes);
  translator.Finish();
  return text_of(translator);
}

struct Case {
  const char* strokes;  // outlines separated by blanks; "/" joins strokes of one
  const char* text;
};

TEST(CTranslator, JoinsCapitalisesAndMatchesTheLongestOutline) {
  const Case cases[] = {
      {"", ""},
      {"THE KAT SAT", "The cat sat"},
      {"KAT -S", "Cats"},
      {"KAT/-S THE", "Cats the"},
      // A longer outline that does not come about leaves the shorter ones.
      {"A KAT", "A cat"},
      {"THE A KAT HRAOEUBG", "The acatlike"},
      {"KAT TP-PL THE", "Cat. The"},
      // A mark with nothing to capitalise hands the capital on.
      {"KAT TP-PL KW-GS THE", "Cat. \"The"},
      {"KAT TP-PL PA*R THE", "Cat. {P} The"},
      {"RE TKO", "Redo"},
      {"PHAEUBG -G", "Making"},
      {"THE TKOG KAT", "The TKO-G cat"},
      {"TPHAEUPL", "Name"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.text, translate(c.strokes)) << c.strokes;
}

TEST(CTranslator, AsteriskTakesBackTheLastTranslation) {
  const Case cases[] = {
      {"*", ""},
      {"THE KAT *", "The"},
      // The whole outline goes, not only its last stroke.
      {"THE KAT -S *", "The"},
      {"THE * KAT", "Cat"},
      {"TKOG *", ""},
      // The word the suffix had changed gets its own text back.
      {"PHAEUBG -G *", "Make"},
      {"PHAEUBG -G * -S", "Makes"},
      {"KAT TP-PL * THE", "Cat the"},
      // An outline that swallowed translations goes with them.
      {"A KAT HRAOEUBG * KAT", "Cat"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.text, translate(c.strokes)) << c.strokes;
}

TEST(CTranslator, GrandjeanUndoesWithItsOwnAsterisk) {
  CTranslator::Options grandjean;
  grandjean.grandjean = 1;
  CTranslator translator({&main_dictionary()}, grandjean);
  add_strokes(translator, "THE KAT");
  CStroke asterisk;
  asterisk.SetKey(8, 1);
  translator.AddStroke(asterisk);
  EXPECT_EQ(1u, translator.GetCount());
}

TEST(CTranslator, KeepsConflictsWhenAsked) {
  CTranslator::Options keep;
  keep.keep_conflicts = true;
  EXPECT_EQ("The [name|gnome]", translate("THE TPHAEUPL", keep));
}

// Text already written out must never change, whatever follows.
TEST(CTranslator, FinalTextNeverChanges) {
  CTranslator::Options options;
  options.undo_depth = 2;
  CTranslator translator({&main_dictionary()}, options);
  // The longest outline has three strokes, so two translations stay movable.
  EXPECT_EQ(3u, translator.GetLongestOutline());
  add_strokes(translator, "THE KAT SAT A KAT PHAEUBG");
  ASSERT_EQ(6u, translator.GetCount());
  EXPECT_EQ(3u, translator.GetFinalCount());
  const std::string final_text = text_of(translator, translator.GetFinalCount());
  add_strokes(translator, "* * * * -G");
  EXPECT_EQ(final_text, text_of(translator, 3));
  translator.Finish();
  EXPECT_EQ("The cat sat aing", text_of(translator));
  EXPECT_EQ(translator.GetCount(), translator.GetFinalCount());
}

TEST(CTranslator, KeepsEachOutlinesStrokesAndTime) {
  CTranslator translator({&main_dictionary()}, {});
  CSteno steno("THE/KAT/-S/TKOG", 0);
  for (int i = 0; i < steno.GetStrokeCount(); ++i) {
    steno[i].SetTimeStamp(CTime(1000 + i));
    translator.AddStroke(steno[i]);
    translator.AddStroke(CStroke());
  }
  const char* outlines[] = {"TH-E", "KA-T/-S", "TKO-G"};
  const time_t times[] = {1000, 1001, 1003};
  ASSERT_EQ(3u, translator.GetCount());
  for (std::size_t i = 0; i < 3; ++i) {
    const CTranslator::Translation t = translator.Get(i);
    CSteno outline;
    for (std::size_t k = 0; k < t.keys.size(); k += 3) outline.Append(CStroke(&t.keys[k]));
    EXPECT_EQ(CString(outlines[i]), outline.GetStrDisplay(0)) << i;
    EXPECT_EQ(times[i], t.time.GetTime()) << i;
    EXPECT_EQ(i == 2, t.untranslated) << i;
  }
}

// The two suffix decisions that ask the spelling checker, over a lexicon of
// the test's own so that the case does not hang on the installed word list.
class CTranslatorWithLexicon : public UserFolderTest {};

TEST_F(CTranslatorWithLexicon, SuffixesAskTheSpellingChecker) {
  WriteWholeFile(user_file("ssceam.tlx"), "beginning\ti\nvisiting\ti\nresponsible\ti\n");
  const Case cases[] = {
      {"THE PWEG -G", "The beginning"},
      {"THE SREUZ -G", "The visiting"},
      {"THE SPOPBS -BL", "The responsible"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.text, translate(c.strokes)) << c.strokes;
}

TEST(CTranslator, TranscriptReadsBackAsItsOutlinesAndTexts) {
  CTranslator translator({&main_dictionary()}, {});
  // Braces, backslashes and bytes above 127 must reach the file escaped.
  add_strokes(translator, "THE KAT/-S SAT TP-PL PA*R KW-GS PHAEUBG -G TKOG SHRARB");
  translator.Finish();
  const ScratchFolder folder;
  const std::string path = folder.path("transcript.rtf");
  {
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
    WriteRtfTranscript(file, translator, CTime(2001, 3, 5, 10, 0, 0));
  }
  CFile file(path.c_str(), CFile::modeRead | CFile::typeBinary);
  CStenoDictionary read;
  const DictionaryLoad load = ReadRtfDictionary(file, read);
  EXPECT_EQ(0, load.result);
  EXPECT_TRUE(load.invalid.empty());
  ASSERT_EQ(translator.GetCount(), read.GetCount());
  for (std::size_t i = 0; i < read.GetCount(); ++i) {
    const CTranslator::Translation t = translator.Get(i);
    EXPECT_TRUE(std::ranges::equal(t.keys, read.GetKeys(i))) << i;
    EXPECT_EQ(t.text, read.GetTranslation(i).text) << i;
  }
  EXPECT_NE(std::string::npos, ReadWholeFile(path).find("{\\creatim\\yr01\\mo03\\da05}"));
}

}  // namespace
