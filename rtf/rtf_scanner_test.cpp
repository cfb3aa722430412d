#include "rtf/rtf_scanner.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/message.h"
#include "rtf/rtf_token.h"
#include "testing/scratch_folder.h"

namespace {

struct Scanned {
  int type;
  std::string text;
  LONG parm;
  DWORD offset;
};

// Every token of the input, end of input excluded, as a user of the queue
// sees them; a control word's text is the word without its digits.
std::vector<Scanned> scan(const std::string& input, long* pCount = nullptr) {
  CMemFile file(reinterpret_cast<BYTE*>(const_cast<char*>(input.data())),
                static_cast<UINT>(input.size()));
  CRtfScanner scanner(file);
  std::vector<Scanned> tokens;
  long result = scanner.Start();
  while (result == 0 && scanner.GetToken(0)->GetType() != 2) {
    CRtfToken& token = *scanner.GetToken(0);
    Scanned t{token.GetType(), std::string(token.GetBuffer(), token.GetLength()),
              CRtfToken::no_parameter, token.GetStreamOffset()};
    const bool control = t.type == 0 || (t.type >= 10 && t.type <= 742);
    if (control && t.text.size() > 1 && t.text[1] >= 'a' && t.text[1] <= 'z') {
      t.text = token.GetCtrlWord();
      t.parm = token.GetNumParm();
    }
    tokens.push_back(t);
    result = scanner.ConsumeToken(0);
  }
  EXPECT_EQ(0, result) << input;
  if (pCount != nullptr) *pCount = scanner.GetCharCount();
  scanner.Stop();
  return tokens;
}

// "type text" for each token, with " #n" for a control word's parameter and
// bytes outside printable ASCII as \xHH; tokens joined by " | ".
std::string describe(const std::vector<Scanned>& tokens) {
  std::string out;
  for (const auto& t : tokens) {
    if (!out.empty()) out += " | ";
    out += std::to_string(t.type) + " ";
    for (const unsigned char c : t.text) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += c < 32 || c > 126 ? std::string(hex) : std::string(1, static_cast<char>(c));
    }
    if (t.parm != CRtfToken::no_parameter) out += " #" + std::to_string(t.parm);
  }
  return out;
}

TEST(RtfScanner, TokenSequences) {
  const struct {
    std::string input;
    const char* tokens;
  } cases[] = {
      {"", ""},
      {"{\\rtf1\\ansi hello}", "743 { | 636 \\rtf #1 | 47 \\ansi | 5 hello | 744 }"},
      // Escapes and text runs.
      {"a\\\\b\\{c\\}", "5 a\\b{c}"},
      {"\\\\ab\\{", "5 \\ab{"},
      {"x\\'e9y", "5 x\\xE9y"},
      {"\\'41\\'4Ab", "5 AJb"},
      {"\\'4 ", "0 \\'4 | 5  "},
      {"\\'4g", "0 \\'4 | 5 g"},
      {"ab\\'xy", "0 ab\\' | 5 xy"},
      {"ab\\", "0 ab\\"},
      {"ab\\par", "5 ab | 506 \\par"},
      {"ab\r\ncd\n", "5 abcd"},
      {"\r\n\r\n", ""},
      {"a\\\r\nb", "5 a | 506 \\\\x0D | 5 b"},
      {"a\tb", "5 a | 680 \\x09 | 5 b"},
      {"a{b}c", "5 a | 743 { | 5 b | 744 } | 5 c"},
      {"caf\xE9", "5 caf\\xE9"},
      // Control words, parameters and symbols.
      {"\\fs24\\li-360\\b x", "373 \\fs #24 | 427 \\li #-360 | 67 \\b | 5 x"},
      {"\\fs24  x", "373 \\fs #24 | 5  x"},
      {"\\pard;", "507 \\pard | 5 ;"},
      {"\\li-x", "0 \\li #0 | 5 x"},
      {"\\foo1 y", "0 \\foo #1 | 5 y"},
      {"\\cxkelmdictentrydate", "190 \\cxkelmdictentrydate"},
      {"\\cxkelmstyle2", "0 \\cxkelmstyle #2"},
      {"\\-\\~\\*\\|\\_\\:", "12 \\- | 742 \\~ | 11 \\* | 741 \\| | 14 \\_ | 13 \\:"},
      {"\\ \\A", "0 \\  | 0 \\ | 5 A"},
      {"\\1", "0 \\ | 5 1"},
      {"\\\xE9", "0 \\\\xE9"},
      {"\\", "0 \\"},
      // A digit straight after \cxt is text; after any other word a parameter.
      {"\\cxt1", "212 \\cxt | 5 1"},
      {"\\cxt12:30 x", "212 \\cxt | 5 12:30 x"},
      {"\\cxs1", "206 \\cxs #1"},
      {"\\cxtx1", "0 \\cxtx #1"},
      // Binary data.
      {"\\bin3 abc\\par", "80 \\bin #3 | 1 abc | 506 \\par"},
      {"\\bin3 {\\}}", "80 \\bin #3 | 1 {\\} | 744 }"},
      {std::string("\\bin2 \0\n", 8), "80 \\bin #2 | 1 \\x00\\x0A"},
      {"\\bin0 x", "80 \\bin #0 | 5 x"},
      {"\\bin x", "80 \\bin | 5 x"},
      {"\\bin5 ab", "80 \\bin #5 | 1 ab"},
      {"\\bin5 ", "80 \\bin #5"},
      // A too-long control word cannot be cut into a shorter, known one, and a
      // parameter beyond 32 bits saturates instead of wrapping into another
      // value or into the no-parameter mark.
      {"\\cxkelmdictentrydatex", "0 "},
      {"\\par" + std::string(30, 'a') + "1", "0  #1"},
      {"\\fs2147483647", "373 \\fs #2147483647"},
      {"\\fs2147483648", "373 \\fs #2147483647"},
      {"\\fs4294967296", "373 \\fs #2147483647"},
      {"\\fs99999999999999999999999", "373 \\fs #2147483647"},
      {"\\li-2147483647", "427 \\li #-2147483647"},
      {"\\li-2147483648", "427 \\li #-2147483647"},
      {"\\li-99999999999999999999999", "427 \\li #-2147483647"},
      {"\\bin4294967299 abc", "80 \\bin #2147483647 | 1 abc"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.tokens, describe(scan(c.input))) << c.input;
}

// Long text arrives in tokens of at most 254 characters; an escape is never
// cut between two tokens, wherever it falls.
TEST(RtfScanner, LongTextSplitsBetweenEscapes) {
  const struct {
    const char* escape;
    const char* literal;
  } escapes[] = {{"\\'41", "A"}, {"\\{", "{"}, {"\\\\", "\\"}};
  for (const auto& e : escapes) {
    for (size_t before = 248; before <= 256; ++before) {
      const std::string input = std::string(before, 'a') + e.escape + std::string(300, 'b');
      std::string joined;
      for (const auto& t : scan(input)) {
        EXPECT_EQ(5, t.type) << before << e.escape;
        EXPECT_LE(t.text.size(), 254U) << before << e.escape;
        joined += t.text;
      }
      EXPECT_EQ(std::string(before, 'a') + e.literal + std::string(300, 'b'), joined)
          << before << e.escape;
    }
  }
  const auto tokens = scan(std::string(600, 'x'));
  ASSERT_EQ(3U, tokens.size());
  EXPECT_EQ(254U, tokens[0].text.size());
  EXPECT_EQ(254U, tokens[1].text.size());
  EXPECT_EQ(254U, tokens[1].offset);
  EXPECT_EQ(92U, tokens[2].text.size());
}

TEST(RtfScanner, BinaryDataAcrossTokens) {
  for (const int size : {253, 254, 255, 508, 600}) {
    std::string data;
    for (int i = 0; i < size; ++i) data += static_cast<char>("{}\\\0\r\x80z"[i % 7]);
    const std::string head = "\\bin" + std::to_string(size) + " ";
    const auto tokens = scan(head + data + "\\par");
    ASSERT_GE(tokens.size(), 3U) << size;
    EXPECT_EQ(80, tokens.front().type) << size;
    EXPECT_EQ(506, tokens.back().type) << size;
    std::string got;
    for (size_t i = 1; i + 1 < tokens.size(); ++i) {
      EXPECT_EQ(1, tokens[i].type) << size;
      EXPECT_LE(tokens[i].text.size(), 254U) << size;
      EXPECT_EQ(head.size() + got.size(), tokens[i].offset) << size;
      got += tokens[i].text;
    }
    EXPECT_EQ(data, got) << size;
  }
}

TEST(RtfScanner, StreamOffsetsAndCount) {
  const struct {
    std::string input;
    std::vector<DWORD> offsets;
  } cases[] = {
      {"{\\rtf1 ab}", {0, 1, 7, 9}},
      {"ab\\'xy\\par x", {0, 4, 6, 11}},
      {"a\\\r\nb", {0, 1, 3}},
      {"\\cxt12", {0, 4}},
  };
  for (const auto& c : cases) {
    long count = 0;
    const auto tokens = scan(c.input, &count);
    std::vector<DWORD> offsets;
    for (const auto& t : tokens) offsets.push_back(t.offset);
    EXPECT_EQ(c.offsets, offsets) << c.input;
    EXPECT_EQ(static_cast<long>(c.input.size()), count) << c.input;
  }
}

// The scanner reads 4096 bytes at a time and takes common tokens whole from
// the block; a token that the block's end cuts must come out as it does
// anywhere else, wherever the cut falls.
TEST(RtfScanner, TokensAcrossTheReadBlockEnd) {
  const std::string sample =
      "{\\*\\cxs STKPWHR/-T}word\\par\r\n\\cxds \\'e9x\\cxt12 ab\\\\c\\{d\\fs24 \\li-360\\b x"
      "\\-\\~\\tab\ty\\\r\n\\cxkelmdictentrydate z\\par" +
      std::string(40, 'q') + "}";
  const std::vector<Scanned> alone = scan(sample);
  for (size_t shift = 4040; shift <= 4100; ++shift) {
    // One token per brace, so that the sample's tokens follow them unchanged.
    const std::vector<Scanned> tokens = scan(std::string(shift, '}') + sample);
    ASSERT_EQ(shift + alone.size(), tokens.size()) << shift;
    std::vector<Scanned> moved(tokens.begin() + static_cast<std::ptrdiff_t>(shift), tokens.end());
    for (Scanned& t : moved) t.offset -= static_cast<DWORD>(shift);
    EXPECT_EQ(describe(alone), describe(moved)) << shift;
    for (size_t i = 0; i < alone.size(); ++i) EXPECT_EQ(alone[i].offset, moved[i].offset) << shift;
  }
}

// A caller may read into a token of its own, however small: the scanner
// once took braces and symbols whole without asking whether they fit, which
// overran such a token's buffer.
TEST(RtfScanner, ReadingIntoASmallTokenKeepsToItsCapacity) {
  std::string input = "{\\-\\par hello}\\'e9" + std::string(100, ' ');
  for (long size = 1; size <= 8; ++size) {
    CMemFile file(reinterpret_cast<BYTE*>(input.data()), static_cast<UINT>(input.size()));
    CRtfScanner scanner(file);
    CRtfToken token(size);
    for (int i = 0; i < 12; ++i) {
      scanner.ReadTokenFromFile(token);
      ASSERT_LE(token.GetLength(), token.GetBufferSize()) << size << " token " << i;
      token.GetText();
    }
  }
}

class ScannerWithBoxes : public ::testing::Test {
 protected:
  void SetUp() override {
    m_saved = KelmSetMessageBoxHandler([this](LPCSTR text, LPCSTR, UINT type) {
      m_boxes.push_back(text);
      EXPECT_EQ(MB_OK, type & MB_TYPEMASK);
      return IDOK;
    });
  }
  void TearDown() override { KelmSetMessageBoxHandler(m_saved); }
  std::vector<std::string> m_boxes;

 private:
  KelmMessageBoxHandler m_saved;
};

TEST_F(ScannerWithBoxes, EmptyFileGivesEndOfInputEverywhere) {
  CMemFile file;
  CRtfScanner scanner(file);
  EXPECT_EQ(0, scanner.Start());
  for (int n = 0; n < 3; ++n) EXPECT_EQ(2, scanner.GetToken(n)->GetType()) << n;
  EXPECT_EQ(0, scanner.ConsumeToken(0));
  EXPECT_EQ(2, scanner.GetToken(0)->GetType());
  scanner.Stop();
  EXPECT_TRUE(m_boxes.empty());
}

// The three tokens made by Start are the only ones: consuming rotates them.
TEST_F(ScannerWithBoxes, QueueLooksAheadRotatesAndConsumesGroups) {
  std::string input = "{a}b{\\*\\foo {x} y}z{a{b}";
  CMemFile file(reinterpret_cast<BYTE*>(input.data()), static_cast<UINT>(input.size()));
  CRtfScanner scanner(file);
  ASSERT_EQ(0, scanner.Start());
  const std::set<CRtfToken*> made = {scanner.GetToken(0), scanner.GetToken(1), scanner.GetToken(2)};
  EXPECT_EQ(743, scanner.GetToken(0)->GetType());
  EXPECT_STREQ("a", scanner.GetToken(1)->GetText());
  EXPECT_EQ(744, scanner.GetToken(2)->GetType());
  EXPECT_EQ(0, scanner.ConsumeToken(1));
  EXPECT_EQ(743, scanner.GetToken(0)->GetType());
  EXPECT_EQ(744, scanner.GetToken(1)->GetType());
  EXPECT_STREQ("b", scanner.GetToken(2)->GetText());
  EXPECT_EQ(0, scanner.ConsumeGroup());
  EXPECT_STREQ("b", scanner.GetToken(0)->GetText());
  EXPECT_EQ(0, scanner.ConsumeGroup());
  EXPECT_STREQ("b", scanner.GetToken(0)->GetText());
  EXPECT_EQ(0, scanner.ConsumeToken(0));
  EXPECT_EQ(0, scanner.ConsumeGroup());
  EXPECT_STREQ("z", scanner.GetToken(0)->GetText());
  EXPECT_EQ(made,
            (std::set<CRtfToken*>{scanner.GetToken(0), scanner.GetToken(1), scanner.GetToken(2)}));
  // A group left unclosed is consumed to the end.
  EXPECT_EQ(0, scanner.ConsumeToken(0));
  EXPECT_EQ(0, scanner.ConsumeGroup());
  EXPECT_EQ(2, scanner.GetToken(0)->GetType());
  scanner.Stop();
}

// The scanner reads in blocks; after Stop the file must still stand just
// after the bytes scanned, wherever the scan began.
TEST_F(ScannerWithBoxes, StopReturnsReadAheadToTheFile) {
  ScratchFolder folder;
  const std::string name = folder.path("long.rtf");
  std::string content = "skip!";
  for (int i = 0; i < 2000; ++i) content += "{\\cxs STKPWHR}word\\par\r\n";
  {
    CFile out(name.c_str(), CFile::modeCreate | CFile::modeWrite);
    out.Write(content.data(), static_cast<UINT>(content.size()));
  }
  CFile file(name.c_str(), CFile::modeRead);
  file.Seek(5, CFile::begin);
  CRtfScanner scanner(file);
  ASSERT_EQ(0, scanner.Start());
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(0, scanner.ConsumeToken(0));
  const long count = scanner.GetCharCount();
  scanner.Stop();
  EXPECT_EQ(static_cast<ULONGLONG>(5 + count), file.GetPosition());
}

class MisdirectedScanner : public CRtfScanner {
 public:
  using CRtfScanner::CRtfScanner;
  long StepInState(int state) {
    CRtfToken token(255);
    token.AddChar('x');
    m_nState = state;
    int done = 0;
    const long result = ProcessState(token, done);
    EXPECT_EQ(1, done);
    return result;
  }
};

TEST_F(ScannerWithBoxes, UnknownStateIsReported) {
  CMemFile file;
  MisdirectedScanner scanner(file);
  EXPECT_EQ(2, scanner.StepInState(17));
  ASSERT_EQ(1U, m_boxes.size());
  EXPECT_EQ("The scanner's state machine incorrectly processed a state.", m_boxes[0]);
  scanner.HandleError(99);
  EXPECT_EQ("Undefined Scanner Error (99)", m_boxes[1]);
}

TEST(RtfToken, EditingKeepsWithinTheBuffer) {
  CRtfToken token(4);
  EXPECT_EQ(2, token.GetType());
  char c = 0;
  EXPECT_EQ(1, token.GetLastChar(c));
  EXPECT_EQ(1, token.DiscardFirstChar());
  EXPECT_EQ(1, token.DiscardLastChar());
  EXPECT_EQ(2, token.DiscardNextToLastChar());
  EXPECT_EQ(0, token.AddChar('a'));
  EXPECT_EQ(2, token.DiscardNextToLastChar());
  EXPECT_EQ(0, token.AddChar('b'));
  EXPECT_TRUE(token.CanHoldChars(1));
  EXPECT_FALSE(token.CanHoldChars(2));
  EXPECT_EQ(0, token.AddChar('c'));
  EXPECT_EQ(3, token.AddChar('d'));
  EXPECT_STREQ("abc", token.GetText());
  EXPECT_EQ(0, token.DiscardNextToLastChar());
  EXPECT_STREQ("ac", token.GetText());
  EXPECT_EQ(0, token.DiscardFirstChar());
  EXPECT_EQ(0, token.GetLastChar(c));
  EXPECT_EQ('c', c);
  EXPECT_STREQ("c", token.GetText());
  token.Reset(42);
  EXPECT_EQ(0U, token.GetLength());
  EXPECT_EQ(42U, token.GetStreamOffset());
  EXPECT_EQ(CRtfToken::no_parameter, token.GetNumParm());
}

// SetText once copied the whole string, whatever the buffer held.
TEST(RtfToken, SetTextKeepsToTheCapacity) {
  const struct {
    const char* text;
    const char* kept;
  } cases[] = {{"", ""}, {"abc", "abc"}, {"abcd", "abc"}, {"abcdefgh", "abc"}, {nullptr, ""}};
  for (const auto& c : cases) {
    CRtfToken token(4);
    token.SetText(c.text);
    EXPECT_EQ(5, token.GetType()) << c.kept;
    EXPECT_STREQ(c.kept, token.GetText()) << c.kept;
  }
}

TEST(RtfToken, SplitsWordsSymbolsAndParameters) {
  const struct {
    const char* text;
    const char* word;
    LONG parm;
    const char* symbol;
  } cases[] = {
      {"\\fs24", "\\fs", 24, "\\f"},
      {"\\li-360", "\\li", -360, "\\l"},
      {"\\b", "\\b", CRtfToken::no_parameter, "\\b"},
      {"\\-", "\\", 0, "\\-"},
      {"\\", "\\", CRtfToken::no_parameter, "\\"},
      {"\\abcdefghijklmnopqrs", "\\abcdefghijklmnopqrs", CRtfToken::no_parameter, "\\a"},
      {"\\abcdefghijklmnopqrst5", "", 5, "\\a"},
  };
  for (const auto& c : cases) {
    CRtfToken token(255);
    token.SetText(c.text);
    EXPECT_STREQ(c.word, token.GetCtrlWord()) << c.text;
    EXPECT_EQ(c.parm, token.GetNumParm()) << c.text;
    EXPECT_STREQ(c.symbol, token.GetCtrlSymbol()) << c.text;
  }
}

}  // namespace
