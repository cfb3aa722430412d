#include "captions/caption_messages.h"

#include <string>

#include "translation/readable_text.h"

namespace captions {
namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Percent escapes decoded, and '+' a blank as forms send it; false for a
// malformed escape.
bool decode_component(std::string_view text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] != '%') {
      out += text[i];
    } else {
      if (i + 2 >= text.size()) return false;
      const int high = hex_value(text[i + 1]);
      const int low = hex_value(text[i + 2]);
      if (high < 0 || low < 0) return false;
      out += static_cast<char>(high * 16 + low);
      i += 2;
    }
  }
  return true;
}

}  // namespace

std::string TextMessage(std::string_view text) { return "T" + readable_text::ToUtf8(text); }

std::string EditMessage(std::string_view taken_back, std::string_view added) {
  return "E" + std::to_string(readable_text::CountUtf16Units(taken_back)) + ":" +
         readable_text::ToUtf8(added);
}

Target ParseTarget(std::string_view target) {
  Target parsed;
  if (target.empty() || target.front() != '/') return parsed;
  const std::size_t question = target.find('?');
  if (!decode_component(target.substr(0, question), parsed.path)) return parsed;
  if (question != std::string_view::npos) {
    std::string_view query = target.substr(question + 1);
    while (!query.empty()) {
      const std::size_t amp = query.find('&');
      const std::string_view pair = query.substr(0, amp);
      query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
      const std::size_t equals = pair.find('=');
      if (pair.substr(0, equals) != "token") continue;
      const std::string_view value =
          equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1);
      if (!decode_component(value, parsed.token)) return parsed;
      parsed.has_token = true;
    }
  }
  parsed.valid = true;
  return parsed;
}

std::string PercentEncoded(std::string_view text) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
        (byte >= '0' && byte <= '9') || byte == '-' || byte == '_' || byte == '.' || byte == '~') {
      out += c;
    } else {
      out += '%';
      out += digits[byte >> 4];
      out += digits[byte & 15];
    }
  }
  return out;
}

// The time depends on the length of `a`, the guess, and never on `b`'s
// contents.
bool SameSecret(std::string_view a, std::string_view b) {
  if (b.empty()) return a.empty();
  unsigned char differ = a.size() == b.size() ? 0 : 1;
  for (std::size_t i = 0; i < a.size(); ++i)
    differ |= static_cast<unsigned char>(a[i] ^ b[i % b.size()]);
  return differ == 0;
}

}  // namespace captions
