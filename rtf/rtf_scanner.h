// CRtfScanner: turns an RTF byte stream into tokens (CRtfToken), keeping a
// queue of three so that its user can look two tokens ahead.
//
// The caller opens the file, keeps it open while the scanner lives and
// positions it at the first byte to scan. Use: Start, then inspect
// GetToken(0) (and 1, 2 to look ahead) and ConsumeToken(0) until GetToken(0)
// has type 2; then Stop. The queue's three tokens are made once, by Start,
// and reused; the scanner owns them. One thread at a time.
//
// The scanner reads the file in blocks, ahead of the tokens it has made;
// Stop (or the destructor) moves the file back over the bytes read ahead, so
// that it then stands just after the last byte scanned.
//
// Results of type long are scanner codes: 0 success, 1 read error, 2 state
// machine fault, 3 and 4 out of memory (see GetErrorText). Codes 2 to 4 are
// shown to the user (HandleError) as they arise and also returned.
#pragma once

#include <cstddef>

#include "platform/export.h"
#include "platform/file.h"
#include "platform/string.h"
#include "platform/types.h"
#include "rtf/rtf_control_words.h"
#include "rtf/rtf_token.h"

class KELM_EXPORT CRtfScanner {
 public:
  // Reads nothing yet.
  explicit CRtfScanner(CFile& file);
  CRtfScanner(const CRtfScanner&) = delete;
  CRtfScanner& operator=(const CRtfScanner&) = delete;
  // Frees the queue if Stop was not called.
  virtual ~CRtfScanner();

  // Makes the queue and reads the first three tokens.
  long Start();
  // Frees the queue; GetToken must not be called afterwards.
  void Stop();

  // The token at queue place n (0 current, 1 and 2 ahead); n in 0..2.
  CRtfToken* GetToken(int n) { return m_ppTokenQueue[n]; }
  // Drops the token at place n and reads the next one into the queue's end.
  long ConsumeToken(int n);
  // When the current token is "{", consumes up to and including its "}".
  long ConsumeGroup();
  // Drops the tokens ahead of the current one and reads on from stream
  // offset dwOffset, for a user that has taken the bytes before it itself.
  // The current token stays, to be consumed as usual.
  long SkipTo(DWORD dwOffset);

  // The next token, as raw binary data (type 1) while a "\bin" lasts.
  long ReadToken(CRtfToken& token);
  // The next token by the state machine.
  long ReadTokenFromFile(CRtfToken& token);

  // Binary search of a table sorted by unsigned bytes: the index, or -1.
  int LookupToken(const char* szWord, const char* const* table, int nEntries) const;

  // Bytes consumed from the stream so far.
  long GetCharCount() const { return static_cast<long>(m_dwCharCount); }

  CString GetErrorText(long nCode) const;
  // Shows the code's text in a message box with an OK button.
  void HandleError(long nCode) const;

  // The token type of a control word or symbol of the table, or -1.
  static int GetTokenType(const char* szWord);

  // Every control word and symbol, sorted; entry i has token type i + 10.
  static constexpr int m_nTokenTblEntries = 733;
  static const char* const m_pTokenTbl[m_nTokenTblEntries];

 protected:
  long InitTokenQueue();
  void FreeTokenQueue();
  CRtfToken* InitToken();
  void FreeToken(CRtfToken* pToken);
  long ReadChar(CRtfToken& token);
  long PutBackChar(CRtfToken& token);
  long PatchHexChar(CRtfToken& token);
  long CopyIntoToken(CRtfToken& token, int n);
  long ProcessState(CRtfToken& token, int& bDone);
  void SetTokenType(CRtfToken& token);

  int m_nLastType;
  LONG m_lBinBytesLeft;
  DWORD m_dwCharCount;
  CFile* m_pFile;
  char m_chCurrent;
  int m_nState;
  CRtfToken** m_ppTokenQueue;
  int m_nMaxLookAhead;

 private:
  // ReadToken and ReadTokenFromFile, inlined into the scanner's own calls
  // even where the library is built position-independent (an exported
  // function could be replaced at load time, so the compiler will not inline
  // it), so that a common token costs one call, ConsumeToken's.
  [[gnu::always_inline]] inline long NextToken(CRtfToken& token);
  [[gnu::always_inline]] inline long ScanToken(CRtfToken& token);
  // The uncommon paths, kept out of line so that the common one stays lean.
  [[gnu::noinline]] long ReadBinary(CRtfToken& token);
  [[gnu::noinline]] long RunStateMachine(CRtfToken& token);
  void TakePlainRun(CRtfToken& token);
  // The whole token at once when it is a common one; false, with nothing
  // taken, when the state machine must make it.
  [[gnu::always_inline]] inline bool TakeWholeToken(CRtfToken& token);
  bool FillReadAhead();
  void GiveBackReadAhead();

  // One call into the file per block rather than per byte. The block starts
  // with the last bytes of the one before, so that bytes read just before a
  // refill can still be put back. After the bytes read stands a stop byte,
  // which ends every run the whole-token path scans, and slack, so that the
  // path may read and copy a little past the token in fixed-size pieces.
  static constexpr size_t put_back_room = 4;
  static constexpr size_t read_block = 4096;
  static constexpr size_t read_slack = 32;
  BYTE m_readAhead[put_back_room + read_block + read_slack];
  size_t m_readPos = 0;
  size_t m_readEnd = 0;
};
