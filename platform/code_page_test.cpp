#include "platform/code_page.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/error.h"

namespace {

template <typename Char>
std::string hex_of(std::basic_string_view<Char> text) {
  std::string out;
  char digits[8];
  for (const Char c : text) {
    std::snprintf(digits, sizeof digits, sizeof(Char) == 1 ? "%02X " : "%04X ",
                  static_cast<unsigned>(static_cast<std::make_unsigned_t<Char>>(c)));
    out += digits;
  }
  return out;
}

// Whole conversions as a caller makes them: ask the size, then convert.
std::u16string to_utf16(UINT code_page, std::string_view bytes) {
  const int size = static_cast<int>(bytes.size());
  std::u16string out(MultiByteToWideChar(code_page, 0, bytes.data(), size, nullptr, 0), u'\0');
  out.resize(MultiByteToWideChar(code_page, 0, bytes.data(), size, out.data(),
                                 static_cast<int>(out.size())));
  return out;
}

std::string from_utf16(UINT code_page, std::u16string_view units, DWORD flags = 0,
                       LPCSTR default_char = nullptr, BOOL* used_default = nullptr) {
  const int size = static_cast<int>(units.size());
  std::string out(
      WideCharToMultiByte(code_page, flags, units.data(), size, nullptr, 0, default_char, nullptr),
      '\0');
  out.resize(WideCharToMultiByte(code_page, flags, units.data(), size, out.data(),
                                 static_cast<int>(out.size()), default_char, used_default));
  return out;
}

// glibc's table, an independent reading of the code page; "" where it has
// none (such as the five bytes Windows-1252 leaves undefined).
std::string iconv_to_utf8(const char* code_page, char byte) {
  const iconv_t cd = iconv_open("UTF-8", code_page);
  char out[8];
  char* in_at = &byte;
  char* out_at = out;
  std::size_t in_left = 1;
  std::size_t out_left = sizeof out;
  // 1255 and 1258 hold a letter back in case a combining mark follows.
  const bool converted = iconv(cd, &in_at, &in_left, &out_at, &out_left) == 0 &&
                         iconv(cd, nullptr, nullptr, &out_at, &out_left) == 0;
  iconv_close(cd);
  return converted ? std::string(out, out_at) : "";
}

TEST(CodePageTest, EveryWindows1252ByteRoundTripsThroughUtf16AndUtf8) {
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const std::u16string wide = to_utf16(1252, byte);
    ASSERT_EQ(1u, wide.size()) << "byte " << b;
    EXPECT_EQ(wide, to_utf16(CP_ACP, byte)) << "byte " << b;
    const std::string utf8 = from_utf16(CP_UTF8, wide);
    const std::string want = iconv_to_utf8("CP1252", byte[0]);
    if (want.empty()) {
      EXPECT_EQ(b, wide[0]) << "undefined byte " << b << " is the C1 control of its value";
    } else {
      EXPECT_EQ(hex_of<char>(want), hex_of<char>(utf8)) << "byte " << b;
    }
    BOOL used_default = TRUE;
    EXPECT_EQ(hex_of<char>(byte), hex_of<char>(from_utf16(1252, wide, 0, nullptr, &used_default)))
        << "byte " << b;
    EXPECT_FALSE(used_default) << "byte " << b;
    EXPECT_EQ(hex_of<char16_t>(wide), hex_of<char16_t>(to_utf16(CP_UTF8, utf8))) << "byte " << b;
    // The one-character calls agree with the string calls.
    EXPECT_EQ(char32_t{wide[0]}, KelmCp1252Char(static_cast<unsigned char>(b))) << "byte " << b;
    EXPECT_EQ(b == 0 ? -1 : b, KelmCp1252Byte(wide[0])) << "byte " << b;
    std::string one;
    KelmAppendUtf8(wide[0], one);
    EXPECT_EQ(hex_of<char>(utf8), hex_of<char>(one)) << "byte " << b;
  }
}

// Characters one at a time: those beyond the code page have no byte, and
// what is no character becomes U+FFFD in UTF-8.
TEST(CodePageTest, OneCharacterAtATime) {
  for (const char32_t c :
       {U'\x80', U'\x9F', U'\x100', U'\xD800', U'\xDFFF', U'\xFFFF', U'\x1F30F', U'\x110000'})
    EXPECT_EQ(-1, KelmCp1252Byte(c)) << std::hex << static_cast<unsigned>(c);
  const struct {
    char32_t c;
    const char* utf8;
  } cases[] = {{U'\x1F30F', "\xF0\x9F\x8C\x8F"}, {U'\x10FFFF', "\xF4\x8F\xBF\xBF"},
               {U'\xD800', "\xEF\xBF\xBD"},      {U'\xDC00', "\xEF\xBF\xBD"},
               {U'\x110000', "\xEF\xBF\xBD"},    {U'\x7FF', "\xDF\xBF"}};
  for (const auto& c : cases) {
    std::string out;
    KelmAppendUtf8(c.c, out);
    EXPECT_EQ(hex_of<char>(c.utf8), hex_of<char>(out)) << std::hex << static_cast<unsigned>(c.c);
  }
}

// One default byte per character, so positions in the result are character
// positions; the C1 controls other than the undefined five have no byte,
// since theirs stand for other characters.
// The other code pages that files declare are read byte for byte as glibc
// reads them; a byte the code page leaves undefined fails under
// MB_ERR_INVALID_CHARS and is U+FFFD otherwise. They are not written.
TEST(CodePageTest, OtherSingleByteCodePagesReadAsGlibcReadsThem) {
  const struct {
    UINT code_page;
    const char* iconv_name;
  } code_pages[] = {{1250, "CP1250"}, {1251, "CP1251"}, {1253, "CP1253"}, {1254, "CP1254"},
                    {1255, "CP1255"}, {1256, "CP1256"}, {1257, "CP1257"}, {1258, "CP1258"},
                    {437, "IBM437"},  {850, "IBM850"}};
  for (const auto& cp : code_pages) {
    EXPECT_TRUE(IsValidCodePage(cp.code_page)) << cp.code_page;
    for (int b = 0x80; b <= 0xFF; ++b) {
      const char byte = static_cast<char>(b);
      WCHAR unit = 0;
      const int strict =
          MultiByteToWideChar(cp.code_page, MB_ERR_INVALID_CHARS, &byte, 1, &unit, 1);
      const std::string theirs = iconv_to_utf8(cp.iconv_name, byte);
      if (strict == 1) {
        EXPECT_EQ(theirs, from_utf16(CP_UTF8, std::u16string(1, unit)))
            << cp.code_page << " byte " << b;
      } else {
        EXPECT_EQ(ERROR_NO_UNICODE_TRANSLATION, GetLastError()) << cp.code_page << " byte " << b;
        EXPECT_EQ(u"\uFFFD", to_utf16(cp.code_page, std::string(1, byte))) << cp.code_page;
      }
    }
    const WCHAR a = u'a';
    char out = 0;
    EXPECT_EQ(0, WideCharToMultiByte(cp.code_page, 0, &a, 1, &out, 1, nullptr, nullptr));
  }
  for (const UINT unknown : {0u, 932u, 1200u, 28591u})
    EXPECT_FALSE(IsValidCodePage(unknown)) << unknown;
  EXPECT_TRUE(IsValidCodePage(1252));
  EXPECT_TRUE(IsValidCodePage(CP_UTF8));
}

TEST(CodePageTest, CharactersWindows1252CannotHoldBecomeTheDefaultChar) {
  const struct {
    std::u16string wide;
    LPCSTR default_char;
    std::string want;
    BOOL used_default;
  } cases[] = {
      {u"caf\u00E9 \u20AC\u2019", nullptr, "caf\xE9 \x80\x92", FALSE},
      {u"\x0081\x008D\x008F\x0090\x009D", nullptr, "\x81\x8D\x8F\x90\x9D", FALSE},
      {u"a\u2192z", nullptr, "a?z", TRUE},
      {u"\U0001F600!", nullptr, "?!", TRUE},
      {u"\x0085\x0080", nullptr, "??", TRUE},
      {u"\u0100", "*", "*", TRUE},  // no best fit ('A'): always the default char
      {std::u16string{0xD800} + u"x", nullptr, "?x", TRUE},
      {std::u16string{0xDC00}, "*", "*", TRUE},
  };
  for (const DWORD flags : {DWORD{0}, WC_NO_BEST_FIT_CHARS}) {
    for (const auto& c : cases) {
      BOOL used_default = 2;
      EXPECT_EQ(hex_of<char>(c.want),
                hex_of<char>(from_utf16(1252, c.wide, flags, c.default_char, &used_default)))
          << hex_of<char16_t>(c.wide) << "flags " << flags;
      EXPECT_EQ(c.used_default, used_default) << hex_of<char16_t>(c.wide);
    }
  }
}

// Each maximal well-formed beginning of a bad sequence, or else each byte,
// is one U+FFFD, as Unicode recommends; the strict flag fails instead.
TEST(CodePageTest, MalformedUtf8AndUnpairedSurrogatesBecomeReplacementsOrFail) {
  const std::u16string r16(1, 0xFFFD);
  const struct {
    std::string utf8;
    std::u16string utf16;
    bool well_formed;
  } decoding[] = {
      {"\xE0\xA0\x80\xEF\xBF\xBF", u"\u0800\uFFFF", true},
      {"\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", u"\U0001F600\U0010FFFF", true},
      {"\xC0\x80", r16 + r16, false},                      // overlong NUL
      {"\xF0\x8F\xBF\xBF", r16 + r16 + r16 + r16, false},  // overlong U+FFFF
      {"\xF0\x9F\x98", r16, false},                        // cut short at the end
      {"\xE2\x82z", r16 + u"z", false},                    // cut short by an ordinary character
      {"\xED\xA0\x80", r16 + r16 + r16, false},            // an encoded surrogate
      {"\xF4\x90\x80\x80", r16 + r16 + r16 + r16, false},  // beyond U+10FFFF
      {"a\x80\xFF"
       "b",
       u"a" + r16 + r16 + u"b", false},
  };
  for (const auto& c : decoding) {
    EXPECT_EQ(hex_of<char16_t>(c.utf16), hex_of<char16_t>(to_utf16(CP_UTF8, c.utf8)))
        << hex_of<char>(c.utf8);
    WCHAR out[16];
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(c.well_formed ? static_cast<int>(c.utf16.size()) : 0,
              MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, c.utf8.data(),
                                  static_cast<int>(c.utf8.size()), out, 16))
        << hex_of<char>(c.utf8);
    EXPECT_EQ(c.well_formed ? ERROR_SUCCESS : ERROR_NO_UNICODE_TRANSLATION, GetLastError())
        << hex_of<char>(c.utf8);
  }

  const std::string r8 = "\xEF\xBF\xBD";
  const struct {
    std::u16string utf16;
    std::string utf8;
    bool well_formed;
  } encoding[] = {
      {u"\U00010000\U0010FFFF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", true},
      {std::u16string{0xD800}, r8, false},
      {std::u16string{0xDC00, 0xD800}, r8 + r8, false},
      {std::u16string{0xD800, 0xD800, 0xDC00}, r8 + "\xF0\x90\x80\x80", false},
  };
  for (const auto& c : encoding) {
    EXPECT_EQ(hex_of<char>(c.utf8), hex_of<char>(from_utf16(CP_UTF8, c.utf16)))
        << hex_of<char16_t>(c.utf16);
    char out[16];
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(c.well_formed ? static_cast<int>(c.utf8.size()) : 0,
              WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, c.utf16.data(),
                                  static_cast<int>(c.utf16.size()), out, 16, nullptr, nullptr))
        << hex_of<char16_t>(c.utf16);
    EXPECT_EQ(c.well_formed ? ERROR_SUCCESS : ERROR_NO_UNICODE_TRANSLATION, GetLastError())
        << hex_of<char16_t>(c.utf16);
  }
}

// Sizes, short buffers and bad arguments, each way. A success leaves the
// last error alone, as Win32's calls do.
TEST(CodePageTest, SizesBuffersAndArgumentsAsWin32) {
  constexpr DWORD untouched = 0xDEAD;
  constexpr int null_output = -100;  // stands for a null buffer of size 8
  WCHAR wide[8] = {};
  const struct {
    UINT code_page;
    DWORD flags;
    LPCSTR in;
    int in_count;
    int out_size;
    int want;
    DWORD error;
  } to_wide[] = {
      {1252, 0, "a\x80", -1, 0, 3, untouched},  // -1 counts the NUL
      {1252, 0, "a\x80", -1, 2, 0, ERROR_INSUFFICIENT_BUFFER},
      {CP_UTF8, 0, "\xF0\x9F\x98\x80", 4, 0, 2, untouched},
      {CP_UTF8, 0, "\xF0\x9F\x98\x80", 4, 1, 0, ERROR_INSUFFICIENT_BUFFER},
      {1252, 0, "abc", 0, 8, 0, ERROR_INVALID_PARAMETER},
      {1252, 0, "abc", -2, 8, 0, ERROR_INVALID_PARAMETER},
      {1252, 0, nullptr, 3, 8, 0, ERROR_INVALID_PARAMETER},
      {1252, 0, "abc", 3, null_output, 0, ERROR_INVALID_PARAMETER},
      {1252, 0, "abc", 3, -1, 0, ERROR_INVALID_PARAMETER},
      {932, 0, "abc", 3, 8, 0, ERROR_INVALID_PARAMETER},
      {CP_UTF8, MB_PRECOMPOSED, "a", 1, 8, 0, ERROR_INVALID_FLAGS},
      {1252, MB_PRECOMPOSED | MB_ERR_INVALID_CHARS, "\x81", 1, 8, 1, untouched},
      {1252, 0x2, "a", 1, 8, 0, ERROR_INVALID_FLAGS},  // Windows' MB_COMPOSITE, not offered
  };
  for (const auto& c : to_wide) {
    SetLastError(untouched);
    const bool null = c.out_size == null_output;
    EXPECT_EQ(c.want, MultiByteToWideChar(c.code_page, c.flags, c.in, c.in_count,
                                          null ? nullptr : wide, null ? 8 : c.out_size))
        << c.code_page << " " << (c.in ? c.in : "null") << " " << c.in_count << " into "
        << c.out_size;
    EXPECT_EQ(c.error, GetLastError()) << c.code_page << " " << c.in_count << " " << c.out_size;
  }
  SetLastError(untouched);
  EXPECT_EQ(3, MultiByteToWideChar(1252, 0, "a\x80", -1, wide, 3)) << "exact fit";
  EXPECT_EQ(hex_of<char16_t>(std::u16string_view(u"a\u20AC", 3)),
            hex_of<char16_t>(std::u16string_view(wide, 3)))
      << "the NUL is written";
  EXPECT_EQ(untouched, GetLastError()) << "exact fit";

  char bytes[8] = {};
  BOOL used_default = FALSE;
  const struct {
    UINT code_page;
    DWORD flags;
    LPCWSTR in;
    int in_count;
    LPSTR out;
    int out_size;
    LPCSTR default_char;
    BOOL* used_default;
    int want;
    DWORD error;
  } to_bytes[] = {
      {CP_UTF8, 0, u"\u20AC", -1, nullptr, 0, nullptr, nullptr, 4, untouched},
      {CP_UTF8, 0, u"\u20AC", 1, bytes, 2, nullptr, nullptr, 0, ERROR_INSUFFICIENT_BUFFER},
      {1252, 0, u"ab", 2, bytes, 2, nullptr, nullptr, 2, untouched},
      {1252, 0, u"ab", -1, bytes, 2, nullptr, nullptr, 0, ERROR_INSUFFICIENT_BUFFER},
      {1252, 0, wide, 1, reinterpret_cast<LPSTR>(wide), 2, nullptr, nullptr, 0,
       ERROR_INVALID_PARAMETER},  // the same buffer both ways
      {CP_UTF8, 0, u"a", 1, bytes, 8, "?", nullptr, 0, ERROR_INVALID_PARAMETER},
      {CP_UTF8, 0, u"a", 1, bytes, 8, nullptr, &used_default, 0, ERROR_INVALID_PARAMETER},
      {1252, WC_ERR_INVALID_CHARS, u"a", 1, bytes, 8, nullptr, nullptr, 0, ERROR_INVALID_FLAGS},
  };
  for (const auto& c : to_bytes) {
    SetLastError(untouched);
    EXPECT_EQ(c.want, WideCharToMultiByte(c.code_page, c.flags, c.in, c.in_count, c.out, c.out_size,
                                          c.default_char, c.used_default))
        << c.code_page << " " << c.in_count << " into " << c.out_size;
    EXPECT_EQ(c.error, GetLastError()) << c.code_page << " " << c.in_count << " " << c.out_size;
  }
}

}  // namespace
