// KelmCharacterGrid: a surface of character cells that a device context
// draws into, for front ends that show windows on a terminal. Drawing
// happens in pixels; each cell stands for cell_width x cell_height pixels,
// except that the outermost ring of cells stands for the inset pixels at
// each edge, where windows draw their frames. So a sunken edge around the
// client area takes the outer cells, and rows of text drawn a line height
// apart from just inside it take a row of cells each.
//
// A cell holds a character, its colours, and two marks that drawing toggles
// as Windows' XOR drawing does: inverted (shown in reverse video) and
// focused (the focus rectangle, shown underlined). A grid is a plain value,
// used by one thread at a time.
#pragma once

#include <string>
#include <vector>

#include "platform/export.h"
#include "platform/gdi/sys_colors.h"
#include "platform/types.h"
#include "platform/geometry.h"

class KELM_EXPORT KelmCharacterGrid {
 public:
  struct Cell {
    char ch = ' ';
    COLORREF text = RGB(0, 0, 0);
    COLORREF background = RGB(255, 255, 255);
    bool inverted = false;
    bool focused = false;
    bool frame = false;
  };

  // At least 2 x 2 cells.
  KelmCharacterGrid(int columns, int rows, int cellWidth = 8, int cellHeight = 16, int inset = 3);

  int GetColumns() const { return m_columns; }
  int GetRows() const { return m_rows; }
  int GetCellWidth() const { return m_cellWidth; }
  int GetCellHeight() const { return m_cellHeight; }
  // The pixels the cells stand for, from (0, 0).
  CRect GetPixelRect() const;
  // The cell a pixel falls in (clamped to the grid).
  int ColumnOf(int x) const;
  int RowOf(int y) const;

  const Cell& At(int column, int row) const;
  // The characters of one row.
  std::string GetRowText(int row) const;
  // Every row's characters, each row ending with a newline.
  std::string GetText() const;

  // Drawing, in pixels; what falls outside the grid is dropped.
  void PutText(int x, int y, std::string_view text, COLORREF textColour, COLORREF background);
  void Fill(const RECT& rect, COLORREF background);
  void Invert(const RECT& rect);
  void ToggleFocus(const RECT& rect);
  // A sunken edge on the cells of the rectangle's border.
  void Frame(const RECT& rect);

 private:
  Cell& CellAt(int column, int row);
  // The cells a rectangle covers, as [first, last] in each direction; false
  // when it covers none.
  bool CellsOf(const RECT& rect, int& left, int& top, int& right, int& bottom) const;

  int m_columns;
  int m_rows;
  int m_cellWidth;
  int m_cellHeight;
  int m_inset;
  std::vector<Cell> m_cells;
};
