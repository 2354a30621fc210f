#include "airports/park_airport.h"
#include "app/edit_boxes.h"
#include "app/main_loop.h"
#include "app/per_second.h"
#include "app/run_wiring.h"
#include "core/settings/settings_version.h"
#include "core/shell/requests.h"
#include "core/shell/status_line.h"
#include "feeds/adding_stack.h"
#include "run_fixture.h"
#include "traffic/traffic_state.h"

#include <set>

using namespace run_testing;

namespace {

class PerSecondTest : public RunTest {
protected:
  void SetUp() override {
    RunTest::SetUp();
    runState.flightRunning = true;
    gf_setUserAc(klaxGate());
    realTrafficLink.professional = true;
    // Nothing in the user aircraft's way.
    COLLISION_USER_GND.set(false);
    COLLISION_USER_AIR.set(false);
  }
  // The calls of the turn that takes the per-second data making `seconds` s.
  std::vector<std::string> stepAt(std::int32_t s) {
    runState.seconds = s - 1;
    recorder.clear();
    runState.secondTick = true;
    EXPECT_TRUE(gf_mainLoopTurn());
    return recorder.without({"lf_handleAddingStack"});
  }
};

} // namespace

TEST_F(PerSecondTest, TheJobsOfEachSecond) {
  AUTO_RANGE.set(true);
  gf_setRange(40);
  world.reservedStandSet = true;
  rereadRequested = true;

  // An ordinary second: only the step.
  EXPECT_EQ(stepAt(14), std::vector<std::string>{});
  EXPECT_EQ(runState.seconds, 14);

  // Every 15 s: the reference position, the simulator time in seconds, the reserved
  // stand and a waiting re-read.
  EXPECT_EQ(stepAt(15), (std::vector<std::string>{"gf_sendSimTime 1700000000", "gf_clearReservedStand",
                                                  "gf_rereadParkAirports true"}));
  EXPECT_EQ(RANGE.get(), 40); // the automatic range waits for a multiple of 30
  EXPECT_EQ(message(), "park airports read again");

  stepAt(30);
  EXPECT_EQ(RANGE.get(), 10); // on the ground
  EXPECT_EQ(mainWindow.snapshot().minutesToRenewal, 0);

  stepAt(60);
  EXPECT_EQ(mainWindow.snapshot().minutesToRenewal, 19);

  // 240 is a multiple of 16 and of 15: no static parking step; 256 has one.
  EXPECT_FALSE(recorder.saw("gf_updateParkAirport false"));
  stepAt(240);
  EXPECT_FALSE(recorder.saw("gf_updateParkAirport false"));
  EXPECT_EQ(stepAt(256), std::vector<std::string>{"gf_updateParkAirport false"});

  // Every 20 minutes: the no-match list and, with a park airport loaded, a re-plan.
  parkAirportLoaded = true;
  world.parkAirportSet = true;
  EXPECT_EQ(stepAt(1200),
            (std::vector<std::string>{"gf_sendSimTime 1700000000", "gf_clearReservedStand", "gf_logNoLiveryMatches"}));
  EXPECT_TRUE(replanRequested);
  EXPECT_EQ(mainWindow.snapshot().minutesToRenewal, 20);

  // Its first phase collects the callsigns of the feed, with the park controls off.
  gf_showError("78: wrong P3D version 'Prepar3D v4' connects ... ?)");
  stepAt(1215);
  EXPECT_TRUE(parkBusy);
  EXPECT_TRUE(trafficReader.collectCallsigns);
  EXPECT_FALSE(windowControls.isEnabled(MAX_PARK_SEL.controlId));
  // A static parking step waits while the re-plan runs.
  stepAt(1216);
  EXPECT_FALSE(recorder.saw("gf_updateParkAirport false"));
  // Its second phase renews the statics; an error on the status line stays.
  const auto renewal = stepAt(1230);
  EXPECT_NE(std::find(renewal.begin(), renewal.end(), "gf_adjustParking"), renewal.end());
  EXPECT_FALSE(replanRequested);
  EXPECT_EQ(gf_statusLineSnapshot().error, "78: wrong P3D version 'Prepar3D v4' connects ... ?)");

  // Once a day the count starts again, after the summary.
  stepAt(86400);
  EXPECT_TRUE(recorder.saw("gf_logLiveryMatchingSummary"));
  EXPECT_TRUE(recorder.saw("emptyHexidTitleMap"));
  EXPECT_EQ(runState.seconds, 0);
}

TEST_F(PerSecondTest, NoRePlanWithInitialLoadOnlyOrWithoutAParkAirport) {
  stepAt(1200);
  EXPECT_FALSE(replanRequested);
  parkAirportLoaded = true;
  INITIAL_LOAD_ONLY.set(true);
  stepAt(1200);
  EXPECT_FALSE(replanRequested);
  INITIAL_LOAD_ONLY.set(false);
}

TEST_F(PerSecondTest, ALampGoneStaleIsCheckedAtEveryFifteenSeconds) {
  realTrafficLink.linkUp = true;
  feedDisplay.trafficLamp = lampStale;
  feedDisplay.trafficLampLatch = false;
  trafficReader.countSeen = 0;
  trafficReader.datagramCount = 5;
  stepAt(15);
  EXPECT_EQ(feedDisplay.trafficLamp, lampReceiving);
}

TEST_F(PerSecondTest, TheTwinCheckTakesOneAircraftAStepAndNeverWaitsForOneThatIsGone) {
  auto a = liveAircraft("AAL10", klax, true);
  a.aircraft.aircraftInfo.hexid = 30001;
  auto b = liveAircraft("AAL20", klax, false, FlightPhase::Flying);
  b.aircraft.aircraftInfo.hexid = 30002;
  b.aircraft.aircraftInfo.coupledSearchDone = true;
  world.liveList = {a, b};
  world.twinCheckQueue = {39999, 30001, 30002};

  EXPECT_EQ(stepAt(1), std::vector<std::string>{}); // 39999 is gone: taken off all the same
  EXPECT_EQ(stepAt(2),
            (std::vector<std::string>{"lf_searchForCoupledCsAroundThisTime AAL10", "gf_removeStaticTwin AAL10 true"}));
  EXPECT_TRUE(world.liveList[0].aircraft.aircraftInfo.coupledSearchDone);
  EXPECT_EQ(stepAt(3), std::vector<std::string>{"gf_removeStaticTwin AAL20 false"});
  EXPECT_TRUE(world.twinCheckQueue.empty());
}

TEST_F(PerSecondTest, FlushStaticTurnsInitialLoadOnlyOnWithoutSavingIt) {
  flushStaticRequested = true;
  EXPECT_EQ(stepAt(1), std::vector<std::string>{"gf_flushStatics"});
  EXPECT_FALSE(flushStaticRequested);
  EXPECT_TRUE(INITIAL_LOAD_ONLY.get());
  EXPECT_TRUE(windowControls.isChecked(INITIAL_LOAD_ONLY.controlId));
  EXPECT_EQ(stored("INITIAL_LOAD_ONLY"), "false");
  INITIAL_LOAD_ONLY.set(false);
}

TEST_F(PerSecondTest, TheBlockingRemovesTheFirstActiveAircraftWithTheCallsign) {
  world.liveList = {liveAircraft("BAW1", klax, false, FlightPhase::Flying),
                    liveAircraft("BAW1", klax, false, FlightPhase::Flying),
                    liveAircraft("BAW1", klax, false, FlightPhase::Flying)};
  world.liveList[0].aircraft.state = LiveState::Adding2Sim;
  BLOCK_CALLSIGN.set("BAW1");
  EXPECT_EQ(stepAt(1), std::vector<std::string>{}); // only at the step after the request
  blockRequested = true;
  EXPECT_EQ(stepAt(2), std::vector<std::string>{"removeAircraftFromSim BAW1"});
  EXPECT_EQ(world.liveList[1].aircraft.state, LiveState::RemovingFromSim);
  EXPECT_EQ(world.liveList[2].aircraft.state, LiveState::Active);
  EXPECT_FALSE(blockRequested);
  BLOCK_CALLSIGN.set("");
}

TEST_F(PerSecondTest, LiveAircraftThatMovedOnTheGroundAreCheckedAgainstTheStatics) {
  world.staticList = {staticAircraft("KLM1*", klax)};
  auto taxiing = liveAircraft("AAL1", klax, true, FlightPhase::Taxi);
  auto stillParking = liveAircraft("AAL2", klax, true, FlightPhase::Parking);
  stillParking.conflictCheckLat = klax.latitude;
  stillParking.conflictCheckLon = klax.longitude;
  auto parked = liveAircraft("AAL3", klax, true, FlightPhase::Parked);
  world.liveList = {taxiing, stillParking, parked};
  EXPECT_EQ(stepAt(1), std::vector<std::string>{}); // switched off by default
  COLLISION_LIVE_PARKED_GND.set(true);
  EXPECT_EQ(stepAt(2), std::vector<std::string>{"gf_removeCollidingStatic AAL1"});
  COLLISION_LIVE_PARKED_GND.set(false);
}

TEST_F(PerSecondTest, TheRunChecksItsOwnAircraftForStaticTwinsAndStaticsInTheWay) {
  gf_wireRunServices();
  runClock = clock.clock();
  COLLISION_LIVE_PARKED_GND.set(true);
  auto arriving = liveAircraft("KLM601", klax, true, FlightPhase::Taxi);
  arriving.aircraft.aircraftInfo.hexid = 30001;
  arriving.aircraft.aircraftInfo.coupledSearchDone = true;
  auto twin = staticAircraft("KLM601*", gf_destinationPoint(klax, 0.0, 0.5 * 6076.11549));
  twin.aircraftInfo.coupledCallsign1 = "KLM601";
  auto inTheWay = staticAircraft("UAL5*", klax);
  inTheWay.aircraftInfo.hexid = 11;
  inTheWay.objectId = 51;
  traffic.liveList = {arriving};
  traffic.staticList = {twin, inTheWay};
  traffic.twinCheckQueue = {30001};
  gf_perSecondStep();
  EXPECT_EQ(traffic.staticList[0].state, LiveState::RemovingFromSim);
  EXPECT_EQ(traffic.staticList[1].state, LiveState::RemovingFromSim);
  EXPECT_EQ(traffic.removeBacklog, (RemoveBacklog{50, 51}));
  EXPECT_EQ(traffic.liveList[0].conflictCheckLat, klax.latitude);
  EXPECT_TRUE(traffic.twinCheckQueue.empty());
  COLLISION_LIVE_PARKED_GND.set(false);
  gf_resetTraffic();
  gf_setAirportLookup(nullptr);
}

TEST_F(PerSecondTest, OnTheGroundTheUserAcDataKeepsLiveAndStaticAircraftAway) {
  COLLISION_USER_GND.set(true);
  const GeoPosition user{klaxGate().latitude, klaxGate().longitude};
  const auto at = [&user](double nm) { return gf_destinationPoint(user, 0.0, nm * 6076.11549); };
  world.liveList = {liveAircraft("FAR", at(0.05), true), liveAircraft("NEAR", at(0.04), true)};
  world.staticList = {staticAircraft("S1", at(0.04))};
  // The live aircraft first; the statics only in a step that removed no live aircraft.
  EXPECT_EQ(stepAt(1), std::vector<std::string>{"removeAircraftFromSim NEAR"});
  EXPECT_EQ(stepAt(2), std::vector<std::string>{"removeAircraftFromSim S1"});
  // The statics are checked again only after the user aircraft moved.
  world.staticList = {staticAircraft("S2", at(0.03))};
  EXPECT_EQ(stepAt(3), std::vector<std::string>{});
  auto moved = klaxGate();
  moved.latitude += 0.00001;
  gf_setUserAc(moved);
  EXPECT_EQ(stepAt(4), std::vector<std::string>{"removeAircraftFromSim S2"});
  COLLISION_USER_GND.set(false);
}

TEST_F(PerSecondTest, TheTwinSweepRemovesTheStaticThatStandsForALiveAircraft) {
  auto live = liveAircraft("KLM1234", klax, true);
  live.aircraft.aircraftInfo.registration = "PH-BXA";
  world.liveList = {live};
  auto other = staticAircraft("DLH1*", klax);
  auto twin = staticAircraft("KLM1234*", klax);
  world.staticList = {other, twin};
  EXPECT_EQ(stepAt(61), std::vector<std::string>{"removeAircraftFromSim KLM1234*"});
  // By registration, and only one a sweep.
  auto byReg = staticAircraft("KLM9*", klax);
  byReg.aircraftInfo.registration = "PH-BXA";
  world.staticList = {byReg, staticAircraft("KLM1234*", klax)};
  EXPECT_EQ(stepAt(122), std::vector<std::string>{"removeAircraftFromSim KLM9*"});
  // 915 is a multiple of 61 and of 15: no sweep.
  world.staticList = {staticAircraft("KLM1234*", klax)};
  const auto at915 = stepAt(915);
  EXPECT_EQ(std::count(at915.begin(), at915.end(), "removeAircraftFromSim KLM1234*"), 0);
}

TEST_F(PerSecondTest, TheParkBandNamesTheParkAirportWithItsIataCode) {
  gf_wireRunServices();
  struct Case {
    AirportData airport;
    const char* shown;
  };
  for (const Case& c : std::vector<Case>{{{"KLAX", "LAX", 33.9425, -118.408, 125}, "KLAX (LAX)"},
                                         {{"LFPO", "", 48.7233, 2.3794, 291}, "LFPO"},
                                         {{}, ""}}) {
    currentParkAirport = c.airport;
    gf_perSecondStep();
    EXPECT_EQ(mainWindow.snapshot().parkAirportCode, c.shown);
  }
  currentParkAirport = {};
}

TEST_F(PerSecondTest, TheCountsOfTheWindow) {
  world.liveList = {liveAircraft("A", klax, false, FlightPhase::Flying),
                    liveAircraft("B", klax, true, FlightPhase::Parked),
                    liveAircraft("C", klax, true, FlightPhase::Taxi)};
  world.liveList[2].aircraft.state = LiveState::Buffer;
  world.liveParked = 1;
  world.statics = 7;
  world.parkAirportCode = "KLAX";
  stepAt(1);
  const auto shown = mainWindow.snapshot();
  EXPECT_EQ(shown.liveCount, 1u);
  EXPECT_EQ(shown.liveParkedCount, 1u);
  EXPECT_EQ(shown.staticParkedCount, 7u);
  EXPECT_EQ(shown.parkAirportCode, "KLAX");
  EXPECT_TRUE(window_testing::repainted(parkBandRect));
  // The park airport left: the band names none.
  world.parkAirportCode.clear();
  stepAt(2);
  EXPECT_EQ(mainWindow.snapshot().parkAirportCode, "");
}

TEST_F(PerSecondTest, AMessageGoesAfterTwentyFiveSteps) {
  for (int s = 1; s <= 10; ++s) stepAt(s);
  gf_showMessage("shown", false);
  for (int s = 11; s <= 34; ++s) stepAt(s);
  EXPECT_EQ(message(), "shown");
  stepAt(35);
  EXPECT_EQ(message(), "");
}
