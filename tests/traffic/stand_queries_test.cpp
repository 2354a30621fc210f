// The questions live traffic asks of the park airport's stands, on stands laid out at metre
// offsets around one point.
#include "airports/park_airport.h"
#include "core/shell/main_window.h"
#include "traffic/parking/parking_state.h"
#include "traffic/parking/stand_queries.h"
#include "traffic_fixture.h"

#include <cmath>

namespace traffic_testing {
namespace {

constexpr double nm(double metres) { return metres / 1852.0; }

GeoPosition at(double northMetres, double eastMetres = 0.0) {
  return {latNorth(nm(northMetres)), lonEast(nm(eastMetres))};
}

StandData stand(std::string name, double northMetres, double radiusMetres, bool ramp = false, bool heli = false,
                bool cargo = false) {
  const GeoPosition p = at(northMetres);
  return StandData(std::move(name), {}, p.latitude, p.longitude, 0.0, radiusMetres, cargo, ramp, heli);
}

StandOptionData option(std::string airline, std::string type, std::string callsign, std::int32_t day,
                       std::uint64_t hours, std::int32_t number = 1) {
  StandOptionData o;
  o.airline = std::move(airline);
  o.type = std::move(type);
  o.callsign = std::move(callsign);
  o.registration = "N" + std::to_string(number) + o.callsign;
  o.day = day;
  o.hours = hours;
  o.number = number;
  return o;
}

AircraftData aircraft(std::string airline, std::string type, double halfSpanMetres,
                      SizeCategory category = SizeCategory::Large, std::string callsign = "AAL1") {
  AircraftData ac;
  ac.aircraftInfo.airline = std::move(airline);
  ac.aircraftInfo.type = std::move(type);
  ac.aircraftInfo.callsign = std::move(callsign);
  ac.aircraftInfo.halfSpanNm = nm(halfSpanMetres);
  ac.aircraftInfo.category = category;
  return ac;
}

class StandQueriesTest : public TrafficTest {
protected:
  StandQueriesTest() { lf_reset(); }
  ~StandQueriesTest() override { lf_reset(); }

  void setStands(StandList stands) {
    standList = std::move(stands);
    gf_numberAndLinkStands(standList);
    gf_standListReplaced();
  }
  std::string chosen(WeekTime when, const AircraftData& ac, bool retry = true) {
    const auto it = gf_chooseStandByFit(when, ac, retry);
    return it == standList.end() ? std::string("none") : it->name;
  }
  std::string reached(GeoPosition p, const AircraftData& ac, double reachMetres, bool fallback = false) {
    const auto it = gf_standAtPosition(p, ac, nm(reachMetres), fallback);
    return it == standList.end() ? std::string("none") : it->name;
  }

private:
  static void lf_reset() {
    standList.clear();
    gf_standListReplaced();
    gf_clearOptionSkips();
    currentParkAirport = {};
    standUpdateCount = 0;
    userOnGround.store(false);
  }
};

TEST_F(StandQueriesTest, UserStandIsTheNearestWithinReachOnTheGroundOnly) {
  setStands({stand("A50", 50, 20), stand("A30", 30, 20), stand("FAR", 200, 20)});
  EXPECT_EQ(gf_userStand(at(0)), "") << "in the air, even right above a stand";
  EXPECT_EQ(gf_userStand(at(30)), "");
  userOnGround.store(true);
  EXPECT_EQ(gf_userStand(at(0)), "A30");
  EXPECT_EQ(gf_userStand(at(144)), "") << "56 m from the only stand near";
  EXPECT_EQ(gf_userStand(at(146)), "FAR");

  // The same position after the list was replaced gets the new list's answer.
  setStands({stand("B1", 0, 20)});
  EXPECT_EQ(gf_userStand(at(146)), "");
  EXPECT_EQ(gf_userStand(at(10)), "B1");
  standList.clear();
  gf_standListReplaced();
  EXPECT_EQ(gf_userStand(at(10)), "");
}

TEST_F(StandQueriesTest, AStandSlightlyTooSmallIsTakenFromCloseByAndEnlarged) {
  // The aircraft's half span is 3 m more than the stand's radius.
  const AircraftData ac = aircraft("AAL", "B738", 20);
  setStands({stand("S1", 0, 17)});
  EXPECT_EQ(reached(at(25), ac, 55), "none") << "too small and 25 m away";
  EXPECT_EQ(standUpdateCount, 0);
  EXPECT_EQ(reached(at(15), ac, 55), "S1");
  EXPECT_NEAR(standList[0].radius * 1852.0, 19.0, 1e-9);
  EXPECT_TRUE(standList[0].radius_change);
  EXPECT_EQ(standUpdateCount, 1);
  EXPECT_EQ(mainWindow.snapshot().learnedUpdatesShown, 1);
  // A stand taken by a live aircraft is passed over.
  standList[0].takenByLive = true;
  EXPECT_EQ(reached(at(5), ac, 55), "none");
}

TEST_F(StandQueriesTest, HelipadsAndStandsKeepToTheirOwnAircraft) {
  setStands({stand("H1", 10, 10, true, true), stand("G1", 30, 25)});
  const AircraftData jet = aircraft("AAL", "B738", 17);
  const AircraftData heli = aircraft("PVT", "R44", 5, SizeCategory::Rotorcraft);
  EXPECT_EQ(reached(at(0), jet, 55), "G1") << "the nearer helipad must not hide the jet's stand";
  EXPECT_EQ(reached(at(30), heli, 55), "H1");
  setStands({stand("G1", 30, 25)});
  EXPECT_EQ(reached(at(30), heli, 55), "none");
}

TEST_F(StandQueriesTest, TheOptionFallbackFindsTheStandThatNamesTheAircraft) {
  StandData named = stand("N1", 70, 25);
  named.options.push_back(option("UAL", "A320", "AAL1", 3, 1));
  setStands({named, stand("N2", 60, 25)});
  const AircraftData ac = aircraft("AAL", "B738", 17);
  EXPECT_EQ(reached(at(0), ac, 20), "none") << "no fallback";
  EXPECT_EQ(reached(at(0), ac, 20, true), "N1");
  EXPECT_EQ(reached(at(0), aircraft("AAL", "B738", 17, SizeCategory::Large, ""), 20, true), "none")
      << "no callsign, no fallback";
  // A stand within reach switches the fallback off.
  EXPECT_EQ(reached(at(45), ac, 20, true), "N2");
}

TEST_F(StandQueriesTest, StandUseIsDueAgainAfterTwoHalfHours) {
  const struct {
    std::int32_t slot;
    bool force;
    bool due;
  } steps[] = {{10, false, true}, {12, false, false}, {13, false, true}, {13, true, true},
               {46, false, true}, {0, false, false},  {1, false, true}};
  for (const auto& s : steps) EXPECT_EQ(gf_standUseDue({2, s.slot}, 77, s.force), s.due) << "slot " << s.slot;
  EXPECT_TRUE(gf_standUseDue({2, 1}, 78, false)) << "another aircraft";
  EXPECT_EQ(traffic.standUseList.size(), 2u);
}

TEST_F(StandQueriesTest, AirlinersTakeGatesFirstAtAirportsWhoseCodeBeginsWithK) {
  currentParkAirport.code = "KLAX";
  setStands({stand("R1", 0, 18, true), stand("G1", 100, 30), stand("C1", 200, 18, false, false, true)});
  EXPECT_EQ(chosen({3, 20}, aircraft("AAL", "B738", 17)), "G1") << "the ramp fits better but is no gate";
  EXPECT_EQ(chosen({3, 20}, aircraft("ZZZ", "C172", 5, SizeCategory::Light)), "R1");
  AircraftData freighter = aircraft("FDX", "B738", 17);
  freighter.aircraftInfo.cargo = true;
  EXPECT_EQ(chosen({3, 20}, freighter), "C1");
  EXPECT_EQ(chosen({3, 20}, aircraft("PVT", "R44", 5, SizeCategory::Rotorcraft)), "R1") << "no helipad";
}

TEST_F(StandQueriesTest, AnySizeIsScoredInMetresSoTheNearestSizeWins) {
  currentParkAirport.code = "KLAX";
  // Both too small for the aircraft: only the any-size step finds them.
  setStands({stand("FAR", 0, 10), stand("NEAR", 100, 24)});
  EXPECT_EQ(chosen({3, 20}, aircraft("AAL", "B744", 32, SizeCategory::Heavy)), "NEAR");
}

TEST_F(StandQueriesTest, LearnedUsesBlockAStandAndTheMatchingStandComesFirst) {
  currentParkAirport.code = "KLAX";
  StandData busy = stand("BUSY", 0, 18);
  busy.options.push_back(option("DAL", "A320", "DAL5", 3, std::uint64_t{1} << 20));
  StandData mine = stand("MINE", 100, 30);
  mine.options.push_back(option("AAL", "B738", "AAL9", 1, 1));
  setStands({busy, mine, stand("OTHER", 200, 18)});
  const AircraftData ac = aircraft("AAL", "B738", 17);
  EXPECT_EQ(chosen({3, 20}, ac), "MINE") << "its option names airline and type";
  standList[1].options.clear();
  EXPECT_EQ(chosen({3, 20}, ac), "OTHER") << "BUSY has a learned aircraft now";
  EXPECT_EQ(chosen({3, 21}, ac), "BUSY");
  standList[0].options[0].number = 0;
  EXPECT_EQ(chosen({3, 20}, ac), "BUSY") << "an option out of use blocks nothing";
}

TEST_F(StandQueriesTest, AFullSmallAirportTriesTheNextHalfHourOnce) {
  StandData only = stand("ONLY", 0, 18);
  only.options.push_back(option("DAL", "A320", "DAL5", 7, std::uint64_t{1} << 47));
  setStands({only});
  const AircraftData ac = aircraft("AAL", "B738", 17);
  EXPECT_EQ(chosen({7, 47}, ac, false), "none");
  EXPECT_EQ(chosen({7, 47}, ac, true), "ONLY") << "Monday 00:00 is free";
  standList[0].options.push_back(option("DAL", "A320", "DAL6", 1, 1, 2));
  EXPECT_EQ(chosen({7, 47}, ac, true), "none") << "one retry only";
}

TEST_F(StandQueriesTest, HalfHourStepsWrapOverTheWeek) {
  EXPECT_EQ(gf_nextHalfHour({7, 47}), (WeekTime{1, 0}));
  EXPECT_EQ(gf_nextHalfHour({3, 10}), (WeekTime{3, 11}));
  EXPECT_EQ(gf_halfHoursBefore({1, 2}, 5), (WeekTime{7, 45}));
  EXPECT_EQ(gf_halfHoursBefore({4, 2}, 2), (WeekTime{4, 0}));
  EXPECT_THROW(gf_hasHalfHour(1, 48), std::out_of_range);
  EXPECT_THROW(gf_hasHalfHour(1, -1), std::out_of_range);
}

} // namespace
} // namespace traffic_testing
