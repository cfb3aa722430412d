// The Win32 scalar types and constants that the library's code is written with.
// Widths are those of 32-bit Windows: LONG and DWORD are 32 bits on every
// platform here, unlike the C `long` of Linux.
#pragma once

#include <cstddef>
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using BOOL = int;
using LONG = std::int32_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using LPSTR = char*;
using LPCSTR = const char*;
using LPTSTR = char*;
using LPCTSTR = const char*;
using LPBOOL = BOOL*;
using LPVOID = void*;
using LPCVOID = const void*;

// A message's two parameters and its result, pointer-sized as on 64-bit
// Windows, and the halves of a 32-bit value.
using WPARAM = UINT_PTR;
using LPARAM = INT_PTR;
using LRESULT = INT_PTR;

constexpr WORD LOWORD(DWORD_PTR value) { return static_cast<WORD>(value & 0xFFFF); }
constexpr WORD HIWORD(DWORD_PTR value) { return static_cast<WORD>((value >> 16) & 0xFFFF); }
constexpr DWORD MAKELONG(WORD low, WORD high) {
  return static_cast<DWORD>(low | (DWORD{high} << 16));
}

// A UTF-16 code unit, for conversions only: the library's own text stays
// 8-bit. Win32's wchar_t is 16 bits but Linux's is 32, so char16_t, which
// keeps Windows' width and takes u"" literals.
using WCHAR = char16_t;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

struct HWND__;
using HWND = HWND__*;
