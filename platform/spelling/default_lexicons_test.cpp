#include "platform/spelling/default_lexicons.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/scoped_env.h"

namespace {

// A chosen folder wins over the environment, which wins over the installed
// or built one.
TEST(DefaultLexiconsTest, ChosenThenEnvironmentThenInstalledOrBuilt) {
  const ScopedEnv env("KELM_LEXICON_DIR", nullptr);
  const std::string fallback(KelmGetDefaultLexiconDir().View());
  EXPECT_TRUE(fallback.ends_with("/orvalis/lexicons") || fallback.ends_with("/lexicons"))
      << fallback;
  env.Set("");
  EXPECT_EQ(fallback, std::string(KelmGetDefaultLexiconDir().View())) << "an empty variable";
  env.Set("/from/environment");
  EXPECT_EQ("/from/environment", std::string(KelmGetDefaultLexiconDir().View()));
  KelmSetDefaultLexiconDir("/chosen");
  EXPECT_EQ("/chosen", std::string(KelmGetDefaultLexiconDir().View()));
  KelmSetDefaultLexiconDir("");
  EXPECT_EQ("/from/environment", std::string(KelmGetDefaultLexiconDir().View()));
}

}  // namespace
