// The library's module entry: registers its dialog templates and string
// table with the platform, as an extension module registers with its host's
// framework. It runs once when the library loads (the shared library at load
// time; a static link as soon as any file that includes this header is
// linked in), and may be called again without harm.
#pragma once

#include "platform/export.h"
#include "platform/types.h"

KELM_EXPORT BOOL KelmRegisterLibraryResources();

// Every file that includes this header makes a static link keep the module
// entry, so that the library's dialogs find their templates.
inline const BOOL kelmLibraryResourcesRegistered = KelmRegisterLibraryResources();
