// What the RTF/CRE dictionary writer and the transcript writer have in
// common: the header, the outline groups, and translation text with the
// library's markers turned into control words. The writer borrows the open
// file for its lifetime.
#pragma once

#include "platform/export.h"
#include "platform/file.h"
#include "platform/time.h"
#include "platform/types.h"
#include "rtf/rtf_export.h"

#include <span>
#include <string>
#include <string_view>

class KELM_EXPORT CRtfCreWriter : public CRtfExport {
 protected:
  CRtfCreWriter(CFile& file, CTime created) : m_created(created) { m_pFile = &file; }

  // The revision group, \cxdict for a dictionary, the generator, the
  // creation time and a style sheet with a single Normal style.
  void WriteHeader(bool dictionary);
  // "{\*\cxs ...}" with the strokes of the packed keys, three bytes each, as
  // RTF/CRE files spell them: KAT, -T, TK-PB, KA*T, 1-9; strokes without keys
  // are left out. CSteno::SetRtf reads it back to the same keys.
  void WriteOutline(std::span<const BYTE> keys);
  // "{P}", tabs and line breaks become control words, and braces,
  // backslashes, control and 8-bit bytes are escaped. A '^', the translator's
  // hard space, is written as a blank when `caret_is_space`.
  void WriteText(std::string_view text, bool caret_is_space);

 private:
  // Writes what m_run holds followed by `stretch`, as one text.
  void WriteRun(std::string_view stretch);

  CTime m_created;
  std::string m_run;
};
