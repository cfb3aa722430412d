#include "strokes/stroke.h"

#include "strokes/stroke_keys.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <type_traits>

namespace {

using namespace stroke_keys;

// Merit packets carry each key byte with its bit order reversed.
constexpr std::array<BYTE, 256> reversed_bits = [] {
  std::array<BYTE, 256> table{};
  for (int b = 0; b < 256; ++b)
    for (int i = 0; i < 8; ++i)
      if (b & (1 << i)) table[b] |= static_cast<BYTE>(0x80 >> i);
  return table;
}();

constexpr UINT english_vowels = bit(vowel_a) | bit(vowel_o) | bit(vowel_e) | bit(vowel_u);
constexpr UINT english_left = bits(mark, left_r);
constexpr UINT english_right = bits(right_f, right_z);

// Grandjean letters on the same positions: "*" R N L Y close the left bank
// (8-12), O E A U I are the vowels (13-17).
constexpr int grandjean_asterisk = 8;
constexpr UINT grandjean_left = bits(mark, 12);
constexpr UINT grandjean_vowels = bits(13, 17);
constexpr UINT grandjean_short_vowels = bits(14, 17);  // E A U I: O takes no part

constexpr char hex_digits[] = "0123456789ABCDEF";

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// CArchive moves at most a UINT of bytes per call.
constexpr INT_PTR max_records_per_call = INT_PTR{1} << 28;

}  // namespace

CStroke::CStroke(const BYTE* keys) { SetFlash(keys); }

CStroke::CStroke(const CString& text, int grandjean) { SetString(text, grandjean); }

int CStroke::operator==(const CStroke& other) const {
  return std::memcmp(m_keys, other.m_keys, sizeof m_keys) == 0;
}

int CStroke::operator!=(const CStroke& other) const { return !(*this == other); }

void CStroke::Empty() { std::memset(m_keys, 0, sizeof m_keys); }

int CStroke::IsEmpty() const { return ordered(m_keys) == 0; }

int CStroke::GetKey(int position) const {
  if (position < 0 || position >= position_count) return 0;
  return (ordered(m_keys) & bit(position)) != 0;
}

void CStroke::SetKey(int position, int on) {
  if (position < 0 || position >= position_count) return;
  const UINT keys = ordered(m_keys);
  store_ordered(m_keys, (on & 1) ? keys | bit(position) : keys & ~bit(position));
}

int CStroke::GetMark() const { return GetKey(mark); }
void CStroke::SetMark(int on) { SetKey(mark, on); }
int CStroke::GetNumberBar() const { return GetKey(number_bar); }
void CStroke::SetNumberBar(int on) { SetKey(number_bar, on); }
int CStroke::GetLS() const { return GetKey(left_s); }
void CStroke::SetLS(int on) { SetKey(left_s, on); }
int CStroke::GetLT() const { return GetKey(left_t); }
void CStroke::SetLT(int on) { SetKey(left_t, on); }
int CStroke::GetLK() const { return GetKey(left_k); }
void CStroke::SetLK(int on) { SetKey(left_k, on); }
int CStroke::GetLP() const { return GetKey(left_p); }
void CStroke::SetLP(int on) { SetKey(left_p, on); }
int CStroke::GetLW() const { return GetKey(left_w); }
void CStroke::SetLW(int on) { SetKey(left_w, on); }
int CStroke::GetLH() const { return GetKey(left_h); }
void CStroke::SetLH(int on) { SetKey(left_h, on); }
int CStroke::GetLR() const { return GetKey(left_r); }
void CStroke::SetLR(int on) { SetKey(left_r, on); }
int CStroke::GetA() const { return GetKey(vowel_a); }
void CStroke::SetA(int on) { SetKey(vowel_a, on); }
int CStroke::GetO() const { return GetKey(vowel_o); }
void CStroke::SetO(int on) { SetKey(vowel_o, on); }
int CStroke::GetAsterisk() const { return GetKey(asterisk); }
void CStroke::SetAsterisk(int on) { SetKey(asterisk, on); }
int CStroke::GetE() const { return GetKey(vowel_e); }
void CStroke::SetE(int on) { SetKey(vowel_e, on); }
int CStroke::GetU() const { return GetKey(vowel_u); }
void CStroke::SetU(int on) { SetKey(vowel_u, on); }
int CStroke::GetRF() const { return GetKey(right_f); }
void CStroke::SetRF(int on) { SetKey(right_f, on); }
int CStroke::GetRR() const { return GetKey(right_r); }
void CStroke::SetRR(int on) { SetKey(right_r, on); }
int CStroke::GetRP() const { return GetKey(right_p); }
void CStroke::SetRP(int on) { SetKey(right_p, on); }
int CStroke::GetRB() const { return GetKey(right_b); }
void CStroke::SetRB(int on) { SetKey(right_b, on); }
int CStroke::GetRL() const { return GetKey(right_l); }
void CStroke::SetRL(int on) { SetKey(right_l, on); }
int CStroke::GetRG() const { return GetKey(right_g); }
void CStroke::SetRG(int on) { SetKey(right_g, on); }
int CStroke::GetRT() const { return GetKey(right_t); }
void CStroke::SetRT(int on) { SetKey(right_t, on); }
int CStroke::GetRS() const { return GetKey(right_s); }
void CStroke::SetRS(int on) { SetKey(right_s, on); }
int CStroke::GetRD() const { return GetKey(right_d); }
void CStroke::SetRD(int on) { SetKey(right_d, on); }
int CStroke::GetRZ() const { return GetKey(right_z); }
void CStroke::SetRZ(int on) { SetKey(right_z, on); }

UINT CStroke::GetUINT() const {
  return static_cast<UINT>(m_keys[0]) | static_cast<UINT>(m_keys[1]) << 8 |
         static_cast<UINT>(m_keys[2]) << 16;
}

void CStroke::SetUINT(UINT keys) {
  m_keys[0] = static_cast<BYTE>(keys);
  m_keys[1] = static_cast<BYTE>(keys >> 8);
  m_keys[2] = static_cast<BYTE>(keys >> 16);
}

CString CStroke::GetStrHex() const {
  if (IsEmpty()) return CString();
  char text[6];
  for (int i = 0; i < 3; ++i) {
    text[2 * i] = hex_digits[m_keys[i] >> 4];
    text[2 * i + 1] = hex_digits[m_keys[i] & 0x0F];
  }
  return CString(text, 6);
}

void CStroke::SetStrHex(const CString& text) {
  // Digits shift in from the right and only 24 bits are kept, so a text of
  // more than six digits stores its last six and can never overflow.
  UINT value = 0;
  for (char c : text.View()) {
    const int digit = hex_value(c);
    if (digit < 0) break;
    value = (value << 4 | static_cast<UINT>(digit)) & all_keys;
  }
  store_ordered(m_keys, value);
}

void CStroke::SetStentura(const BYTE* packet) {
  // Six key bits per byte; the two high bits are the writer's markers.
  store_ordered(m_keys, static_cast<UINT>(packet[0] & 0x3F) << 18 |
                            static_cast<UINT>(packet[1] & 0x3F) << 12 |
                            static_cast<UINT>(packet[2] & 0x3F) << 6 | (packet[3] & 0x3F));
}

// No host needs a Stentura packet back from a stroke; the buffer is left as
// it was.
void CStroke::GetStentura(BYTE*) const {}

// The Sten8000 packet is key order from S- on, with the number bar and the
// mark moved to the two lowest bits.
void CStroke::SetSten8000(const BYTE* packet) {
  const UINT value = ordered(packet);
  UINT keys = value >> 2;
  if (value & 0x02) keys |= bit(number_bar);
  if (value & 0x01) keys |= bit(mark);
  store_ordered(m_keys, keys);
}

void CStroke::GetSten8000(BYTE* packet) const {
  const UINT keys = ordered(m_keys);
  UINT value = (keys << 2) & all_keys;
  if (keys & bit(number_bar)) value |= 0x02;
  if (keys & bit(mark)) value |= 0x01;
  store_ordered(packet, value);
}

BYTE CStroke::GetSten8000Byte(int index) const {
  if (index < 0 || index > 2) return 0;
  BYTE packet[3];
  GetSten8000(packet);
  return packet[index];
}

void CStroke::SetBaron(const BYTE* packet) {
  m_keys[0] = packet[2];
  m_keys[1] = packet[1];
  m_keys[2] = packet[0];
}

void CStroke::SetFlash(const BYTE* packet) { std::memcpy(m_keys, packet, sizeof m_keys); }

void CStroke::SetXScribe(const BYTE* packet) { SetFlash(packet); }

void CStroke::SetMerit(const BYTE* packet) {
  for (int i = 0; i < 3; ++i) m_keys[i] = reversed_bits[packet[i + 1]];
}

int CStroke::HasShortVowel(int grandjean) const {
  const UINT keys = ordered(m_keys);
  if (grandjean) return std::popcount(keys & grandjean_short_vowels) == 1;
  const UINT vowels = keys & english_vowels;
  return std::popcount(vowels) == 1 || vowels == (bit(vowel_e) | bit(vowel_u));
}

int CStroke::HasLongVowel(int grandjean) const {
  if ((ordered(m_keys) & (grandjean ? grandjean_vowels : english_vowels)) == 0) return 0;
  return !HasShortVowel(grandjean);
}

int CStroke::HasLeftConsonant(int grandjean) const {
  return (ordered(m_keys) & (grandjean ? grandjean_left : english_left)) != 0;
}

int CStroke::HasRightConsonant(int grandjean) const {
  // Grandjean callers get the raw bits of positions 18-23 and test them for
  // nonzero only; the value itself is kept as they have always seen it.
  if (grandjean) return m_keys[2] & 0x3F;
  return (ordered(m_keys) & english_right) != 0;
}

int CStroke::HasAsterisk(int grandjean) const {
  return GetKey(grandjean ? grandjean_asterisk : asterisk);
}

int CStroke::GetLeftCount(int withAsterisk, int withVowels) const {
  const UINT keys = ordered(m_keys);
  UINT counted = english_left;
  if (withVowels) counted |= bit(vowel_a) | bit(vowel_o);
  if (withAsterisk) counted |= bit(asterisk);
  return std::popcount(keys & counted);
}

int CStroke::GetRightCount(int withoutE, int withVowels) const {
  const UINT keys = ordered(m_keys);
  UINT counted = english_right;
  if (withVowels) {
    counted |= bit(vowel_u);
    if (!withoutE) counted |= bit(vowel_e);
  }
  return std::popcount(keys & counted);
}

void CStroke::GetBeginning(CStroke& out, int grandjean) const {
  store_ordered(out.m_keys, ordered(m_keys) & (grandjean ? grandjean_left : english_left));
}

void CStroke::GetEnding(CStroke& out, int grandjean) const {
  // The complement of GetBeginning on either keyboard.
  store_ordered(out.m_keys,
                ordered(m_keys) & ~(grandjean ? grandjean_left : english_left) & all_keys);
}

int CStroke::ContainsPartial(const CStroke& other) const {
  const UINT others = ordered(other.m_keys);
  return (ordered(m_keys) & others) == others;
}

void CStroke::Invert() { store_ordered(m_keys, ~ordered(m_keys) & all_keys); }

void SerializeElements(CArchive& ar, CStroke* pElements, INT_PTR nCount) {
  // In memory a stroke already is its archive record (three key bytes, the
  // reserved byte, the 32-bit little-endian time stamp), so a whole outline
  // moves as one block, at the speed of a memory copy.
  static_assert(std::endian::native == std::endian::little, "strokes are archived as they lie");
  static_assert(offsetof(CStroke, m_reserved) == 3 && offsetof(CStroke, m_time) == 4);
  static_assert(sizeof(CTime) == 4 && std::is_trivially_copyable_v<CStroke>);
  for (INT_PTR done = 0; done < nCount;) {
    const INT_PTR n = std::min<INT_PTR>(nCount - done, max_records_per_call);
    const auto n_bytes = static_cast<UINT>(n * sizeof(CStroke));
    if (ar.IsStoring()) {
      ar.Write(pElements + done, n_bytes);
    } else {
      if (ar.Read(pElements + done, n_bytes) != n_bytes)
        AfxThrowArchiveException(CArchiveException::endOfFile);
      // The reserved byte is ignored on reading; keep it 0 so that what is
      // written later is a clean record again.
      for (INT_PTR i = done; i < done + n; ++i) pElements[i].m_reserved = 0;
    }
    done += n;
  }
}
