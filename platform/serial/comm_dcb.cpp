// BuildCommDCBA and the DCB's meaning in termios.
#include <cstring>
#include <string_view>

#include "platform/ascii.h"
#include "platform/serial/comm.h"
#include "platform/serial/comm_line.h"

namespace {

struct baud_speed {
  DWORD baud;
  speed_t speed;
};

constexpr baud_speed baud_speeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool speed_of(DWORD baud, speed_t& speed) {
  for (const auto& b : baud_speeds)
    if (b.baud == baud) {
      speed = b.speed;
      return true;
    }
  return false;
}

DWORD baud_of(speed_t speed) {
  for (const auto& b : baud_speeds)
    if (b.speed == speed) return b.baud;
  return 0;
}

// A cursor over the settings text, with the small parsers both forms share.
class settings_text {
 public:
  explicit settings_text(std::string_view text) : m_text(text) {}

  bool at_end() const { return m_pos >= m_text.size(); }
  char peek() const { return at_end() ? '\0' : m_text[m_pos]; }
  void skip_spaces() {
    while (peek() == ' ') ++m_pos;
  }
  bool take(char c) {
    if (peek() != c) return false;
    ++m_pos;
    return true;
  }
  // Takes a keyword followed by '=' without regard to case.
  bool take_key(std::string_view key) {
    if (m_text.size() - m_pos < key.size() + 1) return false;
    for (size_t i = 0; i < key.size(); ++i)
      if (KelmAsciiToLower(m_text[m_pos + i]) != key[i]) return false;
    if (m_text[m_pos + key.size()] != '=') return false;
    m_pos += key.size() + 1;
    return true;
  }
  // A decimal number of at least one digit that fits in a DWORD.
  bool number(DWORD& value) {
    size_t start = m_pos;
    unsigned long long n = 0;
    while (peek() >= '0' && peek() <= '9') {
      n = n * 10 + static_cast<unsigned>(peek() - '0');
      if (n > MAXDWORD) return false;
      ++m_pos;
    }
    value = static_cast<DWORD>(n);
    return m_pos > start;
  }
  bool parity(BYTE& value) {
    switch (KelmAsciiToLower(peek())) {
      case 'n':
        value = NOPARITY;
        break;
      case 'o':
        value = ODDPARITY;
        break;
      case 'e':
        value = EVENPARITY;
        break;
      case 'm':
        value = MARKPARITY;
        break;
      case 's':
        value = SPACEPARITY;
        break;
      default:
        return false;
    }
    ++m_pos;
    return true;
  }
  bool byte_size(BYTE& value) {
    DWORD n = 0;
    if (!number(n) || n < 5 || n > 8) return false;
    value = static_cast<BYTE>(n);
    return true;
  }
  bool stop_bits(BYTE& value) {
    if (m_text.substr(m_pos, 3) == "1.5") {
      m_pos += 3;
      value = ONE5STOPBITS;
      return true;
    }
    if (take('1')) {
      value = ONESTOPBIT;
      return true;
    }
    if (take('2')) {
      value = TWOSTOPBITS;
      return true;
    }
    return false;
  }
  bool on_off(bool& value) {
    if (take_word("on")) {
      value = true;
      return true;
    }
    if (take_word("off")) {
      value = false;
      return true;
    }
    return false;
  }
  bool take_word(std::string_view word) {
    if (m_text.size() - m_pos < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
      if (KelmAsciiToLower(m_text[m_pos + i]) != word[i]) return false;
    m_pos += word.size();
    return true;
  }
  bool comma() {
    skip_spaces();
    if (!take(',')) return false;
    skip_spaces();
    return true;
  }

 private:
  std::string_view m_text;
  size_t m_pos = 0;
};

// "9600,n,8,1" with an optional ",x" (XON/XOFF) or ",p" (hardware) flow
// control; without one, flow control is off, as Windows NT sets it. The
// two-digit baud rates of the old mode command stand for their full rates.
bool build_old_form(settings_text& text, DCB& dcb) {
  if (!text.number(dcb.BaudRate)) return false;
  switch (dcb.BaudRate) {
    case 11:
    case 15:
    case 30:
    case 60:
      dcb.BaudRate *= 10;
      break;
    case 12:
    case 24:
    case 48:
    case 96:
      dcb.BaudRate *= 100;
      break;
    case 19:
      dcb.BaudRate = 19200;
      break;
    default:
      break;
  }
  if (!text.comma() || !text.parity(dcb.Parity)) return false;
  if (!text.comma() || !text.byte_size(dcb.ByteSize)) return false;
  if (!text.comma() || !text.stop_bits(dcb.StopBits)) return false;
  text.skip_spaces();
  char flow = '\0';
  if (text.take(',')) {
    text.skip_spaces();
    flow = text.peek();
    if (flow != '\0') text.take(flow);
    text.skip_spaces();
  }
  switch (flow) {
    case '\0':
      dcb.fInX = dcb.fOutX = FALSE;
      dcb.fOutxCtsFlow = FALSE;
      dcb.fRtsControl = RTS_CONTROL_ENABLE;
      break;
    case 'x':
    case 'X':
      dcb.fInX = dcb.fOutX = TRUE;
      dcb.fOutxCtsFlow = FALSE;
      dcb.fRtsControl = RTS_CONTROL_ENABLE;
      break;
    case 'p':
    case 'P':
      dcb.fInX = dcb.fOutX = FALSE;
      dcb.fOutxCtsFlow = TRUE;
      dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
      break;
    default:
      return false;
  }
  return text.at_end();
}

// "baud=9600 parity=N data=8 stop=1" and the switches of the mode command,
// separated by spaces. Without "stop=", 110 baud gets two stop bits and any
// other rate one.
bool build_new_form(settings_text& text, DCB& dcb) {
  bool baud = false;
  bool stop = false;
  while (!text.at_end()) {
    text.skip_spaces();
    if (text.at_end()) break;
    bool on = false;
    if (text.take_key("baud")) {
      baud = true;
      if (!text.number(dcb.BaudRate)) return false;
    } else if (text.take_key("parity")) {
      if (!text.parity(dcb.Parity)) return false;
    } else if (text.take_key("data")) {
      if (!text.byte_size(dcb.ByteSize)) return false;
    } else if (text.take_key("stop")) {
      stop = true;
      if (!text.stop_bits(dcb.StopBits)) return false;
    } else if (text.take_key("to")) {
      // The time-outs it sets belong to BuildCommDCBAndTimeouts.
      if (!text.on_off(on)) return false;
    } else if (text.take_key("xon")) {
      if (!text.on_off(on)) return false;
      dcb.fOutX = dcb.fInX = on;
    } else if (text.take_key("odsr")) {
      if (!text.on_off(on)) return false;
      dcb.fOutxDsrFlow = on;
    } else if (text.take_key("octs")) {
      if (!text.on_off(on)) return false;
      dcb.fOutxCtsFlow = on;
    } else if (text.take_key("dtr")) {
      if (text.take_word("hs"))
        dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
      else if (text.on_off(on))
        dcb.fDtrControl = on ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
      else
        return false;
    } else if (text.take_key("rts")) {
      if (text.take_word("hs"))
        dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
      else if (text.take_word("tg"))
        dcb.fRtsControl = RTS_CONTROL_TOGGLE;
      else if (text.on_off(on))
        dcb.fRtsControl = on ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
      else
        return false;
    } else if (text.take_key("idsr")) {
      if (!text.on_off(on)) return false;
      dcb.fDsrSensitivity = on;
    } else {
      return false;
    }
    if (!text.at_end() && text.peek() != ' ') return false;
  }
  if (!stop) dcb.StopBits = baud && dcb.BaudRate == 110 ? TWOSTOPBITS : ONESTOPBIT;
  return true;
}

}  // namespace

BOOL BuildCommDCBA(LPCSTR lpDef, LPDCB lpDCB) {
  if (lpDef == nullptr || lpDCB == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string_view def(lpDef);
  // A leading device name is skipped, but it must be one: "COM" and a number
  // from 1 up, with an optional colon.
  if (def.size() >= 3 && (def[0] == 'c' || def[0] == 'C') && (def[1] == 'o' || def[1] == 'O') &&
      (def[2] == 'm' || def[2] == 'M')) {
    size_t pos = 3;
    if (pos >= def.size() || def[pos] < '1' || def[pos] > '9') {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    while (pos < def.size() && def[pos] >= '0' && def[pos] <= '9') ++pos;
    if (pos < def.size() && def[pos] == ':') ++pos;
    def.remove_prefix(pos);
  }
  settings_text text(def);
  text.skip_spaces();
  // Built on a copy, so that refused settings leave the caller's block alone.
  DCB dcb = *lpDCB;
  bool ok = true;
  if (!text.at_end()) {
    ok = def.find(',') != std::string_view::npos ? build_old_form(text, dcb)
                                                 : build_new_form(text, dcb);
  }
  if (!ok) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  dcb.DCBlength = sizeof(DCB);
  dcb.fBinary = TRUE;
  dcb.fParity = dcb.Parity != NOPARITY;
  *lpDCB = dcb;
  return TRUE;
}

namespace comm_line {

bool to_termios(const DCB& dcb, struct termios& tio) {
  speed_t speed;
  if (!speed_of(dcb.BaudRate, speed)) return false;
  tcflag_t size;
  switch (dcb.ByteSize) {
    case 5:
      size = CS5;
      break;
    case 6:
      size = CS6;
      break;
    case 7:
      size = CS7;
      break;
    case 8:
      size = CS8;
      break;
    default:
      return false;
  }
  // 1.5 stop bits exist only beside 5 data bits, and 2 only beside more; a
  // UART sends 1.5 where termios asks 2 of a 5-bit character.
  bool two_stop;
  switch (dcb.StopBits) {
    case ONESTOPBIT:
      two_stop = false;
      break;
    case ONE5STOPBITS:
      if (dcb.ByteSize != 5) return false;
      two_stop = true;
      break;
    case TWOSTOPBITS:
      if (dcb.ByteSize == 5) return false;
      two_stop = true;
      break;
    default:
      return false;
  }
  if (dcb.Parity > SPACEPARITY) return false;

  cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
  tio.c_cflag |= size | CREAD | CLOCAL;
  if (two_stop) tio.c_cflag |= CSTOPB;
  switch (dcb.Parity) {
    case ODDPARITY:
      tio.c_cflag |= PARENB | PARODD;
      break;
    case EVENPARITY:
      tio.c_cflag |= PARENB;
      break;
    case MARKPARITY:
      tio.c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    case SPACEPARITY:
      tio.c_cflag |= PARENB | CMSPAR;
      break;
    default:
      break;
  }
  if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) tio.c_cflag |= CRTSCTS;
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
  if (dcb.fOutX) tio.c_iflag |= IXON;
  if (dcb.fInX) tio.c_iflag |= IXOFF;
  if (dcb.fParity && dcb.Parity != NOPARITY) tio.c_iflag |= INPCK;
  tio.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
  tio.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
  // One byte satisfies a read: with a non-blocking descriptor an empty queue
  // then reads as EAGAIN, and a read of nothing means the line hung up.
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  cfsetispeed(&tio, speed);
  cfsetospeed(&tio, speed);
  return true;
}

DCB from_termios(const struct termios& tio) {
  DCB dcb;
  std::memset(&dcb, 0, sizeof dcb);
  dcb.DCBlength = sizeof(DCB);
  dcb.BaudRate = baud_of(cfgetospeed(&tio));
  dcb.fBinary = TRUE;
  switch (tio.c_cflag & CSIZE) {
    case CS5:
      dcb.ByteSize = 5;
      break;
    case CS6:
      dcb.ByteSize = 6;
      break;
    case CS7:
      dcb.ByteSize = 7;
      break;
    default:
      dcb.ByteSize = 8;
      break;
  }
  if (tio.c_cflag & CSTOPB) dcb.StopBits = dcb.ByteSize == 5 ? ONE5STOPBITS : TWOSTOPBITS;
  if (tio.c_cflag & PARENB) {
    bool odd = (tio.c_cflag & PARODD) != 0;
    if (tio.c_cflag & CMSPAR)
      dcb.Parity = odd ? MARKPARITY : SPACEPARITY;
    else
      dcb.Parity = odd ? ODDPARITY : EVENPARITY;
    dcb.fParity = (tio.c_iflag & INPCK) != 0;
  }
  dcb.fOutxCtsFlow = (tio.c_cflag & CRTSCTS) != 0;
  dcb.fRtsControl = (tio.c_cflag & CRTSCTS) ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fOutX = (tio.c_iflag & IXON) != 0;
  dcb.fInX = (tio.c_iflag & IXOFF) != 0;
  dcb.XonChar = static_cast<char>(tio.c_cc[VSTART]);
  dcb.XoffChar = static_cast<char>(tio.c_cc[VSTOP]);
  dcb.XonLim = 2048;
  dcb.XoffLim = 512;
  return dcb;
}

}  // namespace comm_line
