// How the RTF/CRE markers \cxds and \cxfc stand for translation flags: the
// one rule the dictionary's reader and writer share.
#pragma once

#include "platform/types.h"
#include "textrules/tran_flags.h"

// A \cxds before any text attaches to what comes before (Suffix), one after
// all text to what follows (Prefix); with no text at all it is both. \cxfc
// capitalises what follows.
inline WORD cre_marker_flags(bool attach_before, bool attach_after, bool capitalize) {
  CTranFlags flags;
  flags.SetSuffix(attach_before);
  flags.SetPrefix(attach_after);
  flags.SetCapitalizeNext(capitalize);
  return flags.GetUShort();
}
