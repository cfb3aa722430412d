// CArray<TYPE, ARG_TYPE>: MFC's growable array of values, held contiguously.
//
// Growth follows MFC exactly, because callers rely on when storage moves: the
// step is the grow-by, or when that is 0, the current count / 8 clamped to
// 4..1024; the new capacity is the larger of the wanted count and capacity +
// step. New elements are value-initialised (all-zero for plain data).
//
// Unlike MFC, InsertAt and RemoveAt with an index outside the array do
// nothing instead of touching memory outside it; operator[] and GetAt assert
// their index in debug builds.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#include "platform/archive.h"
#include "platform/export.h"
#include "platform/object.h"
#include "platform/string.h"

// Archives n elements. The default writes and reads their bytes as they lie
// in memory, as MFC's does; a type with a portable layout of its own gives an
// overload of SerializeElements found by argument-dependent lookup.
template <class TYPE>
void SerializeElements(CArchive& ar, TYPE* pElements, INT_PTR nCount) {
  static_assert(std::is_trivially_copyable_v<TYPE>,
                "give this element type a SerializeElements overload");
  const auto nBytes = static_cast<UINT>(nCount * sizeof(TYPE));
  if (ar.IsStoring())
    ar.Write(pElements, nBytes);
  else if (ar.Read(pElements, nBytes) != nBytes)
    AfxThrowArchiveException(CArchiveException::endOfFile);
}

// Bytes that one element takes in an archive; a type whose overload of
// SerializeElements uses another layout gives an overload of this too.
template <class TYPE>
constexpr INT_PTR ArchivedElementSize(const TYPE*) {
  return sizeof(TYPE);
}

// Strings go one by one with their length prefix, as MFC's CStringArray
// writes them; the shortest prefix is one byte.
inline void SerializeElements(CArchive& ar, CString* pElements, INT_PTR nCount) {
  for (INT_PTR i = 0; i < nCount; ++i) {
    if (ar.IsStoring())
      ar << pElements[i];
    else
      ar >> pElements[i];
  }
}

constexpr INT_PTR ArchivedElementSize(const CString*) { return 1; }

template <class TYPE, class ARG_TYPE>
class CArray : public CObject {
 public:
  CArray() = default;
  CArray(const CArray& other) { Copy(other); }
  CArray& operator=(const CArray& other) {
    if (this != &other) Copy(other);
    return *this;
  }
  ~CArray() override { FreeAll(); }

  INT_PTR GetSize() const { return m_nSize; }
  INT_PTR GetCount() const { return m_nSize; }
  BOOL IsEmpty() const { return m_nSize == 0; }
  INT_PTR GetUpperBound() const { return m_nSize - 1; }

  void SetSize(INT_PTR nNewSize, INT_PTR nGrowBy = -1);
  void FreeExtra();
  void RemoveAll() { SetSize(0, -1); }

  const TYPE& GetAt(INT_PTR nIndex) const {
    assert(nIndex >= 0 && nIndex < m_nSize);
    return m_pData[nIndex];
  }
  TYPE& GetAt(INT_PTR nIndex) {
    assert(nIndex >= 0 && nIndex < m_nSize);
    return m_pData[nIndex];
  }
  void SetAt(INT_PTR nIndex, ARG_TYPE newElement) { GetAt(nIndex) = newElement; }
  TYPE& ElementAt(INT_PTR nIndex) { return GetAt(nIndex); }
  const TYPE* GetData() const { return m_pData; }
  TYPE* GetData() { return m_pData; }
  const TYPE& operator[](INT_PTR nIndex) const { return GetAt(nIndex); }
  TYPE& operator[](INT_PTR nIndex) { return GetAt(nIndex); }

  void SetAtGrow(INT_PTR nIndex, ARG_TYPE newElement);
  INT_PTR Add(ARG_TYPE newElement);
  INT_PTR Append(const CArray& src);
  void Copy(const CArray& src);

  void InsertAt(INT_PTR nIndex, ARG_TYPE newElement, INT_PTR nCount = 1);
  void InsertAt(INT_PTR nStartIndex, const CArray* pNewArray);
  void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1);

  void Serialize(CArchive& ar) override;

 protected:
  TYPE* m_pData = nullptr;
  INT_PTR m_nSize = 0;
  INT_PTR m_nMaxSize = 0;
  INT_PTR m_nGrowBy = 0;

 private:
  static TYPE* Allocate(INT_PTR n) {
    return static_cast<TYPE*>(::operator new (sizeof(TYPE) * n, std::align_val_t{alignof(TYPE)}));
  }
  static void Deallocate(TYPE* p) { ::operator delete (p, std::align_val_t{alignof(TYPE)}); }
  static void Construct(TYPE* p, INT_PTR n) {
    if constexpr (std::is_trivially_default_constructible_v<TYPE>)
      std::memset(static_cast<void*>(p), 0, sizeof(TYPE) * n);
    else
      std::uninitialized_value_construct_n(p, n);
  }
  void FreeAll() {
    std::destroy_n(m_pData, m_nSize);
    Deallocate(m_pData);
    m_pData = nullptr;
    m_nSize = m_nMaxSize = 0;
  }
  // Moves the elements [from, size) up by n slots; the gap is left constructed.
  void OpenGap(INT_PTR from, INT_PTR n);
};

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::SetSize(INT_PTR nNewSize, INT_PTR nGrowBy) {
  if (nGrowBy >= 0) m_nGrowBy = nGrowBy;
  if (nNewSize <= 0) {
    FreeAll();
    return;
  }
  if (m_pData == nullptr) {
    m_pData = Allocate(nNewSize);
    Construct(m_pData, nNewSize);
    m_nSize = m_nMaxSize = nNewSize;
    return;
  }
  if (nNewSize <= m_nMaxSize) {
    if (nNewSize > m_nSize)
      Construct(m_pData + m_nSize, nNewSize - m_nSize);
    else
      std::destroy_n(m_pData + nNewSize, m_nSize - nNewSize);
    m_nSize = nNewSize;
    return;
  }
  INT_PTR step = m_nGrowBy;
  if (step == 0) {
    step = m_nSize / 8;
    step = step < 4 ? 4 : (step > 1024 ? 1024 : step);
  }
  const INT_PTR nNewMax = nNewSize < m_nMaxSize + step ? m_nMaxSize + step : nNewSize;
  TYPE* pNew = Allocate(nNewMax);
  std::uninitialized_move_n(m_pData, m_nSize, pNew);
  Construct(pNew + m_nSize, nNewSize - m_nSize);
  std::destroy_n(m_pData, m_nSize);
  Deallocate(m_pData);
  m_pData = pNew;
  m_nSize = nNewSize;
  m_nMaxSize = nNewMax;
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::FreeExtra() {
  if (m_nSize == m_nMaxSize) return;
  if (m_nSize == 0) {
    FreeAll();
    return;
  }
  TYPE* pNew = Allocate(m_nSize);
  std::uninitialized_move_n(m_pData, m_nSize, pNew);
  std::destroy_n(m_pData, m_nSize);
  Deallocate(m_pData);
  m_pData = pNew;
  m_nMaxSize = m_nSize;
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::SetAtGrow(INT_PTR nIndex, ARG_TYPE newElement) {
  if (nIndex < 0) return;
  if (nIndex >= m_nSize) {
    TYPE copy = newElement;  // the argument may live in this array
    SetSize(nIndex + 1, -1);
    m_pData[nIndex] = std::move(copy);
    return;
  }
  m_pData[nIndex] = newElement;
}

template <class TYPE, class ARG_TYPE>
INT_PTR CArray<TYPE, ARG_TYPE>::Add(ARG_TYPE newElement) {
  const INT_PTR nIndex = m_nSize;
  SetAtGrow(nIndex, newElement);
  return nIndex;
}

template <class TYPE, class ARG_TYPE>
INT_PTR CArray<TYPE, ARG_TYPE>::Append(const CArray& src) {
  const INT_PTR nOldSize = m_nSize;
  const INT_PTR nCount = src.m_nSize;
  SetSize(nOldSize + nCount, -1);
  // Read src.m_pData only now: when src is this array, SetSize has moved it.
  std::copy_n(src.m_pData, nCount, m_pData + nOldSize);
  return nOldSize;
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::Copy(const CArray& src) {
  if (this == &src) return;
  SetSize(src.m_nSize, -1);
  std::copy_n(src.m_pData, src.m_nSize, m_pData);
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::OpenGap(INT_PTR from, INT_PTR n) {
  const INT_PTR nOldSize = m_nSize;
  SetSize(nOldSize + n, -1);
  std::move_backward(m_pData + from, m_pData + nOldSize, m_pData + nOldSize + n);
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::InsertAt(INT_PTR nIndex, ARG_TYPE newElement, INT_PTR nCount) {
  if (nIndex < 0 || nCount <= 0) return;
  TYPE copy = newElement;  // the argument may live in this array
  if (nIndex >= m_nSize)
    SetSize(nIndex + nCount, -1);
  else
    OpenGap(nIndex, nCount);
  std::fill_n(m_pData + nIndex, nCount, copy);
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::InsertAt(INT_PTR nStartIndex, const CArray* pNewArray) {
  if (pNewArray == nullptr || nStartIndex < 0 || pNewArray->m_nSize == 0) return;
  const CArray copy(*pNewArray);  // the source may be this array
  if (nStartIndex >= m_nSize)
    SetSize(nStartIndex + copy.m_nSize, -1);
  else
    OpenGap(nStartIndex, copy.m_nSize);
  std::copy_n(copy.m_pData, copy.m_nSize, m_pData + nStartIndex);
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::RemoveAt(INT_PTR nIndex, INT_PTR nCount) {
  if (nIndex < 0 || nCount < 0 || nIndex > m_nSize - nCount) return;
  std::move(m_pData + nIndex + nCount, m_pData + m_nSize, m_pData + nIndex);
  std::destroy_n(m_pData + m_nSize - nCount, nCount);
  m_nSize -= nCount;
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteCount(static_cast<DWORD_PTR>(m_nSize));
  } else {
    const DWORD_PTR nCount = ar.ReadCount();
    // A damaged or hostile archive must not make us allocate more elements
    // than the bytes it still holds could fill.
    if (nCount > ar.GetBytesLeft() / static_cast<ULONGLONG>(ArchivedElementSize(m_pData)))
      AfxThrowArchiveException(CArchiveException::endOfFile);
    SetSize(static_cast<INT_PTR>(nCount), -1);
  }
  SerializeElements(ar, m_pData, m_nSize);
}

// MFC's array of strings.
class KELM_EXPORT CStringArray : public CArray<CString, const CString&> {};
