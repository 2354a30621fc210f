// Live stand assignment: which stand a taxiing aircraft that stops or an aircraft created on
// the ground gets, the stands that are never given, who makes way, and the mark that keeps a
// second live aircraft out of a stand that is taken.
#include "ground_fixture.h"
#include "traffic/motion/stand_arrival.h"
#include "traffic/motion/stand_assignment.h"
#include "traffic/removal.h"

namespace traffic_testing {
namespace {

constexpr std::uint32_t hexA = firstHexid + 1;
constexpr std::uint32_t hexB = firstHexid + 2;

class StandAssignment : public GroundTest {
protected:
  // An aircraft whose stream ends in a stop `northMetres` north of the reference point.
  LiveAircraft& stopping(std::uint32_t hexid, double northMetres, double eastMetres = 0.0, std::int32_t objectId = 7) {
    const std::int32_t now = gf_tickCounter();
    return taxiing(
        hexid, northMetres - 5, eastMetres,
        {groundPoint(northMetres - 5, eastMetres, 3, now), groundPoint(northMetres, eastMetres, 0, now + 300, true)},
        objectId);
  }

  AircraftData& staticOn(std::int32_t standNumber, std::uint32_t hexid, LiveState state) {
    AircraftInfoData info;
    info.hexid = hexid;
    info.callsign = "STA" + std::to_string(hexid) + "*";
    info.registration = "N" + std::to_string(hexid);
    info.type = "B738";
    const StandData& s = standList[static_cast<std::size_t>(standNumber - 1)];
    traffic.staticList.emplace_back(std::move(info), standNumber, s.lat, s.lon, s.heading, false);
    traffic.staticList.back().state = state;
    traffic.staticList.back().objectId = static_cast<std::int32_t>(100 + hexid);
    return traffic.staticList.back();
  }
};

TEST_F(StandAssignment, TheReachIsTwentyMetresWhileReportsComeAndFiftyFiveWhenALandedAircraftsReportsStop) {
  setStands({standAt("A1", 30, 0, 0, 40)});
  struct Case {
    bool wide;
    bool parks;
  };
  for (const Case c : {Case{false, false}, Case{true, true}}) {
    SCOPED_TRACE(c.wide ? "wide" : "narrow");
    traffic.liveList.clear();
    standList[0].takenByLive = false;
    LiveAircraft& ac = stopping(hexA, 0); // stops 30 m short of the stand
    try2Park(ac, c.wide);
    EXPECT_EQ(ac.phase, c.parks ? FlightPhase::Parking : FlightPhase::Taxi);
    EXPECT_EQ(ac.aircraft.standNumber, c.parks ? 1 : 0);
    if (!c.parks) continue;
    EXPECT_EQ(ac.previousPhase, FlightPhase::Taxi);
    EXPECT_EQ(ac.aircraft.standLat, standList[0].lat);
    // Cut to the point reached, then the drive into the stand and the stop.
    ASSERT_EQ(ac.feedPoints.size(), 3u);
    EXPECT_EQ(ac.feedPoints[1].latitude, standList[0].lat);
    EXPECT_TRUE(ac.feedPoints[2].extraFlag);
  }
}

TEST_F(StandAssignment, AStopPositionIsSearchedOnceAndAStopAMetreFartherAgain) {
  setStands({standAt("A1", 30, 0, 0, 40)});
  LiveAircraft& ac = stopping(hexA, 0);
  try2Park(ac, false);
  ASSERT_EQ(ac.phase, FlightPhase::Taxi);
  // The stand comes into reach, but the place was searched.
  ac.feedPoints.back() = groundPoint(0, 0, 0, ac.feedPoints.back().dueTick, true);
  standList[0] = standAt("A1", 10, 0, 0, 40);
  standList[0].number = 1;
  try2Park(ac, false);
  EXPECT_EQ(ac.phase, FlightPhase::Taxi);
  ac.feedPoints.back() = groundPoint(1, 0, 0, ac.feedPoints.back().dueTick, true);
  try2Park(ac, false);
  EXPECT_EQ(ac.phase, FlightPhase::Parking);

  // Searched narrowly while the reports came, the same place is searched again, wider, when
  // they stop; a wide search is not repeated.
  traffic.liveList.clear();
  standList[0].takenByLive = false;
  standList[0] = standAt("A1", 30, 0, 0, 40);
  standList[0].number = 1;
  LiveAircraft& landed = stopping(hexB, 0);
  try2Park(landed, false);
  ASSERT_EQ(landed.phase, FlightPhase::Taxi);
  try2Park(landed, true);
  EXPECT_EQ(landed.phase, FlightPhase::Parking);
  landed.phase = FlightPhase::Taxi;
  landed.aircraft.standNumber = 0;
  landed.feedPoints.resize(1);
  landed.feedPoints.push_back(groundPoint(0, 0, 0, gf_tickCounter() + 300, true));
  try2Park(landed, true);
  EXPECT_EQ(landed.phase, FlightPhase::Taxi);

  ac.feedPoints.clear();
  try2Park(ac, false);
  EXPECT_TRUE(log.contains("===> try2Park empty sz?"));
}

TEST_F(StandAssignment, TheReservedStandAndTheStandUnderTheUserAreNeverGiven) {
  setStands({standAt("B3", 0, 0, 0, 40)});
  struct Case {
    const char* name;
    std::string reserved;
    bool userThere;
  };
  const Case cases[] = {{"reserved", "B3", false}, {"under the user", "", true}, {"another reserved", "B4", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    traffic.liveList.clear();
    reservedStand = c.reserved;
    const GeoPosition user = c.userThere ? metresAt(2, 0) : metresAt(5000, 0);
    placeUser(user.latitude, user.longitude, 100, true);
    gf_standListReplaced();
    LiveAircraft& ac = stopping(hexA, 0);
    try2Park(ac, true);
    EXPECT_EQ(ac.phase, FlightPhase::Taxi);
    LiveAircraft& spawned = taxiing(hexB, 0, 0, {groundPoint(0, 0, 0, gf_tickCounter(), true)});
    spawned.phase = FlightPhase::Birth;
    EXPECT_FALSE(standForSpawn(spawned).has_value());
    EXPECT_FALSE(spawned.aircraft.eraseNow);
  }
}

TEST_F(StandAssignment, ANewcomerRemovesAParkedLiveAircraftButNotOneTaxiingWithTheStandNumber) {
  setStands({standAt("C1", 0, 0, 0, 40)});
  for (const FlightPhase holderPhase : {FlightPhase::Parked, FlightPhase::Taxi}) {
    SCOPED_TRACE(gf_phaseName(holderPhase));
    traffic.liveList.clear();
    traffic.removeBacklog.clear();
    standList[0].takenByLive = false; // a parked aircraft whose reports stopped marks none
    LiveAircraft& holder = taxiing(hexB, 0, 0, {groundPoint(0, 0, 0, gf_tickCounter(), true)}, 9);
    holder.aircraft.standNumber = 1;
    holder.phase = holderPhase;
    LiveAircraft& ac = stopping(hexA, 0);
    try2Park(ac, false);
    EXPECT_EQ(ac.phase, FlightPhase::Parking);
    EXPECT_EQ(gf_findLiveByHexid(hexB)->aircraft.state,
              holderPhase == FlightPhase::Parked ? LiveState::RemovingFromSim : LiveState::Active);
    // Its own removal leaves the newcomer's mark alone.
    EXPECT_TRUE(standList[0].takenByLive);
  }
  EXPECT_TRUE(log.contains("C1      : TAX2     removed, TAX1 wants to park there"));
}

TEST_F(StandAssignment, StaticAircraftMakeWayOrHaveTheirQueuedCreationCancelled) {
  setStands({standAt("D1", 0, 0, 0, 40), standAt("D2", 0, 40, 0, 40), standAt("D3", 0, 500, 0, 40)});
  ASSERT_EQ(standList[0].adjacent, std::vector<std::int32_t>{2});

  // Active on the stand, coupled to the newcomer's callsign: removed as its live version.
  AircraftData& same = staticOn(1, 1, LiveState::Active);
  same.aircraftInfo.coupledCallsign1 = "TAX1";
  // Active on the adjacent stand within both wings: removed.
  staticOn(2, 2, LiveState::Active);
  staticOn(3, 3, LiveState::Active);
  LiveAircraft& ac = stopping(hexA, 0);
  try2Park(ac, false);
  ASSERT_EQ(ac.phase, FlightPhase::Parking);
  EXPECT_EQ(traffic.staticList[0].state, LiveState::RemovingFromSim);
  EXPECT_EQ(traffic.staticList[1].state, LiveState::RemovingFromSim);
  EXPECT_EQ(traffic.staticList[2].state, LiveState::Active);
  EXPECT_TRUE(log.contains("D1      : STA1*    N1 makes way for the same live version TAX1 "));
  EXPECT_TRUE(log.contains("D2      : STA2*    makes way for TAX1 parking at excluded stand D1"));

  // Waiting in the creation backlog: cancelled and erased; handed to the simulator: pending.
  traffic.staticList.clear();
  traffic.liveList.clear();
  standList[0].takenByLive = false;
  staticOn(1, 11, LiveState::Adding2Sim);
  CreateAcData queued;
  queued.hexId = 11;
  traffic.staticCreateBacklog.push_back(queued);
  LiveAircraft& second = stopping(hexB, 0);
  makeWay(second, standList[0]);
  EXPECT_TRUE(traffic.staticList.empty());
  EXPECT_TRUE(traffic.staticCreateBacklog.empty());
  EXPECT_TRUE(log.contains("queued D1      : STA11*   N11 makes way for TAX2 "));

  AircraftData& handed = staticOn(1, 12, LiveState::Adding2Sim);
  makeWay(second, standList[0]);
  EXPECT_TRUE(handed.removalPending);
  EXPECT_EQ(traffic.staticList.size(), 1u);
}

TEST_F(StandAssignment, ATakenStandIsMarkedSoASecondAircraftDoesNotDriveIntoIt) {
  setStands({standAt("E1", 30, 0, 0, 40), standAt("E2", 30, 200, 0, 40)});
  LiveAircraft& first = stopping(hexA, 30);
  try2Park(first, false);
  ASSERT_EQ(first.aircraft.standNumber, 1);
  EXPECT_TRUE(standList[0].takenByLive);

  LiveAircraft& second = stopping(hexB, 30, 0, 8);
  try2Park(second, true);
  EXPECT_EQ(second.phase, FlightPhase::Taxi);
  EXPECT_EQ(second.aircraft.standNumber, 0);

  // Removal of the first frees the stand for the second.
  removeAircraftFromSim(gf_findLiveByHexid(hexA)->aircraft);
  EXPECT_FALSE(standList[0].takenByLive);
  LiveAircraft& again = *gf_findLiveByHexid(hexB);
  again.feedPoints.back() = groundPoint(31, 0, 0, again.feedPoints.back().dueTick, true);
  try2Park(again, false);
  EXPECT_EQ(again.aircraft.standNumber, 1);
  EXPECT_TRUE(standList[0].takenByLive);

  // Leaving the stand frees it; driving on to another stand frees the first.
  leaveStand(again);
  EXPECT_FALSE(standList[0].takenByLive);
  standList[0].takenByLive = true;
  again.phase = FlightPhase::Taxi;
  again.feedPoints.back() = groundPoint(30, 200, 0, again.feedPoints.back().dueTick, true);
  try2Park(again, false);
  EXPECT_EQ(again.aircraft.standNumber, 2);
  EXPECT_FALSE(standList[0].takenByLive);
  EXPECT_TRUE(standList[1].takenByLive);

  // A stand forgotten without its mark (an approach, a pushback that went far enough) is
  // found by the next search all the same.
  again.aircraft.standNumber = 0;
  again.phase = FlightPhase::Flying;
  LiveAircraft& third = stopping(firstHexid + 3, 30, 200, 9);
  try2Park(third, false);
  EXPECT_EQ(third.aircraft.standNumber, 2);
}

TEST_F(StandAssignment, AnAircraftCreatedStandingNearTheParkAirportStandsOnTheStandItIsAt) {
  setStands({standAt("F1", 30, 0, 0, 40)});
  struct Case {
    const char* name;
    double northMetres; // of the first point
    bool still;
    double secondKt;
    bool stand;
  };
  const Case cases[] = {
      {"standing on it", 30, true, 0, true},
      {"standing 50 m off", 80, true, 0, true},
      {"rolling slowly to it", 0, false, 3, true},
      {"rolling fast", 0, false, 12, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    traffic.liveList.clear();
    standList[0].takenByLive = false;
    const std::int32_t now = gf_tickCounter();
    LiveAircraft& ac = taxiing(hexA, c.northMetres, 0,
                               {groundPoint(c.northMetres, 0, c.still ? 0 : 3, now, c.still),
                                groundPoint(c.still ? c.northMetres : 30, 0, c.secondKt, now + 500, c.still)});
    ac.phase = FlightPhase::Birth;
    const auto stand = standForSpawn(ac);
    EXPECT_EQ(stand.has_value(), c.stand);
    if (stand) {
      EXPECT_EQ(stand->name, "F1");
      EXPECT_TRUE(ac.feedPoints.front().extraFlag);
      EXPECT_DOUBLE_EQ(ac.feedPoints.front().groundSpeed, 0.0);
    }
  }

  // Farther than 5 nm from the park airport: no stand is looked for.
  traffic.liveList.clear();
  currentParkAirport.lat = latNorth(6.0);
  LiveAircraft& far = taxiing(hexA, 30, 0, {groundPoint(30, 0, 0, gf_tickCounter(), true)});
  EXPECT_FALSE(standForSpawn(far).has_value());
}

} // namespace
} // namespace traffic_testing
