#include "platform/code_page.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "platform/error.h"

namespace {

std::string hex_of(std::string_view bytes) {
  std::string out;
  char digits[4];
  for (const unsigned char b : bytes) {
    std::snprintf(digits, sizeof digits, "%02X ", b);
    out += digits;
  }
  return out;
}

std::string hex_of(std::u16string_view units) {
  std::string out;
  char digits[6];
  for (const char16_t u : units) {
    std::snprintf(digits, sizeof digits, "%04X ", static_cast<unsigned>(u));
    out += digits;
  }
  return out;
}

// Whole conversions as a caller makes them: ask the size, then convert.
std::u16string to_utf16(UINT code_page, std::string_view bytes, DWORD flags = 0) {
  const int size = static_cast<int>(bytes.size());
  std::u16string out(MultiByteToWideChar(code_page, flags, bytes.data(), size, nullptr, 0), u'\0');
  out.resize(MultiByteToWideChar(code_page, flags, bytes.data(), size, out.data(),
                                 static_cast<int>(out.size())));
  return out;
}

std::string from_utf16(UINT code_page, std::u16string_view units, DWORD flags = 0,
                       LPCSTR default_char = nullptr, BOOL* used_default = nullptr) {
  const int size = static_cast<int>(units.size());
  std::string out(WideCharToMultiByte(code_page, flags, units.data(), size, nullptr, 0,
                                      default_char, used_default),
                  '\0');
  out.resize(WideCharToMultiByte(code_page, flags, units.data(), size, out.data(),
                                 static_cast<int>(out.size()), default_char, used_default));
  return out;
}

// glibc's own table, an independent reading of the code page.
std::string iconv_from_cp1252(const std::string& bytes, const char* to) {
  const iconv_t cd = iconv_open(to, "CP1252");
  std::string in = bytes;
  std::string out(16, '\0');
  char* in_at = in.data();
  char* out_at = out.data();
  std::size_t in_left = in.size();
  std::size_t out_left = out.size();
  const std::size_t converted = iconv(cd, &in_at, &in_left, &out_at, &out_left);
  iconv_close(cd);
  if (converted == static_cast<std::size_t>(-1)) return "none";
  out.resize(out.size() - out_left);
  return out;
}

bool undefined_in_cp1252(int b) {
  return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

TEST(CodePageTest, EveryWindows1252ByteRoundTripsThroughUtf16AndUtf8) {
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const std::u16string wide = to_utf16(1252, byte);
    ASSERT_EQ(1u, wide.size()) << "byte " << b;
    EXPECT_EQ(wide, to_utf16(CP_ACP, byte)) << "byte " << b;
    const std::string utf8 = from_utf16(CP_UTF8, wide);
    if (undefined_in_cp1252(b)) {
      EXPECT_EQ(b, wide[0]) << "undefined byte " << b << " is the C1 control of its value";
    } else {
      const std::string want = iconv_from_cp1252(byte, "UTF-8");
      EXPECT_EQ(hex_of(want), hex_of(utf8)) << "byte " << b;
    }
    BOOL used_default = TRUE;
    EXPECT_EQ(hex_of(byte), hex_of(from_utf16(1252, wide, 0, nullptr, &used_default)))
        << "byte " << b;
    EXPECT_FALSE(used_default) << "byte " << b;
    EXPECT_EQ(hex_of(wide), hex_of(to_utf16(CP_UTF8, utf8))) << "byte " << b;
  }
}

// One default byte per character, so positions in the result are character
// positions; the C1 controls other than the undefined five have no byte,
// since theirs stand for other characters.
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
      {u"\U0001F600!", nullptr, "?!", TRUE},  // a surrogate pair is one character
      {u"\x0085\x0080", nullptr, "??", TRUE},
      {u"\u0100", "*", "*", TRUE},  // no best fit ('A'): always the default char
      {std::u16string(1, 0xD800) + u"x", nullptr, "?x", TRUE},
      {std::u16string(1, 0xDC00), "*", "*", TRUE},
  };
  for (const DWORD flags : {DWORD{0}, WC_NO_BEST_FIT_CHARS}) {
    for (const auto& c : cases) {
      BOOL used_default = 2;
      EXPECT_EQ(hex_of(c.want),
                hex_of(from_utf16(1252, c.wide, flags, c.default_char, &used_default)))
          << hex_of(c.wide) << "flags " << flags;
      EXPECT_EQ(c.used_default, used_default) << hex_of(c.wide);
    }
  }
}

// Each maximal well-formed beginning of a bad sequence, or else each byte,
// is one U+FFFD, as Unicode recommends.
TEST(CodePageTest, MalformedUtf8BecomesReplacementCharactersOrFailsWhenAsked) {
  const std::u16string r(1, 0xFFFD);
  const struct {
    std::string utf8;
    std::u16string want;
    bool well_formed;
  } cases[] = {
      {"\xE0\xA0\x80", u"\u0800", true},
      {"\xEF\xBF\xBF", u"\uFFFF", true},
      {"\xF0\x9F\x98\x80", u"\U0001F600", true},
      {"\xF4\x8F\xBF\xBF", u"\U0010FFFF", true},
      {"\xC0\x80", r + r, false},                  // overlong NUL
      {"\xE0\x80\xAF", r + r + r, false},          // overlong '/'
      {"\xF0\x8F\xBF\xBF", r + r + r + r, false},  // overlong U+FFFF
      {"\xC3", r, false},                          // cut short at the end
      {"\xF0\x9F\x98", r, false},
      {"\xE2\x82z", r + u"z", false},      // cut short by an ordinary character
      {"\xED\xA0\x80", r + r + r, false},  // an encoded surrogate
      {"\xED\xA0\xBD\xED\xB8\x80", r + r + r + r + r + r, false},  // an encoded pair
      {"\xF4\x90\x80\x80", r + r + r + r, false},                  // beyond U+10FFFF
      {"\xF5\x80\x80\x80", r + r + r + r, false},
      {"a\x80\xFF"
       "b",
       u"a" + r + r + u"b", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(hex_of(c.want), hex_of(to_utf16(CP_UTF8, c.utf8))) << hex_of(c.utf8);
    SetLastError(ERROR_SUCCESS);
    std::u16string out(16, u'\0');
    const int got = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, c.utf8.data(),
                                        static_cast<int>(c.utf8.size()), out.data(), 16);
    EXPECT_EQ(c.well_formed ? static_cast<int>(c.want.size()) : 0, got) << hex_of(c.utf8);
    EXPECT_EQ(c.well_formed ? ERROR_SUCCESS : ERROR_NO_UNICODE_TRANSLATION, GetLastError())
        << hex_of(c.utf8);
  }
}

TEST(CodePageTest, UnpairedSurrogatesBecomeReplacementCharactersOrFailWhenAsked) {
  const char16_t high = 0xD800;
  const char16_t low = 0xDC00;
  const std::string r = "\xEF\xBF\xBD";
  const struct {
    std::u16string wide;
    std::string want;
    bool well_formed;
  } cases[] = {
      {u"\U0001F600", "\xF0\x9F\x98\x80", true},
      {u"\U00010000\U0010FFFF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", true},
      {std::u16string{high}, r, false},
      {std::u16string{low} + u"a", r + "a", false},
      {std::u16string{low, high}, r + r, false},
      {std::u16string{high, high, low}, r + "\xF0\x90\x80\x80", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(hex_of(c.want), hex_of(from_utf16(CP_UTF8, c.wide))) << hex_of(c.wide);
    SetLastError(ERROR_SUCCESS);
    char out[16];
    const int got = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, c.wide.data(),
                                        static_cast<int>(c.wide.size()), out, 16, nullptr, nullptr);
    EXPECT_EQ(c.well_formed ? static_cast<int>(c.want.size()) : 0, got) << hex_of(c.wide);
    EXPECT_EQ(c.well_formed ? ERROR_SUCCESS : ERROR_NO_UNICODE_TRANSLATION, GetLastError())
        << hex_of(c.wide);
  }
}

// A success leaves the last error alone, as Win32 does.
TEST(CodePageTest, SizesBuffersAndArgumentsAsWin32) {
  WCHAR wide[8] = {};
  char bytes[8] = {};
  BOOL used_default = FALSE;
  const DWORD untouched = 0xDEAD;
  const struct {
    const char* call;
    std::function<int()> run;
    int want;
    DWORD error;
  } cases[] = {
      {"1252 -1 size", [&] { return MultiByteToWideChar(1252, 0, "abc", -1, nullptr, 0); }, 4,
       untouched},
      {"UTF-8 euro size",
       [&] { return MultiByteToWideChar(CP_UTF8, 0, "\xE2\x82\xAC", 3, nullptr, 0); }, 1,
       untouched},
      {"UTF-8 pair size",
       [&] { return MultiByteToWideChar(CP_UTF8, 0, "\xF0\x9F\x98\x80", 4, nullptr, 0); }, 2,
       untouched},
      {"1252 exact fit", [&] { return MultiByteToWideChar(1252, 0, "abc", -1, wide, 4); }, 4,
       untouched},
      {"1252 one short", [&] { return MultiByteToWideChar(1252, 0, "abc", -1, wide, 3); }, 0,
       ERROR_INSUFFICIENT_BUFFER},
      {"UTF-8 pair half fits",
       [&] { return MultiByteToWideChar(CP_UTF8, 0, "\xF0\x9F\x98\x80", 4, wide, 1); }, 0,
       ERROR_INSUFFICIENT_BUFFER},
      {"to UTF-8 -1 size",
       [&] { return WideCharToMultiByte(CP_UTF8, 0, u"\u20AC", -1, nullptr, 0, nullptr, nullptr); },
       4, untouched},
      {"to UTF-8 one short",
       [&] { return WideCharToMultiByte(CP_UTF8, 0, u"\u20AC", 1, bytes, 2, nullptr, nullptr); }, 0,
       ERROR_INSUFFICIENT_BUFFER},
      {"to 1252 exact fit",
       [&] { return WideCharToMultiByte(1252, 0, u"ab", 2, bytes, 2, nullptr, nullptr); }, 2,
       untouched},
      {"to 1252 one short",
       [&] { return WideCharToMultiByte(1252, 0, u"ab", -1, bytes, 2, nullptr, nullptr); }, 0,
       ERROR_INSUFFICIENT_BUFFER},
      {"count 0", [&] { return MultiByteToWideChar(1252, 0, "abc", 0, wide, 8); }, 0,
       ERROR_INVALID_PARAMETER},
      {"count -2", [&] { return MultiByteToWideChar(1252, 0, "abc", -2, wide, 8); }, 0,
       ERROR_INVALID_PARAMETER},
      {"null input", [&] { return MultiByteToWideChar(1252, 0, nullptr, 3, wide, 8); }, 0,
       ERROR_INVALID_PARAMETER},
      {"null output", [&] { return MultiByteToWideChar(1252, 0, "abc", 3, nullptr, 8); }, 0,
       ERROR_INVALID_PARAMETER},
      {"negative output size", [&] { return MultiByteToWideChar(1252, 0, "abc", 3, wide, -1); }, 0,
       ERROR_INVALID_PARAMETER},
      {"code page 437", [&] { return MultiByteToWideChar(437, 0, "abc", 3, wide, 8); }, 0,
       ERROR_INVALID_PARAMETER},
      {"same buffer",
       [&] {
         return WideCharToMultiByte(1252, 0, wide, 1, reinterpret_cast<LPSTR>(wide), 2, nullptr,
                                    nullptr);
       },
       0, ERROR_INVALID_PARAMETER},
      {"UTF-8 with a default char",
       [&] { return WideCharToMultiByte(CP_UTF8, 0, u"a", 1, bytes, 8, "?", nullptr); }, 0,
       ERROR_INVALID_PARAMETER},
      {"UTF-8 with its report",
       [&] { return WideCharToMultiByte(CP_UTF8, 0, u"a", 1, bytes, 8, nullptr, &used_default); },
       0, ERROR_INVALID_PARAMETER},
      {"UTF-8 with MB_PRECOMPOSED",
       [&] { return MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", 1, wide, 8); }, 0,
       ERROR_INVALID_FLAGS},
      {"1252 with WC_ERR_INVALID_CHARS",
       [&] {
         return WideCharToMultiByte(1252, WC_ERR_INVALID_CHARS, u"a", 1, bytes, 8, nullptr,
                                    nullptr);
       },
       0, ERROR_INVALID_FLAGS},
  };
  for (const auto& c : cases) {
    SetLastError(untouched);
    EXPECT_EQ(c.want, c.run()) << c.call;
    EXPECT_EQ(c.error, GetLastError()) << c.call;
  }
  ASSERT_EQ(4, MultiByteToWideChar(1252, 0, "ab\x80", -1, wide, 8));
  EXPECT_EQ(hex_of(std::u16string_view(u"ab\u20AC", 4)), hex_of(std::u16string_view(wide, 4)))
      << "-1 keeps the NUL";
}

}  // namespace
