// The seam through which a message box reaches the active front end: the
// windows' part of the platform layer installs the function when a front end
// is set, so that the core's message boxes need know nothing of windows or
// front ends. Internal to the platform layer.
#pragma once

#include "platform/types.h"

namespace front_end_box {

// Shows the box on the active front end and sets `answer` to the button
// chosen; false when no front end is active.
using show_function = bool (*)(LPCSTR text, LPCSTR caption, UINT type, int& answer);

void install(show_function show);

}  // namespace front_end_box
