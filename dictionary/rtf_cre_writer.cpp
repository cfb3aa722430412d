#include "dictionary/rtf_cre_writer.h"

#include "dictionary/rtf_outline.h"

#include "rtf/rtf_control_words.h"
#include "strokes/stroke.h"
#include "textrules/string_rules.h"

#include <array>
#include <cstdint>
#include <string>

namespace {

constexpr std::size_t stroke_bytes = CStroke::PackedSize;
constexpr std::string_view paragraph_mark = CStringRules::szParagraphMark;

// Key positions: the mark, the number bar, the left bank, the vowels with the
// asterisk, and the right bank; position p is bit 23 - p of the stroke's
// three key bytes read as one number.
constexpr int mark_position = 0;
constexpr int number_bar_position = 1;
constexpr int first_middle_position = 9;  // A
constexpr int first_right_position = 14;  // -F
constexpr int positions = 24;

constexpr std::uint32_t bit(int position) { return 1u << (positions - 1 - position); }

constexpr std::uint32_t bits(int from, int to) {
  std::uint32_t mask = 0;
  for (int p = from; p < to; ++p) mask |= bit(p);
  return mask;
}

// The letters the notation writes with the number bar down, a digit where a
// key has one: the spaced notation of the stroke with every key down.
struct NumberLetters {
  std::string letters;
  std::uint32_t digit_keys = 0;
};

const NumberLetters& number_letters() {
  static const NumberLetters held = [] {
    CStroke every_key;
    every_key.SetUINT(0xFFFFFF);
    NumberLetters n{std::string(every_key.GetStrSpaced(0).View()), 0};
    for (int p = 0; p < positions; ++p)
      if (n.letters[p] >= '0' && n.letters[p] <= '9') n.digit_keys |= bit(p);
    return n;
  }();
  return held;
}

// A stroke as RTF/CRE files spell it: the keys in key order, a hyphen before
// the right bank only when no vowel or asterisk shows where it begins, and
// the number bar as the digits of its keys, "#" only when no key shows a
// digit. Every reader of the RTF notation reads it back to the same keys
// (CStroke::SetRtf: a vowel, the asterisk or a digit 5, 0, 6, 8 or 9 moves
// to the right bank as the hyphen does, and 7 names -P on either side).
void append_stroke(const BYTE* key_bytes, std::string& out) {
  const std::uint32_t keys =
      (std::uint32_t{key_bytes[0]} << 16) | (std::uint32_t{key_bytes[1]} << 8) | key_bytes[2];
  const bool number_bar = (keys & bit(number_bar_position)) != 0;
  const std::string_view letters =
      number_bar ? std::string_view(number_letters().letters) : CStroke::szKeyOrder;
  if (keys & bit(mark_position)) out += "!,";
  if (number_bar && (keys & number_letters().digit_keys) == 0) out += '#';
  for (int p = number_bar_position + 1; p < positions; ++p) {
    if (p == first_right_position &&
        (keys & bits(first_middle_position, first_right_position)) == 0 &&
        (keys & bits(first_right_position, positions)) != 0)
      out += '-';
    if (keys & bit(p)) out += letters[p];
  }
}

// Bytes that go into the file as they are: printable ASCII other than the
// braces, the backslash and the caret, which may stand for a space.
constexpr std::array<bool, 256> is_plain = [] {
  std::array<bool, 256> plain{};
  for (int c = 0x20; c < 0x80; ++c) plain[c] = c != '{' && c != '}' && c != '\\' && c != '^';
  return plain;
}();

}  // namespace

void CRtfCreWriter::WriteHeader(bool dictionary) {
  OutputKeyParam(szRTFCW_rtf, 1, 0);
  OutputKeyword(szRTFCW_ansi, 0);
  Cxrev();
  if (dictionary) OutputKeyword(szRTFCW_cxdict, 0);
  OutputKeyword(szRTFGROUPBEGIN, 0);
  OutputKeyword(szRTFCW_cxsystem, flagOptDest);
  OutputText(GetSystemString());
  OutputKeyword(szRTFGROUPEND, 0);
  Creatim(m_created);
  OutputKeyword(szRTFGROUPBEGIN, 0);
  OutputKeyword(szRTFCW_stylesheet, 0);
  OutputKeyword(szRTFGROUPBEGIN, 0);
  OutputKeyParam(szRTFCW_s, 0, 0);
  OutputText("Normal;");
  OutputKeyword(szRTFGROUPEND, 0);
  OutputKeyword(szRTFGROUPEND, 0);
}

std::string rtf_outline_text(std::span<const BYTE> keys) {
  std::string text;
  for (std::size_t i = 0; i + stroke_bytes <= keys.size(); i += stroke_bytes) {
    if ((keys[i] | keys[i + 1] | keys[i + 2]) == 0) continue;
    if (!text.empty()) text += '/';
    append_stroke(&keys[i], text);
  }
  return text;
}

void CRtfCreWriter::WriteOutline(std::span<const BYTE> keys) {
  m_run = rtf_outline_text(keys);
  EmitKeyword(szRTFGROUPBEGIN, 0);
  EmitKeyword(szRTFCW_cxs, flagOptDest);
  EmitText(m_run);
  EmitKeyword(szRTFGROUPEND, 0);
}

void CRtfCreWriter::WriteText(std::string_view text, bool caret_is_space) {
  static constexpr char hex[] = "0123456789abcdef";
  // The text goes out in runs between control words; a run is written
  // straight from `text` unless it holds something to escape.
  m_run.clear();
  std::size_t plain = 0;  // where the stretch not yet copied or written begins
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (is_plain[c] || (c == '^' && !caret_is_space)) continue;
    const std::string_view stretch = text.substr(plain, i - plain);
    const char* word = nullptr;
    if (text.substr(i).starts_with(paragraph_mark)) {
      word = szRTFCW_par;
      i += paragraph_mark.size() - 1;
    } else if (c == '\t') {
      word = szRTFCW_tab;
    } else if (c == '\n') {
      word = szRTFCW_line;
    }
    plain = i + 1;
    if (word) {
      WriteRun(stretch);
      EmitKeyword(word, 0);
      continue;
    }
    m_run += stretch;
    if (c == '^') {
      m_run += ' ';
    } else if (c == '\\' || c == '{' || c == '}') {
      m_run += '\\';
      m_run += static_cast<char>(c);
    } else {
      m_run += "\\'";
      m_run += hex[c >> 4];
      m_run += hex[c & 0xF];
    }
  }
  WriteRun(text.substr(plain));
}

void CRtfCreWriter::WriteRun(std::string_view stretch) {
  if (m_run.empty()) {
    if (!stretch.empty()) EmitText(stretch);
    return;
  }
  m_run += stretch;
  EmitText(m_run);
  m_run.clear();
}
