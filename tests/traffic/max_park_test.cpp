// The limit of parked aircraft at the park airport, and live aircraft that stand long after
// the feed stopped reporting them.
#include "parking_fixture.h"
#include "traffic/parking/max_park.h"

namespace traffic_testing {
namespace {

class MaxParkTest : public ParkingTest {
protected:
  MaxParkTest() {
    StandList stands;
    for (std::int32_t k = 1; k <= 30; ++k) stands.push_back(gate("G" + std::to_string(k), 100.0 * k));
    setStands(std::move(stands));
    staticParking.wantedCount = 10;
    setNow({3, 20});
  }
  // Live aircraft parked on gates 1..n, the first one longest.
  void liveParked(std::uint32_t count) {
    for (std::uint32_t k = 0; k < count; ++k) addLiveParked(11'000'000 + k, static_cast<std::int32_t>(k + 1), 100 - k);
  }
  // Static aircraft on gates 21.., parked at the given half-hours.
  void statics(const std::vector<WeekTime>& parkedSince) {
    std::int32_t stand = 21;
    for (const auto& since : parkedSince) {
      const std::string n = std::to_string(stand);
      addStatic(stand++, "PH-" + n, "KLM", "B738", "KLM" + n, "", since);
    }
  }
  std::vector<std::uint32_t> liveRemoved() const {
    std::vector<std::uint32_t> hexids;
    for (const auto& ac : traffic.liveList)
      if (ac.aircraft.state == LiveState::RemovingFromSim) hexids.push_back(ac.aircraft.aircraftInfo.hexid);
    return hexids;
  }
};

TEST_F(MaxParkTest, LimitCountsLiveAndStaticAircraft) {
  const struct {
    std::uint32_t live;
    std::vector<WeekTime> statics;
    std::int32_t extra;
    bool initialLoadOnly;
    std::vector<std::uint32_t> liveGone;
    std::set<std::string> staticGone;
    const char* why;
  } cases[] = {
      {10, {}, 1, false, {11'000'000}, {}, "a spawn over the limit: the longest-parked live aircraft"},
      {10, {{3, 10}, {3, 12}, {3, 8}, {3, 15}}, 1, false, {11'000'000}, {"KLM23*"}, "and the earliest static"},
      {6, {{3, 10}, {3, 12}, {3, 8}, {3, 15}}, 0, false, {}, {}, "an arrival at the limit: nothing"},
      {6, {{3, 10}, {3, 12}, {3, 8}, {3, 15}}, 1, false, {}, {"KLM23*"}, "a spawn: the earliest static only"},
      {10, {{3, 10}}, 1, true, {}, {"KLM21*"}, "INITIAL_LOAD_ONLY keeps live aircraft, not statics"},
      // Sunday 23:30 stood longer than Monday 00:00, seen on Monday at 00:30.
      {10, {{1, 0}, {7, 47}}, 1, false, {11'000'000}, {"KLM22*"}, "ages over the end of the week"},
  };
  for (const auto& c : cases) {
    traffic.liveList.clear();
    traffic.staticList.clear();
    setNow(c.statics.size() == 2 ? WeekTime{1, 1} : WeekTime{3, 20});
    INITIAL_LOAD_ONLY.set(c.initialLoadOnly);
    liveParked(c.live);
    statics(c.statics);
    gf_checkMaxPark(c.extra);
    EXPECT_EQ(liveRemoved(), c.liveGone) << c.why;
    EXPECT_EQ(removingStaticCallsigns(), c.staticGone) << c.why;
  }
}

TEST_F(MaxParkTest, NoWantedNumberNoLimit) {
  staticParking.wantedCount = 0;
  liveParked(20);
  statics({{3, 10}});
  gf_checkMaxPark(1);
  EXPECT_TRUE(liveRemoved().empty());
  EXPECT_TRUE(removingStaticCallsigns().empty());
}

TEST_F(MaxParkTest, LiveParkedListTimesOutAircraftWithoutReports) {
  const struct {
    SizeCategory category;
    std::int64_t minutes;
    bool reportSeen;
    bool initialLoadOnly;
    bool stays;
  } cases[] = {
      {SizeCategory::Heavy, 170, false, false, true}, {SizeCategory::Heavy, 181, false, false, false},
      {SizeCategory::Large, 90, false, false, true},  {SizeCategory::Large, 95, false, false, false},
      {SizeCategory::Heavy, 5000, true, false, true}, {SizeCategory::Large, 500, false, true, true},
  };
  for (const auto& c : cases) {
    traffic.liveList.clear();
    INITIAL_LOAD_ONLY.set(c.initialLoadOnly);
    LiveAircraft& ac = addLiveParked(11'100'000, 4, c.minutes, c.category, "UAL9");
    ac.standReportSeen = c.reportSeen;
    lf_buildLiveParkedList();
    EXPECT_EQ(live(11'100'000)->aircraft.state == LiveState::Active, c.stays) << c.minutes << " minutes";
    ASSERT_EQ(parking.liveParkedList.size(), c.stays ? 1u : 0u);
    if (c.stays) {
      EXPECT_EQ(parking.liveParkedList[0].callsign, "UAL9");
      EXPECT_EQ(parking.liveParkedList[0].standNumber, 4);
      EXPECT_EQ(parking.liveParkedList[0].minutesParked, c.reportSeen ? 0 : c.minutes);
    }
  }
}

TEST_F(MaxParkTest, LongestParkedLiveAircraftGoFirst) {
  liveParked(5);
  const auto list = lf_listLiveParkedBySeconds();
  ASSERT_EQ(list.size(), 5u);
  EXPECT_EQ(list.front().hexid, 11'000'000u);
  EXPECT_EQ(list.front().seconds, 6000);
  lf_removeLongestParkedLive(2);
  EXPECT_EQ(liveRemoved(), (std::vector<std::uint32_t>{11'000'000, 11'000'001}));
  EXPECT_TRUE(log.contains("at G1 removed"));
}

} // namespace
} // namespace traffic_testing
