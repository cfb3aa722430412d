// Dictionaries written in a test's own lines, outlines in the plain notation,
// for tests that feed a translator.
#pragma once

#include <initializer_list>
#include <string>

#include "dictionary/steno_dictionary.h"
#include "testing/steno_strokes.h"

struct DictionaryEntry {
  const char* outline;  // "KAT/-S"
  const char* text;
  WORD flags = 0;  // CTranFlags
};

inline CStenoDictionary dictionary_of(std::initializer_list<DictionaryEntry> entries) {
  CStenoDictionary dictionary;
  for (const DictionaryEntry& e : entries) {
    std::string keys;
    for (const CStroke& s : strokes_of(e.outline))
      keys.append(reinterpret_cast<const char*>(s.GetKeyBytes()), CStroke::PackedSize);
    dictionary.Set({reinterpret_cast<const BYTE*>(keys.data()), keys.size()}, e.text,
                   CTranFlags(e.flags));
  }
  return dictionary;
}
