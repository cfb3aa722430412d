// CString: counted 8-bit text (Windows-1252 inside the library), with MFC's
// interface. Any byte, including NUL and bytes 128-255, may stand in the text;
// letters and case concern ASCII only, so bytes above 127 are never changed by
// MakeUpper/MakeLower and compare exactly in CompareNoCase.
//
// A CString is a value: copies are independent. Positions are 0-based ints;
// out-of-range positions and counts are clamped as MFC clamps them, never
// read outside the text.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

#include "platform/export.h"
#include "platform/types.h"

class KELM_EXPORT CString {
 public:
  CString() = default;
  CString(const CString&) = default;
  CString(CString&&) noexcept = default;
  CString(LPCSTR psz);  // NOLINT: converts implicitly, as MFC's does
  CString(const unsigned char* psz);
  CString(LPCSTR pch, int nLength);
  CString(char ch, int nRepeat = 1);
  explicit CString(std::string_view text);
  ~CString() = default;

  CString& operator=(const CString&) = default;
  CString& operator=(CString&&) noexcept = default;
  CString& operator=(LPCSTR psz);
  CString& operator=(char ch);

  // Length and access.
  int GetLength() const { return static_cast<int>(m_str.size()); }
  BOOL IsEmpty() const { return m_str.empty(); }
  void Empty() { m_str.clear(); }
  char GetAt(int nIndex) const;
  char operator[](int nIndex) const { return GetAt(nIndex); }
  void SetAt(int nIndex, char ch);
  operator LPCSTR() const { return m_str.c_str(); }  // NOLINT: as MFC
  LPCSTR GetString() const { return m_str.c_str(); }
  std::string_view View() const { return m_str; }

  // Concatenation.
  CString& operator+=(const CString& str);
  CString& operator+=(LPCSTR psz);
  CString& operator+=(char ch);
  friend CString operator+(const CString& a, const CString& b);
  friend CString operator+(const CString& a, LPCSTR b);
  friend CString operator+(LPCSTR a, const CString& b);
  friend CString operator+(const CString& a, char ch);
  friend CString operator+(char ch, const CString& b);

  // Comparison: Compare by unsigned bytes; CompareNoCase folds ASCII letters.
  // Results are negative, zero or positive, as strcmp.
  int Compare(LPCSTR psz) const;
  int CompareNoCase(LPCSTR psz) const;
  int Collate(LPCSTR psz) const { return Compare(psz); }
  friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
  friend bool operator==(const CString& a, LPCSTR b);
  friend bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
  friend bool operator>(const CString& a, const CString& b) { return a.Compare(b) > 0; }
  friend bool operator<=(const CString& a, const CString& b) { return a.Compare(b) <= 0; }
  friend bool operator>=(const CString& a, const CString& b) { return a.Compare(b) >= 0; }

  // Extraction. Counts past the end are clamped; negative ones give "".
  CString Mid(int nFirst) const;
  CString Mid(int nFirst, int nCount) const;
  CString Left(int nCount) const;
  CString Right(int nCount) const;
  CString SpanIncluding(LPCSTR pszCharSet) const;
  CString SpanExcluding(LPCSTR pszCharSet) const;

  // Searching: the position found, or -1.
  int Find(char ch) const { return Find(ch, 0); }
  int Find(char ch, int nStart) const;
  int Find(LPCSTR pszSub) const { return Find(pszSub, 0); }
  int Find(LPCSTR pszSub, int nStart) const;
  int ReverseFind(char ch) const;
  int FindOneOf(LPCSTR pszCharSet) const;

  // Editing in place. Insert, Delete, Remove and Replace return the new length,
  // the number removed and the number replaced as MFC does.
  void MakeUpper();
  void MakeLower();
  void MakeReverse();
  int Insert(int nIndex, char ch);
  int Insert(int nIndex, LPCSTR psz);
  int Delete(int nIndex, int nCount = 1);
  int Remove(char ch);
  int Replace(char chOld, char chNew);
  int Replace(LPCSTR pszOld, LPCSTR pszNew);
  void TrimLeft();
  void TrimLeft(char chTarget);
  void TrimLeft(LPCSTR pszTargets);
  void TrimRight();
  void TrimRight(char chTarget);
  void TrimRight(LPCSTR pszTargets);
  void Trim();

  // printf-style formatting; replaces the text.
  void Format(LPCSTR pszFormat, ...) __attribute__((format(printf, 2, 3)));
  void FormatV(LPCSTR pszFormat, va_list args);

  // Direct buffer access: GetBuffer gives a writable buffer of at least
  // nMinBufLength bytes plus a terminator; ReleaseBuffer(-1) takes the length
  // up to the first NUL, ReleaseBuffer(n) exactly n bytes.
  LPSTR GetBuffer(int nMinBufLength);
  LPSTR GetBufferSetLength(int nNewLength);
  void ReleaseBuffer(int nNewLength = -1);

  // Loads the string registered under nID in the string table (message.h).
  BOOL LoadString(UINT nID);

 private:
  std::string m_str;
};

// The friend operators defined in string.cpp, declared again to be exported:
// a friend declaration does not take the class's visibility, and without this
// a host linking the shared library could not concatenate or compare texts.
KELM_EXPORT CString operator+(const CString& a, const CString& b);
KELM_EXPORT CString operator+(const CString& a, LPCSTR b);
KELM_EXPORT CString operator+(LPCSTR a, const CString& b);
KELM_EXPORT CString operator+(const CString& a, char ch);
KELM_EXPORT CString operator+(char ch, const CString& b);
KELM_EXPORT bool operator==(const CString& a, LPCSTR b);

inline bool operator==(LPCSTR a, const CString& b) { return b == a; }
inline bool operator!=(const CString& a, const CString& b) { return !(a == b); }
inline bool operator!=(const CString& a, LPCSTR b) { return !(a == b); }
inline bool operator!=(LPCSTR a, const CString& b) { return !(b == a); }
