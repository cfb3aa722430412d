#include "platform/gdi/character_grid.h"

#include <algorithm>

KelmCharacterGrid::KelmCharacterGrid(int columns, int rows, int cellWidth, int cellHeight,
                                     int inset)
    : m_columns(std::max(columns, 2)),
      m_rows(std::max(rows, 2)),
      m_cellWidth(std::max(cellWidth, 1)),
      m_cellHeight(std::max(cellHeight, 1)),
      m_inset(std::max(inset, 1)),
      m_cells(static_cast<std::size_t>(m_columns) * static_cast<std::size_t>(m_rows)) {}

CRect KelmCharacterGrid::GetPixelRect() const {
  return CRect(0, 0, 2 * m_inset + (m_columns - 2) * m_cellWidth,
               2 * m_inset + (m_rows - 2) * m_cellHeight);
}

int KelmCharacterGrid::ColumnOf(int x) const {
  if (x < m_inset) return 0;
  return std::min(1 + (x - m_inset) / m_cellWidth, m_columns - 1);
}

int KelmCharacterGrid::RowOf(int y) const {
  if (y < m_inset) return 0;
  return std::min(1 + (y - m_inset) / m_cellHeight, m_rows - 1);
}

const KelmCharacterGrid::Cell& KelmCharacterGrid::At(int column, int row) const {
  return m_cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns) +
                 static_cast<std::size_t>(column)];
}

KelmCharacterGrid::Cell& KelmCharacterGrid::CellAt(int column, int row) {
  return m_cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns) +
                 static_cast<std::size_t>(column)];
}

std::string KelmCharacterGrid::GetRowText(int row) const {
  std::string text;
  if (row < 0 || row >= m_rows) return text;
  for (int column = 0; column < m_columns; ++column) text += At(column, row).ch;
  return text;
}

std::string KelmCharacterGrid::GetText() const {
  std::string text;
  for (int row = 0; row < m_rows; ++row) text += GetRowText(row) + '\n';
  return text;
}

bool KelmCharacterGrid::CellsOf(const RECT& rect, int& left, int& top, int& right,
                                int& bottom) const {
  const CRect whole = GetPixelRect();
  const int l = std::max<int>(rect.left, 0);
  const int t = std::max<int>(rect.top, 0);
  const int r = std::min<int>(rect.right, whole.right);
  const int b = std::min<int>(rect.bottom, whole.bottom);
  if (r <= l || b <= t) return false;
  left = ColumnOf(l);
  top = RowOf(t);
  right = ColumnOf(r - 1);
  bottom = RowOf(b - 1);
  return true;
}

void KelmCharacterGrid::PutText(int x, int y, std::string_view text, COLORREF textColour,
                                COLORREF background) {
  const CRect whole = GetPixelRect();
  if (y < 0 || y >= whole.bottom || x >= whole.right) return;
  const int row = RowOf(y);
  // Characters left of the grid are cut off, a cell's width each; the first
  // one kept goes to the cell its own pixel falls in.
  std::size_t skip = x < 0 ? static_cast<std::size_t>((-x + m_cellWidth - 1) / m_cellWidth) : 0;
  int column = ColumnOf(x + static_cast<int>(skip) * m_cellWidth);
  for (std::size_t i = skip; i < text.size() && column < m_columns; ++i, ++column) {
    Cell& cell = CellAt(column, row);
    cell.ch = text[i];
    cell.text = textColour;
    cell.background = background;
    cell.frame = false;
  }
}

void KelmCharacterGrid::Fill(const RECT& rect, COLORREF background) {
  int left, top, right, bottom;
  if (!CellsOf(rect, left, top, right, bottom)) return;
  for (int row = top; row <= bottom; ++row)
    for (int column = left; column <= right; ++column) {
      Cell& cell = CellAt(column, row);
      cell = Cell{};
      cell.background = background;
    }
}

void KelmCharacterGrid::Invert(const RECT& rect) {
  int left, top, right, bottom;
  if (!CellsOf(rect, left, top, right, bottom)) return;
  for (int row = top; row <= bottom; ++row)
    for (int column = left; column <= right; ++column)
      CellAt(column, row).inverted = !CellAt(column, row).inverted;
}

void KelmCharacterGrid::ToggleFocus(const RECT& rect) {
  int left, top, right, bottom;
  if (!CellsOf(rect, left, top, right, bottom)) return;
  for (int row = top; row <= bottom; ++row)
    for (int column = left; column <= right; ++column)
      CellAt(column, row).focused = !CellAt(column, row).focused;
}

// Plain ASCII: the library's text is Windows-1252, which has no box lines.
void KelmCharacterGrid::Frame(const RECT& rect) {
  int left, top, right, bottom;
  if (!CellsOf(rect, left, top, right, bottom)) return;
  for (int row = top; row <= bottom; ++row)
    for (int column = left; column <= right; ++column) {
      const bool side = column == left || column == right;
      const bool edge = row == top || row == bottom;
      if (!side && !edge) continue;
      Cell& cell = CellAt(column, row);
      cell.ch = side && edge ? '+' : edge ? '-' : '|';
      cell.frame = true;
    }
}
