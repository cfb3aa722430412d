// A table of made-up steno dictionary entries for trying a table view and
// measuring it: distinct outlines in plain notation, pronounceable
// translations, and a few flag words, in rows with an INTEGER PRIMARY KEY.
#pragma once

#include <functional>

#include "platform/dao/dao_database.h"
#include "platform/export.h"
#include "platform/types.h"

// Makes `table` (which must not exist) in the open database with `rows`
// entries, ids 1 to rows, in one transaction: the table appears whole or not
// at all. progress, when given, hears the rows written so far after each
// batch. Database failures throw CDaoException.
KELM_EXPORT void KelmMakeSampleTable(CDaoDatabase& db, LPCTSTR table, LONG rows,
                                     const std::function<void(LONG written)>& progress = {});
