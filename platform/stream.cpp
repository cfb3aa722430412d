#include "platform/stream.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "platform/os_file.h"
#include "platform/path.h"

namespace {

// Windows sizes its memory streams in 32 bits. A write or SetSize beyond that
// fails as a full medium instead of asking for more memory than a process
// could have.
constexpr ULONGLONG max_memory_size = std::numeric_limits<DWORD>::max();

class counted_stream : public IStream {
 public:
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override {
    const ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~counted_stream() = default;

 private:
  std::atomic<ULONG> m_refs{1};
};

// Where a seek from `position` in a stream of `size` bytes lands; nothing for
// an unknown origin or a place before the start.
std::optional<ULONGLONG> seek_target(ULONGLONG position, ULONGLONG size, LONGLONG move,
                                     DWORD origin) {
  ULONGLONG base = 0;
  switch (origin) {
    case STREAM_SEEK_SET:
      break;
    case STREAM_SEEK_CUR:
      base = position;
      break;
    case STREAM_SEEK_END:
      base = size;
      break;
    default:
      return std::nullopt;
  }
  LONGLONG target = 0;
  if (base > static_cast<ULONGLONG>(std::numeric_limits<LONGLONG>::max()) ||
      __builtin_add_overflow(static_cast<LONGLONG>(base), move, &target) || target < 0)
    return std::nullopt;
  return static_cast<ULONGLONG>(target);
}

class memory_stream final : public counted_stream {
 public:
  explicit memory_stream(std::vector<BYTE> bytes) : m_bytes(std::move(bytes)) {}

  HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override {
    if (pv == nullptr) return STG_E_INVALIDPOINTER;
    const ULONGLONG available = m_position < m_bytes.size() ? m_bytes.size() - m_position : 0;
    const auto n = static_cast<ULONG>(std::min<ULONGLONG>(cb, available));
    if (n > 0) std::memcpy(pv, m_bytes.data() + m_position, n);
    m_position += n;
    if (pcbRead != nullptr) *pcbRead = n;
    return n < cb ? S_FALSE : S_OK;
  }

  // Writing past the end fills the gap with zeros.
  HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override {
    if (pcbWritten != nullptr) *pcbWritten = 0;
    if (pv == nullptr) return STG_E_INVALIDPOINTER;
    if (cb == 0) return S_OK;
    const ULONGLONG end = m_position + cb;
    if (end > max_memory_size) return STG_E_MEDIUMFULL;
    if (end > m_bytes.size()) {
      const HRESULT grown = resize(end);
      if (FAILED(grown)) return grown;
    }
    std::memcpy(m_bytes.data() + m_position, pv, cb);
    m_position = end;
    if (pcbWritten != nullptr) *pcbWritten = cb;
    return S_OK;
  }

  HRESULT Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) override {
    const auto target = seek_target(m_position, m_bytes.size(), dlibMove.QuadPart, dwOrigin);
    if (!target) return STG_E_INVALIDFUNCTION;
    m_position = *target;
    if (plibNewPosition != nullptr) plibNewPosition->QuadPart = m_position;
    return S_OK;
  }

  HRESULT SetSize(ULARGE_INTEGER libNewSize) override {
    if (libNewSize.QuadPart > max_memory_size) return STG_E_MEDIUMFULL;
    return resize(libNewSize.QuadPart);
  }

  HRESULT Commit(DWORD) override { return S_OK; }

 private:
  HRESULT resize(ULONGLONG size) {
    try {
      m_bytes.resize(size);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
    return S_OK;
  }

  std::vector<BYTE> m_bytes;
  ULONGLONG m_position = 0;
};

HRESULT open_error(int error, bool creating) {
  switch (error) {
    case ENOENT:
      // Creating, a missing name can only be a missing folder.
      return creating ? STG_E_PATHNOTFOUND : STG_E_FILENOTFOUND;
    case ENOTDIR:
    case ENAMETOOLONG:
      return STG_E_PATHNOTFOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return STG_E_ACCESSDENIED;
    case ENOSPC:
    case EDQUOT:
      return STG_E_MEDIUMFULL;
    case ENOMEM:
      return E_OUTOFMEMORY;
    default:
      return E_FAIL;
  }
}

// EBADF is the descriptor's own access mode refusing the transfer.
HRESULT read_error(int error) { return error == EBADF ? STG_E_ACCESSDENIED : STG_E_READFAULT; }

HRESULT write_error(int error) {
  switch (error) {
    case EBADF:
    case EACCES:
    case EPERM:
    case EROFS:
      return STG_E_ACCESSDENIED;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return STG_E_MEDIUMFULL;
    default:
      return STG_E_WRITEFAULT;
  }
}

// Unbuffered: every Read and Write reaches the file at once, so that a
// failure (a full disk) is reported by the call that met it and not by a
// later one, or by Release, which cannot report anything.
class file_stream final : public counted_stream {
 public:
  explicit file_stream(int fd) : m_fd(fd) {}
  ~file_stream() override { os_file::close_file(m_fd); }

  HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override {
    if (pcbRead != nullptr) *pcbRead = 0;
    if (pv == nullptr) return STG_E_INVALIDPOINTER;
    ULONG done = 0;
    while (done < cb) {
      const ssize_t got = os_file::read_some(m_fd, static_cast<BYTE*>(pv) + done, cb - done);
      if (got < 0) {
        const HRESULT error = read_error(errno);
        m_position += done;
        if (pcbRead != nullptr) *pcbRead = done;
        return error;
      }
      if (got == 0) break;
      done += static_cast<ULONG>(got);
    }
    m_position += done;
    if (pcbRead != nullptr) *pcbRead = done;
    return done < cb ? S_FALSE : S_OK;
  }

  HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override {
    if (pcbWritten != nullptr) *pcbWritten = 0;
    if (pv == nullptr) return STG_E_INVALIDPOINTER;
    if (os_file::write_all(m_fd, pv, cb)) {
      m_position += cb;
      if (pcbWritten != nullptr) *pcbWritten = cb;
      return S_OK;
    }
    const HRESULT error = write_error(errno);
    // Part of the bytes may have gone before the failure.
    const off_t reached = os_file::seek(m_fd, 0, SEEK_CUR);
    if (reached >= 0 && static_cast<ULONGLONG>(reached) >= m_position) {
      if (pcbWritten != nullptr) *pcbWritten = static_cast<ULONG>(reached - m_position);
      m_position = static_cast<ULONGLONG>(reached);
    }
    return error;
  }

  HRESULT Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) override {
    const off_t size = os_file::size(m_fd);
    if (size < 0) return STG_E_INVALIDFUNCTION;
    const auto target =
        seek_target(m_position, static_cast<ULONGLONG>(size), dlibMove.QuadPart, dwOrigin);
    if (!target || os_file::seek(m_fd, static_cast<off_t>(*target), SEEK_SET) < 0)
      return STG_E_INVALIDFUNCTION;
    m_position = *target;
    if (plibNewPosition != nullptr) plibNewPosition->QuadPart = m_position;
    return S_OK;
  }

  // The position stays where it is, as IStream::SetSize leaves it.
  HRESULT SetSize(ULARGE_INTEGER libNewSize) override {
    if (libNewSize.QuadPart > static_cast<ULONGLONG>(std::numeric_limits<off_t>::max()))
      return STG_E_MEDIUMFULL;
    if (os_file::truncate(m_fd, static_cast<off_t>(libNewSize.QuadPart)) == 0) return S_OK;
    // ftruncate reports a descriptor not open for writing as EINVAL.
    return errno == EINVAL ? STG_E_ACCESSDENIED : write_error(errno);
  }

  HRESULT Commit(DWORD) override {
    if (os_file::sync(m_fd) == 0 || errno == EINVAL || errno == EROFS) return S_OK;
    return write_error(errno);
  }

 private:
  int m_fd;
  ULONGLONG m_position = 0;
};

}  // namespace

IStream* SHCreateMemStream(const BYTE* pInit, UINT cbInit) {
  try {
    std::vector<BYTE> bytes;
    if (pInit != nullptr) bytes.assign(pInit, pInit + cbInit);
    return new memory_stream(std::move(bytes));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

// STGM_CREATE with read-only access is refused: POSIX leaves truncating a
// file opened only for reading undefined.
HRESULT SHCreateStreamOnFileA(LPCSTR pszFile, DWORD grfMode, IStream** ppstm) {
  if (ppstm == nullptr) return E_POINTER;
  *ppstm = nullptr;
  if (pszFile == nullptr) return E_INVALIDARG;
  const bool create = (grfMode & STGM_CREATE) != 0;
  int flags = O_CLOEXEC;
  switch (grfMode & 3) {
    case STGM_READ:
      if (create) return E_INVALIDARG;
      flags |= O_RDONLY;
      break;
    case STGM_WRITE:
      flags |= O_WRONLY;
      break;
    case STGM_READWRITE:
      flags |= O_RDWR;
      break;
    default:
      return E_INVALIDARG;
  }
  if (create) flags |= O_CREAT | O_TRUNC;
  const int fd = os_file::open_file(KelmNativePath(pszFile), flags, 0666);
  if (fd < 0) return open_error(errno, create);
  // Linux opens a folder for reading; Windows refuses to make a stream of one.
  struct stat st {};
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    os_file::close_file(fd);
    return STG_E_ACCESSDENIED;
  }
  auto* stream = new (std::nothrow) file_stream(fd);
  if (stream == nullptr) {
    os_file::close_file(fd);
    return E_OUTOFMEMORY;
  }
  *ppstm = stream;
  return S_OK;
}
