// The GTK front end as kelm's choice on a display.
#include "front_end_choice.h"
#include "platform/ui/gtk/gtk_front_end.h"

namespace kelm_cli {

OpenedFrontEnd open_gtk_front_end(std::string& why) {
  auto gtk = std::make_unique<KelmGtkFrontEnd>();
  if (!gtk->Open()) {
    why = "GTK cannot open the display";
    return {};
  }
  OpenedFrontEnd opened;
  opened.columns = gtk->GetColumns();
  opened.rows = gtk->GetRows();
  opened.front_end = std::move(gtk);
  return opened;
}

}  // namespace kelm_cli
