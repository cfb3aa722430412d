#include "comm/stentura_packets.h"

namespace stentura_packets {
namespace {

constexpr std::size_t length_at = 2;
constexpr char realtime_file[] = "REALTIME.000";
constexpr WORD drive_a = 'A';
// A ReadC's first parameter is always 1.
constexpr WORD readc_p1 = 1;

WORD word_at(const BYTE* bytes, std::size_t at) {
  return static_cast<WORD>(bytes[at] | bytes[at + 1] << 8);
}

void put_word(std::vector<BYTE>& out, WORD value) {
  out.push_back(static_cast<BYTE>(value & 0xFF));
  out.push_back(static_cast<BYTE>(value >> 8));
}

void put_crc(std::vector<BYTE>& out, std::size_t from) {
  put_word(out, Crc16(out.data() + from, out.size() - from));
}

// A packet is a header of `header` bytes (its CRC last) and, when longer, a
// data section of at least one byte and its CRC. The scan of both kinds.
Scan scan(const BYTE* bytes, std::size_t count, std::size_t header, std::size_t& used) {
  std::size_t skip = 0;
  while (skip < count && bytes[skip] != SOH) ++skip;
  if (skip > 0) {
    used = skip;
    return Scan::Garbled;
  }
  if (count < length_at + 2) return Scan::Incomplete;
  const std::size_t length = word_at(bytes, length_at);
  // A length no packet has means the SOH was not one: drop it and look for
  // the next.
  const bool fits = length == header || (length >= header + 3 && length <= MaxPacketSize);
  if (!fits) {
    used = 1;
    return Scan::Garbled;
  }
  if (count < header) return Scan::Incomplete;
  if (Crc16(bytes + 1, header - 1) != 0) {
    used = 1;
    return Scan::Garbled;
  }
  if (count < length) return Scan::Incomplete;
  used = length;
  if (length > header && Crc16(bytes + header, length - header) != 0) return Scan::Garbled;
  return Scan::Found;
}

std::vector<BYTE> data_of(const BYTE* bytes, std::size_t header, std::size_t length) {
  if (length <= header) return {};
  return std::vector<BYTE>(bytes + header, bytes + length - 2);
}

}  // namespace

WORD Crc16(const BYTE* bytes, std::size_t count) {
  WORD crc = 0;
  for (std::size_t i = 0; i < count; ++i) {
    crc ^= bytes[i];
    for (int bit = 0; bit < 8; ++bit)
      crc = static_cast<WORD>(crc & 1 ? (crc >> 1) ^ 0xA001 : crc >> 1);
  }
  return crc;
}

std::vector<BYTE> MakeRequest(BYTE seq, WORD action, const WORD (&params)[5],
                              std::string_view data) {
  const std::size_t length = RequestHeaderSize + (data.empty() ? 0 : data.size() + 2);
  std::vector<BYTE> out{SOH, seq};
  out.reserve(length);
  put_word(out, static_cast<WORD>(length));
  put_word(out, action);
  for (const WORD p : params) put_word(out, p);
  put_crc(out, 1);
  if (data.empty()) return out;
  const std::size_t from = out.size();
  out.insert(out.end(), data.begin(), data.end());
  put_crc(out, from);
  return out;
}

std::vector<BYTE> MakeOpenRealtime(BYTE seq) {
  return MakeRequest(seq, Open, {drive_a, 0, 0, 0, 0}, realtime_file);
}

std::vector<BYTE> MakeReadC(BYTE seq, WORD block, WORD byte, WORD most) {
  return MakeRequest(seq, ReadC, {readc_p1, 0, most, block, byte});
}

std::vector<BYTE> MakeResponse(const Response& response) {
  const std::size_t length =
      ResponseHeaderSize + (response.data.empty() ? 0 : response.data.size() + 2);
  std::vector<BYTE> out{SOH, response.seq};
  out.reserve(length);
  put_word(out, static_cast<WORD>(length));
  for (const WORD w : {response.action, response.error, response.p1, response.p2}) put_word(out, w);
  put_crc(out, 1);
  if (response.data.empty()) return out;
  const std::size_t from = out.size();
  out.insert(out.end(), response.data.begin(), response.data.end());
  put_crc(out, from);
  return out;
}

Scan ScanResponse(const BYTE* bytes, std::size_t count, Response& response, std::size_t& used) {
  const Scan found = scan(bytes, count, ResponseHeaderSize, used);
  if (found != Scan::Found) return found;
  response.seq = bytes[1];
  response.action = word_at(bytes, 4);
  response.error = word_at(bytes, 6);
  response.p1 = word_at(bytes, 8);
  response.p2 = word_at(bytes, 10);
  response.data = data_of(bytes, ResponseHeaderSize, used);
  return found;
}

Scan ScanRequest(const BYTE* bytes, std::size_t count, Request& request, std::size_t& used) {
  const Scan found = scan(bytes, count, RequestHeaderSize, used);
  if (found != Scan::Found) return found;
  request.seq = bytes[1];
  request.action = word_at(bytes, 4);
  for (std::size_t i = 0; i < 5; ++i) request.params[i] = word_at(bytes, 6 + 2 * i);
  request.data = data_of(bytes, RequestHeaderSize, used);
  return found;
}

}  // namespace stentura_packets
