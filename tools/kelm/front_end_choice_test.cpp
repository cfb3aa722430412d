// Which front end a command's windows get, from KELM_FRONTEND and the
// display variables, and how each command that shows windows refuses when
// the one asked for cannot be had.
#include "front_end_choice.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "exit_status.h"
#include "testing/cli_runner.h"

namespace {

using kelm_cli::FrontEndPlan;

TEST(FrontEndChoice, PlansFromTheEnvironment) {
  struct Case {
    const char* kelm_frontend;
    const char* display;
    const char* wayland_display;
    std::optional<FrontEndPlan> plan;
    std::string error;
  };
  const Case cases[] = {
      {nullptr, nullptr, nullptr, FrontEndPlan::terminal, ""},
      {nullptr, ":0", nullptr, FrontEndPlan::gtk_else_terminal, ""},
      {nullptr, nullptr, "wayland-0", FrontEndPlan::gtk_else_terminal, ""},
      // An empty variable is as good as none, as the toolkits take it.
      {"", "", "", FrontEndPlan::terminal, ""},
      {"terminal", ":0", nullptr, FrontEndPlan::terminal, ""},
      {"terminal", nullptr, nullptr, FrontEndPlan::terminal, ""},
      {"gtk", ":0", nullptr, FrontEndPlan::gtk, ""},
      {"gtk", nullptr, "wayland-0", FrontEndPlan::gtk, ""},
      {"gtk", nullptr, nullptr, std::nullopt, "KELM_FRONTEND=gtk needs a display"},
      {"gtk", "", "", std::nullopt, "KELM_FRONTEND=gtk needs a display"},
      {"GTK", ":0", nullptr, std::nullopt, "must be gtk or terminal, not \"GTK\""},
      {"qt", ":0", nullptr, std::nullopt, "must be gtk or terminal, not \"qt\""},
  };
  for (const Case& c : cases) {
    const std::string shown =
        std::string("KELM_FRONTEND=") + (c.kelm_frontend ? c.kelm_frontend : "(unset)") +
        " DISPLAY=" + (c.display ? c.display : "(unset)") +
        " WAYLAND_DISPLAY=" + (c.wayland_display ? c.wayland_display : "(unset)");
    const kelm_cli::FrontEndRequest got =
        kelm_cli::plan_front_end(c.kelm_frontend, c.display, c.wayland_display);
    EXPECT_EQ(c.plan, got.plan) << shown;
    if (c.error.empty())
      EXPECT_EQ("", got.error) << shown;
    else
      EXPECT_NE(std::string::npos, got.error.find(c.error)) << shown << "\n" << got.error;
  }
}

TEST(FrontEndChoice, EachWindowCommandRefusesWhatCannotBeHadWithExit2) {
  const ScratchFolder home;
  const std::string ini = home.path("words.ini");
  const std::string text = home.path("text.txt");
  const std::string db = home.path("sample.sqlite");
  WriteWholeFile(text, "a mispeled word\n");
  ASSERT_EQ(kelm_cli::exit_ok, run_kelm({"table", "--make-sample", db, "3"}, home).status);
  const std::vector<std::vector<std::string>> commands = {
      {"charmap"},
      {"autocomplete", "edit", ini, "AC"},
      {"spell", "text", text, "--interactive"},
      {"spell", "options"},
      {"spell", "lexicons"},
      {"table", db, "entries"},
  };
  struct Environment {
    std::vector<std::string> variables;
    std::string error;
  };
  // The tests run without a terminal; a display that is not there stands
  // for one the GTK front end cannot open (or a kelm built without it).
  const Environment environments[] = {
      {{}, "no display and no terminal to show its windows on"},
      {{"KELM_FRONTEND=terminal"}, "KELM_FRONTEND=terminal, but there is no terminal"},
      {{"KELM_FRONTEND=gtk"}, "KELM_FRONTEND=gtk needs a display"},
      {{"KELM_FRONTEND=gtk", "DISPLAY=:4093"}, "the GTK front end cannot be opened"},
      {{"DISPLAY=:4093"}, "no terminal, and the GTK front end cannot be opened"},
      {{"KELM_FRONTEND=x11"}, "KELM_FRONTEND must be gtk or terminal, not \"x11\""},
  };
  for (const std::vector<std::string>& args : commands) {
    for (const Environment& environment : environments) {
      std::string shown = joined(args);
      for (const std::string& v : environment.variables) shown = v + " " + shown;
      const Outcome got = run_kelm(args, home, "/dev/null", environment.variables);
      expect_outcome(got, kelm_cli::exit_usage, "", environment.error, shown);
    }
  }
  EXPECT_FALSE(std::ifstream(ini).good()) << "no file is written";
  EXPECT_EQ("a mispeled word\n", ReadWholeFile(text)) << "the text is left as it was";
}

#ifdef KELM_GTK_MODULE
// kelm run from a copy of its executable (a hard link where the file system
// allows), with KELM_FRONTEND=gtk on a display that is not there: what it
// says on standard error, and its exit status.
Outcome run_kelm_copy(const std::filesystem::path& copy, const ScratchFolder& home) {
  std::error_code linked;
  std::filesystem::create_directories(copy.parent_path());
  std::filesystem::create_hard_link(KELM_COMMAND, copy, linked);
  if (linked) std::filesystem::copy_file(KELM_COMMAND, copy);
  std::vector<std::string> args = {copy.string(), "charmap"};
  std::vector<std::string> env = kelm_environment(home, {"KELM_FRONTEND=gtk", "DISPLAY=:4093"});
  const auto pointers = [](std::vector<std::string>& texts) {
    std::vector<char*> p;
    for (std::string& t : texts) p.push_back(t.data());
    p.push_back(nullptr);
    return p;
  };
  const std::string err = home.path("stderr");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, args[0].c_str(), &actions, &attributes,
                                  pointers(args).data(), pointers(env).data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (spawned == 0) waitpid(pid, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, "", ReadWholeFile(err)};
}

TEST(FrontEndChoice, TheGtkModuleIsFoundBesideKelmOrInTheInstalledLibraryFolder) {
  // Where the module is put, relative to the folder of kelm's copy.
  struct Case {
    const char* layout;
    const char* module;  // null: no module
    const char* error;
  };
  const Case cases[] = {
      {"build tree", KELM_GTK_MODULE_NAME, "GTK cannot open the display"},
      {"installed", KELM_GTK_MODULE_FROM_BINDIR, "GTK cannot open the display"},
      {"no module", nullptr, "its module " KELM_GTK_MODULE_NAME " is neither in "},
      {"module not a library", KELM_GTK_MODULE_NAME, "its module cannot be loaded: "},
  };
  for (const Case& c : cases) {
    const ScratchFolder home;
    const std::filesystem::path bin = std::filesystem::path(home.path("prefix")) / "bin";
    if (c.module != nullptr) {
      const std::filesystem::path module = (bin / c.module).lexically_normal();
      std::filesystem::create_directories(module.parent_path());
      if (std::string_view(c.layout) == "module not a library")
        WriteWholeFile(module.string(), "not an ELF file\n");
      else
        std::filesystem::copy_file(KELM_GTK_MODULE, module);
    }
    const Outcome got = run_kelm_copy(bin / "kelm", home);
    expect_outcome(
        got, kelm_cli::exit_usage, "",
        std::string("KELM_FRONTEND=gtk, but the GTK front end cannot be opened: ") + c.error,
        c.layout);
  }
}

// Guards against GTK coming back into the start-up of every command.
TEST(FrontEndChoice, KelmStartsWithoutGtk) {
  FILE* ldd = popen("ldd '" KELM_COMMAND "'", "r");
  ASSERT_NE(nullptr, ldd);
  std::string needed;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, ldd)) > 0;) needed.append(buffer, n);
  EXPECT_EQ(0, pclose(ldd)) << needed;
  for (const char* library : {"libgtk", "libgdk", "libpango", "libcairo", "libglib", "libX11"})
    EXPECT_EQ(std::string::npos, needed.find(library)) << library << " in\n" << needed;
}
#endif

}  // namespace
