#include "textrules/tran_flags.h"

#include <gtest/gtest.h>

namespace {

TEST(TranFlags, WordReadings) {
  const struct {
    WORD word;
    int empty, sign;
    const char* display;
  } cases[] = {{0x0000, 1, 0, ""},        {0x00FF, 0, 255, ""},
               {0x8000, 0, -32768, "S "}, {0x8200, 0, -32256, "S Or"},
               {0x0100, 0, 256, "Pr"},    {0x2001, 0, 8193, "C "},
               {0x1800, 0, 6144, "L N "}, {0xFFFF, 0, -1, "P S C L N D OrPr"}};
  for (const auto& c : cases) {
    const CTranFlags flags(c.word);
    EXPECT_EQ(c.empty, flags.IsEmpty()) << c.word;
    EXPECT_EQ(c.sign, flags.GetSigned()) << c.word;
    EXPECT_EQ(c.word, flags.GetUShort()) << c.word;
    EXPECT_STREQ(c.display, flags.GetStrDisplay()) << c.word;
  }
}

// Each setter owns its bit alone, whatever else is set; any nonzero sets.
TEST(TranFlags, NamedAccessorsOwnOneBitEach) {
  using F = CTranFlags;
  const struct {
    WORD mask;
    int (F::*get)() const;
    void (F::*set)(int);
  } flags[] = {{F::Suffix, &F::GetSuffix, &F::SetSuffix},
               {F::Prefix, &F::GetPrefix, &F::SetPrefix},
               {F::CapitalizeNext, &F::GetCapitalizeNext, &F::SetCapitalizeNext},
               {F::AttachLetters, &F::GetAttachLetters, &F::SetAttachLetters},
               {F::AttachNumbers, &F::GetAttachNumbers, &F::SetAttachNumbers},
               {F::DoubleLast, &F::GetDoubleLast, &F::SetDoubleLast},
               {F::OrEnding, &F::GetOrEnding, &F::SetOrEnding},
               {F::ProperName, &F::GetProperName, &F::SetProperName}};
  for (const auto& f : flags) {
    F word(0x00FF);
    (word.*f.set)(2);
    EXPECT_EQ(0x00FF | f.mask, word.GetUShort()) << f.mask;
    for (const auto& other : flags) EXPECT_EQ(other.mask == f.mask, (word.*other.get)()) << f.mask;
    word = 0xFFFF;
    (word.*f.set)(0);
    EXPECT_EQ(0xFFFF & ~f.mask, word.GetUShort()) << f.mask;
  }
}

class MaskedFlags : public CTranFlags {
 public:
  using CTranFlags::CTranFlags;
  using CTranFlags::Get;
  using CTranFlags::Set;
};

TEST(TranFlags, CombiningAndComparing) {
  const WORD both = CTranFlags::Prefix | CTranFlags::Suffix;
  MaskedFlags flags(CTranFlags::Suffix);
  EXPECT_EQ(0, flags.Get(both));
  flags.Add(CTranFlags(CTranFlags::Prefix));
  flags.Add(CTranFlags());
  EXPECT_EQ(1, flags.Get(both));
  EXPECT_EQ(both, flags.GetUShort());
  flags.Set(both | 0x0001, 0);
  EXPECT_EQ(1, flags.IsEmpty());
  EXPECT_EQ(0, CTranFlags(0x8001) == CTranFlags(0x8002));
  EXPECT_EQ(1, CTranFlags(0x8001) == CTranFlags(0x8001));
}

}  // namespace
