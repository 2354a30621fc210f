// Placing the wanted static aircraft: the callsign rule, the aircraft in the way, the
// creation request and the parked time.
#include "parking_fixture.h"

namespace traffic_testing {
namespace {

WantedStatic wanted(std::uint32_t stand, std::string callsign, std::string coupled = "", bool staysOn = true,
                    std::int32_t fit = 0) {
  return {stand, fit, "KLM", "B738", std::move(callsign), std::move(coupled), "PH-BXA", staysOn};
}

class StaticPlacementTest : public ParkingTest {
protected:
  StaticPlacementTest() {
    setNow({3, 20});
    // Gates 1-3 100 m apart; gate 4 overlaps gate 3.
    setStands({gate("A1", 0), gate("A2", 100), gate("A3", 200), gate("A4", 240)});
  }
};

TEST_F(StaticPlacementTest, CallsignRule) {
  const std::pair<const char*, const char*> texts[] = {
      {"KLM1234", "KLM1234*"}, {"KLM1234__", "KLM1234*"}, {"KLM1234*", "KLM1234*"}, {"", "*"}, {"___", "*"},
      {"AB*_", "AB*"},
  };
  for (const auto& [text, callsign] : texts) EXPECT_EQ(gf_staticCallsign(text), callsign) << text;

  EXPECT_EQ(lf_detcs(wanted(1, "KLM1234", "KLM1235", true)), "KLM1234*") << "stays on: arrival callsign";
  EXPECT_EQ(lf_detcs(wanted(1, "KLM1234", "KLM1235", false)), "KLM1235*") << "leaves soon: departure callsign";
  EXPECT_EQ(lf_detcs(wanted(1, "KLM1234", "", false)), "KLM1234*") << "no departure callsign known";
  EXPECT_EQ(lf_detcs(wanted(1, "", "", true)), "");
  EXPECT_TRUE(log.contains("lf_detcs callsign is empty.."));
}

TEST_F(StaticPlacementTest, PlacesTheLastWantedAircraftWithItsCreation) {
  wantedList = {wanted(1, "KLM1", "KLM2", true, 0), wanted(2, "KLM1234", "KLM1235", false, 3)};
  setNow({1, 1});
  lf_placeNextStatic();
  ASSERT_EQ(traffic.staticList.size(), 1u);
  EXPECT_EQ(wantedList.size(), 1u);
  const AircraftData& ac = traffic.staticList.front();
  EXPECT_EQ(ac.aircraftInfo.callsign, "KLM1235*");
  EXPECT_EQ(ac.aircraftInfo.coupledCallsign1, "KLM1234");
  EXPECT_EQ(ac.aircraftInfo.coupledCallsign2, "KLM1235");
  EXPECT_EQ(ac.aircraftInfo.registration, "PH-BXA");
  EXPECT_EQ(ac.aircraftInfo.hexid, 1u);
  EXPECT_EQ(ac.standNumber, 2);
  EXPECT_EQ(ac.state, LiveState::Adding2Sim);
  EXPECT_EQ(ac.parkedSince, (WeekTime{7, 46})) << "fit 3 at Monday slot 1";
  ASSERT_EQ(traffic.staticCreateBacklog.size(), 1u);
  const CreateAcData& create = traffic.staticCreateBacklog.front();
  EXPECT_DOUBLE_EQ(create.position.latitude, standList[1].lat);
  EXPECT_DOUBLE_EQ(create.position.longitude, standList[1].lon);
  EXPECT_NEAR(create.position.heading, 0.5 * 57.29577951308232, 1e-9);
  EXPECT_EQ(create.position.onGround, 1);
  EXPECT_EQ(create.callsign, "KLM1235*");
  EXPECT_EQ(create.title, "B738 static");
  EXPECT_EQ(create.hexId, 1);

  // Without an option callsign: the airline, the static number and '*'.
  wantedList = {wanted(3, "")};
  lf_placeNextStatic();
  EXPECT_EQ(traffic.staticList.back().aircraftInfo.callsign, "KLM2*");
}

TEST_F(StaticPlacementTest, AircraftInTheWayDropTheWantedOne) {
  LiveAircraft& ual = addLiveParked(10'700'001, 2, 5, SizeCategory::Large, "UAL5");
  ual.phase = FlightPhase::Parking;
  wantedList = {wanted(2, "KLM1")};
  lf_placeNextStatic();
  EXPECT_TRUE(traffic.staticList.empty());
  EXPECT_TRUE(wantedList.empty()) << "dropped, not retried";
  EXPECT_TRUE(log.contains("A2      : no static parking for KLM1, live aircraft UAL5 standing here"));

  // A live aircraft on gate 4 is next to gate 3.
  ual.aircraft.standNumber = 4;
  wantedList = {wanted(3, "KLM3")};
  lf_placeNextStatic();
  EXPECT_TRUE(traffic.staticList.empty());
  EXPECT_TRUE(
      log.contains("A3      : no static parking for KLM3, live aircraft UAL5 is adjacent at A4, possibly colliding"));

  // A static aircraft in any state on gate 4 does the same.
  ual.aircraft.standNumber = 0;
  addStatic(4, "PH-BXB", "KLM", "B738", "KLM9", "", {3, 20}, LiveState::Adding2Sim);
  wantedList = {wanted(3, "KLM3")};
  lf_placeNextStatic();
  EXPECT_EQ(traffic.staticList.size(), 1u);
  EXPECT_TRUE(log.contains(
      "A3      : no static parking for KLM3, static aircraft KLM9* is adjacent at A4, possibly colliding"));

  // A neighbour recorded only on the other stand does not count.
  standList[0].adjacent = {2};
  standList[1].adjacent = {};
  addStatic(1, "PH-BXC", "KLM", "B738", "KLM8", "", {3, 20});
  wantedList = {wanted(2, "KLM2")};
  lf_placeNextStatic();
  EXPECT_EQ(traffic.staticList.size(), 3u);
  EXPECT_EQ(traffic.staticList.back().standNumber, 2);
}

TEST_F(StaticPlacementTest, NoStandOrNoLiveryLosesTheEntry) {
  wantedList = {wanted(9, "KLM1")};
  lf_placeNextStatic();
  EXPECT_TRUE(log.contains("stand with id 9 not found"));
  EXPECT_TRUE(traffic.staticList.empty());

  WantedStatic unknownType = wanted(1, "KLM1");
  unknownType.type = "ZZZZ";
  wantedList = {unknownType};
  lf_placeNextStatic();
  EXPECT_TRUE(traffic.staticList.empty()) << "no livery: the record goes again";
  EXPECT_TRUE(traffic.staticCreateBacklog.empty());
  EXPECT_TRUE(wantedList.empty());
}

TEST_F(StaticPlacementTest, StaticNumbersWrapAfter9999) {
  for (std::uint32_t expected = 1; expected <= 9999; ++expected) ASSERT_EQ(gf_nextStaticHexid(), expected);
  EXPECT_EQ(gf_nextStaticHexid(), 0u);
  EXPECT_EQ(gf_nextStaticHexid(), 1u);
}

// A renewal replaces a static aircraft by the same aircraft under its departure callsign:
// the new one waits until the old one has left the stand, instead of being dropped as an
// aircraft in the way.
TEST_F(StaticPlacementTest, ReplacementWaitsForTheAircraftItReplaces) {
  AircraftData& old = addStatic(2, "PH-BXA", "KLM", "B738", "KLM1234", "KLM1235", {3, 18});
  removeAircraftFromSim(old);
  ASSERT_EQ(old.state, LiveState::RemovingFromSim);
  wantedList = {wanted(2, "KLM1234", "KLM1235", false, 2)};
  for (int k = 0; k < 5; ++k) lf_placeNextStatic();
  EXPECT_EQ(traffic.staticList.size(), 1u) << "not placed while the old one is still there";
  ASSERT_EQ(wantedList.size(), 1u) << "and not dropped either";
  // The simulator confirms the removal.
  traffic.staticList.clear();
  lf_placeNextStatic();
  ASSERT_EQ(traffic.staticList.size(), 1u);
  EXPECT_EQ(traffic.staticList.front().aircraftInfo.callsign, "KLM1235*");
  EXPECT_EQ(traffic.staticList.front().parkedSince, (WeekTime{3, 18}));
  EXPECT_TRUE(wantedList.empty());
}

} // namespace
} // namespace traffic_testing
