#include "comm/stentura_session.h"

#include <algorithm>

#include "comm/stentura_packets.h"
#include "platform/error.h"

using namespace stentura_packets;

namespace {

constexpr long read_size = 1024;

}  // namespace

void CStenturaSession::Connected() {
  m_bOpened = false;
  m_bAwaiting = false;
  m_nRead = 0;
  m_in.clear();
  m_passed.clear();
  if (!m_bEverConnected) m_bCatchingUp = true;
  m_bEverConnected = true;
}

bool CStenturaSession::Turn(CCommPort& port, std::vector<BYTE>& records) {
  if (!m_bAwaiting) {
    ++m_seq;
    if (!m_bOpened) {
      m_request = MakeOpenRealtime(m_seq);
      m_action = Open;
    } else {
      m_request = MakeReadC(m_seq, static_cast<WORD>(m_nRead / BlockSize),
                            static_cast<WORD>(m_nRead % BlockSize));
      m_action = ReadC;
    }
    if (!Send(port)) return false;
  } else if (std::chrono::steady_clock::now() -
                 (m_in.empty() ? m_sent : std::max(m_sent, m_heard)) >=
             std::chrono::milliseconds(ResendMilliseconds)) {
    // Whatever came of the last sending is no answer: start the line clean.
    ++m_nResends;
    m_nDiscarded += static_cast<unsigned long>(m_in.size());
    m_in.clear();
    port.Clear();
    if (!Send(port)) return false;
  }
  BYTE buffer[read_size];
  SetLastError(ERROR_SUCCESS);
  const long got = port.Read(buffer, read_size);
  const DWORD error = GetLastError();
  if (got <= 0 && error != ERROR_SUCCESS && error != static_cast<DWORD>(ERROR_IO_PENDING))
    return false;
  if (got > 0) {
    m_heard = std::chrono::steady_clock::now();
    m_in.insert(m_in.end(), buffer, buffer + got);
    Take(records);
  }
  return true;
}

bool CStenturaSession::Send(CCommPort& port) {
  m_bAwaiting = true;
  m_sent = std::chrono::steady_clock::now();
  const long size = static_cast<long>(m_request.size());
  return port.Write(m_request.data(), size) == size;
}

void CStenturaSession::Take(std::vector<BYTE>& records) {
  std::size_t at = 0;
  while (at < m_in.size()) {
    Response response;
    std::size_t used = 0;
    const Scan found = ScanResponse(m_in.data() + at, m_in.size() - at, response, used);
    if (found == Scan::Incomplete) break;
    at += used;
    if (found == Scan::Garbled) {
      m_nDiscarded += static_cast<unsigned long>(used);
      continue;
    }
    // A late answer to a request sent before, or none of ours.
    if (!m_bAwaiting || response.seq != m_seq || response.action != m_action) {
      m_nDiscarded += static_cast<unsigned long>(used);
      continue;
    }
    m_bAwaiting = false;
    Answered(response.data, response.error, records);
  }
  m_in.erase(m_in.begin(), m_in.begin() + static_cast<std::ptrdiff_t>(at));
}

void CStenturaSession::Answered(const std::vector<BYTE>& data, WORD error,
                                std::vector<BYTE>& records) {
  // A writer that cannot open a realtime file it has not started yet still
  // answers ReadC once strokes come, so an error is no reason to stop.
  if (m_action == Open) {
    m_bOpened = true;
    return;
  }
  if (error != 0 || data.empty()) {
    // A file that ends before the strokes handed on is not the one they came
    // from: the writer started a new one while the cable was out, and all
    // it holds is new.
    if (!m_bCatchingUp && m_nRead < m_nDelivered) {
      records.insert(records.end(), m_passed.begin(), m_passed.end());
      m_nDelivered = m_nRead;
    }
    m_passed.clear();
    m_bCatchingUp = false;
    return;
  }
  const unsigned long start = m_nRead;
  m_nRead += static_cast<unsigned long>(data.size());
  if (m_bCatchingUp) {
    m_nDelivered = std::max(m_nDelivered, m_nRead);
    return;
  }
  const unsigned long skip = std::min(m_nDelivered > start ? m_nDelivered - start : 0,
                                      static_cast<unsigned long>(data.size()));
  m_passed.insert(m_passed.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(skip));
  if (m_nRead <= m_nDelivered) return;
  m_passed.clear();
  records.insert(records.end(), data.begin() + static_cast<std::ptrdiff_t>(skip), data.end());
  m_nDelivered = m_nRead;
}
