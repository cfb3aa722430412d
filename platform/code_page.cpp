#include "platform/code_page.h"

#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/ansi_code_pages.h"
#include "platform/error.h"

namespace {

// --- Windows-1252 --------------------------------------------------------

// Bytes 0x80-0x9F; the rest of the code page is Latin-1, byte for code point.
// The five bytes the code page leaves undefined hold their own value, as
// Windows maps them, so that every byte survives a round trip.
constexpr WCHAR high_controls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr std::array<WCHAR, 256> make_unicode_of_byte() {
  std::array<WCHAR, 256> table{};
  for (int b = 0; b < 256; ++b)
    table[b] = b >= 0x80 && b < 0xA0 ? high_controls[b - 0x80] : static_cast<WCHAR>(b);
  return table;
}

constexpr std::array<WCHAR, 256> unicode_of_byte = make_unicode_of_byte();

// The way back, in two lookups: the code unit's high byte picks a page of 256
// bytes, its low byte the byte. The code page's characters lie on five pages
// (U+00xx, U+01xx, U+02xx, U+20xx, U+21xx); every other high byte picks the
// empty page 0. 0 in a page means "none", except for U+0000 itself.
struct ByteOfUnicode {
  std::array<std::uint8_t, 256> page_of_high_byte{};
  std::array<std::array<std::uint8_t, 256>, 6> pages{};
};

constexpr ByteOfUnicode make_byte_of_unicode() {
  ByteOfUnicode table;
  std::uint8_t pages_used = 1;
  for (int b = 0; b < 256; ++b) {
    const WCHAR c = unicode_of_byte[b];
    std::uint8_t& page = table.page_of_high_byte[c >> 8];
    if (page == 0) page = pages_used++;
    table.pages[page][c & 0xFF] = static_cast<std::uint8_t>(b);
  }
  return table;
}

constexpr ByteOfUnicode byte_of_unicode = make_byte_of_unicode();

constexpr int no_byte = -1;

int cp1252_byte_of(WCHAR c) {
  const std::uint8_t b = byte_of_unicode.pages[byte_of_unicode.page_of_high_byte[c >> 8]][c & 0xFF];
  return b != 0 || c == 0 ? b : no_byte;
}

// --- UTF-8 and UTF-16 ----------------------------------------------------

constexpr WCHAR replacement_character = 0xFFFD;

bool is_high_surrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low_surrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The well-formed UTF-8 sequences by their first byte (Unicode's table 3-7):
// how long the sequence is and which values its second byte may take. The
// narrower second bytes after E0, ED, F0 and F4 are what keep out overlong
// forms, encoded surrogates and code points above U+10FFFF.
struct LeadByte {
  std::uint8_t length;  // 0: never starts a sequence
  std::uint8_t second_min;
  std::uint8_t second_max;
};

constexpr std::array<LeadByte, 256> make_lead_bytes() {
  std::array<LeadByte, 256> table{};
  for (int b = 0x00; b <= 0x7F; ++b) table[b] = {1, 0, 0};
  for (int b = 0xC2; b <= 0xDF; ++b) table[b] = {2, 0x80, 0xBF};
  for (int b = 0xE0; b <= 0xEF; ++b) table[b] = {3, 0x80, 0xBF};
  for (int b = 0xF0; b <= 0xF4; ++b) table[b] = {4, 0x80, 0xBF};
  table[0xE0].second_min = 0xA0;
  table[0xED].second_max = 0x9F;
  table[0xF0].second_min = 0x90;
  table[0xF4].second_max = 0x8F;
  return table;
}

constexpr std::array<LeadByte, 256> lead_bytes = make_lead_bytes();

struct Decoded {
  char32_t code_point;
  std::size_t length;  // the bytes taken; for a malformed sequence its
                       // longest well-formed beginning, at least one byte
  bool well_formed;
};

Decoded decode_utf8(const unsigned char* at, const unsigned char* end) {
  const LeadByte lead = lead_bytes[at[0]];
  if (lead.length == 0) return {replacement_character, 1, false};
  char32_t c = at[0] & (0x7F >> lead.length);
  for (std::size_t i = 1; i < lead.length; ++i) {
    const unsigned char min = i == 1 ? lead.second_min : 0x80;
    const unsigned char max = i == 1 ? lead.second_max : 0xBF;
    if (at + i == end || at[i] < min || at[i] > max) return {replacement_character, i, false};
    c = (c << 6) | (at[i] & 0x3F);
  }
  return {c, lead.length, true};
}

// --- Output --------------------------------------------------------------

// Counts every unit and writes those that fit, so one pass serves both a
// size query (capacity 0) and a conversion.
template <typename Unit>
struct Output {
  Unit* buffer;
  std::size_t capacity;
  std::size_t count = 0;

  void Put(Unit unit) {
    if (count < capacity) buffer[count] = unit;
    ++count;
  }
};

// What Win32 returns for a finished pass. A count beyond INT_MAX cannot be
// returned, so it fails as no buffer could hold it.
template <typename Unit>
int result_of(const Output<Unit>& out, bool size_query) {
  if (out.count > static_cast<std::size_t>(INT_MAX) || (!size_query && out.count > out.capacity)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  return static_cast<int>(out.count);
}

int fail(DWORD error) {
  SetLastError(error);
  return 0;
}

// --- The conversions -----------------------------------------------------

void cp1252_to_utf16(const unsigned char* at, const unsigned char* end, Output<WCHAR>& out) {
  for (; at != end; ++at) out.Put(unicode_of_byte[*at]);
}

// False at the first malformed sequence when `strict`.
bool utf8_to_utf16(const unsigned char* at, const unsigned char* end, bool strict,
                   Output<WCHAR>& out) {
  while (at != end) {
    if (*at < 0x80) {
      out.Put(*at++);
      continue;
    }
    const Decoded d = decode_utf8(at, end);
    at += d.length;
    if (!d.well_formed && strict) return false;
    if (d.code_point < 0x10000) {
      out.Put(static_cast<WCHAR>(d.code_point));
    } else {
      out.Put(static_cast<WCHAR>(0xD800 + ((d.code_point - 0x10000) >> 10)));
      out.Put(static_cast<WCHAR>(0xDC00 + (d.code_point & 0x3FF)));
    }
  }
  return true;
}

// False at the first byte the code page leaves undefined when `strict`.
bool single_byte_to_utf16(const WCHAR* upper_half, const unsigned char* at,
                          const unsigned char* end, bool strict, Output<WCHAR>& out) {
  for (; at != end; ++at) {
    const WCHAR c = *at < 0x80 ? WCHAR{*at} : upper_half[*at - 0x80];
    if (c == 0 && *at != 0) {
      if (strict) return false;
      out.Put(replacement_character);
      continue;
    }
    out.Put(c);
  }
  return true;
}

// A surrogate pair is one character, so it takes one default byte.
void utf16_to_cp1252(const WCHAR* at, const WCHAR* end, char default_char, bool& used_default,
                     Output<char>& out) {
  while (at != end) {
    const WCHAR c = *at++;
    const int b = cp1252_byte_of(c);
    if (b != no_byte) {
      out.Put(static_cast<char>(b));
      continue;
    }
    if (is_high_surrogate(c) && at != end && is_low_surrogate(*at)) ++at;
    out.Put(default_char);
    used_default = true;
  }
}

// False at the first unpaired surrogate when `strict`.
bool utf16_to_utf8(const WCHAR* at, const WCHAR* end, bool strict, Output<char>& out) {
  const auto put = [&out](unsigned int byte) { out.Put(static_cast<char>(byte)); };
  while (at != end) {
    char32_t c = *at++;
    if (c < 0x80) {
      put(c);
    } else if (c < 0x800) {
      put(0xC0 | (c >> 6));
      put(0x80 | (c & 0x3F));
    } else if (is_high_surrogate(c) && at != end && is_low_surrogate(*at)) {
      c = 0x10000 + ((c - 0xD800) << 10) + (*at++ - 0xDC00);
      put(0xF0 | (c >> 18));
      put(0x80 | ((c >> 12) & 0x3F));
      put(0x80 | ((c >> 6) & 0x3F));
      put(0x80 | (c & 0x3F));
    } else {
      if (is_high_surrogate(c) || is_low_surrogate(c)) {
        if (strict) return false;
        c = replacement_character;
      }
      put(0xE0 | (c >> 12));
      put(0x80 | ((c >> 6) & 0x3F));
      put(0x80 | (c & 0x3F));
    }
  }
  return true;
}

enum class Encoding { cp1252, utf8, single_byte, unknown };

Encoding encoding_of(UINT code_page) {
  if (code_page == CP_ACP || code_page == 1252) return Encoding::cp1252;
  if (code_page == CP_UTF8) return Encoding::utf8;
  if (ansi_code_pages::upper_half(code_page) != nullptr) return Encoding::single_byte;
  return Encoding::unknown;
}

// The input and output arguments that both calls check alike. -1 counts up
// to the terminator and includes it.
template <typename In, typename Out>
bool valid_buffers(const In* input, int& input_count, const Out* output, int output_count) {
  if (input == nullptr || input_count == 0 || input_count < -1 || output_count < 0 ||
      (output_count > 0 && output == nullptr) ||
      static_cast<const void*>(input) == static_cast<const void*>(output))
    return false;
  if (input_count == -1) {
    const std::size_t length = std::char_traits<In>::length(input) + 1;
    if (length > static_cast<std::size_t>(INT_MAX)) return false;
    input_count = static_cast<int>(length);
  }
  return true;
}

}  // namespace

BOOL IsValidCodePage(UINT CodePage) {
  return CodePage != CP_ACP && encoding_of(CodePage) != Encoding::unknown ? TRUE : FALSE;
}

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar) {
  const Encoding encoding = encoding_of(CodePage);
  if (encoding == Encoding::unknown ||
      !valid_buffers(lpMultiByteStr, cbMultiByte, lpWideCharStr, cchWideChar))
    return fail(ERROR_INVALID_PARAMETER);
  const DWORD allowed =
      encoding == Encoding::utf8 ? MB_ERR_INVALID_CHARS : MB_PRECOMPOSED | MB_ERR_INVALID_CHARS;
  if ((dwFlags & ~allowed) != 0) return fail(ERROR_INVALID_FLAGS);

  const auto* in = reinterpret_cast<const unsigned char*>(lpMultiByteStr);
  Output<WCHAR> out{lpWideCharStr, static_cast<std::size_t>(cchWideChar)};
  const bool strict = (dwFlags & MB_ERR_INVALID_CHARS) != 0;
  bool converted = true;
  if (encoding == Encoding::cp1252)
    cp1252_to_utf16(in, in + cbMultiByte, out);
  else if (encoding == Encoding::utf8)
    converted = utf8_to_utf16(in, in + cbMultiByte, strict, out);
  else
    converted = single_byte_to_utf16(ansi_code_pages::upper_half(CodePage), in, in + cbMultiByte,
                                     strict, out);
  if (!converted) return fail(ERROR_NO_UNICODE_TRANSLATION);
  return result_of(out, cchWideChar == 0);
}

int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                        LPBOOL lpUsedDefaultChar) {
  const Encoding encoding = encoding_of(CodePage);
  if (encoding == Encoding::unknown || encoding == Encoding::single_byte ||
      !valid_buffers(lpWideCharStr, cchWideChar, lpMultiByteStr, cbMultiByte) ||
      (encoding == Encoding::utf8 && (lpDefaultChar != nullptr || lpUsedDefaultChar != nullptr)))
    return fail(ERROR_INVALID_PARAMETER);
  const DWORD allowed = encoding == Encoding::utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  if ((dwFlags & ~allowed) != 0) return fail(ERROR_INVALID_FLAGS);

  Output<char> out{lpMultiByteStr, static_cast<std::size_t>(cbMultiByte)};
  if (encoding == Encoding::cp1252) {
    bool used_default = false;
    utf16_to_cp1252(lpWideCharStr, lpWideCharStr + cchWideChar,
                    lpDefaultChar != nullptr ? *lpDefaultChar : '?', used_default, out);
    if (lpUsedDefaultChar != nullptr) *lpUsedDefaultChar = used_default ? TRUE : FALSE;
  } else if (!utf16_to_utf8(lpWideCharStr, lpWideCharStr + cchWideChar,
                            (dwFlags & WC_ERR_INVALID_CHARS) != 0, out)) {
    return fail(ERROR_NO_UNICODE_TRANSLATION);
  }
  return result_of(out, cbMultiByte == 0);
}

void KelmAppendUtf8(char32_t code_point, std::string& out) {
  if (code_point > 0x10FFFF || is_high_surrogate(code_point) || is_low_surrogate(code_point))
    code_point = 0xFFFD;
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code_point >> 18));
    out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

int KelmCp1252Byte(char32_t code_point) {
  if (code_point == 0 || code_point > 0xFFFF) return no_byte;
  return cp1252_byte_of(static_cast<WCHAR>(code_point));
}

char32_t KelmCp1252Char(unsigned char byte) { return unicode_of_byte[byte]; }
