// This kelm was built without GTK 4: a display is of no use to it.
#include "front_end_choice.h"

namespace kelm_cli {

OpenedFrontEnd open_gtk_front_end(std::string& why) {
  why = "this kelm was built without the GTK front end";
  return {};
}

}  // namespace kelm_cli
