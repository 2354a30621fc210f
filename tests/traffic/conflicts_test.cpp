// Conflicts between aircraft: statics in the way, static twins, ghosts, and live aircraft that
// want the same or a neighbouring stand.
#include "traffic/motion/conflicts.h"
#include "traffic_fixture.h"

#include <limits>

using namespace traffic_testing;

namespace {

class Conflicts : public TrafficTest {
protected:
  // A static aircraft on a stand `northNm` north of Los Angeles, named after the stand.
  AircraftData& parkedStatic(std::int32_t stand, double northNm, double halfSpanNm = 0.01,
                             LiveState state = LiveState::Active) {
    AircraftInfoData info;
    info.hexid = static_cast<std::uint32_t>(100 + stand);
    info.callsign = "STA" + std::to_string(stand) + "*";
    info.halfSpanNm = halfSpanNm;
    traffic.staticList.emplace_back(std::move(info), stand, latNorth(northNm), laxLon, 0.0, false);
    AircraftData& s = traffic.staticList.back();
    s.state = state;
    s.objectId = 2000 + stand;
    return s;
  }
  static void addStand(std::int32_t number, std::string name, double northNm, std::vector<std::int32_t> adjacent = {}) {
    StandData stand;
    stand.number = number;
    stand.name = std::move(name);
    stand.lat = latNorth(northNm);
    stand.lon = laxLon;
    stand.adjacent = std::move(adjacent);
    standList.push_back(std::move(stand));
  }
  // A live aircraft in the simulator with this callsign, parked on `stand` when not 0.
  static LiveAircraft& liveAs(std::uint32_t n, std::string callsign, std::int32_t stand = 0,
                              FlightPhase phase = FlightPhase::Parked) {
    LiveAircraft& ac = active(firstHexid + n, static_cast<std::int32_t>(1001 + n), 0.0);
    ac.aircraft.aircraftInfo.callsign = std::move(callsign);
    ac.aircraft.standNumber = stand;
    ac.phase = phase;
    ac.onGround = true;
    return ac;
  }
};

} // namespace

TEST_F(Conflicts, ATaxiingAircraftRemovesTheFirstStaticItWouldTouch) {
  struct Case {
    const char* name;
    double northNm;
    LiveState staticState;
    bool sameCallsign, landingRoll, lostPosition;
    bool removed;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // Half spans 0.01 and 0.009 nm: they touch up to 0.0209 nm.
  const Case cases[] = {
      {"at 0.020 nm", 0.020, LiveState::Active, false, false, false, true},
      {"at 0.021 nm", 0.021, LiveState::Active, false, false, false, false},
      {"static still being created", 0.010, LiveState::Adding2Sim, false, false, false, false},
      {"static with the aircraft's callsign", 0.010, LiveState::Active, true, false, false, false},
      {"on its landing roll", 0.010, LiveState::Active, false, true, false, false},
      {"without a usable position", 0.010, LiveState::Active, false, false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    traffic.liveList.clear();
    traffic.staticList.clear();
    traffic.removeBacklog.clear();
    standList.clear();
    addStand(7, "B3", c.northNm);
    AircraftData& s = parkedStatic(7, c.northNm, 0.01, c.staticState);
    LiveAircraft& l = liveAs(0, "AAL123", 0, FlightPhase::Taxi);
    l.aircraft.aircraftInfo.halfSpanNm = 0.009;
    l.landingRoll = c.landingRoll;
    if (c.sameCallsign) s.aircraftInfo.callsign = "AAL123";
    if (c.lostPosition) l.lat = nan;
    gf_removeCollidingStatic(l);
    EXPECT_EQ(traffic.staticList[0].state, c.removed ? LiveState::RemovingFromSim : c.staticState);
    EXPECT_EQ(traffic.removeBacklog, c.removed ? RemoveBacklog{2007} : RemoveBacklog{});
    // Where it was checked, unless it is rolling out.
    EXPECT_EQ(l.conflictCheckLon, c.landingRoll ? 0.0 : laxLon);
  }
  EXPECT_TRUE(log.contains("B3      : STA7*    removed for collision avoidance with static AAL123"));
}

TEST_F(Conflicts, OnlyOneStaticGoesACall) {
  addStand(1, "A1", 0.005);
  addStand(2, "A2", 0.010);
  parkedStatic(1, 0.005);
  parkedStatic(2, 0.010);
  LiveAircraft& l = liveAs(0, "AAL123", 0, FlightPhase::Parking);
  l.aircraft.aircraftInfo.halfSpanNm = 0.01;
  gf_removeCollidingStatic(l);
  EXPECT_EQ(traffic.staticList[0].state, LiveState::RemovingFromSim);
  EXPECT_EQ(traffic.staticList[1].state, LiveState::Active);
  gf_removeCollidingStatic(l);
  EXPECT_EQ(traffic.staticList[1].state, LiveState::RemovingFromSim);
  EXPECT_EQ(traffic.removeBacklog, (RemoveBacklog{2001, 2002}));
}

TEST_F(Conflicts, TheStaticTwinOfALiveAircraftIsRemoved) {
  struct Case {
    const char* name;
    std::string callsign, coupled2, registration; // the live aircraft's
    std::string staticCoupled1, staticCoupled2, staticRegistration;
    bool onGround;
    const char* line; // the log line of a removal, null when the static stays
  };
  const Case cases[] = {
      {"same registration before the callsign", "KLM601", "", "PH-BFA", "KLM601", "", "PH-BFA", true,
       "B3      : STA7*    PH-BFA removed, new on ground 'KLM601' has same regcode PH-BFA"},
      {"same callsign", "KLM601", "", "", "KLM601", "KLM602", "", false,
       "B3      : STA7*    'KLM601 KLM602' removed, new airborne KLM601 'KLM601' '' has same callsign"},
      {"the static's coupled callsign", "KLM602", "", "", "KLM601", "KLM602", "", true,
       "B3      : STA7*    'KLM601 KLM602' removed, new on ground KLM602 'KLM602' '' has coupled callsign"},
      {"the live aircraft's coupled callsign", "KLM602", "KLM601", "", "KLM601", "", "", true,
       "B3      : STA7*    'KLM601 ' removed, new on ground KLM602 'KLM602' 'KLM601' has coupled callsign"},
      {"a ghost of the static's callsign", "KLM601_", "", "", "KLM601", "", "", true,
       "B3      : STA7*    'KLM601 ' removed, new on ground KLM601_ 'KLM601_' '' has coupled callsign"},
      {"another aircraft", "KLM603", "", "PH-BFB", "KLM601", "KLM602", "PH-BFA", true, nullptr},
      {"without coupled callsigns", "KLM603", "", "", "", "", "", true, nullptr},
      {"a callsign that only begins like the static's", "KLM6011", "", "", "KLM601", "", "", true, nullptr},
  };
  addStand(7, "B3", 0.5);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    traffic.liveList.clear();
    traffic.staticList.clear();
    // Not the static of a stand option any more: no twin.
    parkedStatic(6, 0.4, 0.01, LiveState::Adding2Sim).aircraftInfo.coupledCallsign1 = c.callsign;
    AircraftData& s = parkedStatic(7, 0.5);
    s.aircraftInfo.coupledCallsign1 = c.staticCoupled1;
    s.aircraftInfo.coupledCallsign2 = c.staticCoupled2;
    s.aircraftInfo.registration = c.staticRegistration;
    LiveAircraft& l = liveAs(0, c.callsign, 0, FlightPhase::Flying);
    l.aircraft.aircraftInfo.coupledCallsign1 = c.callsign;
    l.aircraft.aircraftInfo.coupledCallsign2 = c.coupled2;
    l.aircraft.aircraftInfo.registration = c.registration;
    gf_removeStaticTwin(l, c.onGround);
    EXPECT_EQ(traffic.staticList[0].state, LiveState::Adding2Sim);
    EXPECT_EQ(traffic.staticList[1].state, c.line ? LiveState::RemovingFromSim : LiveState::Active);
    if (c.line) {
      EXPECT_TRUE(log.contains(c.line));
    }
  }
}

TEST_F(Conflicts, AGhostGivesWayAndIsRemembered) {
  addStand(3, "C4", 0.2);
  LiveAircraft& leaving = liveAs(0, "DAL9_", 0, FlightPhase::Taxi);
  leaving.aircraft.state = LiveState::RemovingFromSim;
  liveAs(1, "DAL9_", 3, FlightPhase::Parked);
  liveAs(2, "DAL9_", 0, FlightPhase::Taxi);
  lf_removeGhost("DAL9");
  EXPECT_EQ(live(firstHexid + 1)->aircraft.state, LiveState::RemovingFromSim);
  EXPECT_EQ(live(firstHexid + 2)->aircraft.state, LiveState::Active);
  EXPECT_EQ(traffic.ghostList, (GhostList{"DAL9_"}));
  EXPECT_EQ(traffic.removeBacklog, (RemoveBacklog{1002}));
  EXPECT_TRUE(log.contains("C4      : DAL9_    is a ghost and will be removed, continue with DAL9"));

  lf_removeGhost("DAL9");
  EXPECT_EQ(live(firstHexid + 2)->aircraft.state, LiveState::RemovingFromSim);
  EXPECT_TRUE(log.contains("          DAL9_    is a ghost and will be removed, continue with DAL9"));
  EXPECT_EQ(traffic.ghostList, (GhostList{"DAL9_", "DAL9_"}));

  // No ghost left: nothing happens.
  lf_removeGhost("DAL9");
  EXPECT_EQ(traffic.ghostList.size(), 2u);
  EXPECT_EQ(traffic.removeBacklog.size(), 2u);

  // The twin without '_' counts only while it is not being removed.
  EXPECT_FALSE(lf_hasPlainTwin("DAL9__"));
  liveAs(3, "UAL5", 0, FlightPhase::Taxi);
  EXPECT_TRUE(lf_hasPlainTwin("UAL5_"));
  live(firstHexid + 3)->aircraft.state = LiveState::RemovingFromSim;
  EXPECT_FALSE(lf_hasPlainTwin("UAL5_"));
}

TEST_F(Conflicts, ALiveAircraftMayTakeAStandFromAnotherOrBeRefused) {
  struct Case {
    const char* name;
    std::string holder; // callsign of the live aircraft on the stand
    FlightPhase phase;
    LiveState state;
    bool reportSeen;
    std::string newcomer;
    bool mayTake, holderRemoved;
    const char* line;
  };
  const Case cases[] = {
      {"the holder taxis away", "AAL1", FlightPhase::Taxi, LiveState::Active, false, "UAL2", true, false, nullptr},
      {"the holder is being created", "AAL1", FlightPhase::Parked, LiveState::Adding2Sim, false, "UAL2", true, false,
       nullptr},
      {"same callsign", "AAL1", FlightPhase::Parked, LiveState::Active, true, "AAL1", true, true,
       "D1      : AAL1     ac with same callsign AAL1 wants it, remove existing ... "},
      {"the newcomer is the holder's ghost", "AAL1", FlightPhase::PushedBack, LiveState::Active, false, "AAL1_", false,
       false, nullptr},
      {"the holder is the newcomer's ghost", "AAL1_", FlightPhase::Parked, LiveState::Active, true, "AAL1", true, true,
       "D1      : AAL1_    ghost, replace by AAL1"},
      {"the holder is some ghost", "DAL7_", FlightPhase::PushingBack, LiveState::Active, true, "UAL2", true, true,
       "D1      : DAL7_    ghost, replace by UAL2"},
      {"a ghost never pushes a plain callsign off", "AAL1", FlightPhase::Parked, LiveState::Active, false, "UAL2_",
       false, false, nullptr},
      {"a callsign that only ends like the holder's", "AAL12", FlightPhase::Parked, LiveState::Active, true, "AAL1",
       false, false, nullptr},
      {"the holder's reports show it at its stand", "AAL1", FlightPhase::Parked, LiveState::Active, true, "UAL2", false,
       false, nullptr},
      {"the holder is not seen at its stand", "AAL1", FlightPhase::Parked, LiveState::Active, false, "UAL2", true, true,
       "D1      : AAL1     removed because another live UAL2 wants the stand ..."},
  };
  addStand(5, "D1", 0.3);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    traffic.liveList.clear();
    LiveAircraft& holder = liveAs(0, c.holder, 5, c.phase);
    holder.aircraft.state = c.state;
    holder.standReportSeen = c.reportSeen;
    EXPECT_EQ(lf_mayTakeStand(5, c.newcomer), c.mayTake);
    EXPECT_EQ(live()->aircraft.state, c.holderRemoved ? LiveState::RemovingFromSim : c.state);
    if (c.line) {
      EXPECT_TRUE(log.contains(c.line));
    }
  }
  // Nobody on the stand.
  EXPECT_TRUE(lf_mayTakeStand(6, "UAL2_"));
}

TEST_F(Conflicts, ANeighbourThatWouldTouchKeepsASpawnOffOrMakesWayForAnArrival) {
  // Half spans from the reference data: B738 0.02 nm, B744 0.03 nm; they touch up to 0.055 nm.
  struct Case {
    const char* name;
    double neighbourNorthNm;
    FlightPhase phase;
    std::string neighbourCallsign;
    bool conflict;
  };
  const Case cases[] = {
      {"parked at 0.05 nm", 0.05, FlightPhase::Parked, "KLM9", true},
      {"parked at 0.06 nm", 0.06, FlightPhase::Parked, "KLM9", false},
      {"pushing back at 0.05 nm", 0.05, FlightPhase::PushingBack, "KLM9", true},
      {"pushed back at 0.05 nm", 0.05, FlightPhase::PushedBack, "KLM9", false},
      {"taxiing at 0.05 nm", 0.05, FlightPhase::Taxi, "KLM9", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    traffic.liveList.clear();
    standList.clear();
    addStand(1, "E1", 0.0, {3, 2});
    addStand(2, "E2", c.neighbourNorthNm, {1});
    addStand(3, "E3", 0.0, {1}); // at 0/0 in the file: no position to measure
    standList.back().lat = 0.0;
    standList.back().lon = 0.0;
    LiveAircraft& arriving = liveAs(0, "AAL123", 0, FlightPhase::Taxi);
    LiveAircraft& neighbour = liveAs(1, c.neighbourCallsign, 2, c.phase);
    neighbour.aircraft.aircraftInfo.type = "B744";
    liveAs(2, "UAL4", 3, FlightPhase::Parked).aircraft.aircraftInfo.type = "B744";
    const StandData target = standList[0];
    EXPECT_EQ(lf_findAdjacentConflict(target, *live()), c.conflict ? std::optional<std::int32_t>(2) : std::nullopt);
    lf_clearAdjacentStand(3, *live(), target);
    lf_clearAdjacentStand(2, *live(), target);
    EXPECT_EQ(live(firstHexid + 1)->aircraft.state, c.conflict ? LiveState::RemovingFromSim : LiveState::Active);
    EXPECT_EQ(live(firstHexid + 2)->aircraft.state, LiveState::Active);
    (void)arriving;
  }
  EXPECT_TRUE(log.contains("E2      : KLM9     removed by parking AAL123 at adjacent and possibly colliding stand E1"));

  // The aircraft itself on the neighbouring stand (it is moving over) is no conflict.
  traffic.liveList.clear();
  standList[1].lat = latNorth(0.05);
  liveAs(0, "AAL123", 0, FlightPhase::Taxi);
  liveAs(1, "AAL123", 2, FlightPhase::Parked);
  EXPECT_EQ(lf_findAdjacentConflict(standList[0], *live()), std::nullopt);
}
