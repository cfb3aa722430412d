// WriterSimulator: a steno writer at the far end of a serial line, for the
// tests, the benchmarks and a person without a machine. It holds the master
// side of a pseudo-terminal and names the slave by a link of a stable name,
// as /dev/serial/by-id does, so that the host opens the link as it would
// open a writer's port, and finds it again after a pulled cable.
//
// A streamed writer (every protocol but the Stentura request protocol) sends
// each stroke's packet the moment it is written. A writer on the request
// protocol keeps every stroke in its realtime file and answers the host's
// requests as a machine does: OPEN of the realtime file, and READC from the
// position asked, held up to HoldMilliseconds while there is nothing to
// give. It can be made a poor line: answers given slowly, a share of them
// with a bad CRC, or a stale copy of the last answer first.
//
// Unplug closes the master (the host's reads fail as when a cable is
// pulled) and removes the link; Plug opens a new pseudo-terminal and links
// it under the same name. The realtime file outlives both.
//
// Every call may come from any thread; a request writer answers on a
// thread of its own. Never installed.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "comm/stentura_packets.h"
#include "strokes/stroke.h"
#include "strokes/writer_stream.h"

class WriterSimulator {
 public:
  struct Options {
    CWriterStream::Protocol protocol = CWriterStream::StenturaProtocol;
    // The longest a READC waits for a stroke before an empty answer.
    unsigned holdMilliseconds = 500;
    // Each answer waits a random time up to this before it goes.
    unsigned slowMilliseconds = 0;
    // The share of answers sent with one bit flipped, and of answers
    // preceded by a copy of the last answer (another request's sequence
    // number).
    double corruptShare = 0;
    double staleShare = 0;
    unsigned seed = 1;
    // A machine's line speed: a request takes its bytes' time to come and an
    // answer its bytes' time to go (ten bits a byte). 0: as fast as the
    // pseudo-terminal.
    unsigned baud = 0;
  };

  using Clock = std::chrono::steady_clock;

  // Plugged in at once, linked as `link` (its folder must exist). Throws
  // when no pseudo-terminal can be had.
  WriterSimulator(const Options& options, std::string link);
  WriterSimulator(const WriterSimulator&) = delete;
  WriterSimulator& operator=(const WriterSimulator&) = delete;
  ~WriterSimulator();

  // The link, and the port string the host opens it with: the writer's
  // usual line speed.
  const std::string& Link() const { return m_link; }
  CWriterStream::Protocol Protocol() const { return m_options.protocol; }
  std::string PortSpec() const;

  // A stroke written on the keys: sent at once, or kept for the host to ask.
  // The time it was written.
  Clock::time_point Write(const CStroke& stroke);
  // Strokes already in the realtime file, as if written before the host
  // connected: no host should show them.
  void WriteBefore(const std::vector<CStroke>& strokes);

  void Unplug();
  void Plug();
  // The writer starts a new realtime file, as after it was switched off.
  void NewRealtimeFile();

  // The bytes one stroke's packet takes in this writer's protocol.
  std::vector<BYTE> Packet(const CStroke& stroke);

  // The host has read every stroke written so far: a streamed writer's line
  // holds no byte unread, or a machine has been asked past its file's end.
  bool HostHasAll();
  // A machine's host has read past what its file held when it connected
  // and asks for new strokes: strokes written now are not taken for old
  // ones. Waits up to `timeout`.
  bool WaitUntilHostListens(std::chrono::milliseconds timeout);

  unsigned long GetAnswers() const { return m_nAnswers; }
  unsigned long GetCorrupted() const { return m_nCorrupted; }
  unsigned long GetStale() const { return m_nStale; }
  // The realtime file's bytes the host has asked past: all it has read.
  unsigned long GetReadUpTo() const { return m_nReadUpTo; }

 private:
  void OpenLine();
  void CloseLine();
  void Serve();
  void Answer(const stentura_packets::Request& request);
  bool SendToHost(const std::vector<BYTE>& bytes);
  void TakeLineTime(std::size_t bytes) const;

  const Options m_options;
  const std::string m_link;

  std::mutex m_mutex;
  std::condition_variable m_grown;  // the realtime file grew, or a stop
  int m_master = -1;
  int m_slaveHold = -1;  // keeps the line up while the host reopens it
  std::vector<BYTE> m_file;
  std::vector<BYTE> m_lastAnswer;
  // The sequence number of the last empty answer that went out whole, and
  // whether a request has come since with another: the host has it.
  int m_nCleanEmptySeq = -1;
  bool m_bHostListens = false;
  std::condition_variable m_listening;
  unsigned long m_nPassportCount = 0;
  std::mt19937 m_random;
  bool m_bStop = false;
  std::thread m_machine;

  std::atomic<unsigned long> m_nAnswers{0};
  std::atomic<unsigned long> m_nCorrupted{0};
  std::atomic<unsigned long> m_nStale{0};
  std::atomic<unsigned long> m_nReadUpTo{0};
};
