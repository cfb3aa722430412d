// Fills the user folder with the default lexicons before a checker opens its
// lexicons. A checker creates every lexicon it cannot find as a new, empty
// file, which would hide the default of that name for good; so a default is
// copied in where the user's lexicon is missing or holds no words, never over
// one that holds words, and whole or not at all. Internal to the library: not
// installed.
#pragma once

#include "platform/spelling/ssce.h"
#include "platform/string.h"

namespace lexicon_seed {

// Makes the user folder when there is a default to put in it. The session
// serves to look into the user's small lexicons. When the default folder
// holds none of the checker's lexicons while the user folder lacks one, says
// so through the host's message box, once per default folder in the process.
void seed_user_folder(SSCE_S16 session, const CString& user_dir);

}  // namespace lexicon_seed
