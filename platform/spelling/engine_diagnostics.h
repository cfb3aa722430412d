// The spelling engine's diagnostics: what it did in place of what it was
// asked, such as building a suggestion index in memory because the compiled
// one beside a lexicon could not be used. Kept in memory for the host to read
// through KelmGetSpellingDiagnostics, the last max_diagnostics of them; safe
// from any thread. Internal to the engine.
#pragma once

#include <cstddef>
#include <string>

namespace spelling {

inline constexpr std::size_t max_diagnostics = 64;

void note_diagnostic(std::string message);

}  // namespace spelling
