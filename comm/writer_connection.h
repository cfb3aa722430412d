// CWriterConnection: a steno writer on a serial line as a live source of
// strokes for a translator. It owns a CCommPort, reads it on a thread of its
// own, cuts the bytes into strokes with the writer's protocol
// (CWriterStream) and queues them, time-stamped and in order, between the
// changes of its state: waiting for the writer, connected, disconnected.
// A writer that sends its strokes only when asked (the Stentura request
// protocol, CWriterStream::IsAskedFor) is asked by a CStenturaSession on the
// same thread, and its answers' records go through the same CWriterStream.
// A stroke is queued as soon as its last byte is read; a partial packet
// waits for the rest until the line has been quiet for the protocol's time
// (CWriterStream::GetQuietMilliseconds), however the line parts its bytes.
//
// When the device goes (the cable pulled, the adapter reset), the port is
// closed at once, so that the old handle holds nothing, Disconnected is
// queued, and the same port string is opened again about once a
// second until the device is back: by the same name, such as a
// /dev/serial/by-id link, whichever /dev/ttyUSBn or /dev/ttyACMn it now
// stands for. Then Connected, and the strokes go on where they stopped; the
// host's transcript need not know.
//
// Every call may come from any thread. One consumer takes the events. The
// destructor stops the thread and closes the port.
#pragma once

#include "comm/comm_port.h"
#include "comm/stentura_session.h"
#include "platform/export.h"
#include "platform/string.h"
#include "platform/types.h"
#include "strokes/stroke.h"
#include "strokes/writer_stream.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

class KELM_EXPORT CWriterConnection {
 public:
  enum State { Stopped, Waiting, Connected, Disconnected };

  struct Event {
    enum Kind { Stroke, StateChange };
    Kind kind = StateChange;
    CStroke stroke;         // a Stroke's, stamped with the time it came
    State state = Stopped;  // a StateChange's new state
  };

  // The longest a read waits: how soon the thread sees a Stop.
  static constexpr DWORD ReadMilliseconds = 100;
  // Between two attempts to open a port that is not there.
  static constexpr DWORD RetryMilliseconds = 1000;

  // `spec` as CCommPort::Open takes it: "/dev/serial/by-id/usb-...:9600,n,8,1".
  CWriterConnection(const CString& spec, CWriterStream::Protocol protocol);
  CWriterConnection(const CWriterConnection&) = delete;
  CWriterConnection& operator=(const CWriterConnection&) = delete;
  ~CWriterConnection();

  // How long the line must be quiet before a partial packet is dropped (or a
  // TX Bolt stroke ends), for a line slower than writers' lines are; before
  // Start only.
  void SetQuietMilliseconds(DWORD quiet) { m_quiet = quiet; }

  // Opens the port once on the caller's thread and starts reading: 1 when
  // it opened (Connected), else 0 (Waiting, and the thread tries again
  // until Stop); GetOpenError then says why. Once only.
  int Start();
  // Ends the thread and closes the port; queues Stopped.
  void Stop();

  // The next event, waiting up to `timeout` milliseconds: 1 with it, 0 when
  // none came.
  int GetEvent(Event& event, DWORD timeout);
  State GetState() const { return m_state.load(); }
  // The last error of the last Open that failed (ERROR_FILE_NOT_FOUND for a
  // device that is not there, ERROR_ACCESS_DENIED for one in use, ...); 0
  // before any failed.
  DWORD GetOpenError() const { return m_openError.load(); }
  // Bytes the protocol's reader dropped as garbled or cut short.
  unsigned long GetDroppedBytes() const { return m_nDropped.load(); }

  static const char* GetStateName(State state);

 private:
  bool OpenPort();
  void Run();
  void ReadOnce();
  void AskOnce();
  void QueueStrokes(std::vector<CStroke>& strokes);
  void SetReadWait(DWORD wait);
  void SetState(State state);
  void Queue(const Event& event);

  const CString m_spec;
  CCommPort m_port;            // the reading thread's alone once started
  CWriterStream m_stream;      // likewise
  CStenturaSession m_session;  // likewise, for a writer that is asked
  DWORD m_quiet;
  // The reading thread's: the read time-out set on the port, and when the
  // last byte came.
  DWORD m_readWait = 0;
  std::chrono::steady_clock::time_point m_lastByte;
  std::thread m_thread;

  mutable std::mutex m_mutex;
  std::condition_variable m_changed;  // an event queued, or a stop asked
  std::deque<Event> m_events;
  bool m_bStop = false;

  std::atomic<State> m_state{Stopped};
  std::atomic<DWORD> m_openError{0};
  std::atomic<unsigned long> m_nDropped{0};
};
