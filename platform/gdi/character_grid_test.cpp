// The character grid's pixels-to-cells rule at every edge, the cells a
// rectangle's drawing marks, and text that runs off an edge.
#include "platform/gdi/character_grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/gdi/dc.h"

namespace {

// 12 x 5 cells of 8 x 16 pixels with an inset of 3: 86 x 54 pixels.
TEST(CharacterGridTest, EachPixelFallsInItsCellWithTheOuterRingForTheInset) {
  const KelmCharacterGrid grid(12, 5);
  EXPECT_EQ(CRect(0, 0, 86, 54), grid.GetPixelRect());
  struct Case {
    int pixel;
    int cell;
  };
  const Case columns[] = {{-5, 0},  {0, 0},   {2, 0},   {3, 1},   {10, 1},   {11, 2},
                          {82, 10}, {83, 11}, {85, 11}, {86, 11}, {1000, 11}};
  for (const Case& c : columns) EXPECT_EQ(c.cell, grid.ColumnOf(c.pixel)) << "x " << c.pixel;
  const Case rows[] = {{-1, 0}, {0, 0},  {2, 0},  {3, 1},  {18, 1},
                       {19, 2}, {50, 3}, {51, 4}, {53, 4}, {1000, 4}};
  for (const Case& c : rows) EXPECT_EQ(c.cell, grid.RowOf(c.pixel)) << "y " << c.pixel;
  const KelmCharacterGrid tiny(0, -3, 0, 0, 0);
  EXPECT_EQ(2, tiny.GetColumns()) << "a grid has at least 2 x 2 cells";
  EXPECT_EQ(2, tiny.GetRows());
  EXPECT_EQ(CRect(0, 0, 2, 2), tiny.GetPixelRect()) << "cells and inset of at least one pixel";
}

// The marks a rectangle leaves, a row of the grid each: '#' marked.
std::vector<std::string> marks(const KelmCharacterGrid& grid, bool focused) {
  std::vector<std::string> rows;
  for (int row = 0; row < grid.GetRows(); ++row) {
    std::string line;
    for (int column = 0; column < grid.GetColumns(); ++column) {
      const KelmCharacterGrid::Cell& cell = grid.At(column, row);
      line += (focused ? cell.focused : cell.inverted) ? '#' : '.';
    }
    rows.push_back(line);
  }
  return rows;
}

// A rectangle marks each cell it touches by one pixel or more, clipped to
// the grid; one that covers no pixel of it marks nothing.
TEST(CharacterGridTest, ARectangleMarksEveryCellItTouchesAndNoOther) {
  struct Case {
    RECT rect;
    std::vector<std::string> want;
  };
  const std::vector<std::string> none = {"......", "......", "......", "......"};
  const Case cases[] = {
      {{3, 3, 11, 19}, {"......", ".#....", "......", "......"}},
      {{10, 18, 12, 20}, {"......", ".##...", ".##...", "......"}},
      {{0, 0, 3, 3}, {"#.....", "......", "......", "......"}},
      {{-50, -50, 500, 500}, {"######", "######", "######", "######"}},
      {{35, 35, 38, 38}, {"......", "......", "......", ".....#"}},
      {{20, 20, 20, 30}, none},
      {{20, 30, 30, 30}, none},
      {{30, 20, 20, 30}, none},
      {{38, 5, 60, 10}, none},
      {{-10, -10, 0, 0}, none},
  };
  for (const Case& c : cases) {
    const std::string where = std::to_string(c.rect.left) + "," + std::to_string(c.rect.top) + "," +
                              std::to_string(c.rect.right) + "," + std::to_string(c.rect.bottom);
    KelmCharacterGrid grid(6, 4);
    grid.Invert(c.rect);
    EXPECT_EQ(c.want, marks(grid, false)) << "invert " << where;
    grid.ToggleFocus(c.rect);
    EXPECT_EQ(c.want, marks(grid, true)) << "focus " << where;
    grid.Invert(c.rect);
    grid.ToggleFocus(c.rect);
    EXPECT_EQ(none, marks(grid, false)) << "inverted twice " << where;
    EXPECT_EQ(none, marks(grid, true)) << "focused twice " << where;
  }
}

// Guards against text that starts left of the grid landing a cell too far
// left, over the frame, as a view scrolled sideways draws it.
TEST(CharacterGridTest, TextRunningOffTheLeftKeepsEachCharacterInItsCell) {
  struct Case {
    int x;
    const char* row;
  };
  const Case cases[] = {
      {3, "|abcdefghi"},  {11, "|.abcdefgh"}, {0, "abcdefghij"},   {-1, "|bcdefghij"},
      {-5, "|bcdefghij"}, {-8, "bcdefghijk"}, {-13, "|cdefghijk"}, {-16, "cdefghijkl"},
  };
  for (const Case& c : cases) {
    KelmCharacterGrid grid(10, 3);
    grid.Frame(grid.GetPixelRect());
    grid.Fill(CRect(3, 3, 67, 19), RGB(255, 255, 255));
    grid.PutText(c.x, 3, "abcdefghijklmnop", RGB(0, 0, 0), RGB(255, 255, 255));
    std::string row = grid.GetRowText(1);
    std::replace(row.begin(), row.end(), ' ', '.');
    EXPECT_EQ(c.row, row) << "x " << c.x;
    EXPECT_EQ(c.row[0] == '|', grid.At(0, 1).frame) << "x " << c.x;
  }
}

// Text over a frame's cell takes the cell: the terminal draws frame lines
// only where the mark is left.
TEST(CharacterGridTest, TextAndFillsTakeTheFrameMarkFromTheirCells) {
  KelmCharacterGrid grid(6, 4);
  grid.Frame(grid.GetPixelRect());
  EXPECT_EQ("+----+\n|    |\n|    |\n+----+\n", grid.GetText());
  grid.PutText(0, 20, "ab", RGB(1, 2, 3), RGB(4, 5, 6));
  EXPECT_FALSE(grid.At(0, 2).frame);
  EXPECT_FALSE(grid.At(1, 2).frame);
  EXPECT_EQ(RGB(1, 2, 3), grid.At(0, 2).text);
  EXPECT_EQ(RGB(4, 5, 6), grid.At(1, 2).background);
  EXPECT_TRUE(grid.At(0, 1).frame);
  grid.Invert(grid.GetPixelRect());
  grid.Fill(CRect(0, 0, 3, 54), RGB(9, 9, 9));
  for (int row = 0; row < 4; ++row) {
    const KelmCharacterGrid::Cell& cell = grid.At(0, row);
    EXPECT_FALSE(cell.frame) << "row " << row;
    EXPECT_FALSE(cell.inverted) << "a fill clears the marks, row " << row;
    EXPECT_EQ(' ', cell.ch) << "row " << row;
    EXPECT_EQ(RGB(9, 9, 9), cell.background) << "row " << row;
  }
  EXPECT_TRUE(grid.At(1, 0).inverted);
  EXPECT_EQ("", grid.GetRowText(4)) << "a row past the grid has no text";
  EXPECT_EQ("", grid.GetRowText(-1));
}

}  // namespace
