#include "platform/object.h"

#include <cstdio>

const CRuntimeClass CObject::classCObject = {"CObject", sizeof(CObject), nullptr};

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const {
  if (pBaseClass == nullptr) return FALSE;
  for (const CRuntimeClass* pClass = this; pClass != nullptr; pClass = pClass->m_pBaseClass) {
    if (pClass == pBaseClass) return TRUE;
  }
  return FALSE;
}

CDumpContext& CDumpContext::operator<<(LPCSTR text) {
  std::fputs(text == nullptr ? "(null)" : text, stderr);
  return *this;
}

CDumpContext& CDumpContext::operator<<(int value) {
  std::fprintf(stderr, "%d", value);
  return *this;
}

const CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const {
  return GetRuntimeClass()->IsDerivedFrom(pClass);
}

// Serializable in MFC's sense means creatable from an archive by class name
// and schema, which this layer does not offer; objects still serialise
// themselves through Serialize.
BOOL CObject::IsSerializable() const { return FALSE; }

void CObject::Serialize(CArchive&) {}

void CObject::AssertValid() const {}

void CObject::Dump(CDumpContext& dc) const {
  dc << "a " << GetRuntimeClass()->m_lpszClassName << "\n";
}
