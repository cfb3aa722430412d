#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "textrules/string_rules.h"

namespace {

struct Row {
  const char *text, *want;
  int result;
};

template <size_t n>
void expect_formats(const char* format, int (*apply)(CString&), const Row (&rows)[n]) {
  for (const Row& row : rows) {
    CString text = row.text;
    EXPECT_EQ(row.result, apply(text)) << format << " " << row.text;
    EXPECT_EQ(row.want, std::string(text.View())) << format << " " << row.text;
  }
}

int slash_date(CString& text) { return CStringRules::FormatDate(text, 0); }
int dash_date(CString& text) { return CStringRules::FormatDate(text, 1); }

// Formatted input is formatted afresh from its digits. Dollars keep their
// surrounding whitespace; cents with nothing left after stripping show nothing.
TEST(FormatTest, NumbersAreFormattedAfreshFromTheirDigits) {
  const Row times[] = {
      {"930", "9:30", 1},    {"1230", "12:30", 1}, {"12345", "1:23:45", 1},
      {"12:30", "12:30", 1}, {"12", "12", 0},      {"1:2", "12", 0},
  };
  expect_formats("time", CStringRules::FormatTime, times);
  const Row dollars[] = {
      {"100", "$100", 1},
      {"1000", "$1,000", 1},
      {"$1,234", "$1,234", 1},
      {" 1234", " $1,234", 1},
      {"^1234567  ", "^$1,234,567  ", 1},
      {"", "$", 1},
  };
  expect_formats("dollars", CStringRules::FormatDollars, dollars);
  const Row cents[] = {
      {"123", "$1.23", 1},
      {"1234567", "$12,345.67", 1},
      {"123456", "$1,234.56", 1},
      {"$12,345.67", "$12,345.67", 1},
      {"5", ".05", 1},
      {"25", ".25", 1},
      {"", "", 0},
      {"$.", "", 0},
  };
  expect_formats("cents", CStringRules::FormatCents, cents);
  const Row phones[] = {
      {"5551234", "555-1234", 1},
      {"2125551234", "(212)555-1234", 1},
      {"12125551234", "1212555-1234", 1},
      {"(212) 555-1234", "212 555-1234", 1},
      {"(212)555-1234", "(212)555-1234", 1},
      {"555-12345", "55512345", 0},
  };
  expect_formats("phone", CStringRules::FormatPhoneNumber, phones);
  const Row ssns[] = {
      {"123456789", "123-45-6789", 1},
      {"123-45-6789", "123-45-6789", 1},
      {"12345678", "12345678", 0},
  };
  expect_formats("ssn", CStringRules::FormatSSNumber, ssns);
  const Row bates[] = {{"AB-001.234", "AB001234", 1}};
  expect_formats("bates", CStringRules::FormatBatesNumber, bates);
  const Row ordinals[] = {
      {"1", "1st", 1},     {"2", "2nd", 1},        {"3", "3rd", 1},   {"4", "4th", 1},
      {"11", "11th", 1},   {"12", "12th", 1},      {"13", "13th", 1}, {"21", "21st", 1},
      {"111", "111th", 1}, {"1,000", "1000th", 1}, {"", "th", 1},
  };
  expect_formats("ordinal", CStringRules::FormatOrdinal, ordinals);
}

// What the cycles below do not reach: lengths outside both tables, the other
// separator, and the year phrase, cut off, marked when short, and put back.
TEST(FormatTest, DatesFollowTheirTablesAndKeepTheYearPhrase) {
  const Row slash[] = {
      {"1", "1", 0},
      {"122519999", "122519999", 0},
      {"12/5/9", "1/259", 1},
      {"123/4/5", "12345", 1},
      {"12/25/19999", "12/25/19999", 0},
      {"1/", "1/", 0},
      {"12-25-99", "12/25/99", 1},
      {"1-2/3-4/5-6/78", "12/34/56/78", 0},
      {"12.25.1999:", "12/25/1999", 1},
      {"1225 of 99", "12/25 of '99", 1},
      {"1225 of 5", "12/25 of '5", 1},
      {"1225 of 1999", "12/25 of 1999", 1},
      {"December 25 of 99", "December 25 of '99", 0},
      {"12 of", "1/2 of", 1},
  };
  expect_formats("slash date", slash_date, slash);
  const Row dash[] = {
      {"12/25/99", "12-25-99", 1},
      {"12/25 of 99", "12-25 of '99", 1},
  };
  expect_formats("dash date", dash_date, dash);
}

// Formatting a date again steps through the readings of its digits and comes
// back to the bare digits, with either separator and with a year phrase:
// every row of the table for bare digits and of the one for separated dates.
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
        CString text = cycle[i].c_str(), want = cycle[(i + 1) % cycle.size()].c_str();
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
