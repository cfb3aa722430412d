// CView: a window that shows a document's contents and draws them itself,
// with only the pieces of MFC's view that paging views use: OnDraw and
// OnInitialUpdate, the device context, focus and scroll bars (CWnd's).
//
// Drawing goes through the view's own device context (GetDC), which records
// every call and draws into the character grid given with SetCanvas, if any.
// There is no deferred paint here: Invalidate paints at once, so what a
// person or a test sees follows each action.
#pragma once

#include "platform/export.h"
#include "platform/gdi/character_grid.h"
#include "platform/gdi/dc.h"
#include "platform/object.h"
#include "platform/geometry.h"
#include "platform/ui/wnd.h"

class KELM_EXPORT CView : public CWnd {
 public:
  static const CRuntimeClass classCView;
  const CRuntimeClass* GetRuntimeClass() const override;

  // Makes the view's window, a child of pParentWnd (a top-level window when
  // null), with the view's class name.
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

  // Draws the whole view.
  virtual void OnDraw(CDC* pDC) = 0;
  // Called once by the host after the view is shown; the default paints.
  virtual void OnInitialUpdate();
  // Gets a device context ready for this view before drawing; nothing here.
  virtual void OnPrepareDC(CDC* pDC);

  // The grid the view draws into (not owned); nullptr draws nowhere.
  void SetCanvas(KelmCharacterGrid* pGrid);
  // The view's device context; its calls accumulate until cleared.
  CDC* GetDC() { return &m_dc; }

  // Paints now, after clearing the client area when bErase is set.
  void Invalidate(BOOL bErase = TRUE);
  void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
  BOOL HasFocus() const;

  const AFX_MSGMAP* GetMessageMap() const override;

 protected:
  void OnPaint();

 private:
  CDC m_dc;
  bool m_erase = false;
};
