#include "platform/file.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr auto max_position = static_cast<size_t>(std::numeric_limits<LONGLONG>::max());

[[noreturn]] void throw_bad_seek() { AfxThrowFileException(CFileException::badSeek, EINVAL); }

[[noreturn]] void throw_disk_full() { AfxThrowFileException(CFileException::diskFull, ENOSPC); }

}  // namespace

CMemFile::CMemFile(UINT nGrowBytes) : m_nGrowBytes(nGrowBytes) {}

CMemFile::CMemFile(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes) {
  Attach(lpBuffer, nBufferSize, nGrowBytes);
}

CMemFile::~CMemFile() {
  if (m_bAutoDelete) std::free(m_lpBuffer);
}

// As MFC's: with nGrowBytes 0 the buffer's bytes are the file; otherwise the
// file starts empty and the buffer is only room to write into.
void CMemFile::Attach(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes) {
  if (m_bAutoDelete) std::free(m_lpBuffer);
  m_lpBuffer = lpBuffer;
  m_nBufferSize = lpBuffer == nullptr ? 0 : nBufferSize;
  m_nFileSize = nGrowBytes == 0 ? m_nBufferSize : 0;
  m_nGrowBytes = nGrowBytes;
  m_nPosition = 0;
  m_bAutoDelete = false;
}

BYTE* CMemFile::Detach() {
  BYTE* lpBuffer = m_lpBuffer;
  m_lpBuffer = nullptr;
  m_nBufferSize = m_nFileSize = m_nPosition = 0;
  m_bAutoDelete = true;
  return lpBuffer;
}

BOOL CMemFile::Open(LPCTSTR lpszFileName, UINT, CFileException* pError) {
  if (pError != nullptr)
    *pError = CFileException(CFileException::genericException, EINVAL, lpszFileName);
  return FALSE;
}

void CMemFile::Close() {
  if (m_bAutoDelete) std::free(m_lpBuffer);
  m_lpBuffer = nullptr;
  m_nBufferSize = m_nFileSize = m_nPosition = 0;
  m_bAutoDelete = true;
}

void CMemFile::Abort() { Close(); }

UINT CMemFile::Read(void* lpBuf, UINT nCount) {
  if (m_nPosition >= m_nFileSize) return 0;
  const size_t n = std::min<size_t>(nCount, m_nFileSize - m_nPosition);
  if (n > 0) std::memcpy(lpBuf, m_lpBuffer + m_nPosition, n);
  m_nPosition += n;
  return static_cast<UINT>(n);
}

void CMemFile::Write(const void* lpBuf, UINT nCount) {
  if (nCount == 0) return;
  if (m_nPosition > max_position - nCount) throw_disk_full();
  const size_t new_end = m_nPosition + nCount;
  GrowFile(new_end);
  // The gap left by a seek past the end reads as zeros, not as stale memory.
  if (m_nPosition > m_nFileSize)
    std::memset(m_lpBuffer + m_nFileSize, 0, m_nPosition - m_nFileSize);
  std::memcpy(m_lpBuffer + m_nPosition, lpBuf, nCount);
  m_nPosition = new_end;
  if (new_end > m_nFileSize) m_nFileSize = new_end;
}

ULONGLONG CMemFile::Seek(LONGLONG lOff, UINT nFrom) {
  LONGLONG base = 0;
  if (nFrom == current)
    base = static_cast<LONGLONG>(m_nPosition);
  else if (nFrom == end)
    base = static_cast<LONGLONG>(m_nFileSize);
  else if (nFrom != begin)
    throw_bad_seek();
  LONGLONG target = 0;
  if (__builtin_add_overflow(base, lOff, &target) || target < 0) throw_bad_seek();
  m_nPosition = static_cast<size_t>(target);
  return m_nPosition;
}

void CMemFile::SetLength(ULONGLONG dwNewLen) {
  if (dwNewLen > max_position) throw_disk_full();
  const auto length = static_cast<size_t>(dwNewLen);
  GrowFile(length);
  if (length > m_nFileSize) std::memset(m_lpBuffer + m_nFileSize, 0, length - m_nFileSize);
  m_nFileSize = length;
  if (m_nPosition > length) m_nPosition = length;
}

// Grows in whole steps of nGrowBytes. A buffer the caller attached is never
// passed to realloc or free: its bytes move to a block of our own, and the
// caller's memory is left as it was.
void CMemFile::GrowFile(size_t nNewLen) {
  if (nNewLen <= m_nBufferSize) return;
  if (m_nGrowBytes == 0) throw_disk_full();
  const size_t shortfall = nNewLen - m_nBufferSize;
  const size_t steps = shortfall / m_nGrowBytes + (shortfall % m_nGrowBytes != 0 ? 1 : 0);
  size_t newSize = 0;
  if (__builtin_mul_overflow(steps, size_t{m_nGrowBytes}, &newSize) ||
      __builtin_add_overflow(newSize, m_nBufferSize, &newSize))
    throw std::bad_alloc();
  BYTE* lpNew = nullptr;
  if (m_bAutoDelete) {
    lpNew = static_cast<BYTE*>(std::realloc(m_lpBuffer, newSize));
  } else {
    lpNew = static_cast<BYTE*>(std::malloc(newSize));
    if (lpNew != nullptr && m_nFileSize > 0) std::memcpy(lpNew, m_lpBuffer, m_nFileSize);
  }
  if (lpNew == nullptr) throw std::bad_alloc();
  m_lpBuffer = lpNew;
  m_nBufferSize = newSize;
  m_bAutoDelete = true;
}
