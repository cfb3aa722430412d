// The library's terms back into the open steno translation language, one
// entry at a time, for the JSON writer and whatever else converts entries:
// the entry read as the open tools read RTF/CRE (open_steno_from_rtf.h),
// and the spelling a translation read from JSON keeps.

#include "dictionary/open_steno_translation.h"

#include <bit>
#include <string>
#include <string_view>

namespace open_steno {
namespace {

constexpr std::string_view spelling_group = "{\\*\\cxkelmjson ";

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
                       LeftOut& left_out, const CRtfStyleNames& styles) {
  const CJsonTranslation json = KelmJsonFromRtfEntry(text, flags, extras, styles);
  out += json.text;
  left_out.flags = (json.losses & rtfLossFlags) != 0;
  left_out.extras = static_cast<std::size_t>(std::popcount(json.losses & ~unsigned{rtfLossFlags}));
}

}  // namespace open_steno
