#include "testing/cli_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string_view>
#include <utility>

extern char** environ;

namespace {

std::vector<char*> pointers_to(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& t : texts) pointers.push_back(t.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

std::vector<std::string> kelm_environment(const ScratchFolder& home,
                                          const std::vector<std::string>& extra) {
  std::vector<std::string> env = {"HOME=" + home.path(""), "XDG_CONFIG_HOME=" + home.path("config"),
                                  "XDG_DATA_HOME=" + home.path("data"),
                                  std::string("KELM_LEXICON_DIR=") + KELM_BUILD_LEXICON_DIR};
  env.insert(env.end(), extra.begin(), extra.end());
  // The front end is the test's to choose: a desktop's display, or a
  // developer's KELM_FRONTEND, would put windows where no test looks.
  const auto replaced = [&](std::string_view e) {
    if (e.starts_with("HOME=") || e.starts_with("XDG_") || e.starts_with("DISPLAY=") ||
        e.starts_with("WAYLAND_DISPLAY=") || e.starts_with("KELM_FRONTEND="))
      return true;
    for (size_t i = 3; i < env.size(); ++i)
      if (e.starts_with(std::string_view(env[i]).substr(0, env[i].find('=') + 1))) return true;
    return false;
  };
  for (char** entry = environ; *entry != nullptr; ++entry)
    if (!replaced(*entry)) env.emplace_back(*entry);
  return env;
}

pid_t start_kelm(std::vector<std::string> args, const ScratchFolder& home, const std::string& in,
                 const std::string& out, const std::string& err,
                 const std::vector<std::string>& extra) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, in.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  args.insert(args.begin(), KELM_COMMAND);
  std::vector<std::string> env = kelm_environment(home, extra);
  // A session of its own has no controlling terminal, so that a command
  // meant for one finds none even when the tests run in a terminal.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, KELM_COMMAND, &actions, &attributes,
                                  pointers_to(args).data(), pointers_to(env).data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(0, spawned) << "cannot start " << KELM_COMMAND;
  return spawned == 0 ? pid : -1;
}

Outcome run_kelm(std::vector<std::string> args, const ScratchFolder& home, const std::string& in,
                 const std::vector<std::string>& extra) {
  const std::string out_path = home.path("stdout"), err_path = home.path("stderr");
  const pid_t pid = start_kelm(std::move(args), home, in, out_path, err_path, extra);
  int wait_status = 0;
  if (pid > 0) waitpid(pid, &wait_status, 0);
  return {WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1, ReadWholeFile(out_path),
          ReadWholeFile(err_path)};
}

std::string kelm_shell_command(const std::string& args, const ScratchFolder& home,
                               const std::string& lexicons) {
  return "env -u DISPLAY -u WAYLAND_DISPLAY KELM_FRONTEND=terminal HOME='" + home.path("") +
         "' XDG_CONFIG_HOME='" + home.path("config") + "' XDG_DATA_HOME='" + home.path("data") +
         "' KELM_LEXICON_DIR='" + lexicons + "' '" + KELM_COMMAND + "' " + args;
}

std::string joined(const std::vector<std::string>& args) {
  std::string text = "kelm";
  for (const std::string& a : args) text += " '" + a + "'";
  return text;
}

void expect_outcome(const Outcome& got, int status, std::string_view out, std::string_view err,
                    const std::string& shown) {
  EXPECT_EQ(status, got.status) << shown << "\n" << got.err;
  EXPECT_EQ(out, got.out) << shown;
  if (err.empty())
    EXPECT_EQ("", got.err) << shown;
  else
    EXPECT_NE(std::string::npos, got.err.find(err)) << shown << "\n" << got.err;
}

void expect_runs(const std::vector<std::string>& command, const std::vector<KelmRun>& runs,
                 const ScratchFolder& home) {
  for (const KelmRun& run : runs) {
    std::vector<std::string> args = command;
    args.insert(args.end(), run.args.begin(), run.args.end());
    expect_outcome(run_kelm(args, home), run.status, run.out, run.err, joined(args));
  }
}

std::string user_folder(const ScratchFolder& home) {
  return home.path("data/orvalis/drive_c/Program Files/Orvalis");
}
