#include "tableview/entry_count_recordset.h"

CEntryCountRecordset::CEntryCountRecordset(CDaoDatabase* db) : CDaoRecordset(db) {}

void CEntryCountRecordset::CountEntries() {
  if (counted) return;
  entryCount = 0;
  if (IsEmpty()) {
    counted = 1;
    return;
  }
  MoveFirst();
  do {
    MoveNext();
    ++entryCount;
  } while (!IsEOF());
  counted = 1;
}

BOOL CEntryCountRecordset::IsEmpty() { return IsEOF() && IsBOF(); }

LONG CEntryCountRecordset::GetRecordCount() {
  if (counted && entryCount >= 1) return entryCount;
  return CDaoRecordset::GetRecordCount();
}

void CEntryCountRecordset::MoveFirst() {
  CDaoRecordset::MoveFirst();
  if (counted) position = 0;
}

void CEntryCountRecordset::MoveLast() {
  CDaoRecordset::MoveLast();
  if (counted) position = entryCount - 1;
}

void CEntryCountRecordset::MovePrev() {
  CDaoRecordset::MovePrev();
  if (counted && position != 0) --position;
}

void CEntryCountRecordset::MoveNext() {
  CDaoRecordset::MoveNext();
  if (counted && position + 1 < entryCount) ++position;
}

void CEntryCountRecordset::Delete() {
  CDaoRecordset::Delete();
  if (counted && entryCount != 0) --entryCount;
}
