// The folder of the lexicons a new user starts with (the main word list, the
// common typing corrections), from which the spelling checker fills a user
// folder that lacks them. In order: the folder chosen with
// KelmSetDefaultLexiconDir; else $KELM_LEXICON_DIR when set and not empty;
// else the installed <datadir>/orvalis/lexicons when it is there; else the
// lexicon folder of the build that made the library. A native path, found
// afresh at each call; safe from any thread.
#pragma once

#include "platform/export.h"
#include "platform/string.h"
#include "platform/types.h"

KELM_EXPORT CString KelmGetDefaultLexiconDir();
// Chooses the folder (a native path) for the calls that follow, e.g. a
// host's own or a test's; a null or empty path restores the order above.
KELM_EXPORT void KelmSetDefaultLexiconDir(LPCSTR lpszNativePath);
