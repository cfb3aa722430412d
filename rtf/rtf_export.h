// CRtfExport: the base of the RTF writers. It writes control words, control
// words with parameters and text to m_pFile, keeps output lines near 80
// columns by breaking them only where RTF ignores a line break (before a
// control word, a space or a slash), and puts a space between a control word
// and text that follows it. A derived class sets m_pFile to a file it has
// opened, writes what stands inside the outer group in Header and Document,
// and closes the file afterwards; write failures surface as the file's
// exceptions. One writer writes one file, on one thread.
#pragma once

#include <string_view>

#include "platform/export.h"
#include "platform/file.h"
#include "platform/string.h"
#include "platform/time.h"
#include "platform/types.h"

class KELM_EXPORT CRtfExport {
 public:
  // Bits of nFlags: a "\*" prefix (optional destination), a "\v" prefix
  // (hidden text), both in that order.
  enum { flagOptDest = 1, flagHidden = 2 };

  CRtfExport() = default;
  CRtfExport(const CRtfExport&) = delete;
  CRtfExport& operator=(const CRtfExport&) = delete;
  virtual ~CRtfExport() = default;

  // What stands inside the outer group: the header first, then the document.
  virtual void Document() = 0;
  virtual void Header() = 0;

  // A control word with its backslash ("\par"), or a brace, unchanged.
  void OutputKeyword(const CString& strKeyword, int nFlags);
  // The keyword and lParam in decimal; "\cxa" with 0 is written bare.
  void OutputKeyParam(const CString& strKeyword, long lParam, int nFlags);
  // Text already in RTF form (escapes made by the caller), written verbatim.
  void OutputText(CString strText);

  // "{", Header(), Document(), "}".
  void File();
  // "{\*\cxrev100}".
  void Cxrev();
  // The local date as "\yr2001\mo3\da5".
  void Date(CTime time);
  // The creation-time group with two-digit fields, "{\creatim\yr01\mo03\da05}".
  void Creatim(CTime time);
  // The generator text.
  CString GetSystemString();

 protected:
  // OutputKeyword and OutputText for text that is not held in a CString, so
  // that a derived class writing many small pieces makes no copy of each.
  void EmitKeyword(std::string_view keyword, int nFlags);
  void EmitText(std::string_view text);

  // True when the last thing written was text or a group end, so that text
  // may follow directly; a writer that has written nothing needs no space.
  BOOL m_bDelimited = TRUE;
  int m_nColumn = 1;  // of the next character on the current line
  CFile* m_pFile = nullptr;
};
