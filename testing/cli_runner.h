// Runs the built kelm command as a user would, in a home of the test's own,
// and checks what it writes to each stream and how it exits.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

#include "testing/scratch_folder.h"

struct Outcome {
  int status;
  std::string out, err;
};

// The command keeps its registry hive under XDG_CONFIG_HOME and its drive
// folders under XDG_DATA_HOME, so every run points both, and HOME, into the
// home and never reads or writes the user's own; it seeds lexicons from the
// build's. Standard input comes from `in`, a path; there is no terminal.
// `extra` adds to the environment as kelm_environment takes it.
Outcome run_kelm(std::vector<std::string> args, const ScratchFolder& home,
                 const std::string& in = "/dev/null", const std::vector<std::string>& extra = {});

// Starts kelm as run_kelm does, with standard input from `in` and output to
// the files `out` and `err`, and does not wait; the process id, or -1.
pid_t start_kelm(std::vector<std::string> args, const ScratchFolder& home, const std::string& in,
                 const std::string& out, const std::string& err,
                 const std::vector<std::string>& extra = {});

// The environment run_kelm gives kelm: the caller's without its display and
// KELM_FRONTEND, with HOME, the XDG folders and the lexicon folder pointed
// into the home, and `extra` ("NAME=value") in place of any variable of the
// same name.
std::vector<std::string> kelm_environment(const ScratchFolder& home,
                                          const std::vector<std::string>& extra = {});

// The shell command that runs kelm with args in the home as run_kelm does,
// for a run on a terminal (see tmux_pane.h) whose windows the terminal front
// end shows, seeding lexicons from a folder.
std::string kelm_shell_command(const std::string& args, const ScratchFolder& home,
                               const std::string& lexicons = KELM_BUILD_LEXICON_DIR);

// The command line as a shell would take it, for failure messages.
std::string joined(const std::vector<std::string>& args);

// The exit status, all of the output, and a part of the error stream ("" when
// the run must write nothing there).
void expect_outcome(const Outcome& got, int status, std::string_view out, std::string_view err,
                    const std::string& shown);

// A run and what it must give, as expect_outcome takes it.
struct KelmRun {
  std::vector<std::string> args;
  int status;
  std::string out, err;
};

// The runs in the home, in order, each with its arguments after `command`'s.
void expect_runs(const std::vector<std::string>& command, const std::vector<KelmRun>& runs,
                 const ScratchFolder& home);

// The user folder of the runs in the home.
std::string user_folder(const ScratchFolder& home);
