#include "platform/file.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>

#include "platform/os_file.h"
#include "platform/path.h"

namespace {

// Large enough that a sequential reader or writer makes few system calls,
// small enough to keep per file.
constexpr size_t buffer_size = 64 * 1024;

constexpr auto max_offset = static_cast<ULONGLONG>(std::numeric_limits<off_t>::max());

CFileException os_error(int error, const CString& name) {
  const int cause =
      error == 0 ? CFileException::genericException : CFileException::OsErrorToException(error);
  return CFileException(cause, error, name);
}

[[noreturn]] void throw_os_error(int error, const CString& name) { throw os_error(error, name); }

void check_open(int hFile, const CString& name) {
  if (hFile == CFile::hFileNull) AfxThrowFileException(CFileException::invalidFile, EBADF, name);
}

void check_allowed(bool allowed, const CString& name) {
  if (!allowed) AfxThrowFileException(CFileException::accessDenied, EBADF, name);
}

// open(2) flags for MFC's open flags, or -1 for an access mode MFC does not
// define. The share modes have no counterpart: Linux files are not locked.
int open_flags(UINT nOpenFlags) {
  int flags = O_CLOEXEC;
  switch (nOpenFlags & 3) {
    case CFile::modeRead:
      flags |= O_RDONLY;
      break;
    case CFile::modeWrite:
      flags |= O_WRONLY;
      break;
    case CFile::modeReadWrite:
      flags |= O_RDWR;
      break;
    default:
      return -1;
  }
  if (nOpenFlags & CFile::modeCreate) {
    flags |= O_CREAT;
    if (!(nOpenFlags & CFile::modeNoTruncate)) flags |= O_TRUNC;
  }
  return flags;
}

}  // namespace

CFile::CFile() = default;

CFile::CFile(int hFile) : m_hFile(hFile), m_buffer(buffer_size) {
  const int access = os_file::access_mode(hFile);
  m_bCanRead = access == O_RDONLY || access == O_RDWR;
  m_bCanWrite = access == O_WRONLY || access == O_RDWR;
  const off_t position = os_file::seek(hFile, 0, SEEK_CUR);
  m_bufferStart = position < 0 ? 0 : static_cast<ULONGLONG>(position);
}

CFile::CFile(LPCTSTR lpszFileName, UINT nOpenFlags) {
  CFileException error;
  if (!Open(lpszFileName, nOpenFlags, &error)) throw error;
}

CFile::~CFile() {
  if (IsOpen()) CFile::Abort();
}

BOOL CFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
  if (IsOpen()) Abort();
  const int flags = open_flags(nOpenFlags);
  if (flags == -1) {
    if (pError != nullptr)
      *pError = CFileException(CFileException::genericException, EINVAL, lpszFileName);
    return FALSE;
  }
  // The name is kept as the caller gave it, for messages and GetFilePath;
  // only the file system sees the native path.
  const int fd = lpszFileName == nullptr
                     ? (errno = ENOENT, -1)
                     : os_file::open_file(KelmNativePath(lpszFileName), flags, 0666);
  if (fd == -1) {
    if (pError != nullptr) *pError = os_error(errno, lpszFileName);
    return FALSE;
  }
  m_hFile = fd;
  m_strFileName = lpszFileName;
  m_buffer.resize(buffer_size);
  m_bufferStart = 0;
  m_bufferPos = m_bufferEnd = 0;
  m_mode = BufferMode::none;
  const UINT access = nOpenFlags & 3;
  m_bCanRead = access != modeWrite;
  m_bCanWrite = access != modeRead;
  return TRUE;
}

void CFile::Close() {
  if (!IsOpen()) return;
  std::optional<CFileException> failure;
  try {
    FlushWriteBuffer();
  } catch (const CFileException& e) {
    failure = e;
  }
  const int fd = std::exchange(m_hFile, hFileNull);
  const CString name = std::exchange(m_strFileName, CString());
  m_bufferStart = 0;
  m_bufferPos = m_bufferEnd = 0;
  m_mode = BufferMode::none;
  m_bCanRead = m_bCanWrite = false;
  if (os_file::close_file(fd) != 0 && !failure) failure = os_error(errno, name);
  if (failure) throw *failure;
}

void CFile::Abort() {
  try {
    Close();
  } catch (...) {
    // Abort is the way to close without being told of failures.
  }
}

void CFile::Flush() {
  check_open(m_hFile, m_strFileName);
  FlushWriteBuffer();
  // Pipes and terminals cannot be synchronised and need not be.
  if (m_bCanWrite && os_file::sync(m_hFile) != 0 && errno != EINVAL && errno != EROFS)
    throw_os_error(errno, m_strFileName);
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
  check_open(m_hFile, m_strFileName);
  check_allowed(m_bCanRead, m_strFileName);
  if (nCount == 0) return 0;
  FlushWriteBuffer();
  auto* out = static_cast<BYTE*>(lpBuf);
  size_t done = 0;
  while (done < nCount) {
    if (m_mode == BufferMode::reading && m_bufferPos < m_bufferEnd) {
      const size_t n = std::min(m_bufferEnd - m_bufferPos, nCount - done);
      std::memcpy(out + done, m_buffer.data() + m_bufferPos, n);
      m_bufferPos += n;
      done += n;
      continue;
    }
    DropReadBuffer();
    // A request as large as the buffer goes straight to the caller's memory.
    const size_t wanted = nCount - done;
    const bool direct = wanted >= m_buffer.size();
    const ssize_t got = os_file::read_some(m_hFile, direct ? out + done : m_buffer.data(),
                                           direct ? wanted : m_buffer.size());
    if (got < 0) throw_os_error(errno, m_strFileName);
    if (got == 0) break;
    if (direct) {
      m_bufferStart += static_cast<ULONGLONG>(got);
      done += static_cast<size_t>(got);
    } else {
      m_mode = BufferMode::reading;
      m_bufferPos = 0;
      m_bufferEnd = static_cast<size_t>(got);
    }
  }
  return static_cast<UINT>(done);
}

void CFile::Write(const void* lpBuf, UINT nCount) {
  // Writers of many small pieces land here. A file in writing mode has passed
  // the checks below already and stays writable while open; m_hFile is
  // public, so that it is open is still asked.
  if (m_mode == BufferMode::writing && m_hFile != hFileNull &&
      nCount <= m_buffer.size() - m_bufferEnd) {
    std::memcpy(m_buffer.data() + m_bufferEnd, lpBuf, nCount);
    m_bufferEnd += nCount;
    return;
  }
  check_open(m_hFile, m_strFileName);
  check_allowed(m_bCanWrite, m_strFileName);
  if (nCount == 0) return;
  DropReadBuffer();
  if (m_mode == BufferMode::writing && m_bufferEnd + nCount > m_buffer.size()) FlushWriteBuffer();
  if (m_mode == BufferMode::none && nCount >= m_buffer.size()) {
    m_bufferStart += nCount;
    if (!os_file::write_all(m_hFile, lpBuf, nCount)) {
      const int error = errno;
      os_file::seek(m_hFile, static_cast<off_t>(m_bufferStart), SEEK_SET);
      throw_os_error(error, m_strFileName);
    }
    return;
  }
  m_mode = BufferMode::writing;
  std::memcpy(m_buffer.data() + m_bufferEnd, lpBuf, nCount);
  m_bufferEnd += nCount;
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom) {
  check_open(m_hFile, m_strFileName);
  LONGLONG base = 0;
  if (nFrom == current)
    base = static_cast<LONGLONG>(GetPosition());
  else if (nFrom == end)
    base = static_cast<LONGLONG>(GetLength());
  else if (nFrom != begin)
    AfxThrowFileException(CFileException::badSeek, EINVAL, m_strFileName);
  LONGLONG target = 0;
  if (__builtin_add_overflow(base, lOff, &target) || target < 0)
    AfxThrowFileException(CFileException::badSeek, EINVAL, m_strFileName);
  const auto position = static_cast<ULONGLONG>(target);

  if (m_mode == BufferMode::reading && position >= m_bufferStart &&
      position <= m_bufferStart + m_bufferEnd) {
    m_bufferPos = static_cast<size_t>(position - m_bufferStart);
    return position;
  }
  if (m_mode == BufferMode::writing && position == m_bufferStart + m_bufferEnd) return position;
  FlushWriteBuffer();
  m_bufferPos = m_bufferEnd = 0;
  m_mode = BufferMode::none;
  if (os_file::seek(m_hFile, static_cast<off_t>(position), SEEK_SET) < 0)
    throw_os_error(errno, m_strFileName);
  m_bufferStart = position;
  return position;
}

ULONGLONG CFile::GetPosition() const {
  check_open(m_hFile, m_strFileName);
  switch (m_mode) {
    case BufferMode::reading:
      return m_bufferStart + m_bufferPos;
    case BufferMode::writing:
      return m_bufferStart + m_bufferEnd;
    case BufferMode::none:
      break;
  }
  return m_bufferStart;
}

ULONGLONG CFile::GetLength() const {
  check_open(m_hFile, m_strFileName);
  const off_t size = os_file::size(m_hFile);
  if (size < 0) throw_os_error(errno, m_strFileName);
  const auto length = static_cast<ULONGLONG>(size);
  if (m_mode == BufferMode::writing) return std::max(length, m_bufferStart + m_bufferEnd);
  return length;
}

// As MFC's, SetLength leaves the position at the new end.
void CFile::SetLength(ULONGLONG dwNewLen) {
  check_open(m_hFile, m_strFileName);
  check_allowed(m_bCanWrite, m_strFileName);
  if (dwNewLen > max_offset) AfxThrowFileException(CFileException::badSeek, EINVAL, m_strFileName);
  FlushWriteBuffer();
  DropReadBuffer();
  if (os_file::truncate(m_hFile, static_cast<off_t>(dwNewLen)) != 0)
    throw_os_error(errno, m_strFileName);
  Seek(static_cast<LONGLONG>(dwNewLen), begin);
}

CString CFile::GetFileName() const {
  const int slash = std::max(m_strFileName.ReverseFind('/'), m_strFileName.ReverseFind('\\'));
  return m_strFileName.Mid(slash + 1);
}

void CFile::DropReadBuffer() {
  if (m_mode != BufferMode::reading) return;
  const size_t unread = m_bufferEnd - m_bufferPos;
  m_bufferStart += m_bufferPos;
  m_bufferPos = m_bufferEnd = 0;
  m_mode = BufferMode::none;
  // The descriptor stands at the end of what was read ahead.
  if (unread > 0 && os_file::seek(m_hFile, static_cast<off_t>(m_bufferStart), SEEK_SET) < 0)
    throw_os_error(errno, m_strFileName);
}

// A failed write drops the pending bytes but still moves the position past
// them, so that GetPosition never runs backwards; the caller learns of the
// loss from the exception.
void CFile::FlushWriteBuffer() {
  if (m_mode != BufferMode::writing) return;
  const size_t pending = std::exchange(m_bufferEnd, 0);
  m_mode = BufferMode::none;
  m_bufferStart += pending;
  if (pending == 0 || os_file::write_all(m_hFile, m_buffer.data(), pending)) return;
  const int error = errno;
  os_file::seek(m_hFile, static_cast<off_t>(m_bufferStart), SEEK_SET);
  throw_os_error(error, m_strFileName);
}
