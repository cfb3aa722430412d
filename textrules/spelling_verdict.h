// Whether the spelling checker knows a word, for the two suffix rules that ask
// it (doubling a final consonant; exchanging -able and -ible). A rule opens a
// session for one decision, asks about one or two words and closes it before
// it returns, as the rules construct and destroy a spelling checker per
// decision. Internal to textrules: not installed.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/string.h"

namespace spelling_verdict {

class session {
 public:
  session();
  session(const session&) = delete;
  session& operator=(const session&) = delete;
  ~session();

  // The checker's verdict on the word with ".", "?", "!", ",", ":" and ";"
  // removed: 0 when it is spelled correctly, the lowest bit set when it is
  // not (other bits carry the checker's further findings), -1 when no
  // checking session could be opened.
  int check(const CString& word);

 private:
  struct checker;
  std::unique_ptr<checker> m_checker;
};

// For tests only: while verdicts are installed, every session answers from
// them instead of the spelling checker, a listed word with its verdict and any
// other word with 1 (misspelled). Words compare exactly, after the punctuation
// above is removed.
void set_test_verdicts(std::map<std::string, int> verdicts);
void clear_test_verdicts();

}  // namespace spelling_verdict
