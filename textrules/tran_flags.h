// CTranFlags: the 16-bit flag word of a translation (a dictionary entry's
// text): Suffix, Prefix, CapitalizeNext, AttachLetters, AttachNumbers,
// DoubleLast, OrEnding and ProperName in the high byte. The low byte has no
// named flag and is carried unchanged by every operation.
//
// A plain value; the text rules take it by value.
#pragma once

#include "platform/export.h"
#include "platform/string.h"
#include "platform/types.h"

class KELM_EXPORT CTranFlags {
 public:
  CTranFlags() = default;
  CTranFlags(WORD word) : m_wFlags(word) {}  // NOLINT: hosts pass plain numbers
  CTranFlags& operator=(WORD word) {
    m_wFlags = word;
    return *this;
  }

  // All 16 bits. Results 1 or 0.
  int operator==(const CTranFlags& other) const { return m_wFlags == other.m_wFlags; }
  int operator!=(const CTranFlags& other) const { return m_wFlags != other.m_wFlags; }

  void Clear() { m_wFlags = 0; }
  // 1 when the word is 0 (low-byte bits count).
  int IsEmpty() const { return m_wFlags == 0; }
  // ORs the other word into this one; never clears a bit.
  void Add(CTranFlags other) { m_wFlags |= other.m_wFlags; }
  WORD GetUShort() const { return m_wFlags; }
  // The word as a signed 16-bit number: Suffix words are negative.
  int GetSigned() const { return static_cast<std::int16_t>(m_wFlags); }

  int GetSuffix() const { return Get(Suffix); }
  void SetSuffix(int on) { Set(Suffix, on); }
  int GetPrefix() const { return Get(Prefix); }
  void SetPrefix(int on) { Set(Prefix, on); }
  int GetCapitalizeNext() const { return Get(CapitalizeNext); }
  void SetCapitalizeNext(int on) { Set(CapitalizeNext, on); }
  int GetAttachLetters() const { return Get(AttachLetters); }
  void SetAttachLetters(int on) { Set(AttachLetters, on); }
  int GetAttachNumbers() const { return Get(AttachNumbers); }
  void SetAttachNumbers(int on) { Set(AttachNumbers, on); }
  int GetDoubleLast() const { return Get(DoubleLast); }
  void SetDoubleLast(int on) { Set(DoubleLast, on); }
  int GetOrEnding() const { return Get(OrEnding); }
  void SetOrEnding(int on) { Set(OrEnding, on); }
  int GetProperName() const { return Get(ProperName); }
  void SetProperName(int on) { Set(ProperName, on); }

  // The two-character codes of the set flags, in the order Prefix, Suffix,
  // CapitalizeNext, AttachLetters, AttachNumbers, DoubleLast, OrEnding,
  // ProperName: "P ", "S ", "C ", "L ", "N ", "D ", "Or", "Pr".
  CString GetStrDisplay() const;

  // The masks of the named flags.
  static constexpr WORD Suffix = 0x8000;
  static constexpr WORD Prefix = 0x4000;
  static constexpr WORD CapitalizeNext = 0x2000;
  static constexpr WORD AttachLetters = 0x1000;
  static constexpr WORD AttachNumbers = 0x0800;
  static constexpr WORD DoubleLast = 0x0400;
  static constexpr WORD OrEnding = 0x0200;
  static constexpr WORD ProperName = 0x0100;

 protected:
  // 1 when every bit of the mask is set.
  int Get(WORD mask) const { return (m_wFlags & mask) == mask; }
  void Set(WORD mask, int on) {
    m_wFlags = on ? static_cast<WORD>(m_wFlags | mask) : static_cast<WORD>(m_wFlags & ~mask);
  }

 private:
  WORD m_wFlags = 0;
};
