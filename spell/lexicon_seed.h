// Fills the user folder with the default lexicons before a checker opens its
// lexicons. A checker creates every lexicon it cannot find as a new, empty
// file, which would hide the default of that name for good; so a default is
// copied in where the user's lexicon is missing or holds no words, never over
// one that holds words, and whole or not at all. Internal to the library: not
// installed.
#pragma once

#include "platform/string.h"

namespace lexicon_seed {

// Makes the user folder when there is a default to put in it. Another
// process may be changing a lexicon meanwhile: a word it adds is never
// overwritten by a default. When the default folder
// holds none of the checker's lexicons while the user folder lacks one, says
// so through the host's message box, once per default folder in the process.
void seed_user_folder(const CString& user_dir);

}  // namespace lexicon_seed
