#include "strokes/writer_stream.h"

#include <cstddef>

#include "platform/ascii.h"
#include "strokes/stroke_keys.h"
#include "strokes/writer_charts.h"

using namespace stroke_keys;

namespace {

// What a byte must hold under `mask` to belong where it stands; a zero mask
// takes any byte.
struct Marking {
  BYTE mask;
  BYTE value;
};

constexpr int no_key = -1;

// Gemini PR: seven keys a byte from bit 6 down, under the marker bit. The
// doubled S- and asterisk keys fold into the one key a stroke has, the twelve
// number keys into the number bar; the function, power and two reserved keys
// have no place in a stroke.
constexpr int gemini_keys[6][7] = {
    {no_key, number_bar, number_bar, number_bar, number_bar, number_bar, number_bar},
    {left_s, left_s, left_t, left_k, left_p, left_w, left_h},
    {left_r, vowel_a, vowel_o, asterisk, asterisk, no_key, no_key},
    {no_key, asterisk, asterisk, vowel_e, vowel_u, right_f, right_r},
    {right_p, right_b, right_l, right_g, right_t, right_s, right_d},
    {number_bar, number_bar, number_bar, number_bar, number_bar, number_bar, right_z},
};

// TX Bolt: four key sets of six keys from bit 0 up; bit 5 of the last set is
// no key. A stroke sends only the sets that have keys down, in order.
constexpr int txbolt_keys[4][6] = {
    {left_s, left_t, left_k, left_p, left_w, left_h},
    {left_r, vowel_a, vowel_o, asterisk, vowel_e, vowel_u},
    {right_f, right_r, right_p, right_b, right_l, right_g},
    {right_t, right_s, right_d, right_z, number_bar, no_key},
};
constexpr int txbolt_last_set = 3;

struct ProtocolRow {
  const char* name;
  int packet_size;  // TX Bolt's and Passport's packets have no fixed size: 0
  Marking first;    // the packet's first byte
  Marking rest;     // the others but the last
  Marking last;
  // CStroke's setter for the packet, or none where a key table decodes it.
  void (CStroke::*decode)(const BYTE*);
  DWORD quiet_ms;
  bool asked_for;
  DWORD baud;
};

constexpr Marking any_byte{0x00, 0x00};

// Where only the quiet line tells a lost byte (Stentura's markers are the
// same on every byte, so they find garbled bytes but not a packet's start),
// the wait must outlast what a USB serial adapter holds back (up to 16 ms)
// and stay under the pause between two strokes written fast (some fifteen a
// second): a lost byte then costs one stroke. Gemini PR finds its packets by
// their first byte, so a long wait costs nothing and rides out any pause
// inside a packet. A TX Bolt stroke's bytes come in one burst, but a slow
// line may part them by some tens of milliseconds.
constexpr DWORD burst_quiet_ms = 30;
constexpr DWORD gemini_quiet_ms = 500;
constexpr DWORD txbolt_quiet_ms = 100;
// Passport marks each packet's start and end, as Gemini PR does.
constexpr DWORD passport_quiet_ms = gemini_quiet_ms;

constexpr Marking stentura_byte{0xC0, 0xC0};

constexpr ProtocolRow protocols[CWriterStream::ProtocolCount] = {
    {"stentura", 4, stentura_byte, stentura_byte, stentura_byte, &CStroke::SetStentura,
     burst_quiet_ms, false, 9600},
    {"sten8000", 3, any_byte, any_byte, any_byte, &CStroke::SetSten8000, burst_quiet_ms, false,
     9600},
    {"baron", 3, any_byte, any_byte, any_byte, &CStroke::SetBaron, burst_quiet_ms, false, 9600},
    {"flash", 3, any_byte, any_byte, any_byte, &CStroke::SetFlash, burst_quiet_ms, false, 9600},
    {"xscribe", 3, any_byte, any_byte, any_byte, &CStroke::SetXScribe, burst_quiet_ms, false, 9600},
    {"merit", 4, any_byte, any_byte, any_byte, &CStroke::SetMerit, burst_quiet_ms, false, 9600},
    {"geminipr",
     6,
     {0x80, 0x80},
     {0x80, 0x00},
     {0x80, 0x00},
     nullptr,
     gemini_quiet_ms,
     false,
     9600},
    {"txbolt", 0, any_byte, any_byte, any_byte, nullptr, txbolt_quiet_ms, false, 9600},
    {"passport", 0, any_byte, any_byte, any_byte, nullptr, passport_quiet_ms, false, 38400},
    {"procat", 4, {0x80, 0x00}, any_byte, {0xFF, 0xFF}, nullptr, burst_quiet_ms, false, 9600},
    // The answers' data come whole, so the quiet time never matters.
    {"stentura-protocol", 4, stentura_byte, stentura_byte, stentura_byte, &CStroke::SetStentura,
     burst_quiet_ms, true, 9600},
};
bool marked(BYTE byte, Marking marking) { return (byte & marking.mask) == marking.value; }

CStroke stroke_of(UINT ordered_keys) {
  BYTE keys[3];
  store_ordered(keys, ordered_keys);
  return CStroke(keys);
}

CStroke decode_gemini(const BYTE* packet) {
  UINT keys = 0;
  for (int i = 0; i < 6; ++i)
    for (int b = 0; b < 7; ++b)
      if (packet[i] & (0x40 >> b) && gemini_keys[i][b] != no_key) keys |= bit(gemini_keys[i][b]);
  return stroke_of(keys);
}

}  // namespace

const char* CWriterStream::GetProtocolName(Protocol protocol) { return protocols[protocol].name; }

int CWriterStream::FindProtocol(std::string_view name) {
  for (int p = 0; p < ProtocolCount; ++p) {
    const std::string_view known = protocols[p].name;
    if (known.size() != name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; same && i < name.size(); ++i)
      same = KelmAsciiToLower(name[i]) == known[i];
    if (same) return p;
  }
  return -1;
}

DWORD CWriterStream::GetQuietMilliseconds(Protocol protocol) {
  return protocols[protocol].quiet_ms;
}

bool CWriterStream::IsAskedFor(Protocol protocol) { return protocols[protocol].asked_for; }

DWORD CWriterStream::GetDefaultBaud(Protocol protocol) { return protocols[protocol].baud; }

CWriterStream::CWriterStream(Protocol protocol) : m_protocol(protocol) {}

int CWriterStream::Feed(const BYTE* bytes, int count, std::vector<CStroke>& strokes,
                        std::vector<Skip>* skips) {
  int made = 0;
  for (int i = 0; i < count; ++i, ++m_nFed) {
    if (m_protocol == TXBolt)
      TakeTxBolt(bytes[i], strokes, made, skips);
    else if (m_protocol == Passport)
      TakePassport(bytes[i], strokes, made, skips);
    else
      Take(bytes[i], strokes, made, skips);
  }
  return made;
}

int CWriterStream::LineQuiet(std::vector<CStroke>& strokes, std::vector<Skip>* skips) {
  int made = 0;
  if (m_protocol == TXBolt)
    Complete(strokes, made, skips);
  else
    DropPending(skips);
  CloseSkip(skips);
  return made;
}

bool CWriterStream::IsPending() const { return m_nHave > 0 || m_nLastSet >= 0; }

void CWriterStream::Reset() {
  m_nHave = 0;
  m_txKeys = 0;
  m_nLastSet = -1;
}

void CWriterStream::Take(BYTE byte, std::vector<CStroke>& strokes, int& made,
                         std::vector<Skip>* skips) {
  const ProtocolRow& row = protocols[m_protocol];
  const Marking& marking =
      m_nHave == 0 ? row.first : (m_nHave == row.packet_size - 1 ? row.last : row.rest);
  if (!marked(byte, marking)) {
    // A byte that can only start a packet, met inside one, means the packet
    // lost bytes: it is dropped and this one starts the next.
    const bool starts_packet = m_nHave > 0 && marked(byte, row.first);
    DropPending(skips);
    if (!starts_packet) {
      Drop(m_nFed, 1, skips);
      return;
    }
  }
  m_packet[m_nHave++] = byte;
  if (m_nHave == row.packet_size) Complete(strokes, made, skips);
}

void CWriterStream::TakeTxBolt(BYTE byte, std::vector<CStroke>& strokes, int& made,
                               std::vector<Skip>* skips) {
  const int set = byte >> 6;
  if (set <= m_nLastSet) Complete(strokes, made, skips);
  for (int b = 0; b < 6; ++b)
    if (byte & (1 << b) && txbolt_keys[set][b] != no_key) m_txKeys |= bit(txbolt_keys[set][b]);
  m_nLastSet = set;
  // Nothing can follow the last set within a stroke, so the stroke goes out
  // now rather than when the line falls quiet.
  if (set == txbolt_last_set) Complete(strokes, made, skips);
}

void CWriterStream::TakePassport(BYTE byte, std::vector<CStroke>& strokes, int& made,
                                 std::vector<Skip>* skips) {
  // A "<" always starts a packet: one already open lost its end.
  if (byte == '<') {
    DropPending(skips);
    m_packet[m_nHave++] = byte;
    return;
  }
  if (m_nHave == 0) {
    Drop(m_nFed, 1, skips);
    return;
  }
  if (byte == '>') {
    Complete(strokes, made, skips);
    return;
  }
  if (m_nHave == MaxPacket) {
    DropPending(skips);
    Drop(m_nFed, 1, skips);
    return;
  }
  m_packet[m_nHave++] = byte;
}

void CWriterStream::Complete(std::vector<CStroke>& strokes, int& made, std::vector<Skip>* skips) {
  CStroke stroke;
  if (m_protocol == TXBolt) {
    stroke = stroke_of(m_txKeys);
  } else if (m_protocol == Passport) {
    UINT keys = 0;
    // The packet's bytes are in; the closing ">" is the byte being taken.
    if (!writer_charts::passport_keys(m_packet + 1, m_nHave - 1, keys, m_nDroppedKeys)) {
      DropPending(skips);
      Drop(m_nFed, 1, skips);
      return;
    }
    stroke = stroke_of(keys);
  } else if (m_nHave == protocols[m_protocol].packet_size) {
    if (m_protocol == GeminiPR)
      stroke = decode_gemini(m_packet);
    else if (m_protocol == ProCAT)
      stroke = stroke_of(writer_charts::procat_keys(m_packet));
    else
      (stroke.*protocols[m_protocol].decode)(m_packet);
  }
  Reset();
  // The bytes of this packet stand between the last skip and any later one.
  CloseSkip(skips);
  if (stroke.IsEmpty()) return;
  strokes.push_back(stroke);
  ++made;
}

void CWriterStream::DropPending(std::vector<Skip>* skips) {
  Drop(m_nFed - static_cast<ULONGLONG>(m_nHave), static_cast<unsigned long>(m_nHave), skips);
  m_nHave = 0;
}

void CWriterStream::Drop(ULONGLONG offset, unsigned long count, std::vector<Skip>* skips) {
  if (count == 0) return;
  m_nDropped += count;
  if (m_openSkip.count > 0 && m_openSkip.offset + m_openSkip.count == offset) {
    m_openSkip.count += count;
    return;
  }
  CloseSkip(skips);
  m_openSkip = {offset, count};
}

void CWriterStream::CloseSkip(std::vector<Skip>* skips) {
  if (m_openSkip.count > 0 && skips) skips->push_back(m_openSkip);
  m_openSkip = {0, 0};
}
