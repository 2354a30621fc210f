// Stand uses learned from live traffic: the options a sighting makes or extends, and the
// half-hours of a stay filled in at the departure.
#include "airports/park_airport.h"
#include "core/shell/main_window.h"
#include "traffic/parking/learned_options.h"
#include "traffic_fixture.h"

namespace traffic_testing {
namespace {

constexpr std::uint64_t bit(std::int32_t slot) { return std::uint64_t{1} << slot; }
constexpr std::uint64_t slots(std::int32_t from, std::int32_t to) {
  std::uint64_t mask = 0;
  for (std::int32_t s = from; s <= to; ++s) mask |= bit(s);
  return mask;
}

LiveAircraft visitor(std::string registration, std::string callsign = "DAL100",
                     SizeCategory category = SizeCategory::Large, bool cargo = false) {
  LiveAircraft ac;
  auto& info = ac.aircraft.aircraftInfo;
  info.airline = "DAL";
  info.type = category == SizeCategory::Heavy ? "B744" : "B738";
  info.registration = std::move(registration);
  info.callsign = std::move(callsign);
  info.category = category;
  info.cargo = cargo;
  info.hexid = 10'600'001;
  return ac;
}

class LearnedOptionsTest : public TrafficTest {
protected:
  LearnedOptionsTest() {
    standList.clear();
    standList.emplace_back("B3", std::vector<StandOptionData>{}, laxLat, laxLon, 0.0, 30, false, false, false);
    gf_numberAndLinkStands(standList);
    standUpdateCount = 0;
  }
  ~LearnedOptionsTest() override {
    standList.clear();
    standUpdateCount = 0;
  }
  std::vector<StandOptionData>& options() { return standList[0].options; }
};

TEST_F(LearnedOptionsTest, FirstSightingMakesAnOptionOfThatHalfHour) {
  const LiveAircraft ac = visitor("N500XY");
  EXPECT_TRUE(lt_addStandOption(1, ac, WeekTime{3, 20}, false));
  ASSERT_EQ(options().size(), 1u);
  const auto& o = options()[0];
  EXPECT_EQ(o.registration, "N500XY");
  EXPECT_EQ(o.airline, "DAL");
  EXPECT_EQ(o.type, "B738");
  EXPECT_EQ(o.callsign, "DAL100");
  EXPECT_EQ(o.day, 3);
  EXPECT_EQ(o.hours, bit(20));
  EXPECT_EQ(o.base, 0);
  EXPECT_TRUE(o.real);
  EXPECT_EQ(standList[0].realStays.at(ac.aircraft.aircraftInfo.hexid).lastMark, (WeekTime{3, 20}));
  EXPECT_EQ(standUpdateCount, 1);
  EXPECT_EQ(mainWindow.snapshot().learnedUpdatesShown, 1);

  // Seen again in the same half-hour: only the count changes; a later half-hour extends it.
  EXPECT_TRUE(lt_addStandOption(1, ac, WeekTime{3, 20}, false));
  EXPECT_EQ(options().size(), 1u);
  EXPECT_EQ(standUpdateCount, 2);
  EXPECT_TRUE(lt_addStandOption(1, ac, WeekTime{3, 22}, false));
  EXPECT_EQ(options()[0].hours, bit(20) | bit(22));
}

TEST_F(LearnedOptionsTest, WhatCannotBeLearned) {
  // No registration: the callsign is the key.
  EXPECT_TRUE(lt_addStandOption(1, visitor("", "DAL7_"), WeekTime{2, 4}, false));
  ASSERT_EQ(options().size(), 1u);
  EXPECT_EQ(options()[0].registration, "DAL7_");
  EXPECT_EQ(options()[0].callsign, "DAL7");

  EXPECT_FALSE(lt_addStandOption(1, visitor("", ""), WeekTime{2, 4}, false)) << "no key";
  EXPECT_FALSE(lt_addStandOption(2, visitor("N500XY"), WeekTime{2, 4}, false)) << "no such stand";
  EXPECT_FALSE(lt_addStandOption(1, visitor("N500XY"), WeekTime{}, false)) << "no week time yet";
  EXPECT_FALSE(lt_addStandOption(1, visitor("N500XY"), true, WeekTime{3, 48}, false));

  // The park file has this aircraft here today from 08:00 to 09:00; seen at 10:00 nothing
  // is learned against it.
  StandOptionData fileOption;
  fileOption.airline = "DAL";
  fileOption.type = "B738";
  fileOption.registration = "N600XY";
  fileOption.day = 2;
  fileOption.hours = slots(16, 17);
  fileOption.number = 2;
  fileOption.base = 1;
  options().push_back(fileOption);
  const std::int32_t before = standUpdateCount;
  EXPECT_FALSE(lt_addStandOption(1, visitor("N600XY"), WeekTime{2, 20}, false));
  EXPECT_EQ(options().size(), 2u);
  EXPECT_EQ(standUpdateCount, before);
  // Within the file's half-hours the sighting is learned as a use of its own.
  EXPECT_TRUE(lt_addStandOption(1, visitor("N600XY"), WeekTime{2, 17}, false));
  EXPECT_EQ(options().size(), 3u);
}

TEST_F(LearnedOptionsTest, DepartureFillsTheStayWithinTheLimit) {
  const struct {
    SizeCategory category;
    bool cargo;
    std::int32_t arrival;
    std::int32_t departure;
    std::vector<std::uint64_t> expected; // the half-hours of each option of the day
    const char* why;
  } cases[] = {
      {SizeCategory::Large, false, 20, 23, {slots(20, 23)}, "a short stay is filled"},
      {SizeCategory::Large, false, 20, 26, {bit(20), bit(26)}, "6 is not below 6"},
      {SizeCategory::Heavy, false, 20, 26, {slots(20, 26)}, "a Heavy may stay 7"},
      {SizeCategory::Heavy, false, 20, 28, {bit(20), bit(28)}, "but not 8"},
      {SizeCategory::Large, true, 10, 21, {slots(10, 21)}, "a freighter 11"},
  };
  for (const auto& c : cases) {
    options().clear();
    standList[0].realStays.clear();
    LiveAircraft ac = visitor("N500XY", "DAL100", c.category, c.cargo);
    ASSERT_TRUE(lt_addStandOption(1, ac, WeekTime{3, c.arrival}, false)) << c.why;
    ac.aircraft.aircraftInfo.callsign = "DAL101"; // leaves under its next flight number
    ASSERT_TRUE(lt_addStandOption(1, ac, WeekTime{3, c.departure}, true)) << c.why;
    ASSERT_EQ(options().size(), c.expected.size()) << c.why;
    for (std::size_t k = 0; k < c.expected.size(); ++k) EXPECT_EQ(options()[k].hours, c.expected[k]) << c.why;
    EXPECT_EQ(options()[0].coupledCallsign, c.expected.size() == 1 ? "DAL101" : "") << c.why;
    EXPECT_TRUE(standList[0].realStays.empty()) << c.why << ": the visit is over";
  }
}

// A stay over midnight, at a stand where the aircraft has a learned option of the later day
// already (from an earlier week): the earlier day's half-hours go to the option the visit
// began with, the later day's to a new option; the old option keeps its own stay.
TEST_F(LearnedOptionsTest, StayOverMidnightAndTheEndOfTheWeek) {
  const struct {
    WeekTime arrival;
    WeekTime departure;
    std::uint64_t earlierDay;
    std::uint64_t laterDay;
  } cases[] = {
      {{7, 47}, {1, 1}, bit(47), slots(0, 1)},       // Sunday to Monday
      {{3, 46}, {4, 2}, slots(46, 47), slots(0, 2)}, // Wednesday to Thursday
  };
  for (const auto& c : cases) {
    options().clear();
    standList[0].realStays.clear();
    LiveAircraft ac = visitor("N500XY", "DAL100");
    StandOptionData older;
    older.airline = "DAL";
    older.type = "B738";
    older.registration = "N500XY";
    older.callsign = "DAL5";
    older.day = c.departure.day;
    older.hours = bit(30);
    older.number = 1;
    options().push_back(older);
    ASSERT_TRUE(lt_addStandOption(1, ac, c.arrival, false));
    ac.aircraft.aircraftInfo.callsign = "DAL101";
    ASSERT_TRUE(lt_addStandOption(1, ac, c.departure, true));
    ASSERT_EQ(options().size(), 3u);
    EXPECT_EQ(options()[0].hours, bit(30)) << "the older stay is left alone";
    EXPECT_EQ(options()[0].coupledCallsign, "");
    EXPECT_EQ(options()[1].day, c.arrival.day);
    EXPECT_EQ(options()[1].hours, c.earlierDay);
    EXPECT_EQ(options()[1].coupledCallsign, "DAL101");
    EXPECT_EQ(options()[2].day, c.departure.day);
    EXPECT_EQ(options()[2].hours, c.laterDay);
    EXPECT_EQ(options()[2].callsign, "DAL101");
  }
  // Without an option of the later day the departure half-hour gets one of its own.
  options().clear();
  standList[0].realStays.clear();
  LiveAircraft ac = visitor("N500XY", "DAL100");
  ASSERT_TRUE(lt_addStandOption(1, ac, WeekTime{7, 47}, false));
  ASSERT_TRUE(lt_addStandOption(1, ac, WeekTime{1, 1}, true));
  ASSERT_EQ(options().size(), 2u);
  EXPECT_EQ(options()[1].day, 1);
  EXPECT_EQ(options()[1].hours, bit(1));
}

TEST_F(LearnedOptionsTest, SoftOptionsKeepTheirOwnVisitorsAndNeverTouchRealOnes) {
  const LiveAircraft ac = visitor("N500XY");
  ASSERT_TRUE(lt_addStandOption(1, ac, WeekTime{3, 10}, false)); // real
  // Tracking an aircraft that stands on: the soft option remembers the visit.
  ASSERT_TRUE(lt_addStandOption(1, ac, true, WeekTime{3, 20}, false));
  ASSERT_EQ(options().size(), 2u);
  EXPECT_FALSE(options()[1].real);
  EXPECT_TRUE(standList[0].softStays.contains(ac.aircraft.aircraftInfo.hexid));
  // Still tracked an hour later: the stay so far is filled, the visit goes on.
  ASSERT_TRUE(lt_addStandOption(1, ac, true, WeekTime{3, 22}, false));
  EXPECT_EQ(options()[1].hours, slots(20, 22));
  EXPECT_TRUE(standList[0].softStays.contains(ac.aircraft.aircraftInfo.hexid));
  // The departure ends it.
  ASSERT_TRUE(lt_addStandOption(1, ac, true, WeekTime{3, 23}, true));
  EXPECT_EQ(options()[1].hours, slots(20, 23));
  EXPECT_FALSE(standList[0].softStays.contains(ac.aircraft.aircraftInfo.hexid));
  EXPECT_EQ(options()[0].hours, bit(10)) << "the real option is not the soft one";

  // Too long a stay: the departing half-hour gets an option of its own.
  ASSERT_TRUE(lt_addStandOption(1, ac, true, WeekTime{4, 10}, false));
  ASSERT_TRUE(lt_addStandOption(1, ac, true, WeekTime{4, 30}, true));
  const auto soft =
      std::count_if(options().begin(), options().end(), [](const StandOptionData& o) { return !o.real && o.day == 4; });
  EXPECT_EQ(soft, 2);
}

} // namespace
} // namespace traffic_testing
