#include "translation/translator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "testing/scratch_folder.h"
#include "testing/steno_dictionaries.h"
#include "testing/steno_strokes.h"
#include "testing/user_folder_test.h"

namespace {

constexpr WORD suffix = CTranFlags::Suffix;
constexpr WORD prefix = CTranFlags::Prefix;
constexpr WORD cap_next = CTranFlags::CapitalizeNext;

const CStenoDictionary& main_dictionary() {
  static const CStenoDictionary dictionary = dictionary_of({
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
  for (const CStroke& stroke : strokes_of(strokes)) translator.AddStroke(stroke);
}

CTranslator make_translator(const CTranslator::Options& options = {}) {
  CTranslator translator(options);
  translator.AddDictionary(&main_dictionary());
  return translator;
}

// The text of the first `count` translations, by default all of them.
std::string text_of(const CTranslator& translator, std::size_t count = SIZE_MAX) {
  std::string text;
  for (std::size_t i = 0; i < std::min(count, translator.GetCount()); ++i)
    text += translator.Get(i).text;
  return text;
}

std::string translate(std::string_view strokes, CTranslator::Options options = {}) {
  CTranslator translator = make_translator(options);
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

TEST(CTranslator, GrandjeanUndoesWithItsOwnAsteriskAndConflictsAreKeptWhenAsked) {
  CTranslator::Options grandjean;
  grandjean.grandjean = 1;
  CTranslator translator = make_translator(grandjean);
  add_strokes(translator, "THE KAT");
  CStroke asterisk;
  asterisk.SetKey(CStroke::AsteriskPosition(1), 1);
  translator.AddStroke(asterisk);
  EXPECT_EQ(1u, translator.GetCount());
  CTranslator::Options keep;
  keep.keep_conflicts = true;
  EXPECT_EQ("The [name|gnome]", translate("THE TPHAEUPL", keep));
}

// Text already written out must never change, whatever follows.
TEST(CTranslator, FinalTextNeverChanges) {
  CTranslator::Options options;
  options.undo_depth = 2;
  CTranslator translator = make_translator(options);
  // The longest outline has three strokes, so two translations stay movable.
  EXPECT_EQ(3u, translator.GetLongestOutline());
  add_strokes(translator, "THE KAT SAT A KAT PHAEUBG");
  ASSERT_EQ(6u, translator.GetCount());
  EXPECT_EQ(3u, translator.GetFinalCount());
  EXPECT_EQ("The cat sat", translator.GetTextView().substr(0, translator.GetFinalLength()));
  const std::string final_text = text_of(translator, translator.GetFinalCount());
  add_strokes(translator, "* * * * -G");
  EXPECT_EQ(final_text, text_of(translator, 3));
  translator.Finish();
  EXPECT_EQ("The cat sat aing", text_of(translator));
  EXPECT_EQ(translator.GetCount(), translator.GetFinalCount());
  EXPECT_EQ(translator.GetTextView().size(), translator.GetFinalLength());
}

// Finish promised the text would not change again.
TEST(CTranslator, StrokesAfterFinishChangeNothing) {
  CTranslator translator = make_translator();
  add_strokes(translator, "THE KAT");
  EXPECT_EQ("\n", translator.Finish().text);
  for (const CStroke& stroke : strokes_of("* -S SAT")) {
    const CTranslator::Edit& edit = translator.AddStroke(stroke);
    EXPECT_EQ(0, edit.nTakeBack);
    EXPECT_EQ("", edit.text);
  }
  EXPECT_EQ("", translator.Finish().text);
  EXPECT_EQ(CString("The cat\n"), translator.GetText());
  EXPECT_EQ(2u, translator.GetCount());
}

TEST(CTranslator, KeepsEachOutlinesStrokesAndTime) {
  CTranslator translator = make_translator();
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
    for (std::size_t k = 0; k < t.keys.size(); k += CStroke::PackedSize)
      outline.Append(CStroke(&t.keys[k]));
    EXPECT_EQ(CString(outlines[i]), outline.GetStrDisplay(0)) << i;
    EXPECT_EQ(times[i], t.time.GetTime()) << i;
    EXPECT_EQ(i == 2, t.untranslated) << i;
  }
}

// The two suffix decisions that ask the spelling checker, over a lexicon of
// the test's own so that the case does not hang on the installed word list.
class CTranslatorWithLexicon : public UserFolderTest {};
using CTranslatorEdits = CTranslatorWithLexicon;

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
  CTranslator translator = make_translator();
  // Braces, backslashes and bytes above 127 must reach the file escaped.
  add_strokes(translator, "THE KAT/-S SAT TP-PL PA*R KW-GS PHAEUBG -G TKOG SHRARB");
  translator.Finish();
  const ScratchFolder folder;
  const std::string path = folder.path("transcript.rtf");
  {
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
    WriteRtfTranscript(file, translator, CTime(2001, 3, 5, 10, 0, 0));
  }
  CStenoDictionary read;
  EXPECT_EQ(0, read.Read(path.c_str()));
  EXPECT_TRUE(read.GetInvalidOutlines().empty());
  ASSERT_EQ(translator.GetCount(), read.GetCount());
  for (std::size_t i = 0; i < read.GetCount(); ++i) {
    const CTranslator::Translation t = translator.Get(i);
    EXPECT_TRUE(std::ranges::equal(t.keys, read.GetKeys(i))) << i;
    EXPECT_EQ(t.text, read.GetTranslation(i).text) << i;
  }
  EXPECT_NE(std::string::npos, ReadWholeFile(path).find("{\\creatim\\yr01\\mo03\\da05}"));
}

// --- The readable text and its edits -------------------------------------------

struct EditCase {
  const char* strokes;
  // Each stroke's edit, then Finish's: the characters taken back, a colon,
  // the text added.
  std::vector<std::string> edits;
  const char* text;  // at the end
};

std::string shown(const CTranslator::Edit& edit) {
  return std::to_string(edit.nTakeBack) + ":" + std::string(edit.text.View());
}

TEST(CTranslator, EachStrokeIsOneEditAtTheEnd) {
  const EditCase cases[] = {
      {"", {"0:"}, ""},
      // The outline "cats" goes whole.
      {"THE KAT -S *", {"0:The", "0: cat", "0:s", "5:", "0:\n"}, "The\n"},
      // Only what differs goes back.
      {"PHAEUBG -G *", {"0:Make", "1:ing", "3:e", "0:\n"}, "Make\n"},
      // The longer outline swallows the two before it.
      {"A KAT HRAOEUBG", {"0:A", "0: cat", "4:catlike", "0:\n"}, "Acatlike\n"},
      // Blanks around a paragraph mark are never shown; undoing the mark
      // takes the line break back.
      {"KAT TP-PL PA*R THE * *", {"0:Cat", "0:.", "0:\n", "0:The", "3:", "1:", "0:\n"}, "Cat.\n"},
      {"KAT PA*R", {"0:Cat", "0:\n", "0:"}, "Cat\n"},
      {"* TKOG", {"0:", "0:TKO-G", "0:\n"}, "TKO-G\n"},
      {"SHRARB", {"0:Back\\slash {x} \xE9t\xE9", "0:\n"}, "Back\\slash {x} \xE9t\xE9\n"},
  };
  for (const EditCase& c : cases) {
    CTranslator translator = make_translator();
    std::vector<std::string> got;
    for (const CStroke& stroke : strokes_of(c.strokes))
      got.push_back(shown(translator.AddStroke(stroke)));
    got.push_back(shown(translator.Finish()));
    EXPECT_EQ(c.edits, got) << c.strokes;
    EXPECT_EQ(c.text, translator.GetTextView()) << c.strokes;
  }
}

// What a reader sees of the translations, worked out afresh: paragraph marks
// and carets turned per translation, then the blanks at either end of every
// line dropped. Lines that end among the final translations are kept, so
// that each stroke costs only the text since.
class ReadableReference {
 public:
  std::string Of(const CTranslator& translator, bool finished) {
    for (; m_nFinal < translator.GetFinalCount(); ++m_nFinal) {
      m_open += turned(translator.Get(m_nFinal).text);
      if (const std::size_t end = m_open.rfind('\n'); end != std::string::npos) {
        m_closed += trimmed(std::string_view(m_open).substr(0, end + 1));
        m_open.erase(0, end + 1);
      }
    }
    std::string rest = m_open;
    for (std::size_t i = m_nFinal; i < translator.GetCount(); ++i)
      rest += turned(translator.Get(i).text);
    std::string result = m_closed + trimmed(rest);
    if (finished && !result.empty() && result.back() != '\n') result += '\n';
    return result;
  }

 private:
  static std::string turned(std::string_view translation) {
    std::string text(translation);
    for (std::size_t at; (at = text.find("{P}")) != std::string::npos;) text.replace(at, 3, "\n");
    std::replace(text.begin(), text.end(), '^', ' ');
    return text;
  }

  static std::string trimmed(std::string_view text) {
    std::string result;
    for (std::size_t start = 0;;) {
      const std::size_t end = text.find('\n', start);
      const std::string_view line = text.substr(start, end - start);
      const std::size_t first = line.find_first_not_of(' ');
      if (first != std::string::npos)
        result += line.substr(first, line.find_last_not_of(' ') + 1 - first);
      if (end == std::string::npos) return result;
      result += '\n';
      start = end + 1;
    }
  }

  std::size_t m_nFinal = 0;
  std::string m_closed;  // up to the last line break among the final translations
  std::string m_open;    // the final translations' text after it
};

// A dictionary with a bit of everything a join does: suffixes that change
// the word before, prefixes, punctuation, capitals, conflicts, paragraph
// marks and line breaks inside texts, hard spaces, braces, bytes above 127
// and outlines that swallow the translations of their first strokes.
const CStenoDictionary& mixed_dictionary() {
  static const CStenoDictionary dictionary = dictionary_of({
      {"THE", "the"},
      {"KAT", "cat"},
      {"KAT/-S", "cats"},
      {"A", "a"},
      {"A/KAT/HRAOEUBG", "acatlike"},
      {"PHAEUBG", "make"},
      {"PHAEUBG/-G", "making-of"},
      {"RUPB", "run"},
      {"PWEG", "begin"},
      {"SREUZ", "visit"},
      {"SPOPBS", "respons"},
      {"HAP", "happy"},
      {"-G", "ing", suffix},
      {"-D", "ed", suffix},
      {"-S", "s", suffix},
      {"-BL", "able", suffix},
      {"-PBS", "ness", suffix},
      {"TP-PL", ".", suffix | cap_next},
      {"KW-BG", ",", suffix},
      {"KW-GS", "\"", prefix},
      {"RE", "re", prefix},
      {"TKO", "do"},
      {"TPHAEUPL", "[name|gnome]"},
      {"PA*R", "{P}", cap_next},
      {"PA*R/PA*R", "{P}{P}", cap_next},
      {"S-P", "^", suffix | prefix},
      {"KAFE", "caf\xE9"},
      {"TAB", "\tx"},
      {"PWRAS", "a{b"},
      {"HR-PB", "line\nbreak"},
      {"EPBD", "end{P}^start"},
  });
  return dictionary;
}

std::vector<CStroke> mixed_strokes() {
  std::vector<CStroke> strokes = strokes_of(
      "THE KAT -S A HRAOEUBG PHAEUBG RUPB PWEG SREUZ SPOPBS HAP -G -D -BL -PBS TP-PL KW-BG KW-GS "
      "RE TKO TPHAEUPL PA*R S-P KAFE TAB PWRAS HR-PB EPBD TKOG");
  strokes.push_back(CStroke(CString("*"), 0));
  return strokes;
}

// The promise of the edits: whoever applies them holds the text after every
// stroke, and the final part of it never changes.
TEST_F(CTranslatorEdits, ApplyingEveryEditGivesTheTextAfterEveryStroke) {
  WriteWholeFile(user_file("ssceam.tlx"), "beginning\ti\nvisiting\ti\nresponsible\ti\n");
  const std::vector<CStroke> pool = mixed_strokes();
  const CStroke asterisk = pool.back();
  for (const std::size_t undo_depth : {3u, 16u}) {
    for (const std::uint32_t seed : {1u, 2u, 3u}) {
      std::mt19937 random(seed);
      CTranslator::Options options;
      options.undo_depth = undo_depth;
      options.keep_conflicts = seed == 3;
      CTranslator translator(options);
      translator.AddDictionary(&mixed_dictionary());
      CString held;
      ReadableReference reference;
      std::string final_text;
      std::string recent;  // the strokes so far, for the failure message
      for (int n = 0; n < 3000; ++n) {
        // One stroke in five an asterisk, so undo runs reach back a way.
        const CStroke& stroke = random() % 5 == 0 ? asterisk : pool[random() % pool.size()];
        recent += std::string(stroke.GetStrCompressed(0).View()) + " ";
        translator.AddStroke(stroke).ApplyTo(held);
        const std::string_view text = translator.GetTextView();
        const std::string where = "seed " + std::to_string(seed) + ", depth " +
                                  std::to_string(undo_depth) + ", after " + recent;
        ASSERT_EQ(text, held.View()) << where;
        ASSERT_EQ(reference.Of(translator, false), text) << where;
        ASSERT_TRUE(text.starts_with(final_text)) << where;
        ASSERT_LE(final_text.size(), translator.GetFinalLength()) << where;
        final_text = text.substr(0, translator.GetFinalLength());
        if (recent.size() > 400) recent.erase(0, recent.find(' ', recent.size() - 300) + 1);
      }
      translator.Finish().ApplyTo(held);
      EXPECT_EQ(translator.GetTextView(), held.View()) << seed;
      EXPECT_EQ(reference.Of(translator, true), translator.GetTextView()) << seed;
      EXPECT_TRUE(translator.GetTextView().starts_with(final_text)) << seed;
    }
  }
}

}  // namespace
