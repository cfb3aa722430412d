#include "comm/writer_connection.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "platform/error.h"
#include "platform/time.h"

namespace {

constexpr long read_size = 256;

}  // namespace

CWriterConnection::CWriterConnection(const CString& spec, CWriterStream::Protocol protocol)
    : m_spec(spec), m_stream(protocol), m_quiet(CWriterStream::GetQuietMilliseconds(protocol)) {}

CWriterConnection::~CWriterConnection() { Stop(); }

const char* CWriterConnection::GetStateName(State state) {
  switch (state) {
    case Waiting:
      return "waiting for the writer";
    case Connected:
      return "connected";
    case Disconnected:
      return "disconnected";
    case Stopped:
      break;
  }
  return "stopped";
}

int CWriterConnection::Start() {
  if (m_thread.joinable()) return 0;
  const bool open = OpenPort();
  SetState(open ? Connected : Waiting);
  m_thread = std::thread(&CWriterConnection::Run, this);
  return open ? 1 : 0;
}

void CWriterConnection::Stop() {
  {
    std::lock_guard lock(m_mutex);
    if (m_bStop || !m_thread.joinable()) return;
    m_bStop = true;
  }
  m_changed.notify_all();
  m_thread.join();
  m_port.Close();
  SetState(Stopped);
}

int CWriterConnection::GetEvent(Event& event, DWORD timeout) {
  std::unique_lock lock(m_mutex);
  if (!m_changed.wait_for(lock, std::chrono::milliseconds(timeout),
                          [this] { return !m_events.empty(); }))
    return 0;
  event = m_events.front();
  m_events.pop_front();
  return 1;
}

bool CWriterConnection::OpenPort() {
  SetLastError(ERROR_SUCCESS);
  if (!m_port.Open(m_spec)) {
    // Open refuses a port string without a colon before touching anything.
    const DWORD error = GetLastError();
    m_openError = error != ERROR_SUCCESS ? error : static_cast<DWORD>(ERROR_INVALID_NAME);
    return false;
  }
  m_readWait = 0;
  SetReadWait(ReadMilliseconds);
  m_stream.Reset();
  m_session.Connected();
  return true;
}

// A read ends as soon as it has a byte, or after `wait` with none: strokes go
// on at once, and a quiet line is noticed.
void CWriterConnection::SetReadWait(DWORD wait) {
  if (wait == m_readWait) return;
  m_port.SetReadTimeouts(static_cast<long>(MAXDWORD), static_cast<long>(MAXDWORD),
                         static_cast<long>(wait));
  m_readWait = wait;
}

void CWriterConnection::Run() {
  for (;;) {
    {
      std::unique_lock lock(m_mutex);
      if (m_bStop) return;
      if (!m_port.IsOpen()) {
        if (m_changed.wait_for(lock, std::chrono::milliseconds(RetryMilliseconds),
                               [this] { return m_bStop; }))
          return;
      }
    }
    if (m_port.IsOpen() && CWriterStream::IsAskedFor(m_stream.GetProtocol()))
      AskOnce();
    else if (m_port.IsOpen())
      ReadOnce();
    else if (OpenPort())
      SetState(Connected);
  }
}

void CWriterConnection::ReadOnce() {
  using Clock = std::chrono::steady_clock;
  // While bytes wait for the rest of their packet, the read ends when the
  // line has been quiet long enough to give up on them.
  DWORD wait = ReadMilliseconds;
  if (m_stream.IsPending()) {
    const auto quiet =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - m_lastByte);
    const auto left = static_cast<long long>(m_quiet) - quiet.count();
    wait = static_cast<DWORD>(std::clamp<long long>(left, 1, ReadMilliseconds));
  }
  SetReadWait(wait);
  BYTE buffer[read_size];
  std::vector<CStroke> strokes;
  SetLastError(ERROR_SUCCESS);
  const long got = m_port.Read(buffer, read_size);
  // A read that times out succeeds with nothing, leaving at most the
  // ERROR_IO_PENDING of its start; one that fails lost the device, and the
  // handle goes at once so that nothing holds it.
  const DWORD error = GetLastError();
  const bool lost =
      got <= 0 && error != ERROR_SUCCESS && error != static_cast<DWORD>(ERROR_IO_PENDING);
  if (got > 0) {
    m_stream.Feed(buffer, static_cast<int>(got), strokes);
    m_lastByte = Clock::now();
  } else if (lost || (m_stream.IsPending() &&
                      Clock::now() - m_lastByte >= std::chrono::milliseconds(m_quiet))) {
    m_stream.LineQuiet(strokes);
  }
  if (lost) m_port.Close();
  QueueStrokes(strokes);
  if (lost) SetState(Disconnected);
}

// Each answer holds whole records, so what is left of one is garbled and
// goes before the next answer's.
void CWriterConnection::AskOnce() {
  SetReadWait(ReadMilliseconds);
  std::vector<BYTE> records;
  std::vector<CStroke> strokes;
  const bool kept = m_session.Turn(m_port, records);
  if (!records.empty()) {
    m_stream.Feed(records.data(), static_cast<int>(records.size()), strokes);
    m_stream.LineQuiet(strokes);
  }
  if (!kept) m_port.Close();
  QueueStrokes(strokes);
  if (!kept) SetState(Disconnected);
}

void CWriterConnection::QueueStrokes(std::vector<CStroke>& strokes) {
  m_nDropped = m_stream.GetDroppedBytes();
  if (strokes.empty()) return;
  const CTime now = CTime::GetCurrentTime();
  {
    std::lock_guard lock(m_mutex);
    for (CStroke& s : strokes) {
      s.SetTimeStamp(now);
      m_events.push_back({Event::Stroke, s, Connected});
    }
  }
  m_changed.notify_all();
}

void CWriterConnection::SetState(State state) {
  if (m_state.exchange(state) == state) return;
  Event event;
  event.state = state;
  Queue(event);
}

void CWriterConnection::Queue(const Event& event) {
  {
    std::lock_guard lock(m_mutex);
    m_events.push_back(event);
  }
  m_changed.notify_all();
}
