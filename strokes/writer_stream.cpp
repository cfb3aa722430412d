#include "strokes/writer_stream.h"

#include <cstddef>

#include "strokes/stroke_keys.h"

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
  int packet_size;  // TX Bolt's packets have no fixed size: 0
  Marking first;    // the packet's first byte
  Marking rest;     // the others
  // CStroke's setter for the packet, or none where a key table decodes it.
  void (CStroke::*decode)(const BYTE*);
};

constexpr Marking any_byte{0x00, 0x00};

constexpr ProtocolRow protocols[CWriterStream::ProtocolCount] = {
    {"stentura", 4, {0xC0, 0xC0}, {0xC0, 0xC0}, &CStroke::SetStentura},
    {"sten8000", 3, any_byte, any_byte, &CStroke::SetSten8000},
    {"baron", 3, any_byte, any_byte, &CStroke::SetBaron},
    {"flash", 3, any_byte, any_byte, &CStroke::SetFlash},
    {"xscribe", 3, any_byte, any_byte, &CStroke::SetXScribe},
    {"merit", 4, any_byte, any_byte, &CStroke::SetMerit},
    {"geminipr", 6, {0x80, 0x80}, {0x80, 0x00}, nullptr},
    {"txbolt", 0, any_byte, any_byte, nullptr},
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

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

const char* CWriterStream::GetProtocolName(Protocol protocol) { return protocols[protocol].name; }

int CWriterStream::FindProtocol(std::string_view name) {
  for (int p = 0; p < ProtocolCount; ++p) {
    const std::string_view known = protocols[p].name;
    if (known.size() != name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; same && i < name.size(); ++i) same = lower(name[i]) == known[i];
    if (same) return p;
  }
  return -1;
}

CWriterStream::CWriterStream(Protocol protocol) : m_protocol(protocol) {}

int CWriterStream::Feed(const BYTE* bytes, int count, std::vector<CStroke>& strokes) {
  int made = 0;
  for (int i = 0; i < count; ++i) {
    if (m_protocol == TXBolt)
      TakeTxBolt(bytes[i], strokes, made);
    else
      Take(bytes[i], strokes, made);
  }
  return made;
}

int CWriterStream::LineQuiet(std::vector<CStroke>& strokes) {
  int made = 0;
  if (m_protocol == TXBolt)
    Complete(strokes, made);
  else
    DropPending();
  return made;
}

void CWriterStream::Reset() {
  m_nHave = 0;
  m_txKeys = 0;
  m_nLastSet = -1;
}

void CWriterStream::Take(BYTE byte, std::vector<CStroke>& strokes, int& made) {
  const ProtocolRow& row = protocols[m_protocol];
  if (!marked(byte, m_nHave == 0 ? row.first : row.rest)) {
    // A byte that can only start a packet, met inside one, means the packet
    // lost bytes: it is dropped and this one starts the next.
    const bool starts_packet = m_nHave > 0 && marked(byte, row.first);
    DropPending();
    if (!starts_packet) {
      ++m_nDropped;
      return;
    }
  }
  m_packet[m_nHave++] = byte;
  if (m_nHave == row.packet_size) Complete(strokes, made);
}

void CWriterStream::TakeTxBolt(BYTE byte, std::vector<CStroke>& strokes, int& made) {
  const int set = byte >> 6;
  if (set <= m_nLastSet) Complete(strokes, made);
  for (int b = 0; b < 6; ++b)
    if (byte & (1 << b) && txbolt_keys[set][b] != no_key) m_txKeys |= bit(txbolt_keys[set][b]);
  m_nLastSet = set;
  // Nothing can follow the last set within a stroke, so the stroke goes out
  // now rather than when the line falls quiet.
  if (set == txbolt_last_set) Complete(strokes, made);
}

void CWriterStream::Complete(std::vector<CStroke>& strokes, int& made) {
  CStroke stroke;
  if (m_protocol == TXBolt) {
    stroke = stroke_of(m_txKeys);
  } else if (m_nHave == protocols[m_protocol].packet_size) {
    if (m_protocol == GeminiPR)
      stroke = decode_gemini(m_packet);
    else
      (stroke.*protocols[m_protocol].decode)(m_packet);
  }
  Reset();
  if (stroke.IsEmpty()) return;
  strokes.push_back(stroke);
  ++made;
}

void CWriterStream::DropPending() {
  m_nDropped += static_cast<unsigned long>(m_nHave);
  m_nHave = 0;
}
