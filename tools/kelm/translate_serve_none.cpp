// The command's captions in a build without the caption server (no Boost):
// the options are there, and --serve says why it cannot be had.
#include "translate_serve.h"

namespace kelm_cli {

CLI::Option* add_serve_options(CLI::App& translate, ServeOptions& options) {
  CLI::Option* serve =
      translate
          .add_option("--serve", options.address, "Not in this build: it has no caption server")
          ->type_name("[HOST:]PORT")
          ->check([](const std::string&) { return std::string("needs a kelm built with Boost"); });
  translate.add_option("--token", options.token, "Not in this build")->type_name("TEXT");
  translate.add_option("--max-viewers", options.max_viewers, "Not in this build")->type_name("N");
  translate.add_flag("--serve-exit", options.exit_with_input, "Not in this build");
  return serve;
}

std::unique_ptr<CaptionService> start_captions(const ServeOptions&, bool& failed) {
  failed = false;
  return nullptr;
}

}  // namespace kelm_cli
