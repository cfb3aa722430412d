#include "tableview/sample_table.h"

#include <algorithm>
#include <string>

namespace {

// Batches are large enough that the statement's cost is nothing beside the
// rows', and small enough for a progress line to move every moment.
constexpr LONG batch_rows = 50000;

// A stroke is an initial, a vowel and a final: 14 * 9 * 15 of them. Each
// part list is in fields of four characters, padding trimmed.
constexpr int initials = 14;
constexpr int vowels = 9;
constexpr int finals = 15;
constexpr LONG strokes = initials * vowels * finals;
constexpr const char* initial_keys = "S   T   K   P   W   H   R   TK  PW  HR  KWR STR SKWRTPH ";
constexpr const char* vowel_keys = "A   O   E   U   AO  EU  AOE AU  OU  ";
constexpr const char* final_keys = "    F   R   P   B   L   G   T   S   D   Z   FT  PL  RB  GS  ";
constexpr const char* initial_letters = "s   t   k   p   w   h   r   d   b   l   qu  str j   n   ";
constexpr const char* vowel_letters = "a   o   e   u   oo  i   ee  aw  ow  ";
constexpr const char* final_letters =
    "    f   r   p   b   l   g   t   s   d   z   ft  mp  sh  x   ";

std::string part(const char* fields, const std::string& index) {
  return "rtrim(substr('" + std::string(fields) + "', (" + index + ") * 4 + 1, 4))";
}

// The text of stroke number `n` (an SQL expression) from the three lists.
std::string stroke(const std::string& n, const char* first, const char* middle, const char* last) {
  return part(first, n + " % " + std::to_string(initials)) + " || " +
         part(middle, n + " / " + std::to_string(initials) + " % " + std::to_string(vowels)) +
         " || " + part(last, n + " / " + std::to_string(initials * vowels));
}

// Row i's outline (or translation): up to three strokes (or syllables),
// the first from i's lowest digits in base `strokes`, so every i has its own.
std::string entry_text(const char* first, const char* middle, const char* last, const char* joint) {
  const std::string s = std::to_string(strokes);
  const std::string s2 = std::to_string(strokes * strokes);
  return stroke("(i % " + s + ")", first, middle, last) + " || CASE WHEN i >= " + s + " THEN '" +
         joint + "' || " + stroke("(i / " + s + " % " + s + ")", first, middle, last) +
         " ELSE '' END || CASE WHEN i >= " + s2 + " THEN '" + joint + "' || " +
         stroke("(i / " + s2 + " % " + s + ")", first, middle, last) + " ELSE '' END";
}

std::string quoted(LPCTSTR name) {
  std::string out = "\"";
  for (const char* c = name; *c != '\0'; ++c) {
    if (*c == '"') out += '"';
    out += *c;
  }
  return out + '"';
}

}  // namespace

void KelmMakeSampleTable(CDaoDatabase& db, LPCTSTR table, LONG rows,
                         const std::function<void(LONG)>& progress) {
  const std::string name = quoted(table);
  const std::string outline = entry_text(initial_keys, vowel_keys, final_keys, "/");
  const std::string translation = entry_text(initial_letters, vowel_letters, final_letters, "");
  // Mostly plain words, with a suffix, a prefix and a capitalising entry now
  // and then.
  const std::string flags =
      "CASE i % 23 WHEN 0 THEN 256 WHEN 1 THEN 512 WHEN 2 THEN 1024 ELSE 0 END";
  db.Execute("BEGIN IMMEDIATE");
  try {
    db.Execute(("CREATE TABLE " + name +
                "(id INTEGER PRIMARY KEY, outline TEXT NOT NULL, translation TEXT NOT NULL,"
                " flags INTEGER NOT NULL DEFAULT 0)")
                   .c_str());
    for (LONG done = 0; done < rows;) {
      const LONG batch = std::min(batch_rows, rows - done);
      const std::string from = std::to_string(done);
      const std::string to = std::to_string(done + batch - 1);
      db.Execute(("WITH RECURSIVE n(i) AS (SELECT " + from +
                  " UNION ALL SELECT i + 1 FROM n WHERE i < " + to + ") INSERT INTO " + name +
                  " SELECT i + 1, " + outline + ", " + translation + ", " + flags + " FROM n")
                     .c_str());
      done += batch;
      if (progress) progress(done);
    }
    db.Execute("COMMIT");
  } catch (const CDaoException&) {
    // The failure that counts is the one being passed on.
    try {
      db.Execute("ROLLBACK");
    } catch (const CDaoException&) {
    }
    throw;
  }
}
