// CWriterStream: cuts the bytes a steno writer sends down its line into
// strokes, for one writer protocol: the packets of CStroke's writer setters
// (Stentura, Sten8000, Baron, Flash, XScribe, Merit) and the two protocols of
// hobbyist writers, Gemini PR (six bytes, the first with its high bit set and
// the others with it clear) and TX Bolt (one to four bytes, the key set in
// each byte's top two bits, a byte of the same or a lower set starting the
// next stroke).
//
// A line loses and garbles bytes. Where a format marks its bytes (Stentura's
// two high bits on every byte, Gemini PR's first byte, TX Bolt's key sets) a
// byte that breaks the marking is dropped with the packet it would have
// joined, and the next packet is found again by its markers. Formats without
// markers cannot tell a lost byte from the content, but a writer sends each
// stroke's packet in one burst: LineQuiet, called when the line has been
// quiet for a while, drops a packet cut short (and ends a TX Bolt stroke,
// whose end nothing else marks). A stroke never holds a key its protocol
// cannot carry, and a packet without any key gives no stroke.
//
// A plain value used by one thread at a time. Strokes come out without a
// time stamp; the caller stamps them.
#pragma once

#include "platform/export.h"
#include "platform/types.h"
#include "strokes/stroke.h"

#include <string_view>
#include <vector>

class KELM_EXPORT CWriterStream {
 public:
  enum Protocol { Stentura, Sten8000, Baron, Flash, XScribe, Merit, GeminiPR, TXBolt };
  static constexpr int ProtocolCount = 8;

  // The lower-case name ("stentura", ..., "geminipr", "txbolt").
  static const char* GetProtocolName(Protocol protocol);
  // The protocol of that name in any case, or -1.
  static int FindProtocol(std::string_view name);

  explicit CWriterStream(Protocol protocol);

  Protocol GetProtocol() const { return m_protocol; }

  // Takes the next bytes of the line; appends the strokes they complete and
  // returns how many.
  int Feed(const BYTE* bytes, int count, std::vector<CStroke>& strokes);
  // The line has been quiet: what is pending either completes a stroke (TX
  // Bolt) or is the rest of a packet that lost bytes and is dropped.
  int LineQuiet(std::vector<CStroke>& strokes);
  // Forgets a partial packet without counting it, as after a reconnection.
  void Reset();

  // Bytes dropped since construction: garbled, or part of a packet cut short.
  unsigned long GetDroppedBytes() const { return m_nDropped; }

 private:
  void Take(BYTE byte, std::vector<CStroke>& strokes, int& made);
  void TakeTxBolt(BYTE byte, std::vector<CStroke>& strokes, int& made);
  void Complete(std::vector<CStroke>& strokes, int& made);
  void DropPending();

  Protocol m_protocol;
  BYTE m_packet[6] = {};
  int m_nHave = 0;
  // TX Bolt: the keys so far (ordered, as stroke_keys) and the last set seen.
  UINT m_txKeys = 0;
  int m_nLastSet = -1;
  unsigned long m_nDropped = 0;
};
