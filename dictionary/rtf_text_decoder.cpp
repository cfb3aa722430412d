#include "dictionary/rtf_text_decoder.h"

#include "platform/code_page.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace rtf_text {
namespace {

constexpr UINT cp_1252 = 1252;

// The length of the UTF-8 sequence a byte starts, 0 when it starts none;
// which second bytes are allowed is left to the platform's decoder.
std::size_t sequence_length(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

bool is_continuation(unsigned char byte) { return byte >= 0x80 && byte <= 0xBF; }

bool has_8bit_byte(std::string_view bytes) {
  unsigned char any = 0;
  for (const char c : bytes) any |= static_cast<unsigned char>(c);
  return (any & 0x80) != 0;
}

bool has_nul(std::string_view bytes) { return bytes.find('\0') != std::string_view::npos; }

// \uN for one UTF-16 unit, N signed as RTF writes it.
std::string escape(char32_t unit) {
  const long n = unit > 0x7FFF ? static_cast<long>(unit) - 0x10000 : static_cast<long>(unit);
  return "\\u" + std::to_string(n);
}

// A fallback that can stand in the text as it is: printable ASCII.
bool is_plain(std::string_view fallback) {
  return !fallback.empty() && std::all_of(fallback.begin(), fallback.end(),
                                          [](char c) { return c >= 0x20 && c < 0x7F; });
}

}  // namespace

// Dictionaries are nearly all ASCII, which is passed over 32 bytes at a time, then eight; each run
// of 8-bit bytes must be whole sequences.
bool is_utf8(std::string_view bytes) {
  bool any = false;
  for (std::size_t i = 0; i < bytes.size();) {
    std::uint64_t eight;
    if (i + 4 * sizeof eight <= bytes.size()) {
      std::uint64_t words[4];
      std::memcpy(words, bytes.data() + i, sizeof words);
      if (((words[0] | words[1] | words[2] | words[3]) & 0x8080808080808080u) == 0) {
        i += sizeof words;
        continue;
      }
    }
    if (i + sizeof eight <= bytes.size()) {
      std::memcpy(&eight, bytes.data() + i, sizeof eight);
      if ((eight & 0x8080808080808080u) == 0) {
        i += sizeof eight;
        continue;
      }
    }
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    any = true;
    std::size_t end = i;
    while (end < bytes.size() && static_cast<unsigned char>(bytes[end]) >= 0x80) ++end;
    // A run longer than the call takes is no text a dictionary holds.
    if (end - i > static_cast<std::size_t>(std::numeric_limits<int>::max()) ||
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data() + i,
                            static_cast<int>(end - i), nullptr, 0) == 0)
      return false;
    i = end;
  }
  return any;
}

void decoder::set_code_page(UINT code_page) {
  m_codePage = code_page;
  m_knownCodePage = code_page != CP_UTF8 && IsValidCodePage(code_page);
}

void decoder::text(std::string_view bytes, std::string& out, std::string_view escaped) {
  std::size_t i = 0;
  for (; m_escape && m_fallbackLeft > 0 && i < bytes.size(); ++i, --m_fallbackLeft)
    m_fallback += bytes[i];
  // A high half waits for its low half; any other escape is whole once its
  // fallback is.
  if (m_escape && m_fallbackLeft == 0 && !is_high_surrogate(m_escaped)) settle_escape(out);
  if (i == bytes.size()) return;
  settle_escape(out);
  bytes.remove_prefix(i);
  if (!escaped.empty()) escaped.remove_prefix(std::min(i, escaped.size()));
  if (m_partial.empty() && !has_nul(bytes) &&
      (!has_8bit_byte(bytes) || (!m_utf8 && m_codePage == cp_1252))) {
    out += bytes;
    return;
  }
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    const char c = bytes[at];
    const auto byte = static_cast<unsigned char>(c);
    const bool code_page_byte = at < escaped.size() && escaped[at] != 0;
    if (byte < 0x80 || code_page_byte) {
      if (!m_partial.empty()) decode_partial(out, true);
      if (byte == 0)
        put(0, out);
      else if (byte < 0x80)
        out += c;
      else
        put_code_page_byte(byte, out);
    } else if (m_utf8) {
      m_partial += c;
      decode_partial(out, false);
    } else {
      put_code_page_byte(byte, out);
    }
  }
}

void decoder::character(char c, std::string& out) {
  if (m_escape && m_fallbackLeft > 0) {
    m_fallback += c;
    if (--m_fallbackLeft == 0 && !is_high_surrogate(m_escaped)) settle_escape(out);
    return;
  }
  flush(out);
  out += c;
}

void decoder::unicode(long n, long fallback, std::string& out) {
  decode_partial(out, true);
  const char32_t unit = static_cast<std::uint16_t>(n);
  fallback = std::max(0L, fallback);
  if (m_escape && m_fallbackLeft == 0 && is_high_surrogate(m_escaped) && is_low_surrogate(unit)) {
    m_escaped = 0x10000 + ((m_escaped - 0xD800) << 10) + (unit - 0xDC00);
    m_escapeRtf += "?" + escape(unit);
  } else {
    settle_escape(out);
    m_escape = true;
    m_escaped = unit;
    m_escapeRtf = escape(unit);
  }
  m_fallback.clear();
  m_fallbackLeft = fallback;
  // A high half waits for its low half even when it has no fallback.
  if (m_fallbackLeft == 0 && !is_high_surrogate(m_escaped)) settle_escape(out);
}

void decoder::flush_waiting(std::string& out) {
  decode_partial(out, true);
  settle_escape(out);
}

bool decoder::takes_as_it_is(std::string_view bytes) const {
  return !m_escape && m_partial.empty() && !has_8bit_byte(bytes) && !has_nul(bytes);
}

void decoder::put(char32_t code_point, std::string& out) {
  const int byte = KelmCp1252Byte(code_point);
  if (byte >= 0) {
    out += static_cast<char>(byte);
    return;
  }
  std::string rtf;
  if (code_point <= 0xFFFF) {
    rtf = escape(code_point);
  } else {
    rtf = escape(0xD800 + ((code_point - 0x10000) >> 10)) + "?" +
          escape(0xDC00 + (code_point & 0x3FF));
  }
  report(out.size(), std::move(rtf));
  out += '?';
}

void decoder::put_code_page_byte(unsigned char byte, std::string& out) {
  if (byte < 0x80 || m_codePage == cp_1252) {
    out += static_cast<char>(byte);
    return;
  }
  const char c = static_cast<char>(byte);
  WCHAR unit = 0;
  if (m_knownCodePage &&
      MultiByteToWideChar(m_codePage, MB_ERR_INVALID_CHARS, &c, 1, &unit, 1) == 1) {
    put(unit, out);
    return;
  }
  report(out.size(), {});
  out += '?';
}

void decoder::decode_partial(std::string& out, bool cut_short) {
  while (!m_partial.empty()) {
    const auto lead = static_cast<unsigned char>(m_partial[0]);
    const std::size_t length = sequence_length(lead);
    std::size_t whole = 1;
    while (whole < std::min(length, m_partial.size()) &&
           is_continuation(static_cast<unsigned char>(m_partial[whole])))
      ++whole;
    if (length != 0 && whole == m_partial.size() && whole < length && !cut_short) return;
    WCHAR units[2];
    const int count = length != 0 && whole == length
                          ? MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, m_partial.data(),
                                                static_cast<int>(length), units, 2)
                          : 0;
    if (count <= 0) {
      // Not UTF-8: an escaped byte of the code page.
      put_code_page_byte(lead, out);
      m_partial.erase(0, 1);
      continue;
    }
    put(count == 1 ? char32_t{units[0]}
                   : 0x10000 + ((char32_t{units[0]} - 0xD800) << 10) + (units[1] - 0xDC00),
        out);
    m_partial.erase(0, length);
  }
}

void decoder::settle_escape(std::string& out) {
  if (!m_escape) return;
  m_escape = false;
  const int byte = KelmCp1252Byte(m_escaped);
  if (byte >= 0) {
    out += static_cast<char>(byte);
    return;
  }
  report(out.size(), std::move(m_escapeRtf));
  out += is_plain(m_fallback) ? m_fallback : std::string("?");
}

void decoder::report(std::size_t position, std::string rtf) {
  m_found.push_back({position, std::move(rtf)});
  ++m_count;
}

}  // namespace rtf_text
