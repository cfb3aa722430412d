#include "dictionary/rtf_cre_writer.h"

#include "rtf/rtf_control_words.h"
#include "strokes/stroke.h"
#include "textrules/string_rules.h"

#include <array>

namespace {

constexpr std::size_t stroke_bytes = CStroke::PackedSize;
constexpr std::string_view paragraph_mark = CStringRules::szParagraphMark;

// Bytes that go into the file as they are: printable ASCII other than the
// braces, the backslash and the caret, which may stand for a space.
constexpr std::array<bool, 256> is_plain = [] {
  std::array<bool, 256> plain{};
  for (int c = 0x20; c < 0x80; ++c) plain[c] = c != '{' && c != '}' && c != '\\' && c != '^';
  return plain;
}();

}  // namespace

void CRtfCreWriter::WriteHeader(bool dictionary) {
  OutputKeyParam(szRTFCW_rtf, 1, 0);
  OutputKeyword(szRTFCW_ansi, 0);
  Cxrev();
  if (dictionary) OutputKeyword(szRTFCW_cxdict, 0);
  OutputKeyword(szRTFGROUPBEGIN, 0);
  OutputKeyword(szRTFCW_cxsystem, flagOptDest);
  OutputText(GetSystemString());
  OutputKeyword(szRTFGROUPEND, 0);
  Creatim(m_created);
  OutputKeyword(szRTFGROUPBEGIN, 0);
  OutputKeyword(szRTFCW_stylesheet, 0);
  OutputKeyword(szRTFGROUPBEGIN, 0);
  OutputKeyParam(szRTFCW_s, 0, 0);
  OutputText("Normal;");
  OutputKeyword(szRTFGROUPEND, 0);
  OutputKeyword(szRTFGROUPEND, 0);
}

void CRtfCreWriter::WriteOutline(std::span<const BYTE> keys) {
  m_run.clear();
  for (std::size_t i = 0; i < keys.size(); i += stroke_bytes) {
    const CStroke stroke(&keys[i]);
    if (stroke.IsEmpty()) continue;
    if (!m_run.empty()) m_run += '/';
    m_run += stroke.GetStrRtf(0).View();
  }
  EmitKeyword(szRTFGROUPBEGIN, 0);
  EmitKeyword(szRTFCW_cxs, flagOptDest);
  EmitText(m_run);
  EmitKeyword(szRTFGROUPEND, 0);
}

void CRtfCreWriter::WriteText(std::string_view text, bool caret_is_space) {
  static constexpr char hex[] = "0123456789abcdef";
  // The text goes out in runs between control words; a run is written
  // straight from `text` unless it holds something to escape.
  m_run.clear();
  std::size_t plain = 0;  // where the stretch not yet copied or written begins
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (is_plain[c] || (c == '^' && !caret_is_space)) continue;
    const std::string_view stretch = text.substr(plain, i - plain);
    const char* word = nullptr;
    if (text.substr(i).starts_with(paragraph_mark)) {
      word = szRTFCW_par;
      i += paragraph_mark.size() - 1;
    } else if (c == '\t') {
      word = szRTFCW_tab;
    } else if (c == '\n') {
      word = szRTFCW_line;
    }
    plain = i + 1;
    if (word) {
      WriteRun(stretch);
      EmitKeyword(word, 0);
      continue;
    }
    m_run += stretch;
    if (c == '^') {
      m_run += ' ';
    } else if (c == '\\' || c == '{' || c == '}') {
      m_run += '\\';
      m_run += static_cast<char>(c);
    } else {
      m_run += "\\'";
      m_run += hex[c >> 4];
      m_run += hex[c & 0xF];
    }
  }
  WriteRun(text.substr(plain));
}

void CRtfCreWriter::WriteRun(std::string_view stretch) {
  if (m_run.empty()) {
    if (!stretch.empty()) EmitText(stretch);
    return;
  }
  m_run += stretch;
  EmitText(m_run);
  m_run.clear();
}
