// An outline's strokes spelled as RTF/CRE files and the open tools spell
// them; see CRtfCreWriter::WriteOutline. Internal to the dictionary.
#pragma once

#include "platform/types.h"

#include <span>
#include <string>

// The strokes of the packed keys, three bytes each, joined by "/"; strokes
// without keys are left out.
std::string rtf_outline_text(std::span<const BYTE> keys);
