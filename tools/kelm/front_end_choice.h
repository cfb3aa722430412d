// Which front end shows a kelm command's windows: the one KELM_FRONTEND
// names ("gtk" or "terminal"), or, unset, the GTK one when a display is
// there (DISPLAY or WAYLAND_DISPLAY) and it opens, else the terminal. Every
// command that shows windows opens its front end here, so none names a
// concrete one.
#pragma once

#include <kelm/kelm.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kelm_cli {

struct OpenedFrontEnd {
  std::unique_ptr<KelmFrontEnd> front_end;  // open and active; its destructor closes it
  int columns = 0, rows = 0;                // the canvas a view should be made with, in cells
};

// Implemented in front_end_choice_gtk.cpp when the GTK front end is built
// (which loads it as a module, see gtk_module.h) and in
// front_end_choice_no_gtk.cpp otherwise: opens the GTK front end on the
// display, or returns an empty front_end with `why` set.
OpenedFrontEnd open_gtk_front_end(std::string& why);

// What the environment asks for, before anything is opened.
enum class FrontEndPlan { gtk, terminal, gtk_else_terminal };
struct FrontEndRequest {
  std::optional<FrontEndPlan> plan;  // none: a usage error, said in `error`
  std::string error;
};
FrontEndRequest plan_front_end(const char* kelm_frontend, const char* display,
                               const char* wayland_display);

// The front end for `command`'s windows, open and active. Nothing, after
// saying why on standard error and setting exit_code to the usage status,
// when the one asked for cannot be had.
std::optional<OpenedFrontEnd> choose_front_end(std::string_view command, int& exit_code);

}  // namespace kelm_cli
