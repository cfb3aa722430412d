#include "front_end_choice.h"

#include <cstdlib>
#include <iostream>

#include "exit_status.h"
#include "platform/ui/terminal/terminal_front_end.h"

namespace kelm_cli {
namespace {

bool is_set(const char* variable) { return variable != nullptr && *variable != '\0'; }

OpenedFrontEnd open_terminal_front_end() {
  auto terminal = std::make_unique<KelmTerminalFrontEnd>();
  if (!terminal->Open()) return {};
  OpenedFrontEnd opened;
  opened.columns = terminal->GetColumns();
  opened.rows = terminal->GetRows();
  opened.front_end = std::move(terminal);
  return opened;
}

}  // namespace

FrontEndRequest plan_front_end(const char* kelm_frontend, const char* display,
                               const char* wayland_display) {
  const bool have_display = is_set(display) || is_set(wayland_display);
  if (!is_set(kelm_frontend))
    return {have_display ? FrontEndPlan::gtk_else_terminal : FrontEndPlan::terminal, ""};
  const std::string_view asked(kelm_frontend);
  if (asked == "terminal") return {FrontEndPlan::terminal, ""};
  if (asked == "gtk") {
    if (have_display) return {FrontEndPlan::gtk, ""};
    return {std::nullopt,
            "KELM_FRONTEND=gtk needs a display, and neither DISPLAY nor "
            "WAYLAND_DISPLAY is set"};
  }
  return {std::nullopt,
          "KELM_FRONTEND must be gtk or terminal, not \"" + std::string(asked) + "\""};
}

std::optional<OpenedFrontEnd> choose_front_end(std::string_view command, int& exit_code) {
  const auto refuse = [&](const std::string& why) -> std::optional<OpenedFrontEnd> {
    std::cerr << "kelm " << command << ": " << why << '\n';
    exit_code = exit_usage;
    return std::nullopt;
  };
  const FrontEndRequest request = plan_front_end(
      std::getenv("KELM_FRONTEND"), std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"));
  if (!request.plan) return refuse(request.error);
  std::string gtk_failure;
  if (*request.plan != FrontEndPlan::terminal) {
    OpenedFrontEnd gtk = open_gtk_front_end(gtk_failure);
    if (gtk.front_end) return gtk;
    if (*request.plan == FrontEndPlan::gtk)
      return refuse("KELM_FRONTEND=gtk, but the GTK front end cannot be opened: " + gtk_failure);
  }
  OpenedFrontEnd terminal = open_terminal_front_end();
  if (terminal.front_end) return terminal;
  if (*request.plan == FrontEndPlan::terminal)
    return refuse(is_set(std::getenv("KELM_FRONTEND"))
                      ? "KELM_FRONTEND=terminal, but there is no terminal to show its windows on"
                      : "no display and no terminal to show its windows on");
  return refuse(
      "no screen to show its windows on: no terminal, and the GTK front end cannot be "
      "opened (" +
      gtk_failure + ")");
}

}  // namespace kelm_cli
