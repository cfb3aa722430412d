// CRtfParser: reads an RTF file through a CRtfScanner and turns its tokens
// into calls on a CRtfParserClient, as the client's translation table
// directs. Token types the table does not list are ignored, and an optional
// destination ("{\*" and a control word) that it does not list is skipped
// whole with its group, without any call on the client.
//
// A parser is constructed on an open file and a client, run once, and
// destroyed. The caller opens and closes the file; the client must outlive
// the parser and be able to give its table when the parser is constructed,
// keeping it unchanged while the parser lives.
// The parser owns its scanner until Run ends.
#pragma once

#include <array>

#include "platform/export.h"
#include "platform/file.h"
#include "platform/string.h"
#include "rtf/rtf_parser_client.h"
#include "rtf/rtf_scanner.h"
#include "rtf/rtf_token.h"

class KELM_EXPORT CRtfParser {
 public:
  CRtfParser(CFile& file, CRtfParserClient* pClient);
  CRtfParser(const CRtfParser&) = delete;
  CRtfParser& operator=(const CRtfParser&) = delete;
  virtual ~CRtfParser();

  // The whole parse: PostParserStart, the tokens, PostParserStop. bFlag is
  // passed with every text run. Returns 0, or the first nonzero code of the
  // parser, the scanner or the client, whichever failed.
  long Run(bool bFlag);
  // Codes 1 (no client), 2 (no scanner); any other is shown with its number.
  CString GetErrorText(int nCode);
  // Valid until Run returns.
  CRtfScanner* GetScannerPtr() { return m_pScanner; }

 protected:
  // Forwards defined here, so that the token loop inlines them even where
  // the library is built position-independent.
  CRtfToken* GetToken(int n) { return m_pScanner->GetToken(n); }
  long ConsumeToken(int n) { return m_pScanner->ConsumeToken(n); }
  long ConsumeGroup() { return m_pScanner->ConsumeGroup(); }
  long PushState() { return m_pClient->PushState(); }
  long PopState() { return m_pClient->PopState(); }
  long ApplyPropChange(int nIndex, long lValue) {
    return m_pClient->ApplyPropChange(nIndex, lValue);
  }
  long ApplySpecialControl(int nIndex) { return m_pClient->ApplySpecialControl(nIndex); }
  // 0 at once for a null text.
  long OutputText(const char* szText) {
    return szText == nullptr ? 0 : m_pClient->OutputText(szText, m_bOutputFlag);
  }

  // Copies the entry for nTokenType, or sets entry.nTokenType to 0.
  void GetTransTblEntry(int nTokenType, RTFTransTblEntry& entry) const;
  // Binary search; the index, or -1 (also for a null or empty table).
  int LookupToken(int nTokenType, const RTFTransTblEntry* table, int nEntries) const;
  long Parse();
  void HandleError(int nCode);
  // A new scanner on the file, or null.
  CRtfScanner* InitScanner();

  CFile* m_pFile;
  CRtfParserClient* m_pClient;
  CRtfScanner* m_pScanner;
  int m_nTransTblEntries = 0;
  const RTFTransTblEntry* m_pTransTbl = nullptr;
  bool m_bOutputFlag = false;

 private:
  // The entry for a token type, or null.
  const RTFTransTblEntry* EntryOf(int nTokenType) const {
    const int index = nTokenType >= 0 && nTokenType < indexed_types
                          ? m_entryOfType[nTokenType]
                          : LookupToken(nTokenType, m_pTransTbl, m_nTransTblEntries);
    return index < 0 ? nullptr : m_pTransTbl + index;
  }

  // Every token type's place in the client's table (-1 for none), found
  // once, so that a token costs an array read rather than a search.
  static constexpr int indexed_types = 745;
  std::array<int, indexed_types> m_entryOfType{};
};
