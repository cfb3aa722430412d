#include "rtf/rtf_scanner.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include "platform/message.h"

namespace {

// Token types with a meaning of their own to the scanner.
constexpr int type_unknown = CRtfToken::typeUnknown;
constexpr int type_binary = CRtfToken::typeBinary;
constexpr int type_end = CRtfToken::typeEndOfInput;
constexpr int type_bin = 80;
constexpr int type_par = 506;
constexpr int type_tab = 680;
constexpr int type_text = CRtfToken::typeText;
constexpr int type_group_begin = CRtfToken::typeGroupBegin;
constexpr int type_group_end = CRtfToken::typeGroupEnd;
constexpr int table_type_base = 10;

// The states of the state machine; those from 30000 on are escapes begun
// but not finished, which a token cannot end in.
enum : int {
  state_start = 0,
  state_end = 2,
  state_text = 5,
  state_ctrl_symbol = 10,
  state_ctrl_word = 11,
  state_parameter = 12,
  state_group_begin = 13,
  state_group_end = 14,
  state_tab = 15,
  state_line_break = 16,
  state_backslash = 30000,
  state_word_minus = 30001,
  state_hex_mark = 30002,
  state_hex_digit = 30003,
  state_text_backslash = 30004,
};

constexpr int token_size = 255;

// Ends every run of the whole-token path: not a line break, letter, digit
// or text byte.
constexpr BYTE stop_byte = '{';
// The whole-token path wants this much room in a token: a short run is
// copied in one piece of short_run bytes.
constexpr unsigned whole_token_room = 64;
constexpr size_t short_run = 32;

constexpr bool is_line_break(unsigned char c) { return c == '\n' || c == '\r'; }
constexpr bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }
constexpr bool is_lower(unsigned char c) { return c >= 'a' && c <= 'z'; }
constexpr bool is_upper(unsigned char c) { return c >= 'A' && c <= 'Z'; }
bool is_hex(unsigned char c) {
  return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool is_literal_after_backslash(unsigned char c) { return c == '\\' || c == '{' || c == '}'; }

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

// "\cxt" takes no parameter: the digits after it are the next token's text.
bool is_cxt_and_digit(CRtfToken& token) {
  return token.GetLength() == 5 && std::memcmp(token.GetBuffer(), szRTFCW_cxt, 4) == 0;
}

// 1 when the token's length exceeds its capacity less n.
bool exceeds_capacity_less(CRtfToken& token, unsigned n) {
  return token.GetLength() + n > token.GetBufferSize();
}

// The longest entry of the table, backslash included; a longer word matches
// nothing.
constexpr unsigned longest_word = 20;

// A word's bytes packed into three numbers, the first byte lowest and zero
// past the end, so that a word is compared in three steps, not byte by byte.
struct packed_word {
  std::uint64_t part[3];
  bool operator==(const packed_word&) const = default;
};

std::uint64_t load_little_endian(const BYTE* bytes) {
  std::uint64_t value;
  std::memcpy(&value, bytes, sizeof value);
  if constexpr (std::endian::native == std::endian::big) value = __builtin_bswap64(value);
  return value;
}

// The low n bytes of a number, n from 0 up.
constexpr std::uint64_t low_bytes(unsigned n) { return n >= 8 ? ~0ULL : (1ULL << (8 * n)) - 1; }

// Reads up to 24 bytes at word, however short it is: the caller makes sure
// they are there.
packed_word pack_padded(const BYTE* word, unsigned length) {
  packed_word w{{load_little_endian(word) & low_bytes(length), 0, 0}};
  if (length > 8) {
    w.part[1] = load_little_endian(word + 8) & low_bytes(length - 8);
    if (length > 16) w.part[2] = load_little_endian(word + 16) & low_bytes(length - 16);
  }
  return w;
}

packed_word pack(const char* word, unsigned length) {
  BYTE padded[3 * 8] = {};
  std::memcpy(padded, word, length);
  return pack_padded(padded, length);
}

// An open-addressing index over the table, a third full, so that a word is
// found in about one probe instead of a binary search's ten comparisons; and
// the type of every control symbol by the byte after its backslash.
struct word_index {
  static constexpr unsigned slot_bits = 11;
  static constexpr unsigned slots = 1U << slot_bits;
  std::int16_t entry[slots];  // table index, or -1
  packed_word word[CRtfScanner::m_nTokenTblEntries];
  std::uint8_t length[CRtfScanner::m_nTokenTblEntries];
  std::int16_t symbol_type[256];  // a token type, type_unknown when absent

  static unsigned slot_of(const packed_word& w, unsigned length) {
    const std::uint64_t mixed = (w.part[0] ^ (w.part[1] * 0xC2B2AE3D27D4EB4FULL) ^
                                 (w.part[2] * 0x165667B19E3779F9ULL) ^ length) *
                                0x9E3779B97F4A7C15ULL;
    return static_cast<unsigned>(mixed >> (64 - slot_bits));
  }

  // The table index, or -1.
  int find(const packed_word& w, unsigned bytes) const {
    for (unsigned slot = slot_of(w, bytes);; slot = (slot + 1) % slots) {
      const int i = entry[slot];
      if (i < 0 || (bytes == length[i] && w == word[i])) return i;
    }
  }
};

const word_index& index_of_words() {
  static const word_index index = [] {
    word_index w{};
    std::fill_n(w.entry, word_index::slots, std::int16_t{-1});
    for (int i = 0; i < CRtfScanner::m_nTokenTblEntries; ++i) {
      const char* word = CRtfScanner::m_pTokenTbl[i];
      const auto length = static_cast<unsigned>(std::strlen(word));
      w.word[i] = pack(word, length);
      w.length[i] = static_cast<std::uint8_t>(length);
      unsigned slot = word_index::slot_of(w.word[i], length);
      while (w.entry[slot] >= 0) slot = (slot + 1) % word_index::slots;
      w.entry[slot] = static_cast<std::int16_t>(i);
    }
    for (unsigned c = 0; c < 256; ++c) {
      const char symbol[2] = {'\\', static_cast<char>(c)};
      const int i = w.find(pack(symbol, 2), 2);
      w.symbol_type[c] = static_cast<std::int16_t>(i < 0 ? type_unknown : i + table_type_base);
    }
    return w;
  }();
  return index;
}

// The type of the control word or symbol of length bytes at word.
int type_of_word(const char* word, unsigned length) {
  // Every entry is a backslash and at least one byte.
  if (length < 2 || length > longest_word || word[0] != '\\') return type_unknown;
  const int index = index_of_words().find(pack(word, length), length);
  return index < 0 ? type_unknown : index + table_type_base;
}

// The same for a word of a backslash and lower-case letters, with 24 bytes
// readable at word.
[[gnu::always_inline]] inline int type_of_padded_word(const BYTE* word, unsigned length) {
  if (length > longest_word) return type_unknown;
  const int index = index_of_words().find(pack_padded(word, length), length);
  return index < 0 ? type_unknown : index + table_type_base;
}

// What a byte does to a run of plain bytes in each state that has runs.
enum : std::uint8_t { run_text = 1, run_lower = 2, run_digit = 4 };

constexpr std::array<std::uint8_t, 256> run_classes = [] {
  std::array<std::uint8_t, 256> classes{};
  for (unsigned c = 0; c < 256; ++c) {
    if (c != '\\' && c != '{' && c != '}' && c != '\t' && c != '\n' && c != '\r')
      classes[c] |= run_text;
    if (is_lower(static_cast<unsigned char>(c))) classes[c] |= run_lower;
    if (is_digit(static_cast<unsigned char>(c))) classes[c] |= run_digit;
  }
  return classes;
}();

// Sixteen bytes compared at once, on any target the compiler has vectors for.
using byte_block [[gnu::vector_size(16)]] = unsigned char;

// The offset of the first set byte of a comparison's half.
unsigned first_set_byte(std::uint64_t half) {
  if constexpr (std::endian::native == std::endian::big)
    return static_cast<unsigned>(std::countl_zero(half)) / 8;
  else
    return static_cast<unsigned>(std::countr_zero(half)) / 8;
}

// The first byte at or after data[q] that ends a run of text: a line break,
// tab, backslash or brace. Sixteen bytes at a time, so it may look up to 15
// bytes past the one it finds; the caller makes sure that there is one.
size_t text_run_end(const BYTE* data, size_t q) {
  for (;; q += sizeof(byte_block)) {
    byte_block v;
    std::memcpy(&v, data + q, sizeof v);
    const auto ends =
        (v == '\\') | (v == '{') | (v == '}') | (v == '\t') | (v == '\n') | (v == '\r');
    std::uint64_t halves[2];
    static_assert(sizeof ends == sizeof halves);
    std::memcpy(halves, &ends, sizeof halves);
    if (halves[0] != 0) return q + first_set_byte(halves[0]);
    if (halves[1] != 0) return q + 8 + first_set_byte(halves[1]);
  }
}

// The first byte at or after data[q] that is not a lower-case letter, read
// as text_run_end reads.
size_t letters_end(const BYTE* data, size_t q) {
  for (;; q += sizeof(byte_block)) {
    byte_block v;
    std::memcpy(&v, data + q, sizeof v);
    const auto others = v - 'a' > 'z' - 'a';
    std::uint64_t halves[2];
    static_assert(sizeof others == sizeof halves);
    std::memcpy(halves, &others, sizeof halves);
    if (halves[0] != 0) return q + first_set_byte(halves[0]);
    if (halves[1] != 0) return q + 8 + first_set_byte(halves[1]);
  }
}

}  // namespace

CRtfScanner::CRtfScanner(CFile& file)
    : m_nLastType(type_end),
      m_lBinBytesLeft(0),
      m_dwCharCount(0),
      m_pFile(&file),
      m_chCurrent(0),
      m_nState(state_start),
      m_ppTokenQueue(nullptr),
      m_nMaxLookAhead(2) {
  m_readAhead[0] = stop_byte;
}

CRtfScanner::~CRtfScanner() {
  try {
    FreeTokenQueue();
  } catch (...) {
    // The file refused to move back; a destructor has no one to tell.
  }
}

long CRtfScanner::Start() {
  FreeTokenQueue();
  long result = InitTokenQueue();
  for (int place = 0; result == 0 && place <= m_nMaxLookAhead; ++place)
    result = NextToken(*m_ppTokenQueue[place]);
  return result;
}

void CRtfScanner::Stop() { FreeTokenQueue(); }

long CRtfScanner::ConsumeToken(int n) {
  if (m_ppTokenQueue == nullptr) return 0;
  CRtfToken** const queue = m_ppTokenQueue;
  CRtfToken* const taken = queue[n];
  if (n == 0 && m_nMaxLookAhead == 2) {
    queue[0] = queue[1];
    queue[1] = queue[2];
    queue[2] = taken;
  } else {
    // Swapped down rather than copied, which the compiler would make a call.
    for (int place = n; place < m_nMaxLookAhead; ++place) std::swap(queue[place], queue[place + 1]);
  }
  return taken == nullptr ? 0 : NextToken(*taken);
}

long CRtfScanner::ConsumeGroup() {
  if (m_ppTokenQueue == nullptr || m_ppTokenQueue[0] == nullptr ||
      m_ppTokenQueue[0]->GetType() != type_group_begin)
    return 0;
  long result = ConsumeToken(0);
  int depth = 1;
  while (depth > 0 && result == 0) {
    const int type = m_ppTokenQueue[0]->GetType();
    if (type == type_end) break;
    if (type == type_group_begin) ++depth;
    if (type == type_group_end) --depth;
    result = ConsumeToken(0);
  }
  return result;
}

long CRtfScanner::SkipTo(DWORD dwOffset) {
  if (m_ppTokenQueue == nullptr) return 0;
  // m_readAhead[m_readPos] is the byte at stream offset m_dwCharCount.
  const LONGLONG from_block = static_cast<LONGLONG>(dwOffset) -
                              static_cast<LONGLONG>(m_dwCharCount) +
                              static_cast<LONGLONG>(m_readPos);
  if (from_block >= 0 && from_block <= static_cast<LONGLONG>(m_readEnd)) {
    m_readPos = static_cast<size_t>(from_block);
  } else {
    // The file stands at the block's end. Nothing is kept for putting back:
    // no token has begun yet.
    m_pFile->Seek(from_block - static_cast<LONGLONG>(m_readEnd), CFile::current);
    m_readPos = m_readEnd = 0;
    m_readAhead[0] = stop_byte;
  }
  m_dwCharCount = dwOffset;
  m_nLastType = type_end;
  long result = 0;
  for (int place = 1; result == 0 && place <= m_nMaxLookAhead; ++place)
    result = NextToken(*m_ppTokenQueue[place]);
  return result;
}

long CRtfScanner::ReadToken(CRtfToken& token) { return NextToken(token); }

long CRtfScanner::ReadTokenFromFile(CRtfToken& token) { return ScanToken(token); }

long CRtfScanner::NextToken(CRtfToken& token) {
  if (m_nLastType == type_bin) return ReadBinary(token);
  long result = ScanToken(token);
  m_nLastType = token.GetType();
  if (m_nLastType == type_bin) {
    m_lBinBytesLeft = token.GetNumParm();
    // Without a positive count there is no binary data to switch to.
    if (m_lBinBytesLeft <= 0) {
      m_lBinBytesLeft = 0;
      m_nLastType = type_binary;
    }
  }
  return result == 3 ? 0 : result;
}

long CRtfScanner::ReadBinary(CRtfToken& token) {
  token.Reset(m_dwCharCount);
  long result = CopyIntoToken(token, static_cast<int>(m_lBinBytesLeft));
  m_lBinBytesLeft -= static_cast<LONG>(token.GetLength());
  // Data cut short by the end of the file ends binary mode, and the end
  // itself, met before any byte, is end of input as anywhere else.
  token.SetType(result == 1 && token.GetLength() == 0 ? type_end : type_binary);
  if (m_lBinBytesLeft == 0 || result == 1) m_nLastType = type_binary;
  if (result == 1) result = 0;
  return result == 3 ? 0 : result;
}

long CRtfScanner::ScanToken(CRtfToken& token) {
  token.Reset(m_dwCharCount);
  return TakeWholeToken(token) ? 0 : RunStateMachine(token);
}

long CRtfScanner::RunStateMachine(CRtfToken& token) {
  token.Reset(m_dwCharCount);
  m_nState = state_start;
  long result = 0;
  int done = 0;
  while (!done) {
    result = ReadChar(token);
    if (result != 0) {
      if (m_nState >= state_backslash) m_nState = state_start;
      if (token.GetLength() == 0) m_nState = state_end;
      break;
    }
    result = ProcessState(token, done);
    if (result != 0) break;
    if (!done) TakePlainRun(token);
  }
  if (result == 1) result = 0;
  SetTokenType(token);
  return result;
}

CString CRtfScanner::GetErrorText(long nCode) const {
  switch (nCode) {
    case 1:
      return "The scanner encountered an error while reading the stream.";
    case 2:
      return "The scanner's state machine incorrectly processed a state.";
    case 3:
      return "Not enough memory to allocate the scanner's token(s).";
    case 4:
      return "Not enough memory to allocate the scanner's token queue.";
    default: {
      CString text;
      text.Format("Undefined Scanner Error (%d)", static_cast<int>(nCode));
      return text;
    }
  }
}

void CRtfScanner::HandleError(long nCode) const { AfxMessageBox(GetErrorText(nCode), MB_OK); }

long CRtfScanner::InitTokenQueue() {
  const int places = m_nMaxLookAhead + 1;
  m_ppTokenQueue = new (std::nothrow) CRtfToken*[places];
  if (m_ppTokenQueue == nullptr) {
    HandleError(4);
    return 4;
  }
  std::fill_n(m_ppTokenQueue, places, nullptr);
  for (int place = 0; place < places; ++place) {
    m_ppTokenQueue[place] = InitToken();
    if (m_ppTokenQueue[place] == nullptr) {
      HandleError(3);
      return 3;
    }
  }
  return 0;
}

void CRtfScanner::FreeTokenQueue() {
  if (m_ppTokenQueue == nullptr) return;
  for (int place = 0; place <= m_nMaxLookAhead; ++place) FreeToken(m_ppTokenQueue[place]);
  delete[] m_ppTokenQueue;
  m_ppTokenQueue = nullptr;
  GiveBackReadAhead();
}

CRtfToken* CRtfScanner::InitToken() {
  auto* token = new (std::nothrow) CRtfToken(token_size);
  if (token != nullptr && token->GetBuffer() == nullptr) {
    delete token;
    return nullptr;
  }
  return token;
}

void CRtfScanner::FreeToken(CRtfToken* pToken) { delete pToken; }

long CRtfScanner::ReadChar(CRtfToken& token) {
  if (m_readPos == m_readEnd && !FillReadAhead()) return 1;
  m_chCurrent = static_cast<char>(m_readAhead[m_readPos++]);
  if (token.AddChar(m_chCurrent) == 3) {
    --m_readPos;
    return 3;
  }
  ++m_dwCharCount;
  return 0;
}

long CRtfScanner::PutBackChar(CRtfToken& token) {
  char last;
  if (token.GetLastChar(last) != 0 || m_readPos == 0) return 1;
  --m_readPos;
  token.DiscardLastChar();
  --m_dwCharCount;
  return 0;
}

long CRtfScanner::PatchHexChar(CRtfToken& token) {
  const unsigned length = token.GetLength();
  if (length < 4) return 1;
  const char* digits = token.GetBuffer() + length - 2;
  const char value = static_cast<char>(hex_value(digits[0]) * 16 + hex_value(digits[1]));
  for (int i = 0; i < 4; ++i) token.DiscardLastChar();
  return token.AddChar(value);
}

long CRtfScanner::CopyIntoToken(CRtfToken& token, int n) {
  for (int i = 0; i < n; ++i) {
    const long result = ReadChar(token);
    if (result != 0) return result;
  }
  return 0;
}

long CRtfScanner::ProcessState(CRtfToken& token, int& bDone) {
  const auto c = static_cast<unsigned char>(m_chCurrent);
  switch (m_nState) {
    case state_start:
      if (c == '\\') {
        m_nState = state_backslash;
      } else if (c == '{') {
        m_nState = state_group_begin;
        bDone = TRUE;
      } else if (c == '}') {
        m_nState = state_group_end;
        bDone = TRUE;
      } else if (c == '\t') {
        m_nState = state_tab;
        bDone = TRUE;
      } else if (is_line_break(c)) {
        token.DiscardLastChar();
      } else {
        m_nState = state_text;
      }
      return 0;

    case state_text:
      if (is_line_break(c)) {
        token.DiscardLastChar();
      } else if (c == '\\') {
        // The escape must fit whole: a backslash in the last place goes to
        // the next token.
        if (exceeds_capacity_less(token, 1)) {
          PutBackChar(token);
          bDone = TRUE;
        } else {
          m_nState = state_text_backslash;
        }
      } else if (c == '{' || c == '}' || c == '\t') {
        PutBackChar(token);
        bDone = TRUE;
      }
      return 0;

    case state_backslash:
      if (is_lower(c)) {
        m_nState = state_ctrl_word;
      } else if (c == '\'') {
        m_nState = state_hex_mark;
      } else if (is_literal_after_backslash(c)) {
        token.DiscardFirstChar();
        m_nState = state_text;
      } else if (is_line_break(c)) {
        m_nState = state_line_break;
        bDone = TRUE;
      } else if (is_digit(c) || is_upper(c)) {
        m_nState = state_start;
        PutBackChar(token);
        bDone = TRUE;
      } else {
        m_nState = state_ctrl_symbol;
        bDone = TRUE;
      }
      return 0;

    case state_ctrl_word:
      if (is_lower(c)) return 0;
      if (is_digit(c)) {
        if (is_cxt_and_digit(token)) {
          PutBackChar(token);
          bDone = TRUE;
        } else {
          m_nState = state_parameter;
        }
      } else if (c == '-') {
        m_nState = state_word_minus;
      } else if (c == ' ') {
        token.DiscardLastChar();
        bDone = TRUE;
      } else {
        PutBackChar(token);
        bDone = TRUE;
      }
      return 0;

    case state_parameter:
      if (is_digit(c)) return 0;
      if (c == ' ')
        token.DiscardLastChar();
      else
        PutBackChar(token);
      bDone = TRUE;
      return 0;

    case state_word_minus:
      if (is_digit(c)) {
        m_nState = state_parameter;
      } else {
        m_nState = state_start;
        PutBackChar(token);
        bDone = TRUE;
      }
      return 0;

    case state_hex_mark:
    case state_hex_digit:
      if (!is_hex(c)) {
        m_nState = state_start;
        PutBackChar(token);
        bDone = TRUE;
        return 0;
      }
      if (m_nState == state_hex_mark) {
        m_nState = state_hex_digit;
        return 0;
      }
      m_nState = state_text;
      return PatchHexChar(token);

    case state_text_backslash:
      if (is_literal_after_backslash(c)) {
        token.DiscardNextToLastChar();
        m_nState = state_text;
      } else if (c == '\'' && !exceeds_capacity_less(token, 2)) {
        m_nState = state_hex_mark;
      } else {
        // Not an escape that continues the text (or one too long for the
        // room left): the backslash starts the next token.
        PutBackChar(token);
        PutBackChar(token);
        m_nState = state_text;
        bDone = TRUE;
      }
      return 0;

    default:
      HandleError(2);
      bDone = TRUE;
      return 2;
  }
}

void CRtfScanner::SetTokenType(CRtfToken& token) {
  int type = m_nState;
  switch (m_nState) {
    case state_ctrl_word:
    case state_parameter:
    case state_ctrl_symbol: {
      // The word is matched where it lies in the buffer; the control-word
      // field is left for GetCtrlWord and its kin to fill when asked.
      const char* buffer = token.GetBuffer();
      unsigned length = token.GetLength();
      if (m_nState == state_ctrl_symbol) {
        length = std::min(length, 2u);
      } else {
        unsigned word = 0;
        while (word < length && !is_digit(buffer[word]) && buffer[word] != '-') ++word;
        length = word;
      }
      type = type_of_word(buffer, length);
      break;
    }
    case state_group_begin:
      type = type_group_begin;
      break;
    case state_group_end:
      type = type_group_end;
      break;
    case state_tab:
      type = type_tab;
      break;
    case state_line_break:
      type = type_par;
      break;
    default:
      break;
  }
  token.SetType(type);
}

void CRtfScanner::TakePlainRun(CRtfToken& token) {
  // Bytes that would leave the state as it is go straight into the token:
  // what the state machine would do one byte at a time, without the steps.
  std::uint8_t run;
  if (m_nState == state_text)
    run = run_text;
  else if (m_nState == state_ctrl_word)
    run = run_lower;
  else if (m_nState == state_parameter)
    run = run_digit;
  else
    return;
  const size_t room = token.GetBufferSize() - token.GetLength();
  const size_t last = m_readPos + std::min(room, m_readEnd - m_readPos);
  const size_t first = m_readPos;
  for (; m_readPos < last && (run_classes[m_readAhead[m_readPos]] & run) != 0; ++m_readPos)
    token.AddChar(static_cast<char>(m_readAhead[m_readPos]));
  m_dwCharCount += static_cast<DWORD>(m_readPos - first);
}

bool CRtfScanner::TakeWholeToken(CRtfToken& token) {
  // Only tokens that end inside the block, and well inside the token's
  // capacity, are taken here: then no refill, full buffer or split escape
  // can change how they end, and the state machine would give the same
  // bytes, count, state and last byte. Anything else is left to it.
  static_assert(read_slack >= short_run && read_slack >= sizeof(packed_word) &&
                read_slack >= sizeof(byte_block));
  if (token.m_nBufferSize < whole_token_room) return false;
  const BYTE* const data = m_readAhead;
  const size_t end = m_readEnd;
  const auto fits = [&token](size_t n) { return n + 2 <= token.m_nBufferSize; };
  // Most runs are short: one fixed-size copy, which the block's slack and
  // the token's room allow, costs less than a copy of the exact length.
  const auto take = [&token, data](size_t first, size_t last) {
    char* const out = token.m_pBuffer + token.m_nLength;
    if (last - first <= short_run && token.m_nLength + short_run <= token.m_nBufferSize)
      std::memcpy(out, data + first, short_run);
    else
      std::memcpy(out, data + first, last - first);
    token.m_nLength += static_cast<unsigned>(last - first);
  };
  // The stop byte after the block ends each of the loops below.
  size_t p = m_readPos;
  while (is_line_break(data[p])) ++p;
  if (p >= end) return false;
  const BYTE c = data[p];
  size_t next = p + 1;
  BYTE last_read = c;
  int state = state_text;
  int type = type_text;
  switch (c) {
    case '{':
      state = state_group_begin;
      type = type_group_begin;
      token.m_pBuffer[token.m_nLength++] = static_cast<char>(c);
      break;
    case '}':
      state = state_group_end;
      type = type_group_end;
      token.m_pBuffer[token.m_nLength++] = static_cast<char>(c);
      break;
    case '\t':
      state = state_tab;
      type = type_tab;
      token.m_pBuffer[token.m_nLength++] = static_cast<char>(c);
      break;
    case '\\': {
      // At the block's end the byte after is the stop byte, a brace, which
      // is left to the state machine like every escape.
      const BYTE d = data[p + 1];
      if (is_lower(d)) {
        size_t q = letters_end(data, p + 2);
        if (q >= end || data[q] == '-' || !fits(q - p)) return false;
        last_read = data[q];
        state = state_ctrl_word;
        size_t word_end = q;
        type = type_of_padded_word(data + p, static_cast<unsigned>(q - p));
        if (is_digit(last_read) && !(q - p == 4 && std::memcmp(data + p, szRTFCW_cxt, 4) == 0)) {
          while (is_digit(data[q])) ++q;
          if (q >= end || !fits(q - p)) return false;
          last_read = data[q];
          state = state_parameter;
          word_end = q;
        }
        take(p, word_end);
        next = last_read == ' ' ? q + 1 : q;
      } else if (is_line_break(d) || d == '\'' || is_literal_after_backslash(d) || is_digit(d) ||
                 is_upper(d)) {
        return false;
      } else {
        state = state_ctrl_symbol;
        type = index_of_words().symbol_type[d];
        last_read = d;
        next = p + 2;
        token.m_pBuffer[0] = '\\';
        token.m_pBuffer[1] = static_cast<char>(d);
        token.m_nLength = 2;
      }
      break;
    }
    default: {
      size_t q = p;
      for (;;) {
        const size_t run = q;
        q = text_run_end(data, q);
        if (q >= end || !fits(token.m_nLength + (q - run))) return false;
        take(run, q);
        last_read = data[q];
        if (is_line_break(last_read)) {
          ++q;
          continue;
        }
        if (last_read != '\\') break;
        // A backslash that starts no escape of the text ends it, as "\par"
        // does.
        last_read = data[q + 1];
        if (q + 1 >= end || last_read == '\'' || is_literal_after_backslash(last_read))
          return false;
        break;
      }
      next = q;
    }
  }
  m_chCurrent = static_cast<char>(last_read);
  m_nState = state;
  token.m_nType = type;
  m_dwCharCount += static_cast<DWORD>(next - m_readPos);
  m_readPos = next;
  return true;
}

bool CRtfScanner::FillReadAhead() {
  const size_t keep = std::min(m_readEnd, put_back_room);
  std::memmove(m_readAhead, m_readAhead + m_readEnd - keep, keep);
  const UINT got = m_pFile->Read(m_readAhead + keep, read_block);
  m_readPos = keep;
  m_readEnd = keep + got;
  m_readAhead[m_readEnd] = stop_byte;
  return got > 0;
}

void CRtfScanner::GiveBackReadAhead() {
  const size_t unread = m_readEnd - m_readPos;
  m_readPos = m_readEnd = 0;
  m_readAhead[0] = stop_byte;
  if (unread > 0) m_pFile->Seek(-static_cast<LONGLONG>(unread), CFile::current);
}
