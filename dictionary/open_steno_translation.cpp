#include "dictionary/open_steno_translation.h"

#include "dictionary/cre_markers.h"

#include "platform/code_page.h"
#include "textrules/string_rules.h"

#include <array>
#include <string>

namespace open_steno {
namespace {

constexpr std::string_view paragraph_mark = CStringRules::szParagraphMark;
constexpr std::string_view hard_space = "\xA0";

// One piece of a translation: text, or what stood between braces.
struct Atom {
  bool meta;
  std::string_view spelling;  // without the braces; text still escaped
};

// Splits a translation as the open tools do: "{...}" with escaped braces
// inside is a meta, everything else text, "\{" and "\}" escaped braces. A
// brace that closes nothing or opens nothing is text, which writing escapes:
// such a translation is then kept whole.
std::vector<Atom> split_atoms(std::string_view translation) {
  std::vector<Atom> atoms;
  std::size_t text_start = 0;
  auto end_text = [&](std::size_t at) {
    if (at > text_start) atoms.push_back({false, translation.substr(text_start, at - text_start)});
  };
  for (std::size_t i = 0; i < translation.size(); ++i) {
    const char c = translation[i];
    if (c == '\\' && i + 1 < translation.size() &&
        (translation[i + 1] == '{' || translation[i + 1] == '}')) {
      ++i;
      continue;
    }
    if (c != '{') continue;
    std::size_t close = i + 1;
    while (close < translation.size() && translation[close] != '{' && translation[close] != '}')
      close += translation[close] == '\\' && close + 1 < translation.size() ? 2 : 1;
    if (close >= translation.size() || translation[close] != '}') continue;
    end_text(i);
    atoms.push_back({true, translation.substr(i + 1, close - i - 1)});
    i = close;
    text_start = close + 1;
  }
  end_text(translation.size());
  return atoms;
}

std::string unescape_braces(std::string_view text) {
  std::string plain;
  plain.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '{' || text[i + 1] == '}')) ++i;
    plain += text[i];
  }
  return plain;
}

bool is_mark(std::string_view meta) {
  return meta.size() == 1 &&
         std::string_view(".!?,:;").find(meta.front()) != std::string_view::npos;
}

// A macro names a command of the open tools: letters, digits and
// underscores, then its argument after a colon.
bool is_macro(std::string_view translation) {
  if (!translation.starts_with('=') || translation.size() < 2) return false;
  std::size_t i = 1;
  while (i < translation.size() && translation[i] != ':') {
    const char c = translation[i];
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
      return false;
    ++i;
  }
  return i > 1;
}

class TranslationReader {
 public:
  explicit TranslationReader(Reading& reading) : m_reading(reading) { m_decoder.set_utf8(true); }

  void Read(std::string_view translation) {
    if (is_macro(translation)) {
      const std::string_view macro = translation.substr(1);
      AddExtra(macro == "undo" ? std::string("\\cxdstroke")
                               : "{\\*\\cxplovermacro " + rtf_escape(macro) + "}");
      return;
    }
    std::vector<Atom> atoms = split_atoms(translation);
    bool capitalize = false;
    if (!atoms.empty() && atoms.back().meta && atoms.back().spelling == "-|") {
      capitalize = true;
      atoms.pop_back();
    }
    for (std::size_t i = 0; i < atoms.size(); ++i) {
      if (atoms[i].meta)
        Meta(atoms[i].spelling, i == 0, i + 1 == atoms.size());
      else
        Text(unescape_braces(atoms[i].spelling));
    }
    m_reading.flags.SetCapitalizeNext(capitalize);
    // "{.}" alone is the punctuation group's mark, with its spacing and
    // capitalisation.
    if (atoms.size() == 1 && atoms[0].meta && is_mark(atoms[0].spelling))
      m_reading.flags.Add(cre_punctuation_flags(atoms[0].spelling));
  }

 private:
  void Meta(std::string_view meta, bool first, bool last) {
    if (meta == "^ ^" || meta == "^-^") {
      // The hard space and the non-breaking hyphen join what stands on
      // either side of them, as the open tools join them.
      if (first) m_reading.flags.SetSuffix(1);
      if (last) m_reading.flags.SetPrefix(1);
      return meta == "^ ^" ? Text(hard_space, false) : Text("-");
    }
    if (is_mark(meta)) return Text(meta);
    if (meta == ">") return AddExtra("\\cxfl");
    if (meta.size() > 1 && meta.front() == '&') {
      AddExtra("{\\cxfing ");
      Text(unescape_braces(meta.substr(1)));
      return AddExtra("}");
    }
    const bool before = meta.starts_with('^') && first;
    const bool after = meta.ends_with('^') && last && (meta.size() > 1 || meta == "^");
    if (before || after) {
      // "{^}" alone attaches both ways, as a lone \cxds does.
      if (before) m_reading.flags.SetSuffix(1);
      if (after) m_reading.flags.SetPrefix(1);
      if (meta == "^") return;
      meta.remove_prefix(before ? 1 : 0);
      meta.remove_suffix(after ? 1 : 0);
      return Text(unescape_braces(meta));
    }
    AddExtra("{\\*\\cxplovermeta " + rtf_escape(unescape_braces(meta)) + "}");
  }

  void Text(std::string_view utf8, bool decode = true) {
    if (!decode) {
      m_reading.text += utf8;
      return;
    }
    // Two line breaks make a paragraph, as \par is read.
    for (std::size_t at = 0; at < utf8.size();) {
      const std::size_t pair = utf8.find("\n\n", at);
      const std::string_view run =
          utf8.substr(at, pair == std::string_view::npos ? pair : pair - at);
      m_decoder.text(run, m_reading.text);
      m_decoder.flush(m_reading.text);
      for (rtf_text::unrepresentable& found : m_decoder.found())
        m_reading.extras.push_back({found.position, std::move(found.rtf)});
      m_decoder.found().clear();
      if (pair == std::string_view::npos) break;
      m_reading.text += paragraph_mark;
      at = pair + 2;
    }
  }

  void AddExtra(std::string rtf) {
    m_reading.extras.push_back({m_reading.text.size(), std::move(rtf)});
  }

 public:
  std::size_t Unrepresentable() const { return m_decoder.count(); }

 private:
  Reading& m_reading;
  rtf_text::decoder m_decoder;
};

// The next code point of UTF-8 that is known to be well formed.
char32_t next_code_point(std::string_view utf8, std::size_t& at) {
  const auto lead = static_cast<unsigned char>(utf8[at++]);
  if (lead < 0x80) return lead;
  const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
  char32_t c = lead & (0x3F >> more);
  for (int i = 0; i < more && at < utf8.size(); ++i)
    c = (c << 6) | (static_cast<unsigned char>(utf8[at++]) & 0x3F);
  return c;
}

std::string unicode_escape(char32_t unit) {
  const long n = unit > 0x7FFF ? static_cast<long>(unit) - 0x10000 : static_cast<long>(unit);
  return "\\u" + std::to_string(n) + "?";
}

}  // namespace

std::string_view utf8_of(unsigned char byte) {
  static const std::array<std::string, 256> table = [] {
    std::array<std::string, 256> t;
    for (int b = 0; b < 256; ++b)
      KelmAppendUtf8(KelmCp1252Char(static_cast<unsigned char>(b)), t[b]);
    return t;
  }();
  return table[byte];
}

std::string rtf_escape(std::string_view utf8) {
  static constexpr char hex[] = "0123456789abcdef";
  std::string rtf;
  for (std::size_t at = 0; at < utf8.size();) {
    const char32_t c = next_code_point(utf8, at);
    const int byte = c < 0x20 || c >= 0x80 ? KelmCp1252Byte(c) : static_cast<int>(c);
    if (c == '\\' || c == '{' || c == '}') {
      rtf += '\\';
      rtf += static_cast<char>(c);
    } else if (byte >= 0x20 && byte < 0x80) {
      rtf += static_cast<char>(byte);
    } else if (byte >= 0) {
      rtf += "\\'";
      rtf += hex[byte >> 4];
      rtf += hex[byte & 0xF];
    } else if (c > 0xFFFF) {
      rtf += unicode_escape(0xD800 + ((c - 0x10000) >> 10));
      rtf += unicode_escape(0xDC00 + (c & 0x3FF));
    } else {
      rtf += unicode_escape(c);
    }
  }
  return rtf;
}

bool rtf_unescape(std::string_view rtf, std::string& utf8) {
  char32_t high = 0;
  for (std::size_t i = 0; i < rtf.size(); ++i) {
    const char c = rtf[i];
    if (c != '\\') {
      if (c == '{' || c == '}') return false;
      utf8 += utf8_of(static_cast<unsigned char>(c));
      continue;
    }
    if (++i == rtf.size()) return false;
    const char escaped = rtf[i];
    if (escaped == '\\' || escaped == '{' || escaped == '}') {
      utf8 += escaped;
    } else if (escaped == '\'' && i + 2 < rtf.size()) {
      const std::string digits(rtf.substr(i + 1, 2));
      char* end = nullptr;
      const unsigned long byte = std::strtoul(digits.c_str(), &end, 16);
      if (end != digits.c_str() + 2) return false;
      utf8 += utf8_of(static_cast<unsigned char>(byte));
      i += 2;
    } else if (escaped == 'u') {
      std::size_t end = i + 1;
      if (end < rtf.size() && rtf[end] == '-') ++end;
      while (end < rtf.size() && rtf[end] >= '0' && rtf[end] <= '9') ++end;
      const long n = std::strtol(std::string(rtf.substr(i + 1, end - i - 1)).c_str(), nullptr, 10);
      const auto unit = static_cast<char32_t>(static_cast<std::uint16_t>(n));
      i = end < rtf.size() && rtf[end] == '?' ? end : end - 1;
      if (unit >= 0xD800 && unit <= 0xDBFF) {
        high = unit;
        continue;
      }
      if (unit >= 0xDC00 && unit <= 0xDFFF && high != 0)
        KelmAppendUtf8(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00), utf8);
      else
        KelmAppendUtf8(unit, utf8);
    } else {
      return false;
    }
    high = 0;
  }
  return true;
}

bool is_plain_text(std::string_view translation) {
  // A byte at a time through a table, without an early way out, which the
  // compiler can then run many bytes at once: nearly every translation of a
  // large dictionary passes, so the whole of it is read either way.
  static constexpr std::array<bool, 256> plain = [] {
    std::array<bool, 256> table{};
    for (int c = 0x20; c <= 0x7E; ++c) table[c] = c != '{' && c != '}' && c != '\\';
    return table;
  }();
  bool all_plain = true;
  for (const char c : translation) all_plain &= plain[static_cast<unsigned char>(c)];
  if (!all_plain) return false;
  // Nor what the open tools' reading of RTF/CRE spells otherwise (see
  // open_steno_from_rtf.h): a mark before one blank, blanks doubled at
  // either end.
  const bool mark_before_blank =
      translation.size() == 2 && translation[1] == ' ' && is_mark(translation.substr(0, 1));
  return !translation.starts_with('=') && !is_mark(translation) && translation != "-" &&
         !mark_before_blank && !translation.starts_with("  ") && !translation.ends_with("  ");
}

void read_translation(std::string_view translation, Reading& reading) {
  reading.text.clear();
  reading.flags = 0;
  reading.extras.clear();
  TranslationReader reader(reading);
  reader.Read(translation);
  reading.unrepresentable = reader.Unrepresentable();
  std::vector<CStenoDictionary::Extra> extras;
  extras.reserve(reading.extras.size());
  for (const Extra& extra : reading.extras) extras.push_back({extra.position, extra.rtf});
  std::string written;
  LeftOut left_out;
  write_translation(reading.text, reading.flags, extras, written, left_out);
  if (written != translation)
    reading.extras.insert(reading.extras.begin(), {0, kept_spelling_rtf(translation)});
}

}  // namespace open_steno
