// Steno dictionaries as SQLite tables, for browsing in a table view and for
// other programs: one row per entry, in the dictionary's order, with its
// outline in plain notation, its translation (UTF-8) and flag word, and
// beside them what reading it back needs: the outline's keys (three bytes a
// stroke), the entry's extras, and for an entry whose outline the notation
// does not take, the whole entry as its file spelled it.
//
// A table read back gives the same entries, flags, extras and invalid
// entries in the same places. Both calls return 0, or a nonzero code with
// the reason (SQLite's message, or the row that is wrong) in *why.
#pragma once

#include "dictionary/steno_dictionary.h"
#include "platform/export.h"
#include "platform/string.h"
#include "platform/types.h"

inline constexpr long KELM_DICTIONARY_TABLE_ERROR = 300;

// Writes the dictionary as table "entries" of a new database file at path,
// made beside it and renamed over it: the file is replaced whole, made new,
// or left as it was.
KELM_EXPORT long KelmWriteDictionaryTable(const CStenoDictionary& dictionary, LPCSTR path,
                                          CString* why = nullptr);
// Adds the entries of table "entries" of the database file at path to the
// dictionary, as Set would, in row order. A table made elsewhere needs only
// the columns outline (plain notation) and translation; flags, keys, extras
// and rtf are used when it has them.
KELM_EXPORT long KelmReadDictionaryTable(CStenoDictionary& dictionary, LPCSTR path,
                                         CString* why = nullptr);
