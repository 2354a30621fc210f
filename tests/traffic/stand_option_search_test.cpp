// The searches over the learned stand options: coupled callsigns, look-back, the stand
// search of the plan and the count of static aircraft.
#include "airports/park_airport.h"
#include "core/shell/main_window.h"
#include "traffic/parking/parking_state.h"
#include "traffic/parking/stand_option_search.h"
#include "traffic/parking/stand_queries.h"
#include "traffic_fixture.h"

namespace traffic_testing {
namespace {

constexpr std::uint64_t bit(std::int32_t slot) { return std::uint64_t{1} << slot; }

StandData standAt(std::string name, double northMetres, double radiusMetres = 25) {
  return StandData(std::move(name), {}, latNorth(northMetres / 1852.0), laxLon, 0.0, radiusMetres, false, false, false);
}

StandOptionData opt(std::string registration, std::string callsign, std::int32_t day, std::uint64_t hours,
                    std::int32_t number, std::string coupled = "", bool real = true) {
  StandOptionData o;
  o.airline = "AAL";
  o.type = "B738";
  o.registration = std::move(registration);
  o.callsign = std::move(callsign);
  o.coupledCallsign = std::move(coupled);
  o.day = day;
  o.hours = hours;
  o.number = number;
  o.real = real;
  return o;
}

class StandOptionSearchTest : public TrafficTest {
protected:
  StandOptionSearchTest() { lf_reset(); }
  ~StandOptionSearchTest() override {
    lf_reset();
    WEEK.set(false);
  }
  void setStands(StandList stands) {
    standList = std::move(stands);
    gf_numberAndLinkStands(standList);
    gf_standListReplaced();
  }
  std::vector<std::string> search(WeekTime now, std::int32_t kind, std::int32_t fit) {
    WantedList batch;
    lf_searchStands(now, kind, fit, batch);
    std::vector<std::string> found;
    for (const auto& w : batch) found.push_back(std::to_string(w.standNumber) + ":" + w.registration);
    return found;
  }

private:
  static void lf_reset() {
    standList.clear();
    gf_standListReplaced();
    gf_clearOptionSkips();
    parking = {};
    wantedList.clear();
  }
};

TEST_F(StandOptionSearchTest, CoupledCallsignsComeFromTheSameDayAroundNow) {
  StandData s = standAt("A1", 0);
  s.options = {opt("N1", "AAL10", 3, bit(15), 1, "AAL11"), opt("N2", "AAL20", 2, bit(3), 2, "AAL21"),
               opt("N3", "AAL30", 3, bit(13), 3, "AAL31")};
  setStands({s});
  const struct {
    std::string callsign;
    SizeCategory category;
    std::string coupled1;
  } cases[] = {
      {"AAL11", SizeCategory::Large, ""},       // slot 15 is outside 0..13
      {"AAL11", SizeCategory::Heavy, "AAL10"},  // and inside 0..17
      {"AAL31_", SizeCategory::Large, "AAL30"}, // the trailing '_' is not compared
      {"AAL21", SizeCategory::Heavy, ""},       // the previous day does not count
  };
  for (const auto& c : cases) {
    LiveAircraft ac;
    ac.aircraft.aircraftInfo.airline = "AAL";
    ac.aircraft.aircraftInfo.callsign = c.callsign;
    ac.aircraft.aircraftInfo.category = c.category;
    lf_searchForCoupledCsAroundThisTime({3, 3}, ac);
    EXPECT_EQ(ac.aircraft.aircraftInfo.coupledCallsign1, c.coupled1) << c.callsign;
  }
}

TEST_F(StandOptionSearchTest, LookBackWithinTheDayAndWhatRemainsForTheDayBefore) {
  AircraftData ac;
  ac.aircraftInfo.airline = "AAL";
  ac.aircraftInfo.type = "B738";
  ac.aircraftInfo.registration = "N1";
  const struct {
    std::int32_t slot;
    std::int32_t lookBack;
    std::uint64_t hours;
    bool covers;
    std::int32_t remaining;
  } cases[] = {{2, 5, bit(0), true, 3},    {2, 5, bit(3), false, 3},  {10, 5, bit(5), true, -1},
               {10, 5, bit(4), false, -1}, {0, 60, bit(0), true, 46}, {10, 5, bit(11), false, -1}};
  for (const auto& c : cases) {
    std::int32_t remaining = 0;
    EXPECT_EQ(gf_optionCoversLookBack(opt("N1", "AAL1", 4, c.hours, 1), ac, {4, c.slot}, c.lookBack, remaining),
              c.covers)
        << c.slot << "/" << c.lookBack;
    EXPECT_EQ(remaining, c.remaining);
  }
  std::int32_t remaining = 0;
  EXPECT_FALSE(gf_optionCoversLookBack(opt("N2", "AAL1", 4, bit(10), 1), ac, {4, 10}, 5, remaining));
  EXPECT_TRUE(gf_optionCoversDayEnd(opt("N1", "AAL1", 3, bit(45), 1), ac, 3, 3));
  EXPECT_FALSE(gf_optionCoversDayEnd(opt("N1", "AAL1", 3, bit(43), 1), ac, 3, 3));
  EXPECT_FALSE(gf_optionCoversDayEnd(opt("N1", "AAL1", 2, bit(47), 1), ac, 3, 3));
}

TEST_F(StandOptionSearchTest, TheSearchTakesUsableOptionsOfTheKindAndMarksTheStands) {
  StandData a = standAt("A", 0);
  a.options = {opt("N0", "AAL0", 3, bit(20), 0), opt("N1", "AAL1", 3, bit(19), 1, "AAL2")};
  StandData b = standAt("B", 20); // overlaps A
  b.options = {opt("N3", "AAL3", 3, bit(20), 1)};
  StandData c = standAt("C", 500);
  c.options = {opt("N4", "AAL4", 3, bit(20), 1, "", false), opt("N5", "AAL5", 2, bit(20), 2)};
  setStands({a, b, c});
  ASSERT_EQ(standList[0].adjacent, std::vector<std::int32_t>{2});

  EXPECT_EQ(search({3, 20}, realOptions, 0), (std::vector<std::string>{"2:N3"})) << "number 0 never takes part";
  EXPECT_TRUE(standList[1].takenByStatic);
  EXPECT_TRUE(standList[0].nextToTaken);
  EXPECT_EQ(search({3, 20}, realOptions, 1), std::vector<std::string>{}) << "A is next to a taken stand";
  EXPECT_EQ(search({3, 20}, softOptions, 0), (std::vector<std::string>{"3:N4"}));

  for (auto& s : standList) s.takenByStatic = s.nextToTaken = false;
  WantedList batch;
  lf_searchStands({3, 20}, realOptions, 1, batch);
  ASSERT_EQ(batch.size(), 1u);
  EXPECT_EQ(batch[0].registration, "N1");
  EXPECT_EQ(batch[0].fitHalfHours, 1);
  EXPECT_FALSE(batch[0].staysOn) << "coupled, and slot 21 is not held";

  for (auto& s : standList) s.takenByStatic = s.nextToTaken = false;
  WEEK.set(true);
  EXPECT_EQ(search({3, 20}, realOptions, 0), (std::vector<std::string>{"2:N3", "3:N5"})) << "every day counts";
}

TEST_F(StandOptionSearchTest, AnOptionWhoseAircraftIsPresentIsPassedOverButKept) {
  StandData a = standAt("A", 0);
  a.options = {opt("N1", "AAL1", 3, bit(20), 1)};
  StandData b = standAt("B", 300);
  b.options = {opt("N1", "AAL7", 3, bit(20), 1)}; // the same registration on another stand
  StandData c = standAt("C", 600);
  c.options = {opt("N9", "AAL9", 3, bit(20), 1)};
  setStands({a, b, c});
  parking.seenCallsigns = {"AAL9_"};

  EXPECT_EQ(search({3, 20}, realOptions, 0), (std::vector<std::string>{"1:N1"}))
      << "one registration is planned once; a flying callsign not at all";
  EXPECT_EQ(standList[2].options[0].number, 1) << "the number stays, so the learned file keeps the option";
  EXPECT_FALSE(gf_optionUsable(standList[2], standList[2].options[0]));
  EXPECT_EQ(search({3, 20}, realOptions, 0), std::vector<std::string>{}) << "passed over for the rest of the round";
  gf_clearOptionSkips();
  parking.seenCallsigns.clear();
  for (auto& s : standList) s.takenByStatic = false;
  EXPECT_EQ(search({3, 20}, realOptions, 0), (std::vector<std::string>{"1:N1", "3:N9"}));
}

TEST_F(StandOptionSearchTest, StaticsAreCountedAndTheirStayCrossesTheEndOfTheWeek) {
  AircraftData ac;
  ac.state = LiveState::Active;
  ac.parkedSince = {7, 46};
  traffic.staticList.push_back(ac);
  ac.state = LiveState::Adding2Sim;
  traffic.staticList.push_back(ac);
  currentWeekTime.store({1, 2});
  EXPECT_EQ(gf_countStatics(true), 1);
  EXPECT_FLOAT_EQ(mainWindow.snapshot().staticParkedHours, 2.5f);
  WEEK.set(true);
  currentWeekTime.store({1, 10});
  EXPECT_EQ(gf_countStatics(true), 1);
  EXPECT_FLOAT_EQ(mainWindow.snapshot().staticParkedHours, 2.5f) << "WEEK on: the average is not recomputed";
}

} // namespace
} // namespace traffic_testing
