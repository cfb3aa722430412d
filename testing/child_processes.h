// Child processes for the tests of storage that several processes share
// (the registry hive, profile files): each child runs a body and exits with
// its result, never returning into the test framework. For tests only: it is
// not installed.
#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <vector>

// Runs `body` in a child process, whose exit status is the body's result.
inline pid_t StartChild(const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  return pid;
}

// Starts `count` children that wait at a gate and then run body(n) all at
// once, so that they meet as often as they can.
inline std::vector<pid_t> StartTogether(int count, const std::function<int(int)>& body) {
  int gate[2];
  if (pipe(gate) != 0) return {};
  std::vector<pid_t> children;
  for (int n = 0; n < count; ++n) {
    children.push_back(StartChild([&, n] {
      close(gate[1]);
      char go = 0;
      return read(gate[0], &go, 1) == 0 ? body(n) : 99;
    }));
  }
  close(gate[0]);
  close(gate[1]);
  return children;
}

// The child's exit status, or -1 when it did not exit by itself.
inline int WaitChild(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}
