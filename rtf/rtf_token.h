// CRtfToken: one token of an RTF stream (a text run, a control word or symbol
// with its parameter, a brace, a chunk of binary data, or end of input), with
// a character buffer of its own that the scanner fills and refills.
//
// The buffer is never kept terminated; GetText terminates it on demand, in
// the spare byte kept for that. Results of type long are token codes: 0
// success, 1 empty, 2 fewer than two characters, 3 full (see GetErrorText).
// Tokens are not copied.
#pragma once

#include "platform/export.h"
#include "platform/string.h"
#include "platform/types.h"

class KELM_EXPORT CRtfToken {
 public:
  // A buffer of lSize bytes holds lSize - 1 characters. When the memory
  // cannot be had, GetBuffer and GetText give null and nothing fits.
  explicit CRtfToken(long lSize);
  CRtfToken(const CRtfToken&) = delete;
  CRtfToken& operator=(const CRtfToken&) = delete;
  virtual ~CRtfToken();

  // The token's value while it has no numeric parameter.
  static constexpr LONG no_parameter = -2147483647 - 1;

  // The types that are not control words (a control word's type is its
  // index in the control-word table plus 10).
  static constexpr int typeUnknown = 0;
  static constexpr int typeBinary = 1;
  static constexpr int typeEndOfInput = 2;
  static constexpr int typeText = 5;
  static constexpr int typeGroupBegin = 743;
  static constexpr int typeGroupEnd = 744;

  char* GetBuffer() { return m_pBuffer; }
  unsigned GetBufferSize() const { return m_nBufferSize; }
  unsigned GetLength() const { return m_nLength; }
  // The stream position of the token's first byte.
  DWORD GetStreamOffset() const { return m_dwStreamOffset; }
  // 0 unrecognised control, 1 binary data, 2 end of input, 5 text, 10 to 742
  // a control word or symbol (its table index + 10), 743 "{", 744 "}".
  int GetType() const { return m_nType; }
  void SetType(int nType) { m_nType = nType; }

  // 1 when n more characters fit.
  BOOL CanHoldChars(int n) const {
    return static_cast<long long>(m_nLength) <= static_cast<long long>(m_nBufferSize) - n;
  }
  long AddChar(char c) {
    if (m_nLength >= m_nBufferSize) return 3;
    m_pBuffer[m_nLength++] = c;
    return 0;
  }
  long DiscardFirstChar();
  long DiscardLastChar() {
    if (m_nLength == 0) return 1;
    --m_nLength;
    return 0;
  }
  // Removes the character before the last one; the last takes its place.
  long DiscardNextToLastChar();
  long GetLastChar(char& c) const;

  // The characters, terminated.
  char* GetText() {
    if (m_pBuffer != nullptr) m_pBuffer[m_nLength] = '\0';
    return m_pBuffer;
  }
  // Copies s as text (type 5), as much of it as fits.
  void SetText(const char* s);
  // Empties the token: type 2, no control word, no parameter.
  void Reset(DWORD dwOffset) {
    m_nLength = 0;
    m_nType = 2;
    m_dwStreamOffset = dwOffset;
    m_szCtrlWord[0] = '\0';
    m_lNumParm = no_parameter;
  }

  // The control word with its backslash, up to the first digit or minus:
  // "\fs24" gives "\fs". A word longer than the field gives "" (no match).
  char* GetCtrlWord();
  // The parameter after the control word, or no_parameter.
  LONG GetNumParm();
  // The backslash and the one character after it; no parameter.
  char* GetCtrlSymbol();

  CString GetErrorText(long nCode) const;

 protected:
  // The scanner appends whole runs of bytes, not one character at a time.
  friend class CRtfScanner;

  void SplitCtrlWordAndParm();

  // The longest control word in the table is 20 characters with its backslash.
  char m_szCtrlWord[21];
  LONG m_lNumParm;
  unsigned m_nBufferSize;
  unsigned m_nLength;
  char* m_pBuffer;
  int m_nType;
  DWORD m_dwStreamOffset;
};
