#include "rtf/rtf_control_words.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "platform/file.h"
#include "rtf/rtf_scanner.h"

namespace {

int type_of(const char* word) {
  CMemFile file;
  const CRtfScanner scanner(file);
  const int index =
      scanner.LookupToken(word, CRtfScanner::m_pTokenTbl, CRtfScanner::m_nTokenTblEntries);
  return index < 0 ? 0 : index + 10;
}

// The binary search needs the order, and a word longer than the token's
// control word field could never be matched.
TEST(RtfControlWords, TableIsSortedByUnsignedBytesAndEveryEntryIsFound) {
  const auto bytes = [](const char* s) {
    std::vector<unsigned char> v;
    for (; *s != '\0'; ++s) v.push_back(static_cast<unsigned char>(*s));
    return v;
  };
  for (int i = 0; i < CRtfScanner::m_nTokenTblEntries; ++i) {
    const char* entry = CRtfScanner::m_pTokenTbl[i];
    EXPECT_EQ('\\', entry[0]) << i;
    EXPECT_LE(std::strlen(entry), 20U) << entry;
    if (i > 0) {
      EXPECT_LT(bytes(CRtfScanner::m_pTokenTbl[i - 1]), bytes(entry)) << entry;
    }
    EXPECT_EQ(i + 10, type_of(entry)) << entry;
  }
}

// Our own words kept out of the table on purpose, and near misses around
// entries. The type numbers themselves are checked where the scanner gives
// them.
TEST(RtfControlWords, WordsOutsideTheTableHaveNoType) {
  for (const char* word : {szRTFCW_cxkelmshowtime, szRTFCW_cxkelmstyle, szRTFCW_cxkelmtimefmt, "",
                           "\\", "\\a", "\\pars", "\\PAR", "\\cxkelm"})
    EXPECT_EQ(0, type_of(word)) << word;
}

// The court-reporting words are read and written by their numbers in hosts'
// tables, so each keeps its place: one run from 161, in this order.
TEST(RtfControlWords, CourtReportingWordsKeepTheirTypes) {
  std::istringstream words(
      "cxa cxc cxcase cxcomment cxconf cxdict cxdouble cxds cxdstroke cxdstrokes cxexnum cxfc "
      "cxff cxffadjb cxffadjl cxffadjr cxffadjt cxfing cxfirstln cxfixedtran cxfl cxframes "
      "cxfrom cxgbltable cxicol cxinc cxinclink cxindex cxinum cxkelmdictentrydate "
      "cxkelmdictflags cxkelmds cxkelmlcenter cxkelmtrantim cxlinenum cxlinex cxnoflines "
      "cxnofstrokes cxnotes cxp cxpagenum cxpartword cxpn cxpntable cxrev cxs cxsingle cxsnum "
      "cxsr cxstit cxsystem cxt cxtimex cxtname cxto cxtranopt cxtranscript cxun cxunused cxwit");
  int type = 161;
  for (std::string word; words >> word; ++type)
    EXPECT_EQ(type, type_of(("\\" + word).c_str())) << word;
  EXPECT_EQ(221, type);
}

TEST(RtfControlWords, LookupSearchesTheTableGiven) {
  const char* const table[] = {"\\a", "\\b", "\\c\x80", "\\c\xFF"};
  CMemFile file;
  const CRtfScanner scanner(file);
  const struct {
    const char* word;
    int entries, index;
  } cases[] = {{"\\a", 4, 0},      {"\\b", 4, 1},      {"\\c\x80", 4, 2},
               {"\\c\xFF", 4, 3},  {"\\c\x7F", 4, -1}, {"\\d", 4, -1},
               {"\\c\xFF", 3, -1}, {"\\a", 1, 0},      {"\\a", 0, -1}};
  for (const auto& c : cases)
    EXPECT_EQ(c.index, scanner.LookupToken(c.word, table, c.entries)) << c.word << " " << c.entries;
}

}  // namespace
