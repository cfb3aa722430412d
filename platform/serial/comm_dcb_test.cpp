#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/serial/comm.h"
#include "platform/serial/comm_line.h"

namespace {

DCB blank_block() {
  DCB dcb;
  std::memset(&dcb, 0, sizeof dcb);
  dcb.BaudRate = 1234;
  dcb.ByteSize = 7;
  dcb.Parity = MARKPARITY;
  dcb.StopBits = TWOSTOPBITS;
  return dcb;
}

TEST(BuildCommDCBTest, AcceptsBothFormsAsWindowsDoes) {
  struct accepted {
    const char* text;
    DWORD baud;
    BYTE parity;
    BYTE data;
    BYTE stop;
  };
  const accepted cases[] = {
      {"baud=9600 parity=N data=8 stop=1", 9600, NOPARITY, 8, ONESTOPBIT},
      {"BAUD=19200 PARITY=e DATA=7 STOP=2", 19200, EVENPARITY, 7, TWOSTOPBITS},
      {"baud=1200 parity=o data=5 stop=1.5", 1200, ODDPARITY, 5, ONE5STOPBITS},
      {"  baud=9600   parity=m  ", 9600, MARKPARITY, 7, ONESTOPBIT},
      // Without stop=, 110 baud has two stop bits and any other rate one.
      {"baud=110", 110, MARKPARITY, 7, TWOSTOPBITS},
      {"parity=s", 1234, SPACEPARITY, 7, ONESTOPBIT},
      {"COM1: baud=9600 parity=N data=8 stop=1", 9600, NOPARITY, 8, ONESTOPBIT},
      {"com12 baud=4800", 4800, MARKPARITY, 7, ONESTOPBIT},
      {"baud=9600 to=on xon=off odsr=off octs=on dtr=hs rts=tg idsr=on", 9600, MARKPARITY, 7,
       ONESTOPBIT},
      {"9600,n,8,1", 9600, NOPARITY, 8, ONESTOPBIT},
      {"96,N,8,1", 9600, NOPARITY, 8, ONESTOPBIT},
      {"11,e,7,2", 110, EVENPARITY, 7, TWOSTOPBITS},
      {"19,o,8,1", 19200, ODDPARITY, 8, ONESTOPBIT},
      {"115200 , s , 6 , 1.5", 115200, SPACEPARITY, 6, ONE5STOPBITS},
      {"COM3:9600,n,8,1,x", 9600, NOPARITY, 8, ONESTOPBIT},
      {"9600,n,8,1,P", 9600, NOPARITY, 8, ONESTOPBIT},
      {"", 1234, MARKPARITY, 7, TWOSTOPBITS},
  };
  for (const auto& c : cases) {
    DCB dcb = blank_block();
    ASSERT_TRUE(BuildCommDCBA(c.text, &dcb)) << c.text;
    EXPECT_EQ(c.baud, dcb.BaudRate) << c.text;
    EXPECT_EQ(c.parity, dcb.Parity) << c.text;
    EXPECT_EQ(c.data, dcb.ByteSize) << c.text;
    EXPECT_EQ(c.stop, dcb.StopBits) << c.text;
  }
}

TEST(BuildCommDCBTest, SetsFlowControl) {
  struct flow {
    const char* text;
    bool out_x, in_x, cts;
    DWORD rts, dtr;
    bool dsr;
  };
  const flow cases[] = {
      {"9600,n,8,1", false, false, false, RTS_CONTROL_ENABLE, 0, false},
      {"9600,n,8,1,x", true, true, false, RTS_CONTROL_ENABLE, 0, false},
      {"9600,n,8,1,p", false, false, true, RTS_CONTROL_HANDSHAKE, 0, false},
      {"xon=on octs=off", true, true, false, 0, 0, false},
      {"octs=on rts=hs dtr=on odsr=on", false, false, true, RTS_CONTROL_HANDSHAKE,
       DTR_CONTROL_ENABLE, true},
      {"rts=off dtr=hs", false, false, false, RTS_CONTROL_DISABLE, DTR_CONTROL_HANDSHAKE, false},
  };
  for (const auto& c : cases) {
    DCB dcb{};
    ASSERT_TRUE(BuildCommDCBA(c.text, &dcb)) << c.text;
    EXPECT_EQ(c.out_x, dcb.fOutX != 0) << c.text;
    EXPECT_EQ(c.in_x, dcb.fInX != 0) << c.text;
    EXPECT_EQ(c.cts, dcb.fOutxCtsFlow != 0) << c.text;
    EXPECT_EQ(c.rts, dcb.fRtsControl) << c.text;
    EXPECT_EQ(c.dtr, dcb.fDtrControl) << c.text;
    EXPECT_EQ(c.dsr, dcb.fOutxDsrFlow != 0) << c.text;
  }
}

TEST(BuildCommDCBTest, RefusesWhatWindowsRefusesAndKeepsTheBlock) {
  const char* refused[] = {
      "baud=",
      "baud=fast",
      "baud=9600x",
      "baud=99999999999",
      "parity=x",
      "data=4",
      "data=9",
      "stop=3",
      "stop=1.2",
      "speed=9600",
      "baud 9600",
      "baud=9600,parity=N",
      "to=maybe",
      "dtr=tg",
      "rts=yes",
      "xon=",
      "9600",
      "9600,n,8",
      "9600,q,8,1",
      "9600,n,9,1",
      "9600,n,8,3",
      "9600,n,8,1,z",
      "9600,n,8,1,x,extra",
      ",n,8,1",
      "COM0:9600,n,8,1",
      "COMX baud=9600",
      "COM:baud=9600",
  };
  for (const char* text : refused) {
    DCB dcb = blank_block();
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(BuildCommDCBA(text, &dcb)) << text;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError()) << text;
    DCB unchanged = blank_block();
    EXPECT_EQ(0, std::memcmp(&dcb, &unchanged, sizeof dcb)) << text;
  }
  DCB dcb = blank_block();
  EXPECT_FALSE(BuildCommDCBA(nullptr, &dcb));
  EXPECT_FALSE(BuildCommDCBA("baud=9600", nullptr));
}

TEST(CommLineTest, RefusesWhatTheTerminalCannotTake) {
  struct line {
    DWORD baud;
    BYTE data;
    BYTE parity;
    BYTE stop;
    bool taken;
  };
  const line cases[] = {
      {9600, 8, NOPARITY, ONESTOPBIT, true},    {115200, 7, EVENPARITY, TWOSTOPBITS, true},
      {300, 5, MARKPARITY, ONE5STOPBITS, true}, {9600, 8, NOPARITY, ONE5STOPBITS, false},
      {9600, 5, NOPARITY, TWOSTOPBITS, false},  {12345, 8, NOPARITY, ONESTOPBIT, false},
      {0, 8, NOPARITY, ONESTOPBIT, false},      {9600, 4, NOPARITY, ONESTOPBIT, false},
      {9600, 8, 5, ONESTOPBIT, false},          {9600, 8, NOPARITY, 3, false},
  };
  for (const auto& c : cases) {
    DCB dcb{};
    dcb.BaudRate = c.baud;
    dcb.ByteSize = c.data;
    dcb.Parity = c.parity;
    dcb.StopBits = c.stop;
    struct termios tio {};
    std::string input = std::to_string(c.baud) + " " + std::to_string(c.data) + " parity " +
                        std::to_string(c.parity) + " stop " + std::to_string(c.stop);
    ASSERT_EQ(c.taken, comm_line::to_termios(dcb, tio)) << input;
    if (!c.taken) continue;
    DCB back = comm_line::from_termios(tio);
    EXPECT_EQ(c.baud, back.BaudRate) << input;
    EXPECT_EQ(c.data, back.ByteSize) << input;
    EXPECT_EQ(c.parity, back.Parity) << input;
    EXPECT_EQ(c.stop, back.StopBits) << input;
  }
}

}  // namespace
