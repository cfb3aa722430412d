// The packets of the Stentura request protocol, as plain functions of their
// bytes: the host sends a request (SOH, a sequence number, the length, an
// action, five parameters and a CRC-16 of the header, then for some actions
// a data section with a CRC-16 of its own) and the writer answers with a
// response (SOH, the request's sequence number, the length, the request's
// action, an error code, two parameters and a CRC-16, then data with its own
// CRC-16). Every number is little-endian; each CRC covers its part from the
// byte after SOH, so a part read with its CRC sums to zero.
//
// The writer keeps what is written in a realtime file, "REALTIME.000" on
// drive A: the host opens it (Open) and then asks for what it holds from a
// position on (ReadC: block and byte within the block, 512 bytes a block);
// the data are strokes, four bytes each in CStroke::SetStentura's layout.
//
// The host side is CStenturaSession; the writer simulator of the tests
// answers with the same functions.
#pragma once

#include "platform/export.h"
#include "platform/types.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace stentura_packets {

enum Action : WORD { Close = 0x2, Open = 0xA, ReadC = 0xB, Reset = 0x14 };

constexpr BYTE SOH = 0x01;
constexpr std::size_t RequestHeaderSize = 18;
constexpr std::size_t ResponseHeaderSize = 14;
// The most a ReadC asks for: one block.
constexpr WORD BlockSize = 512;
// The longest packet either side sends: a header, a block and its CRC.
constexpr std::size_t MaxPacketSize = RequestHeaderSize + BlockSize + 2;

// CRC-16 with polynomial 0x8005, reflected, starting from zero.
KELM_EXPORT WORD Crc16(const BYTE* bytes, std::size_t count);

KELM_EXPORT std::vector<BYTE> MakeRequest(BYTE seq, WORD action, const WORD (&params)[5],
                                          std::string_view data = {});
// Opens the realtime file on drive A.
KELM_EXPORT std::vector<BYTE> MakeOpenRealtime(BYTE seq);
// Asks for up to `most` bytes of the open file from block `block`, byte
// `byte` within it.
KELM_EXPORT std::vector<BYTE> MakeReadC(BYTE seq, WORD block, WORD byte, WORD most = BlockSize);

struct Request {
  BYTE seq = 0;
  WORD action = 0;
  WORD params[5] = {};
  std::vector<BYTE> data;
};

struct Response {
  BYTE seq = 0;
  WORD action = 0;
  WORD error = 0;
  WORD p1 = 0;
  WORD p2 = 0;
  std::vector<BYTE> data;
};

KELM_EXPORT std::vector<BYTE> MakeResponse(const Response& response);

// What the bytes at the front of a buffer hold. Found: a whole packet with
// good CRCs, `used` bytes long. Incomplete: the start of one, or nothing;
// wait for more bytes. Garbled: the first `used` bytes can be no good packet
// and are dropped (bytes before an SOH, an SOH whose header is no header, or
// a whole packet whose data fail their CRC).
enum class Scan { Found, Incomplete, Garbled };

KELM_EXPORT Scan ScanResponse(const BYTE* bytes, std::size_t count, Response& response,
                              std::size_t& used);
KELM_EXPORT Scan ScanRequest(const BYTE* bytes, std::size_t count, Request& request,
                             std::size_t& used);

}  // namespace stentura_packets
