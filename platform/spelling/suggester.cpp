#include "platform/spelling/suggester.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <optional>

#include "platform/spelling/phonetic.h"
#include "platform/spelling/word_index.h"

namespace spelling {
namespace {

// Words are indexed by deletions from their first letters only: any two words
// within two edits of each other have beginnings within two deletions of each
// other (an insertion or deletion shifts the cut by one letter, which the
// other side's deletion allowance covers), and the index stays small.
constexpr std::size_t prefix_length = 7;

// Costs are in hundredths of an ordinary edit; lower is more likely.
constexpr int edit_cost = 100;

std::string fold_word(std::string_view word) {
  std::string folded(word.size(), '\0');
  std::transform(word.begin(), word.end(), folded.begin(),
                 [](char c) { return static_cast<char>(fold(c)); });
  return folded;
}

bool is_vowel(char c) {
  const char b = base_letter(c);
  return b == 'a' || b == 'e' || b == 'i' || b == 'o' || b == 'u' || b == 'y';
}

// Keys that touch on a QWERTY keyboard, where a slipped finger lands.
struct keyboard {
  std::array<std::array<bool, 26>, 26> adjacent{};
  keyboard() {
    constexpr std::string_view rows[] = {"qwertyuiop", "asdfghjkl", "zxcvbnm"};
    constexpr double offsets[] = {0.0, 0.25, 0.75};
    for (int r1 = 0; r1 < 3; ++r1) {
      for (std::size_t c1 = 0; c1 < rows[r1].size(); ++c1) {
        for (int r2 = 0; r2 < 3; ++r2) {
          for (std::size_t c2 = 0; c2 < rows[r2].size(); ++c2) {
            const double dx = (offsets[r1] + c1) - (offsets[r2] + c2);
            const int dy = r1 - r2;
            if (dy * dy + dx * dx < 1.6 && !(r1 == r2 && c1 == c2))
              adjacent[rows[r1][c1] - 'a'][rows[r2][c2] - 'a'] = true;
          }
        }
      }
    }
  }
  bool touch(char a, char b) const {
    return a >= 'a' && a <= 'z' && b >= 'a' && b <= 'z' && adjacent[a - 'a'][b - 'a'];
  }
};

const keyboard qwerty;

// Consonants that stand for the same sound in some words.
bool sound_alike(char a, char b) {
  constexpr std::string_view pairs[] = {"ck", "cs", "sz", "gj", "kq", "fv", "iy", "sx", "ct"};
  for (std::string_view p : pairs) {
    if ((a == p[0] && b == p[1]) || (a == p[1] && b == p[0])) return true;
  }
  return false;
}

// -log P(word) on the edit-cost scale: a word of a larger SCOWL list is
// rarer, so a typist more likely meant a common word at the same distance.
int prior_cost(std::uint8_t level) {
  if (level <= 10) return 0;
  if (level <= 20) return 15;
  if (level <= 35) return 35;
  if (level <= 40) return 45;
  if (level <= 50) return 60;
  if (level <= 55) return 70;
  if (level <= 60) return 75;
  if (level <= 70) return 110;
  if (level <= 80) return 140;
  return 175;
}

// Whether the letters after a vowel make one of the unstressed endings whose
// vowel is heard as a mere schwa, so that spellers must guess it: -er/-or/-ar,
// -ent/-ant, -ence/-ance, -ible/-able, -ery/-ary, -el/-al. None is longer than
// four letters.
bool unstressed_ending(std::string_view rest) {
  if (rest.empty() || rest.size() > 4 || std::string_view("bnlr").find(rest[0]) == rest.npos)
    return false;
  constexpr std::string_view endings[] = {"r",   "rs",  "nt", "nts", "nce", "nces",
                                          "ble", "bly", "ry", "l",   "ls"};
  return std::find(std::begin(endings), std::end(endings), rest) != std::end(endings);
}

// Restricted Damerau-Levenshtein distance from one typed word to dictionary
// words taken in their sorted order. The table's rows follow the dictionary
// word's letters, so the rows of the beginning it shares with the word before
// are kept rather than worked again, and once a row passes the bound every
// later word with that beginning is passed over unread. Only cells within
// `bound` of the diagonal are worked: any other cell is beyond the bound
// anyway, and a cell that is beyond it holds no more than bound + 1.
struct distance_walk {
  std::string_view typed;
  int bound = 0;
  std::array<std::array<std::uint8_t, max_word_length + 2>, max_word_length + 1> rows{};
  std::string_view word;          // the word whose rows are kept
  std::size_t kept = 0;           // rows 0 ... kept are that word's
  std::size_t beyond = SIZE_MAX;  // the first kept row past the bound
};

void start_walk(distance_walk& walk, std::string_view typed, int bound) {
  walk.typed = typed;
  walk.bound = bound;
  for (std::size_t j = 0; j <= typed.size(); ++j)
    walk.rows[0][j] = static_cast<std::uint8_t>(std::min<std::size_t>(j, bound + 1));
  walk.word = {};
  walk.kept = 0;
  walk.beyond = SIZE_MAX;
}

bool within_bound(distance_walk& walk, std::string_view word) {
  const std::string_view typed = walk.typed;
  const int n = static_cast<int>(typed.size()), m = static_cast<int>(word.size());
  const int bound = walk.bound;
  if (std::abs(n - m) > bound) return false;
  std::size_t shared = 0;
  const std::size_t most = std::min({walk.kept, walk.word.size(), word.size()});
  while (shared < most && walk.word[shared] == word[shared]) ++shared;
  if (walk.beyond <= shared) return false;
  walk.word = word;
  walk.beyond = SIZE_MAX;
  const auto past = static_cast<std::uint8_t>(bound + 1);
  for (int i = static_cast<int>(shared) + 1; i <= m; ++i) {
    auto& row = walk.rows[i];
    const auto& up = walk.rows[i - 1];
    const int low = std::max(1, i - bound), high = std::min(n, i + bound);
    row[low - 1] = low == 1 ? static_cast<std::uint8_t>(std::min(i, bound + 1)) : past;
    std::uint8_t row_min = row[low - 1];
    const char letter = word[i - 1];
    for (int j = low; j <= high; ++j) {
      int d = std::min({up[j] + 1, row[j - 1] + 1, up[j - 1] + (letter == typed[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && letter == typed[j - 2] && word[i - 2] == typed[j - 1])
        d = std::min(d, walk.rows[i - 2][j - 2] + 1);
      row[j] = static_cast<std::uint8_t>(std::min(d, bound + 1));
      row_min = std::min(row_min, row[j]);
    }
    if (high + 1 <= n) row[high + 1] = past;
    if (row_min > bound) {
      walk.kept = static_cast<std::size_t>(i);
      walk.beyond = walk.kept;
      return false;
    }
  }
  walk.kept = static_cast<std::size_t>(m);
  return walk.rows[m][n] <= bound;
}

// What writing letter `a` for the word's letter `b` costs, by the two
// letters alone; vowel_for_vowel where it also depends on the letters after
// b. Kept in a table because the alignment asks it for every cell.
constexpr std::uint8_t vowel_for_vowel = 1;

using substitution_table = std::array<std::array<std::uint8_t, 256>, 256>;

std::uint8_t substitution_of(char a, char b, bool typographical) {
  if (a == b) return 0;
  const char ba = base_letter(a), bb = base_letter(b);
  if (ba != 0 && ba == bb) return 15;
  if (is_vowel(a) && is_vowel(b)) return vowel_for_vowel;
  // Most misspellings are of the sound rather than slips of the finger.
  if (sound_alike(ba, bb)) return 60;
  if (typographical && qwerty.touch(a, b)) return 70;
  return edit_cost;
}

substitution_table make_substitutions(bool typographical) {
  substitution_table table;
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b)
      table[a][b] = substitution_of(static_cast<char>(a), static_cast<char>(b), typographical);
  }
  return table;
}

const substitution_table& substitutions(bool typographical) {
  if (typographical) {
    static const substitution_table with_keys = make_substitutions(true);
    return with_keys;
  }
  static const substitution_table without_keys = make_substitutions(false);
  return without_keys;
}

// The typed word with what each of its letters costs when it is not in the
// word, worked once for all the words it is measured against.
struct typed_word {
  std::string_view text;
  const substitution_table* substitutions;
  std::array<int, max_word_length> extra;
};

typed_word measured(std::string_view typed, bool typographical) {
  typed_word t{typed, &substitutions(typographical), {}};
  const int n = static_cast<int>(typed.size());
  for (int i = 0; i < n; ++i) {
    const char c = typed[i];
    t.extra[i] = [&] {
      if (i > 0 && typed[i - 1] == c) return 40;
      if (typographical && ((i > 0 && qwerty.touch(typed[i - 1], c)) ||
                            (i + 1 < n && qwerty.touch(typed[i + 1], c))))
        return 75;
      // A plural ending put on a word that takes none ("aircrafts").
      if (i + 1 == n && c == 's') return 90;
      // A silent e kept before the ending ("simpley", "notabley") or put on
      // the end of a word ("frome", "heroe").
      if (c == 'e' && i + 2 == n && typed[i + 1] == 'y') return 50;
      if (c == 'e' && i + 1 == n) return 70;
      // A stray h after a letter that often pairs with it (th, wh, ch, sh,
      // ph, gh): "whith".
      if (c == 'h' && i > 0 &&
          std::string_view("cgpstw").find(typed[i - 1]) != std::string_view::npos)
        return 80;
      if (is_vowel(c)) return 90;
      return 110;
    }();
  }
  return t;
}

// -log P(typed | word) on the edit-cost scale: the cheapest alignment, where
// the slips people make often (a doubled or undoubled letter, a vowel for a
// vowel, a neighbouring key, two letters swapped) cost less than others.
int typo_cost(const typed_word& t, std::string_view word) {
  const std::string_view typed = t.text;
  const int n = static_cast<int>(typed.size()), m = static_cast<int>(word.size());
  std::array<int, max_word_length> missing;     // word[j] was left out
  std::array<int, max_word_length> vowel_cost;  // a vowel written for word[j]
  for (int j = 0; j < m; ++j) {
    const char c = word[j];
    missing[j] = [&] {
      if (j > 0 && word[j - 1] == c) return 40;
      // The ending -ly written as -y ("particulary", "broady").
      if (c == 'l' && j + 2 == m && word[j + 1] == 'y') return 40;
      // An r after a vowel is barely heard in many accents ("futher",
      // "poety").
      if (c == 'r' && j > 0 && is_vowel(word[j - 1])) return 45;
      if (c == '\'' || c == '-') return 100;
      // Letters left out are the commonest slip of all, a silent vowel or h
      // most of all.
      if (is_vowel(c) || c == 'h') return 55;
      return 60;
    }();
    vowel_cost[j] = unstressed_ending(word.substr(j + 1)) ? 60 : 80;
  }
  std::array<std::array<int, max_word_length + 1>, 3> rows;
  rows[0][0] = 0;
  for (int j = 1; j <= m; ++j) rows[0][j] = rows[0][j - 1] + missing[j - 1];
  for (int i = 1; i <= n; ++i) {
    auto& row = rows[i % 3];
    const auto& up = rows[(i - 1) % 3];
    const auto& up2 = rows[(i + 1) % 3];
    const int extra_here = t.extra[i - 1];
    const char a = typed[i - 1];
    const auto& substitute = (*t.substitutions)[static_cast<unsigned char>(a)];
    row[0] = up[0] + extra_here;
    for (int j = 1; j <= m; ++j) {
      // Mistakes are rarer among the first letters, which the writer sees
      // and hears most clearly.
      const int early = (i <= 2 && j <= 2) ? 5 : 0;
      int sub = substitute[static_cast<unsigned char>(word[j - 1])];
      if (sub == vowel_for_vowel) sub = vowel_cost[j - 1];
      int d = std::min({up[j] + extra_here + early, row[j - 1] + missing[j - 1] + early,
                        up[j - 1] + sub + (sub ? early : 0)});
      if (i > 1 && j > 1 && a == word[j - 2] && typed[i - 2] == word[j - 1])
        d = std::min(d, up2[j - 2] + 45);
      row[j] = d;
    }
  }
  int cost = rows[n % 3][m];
  // People seldom get the first letter wrong, though they may swap it with
  // the second.
  if (n > 1 && m > 1 && base_letter(typed[0]) != base_letter(word[0]) &&
      !(typed[0] == word[1] && typed[1] == word[0]))
    cost += 25;
  return cost;
}

int score_of(int cost) {
  // Strictly falling and always positive, whatever the cost.
  return static_cast<int>(32767LL * 400 / (400 + std::max(cost, 0)));
}

std::uint64_t pack(std::string_view s) {
  std::uint64_t key = s.size();
  for (char c : s) key = (key << 8) | static_cast<unsigned char>(c);
  return key;
}

std::uint64_t mix(std::uint64_t x) {
  x ^= x >> 33;
  x *= 0xff51afd7ed558ccdULL;
  x ^= x >> 33;
  x *= 0xc4ceb9fe1a85ec53ULL;
  x ^= x >> 33;
  return x;
}

// Every string made by deleting up to `depth` letters from `prefix`, packed.
void deletions(std::string_view prefix, int depth, std::vector<std::uint64_t>& out) {
  out.clear();
  out.push_back(pack(prefix));
  std::string shorter;
  for (std::size_t i = 0; depth >= 1 && i < prefix.size(); ++i) {
    shorter.assign(prefix.substr(0, i)).append(prefix.substr(i + 1));
    out.push_back(pack(shorter));
    for (std::size_t j = i; depth >= 2 && j < shorter.size(); ++j) {
      std::string twice = shorter.substr(0, j) + shorter.substr(j + 1);
      out.push_back(pack(twice));
    }
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
}

// 0 for a word without a key.
std::uint32_t sound_hash(std::string_view word) {
  const std::string key = sound_key(word, 7);
  return key.empty() ? 0 : static_cast<std::uint32_t>(mix(pack(key)) >> 32) | 1;
}

struct found {
  std::uint32_t entry;
  int cost;
};

// The compiled index is one image: a header, then columns of plain numbers
// and texts, each column starting on an eight-byte boundary. Built in memory
// or mapped from a file, it is read through the same code, so suggestions do
// not depend on where the index came from.
//
// Header (little-endian):
//   0  magic "KSIX\r\n\x1a\n"   8  version (1)         12 header size (80)
//   16 image size (64 bits)     24 checksum (64 bits) of every other byte
//   32 lexicon's checksum (64)  40 lexicon's size in bytes (64)
//   48 entries  52 groups  56 buckets (a power of two)  60 deletions
//   64 sound keys  68 bytes of word text  72 reserved (0, 64 bits)
// Columns, in order: entry offsets (32 bits), lengths (8), levels (8); the
// words as the lexicon spells them and folded, back to back in the same
// order; group starts (groups + 1, 32 bits); bucket starts (buckets + 1);
// the deletions, each a group number under its hash's tag (32 bits); the
// sound keys, sorted, and their entries (32 bits each); each entry's sound
// key (32 bits).
constexpr char image_magic[8] = {'K', 'S', 'I', 'X', '\r', '\n', '\x1a', '\n'};
constexpr std::uint32_t image_version = 1;
constexpr std::size_t image_header_size = 80;
constexpr std::size_t image_checksum_at = 24;

struct image_counts {
  std::uint64_t entries = 0, groups = 0, buckets = 0, deletions = 0, sounds = 0, text_bytes = 0;
};

struct image_layout {
  std::size_t entry_offset, entry_length, entry_level, text, folded, group_start, bucket_start,
      bucket_item, sound_hash, sound_entry, sound_of, end;
};

// Counts are 32-bit, so no sum here comes near overflowing.
image_layout layout_of(const image_counts& n) {
  std::size_t at = image_header_size;
  const auto take = [&at](std::uint64_t bytes) {
    const std::size_t start = at;
    at = (at + bytes + 7) / 8 * 8;
    return start;
  };
  image_layout l{};
  l.entry_offset = take(4 * n.entries);
  l.entry_length = take(n.entries);
  l.entry_level = take(n.entries);
  l.text = take(n.text_bytes);
  l.folded = take(n.text_bytes);
  l.group_start = take(4 * (n.groups + 1));
  l.bucket_start = take(4 * (n.buckets + 1));
  l.bucket_item = take(4 * n.deletions);
  l.sound_hash = take(4 * n.sounds);
  l.sound_entry = take(4 * n.sounds);
  l.sound_of = take(4 * n.entries);
  l.end = at;
  return l;
}

std::uint64_t load_le(const char* at, int bytes) {
  std::uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(at[i]);
  return v;
}

void store_le(char* at, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Eight bytes in little-endian order, in one load where the host's order is
// that already.
std::uint64_t load_block(const char* at) {
  if constexpr (std::endian::native != std::endian::little) return load_le(at, 8);
  std::uint64_t v;
  std::memcpy(&v, at, sizeof v);
  return v;
}

// Four independent lanes of a bijective mix, eight bytes a step, so that the
// multiplications overlap: any change confined to one eight-byte block
// changes its lane and so the result. The checksum's own block is left out.
// `checked(from, to)` hears of each stretch read.
std::uint64_t image_checksum(std::string_view image,
                             const std::function<void(std::size_t, std::size_t)>& checked) {
  constexpr std::size_t stretch = std::size_t{1} << 20;
  std::uint64_t lanes[4] = {0x243F6A8885A308D3ULL ^ image.size(), 0x13198A2E03707344ULL,
                            0xA4093822299F31D0ULL, 0x082EFA98EC4E6C89ULL};
  std::size_t i = 0;
  for (std::size_t from = 0; from < image.size(); from += stretch) {
    const std::size_t to = std::min(image.size(), from + stretch);
    for (; i + 8 <= to; i += 8) {
      if (i == image_checksum_at) continue;
      std::uint64_t& h = lanes[(i / 8) % 4];
      h = (h ^ load_block(image.data() + i)) * 0x9E3779B97F4A7C15ULL;
      h ^= h >> 29;
    }
    if (checked) checked(from, to);
  }
  if (i < image.size()) {
    lanes[0] = (lanes[0] ^ load_le(image.data() + i, static_cast<int>(image.size() - i))) *
               0x9E3779B97F4A7C15ULL;
  }
  std::uint64_t h = 0;
  for (const std::uint64_t lane : lanes) h = (h ^ lane) * 0xff51afd7ed558ccdULL ^ (h >> 31);
  return h;
}

// Values of T read from the image at any alignment, in the host's order.
template <typename T>
struct column {
  const char* at = nullptr;
  T operator[](std::size_t i) const {
    T v;
    std::memcpy(&v, at + i * sizeof(T), sizeof v);
    return v;
  }
};

// The deletion list holds a group number in its low bits, just wide enough
// for the lexicon's groups, and its hash's tag in the bits above: tags weed
// out most bucket collisions before a group is read. A tag cut short lets
// through a few groups more, never fewer, and the distance walk decides.
std::uint32_t group_mask_of(std::uint64_t groups) {
  const int bits = std::bit_width(groups);
  return bits >= 32 ? ~0u : (1u << bits) - 1;
}

std::uint32_t tag_of(std::uint64_t hash, std::uint32_t group_mask) {
  return static_cast<std::uint32_t>(hash >> 32) & ~group_mask;
}

}  // namespace

struct suggester::index {
  std::shared_ptr<const void> keep;  // what holds the image
  image_counts n;
  std::uint32_t group_mask = 0;
  // Entries are in the order of their folded spelling; entries sharing
  // their first prefix_length folded letters form a group.
  column<std::uint32_t> entry_offset;
  column<std::uint8_t> entry_length, entry_level;
  const char* text = nullptr;
  const char* folded_text = nullptr;
  column<std::uint32_t> group_start, bucket_start, bucket_item;
  // The entries' sound keys sorted with their entries; and each entry's key.
  column<std::uint32_t> sound_hash_sorted, sound_entry, sound_of;

  void attach(std::string_view image, std::shared_ptr<const void> keeper);

  // A mapped image may have passed its checksum and still be wrong, so every
  // offset and count read from it is bounded by the image before use; an
  // entry whose text lies outside it reads as empty and is passed over.
  std::uint32_t offset_of(std::uint32_t e) const {
    const std::uint32_t offset = entry_offset[e];
    const std::uint8_t length = entry_length[e];
    return length == 0 || length > max_word_length || offset > n.text_bytes ||
                   length > n.text_bytes - offset
               ? 0
               : offset;
  }
  std::size_t length_of(std::uint32_t e) const {
    const std::uint32_t offset = entry_offset[e];
    const std::uint8_t length = entry_length[e];
    return length > max_word_length || offset > n.text_bytes || length > n.text_bytes - offset
               ? 0
               : length;
  }
  std::string_view folded(std::uint32_t e) const {
    return {folded_text + offset_of(e), length_of(e)};
  }
  std::string_view spelled(std::uint32_t e) const { return {text + offset_of(e), length_of(e)}; }
  std::uint8_t level(std::uint32_t e) const { return entry_level[e]; }
  std::uint32_t bounded(std::uint32_t at, std::uint64_t most) const {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(at, most));
  }

  // The entries spelled `word` (folded), as a range.
  std::pair<std::uint32_t, std::uint32_t> exact(std::string_view word) const;
  void near(std::string_view typed, int max_distance, std::vector<found>& out) const;
  void sounding_like(std::string_view typed, std::size_t max_words, std::vector<found>& out) const;
};

void suggester::index::attach(std::string_view image, std::shared_ptr<const void> keeper) {
  keep = std::move(keeper);
  const char* p = image.data();
  n.entries = load_le(p + 48, 4);
  n.groups = load_le(p + 52, 4);
  n.buckets = load_le(p + 56, 4);
  n.deletions = load_le(p + 60, 4);
  n.sounds = load_le(p + 64, 4);
  n.text_bytes = load_le(p + 68, 4);
  group_mask = group_mask_of(n.groups);
  const image_layout l = layout_of(n);
  entry_offset.at = p + l.entry_offset;
  entry_length.at = p + l.entry_length;
  entry_level.at = p + l.entry_level;
  text = p + l.text;
  folded_text = p + l.folded;
  group_start.at = p + l.group_start;
  bucket_start.at = p + l.bucket_start;
  bucket_item.at = p + l.bucket_item;
  sound_hash_sorted.at = p + l.sound_hash;
  sound_entry.at = p + l.sound_entry;
  sound_of.at = p + l.sound_of;
}

std::pair<std::uint32_t, std::uint32_t> suggester::index::exact(std::string_view word) const {
  std::uint32_t low = 0, high = static_cast<std::uint32_t>(n.entries);
  while (low < high) {
    const std::uint32_t mid = low + (high - low) / 2;
    if (folded(mid) < word)
      low = mid + 1;
    else
      high = mid;
  }
  std::uint32_t end = low;
  while (end < n.entries && folded(end) == word) ++end;
  return {low, end};
}

void suggester::index::near(std::string_view typed, int max_distance,
                            std::vector<found>& out) const {
  if (n.buckets == 0) return;
  std::vector<std::uint64_t> keys;
  deletions(typed.substr(0, prefix_length), max_distance, keys);
  std::vector<std::uint32_t> groups;
  for (std::uint64_t key : keys) {
    const std::uint64_t hash = mix(key);
    const std::uint64_t bucket = hash & (n.buckets - 1);
    const std::uint32_t tag = tag_of(hash, group_mask);
    const std::uint32_t end = bounded(bucket_start[bucket + 1], n.deletions);
    for (std::uint32_t k = bucket_start[bucket]; k < end; ++k) {
      const std::uint32_t item = bucket_item[k];
      if ((item & ~group_mask) == tag && (item & group_mask) < n.groups)
        groups.push_back(item & group_mask);
    }
  }
  std::sort(groups.begin(), groups.end());
  groups.erase(std::unique(groups.begin(), groups.end()), groups.end());
  distance_walk walk;
  start_walk(walk, typed, max_distance);
  for (std::uint32_t g : groups) {
    const std::uint32_t end = bounded(group_start[g + 1], n.entries);
    for (std::uint32_t e = group_start[g]; e < end; ++e) {
      const std::string_view word = folded(e);
      if (!word.empty() && within_bound(walk, word)) out.push_back({e, 0});
    }
  }
}

void suggester::index::sounding_like(std::string_view typed, std::size_t max_words,
                                     std::vector<found>& out) const {
  const std::uint32_t hash = sound_hash(typed);
  if (hash == 0) return;
  std::uint64_t low = 0, high = n.sounds;
  while (low < high) {
    const std::uint64_t mid = low + (high - low) / 2;
    if (sound_hash_sorted[mid] < hash)
      low = mid + 1;
    else
      high = mid;
  }
  for (std::size_t taken = 0; low < n.sounds && sound_hash_sorted[low] == hash && taken < max_words;
       ++low, ++taken) {
    const std::uint32_t e = sound_entry[low];
    if (e < n.entries && !folded(e).empty()) out.push_back({e, 0});
  }
}

std::string suggester::compile(std::vector<dictionary_word> words, const index_owner& owner) {
  struct staged {
    std::string_view text;
    std::uint32_t folded_offset;
    std::uint8_t length;
    std::uint8_t level;
  };
  std::string folded_text;
  std::vector<staged> unsorted;
  unsorted.reserve(words.size());
  for (const dictionary_word& w : words) {
    if (w.text.empty() || w.text.size() > max_word_length) continue;
    unsorted.push_back({w.text, static_cast<std::uint32_t>(folded_text.size()),
                        static_cast<std::uint8_t>(w.text.size()), w.level});
    folded_text += fold_word(w.text);
  }
  std::vector<std::uint32_t> order(unsorted.size());
  for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  auto folded_of = [&](std::uint32_t i) {
    return std::string_view(folded_text).substr(unsorted[i].folded_offset, unsorted[i].length);
  };
  std::sort(order.begin(), order.end(),
            [&](std::uint32_t a, std::uint32_t b) { return folded_of(a) < folded_of(b); });

  image_counts n;
  n.entries = order.size();
  n.text_bytes = folded_text.size();
  std::vector<std::uint32_t> group_start;
  std::string_view previous_prefix;
  for (std::uint32_t e = 0; e < n.entries; ++e) {
    const std::string_view prefix = folded_of(order[e]).substr(0, prefix_length);
    if (e == 0 || prefix != previous_prefix) group_start.push_back(e);
    previous_prefix = prefix;
  }
  n.groups = group_start.size();
  group_start.push_back(static_cast<std::uint32_t>(n.entries));

  // The deletions are hashed once and then placed by counting (a bucket
  // array and one flat list) rather than kept in a hash map of lists: far
  // less memory, and built in two linear passes.
  std::vector<std::uint64_t> keys;
  std::vector<std::uint64_t> hashes;
  std::vector<std::uint32_t> hash_group;
  for (std::uint32_t g = 0; g < n.groups; ++g) {
    deletions(folded_of(order[group_start[g]]).substr(0, prefix_length), 2, keys);
    for (std::uint64_t key : keys) {
      hashes.push_back(mix(key));
      hash_group.push_back(g);
    }
  }
  n.deletions = hashes.size();
  n.buckets = 1;
  // Four to eight deletions a bucket: the bucket starts are a small part of
  // the index, and a probe reads one short run of its list.
  while (n.buckets < n.deletions / 8) n.buckets <<= 1;
  const std::uint32_t group_mask = group_mask_of(n.groups);

  std::vector<std::pair<std::uint32_t, std::uint32_t>> sounds;
  std::vector<std::uint32_t> sound_of(n.entries);
  for (std::uint32_t e = 0; e < n.entries; ++e) {
    sound_of[e] = sound_hash(unsorted[order[e]].text);
    if (sound_of[e] != 0) sounds.emplace_back(sound_of[e], e);
  }
  std::sort(sounds.begin(), sounds.end());
  n.sounds = sounds.size();

  const image_layout l = layout_of(n);
  std::string image(l.end, '\0');
  char* p = image.data();
  std::memcpy(p, image_magic, sizeof image_magic);
  store_le(p + 8, image_version, 4);
  store_le(p + 12, image_header_size, 4);
  store_le(p + 16, l.end, 8);
  store_le(p + 32, owner.checksum, 8);
  store_le(p + 40, owner.size, 8);
  store_le(p + 48, n.entries, 4);
  store_le(p + 52, n.groups, 4);
  store_le(p + 56, n.buckets, 4);
  store_le(p + 60, n.deletions, 4);
  store_le(p + 64, n.sounds, 4);
  store_le(p + 68, n.text_bytes, 4);
  const auto put32 = [p](std::size_t column_at, std::size_t i, std::uint32_t v) {
    std::memcpy(p + column_at + 4 * i, &v, 4);
  };
  std::size_t text_at = 0;
  for (std::uint32_t e = 0; e < n.entries; ++e) {
    const staged& s = unsorted[order[e]];
    put32(l.entry_offset, e, static_cast<std::uint32_t>(text_at));
    p[l.entry_length + e] = static_cast<char>(s.length);
    p[l.entry_level + e] = static_cast<char>(s.level);
    std::memcpy(p + l.text + text_at, s.text.data(), s.length);
    std::memcpy(p + l.folded + text_at, folded_of(order[e]).data(), s.length);
    text_at += s.length;
    put32(l.sound_of, e, sound_of[e]);
  }
  for (std::size_t g = 0; g < group_start.size(); ++g) put32(l.group_start, g, group_start[g]);
  std::vector<std::uint32_t> next(n.buckets + 1, 0);
  for (std::uint64_t hash : hashes) ++next[(hash & (n.buckets - 1)) + 1];
  for (std::uint64_t b = 0; b < n.buckets; ++b) next[b + 1] += next[b];
  for (std::size_t b = 0; b < next.size(); ++b) put32(l.bucket_start, b, next[b]);
  for (std::size_t h = 0; h < hashes.size(); ++h) {
    const std::uint32_t slot = next[hashes[h] & (n.buckets - 1)]++;
    put32(l.bucket_item, slot, tag_of(hashes[h], group_mask) | hash_group[h]);
  }
  for (std::size_t s = 0; s < sounds.size(); ++s) {
    put32(l.sound_hash, s, sounds[s].first);
    put32(l.sound_entry, s, sounds[s].second);
  }
  seal(image);
  return image;
}

void suggester::seal(std::string& image) {
  if (image.size() >= image_header_size)
    store_le(image.data() + image_checksum_at, image_checksum(image, {}), 8);
}

suggester::suggester(std::unique_ptr<index> built) : m_index(std::move(built)) {}

suggester::suggester(std::vector<dictionary_word> words) : suggester(std::make_unique<index>()) {
  auto image = std::make_shared<const std::string>(compile(std::move(words), index_owner{}));
  const std::string_view bytes = *image;
  m_index->attach(bytes, std::move(image));
}

std::unique_ptr<suggester> suggester::over(
    std::string_view image, std::shared_ptr<const void> keep, const index_owner& owner,
    std::string& refusal, const std::function<void(std::size_t, std::size_t)>& checked) {
  const char* p = image.data();
  image_counts n;
  if (image.size() >= image_header_size) {
    n.entries = load_le(p + 48, 4);
    n.groups = load_le(p + 52, 4);
    n.buckets = load_le(p + 56, 4);
    n.deletions = load_le(p + 60, 4);
    n.sounds = load_le(p + 64, 4);
    n.text_bytes = load_le(p + 68, 4);
  }
  if (std::endian::native != std::endian::little)
    refusal = "this machine does not read little-endian indexes";
  else if (image.size() < image_header_size || std::memcmp(p, image_magic, sizeof image_magic) != 0)
    refusal = "not a suggestion index";
  else if (load_le(p + 8, 4) != image_version || load_le(p + 12, 4) != image_header_size)
    refusal = "a suggestion index of another version";
  else if (load_le(p + 16, 8) != image.size() || layout_of(n).end != image.size() ||
           n.buckets == 0 || !std::has_single_bit(n.buckets) || n.groups > n.entries ||
           n.sounds > n.entries)
    refusal = "a damaged suggestion index (its sizes do not add up)";
  else if (load_le(p + 32, 8) != owner.checksum || load_le(p + 40, 8) != owner.size)
    refusal = "the suggestion index of another version of the lexicon";
  else if (load_le(p + image_checksum_at, 8) != image_checksum(image, checked))
    refusal = "a damaged suggestion index (its checksum does not match)";
  if (!refusal.empty()) return nullptr;
  auto x = std::make_unique<index>();
  x->attach(image, std::move(keep));
  return std::unique_ptr<suggester>(new suggester(std::move(x)));
}

suggester::~suggester() = default;

std::vector<candidate> suggester::suggest(
    std::string_view word, const suggest_options& options, std::size_t limit,
    const std::function<bool(std::string_view)>& acceptable) const {
  std::vector<candidate> result;
  if (limit == 0 || word.empty() || word.size() > max_word_length ||
      std::none_of(word.begin(), word.end(), [](char c) { return base_letter(c) != 0; }))
    return result;
  const index& x = *m_index;
  const std::string typed = fold_word(word);
  const int depth = std::clamp(options.depth, 0, 100);

  std::vector<found> found_words;
  x.near(typed, depth < 25 ? 1 : 2, found_words);
  if (options.phonetic) x.sounding_like(typed, depth < 50 ? 200 : 2000, found_words);

  const typed_word measuring = measured(typed, options.typographical);
  const std::uint32_t typed_sound = sound_hash(typed);
  const bool typed_apostrophe = typed.find('\'') != std::string::npos;
  const bool typed_lower = fold(word[0]) == static_cast<unsigned char>(word[0]);
  for (found& f : found_words) {
    const std::string_view spelled = x.folded(f.entry);
    int cost = typo_cost(measuring, spelled);
    if (typed_sound != 0 && x.sound_of[f.entry] == typed_sound) cost -= 40;
    cost += prior_cost(x.level(f.entry));
    // Without an apostrophe typed, a plural is likelier than a possessive;
    // but a contraction ("wasnt", "dont") has no plural to be mistaken for.
    if (!typed_apostrophe && spelled.ends_with("'s")) cost += 45;
    const char first = x.spelled(f.entry)[0];
    if (typed_lower && fold(first) != static_cast<unsigned char>(first)) cost += 10;
    f.cost = std::max(cost, 0);
  }
  // Of two words that cost the same, the longer: letters are more often
  // left out than put in.
  std::sort(found_words.begin(), found_words.end(), [&](const found& a, const found& b) {
    if (a.cost != b.cost) return a.cost < b.cost;
    const std::size_t length_a = x.length_of(a.entry);
    const std::size_t length_b = x.length_of(b.entry);
    return length_a != length_b ? length_a > length_b : a.entry < b.entry;
  });

  struct offer {
    std::string word;
    int cost;
  };
  std::vector<offer> offers;
  std::vector<std::string_view> offered;  // folded spellings already taken
  for (const found& f : found_words) {
    if (offers.size() == limit) break;
    const std::string_view spelled = x.folded(f.entry);
    // The word as typed is no suggestion, though another case of it may be.
    if (x.spelled(f.entry) == word) continue;
    if (std::find(offered.begin(), offered.end(), spelled) != offered.end()) continue;
    if (!acceptable(x.spelled(f.entry))) continue;
    offered.push_back(spelled);
    offers.push_back({std::string(x.spelled(f.entry)), f.cost});
  }

  if (options.split_words) {
    for (std::size_t cut = 1; cut < typed.size(); ++cut) {
      auto best_of = [&](std::string_view half) -> std::optional<std::uint32_t> {
        const auto [begin, end] = x.exact(half);
        std::optional<std::uint32_t> best;
        for (std::uint32_t e = begin; e < end; ++e) {
          if ((!best || x.level(e) < x.level(*best)) && acceptable(x.spelled(e))) best = e;
        }
        return best;
      };
      const std::string_view left = std::string_view(typed).substr(0, cut);
      const std::string_view right = std::string_view(typed).substr(cut);
      const std::optional<std::uint32_t> first = best_of(left);
      const std::optional<std::uint32_t> second = first ? best_of(right) : std::nullopt;
      if (!second) continue;
      // A lone letter is seldom a word of its own ("a" and "I" aside).
      int cost = 180 + prior_cost(x.level(*first)) + prior_cost(x.level(*second));
      if ((left.size() == 1 && x.level(*first) > 10) ||
          (right.size() == 1 && x.level(*second) > 10))
        cost += 150;
      offers.push_back(
          {std::string(x.spelled(*first)) + ' ' + std::string(x.spelled(*second)), cost});
    }
    std::stable_sort(offers.begin(), offers.end(),
                     [](const offer& a, const offer& b) { return a.cost < b.cost; });
    if (offers.size() > limit) offers.resize(limit);
  }

  result.reserve(offers.size());
  for (offer& o : offers) result.push_back({std::move(o.word), score_of(o.cost)});
  return result;
}

}  // namespace spelling
