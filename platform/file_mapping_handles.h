// What CloseHandle needs of the file-mapping objects (file_mapping.h).
// Internal to the platform layer.
#pragma once

#include "platform/file_mapping.h"

// Closes the mapping object `handle` names; false when it names none.
bool close_file_mapping(HANDLE handle);
