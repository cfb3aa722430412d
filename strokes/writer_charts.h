// The key charts of the writers whose packets no CStroke setter reads
// (ProCAT, Passport), for CWriterStream (not installed). Each maps a
// writer's key onto the library's steno order, or onto nothing where the
// order has no place for it.
#pragma once

#include "platform/types.h"

namespace writer_charts {

// The keys of a ProCAT packet's first three bytes, ordered as stroke_keys'
// `ordered` reads them.
UINT procat_keys(const BYTE* packet);

// The keys of a Passport packet's text between "<" and ">": a count, "/",
// letter and shadow pairs, and optionally "/" and more that carries no keys.
// False when the text is not that (a garbled line). Pressed keys with no
// place in the steno order are added to `dropped`.
bool passport_keys(const BYTE* text, int count, UINT& keys, unsigned long& dropped);

}  // namespace writer_charts
