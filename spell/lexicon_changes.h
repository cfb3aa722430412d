// A process-wide count of the words added to lexicon files through the
// library, so that a checker kept alive between uses (the suffix rules keep
// one per thread) can tell at the cost of one load that a fresh checker would
// now read other words. Changes made by other processes are not counted.
// Internal to the library: not installed.
#pragma once

namespace lexicon_changes {

unsigned long count();
void note_change();

}  // namespace lexicon_changes
