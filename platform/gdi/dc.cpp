#include "platform/gdi/dc.h"

#include <cstring>
#include <string>

namespace {

constexpr int default_cell_width = 8;
constexpr int default_cell_height = 16;
constexpr int default_width = 640;
constexpr int default_height = 480;

CString rect_text(const RECT& r) {
  CString text;
  text.Format("%d,%d,%d,%d", r.left, r.top, r.right, r.bottom);
  return text;
}

CString colour_text(COLORREF colour) {
  CString text;
  text.Format("#%02X%02X%02X", GetRValue(colour), GetGValue(colour), GetBValue(colour));
  return text;
}

CString edge_text(UINT edge) {
  switch (edge) {
    case EDGE_SUNKEN:
      return "EDGE_SUNKEN";
    case EDGE_RAISED:
      return "EDGE_RAISED";
    case EDGE_ETCHED:
      return "EDGE_ETCHED";
    case EDGE_BUMP:
      return "EDGE_BUMP";
    default: {
      CString text;
      text.Format("edge 0x%X", edge);
      return text;
    }
  }
}

CString sides_text(UINT flags) {
  if ((flags & BF_RECT) == BF_RECT) return "BF_RECT";
  CString text;
  for (const auto& [flag, name] :
       {std::pair{BF_LEFT, "BF_LEFT"}, std::pair{BF_TOP, "BF_TOP"}, std::pair{BF_RIGHT, "BF_RIGHT"},
        std::pair{BF_BOTTOM, "BF_BOTTOM"}}) {
    if ((flags & flag) == 0) continue;
    if (!text.IsEmpty()) text += '|';
    text += name;
  }
  return text.IsEmpty() ? CString("0") : text;
}

}  // namespace

int CDC::CellWidth() const {
  return m_pGrid != nullptr ? m_pGrid->GetCellWidth() : default_cell_width;
}

int CDC::CellHeight() const {
  return m_pGrid != nullptr ? m_pGrid->GetCellHeight() : default_cell_height;
}

BOOL CDC::TextOut(int x, int y, LPCTSTR lpszString, int nCount) {
  if (lpszString == nullptr || nCount < 0) return FALSE;
  const std::string_view text(lpszString, static_cast<std::size_t>(nCount));
  CString call;
  call.Format("TextOut %d,%d ", x, y);
  Record(call + CString(text));
  if (m_pGrid == nullptr) return TRUE;
  if (m_bkMode != TRANSPARENT) {
    m_pGrid->PutText(x, y, text, m_textColor, m_bkColor);
    return TRUE;
  }
  // Transparent text keeps the background beneath it; a cell has one, so
  // each character keeps its own cell's.
  const CRect whole = m_pGrid->GetPixelRect();
  const int width = m_pGrid->GetCellWidth();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int at = x + static_cast<int>(i) * width;
    if (!whole.PtInRect(CPoint(at, y))) continue;
    const COLORREF background = m_pGrid->At(m_pGrid->ColumnOf(at), m_pGrid->RowOf(y)).background;
    m_pGrid->PutText(at, y, text.substr(i, 1), m_textColor, background);
  }
  return TRUE;
}

BOOL CDC::TextOut(int x, int y, const CString& str) {
  return TextOut(x, y, str.GetString(), str.GetLength());
}

COLORREF CDC::SetBkColor(COLORREF crColor) {
  Record("SetBkColor " + colour_text(crColor));
  const COLORREF old = m_bkColor;
  m_bkColor = crColor;
  return old;
}

COLORREF CDC::SetTextColor(COLORREF crColor) {
  Record("SetTextColor " + colour_text(crColor));
  const COLORREF old = m_textColor;
  m_textColor = crColor;
  return old;
}

int CDC::SetBkMode(int nBkMode) {
  Record(nBkMode == TRANSPARENT ? "SetBkMode TRANSPARENT" : "SetBkMode OPAQUE");
  const int old = m_bkMode;
  m_bkMode = nBkMode;
  return old;
}

CFont* CDC::SelectObject(CFont* pFont) {
  Record(pFont != nullptr ? "SelectObject font" : "SelectObject none");
  CFont* old = m_pFont;
  m_pFont = pFont;
  return old;
}

BOOL CDC::GetTextMetrics(LPTEXTMETRIC lpMetrics) const {
  if (lpMetrics == nullptr) return FALSE;
  std::memset(lpMetrics, 0, sizeof *lpMetrics);
  lpMetrics->tmHeight = CellHeight();
  lpMetrics->tmAscent = CellHeight() * 3 / 4;
  lpMetrics->tmDescent = lpMetrics->tmHeight - lpMetrics->tmAscent;
  lpMetrics->tmAveCharWidth = CellWidth();
  lpMetrics->tmMaxCharWidth = CellWidth();
  lpMetrics->tmWeight = 400;
  lpMetrics->tmDigitizedAspectX = 96;
  lpMetrics->tmDigitizedAspectY = 96;
  lpMetrics->tmFirstChar = ' ';
  lpMetrics->tmLastChar = '\x7E';
  lpMetrics->tmDefaultChar = '?';
  lpMetrics->tmBreakChar = ' ';
  return TRUE;
}

CSize CDC::GetTextExtent(LPCTSTR lpszString, int nCount) const {
  if (lpszString == nullptr || nCount < 0) return CSize(0, CellHeight());
  return CSize(nCount * CellWidth(), CellHeight());
}

CSize CDC::GetTextExtent(const CString& str) const {
  return GetTextExtent(str.GetString(), str.GetLength());
}

BOOL CDC::DrawEdge(LPRECT lpRect, UINT nEdge, UINT nFlags) {
  if (lpRect == nullptr) return FALSE;
  Record("DrawEdge " + rect_text(*lpRect) + " " + edge_text(nEdge) + " " + sides_text(nFlags));
  if (m_pGrid != nullptr && (nFlags & BF_RECT) == BF_RECT) m_pGrid->Frame(*lpRect);
  return TRUE;
}

void CDC::InvertRect(LPCRECT lpRect) {
  if (lpRect == nullptr) return;
  Record("InvertRect " + rect_text(*lpRect));
  if (m_pGrid != nullptr) m_pGrid->Invert(*lpRect);
}

void CDC::DrawFocusRect(LPCRECT lpRect) {
  if (lpRect == nullptr) return;
  Record("DrawFocusRect " + rect_text(*lpRect));
  if (m_pGrid != nullptr) m_pGrid->ToggleFocus(*lpRect);
}

void CDC::FillSolidRect(LPCRECT lpRect, COLORREF clr) {
  if (lpRect == nullptr) return;
  Record("FillSolidRect " + rect_text(*lpRect) + " " + colour_text(clr));
  m_bkColor = clr;
  if (m_pGrid != nullptr) m_pGrid->Fill(*lpRect, clr);
}

// SIMPLEREGION: the surface is one rectangle.
int CDC::GetClipBox(LPRECT lpRect) const {
  if (lpRect == nullptr) return 0;
  *lpRect =
      m_pGrid != nullptr ? m_pGrid->GetPixelRect() : CRect(0, 0, default_width, default_height);
  return 2;
}
