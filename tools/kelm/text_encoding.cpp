#include "text_encoding.h"

#include <algorithm>
#include <cstddef>

namespace kelm_cli {
namespace {

// Text goes through a UTF-16 buffer on the stack, a piece at a time, so that
// no length overflows the calls' int counts.
constexpr std::size_t piece_size = 4096;

// A character of Windows-1252 lies in the Basic Multilingual Plane, so its
// UTF-8 form is at most three bytes.
constexpr std::size_t most_utf8_bytes = 3;

bool is_continuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// Where a piece of UTF-8 ends: at most piece_size bytes, and never inside a
// sequence, which has at most three continuation bytes. Past four of them
// no sequence, well-formed or not, runs on, so any cut there will do.
std::size_t piece_end(std::string_view utf8) {
  if (utf8.size() <= piece_size) return utf8.size();
  for (std::size_t end = piece_size; end > piece_size - 4; --end)
    if (!is_continuation(utf8[end])) return end;
  return piece_size;
}

}  // namespace

std::string to_utf8(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size());
  WCHAR wide[piece_size];
  while (!cp1252.empty()) {
    const int length = static_cast<int>(std::min(cp1252.size(), piece_size));
    MultiByteToWideChar(CP_ACP, 0, cp1252.data(), length, wide, length);
    const std::size_t at = out.size();
    out.resize(at + most_utf8_bytes * length);
    out.resize(at + WideCharToMultiByte(CP_UTF8, 0, wide, length, out.data() + at,
                                        static_cast<int>(most_utf8_bytes) * length, nullptr,
                                        nullptr));
    cp1252.remove_prefix(length);
  }
  return out;
}

// UTF-8 never takes more UTF-16 units than bytes, nor UTF-16 more bytes of
// Windows-1252 than units.
std::string to_cp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  WCHAR wide[piece_size];
  while (!utf8.empty()) {
    const std::size_t end = piece_end(utf8);
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(end), wide,
                                          static_cast<int>(piece_size));
    const std::size_t at = out.size();
    out.resize(at + units);
    out.resize(at + WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, units, out.data() + at,
                                        units, nullptr, nullptr));
    utf8.remove_prefix(end);
  }
  return out;
}

std::string printable(std::string_view text) { return to_utf8(text); }

std::string printable(const CString& text) { return to_utf8(text.View()); }

}  // namespace kelm_cli
