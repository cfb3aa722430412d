#include "dictionary/open_steno_from_rtf.h"

#include "dictionary/cre_markers.h"
#include "dictionary/open_steno_translation.h"
#include "dictionary/rtf_text_decoder.h"
#include "platform/code_page.h"
#include "textrules/string_rules.h"

#include <algorithm>
#include <optional>

namespace {

enum class TokenKind { text, word, symbol, group_begin, group_end };

// RTF as the open tools' reader sees it: text runs (UTF-8), control words
// with their parameter ("s4" a word "s" with 4), control symbols, braces.
struct Token {
  TokenKind kind;
  std::string text;  // the run; the word without its backslash; the symbol
  std::optional<long> parameter;
};

constexpr std::string_view paragraph_mark = CStringRules::szParagraphMark;

// The length of the UTF-8 sequence at the start of `bytes`, or 0.
std::size_t utf8_length(std::string_view bytes, char32_t& c) {
  const auto lead = static_cast<unsigned char>(bytes[0]);
  const std::size_t length = lead >= 0xF0 && lead < 0xF5   ? 4
                             : lead >= 0xE0                ? 3
                             : lead >= 0xC2 && lead < 0xE0 ? 2
                                                           : 0;
  if (length == 0 || bytes.size() < length || lead >= 0xF5) return 0;
  c = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if ((b & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b & 0x3F);
  }
  const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
  return c >= least && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF) ? length : 0;
}

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

int hex_value(char c) {
  if (is_digit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The entry spelled as tokens. A \uN escape stands for its character, and
// the stand-ins after it (\ucN, one unless said otherwise) are passed over,
// in the text or in the RTF, as a reader of the file would.
struct Spelling {
  std::vector<Token> tokens;
  long fallback = 1;
  long skip = 0;
  char32_t high = 0;  // a high surrogate waiting for its low half
};

void add_char(Spelling& s, char32_t c) {
  if (s.skip > 0) {
    --s.skip;
    return;
  }
  if (s.tokens.empty() || s.tokens.back().kind != TokenKind::text)
    s.tokens.push_back({TokenKind::text, {}, {}});
  KelmAppendUtf8(c, s.tokens.back().text);
}

void add_token(Spelling& s, TokenKind kind, std::string text = {},
               std::optional<long> parameter = {}) {
  s.skip = 0;
  s.tokens.push_back({kind, std::move(text), parameter});
}

void add_unicode(Spelling& s, long n) {
  const auto unit = static_cast<char32_t>(static_cast<std::uint16_t>(n));
  s.skip = 0;
  if (s.high != 0 && unit >= 0xDC00 && unit <= 0xDFFF) {
    add_char(s, 0x10000 + ((s.high - 0xD800) << 10) + (unit - 0xDC00));
    s.high = 0;
  } else if (unit >= 0xD800 && unit <= 0xDBFF) {
    s.high = unit;
  } else {
    s.high = 0;
    add_char(s, unit);
  }
  s.skip = std::max(0L, s.fallback);
}

// RTF kept with the entry, as the file spelled it: raw line breaks stand for
// nothing; 8-bit bytes are UTF-8 where they form it, else Windows-1252.
void add_rtf(Spelling& s, std::string_view rtf) {
  std::size_t i = 0;
  while (i < rtf.size()) {
    const char c = rtf[i];
    if (c == '{' || c == '}') {
      add_token(s, c == '{' ? TokenKind::group_begin : TokenKind::group_end);
      ++i;
    } else if (c == '\r' || c == '\n') {
      ++i;
    } else if (c != '\\') {
      char32_t decoded = 0;
      const std::size_t length = utf8_length(rtf.substr(i), decoded);
      add_char(s, length > 0 ? decoded : KelmCp1252Char(static_cast<unsigned char>(c)));
      i += std::max<std::size_t>(length, 1);
    } else if (i + 1 == rtf.size()) {
      break;
    } else if (is_letter(rtf[i + 1])) {
      std::size_t end = i + 1;
      while (end < rtf.size() && is_letter(rtf[end])) ++end;
      std::string word(rtf.substr(i + 1, end - i - 1));
      std::optional<long> parameter;
      const std::size_t digits = end + (end < rtf.size() && rtf[end] == '-' ? 1 : 0);
      if (digits < rtf.size() && is_digit(rtf[digits])) {
        long value = 0;
        for (end = digits; end < rtf.size() && is_digit(rtf[end]); ++end)
          value = std::min(value * 10 + (rtf[end] - '0'), 0x7FFFFFFFL / 10);
        parameter = rtf[digits - 1] == '-' && digits != end ? -value : value;
      }
      if (end < rtf.size() && rtf[end] == ' ') ++end;
      i = end;
      if (word == "u" && parameter) {
        add_unicode(s, *parameter);
      } else if (word == "uc" && parameter) {
        s.fallback = *parameter;
      } else {
        add_token(s, TokenKind::word, std::move(word), parameter);
      }
    } else if (rtf[i + 1] == '\'' && i + 3 < rtf.size() && hex_value(rtf[i + 2]) >= 0 &&
               hex_value(rtf[i + 3]) >= 0) {
      add_char(s, KelmCp1252Char(static_cast<unsigned char>(hex_value(rtf[i + 2]) * 16 +
                                                            hex_value(rtf[i + 3]))));
      i += 4;
    } else if (rtf[i + 1] == '\r' || rtf[i + 1] == '\n') {
      // A backslash before a line break is a paragraph mark.
      add_token(s, TokenKind::word, "par");
      i += 2;
    } else {
      add_token(s, TokenKind::symbol, std::string(1, rtf[i + 1]));
      i += 2;
    }
  }
}

// The library's text as its writer spells it: the markers as their control
// words, the hard space as \~, braces and backslashes as escapes.
void add_text(Spelling& s, std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (text.substr(i).starts_with(paragraph_mark)) {
      add_token(s, TokenKind::word, "par");
      i += paragraph_mark.size() - 1;
    } else if (c == '\n') {
      add_token(s, TokenKind::word, "line");
    } else if (c == '\t') {
      add_token(s, TokenKind::word, "tab");
    } else if (c == '\xA0') {
      add_token(s, TokenKind::symbol, "~");
    } else if (c == '{' || c == '}' || c == '\\') {
      if (s.skip > 0)
        --s.skip;
      else
        add_token(s, TokenKind::symbol, std::string(1, c));
    } else {
      add_char(s, KelmCp1252Char(static_cast<unsigned char>(c)));
    }
  }
}

// Whether the tokens open no group they do not close, nor close one they
// did not open.
bool balanced(std::span<const Token> tokens) {
  long depth = 0;
  for (const Token& t : tokens) {
    depth += t.kind == TokenKind::group_begin ? 1 : t.kind == TokenKind::group_end ? -1 : 0;
    if (depth < 0) return false;
  }
  return depth == 0;
}

std::vector<Token> tokens_of(std::string_view rtf, Spelling& s) {
  const std::size_t first = s.tokens.size();
  add_rtf(s, rtf);
  std::vector<Token> tokens(s.tokens.begin() + static_cast<std::ptrdiff_t>(first), s.tokens.end());
  s.tokens.resize(first);
  return tokens;
}

void append(Spelling& s, std::vector<Token>&& tokens) {
  for (Token& t : tokens) s.tokens.push_back(std::move(t));
}

// A \cxds that attaches the text to what comes before stands before it, and
// after RTF that stood before the text in groups of its own (a comment, a
// flags group); one that attaches to what follows stands right after the
// text, after braces that close groups the text was in, and before RTF in
// groups of its own after it, as dictionaries write "be\cxds{\*\date}".
Spelling spell(std::string_view text, CTranFlags flags,
               std::span<const CStenoDictionary::Extra> extras) {
  Spelling s;
  const bool bare = text.empty() && (flags.GetSuffix() || flags.GetPrefix());
  const bool suffix = flags.GetSuffix() && !bare, prefix = flags.GetPrefix() && !bare;
  if (bare) add_token(s, TokenKind::word, "cxds");
  std::size_t next = 0;
  if (!text.empty()) {
    std::vector<Token> before;
    for (; next < extras.size() && extras[next].position == 0; ++next) {
      std::vector<Token> tokens = tokens_of(extras[next].rtf, s);
      before.insert(before.end(), tokens.begin(), tokens.end());
    }
    const bool apart = balanced(before);
    if (suffix && !apart) add_token(s, TokenKind::word, "cxds");
    append(s, std::move(before));
    if (suffix && apart) add_token(s, TokenKind::word, "cxds");
  }
  std::size_t written = 0;
  for (; next < extras.size() && extras[next].position < text.size(); ++next) {
    add_text(s, text.substr(written, extras[next].position - written));
    written = extras[next].position;
    add_rtf(s, extras[next].rtf);
  }
  add_text(s, text.substr(written));
  std::vector<Token> after;
  for (; next < extras.size(); ++next) {
    std::vector<Token> tokens = tokens_of(extras[next].rtf, s);
    after.insert(after.end(), tokens.begin(), tokens.end());
  }
  std::size_t closing = 0;
  if (!balanced(after))
    while (closing < after.size() && after[closing].kind == TokenKind::group_end) ++closing;
  s.tokens.insert(s.tokens.end(), after.begin(),
                  after.begin() + static_cast<std::ptrdiff_t>(closing));
  if (prefix) add_token(s, TokenKind::word, "cxds");
  if (flags.GetCapitalizeNext()) add_token(s, TokenKind::word, "cxfc");
  s.tokens.insert(s.tokens.end(), after.begin() + static_cast<std::ptrdiff_t>(closing),
                  after.end());
  return s;
}

// Reading the tokens as the open tools' RTF reader does.

struct Group {
  std::string destination;
  std::string text;
};

struct Reading {
  const std::vector<Token>& tokens;
  const CRtfStyleNames& styles;
  std::size_t at = 0;
  std::vector<Group> outer;
  Group group;
  unsigned losses = 0;
};

const Token* take(Reading& r) { return r.at < r.tokens.size() ? &r.tokens[r.at++] : nullptr; }

const Token* peek(const Reading& r) { return r.at < r.tokens.size() ? &r.tokens[r.at] : nullptr; }

bool is_word(const Token* t, std::string_view word) {
  return t && t->kind == TokenKind::word && t->text == word;
}

bool is_style(const Token& t) { return t.kind == TokenKind::word && t.text == "s" && t.parameter; }

bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r') || (c >= 0x1C && c <= 0x1F); }

std::string_view strip(std::string_view text) {
  while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_space(text.back())) text.remove_suffix(1);
  return text;
}

// Destinations the open tools read even where the file marks them
// optional.
bool is_known_destination(std::string_view word) {
  return word == "cxfing" || word == "cxsvatdictflags" || word == "cxplovermacro" ||
         word == "cxplovermeta";
}

std::string destination_of(const Token& t) {
  return t.parameter ? t.text + std::to_string(*t.parameter) : t.text;
}

void begin_group(Reading& r) {
  const Token* t = take(r);
  bool optional = false;
  if (t && t->kind == TokenKind::symbol && t->text == "*") {
    optional = true;
    t = take(r);
  }
  std::string destination;
  bool put_back = true;
  if (t && (t->kind == TokenKind::word || t->kind == TokenKind::symbol)) {
    destination = destination_of(*t);
    if (is_known_destination(destination)) {
      optional = false;
      put_back = false;
    } else if (is_style(*t)) {
      // A group that begins with a style takes it, with no paragraph.
      r.losses |= rtfLossStyle;
      put_back = false;
    }
  }
  if (optional) {
    r.losses |= destination == "deleted" ? rtfLossConflict : rtfLossDestination;
    for (std::size_t depth = 1; depth > 0 && (t = take(r));)
      depth += t->kind == TokenKind::group_begin ? 1 : t->kind == TokenKind::group_end ? -1 : 0;
    return;
  }
  r.outer.push_back(std::move(r.group));
  r.group = Group{std::move(destination), {}};
  if (put_back && t) --r.at;
}

std::string punctuation(std::string_view text) {
  const std::string_view mark = strip(text);
  if (mark.size() == 1 && std::string_view(".!?,;:").find(mark[0]) != std::string_view::npos)
    return "{" + std::string(mark) + "}";
  if (mark == "'") return "{^'}";
  if (mark == "-" || mark == "/") return "{^" + std::string(mark) + "^}";
  return "{^" + std::string(text) + "^}";
}

void end_group(Reading& r) {
  if (r.outer.empty()) return;
  const std::string& d = r.group.destination;
  std::string& t = r.group.text;
  std::string text;
  if (d == "cxsvatdictflags") {
    if (t.find_first_not_of('N') != std::string::npos) r.losses |= rtfLossFlags;
    text = t.find('N') != std::string::npos ? "{-|}" : "";
  } else if (d == "cxp") {
    text = punctuation(t);
  } else if (d == "cxfing") {
    text = "{&" + t + "}";
  } else if (d == "cxplovermacro") {
    text = "=" + t;
  } else if (d == "cxplovermeta") {
    text = "{" + t + "}";
  } else {
    text = std::move(t);
  }
  r.group = std::move(r.outer.back());
  r.outer.pop_back();
  r.group.text += text;
}

bool in_command(const Reading& r) {
  const auto is_command = [](const Group& g) {
    return g.destination == "cxplovermeta" || g.destination == "cxplovermacro";
  };
  return is_command(r.group) || std::any_of(r.outer.begin(), r.outer.end(), is_command);
}

void read_symbol(Reading& r, char c) {
  std::string& g = r.group.text;
  switch (c) {
    case '*':
      break;
    case '~':
      g += "{^ ^}";
      break;
    case '_':
      g += "{^-^}";
      break;
    case '-':
      g += '-';
      break;
    case '\\':
      g += '\\';
      break;
    case '{':
    case '}':
      // Escaped in the translation language, where a brace begins a
      // command, except in a command's own text.
      if (!in_command(r)) g += '\\';
      g += c;
      break;
    default:
      r.losses |= rtfLossFormatting;
  }
}

void read_word(Reading& r, const Token& w) {
  std::string& g = r.group.text;
  if (w.text == "par") {
    g += "\n\n";
  } else if (w.text == "line") {
    g += "\n";
  } else if (w.text == "tab") {
    g += "\t";
  } else if (w.text == "cxfc") {
    g += "{-|}";
  } else if (w.text == "cxfl") {
    g += "{>}";
  } else if (w.text == "cxds") {
    const Token* t = peek(r);
    if (!t || t->kind != TokenKind::text) {
      g += "{^}";
      return;
    }
    ++r.at;
    const bool infix = is_word(peek(r), "cxds");
    if (infix) ++r.at;
    g += "{^" + t->text + (infix ? "^}" : "}");
  } else if (w.text == "cxdstroke") {
    if (!g.empty()) r.losses |= rtfLossFormatting;
    g = "=undo";
  } else if (w.text == "cxfing") {
    const Token* t = peek(r);
    if (t && t->kind == TokenKind::text) {
      ++r.at;
      g += "{&" + t->text + "}";
    }
  } else if (is_style(w)) {
    r.losses |= rtfLossStyle;
    if (!g.ends_with("\n\n")) g += "\n\n";
    const auto style = r.styles.find(*w.parameter);
    if (style != r.styles.end() && style->second.starts_with("Contin")) g += "    ";
  } else if (w.text == "cxconf" || w.text == "cxc") {
    r.losses |= rtfLossConflict;
  } else if (w.text == "cxstit" || w.text == "cxa") {
    r.losses |= rtfLossMarking;
  } else if (w.text != "cxp") {
    r.losses |= rtfLossFormatting;
  }
}

std::size_t leading_spaces(std::string_view text) {
  std::size_t n = 0;
  while (n < text.size() && is_space(text[n])) ++n;
  return n;
}

std::size_t trailing_spaces(std::string_view text) {
  std::size_t n = 0;
  while (n < text.size() && is_space(text[text.size() - 1 - n])) ++n;
  return n;
}

// A mark alone is punctuation, and blanks at either end that a reader of
// the translation would drop are kept as an infix.
std::string finish(std::string text) {
  if (text.empty()) return text;
  if (std::string_view(".?!:;,").find(text[0]) != std::string_view::npos &&
      (text.size() == 1 || (text.size() == 2 && text[1] == ' ')))
    return "{" + text.substr(0, 1) + "}" + text.substr(1);
  const std::size_t left = leading_spaces(text);
  if (left > 1) text = "{^" + text.substr(0, left) + "^}" + text.substr(left);
  const std::size_t right = trailing_spaces(text);
  if (right > 1)
    text = text.substr(0, text.size() - right) + "{^" + text.substr(text.size() - right) + "^}";
  return text;
}

// Text with nothing the spelling would make a control word of, as most
// entries are: read as the open tools read it without spelling it.
bool is_plain(std::string_view text) {
  return std::none_of(text.begin(), text.end(), [](char c) {
    return c == '{' || c == '}' || c == '\\' || c == '\n' || c == '\t' || c == '\xA0';
  });
}

// A hyphen alone is the non-breaking hyphen or the punctuation group the
// library reads it from, which the open tools read as an infix.
bool is_lone_hyphen(std::string_view text, CTranFlags flags) {
  return text == "-" && flags.GetUShort() == 0;
}

std::string plain_translation(std::string_view text, CTranFlags flags) {
  if (is_lone_hyphen(text, flags)) return "{^-^}";
  const bool suffix = flags.GetSuffix(), prefix = flags.GetPrefix();
  std::string json;
  if (text.empty()) {
    if (suffix || prefix) json = "{^}";
  } else {
    if (suffix || prefix) json += suffix ? "{^" : "{";
    for (const char c : text) KelmAppendUtf8(KelmCp1252Char(static_cast<unsigned char>(c)), json);
    if (suffix || prefix) json += prefix ? "^}" : "}";
  }
  if (flags.GetCapitalizeNext()) json += "{-|}";
  return finish(std::move(json));
}

}  // namespace

CJsonTranslation KelmJsonFromRtfEntry(std::string_view text, CTranFlags flags,
                                      std::span<const CStenoDictionary::Extra> extras,
                                      const CRtfStyleNames& styles) {
  constexpr WORD expressed = CTranFlags::Suffix | CTranFlags::Prefix | CTranFlags::CapitalizeNext;
  // A mark with the flags its punctuation group implies was read from that
  // group, which the open tools read as the mark alone.
  if (const WORD implied = cre_punctuation_flags(text);
      implied != 0 && flags.GetUShort() == implied)
    flags = CTranFlags();
  const unsigned flag_loss = (flags.GetUShort() & ~expressed) != 0 ? rtfLossFlags : 0u;
  // A hard space joined on both sides is the open tools' own "{^ ^}".
  if (text == "\xA0" && flags.GetUShort() == (CTranFlags::Suffix | CTranFlags::Prefix) &&
      std::all_of(extras.begin(), extras.end(),
                  [](const CStenoDictionary::Extra& e) { return e.rtf.empty(); }))
    return {"{^ ^}", 0};
  if (extras.empty() && is_plain(text)) return {plain_translation(text, flags), flag_loss};
  // A translation read from JSON that would not come back as it was spelled
  // keeps its spelling, which is given back whole.
  CJsonTranslation kept;
  for (const CStenoDictionary::Extra& extra : extras)
    if (open_steno::find_kept_spelling(extra.rtf, kept.text)) return kept;
  const Spelling spelled = spell(text, flags, extras);
  Reading r{spelled.tokens, styles, 0, {}, {}, 0};
  for (const Token* t = take(r); t; t = take(r)) {
    switch (t->kind) {
      case TokenKind::group_begin:
        begin_group(r);
        break;
      case TokenKind::group_end:
        end_group(r);
        break;
      case TokenKind::symbol:
        read_symbol(r, t->text[0]);
        break;
      case TokenKind::word:
        read_word(r, *t);
        break;
      case TokenKind::text:
        if (is_word(peek(r), "cxds")) {
          ++r.at;
          r.group.text += "{" + t->text + "^}";
        } else {
          r.group.text += t->text;
        }
        break;
    }
  }
  while (!r.outer.empty()) end_group(r);
  if (is_lone_hyphen(text, flags) && r.group.text == "-") r.group.text = "{^-^}";
  return {finish(std::move(r.group.text)), r.losses | flag_loss};
}
