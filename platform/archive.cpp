#include "platform/archive.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <type_traits>

#include "platform/file.h"

namespace {

// MFC's smallest archive buffer.
constexpr int min_buffer_size = 128;

// Numbers go out least significant byte first whatever the host's order.
template <class T>
void put_little_endian(CArchive& ar, T value) {
  using Bits = std::make_unsigned_t<
      std::conditional_t<std::is_floating_point_v<T>,
                         std::conditional_t<sizeof(T) == 4, std::int32_t, std::int64_t>, T>>;
  auto bits = std::bit_cast<Bits>(value);
  BYTE bytes[sizeof(T)];
  for (BYTE& byte : bytes) {
    byte = static_cast<BYTE>(bits & 0xFF);
    bits = static_cast<Bits>(bits >> 8);
  }
  ar.Write(bytes, sizeof bytes);
}

template <class T>
T get_little_endian(CArchive& ar) {
  using Bits = std::make_unsigned_t<
      std::conditional_t<std::is_floating_point_v<T>,
                         std::conditional_t<sizeof(T) == 4, std::int32_t, std::int64_t>, T>>;
  BYTE bytes[sizeof(T)];
  if (ar.Read(bytes, sizeof bytes) != sizeof bytes)
    AfxThrowArchiveException(CArchiveException::endOfFile);
  Bits bits = 0;
  for (size_t i = sizeof bytes; i-- > 0;) bits = static_cast<Bits>((bits << 8) | bytes[i]);
  return std::bit_cast<T>(bits);
}

}  // namespace

CArchive::CArchive(CFile* pFile, UINT nMode, int nBufSize, void*)
    : m_pFile(pFile),
      m_nMode(nMode),
      m_buffer(static_cast<size_t>(std::max(nBufSize, min_buffer_size))) {
  if (pFile == nullptr) AfxThrowArchiveException(CArchiveException::genericException);
}

CArchive::~CArchive() {
  if (m_pFile == nullptr || (m_nMode & bNoFlushOnDelete)) return;
  try {
    Close();
  } catch (...) {
    // A destructor cannot report; Close is the way to learn of the failure.
  }
}

UINT CArchive::Read(void* lpBuf, UINT nMax) {
  if (m_pFile == nullptr) AfxThrowArchiveException(CArchiveException::genericException);
  if (IsStoring()) AfxThrowArchiveException(CArchiveException::writeOnly);
  auto* out = static_cast<BYTE*>(lpBuf);
  size_t done = std::min<size_t>(nMax, m_nMax - m_nCur);
  if (done > 0) std::memcpy(out, m_buffer.data() + m_nCur, done);
  m_nCur += done;
  if (done == nMax) return nMax;
  // The buffer is empty now; a large remainder goes straight from the file.
  if (nMax - done >= m_buffer.size()) {
    while (done < nMax) {
      const UINT got = m_pFile->Read(out + done, static_cast<UINT>(nMax - done));
      if (got == 0) break;
      done += got;
    }
    return static_cast<UINT>(done);
  }
  FillBuffer(static_cast<UINT>(nMax - done));
  const size_t n = std::min<size_t>(nMax - done, m_nMax - m_nCur);
  if (n > 0) std::memcpy(out + done, m_buffer.data() + m_nCur, n);
  m_nCur += n;
  return static_cast<UINT>(done + n);
}

void CArchive::Write(const void* lpBuf, UINT nMax) {
  if (m_pFile == nullptr) AfxThrowArchiveException(CArchiveException::genericException);
  if (IsLoading()) AfxThrowArchiveException(CArchiveException::readOnly);
  if (nMax == 0) return;
  if (m_nCur + nMax > m_buffer.size()) {
    Flush();
    if (nMax >= m_buffer.size()) {
      m_pFile->Write(lpBuf, nMax);
      return;
    }
  }
  std::memcpy(m_buffer.data() + m_nCur, lpBuf, nMax);
  m_nCur += nMax;
}

// Loading, the file is moved back over the bytes read ahead, so that it
// stands where the archive's reader stopped.
void CArchive::Flush() {
  if (m_pFile == nullptr) return;
  if (IsLoading()) {
    if (m_nMax != m_nCur) m_pFile->Seek(-static_cast<LONGLONG>(m_nMax - m_nCur), CFile::current);
    m_nCur = m_nMax = 0;
    return;
  }
  if (m_nCur > 0) {
    const size_t pending = m_nCur;
    m_nCur = 0;
    m_pFile->Write(m_buffer.data(), static_cast<UINT>(pending));
  }
}

void CArchive::Close() {
  if (m_pFile == nullptr) return;
  try {
    Flush();
  } catch (...) {
    m_pFile = nullptr;
    throw;
  }
  m_pFile = nullptr;
}

void CArchive::Abort() {
  m_pFile = nullptr;
  m_nCur = m_nMax = 0;
}

DWORD_PTR CArchive::ReadCount() {
  const auto count = get_little_endian<WORD>(*this);
  if (count != 0xFFFF) return count;
  return get_little_endian<DWORD>(*this);
}

void CArchive::WriteCount(DWORD_PTR dwCount) {
  if (dwCount < 0xFFFF) {
    put_little_endian(*this, static_cast<WORD>(dwCount));
    return;
  }
  // The layout has 32 bits for a count; a larger one would be stored wrong.
  if (dwCount > std::numeric_limits<DWORD>::max())
    AfxThrowArchiveException(CArchiveException::genericException);
  put_little_endian(*this, WORD{0xFFFF});
  put_little_endian(*this, static_cast<DWORD>(dwCount));
}

ULONGLONG CArchive::GetBytesLeft() const {
  if (m_pFile == nullptr || IsStoring()) return 0;
  const ULONGLONG length = m_pFile->GetLength();
  const ULONGLONG position = m_pFile->GetPosition();
  return (m_nMax - m_nCur) + (length > position ? length - position : 0);
}

// Makes at least nNeeded unread bytes stand in the buffer, if the file has
// them, reading as much more as fits.
void CArchive::FillBuffer(UINT nNeeded) {
  const size_t unread = m_nMax - m_nCur;
  if (unread > 0 && m_nCur > 0) std::memmove(m_buffer.data(), m_buffer.data() + m_nCur, unread);
  m_nCur = 0;
  m_nMax = unread;
  while (m_nMax < nNeeded && m_nMax < m_buffer.size()) {
    const UINT got =
        m_pFile->Read(m_buffer.data() + m_nMax, static_cast<UINT>(m_buffer.size() - m_nMax));
    if (got == 0) break;
    m_nMax += got;
  }
}

CArchive& CArchive::operator<<(BYTE by) {
  put_little_endian(*this, by);
  return *this;
}

CArchive& CArchive::operator<<(char ch) {
  put_little_endian(*this, static_cast<BYTE>(ch));
  return *this;
}

CArchive& CArchive::operator<<(bool b) {
  put_little_endian(*this, static_cast<BYTE>(b ? 1 : 0));
  return *this;
}

CArchive& CArchive::operator<<(short w) {
  put_little_endian(*this, w);
  return *this;
}

CArchive& CArchive::operator<<(WORD w) {
  put_little_endian(*this, w);
  return *this;
}

CArchive& CArchive::operator<<(int i) {
  put_little_endian(*this, static_cast<std::int32_t>(i));
  return *this;
}

CArchive& CArchive::operator<<(UINT u) {
  put_little_endian(*this, static_cast<std::uint32_t>(u));
  return *this;
}

CArchive& CArchive::operator<<(LONGLONG ll) {
  put_little_endian(*this, ll);
  return *this;
}

CArchive& CArchive::operator<<(ULONGLONG ull) {
  put_little_endian(*this, ull);
  return *this;
}

CArchive& CArchive::operator<<(float f) {
  put_little_endian(*this, f);
  return *this;
}

CArchive& CArchive::operator<<(double d) {
  put_little_endian(*this, d);
  return *this;
}

CArchive& CArchive::operator>>(BYTE& by) {
  by = get_little_endian<BYTE>(*this);
  return *this;
}

CArchive& CArchive::operator>>(char& ch) {
  ch = static_cast<char>(get_little_endian<BYTE>(*this));
  return *this;
}

CArchive& CArchive::operator>>(bool& b) {
  b = get_little_endian<BYTE>(*this) != 0;
  return *this;
}

CArchive& CArchive::operator>>(short& w) {
  w = get_little_endian<short>(*this);
  return *this;
}

CArchive& CArchive::operator>>(WORD& w) {
  w = get_little_endian<WORD>(*this);
  return *this;
}

CArchive& CArchive::operator>>(int& i) {
  i = get_little_endian<std::int32_t>(*this);
  return *this;
}

CArchive& CArchive::operator>>(UINT& u) {
  u = get_little_endian<std::uint32_t>(*this);
  return *this;
}

CArchive& CArchive::operator>>(LONGLONG& ll) {
  ll = get_little_endian<LONGLONG>(*this);
  return *this;
}

CArchive& CArchive::operator>>(ULONGLONG& ull) {
  ull = get_little_endian<ULONGLONG>(*this);
  return *this;
}

CArchive& CArchive::operator>>(float& f) {
  f = get_little_endian<float>(*this);
  return *this;
}

CArchive& CArchive::operator>>(double& d) {
  d = get_little_endian<double>(*this);
  return *this;
}

// The length prefix: one byte below 255; else 0xFF and a WORD below 0xFFFE;
// else 0xFF, 0xFFFF and a DWORD.
CArchive& operator<<(CArchive& ar, const CString& string) {
  const auto length = static_cast<DWORD>(string.GetLength());
  if (length < 0xFF) {
    ar << static_cast<BYTE>(length);
  } else if (length < 0xFFFE) {
    ar << BYTE{0xFF} << static_cast<WORD>(length);
  } else {
    ar << BYTE{0xFF} << WORD{0xFFFF} << static_cast<UINT>(length);
  }
  ar.Write(string.GetString(), length);
  return ar;
}

CArchive& operator>>(CArchive& ar, CString& string) {
  BYTE shortLength = 0;
  ar >> shortLength;
  DWORD length = shortLength;
  if (shortLength == 0xFF) {
    WORD wordLength = 0;
    ar >> wordLength;
    length = wordLength;
    if (wordLength == 0xFFFF) {
      UINT longLength = 0;
      ar >> longLength;
      length = longLength;
    }
  }
  // A damaged length must not make us allocate what the file cannot hold;
  // CString's own limit is an int.
  if (length > ar.GetBytesLeft() || length > static_cast<DWORD>(std::numeric_limits<int>::max()))
    AfxThrowArchiveException(CArchiveException::endOfFile);
  CString text;
  LPSTR buffer = text.GetBufferSetLength(static_cast<int>(length));
  if (ar.Read(buffer, length) != length) AfxThrowArchiveException(CArchiveException::endOfFile);
  string = std::move(text);
  return ar;
}
