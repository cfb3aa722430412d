// CArchive: MFC's binary serialisation stream over a CFile, in MFC's byte
// layout (little-endian numbers, counts with the 0xFFFF escape, strings with
// a 1-, 3- or 7-byte length prefix), so archives written here and by MFC
// programs read the same.
//
// A load that runs out of bytes throws CArchiveException(endOfFile). Readers
// of counted data check the count against GetBytesLeft() before allocating,
// so a damaged file cannot make them allocate more than the file holds.
#pragma once

#include <vector>

#include "platform/exception.h"
#include "platform/export.h"
#include "platform/string.h"
#include "platform/types.h"

class CFile;

class KELM_EXPORT CArchive {
 public:
  enum Mode : UINT { store = 0, load = 1, bNoFlushOnDelete = 2, bNoByteSwap = 4 };

  CArchive(CFile* pFile, UINT nMode, int nBufSize = 4096, void* lpBuf = nullptr);
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;
  // Flushes a storing archive (errors are swallowed: call Close to see them).
  ~CArchive();

  BOOL IsLoading() const { return (m_nMode & load) != 0; }
  BOOL IsStoring() const { return (m_nMode & load) == 0; }
  CFile* GetFile() const { return m_pFile; }

  // Read returns the bytes read, fewer than nMax only at the end of the file.
  UINT Read(void* lpBuf, UINT nMax);
  void Write(const void* lpBuf, UINT nMax);
  void Flush();
  void Close();
  void Abort();

  DWORD_PTR ReadCount();
  void WriteCount(DWORD_PTR dwCount);

  // Bytes that a load can still read: the archive's buffer and the rest of
  // the file. (Not in MFC; what bounds every counted read.)
  ULONGLONG GetBytesLeft() const;

  CArchive& operator<<(BYTE by);
  CArchive& operator<<(char ch);
  CArchive& operator<<(bool b);
  CArchive& operator<<(short w);
  CArchive& operator<<(WORD w);
  CArchive& operator<<(int i);
  CArchive& operator<<(UINT u);
  CArchive& operator<<(LONGLONG ll);
  CArchive& operator<<(ULONGLONG ull);
  CArchive& operator<<(float f);
  CArchive& operator<<(double d);

  CArchive& operator>>(BYTE& by);
  CArchive& operator>>(char& ch);
  CArchive& operator>>(bool& b);
  CArchive& operator>>(short& w);
  CArchive& operator>>(WORD& w);
  CArchive& operator>>(int& i);
  CArchive& operator>>(UINT& u);
  CArchive& operator>>(LONGLONG& ll);
  CArchive& operator>>(ULONGLONG& ull);
  CArchive& operator>>(float& f);
  CArchive& operator>>(double& d);

 private:
  void FillBuffer(UINT nNeeded);
  CFile* m_pFile;
  UINT m_nMode;
  std::vector<BYTE> m_buffer;
  size_t m_nCur = 0;  // next byte to read, or bytes pending when storing
  size_t m_nMax = 0;  // bytes held when loading
};

KELM_EXPORT CArchive& operator<<(CArchive& ar, const CString& string);
KELM_EXPORT CArchive& operator>>(CArchive& ar, CString& string);
