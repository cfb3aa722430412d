#include "tableview/view_table.h"

#include <algorithm>

#include "platform/dao/dao_exception.h"
#include "platform/gdi/sys_colors.h"
#include "platform/message.h"
#include "platform/ui/win_user.h"

namespace {

constexpr LPCSTR not_open_text = "Table is not open";
constexpr LPCSTR empty_text = "Table is empty";
constexpr LPCSTR delete_prompt = "Delete the selected entry\nAre you Sure?";

// The vertical bar is a three-state indicator, not a position in the set.
constexpr int bar_at_top = 1;
constexpr int bar_inside = 2;
constexpr int bar_at_bottom = 3;

constexpr int wheel_notch = 120;
constexpr int default_wheel_lines = 3;

// Rows start this far below the client area's top.
constexpr int first_row_y = 3;

bool held(int nVirtKey) { return GetKeyState(nVirtKey) < 0; }

int wheel_scroll_lines() {
  UINT lines = 0;
  if (!SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0)) return default_wheel_lines;
  return static_cast<int>(lines);
}

}  // namespace

const CRuntimeClass CViewTable::classCViewTable = {"CViewTable", sizeof(CViewTable),
                                                   &CView::classCView};

CObject* CViewTable::CreateObject() { return new CViewTable; }

const CRuntimeClass* CViewTable::GetRuntimeClass() const { return &classCViewTable; }

CViewTable::CViewTable() = default;

CViewTable::~CViewTable() {
  topBookmark.Clear();
  bottomBookmark.Clear();
  delete font;
}

void CViewTable::DisplayRecord(CDC*, int) {}
void CViewTable::Edit() {}
void CViewTable::Add() {}

BOOL CViewTable::IsRecordsetValid() const { return recordset != nullptr && recordset->IsOpen(); }

BOOL CViewTable::IsRecordsetEmpty() const { return recordset->IsEOF() && recordset->IsBOF(); }

bool CViewTable::Usable() const { return IsRecordsetValid() && !IsRecordsetEmpty(); }

void CViewTable::OnInitialUpdate() {
  ShowScrollBar(SB_VERT, TRUE);
  SetScrollRange(SB_VERT, bar_at_top, bar_at_bottom, TRUE);
  CView::OnInitialUpdate();
}

void CViewTable::OnDraw(CDC* pDC) {
  CRect client;
  GetClientRect(client);
  if (border) pDC->DrawEdge(client, EDGE_SUNKEN, BF_RECT);
  client.DeflateRect(2, 2);
  pDC->SetBkColor(GetSysColor(COLOR_WINDOW));
  pDC->SetTextColor(GetSysColor(COLOR_WINDOWTEXT));
  CFont* previous = font != nullptr ? pDC->SelectObject(font) : nullptr;
  if (!IsRecordsetValid()) {
    pDC->TextOut(3, 0, not_open_text);
  } else if (IsRecordsetEmpty()) {
    pDC->TextOut(3, 0, empty_text);
  } else {
    TEXTMETRIC tm{};
    pDC->GetTextMetrics(&tm);
    // A zero height would leave no row to divide the window into.
    lineHeight = std::max<int>(1, tm.tmHeight + tm.tmExternalLeading);
    rowsPerPage = client.Height() / lineHeight;
    selRect = RowRect(client, lineHeight);
    MoveToTop();
    int y = first_row_y;
    rowsDrawn = 0;
    while (rowsDrawn < rowsPerPage) {
      ++rowsDrawn;
      DisplayRecord(pDC, y);
      if (rowsDrawn - 1 == selection) MarkSelection(pDC);
      y += lineHeight;
      recordset->MoveNext();
      if (recordset->IsEOF()) {
        recordset->MoveLast();
        break;
      }
    }
    bottomBookmark = recordset->GetBookmark();
    if (rowsDrawn > 0 && selection > rowsDrawn - 1) {
      selection = rowsDrawn - 1;
      selRect = RowRect(client, lineHeight);
      MarkSelection(pDC);
    }
  }
  if (font != nullptr) pDC->SelectObject(previous);
}

CRect CViewTable::RowRect(const CRect& client, int height) const {
  return CRect(client.left + 2, selection * height + first_row_y, client.right - 2,
               (selection + 1) * height + first_row_y);
}

// Without the focus the highlight is only outlined, so that it shows which
// row the keys will act on once the view has the focus again.
void CViewTable::MarkSelection(CDC* dc) {
  if (HasFocus())
    dc->InvertRect(selRect);
  else
    dc->DrawFocusRect(selRect);
}

// A view painted before its host called Top starts at the first record.
void CViewTable::MoveToTop() {
  if (topBookmark.vt == VT_EMPTY) {
    recordset->MoveFirst();
    topBookmark = recordset->GetBookmark();
  } else {
    recordset->SetBookmark(topBookmark);
  }
}

void CViewTable::MoveSelection(int delta) {
  CDC* dc = GetDC();
  OnPrepareDC(dc);
  CRect client;
  GetClientRect(client);
  client.DeflateRect(2, 2);
  const int height = selRect.Height();
  selection = std::clamp(selection + delta, 0, std::max(0, rowsDrawn - 1));
  dc->InvertRect(selRect);
  selRect = RowRect(client, height);
  dc->InvertRect(selRect);
  if (selection >= 1 && selection < rowsDrawn) SetVerticalPosition(bar_inside);
}

void CViewTable::SetVerticalPosition(int position) { SetScrollPos(SB_VERT, position, TRUE); }

void CViewTable::Scroll(int rows) {
  if (!Usable()) return;
  if (rows < 0) {
    MoveToTop();
    recordset->Move(rows);
    topPosition += rows;
    if (recordset->IsBOF()) {
      recordset->MoveFirst();
      topPosition = 0;
      selection = 0;
      SetVerticalPosition(bar_at_top);
    } else {
      SetVerticalPosition(bar_inside);
    }
  } else if (rows > 0) {
    // Not painted yet (a view without a window): the page's end is found.
    if (bottomBookmark.vt == VT_EMPTY) FindBottom();
    recordset->SetBookmark(bottomBookmark);
    recordset->Move(rows);
    topPosition += rows;
    if (!recordset->IsEOF()) {
      MoveToTop();
      recordset->Move(rows);
      SetVerticalPosition(bar_inside);
    } else {
      PlaceLastPage();
      SetVerticalPosition(bar_at_bottom);
    }
  } else {
    // Nothing to move: the page stays where it is.
    MoveToTop();
  }
  topBookmark = recordset->GetBookmark();
  FindBottom();
}

// The last page ends with the last record; its top is a page above unless
// the set is shorter than a page.
void CViewTable::PlaceLastPage() {
  recordset->MoveLast();
  recordset->Move(1 - rowsPerPage);
  topPosition = recordset->GetRecordCount() - rowsPerPage;
  if (recordset->IsBOF()) {
    recordset->MoveFirst();
    topPosition = 0;
  }
  selection = rowsPerPage;
}

// Moves made before the next paint (several wheel notches) must find the
// end of the set from the page they left, not from the one last painted.
void CViewTable::FindBottom() {
  MoveToTop();
  if (rowsPerPage > 0) recordset->Move(rowsPerPage);
  if (recordset->IsEOF()) recordset->MoveLast();
  bottomBookmark = recordset->GetBookmark();
}

void CViewTable::Top() {
  if (!Usable()) return;
  recordset->MoveFirst();
  topBookmark = recordset->GetBookmark();
  topPosition = 0;
  selection = 0;
  SetVerticalPosition(bar_at_top);
  Invalidate(FALSE);
}

void CViewTable::Bottom() {
  if (!Usable()) return;
  PlaceLastPage();
  topBookmark = recordset->GetBookmark();
  SetVerticalPosition(bar_at_bottom);
  Invalidate(FALSE);
}

void CViewTable::LineUp() {
  if (!Usable()) return;
  if (selection == 0) {
    Scroll(-1);
    Invalidate(FALSE);
  } else {
    MoveSelection(-1);
  }
}

void CViewTable::LineDown() {
  if (!Usable()) return;
  if (selection >= rowsPerPage - 1) {
    Scroll(1);
    Invalidate(FALSE);
  } else {
    MoveSelection(1);
  }
}

void CViewTable::PageUp() {
  if (!Usable()) return;
  Scroll(1 - rowsPerPage);
  Invalidate(FALSE);
}

void CViewTable::PageDown() {
  if (!Usable()) return;
  Scroll(rowsPerPage - 1);
  Invalidate(FALSE);
}

void CViewTable::Delete(int confirm) {
  if (!Usable()) return;
  if (confirm && AfxMessageBox(delete_prompt, MB_YESNO) != IDYES) {
    Invalidate(TRUE);
    return;
  }
  MoveToTop();
  if (selection != 0) recordset->Move(selection);
  if (selection == 0) {
    // The page's new top: the record after, or at the end of the set the
    // one before.
    const COleVariant doomed = recordset->GetBookmark();
    recordset->MoveNext();
    if (!recordset->IsEOF()) {
      topBookmark = recordset->GetBookmark();
    } else {
      recordset->SetBookmark(doomed);
      recordset->MovePrev();
      if (!recordset->IsBOF()) topBookmark = recordset->GetBookmark();
    }
    recordset->SetBookmark(doomed);
  }
  recordset->Delete();
  try {
    recordset->MoveFirst();
  } catch (const CDaoException&) {
    // Deleting the only record leaves nothing to move to, which is no fault.
    if (!IsRecordsetEmpty()) throw;
  }
  Invalidate(TRUE);
}

BOOL CViewTable::PreTranslateMessage(MSG* pMsg) {
  // A press is the view's alone: it never reaches the window procedure, so a
  // host's handler of the press does not see it. Presses on a child window
  // the host puts on the view are the child's.
  if ((pMsg->message == WM_LBUTTONDOWN || pMsg->message == WM_RBUTTONDOWN) &&
      pMsg->hwnd == m_hWnd) {
    OnButtonDown(CPoint(GET_X_LPARAM(pMsg->lParam), GET_Y_LPARAM(pMsg->lParam)));
    return TRUE;
  }
  if (pMsg->message != WM_KEYDOWN) return CView::PreTranslateMessage(pMsg);
  switch (static_cast<int>(pMsg->wParam)) {
    case VK_SPACE:
    case 'E':
      Edit();
      return TRUE;
    case VK_INSERT:
    case 'A':
      Add();
      return TRUE;
    case VK_DELETE:
    case 'D':
      Delete(held(VK_CONTROL) ? 0 : 1);
      return TRUE;
    case VK_PRIOR:
      PageUp();
      return TRUE;
    case VK_NEXT:
      PageDown();
      return TRUE;
    case VK_HOME:
      Top();
      return TRUE;
    case VK_END:
      Bottom();
      return TRUE;
    case VK_UP:
      LineUp();
      return TRUE;
    case VK_DOWN:
      LineDown();
      return TRUE;
    case 'I':
      held(VK_SHIFT) ? PageUp() : LineUp();
      return TRUE;
    case 'M':
      held(VK_SHIFT) ? PageDown() : LineDown();
      return TRUE;
    default:
      return CView::PreTranslateMessage(pMsg);
  }
}

const AFX_MSGMAP* CViewTable::GetMessageMap() const {
  static const AFX_MSGMAP map{
      CView::GetMessageMap(),
      {ON_WM_KILLFOCUS(&CViewTable::OnKillFocus), ON_WM_LBUTTONDBLCLK(&CViewTable::OnLButtonDblClk),
       ON_WM_SETFOCUS(&CViewTable::OnSetFocus), ON_WM_VSCROLL(&CViewTable::OnVScroll),
       ON_WM_MOUSEWHEEL(&CViewTable::OnMouseWheel), ON_WM_HSCROLL(&CViewTable::OnHScroll)}};
  return &map;
}

void CViewTable::OnButtonDown(CPoint point) {
  SetFocus();
  const int y = point.y - 2;
  const int height = selRect.Height();
  if (y >= 0 && height != 0) MoveSelection(y / height - selection);
}

void CViewTable::OnLButtonDblClk(UINT, CPoint) {
  if (Usable()) Edit();
}

void CViewTable::OnSetFocus(CWnd*) { Invalidate(TRUE); }

void CViewTable::OnKillFocus(CWnd*) { InvalidateRect(selRect, TRUE); }

void CViewTable::OnVScroll(UINT nSBCode, UINT nPos, CScrollBar*) {
  switch (nSBCode) {
    case SB_LINEUP:
      LineUp();
      break;
    case SB_LINEDOWN:
      LineDown();
      break;
    case SB_PAGEUP:
      PageUp();
      break;
    case SB_PAGEDOWN:
      PageDown();
      break;
    case SB_THUMBPOSITION:
      if (static_cast<int>(nPos) == bar_at_top) Top();
      if (static_cast<int>(nPos) == bar_at_bottom) Bottom();
      break;
    case SB_TOP:
      Top();
      break;
    case SB_BOTTOM:
      Bottom();
      break;
    default:
      break;
  }
}

void CViewTable::OnHScroll(UINT nSBCode, UINT nPos, CScrollBar*) {
  int low = 0;
  int high = 0;
  GetScrollRange(SB_HORZ, &low, &high);
  const int position = GetScrollPos(SB_HORZ);
  switch (nSBCode) {
    case SB_LINELEFT:
    case SB_PAGELEFT:
      SetScrollPos(SB_HORZ, std::max(1, position - 1));
      break;
    case SB_LINERIGHT:
    case SB_PAGERIGHT:
      SetScrollPos(SB_HORZ, std::min(high, position + 1));
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      SetScrollPos(SB_HORZ, static_cast<int>(nPos));
      break;
    case SB_LEFT:
      SetScrollPos(SB_HORZ, 1);
      break;
    case SB_RIGHT:
      SetScrollPos(SB_HORZ, high);
      break;
    default:
      break;
  }
  Invalidate(TRUE);
}

BOOL CViewTable::OnMouseWheel(UINT, short zDelta, CPoint) {
  wheelDelta += zDelta;
  const int lines = wheel_scroll_lines();
  for (; wheelDelta >= wheel_notch; wheelDelta -= wheel_notch) Scroll(-lines);
  for (; wheelDelta <= -wheel_notch; wheelDelta += wheel_notch) Scroll(lines);
  Invalidate(FALSE);
  return TRUE;
}
