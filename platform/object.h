// CObject: the common base of the library's serialisable classes, with the
// run-time class record and diagnostics hooks that MFC code expects.
#pragma once

#include "platform/export.h"
#include "platform/types.h"

class CArchive;
class CObject;

// Identifies a class at run time. Only the name, size and base are kept: the
// library creates no objects by class name.
struct KELM_EXPORT CRuntimeClass {
  LPCSTR m_lpszClassName;
  int m_nObjectSize;
  const CRuntimeClass* m_pBaseClass;

  BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
};

// Diagnostic output target of Dump(); writes to standard error.
class KELM_EXPORT CDumpContext {
 public:
  CDumpContext& operator<<(LPCSTR text);
  CDumpContext& operator<<(int value);
};

class KELM_EXPORT CObject {
 public:
  static const CRuntimeClass classCObject;

  virtual ~CObject() = default;
  virtual const CRuntimeClass* GetRuntimeClass() const;
  BOOL IsKindOf(const CRuntimeClass* pClass) const;
  BOOL IsSerializable() const;
  virtual void Serialize(CArchive& ar);
  virtual void AssertValid() const;
  virtual void Dump(CDumpContext& dc) const;

 protected:
  CObject() = default;
  CObject(const CObject&) = default;
  CObject& operator=(const CObject&) = default;
};
