// JSON dictionary entries translate as their RTF/CRE equivalents do: each
// construct of the open steno translation language in a short sentence
// through the real translator.

#include <gtest/gtest.h>

#include <string>

#include "testing/scratch_folder.h"
#include "testing/steno_strokes.h"
#include "translation/translator.h"

namespace {

std::string translate(const std::string& file_name, const std::string& contents) {
  const ScratchFolder folder;
  WriteWholeFile(folder.path(file_name), contents);
  CStenoDictionary dictionary;
  EXPECT_EQ(0, dictionary.Read(folder.path(file_name).c_str())) << contents;
  CTranslator translator;
  translator.AddDictionary(&dictionary);
  for (const CStroke& stroke : strokes_of("KAT SKWR TKOG")) translator.AddStroke(stroke);
  translator.Finish();
  return std::string(translator.GetTextView());
}

TEST(JsonTranslation, EachConstructTranslatesAsItsRtfEquivalent) {
  const struct {
    const char* json;  // as the JSON file spells it
    const char* rtf;
    const char* text;
  } cases[] = {
      // An entry with no text leaves no blank between its neighbours, as the
      // text rules join it, in either format.
      {"big", "big", "Cat big dog\n"},
      {"{^ing}", "\\cxds ing", "Catting dog\n"},
      {"{re^}", "re\\cxds ", "Cat redog\n"},
      {"{^}", "\\cxds ", "Catdog\n"},
      {"{^-^}", "\\cxds\\_\\cxds", "Cat-dog\n"},
      {"{^ ^}", "\\cxds\\~\\cxds",
       "Cat\xA0"
       "dog\n"},
      {"{^al^}", "\\cxds al\\cxds ", "Cataldog\n"},
      {"and{-|}", "and\\cxfc ", "Cat and Dog\n"},
      {"{-|}", "\\cxfc ", "CatDog\n"},
      {"{>}", "\\cxfl", "Catdog\n"},
      {"{&b}", "{\\cxfing b}", "Cat b dog\n"},
      // A sentence's marks keep to the word before; the end of a sentence
      // capitalises the next. Typed as plain text, a mark is a word.
      {"{.}", "{\\cxp .}", "Cat. Dog\n"},
      {"{?}", "{\\cxp ?}", "Cat? Dog\n"},
      {"{!}", "{\\cxp !}", "Cat! Dog\n"},
      {"{,}", "{\\cxp ,}", "Cat, dog\n"},
      {"{:}", "{\\cxp :}", "Cat: dog\n"},
      {"{;}", "{\\cxp ;}", "Cat; dog\n"},
      {".", ".", "Cat . dog\n"},
      {"a\\nb", "a\\line b", "Cat a\nb dog\n"},
      {"a\\n\\nb", "a\\par b", "Cat a\nb dog\n"},
      {"=undo", "\\cxdstroke", "Catdog\n"},
      {"\\\\{x\\\\}", "\\{x\\}", "Cat {x} dog\n"},
      {"{#Return}", "{\\*\\cxplovermeta #Return}", "Catdog\n"},
      {"{PLOVER:TOGGLE}", "{\\*\\cxplovermeta PLOVER:TOGGLE}", "Catdog\n"},
      {"=repeat_last_stroke", "{\\*\\cxplovermacro repeat_last_stroke}", "Catdog\n"},
  };
  const std::string common_json = "\"KAT\": \"Cat\", \"TKOG\": \"dog\", ";
  const std::string common_rtf = "{\\*\\cxs KAT}Cat{\\*\\cxs TKOG}dog";
  for (const auto& c : cases) {
    const std::string json =
        translate("d.json", "{" + common_json + "\"SKWR\": \"" + c.json + "\"}");
    const std::string rtf = translate(
        "d.rtf", "{\\rtf1\\ansi" + common_rtf + "{\\*\\cxs SKWR}" + std::string(c.rtf) + "}");
    EXPECT_EQ(rtf, json) << c.json;
    EXPECT_EQ(c.text, json) << c.json;
  }
}

}  // namespace
