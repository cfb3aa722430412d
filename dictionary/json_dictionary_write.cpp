// The JSON writer of CStenoDictionary, in the layout the open tools write:
// "{", one "outline": "translation" a line sorted by outline in steno key
// order, "}" and a line break; UTF-8 with only what JSON must escape escaped.

#include "dictionary/open_steno_translation.h"
#include "dictionary/rtf_outline.h"
#include "dictionary/steno_dictionary.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

namespace {

constexpr std::size_t stroke_bytes = CStroke::PackedSize;
constexpr int positions = 24;

// The order the open tools sort outlines in: stroke by stroke, each as its
// keys in key order, a stroke that is the start of another first, and an
// outline that is the start of another first.
std::string sort_key(std::span<const BYTE> keys) {
  std::string key;
  for (std::size_t i = 0; i + stroke_bytes <= keys.size(); i += stroke_bytes) {
    const std::uint32_t stroke =
        (std::uint32_t{keys[i]} << 16) | (std::uint32_t{keys[i + 1]} << 8) | keys[i + 2];
    if (stroke == 0) continue;
    if (!key.empty()) key += '\0';
    for (int p = 0; p < positions; ++p)
      if (stroke & (1u << (positions - 1 - p))) key += static_cast<char>(p + 1);
  }
  return key;
}

// An outline the notation does not take sorts as the open tools sort it:
// stroke by stroke where they read, else before every other.
std::string sort_key(std::string_view outline) {
  std::string key;
  std::string keys;
  for (std::size_t at = 0; at <= outline.size();) {
    const std::size_t slash = std::min(outline.find('/', at), outline.size());
    const std::string_view stroke = outline.substr(at, slash - at);
    if (!stroke.empty() && CSteno::ReadRtfKeys(stroke, 0, keys) != 0)
      return std::string(2, '\0') + std::string(outline);
    if (at > 0) key += '\0';
    if (!stroke.empty())
      key += sort_key(std::span(reinterpret_cast<const BYTE*>(keys.data()), keys.size()));
    at = slash + 1;
  }
  return key;
}

// The outline of an invalid entry as UTF-8, from its "{\\*\\cxs ...}" group.
std::string invalid_outline(std::string_view rtf) {
  constexpr std::string_view start = "{\\*\\cxs ";
  std::string outline;
  std::size_t end = start.size();
  while (end < rtf.size() && rtf[end] != '}') end += rtf[end] == '\\' ? 2 : 1;
  if (!rtf.starts_with(start) || end >= rtf.size() ||
      !open_steno::rtf_unescape(rtf.substr(start.size(), end - start.size()), outline))
    return {};
  return outline;
}

void append_json_string(std::string_view utf8, std::string& out) {
  static constexpr char hex[] = "0123456789abcdef";
  out += '"';
  for (const char c : utf8) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += "\\u00";
          out += hex[(c >> 4) & 0xF];
          out += hex[c & 0xF];
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

}  // namespace

std::size_t CStenoDictionary::WriteJson(CFile& file) const {
  // Each entry by its index; the invalid ones after them, by theirs.
  const std::size_t count = GetCount() + m_invalid.size();
  std::vector<std::string> sort_keys(count);
  for (std::size_t i = 0; i < GetCount(); ++i) sort_keys[i] = sort_key(GetKeys(i));
  for (std::size_t i = 0; i < m_invalid.size(); ++i)
    sort_keys[GetCount() + i] = sort_key(invalid_outline(m_invalid[i].rtf));
  std::vector<std::size_t> order(count);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return sort_keys[a] < sort_keys[b]; });
  std::size_t lossy = 0;
  std::string out = "{";
  std::string translation;
  bool first = true;
  for (const std::size_t i : order) {
    translation.clear();
    if (i >= GetCount()) {
      // Only an entry the JSON reader kept has its translation as spelled.
      const InvalidOutline& invalid = m_invalid[i - GetCount()];
      if (!open_steno::find_kept_spelling(invalid.rtf, translation)) {
        ++lossy;
        continue;
      }
      out += first ? "\n" : ",\n";
      append_json_string(invalid_outline(invalid.rtf), out);
    } else {
      const Translation t = GetTranslation(i);
      const std::vector<Extra> extras = GetExtras(i);
      open_steno::LeftOut left_out;
      open_steno::write_translation(t.text, t.flags, extras, translation, left_out, m_styles);
      if (!left_out.empty()) ++lossy;
      out += first ? "\n" : ",\n";
      append_json_string(rtf_outline_text(GetKeys(i)), out);
    }
    first = false;
    out += ": ";
    append_json_string(translation, out);
    if (out.size() >= 1 << 16) {
      file.Write(out.data(), static_cast<UINT>(out.size()));
      out.clear();
    }
  }
  out += first ? "}\n" : "\n}\n";
  file.Write(out.data(), static_cast<UINT>(out.size()));
  return lossy;
}
