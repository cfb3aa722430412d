#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "textrules/string_rules.h"

namespace {

using Format = int (*)(CString&);

int slash_date(CString& text) { return CStringRules::FormatDate(text, 0); }
int dash_date(CString& text) { return CStringRules::FormatDate(text, 1); }

struct Case {
  const char* format;
  Format apply;
  const char* text;
  const char* want;
  int result;
};

TEST(FormatTest, NumbersAreFormattedAfreshFromTheirDigits) {
  const Case cases[] = {
      {"time", CStringRules::FormatTime, "930", "9:30", 1},
      {"time", CStringRules::FormatTime, "1230", "12:30", 1},
      {"time", CStringRules::FormatTime, "12345", "1:23:45", 1},
      {"time", CStringRules::FormatTime, "12:30", "12:30", 1},
      {"time", CStringRules::FormatTime, "12", "12", 0},
      {"time", CStringRules::FormatTime, "1:2", "12", 0},
      {"dollars", CStringRules::FormatDollars, "1234567", "$1,234,567", 1},
      {"dollars", CStringRules::FormatDollars, "100", "$100", 1},
      {"dollars", CStringRules::FormatDollars, "1000", "$1,000", 1},
      {"dollars", CStringRules::FormatDollars, "$1,234", "$1,234", 1},
      {"dollars", CStringRules::FormatDollars, " 1234", " $1,234", 1},
      // Trailing whitespace stays after the amount; the digits still group in threes.
      {"dollars", CStringRules::FormatDollars, "1234 ", "$1,234 ", 1},
      {"dollars", CStringRules::FormatDollars, "^1234567  ", "^$1,234,567  ", 1},
      {"dollars", CStringRules::FormatDollars, "", "$", 1},
      {"dollars", CStringRules::FormatDollars, "  ", "  $", 1},
      {"cents", CStringRules::FormatCents, "123", "$1.23", 1},
      {"cents", CStringRules::FormatCents, "1234567", "$12,345.67", 1},
      {"cents", CStringRules::FormatCents, "12345", "$123.45", 1},
      {"cents", CStringRules::FormatCents, "123456", "$1,234.56", 1},
      {"cents", CStringRules::FormatCents, "$12,345.67", "$12,345.67", 1},
      {"cents", CStringRules::FormatCents, "5", ".05", 1},
      {"cents", CStringRules::FormatCents, "25", ".25", 1},
      // Nothing left after stripping: no amount to show.
      {"cents", CStringRules::FormatCents, "", "", 0},
      {"cents", CStringRules::FormatCents, "$.", "", 0},
      {"phone", CStringRules::FormatPhoneNumber, "5551234", "555-1234", 1},
      {"phone", CStringRules::FormatPhoneNumber, "2125551234", "(212)555-1234", 1},
      {"phone", CStringRules::FormatPhoneNumber, "12125551234", "1212555-1234", 1},
      {"phone", CStringRules::FormatPhoneNumber, "(212) 555-1234", "212 555-1234", 1},
      {"phone", CStringRules::FormatPhoneNumber, "(212)555-1234", "(212)555-1234", 1},
      {"phone", CStringRules::FormatPhoneNumber, "555-12345", "55512345", 0},
      {"ssn", CStringRules::FormatSSNumber, "123456789", "123-45-6789", 1},
      {"ssn", CStringRules::FormatSSNumber, "123-45-6789", "123-45-6789", 1},
      {"ssn", CStringRules::FormatSSNumber, "12345678", "12345678", 0},
      {"bates", CStringRules::FormatBatesNumber, "AB-001.234", "AB001234", 1},
      {"ordinal", CStringRules::FormatOrdinal, "1", "1st", 1},
      {"ordinal", CStringRules::FormatOrdinal, "2", "2nd", 1},
      {"ordinal", CStringRules::FormatOrdinal, "3", "3rd", 1},
      {"ordinal", CStringRules::FormatOrdinal, "4", "4th", 1},
      {"ordinal", CStringRules::FormatOrdinal, "11", "11th", 1},
      {"ordinal", CStringRules::FormatOrdinal, "12", "12th", 1},
      {"ordinal", CStringRules::FormatOrdinal, "13", "13th", 1},
      {"ordinal", CStringRules::FormatOrdinal, "21", "21st", 1},
      {"ordinal", CStringRules::FormatOrdinal, "22", "22nd", 1},
      {"ordinal", CStringRules::FormatOrdinal, "111", "111th", 1},
      {"ordinal", CStringRules::FormatOrdinal, "112", "112th", 1},
      {"ordinal", CStringRules::FormatOrdinal, "1,000", "1000th", 1},
      {"ordinal", CStringRules::FormatOrdinal, "", "th", 1},
  };
  for (const Case& t : cases) {
    CString text = t.text;
    EXPECT_EQ(t.result, t.apply(text)) << t.format << " " << t.text;
    EXPECT_EQ(t.want, std::string(text.View())) << t.format << " " << t.text;
  }
}

TEST(FormatTest, DatesFollowTheirTablesAndKeepTheYearPhrase) {
  const Case cases[] = {
      // Bare digits, by length.
      {"date", slash_date, "15", "1/5", 1},
      {"date", slash_date, "125", "1/25", 1},
      {"date", slash_date, "1225", "12/25", 1},
      {"date", slash_date, "12599", "1/25/99", 1},
      {"date", slash_date, "122599", "12/25/99", 1},
      {"date", slash_date, "1251999", "1/25/1999", 1},
      {"date", slash_date, "12251999", "12/25/1999", 1},
      {"date", slash_date, "1", "1", 0},
      {"date", slash_date, "122519999", "122519999", 0},
      // Separated already, by length and separator positions.
      {"date", slash_date, "1/5", "15", 1},
      {"date", slash_date, "1/25", "12/5", 1},
      {"date", slash_date, "12/5", "125", 1},
      {"date", slash_date, "12/25", "1/2/25", 1},
      {"date", slash_date, "12/5/9", "1/259", 1},
      {"date", slash_date, "1/2/25", "1225", 1},
      {"date", slash_date, "1/25/99", "12/5/99", 1},
      {"date", slash_date, "12/5/99", "1/2599", 1},
      {"date", slash_date, "123/4/5", "12345", 1},
      {"date", slash_date, "12/25/99", "1/2/2599", 1},
      {"date", slash_date, "1/2/2599", "122599", 1},
      {"date", slash_date, "1/25/1999", "12/5/1999", 1},
      {"date", slash_date, "12/5/1999", "1251999", 1},
      {"date", slash_date, "12/25/1999", "12251999", 1},
      {"date", slash_date, "12/25/19999", "12/25/19999", 0},
      {"date", slash_date, "1/", "1/", 0},
      // The other separator goes, whatever the length.
      {"date", slash_date, "12-25-99", "12/25/99", 1},
      {"date", dash_date, "12/25/99", "12-25-99", 1},
      {"date", dash_date, "12-25-99", "1-2-2599", 1},
      {"date", slash_date, "1-2/3-4/5-6/78", "12/34/56/78", 0},
      {"date", slash_date, "12.25.1999:", "12/25/1999", 1},
      // The year phrase is cut off, marked when it is short, and put back.
      {"date", slash_date, "1225 of 99", "12/25 of '99", 1},
      {"date", slash_date, "1225 of 5", "12/25 of '5", 1},
      {"date", slash_date, "1225 of 1999", "12/25 of 1999", 1},
      {"date", slash_date, "12/25 of '99", "1/2/25 of '99", 1},
      {"date", slash_date, "December 25 of 99", "December 25 of '99", 0},
      {"date", slash_date, "12 of", "1/2 of", 1},
      {"date", dash_date, "12/25 of 99", "12-25 of '99", 1},
  };
  for (const Case& t : cases) {
    CString text = t.text;
    EXPECT_EQ(t.result, t.apply(text)) << t.format << " " << t.text;
    EXPECT_EQ(t.want, std::string(text.View())) << t.format << " " << t.text;
  }
}

// Formatting a date again steps through the readings of its digits and comes
// back to the bare digits, with either separator and with a year phrase.
TEST(FormatTest, DatesCycleThroughTheirReadings) {
  const std::vector<std::vector<std::string>> cycles = {
      {"15", "1/5"},
      {"125", "1/25", "12/5"},
      {"1225", "12/25", "1/2/25"},
      {"12599", "1/25/99", "12/5/99", "1/2599"},
      {"122599", "12/25/99", "1/2/2599"},
      {"1251999", "1/25/1999", "12/5/1999"},
      {"12251999", "12/25/1999"},
      {"1225 of '99", "12/25 of '99", "1/2/25 of '99"},
  };
  for (int dash = 0; dash <= 1; ++dash) {
    for (const auto& cycle : cycles) {
      for (size_t i = 0; i < cycle.size(); ++i) {
        CString text = cycle[i].c_str();
        CString want = cycle[(i + 1) % cycle.size()].c_str();
        if (dash) {
          text.Replace('/', '-');
          want.Replace('/', '-');
        }
        const std::string input(text.View());
        EXPECT_EQ(1, CStringRules::FormatDate(text, dash)) << input;
        EXPECT_EQ(std::string(want.View()), std::string(text.View())) << input;
      }
    }
  }
}

}  // namespace
