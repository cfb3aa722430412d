#include "dictionary/rtf_cre_writer.h"
#include "rtf/rtf_control_words.h"
#include "translation/readable_text.h"
#include "translation/translator.h"

#include <cstdio>
#include <string>

namespace {

class TranscriptWriter : public CRtfCreWriter {
 public:
  TranscriptWriter(CFile& file, const CTranslator& translator, CTime created)
      : CRtfCreWriter(file, created), m_translator(translator) {}

  void Header() override { WriteHeader(false); }

  void Document() override {
    for (std::size_t i = 0; i < m_translator.GetCount(); ++i) {
      const CTranslator::Translation t = m_translator.Get(i);
      WriteTime(t.time);
      WriteOutline(t.keys);
      WriteTranslationText(t.text);
    }
  }

 private:
  // The escapes of characters Windows-1252 cannot hold as \uN with a "?"
  // for readers that do not know it, as the dictionary reader gives them
  // back.
  void WriteTranslationText(std::string_view text) {
    std::size_t plain = 0;
    for (std::size_t i = 0; i < text.size();) {
      if (text[i] != readable_text::escape_mark) {
        ++i;
        continue;
      }
      WriteText(text.substr(plain, i - plain), true);
      const readable_text::Character c = readable_text::NextCharacter(text, i);
      WriteCharacter(c.code_point);
      i += c.length;
      plain = i;
    }
    WriteText(text.substr(plain), true);
  }

  void WriteCharacter(char32_t c) {
    if (c < 0x20) {
      const char control = static_cast<char>(c);
      WriteText(std::string_view(&control, 1), true);
    } else if (c > 0xFFFF) {
      WriteUnit(0xD800 + ((c - 0x10000) >> 10));
      WriteUnit(0xDC00 + (c & 0x3FF));
    } else {
      WriteUnit(c);
    }
  }

  // RTF's N is a signed 16-bit number.
  void WriteUnit(char32_t unit) {
    const long n = unit > 0x7FFF ? static_cast<long>(unit) - 0x10000 : static_cast<long>(unit);
    EmitKeyword("\\u" + std::to_string(n), 0);
    EmitText("?");
  }

  void WriteTime(CTime time) {
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d:00", time.GetHour(), time.GetMinute(),
                  time.GetSecond());
    EmitKeyword(szRTFGROUPBEGIN, 0);
    EmitKeyword(szRTFCW_cxt, flagOptDest);
    EmitText(stamp);
    EmitKeyword(szRTFGROUPEND, 0);
  }

  const CTranslator& m_translator;
};

}  // namespace

void WriteRtfTranscript(CFile& file, const CTranslator& translator, CTime created) {
  TranscriptWriter writer(file, translator, created);
  writer.File();
}
