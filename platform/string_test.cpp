#include "platform/string.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>

namespace {

TEST(CStringTest, ExtractionClampsPositionsAndCounts) {
  const CString s("hello");
  const struct {
    const char* call;
    CString got;
    const char* want;
  } cases[] = {
      {"Mid(1, 2)", s.Mid(1, 2), "el"},
      {"Mid(-1, 2)", s.Mid(-1, 2), "he"},
      {"Mid(3, 100)", s.Mid(3, 100), "lo"},
      {"Mid(1, INT_MAX)", s.Mid(1, INT_MAX), "ello"},
      {"Mid(10, 1)", s.Mid(10, 1), ""},
      {"Mid(2, -1)", s.Mid(2, -1), ""},
      {"Mid(5)", s.Mid(5), ""},
      {"Mid(-3)", s.Mid(-3), "hello"},
      {"Left(-1)", s.Left(-1), ""},
      {"Left(2)", s.Left(2), "he"},
      {"Left(99)", s.Left(99), "hello"},
      {"Right(-1)", s.Right(-1), ""},
      {"Right(2)", s.Right(2), "lo"},
      {"Right(99)", s.Right(99), "hello"},
      {"SpanIncluding(\"leh\")", s.SpanIncluding("leh"), "hell"},
      {"SpanExcluding(\"lo\")", s.SpanExcluding("lo"), "he"},
      {"SpanExcluding(nullptr)", s.SpanExcluding(nullptr), "hello"},
  };
  for (const auto& c : cases) EXPECT_EQ(CString(c.want), c.got) << c.call;
}

TEST(CStringTest, SearchingGivesPositionOrMinusOne) {
  const CString s("hello");
  const struct {
    const char* call;
    int got;
    int want;
  } cases[] = {
      {"Find('l')", s.Find('l'), 2},
      {"Find('l', 3)", s.Find('l', 3), 3},
      {"Find('l', 4)", s.Find('l', 4), -1},
      {"Find('x')", s.Find('x'), -1},
      {"Find('h', -1)", s.Find('h', -1), -1},
      {"Find('o', 5)", s.Find('o', 5), -1},
      {"Find(\"lo\")", s.Find("lo"), 3},
      {"Find(\"lo\", 4)", s.Find("lo", 4), -1},
      {"Find(\"\", 5)", s.Find("", 5), 5},
      {"Find(\"\", 6)", s.Find("", 6), -1},
      {"Find(nullptr)", s.Find(static_cast<LPCSTR>(nullptr)), -1},
      {"ReverseFind('l')", s.ReverseFind('l'), 3},
      {"ReverseFind('z')", s.ReverseFind('z'), -1},
      {"FindOneOf(\"ol\")", s.FindOneOf("ol"), 2},
      {"FindOneOf(\"\")", s.FindOneOf(""), -1},
      {"Find('b') past a NUL", CString("a\0b", 3).Find('b'), 2},
  };
  for (const auto& c : cases) EXPECT_EQ(c.want, c.got) << c.call;
}

TEST(CStringTest, EditsInPlaceClampAndReportAsMfc) {
  const struct {
    const char* call;
    const char* text;
    std::function<int(CString&)> edit;
    const char* want;
    int wantResult;
  } cases[] = {
      {"Insert(-5, 'x')", "abc", [](CString& s) { return s.Insert(-5, 'x'); }, "xabc", 4},
      {"Insert(99, 'x')", "abc", [](CString& s) { return s.Insert(99, 'x'); }, "abcx", 4},
      {"Insert(1, \"XY\")", "abc", [](CString& s) { return s.Insert(1, "XY"); }, "aXYbc", 5},
      {"Insert(1, nullptr)", "abc", [](CString& s) { return s.Insert(1, nullptr); }, "abc", 3},
      {"Delete(1)", "abc", [](CString& s) { return s.Delete(1); }, "ac", 2},
      {"Delete(-2, 2)", "abc", [](CString& s) { return s.Delete(-2, 2); }, "c", 1},
      {"Delete(2, 99)", "abc", [](CString& s) { return s.Delete(2, 99); }, "ab", 2},
      {"Delete(1, INT_MAX)", "abc", [](CString& s) { return s.Delete(1, INT_MAX); }, "a", 1},
      {"Delete(5, 1)", "abc", [](CString& s) { return s.Delete(5, 1); }, "abc", 3},
      {"Delete(1, -1)", "abc", [](CString& s) { return s.Delete(1, -1); }, "abc", 3},
      {"Remove('a')", "banana", [](CString& s) { return s.Remove('a'); }, "bnn", 3},
      {"Replace('a', 'o')", "banana", [](CString& s) { return s.Replace('a', 'o'); }, "bonono", 3},
      {"Replace('a', 'a')", "banana", [](CString& s) { return s.Replace('a', 'a'); }, "banana", 0},
      {"Replace(\"an\", \"AN\")", "banana", [](CString& s) { return s.Replace("an", "AN"); },
       "bANANa", 2},
      {"Replace(\"ana\", \"X\")", "banana", [](CString& s) { return s.Replace("ana", "X"); },
       "bXna", 1},
      {"Replace(\"n\", \"nn\")", "banana", [](CString& s) { return s.Replace("n", "nn"); },
       "bannanna", 2},
      {"Replace(\"a\", nullptr)", "banana", [](CString& s) { return s.Replace("a", nullptr); },
       "bnn", 3},
      {"Replace(\"\", \"x\")", "banana", [](CString& s) { return s.Replace("", "x"); }, "banana",
       0},
      {"Replace(nullptr, \"x\")", "banana", [](CString& s) { return s.Replace(nullptr, "x"); },
       "banana", 0},
  };
  for (const auto& c : cases) {
    CString s(c.text);
    EXPECT_EQ(c.wantResult, c.edit(s)) << c.call;
    EXPECT_EQ(CString(c.want), s) << c.call;
  }
}

TEST(CStringTest, TrimAndCaseTouchAsciiOnly) {
  const struct {
    const char* call;
    const char* text;
    std::function<void(CString&)> edit;
    const char* want;
  } cases[] = {
      {"TrimLeft()", " \t\n\v\f\rx \xA0", [](CString& s) { s.TrimLeft(); }, "x \xA0"},
      {"TrimRight()", "\xA0 x \t\n\v\f\r", [](CString& s) { s.TrimRight(); }, "\xA0 x"},
      {"TrimRight() all space", " \t ", [](CString& s) { s.TrimRight(); }, ""},
      {"Trim()", "  x y  ", [](CString& s) { s.Trim(); }, "x y"},
      {"TrimLeft('x')", "xxaxx", [](CString& s) { s.TrimLeft('x'); }, "axx"},
      {"TrimRight('x')", "xxx", [](CString& s) { s.TrimRight('x'); }, ""},
      {"TrimRight(\"xy\")", "axyyx", [](CString& s) { s.TrimRight("xy"); }, "a"},
      {"TrimLeft(nullptr)", " a", [](CString& s) { s.TrimLeft(nullptr); }, " a"},
      {"MakeUpper()", "abc\xE9z\xFF", [](CString& s) { s.MakeUpper(); }, "ABC\xE9Z\xFF"},
      {"MakeLower()", "ABC\xC9Z", [](CString& s) { s.MakeLower(); }, "abc\xC9z"},
      {"MakeReverse()", "abc", [](CString& s) { s.MakeReverse(); }, "cba"},
      {"SetAt(9, 'x')", "abc", [](CString& s) { s.SetAt(9, 'x'); }, "abc"},
  };
  for (const auto& c : cases) {
    CString s(c.text);
    c.edit(s);
    EXPECT_EQ(CString(c.want), s) << c.call;
  }
}

TEST(CStringTest, CompareUsesUnsignedBytesAndCountsEmbeddedNul) {
  const struct {
    const char* call;
    int got;
    int wantSign;
  } cases[] = {
      {"\"a\" vs \"b\"", CString("a").Compare("b"), -1},
      {"\"\\x80\" vs \"a\"", CString("\x80").Compare("a"), 1},
      {"\"ab\" vs \"a\"", CString("ab").Compare("a"), 1},
      {"\"a\\0b\" vs \"a\"", CString("a\0b", 3).Compare("a"), 1},
      {"\"\" vs nullptr", CString().Compare(nullptr), 0},
      {"NoCase \"HeLLo\" vs \"hello\"", CString("HeLLo").CompareNoCase("hello"), 0},
      {"NoCase \"\\xC9\" vs \"\\xE9\"", CString("\xC9").CompareNoCase("\xE9"), -1},
      {"NoCase \"[\" vs \"A\"", CString("[").CompareNoCase("A"), -1},
  };
  for (const auto& c : cases) EXPECT_EQ(c.wantSign, (c.got > 0) - (c.got < 0)) << c.call;
  EXPECT_NE(CString("a\0b", 3), CString("a\0c", 3));
  EXPECT_TRUE(CString("\xFF") > CString("a"));
}

TEST(CStringTest, EmbeddedNulAndHighBytesSurviveCopyAndConcatenation) {
  const std::string bytes("a\0\xFF\x80z", 5);
  const CString s(bytes.data(), 5);
  CString copy = s;
  copy += s;
  const CString joined = s + CString('\0') + s;
  EXPECT_EQ(bytes + bytes, std::string(copy.View()));
  EXPECT_EQ(bytes + std::string(1, '\0') + bytes, std::string(joined.View()));
  EXPECT_EQ(11, joined.GetLength());
}

TEST(CStringTest, FormatProducesOutputOfAnyLength) {
  const std::string longText(100000, 'x');
  CString s;
  s.Format("%s-%d", longText.c_str(), 42);
  EXPECT_EQ(longText + "-42", std::string(s.View()));
  // Formatting a string from its own text must not read freed memory.
  s = "abc";
  s.Format("%s%s", s.GetString(), s.GetString());
  EXPECT_EQ(CString("abcabc"), s);
  s = s.GetString() + 1;
  EXPECT_EQ(CString("bcabc"), s);
}

TEST(CStringTest, ReleaseBufferTakesTheLengthGiven) {
  CString s("old text");
  std::strcpy(s.GetBuffer(20), "abc");
  s.ReleaseBuffer();
  EXPECT_EQ(CString("abc"), s);

  std::memcpy(s.GetBufferSetLength(4), "a\0bc", 4);
  s.ReleaseBuffer(4);
  EXPECT_EQ(CString("a\0bc", 4), s);

  s.GetBuffer(0);
  s.ReleaseBuffer(2);
  EXPECT_EQ(CString("a\0", 2), s);
}

}  // namespace
