// The text notations of a stroke: writers fill a small stack buffer and make
// one CString of it; readers look every character up in a 256-entry table, so
// neither allocates per character.
#include "strokes/stroke.h"

#include "strokes/steno.h"
#include "strokes/stroke_keys.h"
#include "strokes/stroke_notation_reader.h"

#include <array>
#include <bit>
#include <initializer_list>
#include <string_view>
#include <utility>

namespace {

using namespace stroke_keys;

UINT keys_of(const CStroke& stroke) { return ordered(stroke.GetKeyBytes()); }

void set_keys(CStroke& stroke, UINT value) {
  BYTE keys[3];
  store_ordered(keys, value);
  stroke.SetFlash(keys);
}

constexpr std::string_view english_order = CStroke::szKeyOrder;
constexpr std::string_view number_bar_order = "@#12K3W4R50*EU6R7B8G9SDZ";
constexpr std::string_view grandjean_order = CStroke::szGrandjeanKeyOrder;
static_assert(english_order[CStroke::AsteriskPosition(0)] == '*');
static_assert(grandjean_order[CStroke::AsteriskPosition(1)] == '*');

struct writer_form {
  std::string_view mark_text;  // how the mark is written, if at all
  UINT left_part;              // keys written after the mark, before any hyphen
  UINT right_part;             // keys written after the hyphen
  bool grandjean;
};

// `first` is the first position written after the mark, `right` the first
// written after the hyphen.
constexpr writer_form make_form(std::string_view mark_text, int first, int right, bool grandjean) {
  return {mark_text, bits(first, right - 1), bits(right, right_z), grandjean};
}

constexpr writer_form english_plain = make_form("@", number_bar, vowel_e, false);
constexpr writer_form english_rtf = make_form("!,", number_bar, vowel_e, false);
// The Grandjean plain notation puts the hyphen after Y (position 12), the
// RTF notation before it.
constexpr writer_form grandjean_plain = make_form("@", left_s, 13, true);
constexpr writer_form grandjean_rtf = make_form("", left_s, 12, true);

std::string_view order_for(UINT keys, bool grandjean) {
  if (grandjean) return grandjean_order;
  return (keys & bit(number_bar)) ? number_bar_order : english_order;
}

// Appends the letters of the keys of `part` in key order.
char* write_keys(char* out, UINT part, std::string_view order) {
  while (part != 0) {
    const int p = std::countl_zero(part) - 8;
    *out++ = order[p];
    part &= ~bit(p);
  }
  return out;
}

CString write_stroke(UINT keys, const writer_form& form) {
  char text[32];
  char* out = text;
  if (keys & bit(mark)) out += form.mark_text.copy(out, form.mark_text.size());
  const std::string_view order = order_for(keys, form.grandjean);
  out = write_keys(out, keys & form.left_part, order);
  const UINT right = keys & form.right_part;
  if (right != 0) {
    *out++ = '-';
    out = write_keys(out, right, order);
  }
  return CString(text, static_cast<int>(out - text));
}

enum rule_flags : BYTE {
  accepted = 1,
  moves_right = 2,     // the side is right after this character
  unchecked = 4,       // no repeat check
  skips_to_comma = 8,  // "!": the text up to and including the next "," is skipped
};

// What one character does. A letter names `left` while the side is left and
// none of the `blocking` keys is down, else `right` (and the side becomes
// right). The repeat check concerns the last key of a chord in key order, the
// lowest bit of the keys named.
struct reader_rule {
  UINT left = 0;
  UINT right = 0;
  UINT blocking = 0;
  BYTE flags = 0;
};

using reader_table = std::array<reader_rule, 256>;

struct letter_rule {
  char c;
  reader_rule rule;
};

constexpr reader_rule fixed_keys(UINT k, BYTE flags = 0) {
  return {k, k, 0, BYTE(accepted | flags)};
}
constexpr reader_rule fixed_key(int p, BYTE flags = 0) { return fixed_keys(bit(p), flags); }
constexpr reader_rule right_mover(int p) { return fixed_key(p, moves_right); }
constexpr reader_rule sided(UINT l, UINT r, UINT blocking = 0, BYTE flags = 0) {
  return {l, r, blocking, BYTE(accepted | flags)};
}
constexpr reader_rule sided_keys(int l, int r) { return sided(bit(l), bit(r)); }
constexpr reader_rule digit(int p, BYTE flags = 0) {
  return fixed_keys(bit(number_bar) | bit(p), flags);
}

constexpr reader_rule hyphen = {0, 0, 0, accepted | moves_right};
constexpr reader_rule exclamation = {bit(mark), bit(mark), 0,
                                     accepted | unchecked | skips_to_comma};

// Letters are accepted in either case.
template <size_t N>
constexpr reader_table with_rules(reader_table table, const letter_rule (&rules)[N]) {
  for (const letter_rule& r : rules) {
    const auto c = static_cast<unsigned char>(r.c);
    table[c] = r.rule;
    if (c >= 'A' && c <= 'Z') table[c - 'A' + 'a'] = r.rule;
  }
  return table;
}

constexpr letter_rule english_plain_rules[] = {
    {'!', exclamation},
    {'@', fixed_key(mark)},
    {'#', fixed_key(number_bar)},
    {'-', hyphen},
    {'S', sided_keys(left_s, right_s)},
    {'T', sided_keys(left_t, right_t)},
    {'P', sided_keys(left_p, right_p)},
    {'R', sided_keys(left_r, right_r)},
    {'K', fixed_key(left_k)},
    {'W', fixed_key(left_w)},
    {'H', fixed_key(left_h)},
    {'A', right_mover(vowel_a)},
    {'O', right_mover(vowel_o)},
    {'*', right_mover(asterisk)},
    {'E', right_mover(vowel_e)},
    {'U', right_mover(vowel_u)},
    {'F', right_mover(right_f)},
    {'B', right_mover(right_b)},
    {'L', right_mover(right_l)},
    {'G', right_mover(right_g)},
    {'D', right_mover(right_d)},
    {'Z', right_mover(right_z)},
    {'1', digit(left_s)},
    {'2', digit(left_t)},
    {'3', digit(left_p)},
    {'4', digit(left_h)},
    {'5', digit(vowel_a, moves_right)},
    {'0', digit(vowel_o, moves_right)},
    {'6', digit(right_f, moves_right)},
    {'7', digit(right_p, moves_right)},
    {'8', digit(right_l, moves_right)},
    {'9', digit(right_t, moves_right)},
};

// The RTF reader follows key order: S, T and P name a right key once a left
// key at or after their own is down, and R- closes the left bank.
constexpr letter_rule english_rtf_changes[] = {
    {'#', fixed_key(number_bar, unchecked)},
    {'S', sided(bit(left_s), bit(right_s), bits(left_s, left_r))},
    {'T', sided(bit(left_t), bit(right_t), bits(left_t, left_r))},
    {'P', sided(bit(left_p), bit(right_p), bits(left_p, left_r))},
    {'R', sided(bit(left_r), bit(right_r), 0, moves_right)},
    {'7', digit(right_p)},
};

// Grandjean letters by position, as in the order "@ SKPMTF*RNLYOEAUILNSDC ".
constexpr letter_rule grandjean_plain_rules[] = {
    {'-', hyphen},
    {'S', sided_keys(2, 20)},
    {'N', sided_keys(10, 19)},
    {'L', sided_keys(11, 18)},
    {'K', fixed_key(3)},
    {'P', fixed_key(4)},
    {'M', fixed_key(5)},
    {'T', fixed_key(6)},
    {'F', fixed_key(7)},
    {'*', fixed_key(8)},
    {'R', fixed_key(9)},
    {'Y', right_mover(12)},
    {'O', right_mover(13)},
    {'E', right_mover(14)},
    {'A', right_mover(15)},
    {'U', right_mover(16)},
    {'I', right_mover(17)},
    {'D', right_mover(21)},
    {'C', right_mover(22)},
};

constexpr letter_rule grandjean_rtf_changes[] = {
    {'S', sided(bit(2), bit(20), bits(2, 8))},
    {'N', sided(bit(10), bit(19), bits(8, 12))},
    {'L', sided(bit(11), bit(18), bits(8, 11))},
};

constexpr UINT chord(std::initializer_list<int> positions) {
  UINT mask = 0;
  for (int p : positions) mask |= bit(p);
  return mask;
}

// Letters that the keyboard lacks stand for chords, one on each side.
constexpr letter_rule brisca_rules[] = {
    {'!', exclamation},
    {'@', fixed_key(mark)},
    {'#', fixed_key(number_bar)},
    {'-', hyphen},
    {'*', fixed_key(asterisk)},
    {'S', sided_keys(left_s, right_s)},
    {'T', sided_keys(left_t, right_t)},
    {'P', sided_keys(left_p, right_p)},
    {'R', sided_keys(left_r, right_r)},
    {'1', fixed_key(left_s)},
    {'2', fixed_key(left_t)},
    {'3', fixed_key(left_p)},
    {'H', fixed_key(left_h)},
    {'4', fixed_key(left_h)},
    {'W', fixed_key(left_w)},
    {'K', sided(bit(left_k), chord({right_b, right_g}))},
    {'F', sided(chord({left_t, left_p}), bit(right_f))},
    {'6', sided(chord({left_t, left_p}), bit(right_f))},
    {'B', sided(chord({left_p, left_w}), bit(right_b))},
    {'D', sided(chord({left_t, left_k}), bit(right_d))},
    {'G', sided(chord({left_t, left_k, left_p, left_w}), bit(right_g))},
    {'L', sided(chord({left_h, left_r}), bit(right_l))},
    {'8', sided(chord({left_h, left_r}), bit(right_l))},
    {'M', sided(chord({left_p, left_h}), chord({right_p, right_l}))},
    {'N', sided(chord({left_t, left_p, left_h}), chord({right_p, right_b}))},
    {'J',
     sided(chord({left_s, left_k, left_w, left_r}), chord({right_p, right_b, right_l, right_g}))},
    {'Q', fixed_keys(chord({left_k, left_w}))},
    {'V', fixed_keys(chord({left_s, left_r}))},
    {'Y', fixed_keys(chord({left_k, left_w, left_r}))},
    {'A', right_mover(vowel_a)},
    {'5', right_mover(vowel_a)},
    {'O', right_mover(vowel_o)},
    {'0', right_mover(vowel_o)},
    {'E', right_mover(vowel_e)},
    {'U', right_mover(vowel_u)},
    {'I', fixed_keys(chord({vowel_e, vowel_u}), moves_right)},
    {'Z', right_mover(right_z)},
    {'7', right_mover(right_p)},
    {'9', right_mover(right_t)},
};

constexpr reader_table english_plain_table = with_rules({}, english_plain_rules);
constexpr reader_table english_rtf_table = with_rules(english_plain_table, english_rtf_changes);
constexpr reader_table grandjean_plain_table = with_rules({}, grandjean_plain_rules);
constexpr reader_table grandjean_rtf_table =
    with_rules(grandjean_plain_table, grandjean_rtf_changes);
constexpr reader_table brisca_table = with_rules({}, brisca_rules);

struct read_result {
  UINT keys;
  int offender;  // 0, or the index of a repeated key, or index + 1 of a refused character
};

// Reads a stroke from text[at], up to the end of the text or, in an
// outline (`to_slash`), to the next slash, where it leaves `at`. It reads
// past an offending character, so that every acceptable key is set; only the
// first offender is reported. Which side a letter names is taken without a
// branch: for S, T, P and R it follows from the letters before, and a branch
// on it is mispredicted often enough to cost a load of a large dictionary
// more than all the rest of its outlines.
template <bool to_slash>
read_result read_stroke_at(std::string_view text, size_t& at, const reader_table& table) {
  const size_t start = at;
  UINT keys = 0;
  int offender = 0;
  bool right_side = false;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (to_slash && c == '/') break;
    const reader_rule& rule = table[static_cast<unsigned char>(c)];
    const int index = static_cast<int>(at - start);
    if (!(rule.flags & accepted)) {
      if (offender == 0) offender = index + 1;
      continue;
    }
    const bool left_side = !right_side && (keys & rule.blocking) == 0;
    const UINT left_mask = 0u - static_cast<UINT>(left_side);
    const UINT named = (rule.left & left_mask) | (rule.right & ~left_mask);
    const UINT checked = (rule.flags & unchecked) ? 0 : named & (~named + 1);
    if ((keys & checked) != 0 && offender == 0) offender = index;
    keys |= named;
    right_side = right_side | !left_side | ((rule.flags & moves_right) != 0);
    if (rule.flags & skips_to_comma) {
      const size_t comma = text.find_first_of(to_slash ? ",/" : ",", at + 1);
      if (comma != std::string_view::npos && text[comma] == ',')
        at = comma;
      else
        at = (comma == std::string_view::npos ? text.size() : comma) - 1;
    }
  }
  return {keys, offender};
}

read_result read_stroke(std::string_view text, const reader_table& table) {
  size_t at = 0;
  return read_stroke_at<false>(text, at, table);
}

// Nearly every stroke a dictionary holds is written in key order: each letter
// names a key after the last one named, a hyphen at most before the right
// bank. There the English RTF rules come down to one: a letter names the
// first key of its name after the last key named, and a hyphen moves on past
// the vowels. (S, T and P name their left key until a key from their own to
// R- is down or the side is right, R- until the side is right: in key order
// that is exactly "the first one after".) The key-order lane reads such a
// stroke by that rule alone, whose choice of side needs no state but the last
// position, so that characters do not wait on one another as they do in the
// general rule. A character it cannot take so (any other, a key out of order
// or repeated) ends it, and the general rule reads the stroke from its start.
struct lane_letter {
  signed char first = -1;  // positions, the second -1 when the name has one
  signed char second = -1;
  UINT key_mask = 0;  // 0 for the hyphen, which names no key
};

using lane_table = std::array<lane_letter, 256>;

constexpr int hyphen_position = vowel_u;

constexpr lane_table english_rtf_lane = [] {
  lane_table table{};
  const auto name = [&table](unsigned char c, int p) {
    lane_letter& l = table[c];
    (l.first < 0 ? l.first : l.second) = static_cast<signed char>(p);
    l.key_mask = all_keys;
  };
  // Letters are accepted in either case, as by the general rule.
  for (int p = 0; p < position_count; ++p) {
    const auto c = static_cast<unsigned char>(english_order[p]);
    name(c, p);
    if (c >= 'A' && c <= 'Z') name(c - 'A' + 'a', p);
  }
  table['-'].first = hyphen_position;
  return table;
}();

// The position `named` names after `last`: its first when that lies ahead,
// else its second, chosen without a branch: which one it is follows from the
// letters before, and a branch on it is mispredicted often enough to cost a
// load of a large dictionary more than all the rest of its outlines.
int lane_position(const lane_letter& named, int last) {
  const int first = named.first;
  const int second = named.second;
  const int first_ahead = (last - first) >> 31;
  return second ^ ((first ^ second) & first_ahead);
}

struct lane_read {
  UINT keys;
  const char* stop;  // the first character the lane could not take, or the end
};

// Reads a stroke from `text` by the lane, up to `end` when `bounded`, else
// up to a character it cannot take, which the text must hold. Inlined, so
// that the loops over the strokes of an outline keep their state in
// registers.
template <bool bounded>
[[gnu::always_inline]] inline lane_read read_key_order(const char* text, const char* end) {
  UINT keys = 0;
  for (int last = -1; !bounded || text != end; ++text) {
    const lane_letter& named = english_rtf_lane[static_cast<unsigned char>(*text)];
    const int p = lane_position(named, last);
    if (p <= last) break;
    keys |= bit(p) & named.key_mask;
    last = p;
  }
  return {keys, text};
}

}  // namespace

namespace stroke_notation {

// Empty pieces before a "/" are skipped; the last piece always gives a
// stroke. Stops at the first stroke whose reader fails, keeping it, and
// reports its offset in the whole text.
int ReadOutline(std::string_view text, Notation notation, int grandjean, std::string& keys) {
  const reader_table& table = notation == Notation::brisca ? brisca_table
                              : notation == Notation::rtf
                                  ? (grandjean ? grandjean_rtf_table : english_rtf_table)
                                  : (grandjean ? grandjean_plain_table : english_plain_table);
  keys.clear();
  if (text.empty()) return 0;
  // Strokes gather here and go to `keys` a few at a time, which costs less
  // than growing the string by each.
  char gathered[16 * CStroke::PackedSize];
  size_t used = 0;
  const bool lane = &table == &english_rtf_table;
  for (size_t at = 0;;) {
    const size_t start = at;
    read_result read{0, 0};
    if (lane) {
      const lane_read in_order = read_key_order<true>(text.data() + at, text.data() + text.size());
      read.keys = in_order.keys;
      at = static_cast<size_t>(in_order.stop - text.data());
    }
    if (!lane || (at < text.size() && text[at] != '/')) {
      at = start;
      read = read_stroke_at<true>(text, at, table);
    }
    const bool last = at >= text.size();
    if (last || at > start) {
      if (used == sizeof gathered) keys.append(gathered, std::exchange(used, 0));
      store_ordered(reinterpret_cast<BYTE*>(gathered + used), read.keys);
      used += CStroke::PackedSize;
      if (read.offender != 0 || last) {
        keys.append(gathered, used);
        return read.offender != 0 ? static_cast<int>(start) + read.offender : 0;
      }
    }
    ++at;
  }
}

}  // namespace stroke_notation

// Here rather than with CSteno's other members, so that the lane is inlined
// into its loop.
std::size_t CSteno::ReadRtfKeysInKeyOrder(const char* text, const char*& stop, BYTE* keys,
                                          std::size_t room) {
  stop = text;
  for (std::size_t used = 0; used + CStroke::PackedSize <= room; used += CStroke::PackedSize) {
    const lane_read read = read_key_order<false>(stop, nullptr);
    stop = read.stop;
    if (read.keys == 0) return 0;
    store_ordered(keys + used, read.keys);
    if (*stop != '/') return used + CStroke::PackedSize;
    ++stop;
  }
  return 0;
}

CString CStroke::GetStrCompressed(int grandjean) const {
  return write_stroke(keys_of(*this), grandjean ? grandjean_plain : english_plain);
}

CString CStroke::GetStrSpaced(int grandjean) const {
  const UINT keys = keys_of(*this);
  const std::string_view order = order_for(keys, grandjean != 0);
  char text[24];
  for (int p = 0; p < 24; ++p) text[p] = (keys & bit(p)) ? order[p] : ' ';
  return CString(text, 24);
}

CString CStroke::GetStrRtf(int grandjean) const {
  return write_stroke(keys_of(*this), grandjean ? grandjean_rtf : english_rtf);
}

int CStroke::SetString(const CString& text, int grandjean) {
  const read_result read =
      read_stroke(text.View(), grandjean ? grandjean_plain_table : english_plain_table);
  set_keys(*this, read.keys);
  return read.offender;
}

int CStroke::SetRtf(const CString& text, int grandjean) {
  BYTE keys[PackedSize];
  const int result = ReadRtf(text.View(), grandjean, keys);
  SetFlash(keys);
  return result;
}

int CStroke::ReadRtf(std::string_view text, int grandjean, BYTE* keys) {
  const read_result read = read_stroke(text, grandjean ? grandjean_rtf_table : english_rtf_table);
  store_ordered(keys, read.keys);
  return read.offender;
}

int CStroke::SetBriscaString(const CString& text) {
  const read_result read = read_stroke(text.View(), brisca_table);
  set_keys(*this, read.keys);
  return read.offender;
}

void CStroke::RemoveLastChar(int grandjean) {
  const CString text = GetStrCompressed(grandjean);
  SetString(text.Left(text.GetLength() - 1), grandjean);
}

int CStroke::GetLetters(const CString& text, int grandjean) const {
  CStroke letters;
  letters.SetString(text, grandjean);
  return ContainsPartial(letters);
}

void CStroke::SetLetters(const CString& text, int on, int grandjean) {
  CStroke letters;
  letters.SetString(text, grandjean);
  const UINT keys = keys_of(*this);
  set_keys(*this, on ? keys | keys_of(letters) : keys & ~keys_of(letters) & all_keys);
}
