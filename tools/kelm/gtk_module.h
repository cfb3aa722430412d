// The GTK front end as a module of its own that kelm loads only when a
// command opens a window, so that every other command starts without GTK and
// the seventy libraries beneath it. The module holds the front end alone: the
// library's calls it makes resolve against the kelm executable that loaded it
// (kelm exports them), so there is one window model and one active front end.
// A loaded module stays loaded for the life of the process.
#pragma once

#include "platform/ui/front_end.h"

// The module's one entry point, looked up by kelm_open_gtk_front_end_symbol:
// the GTK front end, open and active, with the canvas a view should be made
// with in `columns` and `rows`; or null, nothing changed, when GTK cannot
// open the display. The caller owns the front end.
extern "C" {
using kelm_open_gtk_front_end_function = KelmFrontEnd* (*)(int* columns, int* rows);
}

inline constexpr char kelm_open_gtk_front_end_symbol[] = "kelm_open_gtk_front_end";
