#include "platform/dao/dao_internal.h"

#include <vector>

#include "platform/code_page.h"

namespace dao_internal {
namespace {

std::string convert(std::string_view text, UINT from, UINT to) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(from, 0, text.data(), length, nullptr, 0);
  std::vector<WCHAR> wide(static_cast<std::size_t>(units));
  MultiByteToWideChar(from, 0, text.data(), length, wide.data(), units);
  const int bytes = WideCharToMultiByte(to, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  std::string converted(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(to, 0, wide.data(), units, converted.data(), bytes, nullptr, nullptr);
  return converted;
}

bool is_ascii(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

// Most text is plain ASCII, the same in both: it is passed through without
// the two conversions, which matters to a walk reading a field per record.
std::string utf8_of(std::string_view cp1252) {
  if (is_ascii(cp1252)) return std::string(cp1252);
  return convert(cp1252, CP_ACP, CP_UTF8);
}

CString cp1252_of(std::string_view utf8) {
  if (is_ascii(utf8)) return CString(utf8);
  return CString(convert(utf8, CP_UTF8, CP_ACP));
}

void throw_sqlite_error(sqlite3* db, int rc, std::string_view subject) {
  CString text = cp1252_of(db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
  if (!subject.empty()) text = cp1252_of(subject) + ": " + text;
  const int code = db != nullptr ? sqlite3_extended_errcode(db) : rc;
  throw CDaoException(code, "SQLite", text);
}

void throw_dao_error(long code, const CString& description, int afx_error) {
  throw CDaoException(code, "DAO", description, afx_error);
}

void throw_not_open() {
  throw_dao_error(0, "the database or recordset is not open", AFX_DAO_ERROR_OBJECT_NOT_OPEN);
}

}  // namespace dao_internal
