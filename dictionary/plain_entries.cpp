#include "dictionary/plain_entries.h"

#include "dictionary/kept_rtf.h"
#include "strokes/steno.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace dictionary_read {
namespace {

constexpr std::string_view plain_entry_start = "{\\*\\cxs ";
constexpr std::string_view word_attach = "\\cxds";
constexpr std::string_view word_capitalize = "\\cxfc";

constexpr std::array<bool, 256> plain_bytes = [] {
  std::array<bool, 256> plain{};
  for (unsigned c = 0x20; c < 0x80; ++c) plain[c] = c != '\\' && c != '{' && c != '}';
  return plain;
}();

std::size_t plain_run_end(std::string_view bytes, std::size_t at) {
  while (plain_bytes[static_cast<unsigned char>(bytes.data()[at])]) ++at;
  return at;
}

std::size_t line_breaks_end(std::string_view bytes, std::size_t at) {
  while (is_line_break(bytes.data()[at])) ++at;
  return at;
}

bool plain_entry_starts(std::string_view bytes, std::size_t at) {
  static_assert(plain_entry_start.size() == sizeof(std::uint64_t));
  if (bytes.size() - at < sizeof(std::uint64_t)) return false;
  std::uint64_t here, start;
  std::memcpy(&here, bytes.data() + at, sizeof here);
  std::memcpy(&start, plain_entry_start.data(), sizeof start);
  return here == start;
}

// The text after the outline, with its markers, up to anything else; `text`
// holds it when it is not one run of the file.
void read_plain_text(std::string_view bytes, PlainEntry& entry, std::string& text) {
  std::size_t length = 0, runs = 0;
  std::size_t run_begin = entry.text_begin, run_end = entry.text_begin;
  std::size_t p = entry.text_begin, end = entry.text_begin;
  entry.markers = CreMarkers();
  for (;;) {
    const std::size_t q = plain_run_end(bytes, p);
    if (q > p) {
      if (runs == 1) text.assign(bytes.substr(run_begin, run_end - run_begin));
      if (runs >= 1) text.append(bytes.substr(p, q - p));
      if (runs == 0) run_begin = p, run_end = q;
      ++runs;
      length += q - p;
      // A text token takes the line breaks after it; a control word's
      // does not.
      p = end = line_breaks_end(bytes, q);
      continue;
    }
    p = line_breaks_end(bytes, p);
    const std::string_view word = bytes.substr(p, word_attach.size());
    const std::size_t after = p + word_attach.size();
    if ((word != word_attach && word != word_capitalize) || after >= bytes.size()) break;
    const char next = bytes[after];
    if ((next >= 'a' && next <= 'z') || (next >= '0' && next <= '9') || next == '-') break;
    if (word == word_attach)
      entry.markers.Attach(length);
    else
      entry.markers.Capitalize();
    p = end = next == ' ' ? after + 1 : after;
  }
  entry.text = runs <= 1 ? bytes.substr(run_begin, run_end - run_begin) : std::string_view(text);
  entry.complete = plain_entry_starts(bytes, p);
  entry.end = static_cast<DWORD>(end);
}

}  // namespace

bool plain_entry_at(std::string_view bytes, DWORD at, PlainEntry& entry, PlainKeys& keys,
                    std::string& text) {
  const std::size_t p = line_breaks_end(bytes, at);
  if (!plain_entry_starts(bytes, p)) return false;
  const std::size_t outline_begin = p + plain_entry_start.size();
  // The outline's keys are read in the pass that finds its end, when they
  // can be.
  const char* stop = nullptr;
  std::size_t key_bytes =
      CSteno::ReadRtfKeysInKeyOrder(bytes.data() + outline_begin, stop, keys.data(), keys.size());
  std::size_t outline_end = static_cast<std::size_t>(stop - bytes.data());
  if (*stop != '}') {
    key_bytes = 0;
    outline_end = plain_run_end(bytes, outline_end);
    if (bytes.data()[outline_end] != '}') return false;
  }
  entry.keys = std::span<const BYTE>(keys.data(), key_bytes);
  entry.outline = bytes.substr(outline_begin, outline_end - outline_begin);
  entry.outline_offset = static_cast<DWORD>(p + 3);
  entry.text_begin = static_cast<DWORD>(outline_end + 1);
  read_plain_text(bytes, entry, text);
  return true;
}

}  // namespace dictionary_read
