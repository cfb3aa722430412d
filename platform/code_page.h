// Conversion between the library's 8-bit text (Windows-1252), UTF-16 and
// UTF-8, through the two Win32 calls, for hosts that meet Unicode text
// (terminals, arguments, files from elsewhere). Neither call allocates; both
// may be called from any thread. A failure returns 0 and leaves its reason in
// GetLastError.
#pragma once

#include "platform/export.h"
#include "platform/types.h"

#include <string>

// CP_ACP is the library's text, Windows-1252, whatever the locale. Code page
// 1252 itself has no Win32 name.
inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_UTF8 = 65001;

inline constexpr DWORD MB_PRECOMPOSED = 0x00000001;
inline constexpr DWORD MB_ERR_INVALID_CHARS = 0x00000008;
inline constexpr DWORD WC_ERR_INVALID_CHARS = 0x00000080;
inline constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x00000400;

// Whether the conversions know the code page: 1252 (and CP_ACP), UTF-8, and
// for MultiByteToWideChar the ANSI code pages 1250 to 1258 and the DOS code
// pages 437 and 850.
KELM_EXPORT BOOL IsValidCodePage(UINT CodePage);

// Converts cbMultiByte bytes (-1: up to and including the terminating NUL)
// of code page 1252, UTF-8 or another code page IsValidCodePage knows into
// UTF-16 code units. Returns the units
// written, or with cchWideChar 0 the units needed. Fails with
// ERROR_INSUFFICIENT_BUFFER when they do not fit, ERROR_INVALID_PARAMETER for
// another code page or a bad pointer or count, ERROR_INVALID_FLAGS for flags
// the code page does not take, and ERROR_NO_UNICODE_TRANSLATION for
// malformed UTF-8 or a byte the code page leaves undefined under
// MB_ERR_INVALID_CHARS (without it each becomes U+FFFD).
KELM_EXPORT int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr,
                                    int cbMultiByte, LPWSTR lpWideCharStr, int cchWideChar);

// Converts cchWideChar UTF-16 code units (-1: up to and including the
// terminating NUL) into code page 1252 or UTF-8 (the library writes no other). Returns the bytes
// written, or with cbMultiByte 0 the bytes needed. For 1252, a character the code page cannot hold
// becomes *lpDefaultChar ('?' when null), one byte for each character, and *lpUsedDefaultChar tells
// whether that happened. For UTF-8 both must be null; an unpaired surrogate becomes U+FFFD, or
// fails with ERROR_NO_UNICODE_TRANSLATION under WC_ERR_INVALID_CHARS. Other failures as
// MultiByteToWideChar's.
KELM_EXPORT int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr,
                                    int cchWideChar, LPSTR lpMultiByteStr, int cbMultiByte,
                                    LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar);

// The character a byte of Windows-1252 stands for, as MultiByteToWideChar
// reads it (the five bytes the code page leaves undefined as the C1 controls
// of the same value).
KELM_EXPORT char32_t KelmCp1252Char(unsigned char byte);

// The byte of one character in Windows-1252, as WideCharToMultiByte gives it
// (the five bytes the code page leaves undefined for the C1 controls of the
// same value), or -1 when it has none. NUL has a byte but no place in a text
// that is passed on as a C string, and counts as none.
KELM_EXPORT int KelmCp1252Byte(char32_t code_point);

// Appends one character as UTF-8, for borders that build their UTF-8 a
// character at a time; one that is no character (a lone surrogate, beyond
// U+10FFFF) as U+FFFD.
KELM_EXPORT void KelmAppendUtf8(char32_t code_point, std::string& out);
