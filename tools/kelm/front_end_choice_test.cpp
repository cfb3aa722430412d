// Which front end a command's windows get, from KELM_FRONTEND and the
// display variables, and how each command that shows windows refuses when
// the one asked for cannot be had.
#include "front_end_choice.h"

#include <gtest/gtest.h>

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

}  // namespace
