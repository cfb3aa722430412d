#include "dictionary/rtf_cre_writer.h"
#include "rtf/rtf_control_words.h"
#include "translation/translator.h"

#include <cstdio>

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
      WriteText(t.text, true);
    }
  }

 private:
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
