// CFile: a binary file with MFC's interface, over a POSIX file descriptor.
// CMemFile: the same interface over a block of memory.
//
// CFile keeps one buffer of its own, so a reader that takes one byte at a time
// and steps back one byte with Seek(-1, CFile::current) makes no system call
// until the buffer runs out. Writes are buffered too and reach the file on
// Flush, Close, a Seek outside the buffer, or destruction. Failures throw
// CFileException, as MFC's do; the destructor closes and never throws.
//
// A name may be a Windows path: the file opened is KelmNativePath(name)
// (path.h), while GetFilePath gives the name as the caller gave it.
#pragma once

#include <vector>

#include "platform/exception.h"
#include "platform/export.h"
#include "platform/object.h"
#include "platform/string.h"
#include "platform/types.h"

class KELM_EXPORT CFile : public CObject {
 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,
    typeBinary = 0x8000
  };
  enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };
  static constexpr int hFileNull = -1;

  CFile();
  // Wraps a descriptor that the caller opened; Close() will close it.
  explicit CFile(int hFile);
  // Opens the file or throws CFileException.
  CFile(LPCTSTR lpszFileName, UINT nOpenFlags);
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  ~CFile() override;

  // FALSE on failure, with the cause in *pError when given.
  virtual BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
  virtual void Close();
  // Closes without throwing, dropping unwritten data on a failure.
  virtual void Abort();
  virtual void Flush();

  // Returns the number of bytes read: fewer than nCount only at the end.
  virtual UINT Read(void* lpBuf, UINT nCount);
  virtual void Write(const void* lpBuf, UINT nCount);
  virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
  void SeekToBegin() { Seek(0, begin); }
  ULONGLONG SeekToEnd() { return Seek(0, end); }
  virtual ULONGLONG GetPosition() const;
  virtual ULONGLONG GetLength() const;
  virtual void SetLength(ULONGLONG dwNewLen);

  CString GetFilePath() const { return m_strFileName; }
  CString GetFileName() const;
  BOOL IsOpen() const { return m_hFile != hFileNull; }

  int m_hFile = hFileNull;

 protected:
  CString m_strFileName;

 private:
  // The buffer holds bytes of the file starting at m_bufferStart. When
  // reading, [m_bufferPos, m_bufferEnd) are unread; when writing,
  // [0, m_bufferEnd) are pending.
  enum class BufferMode { none, reading, writing };
  void DropReadBuffer();
  void FlushWriteBuffer();
  std::vector<BYTE> m_buffer;
  ULONGLONG m_bufferStart = 0;
  size_t m_bufferPos = 0;
  size_t m_bufferEnd = 0;
  BufferMode m_mode = BufferMode::none;
  // What the descriptor was opened for, so that a Write to a read-only file
  // fails at once rather than at the later flush.
  bool m_bCanRead = false;
  bool m_bCanWrite = false;
};

class KELM_EXPORT CMemFile : public CFile {
 public:
  // A growing memory file that owns its memory.
  explicit CMemFile(UINT nGrowBytes = 1024);
  // A memory file over the caller's buffer; with nGrowBytes 0 it cannot grow.
  CMemFile(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes = 0);
  ~CMemFile() override;

  void Attach(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes = 0);
  // Gives up the memory (the caller frees an owned block with free()).
  BYTE* Detach();

  BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr) override;
  void Close() override;
  void Abort() override;
  void Flush() override {}
  UINT Read(void* lpBuf, UINT nCount) override;
  void Write(const void* lpBuf, UINT nCount) override;
  ULONGLONG Seek(LONGLONG lOff, UINT nFrom) override;
  ULONGLONG GetPosition() const override { return m_nPosition; }
  ULONGLONG GetLength() const override { return m_nFileSize; }
  void SetLength(ULONGLONG dwNewLen) override;

 private:
  void GrowFile(size_t nNewLen);
  UINT m_nGrowBytes;
  size_t m_nPosition = 0;
  size_t m_nBufferSize = 0;
  size_t m_nFileSize = 0;
  BYTE* m_lpBuffer = nullptr;
  bool m_bAutoDelete = true;
};
