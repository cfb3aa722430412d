#include "platform/time.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <optional>
#include <vector>

#include "testing/scoped_env.h"

namespace {

// Runs each test in a time zone of its choosing and puts the process's back.
class CTimeTest : public ::testing::Test {
 protected:
  void TearDown() override {
    m_tz.reset();
    tzset();
  }

  void UseTimeZone(const char* tz) {
    m_tz.emplace("TZ", tz);
    tzset();
  }

 private:
  std::optional<ScopedEnv> m_tz;
};

TEST_F(CTimeTest, PartsRoundTripInUtc) {
  UseTimeZone("UTC0");
  const CTime t(2024, 2, 29, 23, 59, 58);
  EXPECT_EQ(1709251198, t.GetTime());
  const std::vector<int> parts = {t.GetYear(),   t.GetMonth(),  t.GetDay(),      t.GetHour(),
                                  t.GetMinute(), t.GetSecond(), t.GetDayOfWeek()};
  EXPECT_EQ((std::vector<int>{2024, 2, 29, 23, 59, 58, 5}), parts);  // a Thursday
  EXPECT_EQ(CString("2024-02-29 23:59:58"), t.Format("%Y-%m-%d %H:%M:%S"));
  EXPECT_EQ(CString(), t.Format(""));
  struct tm local {};
  ASSERT_EQ(&local, t.GetLocalTm(&local));
  EXPECT_EQ(124, local.tm_year);
}

TEST_F(CTimeTest, SecondsOutsideThe32BitRangeAreClampedNotWrapped) {
  UseTimeZone("UTC0");
  const struct {
    const char* what;
    std::time_t given;
    DWORD want;
  } cases[] = {
      {"before 1970", -5, 0},
      {"last second", 0xFFFFFFFF, 0xFFFFFFFF},
      {"past 2106", std::time_t{1} << 33, 0xFFFFFFFF},
      {"after 2038", 2208988800, 2208988800u},
  };
  for (const auto& c : cases) EXPECT_EQ(c.want, CTime(c.given).GetTime32()) << c.what;
  EXPECT_EQ(2106, CTime(0xFFFFFFFF).GetYear());
  EXPECT_EQ(2040, CTime(2040, 1, 1, 0, 0, 0).GetYear());
  EXPECT_EQ(0u, CTime().GetTime32());
}

TEST_F(CTimeTest, DaylightSavingFollowsTheZoneOrTheCaller) {
  if (!std::filesystem::exists("/usr/share/zoneinfo/America/New_York"))
    GTEST_SKIP() << "no time zone data";
  UseTimeZone("America/New_York");
  const CTime summer(2023, 7, 1, 12, 0, 0);
  EXPECT_EQ(1688227200, summer.GetTime());  // 16:00 UTC
  EXPECT_EQ(12, summer.GetHour());
  EXPECT_EQ(CTime(2023, 1, 15, 12, 0, 0).GetTime(), 1673802000);  // 17:00 UTC
  // Forcing standard time in summer reads 12:00 as EST, an hour later.
  EXPECT_EQ(1688227200 + 3600, CTime(2023, 7, 1, 12, 0, 0, 0).GetTime());
}

}  // namespace
