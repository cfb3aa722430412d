#include "dictionary/steno_dictionary_sqlite.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dao/dao_database.h"
#include "platform/dao/dao_recordset.h"
#include "platform/error.h"
#include "platform/file.h"
#include "platform/file_operations.h"
#include "strokes/steno.h"

namespace {

// Rows go to the database a few hundred to a statement, which costs a
// fraction of one statement a row.
constexpr std::size_t rows_per_statement = 250;
constexpr int grandjean_off = 0;

constexpr const char* schema =
    "CREATE TABLE entries("
    "id INTEGER PRIMARY KEY, "
    "outline TEXT NOT NULL, "
    "translation TEXT NOT NULL, "
    "flags INTEGER NOT NULL DEFAULT 0, "
    "keys BLOB, "
    "extras BLOB, "
    "rtf BLOB)";

std::string text_literal(std::string_view text) {
  std::string out = "'";
  for (const char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

std::string blob_literal(std::string_view bytes) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string out = "X'";
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out += hex[b >> 4];
    out += hex[b & 0xF];
  }
  return out + "'";
}

void put_u32(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Extras as a blob: for each, its position and length (32 bits, little
// endian) and its RTF.
std::string extras_blob(const std::vector<CStenoDictionary::Extra>& extras) {
  std::string out;
  for (const CStenoDictionary::Extra& extra : extras) {
    put_u32(out, static_cast<std::uint32_t>(extra.position));
    put_u32(out, static_cast<std::uint32_t>(extra.rtf.size()));
    out += extra.rtf;
  }
  return out;
}

bool read_u32(std::span<const BYTE> bytes, std::size_t& at, std::uint32_t& value) {
  if (bytes.size() - at < 4) return false;
  value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(bytes[at + i]) << (8 * i);
  at += 4;
  return true;
}

// The extras a blob holds; false when it is not one.
bool parse_extras(std::span<const BYTE> bytes, std::vector<std::string>& texts,
                  std::vector<CStenoDictionary::Extra>& extras) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::uint32_t position = 0;
    std::uint32_t length = 0;
    if (!read_u32(bytes, at, position) || !read_u32(bytes, at, length) ||
        bytes.size() - at < length)
      return false;
    texts.emplace_back(reinterpret_cast<const char*>(bytes.data() + at), length);
    extras.push_back({position, {}});
    at += length;
  }
  for (std::size_t i = 0; i < extras.size(); ++i) extras[i].rtf = texts[i];
  return true;
}

class RowWriter {
 public:
  explicit RowWriter(CDaoDatabase& db) : m_db(db) {}

  void Add(std::string_view outline, std::string_view translation, WORD flags,
           std::string_view keys, std::string_view extras, std::string_view rtf) {
    m_sql += m_rows == 0 ? "INSERT INTO entries(outline, translation, flags, keys, extras, rtf) "
                           "VALUES "
                         : ", ";
    m_sql += "(" + text_literal(outline) + ", " + text_literal(translation) + ", " +
             std::to_string(flags) + ", " + (keys.empty() ? "NULL" : blob_literal(keys)) + ", " +
             (extras.empty() ? "NULL" : blob_literal(extras)) + ", " +
             (rtf.empty() ? "NULL" : blob_literal(rtf)) + ")";
    if (++m_rows == rows_per_statement) Flush();
  }

  void Flush() {
    if (m_rows == 0) return;
    m_db.Execute(m_sql.c_str());
    m_sql.clear();
    m_rows = 0;
  }

 private:
  CDaoDatabase& m_db;
  std::string m_sql;
  std::size_t m_rows = 0;
};

void write_entries(const CStenoDictionary& dictionary, CDaoDatabase& db) {
  db.Execute("BEGIN IMMEDIATE");
  db.Execute(schema);
  RowWriter rows(db);
  const std::vector<CStenoDictionary::InvalidOutline>& invalid = dictionary.GetInvalidOutlines();
  std::size_t next_invalid = 0;
  auto write_invalid_before = [&](std::size_t index) {
    for (; next_invalid < invalid.size() && invalid[next_invalid].before <= index; ++next_invalid) {
      const CStenoDictionary::InvalidOutline& bad = invalid[next_invalid];
      rows.Add(bad.text, "", 0, {}, {}, bad.rtf);
    }
  };
  for (std::size_t i = 0; i < dictionary.GetCount(); ++i) {
    write_invalid_before(i);
    const std::span<const BYTE> keys = dictionary.GetKeys(i);
    const CStenoDictionary::Translation translation = dictionary.GetTranslation(i);
    rows.Add(dictionary.GetOutline(i).GetStrDisplay(grandjean_off).View(), translation.text,
             translation.flags.GetUShort(),
             std::string_view(reinterpret_cast<const char*>(keys.data()), keys.size()),
             extras_blob(dictionary.GetExtras(i)), {});
  }
  write_invalid_before(dictionary.GetCount() + invalid.size());
  rows.Flush();
  db.Execute("COMMIT");
}

// An invalid entry goes back through the reader, which keeps it whole in
// its place after the entries read so far.
long read_invalid(CStenoDictionary& dictionary, std::span<const BYTE> rtf) {
  std::string document = "{\\rtf1\\ansi ";
  document.append(reinterpret_cast<const char*>(rtf.data()), rtf.size());
  document += "}";
  CMemFile file(reinterpret_cast<BYTE*>(document.data()), static_cast<UINT>(document.size()));
  return dictionary.Read(file);
}

bool has_field(CDaoRecordset& rs, LPCSTR name) {
  for (int i = 0; i < rs.GetFieldCount(); ++i) {
    CDaoFieldInfo info;
    rs.GetFieldInfo(i, info);
    if (info.m_strName.CompareNoCase(name) == 0) return true;
  }
  return false;
}

// An outline's keys from its plain notation; empty when it is not one.
std::string keys_of_outline(const CString& text) {
  CSteno outline;
  std::string keys;
  if (outline.SetString(text, grandjean_off) != 0) return keys;
  for (int i = 0; i < outline.GetStrokeCount(); ++i)
    keys.append(reinterpret_cast<const char*>(outline[i].GetKeyBytes()), 3);
  return keys;
}

long fail(CString* why, const CString& reason) {
  if (why != nullptr) *why = reason;
  return KELM_DICTIONARY_TABLE_ERROR;
}

}  // namespace

long KelmWriteDictionaryTable(const CStenoDictionary& dictionary, LPCSTR path, CString* why) {
  const std::string target(path);
  const std::size_t slash = target.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  char temporary[MAX_PATH];
  if (GetTempFileNameA(folder.c_str(), "kdt", 0, temporary) == 0) {
    CString reason;
    reason.Format("cannot make a file in %s (error %u)", folder.c_str(), GetLastError());
    return fail(why, reason);
  }
  try {
    CDaoDatabase db;
    // The temporary file is there and empty, which SQLite takes as an
    // empty database.
    db.Open(temporary);
    write_entries(dictionary, db);
    db.Close();
  } catch (const CDaoException& e) {
    DeleteFileA(temporary);
    return fail(why, e.Describe());
  }
  if (MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
  CString reason;
  reason.Format("cannot replace %s (error %u)", path, GetLastError());
  DeleteFileA(temporary);
  return fail(why, reason);
}

long KelmReadDictionaryTable(CStenoDictionary& dictionary, LPCSTR path, CString* why) {
  try {
    CDaoDatabase db;
    db.Open(path, FALSE, TRUE);
    CDaoRecordset rs(&db);
    rs.Open(dbOpenDynaset, "entries");
    // A table made elsewhere needs only the outline and the translation.
    const bool with_keys = has_field(rs, "keys");
    const bool with_flags = has_field(rs, "flags");
    const bool with_extras = has_field(rs, "extras");
    const bool with_rtf = has_field(rs, "rtf");
    std::vector<std::string> texts;
    std::vector<CStenoDictionary::Extra> extras;
    std::string keys;
    for (LONG row = 1; !rs.IsEOF(); rs.MoveNext(), ++row) {
      CString reason;
      reason.Format("%s: entry %d: not a dictionary entry", path, row);
      if (with_rtf) {
        const COleVariant rtf = rs.GetFieldValue("rtf");
        if (rtf.vt != VT_NULL) {
          dictionary.IndexAppended();
          if (read_invalid(dictionary, rtf.GetBytes()) != 0) return fail(why, reason);
          continue;
        }
      }
      const COleVariant kept = with_keys ? rs.GetFieldValue("keys") : COleVariant();
      if (kept.vt == (VT_ARRAY | VT_UI1)) {
        const std::span<const BYTE> bytes = kept.GetBytes();
        keys.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
      } else {
        keys = keys_of_outline(rs.GetFieldValue("outline").GetText());
      }
      const COleVariant flags = with_flags ? rs.GetFieldValue("flags") : COleVariant(LONG{0});
      const COleVariant extra_blob = with_extras ? rs.GetFieldValue("extras") : COleVariant();
      texts.clear();
      extras.clear();
      if (keys.empty() || keys.size() % 3 != 0 || flags.vt != VT_I4 ||
          (extra_blob.vt == (VT_ARRAY | VT_UI1) &&
           !parse_extras(extra_blob.GetBytes(), texts, extras)))
        return fail(why, reason);
      dictionary.Append(std::span(reinterpret_cast<const BYTE*>(keys.data()), keys.size()),
                        rs.GetFieldValue("translation").GetText().View(),
                        CTranFlags(static_cast<WORD>(flags.lVal)), extras);
    }
    dictionary.IndexAppended();
  } catch (const CDaoException& e) {
    dictionary.IndexAppended();
    return fail(why, e.Describe());
  }
  return 0;
}
