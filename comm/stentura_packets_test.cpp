#include "comm/stentura_packets.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace stentura_packets;

std::vector<BYTE> bytes_of_hex(const std::string& hex) {
  std::vector<BYTE> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<BYTE>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

std::string hex_of(const std::vector<BYTE>& bytes) {
  std::string hex;
  for (const BYTE b : bytes) {
    char two[3];
    std::snprintf(two, sizeof two, "%02X", b);
    hex += two;
  }
  return hex;
}

std::vector<BYTE> text(const char* s) { return {s, s + std::char_traits<char>::length(s)}; }

TEST(StenturaPackets, Crc16MatchesTheKnownVectors) {
  const struct {
    const char* data;
    WORD crc;
  } cases[] = {
      {"", 0x0000},
      {"123456789", 0xBB3D},
      {"A", 0x30C0},
  };
  for (const auto& c : cases) {
    const std::vector<BYTE> data = text(c.data);
    EXPECT_EQ(c.crc, Crc16(data.data(), data.size())) << '"' << c.data << '"';
  }
}

// The requests byte for byte, little-endian, each CRC over its part from the
// byte after SOH.
TEST(StenturaPackets, RequestsAreBuiltByteForByte) {
  const struct {
    const char* what;
    std::vector<BYTE> packet;
    const char* hex;
  } cases[] = {
      {"open the realtime file", MakeOpenRealtime(79),
       "014F20000A004100000000000000000065DD5245414C54494D452E30303049F2"},
      {"read block 1 from byte 8", MakeReadC(32, 1, 8), "012012000B0001000000000201000800F9E8"},
      {"five parameters", MakeRequest(2, Open, {1, 2, 3, 4, 5}),
       "010212000A00010002000300040005005A44"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.hex, hex_of(c.packet)) << c.what;
}

TEST(StenturaPackets, ResponsesAreBuiltByteForByte) {
  Response with_data;
  with_data.seq = 7;
  with_data.action = ReadC;
  with_data.p1 = 4;
  with_data.data = {0xC8, 0xC4, 0xC0, 0xC8};
  EXPECT_EQ("010714000B000000040000001AB7C8C4C0C82E0B", hex_of(MakeResponse(with_data)));
  Response bare;
  bare.seq = 5;
  bare.action = 9;
  bare.error = 1;
  bare.p1 = 2;
  bare.p2 = 3;
  EXPECT_EQ("01050E000900010002000300B0CA", hex_of(MakeResponse(bare)));
}

std::string scan_name(Scan scan) {
  switch (scan) {
    case Scan::Found:
      return "found";
    case Scan::Incomplete:
      return "incomplete";
    case Scan::Garbled:
      break;
  }
  return "garbled";
}

// The answers a line may bring, good and bad; a bad one is dropped by as
// many bytes as can be no good packet.
TEST(StenturaPackets, ScanningAnswersFindsGoodOnesAndDropsBadOnes) {
  const std::string good = "01050E000900010002000300B0CA";
  const std::string with_data = "010515000900010002000300C0BA68656C6C6FD234";
  const struct {
    const char* what;
    std::string hex;
    Scan scan;
    std::size_t used;
  } cases[] = {
      {"no data", good, Scan::Found, 14},
      {"data", with_data, Scan::Found, 21},
      {"a good one and more after it", good + "01", Scan::Found, 14},
      {"short", good.substr(0, 24), Scan::Incomplete, 0},
      {"only the SOH", "01", Scan::Incomplete, 0},
      {"data still coming", with_data.substr(0, 36), Scan::Incomplete, 0},
      {"bytes before the SOH", "C8C4" + good, Scan::Garbled, 2},
      {"header CRC wrong", good.substr(0, 24) + "B0CB", Scan::Garbled, 1},
      {"parameter flipped", "01050E000900010002000301B0CA", Scan::Garbled, 1},
      {"data CRC wrong", with_data.substr(0, 40) + "35", Scan::Garbled, 21},
      {"data byte flipped", "010515000900010002000300C0BA68656C6C7FD234", Scan::Garbled, 21},
      {"length below a header", "010500000900010002000300B0CA", Scan::Garbled, 1},
      {"length of a header and one byte", "01050F000900010002000300B0CA00", Scan::Garbled, 1},
      {"length past the longest packet", "0105FFFF0900010002000300B0CA", Scan::Garbled, 1},
  };
  for (const auto& c : cases) {
    const std::vector<BYTE> bytes = bytes_of_hex(c.hex);
    Response response;
    std::size_t used = 0;
    const Scan scan = ScanResponse(bytes.data(), bytes.size(), response, used);
    EXPECT_EQ(scan_name(c.scan), scan_name(scan)) << c.what << ": " << c.hex;
    if (scan != Scan::Incomplete) {
      EXPECT_EQ(c.used, used) << c.what << ": " << c.hex;
    }
  }
}

TEST(StenturaPackets, AScannedPacketGivesBackItsFields) {
  const std::vector<BYTE> answer = bytes_of_hex("010714000B000000040000001AB7C8C4C0C82E0B");
  Response response;
  std::size_t used = 0;
  ASSERT_EQ(Scan::Found, ScanResponse(answer.data(), answer.size(), response, used));
  EXPECT_EQ(7, response.seq);
  EXPECT_EQ(ReadC, response.action);
  EXPECT_EQ(0, response.error);
  EXPECT_EQ(4, response.p1);
  EXPECT_EQ("C8C4C0C8", hex_of(response.data));

  const std::vector<BYTE> open = MakeOpenRealtime(200);
  Request request;
  ASSERT_EQ(Scan::Found, ScanRequest(open.data(), open.size(), request, used));
  EXPECT_EQ(open.size(), used);
  EXPECT_EQ(200, request.seq);
  EXPECT_EQ(Open, request.action);
  EXPECT_EQ('A', request.params[0]);
  EXPECT_EQ("REALTIME.000", std::string(request.data.begin(), request.data.end()));

  const std::vector<BYTE> read = MakeReadC(9, 3, 500, 64);
  ASSERT_EQ(Scan::Found, ScanRequest(read.data(), read.size(), request, used));
  const WORD want[5] = {1, 0, 64, 3, 500};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(want[i], request.params[i]) << "parameter " << i + 1;
  EXPECT_TRUE(request.data.empty());
}

}  // namespace
