#include "core/settings/parameters.h"
#include "core/settings/settings_version.h"
#include "core/settings_fixture.h"
#include "core/shell/auto_range.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <optional>

namespace {

// A point the given distance north of KLAX.
GeoPosition lf_northOfKlax(double nm) { return {33.9425 + nm / 60.0, -118.4081}; }
constexpr GeoPosition klax{33.9425, -118.4081};

struct RangeCase {
  bool onGround;
  double altitudeFt;
  std::optional<double> parkAirportNm; // none: no park airport
  std::int32_t expected;
};

AutoRangeSituation testSituation;
AutoRangeSituation lf_testSituation() { return testSituation; }

} // namespace

TEST(AutoRange, ByTheUserAircraftsSituation) {
  // AR_ABOVE_HEIGHT 30000 ft, AIRP_HEIGHT 6000 ft.
  const RangeCase cases[] = {
      {true, 35000.0, 50.0, 10},         // on the ground, whatever else
      {false, 30001.0, 2.0, 100},        // above AR_ABOVE_HEIGHT
      {false, 30000.0, 2.0, 40},         // not above it, above AIRP_HEIGHT
      {false, 6001.0, 2.0, 40},          //
      {false, 6000.0, 2.0, 10},          // low and near the park airport
      {false, 3000.0, 7.0, 10},          // 7 nm: still near
      {false, 3000.0, 7.6, 12},          // round(7.6) + 3 = 11, on the list 12
      {false, 3000.0, 16.5, 20},         // round half away: 17 + 3 = 20
      {false, 3000.0, 36.9, 40},         // 37 + 3 = 40
      {false, 3000.0, 37.0, 40},         // far
      {false, 3000.0, std::nullopt, 40}, // no park airport: as far as can be
  };
  for (const auto& c : cases) {
    AutoRangeSituation s;
    s.onGround = c.onGround;
    s.altitudeFt = c.altitudeFt;
    s.user = c.parkAirportNm ? lf_northOfKlax(*c.parkAirportNm) : klax;
    if (c.parkAirportNm) s.firstParkAirport = klax;
    EXPECT_EQ(gf_autoRangeNm(s, 30000, 6000), c.expected)
        << c.onGround << " " << c.altitudeFt << " " << c.parkAirportNm.value_or(-1);
  }
}

TEST(AutoRange, AppliedRangeIsShownWhenItChanged) {
  settings_testing::SettingsFolder folder;
  gf_loadParameters();
  settings_testing::RecordingPort port;
  gf_setAutoRangeSource(nullptr);
  gf_setRange(40);
  gf_applyAutoRange(); // no situation known yet: nothing
  EXPECT_EQ(RANGE.get(), 40);

  testSituation = {};
  testSituation.onGround = true;
  gf_setAutoRangeSource(lf_testSituation);
  gf_applyAutoRange();
  EXPECT_EQ(RANGE.get(), 10);
  EXPECT_EQ(rangeNm.load(), 10.0);
  EXPECT_TRUE(port.saw("text 32818 10"));
  const auto texts = [&port] {
    const auto calls = port.calls();
    return std::count_if(calls.begin(), calls.end(),
                         [](const std::string& call) { return call.starts_with("text 32818"); });
  };
  const auto before = texts();
  gf_applyAutoRange(); // unchanged: the box's text is left alone
  EXPECT_EQ(texts(), before);
  gf_setAutoRangeSource(nullptr);
  gf_setRange(RANGE.defaultValue);
}
