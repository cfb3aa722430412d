#include "text_encoding.h"

#include <array>
#include <cstdint>

namespace kelm_cli {
namespace {

// Bytes 0x80-0x9F; the rest of Windows-1252 is Latin-1, byte for code point.
// The undefined bytes hold their own value.
constexpr std::array<char32_t, 32> high_controls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char unrepresentable = '?';

char32_t code_point_of(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? high_controls[byte - 0x80] : char32_t{byte};
}

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    // Every code point of Windows-1252 lies in the Basic Multilingual Plane.
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

char cp1252_of(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (std::size_t i = 0; i < high_controls.size(); ++i)
    if (high_controls[i] == c) return static_cast<char>(0x80 + i);
  return unrepresentable;
}

struct Decoded {
  char32_t code_point;
  std::size_t length;  // 0 when the bytes at the start are not well-formed
};

struct LeadByte {
  unsigned char mask;
  unsigned char value;
  std::size_t length;
  char32_t minimum;  // below it the sequence would be an overlong form
};

constexpr std::array<LeadByte, 3> lead_bytes = {{
    {0xE0, 0xC0, 2, 0x80},
    {0xF0, 0xE0, 3, 0x800},
    {0xF8, 0xF0, 4, 0x10000},
}};

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
Decoded decode_one(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  if (byte(0) < 0x80) return {byte(0), 1};
  for (const LeadByte& lead : lead_bytes) {
    if ((byte(0) & lead.mask) != lead.value) continue;
    if (text.size() < lead.length) return {0, 0};
    char32_t c = byte(0) & static_cast<unsigned char>(~lead.mask);
    for (std::size_t i = 1; i < lead.length; ++i) {
      if ((byte(i) & 0xC0) != 0x80) return {0, 0};
      c = (c << 6) | (byte(i) & 0x3F);
    }
    if (c < lead.minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {0, 0};
    return {c, lead.length};
  }
  return {0, 0};
}

}  // namespace

std::string to_utf8(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size());
  for (const char ch : cp1252) append_utf8(out, code_point_of(static_cast<unsigned char>(ch)));
  return out;
}

std::string to_cp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  while (!utf8.empty()) {
    const Decoded d = decode_one(utf8);
    if (d.length == 0) {
      out += unrepresentable;
      utf8.remove_prefix(1);
    } else {
      out += cp1252_of(d.code_point);
      utf8.remove_prefix(d.length);
    }
  }
  return out;
}

std::string printable(std::string_view text) { return to_utf8(text); }

std::string printable(const CString& text) { return to_utf8(text.View()); }

}  // namespace kelm_cli
