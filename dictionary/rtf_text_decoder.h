// Turns the text of an RTF file into Windows-1252, the library's text: the
// bytes of text runs as the scanner gives them (raw bytes and \'hh escapes
// alike), in the file's code page or as UTF-8, and \uN escapes with the
// fallback text that follows them. A character Windows-1252 cannot hold
// leaves a stand-in in the text and is reported with the RTF that gives it
// back. Internal to the dictionary's reader and writer.
#pragma once

#include "platform/types.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rtf_text {

// The halves of a surrogate pair, as \uN escapes give them one at a time.
inline bool is_high_surrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool is_low_surrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// A character the text cannot hold. The text holds a stand-in for it at
// `position`: the file's fallback for it when that is plain ASCII, else "?".
// `rtf` written just before the stand-in gives the character back: \uN
// escapes (N negative above 32767), a surrogate pair as \uH, the first
// fallback and \uL. Empty when the code page is not known, so that there is
// nothing to give back.
struct unrepresentable {
  std::size_t position;
  std::string rtf;
};

// True when every 8-bit byte of the bytes belongs to a well-formed UTF-8
// sequence, and there is one.
bool is_utf8(std::string_view bytes);

class decoder {
 public:
  // The code page of 8-bit bytes, 1252 at first: 1250 to 1258, 437 and 850
  // are known; the bytes of another are all unrepresentable.
  void set_code_page(UINT code_page);
  UINT code_page() const { return m_codePage; }
  // Raw bytes are UTF-8; an 8-bit byte that is not part of a well-formed
  // sequence (an escape, as the file's code page gives it) is taken in the
  // code page.
  void set_utf8(bool utf8) { m_utf8 = utf8; }

  // Text, appended to `out`. Runs from one text may come in pieces. A
  // nonzero byte of `escaped` marks a byte that came from a \'hh escape,
  // which is a byte of the code page even where raw bytes are UTF-8.
  void text(std::string_view bytes, std::string& out, std::string_view escaped = {});
  // Whether text() would append these bytes as they are (ASCII other than
  // NUL, with nothing waiting), which the caller may then do itself. A NUL,
  // which has no place in text passed on as a C string, is a character the
  // text cannot hold.
  bool takes_as_it_is(std::string_view bytes) const;
  // A character that a control word stands for, already Windows-1252; it
  // counts as one character of a fallback.
  void character(char c, std::string& out);
  // \uN with `fallback` characters after it to stand in for it (\ucN).
  void unicode(long n, long fallback, std::string& out);
  // Anything else in the text ends a fallback and a UTF-8 sequence cut
  // short; so does the end of a text. Nearly always there is none, which is
  // seen here without a call.
  void flush(std::string& out) {
    if (m_escape || !m_partial.empty()) flush_waiting(out);
  }

  // The characters found and not yet cleared, in text order.
  std::vector<unrepresentable>& found() { return m_found; }
  // All characters found.
  std::size_t count() const { return m_count; }

 private:
  // A code point of the text that is not ASCII.
  void put(char32_t code_point, std::string& out);
  void put_code_page_byte(unsigned char byte, std::string& out);
  void flush_waiting(std::string& out);
  // Takes what m_partial holds as far as it makes whole characters.
  void decode_partial(std::string& out, bool cut_short);
  // The \u escape waiting for its fallback, or for the low half of a pair.
  void settle_escape(std::string& out);
  void report(std::size_t position, std::string rtf);

  UINT m_codePage = 1252;
  bool m_knownCodePage = true;
  bool m_utf8 = false;
  std::string m_partial;  // the start of a UTF-8 sequence

  bool m_escape = false;  // a \u escape is waiting
  char32_t m_escaped = 0;
  std::string m_escapeRtf;
  long m_fallbackLeft = 0;
  std::string m_fallback;

  std::vector<unrepresentable> m_found;
  std::size_t m_count = 0;
};

}  // namespace rtf_text
