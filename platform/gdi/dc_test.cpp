#include "platform/gdi/dc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What a framed list view draws: a sunken edge around the client area, two
// rows of text a line apart from just inside it, the second highlighted.
TEST(DeviceContextTest, DrawsRowsInsideAFrameOntoTheGrid) {
  KelmCharacterGrid grid(12, 5);
  CDC dc(&grid);
  CRect client;
  dc.GetClipBox(client);
  EXPECT_EQ(CRect(0, 0, 86, 54), client);
  dc.DrawEdge(client, EDGE_SUNKEN, BF_RECT);
  TEXTMETRIC metrics;
  ASSERT_TRUE(dc.GetTextMetrics(&metrics));
  const int line = metrics.tmHeight + metrics.tmExternalLeading;
  dc.SetBkColor(GetSysColor(COLOR_WINDOW));
  dc.TextOut(3, 3, "KAT cat");
  dc.TextOut(3, 3 + line, CString("TKOG dog and more"));
  const CRect selected(client.left + 4, line + 3, client.right - 4, 2 * line + 3);
  dc.InvertRect(selected);
  EXPECT_EQ(
      "+----------+\n"
      "|KAT cat   |\n"
      "|TKOG dog an\n"
      "|          |\n"
      "+----------+\n",
      grid.GetText());
  for (int column = 0; column < 12; ++column) {
    const bool inside = column >= 1 && column <= 10;
    EXPECT_EQ(inside, grid.At(column, 2).inverted) << "column " << column;
    EXPECT_FALSE(grid.At(column, 1).inverted) << "column " << column;
  }
  dc.InvertRect(selected);
  dc.DrawFocusRect(selected);
  EXPECT_FALSE(grid.At(5, 2).inverted) << "inverting twice leaves no trace";
  EXPECT_TRUE(grid.At(5, 2).focused);

  const std::vector<CString> want = {
      "DrawEdge 0,0,86,54 EDGE_SUNKEN BF_RECT",
      "SetBkColor #FFFFFF",
      "TextOut 3,3 KAT cat",
      "TextOut 3,19 TKOG dog and more",
      "InvertRect 4,19,82,35",
      "InvertRect 4,19,82,35",
      "DrawFocusRect 4,19,82,35",
  };
  EXPECT_EQ(want, dc.GetCalls());
}

TEST(DeviceContextTest, TextOutsideTheGridIsDropped) {
  struct Case {
    int x, y;
    const char* text;
    std::string row0, row1;
  };
  const std::vector<Case> cases = {
      {-16, 3, "abcdef", "      ", "cdef  "},     {3, -20, "abc", "      ", "      "},
      {3, 500, "abc", "      ", "      "},        {500, 3, "abc", "      ", "      "},
      {0, 0, "over the top", "over t", "      "},
  };
  for (const Case& c : cases) {
    KelmCharacterGrid fresh(6, 3);
    CDC drawing(&fresh);
    drawing.TextOut(c.x, c.y, c.text);
    EXPECT_EQ(c.row0, fresh.GetRowText(0)) << c.x << "," << c.y;
    EXPECT_EQ(c.row1, fresh.GetRowText(1)) << c.x << "," << c.y;
  }
}

}  // namespace
