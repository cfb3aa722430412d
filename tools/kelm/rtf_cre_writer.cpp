#include "rtf_cre_writer.h"

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
    const CStroke stroke(&keys[i]);
    if (stroke.IsEmpty()) continue;
    if (!m_run.empty()) m_run += '/';
    m_run += stroke.GetStrRtf(0).View();
  }
  OutputKeyword(szRTFGROUPBEGIN, 0);
  OutputKeyword(szRTFCW_cxs, flagOptDest);
  OutputText(CString(std::string_view(m_run)));
  OutputKeyword(szRTFGROUPEND, 0);
  m_run.clear();
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
