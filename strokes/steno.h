// CSteno: a steno outline, the ordered strokes that an entry or a word was
// written with, as a growable array of CStroke values (index 0 first).
//
// Text forms join the strokes' notations with "/"; strokes with no key down
// are left out of them. The outline owns its strokes and copies them on copy.
// Indices: operator[] asserts its index in debug builds; InsertAt and
// RemoveAt with an index outside the outline do nothing.
#pragma once

#include "platform/array.h"
#include "platform/export.h"
#include "platform/string.h"
#include "platform/time.h"
#include "strokes/stroke.h"

#include <cstddef>
#include <string>
#include <string_view>

class KELM_EXPORT CSteno : public CArray<CStroke, CStroke&> {
 public:
  CSteno() = default;
  // `count` all-zero strokes; growBy is stored unless it is -1.
  CSteno(int count, int growBy);
  CSteno(const CSteno& other) = default;
  CSteno& operator=(const CSteno& other) = default;
  explicit CSteno(const CStroke& stroke);
  // SetString(text, grandjean); its result is dropped.
  CSteno(const CString& text, int grandjean);

  // Same count and same keys stroke by stroke; time stamps are ignored.
  int operator==(const CSteno& other) const;
  int operator!=(const CSteno& other) const;

  int GetStrokeCount() const { return static_cast<int>(m_nSize); }
  int IsEmpty() const { return m_nSize == 0; }
  void Empty() { RemoveAll(); }

  CStroke& operator[](int index);
  const CStroke& operator[](int index) const;

  void SetSize(int newCount, int growBy);
  void Append(const CStroke& stroke);
  void Append(const CSteno& other);
  void InsertAt(int index, const CStroke& stroke, int n);
  void InsertAt(int index, const CSteno& other);
  void RemoveAt(int index, int n);
  void RemoveHead(long n);
  void RemoveTail(long n);

  CString GetStrDisplay(int grandjean) const;
  CString GetStrRtf(int grandjean) const;
  // Replace the outline by the strokes read from the text. 0, or the offset
  // of the failing stroke's text plus that stroke reader's result; the
  // strokes read up to and including the failing one stay.
  int SetString(const CString& text, int grandjean);
  int SetRtf(const CString& text, int grandjean);
  // SetRtf for a reader of many outlines: the strokes SetRtf would keep go
  // to `keys` as packed keys (CStroke::PackedSize bytes each, as
  // GetKeyBytes), replacing what it held, and no outline or CString is
  // made, so that a string used again costs no allocation. SetRtf's result.
  static int ReadRtfKeys(std::string_view text, int grandjean, std::string& keys);
  // ReadRtfKeys's common case, for a reader that meets an outline before it
  // knows where it ends: English strokes written in steno key order (capital
  // or small key letters, each naming a key after the last one named, a
  // hyphen at most before the right bank), one slash between them, read from
  // `text` on until a character that is neither such a letter nor a slash,
  // which the text must hold (a C string's NUL is one), and where `stop` is
  // left. Their packed keys go to `keys`, at most `room` bytes. The number of
  // bytes written, when no stroke is empty or out of key order and they fit;
  // then ReadRtfKeys reads the text up to `stop` to those keys, with result
  // 0. Else 0, and ReadRtfKeys has to read the outline.
  static std::size_t ReadRtfKeysInKeyOrder(const char* text, const char*& stop, BYTE* keys,
                                           std::size_t room);
  int SetBriscaString(const CString& text);
  CString GetStrHex() const;
  void SetStrHex(const CString& text);
  // 3 bytes per stroke into buffer, which holds 3 * GetStrokeCount().
  void GetSten8000(BYTE* buffer) const;
  // The first stroke's time stamp; 0 for an empty outline.
  CTime GetTimeStamp() const;

  // Tag keys of the last stroke: G = -G, R = -R, S = -S, D = -D, Z = -Z.
  int GetTagG() const;
  int GetTagR() const;
  int GetTagS() const;
  int GetTagD() const;
  int GetTagZ() const;
  void SetTagG(int on);
  void SetTagR(int on);
  void SetTagS(int on);
  void SetTagD(int on);
  void SetTagZ(int on);
  int GetLastT() const;
  // Index of the last stroke with any key down; -1 when there is none.
  int GetLastUsedPos() const;
  // Cuts the last character of the last stroke's plain notation, removing
  // the stroke when it becomes empty.
  void RemoveLastChar(int grandjean);
};
