#include "textrules/tran_flags.h"

namespace {

struct display_code {
  WORD mask;
  const char* code;
};

// Prefix shows before Suffix although Suffix has the higher bit: the order is
// the one reporters read in their dictionaries, not the bit order.
constexpr display_code display_codes[] = {
    {CTranFlags::Prefix, "P "},         {CTranFlags::Suffix, "S "},
    {CTranFlags::CapitalizeNext, "C "}, {CTranFlags::AttachLetters, "L "},
    {CTranFlags::AttachNumbers, "N "},  {CTranFlags::DoubleLast, "D "},
    {CTranFlags::OrEnding, "Or"},       {CTranFlags::ProperName, "Pr"},
};

}  // namespace

CString CTranFlags::GetStrDisplay() const {
  CString display;
  for (const display_code& d : display_codes)
    if (Get(d.mask)) display += d.code;
  return display;
}
