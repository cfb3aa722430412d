// The single-byte code pages besides Windows-1252 that MultiByteToWideChar
// reads (files from elsewhere declare them, as RTF does with \ansicpg): the
// Windows ANSI code pages 1250 to 1258 and the DOS code pages 437 and 850,
// each as the Unicode of its bytes 0x80 to 0xFF (the lower half is ASCII in
// all of them). Internal to the platform layer.
#pragma once

#include "platform/types.h"

namespace ansi_code_pages {

// 128 characters, 0 for a byte the code page leaves undefined; null for a
// code page not held here (1252 and UTF-8 among them).
const WCHAR* upper_half(UINT code_page);

}  // namespace ansi_code_pages
