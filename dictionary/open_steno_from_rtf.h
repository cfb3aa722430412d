// An RTF/CRE entry as the open steno tools read it: the translation in their
// translation language (UTF-8), from the entry as the dictionary holds it
// (text with the library's markers, flags, and the RTF kept as extras), so
// that a dictionary converted to JSON behaves in those tools as the RTF/CRE
// file does when they read it. The entry is spelled as RTF again - its
// markers as their control words, \cxds before the text for Suffix and
// after it for Prefix (before groups kept after it, as in "be\cxds{\*\date}"),
// \cxfc after that - and the spelling read as the open tools' RTF reader
// reads it, with two departures: characters outside Windows-1252 come out
// as themselves, not as the file's fallback, and braces of the text come out
// escaped ("\{"), so that they stay text rather than begin a command.
//
// What the translation language has no form for (styles, conflict marks,
// comments and other destinations, flags beyond attach and capitalise,
// formatting) is named in the entry's losses; CRtfToJsonReport counts them
// over a dictionary. Plain functions and data; any thread.
#pragma once

#include "dictionary/steno_dictionary.h"
#include "platform/export.h"
#include "textrules/tran_flags.h"

#include <array>
#include <cstddef>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What an entry can lose on its way to the translation language, a bit each.
enum RtfToJsonLoss : unsigned {
  rtfLossStyle = 1u << 0,        // \sN: the paragraph stays, the style goes
  rtfLossConflict = 1u << 1,     // \cxconf, \cxc, and alternatives marked deleted
  rtfLossDestination = 1u << 2,  // {\*\...} groups the open tools drop: comments, dates
  rtfLossMarking = 1u << 3,      // \cxstit, \cxa: their text stays, their marking goes
  rtfLossFlags = 1u << 4,        // flags beyond attach and capitalise, \cxsvatdictflags letters
  rtfLossFormatting = 1u << 5,   // other control words and groups: \b, \f1, {\x ...}
};
inline constexpr std::size_t kRtfToJsonLossKinds = 6;

// Style numbers to their names, as the file's stylesheet declares them; a
// continuation style ("Contin...") indents its paragraph. The dictionary
// keeps those of the files it read (CStenoDictionary::GetStyleNames).
using CRtfStyleNames = std::map<long, std::string>;

// The styles of the {\stylesheet ...} group of an RTF/CRE file's bytes; none
// when it has none.
KELM_EXPORT CRtfStyleNames KelmReadRtfStyleNames(std::string_view rtf);

struct CJsonTranslation {
  std::string text;     // UTF-8, in the translation language
  unsigned losses = 0;  // RtfToJsonLoss bits
};

// The entry's translation; a translation read from JSON that keeps its
// spelling in an extra (see open_steno_translation.h) comes back as spelled,
// with nothing lost.
KELM_EXPORT CJsonTranslation KelmJsonFromRtfEntry(std::string_view text, CTranFlags flags,
                                                  std::span<const CStenoDictionary::Extra> extras,
                                                  const CRtfStyleNames& styles = {});

// How many entries of a dictionary lost what on their way to JSON, by kind,
// with the first outlines of each; the entries whose outlines are not steno,
// which JSON cannot key, are counted apart. Every entry counted is either
// whole or lost something.
class KELM_EXPORT CRtfToJsonReport {
 public:
  static constexpr std::size_t nOutlinesShown = 5;

  struct Kind {
    std::size_t entries = 0;
    std::vector<std::string> outlines;  // the first nOutlinesShown
  };

  void Count(std::string_view outline, unsigned losses);
  void CountInvalid(std::string_view outline);

  std::size_t GetEntries() const { return m_nEntries; }
  std::size_t GetWhole() const { return m_nWhole; }
  // The kind of bit `loss`.
  const Kind& GetKind(RtfToJsonLoss loss) const;
  const Kind& GetInvalid() const { return m_invalid; }
  bool IsWhole() const { return m_nWhole == m_nEntries && m_invalid.entries == 0; }

  // A line a kind, for standard error: "N entries lost WHAT (first: A, B)";
  // nothing when every entry converted whole.
  std::string Describe() const;

 private:
  std::size_t m_nEntries = 0;
  std::size_t m_nWhole = 0;
  std::array<Kind, kRtfToJsonLossKinds> m_kinds;
  Kind m_invalid;
};

// Converts every entry of the dictionary and counts what each lost, the
// entries with invalid outlines the JSON writer leaves out included; outlines
// as that writer spells them.
KELM_EXPORT CRtfToJsonReport KelmReportRtfToJson(const CStenoDictionary& dictionary,
                                                 const CRtfStyleNames& styles = {});
