// COleVariant: a value of one of a few OLE types, as DAO hands out field
// values and bookmarks. A variant is a value: copies are independent.
//
// Unlike Windows, text (VT_BSTR) is the library's 8-bit text, not UTF-16,
// and a byte array (VT_ARRAY | VT_UI1, as a bookmark is) is held by the
// variant rather than in a SAFEARRAY; GetText and GetBytes read them.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "platform/export.h"
#include "platform/string.h"
#include "platform/types.h"

using VARTYPE = unsigned short;

inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_NULL = 1;
inline constexpr VARTYPE VT_I2 = 2;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_R4 = 4;
inline constexpr VARTYPE VT_R8 = 5;
inline constexpr VARTYPE VT_DATE = 7;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_BOOL = 11;
inline constexpr VARTYPE VT_UI1 = 17;
inline constexpr VARTYPE VT_I8 = 20;
inline constexpr VARTYPE VT_ARRAY = 0x2000;
// MFC's marker for 8-bit text given to a constructor; the text is the same.
inline constexpr VARTYPE VT_BSTRT = VT_BSTR;

class KELM_EXPORT COleVariant {
 public:
  COleVariant() = default;
  COleVariant(LPCTSTR lpszSrc, VARTYPE vtSrc = VT_BSTR);  // NOLINT: converts, as MFC's does
  COleVariant(const CString& strSrc);                     // NOLINT: as MFC
  COleVariant(BYTE nSrc);                                 // NOLINT: as MFC
  COleVariant(short nSrc, VARTYPE vtSrc = VT_I2);         // NOLINT: as MFC
  COleVariant(LONG lSrc, VARTYPE vtSrc = VT_I4);          // NOLINT: as MFC
  COleVariant(LONGLONG nSrc);                             // NOLINT: as MFC
  COleVariant(float fltSrc);                              // NOLINT: as MFC
  COleVariant(double dblSrc);                             // NOLINT: as MFC
  // A byte array (VT_ARRAY | VT_UI1) holding a copy of the bytes.
  explicit COleVariant(std::span<const BYTE> bytes);

  // Back to VT_EMPTY.
  void Clear();

  // The text of a VT_BSTR, else "".
  CString GetText() const;
  // The bytes of a byte array, else none.
  std::span<const BYTE> GetBytes() const;

  // Same type and same value.
  bool operator==(const COleVariant& other) const;
  bool operator!=(const COleVariant& other) const { return !(*this == other); }

  VARTYPE vt = VT_EMPTY;
  union {
    BYTE bVal;
    short iVal;
    LONG lVal;
    LONGLONG llVal = 0;
    float fltVal;
    double dblVal;
    short boolVal;
    double date;
  };

 private:
  // The text or the bytes.
  std::string m_data;
};
