// The GTK front end as kelm's choice on a display, from the module beside the
// executable (the build tree) or in the library folder (an installation).
#include <dlfcn.h>

#include <filesystem>
#include <memory>
#include <system_error>

#include "front_end_choice.h"
#include "gtk_module.h"

namespace kelm_cli {
namespace {

// The module's entry point, or null with `why` set. Where the module is
// found but will not load (a library under GTK missing, say), the loader's
// own words say why.
kelm_open_gtk_front_end_function load_gtk_module(std::string& why) {
  std::error_code error;
  const std::filesystem::path folder =
      std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
  if (error) {
    why = "kelm cannot tell where its own executable is: " + error.message();
    return nullptr;
  }
  const std::filesystem::path candidates[] = {folder / KELM_GTK_MODULE_NAME,
                                              folder / KELM_GTK_MODULE_FROM_BINDIR};
  for (const std::filesystem::path& module : candidates) {
    if (!std::filesystem::exists(module, error)) continue;
    void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      why = "its module cannot be loaded: " + std::string(dlerror());
      return nullptr;
    }
    void* entry = dlsym(handle, kelm_open_gtk_front_end_symbol);
    if (entry == nullptr) {
      why = "its module " + module.string() + " has no " + kelm_open_gtk_front_end_symbol;
      return nullptr;
    }
    return reinterpret_cast<kelm_open_gtk_front_end_function>(entry);
  }
  why = "its module " KELM_GTK_MODULE_NAME " is neither in " + folder.string() + " nor in " +
        (folder / KELM_GTK_MODULE_FROM_BINDIR).parent_path().lexically_normal().string();
  return nullptr;
}

}  // namespace

OpenedFrontEnd open_gtk_front_end(std::string& why) {
  const kelm_open_gtk_front_end_function open = load_gtk_module(why);
  if (open == nullptr) return {};
  OpenedFrontEnd opened;
  opened.front_end.reset(open(&opened.columns, &opened.rows));
  if (!opened.front_end) why = "GTK cannot open the display";
  return opened;
}

}  // namespace kelm_cli
