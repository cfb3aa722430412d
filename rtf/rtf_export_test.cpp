#include "rtf/rtf_export.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "testing/scratch_folder.h"

namespace {

// A writer whose document is one generator text after a paragraph mark.
class TestExport : public CRtfExport {
 public:
  explicit TestExport(CFile& file) { m_pFile = &file; }
  using CRtfExport::EmitKeyword;
  using CRtfExport::EmitText;
  void Header() override {
    OutputKeyParam("\\rtf", 1, 0);
    Cxrev();
  }
  void Document() override {
    OutputKeyword("\\par", 0);
    OutputText(GetSystemString());
  }
};

// One call on the writer: k keyword, p keyword and parameter, t text, x Cxrev,
// d Date, c Creatim; K and T are k and t through EmitKeyword and EmitText. A
// date is given in param as yyyymmdd.
struct Op {
  char call;
  std::string text;
  long param = 0;
  int flags = 0;
};

std::string write(const std::vector<Op>& ops) {
  CMemFile file;
  TestExport writer(file);
  for (const Op& op : ops) {
    const CTime date(op.param / 10000, op.param / 100 % 100, op.param % 100, 12, 0, 0);
    if (op.call == 'k') writer.OutputKeyword(op.text.c_str(), op.flags);
    if (op.call == 'p') writer.OutputKeyParam(op.text.c_str(), op.param, op.flags);
    if (op.call == 't') writer.OutputText(op.text.c_str());
    if (op.call == 'K') writer.EmitKeyword(op.text, op.flags);
    if (op.call == 'T') writer.EmitText(op.text);
    if (op.call == 'x') writer.Cxrev();
    if (op.call == 'd') writer.Date(date);
    if (op.call == 'c') writer.Creatim(date);
  }
  std::string bytes(static_cast<size_t>(file.GetLength()), '\0');
  file.SeekToBegin();
  file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  return bytes;
}

std::string describe(const std::vector<Op>& ops) {
  std::string text;
  for (const Op& op : ops) text += std::string(" ") + op.call + op.text.substr(0, 12);
  return text;
}

TEST(RtfExportTest, WritesKeywordsParametersAndDelimitedText) {
  const struct {
    std::vector<Op> ops;
    std::string want;
  } cases[] = {
      {{{'k', "\\b"}, {'t', "bold"}}, "\\b bold"},
      {{{'k', "}"}, {'t', "x"}}, "}x"},
      {{{'k', "{"}, {'t', "x"}}, "{ x"},
      {{{'t', "a"}, {'t', "b"}}, "ab"},
      {{{'k', "\\b"}, {'t', ""}}, "\\b "},
      {{{'p', "\\fs", 24}, {'p', "\\li", -360}}, "\\fs24\\li-360"},
      {{{'p', "\\cxa", 0}, {'p', "\\cxa", 5}, {'p', "\\cxs", 0}}, "\\cxa\\cxa5\\cxs0"},
      {{{'p', "\\li", LONG_MIN}, {'p', "\\ri", LONG_MAX}},
       "\\li-9223372036854775808\\ri9223372036854775807"},
      {{{'k', "\\cxs", 0, 3}, {'p', "\\cxs", 2, 1}, {'t', "x"}}, "\\*\\v\\cxs\\*\\cxs2 x"},
      {{{'k', "\\b"}, {'x', ""}, {'t', "x"}}, "\\b{\\*\\cxrev100}x"},
      {{{'d', "", 20010305}}, "\\yr2001\\mo3\\da5"},
      {{{'k', "\\b"}, {'c', "", 20010305}, {'t', "x"}}, "\\b {\\creatim\\yr01\\mo03\\da05}x"},
      {{{'c', "", 19991231}, {'c', "", 20100102}, {'c', "", 19950704}},
       "{\\creatim\\yr99\\mo12\\da31}{\\creatim\\yr10\\mo01\\da02}{\\creatim\\yr95\\mo07\\da04}"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.want, write(c.ops)) << describe(c.ops);
}

TEST(RtfExportTest, BreaksLinesNearEightyColumnsOnlyWhereRtfIgnoresThem) {
  const std::string a76(76, 'a'), a79(79, 'a'), a80(80, 'a'), a200(200, 'a');
  const struct {
    std::vector<Op> ops;
    std::string want;
  } cases[] = {
      {{{'t', a200 + "x"}}, a200 + "x"},
      {{{'t', a80 + " b"}}, a80 + "\r\n b"},
      {{{'t', a79 + " b"}}, a79 + " b"},
      {{{'t', a80 + "a x " + a79 + " " + a79 + " d"}},
       a80 + "a\r\n x " + a79 + "\r\n " + a79 + "\r\n d"},
      {{{'t', a80}, {'k', "\\par"}}, a80 + "\r\n\\par"},
      {{{'t', a79}, {'k', "\\par"}}, a79 + "\\par"},
      {{{'t', a80}, {'k', "\\cxs", 0, 2}}, a80 + "\r\n\\v\\cxs"},
      {{{'t', a76}, {'k', "\\b"}, {'t', "x"}}, a76 + "\\b x"},
      {{{'t', a76}, {'k', "\\b"}, {'t', "x y"}}, a76 + "\\b x\r\n y"},
      // Text that ends in the last column is written whole; what follows
      // it is past the edge.
      {{{'t', a79}, {'t', "/"}, {'t', " b"}}, a79 + "/\r\n b"},
      {{{'t', a76}, {'t', "a /"}, {'t', "//"}}, a76 + "a //\r\n/"},
      // At column 80 the line break itself delimits, and the column restarts.
      {{{'t', a76 + "a"}, {'k', "\\b"}, {'t', a79 + " y"}}, a76 + "a\\b\r\n" + a79 + " y"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.want, write(c.ops)) << describe(c.ops);
}

// The views are what the dictionary writer uses; they must not drift from
// the CString operations in delimiting or breaking.
TEST(RtfExportTest, ViewsWriteWhatTheStringOperationsWrite) {
  const std::string a76(76, 'a'), a79(79, 'a'), a80(80, 'a');
  const std::vector<std::vector<Op>> cases = {
      {{'k', "\\b"}, {'t', "bold"}, {'k', "}"}, {'t', "x"}, {'t', ""}},
      {{'k', "\\cxs", 0, 3}, {'t', a76}, {'k', "\\b"}, {'t', "x y"}},
      {{'t', a76}, {'k', "\\b"}, {'t', "xyz"}, {'k', "{"}, {'t', a79 + " /b"}},
      {{'t', a80}, {'k', "\\par"}, {'t', a80 + "a x " + a79 + " d"}, {'k', "\\cxs", 0, 2}},
  };
  for (const std::vector<Op>& ops : cases) {
    std::vector<Op> views = ops;
    for (Op& op : views) op.call = op.call == 'k' ? 'K' : op.call == 't' ? 'T' : op.call;
    EXPECT_EQ(write(ops), write(views)) << describe(ops);
  }
}

TEST(RtfExportTest, FileWrapsHeaderAndDocumentInTheOuterGroup) {
  ScratchFolder folder;
  const std::string path = folder.path("out.rtf");
  {
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    TestExport writer(file);
    writer.File();
  }
  EXPECT_EQ("{\\rtf1{\\*\\cxrev100}\\par Orvalis 00218 RTF by Quendra, Inc.}", ReadWholeFile(path));
}

}  // namespace
