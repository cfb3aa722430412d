// The entry point of kelm's GTK module.
#include "gtk_module.h"

#include <memory>

#include "platform/ui/gtk/gtk_front_end.h"

extern "C" KelmFrontEnd* kelm_open_gtk_front_end(int* columns, int* rows) {
  auto gtk = std::make_unique<KelmGtkFrontEnd>();
  if (!gtk->Open()) return nullptr;
  *columns = gtk->GetColumns();
  *rows = gtk->GetRows();
  return gtk.release();
}
