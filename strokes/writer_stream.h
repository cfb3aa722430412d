// CWriterStream: cuts the bytes a steno writer sends down its line into
// strokes, for one writer protocol: the packets of CStroke's writer setters
// (Stentura, Sten8000, Baron, Flash, XScribe, Merit) and the two protocols of
// hobbyist writers, Gemini PR (six bytes, the first with its high bit set and
// the others with it clear) and TX Bolt (one to four bytes, the key set in
// each byte's top two bits, a byte of the same or a lower set starting the
// next stroke; the byte of no keys that hobbyist writers send after each
// stroke ends it at once), Passport (ASCII packets from "<" to ">", each key
// a letter and a hexadecimal shadow digit, pressed from 8 up) and ProCAT
// (four bytes: three of keys in steno order under a clear high bit, then
// 0xFF). It is the one decoder of every writer byte stream: a serial line, a
// pipe, a capture file.
//
// A Stentura writer on the request protocol ("stentura-protocol") sends
// nothing until asked; the host's request session (in comm/) unpacks its
// answers and feeds their data, Stentura's 4-byte records, here.
//
// Keys a writer's chart has that the steno order has not (Passport's three
// extra keys) are dropped from the stroke and counted, never guessed.
//
// A line loses and garbles bytes. Where a format marks its bytes (Stentura's
// two high bits on every byte, Gemini PR's first byte, TX Bolt's key sets) a
// byte that breaks the marking is dropped with the packet it would have
// joined, and the next packet is found again by its markers. Formats without
// markers cannot tell a lost byte from the content, but a writer sends each
// stroke's packet in one burst: LineQuiet, called when the line has been
// quiet for the protocol's GetQuietMilliseconds, drops a packet cut short
// (and ends a TX Bolt stroke, whose end nothing else marks). The end of a
// capture is the line falling quiet for good. A stroke never holds a key its
// protocol cannot carry, and a packet without any key gives no stroke.
//
// Every stroke goes out as soon as its last byte is in: a fixed-size packet at
// its last byte, a TX Bolt stroke at a byte of its last key set.
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
  enum Protocol {
    Stentura,
    Sten8000,
    Baron,
    Flash,
    XScribe,
    Merit,
    GeminiPR,
    TXBolt,
    Passport,
    ProCAT,
    StenturaProtocol
  };
  static constexpr int ProtocolCount = 11;

  // The lower-case name ("stentura", ..., "txbolt", "passport", "procat",
  // "stentura-protocol").
  static const char* GetProtocolName(Protocol protocol);
  // The protocol of that name in any case, or -1.
  static int FindProtocol(std::string_view name);

  // How long the line must have been quiet before LineQuiet is called with
  // something pending: short where only a quiet line tells where packets
  // part, longer for Gemini PR, which marks each packet's start, and for a TX
  // Bolt stroke, which nothing but a byte of its last key set ends.
  static DWORD GetQuietMilliseconds(Protocol protocol);
  // The writer sends strokes only when the host asks for them, so a line is
  // read through a request session rather than listened to.
  static bool IsAskedFor(Protocol protocol);
  // The line speed the writer uses unless its port says otherwise.
  static DWORD GetDefaultBaud(Protocol protocol);

  // A run of bytes dropped together: where it starts, counted from the first
  // byte fed since construction, and how many.
  struct Skip {
    ULONGLONG offset;
    unsigned long count;
  };

  explicit CWriterStream(Protocol protocol);

  Protocol GetProtocol() const { return m_protocol; }

  // Takes the next bytes of the line; appends the strokes they complete and
  // returns how many. Skips that no later byte can extend are appended to
  // `skips` when it is given; a run of dropped bytes is one skip, however
  // the line was cut into calls.
  int Feed(const BYTE* bytes, int count, std::vector<CStroke>& strokes,
           std::vector<Skip>* skips = nullptr);
  // The line has been quiet (or has ended): what is pending either completes
  // a stroke (TX Bolt) or is the rest of a packet that lost bytes and is
  // dropped; the last skip is handed over.
  int LineQuiet(std::vector<CStroke>& strokes, std::vector<Skip>* skips = nullptr);
  // Bytes wait for the rest of their packet or stroke, so that LineQuiet
  // would do something.
  bool IsPending() const;
  // Forgets a partial packet without counting it, as after a reconnection.
  void Reset();

  // Bytes dropped since construction: garbled, or part of a packet cut short.
  unsigned long GetDroppedBytes() const { return m_nDropped; }
  // Pressed keys dropped since construction because the steno order has no
  // place for them.
  unsigned long GetDroppedKeys() const { return m_nDroppedKeys; }

 private:
  void Take(BYTE byte, std::vector<CStroke>& strokes, int& made, std::vector<Skip>* skips);
  void TakeTxBolt(BYTE byte, std::vector<CStroke>& strokes, int& made, std::vector<Skip>* skips);
  void TakePassport(BYTE byte, std::vector<CStroke>& strokes, int& made, std::vector<Skip>* skips);
  void Complete(std::vector<CStroke>& strokes, int& made, std::vector<Skip>* skips);
  void DropPending(std::vector<Skip>* skips);
  void Drop(ULONGLONG offset, unsigned long count, std::vector<Skip>* skips);
  void CloseSkip(std::vector<Skip>* skips);

  // The longest Passport packet taken; a longer run is a garbled line.
  static constexpr int MaxPacket = 96;

  Protocol m_protocol;
  BYTE m_packet[MaxPacket] = {};
  int m_nHave = 0;
  // TX Bolt: the keys so far (ordered, as stroke_keys) and the last set seen.
  UINT m_txKeys = 0;
  int m_nLastSet = -1;
  unsigned long m_nDropped = 0;
  unsigned long m_nDroppedKeys = 0;
  // Bytes fed so far: the offset of the next one.
  ULONGLONG m_nFed = 0;
  // The last run dropped, while a later drop may still extend it.
  Skip m_openSkip{0, 0};
};
