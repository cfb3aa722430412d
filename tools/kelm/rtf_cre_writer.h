// What the RTF/CRE dictionary writer and the transcript writer have in
// common: the header, the outline groups, and translation text with the
// library's markers turned into control words. The writer borrows the open
// file for its lifetime.
#pragma once

#include <kelm/kelm.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kelm_cli {

class RtfCreWriter : public CRtfExport {
 protected:
  RtfCreWriter(CFile& file, CTime created) : m_created(created) { m_pFile = &file; }

  // The revision group, \cxdict for a dictionary, the generator, the
  // creation time and a style sheet with a single Normal style.
  void WriteHeader(bool dictionary);
  // "{\*\cxs ...}" with the strokes of the packed keys, three bytes each;
  // strokes without keys are left out. What CSteno::GetStrRtf writes,
  // without making the CSteno first.
  void WriteOutline(std::span<const BYTE> keys);
  // "{P}", tabs and line breaks become control words, and braces,
  // backslashes, control and 8-bit bytes are escaped. A '^', the translator's
  // hard space, is written as a blank when `caret_is_space`.
  void WriteText(std::string_view text, bool caret_is_space);

 private:
  std::string_view StrokeText(const BYTE* keys);
  void FlushRun();

  struct stroke_text {
    BYTE keys[3];
    bool held = false;
    std::uint8_t length = 0;
    char text[28];
  };
  static constexpr unsigned stroke_text_bits = 16;

  CTime m_created;
  std::string m_run;
  std::vector<stroke_text> m_strokeTexts = std::vector<stroke_text>(1u << stroke_text_bits);
  std::string m_longStroke;
};

}  // namespace kelm_cli
