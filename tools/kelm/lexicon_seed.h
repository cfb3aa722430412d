// The lexicons a new user starts with: the main word list and the common
// typing corrections, copied from the default lexicon folder into the user
// folder of the suite's program data. Every command that constructs a spelling
// checker seeds first, since a checker creates every lexicon it cannot find as
// a new, empty file, which would then hide the default one for good.
#pragma once

#include <filesystem>

namespace kelm_cli {

// $KELM_LEXICON_DIR when set; else the installed share/orvalis/lexicons beside
// the kelm executable's folder when it exists; else the build's own folder.
std::filesystem::path default_lexicon_folder();

// Makes the user folder and copies each default lexicon it lacks, never
// overwriting one the user has. Says on standard error when there are no
// default lexicons (the checker then starts with empty ones) or a copy fails.
void seed_user_lexicons();

}  // namespace kelm_cli
