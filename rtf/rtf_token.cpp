#include "rtf/rtf_token.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr unsigned ctrl_word_field = 20;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The decimal number in [first, last), an optional minus sign first, reading
// up to the first character that is not a digit. A value beyond 32 bits is
// clamped rather than wrapped, and a negative one stops at -2147483647,
// because -2147483648 is the token's mark for "no parameter".
LONG parse_parameter(const char* first, const char* last) {
  constexpr long long limit = 2147483647;
  const bool negative = first != last && *first == '-';
  if (negative) ++first;
  long long value = 0;
  for (; first != last && is_digit(*first); ++first) {
    value = value * 10 + (*first - '0');
    if (value > limit) {
      value = limit;
      break;
    }
  }
  return static_cast<LONG>(negative ? -value : value);
}

}  // namespace

CRtfToken::CRtfToken(long lSize)
    : m_szCtrlWord(),
      m_lNumParm(no_parameter),
      m_nBufferSize(0),
      m_nLength(0),
      m_pBuffer(lSize > 0 ? new (std::nothrow) char[static_cast<size_t>(lSize)] : nullptr),
      m_nType(2),
      m_dwStreamOffset(0) {
  if (m_pBuffer != nullptr) m_nBufferSize = static_cast<unsigned>(lSize - 1);
}

CRtfToken::~CRtfToken() { delete[] m_pBuffer; }

long CRtfToken::DiscardFirstChar() {
  if (m_nLength == 0) return 1;
  std::memmove(m_pBuffer, m_pBuffer + 1, --m_nLength);
  return 0;
}

long CRtfToken::DiscardNextToLastChar() {
  if (m_nLength < 2) return 2;
  m_pBuffer[m_nLength - 2] = m_pBuffer[m_nLength - 1];
  --m_nLength;
  return 0;
}

long CRtfToken::GetLastChar(char& c) const {
  if (m_nLength == 0) return 1;
  c = m_pBuffer[m_nLength - 1];
  return 0;
}

void CRtfToken::SetText(const char* s) {
  const size_t length = s == nullptr ? 0 : std::strlen(s);
  m_nLength = static_cast<unsigned>(length < m_nBufferSize ? length : m_nBufferSize);
  if (m_nLength > 0) std::memcpy(m_pBuffer, s, m_nLength);
  m_nType = typeText;
}

char* CRtfToken::GetCtrlWord() {
  SplitCtrlWordAndParm();
  return m_szCtrlWord;
}

LONG CRtfToken::GetNumParm() {
  SplitCtrlWordAndParm();
  return m_lNumParm;
}

char* CRtfToken::GetCtrlSymbol() {
  const unsigned n = m_nLength < 2 ? m_nLength : 2;
  std::copy_n(m_pBuffer, n, m_szCtrlWord);
  m_szCtrlWord[n] = '\0';
  m_lNumParm = no_parameter;
  return m_szCtrlWord;
}

CString CRtfToken::GetErrorText(long nCode) const {
  switch (nCode) {
    case 1:
      return "There are no characters in the token buffer.";
    case 3:
      return "The token buffer is full.";
    default: {
      CString text;
      text.Format("Undefined Token Error (%d)", static_cast<int>(nCode));
      return text;
    }
  }
}

void CRtfToken::SplitCtrlWordAndParm() {
  unsigned word = 0;
  while (word < m_nLength && !is_digit(m_pBuffer[word]) && m_pBuffer[word] != '-') ++word;
  // A word too long for the field can match no table entry; an empty field
  // says so without cutting it into a different, shorter word.
  if (word > ctrl_word_field) {
    m_szCtrlWord[0] = '\0';
  } else {
    std::copy_n(m_pBuffer, word, m_szCtrlWord);
    m_szCtrlWord[word] = '\0';
  }
  m_lNumParm =
      word < m_nLength ? parse_parameter(m_pBuffer + word, m_pBuffer + m_nLength) : no_parameter;
}
