#include "core/time.h"

#include <gtest/gtest.h>

TEST(Time, UtcTimeText) {
  EXPECT_EQ(gf_utcTimeText(0), "Thu Jan 01 00:00:00 1970");
  EXPECT_EQ(gf_utcTimeText(1796768159), "Tue Dec 08 22:15:59 2026");
  EXPECT_EQ(gf_utcTimeText(1791158400), "Mon Okt 05 00:00:00 2026");
  EXPECT_EQ(gf_utcTimeText(-1), "Invalid time");
  EXPECT_EQ(gf_utcTimeText(INT64_MAX), "Invalid time");
}

TEST(Time, TimeOfDayAndDateAreCutFromTheTimeText) {
  const auto time = gf_utcTimeOfDay();
  ASSERT_EQ(time.size(), 8u);
  EXPECT_EQ(time[2], ':');
  EXPECT_EQ(time[5], ':');
  const auto date = gf_utcDateText(); // "Dec 08, 2026"
  ASSERT_EQ(date.size(), 12u);
  EXPECT_EQ(date.substr(6, 2), ", ");
}

TEST(Time, WeekTimeSlotsAndDays) {
  // 2026-12-07 is a Monday.
  constexpr std::int64_t monday = 1796601600;
  struct Case {
    std::int64_t seconds;
    WeekTime week;
  };
  const Case cases[] = {
      {monday, {1, 0}},
      {monday + 10 * 3600 + 29 * 60 + 29, {1, 20}},
      {monday + 10 * 3600 + 29 * 60 + 30, {1, 21}},
      {monday + 10 * 3600 + 59 * 60 + 59, {1, 21}},
      {monday + 11 * 3600, {1, 22}},
      {monday + 23 * 3600 + 45 * 60, {1, 47}},
      {monday - 1, {7, 47}}, // Sunday 23:59:59
      {monday + 2 * 86400 + 3600, {3, 2}},
      {-5, {-1, -1}},
  };
  for (const auto& c : cases) EXPECT_EQ(gf_weekTimeAt(c.seconds), c.week) << c.seconds;
}

TEST(Time, TrafficClockCutsTheFractionAndIgnoresTinyOrBadTimestamps) {
  EXPECT_EQ(gf_trafficClockFrom(1592423568.9, 42), 1592423568);
  EXPECT_EQ(gf_trafficClockFrom(0.9, 42), 42);
  EXPECT_EQ(gf_trafficClockFrom(0.0, 42), 42);
  EXPECT_EQ(gf_trafficClockFrom(std::numeric_limits<double>::quiet_NaN(), 42), 42);
  EXPECT_EQ(gf_trafficClockFrom(std::numeric_limits<double>::infinity(), 42), 42);
}

TEST(Time, TrafficClockFollowsTheInstalledSource) {
  gf_setTrafficTimestampSource([] { return 1592423568.5; });
  EXPECT_EQ(gf_trafficClock(), 1592423568);
  EXPECT_EQ(gf_weekTime(), gf_weekTimeAt(1592423568));
  gf_setTrafficTimestampSource([] { return 0.0; });
  EXPECT_NEAR(static_cast<double>(gf_trafficClock()), static_cast<double>(gf_nowSeconds()), 2.0);
  gf_setTrafficTimestampSource(nullptr);
}
