#include "strokes/steno.h"

#include "strokes/stroke_keys.h"
#include "strokes/stroke_notation_reader.h"

#include <cassert>
#include <string>
#include <string_view>

namespace {

using namespace stroke_keys;

constexpr int hex_group = 6;

int last_key(const CSteno& steno, int position) {
  const int count = steno.GetStrokeCount();
  return count == 0 ? 0 : steno[count - 1].GetKey(position);
}

void set_last_key(CSteno& steno, int position, int on) {
  const int count = steno.GetStrokeCount();
  if (count > 0) {
    steno[count - 1].SetKey(position, on);
  } else if (on != 0) {
    CStroke stroke;
    stroke.SetKey(position, 1);
    steno.Append(stroke);
  }
}

// Joins the notation of every stroke that has a key down; a stroke without
// keys leaves neither text nor a "/" behind.
template <class Write>
CString join(const CSteno& steno, Write write) {
  std::string text;
  for (int i = 0; i < steno.GetStrokeCount(); ++i) {
    const CStroke& stroke = steno[i];
    if (stroke.IsEmpty()) continue;
    if (!text.empty()) text += '/';
    text += write(stroke).View();
  }
  return CString(std::string_view(text));
}

// The strokes the notation's reader keeps replace the outline's.
int read_outline(CSteno& steno, const CString& text, stroke_notation::Notation notation,
                 int grandjean) {
  std::string keys;
  const int result = stroke_notation::ReadOutline(text.View(), notation, grandjean, keys);
  steno.Empty();
  for (size_t at = 0; at < keys.size(); at += CStroke::PackedSize)
    steno.Append(CStroke(reinterpret_cast<const BYTE*>(keys.data() + at)));
  return result;
}

}  // namespace

CSteno::CSteno(int count, int growBy) { SetSize(count, growBy); }

CSteno::CSteno(const CStroke& stroke) { Append(stroke); }

CSteno::CSteno(const CString& text, int grandjean) { SetString(text, grandjean); }

int CSteno::operator==(const CSteno& other) const {
  if (m_nSize != other.m_nSize) return 0;
  for (INT_PTR i = 0; i < m_nSize; ++i)
    if (m_pData[i] != other.m_pData[i]) return 0;
  return 1;
}

int CSteno::operator!=(const CSteno& other) const { return !(*this == other); }

CStroke& CSteno::operator[](int index) {
  assert(index >= 0 && index < m_nSize);
  return m_pData[index];
}

const CStroke& CSteno::operator[](int index) const {
  assert(index >= 0 && index < m_nSize);
  return m_pData[index];
}

void CSteno::SetSize(int newCount, int growBy) { CArray::SetSize(newCount, growBy); }

void CSteno::Append(const CStroke& stroke) {
  CStroke copy = stroke;
  Add(copy);
}

void CSteno::Append(const CSteno& other) { CArray::Append(other); }

void CSteno::InsertAt(int index, const CStroke& stroke, int n) {
  CStroke copy = stroke;
  CArray::InsertAt(index, copy, n);
}

void CSteno::InsertAt(int index, const CSteno& other) { CArray::InsertAt(index, &other); }

void CSteno::RemoveAt(int index, int n) { CArray::RemoveAt(index, n); }

void CSteno::RemoveHead(long n) {
  if (n >= m_nSize)
    RemoveAll();
  else if (n > 0)
    CArray::RemoveAt(0, n);
}

void CSteno::RemoveTail(long n) {
  if (n >= m_nSize)
    RemoveAll();
  else if (n > 0)
    CArray::RemoveAt(m_nSize - n, n);
}

CString CSteno::GetStrDisplay(int grandjean) const {
  return join(*this, [grandjean](const CStroke& s) { return s.GetStrCompressed(grandjean); });
}

CString CSteno::GetStrRtf(int grandjean) const {
  return join(*this, [grandjean](const CStroke& s) { return s.GetStrRtf(grandjean); });
}

int CSteno::SetString(const CString& text, int grandjean) {
  return read_outline(*this, text, stroke_notation::Notation::plain, grandjean);
}

int CSteno::SetRtf(const CString& text, int grandjean) {
  return read_outline(*this, text, stroke_notation::Notation::rtf, grandjean);
}

int CSteno::ReadRtfKeys(std::string_view text, int grandjean, std::string& keys) {
  return stroke_notation::ReadOutline(text, stroke_notation::Notation::rtf, grandjean, keys);
}

int CSteno::SetBriscaString(const CString& text) {
  return read_outline(*this, text, stroke_notation::Notation::brisca, 0);
}

CString CSteno::GetStrHex() const {
  std::string text;
  for (INT_PTR i = 0; i < m_nSize; ++i) text += m_pData[i].GetStrHex().View();
  return CString(std::string_view(text));
}

void CSteno::SetStrHex(const CString& text) {
  Empty();
  for (int start = 0; start < text.GetLength(); start += hex_group) {
    CStroke stroke;
    stroke.SetStrHex(text.Mid(start, hex_group));
    Append(stroke);
  }
}

void CSteno::GetSten8000(BYTE* buffer) const {
  for (INT_PTR i = 0; i < m_nSize; ++i) m_pData[i].GetSten8000(buffer + 3 * i);
}

CTime CSteno::GetTimeStamp() const { return m_nSize == 0 ? CTime() : m_pData[0].GetTimeStamp(); }

int CSteno::GetTagG() const { return last_key(*this, right_g); }
int CSteno::GetTagR() const { return last_key(*this, right_r); }
int CSteno::GetTagS() const { return last_key(*this, right_s); }
int CSteno::GetTagD() const { return last_key(*this, right_d); }
int CSteno::GetTagZ() const { return last_key(*this, right_z); }
void CSteno::SetTagG(int on) { set_last_key(*this, right_g, on); }
void CSteno::SetTagR(int on) { set_last_key(*this, right_r, on); }
void CSteno::SetTagS(int on) { set_last_key(*this, right_s, on); }
void CSteno::SetTagD(int on) { set_last_key(*this, right_d, on); }
void CSteno::SetTagZ(int on) { set_last_key(*this, right_z, on); }
int CSteno::GetLastT() const { return last_key(*this, right_t); }

int CSteno::GetLastUsedPos() const {
  for (INT_PTR i = m_nSize - 1; i >= 0; --i)
    if (!m_pData[i].IsEmpty()) return static_cast<int>(i);
  return -1;
}

void CSteno::RemoveLastChar(int grandjean) {
  if (m_nSize == 0) return;
  CStroke& last = m_pData[m_nSize - 1];
  last.RemoveLastChar(grandjean);
  if (last.IsEmpty()) CArray::RemoveAt(m_nSize - 1, 1);
}
