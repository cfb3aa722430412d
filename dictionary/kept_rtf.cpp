#include "dictionary/kept_rtf.h"

#include <algorithm>

namespace dictionary_read {

std::string_view trim_line_breaks(std::string_view rtf) {
  while (!rtf.empty() && is_line_break(rtf.front())) rtf.remove_prefix(1);
  std::size_t end = rtf.size();
  while (end > 0 && is_line_break(rtf[end - 1])) --end;
  std::size_t backslashes = 0;
  while (end > backslashes && rtf[end - backslashes - 1] == '\\') ++backslashes;
  if (backslashes % 2 == 1 && end < rtf.size()) ++end;
  return rtf.substr(0, end);
}

std::string balance_groups(std::string_view rtf) {
  std::string balanced;
  balanced.reserve(rtf.size());
  std::size_t depth = 0;
  for (std::size_t i = 0; i < rtf.size(); ++i) {
    if (rtf[i] == '{') {
      ++depth;
    } else if (rtf[i] == '}') {
      if (depth == 0) continue;
      --depth;
    } else if (rtf[i] == '\\') {
      // A backslash the file ends on would escape the brace that closes.
      if (i + 1 == rtf.size()) break;
      std::size_t end = i + 2;
      if (rtf.substr(i + 1).starts_with("bin")) {
        end = i + 4;
        unsigned long long count = 0;
        while (end < rtf.size() && rtf[end] >= '0' && rtf[end] <= '9' && count < rtf.size())
          count = count * 10 + static_cast<unsigned>(rtf[end++] - '0');
        if (end > i + 4 && end < rtf.size() && rtf[end] == ' ') ++end;
        if (end > i + 4 && end + count > rtf.size()) break;
        if (end > i + 4) end = static_cast<std::size_t>(end + count);
      }
      end = std::min(end, rtf.size());
      balanced.append(rtf.substr(i, end - i));
      i = end - 1;
      continue;
    }
    balanced += rtf[i];
  }
  balanced.append(depth, '}');
  return balanced;
}

bool binary_cut_short(std::string_view rtf) {
  for (std::size_t at = rtf.find("\\bin"); at != std::string_view::npos;
       at = rtf.find("\\bin", at + 1)) {
    std::size_t end = at + 4;
    unsigned long long count = 0;
    while (end < rtf.size() && rtf[end] >= '0' && rtf[end] <= '9' && count <= rtf.size())
      count = count * 10 + static_cast<unsigned>(rtf[end++] - '0');
    if (end < rtf.size() && rtf[end] == ' ') ++end;
    if (end > at + 4 && end + count > rtf.size()) return true;
  }
  return false;
}

}  // namespace dictionary_read
