#include "spell/lexicon_changes.h"

#include <atomic>

namespace lexicon_changes {

namespace {

std::atomic<unsigned long> changes{0};

}  // namespace

unsigned long count() { return changes.load(std::memory_order_acquire); }

void note_change() { changes.fetch_add(1, std::memory_order_release); }

}  // namespace lexicon_changes
