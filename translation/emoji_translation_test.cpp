// Characters Windows-1252 cannot hold, emoji above all, through the
// translator: from a JSON dictionary to the readable text, its edits and the
// transcript, whole.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "testing/scratch_folder.h"
#include "testing/steno_strokes.h"
#include "translation/readable_text.h"
#include "translation/translator.h"

namespace {

using readable_text::ToUtf8;

// U+1F30F and U+1F30D share all their digits but the last; the heart is
// two characters, U+2764 and the variation selector U+FE0F.
constexpr const char* emoji_json = R"({
"KAT": "cat",
"PHOEPBLG": "🌏",
"HAERT": "❤️",
"TKPWHRO": "🌏",
"TKPWHRO/-B": "🌍",
"HAOEU": "{^}👋{^}",
"-G": "{^ing}",
"-S": "{^s}",
"-D": "{^ed}",
"TP-PL": "{^}.{-|}",
"KPA": "{-|}",
"A*T": "{^}",
"PWEL": "a\u0007b",
"SAUB": "x\u001ay"
})";

// The dictionary from a real file, as a host reads one.
class EmojiTranslation : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteWholeFile(m_folder.path("emoji.json"), emoji_json);
    ASSERT_EQ(0, m_dictionary.Read(m_folder.path("emoji.json").c_str()));
  }

  ScratchFolder m_folder;
  CStenoDictionary m_dictionary;
};

// After every stroke, the edits applied in order give the readable text.
std::string translate_checking_edits(const CStenoDictionary& dictionary, std::string_view strokes,
                                     CTranslator* out = nullptr) {
  CTranslator translator;
  translator.AddDictionary(&dictionary);
  CString applied;
  for (const CStroke& stroke : strokes_of(strokes)) {
    translator.AddStroke(stroke).ApplyTo(applied);
    EXPECT_EQ(translator.GetTextView(), applied.View()) << strokes;
  }
  translator.Finish().ApplyTo(applied);
  EXPECT_EQ(translator.GetTextView(), applied.View()) << strokes;
  std::string text = ToUtf8(translator.GetTextView());
  if (out) *out = std::move(translator);
  return text;
}

TEST_F(EmojiTranslation, JoinsPassOverAnEmojiAsOverAWord) {
  const struct {
    const char* strokes;
    const char* utf8;
  } cases[] = {
      {"KAT PHOEPBLG", "Cat 🌏\n"},
      // The emoji takes the pending capital as a word would.
      {"PHOEPBLG KAT", "🌏 cat\n"},
      {"KAT KPA PHOEPBLG KAT", "Cat🌏 cat\n"},
      {"KAT A*T PHOEPBLG", "Cat🌏\n"},
      {"HAERT KAT", "❤️ cat\n"},
      {"KAT HAOEU KAT", "Cat👋cat\n"},
      // Suffixes after one leave it whole.
      {"PHOEPBLG -G", "🌏ing\n"},
      {"HAERT -S", "❤️s\n"},
      {"PHOEPBLG -D", "🌏ed\n"},
      {"PHOEPBLG TP-PL KAT", "🌏. Cat\n"},
      {"KAT PHOEPBLG *", "Cat\n"},
      {"KAT PHOEPBLG * HAERT", "Cat ❤️\n"},
      {"TKPWHRO", "🌏\n"},
      {"TKPWHRO/-B", "🌍\n"},
      {"TKPWHRO/-B *", ""},
      // Controls a dictionary holds come out as they were.
      {"PWEL",
       "A\x07"
       "b\n"},
      {"SAUB KAT", "X\x1Ay cat\n"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.utf8, translate_checking_edits(m_dictionary, c.strokes)) << c.strokes;
}

// The second stroke changes only the last digit of the escape, and the
// escape goes back whole.
TEST_F(EmojiTranslation, ATakeBackNeverSplitsAnEscape) {
  CTranslator translator;
  translator.AddDictionary(&m_dictionary);
  for (const CStroke& stroke : strokes_of("KAT TKPWHRO")) translator.AddStroke(stroke);
  const CTranslator::Edit& edit = translator.AddStroke(strokes_of("-B")[0]);
  EXPECT_EQ(static_cast<int>(readable_text::escape_length), edit.nTakeBack);
  EXPECT_EQ("🌍", ToUtf8(edit.text.View()));
  EXPECT_EQ("Cat 🌍", ToUtf8(translator.GetTextView()));
  EXPECT_EQ("🌍", ToUtf8(translator.Get(1).text));
}

// The transcript keeps an emoji as \uN, and reads back with the character.
TEST_F(EmojiTranslation, TheTranscriptReadsBackWithTheCharacters) {
  CTranslator translator;
  translate_checking_edits(m_dictionary, "KAT PHOEPBLG HAERT -S SAUB TKPWHRO/-B", &translator);
  const std::string path = m_folder.path("transcript.rtf");
  {
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
    WriteRtfTranscript(file, translator, CTime(2001, 3, 5, 10, 0, 0));
  }
  CStenoDictionary read;
  ASSERT_EQ(0, read.Read(path.c_str()));
  ASSERT_EQ(translator.GetCount(), read.GetCount());
  for (std::size_t i = 0; i < read.GetCount(); ++i) {
    const std::string_view stand_ins = read.GetTranslation(i).text;
    std::string escaped;
    std::size_t next = 0;
    const std::vector<CStenoDictionary::Character> characters = read.GetCharacters(i);
    for (std::size_t at = 0; at < stand_ins.size(); ++at) {
      const auto byte = static_cast<unsigned char>(stand_ins[at]);
      if (next < characters.size() && characters[next].position == at)
        readable_text::AppendEscape(characters[next++].code_point, escaped);
      else if (byte < 0x20 && byte != '\t' && byte != '\n')
        readable_text::AppendEscape(byte, escaped);
      else
        escaped += stand_ins[at];
    }
    EXPECT_EQ(characters.size(), next) << i;
    EXPECT_EQ(ToUtf8(translator.Get(i).text), ToUtf8(escaped)) << i;
  }
}

// Every entry of the real emoji dictionary whose translation is plain
// text beginning with a character beyond ASCII translates to exactly it;
// asterisks take each back before the next.
TEST(EmojiTranslationOfTheSharedData, EveryPlainEmojiEntryComesOutAsItsFileSpellsIt) {
  const std::filesystem::path file =
      std::filesystem::path(KELM_SHARED_DATA_DIR) / "json" / "didoesdigital_emoji.json";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << file << " is not there";
  CStenoDictionary dictionary;
  ASSERT_EQ(0, dictionary.Read(file.c_str()));
  CTranslator translator;
  translator.AddDictionary(&dictionary);
  const CStroke asterisk = strokes_of("*")[0];
  std::ifstream in(file);
  std::size_t checked = 0;
  for (std::string line; std::getline(in, line);) {
    // "OUTLINE": "TEXT", one entry a line, as the open tools write them.
    const std::size_t open = line.find('"');
    const std::size_t colon = line.find("\": \"");
    const std::size_t close = line.rfind('"');
    if (colon == std::string::npos || close < colon + 4) continue;
    const std::string outline = line.substr(open + 1, colon - open - 1);
    const std::string text = line.substr(colon + 4, close - colon - 4);
    if (text.empty() || static_cast<unsigned char>(text[0]) < 0x80 ||
        text.find_first_of("\\{ ") != std::string::npos)
      continue;
    for (const CStroke& stroke : strokes_of(outline)) translator.AddStroke(stroke);
    EXPECT_EQ(text, ToUtf8(translator.GetTextView())) << outline;
    while (translator.GetCount() > 0) translator.AddStroke(asterisk);
    ++checked;
  }
  EXPECT_GT(checked, 1000u);
}

}  // namespace
