#include "big_dictionary.h"

#include <kelm/kelm.h>

#include <cstdint>
#include <iterator>
#include <string_view>
#include <unordered_set>

namespace kelm_bench {
namespace {

// splitmix64: a fixed sequence on every platform, unlike the standard
// library's distributions.
class Random {
 public:
  explicit Random(std::uint64_t seed) : m_state(seed) {}

  std::uint64_t Next() {
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 .. n - 1; the modulo's bias is of no matter here.
  std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
  bool Percent(std::size_t p) { return Below(100) < p; }

  template <std::size_t N>
  std::string_view Pick(const std::string_view (&items)[N]) {
    return items[Below(std::size(items))];
  }

 private:
  std::uint64_t m_state;
};

// The letter keys in the order the notation writes them, without the mark
// and the number bar.
constexpr std::string_view steno_order = std::string_view(CStroke::szKeyOrder).substr(2);
constexpr std::size_t first_vowel = 7;
constexpr std::size_t first_final = 12;
constexpr std::uint32_t vowel_keys = ((1u << first_final) - 1) & ~((1u << first_vowel) - 1);
constexpr std::uint32_t final_keys = ((1u << steno_order.size()) - 1) & ~((1u << first_final) - 1);

// Chords a steno theory uses, so that outlines look like a writer's and not
// like line noise.
constexpr std::string_view initial_chords[] = {
    "",    "",    "",    "S",   "T",   "K",   "P",     "W",     "H",   "R",  "ST",   "SK",
    "SP",  "TK",  "TP",  "KW",  "PH",  "PW",  "TH",    "HR",    "KR",  "PR", "TR",   "STR",
    "SKW", "SW",  "TW",  "KH",  "WH",  "SR",  "TKPW",  "SKWR",  "TPH", "KP", "STPH", "KHR",
    "PHR", "PWR", "TKR", "TPR", "SPR", "SKR", "TKPWR", "STKPW", "SH"};
constexpr std::string_view vowel_chords[] = {"A",  "O",  "E",   "U",   "AO",  "AE",  "AU",   "OE",
                                             "OU", "EU", "AOE", "AOU", "AEU", "OEU", "AOEU", "A"};
constexpr std::string_view final_chords[] = {
    "",    "",    "",    "F",  "R",  "P",    "B",   "L",   "G",   "T",     "S",   "D",   "Z",  "PB",
    "PL",  "BG",  "LG",  "FT", "RB", "GS",   "PBG", "PLT", "FRP", "RPBLG", "TS",  "LT",  "RT", "RS",
    "PBS", "BGS", "PLS", "LS", "FS", "RBGS", "LD",  "FPL", "GT",  "PT",    "BLG", "FRPB"};

std::uint32_t chord_keys(std::string_view chord, std::size_t from, std::size_t to) {
  std::uint32_t keys = 0;
  for (char c : chord)
    for (std::size_t k = from; k < to; ++k)
      if (steno_order[k] == c) keys |= 1u << k;
  return keys;
}

// The one spelling the notation has for a set of keys: a hyphen parts the
// initial from the final keys when no vowel or asterisk stands between them.
void append_stroke(std::string& out, std::uint32_t keys) {
  for (std::size_t k = 0; k < steno_order.size(); ++k) {
    if (k == first_final && (keys & vowel_keys) == 0 && (keys & final_keys) != 0) out += '-';
    if (keys & (1u << k)) out += steno_order[k];
  }
}

std::uint32_t make_stroke(Random& random) {
  for (;;) {
    std::uint32_t keys = chord_keys(random.Pick(initial_chords), 0, first_vowel);
    // Strokes without a vowel: suffixes, punctuation and briefs.
    if (!random.Percent(8)) keys |= chord_keys(random.Pick(vowel_chords), first_vowel, first_final);
    if (random.Percent(6)) keys |= 1u << steno_order.find('*');
    keys |= chord_keys(random.Pick(final_chords), first_final, steno_order.size());
    if (keys != 0) return keys;
  }
}

std::string make_outline(Random& random) {
  // Mostly two and three strokes: the singles of a theory are few and soon
  // taken.
  const std::size_t roll = random.Below(100);
  const std::size_t strokes = roll < 20 ? 1 : roll < 94 ? 2 : roll < 99 ? 3 : 4;
  std::string outline;
  for (std::size_t i = 0; i < strokes; ++i) {
    if (i > 0) outline += '/';
    append_stroke(outline, make_stroke(random));
  }
  return outline;
}

constexpr std::string_view common_words[] = {"the",
                                             "of",
                                             "and",
                                             "to",
                                             "in",
                                             "is",
                                             "you",
                                             "that",
                                             "it",
                                             "he",
                                             "was",
                                             "for",
                                             "on",
                                             "are",
                                             "as",
                                             "with",
                                             "his",
                                             "they",
                                             "at",
                                             "be",
                                             "this",
                                             "have",
                                             "from",
                                             "or",
                                             "one",
                                             "had",
                                             "by",
                                             "word",
                                             "but",
                                             "not",
                                             "what",
                                             "all",
                                             "were",
                                             "we",
                                             "when",
                                             "your",
                                             "can",
                                             "said",
                                             "there",
                                             "use",
                                             "an",
                                             "each",
                                             "which",
                                             "she",
                                             "do",
                                             "how",
                                             "their",
                                             "if",
                                             "will",
                                             "up",
                                             "other",
                                             "about",
                                             "out",
                                             "many",
                                             "then",
                                             "them",
                                             "these",
                                             "so",
                                             "some",
                                             "her",
                                             "would",
                                             "make",
                                             "like",
                                             "him",
                                             "into",
                                             "time",
                                             "has",
                                             "look",
                                             "two",
                                             "more",
                                             "witness",
                                             "court",
                                             "counsel",
                                             "objection",
                                             "sustained",
                                             "overruled",
                                             "exhibit",
                                             "deposition",
                                             "testimony",
                                             "plaintiff",
                                             "defendant",
                                             "attorney",
                                             "question",
                                             "answer",
                                             "record",
                                             "identify",
                                             "document",
                                             "correct",
                                             "recall",
                                             "remember",
                                             "accident",
                                             "contract",
                                             "agreement",
                                             "statement",
                                             "evidence",
                                             "hospital",
                                             "doctor",
                                             "injury",
                                             "employment",
                                             "company",
                                             "vehicle",
                                             "intersection",
                                             "yesterday",
                                             "morning",
                                             "afternoon",
                                             "probably",
                                             "approximately",
                                             "somebody",
                                             "anything",
                                             "everything",
                                             "understand",
                                             "particular",
                                             "different",
                                             "important",
                                             "information",
                                             "already",
                                             "actually",
                                             "basically",
                                             "certainly",
                                             "obviously",
                                             "together"};

constexpr std::string_view onsets[] = {"b", "br", "c",  "ch",  "cl", "d",  "f",  "fl", "g",  "gr",
                                       "h", "j",  "k",  "l",   "m",  "n",  "p",  "pl", "pr", "r",
                                       "s", "sh", "st", "str", "t",  "th", "tr", "v",  "w"};
constexpr std::string_view nuclei[] = {"a", "e", "i", "o", "u", "ai", "ea", "ee", "oo", "ou"};
constexpr std::string_view codas[] = {"",   "n",  "r",  "l",  "t", "s",
                                      "nd", "st", "ck", "ng", "m", "rt"};

// Names, technical terms and the rarer words that fill most of a big
// dictionary: pronounceable, but not in the common list.
std::string made_up_word(Random& random) {
  std::string word;
  const std::size_t syllables = random.Percent(60) ? 1 : random.Percent(85) ? 2 : 3;
  for (std::size_t i = 0; i < syllables; ++i) {
    word += random.Pick(onsets);
    word += random.Pick(nuclei);
    word += random.Pick(codas);
  }
  return word;
}

std::string make_word(Random& random) {
  std::string word =
      random.Percent(65) ? std::string(random.Pick(common_words)) : made_up_word(random);
  if (random.Percent(6)) word[0] = static_cast<char>(word[0] - 'a' + 'A');
  return word;
}

std::string make_phrase(Random& random) {
  const std::size_t roll = random.Below(100);
  const std::size_t words = roll < 90 ? 1 : roll < 98 ? 2 : 3;
  std::string phrase = make_word(random);
  for (std::size_t i = 1; i < words; ++i) phrase += " " + make_word(random);
  return phrase;
}

constexpr std::string_view suffixes[] = {"ing", "ed",  "s",    "ly", "ment", "ness",
                                         "er",  "est", "tion", "al", "able", "ful"};
constexpr std::string_view prefixes[] = {"re",    "un",   "pre", "dis", "over",
                                         "under", "anti", "non", "sub", "inter"};
// Punctuation with the capital that follows a sentence's end.
constexpr std::string_view punctuation[] = {"{\\cxp .}\\cxfc", "{\\cxp ,}",   "{\\cxp ?}\\cxfc",
                                            "{\\cxp !}\\cxfc", "{\\cxp :}",   "{\\cxp ;}",
                                            "\\cxds -\\cxds",  "{\\cxp ...}", "\\emdash"};
// The colloquy and question-and-answer paragraphs of a transcript.
constexpr std::string_view paragraphs[] = {"\\par\\tab Q.\\tab\\cxfc",
                                           "\\par\\tab A.\\tab\\cxfc",
                                           "\\par\\tab THE WITNESS:\\cxfc",
                                           "\\par\\tab THE COURT:\\cxfc",
                                           "\\par\\cxfc",
                                           "\\line"};
// Text the file must escape: accents as hex, braces and backslashes.
constexpr std::string_view escaped[] = {"caf\\'e9",  "r\\'e9sum\\'e9", "na\\'efve", "fianc\\'e9e",
                                        "\\{sic\\}", "and\\\\or",      "Se\\'f1or"};

std::string make_translation(Random& random) {
  const std::size_t roll = random.Below(100);
  if (roll < 7) return "\\cxds " + std::string(random.Pick(suffixes));
  if (roll < 11) return std::string(random.Pick(prefixes)) + "\\cxds";
  if (roll < 14) return std::string(random.Pick(punctuation));
  if (roll < 16) return std::string(random.Pick(paragraphs));
  if (roll < 17) return std::string(random.Pick(escaped));
  if (roll < 19) return "\\cxfc " + make_word(random);
  return make_phrase(random);
}

}  // namespace

std::string MakeBigDictionary() {
  Random random(20240611);
  std::string file =
      "{\\rtf1\\ansi{\\*\\cxrev100}\\cxdict{\\*\\cxsystem KelmLib bench}"
      "{\\stylesheet{\\s0 Normal;}}\r\n";
  file.reserve(4800000);
  std::unordered_set<std::string> outlines;
  outlines.reserve(big_dictionary_entries);
  while (outlines.size() < big_dictionary_entries) {
    std::string outline = make_outline(random);
    if (!outlines.insert(outline).second) continue;
    file += "{\\*\\cxs ";
    file += outline;
    file += '}';
    file += make_translation(random);
    file += "\r\n";
  }
  file += "}\r\n";
  return file;
}

}  // namespace kelm_bench
