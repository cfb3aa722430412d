// The exit statuses every kelm command keeps to, so scripts can tell a
// mistyped command line from input that the library would not take.
#pragma once

namespace kelm_cli {

enum ExitStatus : int {
  exit_ok = 0,
  exit_bad_input = 1,  // unreadable outline, capture, bytes; the rest is still done
  exit_usage = 2,      // the command line itself is wrong; nothing is done
};

}  // namespace kelm_cli
