// CDC: a device context that records every drawing call, as text a test can
// read, and draws into a character grid when it is given one (the terminal
// front end's, or a test's). Coordinates are pixels of the grid's surface;
// without a grid the surface is 640 x 480 pixels of 8 x 16-pixel cells.
//
// Text metrics are the grid's cell: a terminal shows every font alike, so
// a selected font is recorded but does not change them. The context does
// not own the grid or the fonts selected into it.
#pragma once

#include <vector>

#include "platform/export.h"
#include "platform/gdi/character_grid.h"
#include "platform/gdi/sys_colors.h"
#include "platform/object.h"
#include "platform/string.h"
#include "platform/types.h"
#include "platform/geometry.h"

class CFont;

struct TEXTMETRICA {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  char tmFirstChar;
  char tmLastChar;
  char tmDefaultChar;
  char tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};
using TEXTMETRIC = TEXTMETRICA;
using LPTEXTMETRIC = TEXTMETRICA*;

// DrawEdge's edges and sides.
inline constexpr UINT BDR_RAISEDOUTER = 0x0001;
inline constexpr UINT BDR_SUNKENOUTER = 0x0002;
inline constexpr UINT BDR_RAISEDINNER = 0x0004;
inline constexpr UINT BDR_SUNKENINNER = 0x0008;
inline constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
inline constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
inline constexpr UINT EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
inline constexpr UINT EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
inline constexpr UINT BF_LEFT = 0x0001;
inline constexpr UINT BF_TOP = 0x0002;
inline constexpr UINT BF_RIGHT = 0x0004;
inline constexpr UINT BF_BOTTOM = 0x0008;
inline constexpr UINT BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;

inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

class KELM_EXPORT CDC : public CObject {
 public:
  CDC() = default;
  explicit CDC(KelmCharacterGrid* pGrid) : m_pGrid(pGrid) {}

  BOOL TextOut(int x, int y, LPCTSTR lpszString, int nCount);
  BOOL TextOut(int x, int y, const CString& str);
  COLORREF SetBkColor(COLORREF crColor);
  COLORREF GetBkColor() const { return m_bkColor; }
  COLORREF SetTextColor(COLORREF crColor);
  COLORREF GetTextColor() const { return m_textColor; }
  int SetBkMode(int nBkMode);
  // Returns the font selected before (nullptr for the default).
  CFont* SelectObject(CFont* pFont);
  BOOL GetTextMetrics(LPTEXTMETRIC lpMetrics) const;
  CSize GetTextExtent(LPCTSTR lpszString, int nCount) const;
  CSize GetTextExtent(const CString& str) const;
  // Edges are drawn as one line of frame whatever their kind.
  BOOL DrawEdge(LPRECT lpRect, UINT nEdge, UINT nFlags);
  // Both toggle, as Windows' XOR drawing does: twice leaves no trace.
  void InvertRect(LPCRECT lpRect);
  void DrawFocusRect(LPCRECT lpRect);
  void FillSolidRect(LPCRECT lpRect, COLORREF clr);
  // The drawing surface (a window's client area).
  int GetClipBox(LPRECT lpRect) const;

  // One line per call, in order: "TextOut 3,0 Table is empty",
  // "DrawEdge 0,0,646,166 EDGE_SUNKEN BF_RECT", "InvertRect 4,19,642,35".
  const std::vector<CString>& GetCalls() const { return m_calls; }
  void ClearCalls() { m_calls.clear(); }
  KelmCharacterGrid* GetGrid() const { return m_pGrid; }

 private:
  void Record(const CString& call) { m_calls.push_back(call); }
  int CellWidth() const;
  int CellHeight() const;

  KelmCharacterGrid* m_pGrid = nullptr;
  CFont* m_pFont = nullptr;
  COLORREF m_bkColor = RGB(255, 255, 255);
  COLORREF m_textColor = RGB(0, 0, 0);
  int m_bkMode = OPAQUE;
  std::vector<CString> m_calls;
};
