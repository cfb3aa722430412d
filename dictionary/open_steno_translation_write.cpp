// The library's terms back into the open steno translation language, one
// entry at a time, for the JSON writer and whatever else converts entries.

#include "dictionary/open_steno_translation.h"
#include "textrules/string_rules.h"

#include <string>
#include <string_view>
#include <vector>

namespace open_steno {
namespace {

constexpr std::string_view paragraph_mark = CStringRules::szParagraphMark;
constexpr std::string_view meta_group = "{\\*\\cxplovermeta ";
constexpr std::string_view macro_group = "{\\*\\cxplovermacro ";
constexpr std::string_view spelling_group = "{\\*\\cxkelmjson ";
constexpr std::string_view fingerspelling_group = "{\\cxfing ";

// The translation as it is built: runs of plain text and metas, so that the
// attach flags can take the text next to them into their braces.
struct Piece {
  bool text;
  std::string spelling;
};

// The end of the group that begins at `at` (the index after its "}"), or
// npos when it does not close.
std::size_t group_end(std::string_view rtf, std::size_t at) {
  int depth = 0;
  for (std::size_t i = at; i < rtf.size(); ++i) {
    if (rtf[i] == '\\') {
      ++i;
    } else if (rtf[i] == '{') {
      ++depth;
    } else if (rtf[i] == '}' && --depth == 0) {
      return i + 1;
    }
  }
  return std::string_view::npos;
}

// The end of the control word at `at`, with its parameter and the blank
// that ends it.
std::size_t word_end(std::string_view rtf, std::size_t at) {
  std::size_t i = at + 1;
  while (i < rtf.size() && ((rtf[i] >= 'a' && rtf[i] <= 'z') || (rtf[i] >= 'A' && rtf[i] <= 'Z')))
    ++i;
  if (i == at + 1) return std::min(rtf.size(), i + 1);
  if (i < rtf.size() && rtf[i] == '-') ++i;
  while (i < rtf.size() && rtf[i] >= '0' && rtf[i] <= '9') ++i;
  if (i < rtf.size() && rtf[i] == ' ') ++i;
  return i;
}

bool is_mark(std::string_view text) {
  return text.size() == 1 &&
         std::string_view(".!?,:;").find(text.front()) != std::string_view::npos;
}

class TranslationWriter {
 public:
  TranslationWriter(std::string& out, LeftOut& left_out) : m_out(out), m_leftOut(left_out) {}

  // The spelling an extra kept whole, if one did.
  static bool KeptSpelling(std::span<const CStenoDictionary::Extra> extras, std::string& out) {
    for (const CStenoDictionary::Extra& extra : extras)
      if (find_kept_spelling(extra.rtf, out)) return true;
    return false;
  }

  void Write(std::string_view text, CTranFlags flags,
             std::span<const CStenoDictionary::Extra> extras) {
    std::size_t next = 0;
    for (std::size_t at = 0;; ++at) {
      for (; next < extras.size() && std::min(extras[next].position, text.size()) <= at; ++next)
        Extra(extras[next].rtf);
      if (at >= text.size()) break;
      if (m_bStandIn) {
        m_bStandIn = false;
        continue;
      }
      if (text.substr(at).starts_with(paragraph_mark)) {
        Text("\n\n");
        at += paragraph_mark.size() - 1;
        continue;
      }
      const char c = text[at];
      if (c == '\xA0')
        Meta("{^ ^}");
      else if (c == '{' || c == '}')
        Text(std::string{'\\', c});
      else
        Text(utf8_of(static_cast<unsigned char>(c)));
    }
    if (m_bFingerspelling) EndFingerspelling();
    Assemble(flags);
  }

 private:
  void Extra(std::string_view rtf) {
    for (std::size_t at = 0; at < rtf.size();) {
      const std::string_view rest = rtf.substr(at);
      std::size_t end = std::string_view::npos;
      if (rest.starts_with(meta_group) || rest.starts_with(macro_group)) {
        end = group_end(rtf, at);
        const std::size_t open =
            rest.starts_with(meta_group) ? meta_group.size() : macro_group.size();
        std::string content;
        if (end != std::string_view::npos &&
            rtf_unescape(rtf.substr(at + open, end - 1 - at - open), content)) {
          if (rest.starts_with(meta_group)) {
            std::string meta = "{";
            for (const char c : content) {
              if (c == '{' || c == '}') meta += '\\';
              meta += c;
            }
            Meta(meta + "}");
          } else {
            Meta("=" + content);
          }
        } else {
          LeaveOut();
        }
      } else if (rest.starts_with(fingerspelling_group)) {
        if (m_bFingerspelling) EndFingerspelling();
        m_bFingerspelling = true;
        m_fingerspelling = "{&";
        end = at + fingerspelling_group.size();
      } else if (rest.starts_with('}') && m_bFingerspelling) {
        EndFingerspelling();
        end = at + 1;
      } else if (rest.starts_with("\\cxfl") && word_end(rtf, at) == at + 5) {
        Meta("{>}");
        end = at + 5;
      } else if (rest.starts_with("\\cxdstroke") && word_end(rtf, at) == at + 10) {
        Meta("=undo");
        end = at + 10;
      } else if (rest.starts_with("\\u") && rest.size() > 2 &&
                 (rest[2] == '-' || (rest[2] >= '0' && rest[2] <= '9'))) {
        // A character outside Windows-1252, and the low half of a pair
        // after the high half's fallback.
        end = word_end(rtf, at);
        if (end + 2 < rtf.size() && rtf[end] == '?' && rtf.substr(end + 1).starts_with("\\u"))
          end = word_end(rtf, end + 1);
        std::string character;
        if (rtf_unescape(rtf.substr(at, end - at), character)) {
          Text(character);
          m_bStandIn = true;
        } else {
          LeaveOut();
        }
      } else {
        LeaveOut();
        end = rest.starts_with('{')    ? group_end(rtf, at)
              : rest.starts_with('\\') ? word_end(rtf, at)
                                       : at + 1;
      }
      at = end == std::string_view::npos ? rtf.size() : end;
    }
  }

  void LeaveOut() { ++m_leftOut.extras; }

  void EndFingerspelling() {
    m_bFingerspelling = false;
    m_pieces.push_back({false, m_fingerspelling + "}"});
  }

  void Text(std::string_view spelling) {
    if (m_bFingerspelling)
      m_fingerspelling += spelling;
    else if (!m_pieces.empty() && m_pieces.back().text)
      m_pieces.back().spelling += spelling;
    else
      m_pieces.push_back({true, std::string(spelling)});
  }

  void Meta(std::string spelling) {
    if (m_bFingerspelling) EndFingerspelling();
    m_pieces.push_back({false, std::move(spelling)});
  }

  // The attach flags take the text next to them into their braces; a mark or
  // a hyphen alone is the open tools' own punctuation.
  void Assemble(CTranFlags flags) {
    const bool suffix = flags.GetSuffix(), prefix = flags.GetPrefix();
    if ((flags.GetUShort() &
         ~(CTranFlags::Suffix | CTranFlags::Prefix | CTranFlags::CapitalizeNext)) != 0)
      m_leftOut.flags = true;
    std::size_t first = 0, last = m_pieces.size();
    if (m_pieces.empty()) {
      if (suffix || prefix) m_out += "{^}";
    } else if (suffix && prefix && m_pieces.size() == 1 && m_pieces[0].text) {
      m_out += "{^" + m_pieces[0].spelling + "^}";
      first = last;
    } else if (!suffix && !prefix && m_pieces.size() == 1 && m_pieces[0].text &&
               (is_mark(m_pieces[0].spelling) || m_pieces[0].spelling == "-")) {
      m_out += m_pieces[0].spelling == "-" ? "{^-^}" : "{" + m_pieces[0].spelling + "}";
      first = last;
    } else {
      if (suffix) {
        if (m_pieces[0].text) {
          m_out += "{^" + m_pieces[0].spelling + "}";
          first = 1;
        } else {
          m_out += "{^}";
        }
      }
      const bool prefix_text = prefix && last > first && m_pieces[last - 1].text;
      if (prefix_text) --last;
      for (std::size_t i = first; i < last; ++i) m_out += m_pieces[i].spelling;
      if (prefix_text) m_out += "{" + m_pieces[last].spelling + "^}";
      if (prefix && !prefix_text) m_out += "{^}";
    }
    if (flags.GetCapitalizeNext()) m_out += "{-|}";
  }

  std::string& m_out;
  LeftOut& m_leftOut;
  std::vector<Piece> m_pieces;
  bool m_bStandIn = false;
  bool m_bFingerspelling = false;
  std::string m_fingerspelling;
};

}  // namespace

std::string kept_spelling_rtf(std::string_view translation) {
  return std::string(spelling_group) + rtf_escape(translation) + "}";
}

bool find_kept_spelling(std::string_view rtf, std::string& out) {
  for (std::size_t at = rtf.find(spelling_group); at != std::string_view::npos;
       at = rtf.find(spelling_group, at + 1)) {
    const std::size_t end = group_end(rtf, at);
    std::string spelling;
    if (end != std::string_view::npos &&
        rtf_unescape(rtf.substr(at + spelling_group.size(), end - 1 - at - spelling_group.size()),
                     spelling)) {
      out += spelling;
      return true;
    }
  }
  return false;
}

void write_translation(std::string_view text, CTranFlags flags,
                       std::span<const CStenoDictionary::Extra> extras, std::string& out,
                       LeftOut& left_out) {
  if (TranslationWriter::KeptSpelling(extras, out)) return;
  TranslationWriter(out, left_out).Write(text, flags, extras);
}

}  // namespace open_steno
