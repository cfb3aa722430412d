#include "rtf_cre_writer.h"

#include <cstring>

namespace kelm_cli {
namespace {

constexpr std::size_t stroke_bytes = 3;
constexpr std::string_view paragraph_mark = "{P}";

}  // namespace

void RtfCreWriter::WriteHeader(bool dictionary) {
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

void RtfCreWriter::WriteOutline(std::span<const BYTE> keys) {
  m_run.clear();
  for (std::size_t i = 0; i < keys.size(); i += stroke_bytes) {
    const std::string_view text = StrokeText(&keys[i]);
    if (text.empty()) continue;
    if (!m_run.empty()) m_run += '/';
    m_run += text;
  }
  OutputKeyword(szRTFGROUPBEGIN, 0);
  OutputKeyword(szRTFCW_cxs, flagOptDest);
  OutputText(CString(std::string_view(m_run)));
  OutputKeyword(szRTFGROUPEND, 0);
  m_run.clear();
}

// The stroke's text, empty for a stroke without keys. The notation is the
// costly part of writing an outline and a file repeats its strokes, so texts
// are remembered in a direct-mapped table.
std::string_view RtfCreWriter::StrokeText(const BYTE* keys) {
  const std::uint32_t value = keys[0] << 16 | keys[1] << 8 | keys[2];
  stroke_text& slot = m_strokeTexts[(value * 0x9E3779B1u) >> (32 - stroke_text_bits)];
  if (!slot.held || std::memcmp(slot.keys, keys, stroke_bytes) != 0) {
    const CStroke stroke(keys);
    const CString text = stroke.IsEmpty() ? CString() : stroke.GetStrRtf(0);
    if (static_cast<std::size_t>(text.GetLength()) > sizeof slot.text) {
      m_longStroke = text.View();
      return m_longStroke;
    }
    std::memcpy(slot.keys, keys, stroke_bytes);
    std::memcpy(slot.text, text.View().data(), text.View().size());
    slot.length = static_cast<std::uint8_t>(text.View().size());
    slot.held = true;
  }
  return {slot.text, slot.length};
}

void RtfCreWriter::FlushRun() {
  if (m_run.empty()) return;
  OutputText(CString(std::string_view(m_run)));
  m_run.clear();
}

void RtfCreWriter::WriteText(std::string_view text, bool caret_is_space) {
  static constexpr char hex[] = "0123456789abcdef";
  m_run.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const char* word = nullptr;
    if (text.substr(i).starts_with(paragraph_mark)) {
      word = szRTFCW_par;
      i += paragraph_mark.size() - 1;
    } else if (c == '\t') {
      word = szRTFCW_tab;
    } else if (c == '\n') {
      word = szRTFCW_line;
    }
    if (word) {
      FlushRun();
      OutputKeyword(word, 0);
    } else if (c == '^' && caret_is_space) {
      m_run += ' ';
    } else if (c == '\\' || c == '{' || c == '}') {
      m_run += '\\';
      m_run += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x80) {
      m_run += "\\'";
      m_run += hex[c >> 4];
      m_run += hex[c & 0xF];
    } else {
      m_run += static_cast<char>(c);
    }
  }
  FlushRun();
}

}  // namespace kelm_cli
