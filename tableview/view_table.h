// CViewTable: a scrolling list over a database recordset that never loads
// the set. It shows one page of records at a time, remembers the page's top
// by a bookmark, and moves a one-row highlight through the page.
//
// The host derives from it, draws one record in DisplayRecord, supplies Add
// and Edit, points `recordset` at an open recordset (a CEntryCountRecordset
// that has counted, so that the last page can be placed) and calls Top()
// before the first paint. The view never opens, closes or frees the
// recordset. Every move and deletion does nothing on a missing, closed or
// empty recordset; database errors pass through as CDaoException.
#pragma once

#include "platform/dao/dao_recordset.h"
#include "platform/dao/ole_variant.h"
#include "platform/export.h"
#include "platform/gdi/dc.h"
#include "platform/types.h"
#include "platform/ui/font.h"
#include "platform/geometry.h"
#include "platform/ui/view.h"

class KELM_EXPORT CViewTable : public CView {
 public:
  static const CRuntimeClass classCViewTable;
  static CObject* CreateObject();
  const CRuntimeClass* GetRuntimeClass() const override;

  CViewTable();
  ~CViewTable() override;

  // Draws the current record as one row whose top is at y.
  virtual void DisplayRecord(CDC* dc, int y);
  virtual void Edit();
  virtual void Add();

  void OnDraw(CDC* pDC) override;
  void OnInitialUpdate() override;
  BOOL PreTranslateMessage(MSG* pMsg) override;

  // 1 when a recordset is set and open.
  BOOL IsRecordsetValid() const;
  // 1 when the recordset has no records.
  BOOL IsRecordsetEmpty() const;

  void Top();
  void Bottom();
  void LineUp();
  void LineDown();
  void PageUp();
  void PageDown();
  // Moves the page's top by rows (negative: towards the first record).
  void Scroll(int rows);
  // Deletes the highlighted record, asking first when confirm is non-zero.
  void Delete(int confirm);

  const AFX_MSGMAP* GetMessageMap() const override;

  CRect selRect{0, 0, 0, 0};
  int lineHeight = 0;
  COleVariant bottomBookmark;
  CDaoRecordset* recordset = nullptr;
  int selection = 0;
  int rowsPerPage = 0;
  int rowsDrawn = 0;
  CFont* font = nullptr;
  COleVariant topBookmark;
  int topPosition = 0;
  int border = 1;
  int wheelDelta = 0;

 protected:
  void MoveSelection(int delta);

  void OnKillFocus(CWnd* pNewWnd);
  void OnLButtonDblClk(UINT nFlags, CPoint point);
  void OnSetFocus(CWnd* pOldWnd);
  void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);
  void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);

 private:
  // False when there is nothing to move through.
  bool Usable() const;
  void MoveToTop();
  void PlaceLastPage();
  void FindBottom();
  CRect RowRect(const CRect& client, int height) const;
  void MarkSelection(CDC* dc);
  void SetVerticalPosition(int position);
  void OnButtonDown(CPoint point);
};
