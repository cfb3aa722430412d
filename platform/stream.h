// IStream: the COM byte-stream interface, with a memory stream and a file
// stream. Results are HRESULTs: S_OK, S_FALSE for a read that reached the end
// with fewer bytes than asked, and failures with the high bit set.
//
// Streams are reference-counted as COM's are: the creator owns one reference
// and gives it up with Release().
#pragma once

#include "platform/export.h"
#include "platform/types.h"

using HRESULT = LONG;
using ULONG = DWORD;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
inline constexpr HRESULT STG_E_FILENOTFOUND = static_cast<HRESULT>(0x80030002);
inline constexpr HRESULT STG_E_PATHNOTFOUND = static_cast<HRESULT>(0x80030003);
inline constexpr HRESULT STG_E_ACCESSDENIED = static_cast<HRESULT>(0x80030005);
inline constexpr HRESULT STG_E_INVALIDPOINTER = static_cast<HRESULT>(0x80030009);
inline constexpr HRESULT STG_E_WRITEFAULT = static_cast<HRESULT>(0x8003001D);
inline constexpr HRESULT STG_E_READFAULT = static_cast<HRESULT>(0x8003001E);
inline constexpr HRESULT STG_E_INVALIDFUNCTION = static_cast<HRESULT>(0x80030001);
inline constexpr HRESULT STG_E_MEDIUMFULL = static_cast<HRESULT>(0x80030070);

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

union KELM_EXPORT LARGE_INTEGER {
  LONGLONG QuadPart;
};
union KELM_EXPORT ULARGE_INTEGER {
  ULONGLONG QuadPart;
};

// Seek origins.
inline constexpr DWORD STREAM_SEEK_SET = 0;
inline constexpr DWORD STREAM_SEEK_CUR = 1;
inline constexpr DWORD STREAM_SEEK_END = 2;

// Open modes of SHCreateStreamOnFileA.
inline constexpr DWORD STGM_READ = 0x00000000;
inline constexpr DWORD STGM_WRITE = 0x00000001;
inline constexpr DWORD STGM_READWRITE = 0x00000002;
inline constexpr DWORD STGM_SHARE_DENY_NONE = 0x00000040;
inline constexpr DWORD STGM_SHARE_EXCLUSIVE = 0x00000010;
inline constexpr DWORD STGM_CREATE = 0x00001000;

struct KELM_EXPORT IStream {
  // *pcbRead (when given) receives the bytes read.
  virtual HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) = 0;
  // *pcbWritten (when given) receives the bytes written.
  virtual HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) = 0;
  virtual HRESULT Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) = 0;
  virtual HRESULT SetSize(ULARGE_INTEGER libNewSize) = 0;
  // Makes what was written durable (file streams: flush and fsync).
  virtual HRESULT Commit(DWORD grfCommitFlags) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IStream() = default;
};

// A memory stream holding a copy of cbInit bytes from pInit (none when null),
// positioned at the start; nullptr when memory runs out.
KELM_EXPORT IStream* SHCreateMemStream(const BYTE* pInit, UINT cbInit);
// A stream over a file (the name goes through KelmNativePath). STGM_CREATE
// creates or truncates it; writing needs STGM_WRITE or STGM_READWRITE.
KELM_EXPORT HRESULT SHCreateStreamOnFileA(LPCSTR pszFile, DWORD grfMode, IStream** ppstm);
