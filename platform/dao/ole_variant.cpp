#include "platform/dao/ole_variant.h"

#include <cstring>

COleVariant::COleVariant(LPCTSTR lpszSrc, VARTYPE) : vt(VT_BSTR), llVal(0) {
  if (lpszSrc != nullptr) m_data = lpszSrc;
}

COleVariant::COleVariant(const CString& strSrc) : vt(VT_BSTR), llVal(0), m_data(strSrc.View()) {}

COleVariant::COleVariant(BYTE nSrc) : vt(VT_UI1), llVal(0) { bVal = nSrc; }

// MFC takes VT_BOOL here too, with any nonzero value meaning true.
COleVariant::COleVariant(short nSrc, VARTYPE vtSrc) : llVal(0) {
  if (vtSrc == VT_BOOL) {
    vt = VT_BOOL;
    boolVal = nSrc != 0 ? -1 : 0;
  } else {
    vt = VT_I2;
    iVal = nSrc;
  }
}

COleVariant::COleVariant(LONG lSrc, VARTYPE vtSrc) : llVal(0) {
  if (vtSrc == VT_BOOL) {
    vt = VT_BOOL;
    boolVal = lSrc != 0 ? -1 : 0;
  } else {
    vt = VT_I4;
    lVal = lSrc;
  }
}

COleVariant::COleVariant(LONGLONG nSrc) : vt(VT_I8), llVal(nSrc) {}

COleVariant::COleVariant(float fltSrc) : vt(VT_R4), llVal(0) { fltVal = fltSrc; }

COleVariant::COleVariant(double dblSrc) : vt(VT_R8), dblVal(dblSrc) {}

COleVariant::COleVariant(std::span<const BYTE> bytes)
    : vt(VT_ARRAY | VT_UI1),
      llVal(0),
      m_data(reinterpret_cast<const char*>(bytes.data()), bytes.size()) {}

void COleVariant::Clear() {
  vt = VT_EMPTY;
  llVal = 0;
  m_data.clear();
}

CString COleVariant::GetText() const {
  return vt == VT_BSTR ? CString(std::string_view(m_data)) : CString();
}

std::span<const BYTE> COleVariant::GetBytes() const {
  if (vt != (VT_ARRAY | VT_UI1)) return {};
  return {reinterpret_cast<const BYTE*>(m_data.data()), m_data.size()};
}

bool COleVariant::operator==(const COleVariant& other) const {
  if (vt != other.vt) return false;
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
      return true;
    case VT_UI1:
      return bVal == other.bVal;
    case VT_I2:
      return iVal == other.iVal;
    case VT_BOOL:
      return boolVal == other.boolVal;
    case VT_I4:
      return lVal == other.lVal;
    case VT_I8:
      return llVal == other.llVal;
    case VT_R4:
      return fltVal == other.fltVal;
    case VT_R8:
    case VT_DATE:
      return dblVal == other.dblVal;
    default:
      return m_data == other.m_data;
  }
}
