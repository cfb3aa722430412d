#include "platform/string.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/ascii.h"

namespace {

// The C library's isspace follows the locale; the library's text is
// Windows-1252 and its white space is ASCII only, so this never looks at
// bytes above 127.
bool is_ascii_space(char ch) {
  return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

std::string_view as_view(LPCSTR psz) { return psz == nullptr ? std::string_view() : psz; }

// strcmp's sign: bytes compare as unsigned, a prefix sorts first.
int compare_bytes(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int found_at(size_t pos) { return pos == std::string::npos ? -1 : static_cast<int>(pos); }

int clamp_to_length(int n, size_t length) {
  if (n < 0) return 0;
  return static_cast<size_t>(n) > length ? static_cast<int>(length) : n;
}

}  // namespace

CString::CString(LPCSTR psz) : m_str(as_view(psz)) {}

CString::CString(const unsigned char* psz) : CString(reinterpret_cast<LPCSTR>(psz)) {}

CString::CString(LPCSTR pch, int nLength) {
  if (pch != nullptr && nLength > 0) m_str.assign(pch, static_cast<size_t>(nLength));
}

CString::CString(char ch, int nRepeat) {
  if (nRepeat > 0) m_str.assign(static_cast<size_t>(nRepeat), ch);
}

CString::CString(std::string_view text) : m_str(text) {}

CString& CString::operator=(LPCSTR psz) {
  // psz may point into this string's own text.
  m_str = std::string(as_view(psz));
  return *this;
}

CString& CString::operator=(char ch) {
  m_str.assign(1, ch);
  return *this;
}

char CString::GetAt(int nIndex) const {
  if (nIndex < 0 || nIndex >= GetLength()) return '\0';
  return m_str[static_cast<size_t>(nIndex)];
}

void CString::SetAt(int nIndex, char ch) {
  if (nIndex < 0 || nIndex >= GetLength()) return;
  m_str[static_cast<size_t>(nIndex)] = ch;
}

CString& CString::operator+=(const CString& str) {
  m_str += str.m_str;
  return *this;
}

CString& CString::operator+=(LPCSTR psz) {
  m_str += std::string(as_view(psz));
  return *this;
}

CString& CString::operator+=(char ch) {
  m_str += ch;
  return *this;
}

CString operator+(const CString& a, const CString& b) {
  CString result(a);
  result += b;
  return result;
}

CString operator+(const CString& a, LPCSTR b) {
  CString result(a);
  result += b;
  return result;
}

CString operator+(LPCSTR a, const CString& b) {
  CString result(a);
  result += b;
  return result;
}

CString operator+(const CString& a, char ch) {
  CString result(a);
  result += ch;
  return result;
}

CString operator+(char ch, const CString& b) {
  CString result(ch);
  result += b;
  return result;
}

int CString::Compare(LPCSTR psz) const { return compare_bytes(m_str, as_view(psz)); }

int CString::CompareNoCase(LPCSTR psz) const {
  CString a(*this);
  CString b(psz);
  a.MakeLower();
  b.MakeLower();
  return compare_bytes(a.m_str, b.m_str);
}

bool operator==(const CString& a, LPCSTR b) { return a.View() == as_view(b); }

CString CString::Mid(int nFirst) const { return Mid(nFirst, GetLength()); }

CString CString::Mid(int nFirst, int nCount) const {
  const int first = clamp_to_length(nFirst, m_str.size());
  const int count = clamp_to_length(nCount, m_str.size() - static_cast<size_t>(first));
  return CString(
      std::string_view(m_str).substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Left(int nCount) const { return Mid(0, nCount); }

CString CString::Right(int nCount) const {
  const int count = clamp_to_length(nCount, m_str.size());
  return Mid(GetLength() - count, count);
}

CString CString::SpanIncluding(LPCSTR pszCharSet) const {
  const size_t end = m_str.find_first_not_of(as_view(pszCharSet));
  return CString(std::string_view(m_str).substr(0, end));
}

CString CString::SpanExcluding(LPCSTR pszCharSet) const {
  const size_t end = m_str.find_first_of(as_view(pszCharSet));
  return CString(std::string_view(m_str).substr(0, end));
}

int CString::Find(char ch, int nStart) const {
  if (nStart < 0 || nStart >= GetLength()) return -1;
  return found_at(m_str.find(ch, static_cast<size_t>(nStart)));
}

int CString::Find(LPCSTR pszSub, int nStart) const {
  if (pszSub == nullptr || nStart < 0 || nStart > GetLength()) return -1;
  return found_at(m_str.find(pszSub, static_cast<size_t>(nStart)));
}

int CString::ReverseFind(char ch) const { return found_at(m_str.rfind(ch)); }

int CString::FindOneOf(LPCSTR pszCharSet) const {
  return found_at(m_str.find_first_of(as_view(pszCharSet)));
}

void CString::MakeUpper() {
  std::transform(m_str.begin(), m_str.end(), m_str.begin(), KelmAsciiToUpper);
}

void CString::MakeLower() {
  std::transform(m_str.begin(), m_str.end(), m_str.begin(), KelmAsciiToLower);
}

void CString::MakeReverse() { std::reverse(m_str.begin(), m_str.end()); }

int CString::Insert(int nIndex, char ch) {
  m_str.insert(static_cast<size_t>(clamp_to_length(nIndex, m_str.size())), 1, ch);
  return GetLength();
}

int CString::Insert(int nIndex, LPCSTR psz) {
  // psz may point into this string's own text.
  const std::string text(as_view(psz));
  m_str.insert(static_cast<size_t>(clamp_to_length(nIndex, m_str.size())), text);
  return GetLength();
}

int CString::Delete(int nIndex, int nCount) {
  if (nIndex < 0) nIndex = 0;
  if (nIndex < GetLength() && nCount > 0)
    m_str.erase(static_cast<size_t>(nIndex), static_cast<size_t>(nCount));
  return GetLength();
}

int CString::Remove(char ch) {
  const size_t before = m_str.size();
  m_str.erase(std::remove(m_str.begin(), m_str.end(), ch), m_str.end());
  return static_cast<int>(before - m_str.size());
}

int CString::Replace(char chOld, char chNew) {
  if (chOld == chNew) return 0;
  int count = 0;
  for (char& ch : m_str) {
    if (ch == chOld) {
      ch = chNew;
      ++count;
    }
  }
  return count;
}

int CString::Replace(LPCSTR pszOld, LPCSTR pszNew) {
  const std::string old_text(as_view(pszOld));
  const std::string new_text(as_view(pszNew));
  if (old_text.empty()) return 0;
  std::string result;
  int count = 0;
  size_t from = 0;
  for (size_t at = m_str.find(old_text); at != std::string::npos; at = m_str.find(old_text, from)) {
    result.append(m_str, from, at - from);
    result += new_text;
    from = at + old_text.size();
    ++count;
  }
  if (count == 0) return 0;
  result.append(m_str, from);
  m_str = std::move(result);
  return count;
}

void CString::TrimLeft() {
  const auto first = std::find_if_not(m_str.begin(), m_str.end(), is_ascii_space);
  m_str.erase(m_str.begin(), first);
}

void CString::TrimLeft(char chTarget) { m_str.erase(0, m_str.find_first_not_of(chTarget)); }

void CString::TrimLeft(LPCSTR pszTargets) {
  m_str.erase(0, m_str.find_first_not_of(as_view(pszTargets)));
}

void CString::TrimRight() {
  const auto last = std::find_if_not(m_str.rbegin(), m_str.rend(), is_ascii_space);
  m_str.erase(last.base(), m_str.end());
}

void CString::TrimRight(char chTarget) {
  const size_t last = m_str.find_last_not_of(chTarget);
  m_str.erase(last == std::string::npos ? 0 : last + 1);
}

void CString::TrimRight(LPCSTR pszTargets) {
  const size_t last = m_str.find_last_not_of(as_view(pszTargets));
  m_str.erase(last == std::string::npos ? 0 : last + 1);
}

void CString::Trim() {
  TrimRight();
  TrimLeft();
}

void CString::Format(LPCSTR pszFormat, ...) {
  va_list args;
  va_start(args, pszFormat);
  FormatV(pszFormat, args);
  va_end(args);
}

void CString::FormatV(LPCSTR pszFormat, va_list args) {
  if (pszFormat == nullptr) {
    m_str.clear();
    return;
  }
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, pszFormat, measure);
  va_end(measure);
  if (length <= 0) {
    m_str.clear();
    return;
  }
  // Formatted into a separate buffer: an argument may be this string's text.
  std::string text(static_cast<size_t>(length), '\0');
  std::vsnprintf(text.data(), text.size() + 1, pszFormat, args);
  m_str = std::move(text);
}

LPSTR CString::GetBuffer(int nMinBufLength) {
  if (nMinBufLength > GetLength()) m_str.resize(static_cast<size_t>(nMinBufLength));
  return m_str.data();
}

LPSTR CString::GetBufferSetLength(int nNewLength) {
  m_str.resize(static_cast<size_t>(std::max(nNewLength, 0)));
  return m_str.data();
}

void CString::ReleaseBuffer(int nNewLength) {
  const size_t length = nNewLength < 0 ? strnlen(m_str.data(), m_str.size())
                                       : std::min(static_cast<size_t>(nNewLength), m_str.size());
  m_str.resize(length);
}
