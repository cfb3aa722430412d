#include "rtf/rtf_parser.h"

#include <new>

#include "platform/message.h"
#include "rtf/rtf_scanner.h"
#include "rtf/rtf_token.h"

namespace {

// Token types the parser treats itself.
constexpr int type_end_of_input = CRtfToken::typeEndOfInput;
constexpr int type_text = CRtfToken::typeText;
constexpr int type_opt_dest = 11;  // "\*"
constexpr int type_group_begin = CRtfToken::typeGroupBegin;
constexpr int type_group_end = CRtfToken::typeGroupEnd;

// Actions of a table entry.
constexpr int action_char = 1;
constexpr int action_destination = 2;
constexpr int action_property = 3;
constexpr int action_special = 4;

// An entry of type 0 reads as none, as it does copied out of the table.
bool listed(const RTFTransTblEntry* entry) { return entry != nullptr && entry->nTokenType != 0; }

// Parser codes.
constexpr int error_no_client = 1;
constexpr int error_no_scanner = 2;
constexpr int error_bad_action = 5100;

}  // namespace

CRtfParser::CRtfParser(CFile& file, CRtfParserClient* pClient)
    : m_pFile(&file), m_pClient(pClient), m_pScanner(InitScanner()) {
  if (m_pClient != nullptr) {
    const RTFTransTblEntry* table = m_pClient->GetTransTbl();
    const int entries = m_pClient->GetTransTblEntries();
    // A table that is missing or claims no entries is empty: never read through.
    if (table != nullptr && entries > 0) {
      m_pTransTbl = table;
      m_nTransTblEntries = entries;
    }
  }
  for (int type = 0; type < indexed_types; ++type)
    m_entryOfType[type] = LookupToken(type, m_pTransTbl, m_nTransTblEntries);
}

// Run normally destroys the scanner; this covers a parser that never ran.
CRtfParser::~CRtfParser() { delete m_pScanner; }

long CRtfParser::Run(bool bFlag) {
  m_bOutputFlag = bFlag;
  if (m_pScanner == nullptr) {
    HandleError(error_no_scanner);
    return error_no_scanner;
  }
  long result = error_no_client;
  if (m_pClient == nullptr) {
    HandleError(error_no_client);
  } else {
    result = m_pClient->PostParserStart();
    if (result == 0) {
      result = m_pScanner->Start();
      if (result == 0) result = Parse();
      m_pScanner->Stop();
    }
    m_pClient->PostParserStop();
  }
  delete m_pScanner;
  m_pScanner = nullptr;
  return result;
}

CString CRtfParser::GetErrorText(int nCode) {
  switch (nCode) {
    case error_no_client:
      return "Not enough memory to allocate the parser's client.";
    case error_no_scanner:
      return "Not enough memory to allocate the parser's scanner.";
    default: {
      CString text;
      text.Format("Undefined Scanner Error (%d)", nCode);
      return text;
    }
  }
}

void CRtfParser::GetTransTblEntry(int nTokenType, RTFTransTblEntry& entry) const {
  const RTFTransTblEntry* found = EntryOf(nTokenType);
  if (found == nullptr)
    entry.nTokenType = 0;
  else
    entry = *found;
}

int CRtfParser::LookupToken(int nTokenType, const RTFTransTblEntry* table, int nEntries) const {
  if (table == nullptr) return -1;
  int low = 0;
  int high = nEntries - 1;
  while (low <= high) {
    const int middle = low + (high - low) / 2;
    if (nTokenType < table[middle].nTokenType)
      high = middle - 1;
    else if (nTokenType > table[middle].nTokenType)
      low = middle + 1;
    else
      return middle;
  }
  return -1;
}

long CRtfParser::Parse() {
  long result = 0;
  while (result == 0) {
    CRtfToken* token = GetToken(0);
    const int type = token->GetType();
    if (type == type_end_of_input) break;
    switch (type) {
      case type_text:
        result = OutputText(token->GetText());
        break;
      case type_group_begin:
        // An optional destination the client does not know is skipped
        // whole; the scanner has then already moved past it.
        if (GetToken(1)->GetType() == type_opt_dest && !listed(EntryOf(GetToken(2)->GetType()))) {
          result = ConsumeGroup();
          continue;
        }
        result = PushState();
        break;
      case type_group_end:
        result = PopState();
        break;
      default: {
        const RTFTransTblEntry* entry = EntryOf(type);
        if (!listed(entry)) break;
        switch (entry->nAction) {
          case action_char:
            result = m_pClient->OutputChar(entry->nIndex);
            break;
          case action_destination:
            m_pClient->ChangeDestination(entry->nIndex);
            break;
          case action_property: {
            const long value = token->GetNumParm();
            result = ApplyPropChange(entry->nIndex,
                                     value == CRtfToken::no_parameter ? entry->lDefault : value);
            break;
          }
          case action_special:
            result = ApplySpecialControl(entry->nIndex);
            break;
          default:
            result = error_bad_action;
            HandleError(error_bad_action);
            break;
        }
        break;
      }
    }
    if (result == 0) result = ConsumeToken(0);
  }
  return result;
}

void CRtfParser::HandleError(int nCode) { AfxMessageBox(GetErrorText(nCode), MB_OK); }

CRtfScanner* CRtfParser::InitScanner() { return new (std::nothrow) CRtfScanner(*m_pFile); }
