#include "dictionary/open_steno_from_rtf.h"

#include "dictionary/open_steno_translation.h"
#include "dictionary/rtf_outline.h"

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string_view trim(std::string_view text) {
  constexpr std::string_view blanks = " \t\r\n";
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) + 1 - first);
}

}  // namespace

CRtfStyleNames KelmReadRtfStyleNames(std::string_view rtf) {
  CRtfStyleNames styles;
  const std::size_t sheet = rtf.find("{\\stylesheet");
  if (sheet == std::string_view::npos) return styles;
  // The sheet's groups, "{\sN ...name;}", up to the brace that closes it.
  std::size_t depth = 0;
  for (std::size_t i = sheet; i < rtf.size(); ++i) {
    if (rtf[i] == '\\') {
      ++i;
      continue;
    }
    if (rtf[i] == '}') {
      if (--depth == 0) break;
      continue;
    }
    if (rtf[i] != '{') continue;
    ++depth;
    if (depth != 2 || !rtf.substr(i + 1).starts_with("\\s") || i + 3 >= rtf.size() ||
        !is_digit(rtf[i + 3]))
      continue;
    std::size_t end = i + 3;
    long number = 0;
    while (end < rtf.size() && is_digit(rtf[end]) && number < 100000)
      number = number * 10 + (rtf[end++] - '0');
    // The name is the text of the group after its control words.
    std::string name;
    std::size_t inner = 0;
    for (std::size_t j = end; j < rtf.size() && (rtf[j] != '}' || inner > 0); ++j) {
      if (rtf[j] == '{' || rtf[j] == '}') {
        inner += rtf[j] == '{' ? 1 : -1;
        continue;
      }
      if (rtf[j] == '\\') {
        while (j + 1 < rtf.size() &&
               (is_letter(rtf[j + 1]) || is_digit(rtf[j + 1]) || rtf[j + 1] == '-'))
          ++j;
        continue;
      }
      if (inner == 0 && rtf[j] != '\r' && rtf[j] != '\n') name += rtf[j];
    }
    const std::string_view trimmed = trim(name);
    styles[number] =
        std::string(trimmed.ends_with(';') ? trimmed.substr(0, trimmed.size() - 1) : trimmed);
  }
  return styles;
}

void CRtfToJsonReport::Count(std::string_view outline, unsigned losses) {
  ++m_nEntries;
  if (losses == 0) ++m_nWhole;
  for (std::size_t k = 0; k < kRtfToJsonLossKinds; ++k) {
    if ((losses & (1u << k)) == 0) continue;
    Kind& kind = m_kinds[k];
    ++kind.entries;
    if (kind.outlines.size() < nOutlinesShown) kind.outlines.emplace_back(outline);
  }
}

void CRtfToJsonReport::CountInvalid(std::string_view outline) {
  ++m_invalid.entries;
  if (m_invalid.outlines.size() < nOutlinesShown) m_invalid.outlines.emplace_back(outline);
}

const CRtfToJsonReport::Kind& CRtfToJsonReport::GetKind(RtfToJsonLoss loss) const {
  std::size_t k = 0;
  while (k + 1 < kRtfToJsonLossKinds && (1u << k) != loss) ++k;
  return m_kinds[k];
}

std::string CRtfToJsonReport::Describe() const {
  static constexpr const char* what[kRtfToJsonLossKinds] = {
      "their styles (the paragraph break, and a continuation's indent, kept)",
      "their conflict marks (the alternatives kept as [a|b], those marked deleted left out)",
      "destinations the open tools drop ({\\*\\...} groups: comments, dates and the like)",
      "their stitch and automatic-text marks (the text kept)",
      "flags the translation language has no form for",
      "RTF the translation language has no form for (formatting, unknown control words)",
  };
  std::string lines;
  const auto line = [&lines](const Kind& kind, std::string_view lost) {
    if (kind.entries == 0) return;
    lines += std::to_string(kind.entries) + (kind.entries == 1 ? " entry" : " entries");
    lines += std::string(lost) + "; first:";
    for (const std::string& outline : kind.outlines) lines += " " + outline;
    lines += '\n';
  };
  for (std::size_t k = 0; k < kRtfToJsonLossKinds; ++k)
    line(m_kinds[k], std::string(" lost ") + what[k]);
  line(m_invalid, " left out: their outlines are not steno, which JSON keys must be");
  return lines;
}

CRtfToJsonReport KelmReportRtfToJson(const CStenoDictionary& dictionary,
                                     const CRtfStyleNames& styles) {
  CRtfToJsonReport report;
  for (std::size_t i = 0; i < dictionary.GetCount(); ++i) {
    const CStenoDictionary::Translation t = dictionary.GetTranslation(i);
    const unsigned losses =
        KelmJsonFromRtfEntry(t.text, t.flags, dictionary.GetExtras(i), styles).losses;
    report.Count(losses != 0 ? rtf_outline_text(dictionary.GetKeys(i)) : "", losses);
  }
  // An invalid entry a JSON file gave keeps its translation as spelled, and
  // is written with it.
  std::string spelling;
  for (const CStenoDictionary::InvalidOutline& invalid : dictionary.GetInvalidOutlines())
    if (!open_steno::find_kept_spelling(invalid.rtf, spelling)) report.CountInvalid(invalid.text);
  return report;
}
