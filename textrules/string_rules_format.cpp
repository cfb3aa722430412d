#include <initializer_list>

#include "textrules/string_rules.h"

namespace {

// Formatted and partly formatted input is formatted afresh from its digits.
constexpr const char* number_punctuation = ",.-()/:$";
constexpr const char* date_punctuation = ",.:$";

void strip(CString& text, const char* characters) {
  for (const char* c = characters; *c != '\0'; ++c) text.Remove(*c);
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Inserts the character at each position, given from right to left so that
// every position still counts in the text as it was before.
void insert_at(CString& text, char c, std::initializer_list<int> positions) {
  for (int position : positions) text.Insert(position, c);
}

// " of 99" becomes " of '99"; a four-digit year or one already marked stays.
void mark_short_year(CString& year) {
  if (year.Find('\'') != -1) return;
  int digits = 0;
  while (digits < year.GetLength() && is_digit(year[year.GetLength() - 1 - digits])) ++digits;
  if (digits == 1 || digits == 2) year.Insert(year.GetLength() - digits, '\'');
}

// Bare digits: the first reading of a date of that length. False when no
// reading has that length.
bool insert_date_separators(CString& text, char separator) {
  switch (text.GetLength()) {
    case 2:
    case 3:
      insert_at(text, separator, {1});
      return true;
    case 4:
      insert_at(text, separator, {2});
      return true;
    case 5:
    case 7:
      insert_at(text, separator, {3, 1});
      return true;
    case 6:
    case 8:
      insert_at(text, separator, {4, 2});
      return true;
    default:
      return false;
  }
}

// A date already separated: the next reading of the same digits, ending with
// the bare digits, so that formatting again walks through the readings.
// False, with the text untouched, when no reading has that length.
bool next_date_reading(CString& text, char separator) {
  const int length = text.GetLength();
  if (length < 3 || length > 10) return false;
  const int first = text.Find(separator);
  const int last = text.ReverseFind(separator);
  text.Remove(separator);
  if (length == 4 && first == 1) {
    insert_at(text, separator, {2});
  } else if (length == 5 || (length == 8 && first == 2)) {
    insert_at(text, separator, {2, 1});
  } else if (length == 6 && last == 4) {
    insert_at(text, separator, {1});
  } else if ((length == 7 || length == 9) && first == 1) {
    insert_at(text, separator, {3, 2});
  } else if (length == 7 && first == 2) {
    insert_at(text, separator, {1});
  }
  return true;
}

}  // namespace

int CStringRules::FormatTime(CString& text) {
  strip(text, number_punctuation);
  if (text.GetLength() < 3) return 0;
  for (int position = text.GetLength() - 2; position > 0; position -= 2) text.Insert(position, ':');
  return 1;
}

// Trailing whitespace stays after the amount, and the digits are grouped in
// threes back from the last of them, as without it.
int CStringRules::FormatDollars(CString& text) {
  strip(text, number_punctuation);
  const int first = FirstWordChar(text);
  int end = text.GetLength();
  while (end > first && IsWhitespace(text[end - 1])) --end;
  for (int position = end - 3; position > first; position -= 3) text.Insert(position, ',');
  text.Insert(first, '$');
  return 1;
}

// A text with no digits left has no amount to show: it stays empty and is not
// formatted.
int CStringRules::FormatCents(CString& text) {
  strip(text, number_punctuation);
  if (text.IsEmpty()) return 0;
  if (text.GetLength() == 1) text.Insert(0, '0');
  if (text.GetLength() == 2) {
    text.Insert(0, '.');
    return 1;
  }
  for (int position = text.GetLength() - 5; position > 0; position -= 3) text.Insert(position, ',');
  text.Insert(0, '$');
  text.Insert(text.GetLength() - 2, '.');
  return 1;
}

int CStringRules::FormatPhoneNumber(CString& text) {
  strip(text, number_punctuation);
  const int length = text.GetLength();
  if (length != 7 && length != 10 && length != 11) return 0;
  text.Insert(length - 4, '-');
  if (length == 10) {
    text.Insert(3, ')');
    text.Insert(0, '(');
  }
  return 1;
}

int CStringRules::FormatSSNumber(CString& text) {
  strip(text, number_punctuation);
  if (text.GetLength() != 9) return 0;
  text.Insert(3, '-');
  text.Insert(6, '-');
  return 1;
}

int CStringRules::FormatBatesNumber(CString& text) {
  strip(text, number_punctuation);
  return 1;
}

int CStringRules::FormatOrdinal(CString& text) {
  strip(text, number_punctuation);
  const char last = text.IsEmpty() ? '\0' : text[text.GetLength() - 1];
  if (EndsWith(text, "11") || EndsWith(text, "12") || EndsWith(text, "13") || last < '1' ||
      last > '3')
    text += "th";
  else
    text += last == '1' ? "st" : last == '2' ? "nd" : "rd";
  return 1;
}

int CStringRules::FormatDate(CString& text, int dash) {
  strip(text, date_punctuation);
  const int of = text.Find("of");
  CString year;
  if (of > 0) {
    year = text.Mid(of - 1);
    text = text.Left(of - 1);
    mark_short_year(year);
  }
  const char separator = dash ? '-' : '/';
  text.Remove(dash ? '/' : '-');
  const bool formatted = text.Find(separator) > 0 ? next_date_reading(text, separator)
                                                  : insert_date_separators(text, separator);
  text += year;
  return formatted;
}
