#include "rtf/rtf_export.h"

#include <charconv>
#include <cstring>
#include <iterator>
#include <limits>

#include "rtf/rtf_control_words.h"

namespace {

// Lines are broken once the next column would pass this one.
constexpr int line_width = 80;
constexpr char line_break[] = "\r\n";
constexpr int generator_number = 218;

// RTF ignores a line break before a space or a slash in text, so text is only
// ever broken there and a word is never split.
bool can_break_before(char c) { return c == ' ' || c == '/'; }

}  // namespace

void CRtfExport::OutputKeyword(const CString& strKeyword, int nFlags) {
  EmitKeyword(strKeyword.View(), nFlags);
}

void CRtfExport::OutputKeyParam(const CString& strKeyword, long lParam, int nFlags) {
  EmitKeyword(strKeyword.View(), nFlags);
  // A court-reporting attribute of 0 is the bare word.
  if (lParam == 0 && strKeyword == szRTFCW_cxa) return;
  char number[std::numeric_limits<long>::digits10 + 2];
  const auto length =
      static_cast<int>(std::to_chars(number, std::end(number), lParam).ptr - number);
  m_pFile->Write(number, length);
  m_nColumn += length;
}

void CRtfExport::OutputText(CString strText) { EmitText(strText.View()); }

void CRtfExport::EmitKeyword(std::string_view keyword, int nFlags) {
  if (m_nColumn > line_width) {
    m_pFile->Write(line_break, 2);
    m_nColumn = 1;
  }
  if (nFlags & flagOptDest) {
    m_pFile->Write(szRTFCS_OPTDEST, 2);
    m_nColumn += 2;
  }
  if (nFlags & flagHidden) {
    m_pFile->Write(szRTFCW_v, 2);
    m_nColumn += 2;
  }
  const auto length = static_cast<int>(keyword.size());
  m_pFile->Write(keyword.data(), length);
  m_nColumn += length;
  m_bDelimited = keyword == szRTFGROUPEND;
}

void CRtfExport::EmitText(std::string_view text) {
  if (!m_bDelimited) {
    if (m_nColumn < line_width) {
      // Short text and its delimiter go to the file in one piece.
      if (m_nColumn + static_cast<int>(text.size()) <= line_width) {
        char piece[line_width];
        piece[0] = ' ';
        std::memcpy(piece + 1, text.data(), text.size());
        m_pFile->Write(piece, static_cast<UINT>(text.size() + 1));
        m_nColumn += static_cast<int>(text.size()) + 1;
        m_bDelimited = TRUE;
        return;
      }
      m_pFile->Write(" ", 1);
      ++m_nColumn;
    } else {
      m_pFile->Write(line_break, 2);
      m_nColumn = 1;
    }
  }
  const auto length = static_cast<int>(text.size());
  // Text that ends by the line's last column can hold no break.
  if (m_nColumn + length - 1 <= line_width) {
    m_pFile->Write(text.data(), length);
    m_nColumn += length;
    m_bDelimited = TRUE;
    return;
  }
  int run_start = 0;
  for (int i = 0; i < length; ++i) {
    if (m_nColumn > line_width && can_break_before(text[i])) {
      m_pFile->Write(text.data() + run_start, i - run_start);
      m_pFile->Write(line_break, 2);
      m_nColumn = 1;
      run_start = i;
    }
    ++m_nColumn;
  }
  m_pFile->Write(text.data() + run_start, length - run_start);
  m_bDelimited = TRUE;
}

void CRtfExport::File() {
  OutputKeyword(szRTFGROUPBEGIN, 0);
  Header();
  Document();
  OutputKeyword(szRTFGROUPEND, 0);
}

void CRtfExport::Cxrev() {
  OutputKeyword(szRTFGROUPBEGIN, 0);
  OutputKeyParam(szRTFCW_cxrev, 100, flagOptDest);
  OutputKeyword(szRTFGROUPEND, 0);
}

void CRtfExport::Date(CTime time) {
  OutputKeyParam(szRTFCW_yr, time.GetYear(), 0);
  OutputKeyParam(szRTFCW_mo, time.GetMonth(), 0);
  OutputKeyParam(szRTFCW_da, time.GetDay(), 0);
}

void CRtfExport::Creatim(CTime time) {
  const int year = time.GetYear();
  const int short_year = year < 2000 ? year - 1900 : year - 2000;
  OutputText(CString(szRTFGROUPBEGIN) + szRTFCW_creatim);
  CString field;
  field.Format("%s%.2d", szRTFCW_yr, short_year);
  OutputText(field);
  field.Format("%s%.2d", szRTFCW_mo, time.GetMonth());
  OutputText(field);
  field.Format("%s%.2d", szRTFCW_da, time.GetDay());
  OutputText(field);
  OutputText(szRTFGROUPEND);
}

CString CRtfExport::GetSystemString() {
  CString text;
  text.Format("Orvalis %05d RTF by Quendra, Inc.", generator_number);
  return text;
}
