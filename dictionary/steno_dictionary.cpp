#include "dictionary/steno_dictionary.h"

#include "dictionary/rtf_cre_writer.h"
#include "platform/exception.h"
#include "rtf/rtf_control_words.h"
#include "rtf/rtf_parser.h"
#include "rtf/rtf_parser_client.h"
#include "rtf/rtf_scanner.h"
#include "textrules/string_rules.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace {

constexpr int grandjean_off = 0;
constexpr std::size_t stroke_bytes = CStroke::PackedSize;
constexpr std::size_t max_keys_length = 0xFFFF;
constexpr std::size_t max_arena = 0xFFFFFFFFu;

constexpr std::string_view paragraph_mark = CStringRules::szParagraphMark;

std::uint32_t hash_keys(std::span<const BYTE> keys) {
  std::uint32_t hash = 2166136261u;
  for (BYTE b : keys) hash = (hash ^ b) * 16777619u;
  // FNV leaves its low bits, the ones a slot index takes, poorly mixed.
  hash ^= hash >> 15;
  hash *= 0x2c1b3c6dU;
  return hash ^ (hash >> 12);
}

std::string keys_of(const CSteno& outline) {
  std::string keys;
  keys.reserve(stroke_bytes * static_cast<std::size_t>(outline.GetStrokeCount()));
  for (int i = 0; i < outline.GetStrokeCount(); ++i) {
    const BYTE* b = outline[i].GetKeyBytes();
    keys.append(reinterpret_cast<const char*>(b), stroke_bytes);
  }
  return keys;
}

std::span<const BYTE> as_bytes(std::string_view text) {
  return {reinterpret_cast<const BYTE*>(text.data()), text.size()};
}

// --- Reading -----------------------------------------------------------

enum Action { action_char = 1, action_destination = 2, action_property = 3, action_special = 4 };

enum Destination { dest_text, dest_outline, dest_punctuation, dest_skip };
enum Special { special_attach, special_capitalize, special_paragraph };
enum Property { property_flags };

struct ControlWord {
  const char* word;
  int action;
  int index;
};

// Destinations that hold no translation text are skipped whole; stitches
// keep their text, so that a stitched entry is not cut short.
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

std::string_view trim_spaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// The flags that \cxds and \cxfc stand for: a \cxds before any text attaches
// to what comes before (Suffix), one after all text to what follows
// (Prefix); with no text at all it is both.
WORD marker_flags(bool attach_before, bool attach_after, bool capitalize) {
  CTranFlags flags;
  flags.SetSuffix(attach_before);
  flags.SetPrefix(attach_after);
  flags.SetCapitalizeNext(capitalize);
  return flags.GetUShort();
}

// Key letters in key order, from S- (position 2) to -Z (position 23); position
// p is bit 23 - p of the stroke's three key bytes read as one number.
constexpr std::string_view key_letters = "STKPWHRAO*EUFRPBLGTSDZ";
constexpr int first_letter_position = 2;
constexpr int last_vowel_position = 13;

// The positions a letter names, S, T, P and R two, with their key bits. The
// hyphen names the last vowel's position without its key, so that only the
// right bank may follow it.
struct letter_keys {
  int position[2] = {-1, -1};
  std::uint32_t bit[2] = {0, 0};
};

constexpr std::array<letter_keys, 256> letter_table = [] {
  std::array<letter_keys, 256> table{};
  for (int p = first_letter_position; p < first_letter_position + int(key_letters.size()); ++p) {
    letter_keys& l = table[static_cast<unsigned char>(key_letters[p - first_letter_position])];
    const int which = l.position[0] < 0 ? 0 : 1;
    l.position[which] = p;
    l.bit[which] = 1u << (23 - p);
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
// key order that is exactly "the next one".) Such a text is read here, which
// spares the notation's general reader. Nothing when the text is not in key
// order (lower case, digits, the mark, a key out of order or repeated, a
// hyphen after -U or a right key, any other character): the notation reads
// it then.
std::optional<std::uint32_t> keys_in_key_order(std::string_view text) {
  std::uint32_t keys = 0;
  int last = first_letter_position - 1;
  for (const char c : text) {
    const letter_keys& named = letter_table[static_cast<unsigned char>(c)];
    // A mask, not a branch: which of S's two keys comes next is as good as
    // random, and `last` is the loop's one chain of dependence.
    const int second = -static_cast<int>(named.position[0] <= last);
    const int p = named.position[0] ^ ((named.position[0] ^ named.position[1]) & second);
    if (p <= last) return std::nullopt;
    keys |= named.bit[0] ^ ((named.bit[0] ^ named.bit[1]) & static_cast<std::uint32_t>(second));
    last = p;
  }
  return keys;
}

// False when the notation refuses the stroke or it is empty (an empty stroke
// has no text form, so it could never be written back).
bool read_stroke_keys(std::string_view text, BYTE (&keys)[stroke_bytes]) {
  if (const std::optional<std::uint32_t> in_order = keys_in_key_order(text)) {
    keys[0] = static_cast<BYTE>(*in_order >> 16);
    keys[1] = static_cast<BYTE>(*in_order >> 8);
    keys[2] = static_cast<BYTE>(*in_order);
    return *in_order != 0;
  }
  CStroke stroke;
  if (stroke.SetRtf(CString(text), grandjean_off) != 0 || stroke.IsEmpty()) return false;
  std::memcpy(keys, stroke.GetKeyBytes(), stroke_bytes);
  return true;
}

// The outline's strokes, read as CSteno::SetRtf reads them, packed into keys
// (reused, so that an entry costs no allocation). False when a stroke is
// refused or empty, or there is no stroke or too many.
bool read_outline_keys(std::string_view text, std::string& keys) {
  keys.clear();
  if (text.empty()) return false;
  for (std::size_t start = 0;;) {
    const std::size_t slash = text.find('/', start);
    const bool last = slash == std::string_view::npos;
    const std::string_view piece =
        text.substr(start, last ? std::string_view::npos : slash - start);
    if (last || !piece.empty()) {
      BYTE stroke[stroke_bytes];
      if (!read_stroke_keys(piece, stroke)) return false;
      keys.append(reinterpret_cast<const char*>(stroke), stroke_bytes);
    }
    if (last) return keys.size() <= max_keys_length;
    start = slash + 1;
  }
}

class DictionaryReader : public CRtfParserClient {
 public:
  DictionaryReader(CStenoDictionary& dictionary,
                   std::vector<CStenoDictionary::InvalidOutline>& invalid)
      : m_dictionary(dictionary), m_invalid(invalid) {}

  // The parser's scanner, whose current token tells where an outline starts.
  void SetScanner(CRtfScanner* scanner) { m_pScanner = scanner; }
  // Stores the last entry; the parse has no token that ends it.
  void Finish() { CommitEntry(); }
  // Stream offsets of the invalid outlines, in the order of m_invalid.
  const std::vector<DWORD>& GetInvalidOffsets() const { return m_invalidOffsets; }

  long PushState() override {
    m_states.push_back(m_states.back());
    return 0;
  }

  long PopState() override {
    // A stray "}" must not take the outermost state away.
    if (m_states.size() == 1) return 0;
    const Destination closed = m_states.back();
    m_states.pop_back();
    if (closed != m_states.back()) EndDestination(closed);
    return 0;
  }

  long ChangeDestination(int nIndex) override {
    Destination& destination = m_states.back();
    // Nothing inside a skipped group or an outline starts anything.
    if (destination == dest_skip || destination == dest_outline) return 0;
    destination = static_cast<Destination>(nIndex);
    if (nIndex == dest_outline) {
      CommitEntry();
      m_entry = EntryState::outline;
      m_outline.clear();
      m_dwOutlineOffset = m_pScanner ? m_pScanner->GetToken(0)->GetStreamOffset() : 0;
    } else if (nIndex == dest_punctuation) {
      m_punctuationStart = m_text.size();
    }
    return 0;
  }

  long EndDestination(int nIndex) override {
    if (nIndex == dest_outline) EndOutline();
    if (nIndex == dest_punctuation) EndPunctuation();
    return 0;
  }

  long OutputText(const char* szText, bool) override {
    switch (m_states.back()) {
      case dest_outline:
        m_outline += szText;
        break;
      case dest_text:
      case dest_punctuation:
        AddText(szText);
        break;
      case dest_skip:
        break;
    }
    return 0;
  }

  long OutputChar(int nIndex) override {
    const char c = static_cast<char>(nIndex);
    AddText(std::string_view(&c, 1));
    return 0;
  }

  long ApplySpecialControl(int nIndex) override {
    if (!InTranslation()) return 0;
    switch (nIndex) {
      case special_attach:
        if (!m_bHasText) m_bAttachBefore = true;
        m_bAttachAfter = true;
        break;
      case special_capitalize:
        m_bCapitalize = true;
        break;
      case special_paragraph:
        AddText(paragraph_mark);
        break;
    }
    return 0;
  }

  long ApplyPropChange(int nIndex, long lValue) override {
    if (nIndex == property_flags && InTranslation()) m_explicitFlags = static_cast<WORD>(lValue);
    return 0;
  }

  const RTFTransTblEntry* GetTransTbl() override { return translation_table().data(); }
  int GetTransTblEntries() override { return static_cast<int>(translation_table().size()); }

 private:
  enum class EntryState { none, outline, translation, invalid };

  bool InTranslation() const {
    const Destination d = m_states.back();
    return m_entry == EntryState::translation && (d == dest_text || d == dest_punctuation);
  }

  void AddText(std::string_view text) {
    if (!InTranslation() || text.empty()) return;
    m_text += text;
    m_bHasText = true;
    m_bAttachAfter = false;
  }

  void EndOutline() {
    const std::string_view text = trim_spaces(m_outline);
    if (!read_outline_keys(text, m_keys)) {
      m_entry = EntryState::invalid;
      m_invalid.push_back({0, std::string(text)});
      m_invalidOffsets.push_back(m_dwOutlineOffset);
      return;
    }
    m_entry = EntryState::translation;
    m_text.clear();
    m_bHasText = m_bAttachBefore = m_bAttachAfter = m_bCapitalize = false;
    m_explicitFlags.reset();
  }

  // Punctuation carries the spacing of its source in blanks around the mark;
  // spacing is the text rules' business here.
  void EndPunctuation() {
    const std::size_t start = std::min(m_punctuationStart, m_text.size());
    const std::string_view mark = trim_spaces(std::string_view(m_text).substr(start));
    m_text = m_text.substr(0, start) + std::string(mark);
  }

  void CommitEntry() {
    if (m_entry == EntryState::translation) {
      const WORD flags =
          m_explicitFlags.value_or(marker_flags(m_bAttachBefore, m_bAttachAfter, m_bCapitalize));
      m_dictionary.Append(as_bytes(m_keys), m_text, CTranFlags(flags));
    }
    m_entry = EntryState::none;
  }

  CStenoDictionary& m_dictionary;
  std::vector<CStenoDictionary::InvalidOutline>& m_invalid;
  CRtfScanner* m_pScanner = nullptr;
  // The destination of each open group, the outermost first.
  std::vector<Destination> m_states{dest_text};
  std::vector<DWORD> m_invalidOffsets;

  EntryState m_entry = EntryState::none;
  std::string m_outline;
  DWORD m_dwOutlineOffset = 0;
  std::string m_keys;
  std::string m_text;
  std::size_t m_punctuationStart = 0;
  bool m_bHasText = false;
  bool m_bAttachBefore = false;
  bool m_bAttachAfter = false;
  bool m_bCapitalize = false;
  std::optional<WORD> m_explicitFlags;
};

// Line numbers cost a second pass, so only files with invalid outlines pay it.
void number_lines(CFile& file, ULONGLONG start, const std::vector<DWORD>& offsets,
                  std::vector<CStenoDictionary::InvalidOutline>& invalid) {
  if (offsets.empty()) return;
  file.Seek(static_cast<LONGLONG>(start), CFile::begin);
  char buffer[65536];
  unsigned long line = 1;
  DWORD position = 0;
  std::size_t next = 0;
  char previous = 0;
  for (UINT got = 0; next < offsets.size() && (got = file.Read(buffer, sizeof buffer)) > 0;) {
    for (UINT i = 0; i < got && next < offsets.size(); ++i, ++position) {
      while (next < offsets.size() && offsets[next] == position) invalid[next++].line = line;
      const char c = buffer[i];
      if (c == '\n' || (previous == '\r' && c != '\n')) ++line;
      previous = c;
    }
  }
  for (; next < offsets.size(); ++next) invalid[next].line = line;
}

// Room for what a file of `bytes` bytes is likely to hold, so that a load
// neither copies its arenas as they grow nor faults in their pages twice.
// Entries in real dictionaries take 20 to 40 bytes of RTF each; what is only
// reserved costs address space, not memory.
void reserve_for(CStenoDictionary& dictionary, ULONGLONG bytes) {
  const std::size_t size = static_cast<std::size_t>(std::min<ULONGLONG>(bytes, max_arena));
  dictionary.Reserve(size / 16, size / 4, size / 2);
}

// Codes of our own sit above the parser's and scanner's (1 to 99); a file
// error is its CFileException cause above file_error_base.
constexpr long file_error_base = 1000;

long file_error_code(const CFileException& error) { return file_error_base + error.m_cause; }

// --- Writing -----------------------------------------------------------

bool is_punctuation_mark(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(),
                                      [](char c) { return CStringRules::IsPunctuation(c) != 0; });
}

class DictionaryWriter : public CRtfCreWriter {
 public:
  DictionaryWriter(CFile& file, const CStenoDictionary& dictionary, CTime created)
      : CRtfCreWriter(file, created), m_dictionary(dictionary) {}

  void Header() override { WriteHeader(true); }

  void Document() override {
    for (std::size_t i = 0; i < m_dictionary.GetCount(); ++i) WriteEntry(i);
    NewLine();
  }

 private:
  // One entry a line, as dictionaries are read by people too.
  void NewLine() {
    m_pFile->Write("\r\n", 2);
    m_nColumn = 1;
  }

  void WriteEntry(std::size_t index) {
    NewLine();
    WriteOutline(m_dictionary.GetKeys(index));

    const CStenoDictionary::Translation t = m_dictionary.GetTranslation(index);
    const bool suffix = t.flags.GetSuffix(), prefix = t.flags.GetPrefix();
    const bool capitalize = t.flags.GetCapitalizeNext();
    // With no text a single \cxds reads as both, so one of them alone needs
    // the flag word.
    const bool bare = t.text.empty() && (suffix || prefix);
    const WORD expressed =
        bare ? marker_flags(true, true, capitalize) : marker_flags(suffix, prefix, capitalize);
    if (expressed != t.flags.GetUShort())
      OutputKeyParam(szRTFCW_cxkelmdictflags, t.flags.GetUShort(), 0);
    if (suffix || bare) EmitKeyword(szRTFCW_cxds, 0);
    if (is_punctuation_mark(t.text))
      WritePunctuation(t.text);
    else
      WriteText(t.text, false);
    if (capitalize) EmitKeyword(szRTFCW_cxfc, 0);
    if (prefix && !bare) EmitKeyword(szRTFCW_cxds, 0);
  }

  void WritePunctuation(std::string_view mark) {
    EmitKeyword(szRTFGROUPBEGIN, 0);
    EmitKeyword(szRTFCW_cxp, 0);
    // A mark ends the control word by itself, except a hyphen, which would
    // be read as the sign of a parameter.
    if (mark.front() != '-') m_bDelimited = TRUE;
    EmitText(mark);
    EmitKeyword(szRTFGROUPEND, 0);
  }

  const CStenoDictionary& m_dictionary;
};

}  // namespace

// --- The dictionary ----------------------------------------------------

std::span<const BYTE> CStenoDictionary::KeysOf(const Entry& entry) const {
  return as_bytes(std::string_view(m_keys).substr(entry.keys_offset, entry.keys_length));
}

std::size_t CStenoDictionary::FindSlot(std::span<const BYTE> keys, std::uint32_t hash) const {
  const std::size_t mask = m_slots.size() - 1;
  for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const Slot& held = m_slots[slot];
    if (held.entry == 0) return slot;
    if (held.hash == hash && std::ranges::equal(KeysOf(m_entries[held.entry - 1]), keys))
      return slot;
  }
}

void CStenoDictionary::Grow() {
  m_slots.assign(std::max<std::size_t>(1024, m_slots.size() * 2), Slot{0, 0});
  const std::size_t mask = m_slots.size() - 1;
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    std::size_t slot = m_entries[i].hash & mask;
    while (m_slots[slot].entry != 0) slot = (slot + 1) & mask;
    m_slots[slot] = {m_entries[i].hash, static_cast<std::uint32_t>(i + 1)};
  }
}

void CStenoDictionary::CheckRoom(std::span<const BYTE> keys, std::string_view text) const {
  if (keys.size() > max_keys_length || m_keys.size() + keys.size() > max_arena ||
      m_text.size() + text.size() > max_arena)
    throw std::length_error("steno dictionary too large");
}

bool CStenoDictionary::Set(std::span<const BYTE> keys, std::string_view text, CTranFlags flags) {
  CheckRoom(keys, text);
  if (m_indexed != m_entries.size()) IndexAppended();
  // Half full at most, so that a miss ends after a probe or two.
  if (2 * (m_entries.size() + 1) > m_slots.size()) Grow();
  const std::uint32_t hash = hash_keys(keys);
  const std::size_t slot = FindSlot(keys, hash);
  Entry* entry = m_slots[slot].entry ? &m_entries[m_slots[slot].entry - 1] : nullptr;
  const bool replaced = entry != nullptr;
  if (!entry) {
    m_entries.push_back({static_cast<std::uint32_t>(m_keys.size()), 0, 0, hash,
                         static_cast<std::uint16_t>(keys.size()), 0});
    m_keys.append(reinterpret_cast<const char*>(keys.data()), keys.size());
    m_slots[slot] = {hash, static_cast<std::uint32_t>(m_entries.size())};
    entry = &m_entries.back();
  }
  // A replacement that fits reuses the old text's place.
  if (!replaced || text.size() > entry->text_length) {
    entry->text_offset = static_cast<std::uint32_t>(m_text.size());
    m_text.append(text);
  } else {
    m_text.replace(entry->text_offset, text.size(), text);
  }
  entry->text_length = static_cast<std::uint32_t>(text.size());
  entry->flags = flags.GetUShort();
  m_indexed = m_entries.size();
  return replaced;
}

void CStenoDictionary::Reserve(std::size_t entries, std::size_t key_bytes, std::size_t text_bytes) {
  m_entries.reserve(m_entries.size() + entries);
  m_keys.reserve(m_keys.size() + key_bytes);
  m_text.reserve(m_text.size() + text_bytes);
}

void CStenoDictionary::Append(std::span<const BYTE> keys, std::string_view text, CTranFlags flags) {
  CheckRoom(keys, text);
  m_entries.push_back({static_cast<std::uint32_t>(m_keys.size()),
                       static_cast<std::uint32_t>(m_text.size()),
                       static_cast<std::uint32_t>(text.size()), hash_keys(keys),
                       static_cast<std::uint16_t>(keys.size()), flags.GetUShort()});
  m_keys.append(reinterpret_cast<const char*>(keys.data()), keys.size());
  m_text.append(text);
}

std::size_t CStenoDictionary::IndexAppended() {
  const std::size_t count = m_entries.size();
  std::size_t size = std::max<std::size_t>(1024, m_slots.size());
  while (2 * count > size) size *= 2;
  std::size_t first = m_indexed;
  if (size != m_slots.size()) {
    m_slots.assign(size, Slot{0, 0});
    first = 0;
  }
  std::vector<std::uint32_t> dead = IndexFrom(first);
  if (!dead.empty()) DropDead(dead);
  m_indexed = m_entries.size();
  return count - m_entries.size();
}

std::vector<std::uint32_t> CStenoDictionary::IndexFrom(std::size_t first) {
  // Slots are touched in no order; asking for a slot some entries ahead lets
  // the misses overlap instead of waiting for each in turn.
  constexpr std::size_t ahead = 16;
  const std::size_t mask = m_slots.size() - 1;
  const std::size_t count = m_entries.size();
  std::vector<std::uint32_t> dead;
  for (std::size_t i = first; i < count; ++i) {
    if (i + ahead < count) __builtin_prefetch(&m_slots[m_entries[i + ahead].hash & mask]);
    const Entry& entry = m_entries[i];
    const std::size_t slot = FindSlot(KeysOf(entry), entry.hash);
    if (m_slots[slot].entry == 0) {
      m_slots[slot] = {entry.hash, static_cast<std::uint32_t>(i + 1)};
      continue;
    }
    Entry& held = m_entries[m_slots[slot].entry - 1];
    held.text_offset = entry.text_offset;
    held.text_length = entry.text_length;
    held.flags = entry.flags;
    dead.push_back(static_cast<std::uint32_t>(i));
  }
  return dead;
}

// The dead entries' outline and text bytes stay in the arenas: duplicates
// are few, and moving the arenas would cost more than they hold.
void CStenoDictionary::DropDead(const std::vector<std::uint32_t>& dead) {
  const std::size_t first = dead.front();
  // The new index of each entry from the first dead one on.
  std::vector<std::uint32_t> moved(m_entries.size() - first);
  std::size_t kept = first;
  for (std::size_t i = first, d = 0; i < m_entries.size(); ++i) {
    if (d < dead.size() && dead[d] == i) {
      ++d;
      continue;
    }
    moved[i - first] = static_cast<std::uint32_t>(kept);
    m_entries[kept++] = m_entries[i];
  }
  m_entries.resize(kept);
  for (Slot& slot : m_slots)
    if (slot.entry > first) slot.entry = moved[slot.entry - 1 - first] + 1;
}

std::optional<CStenoDictionary::Translation> CStenoDictionary::Lookup(
    std::span<const BYTE> keys) const {
  if (m_slots.empty()) return std::nullopt;
  const Slot& held = m_slots[FindSlot(keys, hash_keys(keys))];
  if (held.entry == 0) return std::nullopt;
  return GetTranslation(held.entry - 1);
}

std::optional<CStenoDictionary::Translation> CStenoDictionary::Lookup(const CSteno& outline) const {
  return Lookup(as_bytes(keys_of(outline)));
}

CSteno CStenoDictionary::GetOutline(std::size_t index) const {
  const std::span<const BYTE> keys = KeysOf(m_entries[index]);
  CSteno outline;
  for (std::size_t i = 0; i < keys.size(); i += stroke_bytes) outline.Append(CStroke(&keys[i]));
  return outline;
}

CStenoDictionary::Translation CStenoDictionary::GetTranslation(std::size_t index) const {
  const Entry& entry = m_entries[index];
  return {std::string_view(m_text).substr(entry.text_offset, entry.text_length),
          CTranFlags(entry.flags)};
}

// --- Reading and writing files -------------------------------------------

long CStenoDictionary::Read(CFile& file) {
  m_nDuplicates = 0;
  m_invalid.clear();
  const ULONGLONG start = file.GetPosition();
  const ULONGLONG length = file.GetLength();
  if (length > start) reserve_for(*this, length - start);
  DictionaryReader reader(*this, m_invalid);
  long result = 0;
  {
    CRtfParser parser(file, &reader);
    reader.SetScanner(parser.GetScannerPtr());
    result = parser.Run(true);
  }
  reader.Finish();
  m_nDuplicates = IndexAppended();
  number_lines(file, start, reader.GetInvalidOffsets(), m_invalid);
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
  if (code > file_error_base)
    return CFileException(static_cast<int>(code - file_error_base)).Describe();
  CFile none;
  if (code >= 10) return CRtfParser(none, nullptr).GetErrorText(static_cast<int>(code));
  return CRtfScanner(none).GetErrorText(code);
}

void CStenoDictionary::Write(CFile& file, CTime created) const {
  DictionaryWriter writer(file, *this, created);
  writer.File();
}
