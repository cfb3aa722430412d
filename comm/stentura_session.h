// CStenturaSession: the host's side of the Stentura request protocol on an
// open CCommPort. A writer on this protocol sends nothing unasked: the
// session opens the realtime file, then asks again and again for what the
// file holds past the last byte it has, and hands on the strokes' bytes
// (4-byte records in CStroke::SetStentura's layout) for CWriterStream to cut.
//
// A request gets one valid answer: an answer with a bad CRC, or with another
// request's sequence number or action, is dropped; after ResendMilliseconds
// without a valid answer (or a second after the last byte of one still
// coming in) the same request goes again (the writer may hold a ReadC up to
// half a second while it has no strokes). Because every ReadC
// names its position, a request sent again never skips strokes.
//
// What the file already holds when the host first connects was written
// before the host listened: it is read to its end and not handed on. After a
// reconnection (Connected again) the file is opened anew and read from its
// start, the bytes handed on before are passed over, and the strokes written
// while the cable was out come through: none lost, none twice. A file that
// ends short of what was handed on is a new one (the writer started it while
// the cable was out), and all of it is handed on.
//
// Used by one thread at a time (CWriterConnection's reading thread).
#pragma once

#include "comm/comm_port.h"
#include "platform/export.h"
#include "platform/types.h"

#include <chrono>
#include <vector>

class KELM_EXPORT CStenturaSession {
 public:
  static constexpr DWORD ResendMilliseconds = 1000;

  // The port has opened, or opened again after the device went.
  void Connected();
  // Sends the request that is due, reads once under the port's read
  // time-outs, and appends the records of a valid answer to `records`.
  // False when the port has lost its device.
  bool Turn(CCommPort& port, std::vector<BYTE>& records);

  // What the file held at the first connection has been read past.
  bool IsCaughtUp() const { return !m_bCatchingUp; }
  // Requests sent again for want of a valid answer.
  unsigned long GetResends() const { return m_nResends; }
  // Answers and stray bytes dropped: bad CRCs, wrong sequence numbers.
  unsigned long GetDiscarded() const { return m_nDiscarded; }

 private:
  bool Send(CCommPort& port);
  void Take(std::vector<BYTE>& records);
  void Answered(const std::vector<BYTE>& data, WORD error, std::vector<BYTE>& records);

  bool m_bOpened = false;    // the realtime file is open on this connection
  bool m_bAwaiting = false;  // a request is out without a valid answer
  bool m_bEverConnected = false;
  bool m_bCatchingUp = false;
  BYTE m_seq = 0;  // the sequence number of the request out
  WORD m_action = 0;
  std::vector<BYTE> m_request;
  std::chrono::steady_clock::time_point m_sent;
  // When the last bytes came: an answer still coming in on a slow line is
  // waited for a second from its last byte, not cut off and asked again.
  std::chrono::steady_clock::time_point m_heard;
  // Bytes of the file read since it was opened on this connection, and
  // bytes of it handed on or passed over since the first connection.
  unsigned long m_nRead = 0;
  unsigned long m_nDelivered = 0;
  std::vector<BYTE> m_in;
  // What a reopened file gave that was handed on before, kept until the
  // file shows it is the same by reaching past them.
  std::vector<BYTE> m_passed;
  unsigned long m_nResends = 0;
  unsigned long m_nDiscarded = 0;
};
