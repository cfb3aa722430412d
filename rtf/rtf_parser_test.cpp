#include "rtf/rtf_parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/message.h"
#include "rtf/rtf_control_words.h"
#include "rtf/rtf_scanner.h"

namespace {

int type_of(const char* word) { return CRtfScanner::GetTokenType(word); }

// Writes every call it receives into one line, and answers 7 to the call
// named fail_on.
class RecordingClient : public CRtfParserClient {
 public:
  std::string calls, fail_on;
  std::vector<RTFTransTblEntry> table;
  const RTFTransTblEntry* table_ptr = nullptr;
  int table_count = 0;

  void UseTable(std::vector<RTFTransTblEntry> entries) {
    table = std::move(entries);
    std::sort(table.begin(), table.end(),
              [](const auto& x, const auto& y) { return x.nTokenType < y.nTokenType; });
    table_ptr = table.data();
    table_count = static_cast<int>(table.size());
  }
  void ShowError(int nCode) { HandleError(nCode); }

  long PostParserStart() override { return Record("start"); }
  long PostParserStop() override { return Record("stop"); }
  long PopState() override { return Record("pop"); }
  long PushState() override { return Record("push"); }
  long OutputChar(int n) override { return Record("char" + std::to_string(n)); }
  long ApplySpecialControl(int n) override { return Record("special" + std::to_string(n)); }
  long OutputText(const char* s, bool f) override {
    return Record(std::string("text(") + s + (f ? ",1)" : ")"));
  }
  long ApplyPropChange(int n, long v) override {
    return Record("prop" + std::to_string(n) + "=" + std::to_string(v));
  }
  long ChangeDestination(int n) override { return Record("dest" + std::to_string(n)); }
  long EndDestination(int n) override { return Record("end" + std::to_string(n)); }
  const RTFTransTblEntry* GetTransTbl() override { return table_ptr; }
  int GetTransTblEntries() override { return table_count; }

 private:
  long Record(const std::string& call) {
    calls += (calls.empty() ? "" : " ") + call;
    return call == fail_on ? 7 : 0;
  }
};

// Records the text of every message box, marking one without just an OK
// button, and answers OK.
class ParserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_saved = KelmSetMessageBoxHandler([this](LPCSTR text, LPCSTR, UINT type) {
      boxes += std::string(text) + (type == MB_OK ? "" : "?");
      return IDOK;
    });
  }
  void TearDown() override { KelmSetMessageBoxHandler(m_saved); }

  long Parse(std::string bytes, RecordingClient& client) {
    CMemFile file(reinterpret_cast<BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
    return CRtfParser(file, &client).Run(false);
  }

  std::string boxes;

 private:
  KelmMessageBoxHandler m_saved;
};

TEST_F(ParserTest, TokensBecomeTheTablesCalls) {
  const int par = type_of(szRTFCW_par), cxs = type_of(szRTFCW_cxs), fs = type_of(szRTFCW_fs);
  const std::vector<RTFTransTblEntry> usual = {{par, 0, 1, 3},
                                               {type_of(szRTFCW_tab), 0, 1, 4},
                                               {fs, 24, 3, 7},
                                               {type_of(szRTFCW_b), 1, 3, 8},
                                               {1, 0, 4, 5}};
  const struct {
    const char* input;
    std::vector<RTFTransTblEntry> table;
    std::string fail_on;
    long result;
    std::string calls;
  } cases[] = {
      {"", usual, "", 0, "start stop"},
      {"{\\rtf1\\ansi hello}", usual, "", 0, "start push text(hello) pop stop"},
      {"a\\par b\tc\\\nd", usual, "", 0,
       "start text(a) char3 text(b) char4 text(c) char3 text(d) stop"},
      {"\\fs x\\fs0 y\\fs-3 z\\b\\b0", usual, "", 0,
       "start prop7=24 text(x) prop7=0 text(y) prop7=-3 text(z) prop8=1 prop8=0 stop"},
      {"\\bin2 ab\\par", usual, "", 0, "start special5 char3 stop"},
      // Optional destinations the table does not list vanish with their group.
      {"{\\*\\cxs {\\par} x}y{\\*", usual, "", 0, "start text(y) stop"},
      {"{\\*\\cxs x}", {{cxs, 0, 2, 4}}, "", 0, "start push dest4 text(x) pop stop"},
      {"{\\*\\cxs x}",
       {{cxs, 0, 2, 4}, {type_of(szRTFCS_OPTDEST), 0, 4, 9}},
       "",
       0,
       "start push special9 dest4 text(x) pop stop"},
      // An entry of type 0 is "no entry": unknown controls never reach the client.
      {"{\\*\\foo x}\\foo y", {{0, 0, 1, 2}, {par, 0, 1, 3}}, "", 0, "start text(y) stop"},
      {"\\par{x}", {}, "", 0, "start push text(x) pop stop"},
      // A failing call stops the parse at once; the result of the stop call is unused.
      {"{x}", usual, "start", 7, "start stop"},
      {"a{b}c", usual, "push", 7, "start text(a) push stop"},
      {"a\\fs b", usual, "prop7=24", 7, "start text(a) prop7=24 stop"},
      {"x", usual, "stop", 0, "start text(x) stop"},
      {"a\\par b", {{par, 0, 9, 3}}, "", 5100, "start text(a) stop"},
  };
  for (const auto& c : cases) {
    boxes.clear();
    RecordingClient client;
    client.UseTable(c.table);
    client.fail_on = c.fail_on;
    EXPECT_EQ(c.result, Parse(c.input, client)) << c.input;
    EXPECT_EQ(c.calls, client.calls) << c.input;
    EXPECT_EQ(c.result == 5100 ? "Undefined Scanner Error (5100)" : "", boxes) << c.input;
  }
}

TEST_F(ParserTest, BadTablesAreNeverReadThrough) {
  const struct {
    bool null_table;
    int count;
  } cases[] = {{true, 5}, {false, 0}, {false, -1}};
  for (const auto& c : cases) {
    RecordingClient client;
    client.UseTable({{type_of(szRTFCW_par), 0, 1, 3}});
    if (c.null_table) client.table_ptr = nullptr;
    client.table_count = c.count;
    EXPECT_EQ(0, Parse("\\par x", client)) << c.null_table << " " << c.count;
    EXPECT_EQ("start text(x) stop", client.calls) << c.null_table << " " << c.count;
  }
}

TEST_F(ParserTest, RunsOnceAndReportsMissingParts) {
  std::string bytes = "x";
  CMemFile file(reinterpret_cast<BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
  RecordingClient client;
  client.fail_on = "start";
  EXPECT_EQ(7, CRtfParser(file, &client).Run(false));
  EXPECT_EQ(0u, file.GetPosition()) << "a cancelled parse reads nothing";
  EXPECT_EQ(1, CRtfParser(file, nullptr).Run(false));
  EXPECT_EQ("Not enough memory to allocate the parser's client.", boxes);

  boxes.clear();
  client.fail_on.clear();
  client.calls.clear();
  CRtfParser parser(file, &client);
  EXPECT_EQ(0, parser.Run(true));
  EXPECT_EQ("start text(x,1) stop", client.calls);
  EXPECT_EQ(nullptr, parser.GetScannerPtr());
  EXPECT_EQ(2, parser.Run(true));
  EXPECT_EQ("Not enough memory to allocate the parser's scanner.", boxes);

  // Guards against leaking the scanner of a parser that never runs.
  CRtfParser never_run(file, &client);
}

TEST_F(ParserTest, ClientErrorTextsAndTheirBox) {
  const struct {
    int code;
    const char* text;
  } cases[] = {{1, "Not enough memory to store character properties."},
               {2, "Not enough memory to store document properties."},
               {3, "Not enough memory to store paragraph properties."},
               {-4, "Undefined ParserClient Error (-4)"}};
  for (const auto& c : cases) {
    RecordingClient client;
    boxes.clear();
    client.ShowError(c.code);
    EXPECT_EQ(c.text, boxes) << c.code;
  }
}

TEST(ParserClientTest, SetTimeSetsOneDatePartAtMidnight) {
  const CTime start(2001, 3, 5, 14, 30, 0);
  const struct {
    int which, value;
    CTime want;
  } cases[] = {{65, 1999, CTime(1999, 3, 5, 0, 0, 0)},
               {8, 9, CTime(2001, 3, 9, 0, 0, 0)},
               {5, 31, CTime(2001, 3, 31, 0, 0, 0)},
               {36, 11, CTime(2001, 11, 5, 0, 0, 0)},
               {7, 1999, start},
               {0, 1, start}};
  for (const auto& c : cases) {
    RecordingClient client;
    CTime time = start;
    client.SetTime(time, c.which, c.value);
    EXPECT_EQ(c.want.GetTime(), time.GetTime()) << c.which << " " << c.value;
  }
}

}  // namespace
