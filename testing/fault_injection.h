// Faults for the tests of saves: a full disk, made by a file size limit in a
// child process, and a process killed at random moments while it saves. Each
// fault strikes a child, never the test process itself. The tallies print one
// summary line per kind of save, so that a run shows how hard each was tried.
// For tests only: it is not installed.
#pragma once

#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

// How a child ended: its exit status, or the signal that killed it.
struct ChildEnd {
  bool exited = false;
  int status = -1;
  int signal = 0;
};

inline ChildEnd WaitForChild(pid_t pid) {
  int wait_status = 0;
  if (pid <= 0 || waitpid(pid, &wait_status, 0) != pid) return {};
  if (WIFEXITED(wait_status)) return {true, WEXITSTATUS(wait_status), 0};
  return {false, -1, WIFSIGNALED(wait_status) ? WTERMSIG(wait_status) : 0};
}

// Makes every file of the calling process stop at `limit` bytes: a write
// beyond it fails with EFBIG, as a write to a full disk fails, instead of
// raising SIGXFSZ. Only for a child: the limit cannot be raised again.
inline void LimitFileSize(rlim_t limit) {
  signal(SIGXFSZ, SIG_IGN);
  const rlimit r{limit, limit};
  setrlimit(RLIMIT_FSIZE, &r);
}

// Runs `body` in a child process whose files cannot grow past `limit` bytes.
// The child's exit status is the body's result; -1 when it did not exit by
// itself.
inline int RunInChild(rlim_t limit, const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) {
    LimitFileSize(limit);
    _exit(body());
  }
  return WaitForChild(pid).status;
}

// Delays drawn evenly from [shortest, longest), from a fixed seed so that a
// failing run can be repeated.
class RandomDelays {
 public:
  RandomDelays(std::chrono::microseconds shortest, std::chrono::microseconds longest,
               unsigned seed = 20261207)
      : m_engine(seed), m_pick(shortest.count(), std::max(shortest.count(), longest.count() - 1)) {}

  std::chrono::microseconds Next() { return std::chrono::microseconds(m_pick(m_engine)); }

 private:
  std::mt19937 m_engine;
  std::uniform_int_distribution<std::chrono::microseconds::rep> m_pick;
};

// Sends SIGKILL to the child after `delay` and reaps it: true when the kill
// found it still running, false when it had ended by itself first.
inline bool KillAfter(pid_t pid, std::chrono::microseconds delay) {
  std::this_thread::sleep_for(delay);
  kill(pid, SIGKILL);
  const ChildEnd end = WaitForChild(pid);
  return !end.exited && end.signal == SIGKILL;
}

// What one kind of save went through, printed as one line for the record.
struct FaultTally {
  int iterations = 0;
  int failures_reported = 0;
  int kills = 0;
  int mid_save = 0;
  // Kills after which a new temporary file lay beside the saved one.
  int mid_write = 0;
  // The temporary files kills left, and how many of them later saves removed.
  int temp_left = 0;
  int cleaned = 0;

  void Print(const std::string& kind) const {
    std::cout << "[  FAULTS  ] " << kind << ": " << iterations << " iterations, "
              << failures_reported << " failures reported, " << kills << " kills, " << mid_save
              << " mid-save, " << mid_write << " with a temporary file, " << temp_left
              << " temporary files left, " << cleaned << " removed by later saves" << std::endl;
    ::testing::Test::RecordProperty(
        kind, std::to_string(iterations) + " iterations, " + std::to_string(failures_reported) +
                  " failures, " + std::to_string(kills) + " kills, " + std::to_string(mid_save) +
                  " mid-save, " + std::to_string(temp_left) + " left, " + std::to_string(cleaned) +
                  " cleaned");
  }
};

// Kills `kills` children one after another, each after a delay from `delays`.
// Each child calls save(0), save(1), ... until it dies, so that it is nearly
// always inside a save when the kill comes; a save that reports failure ends
// the child with status 1, which the test sees as a failure. After each kill
// `check(mid_save)` looks at what the save left, told whether the kill landed
// inside a save call.
inline FaultTally KillDuringSaves(int kills, RandomDelays delays,
                                  const std::function<bool(int n)>& save,
                                  const std::function<void(bool mid_save)>& check) {
  struct progress {
    std::atomic<int> in_save;
    std::atomic<int> failed;
  };
  void* shared =
      mmap(nullptr, sizeof(progress), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (shared == MAP_FAILED) {
    ADD_FAILURE() << "no shared memory for the children";
    return {};
  }
  auto* p = new (shared) progress{};
  FaultTally tally;
  for (int k = 0; k < kills; ++k) {
    p->in_save = 0;
    const pid_t pid = fork();
    if (pid == 0) {
      for (int n = 0;; ++n) {
        p->in_save = 1;
        const bool saved = save(n);
        p->in_save = 0;
        if (!saved) {
          p->failed = 1;
          _exit(1);
        }
      }
    }
    ++tally.iterations;
    if (KillAfter(pid, delays.Next())) ++tally.kills;
    const bool mid_save = p->in_save.load() != 0;
    if (mid_save) ++tally.mid_save;
    check(mid_save);
    if (p->failed.load() != 0) {
      ++tally.failures_reported;
      p->failed = 0;
    }
  }
  munmap(shared, sizeof(progress));
  return tally;
}

// The names in a folder, sorted, so that a leftover beside a saved file shows.
inline std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

inline std::string Listed(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return "[" + text + "]";
}
