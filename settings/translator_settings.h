// CTranslatorSettings: the translator's settings record, up to ten named
// 32-bit values, one optional extra named value, an 8-bit option and a
// final name. The host gives the fields their meaning and uses them
// directly; this class writes and reads the record as raw bytes on a COM
// stream (versioned) and in the archive format.
//
// Reading never goes past the ten slots and never allocates more than the
// bytes that actually arrive. A record that cannot be read whole (cut short,
// a count above ten, a failing stream) is refused and the object keeps the
// values it had: the stream form returns false, the archive form throws
// CArchiveException. Slots at and above nameCount, and the extra entry when
// extraPresent is 0, are not in the layout, so a read leaves them as they
// were.
#pragma once

#include "platform/archive.h"
#include "platform/export.h"
#include "platform/stream.h"
#include "platform/string.h"
#include "platform/types.h"

class KELM_EXPORT CTranslatorSettings {
 public:
  CTranslatorSettings() = default;
  CTranslatorSettings(const CTranslatorSettings&) = default;
  CTranslatorSettings& operator=(const CTranslatorSettings&) = default;
  virtual ~CTranslatorSettings() = default;

  // Writes the record when storing is non-zero, else reads it. From version
  // 77 on the count and the option are one byte each; before, four bytes
  // whose low byte is the field (writing always uses the current layout).
  // False when the stream fails or falls short, or when the record does not
  // fit the layout (nameCount above ten, 4 GiB or more in all); a record
  // refused before writing leaves the stream untouched.
  bool Serialize(IStream* stream, int version, int storing);
  // In the archive's direction; the integer is not used. Loading throws
  // CArchiveException(badIndex) for a count above ten, storing throws it
  // before writing anything when nameCount is above ten.
  void Serialize(CArchive& ar, int);

  BOOL extraPresent = FALSE;
  DWORD extraValue = 0;
  CString extraName;
  CString finalName;
  CString names[10];
  BYTE option = 0;
  DWORD values[10] = {};
  BYTE nameCount = 0;
};
