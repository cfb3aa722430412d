// The JSON reader of CStenoDictionary: one object from outlines to
// translations, read by simdjson's on-demand parser (the fastest of the
// JSON libraries at hand on real dictionaries; see
// bench/json_library_bench.cpp), each translation read into the library's
// terms by open_steno::read_translation.

#include "dictionary/dictionary_file.h"
#include "dictionary/open_steno_translation.h"
#include "dictionary/rtf_text_decoder.h"
#include "dictionary/steno_dictionary.h"

#include <simdjson.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr std::size_t max_keys_length = 0xFFFF;

constexpr std::uintptr_t page_size = 4096;

// The file as UTF-8 with the padding the parser reads past its end: a
// mapped file where the page after its last byte has room for the padding
// (the system fills the rest of the page with zeros), else a copy; a file
// that is not valid UTF-8 is copied with every byte a character of
// Windows-1252, as the open tools read such a file.
struct Utf8Text {
  simdjson::padded_string copy;
  simdjson::padded_string_view view;
};

void take_utf8(const dictionary_read::FileBytes& bytes, std::size_t skip, Utf8Text& text) {
  const std::string_view file = bytes.view().substr(skip);
  if (!simdjson::validate_utf8(file.data(), file.size())) {
    std::string converted;
    converted.reserve(file.size() + file.size() / 8);
    for (const char c : file) converted += open_steno::utf8_of(static_cast<unsigned char>(c));
    text.copy = simdjson::padded_string(converted);
  } else if (const auto end = reinterpret_cast<std::uintptr_t>(file.data() + file.size());
             bytes.mapped &&
             (page_size - end % page_size) % page_size >= simdjson::SIMDJSON_PADDING) {
    text.view = simdjson::padded_string_view(file.data(), file.size(),
                                             file.size() + (page_size - end % page_size));
    return;
  } else {
    text.copy = simdjson::padded_string(file.data(), file.size());
  }
  text.view = simdjson::padded_string_view(text.copy.data(), text.copy.size(),
                                           text.copy.size() + simdjson::SIMDJSON_PADDING);
}

// Room for the packed keys of an outline the lane reads.
using PackedOutline = std::array<BYTE, 3 * 64>;

// The common outline, strokes in steno key order read straight from the
// file's bytes from `raw` (after the key's opening quote): the packed keys'
// length when the lane read it whole up to its closing quote, which no escape
// can then have come before, so that the key need not be unescaped; else 0.
std::size_t read_outline_in_key_order(const char* raw, PackedOutline& packed) {
  const char* stop = raw;
  const std::size_t length = CSteno::ReadRtfKeysInKeyOrder(raw, stop, packed.data(), packed.size());
  return *stop == '"' ? length : 0;
}

// The strokes of an outline, joined by "/", as packed keys; false when the
// notation does not take it or a stroke is empty.
bool read_outline(std::string_view outline, std::string& keys) {
  // Blanks around an outline are no part of it, as the RTF reader has it.
  while (!outline.empty() && outline.front() == ' ') outline.remove_prefix(1);
  while (!outline.empty() && outline.back() == ' ') outline.remove_suffix(1);
  if (outline.empty() || CSteno::ReadRtfKeys(outline, 0, keys) != 0 ||
      keys.size() > max_keys_length)
    return false;
  for (std::size_t at = 0; at < keys.size(); at += CStroke::PackedSize)
    if ((keys[at] | keys[at + 1] | keys[at + 2]) == 0) return false;
  return true;
}

// A string value as it stands in the file, between its quotes; nothing for
// any other value, which the parser then reads (and refuses). The parser's
// own reading copies every string into a buffer of its own first, which for
// a large dictionary costs megabytes of fresh pages: a string without escapes
// is taken from the file instead.
std::optional<std::string_view> quoted_string(simdjson::ondemand::value& value) {
  std::string_view token = value.raw_json_token();
  // The token runs on over the blanks up to the next one.
  while (!token.empty() && (token.back() == ' ' || token.back() == '\n' || token.back() == '\r' ||
                            token.back() == '\t'))
    token.remove_suffix(1);
  if (token.size() < 2 || token.front() != '"' || token.back() != '"') return std::nullopt;
  return token.substr(1, token.size() - 2);
}

// Text in the library's Windows-1252, as the RTF reader gives an invalid
// outline's.
std::string windows_1252(std::string_view utf8) {
  rtf_text::decoder decoder;
  decoder.set_utf8(true);
  std::string text;
  decoder.text(utf8, text);
  decoder.flush(text);
  return text;
}

std::span<const BYTE> as_key_bytes(std::string_view keys) {
  return {reinterpret_cast<const BYTE*>(keys.data()), keys.size()};
}

// Where the parse stopped in a way the parser cannot place: a string left
// open runs to the end, and a control character inside a string is found by
// looking.
std::size_t place_of(simdjson::error_code error, std::string_view text) {
  if (error == simdjson::UNESCAPED_CHARS) {
    const auto bad = std::find_if(text.begin(), text.end(), [](char c) {
      return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r';
    });
    return static_cast<std::size_t>(bad - text.begin());
  }
  return text.size();
}

}  // namespace

long CStenoDictionary::ReadJson(const dictionary_read::FileBytes& bytes, std::size_t skip) {
  Utf8Text utf8;
  take_utf8(bytes, skip, utf8);
  const simdjson::padded_string_view& text = utf8.view;
  const std::string_view view(text.data(), text.size());
  const std::size_t entries_before = m_entries.size(), keys_before = m_keys.size(),
                    text_before = m_text.size(), extras_before = m_extras.size();
  const std::size_t invalid_before = m_invalid.size();
  std::size_t unrepresentable = 0;
  std::size_t error_at = 0;
  // Lines are counted as far as an invalid outline needs them.
  std::size_t counted_to = 0;
  unsigned long line = 1;
  auto line_at = [&](std::size_t offset) {
    line += static_cast<unsigned long>(
        std::count(view.begin() + static_cast<std::ptrdiff_t>(counted_to),
                   view.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
    counted_to = offset;
    return line;
  };
  const long result = [&]() -> long {
    simdjson::ondemand::parser parser;
    simdjson::ondemand::document document;
    if (const simdjson::error_code error = parser.iterate(text).get(document)) {
      error_at = place_of(error, view);
      return errorJsonSyntax;
    }
    auto here = [&] {
      const simdjson::simdjson_result<const char*> location = document.current_location();
      return location.error() ? view.size()
                              : static_cast<std::size_t>(location.value_unsafe() - text.data());
    };
    simdjson::ondemand::object object;
    if (const simdjson::error_code error = document.get_object().get(object)) {
      error_at = error == simdjson::INCOMPLETE_ARRAY_OR_OBJECT ? view.size() : here();
      return error == simdjson::INCORRECT_TYPE ? errorJsonNotObject : errorJsonSyntax;
    }
    // Entries in real dictionaries take 25 to 40 bytes of JSON each, their
    // outlines a third of them; what is only reserved costs address space,
    // while an arena that outgrows its room is copied and faulted in again.
    Reserve(view.size() / 24, view.size() / 4, view.size() / 3);
    PackedOutline packed;
    std::string keys;
    open_steno::Reading reading;
    std::vector<Extra> extras;
    for (simdjson::simdjson_result<simdjson::ondemand::field> item : object) {
      simdjson::ondemand::field field;
      std::string_view outline, translation;
      if (std::move(item).get(field)) {
        error_at = here();
        return errorJsonSyntax;
      }
      // Where the outline's quote stands, before reading it moves on.
      const char* raw_outline = field.key().raw();
      const std::size_t outline_at = static_cast<std::size_t>(raw_outline - text.data()) - 1;
      std::span<const BYTE> outline_keys(packed.data(),
                                         read_outline_in_key_order(raw_outline, packed));
      const bool in_key_order = !outline_keys.empty();
      if (!in_key_order && field.unescaped_key().get(outline)) {
        error_at = outline_at;
        return errorJsonSyntax;
      }
      simdjson::ondemand::value value = field.value();
      const std::size_t value_at = here();
      // Plain text has no backslash, so nearly every translation is known to
      // have no escape by the one look.
      const std::optional<std::string_view> quoted = quoted_string(value);
      bool plain = quoted && open_steno::is_plain_text(*quoted);
      simdjson::ondemand::raw_json_string passed;
      if (quoted && (plain || quoted->find('\\') == std::string_view::npos) &&
          !value.get_raw_json_string().get(passed)) {
        translation = *quoted;
      } else if (const simdjson::error_code error = value.get_string().get(translation)) {
        error_at = value_at;
        return error == simdjson::INCORRECT_TYPE ? errorJsonNotString : errorJsonSyntax;
      } else {
        plain = open_steno::is_plain_text(translation);
      }
      if (translation.size() > maxJsonTranslation) {
        error_at = value_at;
        return errorJsonTooLong;
      }
      // Kept whole, as the RTF reader keeps such an entry, with its
      // translation as it was spelled; never looked up.
      if (!in_key_order && !read_outline(outline, keys)) {
        m_invalid.push_back({line_at(outline_at), windows_1252(outline),
                             "{\\*\\cxs " + open_steno::rtf_escape(outline) + "}" +
                                 open_steno::kept_spelling_rtf(translation),
                             m_entries.size()});
        continue;
      }
      if (!in_key_order) outline_keys = as_key_bytes(keys);
      if (plain) {
        Append(outline_keys, translation, 0);
        continue;
      }
      open_steno::read_translation(translation, reading);
      unrepresentable += reading.unrepresentable;
      extras.clear();
      for (const open_steno::Extra& extra : reading.extras)
        extras.push_back({extra.position, extra.rtf});
      Append(outline_keys, reading.text, reading.flags, extras);
    }
    // Nothing may follow the object.
    if (!document.current_location().error()) {
      error_at = here();
      return errorJsonSyntax;
    }
    return 0;
  }();
  // Entries read from bytes that turned to zeros would be wrong without a
  // sign: the dictionary stays as it was, as if the file had not opened.
  const long checked = bytes.intact() ? result : errorFile + CFileException::sharingViolation;
  if (checked != 0) {
    Truncate(entries_before, keys_before, text_before, extras_before);
    m_invalid.resize(invalid_before);
    error_at = std::min(error_at, view.size());
    const std::string_view before = view.substr(0, error_at);
    const std::size_t line_start = before.rfind('\n') + 1;  // npos + 1 is 0
    m_nErrorLine = static_cast<unsigned long>(std::count(before.begin(), before.end(), '\n') + 1);
    m_nErrorColumn = static_cast<unsigned long>(
        1 + std::count_if(before.begin() + static_cast<std::ptrdiff_t>(line_start), before.end(),
                          [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
    return checked;
  }
  m_nUnrepresentable = unrepresentable;
  m_nDuplicates = IndexAppended();
  return 0;
}
