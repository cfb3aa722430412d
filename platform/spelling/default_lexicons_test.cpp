#include "platform/spelling/default_lexicons.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

namespace {

// A chosen folder wins over the environment, which wins over the installed
// or built one.
TEST(DefaultLexiconsTest, ChosenThenEnvironmentThenInstalledOrBuilt) {
  const char* was = getenv("KELM_LEXICON_DIR");
  const std::optional<std::string> saved = was ? std::optional<std::string>(was) : std::nullopt;

  unsetenv("KELM_LEXICON_DIR");
  const std::string fallback(KelmGetDefaultLexiconDir().View());
  EXPECT_TRUE(fallback.ends_with("/orvalis/lexicons") || fallback.ends_with("/lexicons"))
      << fallback;
  setenv("KELM_LEXICON_DIR", "", 1);
  EXPECT_EQ(fallback, std::string(KelmGetDefaultLexiconDir().View())) << "an empty variable";
  setenv("KELM_LEXICON_DIR", "/from/environment", 1);
  EXPECT_EQ("/from/environment", std::string(KelmGetDefaultLexiconDir().View()));
  KelmSetDefaultLexiconDir("/chosen");
  EXPECT_EQ("/chosen", std::string(KelmGetDefaultLexiconDir().View()));
  KelmSetDefaultLexiconDir("");
  EXPECT_EQ("/from/environment", std::string(KelmGetDefaultLexiconDir().View()));

  if (saved)
    setenv("KELM_LEXICON_DIR", saved->c_str(), 1);
  else
    unsetenv("KELM_LEXICON_DIR");
}

}  // namespace
