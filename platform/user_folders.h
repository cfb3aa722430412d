// The user's base folders, after the XDG rules: the variable when it holds an
// absolute path (a relative one is ignored, as the rules say), else a folder
// under the home folder ($HOME, or the password database's entry without it).
// Internal to the platform layer; read at each call, so a change of the
// environment takes effect at once.
#pragma once

#include <string>

namespace user_folders {

// $XDG_DATA_HOME, else ~/.local/share.
std::string data_home();
// $XDG_CONFIG_HOME, else ~/.config.
std::string config_home();

}  // namespace user_folders
