#include "platform/gdi/dc.h"

#include <gtest/gtest.h>

#include <functional>
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

// Each call as it is recorded; calls given nothing to draw record nothing.
TEST(DeviceContextTest, RecordsEachCallAsALineAndNothingForCallsWithoutArguments) {
  struct Case {
    const char* what;
    std::function<BOOL(CDC&)> call;
    BOOL result;
    std::vector<CString> recorded;
  };
  CRect r(1, 2, 30, 40);
  const Case cases[] = {
      {"background colour",
       [](CDC& dc) { return dc.SetBkColor(RGB(1, 2, 255)) != 0; },
       TRUE,
       {"SetBkColor #0102FF"}},
      {"text colour",
       [](CDC& dc) { return dc.SetTextColor(RGB(0xAB, 0, 0x10)) == 0; },
       TRUE,
       {"SetTextColor #AB0010"}},
      {"transparent",
       [](CDC& dc) { return dc.SetBkMode(TRANSPARENT) == OPAQUE; },
       TRUE,
       {"SetBkMode TRANSPARENT"}},
      {"opaque",
       [](CDC& dc) { return dc.SetBkMode(OPAQUE) == OPAQUE; },
       TRUE,
       {"SetBkMode OPAQUE"}},
      {"no font",
       [](CDC& dc) { return dc.SelectObject(nullptr) == nullptr; },
       TRUE,
       {"SelectObject none"}},
      {"some sides",
       [&](CDC& dc) { return dc.DrawEdge(r, EDGE_RAISED, BF_LEFT | BF_BOTTOM); },
       TRUE,
       {"DrawEdge 1,2,30,40 EDGE_RAISED BF_LEFT|BF_BOTTOM"}},
      {"etched, all sides",
       [&](CDC& dc) { return dc.DrawEdge(r, EDGE_ETCHED, BF_RECT); },
       TRUE,
       {"DrawEdge 1,2,30,40 EDGE_ETCHED BF_RECT"}},
      {"odd edge, no side",
       [&](CDC& dc) { return dc.DrawEdge(r, 0x3, 0); },
       TRUE,
       {"DrawEdge 1,2,30,40 edge 0x3 0"}},
      {"fill",
       [&](CDC& dc) { return dc.FillSolidRect(r, RGB(255, 0, 0)), TRUE; },
       TRUE,
       {"FillSolidRect 1,2,30,40 #FF0000"}},
      {"text with a NUL",
       [](CDC& dc) { return dc.TextOut(5, -6, "a\0b", 3); },
       TRUE,
       {CString("TextOut 5,-6 a\0b", 16)}},
      {"no text", [](CDC& dc) { return dc.TextOut(0, 0, nullptr, 3); }, FALSE, {}},
      {"negative count", [](CDC& dc) { return dc.TextOut(0, 0, "abc", -1); }, FALSE, {}},
      {"edge of no rectangle",
       [](CDC& dc) { return dc.DrawEdge(nullptr, EDGE_SUNKEN, BF_RECT); },
       FALSE,
       {}},
      {"inversion of no rectangle", [](CDC& dc) { return dc.InvertRect(nullptr), TRUE; }, TRUE, {}},
      {"focus of no rectangle", [](CDC& dc) { return dc.DrawFocusRect(nullptr), TRUE; }, TRUE, {}},
      {"fill of no rectangle",
       [](CDC& dc) { return dc.FillSolidRect(nullptr, RGB(0, 0, 0)), TRUE; },
       TRUE,
       {}},
  };
  for (const Case& c : cases) {
    KelmCharacterGrid grid(6, 4);
    CDC dc(&grid);
    EXPECT_EQ(c.result, c.call(dc)) << c.what;
    EXPECT_EQ(c.recorded, dc.GetCalls()) << c.what;
  }
}

// Only the sides of a whole rectangle draw a frame on the grid; text takes
// the background colour, the one a fill left (as MFC's FillSolidRect sets
// it), or, drawn transparently, the cell's own.
TEST(DeviceContextTest, DrawsFramesTextAndBackgroundsOntoTheGridAsTheModeSays) {
  KelmCharacterGrid grid(8, 4);
  CDC dc(&grid);
  CRect whole;
  dc.GetClipBox(whole);
  dc.DrawEdge(whole, EDGE_SUNKEN, BF_LEFT | BF_TOP | BF_RIGHT);
  EXPECT_EQ("        \n        \n        \n        \n", grid.GetText())
      << "three sides draw nothing";
  dc.FillSolidRect(CRect(0, 0, 19, 35), RGB(0, 0, 128));
  EXPECT_EQ(RGB(0, 0, 128), dc.GetBkColor()) << "a fill leaves its colour as the background";
  dc.SetTextColor(RGB(200, 0, 0));
  dc.TextOut(3, 3, "ab");
  EXPECT_EQ(RGB(0, 0, 128), grid.At(1, 1).background);
  EXPECT_EQ(RGB(200, 0, 0), grid.At(1, 1).text);
  dc.SetBkColor(RGB(255, 255, 0));
  dc.SetBkMode(TRANSPARENT);
  // Guards against the first cell's background spreading along the text.
  dc.TextOut(11, 19, "cdefghijk");
  for (int column = 2; column < 8; ++column)
    EXPECT_EQ(column <= 2 ? RGB(0, 0, 128) : RGB(255, 255, 255), grid.At(column, 2).background)
        << "transparent text keeps each cell's background, column " << column;
  dc.SetBkMode(OPAQUE);
  dc.TextOut(3, 35, "ef");
  EXPECT_EQ(RGB(255, 255, 0), grid.At(1, 3).background);
  EXPECT_EQ("        \n ab     \n  cdefgh\n ef     \n", grid.GetText());
}

// Metrics are the grid's cell whatever the font; without a grid a screen of
// 640 x 480 pixels in cells of 8 x 16.
TEST(DeviceContextTest, MetricsAreTheGridsCell) {
  struct Case {
    KelmCharacterGrid* grid;
    LONG width;
    LONG height;
    CRect surface;
  };
  KelmCharacterGrid small(10, 5, 6, 12, 2);
  const Case cases[] = {{nullptr, 8, 16, CRect(0, 0, 640, 480)},
                        {&small, 6, 12, CRect(0, 0, 52, 40)}};
  for (const Case& c : cases) {
    CDC dc(c.grid);
    TEXTMETRIC metrics;
    ASSERT_TRUE(dc.GetTextMetrics(&metrics));
    EXPECT_EQ(c.height, metrics.tmHeight) << c.width;
    EXPECT_EQ(c.height, metrics.tmAscent + metrics.tmDescent) << c.width;
    EXPECT_EQ(c.width, metrics.tmAveCharWidth) << c.width;
    EXPECT_EQ(0, metrics.tmExternalLeading) << c.width;
    const CSize extent = dc.GetTextExtent("abc");
    EXPECT_EQ(3 * c.width, extent.cx) << c.width;
    EXPECT_EQ(c.height, extent.cy) << c.width;
    EXPECT_EQ(0, dc.GetTextExtent(nullptr, 2).cx) << c.width;
    CRect surface;
    EXPECT_EQ(2, dc.GetClipBox(surface)) << "one rectangle";
    EXPECT_EQ(c.surface, surface) << c.width;
    EXPECT_FALSE(dc.GetTextMetrics(nullptr));
  }
}

}  // namespace
