#include "dictionary/steno_dictionary.h"

#include "dictionary/cre_markers.h"
#include "dictionary/rtf_text_decoder.h"
#include "platform/code_page.h"
#include "platform/exception.h"
#include "platform/file_mapping.h"
#include "rtf/rtf_control_words.h"
#include "rtf/rtf_parser.h"
#include "rtf/rtf_parser_client.h"
#include "rtf/rtf_scanner.h"
#include "textrules/string_rules.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <typeinfo>
#include <utility>

namespace {

constexpr int grandjean_off = 0;
constexpr std::size_t stroke_bytes = CStroke::PackedSize;
constexpr std::size_t max_keys_length = 0xFFFF;
constexpr std::size_t max_arena = 0xFFFFFFFFu;

constexpr std::string_view paragraph_mark = CStringRules::szParagraphMark;

enum Action { action_char = 1, action_destination = 2, action_property = 3, action_special = 4 };

// A skipped group holds no translation text; inside an entry it is kept
// whole, as an extra of the entry.
enum Destination { dest_text, dest_outline, dest_punctuation, dest_skip };
enum Special { special_attach, special_capitalize, special_paragraph };
enum Property { property_flags };

struct ControlWord {
  const char* word;
  int action;
  int index;
};

// Stitches keep their text, so that a stitched entry is not cut short.
constexpr ControlWord control_words[] = {
    {szRTFCW_cxs, action_destination, dest_outline},
    {szRTFCW_cxstit, action_destination, dest_text},
    {szRTFCW_cxp, action_destination, dest_punctuation},
    {szRTFCW_cxcomment, action_destination, dest_skip},
    {szRTFCW_comment, action_destination, dest_skip},
    {szRTFCW_cxsystem, action_destination, dest_skip},
    {szRTFCW_cxrev, action_destination, dest_skip},
    {szRTFCW_stylesheet, action_destination, dest_skip},
    {szRTFCW_fonttbl, action_destination, dest_skip},
    {szRTFCW_colortbl, action_destination, dest_skip},
    {szRTFCW_info, action_destination, dest_skip},
    {szRTFCW_creatim, action_destination, dest_skip},
    {szRTFCW_pict, action_destination, dest_skip},
    {szRTFCW_cxds, action_special, special_attach},
    {szRTFCW_cxfc, action_special, special_capitalize},
    {szRTFCW_par, action_special, special_paragraph},
    {szRTFCW_cxkelmdictflags, action_property, property_flags},
    {szRTFCW_tab, action_char, '\t'},
    {szRTFCW_line, action_char, '\n'},
    {szRTFCS_NONBRKHYPHEN, action_char, '-'},
    {szRTFCS_NONBRKSPACE, action_char, 0xA0},
    {szRTFCW_emdash, action_char, 0x97},
    {szRTFCW_endash, action_char, 0x96},
    {szRTFCW_lquote, action_char, 0x91},
    {szRTFCW_rquote, action_char, 0x92},
    {szRTFCW_ldblquote, action_char, 0x93},
    {szRTFCW_rdblquote, action_char, 0x94},
    {szRTFCW_bullet, action_char, 0x95},
};

int token_type(const char* word) {
  const int type = CRtfScanner::GetTokenType(word);
  if (type < 0) throw std::logic_error(std::string("not a scanner control word: ") + word);
  return type;
}

const std::vector<RTFTransTblEntry>& translation_table() {
  static const std::vector<RTFTransTblEntry> table = [] {
    std::vector<RTFTransTblEntry> t;
    for (const ControlWord& c : control_words)
      t.push_back({token_type(c.word), 0, c.action, c.index});
    std::sort(t.begin(), t.end(), [](const RTFTransTblEntry& a, const RTFTransTblEntry& b) {
      return a.nTokenType < b.nTokenType;
    });
    return t;
  }();
  return table;
}

std::span<const BYTE> as_key_bytes(std::string_view keys) {
  return {reinterpret_cast<const BYTE*>(keys.data()), keys.size()};
}

std::string_view trim_spaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// Key letters in key order, from S- (position 2) to -Z (position 23); position
// p is bit 23 - p of the stroke's three key bytes read as one number.
constexpr int first_letter_position = 2;
constexpr std::string_view key_letters =
    std::string_view(CStroke::szKeyOrder).substr(first_letter_position);
constexpr int last_vowel_position = 13;

// The positions a letter names, S, T, P and R two, and whether it names a
// key. The hyphen names the last vowel's position without its key, so that
// only the right bank may follow it.
struct letter_keys {
  std::int8_t position[2] = {-1, -1};
  std::uint32_t key_mask = 0;
};

constexpr std::array<letter_keys, 256> letter_table = [] {
  std::array<letter_keys, 256> table{};
  for (int p = first_letter_position; p < first_letter_position + int(key_letters.size()); ++p) {
    letter_keys& l = table[static_cast<unsigned char>(key_letters[p - first_letter_position])];
    l.position[l.position[0] < 0 ? 0 : 1] = static_cast<std::int8_t>(p);
    l.key_mask = ~std::uint32_t{0};
  }
  table['-'].position[0] = last_vowel_position;
  return table;
}();

// Nearly every stroke in a dictionary is written with its capital letters in
// key order, a hyphen at most before the right bank's first key. For such a
// text the notation's rules come down to one: a letter names the next key of
// its name after the last key named, and a hyphen moves on to the right bank.
// (S, T and P name their left key until a key from their own to R- is down
// or the right side is reached, and R- until the right side is reached; in
// key order that is exactly "the next one".) Such a stroke is read here,
// which spares the notation's general reader, from text[at] to the next slash
// or the end; the result is where it stopped, before a character out of key
// order (lower case, digits, the mark, a key out of order or repeated, a
// hyphen after -U or a right key, any other character) if there is one, and
// the notation reads the stroke then.
// The position the letter names after the last one named: its first when
// that lies ahead, else its second. Worked out without a branch: for S, T, P
// and R which one it is follows from the letters before, and a branch on it
// is mispredicted often enough to cost a load of a large dictionary more
// than all the other work on its outlines.
int named_position(const letter_keys& named, int last) {
  const int first = named.position[0];
  const int second = named.position[1];
  const int first_ahead = (last - first) >> 31;
  return second ^ ((first ^ second) & first_ahead);
}

std::size_t keys_in_key_order(std::string_view text, std::size_t at, std::uint32_t& keys) {
  keys = 0;
  int last = first_letter_position - 1;
  for (; at < text.size() && text[at] != '/'; ++at) {
    const letter_keys& named = letter_table[static_cast<unsigned char>(text[at])];
    const int p = named_position(named, last);
    if (p <= last) break;
    keys |= (1u << (23 - p)) & named.key_mask;
    last = p;
  }
  return at;
}

// The outline's strokes, read as CSteno::SetRtf reads them, packed into keys
// (reused, so that an entry costs no allocation). False when a stroke is
// refused or empty (an empty stroke has no text form, so it could never be
// written back), or there is no stroke or too many. Empty pieces between
// slashes are passed over.
bool read_outline_keys(std::string_view text, std::string& keys) {
  keys.clear();
  if (text.empty()) return false;
  for (std::size_t start = 0;;) {
    std::uint32_t in_order = 0;
    const std::size_t stop = keys_in_key_order(text, start, in_order);
    const bool ordered = stop == text.size() || text[stop] == '/';
    const std::size_t slash = ordered ? stop : text.find('/', stop);
    const bool last = slash >= text.size();
    if (!last && slash == start) {
      start = slash + 1;
      continue;
    }
    char stroke[stroke_bytes];
    if (ordered) {
      if (in_order == 0) return false;
      stroke[0] = static_cast<char>(in_order >> 16);
      stroke[1] = static_cast<char>(in_order >> 8);
      stroke[2] = static_cast<char>(in_order);
    } else {
      CStroke general;
      if (general.SetRtf(CString(text.substr(start, slash - start)), grandjean_off) != 0 ||
          general.IsEmpty())
        return false;
      std::memcpy(stroke, general.GetKeyBytes(), stroke_bytes);
    }
    keys.append(stroke, stroke_bytes);
    if (last) return keys.size() <= max_keys_length;
    start = slash + 1;
  }
}

// What the parser does not hand a client (the tokens its table does not
// list, and optional destinations it does not list, which it skips), the
// reader takes from the scanner's queue itself: after each call it reads the
// tokens ahead of the current one, up to the next that the parser will act
// on, and consumes them; and it takes the "\*" out of every "{\*", so that
// the parser skips no group and the reader sees every byte of an entry.
constexpr int types = CRtfToken::typeGroupEnd + 1;

struct TypeTable {
  std::array<bool, types> acted{};        // the parser calls the client for it
  std::array<bool, types> destination{};  // a destination of the reader's table
  int optional_destination = 0;           // "\*"
};

const TypeTable& type_table() {
  static const TypeTable table = [] {
    TypeTable t;
    for (const RTFTransTblEntry& entry : translation_table()) {
      t.acted[entry.nTokenType] = true;
      t.destination[entry.nTokenType] = entry.nAction == action_destination;
    }
    t.acted[CRtfToken::typeText] = true;
    t.acted[CRtfToken::typeEndOfInput] = true;
    t.acted[CRtfToken::typeGroupBegin] = true;
    t.acted[CRtfToken::typeGroupEnd] = true;
    t.optional_destination = token_type(szRTFCS_OPTDEST);
    return t;
  }();
  return table;
}

// Control words the scanner's table does not hold, so that they come as
// unrecognised tokens.
constexpr std::string_view word_unicode = "\\u";
constexpr std::string_view word_fallback = "\\uc";
constexpr std::string_view word_code_page = "\\ansicpg";
constexpr UINT cp_1252 = 1252;
constexpr long default_fallback = 1;

bool is_line_break(char c) { return c == '\r' || c == '\n'; }

// The scanner drops line breaks between tokens, so a token's bytes may begin
// with some, and a text's may end with some; neither belongs to what a kept
// piece of RTF says. A line break after a backslash is a control word and
// stays.
std::string_view trim_line_breaks(std::string_view rtf) {
  while (!rtf.empty() && is_line_break(rtf.front())) rtf.remove_prefix(1);
  std::size_t end = rtf.size();
  while (end > 0 && is_line_break(rtf[end - 1])) --end;
  std::size_t backslashes = 0;
  while (end > backslashes && rtf[end - backslashes - 1] == '\\') ++backslashes;
  if (backslashes % 2 == 1 && end < rtf.size()) ++end;
  return rtf.substr(0, end);
}

// An entry's RTF with its groups closed: a brace that closes no group of the
// entry is left out, and the groups it leaves open are closed at its end, as
// the scanner counts them (escaped braces and binary data count for
// nothing), so that the entry reads back the same when written where other
// entries stand, even when the file breaks off inside it. Binary data the
// file breaks off in is left out with its \bin, which would take the bytes
// written after it.
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

// Whether binary data in the RTF runs past its end, as it does when the file
// ends inside it: written back, the data would take the bytes after it.
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

// True when every 8-bit byte of the file belongs to a well-formed UTF-8
// sequence, and there is one. Dictionaries are nearly all ASCII, which is
// passed over 32 bytes at a time, then eight; each run of 8-bit bytes must
// be whole sequences.
bool is_utf8(std::string_view bytes) {
  bool any = false;
  for (std::size_t i = 0; i < bytes.size();) {
    std::uint64_t eight;
    if (i + 4 * sizeof eight <= bytes.size()) {
      std::uint64_t words[4];
      std::memcpy(words, bytes.data() + i, sizeof words);
      if (((words[0] | words[1] | words[2] | words[3]) & 0x8080808080808080u) == 0) {
        i += sizeof words;
        continue;
      }
    }
    if (i + sizeof eight <= bytes.size()) {
      std::memcpy(&eight, bytes.data() + i, sizeof eight);
      if ((eight & 0x8080808080808080u) == 0) {
        i += sizeof eight;
        continue;
      }
    }
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    any = true;
    std::size_t end = i;
    while (end < bytes.size() && static_cast<unsigned char>(bytes[end]) >= 0x80) ++end;
    // A run longer than the call takes is no text a dictionary holds.
    if (end - i > static_cast<std::size_t>(std::numeric_limits<int>::max()) ||
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data() + i,
                            static_cast<int>(end - i), nullptr, 0) == 0)
      return false;
    i = end;
  }
  return any;
}

// An entry of the common form "{\*\cxs OUTLINE}text": the outline plain
// characters, the text plain characters, line breaks and the markers \cxds
// and \cxfc, where plain means no escape, brace, tab, control or 8-bit byte.
// Its bytes as the scanner would cut them into tokens. The file's bytes are
// followed by a NUL (see read_rest), which ends every run read here without
// a check of the length.
struct PlainEntry {
  std::string_view outline;  // untrimmed, as the outline's text token
  bool keys_read;            // the outline's keys were read with it:
  std::string_view keys;
  DWORD outline_offset;  // of the "\cxs" token
  DWORD text_begin;      // after the outline's "}"
  std::string_view text;
  WORD flags;
  // The next entry of this form follows, so that nothing else belongs to
  // this one; it begins at `end`.
  bool complete;
  DWORD end;
};

constexpr std::string_view plain_entry_start = "{\\*\\cxs ";
constexpr std::string_view word_attach = "\\cxds";
constexpr std::string_view word_capitalize = "\\cxfc";

constexpr std::array<bool, 256> plain_bytes = [] {
  std::array<bool, 256> plain{};
  for (unsigned c = 0x20; c < 0x80; ++c) plain[c] = c != '\\' && c != '{' && c != '}';
  return plain;
}();

std::size_t plain_run_end(std::string_view bytes, std::size_t at) {
  while (plain_bytes[static_cast<unsigned char>(bytes.data()[at])]) ++at;
  return at;
}

std::size_t line_breaks_end(std::string_view bytes, std::size_t at) {
  while (is_line_break(bytes.data()[at])) ++at;
  return at;
}

bool plain_entry_starts(std::string_view bytes, std::size_t at) {
  static_assert(plain_entry_start.size() == sizeof(std::uint64_t));
  if (bytes.size() - at < sizeof(std::uint64_t)) return false;
  std::uint64_t here, start;
  std::memcpy(&here, bytes.data() + at, sizeof here);
  std::memcpy(&start, plain_entry_start.data(), sizeof start);
  return here == start;
}

// Room for the keys of the outlines read with their entries; longer ones
// are left to read_outline_keys.
constexpr std::size_t plain_keys_room = 32 * stroke_bytes;
using PlainKeys = std::array<char, plain_keys_room>;

// Reads the common outline, strokes in key order with one slash between
// them, in the pass that finds its "}": the number of key bytes, with `at`
// on the brace, when it is one; 0 otherwise.
std::size_t keys_up_to_brace(std::string_view bytes, std::size_t& at, PlainKeys& keys) {
  const char* const data = bytes.data();
  for (std::size_t length = 0; length < keys.size(); length += stroke_bytes) {
    std::uint32_t stroke = 0;
    // As keys_in_key_order.
    for (int last = first_letter_position - 1;; ++at) {
      const letter_keys& named = letter_table[static_cast<unsigned char>(data[at])];
      const int p = named_position(named, last);
      if (p <= last) break;
      stroke |= (1u << (23 - p)) & named.key_mask;
      last = p;
    }
    if (stroke == 0) return 0;
    keys[length] = static_cast<char>(stroke >> 16);
    keys[length + 1] = static_cast<char>(stroke >> 8);
    keys[length + 2] = static_cast<char>(stroke);
    if (data[at] == '}') return length + stroke_bytes;
    if (data[at] != '/') return 0;
    ++at;
  }
  return 0;
}

// The text after the outline, with the flags its markers give, up to
// anything else; `text` holds it when it is not one run of the file.
void read_plain_text(std::string_view bytes, PlainEntry& entry, std::string& text) {
  bool attach_before = false, attach_after = false, capitalize = false;
  std::size_t attached_at = 0, length = 0, runs = 0;
  std::size_t run_begin = entry.text_begin, run_end = entry.text_begin;
  std::size_t p = entry.text_begin, end = entry.text_begin;
  for (;;) {
    const std::size_t q = plain_run_end(bytes, p);
    if (q > p) {
      if (runs == 1) text.assign(bytes.substr(run_begin, run_end - run_begin));
      if (runs >= 1) text.append(bytes.substr(p, q - p));
      if (runs == 0) run_begin = p, run_end = q;
      ++runs;
      length += q - p;
      // A text token takes the line breaks after it; a control word's
      // does not.
      p = end = line_breaks_end(bytes, q);
      continue;
    }
    p = line_breaks_end(bytes, p);
    const std::string_view word = bytes.substr(p, word_attach.size());
    const std::size_t after = p + word_attach.size();
    if ((word != word_attach && word != word_capitalize) || after >= bytes.size()) break;
    const char next = bytes[after];
    if ((next >= 'a' && next <= 'z') || (next >= '0' && next <= '9') || next == '-') break;
    if (word == word_attach) {
      attach_before = attach_before || length == 0;
      attach_after = true;
      attached_at = length;
    } else {
      capitalize = true;
    }
    p = end = next == ' ' ? after + 1 : after;
  }
  entry.text = runs <= 1 ? bytes.substr(run_begin, run_end - run_begin) : std::string_view(text);
  entry.flags = cre_marker_flags(attach_before, attach_after && attached_at == length, capitalize);
  entry.complete = plain_entry_starts(bytes, p);
  entry.end = static_cast<DWORD>(end);
}

// The entry at stream offset `at`, where the scanner's "{" token begins
// (line breaks before the brace included), if it has the common form; its
// keys go to `keys` when they can be read at once.
bool plain_entry_at(std::string_view bytes, DWORD at, PlainEntry& entry, PlainKeys& keys,
                    std::string& text) {
  const std::size_t p = line_breaks_end(bytes, at);
  if (!plain_entry_starts(bytes, p)) return false;
  const std::size_t outline_begin = p + plain_entry_start.size();
  std::size_t outline_end = outline_begin;
  const std::size_t key_bytes = keys_up_to_brace(bytes, outline_end, keys);
  entry.keys_read = key_bytes > 0;
  entry.keys = std::string_view(keys.data(), key_bytes);
  if (!entry.keys_read) {
    outline_end = plain_run_end(bytes, outline_begin);
    if (bytes.data()[outline_end] != '}') return false;
  }
  entry.outline = bytes.substr(outline_begin, outline_end - outline_begin);
  entry.outline_offset = static_cast<DWORD>(p + 3);
  entry.text_begin = static_cast<DWORD>(outline_end + 1);
  read_plain_text(bytes, entry, text);
  return true;
}

class DictionaryReader : public CRtfParserClient {
 public:
  DictionaryReader(CStenoDictionary& dictionary,
                   std::vector<CStenoDictionary::InvalidOutline>& invalid, std::string_view bytes,
                   bool utf8_mark, bool take_plain_entries)
      : m_dictionary(dictionary),
        m_invalid(invalid),
        m_bytes(bytes),
        m_bTakePlainEntries(take_plain_entries) {
    if (utf8_mark) SetUtf8(true);
  }

  // The parser's scanner, whose queue the reader reads ahead in.
  void SetScanner(CRtfScanner* scanner) { m_pScanner = scanner; }
  // Stores the last entry, which ends where the parse stopped (`end`).
  void Finish(DWORD end) { CommitEntry(end); }
  // A failure of the reader's own reads of the scanner, which the parser
  // does not see when it comes in ChangeDestination.
  long GetError() const { return m_lError; }
  std::size_t GetUnrepresentableCount() const { return m_decoder.count(); }
  // Stream offsets of the invalid outlines found, in the order they were
  // added to the invalid entries.
  const std::vector<DWORD>& GetInvalidOffsets() const { return m_invalidOffsets; }

  long PushState() override {
    Break();
    m_states.back().fresh = false;
    const Group& outer = m_states.back();
    Group group = outer;
    group.begin = m_pScanner->GetToken(0)->GetStreamOffset();
    group.fresh = true;
    group.optional = false;
    group.kept = false;
    group.holds_extras = false;
    group.extra_not_first = false;
    group.entry = m_entry == EntryState::translation ? m_entries : 0;
    group.text_at_begin = m_text.size();
    group.extras_at_begin = m_pieces.size();
    group.encoding_before.reset();
    // An optional destination the reader does not know: what the parser
    // would have skipped.
    if (outer.destination != dest_skip && group.begin == m_optionalGroup &&
        !m_types.destination[TypeAt(1)]) {
      group.destination = dest_skip;
      group.kept = true;
    }
    m_states.push_back(group);
    return Settle();
  }

  long PopState() override {
    // A stray "}" must not take the outermost state away.
    if (m_states.size() == 1) return Settle();
    Break();
    const Group closed = m_states.back();
    m_states.pop_back();
    Group& outer = m_states.back();
    if (closed.kept) {
      KeepBytes(closed.begin, m_pScanner->GetToken(1)->GetStreamOffset());
    } else if (closed.holds_extras && closed.entry == m_entries && InEntry()) {
      // A group that holds extras keeps its braces, so that what they apply
      // to stays inside it. An outline word or "\*" that was not first in
      // the group would be first after the brace and start a destination:
      // an empty group stands for what came before it and was not kept.
      const std::string_view open = closed.extra_not_first ? "{{}" : "{";
      m_pieces.insert(m_pieces.begin() + static_cast<std::ptrdiff_t>(closed.extras_at_begin),
                      Piece{closed.text_at_begin, m_pieceBytes.size(), open.size(), 0});
      m_pieceBytes += open;
      AddPiece("}");
    }
    if (closed.destination != outer.destination) EndDestination(closed.destination);
    if (m_entry != EntryState::none && m_states.size() < m_entryDepth)
      CommitEntry(m_pScanner->GetToken(0)->GetStreamOffset());
    return Settle();
  }

  long ChangeDestination(int nIndex) override {
    Group& group = m_states.back();
    // Nothing inside a skipped group or an outline starts anything. The word
    // still counts as read: a "\*" after it must not make its group one of
    // an unknown destination, kept whole, which written after the outline
    // would start an entry.
    if (group.destination == dest_skip || group.destination == dest_outline) {
      group.fresh = false;
      return Settle();
    }
    // An outline or a skipped group is a group of its own: its word comes
    // first. Elsewhere the word is only kept, as any word the reader does not
    // know.
    const bool fresh = std::exchange(group.fresh, false);
    if (!fresh && (nIndex == dest_outline || nIndex == dest_skip)) {
      Break();
      NoteKeptAfterRead(group);
      KeepBytes(m_pScanner->GetToken(0)->GetStreamOffset(),
                m_pScanner->GetToken(1)->GetStreamOffset());
      return Settle();
    }
    const std::optional<UINT> code_page =
        nIndex == dest_outline || nIndex == dest_skip ? TakeBackCodePage(group) : std::nullopt;
    Break();
    group.destination = static_cast<Destination>(nIndex);
    if (nIndex == dest_outline) {
      CommitEntry(group.begin);
      ++m_entries;
      m_entry = EntryState::outline;
      m_entryBegin = group.begin;
      m_entryDepth = m_states.size() - 1;
      m_outline.clear();
      m_outlineCodePage = code_page;
      m_dwOutlineOffset = m_pScanner->GetToken(0)->GetStreamOffset();
    } else if (nIndex == dest_punctuation) {
      m_punctuationStart = m_text.size();
    } else if (nIndex == dest_skip) {
      group.kept = true;
    }
    return Settle();
  }

  long EndDestination(int nIndex) override {
    if (nIndex == dest_outline) EndOutline();
    if (nIndex == dest_punctuation) EndPunctuation();
    return 0;
  }

  long OutputText(const char* szText, bool) override {
    // The text is the current token's, whose length counts a NUL in it.
    CRtfToken* const token = m_pScanner->GetToken(0);
    TakeText(token->GetBuffer() == szText ? std::string_view(szText, token->GetLength())
                                          : std::string_view(szText),
             token->GetStreamOffset(), m_pScanner->GetToken(1)->GetStreamOffset());
    return Settle();
  }

  // Text the file spells from `begin` to `end`.
  void TakeText(std::string_view text, DWORD begin, DWORD end) {
    m_states.back().fresh = false;
    switch (m_states.back().destination) {
      case dest_outline:
        m_outline += text;
        break;
      case dest_text:
      case dest_punctuation:
        if (InTranslation()) AddText(text, begin, end);
        break;
      case dest_skip:
        break;
    }
  }

  long OutputChar(int nIndex) override {
    m_states.back().fresh = false;
    if (InTranslation()) {
      m_decoder.character(static_cast<char>(nIndex), m_text);
      TakeUnrepresentable();
    }
    return Settle();
  }

  long ApplySpecialControl(int nIndex) override {
    m_states.back().fresh = false;
    if (!InTranslation()) return Settle();
    Break();
    switch (nIndex) {
      case special_attach:
        if (m_text.empty()) m_bAttachBefore = true;
        m_bAttachAfter = true;
        m_attachedAt = m_text.size();
        break;
      case special_capitalize:
        m_bCapitalize = true;
        break;
      case special_paragraph:
        m_text += paragraph_mark;
        break;
    }
    return Settle();
  }

  long ApplyPropChange(int nIndex, long lValue) override {
    m_states.back().fresh = false;
    if (nIndex == property_flags && InTranslation()) m_explicitFlags = static_cast<WORD>(lValue);
    return Settle();
  }

  const RTFTransTblEntry* GetTransTbl() override { return translation_table().data(); }
  int GetTransTblEntries() override { return static_cast<int>(translation_table().size()); }

 private:
  enum class EntryState { none, outline, translation, invalid };

  // How raw bytes and escapes are read.
  struct Encoding {
    UINT code_page;
    bool known;
    bool raw_utf8;
    bool escapes_utf8;
  };

  // What a group changes: its destination, \ucN, and where it began.
  struct Group {
    Destination destination = dest_text;
    long fallback = default_fallback;
    DWORD begin = 0;        // the stream offset of its "{"
    bool fresh = false;     // nothing read in it yet
    bool optional = false;  // its "\*" has been read
    bool kept = false;      // kept whole as an extra; the groups inside it are not
    bool holds_extras = false;
    // Its first extra is an outline word or "\*" that something read and
    // not kept came before in the file.
    bool extra_not_first = false;
    unsigned entry = 0;  // the entry whose translation it was opened in, or 0
    std::size_t text_at_begin = 0;
    std::size_t extras_at_begin = 0;
    // How text was read before a code page word read while the group was
    // fresh, and the code page it set.
    std::optional<Encoding> encoding_before;
    UINT code_page = 0;
  };

  // A piece of RTF kept with the current entry, in m_pieceBytes.
  struct Piece {
    std::size_t position;
    std::size_t offset;
    std::size_t length;
    DWORD end;  // the stream offset after it, when it came from the file; 0 if not
  };

  int TypeAt(int place) {
    const int type = m_pScanner->GetToken(place)->GetType();
    return type >= 0 && type < types ? type : CRtfToken::typeEndOfInput;
  }

  // Reads the tokens the parser would pass over, up to the next one it acts
  // on; see type_table.
  long Settle() {
    while (m_lError == 0) {
      CRtfToken* next = m_pScanner->GetToken(1);
      const int type = TypeAt(1);
      if (type == CRtfToken::typeGroupBegin) {
        if (TypeAt(2) != m_types.optional_destination) break;
        if (TakePlainEntries(next->GetStreamOffset())) continue;
        m_optionalGroup = next->GetStreamOffset();
        m_lError = m_pScanner->ConsumeToken(2);
        break;
      }
      if (m_types.acted[type]) break;
      Take(*next, m_pScanner->GetToken(2)->GetStreamOffset());
      m_lError = m_pScanner->ConsumeToken(1);
    }
    return m_lError;
  }

  // Takes the entries of the common form from the group at stream offset
  // `at` on straight from the bytes, leaving the reader as the parser's calls
  // would have left it, and has the scanner read on after them. False, with
  // nothing taken, when that group does not begin such an entry.
  bool TakePlainEntries(DWORD at) {
    PlainEntry entry;
    if (!m_bTakePlainEntries || m_states.back().destination != dest_text ||
        !plain_entry_at(m_bytes, at, entry, m_plainKeys, m_plainText))
      return false;
    // As PushState and ChangeDestination would for the outline's group.
    Break();
    m_states.back().fresh = false;
    CommitEntry(at);
    DWORD resume = at;
    for (;;) {
      ++m_entries;
      m_entryBegin = at;
      m_entryDepth = m_states.size();
      m_dwOutlineOffset = entry.outline_offset;
      resume = entry.text_begin;
      if (entry.keys_read && entry.complete) {
        m_dictionary.Append(as_key_bytes(entry.keys), entry.text, CTranFlags(entry.flags));
      } else {
        if (entry.keys_read) {
          m_keys.assign(entry.keys);
          BeginTranslation();
        } else {
          m_outline.assign(entry.outline);
          EndOutline();
        }
        // Text the parser has to read, and the text of an invalid entry
        // (which is kept as the file spells it), are left to it.
        if (m_entry != EntryState::translation || !entry.complete) break;
        m_dictionary.Append(as_key_bytes(m_keys), entry.text, CTranFlags(entry.flags));
        m_entry = EntryState::none;
      }
      at = resume = entry.end;
      if (!plain_entry_at(m_bytes, at, entry, m_plainKeys, m_plainText)) break;
    }
    m_lError = m_pScanner->SkipTo(resume);
    return true;
  }

  // A token the parser would pass over, which ends at `end`.
  void Take(CRtfToken& token, DWORD end) {
    Group& group = m_states.back();
    // What a kept group holds is kept with it, not read: a code page set in
    // it would move with it, should its entry be written elsewhere.
    if (group.destination == dest_skip) return;
    // The words that set how text is read, and "\*", leave a group as new
    // as it was, so that a destination may still follow.
    if (token.GetType() == m_types.optional_destination && group.fresh) {
      group.optional = true;
      return;
    }
    if (token.GetType() == CRtfToken::typeUnknown &&
        token.GetNumParm() != CRtfToken::no_parameter) {
      const std::string_view word = token.GetCtrlWord();
      if (word == word_fallback) {
        // An invalid entry is kept as the file spells it, not read: written
        // back, its braces may be balanced otherwise, and a count it set
        // would reach entries after it that it did not reach here.
        if (m_entry != EntryState::invalid) group.fallback = token.GetNumParm();
        return;
      }
      if (word == word_code_page) {
        // Nor is a code page an invalid entry sets: written back, it would
        // reach text that was already read in another. One set in an outline
        // waits until the outline is known to be taken.
        const auto code_page = static_cast<UINT>(token.GetNumParm());
        if (m_entry == EntryState::outline) {
          m_outlineCodePage = code_page;
        } else if (m_entry != EntryState::invalid) {
          if (group.fresh && !group.encoding_before)
            group.encoding_before =
                Encoding{m_decoder.code_page(), m_bEncodingKnown, m_bRawUtf8, m_bEscapesUtf8};
          group.code_page = code_page;
          SetCodePage(code_page);
        }
        return;
      }
      if (word == word_unicode && InTranslation()) {
        group.fresh = false;
        m_decoder.unicode(token.GetNumParm(), group.fallback, m_text);
        TakeUnrepresentable();
        return;
      }
      // Kept, it would be written after the outline, where it reads as a
      // character of the text. It is a character of the outline, which no
      // stroke has: the outline is spelled with it and refused (or passed
      // over where the notation passes over characters).
      if (word == word_unicode && m_entry == EntryState::outline &&
          group.destination == dest_outline) {
        group.fresh = false;
        std::string spelled;
        ReadBytes(token.GetStreamOffset(), end, spelled);
        m_outline += trim_line_breaks(spelled);
        return;
      }
    }
    // A backslash alone (before a digit or a capital) stands for nothing,
    // and kept it would run on into whatever is written after it.
    if (token.GetType() == CRtfToken::typeUnknown && token.GetLength() == 1) return;
    // Text cut short by an escape that is not whole, a \' short of its hex
    // digits or the backslash the file ends on, comes with the escape as one
    // unknown token: the text is read as text. The backslash stands for
    // nothing, as above; the \' is kept as the file spells it.
    if (token.GetType() == CRtfToken::typeUnknown) {
      const std::string_view held(token.GetBuffer(), token.GetLength());
      const std::size_t cut = held.rfind('\\');
      if (cut != 0 && cut != std::string_view::npos) {
        const std::string_view spelled = trim_line_breaks(
            m_bytes.substr(token.GetStreamOffset(), end - token.GetStreamOffset()));
        const auto escape =
            static_cast<DWORD>(spelled.data() + spelled.rfind('\\') - m_bytes.data());
        TakeText(held.substr(0, cut), token.GetStreamOffset(), escape);
        if (held.size() - cut > 1) {
          Break();
          KeepBytes(escape, end);
        }
        return;
      }
    }
    const bool was_fresh = std::exchange(group.fresh, false);
    // An optional destination the reader does not know, as in PushState.
    if (was_fresh && group.optional && group.destination != dest_skip) {
      group.destination = dest_skip;
      group.kept = true;
      TakeBackCodePage(group);
      return;
    }
    // What is kept stands after the text before it, a character that text
    // still held back (half of a surrogate pair) included.
    Break();
    if (!was_fresh && token.GetType() == m_types.optional_destination) NoteKeptAfterRead(group);
    KeepBytes(token.GetStreamOffset(), end);
  }

  // An outline word or "\*" about to be kept in a group that something read
  // there and not kept came before. Should it be the group's first extra,
  // it would be written first after the group's brace, where it starts a
  // destination: the brace is then written with an empty group after it
  // (see PopState). Other words written first are harmless, and the writer
  // guards them.
  void NoteKeptAfterRead(Group& group) {
    if (m_pieces.size() == group.extras_at_begin && m_text.size() == group.text_at_begin)
      group.extra_not_first = true;
  }

  void SetCodePage(UINT code_page) {
    if (code_page == CP_UTF8) {
      m_bEscapesUtf8 = true;
      SetUtf8(true);
    } else {
      m_decoder.set_code_page(code_page);
      // A code page declared before any text settles what raw bytes are.
      if (code_page != cp_1252 && !m_bEncodingKnown) SetUtf8(false);
    }
  }

  // A group kept whole, or an outline's, is written back with the code page
  // word it began with, which would then reach text already read in that
  // code page: the word read before the group was known to be one is taken
  // back, and the code page it set returned.
  std::optional<UINT> TakeBackCodePage(Group& group) {
    const std::optional<Encoding> before = std::exchange(group.encoding_before, std::nullopt);
    if (!before) return std::nullopt;
    m_decoder.set_code_page(before->code_page);
    m_decoder.set_utf8(before->raw_utf8);
    m_bRawUtf8 = before->raw_utf8;
    m_bEncodingKnown = before->known;
    m_bEscapesUtf8 = before->escapes_utf8;
    return group.code_page;
  }

  void SetUtf8(bool utf8) {
    m_decoder.set_utf8(utf8);
    m_bRawUtf8 = utf8;
    m_bEncodingKnown = true;
  }

  bool InEntry() const {
    return m_entry == EntryState::outline || m_entry == EntryState::translation;
  }

  bool InTranslation() const {
    const Destination d = m_states.back().destination;
    return m_entry == EntryState::translation && (d == dest_text || d == dest_punctuation);
  }

  void AddText(std::string_view bytes, DWORD begin, DWORD end) {
    if (m_decoder.takes_as_it_is(bytes)) {
      m_text += bytes;
      return;
    }
    // Only a file with 8-bit bytes in its text needs to know what they are.
    if (!m_bEncodingKnown) SetUtf8(is_utf8(m_bytes));
    m_decoder.text(bytes, m_text,
                   m_bRawUtf8 && !m_bEscapesUtf8 ? EscapedBytes(bytes, begin, end) : "");
    TakeUnrepresentable();
  }

  // Which bytes of the text the file spells from `begin` to `end` came from
  // \'hh escapes: the scanner gives them resolved, like raw bytes.
  std::string_view EscapedBytes(std::string_view text, DWORD begin, DWORD end) {
    m_raw.clear();
    ReadBytes(begin, end, m_raw);
    m_escaped.clear();
    for (std::size_t i = 0; i < m_raw.size(); ++i) {
      if (is_line_break(m_raw[i])) continue;
      const bool escape = m_raw[i] == '\\' && i + 1 < m_raw.size();
      m_escaped += escape ? '\1' : '\0';
      if (escape) i += m_raw[i + 1] == '\'' ? 3 : 1;
    }
    // A token the file does not spell so (one cut at the scanner's limit) is
    // taken as raw bytes.
    if (m_escaped.size() != text.size()) m_escaped.clear();
    return m_escaped;
  }

  // Text stops here: an escape's fallback or a UTF-8 sequence ends.
  void Break() {
    if (m_entry != EntryState::translation) return;
    m_decoder.flush(m_text);
    TakeUnrepresentable();
  }

  void TakeUnrepresentable() {
    if (!m_decoder.found().empty()) KeepUnrepresentable();
  }

  void KeepUnrepresentable() {
    std::vector<rtf_text::unrepresentable>& found = m_decoder.found();
    for (const rtf_text::unrepresentable& character : found)
      if (!character.rtf.empty()) AddPiece(character.rtf, character.position);
    found.clear();
  }

  // Keeps the file's bytes from `begin` to `end` with the current entry.
  void KeepBytes(DWORD begin, DWORD end) {
    // A kept group is kept whole when it closes.
    if (!InEntry() || end <= begin || m_states.back().destination == dest_skip) return;
    const std::size_t position = m_entry == EntryState::translation ? m_text.size() : 0;
    if (!m_pieces.empty()) {
      Piece& last = m_pieces.back();
      if (last.end == begin && last.position == position &&
          last.offset + last.length == m_pieceBytes.size()) {
        ReadBytes(begin, end, m_pieceBytes);
        last.length = m_pieceBytes.size() - last.offset;
        last.end = end;
        return;
      }
    }
    std::string bytes;
    ReadBytes(begin, end, bytes);
    const std::string_view kept = trim_line_breaks(bytes);
    if (kept.empty()) return;
    AddPiece(kept, position);
    m_pieces.back().end = end;
  }

  void AddPiece(std::string_view rtf, std::size_t position) {
    m_pieces.push_back({position, m_pieceBytes.size(), rtf.size(), 0});
    m_pieceBytes += rtf;
    if (m_states.back().entry == m_entries) m_states.back().holds_extras = true;
  }

  void AddPiece(std::string_view rtf) { AddPiece(rtf, m_text.size()); }

  // The file's bytes between two stream offsets, appended to `out`.
  void ReadBytes(DWORD begin, DWORD end, std::string& out) {
    if (begin < m_bytes.size()) out += m_bytes.substr(begin, end - begin);
  }

  void EndOutline() {
    const std::string_view text = trim_spaces(m_outline);
    const std::optional<UINT> code_page = std::exchange(m_outlineCodePage, std::nullopt);
    if (!read_outline_keys(text, m_keys)) {
      m_entry = EntryState::invalid;
      m_invalid.push_back({0, std::string(text), {}, 0});
      m_invalidOffsets.push_back(m_dwOutlineOffset);
      return;
    }
    if (code_page) SetCodePage(*code_page);
    BeginTranslation();
  }

  void BeginTranslation() {
    m_entry = EntryState::translation;
    m_text.clear();
    m_bAttachBefore = m_bAttachAfter = m_bCapitalize = false;
    m_explicitFlags.reset();
  }

  // Punctuation carries the spacing of its source in blanks around the mark;
  // spacing is the text rules' business here.
  void EndPunctuation() {
    const std::size_t start = std::min(m_punctuationStart, m_text.size());
    const std::string_view group = std::string_view(m_text).substr(start);
    const std::string_view mark = trim_spaces(group);
    const std::size_t lead = static_cast<std::size_t>(mark.data() - group.data());
    m_text = m_text.substr(0, start) + std::string(mark);
    for (Piece& piece : m_pieces)
      if (piece.position > start)
        piece.position =
            std::min(piece.position > start + lead ? piece.position - lead : start, m_text.size());
  }

  void CommitEntry(DWORD end) {
    Break();
    // An outline the file breaks off in names an entry without text when
    // the notation takes it; one it does not take is no entry at all, since
    // whatever closed it when written back could make it one.
    if (m_entry == EntryState::outline) {
      if (read_outline_keys(trim_spaces(m_outline), m_keys))
        EndOutline();
      else
        m_entry = EntryState::none;
    }
    if (m_entry == EntryState::translation) {
      const bool attach_after = m_bAttachAfter && m_attachedAt == m_text.size();
      const WORD flags =
          m_explicitFlags.value_or(cre_marker_flags(m_bAttachBefore, attach_after, m_bCapitalize));
      m_extras.clear();
      for (const Piece& piece : m_pieces) {
        const std::string_view rtf =
            std::string_view(m_pieceBytes).substr(piece.offset, piece.length);
        if (!binary_cut_short(rtf))
          m_extras.push_back({std::min(piece.position, m_text.size()), rtf});
      }
      m_dictionary.Append({reinterpret_cast<const BYTE*>(m_keys.data()), m_keys.size()}, m_text,
                          CTranFlags(flags), m_extras);
    } else if (m_entry == EntryState::invalid) {
      std::string bytes;
      ReadBytes(m_entryBegin, end, bytes);
      CStenoDictionary::InvalidOutline& invalid = m_invalid.back();
      // Line breaks trimmed again, in case a brace left out stood after one.
      invalid.rtf = trim_line_breaks(balance_groups(trim_line_breaks(bytes)));
      invalid.before = m_dictionary.GetCount();
    }
    m_entry = EntryState::none;
    m_pieces.clear();
    m_pieceBytes.clear();
  }

  CStenoDictionary& m_dictionary;
  std::vector<CStenoDictionary::InvalidOutline>& m_invalid;
  // The file's bytes from where the parse began, which stream offsets count
  // from.
  std::string_view m_bytes;
  bool m_bTakePlainEntries;
  CRtfScanner* m_pScanner = nullptr;
  const TypeTable& m_types = type_table();
  long m_lError = 0;
  // The stream offset of the last "{" whose "\*" was taken out.
  DWORD m_optionalGroup = ~DWORD{0};
  // The open groups, the outermost first.
  std::vector<Group> m_states{Group{}};
  std::vector<DWORD> m_invalidOffsets;

  rtf_text::decoder m_decoder;
  bool m_bEncodingKnown = false;
  bool m_bRawUtf8 = false;
  // Declared UTF-8: its escapes are UTF-8 bytes too.
  bool m_bEscapesUtf8 = false;
  std::string m_raw;
  std::string m_escaped;

  EntryState m_entry = EntryState::none;
  unsigned m_entries = 0;  // entries begun, so that each has its own number
  DWORD m_entryBegin = 0;
  std::size_t m_entryDepth = 0;
  std::string m_outline;
  std::optional<UINT> m_outlineCodePage;
  DWORD m_dwOutlineOffset = 0;
  std::string m_keys;
  std::string m_text;
  // Where the entries taken straight from the bytes are read.
  PlainKeys m_plainKeys;
  std::string m_plainText;
  std::size_t m_punctuationStart = 0;
  bool m_bAttachBefore = false;
  bool m_bAttachAfter = false;
  std::size_t m_attachedAt = 0;
  bool m_bCapitalize = false;
  std::optional<WORD> m_explicitFlags;
  std::vector<Piece> m_pieces;
  std::string m_pieceBytes;
  std::vector<CStenoDictionary::Extra> m_extras;
};

// Line numbers cost a second pass, so only files with invalid outlines pay it.
void number_lines(std::string_view bytes, const std::vector<DWORD>& offsets,
                  std::span<CStenoDictionary::InvalidOutline> invalid) {
  unsigned long line = 1;
  std::size_t position = 0;
  for (std::size_t next = 0; next < offsets.size(); ++next) {
    const std::size_t offset = std::min<std::size_t>(offsets[next], bytes.size());
    for (; position < offset; ++position)
      if (bytes[position] == '\n' || (bytes[position] == '\r' && (position + 1 == bytes.size() ||
                                                                  bytes[position + 1] != '\n')))
        ++line;
    invalid[next].line = line;
  }
}

constexpr std::size_t most_bytes = std::numeric_limits<DWORD>::max();

struct Unmap {
  void operator()(LPCVOID view) const { UnmapViewOfFile(view); }
};

// The file's bytes from where it stands to its end, or to where stream
// offsets end, followed by a NUL: a view of the file, or a copy.
struct FileBytes {
  std::unique_ptr<char[]> copy;
  std::unique_ptr<const void, Unmap> mapped;
  const char* data = nullptr;
  std::size_t size = 0;
  std::string_view view() const { return {data, size}; }
  // False when the file was cut short under the view, so that some of the
  // bytes read as zeros.
  bool intact() const { return !mapped || KelmIsViewIntact(mapped.get()); }
};

// One read for a file whose length is known, more for one that grows or has
// none (a pipe), whose room doubles, so that its bytes are copied a few times
// at most; the memory is not cleared first, which would cost as much as the
// read.
void read_rest(CFile& file, FileBytes& bytes) {
  const ULONGLONG start = file.GetPosition();
  const ULONGLONG length = file.GetLength();
  std::size_t room = static_cast<std::size_t>(
      std::min<ULONGLONG>(length > start ? length - start : 0, most_bytes));
  bytes.copy = std::make_unique_for_overwrite<char[]>(room + 1);
  for (;;) {
    const std::size_t wanted = room - bytes.size;
    const UINT got =
        wanted == 0 ? 0 : file.Read(bytes.copy.get() + bytes.size, static_cast<UINT>(wanted));
    bytes.size += got;
    if (bytes.size == most_bytes || (got == 0 && wanted > 0)) break;
    if (bytes.size == room) {
      room = std::min(most_bytes, std::max(2 * room, room + (1 << 16)));
      auto larger = std::make_unique_for_overwrite<char[]>(room + 1);
      std::memcpy(larger.get(), bytes.copy.get(), bytes.size);
      bytes.copy = std::move(larger);
    }
  }
  bytes.copy[bytes.size] = '\0';
  bytes.data = bytes.copy.get();
}

// Room for what a file of `bytes` bytes is likely to hold, so that a load
// neither copies its arenas as they grow nor faults in their pages twice.
// Entries in real dictionaries take 20 to 40 bytes of RTF each; what is only
// reserved costs address space, not memory.
void reserve_for(CStenoDictionary& dictionary, ULONGLONG bytes) {
  const std::size_t size = static_cast<std::size_t>(std::min<ULONGLONG>(bytes, max_arena));
  dictionary.Reserve(size / 16, size / 4, size / 2);
}

// Whether the bytes begin as RTF: "{\rtf" after blanks and line breaks, and
// after a UTF-8 byte-order mark, which editors put before UTF-8 text.
bool begins_as_rtf(std::string_view head, bool& utf8_mark) {
  utf8_mark = head.starts_with("\xEF\xBB\xBF");
  if (utf8_mark) head.remove_prefix(3);
  while (!head.empty() &&
         (head.front() == ' ' || head.front() == '\t' || is_line_break(head.front())))
    head.remove_prefix(1);
  return head.starts_with("{\\rtf");
}

constexpr std::size_t head_bytes = 512;

// The view of the file from where it stands, once its head shows RTF. A
// regular file is mapped: its pages are the system's file cache, neither
// cleared nor copied, which the load would otherwise spend as long on as on
// the entries (a file cut short meanwhile is caught, see Read). False when
// it does not map, or (with `refused`) when it is not RTF; the file is left
// where it stood.
bool map_rtf(CFile& file, FileBytes& bytes, bool& utf8_mark, bool& refused) {
  // A class of the caller's may give other bytes than the descriptor's.
  if (typeid(file) != typeid(CFile) || !file.IsOpen()) return false;
  const ULONGLONG start = file.GetPosition();
  const ULONGLONG length = file.GetLength();
  if (start >= length) return false;
  // Made first, since it tells a regular file, which can go back after its
  // head is read.
  const HANDLE mapping =
      CreateFileMappingA(file.m_hFile, nullptr, PAGE_READONLY, static_cast<DWORD>(length >> 32),
                         static_cast<DWORD>(length), nullptr);
  if (mapping == nullptr) return false;
  char head[head_bytes];
  const std::string_view read(head, file.Read(head, sizeof head));
  file.Seek(static_cast<LONGLONG>(start), CFile::begin);
  refused = !begins_as_rtf(read, utf8_mark);
  const ULONGLONG first = start - start % KELM_ALLOCATION_GRANULARITY;
  const auto size = static_cast<std::size_t>(std::min<ULONGLONG>(length - start, most_bytes));
  LPVOID view =
      refused ? nullptr
              : MapViewOfFile(mapping, FILE_MAP_READ, static_cast<DWORD>(first >> 32),
                              static_cast<DWORD>(first), static_cast<SIZE_T>(start - first + size));
  CloseHandle(mapping);
  if (view == nullptr) return false;
  bytes.mapped.reset(view);
  bytes.data = static_cast<const char*>(view) + (start - first);
  bytes.size = size;
  return true;
}

// The file's bytes from where it stands, when they begin as RTF: mapped, or
// read whole before they are looked at, so that a pipe need not go back. A
// file refused is left where it stood, or at its end when it cannot go back.
bool take_rtf(CFile& file, FileBytes& bytes, bool& utf8_mark) {
  bool refused = false;
  if (map_rtf(file, bytes, utf8_mark, refused)) return true;
  if (refused) return false;
  const ULONGLONG start = file.GetPosition();
  read_rest(file, bytes);
  if (begins_as_rtf(bytes.view().substr(0, head_bytes), utf8_mark)) return true;
  try {
    file.Seek(static_cast<LONGLONG>(start), CFile::begin);
  } catch (const CFileException&) {
    // A pipe: what was read is gone with the refusal.
  }
  return false;
}

long file_error_code(const CFileException& error) {
  return CStenoDictionary::errorFile + error.m_cause;
}

}  // namespace

long CStenoDictionary::Read(CFile& file) { return Read(file, true); }

long CStenoDictionary::Read(CFile& file, bool bTakePlainEntries) {
  m_nDuplicates = 0;
  m_nUnrepresentable = 0;
  const ULONGLONG start = file.GetPosition();
  // The whole file in memory, so that the reader takes entries and the
  // pieces it keeps straight from its bytes.
  FileBytes bytes;
  bool utf8_mark = false;
  if (!take_rtf(file, bytes, utf8_mark)) return errorNotRtf;
  const std::size_t entries_before = m_entries.size();
  const std::size_t keys_before = m_keys.size();
  const std::size_t text_before = m_text.size();
  const std::size_t extras_before = m_extras.size();
  reserve_for(*this, bytes.size);
  const std::size_t first_invalid = m_invalid.size();
  DictionaryReader reader(*this, m_invalid, bytes.view(), utf8_mark, bTakePlainEntries);
  // The parser only reads it.
  CMemFile memory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data)),
                  static_cast<UINT>(bytes.size));
  long result = 0;
  {
    CRtfParser parser(memory, &reader);
    reader.SetScanner(parser.GetScannerPtr());
    result = parser.Run(true);
  }
  if (result == 0) result = reader.GetError();
  const ULONGLONG end = memory.GetPosition();
  reader.Finish(static_cast<DWORD>(end));
  // Where the parse stopped, as when the scanner read the file itself. A
  // pipe, which cannot go back, was read to its end: it stays there when the
  // parse took it all.
  if (file.GetPosition() != start + end)
    file.Seek(static_cast<LONGLONG>(start + end), CFile::begin);
  // Entries read from bytes that turned to zeros would be wrong without a
  // sign: the dictionary stays as it was, as if the file had not opened.
  if (!bytes.intact()) {
    m_entries.resize(entries_before);
    m_keys.resize(keys_before);
    m_text.resize(text_before);
    m_extras.resize(extras_before);
    m_invalid.resize(first_invalid);
    return errorFile + CFileException::sharingViolation;
  }
  m_nUnrepresentable = reader.GetUnrepresentableCount();
  m_nDuplicates = IndexAppended();
  number_lines(bytes.view(), reader.GetInvalidOffsets(),
               std::span(m_invalid).subspan(first_invalid));
  return result;
}

long CStenoDictionary::Read(LPCSTR path) {
  CFile file;
  CFileException error;
  if (!file.Open(path, CFile::modeRead | CFile::typeBinary, &error)) return file_error_code(error);
  try {
    return Read(file);
  } catch (const CFileException& e) {
    return file_error_code(e);
  }
}

CString CStenoDictionary::GetErrorText(long code) const {
  if (code == errorNotRtf) return "The file is not RTF: it does not begin with {\\rtf.";
  if (code > errorFile) return CFileException(static_cast<int>(code - errorFile)).Describe();
  CFile none;
  if (code >= 10) return CRtfParser(none, nullptr).GetErrorText(static_cast<int>(code));
  return CRtfScanner(none).GetErrorText(code);
}
