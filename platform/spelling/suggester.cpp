#include "platform/spelling/suggester.h"

#include <algorithm>
#include <array>
#include <cmath>

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

struct entry {
  std::string_view text;
  std::uint32_t folded_offset;
  std::uint8_t folded_length;
  std::uint8_t level;
};

struct found {
  std::uint32_t entry;
  int cost;
};

}  // namespace

struct suggester::index {
  std::vector<entry> entries;  // in the order of their folded spelling
  std::string folded_text;
  // Entries sharing their first prefix_length folded letters form a group.
  std::vector<std::uint32_t> group_start;
  // Each group under the hash of each deletion of its prefix; tags (the
  // hash's high half) weed out most bucket collisions before a group is read.
  std::uint64_t bucket_mask = 0;
  std::vector<std::uint32_t> bucket_start;
  std::vector<std::uint32_t> bucket_group;
  std::vector<std::uint32_t> bucket_tag;
  // (hash of sound key, entry), sorted; and each entry's hash by entry.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> sounds;
  std::vector<std::uint32_t> sound_of;

  std::string_view folded(std::uint32_t e) const {
    return std::string_view(folded_text).substr(entries[e].folded_offset, entries[e].folded_length);
  }
  std::string_view prefix(std::uint32_t e) const { return folded(e).substr(0, prefix_length); }

  // The entries spelled `word` (folded), as a range.
  std::pair<std::uint32_t, std::uint32_t> exact(std::string_view word) const;
  void near(std::string_view typed, int max_distance, std::vector<found>& out) const;
  void sounding_like(std::string_view typed, std::size_t max_words, std::vector<found>& out) const;
};

std::pair<std::uint32_t, std::uint32_t> suggester::index::exact(std::string_view word) const {
  std::uint32_t low = 0, high = static_cast<std::uint32_t>(entries.size());
  while (low < high) {
    const std::uint32_t mid = low + (high - low) / 2;
    if (folded(mid) < word)
      low = mid + 1;
    else
      high = mid;
  }
  std::uint32_t end = low;
  while (end < entries.size() && folded(end) == word) ++end;
  return {low, end};
}

void suggester::index::near(std::string_view typed, int max_distance,
                            std::vector<found>& out) const {
  std::vector<std::uint64_t> keys;
  deletions(typed.substr(0, prefix_length), max_distance, keys);
  std::vector<std::uint32_t> groups;
  for (std::uint64_t key : keys) {
    const std::uint64_t hash = mix(key);
    const std::uint64_t bucket = hash & bucket_mask;
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    for (std::uint32_t k = bucket_start[bucket]; k < bucket_start[bucket + 1]; ++k) {
      if (bucket_tag[k] == tag) groups.push_back(bucket_group[k]);
    }
  }
  std::sort(groups.begin(), groups.end());
  groups.erase(std::unique(groups.begin(), groups.end()), groups.end());
  distance_walk walk;
  start_walk(walk, typed, max_distance);
  for (std::uint32_t g : groups) {
    for (std::uint32_t e = group_start[g]; e < group_start[g + 1]; ++e) {
      if (within_bound(walk, folded(e))) out.push_back({e, 0});
    }
  }
}

void suggester::index::sounding_like(std::string_view typed, std::size_t max_words,
                                     std::vector<found>& out) const {
  const std::uint32_t hash = sound_hash(typed);
  if (hash == 0) return;
  auto it = std::lower_bound(sounds.begin(), sounds.end(), std::make_pair(hash, 0u));
  for (std::size_t taken = 0; it != sounds.end() && it->first == hash && taken < max_words;
       ++it, ++taken)
    out.push_back({it->second, 0});
}

suggester::suggester(std::vector<dictionary_word> words) : m_index(std::make_unique<index>()) {
  index& x = *m_index;
  std::string folded_text;
  std::vector<entry> unsorted;
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
    return std::string_view(folded_text)
        .substr(unsorted[i].folded_offset, unsorted[i].folded_length);
  };
  std::sort(order.begin(), order.end(),
            [&](std::uint32_t a, std::uint32_t b) { return folded_of(a) < folded_of(b); });
  x.entries.reserve(order.size());
  x.folded_text.reserve(folded_text.size());
  for (std::uint32_t i : order) {
    entry e = unsorted[i];
    e.folded_offset = static_cast<std::uint32_t>(x.folded_text.size());
    x.folded_text += folded_of(i);
    x.entries.push_back(e);
  }

  const auto count = static_cast<std::uint32_t>(x.entries.size());
  for (std::uint32_t e = 0; e < count; ++e) {
    if (e == 0 || x.prefix(e) != x.prefix(e - 1)) x.group_start.push_back(e);
  }
  const auto groups = static_cast<std::uint32_t>(x.group_start.size());
  x.group_start.push_back(count);

  // The deletions are hashed once and then placed by counting (a bucket
  // array and one flat list) rather than kept in a hash map of lists: far
  // less memory, and built in two linear passes.
  std::vector<std::uint64_t> keys;
  std::vector<std::uint64_t> hashes;
  std::vector<std::uint32_t> hash_group;
  for (std::uint32_t g = 0; g < groups; ++g) {
    deletions(x.prefix(x.group_start[g]), 2, keys);
    for (std::uint64_t key : keys) {
      hashes.push_back(mix(key));
      hash_group.push_back(g);
    }
  }
  std::uint64_t buckets = 1;
  while (buckets < hashes.size() / 2) buckets <<= 1;
  x.bucket_mask = buckets - 1;
  x.bucket_start.assign(buckets + 1, 0);
  for (std::uint64_t hash : hashes) ++x.bucket_start[(hash & x.bucket_mask) + 1];
  for (std::uint64_t b = 0; b < buckets; ++b) x.bucket_start[b + 1] += x.bucket_start[b];
  x.bucket_group.resize(hashes.size());
  x.bucket_tag.resize(hashes.size());
  std::vector<std::uint32_t> next(x.bucket_start.begin(), x.bucket_start.end() - 1);
  for (std::size_t h = 0; h < hashes.size(); ++h) {
    const std::uint32_t slot = next[hashes[h] & x.bucket_mask]++;
    x.bucket_group[slot] = hash_group[h];
    x.bucket_tag[slot] = static_cast<std::uint32_t>(hashes[h] >> 32);
  }

  x.sounds.reserve(count);
  x.sound_of.resize(count);
  for (std::uint32_t e = 0; e < count; ++e) {
    x.sound_of[e] = sound_hash(x.entries[e].text);
    if (x.sound_of[e] != 0) x.sounds.emplace_back(x.sound_of[e], e);
  }
  std::sort(x.sounds.begin(), x.sounds.end());
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
    cost += prior_cost(x.entries[f.entry].level);
    // Without an apostrophe typed, a plural is likelier than a possessive;
    // but a contraction ("wasnt", "dont") has no plural to be mistaken for.
    if (!typed_apostrophe && spelled.ends_with("'s")) cost += 45;
    const char first = x.entries[f.entry].text[0];
    if (typed_lower && fold(first) != static_cast<unsigned char>(first)) cost += 10;
    f.cost = std::max(cost, 0);
  }
  // Of two words that cost the same, the longer: letters are more often
  // left out than put in.
  std::sort(found_words.begin(), found_words.end(), [&](const found& a, const found& b) {
    if (a.cost != b.cost) return a.cost < b.cost;
    const std::uint8_t length_a = x.entries[a.entry].folded_length;
    const std::uint8_t length_b = x.entries[b.entry].folded_length;
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
    if (x.entries[f.entry].text == word) continue;
    if (std::find(offered.begin(), offered.end(), spelled) != offered.end()) continue;
    if (!acceptable(x.entries[f.entry].text)) continue;
    offered.push_back(spelled);
    offers.push_back({std::string(x.entries[f.entry].text), f.cost});
  }

  if (options.split_words) {
    for (std::size_t cut = 1; cut < typed.size(); ++cut) {
      auto best_of = [&](std::string_view half) -> const entry* {
        const auto [begin, end] = x.exact(half);
        const entry* best = nullptr;
        for (std::uint32_t e = begin; e < end; ++e) {
          if ((best == nullptr || x.entries[e].level < best->level) &&
              acceptable(x.entries[e].text))
            best = &x.entries[e];
        }
        return best;
      };
      const std::string_view left = std::string_view(typed).substr(0, cut);
      const std::string_view right = std::string_view(typed).substr(cut);
      const entry* first = best_of(left);
      const entry* second = first ? best_of(right) : nullptr;
      if (second == nullptr) continue;
      // A lone letter is seldom a word of its own ("a" and "I" aside).
      int cost = 180 + prior_cost(first->level) + prior_cost(second->level);
      if ((left.size() == 1 && first->level > 10) || (right.size() == 1 && second->level > 10))
        cost += 150;
      offers.push_back({std::string(first->text) + ' ' + std::string(second->text), cost});
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
