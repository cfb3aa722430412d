// Arbitrary bytes as an RTF file, for the scanner alone and for the parser
// with a client whose table has every kind of action. Beyond surviving them,
// the scanner must account for every byte exactly once and keep its tokens
// within their buffers, and neither may report a fault of its own: a message
// box here can only mean a state the machine should never reach.

#include <kelm/kelm.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void require(bool holds) {
  if (!holds) std::abort();
}

constexpr int end_of_input = 2;
constexpr unsigned token_capacity = 254;

int token_type(const char* word) {
  const int type = CRtfScanner::GetTokenType(word);
  require(type >= 0);
  return type;
}

void scan(std::vector<BYTE>& bytes) {
  CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
  CRtfScanner scanner(file);
  require(scanner.Start() == 0);
  DWORD offset = 0;
  for (;;) {
    CRtfToken* token = scanner.GetToken(0);
    require(token->GetLength() <= token_capacity);
    require(token->GetStreamOffset() >= offset);
    offset = token->GetStreamOffset();
    if (token->GetType() == end_of_input) break;
    token->GetCtrlWord();
    token->GetNumParm();
    require(scanner.ConsumeToken(0) == 0);
  }
  require(scanner.GetCharCount() == static_cast<long>(bytes.size()));
  scanner.Stop();
}

enum Action { action_char = 1, action_destination = 2, action_property = 3, action_special = 4 };

// Checks what the parser hands it. Optional destinations of words it does not
// list ("{\*\foo ...}") are what make the parser skip whole groups.
class CheckingClient : public CRtfParserClient {
 public:
  CheckingClient() {
    const struct {
      const char* word;
      LONG def;
      int action;
    } words[] = {
        {szRTFCW_cxs, 0, action_destination},
        {szRTFCW_cxp, 0, action_destination},
        {szRTFCW_fonttbl, 0, action_destination},
        {szRTFCW_pict, 0, action_destination},
        {szRTFCW_fs, 24, action_property},
        {szRTFCW_b, 1, action_property},
        {szRTFCW_cxkelmdictflags, 0, action_property},
        {szRTFCW_cxds, 0, action_special},
        {szRTFCW_cxfc, 0, action_special},
        {szRTFCW_par, 0, action_special},
        {szRTFCS_OPTDEST, 0, action_special},
        {szRTFCW_tab, 0, action_char},
        {szRTFCW_line, 0, action_char},
        {szRTFCS_NONBRKSPACE, 0, action_char},
    };
    for (const auto& w : words) m_table.push_back({token_type(w.word), w.def, w.action, 0});
    // Binary data after \bin, listed like any other type.
    m_table.push_back({1, 0, action_char, 0});
    std::sort(m_table.begin(), m_table.end(),
              [](const RTFTransTblEntry& a, const RTFTransTblEntry& b) {
                return a.nTokenType < b.nTokenType;
              });
    for (std::size_t i = 0; i < m_table.size(); ++i) m_table[i].nIndex = static_cast<int>(i);
  }

  long PostParserStart() override {
    require(!m_bStarted);
    m_bStarted = true;
    return 0;
  }
  long PostParserStop() override {
    require(m_bStarted && !m_bStopped);
    m_bStopped = true;
    return 0;
  }
  long OutputText(const char* szText, bool bFlag) override {
    require(szText != nullptr && bFlag);
    require(std::strlen(szText) <= token_capacity);
    return 0;
  }
  long OutputChar(int nIndex) override { return Expect(nIndex, action_char); }
  long ChangeDestination(int nIndex) override { return Expect(nIndex, action_destination); }
  long ApplySpecialControl(int nIndex) override { return Expect(nIndex, action_special); }
  long ApplyPropChange(int nIndex, long) override { return Expect(nIndex, action_property); }
  long EndDestination(int) override {
    std::abort();  // the parser never calls it
  }
  const RTFTransTblEntry* GetTransTbl() override { return m_table.data(); }
  int GetTransTblEntries() override { return static_cast<int>(m_table.size()); }

  bool Finished() const { return m_bStarted && m_bStopped; }

 private:
  long Expect(int nIndex, int action) {
    require(nIndex >= 0 && static_cast<std::size_t>(nIndex) < m_table.size());
    require(m_table[static_cast<std::size_t>(nIndex)].nAction == action);
    return 0;
  }

  std::vector<RTFTransTblEntry> m_table;
  bool m_bStarted = false;
  bool m_bStopped = false;
};

void parse(std::vector<BYTE>& bytes) {
  CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
  CheckingClient client;
  CRtfParser parser(file, &client);
  require(parser.Run(true) == 0);
  require(client.Finished());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KelmSetMessageBoxHandler([](LPCSTR, LPCSTR, UINT) -> int { std::abort(); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<BYTE> bytes(data, data + size);
  scan(bytes);
  parse(bytes);
  return 0;
}
