#include "platform/ui/view.h"

#include "platform/gdi/sys_colors.h"

namespace {
constexpr LPCSTR view_class_name = "KelmView";
}  // namespace

const CRuntimeClass CView::classCView = {"CView", sizeof(CView), &CObject::classCObject};

const CRuntimeClass* CView::GetRuntimeClass() const { return &classCView; }

BOOL CView::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create(view_class_name, "", dwStyle, rect, pParentWnd, nID);
}

void CView::OnInitialUpdate() { Invalidate(TRUE); }

void CView::OnPrepareDC(CDC*) {}

void CView::SetCanvas(KelmCharacterGrid* pGrid) { m_dc = CDC(pGrid); }

void CView::Invalidate(BOOL bErase) {
  if (bErase) m_erase = true;
  CWnd::Invalidate(bErase);
  UpdateWindow();
}

// A terminal shows whole windows, so a part is painted as the whole.
void CView::InvalidateRect(LPCRECT, BOOL bErase) { Invalidate(bErase); }

BOOL CView::HasFocus() const { return m_hWnd != nullptr && ::GetFocus() == m_hWnd; }

const AFX_MSGMAP* CView::GetMessageMap() const {
  static const AFX_MSGMAP map{CWnd::GetMessageMap(), {ON_WM_PAINT(&CView::OnPaint)}};
  return &map;
}

void CView::OnPaint() {
  CRect client;
  GetClientRect(client);
  const COLORREF window = GetSysColor(COLOR_WINDOW);
  if (m_erase) {
    m_dc.FillSolidRect(client, window);
  } else if (KelmCharacterGrid* grid = m_dc.GetGrid(); grid != nullptr) {
    // Opaque text replaces the highlight beneath it on a screen; a cell keeps
    // its marks through new text, so the cells are cleared as a screen's
    // pixels would be, without an erase the view would see.
    grid->Fill(client, window);
  }
  m_erase = false;
  OnPrepareDC(&m_dc);
  OnDraw(&m_dc);
}
