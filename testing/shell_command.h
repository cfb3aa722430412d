// Runs shell commands for the tests that drive a program as a person would,
// such as tmux sessions with send-keys and capture-pane.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

// What the command writes to standard output, whole.
inline std::string ShellOutput(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
      out.append(buffer, n);
    ::pclose(pipe);
  }
  return out;
}

inline bool HaveTmux() { return std::system("command -v tmux >/dev/null 2>&1") == 0; }
