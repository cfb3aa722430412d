// CRtfParserClient: the receiving end of CRtfParser. A host derives its RTF
// readers from it: it supplies a translation table that says what each token
// type it cares about means, and it receives text runs, group begins and
// ends, and the actions its table names. Group nesting, destinations and
// properties are the client's own business.
//
// The parser fetches the table when it is constructed and reads it while it
// runs; the client owns the table and keeps it alive and unchanged until the
// parser is gone. Every operation is called on the caller's thread, in token
// order; a nonzero result stops the parse and becomes the result of Run.
#pragma once

#include "platform/export.h"
#include "platform/string.h"
#include "platform/time.h"
#include "platform/types.h"

// One entry of a client's translation table. A table is sorted ascending by
// nTokenType, each type at most once. An entry copied out with nTokenType 0
// means that the table has no entry for the type asked about, so type 0
// (unrecognised controls) can never have an entry.
struct KELM_EXPORT RTFTransTblEntry {
  int nTokenType;  // the scanner's token type
  LONG lDefault;   // property value for a control word without a parameter
  int nAction;     // 1 character, 2 destination, 3 property, 4 special control
  int nIndex;      // the client's own number, passed through by the parser
};

class KELM_EXPORT CRtfParserClient {
 public:
  CRtfParserClient() = default;
  CRtfParserClient(const CRtfParserClient&) = delete;
  CRtfParserClient& operator=(const CRtfParserClient&) = delete;
  virtual ~CRtfParserClient() = default;

  // Called before scanning begins; nonzero cancels the parse and is the
  // result of Run.
  virtual long PostParserStart() { return 0; }
  // Called after every parse, cancelled and failed ones included; the result
  // is not used.
  virtual long PostParserStop() { return 0; }
  // A group end; a group begin that is not skipped.
  virtual long PopState() { return 0; }
  virtual long PushState() { return 0; }
  // The text of one of this client's codes; derived clients add their own.
  virtual CString GetErrorText(long nCode);

  // The table's actions, with the entry's nIndex.
  virtual long OutputChar(int nIndex) = 0;           // action 1
  virtual long ApplySpecialControl(int nIndex) = 0;  // action 4
  // A run of text, valid only during the call; bFlag is the argument of Run.
  virtual long OutputText(const char* szText, bool bFlag) = 0;
  virtual long ApplyPropChange(int nIndex, long lValue) = 0;  // action 3
  // Action 2; the parser does not use the result.
  virtual long ChangeDestination(int nIndex) = 0;
  // Never called by the parser: the client's own hook for leaving the
  // destination nIndex, for its PopState to call when a group that changed
  // destination closes.
  virtual long EndDestination(int nIndex) = 0;

  // The table, and its number of entries. A null table, or a count of 0 or
  // less, is taken as an empty table.
  virtual const RTFTransTblEntry* GetTransTbl() = 0;
  virtual int GetTransTblEntries() = 0;

  // Sets one part of the local date in time, the time of day becoming
  // 00:00:00: nWhich 5 or 8 the day of the month, 36 the month (1-12), 65 the
  // four-digit year. Any other nWhich leaves time unchanged.
  void SetTime(CTime& time, int nWhich, int nValue);

 protected:
  // Shows GetErrorText(nCode) in a message box with an OK button.
  void HandleError(int nCode);
};
