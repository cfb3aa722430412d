// CEntryCountRecordset: a recordset that knows how many entries it holds.
// The DAO record count only covers the records visited so far; this one
// walks the set once when asked (CountEntries), then keeps the count and the
// current record's index up to date through its own moves and deletions, so
// that a view can place its last page. Moves made through the base class's
// Move or SetBookmark do not change `position`.
#pragma once

#include "platform/dao/dao_database.h"
#include "platform/dao/dao_recordset.h"
#include "platform/export.h"
#include "platform/types.h"

class KELM_EXPORT CEntryCountRecordset : public CDaoRecordset {
 public:
  explicit CEntryCountRecordset(CDaoDatabase* db);

  // Walks the whole set once, leaving it past its last record; later calls
  // do nothing.
  void CountEntries();
  int GetEntryCount() const { return entryCount; }
  // 1 when the set has no records.
  BOOL IsEmpty();

  // The counted entries once there are any, else the base's count.
  LONG GetRecordCount() override;
  void MoveFirst() override;
  void MoveLast() override;
  void MovePrev() override;
  void MoveNext() override;
  void Delete() override;

  // The number of entries, valid once `counted` is set.
  int entryCount = 0;
  // 0 until CountEntries has run.
  int counted = 0;
  // The index of the current record (0: the first), kept only once counted.
  int position = 0;
};
