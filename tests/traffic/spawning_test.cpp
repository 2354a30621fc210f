// Spawning: when a buffered aircraft is looked at, what holds it back or drops it, and how it
// enters the simulator.
#include "core/errors.h"
#include "traffic/spawning.h"
#include "traffic_fixture.h"

using namespace traffic_testing;

namespace {

using Spawning = TrafficTest;

} // namespace

TEST_F(Spawning, ActsAHundredTicksAheadAndThreeHundredForATaxiingAircraft) {
  struct Case {
    const char* name;
    double altitude, groundSpeed;
    std::int32_t firstTick;
  };
  for (const Case& c :
       {Case{"airborne", 3000, 180, 4900}, Case{"taxiing", 0, 12, 4700}, Case{"standing", 0, 0, 4900}}) {
    SCOPED_TRACE(c.name);
    traffic.liveList.clear();
    Report r;
    r.altitude = c.altitude;
    r.groundSpeed = c.groundSpeed;
    r.dueTick = 5000;
    TrafficData single = r.data();
    traffic.liveList.emplace_back(single.point, AircraftInfoData(single), r.time);
    live(0)->aircraft.aircraftInfo.hexid = firstHexid;
    // One report only: erased once it falls within reach.
    setTick(c.firstTick - 1);
    lf_bufferStep(*live());
    EXPECT_FALSE(live()->aircraft.eraseNow);
    setTick(c.firstTick);
    lf_bufferStep(*live());
    EXPECT_TRUE(live()->aircraft.eraseNow);
  }
}

TEST_F(Spawning, WaitsUntilItsPointsAgreeOnBeingAirborne) {
  Report r;
  r.dueTick = 5000;
  LiveAircraft& ac = buffered(r);
  Report ground = r;
  ground.altitude = 0;
  ground.groundSpeed = 20;
  Report third = r;
  third.dueTick = 6000;
  ac.feedPoints.push_back(third.data().point);
  ground.dueTick = 6500;
  ac.feedPoints.push_back(ground.data().point);
  setTick(4900);
  lf_bufferStep(ac);
  EXPECT_EQ(ac.feedPoints.size(), 3u);
  EXPECT_EQ(ac.aircraft.state, LiveState::Buffer);
  setTick(5400);
  lf_bufferStep(ac);
  setTick(5900);
  lf_bufferStep(ac);
  // Only the ground point is left: one point is never created.
  ASSERT_EQ(ac.feedPoints.size(), 1u);
  EXPECT_FALSE(ac.feedPoints.front().airborne);
  setTick(6200);
  lf_bufferStep(ac);
  EXPECT_TRUE(ac.aircraft.eraseNow);
}

TEST_F(Spawning, TakesAirlineAndTypeFromTheRegistrationAndMakesUpPrivateOnes) {
  Report r;
  r.callsign = "ABC";
  r.registration = "PH-BFA";
  r.type = "B738";
  r.dueTick = 5000;
  LiveAircraft& ac = buffered(r);
  setTick(4900);
  lf_bufferStep(ac);
  const AircraftInfoData& info = ac.aircraft.aircraftInfo;
  EXPECT_EQ(info.airline, "MPH"); // the operator before the owner
  EXPECT_EQ(info.type, "B744");
  EXPECT_TRUE(info.cargo);
  EXPECT_EQ(info.callsign, "ABC");
  EXPECT_EQ(ac.aircraft.state, LiveState::Adding2Sim);

  Report p;
  p.hexid = firstHexid + 1;
  p.callsign = "N1234";
  p.lat = latNorth(5);
  p.dueTick = 5000;
  LiveAircraft& private1 = buffered(p);
  lf_bufferStep(private1);
  EXPECT_EQ(private1.aircraft.aircraftInfo.airline, "PVT");
  EXPECT_EQ(private1.aircraft.state, LiveState::Adding2Sim);
}

TEST_F(Spawning, DropsBlockedGhostAndNamelessAircraft) {
  struct Case {
    const char* name;
    std::function<void(Report&)> make;
  };
  const std::vector<Case> cases{
      {"blocked callsign", [](Report&) { BLOCK_CALLSIGN.set("AAL123"); }},
      {"ghost of a removed ghost",
       [](Report& r) {
         r.callsign = "AAL123_";
         traffic.ghostList.push_back("AAL123_");
       }},
      {"ghost of a live aircraft",
       [](Report& r) {
         r.callsign = "AAL9_";
         active(firstHexid + 50, 1001, 20).aircraft.aircraftInfo.callsign = "AAL9";
       }},
      {"callsign too long", [](Report& r) { r.callsign = "ABCDEFGHIJ"; }},
      {"live limit 0", [](Report&) { MAX_LIVE_SEL.set(0); }},
      {"no livery", [](Report& r) { r.type = "F16"; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    traffic.liveList.clear();
    Report r;
    r.dueTick = 5000;
    c.make(r);
    buffered(r);
    setTick(4900);
    lf_bufferStep(*live());
    EXPECT_TRUE(live()->aircraft.eraseNow);
    EXPECT_EQ(live()->aircraft.state, LiveState::Buffer);
    BLOCK_CALLSIGN.set("");
    MAX_LIVE_SEL.set(500);
  }
}

TEST_F(Spawning, AnAircraftNoLiveryFitsIsNotMatchedAgain) {
  Report r;
  r.type = "F16";
  r.registration = "N16FF";
  r.callsign = "VIPER1";
  r.dueTick = 5000;
  buffered(r);
  setTick(4900);
  lf_bufferStep(*live());
  EXPECT_TRUE(live()->aircraft.eraseNow);
  EXPECT_TRUE(gf_inNoMatchSet("PVT F16  N16FF"));
  traffic.liveList.clear();
  matchedFor.clear();
  buffered(r);
  lf_bufferStep(*live());
  EXPECT_TRUE(live()->aircraft.eraseNow);
  EXPECT_TRUE(matchedFor.empty());
}

TEST_F(Spawning, GivesTheNewAircraftItsAttitude) {
  struct Case {
    const char* name;
    double altitude, verticalSpeed, pitchDegrees;
  };
  for (const Case& c : {Case{"on the ground", 0, 0, 0.6}, Case{"descending", 3000, -1000, -(3 - 500.0 / 600 * 2.2)},
                        Case{"descending steeply", 3000, -5000, -(3 - 1500.0 / 600 * 2.2)},
                        Case{"climbing steeply", 3000, 3000, -11.8}}) {
    SCOPED_TRACE(c.name);
    traffic.liveList.clear();
    Report r;
    r.altitude = c.altitude;
    r.groundSpeed = c.altitude > 0 ? 180 : 15;
    r.verticalSpeed = c.verticalSpeed;
    r.dueTick = 5000;
    LiveAircraft& ac = buffered(r, 0.0);
    ac.feedPoints[1].longitude = lonEast(1.0); // due east
    setTick(4900);
    lf_bufferStep(ac);
    ASSERT_EQ(ac.aircraft.state, LiveState::Adding2Sim);
    EXPECT_NEAR(ac.pitch * radToDeg, c.pitchDegrees, 1e-9);
    EXPECT_NEAR(ac.heading * radToDeg, 90.0, 0.01);
    EXPECT_EQ(ac.phase, c.altitude > 0 ? FlightPhase::Flying : FlightPhase::Taxi);
    EXPECT_EQ(ac.aircraft.aircraftInfo.liveryTitle, "Boeing 737-800 Test");
    EXPECT_EQ(traffic.twinCheckQueue.back(), firstHexid);
    EXPECT_EQ(traffic.pendingHexids.back(), firstHexid);
  }

  // A second point that repeats the first: the track gives the heading, both stand still.
  traffic.liveList.clear();
  Report s;
  s.altitude = 0;
  s.groundSpeed = 3;
  s.track = 270;
  s.dueTick = 5000;
  LiveAircraft& still = buffered(s, 0.0);
  still.feedPoints[1].extraFlag = true;
  setTick(4700);
  lf_bufferStep(still);
  EXPECT_NEAR(still.heading * radToDeg, 270.0, 1e-9);
  EXPECT_TRUE(still.feedPoints[0].extraFlag);
  EXPECT_EQ(still.feedPoints[0].groundSpeed, 0.0);
}

TEST_F(Spawning, KeepsTheTitleOfAHexidUnlessTheSimulatorRefusedIt) {
  traffic.hexidTitleMap[firstHexid] = "Airbus A320 Test";
  Report r;
  r.dueTick = 5000;
  buffered(r);
  setTick(4900);
  lf_bufferStep(*live());
  EXPECT_EQ(live()->aircraft.aircraftInfo.liveryTitle, "Airbus A320 Test");
  EXPECT_TRUE(matchedFor.empty());

  traffic.uncreatableTitles.insert("Airbus A320 Test");
  EXPECT_FALSE(gf_titleForHexid(firstHexid));
  EXPECT_FALSE(traffic.hexidTitleMap.contains(firstHexid));
  traffic.hexidTitleMap[firstHexid] = "An uninstalled title";
  EXPECT_FALSE(gf_titleForHexid(firstHexid));
}

TEST_F(Spawning, HoldsAircraftBackNearTheUserOnTheGround) {
  placeUser(laxLat, laxLon, 100, true);
  Report r;
  r.altitude = 0;
  r.groundSpeed = 0;
  r.lat = laxLat + 100.0 / 111132.95; // 100 m north
  r.dueTick = 5000;
  LiveAircraft& ac = buffered(r, 0.0);
  ac.feedPoints.push_back(ac.feedPoints.back());
  ac.feedPoints.back().dueTick = 6000;
  setTick(4900);
  lf_bufferStep(ac);
  EXPECT_EQ(ac.aircraft.state, LiveState::Buffer);
  EXPECT_EQ(ac.feedPoints.size(), 2u);
  EXPECT_FALSE(ac.userProximityHold);
  // 200 m away it is created.
  for (auto& p : ac.feedPoints) p.latitude = laxLat + 200.0 / 111132.95;
  setTick(5400);
  lf_bufferStep(ac);
  EXPECT_EQ(ac.aircraft.state, LiveState::Adding2Sim);
}

TEST_F(Spawning, HoldsAircraftBackNearTheFlyingUserWhileTheyAreClose) {
  struct Case {
    const char* name;
    double userAltitude, northNm, eastNm, altitude, track;
    bool held;
  };
  const Case cases[] = {
      {"5 nm away, heading for the user", 5000, 5, 0, 4000, 180, true},
      {"5 nm away, 3000 ft below", 5000, 5, 0, 2000, 180, false},
      {"5 nm away, crossing 4 nm east of the user", 5000, 5, 4, 4000, 180, false},
      {"3 nm away, passing 0.1 nm abeam", 5000, 3, 0.1, 4000, 180, true},
      {"7 nm away", 5000, 7, 0, 4000, 180, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    traffic.liveList.clear();
    placeUser(laxLat, laxLon, c.userAltitude, false);
    Report r;
    r.lat = latNorth(c.northNm);
    r.lon = lonEast(c.eastNm);
    r.altitude = c.altitude;
    r.track = c.track;
    r.dueTick = 5000;
    LiveAircraft& ac = buffered(r, 0.1);
    ac.feedPoints.push_back(ac.feedPoints.back());
    ac.feedPoints.back().dueTick = 6000;
    setTick(4900);
    lf_bufferStep(ac);
    EXPECT_EQ(ac.aircraft.state, c.held ? LiveState::Buffer : LiveState::Adding2Sim);
    EXPECT_EQ(ac.userProximityHold, c.held);
  }

  // The hold ends when the user has flown away.
  traffic.liveList.clear();
  placeUser(laxLat, laxLon, 5000, false);
  Report r;
  r.lat = latNorth(3);
  r.altitude = 4000;
  r.track = 180;
  r.dueTick = 5000;
  LiveAircraft& ac = buffered(r, 0.1);
  for (std::int32_t i = 0; i < 2; ++i) {
    ac.feedPoints.push_back(ac.feedPoints.back());
    ac.feedPoints.back().dueTick += 500;
  }
  setTick(4900);
  lf_bufferStep(ac);
  ASSERT_TRUE(ac.userProximityHold);
  placeUser(latNorth(-30), laxLon, 5000, false);
  setTick(5400);
  lf_bufferStep(ac);
  EXPECT_FALSE(ac.userProximityHold);
  EXPECT_EQ(ac.aircraft.state, LiveState::Adding2Sim);
}

TEST_F(Spawning, ErrorEightyOneAfterTwentyDifferentRefusedTitles) {
  AircraftData ac;
  ac.aircraftInfo.callsign = "AAL1";
  ac.aircraftInfo.type = "B738";
  ac.aircraftInfo.airline = "AAL";
  std::vector<std::string> titles;
  for (int i = 0; i < 20; ++i) titles.push_back("Title " + std::to_string(i));
  for (int i = 0; i < 19; ++i) {
    ac.aircraftInfo.liveryTitle = titles[static_cast<std::size_t>(i)];
    // The same refused title counts once, however often it is refused.
    EXPECT_NO_THROW(gf_reportCreateFailure(ac));
    EXPECT_NO_THROW(gf_reportCreateFailure(ac));
  }
  EXPECT_EQ(gf_statusLineSnapshot().message, "AAL1 'Title 18' could not be created by your Sim!");
  EXPECT_EQ(traffic.uncreatableModels, (UncreatableModels{"B738 AAL"}));
  ac.aircraftInfo.liveryTitle = titles[19];
  try {
    gf_reportCreateFailure(ac);
    FAIL() << "no error 81";
  } catch (const hvm::UserErrorException& e) {
    EXPECT_STREQ(e.what(), "81: There are too many liveries that could not be created by P3D!, see Log.txt");
  }
  const auto lines = log.lines();
  const auto at = std::find(lines.begin(), lines.end(),
                            "===> Error 81, There are too many liveries that could not be created by P3D!");
  ASSERT_NE(at, lines.end());
  EXPECT_EQ(*(at - 1), "");
  EXPECT_EQ(*(at + 1), "");
}

TEST_F(Spawning, ALongCreationBacklogHoldsNewAircraftButNotRespawns) {
  for (std::int32_t i = 0; i < 11; ++i) {
    CreateAcData c;
    c.hexId = static_cast<std::int32_t>(firstHexid + 100 + i);
    traffic.liveCreateBacklog.push_back(c);
  }
  Report r;
  r.dueTick = 5000;
  LiveAircraft& ac = buffered(r);
  ac.feedPoints.push_back(ac.feedPoints.back());
  ac.feedPoints.back().dueTick = 6000;
  setTick(4900);
  lf_bufferStep(ac);
  EXPECT_EQ(ac.aircraft.state, LiveState::Buffer);
  EXPECT_EQ(ac.feedPoints.size(), 2u);
  // An aircraft back from a livery respawn keeps its phase and is created at once.
  ac.phase = FlightPhase::Flying;
  setTick(5400);
  lf_bufferStep(ac);
  EXPECT_EQ(ac.aircraft.state, LiveState::Adding2Sim);
  // Ten waiting requests are no reason to wait.
  traffic.liveCreateBacklog.pop_back();
  Report next;
  next.hexid = firstHexid + 1;
  next.callsign = "AAL124";
  next.lat = latNorth(4);
  next.dueTick = 5500;
  LiveAircraft& second = buffered(next);
  lf_bufferStep(second);
  EXPECT_EQ(second.aircraft.state, LiveState::Adding2Sim);
}
