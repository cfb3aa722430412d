// The system's string comparison for Windows-1252 text, as sorted list and
// combo boxes use it: letters compare by their base letter first, ignoring
// case and accents; then accents decide, then case. Symbols sort before
// digits and digits before letters; superscript digits count as digits.
#include <algorithm>
#include <cstring>

#include "platform/ui/window_state.h"

namespace {

struct Weight {
  int primary;    // symbols (0-255), digits (1000+), letters (2000+)
  int secondary;  // the accent
  int tertiary;   // the case
};

// The base letter of each byte 0xC0-0xFF (then 0x8A-0x9F), 0 for a symbol.
constexpr char upper_bases[] = "AAAAAAACEEEEIIIIDNOOOOO\0OUUUUYTS";
constexpr char lower_bases[] = "aaaaaaaceeeeiiiidnooooo\0ouuuuyty";

Weight weight(unsigned char c) {
  if (c >= '0' && c <= '9') return {1000 + (c - '0'), 0, 0};
  if (c == 0xB9) return {1001, 1, 0};
  if (c == 0xB2) return {1002, 1, 0};
  if (c == 0xB3) return {1003, 1, 0};
  if (c >= 'A' && c <= 'Z') return {2000 + (c - 'A'), 0, 1};
  if (c >= 'a' && c <= 'z') return {2000 + (c - 'a'), 0, 0};
  char base = 0;
  int tertiary = 0;
  int accent = 1 + (c & 0x1F);  // the same for a capital and its small letter
  if (c >= 0xC0 && c <= 0xDF) {
    base = upper_bases[c - 0xC0];
    tertiary = 1;
  } else if (c >= 0xE0) {
    base = lower_bases[c - 0xE0];
  } else {
    switch (c) {
      case 0x8A:
        base = 'S';
        tertiary = 1;
        accent = 40;
        break;  // Š
      case 0x9A:
        base = 's';
        accent = 40;
        break;  // š
      case 0x8E:
        base = 'Z';
        tertiary = 1;
        accent = 40;
        break;  // Ž
      case 0x9E:
        base = 'z';
        accent = 40;
        break;  // ž
      case 0x8C:
        base = 'O';
        tertiary = 1;
        accent = 41;
        break;  // Œ
      case 0x9C:
        base = 'o';
        accent = 41;
        break;  // œ
      case 0x9F:
        base = 'Y';
        tertiary = 1;
        accent = 1 + (0xFF & 0x1F);
        break;  // Ÿ
      case 0x83:
        base = 'f';
        accent = 42;
        break;  // ƒ
      case 0xAA:
        base = 'a';
        accent = 43;
        break;  // ª
      case 0xBA:
        base = 'o';
        accent = 43;
        break;  // º
      default:
        break;
    }
  }
  if (base == 0) return {c, 0, 0};
  const int letter = (base | 0x20) - 'a';
  // Thorn follows z, as in the languages that write it.
  if (c == 0xDE || c == 0xFE) return {2026, 1, tertiary};
  return {2000 + letter, accent, tertiary};
}

int compare_level(const unsigned char* a, size_t na, const unsigned char* b, size_t nb,
                  int Weight::*level) {
  const size_t n = std::min(na, nb);
  for (size_t i = 0; i < n; ++i) {
    const int wa = weight(a[i]).*level;
    const int wb = weight(b[i]).*level;
    if (wa != wb) return wa < wb ? -1 : 1;
  }
  return 0;
}

}  // namespace

int KelmCompareStringUser(LPCSTR a, LPCSTR b) {
  const auto* ua = reinterpret_cast<const unsigned char*>(a != nullptr ? a : "");
  const auto* ub = reinterpret_cast<const unsigned char*>(b != nullptr ? b : "");
  const size_t na = std::strlen(reinterpret_cast<const char*>(ua));
  const size_t nb = std::strlen(reinterpret_cast<const char*>(ub));
  if (int r = compare_level(ua, na, ub, nb, &Weight::primary)) return r;
  if (na != nb) return na < nb ? -1 : 1;
  if (int r = compare_level(ua, na, ub, nb, &Weight::secondary)) return r;
  if (int r = compare_level(ua, na, ub, nb, &Weight::tertiary)) return r;
  return std::memcmp(ua, ub, na) < 0 ? -1 : std::memcmp(ua, ub, na) > 0 ? 1 : 0;
}

namespace kelm::ui {

// After the equal items, so that items added in turn keep their order.
int sorted_insert_position(const std::vector<ListItem>& items, LPCSTR text) {
  const auto at = std::upper_bound(
      items.begin(), items.end(), text,
      [](LPCSTR t, const ListItem& item) { return KelmCompareStringUser(t, item.text) < 0; });
  return static_cast<int>(at - items.begin());
}

char mnemonic(LPCSTR text) {
  for (const char* p = text; p != nullptr && *p != '\0'; ++p) {
    if (*p != '&') continue;
    if (p[1] == '&') {
      ++p;
      continue;
    }
    const auto c = static_cast<unsigned char>(p[1]);
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  }
  return 0;
}

}  // namespace kelm::ui
