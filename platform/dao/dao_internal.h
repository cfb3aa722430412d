// What the DAO classes share beneath their interface: the text conversions
// between the library's 8-bit text and SQLite's UTF-8, and the throwing of
// their exceptions.
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>

#include "platform/dao/dao_exception.h"
#include "platform/string.h"

namespace dao_internal {

std::string utf8_of(std::string_view cp1252);
CString cp1252_of(std::string_view utf8);

// SQLite's message for the connection's last failure, about `subject` (a
// file, a table) when one is given.
[[noreturn]] void throw_sqlite_error(sqlite3* db, int rc, std::string_view subject = {});
// One of DAO's own refusals.
[[noreturn]] void throw_dao_error(long code, const CString& description,
                                  int afx_error = NO_AFX_DAO_ERROR);
[[noreturn]] void throw_not_open();

}  // namespace dao_internal
