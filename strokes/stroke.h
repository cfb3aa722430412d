// CStroke: one steno stroke, the set of the 24 keys that were down together
// (22 letter keys, the number bar and the mark) plus a time stamp.
//
// The keys are three bytes in key order: position 0 (the mark) is bit 7 of
// byte 0, position 23 (-Z) is bit 0 of byte 2. Every one of the 2^24 patterns
// is a valid stroke. A stroke does not know its keyboard: operations whose
// meaning differs on the French Grandjean keyboard take a `grandjean` flag
// (nonzero for Grandjean).
//
// A plain 8-byte value (keys, a reserved byte, 32-bit time stamp) that arrays
// hold inline; nothing here allocates except the CString results.
#pragma once

#include "platform/archive.h"
#include "platform/export.h"
#include "platform/string.h"
#include "platform/time.h"
#include "platform/types.h"

#include <string_view>

class KELM_EXPORT CStroke {
 public:
  // The keys as three bytes (GetKeyBytes), the form outlines are packed in.
  static constexpr int PackedSize = 3;
  // The keys in position order on the English keyboard and on the Grandjean
  // one, one letter a position: the mark, the number bar, then the letter keys.
  static constexpr char szKeyOrder[] = "@#STKPWHRAO*EUFRPBLGTSDZ";
  static constexpr char szGrandjeanKeyOrder[] = "@ SKPMTF*RNLYOEAUILNSDC ";
  // The position of the asterisk, the key that alone takes back a stroke.
  static constexpr int AsteriskPosition(int grandjean) { return grandjean ? 8 : 11; }

  CStroke() = default;
  // Keys from three bytes in the internal layout (as SetFlash).
  explicit CStroke(const BYTE* keys);
  // Keys from the plain notation (as SetString; its result is dropped).
  CStroke(const CString& text, int grandjean);

  // Keys only: time stamps are ignored. Results are 1 or 0.
  int operator==(const CStroke& other) const;
  int operator!=(const CStroke& other) const;

  void Empty();         // clears the keys; the time stamp stays
  int IsEmpty() const;  // 1 when no key is down (the mark counts as a key)

  // One pair per key position. Getters give 0 or 1; setters store the lowest
  // bit of their argument into that key alone (SetLS(2) clears S-).
  int GetMark() const;
  void SetMark(int on);
  int GetNumberBar() const;
  void SetNumberBar(int on);
  int GetLS() const;
  void SetLS(int on);
  int GetLT() const;
  void SetLT(int on);
  int GetLK() const;
  void SetLK(int on);
  int GetLP() const;
  void SetLP(int on);
  int GetLW() const;
  void SetLW(int on);
  int GetLH() const;
  void SetLH(int on);
  int GetLR() const;
  void SetLR(int on);
  int GetA() const;
  void SetA(int on);
  int GetO() const;
  void SetO(int on);
  int GetAsterisk() const;
  void SetAsterisk(int on);
  int GetE() const;
  void SetE(int on);
  int GetU() const;
  void SetU(int on);
  int GetRF() const;
  void SetRF(int on);
  int GetRR() const;
  void SetRR(int on);
  int GetRP() const;
  void SetRP(int on);
  int GetRB() const;
  void SetRB(int on);
  int GetRL() const;
  void SetRL(int on);
  int GetRG() const;
  void SetRG(int on);
  int GetRT() const;
  void SetRT(int on);
  int GetRS() const;
  void SetRS(int on);
  int GetRD() const;
  void SetRD(int on);
  int GetRZ() const;
  void SetRZ(int on);

  // Position 0..23 of the key order; the getters and setters above in one.
  int GetKey(int position) const;
  void SetKey(int position, int on);

  // Byte 0 in bits 0-7, byte 1 in bits 8-15, byte 2 in bits 16-23.
  UINT GetUINT() const;
  void SetUINT(UINT keys);
  // Six uppercase hex digits, byte 0 first; "" for the empty stroke.
  CString GetStrHex() const;
  // Reads a hex number (stopping at the first non-hex character) into the
  // keys; of a longer number only the last six digits count. The time stamp
  // is not touched.
  void SetStrHex(const CString& text);

  void SetTimeStamp(CTime time) { m_time = time; }
  CTime GetTimeStamp() const { return m_time; }

  // Writer packets. The setters replace the keys and leave the time stamp.
  void SetStentura(const BYTE* packet);  // 4 bytes, 6 key bits each
  void GetStentura(BYTE* packet) const;  // has no effect
  void SetSten8000(const BYTE* packet);  // 3 bytes
  void GetSten8000(BYTE* packet) const;  // 3 bytes
  BYTE GetSten8000Byte(int index) const;
  void SetBaron(const BYTE* packet);    // 3 bytes
  void SetFlash(const BYTE* packet);    // 3 bytes, the internal layout
  void SetXScribe(const BYTE* packet);  // 3 bytes, as Flash
  void SetMerit(const BYTE* packet);    // 4 bytes, byte 0 ignored

  // Analyses.
  int HasShortVowel(int grandjean) const;
  int HasLongVowel(int grandjean) const;
  int HasLeftConsonant(int grandjean) const;
  // Grandjean: the six bits of positions 18-23 as they stand, not 1.
  int HasRightConsonant(int grandjean) const;
  int HasAsterisk(int grandjean) const;
  int GetLeftCount(int withAsterisk, int withVowels) const;
  int GetRightCount(int withoutE, int withVowels) const;
  void GetBeginning(CStroke& out, int grandjean) const;
  void GetEnding(CStroke& out, int grandjean) const;
  // 1 when every key of `other` is down in this stroke.
  int ContainsPartial(const CStroke& other) const;
  void Invert();  // toggles all 24 keys; the time stamp stays

  // Text notations (stroke_notations.cpp). Readers clear the keys, read the
  // whole text, and return 0, or the position of the first offending
  // character: its index for a repeated key, its index + 1 for a character
  // the notation does not accept.
  CString GetStrCompressed(int grandjean) const;
  CString GetStrSpaced(int grandjean) const;
  CString GetStrRtf(int grandjean) const;
  int SetString(const CString& text, int grandjean);
  int SetRtf(const CString& text, int grandjean);
  // SetRtf for a reader of many strokes: the keys go to `keys` (PackedSize
  // bytes, the layout of GetKeyBytes), and no stroke or CString is made.
  static int ReadRtf(std::string_view text, int grandjean, BYTE* keys);
  int SetBriscaString(const CString& text);
  void RemoveLastChar(int grandjean);
  int GetLetters(const CString& text, int grandjean) const;
  void SetLetters(const CString& text, int on, int grandjean);

  // The three key bytes in the internal layout.
  const BYTE* GetKeyBytes() const { return m_keys; }

 private:
  friend void SerializeElements(CArchive& ar, CStroke* pElements, INT_PTR nCount);
  BYTE m_keys[3] = {0, 0, 0};
  BYTE m_reserved = 0;
  CTime m_time;
};

static_assert(sizeof(CStroke) == 8, "a stroke is held inline as 8 bytes");

// The archive record of a stroke: 3 key bytes, a reserved 0, the time stamp
// as 32-bit little-endian seconds.
KELM_EXPORT void SerializeElements(CArchive& ar, CStroke* pElements, INT_PTR nCount);
constexpr INT_PTR ArchivedElementSize(const CStroke*) { return 8; }
