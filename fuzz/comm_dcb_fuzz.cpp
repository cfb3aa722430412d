// Arbitrary text as a serial settings string for BuildCommDCBA. Whatever the
// text, the call must stay within it, fail with ERROR_INVALID_PARAMETER or
// succeed, and a text it takes must give the same block when applied again
// and set the same fields whatever the block held before.

#include <kelm/kelm.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void require(bool holds) {
  if (!holds) std::abort();
}

DCB filled_with(BYTE fill) {
  DCB dcb;
  std::memset(&dcb, fill, sizeof dcb);
  dcb.DCBlength = sizeof dcb;
  return dcb;
}

// A field the text leaves out keeps either start; one it sets is the same
// from both.
template <class Field>
bool kept_or_set(Field from_zeros, Field from_ones, Field all_ones) {
  return (from_zeros == 0 && from_ones == all_ones) || from_zeros == from_ones;
}

bool same(const DCB& a, const DCB& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  DCB zeros = filled_with(0);
  DCB ones = filled_with(0xFF);
  SetLastError(0);
  const BOOL taken = BuildCommDCBA(text.c_str(), &zeros);
  if (!taken) {
    require(GetLastError() == ERROR_INVALID_PARAMETER);
    return 0;
  }
  require(BuildCommDCBA(text.c_str(), &ones));
  DCB again = zeros;
  require(BuildCommDCBA(text.c_str(), &again) && same(again, zeros));
  require(kept_or_set(zeros.BaudRate, ones.BaudRate, MAXDWORD));
  require(kept_or_set<BYTE>(zeros.ByteSize, ones.ByteSize, 0xFF));
  require(kept_or_set<BYTE>(zeros.Parity, ones.Parity, 0xFF));
  require(kept_or_set<BYTE>(zeros.StopBits, ones.StopBits, 0xFF));
  return 0;
}
