// The open steno community's translation language (the values of its JSON
// dictionaries) and the library's own terms, both ways. Internal to the
// dictionary.
//
// A translation reads into Windows-1252 text, the CTranFlags word and extras
// (RTF kept at a place in the text), the same terms the RTF/CRE reader gives
// the equivalent RTF: "{^}" and "{^x}" at the start attach to what comes
// before (Suffix, \cxds), "{x^}" and "{^}" at the end to what follows
// (Prefix), "{-|}" at the end capitalises what follows (\cxfc); "{>}" is the
// extra \cxfl, "{&x}" the text x inside a {\cxfing ...} group, "{.}" and the
// other marks the text of a {\cxp ...} group, "{^ ^}" a hard space (\~),
// "{^-^}" a non-breaking hyphen (\_), "\n" a line break, "\n\n" a paragraph
// mark, "\t" a tab, "=undo" the extra \cxdstroke, and characters outside
// Windows-1252 a stand-in with its \uN extra. What the library has no meaning
// for is kept at its place as {\*\cxplovermeta X} for "{X}" and
// {\*\cxplovermacro X} for "=X", and translates to no text.
//
// Writing turns those terms back into the language. A translation whose
// reading would not write back as it was spelled (a "{^}" in the middle, a
// plain "." that would come back as "{.}") also keeps its spelling whole in
// an extra {\*\cxkelmjson ...}, which writing gives back as it is: every
// translation survives a round trip through the dictionary, RTF/CRE and
// SQLite unchanged.
#pragma once

#include "dictionary/open_steno_from_rtf.h"
#include "dictionary/rtf_text_decoder.h"
#include "dictionary/steno_dictionary.h"
#include "textrules/tran_flags.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace open_steno {

struct Extra {
  std::size_t position;
  std::string rtf;
};

// A translation in the library's terms.
struct Reading {
  std::string text;
  CTranFlags flags;
  std::vector<Extra> extras;
  // Characters outside Windows-1252 the text holds stand-ins for.
  std::size_t unrepresentable = 0;
};

// Reads a translation, UTF-8, into `reading`, which it replaces.
void read_translation(std::string_view translation, Reading& reading);
// Whether the translation reads as its own text, with no flags or extras:
// printable ASCII without braces, backslashes or a macro's "=", and not a
// lone mark or hyphen. Nearly every translation is; the reader takes them
// without building a reading.
bool is_plain_text(std::string_view translation);

// What writing had to leave out of a translation, the language having no
// form for it: flag bits other than Suffix, Prefix and CapitalizeNext, and
// the kinds of RTF it has no form for (RtfToJsonLoss bits but the flags').
struct LeftOut {
  bool flags = false;
  std::size_t extras = 0;
  bool empty() const { return !flags && extras == 0; }
};

// The translation, UTF-8, of an entry's text, flags and extras, appended to
// `out`, as KelmJsonFromRtfEntry gives it with the styles named; what had no
// form in the language goes to `left_out`.
void write_translation(std::string_view text, CTranFlags flags,
                       std::span<const CStenoDictionary::Extra> extras, std::string& out,
                       LeftOut& left_out, const CRtfStyleNames& styles = {});

// The RTF that keeps a translation's spelling whole, and the way back: the
// spelling, UTF-8, appended to `out` when the RTF holds it.
std::string kept_spelling_rtf(std::string_view translation);
bool find_kept_spelling(std::string_view rtf, std::string& out);

// Text as RTF text kept in an extra: braces and backslashes escaped, bytes
// outside ASCII as \'hh of Windows-1252 or \uN; `utf8` is UTF-8.
std::string rtf_escape(std::string_view utf8);
// The way back, to UTF-8; false when the RTF holds more than such text.
bool rtf_unescape(std::string_view rtf, std::string& utf8);

// The UTF-8 of a Windows-1252 byte.
std::string_view utf8_of(unsigned char byte);

}  // namespace open_steno
